// Invoice arithmetic and layout without a window: periods, amounts, money
// texts, the optional lines and the report footer.
#include "records/InvoiceCalc.h"

#include <gtest/gtest.h>

using namespace InvoiceCalc;

namespace
{
Currency cur(const char* text)
{
    return *ParseAmount(QString::fromLatin1(text));
}

QString caption(const Result& r, const char* control)
{
    const auto it = r.patch.controls.find(QString::fromLatin1(control));
    if (it == r.patch.controls.end() || !it->caption)
        return QStringLiteral("<unchanged>");
    return *it->caption;
}

int moveUp(const Result& r, const char* control)
{
    const auto it = r.patch.controls.find(QString::fromLatin1(control));
    return it == r.patch.controls.end() ? 0 : it->moveUp;
}

// Scratchings and trials with counts, both extras set, GST on: every line printed.
Input fullInput()
{
    Input in;
    in.jockey = QStringLiteral("J Smith");
    in.terms.managerRate = 20;
    in.terms.scratchFee = cur("10");
    in.terms.trialFee = cur("15");
    in.period = {QDate(2024, 3, 1), QDate(2024, 3, 14)};
    in.scratchings = QStringLiteral("1");
    in.trials = QStringLiteral("1");
    in.extra1Text = QStringLiteral("Admin fee");
    in.extra1 = cur("25");
    in.extra2Text = QStringLiteral("Travel");
    in.extra2 = cur("5");
    in.applyGst = true;
    return in;
}

const char* const kTotalsBlock[] = {"lblTotalOwedPmt", "linTotOwed1", "linTotOwed2", "lblTotalTarrow",
                                    "lblgstpmt",       "lblIncGstcPmt", "lblABNPmt", "linGST1",
                                    "linGST2",         "lblGSTTot",   "lblABN",      "lblTotIncGST"};
} // namespace

TEST(InvoicePeriod, EveryCodeIncludingMonthEndsAndLeapYears)
{
    struct Case
    {
        QDate last;
        const char* code;
        QDate start, end;
    } cases[] = {
        {QDate(2024, 4, 30), "HF", QDate(2024, 5, 1), QDate(2024, 5, 15)},
        {QDate(2024, 5, 15), "HF", QDate(2024, 5, 16), QDate(2024, 5, 31)},
        {QDate(2024, 1, 31), "HF", QDate(2024, 2, 1), QDate(2024, 2, 15)},
        {QDate(2024, 2, 15), "HF", QDate(2024, 2, 16), QDate(2024, 2, 29)},
        {QDate(2023, 2, 15), "HF", QDate(2023, 2, 16), QDate(2023, 2, 28)},
        {QDate(2023, 1, 31), "MT", QDate(2023, 2, 1), QDate(2023, 2, 28)},
        {QDate(2024, 1, 31), "MT", QDate(2024, 2, 1), QDate(2024, 2, 29)},
        {QDate(2000, 1, 31), "MT", QDate(2000, 2, 1), QDate(2000, 2, 29)},
        {QDate(1900, 1, 31), "MT", QDate(1900, 2, 1), QDate(1900, 2, 28)},
        {QDate(2024, 11, 30), "MT", QDate(2024, 12, 1), QDate(2024, 12, 31)},
        {QDate(2024, 3, 10), "MT", QDate(2024, 3, 11), QDate(2024, 3, 31)},
        {QDate(2023, 12, 20), "14", QDate(2023, 12, 21), QDate(2024, 1, 3)},
        {QDate(2024, 3, 1), " 7", QDate(2024, 3, 2), QDate(2024, 3, 8)},
        {QDate(2024, 2, 25), " 7", QDate(2024, 2, 26), QDate(2024, 3, 3)},
        {QDate(2024, 2, 1), "28", QDate(2024, 2, 2), QDate(2024, 2, 29)},
        {QDate(2023, 2, 1), "28", QDate(2023, 2, 2), QDate(2023, 3, 1)},
        // Codes are compared exactly: no leading blank, empty, lower case or
        // anything unknown give a one-day period.
        {QDate(2024, 3, 1), "7", QDate(2024, 3, 2), QDate(2024, 3, 2)},
        {QDate(2024, 3, 1), "", QDate(2024, 3, 2), QDate(2024, 3, 2)},
        {QDate(2024, 3, 1), "mt", QDate(2024, 3, 2), QDate(2024, 3, 2)},
        {QDate(2024, 12, 31), "XX", QDate(2025, 1, 1), QDate(2025, 1, 1)},
    };
    for (const Case& c : cases) {
        const Period p = ProposePeriod(c.last, QString::fromLatin1(c.code));
        EXPECT_EQ(p.start, c.start) << c.code << " after " << c.last.toString().toStdString();
        EXPECT_EQ(p.end, c.end) << c.code << " after " << c.last.toString().toStdString();
    }
    EXPECT_EQ(ProposePeriod(QDate(2024, 3, 1), QString()).end, QDate(2024, 3, 2)); // Null code
}

