// Shared utilities: ordinals, words, control characters, class ranks,
// version names, dates, numeric values and colours.
#include "core/modJockey.h"
#include "core/modJockeyLists.h"
#include "core/modUtils.h"
#include "platform/Sound.h"
#include "support/TestEnv.h"

#include <QElapsedTimer>

#include <gtest/gtest.h>

using namespace modUtils;

TEST(Utils, OrdinalSuffix)
{
    const std::pair<int, const char*> cases[] = {
        {1, "st"},  {2, "nd"},  {3, "rd"},  {4, "th"},  {11, "th"}, {12, "th"}, {13, "th"}, {20, "th"},
        {21, "st"}, {22, "nd"}, {23, "rd"}, {30, "th"}, {111, "st"}, {112, "nd"}, {0, ""}, {-3, ""},
    };
    for (const auto& [n, suffix] : cases)
        EXPECT_EQ(OrdinalSuffix(static_cast<qint16>(n)), QString::fromLatin1(suffix)) << n;
}

TEST(Utils, LastWordAndControlCharacters)
{
    EXPECT_EQ(LastWord(QStringLiteral("John Smith")), QStringLiteral("Smith"));
    EXPECT_EQ(LastWord(QStringLiteral("Smith")), QStringLiteral("Smith"));
    EXPECT_EQ(LastWord(QStringLiteral("Smith ")), QString());
    EXPECT_EQ(LastWord(QStringLiteral("A B C")), QStringLiteral("C"));

    const QString messy = QStringLiteral("a\tb\r\nc") + QChar(0) + QStringLiteral("d") + QChar(0x2019);
    EXPECT_EQ(StripControlChars(messy, true), QStringLiteral("ab\r\ncd") + QChar(0x2019));
    EXPECT_EQ(StripControlChars(messy, false), QStringLiteral("abcd") + QChar(0x2019));
}

TEST(Utils, ClassRankCutsTheCallersCode)
{
    const std::pair<const char*, int> cases[] = {
        {"70B", 41},   {"99B", 12}, {"60B", 51}, {"BM70", 999}, {"G1 x", 1}, {"G1", 999}, {"70b", 999},
        {"LR ", 4},    {"OPN", 5},  {"C1 ", 11}, {"100", 12},   {"MDN", 200}, {"59B", 999}, {"", 999},
    };
    for (const auto& [code, rank] : cases) {
        QString c = QString::fromLatin1(code);
        EXPECT_EQ(GetClassRank(c), rank) << code;
    }
    QString open = QStringLiteral("OPN M");
    EXPECT_EQ(GetClassRank(open), 5);
    EXPECT_EQ(open, QStringLiteral("OPN"));
}

TEST(Utils, WindowsVersionNames)
{
    EXPECT_EQ(WindowsVersionName(2, 6, 1, 7601), QStringLiteral("Vista / Windows 7"));
    EXPECT_EQ(WindowsVersionName(1, 4, 10, 2222), QStringLiteral("Windows 98SE"));
    EXPECT_EQ(WindowsVersionName(1, 4, 10, 1998), QStringLiteral("Windows 98"));
    EXPECT_EQ(WindowsVersionName(1, 4, 90, 0), QStringLiteral("Windows Me"));
    EXPECT_EQ(WindowsVersionName(1, 4, 5, 0), QString());
    EXPECT_EQ(WindowsVersionName(2, 5, 1, 2600), QStringLiteral("Windows XP"));
    EXPECT_EQ(WindowsVersionName(2, 5, 3, 0), QString());
    EXPECT_EQ(WindowsVersionName(2, 4, 0, 0), QStringLiteral("Windows NT 4.0"));
    EXPECT_EQ(WindowsVersionName(0, 3, 1, 0), QStringLiteral("Windows 3.1"));
    EXPECT_EQ(WindowsVersionName(3, 10, 0, 0), QString());
    EXPECT_EQ(GetWindowsVersionName(), QString()); // no Windows here
}

