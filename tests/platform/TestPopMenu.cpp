// Pop-up menus kept under names, answered by key through the test script.
#include "platform/ImageList.h"
#include "platform/PopMenu.h"

#include <QAction>
#include <QMenu>
#include <QWidget>

#include <gtest/gtest.h>

namespace
{
QString s(const char* text)
{
    return QString::fromUtf8(text);
}

/** The two menus a field window builds: "Race" (with a disabled item) and "Jockey". */
void buildRaceAndJockey(PopMenu& menu)
{
    menu.addItem(s("Horse &Form"), s("Display the Horses Form Data"), s("Horse Form"), 9);
    menu.addItem(s("&Rego Seach"), s("Display Horse Recistration"), s("Rego"), 2);
    menu.addItem(s("&Video Form"), s("Display Video Form"), s("Video"), 10, false);
    menu.store(s("Race"));
    menu.clear();
    menu.addItem(s("&Jockey Form"), s("Display Jockeys Form"), s("Jockey"), 4);
    menu.addItem(s("Select Jockey for Icons"), s("Display Tainers Form"), s("SelJockeyIcon"), 8);
    menu.store(s("Jockey"));
}
} // namespace

TEST(PopMenu, StoredMenusAnswerByNumberAndKey)
{
    QWidget owner;
    std::unique_ptr<ImageList> icons(ImageList::gridRaceIcons());
    PopMenu menu(&owner, icons.get());
    buildRaceAndJockey(menu);
    EXPECT_EQ(menu.count(), 2);
    EXPECT_EQ(menu.storedNames().size(), 2);
    EXPECT_FALSE(menu.restore(s("Horse")));

    PopMenu::Script script;
    script.choose(s("Rego")).choose(s("Video")).dismiss().choose(s("SelJockeyIcon")).choose(s("Rego"));

    ASSERT_TRUE(menu.restore(s("Race")));
    EXPECT_EQ(menu.count(), 3);
    const int chosen = menu.showAt(QPoint(40, 50));
    EXPECT_EQ(chosen, 2);
    EXPECT_EQ(menu.itemKey(chosen), s("Rego"));
    EXPECT_EQ(menu.item(chosen).icon, 2);
    EXPECT_EQ(menu.item(chosen).helpText, s("Display Horse Recistration"));
    // A disabled item cannot be chosen; a dismissed menu answers 0.
    EXPECT_EQ(menu.showAt(QPoint(40, 50)), 0);
    EXPECT_EQ(menu.showAt(QPoint(40, 50)), 0);
    EXPECT_EQ(menu.itemKey(0), QString());

    ASSERT_TRUE(menu.restore(s("Jockey")));
    EXPECT_EQ(menu.showAtForKey(QPoint(1, 2)), s("SelJockeyIcon"));
    // A key of another menu is not in this one.
    EXPECT_EQ(menu.showAt(QPoint(1, 2)), 0);
    // Nothing queued: recorded as unexpected, nothing chosen.
    EXPECT_EQ(menu.showAt(QPoint(1, 2)), 0);

    const QList<PopMenu::Record>& shown = script.records();
    ASSERT_EQ(shown.size(), 6);
    EXPECT_EQ(shown.at(0).menu, s("Race"));
    EXPECT_EQ(shown.at(0).items, QStringList({s("Horse Form"), s("Rego")}));
    EXPECT_EQ(shown.at(0).pos, QPoint(40, 50));
    EXPECT_EQ(shown.at(0).chosen, s("Rego"));
    EXPECT_EQ(shown.at(3).menu, s("Jockey"));
    EXPECT_TRUE(shown.at(4).expected);
    EXPECT_FALSE(shown.at(5).expected);
    EXPECT_EQ(script.pending(), 0);

    // Changing the current list does not change the one kept under the name.
    menu.setItemEnabled(1, false);
    menu.restore(s("Jockey"));
    EXPECT_TRUE(menu.item(1).enabled);
}

TEST(PopMenu, OrdinaryMenusTriggerTheChosenAction)
{
    QWidget owner;
    QMenu popup(&owner);
    popup.setObjectName(s("MnuPUNoms"));
    QAction* raceView = popup.addAction(s("Race View"));
    raceView->setObjectName(s("mnuRaceView"));
    QAction* update = popup.addAction(s("Set the remaining status to "));
    update->setObjectName(s("mnuUpdateStatus"));
    update->setVisible(false);
    QAction* video = popup.addAction(s("Video Form"));
    video->setObjectName(s("mnuVideoForm"));
    video->setEnabled(false);
    int raceViews = 0;
    QObject::connect(raceView, &QAction::triggered, [&] { ++raceViews; });

    PopMenu::Script script;
    script.choose(s("mnuRaceView")).choose(s("mnuUpdateStatus")).choose(s("Race View"));
    EXPECT_EQ(PopMenu::popup(&popup, QPoint(10, 10)), raceView);
    EXPECT_EQ(PopMenu::popup(&popup, QPoint(10, 10)), nullptr); // hidden item
    EXPECT_EQ(PopMenu::popup(&popup, QPoint(10, 10)), raceView); // by caption
    EXPECT_EQ(raceViews, 2);
    ASSERT_EQ(script.records().size(), 3);
    EXPECT_EQ(script.records().at(0).menu, s("MnuPUNoms"));
    EXPECT_EQ(script.records().at(0).items, QStringList({s("mnuRaceView")}));
}

TEST(PopMenu, SubmenusSeparatorsAndChecks)
{
    PopMenu menu;
    const int file = menu.addItem(s("&File"), QString(), s("File"));
    menu.addItem(s("Open"), QString(), s("Open"), -1, true, true, file, 42);
    menu.addItem(s("-"));
    menu.addItem(s("Exit"), QString(), s("Exit"));
    EXPECT_EQ(menu.item(2).parent, file);
    EXPECT_EQ(menu.item(2).itemData, 42);
    EXPECT_TRUE(menu.item(2).checked);
    // A parent must come before its child.
    EXPECT_EQ(menu.item(menu.addItem(s("Orphan"), QString(), QString(), -1, true, false, 9)).parent, 0);
    EXPECT_EQ(menu.indexForKey(s("exit")), 4);

    PopMenu::Script script;
    script.choose(s("Open")).choose(s("Open"));
    EXPECT_EQ(menu.showAt(0, 0), 2);
    // An item under a disabled parent cannot be reached.
    menu.setItemEnabled(file, false);
    EXPECT_EQ(menu.showAt(0, 0), 0);
}
