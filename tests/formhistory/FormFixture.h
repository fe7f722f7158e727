#pragma once

#include "fixtures/FixtureServer.h"

#include <QDir>
#include <QString>
#include <QVariantMap>
#include <QWidget>

/** One finisher of a fixture race. */
struct Finisher
{
    QString horse;
    int finish;
    QString jockey = QStringLiteral("J SMITH");
    QString trainer = QStringLiteral("P MORAN");
    double weight = 56;
    QString margin = QStringLiteral("1.5");
};

/** Puts a race with its finishers into the fixture form database. */
inline void AddFormRace(FixtureServer& server, const QString& date, const QString& track, int raceNo,
                        const QString& condition, const QList<Finisher>& finishers,
                        const QString& raceName = QStringLiteral("WINTER HANDICAP"), double value = 50)
{
    server.insert(QStringLiteral("RACEMAST"), {{QStringLiteral("RDate"), date},
                                               {QStringLiteral("RTrack"), track},
                                               {QStringLiteral("RRaceNo"), raceNo},
                                               {QStringLiteral("RDistance"), QStringLiteral("1400")},
                                               {QStringLiteral("RTrCond"), condition},
                                               {QStringLiteral("RClass"), QStringLiteral("BM.70")},
                                               {QStringLiteral("RRaceName"), raceName},
                                               {QStringLiteral("RLimWgt"), 54},
                                               {QStringLiteral("RStarters"), int(finishers.size())},
                                               {QStringLiteral("RValue"), value},
                                               {QStringLiteral("RTime"), QStringLiteral("1:23.40")},
                                               {QStringLiteral("RSecTime"), QStringLiteral("083.40")}});
    for (const Finisher& f : finishers) {
        server.insert(QStringLiteral("WORKRACE"), {{QStringLiteral("WRaceDate"), date},
                                                   {QStringLiteral("WRaceNo"), raceNo},
                                                   {QStringLiteral("WHorse"), f.horse},
                                                   {QStringLiteral("WTrack"), track},
                                                   {QStringLiteral("WWgtChar"), f.weight},
                                                   {QStringLiteral("WApClaim"), QString()},
                                                   {QStringLiteral("WBeatMar"), f.margin},
                                                   {QStringLiteral("WJockey"), f.jockey},
                                                   {QStringLiteral("WMoneyWon"), f.finish == 1 ? 30000 : 0},
                                                   {QStringLiteral("WBarPosn"), 4},
                                                   {QStringLiteral("WFinPosn"), f.finish},
                                                   {QStringLiteral("WBookPrice"), QStringLiteral("$4.60")},
                                                   {QStringLiteral("W800400"), QStringLiteral("0302")},
                                                   {QStringLiteral("WTrainer"), f.trainer}});
    }
}

/** Where the tests leave pictures of the windows (build/test-output). */
inline QString TestOutputDir()
{
    const QString dir = QDir::cleanPath(QStringLiteral(VELMORA_BIN_DIR) + QStringLiteral("/../test-output"));
    QDir().mkpath(dir);
    return dir;
}

inline bool SavePicture(QWidget* w, const QString& name)
{
    return w->grab().save(TestOutputDir() + QLatin1Char('/') + name);
}
