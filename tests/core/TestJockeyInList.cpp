// The managed jockeys' IN-list, the best-position fragments and the icon jockey.
#include "core/modJockeyStats.h"
#include "platform/Grid.h"
#include "platform/Prompts.h"
#include "support/DbFixture.h"
#include "support/QtPrinters.h"
#include "support/TestEnv.h"

#include <gtest/gtest.h>

namespace
{
class JockeyInListTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        modJockey::gIconJockey.clear();
        modJockey::gJockeyInList.clear();
        grid.addColumn("Jockey", "Jockey");
        modJockey::SetJockeyListGrid(&grid);
    }
    void TearDown() override
    {
        modJockey::SetJockeyListGrid(nullptr);
        modJockey::gIconJockey.clear();
        modJockey::gJockeyInList.clear();
    }
    void list(const QStringList& names)
    {
        grid.clearRows();
        for (int i = 0; i < names.size(); ++i)
            grid.setCellText(i + 1, 1, names[i]);
    }
    QList<int> icons() const
    {
        QList<int> out;
        for (int r = 1; r <= grid.rows(); ++r)
            out << grid.cellIcon(r, 1);
        return out;
    }

    Grid grid;
    Prompts::Script prompts;
};
} // namespace

TEST_F(JockeyInListTest, ListAndFragmentsForNoOneAndSeveralJockeys)
{
    modJockey::GetJockeyInList();
    EXPECT_EQ(modJockey::gJockeyInList, "");
    EXPECT_EQ(modJockey::BestHorsePosnSql("N"), "0 as BestHPosn");
    EXPECT_EQ(modJockey::BestTrainerPosnSql("Noms"), "0 as BestPosn");

    list({"A Smith"});
    modJockey::GetJockeyInList();
    EXPECT_EQ(modJockey::gJockeyInList, "( 'A Smith')");

    list({"A Smith", "O'Brien", "B Jones"});
    modJockey::GetJockeyInList();
    EXPECT_EQ(modJockey::gJockeyInList, "( 'A Smith', 'O''Brien', 'B Jones')");
    EXPECT_EQ(modJockey::BestHorsePosnSql("N"),
              "(SELECT Min(FinishPos) from Racestats where Racestats.Horse >= rtrim(N.HorseName) and "
              "Racestats.Horse < rtrim(N.HorseName) || '!' and rtrim(Racestats.Horse) = rtrim(N.HorseName) "
              "COLLATE NOCASE and +Racestats.Jockey in ( 'A Smith', 'O''Brien', 'B Jones')) as BestHPosn");
    EXPECT_EQ(modJockey::BestTrainerPosnSql("Noms"),
              "(SELECT Min(FinishPos) from Racestats where  Racestats.Trainername =Noms.FormTrainer and "
              "Racestats.Jockey in ( 'A Smith', 'O''Brien', 'B Jones')) as BestPosn");

    // A jockey list that has gone away counts as no jockeys.
    modJockey::SetJockeyListGrid(nullptr);
    modJockey::GetJockeyInList();
    EXPECT_EQ(modJockey::gJockeyInList, "");
}

