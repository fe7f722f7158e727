// The main window's Get Data button: it opens the meeting list through the
// opener table and shows what was downloaded when the list has closed.
#include "core/modOpeners.h"
#include "mainwindow/Main.h"
#include "platform/Grid.h"
#include "support/MainFixture.h"

#include <gtest/gtest.h>

#include <QPushButton>

TEST(GetData, OpensTheMeetingListThenReloadsTheGrids)
{
    MainFixture f;
    int opened = 0;
    modOpeners::Openers().selectMeeting = [&] {
        ++opened;
        // What a download leaves behind.
        f.addMeeting(QStringLiteral("0503FLEM"), QStringLiteral("ACP"));
        f.addRunner(QStringLiteral("0503FLEM"), 1, QStringLiteral("New Trainer"), QStringLiteral("NEW HORSE"));
    };
    EXPECT_EQ(MainFixture::rowOf(f.main().grdMeeting, QStringLiteral("0503FLEM")), 0);
    f.main().CmdGetData->click();
    modOpeners::Openers().selectMeeting = nullptr;
    EXPECT_EQ(opened, 1);
    EXPECT_GT(MainFixture::rowOf(f.main().grdMeeting, QStringLiteral("0503FLEM")), 0);
    EXPECT_GT(MainFixture::rowOf(f.main().grdNames, QStringLiteral("New Trainer")), 0);
}
