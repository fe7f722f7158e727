// The main window's whole menu tree: every menu and item with its caption,
// shortcut and starting state, and every item chosen on an empty database and
// on one with a meeting, a trainer, a runner and a jockey, with the program's
// own windows behind the commands. Each choice must do what its command says
// (open its window, ask its question, change its rows) or, where its row is
// missing, nothing; never crash and never put an unexpected prompt.
#include "core/FrmBrowse.h"
#include "core/cAppSettings.h"
#include "core/frmAbout.h"
#include "core/modJockeyLists.h"
#include "core/modJockeyStats.h"
#include "core/modJockeyWeb.h"
#include "core/modOpeners.h"
#include "core/modShared.h"
#include "fixtures/FixtureServer.h"
#include "mainwindow/Main.h"
#include "mainwindow/WindowOpeners.h"
#include "platform/Grid.h"
#include "platform/Prompts.h"
#include "raceview/FrmRace.h"
#include "support/MainFixture.h"
#include "support/QtPrinters.h"

#include <QAction>
#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QShortcut>
#include <QTextEdit>

#include <gtest/gtest.h>

namespace
{
struct Item
{
    const char* parent; // "" for the menu bar's menus and the pop-up parents
    const char* name;
    const char* caption;
    const char* shortcut; // "" for none
    bool enabled;
};

// The tree in display order.
const Item kTree[] = {
    {"", "mnuFile", "&File", "", true},
    {"mnuFile", "mnuEditJockey", "Edit &Jockey", "", true},
    {"mnuFile", "mnuBackupDatabase", "&Backup Database", "", true},
    {"mnuFile", "mnuRepairDB", "&Compact and Repair Database", "", true},
    {"mnuFile", "mnuRemove", "&Remove Unwanted Data", "", true},
    {"mnuFile", "mnudebugtoggle", "&Debug Mode", "", true},
    {"mnuFile", "mnuResetRace", "&Reset Race Window", "", true},
    {"", "mnuSetup", "&Setup", "", true},
    {"mnuSetup", "MnuBookTemp", "&Booking Templates", "", true},
    {"mnuSetup", "MnuAllGet", "Allow &Get Data", "", true},
    {"mnuSetup", "mnuBookRate", "&Riding Fees", "", true},
    {"mnuSetup", "mnuSystemSettings", "&System Settings", "", true},
    {"", "mnuHelp", "&Help", "", true},
    {"mnuHelp", "mnuAbout", "&About", "", true},
    {"", "mnuPUMenu", "Form PopUp (Meeting List view Pop Up)", "", true},
    {"mnuPUMenu", "MnuRace", "&Race View", "Ctrl+R", true},
    {"mnuPUMenu", "MnuMeetingView", "&Meeting View", "Ctrl+M", true},
    {"mnuPUMenu", "mnuReload", "Re&load Data", "Ctrl+L", true},
    {"mnuPUMenu", "mnuMeetingForm", "&Form", "Ctrl+F", true},
    {"mnuPUMenu", "mnuDeleteMeeting", "&Delete Meeting", "Ctrl+D", true},
    {"", "MnuPUNoms", "Form Popup Nominations", "", true},
    {"MnuPUNoms", "mnuRaceView", "Race View", "", true},
    {"MnuPUNoms", "MnuHorseForm", "&Horse Form", "", true},
    {"MnuPUNoms", "MnuVicRatings", "&Ratings", "Ctrl+V", true},
    {"MnuPUNoms", "mnuNomsRBForm", "Race &Form", "", true},
    {"MnuPUNoms", "mnuJockeystats", "&Jockey Stats", "Ctrl+J", true},
    {"MnuPUNoms", "mnuRego", "Rego Search", "", true},
    {"MnuPUNoms", "mnuVideoForm", "Video Form", "", false},
    {"MnuPUNoms", "mnuUpdateStatus", "Set the remaining status to ", "Ctrl+S", true},
    {"", "mnuPUNames", "Form Popup (Names)", "", true},
    {"mnuPUNames", "mnuTrainerStats", "&Trainer Stats", "Ctrl+T", true},
    {"mnuPUNames", "mnuEditTrainer", "&Edit Trainer", "Ctrl+E", true},
    {"mnuPUNames", "mnutrainStrk", "Trainer Strike Rate", "", false},
    {"mnuPUNames", "MnuTranierJockStrk", "Trainer/Jockey Strike Rate", "", false},
    {"mnuPUNames", "MnuTrainJockForm", "Trainer/Jockey Form", "", true},
    {"", "MnuPuJockey", "Form Popup Jockey", "", true},
    {"MnuPuJockey", "mnuPrvRides", "&Previous Rides", "", true},
    {"MnuPuJockey", "MnuJockStrike", "Jockey Strike rate", "", false},
    {"MnuPuJockey", "mnuTrnJockStrk", "Trainer Jockey Strike Rate", "", false},
    {"MnuPuJockey", "mnuRldJokDta", "Reload Jockey Form Data", "", true},
    {"MnuPuJockey", "mnuSelJckIcn", "Select Jockey for Icons", "", true},
    {"MnuPuJockey", "mnuJockeyReport", "Print Jockey Invoice Report", "", true},
};

const QString kFlem = QStringLiteral("0712FLEM");

QString describe(const Prompts::Record& r)
{
    switch (r.kind)
    {
    case Prompts::Kind::MsgBox:
        return QStringLiteral("message: ") + r.text;
    case Prompts::Kind::InputBox:
        return QStringLiteral("input: ") + r.text;
    case Prompts::Kind::OpenFile:
        return QStringLiteral("open file: ") + r.text;
    case Prompts::Kind::SaveFile:
        return QStringLiteral("save file: ") + r.text;
    case Prompts::Kind::Color:
        return QStringLiteral("colour");
    case Prompts::Kind::Modal:
        return QStringLiteral("window: ") + r.text;
    }
    return QString();
}

// The main window with the program's own windows behind its commands, a local
// form server for everything remote and a program folder of its own.
class MenuTree : public ::testing::Test
{
protected:
    MainFixture f;
    FixtureServer server;
    QString backupDir;

