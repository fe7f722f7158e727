// The field-file reader: record kinds, field rules, carry-overs and faults.
#include "core/modJockey.h"
#include "core/modUtils.h"
#include "mainwindow/FieldFileParser.h"

#include <gtest/gtest.h>

#include <QMap>

using namespace FieldFileParser;

namespace
{
QString fields(int count, const QMap<int, QString>& set, const QString& filler = QStringLiteral("x"))
{
    QStringList f;
    for (int i = 0; i < count; ++i)
        f << set.value(i, filler);
    return f.join(QLatin1Char('<'));
}

QString meetingLine(const QString& date = QStringLiteral("07/12/24"))
{
    return QStringLiteral("0000000")
        + fields(9, {{3, date}, {6, QStringLiteral("Metropolitan")}, {7, QStringLiteral("Track Good 4")},
                     {8, QStringLiteral("FLEMINGTON")}});
}

QString headerLine(int race, const QMap<int, QString>& set = {}, int count = 21)
{
    QMap<int, QString> f{{0, QStringLiteral("RACE")}, {2, QString()},       {3, QString()},
                         {4, QStringLiteral("BM78")}, {5, QString()},       {11, QStringLiteral("$50000")},
                         {17, QStringLiteral("HCP")}, {18, QStringLiteral("1200")}, {19, QString()},
                         {20, QString()}};
    for (auto it = set.begin(); it != set.end(); ++it)
        f[it.key()] = it.value();
    return QStringLiteral("%1").arg(race, 2, 10, QLatin1Char('0')) + QStringLiteral("00100") + fields(count, f);
}

QString recordLine(int race, int no, const QString& kind, const QString& text)
{
    return QStringLiteral("%1%2").arg(race, 2, 10, QLatin1Char('0')).arg(no, 2, 10, QLatin1Char('0')) + kind + text;
}

QString runnerLine(int race, int no, const QMap<int, QString>& set = {}, int count = 20)
{
    QMap<int, QString> f{{2, QStringLiteral("1")},  {3, QStringLiteral("57")},   {5, QStringLiteral("B")},
                         {6, QStringLiteral("G")},  {7, QStringLiteral("4")},    {9, QString()},
                         {12, QString()},           {13, QStringLiteral("HORSE")}, {14, QStringLiteral("123")},
                         {15, QStringLiteral("J SMITH")}, {17, QString()},       {18, QStringLiteral("BM78")},
                         {19, QStringLiteral("70")}};
    for (auto it = set.begin(); it != set.end(); ++it)
        f[it.key()] = it.value();
    return recordLine(race, no, QStringLiteral("400"), fields(count, f));
}

QString trainerLine(int race, int no, const QString& trainer = QStringLiteral("T BROWN"))
{
    return recordLine(race, no, QStringLiteral("700"), trainer + QStringLiteral("<FLEMINGTON<0398765432"));
}

Result parseLines(const QStringList& lines, const QString& stage = QStringLiteral("ACP"))
{
    return parseText(lines.join(QLatin1Char('\n')) + QLatin1Char('\n'), stage);
}
} // namespace

