#include "platform/DaoTableDef.h"

const DaoField* DaoTableDef::FieldExact(const QString& name) const
{
    for (const DaoField& f : m_fields) {
        if (f.Name() == name)
            return &f;
    }
    return nullptr;
}

const DaoField* DaoTableDef::Field(const QString& name) const
{
    for (const DaoField& f : m_fields) {
        if (!f.Name().compare(name, Qt::CaseInsensitive))
            return &f;
    }
    return nullptr;
}
