// The race header and the trainer contact boxes with the real race view
// behind them: the header opens the race of the row last clicked (or what a
// race view command chose last), and the contact boxes, left the ordinary way
// (the focus moves on), write to the trainer shown, also after a visit to the
// race view and for a name holding a quote.
#include "core/modOpeners.h"
#include "core/modShared.h"
#include "mainwindow/Main.h"
#include "mainwindow/WindowOpeners.h"
#include "platform/Grid.h"
#include "platform/Prompts.h"
#include "raceview/FrmRace.h"
#include "support/MainFixture.h"
#include "support/QtPrinters.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QScopeGuard>
#include <QSpinBox>
#include <QTest>
#include <QTextEdit>

#include <gtest/gtest.h>

namespace
{
const QString kFlem = QStringLiteral("0712FLEM");
const QString kTrainer = QStringLiteral("T O'Brien");

class RaceHeaderAndContacts : public ::testing::Test
{
protected:
    MainFixture f;
    Prompts::Script script;
    QStringList opened; // meeting/race of each race view, as it loaded

    void SetUp() override
    {
        ResetSharedState();
        modOpeners::Openers() = WindowOpeners();
        RegisterWindowOpeners();
        f.addMeeting(kFlem, QStringLiteral("NOM"));
        for (int race : {3, 5})
            f.db().insert(QStringLiteral("Race"), {{"MeetingCode", kFlem}, {"RaceNumber", race},
                                                   {"RaceCode", QStringLiteral("R%1").arg(race)}});
        f.addTrainer(kTrainer, false, QString(), QStringLiteral("111"), QStringLiteral("Flemington"),
                     QStringLiteral("0400"));
        f.addRunner(kFlem, 3, kTrainer, QStringLiteral("Alpha"));
        f.addRunner(kFlem, 5, kTrainer, QStringLiteral("Bravo"));
        Main& m = f.main();
        m.LoadMeetingGrid();
        m.LoadTrainerGrid();
        m.show();
        QApplication::setActiveWindow(&m);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&m));
    }
    void TearDown() override
    {
        EXPECT_TRUE(script.unexpected().isEmpty());
        modOpeners::Openers() = WindowOpeners();
        ResetSharedState();
    }

    /** Answers the next race view: notes what it shows and closes it. */
    void expectRaceView()
    {
        script.answerModal([this](QDialog* d) {
            const auto closed = qScopeGuard([d] { d->reject(); });
            auto* race = qobject_cast<FrmRace*>(d);
            ASSERT_NE(race, nullptr);
            opened << race->MeetingCode + QLatin1Char('/') + QString::number(race->RaceNumber);
        });
    }
    void clickRunner(const QString& horse)
    {
        Main& m = f.main();
        m.grdNoms->setSelectedCell(MainFixture::rowOf(m.grdNoms, horse, 4), 4);
        m.grdNoms_OnMouseUp(1);
    }
    void doubleClickHeader()
    {
        QTest::mouseDClick(f.main().txtRace->viewport(), Qt::LeftButton);
    }
    /** Types into a contact box with the focus and moves the focus on. */
    void typeAndLeave(QLineEdit* box, const QString& text)
    {
        // A modal window that has closed leaves the main window to be activated again.
        QApplication::setActiveWindow(&f.main());
        box->setFocus();
        QCoreApplication::processEvents();
        ASSERT_TRUE(box->hasFocus());
        box->selectAll();
        QTest::keyClicks(box, text);
        if (text.isEmpty())
            QTest::keyClick(box, Qt::Key_Delete);
        f.main().txtWeight->setFocus();
        QCoreApplication::processEvents();
    }
    QString stored(const char* column)
    {
        return f.db()
            .scalar(QStringLiteral("SELECT %1 FROM Trainer WHERE TrainerName = ?").arg(QLatin1String(column)), {kTrainer})
            .toString();
    }
};
} // namespace

TEST_F(RaceHeaderAndContacts, HeaderOpensTheRaceLastClickedOrChosen)
{
    Main& m = f.main();
    // Nothing chosen yet: nothing opens.
    doubleClickHeader();
    EXPECT_TRUE(opened.isEmpty());

    ASSERT_TRUE(f.clickTrainer(kTrainer));
    clickRunner(QStringLiteral("Bravo"));
    EXPECT_TRUE(m.txtRace->toPlainText().contains(QStringLiteral("Race :5")));
    expectRaceView();
    doubleClickHeader();
    clickRunner(QStringLiteral("Alpha"));
    expectRaceView();
    doubleClickHeader();
    EXPECT_EQ(opened, (QStringList{kFlem + "/5", kFlem + "/3"}));

    // A race view command chose the whole meeting last: the header opens that,
    // though it still shows race 3.
    m.grdMeeting->setSelectedCell(1, 1);
    expectRaceView();
    m.MnuMeetingView->trigger();
    expectRaceView();
    doubleClickHeader();
    EXPECT_EQ(opened.mid(2), (QStringList{kFlem + "/0", kFlem + "/0"}));
    EXPECT_TRUE(m.txtRace->toPlainText().contains(QStringLiteral("Race :3")));
    EXPECT_EQ(script.pending(), 0);
}

TEST_F(RaceHeaderAndContacts, BoxesLeftTheOrdinaryWayWriteOnlyTheirColumnOfTheTrainerShown)
{
    Main& m = f.main();
    ASSERT_TRUE(f.clickTrainer(kTrainer));
    EXPECT_EQ(m.SelectedTrainer, QStringLiteral("T O''Brien"));
    EXPECT_EQ(m.TxtTrainPhone->text(), QStringLiteral("111"));

    typeAndLeave(m.TxtTrainPhone, QStringLiteral("0398765432"));
    EXPECT_EQ(stored("Phone"), QStringLiteral("0398765432"));
    EXPECT_EQ(stored("TrainerLocation"), QStringLiteral("Flemington"));
    EXPECT_EQ(stored("TrainerMobile"), QStringLiteral("0400"));

    // A visit to the race view reloads the lists behind the boxes; the boxes
    // still belong to the trainer they show.
    clickRunner(QStringLiteral("Alpha"));
    expectRaceView();
    doubleClickHeader();
    ASSERT_EQ(opened.size(), 1);
    EXPECT_EQ(m.txtTrainerName->text(), kTrainer);
    typeAndLeave(m.txtTrainMobile, QString());
    EXPECT_TRUE(stored("TrainerMobile").isEmpty());
    EXPECT_EQ(stored("Phone"), QStringLiteral("0398765432"));

    // The weight box left the same way turns a typed weight into the spinner's tenths.
    QApplication::setActiveWindow(&m);
    m.txtWeight->setFocus();
    m.txtWeight->selectAll();
    QTest::keyClicks(m.txtWeight, QStringLiteral("52.25"));
    m.txtTrainerName->setFocus();
    QCoreApplication::processEvents();
    EXPECT_EQ(m.UpDown1->value(), 522);
    EXPECT_EQ(m.txtWeight->text(), QStringLiteral("52.2"));
}
