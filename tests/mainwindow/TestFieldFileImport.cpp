// The field-file import against a real database and the fixture form service:
// rows written column by column, replacement of a meeting's rows, the
// bookings check, faulty files that must change nothing, the Add Data dialog,
// and the fuzz corpus replayed through the reader.
#include "core/HttpRequest.h"
#include "core/cAppSettings.h"
#include "mainwindow/FieldFileImport.h"
#include "platform/Prompts.h"
#include "platform/Sound.h"
#include "support/DbFixture.h"
#include "support/TestEnv.h"
#include "fixtures/FixtureServer.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

using FieldFileImport::Outcome;

namespace
{
const QString kCode = QStringLiteral("1503RAND");

/** Rows of `table` for a meeting, in the order written, as text (Null as an
 *  invalid QVariant). */
QList<QVariantList> rowsOf(const DbFixture& db, const QString& table, const QStringList& columns,
                           const QString& code = kCode)
{
    QList<QVariantList> out;
    // Every column read as its stored text (dates and times as written).
    QStringList select;
    for (const QString& c : columns)
        select << c + QStringLiteral(" || '' AS ") + c;
    for (const QVariantMap& row : db.rows(QStringLiteral("SELECT %1 FROM %2 WHERE MeetingCode = ? ORDER BY rowid")
                                              .arg(select.join(QLatin1String(", ")), table),
                                          {code})) {
        QVariantList values;
        for (const QString& c : columns)
            values << row.value(c);
        out << values;
    }
    return out;
}

void expectRows(const QList<QVariantList>& actual, const QStringList& columns, const QList<QVariantList>& expected)
{
    ASSERT_EQ(actual.size(), expected.size());
    for (qsizetype r = 0; r < expected.size(); ++r) {
        for (qsizetype c = 0; c < columns.size(); ++c) {
            SCOPED_TRACE(QStringLiteral("row %1 column %2").arg(r + 1).arg(columns[c]).toStdString());
            const QVariant& want = expected[r][c];
            const QVariant& got = actual[r][c];
            if (!want.isValid())
                EXPECT_TRUE(got.isNull()) << got.toString().toStdString();
            else
                EXPECT_EQ(got.toString(), want.toString());
        }
    }
}

QByteArray fileBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

const QVariant Null;

class FieldFileImportTest : public ::testing::Test
{
protected:
    FieldFileImportTest()
        : db(env)
    {
        env.installSounds();
        server.connectProgram();
        server.insert("Track", {{"TrackCode", "RAND"}, {"State", "NSW"}, {"MeetType", "M"}, {"TrackLocat", "Randwick"}});
        server.insert("Track", {{"TrackCode", "SAND"}, {"State", "VIC"}, {"MeetType", "P"}});
        QDir().mkpath(inDir());
        target.strMeetingCur = &meetingCur;
        target.strMeetingType = &meetingType;
        target.importFilePath = &importPath;
        target.importFolder = &importFolder;
        target.loadTrainerGrid = [this] { ++trainerReloads; };
        target.loadMeetingGrid = [this] { ++meetingReloads; };
        Sound::clearHistory();
    }
    ~FieldFileImportTest() override { FieldFileImport::SetBookingCheck({}); }

    QString inDir() const { return env.root() + QStringLiteral("/in"); }
    /** Copies one of the example files into the input folder, under `as`. */
    QString input(const QString& example, const QString& as = QString()) const
    {
        const QString to = inDir() + QLatin1Char('/') + (as.isEmpty() ? example : as);
        QFile::remove(to);
        EXPECT_TRUE(QFile::copy(TestEnv::dataFile(QStringLiteral("fieldfiles/") + example), to));
        return to;
    }
    Outcome import(const QString& example, const QString& as = QString())
    {
        return FieldFileImport::ImportFile(input(example, as), target);
    }

    TestEnv env;
    DbFixture db;
    FixtureServer server;
    FieldFileImport::Target target;
    QString meetingCur, meetingType, importPath, importFolder;
    int trainerReloads = 0;
    int meetingReloads = 0;
};

const QStringList kRaceColumns = {"MeetingCode", "RaceNumber", "RaceCode", "RaceDetails", "RaceDistance",
                                  "RaceTime",    "ApprClaim",  "RaceType", "RaceRSBCode"};
const QStringList kNomsColumns = {"RaceNumber", "RaceCode", "TrainerName", "Phone",    "TrainerLocation", "Horse",
                                  "HorseName",  "Class",    "Weight",      "Form",     "Rating",          "Jockey",
                                  "HorseType",  "Blood1",   "Blood2",      "Blood3",   "Owners",          "HorseDOB",
                                  "Ballot",     "Barrier",  "EntryNo",     "EorB",     "LastJockey"};
} // namespace