TEST_F(JockeyInListTest, FragmentsFindTheBestPlacingInTheStoredRides)
{
    TestEnv env;
    DbFixture db(env);
    // Rides are stored with the remote (upper-case) names.
    for (const auto& [horse, jockey, trainer, pos] :
         QList<std::tuple<QString, QString, QString, int>>{{"SILVER LINING", "A SMITH", "J HAWKES", 3},
                                                             {"SILVER LINING", "O'BRIEN", "J HAWKES", 2},
                                                             {"SILVER LINING", "NOT OURS", "J HAWKES", 1}})
        db.insert("RaceStats", {{"Horse", horse}, {"Jockey", jockey}, {"TrainerName", trainer}, {"FinishPos", pos}});
    db.insert("Noms", {{"MeetingCode", "M"}, {"Horse", "Silver Lining (NZ)"}, {"HorseName", "SILVER LINING "},
                       {"FormTrainer", "J Hawkes"}});
    db.insert("Noms", {{"MeetingCode", "M"}, {"Horse", "Grey Dawn"}, {"HorseName", "GREY DAWN"},
                       {"FormTrainer", "Someone Else"}});

    list({"A Smith", "O'Brien"});
    modJockey::GetJockeyInList();
    const auto rows = db.rows("SELECT N.Horse, " + modJockey::BestHorsePosnSql("N") + ", "
                              + modJockey::BestTrainerPosnSql("N") + " FROM Noms AS N ORDER BY N.Horse");
    ASSERT_EQ(rows.size(), 2);
    EXPECT_FALSE(rows[0].value("BestHPosn").isValid()); // Grey Dawn: no rides
    EXPECT_FALSE(rows[0].value("BestPosn").isValid());
    EXPECT_EQ(rows[1].value("BestHPosn").toInt(), 2);
    EXPECT_EQ(rows[1].value("BestPosn").toInt(), 2);
}

TEST_F(JockeyInListTest, IconJockeyMovesAndClears)
{
    list({"A Smith", "O'Brien", "B Jones"});
    modJockey::GetJockeyInList();

    grid.setSelectedCell(1, 1);
    EXPECT_TRUE(modJockey::ToggleIconJockey(grid));
    EXPECT_EQ(modJockey::gIconJockey, "A Smith");
    EXPECT_EQ(modJockey::gJockeyInList, "( 'A Smith')");
    EXPECT_EQ(icons(), QList<int>({4, -1, -1}));

    grid.setSelectedCell(2, 1);
    EXPECT_TRUE(modJockey::ToggleIconJockey(grid));
    EXPECT_EQ(modJockey::gIconJockey, "O'Brien");
    EXPECT_EQ(modJockey::gJockeyInList, "( 'O''Brien')");
    EXPECT_EQ(icons(), QList<int>({-1, 4, -1}));

    // Rebuilding the list (after the jockey records are edited) keeps the choice.
    modJockey::GetJockeyInList();
    EXPECT_EQ(modJockey::gJockeyInList, "( 'O''Brien')");

    // The same jockey again: back to every jockey.
    EXPECT_TRUE(modJockey::ToggleIconJockey(grid));
    EXPECT_EQ(modJockey::gIconJockey, "");
    EXPECT_EQ(modJockey::gJockeyInList, "( 'A Smith', 'O''Brien', 'B Jones')");
    EXPECT_EQ(icons(), QList<int>({-1, -1, -1}));

    // An icon jockey who has been removed from the list is forgotten.
    grid.setSelectedCell(3, 1);
    modJockey::ToggleIconJockey(grid);
    list({"A Smith", "O'Brien"});
    modJockey::GetJockeyInList();
    EXPECT_EQ(modJockey::gIconJockey, "");
    EXPECT_EQ(modJockey::gJockeyInList, "( 'A Smith', 'O''Brien')");
    EXPECT_TRUE(prompts.records().isEmpty());
}

TEST_F(JockeyInListTest, IconJockeyNeedsASelectedJockey)
{
    list({"A Smith"});
    modJockey::GetJockeyInList();
    grid.clearSelectedCells();
    prompts.answerMsgBox(Prompts::vbOK);
    EXPECT_FALSE(modJockey::ToggleIconJockey(grid));
    ASSERT_EQ(prompts.messages().size(), 1);
    EXPECT_EQ(prompts.messages()[0].text, "Jockey Must be Seleted for Icons.");
    EXPECT_EQ(prompts.messages()[0].title, "Select a Jockey");
    EXPECT_EQ(prompts.messages()[0].style, Prompts::vbCritical);
    EXPECT_EQ(modJockey::gIconJockey, "");
    EXPECT_EQ(modJockey::gJockeyInList, "( 'A Smith')");
    EXPECT_EQ(icons(), QList<int>({-1}));
}
