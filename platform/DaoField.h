#pragma once

#include <QString>
#include <QVariant>

/** The kinds of column the local database holds, named as the program knows
 *  them (text with a size, memo, whole numbers, floating point, money, date,
 *  yes/no). */
enum class DaoType
{
    Unknown,
    Text,     ///< TEXT(n): text of at most Size() characters
    Memo,     ///< LONGTEXT: text of any length
    Byte,     ///< TINYINT
    Integer,  ///< SMALLINT: 16-bit whole number
    Long,     ///< INTEGER: 32-bit whole number (64 bits are kept)
    Single,   ///< REAL: single-precision number
    Double,   ///< DOUBLE
    Currency, ///< CURRENCY: money, four decimals
    Date,     ///< DATETIME: ISO text "YYYY-MM-DD", "YYYY-MM-DD HH:MM:SS" or "HH:MM:SS"
    Boolean,  ///< BOOLEAN: Yes/No, stored 0/1, never Null
};

/**
 * One column: of a table definition (name, kind, size, declared type) or of
 * a recordset (then also the value of the current row and, when the column
 * comes straight from a table, that table and column).
 */
class DaoField
{
public:
    DaoField() = default;
    DaoField(QString name, QString declaredType);

    const QString& Name() const { return m_name; }
    DaoType Type() const { return m_type; }
    /** The stated size of a text column, in characters; 0 when none. */
    int Size() const { return m_size; }
    /** The declared type as the schema writes it ("TEXT(24)", "REAL"). */
    const QString& DeclaredType() const { return m_declared; }
    /** The collation of a text column ("NOCASE"), empty when unknown. */
    const QString& Collation() const { return m_collation; }
    bool NotNull() const { return m_notNull; }
    bool PrimaryKey() const { return m_primaryKey; }
    /** Default value text as the schema writes it, empty when none. */
    const QString& DefaultValue() const { return m_default; }

    /** For a recordset column: the table and column it comes from (empty for
     *  an expression); writable columns are those of the recordset's table. */
    const QString& SourceTable() const { return m_sourceTable; }
    const QString& SourceField() const { return m_sourceField; }

    /** For a recordset column: the value in the current row (an invalid
     *  QVariant for Null). */
    const QVariant& Value() const { return m_value; }

    /** The kind a declared type stands for ("TEXT(24)" → Text, size 24). */
    static DaoType TypeOfDeclared(const QString& declaredType, int* size = nullptr);
    static DaoType TypeOfDeclared(const char* declaredType, int* size = nullptr);

    // Setters used by the layer when it describes a column.
    void setCollation(const QString& c) { m_collation = c; }
    void setNotNull(bool b) { m_notNull = b; }
    void setPrimaryKey(bool b) { m_primaryKey = b; }
    void setDefaultValue(const QString& d) { m_default = d; }
    void setSource(const QString& table, const QString& field)
    {
        m_sourceTable = table;
        m_sourceField = field;
    }
    void setValue(const QVariant& v) { m_value = v; }
    void setType(DaoType t) { m_type = t; }

private:
    QString m_name;
    QString m_declared;
    DaoType m_type = DaoType::Unknown;
    int m_size = 0;
    QString m_collation;
    bool m_notNull = false;
    bool m_primaryKey = false;
    QString m_default;
    QString m_sourceTable;
    QString m_sourceField;
    QVariant m_value;
};