TEST_F(FieldFileImportTest, AcceptancesFileGivesExactlyTheRowsOfTheFormat)
{
    Prompts::Script script;
    ASSERT_EQ(import("1503RAND.DGA"), Outcome::Imported); // CRLF, UTF-8
    EXPECT_TRUE(script.records().isEmpty());
    EXPECT_EQ(meetingCur, kCode);
    EXPECT_EQ(meetingType, "ACP");
    EXPECT_EQ(server.sqlQueries(), QStringList{"SELECT State, MeetType FROM Track WHERE TrackCode = 'RAND'"});

    const QStringList meetingColumns = {"MeetingCode",    "MeetingLocation", "MeetingDetails", "MeetingDate",
                                        "DisplayMeeting", "State",           "MeetingLevel",   "MeetType",
                                        "MeetingRSBCode", "Barrier"};
    expectRows(rowsOf(db, "Meeting", meetingColumns), meetingColumns,
               {{kCode, "ROYAL RANDWICK", "Saturday Track Good 4", "2025-03-15", 1, "NSW", "ACP", "M", Null, ""}});

    expectRows(rowsOf(db, "Race", kRaceColumns), kRaceColumns,
               {
                   {kCode, 1, "1200 HCP", "THE GALAXY BM78 $50000 Field Limit: 14+4\rApprentices may claim\rRatings band 0-78",
                    "1200", "13:30:00", 1, Null, Null},
                   {kCode, 2, "1600 SW", "MAIDEN PLATE MDN $35000 Field Limit: 12", "1600", "14:05:00", 0, Null, Null},
                   {kCode, 3, "2000 QUALITY HANDICA", "QUALITY QLTY $80000", "2000", "12:15:00", 0, Null, Null},
               });

    expectRows(rowsOf(db, "Noms", kNomsColumns), kNomsColumns,
               {
                   {1, "1200 HCP", "T BROWN", "0298765432", "RANDWICK", "FAST LAD (NZ)", "FAST LAD ", "BM78", 575,
                    "x1234", "72", "J SMITH", "b g 4", "SIRE A", "DAM A", "DAMSIRE A", "OWNER A & B", "01/09/2020",
                    "=17", 5, 1, "E", Null},
                   // runner 2 had no trainer: not stored; its breeding and owners go to runner 3
                   {1, "1200 HCP", "D O'BRIEN", "041122233344455", "WARWICK FARM", "QUICK SILVER", "QUICK SILVER",
                    "BM78", 50, "x0", "65.5", "A JONES", "br m 3", "SIRE B", "DAM B", "DAMSIRE B", "OWNERS B",
                    "12/10/2019", "12", 7, 3, "e", Null},
                   {1, "1200 HCP", "THE VERY LONG NAMED TRAINING P", "02 9999 8888", "ROSEHILL",
                    QStringLiteral("D\u00C9J\u00C0 VU"), QStringLiteral("D\u00C9J\u00C0 VU"), "BM78", 0, "", "0", "",
                    "b f 2", "S4", "D4", "DS4", "", Null, "", 1, 5, "", Null},
                   {2, "1600 SW", "C WALLER", "0298887777", "ROSEHILL", "MORNING GLORY", "MORNING GLORY", "MDN", 560,
                    "f", "0", "T BERRY", "b g 3", "", "", "", "", Null, "15", 3, 1, "", Null},
                   {2, "1600 SW", "C WALLER", "0298887777", "ROSEHILL", "(IRE) MYSTERY", "(IRE) MYSTERY", "MDN", 555,
                    "", "0", "R KING", "bl f 3", "", "", "", "", Null, "2", 4, 2, "", Null},
                   {3, "2000 QUALITY HANDICA", "G WATERHOUSE", "0298765111", "RANDWICK", "OLD TIMER", "OLD TIMER",
                    "QLTY", 600, "00", "95", "H BOWMAN", "b g 7", "", "", "", "", Null, "1", 9, 1, "", Null},
               });
}

