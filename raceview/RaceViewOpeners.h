#pragma once

/** Puts the race view's windows into the core opener table (core/modOpeners.h). */
void RegisterRaceViewOpeners();
