// The statistics request and reply without a window: the SQL of each mode,
// the rows, spells, dead heats and summary figures of canned replies.
#include "core/HttpRequest.h"
#include "fixtures/FixtureServer.h"
#include "formhistory/StatsQuery.h"
#include "formhistory/StatsReply.h"
#include "support/QtPrinters.h"

#include <gtest/gtest.h>

#include <ostream>

using namespace FormStats;

namespace
{
const QString kJoins =
    QStringLiteral("SELECT A.*, R.*, W.WHorse as Winner, S.WHorse as 2nd, T.WHORSE  as 3rd  FROM WORKRACE A INNER "
                   "JOIN RACEMAST R ON A.WRaceDate = R.RDate AND A.WTrack = R.RTrack AND A.WRaceNo = R.RRaceNo INNER "
                   "JOIN WORKRACE W ON A.WRaceDate = W.WRaceDate AND A.WRaceNo = W.WRaceNo AND A.WTrack = W.WTrack "
                   "AND W.WFinPosn =1 LEFT OUTER JOIN WORKRACE S ON A.WRaceDate = S.WRaceDate AND A.WRaceNo = "
                   "S.WRaceNo AND A.WTrack = S.WTrack AND S.WFinPosn =2 LEFT OUTER JOIN WORKRACE T ON A.WRaceDate = "
                   "T.WRaceDate AND A.WRaceNo = T.WRaceNo AND A.WTrack = T.WTrack AND T.WFinPosn =3 WHERE ");
const QString kTail = QStringLiteral(" ORDER BY A.WRaceDate DESC, A.WTrack, A.WRaceNo, A.WHorse LIMIT 0,90");

Request req(const char* mode)
{
    Request r;
    r.mode = QString::fromLatin1(mode);
    return r;
}

QString cell(const Result& res, int row, const char* key)
{
    return res.rows.at(row - 1).cells.at(ColumnOf(QLatin1String(key)) - 1);
}
} // namespace

TEST(StatsQuery, HorseModeCutsTheCountryCodeAndKeepsItInCaptionAndLabel)
{
    Request r = req("horse");
    r.horse = QStringLiteral("Name (NZ)");
    const Prepared p = Prepare(r);
    EXPECT_EQ(p.sql, kJoins + QStringLiteral("A.WHorse= 'NAME '") + kTail);
    EXPECT_EQ(p.captionSuffix, QStringLiteral(" for Horse Name (NZ)"));
    EXPECT_EQ(p.label, QStringLiteral("Horse : Name (NZ)"));
    EXPECT_EQ(r.horse, QStringLiteral("Name "));
    EXPECT_FALSE(p.showHorse);
    EXPECT_FALSE(p.showTrainer);
    EXPECT_TRUE(p.showJockey);

    // A bracket at the first character is not a country code; quotes are
    // doubled and "&" is left for the address encoding.
    Request q = req("horse");
    q.horse = QStringLiteral("(O'Neil & Co)");
    EXPECT_EQ(Prepare(q).where, QStringLiteral("A.WHorse= '(O''NEIL & CO)'"));
    EXPECT_EQ(q.horse, QStringLiteral("(O''Neil & Co)"));
}

TEST(StatsQuery, TrainerModesAddTheFormTrainerOnlyWhenItDiffersFromTheUpperCasedName)
{
    Request r = req("trainer");
    r.trainer = QStringLiteral("O'Brien");
    Prepared p = Prepare(r);
    EXPECT_EQ(p.where, QStringLiteral("(A.WTrainer = 'O''BRIEN')"));
    EXPECT_EQ(r.trainer, QStringLiteral("O''Brien"));
    EXPECT_EQ(p.captionSuffix, QStringLiteral(" for Trainer O'Brien"));
    EXPECT_TRUE(p.showHorse);
    EXPECT_FALSE(p.showTrainer);

    r = req("trainer");
    r.trainer = QStringLiteral("John Smith");
    r.formTrainer = QStringLiteral("JOHN SMITH");
    EXPECT_EQ(Prepare(r).where, QStringLiteral("(A.WTrainer = 'JOHN SMITH')"));
    EXPECT_TRUE(r.formTrainer.isEmpty());

    // Equal but for case: the rule compares exactly, so both names go.
    r = req("trainer");
    r.trainer = QStringLiteral("John Smith");
    r.formTrainer = QStringLiteral("John Smith");
    EXPECT_EQ(Prepare(r).where, QStringLiteral("(A.WTrainer = 'JOHN SMITH'or A.WTrainer = 'John Smith')"));
    EXPECT_TRUE(r.formTrainer.isEmpty());

    r = req("trainer/jockey");
    r.trainer = QStringLiteral("J & K O'Hara");
    r.formTrainer = QStringLiteral("J&K O'HARA");
    r.jockeyInList = QStringLiteral("( 'A JONES', 'B O''NEIL')");
    p = Prepare(r);
    EXPECT_EQ(p.sql, kJoins +
                         QStringLiteral("(A.WTrainer = 'J & K O''HARA' or A.WTrainer = 'J&K O''HARA') and A.WJockey "
                                        "in ( 'A JONES', 'B O''NEIL')") +
                         kTail);
    EXPECT_EQ(r.jockey, QStringLiteral("All Managed Jockeys"));
    EXPECT_EQ(p.captionSuffix, QStringLiteral(" for Trainer J & K O'Hara  &  Jockey : All Managed Jockeys"));
    EXPECT_EQ(p.label, QStringLiteral("Trainer : J & K O'Hara           Jockey : All Managed Jockeys"));
    EXPECT_TRUE(p.showJockey);
    EXPECT_TRUE(r.formTrainer.isEmpty());
}

