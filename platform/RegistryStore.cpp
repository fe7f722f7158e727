#include "platform/RegistryStore.h"

#include "platform/AppPaths.h"
#include "platform/FileSync.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLockFile>
#include <QSaveFile>

#include <atomic>

#include <cerrno>

#include <sys/stat.h>

RegistryStore::RegistryStore()
    : m_file(AppPaths::registryFile())
{
}

RegistryStore::RegistryStore(const QString& file)
    : m_file(file)
{
}

bool RegistryStore::rootAvailable(qint32 root)
{
    return root == HKEY_CURRENT_USER || root == HKEY_CLASSES_ROOT;
}

QString RegistryStore::normalise(const QString& path)
{
    QStringList parts = path.split(QLatin1Char('\\'), Qt::SkipEmptyParts);
    return parts.join(QLatin1Char('\\'));
}

QString RegistryStore::keyId(qint32 root, const QString& path)
{
    const QString p = normalise(path);
    return (QString::number(root) + QLatin1Char('\\') + p).toLower();
}

namespace
{
// Holds the store's lock file while a write reads, changes and replaces the
// file, so two programs writing at once do not lose each other's change.
class WriteLock
{
public:
    explicit WriteLock(const QString& file)
        : m_lock(file + QStringLiteral(".lock"))
    {
        m_lock.tryLock(5000);
    }

private:
    QLockFile m_lock;
};

bool isText(quint32 type)
{
    return type == RegistryStore::REG_SZ || type == RegistryStore::REG_EXPAND_SZ || type == RegistryStore::REG_MULTI_SZ;
}

// The store holds the data-service account (user name and password): the
// file, its damaged copies and a folder made for it are its owner's alone,
// whatever the umask.
constexpr mode_t kOwnerFileMode = 0600;
constexpr mode_t kOwnerFolderMode = 0700;

/** Makes `dir` and any missing folder above it, each owner-only. Folders
 *  that exist already are left as they are. */
bool makeOwnerOnlyPath(const QString& dir)
{
    const QString path = QDir::cleanPath(QDir(dir).absolutePath());
    if (QFileInfo(path).isDir())
        return true;
    const QString parent = QFileInfo(path).path();
    if (parent != path && !makeOwnerOnlyPath(parent))
        return false;
    const QByteArray native = QFile::encodeName(path);
    if (::mkdir(native.constData(), kOwnerFolderMode) != 0)
        return errno == EEXIST && QFileInfo(path).isDir();
    // The umask may have taken the owner's own rights away.
    ::chmod(native.constData(), kOwnerFolderMode);
    return true;
}
} // namespace

void RegistryStore::ensureKey(Tree& tree, qint32 root, const QString& path)
{
    const QStringList parts = normalise(path).split(QLatin1Char('\\'), Qt::SkipEmptyParts);
    QString sofar;
    for (const QString& part : parts) {
        sofar = sofar.isEmpty() ? part : sofar + QLatin1Char('\\') + part;
        const QString id = keyId(root, sofar);
        if (!tree.contains(id))
            tree.insert(id, Key{sofar, {}});
    }
}

