#include "platform/DaoRecordset.h"

#include "platform/DaoConnection.h"
#include "platform/VbError.h"

#include <QRegularExpression>
#include <QSet>
#include <QVarLengthArray>

#include <sqlite3.h>

#include <algorithm>

namespace
{
const QString kSource = QStringLiteral("Velmora.Recordset");
const QString kRowidName = QStringLiteral("__velmora_rowid");
constexpr auto quoteId = &DaoConnection::quoteId;

QString stripBrackets(QString s)
{
    s = s.trimmed();
    if (s.startsWith(QLatin1Char('[')) && s.endsWith(QLatin1Char(']')))
        s = s.mid(1, s.size() - 2);
    return s;
}

[[noreturn]] void noCurrentRecord()
{
    throw VbError(3021, kSource, QStringLiteral("No current record."));
}

[[noreturn]] void readOnly()
{
    throw VbError(3027, kSource, QStringLiteral("The recordset is read-only."));
}

[[noreturn]] void notEditing()
{
    throw VbError(3020, kSource, QStringLiteral("Update or CancelUpdate without AddNew or Edit."));
}

[[noreturn]] void noSuchField(const QString& name)
{
    throw VbError(3265, kSource, QStringLiteral("There is no field '%1' in the recordset.").arg(name));
}

// Position of the FROM that ends the select list (outside brackets, quotes
// and sub-queries), -1 when there is none.
int topLevelFrom(const QString& sql, int start)
{
    int depth = 0;
    for (int i = start; i < sql.size(); ++i) {
        const QChar c = sql.at(i);
        if (c == QLatin1Char('\'') || c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('[')) {
            const QChar close = c == QLatin1Char('[') ? QLatin1Char(']') : c;
            i = static_cast<int>(sql.indexOf(close, i + 1));
            if (i < 0)
                return -1;
            continue;
        }
        if (c == QLatin1Char('-') && i + 1 < sql.size() && sql.at(i + 1) == QLatin1Char('-')) {
            i = static_cast<int>(sql.indexOf(QLatin1Char('\n'), i));
            if (i < 0)
                return -1;
            continue;
        }
        if (c == QLatin1Char('('))
            ++depth;
        else if (c == QLatin1Char(')'))
            --depth;
        else if (depth == 0 && (c == QLatin1Char('F') || c == QLatin1Char('f'))
                 && sql.mid(i, 4).compare(QLatin1String("from"), Qt::CaseInsensitive) == 0
                 && (i == 0 || !(sql.at(i - 1).isLetterOrNumber() || sql.at(i - 1) == QLatin1Char('_')))
                 && (i + 4 >= sql.size() || !(sql.at(i + 4).isLetterOrNumber() || sql.at(i + 4) == QLatin1Char('_'))))
            return i;
    }
    return -1;
}

bool isKeyword(const QString& w)
{
    static const QSet<QString> kw = {
        QStringLiteral("where"), QStringLiteral("left"),  QStringLiteral("right"), QStringLiteral("inner"),
        QStringLiteral("outer"), QStringLiteral("cross"), QStringLiteral("join"),  QStringLiteral("on"),
        QStringLiteral("order"), QStringLiteral("group"), QStringLiteral("having"), QStringLiteral("limit"),
        QStringLiteral("union"), QStringLiteral("natural"), QStringLiteral("using"), QStringLiteral("as"),
        QStringLiteral("full"), QStringLiteral("set"), QStringLiteral("window")};
    return kw.contains(w.toLower());
}
} // namespace

struct DaoRecordset::Data
{
    std::shared_ptr<DaoConnection> conn;
    QString sql;
    QString runSql;
    QVariantList params;
    bool hasRowid = false;
    QList<DaoField> fields;
    QList<QVariantList> rows;
    QList<qint64> rowids;
    QString table;             // the table written to; empty when read-only
    QStringList tableColumn;   // per field: the table's column it is, empty when not writable
    QList<DaoField> tableField; // per field: that column's definition (kind, size)
    QList<int> sameColumn;     // per field: the first field that is the same table column
    bool repeatsColumn = false; // some table column is read by more than one field
    QVariantList freshRow;     // a new row's values: Null, False for Yes/No columns
    QList<int> touched;        // fields set since the buffer was last a fresh row
    bool bufferFresh = false;  // the buffer is freshRow apart from the touched fields
    QList<QPair<QString, int>> setOrder; // names set by SetField since AddNew/Edit, in order
    int setStep = 0;           // SetField calls since AddNew/Edit
    QHash<QString, int> index; // lower-case name -> first field of that name
    QHash<QString, int> exact; // name as the query gives it -> first field of that name
    QString readBackSql;       // reads a row's table columns by rowid
    QHash<quint64, QString> writeSql; // INSERT/UPDATE text by the set of columns written
    QHash<QString, QString> aliases; // alias (lower case) -> table name
    int pos = 0;
    bool deleted = false;
    int editMode = 0;
    QVariantList buffer;
    QList<bool> dirty;
    int lastModified = -1;
    bool noMatch = true;
    bool open = false;

