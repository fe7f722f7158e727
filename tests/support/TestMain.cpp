// The main of every test program: a headless QApplication, muted sounds, and
// GoogleTest.
#include "platform/Sound.h"

#include <QApplication>
#include <QLocale>

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("LANG", "C.UTF-8");
    QApplication app(argc, argv);
    QLocale::setDefault(QLocale::c());
    Sound::setMuted(true);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
