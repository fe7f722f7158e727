// The race view's weight, rating and last-start commands through the window:
// what the field shows afterwards, the refusals, and the window blocked while
// a slow answer is awaited.
#include "RaceViewFixture.h"

#include "core/HttpRequest.h"
#include "core/modJockeyWeb.h"
#include "fixtures/FixtureServer.h"
#include "platform/Prompts.h"
#include "support/QtPrinters.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QMutex>
#include <QMutexLocker>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace
{
const QString FLEM = QStringLiteral("0101FLEM");

QByteArray detailsPage(const QString& rating)
{
    return (QStringLiteral("<html><table><tr><td class=CellHead>VIC Rating</td></tr><tr><td>VIC</td><td>1</td>"
                           "<td>2</td><td>3</td><td>4</td><td>")
            + rating + QStringLiteral("</td></tr></table></html>"))
        .toUtf8();
}

class RaceViewCommands : public RaceViewTest
{
protected:
    FixtureServer server;
    Prompts::Script script;
    QMutex mutex;
    QMap<QByteArray, FixtureServer::Reply> pages; // by the searched, form-encoded name

    void SetUp() override
    {
        RaceViewTest::SetUp();
        server.connectProgram();
        modJockey::SetRbhSite(server.url());
        modDatabase::SetHttpTimeLimit(3000);
        server.setResponder([this](const FixtureServer::Request& r) -> std::optional<FixtureServer::Reply> {
            if (r.method != "POST")
                return std::nullopt;
            QMutexLocker lock(&mutex);
            for (auto it = pages.cbegin(); it != pages.cend(); ++it)
                if (r.body.contains("txtHorseName=" + it.key() + "&"))
                    return it.value();
            return FixtureServer::Reply::withBody("<html>FIND HORSE - Search</html>");
        });

        gAppSettings.AlwCalcWeights = true;
        addMeeting(FLEM, QStringLiteral("NOM"));
        addRace(FLEM, 1, QStringLiteral("1200 BM78 HANDICAP"));
        addRace(FLEM, 2, QStringLiteral("1400 3YO FIL HANDICAP"));
        addRunner(FLEM, 1, 1, QStringLiteral("Silver Lining (NZ)"), QStringLiteral("J Hawkes"),
                  {{QStringLiteral("Rating"), QStringLiteral("72")}, {QStringLiteral("HorseType"), QStringLiteral("f 3")},
                   {QStringLiteral("LastWeight"), 57}});
        addRunner(FLEM, 1, 2, QStringLiteral("Grey Dawn"), QStringLiteral("P Moody"),
                  {{QStringLiteral("Rating"), QStringLiteral("60")}, {QStringLiteral("HorseType"), QStringLiteral("G 4")},
                   {QStringLiteral("LastWeight"), 57}});
        addRunner(FLEM, 2, 1, QStringLiteral("Third Horse"), QStringLiteral("C Waller"),
                  {{QStringLiteral("Rating"), QStringLiteral("72")}, {QStringLiteral("HorseType"), QStringLiteral("F 3")}});
        for (const auto& [type, order] : QList<QPair<QString, int>>{{"BM78", 1}, {"CL6 M", 2}})
            db.insert(QStringLiteral("RaceType"), {{QStringLiteral("RaceType"), type},
                                                   {QStringLiteral("MetroOrder"), order},
                                                   {QStringLiteral("ProvOrder"), order}});
        for (const QString& type : {QStringLiteral("BM78"), QStringLiteral("CL6 M")}) {
            table(type, 72, 54);
            table(type, 60, 56);
            table(type, 71, 53.5);
        }
    }
    void TearDown() override
    {
        modJockey::SetRbhSite(QString());
        modDatabase::SetHttpTimeLimit(0);
        RaceViewTest::TearDown();
    }

    void table(const QString& raceType, int rating, double weight)
    {
        db.insert(QStringLiteral("RBHTable"), {{QStringLiteral("MeetType"), QStringLiteral("M")},
                                               {QStringLiteral("RaceType"), raceType},
                                               {QStringLiteral("Rating"), rating},
                                               {QStringLiteral("weight"), weight}});
    }
    void page(const QByteArray& name, const FixtureServer::Reply& reply)
    {
        QMutexLocker lock(&mutex);
        pages.insert(name, reply);
    }
    QString cell(const QString& horse, int col) const { return form->grdRace->cellText(rowOf(horse), col); }
    QVariant stored(const QString& column, const QString& horse) const
    {
        return db.scalar(QStringLiteral("SELECT ") + column + QStringLiteral(" FROM Noms WHERE Horse = ?"), {horse});
    }
};

TEST_F(RaceViewCommands, CalculateWeightsShowsTheEstimatesAndAnEmptyTypeIsRefused)
{
    FrmRace& f = open(FLEM, 1);
    ASSERT_TRUE(f.cmdCalcWgts->isEnabled());
    f.cmbRaceType->setCurrentText(QStringLiteral("BM78"));
    f.cmdCalcWgts->click();

    EXPECT_EQ(cell(QStringLiteral("Silver Lining (NZ)"), FrmRace::ColLastWeight), QStringLiteral("51.5"));
    EXPECT_EQ(cell(QStringLiteral("Grey Dawn"), FrmRace::ColLastWeight), QStringLiteral("56"));
    EXPECT_EQ(db.scalar(QStringLiteral("SELECT RaceType FROM Race WHERE MeetingCode = ? AND RaceNumber = 1"), {FLEM})
                  .toString(),
              QStringLiteral("BM78"));
    EXPECT_FALSE(QApplication::overrideCursor());

    // Another type: the field shows the new figures at once.
    f.cmbRaceType->setCurrentText(QStringLiteral("CL6 M"));
    f.cmdCalcWgts->click();
    EXPECT_EQ(cell(QStringLiteral("Silver Lining (NZ)"), FrmRace::ColLastWeight), QStringLiteral("54"));

    // No type chosen: told, nothing written.
    f.cmbRaceType->setCurrentIndex(-1);
    const QByteArray before = db.fileHash();
    script.answerMsgBox(Prompts::vbOK);
    f.cmdCalcWgts->click();
    ASSERT_EQ(script.records().size(), 1);
    EXPECT_EQ(script.records()[0].text, QStringLiteral("You must select a race type to use to calculate weights"));
    EXPECT_EQ(db.fileHash(), before);
    EXPECT_TRUE(f.isEnabled());
}

TEST_F(RaceViewCommands, RaceTypeListStartsEmptyAndTheWeightsWaitForAPickedRace)
{
    // The whole meeting: no type is chosen, and with one chosen there is still
    // no race to calculate; either way the user is told and nothing is written.
    FrmRace& m = open(FLEM, 0);
    ASSERT_EQ(m.cmbRaceType->count(), 2);
    EXPECT_EQ(m.cmbRaceType->currentIndex(), -1);
    const QByteArray before = db.fileHash();
    script.answerMsgBox(Prompts::vbOK).answerMsgBox(Prompts::vbOK);
    m.cmdCalcWgts->click();
    m.cmbRaceType->setCurrentText(QStringLiteral("BM78"));
    m.cmdCalcWgts->click();
    ASSERT_EQ(script.records().size(), 2);
    EXPECT_EQ(script.records()[0].text, QStringLiteral("You must select a race type to use to calculate weights"));
    EXPECT_EQ(script.records()[1].text,
              QStringLiteral("Pick a race first: click a runner of the race whose weights are to be calculated."));
    EXPECT_EQ(db.fileHash(), before);

    // Race 1 picked in the race list: its (empty) type is shown, and the
    // calculation acts on that race alone.
    m.grdRaces->setSelectedCell(1, 1);
    m.grdRaces_OnMouseUp(1, 0, 0, 0);
    ASSERT_EQ(m.RaceNumber, 1);
    EXPECT_EQ(m.cmbRaceType->currentIndex(), -1);
    m.cmbRaceType->setCurrentText(QStringLiteral("BM78"));
    m.cmdCalcWgts->click();
    EXPECT_DOUBLE_EQ(stored(QStringLiteral("LastWeight"), QStringLiteral("Grey Dawn")).toDouble(), 56.0);
    EXPECT_TRUE(stored(QStringLiteral("LastWeight"), QStringLiteral("Third Horse")).isNull());
    EXPECT_EQ(script.records().size(), 2);

    // A stored type the list lacks is shown, and a recalculation uses it.
    db.exec(QStringLiteral("UPDATE Race SET RaceType = 'OLD HCP' WHERE RaceNumber = 2"));
    table(QStringLiteral("OLD HCP"), 72, 55);
    FrmRace& f = open(FLEM, 2);
    EXPECT_EQ(f.cmbRaceType->currentText(), QStringLiteral("OLD HCP"));
    f.cmdCalcWgts->click();
    EXPECT_EQ(script.records().size(), 2);
    EXPECT_EQ(cell(QStringLiteral("Third Horse"), FrmRace::ColLastWeight), QStringLiteral("55"));
    // Back on race 1 (stored "BM78" above) the list holds its own types only.
    f.grdRaces->setSelectedCell(1, 1);
    f.grdRaces_OnMouseUp(1, 0, 0, 0);
    EXPECT_EQ(f.cmbRaceType->count(), 2);
    EXPECT_EQ(f.cmbRaceType->currentText(), QStringLiteral("BM78"));
}

TEST_F(RaceViewCommands, UpdateRatingsShowsTheFetchedRatingsAndIsRefusedForTheWholeMeeting)
{
    page("Silver+Lining+%28NZ%29", FixtureServer::Reply::withBody(detailsPage(QStringLiteral("74"))));
    page("Grey+Dawn", FixtureServer::Reply::withBody(detailsPage(QStringLiteral("&nbsp;"))));
    FrmRace& f = open(FLEM, 1);
    f.cmdRating->click();

    EXPECT_EQ(server.requestCount(), 2);
    EXPECT_EQ(cell(QStringLiteral("Silver Lining (NZ)"), FrmRace::ColRating), QStringLiteral("74"));
    EXPECT_EQ(cell(QStringLiteral("Grey Dawn"), FrmRace::ColRating), QStringLiteral("60"));
    EXPECT_TRUE(script.records().isEmpty());

    // The ratings feed the weights: 74 has no table row, so 0.
    f.cmbRaceType->setCurrentText(QStringLiteral("BM78"));
    f.cmdCalcWgts->click();
    EXPECT_DOUBLE_EQ(stored(QStringLiteral("LastWeight"), QStringLiteral("Silver Lining (NZ)")).toDouble(), 0.0);
    page("Silver+Lining+%28NZ%29", FixtureServer::Reply::withBody(detailsPage(QStringLiteral("71"))));
    f.cmdRating->click();
    f.cmdCalcWgts->click();
    EXPECT_EQ(cell(QStringLiteral("Silver Lining (NZ)"), FrmRace::ColLastWeight), QStringLiteral("51"));
    f.show();
    QApplication::processEvents();
    f.grdRace->ensureVisible(1, FrmRace::ColLastClass); // the estimates' column in view
    QApplication::processEvents();
    ASSERT_TRUE(f.grab().toImage().save(outputDir() + QStringLiteral("/raceview-weights-ratings.png")));

    server.clearRequests();
    FrmRace& m = open(FLEM, 0);
    EXPECT_FALSE(m.cmdRating->isEnabled());
    script.answerMsgBox(Prompts::vbOK);
    m.cmdRating_Click();
    EXPECT_EQ(server.requestCount(), 0);
    ASSERT_EQ(script.records().size(), 1);
    EXPECT_EQ(script.records()[0].text, QStringLiteral("Only allowed in race view!"));
    EXPECT_EQ(script.records()[0].title, QStringLiteral("Access denied"));
    EXPECT_EQ(script.records()[0].style, Prompts::vbInformation + Prompts::vbOKOnly);
}

TEST_F(RaceViewCommands, UpdateExtrasForTheWholeMeetingAsksOnceForAllItsHorses)
{
    server.insertMany(QStringLiteral("WORKRACE"),
                      {"WRaceDate", "WRaceNo", "WHorse", "WTrack", "WWgtChar", "WBeatMar", "WJockey", "WMoneyWon",
                       "WWghtRat", "W800400", "WTrainer"},
                      {{"2024-11-02", 5, "THIRD HORSE", "FLEM", "56.5", "WON", "J SMITH", 30000, 72, "1210",
                        "C WALLER"}});
    server.insertMany(QStringLiteral("RACEMAST"), {"RDate", "RTrack", "RRaceNo", "RClass", "RValue", "RSecTime"},
                      {{"2024-11-02", "FLEM", 5, "BM70", 50000, "1:35.12"}});
    server.insertMany(QStringLiteral("HORSMAST"), {"HHorse", "HWinAge", "HWinSex"}, {{"THIRD HORSE", 3, "F"}});

    FrmRace& m = open(FLEM, 0);
    m.CmdUpdExtra->click();

    const QStringList sql = server.sqlQueries();
    ASSERT_EQ(sql.size(), 1);
    EXPECT_TRUE(sql[0].contains(QStringLiteral("in ( 'Silver Lining ', 'Grey Dawn', 'Third Horse') GROUP BY")))
        << sql[0].toStdString();
    EXPECT_EQ(cell(QStringLiteral("Third Horse"), FrmRace::ColLastJockey), QStringLiteral("J Smith"));
    EXPECT_TRUE(m.isEnabled());
}

TEST_F(RaceViewCommands, WhileARatingAnswerIsAwaitedTheWindowCannotCloseOrRunAgain)
{
    page("Silver+Lining+%28NZ%29", FixtureServer::Reply::withBody(detailsPage(QStringLiteral("74"))).after(600));
    page("Grey+Dawn", FixtureServer::Reply::withBody(detailsPage(QStringLiteral("61"))));
    FrmRace& f = open(FLEM, 1);
    f.show();

    bool busy = false, enabled = true, visible = false;
    QTimer::singleShot(150, &f, [&] {
        busy = f.IsBusy();
        enabled = f.isEnabled();
        f.close();
        f.reject();
        QTest::keyClick(&f, Qt::Key_Escape);
        f.cmdExit->click();
        f.cmdRating_Click();
        f.CmdUpdExtra_Click();
        f.cmdCalcWgts_Click();
        visible = f.isVisible();
    });
    f.cmdRating_Click();

    EXPECT_TRUE(busy);
    EXPECT_FALSE(enabled);
    EXPECT_TRUE(visible);
    EXPECT_EQ(server.requestCount(), 2); // one search per runner, once
    EXPECT_TRUE(server.sqlQueries().isEmpty());
    EXPECT_TRUE(script.records().isEmpty());
    EXPECT_EQ(cell(QStringLiteral("Silver Lining (NZ)"), FrmRace::ColRating), QStringLiteral("74"));
    EXPECT_EQ(cell(QStringLiteral("Grey Dawn"), FrmRace::ColRating), QStringLiteral("61"));
    EXPECT_DOUBLE_EQ(stored(QStringLiteral("LastWeight"), QStringLiteral("Grey Dawn")).toDouble(), 57.0);

    // Afterwards the window works and closes as usual.
    EXPECT_FALSE(f.IsBusy());
    EXPECT_TRUE(f.isVisible());
    EXPECT_TRUE(f.isEnabled());
    EXPECT_FALSE(QApplication::overrideCursor());
    f.close();
    EXPECT_FALSE(f.isVisible());
}

TEST_F(RaceViewCommands, ClosingDuringASlowLastStartAnswerWaitsForIt)
{
    server.enqueue(FixtureServer::Reply::serve(600));
    FrmRace& m = open(FLEM, 0);
    m.show();
    bool visible = false;
    QTimer::singleShot(150, &m, [&] {
        m.close();
        m.CmdUpdExtra_Click();
        visible = m.isVisible();
    });
    m.CmdUpdExtra->click();

    EXPECT_TRUE(visible);
    EXPECT_EQ(server.sqlQueries().size(), 1);
    EXPECT_TRUE(m.isEnabled());
    m.close();
    EXPECT_FALSE(m.isVisible());
}
} // namespace
