// The race result window against the fixture form database.
#include "core/HttpRequest.h"
#include "core/cAppSettings.h"
#include "formhistory/FormFixture.h"
#include "formhistory/frmRaceResult.h"
#include "platform/Grid.h"
#include "platform/Prompts.h"
#include "support/QtPrinters.h"
#include "support/TestEnv.h"

#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <ostream>

namespace
{
const QString kDate = QStringLiteral("2024/06/01");

class RaceResult : public ::testing::Test
{
protected:
    TestEnv env;
    FixtureServer server;
    Prompts::Script script;

    void SetUp() override
    {
        server.connectProgram();
        modDatabase::SetHttpTimeLimit(3000);
        server.insert(QStringLiteral("MEETMAST"), {{QStringLiteral("MDate"), QStringLiteral("2024-06-01")},
                                                   {QStringLiteral("MTrack"), QStringLiteral("FLEM")},
                                                   {QStringLiteral("MState"), QStringLiteral("VIC")},
                                                   {QStringLiteral("MClub"), QStringLiteral("VRC")},
                                                   {QStringLiteral("MMetType"), QStringLiteral("M")}});
        AddFormRace(server, QStringLiteral("2024-06-01"), QStringLiteral("FLEM"), 5, QStringLiteral("G"),
                    {{QStringLiteral("RED SKY"), 1, QStringLiteral("A BROWN"), QStringLiteral("J HAWKES"), 57,
                      QStringLiteral("WON")},
                     {QStringLiteral("SUPER HORSE"), 2, QStringLiteral("J SMITH"), QStringLiteral("P MORAN"), 56.5},
                     {QStringLiteral("NO PAPERS"), 3, QStringLiteral("C LEE"), QStringLiteral("P MORAN"), 54,
                      QStringLiteral("2.3")}},
                    QStringLiteral("WINTER HANDICAP"), 12.5);
        server.insert(QStringLiteral("HORSMAST"), {{QStringLiteral("HHorse"), QStringLiteral("RED SKY")},
                                                   {QStringLiteral("HWinAge"), 5},
                                                   {QStringLiteral("HWinSex"), QStringLiteral("M")},
                                                   {QStringLiteral("HSireWin"), QStringLiteral("RED SIRE")},
                                                   {QStringLiteral("HDamWin"), QStringLiteral("SKY DAM")}});
        server.insert(QStringLiteral("HORSMAST"), {{QStringLiteral("HHorse"), QStringLiteral("SUPER HORSE")},
                                                   {QStringLiteral("HWinAge"), 4},
                                                   {QStringLiteral("HWinSex"), QStringLiteral("G")},
                                                   {QStringLiteral("HSireWin"), QStringLiteral("SUPER SIRE")},
                                                   {QStringLiteral("HDamWin"), QStringLiteral("FINE DAM")}});
    }
    void TearDown() override
    {
        modDatabase::SetHttpTimeLimit(0);
        EXPECT_TRUE(script.unexpected().isEmpty());
    }

