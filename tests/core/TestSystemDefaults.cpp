// The System Defaults window: loading the fields, the save rules and the
// folder browse.
#include "core/HttpRequest.h"
#include "core/cAppSettings.h"
#include "core/frmState.h"
#include "platform/Prompts.h"
#include "support/TestEnv.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>

#include <gtest/gtest.h>

namespace
{
class SystemDefaultsTest : public ::testing::Test
{
protected:
    TestEnv env;
    Prompts::Script script;

    void TearDown() override
    {
        modDatabase::gRemoteUser.clear();
        modDatabase::gRemotePass.clear();
    }

    template <typename T> static T* child(QWidget& w, const char* name)
    {
        T* c = w.findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(c, nullptr) << name;
        return c;
    }
    static QLineEdit* edit(QWidget& w, const char* name) { return child<QLineEdit>(w, name); }
    static void save(QWidget& w) { child<QPushButton>(w, "cmdChange")->click(); }
};

TEST_F(SystemDefaultsTest, FieldsShowTheSettingsAndTheAccountInUse)
{
    {
        frmState form;
        form.LoadFields();
        EXPECT_EQ(form.windowTitle(), QStringLiteral("System Defaults"));
        EXPECT_EQ(child<QComboBox>(form, "cmbState")->currentText(), QStringLiteral("VIC"));
        EXPECT_EQ(child<QComboBox>(form, "cmbState")->count(), 8);
        EXPECT_EQ(edit(form, "meABN")->displayText(), QStringLiteral("__-___-___-___"));
    }
    gAppSettings.DefaultState = QStringLiteral("NSW");
    gAppSettings.ABN = QStringLiteral("12-345-678-901");
    gAppSettings.ApplyGST = true;
    gAppSettings.DBPath = QStringLiteral("/srv/velmora");
    gAppSettings.NextInvoiceNumber = 1001;
    gAppSettings.UserName = QStringLiteral("stored");
    modDatabase::gRemoteUser = QStringLiteral("Kelp");
    modDatabase::gRemotePass = QStringLiteral("Kelp");
    frmState form;
    form.LoadFields();
    EXPECT_EQ(child<QComboBox>(form, "cmbState")->currentText(), QStringLiteral("NSW"));
    EXPECT_EQ(edit(form, "meABN")->displayText(), QStringLiteral("12-345-678-901"));
    EXPECT_TRUE(child<QCheckBox>(form, "chkGST")->isChecked());
    EXPECT_EQ(edit(form, "txtDBPath")->text(), QStringLiteral("/srv/velmora"));
    EXPECT_EQ(edit(form, "mebNextInvoiceNumber")->text(), QStringLiteral("1001"));
    EXPECT_EQ(edit(form, "txtUser")->text(), QStringLiteral("Kelp"));
    EXPECT_EQ(edit(form, "txtRegno")->text(), QStringLiteral("Kelp"));
}

TEST_F(SystemDefaultsTest, RefusedSavesChangeNothing)
{
    gAppSettings.NextInvoiceNumber = 7;
    gAppSettings.Companyname = QStringLiteral("Old Co");
    frmState form;
    form.LoadFields();
    form.show();
    edit(form, "txtCompanyName")->setText(QStringLiteral("New Co"));

    // GST with an empty ABN.
    child<QCheckBox>(form, "chkGST")->setChecked(true);
    save(form);
    ASSERT_EQ(script.messages().size(), 1);
    EXPECT_EQ(script.messages()[0].text, QStringLiteral("If GST then ABN must be entered"));
    EXPECT_EQ(script.messages()[0].title, QStringLiteral("Settings Error"));
    EXPECT_EQ(script.messages()[0].style, Prompts::vbCritical);

    // An invoice number that is not a number.
    child<QCheckBox>(form, "chkGST")->setChecked(false);
    edit(form, "mebNextInvoiceNumber")->setText(QStringLiteral("abc"));
    save(form);
    ASSERT_EQ(script.messages().size(), 2);
    EXPECT_EQ(script.messages()[1].title, QStringLiteral("Settings Error"));

    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(gAppSettings.Companyname, QStringLiteral("Old Co"));
    EXPECT_FALSE(gAppSettings.ApplyGST);
    EXPECT_EQ(gAppSettings.NextInvoiceNumber, 7.0f);
    EXPECT_FALSE(QFile::exists(env.registryFile()));
}

TEST_F(SystemDefaultsTest, SaveStoresEveryFieldAndTheAccount)
{
    script.answerModal([](QDialog* d) {
        child<QComboBox>(*d, "cmbState")->setCurrentText(QStringLiteral("QLD"));
        edit(*d, "txtDBPath")->setText(QStringLiteral("/data"));
        edit(*d, "txtDataServer")->setText(QStringLiteral("127.0.0.1:8080"));
        edit(*d, "txtCompanyName")->setText(QStringLiteral("Hall & Co"));
        edit(*d, "mebNextInvoiceNumber")->setText(QStringLiteral("1002"));
        edit(*d, "txtUser")->setText(QStringLiteral("jhall"));
        edit(*d, "txtRegno")->setText(QStringLiteral("R-77"));
        save(*d);
    });
    frmState::OpenSetting();
    EXPECT_TRUE(script.messages().isEmpty());
    EXPECT_EQ(modDatabase::gRemoteUser, QStringLiteral("jhall"));
    EXPECT_EQ(modDatabase::gRemotePass, QStringLiteral("R-77"));

    cAppSettings stored;
    ASSERT_TRUE(stored.LoadSettings());
    EXPECT_EQ(stored.DefaultState, QStringLiteral("QLD"));
    EXPECT_EQ(stored.DBPath, QStringLiteral("/data"));
    EXPECT_EQ(stored.DataServer, QStringLiteral("127.0.0.1:8080"));
    EXPECT_EQ(stored.Companyname, QStringLiteral("Hall & Co"));
    EXPECT_EQ(stored.ABN, QStringLiteral("__-___-___-___")); // GST clear: the empty mask is stored
    EXPECT_FALSE(stored.ApplyGST);
    EXPECT_EQ(stored.NextInvoiceNumber, 1002.0f);
    EXPECT_EQ(stored.UserName, QStringLiteral("jhall"));
    EXPECT_EQ(stored.RegNo, QStringLiteral("R-77"));

    // A partly typed ABN passes with its prompt characters.
    frmState form;
    form.LoadFields();
    form.show();
    edit(form, "meABN")->setText(QStringLiteral("123"));
    child<QCheckBox>(form, "chkGST")->setChecked(true);
    save(form);
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(gAppSettings.ABN, QStringLiteral("12-3__-___-___"));
    EXPECT_TRUE(gAppSettings.ApplyGST);
}

TEST_F(SystemDefaultsTest, BrowseKeepsTheChosenFolder)
{
    frmState form;
    form.LoadFields();
    edit(form, "txtDBPath")->setText(QStringLiteral("/typed"));
    script.answerOpenFiles({QStringLiteral("/data/Tarrow.mdb")});
    child<QPushButton>(form, "cmdBrowse")->click();
    EXPECT_EQ(edit(form, "txtDBPath")->text(), QStringLiteral("/data"));
    ASSERT_EQ(script.records().size(), 1);
    EXPECT_EQ(script.records()[0].kind, Prompts::Kind::OpenFile);
    EXPECT_TRUE(script.records()[0].title.contains(QStringLiteral("Tarrow.mdb")));

    script.answerOpenFiles({}); // cancelled
    child<QPushButton>(form, "cmdBrowse")->click();
    EXPECT_EQ(edit(form, "txtDBPath")->text(), QStringLiteral("/data"));
}
} // namespace
