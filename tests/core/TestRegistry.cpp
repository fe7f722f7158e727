// The registry class over our file store: value types, conversions, errors.
#include "core/cRegistry.h"
#include "platform/VbError.h"
#include "support/TestEnv.h"

#include <QFile>
#include <QScopeGuard>

#include <gtest/gtest.h>

#include <string>

#include <sys/stat.h>

namespace
{
constexpr qint32 HKCU = RegistryStore::HKEY_CURRENT_USER;
const QString kSection = QStringLiteral("Software\\Velmora\\Test");

class RegistryTest : public ::testing::Test
{
protected:
    TestEnv env;
    cRegistry reg;

    void SetUp() override
    {
        reg.setClassKey(HKCU);
        reg.setSectionKey(kSection);
    }

    // Stores raw bytes of any type, as another program would have left them.
    void storeRaw(const QString& name, quint32 type, const QByteArray& data)
    {
        RegistryStore store;
        ASSERT_TRUE(store.writeValue(HKCU, kSection, name, {type, data}));
    }

    RegistryStore::Value stored(const QString& name)
    {
        RegistryStore store;
        auto v = store.readValue(HKCU, kSection, name);
        EXPECT_TRUE(v.has_value());
        return v.value_or(RegistryStore::Value{});
    }
};
} // namespace

TEST_F(RegistryTest, MissingValuesGiveTheDefaultAndLeaveTheType)
{
    reg.setValueType(RegistryStore::REG_SZ);
    reg.setValueKey(QStringLiteral("Nothing"));
    EXPECT_FALSE(reg.Value().isValid());
    reg.setDefault(QStringLiteral("fallback"));
    EXPECT_EQ(reg.Value().toString(), QStringLiteral("fallback"));
    reg.setSectionKey(QStringLiteral("Software\\Nobody\\Here"));
    EXPECT_EQ(reg.Value().toString(), QStringLiteral("fallback"));
    EXPECT_EQ(reg.ValueType(), static_cast<qint32>(RegistryStore::REG_SZ));
    EXPECT_FALSE(reg.KeyExists());
}

TEST_F(RegistryTest, TextValuesAndTheirTypes)
{
    // Plain text: REG_SZ, read back as written; names compare without case.
    reg.setValueType(RegistryStore::REG_SZ);
    reg.setValueKey(QStringLiteral("Folder"));
    reg.setValue(QStringLiteral("/data/velmora"));
    EXPECT_EQ(stored(QStringLiteral("Folder")).type, RegistryStore::REG_SZ);
    reg.setValueKey(QStringLiteral("FOLDER"));
    EXPECT_EQ(reg.Value().toString(), QStringLiteral("/data/velmora"));

    // A multi-string keeps the zero characters between its parts.
    storeRaw(QStringLiteral("Multi"), RegistryStore::REG_MULTI_SZ, QByteArray("a\0b\0\0", 5));
    reg.setValueKey(QStringLiteral("Multi"));
    EXPECT_EQ(reg.Value().toString(), QString::fromLatin1("a\0b\0", 4));
    EXPECT_EQ(reg.ValueType(), static_cast<qint32>(RegistryStore::REG_MULTI_SZ));

    // A text stored with no bytes at all reads as empty instead of failing.
    storeRaw(QStringLiteral("Empty"), RegistryStore::REG_SZ, QByteArray());
    reg.setValueKey(QStringLiteral("Empty"));
    EXPECT_EQ(reg.Value().toString(), QString());

    // Numbers and Booleans written as text.
    reg.setValueType(RegistryStore::REG_SZ);
    reg.setValueKey(QStringLiteral("Flag"));
    reg.setValue(true);
    EXPECT_EQ(reg.Value().toString(), QStringLiteral("True"));
    reg.setValueKey(QStringLiteral("Count"));
    reg.setValue(-5);
    EXPECT_EQ(reg.Value().toString(), QStringLiteral("-5"));
}