TEST_F(FieldFileImportTest, WeightsAndNominationsFilesAndARacePastRunner99)
{
    ASSERT_EQ(import("1503RAND.DGW"), Outcome::Imported); // LF, Windows-1252
    EXPECT_EQ(db.scalar("SELECT MeetingLevel FROM Meeting WHERE MeetingCode = ?", {kCode}).toString(), "WGT");
    const QStringList cols = {"Horse", "Weight", "Jockey", "Barrier", "Ballot", "EorB", "EntryNo"};
    expectRows(rowsOf(db, "Noms", cols), cols,
               {{"FAST LAD (NZ)", 575, "", 0, "", "", 1},
                {"QUICK SILVER", 50, "", 0, "", "", 3},
                {QStringLiteral("D\u00C9J\u00C0 VU"), 0, "", 0, "", "", 5},
                {"MORNING GLORY", 560, "", 0, "", "", 1},
                {"(IRE) MYSTERY", 555, "", 0, "", "", 2},
                {"OLD TIMER", 600, "", 0, "", "", 1}});

    ASSERT_EQ(import("1503RAND.DGN"), Outcome::Imported);
    EXPECT_EQ(meetingType, "NOM");
    EXPECT_EQ(db.count("Meeting"), 1);
    EXPECT_EQ(db.count("Race"), 3);
    expectRows(rowsOf(db, "Noms", {"Horse", "Weight", "Class", "Rating", "HorseType", "EntryNo"}),
               {"Horse", "Weight", "Class", "Rating", "HorseType", "EntryNo"},
               {{"FAST LAD (NZ)", 0, "BM78", "72", "b g 4", 1},
                {"QUICK SILVER", 0, "BM78", "65.5", "br m 3", 3},
                {"SCRATCHED STAR", 0, "BM70", "60", "gr g 6", 4},
                {QStringLiteral("D\u00C9J\u00C0 VU"), 0, "BM78", "0", "b f 2", 5},
                {"MORNING GLORY", 0, "MDN", "0", "b g 3", 1},
                {"(IRE) MYSTERY", 0, "MDN", "0", "bl f 3", 2},
                {"OLD TIMER", 0, "QLTY", "95", "b g 7", 1}});

    ASSERT_EQ(import("2212SAND.DNA"), Outcome::Imported);
    EXPECT_EQ(db.scalar("SELECT State || MeetType || MeetingDate FROM Meeting WHERE MeetingCode = '2212SAND'"),
              "VICP2024-12-22");
    // The abandoned race (a header followed by the next header) is not stored.
    EXPECT_EQ(db.rows("SELECT RaceNumber FROM Race WHERE MeetingCode = '2212SAND' ORDER BY rowid").size(), 2);
    EXPECT_EQ(db.scalar("SELECT group_concat(RaceNumber) FROM Race WHERE MeetingCode = '2212SAND'").toString(),
              "1,3");
    const QList<QVariantMap> big = db.rows("SELECT EntryNo, Barrier, EorB, Horse FROM Noms WHERE MeetingCode = "
                                           "'2212SAND' AND RaceNumber = 1 ORDER BY rowid");
    ASSERT_EQ(big.size(), 102);
    for (int i = 0; i < 102; ++i) {
        SCOPED_TRACE(i + 1);
        EXPECT_EQ(big[i].value("EntryNo").toInt(), i + 1);
        EXPECT_EQ(big[i].value("Horse").toString(), QStringLiteral("RUNNER %1").arg(i + 1, 3, 10, QLatin1Char('0')));
        // Field limit 20 with 4 emergencies.
        EXPECT_EQ(big[i].value("EorB").toString(), i + 1 > 24 ? "B" : i + 1 > 20 ? "E" : "");
    }
    EXPECT_EQ(db.scalar("SELECT group_concat(EntryNo) FROM Noms WHERE MeetingCode = '2212SAND' AND RaceNumber = 3")
                  .toString(),
              "1,2,3");
    // The other meeting is untouched.
    EXPECT_EQ(db.count("Noms", "MeetingCode = ?", {kCode}), 7);
}

