#pragma once

#include "platform/DaoField.h"

#include <QList>
#include <QString>
#include <QVariant>

#include <memory>

class DaoConnection;

/**
 * The rows of a query, read into memory when the recordset is opened, with a
 * current-row position that moves like the program's recordsets always have:
 * BOF before the first row, EOF after the last, both at once when empty.
 *
 * A recordset on one table (a table name, or a SELECT from one table without
 * grouping) is updatable: AddNew/Edit, SetField, Update write the row back by
 * its rowid, Delete removes it. Texts are cut to their column's stated size
 * and values are stored in the database's formats (see DaoDatabase).
 *
 * Values: Null is an invalid QVariant (QVariant().isValid() == false); an
 * empty text is a valid empty QString. Whole numbers come back as int (or
 * qlonglong when too large), REAL/DOUBLE/CURRENCY as double, Yes/No as bool,
 * DATETIME as QDateTime (a time of day on 1899-12-30), other texts as QString.
 *
 * Copies share one state, like object references. Failures throw VbError.
 */
class DaoRecordset
{
public:
    DaoRecordset();
    ~DaoRecordset();
    DaoRecordset(const DaoRecordset&);
    DaoRecordset& operator=(const DaoRecordset&);
    DaoRecordset(DaoRecordset&&) noexcept;
    DaoRecordset& operator=(DaoRecordset&&) noexcept;

    /** False for a default-constructed or closed recordset. */
    bool IsOpen() const;
    /** Drops the rows; a pending AddNew/Edit is cancelled. */
    void Close();

    // Position
    bool Bof() const;
    bool Eof() const;
    /** Number of rows (all rows are read at open). */
    int RecordCount() const;
    /** 0-based index of the current row; -1 at BOF/EOF. */
    int AbsolutePosition() const;
    void SetAbsolutePosition(int index);
    void MoveFirst();
    void MoveLast();
    void MoveNext();
    void MovePrevious();

    // Fields
    int FieldCount() const;
    /** Name, kind and size of column `index` (0-based), value of the current row. */
    DaoField Field(int index) const;
    DaoField Field(const QString& name) const;
    /** Column index of `name` (letter case ignored; "N.Jockey" also finds a
     *  column Jockey of table alias N when names repeat), -1 when none. */
    int FieldIndex(const QString& name) const;
    /** Value of a column in the current row (also the pending AddNew/Edit
     *  value). Throws when there is no current row or no such column. */
    QVariant Fields(int index) const;
    QVariant Fields(const QString& name) const;
    /** Sets a column of the pending AddNew/Edit row. */
    void SetField(const QString& name, const QVariant& value);
    void SetField(int index, const QVariant& value);

    // Changes (updatable recordsets)
    bool Updatable() const;
    /** Name of the table the recordset writes to (empty when read-only). */
    QString TableName() const;
    /** Starts a new row: every column Null, or its default. */
    void AddNew();
    /** Starts changing the current row. */
    void Edit();
    /** Writes the pending row. A new row is appended at the end of the
     *  recordset and the current row stays where it was; an edited row is
     *  re-read (defaults, cut texts). */
    void Update();
    void CancelUpdate();
    /** 0 none, 1 editing, 2 adding. */
    int EditMode() const;
    /** Deletes the current row; MoveNext then goes to the row after it. */
    void Delete();
    /** Moves to the row last added or edited. */
    void MoveToLastModified();

    // Searching among the rows already read
    /** Moves to the first row for which the SQL condition holds (column names
     *  as in the recordset, e.g. "MeetingCode = ? AND RaceNumber = ?", with
     *  `params` bound in order). NoMatch() tells whether one was found; when
     *  none is, the current row does not change. */
    bool FindFirst(const QString& criteria, const QVariantList& params = {});
    bool FindNext(const QString& criteria, const QVariantList& params = {});
    bool FindLast(const QString& criteria, const QVariantList& params = {});
    bool FindPrevious(const QString& criteria, const QVariantList& params = {});
    bool NoMatch() const;

    /** Re-runs the query and goes to the first row. */
    void Requery();

    struct Data;

private:
    friend class DaoDatabase;
    std::shared_ptr<Data> d;
    explicit DaoRecordset(std::shared_ptr<Data> data);
    static DaoRecordset open(const std::shared_ptr<DaoConnection>& conn, const QString& sql,
                             const QVariantList& params);
    Data& data() const;
    bool find(const QString& criteria, const QVariantList& params, bool forward, int from);
};
