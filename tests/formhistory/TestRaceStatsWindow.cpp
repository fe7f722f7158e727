// The statistics window against the fixture form database: what it sends,
// what it shows, its layout per mode group, its sorting and its drill-down.
#include "core/HttpRequest.h"
#include "core/cAppSettings.h"
#include "core/modJockeyStats.h"
#include "core/modShared.h"
#include "formhistory/FormFixture.h"
#include "formhistory/FrmRaceStats.h"
#include "formhistory/StatsReply.h"
#include "platform/Grid.h"
#include "platform/Prompts.h"
#include "support/QtPrinters.h"
#include "support/TestEnv.h"

#include <QLabel>
#include <QPushButton>
#include <QDialog>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <ostream>

namespace
{
const QString kHorse = QStringLiteral("SUPER HORSE");

class RaceStatsWindow : public ::testing::Test
{
protected:
    TestEnv env;
    FixtureServer server;
    Prompts::Script script;

    void SetUp() override
    {
        ResetSharedState();
        modJockey::gJockeyInList.clear();
        server.connectProgram();
        modDatabase::SetHttpTimeLimit(3000);
        const QString h = kHorse;
        AddFormRace(server, QStringLiteral("2024-06-01"), QStringLiteral("FLEM"), 5, QStringLiteral("G"),
                    {{h, 1, QStringLiteral("J SMITH"), QStringLiteral("P MORAN"), 56.5},
                     {QStringLiteral("RED SKY"), 2},
                     {QStringLiteral("GREY DAWN"), 3}});
        AddFormRace(server, QStringLiteral("2024-05-15"), QStringLiteral("CAUL"), 3, QStringLiteral("S"),
                    {{QStringLiteral("RED SKY"), 1},
                     {QStringLiteral("GREY DAWN"), 2},
                     {h, 3, QStringLiteral("A BROWN"), QStringLiteral("P MORAN"), 58}});
        AddFormRace(server, QStringLiteral("2024-03-05"), QStringLiteral("FLEM"), 3, QStringLiteral("H"),
                    {{QStringLiteral("RED SKY"), 1},
                     {h, 2, QStringLiteral("J SMITH"), QStringLiteral("P MORAN"), 54},
                     {QStringLiteral("GREY DAWN"), 3}});
        AddFormRace(server, QStringLiteral("2024-01-20"), QStringLiteral("SAND"), 2, QStringLiteral("G"),
                    {{h, 1, QStringLiteral("J SMITH"), QStringLiteral("P MORAN"), 57},
                     {QStringLiteral("OTHER ONE"), 1},
                     {QStringLiteral("GREY DAWN"), 3}});
        AddFormRace(server, QStringLiteral("2023-12-30"), QStringLiteral("MOON"), 4, QStringLiteral("F"),
                    {{QStringLiteral("RED SKY"), 1},
                     {QStringLiteral("GREY DAWN"), 2},
                     {QStringLiteral("BLUE MOON"), 3},
                     {h, 10, QStringLiteral("J SMITH"), QStringLiteral("P MORAN"), 55}});
        AddFormRace(server, QStringLiteral("2023-12-09"), QStringLiteral("GEEL"), 6, QStringLiteral("D"),
                    {{QStringLiteral("RED SKY"), 1},
                     {QStringLiteral("GREY DAWN"), 2},
                     {QStringLiteral("BLUE MOON"), 3},
                     {h, 9, QStringLiteral("J SMITH"), QStringLiteral("P MORAN"), 59}});
    }
    void TearDown() override
    {
        FrmRaceStats::SetResultOpener(nullptr);
        modDatabase::SetHttpTimeLimit(0);
        EXPECT_TRUE(script.unexpected().isEmpty());
        modJockey::gJockeyInList.clear();
    }

