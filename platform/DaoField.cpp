#include "platform/DaoField.h"

#include <QRegularExpression>

DaoField::DaoField(QString name, QString declaredType)
    : m_name(std::move(name))
    , m_declared(std::move(declaredType))
{
    m_type = TypeOfDeclared(m_declared, &m_size);
}

DaoType DaoField::TypeOfDeclared(const QString& declaredType, int* size)
{
    static const QRegularExpression re(QStringLiteral(R"(^\s*([A-Za-z ]+?)\s*(?:\(\s*(\d+)\s*(?:,\s*\d+\s*)?\))?\s*$)"));
    const QRegularExpressionMatch m = re.match(declaredType);
    if (size)
        *size = 0;
    if (!m.hasMatch())
        return DaoType::Unknown;
    const QString base = m.captured(1).toUpper().simplified();
    const int n = m.captured(2).toInt();
    if (base == QLatin1String("TEXT") || base == QLatin1String("VARCHAR") || base == QLatin1String("CHAR")
        || base == QLatin1String("NVARCHAR") || base == QLatin1String("NCHAR")) {
        if (size)
            *size = n;
        return n > 0 || base != QLatin1String("TEXT") ? DaoType::Text : DaoType::Memo;
    }
    if (base == QLatin1String("LONGTEXT") || base == QLatin1String("CLOB") || base == QLatin1String("NOTE"))
        return DaoType::Memo;
    if (base == QLatin1String("TINYINT") || base == QLatin1String("BYTE"))
        return DaoType::Byte;
    if (base == QLatin1String("SMALLINT") || base == QLatin1String("SHORT"))
        return DaoType::Integer;
    if (base == QLatin1String("INTEGER") || base == QLatin1String("INT") || base == QLatin1String("LONG")
        || base == QLatin1String("BIGINT"))
        return DaoType::Long;
    if (base == QLatin1String("REAL") || base == QLatin1String("SINGLE") || base == QLatin1String("FLOAT"))
        return DaoType::Single;
    if (base == QLatin1String("DOUBLE") || base == QLatin1String("DOUBLE PRECISION"))
        return DaoType::Double;
    if (base == QLatin1String("CURRENCY") || base == QLatin1String("MONEY"))
        return DaoType::Currency;
    if (base == QLatin1String("DATETIME") || base == QLatin1String("DATE") || base == QLatin1String("TIME"))
        return DaoType::Date;
    if (base == QLatin1String("BOOLEAN") || base == QLatin1String("BIT") || base == QLatin1String("YESNO"))
        return DaoType::Boolean;
    return DaoType::Unknown;
}
