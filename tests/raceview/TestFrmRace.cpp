// The race view window: opening in both modes, headers, race list,
// navigation, layout, and every rule of the field grid.
#include "RaceViewFixture.h"

#include "core/modJockeyStats.h"
#include "platform/ComboEx.h"
#include "platform/ImageList.h"
#include "platform/PopMenu.h"
#include "platform/Prompts.h"
#include "platform/WindowFit.h"
#include "raceview/MeetingReport.h"
#include "support/QtPrinters.h"

#include <QApplication>
#include <QScreen>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTest>
#include <QTextEdit>

#include <algorithm>

namespace
{
const QString FLEM = QStringLiteral("0712FLEM");
const QString SAND = QStringLiteral("0812SAND");

using F = FrmRace;

class FrmRaceTest : public RaceViewTest
{
protected:
    // Flemington at weights: races 1 to 3 (race 3 at 2:35 pm with
    // apprentices), runners in races 1 and 3; Sandown with race 1 only.
    void SetUp() override
    {
        RaceViewTest::SetUp();
        addMeeting(FLEM, QStringLiteral("WGT"));
        addMeeting(SAND, QStringLiteral("NOM"), QStringLiteral("Sandown"));
        addRace(FLEM, 1, QStringLiteral("1200 MDN"), QStringLiteral("00:01:00"));
        addRace(FLEM, 2, QStringLiteral("1400 BM70"));
        addRace(FLEM, 3, QStringLiteral("1600 BM70"), QStringLiteral("14:35:00"), true,
                QStringLiteral("Benchmark 70 Handicap"));
        addRace(SAND, 1, QStringLiteral("1000 2YO"));
        addRunner(FLEM, 1, 1, QStringLiteral("Alpha"), QStringLiteral("Tom Hill"));
        addRunner(FLEM, 3, 2, QStringLiteral("Bravo"), QStringLiteral("Tom Hill"));
        addRunner(FLEM, 3, 1, QStringLiteral("Charlie"), QStringLiteral("Ann Lee"));
        addRunner(SAND, 1, 1, QStringLiteral("Sandy"), QStringLiteral("Ann Lee"));
    }
};

// ---- Opening ---------------------------------------------------------------------

TEST_F(FrmRaceTest, SingleRaceModeShowsHeadersAndOffersRatings)
{
    FrmRace& f = open(FLEM, 3);
    EXPECT_FALSE(f.WholeMeeting);
    EXPECT_EQ(f.RaceNumber, 3);
    EXPECT_TRUE(f.cmdRating->isEnabled());
    EXPECT_EQ(f.txtMeeting->text(), FLEM);
    EXPECT_EQ(f.txtMeetingDetails->text(), QStringLiteral("Flemington, Saturday 7 Dec Barriers drawn"));
    EXPECT_EQ(f.txtMeetingType->text(), QStringLiteral("WGT"));
    EXPECT_EQ(f.lblState->text(), QStringLiteral("VIC"));
    EXPECT_EQ(f.lblMetro->text(), QStringLiteral("M"));
    EXPECT_EQ(f.lblRaceTxt->text(), QStringLiteral(" BM70")); // from the fifth character
    EXPECT_EQ(f.windowTitle(), QStringLiteral("Flemington- Race :3"));
    EXPECT_EQ(f.txtRace->toPlainText(),
              QStringLiteral("Race :3     02:35 PM           Apprentices can claim.\nBenchmark 70 Handicap\n"));
    EXPECT_FALSE(f.grdRace->colVisible(F::ColRaceLabel));
    EXPECT_EQ(f.grdRace->groupColumn(), 0);
    // Only race 3's runners, by entry number.
    ASSERT_EQ(f.grdRace->rows(), 2);
    EXPECT_EQ(f.grdRace->cellText(1, F::ColHorse), QStringLiteral("Charlie"));
    EXPECT_EQ(f.grdRace->cellText(2, F::ColHorse), QStringLiteral("Bravo"));

    EXPECT_EQ(f.cmdExit->text(), QStringLiteral("E&xit"));
    EXPECT_EQ(f.cmdRating->text(), QStringLiteral("Update &Ratings"));
    EXPECT_EQ(f.cmdCalcWgts->text(), QStringLiteral("Caculate &Weights"));
    EXPECT_EQ(f.CmdUpdExtra->text(), QStringLiteral("Update &Extras"));
    EXPECT_EQ(f.cmdPrint->text(), QStringLiteral("&Print Meeting"));
    EXPECT_EQ(f.lblJockey->text(), QStringLiteral("Jockey for Drag drop"));
    EXPECT_TRUE(f.lblJockey->isHidden());
    EXPECT_TRUE(f.lblBackColor->isHidden());
    EXPECT_TRUE(f.cmbJockey->isHidden());
    EXPECT_TRUE(f.cmbBookText->isHidden());
}

TEST_F(FrmRaceTest, WholeMeetingModeGroupsAndRefusesRatings)
{
    FrmRace& f = open(FLEM, 0);
    EXPECT_TRUE(f.WholeMeeting);
    EXPECT_FALSE(f.cmdRating->isEnabled());
    EXPECT_EQ(f.windowTitle(), QStringLiteral("Flemington"));
    EXPECT_TRUE(f.txtRace->toPlainText().isEmpty());
    EXPECT_TRUE(f.grdRace->colVisible(F::ColRaceLabel));
    EXPECT_EQ(f.grdRace->groupColumn(), int(F::ColRaceLabel));
    EXPECT_EQ(f.grdRaces->columns(), 3);
    EXPECT_FALSE(f.grdRaces->colVisible(3));
    EXPECT_EQ(f.grdRaces->colKey(3), QStringLiteral("RaceRow"));
}

TEST_F(FrmRaceTest, PopMenusAreBuiltWithTheirItems)
{
    FrmRace& f = open(FLEM, 3);
    PopMenu* m = f.popMenu();
    ASSERT_TRUE(m->restore(QStringLiteral("Race")));
    ASSERT_EQ(m->count(), 6);
    const QStringList keys{QStringLiteral("Horse Form"), QStringLiteral("Rego"), QStringLiteral("Rating"),
                           QStringLiteral("Jockey"), QStringLiteral("Trainer"), QStringLiteral("Video")};
    const QList<int> icons{9, 2, 8, 4, 3, 10};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(m->item(i + 1).key, keys[i]);
        EXPECT_EQ(m->item(i + 1).icon, icons[i]);
        EXPECT_EQ(m->item(i + 1).enabled, i != 5);
    }
    EXPECT_EQ(m->item(2).caption, QStringLiteral("&Rego Seach"));
    EXPECT_EQ(m->item(3).helpText, QStringLiteral("Display Horse Racting(Vic)"));
    ASSERT_TRUE(m->restore(QStringLiteral("Jockey")));
    ASSERT_EQ(m->count(), 2);
    EXPECT_EQ(m->item(2).caption, QStringLiteral("Select Jockey for Icons"));
    EXPECT_EQ(m->item(2).key, QStringLiteral("SelJockeyIcon"));
}

// ---- Race header -------------------------------------------------------------------------

