#pragma once

/** Puts the record windows (jockeys, trainer editor, booking rates and
 *  templates) into the core opener table. */
void RegisterRecordsOpeners();
