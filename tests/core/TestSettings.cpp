// The settings object: defaults, the full round trip, conversions and the
// store's failure modes.
#include "core/cAppSettings.h"
#include "core/cRegistry.h"
#include "platform/Prompts.h"
#include "support/TestEnv.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <csignal>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace
{
constexpr qint32 HKCU = RegistryStore::HKEY_CURRENT_USER;

void storeText(const QString& name, const QString& text)
{
    RegistryStore store;
    QByteArray data = text.toUtf8();
    data.append('\0');
    ASSERT_TRUE(store.writeValue(HKCU, cAppSettings::kSection, name, {RegistryStore::REG_SZ, data}));
}

std::optional<QString> storedText(const QString& name)
{
    RegistryStore store;
    auto v = store.readValue(HKCU, cAppSettings::kSection, name);
    if (!v)
        return std::nullopt;
    QByteArray d = v->data;
    if (d.endsWith('\0'))
        d.chop(1);
    return QString::fromUtf8(d);
}

// A settings object with a distinct value in every member.
cAppSettings distinctSettings()
{
    cAppSettings s;
    int n = 0;
    auto text = [&n](const char* what) { return QStringLiteral("%1-%2").arg(QLatin1String(what)).arg(++n); };
    s.DBPath = text("db");
    s.DataServer = text("server");
    s.AddDataPath = text("add");
    s.BackupPath = text("backup");
    s.DebugPath = text("debug");
    s.MainTrainerSortKey = QStringLiteral("2+");
    s.StatHorseSortKey = text("sh");
    s.StatTrainerSortKey = text("st");
    s.StatJockeySortKey = text("sj");
    s.MainTrainerOrder = QStringLiteral("3,4,2,1");
    s.MainTrainerWidth = QStringLiteral("100,200,300,400");
    s.MainNomsOrder = text("no");
    s.MainNomsWidth = text("nw");
    s.MainLeft = 11;
    s.MainTop = 12;
    s.MainWidth = 13;
    s.MainHeight = 14;
    s.MainMax = true;
    s.AppVersion = 2.617f;
    s.AlreadyUpgraded = true;
    s.DefaultState = QStringLiteral("NSW");
    s.AllowGetData = true;
    s.ABN = text("abn");
    s.ApplyGST = true;
    s.Companyname = text("company");
    s.NextInvoiceNumber = 1001;
    s.UserName = text("user");
    s.RegNo = text("pass");
    s.RaceRaceOrder = text("rro");
    s.RaceRaceWidth = text("rrw");
    s.RaceLeft = 21;
    s.RaceTop = 22;
    s.RaceWidth = 23;
    s.RaceHeight = 24;
    s.RaceMax = true;
    s.RaceResultsGridOrder = text("rgo");
    s.RaceResultsGridWidth = text("rgw");
    s.RaceResultsLeft = 31;
    s.RaceResultsTop = 32;
    s.RaceResultsWidth = 33;
    s.RaceResultsHeight = 34;
    s.RaceResultsMax = true;
    s.StatHorseOrder = text("sho");
    s.StatHorseWidth = text("shw");
    s.FrmHorseLeft = 41;
    s.FrmHorseTop = 42;
    s.FrmHorseWidth = 43;
    s.FrmHorseHeight = 44;
    s.FrmHorseMax = true;
    s.StatJockeyOrder = text("sjo");
    s.StatJockeyWidth = text("sjw");
    s.FrmJockeyLeft = 51;
    s.FrmJockeyTop = 52;
    s.FrmJockeyWidth = 53;
    s.FrmJockeyHeight = 54;
    s.FrmJockeyMax = true;
    s.StatTrainerOrder = text("sto");
    s.StatTrainerWidth = text("stw");
    s.FrmTrainerLeft = 61;
    s.FrmTrainerTop = 62;
    s.FrmTrainerWidth = 63;
    s.FrmTrainerHeight = 64;
    s.FrmTrainerMax = true;
    s.AlwCalcWeights = true;
    s.ExtChgText1 = text("x1");
    s.ExtChgText2 = text("x2");
    s.ExtChgVal1 = -5;
    s.ExtChgVal2 = 75;
    return s;
}

#define EXPECT_SAME_MEMBERS(a, b)                                                                                      \
    do {                                                                                                               \
        EXPECT_EQ(a.DBPath, b.DBPath);                                                                                 \
        EXPECT_EQ(a.DataServer, b.DataServer);                                                                         \
        EXPECT_EQ(a.AddDataPath, b.AddDataPath);                                                                       \
        EXPECT_EQ(a.BackupPath, b.BackupPath);                                                                         \
        EXPECT_EQ(a.DebugPath, b.DebugPath);                                                                           \
        EXPECT_EQ(a.MainTrainerSortKey, b.MainTrainerSortKey);                                                         \
        EXPECT_EQ(a.StatHorseSortKey, b.StatHorseSortKey);                                                             \
        EXPECT_EQ(a.StatTrainerSortKey, b.StatTrainerSortKey);                                                         \
        EXPECT_EQ(a.StatJockeySortKey, b.StatJockeySortKey);                                                           \
        EXPECT_EQ(a.MainTrainerOrder, b.MainTrainerOrder);                                                             \
        EXPECT_EQ(a.MainTrainerWidth, b.MainTrainerWidth);                                                             \
        EXPECT_EQ(a.MainNomsOrder, b.MainNomsOrder);                                                                   \
        EXPECT_EQ(a.MainNomsWidth, b.MainNomsWidth);                                                                   \
        EXPECT_EQ(a.MainLeft, b.MainLeft);                                                                             \
        EXPECT_EQ(a.MainTop, b.MainTop);                                                                               \
        EXPECT_EQ(a.MainWidth, b.MainWidth);                                                                           \
        EXPECT_EQ(a.MainHeight, b.MainHeight);                                                                         \
        EXPECT_EQ(a.MainMax, b.MainMax);                                                                               \
        EXPECT_EQ(a.AppVersion, b.AppVersion);                                                                         \
        EXPECT_EQ(a.AlreadyUpgraded, b.AlreadyUpgraded);                                                               \
        EXPECT_EQ(a.DefaultState, b.DefaultState);                                                                     \
        EXPECT_EQ(a.AllowGetData, b.AllowGetData);                                                                     \
        EXPECT_EQ(a.ABN, b.ABN);                                                                                       \
        EXPECT_EQ(a.ApplyGST, b.ApplyGST);                                                                             \
        EXPECT_EQ(a.Companyname, b.Companyname);                                                                       \
        EXPECT_EQ(a.NextInvoiceNumber, b.NextInvoiceNumber);                                                           \
        EXPECT_EQ(a.UserName, b.UserName);                                                                             \
        EXPECT_EQ(a.RegNo, b.RegNo);                                                                                   \
        EXPECT_EQ(a.RaceRaceOrder, b.RaceRaceOrder);                                                                   \
        EXPECT_EQ(a.RaceRaceWidth, b.RaceRaceWidth);                                                                   \
        EXPECT_EQ(a.RaceLeft, b.RaceLeft);                                                                             \
        EXPECT_EQ(a.RaceTop, b.RaceTop);                                                                               \
        EXPECT_EQ(a.RaceWidth, b.RaceWidth);                                                                           \
        EXPECT_EQ(a.RaceHeight, b.RaceHeight);                                                                         \
        EXPECT_EQ(a.RaceMax, b.RaceMax);                                                                               \
        EXPECT_EQ(a.RaceResultsGridOrder, b.RaceResultsGridOrder);                                                     \
        EXPECT_EQ(a.RaceResultsGridWidth, b.RaceResultsGridWidth);                                                     \
        EXPECT_EQ(a.RaceResultsLeft, b.RaceResultsLeft);                                                               \
        EXPECT_EQ(a.RaceResultsTop, b.RaceResultsTop);                                                                 \
        EXPECT_EQ(a.RaceResultsWidth, b.RaceResultsWidth);                                                             \
        EXPECT_EQ(a.RaceResultsHeight, b.RaceResultsHeight);                                                           \
        EXPECT_EQ(a.RaceResultsMax, b.RaceResultsMax);                                                                 \
        EXPECT_EQ(a.StatHorseOrder, b.StatHorseOrder);                                                                 \
        EXPECT_EQ(a.StatHorseWidth, b.StatHorseWidth);                                                                 \
        EXPECT_EQ(a.FrmHorseLeft, b.FrmHorseLeft);                                                                     \
        EXPECT_EQ(a.FrmHorseTop, b.FrmHorseTop);                                                                       \
        EXPECT_EQ(a.FrmHorseWidth, b.FrmHorseWidth);                                                                   \
        EXPECT_EQ(a.FrmHorseHeight, b.FrmHorseHeight);                                                                 \
        EXPECT_EQ(a.FrmHorseMax, b.FrmHorseMax);                                                                       \
        EXPECT_EQ(a.StatJockeyOrder, b.StatJockeyOrder);                                                               \
        EXPECT_EQ(a.StatJockeyWidth, b.StatJockeyWidth);                                                               \
        EXPECT_EQ(a.FrmJockeyLeft, b.FrmJockeyLeft);                                                                   \
        EXPECT_EQ(a.FrmJockeyTop, b.FrmJockeyTop);                                                                     \
        EXPECT_EQ(a.FrmJockeyWidth, b.FrmJockeyWidth);                                                                 \
        EXPECT_EQ(a.FrmJockeyHeight, b.FrmJockeyHeight);                                                               \
        EXPECT_EQ(a.FrmJockeyMax, b.FrmJockeyMax);                                                                     \
        EXPECT_EQ(a.StatTrainerOrder, b.StatTrainerOrder);                                                             \
        EXPECT_EQ(a.StatTrainerWidth, b.StatTrainerWidth);                                                             \
        EXPECT_EQ(a.FrmTrainerLeft, b.FrmTrainerLeft);                                                                 \
        EXPECT_EQ(a.FrmTrainerTop, b.FrmTrainerTop);                                                                   \
        EXPECT_EQ(a.FrmTrainerWidth, b.FrmTrainerWidth);                                                               \
        EXPECT_EQ(a.FrmTrainerHeight, b.FrmTrainerHeight);                                                             \
        EXPECT_EQ(a.FrmTrainerMax, b.FrmTrainerMax);                                                                   \
        EXPECT_EQ(a.AlwCalcWeights, b.AlwCalcWeights);                                                                 \
        EXPECT_EQ(a.ExtChgText1, b.ExtChgText1);                                                                       \
        EXPECT_EQ(a.ExtChgText2, b.ExtChgText2);                                                                       \
        EXPECT_EQ(a.ExtChgVal1, b.ExtChgVal1);                                                                         \
        EXPECT_EQ(a.ExtChgVal2, b.ExtChgVal2);                                                                         \
    } while (false)
} // namespace

