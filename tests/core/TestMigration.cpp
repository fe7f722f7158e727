// The first-start migration of an older installation's database: trainers
// merged in without case, booking rates copied only when the old file has
// none, the result replacing the working database in one step, and any
// failure leaving that file as it was.
#include "core/cAppSettings.h"
#include "core/modDatabase.h"
#include "core/modGlobal.h"
#include "platform/VbError.h"
#include "support/DbFixture.h"
#include "support/TestEnv.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

#include <gtest/gtest.h>

namespace
{
QVariantMap trainer(const char* name, const char* location)
{
    return {{QStringLiteral("TrainerName"), QString::fromUtf8(name)},
            {QStringLiteral("TrainerLocation"), QString::fromUtf8(location)}};
}

class MigrationTest : public ::testing::Test
{
protected:
    TestEnv env;
    DbFixture current{env}; // the program folder's database, also DBPath

    // The older installation's database, made from the template.
    DbFixture legacy() { return DbFixture(env.legacyDir(), false); }
    QString appFile(const char* name) const { return env.appDir() + QLatin1Char('/') + QLatin1String(name); }
};
} // namespace

TEST_F(MigrationTest, NothingHappensWithoutAnOlderDatabase)
{
    const QFileInfoList before = QDir(env.appDir()).entryInfoList(QDir::Files);
    const QByteArray hash = current.fileHash();
    modGlobal::ImportOldInstallation();
    const QFileInfoList after = QDir(env.appDir()).entryInfoList(QDir::Files);
    ASSERT_EQ(after.size(), before.size());
    for (int i = 0; i < after.size(); ++i) {
        EXPECT_EQ(after[i].fileName(), before[i].fileName());
        EXPECT_EQ(after[i].lastModified(), before[i].lastModified());
    }
    EXPECT_EQ(current.fileHash(), hash);
}

TEST_F(MigrationTest, MergesNewTrainersAndKeepsTheOlderOnes)
{
    {
        DbFixture old = legacy();
        old.insert(QStringLiteral("Trainer"), trainer("Smith", "A"));
        old.insert(QStringLiteral("Meeting"), {{QStringLiteral("MeetingCode"), QStringLiteral("OLD1")}});
        old.insert(QStringLiteral("BookRate"), {{QStringLiteral("State"), QStringLiteral("NSW")}, {QStringLiteral("BookingRate"), 40}});
    }
    current.insert(QStringLiteral("Trainer"), trainer("SMITH", "B"));
    current.insert(QStringLiteral("Trainer"), {{QStringLiteral("TrainerName"), QStringLiteral("Jones")},
                                               {QStringLiteral("TrainerLocation"), QStringLiteral("Caulfield")},
                                               {QStringLiteral("TrainerMobile"), QStringLiteral("0400")},
                                               {QStringLiteral("TrainerType"), QStringLiteral("Public")},
                                               {QStringLiteral("Phone"), QStringLiteral("9555")},
                                               {QStringLiteral("TrainerComments"), QStringLiteral("Calls back")},
                                               {QStringLiteral("IgnoreTrainer"), true}});
    current.insert(QStringLiteral("Trainer"), trainer("", "nowhere"));
    current.insert(QStringLiteral("BookRate"), {{QStringLiteral("State"), QStringLiteral("VIC")}, {QStringLiteral("BookingRate"), 55}});

    modGlobal::ImportOldInstallation();

    EXPECT_FALSE(QFileInfo::exists(appFile("oldTarrow.mdb")));
    DbFixture* result = &current; // same path: the program folder's Tarrow.mdb
    EXPECT_EQ(result->count(QStringLiteral("Meeting")), 1); // the older data
    EXPECT_EQ(result->count(QStringLiteral("Trainer")), 2);
    EXPECT_EQ(result->scalar(QStringLiteral("SELECT TrainerLocation FROM Trainer WHERE TrainerName = 'smith'")).toString(),
              QStringLiteral("A"));
    EXPECT_EQ(result->scalar(QStringLiteral("SELECT TrainerName FROM Trainer WHERE TrainerName = 'smith'")).toString(),
              QStringLiteral("Smith"));
    const QList<QVariantMap> jones = result->rows(QStringLiteral("SELECT * FROM Trainer WHERE TrainerName = 'Jones'"));
    ASSERT_EQ(jones.size(), 1);
    EXPECT_EQ(jones[0].value(QStringLiteral("TrainerLocation")).toString(), QStringLiteral("Caulfield"));
    EXPECT_EQ(jones[0].value(QStringLiteral("TrainerMobile")).toString(), QStringLiteral("0400"));
    EXPECT_EQ(jones[0].value(QStringLiteral("TrainerType")).toString(), QStringLiteral("Public"));
    EXPECT_EQ(jones[0].value(QStringLiteral("Phone")).toString(), QStringLiteral("9555"));
    EXPECT_EQ(jones[0].value(QStringLiteral("TrainerComments")).toString(), QStringLiteral("Calls back"));
    EXPECT_TRUE(jones[0].value(QStringLiteral("IgnoreTrainer")).toBool());
    // The older file had booking rates: they stay, none are added.
    EXPECT_EQ(result->count(QStringLiteral("BookRate")), 1);
    EXPECT_EQ(result->scalar(QStringLiteral("SELECT State FROM BookRate")).toString(), QStringLiteral("NSW"));
    EXPECT_EQ(result->scalar(QStringLiteral("PRAGMA integrity_check")).toString(), QStringLiteral("ok"));
}

