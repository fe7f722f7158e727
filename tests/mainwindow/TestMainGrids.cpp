// The main window's grids on a fixture database, checked cell by cell:
// meetings, trainer list, nominations with bookings, header sorts, the
// weight filter and the saved column order.
#include "core/modJockeyBooking.h"
#include "core/modJockeyLists.h"
#include "core/modJockeyStats.h"
#include "core/modShared.h"
#include "mainwindow/Main.h"
#include "platform/ComboEx.h"
#include "platform/Grid.h"
#include "platform/ImageList.h"
#include "platform/PopMenu.h"
#include "platform/Prompts.h"
#include "platform/Sound.h"
#include "platform/WinColor.h"
#include "raceview/FrmRace.h"
#include "support/MainFixture.h"

#include <QLineEdit>
#include <QMenu>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTest>
#include <QTextEdit>

#include <gtest/gtest.h>

namespace
{
constexpr qint64 kBlue = 0xFF0000;
constexpr qint64 kRed = 0x0000FF;
constexpr qint64 kAcceptances = 0x7D7D19;

QStringList columnTexts(const Grid* grid, int col)
{
    QStringList out;
    for (int r = 1; r <= grid->rows(); ++r)
        out << grid->cellText(r, col);
    return out;
}
} // namespace

// ---- Meetings grid ------------------------------------------------------------------

TEST(MainMeetings, DisplayedMeetingsColouredByStageInCodeOrder)
{
    MainFixture f;
    f.addMeeting(QStringLiteral("0712FLEM"), QStringLiteral("WGT"), true, QDate(2009, 6, 7));
    f.addMeeting(QStringLiteral("0512CAUL"), QStringLiteral("ACP"), true, QDate(2024, 12, 5),
                 QStringLiteral("Caulfield"), QStringLiteral("VIC"));
    f.addMeeting(QStringLiteral("0612RAND"), QStringLiteral("NOM"), false); // deleted by the manager
    f.addMeeting(QStringLiteral("0812SAND"), QStringLiteral("NOM"));
    f.addMeeting(QStringLiteral("0912MORN"), QStringLiteral("N/A"));
    f.db().exec(QStringLiteral("INSERT INTO Meeting (MeetingCode, MeetingLevel) VALUES ('0412NULL', 'NOM')"));

    Main& m = f.main();
    m.LoadMeetingGrid();
    Grid* g = m.grdMeeting;
    ASSERT_EQ(g->rows(), 4);
    EXPECT_EQ(columnTexts(g, 1), (QStringList{"0512CAUL", "0712FLEM", "0812SAND", "0912MORN"}));
    EXPECT_EQ(g->cellForeColor(1, 1), kAcceptances);
    EXPECT_EQ(g->cellForeColor(1, 2), kAcceptances);
    EXPECT_EQ(g->cellForeColor(2, 1), kBlue);
    EXPECT_EQ(g->cellForeColor(2, 2), kBlue);
    EXPECT_EQ(g->cellForeColor(3, 1), -1);
    EXPECT_EQ(g->cellForeColor(4, 2), -1);
    EXPECT_EQ(g->cellText(2, 2), QStringLiteral("WGT"));
    EXPECT_EQ(g->cellText(2, 3), QStringLiteral("Flemington"));
    EXPECT_EQ(g->cellText(2, 4), QStringLiteral("2009Jun07"));
    EXPECT_EQ(g->cellText(1, 5), QStringLiteral("VIC"));
    EXPECT_FALSE(g->colVisible(3));
    EXPECT_FALSE(g->colVisible(5));

    // The shared loader (race view, start-up) gives the same rows.
    Grid other;
    modJockey::SetupMeetingGrid(&other);
    modJockey::FillMeetingGrid(&other);
    ASSERT_EQ(other.rows(), g->rows());
    for (int r = 1; r <= g->rows(); ++r)
        for (int c = 1; c <= 5; ++c)
        {
            EXPECT_EQ(other.cellText(r, c), g->cellText(r, c));
            EXPECT_EQ(other.cellForeColor(r, c), g->cellForeColor(r, c));
        }
}

TEST(MainMeetings, PopUpsAndDoubleClickNeedAPickedCell)
{
    MainFixture f;
    f.addMeeting(QStringLiteral("0712FLEM"), QStringLiteral("WGT"));
    f.addJockey(QStringLiteral("J Smith"), QStringLiteral(" 255"));
    Main& m = f.main();
    m.LoadMeetingGrid();
    f.loadJockeys();
    QSignalSpy raceView(&m, &Main::raceViewRequested);

    PopMenu::Script menus;
    menus.dismiss().dismiss();
    m.grdMeeting->clearSelectedCells();
    m.grdMeeting_OnMouseUp(2);
    m.grdMeeting_OnDblClick();
    EXPECT_TRUE(menus.records().isEmpty());
    EXPECT_EQ(raceView.count(), 0);

    m.grdMeeting->setSelectedCell(1, 1);
    m.grdMeeting_OnMouseUp(1); // a left click only selects
    EXPECT_TRUE(menus.records().isEmpty());
    m.grdMeeting_OnMouseUp(2);
    m.grdJockey->setSelectedCell(1, 1);
    m.grdJockey_OnMouseUp(2);
    ASSERT_EQ(menus.records().size(), 2);
    EXPECT_EQ(menus.records()[0].menu, QStringLiteral("mnuPUMenu"));
    EXPECT_TRUE(menus.records()[0].items.contains(QStringLiteral("MnuMeetingView")));
    EXPECT_EQ(menus.records()[1].menu, QStringLiteral("MnuPuJockey"));
    EXPECT_FALSE(menus.records()[1].items.contains(QStringLiteral("MnuJockStrike"))); // disabled

    m.grdMeeting_OnDblClick();
    EXPECT_EQ(raceView.count(), 1);
    EXPECT_EQ(m.strMeetingCur, QStringLiteral("0712FLEM"));
    EXPECT_EQ(m.IntRace, 1);
}

// ---- Shared list loaders -------------------------------------------------------------

TEST(MainLists, JockeyListColoursIconAndInGridList)
{
    MainFixture f;
    f.addJockey(QStringLiteral("A Able"), QStringLiteral(" 255"));
    f.addJockey(QStringLiteral("B Baker"), QStringLiteral("&H80000005"));
    f.addJockey(QStringLiteral("C Cole"));
    f.addJockey(QStringLiteral("D O'Dea"), QStringLiteral(""));
    modJockey::gIconJockey = QStringLiteral("B Baker");
    Main& m = f.main();
    modJockey::LoadJockeyCombo(m.grdJockey, &m);

    Grid* g = m.grdJockey;
    ASSERT_EQ(g->rows(), 4);
    EXPECT_EQ(g->cellBackColor(1, 1), 255);
    EXPECT_TRUE(WinColor::isSystemColor(g->cellBackColor(2, 1)));
    EXPECT_EQ(g->cellBackColor(2, 1) & 0xFF, 5);
    EXPECT_EQ(g->cellBackColor(3, 1), -1);
    EXPECT_EQ(g->cellBackColor(4, 1), -1);
    EXPECT_EQ(columnTexts(g, 2), (QStringList{" 255", "&H80000005", "", ""}));
    EXPECT_EQ(g->cellIcon(1, 1), -1);
    EXPECT_EQ(g->cellIcon(2, 1), ImageList::IconBestPlaced);
    EXPECT_FALSE(g->colVisible(2));
    EXPECT_EQ(g->colWidth(1), g->scaledWidth(130));
    QStringList items;
    for (int i = 0; i < m.cmbJockey->count(); ++i)
        items << m.cmbJockey->itemText(i);
    EXPECT_EQ(items, (QStringList{"A Able", "B Baker", "C Cole", "D O'Dea", "Delete Jockey"}));

    // No jockeys: an empty grid and only "Delete Jockey".
    f.db().exec(QStringLiteral("DELETE FROM Jockey"));
    modJockey::LoadJockeyCombo(m.grdJockey, &m);
    EXPECT_EQ(g->rows(), 0);
    ASSERT_EQ(m.cmbJockey->count(), 1);
    EXPECT_EQ(m.cmbJockey->itemText(0), QStringLiteral("Delete Jockey"));
}