TEST_F(FrmRaceTest, RaceHeaderWithoutTimeAndWithoutApprentices)
{
    FrmRace& f = open(FLEM, 1); // 00:01 AM stands for no time
    EXPECT_EQ(f.txtRace->toPlainText(),
              QStringLiteral("Race :1         No Allowances for apprentices.\nHandicap 1200m\n"));
    // "Race :" and the number: bold, 12 points, blue; the line after it 9.25 points.
    QTextCursor c(f.txtRace->document());
    c.setPosition(2);
    EXPECT_TRUE(c.charFormat().font().bold());
    EXPECT_DOUBLE_EQ(c.charFormat().fontPointSize(), 12);
    EXPECT_EQ(c.charFormat().foreground().color(), QColor(0, 0, 255));
    c.setPosition(12);
    EXPECT_TRUE(c.charFormat().font().bold());
    EXPECT_DOUBLE_EQ(c.charFormat().fontPointSize(), 9.25);
    c.movePosition(QTextCursor::End);
    EXPECT_FALSE(c.charFormat().font().bold());

    // A race with no time at all, and a race without a row.
    db.exec(QStringLiteral("UPDATE Race SET RaceTime = NULL WHERE RaceNumber = 2"));
    open(FLEM, 2);
    EXPECT_TRUE(form->txtRace->toPlainText().startsWith(QStringLiteral("Race :2         No Allowances")));
    open(FLEM, 7);
    EXPECT_TRUE(form->txtRace->toPlainText().isEmpty());
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Flemington- Race :7"));
}

// ---- Race list and navigation ---------------------------------------------------------------

TEST_F(FrmRaceTest, RaceListSkipsRace99AndForgetsAnEarlierMeeting)
{
    addRace(FLEM, 99, QStringLiteral("SCRATCHINGS"));
    FrmRace& f = open(FLEM, 1);
    ASSERT_EQ(f.grdRaces->rows(), 3);
    EXPECT_EQ(f.grdRaces->cellText(3, 1), QStringLiteral("3"));
    EXPECT_EQ(f.grdRaces->cellText(3, 2), QStringLiteral("1600 BM70"));
    EXPECT_EQ(f.RaceCodeOf(2), QStringLiteral("1400 BM70"));
    EXPECT_FALSE(f.RaceTable.contains(99));

    // Sandown has race 1 only: race 2's code of Flemington must not survive.
    f.grdMeeting->setSelectedCell(gridRow(f.grdMeeting, SAND), 1);
    f.grdMeeting_OnMouseUp(1, 0, 0, 0);
    EXPECT_EQ(f.MeetingCode, SAND);
    EXPECT_EQ(f.RaceNumber, 1);
    EXPECT_EQ(f.RaceCodeOf(1), QStringLiteral("1000 2YO"));
    EXPECT_TRUE(f.RaceCodeOf(2).isEmpty());
    EXPECT_EQ(f.grdRaces->rows(), 1);
    EXPECT_EQ(f.windowTitle(), QStringLiteral("Sandown- Race :1"));
    ASSERT_EQ(f.grdRace->rows(), 1);
    EXPECT_EQ(f.grdRace->cellText(1, F::ColHorse), QStringLiteral("Sandy"));
}

TEST_F(FrmRaceTest, SingleRaceNavigationAndRightButtonChangesNothing)
{
    FrmRace& f = open(FLEM, 3);
    f.grdRaces->setSelectedCell(1, 2);
    f.grdRaces_OnMouseUp(2, 0, 0, 0); // right button
    EXPECT_EQ(f.RaceNumber, 3);
    EXPECT_EQ(f.grdRace->rows(), 2);
    f.grdRaces_OnMouseUp(1, 0, 0, 0);
    EXPECT_EQ(f.RaceNumber, 1);
    EXPECT_EQ(f.windowTitle(), QStringLiteral("Flemington- Race :1"));
    ASSERT_EQ(f.grdRace->rows(), 1);
    EXPECT_EQ(f.grdRace->cellText(1, F::ColHorse), QStringLiteral("Alpha"));

    // Another meeting always starts at its race 1; a right click does nothing.
    f.grdRaces->setSelectedCell(3, 1);
    f.grdRaces_OnMouseUp(1, 0, 0, 0);
    f.grdMeeting->setSelectedCell(gridRow(f.grdMeeting, SAND), 1);
    f.grdMeeting_OnMouseUp(2, 0, 0, 0);
    EXPECT_EQ(f.MeetingCode, FLEM);
    f.grdMeeting_OnMouseUp(1, 0, 0, 0);
    EXPECT_EQ(f.MeetingCode, SAND);
    EXPECT_EQ(f.RaceNumber, 1);
    // The main window's members are read at load only, never written.
    EXPECT_EQ(gMainState.strMeetingCur, FLEM);
    EXPECT_EQ(gMainState.IntRace, 3);
}

TEST_F(FrmRaceTest, WholeMeetingNavigationScrollsToTheRaceAndMarksIt)
{
    for (int i = 0; i < 12; ++i)
        addRunner(FLEM, 2, i + 1, QStringLiteral("Filler %1").arg(i), QStringLiteral("Tom Hill"));
    FrmRace& f = open(FLEM, 0);
    const int group3 = f.GroupRowOf(3);
    ASSERT_GT(group3, 0);
    EXPECT_TRUE(f.grdRace->isGroupRow(group3));

    f.grdRaces->setSelectedCell(3, 1);
    f.grdRaces_OnMouseUp(1, 0, 0, 0);
    EXPECT_EQ(f.RaceNumber, 3);
    EXPECT_EQ(f.grdRace->selectedRow(), group3);
    EXPECT_EQ(f.grdRace->selectionColor(), 0xFFFF);
    EXPECT_EQ(f.grdRace->rows(), 3 + 1 + 12 + 2); // runners and three group rows
    // A click on the field brings the usual highlight back.
    emit f.grdRace->mouseUp(1, 0, 5, 5);
    EXPECT_EQ(f.grdRace->selectionColor(), 0x8000000D);

    // Another meeting keeps the mode and the race number; its race 3 has no
    // row, so the header stays empty.
    f.grdMeeting->setSelectedCell(gridRow(f.grdMeeting, SAND), 1);
    f.grdMeeting_OnMouseUp(1, 0, 0, 0);
    EXPECT_EQ(f.RaceNumber, 3);
    EXPECT_TRUE(f.WholeMeeting);
    EXPECT_EQ(f.windowTitle(), QStringLiteral("Sandown- Race :3"));
    EXPECT_EQ(f.grdRace->rows(), 2);
    EXPECT_EQ(f.GroupRowOf(3), 0);
    // Race 3 is not in this meeting: picking a race row that has no group does nothing.
    f.RaceTable[5].raceCode = QStringLiteral("1000 X");
    f.grdRaces->setRows(2);
    f.grdRaces->setCellText(2, 1, QStringLiteral("5"));
    f.grdRaces->setSelectedCell(2, 1);
    f.grdRaces_OnMouseUp(1, 0, 0, 0);
    EXPECT_EQ(f.grdRace->selectionColor(), 0x8000000D);
}

// ---- Layout ---------------------------------------------------------------------------------------