TEST(InvoiceMoney, TextsAndAmountsTyped)
{
    EXPECT_EQ(MoneyText(cur("1234.5")), QStringLiteral("$1,234.50"));
    EXPECT_EQ(MoneyText(Currency()), QStringLiteral("$0.00"));
    EXPECT_EQ(MoneyText(cur("1234567.891")), QStringLiteral("$1,234,567.89"));
    EXPECT_EQ(MoneyText(cur("-5")), QStringLiteral("-$5.00"));
    EXPECT_EQ(MoneyText(cur("999.995")), QStringLiteral("$1,000.00"));
    EXPECT_EQ(MoneyText(cur("0.125")), QStringLiteral("$0.12")); // half to even
    EXPECT_EQ(MoneyText(cur("100")), QStringLiteral("$100.00"));

    EXPECT_EQ(ParseAmount(QStringLiteral("$1,250.00")), cur("1250"));
    EXPECT_EQ(ParseAmount(QStringLiteral(" 25 ")), Currency::fromRaw(250000));
    EXPECT_EQ(ParseAmount(QStringLiteral("12.50")), Currency::fromRaw(125000));
    EXPECT_EQ(ParseAmount(QStringLiteral(".5")), Currency::fromRaw(5000));
    EXPECT_EQ(ParseAmount(QStringLiteral("-$5")), Currency::fromRaw(-50000));
    EXPECT_EQ(ParseAmount(QStringLiteral("$-5.25")), Currency::fromRaw(-52500));
    EXPECT_EQ(ParseAmount(QStringLiteral("0")), Currency());
    for (const char* bad : {"", "   ", "abc", "$", ".", "12abc", "1,25", "1,2345", "--5", "-$-5", "1.2.3",
                            "99999999999999", "5$"})
        EXPECT_FALSE(ParseAmount(QString::fromLatin1(bad)).has_value()) << bad;

    EXPECT_EQ(WholeDollars(cur("12.50")), 12);
    EXPECT_EQ(WholeDollars(cur("13.50")), 14);
    EXPECT_EQ(WholeDollars(cur("1250")), 1250);
    EXPECT_EQ(WholeDollars(cur("2147483647")), 2147483647);
    EXPECT_FALSE(WholeDollars(cur("2147483648")).has_value());
}

TEST(InvoiceNumbers, PrintedAndAdvancedIn64Bits)
{
    EXPECT_EQ(InvoiceNumberText(1001), QStringLiteral("1001"));
    EXPECT_EQ(InvoiceNumberText(0), QStringLiteral("0"));
    EXPECT_EQ(InvoiceNumberText(40000), QStringLiteral("40000"));
    EXPECT_EQ(InvoiceNumberText(1000.5f), QStringLiteral("1000.5"));

    EXPECT_EQ(NextInvoiceNumber(1001), 1002);
    EXPECT_EQ(NextInvoiceNumber(1000.5f), 1001); // half to even
    EXPECT_EQ(NextInvoiceNumber(1001.5f), 1003);
    EXPECT_EQ(NextInvoiceNumber(1001.25f), 1002);
    EXPECT_EQ(NextInvoiceNumber(32767), 32768); // past the old 16-bit limit
    EXPECT_EQ(NextInvoiceNumber(65535), 65536);
    EXPECT_EQ(NextInvoiceNumber(0), 1);
}

