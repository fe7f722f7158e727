// The remote jockey search: the search word and its SQL, the reply split into
// names, error and empty replies, and the pick written into the name box.
#include "core/HttpRequest.h"
#include "core/modDatabase.h"
#include "fixtures/FixtureServer.h"
#include "platform/Grid.h"
#include "platform/Prompts.h"
#include "records/frmJockey.h"
#include "records/frmSelJockey.h"
#include "support/DbFixture.h"
#include "support/TestEnv.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>

#include "RecordsTestUtil.h"

#include <gtest/gtest.h>

namespace
{
using namespace JockeySearch;

TEST(JockeySearchText, TheLastWordIsSearchedInUpperCaseWithQuotesDoubled)
{
    EXPECT_EQ(SearchWord(QStringLiteral("John Smith")), QStringLiteral("SMITH"));
    // A trailing blank no longer searches for the empty word.
    EXPECT_EQ(SearchWord(QStringLiteral("john smith ")), QStringLiteral("SMITH"));
    EXPECT_EQ(SearchWord(QStringLiteral("o'neil")), QStringLiteral("O'NEIL"));
    EXPECT_EQ(SearchWord(QStringLiteral("   ")), QString());
    EXPECT_EQ(SearchSql(QStringLiteral("O'NEIL")),
              QStringLiteral("SELECT WJockey From WORKRACE where INSTR(WJockey,'O''NEIL') Group by WJockey"));
}

TEST(JockeySearchText, RepliesSplitIntoProperCaseNamesWithoutBlankRows)
{
    EXPECT_EQ(ReplyNames(QStringLiteral("J SMITH<br>\nB SMITHERS<br>\n")),
              (QStringList{QStringLiteral("J Smith"), QStringLiteral("B Smithers")}));
    // Short names are listed too, and the final line feed gives no row.
    EXPECT_EQ(ReplyNames(QStringLiteral(" LEE<br>\nJ O'NEIL<br>\n\n")),
              (QStringList{QStringLiteral("Lee"), QStringLiteral("J O'neil")}));
    EXPECT_TRUE(ReplyNames(QStringLiteral("<br>\n")).isEmpty());
    EXPECT_TRUE(ReplyNames(QString()).isEmpty());
}

class JockeySearchWindowTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        server.connectProgram();
        modDatabase::SetHttpTimeLimit(5000);
        server.insertMany("WORKRACE", {"WRaceDate", "WRaceNo", "WTrack", "WHorse", "WJockey"},
                          {{"2024-06-07", 1, "FLEM", "A", "J SMITH"},
                           {"2024-06-07", 2, "FLEM", "B", "B SMITHERS"},
                           {"2024-06-07", 3, "FLEM", "C", "J SMITH"},
                           {"2024-06-07", 4, "FLEM", "D", "A JONES"},
                           {"2024-06-07", 5, "FLEM", "E", "R A&B"}});
        ASSERT_TRUE(jockeys.OpenRecords(QString()));
        jockeys.txtFullName->setText(QStringLiteral("Unchanged"));
    }
    void TearDown() override { modDatabase::SetHttpTimeLimit(0); }

    TestEnv env;
    DbFixture db{env};
    FixtureServer server;
    Prompts::Script script;
    frmJockey jockeys;
};

TEST_F(JockeySearchWindowTest, TheListShowsTheMatchesAndAPickFillsTheNameBox)
{
    jockeys.txtJockey->setText(QStringLiteral("john smith "));
    QStringList listed;
    script.answerModal([&listed](QDialog* d) {
        auto* w = qobject_cast<frmSelJockey*>(d);
        ASSERT_NE(w, nullptr);
        EXPECT_EQ(w->windowTitle(), QStringLiteral("Select a Jockey"));
        for (int r = 1; r <= w->grdSelJockey->rows(); ++r)
            listed << w->grdSelJockey->cellText(r, 1);
        // A pick of an empty cell keeps the typed name and the window open.
        w->grdSelJockey_OnCellPick(w->grdSelJockey->rows() + 1, 1);
        EXPECT_EQ(w->result(), int(QDialog::Rejected));
        w->grdSelJockey->setSelectedCell(2, 1);
        w->grdSelJockey_OnCellPick(2, 1);
    });
    jockeys.cmdSeachJockey->click();
    EXPECT_EQ(script.pending(), 0);
    EXPECT_EQ(server.sqlQueries(),
              QStringList{QStringLiteral("SELECT WJockey From WORKRACE where INSTR(WJockey,'SMITH') Group by WJockey")});
    EXPECT_EQ(listed, (QStringList{QStringLiteral("B Smithers"), QStringLiteral("J Smith")}));
    EXPECT_EQ(jockeys.txtJockey->text(), QStringLiteral("J Smith"));
    EXPECT_EQ(jockeys.txtFullName->text(), QStringLiteral("Unchanged"));
    EXPECT_EQ(db.count(QStringLiteral("Jockey")), 0);
    EXPECT_TRUE(script.messages().isEmpty());
}