TEST_F(RegistryTest, EnvironmentReferencesMakeExpandableTexts)
{
    qputenv("VELMORA_T", "/home/tester");
    struct Case
    {
        const char* text;
        quint32 type;
    };
    const Case cases[] = {
        {"%VELMORA_T%/data", RegistryStore::REG_EXPAND_SZ},
        {"%a%", RegistryStore::REG_EXPAND_SZ},
        {"x%%y%", RegistryStore::REG_EXPAND_SZ},
        {"%%", RegistryStore::REG_SZ},
        {"50%", RegistryStore::REG_SZ},
        {"a%b", RegistryStore::REG_SZ},
    };
    reg.setValueKey(QStringLiteral("Path"));
    for (const Case& c : cases) {
        reg.setValueType(RegistryStore::REG_SZ);
        reg.setValue(QString::fromLatin1(c.text));
        EXPECT_EQ(stored(QStringLiteral("Path")).type, c.type) << c.text;
    }
    reg.setValue(QStringLiteral("%VELMORA_T%/data"));
    EXPECT_EQ(reg.Value().toString(), QStringLiteral("/home/tester/data"));
    // An unknown variable is left as it stands.
    reg.setValue(QStringLiteral("%NO_SUCH_VELMORA_VAR%/x"));
    EXPECT_EQ(reg.Value().toString(), QStringLiteral("%NO_SUCH_VELMORA_VAR%/x"));
    qunsetenv("VELMORA_T");
}

TEST_F(RegistryTest, DwordsBinaryAndByteOrder)
{
    reg.setValueKey(QStringLiteral("Number"));
    reg.setValueType(RegistryStore::REG_DWORD_BIG_ENDIAN);
    reg.setValue(static_cast<qint32>(0x12345678));
    const auto v = stored(QStringLiteral("Number"));
    EXPECT_EQ(v.type, RegistryStore::REG_DWORD);
    EXPECT_EQ(v.data, QByteArray("\x78\x56\x34\x12", 4));
    EXPECT_EQ(reg.Value().toInt(), 0x12345678);

    storeRaw(QStringLiteral("Big"), RegistryStore::REG_DWORD_BIG_ENDIAN, QByteArray("\x12\x34\x56\x78", 4));
    reg.setValueKey(QStringLiteral("Big"));
    EXPECT_EQ(reg.Value().toInt(), 0x12345678);
    EXPECT_EQ(cRegistry::SwapEndian(0x12345678u), 0x78563412u);

    reg.setValueKey(QStringLiteral("Blob"));
    reg.setValueType(RegistryStore::REG_BINARY);
    reg.setValue(QByteArray("\x00\x01\xFF", 3));
    EXPECT_EQ(reg.Value().toByteArray(), QByteArray("\x00\x01\xFF", 3));
    EXPECT_EQ(reg.ValueType(), static_cast<qint32>(RegistryStore::REG_BINARY));
}

TEST_F(RegistryTest, WriteFailuresRaiseNumberedErrorsWithTheirSource)
{
    reg.setValueKey(QStringLiteral("V"));
    // Never-set type: the value cannot be written.
    try {
        reg.setValue(QStringLiteral("x"));
        FAIL() << "expected an error";
    } catch (const VbError& e) {
        EXPECT_EQ(e.number(), cRegistry::kErrSetValue);
        EXPECT_EQ(e.source(), cRegistry::ErrorSource());
        EXPECT_TRUE(e.source().endsWith(QStringLiteral(".cRegistry")));
        EXPECT_EQ(e.description(), QStringLiteral("Failed to set registry value Key: '-2147483647',Section:'")
                                       + kSection + QStringLiteral("',Key: 'V' to value: 'x'"));
    }
    // Binary needs a byte array.
    reg.setValueType(RegistryStore::REG_BINARY);
    try {
        reg.setValue(QStringLiteral("text"));
        FAIL() << "expected an error";
    } catch (const VbError& e) {
        EXPECT_EQ(e.number(), cRegistry::kErrGeneral);
    }
    // A text cannot be stored as a DWORD: reported, not silently dropped.
    reg.setValueType(RegistryStore::REG_DWORD);
    EXPECT_THROW(reg.setValue(QStringLiteral("twelve")), VbError);
    RegistryStore store;
    EXPECT_FALSE(store.readValue(HKCU, kSection, QStringLiteral("V")).has_value());

    // The machine-wide part is not kept: writing there fails with 26001.
    reg.setClassKey(RegistryStore::HKEY_LOCAL_MACHINE);
    reg.setValueType(RegistryStore::REG_SZ);
    try {
        reg.setValue(QStringLiteral("x"));
        FAIL() << "expected an error";
    } catch (const VbError& e) {
        EXPECT_EQ(e.number(), 26001);
        EXPECT_TRUE(e.description().startsWith(QStringLiteral("Failed to set registry Value Key: '-2147483646'")));
    }
    EXPECT_FALSE(reg.KeyExists());
}

