// The check of a meeting's bookings against a published field: the rider and
// weight warnings, their exact texts and default buttons, and removal.
#include "core/modDatabase.h"
#include "core/modJockeyBooking.h"
#include "platform/Prompts.h"
#include "support/QtPrinters.h"
#include "support/TestEnv.h"

#include <gtest/gtest.h>

#include <ostream>

using modJockey::CheckBookingsOnAcceptance;

namespace
{
const QString CR = QStringLiteral("\r");
const QString MEETING = QStringLiteral("0712FLEM");
const QString HORSE = QStringLiteral("Silver Lining");

class AcceptanceCheckTest : public ::testing::Test
{
protected:
    TestEnv env;
    Prompts::Script script;

    void SetUp() override
    {
        env.installTemplateDatabase();
        exec("INSERT INTO Jockey (Jockey, FullName, RideWgt, JockeyColor) VALUES "
             "('A Jones', 'A Jones', 55, ' 255'), ('Light Rider', '', 56, ''), ('No Details', NULL, NULL, '')");
        exec("INSERT INTO Trainer (TrainerName, TrainerMobile, Phone) VALUES "
             "('J Hawkes', '0400111222', '0355556666')");
        addBooking(QStringLiteral("A Jones"), MEETING, HORSE, QStringLiteral("J Hawkes"));
    }
    void TearDown() override { EXPECT_TRUE(script.unexpected().isEmpty()); }

    static void exec(const char* sql, const QVariantList& params = {})
    {
        modDatabase::OpenLocalDatabase().Execute(QString::fromLatin1(sql), params);
    }
    static void addBooking(const QString& jockey, const QString& meeting, const QString& horse, const QString& trainer)
    {
        exec("INSERT INTO Bookings (Jockey, MeetingCode, RaceCode, Horse, TrainerName, BookingSelection) "
             "VALUES (?, ?, 'R1 1200', ?, ?, 'Planned')",
             {jockey, meeting, horse, trainer});
    }
    static int bookingCount(const QString& horse = HORSE)
    {
        return modDatabase::OpenLocalDatabase()
            .Scalar(QStringLiteral("SELECT COUNT(*) FROM Bookings WHERE Horse = ?"), {horse})
            .toInt();
    }
};

TEST_F(AcceptanceCheckTest, NothingIsCheckedBeforeAcceptancesWithoutRiderOrWeight)
{
    // A booked jockey heavier than anything: still no question, because the
    // field gives neither rider nor weight yet.
    EXPECT_FALSE(CheckBookingsOnAcceptance(QString(), MEETING, HORSE, QStringLiteral("NOM"), 0));
    EXPECT_FALSE(CheckBookingsOnAcceptance(QString(), MEETING, HORSE, QStringLiteral("WGT"), 0));
    EXPECT_TRUE(script.records().isEmpty());
    EXPECT_EQ(bookingCount(), 1);
}

TEST_F(AcceptanceCheckTest, AcceptancesWithoutARiderWarnAndYesRemovesTheBooking)
{
    script.answerMsgBox(Prompts::vbYes);
    EXPECT_TRUE(CheckBookingsOnAcceptance(QString(), MEETING, HORSE, QStringLiteral("ACP"), 560));
    ASSERT_EQ(script.messages().size(), 1);
    const Prompts::Record r = script.messages()[0];
    EXPECT_EQ(r.text, QStringLiteral("ACP For meeting has No Jockey") + " " + CR + CR +
                          "Booked On Horse : Silver Lining" + " " + CR + CR +
                          "You had previously booked your Jockey :A Jones on that Horse" + " " + CR + CR +
                          "Booking was : Planned" + " " + CR + CR + "Trainer was : J Hawkes 0400111222 0355556666" +
                          " " + CR + CR + "Select Yes to remove your booking");
    EXPECT_EQ(r.title, QStringLiteral("Jockey booking Error"));
    EXPECT_EQ(r.style, Prompts::vbYesNo + Prompts::vbExclamation); // Yes is the default
    EXPECT_EQ(bookingCount(), 0);
}

TEST_F(AcceptanceCheckTest, RiderThatDiffersFromTheBookedJockey)
{
    // Another rider named at weights: warned, No keeps the booking.
    script.answerMsgBox(Prompts::vbNo);
    EXPECT_FALSE(CheckBookingsOnAcceptance(QStringLiteral("B Smith"), MEETING, HORSE, QStringLiteral("WGT"), 560));
    ASSERT_EQ(script.messages().size(), 1);
    EXPECT_TRUE(script.messages()[0].text.startsWith(QStringLiteral("WGT For meeting has B Smith") + " " + CR + CR));
    EXPECT_EQ(bookingCount(), 1);

    // The booked jockey with an apprentice claim is the same rider.
    script.clear();
    EXPECT_FALSE(CheckBookingsOnAcceptance(QStringLiteral("A Jones (a2)"), MEETING, HORSE, QStringLiteral("ACP"), 560));
    EXPECT_FALSE(CheckBookingsOnAcceptance(QStringLiteral("  A Jones "), MEETING, HORSE, QStringLiteral("ACP"), 560));
    EXPECT_TRUE(script.records().isEmpty());

    // Names are compared exactly, letter case included.
    script.answerMsgBox(Prompts::vbNo);
    CheckBookingsOnAcceptance(QStringLiteral("a jones"), MEETING, HORSE, QStringLiteral("ACP"), 560);
    EXPECT_EQ(script.messages().size(), 1);
}

TEST_F(AcceptanceCheckTest, WeightBelowTheJockeysRidingWeight)
{
    script.answerMsgBox(Prompts::vbNo);
    EXPECT_FALSE(CheckBookingsOnAcceptance(QStringLiteral("A Jones"), MEETING, HORSE, QStringLiteral("ACP"), 545));
    ASSERT_EQ(script.messages().size(), 1);
    const Prompts::Record r = script.messages()[0];
    EXPECT_EQ(r.text, QStringLiteral("ACP For meeting has Weight of 54.5 kg") + CR + CR + " for Horse Silver Lining" +
                          CR + CR + " you have booked Jockey A Jones" + CR + CR + " who has a ride weight of 55.0 kg" +
                          " " + CR + CR + "Booking was : Planned" + " " + CR + CR +
                          "Trainer was : J Hawkes 0400111222 0355556666" + " " + CR + CR +
                          "Select Yes to remove your booking");
    EXPECT_EQ(r.style, Prompts::vbYesNo + Prompts::vbExclamation + Prompts::vbDefaultButton2);
    EXPECT_EQ(bookingCount(), 1);

    // At or above the riding weight, or no weight given: nothing to say.
    script.clear();
    EXPECT_FALSE(CheckBookingsOnAcceptance(QStringLiteral("A Jones"), MEETING, HORSE, QStringLiteral("ACP"), 550));
    EXPECT_FALSE(CheckBookingsOnAcceptance(QStringLiteral("A Jones"), MEETING, HORSE, QStringLiteral("ACP"), 0));
    EXPECT_TRUE(script.records().isEmpty());
}

TEST_F(AcceptanceCheckTest, WeightCheckForAJockeyWithoutAFullName)
{
    exec("UPDATE Bookings SET Jockey = 'Light Rider', TrainerName = 'Unknown Trainer'");
    script.answerMsgBox(Prompts::vbYes);
    // No rider named at weights: the warning names the booked jockey; the
    // trainer without a record gives no numbers.
    EXPECT_TRUE(CheckBookingsOnAcceptance(QString(), MEETING, HORSE, QStringLiteral("WGT"), 540));
    ASSERT_EQ(script.messages().size(), 1);
    const QString text = script.messages()[0].text;
    EXPECT_TRUE(text.contains(QStringLiteral(" you have booked Jockey Light Rider") + CR)) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("Trainer was : Unknown Trainer") + " " + CR)) << text.toStdString();
    EXPECT_EQ(bookingCount(), 0);

    // A jockey with neither full name nor riding weight is never checked.
    addBooking(QStringLiteral("No Details"), MEETING, HORSE, QStringLiteral("J Hawkes"));
    script.clear();
    EXPECT_FALSE(CheckBookingsOnAcceptance(QStringLiteral("B Smith"), MEETING, HORSE, QStringLiteral("ACP"), 400));
    EXPECT_TRUE(script.records().isEmpty());
}

