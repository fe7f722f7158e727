// Velmora: the booking manager's desktop program.
#include "core/frmSplash.h"
#include "core/DatabaseLock.h"
#include "core/modDatabase.h"
#include "core/modGlobal.h"
#include "mainwindow/Main.h"
#include "mainwindow/WindowOpeners.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPixmap>
#include <QScreen>
#include <QTimer>

#include <cstdio>

namespace
{
QElapsedTimer g_sinceStart;

// Two hooks for scripts that drive the program without a person at the
// screen (tools/screenshot.sh, the start-up benchmark):
//   VELMORA_SCREENSHOT=<file.png>  grab the screen once the main window is up
//   VELMORA_CLOSE_WHEN_SHOWN=1     close the main window again at once
// With either set, the program prints "main window shown after <ms> ms" and
// then closes the main window the ordinary way (its layout is saved).
void runUnattendedHooks()
{
    const QString shot = qEnvironmentVariable("VELMORA_SCREENSHOT");
    const bool closeAtOnce = !qEnvironmentVariableIsEmpty("VELMORA_CLOSE_WHEN_SHOWN");
    if (shot.isEmpty() && !closeAtOnce)
        return;
    if (!Main::hasInstance() || !Main::instance()->isVisible())
        return;
    std::printf("main window shown after %lld ms\n", static_cast<long long>(g_sinceStart.elapsed()));
    std::fflush(stdout);
    // Give the window manager and the first paint a moment before grabbing.
    QTimer::singleShot(shot.isEmpty() ? 0 : 700, QCoreApplication::instance(), [shot] {
        if (!shot.isEmpty()) {
            QPixmap pix;
            if (QScreen* screen = QGuiApplication::primaryScreen())
                pix = screen->grabWindow(0);
            if (pix.isNull())
                pix = Main::instance()->grab();
            std::printf(pix.save(shot, "PNG") ? "screenshot saved to %s\n" : "cannot save %s\n", qPrintable(shot));
            std::fflush(stdout);
        }
        if (Main::hasInstance())
            Main::instance()->close();
    });
}
} // namespace

int main(int argc, char** argv)
{
    g_sinceStart.start();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Velmora"));
    RegisterWindowOpeners();

    // The splash shows the main window through this factory; core knows
    // nothing of the main window itself.
    frmSplash::SetMainWindowFactory([] {
        Main::ShowAtStartup();
        runUnattendedHooks();
    });
    const int code = modGlobal::RunProgram(app);
    Main::destroyInstance();
    DatabaseLock::ReleaseRun();
    return code;
}
