// The About window's texts and system-information button, and the page viewer.
#include "core/FrmBrowse.h"
#include "core/HttpRequest.h"
#include "core/frmAbout.h"
#include "platform/Prompts.h"
#include "platform/RegistryStore.h"
#include "support/TestEnv.h"

#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTextBrowser>
#include <QTimer>

#include <gtest/gtest.h>

namespace
{
QString labelText(QWidget& w, const char* name)
{
    auto* label = w.findChild<QLabel*>(QString::fromLatin1(name));
    return label ? label->text() : QStringLiteral("<missing>");
}

class AboutWindowTest : public ::testing::Test
{
protected:
    TestEnv env;
    void TearDown() override
    {
        modDatabase::gRemoteUser.clear();
        modDatabase::gRemotePass.clear();
    }
};

TEST_F(AboutWindowTest, ShowsTitleVersionAndAccount)
{
    {
        frmAbout about;
        EXPECT_EQ(about.windowTitle(), QStringLiteral("About Velmora V2"));
        EXPECT_EQ(labelText(about, "lblTitle"), QStringLiteral("Velmora V2"));
        EXPECT_EQ(labelText(about, "lblVersion"), QStringLiteral("Version 2.6.18"));
        // No account: the caption, a line break and the three blanks.
        EXPECT_EQ(labelText(about, "lblReg"), QStringLiteral("Registration Details:\n   "));
        EXPECT_EQ(about.findChild<QPushButton*>(QStringLiteral("cmdSysInfo"))->text(),
                  QStringLiteral("&System Info..."));
    }
    modDatabase::gRemoteUser = QStringLiteral("jhall");
    modDatabase::gRemotePass = QStringLiteral("R-1234");
    frmAbout about;
    EXPECT_EQ(labelText(about, "lblReg"), QStringLiteral("Registration Details:\njhall   R-1234"));
}

TEST_F(AboutWindowTest, SystemInformationIsUnavailableAndWindowStaysOpen)
{
    frmAbout about;
    about.show();
    Prompts::Script script;
    script.answerMsgBox(Prompts::vbOK);
    about.findChild<QPushButton*>(QStringLiteral("cmdSysInfo"))->click();
    ASSERT_EQ(script.messages().size(), 1);
    EXPECT_EQ(script.messages()[0].text, QStringLiteral("System Information Is Unavailable At This Time"));
    EXPECT_EQ(script.messages()[0].title, QStringLiteral("Velmora V2"));
    EXPECT_EQ(script.messages()[0].style, Prompts::vbOKOnly);
    EXPECT_TRUE(about.isVisible());
    about.findChild<QPushButton*>(QStringLiteral("cmdOK"))->click();
    EXPECT_FALSE(about.isVisible());
}

TEST_F(AboutWindowTest, KeyValuesAreReadOnlyWhereTheStoreKeepsThem)
{
    QString value = QStringLiteral("stale");
    EXPECT_FALSE(frmAbout::GetKeyValue(RegistryStore::HKEY_LOCAL_MACHINE,
                                       QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO"),
                                       QStringLiteral("PATH"), value));
    EXPECT_EQ(value, QString());

    RegistryStore store;
    ASSERT_TRUE(store.writeValue(RegistryStore::HKEY_CURRENT_USER, QStringLiteral("Software\\T"), QStringLiteral("P"),
                                 {RegistryStore::REG_SZ, QByteArray("/usr/bin/x\0", 11)}));
    EXPECT_TRUE(frmAbout::GetKeyValue(RegistryStore::HKEY_CURRENT_USER, QStringLiteral("software\\t"),
                                      QStringLiteral("p"), value));
    EXPECT_EQ(value, QStringLiteral("/usr/bin/x"));
}

class PageViewerTest : public ::testing::Test
{
protected:
    TestEnv env;
    void TearDown() override { FrmBrowse::setPageFetcher({}); }
};

TEST_F(PageViewerTest, ShowsLocalFileWithCallersCaptionAndSize)
{
    const QString path = env.appDir() + QStringLiteral("/page.html");
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("<html><body><h1>Rating 72</h1><script>alert('x')</script></body></html>");
    f.close();

    FrmBrowse viewer;
    EXPECT_EQ(viewer.windowTitle(), QStringLiteral("Browser Title"));
    EXPECT_NE(viewer.findChild<QTimer*>(QStringLiteral("Timer1")), nullptr);
    viewer.setWindowTitle(QStringLiteral("RBH Vic Rating"));
    viewer.Navigate(QStringLiteral("file://") + path);
    viewer.SetSizeTwips(9000, 7750);
    viewer.SetBrowserSizeTwips(8900, 7650);

    QTextBrowser* browser = viewer.findChild<QTextBrowser*>(QStringLiteral("WebBrowser"));
    ASSERT_NE(browser, nullptr);
    EXPECT_TRUE(browser->toPlainText().contains(QStringLiteral("Rating 72")));
    EXPECT_EQ(viewer.size(), QSize(600, 517));
    EXPECT_EQ(browser->geometry(), QRect(0, 0, 593, 510));

    Prompts::Script script;
    QString seenTitle;
    script.answerModal([&](QDialog* d) {
        seenTitle = d->windowTitle();
        d->reject();
    });
    viewer.ShowModal();
    EXPECT_EQ(seenTitle, QStringLiteral("RBH Vic Rating"));
    EXPECT_TRUE(script.unexpected().isEmpty());
}

TEST_F(PageViewerTest, FetchesWebPagesAndFollowsLinksRelativeToThem)
{
    QStringList fetched;
    FrmBrowse::setPageFetcher([&](const QString& url) {
        fetched << url;
        return url.endsWith(QStringLiteral("next.aspx")) ? QStringLiteral("<p>second page</p>")
                                                         : QStringLiteral("<a href='next.aspx'>on</a>");
    });
    FrmBrowse viewer;
    viewer.Navigate(QStringLiteral("http://127.0.0.1:9/Free/Form.aspx?Key=1#race3"));
    ASSERT_EQ(fetched, QStringList{QStringLiteral("http://127.0.0.1:9/Free/Form.aspx?Key=1")});
    QTextBrowser* browser = viewer.WebBrowser();
    emit browser->anchorClicked(QUrl(QStringLiteral("next.aspx")));
    ASSERT_EQ(fetched.size(), 2);
    EXPECT_EQ(fetched[1], QStringLiteral("http://127.0.0.1:9/Free/next.aspx"));
    EXPECT_TRUE(browser->toPlainText().contains(QStringLiteral("second page")));
}
} // namespace
