#pragma once

#include <QString>

class QApplication;

/** Program-wide state and the start of the program. */
namespace modGlobal
{
/** Runs the program: shows the start-up window and the event loop. */
int RunProgram(QApplication& app);
} // namespace modGlobal