qsizetype RegistryStore::valueIndex(const Key& key, const QString& name)
{
    for (qsizetype i = 0; i < key.values.size(); ++i) {
        if (key.values.at(i).first.compare(name, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

namespace
{
std::optional<RegistryStore::Damage>& pendingDamage()
{
    static std::optional<RegistryStore::Damage> damage;
    return damage;
}
} // namespace

static std::atomic<quint64> g_parses{0};

quint64 RegistryStore::parseCount()
{
    return g_parses.load();
}

std::optional<RegistryStore::Damage> RegistryStore::takeDamage()
{
    std::optional<Damage> out;
    out.swap(pendingDamage());
    return out;
}

RegistryStore::Stamp RegistryStore::stamp() const
{
    Stamp s;
    struct stat st{};
    if (::stat(QFile::encodeName(m_file).constData(), &st) != 0)
        return s;
    s.exists = true;
    s.device = static_cast<quint64>(st.st_dev);
    s.inode = static_cast<quint64>(st.st_ino);
    s.size = static_cast<qint64>(st.st_size);
    s.modifiedNs = static_cast<qint64>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
    s.changedNs = static_cast<qint64>(st.st_ctim.tv_sec) * 1000000000LL + st.st_ctim.tv_nsec;
    return s;
}

const RegistryStore::Tree& RegistryStore::load() const
{
    // Every write replaces the file (a new inode), and any other change moves
    // its times or size: an unchanged stamp means an unchanged store.
    const Stamp now = stamp();
    if (m_cachedStamp && *m_cachedStamp == now)
        return m_cache;
    m_cache = parse();
    // A damaged file was moved aside while parsing: stamp what is there now.
    m_cachedStamp = stamp();
    return m_cache;
}

RegistryStore::Tree RegistryStore::parse() const
{
    ++g_parses;
    Tree tree;
    QFile f(m_file);
    if (!f.exists())
        return tree;
    if (!f.open(QIODevice::ReadOnly)) {
        m_warning = QStringLiteral("cannot read %1").arg(m_file);
        return tree;
    }
    QJsonParseError err{};
    const QJsonDocument doc = QJsonDocument::fromJson(f.readAll(), &err);
    f.close();
    if (err.error != QJsonParseError::NoError || !doc.isObject()) {
        // Keep the damaged file for inspection; the program goes on with an
        // empty store (its settings' defaults) instead of failing to start.
        // An earlier kept copy stays as it is: this one gets a name of its own.
        QString kept = m_file + QStringLiteral(".bak");
        for (int n = 2; QFileInfo::exists(kept); ++n)
            kept = m_file + QStringLiteral(".bak.") + QString::number(n);
        if (QFile::rename(m_file, kept)) {
            ::chmod(QFile::encodeName(kept).constData(), kOwnerFileMode);
            m_warning = QStringLiteral("%1 is damaged (%2); kept as %3").arg(m_file, err.errorString(), kept);
            pendingDamage() = Damage{m_file, kept};
        } else {
            m_warning = QStringLiteral("%1 is damaged (%2)").arg(m_file, err.errorString());
            pendingDamage() = Damage{m_file, m_file};
        }
        return tree;
    }
    const QJsonArray keys = doc.object().value(QStringLiteral("keys")).toArray();
    for (const QJsonValue& kv : keys) {
        const QJsonObject ko = kv.toObject();
        Key key;
        const qint32 root = ko.value(QStringLiteral("root")).toInt();
        key.path = ko.value(QStringLiteral("path")).toString();
        const QJsonArray values = ko.value(QStringLiteral("values")).toArray();
        for (const QJsonValue& vv : values) {
            const QJsonObject vo = vv.toObject();
            Value v;
            v.type = static_cast<quint32>(vo.value(QStringLiteral("type")).toInteger());
            if (vo.contains(QStringLiteral("text"))) {
                v.data = vo.value(QStringLiteral("text")).toString().toUtf8();
                v.data.append('\0');
            } else {
                v.data = QByteArray::fromHex(vo.value(QStringLiteral("hex")).toString().toLatin1());
            }
            key.values.append({vo.value(QStringLiteral("name")).toString(), v});
        }
        tree.insert(keyId(root, key.path), key);
    }
    return tree;
}

bool RegistryStore::save(const Tree& tree)
{
    QJsonArray keys;
    for (auto it = tree.cbegin(); it != tree.cend(); ++it) {
        const qint32 root = it.key().section(QLatin1Char('\\'), 0, 0).toInt();
        QJsonObject ko;
        ko.insert(QStringLiteral("root"), root);
        ko.insert(QStringLiteral("path"), it->path);
        QJsonArray values;
        for (const auto& [name, v] : it->values) {
            QJsonObject vo;
            vo.insert(QStringLiteral("name"), name);
            vo.insert(QStringLiteral("type"), static_cast<qint64>(v.type));
            // Texts stay readable in the file when they are plain terminated UTF-8.
            const bool readable = isText(v.type) && v.data.endsWith('\0')
                                  && QString::fromUtf8(v.data.left(v.data.size() - 1)).toUtf8()
                                         == v.data.left(v.data.size() - 1);
            if (readable)
                vo.insert(QStringLiteral("text"), QString::fromUtf8(v.data.left(v.data.size() - 1)));
            else
                vo.insert(QStringLiteral("hex"), QString::fromLatin1(v.data.toHex()));
            values.append(vo);
        }
        ko.insert(QStringLiteral("values"), values);
        keys.append(ko);
    }
    QJsonObject top;
    top.insert(QStringLiteral("keys"), keys);

    m_error.clear();
    makeOwnerOnlyPath(QFileInfo(m_file).absolutePath());
    // Unbuffered, so a write the disk refuses (full, over the file-size
    // limit) fails here and is seen, instead of in a flush whose failure the
    // commit would not report: a store cut short must never replace the
    // whole one.
    QSaveFile out(m_file);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        m_error = out.errorString();
        return false;
    }
    // The new file would take the old one's mode or the umask's; a store
    // left readable by others is narrowed here, at its next save. (A file
    // system without modes refuses this, and has nothing to narrow.)
    if (out.handle() >= 0)
        ::fchmod(out.handle(), kOwnerFileMode);
    const QByteArray content = QJsonDocument(top).toJson(QJsonDocument::Indented);
    if (!FileSync::writeAll(out, content) || !out.flush()) {
        m_error = out.errorString();
        out.cancelWriting(); // the old store stays as it was
        return false;
    }
    if (!out.commit()) {
        m_error = out.errorString();
        return false;
    }
    return true;
}

bool RegistryStore::keyExists(qint32 root, const QString& path) const
{
    if (!rootAvailable(root))
        return false;
    if (normalise(path).isEmpty())
        return true;
    return load().contains(keyId(root, path));
}

bool RegistryStore::createKey(qint32 root, const QString& path)
{
    if (!rootAvailable(root))
        return false;
    WriteLock lock(m_file);
    Tree tree = load();
    const QString id = keyId(root, path);
    if (tree.contains(id) || normalise(path).isEmpty())
        return true;
    ensureKey(tree, root, path);
    return save(tree);
}

bool RegistryStore::deleteKey(qint32 root, const QString& path)
{
    if (!rootAvailable(root) || normalise(path).isEmpty())
        return false;
    WriteLock lock(m_file);
    Tree tree = load();
    const QString id = keyId(root, path);
    if (!tree.contains(id))
        return false;
    const QString prefix = id + QLatin1Char('\\');
    for (auto it = tree.cbegin(); it != tree.cend(); ++it) {
        if (it.key().startsWith(prefix))
            return false;
    }
    tree.remove(id);
    return save(tree);
}

std::optional<RegistryStore::Value> RegistryStore::readValue(qint32 root, const QString& path,
                                                             const QString& name) const
{
    if (!rootAvailable(root))
        return std::nullopt;
    const Tree& tree = load();
    auto it = tree.constFind(keyId(root, path));
    if (it == tree.cend())
        return std::nullopt;
    const qsizetype i = valueIndex(*it, name);
    if (i < 0)
        return std::nullopt;
    return it->values.at(i).second;
}

bool RegistryStore::writeValue(qint32 root, const QString& path, const QString& name, const Value& value)
{
    return writeValues(root, path, {{name, value}});
}

bool RegistryStore::writeValues(qint32 root, const QString& path, const QList<QPair<QString, Value>>& values)
{
    if (!rootAvailable(root))
        return false;
    WriteLock lock(m_file);
    Tree tree = load();
    const QString id = keyId(root, path);
    if (!tree.contains(id))
        ensureKey(tree, root, path);
    Key& key = tree[id];
    for (const auto& [name, v] : values) {
        const qsizetype i = valueIndex(key, name);
        if (i >= 0)
            key.values[i].second = v;
        else
            key.values.append({name, v});
    }
    return save(tree);
}

bool RegistryStore::deleteValue(qint32 root, const QString& path, const QString& name)
{
    if (!rootAvailable(root))
        return false;
    WriteLock lock(m_file);
    Tree tree = load();
    auto it = tree.find(keyId(root, path));
    if (it == tree.end())
        return false;
    const qsizetype i = valueIndex(*it, name);
    if (i < 0)
        return false;
    it->values.removeAt(i);
    return save(tree);
}

std::optional<QStringList> RegistryStore::valueNames(qint32 root, const QString& path) const
{
    if (!rootAvailable(root))
        return std::nullopt;
    const Tree& tree = load();
    auto it = tree.constFind(keyId(root, path));
    if (it == tree.cend())
        return std::nullopt;
    QStringList names;
    for (const auto& entry : it->values)
        names << entry.first;
    return names;
}

std::optional<QStringList> RegistryStore::subKeys(qint32 root, const QString& path) const
{
    if (!rootAvailable(root))
        return std::nullopt;
    const Tree& tree = load();
    const QString id = keyId(root, path);
    const QString parent = normalise(path);
    if (!parent.isEmpty() && !tree.contains(id))
        return std::nullopt;
    const QString prefix = parent.isEmpty() ? QString::number(root) + QLatin1Char('\\') : id + QLatin1Char('\\');
    QStringList names;
    for (auto it = tree.cbegin(); it != tree.cend(); ++it) {
        if (!it.key().startsWith(prefix))
            continue;
        const QString rest = it->path.mid(parent.isEmpty() ? 0 : parent.size() + 1);
        const QString first = rest.section(QLatin1Char('\\'), 0, 0);
        if (!first.isEmpty() && !names.contains(first, Qt::CaseInsensitive))
            names << first;
    }
    return names;
}