TEST(Settings, FirstStartGivesDefaultsAndTheFirstSaveWritesAll68Values)
{
    TestEnv env;
    cAppSettings s;
    EXPECT_TRUE(s.LoadSettings());
    EXPECT_EQ(s.DataServer, cAppSettings::kDefaultDataServer);
    EXPECT_FALSE(s.DataServer.isEmpty());
    EXPECT_EQ(s.DBPath, QString());
    EXPECT_EQ(s.MainLeft, 0);
    EXPECT_FALSE(s.MainMax);
    EXPECT_EQ(s.AppVersion, 0.0f);
    EXPECT_FALSE(s.AlreadyUpgraded);
    // Loading wrote nothing; the default server reaches the store with a save.
    EXPECT_FALSE(QFile::exists(env.registryFile()));

    ASSERT_TRUE(s.SaveSettings());
    RegistryStore store;
    const auto names = store.valueNames(HKCU, cAppSettings::kSection);
    ASSERT_TRUE(names.has_value());
    EXPECT_EQ(names->size(), 68);
    EXPECT_EQ(*names, cAppSettings::valueNames());
    EXPECT_TRUE(names->contains(QStringLiteral("Upgraded")));
    EXPECT_TRUE(names->contains(QStringLiteral("CompanyName")));
    EXPECT_FALSE(names->contains(QStringLiteral("AlreadyUpgraded")));
    EXPECT_FALSE(names->contains(QStringLiteral("Companyname")));
    EXPECT_EQ(storedText(QStringLiteral("DataServer")), cAppSettings::kDefaultDataServer);
    EXPECT_EQ(storedText(QStringLiteral("MainMax")), QStringLiteral("False"));
}

