// The remote horse search: what it sends, what it lists, and what its list
// opens.
#include "core/HttpRequest.h"
#include "core/modJockeyWeb.h"
#include "core/modOpeners.h"
#include "core/modShared.h"
#include "core/modUtils.h"
#include "fixtures/FixtureServer.h"
#include "formhistory/FormFixture.h"
#include "formhistory/FrmSelHorse.h"
#include "platform/Grid.h"
#include "platform/PopMenu.h"
#include "platform/Prompts.h"
#include "support/QtPrinters.h"
#include "support/TestEnv.h"

#include <QDialog>
#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

#include <ostream>

namespace
{
class HorseSearch : public ::testing::Test
{
protected:
    TestEnv env;
    FixtureServer server;
    Prompts::Script script;
    PopMenu::Script menus;
    FrmSelHorse w;
    QStringList opened; // mode and name of each statistics window opened

    void SetUp() override
    {
        ResetSharedState();
        server.connectProgram();
        modDatabase::SetHttpTimeLimit(3000);
        modOpeners::Openers().raceStats = [this] {
            opened << gStatsMode + QLatin1Char(':') +
                          (gStatsMode == QLatin1String("trainer") ? gSelTrainer : gSelHorse);
        };
        addHorse(QStringLiteral("O'REILLY"), 3, QStringLiteral("T O'HARA"));
        addHorse(QStringLiteral("OLD REILLY"), 0, QStringLiteral("P MORAN"));
        w.Form_Load();
    }
    void TearDown() override
    {
        modOpeners::Openers().raceStats = nullptr;
        modDatabase::SetHttpTimeLimit(0);
        EXPECT_TRUE(script.unexpected().isEmpty());
    }

