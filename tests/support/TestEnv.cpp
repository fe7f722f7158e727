#include "support/TestEnv.h"

#include "core/cAppSettings.h"
#include "core/DatabaseLock.h"
#include "core/modDatabase.h"

#include <QDir>
#include <QFile>

namespace
{
void copyOver(const QString& from, const QString& to)
{
    QFile::remove(to);
    if (!QFile::copy(from, to))
        qFatal("cannot copy %s to %s", qPrintable(from), qPrintable(to));
    QFile(to).setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup
                             | QFileDevice::ReadOther);
}
} // namespace

TestEnv::TestEnv()
{
    m_oldApp = qgetenv("VELMORA_APP_DIR");
    m_oldReg = qgetenv("VELMORA_REGISTRY");
    m_oldLegacy = qgetenv("VELMORA_LEGACY_DIR");
    m_oldCache = qgetenv("XDG_CACHE_HOME");
    QDir(m_dir.path()).mkpath(QStringLiteral("app"));
    QDir(m_dir.path()).mkpath(QStringLiteral("legacy"));
    qputenv("VELMORA_APP_DIR", appDir().toUtf8());
    qputenv("VELMORA_REGISTRY", registryFile().toUtf8());
    qputenv("VELMORA_LEGACY_DIR", legacyDir().toUtf8());
    qputenv("XDG_CACHE_HOME", QFile::encodeName(m_dir.path() + QStringLiteral("/cache")));
    gAppSettings = cAppSettings();
}

TestEnv::~TestEnv()
{
    // A start-up's database lock belongs to this test's folder.
    DatabaseLock::ReleaseRun();
    gAppSettings = cAppSettings();
    auto restore = [](const char* name, const QByteArray& old) {
        if (old.isNull())
            qunsetenv(name);
        else
            qputenv(name, old);
    };
    restore("VELMORA_APP_DIR", m_oldApp);
    restore("VELMORA_REGISTRY", m_oldReg);
    restore("VELMORA_LEGACY_DIR", m_oldLegacy);
    restore("XDG_CACHE_HOME", m_oldCache);
}

QString TestEnv::appDir() const
{
    return m_dir.path() + QStringLiteral("/app");
}

QString TestEnv::legacyDir() const
{
    return m_dir.path() + QStringLiteral("/legacy");
}

QString TestEnv::registryFile() const
{
    return m_dir.path() + QStringLiteral("/registry.json");
}

QString TestEnv::scratchDir() const
{
    return m_dir.path() + QStringLiteral("/cache/Velmora");
}

QString TestEnv::installTemplateDatabase(const QString& dir) const
{
    const QString target = (dir.isEmpty() ? appDir() : dir) + QStringLiteral("/Tarrow.mdb");
    copyOver(binFile(QStringLiteral("Tarrow.mdb")), target);
    return target;
}

void TestEnv::installSounds() const
{
    for (const char* name : {"horse-gallop.wav", "Utopia Open.wav", "Bubble.wav", "Error.Wav"}) {
        const QString n = QString::fromLatin1(name);
        copyOver(binFile(n), appDir() + QLatin1Char('/') + n);
    }
}

QString TestEnv::binFile(const QString& name)
{
    return QStringLiteral(VELMORA_BIN_DIR) + QLatin1Char('/') + name;
}

QString TestEnv::dataFile(const QString& name)
{
    return QStringLiteral(VELMORA_TEST_DATA_DIR) + QLatin1Char('/') + name;
}
