// The main window as a user meets it: columns wide enough for their captions
// and values in the font in use, the pop-ups' Ctrl shortcuts from the window,
// the nominations reloaded after an import, no stale sort arrow, no internal
// colour number on show, a race header of one height, and a
// picture of the window with a field-file meeting loaded.
#include "core/cAppSettings.h"
#include "core/modJockeyLists.h"
#include "core/modOpeners.h"
#include "fixtures/FixtureServer.h"
#include "mainwindow/FieldFileImport.h"
#include "mainwindow/Main.h"
#include "platform/Grid.h"
#include "platform/ImageList.h"
#include "platform/Prompts.h"
#include "support/MainFixture.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStyle>
#include <QTest>
#include <QTextEdit>
#include <QtMath>

#include <gtest/gtest.h>

namespace
{
const QString kFlem = QStringLiteral("0712FLEM");

QString outputDir()
{
    const QString dir = QStringLiteral(VELMORA_BIN_DIR "/../test-output");
    QDir().mkpath(dir);
    return QDir(dir).absolutePath();
}

// What a cell's text needs to be shown whole: the text, the item's margins
// on both sides, its icon and its indent.
int neededWidth(const Grid* g, int row, int col)
{
    const QString text = g->cellText(row, col);
    const int margin = g->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, g) + 1;
    int need = QFontMetrics(g->cellFont(row, col)).horizontalAdvance(text) + 2 * margin + g->cellIndent(row, col);
    if (g->cellIcon(row, col) >= 0)
        need += g->iconSize().width() + 2 * margin;
    return need;
}

// Every shown column fits its caption and every value in it.
void expectEverythingFits(const Grid* g, const char* name)
{
    for (int c = 1; c <= g->columns(); ++c) {
        if (!g->colVisible(c))
            continue;
        EXPECT_LE(g->horizontalHeader()->sectionSizeHint(c - 1), g->colWidth(c))
            << name << " caption of column " << c << " \"" << g->colHeader(c).toStdString() << "\"";
        for (int r = 1; r <= g->rows(); ++r) {
            if (g->cellText(r, c).isEmpty())
                continue;
            EXPECT_LE(neededWidth(g, r, c), g->colWidth(c))
                << name << " row " << r << " column " << c << " \"" << g->cellText(r, c).toStdString() << "\"";
        }
    }
}

// A trainer whose runners carry the values the columns were sized for.
void addTypicalStable(MainFixture& f)
{
    f.addMeeting(kFlem, QStringLiteral("ACP"));
    f.addTrainer(QStringLiteral("J & A O'Brien"));
    f.addJockey(QStringLiteral("K O'Neill"), QStringLiteral(" 8454016"));
    f.addRunner(kFlem, 1, QStringLiteral("J & A O'Brien"), QStringLiteral("FAST LAD (NZ)"), 575, QStringLiteral("J SMITH"));
    f.addRunner(kFlem, 10, QStringLiteral("J & A O'Brien"), QStringLiteral("O'REILLY'S GIRL"), 560);
    f.addRunner(kFlem, 8, QStringLiteral("J & A O'Brien"), QStringLiteral("QUICK SILVER"), 545);
    f.addBooking(kFlem, QStringLiteral("FAST LAD (NZ)"), QStringLiteral("K O'Neill"), QStringLiteral("Confirmed"), true);
    f.addBooking(kFlem, QStringLiteral("O'REILLY'S GIRL"), QStringLiteral("K O'Neill"), QStringLiteral("Tentative"));
    f.loadJockeys();
    f.main().LoadMeetingGrid();
    f.main().LoadTrainerGrid();
    ASSERT_TRUE(f.clickTrainer(QStringLiteral("J & A O'Brien")));
}

void showActive(Main& m)
{
    m.resize(1400, 820);
    m.show();
    m.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&m));
}
} // namespace