TEST(FieldFileName, MeetingCodeAndStageFromTheFileNameOnly)
{
    struct Case
    {
        QString path;
        bool valid;
        QString code, stage;
    };
    const QList<Case> cases = {
        {"/d/0712FLEM.DGW", true, "0712FLEM", "WGT"},
        {"/d/0712FLEM.DGN", true, "0712FLEM", "NOM"},
        {"/d/0712FLEM.DNP", true, "0712FLEM", "NOM"},
        {"/d/0712FLEM.DFW", true, "0712FLEM", "WGT"},
        {"/d/0712FLEM.DNA", true, "0712FLEM", "ACP"},
        {"/d/0712FLEM.DFA", true, "0712FLEM", "ACP"},
        {"/d/0712flem.dgw", true, "0712flem", "N/A"}, // lower case still imports
        {"/d/0712FLEM.TXT", true, "0712FLEM", "N/A"},
        {"/d/ 0712FLEM .DNA", true, "0712FLEM", "ACP"},
        {"/d/0712FLEM.old.DGA", true, "0712FLEM.old", "ACP"},
        {"/d/README", false, "", ""},
        {"/d/.DGN", false, "", ""},
        {"/d/v1.2/0712FLEM", false, "", ""}, // the dot of a folder is no extension
        {"/d/  .DGN", false, "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        const FileName n = splitFileName(c.path);
        EXPECT_EQ(n.valid, c.valid);
        if (c.valid) {
            EXPECT_EQ(n.meetingCode, c.code);
            EXPECT_EQ(n.stage, c.stage);
        }
    }
    EXPECT_EQ(trackCode("0712FLEM"), "FLEM");
    EXPECT_EQ(trackCode("0712"), "");
}

TEST(FieldFileText, Utf8WhenValidOtherwiseWindows1252)
{
    EXPECT_EQ(decodeText(QByteArray("CAF\xC3\x89 (FR)")), QStringLiteral("CAF\u00C9 (FR)"));
    EXPECT_EQ(decodeText(QByteArray("\xEF\xBB\xBF" "ABC")), "ABC");
    // Invalid UTF-8: every byte is a Windows-1252 character.
    EXPECT_EQ(decodeText(QByteArray("CAF\xC9 \x80\x92\x9F")), QStringLiteral("CAF\u00C9 \u20AC\u2019\u0178"));
    EXPECT_EQ(decodeText(QByteArray("\x81\x8D")), QStringLiteral("\u0081\u008D"));

    const QString lf = meetingLine() + "\n" + headerLine(1) + "\n" + runnerLine(1, 1) + "\n" + trainerLine(1, 1);
    QString crlf = lf;
    crlf.replace("\n", "\r\n");
    const Result a = parseText(lf, "ACP"); // no line end after the last line
    const Result b = parseText(crlf + "\r\n", "ACP");
    ASSERT_TRUE(a.ok && b.ok);
    ASSERT_EQ(a.runners.size(), 1);
    ASSERT_EQ(b.runners.size(), 1);
    EXPECT_EQ(a.runners[0].phone, "0398765432");
    EXPECT_EQ(b.runners[0].phone, "0398765432");
    EXPECT_EQ(a.races[0].details, b.races[0].details);
}

TEST(FieldFileRecords, WorkedExampleGivesTheDocumentedRows)
{
    const QStringList lines = {
        "0000000x<x<x<07/12/24<x<x<Metropolitan<Track Good 4<FLEMINGTON",
        "0100100RACE ONE<x<1.30<P.M.<BM78<C<x<x<x<x<x<$50000<x<x<x<x<x<HCP<1200<14<4",
        "0100110Apprentices may claim",
        "0101400x<x<5<57|<x<B<G<4<x<<x<x<<FAST LAD (NZ)<X1234<J SMITH<x<=17<BM78<72",
        "0101500SIRE<DAM<DAMSIRE",
        "0101600OWNER A & B",
        "0101700T BROWN<FLEMINGTON<0398765432",
    };
    const Result r = parseLines(lines);
    ASSERT_TRUE(r.ok) << r.error.toStdString();
    EXPECT_EQ(r.meeting.date, QDate(2024, 12, 7));
    EXPECT_EQ(r.meeting.details, "Metropolitan Track Good 4");
    EXPECT_EQ(r.meeting.location, "FLEMINGTON");
    ASSERT_EQ(r.races.size(), 1);
    const Race& race = r.races[0];
    EXPECT_EQ(race.raceNumber, 1);
    EXPECT_EQ(race.raceCode, "1200 HCP");
    EXPECT_EQ(race.details, "RACE ONE BM78 $50000 Field Limit: 14+4\rApprentices may claim");
    EXPECT_EQ(race.distance, "1200");
    ASSERT_TRUE(race.time.has_value());
    EXPECT_EQ(*race.time, QTime(13, 30));
    EXPECT_TRUE(race.apprClaim);
    ASSERT_EQ(r.runners.size(), 1);
    const Runner& n = r.runners[0];
    EXPECT_EQ(n.raceNumber, 1);
    EXPECT_EQ(n.raceCode, "1200 HCP");
    EXPECT_EQ(n.entryNo, 1);
    EXPECT_EQ(n.barrier, 5);
    EXPECT_EQ(n.weight, 575);
    EXPECT_EQ(n.horseType, "b g 4");
    EXPECT_EQ(n.form, "x1234");
    EXPECT_EQ(n.jockey, "J SMITH");
    EXPECT_EQ(n.ballot, "=17");
    EXPECT_EQ(n.eorb, "E");
    EXPECT_EQ(n.horseClass, "BM78");
    EXPECT_EQ(n.rating, "72");
    EXPECT_EQ(n.horse, "FAST LAD (NZ)");
    EXPECT_EQ(n.horseName, "FAST LAD ");
    EXPECT_EQ(n.horseDob, "");
    EXPECT_EQ(n.blood1 + "/" + n.blood2 + "/" + n.blood3, "SIRE/DAM/DAMSIRE");
    EXPECT_EQ(n.owners, "OWNER A & B");
    EXPECT_EQ(n.trainerName, "T BROWN");
    EXPECT_EQ(n.trainerLocation, "FLEMINGTON");
    EXPECT_EQ(n.phone, "0398765432");
}

TEST(FieldFileRecords, WeightTimeRaceCodeAndHorseName)
{
    struct W
    {
        QString text;
        int tenths;
    };
    for (const W& w : QList<W>{{"57|", 575}, {"57", 570}, {"5", 50}, {"", 0}, {"60|", 605}}) {
        const Result r = parseLines({meetingLine(), headerLine(1), runnerLine(1, 1, {{3, w.text}}), trainerLine(1, 1)});
        ASSERT_TRUE(r.ok) << w.text.toStdString();
        EXPECT_EQ(r.runners[0].weight, w.tenths) << w.text.toStdString();
    }

    struct T
    {
        QString clock, half;
        std::optional<QTime> time;
    };
    const QList<T> times = {{"1.30", "P.M.", QTime(13, 30)},  {"12.15", "P.M.", QTime(12, 15)},
                            {"12.30", "A.M.", QTime(0, 30)},  {"11.45", "A.M.", QTime(11, 45)},
                            {"11.45", "", QTime(11, 45)},     {"1.30", "PM", QTime(1, 30)},
                            {" ", "P.M.", std::nullopt},      {"", "P.M.", std::nullopt}};
    for (const T& t : times) {
        const Result r = parseLines({meetingLine(), headerLine(1, {{2, t.clock}, {3, t.half}}), runnerLine(1, 1)});
        ASSERT_TRUE(r.ok) << t.clock.toStdString();
        EXPECT_EQ(r.races[0].time, t.time) << t.clock.toStdString() << " " << t.half.toStdString();
    }

    const Result longCode = parseLines(
        {meetingLine(), headerLine(1, {{17, "QUALITY HANDICAP LONG"}, {18, "2000"}}), runnerLine(1, 1)});
    ASSERT_TRUE(longCode.ok);
    EXPECT_EQ(longCode.races[0].raceCode, "2000 QUALITY HANDICA");
    const Result longDistance = parseLines(
        {meetingLine(), headerLine(1, {{17, "HCP"}, {18, "ABCDEFGHIJKLMNOPQRSTUVWXYZ"}}), runnerLine(1, 1)});
    EXPECT_EQ(longDistance.races[0].raceCode, "ABCDEFGHIJKLMNOPQRST");
    EXPECT_EQ(longDistance.races[0].distance, "ABCDEFGHIJKLMNOPQRSTUVWXYZ");

    EXPECT_EQ(horseNameOf("Fast Lad (NZ)"), "FAST LAD ");
    EXPECT_EQ(horseNameOf("FAST LAD(NZ)"), "FAST LAD");
    EXPECT_EQ(horseNameOf("(IRE) Mystery"), "(IRE) MYSTERY");
    EXPECT_EQ(horseNameOf("Plain"), "PLAIN");
}

TEST(FieldFileRecords, EmergencyAndBarrierMarkersAtAcceptances)
{
    struct M
    {
        QString stage, limit, extra, mark, ballot, eorb;
    };
    const QList<M> cases = {
        {"ACP", "14", "4", "", "=17", "E"}, {"ACP", "14", "4", "", "19", "B"},  {"ACP", "14", "4", "", "12", ""},
        {"ACP", "14", "4", "", "18", "E"},  {"ACP", "14", "4", "", "15", "E"},  {"ACP", "14", "4", "X", "19", "X"},
        {"ACP", "14", "4", "", "", ""},     {"WGT", "14", "4", "", "19", ""},   {"WGT", "14", "4", "e", "19", "e"},
        {"N/A", "14", "4", "", "19", ""},   {"ACP", "14", "0", "", "19", ""},   {"ACP", "", "", "", "19", ""},
    };
    for (const M& m : cases) {
        SCOPED_TRACE((m.stage + " " + m.limit + "+" + m.extra + " " + m.ballot).toStdString());
        const Result r = parseLines({meetingLine(), headerLine(1, {{19, m.limit}, {20, m.extra}}),
                                     runnerLine(1, 1, {{9, m.mark}, {17, m.ballot}}), trainerLine(1, 1)},
                                    m.stage);
        ASSERT_TRUE(r.ok) << r.error.toStdString();
        EXPECT_EQ(r.runners[0].eorb, m.eorb);
        EXPECT_EQ(r.runners[0].ballot, m.ballot);
    }
    const Result limitOnly = parseLines({meetingLine(), headerLine(1, {{19, "14"}, {20, "0"}}), runnerLine(1, 1)});
    EXPECT_TRUE(limitOnly.races[0].details.endsWith("$50000 Field Limit: 14"));
    const Result noLimit = parseLines({meetingLine(), headerLine(1, {{19, "0"}, {20, "4"}}), runnerLine(1, 1)});
    EXPECT_TRUE(noLimit.races[0].details.endsWith("$50000"));
}

TEST(FieldFileRecords, ValuesThatCarryOverAndValuesThatDoNot)
{
    const Result r = parseLines({
        meetingLine(),
        headerLine(1),
        runnerLine(1, 1, {{18, "BM78"}, {19, "72"}, {7, "4"}, {12, "01/09/2020"}}),
        recordLine(1, 1, "500", "SIRE A<DAM A<DAMSIRE A"),
        recordLine(1, 1, "600", "OWNERS A"),
        trainerLine(1, 1),
        // 18 fields: class and rating stay; empty age stays.
        runnerLine(1, 2, {{7, ""}, {13, "SECOND"}}, 18),
        recordLine(1, 2, "500", "SIRE B<DAM B<DAMSIRE B"),
        recordLine(1, 2, "600", "OWNERS B"),
        trainerLine(1, 2, ""), // no trainer: nothing stored, breeding goes on to the next
        // ">" keeps the class; rating read; 19 fields would keep the rating.
        runnerLine(1, 3, {{18, ">"}, {19, "65.5kg"}, {7, "5"}, {13, "THIRD"}}),
        trainerLine(1, 3, "  D O'BRIEN AND A VERY LONG PARTNERSHIP NAME  "),
        runnerLine(1, 4, {{18, "CL1"}, {13, "FOURTH"}}, 19),
        trainerLine(1, 4),
    });
    ASSERT_TRUE(r.ok) << r.error.toStdString();
    ASSERT_EQ(r.runners.size(), 3);
    const Runner& a = r.runners[0];
    const Runner& c = r.runners[1];
    const Runner& d = r.runners[2];
    EXPECT_EQ(a.horseClass, "BM78");
    EXPECT_EQ(a.rating, "72");
    EXPECT_EQ(a.blood1, "SIRE A");
    EXPECT_EQ(a.owners, "OWNERS A");
    EXPECT_EQ(a.horseDob, "01/09/2020");

    EXPECT_EQ(c.horse, "THIRD");
    EXPECT_EQ(c.entryNo, 3);
    EXPECT_EQ(c.horseClass, "BM78");
    EXPECT_EQ(c.rating, "65.5");
    EXPECT_EQ(c.horseType, "b g 5");
    EXPECT_EQ(c.blood1 + c.blood2 + c.blood3, "SIRE BDAM BDAMSIRE B");
    EXPECT_EQ(c.owners, "OWNERS B");
    EXPECT_EQ(c.horseDob, ""); // the date of birth is the record's own
    EXPECT_EQ(c.trainerName, "D O'BRIEN AND A VERY LONG PART");

    EXPECT_EQ(d.horseClass, "CL1");
    EXPECT_EQ(d.rating, "65.5");
    EXPECT_TRUE(d.blood1.isEmpty() && d.owners.isEmpty()); // cleared after a stored runner

    // The age before the first runner is 0.
    const Result first = parseLines({meetingLine(), headerLine(1), runnerLine(1, 1, {{7, ""}}), trainerLine(1, 1)});
    EXPECT_EQ(first.runners[0].horseType, "b g 0");
    EXPECT_EQ(first.runners[0].rating, "70");
}

TEST(FieldFileRecords, RatingIsTheLeadingNumberOfTheText)
{
    for (const QString& text : QStringList{"72", "65.5kg", "", "x", " 7 2", "-3", "1.5e2", "0.25"}) {
        const Result r = parseLines({meetingLine(), headerLine(1), runnerLine(1, 1, {{19, text}}), trainerLine(1, 1)});
        ASSERT_TRUE(r.ok) << text.toStdString();
        EXPECT_DOUBLE_EQ(r.runners[0].rating.toDouble(), modUtils::Val(text)) << text.toStdString();
    }
}

TEST(FieldFileRecords, EntryNumbersGoPast99AndRacesNeedRunners)
{
    QStringList lines = {meetingLine(), headerLine(1), headerLine(2, {{17, "EMPTY"}})};
    for (const int no : {98, 99, 0, 1}) {
        lines << runnerLine(2, no) << trainerLine(2, no);
    }
    lines << "0200110late text is dropped";
    lines << headerLine(3) << runnerLine(3, 1) << trainerLine(3, 1);
    lines << headerLine(4); // no runners before the end
    const Result r = parseLines(lines);
    ASSERT_TRUE(r.ok) << r.error.toStdString();
    ASSERT_EQ(r.races.size(), 2);
    EXPECT_EQ(r.races[0].raceNumber, 2);
    EXPECT_EQ(r.races[0].raceCode, "1200 EMPTY");
    EXPECT_FALSE(r.races[0].details.contains("late"));
    EXPECT_EQ(r.races[1].raceNumber, 3);
    QList<int> entries;
    for (const Runner& n : r.runners)
        entries << n.entryNo;
    EXPECT_EQ(entries, (QList<int>{98, 99, 100, 101, 1}));

    // A runner-level record of an unknown kind still closes the header.
    const Result other = parseLines({meetingLine(), headerLine(1), recordLine(1, 1, "800", "x")});
    ASSERT_TRUE(other.ok);
    EXPECT_EQ(other.races.size(), 1);
    EXPECT_TRUE(other.runners.isEmpty());
}

TEST(FieldFileFaults, EachFaultNamesItsLine)
{
    struct F
    {
        QStringList lines;
        int line;
        QString contains;
    };
    const QList<F> cases = {
        {{headerLine(1), meetingLine()}, 1, "before the meeting record"},
        {{"0100110text", meetingLine()}, 1, "before the meeting record"},
        {{meetingLine(), runnerLine(1, 1)}, 2, "before any race header"},
        {{meetingLine(), headerLine(1), runnerLine(1, 1), meetingLine()}, 4, "second meeting record"},
        {{"0000000a<b<c<07/12/24"}, 1, "meeting record has 4 fields"},
        {{meetingLine("07/12/2024")}, 1, "meeting date \"07/12/2024\""},
        {{meetingLine("31/02/25")}, 1, "meeting date"},
        {{meetingLine(), headerLine(1, {}, 19)}, 2, "race header has 19 fields"},
        {{meetingLine(), headerLine(1, {{2, "25.00"}})}, 2, "start time"},
        {{meetingLine(), headerLine(1, {{2, "1.3x"}, {3, "P.M."}})}, 2, "start time"},
        {{meetingLine(), headerLine(1, {{19, "A"}, {20, "4"}})}, 2, "field limit"},
        {{meetingLine(), "AB00100" + fields(21, {})}, 2, "race number \"AB\""},
        {{meetingLine(), headerLine(1), runnerLine(1, 1, {}, 17)}, 3, "runner record has 17 fields"},
        {{meetingLine(), headerLine(1), runnerLine(1, 1, {{2, "X"}})}, 3, "barrier \"X\""},
        {{meetingLine(), headerLine(1), runnerLine(1, 1, {{7, "4yo"}})}, 3, "age"},
        {{meetingLine(), headerLine(1), runnerLine(1, 1, {{3, "5|"}})}, 3, "weight"},
        {{meetingLine(), headerLine(1), runnerLine(1, 1, {{17, "=A"}})}, 3, "ballot place"},
        {{meetingLine(), headerLine(1), recordLine(1, 1, "500", "SIRE<DAM")}, 3, "breeding record"},
        {{meetingLine(), headerLine(1), runnerLine(1, 1), recordLine(1, 1, "700", "T BROWN")}, 4, "trainer record"},
        {{meetingLine(), headerLine(1), runnerLine(1, 1), "01X1700T<L<P"}, 4, "runner number"},
        {{"not a field file", "at all"}, 0, "no meeting record"},
    };
    for (const F& f : cases) {
        SCOPED_TRACE(f.lines.join(" | ").toStdString());
        const Result r = parseLines(f.lines);
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.errorLine, f.line);
        EXPECT_TRUE(r.error.contains(f.contains)) << r.error.toStdString();
        EXPECT_TRUE(r.races.isEmpty() && r.runners.isEmpty());
    }
    // A blank field limit extra or the place of a nominations file are not read.
    EXPECT_TRUE(parseLines({meetingLine(), headerLine(1), runnerLine(1, 1, {{17, "=A"}}), trainerLine(1, 1)}, "NOM").ok);

    EXPECT_EQ(parse(QByteArray(), "ACP").error, "the file is empty");

    // A header may end at field 19: field 20 is only read when field 19 sets a limit.
    const Result shortNoLimit = parseLines({meetingLine(), headerLine(1, {}, 20), runnerLine(1, 1), trainerLine(1, 1)});
    ASSERT_TRUE(shortNoLimit.ok) << shortNoLimit.error.toStdString();
    ASSERT_EQ(shortNoLimit.races.size(), 1);
    EXPECT_EQ(shortNoLimit.races[0].details, "RACE BM78 $50000");
    EXPECT_EQ(shortNoLimit.runners.size(), 1);
    const Result shortLimit = parseLines({meetingLine(), headerLine(1, {{19, "14"}}, 20), runnerLine(1, 1),
                                          trainerLine(1, 1)});
    ASSERT_TRUE(shortLimit.ok) << shortLimit.error.toStdString();
    EXPECT_TRUE(shortLimit.races[0].details.endsWith("$50000 Field Limit: 14"));
    const Result binary = parse(QByteArray("0000000x\nab\0cd", 14), "ACP");
    EXPECT_FALSE(binary.ok);
    EXPECT_EQ(binary.errorLine, 2);
    EXPECT_TRUE(binary.error.contains("binary"));
}

TEST(FieldFileFaults, DateReadingAgreesWithTheSharedDateReader)
{
    for (const QString& text : QStringList{"07/12/24", "7/1/24", "Sat 07/12/24", "07/12/2024", "31/02/25", "29/02/24", "1/13/24",
                                "xx/12/24", "0/12/24", "", "07-12-24", "07/12/24/", "x07/12/99"}) {
        SCOPED_TRACE(text.toStdString());
        EXPECT_EQ(dateOf(text), modJockey::ParseDateText(text.right(8), "dmy"));
    }
}