    void SetUp() override
    {
        ResetSharedState();
        modOpeners::Openers() = WindowOpeners();
        RegisterWindowOpeners();
        server.connectProgram();
        ASSERT_TRUE(server.execFile(QStringLiteral(VELMORA_SOURCE_DIR "/tests/fixtures/FormSample.sql")));
        server.addPage(QStringLiteral("/publishing/RBH/pgFindHorse.asp?txtMode=ProcessSearch"),
                       FixtureServer::Reply::withBody("<html>none</html>"), "POST");
        Main::SetRaceBookSite(server.url());
        modJockey::SetRbhSite(server.url());
        modJockey::SetRegistrationSite(server.url());
        backupDir = QDir(f.env().root()).filePath(QStringLiteral("backup"));
        QDir().mkpath(backupDir);
    }
    void TearDown() override
    {
        Main::SetRaceBookSite(QString());
        modJockey::SetRbhSite(QString());
        modJockey::SetRegistrationSite(QString());
        modOpeners::Openers() = WindowOpeners();
        ResetSharedState();
    }

    QAction* action(const char* name) const
    {
        return f.main().findChild<QAction*>(QString::fromLatin1(name));
    }

    /** Chooses an item with the answers `prepare` queues; returns every prompt
     *  and window it put up, in order. An unexpected one fails the test. */
    QStringList choose(const char* name, const std::function<void(Prompts::Script&)>& prepare = {})
    {
        Prompts::Script script;
        if (prepare)
            prepare(script);
        QAction* a = action(name);
        EXPECT_NE(a, nullptr) << name;
        if (a)
            a->trigger();
        QStringList seen;
        for (const Prompts::Record& r : script.records())
            seen << describe(r);
        EXPECT_TRUE(script.unexpected().isEmpty()) << name << ": " << seen.join(QStringLiteral(" | ")).toStdString();
        EXPECT_EQ(script.pending(), 0) << name << " left answers unused";
        return seen;
    }