TEST(MainReadable, ColumnWidthsScaleWithTheFontAndSavedWidthsStay)
{
    // The rule: design widths grow with the font's letters, captions always fit.
    Grid small, large;
    QFont big = small.font();
    big.setPointSizeF(small.font().pointSizeF() * 2);
    large.setFont(big);
    EXPECT_NEAR(large.widthScale() / small.widthScale(), 2.0, 0.25);
    EXPECT_EQ(large.addColumn(QStringLiteral("Horse"), QStringLiteral("H"), 110), 1);
    EXPECT_EQ(large.colWidth(1), large.scaledWidth(110));
    EXPECT_GT(large.colWidth(1), 110 * 3 / 2);
    small.addColumn(QStringLiteral("Booking"), QStringLiteral("Booking Status"), 10);
    EXPECT_GE(small.colWidth(1), QFontMetrics(small.font()).horizontalAdvance(QStringLiteral("Booking Status")));

    // The main window's grids with typical values.
    MainFixture f;
    addTypicalStable(f);
    Main& m = f.main();
    ASSERT_EQ(m.grdNoms->rows(), 3);
    ASSERT_EQ(m.grdNoms->cellText(MainFixture::rowOf(m.grdNoms, QStringLiteral("FAST LAD (NZ)"), 4), 13),
              QStringLiteral("Confirmed"));
    expectEverythingFits(m.grdNoms, "grdNoms");
    expectEverythingFits(m.grdNames, "grdNames");
    expectEverythingFits(m.grdMeeting, "grdMeeting");
    expectEverythingFits(m.grdJockey, "grdJockey");

    // Widths the user saved come back as saved, narrower or wider.
    Main::ApplyColumnLists(m.grdNoms, QStringLiteral("60,15,40,200"), QString());
    EXPECT_EQ(Main::ColumnWidthList(m.grdNoms).section(QLatin1Char(','), 0, 3), QStringLiteral("60,15,40,200"));
}

