#include "platform/DaoConnection.h"

#include "platform/Currency.h"
#include "platform/VbError.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>

#include <sqlite3.h>
#include <sys/stat.h>

#include <string>

namespace
{
const QString kSource = QStringLiteral("Velmora.Database");

// A cap on kept statements: the program's texts embed quoted values, so the
// set of distinct texts grows without bound; beyond this they are not kept.
constexpr int kMaxCachedStatements = 256;

/** The local date and time of a day and time of day. Building a local time
 *  asks the C library for the zone, which reads the zone file's status on
 *  every call: a list of a year's meetings paid more for that than for its
 *  query. The same few hundred dates recur, so the results are kept. */
QDateTime localDateTime(const QDate& d, const QTime& tm)
{
    constexpr int kMaxKept = 4096;
    thread_local QHash<qint64, QDateTime> kept;
    const qint64 key = d.toJulianDay() * 86400000 + tm.msecsSinceStartOfDay();
    if (const auto it = kept.constFind(key); it != kept.constEnd())
        return *it;
    if (kept.size() >= kMaxKept)
        kept.clear();
    const QDateTime dt(d, tm);
    kept.insert(key, dt);
    return dt;
}

/** The number of `n` ASCII digits at `at`, or -1. */
int digitsAt(const QString& t, qsizetype at, int n)
{
    int v = 0;
    for (int i = 0; i < n; ++i) {
        const char16_t c = t.at(at + i).unicode();
        if (c < u'0' || c > u'9')
            return -1;
        v = v * 10 + (c - u'0');
    }
    return v;
}

QDateTime parseDateText(const QString& text, bool* ok)
{
    *ok = true;
    const QString t = text.trimmed();
    // The form the program writes ("2024-03-05" or "2024-03-05 14:30:00")
    // is read without the patterns below; anything else goes through them.
    if ((t.size() == 10 || (t.size() == 19 && (t.at(10) == u' ' || t.at(10) == u'T') && t.at(13) == u':' &&
                            t.at(16) == u':')) &&
        t.at(4) == u'-' && t.at(7) == u'-') {
        const int y = digitsAt(t, 0, 4), mo = digitsAt(t, 5, 2), da = digitsAt(t, 8, 2);
        int h = 0, mi = 0, se = 0;
        if (t.size() == 19) {
            h = digitsAt(t, 11, 2);
            mi = digitsAt(t, 14, 2);
            se = digitsAt(t, 17, 2);
        }
        const QDate d(y, mo, da);
        const QTime tm(h, mi, se);
        if (y >= 0 && mo >= 0 && da >= 0 && h >= 0 && mi >= 0 && se >= 0 && d.isValid() && tm.isValid())
            return localDateTime(d, tm);
    }
    static const QRegularExpression full(
        QStringLiteral(R"(^(\d{4})[-/](\d{1,2})[-/](\d{1,2})(?:[ T](\d{1,2}):(\d{2})(?::(\d{2}))?(?:\.\d+)?)?$)"));
    static const QRegularExpression timeOnly(QStringLiteral(R"(^(\d{1,2}):(\d{2})(?::(\d{2}))?$)"));
    static const QRegularExpression dmy(QStringLiteral(R"(^(\d{1,2})/(\d{1,2})/(\d{4})$)"));
    QRegularExpressionMatch m = full.match(t);
    if (m.hasMatch()) {
        const QDate d(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
        QTime tm(0, 0);
        if (m.capturedLength(4))
            tm = QTime(m.captured(4).toInt(), m.captured(5).toInt(), m.captured(6).toInt());
        if (d.isValid() && tm.isValid())
            return localDateTime(d, tm);
    }
    m = timeOnly.match(t);
    if (m.hasMatch()) {
        const QTime tm(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
        if (tm.isValid())
            return localDateTime(QDate(1899, 12, 30), tm);
    }
    m = dmy.match(t);
    if (m.hasMatch()) {
        const QDate d(m.captured(3).toInt(), m.captured(2).toInt(), m.captured(1).toInt());
        if (d.isValid())
            return localDateTime(d, QTime(0, 0));
    }
    *ok = false;
    return {};
}

QString cutText(const QString& s, int size)
{
    return (size > 0 && s.size() > size) ? s.left(size) : s;
}

// Binds a text (cut to `cutTo` characters when above 0) as UTF-8. Most texts
// are plain ASCII: those are copied into a buffer kept for the purpose
// rather than converted into a new allocation each time (SQLite copies the
// bytes it is given).
int bindText(sqlite3_stmt* s, int index, const QString& text, int cutTo)
{
    const qsizetype n = (cutTo > 0 && text.size() > cutTo) ? cutTo : text.size();
    thread_local std::string ascii;
    ascii.resize(static_cast<size_t>(n));
    const QChar* from = text.constData();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = from[i].unicode();
        if (c >= 0x80) {
            const QByteArray utf8 = QStringView(text).left(n).toUtf8();
            return sqlite3_bind_text(s, index, utf8.constData(), static_cast<int>(utf8.size()), SQLITE_TRANSIENT);
        }
        ascii[static_cast<size_t>(i)] = static_cast<char>(c);
    }
    return sqlite3_bind_text(s, index, ascii.data(), static_cast<int>(n), SQLITE_TRANSIENT);
}
} // namespace

DaoConnection::DaoConnection(QString path, std::function<void(sqlite3*)> installer)
    : m_path(std::move(path))
    , m_installer(std::move(installer))
{
}

DaoConnection::~DaoConnection()
{
    dropStatements();
    if (m_db)
        sqlite3_close_v2(m_db);
}

sqlite3* DaoConnection::db()
{
    if (!m_db)
        open();
    return m_db;
}

void DaoConnection::open()
{
    if (m_db)
        return;
    const QFileInfo fi(m_path);
    if (!fi.exists() || !fi.isFile())
        throw VbError(3024, kSource, QStringLiteral("Could not find the database file '%1'.").arg(m_path));

    QFile f(m_path);
    if (!f.open(QIODevice::ReadOnly))
        throw VbError(3051, kSource, QStringLiteral("The database file '%1' cannot be opened: %2.")
                                         .arg(m_path, f.errorString()));
    const QByteArray head = f.read(32);
    f.close();
    if (head.mid(4, 15) == "Standard Jet DB" || head.mid(4, 15) == "Standard ACE DB")
        throw VbError(3343, kSource,
                      QStringLiteral("'%1' is a Microsoft Access database. This program keeps its data in an "
                                     "SQLite database file and cannot read Access files; convert the file to "
                                     "SQLite first.")
                          .arg(m_path));
    if (!head.startsWith(QByteArray("SQLite format 3\0", 16)))
        throw VbError(3343, kSource, QStringLiteral("'%1' is not a database file.").arg(m_path));

    sqlite3* db = nullptr;
    // The connection is used by the one thread that runs the program's
    // handlers, so SQLite need not lock it around every call.
    const int rc =
        sqlite3_open_v2(m_path.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        const QString msg = db ? QString::fromUtf8(sqlite3_errmsg(db)) : QString::fromUtf8(sqlite3_errstr(rc));
        sqlite3_close_v2(db);
        throw VbError(3000 + rc, kSource, QStringLiteral("The database file '%1' cannot be opened: %2.").arg(m_path, msg));
    }
    sqlite3_extended_result_codes(db, 0);
    // Another program briefly holding the file makes a statement wait, not fail.
    sqlite3_busy_timeout(db, 3000);
    // Read the schema now, so a damaged file fails here and not later.
    char* err = nullptr;
    const int rc2 = sqlite3_exec(db, "PRAGMA schema_version", nullptr, nullptr, &err);
    if (rc2 != SQLITE_OK) {
        const QString msg = QString::fromUtf8(err ? err : sqlite3_errstr(rc2));
        sqlite3_free(err);
        sqlite3_close_v2(db);
        throw VbError(3343, kSource, QStringLiteral("'%1' is not a usable database: %2.").arg(m_path, msg));
    }
    if (m_installer)
        m_installer(db);
    struct stat st{};
    if (::stat(QFile::encodeName(m_path).constData(), &st) == 0) {
        m_dev = st.st_dev;
        m_ino = st.st_ino;
    }
    m_db = db;
    m_schemaVersion = -1;
}

bool DaoConnection::close()
{
    if (!m_db)
        return true;
    if (inTransaction())
        return false;
    dropStatements();
    sqlite3_close_v2(m_db);
    m_db = nullptr;
    m_schemaVersion = -1;
    m_tables.clear();
    m_tableOrder.clear();
    return true;
}

bool DaoConnection::inTransaction() const
{
    return m_db && !sqlite3_get_autocommit(m_db);
}

bool DaoConnection::fileReplaced() const
{
    if (!m_db)
        return false;
    struct stat st{};
    if (::stat(QFile::encodeName(m_path).constData(), &st) != 0)
        return true;
    return st.st_dev != m_dev || st.st_ino != m_ino;
}

void DaoConnection::dropStatements()
{
    for (auto& [sql, c] : m_stmts)
        sqlite3_finalize(c.stmt);
    m_stmts.clear();
}

void DaoConnection::fail(int rc, const QString& context) const
{
    QString msg = m_db ? QString::fromUtf8(sqlite3_errmsg(m_db)) : QString::fromUtf8(sqlite3_errstr(rc));
    if (!context.isEmpty())
        msg += QStringLiteral(" (in: %1)").arg(context.left(300));
    throw VbError(3000 + (rc & 0xff), kSource, msg);
}

sqlite3_stmt* DaoConnection::acquire(const QString& sql, bool*& busy)
{
    sqlite3* h = db();
    auto it = m_stmts.find(sql);
    if (it != m_stmts.end() && !it->second.busy) {
        it->second.busy = true;
        busy = &it->second.busy;
        return it->second.stmt;
    }
    sqlite3_stmt* s = nullptr;
    const QByteArray utf8 = sql.toUtf8();
    const char* tail = nullptr;
    const bool keep = it == m_stmts.end() && m_stmts.size() < kMaxCachedStatements;
    const int rc = sqlite3_prepare_v3(h, utf8.constData(), static_cast<int>(utf8.size()),
                                      keep ? SQLITE_PREPARE_PERSISTENT : 0, &s, &tail);
    if (rc != SQLITE_OK) {
        sqlite3_finalize(s);
        fail(rc, sql);
    }
    if (!s) // only blanks or a comment
        throw VbError(3000 + SQLITE_MISUSE, kSource, QStringLiteral("Empty SQL statement."));
    if (tail && QString::fromUtf8(tail).trimmed().remove(QLatin1Char(';')).trimmed().size()) {
        sqlite3_finalize(s);
        throw VbError(3000 + SQLITE_MISUSE, kSource,
                      QStringLiteral("Only one statement can be run with parameters (in: %1)").arg(sql.left(300)));
    }
    busy = nullptr;
    if (keep) {
        Cached& c = m_stmts[sql];
        c.stmt = s;
        c.busy = true;
        busy = &c.busy;
    }
    return s;
}

void DaoConnection::giveBack(sqlite3_stmt* s, bool* busy, bool clearBindings)
{
    if (!busy) {
        sqlite3_finalize(s);
        return;
    }
    sqlite3_reset(s);
    if (clearBindings)
        sqlite3_clear_bindings(s);
    *busy = false;
}

DaoConnection::Statement::Statement(DaoConnection& c, const QString& sql)
    : m_conn(c)
    , m_sql(sql)
{
    m_stmt = c.acquire(sql, m_busy);
}

DaoConnection::Statement::~Statement()
{
    if (m_stmt)
        giveBack(m_stmt, m_busy, !m_keepBindings);
}

void DaoConnection::Statement::bind(const QVariantList& params)
{
    const int n = sqlite3_bind_parameter_count(m_stmt);
    if (params.size() != n)
        throw VbError(3000 + SQLITE_RANGE, kSource,
                      QStringLiteral("The statement takes %1 parameter(s), %2 given (in: %3)")
                          .arg(n)
                          .arg(params.size())
                          .arg(m_sql.left(300)));
    for (int i = 0; i < n; ++i)
        bindValue(m_stmt, i + 1, params.at(i));
}

void DaoConnection::Statement::bind(int index, const QVariant& value, int cutTo)
{
    bindValue(m_stmt, index, value, cutTo);
}

bool DaoConnection::Statement::step()
{
    const int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    sqlite3_reset(m_stmt);
    m_conn.fail(rc, m_sql);
}

QVariant DaoConnection::Statement::column(int index) const
{
    return readColumn(m_stmt, index);
}

qint64 DaoConnection::exec(const QString& sql, const QVariantList& params)
{
    Statement st(*this, sql);
    st.bind(params);
    while (st.step()) {
    }
    return sqlite3_changes64(m_db);
}

void DaoConnection::execScript(const QString& sql)
{
    char* err = nullptr;
    const int rc = sqlite3_exec(db(), sql.toUtf8().constData(), nullptr, nullptr, &err);
    if (rc != SQLITE_OK) {
        QString msg = QString::fromUtf8(err ? err : sqlite3_errstr(rc));
        sqlite3_free(err);
        msg += QStringLiteral(" (in: %1)").arg(sql.left(300));
        throw VbError(3000 + (rc & 0xff), kSource, msg);
    }
}

void DaoConnection::loadSchema()
{
    int version = 0;
    {
        Statement v(*this, QStringLiteral("PRAGMA schema_version"));
        if (v.step())
            version = sqlite3_column_int(v, 0);
    }
    if (version == m_schemaVersion)
        return;
    m_tables.clear();
    m_tableOrder.clear();
    QList<QPair<QString, QString>> tables;
    {
        Statement t(*this, QStringLiteral("SELECT name, sql FROM sqlite_master WHERE type = 'table' "
                                          "AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\' ORDER BY rowid"));
        while (t.step())
            tables.append({t.column(0).toString(), t.column(1).toString()});
    }
    for (const auto& [name, sql] : tables) {
        QList<DaoField> fields;
        Statement info(*this, QStringLiteral("PRAGMA table_info(%1)").arg(quoteId(name)));
        while (info.step()) {
            DaoField f(info.column(1).toString(), info.column(2).toString());
            f.setNotNull(sqlite3_column_int(info, 3) != 0);
            f.setDefaultValue(info.column(4).toString());
            f.setPrimaryKey(sqlite3_column_int(info, 5) != 0);
            const char* coll = nullptr;
            if (sqlite3_table_column_metadata(m_db, "main", name.toUtf8().constData(),
                                              f.Name().toUtf8().constData(), nullptr, &coll, nullptr, nullptr,
                                              nullptr)
                    == SQLITE_OK
                && coll)
                f.setCollation(QString::fromUtf8(coll));
            // Yes/No columns are declared INTEGER NOT NULL DEFAULT 0.
            if (f.Type() == DaoType::Long && f.NotNull() && f.DefaultValue().trimmed() == QLatin1String("0"))
                f.setType(DaoType::Boolean);
            f.setSource(name, f.Name());
            fields.append(f);
        }
        m_tables.insert(name.toLower(), DaoTableDef(name, fields, sql));
        m_tableOrder.append(name);
    }
    m_schemaVersion = version;
}

const DaoTableDef* DaoConnection::tableDef(const QString& name)
{
    loadSchema();
    QString key = name.trimmed();
    if (key.startsWith(QLatin1Char('[')) && key.endsWith(QLatin1Char(']')))
        key = key.mid(1, key.size() - 2);
    auto it = m_tables.constFind(key.toLower());
    return it == m_tables.constEnd() ? nullptr : &it.value();
}

QStringList DaoConnection::tableNames()
{
    loadSchema();
    return m_tableOrder;
}

QVariant DaoConnection::readText(const DaoField& field, const QString& text)
{
    if (field.Type() != DaoType::Date)
        return text;
    bool ok = false;
    const QDateTime dt = parseDateText(text, &ok);
    return ok ? QVariant(dt) : QVariant(text);
}

QString DaoConnection::dateText(const QDateTime& dt)
{
    if (dt.date() == QDate(1899, 12, 30))
        return dt.time().toString(QStringLiteral("HH:mm:ss"));
    const QTime t = dt.time();
    if (t.hour() == 0 && t.minute() == 0 && t.second() == 0)
        return dt.date().toString(QStringLiteral("yyyy-MM-dd"));
    return dt.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

QString DaoConnection::quoteId(const QString& name)
{
    QString n = name;
    n.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + n + QLatin1Char('"');
}

void DaoConnection::bindValue(sqlite3_stmt* s, int index, const QVariant& value, int cutTo)
{
    int rc = SQLITE_OK;
    if (!value.isValid() || value.typeId() == QMetaType::Nullptr) {
        rc = sqlite3_bind_null(s, index);
    } else {
        switch (value.typeId()) {
        case QMetaType::Bool:
            rc = sqlite3_bind_int(s, index, value.toBool() ? 1 : 0);
            break;
        case QMetaType::Int:
            rc = sqlite3_bind_int(s, index, *static_cast<const int*>(value.constData()));
            break;
        case QMetaType::UInt:
        case QMetaType::Short:
        case QMetaType::UShort:
        case QMetaType::Char:
        case QMetaType::SChar:
        case QMetaType::UChar:
        case QMetaType::Long:
        case QMetaType::LongLong:
        case QMetaType::ULong:
        case QMetaType::ULongLong:
            rc = sqlite3_bind_int64(s, index, value.toLongLong());
            break;
        case QMetaType::Float:
            // Store the single-precision number as the decimal it was meant
            // to be (2.618f as 2.618, not 2.6180000305…).
            rc = sqlite3_bind_double(s, index, QString::number(value.toFloat(), 'g', 7).toDouble());
            break;
        case QMetaType::Double:
            rc = sqlite3_bind_double(s, index, value.toDouble());
            break;
        case QMetaType::QDate:
            rc = sqlite3_bind_text16(s, index, value.toDate().toString(QStringLiteral("yyyy-MM-dd")).utf16(), -1,
                                     SQLITE_TRANSIENT);
            break;
        case QMetaType::QDateTime:
            rc = sqlite3_bind_text16(s, index, dateText(value.toDateTime()).utf16(), -1, SQLITE_TRANSIENT);
            break;
        case QMetaType::QTime:
            rc = sqlite3_bind_text16(s, index, value.toTime().toString(QStringLiteral("HH:mm:ss")).utf16(), -1,
                                     SQLITE_TRANSIENT);
            break;
        case QMetaType::QByteArray: {
            const QByteArray b = value.toByteArray();
            rc = sqlite3_bind_blob(s, index, b.constData(), static_cast<int>(b.size()), SQLITE_TRANSIENT);
            break;
        }
        default:
            if (value.typeId() == qMetaTypeId<Currency>()) {
                rc = sqlite3_bind_double(s, index, value.value<Currency>().toDouble());
            } else if (value.typeId() == QMetaType::QString) {
                // The text as it is held, without a copy of the variant's string.
                rc = bindText(s, index, *static_cast<const QString*>(value.constData()), cutTo);
            } else {
                rc = bindText(s, index, value.toString(), cutTo);
            }
            break;
        }
    }
    if (rc != SQLITE_OK)
        throw VbError(3000 + rc, kSource, QStringLiteral("Cannot bind parameter %1: %2").arg(index).arg(
                                              QString::fromUtf8(sqlite3_errstr(rc))));
}

QVariant DaoConnection::readColumn(sqlite3_stmt* s, int index)
{
    if (sqlite3_column_type(s, index) == SQLITE_NULL)
        return {};
    return readColumn(s, index, DaoField::TypeOfDeclared(sqlite3_column_decltype(s, index)));
}

QVariant DaoConnection::readColumn(sqlite3_stmt* s, int index, DaoType kind)
{
    const int type = sqlite3_column_type(s, index);
    if (type == SQLITE_NULL)
        return {};
    // The texts are stored as UTF-8: Qt's decoder is quicker than having
    // SQLite convert each value to UTF-16 first.
    auto text = [&]() {
        const auto* utf8 = reinterpret_cast<const char*>(sqlite3_column_text(s, index));
        return QString::fromUtf8(utf8, sqlite3_column_bytes(s, index));
    };
    auto whole = [&]() -> QVariant {
        const sqlite3_int64 v = sqlite3_column_int64(s, index);
        if (v >= INT_MIN && v <= INT_MAX)
            return QVariant(static_cast<int>(v));
        return QVariant(static_cast<qlonglong>(v));
    };
    switch (kind) {
    case DaoType::Boolean:
        if (type == SQLITE_TEXT) {
            const QString t = text().trimmed();
            if (!t.compare(QLatin1String("true"), Qt::CaseInsensitive))
                return true;
            if (!t.compare(QLatin1String("false"), Qt::CaseInsensitive) || t.isEmpty())
                return false;
        }
        return sqlite3_column_double(s, index) != 0.0;
    case DaoType::Date:
        if (type == SQLITE_TEXT) {
            bool ok = false;
            const QString t = text();
            const QDateTime dt = parseDateText(t, &ok);
            return ok ? QVariant(dt) : QVariant(t);
        }
        break;
    case DaoType::Single:
    case DaoType::Double:
    case DaoType::Currency:
        if (type == SQLITE_INTEGER || type == SQLITE_FLOAT)
            return sqlite3_column_double(s, index);
        break;
    case DaoType::Text:
    case DaoType::Memo:
        if (type != SQLITE_BLOB)
            return text();
        break;
    default:
        break;
    }
    switch (type) {
    case SQLITE_INTEGER:
        return whole();
    case SQLITE_FLOAT:
        return sqlite3_column_double(s, index);
    case SQLITE_BLOB:
        return QByteArray(static_cast<const char*>(sqlite3_column_blob(s, index)), sqlite3_column_bytes(s, index));
    default:
        return text();
    }
}

bool DaoConnection::keptAsIs(const DaoField& field, const QVariant& value)
{
    if (!value.isValid() || value.typeId() == QMetaType::Nullptr)
        return false;
    switch (field.Type()) {
    case DaoType::Boolean:
    case DaoType::Date:
    case DaoType::Currency:
        return false;
    case DaoType::Text:
    case DaoType::Memo:
        // A text that fits is stored as it is.
        return value.typeId() == QMetaType::QString
               && (field.Type() == DaoType::Memo || field.Size() <= 0
                   || static_cast<const QString*>(value.constData())->size() <= field.Size());
    default:
        return true;
    }
}

QVariant DaoConnection::normaliseFor(const DaoField& field, const QVariant& value)
{
    if (keptAsIs(field, value))
        return value;
    if (!value.isValid() || value.typeId() == QMetaType::Nullptr) {
        if (field.Type() == DaoType::Boolean)
            return false; // a Yes/No column is never Null
        return {};
    }
    const bool isText = value.typeId() == QMetaType::QString;
    switch (field.Type()) {
    case DaoType::Boolean:
        if (isText) {
            const QString t = value.toString().trimmed();
            if (!t.compare(QLatin1String("true"), Qt::CaseInsensitive))
                return true;
            if (!t.compare(QLatin1String("false"), Qt::CaseInsensitive) || t.isEmpty())
                return false;
            return t.toDouble() != 0.0;
        }
        if (value.typeId() == QMetaType::Bool)
            return value;
        return value.toDouble() != 0.0;
    case DaoType::Date:
        if (isText) {
            bool ok = false;
            const QDateTime dt = parseDateText(value.toString(), &ok);
            if (ok)
                return dateText(dt);
        }
        return value;
    case DaoType::Text:
    case DaoType::Memo: {
        QString t;
        switch (value.typeId()) {
        case QMetaType::QDate:
            t = value.toDate().toString(QStringLiteral("yyyy-MM-dd"));
            break;
        case QMetaType::QDateTime:
            t = dateText(value.toDateTime());
            break;
        case QMetaType::Bool:
            t = value.toBool() ? QStringLiteral("True") : QStringLiteral("False");
            break;
        case QMetaType::Float:
            t = QString::number(value.toFloat(), 'g', 7);
            break;
        case QMetaType::Double:
            t = QString::number(value.toDouble(), 'g', 15);
            break;
        default:
            if (value.typeId() == qMetaTypeId<Currency>())
                t = QString::number(value.value<Currency>().toDouble(), 'g', 15);
            else
                t = value.toString();
        }
        return cutText(t, field.Type() == DaoType::Text ? field.Size() : 0);
    }
    case DaoType::Currency:
        if (value.typeId() == qMetaTypeId<Currency>())
            return value;
        if (isText)
            return value; // stored as given when it is not a number
        return QVariant::fromValue(Currency::fromDouble(value.toDouble()));
    default:
        return value;
    }
}