TEST(Settings, EveryMemberSurvivesASaveAndALoad)
{
    TestEnv env;
    const cAppSettings written = distinctSettings();
    cAppSettings copy = written;
    ASSERT_TRUE(copy.SaveSettings());
    cAppSettings read;
    ASSERT_TRUE(read.LoadSettings());
    EXPECT_SAME_MEMBERS(written, read);

    EXPECT_EQ(storedText(QStringLiteral("AppVersion")), QStringLiteral("2.617"));
    EXPECT_EQ(storedText(QStringLiteral("NextInvoiceNumber")), QStringLiteral("1001"));
    EXPECT_EQ(storedText(QStringLiteral("ExtChgVal1")), QStringLiteral("-5"));
    EXPECT_EQ(storedText(QStringLiteral("Upgraded")), QStringLiteral("True"));
    EXPECT_EQ(storedText(QStringLiteral("CompanyName")), written.Companyname);
    EXPECT_EQ(storedText(QStringLiteral("BackupPath")), written.BackupPath);
    EXPECT_EQ(storedText(QStringLiteral("DebugPath")), written.DebugPath);
}

TEST(Settings, StoredTextsConvertIntoTheMembersTypes)
{
    TestEnv env;
    struct LongCase
    {
        const char* text;
        qint32 value;
    };
    for (const LongCase& c : {LongCase{"2.5", 2}, LongCase{"3.5", 4}, LongCase{"-2.5", -2}, LongCase{" 7 ", 7},
                              LongCase{"1e3", 1000}}) {
        storeText(QStringLiteral("MainLeft"), QString::fromLatin1(c.text));
        cAppSettings s;
        EXPECT_TRUE(s.LoadSettings()) << c.text;
        EXPECT_EQ(s.MainLeft, c.value) << c.text;
    }
    struct BoolCase
    {
        const char* text;
        bool value;
    };
    for (const BoolCase& c : {BoolCase{"true", true}, BoolCase{"FALSE", false}, BoolCase{"0", false},
                              BoolCase{"-1", true}, BoolCase{"2", true}}) {
        storeText(QStringLiteral("MainMax"), QString::fromLatin1(c.text));
        cAppSettings s;
        EXPECT_TRUE(s.LoadSettings()) << c.text;
        EXPECT_EQ(s.MainMax, c.value) << c.text;
    }
    // A Single written under a comma-decimal number format still reads.
    storeText(QStringLiteral("AppVersion"), QStringLiteral("2,618"));
    cAppSettings s;
    EXPECT_TRUE(s.LoadSettings());
    EXPECT_FLOAT_EQ(s.AppVersion, 2.618f);

    // Texts that do not convert are failures of that one value.
    for (const auto& [name, text] : {std::pair{"MainTop", "3000000000"}, std::pair{"MainMax", "yes"},
                                     std::pair{"AppVersion", "1e40"}, std::pair{"MainWidth", ""}}) {
        TestEnv fresh;
        storeText(QString::fromLatin1(name), QString::fromLatin1(text));
        cAppSettings bad;
        EXPECT_FALSE(bad.LoadSettings()) << name << "=" << text;
    }
}