TEST(MainLists, BookingTextAndRaceTypeLists)
{
    MainFixture f;
    Main& m = f.main();
    auto items = [](const QComboBox* c) {
        QStringList out;
        for (int i = 0; i < c->count(); ++i)
            out << c->itemText(i);
        return out;
    };
    modJockey::LoadBookingTextCombo(m.cmbBookText);
    EXPECT_EQ(items(m.cmbBookText), (QStringList{"Planned", "Confirmed", "Remove Booking"}));
    f.db().insert(QStringLiteral("BookingTemplate"), {{"Sequence", 2}, {"Template", "Enquired"}});
    f.db().insert(QStringLiteral("BookingTemplate"), {{"Sequence", 1}, {"Template", "Hold"}});
    modJockey::LoadBookingTextCombo(m.cmbBookText);
    EXPECT_EQ(items(m.cmbBookText), (QStringList{"Planned", "Hold", "Enquired", "Confirmed", "Remove Booking"}));

    f.db().insert(QStringLiteral("RaceType"), {{"RaceType", "OPN M"}, {"MetroOrder", 2}, {"ProvOrder", 1}});
    f.db().insert(QStringLiteral("RaceType"), {{"RaceType", "CL6 M"}, {"MetroOrder", 1}, {"ProvOrder", 0}});
    f.db().insert(QStringLiteral("RaceType"), {{"RaceType", "MDN P"}, {"MetroOrder", 0}, {"ProvOrder", 2}});
    QComboBox list;
    list.setObjectName(QStringLiteral("cmbRaceType"));
    modJockey::LoadRaceTypeCombo(&list, QStringLiteral("M"));
    EXPECT_EQ(items(&list), (QStringList{"CL6 M", "OPN M"}));
    modJockey::LoadRaceTypeCombo(&list, QStringLiteral("m")); // only exactly "M" is metropolitan
    EXPECT_EQ(items(&list), (QStringList{"OPN M", "MDN P"}));
}

// ---- Trainer list ------------------------------------------------------------------

TEST(MainTrainers, CountsIconsAndIgnoredTrainers)
{
    MainFixture f;
    f.addMeeting(QStringLiteral("0712FLEM"), QStringLiteral("ACP"));
    f.addMeeting(QStringLiteral("0812SAND"), QStringLiteral("NOM"));
    // Brown: two runners in race 1 and one in race 2 of one meeting.
    f.addRunner(QStringLiteral("0712FLEM"), 1, QStringLiteral("T Brown"), QStringLiteral("Alpha"));
    f.addRunner(QStringLiteral("0712FLEM"), 1, QStringLiteral("T Brown"), QStringLiteral("Bravo"));
    f.addRunner(QStringLiteral("0712FLEM"), 2, QStringLiteral("T Brown"), QStringLiteral("Charlie"));
    // Clark: race 3 of two meetings counts as two races.
    f.addRunner(QStringLiteral("0712FLEM"), 3, QStringLiteral("A Clark"), QStringLiteral("Delta"));
    f.addRunner(QStringLiteral("0812SAND"), 3, QStringLiteral("A Clark"), QStringLiteral("Echo"));
    // Ignored trainers, one of them last in alphabetical order.
    f.addRunner(QStringLiteral("0712FLEM"), 4, QStringLiteral("M Moss"), QStringLiteral("Foxtrot"));
    f.addRunner(QStringLiteral("0812SAND"), 4, QStringLiteral("Z Zed"), QStringLiteral("Golf"));
    f.addRunner(QStringLiteral("0812SAND"), 5, QString(), QStringLiteral("Nobody's")); // no trainer: not listed
    f.addTrainer(QStringLiteral("M Moss"), true);
    f.addTrainer(QStringLiteral("z zed"), true); // found regardless of letter case
    f.addTrainer(QStringLiteral("T Brown"), false, QStringLiteral("Calls back"));
    // Managed jockey rides: Clark's horses won, Brown's placed.
    f.addJockey(QStringLiteral("J Smith"), QStringLiteral(" 255"));
    f.addRide(QStringLiteral("J SMITH"), QStringLiteral("X"), 1, QStringLiteral("A Clark"));
    f.addRide(QStringLiteral("J SMITH"), QStringLiteral("Y"), 3, QStringLiteral("T Brown"));

    Main& m = f.main();
    f.loadJockeys();
    m.LoadTrainerGrid();
    Grid* g = m.grdNames;
    ASSERT_EQ(columnTexts(g, 1), (QStringList{"A Clark", "M Moss", "T Brown", "Z Zed"}));
    EXPECT_EQ(columnTexts(g, 2), (QStringList{"2", "1", "3", "1"}));
    EXPECT_EQ(columnTexts(g, 3), (QStringList{"2", "1", "2", "1"}));
    EXPECT_EQ(g->cellIcon(1, 4), ImageList::IconBestWin);
    EXPECT_EQ(g->cellIcon(3, 4), ImageList::IconBestPlaced);
    EXPECT_EQ(g->cellIcon(2, 4), -1);
    EXPECT_EQ(g->cellIcon(3, 5), ImageList::IconComments);
    EXPECT_EQ(g->cellIcon(1, 5), -1);
    for (int r : {2, 4})
    {
        for (int c = 1; c <= 3; ++c)
            EXPECT_EQ(g->cellForeColor(r, c), kRed) << r << "," << c;
        EXPECT_EQ(g->cellText(r, 6), QStringLiteral("True"));
    }
    EXPECT_EQ(g->cellForeColor(3, 1), -1);
    EXPECT_EQ(g->cellText(3, 6), QStringLiteral("False"));
    EXPECT_EQ(g->cellAlignment(1, 2) & Qt::AlignHorizontal_Mask, Qt::AlignRight);
    EXPECT_TRUE(m.SelectedTrainer.isEmpty()); // loading the list chooses nobody

    // With no managed jockeys no best-placing icon is shown.
    f.db().exec(QStringLiteral("DELETE FROM Jockey"));
    f.loadJockeys();
    m.LoadTrainerGrid();
    for (int r = 1; r <= g->rows(); ++r)
        EXPECT_EQ(g->cellIcon(r, 4), -1);

    // Clicking an ignored trainer refuses and changes nothing.
    m.txtTrainLocation->setText(QStringLiteral("kept"));
    Prompts::Script prompts;
    prompts.answerMsgBox(Prompts::vbOK);
    ASSERT_TRUE(f.clickTrainer(QStringLiteral("Z Zed")));
    ASSERT_EQ(prompts.messages().size(), 1);
    EXPECT_EQ(prompts.messages()[0].text, QStringLiteral("Trainer set to ignore cannot make bookings"));
    EXPECT_EQ(prompts.messages()[0].title, QStringLiteral("Error"));
    EXPECT_EQ(m.txtTrainLocation->text(), QStringLiteral("kept"));
    EXPECT_EQ(m.grdNoms->rows(), 0);
    EXPECT_TRUE(prompts.unexpected().isEmpty());
}

