#include "records/DaoTableModel.h"

#include "core/modDatabase.h"
#include "core/modText.h"
#include "platform/Prompts.h"
#include "platform/VbError.h"
#include "records/RecordFormats.h"

DaoTableModel::DaoTableModel(QString table, QList<Column> columns, QObject* parent)
    : QAbstractTableModel(parent), m_table(std::move(table)), m_columns(std::move(columns))
{
}

bool DaoTableModel::load()
{
    QStringList fields;
    for (const Column& c : m_columns)
        fields << c.field;
    QList<Row> rows;
    QList<int> sizes;
    try
    {
        // The sizes the table declares: a longer text is refused, never cut.
        const DaoTableDef def = modDatabase::OpenLocalDatabase().TableDef(m_table);
        for (const Column& c : m_columns)
            sizes << RecordFormats::TextColumnSize(def, c.field);
        DaoRecordset rs = modDatabase::OpenLocalRecordset(QStringLiteral("SELECT rowid, ") + fields.join(QStringLiteral(", ")) +
                                                          QStringLiteral(" FROM ") + m_table +
                                                          QStringLiteral(" ORDER BY rowid"));
        for (; !rs.Eof(); rs.MoveNext())
        {
            Row r;
            r.rowid = rs.Fields(0).toLongLong();
            for (int i = 0; i < m_columns.size(); ++i)
                r.values << rs.Fields(i + 1);
            rows << r;
        }
    }
    catch (const VbError& e)
    {
        Prompts::MsgBox(QStringLiteral("Opening the table ") + m_table + QStringLiteral(" failed: ") + e.description(),
                        Prompts::vbCritical);
        return false;
    }
    beginResetModel();
    m_rows = rows;
    m_sizes = sizes;
    endResetModel();
    return true;
}

bool DaoTableModel::isDirty(int row) const
{
    return row >= 0 && row < m_rows.size() && m_rows.at(row).dirty;
}

bool DaoTableModel::hasChanges() const
{
    for (const Row& r : m_rows)
        if (r.dirty)
            return true;
    return false;
}

bool DaoTableModel::submitRow(int row)
{
    if (!isDirty(row))
        return true;
    Row& r = m_rows[row];
    QStringList fields;
    for (const Column& c : m_columns)
        fields << c.field;
    try
    {
        DaoDatabase db = modDatabase::OpenLocalDatabase();
        QVariantList params;
        for (int i = 0; i < m_columns.size(); ++i)
            params << db.FitToField(m_table, m_columns.at(i).field, r.values.at(i));
        if (r.rowid == 0)
        {
            QStringList marks;
            for (int i = 0; i < fields.size(); ++i)
                marks << QStringLiteral("?");
            db.Execute(QStringLiteral("INSERT INTO ") + m_table + QStringLiteral(" (") + fields.join(QStringLiteral(", ")) +
                           QStringLiteral(") VALUES (") + marks.join(QStringLiteral(", ")) + QStringLiteral(")"),
                       params);
            r.rowid = db.Scalar(QStringLiteral("SELECT last_insert_rowid()")).toLongLong();
        }
        else
        {
            QStringList sets;
            for (const QString& f : fields)
                sets << f + QStringLiteral(" = ?");
            params << r.rowid;
            if (db.Execute(QStringLiteral("UPDATE ") + m_table + QStringLiteral(" SET ") + sets.join(QStringLiteral(", ")) +
                               QStringLiteral(" WHERE rowid = ?"),
                           params) != 1)
                throw VbError(3021, m_table, QStringLiteral("the row is no longer in the table"));
        }
    }
    catch (const VbError& e)
    {
        Prompts::MsgBox(QStringLiteral("Saving the row failed: ") + e.description(), Prompts::vbCritical);
        return false;
    }
    r.dirty = false;
    return true;
}

bool DaoTableModel::submitAll()
{
    bool ok = true;
    for (int row = 0; row < m_rows.size(); ++row)
        if (!submitRow(row))
            ok = false;
    return ok;
}

bool DaoTableModel::deleteRow(int row)
{
    if (row < 0 || row >= m_rows.size())
        return false;
    const qint64 rowid = m_rows.at(row).rowid;
    if (rowid != 0)
    {
        try
        {
            modDatabase::OpenLocalDatabase().Execute(QStringLiteral("DELETE FROM ") + m_table +
                                                         QStringLiteral(" WHERE rowid = ?"),
                                                     {rowid});
        }
        catch (const VbError& e)
        {
            Prompts::MsgBox(QStringLiteral("Deleting the row failed: ") + e.description(), Prompts::vbCritical);
            return false;
        }
    }
    beginRemoveRows(QModelIndex(), row, row);
    m_rows.removeAt(row);
    endRemoveRows();
    return true;
}

int DaoTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size()) + 1;
}

int DaoTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_columns.size());
}