TEST_F(FrmRaceTest, LayoutRoundTripKeepsOrderWidthsAndGeometry)
{
    FrmRace& f = open(FLEM, 3);
    f.grdRace->setColPosition(F::ColTrainer, 1);
    f.grdRace->setColWidth(F::ColHorse, 177);
    f.move(40, 60);
    f.resize(1100, 700);
    const QString order = f.grdRace->colOrderList();
    f.Form_Unload();
    EXPECT_EQ(gAppSettings.RaceRaceOrder, order);
    EXPECT_EQ(gAppSettings.RaceRaceWidth.split(QLatin1Char(',')).size(), 31);
    EXPECT_EQ(gAppSettings.RaceRaceWidth.split(QLatin1Char(','))[3], QStringLiteral("177"));
    EXPECT_FALSE(gAppSettings.RaceMax);
    EXPECT_EQ(gAppSettings.RaceWidth, 1100 * 15);
    EXPECT_EQ(gAppSettings.RaceHeight, 700 * 15);
    // Saved to the registry store, not only in memory.
    cAppSettings reread;
    reread.LoadSettings();
    EXPECT_EQ(reread.RaceRaceOrder, order);

    gMainState.strMeetingCur = FLEM;
    gMainState.IntRace = 1;
    FrmRace again;
    again.Form_Load();
    EXPECT_EQ(again.grdRace->colPosition(F::ColTrainer), 1);
    EXPECT_EQ(again.grdRace->colOrderList(), order);
    EXPECT_EQ(again.grdRace->colWidth(F::ColHorse), 177);
    EXPECT_EQ(again.width(), 1100);
    EXPECT_EQ(again.height(), 700);
}

// With no stored size (the first time the window opens, or after the stored
// values were cleared) the window must still be big enough to work in: the
// field grid needs room for a full field, not two rows.
TEST_F(FrmRaceTest, FirstOpenWithoutStoredSizeLeavesRoomForAField)
{
    // Opened as the main window opens it: with a parent.
    QWidget main;
    gMainState.strMeetingCur = FLEM;
    gMainState.IntRace = 3;
    FrmRace f(&main);
    f.Form_Load();
    f.show();
    QApplication::processEvents();
    const QSize room = f.screen()->availableSize();
    EXPECT_GE(f.width(), std::min(1100, room.width()));
    EXPECT_GE(f.height(), std::min(700, room.height()));
    EXPECT_GE(f.grdRace->height(), 14 * 18);
}

TEST_F(FrmRaceTest, MaximisedLayoutAndShortWidthLists)
{
    gAppSettings.RaceMax = true;
    gAppSettings.RaceLeft = 3000;
    gAppSettings.RaceWidth = 9000;
    gAppSettings.RaceRaceWidth = QStringLiteral(",0,-5,120");
    FrmRace& f = open(FLEM, 3);
    EXPECT_TRUE(f.windowState() & Qt::WindowMaximized);
    EXPECT_EQ(f.grdRace->colWidth(F::ColHorse), 120);
    // The set-up widths: the layout's widths made for the font in use.
    const auto made = [&](int col, int design) {
        Grid probe;
        probe.setFont(f.grdRace->font());
        return probe.colWidth(probe.addColumn(QString(), f.grdRace->colHeader(col), design));
    };
    EXPECT_EQ(f.grdRace->colWidth(F::ColNbr), made(F::ColNbr, 20));
    EXPECT_EQ(f.grdRace->colWidth(F::ColRace), made(F::ColRace, 20));
    EXPECT_EQ(f.grdRace->colWidth(F::ColForm), made(F::ColForm, 55));
    f.Form_Unload();
    EXPECT_TRUE(gAppSettings.RaceMax);
    EXPECT_EQ(gAppSettings.RaceLeft, 3000);
    EXPECT_EQ(gAppSettings.RaceWidth, 9000);
}

TEST_F(FrmRaceTest, FirstStartShowsTheWholeFieldAndASavedWidthStays)
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    ASSERT_NE(screen, nullptr);
    ASSERT_EQ(screen->availableGeometry().size(), QSize(1920, 1080));
    const int most = static_cast<int>(screen->availableGeometry().width() * 0.95);
    for (int race : {3, 0}) { // one race, then the whole meeting with its race column
        SCOPED_TRACE(race);
        gAppSettings.RaceMax = false;
        gAppSettings.RaceLeft = gAppSettings.RaceTop = gAppSettings.RaceWidth = gAppSettings.RaceHeight = 0;
        gMainState.strMeetingCur = FLEM;
        gMainState.IntRace = static_cast<qint16>(race);
        FrmRace first;
        first.resize(1000, 700); // the size a window takes before anything is saved
        first.Form_Load();
        EXPECT_LE(first.width(), most);
        first.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&first));
        // As wide as the whole field needs, or as the screen allows.
        Grid* g = first.grdRace;
        const int needed = WindowFit::WidthShowingColumns(&first, g);
        EXPECT_EQ(first.width(), std::min(needed, most));
        EXPECT_GT(needed, first.width() - g->width() + 1000); // the field alone is wider than the old window
        // The columns a booking is made from are in view without scrolling
        // sideways; with the screen wide enough, every column is.
        std::vector<int> inView{F::ColHorse, F::ColTrainer, F::ColJockey, F::ColBooking, F::ColLastJockey};
        if (race == 0)
            inView.push_back(F::ColRaceLabel);
        if (needed <= most) {
            EXPECT_EQ(g->horizontalScrollBar()->maximum(), 0);
            for (int c = 1; c <= g->columns(); ++c) {
                if (g->colVisible(c))
                    inView.push_back(c);
            }
        }
        for (int c : inView) {
            EXPECT_TRUE(g->colVisible(c)) << g->colKey(c).toStdString();
            EXPECT_LE(g->cellRect(1, c).right(), g->viewport()->width()) << g->colKey(c).toStdString();
        }
        EXPECT_GT(first.width(), 1000);
        first.Form_Unload();
    }

    // A saved width is applied as saved, however narrow for the field.
    gAppSettings.RaceWidth = 900 * 15;
    gAppSettings.RaceHeight = 600 * 15;
    gMainState.IntRace = 3;
    FrmRace saved;
    saved.Form_Load();
    EXPECT_EQ(saved.width(), 900);
    EXPECT_EQ(saved.height(), 600);
}

// ---- Columns ---------------------------------------------------------------------------------------

