// The trainer editor: loading a trainer once, Add and Update with their Null
// and empty-text rules, failed writes, and the main window's trainer list row
// and contact boxes brought up to date through the opener table.
#include "core/modDatabase.h"
#include "core/modJockeyBooking.h"
#include "core/modOpeners.h"
#include "mainwindow/Main.h"
#include "platform/Grid.h"
#include "platform/ImageList.h"
#include "platform/Prompts.h"
#include "records/RecordsOpeners.h"
#include "records/frmEditTrainer.h"
#include "support/MainFixture.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>

#include "RecordsTestUtil.h"

#include <gtest/gtest.h>

namespace
{
const QString kObrien = QStringLiteral("O'Brien");

TrainerEditRequest request(const QString& name, const QString& location = QString(), const QString& phone = QString(),
                           const QString& mobile = QString())
{
    TrainerEditRequest r;
    r.trainerName = name;
    r.location = location;
    r.phone = phone;
    r.mobile = mobile;
    return r;
}

class TrainerEditorTest : public ::testing::Test
{
protected:
    QVariantMap trainerRow(const QString& name)
    {
        return f.db().rows(QStringLiteral("SELECT * FROM Trainer WHERE TrainerName = ?"), {name}).value(0);
    }

    MainFixture f;
    Prompts::Script script;
};

TEST_F(TrainerEditorTest, ATrainerWithAQuoteIsFoundAndUpdated)
{
    f.addTrainer(kObrien, false, QStringLiteral("Rings early"), QStringLiteral("0399990000"),
                 QStringLiteral("Flemington"), QStringLiteral("0411222333"));
    frmEditTrainer w(request(kObrien, QStringLiteral("Main box location")));
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Trainer"));
    EXPECT_EQ(w.txtTrainerName->text(), kObrien);
    EXPECT_TRUE(w.txtTrainerName->isReadOnly());
    EXPECT_EQ(w.txtTrainerLocation->text(), QStringLiteral("Flemington"));
    EXPECT_EQ(w.txtPhone->text(), QStringLiteral("0399990000"));
    EXPECT_EQ(w.mskTrainerMobile->text(), QStringLiteral("0411222333"));
    EXPECT_EQ(w.txtTrainerComments->text(), QStringLiteral("Rings early"));
    EXPECT_FALSE(w.cmdAdd->isEnabled());
    EXPECT_TRUE(w.cmdUpdate->isEnabled());

    w.txtPhone->setText(QStringLiteral("0398887777"));
    w.cmdUpdate->click();
    EXPECT_TRUE(w.result().saved);
    EXPECT_FALSE(w.result().added);
    EXPECT_EQ(w.result().phone, QStringLiteral("0398887777"));
    EXPECT_EQ(trainerRow(kObrien).value(QStringLiteral("Phone")).toString(), QStringLiteral("0398887777"));
    EXPECT_EQ(f.db().count(QStringLiteral("Trainer")), 1);
    EXPECT_TRUE(script.messages().isEmpty());
}

TEST_F(TrainerEditorTest, ATrainerWithoutARowIsPrefilledAndAddedWithNulls)
{
    frmEditTrainer w(request(QStringLiteral("New Stable"), QStringLiteral("Caulfield"), QString(), QString()));
    w.mskTrainerMobile->setText(QStringLiteral("typed before"));
    EXPECT_TRUE(w.cmdAdd->isEnabled());
    EXPECT_FALSE(w.cmdUpdate->isEnabled());
    EXPECT_EQ(w.txtTrainerLocation->text(), QStringLiteral("Caulfield"));
    EXPECT_EQ(w.txtPhone->text(), QString());
    EXPECT_FALSE(w.chkIgnoreTrainer->isChecked());
    w.mskTrainerMobile->clear();

    w.cmdAdd->click();
    ASSERT_TRUE(w.result().saved);
    EXPECT_TRUE(w.result().added);
    EXPECT_FALSE(w.result().hasComments);
    EXPECT_FALSE(w.result().ignoreTrainer);
    const QVariantMap row = trainerRow(QStringLiteral("New Stable"));
    EXPECT_EQ(row.value(QStringLiteral("TrainerLocation")).toString(), QStringLiteral("Caulfield"));
    // Empty boxes leave their columns Null when a row is added.
    EXPECT_FALSE(row.value(QStringLiteral("Phone")).isValid());
    EXPECT_FALSE(row.value(QStringLiteral("TrainerMobile")).isValid());
    EXPECT_FALSE(row.value(QStringLiteral("TrainerComments")).isValid());
    EXPECT_EQ(row.value(QStringLiteral("IgnoreTrainer")).toInt(), 0);
}

TEST_F(TrainerEditorTest, AnEmptyStoredPhoneShowsTheMainWindowsAndUpdateStoresIt)
{
    f.db().insert(QStringLiteral("Trainer"), {{QStringLiteral("TrainerName"), QStringLiteral("J Hawkes")},
                                              {QStringLiteral("Phone"), QString()},
                                              {QStringLiteral("TrainerComments"), QStringLiteral("Old note")}});
    frmEditTrainer w(request(QStringLiteral("J Hawkes"), QStringLiteral("Randwick"), QStringLiteral("0290001111"),
                             QStringLiteral("0400111222")));
    EXPECT_EQ(w.txtPhone->text(), QStringLiteral("0290001111"));
    EXPECT_EQ(w.txtTrainerLocation->text(), QStringLiteral("Randwick"));
    EXPECT_EQ(w.mskTrainerMobile->text(), QStringLiteral("0400111222"));

    // Cleared comments are stored as the empty text on Update, not as Null.
    w.txtTrainerComments->clear();
    w.cmdUpdate->click();
    const QVariantMap row = trainerRow(QStringLiteral("J Hawkes"));
    EXPECT_EQ(row.value(QStringLiteral("Phone")).toString(), QStringLiteral("0290001111"));
    ASSERT_TRUE(row.value(QStringLiteral("TrainerComments")).isValid());
    EXPECT_EQ(row.value(QStringLiteral("TrainerComments")).toString(), QString());
    EXPECT_FALSE(w.result().hasComments);
}

TEST_F(TrainerEditorTest, TheRowIsReadOnceSoReactivationKeepsTypedText)
{
    f.addTrainer(kObrien, false, QString(), QStringLiteral("0399990000"));
    frmEditTrainer w(request(kObrien));
    w.show();
    w.txtPhone->setText(QStringLiteral("typed"));
    QEvent activate(QEvent::WindowActivate);
    QApplication::sendEvent(&w, &activate);
    w.hide();
    w.show();
    EXPECT_EQ(w.txtPhone->text(), QStringLiteral("typed"));
}

TEST_F(TrainerEditorTest, AFailedWriteIsReportedAndTheWindowKeepsTheTypedData)
{
    frmEditTrainer add(request(QStringLiteral("Late Stable")));
    add.txtPhone->setText(QStringLiteral("0355556666"));
    // Another part of the program adds the row while the editor is open.
    f.addTrainer(QStringLiteral("Late Stable"));
    add.show();
    add.cmdAdd->click();
    ASSERT_EQ(script.messages().size(), 1);
    EXPECT_EQ(script.messages()[0].text,
              QStringLiteral("Adding the trainer failed: the trainer already has a record"));
    EXPECT_FALSE(add.result().saved);
    EXPECT_TRUE(add.isVisible());
    EXPECT_EQ(add.txtPhone->text(), QStringLiteral("0355556666"));

    f.addTrainer(QStringLiteral("Gone Stable"));
    frmEditTrainer update(request(QStringLiteral("Gone Stable")));
    f.db().exec(QStringLiteral("DELETE FROM Trainer WHERE TrainerName = 'Gone Stable'"));
    update.txtTrainerComments->setText(QStringLiteral("keep me"));
    update.cmdUpdate->click();
    ASSERT_EQ(script.messages().size(), 2);
    EXPECT_EQ(script.messages()[1].text,
              QStringLiteral("Updating the trainer failed: the trainer's record is no longer there"));
    EXPECT_FALSE(update.result().saved);
    EXPECT_EQ(update.txtTrainerComments->text(), QStringLiteral("keep me"));

    frmEditTrainer cancel(request(kObrien));
    cancel.txtPhone->setText(QStringLiteral("x"));
    cancel.cmdClose->click();
    EXPECT_FALSE(cancel.result().saved);
    EXPECT_EQ(f.db().count(QStringLiteral("Trainer"), QStringLiteral("TrainerName = ?"), {kObrien}), 0);
}

// ---- Through the main window's menu --------------------------------------------------

class TrainerMenuTest : public TrainerEditorTest
{
protected:
    void SetUp() override
    {
        RegisterRecordsOpeners();
        f.addMeeting(QStringLiteral("0712FLEM"), QStringLiteral("NOM"));
        f.addRunner(QStringLiteral("0712FLEM"), 1, kObrien, QStringLiteral("Silver Lining"));
        f.addRunner(QStringLiteral("0712FLEM"), 2, QStringLiteral("Z Fresh"), QStringLiteral("Grey Dawn"));
    }
    void TearDown() override { modOpeners::Openers() = WindowOpeners(); }