TEST(InvoiceAbn, FormattedOrBlank)
{
    EXPECT_EQ(AbnText(QStringLiteral("12-345-678-901")), QStringLiteral("12 345 678 901"));
    EXPECT_EQ(AbnText(QStringLiteral("12345678901")), QStringLiteral("12 345 678 901"));
    EXPECT_EQ(AbnText(QStringLiteral("__-___-___-___")), QString());
    EXPECT_EQ(AbnText(QString()), QString());
    EXPECT_EQ(AbnText(QStringLiteral("   ")), QString());
    EXPECT_EQ(AbnText(QStringLiteral("12-3__-___-___")), QStringLiteral("12-3")); // partly typed

    Input in = fullInput();
    in.abn = QStringLiteral("51-824-753-556");
    EXPECT_EQ(caption(Compute(in), "lblABN"), QStringLiteral("51 824 753 556"));
    EXPECT_EQ(caption(Compute(in), "lblABNPmt"), QStringLiteral("<unchanged>")); // keeps "ABN :"
    in.abn = QStringLiteral("__-___-___-___");
    const Result blank = Compute(in);
    EXPECT_EQ(caption(blank, "lblABN"), QString());
    EXPECT_EQ(caption(blank, "lblABNPmt"), QString());
}

TEST(InvoiceAmounts, WorkedExamples)
{
    // $10,000 of prizes at 20%: share $500, commission $100.
    Input in;
    in.jockey = QStringLiteral("A Rider");
    in.terms.managerRate = 20;
    in.totals.rides = 12;
    in.totals.prizeTotal = 10000;
    in.period = {QDate(2024, 5, 1), QDate(2024, 5, 15)};
    Result r = Compute(in);
    EXPECT_EQ(r.amounts.jockeyShare, cur("500"));
    EXPECT_EQ(r.amounts.commission, cur("100"));
    EXPECT_EQ(caption(r, "lblManComm"), QStringLiteral("Manager Commission (20.00%)"));
    EXPECT_EQ(caption(r, "lblJockeyWin"), QStringLiteral("$500.00"));
    EXPECT_EQ(caption(r, "lblTarrowWin"), QStringLiteral("$100.00"));
    EXPECT_EQ(r.patch.title, QStringLiteral("Rides for A Rider for period 01/05/2024 to 15/05/2024"));

    // A fee per ride: 12 rides at $15.
    in.terms.bookFee = cur("15");
    in.totals.bookRateTotal = cur("2400");
    r = Compute(in);
    EXPECT_EQ(caption(r, "lblPerRide"), QStringLiteral("$15.00"));
    EXPECT_EQ(r.patch.controls.value(QStringLiteral("lblPerRide")).growLeft, 0);
    EXPECT_EQ(r.amounts.managerFee, cur("180"));
    EXPECT_EQ(caption(r, "lblTarrowFee"), QStringLiteral("$180.00"));

    // No fee (0 or below): the booking rates at the manager's rate.
    for (const char* fee : {"0", "-1"}) {
        in.terms.bookFee = cur(fee);
        r = Compute(in);
        EXPECT_EQ(caption(r, "lblPerRide"), QStringLiteral("At Commision Rate"));
        EXPECT_GT(r.patch.controls.value(QStringLiteral("lblPerRide")).growLeft, 0); // the long text fits
        EXPECT_EQ(r.amounts.managerFee, cur("480"));
        EXPECT_EQ(caption(r, "lblBookValue"), QStringLiteral("$2,400.00"));
    }

    // Total owed of $100 with GST.
    Input g;
    g.applyGst = true;
    g.extra1 = cur("100");
    r = Compute(g);
    EXPECT_EQ(r.amounts.totalOwed, cur("100"));
    EXPECT_EQ(caption(r, "lblGSTTot"), QStringLiteral("$10.00"));
    EXPECT_EQ(caption(r, "lblTotIncGST"), QStringLiteral("$110.00"));

    // No rides: nothing but the charges typed in.
    Input none;
    none.terms.managerRate = 20;
    none.terms.scratchFee = cur("10");
    none.scratchings = QStringLiteral("3");
    none.extra1 = cur("25");
    r = Compute(none);
    EXPECT_EQ(r.amounts.rides, 0);
    EXPECT_EQ(r.amounts.jockeyShare, Currency());
    EXPECT_EQ(caption(r, "lblBookValue"), QStringLiteral("$0.00"));
    EXPECT_EQ(r.amounts.totalOwed, cur("55"));
}

