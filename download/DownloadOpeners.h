#pragma once

/** Registers the meeting list window in the table of window openers. */
void RegisterDownloadOpeners();