    /** A modal answer that notes what the window shows and closes it. */
    static std::function<void(Prompts::Script&)> closeWindow(QStringList* shown = nullptr)
    {
        return [shown](Prompts::Script& s) {
            s.answerModal([shown](QDialog* d) {
                if (shown)
                {
                    if (auto* race = qobject_cast<FrmRace*>(d))
                        *shown << race->MeetingCode + QLatin1Char('/') + QString::number(race->RaceNumber);
                    else
                        *shown << d->windowTitle();
                }
                d->reject();
            });
        };
    }

    /** The answer to one message box. */
    static void ok(Prompts::Script& s) { s.answerMsgBox(Prompts::vbOK); }
};
} // namespace

TEST_F(MenuTree, EveryItemHasItsCaptionShortcutAndStartingState)
{
    Main& m = f.main();
    // The menu bar holds exactly the three menus; the pop-up parents never show there.
    QStringList bar;
    for (QAction* a : m.menuBar()->actions())
        bar << (a->menu() ? a->menu()->objectName() : a->objectName());
    EXPECT_EQ(bar, (QStringList{"mnuFile", "mnuSetup", "mnuHelp"}));

    QMap<QString, QStringList> children;
    for (const Item& it : kTree)
    {
        const QString name = QString::fromLatin1(it.name);
        if (!*it.parent)
        {
            auto* menu = m.findChild<QMenu*>(name);
            ASSERT_NE(menu, nullptr) << it.name;
            EXPECT_EQ(menu->title(), QString::fromLatin1(it.caption)) << it.name;
            children[name]; // listed even when empty
            continue;
        }
        children[QString::fromLatin1(it.parent)] << name;
        QAction* a = action(it.name);
        ASSERT_NE(a, nullptr) << it.name;
        EXPECT_EQ(a->text(), QString::fromLatin1(it.caption)) << it.name;
        EXPECT_EQ(a->shortcut(), QKeySequence(QString::fromLatin1(it.shortcut))) << it.name;
        EXPECT_EQ(a->isEnabled(), it.enabled) << it.name;
        EXPECT_TRUE(a->isVisible()) << it.name;
        // A pop-up item's Ctrl key also works from the window (the pop-up need
        // not be open); no other key is taken.
        auto* key = m.findChild<QShortcut*>(name + QStringLiteral("Key"));
        if (*it.shortcut)
        {
            ASSERT_NE(key, nullptr) << it.name;
            EXPECT_EQ(key->key(), a->shortcut()) << it.name;
        }
        else
        {
            EXPECT_EQ(key, nullptr) << it.name;
        }
        // Only the debug switch carries a check mark, and it starts off.
        EXPECT_EQ(a->isCheckable(), name == QStringLiteral("mnudebugtoggle")) << it.name;
        EXPECT_FALSE(a->isChecked()) << it.name;
    }
    EXPECT_EQ(m.findChildren<QShortcut*>().size(), 10);
    // Each menu holds its items in display order and nothing else.
    for (auto it = children.begin(); it != children.end(); ++it)
    {
        QStringList items;
        for (QAction* a : m.findChild<QMenu*>(it.key())->actions())
            items << a->objectName();
        EXPECT_EQ(items, it.value()) << it.key().toStdString();
    }
}