TEST(Utils, ParseDateText)
{
    EXPECT_EQ(modJockey::ParseDateText(QStringLiteral("07/06/2009"), QStringLiteral("dmy")), QDate(2009, 6, 7));
    EXPECT_EQ(modJockey::ParseDateText(QStringLiteral("1/2/09"), QStringLiteral("MDY")), QDate(2009, 1, 2));
    EXPECT_EQ(modJockey::ParseDateText(QStringLiteral("2009/12/31"), QStringLiteral("ymd")), QDate(2009, 12, 31));
    EXPECT_FALSE(modJockey::ParseDateText(QStringLiteral("7/13/2009"), QStringLiteral("dmy")));
    EXPECT_FALSE(modJockey::ParseDateText(QStringLiteral("31/02/2009"), QStringLiteral("dmy")));
    EXPECT_FALSE(modJockey::ParseDateText(QStringLiteral("07/06"), QStringLiteral("dmy")));
    EXPECT_FALSE(modJockey::ParseDateText(QStringLiteral("aa/06/2009"), QStringLiteral("dmy")));
}

TEST(Utils, MeetingDatesAsTheListsShowThem)
{
    using modJockey::FormatMeetingDate;
    // Every month's English name and two-digit days, whatever the locale.
    const QStringList months = {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    for (int m = 1; m <= 12; ++m) {
        EXPECT_EQ(FormatMeetingDate(QDateTime(QDate(2024, m, 5), QTime(0, 0))),
                  QStringLiteral("2024") + months.at(m - 1) + QStringLiteral("05"));
        EXPECT_EQ(FormatMeetingDate(QDate(1999, m, 28)), QStringLiteral("1999") + months.at(m - 1) + QStringLiteral("28"));
    }
    EXPECT_EQ(FormatMeetingDate(QStringLiteral("2009-06-07 10:00:00")), QStringLiteral("2009Jun07"));
    EXPECT_EQ(FormatMeetingDate(QDate(10000, 1, 2)), QLocale::c().toString(QDate(10000, 1, 2), QStringLiteral("yyyyMMMdd")));
    EXPECT_EQ(FormatMeetingDate(QDate(999, 1, 2)), QLocale::c().toString(QDate(999, 1, 2), QStringLiteral("yyyyMMMdd")));
    EXPECT_EQ(FormatMeetingDate(QVariant()), QString());
    EXPECT_EQ(FormatMeetingDate(QStringLiteral("not a date")), QString());
}

TEST(Utils, ValReadsTheLeadingNumber)
{
    const std::pair<const char*, double> cases[] = {
        {" 12abc", 12}, {"&HFF", 255}, {"", 0},      {"abc", 0},    {"-3.5kg", -3.5}, {"1 2 3", 123},
        {"1e3", 1000},  {"2.5E-1", 0.25}, {"&HFFFF", -1}, {"&H10000", 65536}, {"&O17", 15}, {"+7", 7},
        {".5", 0.5},    {"12e", 12},  {"&H", 0},    {"54.5", 54.5},
    };
    for (const auto& [text, value] : cases)
        EXPECT_DOUBLE_EQ(Val(QString::fromLatin1(text)), value) << text;
}

TEST(Utils, ProperCaseAndColours)
{
    EXPECT_EQ(ProperCase(QStringLiteral("JOHN SMITH")), QStringLiteral("John Smith"));
    EXPECT_EQ(ProperCase(QStringLiteral("mary-ann o'brien")), QStringLiteral("Mary-ann O'brien"));

    EXPECT_EQ(WinColor(0x0000FF), QColor(255, 0, 0)); // red is 0x0000FF
    EXPECT_EQ(WinColor(0xFF0000), QColor(0, 0, 255)); // blue
    EXPECT_EQ(WinColor(0x80000005LL), QColor(255, 255, 255)); // window background
    EXPECT_EQ(WinColor(static_cast<qint32>(0x80000008u)), QColor(0, 0, 0)); // window text, as a signed number
    EXPECT_FALSE(WinColor(-1).isValid());
    EXPECT_FALSE(WinColor(0x800000FFLL).isValid());
    EXPECT_EQ(ToWinColor(QColor(0x12, 0x34, 0x56)), 0x563412);
}

TEST(Utils, PlayWaveNeverWaitsAndReportsAMissingFile)
{
    TestEnv env;
    env.installSounds();
    Sound::clearHistory();
    QElapsedTimer t;
    t.start();
    EXPECT_TRUE(PlayAppSound(QStringLiteral("horse-gallop.wav")));
    EXPECT_TRUE(PlayAppSound(QStringLiteral("error.wav"))); // the file is "Error.Wav"
    EXPECT_FALSE(PlayAppSound(QStringLiteral("missing.wav")));
    EXPECT_LT(t.elapsed(), 500);
    EXPECT_EQ(Sound::history().size(), 3);
}