TEST(Settings, ABadValueInTheMiddleDoesNotBlockTheValuesAfterIt)
{
    TestEnv env;
    cAppSettings written = distinctSettings();
    ASSERT_TRUE(written.SaveSettings());
    storeText(QStringLiteral("MainLeft"), QStringLiteral("abc"));

    cAppSettings s;
    s.MainLeft = 999; // what the member held before the load
    EXPECT_FALSE(s.LoadSettings());
    EXPECT_EQ(s.MainLeft, 999);
    EXPECT_EQ(s.DBPath, written.DBPath);
    EXPECT_EQ(s.MainNomsWidth, written.MainNomsWidth);
    // Values read after the bad one still load: the migration flag and the
    // account are not lost (a later save would otherwise wipe them).
    EXPECT_TRUE(s.AlreadyUpgraded);
    EXPECT_EQ(s.UserName, written.UserName);
    EXPECT_EQ(s.RegNo, written.RegNo);
    EXPECT_EQ(s.ExtChgVal2, written.ExtChgVal2);
    EXPECT_EQ(s.MainTop, written.MainTop);
}

TEST(Settings, NothingReachesTheStoreBeforeASave)
{
    TestEnv env;
    cAppSettings s;
    s.DBPath = QStringLiteral("/first");
    ASSERT_TRUE(s.SaveSettings());
    s.DBPath = QStringLiteral("/changed");
    cAppSettings other;
    other.LoadSettings();
    EXPECT_EQ(other.DBPath, QStringLiteral("/first"));
}

