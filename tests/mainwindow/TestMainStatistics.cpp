// The main window's ways into the statistics window and the horse search:
// each command sets the subject and the mode and opens the window.
#include "core/HttpRequest.h"
#include "core/modJockeyStats.h"
#include "core/modOpeners.h"
#include "core/modShared.h"
#include "fixtures/FixtureServer.h"
#include "mainwindow/Main.h"
#include "mainwindow/WindowOpeners.h"
#include "platform/Grid.h"
#include "platform/Prompts.h"
#include "support/MainFixture.h"
#include "support/QtPrinters.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QPushButton>

#include <gtest/gtest.h>

#include <ostream>

namespace
{
const QString kFlem = QStringLiteral("0712FLEM");

class MainStatistics : public ::testing::Test
{
protected:
    MainFixture f;
    Prompts::Script script;
    QStringList opened;

    void SetUp() override
    {
        ResetSharedState();
        f.addMeeting(kFlem, QStringLiteral("ACP"));
        f.addTrainer(QStringLiteral("T O'Smith"));
        f.addRunner(kFlem, 3, QStringLiteral("T O'Smith"), QStringLiteral("Alpha (NZ)"), 560, QString(), QString(),
                    QStringLiteral("T OSMITH"));
        f.addJockey(QStringLiteral("A Jones"));
        f.addJockey(QStringLiteral("B Brown"));
        f.addRide(QStringLiteral("A Jones"), QStringLiteral("ALPHA"), 1, QStringLiteral("T OSMITH"));
        f.loadJockeys();
        f.main().LoadTrainerGrid();
        ASSERT_TRUE(f.clickTrainer(QStringLiteral("T O'Smith")));
        modOpeners::Openers().raceStats = [this] {
            const QString name = gStatsMode.startsWith(QLatin1String("horse"))     ? gSelHorse
                                 : gStatsMode.startsWith(QLatin1String("trainer")) ? gSelTrainer
                                                                                   : gSelJockey;
            opened << gStatsMode + QLatin1Char(':') + name;
        };
        modOpeners::Openers().selectHorse = [this] { opened << QStringLiteral("horse search"); };
    }
    void TearDown() override
    {
        modOpeners::Openers() = WindowOpeners{};
        EXPECT_TRUE(script.unexpected().isEmpty());
    }
    void trigger(const char* name)
    {
        auto* action = f.main().findChild<QAction*>(QString::fromLatin1(name));
        ASSERT_NE(action, nullptr) << name;
        action->trigger();
    }
};

TEST_F(MainStatistics, EveryCommandOpensTheWindowOnItsSubject)
{
    Main& m = f.main();
    ASSERT_GE(m.grdNoms->rows(), 1);
    m.grdNoms->setSelectedCell(1, 4);
    trigger("MnuHorseForm");
    m.grdNames->setSelectedCell(1, 1);
    trigger("mnuTrainerStats");
    trigger("MnuTrainJockForm");
    m.grdJockey->setSelectedCell(2, 1);
    trigger("mnuPrvRides");
    m.CmdFindHorse->click();
    EXPECT_EQ(opened, (QStringList{"horse:Alpha (NZ)", "trainer:T O'Smith", "trainer/jockey:T O'Smith",
                                   "jockey:B Brown", "horse search"}));

    // The best-placing icons: the trainer's (left click) and the runner's.
    opened.clear();
    ASSERT_NE(m.grdNames->cellIcon(1, 4), -1);
    m.grdNames->setSelectedCell(1, 4);
    emit m.grdNames->mouseUp(1, 0, 5, 5);
    ASSERT_NE(m.grdNoms->cellIcon(1, 5), -1);
    m.grdNoms->setSelectedCell(1, 5);
    emit m.grdNoms->requestEdit(1, 5);
    EXPECT_EQ(opened, (QStringList{"trainer/jockey:T O'Smith", "horse/jockey:Alpha (NZ)"}));
}

TEST_F(MainStatistics, CommandsWithoutASelectedRowOpenNothing)
{
    Main& m = f.main();
    for (Grid* g : {m.grdNoms, m.grdNames, m.grdJockey}) {
        g->clearSelectedCells();
        g->setCurrentCell(-1, -1);
    }
    for (const char* name : {"MnuHorseForm", "mnuTrainerStats", "MnuTrainJockForm", "mnuPrvRides"})
        trigger(name);
    EXPECT_TRUE(opened.isEmpty());
}

TEST_F(MainStatistics, TheProgramsOpenersShowTheStatisticsWindow)
{
    FixtureServer server;
    server.connectProgram();
    modDatabase::SetHttpTimeLimit(3000);
    modOpeners::Openers() = WindowOpeners{};
    RegisterWindowOpeners();

    QStringList titles;
    bool hourglass = true;
    script.answerModal([&](QDialog* d) {
        titles << d->windowTitle();
        hourglass = QApplication::overrideCursor() != nullptr;
        d->reject();
    });
    Main& m = f.main();
    m.grdJockey->setSelectedCell(1, 1);
    trigger("mnuPrvRides");
    EXPECT_EQ(titles, QStringList{QStringLiteral("Racing Statistics for Jockey A Jones")});
    // The command's hourglass ends with the load.
    EXPECT_FALSE(hourglass);
    EXPECT_EQ(server.sqlQueries().size(), 1);

    script.answerModal([&](QDialog* d) {
        titles << d->windowTitle();
        d->reject();
    });
    m.CmdFindHorse->click();
    EXPECT_EQ(titles.value(1), QStringLiteral("Select a Horse"));
    modDatabase::SetHttpTimeLimit(0);
}
} // namespace
