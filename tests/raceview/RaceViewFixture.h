#pragma once

// Shared set-up of the race view tests: a test database with meetings,
// races, runners, bookings, jockeys and rides, and the race view opened on it.
#include "core/cAppSettings.h"
#include "core/modJockeyStats.h"
#include "core/modShared.h"
#include "platform/Clock.h"
#include "platform/Grid.h"
#include "raceview/FrmRace.h"
#include "support/DbFixture.h"
#include "support/TestEnv.h"

#include <QDateTime>
#include <QDir>
#include <QTime>

#include <gtest/gtest.h>

#include <memory>

/** Row of a grid whose column `col` reads `text`; 0 when none. */
inline int gridRow(const Grid* grid, const QString& text, int col = 1)
{
    for (int r = 1; r <= grid->rows(); ++r)
        if (grid->cellText(r, col) == text)
            return r;
    return 0;
}

class RaceViewTest : public ::testing::Test
{
protected:
    TestEnv env;
    DbFixture db{env};
    std::unique_ptr<FrmRace> form;

    void SetUp() override
    {
        ResetSharedState();
        modJockey::gJockeyInList.clear();
        modJockey::gIconJockey.clear();
        Clock::setFixed(QDateTime(QDate(2024, 12, 7), QTime(9, 0)));
    }
    void TearDown() override
    {
        form.reset();
        Clock::setFixed(QDateTime());
        modJockey::gJockeyInList.clear();
        ResetSharedState();
    }

    void addMeeting(const QString& code, const QString& level, const QString& location = QStringLiteral("Flemington"),
                    const QString& state = QStringLiteral("VIC"), const QString& type = QStringLiteral("M"))
    {
        db.insert(QStringLiteral("Meeting"), {{QStringLiteral("MeetingCode"), code},
                                              {QStringLiteral("MeetingLocation"), location},
                                              {QStringLiteral("MeetingDetails"), QStringLiteral("Saturday 7 Dec")},
                                              {QStringLiteral("MeetingDate"), QDate(2024, 12, 7)},
                                              {QStringLiteral("DisplayMeeting"), true},
                                              {QStringLiteral("State"), state},
                                              {QStringLiteral("MeetingLevel"), level},
                                              {QStringLiteral("MeetType"), type},
                                              {QStringLiteral("Barrier"), QStringLiteral(" Barriers drawn")}});
    }
    void addRace(const QString& meeting, int race, const QString& code, const QVariant& time = QVariant(),
                 bool apprentices = false, const QString& details = QStringLiteral("Handicap 1200m"))
    {
        db.insert(QStringLiteral("Race"), {{QStringLiteral("MeetingCode"), meeting},
                                           {QStringLiteral("RaceNumber"), race},
                                           {QStringLiteral("RaceCode"), code},
                                           {QStringLiteral("RaceDetails"), details},
                                           {QStringLiteral("RaceTime"), time},
                                           {QStringLiteral("ApprClaim"), apprentices}});
    }
    /** One runner; further columns through `extra`. */
    void addRunner(const QString& meeting, int race, int entry, const QString& horse, const QString& trainer,
                   const QVariantMap& extra = {})
    {
        const int bracket = horse.indexOf(QLatin1Char('('));
        QVariantMap row{{QStringLiteral("MeetingCode"), meeting},
                        {QStringLiteral("RaceNumber"), race},
                        {QStringLiteral("EntryNo"), entry},
                        {QStringLiteral("Horse"), horse},
                        {QStringLiteral("HorseName"), (bracket >= 1 ? horse.left(bracket) : horse).toUpper()},
                        {QStringLiteral("TrainerName"), trainer},
                        {QStringLiteral("FormTrainer"), trainer.toUpper()}};
        for (auto it = extra.begin(); it != extra.end(); ++it)
            row.insert(it.key(), it.value());
        db.insert(QStringLiteral("Noms"), row);
    }
    void addJockey(const QString& name, const QVariant& colour)
    {
        db.insert(QStringLiteral("Jockey"), {{QStringLiteral("Jockey"), name}, {QStringLiteral("JockeyColor"), colour}});
    }
    void addBooking(const QString& meeting, const QString& horse, const QVariant& jockey, const QString& status,
                    bool confirmed = false)
    {
        db.insert(QStringLiteral("Bookings"), {{QStringLiteral("MeetingCode"), meeting},
                                               {QStringLiteral("Horse"), horse},
                                               {QStringLiteral("Jockey"), jockey},
                                               {QStringLiteral("BookingSelection"), status},
                                               {QStringLiteral("Confirmed"), confirmed}});
    }
    void addRide(const QString& jockey, const QString& horse, int finish, const QString& trainer = QString())
    {
        db.addRide(jockey, horse, finish, trainer);
    }

    /** Opens the race view (loaded, not shown) on a meeting and race. */
    FrmRace& open(const QString& meeting, int race)
    {
        gMainState.strMeetingCur = meeting;
        gMainState.IntRace = static_cast<qint16>(race);
        form = std::make_unique<FrmRace>();
        form->resize(1280, 760);
        form->Form_Load();
        return *form;
    }

    /** Row of the field whose horse column reads `horse`; 0 when none. */
    int rowOf(const QString& horse) const
    {
        for (int r = 1; r <= form->grdRace->rows(); ++r)
            if (form->grdRace->cellText(r, FrmRace::ColHorse) == horse)
                return r;
        return 0;
    }

    static QString outputDir()
    {
        const QString dir = QStringLiteral(VELMORA_BIN_DIR "/../test-output");
        QDir().mkpath(dir);
        return QDir(dir).absolutePath();
    }
};
