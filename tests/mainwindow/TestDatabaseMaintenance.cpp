// Database maintenance: backup, compaction, removal of old data and hiding
// meetings.
#include "core/cAppSettings.h"
#include "core/modJockeyLists.h"
#include "core/modDatabase.h"
#include "mainwindow/DatabaseMaintenance.h"
#include "mainwindow/Main.h"
#include "platform/Grid.h"
#include "platform/Prompts.h"
#include "support/DbFixture.h"
#include "support/FileSizeLimit.h"
#include "support/TestEnv.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstring>

#include <sys/resource.h>

namespace
{
QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class Maintenance : public ::testing::Test
{
protected:
    TestEnv env;
    DbFixture db{env};
    Prompts::Script script;

    void addMeeting(const QString& code, bool displayed)
    {
        db.insert(QStringLiteral("Meeting"), {{QStringLiteral("MeetingCode"), code},
                                              {QStringLiteral("DisplayMeeting"), displayed}});
    }
    void addRaceRunnerBooking(const QVariant& code)
    {
        const QVariantMap row = {{QStringLiteral("MeetingCode"), code}};
        db.insert(QStringLiteral("Race"), row);
        db.insert(QStringLiteral("Noms"), row);
        db.insert(QStringLiteral("Bookings"), row);
    }
    QStringList codes(const QString& table)
    {
        QStringList out;
        for (const QVariantMap& r : db.rows(QStringLiteral("SELECT MeetingCode AS c FROM %1 ORDER BY 1").arg(table)))
            out << r.value(QStringLiteral("c")).toString();
        return out;
    }
};

TEST_F(Maintenance, BackupCopiesTheFileExactlyButNeverOntoItself)
{
    db.insert(QStringLiteral("Jockey"), {{QStringLiteral("Jockey"), QStringLiteral("A Jones")}});
    const QByteArray original = readAll(db.path());
    const QString folder = env.root() + QStringLiteral("/backups");
    QDir().mkpath(folder);
    const QString target = folder + QStringLiteral("/Tarrow.mdb");
    script.answerSaveFile(target).answerMsgBox(Prompts::vbOK);
    DatabaseMaintenance::BackupDatabase();
    EXPECT_EQ(readAll(target), original);
    EXPECT_EQ(gAppSettings.BackupPath, folder);
    ASSERT_EQ(script.messages().size(), 1);
    EXPECT_EQ(script.messages()[0].text, QStringLiteral("Backup of Velmora Database Completed to Location: ") + target);
    EXPECT_EQ(script.messages()[0].title, QStringLiteral("Backup Complete"));

    const QString link = env.root() + QStringLiteral("/link.mdb");
    ASSERT_TRUE(QFile::link(db.path(), link));
    gAppSettings.DBPath = env.appDir() + QLatin1Char('/');
    for (const QString& self : {db.path(), env.appDir() + QStringLiteral("/./Tarrow.mdb"),
                                env.appDir() + QStringLiteral("/../app/Tarrow.mdb"), link}) {
        script.clear();
        script.answerSaveFile(self).answerMsgBox(Prompts::vbOK);
        DatabaseMaintenance::BackupDatabase();
        ASSERT_EQ(script.messages().size(), 1) << qPrintable(self);
        EXPECT_EQ(script.messages()[0].text,
                  QStringLiteral("Error You cannot backup to the same location and name as application ") + self);
        EXPECT_EQ(script.messages()[0].title, QStringLiteral("Backup error"));
    }
    EXPECT_EQ(readAll(db.path()), original);
    EXPECT_TRUE(QFileInfo(link).isSymLink());

    // A copy that cannot be written is reported, never passed as complete.
    script.clear();
    script.answerSaveFile(env.root() + QStringLiteral("/missing/Tarrow.mdb")).answerMsgBox(Prompts::vbOK);
    DatabaseMaintenance::BackupDatabase();
    ASSERT_EQ(script.messages().size(), 1);
    EXPECT_EQ(script.messages()[0].title, QStringLiteral("Backup error"));
}

TEST_F(Maintenance, ABackupOntoALinkReachesTheFileTheSystemOpensAndALoopIsLeftAsItIs)
{
    db.insert(QStringLiteral("Jockey"), {{QStringLiteral("Jockey"), QStringLiteral("A Jones")}});
    // The backup folder is a link to a folder on another disk, where the
    // backup is itself a link to a file in a folder beside it.
    const QString disk = env.root() + QStringLiteral("/disk");
    ASSERT_TRUE(QDir().mkpath(disk + QStringLiteral("/backups")));
    ASSERT_TRUE(QDir().mkpath(disk + QStringLiteral("/older")));
    const QString usb = env.root() + QStringLiteral("/usb");
    ASSERT_TRUE(QFile::link(disk + QStringLiteral("/backups"), usb));
    const QString link = usb + QStringLiteral("/Tarrow.mdb");
    ASSERT_TRUE(QFile::link(QStringLiteral("../older/Tarrow.mdb"), link));
    const auto write = [](const QString& path, const QByteArray& bytes) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_EQ(f.write(bytes), bytes.size());
    };
    const QString real = disk + QStringLiteral("/older/Tarrow.mdb");
    write(real, "last week's backup");
    // Where the same words lead when read from the folder's spelled path.
    ASSERT_TRUE(QDir().mkpath(env.root() + QStringLiteral("/older")));
    const QString decoy = env.root() + QStringLiteral("/older/Tarrow.mdb");
    write(decoy, "another file altogether");