TEST_F(FieldFileImportTest, StagesReplaceTheMeetingAndKeepItsBookings)
{
    db.insert("Jockey", {{"Jockey", "JSMITH"}, {"FullName", "J SMITH"}, {"RideWgt", 54}});
    db.insert("Bookings", {{"Jockey", "JSMITH"}, {"MeetingCode", kCode}, {"RaceCode", "1200 HCP"},
                           {"Horse", "FAST LAD (NZ)"}, {"TrainerName", "T BROWN"}, {"BookingSelection", "Confirmed"},
                           {"Confirmed", true}});
    db.insert("Bookings", {{"Jockey", "JSMITH"}, {"MeetingCode", kCode}, {"RaceCode", "1200 HCP"},
                           {"Horse", "SCRATCHED STAR"}, {"TrainerName", "P SNOWDEN"}, {"BookingSelection", "Planned"}});
    // Rows of a meeting left behind by an earlier, broken load.
    db.insert("Race", {{"MeetingCode", kCode}, {"RaceNumber", 9}, {"RaceCode", "ORPHAN"}});

    // The riders agree with the bookings: no question is asked. From weights
    // on SCRATCHED STAR is gone: each of those loads lists its booking, which
    // stays.
    Prompts::Script script;
    script.answerMsgBox(Prompts::vbOK).answerMsgBox(Prompts::vbOK);
    for (const QString& file : QStringList{"1503RAND.DGN", "1503RAND.DGW", "1503RAND.DGA"}) {
        SCOPED_TRACE(file.toStdString());
        ASSERT_EQ(import(file), Outcome::Imported);
        EXPECT_EQ(db.count("Meeting", "MeetingCode = ?", {kCode}), 1);
        EXPECT_EQ(db.count("Race", "MeetingCode = ?", {kCode}), 3);
        EXPECT_EQ(db.count("Bookings"), 2);
    }
    ASSERT_EQ(script.records().size(), 2);
    for (const Prompts::Record& r : script.records()) {
        EXPECT_EQ(r.title, "Booked horses not in the field");
        EXPECT_EQ(r.style, Prompts::vbOKOnly + Prompts::vbExclamation);
        EXPECT_TRUE(r.text.contains("Horse : SCRATCHED STAR   Jockey : JSMITH   Booking : Planned")) << r.text.toStdString();
        EXPECT_FALSE(r.text.contains("FAST LAD")) << r.text.toStdString();
    }
    EXPECT_TRUE(script.unexpected().isEmpty());
    EXPECT_EQ(db.scalar("SELECT MeetingLevel FROM Meeting").toString(), "ACP");
    EXPECT_EQ(db.count("Noms", "MeetingCode = ?", {kCode}), 6);
    EXPECT_EQ(db.count("Noms", "Horse = 'SCRATCHED STAR'"), 0);
    EXPECT_EQ(db.count("Bookings", "Horse = 'FAST LAD (NZ)' AND Confirmed = 1 AND BookingSelection = 'Confirmed'"), 1);
}

TEST_F(FieldFileImportTest, EveryBookedRunnerGoesToTheBookingsCheck)
{
    QStringList calls;
    FieldFileImport::SetBookingCheck(
        [&](const QString& rider, const QString& code, const QString& horse, const QString& stage, qint16 weight) {
            // The runner is already stored when it is checked.
            EXPECT_EQ(db.count("Noms", "MeetingCode = ? AND Horse = ?", {code, horse}), 1);
            calls << QStringLiteral("%1|%2|%3|%4|%5").arg(rider, code, horse, stage).arg(weight);
        });
    // Bookings match horse and meeting without regard to letter case, as the
    // check itself does; a booking at another meeting does not count.
    for (const QString& horse : QStringList{"FAST LAD (NZ)", "quick silver", QStringLiteral("D\u00C9J\u00C0 VU"), "OLD TIMER"})
        db.insert("Bookings", {{"Jockey", "JSMITH"}, {"MeetingCode", kCode.toLower()}, {"Horse", horse}});
    db.insert("Bookings", {{"Jockey", "JSMITH"}, {"MeetingCode", "2212SAND"}, {"Horse", "MORNING GLORY"}});
    ASSERT_EQ(import("1503RAND.DGA"), Outcome::Imported);
    EXPECT_EQ(calls, (QStringList{"J SMITH|1503RAND|FAST LAD (NZ)|ACP|575", "A JONES|1503RAND|QUICK SILVER|ACP|50",
                                  QStringLiteral("|1503RAND|D\u00C9J\u00C0 VU|ACP|0"),
                                  "H BOWMAN|1503RAND|OLD TIMER|ACP|600"}));
    calls.clear();
    ASSERT_EQ(import("1503RAND.DGW"), Outcome::Imported);
    EXPECT_EQ(calls.size(), 4);
    EXPECT_EQ(calls.value(0), "|1503RAND|FAST LAD (NZ)|WGT|575");
    db.exec("DELETE FROM Bookings");

    // With the program's own check: a booked jockey who is not the rider named
    // at acceptances is questioned, and Yes removes the booking.
    FieldFileImport::SetBookingCheck({});
    db.insert("Jockey", {{"Jockey", "KMAC"}, {"FullName", "K MCDONALD"}, {"RideWgt", 53}});
    db.insert("Bookings", {{"Jockey", "KMAC"}, {"MeetingCode", kCode}, {"RaceCode", "1200 HCP"},
                           {"Horse", "QUICK SILVER"}, {"TrainerName", "D O'BRIEN"}, {"BookingSelection", "Planned"}});
    Prompts::Script script;
    script.answerMsgBox(Prompts::vbYes);
    ASSERT_EQ(import("1503RAND.DGA"), Outcome::Imported);
    ASSERT_EQ(script.messages().size(), 1);
    EXPECT_EQ(script.messages()[0].title, "Jockey booking Error");
    EXPECT_TRUE(script.messages()[0].text.startsWith("ACP For meeting has A JONES"));
    EXPECT_EQ(db.count("Bookings"), 0);
    EXPECT_EQ(db.count("Noms", "MeetingCode = ?", {kCode}), 6);
}

