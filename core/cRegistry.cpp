#include "core/cRegistry.h"

#include "platform/VbError.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QRegularExpression>

cRegistry::cRegistry() = default;

cRegistry::cRegistry(const QString& storeFile)
    : m_store(storeFile)
{
}

QString cRegistry::ErrorSource()
{
    QString exe = QCoreApplication::instance() ? QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName()
                                               : QStringLiteral("velmora");
    if (exe.isEmpty())
        exe = QStringLiteral("velmora");
    return exe + QStringLiteral(".cRegistry");
}

void cRegistry::raise(qint64 number, const QString& description) const
{
    throw VbError(number, ErrorSource(), description);
}

void cRegistry::setMachine(const QString& name)
{
    if (name.size() < 3)
        m_machine.clear();
    else if (name.startsWith(QStringLiteral("\\\\")))
        m_machine = name;
    else
        m_machine = QStringLiteral("\\\\") + name;
}

bool cRegistry::KeyExists() const
{
    return m_store.keyExists(m_root, m_section);
}

bool cRegistry::CreateKey()
{
    if (!m_store.createKey(m_root, m_section))
        raise(kErrGeneral, QStringLiteral("Failed to create registry"));
    return true;
}

bool cRegistry::DeleteKey()
{
    if (!m_store.deleteKey(m_root, m_section))
        raise(kErrGeneral, QStringLiteral("Failed to delete registry"));
    return true;
}

bool cRegistry::DeleteValue()
{
    if (!m_store.keyExists(m_root, m_section))
        raise(kErrGeneral, QStringLiteral("Failed to open key '") + rootText() + QStringLiteral("',Section: '")
                               + m_section + QStringLiteral("' for delete access"));
    if (!m_store.deleteValue(m_root, m_section, m_valueName))
        raise(kErrGeneral, QStringLiteral("Failed to delete registry Key: '") + rootText()
                               + QStringLiteral("',Section: '") + m_section + QStringLiteral("',Key: '")
                               + m_valueName);
    return true;
}

quint32 cRegistry::SwapEndian(quint32 v)
{
    return ((v & 0xFFu) << 24) | ((v & 0xFF00u) << 8) | ((v >> 8) & 0xFF00u) | (v >> 24);
}

QString cRegistry::ExpandEnvStr(const QString& text)
{
    static const QRegularExpression ref(QStringLiteral("%([^%]+)%"));
    QString out;
    qsizetype pos = 0;
    auto it = ref.globalMatch(text);
    while (it.hasNext()) {
        const auto m = it.next();
        out += text.mid(pos, m.capturedStart() - pos);
        const QString name = m.captured(1);
        if (qEnvironmentVariableIsSet(name.toLocal8Bit().constData()))
            out += qEnvironmentVariable(name.toLocal8Bit().constData());
        else
            out += m.captured(0);
        pos = m.capturedEnd();
    }
    out += text.mid(pos);
    return out;
}

quint32 cRegistry::TextTypeFor(const QString& text)
{
    const qsizetype first = text.indexOf(QLatin1Char('%'));
    if (first >= 0 && text.indexOf(QLatin1Char('%'), first + 2) >= 0)
        return RegistryStore::REG_EXPAND_SZ;
    return RegistryStore::REG_SZ;
}

namespace
{
QString textOf(const QVariant& v)
{
    if (v.typeId() == QMetaType::Bool)
        return v.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    if (v.typeId() == QMetaType::Float)
        return QString::number(static_cast<double>(v.toFloat()), 'g', 7);
    if (v.typeId() == QMetaType::Double)
        return QString::number(v.toDouble(), 'g', 15);
    return v.toString();
}

QByteArray dwordBytes(qint32 v)
{
    QByteArray b(4, '\0');
    const auto u = static_cast<quint32>(v);
    for (int i = 0; i < 4; ++i)
        b[i] = static_cast<char>((u >> (8 * i)) & 0xFF);
    return b;
}

quint32 dwordFrom(const QByteArray& b)
{
    quint32 v = 0;
    for (int i = 0; i < 4 && i < b.size(); ++i)
        v |= static_cast<quint32>(static_cast<unsigned char>(b[i])) << (8 * i);
    return v;
}
} // namespace