TEST(Settings, EnvironmentReferencesAreStoredExpandableAndReadExpanded)
{
    TestEnv env;
    qputenv("VELMORA_T", "/srv/racing");
    cAppSettings s;
    s.DBPath = QStringLiteral("%VELMORA_T%/data");
    ASSERT_TRUE(s.SaveSettings());
    RegistryStore store;
    EXPECT_EQ(store.readValue(HKCU, cAppSettings::kSection, QStringLiteral("DBPath"))->type,
              RegistryStore::REG_EXPAND_SZ);
    EXPECT_EQ(store.readValue(HKCU, cAppSettings::kSection, QStringLiteral("BackupPath"))->type,
              RegistryStore::REG_SZ);
    cAppSettings read;
    read.LoadSettings();
    EXPECT_EQ(read.DBPath, QStringLiteral("/srv/racing/data"));
    qunsetenv("VELMORA_T");
}

TEST(Settings, DamagedOrUnwritableStoreLeavesTheProgramRunning)
{
    TestEnv env;
    cAppSettings written = distinctSettings();
    ASSERT_TRUE(written.SaveSettings());

    // A store file cut short: loading falls back to the defaults.
    QFile f(env.registryFile());
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    f.resize(f.size() / 3);
    f.close();
    cAppSettings s;
    EXPECT_TRUE(s.LoadSettings());
    EXPECT_EQ(s.DBPath, QString());
    EXPECT_EQ(s.DataServer, cAppSettings::kDefaultDataServer);

    // A store that cannot be written (its folder is a plain file): the save
    // reports failure instead of pretending.
    QFile blocker(env.root() + QStringLiteral("/notafolder"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    qputenv("VELMORA_REGISTRY", (env.root() + QStringLiteral("/notafolder/registry.json")).toUtf8());
    cAppSettings u = written;
    {
        Prompts::Script script;
        script.answerMsgBox(Prompts::vbOK);
        EXPECT_FALSE(u.SaveSettings());
        ASSERT_EQ(script.messages().size(), 1);
        EXPECT_EQ(script.messages().first().title, QStringLiteral("Settings Error"));
        EXPECT_TRUE(script.messages().first().text.startsWith(QStringLiteral("The settings could not be saved to:")));
        // The program's own saves later in the run find the same store: the
        // user has been told already.
        EXPECT_FALSE(u.SaveSettings());
        EXPECT_FALSE(u.SaveSettings());
        EXPECT_EQ(script.messages().size(), 1);
    }
    qputenv("VELMORA_REGISTRY", env.registryFile().toUtf8());
}

TEST(Settings, ASaveOverTheFileSizeLimitKeepsTheOldStoreAndTellsWhy)
{
    TestEnv env;
    cAppSettings old = distinctSettings();
    ASSERT_TRUE(old.SaveSettings());
    const QByteArray before = [&env] {
        QFile f(env.registryFile());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }();
    ASSERT_GT(before.size(), 4096);

    // The disk refuses the write part-way: in a child process (the limit
    // must not reach this one) writes stop at 1 KiB and fail, as on a full
    // disk. The child reports through its exit code what it saw.
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::signal(SIGXFSZ, SIG_IGN);
        struct rlimit limit{1024, 1024};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        Prompts::Script script;
        script.answerMsgBox(Prompts::vbOK);
        cAppSettings changed = distinctSettings();
        changed.DBPath = QStringLiteral("/changed/") + QString(8000, QLatin1Char('x'));
        int code = 0;
        if (changed.SaveSettings())
            code |= 1; // claimed success
        const auto messages = script.messages();
        if (messages.size() != 1 || messages.first().title != QStringLiteral("Settings Error")
            || !messages.first().text.contains(QDir::toNativeSeparators(env.registryFile()))
            || !messages.first().text.contains(QStringLiteral("File too large")))
            code |= 2; // not told, or not why
        ::_exit(code);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status)) << "the child ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status) & 1, 0) << "the save claimed success";
    EXPECT_EQ(WEXITSTATUS(status) & 2, 0) << "the failure was not told with the file and the reason";

    // The old store is whole: same bytes, it loads, nothing moved aside.
    QFile f(env.registryFile());
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), before);
    EXPECT_FALSE(QFile::exists(env.registryFile() + QStringLiteral(".bak")));
    cAppSettings loaded;
    EXPECT_TRUE(loaded.LoadSettings());
    EXPECT_EQ(loaded.DBPath, old.DBPath);
    EXPECT_EQ(loaded.UserName, old.UserName);
}