TEST_F(FieldFileImportTest, FaultyFilesLeaveTheDatabaseAsItWas)
{
    db.insert("Bookings", {{"Jockey", "JSMITH"}, {"MeetingCode", kCode}, {"Horse", "FAST LAD (NZ)"}});
    ASSERT_EQ(import("1503RAND.DGN"), Outcome::Imported);
    const QByteArray before = fileBytes(db.path());
    ASSERT_FALSE(before.isEmpty());

    struct Bad
    {
        QString file;
        QString says;
    };
    const QList<Bad> bad = {
        {"bad-truncated.DGA", ": \rline 9: the runner record has 10 fields, 18 are needed."},
        {"bad-binary.DGA", "the file holds binary data, it is not a field file."},
        {"bad-empty.DGA", ": \rthe file is empty."},
        {"bad-date.DGA", ": \rline 1: the meeting date \"31/02/25\" is not a day/month/year date."},
    };
    for (const Bad& b : bad) {
        SCOPED_TRACE(b.file.toStdString());
        Prompts::Script script;
        script.answerMsgBox(Prompts::vbOK);
        server.clearRequests();
        const QString path = input(b.file, "1503RAND.DGA");
        EXPECT_EQ(FieldFileImport::ImportFile(path, target), Outcome::Failed);
        ASSERT_EQ(script.messages().size(), 1);
        EXPECT_EQ(script.messages()[0].title, "Import Error");
        EXPECT_EQ(script.messages()[0].style, Prompts::vbCritical);
        const QString text = script.messages()[0].text;
        EXPECT_TRUE(text.startsWith("The file " + path + " cannot be imported: \r")) << text.toStdString();
        EXPECT_TRUE(text.endsWith(b.says + " \r\rThe database was not changed.")) << text.toStdString();
        EXPECT_EQ(server.requestCount(), 0); // nothing is looked up for a file that is not read
        EXPECT_EQ(fileBytes(db.path()), before);
        EXPECT_EQ(meetingType, "NOM");
        EXPECT_TRUE(script.unexpected().isEmpty());
    }

    // A file that cannot be opened at all.
    Prompts::Script script;
    script.answerMsgBox(Prompts::vbOK);
    EXPECT_EQ(FieldFileImport::ImportFile(inDir() + "/missing.DGA", target), Outcome::Failed);
    ASSERT_EQ(script.messages().size(), 1);
    EXPECT_TRUE(script.messages()[0].text.startsWith("The file " + inDir() + "/missing.DGA cannot be imported: \r"));
    EXPECT_EQ(fileBytes(db.path()), before);
}