TEST_F(RegistryTest, KeysValuesAndEnumeration)
{
    reg.setSectionKey(QStringLiteral("Software\\Velmora\\Empty"));
    EXPECT_TRUE(reg.CreateKey());
    EXPECT_TRUE(reg.KeyExists());
    QStringList names;
    qint32 count = -1;
    EXPECT_TRUE(reg.EnumerateValues(names, count));
    EXPECT_EQ(count, 0);

    reg.setSectionKey(kSection);
    reg.setValueType(RegistryStore::REG_SZ);
    for (const char* n : {"One", "Two", "Three"}) {
        reg.setValueKey(QString::fromLatin1(n));
        reg.setValue(QStringLiteral("v"));
    }
    EXPECT_TRUE(reg.EnumerateValues(names, count));
    EXPECT_EQ(count, 3);
    EXPECT_EQ(names, (QStringList{"One", "Two", "Three"}));

    reg.setValueKey(QStringLiteral("two"));
    EXPECT_TRUE(reg.DeleteValue());
    EXPECT_TRUE(reg.EnumerateValues(names, count));
    EXPECT_EQ(count, 2);
    EXPECT_THROW(reg.DeleteValue(), VbError); // already gone

    reg.setSectionKey(QStringLiteral("Software\\Velmora"));
    EXPECT_TRUE(reg.EnumerateSections(names, count));
    EXPECT_EQ(count, 2);
    EXPECT_TRUE(names.contains(QStringLiteral("Empty")));
    EXPECT_TRUE(names.contains(QStringLiteral("Test")));

    reg.setSectionKey(QStringLiteral("Software\\Velmora\\Empty"));
    EXPECT_TRUE(reg.DeleteKey());
    EXPECT_FALSE(reg.KeyExists());
    EXPECT_THROW(reg.DeleteKey(), VbError);
}

TEST_F(RegistryTest, MachineNamesAndUnreachableMachines)
{
    reg.setMachine(QStringLiteral("abc"));
    EXPECT_EQ(reg.Machine(), QStringLiteral("\\\\abc"));
    reg.setMachine(QStringLiteral("\\\\abc"));
    EXPECT_EQ(reg.Machine(), QStringLiteral("\\\\abc"));
    reg.setMachine(QStringLiteral("ab"));
    EXPECT_EQ(reg.Machine(), QString());

    // Another computer cannot be reached: reads give the default, writes nothing.
    reg.setMachine(QStringLiteral("server"));
    reg.setValueType(RegistryStore::REG_SZ);
    reg.setValueKey(QStringLiteral("Remote"));
    reg.setDefault(QStringLiteral("d"));
    reg.setValue(QStringLiteral("written?"));
    EXPECT_EQ(reg.Value().toString(), QStringLiteral("d"));
    reg.setMachine(QString());
    EXPECT_EQ(reg.Value().toString(), QStringLiteral("d"));
}

TEST_F(RegistryTest, ValueExSetsAllPropertiesAndAnEmptyTextTakesTheDefault)
{
    reg.setValueEx(HKCU, kSection, QStringLiteral("X"), RegistryStore::REG_SZ, QStringLiteral("dflt"), QString());
    EXPECT_EQ(reg.ValueEx(HKCU, kSection, QStringLiteral("X"), RegistryStore::REG_SZ, QVariant()).toString(),
              QStringLiteral("dflt"));
    EXPECT_EQ(reg.ValueKey(), QStringLiteral("X"));
    EXPECT_EQ(reg.ValueEx(HKCU, kSection, QStringLiteral("Y"), RegistryStore::REG_SZ, 7).toInt(), 7);
}