TEST_F(MigrationTest, CopiesBookingRatesWhenTheOlderFileHasNone)
{
    {
        DbFixture old = legacy();
        old.exec(QStringLiteral("DROP VIEW qryJockeyInvoice; DROP TABLE BookRate"));
    }
    current.insert(QStringLiteral("BookRate"), {{QStringLiteral("State"), QStringLiteral("VIC")},
                                                {QStringLiteral("RaceType"), QStringLiteral("R")},
                                                {QStringLiteral("DateEffective"), QDate(2009, 1, 1)},
                                                {QStringLiteral("BookingRate"), 55.5}});
    current.insert(QStringLiteral("BookRate"), {{QStringLiteral("State"), QStringLiteral("QLD")}});
    const QString ddl = current.scalar(QStringLiteral("SELECT sql FROM sqlite_master WHERE name = 'BookRate'")).toString();

    modGlobal::ImportOldInstallation();

    EXPECT_EQ(current.count(QStringLiteral("BookRate")), 2);
    EXPECT_EQ(current.scalar(QStringLiteral("SELECT BookingRate FROM BookRate WHERE State = 'vic'")).toDouble(), 55.5);
    EXPECT_EQ(current.scalar(QStringLiteral("SELECT DateEffective || '' FROM BookRate WHERE State = 'VIC'")).toString(),
              QStringLiteral("2009-01-01"));
    // The same columns, types and collations as the current table.
    const QString copied = current.scalar(QStringLiteral("SELECT sql FROM sqlite_master WHERE name = 'BookRate'")).toString();
    EXPECT_EQ(copied.section(QLatin1Char('('), 1), ddl.section(QLatin1Char('('), 1));
    EXPECT_FALSE(QFileInfo::exists(appFile("oldTarrow.mdb")));
}

TEST_F(MigrationTest, TheOlderDataIsMergedIntoTheWorkingDatabaseInDbPath)
{
    {
        DbFixture old = legacy();
        old.insert(QStringLiteral("Trainer"), trainer("Old Only", "X"));
    }
    const QString dataDir = env.root() + QStringLiteral("/data");
    QDir().mkpath(dataDir);
    DbFixture elsewhere(dataDir, true); // DBPath now points here
    elsewhere.insert(QStringLiteral("Trainer"), trainer("Data Folder", "Y"));
    current.insert(QStringLiteral("Trainer"), trainer("Program Folder", "Z"));
    modDatabase::gDbEngine.CloseAll();
    const QByteArray programHash = current.fileHash();

    modGlobal::ImportOldInstallation();

    // The working database is the one taken over; the program folder's file
    // is not the user's database and stays as it was.
    const QList<QVariantMap> names = elsewhere.rows(QStringLiteral("SELECT TrainerName FROM Trainer ORDER BY 1"));
    ASSERT_EQ(names.size(), 2);
    EXPECT_EQ(names[0].value(QStringLiteral("TrainerName")).toString(), QStringLiteral("Data Folder"));
    EXPECT_EQ(names[1].value(QStringLiteral("TrainerName")).toString(), QStringLiteral("Old Only"));
    EXPECT_EQ(current.fileHash(), programHash);
    EXPECT_FALSE(QFileInfo::exists(dataDir + QStringLiteral("/oldTarrow.mdb")));
}