TEST_F(FrmRaceTest, FieldColumnsAndTheStageColumn)
{
    FrmRace& f = open(FLEM, 3); // weights
    Grid* g = f.grdRace;
    ASSERT_EQ(g->columns(), 31);
    EXPECT_EQ(g->colKey(1), QStringLiteral("Nbr"));
    EXPECT_EQ(g->colHeader(11), QStringLiteral("Bmk "));
    EXPECT_EQ(g->colWidth(14), g->scaledWidth(120));
    EXPECT_EQ(g->colKey(21), QStringLiteral("Last Ride Days"));
    EXPECT_EQ(g->colHeader(29), QStringLiteral("600"));
    EXPECT_EQ(g->colSortType(23), Grid::SortItemData);
    EXPECT_EQ(g->colSortType(5), Grid::SortIcon);
    EXPECT_FALSE(g->colVisible(2));
    EXPECT_FALSE(g->colVisible(19));
    EXPECT_FALSE(g->colVisible(30));
    EXPECT_EQ(g->colHeaderAlignment(12), Qt::AlignRight);
    for (int c : {5, 6, 8, 9, 10, 11, 25, 26, 29})
        EXPECT_EQ(g->colTag(c), QStringLiteral("Desc")) << c;
    for (int c : {1, 4, 7, 14, 16, 18, 20, 23})
        EXPECT_TRUE(g->colTag(c).isEmpty()) << c;
    EXPECT_EQ(g->colKey(18), QStringLiteral("Ballot"));
    EXPECT_EQ(g->colHeader(18), QStringLiteral("Bllt"));
    EXPECT_TRUE(g->colVisible(18));
    EXPECT_EQ(g->colSortType(18), Grid::SortText);

    db.exec(QStringLiteral("UPDATE Meeting SET MeetingLevel = 'ACP' WHERE MeetingCode = ?"), {FLEM});
    open(FLEM, 3);
    EXPECT_EQ(form->grdRace->colKey(18), QStringLiteral("Barr"));
    EXPECT_EQ(form->grdRace->colHeader(18), QStringLiteral("Bar"));
    // Scaled to the font like every other column, and never narrower than
    // its caption.
    EXPECT_EQ(form->grdRace->colWidth(18), std::max(form->grdRace->scaledWidth(25),
                                                    form->grdRace->horizontalHeader()->sectionSizeHint(17)));
    EXPECT_NE(form->grdRace->colWidth(18), 25);
    EXPECT_EQ(form->grdRace->colSortType(18), Grid::SortNumeric);

    for (const char* stage : {"NOM", "N/A", "XYZ"}) {
        db.exec(QStringLiteral("UPDATE Meeting SET MeetingLevel = ? WHERE MeetingCode = ?"),
                {QString::fromLatin1(stage), FLEM});
        open(FLEM, 3);
        ASSERT_EQ(form->grdRace->columns(), 31) << stage;
        EXPECT_EQ(form->grdRace->colKey(18), QStringLiteral("N/A")) << stage;
        EXPECT_FALSE(form->grdRace->colVisible(18)) << stage;
        EXPECT_EQ(form->grdRace->colKey(20), QStringLiteral("LastJockey")) << stage;
    }
    // A meeting without its row: no stage at all, still 31 columns, and the
    // last rider lands in its own column.
    open(QStringLiteral("0101NONE"), 1);
    addRunner(QStringLiteral("0101NONE"), 1, 1, QStringLiteral("Lonely"), QStringLiteral("Tom Hill"),
              {{QStringLiteral("LastJockey"), QStringLiteral("K Ray")}, {QStringLiteral("FormTrainer"), QStringLiteral("X")}});
    form->LoadRaceField();
    ASSERT_EQ(form->grdRace->columns(), 31);
    EXPECT_EQ(form->grdRace->cellText(1, F::ColLastJockey), QStringLiteral("K Ray"));
    EXPECT_EQ(form->grdRace->cellText(1, F::ColFormTrainer), QStringLiteral("X"));
}

TEST_F(FrmRaceTest, StageColumnFollowsTheMeetingShown)
{
    // Opened on a nominations meeting, then switched to a weights meeting:
    // the ballots are shown under the weights caption.
    addRunner(FLEM, 1, 2, QStringLiteral("Delta"), QStringLiteral("Tom Hill"),
              {{QStringLiteral("Ballot"), QStringLiteral("4=")}});
    FrmRace& f = open(SAND, 1);
    EXPECT_FALSE(f.grdRace->colVisible(18));
    f.grdMeeting->setSelectedCell(gridRow(f.grdMeeting, FLEM), 1);
    f.grdMeeting_OnMouseUp(1, 0, 0, 0);
    EXPECT_EQ(f.grdRace->colHeader(18), QStringLiteral("Bllt"));
    EXPECT_TRUE(f.grdRace->colVisible(18));
    EXPECT_EQ(f.grdRace->cellText(rowOf(QStringLiteral("Delta")), 18), QStringLiteral("4="));
}

// ---- Cells ----------------------------------------------------------------------------------------------

TEST_F(FrmRaceTest, BookingLooksForPlannedConfirmedColourlessAndNone)
{
    addJockey(QStringLiteral("John Smith"), QStringLiteral(" 255"));
    addJockey(QStringLiteral("Pale Rider"), QVariant());
    addJockey(QStringLiteral("Kay Ray"), QStringLiteral(" 65280"));
    addRunner(FLEM, 2, 1, QStringLiteral("Planned One"), QStringLiteral("Tom Hill"),
              {{QStringLiteral("Jockey"), QStringLiteral("Pub Lished")}, {QStringLiteral("LastJockey"), QStringLiteral("Kay Ray")}});
    addRunner(FLEM, 2, 2, QStringLiteral("Confirmed One"), QStringLiteral("Tom Hill"),
              {{QStringLiteral("Form"), QStringLiteral(" 1x2 ")}, {QStringLiteral("Class"), QStringLiteral("BM70")},
               {QStringLiteral("TrainerLocation"), QStringLiteral("Caulfield")},
               {QStringLiteral("LastJockey"), QStringLiteral("Nobody Known")}});
    addRunner(FLEM, 2, 3, QStringLiteral("Colourless"), QStringLiteral("Tom Hill"),
              {{QStringLiteral("Jockey"), QStringLiteral("Pub Lished")}});
    addRunner(FLEM, 2, 4, QStringLiteral("Unbooked"), QStringLiteral("Tom Hill"),
              {{QStringLiteral("Jockey"), QStringLiteral("Pub Lished")}});
    addBooking(FLEM, QStringLiteral("Planned One"), QStringLiteral("John Smith"), QStringLiteral("Planned"));
    addBooking(FLEM, QStringLiteral("Confirmed One"), QStringLiteral("John Smith"), QStringLiteral("Confirmed"), true);
    addBooking(FLEM, QStringLiteral("Colourless"), QStringLiteral("Pale Rider"), QStringLiteral("Confirmed"), true);
    gMainState.strMeetingType = QStringLiteral("ACP");

    FrmRace& f = open(FLEM, 2);
    Grid* g = f.grdRace;
    const int planned = rowOf(QStringLiteral("Planned One"));
    const int confirmed = rowOf(QStringLiteral("Confirmed One"));
    const int colourless = rowOf(QStringLiteral("Colourless"));
    const int unbooked = rowOf(QStringLiteral("Unbooked"));

    // Planned: the jockey cell alone takes the colour; the published rider
    // shows blue because the last file imported was not nominations.
    EXPECT_EQ(g->cellText(planned, 14), QStringLiteral("John Smith"));
    EXPECT_EQ(g->cellBackColor(planned, 14), 255);
    EXPECT_EQ(g->cellForeColor(planned, 14), 16711680);
    EXPECT_EQ(g->cellBackColor(planned, 4), -1);
    EXPECT_EQ(g->cellText(planned, 16), QStringLiteral("Planned"));
    EXPECT_EQ(g->cellIcon(planned, 16), -1);
    EXPECT_EQ(g->cellBackColor(planned, 20), 65280); // the last rider's own colour

    // Confirmed: every written cell takes the colour but the race label,
    // location and sort key; the last rider without a colour takes the row's.
    for (int c : {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 16, 20, 21, 22, 23, 24, 29, 30})
        EXPECT_EQ(g->cellBackColor(confirmed, c), 255) << c;
    EXPECT_EQ(g->cellBackColor(confirmed, 17), -1);
    EXPECT_EQ(g->cellText(confirmed, 17), QStringLiteral("Caulfield"));
    EXPECT_EQ(g->cellIcon(confirmed, 16), ImageList::IconConfirmed);
    EXPECT_EQ(g->cellText(confirmed, 3), QStringLiteral("1x2"));
    EXPECT_EQ(g->cellIndent(confirmed, 3), 3);
    EXPECT_EQ(g->cellIndent(confirmed, 13), 3);
    EXPECT_EQ(g->cellIndent(confirmed, 4), 5);
    EXPECT_EQ(g->cellForeColor(confirmed, 14), -1); // no published rider

    // A jockey without a colour: name, status and icon, no colours.
    EXPECT_EQ(g->cellText(colourless, 14), QStringLiteral("Pale Rider"));
    EXPECT_EQ(g->cellBackColor(colourless, 14), -1);
    EXPECT_EQ(g->cellBackColor(colourless, 4), -1);
    EXPECT_EQ(g->cellText(colourless, 16), QStringLiteral("Confirmed"));
    EXPECT_EQ(g->cellIcon(colourless, 16), ImageList::IconConfirmed);

    // No booking: the published rider, no status.
    EXPECT_EQ(g->cellText(unbooked, 14), QStringLiteral("Pub Lished"));
    EXPECT_EQ(g->cellBackColor(unbooked, 14), -1);
    EXPECT_TRUE(g->cellText(unbooked, 16).isEmpty());

    // At nominations the published rider is not blue.
    gMainState.strMeetingType = QStringLiteral("NOM");
    f.LoadRaceField();
    EXPECT_EQ(g->cellForeColor(rowOf(QStringLiteral("Unbooked")), 14), -1);
}