TEST(MainReadable, PopUpShortcutsWorkFromTheWindowOnTheSelectedRow)
{
    MainFixture f;
    addTypicalStable(f);
    Main& m = f.main();
    // Whatever the items open is recorded, not shown.
    const WindowOpeners saved = modOpeners::Openers();
    int opened = 0;
    modOpeners::Openers().raceView = [&] { ++opened; };
    modOpeners::Openers().raceStats = [&] { ++opened; };
    struct Restore
    {
        WindowOpeners openers;
        ~Restore() { modOpeners::Openers() = openers; }
    } restore{saved};
    showActive(m);
    QSignalSpy race(m.MnuRace, &QAction::triggered);
    QSignalSpy trainerStats(m.mnuTrainerStats, &QAction::triggered);

    // Nothing picked in the meetings grid: Ctrl+R does nothing.
    m.grdMeeting->clearSelectedCells();
    m.grdMeeting->setCurrentCell(-1, -1);
    QTest::keyClick(m.grdNoms, Qt::Key_R, Qt::ControlModifier);
    EXPECT_EQ(race.count(), 0);
    EXPECT_FALSE(gCellPicked);
    // A meeting picked: Ctrl+R opens its race view, whichever control has the focus.
    m.grdMeeting->setSelectedCell(1, 1);
    m.grdNoms->setFocus();
    QTest::keyClick(m.grdNoms, Qt::Key_R, Qt::ControlModifier);
    EXPECT_EQ(race.count(), 1);
    EXPECT_TRUE(gCellPicked);
    EXPECT_EQ(opened, 1);
    // (The trainer list is reloaded when the race view closes: pick the trainer again.)
    m.grdNames->setSelectedCell(MainFixture::rowOf(m.grdNames, QStringLiteral("J & A O'Brien")), 1);
    QTest::keyClick(m.grdNames, Qt::Key_T, Qt::ControlModifier);
    EXPECT_EQ(trainerStats.count(), 1);
    EXPECT_EQ(opened, 2);
    ASSERT_TRUE(f.clickTrainer(QStringLiteral("J & A O'Brien")));

    // Ctrl+S over a "Confirmed" status: not offered, nothing set.
    Grid* g = m.grdNoms;
    const int quick = MainFixture::rowOf(g, QStringLiteral("QUICK SILVER"), 4);
    g->setSelectedCell(MainFixture::rowOf(g, QStringLiteral("FAST LAD (NZ)"), 4), 13);
    QTest::keyClick(g, Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(g->cellText(quick, 13), QString());
    EXPECT_EQ(f.db().count(QStringLiteral("Bookings")), 2);
    // Over a template's status: the remaining runner gets it, as from the pop-up.
    g->setSelectedCell(MainFixture::rowOf(g, QStringLiteral("O'REILLY'S GIRL"), 4), 13);
    QTest::keyClick(g, Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(g->cellText(quick, 13), QStringLiteral("Tentative"));
    EXPECT_EQ(f.db().scalar(QStringLiteral("SELECT BookingSelection FROM Bookings WHERE Horse = 'QUICK SILVER'")).toString(),
              QStringLiteral("Tentative"));
}

TEST(MainReadable, AcceptancesImportReloadsTheNominationsTheCheckChanged)
{
    MainFixture f;
    FixtureServer server;
    server.connectProgram();
    server.insert("Track", {{"TrackCode", "RAND"}, {"State", "NSW"}, {"MeetType", "M"}, {"TrackLocat", "Randwick"}});
    const QString in = f.env().root() + QStringLiteral("/in");
    QDir().mkpath(in);
    const auto input = [&](const char* name) {
        const QString to = in + QLatin1Char('/') + QLatin1String(name);
        QFile::remove(to);
        EXPECT_TRUE(QFile::copy(TestEnv::dataFile(QStringLiteral("fieldfiles/") + QLatin1String(name)), to));
        return to;
    };
    Main& m = f.main();
    {
        Prompts::Script script;
        script.answerOpenFiles({input("1503RAND.DGN")});
        m.cmdBrowse_Click();
    }
    f.addJockey(QStringLiteral("KMAC"));
    f.db().exec(QStringLiteral("UPDATE Jockey SET FullName = 'K MCDONALD', RideWgt = 53 WHERE Jockey = 'KMAC'"));
    f.db().insert(QStringLiteral("Bookings"), {{QStringLiteral("Jockey"), QStringLiteral("KMAC")},
                                               {QStringLiteral("MeetingCode"), QStringLiteral("1503RAND")},
                                               {QStringLiteral("RaceCode"), QStringLiteral("1200 HCP")},
                                               {QStringLiteral("Horse"), QStringLiteral("QUICK SILVER")},
                                               {QStringLiteral("TrainerName"), QStringLiteral("D O'BRIEN")},
                                               {QStringLiteral("BookingSelection"), QStringLiteral("Planned")}});
    m.LoadTrainerGrid();
    ASSERT_TRUE(f.clickTrainer(QStringLiteral("D O'BRIEN")));
    Grid* g = m.grdNoms;
    ASSERT_EQ(g->rows(), 1);
    EXPECT_EQ(g->cellText(1, 10), QStringLiteral("KMAC"));
    EXPECT_EQ(g->cellText(1, 13), QStringLiteral("Planned"));

    // Acceptances name another rider; the manager lets the booking go.
    Prompts::Script script;
    script.answerOpenFiles({input("1503RAND.DGA")});
    script.answerMsgBox(Prompts::vbYes);
    m.cmdBrowse_Click();
    ASSERT_EQ(script.messages().size(), 1);
    EXPECT_EQ(script.messages()[0].title, QStringLiteral("Jockey booking Error"));
    EXPECT_EQ(f.db().count(QStringLiteral("Bookings")), 0);
    ASSERT_EQ(g->rows(), 1);
    EXPECT_EQ(g->cellText(1, 4), QStringLiteral("QUICK SILVER"));
    EXPECT_EQ(g->cellText(1, 10), QStringLiteral("A JONES")); // the rider named, no longer the booking
    EXPECT_EQ(g->cellText(1, 13), QString());
    EXPECT_EQ(m.grdNames->cellText(m.grdNames->selectedRow(), 1), QStringLiteral("D O'BRIEN"));
    EXPECT_EQ(m.SelectedTrainer, QStringLiteral("D O''BRIEN"));

    // A trainer who is no longer listed: the grid is emptied, not left stale.
    m.SelectedTrainer = QStringLiteral("Gone Away");
    m.ReloadChosenTrainerNoms();
    EXPECT_EQ(g->rows(), 0);
    EXPECT_TRUE(m.SelectedTrainer.isEmpty());
}

TEST(MainReadable, ReloadTakesTheSortArrowOff)
{
    MainFixture f;
    addTypicalStable(f);
    Main& m = f.main();
    for (Grid* g : {m.grdNoms, m.grdNames}) {
        g == m.grdNoms ? m.grdNoms_OnColumnClick(4) : m.grdNames_OnColumnClick(1);
        const int col = g == m.grdNoms ? 4 : 1;
        EXPECT_EQ(g->colHeaderImage(col), ImageList::IconSortAscending);
        g == m.grdNoms ? m.LoadTrainerNoms() : m.LoadTrainerGrid();
        for (int c = 1; c <= g->columns(); ++c)
            EXPECT_EQ(g->colHeaderImage(c), -1) << c;
    }
    // The rows are back in the query's order (meeting, race, horse).
    EXPECT_EQ(m.grdNoms->cellText(1, 4), QStringLiteral("FAST LAD (NZ)"));
    EXPECT_EQ(m.grdNoms->cellText(3, 4), QStringLiteral("O'REILLY'S GIRL"));
}

TEST(MainReadable, ChosenJockeyShowsItsColourNotItsNumber)
{
    MainFixture f;
    addTypicalStable(f);
    f.addJockey(QStringLiteral("A Jones"), QStringLiteral(" 255"));
    f.loadJockeys();
    Main& m = f.main();
    showActive(m);
    Grid* jockeys = m.grdJockey;
    const int row = MainFixture::rowOf(jockeys, QStringLiteral("K O'Neill"));
    ASSERT_GT(row, 0);
    Grid::setDragHook([](Grid*) {}); // the pick starts a drag: not here
    jockeys->setSelectedCell(row, 1);
    const QRect cell = jockeys->cellRect(row, 1);
    jockeys->mouseDown(1, 0, cell.center().x(), cell.center().y());
    Grid::setDragHook(nullptr);
    EXPECT_EQ(m.lblJockey->text(), QStringLiteral("K O'Neill"));
    EXPECT_EQ(m.lblJockey->palette().color(QPalette::Window), QColor(0x80, 0xFF, 0x80)); // 8454016 = &H80FF80
    // The number is kept for the booking code, but nowhere to be seen.
    EXPECT_FALSE(m.lblBackColor->isVisible());
    for (const QLabel* label : m.findChildren<QLabel*>()) {
        if (label->isVisible()) {
            EXPECT_FALSE(label->text().contains(QStringLiteral("8454016"))) << label->objectName().toStdString();
        }
    }
}

TEST(MainReadable, RaceHeaderKeepsOneHeightWhileRunnersAreClicked)
{
    MainFixture f;
    addTypicalStable(f);
    f.db().exec(QStringLiteral("UPDATE Meeting SET MeetingDetails = 'Saturday 07/12/2024  Track Good 4'"));
    const auto addRace = [&](int race, const QString& details) {
        f.db().insert(QStringLiteral("Race"), {{QStringLiteral("MeetingCode"), kFlem},
                                               {QStringLiteral("RaceNumber"), race},
                                               {QStringLiteral("RaceTime"), QStringLiteral("13:25:00")},
                                               {QStringLiteral("ApprClaim"), true},
                                               {QStringLiteral("RaceDetails"), details}});
    };
    // Race details as the field files write them: one line, or three.
    addRace(1, QStringLiteral("SPRING PLATE BM70 HCP Field Limit: 12+2"));
    addRace(8, QStringLiteral("THE GALAXY BM78 HCP Field Limit: 14+4\rApprentices may claim\rRatings band 0-78"));
    addRace(10, QStringLiteral("Benchmark 78 Handicap. For three-year-olds and upwards. Rating 0-78. No class "
                               "restriction. Apprentices may claim. Set weights plus penalties, minimum weight "
                               "54kg. Field limit 16 plus 4 emergencies. Total prize money $50,000 and trophies "
                               "to the winning owner, trainer and jockey.\rSecond line\rThird line\rFourth line"));
    Main& m = f.main();
    m.resize(1100, 700);
    m.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&m));
    // Choosing the trainer empties the header; then runners are clicked.
    ASSERT_TRUE(f.clickTrainer(QStringLiteral("J & A O'Brien")));
    QCoreApplication::processEvents();
    const int height = m.txtRace->height();
    Grid* g = m.grdNoms;
    const int top = g->y();
    const auto click = [&](const QString& horse) {
        const int row = MainFixture::rowOf(g, horse, 4);
        ASSERT_GT(row, 0);
        QTest::mouseClick(g->viewport(), Qt::LeftButton, {}, g->viewport()->mapFrom(g, g->cellRect(row, 4).center()));
        QCoreApplication::processEvents();
    };

    // The usual header, three lines of race details included, in view whole.
    click(QStringLiteral("QUICK SILVER"));
    ASSERT_TRUE(m.txtRace->toPlainText().contains(QStringLiteral("Ratings band 0-78")));
    EXPECT_EQ(m.txtRace->height(), height);
    EXPECT_EQ(g->y(), top);
    EXPECT_EQ(m.txtRace->verticalScrollBar()->maximum(), 0);

    click(QStringLiteral("FAST LAD (NZ)"));
    ASSERT_TRUE(m.txtRace->toPlainText().contains(QStringLiteral("SPRING PLATE")));
    EXPECT_EQ(m.txtRace->height(), height);
    EXPECT_EQ(g->y(), top);

    // A longer header keeps the height; the rest is scrolled to.
    click(QStringLiteral("O'REILLY'S GIRL"));
    ASSERT_TRUE(m.txtRace->toPlainText().contains(QStringLiteral("Fourth line")));
    EXPECT_EQ(m.txtRace->height(), height);
    EXPECT_EQ(g->y(), top);
    EXPECT_GT(m.txtRace->verticalScrollBar()->maximum(), 0);
    // The nominations keep most of the window.
    EXPECT_GT(g->height(), 2 * m.txtRace->height());
}

