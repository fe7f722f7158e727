// The libraries stand in layers: platform <- core <- {raceview, download,
// formhistory, records} <- mainwindow. A subsystem never reaches into the main
// window or another subsystem, neither by an include nor by its link line, and
// the globals the subsystems share are declared in core.
#include "support/TestEnv.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QMap>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace
{
const QStringList kSubsystems = {"raceview", "download", "formhistory", "records"};

/** The folders a source folder may include from. */
QStringList allowedFor(const QString& folder)
{
    if (folder == QLatin1String("platform"))
        return {"platform"};
    if (folder == QLatin1String("core"))
        return {"platform", "core"};
    if (kSubsystems.contains(folder))
        return {"platform", "core", folder};
    return {}; // mainwindow and the rest: anything
}

/** Every include of a project folder that breaks the layers, as
 *  "file: include" lines, for the source tree under `root`. */
QStringList layerBreaks(const QString& root)
{
    static const QRegularExpression include(QStringLiteral(R"(^\s*#\s*include\s*"([A-Za-z_]+)/[^"]+")"));
    const QStringList projectFolders = QStringList{"platform", "core", "mainwindow"} + kSubsystems;
    QStringList out;
    for (const QString& folder : QStringList{"platform", "core"} + kSubsystems) {
        const QStringList allowed = allowedFor(folder);
        QDirIterator it(root + QLatin1Char('/') + folder, {QStringLiteral("*.h"), QStringLiteral("*.cpp")},
                        QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            QFile f(path);
            if (!f.open(QIODevice::ReadOnly | QIODevice::Text))
                continue;
            const QStringList lines = QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'));
            for (const QString& line : lines) {
                const QRegularExpressionMatch m = include.match(line);
                if (!m.hasMatch())
                    continue;
                const QString target = m.captured(1);
                if (projectFolders.contains(target) && !allowed.contains(target))
                    out << QDir(root).relativeFilePath(path) + QStringLiteral(": ") + line.trimmed();
            }
        }
    }
    out.sort();
    return out;
}

/** The libraries each velmora_library() line of a CMakeLists links. */
QMap<QString, QStringList> linkLines(const QString& cmakeText)
{
    static const QRegularExpression call(QStringLiteral(R"(velmora_library\(\s*(velmora_\w+)\s+\w+([^)]*)\))"));
    QMap<QString, QStringList> out;
    auto it = call.globalMatch(cmakeText);
    while (it.hasNext()) {
        const QRegularExpressionMatch m = it.next();
        QStringList libs;
        for (const QString& word : m.captured(2).split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts)) {
            if (word.startsWith(QLatin1String("velmora_")))
                libs << word;
        }
        out.insert(m.captured(1), libs);
    }
    return out;
}

QString readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly | QIODevice::Text) ? QString::fromUtf8(f.readAll()) : QString();
}

void write(const QString& path, const QByteArray& text)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text);
}
} // namespace

TEST(LibraryLayers, TheCheckFindsAnIncludeAcrossTheLayers)
{
    QTemporaryDir tree;
    ASSERT_TRUE(tree.isValid());
    write(tree.filePath("core/A.h"), "#include \"platform/Grid.h\"\n#include <QString>\n");
    write(tree.filePath("raceview/B.cpp"), "#include \"core/A.h\"\n#include \"raceview/C.h\"\n");
    write(tree.filePath("mainwindow/M.cpp"), "#include \"raceview/B.h\"\n");
    EXPECT_TRUE(layerBreaks(tree.path()).isEmpty());

    write(tree.filePath("records/D.cpp"), "  #  include \"mainwindow/Main.h\"\n#include \"formhistory/E.h\"\n");
    write(tree.filePath("core/F.cpp"), "#include \"download/G.h\"\n");
    write(tree.filePath("platform/P.h"), "#include \"core/A.h\"\n");
    EXPECT_EQ(layerBreaks(tree.path()),
              QStringList({"core/F.cpp: #include \"download/G.h\"", "platform/P.h: #include \"core/A.h\"",
                           "records/D.cpp: #  include \"mainwindow/Main.h\"",
                           "records/D.cpp: #include \"formhistory/E.h\""}));

    const auto links = linkLines("velmora_library(velmora_core core velmora_platform)\n"
                                 "velmora_library(velmora_raceview raceview velmora_core velmora_formhistory)\n");
    EXPECT_EQ(links.value("velmora_core"), QStringList({"velmora_platform"}));
    EXPECT_EQ(links.value("velmora_raceview"), QStringList({"velmora_core", "velmora_formhistory"}));
}

TEST(LibraryLayers, NoSourceIncludesAcrossTheLayers)
{
    const QString root = QStringLiteral(VELMORA_SOURCE_DIR);
    ASSERT_TRUE(QFileInfo::exists(root + QStringLiteral("/core/modShared.h")));
    EXPECT_EQ(layerBreaks(root), QStringList());
}

TEST(LibraryLayers, SubsystemsLinkOnlyCoreAndPlatform)
{
    const auto links = linkLines(readAll(QStringLiteral(VELMORA_SOURCE_DIR "/CMakeLists.txt")));
    ASSERT_TRUE(links.contains("velmora_core"));
    EXPECT_EQ(links.value("velmora_platform"), QStringList());
    EXPECT_EQ(links.value("velmora_core"), QStringList({"velmora_platform"}));
    for (const QString& sub : kSubsystems) {
        const QString lib = QStringLiteral("velmora_") + sub;
        ASSERT_TRUE(links.contains(lib)) << lib.toStdString();
        for (const QString& dep : links.value(lib))
            EXPECT_TRUE(dep == QLatin1String("velmora_core") || dep == QLatin1String("velmora_platform"))
                << lib.toStdString() << " links " << dep.toStdString();
    }
}

TEST(LibraryLayers, TheSharedGlobalsAreDeclaredInCoreOnly)
{
    const QString root = QStringLiteral(VELMORA_SOURCE_DIR);
    const QStringList shared = {"gStatsMode", "gSelHorse",    "gSelJockey", "gSelTrainer", "gSelFormTrainer",
                                "gCellPicked", "gUseOtherSource", "gDebugOn", "gDebugFile", "gMainState"};
    QString coreHeaders;
    for (const QString& h : QDir(root + QStringLiteral("/core")).entryList({QStringLiteral("*.h")}, QDir::Files))
        coreHeaders += readAll(root + QStringLiteral("/core/") + h);
    for (const QString& name : shared) {
        const QRegularExpression declared(QStringLiteral(R"(\bextern\b[^;]*\b%1\b)").arg(name));
        EXPECT_TRUE(declared.match(coreHeaders).hasMatch()) << name.toStdString() << " is not declared in core";
        // Nowhere else: a second declaration would be a second variable or a
        // reach into another library.
        for (const QString& folder : QStringList{"platform", "mainwindow"} + kSubsystems) {
            QDirIterator it(root + QLatin1Char('/') + folder, {QStringLiteral("*.h"), QStringLiteral("*.cpp")},
                            QDir::Files, QDirIterator::Subdirectories);
            while (it.hasNext()) {
                const QString path = it.next();
                EXPECT_FALSE(declared.match(readAll(path)).hasMatch())
                    << name.toStdString() << " declared again in " << path.toStdString();
            }
        }
    }
}