    Grid* names() const { return f.main().grdNames; }
    int rowOf(const QString& trainer) const { return MainFixture::rowOf(names(), trainer); }
    void editTrainer(const std::function<void(frmEditTrainer*)>& act)
    {
        script.answerModal([act](QDialog* d) {
            auto* w = qobject_cast<frmEditTrainer*>(d);
            ASSERT_NE(w, nullptr);
            act(w);
            if (w->isVisible())
                w->reject();
        });
        f.main().findChild<QAction*>(QStringLiteral("mnuEditTrainer"))->trigger();
    }
};

TEST_F(TrainerMenuTest, IgnoringATrainerPaintsItsRowRedAndBookingsAreRefused)
{
    f.addTrainer(kObrien, false, QStringLiteral("Note"));
    f.main().LoadTrainerGrid();
    ASSERT_TRUE(f.clickTrainer(kObrien));
    const int row = rowOf(kObrien);
    EXPECT_EQ(names()->cellIcon(row, 5), int(ImageList::IconComments));

    editTrainer([](frmEditTrainer* w) {
        w->chkIgnoreTrainer->setChecked(true);
        w->txtTrainerComments->clear();
        w->cmdUpdate->click();
    });
    for (int col = 1; col <= 3; ++col)
        EXPECT_EQ(names()->cellForeColor(row, col), 255) << col;
    EXPECT_EQ(names()->cellText(row, 6), QStringLiteral("True"));
    EXPECT_EQ(names()->cellIcon(row, 5), -1);
    EXPECT_EQ(f.main().TxtTrainPhone->text(), QStringLiteral("0398765432"));

    // The trainer's horses can no longer be booked.
    Grid grid;
    for (int c = 1; c <= 13; ++c)
        grid.addColumn(QStringLiteral("c%1").arg(c));
    modJockey::BookJockey(grid, 1, 10, QStringLiteral("A Jones"), QStringLiteral("Silver Lining"),
                          QStringLiteral("0712FLEM"), QStringLiteral("1200 HCP R1"), kObrien, 255);
    ASSERT_EQ(script.messages().size(), 1);
    EXPECT_EQ(script.messages()[0].text, QStringLiteral("Trainer O'Brien set to ignore cannot make bookings"));
    EXPECT_EQ(f.db().count(QStringLiteral("Bookings")), 0);
}

TEST_F(TrainerMenuTest, AddingTakesTheContactBoxesAndLeavesTheIconAsItWas)
{
    f.main().LoadTrainerGrid();
    ASSERT_TRUE(f.clickTrainer(kObrien));
    const int row = rowOf(kObrien);
    // The runners' own phone and location are shown for a trainer without a row.
    ASSERT_EQ(f.main().TxtTrainPhone->text(), QStringLiteral("0398765432"));
    f.main().txtTrainMobile->setText(QStringLiteral("0412345678"));
    names()->setCellIcon(row, 5, int(ImageList::IconComments));

    QString prefilledMobile;
    editTrainer([&prefilledMobile](frmEditTrainer* w) {
        prefilledMobile = w->mskTrainerMobile->text();
        w->txtTrainerLocation->setText(QStringLiteral("Bendigo"));
        w->cmdAdd->click();
    });
    EXPECT_EQ(prefilledMobile, QStringLiteral("0412345678"));
    EXPECT_EQ(names()->cellIcon(row, 5), int(ImageList::IconComments));
    EXPECT_EQ(names()->cellText(row, 6), QStringLiteral("False"));
    EXPECT_EQ(names()->cellForeColor(row, 1), -1);
    EXPECT_EQ(f.main().txtTrainLocation->text(), QStringLiteral("Bendigo"));
    const QVariantMap stored = trainerRow(kObrien);
    EXPECT_EQ(stored.value(QStringLiteral("TrainerLocation")).toString(), QStringLiteral("Bendigo"));
    EXPECT_EQ(stored.value(QStringLiteral("Phone")).toString(), QStringLiteral("0398765432"));
}

TEST_F(TrainerMenuTest, ContactBoxesOfAnotherTrainerAreNeitherUsedNorOverwritten)
{
    f.main().LoadTrainerGrid();
    ASSERT_TRUE(f.clickTrainer(QStringLiteral("Z Fresh")));
    f.main().TxtTrainPhone->setText(QStringLiteral("Z's phone"));
    names()->setSelectedCell(rowOf(kObrien), 1);
    QString prefilledPhone = QStringLiteral("unset");
    editTrainer([&prefilledPhone](frmEditTrainer* w) {
        prefilledPhone = w->txtPhone->text();
        w->txtPhone->setText(QStringLiteral("0311112222"));
        w->cmdAdd->click();
    });
    EXPECT_EQ(prefilledPhone, QString());
    EXPECT_EQ(f.main().TxtTrainPhone->text(), QStringLiteral("Z's phone"));
    EXPECT_EQ(trainerRow(kObrien).value(QStringLiteral("Phone")).toString(), QStringLiteral("0311112222"));

    // Without a selected trainer the editor does not open.
    names()->setRows(0);
    f.main().findChild<QAction*>(QStringLiteral("mnuEditTrainer"))->trigger();
    ASSERT_EQ(script.messages().size(), 1);
    EXPECT_EQ(script.messages()[0].text, QStringLiteral("Select a trainer in the trainer list first."));
}

TEST_F(TrainerEditorTest, ATextLongerThanItsColumnIsRefusedAndKeptForCorrecting)
{
    f.addTrainer(kObrien, false, QString(), QStringLiteral("0399990000"), QStringLiteral("Flemington"));
    frmEditTrainer w(request(kObrien));
    w.show();
    const QString longPlace = QString(51, QLatin1Char('x'));
    w.txtTrainerLocation->setText(longPlace);
    w.cmdUpdate->click();
    ASSERT_EQ(script.messages().size(), 1);
    EXPECT_EQ(script.messages()[0].text,
              QStringLiteral("Trainer Location can hold at most 50 characters; the text typed has 51."));
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(w.txtTrainerLocation->text(), longPlace);
    EXPECT_EQ(trainerRow(kObrien).value(QStringLiteral("TrainerLocation")).toString(), QStringLiteral("Flemington"));

    // Fifty characters fit and are stored whole.
    w.txtTrainerLocation->setText(QString(50, QLatin1Char('y')));
    w.cmdUpdate->click();
    EXPECT_EQ(script.messages().size(), 1);
    EXPECT_EQ(trainerRow(kObrien).value(QStringLiteral("TrainerLocation")).toString(), QString(50, QLatin1Char('y')));
}

TEST_F(TrainerEditorTest, RendersWithFixtureData)
{
    f.addTrainer(kObrien, true, QStringLiteral("Prefers a call after 10am"), QStringLiteral("03 9999 0000"),
                 QStringLiteral("Flemington"), QStringLiteral("0411 222 333"));
    frmEditTrainer w(request(kObrien));
    const QImage image = saveShot(&w, QStringLiteral("trainer.png"));
    EXPECT_GT(image.width(), 300);
    EXPECT_TRUE(w.chkIgnoreTrainer->isChecked());
}
} // namespace
