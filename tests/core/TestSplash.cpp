// The start-up window: its load, the first-start migration flag, and the one
// start of the main window however the timer and key presses interleave.
#include "core/cAppSettings.h"
#include "core/frmSplash.h"
#include "core/modGlobal.h"
#include "platform/Prompts.h"
#include "platform/Sound.h"
#include "platform/VbError.h"
#include "support/TestEnv.h"

#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QTest>

#include <gtest/gtest.h>

namespace
{
QString labelText(const frmSplash& splash, const char* name)
{
    auto* label = splash.findChild<QLabel*>(QString::fromLatin1(name));
    return label ? label->text() : QStringLiteral("<missing>");
}

cAppSettings stored()
{
    cAppSettings s;
    s.LoadSettings();
    return s;
}

class SplashTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        env.installSounds();
        frmSplash::SetMainWindowFactory([this] { ++mainShown; });
    }
    void TearDown() override { frmSplash::SetMainWindowFactory({}); }

    TestEnv env;
    Prompts::Script script;
    int mainShown = 0;
};

TEST_F(SplashTest, FirstStartMigratesOnceAndRemembersIt)
{
    int migrations = 0;
    Sound::clearHistory();
    {
        frmSplash splash([&] { ++migrations; });
        splash.Form_Load();
        EXPECT_EQ(migrations, 1);
        EXPECT_EQ(labelText(splash, "lblVersion"), QStringLiteral("Version 2.6.18"));
        EXPECT_EQ(labelText(splash, "lblPlatform"), QString());
        EXPECT_EQ(labelText(splash, "lblStatus"), QStringLiteral("Loading Application Settings..."));
        EXPECT_EQ(labelText(splash, "Label3"), QStringLiteral("The Velmora 2"));
        EXPECT_TRUE(splash.isTimerActive());
        EXPECT_EQ(mainShown, 0);
    }
    ASSERT_FALSE(Sound::history().isEmpty());
    EXPECT_TRUE(Sound::history().first().endsWith(QStringLiteral("/horse-gallop.wav")));

    const cAppSettings after = stored();
    EXPECT_TRUE(after.AlreadyUpgraded);
    // The default folder in use is not stored as if the user had chosen it.
    EXPECT_EQ(after.DBPath, QString());

    // Second start: already taken over.
    gAppSettings = cAppSettings();
    frmSplash again([&] { ++migrations; });
    again.Form_Load();
    EXPECT_EQ(migrations, 1);
    EXPECT_TRUE(script.unexpected().isEmpty());
}

TEST_F(SplashTest, FirstStartWithoutAnOlderInstallationIsRecordedToo)
{
    const QString db = env.installTemplateDatabase();
    QFile f(db);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray before = f.readAll();
    f.close();
    frmSplash splash; // the program's own migration: nothing in the legacy folder
    splash.Form_Load();
    EXPECT_TRUE(stored().AlreadyUpgraded);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), before);
    EXPECT_TRUE(script.records().isEmpty());
}

TEST_F(SplashTest, StoredDatabaseFolderIsKept)
{
    cAppSettings preset;
    preset.DBPath = QStringLiteral("/x");
    preset.AlreadyUpgraded = true;
    ASSERT_TRUE(preset.SaveSettings());
    int migrations = 0;
    frmSplash splash([&] { ++migrations; });
    splash.Form_Load();
    EXPECT_EQ(gAppSettings.DBPath, QStringLiteral("/x"));
    EXPECT_EQ(migrations, 0);
}

TEST_F(SplashTest, FailedMigrationIsReportedAndTriedAgainNextStart)
{
    script.answerMsgBox(Prompts::vbOK);
    frmSplash splash([] { throw VbError(53, QStringLiteral("test"), QStringLiteral("File not found")); });
    splash.Form_Load();
    ASSERT_EQ(script.messages().size(), 1);
    EXPECT_TRUE(script.messages().first().text.contains(QStringLiteral("File not found")));
    EXPECT_FALSE(stored().AlreadyUpgraded);
    EXPECT_FALSE(gAppSettings.AlreadyUpgraded);
    EXPECT_TRUE(splash.isTimerActive());
    EXPECT_EQ(labelText(splash, "lblVersion"), QStringLiteral("Version 2.6.18"));
}

TEST_F(SplashTest, TimerShowsTheMainWindowAndClosesTheSplash)
{
    frmSplash splash([] {});
    splash.Form_Load();
    splash.show();
    EXPECT_EQ(frmSplash::current(), &splash);
    ASSERT_TRUE(QTest::qWaitFor([&] { return mainShown > 0; }, 3000));
    EXPECT_FALSE(splash.isVisible());
    EXPECT_FALSE(splash.isTimerActive());
    EXPECT_EQ(frmSplash::current(), nullptr);
    QTest::qWait(800);
    EXPECT_EQ(mainShown, 1);
}

TEST_F(SplashTest, KeyAndTimerDuringTheMainLoadStartItOnce)
{
    // The fake main window's load reports steps like the real one: each
    // status line runs pending events, among them another key press and
    // (were it still running) the splash timer's tick.
    QPointer<frmSplash> splashPtr;
    QStringList statuses;
    frmSplash::SetMainWindowFactory([&] {
        ++mainShown;
        QKeyEvent again(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
        QCoreApplication::sendEvent(splashPtr, &again);
        for (int i = 0; i < 8; ++i) {
            modGlobal::ShowStatus(QStringLiteral("Step %1").arg(i));
            statuses << splashPtr->findChild<QLabel*>(QStringLiteral("lblStatus"))->text();
            QTest::qWait(100);
        }
        frmSplash::CloseSplash();
        modGlobal::ShowStatus(QStringLiteral("after close")); // the label is gone: nothing to write
    });
    frmSplash splash([] {});
    splashPtr = &splash;
    splash.Form_Load();
    splash.show();
    QTest::keyClick(&splash, Qt::Key_A);
    QTest::qWait(900);
    EXPECT_EQ(mainShown, 1);
    EXPECT_EQ(statuses.first(), QStringLiteral("Step 0..."));
    EXPECT_EQ(statuses.last(), QStringLiteral("Step 7..."));
    EXPECT_EQ(labelText(splash, "lblStatus"), QStringLiteral("Step 7..."));
    EXPECT_FALSE(splash.isVisible());
}

TEST_F(SplashTest, StaysUpUntilTheMainWindowTakesOver)
{
    frmSplash splash([] {});
    splash.Form_Load();
    splash.show();
    EXPECT_FALSE(splash.close());
    EXPECT_TRUE(splash.isVisible());
    QTest::keyClick(&splash, Qt::Key_Escape);
    EXPECT_EQ(mainShown, 1);
    EXPECT_FALSE(splash.isVisible());
}
} // namespace