TEST_F(FieldFileImportTest, LookupAndDatabaseFailuresStoreNothing)
{
    ASSERT_EQ(import("1503RAND.DGN"), Outcome::Imported);
    const QByteArray before = fileBytes(db.path());

    // The form service cannot be reached: the reply is shown and the file skipped.
    {
        Prompts::Script script;
        script.answerMsgBox(Prompts::vbOK);
        server.enqueue(FixtureServer::Reply::withStatus(404, "Not Found"));
        EXPECT_EQ(import("1503RAND.DGA"), Outcome::Failed);
        ASSERT_EQ(script.messages().size(), 1);
        EXPECT_EQ(script.messages()[0].title, "Connection error");
        EXPECT_EQ(script.messages()[0].text, "Error: 404 Not Found");
        EXPECT_EQ(fileBytes(db.path()), before);
    }
    // A track the service does not know gives an empty state and type.
    {
        Prompts::Script script;
        ASSERT_EQ(import("1503RAND.DGA", "0101XO'Q.DGA"), Outcome::Imported);
        EXPECT_EQ(server.sqlQueries().last(), "SELECT State, MeetType FROM Track WHERE TrackCode = 'XO''Q'");
        EXPECT_EQ(db.scalar("SELECT State || '/' || MeetType FROM Meeting WHERE MeetingCode = ?", {"0101XO'Q"}), "/");
        EXPECT_EQ(db.count("Noms", "MeetingCode = ?", {"0101XO'Q"}), 6);
        EXPECT_TRUE(script.records().isEmpty());
    }
    // The database refuses a row half-way: the meeting's old rows come back.
    db.exec("DELETE FROM Meeting WHERE MeetingCode = ?", {"0101XO'Q"});
    db.exec("DELETE FROM Race WHERE MeetingCode = ?", {"0101XO'Q"});
    db.exec("DELETE FROM Noms WHERE MeetingCode = ?", {"0101XO'Q"});
    db.exec("CREATE TRIGGER refuse BEFORE INSERT ON Noms WHEN NEW.Horse = 'OLD TIMER' "
            "BEGIN SELECT RAISE(ABORT, 'disk is full'); END");
    const int noms = db.count("Noms");
    const QString meeting = db.scalar("SELECT MeetingLevel FROM Meeting WHERE MeetingCode = ?", {kCode}).toString();
    Prompts::Script script;
    script.answerMsgBox(Prompts::vbOK);
    EXPECT_EQ(import("1503RAND.DGA"), Outcome::Failed);
    ASSERT_EQ(script.messages().size(), 1);
    EXPECT_TRUE(script.messages()[0].text.contains("disk is full"));
    EXPECT_EQ(db.count("Noms"), noms);
    EXPECT_EQ(db.count("Noms", "Horse = 'SCRATCHED STAR'"), 1);
    EXPECT_EQ(db.scalar("SELECT MeetingLevel FROM Meeting WHERE MeetingCode = ?", {kCode}).toString(), meeting);
    EXPECT_EQ(meetingCur, "0101XO'Q"); // the last file that was imported
}

