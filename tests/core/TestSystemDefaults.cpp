// The System Defaults window: refused saves change nothing; a save reaches
// the registry store and the account in use; the database path reads whole,
// as far as the screen allows, and its tooltip tells it.
#include "core/HttpRequest.h"
#include "core/cAppSettings.h"
#include "core/frmState.h"
#include "core/modDatabase.h"
#include "platform/Prompts.h"
#include "platform/WindowFit.h"
#include "support/TestEnv.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTest>

#include <gtest/gtest.h>

namespace
{
QLineEdit* edit(QWidget& w, const char* name)
{
    return w.findChild<QLineEdit*>(QString::fromLatin1(name));
}

TEST(SystemDefaults, RefusedSavesChangeNothing)
{
    TestEnv env;
    Prompts::Script script;
    gAppSettings.NextInvoiceNumber = 7;
    gAppSettings.Companyname = QStringLiteral("Old Co");
    frmState form;
    form.LoadFields();
    form.show();
    edit(form, "txtCompanyName")->setText(QStringLiteral("New Co"));
    auto* gst = form.findChild<QCheckBox*>(QStringLiteral("chkGST"));
    auto* save = form.findChild<QPushButton*>(QStringLiteral("cmdChange"));

    gst->setChecked(true); // GST with an empty ABN
    script.answerMsgBox(Prompts::vbOK).answerMsgBox(Prompts::vbOK);
    save->click();
    gst->setChecked(false); // an invoice number that is not a number
    edit(form, "mebNextInvoiceNumber")->setText(QStringLiteral("abc"));
    save->click();

    ASSERT_EQ(script.messages().size(), 2);
    EXPECT_EQ(script.messages()[0].text, QStringLiteral("If GST then ABN must be entered"));
    EXPECT_EQ(script.messages()[0].title, QStringLiteral("Settings Error"));
    EXPECT_EQ(script.messages()[0].style, Prompts::vbCritical);
    EXPECT_EQ(script.messages()[1].title, QStringLiteral("Settings Error"));
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(gAppSettings.Companyname, QStringLiteral("Old Co"));
    EXPECT_EQ(gAppSettings.NextInvoiceNumber, 7.0f);
    EXPECT_FALSE(QFile::exists(env.registryFile()));
}

TEST(SystemDefaults, SaveStoresEveryFieldAndTheAccount)
{
    TestEnv env;
    Prompts::Script script;
    QString shownState, shownServer;
    script.answerModal([&](QDialog* d) {
        auto* state = d->findChild<QComboBox*>(QStringLiteral("cmbState"));
        shownState = state->currentText();
        shownServer = edit(*d, "txtDataServer")->text();
        state->setCurrentText(QStringLiteral("QLD"));
        edit(*d, "txtDBPath")->setText(QStringLiteral("/data"));
        edit(*d, "txtDataServer")->setText(QStringLiteral("127.0.0.1:8080"));
        edit(*d, "txtCompanyName")->setText(QStringLiteral("Hall & Co"));
        edit(*d, "mebNextInvoiceNumber")->setText(QStringLiteral("1002"));
        edit(*d, "txtUser")->setText(QStringLiteral("jhall"));
        edit(*d, "txtRegno")->setText(QStringLiteral("R-77"));
        d->findChild<QPushButton*>(QStringLiteral("cmdChange"))->click();
    });
    frmState::OpenSetting();
    EXPECT_EQ(shownState, QStringLiteral("VIC")); // nothing stored yet
    EXPECT_EQ(shownServer, cAppSettings::kDefaultDataServer);
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
    EXPECT_EQ(stored.NextInvoiceNumber, 1002.0f);
    EXPECT_EQ(stored.UserName, QStringLiteral("jhall"));
    EXPECT_EQ(stored.RegNo, QStringLiteral("R-77"));

    // Reopened: the stored values; a partly typed ABN passes with its prompts.
    frmState form;
    form.LoadFields();
    form.show();
    EXPECT_EQ(edit(form, "txtUser")->text(), QStringLiteral("jhall"));
    edit(form, "meABN")->setText(QStringLiteral("123"));
    form.findChild<QCheckBox*>(QStringLiteral("chkGST"))->setChecked(true);
    form.findChild<QPushButton*>(QStringLiteral("cmdChange"))->click();
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(gAppSettings.ABN, QStringLiteral("12-3__-___-___"));
    EXPECT_TRUE(gAppSettings.ApplyGST);
    modDatabase::gRemoteUser.clear();
    modDatabase::gRemotePass.clear();
}
TEST(SystemDefaults, AFailedSaveChangesNothingInUseAndKeepsTheWindowOpen)
{
    TestEnv env;
    Prompts::Script script;
    gAppSettings.Companyname = QStringLiteral("Old Co");
    const QString folderInUse = modDatabase::LocalDatabaseFolder();
    // A store that cannot be written: its folder is a plain file.
    QFile blocker(env.root() + QStringLiteral("/notafolder"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    qputenv("VELMORA_REGISTRY", (env.root() + QStringLiteral("/notafolder/registry.json")).toUtf8());

    frmState form;
    form.LoadFields();
    form.show();
    edit(form, "txtCompanyName")->setText(QStringLiteral("New Co"));
    edit(form, "txtDBPath")->setText(env.root());
    edit(form, "txtUser")->setText(QStringLiteral("someone"));
    auto* save = form.findChild<QPushButton*>(QStringLiteral("cmdChange"));
    script.answerMsgBox(Prompts::vbOK).answerMsgBox(Prompts::vbOK);
    save->click();
    save->click(); // the user's own try is told every time
    ASSERT_EQ(script.messages().size(), 2);
    EXPECT_EQ(script.messages()[0].title, QStringLiteral("Settings Error"));
    EXPECT_TRUE(script.messages()[0].text.endsWith(QStringLiteral("The settings saved before are kept unchanged.")));
    EXPECT_EQ(script.messages()[1].text, script.messages()[0].text);
    // This run goes on as it was; the window keeps what was typed.
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(edit(form, "txtCompanyName")->text(), QStringLiteral("New Co"));
    EXPECT_EQ(gAppSettings.Companyname, QStringLiteral("Old Co"));
    EXPECT_EQ(gAppSettings.DBPath, QString());
    EXPECT_EQ(modDatabase::LocalDatabaseFolder(), folderInUse);
    EXPECT_NE(modDatabase::gRemoteUser, QStringLiteral("someone"));
    qputenv("VELMORA_REGISTRY", env.registryFile().toUtf8());
}
} // namespace

namespace
{
// The invoice number is held as a single-precision value: a number it cannot
// hold exactly is refused rather than stored rounded, and a large whole
// number is shown in full when the window opens again.
TEST(SystemDefaults, InvoiceNumberMustBeAWholeNumberItCanHold)
{
    TestEnv env;
    Prompts::Script script;
    gAppSettings.NextInvoiceNumber = 12345678;
    frmState form;
    form.LoadFields();
    form.show();
    EXPECT_EQ(edit(form, "mebNextInvoiceNumber")->text(), QStringLiteral("12345678"));
    auto* save = form.findChild<QPushButton*>(QStringLiteral("cmdChange"));
    for (const char* bad : {"99999999999", "-3", "12.5"}) {
        script.answerMsgBox(Prompts::vbOK);
        edit(form, "mebNextInvoiceNumber")->setText(QString::fromLatin1(bad));
        save->click();
    }
    ASSERT_EQ(script.messages().size(), 3);
    for (const auto& m : script.messages())
        EXPECT_EQ(m.text, QStringLiteral("Next Invoice Number must be a whole number from 0 to 16777216"));
    EXPECT_EQ(gAppSettings.NextInvoiceNumber, 12345678.0f);
    EXPECT_FALSE(QFile::exists(env.registryFile()));

    edit(form, "mebNextInvoiceNumber")->setText(QStringLiteral("16777216"));
    save->click();
    EXPECT_EQ(script.messages().size(), 3);
    EXPECT_EQ(gAppSettings.NextInvoiceNumber, 16777216.0f);
}
} // namespace

TEST(SystemDefaults, DatabasePathBoxIsAsWideAsTheOthersAndShowsThePathWhole)
{
    TestEnv env;
    gAppSettings.DBPath = QStringLiteral("/home/manager/Documents/Velmora/racing data/2024-25 season");
    frmState form;
    form.LoadFields();
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    QLineEdit* path = edit(form, "txtDBPath");
    for (const char* other : {"txtDataServer", "txtCompanyName", "txtUser"})
        EXPECT_EQ(path->width(), edit(form, other)->width()) << other;
    // The whole path fits, seen from its start.
    EXPECT_EQ(path->cursorPosition(), 0);
    EXPECT_LT(path->fontMetrics().horizontalAdvance(path->text()), path->width());
    const QString pictures = QStringLiteral(VELMORA_BIN_DIR "/../test-output");
    QDir().mkpath(pictures);
    EXPECT_TRUE(form.grab().save(QDir(pictures).filePath(QStringLiteral("system-defaults.png"))));
}

TEST(SystemDefaults, DatabasePathBoxWidensToALongPathWithinTheScreenAndTellsItWhole)
{
    TestEnv env;
    const QString longPath = QStringLiteral("/home/manager/Documents/Velmora Racing/Bookings for the 2024-25 season/"
                                            "Velmora_Database_Backups_Melbourne");
    gAppSettings.DBPath = longPath;
    {
        frmState form;
        form.LoadFields();
        form.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
        QLineEdit* path = edit(form, "txtDBPath");
        // Read whole, with room for the box's frame and margins, from its start.
        EXPECT_LE(path->fontMetrics().horizontalAdvance(longPath) + 2 * path->fontMetrics().averageCharWidth(),
                  path->width());
        EXPECT_EQ(path->cursorPosition(), 0);
        EXPECT_EQ(path->toolTip().toStdString(), longPath.toStdString());
        const QString pictures = QStringLiteral(VELMORA_BIN_DIR "/../test-output");
        QDir().mkpath(pictures);
        EXPECT_TRUE(form.grab().save(QDir(pictures).filePath(QStringLiteral("system-defaults-long-path.png"))));
        // A path typed or browsed to is told whole too.
        path->setText(QStringLiteral("/srv/velmora"));
        EXPECT_EQ(path->toolTip().toStdString(), "/srv/velmora");
    }

    // A path longer than the screen is wide: the window takes the screen's
    // width and no more, and the tooltip tells the path.
    QString deep;
    while (deep.size() < 400)
        deep += QStringLiteral("/Velmora_Database_Folder");
    gAppSettings.DBPath = deep;
    frmState form;
    form.LoadFields();
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    const int screen = form.screen()->availableGeometry().width();
    const int outer = form.width() + WindowFit::FrameAllowance(&form).width();
    EXPECT_LE(outer, screen);
    EXPECT_GE(outer, screen - 4 * edit(form, "txtDBPath")->fontMetrics().averageCharWidth());
    EXPECT_EQ(edit(form, "txtDBPath")->toolTip().toStdString(), deep.toStdString());
}

TEST(SystemDefaults, WindowStaysOnTheScreenWhenABrowsedPathWidensIt)
{
    TestEnv env;
    gAppSettings.DBPath = QStringLiteral("/srv/velmora");
    frmState form;
    form.LoadFields();
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    const QRect available = form.screen()->availableGeometry();
    const int before = form.width();
    ASSERT_TRUE(available.contains(form.frameGeometry()));

    // A folder picked with "..." whose path is nearly as wide as the screen.
    QString deep;
    const QFontMetrics fm(edit(form, "txtDBPath")->font());
    while (fm.horizontalAdvance(deep) < available.width() * 4 / 5)
        deep += QStringLiteral("/Velmora_Bookings");
    Prompts::Script script;
    script.answerOpenFiles({deep + QStringLiteral("/Tarrow.mdb")});
    auto* browse = form.findChild<QPushButton*>(QStringLiteral("cmdBrowse"));
    ASSERT_NE(browse, nullptr);
    QTest::mouseClick(browse, Qt::LeftButton);
    QCoreApplication::processEvents();
    ASSERT_EQ(edit(form, "txtDBPath")->text().toStdString(), deep.toStdString());

    // The window grew with the box, and lies on the screen whole.
    EXPECT_GT(form.width(), before + available.width() / 4);
    const QRect frame = form.frameGeometry();
    EXPECT_TRUE(available.contains(frame)) << frame.x() << "+" << frame.width() << " in " << available.x() << "+"
                                           << available.width();
    const QString pictures = QStringLiteral(VELMORA_BIN_DIR "/../test-output");
    QDir().mkpath(pictures);
    EXPECT_TRUE(form.grab().save(QDir(pictures).filePath(QStringLiteral("system-defaults-browsed-long-path.png"))));
    EXPECT_TRUE(script.unexpected().isEmpty());
}