TEST(MainTrainers, SelectedMeetingsAndQuotedNames)
{
    MainFixture f;
    f.addMeeting(QStringLiteral("0712FLEM"), QStringLiteral("ACP"));
    f.addMeeting(QStringLiteral("0812SAND"), QStringLiteral("NOM"));
    f.addRunner(QStringLiteral("0712FLEM"), 1, QStringLiteral("P O'Brien"), QStringLiteral("Kilkenny"));
    f.addRunner(QStringLiteral("0812SAND"), 2, QStringLiteral("P O'Brien"), QStringLiteral("Tipperary"));
    f.addRunner(QStringLiteral("0812SAND"), 2, QStringLiteral("Last Trainer"), QStringLiteral("Zulu"));
    f.addTrainer(QStringLiteral("P O'Brien"), false, QString(), QStringLiteral("0311"), QStringLiteral("Ballydoyle"),
                 QStringLiteral("0499"));

    Main& m = f.main();
    m.MeetingInList = QStringLiteral("( '0712FLEM')");
    m.LoadTrainerGrid();
    EXPECT_EQ(columnTexts(m.grdNames, 1), QStringList{"P O'Brien"});
    EXPECT_EQ(m.grdNames->cellText(1, 2), QStringLiteral("1"));

    m.MeetingInList.clear();
    m.LoadTrainerGrid();
    EXPECT_EQ(columnTexts(m.grdNames, 1), (QStringList{"Last Trainer", "P O'Brien"}));

    ASSERT_TRUE(f.clickTrainer(QStringLiteral("P O'Brien")));
    EXPECT_EQ(m.SelectedTrainer, QStringLiteral("P O''Brien"));
    EXPECT_EQ(m.txtTrainerName->text(), QStringLiteral("P O'Brien"));
    EXPECT_EQ(m.TxtTrainPhone->text(), QStringLiteral("0311"));
    EXPECT_EQ(m.txtTrainLocation->text(), QStringLiteral("Ballydoyle"));
    EXPECT_EQ(m.txtTrainMobile->text(), QStringLiteral("0499"));
    EXPECT_FALSE(m.TxtTrainPhone->isReadOnly());
    EXPECT_EQ(columnTexts(m.grdNoms, 4), (QStringList{"Kilkenny", "Tipperary"}));

    // A trainer without a record: the boxes come from the runners.
    ASSERT_TRUE(f.clickTrainer(QStringLiteral("Last Trainer")));
    EXPECT_EQ(m.SelectedTrainer, QStringLiteral("Last Trainer"));
    EXPECT_EQ(m.txtTrainLocation->text(), QStringLiteral("Caulfield"));
    EXPECT_EQ(m.TxtTrainPhone->text(), QStringLiteral("0398765432"));
    EXPECT_TRUE(m.txtTrainMobile->text().isEmpty());
    EXPECT_EQ(m.txtTrainerName->text(), QStringLiteral("Last Trainer"));
}

// ---- Nominations grid --------------------------------------------------------------

TEST(MainNoms, BookingsJockeyColoursAndFormats)
{
    MainFixture f;
    f.addMeeting(QStringLiteral("0712FLEM"), QStringLiteral("ACP"), true, QDate(2024, 12, 7));
    const QString t = QStringLiteral("T Brown");
    f.addRunner(QStringLiteral("0712FLEM"), 5, t, QStringLiteral("Alpha"), 525, QString(), QStringLiteral("E"));
    f.addRunner(QStringLiteral("0712FLEM"), 12, t, QStringLiteral("Bravo"), 540, QStringLiteral("P Pub"),
                QStringLiteral("B"));
    f.addRunner(QStringLiteral("0712FLEM"), 6, t, QStringLiteral("Charlie's Gem"), 0);
    f.addRunner(QStringLiteral("0712FLEM"), 7, t, QStringLiteral("Delta"), 560, QStringLiteral("P Pub"));
    f.addRunner(QStringLiteral("0712FLEM"), 8, t, QStringLiteral("Echo"), 560);
    f.addJockey(QStringLiteral("J Smith"), QStringLiteral(" 255"));
    f.addJockey(QStringLiteral("K Plain"), QStringLiteral(""));
    f.addBooking(QStringLiteral("0712FLEM"), QStringLiteral("Alpha"), QStringLiteral("J Smith"),
                 QStringLiteral("Planned"));
    f.addBooking(QStringLiteral("0712FLEM"), QStringLiteral("Bravo"), QStringLiteral("J Smith"),
                 QStringLiteral("Confirmed"), true);
    f.addBooking(QStringLiteral("0712FLEM"), QStringLiteral("Charlie's Gem"), QStringLiteral("K Plain"),
                 QStringLiteral("Confirmed"), true);
    f.addBooking(QStringLiteral("0712FLEM"), QStringLiteral("Echo"), QStringLiteral("Gone Jockey"),
                 QStringLiteral("Hold"));

    Main& m = f.main();
    m.strMeetingType = QStringLiteral("ACP");
    m.LoadTrainerGrid();
    ASSERT_TRUE(f.clickTrainer(t));
    Grid* g = m.grdNoms;
    ASSERT_EQ(columnTexts(g, 4), (QStringList{"Alpha", "Charlie's Gem", "Delta", "Echo", "Bravo"}));
    const int alpha = 1, charlie = 2, delta = 3, echo = 4, bravo = 5;

    // Planned booking: only the jockey cell is coloured.
    EXPECT_EQ(g->cellText(alpha, 10), QStringLiteral("J Smith"));
    EXPECT_EQ(g->cellBackColor(alpha, 10), 255);
    EXPECT_EQ(g->cellBackColor(alpha, 1), -1);
    EXPECT_EQ(g->cellText(alpha, 13), QStringLiteral("Planned"));
    EXPECT_EQ(g->cellIcon(alpha, 13), -1);
    EXPECT_TRUE(g->cellText(alpha, 12).isEmpty());
    EXPECT_EQ(g->cellForeColor(alpha, 10), -1); // no published rider
    EXPECT_EQ(g->cellForeColor(alpha, 4), kBlue);

    // Confirmed booking: columns 1-9 and 13 in the jockey's colour, icon 7.
    for (int c : {1, 2, 3, 4, 5, 6, 7, 8, 9, 13})
        EXPECT_EQ(g->cellBackColor(bravo, c), 255) << c;
    EXPECT_EQ(g->cellIcon(bravo, 13), ImageList::IconConfirmed);
    EXPECT_EQ(g->cellText(bravo, 12), QStringLiteral("True"));
    EXPECT_EQ(g->cellText(bravo, 10), QStringLiteral("J Smith"));
    EXPECT_EQ(g->cellForeColor(bravo, 10), kBlue); // published rider, acceptances
    EXPECT_EQ(g->cellForeColor(bravo, 4), kRed);

    // A confirmed booking of a jockey without a colour still shows name,
    // status and icon, without colours.
    EXPECT_EQ(g->cellText(charlie, 10), QStringLiteral("K Plain"));
    EXPECT_EQ(g->cellText(charlie, 13), QStringLiteral("Confirmed"));
    EXPECT_EQ(g->cellIcon(charlie, 13), ImageList::IconConfirmed);
    EXPECT_EQ(g->cellBackColor(charlie, 1), -1);
    EXPECT_EQ(g->cellBackColor(charlie, 10), -1);
    // A booked jockey no longer in the jockey table: name and status shown.
    EXPECT_EQ(g->cellText(echo, 10), QStringLiteral("Gone Jockey"));
    EXPECT_EQ(g->cellText(echo, 13), QStringLiteral("Hold"));

    // Unbooked: the published rider, no status.
    EXPECT_EQ(g->cellText(delta, 10), QStringLiteral("P Pub"));
    EXPECT_EQ(g->cellBackColor(delta, 10), -1);
    EXPECT_TRUE(g->cellText(delta, 13).isEmpty());

    // Formats and hidden columns.
    EXPECT_EQ(g->cellText(alpha, 2), QStringLiteral(" 5"));
    EXPECT_EQ(g->cellText(bravo, 2), QStringLiteral("12"));
    EXPECT_EQ(g->cellText(alpha, 7), QStringLiteral("52.5"));
    EXPECT_EQ(g->cellText(bravo, 7), QStringLiteral("54"));
    EXPECT_EQ(g->cellText(charlie, 7), QStringLiteral("0"));
    EXPECT_EQ(g->cellText(alpha, 3), QStringLiteral("x123"));
    EXPECT_EQ(g->cellText(alpha, 8), QStringLiteral("72"));
    EXPECT_EQ(g->cellText(alpha, 9), QStringLiteral("BM78"));
    EXPECT_EQ(g->cellText(alpha, 11), QStringLiteral("1200 HCP R5"));
    EXPECT_EQ(g->cellText(alpha, 14), QStringLiteral("2024Dec07"));
    EXPECT_EQ(g->cellText(alpha, 15), QStringLiteral("Flemington"));
    EXPECT_EQ(g->cellText(alpha, 16), QStringLiteral("VIC"));
    for (int c : {11, 12, 14, 15, 16})
        EXPECT_FALSE(g->colVisible(c)) << c;

    // At nominations stage the published rider is not blue.
    m.strMeetingType = QStringLiteral("NOM");
    m.LoadTrainerNoms();
    EXPECT_EQ(g->cellForeColor(bravo, 10), -1);
}