QVariant cRegistry::Value() const
{
    if (!m_machine.isEmpty())
        return m_default; // another computer's registry cannot be reached here
    const auto stored = m_store.readValue(m_root, m_section, m_valueName);
    if (!stored)
        return m_default;
    m_valueType = static_cast<qint32>(stored->type);
    const QByteArray& data = stored->data;
    switch (stored->type) {
    case RegistryStore::REG_SZ:
    case RegistryStore::REG_MULTI_SZ:
    case RegistryStore::REG_EXPAND_SZ: {
        // A text stored with no bytes at all reads as the empty text.
        QByteArray bytes = data;
        if (bytes.endsWith('\0'))
            bytes.chop(1);
        const QString text = QString::fromUtf8(bytes);
        return stored->type == RegistryStore::REG_EXPAND_SZ ? ExpandEnvStr(text) : text;
    }
    case RegistryStore::REG_DWORD:
        return static_cast<qint32>(dwordFrom(data));
    case RegistryStore::REG_DWORD_BIG_ENDIAN:
        return static_cast<qint32>(SwapEndian(dwordFrom(data)));
    default:
        return data;
    }
}

void cRegistry::setValue(QVariant value)
{
    if (!m_machine.isEmpty())
        return; // writes to another computer are not possible here
    const QString asText = textOf(value);
    if (!RegistryStore::rootAvailable(m_root)) {
        raise(kErrGeneral, QStringLiteral("Failed to set registry Value Key: '") + rootText()
                               + QStringLiteral("',Section: '") + m_section + QStringLiteral("',Key:'")
                               + m_valueName + QStringLiteral("' to value: '") + asText + QStringLiteral("'"));
    }
    RegistryStore::Value out;
    bool ok = true;
    switch (m_valueType) {
    case RegistryStore::REG_SZ:
    case RegistryStore::REG_EXPAND_SZ:
        out.type = TextTypeFor(asText);
        out.data = asText.toUtf8();
        out.data.append('\0');
        break;
    case RegistryStore::REG_BINARY:
        if (value.typeId() != QMetaType::QByteArray)
            throw VbError(kErrGeneral, QString(), QString());
        out.type = RegistryStore::REG_BINARY;
        out.data = value.toByteArray();
        break;
    case RegistryStore::REG_DWORD:
    case RegistryStore::REG_DWORD_BIG_ENDIAN: {
        const int t = value.typeId();
        const bool whole = t == QMetaType::Short || t == QMetaType::UShort || t == QMetaType::Int
                           || t == QMetaType::UInt;
        // Anything but a whole number cannot be stored as a DWORD; say so
        // rather than pretend it was written.
        ok = whole;
        out.type = RegistryStore::REG_DWORD;
        out.data = dwordBytes(static_cast<qint32>(value.toLongLong()));
        break;
    }
    default:
        ok = false;
        break;
    }
    if (ok) {
        if (m_batching) {
            m_batch.append({m_valueName, out});
            return;
        }
        ok = m_store.writeValue(m_root, m_section, m_valueName, out);
    }
    if (!ok) {
        raise(kErrSetValue, QStringLiteral("Failed to set registry value Key: '") + rootText()
                                + QStringLiteral("',Section:'") + m_section + QStringLiteral("',Key: '") + m_valueName
                                + QStringLiteral("' to value: '") + asText + QStringLiteral("'"));
    }
}

void cRegistry::BeginBatch()
{
    m_batching = true;
    m_batch.clear();
}

void cRegistry::CommitBatch()
{
    m_batching = false;
    const auto batch = std::exchange(m_batch, {});
    if (batch.isEmpty())
        return;
    if (!m_store.writeValues(m_root, m_section, batch)) {
        raise(kErrSetValue, QStringLiteral("Failed to set registry value Key: '") + rootText()
                                + QStringLiteral("',Section:'") + m_section + QStringLiteral("',Key: '")
                                + batch.first().first + QStringLiteral("' to value: '")
                                + QString::fromUtf8(batch.first().second.data).remove(QChar(0))
                                + QStringLiteral("'"));
    }
}

bool cRegistry::EnumerateValues(QStringList& names, qint32& count) const
{
    names.clear();
    count = 0;
    const auto found = m_store.valueNames(m_root, m_section);
    if (found) {
        names = *found;
        count = static_cast<qint32>(names.size());
    }
    return true;
}

bool cRegistry::EnumerateSections(QStringList& names, qint32& count) const
{
    count = 0;
    names.clear();
    const auto found = m_store.subKeys(m_root, m_section);
    if (found) {
        names = *found;
        count = static_cast<qint32>(names.size());
    }
    return true;
}

