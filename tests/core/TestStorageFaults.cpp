// Faults in the middle of storage work: a compacted copy damaged before it
// replaces the database, a table rebuild that fails half-way, and the
// deletion of a registry key that still has keys under it.
#include "core/cRegistry.h"
#include "core/modDatabase.h"
#include "platform/VbError.h"
#include "support/DbFixture.h"
#include "support/TestEnv.h"

#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <sqlite3.h>

using namespace modDatabase;

namespace
{
void fillNoms(DbFixture& fx, int rows)
{
    DaoDatabase db = fx.db();
    db.BeginTrans();
    for (int i = 0; i < rows; ++i)
        db.Execute(QStringLiteral("INSERT INTO Noms (MeetingCode, RaceNumber, Horse, Owners) VALUES (?, ?, ?, ?)"),
                   {QStringLiteral("M%1").arg(i % 10), i, QStringLiteral("Horse %1").arg(i), QString(200, QLatin1Char('o'))});
    db.CommitTrans();
}

// Ways a copy can be damaged on its way to the disk.
enum class Damage
{
    PageInTheMiddle, // one page overwritten with rubbish
    Truncated,       // the second half missing
    Header,          // the file header overwritten
};

void damage(const QString& path, Damage how)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    const qint64 size = f.size();
    ASSERT_GT(size, 8 * 4096);
    switch (how) {
    case Damage::PageInTheMiddle:
        // Page sizes are powers of two up to 64 KiB, so a 4 KiB stretch that
        // starts on a 4 KiB boundary lies within one page.
        f.seek((size / 2) / 4096 * 4096);
        f.write(QByteArray(4096, '\x5A'));
        break;
    case Damage::Truncated:
        f.resize(size / 2);
        break;
    case Damage::Header:
        f.seek(0);
        f.write(QByteArray(100, '\x01'));
        break;
    }
    f.close();
}
} // namespace

TEST(StorageFaults, CompactedCopyDamagedBeforeItsCheckNeverReplacesTheDatabase)
{
    TestEnv env;
    DbFixture fx(env);
    fillNoms(fx, 1500);
    fx.exec(QStringLiteral("DELETE FROM Noms WHERE RaceNumber % 3 = 0"));
    const QString temp = env.appDir() + QStringLiteral("/temp.mdb");
    for (Damage how : {Damage::PageInTheMiddle, Damage::Truncated, Damage::Header}) {
        SCOPED_TRACE(static_cast<int>(how));
        gDbEngine.CloseAll();
        const QByteArray hash = fx.fileHash();
        bool damaged = false;
        SetCompactionHook([&](const char* stage) {
            if (qstrcmp(stage, "copied") == 0) {
                damage(temp, how);
                damaged = true;
            }
        });
        EXPECT_FALSE(CompactLocalDatabase());
        SetCompactionHook({});
        EXPECT_TRUE(damaged);
        EXPECT_EQ(fx.fileHash(), hash);
        EXPECT_FALSE(QFileInfo::exists(temp));
        EXPECT_EQ(fx.count(QStringLiteral("Noms")), 1000);
        EXPECT_EQ(fx.scalar(QStringLiteral("PRAGMA integrity_check")).toString(), QStringLiteral("ok"));
    }
    // Undamaged, the same compaction goes through.
    EXPECT_TRUE(CompactLocalDatabase());
    EXPECT_EQ(fx.count(QStringLiteral("Noms")), 1000);
}