TEST(MainNoms, APaddedHorseNameKeepsItsBookingEverywhere)
{
    // A field file that pads its horse field stores "OCEAN BREEZE "; the
    // booking made on the grid holds the trimmed name (in other letters).
    MainFixture f;
    f.addMeeting(QStringLiteral("0712FLEM"), QStringLiteral("ACP"));
    f.db().insert(QStringLiteral("Race"), {{QStringLiteral("MeetingCode"), QStringLiteral("0712FLEM")},
                                           {QStringLiteral("RaceNumber"), 1},
                                           {QStringLiteral("RaceCode"), QStringLiteral("1200 HCP R1")}});
    const QString t = QStringLiteral("T Brown");
    f.addRunner(QStringLiteral("0712FLEM"), 1, t, QStringLiteral("OCEAN BREEZE "), 560, QStringLiteral("P PUB"));
    f.addJockey(QStringLiteral("J Smith"), QStringLiteral(" 255"));
    f.db().exec(QStringLiteral("UPDATE Jockey SET FullName = 'J SMITH' WHERE Jockey = 'J Smith'"));
    f.addBooking(QStringLiteral("0712FLEM"), QStringLiteral("Ocean Breeze"), QStringLiteral("J Smith"),
                 QStringLiteral("Confirmed"), true, t);
    // A ride stored with the form database's padding.
    f.addRide(QStringLiteral("J SMITH"), QStringLiteral("OCEAN BREEZE  "), 1);

    // The nominations grid, with the best placing of the horse.
    Main& m = f.main();
    f.loadJockeys();
    m.strMeetingType = QStringLiteral("ACP");
    m.LoadTrainerGrid();
    ASSERT_TRUE(f.clickTrainer(t));
    Grid* g = m.grdNoms;
    ASSERT_EQ(g->rows(), 1);
    EXPECT_EQ(g->cellText(1, 10), QStringLiteral("J Smith"));
    EXPECT_EQ(g->cellText(1, 13), QStringLiteral("Confirmed"));
    EXPECT_EQ(g->cellIcon(1, 13), ImageList::IconConfirmed);
    EXPECT_EQ(g->cellIcon(1, 5), ImageList::IconBestWin);

    // The race view.
    const auto resetShared = qScopeGuard([] { ResetSharedState(); });
    gMainState.strMeetingCur = QStringLiteral("0712FLEM");
    gMainState.IntRace = 1;
    {
        FrmRace race;
        race.Form_Load();
        ASSERT_EQ(race.grdRace->rows(), 1);
        EXPECT_EQ(race.grdRace->cellText(1, FrmRace::ColJockey), QStringLiteral("J Smith"));
        EXPECT_EQ(race.grdRace->cellText(1, FrmRace::ColBooking), QStringLiteral("Confirmed"));
        EXPECT_EQ(race.grdRace->cellIcon(1, FrmRace::ColHorseIcon), ImageList::IconBestWin);
    }

    // The meeting report's rows.
    EXPECT_EQ(f.db().scalar(QStringLiteral("SELECT JockeyName FROM qryMeetingView WHERE MeetingCode = '0712FLEM'"))
                  .toString(),
              QStringLiteral("J Smith"));

    // The acceptance check finds the booking of the padded runner.
    Prompts::Script script;
    script.answerMsgBox(Prompts::vbNo);
    modJockey::CheckBookingsOnAcceptance(QStringLiteral("P PUB"), QStringLiteral("0712FLEM"),
                                         QStringLiteral("OCEAN BREEZE "), QStringLiteral("ACP"), 560);
    ASSERT_EQ(script.messages().size(), 1);
    EXPECT_TRUE(script.messages()[0].text.contains(QStringLiteral("You had previously booked your Jockey :J SMITH")));
    EXPECT_EQ(modJockey::ReportBookingsWithoutRunner(QStringLiteral("0712FLEM")), 0);
    EXPECT_TRUE(script.unexpected().isEmpty());
}

