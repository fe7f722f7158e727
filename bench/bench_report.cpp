// The meeting report of a 12-race, 200-runner meeting written to PDF (rows
// read from the database, grouped, laid out, painted), against the floor:
// the same text items, lines and fonts drawn straight onto a QPdfWriter.
#include "bench/BenchCommon.h"
#include "core/cAppSettings.h"
#include "core/modDatabase.h"
#include "platform/Sound.h"
#include "raceview/MeetingReport.h"

#include <QApplication>
#include <QDate>
#include <QElapsedTimer>
#include <QFile>
#include <QLocale>
#include <QPainter>
#include <QPdfWriter>
#include <QTemporaryDir>
#include <QTime>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace
{
const QString kCode = QStringLiteral("0511FLEM");

void buildMeeting()
{
    DaoDatabase db = modDatabase::OpenLocalDatabase();
    db.BeginTrans();
    db.Execute(QStringLiteral("INSERT INTO Meeting (MeetingCode, MeetingLocation, MeetingDate, MeetingLevel) "
                              "VALUES (?, 'Flemington', '2024-11-05', 'ACP')"),
               {kCode});
    int runner = 0;
    for (int r = 1; r <= 12; ++r) {
        db.Execute(QStringLiteral("INSERT INTO Race (MeetingCode, RaceNumber, RaceCode, RaceDetails, RaceDistance, "
                                  "RaceTime, ApprClaim) VALUES (?, ?, ?, ?, '1400', ?, ?)"),
                   {kCode, r, QStringLiteral("R%1").arg(r),
                    QStringLiteral("RACE %1 HANDICAP (BENCHMARK 78)\r\nThree-Years-Old and Upwards").arg(r),
                    QTime(12, 0).addSecs(r * 35 * 60), r % 2 == 0});
        const int field = r <= 8 ? 17 : 16;
        for (int e = 1; e <= field; ++e, ++runner) {
            db.Execute(QStringLiteral("INSERT INTO Noms (MeetingCode, RaceNumber, RaceCode, EntryNo, Horse, "
                                      "TrainerName, Phone, Weight, Rating, Form, Barrier, EorB, Class) "
                                      "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, 'BM78')"),
                       {kCode, r, QStringLiteral("R%1").arg(r), e,
                        runner % 23 == 0 ? QStringLiteral("A Much Longer Horse Name %1 (NZ)").arg(runner)
                                         : QStringLiteral("Horse %1").arg(runner),
                        QStringLiteral("Trainer %1").arg(runner % 40), QStringLiteral("03 9555 %1").arg(1000 + runner),
                        540 + e * 5, QString::number(50 + e), QStringLiteral("x1234"), e,
                        e % 4 == 0 ? QStringLiteral("E") : QString()});
            if (runner % 5 == 0)
                db.Execute(QStringLiteral("INSERT INTO Bookings (MeetingCode, Horse, Jockey, BookingSelection) "
                                          "VALUES (?, ?, 'D Oliver', 'Planned')"),
                           {kCode, QStringLiteral("Horse %1").arg(runner)});
        }
    }
    db.CommitTrans();
}

/** The floor: every item of the layout drawn as it is, no report logic. */
void drawStraight(const ReportLayout& layout, const QString& path)
{
    QPdfWriter writer(path);
    writer.setResolution(1440);
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    QPainter p(&writer);
    p.setPen(QPen(Qt::black, 15));
    for (int i = 0; i < layout.pages.size(); ++i) {
        if (i > 0)
            writer.newPage();
        for (const ReportItem& item : layout.pages[i].items) {
            if (item.kind == ReportItem::Text) {
                p.setFont(ReportQFont(item.font));
                p.drawText(QRectF(item.rect), Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, item.text);
            } else if (item.kind == ReportItem::Line) {
                p.drawLine(item.rect.topLeft(), QPoint(item.rect.right(), item.rect.top()));
            } else {
                p.drawRoundedRect(QRectF(item.rect), 12, 12, Qt::RelativeSize);
            }
        }
    }
}

using BenchCommon::timeIt;

void report(const char* what, std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    std::printf("%-34s min %8.1f ms   median %8.1f ms\n", what, v.front(), v[v.size() / 2]);
}

using BenchCommon::median;
} // namespace

int main(int argc, char** argv)
{
    const BenchCommon::QuietApp app(argc, argv);
    const int repeats = BenchCommon::runsArg(argc, argv, 9);

    QTemporaryDir dir;
    const QString path = BenchCommon::useFolder(dir.path());
    if (path.isEmpty())
        return 1;
    buildMeeting();

    ReportDefinition def;
    ReportData data;
    MeetingReport::Prepare(kCode, QStringLiteral("ACP"), def, data);
    const ReportLayout layout = LayoutReport(def, data);
    std::printf("meeting: %d races, %d runners, %d pages, %d items on the first page\n",
                static_cast<int>(data.groups.size()), data.rowCount(), static_cast<int>(layout.pages.size()),
                static_cast<int>(layout.pages[0].items.size()));

    const QString pdf = dir.path() + QStringLiteral("/report.pdf");
    const QString floorPdf = dir.path() + QStringLiteral("/floor.pdf");
    // One warm-up of each (font loading, first query).
    MeetingReport::Print(kCode, QStringLiteral("ACP"), ReportTarget::pdf(pdf));
    drawStraight(layout, floorPdf);

    std::vector<double> whole, rows, laying, floor;
    for (int i = 0; i < repeats; ++i) {
        whole.push_back(timeIt([&] { MeetingReport::Print(kCode, QStringLiteral("ACP"), ReportTarget::pdf(pdf)); }));
        rows.push_back(timeIt([&] { MeetingReport::Prepare(kCode, QStringLiteral("ACP"), def, data); }));
        laying.push_back(timeIt([&] { (void)LayoutReport(def, data); }));
        floor.push_back(timeIt([&] { drawStraight(layout, floorPdf); }));
    }
    std::printf("%d runs\n", repeats);
    report("meeting report to PDF (all)", whole);
    report("  of it: rows and grouping", rows);
    report("  of it: layout", laying);
    report("floor: same items onto QPdfWriter", floor);
    std::printf("ratio (median, report / floor): %.2f   goal: under 500 ms, ratio under 2\n",
                median(whole) / median(floor));
    return 0;
}