    int count() const { return static_cast<int>(rows.size()); }
    bool hasCurrent() const { return !deleted && pos >= 0 && pos < count(); }
    void requireCurrent() const
    {
        if (!hasCurrent())
            noCurrentRecord();
    }
    void requireUpdatable() const
    {
        if (table.isEmpty())
            readOnly();
    }
    void requireField(int i) const
    {
        if (i < 0 || i >= fields.size())
            noSuchField(QString::number(i));
    }
    /** Makes row `i` the current one, leaving any edit. */
    void moveTo(int i)
    {
        editMode = 0;
        deleted = false;
        pos = i;
    }
    void run();
    void prepareWrites();
    QVariantList readRow(qint64 rowid, const QVariantList& keep);
    /** Row `i`, read from the table first when it was added by this
     *  recordset and not read yet. */
    const QVariantList& row(int i);
};

void DaoRecordset::Data::prepareWrites()
{
    index.clear();
    exact.clear();
    for (int i = static_cast<int>(fields.size()) - 1; i >= 0; --i) {
        index.insert(fields.at(i).Name().toLower(), i);
        exact.insert(fields.at(i).Name(), i);
    }
    tableField.clear();
    sameColumn.clear();
    repeatsColumn = false;
    setOrder.clear();
    setStep = 0;
    freshRow.clear();
    touched.clear();
    bufferFresh = false;
    QStringList cols;
    const DaoTableDef* t = table.isEmpty() ? nullptr : conn->tableDef(table);
    for (int i = 0; i < fields.size(); ++i) {
        const QString& c = tableColumn.at(i);
        const DaoField* tf = t && !c.isEmpty() ? t->Field(c) : nullptr;
        tableField.append(tf ? *tf : DaoField());
        sameColumn.append(static_cast<int>(c.isEmpty() ? i : tableColumn.indexOf(c)));
        repeatsColumn = repeatsColumn || sameColumn.last() != i;
        // A Yes/No column starts False, as the database's default has it.
        freshRow.append(tableField.last().Type() == DaoType::Boolean ? QVariant(false) : QVariant());
        if (!c.isEmpty())
            cols.append(quoteId(c));
    }
    readBackSql = cols.isEmpty() ? QString()
                                 : QStringLiteral("SELECT %1 FROM %2 WHERE rowid = ?")
                                       .arg(cols.join(QLatin1String(", ")), quoteId(table));
    writeSql.clear();
}

DaoRecordset::DaoRecordset() = default;
DaoRecordset::~DaoRecordset() = default;
DaoRecordset::DaoRecordset(const DaoRecordset&) = default;
DaoRecordset& DaoRecordset::operator=(const DaoRecordset&) = default;
DaoRecordset::DaoRecordset(DaoRecordset&&) noexcept = default;
DaoRecordset& DaoRecordset::operator=(DaoRecordset&&) noexcept = default;

DaoRecordset::DaoRecordset(std::shared_ptr<Data> data)
    : d(std::move(data))
{
}

DaoRecordset::Data& DaoRecordset::data() const
{
    if (!d || !d->open)
        throw VbError(3420, kSource, QStringLiteral("The recordset is not open."));
    return *d;
}

