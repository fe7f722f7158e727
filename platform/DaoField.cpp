#include "platform/DaoField.h"

#include <cstring>

DaoField::DaoField(QString name, QString declaredType)
    : m_name(std::move(name))
    , m_declared(std::move(declaredType))
{
    m_type = TypeOfDeclared(m_declared, &m_size);
}

DaoType DaoField::TypeOfDeclared(const QString& declaredType, int* size)
{
    return TypeOfDeclared(declaredType.toLatin1().constData(), size);
}

DaoType DaoField::TypeOfDeclared(const char* decl, int* size)
{
    // Read without allocating: this runs for every column of every row read.
    if (size)
        *size = 0;
    if (!decl)
        return DaoType::Unknown;
    while (*decl == ' ')
        ++decl;
    char base[24];
    int n = 0;
    while (*decl && *decl != '(' && n < 23) {
        const char c = *decl++;
        base[n++] = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
    }
    while (n > 0 && base[n - 1] == ' ')
        --n;
    base[n] = '\0';
    int number = 0;
    if (*decl == '(') {
        ++decl;
        while (*decl == ' ')
            ++decl;
        while (*decl >= '0' && *decl <= '9')
            number = number * 10 + (*decl++ - '0');
    } else if (*decl) {
        return DaoType::Unknown; // a longer name than any kind we know
    }
    auto is = [&](const char* name) { return std::strcmp(base, name) == 0; };
    if (is("TEXT") || is("VARCHAR") || is("CHAR") || is("NVARCHAR") || is("NCHAR")) {
        if (size)
            *size = number;
        return number > 0 || !is("TEXT") ? DaoType::Text : DaoType::Memo;
    }
    if (is("LONGTEXT") || is("CLOB") || is("NOTE"))
        return DaoType::Memo;
    if (is("TINYINT") || is("BYTE"))
        return DaoType::Byte;
    if (is("SMALLINT") || is("SHORT"))
        return DaoType::Integer;
    if (is("INTEGER") || is("INT") || is("LONG") || is("BIGINT"))
        return DaoType::Long;
    if (is("REAL") || is("SINGLE") || is("FLOAT"))
        return DaoType::Single;
    if (is("DOUBLE") || is("DOUBLE PRECISION"))
        return DaoType::Double;
    if (is("CURRENCY") || is("MONEY"))
        return DaoType::Currency;
    if (is("DATETIME") || is("DATE") || is("TIME"))
        return DaoType::Date;
    if (is("BOOLEAN") || is("BIT") || is("YESNO"))
        return DaoType::Boolean;
    return DaoType::Unknown;
}