    script.answerSaveFile(link).answerMsgBox(Prompts::vbOK);
    DatabaseMaintenance::BackupDatabase();
    ASSERT_EQ(script.messages().size(), 1);
    EXPECT_EQ(script.messages()[0].title, QStringLiteral("Backup Complete"));
    EXPECT_EQ(readAll(real), readAll(db.path()));
    EXPECT_EQ(readAll(decoy), QByteArray("another file altogether"));
    EXPECT_TRUE(QFileInfo(link).isSymLink());

    // A link to itself reaches no file: told, and left as it is.
    ASSERT_TRUE(QDir().mkpath(disk + QStringLiteral("/loops")));
    const QString loop = disk + QStringLiteral("/loops/loop.mdb");
    ASSERT_TRUE(QFile::link(QStringLiteral("loop.mdb"), loop));
    script.clear();
    script.answerSaveFile(loop).answerMsgBox(Prompts::vbOK);
    DatabaseMaintenance::BackupDatabase();
    ASSERT_EQ(script.messages().size(), 1);
    EXPECT_EQ(script.messages()[0].title, QStringLiteral("Backup error"));
    EXPECT_EQ(script.messages()[0].text,
              QStringLiteral("Backup of Velmora Database to Location: ") + loop
                  + QStringLiteral(" failed. \rThe file is a link that cannot be followed: its links lead round in a "
                                   "loop and reach no file. The link has been left as it is."));
    EXPECT_TRUE(QFileInfo(loop).isSymLink());
    EXPECT_EQ(QDir(disk + QStringLiteral("/loops")).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot),
              QStringList{QStringLiteral("loop.mdb")});
}

TEST_F(Maintenance, ABackupOntoTheDatabaseOfAnotherRunningCopyIsRefused)
{
    db.insert(QStringLiteral("Jockey"), {{QStringLiteral("Jockey"), QStringLiteral("A Jones")}});
    const QString folder = env.root() + QStringLiteral("/other");
    QDir().mkpath(folder);
    const QString target = folder + QStringLiteral("/Tarrow.mdb");
    const QByteArray theirs("the database another copy of the program works on");
    {
        QFile f(target);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_EQ(f.write(theirs), theirs.size());
    }
    {
        // That copy holds the lock beside its database.
        QLockFile otherCopy(QFileInfo(folder).canonicalFilePath() + QStringLiteral("/Tarrow.mdb.lock"));
        ASSERT_TRUE(otherCopy.tryLock(0));
        script.answerSaveFile(target).answerMsgBox(Prompts::vbOK);
        DatabaseMaintenance::BackupDatabase();
        EXPECT_EQ(readAll(target), theirs);
        ASSERT_EQ(script.messages().size(), 1);
        EXPECT_EQ(script.messages()[0].title, QStringLiteral("Backup error"));
        EXPECT_EQ(script.messages()[0].text,
                  QStringLiteral("Backup of Velmora Database to Location: ") + target
                      + QStringLiteral(" failed. \rThe file is the database of another copy of Velmora that is open."));
    }
    // Once that copy has gone, the backup goes there.
    script.clear();
    script.answerSaveFile(target).answerMsgBox(Prompts::vbOK);
    DatabaseMaintenance::BackupDatabase();
    EXPECT_EQ(readAll(target), readAll(db.path()));
    ASSERT_EQ(script.messages().size(), 1);
    EXPECT_EQ(script.messages()[0].title, QStringLiteral("Backup Complete"));
}

