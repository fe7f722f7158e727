// The race view's statistics commands open the program's own statistics
// window: each reaches the form database with its mode's condition and the
// runner's names, and the window names its subject.
#include "RaceViewFixture.h"

#include "core/HttpRequest.h"
#include "core/modOpeners.h"
#include "fixtures/FixtureServer.h"
#include "formhistory/FormFixture.h"
#include "formhistory/FormHistoryOpeners.h"
#include "formhistory/FrmRaceStats.h"
#include "platform/ImageList.h"
#include "platform/PopMenu.h"
#include "platform/Prompts.h"
#include "support/QtPrinters.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <ostream>

namespace
{
const QString FLEM = QStringLiteral("0712FLEM");
using F = FrmRace;

/** What one statistics window showed while it was open. */
struct Shown
{
    QString title;
    QString label;
    int runs = -1;
    bool hourglass = true;
};

class RaceViewStatistics : public RaceViewTest
{
protected:
    FixtureServer server;
    Prompts::Script prompts;
    QList<Shown> shown;

    void SetUp() override
    {
        RaceViewTest::SetUp();
        modOpeners::Openers() = WindowOpeners{};
        RegisterFormHistoryOpeners();
        server.connectProgram();
        modDatabase::SetHttpTimeLimit(3000);

        addMeeting(FLEM, QStringLiteral("ACP"));
        addRace(FLEM, 5, QStringLiteral("1200 RACE5"));
        // The trainer as the field lists him, and as the form database
        // spelt him at the horse's last start.
        addRunner(FLEM, 5, 1, QStringLiteral("Five A (NZ)"), QStringLiteral("D O'Brien"),
                  {{QStringLiteral("FormTrainer"), QStringLiteral("DAN O'BRIEN")}});
        addJockey(QStringLiteral("Kate O'Ray"), QStringLiteral(" 65280"));
        addJockey(QStringLiteral("John Smith"), QStringLiteral(" 255"));
        addBooking(FLEM, QStringLiteral("Five A (NZ)"), QStringLiteral("Kate O'Ray"), QStringLiteral("Planned"));
        // Managed jockeys' rides, so that both best-placing icons show.
        addRide(QStringLiteral("KATE O'RAY"), QStringLiteral("FIVE A"), 1, QStringLiteral("DAN O'BRIEN"));
        modJockey::gJockeyInList =
            modJockey::BuildJockeyInList({QStringLiteral("John Smith"), QStringLiteral("Kate O'Ray")});

        const QString h = QStringLiteral("FIVE A");
        AddFormRace(server, QStringLiteral("2024-11-20"), QStringLiteral("FLEM"), 5, QStringLiteral("G"),
                    {{h, 1, QStringLiteral("KATE O'RAY"), QStringLiteral("D O'BRIEN")},
                     {QStringLiteral("RED SKY"), 2, QStringLiteral("C LEE")}});
        AddFormRace(server, QStringLiteral("2024-10-01"), QStringLiteral("CAUL"), 3, QStringLiteral("S"),
                    {{QStringLiteral("RED SKY"), 1, QStringLiteral("C LEE")},
                     {h, 2, QStringLiteral("JOHN SMITH"), QStringLiteral("DAN O'BRIEN")}});
        AddFormRace(server, QStringLiteral("2024-09-09"), QStringLiteral("SAND"), 2, QStringLiteral("D"),
                    {{QStringLiteral("OTHER ONE"), 1, QStringLiteral("KATE O'RAY"), QStringLiteral("D O'BRIEN")},
                     {QStringLiteral("RED SKY"), 2, QStringLiteral("C LEE"), QStringLiteral("P MORAN")}});
    }
    void TearDown() override
    {
        modDatabase::SetHttpTimeLimit(0);
        modOpeners::Openers() = WindowOpeners{};
        EXPECT_TRUE(prompts.unexpected().isEmpty());
        RaceViewTest::TearDown();
    }

    /** Answers the next statistics window: notes what it shows, closes it. */
    void expectStatistics()
    {
        prompts.answerModal([this](QDialog* d) {
            auto* w = qobject_cast<FrmRaceStats*>(d);
            ASSERT_NE(w, nullptr);
            shown << Shown{w->windowTitle(), w->lblStatsDesc->text(), w->grdStats->rows(),
                           QApplication::overrideCursor() != nullptr};
            w->cmdExit->click();
        });
    }
    /** The WHERE condition of the last statistics query sent. */
    QString lastCondition() const
    {
        const QString sql = server.sqlQueries().value(server.sqlQueries().size() - 1);
        const int from = int(sql.indexOf(QStringLiteral(" WHERE "))) + 7;
        const int to = int(sql.indexOf(QStringLiteral(" ORDER BY ")));
        return from >= 7 && to > from ? sql.mid(from, to - from) : sql;
    }
    FrmRace& showRace()
    {
        FrmRace& f = open(FLEM, 5);
        f.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&f));
        return f;
    }
    static QPoint inViewport(Grid* g, int row, int col)
    {
        return g->viewport()->mapFrom(g, g->cellRect(row, col).center());
    }
};

