// Velmora: the booking manager's desktop program.
#include "core/modGlobal.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Velmora"));
    return modGlobal::RunProgram(app);
}