void DaoRecordset::Data::run()
{
    rows.clear();
    rowids.clear();
    DaoConnection::Statement st(*conn, runSql);
    st.bind(params);
    // The rowid, when read along, is the last column.
    const int n = sqlite3_column_count(st) - (hasRowid ? 1 : 0);
    const bool describe = fields.isEmpty();
    bool rowidsOk = true;
    QVarLengthArray<DaoType, 32> kinds(std::max(n, 0));
    for (int i = 0; i < n; ++i)
        kinds[i] = DaoField::TypeOfDeclared(sqlite3_column_decltype(st, i));
    while (st.step()) {
        QVariantList row;
        row.reserve(n);
        for (int i = 0; i < n; ++i)
            row.append(DaoConnection::readColumn(st, i, kinds[i]));
        if (hasRowid) {
            if (sqlite3_column_type(st, n) != SQLITE_INTEGER)
                rowidsOk = false;
            rowids.append(sqlite3_column_int64(st, n));
        }
        rows.append(row);
    }
    if (describe) {
        for (int i = 0; i < n; ++i) {
            const char* decl = sqlite3_column_decltype(st, i);
            DaoField f(QString::fromUtf8(sqlite3_column_name(st, i)), decl ? QString::fromUtf8(decl) : QString());
            const char* tab = sqlite3_column_table_name(st, i);
            const char* org = sqlite3_column_origin_name(st, i);
            if (tab && org)
                f.setSource(QString::fromUtf8(tab), QString::fromUtf8(org));
            if (tab && org) {
                // Yes/No columns read as bool.
                const DaoTableDef* t = conn->tableDef(QString::fromUtf8(tab));
                const DaoField* tf = t ? t->Field(QString::fromUtf8(org)) : nullptr;
                if (tf && tf->Type() == DaoType::Boolean)
                    f.setType(DaoType::Boolean);
            }
            fields.append(f);
        }
    }
    for (int c = 0; c < fields.size(); ++c) {
        if (fields.at(c).Type() != DaoType::Boolean)
            continue;
        for (QVariantList& row : rows) {
            if (row.at(c).isValid() && row.at(c).typeId() != QMetaType::Bool)
                row[c] = row.at(c).toDouble() != 0.0;
        }
    }
    if (!rowidsOk) {
        // No real rows behind this query (a view or a sub-query): read-only.
        hasRowid = false;
        table.clear();
        tableColumn.fill(QString(), fields.size());
    }
}

const QVariantList& DaoRecordset::Data::row(int i)
{
    QVariantList& r = rows[i];
    if (r.isEmpty() && !fields.isEmpty())
        r = readRow(rowids.at(i), QVariantList(fields.size()));
    return r;
}

QVariantList DaoRecordset::Data::readRow(qint64 rowid, const QVariantList& keep)
{
    QVariantList row = keep;
    row.resize(fields.size());
    if (readBackSql.isEmpty())
        return row;
    DaoConnection::Statement st(*conn, readBackSql);
    st.bind(1, rowid);
    if (!st.step())
        return row;
    int k = 0;
    for (int i = 0; i < fields.size(); ++i) {
        if (tableColumn.at(i).isEmpty())
            continue;
        QVariant v = st.column(k++);
        if (fields.at(i).Type() == DaoType::Boolean && v.isValid() && v.typeId() != QMetaType::Bool)
            v = v.toDouble() != 0.0;
        row[i] = v;
    }
    return row;
}