TEST_F(RaceViewStatistics, RunnerMenuOpensTheWindowOnTheHorseJockeyAndTrainer)
{
    FrmRace& f = showRace();
    const int row = rowOf(QStringLiteral("Five A (NZ)"));
    ASSERT_GT(row, 0);
    PopMenu::Script menus;
    menus.choose(QStringLiteral("Horse Form")).choose(QStringLiteral("Jockey")).choose(QStringLiteral("Trainer"));
    for (int i = 0; i < 3; ++i) {
        expectStatistics();
        QTest::mouseClick(f.grdRace->viewport(), Qt::RightButton, {}, inViewport(f.grdRace, row, F::ColHorse));
    }
    ASSERT_EQ(shown.size(), 3);
    const QStringList sql = server.sqlQueries();
    ASSERT_EQ(sql.size(), 3);

    // The horse without its country code (the blank before it stays).
    EXPECT_EQ(sql[0], FormStats::QueryText(QStringLiteral("A.WHorse= 'FIVE A '")));
    EXPECT_EQ(shown[0].title, QStringLiteral("Racing Statistics for Horse Five A (NZ)"));
    EXPECT_EQ(shown[0].label, QStringLiteral("Horse : Five A (NZ)"));
    EXPECT_EQ(shown[0].runs, 2);

    EXPECT_EQ(sql[1], FormStats::QueryText(QStringLiteral("A.WJockey= 'KATE O''RAY'")));
    EXPECT_EQ(shown[1].title, QStringLiteral("Racing Statistics for Jockey Kate O'Ray"));
    EXPECT_EQ(shown[1].label, QStringLiteral("Jockey :Kate O'Ray"));
    EXPECT_EQ(shown[1].runs, 2);

    // The field's trainer and his last-start spelling both count.
    EXPECT_EQ(sql[2], FormStats::QueryText(
                          QStringLiteral("(A.WTrainer = 'D O''BRIEN'or A.WTrainer = 'DAN O''BRIEN')")));
    EXPECT_EQ(shown[2].title, QStringLiteral("Racing Statistics for Trainer D O'Brien"));
    EXPECT_EQ(shown[2].runs, 3);
    EXPECT_TRUE(gSelFormTrainer.isEmpty());

    // The manager works in the window with the normal pointer.
    for (const Shown& s : shown)
        EXPECT_FALSE(s.hourglass) << s.title.toStdString();
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(RaceViewStatistics, IconDoubleClicksAndTheJockeyListOpenTheWindow)
{
    FrmRace& f = showRace();
    const int row = rowOf(QStringLiteral("Five A (NZ)"));
    ASSERT_GT(row, 0);
    ASSERT_NE(f.grdRace->cellIcon(row, F::ColHorseIcon), -1);
    ASSERT_NE(f.grdRace->cellIcon(row, F::ColTrainerIcon), -1);

    expectStatistics();
    QTest::mouseDClick(f.grdRace->viewport(), Qt::LeftButton, {}, inViewport(f.grdRace, row, F::ColHorseIcon));
    expectStatistics();
    QTest::mouseDClick(f.grdRace->viewport(), Qt::LeftButton, {}, inViewport(f.grdRace, row, F::ColTrainerIcon));
    const int kate = gridRow(f.grdJockey, QStringLiteral("Kate O'Ray"));
    ASSERT_GT(kate, 0);
    f.grdJockey->setSelectedCell(kate, 1);
    PopMenu::Script menus;
    menus.choose(QStringLiteral("Jockey"));
    expectStatistics();
    QTest::mouseClick(f.grdJockey->viewport(), Qt::RightButton, {}, inViewport(f.grdJockey, kate, 1));

    ASSERT_EQ(shown.size(), 3);
    const QStringList sql = server.sqlQueries();
    ASSERT_EQ(sql.size(), 3);
    const QString managed = QStringLiteral("( 'John Smith', 'Kate O''Ray')");
    ASSERT_EQ(modJockey::gJockeyInList, managed);

    EXPECT_EQ(sql[0], FormStats::QueryText(QStringLiteral("A.WHorse= 'FIVE A 'and A.WJockey in ") + managed));
    EXPECT_EQ(shown[0].title, QStringLiteral("Racing Statistics for Horse Five A (NZ)  &  Jockey : All Managed Jockeys"));
    EXPECT_EQ(shown[0].runs, 2);

    EXPECT_EQ(sql[1], FormStats::QueryText(
                          QStringLiteral("(A.WTrainer = 'D O''BRIEN' or A.WTrainer = 'DAN O''BRIEN') and A.WJockey in ") +
                          managed));
    EXPECT_EQ(shown[1].label,
              QStringLiteral("Trainer : D O'Brien           Jockey : All Managed Jockeys"));
    EXPECT_EQ(shown[1].runs, 3);

    EXPECT_EQ(sql[2], FormStats::QueryText(QStringLiteral("A.WJockey= 'KATE O''RAY'")));
    EXPECT_EQ(shown[2].title, QStringLiteral("Racing Statistics for Jockey Kate O'Ray"));

    for (const Shown& s : shown)
        EXPECT_FALSE(s.hourglass) << s.title.toStdString();
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}
} // namespace