TEST(InvoiceAmounts, DerivedEndToEndExample)
{
    Input in;
    in.jockey = QStringLiteral("J Smith");
    in.terms.managerRate = 20;
    in.terms.scratchFee = cur("10");
    in.totals = {3, 10000.0, cur("600")};
    in.scratchings = QStringLiteral("2");
    in.extra1Text = QStringLiteral("Admin fee");
    in.extra1 = cur("25");
    in.extra2Text = QStringLiteral("Travel");
    in.applyGst = true;
    const Result r = Compute(in);
    EXPECT_EQ(r.amounts.jockeyShare, cur("500"));
    EXPECT_EQ(r.amounts.commission, cur("100"));
    EXPECT_EQ(r.amounts.managerFee, cur("120"));
    EXPECT_EQ(r.amounts.scratchTotal, cur("20"));
    EXPECT_EQ(r.amounts.totalOwed, cur("265"));
    EXPECT_EQ(r.amounts.gst, cur("26.50"));
    EXPECT_EQ(r.amounts.totalIncGst, cur("291.50"));
    EXPECT_EQ(caption(r, "lblPerRide"), QStringLiteral("At Commision Rate"));
    EXPECT_EQ(caption(r, "lblScratch"), QStringLiteral("2"));
    EXPECT_EQ(caption(r, "lblScratchRate"), QStringLiteral("@ $10.00"));
    EXPECT_EQ(caption(r, "lblScratchTot"), QStringLiteral("$20.00"));
    EXPECT_EQ(caption(r, "lblTrialPmt"), QString());
    EXPECT_EQ(moveUp(r, "lblExtraChg1"), 450);
    EXPECT_EQ(caption(r, "lblExtraChg1"), QStringLiteral("Admin fee"));
    EXPECT_EQ(caption(r, "lblExtra1"), QStringLiteral("$25.00"));
    EXPECT_EQ(caption(r, "lblExtrachg2"), QString());
    EXPECT_EQ(r.patch.shift, 900);
    for (const char* n : kTotalsBlock)
        EXPECT_EQ(moveUp(r, n), 900) << n;
    EXPECT_EQ(caption(r, "lblTotalTarrow"), QStringLiteral("$265.00"));
    EXPECT_EQ(caption(r, "lblGSTTot"), QStringLiteral("$26.50"));
    EXPECT_EQ(caption(r, "lblTotIncGST"), QStringLiteral("$291.50"));
    EXPECT_EQ(r.patch.footerHeight, kFooterHeight);
}

TEST(InvoiceAmounts, RoundingHalfToEven)
{
    // Total owed rounds to the even cent.
    Input in;
    in.extra1 = cur("10.125");
    EXPECT_EQ(Compute(in).amounts.totalOwed, cur("10.12"));
    in.extra1 = cur("10.135");
    EXPECT_EQ(Compute(in).amounts.totalOwed, cur("10.14"));
    in.extra1 = cur("-10.125");
    EXPECT_EQ(Compute(in).amounts.totalOwed, cur("-10.12"));

    // GST of the rounded total, to the even cent.
    in.applyGst = true;
    const struct
    {
        const char* owed;
        const char* gst;
    } gst[] = {{"100.05", "10.00"}, {"100.15", "10.02"}, {"100.25", "10.02"}, {"100.35", "10.04"}};
    for (const auto& c : gst) {
        in.extra1 = cur(c.owed);
        const Result r = Compute(in);
        EXPECT_EQ(r.amounts.gst, cur(c.gst)) << c.owed;
        EXPECT_EQ(r.amounts.totalIncGst, cur(c.owed) + cur(c.gst)) << c.owed;
    }

    // A 5% share to the ten-thousandth: 0.00025 is a half, kept even.
    Input share;
    share.totals.prizeTotal = 0.005; // 0.00025 → 0.0002
    EXPECT_EQ(Compute(share).amounts.jockeyShare, Currency::fromRaw(2));
    share.totals.prizeTotal = 0.007; // 0.00035 → 0.0004
    EXPECT_EQ(Compute(share).amounts.jockeyShare, Currency::fromRaw(4));
    share.totals.prizeTotal = 0.0055; // 0.000275 → 0.0003 (not a half: nearest)
    EXPECT_EQ(Compute(share).amounts.jockeyShare, Currency::fromRaw(3));
}

