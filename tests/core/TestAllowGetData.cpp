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
class AllowGetDataTest : public ::testing::Test
{
protected:
    TestEnv env;
    QWidget mainWindow;
    QPushButton* getData = nullptr;
    Prompts::Script script;

    void SetUp() override
    {
        mainWindow.setObjectName(QStringLiteral("Main"));
        getData = new QPushButton(QStringLiteral("&Get Data"), &mainWindow);
        getData->setObjectName(QStringLiteral("CmdGetData"));
        mainWindow.show();
    }

    // Opens the window, notes its captions, types the password, presses the
    // button and notes whether the window stayed open.
    struct Seen
    {
        QString button, label;
        bool openAfterPress = false;
    };
    Seen open(const QString& password)
    {
        Seen seen;
        script.answerModal([&](QDialog* d) {
            seen.button = d->findChild<QPushButton*>(QStringLiteral("cmdAllowGet"))->text();
            seen.label = d->findChild<QLabel*>(QStringLiteral("TxtAllowGD"))->text();
            d->findChild<QLineEdit*>(QStringLiteral("txtPassword"))->setText(password);
            d->findChild<QPushButton*>(QStringLiteral("cmdAllowGet"))->click();
            seen.openAfterPress = d->isVisible();
            d->reject();
        });
        frmAllowGet::OpenSetting();
        return seen;
    }

    bool storedAllowGetData()
    {
        cAppSettings fresh;
        fresh.LoadSettings();
        return fresh.AllowGetData;
    }
};

TEST_F(AllowGetDataTest, WrongPasswordIsRefusedAndNothingChanges)
{
    gAppSettings.AllowGetData = true;
    const Seen seen = open(QStringLiteral("ktr"));
    ASSERT_EQ(script.messages().size(), 1);
    EXPECT_EQ(script.messages()[0].text, QStringLiteral("Password Invalid"));
    EXPECT_EQ(script.messages()[0].title, QStringLiteral("Velmora V2"));
    EXPECT_EQ(script.messages()[0].style, Prompts::vbOKOnly);
    EXPECT_TRUE(seen.openAfterPress);
    EXPECT_TRUE(gAppSettings.AllowGetData);
    EXPECT_TRUE(getData->isVisible());
    EXPECT_FALSE(QFile::exists(env.registryFile()));
}

TEST_F(AllowGetDataTest, SwitchHidesAndShowsTheButtonAndStoresTheSetting)
{
    gAppSettings.AllowGetData = true;
    Seen seen = open(QStringLiteral("KTR"));
    EXPECT_EQ(seen.button, QStringLiteral("Dissallow Get Data"));
    EXPECT_EQ(seen.label, QStringLiteral("Get Data Allowed"));
    EXPECT_FALSE(seen.openAfterPress);
    EXPECT_FALSE(getData->isVisible());
    EXPECT_FALSE(gAppSettings.AllowGetData);
    EXPECT_FALSE(storedAllowGetData());

    // Opened again: the design captions, and the switch turns it back on.
    seen = open(QStringLiteral("KTR"));
    EXPECT_EQ(seen.button, QStringLiteral("Allow Get Data"));
    EXPECT_EQ(seen.label, QStringLiteral("Get Data Not Allowed"));
    EXPECT_TRUE(getData->isVisible());
    EXPECT_TRUE(gAppSettings.AllowGetData);
    EXPECT_TRUE(storedAllowGetData());
    EXPECT_TRUE(script.messages().isEmpty());
}
} // namespace
