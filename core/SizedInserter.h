#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariantList>

class DaoDatabase;

/** An INSERT of the given columns with every value bound, each text cut to
 *  its column's stated size (the imports store what the pages and files give,
 *  which may be longer than the local columns hold). */
class SizedInserter
{
public:
    SizedInserter(DaoDatabase& db, const QString& table, const QStringList& columns);

    void insert(QVariantList values);

private:
    DaoDatabase& m_db;
    QString m_sql;
    QList<int> m_sizes;
};