QString DaoTableModel::displayText(Kind kind, const QVariant& value)
{
    if (!value.isValid())
        return QString();
    switch (kind)
    {
    case Kind::Money:
        return RecordFormats::MoneyText(value.toDouble());
    case Kind::Date:
        return RecordFormats::ShortDateText(value.toDate());
    case Kind::Integer:
        return QString::number(value.toLongLong());
    case Kind::Text:
        break;
    }
    return value.toString();
}

QVariant DaoTableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.column() >= m_columns.size())
        return {};
    const Column& c = m_columns.at(index.column());
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(c.align | Qt::AlignVCenter);
    if (role != Qt::DisplayRole && role != Qt::EditRole)
        return {};
    const QVariant value = index.row() < m_rows.size() ? m_rows.at(index.row()).values.at(index.column()) : QVariant();
    if (role == Qt::DisplayRole)
        return displayText(c.kind, value);
    // Every kind is typed as text and checked when handed back: a date or spin box
    // editor quietly turns an impossible entry into some other value ("1e300" into 1300).
    switch (c.kind)
    {
    case Kind::Money:
        // Plain decimals, so an editor opened and left unchanged changes nothing.
        return value.isValid() ? RecordFormats::PlainNumberText(value.toDouble()) : QString();
    case Kind::Date:
        return value.isValid() ? value.toDate().toString(QStringLiteral("d/M/yyyy")) : QString();
    case Kind::Integer:
        return value.isValid() ? QString::number(value.toLongLong()) : QString();
    case Kind::Text:
        break;
    }
    return value.isValid() ? value.toString() : QString();
}

std::optional<QVariant> DaoTableModel::toStored(int column, const QVariant& value, QString& problem) const
{
    if (!value.isValid())
        return QVariant();
    const Column& c = m_columns.at(column);
    const bool typed = value.typeId() == QMetaType::QString;
    if (typed && c.kind != Kind::Text && value.toString().trimmed().isEmpty())
        return QVariant(); // an emptied cell is stored empty
    switch (c.kind)
    {
    case Kind::Money:
    {
        // A booking rate is a rate: the money rule for fees and rates.
        const QString text = typed ? value.toString() : QString::number(value.toDouble(), 'f', 4);
        problem = RecordFormats::MoneyProblem(c.caption, text, RecordFormats::Sign::NotNegative);
        if (!problem.isEmpty())
            return std::nullopt;
        return RecordFormats::MoneyValue(text).toDouble();
    }
    case Kind::Date:
    {
        const std::optional<QDate> d = typed ? modText::ParseDate(value.toString()) : std::optional(value.toDate());
        problem = RecordFormats::DateProblem(c.caption, d);
        if (!problem.isEmpty())
            return std::nullopt;
        return *d;
    }
    case Kind::Integer:
        if (typed)
        {
            const std::optional<qint32> n = modText::WholeNumber(value.toString());
            if (!n)
            {
                problem = c.caption + QStringLiteral(" must be a whole number.");
                return std::nullopt;
            }
            return *n;
        }
        return value.toInt();
    case Kind::Text:
        break;
    }
    problem = RecordFormats::TextProblem(c.caption, value.toString(), m_sizes.value(column));
    if (!problem.isEmpty())
        return std::nullopt;
    return value.toString();
}

void DaoTableModel::refuse(const QString& problem)
{
    // The message box takes the focus from the cell's editor, which hands the same text
    // back again: one message is enough.
    m_refusing = true;
    Prompts::MsgBox(problem, Prompts::vbExclamation, QStringLiteral("Invalid Entry"));
    m_refusing = false;
}

bool DaoTableModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (!index.isValid() || role != Qt::EditRole || index.column() >= m_columns.size())
        return false;
    if (m_refusing)
        return false;
    QString problem;
    const std::optional<QVariant> checked = toStored(index.column(), value, problem);
    if (!checked)
    {
        // Nothing is stored for a value that cannot be one of the column's; the
        // window offers the typed text again for correcting.
        refuse(problem);
        emit refused(index, value.toString());
        return false;
    }
    const QVariant stored = *checked;
    const int row = index.row();
    if (row == m_rows.size())
    {
        // An editor left empty on the blank row has typed nothing: no new row.
        if (!stored.isValid() || (stored.typeId() == QMetaType::QString && stored.toString().isEmpty()))
            return true;
        // Typing in the blank row makes it a new row; a fresh blank row follows it.
        Row r;
        for (int i = 0; i < m_columns.size(); ++i)
            r.values << QVariant();
        beginInsertRows(QModelIndex(), row + 1, row + 1);
        m_rows << r;
        endInsertRows();
    }
    Row& r = m_rows[row];
    if (r.values.at(index.column()) == stored && r.values.at(index.column()).isValid() == stored.isValid())
        return true;
    r.values[index.column()] = stored;
    r.dirty = true;
    emit dataChanged(index, index);
    return true;
}

Qt::ItemFlags DaoTableModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsEditable;
}

QVariant DaoTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Horizontal)
        return section < m_columns.size() ? m_columns.at(section).caption : QString();
    // The blank row is marked as the place for a new row.
    return section == m_rows.size() ? QStringLiteral("*") : QString();
}
