#pragma once

/** Puts the statistics window and the horse search into the window openers
 *  table (core/modOpeners.h). */
void RegisterFormHistoryOpeners();
