// Reads a statistics reply of 90 runs (the most the window asks for) and of
// 10,000 runs (for scale), and fills the statistics window with it; compares
// the fill with the floor: the same cell texts put into a bare table widget
// as plain items.
//
//   bench_stats [runs...]        default: 90 10000
#include "bench/BenchCommon.h"
#include "core/modShared.h"
#include "formhistory/FrmRaceStats.h"
#include "formhistory/StatsQuery.h"
#include "platform/Grid.h"

#include <QApplication>
#include <QDate>
#include <QElapsedTimer>
#include <QTableWidget>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace
{
constexpr int kRepeats = 7;

// A horse's runs, newest first, a week to five months apart, with every
// condition, some dead heats for first and some races without a third.
QString reply(int runs)
{
    static const char* conditions[] = {"G", "S", "H", "F", "D"};
    QString out;
    QDate date(2025, 6, 1);
    for (int i = 0; i < runs; ++i) {
        QStringList f;
        for (int k = 0; k < 39; ++k)
            f << QString();
        f[0] = date.toString(Qt::ISODate);
        f[1] = QString::number(1 + i % 9);
        f[2] = QStringLiteral("SUPER HORSE");
        f[3] = QStringLiteral("TRK%1").arg(i % 40);
        f[4] = QString::number(54 + (i % 9) * 0.5);
        f[5] = i % 6 == 0 ? QStringLiteral("2") : QString();
        f[6] = QString::number((i % 30) / 10.0);
        f[7] = QStringLiteral("JOCKEY %1").arg(i % 12);
        f[8] = QString::number((i % 4) * 2500);
        f[9] = QString::number(1 + i % 14);
        f[10] = QString::number(1 + i % 12);
        f[11] = QStringLiteral("$%1.50").arg(2 + i % 20);
        f[13] = QStringLiteral("%1%2").arg(i % 10, 2, 10, QLatin1Char('0')).arg(i % 7, 2, 10, QLatin1Char('0'));
        f[15] = QStringLiteral("P MORAN");
        f[20] = QString::number(1000 + (i % 8) * 200);
        f[22] = QLatin1String(conditions[i % 5]);
        f[23] = QStringLiteral("BM.%1").arg(58 + i % 20);
        f[24] = QStringLiteral("RACE NAME %1 HANDICAP").arg(i);
        f[28] = QStringLiteral("54");
        f[29] = QString::number(8 + i % 8);
        f[30] = QString::number(20 + i % 80);
        f[31] = QStringLiteral("1:23.40");
        f[35] = QStringLiteral("083.40");
        f[36] = QStringLiteral("WINNER %1").arg(i);
        f[37] = i % 17 == 0 ? QString() : QStringLiteral("SECOND %1").arg(i);
        f[38] = i % 23 == 0 ? QString() : QStringLiteral("THIRD %1").arg(i);
        out += f.join(QLatin1Char('|')) + QStringLiteral("<br>\n");
        if (i % 17 == 0) { // the dead heat's second row
            f[36] = QStringLiteral("OTHER WINNER %1").arg(i);
            out += f.join(QLatin1Char('|')) + QStringLiteral("<br>\n");
        }
        date = date.addDays(i % 11 == 0 ? -120 : (i % 5 == 0 ? -45 : -14));
    }
    return out;
}

double ms(const QElapsedTimer& t)
{
    return t.nsecsElapsed() / 1e6;
}

struct Times
{
    std::vector<double> read, fill, floor;
};

using BenchCommon::median;
using BenchCommon::minimum;

void runOnce(const QString& text, Times& times)
{
    // A window set up as its load sets it up, without the remote query.
    gStatsMode = QStringLiteral("(none)");
    FrmRaceStats w;
    w.Form_Load();
    w.grdStats->setRedraw(false);
    w.GrdSummary->setRedraw(false);

    QElapsedTimer t;
    t.start();
    const FormStats::Result result = FormStats::ReadReply(QStringLiteral("horse"), text);
    times.read.push_back(ms(t));
    t.restart();
    w.ShowResult(result);
    times.fill.push_back(ms(t));

    QTableWidget bare;
    bare.setColumnCount(FormStats::kColumnCount);
    t.restart();
    bare.setUpdatesEnabled(false);
    bare.setRowCount(int(result.rows.size()));
    for (int r = 0; r < result.rows.size(); ++r) {
        const QStringList& cells = result.rows[r].cells;
        for (int c = 0; c < FormStats::kColumnCount; ++c)
            bare.setItem(r, c, new QTableWidgetItem(cells[c]));
    }
    bare.setUpdatesEnabled(true);
    times.floor.push_back(ms(t));
}
} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    std::vector<int> sizes;
    for (int i = 1; i < argc; ++i)
        sizes.push_back(std::atoi(argv[i]));
    if (sizes.empty())
        sizes = {90, 10000};

    std::printf("%-8s %-22s %-22s %-22s %-22s %s\n", "runs", "read ms (min/median)", "fill ms (min/median)",
                "total ms (min/median)", "floor ms (min/median)", "fill/floor  total/floor (medians)");
    for (const int runs : sizes) {
        const QString text = reply(runs);
        Times times;
        runOnce(text, times); // warm-up, not counted
        times = Times{};
        for (int k = 0; k < kRepeats; ++k)
            runOnce(text, times);
        std::vector<double> total;
        for (size_t k = 0; k < times.read.size(); ++k)
            total.push_back(times.read[k] + times.fill[k]);
        std::printf("%-8d %8.2f / %-11.2f %8.2f / %-11.2f %8.2f / %-11.2f %8.2f / %-11.2f %6.2f      %6.2f\n", runs,
                    minimum(times.read), median(times.read), minimum(times.fill), median(times.fill), minimum(total),
                    median(total), minimum(times.floor), median(times.floor),
                    median(times.fill) / median(times.floor), median(total) / median(times.floor));
    }
    return 0;
}
