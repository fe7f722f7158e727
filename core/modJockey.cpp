#include "core/modJockey.h"

#include "core/cAppSettings.h"
#include "core/frmSplash.h"
#include "core/modDatabase.h"
#include "platform/AppPaths.h"

#include <QFileInfo>

namespace modJockey
{

std::optional<QDate> ParseDateText(const QString& text, const QString& pattern)
{
    const QStringList parts = text.split(QLatin1Char('/'));
    const QString p = pattern.toLower();
    int day = -1, month = -1, year = -1;
    for (int i = 0; i < 3 && i < p.size(); ++i) {
        if (i >= parts.size())
            return std::nullopt;
        bool ok = false;
        const int v = parts[i].trimmed().toInt(&ok);
        if (!ok)
            return std::nullopt;
        if (p[i] == QLatin1Char('d'))
            day = v;
        else if (p[i] == QLatin1Char('m'))
            month = v;
        else if (p[i] == QLatin1Char('y'))
            year = v;
    }
    if (day < 0 || month < 0 || year < 0)
        return std::nullopt;
    if (year < 100)
        year += 2000;
    const QDate d(year, month, day);
    if (!d.isValid())
        return std::nullopt;
    return d;
}

} // namespace modJockey

// ---------------------------------------------------------------------------
// Schema upgrade by program version
// ---------------------------------------------------------------------------


namespace modJockey
{
float VersionNumber(int major, int minor, int revision)
{
    return QStringLiteral("%1.%2%3").arg(major).arg(minor).arg(revision).toFloat();
}

namespace
{
// One column line of the upgrade: made to exist always, re-declared when the
// stored version is below the step's limit.
void upgradeColumn(DaoDatabase& db, float limit, const char* table, const char* column, const char* type)
{
    const QString t = QString::fromLatin1(table);
    const QString c = QString::fromLatin1(column);
    const bool below = gAppSettings.AppVersion < limit;
    if (!below) {
        // A file stamped with a later version may still lack the column
        // (the stored version does not grow with the program's): add it.
        if (!db.HasTable(t) || db.TableDef(t).FieldExact(c))
            return;
    }
    modDatabase::AddOrAlterColumn(t, c, QString::fromLatin1(type));
}
/** The stored queries (views) of the program's own template database, by
 *  name with their SQL, when the local database is another file. */
QList<QPair<QString, QString>> templateViews()
{
    QList<QPair<QString, QString>> views;
    const QFileInfo templ(AppPaths::join(AppPaths::appDir(), QStringLiteral("Tarrow.mdb")));
    const QFileInfo local(modDatabase::LocalDatabasePath());
    if (!templ.exists() || templ.canonicalFilePath() == local.canonicalFilePath())
        return views;
    DaoDatabase t = modDatabase::gDbEngine.OpenDatabase(templ.filePath());
    DaoRecordset rs = t.OpenRecordset(QStringLiteral("SELECT name, sql FROM sqlite_master WHERE type = 'view'"));
    for (; !rs.Eof(); rs.MoveNext())
        views.append({rs.Fields(0).toString(), rs.Fields(1).toString()});
    rs.Close();
    t.Close();
    return views;
}

/** A stored query whose definition changed with the program (a booking now
 *  matches its horse with trailing blanks ignored) is replaced by the
 *  template's, so an older file does not go on reading it the old way.
 *  SQLite does not look at the columns a view reads when it is made, so each
 *  new definition is run once before it is kept: one that cannot run in this
 *  file (a column the file lacks) leaves the old one in place, and the other
 *  queries are still brought up to date. */
void refreshStoredQueries(DaoDatabase& db)
{
    for (const auto& [name, sql] : templateViews()) {
        const QVariant mine = db.Scalar(
            QStringLiteral("SELECT sql FROM sqlite_master WHERE type = 'view' AND name = ? COLLATE NOCASE"), {name});
        if (mine.isValid() && mine.toString() == sql)
            continue;
        db.BeginTrans();
        try {
            const QString quoted = QString(name).replace(QLatin1Char('"'), QStringLiteral("\"\""));
            db.Execute(QStringLiteral("DROP VIEW IF EXISTS \"%1\"").arg(quoted));
            db.Execute(sql);
            db.OpenRecordset(QStringLiteral("SELECT * FROM \"%1\" LIMIT 0").arg(quoted)).Close();
            db.CommitTrans();
        } catch (const std::exception& e) {
            db.Rollback();
            qWarning("Stored query %s kept as it was: %s", qPrintable(name), e.what());
        }
    }
}
} // namespace

void UpgradeSchema()
{
    DaoDatabase db = modDatabase::OpenLocalDatabase();

    upgradeColumn(db, 2.56f, "Jockey", "InvoicePeriod", "Text(2)");
    upgradeColumn(db, 2.56f, "Jockey", "LastInvoiceDate", "Date");
    upgradeColumn(db, 2.62f, "Noms", "LastMargin", "Single");
    upgradeColumn(db, 2.63f, "Noms", "WgtRat", "Single");
    upgradeColumn(db, 2.64f, "Noms", "AvgWin", "Single");
    // The form trainer is a key matched whole against the rides' trainer
    // names (partnerships run long), as wide as they are; an older file's
    // narrower column is widened whatever version it is stamped with.
    upgradeColumn(db, 2.66f, "Noms", "FormTrainer", "Text(50)");
    if (const DaoField* f = db.TableDef(QStringLiteral("Noms")).FieldExact(QStringLiteral("FormTrainer"));
        f && f->Type() == DaoType::Text && f->Size() > 0 && f->Size() < 50)
        modDatabase::AddOrAlterColumn(QStringLiteral("Noms"), QStringLiteral("FormTrainer"), QStringLiteral("Text(50)"));

    // From here on a failing step is passed over and the next one runs.
    auto skipping = [](const auto& step) {
        try {
            step();
        } catch (const std::exception& e) {
            qWarning("Schema upgrade step skipped: %s", e.what());
        }
    };
    skipping([&] {
        const bool missing = !db.Scalar(QStringLiteral("SELECT 1 FROM sqlite_master WHERE type = 'index' "
                                                       "AND name = 'ByTrainer' COLLATE NOCASE"))
                                  .isValid();
        if (gAppSettings.AppVersion < 2.66f || (missing && db.HasTable(QStringLiteral("RaceStats"))))
            db.Execute(QStringLiteral("CREATE INDEX IF NOT EXISTS ByTrainer ON RaceStats (TrainerName,RaceDate DESC);"));
    });
    skipping([&] { upgradeColumn(db, 2.617f, "Noms", "W800400", "Text(5)"); });
    skipping([&] { upgradeColumn(db, 2.617f, "Noms", "RSecTime", "Single"); });
    skipping([&] { refreshStoredQueries(db); });

    db.Close();
    gAppSettings.AppVersion =
        VersionNumber(frmSplash::kVersionMajor, frmSplash::kVersionMinor, frmSplash::kVersionRevision);
    if (!gAppSettings.SaveSettings())
        qWarning("Schema upgrade: the settings could not be saved");
}
} // namespace modJockey