TEST_F(Maintenance, ABackupWithNoRoomNamesTheCauseApartFromTheSentence)
{
    // A database file of a megabyte and a few kilobytes: copied as a large
    // block and a small tail.
    const QString dbFolder = env.root() + QStringLiteral("/big");
    QDir().mkpath(dbFolder);
    const qint64 size = (1 << 20) + 8192;
    {
        QFile big(dbFolder + QStringLiteral("/Tarrow.mdb"));
        ASSERT_TRUE(big.open(QIODevice::WriteOnly));
        ASSERT_EQ(big.write(QByteArray(size, 'v')), size);
    }
    gAppSettings.DBPath = dbFolder + QLatin1Char('/');
    const QString folder = env.root() + QStringLiteral("/backups");
    QDir().mkpath(folder);
    const QString target = folder + QStringLiteral("/Tarrow.mdb");

    // Files may not grow past a point while the copy is written, as on a
    // disk that fills up: half-way through the large block, or in the tail.
    for (const qint64 room : {size / 2, size - 4096}) {
        SCOPED_TRACE(room);
        script.clear();
        script.answerSaveFile(target).answerMsgBox(Prompts::vbOK);
        {
            FileSizeLimit diskFull(static_cast<rlim_t>(room));
            DatabaseMaintenance::BackupDatabase();
        }

        EXPECT_FALSE(QFileInfo::exists(target));
        ASSERT_EQ(script.messages().size(), 1);
        EXPECT_EQ(script.messages()[0].title, QStringLiteral("Backup error"));
        EXPECT_EQ(script.messages()[0].text, QStringLiteral("Backup of Velmora Database to Location: ") + target
                                                 + QStringLiteral(" failed. \r")
                                                 + QString::fromLocal8Bit(std::strerror(EFBIG)))
            << script.messages()[0].text.toStdString();
    }
}

TEST_F(Maintenance, AFirstBackupOffersTheHomeFolderThenTheFolderChosen)
{
    // Nothing stored yet: the home folder, never the working directory.
    ASSERT_TRUE(gAppSettings.BackupPath.isEmpty());
    ASSERT_NE(QDir::currentPath(), QDir::homePath());
    script.answerSaveFile(QString());
    DatabaseMaintenance::BackupDatabase();
    ASSERT_EQ(script.records().size(), 1);
    EXPECT_EQ(script.records()[0].kind, Prompts::Kind::SaveFile);
    EXPECT_EQ(script.records()[0].folder, QDir::homePath());
    EXPECT_TRUE(gAppSettings.BackupPath.isEmpty());

    const QString folder = env.root() + QStringLiteral("/backups");
    QDir().mkpath(folder);
    script.clear();
    script.answerSaveFile(folder + QStringLiteral("/Tarrow.mdb")).answerMsgBox(Prompts::vbOK);
    DatabaseMaintenance::BackupDatabase();
    EXPECT_EQ(gAppSettings.BackupPath, folder);
    script.clear();
    script.answerSaveFile(QString());
    DatabaseMaintenance::BackupDatabase();
    ASSERT_EQ(script.records().size(), 1);
    EXPECT_EQ(script.records()[0].folder, folder);
}