TEST_F(FrmRaceTest, TwoBookingsDifferingByTrailingBlanksShowTheRunnerOnceWithTheLatest)
{
    // An older file: the field file padded the runner's name, the booking on
    // the plain name stayed hidden, and the manager booked the horse again.
    addJockey(QStringLiteral("Old Rider"), QStringLiteral(" 65280"));
    addJockey(QStringLiteral("John Smith"), QStringLiteral(" 255"));
    addRunner(FLEM, 2, 1, QStringLiteral("OCEAN BREEZE "), QStringLiteral("Tom Hill"));
    addRunner(FLEM, 2, 2, QStringLiteral("Unbooked"), QStringLiteral("Tom Hill"));
    addBooking(FLEM, QStringLiteral("Ocean Breeze"), QStringLiteral("Old Rider"), QStringLiteral("Planned"));
    addBooking(FLEM, QStringLiteral("OCEAN BREEZE "), QStringLiteral("John Smith"), QStringLiteral("Confirmed"), true);

    FrmRace& f = open(FLEM, 2);
    Grid* g = f.grdRace;
    ASSERT_EQ(g->rows(), 2);
    const int ocean = g->cellText(1, F::ColHorse) == QLatin1String("Unbooked") ? 2 : 1;
    EXPECT_EQ(g->cellText(ocean, F::ColJockey), QStringLiteral("John Smith"));
    EXPECT_EQ(g->cellText(ocean, F::ColBooking), QStringLiteral("Confirmed"));
    EXPECT_EQ(g->cellIcon(ocean, F::ColBooking), ImageList::IconConfirmed);

    // The meeting report shows the same booking once.
    QStringList jockeys;
    for (const ReportRow& row : MeetingReport::Rows(FLEM, QStringLiteral("WGT")))
        if (row.value(QStringLiteral("RaceNumber")).toInt() == 2)
            jockeys << row.value(QStringLiteral("JockeyName")).toString();
    std::sort(jockeys.begin(), jockeys.end());
    EXPECT_EQ(jockeys, (QStringList{QString(), QStringLiteral("John Smith")}));

    // Both bookings stay stored.
    EXPECT_EQ(db.count(QStringLiteral("Bookings")), 2);
}