TEST(SettingsStore, OneLoadParsesTheFileOnceAndSeesOtherWritersChanges)
{
    TestEnv env;
    cAppSettings saved = distinctSettings();
    ASSERT_TRUE(saved.SaveSettings());

    const quint64 before = RegistryStore::parseCount();
    cAppSettings loaded;
    EXPECT_TRUE(loaded.LoadSettings());
    EXPECT_EQ(loaded.DBPath, saved.DBPath);
    EXPECT_EQ(RegistryStore::parseCount() - before, 1u); // not once per value

    // A store kept open still sees another program's write at once.
    RegistryStore mine;
    const auto read = [&mine](const QString& name) {
        QByteArray d = mine.readValue(HKCU, cAppSettings::kSection, name).value_or(RegistryStore::Value{}).data;
        if (d.endsWith('\0'))
            d.chop(1);
        return QString::fromUtf8(d);
    };
    EXPECT_EQ(read(QStringLiteral("DBPath")), saved.DBPath);
    storeText(QStringLiteral("DBPath"), QStringLiteral("/elsewhere"));
    EXPECT_EQ(read(QStringLiteral("DBPath")), QStringLiteral("/elsewhere"));
    const quint64 afterChange = RegistryStore::parseCount();
    EXPECT_EQ(read(QStringLiteral("DataServer")), saved.DataServer);
    EXPECT_EQ(RegistryStore::parseCount(), afterChange);
}

TEST(SettingsStore, ADamagedFileIsKeptToldOnceAndNeverOverwritten)
{
    TestEnv env;
    Prompts::Script prompts;
    ASSERT_TRUE(distinctSettings().SaveSettings());
    const auto damage = [&](const QByteArray& bytes) {
        QFile f(env.registryFile());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
    };
    const auto bytesOf = [](const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    };

    damage("{\"keys\": [ {\"root\": -2147483647, \"pa");
    cAppSettings s;
    s.LoadSettings();
    EXPECT_TRUE(s.DBPath.isEmpty()); // defaults
    const QString kept = env.registryFile() + QStringLiteral(".bak");
    EXPECT_EQ(bytesOf(kept), QByteArray("{\"keys\": [ {\"root\": -2147483647, \"pa"));

    prompts.answerMsgBox(Prompts::vbOK);
    EXPECT_TRUE(cAppSettings::ReportDamagedSettings());
    EXPECT_FALSE(cAppSettings::ReportDamagedSettings()); // told once
    ASSERT_EQ(prompts.messages().size(), 1);
    EXPECT_EQ(prompts.messages()[0].text,
              "The settings file was damaged and could not be read: \r" + env.registryFile()
                  + " \r\rThe damaged file has been kept as: \r" + kept
                  + " \r\rThe program is using default settings. Check the database folder and the other settings "
                    "in System Defaults.");
    EXPECT_EQ(prompts.messages()[0].title, "Settings Error");
    EXPECT_EQ(prompts.messages()[0].style, Prompts::vbExclamation);

    // Saved again, damaged again: the first kept copy stays as it was.
    ASSERT_TRUE(s.SaveSettings());
    damage("not json at all");
    s.LoadSettings();
    EXPECT_EQ(bytesOf(kept), QByteArray("{\"keys\": [ {\"root\": -2147483647, \"pa"));
    EXPECT_EQ(bytesOf(kept + QStringLiteral(".2")), QByteArray("not json at all"));
    const auto second = RegistryStore::takeDamage();
    ASSERT_TRUE(second.has_value());
    EXPECT_EQ(second->keptAs, kept + QStringLiteral(".2"));
}