TEST(MainNoms, BestPlacingIconsFollowTheManagedJockeys)
{
    MainFixture f;
    f.addMeeting(QStringLiteral("0712FLEM"), QStringLiteral("NOM"));
    const QString t = QStringLiteral("T Brown");
    f.addRunner(QStringLiteral("0712FLEM"), 1, t, QStringLiteral("Winner (NZ)"));
    f.addRunner(QStringLiteral("0712FLEM"), 2, t, QStringLiteral("Placer"));
    f.addRunner(QStringLiteral("0712FLEM"), 3, t, QStringLiteral("Stranger"));
    f.addJockey(QStringLiteral("J Smith"), QStringLiteral(" 255"));
    f.addJockey(QStringLiteral("K Other"), QStringLiteral(" 65280"));
    f.addRide(QStringLiteral("J SMITH"), QStringLiteral("WINNER"), 1);
    f.addRide(QStringLiteral("K OTHER"), QStringLiteral("PLACER"), 2);
    f.addRide(QStringLiteral("NOT MANAGED"), QStringLiteral("STRANGER"), 1);

    Main& m = f.main();
    f.loadJockeys();
    m.LoadTrainerGrid();
    ASSERT_TRUE(f.clickTrainer(t));
    Grid* g = m.grdNoms;
    ASSERT_EQ(columnTexts(g, 4), (QStringList{"Winner (NZ)", "Placer", "Stranger"}));
    EXPECT_EQ(g->cellIcon(1, 5), ImageList::IconBestWin);
    EXPECT_EQ(g->cellIcon(2, 5), ImageList::IconBestPlaced);
    EXPECT_EQ(g->cellIcon(3, 5), -1);

    // One icon jockey: only his rides count.
    modJockey::gJockeyInList = QStringLiteral("( 'J Smith')");
    m.LoadTrainerNoms();
    EXPECT_EQ(g->cellIcon(1, 5), ImageList::IconBestWin);
    EXPECT_EQ(g->cellIcon(2, 5), -1);

    // No managed jockeys: no icons at all.
    modJockey::gJockeyInList.clear();
    m.LoadTrainerNoms();
    for (int r = 1; r <= g->rows(); ++r)
        EXPECT_EQ(g->cellIcon(r, 5), -1);
}

// ---- Weight filter -------------------------------------------------------------------

TEST(MainWeight, FilterClausesAndRows)
{
    MainFixture f;
    f.addMeeting(QStringLiteral("0712FLEM"), QStringLiteral("WGT"));
    const QString t = QStringLiteral("T Brown");
    f.addRunner(QStringLiteral("0712FLEM"), 1, t, QStringLiteral("Light"), 500);
    f.addRunner(QStringLiteral("0712FLEM"), 1, t, QStringLiteral("Heavy"), 580);
    f.addRunner(QStringLiteral("0712FLEM"), 2, t, QStringLiteral("Unweighed"), 0);
    Main& m = f.main();
    const QString order = QStringLiteral(" ORDER BY Noms.TRAINERNAME, MeetingCode, RACENUMBER");

    m.txtWeight->setText(QStringLiteral("0.0"));
    EXPECT_TRUE(m.TrainerGridSql().endsWith(QStringLiteral(" FROM Noms ") + order));
    EXPECT_FALSE(m.TrainerNomsSql().contains(QStringLiteral("Weight >=")));
    m.txtWeight->setText(QStringLiteral("41"));
    EXPECT_FALSE(m.TrainerGridSql().contains(QStringLiteral("WHERE")));
    m.MeetingInList = QStringLiteral("( '0712FLEM')");
    EXPECT_TRUE(m.TrainerGridSql().endsWith(
        QStringLiteral(" WHERE MEETINGCODE IN ( '0712FLEM') and  (Weight >= 410 or Weight = 0)") + order));
    m.SelectedTrainer = QStringLiteral("T Brown");
    EXPECT_TRUE(m.TrainerNomsSql().endsWith(
        QStringLiteral("TRAINERNAME= 'T Brown' AND NOMS.MEETINGCODE IN ( '0712FLEM') And (Weight >= 410 or Weight = 0)"
                       " ORDER BY NOMS.MEETINGCODE, RACENUMBER, HORSE")));
    m.MeetingInList.clear();
    m.txtWeight->setText(QStringLiteral("52.5"));
    EXPECT_TRUE(m.TrainerGridSql().endsWith(QStringLiteral(" WHERE (Weight >= 525 or Weight = 0)") + order));

    m.LoadTrainerGrid();
    EXPECT_EQ(m.grdNames->cellText(1, 2), QStringLiteral("2")); // Heavy and Unweighed
    ASSERT_TRUE(f.clickTrainer(t));
    EXPECT_EQ(m.SelectedTrainer, t);
    EXPECT_TRUE(m.TrainerNomsSql().contains(QStringLiteral("TRAINERNAME= 'T Brown' And (Weight >= 525 or Weight = 0)")));
    EXPECT_EQ(columnTexts(m.grdNoms, 4), (QStringList{"Heavy", "Unweighed"}));
}

TEST(MainWeight, BoxAndSpinnerKeepEachOtherInStep)
{
    MainFixture f;
    Main& m = f.main();
    struct Case
    {
        const char* typed;
        const char* shown;
        int spinner;
    };
    // Start: spinner 600. A weight of 40 or less (or no number) is ignored.
    const Case cases[] = {
        {"55", "55.0", 550},  {"40", "40", 550},      {"38.5", "38.5", 550}, {"abc", "abc", 550},
        {"52.25", "52.2", 522}, {"52.35", "52.4", 524}, {"52.2", "52.2", 522}, {"150", "99.0", 990},
    };
    for (const Case& c : cases)
    {
        m.txtWeight->setText(QString::fromLatin1(c.typed));
        m.txtWeight_LostFocus();
        EXPECT_EQ(m.txtWeight->text(), QString::fromLatin1(c.shown)) << c.typed;
        EXPECT_EQ(m.UpDown1->value(), c.spinner) << c.typed;
    }
    m.UpDown1->stepBy(1);
    EXPECT_EQ(m.txtWeight->text(), QStringLiteral("99.0"));
    m.UpDown1->stepBy(-3);
    EXPECT_EQ(m.txtWeight->text(), QStringLiteral("97.5"));
}

// ---- Header sort and column layout -------------------------------------------------

