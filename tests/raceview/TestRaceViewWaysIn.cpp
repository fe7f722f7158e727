// The main window's ways into the race view: each opens the race view,
// modally, on the right meeting and race, and the main window reloads its
// jockey and trainer lists and the nominations it shows when it has closed.
#include "core/cAppSettings.h"
#include "core/modJockeyStats.h"
#include "core/modOpeners.h"
#include "core/modShared.h"
#include "mainwindow/InGridBookingEditor.h"
#include "mainwindow/Main.h"
#include "platform/Grid.h"
#include "platform/Prompts.h"
#include "raceview/FrmRace.h"
#include "raceview/RaceViewOpeners.h"
#include "support/MainFixture.h"

#include <QAction>
#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <QTextEdit>

#include <gtest/gtest.h>

namespace
{
const QString FLEM = QStringLiteral("0712FLEM");
const QString CAUL = QStringLiteral("0812CAUL");

/** What a race view was opened on. */
struct Seen
{
    QString meeting;
    int race = -1;
    bool whole = false;
    int runners = 0;
};

class RaceViewWaysIn : public ::testing::Test
{
protected:
    MainFixture f;
    Main& m = f.main();
    Prompts::Script prompts;
    QList<Seen> seen;

    void SetUp() override
    {
        RegisterRaceViewOpeners();
        f.addMeeting(FLEM, QStringLiteral("ACP"));
        f.addMeeting(CAUL, QStringLiteral("NOM"), true, QDate(2024, 12, 8), QStringLiteral("Caulfield"));
        f.addRunner(FLEM, 1, QStringLiteral("Tom Hill"), QStringLiteral("Alpha"));
        f.addRunner(FLEM, 4, QStringLiteral("Tom Hill"), QStringLiteral("Bravo"));
        f.addRunner(CAUL, 1, QStringLiteral("Ann Lee"), QStringLiteral("Charlie"));
        f.addJockey(QStringLiteral("J Smith"), QStringLiteral(" 255"));
        m.LoadMeetingGrid();
        f.loadJockeys();
        m.LoadTrainerGrid();
    }
    void TearDown() override { modOpeners::Openers().raceView = nullptr; }