    static QString box(QDialog* d, const char* name)
    {
        return d->findChild<QLineEdit*>(QString::fromLatin1(name))->text();
    }
    int modalsShown() const
    {
        int n = 0;
        for (const auto& r : script.records())
            n += r.kind == Prompts::Kind::Modal ? 1 : 0;
        return n;
    }
};

TEST_F(RaceResult, ShowsTheRaceWithTheHorseInBold)
{
    QMap<QString, QString> boxes;
    QList<QStringList> rows;
    QList<QList<bool>> bold;
    script.answerModal([&](QDialog* d) {
        for (const char* name : {"txtMeetDesc", "txtMeetType", "txtMeetState", "txtRaceDesc", "txtRaceType",
                                 "txtRaceClass", "txtSec", "txtCond", "txtLimWeight", "txtValue"})
            boxes[QString::fromLatin1(name)] = box(d, name);
        auto* g = d->findChild<Grid*>(QStringLiteral("grdResults"));
        for (int r = 1; r <= g->rows(); ++r) {
            QStringList texts;
            QList<bool> weights;
            for (int c = 1; c <= g->columns(); ++c) {
                texts << g->cellText(r, c);
                weights << g->cellFont(r, c).bold();
            }
            rows << texts;
            bold << weights;
        }
        EXPECT_TRUE(d->findChild<QLabel*>(QStringLiteral("lblDescription"))->text().isEmpty());
        EXPECT_EQ(g->cellAlignment(1, 1) & Qt::AlignHorizontal_Mask, Qt::AlignRight);
        EXPECT_EQ(g->cellAlignment(1, 2) & Qt::AlignHorizontal_Mask, Qt::AlignLeft);
        EXPECT_TRUE(SavePicture(d, QStringLiteral("race-result.png")));
        d->accept();
    });

    frmRaceResult::OpenResult(kDate, QStringLiteral("FLEM"), QStringLiteral("5"), QStringLiteral("Super Horse"));

    ASSERT_EQ(server.sqlQueries().size(), 2);
    EXPECT_EQ(server.sqlQueries()[0], frmRaceResult::HeaderSql(kDate, QStringLiteral("FLEM"), QStringLiteral("5")));
    EXPECT_TRUE(server.sqlQueries()[0].endsWith(
        QStringLiteral("AND RDate = '2024/06/01' AND RTrack = 'FLEM' AND RRaceNo = '5' ")));
    EXPECT_EQ(boxes[QStringLiteral("txtMeetDesc")], QStringLiteral(" FLEM 01/06/2024 - VRC"));
    EXPECT_EQ(boxes[QStringLiteral("txtMeetType")], QStringLiteral(" Metro"));
    EXPECT_EQ(boxes[QStringLiteral("txtMeetState")], QStringLiteral("VIC"));
    EXPECT_EQ(boxes[QStringLiteral("txtRaceDesc")], QStringLiteral("5    1400    WINTER HANDICAP"));
    EXPECT_EQ(boxes[QStringLiteral("txtRaceType")], QString());
    EXPECT_EQ(boxes[QStringLiteral("txtRaceClass")], QStringLiteral("BM70"));
    EXPECT_EQ(boxes[QStringLiteral("txtSec")], QStringLiteral("083.40"));
    EXPECT_EQ(boxes[QStringLiteral("txtCond")], QStringLiteral("Good"));
    EXPECT_EQ(boxes[QStringLiteral("txtLimWeight")], QStringLiteral("54"));
    EXPECT_EQ(boxes[QStringLiteral("txtValue")], QStringLiteral("$ 12,500.00"));

    ASSERT_EQ(rows.size(), 3);
    EXPECT_EQ(rows[0], (QStringList{"1", "Red Sky", "Won", "A Brown", "4", "57", "", "0302", "J Hawkes", "$4.60",
                                    "30000", "5 M", "Red Sire/Sky Dam"}));
    // No horse master row: an empty type and a lone "/".
    EXPECT_EQ(rows[2].mid(11), (QStringList{"", "/"}));
    const QList<bool> superRow = {false, true, true, true, true, true, true, true, true, true, true, false, false};
    EXPECT_EQ(bold[1], superRow);
    for (const QList<bool>& other : {bold[0], bold[2]})
        EXPECT_FALSE(other.contains(true));
    EXPECT_EQ(gAppSettings.RaceResultsGridWidth.split(QLatin1Char(',')).size(), 13);
}

TEST_F(RaceResult, HeaderBoxesReadTypesConditionsPaddingAndMoney)
{
    frmRaceResult w;
    w.Form_Load();
    const QStringList f = {"VRC", "C", "VIC", "1200", "MAIDEN", "MDN", "72.10", "H", "56", "0.75"};
    w.FillHeader(kDate, QStringLiteral("CAUL"), QStringLiteral("3"), f);
    EXPECT_EQ(w.txtMeetType->text(), QStringLiteral(" Country"));
    EXPECT_EQ(w.txtCond->text(), QStringLiteral("Heavy"));
    EXPECT_EQ(w.txtRaceDesc->text(), QStringLiteral("3    1200    MAIDEN"));
    EXPECT_EQ(w.txtValue->text(), QStringLiteral("$ 750.00"));

    QStringList g = f;
    g[1] = QStringLiteral("P");
    g[7] = QStringLiteral("F");
    w.FillHeader(kDate, QStringLiteral("CAUL"), QStringLiteral("1234567"), g);
    EXPECT_EQ(w.txtMeetType->text(), QStringLiteral(" Provincial"));
    EXPECT_EQ(w.txtCond->text(), QStringLiteral("Fast"));
    EXPECT_TRUE(w.txtRaceDesc->text().startsWith(QStringLiteral("123451200    ")));
    g[1] = QString();
    w.FillHeader(kDate, QStringLiteral("CAUL"), QStringLiteral("3"), g);
    EXPECT_EQ(w.txtMeetType->text(), QStringLiteral("Unknown"));
    g[1] = QStringLiteral("X");
    w.FillHeader(kDate, QStringLiteral("CAUL"), QStringLiteral("3"), g);
    EXPECT_EQ(w.txtMeetType->text(), QString());

    // A short header row fills what it has; a value that is no number shows nothing.
    w.FillHeader(kDate, QStringLiteral("CAUL"), QStringLiteral("3"), {"VRC", "M", "VIC"});
    EXPECT_EQ(w.txtMeetState->text(), QStringLiteral("VIC"));
    EXPECT_EQ(w.txtValue->text(), QString());
    EXPECT_EQ(frmRaceResult::MoneyText(QStringLiteral("abc")), QString());
    EXPECT_EQ(frmRaceResult::MoneyText(QStringLiteral("1234.5678")), QStringLiteral("$ 1,234,567.80"));
    EXPECT_EQ(frmRaceResult::PadText(5, QStringLiteral("ab")), QStringLiteral("ab   "));
}

TEST_F(RaceResult, ARaceWithoutFinishersShowsAnEmptyGrid)
{
    AddFormRace(server, QStringLiteral("2024-06-01"), QStringLiteral("FLEM"), 9, QStringLiteral("G"), {});
    int rows = -1;
    QString desc;
    script.answerModal([&](QDialog* d) {
        rows = d->findChild<Grid*>(QStringLiteral("grdResults"))->rows();
        desc = box(d, "txtRaceDesc");
        d->accept();
    });
    frmRaceResult::OpenResult(kDate, QStringLiteral("FLEM"), QStringLiteral("9"), QStringLiteral("Super Horse"));
    EXPECT_EQ(rows, 0);
    EXPECT_TRUE(desc.startsWith(QStringLiteral("9    1400")));
}

TEST_F(RaceResult, ErrorAndEmptyRepliesAreReportedAndTheWindowIsNotShown)
{
    server.enqueue(FixtureServer::Reply::withStatus(500, "Internal Server Error"));
    script.answerMsgBox(Prompts::vbOK);
    frmRaceResult::OpenResult(kDate, QStringLiteral("FLEM"), QStringLiteral("5"), QStringLiteral("Super Horse"));
    ASSERT_EQ(script.messages().size(), 1);
    EXPECT_EQ(script.messages()[0].text, QStringLiteral("Error: 500 Internal Server Error"));
    EXPECT_EQ(script.messages()[0].title, QStringLiteral("Connection error"));
    EXPECT_EQ(script.messages()[0].style, int(Prompts::vbCritical));

    // No such race: the header comes back empty.
    script.answerMsgBox(Prompts::vbOK);
    frmRaceResult::OpenResult(kDate, QStringLiteral("FLEM"), QStringLiteral("8"), QStringLiteral("Super Horse"));
    ASSERT_EQ(script.messages().size(), 2);
    EXPECT_EQ(script.messages()[1].text, QStringLiteral("No Data Returned. conatct Support"));
    EXPECT_EQ(script.messages()[1].title, QStringLiteral("Connection error"));

    // The finishers query failing after a good header.
    server.enqueue(FixtureServer::Reply::serve());
    server.enqueue(FixtureServer::Reply::withStatus(404, "Not Found"));
    script.answerMsgBox(Prompts::vbOK);
    frmRaceResult::OpenResult(kDate, QStringLiteral("FLEM"), QStringLiteral("5"), QStringLiteral("Super Horse"));
    ASSERT_EQ(script.messages().size(), 3);
    EXPECT_EQ(script.messages()[2].text, QStringLiteral("Error: 404 Not Found"));
    EXPECT_EQ(modalsShown(), 0);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(RaceResult, RepliesNotInTheServicesFormatAreReportedAndTheWindowIsNotShown)
{
    const QByteArray page =
        "<!DOCTYPE html><html><head><title>Sign in</title></head><body>VRC|M|VIC<br>Welcome</body></html>";
    const QByteArray noise("\x89PNG\r\n\x1a\n\x00\x01|garbage\xff\xfe", 22);
    // A web page or random bytes for the header, then for the finishers
    // after a good header.
    for (const QByteArray& body : {page, noise}) {
        SCOPED_TRACE(body.toStdString());
        server.enqueue(FixtureServer::Reply::withBody(body));
        script.answerMsgBox(Prompts::vbOK);
        frmRaceResult::OpenResult(kDate, QStringLiteral("FLEM"), QStringLiteral("5"), QStringLiteral("Super Horse"));
        server.enqueue(FixtureServer::Reply::serve());
        server.enqueue(FixtureServer::Reply::withBody(body));
        script.answerMsgBox(Prompts::vbOK);
        frmRaceResult::OpenResult(kDate, QStringLiteral("FLEM"), QStringLiteral("5"), QStringLiteral("Super Horse"));
    }
    const auto shown = script.messages();
    ASSERT_EQ(shown.size(), 4);
    for (const auto& m : shown) {
        EXPECT_EQ(m.text, modDatabase::kMalformedReplyText);
        EXPECT_EQ(m.title, QStringLiteral("Connection error"));
    }
    EXPECT_EQ(modalsShown(), 0);
    EXPECT_EQ(server.sqlQueries().size(), 6);
}

TEST_F(RaceResult, ASecondOpeningDuringTheWaitDoesNothing)
{
    server.enqueue(FixtureServer::Reply::serve(400));
    QTimer::singleShot(100, [] {
        frmRaceResult::OpenResult(kDate, QStringLiteral("FLEM"), QStringLiteral("5"), QStringLiteral("Red Sky"));
    });
    script.answerModal([](QDialog* d) { d->accept(); });
    frmRaceResult::OpenResult(kDate, QStringLiteral("FLEM"), QStringLiteral("5"), QStringLiteral("Super Horse"));
    EXPECT_EQ(server.sqlQueries().size(), 2);
    EXPECT_EQ(modalsShown(), 1);
}

TEST_F(RaceResult, LayoutIsRestoredAndSaved)
{
    gAppSettings.RaceResultsGridWidth = QStringLiteral("50,,0,x");
    gAppSettings.RaceResultsGridOrder = QStringLiteral("");
    gAppSettings.RaceResultsLeft = 300;
    gAppSettings.RaceResultsWidth = 12000;
    QList<int> widths, made;
    script.answerModal([&](QDialog* d) {
        auto* g = d->findChild<Grid*>(QStringLiteral("grdResults"));
        widths = {g->colWidth(1), g->colWidth(2), g->colWidth(3), g->colWidth(4)};
        // Column 1 as saved; the others (saved as nothing usable) as the
        // layout made them for the font in use.
        made << 50;
        for (int col = 2; col <= 4; ++col) {
            Grid probe;
            probe.setFont(g->font());
            made << probe.colWidth(probe.addColumn(QString(), g->colHeader(col), QList<int>{50, 120, 70, 100}[col - 1]));
        }
        EXPECT_EQ(d->width(), 800);
        g->setColWidth(2, 150);
        g->setColPosition(13, 1);
        d->accept();
    });
    frmRaceResult::OpenResult(kDate, QStringLiteral("FLEM"), QStringLiteral("5"), QStringLiteral("Super Horse"));
    EXPECT_EQ(widths, made);
    const QStringList saved = gAppSettings.RaceResultsGridWidth.split(QLatin1Char(','));
    ASSERT_EQ(saved.size(), 13);
    EXPECT_EQ(saved[1], QStringLiteral("150"));
    EXPECT_EQ(gAppSettings.RaceResultsGridOrder.split(QLatin1Char(',')).value(12), QStringLiteral("1"));
    EXPECT_EQ(gAppSettings.RaceResultsWidth, 800 * 15);
    EXPECT_FALSE(gAppSettings.RaceResultsMax);

    // Saved to the registry store as well: a fresh load reads them back.
    cAppSettings fresh;
    fresh.LoadSettings();
    EXPECT_EQ(fresh.RaceResultsGridWidth, gAppSettings.RaceResultsGridWidth);
}
} // namespace