TEST(StatsQuery, JockeyListModesNameTheOneJockeyAndHideItsColumn)
{
    Request r = req("horse/jockey");
    r.horse = QStringLiteral("Bold Star");
    r.jockeyInList = QStringLiteral("( 'B O''NEIL')");
    const Prepared p = Prepare(r);
    EXPECT_EQ(p.where, QStringLiteral("A.WHorse= 'BOLD STAR'and A.WJockey in ( 'B O''NEIL')"));
    EXPECT_EQ(r.jockey, QStringLiteral("B O'NEIL"));
    EXPECT_EQ(p.label, QStringLiteral("Horse : Bold Star       Jockey : B O'NEIL"));
    EXPECT_FALSE(p.showJockey);

    Request j = req("jockey");
    j.jockey = QStringLiteral("b o'neil & co");
    const Prepared pj = Prepare(j);
    EXPECT_EQ(pj.where, QStringLiteral("A.WJockey= 'B O''NEIL & CO'"));
    EXPECT_EQ(pj.label, QStringLiteral("Jockey :b o'neil & co"));
    EXPECT_TRUE(pj.showHorse);
    EXPECT_TRUE(pj.showTrainer);
    EXPECT_FALSE(pj.showJockey);
}

TEST(StatsQuery, AnEmptyManagedJockeyListOrUnknownModeSendsNothing)
{
    for (const char* mode : {"horse/jockey", "trainer/jockey"}) {
        Request r = req(mode);
        r.horse = QStringLiteral("Bold Star");
        r.trainer = QStringLiteral("P Moran");
        const Prepared p = Prepare(r);
        EXPECT_TRUE(p.knownMode) << mode;
        EXPECT_TRUE(p.noManagedJockeys) << mode;
        EXPECT_TRUE(p.sql.isEmpty()) << mode;
    }
    Request r = req("owner");
    const Prepared p = Prepare(r);
    EXPECT_FALSE(p.knownMode);
    EXPECT_TRUE(p.sql.isEmpty());
}

TEST(StatsQuery, EverySampleHorseJockeyAndTrainerShowsAllItsRuns)
{
    // The sample the fixture server starts with for trying the program.
    FixtureServer server;
    QString error;
    ASSERT_TRUE(server.execFile(QStringLiteral(VELMORA_SOURCE_DIR "/tests/fixtures/FormSample.sql"), &error))
        << error.toStdString();
    const auto rowsOf = [&server](const QString& sql) {
        return modDatabase::ParseReply(QString::fromUtf8(server.answerQuery(sql)));
    };

    // Every race has its first, second and third.
    const auto races = rowsOf(QStringLiteral("SELECT RDate, RTrack, RRaceNo FROM RACEMAST"));
    ASSERT_FALSE(races.isEmpty());
    for (const QStringList& race : races) {
        for (int place = 1; place <= 3; ++place)
            EXPECT_EQ(rowsOf(QStringLiteral("SELECT WHorse FROM WORKRACE WHERE WRaceDate = '%1' AND WTrack = '%2' "
                                            "AND WRaceNo = %3 AND WFinPosn = %4")
                                 .arg(race[0], race[1], race[2])
                                 .arg(place))
                          .size(),
                      1)
                << race.join(QLatin1Char(' ')).toStdString() << " place " << place;
    }

    // The statistics of each horse, jockey and trainer list every run of theirs.
    const std::pair<const char*, const char*> kinds[] = {
        {"horse", "WHorse"}, {"jockey", "WJockey"}, {"trainer", "WTrainer"}};
    for (const auto& [mode, column] : kinds) {
        const auto names =
            rowsOf(QStringLiteral("SELECT %1, COUNT(*) FROM WORKRACE GROUP BY %1").arg(QLatin1String(column)));
        ASSERT_GT(names.size(), 1) << mode;
        for (const QStringList& n : names) {
            Request r = req(mode);
            r.horse = r.jockey = r.trainer = n[0];
            const Prepared p = Prepare(r);
            const Result res = ReadReply(r.mode, QString::fromUtf8(server.answerQuery(p.sql)));
            EXPECT_EQ(res.rows.size(), n[1].toInt()) << mode << " " << n[0].toStdString();
        }
    }
}