TEST_F(FrmRaceTest, HorseTrainerWeightAndLastStartCells)
{
    addRunner(FLEM, 2, 1, QStringLiteral("Early"), QStringLiteral("Tom Hill"),
              {{QStringLiteral("EorB"), QStringLiteral("E")}, {QStringLiteral("Weight"), 545},
               {QStringLiteral("Rating"), QStringLiteral("72")}, {QStringLiteral("HorseType"), QStringLiteral("m 5")},
               {QStringLiteral("LastJockey"), QStringLiteral("K Ray")}, {QStringLiteral("LastRode"), QDate(2024, 11, 25)},
               {QStringLiteral("LastWeight"), 57.5}, {QStringLiteral("LastRaceClass"), QStringLiteral("78BM")},
               {QStringLiteral("LastRaceValue"), 50000}, {QStringLiteral("LastMargin"), 1.7},
               {QStringLiteral("WgtRat"), 88}, {QStringLiteral("AvgWin"), 12500.5},
               {QStringLiteral("W800400"), QStringLiteral("46.2")}, {QStringLiteral("RSecTime"), 34.81}});
    addRunner(FLEM, 2, 2, QStringLiteral("Back"), QStringLiteral("Ignored Trainer"),
              {{QStringLiteral("EorB"), QStringLiteral("B")}, {QStringLiteral("Weight"), 560},
               {QStringLiteral("LastRode"), QDate(2024, 11, 25)}, {QStringLiteral("LastRaceClass"), QStringLiteral("G1 VRC")}});
    addRunner(FLEM, 2, 3, QStringLiteral("Plain"), QStringLiteral("Tom Hill"),
              {{QStringLiteral("EorB"), QStringLiteral("X")}});
    db.insert(QStringLiteral("Trainer"), {{QStringLiteral("TrainerName"), QStringLiteral("ignored trainer")},
                                          {QStringLiteral("IgnoreTrainer"), true}});
    FrmRace& f = open(FLEM, 2);
    Grid* g = f.grdRace;
    const int early = rowOf(QStringLiteral("Early"));
    const int back = rowOf(QStringLiteral("Back"));
    const int plain = rowOf(QStringLiteral("Plain"));

    EXPECT_EQ(g->cellForeColor(early, 4), 16711680);
    EXPECT_EQ(g->cellForeColor(back, 4), 255);
    EXPECT_EQ(g->cellForeColor(plain, 4), -1);
    EXPECT_EQ(g->cellForeColor(back, 7), 255); // ignored trainer (case ignored)
    EXPECT_EQ(g->cellForeColor(early, 7), -1);

    EXPECT_EQ(g->cellText(early, 10), QStringLiteral("54.5"));
    EXPECT_EQ(g->cellText(back, 10), QStringLiteral("56"));
    EXPECT_TRUE(g->cellText(plain, 10).isEmpty());
    EXPECT_EQ(g->cellText(early, 1), QStringLiteral("1"));
    EXPECT_EQ(g->cellText(early, 2), QStringLiteral(" 2"));
    EXPECT_EQ(g->cellText(early, 11), QStringLiteral("72"));
    EXPECT_EQ(g->cellText(early, 12), QStringLiteral("m 5"));
    EXPECT_EQ(g->cellAlignment(early, 12) & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
    EXPECT_EQ(g->cellAlignment(early, 10) & Qt::AlignHorizontal_Mask, Qt::AlignRight);

    EXPECT_EQ(g->cellText(early, 20), QStringLiteral("K Ray"));
    EXPECT_EQ(g->cellText(early, 21), QStringLiteral("12")); // 25 Nov to 7 Dec
    EXPECT_EQ(g->cellAlignment(early, 21) & Qt::AlignHorizontal_Mask, Qt::AlignRight);
    EXPECT_TRUE(g->cellText(back, 21).isEmpty()); // a date but no last rider
    EXPECT_TRUE(g->cellText(plain, 21).isEmpty());
    EXPECT_EQ(g->cellText(early, 22), QStringLiteral("57.5"));
    EXPECT_EQ(g->cellText(early, 23), QStringLiteral("78BM"));
    EXPECT_EQ(g->cellItemData(early, 23).toInt(), 33);  // benchmark 78
    EXPECT_EQ(g->cellItemData(back, 23).toInt(), 1);    // group 1
    EXPECT_EQ(g->cellItemData(plain, 23).toInt(), 999); // no class
    EXPECT_EQ(g->cellText(early, 24), QStringLiteral("50000"));
    EXPECT_EQ(g->cellText(early, 25), QStringLiteral("1.7"));
    EXPECT_EQ(g->cellText(early, 26), QStringLiteral("88"));
    EXPECT_EQ(g->cellText(early, 27), QStringLiteral("12500.5"));
    EXPECT_EQ(g->cellText(early, 28), QStringLiteral("46.2"));
    EXPECT_EQ(g->cellText(early, 29), QStringLiteral("34.81"));
    EXPECT_EQ(g->cellText(early, 30), QStringLiteral("TOM HILL"));
    EXPECT_TRUE(g->cellText(plain, 22).isEmpty());
}

TEST_F(FrmRaceTest, BallotAndBarrierTextsWithTheirSortKeys)
{
    addRunner(FLEM, 2, 1, QStringLiteral("Zero"), QStringLiteral("T"),
              {{QStringLiteral("Ballot"), QStringLiteral("0")}, {QStringLiteral("EorB"), QStringLiteral("E")},
               {QStringLiteral("Barrier"), 0}});
    addRunner(FLEM, 2, 2, QStringLiteral("Equal"), QStringLiteral("T"),
              {{QStringLiteral("Ballot"), QStringLiteral("4=")}, {QStringLiteral("Barrier"), 7},
               {QStringLiteral("EorB"), QStringLiteral("B")}});
    addRunner(FLEM, 2, 3, QStringLiteral("Empty"), QStringLiteral("T"));
    addRunner(FLEM, 2, 4, QStringLiteral("Odd"), QStringLiteral("T"),
              {{QStringLiteral("Ballot"), QStringLiteral("x7")}});
    FrmRace& f = open(FLEM, 2);
    Grid* g = f.grdRace;
    EXPECT_EQ(g->cellText(rowOf(QStringLiteral("Zero")), 18), QStringLiteral("E"));
    EXPECT_EQ(g->cellText(rowOf(QStringLiteral("Zero")), 19), QStringLiteral("999"));
    EXPECT_EQ(g->cellText(rowOf(QStringLiteral("Equal")), 18), QStringLiteral("4=B"));
    EXPECT_EQ(g->cellText(rowOf(QStringLiteral("Equal")), 19), QStringLiteral("4"));
    EXPECT_TRUE(g->cellText(rowOf(QStringLiteral("Empty")), 18).isEmpty());
    EXPECT_TRUE(g->cellText(rowOf(QStringLiteral("Empty")), 19).isEmpty());
    // Not a number: numerically 0, so like a 0 it shows only its E/B mark
    // (none here) and sorts last.
    EXPECT_TRUE(g->cellText(rowOf(QStringLiteral("Odd")), 18).isEmpty());
    EXPECT_EQ(g->cellText(rowOf(QStringLiteral("Odd")), 19), QStringLiteral("999"));

    db.exec(QStringLiteral("UPDATE Meeting SET MeetingLevel = 'ACP' WHERE MeetingCode = ?"), {FLEM});
    open(FLEM, 2);
    g = form->grdRace;
    EXPECT_EQ(g->cellText(rowOf(QStringLiteral("Equal")), 18), QStringLiteral("7B"));
    EXPECT_EQ(g->cellText(rowOf(QStringLiteral("Equal")), 19), QStringLiteral("7"));
    EXPECT_EQ(g->cellText(rowOf(QStringLiteral("Zero")), 19), QStringLiteral("999"));
    EXPECT_TRUE(g->cellText(rowOf(QStringLiteral("Empty")), 18).isEmpty());

    db.exec(QStringLiteral("UPDATE Meeting SET MeetingLevel = 'NOM' WHERE MeetingCode = ?"), {FLEM});
    open(FLEM, 2);
    EXPECT_TRUE(form->grdRace->cellText(rowOf(QStringLiteral("Equal")), 18).isEmpty());
    EXPECT_TRUE(form->grdRace->cellText(rowOf(QStringLiteral("Equal")), 19).isEmpty());
}

TEST_F(FrmRaceTest, BestPositionsIgnoreCaseAndZeroShowsNoIcon)
{
    addRunner(FLEM, 2, 1, QStringLiteral("Silver Lining (NZ)"), QStringLiteral("Tom Hill"));
    addRunner(FLEM, 2, 2, QStringLiteral("Placed Only"), QStringLiteral("Ann Lee"));
    addRunner(FLEM, 2, 3, QStringLiteral("Never Ridden"), QStringLiteral("Nobody"));
    addRide(QStringLiteral("JOHN SMITH"), QStringLiteral("SILVER LINING"), 3, QStringLiteral("ANN LEE"));
    addRide(QStringLiteral("JOHN SMITH"), QStringLiteral("SILVER LINING"), 1, QStringLiteral("TOM HILL"));
    addRide(QStringLiteral("JOHN SMITH"), QStringLiteral("PLACED ONLY"), 4);
    addRide(QStringLiteral("OTHER RIDER"), QStringLiteral("NEVER RIDDEN"), 1, QStringLiteral("NOBODY"));
    modJockey::gJockeyInList = modJockey::BuildJockeyInList({QStringLiteral("John Smith")});

    FrmRace& f = open(FLEM, 2);
    Grid* g = f.grdRace;
    const int silver = rowOf(QStringLiteral("Silver Lining (NZ)"));
    const int placed = rowOf(QStringLiteral("Placed Only"));
    const int never = rowOf(QStringLiteral("Never Ridden"));
    EXPECT_EQ(g->cellIcon(silver, 5), ImageList::IconBestWin);
    EXPECT_EQ(g->cellIcon(placed, 5), ImageList::IconBestPlaced);
    EXPECT_EQ(g->cellIcon(never, 5), -1);
    EXPECT_EQ(g->cellIcon(silver, 8), ImageList::IconBestWin);    // TOM HILL
    EXPECT_EQ(g->cellIcon(placed, 8), ImageList::IconBestPlaced); // ANN LEE
    EXPECT_EQ(g->cellIcon(never, 8), -1);

    // No managed jockeys: the queries give 0, which is no placing.
    modJockey::gJockeyInList.clear();
    f.LoadRaceField();
    for (int r = 1; r <= g->rows(); ++r) {
        EXPECT_EQ(g->cellIcon(r, 5), -1);
        EXPECT_EQ(g->cellIcon(r, 8), -1);
    }
}

TEST_F(FrmRaceTest, NamesWithApostrophes)
{
    addMeeting(QStringLiteral("0912O'RE"), QStringLiteral("NOM"), QStringLiteral("O'Reilly Park"));
    addRace(QStringLiteral("0912O'RE"), 1, QStringLiteral("1000 O'BRIEN PLATE"));
    addRunner(QStringLiteral("0912O'RE"), 1, 1, QStringLiteral("Baxter's Boy"), QStringLiteral("D O'Brien"));
    addJockey(QStringLiteral("M O'Neil"), QStringLiteral(" 255"));
    addBooking(QStringLiteral("0912O'RE"), QStringLiteral("Baxter's Boy"), QStringLiteral("M O'Neil"),
               QStringLiteral("Planned"));
    addRide(QStringLiteral("M O'NEIL"), QStringLiteral("BAXTER'S BOY"), 2);
    modJockey::gJockeyInList = modJockey::BuildJockeyInList({QStringLiteral("M O'Neil")});
    FrmRace& f = open(QStringLiteral("0912O'RE"), 0);
    EXPECT_EQ(f.windowTitle(), QStringLiteral("O'Reilly Park"));
    const int row = rowOf(QStringLiteral("Baxter's Boy"));
    ASSERT_GT(row, 0);
    EXPECT_EQ(f.grdRace->cellText(row, 14), QStringLiteral("M O'Neil"));
    EXPECT_EQ(f.grdRace->cellBackColor(row, 14), 255);
    EXPECT_EQ(f.grdRace->cellIcon(row, 5), ImageList::IconBestPlaced);
    EXPECT_EQ(f.grdRace->cellText(row, 15), QStringLiteral(" 1 1000 O'BRIEN PLATE"));
}

// ---- Weight controls -------------------------------------------------------------------------------------

TEST_F(FrmRaceTest, WeightControlsOfferedOnlyForVictorianRacesWithoutSW)
{
    addRace(FLEM, 4, QStringLiteral("1000 2YO SW"));
    gAppSettings.AlwCalcWeights = true;
    FrmRace& f = open(FLEM, 3);
    EXPECT_TRUE(f.cmdCalcWgts->isEnabled());
    EXPECT_FALSE(f.cmbRaceType->isHidden());
    EXPECT_TRUE(f.cmbRaceType->isEnabled());
    for (QLabel* l : {f.lblRaceTxt, f.lblState, f.lblMetro, f.lblRaceType})
        EXPECT_FALSE(l->isHidden()) << l->objectName().toStdString();

    f.grdRaces->setSelectedCell(4, 1); // the SW race
    f.grdRaces_OnMouseUp(1, 0, 0, 0);
    EXPECT_FALSE(f.cmdCalcWgts->isEnabled());
    EXPECT_TRUE(f.cmbRaceType->isHidden());
    EXPECT_FALSE(f.cmbRaceType->isEnabled());
    for (QLabel* l : {f.lblRaceTxt, f.lblState, f.lblMetro, f.lblRaceType})
        EXPECT_TRUE(l->isHidden()) << l->objectName().toStdString();

    gAppSettings.AlwCalcWeights = false;
    open(FLEM, 3);
    EXPECT_FALSE(form->cmdCalcWgts->isEnabled());

    gAppSettings.AlwCalcWeights = true;
    db.exec(QStringLiteral("UPDATE Meeting SET State = 'NSW' WHERE MeetingCode = ?"), {FLEM});
    open(FLEM, 3);
    EXPECT_FALSE(form->cmdCalcWgts->isEnabled());
    EXPECT_TRUE(form->cmbRaceType->isHidden());
}

TEST_F(FrmRaceTest, RaceTypesListedForVictorianMeetings)
{
    db.insert(QStringLiteral("RaceType"), {{QStringLiteral("RaceType"), QStringLiteral("BM70")},
                                           {QStringLiteral("MetroOrder"), 1},
                                           {QStringLiteral("ProvOrder"), 0}});
    db.insert(QStringLiteral("RaceType"), {{QStringLiteral("RaceType"), QStringLiteral("MDN")},
                                           {QStringLiteral("MetroOrder"), 2},
                                           {QStringLiteral("ProvOrder"), 1}});
    db.exec(QStringLiteral("UPDATE Race SET RaceType = 'MDN' WHERE RaceNumber = 3"));
    FrmRace& f = open(FLEM, 3);
    EXPECT_EQ(f.cmbRaceType->count(), 2);
    // The race's own type, which is not the first of the list.
    EXPECT_EQ(f.cmbRaceType->currentText(), QStringLiteral("MDN"));
    // Race 2 has no race type: the list shows none, not race 3's.
    f.grdRaces->setSelectedCell(2, 1);
    f.grdRaces_OnMouseUp(1, 0, 0, 0);
    ASSERT_EQ(f.RaceNumber, 2);
    EXPECT_TRUE(f.cmbRaceType->currentText().isEmpty());
    // Outside Victoria the race types are not listed: the list holds only
    // the race's own stored type.
    db.exec(QStringLiteral("UPDATE Meeting SET State = 'NSW'"));
    open(FLEM, 3);
    EXPECT_EQ(form->cmbRaceType->count(), 1);
    EXPECT_EQ(form->cmbRaceType->currentText(), QStringLiteral("MDN"));
}

// ---- Whole meeting -----------------------------------------------------------------------------------------

TEST_F(FrmRaceTest, WholeMeetingGroupsRacesInsertedOutOfOrder)
{
    addMeeting(QStringLiteral("1012CAUL"), QStringLiteral("ACP"), QStringLiteral("Caulfield"));
    const QString c = QStringLiteral("1012CAUL");
    addRace(c, 2, QStringLiteral("1400 HCP"));
    addRace(c, 1, QStringLiteral("1000 MDN"));
    addRunner(c, 2, 2, QStringLiteral("Two B"), QStringLiteral("T"));
    addRunner(c, 2, 1, QStringLiteral("Two A"), QStringLiteral("T"));
    addRunner(c, 1, 3, QStringLiteral("One C"), QStringLiteral("T"));
    addRunner(c, 1, 1, QStringLiteral("One Z"), QStringLiteral("T"));
    addRunner(c, 1, 1, QStringLiteral("One A"), QStringLiteral("T"));
    FrmRace& f = open(c, 0);
    Grid* g = f.grdRace;
    ASSERT_EQ(g->rows(), 7);
    EXPECT_TRUE(g->isGroupRow(1));
    EXPECT_EQ(g->cellText(1, 15), QStringLiteral(" 1 1000 MDN"));
    EXPECT_EQ(g->cellText(2, 4), QStringLiteral("One A"));
    EXPECT_EQ(g->cellText(3, 4), QStringLiteral("One Z"));
    EXPECT_EQ(g->cellText(4, 4), QStringLiteral("One C"));
    EXPECT_TRUE(g->isGroupRow(5));
    EXPECT_EQ(g->cellText(5, 15), QStringLiteral(" 2 1400 HCP"));
    EXPECT_EQ(g->cellText(6, 4), QStringLiteral("Two A"));
    EXPECT_EQ(g->cellText(7, 4), QStringLiteral("Two B"));
    EXPECT_EQ(g->cellText(7, 15), QStringLiteral(" 2 1400 HCP"));
    EXPECT_EQ(f.GroupRowOf(1), 1);
    EXPECT_EQ(f.GroupRowOf(2), 5);
    EXPECT_EQ(f.RaceOfRow(5), 0);
    EXPECT_EQ(f.RaceOfRow(6), 2);
}

TEST_F(FrmRaceTest, MeetingWithRaces31And99OpensGroupsAndNavigates)
{
    const QString c = QStringLiteral("1112BIG");
    addMeeting(c, QStringLiteral("NOM"), QStringLiteral("Big Day"));
    addRace(c, 30, QStringLiteral("1000 THIRTY"));
    addRace(c, 31, QStringLiteral("1100 THIRTYONE"));
    addRace(c, 99, QStringLiteral("SCRATCHED"));
    addRunner(c, 30, 1, QStringLiteral("Thirty"), QStringLiteral("T"));
    addRunner(c, 31, 1, QStringLiteral("Thirty One"), QStringLiteral("T"));
    addRunner(c, 99, 1, QStringLiteral("Ninety Nine"), QStringLiteral("T"));
    FrmRace& f = open(c, 0);
    Grid* g = f.grdRace;
    ASSERT_EQ(g->rows(), 6);
    EXPECT_EQ(f.grdRaces->rows(), 2);
    EXPECT_EQ(f.RaceCodeOf(31), QStringLiteral("1100 THIRTYONE"));
    const int g31 = f.GroupRowOf(31);
    const int g99 = f.GroupRowOf(99);
    ASSERT_GT(g31, 0);
    ASSERT_GT(g99, 0);
    EXPECT_EQ(g->cellText(g31, 15), QStringLiteral("31 1100 THIRTYONE"));
    // Race 99 is not listed: its group carries the number alone.
    EXPECT_EQ(g->cellText(g99, 15), QStringLiteral("99"));
    EXPECT_TRUE(f.RaceCodeOf(99).isEmpty());

    f.grdRaces->setSelectedCell(2, 1);
    f.grdRaces_OnMouseUp(1, 0, 0, 0);
    EXPECT_EQ(f.RaceNumber, 31);
    EXPECT_EQ(g->selectedRow(), g31);

    // Single-race mode on race 31 and on race 99.
    open(c, 31);
    EXPECT_EQ(form->grdRace->rows(), 1);
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Big Day- Race :31"));
    open(c, 99);
    EXPECT_EQ(form->grdRace->cellText(1, 4), QStringLiteral("Ninety Nine"));
}
} // namespace