TEST(MainSort, HeaderClicksAlternateAndPlayTheSound)
{
    MainFixture f;
    f.addMeeting(QStringLiteral("0712FLEM"), QStringLiteral("NOM"));
    const QString t = QStringLiteral("T Brown");
    for (int race : {2, 10, 1})
        f.addRunner(QStringLiteral("0712FLEM"), race, t, QStringLiteral("H%1").arg(race));
    f.addRunner(QStringLiteral("0712FLEM"), 1, QStringLiteral("Many"), QStringLiteral("M1"));
    f.addRunner(QStringLiteral("0712FLEM"), 2, QStringLiteral("Many"), QStringLiteral("M2"));
    f.addRunner(QStringLiteral("0712FLEM"), 3, QStringLiteral("Many"), QStringLiteral("M3"));
    f.addRunner(QStringLiteral("0712FLEM"), 4, QStringLiteral("Many"), QStringLiteral("M4"));
    f.addRunner(QStringLiteral("0712FLEM"), 1, QStringLiteral("Abe"), QStringLiteral("A1"));
    Main& m = f.main();
    m.LoadTrainerGrid();
    ASSERT_TRUE(f.clickTrainer(t));
    Grid* g = m.grdNoms;
    Sound::clearHistory();

    m.grdNoms_OnColumnClick(2);
    EXPECT_EQ(columnTexts(g, 2), (QStringList{" 1", " 2", "10"}));
    EXPECT_EQ(g->colTag(2), QStringLiteral("DESC"));
    EXPECT_EQ(g->colHeaderImage(2), ImageList::IconSortAscending);
    m.grdNoms_OnColumnClick(2);
    EXPECT_EQ(columnTexts(g, 2), (QStringList{"10", " 2", " 1"}));
    EXPECT_TRUE(g->colTag(2).isEmpty());
    EXPECT_EQ(g->colHeaderImage(2), ImageList::IconSortDescending);
    m.grdNoms_OnColumnClick(4);
    EXPECT_EQ(g->colHeaderImage(2), -1);
    EXPECT_EQ(g->colHeaderImage(4), ImageList::IconSortAscending);
    ASSERT_EQ(Sound::history().size(), 3);
    EXPECT_TRUE(Sound::history()[0].endsWith(QStringLiteral("/Utopia Open.wav")));

    // The runner count starts with "Desc": the first click puts the most runners first.
    m.grdNames_OnColumnClick(2);
    EXPECT_EQ(columnTexts(m.grdNames, 1), (QStringList{"Many", "T Brown", "Abe"}));
    m.grdNames_OnColumnClick(2);
    EXPECT_EQ(columnTexts(m.grdNames, 1), (QStringList{"Abe", "T Brown", "Many"}));
}

TEST(MainLayout, SavedColumnOrderAndWidthsComeBackExactly)
{
    MainFixture f;
    Main& m = f.main();
    const auto w = [&](int design) { return QString::number(m.grdNames->scaledWidth(design)); };
    EXPECT_EQ(Main::ColumnWidthList(m.grdNames),
              QStringList({w(130), w(30), w(30), w(15), w(15), w(Grid::kDefaultColumnWidth)}).join(QLatin1Char(',')));
    EXPECT_EQ(Main::ColumnOrderList(m.grdNames), QStringLiteral("1,2,3,4,5,6"));
    EXPECT_EQ(Main::ColumnWidthList(m.grdNoms).split(QLatin1Char(',')).size(), 16);

    Main::ApplyColumnLists(m.grdNames, QStringLiteral("abc,,0,45px"), QStringLiteral("3,4,2,1,5,6"));
    EXPECT_EQ(Main::ColumnOrderList(m.grdNames), QStringLiteral("3,4,2,1,5,6"));
    EXPECT_EQ(Main::ColumnWidthList(m.grdNames).section(QLatin1Char(','), 0, 3),
              QStringList({w(130), w(30), w(30), QStringLiteral("45")}).join(QLatin1Char(',')));

    // Every order of the first four columns comes back as saved.
    QList<int> p{1, 2, 3, 4};
    do
    {
        QStringList saved;
        for (int v : p)
            saved << QString::number(v);
        saved << QStringLiteral("5") << QStringLiteral("6");
        Main::ApplyColumnLists(m.grdNames, QString(), saved.join(QLatin1Char(',')));
        EXPECT_EQ(Main::ColumnOrderList(m.grdNames), saved.join(QLatin1Char(',')));
    } while (std::next_permutation(p.begin(), p.end()));
}

// ---- Trainer contact boxes -----------------------------------------------------------

TEST(MainContact, OnlyAnEditOfTheChosenTrainerIsWritten)
{
    MainFixture f;
    f.addMeeting(QStringLiteral("0712FLEM"), QStringLiteral("NOM"));
    f.addRunner(QStringLiteral("0712FLEM"), 1, QStringLiteral("T Brown"), QStringLiteral("Alpha"));
    f.addRunner(QStringLiteral("0712FLEM"), 1, QStringLiteral("New Trainer"), QStringLiteral("Bravo"));
    f.addTrainer(QStringLiteral("T Brown"), false, QString(), QStringLiteral("111"), QStringLiteral("Flem"),
                 QStringLiteral("222"));
    Main& m = f.main();
    m.LoadTrainerGrid();
    auto stored = [&](const QString& name, const QString& column) {
        return f.db().scalar(QStringLiteral("SELECT %1 FROM Trainer WHERE TrainerName = ?").arg(column), {name});
    };

    // Nobody chosen yet: the boxes are locked and leaving one writes nothing.
    m.TxtTrainPhone->setText(QStringLiteral("999"));
    m.TxtTrainPhone_LostFocus();
    EXPECT_EQ(stored(QStringLiteral("T Brown"), QStringLiteral("Phone")).toString(), QStringLiteral("111"));

    ASSERT_TRUE(f.clickTrainer(QStringLiteral("T Brown")));
    m.TxtTrainPhone->setText(QStringLiteral("333"));
    m.txtTrainLocation->setText(QStringLiteral("Other"));
    m.TxtTrainPhone_LostFocus();
    EXPECT_EQ(stored(QStringLiteral("T Brown"), QStringLiteral("Phone")).toString(), QStringLiteral("333"));
    EXPECT_EQ(stored(QStringLiteral("T Brown"), QStringLiteral("TrainerLocation")).toString(), QStringLiteral("Flem"));
    m.txtTrainMobile->clear();
    m.txtTrainMobile_LostFocus();
    const QVariant mobile = stored(QStringLiteral("T Brown"), QStringLiteral("TrainerMobile"));
    EXPECT_TRUE(mobile.isValid() && mobile.toString().isEmpty());

    // A trainer without a row: leaving an edited box adds the row with the
    // name and the boxes that hold text.
    ASSERT_TRUE(f.clickTrainer(QStringLiteral("New Trainer")));
    EXPECT_EQ(f.db().count(QStringLiteral("Trainer"), QStringLiteral("TrainerName = 'New Trainer'")), 0);
    m.txtTrainMobile->setText(QStringLiteral("0400"));
    m.txtTrainMobile_LostFocus();
    EXPECT_EQ(stored(QStringLiteral("New Trainer"), QStringLiteral("TrainerMobile")).toString(), QStringLiteral("0400"));
    EXPECT_EQ(stored(QStringLiteral("New Trainer"), QStringLiteral("Phone")).toString(), QStringLiteral("0398765432"));

    // After the selection is cleared, edits go nowhere.
    m.ClearTrainerSelection();
    EXPECT_TRUE(m.txtTrainMobile->isReadOnly());
    m.txtTrainMobile->setText(QStringLiteral("0500"));
    m.txtTrainMobile_LostFocus();
    EXPECT_EQ(stored(QStringLiteral("New Trainer"), QStringLiteral("TrainerMobile")).toString(), QStringLiteral("0400"));
}

