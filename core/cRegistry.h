#pragma once

#include "platform/RegistryStore.h"

#include <QStringList>
#include <QVariant>

/**
 * Typed access to one registry value at a time: set the root (ClassKey), the
 * key path (SectionKey), the value name (ValueKey) and the type to write
 * with (ValueType), then read or assign Value. Also tests, creates and
 * deletes keys, deletes values, lists values and sub-keys, and registers file
 * associations. Failures are raised as VbError with the source
 * "<executable>.cRegistry".
 *
 * Values are QVariants holding nothing (empty), a text, a 16- or 32-bit
 * integer, a Boolean, a float or a byte array.
 */
class cRegistry
{
public:
    static constexpr qint64 kErrGeneral = 26001;
    static constexpr qint64 kErrSetValue = 0x800469A9LL;
    static constexpr qint64 kErrEnumSections = 0x800469AALL;
    static constexpr qint64 kErrAssocParams = 0x800469ACLL;
    static constexpr qint64 kErrAssocNoClass = 0x800469ADLL;

    cRegistry();
    explicit cRegistry(const QString& storeFile);

    QString Machine() const { return m_machine; }
    void setMachine(const QString& name);

    bool KeyExists() const;
    bool CreateKey();
    bool DeleteKey();
    bool DeleteValue();

    QVariant Value() const;
    void setValue(QVariant value);

    bool EnumerateValues(QStringList& names, qint32& count) const;
    bool EnumerateSections(QStringList& names, qint32& count) const;

    void CreateEXEAssociation(QString exePath, const QString& className, const QString& classDescription,
                              const QString& extension, const QString& openMenuText = QString(),
                              bool supportPrint = false, const QString& printMenuText = QString(),
                              bool supportNew = false, const QString& newMenuText = QString(),
                              bool supportInstall = false, const QString& installMenuText = QString(),
                              qint32 defaultIcon = -1);
    void CreateAdditionalEXEAssociations(const QString& className, const QVariantList& items);
    /** The error CreateAdditionalEXEAssociations recorded (0 when none). */
    qint64 LastAssociationError() const { return m_assocError; }
    QString LastAssociationErrorText() const { return m_assocErrorText; }

    qint32 ValueType() const { return m_valueType; }
    void setValueType(qint32 type) { m_valueType = type; }
    qint32 ClassKey() const { return m_root; }
    void setClassKey(qint32 root) { m_root = root; }
    QString SectionKey() const { return m_section; }
    void setSectionKey(const QString& section) { m_section = section; }
    QString ValueKey() const { return m_valueName; }
    void setValueKey(const QString& name) { m_valueName = name; }
    QVariant Default() const { return m_default; }
    void setDefault(const QVariant& value) { m_default = value; }

    QVariant ValueEx(qint32 root, const QString& section, const QString& name, qint32 type, const QVariant& def);
    void setValueEx(qint32 root, const QString& section, const QString& name, qint32 type, const QVariant& def,
                    QVariant value);

    /**
     * Collects value writes instead of writing each one, until CommitBatch
     * writes them all in one atomic update of the store (the settings object
     * saves all its values this way, so a save is never half done).
     */
    void BeginBatch();
    /** Writes the collected values; raises the set-value error on failure. */
    void CommitBatch();
    /** The store file the values live in. */
    QString StoreFile() const { return m_store.file(); }
    /** Why the store's last write failed; empty when it succeeded. */
    QString LastStoreError() const { return m_store.lastError(); }

    static quint32 SwapEndian(quint32 value);
    /** Expands %NAME% references from the environment; unknown names stay. */
    static QString ExpandEnvStr(const QString& text);
    /** The registry text type a text is written with: REG_EXPAND_SZ when it
     *  holds a "%" and another "%" from two characters after it. */
    static quint32 TextTypeFor(const QString& text);
    /** The error source text: the executable's name followed by ".cRegistry". */
    static QString ErrorSource();

private:
    [[noreturn]] void raise(qint64 number, const QString& description) const;
    QString rootText() const { return QString::number(m_root); }
    void setClassesValue(const QString& text);

    mutable RegistryStore m_store;
    qint32 m_root = 0;
    QString m_section;
    QString m_valueName;
    QVariant m_default;
    mutable qint32 m_valueType = 0;
    QString m_machine;
    qint64 m_assocError = 0;
    QString m_assocErrorText;
    bool m_batching = false;
    QList<QPair<QString, RegistryStore::Value>> m_batch;
};
