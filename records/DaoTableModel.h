#pragma once

#include <QAbstractTableModel>
#include <QList>
#include <QString>
#include <QVariant>

#include <optional>

/**
 * An editable table of the local database as a Qt model: the rows of one
 * table in the order they were stored, each kept by its rowid, plus one blank
 * row at the end where a new row is typed in.
 *
 * Edits stay in the model until the row is written with submitRow() (the
 * window does that when the current row changes and when it closes): a
 * changed row is updated, a new row inserted (the blank row moves down). A
 * row that could not be written is reported and stays changed, so nothing
 * typed is lost and it is tried again at the next write.
 */
class DaoTableModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum class Kind
    {
        Text,    // shown as stored
        Integer, // whole number
        Money,   // "$#,##0.00"
        Date,    // "d/M/yy"
    };
    struct Column
    {
        QString field;   // column of the table
        QString caption; // header text
        Kind kind = Kind::Text;
        Qt::Alignment align = Qt::AlignLeft;
    };

    DaoTableModel(QString table, QList<Column> columns, QObject* parent = nullptr);

    /** Reads the table's rows; false (after telling the user) when it cannot. */
    bool load();

    const QList<Column>& columnList() const { return m_columns; }
    /** Row number of the blank new row. */
    int newRow() const { return static_cast<int>(m_rows.size()); }
    /** True when `row` has changes not yet written. */
    bool isDirty(int row) const;
    bool hasChanges() const;

    /** Writes `row` when it changed; false (after telling the user) when the
     *  database refused it. */
    bool submitRow(int row);
    /** Writes every changed row; false when one failed. */
    bool submitAll();
    /** Deletes a stored row at once (the blank row cannot be deleted). */
    bool deleteRow(int row);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    /** Display text of a value of a column's kind. */
    static QString displayText(Kind kind, const QVariant& value);

    /** The most characters a text column holds (from the table's definition);
     *  0 when it has no limit. */
    int textSize(int column) const { return m_sizes.value(column); }

signals:
    /** A value typed into `index` was refused (the user has been told why);
     *  `typed` is the text as typed, so the window can offer it again. */
    void refused(const QModelIndex& index, const QString& typed);

private:
    struct Row
    {
        qint64 rowid = 0; // 0: not stored yet
        QVariantList values;
        bool dirty = false;
    };
    /** The value as stored in `column`; nothing (with the reason in `problem`)
     *  when it cannot be stored there: an impossible date or one outside the
     *  years money and dates are checked for, a number that is not whole, an
     *  amount that is not money, negative or beyond the limit, a text longer
     *  than the column. */
    std::optional<QVariant> toStored(int column, const QVariant& value, QString& problem) const;
    /** Tells the user why a typed value was not taken. */
    void refuse(const QString& problem);

    QString m_table;
    QList<Column> m_columns;
    QList<Row> m_rows;
    QList<int> m_sizes; // per column: the most characters a text column holds
    bool m_refusing = false;
};