TEST(MainReadable, PictureOfTheWindowWithAFieldFileMeeting)
{
    MainFixture f;
    FixtureServer server;
    server.connectProgram();
    server.insert("Track", {{"TrackCode", "RAND"}, {"State", "NSW"}, {"MeetType", "M"}, {"TrackLocat", "Randwick"}});
    const QString file = f.env().root() + QStringLiteral("/1503RAND.DGA");
    ASSERT_TRUE(QFile::copy(TestEnv::dataFile(QStringLiteral("fieldfiles/1503RAND.DGA")), file));
    Main& m = f.main();
    f.addJockey(QStringLiteral("J Smith"), QStringLiteral(" 8454016"));
    f.addJockey(QStringLiteral("K O'Neill"), QStringLiteral(" 65535"));
    f.addBooking(QStringLiteral("1503RAND"), QStringLiteral("MORNING GLORY"), QStringLiteral("K O'Neill"),
                 QStringLiteral("Confirmed"), true, QStringLiteral("C WALLER"));
    f.addBooking(QStringLiteral("1503RAND"), QStringLiteral("(IRE) MYSTERY"), QStringLiteral("J Smith"),
                 QStringLiteral("Planned"), false, QStringLiteral("C WALLER"));
    {
        Prompts::Script script;
        script.answerOpenFiles({file});
        m.cmdBrowse_Click();
    }
    f.loadJockeys();
    // The side lists as wide as their columns, and the window as wide as a
    // first start opens it on a large enough screen.
    m.FitLayoutToColumns();
    const int wide = m.WidthForColumns();
    EXPECT_LT(wide, 1400); // fits a common screen
    m.resize(wide, 820);
    m.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&m));
    m.grdMeeting->setSelectedCell(1, 1);
    ASSERT_TRUE(f.clickTrainer(QStringLiteral("C WALLER")));
    Grid* g = m.grdNoms;
    ASSERT_EQ(g->rows(), 2);
    g->setSelectedCell(1, 4);
    m.grdNoms_OnMouseUp(1);
    QCoreApplication::processEvents();
    EXPECT_TRUE(m.txtRace->toPlainText().contains(QStringLiteral("Race :2")));
    expectEverythingFits(g, "grdNoms");
    // Every column of every grid in view: nothing to scroll sideways to.
    for (const Grid* grid : {m.grdNoms, m.grdNames, m.grdMeeting, m.grdJockey}) {
        EXPECT_EQ(grid->horizontalScrollBar()->maximum(), 0) << grid->objectName().toStdString();
    }
    const QString path = outputDir() + QStringLiteral("/main.png");
    ASSERT_TRUE(m.grab().save(path));
    EXPECT_GT(QFile(path).size(), 10000);
}