    /** Answers the next race view: notes what it shows and closes it. */
    void expectRaceView(const std::function<void(FrmRace&)>& during = {})
    {
        prompts.answerModal([this, during](QDialog* d) {
            auto* form = qobject_cast<FrmRace*>(d);
            ASSERT_NE(form, nullptr);
            seen << Seen{form->MeetingCode, form->RaceNumber, form->WholeMeeting, form->grdRace->rows()};
            if (during)
                during(*form);
            form->cmdExit->click();
        });
    }
};

TEST_F(RaceViewWaysIn, MeetingsGridDoubleClickAndPopUpCommands)
{
    // A double-click opens race 1 of the meeting.
    expectRaceView();
    m.grdMeeting->setSelectedCell(1, 1);
    m.grdMeeting_OnDblClick();
    ASSERT_EQ(seen.size(), 1);
    EXPECT_EQ(seen[0].meeting, FLEM);
    EXPECT_EQ(seen[0].race, 1);
    EXPECT_FALSE(seen[0].whole);
    EXPECT_EQ(seen[0].runners, 1);

    // "Meeting View" opens every selected meeting whole, one after the other.
    seen.clear();
    expectRaceView();
    expectRaceView();
    m.grdMeeting->setMultiSelect(true);
    m.grdMeeting->setSelectedCell(1, 1);
    m.grdMeeting->selectRowToo(2);
    m.MnuMeetingView->trigger();
    ASSERT_EQ(seen.size(), 2);
    EXPECT_EQ(seen[0].meeting, FLEM);
    EXPECT_TRUE(seen[0].whole);
    EXPECT_EQ(seen[0].runners, 4); // two runners and their two race groups
    EXPECT_EQ(seen[1].meeting, CAUL);
    EXPECT_EQ(seen[1].race, 0);

    // "Race View" the same with race 1.
    seen.clear();
    expectRaceView();
    expectRaceView();
    m.MnuRace->trigger();
    ASSERT_EQ(seen.size(), 2);
    EXPECT_EQ(seen[0].race, 1);
    EXPECT_EQ(seen[1].meeting, CAUL);
    EXPECT_FALSE(seen[1].whole);
    EXPECT_TRUE(prompts.unexpected().isEmpty());
    EXPECT_EQ(prompts.pending(), 0);
}

TEST_F(RaceViewWaysIn, NominationsRowAndRaceHeader)
{
    ASSERT_TRUE(f.clickTrainer(QStringLiteral("Tom Hill")));
    const int row = MainFixture::rowOf(m.grdNoms, QStringLiteral("Bravo"), 4);
    ASSERT_GT(row, 0);
    m.grdNoms->setSelectedCell(row, 4);

    expectRaceView();
    m.mnuRaceView->trigger();
    ASSERT_EQ(seen.size(), 1);
    EXPECT_EQ(seen[0].meeting, FLEM);
    EXPECT_EQ(seen[0].race, 4);
    EXPECT_EQ(seen[0].runners, 1);

    // An edit request on a runner without a booking opens its race.
    expectRaceView();
    m.grdNoms->setSelectedCell(row, 7);
    emit m.grdNoms->requestEdit(row, 7);
    ASSERT_EQ(seen.size(), 2);
    EXPECT_EQ(seen[1].race, 4);

    // The race header opens the race view on the members as they stand.
    m.strMeetingCur = CAUL;
    m.IntRace = 0;
    expectRaceView();
    QTest::mouseDClick(m.txtRace->viewport(), Qt::LeftButton);
    ASSERT_EQ(seen.size(), 3);
    EXPECT_EQ(seen[2].meeting, CAUL);
    EXPECT_TRUE(seen[2].whole);
    EXPECT_TRUE(prompts.unexpected().isEmpty());
}

TEST_F(RaceViewWaysIn, MainWindowReloadsItsListsWhenTheRaceViewCloses)
{
    // While the race view is open a jockey and a trainer's runner appear.
    expectRaceView([this](FrmRace&) {
        f.addJockey(QStringLiteral("K Ray"), QStringLiteral(" 65280"));
        f.addRunner(FLEM, 2, QStringLiteral("New Trainer"), QStringLiteral("Delta"));
    });
    m.grdMeeting->setSelectedCell(1, 1);
    m.grdMeeting_OnDblClick();
    ASSERT_EQ(seen.size(), 1);
    EXPECT_GT(MainFixture::rowOf(m.grdJockey, QStringLiteral("K Ray")), 0);
    EXPECT_GT(MainFixture::rowOf(m.grdNames, QStringLiteral("New Trainer")), 0);
    EXPECT_TRUE(modJockey::gJockeyInList.contains(QStringLiteral("'K Ray'")));
}

TEST_F(RaceViewWaysIn, MainWindowReloadsTheNominationsItShowsWhenTheRaceViewCloses)
{
    f.addRunner(FLEM, 6, QStringLiteral("Tom Hill"), QStringLiteral("Echo"));
    m.LoadTrainerGrid();
    ASSERT_TRUE(f.clickTrainer(QStringLiteral("Tom Hill")));
    const int row = MainFixture::rowOf(m.grdNoms, QStringLiteral("Bravo"), 4);
    ASSERT_GT(row, 0);
    m.grdNoms->setSelectedCell(row, 7);

    // Booked in the race view; a trainer listed before Tom Hill appears.
    expectRaceView([this](FrmRace&) {
        f.addBooking(FLEM, QStringLiteral("Bravo"), QStringLiteral("J Smith"), QStringLiteral("Confirmed"), true);
        f.addRunner(CAUL, 2, QStringLiteral("Bob Early"), QStringLiteral("Foxtrot"));
    });
    m.mnuRaceView->trigger();
    ASSERT_EQ(seen.size(), 1);

    // The same trainer, the same runner selected, and the booking shown.
    EXPECT_EQ(m.grdNames->cellText(m.grdNames->selectedRow(), 1), QStringLiteral("Tom Hill"));
    EXPECT_EQ(m.grdNoms->rows(), 3);
    EXPECT_EQ(m.grdNoms->cellText(m.grdNoms->selectedRow(), 4), QStringLiteral("Bravo"));
    EXPECT_EQ(m.grdNoms->selectedCol(), 7);
    EXPECT_EQ(m.grdNoms->cellText(row, 10), QStringLiteral("J Smith"));
    EXPECT_EQ(m.grdNoms->cellText(row, 13), QStringLiteral("Confirmed"));
    EXPECT_EQ(m.grdNoms->cellBackColor(row, 4), 255);
    EXPECT_TRUE(prompts.unexpected().isEmpty());
}

TEST_F(RaceViewWaysIn, ClosingStoresTheLayoutAndEndsTheHourglass)
{
    expectRaceView();
    m.grdMeeting->setSelectedCell(1, 1);
    m.grdMeeting_OnDblClick();
    ASSERT_EQ(seen.size(), 1);
    EXPECT_EQ(gAppSettings.RaceRaceWidth.split(QLatin1Char(',')).size(), 31);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}
} // namespace
