#pragma once

/** Fills the core opener table (core/modOpeners.h) with the windows of every
 *  subsystem the program is built with. Called once at start-up, before the
 *  main window can open anything; calling it again changes nothing. */
void RegisterWindowOpeners();