TEST(InvoiceAmounts, RateFactorIsSinglePrecision)
{
    // 7.5% of $97,531.2468 is 7,314.8435 in decimals, but the factor comes
    // from the single-precision rate and gives 7,314.8438.
    Input in;
    in.terms.managerRate = 7.5f;
    in.totals.bookRateTotal = Currency::fromRaw(975312468);
    const Result r = Compute(in);
    EXPECT_EQ(r.amounts.managerFee, Currency::fromRaw(73148438));
    EXPECT_EQ(caption(r, "lblManComm"), QStringLiteral("Manager Commission (7.50%)"));
    EXPECT_EQ(r.amounts.totalOwed, cur("7314.84"));

    // The same on a small amount: $333.33 at 7.5% is 24.9998 with the
    // single-precision factor (24.9997 with a double one).
    in.totals.bookRateTotal = cur("333.33");
    EXPECT_EQ(Compute(in).amounts.managerFee, Currency::fromRaw(249998));
}

TEST(InvoiceAmounts, ScratchingsAndTrialsCounts)
{
    Input in = fullInput();
    in.scratchings = QStringLiteral("0");
    in.trials = QStringLiteral("2.5");
    Result r = Compute(in);
    // "0" is a count: the line is printed with $0.00.
    EXPECT_EQ(caption(r, "lblScratch"), QStringLiteral("0"));
    EXPECT_EQ(caption(r, "lblScratchTot"), QStringLiteral("$0.00"));
    EXPECT_EQ(caption(r, "lblScratchpmt"), QStringLiteral("<unchanged>"));
    EXPECT_EQ(caption(r, "lblTrial"), QStringLiteral("2.5"));
    EXPECT_EQ(caption(r, "lblTrialRate"), QStringLiteral("@ $15.00"));
    EXPECT_EQ(r.amounts.trialTotal, cur("37.50"));
    EXPECT_EQ(r.patch.shift, 0);

    // A count typed with trailing text reads its leading number.
    in.scratchings = QStringLiteral("3x");
    EXPECT_EQ(Compute(in).amounts.scratchTotal, cur("30"));
    // Empty (or blank) leaves the line out.
    in.scratchings = QStringLiteral(" ");
    r = Compute(in);
    EXPECT_EQ(caption(r, "lblScratch"), QString());
    EXPECT_EQ(caption(r, "lblScratchpmt"), QString());
    EXPECT_EQ(r.amounts.scratchTotal, Currency());
}

TEST(InvoiceLayout, EveryShiftCombination)
{
    // Bit 0 scratchings left out, bit 1 trials, bit 2 extra 1, bit 3 extra 2.
    const char* const lines[4][4] = {{"lblScratchpmt", "lblScratch", "lblScratchRate", "lblScratchTot"},
                                     {"lblTrialPmt", "lblTrial", "lblTrialRate", "lblTrialTot"},
                                     {"lblExtraChg1", "lblExtra1", nullptr, nullptr},
                                     {"lblExtrachg2", "lblExtra2", nullptr, nullptr}};
    for (int mask = 0; mask < 16; ++mask) {
        Input in = fullInput();
        if (mask & 1)
            in.scratchings.clear();
        if (mask & 2)
            in.trials.clear();
        if (mask & 4)
            in.extra1 = Currency();
        if (mask & 8)
            in.extra2 = Currency();
        const Result r = Compute(in);
        int above = 0; // lines left out above the current one
        for (int line = 0; line < 4; ++line) {
            const bool out = mask & (1 << line);
            for (const char* n : lines[line]) {
                if (!n)
                    continue;
                if (out) {
                    EXPECT_EQ(caption(r, n), QString()) << "mask " << mask << ' ' << n;
                    EXPECT_EQ(moveUp(r, n), 0) << "mask " << mask << ' ' << n;
                } else {
                    EXPECT_EQ(moveUp(r, n), above * kLineHeight) << "mask " << mask << ' ' << n;
                }
            }
            if (out)
                ++above;
        }
        EXPECT_EQ(r.patch.shift, above * kLineHeight) << "mask " << mask;
        for (const char* n : kTotalsBlock)
            EXPECT_EQ(moveUp(r, n), above * kLineHeight) << "mask " << mask << ' ' << n;
        EXPECT_EQ(r.patch.footerHeight, kFooterHeight) << "mask " << mask; // GST on
    }
}

