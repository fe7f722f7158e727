// The booking rules on a fixture database and a real grid: booking, replacing
// and removing a jockey, the ignored trainer, status texts, confirming.
#include "core/modDatabase.h"
#include "core/modJockeyBooking.h"
#include "platform/Grid.h"
#include "platform/Prompts.h"
#include "support/QtPrinters.h"
#include "support/TestEnv.h"

#include <gtest/gtest.h>

#include <ostream>

using namespace modJockey;

namespace
{
const QString CR = QStringLiteral("\r");

struct BookingRow
{
    QString jockey, meetingCode, raceCode, horse, trainer, selection;
    bool confirmed = false;
};

class BookingRulesTest : public ::testing::Test
{
protected:
    TestEnv env;
    Prompts::Script script;
    Grid grid;

    void SetUp() override
    {
        env.installTemplateDatabase();
        db().Execute(QStringLiteral("INSERT INTO Trainer (TrainerName, IgnoreTrainer) VALUES ('J Hawkes', 0), "
                                    "('Ignored Stable', 1)"));
        grid.setObjectName(QStringLiteral("grdNoms"));
        for (int c = 1; c <= 16; ++c)
            grid.addColumn(QStringLiteral("c%1").arg(c));
        addRunner(1, QStringLiteral("0712FLEM"), QStringLiteral("Silver Lining"), QStringLiteral("R1 1200"));
        addRunner(2, QStringLiteral("0712FLEM"), QStringLiteral("Silver Lining"), QStringLiteral("R4 1400"));
        addRunner(3, QStringLiteral("07'12X"), QStringLiteral("O'Reilly"), QStringLiteral("R2 1000"));
    }

    void TearDown() override { EXPECT_TRUE(script.unexpected().isEmpty()); }

    static DaoDatabase db() { return modDatabase::OpenLocalDatabase(); }

    void addRunner(int row, const QString& meeting, const QString& horse, const QString& raceCode)
    {
        grid.setCellText(row, 1, meeting);
        grid.setCellText(row, 4, horse);
        grid.setCellText(row, 11, raceCode);
    }

    static QList<BookingRow> bookings()
    {
        QList<BookingRow> out;
        DaoRecordset rs = db().OpenRecordset(QStringLiteral("SELECT * FROM Bookings ORDER BY rowid"));
        for (; !rs.Eof(); rs.MoveNext()) {
            auto s = [&](const char* f) { return rs.Fields(QString::fromLatin1(f)).toString(); };
            out.append({s("Jockey"), s("MeetingCode"), s("RaceCode"), s("Horse"), s("TrainerName"),
                        s("BookingSelection"), rs.Fields(QStringLiteral("Confirmed")).toBool()});
        }
        return out;
    }

