// The About window's texts and system-information button; the page viewer.
#include "core/FrmBrowse.h"
#include "core/HttpRequest.h"
#include "core/frmAbout.h"
#include "platform/Prompts.h"
#include "support/TestEnv.h"

#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTextBrowser>

#include <gtest/gtest.h>

namespace
{
QString labelText(QWidget& w, const char* name)
{
    auto* label = w.findChild<QLabel*>(QString::fromLatin1(name));
    return label ? label->text() : QStringLiteral("<missing>");
}

TEST(AboutWindow, TextsAndUnavailableSystemInformation)
{
    TestEnv env;
    {
        frmAbout about;
        EXPECT_EQ(about.windowTitle(), QStringLiteral("About Velmora V2"));
        EXPECT_EQ(labelText(about, "lblTitle"), QStringLiteral("Velmora V2"));
        EXPECT_EQ(labelText(about, "lblVersion"), QStringLiteral("Version 2.6.18"));
        EXPECT_EQ(labelText(about, "lblReg"), QStringLiteral("Registration Details:\n   "));
    }
    modDatabase::gRemoteUser = QStringLiteral("jhall");
    modDatabase::gRemotePass = QStringLiteral("R-1234");
    frmAbout about;
    modDatabase::gRemoteUser.clear();
    modDatabase::gRemotePass.clear();
    EXPECT_EQ(labelText(about, "lblReg"), QStringLiteral("Registration Details:\njhall   R-1234"));

    about.show();
    Prompts::Script script;
    script.answerMsgBox(Prompts::vbOK);
    about.findChild<QPushButton*>(QStringLiteral("cmdSysInfo"))->click();
    ASSERT_EQ(script.messages().size(), 1);
    EXPECT_EQ(script.messages()[0].text, QStringLiteral("System Information Is Unavailable At This Time"));
    EXPECT_EQ(script.messages()[0].title, QStringLiteral("Velmora V2"));
    EXPECT_EQ(script.messages()[0].style, Prompts::vbOKOnly);
    EXPECT_TRUE(about.isVisible());
}

TEST(PageViewer, ShowsALocalFileWithTheCallersCaptionAndSize)
{
    TestEnv env;
    const QString path = env.appDir() + QStringLiteral("/page.html");
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("<html><body><h1>Rating 72</h1><script>alert('x')</script></body></html>");
    f.close();

    FrmBrowse viewer;
    viewer.setWindowTitle(QStringLiteral("RBH Vic Rating"));
    viewer.Navigate(QStringLiteral("file://") + path);
    viewer.SetSizeTwips(9000, 7750);
    viewer.SetBrowserSizeTwips(8900, 7650);
    QTextBrowser* browser = viewer.findChild<QTextBrowser*>(QStringLiteral("WebBrowser"));
    ASSERT_NE(browser, nullptr);
    EXPECT_TRUE(browser->toPlainText().startsWith(QStringLiteral("Rating 72")));
    EXPECT_EQ(viewer.size(), QSize(600, 517));
    EXPECT_EQ(browser->geometry(), QRect(0, 0, 593, 510));

    Prompts::Script script;
    script.answerModal([](QDialog* d) { d->reject(); });
    viewer.ShowModal();
    ASSERT_EQ(script.records().size(), 1);
    EXPECT_EQ(script.records()[0].title, QStringLiteral("RBH Vic Rating"));
}
} // namespace
