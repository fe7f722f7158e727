// The race view's Print Meeting button: the meeting on view in a modal
// preview titled with its location, the stage value following the stage
// shown.
#include "RaceViewFixture.h"

#include "platform/Prompts.h"
#include "support/PdfPages.h"

#include <QAction>
#include <QDialog>
#include <QPushButton>
#include <QTemporaryDir>

namespace
{
QString s(const char* text)
{
    return QString::fromUtf8(text);
}
} // namespace

class RaceViewPrintTest : public RaceViewTest
{
};

TEST_F(RaceViewPrintTest, PrintMeetingShowsTheMeetingOnViewInAModalPreview)
{
    addMeeting(s("0712FLEM"), s("ACP"), s("Flemington"));
    addRace(s("0712FLEM"), 1, s("FLEM R1"), QTime(13, 5), true);
    addRace(s("0712FLEM"), 2, s("FLEM R2"), QTime(13, 40));
    for (int e = 1; e <= 40; ++e)
        addRunner(s("0712FLEM"), e <= 20 ? 1 : 2, e, s("Runner %1").arg(e), s("C Waller"),
                  {{s("Barrier"), e}, {s("EorB"), e == 1 ? s("E") : QString()}});
    addMeeting(s("0812CAUL"), s("NOM"), s("Caulfield"));

    FrmRace& f = open(s("0712FLEM"), 0);
    ASSERT_EQ(f.MeetingCode, s("0712FLEM"));
    EXPECT_EQ(f.cmdPrint->text(), s("&Print Meeting"));

    QTemporaryDir dir;
    const QString pdf = dir.filePath(s("meeting.pdf"));
    Prompts::Script script;
    QString title;
    bool modal = false;
    script.answerModal([&](QDialog* d) {
        title = d->windowTitle();
        modal = d->isModal();
        if (QAction* save = d->findChild<QAction*>(s("actionSavePdf")))
            save->trigger();
        d->reject();
    });
    script.answerSaveFile(pdf);
    f.cmdPrint->click();

    EXPECT_EQ(title, s("Flemington"));
    EXPECT_TRUE(modal);
    EXPECT_TRUE(script.unexpected().isEmpty());
    EXPECT_EQ(script.pending(), 0);
    // Two races of 20 runners fit one page.
    EXPECT_EQ(PdfPageCount(pdf), 1);
}
