#pragma once

#include <QString>
#include <QTemporaryDir>

/**
 * A throw-away world for one test: its own program folder (VELMORA_APP_DIR),
 * registry store file (VELMORA_REGISTRY) and legacy folder
 * (VELMORA_LEGACY_DIR, empty) and cache folder for scratch files
 * (XDG_CACHE_HOME), all inside one temporary directory. The
 * process-wide settings object is reset to a fresh state. Everything is put
 * back when the object goes out of scope.
 */
class TestEnv
{
public:
    TestEnv();
    ~TestEnv();

    QString root() const { return m_dir.path(); }
    QString appDir() const;
    QString legacyDir() const;
    QString registryFile() const;
    /** Where the program's scratch files (the rating page) go. */
    QString scratchDir() const;

    /** Copies the template database made by the build into the program
     *  folder (or `dir`) as Tarrow.mdb and returns its path. */
    QString installTemplateDatabase(const QString& dir = QString()) const;
    /** Copies the generated sound files into the program folder. */
    void installSounds() const;
    /** Path of a file made by the build next to the executable. */
    static QString binFile(const QString& name);
    /** Path of a file under tests/data. */
    static QString dataFile(const QString& name);

private:
    QTemporaryDir m_dir;
    QByteArray m_oldApp, m_oldReg, m_oldLegacy, m_oldCache;
};