// ---- What the booking manager sees --------------------------------------------------------------

namespace
{
class RaceViewRender : public RaceViewTest
{
protected:
    // A Caulfield acceptances meeting: three races with a field each, bookings
    // in every state, best placings and last starts.
    void SetUp() override
    {
        RaceViewTest::SetUp();
        const QString c = QStringLiteral("1412CAUL");
        addMeeting(c, QStringLiteral("ACP"), QStringLiteral("Caulfield"));
        addMeeting(QStringLiteral("1512MORN"), QStringLiteral("NOM"), QStringLiteral("Mornington"));
        addMeeting(QStringLiteral("1612SAND"), QStringLiteral("WGT"), QStringLiteral("Sandown"));
        addRace(c, 1, QStringLiteral("1100 MDN"), QStringLiteral("12:30:00"), true, QStringLiteral("Maiden Plate 1100m"));
        addRace(c, 2, QStringLiteral("1400 BM70"), QStringLiteral("13:05:00"), false,
                QStringLiteral("Benchmark 70 Handicap 1400m  $50,000"));
        addRace(c, 3, QStringLiteral("1600 G3 CAULFIELD"), QStringLiteral("13:40:00"), false,
                QStringLiteral("Group 3 Set Weights and Penalties 1600m  $200,000"));
        addJockey(QStringLiteral("John Smith"), QStringLiteral(" 8454143"));  // light yellow
        addJockey(QStringLiteral("Kate Ray"), QStringLiteral(" 16764057")); // light blue
        addJockey(QStringLiteral("Liam Doyle"), QStringLiteral(" 13434828"));
        modJockey::gJockeyInList = modJockey::BuildJockeyInList(
            {QStringLiteral("John Smith"), QStringLiteral("Kate Ray"), QStringLiteral("Liam Doyle")});
        const QStringList horses{QStringLiteral("Silver Lining (NZ)"), QStringLiteral("Baxter's Boy"),
                                 QStringLiteral("Red Centre"), QStringLiteral("Quiet Storm"),
                                 QStringLiteral("Golden Mile"), QStringLiteral("Night Shift"),
                                 QStringLiteral("Coastal Breeze"), QStringLiteral("Harbour Lights")};
        const QStringList trainers{QStringLiteral("Tom Hill"), QStringLiteral("D O'Brien"), QStringLiteral("Ann Lee"),
                                   QStringLiteral("C Waller")};
        int n = 0;
        for (int race = 1; race <= 3; ++race) {
            for (int e = 1; e <= 7; ++e, ++n) {
                const QString horse = horses[(n + race) % horses.size()] + (race > 1 ? QStringLiteral(" %1").arg(race) : QString());
                addRunner(c, race, e, horse, trainers[n % trainers.size()],
                          {{QStringLiteral("Form"), QStringLiteral(" x21%1 ").arg(e)},
                           {QStringLiteral("Weight"), 540 + 5 * (e % 4)},
                           {QStringLiteral("Rating"), QString::number(60 + e)},
                           {QStringLiteral("HorseType"), e % 2 ? QStringLiteral("g 4") : QStringLiteral("m 5")},
                           {QStringLiteral("Class"), race == 3 ? QStringLiteral("G3") : QStringLiteral("BM70")},
                           {QStringLiteral("Jockey"), e % 3 ? QStringLiteral("B Rider") : QString()},
                           {QStringLiteral("EorB"), e == 2 ? QStringLiteral("E") : (e == 6 ? QStringLiteral("B") : QString())},
                           {QStringLiteral("Barrier"), (e * 3) % 8},
                           {QStringLiteral("TrainerLocation"), QStringLiteral("Flemington")},
                           {QStringLiteral("LastJockey"), e % 2 ? QStringLiteral("Kate Ray") : QStringLiteral("J Bowman")},
                           {QStringLiteral("LastRode"), QDate(2024, 11, 20).addDays(e)},
                           {QStringLiteral("LastWeight"), 56.5},
                           {QStringLiteral("LastRaceClass"), QStringLiteral("70BM")},
                           {QStringLiteral("LastRaceValue"), 45000},
                           {QStringLiteral("LastMargin"), 1.5 + e / 10.0},
                           {QStringLiteral("WgtRat"), 80 + e},
                           {QStringLiteral("AvgWin"), 12000 + e * 100},
                           {QStringLiteral("W800400"), QStringLiteral("46.1")},
                           {QStringLiteral("RSecTime"), 34.5}});
                if (e == 1)
                    addBooking(c, horse, QStringLiteral("John Smith"), QStringLiteral("Confirmed"), true);
                else if (e == 3)
                    addBooking(c, horse, QStringLiteral("Kate Ray"), QStringLiteral("Planned"));
                else if (e == 5)
                    addBooking(c, horse, QVariant(), QStringLiteral("Ring trainer Tuesday"));
                if (e <= 2)
                    addRide(QStringLiteral("JOHN SMITH"), horse.left(horse.indexOf(QLatin1Char('(')) > 0 ? horse.indexOf(QLatin1Char('(')) : horse.size()).trimmed().toUpper(), e);
            }
        }
        gMainState.strMeetingType = QStringLiteral("ACP");
    }