    void addHorse(const QString& name, int age, const QString& trainer = QStringLiteral("P MORAN"))
    {
        server.insert(QStringLiteral("HORSMAST"), {{QStringLiteral("HHorse"), name},
                                                   {QStringLiteral("HDob"), QStringLiteral("2020-09-01")},
                                                   {QStringLiteral("HSireWin"), QStringLiteral("SOME SIRE")},
                                                   {QStringLiteral("HDamWin"), QStringLiteral("SOME DAM")},
                                                   {QStringLiteral("HWinAge"), age},
                                                   {QStringLiteral("HWinSex"), QStringLiteral("G")},
                                                   {QStringLiteral("HTrainer"), trainer}});
    }
    void search(const QString& text)
    {
        w.txtHorse->setText(text);
        w.cmdSeachHorse_Click();
    }
    QStringList names() const
    {
        QStringList out;
        for (int r = 1; r <= w.grdSelHorse->rows(); ++r)
            out << w.grdSelHorse->cellText(r, 1);
        return out;
    }
};

TEST_F(HorseSearch, TypedTextIsUpperCasedWithQuotesDoubled)
{
    search(QStringLiteral("o'reil"));
    ASSERT_EQ(server.sqlQueries().size(), 1);
    EXPECT_EQ(server.sqlQueries()[0],
              QStringLiteral("SELECT * From HORSMAST where Instr(HHORSE,'O''REIL') and hWinage > 0 order by HWinAge, "
                             "hhorse LIMIT 0,30 "));
    // The horse of age 0 is never listed.
    EXPECT_EQ(names(), QStringList{QStringLiteral("O'reilly")});
    const Grid* g = w.grdSelHorse;
    EXPECT_EQ(g->cellText(1, 2), QStringLiteral("01/09/20"));
    EXPECT_FALSE(g->colVisible(2));
    EXPECT_EQ(g->cellText(1, 3), QStringLiteral("Some Sire"));
    EXPECT_EQ(g->cellText(1, 5), QStringLiteral("3"));
    EXPECT_EQ(g->cellText(1, 6), QStringLiteral("G"));
    EXPECT_EQ(g->cellText(1, 7), QStringLiteral("T O'hara"));

    search(QStringLiteral("O'REIL"));
    EXPECT_EQ(server.sqlQueries().value(1), server.sqlQueries().value(0));
    EXPECT_EQ(names(), QStringList{QStringLiteral("O'reilly")});
}

TEST_F(HorseSearch, RendersTheFoundHorses)
{
    addHorse(QStringLiteral("REILLY'S LAD"), 2, QStringLiteral("J HAWKES"));
    addHorse(QStringLiteral("MISS REILLY"), 4, QStringLiteral("C MAHER & D EUSTACE"));
    search(QStringLiteral("reil"));
    ASSERT_EQ(names(), (QStringList{"Reilly's Lad", "O'reilly", "Miss Reilly"}));
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    EXPECT_TRUE(SavePicture(&w, QStringLiteral("horse-search.png")));
}

TEST_F(HorseSearch, AtMostThirtyYoungestFirstThenByName)
{
    for (int i = 0; i < 35; ++i)
        addHorse(QStringLiteral("STAR %1").arg(QChar(QLatin1Char('A' + i % 26))) + QString::number(i), 2 + i % 4);
    search(QStringLiteral("star"));
    const QStringList n = names();
    ASSERT_EQ(n.size(), 30);
    int lastAge = 0;
    QString lastName;
    for (int r = 1; r <= 30; ++r) {
        const int age = w.grdSelHorse->cellText(r, 5).toInt();
        const QString name = w.grdSelHorse->cellText(r, 1).toUpper();
        ASSERT_GE(age, lastAge) << r;
        if (age == lastAge) {
            EXPECT_LT(lastName, name) << r;
        }
        lastAge = age;
        lastName = name;
    }
    EXPECT_EQ(w.grdSelHorse->cellText(1, 5), QStringLiteral("2"));
}

TEST_F(HorseSearch, NeverMoreThanThirtyHorsesWhateverTheServerSends)
{
    QByteArray body;
    QStringList sent;
    for (int i = 1; i <= 35; ++i) {
        const QString name = QStringLiteral("STAR %1").arg(i, 2, 10, QLatin1Char('0'));
        sent << modUtils::ProperCase(name);
        body += name.toUtf8() + "|2020-09-01|SIRE|DAM|3|G|P MORAN|BAY<br>\n";
    }
    server.enqueue(FixtureServer::Reply::withBody(body));
    search(QStringLiteral("star"));
    EXPECT_EQ(names(), sent.mid(0, 30));
}

TEST_F(HorseSearch, NothingFoundOrNothingTypedKeepsTheList)
{
    search(QStringLiteral("reil"));
    ASSERT_EQ(names().size(), 1);

    script.answerMsgBox(Prompts::vbOK);
    search(QStringLiteral("zzz"));
    ASSERT_EQ(script.messages().size(), 1);
    EXPECT_EQ(script.messages()[0].text, QStringLiteral("No Horse Found with Characters"));
    EXPECT_EQ(script.messages()[0].title, QStringLiteral("Error"));
    EXPECT_EQ(script.messages()[0].style, int(Prompts::vbOKOnly));
    EXPECT_EQ(names(), QStringList{QStringLiteral("O'reilly")});

    script.answerMsgBox(Prompts::vbOK);
    const int sent = server.requestCount();
    search(QString());
    ASSERT_EQ(script.messages().size(), 2);
    EXPECT_EQ(script.messages()[1].text, QStringLiteral("Enter Part of Horsname and enter"));
    EXPECT_EQ(script.messages()[1].style, int(Prompts::vbCritical));
    EXPECT_EQ(server.requestCount(), sent);

    script.answerMsgBox(Prompts::vbOK);
    server.enqueue(FixtureServer::Reply::withStatus(503, "Service Unavailable"));
    search(QStringLiteral("reil"));
    ASSERT_EQ(script.messages().size(), 3);
    EXPECT_EQ(script.messages()[2].text, QStringLiteral("Error: 503 Service Unavailable"));
    EXPECT_EQ(script.messages()[2].title, QStringLiteral("Connection error"));
    EXPECT_EQ(names(), QStringList{QStringLiteral("O'reilly")});
}

TEST_F(HorseSearch, RepliesNotInTheServicesFormatListNothing)
{
    search(QStringLiteral("reil"));
    ASSERT_EQ(names(), QStringList{QStringLiteral("O'reilly")});
    const QList<QByteArray> bodies = {
        "<!DOCTYPE html><html><head><title>Sign in</title></head><body>NEW|2021-10-02|S<br>Welcome</body></html>",
        QByteArray("\x89PNG\r\n\x1a\n\x00\x01|garbage\xff\xfe", 22),
        // Rows of a race query: more than seven fields, but no horse of the search.
        "2019-05-05|FLEM|3|O'REILLY|1|J SMITH|0|J DOE|VIC|56|2|1200|BM70|1:10.2<br>\n"
        "2019-05-12|CAUL|5|O'REILLY|2|J SMITH|0|J DOE|VIC|57|4|1400|BM70|1:24.0<br>\n",
    };
    for (const QByteArray& body : bodies) {
        SCOPED_TRACE(body.toStdString());
        server.enqueue(FixtureServer::Reply::withBody(body));
        script.answerMsgBox(Prompts::vbOK);
        search(QStringLiteral("reil"));
    }
    const auto shown = script.messages();
    ASSERT_EQ(shown.size(), bodies.size());
    for (const auto& m : shown) {
        EXPECT_EQ(m.text, modDatabase::kMalformedReplyText);
        EXPECT_EQ(m.title, QStringLiteral("Connection error"));
    }
    EXPECT_EQ(names(), QStringList{QStringLiteral("O'reilly")});
}

TEST_F(HorseSearch, ShortRowsRefuseTheWholeReply)
{
    search(QStringLiteral("reil"));
    ASSERT_EQ(names(), QStringList{QStringLiteral("O'reilly")});
    server.enqueue(FixtureServer::Reply::withBody("NEW ONE|2021-10-02|SIRE X|DAM Y<br>\nnot|enough<br>\n"
                                                  "LAST ONE|bad date|S|D|4|F|J DOE<br>\n"));
    script.answerMsgBox(Prompts::vbOK);
    search(QStringLiteral("one"));
    ASSERT_EQ(script.messages().size(), 1);
    EXPECT_EQ(script.messages()[0].text, modDatabase::kMalformedReplyText);
    EXPECT_EQ(names(), QStringList{QStringLiteral("O'reilly")});
}

TEST_F(HorseSearch, MenuAndDoubleClickOpenTheSelectedRow)
{
    search(QStringLiteral("reil"));
    ASSERT_EQ(w.grdSelHorse->rows(), 1);

    // Nothing selected: neither the menu nor a double-click opens anything.
    w.grdSelHorse->clearSelectedCells();
    w.grdSelHorse->setCurrentCell(-1, -1);
    menus.choose(QStringLiteral("Horse Form"));
    w.grdSelHorse_OnMouseUp(2, 10, 30);
    w.grdSelHorse_OnDblClick();
    EXPECT_TRUE(opened.isEmpty());

    w.grdSelHorse->setSelectedCell(1, 3);
    w.grdSelHorse_OnDblClick();
    menus.choose(QStringLiteral("Trainer"));
    w.grdSelHorse_OnMouseUp(2, 10, 30);
    menus.choose(QStringLiteral("Horse Form"));
    w.grdSelHorse_OnMouseUp(2, 10, 30);
    EXPECT_EQ(opened, (QStringList{"horse:O'reilly", "trainer:T O'hara", "horse:O'reilly"}));

    // "Video" is offered but cannot be chosen; a left button shows no menu.
    menus.choose(QStringLiteral("Video"));
    w.grdSelHorse_OnMouseUp(2, 10, 30);
    const int shown = int(menus.records().size());
    w.grdSelHorse_OnMouseUp(1, 10, 30);
    EXPECT_EQ(int(menus.records().size()), shown);
    EXPECT_EQ(opened.size(), 3);
    const PopMenu::Record& last = menus.records().last();
    EXPECT_EQ(last.menu, QStringLiteral("Horse"));
    EXPECT_EQ(last.items, (QStringList{"Horse Form", "Rego", "Rating", "Trainer"}));
    EXPECT_TRUE(last.chosen.isEmpty());
    EXPECT_FALSE(w.popMenu->item(5).enabled);
    EXPECT_EQ(w.popMenu->item(5).caption, QStringLiteral("&Video Form"));
}

TEST_F(HorseSearch, RatingAndRegoShowTheSelectedHorsesPages)
{
    search(QStringLiteral("reil"));
    ASSERT_EQ(w.grdSelHorse->rows(), 1);
    modJockey::SetRbhSite(server.url());
    modJockey::SetRegistrationSite(server.url());
    server.addPage(QStringLiteral("/publishing/RBH/pgFindHorse.asp?txtMode=ProcessSearch"),
                   QByteArrayLiteral("<html><body>No horse found</body></html>"), "text/html", "POST");
    QStringList titles;
    for (int i = 0; i < 2; ++i)
        script.answerModal([&](QDialog* d) {
            titles << d->windowTitle();
            d->reject();
        });
    w.grdSelHorse->setSelectedCell(1, 1);
    menus.choose(QStringLiteral("Rating")).choose(QStringLiteral("Rego"));
    w.grdSelHorse_OnMouseUp(2, 10, 30);
    EXPECT_EQ(gSelHorse, QStringLiteral("O'reilly"));
    gSelHorse.clear();
    w.grdSelHorse_OnMouseUp(2, 10, 30);
    EXPECT_EQ(gSelHorse, QStringLiteral("O'reilly"));
    EXPECT_EQ(titles, (QStringList{QStringLiteral("RBH Vic Rating"), QStringLiteral("Registration Search - O'reilly")}));
    EXPECT_TRUE(opened.isEmpty());
    modJockey::SetRbhSite(QString());
    modJockey::SetRegistrationSite(QString());
}
} // namespace
