#include "platform/DaoEngine.h"

#include "platform/DaoConnection.h"

#include <QDir>
#include <QFileInfo>

DaoEngine::DaoEngine(std::function<void(sqlite3*)> installer)
    : m_installer(std::move(installer))
{
}

DaoEngine::~DaoEngine() = default;

QString DaoEngine::canonicalPath(const QString& path)
{
    const QFileInfo fi(path);
    // The folder's real path (links resolved) with the name as given, so a
    // file that does not exist yet still gets a stable key.
    const QString dir = QFileInfo(fi.absolutePath()).canonicalFilePath();
    return QDir::cleanPath((dir.isEmpty() ? fi.absolutePath() : dir) + QLatin1Char('/') + fi.fileName());
}

DaoDatabase DaoEngine::OpenDatabase(const QString& path)
{
    const QString key = canonicalPath(path);
    if (m_conns.size() > 8) {
        // Let go of connections to files that are gone and that no handle
        // uses (temporary databases), so their descriptors are not kept.
        for (auto it = m_conns.begin(); it != m_conns.end();) {
            if (it.key() != key && it->use_count() == 1 && (*it)->fileReplaced() && (*it)->close())
                it = m_conns.erase(it);
            else
                ++it;
        }
    }
    std::shared_ptr<DaoConnection>& c = m_conns[key];
    if (!c)
        c = std::make_shared<DaoConnection>(key, m_installer);
    else if (c->isOpen() && c->fileReplaced() && !c->inTransaction())
        c->close(); // the file was replaced or removed: connect afresh
    c->open();      // throws for a missing file or a file that is not a database
    return DaoDatabase(c);
}

bool DaoEngine::CloseDatabase(const QString& path)
{
    const auto it = m_conns.find(canonicalPath(path));
    if (it == m_conns.end())
        return true;
    return (*it)->close();
}

void DaoEngine::CloseAll()
{
    for (auto& c : m_conns)
        c->close();
    // Connections no handle refers to any more are forgotten.
    for (auto it = m_conns.begin(); it != m_conns.end();) {
        if (it->use_count() == 1 && !(*it)->isOpen())
            it = m_conns.erase(it);
        else
            ++it;
    }
}

bool DaoEngine::IsConnected(const QString& path) const
{
    const auto it = m_conns.constFind(canonicalPath(path));
    return it != m_conns.constEnd() && (*it)->isOpen();
}
