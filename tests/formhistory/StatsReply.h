#pragma once

#include <QString>
#include <QStringList>

#include <utility>

/** One run of a statistics reply, with the fields the statistics read. */
struct StatsRun
{
    StatsRun() = default;
    StatsRun(QString date_, int raceNo_, QString horse_, QString track_, QString finish_, QString condition_,
             QString winner_, QString second_, QString third_)
        : date(std::move(date_)), raceNo(raceNo_), horse(std::move(horse_)), track(std::move(track_)),
          finish(std::move(finish_)), condition(std::move(condition_)), winner(std::move(winner_)),
          second(std::move(second_)), third(std::move(third_))
    {
    }

    QString date;       // 0
    int raceNo = 1;     // 1
    QString horse;      // 2
    QString track;      // 3
    QString finish;     // 10
    QString condition;  // 22
    QString winner;     // 36
    QString second;     // 37
    QString third;      // 38
    QString jockey = QStringLiteral("J SMITH");
    QString trainer = QStringLiteral("P MORAN");
    QString weight = QStringLiteral("56.5");
    QString allowance;
    QString margin = QStringLiteral("1.5");
    QString prizeWon = QStringLiteral("3000");
    QString sectionals = QStringLiteral("3532");
    QString raceClass = QStringLiteral("BM.70");
    QString prizemoney = QStringLiteral("50");
    QString secTime = QStringLiteral("0083.40");

    /** The reply line: 39 fields joined by "|" (no row end). */
    QString line() const
    {
        QStringList f;
        for (int i = 0; i < 39; ++i)
            f << QString();
        f[0] = date;
        f[1] = QString::number(raceNo);
        f[2] = horse;
        f[3] = track;
        f[4] = weight;
        f[5] = allowance;
        f[6] = margin;
        f[7] = jockey;
        f[8] = prizeWon;
        f[9] = QStringLiteral("4");
        f[10] = finish;
        f[11] = QStringLiteral("$4.60");
        f[13] = sectionals;
        f[15] = trainer;
        f[20] = QStringLiteral("1400");
        f[22] = condition;
        f[23] = raceClass;
        f[24] = QStringLiteral("WINTER HANDICAP");
        f[28] = QStringLiteral("54");
        f[29] = QStringLiteral("12");
        f[30] = prizemoney;
        f[31] = QStringLiteral("1:23.40");
        f[35] = secTime;
        f[36] = winner;
        f[37] = second;
        f[38] = third;
        return f.join(QLatin1Char('|'));
    }
};

/** A reply as the form database sends it: every row followed by "<br>" and a line feed. */
inline QString StatsReplyOf(const QList<StatsRun>& runs)
{
    QString reply;
    for (const StatsRun& r : runs)
        reply += r.line() + QStringLiteral("<br>\n");
    return reply;
}

/** Six pieces of one horse: a spell, two freshen-ups and a dead heat for first. */
inline QList<StatsRun> SixRunHorse()
{
    const QString h = QStringLiteral("SUPER HORSE");
    return {
        {QStringLiteral("2024-06-01"), 5, h, QStringLiteral("FLEM"), QStringLiteral("1"), QStringLiteral("G"), h,
         QStringLiteral("RED SKY"), QStringLiteral("GREY DAWN")},
        {QStringLiteral("2024-05-15"), 3, h, QStringLiteral("CAUL"), QStringLiteral("3"), QStringLiteral("S"),
         QStringLiteral("RED SKY"), QStringLiteral("GREY DAWN"), h},
        {QStringLiteral("2024-02-06"), 6, h, QStringLiteral("GEEL"), QStringLiteral("2"), QStringLiteral("H"),
         QStringLiteral("RED SKY"), h, QStringLiteral("GREY DAWN")},
        {QStringLiteral("2024-01-01"), 2, h, QStringLiteral("SAND"), QStringLiteral("1"), QStringLiteral("G"), h,
         QString(), QStringLiteral("GREY DAWN")},
        {QStringLiteral("2024-01-01"), 2, h, QStringLiteral("SAND"), QStringLiteral("1"), QStringLiteral("G"),
         QStringLiteral("OTHER ONE"), QString(), QStringLiteral("GREY DAWN")},
        {QStringLiteral("2023-11-20"), 4, h, QStringLiteral("MOON"), QStringLiteral("11"), QStringLiteral("F"),
         QStringLiteral("RED SKY"), QStringLiteral("GREY DAWN"), QStringLiteral("BLUE MOON")},
    };
}