TEST(MainReadable, SideListsFollowTheirColumnsAndAFirstStartOpensWide)
{
    MainFixture f;
    addTypicalStable(f);
    Main& m = f.main();
    gAppSettings.MainMax = false;
    gAppSettings.MainWidth = 0; // nothing saved yet
    m.resize(640, 600);
    m.RestoreLayout();
    EXPECT_EQ(m.grdNames->width(), Main::ColumnsWidth(m.grdNames));
    EXPECT_EQ(m.grdMeeting->width(), m.grdJockey->width());
    const QScreen* screen = QGuiApplication::primaryScreen();
    ASSERT_NE(screen, nullptr);
    const int most = static_cast<int>(screen->availableGeometry().width() * 0.95);
    EXPECT_EQ(m.width(), std::min(std::max(640, m.WidthForColumns()), most));
    EXPECT_GT(m.width(), 640);

    // A trainer column widened by the user takes the list along.
    const int before = m.grdNames->width();
    m.grdNames->horizontalHeader()->resizeSection(0, m.grdNames->colWidth(1) + 40);
    EXPECT_EQ(m.grdNames->width(), before + 40);

    // A saved width is the user's: left as it is, as far as the window's
    // minimum (every nominations column in view) allows.
    gAppSettings.MainWidth = 700 * 15;
    m.RestoreLayout();
    EXPECT_EQ(m.width(), std::max(700, m.minimumWidth()));
    gAppSettings.MainWidth = (m.minimumWidth() + 50) * 15;
    m.RestoreLayout();
    EXPECT_EQ(m.width(), m.minimumWidth() + 50);
    gAppSettings.MainWidth = 0;
}