QVariant cRegistry::ValueEx(qint32 root, const QString& section, const QString& name, qint32 type,
                            const QVariant& def)
{
    m_root = root;
    m_section = section;
    m_valueName = name;
    m_valueType = type;
    m_default = def;
    return Value();
}

void cRegistry::setValueEx(qint32 root, const QString& section, const QString& name, qint32 type,
                           const QVariant& def, QVariant value)
{
    m_root = root;
    m_section = section;
    m_valueName = name;
    m_valueType = type;
    m_default = def;
    if (type == static_cast<qint32>(RegistryStore::REG_SZ) && textOf(value).isEmpty())
        value = def;
    setValue(value);
}

void cRegistry::setClassesValue(const QString& text)
{
    m_root = RegistryStore::HKEY_CLASSES_ROOT;
    setValue(text);
    const QString section = m_section;
    m_root = RegistryStore::HKEY_LOCAL_MACHINE;
    m_section = QStringLiteral("SOFTWARE\\Classes\\") + section;
    setValue(text);
    m_section = section;
}

void cRegistry::CreateEXEAssociation(QString exePath, const QString& className, const QString& classDescription,
                                     const QString& extension, const QString& openMenuText, bool supportPrint,
                                     const QString& printMenuText, bool supportNew, const QString& newMenuText,
                                     bool supportInstall, const QString& installMenuText, qint32 defaultIcon)
{
    exePath = exePath.trimmed();
    if (!exePath.startsWith(QLatin1Char('"')))
        exePath.prepend(QLatin1Char('"'));
    if (!exePath.endsWith(QLatin1Char('"')) || exePath.size() == 1)
        exePath.append(QLatin1Char('"'));
    const QString arg = QStringLiteral("\"%1\"");

    m_valueType = RegistryStore::REG_SZ;
    m_valueName.clear();
    m_section = QLatin1Char('.') + extension;
    setClassesValue(className);
    m_section = className;
    setClassesValue(classDescription);

    auto verb = [&](const QString& key, const QString& text, const QString& def, const QString& command) {
        m_section = className + QStringLiteral("\\shell\\") + key;
        setClassesValue(text.isEmpty() ? def : text);
        m_section = className + QStringLiteral("\\shell\\") + key + QStringLiteral("\\command");
        setClassesValue(command);
    };
    verb(QStringLiteral("open"), openMenuText, QStringLiteral("&Open"), exePath + QLatin1Char(' ') + arg);
    if (supportPrint)
        verb(QStringLiteral("print"), printMenuText, QStringLiteral("&Print"), exePath + QStringLiteral(" /p ") + arg);
    if (supportInstall)
        verb(QStringLiteral("add"), installMenuText, QStringLiteral("&Install ") + extension,
             exePath + QStringLiteral(" /a ") + arg);
    if (supportNew)
        verb(QStringLiteral("new"), newMenuText, QStringLiteral("&New"), exePath + QStringLiteral(" /n ") + arg);
    if (defaultIcon >= 0) {
        m_section = className + QStringLiteral("\\DefaultIcon");
        setClassesValue(exePath + QLatin1Char(',') + QString::number(defaultIcon));
    }
}

void cRegistry::CreateAdditionalEXEAssociations(const QString& className, const QVariantList& items)
{
    m_assocError = 0;
    m_assocErrorText.clear();
    if (items.isEmpty() || items.size() % 3 != 0) {
        m_assocError = kErrAssocParams;
        m_assocErrorText = QStringLiteral(
            "Invalid parameter list passed to CreateAdditionalEXEAssociations - expected Name/Text/Command");
        return;
    }
    m_root = RegistryStore::HKEY_CLASSES_ROOT;
    m_section = className;
    if (!KeyExists()) {
        m_assocError = kErrAssocNoClass;
        m_assocErrorText = QStringLiteral("Error - attempt to create additional associations before class defined.");
        return;
    }
    for (qsizetype i = 0; i + 2 < items.size(); i += 3) {
        // Each statement's failure is passed over and the next one tried.
        try {
            m_valueType = RegistryStore::REG_SZ;
            m_valueName.clear();
            m_section = className + QStringLiteral("\\shell\\") + items[i].toString();
            setClassesValue(items[i + 1].toString());
        } catch (const VbError&) {
        }
        try {
            m_section = className + QStringLiteral("\\shell\\") + items[i].toString() + QStringLiteral("\\command");
            setClassesValue(items[i + 2].toString());
        } catch (const VbError&) {
        }
    }
}