TEST_F(FieldFileImportTest, AddDataAsksForFilesAndImportsEachInTurn)
{
    // Cancelled: nothing happens at all.
    {
        Prompts::Script script;
        script.answerOpenFiles({});
        EXPECT_EQ(FieldFileImport::Run(target), 0);
        ASSERT_EQ(script.records().size(), 1);
        EXPECT_EQ(script.records()[0].kind, Prompts::Kind::OpenFile);
        EXPECT_EQ(script.records()[0].text, "Select RSB Downloaded file to load data into Velmora");
        EXPECT_TRUE(script.records()[0].title.startsWith("Noms & Weights Trainer Phone (*.DGN *.DGW *.DNP *.DNW *.DNA)"));
        EXPECT_EQ(trainerReloads + meetingReloads, 0);
        EXPECT_TRUE(Sound::history().isEmpty());
    }
    // One file: its folder becomes the folder the dialog opens in next time.
    {
        gAppSettings.AddDataPath = "/elsewhere";
        Prompts::Script script;
        script.answerOpenFiles({input("1503RAND.DGA")});
        EXPECT_EQ(FieldFileImport::Run(target), 1);
        EXPECT_EQ(gAppSettings.AddDataPath, inDir());
        EXPECT_EQ(importPath, inDir() + "/1503RAND.DGA");
        EXPECT_EQ(trainerReloads, 1);
        EXPECT_EQ(meetingReloads, 1);
        ASSERT_EQ(Sound::history().size(), 1);
        EXPECT_TRUE(Sound::history()[0].endsWith("/Bubble.wav"));
    }
    // Several files: the folder setting stays; a bad name and a bad file are
    // reported and the others still imported, in the order given.
    Sound::clearHistory();
    gAppSettings.AddDataPath = "/kept";
    QFile readme(inDir() + "/README");
    ASSERT_TRUE(readme.open(QIODevice::WriteOnly));
    readme.close();
    Prompts::Script script;
    script.answerOpenFiles({inDir() + "/README", input("1503RAND.DGN"), input("bad-date.DGA", "0101BAD.DGA"),
                            input("2212SAND.DNA")});
    script.answerMsgBox(Prompts::vbOK).answerMsgBox(Prompts::vbOK);
    EXPECT_EQ(FieldFileImport::Run(target), 2);
    EXPECT_EQ(gAppSettings.AddDataPath, "/kept");
    EXPECT_EQ(importFolder, inDir());
    EXPECT_EQ(importPath, inDir() + "/2212SAND.DNA");
    EXPECT_EQ(meetingCur, "2212SAND");
    EXPECT_EQ(meetingType, "ACP");
    const QList<Prompts::Record> msgs = script.messages();
    ASSERT_EQ(msgs.size(), 2);
    EXPECT_EQ(msgs[0].text, "File cannot be processed.");
    EXPECT_EQ(msgs[0].title, "Invalid For Convert");
    EXPECT_EQ(msgs[0].style, Prompts::vbCritical);
    EXPECT_TRUE(msgs[1].text.contains("0101BAD.DGA cannot be imported: \rline 1:"));
    EXPECT_TRUE(script.unexpected().isEmpty());
    ASSERT_EQ(Sound::history().size(), 2);
    EXPECT_TRUE(Sound::history()[0].endsWith("/Error.Wav"));
    EXPECT_TRUE(Sound::history()[1].endsWith("/Bubble.wav"));
    EXPECT_EQ(trainerReloads, 2);
    EXPECT_EQ(meetingReloads, 2);
    EXPECT_EQ(db.count("Meeting"), 2);
    EXPECT_EQ(db.count("Meeting", "MeetingCode = '0101BAD'"), 0);
    EXPECT_EQ(db.scalar("SELECT MeetingLevel FROM Meeting WHERE MeetingCode = ?", {kCode}).toString(), "NOM");
}

TEST(FieldFileCorpus, SavedFuzzInputsReadWithoutFault)
{
    const QDir dir(QStringLiteral(VELMORA_SOURCE_DIR "/fuzz/corpus"));
    const QStringList files = dir.entryList(QDir::Files);
    ASSERT_GE(files.size(), 9);
    int accepted = 0;
    for (const QString& name : files) {
        SCOPED_TRACE(name.toStdString());
        const QByteArray bytes = fileBytes(dir.filePath(name));
        for (const QString& stage : QStringList{"ACP", "NOM", "WGT", "N/A"}) {
            const FieldFileParser::Result r = FieldFileParser::parse(bytes, stage);
            if (!r.ok) {
                EXPECT_FALSE(r.error.isEmpty());
                EXPECT_TRUE(r.races.isEmpty() && r.runners.isEmpty());
                continue;
            }
            ++accepted;
            EXPECT_TRUE(r.meeting.date.isValid());
            for (const FieldFileParser::Race& race : r.races)
                EXPECT_LE(race.raceCode.size(), 20);
            for (const FieldFileParser::Runner& n : r.runners) {
                EXPECT_LE(n.trainerName.size(), 30);
                EXPECT_LE(n.phone.size(), 15);
                EXPECT_EQ(n.horseName, FieldFileParser::horseNameOf(n.horse));
            }
        }
    }
    EXPECT_GT(accepted, 0);
}

TEST_F(FieldFileImportTest, ATrackLookupAnsweredWithAPageTakesNothingFromIt)
{
    ASSERT_EQ(import("1503RAND.DGN"), Outcome::Imported);
    const QByteArray before = fileBytes(db.path());
    Prompts::Script script;
    script.answerMsgBox(Prompts::vbOK);
    server.enqueue(FixtureServer::Reply::withBody("<html><head><title>NSW|M</title></head><body>Login</body></html>"));
    EXPECT_EQ(import("1503RAND.DGA"), Outcome::Failed);
    ASSERT_EQ(script.messages().size(), 1);
    EXPECT_EQ(script.messages()[0].text, modDatabase::kMalformedReplyText);
    EXPECT_EQ(script.messages()[0].title, "Connection error");
    EXPECT_EQ(fileBytes(db.path()), before);
}