TEST(MainContact, ChoosingTheIconJockeyLeavesTheBoxesTiedToNoTrainer)
{
    MainFixture f;
    Prompts::Script script;
    f.addMeeting(QStringLiteral("0712FLEM"), QStringLiteral("NOM"));
    f.addRunner(QStringLiteral("0712FLEM"), 1, QStringLiteral("T Brown"), QStringLiteral("Alpha"));
    f.addTrainer(QStringLiteral("T Brown"), false, QString(), QStringLiteral("111"), QStringLiteral("Flem"),
                 QStringLiteral("222"));
    f.addJockey(QStringLiteral("A Jones"));
    f.loadJockeys();
    Main& m = f.main();
    m.LoadTrainerGrid();
    auto stored = [&](const QString& column) {
        return f.db().scalar(QStringLiteral("SELECT %1 FROM Trainer WHERE TrainerName = 'T Brown'").arg(column));
    };

    ASSERT_TRUE(f.clickTrainer(QStringLiteral("T Brown")));
    ASSERT_EQ(m.TxtTrainPhone->text(), QStringLiteral("111"));
    m.grdJockey->setSelectedCell(1, 1);
    m.mnuSelJckIcn_Click();
    for (QLineEdit* box : {m.txtTrainLocation, m.TxtTrainPhone, m.txtTrainMobile}) {
        EXPECT_TRUE(box->text().isEmpty());
        EXPECT_TRUE(box->isReadOnly());
    }
    EXPECT_TRUE(m.txtTrainerName->text().isEmpty());
    m.txtTrainLocation_LostFocus();
    m.TxtTrainPhone_LostFocus();
    m.txtTrainMobile_LostFocus();
    EXPECT_EQ(stored(QStringLiteral("Phone")).toString(), QStringLiteral("111"));
    EXPECT_EQ(stored(QStringLiteral("TrainerLocation")).toString(), QStringLiteral("Flem"));
    EXPECT_EQ(stored(QStringLiteral("TrainerMobile")).toString(), QStringLiteral("222"));

    // Choosing the trainer again ties the boxes to him once more.
    ASSERT_TRUE(f.clickTrainer(QStringLiteral("T Brown")));
    EXPECT_EQ(m.TxtTrainPhone->text(), QStringLiteral("111"));
    m.TxtTrainPhone->setText(QStringLiteral("333"));
    m.TxtTrainPhone_LostFocus();
    EXPECT_EQ(stored(QStringLiteral("Phone")).toString(), QStringLiteral("333"));
    EXPECT_TRUE(script.unexpected().isEmpty());
}

// ---- Window furniture -----------------------------------------------------------------

TEST(MainWindow, ControlsAndMenusCarryTheirNames)
{
    MainFixture f;
    Main& m = f.main();
    for (const char* name : {"grdMeeting", "grdNames", "grdNoms", "grdJockey"})
        EXPECT_NE(m.findChild<Grid*>(QString::fromLatin1(name)), nullptr) << name;
    for (const char* name : {"txtTrainerName", "txtTrainLocation", "TxtTrainPhone", "txtTrainMobile", "txtWeight"})
        EXPECT_NE(m.findChild<QLineEdit*>(QString::fromLatin1(name)), nullptr) << name;
    for (const char* name : {"cmdExit", "CmdFindHorse", "cmdMtgRfs", "cmdReload", "CmdGetData", "cmdBrowse"})
        EXPECT_NE(m.findChild<QWidget*>(QString::fromLatin1(name)), nullptr) << name;
    EXPECT_EQ(m.imlGrdRace, modJockey::GridImages());
    EXPECT_EQ(m.grdNoms->imageList(), m.imlGrdRace);

    struct Item
    {
        const char* name;
        const char* caption;
        bool enabled;
    };
    const Item items[] = {
        {"mnuEditJockey", "Edit &Jockey", true},     {"mnudebugtoggle", "&Debug Mode", true},
        {"MnuAllGet", "Allow &Get Data", true},      {"MnuRace", "&Race View", true},
        {"mnuDeleteMeeting", "&Delete Meeting", true}, {"mnuVideoForm", "Video Form", false},
        {"mnutrainStrk", "Trainer Strike Rate", false}, {"mnuTrnJockStrk", "Trainer Jockey Strike Rate", false},
        {"mnuSelJckIcn", "Select Jockey for Icons", true}, {"mnuUpdateStatus", "Set the remaining status to ", true},
    };
    for (const Item& it : items)
    {
        auto* a = m.findChild<QAction*>(QString::fromLatin1(it.name));
        ASSERT_NE(a, nullptr) << it.name;
        EXPECT_EQ(a->text(), QString::fromLatin1(it.caption));
        EXPECT_EQ(a->isEnabled(), it.enabled) << it.name;
    }
    EXPECT_EQ(m.MnuRace->shortcut(), QKeySequence(QStringLiteral("Ctrl+R")));
    EXPECT_FALSE(m.mnudebugtoggle->isChecked());

    // The race header opens the race view only once a meeting was chosen.
    QSignalSpy raceView(&m, &Main::raceViewRequested);
    QTest::mouseDClick(m.txtRace->viewport(), Qt::LeftButton);
    EXPECT_EQ(raceView.count(), 0);
    m.strMeetingCur = QStringLiteral("0712FLEM");
    m.IntRace = 3;
    QTest::mouseDClick(m.txtRace->viewport(), Qt::LeftButton);
    EXPECT_EQ(raceView.count(), 1);
}

// ---- Best placings on a big list -------------------------------------------------------

// Many trainers take the loader's one-pass way to the placings, a few its
// look-ups; both must give the same icons.
TEST(MainTrainers, BestPlacingsAlikeForManyAndFewTrainers)
{
    MainFixture f;
    f.addMeeting(QStringLiteral("0712FLEM"), QStringLiteral("NOM"));
    f.addMeeting(QStringLiteral("0812SAND"), QStringLiteral("NOM"));
    f.addJockey(QStringLiteral("J Smith"), QStringLiteral(" 255"));
    DaoDatabase db = f.db().db();
    db.BeginTrans();
    for (int i = 0; i < 240; ++i)
    {
        const QString trainer = QStringLiteral("Trainer %1").arg(i, 3, 10, QLatin1Char('0'));
        f.addRunner(i < 6 ? QStringLiteral("0812SAND") : QStringLiteral("0712FLEM"), 1, trainer,
                    QStringLiteral("H%1").arg(i));
        // The remote spells form trainers in capitals.
        if (i % 3 == 0)
            f.addRide(QStringLiteral("J SMITH"), QStringLiteral("X"), 1, trainer.toUpper());
        if (i % 3 != 2)
            f.addRide(QStringLiteral("J SMITH"), QStringLiteral("Y"), 4, trainer.toUpper());
    }
    f.addRide(QStringLiteral("NOT MANAGED"), QStringLiteral("Z"), 1, QStringLiteral("TRAINER 001"));
    db.CommitTrans();

    Main& m = f.main();
    f.loadJockeys();
    const auto expectedIcon = [](int i) {
        return i % 3 == 0 ? int(ImageList::IconBestWin) : i % 3 == 1 ? int(ImageList::IconBestPlaced) : -1;
    };
    m.LoadTrainerGrid();
    ASSERT_EQ(m.grdNames->rows(), 240);
    for (int i = 0; i < 240; ++i)
        EXPECT_EQ(m.grdNames->cellIcon(i + 1, 4), expectedIcon(i)) << i;

    m.MeetingInList = QStringLiteral("( '0812SAND')");
    m.LoadTrainerGrid();
    ASSERT_EQ(m.grdNames->rows(), 6);
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(m.grdNames->cellIcon(i + 1, 4), expectedIcon(i)) << i;
}

