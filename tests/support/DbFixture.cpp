#include "support/DbFixture.h"

#include "core/cAppSettings.h"
#include "core/modDatabase.h"
#include "support/TestEnv.h"

#include <QCryptographicHash>
#include <QDate>
#include <QFile>
#include <QStringList>

DbFixture::DbFixture(const TestEnv& env)
    : DbFixture(env.appDir(), true)
{
}

DbFixture::DbFixture(const QString& folder, bool setDbPath)
    : m_path(folder + QStringLiteral("/Tarrow.mdb"))
{
    copyTemplate(m_path);
    if (setDbPath)
        gAppSettings.DBPath = folder;
}

DbFixture::~DbFixture()
{
    modDatabase::gDbEngine.CloseDatabase(m_path);
}

void DbFixture::copyTemplate(const QString& path)
{
    modDatabase::gDbEngine.CloseDatabase(path);
    QFile::remove(path);
    const QString from = TestEnv::binFile(QStringLiteral("Tarrow.mdb"));
    if (!QFile::copy(from, path))
        qFatal("cannot copy %s to %s", qPrintable(from), qPrintable(path));
    QFile(path).setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup
                               | QFileDevice::ReadOther);
}

DaoDatabase DbFixture::db() const
{
    return modDatabase::gDbEngine.OpenDatabase(m_path);
}

qint64 DbFixture::insert(const QString& table, const QVariantMap& row) const
{
    DaoDatabase d = db();
    QStringList cols, marks;
    QVariantList values;
    for (auto it = row.constBegin(); it != row.constEnd(); ++it) {
        cols.append(QLatin1Char('"') + it.key() + QLatin1Char('"'));
        marks.append(QStringLiteral("?"));
        values.append(d.FitToField(table, it.key(), it.value()));
    }
    const QString sql = cols.isEmpty()
                            ? QStringLiteral("INSERT INTO \"%1\" DEFAULT VALUES").arg(table)
                            : QStringLiteral("INSERT INTO \"%1\" (%2) VALUES (%3)")
                                  .arg(table, cols.join(QLatin1String(", ")), marks.join(QLatin1String(", ")));
    if (values.isEmpty())
        d.Execute(sql);
    else
        d.Execute(sql, values);
    return d.Scalar(QStringLiteral("SELECT last_insert_rowid()")).toLongLong();
}

void DbFixture::addRide(const QString& jockey, const QString& horse, int finish, const QString& trainer) const
{
    static int n = 0;
    insert(QStringLiteral("RaceStats"), {{QStringLiteral("RaceDate"), QDate(2024, 1, 1).addDays(++n)},
                                         {QStringLiteral("RaceNumber"), 1},
                                         {QStringLiteral("TrackCode"), QStringLiteral("FLEM")},
                                         {QStringLiteral("Horse"), horse},
                                         {QStringLiteral("FinishPos"), finish},
                                         {QStringLiteral("Jockey"), jockey},
                                         {QStringLiteral("TrainerName"), trainer}});
}

qint64 DbFixture::exec(const QString& sql, const QVariantList& params) const
{
    return db().Execute(sql, params);
}

QVariant DbFixture::scalar(const QString& sql, const QVariantList& params) const
{
    return db().Scalar(sql, params);
}

int DbFixture::count(const QString& table, const QString& where, const QVariantList& params) const
{
    QString sql = QStringLiteral("SELECT COUNT(*) FROM \"%1\"").arg(table);
    if (!where.isEmpty())
        sql += QStringLiteral(" WHERE ") + where;
    return db().Scalar(sql, params).toInt();
}

QList<QVariantMap> DbFixture::rows(const QString& sql, const QVariantList& params) const
{
    QList<QVariantMap> out;
    DaoRecordset rs = db().OpenRecordset(sql, params);
    for (; !rs.Eof(); rs.MoveNext()) {
        QVariantMap m;
        for (int i = 0; i < rs.FieldCount(); ++i)
            m.insert(rs.Field(i).Name(), rs.Fields(i));
        out.append(m);
    }
    return out;
}

QByteArray DbFixture::fileHash() const
{
    QFile f(m_path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}
