// The Allow Get Data switch: password, captions, the button and the setting.
#include "core/cAppSettings.h"
#include "core/frmAllowGet.h"
#include "platform/Prompts.h"
#include "support/TestEnv.h"

#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <gtest/gtest.h>

namespace
{
struct Seen
{
    QString button, label;
    bool stayedOpen = false;
};

// Opens the window, notes its captions, types the password, presses the button.
Seen openAndPress(Prompts::Script& script, const QString& password, bool refused = false)
{
    Seen seen;
    script.answerModal([&](QDialog* d) {
        seen.button = d->findChild<QPushButton*>(QStringLiteral("cmdAllowGet"))->text();
        seen.label = d->findChild<QLabel*>(QStringLiteral("TxtAllowGD"))->text();
        d->findChild<QLineEdit*>(QStringLiteral("txtPassword"))->setText(password);
        d->findChild<QPushButton*>(QStringLiteral("cmdAllowGet"))->click();
        seen.stayedOpen = d->isVisible();
        d->reject();
    });
    if (refused)
        script.answerMsgBox(Prompts::vbOK);
    frmAllowGet::OpenSetting();
    return seen;
}

TEST(AllowGetData, PasswordGuardsTheSwitchWhichHidesAndShowsTheButton)
{
    TestEnv env;
    QWidget mainWindow;
    auto* getData = new QPushButton(QStringLiteral("&Get Data"), &mainWindow);
    getData->setObjectName(QStringLiteral("CmdGetData"));
    mainWindow.show();
    Prompts::Script script;
    gAppSettings.AllowGetData = true;

    Seen seen = openAndPress(script, QStringLiteral("ktr"), true);
    ASSERT_EQ(script.messages().size(), 1);
    EXPECT_EQ(script.messages()[0].text, QStringLiteral("Password Invalid"));
    EXPECT_EQ(script.messages()[0].title, QStringLiteral("Velmora V2"));
    EXPECT_TRUE(seen.stayedOpen);
    EXPECT_TRUE(getData->isVisible());
    EXPECT_FALSE(QFile::exists(env.registryFile()));

    seen = openAndPress(script, QStringLiteral("KTR"));
    EXPECT_EQ(seen.button, QStringLiteral("Dissallow Get Data"));
    EXPECT_EQ(seen.label, QStringLiteral("Get Data Allowed"));
    EXPECT_FALSE(seen.stayedOpen);
    EXPECT_FALSE(getData->isVisible());
    cAppSettings stored;
    stored.LoadSettings();
    EXPECT_FALSE(stored.AllowGetData);

    seen = openAndPress(script, QStringLiteral("KTR"));
    EXPECT_EQ(seen.button, QStringLiteral("Allow Get Data"));
    EXPECT_EQ(seen.label, QStringLiteral("Get Data Not Allowed"));
    EXPECT_TRUE(getData->isVisible());
    stored.LoadSettings();
    EXPECT_TRUE(stored.AllowGetData);
    EXPECT_EQ(script.messages().size(), 1);
    EXPECT_TRUE(script.unexpected().isEmpty());
}
} // namespace