TEST_F(AcceptanceCheckTest, OnlyTheHorsesOwnBookingAtThatMeetingIsTouched)
{
    addBooking(QStringLiteral("A Jones"), MEETING, QStringLiteral("O'Reilly"), QStringLiteral("J Hawkes"));
    addBooking(QStringLiteral("A Jones"), QStringLiteral("0812RAND"), HORSE, QStringLiteral("J Hawkes"));
    addBooking(QStringLiteral("A Jones"), MEETING, QStringLiteral("Not In Field"), QStringLiteral("J Hawkes"));

    // The field's runners: a horse with a quote loses its booking on Yes; the
    // booked horse that is not in the field is never asked about.
    script.answerMsgBox(Prompts::vbYes).answerMsgBox(Prompts::vbYes);
    EXPECT_TRUE(CheckBookingsOnAcceptance(QStringLiteral("C Brown"), MEETING, QStringLiteral("O'Reilly"),
                                          QStringLiteral("ACP"), 560));
    EXPECT_TRUE(CheckBookingsOnAcceptance(QStringLiteral("C Brown"), MEETING, HORSE, QStringLiteral("ACP"), 560));
    EXPECT_FALSE(CheckBookingsOnAcceptance(QStringLiteral("C Brown"), MEETING, QStringLiteral("Another Runner"),
                                           QStringLiteral("ACP"), 560));
    EXPECT_EQ(script.messages().size(), 2);
    EXPECT_EQ(bookingCount(QStringLiteral("O'Reilly")), 0);
    EXPECT_EQ(bookingCount(QStringLiteral("Not In Field")), 1);
    // The same horse's booking at another meeting stays.
    EXPECT_EQ(bookingCount(HORSE), 1);
}