// Names and meeting codes group and order as the database compares them (A-Z
// without regard to case); equal runners keep the order they were stored in,
// and a group is named after its first runner.
TEST(MainTrainers, LetterCaseVariantsGroupAndOrderAsTheDatabaseCompares)
{
    MainFixture f;
    f.addMeeting(QStringLiteral("0712FLEM"), QStringLiteral("NOM"));
    f.addMeeting(QStringLiteral("0812SAND"), QStringLiteral("NOM"));
    f.addRunner(QStringLiteral("0812SAND"), 1, QStringLiteral("T Brown"), QStringLiteral("H1"));
    f.addRunner(QStringLiteral("0712FLEM"), 2, QStringLiteral("t brown"), QStringLiteral("H2"));
    f.addRunner(QStringLiteral("0712flem"), 2, QStringLiteral("T BROWN"), QStringLiteral("H3")); // same race
    f.addRunner(QStringLiteral("0712FLEM"), 1, QStringLiteral("a clark"), QStringLiteral("H4"));
    f.addRunner(QStringLiteral("0712FLEM"), 5, QStringLiteral("t Brown"), QStringLiteral("H5"));
    f.db().exec(QStringLiteral("UPDATE Noms SET RaceNumber = Null WHERE Horse = 'H5'")); // Null sorts first
    f.addRunner(QStringLiteral("0812SAND"), 1, QStringLiteral("B Able"), QStringLiteral("H6"));

    Main& m = f.main();
    m.LoadTrainerGrid();
    EXPECT_EQ(columnTexts(m.grdNames, 1), (QStringList{"a clark", "B Able", "t Brown"}));
    EXPECT_EQ(columnTexts(m.grdNames, 2), (QStringList{"1", "1", "4"}));
    EXPECT_EQ(columnTexts(m.grdNames, 3), (QStringList{"1", "1", "3"}));
}

// Form trainers spelt alike but for letter case match the same rides, on the
// one-pass way to the placings as on the look-ups.
TEST(MainTrainers, BestPlacingsOfFormTrainersDifferingInCase)
{
    for (const int others : {0, 240})
    {
        MainFixture f;
        f.addMeeting(QStringLiteral("0712FLEM"), QStringLiteral("NOM"));
        f.addJockey(QStringLiteral("J Smith"), QStringLiteral(" 255"));
        DaoDatabase db = f.db().db();
        db.BeginTrans();
        for (int i = 0; i < others; ++i)
            f.addRunner(QStringLiteral("0712FLEM"), 2, QStringLiteral("Trainer %1").arg(i, 3, 10, QLatin1Char('0')),
                        QStringLiteral("H%1").arg(i));
        f.addRunner(QStringLiteral("0712FLEM"), 1, QStringLiteral("A Smith"), QStringLiteral("X1"), 560, QString(),
                    QString(), QStringLiteral("A SMITH"));
        f.addRunner(QStringLiteral("0712FLEM"), 1, QStringLiteral("Alan Smith"), QStringLiteral("X2"), 560, QString(),
                    QString(), QStringLiteral("a smith"));
        f.addRide(QStringLiteral("J SMITH"), QStringLiteral("X"), 1, QStringLiteral("A Smith"));
        db.CommitTrans();

        Main& m = f.main();
        f.loadJockeys();
        m.LoadTrainerGrid();
        ASSERT_EQ(m.grdNames->rows(), others + 2);
        for (const QString& trainer : {QStringLiteral("A Smith"), QStringLiteral("Alan Smith")})
        {
            const int row = MainFixture::rowOf(m.grdNames, trainer);
            ASSERT_GE(row, 1) << trainer.toStdString();
            EXPECT_EQ(m.grdNames->cellIcon(row, 4), ImageList::IconBestWin) << trainer.toStdString() << " " << others;
        }
    }
}

// ---- Icon jockey -------------------------------------------------------------------------

TEST(MainJockeys, IconJockeyNarrowsThePlacingsAndReloadsTheList)
{
    MainFixture f;
    f.addMeeting(QStringLiteral("0712FLEM"), QStringLiteral("NOM"));
    f.addRunner(QStringLiteral("0712FLEM"), 1, QStringLiteral("A Adams"), QStringLiteral("Alpha"));
    f.addRunner(QStringLiteral("0712FLEM"), 2, QStringLiteral("B Bell"), QStringLiteral("Bravo"));
    f.addJockey(QStringLiteral("J Smith"), QStringLiteral(" 255"));
    f.addJockey(QStringLiteral("K Jones"), QStringLiteral(" 65280"));
    f.addRide(QStringLiteral("J SMITH"), QStringLiteral("X"), 1, QStringLiteral("A ADAMS"));
    f.addRide(QStringLiteral("K JONES"), QStringLiteral("Y"), 2, QStringLiteral("B BELL"));
    Main& m = f.main();
    f.loadJockeys();
    m.LoadTrainerGrid();
    EXPECT_EQ(m.grdNames->cellIcon(1, 4), ImageList::IconBestWin);
    EXPECT_EQ(m.grdNames->cellIcon(2, 4), ImageList::IconBestPlaced);

    // Nobody picked: the message, and nothing else.
    Prompts::Script prompts;
    prompts.answerMsgBox(Prompts::vbOK);
    m.grdJockey->clearSelectedCells();
    m.mnuSelJckIcn->trigger();
    ASSERT_EQ(prompts.messages().size(), 1);
    EXPECT_EQ(prompts.messages()[0].text, QStringLiteral("Jockey Must be Seleted for Icons."));
    EXPECT_EQ(m.grdNames->cellIcon(2, 4), ImageList::IconBestPlaced);

    // J Smith chosen: only his rides count; the boxes are emptied.
    m.TxtTrainPhone->setText(QStringLiteral("123"));
    m.grdJockey->setSelectedCell(MainFixture::rowOf(m.grdJockey, QStringLiteral("J Smith")), 1);
    m.mnuSelJckIcn->trigger();
    EXPECT_EQ(modJockey::gIconJockey, QStringLiteral("J Smith"));
    EXPECT_EQ(m.grdJockey->cellIcon(MainFixture::rowOf(m.grdJockey, QStringLiteral("J Smith")), 1),
              ImageList::IconBestPlaced);
    EXPECT_EQ(m.grdNames->cellIcon(1, 4), ImageList::IconBestWin);
    EXPECT_EQ(m.grdNames->cellIcon(2, 4), -1);
    EXPECT_TRUE(m.TxtTrainPhone->text().isEmpty());

    // Chosen again: back to all jockeys.
    m.mnuSelJckIcn->trigger();
    EXPECT_TRUE(modJockey::gIconJockey.isEmpty());
    EXPECT_EQ(m.grdNames->cellIcon(2, 4), ImageList::IconBestPlaced);
    EXPECT_TRUE(prompts.unexpected().isEmpty());
}