TEST_F(MigrationTest, ALinkedWorkingDatabaseTakesTheOlderDataWhereItLiesAndKeepsItsMode)
{
    {
        DbFixture old = legacy();
        old.insert(QStringLiteral("Trainer"), trainer("Old Only", "X"));
    }
    // The bookings are kept private in a folder of their own; the database
    // folder holds a link to them.
    const QString keptDir = env.root() + QStringLiteral("/kept");
    const QString linkDir = env.root() + QStringLiteral("/linked");
    ASSERT_TRUE(QDir().mkpath(keptDir));
    ASSERT_TRUE(QDir().mkpath(linkDir));
    DbFixture kept(keptDir, false);
    kept.insert(QStringLiteral("Trainer"), trainer("Kept", "Y"));
    modDatabase::gDbEngine.CloseAll();
    ASSERT_EQ(::chmod(QFile::encodeName(kept.path()).constData(), 0600), 0);
    const QString link = linkDir + QStringLiteral("/Tarrow.mdb");
    ASSERT_TRUE(QFile::link(QStringLiteral("../kept/Tarrow.mdb"), link));
    gAppSettings.DBPath = linkDir;

    modGlobal::ImportOldInstallation();

    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(QFileInfo(link).symLinkTarget(), kept.path());
    const QList<QVariantMap> names = kept.rows(QStringLiteral("SELECT TrainerName FROM Trainer ORDER BY 1"));
    ASSERT_EQ(names.size(), 2);
    EXPECT_EQ(names[0].value(QStringLiteral("TrainerName")).toString(), QStringLiteral("Kept"));
    EXPECT_EQ(names[1].value(QStringLiteral("TrainerName")).toString(), QStringLiteral("Old Only"));
    struct stat st{};
    ASSERT_EQ(::stat(QFile::encodeName(kept.path()).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, mode_t(0600));
    EXPECT_FALSE(QFileInfo::exists(keptDir + QStringLiteral("/oldTarrow.mdb")));
    EXPECT_FALSE(QFileInfo::exists(linkDir + QStringLiteral("/oldTarrow.mdb")));
}

TEST_F(MigrationTest, OlderFileThatIsNoDatabaseChangesNothing)
{
    current.insert(QStringLiteral("Trainer"), trainer("Keep", "Me"));
    modDatabase::gDbEngine.CloseAll();
    const QByteArray hash = current.fileHash();
    const QString legacyFile = env.legacyDir() + QStringLiteral("/Tarrow.mdb");
    const QList<QByteArray> contents = {
        QByteArray("this is not a database at all, only some text in a file"),
        QByteArray("\x00\x01\x00\x00Standard Jet DB\x00", 20) + QByteArray(4096, '\0'),
    };
    for (const QByteArray& bytes : contents) {
        QFile f(legacyFile);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        f.close();
        EXPECT_THROW(modGlobal::ImportOldInstallation(), VbError);
        EXPECT_EQ(current.fileHash(), hash);
        EXPECT_FALSE(QFileInfo::exists(appFile("oldTarrow.mdb")));
    }
    // An older database lacking a Trainer column the merge needs fails too.
    QFile::remove(legacyFile);
    {
        DbFixture old = legacy();
        old.exec(QStringLiteral("ALTER TABLE Trainer DROP COLUMN TrainerType"));
    }
    EXPECT_THROW(modGlobal::ImportOldInstallation(), VbError);
    EXPECT_EQ(current.fileHash(), hash);
    EXPECT_FALSE(QFileInfo::exists(appFile("oldTarrow.mdb")));
}