    void render(const QString& file)
    {
        form->show();
        QApplication::processEvents();
        const QImage image = form->grab().toImage();
        ASSERT_TRUE(image.save(outputDir() + QStringLiteral("/") + file));
        EXPECT_GT(image.width(), 1000);
    }
};

TEST_F(RaceViewRender, SingleRaceAndWholeMeeting)
{
    FrmRace& f = open(QStringLiteral("1412CAUL"), 2);
    EXPECT_EQ(f.grdRace->rows(), 7);
    render(QStringLiteral("raceview-race.png"));
    EXPECT_EQ(f.grdRace->cellIcon(1, 16), ImageList::IconConfirmed);

    FrmRace& m = open(QStringLiteral("1412CAUL"), 0);
    EXPECT_EQ(m.grdRace->rows(), 24);
    // As the manager leaves it: sorted by weight, a runner of race 2 clicked.
    emit m.grdRace->columnClick(F::ColWeight);
    m.show();
    QApplication::processEvents();
    const QRect cell = m.grdRace->cellRect(m.GroupRowOf(2) + 2, F::ColHorse);
    emit m.grdRace->mouseUp(1, 0, cell.center().x(), cell.center().y());
    EXPECT_EQ(m.RaceNumber, 2);
    render(QStringLiteral("raceview-meeting.png"));
}
} // namespace