TEST_F(JockeySearchWindowTest, ASearchWordWithAnAmpersandReachesTheServerWhole)
{
    jockeys.txtJockey->setText(QStringLiteral("r a&b"));
    QStringList listed;
    script.answerModal([&listed](QDialog* d) {
        auto* w = static_cast<frmSelJockey*>(d);
        listed << w->grdSelJockey->cellText(1, 1);
        w->reject();
    });
    jockeys.cmdSeachJockey->click();
    EXPECT_EQ(server.sqlQueries(),
              QStringList{QStringLiteral("SELECT WJockey From WORKRACE where INSTR(WJockey,'A&B') Group by WJockey")});
    EXPECT_EQ(listed, QStringList{QStringLiteral("R A&b")});
    // Closing without a pick leaves the typed name.
    EXPECT_EQ(jockeys.txtJockey->text(), QStringLiteral("r a&b"));
}

TEST_F(JockeySearchWindowTest, NothingFoundIsToldAndNoListIsShown)
{
    jockeys.txtJockey->setText(QStringLiteral("Nobody"));
    jockeys.cmdSeachJockey->click();
    ASSERT_EQ(script.records().size(), 1);
    EXPECT_EQ(script.records()[0].kind, Prompts::Kind::MsgBox);
    EXPECT_EQ(script.records()[0].text, QStringLiteral("No Jockey Found with Surname"));
    EXPECT_EQ(script.records()[0].title, QStringLiteral("Error"));
    EXPECT_EQ(script.records()[0].style, int(Prompts::vbOKOnly));
    EXPECT_EQ(jockeys.txtJockey->text(), QStringLiteral("Nobody"));
    EXPECT_TRUE(jockeys.isEnabled());
}

TEST_F(JockeySearchWindowTest, AConnectionErrorIsShownAndTheListOpensEmpty)
{
    server.enqueue(FixtureServer::Reply::withStatus(500, "Internal Server Error"));
    jockeys.txtJockey->setText(QStringLiteral("Smith"));
    int rows = -1;
    script.answerModal([&rows](QDialog* d) {
        rows = static_cast<frmSelJockey*>(d)->grdSelJockey->rows();
        d->reject();
    });
    jockeys.cmdSeachJockey->click();
    ASSERT_EQ(script.messages().size(), 1);
    EXPECT_TRUE(script.messages()[0].text.startsWith(QStringLiteral("Error:")));
    EXPECT_EQ(script.messages()[0].title, QStringLiteral("Connection error"));
    EXPECT_EQ(script.messages()[0].style, int(Prompts::vbCritical));
    EXPECT_EQ(rows, 0);
    EXPECT_EQ(jockeys.txtJockey->text(), QStringLiteral("Smith"));
}

TEST_F(JockeySearchWindowTest, RepliesNotInTheServicesFormatListNoNames)
{
    const QList<QByteArray> bodies = {
        "<!DOCTYPE html><html><head><title>Sign in</title></head><body>J SMITH<br>Welcome</body></html>",
        QByteArray("\x89PNG\r\n\x1a\n\x00\x01|garbage\xff\xfe", 22),
        // A maintenance page whose lines end as the service's rows do.
        "<h1>Down for maintenance</h1><br>\nThe form service is back at 6 pm.<br>\n",
        "Down for maintenance<br>\nBack at 6 pm<br>\n",
    };
    jockeys.txtJockey->setText(QStringLiteral("Smith"));
    for (const QByteArray& body : bodies) {
        SCOPED_TRACE(body.toStdString());
        server.enqueue(FixtureServer::Reply::withBody(body));
        script.clear();
        int rows = -1;
        script.answerModal([&rows](QDialog* d) {
            rows = static_cast<frmSelJockey*>(d)->grdSelJockey->rows();
            d->reject();
        });
        jockeys.cmdSeachJockey->click();
        ASSERT_EQ(script.messages().size(), 1);
        EXPECT_EQ(script.messages()[0].text, modDatabase::kMalformedReplyText);
        EXPECT_EQ(script.messages()[0].title, QStringLiteral("Connection error"));
        EXPECT_EQ(rows, 0);
        EXPECT_EQ(jockeys.txtJockey->text(), QStringLiteral("Smith"));
    }
}
} // namespace