TEST(InvoiceLayout, WithoutGst)
{
    // Everything optional left out, no GST, no ABN: the totals block moves
    // up 1800 and the footer shrinks by 1000 + 1800.
    Input in;
    in.terms.managerRate = 20;
    in.extra1Text = QStringLiteral("Not charged");
    Result r = Compute(in);
    EXPECT_EQ(r.patch.shift, 1800);
    for (const char* n : kTotalsBlock)
        EXPECT_EQ(moveUp(r, n), 1800) << n;
    for (const char* n : {"lblGSTTot", "lblTotIncGST", "lblgstpmt", "lblIncGstcPmt"})
        EXPECT_EQ(caption(r, n), QString()) << n;
    EXPECT_EQ(r.patch.controls.value(QStringLiteral("linGST1")).width, 0);
    EXPECT_EQ(r.patch.controls.value(QStringLiteral("linGST2")).width, 0);
    EXPECT_EQ(r.amounts.gst, Currency());
    EXPECT_EQ(r.patch.footerHeight, 1145);

    // An ABN without GST is printed (the report does not cut it off).
    in.abn = QStringLiteral("12-345-678-901");
    r = Compute(in);
    EXPECT_EQ(caption(r, "lblABN"), QStringLiteral("12 345 678 901"));
    EXPECT_EQ(moveUp(r, "lblABN"), 1800);

    // No shift, no GST.
    Input full = fullInput();
    full.applyGst = false;
    r = Compute(full);
    EXPECT_EQ(r.patch.footerHeight, 2945);
    EXPECT_EQ(r.amounts.totalIncGst, r.amounts.totalOwed);
}

// The limits: a line or total beyond ten million dollars, or a count beyond a
// thousand, is refused; the amounts are compared without overflowing money.
TEST(InvoiceLimits, CountsRatesAndTotalsBeyondTheLimitsAreNamed)
{
    Input in;
    in.terms.scratchFee = cur("10");
    in.terms.trialFee = cur("5");
    EXPECT_EQ(CheckInput(in), QString()); // nothing typed
    in.scratchings = QStringLiteral(" 2.5 ");
    in.trials = QStringLiteral("1000");
    EXPECT_EQ(CheckInput(in), QString());
    in.terms.trialFee = cur("10000.01");
    EXPECT_EQ(CheckInput(in), QStringLiteral("Number of Trials at the Trials Rate of $10,000.01 comes to more than "
                                             "$10,000,000.00."));
    in.terms.trialFee = Currency::fromRaw(std::numeric_limits<qint64>::max() / 2);
    in.trials = QStringLiteral("3");
    EXPECT_FALSE(CheckInput(in).isEmpty());
    in.trials = QStringLiteral("1e300");
    EXPECT_EQ(CheckInput(in), QStringLiteral("Number of Trials must be a number from 0 to 1000."));

    EXPECT_EQ(ExtraProblem(2, cur("10000000")), QString());
    EXPECT_EQ(ExtraProblem(2, cur("-10000000")), QString()); // a credit
    EXPECT_EQ(ExtraProblem(2, cur("-10000000.01")), QStringLiteral("Extra Charge 2 must not be less than "
                                                                   "-$10,000,000.00."));

    Amounts a;
    a.totalOwed = cur("9500000");
    a.totalIncGst = cur("10450000");
    EXPECT_EQ(CheckTotal(a), QStringLiteral("The invoice comes to more than $10,000,000.00. Check the counts, the "
                                            "jockey's rates and the extra charges."));
    a.totalIncGst = a.totalOwed;
    EXPECT_EQ(CheckTotal(a), QString());
}