TEST_F(MenuTree, EveryItemOnAnEmptyDatabase)
{
    Main& m = f.main();
    m.LoadMeetingGrid();
    m.LoadTrainerGrid();
    f.loadJockeys();
    const QString backup = QDir(backupDir).filePath(QStringLiteral("Tarrow.mdb"));

    // Record windows and settings windows open on no rows at all.
    EXPECT_EQ(choose("mnuEditJockey", closeWindow()), QStringList{"window: frmJockey"});
    EXPECT_EQ(choose("MnuBookTemp", closeWindow()), QStringList{"window: frmBookingTemplate"});
    EXPECT_EQ(choose("MnuAllGet", closeWindow()), QStringList{"window: frmAllowGet"});
    EXPECT_EQ(choose("mnuBookRate", closeWindow()), QStringList{"window: frmBookRate"});
    EXPECT_EQ(choose("mnuSystemSettings", closeWindow()), QStringList{"window: frmState"});

    // Database maintenance works on an empty database too.
    EXPECT_EQ(choose("mnuBackupDatabase", [&](Prompts::Script& s) { s.answerSaveFile(backup).answerMsgBox(Prompts::vbOK); }),
              (QStringList{"save file: Backup Velmora Database",
                           "message: Backup of Velmora Database Completed to Location: " + backup}));
    EXPECT_TRUE(QFileInfo(backup).size() > 0);
    EXPECT_TRUE(choose("mnuRepairDB").isEmpty());
    EXPECT_EQ(f.db().count(QStringLiteral("Meeting")), 0); // still a readable database
    EXPECT_EQ(choose("mnuRemove", [](Prompts::Script& s) { s.answerMsgBox(Prompts::vbNo); }),
              QStringList{"message: Select Yes to Remove old Data, or No to Cancel"});
    const QString debugFile = QDir(backupDir).filePath(QStringLiteral("debug.txt"));
    EXPECT_EQ(choose("mnudebugtoggle", [&](Prompts::Script& s) { s.answerSaveFile(debugFile); }),
              QStringList{"save file: Build a debug File"});
    EXPECT_TRUE(m.mnudebugtoggle->isChecked());
    EXPECT_TRUE(gDebugOn);
    EXPECT_TRUE(choose("mnudebugtoggle").isEmpty()); // off again without asking
    EXPECT_FALSE(m.mnudebugtoggle->isChecked());
    gAppSettings.RaceTop = 300;
    gAppSettings.RaceLeft = 200;
    EXPECT_TRUE(choose("mnuResetRace").isEmpty());
    EXPECT_EQ(gAppSettings.RaceTop, 0);
    EXPECT_EQ(gAppSettings.RaceLeft, 0);

    EXPECT_TRUE(choose("mnuAbout").isEmpty()); // not modal: shown beside the main window
    ASSERT_EQ(m.findChildren<frmAbout*>().size(), 1);
    EXPECT_TRUE(m.findChildren<frmAbout*>()[0]->isVisible());
    m.findChildren<frmAbout*>()[0]->close();

    // Nothing picked in any grid: the commands that act on a row do nothing,
    // and the few that need a pick say so.
    for (const char* name : {"MnuRace", "MnuMeetingView", "mnuMeetingForm", "mnuDeleteMeeting", "mnuRaceView",
                             "MnuHorseForm", "MnuVicRatings", "mnuNomsRBForm", "mnuJockeystats", "mnuRego",
                             "mnuVideoForm", "mnuUpdateStatus", "mnuTrainerStats", "mnutrainStrk",
                             "MnuTranierJockStrk", "MnuTrainJockForm", "mnuPrvRides", "MnuJockStrike",
                             "mnuRldJokDta"})
        EXPECT_TRUE(choose(name).isEmpty()) << name;
    EXPECT_EQ(server.requestCount(), 0); // nothing was looked up for nobody
    EXPECT_TRUE(m.findChildren<FrmBrowse*>().isEmpty());

    m.txtRace->setPlainText(QStringLiteral("old header"));
    EXPECT_TRUE(choose("mnuReload").isEmpty());
    EXPECT_TRUE(m.MeetingInList.isEmpty());
    EXPECT_TRUE(m.txtRace->toPlainText().isEmpty());

    EXPECT_EQ(choose("mnuEditTrainer", ok), QStringList{"message: Select a trainer in the trainer list first."});
    EXPECT_EQ(choose("mnuSelJckIcn", ok), QStringList{"message: Jockey Must be Seleted for Icons."});
    // A disabled item chosen anyway (its command is kept): only the check.
    m.mnuTrnJockStrk->setEnabled(true);
    {
        Prompts::Script script;
        m.mnuTrnJockStrk->trigger();
        ASSERT_EQ(script.messages().size(), 1);
        EXPECT_EQ(script.messages()[0].text, QStringLiteral("Jockey Must be Seleted for Jockey/Trainer Strike Rate."));
        EXPECT_EQ(script.messages()[0].title, QStringLiteral("Select a Jockey"));
        EXPECT_EQ(script.messages()[0].style, Prompts::vbCritical);
    }
    // No jockey picked: the invoice window says so and does not open.
    EXPECT_EQ(choose("mnuJockeyReport", ok),
              QStringList{"message: Select a jockey from the jockey list first."});
}

