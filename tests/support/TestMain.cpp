// The main of every test program: a headless QApplication, muted sounds, and
// GoogleTest.
#include "platform/Sound.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryFile>
#include <QLocale>

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    // A headless screen of a common desktop's size, so windows that size
    // themselves to the screen open as they would for a user.
    // Each program writes its own file: test programs run side by side.
    QTemporaryFile screenConfig(QDir::temp().filePath(QStringLiteral("velmora-test-screen-XXXXXX.json")));
    if (screenConfig.open()) {
        screenConfig.write(R"({"screens":[{"name":"test","x":0,"y":0,"width":1920,"height":1080,)"
                           R"("logicalDpi":96,"logicalBaseDpi":96,"dpr":1}]})");
        screenConfig.flush();
    }
    qputenv("QT_QPA_PLATFORM", QByteArray("offscreen:configfile=") + QFile::encodeName(screenConfig.fileName()));
    qputenv("LANG", "C.UTF-8");
    QApplication app(argc, argv);
    QLocale::setDefault(QLocale::c());
    Sound::setMuted(true);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
