// A jockey invoice of 1,000 rides, read, computed and rendered to PDF, in a
// racing year's database (50,000 other results), against the renderer alone
// laying out and writing the same rows with the same report (goal: under
// 500 ms, ratio under 1.5).
#include "bench/BenchCommon.h"
#include "bench/OneYearDb.h"
#include "core/cAppSettings.h"
#include "core/deTarrow.h"
#include "core/modDatabase.h"
#include "platform/ReportOutput.h"
#include "records/InvoiceData.h"
#include "records/InvoiceReport.h"
#include "records/frmSelectDate.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace
{
constexpr int kRides = 1000;
const QString kJockey = QStringLiteral("BENCH RIDER");
const QDate kStart(2025, 3, 1);
const QDate kEnd(2025, 3, 31);

void fill(const QString& folder)
{
    const QString path = folder + QStringLiteral("/Tarrow.mdb");
    if (!BenchCommon::copyTemplateDb(path))
        std::exit(1);
    OneYearDb::build(path);
    gAppSettings.DBPath = folder;
    DaoDatabase db = modDatabase::OpenLocalDatabase();
    db.BeginTrans();
    db.Execute(QStringLiteral("INSERT INTO Jockey (Jockey, ManagerRate, ManBookFee, ScratchFee, TrialFee, "
                              "InvoicePeriod, LastInvoiceDate) VALUES (?, 17.5, 0, 10, 15, 'MT', '2025-02-28')"),
               {kJockey});
    const char* const states[] = {"VIC", "NSW", "QLD", "SA"};
    for (const char* s : states) {
        db.Execute(QStringLiteral("INSERT INTO BookRate (State, RaceType, DateEffective, BookingRate) "
                                  "VALUES (?, 'R', '2024-07-01', 180)"), {QString::fromLatin1(s)});
        db.Execute(QStringLiteral("INSERT INTO BookRate (State, RaceType, DateEffective, BookingRate) "
                                  "VALUES (?, 'R', '2025-01-01', 200)"), {QString::fromLatin1(s)});
    }
    for (int i = 0; i < kRides; ++i)
        db.Execute(QStringLiteral("INSERT INTO RaceStats (RaceDate, RaceNumber, TrackCode, Horse, FinishPos, "
                                  "Jockey, PrizeMoney, TrainerName, State) VALUES (?,?,?,?,?,?,?,?,?)"),
                   {kStart.addDays(i % 31), i % 10 + 1, QStringLiteral("FLEM"),
                    QStringLiteral("Bench Horse %1").arg(i), i % 14 + 1, kJockey,
                    i % 5 == 0 ? QVariant() : QVariant(1000.0 + (i % 37) * 125.5), QStringLiteral("T %1").arg(i % 50),
                    QString::fromLatin1(states[i % 4])});
    db.CommitTrans();
}

InvoiceDocument invoice()
{
    InvoiceDocument doc;
    doc.jockey = kJockey;
    const InvoiceData::JockeyRow row = InvoiceData::LoadJockey(kJockey);
    InvoiceCalc::Input in;
    in.jockey = kJockey;
    in.terms = row.terms;
    in.period = {kStart, kEnd};
    in.scratchings = QStringLiteral("3");
    in.extra1Text = QStringLiteral("Admin fee");
    in.extra1 = Currency::fromDouble(25);
    in.companyName = QStringLiteral("Bench Bookings");
    in.invoiceNumber = 1001;
    in.applyGst = true;
    in.abn = QStringLiteral("12-345-678-901");
    doc.rides = InvoiceData::LoadRides(kJockey, kStart, kEnd);
    in.totals = InvoiceData::TotalsOf(doc.rides);
    doc.result = InvoiceCalc::Compute(in);
    return doc;
}

using BenchCommon::median;
} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    fill(dir.path());
    const QString pdf = dir.path() + QStringLiteral("/invoice.pdf");

    // The renderer alone: the same report and rows, made ready beforehand.
    const InvoiceDocument ready = invoice();
    if (ready.rides.size() != kRides) {
        std::fprintf(stderr, "expected %d rides, found %lld\n", kRides, static_cast<long long>(ready.rides.size()));
        return 1;
    }
    const ReportDefinition def = InvoiceReport::Definition(ready);
    const ReportData data = InvoiceReport::Data(ready);

    std::vector<double> whole, floor;
    const int rounds = 9;
    for (int round = 0; round < rounds + 1; ++round) {
        QElapsedTimer t;
        t.start();
        const InvoiceDocument doc = invoice();
        if (!InvoiceReport::WritePdf(doc, pdf))
            return 1;
        const double a = t.nsecsElapsed() / 1e6;
        t.restart();
        if (!OutputReport(def, data, ReportTarget::pdf(pdf)))
            return 1;
        const double b = t.nsecsElapsed() / 1e6;
        if (round > 0) { // the first round warms the caches and fonts
            whole.push_back(a);
            floor.push_back(b);
        }
    }
    std::printf("Invoice of %d rides to PDF (%d runs)\n", kRides, rounds);
    std::printf("                                    min ms  median ms\n");
    std::printf("  read, compute and render         %7.1f    %7.1f\n", *std::min_element(whole.begin(), whole.end()),
                median(whole));
    std::printf("  renderer alone (floor)           %7.1f    %7.1f\n", *std::min_element(floor.begin(), floor.end()),
                median(floor));
    std::printf("  ratio (median)                             %5.2f\n", median(whole) / median(floor));
    return 0;
}