TEST_F(RegistryTest, AdditionalAssociationsRecordTheirErrors)
{
    reg.CreateAdditionalEXEAssociations(QStringLiteral("Velmora.File"), {QStringLiteral("a"), QStringLiteral("b")});
    EXPECT_EQ(reg.LastAssociationError(), cRegistry::kErrAssocParams);
    reg.CreateAdditionalEXEAssociations(QStringLiteral("Velmora.File"),
                                        {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")});
    EXPECT_EQ(reg.LastAssociationError(), cRegistry::kErrAssocNoClass);
}

TEST_F(RegistryTest, DamagedStoreFileIsKeptAsideAndReadsAsEmpty)
{
    reg.setValueType(RegistryStore::REG_SZ);
    reg.setValueKey(QStringLiteral("Keep"));
    reg.setValue(QStringLiteral("value"));
    QFile f(env.registryFile());
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    const QByteArray whole = f.readAll();
    f.resize(whole.size() / 2); // a write cut short by a crash
    f.close();
    EXPECT_FALSE(reg.Value().isValid());
    EXPECT_TRUE(QFile::exists(env.registryFile() + QStringLiteral(".bak")));
    // Writing again starts a fresh, readable store.
    reg.setValue(QStringLiteral("again"));
    EXPECT_EQ(reg.Value().toString(), QStringLiteral("again"));
}

TEST_F(RegistryTest, TheStoreAndItsDamagedCopiesAreKeptToTheirOwner)
{
    const mode_t oldMask = ::umask(022);
    const auto restore = qScopeGuard([oldMask] { ::umask(oldMask); });
    // The permission bits in octal, as ls and chmod write them.
    auto modeOf = [](const QString& path) {
        struct stat st{};
        if (::stat(QFile::encodeName(path).constData(), &st) != 0)
            return std::string("missing");
        return QString::number(st.st_mode & 07777, 8).toStdString();
    };
    const RegistryStore::Value account{RegistryStore::REG_SZ, QByteArray("secret", 7)};

    // Under the usual umask, in folders the program makes for the store.
    const QString folder = env.root() + QStringLiteral("/config/velmora");
    RegistryStore store(folder + QStringLiteral("/registry.json"));
    ASSERT_TRUE(store.writeValue(HKCU, kSection, QStringLiteral("RegNo"), account));
    EXPECT_EQ(modeOf(store.file()), "600");
    EXPECT_EQ(modeOf(folder), "700");
    EXPECT_EQ(modeOf(env.root() + QStringLiteral("/config")), "700");

    // Under a umask that takes nothing away.
    ::umask(0);
    RegistryStore open(env.root() + QStringLiteral("/open.json"));
    ASSERT_TRUE(open.writeValue(HKCU, kSection, QStringLiteral("RegNo"), account));
    EXPECT_EQ(modeOf(open.file()), "600");

    // A store left readable by everyone is narrowed at its next save.
    ASSERT_EQ(::chmod(QFile::encodeName(store.file()).constData(), 0644), 0);
    ASSERT_TRUE(store.writeValue(HKCU, kSection, QStringLiteral("UserName"), account));
    EXPECT_EQ(modeOf(store.file()), "600");

    // A damaged store readable by everyone is kept aside for its owner only.
    ASSERT_EQ(::chmod(QFile::encodeName(store.file()).constData(), 0644), 0);
    {
        QFile f(store.file());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write("{\"keys\": [");
    }
    EXPECT_FALSE(store.readValue(HKCU, kSection, QStringLiteral("RegNo")).has_value());
    RegistryStore::takeDamage();
    ASSERT_TRUE(QFile::exists(store.file() + QStringLiteral(".bak")));
    EXPECT_EQ(modeOf(store.file() + QStringLiteral(".bak")), "600");
}