TEST_F(AcceptanceCheckTest, BookingsWhoseHorseLeftTheFieldAreListedOnceAndKept)
{
    // The new field: the booked horse, a padded name of another booked horse,
    // a horse that gained its country suffix, and one nobody booked.
    for (const char* horse : {"Silver Lining", "OCEAN BREEZE ", "FAST LAD (NZ)", "Unbooked"})
        exec("INSERT INTO Noms (MeetingCode, RaceNumber, Horse) VALUES (?, 1, ?)", {MEETING, QString::fromLatin1(horse)});
    addBooking(QStringLiteral("A Jones"), MEETING, QStringLiteral("Ocean Breeze"), QStringLiteral("J Hawkes"));
    addBooking(QStringLiteral("B Smith"), MEETING, QStringLiteral("FAST LAD"), QStringLiteral("J Hawkes"));
    addBooking(QStringLiteral("A Jones"), MEETING, QStringLiteral("Scratched Star"), QStringLiteral("J Hawkes"));
    exec("UPDATE Bookings SET BookingSelection = 'Confirmed', Confirmed = 1 WHERE Horse = 'Scratched Star'");
    // A horse of another meeting is not this field's business.
    addBooking(QStringLiteral("A Jones"), QStringLiteral("0812RAND"), QStringLiteral("Elsewhere"),
               QStringLiteral("J Hawkes"));

    script.answerMsgBox(Prompts::vbOK);
    EXPECT_EQ(modJockey::ReportBookingsWithoutRunner(MEETING), 2);
    ASSERT_EQ(script.messages().size(), 1);
    const Prompts::Record r = script.messages()[0];
    EXPECT_EQ(r.text, QStringLiteral("The field loaded for meeting 0712FLEM has no runner for these booked horses:") +
                          CR + " " + CR + "Horse : FAST LAD   Jockey : B Smith   Booking : Planned" + " " + CR +
                          "Horse : Scratched Star   Jockey : A Jones   Booking : Confirmed" + " " + CR + CR +
                          "The bookings are kept. Where a horse was scratched or renamed, its jockey may be free "
                          "for another ride.");
    EXPECT_EQ(r.title, QStringLiteral("Booked horses not in the field"));
    EXPECT_EQ(r.style, Prompts::vbOKOnly + Prompts::vbExclamation);
    // Nothing is removed.
    EXPECT_EQ(bookingCount(QStringLiteral("FAST LAD")), 1);
    EXPECT_EQ(bookingCount(QStringLiteral("Scratched Star")), 1);
    EXPECT_EQ(modDatabase::OpenLocalDatabase().Scalar(QStringLiteral("SELECT COUNT(*) FROM Bookings")).toInt(), 5);

    // Once every booked horse has its runner there is nothing to say.
    exec("INSERT INTO Noms (MeetingCode, RaceNumber, Horse) VALUES (?, 2, 'Fast Lad'), (?, 2, 'SCRATCHED STAR  ')",
         {MEETING, MEETING});
    script.clear();
    EXPECT_EQ(modJockey::ReportBookingsWithoutRunner(MEETING), 0);
    EXPECT_TRUE(script.records().isEmpty());
}

TEST_F(AcceptanceCheckTest, ABookedHorseRunningOnlyAtAnotherMeetingIsNotInThisField)
{
    // The manager booked the horse here, but the trainer sent it to Randwick:
    // its runner there is no runner of this field.
    exec("INSERT INTO Noms (MeetingCode, RaceNumber, Horse) VALUES (?, 1, ?), (?, 3, 'Travelling Star')",
         {MEETING, HORSE, QStringLiteral("0812RAND")});
    addBooking(QStringLiteral("A Jones"), MEETING, QStringLiteral("Travelling Star"), QStringLiteral("J Hawkes"));

    script.answerMsgBox(Prompts::vbOK);
    EXPECT_EQ(modJockey::ReportBookingsWithoutRunner(MEETING), 1);
    ASSERT_EQ(script.messages().size(), 1);
    const Prompts::Record r = script.messages()[0];
    EXPECT_EQ(r.title, QStringLiteral("Booked horses not in the field"));
    EXPECT_EQ(r.text, QStringLiteral("The field loaded for meeting 0712FLEM has no runner for these booked horses:") +
                          CR + " " + CR + "Horse : Travelling Star   Jockey : A Jones   Booking : Planned" + " " + CR + CR +
                          "The bookings are kept. Where a horse was scratched or renamed, its jockey may be free "
                          "for another ride.");
    EXPECT_EQ(bookingCount(QStringLiteral("Travelling Star")), 1);
}
} // namespace