    void book(int row, const QString& jockey, qint64 colour, const QString& trainer = QStringLiteral("J Hawkes"))
    {
        BookJockey(grid, row, 10, jockey, grid.cellText(row, 4), grid.cellText(row, 1), grid.cellText(row, 11),
                   trainer, colour);
    }
    void status(int row, const QString& text)
    {
        SetBookingText(grid, row, 13, text, grid.cellText(row, 4), grid.cellText(row, 1), grid.cellText(row, 11),
                       QStringLiteral("J Hawkes"));
    }
    bool confirm(int row, const QString& raceCode)
    {
        return ConfirmBooking(grid, row, 13, grid.cellText(row, 4), grid.cellText(row, 1), raceCode,
                              grid.cellBackColor(row, 10));
    }
    void expectRowBack(int row, qint64 colour, int exceptCol = 0)
    {
        for (int c = 1; c <= grid.columns(); ++c) {
            if (c != exceptCol) {
                EXPECT_EQ(grid.cellBackColor(row, c), colour) << "column " << c;
            }
        }
    }
};

TEST_F(BookingRulesTest, NewBookingIsStoredAsPlannedAndPaintsTheJockeyCell)
{
    book(1, QStringLiteral("A Jones"), 255);

    const auto rows = bookings();
    ASSERT_EQ(rows.size(), 1);
    EXPECT_EQ(rows[0].jockey, QStringLiteral("A Jones"));
    EXPECT_EQ(rows[0].meetingCode, QStringLiteral("0712FLEM"));
    EXPECT_EQ(rows[0].raceCode, QStringLiteral("R1 1200"));
    EXPECT_EQ(rows[0].horse, QStringLiteral("Silver Lining"));
    EXPECT_EQ(rows[0].trainer, QStringLiteral("J Hawkes"));
    EXPECT_EQ(rows[0].selection, QStringLiteral("Planned"));
    EXPECT_FALSE(rows[0].confirmed);
    EXPECT_EQ(grid.cellText(1, 10), QStringLiteral("A Jones"));
    EXPECT_EQ(grid.cellBackColor(1, 10), 255);
    EXPECT_EQ(grid.cellBackColor(1, 4), -1);
    EXPECT_EQ(grid.cellText(1, 13), QStringLiteral("Planned"));
    EXPECT_TRUE(script.records().isEmpty());

    // Dropping the same jockey again asks nothing and changes nothing.
    book(1, QStringLiteral("A Jones"), 255);
    EXPECT_TRUE(script.records().isEmpty());
    EXPECT_EQ(bookings().size(), 1);
}

TEST_F(BookingRulesTest, ReplacingAJockeyAsksAndFollowsTheAnswer)
{
    book(1, QStringLiteral("A Jones"), 255);
    status(1, QStringLiteral("Ring trainer"));

    script.answerMsgBox(Prompts::vbNo);
    book(1, QStringLiteral("B Smith"), 0xFF0000);
    ASSERT_EQ(script.messages().size(), 1);
    EXPECT_EQ(script.messages()[0].text,
              QStringLiteral("A Jones Already booked for this ride are you sure") + " " + CR +
                  "you wish replace with B Smith");
    EXPECT_EQ(script.messages()[0].title, QStringLiteral("Confirm Jockey ride"));
    EXPECT_EQ(script.messages()[0].style, Prompts::vbYesNo + Prompts::vbQuestion);
    EXPECT_EQ(bookings()[0].jockey, QStringLiteral("A Jones"));
    EXPECT_EQ(grid.cellText(1, 10), QStringLiteral("A Jones"));
    EXPECT_EQ(grid.cellBackColor(1, 10), 255);

    script.answerMsgBox(Prompts::vbYes);
    book(1, QStringLiteral("B Smith"), 0xFF0000);
    const auto rows = bookings();
    ASSERT_EQ(rows.size(), 1);
    EXPECT_EQ(rows[0].jockey, QStringLiteral("B Smith"));
    // What was arranged for A Jones is not B Smith's: the booking starts
    // again as planned, in the database and on the screen.
    EXPECT_EQ(rows[0].selection, QStringLiteral("Planned"));
    EXPECT_EQ(grid.cellText(1, 10), QStringLiteral("B Smith"));
    EXPECT_EQ(grid.cellBackColor(1, 10), 0xFF0000);
    EXPECT_EQ(grid.cellText(1, 13), QStringLiteral("Planned"));
    EXPECT_TRUE(script.unexpected().isEmpty());
}

TEST_F(BookingRulesTest, ReplacingTheJockeyOfAConfirmedBookingMakesItPlanned)
{
    book(1, QStringLiteral("A Jones"), 255);
    ASSERT_TRUE(confirm(1, QStringLiteral("R1 1200")));
    script.answerMsgBox(Prompts::vbYes);
    book(1, QStringLiteral("B Smith"), 0xFF0000);

    // Nobody confirmed B Smith: stored as planned, shown as a reload shows a
    // planned booking (only the jockey cell coloured, no icon).
    const auto rows = bookings();
    ASSERT_EQ(rows.size(), 1);
    EXPECT_EQ(rows[0].jockey, QStringLiteral("B Smith"));
    EXPECT_EQ(rows[0].selection, QStringLiteral("Planned"));
    EXPECT_FALSE(rows[0].confirmed);
    EXPECT_EQ(grid.cellText(1, 13), QStringLiteral("Planned"));
    EXPECT_EQ(grid.cellIcon(1, 13), -1);
    EXPECT_EQ(grid.cellBackColor(1, 10), 0xFF0000);
    expectRowBack(1, -1, 10);

    // A status without a jockey is no jockey's arrangement: the first jockey
    // put on it keeps it.
    status(3, QStringLiteral("Ring trainer"));
    book(3, QStringLiteral("A Jones"), 255);
    EXPECT_EQ(bookings()[1].jockey, QStringLiteral("A Jones"));
    EXPECT_EQ(bookings()[1].selection, QStringLiteral("Ring trainer"));
    EXPECT_EQ(grid.cellText(3, 13), QStringLiteral("Ring trainer"));
}

TEST_F(BookingRulesTest, AnIgnoredTrainerCannotBookAndNothingChanges)
{
    script.answerMsgBox(Prompts::vbOK);
    book(1, QStringLiteral("A Jones"), 255, QStringLiteral("Ignored Stable"));
    ASSERT_EQ(script.messages().size(), 1);
    EXPECT_EQ(script.messages()[0].text, QStringLiteral("Trainer Ignored Stable set to ignore cannot make bookings"));
    EXPECT_EQ(script.messages()[0].title, QStringLiteral("Error"));
    EXPECT_TRUE(bookings().isEmpty());
    EXPECT_EQ(grid.cellText(1, 10), QString());
    EXPECT_EQ(grid.cellText(1, 13), QString());

    // After Yes to the replace question the refusal still holds.
    book(1, QStringLiteral("A Jones"), 255);
    script.clear();
    script.answerMsgBox(Prompts::vbYes).answerMsgBox(Prompts::vbOK);
    book(1, QStringLiteral("B Smith"), 0xFF0000, QStringLiteral("ignored stable"));
    ASSERT_EQ(script.messages().size(), 2);
    EXPECT_EQ(script.messages()[1].text, QStringLiteral("Trainer ignored stable set to ignore cannot make bookings"));
    EXPECT_EQ(bookings()[0].jockey, QStringLiteral("A Jones"));
    EXPECT_EQ(grid.cellText(1, 10), QStringLiteral("A Jones"));
}

TEST_F(BookingRulesTest, OneBookingPerHorseAndMeetingWhateverTheRace)
{
    book(1, QStringLiteral("A Jones"), 255);
    // The same horse in another race of the meeting: its jockey cell is empty,
    // so nothing is asked, and the one booking gets the new jockey.
    book(2, QStringLiteral("B Smith"), 0xFF0000);
    auto rows = bookings();
    ASSERT_EQ(rows.size(), 1);
    EXPECT_EQ(rows[0].jockey, QStringLiteral("B Smith"));
    EXPECT_EQ(rows[0].raceCode, QStringLiteral("R1 1200"));

    // Names with quotes go in as data.
    book(3, QStringLiteral("A Jones"), 255);
    grid.setCellText(3, 10, QString());
    book(3, QStringLiteral("A Jones"), 255);
    rows = bookings();
    ASSERT_EQ(rows.size(), 2);
    EXPECT_EQ(rows[1].meetingCode, QStringLiteral("07'12X"));
    EXPECT_EQ(rows[1].horse, QStringLiteral("O'Reilly"));
}

TEST_F(BookingRulesTest, DeleteJockeyRemovesTheBookingAndClearsTheRow)
{
    book(1, QStringLiteral("A Jones"), 255);
    ASSERT_TRUE(confirm(1, QStringLiteral("R1 1200")));

    script.answerMsgBox(Prompts::vbNo);
    book(1, kDeleteJockey, -1);
    EXPECT_EQ(script.messages()[0].text,
              QStringLiteral("A Jones Confirm Removal of booking from ") + CR + "Horse Silver Lining");
    EXPECT_EQ(bookings().size(), 1);

    script.answerMsgBox(Prompts::vbYes);
    book(1, kDeleteJockey, -1);
    EXPECT_TRUE(bookings().isEmpty());
    EXPECT_EQ(grid.cellText(1, 10), QString());
    EXPECT_EQ(grid.cellText(1, 13), QString());
    EXPECT_EQ(grid.cellIcon(1, 13), -1);
    expectRowBack(1, -1);

    // On an empty jockey cell nothing is asked; a status-only booking goes too.
    status(2, QStringLiteral("Ring trainer"));
    ASSERT_EQ(bookings().size(), 1);
    script.clear();
    book(2, kDeleteJockey, -1);
    EXPECT_TRUE(script.records().isEmpty());
    EXPECT_TRUE(bookings().isEmpty());
}

TEST_F(BookingRulesTest, ConfirmFindsTheBookingUnderAnotherRaceCode)
{
    book(1, QStringLiteral("A Jones"), 255);
    // The row now shows another race code than the one stored.
    EXPECT_TRUE(confirm(1, QStringLiteral("RACE 1 1200M")));
    const auto rows = bookings();
    ASSERT_EQ(rows.size(), 1);
    EXPECT_TRUE(rows[0].confirmed);
    EXPECT_EQ(rows[0].selection, QStringLiteral("Confirmed"));
    EXPECT_EQ(rows[0].raceCode, QStringLiteral("R1 1200"));
    expectRowBack(1, 255);
    EXPECT_EQ(grid.cellText(1, 13), QStringLiteral("Confirmed"));
    EXPECT_EQ(grid.cellIcon(1, 13), kConfirmedIcon);
    EXPECT_TRUE(script.records().isEmpty());
}

TEST_F(BookingRulesTest, ConfirmWithoutABookedJockeyPaintsNothing)
{
    // No booking at all: the user is told, the row stays as it was.
    grid.setCellText(1, 10, QStringLiteral("Published Rider"));
    script.answerMsgBox(Prompts::vbOK);
    EXPECT_FALSE(confirm(1, QStringLiteral("R1 1200")));
    ASSERT_EQ(script.messages().size(), 1);
    EXPECT_TRUE(script.messages()[0].text.startsWith(QStringLiteral("No booking was found for Horse Silver Lining")));
    EXPECT_TRUE(bookings().isEmpty());
    EXPECT_EQ(grid.cellText(1, 13), QString());
    EXPECT_EQ(grid.cellIcon(1, 13), -1);

    // A status without a jockey is not confirmed either.
    status(1, QStringLiteral("Ring trainer"));
    script.clear();
    script.answerMsgBox(Prompts::vbOK);
    EXPECT_FALSE(confirm(1, QStringLiteral("R1 1200")));
    ASSERT_EQ(script.messages().size(), 1);
    EXPECT_EQ(script.messages()[0].text, QStringLiteral("You cannot confirm, if no jockey has been entered"));
    EXPECT_FALSE(bookings()[0].confirmed);
    EXPECT_EQ(grid.cellText(1, 13), QStringLiteral("Ring trainer"));
}

TEST_F(BookingRulesTest, TheRaceViewGridKeepsJockeyAndStatusInItsOwnColumns)
{
    Grid race;
    race.setObjectName(QStringLiteral("grdRace"));
    for (int c = 1; c <= 18; ++c)
        race.addColumn(QStringLiteral("c%1").arg(c));
    race.setCellText(1, 14, QString());
    BookJockey(race, 1, 14, QStringLiteral("A Jones"), QStringLiteral("Silver Lining"), QStringLiteral("0712FLEM"),
               QStringLiteral("R1 1200"), QStringLiteral("J Hawkes"), 255);
    EXPECT_EQ(race.cellText(1, 14), QStringLiteral("A Jones"));
    EXPECT_EQ(race.cellText(1, 16), QStringLiteral("Planned"));
    EXPECT_EQ(race.cellText(1, 13), QString());

    script.answerMsgBox(Prompts::vbNo);
    SetBookingText(race, 1, 16, kRemoveBooking, QStringLiteral("Silver Lining"), QStringLiteral("0712FLEM"),
                   QStringLiteral("R1 1200"), QStringLiteral("J Hawkes"));
    ASSERT_EQ(script.messages().size(), 1);
    EXPECT_EQ(script.messages()[0].text, QStringLiteral("Remove Text : Planned") + CR + "  from Horse Silver Lining");
    EXPECT_EQ(bookings().size(), 1);
}
} // namespace
