#include "platform/DaoDatabase.h"

#include "platform/DaoConnection.h"
#include "platform/VbError.h"

#include <QRegularExpression>

#include <sqlite3.h>

namespace
{
const QString kSource = QStringLiteral("Velmora.Database");
}

DaoDatabase::DaoDatabase() = default;
DaoDatabase::~DaoDatabase() = default;
DaoDatabase::DaoDatabase(const DaoDatabase&) = default;
DaoDatabase& DaoDatabase::operator=(const DaoDatabase&) = default;
DaoDatabase::DaoDatabase(DaoDatabase&&) noexcept = default;
DaoDatabase& DaoDatabase::operator=(DaoDatabase&&) noexcept = default;

DaoDatabase::DaoDatabase(std::shared_ptr<DaoConnection> c)
    : m_conn(std::move(c))
{
}

DaoConnection& DaoDatabase::conn() const
{
    if (!m_conn)
        throw VbError(3420, kSource, QStringLiteral("The database is not open."));
    return *m_conn;
}

bool DaoDatabase::IsOpen() const
{
    return m_conn != nullptr;
}

QString DaoDatabase::Name() const
{
    return m_conn ? m_conn->path() : QString();
}

void DaoDatabase::Close()
{
    m_conn.reset();
}

qint64 DaoDatabase::Execute(const QString& sql, const QVariantList& params)
{
    DaoConnection& c = conn();
    const qint64 before = sqlite3_total_changes64(c.db());
    if (params.isEmpty()) {
        // Without parameters the text may hold several statements.
        c.execScript(sql);
        c.lastAffected = sqlite3_total_changes64(c.db()) - before;
    } else {
        c.lastAffected = c.exec(sql, params);
    }
    return c.lastAffected;
}

qint64 DaoDatabase::RecordsAffected() const
{
    return m_conn ? m_conn->lastAffected : 0;
}

QVariant DaoDatabase::Scalar(const QString& sql, const QVariantList& params)
{
    DaoConnection::Statement st(conn(), sql);
    st.bind(params);
    if (st.step())
        return st.column(0);
    return {};
}

DaoRecordset DaoDatabase::OpenRecordset(const QString& sql, const QVariantList& params)
{
    return DaoRecordset::open(m_conn ? m_conn : throw VbError(3420, kSource, QStringLiteral("The database is not open.")),
                              sql, params);
}

QStringList DaoDatabase::TableNames() const
{
    return conn().tableNames();
}

bool DaoDatabase::HasTable(const QString& name) const
{
    return conn().tableDef(name) != nullptr;
}

DaoTableDef DaoDatabase::TableDef(const QString& name) const
{
    const DaoTableDef* t = conn().tableDef(name);
    if (!t)
        throw VbError(3265, kSource, QStringLiteral("There is no table '%1' in the database.").arg(name));
    return *t;
}

QVariant DaoDatabase::FitToField(const QString& table, const QString& column, const QVariant& value) const
{
    const DaoTableDef* t = conn().tableDef(table);
    const DaoField* f = t ? t->Field(column) : nullptr;
    if (!f || f->Type() != DaoType::Text || f->Size() <= 0 || value.typeId() != QMetaType::QString)
        return value;
    const QString s = value.toString();
    return s.size() > f->Size() ? QVariant(s.left(f->Size())) : value;
}

void DaoDatabase::BeginTrans()
{
    conn().exec(QStringLiteral("BEGIN"));
}

void DaoDatabase::CommitTrans()
{
    conn().exec(QStringLiteral("COMMIT"));
}

void DaoDatabase::Rollback()
{
    DaoConnection& c = conn();
    if (c.inTransaction())
        c.exec(QStringLiteral("ROLLBACK"));
}

bool DaoDatabase::InTransaction() const
{
    return m_conn && m_conn->inTransaction();
}

sqlite3* DaoDatabase::handle() const
{
    return conn().db();
}
