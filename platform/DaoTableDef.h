#pragma once

#include "platform/DaoField.h"

#include <QList>
#include <QString>

#include <utility>

/**
 * The definition of one table of a database: its name, the columns in their
 * stored order, and the statement that created it.
 */
class DaoTableDef
{
public:
    DaoTableDef() = default;
    DaoTableDef(QString name, QList<DaoField> fields, QString createSql)
        : m_name(std::move(name))
        , m_fields(std::move(fields))
        , m_sql(std::move(createSql))
    {
    }

    const QString& Name() const { return m_name; }
    const QList<DaoField>& Fields() const& { return m_fields; }
    /** On a definition returned by value (`db.TableDef(name).Fields()`) the
     *  list is handed over, so a range-for over the result stays valid. */
    QList<DaoField> Fields() && { return std::move(m_fields); }
    int FieldCount() const { return static_cast<int>(m_fields.size()); }
    /** The column named exactly `name` (letter case counts), or nullptr. */
    const DaoField* FieldExact(const QString& name) const;
    /** The column named `name` without regard to letter case, or nullptr. */
    const DaoField* Field(const QString& name) const;
    /** The CREATE TABLE statement stored in the database. */
    const QString& CreateSql() const { return m_sql; }

private:
    QString m_name;
    QList<DaoField> m_fields;
    QString m_sql;
};