TEST(StorageFaults, TableRebuildFailingHalfWayRollsEverythingBack)
{
    TestEnv env;
    DbFixture fx(env);
    fx.exec(QStringLiteral("CREATE TABLE T (Id INTEGER PRIMARY KEY, Name TEXT(20) COLLATE NOCASE, Flag TEXT, Code TEXT)"));
    fx.exec(QStringLiteral("CREATE INDEX TByName ON T (Name)"));
    fx.exec(QStringLiteral("CREATE UNIQUE INDEX TByCode ON T (Code)"));
    fx.exec(QStringLiteral("CREATE VIEW VT AS SELECT Name, Flag FROM T"));
    // Flag: one row without a value, which a Yes/No column cannot take.
    // Code: "1" and "1.0" are different texts but the same number.
    fx.insert(QStringLiteral("T"), {{QStringLiteral("Name"), QStringLiteral("a")}, {QStringLiteral("Flag"), QStringLiteral("1")},
                                    {QStringLiteral("Code"), QStringLiteral("1")}});
    fx.insert(QStringLiteral("T"), {{QStringLiteral("Name"), QStringLiteral("b")}, {QStringLiteral("Code"), QStringLiteral("1.0")}});
    DaoDatabase db = OpenLocalDatabase();
    const auto schema = [&] {
        QStringList out;
        for (const QVariantMap& r : fx.rows(QStringLiteral("SELECT type, name, sql FROM sqlite_master ORDER BY name")))
            out << r.value(QStringLiteral("type")).toString() + QLatin1Char(' ') + r.value(QStringLiteral("name")).toString() +
                       QLatin1Char(' ') + r.value(QStringLiteral("sql")).toString();
        return out;
    };
    const QStringList before = schema();
    const auto rowsOfT = [&] {
        QStringList out;
        for (const QVariantMap& r : fx.rows(QStringLiteral("SELECT Id, Name, typeof(Flag) AS F, Flag, Code FROM T ORDER BY Id")))
            out << QStringList{r.value(QStringLiteral("Id")).toString(), r.value(QStringLiteral("Name")).toString(),
                               r.value(QStringLiteral("F")).toString(), r.value(QStringLiteral("Flag")).toString(),
                               r.value(QStringLiteral("Code")).toString()}
                       .join(QLatin1Char('|'));
        return out;
    };
    const QStringList rows = rowsOfT();

    // Failing while the rows are copied (the Null flag), and failing at the
    // very end, when the unique index is made again on the converted codes.
    for (const char* column : {"Flag", "Code"}) {
        SCOPED_TRACE(column);
        const QString type = qstrcmp(column, "Flag") == 0 ? QStringLiteral("YesNo") : QStringLiteral("Double");
        EXPECT_THROW(AddOrAlterColumn(QStringLiteral("T"), QString::fromLatin1(column), type), VbError);
        EXPECT_FALSE(db.InTransaction());
        EXPECT_NE(sqlite3_get_autocommit(db.handle()), 0); // no transaction left open underneath either
        EXPECT_EQ(schema(), before);                       // table, indexes and view as they were
        EXPECT_EQ(rowsOfT(), rows);
        EXPECT_EQ(db.TableDef(QStringLiteral("T")).Field(QString::fromLatin1(column))->DeclaredType(), QStringLiteral("TEXT"));
        EXPECT_EQ(fx.scalar(QStringLiteral("PRAGMA legacy_alter_table")).toInt(), 0);
        EXPECT_EQ(fx.count(QStringLiteral("VT")), 2);
        EXPECT_EQ(fx.count(QStringLiteral("qryMeetingView")), 0); // the program's views too
        EXPECT_EQ(fx.scalar(QStringLiteral("PRAGMA integrity_check")).toString(), QStringLiteral("ok"));
    }
    // The database still takes work after it: a write, and a rebuild that can succeed.
    db.Execute(QStringLiteral("UPDATE T SET Flag = '0' WHERE Flag IS NULL"));
    AddOrAlterColumn(QStringLiteral("T"), QStringLiteral("Flag"), QStringLiteral("YesNo"));
    EXPECT_EQ(fx.scalar(QStringLiteral("SELECT SUM(Flag) FROM T")).toInt(), 1);
    EXPECT_TRUE(fx.scalar(QStringLiteral("SELECT 1 FROM sqlite_master WHERE name = 'TByCode'")).isValid());
}

TEST(StorageFaults, RegistryKeyWithKeysUnderItIsNotDeleted)
{
    TestEnv env;
    constexpr qint32 HKCU = RegistryStore::HKEY_CURRENT_USER;
    const QString parent = QStringLiteral("Software\\Velmora\\Parent");
    cRegistry reg;
    reg.setClassKey(HKCU);
    reg.setSectionKey(parent + QStringLiteral("\\Child"));
    reg.setValueType(RegistryStore::REG_SZ);
    reg.setValueKey(QStringLiteral("Kept"));
    reg.setValue(QStringLiteral("yes"));
    reg.setSectionKey(parent);
    reg.setValueKey(QStringLiteral("Own"));
    reg.setValue(QStringLiteral("mine"));

    // Through the class: an error, and nothing gone (the sub-key named in
    // another letter case is still a sub-key).
    for (const QString& spelling : {parent, parent.toUpper()}) {
        reg.setSectionKey(spelling);
        EXPECT_THROW(reg.DeleteKey(), VbError);
        EXPECT_TRUE(reg.KeyExists());
    }
    RegistryStore store;
    EXPECT_FALSE(store.deleteKey(HKCU, parent));
    EXPECT_TRUE(store.keyExists(HKCU, parent));
    reg.setSectionKey(parent);
    reg.setValueKey(QStringLiteral("Own"));
    EXPECT_EQ(reg.Value().toString(), QStringLiteral("mine"));
    EXPECT_TRUE(store.readValue(HKCU, parent + QStringLiteral("\\child"), QStringLiteral("kept")).has_value());

    // Once its sub-key is gone it can go; a key with a similar name is no sub-key.
    store.createKey(HKCU, QStringLiteral("Software\\Velmora\\ParentTwo"));
    EXPECT_TRUE(store.deleteKey(HKCU, parent + QStringLiteral("\\Child")));
    reg.setSectionKey(parent);
    EXPECT_TRUE(reg.DeleteKey());
    EXPECT_FALSE(store.keyExists(HKCU, parent));
    EXPECT_TRUE(store.keyExists(HKCU, QStringLiteral("Software\\Velmora\\ParentTwo")));
}