TEST(StatsQuery, SixRunReplyGivesRowsSpellsAndSummary)
{
    const Result res = ReadReply(QStringLiteral("horse"), StatsReplyOf(SixRunHorse()));
    ASSERT_EQ(res.rows.size(), 5);
    EXPECT_EQ(cell(res, 1, "Spell"), QString());
    EXPECT_EQ(cell(res, 2, "Spell"), QStringLiteral("Spell(14w)"));
    EXPECT_EQ(res.rows[1].mark, Mark::Spell);
    EXPECT_EQ(cell(res, 3, "Spell"), QStringLiteral("Freshen(36d)"));
    EXPECT_EQ(res.rows[2].mark, Mark::Freshen);
    EXPECT_EQ(cell(res, 4, "Spell"), QStringLiteral("Freshen(42d)"));
    EXPECT_EQ(cell(res, 4, "2nd"), QStringLiteral("=Other One"));
    EXPECT_EQ(cell(res, 5, "Track"), QStringLiteral("MOON"));

    const QStringList expected = {QStringLiteral("5:2-1-1"), QStringLiteral("2:1-0-1"), QStringLiteral("1:0-0-1"),
                                  QStringLiteral("1:1-0-0"), QStringLiteral("1:0-0-0"), QStringLiteral("2:2-0-0"),
                                  QStringLiteral("0:0-0-0"), QStringLiteral("1:0-0-1"), QStringLiteral("1:0-1-0")};
    for (int category = 1; category <= 9; ++category)
        EXPECT_EQ(res.figure(category), expected[category - 1]) << category;
    EXPECT_EQ(res.lastStart, QStringLiteral("1st"));

    // Colours by track condition; the bare position is not coloured by the
    // window but is carried for the sort.
    EXPECT_EQ(res.rows[0].textColor, 0xA00000);
    EXPECT_EQ(res.rows[1].textColor, 0x408000);
    EXPECT_EQ(res.rows[2].textColor, 0x0000FF);
    EXPECT_EQ(res.rows[4].textColor, 0x000000);
    EXPECT_EQ(cell(res, 5, "FP"), QStringLiteral("11"));
}

TEST(StatsQuery, OtherModesMarkNoSpellsAndThisPrepEqualsCareer)
{
    const Result res = ReadReply(QStringLiteral("jockey"), StatsReplyOf(SixRunHorse()));
    ASSERT_EQ(res.rows.size(), 5);
    for (const Row& row : res.rows)
        EXPECT_EQ(row.mark, Mark::None);
    EXPECT_EQ(res.figure(1), QStringLiteral("5:2-1-1"));
    EXPECT_EQ(res.figure(2), QStringLiteral("5:2-1-1"));
    EXPECT_EQ(res.figure(3), QStringLiteral("0:0-0-0"));
    EXPECT_EQ(res.figure(4), QStringLiteral("0:0-0-0"));
}