TEST_F(MenuTree, EveryItemOnAFixtureDatabase)
{
    f.addMeeting(kFlem, QStringLiteral("NOM"));
    f.db().insert(QStringLiteral("Race"), {{"MeetingCode", kFlem}, {"RaceNumber", 3}, {"RaceCode", "1400 HCP"},
                                           {"RaceDetails", "Winter Handicap"}});
    f.addTrainer(QStringLiteral("J Hawkes"));
    f.addRunner(kFlem, 3, QStringLiteral("J Hawkes"), QStringLiteral("Silver Lining"), 565, QString(), QString(),
                QStringLiteral("J HAWKES"));
    f.addRunner(kFlem, 3, QStringLiteral("J Hawkes"), QStringLiteral("Red Sky"), 545, QString(), QString(),
                QStringLiteral("J HAWKES"));
    f.addJockey(QStringLiteral("J Smith"), QStringLiteral(" 255"));
    f.addBooking(kFlem, QStringLiteral("Red Sky"), QStringLiteral("J Smith"), QStringLiteral("Ring trainer"));
    f.db().insert(QStringLiteral("BookingTemplate"), {{"Sequence", 1}, {"Template", "Ring trainer"}});
    Main& m = f.main();
    m.LoadMeetingGrid();
    m.LoadTrainerGrid();
    f.loadJockeys();
    // The race view reloads the lists when it closes: the picks are made again
    // before each group of commands, as the user would.
    const auto pick = [&] {
        ASSERT_TRUE(f.clickTrainer(QStringLiteral("J Hawkes")));
        m.grdMeeting->setSelectedCell(1, 1);
        const int silver = MainFixture::rowOf(m.grdNoms, QStringLiteral("Silver Lining"), 4);
        ASSERT_GT(silver, 0);
        m.grdNoms->setSelectedCell(silver, 4);
        m.grdJockey->setSelectedCell(1, 1);
    };
    pick();

    // The race view: race 1 and the whole meeting of each selected meeting,
    // the runner's own race from the nominations.
    QStringList shown;
    EXPECT_EQ(choose("MnuRace", closeWindow(&shown)), QStringList{"window: FrmRace"});
    EXPECT_EQ(choose("MnuMeetingView", closeWindow(&shown)), QStringList{"window: FrmRace"});
    EXPECT_EQ(choose("mnuRaceView", closeWindow(&shown)), QStringList{"window: FrmRace"});
    EXPECT_EQ(shown, (QStringList{kFlem + "/1", kFlem + "/0", kFlem + "/3"}));

    // Statistics of the runner, the trainer and the jockey.
    pick();
    QStringList modes;
    const auto statsWindow = [&](Prompts::Script& s) {
        s.answerModal([&](QDialog* d) {
            modes << gStatsMode;
            d->reject();
        });
    };
    EXPECT_EQ(choose("MnuHorseForm", statsWindow), QStringList{"window: FrmRaceStats"});
    EXPECT_EQ(choose("mnuTrainerStats", statsWindow), QStringList{"window: FrmRaceStats"});
    EXPECT_EQ(choose("MnuTrainJockForm", statsWindow), QStringList{"window: FrmRaceStats"});
    EXPECT_EQ(choose("mnuPrvRides", statsWindow), QStringList{"window: FrmRaceStats"});
    EXPECT_EQ(modes, (QStringList{"horse", "trainer", "trainer/jockey", "jockey"}));

    // Web pages of the meeting and the runner, from the local server.
    shown.clear();
    EXPECT_EQ(choose("mnuMeetingForm", closeWindow(&shown)), QStringList{"window: FrmBrowse"});
    EXPECT_EQ(choose("MnuVicRatings", closeWindow(&shown)), QStringList{"window: FrmBrowse"});
    EXPECT_EQ(choose("mnuRego", closeWindow(&shown)), QStringList{"window: FrmBrowse"});
    EXPECT_EQ(shown, (QStringList{"Racebook Form", "RBH Vic Rating", "Registration Search - Silver Lining"}));
    EXPECT_TRUE(choose("mnuNomsRBForm").isEmpty()); // not modal
    ASSERT_EQ(m.findChildren<FrmBrowse*>().size(), 1);
    EXPECT_TRUE(m.findChildren<FrmBrowse*>()[0]->isVisible());
    m.findChildren<FrmBrowse*>()[0]->close();

    // Record windows on the picked trainer; the disabled and empty items do nothing.
    EXPECT_EQ(choose("mnuEditTrainer", closeWindow()), QStringList{"window: frmEditTrainer"});
    for (const char* name : {"mnuJockeystats", "mnuVideoForm", "mnutrainStrk", "MnuTranierJockStrk", "MnuJockStrike"})
        EXPECT_TRUE(choose(name).isEmpty()) << name;
    m.mnuTrnJockStrk->setEnabled(true);
    EXPECT_TRUE(choose("mnuTrnJockStrk").isEmpty()); // a jockey is picked: nothing to ask

    // The jockey's rides come from the form server.
    const int before = server.requestCount();
    EXPECT_TRUE(choose("mnuRldJokDta").isEmpty());
    EXPECT_EQ(server.requestCount(), before + 1);
    EXPECT_EQ(f.db().count(QStringLiteral("RaceStats"), QStringLiteral("Jockey = 'J Smith'")), 3);

    // The icon jockey is the picked jockey; choosing again clears it.
    EXPECT_TRUE(choose("mnuSelJckIcn").isEmpty());
    EXPECT_EQ(modJockey::gIconJockey, QStringLiteral("J Smith"));
    m.grdJockey->setSelectedCell(1, 1);
    EXPECT_TRUE(choose("mnuSelJckIcn").isEmpty());
    EXPECT_TRUE(modJockey::gIconJockey.isEmpty());

    // "Set Remaining Status to": offered over the template's text, given to
    // the runner without a status.
    ASSERT_TRUE(f.clickTrainer(QStringLiteral("J Hawkes")));
    const int red = MainFixture::rowOf(m.grdNoms, QStringLiteral("Red Sky"), 4);
    m.mnuUpdateStatus->setData(m.grdNoms->cellText(red, 13));
    EXPECT_TRUE(choose("mnuUpdateStatus").isEmpty());
    EXPECT_EQ(f.db().count(QStringLiteral("Bookings"), QStringLiteral("BookingSelection = 'Ring trainer'")), 2);

    // Reload takes the selected meeting; Delete Meeting hides it.
    m.grdMeeting->setSelectedCell(1, 1);
    EXPECT_TRUE(choose("mnuReload").isEmpty());
    EXPECT_EQ(m.MeetingInList, QStringLiteral("( '0712FLEM')"));
    m.grdMeeting->setSelectedCell(1, 1);
    EXPECT_TRUE(choose("mnuDeleteMeeting").isEmpty());
    EXPECT_EQ(f.db().count(QStringLiteral("Meeting"), QStringLiteral("DisplayMeeting = 0")), 1);
    EXPECT_EQ(f.db().count(QStringLiteral("Noms")), 0);
    EXPECT_EQ(m.grdMeeting->rows(), 0);

    // The invoice window of the picked jockey, once his terms are set.
    m.grdJockey->setSelectedCell(1, 1);
    EXPECT_EQ(choose("mnuJockeyReport", ok),
              QStringList{"message: Jockey \"J Smith\" has no Manager Rate. Enter it in the jockey's record first."});
    f.db().exec(QStringLiteral("UPDATE Jockey SET ManagerRate = 10, InvoicePeriod = 'M'"));
    shown.clear();
    EXPECT_EQ(choose("mnuJockeyReport", closeWindow(&shown)), QStringList{"window: frmSelectDate"});
    ASSERT_EQ(shown.size(), 1);
    EXPECT_TRUE(shown[0].endsWith(QStringLiteral(" - J Smith"))) << shown[0].toStdString();
}
