#pragma once

#include "support/DbFixture.h"
#include "support/TestEnv.h"

#include <QDate>
#include <QString>

class Grid;
class Main;

/**
 * The main window on a test's own database, with its four grids set up as
 * the start-up sets them up (but without the rest of the start-up: no
 * compaction, no downloads, no saved layout). Rows are put in with the
 * add... helpers; the window is deleted, and the shared jockey globals
 * emptied, when the fixture goes.
 */
class MainFixture
{
public:
    MainFixture();
    ~MainFixture();
    MainFixture(const MainFixture&) = delete;
    MainFixture& operator=(const MainFixture&) = delete;

    Main& main() const { return *m_main; }
    DbFixture& db() { return m_db; }
    const TestEnv& env() const { return m_env; }

    void addMeeting(const QString& code, const QString& level, bool display = true,
                    const QDate& date = QDate(2024, 12, 7), const QString& location = QStringLiteral("Flemington"),
                    const QString& state = QStringLiteral("VIC"));
    /** One runner. `weight` in tenths of a kilogram. */
    void addRunner(const QString& meeting, int race, const QString& trainer, const QString& horse, int weight = 560,
                   const QString& jockey = QString(), const QString& eorb = QString(),
                   const QString& formTrainer = QString());
    void addTrainer(const QString& name, bool ignore = false, const QString& comments = QString(),
                    const QString& phone = QString(), const QString& location = QString(),
                    const QString& mobile = QString());
    /** A jockey; an invalid colour stores Null. */
    void addJockey(const QString& name, const QVariant& color = QVariant());
    void addBooking(const QString& meeting, const QString& horse, const QString& jockey, const QString& status,
                    bool confirmed = false, const QString& trainer = QString());
    void addRide(const QString& jockey, const QString& horse, int finish, const QString& trainer = QString());

    /** Fills the jockey list and rebuilds the managed jockeys' IN-list from it. */
    void loadJockeys() const;
    /** Selects the trainer list's row of `trainer` and clicks it (left button);
     *  false when the trainer is not listed. */
    bool clickTrainer(const QString& trainer) const;
    /** Row of the grid whose column `col` reads `text`; 0 when none. */
    static int rowOf(const Grid* grid, const QString& text, int col = 1);

private:
    TestEnv m_env;
    DbFixture m_db;
    Main* m_main = nullptr;
};