TEST(StatsQuery, CellsReadNumbersSectionalsClassAndEmptyValues)
{
    StatsRun a{QStringLiteral("2024-06-01"), 5, QStringLiteral("SUPER HORSE"), QStringLiteral("FLEM"),
               QStringLiteral("11"), QStringLiteral("G"), QStringLiteral("RED SKY"), QStringLiteral("GREY DAWN"),
               QStringLiteral("BLUE MOON")};
    StatsRun b = a;
    b.date = QStringLiteral("2024-05-20");
    b.sectionals = QStringLiteral("0508");
    b.allowance = QStringLiteral("2");
    b.prizeWon = QStringLiteral("0");
    b.prizemoney = QStringLiteral("x");
    b.margin = QStringLiteral("WON");
    b.weight = QStringLiteral("58kg");
    b.finish = QStringLiteral("DIS");
    const Result res = ReadReply(QStringLiteral("jockey"), StatsReplyOf({a, b}));
    ASSERT_EQ(res.rows.size(), 2);
    EXPECT_EQ(cell(res, 1, "800 400"), QStringLiteral("35,32"));
    EXPECT_EQ(cell(res, 2, "800 400"), QStringLiteral("5,8"));
    EXPECT_EQ(cell(res, 1, "Class"), QStringLiteral("BM70"));
    EXPECT_EQ(cell(res, 1, "Allowance claimed"), QString());
    EXPECT_EQ(cell(res, 2, "Allowance claimed"), QStringLiteral("2"));
    EXPECT_EQ(cell(res, 1, "Prize won"), QStringLiteral("3000"));
    EXPECT_EQ(cell(res, 2, "Prize won"), QString());
    EXPECT_EQ(cell(res, 2, "Prizemoney"), QString());
    EXPECT_EQ(cell(res, 1, "rSecTime"), QStringLiteral("83.4"));
    EXPECT_EQ(cell(res, 1, "Margin"), QStringLiteral("1.5"));
    EXPECT_EQ(cell(res, 2, "Margin"), QStringLiteral("0"));
    EXPECT_EQ(cell(res, 2, "Weight carried"), QStringLiteral("58"));
    EXPECT_EQ(cell(res, 1, "Finish position"), QStringLiteral("11-12"));
    EXPECT_EQ(cell(res, 1, "Race date"), QStringLiteral("01/06/24"));
    EXPECT_EQ(cell(res, 1, "Horse"), QStringLiteral("Super Horse"));
    EXPECT_EQ(res.lastStart, QStringLiteral("11th"));
    // A position that is not a number counts as a start only.
    EXPECT_EQ(res.figure(1), QStringLiteral("2:0-0-0"));
}

TEST(StatsQuery, OnlyASecondRowOfTheSameRunIsMergedAsADeadHeat)
{
    // A lone finisher's race (no second, no third) followed by another race
    // that has no second either: both runs stay.
    StatsRun lone{QStringLiteral("2024-06-01"), 1, QStringLiteral("SUPER HORSE"), QStringLiteral("KILM"),
                  QStringLiteral("1"), QStringLiteral("G"), QStringLiteral("SUPER HORSE"), QString(), QString()};
    StatsRun next{QStringLiteral("2024-05-25"), 4, QStringLiteral("SUPER HORSE"), QStringLiteral("BALL"),
                  QStringLiteral("3"), QStringLiteral("D"), QStringLiteral("RED SKY"), QString(), QString()};
    Result res = ReadReply(QStringLiteral("horse"), StatsReplyOf({lone, next}));
    ASSERT_EQ(res.rows.size(), 2);
    EXPECT_EQ(cell(res, 1, "2nd"), QString());
    EXPECT_EQ(cell(res, 1, "3rd"), QString());
    EXPECT_EQ(cell(res, 2, "Track"), QStringLiteral("BALL"));
    EXPECT_EQ(res.figure(1), QStringLiteral("2:1-0-1"));

    // A true dead heat for second: the run's second row names the other
    // second placegetter in "3rd" and counts once.
    StatsRun a{QStringLiteral("2024-06-01"), 7, QStringLiteral("SUPER HORSE"), QStringLiteral("FLEM"),
               QStringLiteral("2"), QStringLiteral("G"), QStringLiteral("RED SKY"), QStringLiteral("SUPER HORSE"),
               QString()};
    StatsRun b = a;
    b.second = QStringLiteral("GREY DAWN");
    res = ReadReply(QStringLiteral("horse"), StatsReplyOf({a, b}));
    ASSERT_EQ(res.rows.size(), 1);
    EXPECT_EQ(cell(res, 1, "2nd"), QStringLiteral("Super Horse"));
    EXPECT_EQ(cell(res, 1, "3rd"), QStringLiteral("=Grey Dawn"));
    EXPECT_EQ(res.figure(1), QStringLiteral("1:0-1-0"));
}

TEST(StatsQuery, UnreadableDatesAndShortPiecesAreSkipped)
{
    QList<StatsRun> runs = SixRunHorse().mid(0, 2);
    runs[0].date = QStringLiteral("not a date");
    const QString reply = StatsReplyOf(runs) + QStringLiteral("only|two<br>\n");
    const Result res = ReadReply(QStringLiteral("horse"), reply);
    ASSERT_EQ(res.rows.size(), 1);
    EXPECT_EQ(cell(res, 1, "Track"), QStringLiteral("CAUL"));
    EXPECT_EQ(res.skipped, 2);
    // The newest run written gives "Last Start".
    EXPECT_EQ(res.lastStart, QStringLiteral("3rd"));

    const Result empty = ReadReply(QStringLiteral("horse"), QString());
    EXPECT_TRUE(empty.rows.isEmpty());
    for (int category = 1; category <= 9; ++category)
        EXPECT_EQ(empty.figure(category), QStringLiteral("0:0-0-0"));
    EXPECT_TRUE(empty.lastStart.isEmpty());
}