TEST_F(Maintenance, RemoveUnwantedDataRemovesHiddenMeetingsAndOrphansInOneGo)
{
    addMeeting(QStringLiteral("A"), true);
    addMeeting(QStringLiteral("H"), false);
    for (const QVariant& code : {QVariant(QStringLiteral("A")), QVariant(QStringLiteral("H")),
                                 QVariant(QStringLiteral("X")), QVariant()})
        addRaceRunnerBooking(code);
    const QStringList all = {QString(), QStringLiteral("A"), QStringLiteral("H"), QStringLiteral("X")};

    // A failing statement leaves every row in place.
    db.exec(QStringLiteral("CREATE TRIGGER KeepRaces BEFORE DELETE ON Race BEGIN SELECT RAISE(ABORT, 'locked'); END"));
    script.answerMsgBox(Prompts::vbYes).answerMsgBox(Prompts::vbOK);
    DatabaseMaintenance::RemoveUnwantedData();
    ASSERT_EQ(script.messages().size(), 2);
    EXPECT_EQ(script.messages()[0].text, QStringLiteral("Select Yes to Remove old Data, or No to Cancel"));
    EXPECT_EQ(script.messages()[0].title, QStringLiteral("Confirm Remove Old data"));
    EXPECT_EQ(script.messages()[1].style, Prompts::vbCritical);
    EXPECT_EQ(codes(QStringLiteral("Meeting")), (QStringList{QStringLiteral("A"), QStringLiteral("H")}));
    EXPECT_EQ(codes(QStringLiteral("Noms")), all);

    db.exec(QStringLiteral("DROP TRIGGER KeepRaces"));
    script.clear();
    script.answerMsgBox(Prompts::vbYes).answerMsgBox(Prompts::vbOK);
    DatabaseMaintenance::RemoveUnwantedData();
    EXPECT_EQ(codes(QStringLiteral("Meeting")), QStringList{QStringLiteral("A")});
    EXPECT_EQ(codes(QStringLiteral("Noms")), QStringList{QStringLiteral("A")});
    EXPECT_EQ(codes(QStringLiteral("Race")), QStringList{QStringLiteral("A")});
    EXPECT_EQ(codes(QStringLiteral("Bookings")), all);
    ASSERT_EQ(script.messages().size(), 2);
    EXPECT_EQ(script.messages()[1].text, QStringLiteral("All Non Current data has been Removed successfully"));
    EXPECT_EQ(script.messages()[1].title, QStringLiteral("Process Successfull"));
}

TEST_F(Maintenance, DeleteMeetingHidesTheSelectedMeetingsAndDropsOnlyTheirRunners)
{
    const QStringList meetings = {QStringLiteral("0706FLEM"), QStringLiteral("07'12X"), QStringLiteral("0806CAUL")};
    for (const QString& code : meetings) {
        addMeeting(code, true);
        addRaceRunnerBooking(code);
    }
    Main main;
    modJockey::SetupMeetingGrid(main.grdMeeting);
    main.LoadMeetingGrid();
    ASSERT_EQ(main.grdMeeting->rows(), 3);
    main.grdMeeting->clearSelectedCells();
    for (int r = 1; r <= 3; ++r) {
        if (main.grdMeeting->cellText(r, 1) != QStringLiteral("0806CAUL"))
            main.grdMeeting->selectRowToo(r);
    }
    main.mnuDeleteMeeting->trigger();

    EXPECT_TRUE(script.messages().isEmpty());
    EXPECT_EQ(codes(QStringLiteral("Noms")), QStringList{QStringLiteral("0806CAUL")});
    EXPECT_EQ(db.count(QStringLiteral("Meeting"), QStringLiteral("DisplayMeeting = 0")), 2);
    EXPECT_EQ(codes(QStringLiteral("Race")).size(), 3);
    EXPECT_EQ(codes(QStringLiteral("Bookings")).size(), 3);
    ASSERT_EQ(main.grdMeeting->rows(), 1);
    EXPECT_EQ(main.grdMeeting->cellText(1, 1), QStringLiteral("0806CAUL"));
}

TEST_F(Maintenance, CompactionShrinksADatabaseWithDeletedRows)
{
    db.exec(QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < 399) "
                           "INSERT INTO Noms (MeetingCode, Owners) SELECT 'M' || (i % 4), hex(zeroblob(100)) FROM n"));
    db.exec(QStringLiteral("DELETE FROM Noms WHERE MeetingCode <> 'M0'"));
    const qint64 before = QFileInfo(db.path()).size();

    DatabaseMaintenance::CompactAndRepairDatabase();
    EXPECT_TRUE(script.messages().isEmpty());
    EXPECT_LT(QFileInfo(db.path()).size(), before);
    EXPECT_EQ(db.count(QStringLiteral("Noms")), 100);
}
} // namespace