    static int col(const char* key) { return FormStats::ColumnOf(QLatin1String(key)); }
    static QStringList column(const Grid* g, const char* key)
    {
        QStringList out;
        for (int r = 1; r <= g->rows(); ++r)
            out << g->cellText(r, col(key));
        return out;
    }
    static QStringList summary(const FrmRaceStats& w)
    {
        QStringList out;
        for (int c = 1; c <= 10; ++c)
            out << w.GrdSummary->cellText(2, c);
        return out;
    }
};

TEST_F(RaceStatsWindow, HorseModeShowsTheRunsSpellsAndSummary)
{
    gStatsMode = QStringLiteral("horse");
    gSelHorse = QStringLiteral("Super Horse (NZ)");
    FrmRaceStats w;
    w.Form_Load();

    ASSERT_EQ(server.sqlQueries().size(), 1);
    EXPECT_EQ(server.sqlQueries()[0], FormStats::QueryText(QStringLiteral("A.WHorse= 'SUPER HORSE '")));
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Racing Statistics for Horse Super Horse (NZ)"));
    EXPECT_EQ(w.lblStatsDesc->text(), QStringLiteral("Horse : Super Horse (NZ)"));
    EXPECT_EQ(gSelHorse, QStringLiteral("Super Horse "));

    Grid* g = w.grdStats;
    ASSERT_EQ(g->rows(), 6);
    EXPECT_EQ(column(g, "Track"), (QStringList{"FLEM", "CAUL", "FLEM", "SAND", "MOON", "GEEL"}));
    EXPECT_EQ(column(g, "Finish position"), (QStringList{"1-3", "3-3", "2-3", "1-3", "10-4", "9-4"}));
    EXPECT_EQ(column(g, "Spell"), (QStringList{"", "Spell(10w)", "Freshen(45d)", "", "", ""}));
    // The dead heat for first is one row naming the other winner.
    const QStringList placed = {g->cellText(4, col("Winner")), g->cellText(4, col("2nd"))};
    EXPECT_TRUE(placed == (QStringList{"Super Horse", "=Other One"}) || placed == (QStringList{"Other One", "=Super Horse"}))
        << placed.join(QLatin1Char(';')).toStdString();
    EXPECT_EQ(g->cellBackColor(2, col("Spell")), 0xFFFFC4);
    EXPECT_EQ(g->cellBackColor(3, col("Spell")), 65535);
    EXPECT_GT(g->rowHeightAt(2), g->rowHeightAt(1));
    EXPECT_EQ(g->cellForeColor(3, col("Track")), 0x0000FF); // heavy
    EXPECT_EQ(g->cellForeColor(1, col("Horse")), 0xA00000); // good
    EXPECT_EQ(g->cellForeColor(1, col("FP")), -1);
    EXPECT_FALSE(g->colVisible(col("Horse")));
    EXPECT_FALSE(g->colVisible(col("Trainer")));
    EXPECT_TRUE(g->colVisible(col("Jockey")));
    EXPECT_TRUE(g->isVisibleTo(&w));

    EXPECT_EQ(summary(w), (QStringList{"6:2-1-1", "2:1-0-1", "1st", "1:0-0-1", "1:1-0-0", "1:0-0-0", "2:2-0-0",
                                       "1:0-0-0", "1:0-0-1", "1:0-1-0"}));
    EXPECT_EQ(w.GrdSummary->cellText(1, 6), QStringLiteral("Fast"));
    EXPECT_EQ(w.GrdSummary->cellBackColor(1, 7), 0xA00000);
    EXPECT_EQ(w.GrdSummary->cellForeColor(1, 1), 0xFFFFFF);

    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    EXPECT_TRUE(SavePicture(&w, QStringLiteral("stats-horse.png")));
}

TEST_F(RaceStatsWindow, GapsAtTheSpellBoundariesGetTheirMarks)
{
    // Gaps between runs, newest first: 30 days (no mark), 31 (freshen),
    // 60 (still freshen, 2024 being a leap year) and 61 (a spell of 8 weeks).
    const QString h = QStringLiteral("GAP HORSE");
    const QStringList dates{"2024-06-01", "2024-05-02", "2024-04-01", "2024-02-01", "2023-12-02"};
    for (int i = 0; i < dates.size(); ++i)
        AddFormRace(server, dates[i], QStringLiteral("BALL"), i + 1, QStringLiteral("G"),
                    {{h, 1}, {QStringLiteral("RED SKY"), 2}, {QStringLiteral("GREY DAWN"), 3}});
    gStatsMode = QStringLiteral("horse");
    gSelHorse = QStringLiteral("Gap Horse");
    FrmRaceStats w;
    w.Form_Load();

    Grid* g = w.grdStats;
    ASSERT_EQ(g->rows(), 5);
    // Each mark stands on the more recent run of its gap.
    EXPECT_EQ(column(g, "Spell"), (QStringList{"", "Freshen(31d)", "Freshen(60d)", "Spell(8w)", ""}));
    EXPECT_EQ(g->cellBackColor(2, col("Spell")), 65535);
    EXPECT_EQ(g->cellBackColor(3, col("Spell")), 65535);
    EXPECT_EQ(g->cellBackColor(4, col("Spell")), 0xFFFFC4);
    // Only the 61 days close this preparation: four runs in it, the fourth
    // (the run after the spell) first up, no second up before it was marked.
    const QStringList counts = summary(w);
    EXPECT_EQ(counts.value(0), QStringLiteral("5:5-0-0"));
    EXPECT_EQ(counts.value(1), QStringLiteral("4:4-0-0"));
    EXPECT_EQ(counts.value(3), QStringLiteral("1:1-0-0"));
}

TEST_F(RaceStatsWindow, NamesWithQuotesAndAmpersandsReachTheFormDatabaseIntact)
{
    AddFormRace(server, QStringLiteral("2024-04-04"), QStringLiteral("RAND"), 1, QStringLiteral("G"),
                {{QStringLiteral("FISH & CHIPS"), 1, QStringLiteral("B O'NEIL"), QStringLiteral("O'BRIEN & SONS")}});
    gStatsMode = QStringLiteral("trainer");
    gSelTrainer = QStringLiteral("O'Brien & Sons");
    gSelFormTrainer = QStringLiteral("O'BRIEN & SONS");
    {
        FrmRaceStats w;
        w.Form_Load();
        EXPECT_EQ(server.sqlQueries().value(0),
                  FormStats::QueryText(QStringLiteral("(A.WTrainer = 'O''BRIEN & SONS')")));
        ASSERT_EQ(w.grdStats->rows(), 1);
        EXPECT_EQ(w.grdStats->cellText(1, col("Horse")), QStringLiteral("Fish & Chips"));
        EXPECT_TRUE(gSelFormTrainer.isEmpty());
    }
    gStatsMode = QStringLiteral("jockey");
    gSelJockey = QStringLiteral("B O'Neil");
    FrmRaceStats w;
    w.Form_Load();
    EXPECT_EQ(server.sqlQueries().value(1), FormStats::QueryText(QStringLiteral("A.WJockey= 'B O''NEIL'")));
    ASSERT_EQ(w.grdStats->rows(), 1);
    EXPECT_EQ(w.grdStats->cellText(1, col("Trainer")), QStringLiteral("O'brien & Sons"));
}

TEST_F(RaceStatsWindow, ManagedJockeyModesFilterOrSayThereAreNoManagedJockeys)
{
    gStatsMode = QStringLiteral("horse/jockey");
    gSelHorse = QStringLiteral("Super Horse");
    script.answerMsgBox(Prompts::vbOK);
    {
        FrmRaceStats w;
        w.Form_Load();
        EXPECT_EQ(server.requestCount(), 0);
        ASSERT_EQ(script.messages().size(), 1);
        EXPECT_EQ(script.messages()[0].text,
                  QStringLiteral("There are no managed jockeys in the jockey list, so there are no rides to show."));
        EXPECT_EQ(w.grdStats->rows(), 0);
        EXPECT_EQ(w.GrdSummary->cellText(2, 1), QStringLiteral("0:0-0-0"));
    }

    modJockey::gJockeyInList = QStringLiteral("( 'A BROWN')");
    gSelHorse = QStringLiteral("Super Horse");
    FrmRaceStats w;
    w.Form_Load();
    ASSERT_EQ(w.grdStats->rows(), 1);
    EXPECT_EQ(w.grdStats->cellText(1, col("Track")), QStringLiteral("CAUL"));
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Racing Statistics for Horse Super Horse  &  Jockey : A BROWN"));
    EXPECT_FALSE(w.grdStats->colVisible(col("Jockey")));
}

TEST_F(RaceStatsWindow, AManagedJockeyNamedWithABackslashFindsItsRides)
{
    // The form database reads a backslash in a text literal as an escape:
    // the managed jockeys' list must reach it with backslashes doubled.
    AddFormRace(server, QStringLiteral("2024-04-04"), QStringLiteral("RAND"), 1, QStringLiteral("G"),
                {{QStringLiteral("RED SKY"), 1},
                 {kHorse, 2, QStringLiteral("K O\\NEILL"), QStringLiteral("P MORAN"), 56}});
    modJockey::gJockeyInList = QStringLiteral("( 'A BROWN', 'K O\\NEILL')");
    gStatsMode = QStringLiteral("horse/jockey");
    gSelHorse = QStringLiteral("Super Horse");
    FrmRaceStats w;
    w.Form_Load();
    EXPECT_EQ(server.sqlQueries().value(0),
              FormStats::QueryText(
                  QStringLiteral("A.WHorse= 'SUPER HORSE'and A.WJockey in ( 'A BROWN', 'K O\\\\NEILL')")));
    EXPECT_EQ(column(w.grdStats, "Track"), (QStringList{QStringLiteral("CAUL"), QStringLiteral("RAND")}));
    EXPECT_EQ(column(w.grdStats, "Jockey"),
              (QStringList{QStringLiteral("A Brown"), QStringLiteral("K O\\neill")}));
}

TEST_F(RaceStatsWindow, AnErrorReplyIsShownAndLeavesEmptyPaintedGrids)
{
    server.enqueue(FixtureServer::Reply::withStatus(500, "Internal Server Error"));
    script.answerMsgBox(Prompts::vbOK);
    gStatsMode = QStringLiteral("horse");
    gSelHorse = QStringLiteral("Super Horse");
    FrmRaceStats w;
    w.Form_Load();
    ASSERT_EQ(script.messages().size(), 1);
    EXPECT_EQ(script.messages()[0].text, QStringLiteral("Error: 500 Internal Server Error"));
    EXPECT_EQ(script.messages()[0].title, QStringLiteral("Connection error"));
    EXPECT_EQ(script.messages()[0].style, int(Prompts::vbCritical));
    EXPECT_EQ(w.grdStats->rows(), 0);
    EXPECT_TRUE(w.GrdSummary->cellText(2, 1).isEmpty());
    EXPECT_TRUE(w.grdStats->redraw());
    EXPECT_TRUE(w.GrdSummary->redraw());
}

TEST_F(RaceStatsWindow, RepliesNotInTheServicesFormatShowNothingAndTooManyRowsAreNotTaken)
{
    gStatsMode = QStringLiteral("horse");
    gSelHorse = QStringLiteral("Super Horse");
    // A web page and random bytes sent with status 200: one message each and
    // no run shown.
    const QList<QByteArray> bodies = {
        "<!DOCTYPE html><html><head><title>Sign in</title></head><body>2024-06-01|5|x<br>Welcome</body></html>",
        QByteArray("\x89PNG\r\n\x1a\n\x00\x01|garbage\xff\xfe", 22),
    };
    for (const QByteArray& body : bodies) {
        SCOPED_TRACE(body.toStdString());
        server.enqueue(FixtureServer::Reply::withBody(body));
        script.answerMsgBox(Prompts::vbOK);
        FrmRaceStats w;
        w.Form_Load();
        ASSERT_EQ(script.messages().size(), 1);
        EXPECT_EQ(script.messages()[0].text, modDatabase::kMalformedReplyText);
        EXPECT_EQ(script.messages()[0].title, QStringLiteral("Connection error"));
        EXPECT_EQ(w.grdStats->rows(), 0);
        EXPECT_TRUE(w.GrdSummary->cellText(2, 1).isEmpty());
        script.clear();
    }

    // Far more rows than the query asks for: only as many as it asks for.
    QList<StatsRun> runs;
    QDate day(2024, 6, 1);
    for (int i = 0; i < 3000; ++i, day = day.addDays(-1)) {
        const QString date = day.toString(Qt::ISODate);
        runs.append({date, 1, kHorse, QStringLiteral("FLEM"), QStringLiteral("2"), QStringLiteral("G"),
                     QStringLiteral("RED SKY"), kHorse, QStringLiteral("GREY DAWN")});
    }
    server.enqueue(FixtureServer::Reply::withBody(StatsReplyOf(runs).toUtf8()));
    FrmRaceStats w;
    w.Form_Load();
    EXPECT_TRUE(script.messages().isEmpty());
    EXPECT_EQ(w.grdStats->rows(), FormStats::kMaxRows);
    EXPECT_TRUE(server.sqlQueries().value(2).endsWith(QStringLiteral(" LIMIT 0,90")));
    EXPECT_EQ(w.GrdSummary->cellText(2, 1), QStringLiteral("90:0-90-0"));
}

TEST_F(RaceStatsWindow, AStatisticsCommandDuringTheLoadOpensNoSecondWindow)
{
    gStatsMode = QStringLiteral("horse");
    gSelHorse = QStringLiteral("Super Horse");
    server.enqueue(FixtureServer::Reply::serve(400));
    QTimer::singleShot(100, [] { FrmRaceStats::Open(); });
    int rows = -1;
    script.answerModal([&](QDialog* d) {
        rows = static_cast<FrmRaceStats*>(d)->grdStats->rows();
        d->accept();
    });
    FrmRaceStats::Open();
    EXPECT_EQ(rows, 6);
    EXPECT_EQ(server.sqlQueries().size(), 1);
    // Closed, the layout of the horse group is kept.
    EXPECT_EQ(gAppSettings.StatHorseWidth.split(QLatin1Char(',')).size(), 29);
}

TEST_F(RaceStatsWindow, LayoutIsKeptPerModeGroup)
{
    gStatsMode = QStringLiteral("trainer");
    gSelTrainer = QStringLiteral("P Moran");
    {
        FrmRaceStats w;
        w.Form_Load();
        // First opening: the design size and the table's widths and order.
        EXPECT_EQ(w.size(), QSize(FrmRaceStats::kDesignWidth, FrmRaceStats::kDesignHeight));
        EXPECT_EQ(w.grdStats->colWidth(col("Horse")), w.grdStats->scaledWidth(130));
        int spanned = 0; // the row text spans the columns 2 to 26 as made
        for (int c = 2; c <= 26; ++c)
            spanned += w.grdStats->colWidth(c);
        EXPECT_EQ(w.grdStats->colWidth(col("Spell")), spanned);
        EXPECT_EQ(w.grdStats->colPosition(col("Winner")), col("Winner"));
        w.setGeometry(40, 60, 900, 500);
        w.grdStats->setColWidth(col("Horse"), 170);
        w.grdStats->setColPosition(col("Winner"), 2);
        w.Form_Unload();
    }
    const cAppSettings& s = gAppSettings;
    EXPECT_FALSE(s.FrmTrainerMax);
    EXPECT_EQ(s.FrmTrainerWidth, 900 * 15);
    EXPECT_EQ(s.FrmTrainerLeft, 40 * 15);
    EXPECT_EQ(s.StatTrainerWidth.split(QLatin1Char(',')).size(), 29);
    EXPECT_EQ(s.StatTrainerWidth.split(QLatin1Char(',')).value(2), QStringLiteral("170"));
    EXPECT_EQ(s.FrmHorseWidth, 0);
    EXPECT_TRUE(s.StatHorseWidth.isEmpty());

    // Trainer/jockey shares the trainer group; jockey mode has its own.
    modJockey::gJockeyInList = QStringLiteral("( 'J SMITH', 'A BROWN')");
    gStatsMode = QStringLiteral("trainer/jockey");
    {
        FrmRaceStats w;
        w.Form_Load();
        EXPECT_EQ(w.grdStats->colWidth(col("Horse")), 170);
        EXPECT_EQ(w.grdStats->colPosition(col("Winner")), 2);
        EXPECT_EQ(w.geometry(), QRect(40, 60, 900, 500));
        // Closed maximised: the flag is stored, the place is left alone.
        w.setWindowState(Qt::WindowMaximized);
        w.Form_Unload();
    }
    EXPECT_TRUE(s.FrmTrainerMax);
    EXPECT_EQ(s.FrmTrainerWidth, 900 * 15);
    {
        FrmRaceStats w;
        w.Form_Load();
        EXPECT_TRUE(w.isMaximized());
    }
    gStatsMode = QStringLiteral("jockey");
    gSelJockey = QStringLiteral("J Smith");
    FrmRaceStats w;
    w.Form_Load();
    EXPECT_EQ(w.grdStats->colWidth(col("Horse")), w.grdStats->scaledWidth(130));
    EXPECT_FALSE(w.isMaximized());
    EXPECT_EQ(w.size(), QSize(FrmRaceStats::kDesignWidth, FrmRaceStats::kDesignHeight));
}

TEST_F(RaceStatsWindow, HeaderClicksSortWithTheirOwnFirstDirection)
{
    gStatsMode = QStringLiteral("horse");
    gSelHorse = QStringLiteral("Super Horse");
    FrmRaceStats w;
    w.Form_Load();
    Grid* g = w.grdStats;
    ASSERT_EQ(g->rows(), 6);

    // "Wgt" starts descending, then ascending.
    w.grdStats_OnColumnClick(col("Weight carried"));
    EXPECT_EQ(column(g, "Weight carried"), (QStringList{"59", "58", "57", "56.5", "55", "54"}));
    EXPECT_EQ(g->colHeaderImage(col("Weight carried")), 0);
    w.grdStats_OnColumnClick(col("Weight carried"));
    EXPECT_EQ(column(g, "Weight carried"), (QStringList{"54", "55", "56.5", "57", "58", "59"}));
    EXPECT_EQ(g->colHeaderImage(col("Weight carried")), 1);

    // "FP" sorts on the bare position, as a number, ascending first; the
    // arrow is on the clicked column only.
    w.grdStats_OnColumnClick(col("Finish position"));
    EXPECT_EQ(column(g, "FP"), (QStringList{"1", "1", "2", "3", "9", "10"}));
    EXPECT_EQ(g->colHeaderImage(col("Finish position")), 1);
    EXPECT_EQ(g->colHeaderImage(col("Weight carried")), -1);
    EXPECT_EQ(g->colHeaderImage(col("FP")), -1);
    w.grdStats_OnColumnClick(col("Finish position"));
    EXPECT_EQ(column(g, "FP"), (QStringList{"10", "9", "3", "2", "1", "1"}));
    EXPECT_EQ(g->colHeaderImage(col("Finish position")), 0);

    // Dates sort as dates, not as their dd/mm/yy text; spell rows keep their
    // marks and heights.
    w.grdStats_OnColumnClick(col("Race date"));
    EXPECT_EQ(column(g, "Race date"),
              (QStringList{"09/12/23", "30/12/23", "20/01/24", "05/03/24", "15/05/24", "01/06/24"}));
    EXPECT_EQ(g->cellText(5, col("Spell")), QStringLiteral("Spell(10w)"));
    EXPECT_GT(g->rowHeightAt(5), g->rowHeightAt(6));
}

TEST_F(RaceStatsWindow, DoubleClickOpensTheSelectedRunsRace)
{
    gStatsMode = QStringLiteral("horse");
    gSelHorse = QStringLiteral("Super Horse");
    FrmRaceStats w;
    w.Form_Load();
    QStringList calls;
    FrmRaceStats::SetResultOpener([&](const QString& d, const QString& t, const QString& r, const QString& h) {
        calls << (QStringList{d, t, r, h}).join(QLatin1Char(';'));
    });
    w.grdStats->clearSelectedCells();
    w.grdStats->setCurrentCell(-1, -1);
    w.grdStats_OnDblClick(1, 1);
    EXPECT_TRUE(calls.isEmpty());

    w.grdStats->setSelectedCell(3, col("Track"));
    // The row and column given are ignored: the selected row counts.
    w.grdStats_OnDblClick(1, 1);
    EXPECT_EQ(calls, QStringList{QStringLiteral("2024/03/05;FLEM;3;Super Horse")});
}

TEST_F(RaceStatsWindow, TheWindowStaysOpenWhileTheRaceResultLoads)
{
    server.insert(QStringLiteral("MEETMAST"), {{QStringLiteral("MDate"), QStringLiteral("2024-03-05")},
                                               {QStringLiteral("MTrack"), QStringLiteral("FLEM")},
                                               {QStringLiteral("MState"), QStringLiteral("VIC")},
                                               {QStringLiteral("MClub"), QStringLiteral("VRC")},
                                               {QStringLiteral("MMetType"), QStringLiteral("M")}});
    gStatsMode = QStringLiteral("horse");
    gSelHorse = QStringLiteral("Super Horse");
    FrmRaceStats w;
    w.Form_Load();
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    w.grdStats->setSelectedCell(3, col("Track"));

    // Exit and the close box while the race's particulars are on their way.
    server.enqueue(FixtureServer::Reply::serve(400));
    QTimer::singleShot(100, &w, [&w] {
        w.cmdExit->click();
        w.close();
    });
    QString result;
    bool statisticsOpen = false;
    script.answerModal([&](QDialog* d) {
        result = d->windowTitle();
        statisticsOpen = w.isVisible();
        d->accept();
    });
    w.grdStats_OnDblClick(1, 1);
    EXPECT_EQ(result, QStringLiteral("Race Results"));
    EXPECT_TRUE(statisticsOpen);
    EXPECT_TRUE(w.isVisible());

    // Back from the result, Exit closes the window.
    w.cmdExit->click();
    EXPECT_FALSE(w.isVisible());
}
} // namespace