DaoRecordset DaoRecordset::open(const std::shared_ptr<DaoConnection>& conn, const QString& sql,
                                const QVariantList& params)
{
    auto d = std::make_shared<Data>();
    d->conn = conn;
    d->sql = sql;
    d->params = params;

    const QString trimmed = sql.trimmed();
    static const QRegularExpression bareName(QStringLiteral(R"(^\[?([A-Za-z_][A-Za-z0-9_ ]*)\]?;?$)"));
    const QRegularExpressionMatch bm = bareName.match(trimmed);
    QString text = trimmed;
    if (bm.hasMatch() && !trimmed.contains(QLatin1Char(' ')) && conn->tableDef(bm.captured(1)))
        text = QStringLiteral("SELECT * FROM ") + quoteId(conn->tableDef(bm.captured(1))->Name());
    else if (bm.hasMatch() && trimmed.startsWith(QLatin1Char('[')) && conn->tableDef(bm.captured(1)))
        text = QStringLiteral("SELECT * FROM ") + quoteId(conn->tableDef(bm.captured(1))->Name());

    // A query on one table gets the rows' rowids read along, so that changes
    // can be written back to exactly those rows.
    static const QRegularExpression selectHead(QStringLiteral(R"(^\s*SELECT\s+)"),
                                               QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression notSimple(QStringLiteral(R"(^\s*(DISTINCT|ALL)\b|\bGROUP\s+BY\b|\bUNION\b|\bINTERSECT\b|\bEXCEPT\b)"),
                                              QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch sh = selectHead.match(text);
    const int fromAt = sh.hasMatch() ? topLevelFrom(text, static_cast<int>(sh.capturedEnd())) : -1;
    if (fromAt > 0 && !notSimple.match(text.mid(sh.capturedEnd())).hasMatch()) {
        // Appended last, so "ORDER BY 1" still means the first column asked for.
        const QString injected = text.left(fromAt) + QStringLiteral(", rowid AS ") + kRowidName + QLatin1Char(' ')
                                 + text.mid(fromAt);
        try {
            DaoConnection::Statement probe(*conn, injected);
            const int n = sqlite3_column_count(probe) - 1;
            QString table;
            bool single = n > 0;
            for (int i = 0; i < n && single; ++i) {
                const char* tab = sqlite3_column_table_name(probe, i);
                const char* dbn = sqlite3_column_database_name(probe, i);
                if (!tab)
                    continue; // an expression: read-only column
                const QString t = QString::fromUtf8(tab);
                if (!dbn || qstrcmp(dbn, "main") != 0 || (!table.isEmpty() && t != table))
                    single = false;
                table = t;
            }
            if (single && !table.isEmpty() && conn->tableDef(table)) {
                d->hasRowid = true;
                d->table = conn->tableDef(table)->Name();
                d->runSql = injected;
            }
        } catch (const VbError&) {
            // Not a one-table query (rowid ambiguous or unknown): read-only.
        }
    }
    if (!d->hasRowid)
        d->runSql = text;

    d->run();
    if (d->hasRowid) {
        for (const DaoField& f : d->fields)
            d->tableColumn.append(f.SourceTable() == d->table ? f.SourceField() : QString());
    } else {
        d->tableColumn.fill(QString(), d->fields.size());
    }
    d->prepareWrites();

    // Table aliases, so "N.Jockey" can tell two columns named Jockey apart.
    static const QRegularExpression aliasRe(
        QStringLiteral(R"((?:\bFROM|\bJOIN|,)\s*\(*\s*\[?([A-Za-z_]\w*)\]?\s+(?:AS\s+)?([A-Za-z_]\w*))"),
        QRegularExpression::CaseInsensitiveOption);
    auto it = aliasRe.globalMatch(text);
    while (it.hasNext()) {
        const QRegularExpressionMatch m = it.next();
        const QString tab = m.captured(1);
        const QString alias = m.captured(2);
        if (isKeyword(alias) || !conn->tableDef(tab))
            continue;
        d->aliases.insert(alias.toLower(), conn->tableDef(tab)->Name());
    }

    d->open = true;
    d->pos = 0;
    return DaoRecordset(d);
}

bool DaoRecordset::IsOpen() const
{
    return d && d->open;
}

void DaoRecordset::Close()
{
    if (d) {
        d->open = false;
        d->rows.clear();
        d->rowids.clear();
        d->editMode = 0;
    }
}

bool DaoRecordset::Bof() const
{
    const Data& x = data();
    return x.count() == 0 || x.pos < 0;
}

bool DaoRecordset::Eof() const
{
    const Data& x = data();
    return x.count() == 0 || x.pos >= x.count();
}

int DaoRecordset::RecordCount() const
{
    return data().count();
}

int DaoRecordset::AbsolutePosition() const
{
    const Data& x = data();
    return x.hasCurrent() ? x.pos : -1;
}

void DaoRecordset::SetAbsolutePosition(int index)
{
    Data& x = data();
    if (index < 0 || index >= x.count())
        throw VbError(3001, kSource, QStringLiteral("Invalid record position %1.").arg(index));
    x.moveTo(index);
}

void DaoRecordset::MoveFirst()
{
    Data& x = data();
    if (x.count() == 0)
        noCurrentRecord();
    x.moveTo(0);
}

void DaoRecordset::MoveLast()
{
    Data& x = data();
    if (x.count() == 0)
        noCurrentRecord();
    x.moveTo(x.count() - 1);
}

void DaoRecordset::MoveNext()
{
    Data& x = data();
    x.editMode = 0;
    if (x.deleted) {
        // The row after the deleted one now stands at its place.
        x.deleted = false;
        return;
    }
    if (x.count() == 0 || x.pos >= x.count())
        noCurrentRecord();
    ++x.pos;
}

void DaoRecordset::MovePrevious()
{
    Data& x = data();
    x.editMode = 0;
    if (x.deleted) {
        x.deleted = false;
        --x.pos;
        return;
    }
    if (x.count() == 0 || x.pos < 0)
        noCurrentRecord();
    --x.pos;
}

int DaoRecordset::FieldCount() const
{
    return static_cast<int>(data().fields.size());
}

int DaoRecordset::FieldIndex(const QString& rawName) const
{
    const Data& x = data();
    // The usual case, a name spelt as the query gives it, costs one look-up.
    const auto hit = x.exact.constFind(rawName);
    if (hit != x.exact.constEnd())
        return *hit;
    const QString name = stripBrackets(rawName);
    const int dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot > 0) {
        const QString qual = stripBrackets(name.left(dot));
        const QString col = stripBrackets(name.mid(dot + 1));
        const QString table = x.aliases.value(qual.toLower(), qual);
        for (int i = 0; i < x.fields.size(); ++i) {
            const DaoField& f = x.fields.at(i);
            if (!f.SourceTable().compare(table, Qt::CaseInsensitive) && !f.Name().compare(col, Qt::CaseInsensitive))
                return i;
        }
        for (int i = 0; i < x.fields.size(); ++i) {
            if (!x.fields.at(i).Name().compare(name, Qt::CaseInsensitive))
                return i;
        }
        for (int i = 0; i < x.fields.size(); ++i) {
            if (!x.fields.at(i).Name().compare(col, Qt::CaseInsensitive))
                return i;
        }
        return -1;
    }
    return x.index.value(name.toLower(), -1);
}

namespace
{
int existingField(const DaoRecordset& rs, const QString& name)
{
    const int i = rs.FieldIndex(name);
    if (i < 0)
        noSuchField(name);
    return i;
}
} // namespace

DaoField DaoRecordset::Field(int index) const
{
    const Data& x = data();
    x.requireField(index);
    DaoField f = x.fields.at(index);
    if (x.editMode || x.hasCurrent())
        f.setValue(Fields(index));
    return f;
}

DaoField DaoRecordset::Field(const QString& name) const
{
    return Field(existingField(*this, name));
}

QVariant DaoRecordset::Fields(int index) const
{
    Data& x = data();
    x.requireField(index);
    if (x.editMode)
        return x.buffer.at(index);
    if (x.deleted)
        throw VbError(3167, kSource, QStringLiteral("The record has been deleted."));
    x.requireCurrent();
    return x.row(x.pos).at(index);
}

QVariant DaoRecordset::Fields(const QString& name) const
{
    return Fields(existingField(*this, name));
}

void DaoRecordset::SetField(const QString& name, const QVariant& value)
{
    Data& x = data();
    // Rows are usually written setting the same names in the same order, so
    // the name set at this step of the last row is tried first. Holding that
    // name keeps its text alive and unchanged, so the same text data is the
    // same name.
    if (x.setStep < x.setOrder.size()) {
        const auto& [known, index] = x.setOrder.at(x.setStep);
        if (known.constData() == name.constData() && known.size() == name.size() && x.editMode) {
            ++x.setStep;
            SetField(index, value);
            return;
        }
    }
    const int index = existingField(*this, name);
    if (x.setStep < x.setOrder.size())
        x.setOrder[x.setStep] = {name, index};
    else if (x.setOrder.size() < 256)
        x.setOrder.append({name, index});
    ++x.setStep;
    SetField(index, value);
}

void DaoRecordset::SetField(int index, const QVariant& value)
{
    Data& x = data();
    x.requireField(index);
    if (!x.editMode)
        notEditing();
    if (x.tableColumn.at(index).isEmpty())
        throw VbError(3164, kSource, QStringLiteral("The field '%1' cannot be updated.").arg(x.fields.at(index).Name()));
    const DaoField& column = x.tableField.at(index);
    if (!x.repeatsColumn) {
        if (!x.dirty.at(index)) {
            x.dirty[index] = true;
            x.touched.append(index);
        }
        if (DaoConnection::keptAsIs(column, value))
            x.buffer[index] = value;
        else
            x.buffer[index] = DaoConnection::normaliseFor(column, value);
        return;
    }
    const QVariant v = DaoConnection::normaliseFor(column, value);
    // The same column may appear more than once ("SELECT *, Horse ...").
    const int first = x.sameColumn.at(index);
    for (int i = first; i < x.fields.size(); ++i) {
        if (x.sameColumn.at(i) == first) {
            x.buffer[i] = v;
            if (!x.dirty.at(i)) {
                x.dirty[i] = true;
                x.touched.append(i);
            }
        }
    }
}

bool DaoRecordset::Updatable() const
{
    return !data().table.isEmpty();
}

QString DaoRecordset::TableName() const
{
    return data().table;
}

void DaoRecordset::AddNew()
{
    Data& x = data();
    x.requireUpdatable();
    x.editMode = 2;
    const qsizetype n = x.fields.size();
    if (x.bufferFresh && x.buffer.size() == n && x.dirty.size() == n) {
        // Only the fields set since the last fresh row need resetting
        // (adding many rows stays cheap).
        for (int i : std::as_const(x.touched)) {
            x.buffer[i] = x.freshRow.at(i);
            x.dirty[i] = false;
        }
    } else {
        x.buffer = x.freshRow;
        x.dirty.fill(false, n);
    }
    x.touched.clear();
    x.bufferFresh = true;
    x.setStep = 0;
}

void DaoRecordset::Edit()
{
    Data& x = data();
    x.requireUpdatable();
    x.requireCurrent();
    x.editMode = 1;
    x.buffer = x.row(x.pos);
    x.dirty = QList<bool>(x.fields.size(), false);
    x.touched.clear();
    x.bufferFresh = false;
    x.setStep = 0;
}

void DaoRecordset::Update()
{
    Data& x = data();
    if (!x.editMode)
        notEditing();
    // The columns written: each table column once.
    QVarLengthArray<int, 64> written;
    quint64 mask = x.editMode == 2 ? 1 : 0;
    for (int i = 0; i < x.fields.size(); ++i) {
        if (x.dirty.at(i) && x.sameColumn.at(i) == i) {
            written.append(i);
            mask |= quint64(1) << ((i + 1) % 64);
        }
    }
    if (x.editMode == 1 && written.isEmpty()) {
        x.lastModified = x.pos;
        x.editMode = 0;
        return;
    }
    // The statement text depends only on which columns are written; beyond
    // 63 columns the mask is not exact, so the text is then not reused.
    QString& sql = x.writeSql[x.fields.size() < 63 ? mask : 0];
    if (sql.isEmpty() || x.fields.size() >= 63) {
        QStringList cols, marks;
        for (int i : written) {
            cols.append(quoteId(x.tableColumn.at(i)));
            marks.append(QStringLiteral("?"));
        }
        if (x.editMode == 2) {
            sql = written.isEmpty() ? QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(quoteId(x.table))
                                    : QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                                          .arg(quoteId(x.table), cols.join(QLatin1String(", ")),
                                               marks.join(QLatin1String(", ")));
        } else {
            sql = QStringLiteral("UPDATE %1 SET %2 = ? WHERE rowid = ?")
                      .arg(quoteId(x.table), cols.join(QLatin1String(" = ?, ")));
        }
    }
    {
        DaoConnection::Statement st(*x.conn, sql);
        st.keepBindings(); // every parameter is bound below, each time
        int k = 1;
        for (int i : written) {
            const DaoField& tf = x.tableField.at(i);
            st.bind(k++, x.buffer.at(i), tf.Type() == DaoType::Text ? tf.Size() : 0);
        }
        if (x.editMode == 1)
            st.bind(k, x.rowids.at(x.pos));
        st.step();
    }
    if (x.editMode == 2) {
        const qint64 rowid = sqlite3_last_insert_rowid(x.conn->db());
        const bool atEnd = x.pos >= x.count();
        // Read back only when it is visited: adding many rows stays cheap.
        x.rows.append(QVariantList());
        x.rowids.append(rowid);
        x.lastModified = x.count() - 1;
        if (atEnd && !x.deleted)
            x.pos = x.count();
    } else {
        x.rows[x.pos] = x.readRow(x.rowids.at(x.pos), x.buffer);
        x.lastModified = x.pos;
    }
    x.editMode = 0;
}

void DaoRecordset::CancelUpdate()
{
    Data& x = data();
    x.editMode = 0;
    x.buffer.clear();
    x.dirty.clear();
    x.touched.clear();
    x.bufferFresh = false;
}

int DaoRecordset::EditMode() const
{
    return data().editMode;
}

void DaoRecordset::Delete()
{
    Data& x = data();
    x.requireUpdatable();
    x.requireCurrent();
    x.editMode = 0;
    x.conn->exec(QStringLiteral("DELETE FROM %1 WHERE rowid = ?").arg(quoteId(x.table)), {x.rowids.at(x.pos)});
    x.rows.removeAt(x.pos);
    x.rowids.removeAt(x.pos);
    if (x.lastModified == x.pos)
        x.lastModified = -1;
    else if (x.lastModified > x.pos)
        --x.lastModified;
    x.deleted = true;
}

void DaoRecordset::MoveToLastModified()
{
    Data& x = data();
    if (x.lastModified < 0 || x.lastModified >= x.count())
        noCurrentRecord();
    x.moveTo(x.lastModified);
}

namespace
{
// Whether the condition can be judged on the table itself: it names only the
// table's columns (a prepare tells).
bool criteriaOnTable(DaoRecordset::Data& x, const QString& criteria, const QVariantList&)
{
    try {
        DaoConnection::Statement probe(*x.conn,
                                       QStringLiteral("SELECT rowid FROM %1 WHERE %2").arg(quoteId(x.table), criteria));
        return true;
    } catch (const VbError&) {
        return false;
    }
}
} // namespace

bool DaoRecordset::find(const QString& criteria, const QVariantList& params, bool forward, int from)
{
    Data& x = data();
    x.noMatch = true;
    const int n = x.count();
    if (n == 0)
        return false;
    if (x.hasRowid && criteriaOnTable(x, criteria, params)) {
        // Let the database judge the condition on the table (its collations
        // apply), then take the first of those rows in the recordset's order.
        QSet<qint64> hits;
        DaoConnection::Statement st(*x.conn,
                                    QStringLiteral("SELECT rowid FROM %1 WHERE %2").arg(quoteId(x.table), criteria));
        st.bind(params);
        while (st.step())
            hits.insert(sqlite3_column_int64(st, 0));
        for (int i = from; i >= 0 && i < n; i += forward ? 1 : -1) {
            if (hits.contains(x.rowids.at(i))) {
                x.pos = i;
                x.deleted = false;
                x.editMode = 0;
                x.noMatch = false;
                return true;
            }
        }
        return false;
    }
    // Otherwise each row's values are tested; texts still compare without
    // regard to case, as in the tables.
    QStringList cols;
    for (int i = 0; i < x.fields.size(); ++i) {
        const DaoType t = x.fields.at(i).Type();
        const bool text = t == DaoType::Text || t == DaoType::Memo
                          || (t == DaoType::Unknown && x.count() && x.row(0).at(i).typeId() == QMetaType::QString);
        cols.append(QStringLiteral("?%1 AS %2")
                        .arg(text ? QStringLiteral(" COLLATE NOCASE") : QString(), quoteId(x.fields.at(i).Name())));
    }
    DaoConnection::Statement st(
        *x.conn, QStringLiteral("SELECT 1 FROM (SELECT %1) WHERE %2").arg(cols.join(QLatin1String(", ")), criteria));
    const int k = static_cast<int>(x.fields.size());
    for (int i = from; i >= 0 && i < n; i += forward ? 1 : -1) {
        sqlite3_reset(st);
        for (int c = 0; c < k; ++c)
            st.bind(c + 1, x.row(i).at(c));
        for (int p = 0; p < params.size(); ++p)
            st.bind(k + p + 1, params.at(p));
        if (st.step()) {
            x.pos = i;
            x.deleted = false;
            x.editMode = 0;
            x.noMatch = false;
            return true;
        }
    }
    return false;
}

bool DaoRecordset::FindFirst(const QString& criteria, const QVariantList& params)
{
    return find(criteria, params, true, 0);
}

bool DaoRecordset::FindLast(const QString& criteria, const QVariantList& params)
{
    return find(criteria, params, false, RecordCount() - 1);
}

bool DaoRecordset::FindNext(const QString& criteria, const QVariantList& params)
{
    const Data& x = data();
    const int from = x.deleted ? x.pos : (x.pos < 0 ? 0 : x.pos + 1);
    return find(criteria, params, true, from);
}

bool DaoRecordset::FindPrevious(const QString& criteria, const QVariantList& params)
{
    const Data& x = data();
    const int from = x.pos >= x.count() ? x.count() - 1 : x.pos - 1;
    return find(criteria, params, false, from);
}

bool DaoRecordset::NoMatch() const
{
    return data().noMatch;
}

void DaoRecordset::Requery()
{
    Data& x = data();
    x.editMode = 0;
    x.deleted = false;
    x.run();
    x.prepareWrites();
    x.pos = 0;
    x.lastModified = -1;
}