TEST(MainReadable, RestoredNarrowerTheTrainerListKeepsItsWidthAndTheNominationsTheirColumns)
{
    MainFixture f;
    addTypicalStable(f);
    Main& m = f.main();
    gAppSettings.MainMax = false;
    gAppSettings.MainWidth = 0;
    m.resize(1180, 760);
    m.RestoreLayout();
    m.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&m));
    const int names = m.grdNames->width();
    const int nomsLeft = m.grdNoms->x();
    const int nomsColumns = Main::ColumnsWidth(m.grdNoms);

    // Stored 64 pixels narrower: the trainer list stays as it was.
    m.SaveLayout();
    gAppSettings.MainWidth -= 64 * 15;
    m.RestoreLayout();
    QApplication::processEvents();
    EXPECT_EQ(m.grdNames->width(), names);
    EXPECT_EQ(m.grdNoms->x(), nomsLeft);

    // Down to the narrowest the window goes, every nominations column is in
    // view: none behind a scroll bar.
    const QScreen* screen = QGuiApplication::primaryScreen();
    EXPECT_LE(m.minimumWidth(), screen->availableGeometry().width());
    m.resize(1, m.height());
    QApplication::processEvents();
    EXPECT_EQ(m.width(), m.minimumWidth());
    EXPECT_EQ(m.grdNames->width(), names);
    EXPECT_GE(m.grdNoms->width(), nomsColumns);
    EXPECT_FALSE(m.grdNoms->horizontalScrollBar()->isVisible());
    gAppSettings.MainWidth = 0;
}
