#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>

#include <optional>

/**
 * Our stand-in for the Windows registry: keys under predefined roots, each key
 * holding named values with a type code and raw bytes. Key paths and value
 * names compare without regard to letter case, as in the registry. The whole
 * store is one JSON file, replaced atomically for every write, so two running
 * copies of the program never see half a file. An instance parses the file
 * once and reads from that until the file changes on disk (another program's
 * write), so loading many values costs one parse, not one per value.
 *
 * Only the current user's part exists: HKEY_LOCAL_MACHINE and every other
 * root answer as a key that is missing and cannot be created.
 */
class RegistryStore
{
public:
    // Predefined roots, as their signed 32-bit handle values.
    static constexpr qint32 HKEY_CLASSES_ROOT = static_cast<qint32>(0x80000000u);
    static constexpr qint32 HKEY_CURRENT_USER = static_cast<qint32>(0x80000001u);
    static constexpr qint32 HKEY_LOCAL_MACHINE = static_cast<qint32>(0x80000002u);
    static constexpr qint32 HKEY_USERS = static_cast<qint32>(0x80000003u);

    // Value type codes.
    static constexpr quint32 REG_NONE = 0;
    static constexpr quint32 REG_SZ = 1;
    static constexpr quint32 REG_EXPAND_SZ = 2;
    static constexpr quint32 REG_BINARY = 3;
    static constexpr quint32 REG_DWORD = 4;
    static constexpr quint32 REG_DWORD_BIG_ENDIAN = 5;
    static constexpr quint32 REG_LINK = 6;
    static constexpr quint32 REG_MULTI_SZ = 7;

    struct Value
    {
        quint32 type = REG_NONE;
        QByteArray data; // raw bytes as the registry keeps them (texts with their terminator)
    };

    /** The store in the file AppPaths::registryFile() names. */
    RegistryStore();
    explicit RegistryStore(const QString& file);

    QString file() const { return m_file; }

    /** True when the root is one the store keeps (the current user's part). */
    static bool rootAvailable(qint32 root);

    bool keyExists(qint32 root, const QString& path) const;
    bool createKey(qint32 root, const QString& path);
    /** Deletes a key that has no sub-keys; false when missing or not empty. */
    bool deleteKey(qint32 root, const QString& path);
    std::optional<Value> readValue(qint32 root, const QString& path, const QString& name) const;
    /** Writes one value, creating the key; false when the root is not kept or
     *  the file cannot be written. */
    bool writeValue(qint32 root, const QString& path, const QString& name, const Value& value);
    /** Writes several values of one key in a single atomic file update. */
    bool writeValues(qint32 root, const QString& path, const QList<QPair<QString, Value>>& values);
    bool deleteValue(qint32 root, const QString& path, const QString& name);
    /** Value names of a key in the order they were first written. */
    std::optional<QStringList> valueNames(qint32 root, const QString& path) const;
    /** Names of the direct sub-keys. */
    std::optional<QStringList> subKeys(qint32 root, const QString& path) const;

    /** The last problem met reading the file (unreadable store moved aside). */
    QString lastWarning() const { return m_warning; }
    /** Why the last write of the file failed (the system's reason, e.g. "No
     *  space left on device"); empty after a write that succeeded. */
    QString lastError() const { return m_error; }

    /** A store file found damaged: where it was and the name it was kept
     *  under. A kept copy is never overwritten: each damage gets a new name. */
    struct Damage
    {
        QString file;
        QString keptAs;
    };
    /** The damage met since the last call (by any instance), once. */
    static std::optional<Damage> takeDamage();

    /** How many times any instance has parsed a store file (for checking
     *  that a load of many values parses it once). */
    static quint64 parseCount();

private:
    struct Key
    {
        QString path; // as first written
        QList<QPair<QString, Value>> values;
    };
    using Tree = QMap<QString, Key>; // by lower-cased "root\path"

    /** The file's content, parsed again only when the file changed. */
    const Tree& load() const;
    Tree parse() const;
    bool save(const Tree& tree);
    static QString keyId(qint32 root, const QString& path);
    /** Creates the key and its missing parents, as the registry does. */
    static void ensureKey(Tree& tree, qint32 root, const QString& path);
    /** Position of the value named `name` (case ignored) in the key, or -1. */
    static qsizetype valueIndex(const Key& key, const QString& name);
    static QString normalise(const QString& path);

    QString m_file;
    mutable QString m_warning;
    QString m_error;
    /** What identifies one version of the file on disk. */
    struct Stamp
    {
        bool exists = false;
        quint64 device = 0, inode = 0;
        qint64 size = 0, modifiedNs = 0, changedNs = 0;
        bool operator==(const Stamp&) const = default;
    };
    Stamp stamp() const;
    mutable std::optional<Stamp> m_cachedStamp;
    mutable Tree m_cache;
};
