#include "core/SizedInserter.h"

#include "platform/DaoDatabase.h"
#include "platform/DaoField.h"
#include "platform/DaoTableDef.h"

SizedInserter::SizedInserter(DaoDatabase& db, const QString& table, const QStringList& columns) : m_db(db)
{
    const DaoTableDef def = db.TableDef(table);
    QStringList marks;
    for (const QString& c : columns) {
        const DaoField* f = def.FieldExact(c);
        m_sizes << (f && f->Type() == DaoType::Text ? f->Size() : 0);
        marks << QStringLiteral("?");
    }
    m_sql = QStringLiteral("INSERT INTO [") + table + QStringLiteral("] (") + columns.join(QStringLiteral(", "))
        + QStringLiteral(") VALUES (") + marks.join(QStringLiteral(", ")) + QLatin1Char(')');
}

void SizedInserter::insert(QVariantList values)
{
    for (qsizetype i = 0; i < values.size() && i < m_sizes.size(); ++i) {
        if (m_sizes[i] > 0 && values[i].typeId() == QMetaType::QString) {
            const QString s = values[i].toString();
            if (s.size() > m_sizes[i])
                values[i] = s.left(m_sizes[i]);
        }
    }
    m_db.Execute(m_sql, values);
}
