// Booking in the main window's nominations grid: the drag of a jockey from the
// jockey list, the in-grid jockey and status lists, confirming by request, and
// booking after System Defaults switched to another database.
#include "core/DatabaseLock.h"
#include "core/frmState.h"
#include "core/modDatabase.h"
#include "core/modJockeyBooking.h"
#include "core/modJockeyLists.h"
#include "core/modJockeyWeb.h"
#include "core/modOpeners.h"
#include "core/modShared.h"
#include "mainwindow/InGridBookingEditor.h"
#include "mainwindow/Main.h"
#include "platform/ComboEx.h"
#include "platform/Grid.h"
#include "platform/Prompts.h"
#include "support/MainFixture.h"
#include "support/QtPrinters.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QMimeData>
#include <QSignalSpy>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QTest>

#include <gtest/gtest.h>

#include <ostream>

namespace
{
const QString FLEM = QStringLiteral("0712FLEM");
const QString CAUL = QStringLiteral("0812CAUL");
const QString TRAINER = QStringLiteral("J Hawkes");

class InGridBookingTest : public ::testing::Test
{
protected:
    MainFixture fx;
    Prompts::Script script;
    Main& w = fx.main();
    QList<Grid*> dragged;

    void SetUp() override
    {
        fx.addMeeting(FLEM, QStringLiteral("ACP"));
        fx.addMeeting(CAUL, QStringLiteral("NOM"), true, QDate(2024, 12, 8), QStringLiteral("Caulfield"));
        fx.addTrainer(TRAINER);
        fx.addRunner(FLEM, 1, TRAINER, QStringLiteral("Silver Lining"));
        fx.addRunner(FLEM, 3, TRAINER, QStringLiteral("Silver Lining"));
        fx.addRunner(CAUL, 2, TRAINER, QStringLiteral("Bold Star"), 540);
        fx.addRunner(CAUL, 5, TRAINER, QStringLiteral("Fast Lane"), 550, QStringLiteral("Published Rider"));
        fx.addJockey(QStringLiteral("A Jones"), QStringLiteral(" 255"));
        fx.addJockey(QStringLiteral("B Smith"), QStringLiteral("&HFF0000"));
        fx.addJockey(QStringLiteral("C Brown")); // no colour
        fx.db().insert(QStringLiteral("BookingTemplate"),
                       {{QStringLiteral("Template"), QStringLiteral("Ring trainer")}, {QStringLiteral("Sequence"), 1}});
        fx.loadJockeys();
        modJockey::LoadBookingTextCombo(w.cmbBookText);
        w.LoadTrainerGrid();
        ASSERT_TRUE(fx.clickTrainer(TRAINER));
        ASSERT_EQ(w.grdNoms->rows(), 4);
        // A stale meeting from an earlier click must never be booked under.
        w.strMeetingCur = QStringLiteral("9999STALE");
        Grid::setDragHook([this](Grid* source) { dragged.append(source); });
        w.resize(1200, 800);
        w.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    }
    void TearDown() override
    {
        Grid::setDragHook(nullptr);
        EXPECT_TRUE(script.unexpected().isEmpty());
    }

    int nomsRow(const QString& meeting, const QString& race) const
    {
        for (int r = 1; r <= w.grdNoms->rows(); ++r) {
            if (w.grdNoms->cellText(r, 1) == meeting && w.grdNoms->cellText(r, 2).trimmed() == race)
                return r;
        }
        return 0;
    }
    static QPoint inViewport(Grid* g, int row, int col)
    {
        return g->viewport()->mapFrom(g, g->cellRect(row, col).center());
    }
    /** Presses on a jockey of the jockey list with the mouse. */
    void pressJockey(const QString& jockey, Qt::MouseButton button = Qt::LeftButton)
    {
        const int row = MainFixture::rowOf(w.grdJockey, jockey);
        ASSERT_GT(row, 0);
        QTest::mousePress(w.grdJockey->viewport(), button, {}, inViewport(w.grdJockey, row, 1));
        // (Releasing the right button would open the jockey pop-up menu.)
        if (button == Qt::LeftButton)
            QTest::mouseRelease(w.grdJockey->viewport(), button, {}, inViewport(w.grdJockey, row, 1));
    }
    /** Drops the grids' drag payload on a cell of the nominations grid. */
    void dropOn(int row, int col)
    {
        QMimeData mime;
        mime.setData(Grid::dragMimeType(), QByteArrayLiteral("grdJockey"));
        const QPoint pos = inViewport(w.grdNoms, row, col);
        QDragEnterEvent enter(pos, Qt::CopyAction, &mime, Qt::LeftButton, {});
        QCoreApplication::sendEvent(w.grdNoms->viewport(), &enter);
        QDropEvent drop(QPointF(pos), Qt::CopyAction, &mime, Qt::LeftButton, {}, QEvent::Drop);
        QCoreApplication::sendEvent(w.grdNoms->viewport(), &drop);
    }
    void dragJockeyTo(const QString& jockey, int row, int col = 4)
    {
        pressJockey(jockey);
        ASSERT_FALSE(dragged.isEmpty());
        dropOn(row, col);
    }
    /** Opens an in-grid list on a cell and chooses an entry in it. */
    void chooseInJockeyList(int row, const QString& entry)
    {
        w.grdNoms->setSelectedCell(row, 10);
        emit w.grdNoms->requestEdit(row, 10);
        ASSERT_FALSE(w.cmbJockey->isHidden());
        // Placed over the cell: same left edge and width, one pixel below its top.
        const QRect cell = w.grdNoms->cellRect(row, 10);
        const QPoint at = w.grdNoms->mapFrom(w.cmbJockey->parentWidget(), w.cmbJockey->pos());
        EXPECT_EQ(at, cell.topLeft() + QPoint(0, 1));
        EXPECT_EQ(w.cmbJockey->width(), cell.width());
        w.cmbJockey->setCurrentIndex(w.cmbJockey->findText(entry));
        emit w.cmbJockey->lostFocus();
    }
    void chooseInStatusList(int row, const QString& entry)
    {
        w.grdNoms->setSelectedCell(row, 13);
        emit w.grdNoms->requestEdit(row, 13);
        ASSERT_FALSE(w.cmbBookText->isHidden());
        const int index = w.cmbBookText->findText(entry);
        ASSERT_GE(index, 0) << entry.toStdString();
        w.cmbBookText->setCurrentIndex(index);
        emit w.cmbBookText->activated(index);
    }
    QList<QVariantMap> bookings() { return fx.db().rows(QStringLiteral("SELECT * FROM Bookings ORDER BY rowid")); }

    void activate()
    {
        w.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    }
    /** Double-clicks a nominations cell with the mouse. */
    void doubleClick(int row, int col)
    {
        w.grdNoms->ensureVisible(row, col);
        QTest::mouseDClick(w.grdNoms->viewport(), Qt::LeftButton, {}, inViewport(w.grdNoms, row, col));
    }
    /** Clicks the arrow of an in-grid list with the mouse. */
    static void clickArrow(ComboEx* list)
    {
        QStyleOptionComboBox opt;
        opt.initFrom(list);
        opt.subControls = QStyle::SC_All;
        const QRect arrow = list->style()->subControlRect(QStyle::CC_ComboBox, &opt, QStyle::SC_ComboBoxArrow, list);
        QTest::mouseClick(list, Qt::LeftButton, {}, arrow.center());
    }
    /** Clicks an entry of a list's open drop-down with the mouse. */
    static void clickEntry(ComboEx* list, const QString& entry)
    {
        QAbstractItemView* view = list->view();
        const int index = list->findText(entry);
        ASSERT_GE(index, 0) << entry.toStdString();
        const QPoint at = view->visualRect(view->model()->index(index, 0)).center();
        // The drop-down takes no release that comes too soon after it opened.
        QTest::qWait(QApplication::doubleClickInterval() + 20);
        QTest::mouseMove(view->viewport(), at);
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
    }
};

TEST_F(InGridBookingTest, DraggingAJockeyOntoARunnerBooksHimInHisColour)
{
    const int row = nomsRow(CAUL, QStringLiteral("2"));
    dragJockeyTo(QStringLiteral("A Jones"), row);

    // While pressing, the jockey's name and colour are shown.
    EXPECT_EQ(w.lblJockey->text(), QStringLiteral("A Jones"));
    EXPECT_EQ(w.lblBackColor->text(), QStringLiteral(" 255"));
    ASSERT_EQ(dragged.size(), 1);
    EXPECT_EQ(dragged[0], w.grdJockey);

    const auto rows = bookings();
    ASSERT_EQ(rows.size(), 1);
    EXPECT_EQ(rows[0][QStringLiteral("Jockey")].toString(), QStringLiteral("A Jones"));
    EXPECT_EQ(rows[0][QStringLiteral("MeetingCode")].toString(), CAUL);
    EXPECT_EQ(rows[0][QStringLiteral("RaceCode")].toString(), QStringLiteral("1200 HCP R2"));
    EXPECT_EQ(rows[0][QStringLiteral("Horse")].toString(), QStringLiteral("Bold Star"));
    EXPECT_EQ(rows[0][QStringLiteral("TrainerName")].toString(), TRAINER);
    EXPECT_EQ(rows[0][QStringLiteral("BookingSelection")].toString(), QStringLiteral("Planned"));
    EXPECT_EQ(w.grdNoms->cellText(row, 10), QStringLiteral("A Jones"));
    EXPECT_EQ(w.grdNoms->cellBackColor(row, 10), 255);
    EXPECT_EQ(w.grdNoms->cellText(row, 13), QStringLiteral("Planned"));

    // A right-button press neither picks nor drags.
    pressJockey(QStringLiteral("B Smith"), Qt::RightButton);
    EXPECT_EQ(w.lblJockey->text(), QStringLiteral("A Jones"));
    EXPECT_EQ(dragged.size(), 1);
}

TEST_F(InGridBookingTest, DroppingOverAnotherJockeyAsksBeforeReplacing)
{
    const int row = nomsRow(FLEM, QStringLiteral("1"));
    dragJockeyTo(QStringLiteral("A Jones"), row);

    script.answerMsgBox(Prompts::vbNo);
    pressJockey(QStringLiteral("B Smith"));
    w.grdNoms->dropFrom(w.grdJockey, w.grdNoms->cellRect(row, 7).center());
    ASSERT_EQ(script.messages().size(), 1);
    EXPECT_EQ(script.messages()[0].title, QStringLiteral("Confirm Jockey ride"));
    EXPECT_EQ(bookings()[0][QStringLiteral("Jockey")].toString(), QStringLiteral("A Jones"));
    EXPECT_EQ(w.grdNoms->cellText(row, 10), QStringLiteral("A Jones"));

    script.answerMsgBox(Prompts::vbYes);
    w.grdNoms->dropFrom(w.grdJockey, w.grdNoms->cellRect(row, 7).center());
    const auto rows = bookings();
    ASSERT_EQ(rows.size(), 1);
    EXPECT_EQ(rows[0][QStringLiteral("Jockey")].toString(), QStringLiteral("B Smith"));
    EXPECT_EQ(w.grdNoms->cellText(row, 10), QStringLiteral("B Smith"));
    EXPECT_EQ(w.grdNoms->cellBackColor(row, 10), 0xFF0000);

    // The same horse in another race of the meeting keeps its one booking.
    dragJockeyTo(QStringLiteral("C Brown"), nomsRow(FLEM, QStringLiteral("3")));
    ASSERT_EQ(bookings().size(), 1);
    EXPECT_EQ(bookings()[0][QStringLiteral("Jockey")].toString(), QStringLiteral("C Brown"));
}

TEST_F(InGridBookingTest, AnIgnoredTrainersRunnerCannotBeBooked)
{
    // The trainer was marked to be ignored after his runners were listed.
    fx.db().exec(QStringLiteral("UPDATE Trainer SET IgnoreTrainer = 1 WHERE TrainerName = ?"), {TRAINER});
    const int row = nomsRow(CAUL, QStringLiteral("2"));
    script.answerMsgBox(Prompts::vbOK);
    dragJockeyTo(QStringLiteral("A Jones"), row);
    ASSERT_EQ(script.messages().size(), 1);
    EXPECT_EQ(script.messages()[0].text, QStringLiteral("Trainer J Hawkes set to ignore cannot make bookings"));
    EXPECT_EQ(script.messages()[0].title, QStringLiteral("Error"));
    EXPECT_TRUE(bookings().isEmpty());
    EXPECT_EQ(w.grdNoms->cellText(row, 10), QString());
    EXPECT_EQ(w.grdNoms->cellText(row, 13), QString());
}

TEST_F(InGridBookingTest, TheListsOpenWithNoChoiceAndLeavingThemBooksNobody)
{
    // Straight after the lists were filled, before any list was used.
    EXPECT_EQ(w.cmbJockey->currentIndex(), -1);
    EXPECT_EQ(w.cmbBookText->currentIndex(), -1);
    const int row = nomsRow(CAUL, QStringLiteral("2"));
    w.grdNoms->setSelectedCell(row, 10);
    emit w.grdNoms->requestEdit(row, 10);
    ASSERT_FALSE(w.cmbJockey->isHidden());
    EXPECT_EQ(w.cmbJockey->currentIndex(), -1);
    EXPECT_EQ(w.cmbJockey->currentText(), QString());
    emit w.cmbJockey->lostFocus();
    EXPECT_TRUE(w.cmbJockey->isHidden());
    EXPECT_TRUE(bookings().isEmpty());
    EXPECT_EQ(w.grdNoms->cellText(row, 10), QString());

    // A choice left showing in the list from elsewhere is not taken either.
    w.cmbJockey->setCurrentIndex(0);
    emit w.grdNoms->requestEdit(row, 10);
    EXPECT_EQ(w.cmbJockey->currentIndex(), -1);
    emit w.cmbJockey->lostFocus();
    EXPECT_TRUE(bookings().isEmpty());

    w.grdNoms->setSelectedCell(row, 13);
    emit w.grdNoms->requestEdit(row, 13);
    ASSERT_FALSE(w.cmbBookText->isHidden());
    EXPECT_EQ(w.cmbBookText->currentIndex(), -1);
}

TEST_F(InGridBookingTest, ABookingTakesTheTrainerOfTheRunnerBooked)
{
    fx.addTrainer(QStringLiteral("B Ignored"), true);
    fx.addTrainer(QStringLiteral("C Other"));
    fx.addRunner(FLEM, 2, QStringLiteral("B Ignored"), QStringLiteral("Ignored Horse"));
    fx.addRunner(FLEM, 4, QStringLiteral("C Other"), QStringLiteral("Other Horse"));
    w.LoadTrainerGrid();
    ASSERT_TRUE(fx.clickTrainer(TRAINER));
    const int flemRow = nomsRow(FLEM, QStringLiteral("1"));
    const int caulRow = nomsRow(CAUL, QStringLiteral("2"));
    ASSERT_GT(flemRow, 0);

    // The selection moves to another trainer without a click (arrow keys):
    // J Hawkes's runners are still shown and are booked under him.
    w.grdNames->setSelectedCell(MainFixture::rowOf(w.grdNames, QStringLiteral("C Other")), 1);
    dragJockeyTo(QStringLiteral("A Jones"), flemRow);

    // A click on an ignored trainer is refused and leaves the runners shown;
    // they can still be booked (under their own trainer).
    script.answerMsgBox(Prompts::vbOK);
    ASSERT_TRUE(fx.clickTrainer(QStringLiteral("B Ignored")));
    ASSERT_EQ(script.messages().size(), 1);
    EXPECT_EQ(script.messages()[0].text, QStringLiteral("Trainer set to ignore cannot make bookings"));
    ASSERT_EQ(w.grdNoms->cellText(caulRow, 4), QStringLiteral("Bold Star"));
    chooseInJockeyList(caulRow, QStringLiteral("B Smith"));
    chooseInStatusList(caulRow, QStringLiteral("Ring trainer"));

    const auto rows = bookings();
    ASSERT_EQ(rows.size(), 2);
    for (const auto& b : rows)
        EXPECT_EQ(b[QStringLiteral("TrainerName")].toString(), TRAINER) << b[QStringLiteral("Horse")].toString().toStdString();
    EXPECT_EQ(rows[1][QStringLiteral("BookingSelection")].toString(), QStringLiteral("Ring trainer"));
    EXPECT_EQ(script.messages().size(), 1); // no refusal for the ignored trainer
}

TEST_F(InGridBookingTest, TheJockeyListBooksAndRemovesOnTheRowItWasPlacedOver)
{
    const int row = nomsRow(CAUL, QStringLiteral("5"));
    script.answerMsgBox(Prompts::vbNo);
    chooseInJockeyList(row, QStringLiteral("B Smith"));
    EXPECT_TRUE(w.cmbJockey->isHidden());
    EXPECT_EQ(w.cmbJockey->currentIndex(), -1);
    // The replace question for the published rider shown in the cell.
    ASSERT_EQ(script.messages().size(), 1);
    EXPECT_TRUE(script.messages()[0].text.startsWith(QStringLiteral("Published Rider Already booked")));
    EXPECT_TRUE(bookings().isEmpty());

    // A Jones is picked in the jockey list before the in-grid choice.
    pressJockey(QStringLiteral("A Jones"));
    script.clear();
    script.answerMsgBox(Prompts::vbYes);
    chooseInJockeyList(row, QStringLiteral("B Smith"));
    auto rows = bookings();
    ASSERT_EQ(rows.size(), 1);
    EXPECT_EQ(rows[0][QStringLiteral("MeetingCode")].toString(), CAUL);
    EXPECT_EQ(w.grdNoms->cellBackColor(row, 10), 0xFF0000);
    // The choice's colour is its own booking's: A Jones stays picked with his
    // colour, and dragging him again books him in it, not in B Smith's.
    EXPECT_EQ(w.lblJockey->text(), QStringLiteral("A Jones"));
    EXPECT_EQ(w.lblBackColor->text(), QStringLiteral(" 255"));
    const int other = nomsRow(CAUL, QStringLiteral("2"));
    w.grdNoms->dropFrom(w.grdJockey, w.grdNoms->cellRect(other, 7).center());
    EXPECT_EQ(w.grdNoms->cellText(other, 10), QStringLiteral("A Jones"));
    EXPECT_EQ(w.grdNoms->cellBackColor(other, 10), 255);
    ASSERT_EQ(bookings().size(), 2);
    fx.db().exec(QStringLiteral("DELETE FROM Bookings WHERE Horse = 'Bold Star'"));

    // Leaving the list without a choice only hides it.
    w.grdNoms->setSelectedCell(row, 10);
    emit w.grdNoms->requestEdit(row, 10);
    emit w.cmbJockey->lostFocus();
    EXPECT_TRUE(w.cmbJockey->isHidden());
    EXPECT_EQ(bookings().size(), 1);

    script.answerMsgBox(Prompts::vbYes);
    chooseInJockeyList(row, modJockey::kDeleteJockey);
    EXPECT_EQ(w.lblBackColor->text(), QStringLiteral(" 255"));
    EXPECT_TRUE(bookings().isEmpty());
    EXPECT_EQ(w.grdNoms->cellText(row, 10), QString());
    EXPECT_EQ(w.grdNoms->cellBackColor(row, 10), -1);
}

TEST_F(InGridBookingTest, EachStatusOfTheStatusList)
{
    const int row = nomsRow(FLEM, QStringLiteral("1"));

    // "Confirmed" without a jockey: told, and the list stays for another choice.
    script.answerMsgBox(Prompts::vbOK);
    chooseInStatusList(row, QStringLiteral("Confirmed"));
    ASSERT_EQ(script.messages().size(), 1);
    EXPECT_EQ(script.messages()[0].text, QStringLiteral("You cannot confirm, if no jockey has been entered"));
    EXPECT_FALSE(w.cmbBookText->isHidden());
    EXPECT_TRUE(bookings().isEmpty());

    // A template text makes a booking without jockey.
    chooseInStatusList(row, QStringLiteral("Ring trainer"));
    EXPECT_TRUE(w.cmbBookText->isHidden());
    ASSERT_EQ(bookings().size(), 1);
    EXPECT_EQ(bookings()[0][QStringLiteral("BookingSelection")].toString(), QStringLiteral("Ring trainer"));
    EXPECT_EQ(w.grdNoms->cellText(row, 13), QStringLiteral("Ring trainer"));

    dragJockeyTo(QStringLiteral("A Jones"), row);
    chooseInStatusList(row, QStringLiteral("Confirmed"));
    auto rows = bookings();
    EXPECT_EQ(rows[0][QStringLiteral("Confirmed")].toInt(), 1);
    EXPECT_EQ(rows[0][QStringLiteral("BookingSelection")].toString(), QStringLiteral("Confirmed"));
    EXPECT_EQ(w.grdNoms->cellBackColor(row, 1), 255);
    EXPECT_EQ(w.grdNoms->cellIcon(row, 13), modJockey::kConfirmedIcon);

    chooseInStatusList(row, QStringLiteral("Planned"));
    EXPECT_EQ(bookings()[0][QStringLiteral("Confirmed")].toInt(), 0);
    EXPECT_EQ(w.grdNoms->cellBackColor(row, 1), -1);
    EXPECT_EQ(w.grdNoms->cellBackColor(row, 10), 255);
    EXPECT_EQ(w.grdNoms->cellIcon(row, 13), -1);

    script.clear();
    script.answerMsgBox(Prompts::vbYes);
    chooseInStatusList(row, QStringLiteral("Remove Booking"));
    EXPECT_EQ(script.messages()[0].title, QStringLiteral("Confirm Removal"));
    EXPECT_TRUE(bookings().isEmpty());
    EXPECT_EQ(w.grdNoms->cellText(row, 10), QString());
    EXPECT_EQ(w.grdNoms->cellText(row, 13), QString());
}

TEST_F(InGridBookingTest, InCellListsCloseBeforeTheRowsMove)
{
    // By horse ascending Bold Star stands first; descending, a Silver Lining.
    emit w.grdNoms->columnClick(4);
    ASSERT_EQ(w.grdNoms->cellText(1, 4), QStringLiteral("Bold Star"));
    w.grdNoms->setSelectedCell(1, 10);
    emit w.grdNoms->requestEdit(1, 10);
    ASSERT_FALSE(w.cmbJockey->isHidden());
    w.cmbJockey->setCurrentIndex(w.cmbJockey->findText(QStringLiteral("B Smith")));
    emit w.grdNoms->columnClick(4);
    ASSERT_EQ(w.grdNoms->cellText(1, 4), QStringLiteral("Silver Lining"));
    EXPECT_TRUE(w.cmbJockey->isHidden());
    emit w.cmbJockey->lostFocus();
    auto rows = bookings();
    ASSERT_EQ(rows.size(), 1);
    EXPECT_EQ(rows[0][QStringLiteral("Horse")].toString(), QStringLiteral("Bold Star"));
    EXPECT_EQ(rows[0][QStringLiteral("MeetingCode")].toString(), CAUL);
    EXPECT_EQ(w.grdNoms->cellText(1, 10), QString());

    // The status list closes unchosen, on a sort and on a reload.
    w.grdNoms->setSelectedCell(1, 13);
    emit w.grdNoms->requestEdit(1, 13);
    ASSERT_FALSE(w.cmbBookText->isHidden());
    const int index = w.cmbBookText->findText(QStringLiteral("Ring trainer"));
    w.cmbBookText->setCurrentIndex(index);
    emit w.grdNoms->columnClick(4);
    EXPECT_TRUE(w.cmbBookText->isHidden());
    emit w.cmbBookText->activated(index);
    w.grdNoms->setSelectedCell(1, 13);
    emit w.grdNoms->requestEdit(1, 13);
    ASSERT_FALSE(w.cmbBookText->isHidden());
    w.cmbBookText->setCurrentIndex(index);
    w.LoadTrainerNoms();
    EXPECT_TRUE(w.cmbBookText->isHidden());
    emit w.cmbBookText->activated(index);
    rows = bookings();
    ASSERT_EQ(rows.size(), 1);
    EXPECT_EQ(rows[0][QStringLiteral("BookingSelection")].toString(), QStringLiteral("Planned"));

    // The jockey list on a reload: the choice goes to its own runner.
    const int row = nomsRow(FLEM, QStringLiteral("1"));
    w.grdNoms->setSelectedCell(row, 10);
    emit w.grdNoms->requestEdit(row, 10);
    ASSERT_FALSE(w.cmbJockey->isHidden());
    w.cmbJockey->setCurrentIndex(w.cmbJockey->findText(QStringLiteral("A Jones")));
    w.LoadTrainerNoms();
    EXPECT_TRUE(w.cmbJockey->isHidden());
    rows = bookings();
    ASSERT_EQ(rows.size(), 2);
    EXPECT_EQ(rows[1][QStringLiteral("Horse")].toString(), QStringLiteral("Silver Lining"));
    EXPECT_EQ(rows[1][QStringLiteral("Jockey")].toString(), QStringLiteral("A Jones"));
}

TEST_F(InGridBookingTest, ConfirmingInAnotherRaceOfTheMeetingFindsTheHorsesBooking)
{
    dragJockeyTo(QStringLiteral("A Jones"), nomsRow(FLEM, QStringLiteral("1")));
    // Reloaded, the horse's race-3 row shows the booking too, under its own
    // race code; a request to edit its horse cell confirms the one booking.
    ASSERT_TRUE(fx.clickTrainer(TRAINER));
    const int row3 = nomsRow(FLEM, QStringLiteral("3"));
    ASSERT_EQ(w.grdNoms->cellText(row3, 13), QStringLiteral("Planned"));
    w.grdNoms->setSelectedCell(row3, 4);
    emit w.grdNoms->requestEdit(row3, 4);

    const auto rows = bookings();
    ASSERT_EQ(rows.size(), 1);
    EXPECT_EQ(rows[0][QStringLiteral("Confirmed")].toInt(), 1);
    EXPECT_EQ(rows[0][QStringLiteral("RaceCode")].toString(), QStringLiteral("1200 HCP R1"));
    EXPECT_EQ(w.grdNoms->cellText(row3, 13), QStringLiteral("Confirmed"));
    EXPECT_EQ(w.grdNoms->cellBackColor(row3, 4), 255);
}

TEST_F(InGridBookingTest, TheFirstClickOnAListsArrowOpensIt)
{
    activate();
    const int row = nomsRow(CAUL, QStringLiteral("2"));
    doubleClick(row, 10);
    ASSERT_FALSE(w.cmbJockey->isHidden());
    ASSERT_TRUE(w.cmbJockey->hasFocus());
    // The first time a drop-down opens, Qt tells its box that it lost the
    // focus for an "other" reason while the drop-down shows.
    clickArrow(w.cmbJockey);
    EXPECT_FALSE(w.cmbJockey->isHidden());
    EXPECT_TRUE(w.cmbJockey->popupShown());
    EXPECT_TRUE(bookings().isEmpty());
    EXPECT_TRUE(script.messages().isEmpty());
}

TEST_F(InGridBookingTest, AChoiceTakesEffectAtOnceAndEscapeOrAClickElsewhereChangesNothing)
{
    activate();
    const int row = nomsRow(CAUL, QStringLiteral("2"));

    // A jockey clicked in the drop-down is booked there and then, and the
    // focus is back in the grid.
    doubleClick(row, 10);
    ASSERT_FALSE(w.cmbJockey->isHidden());
    clickArrow(w.cmbJockey);
    ASSERT_TRUE(w.cmbJockey->popupShown());
    clickEntry(w.cmbJockey, QStringLiteral("B Smith"));
    EXPECT_TRUE(w.cmbJockey->isHidden());
    EXPECT_TRUE(w.grdNoms->hasFocus());
    ASSERT_EQ(bookings().size(), 1);
    EXPECT_EQ(bookings()[0][QStringLiteral("Jockey")].toString(), QStringLiteral("B Smith"));
    EXPECT_EQ(w.grdNoms->cellText(row, 10), QStringLiteral("B Smith"));

    // Enter takes the entry the arrow keys moved to, at once.
    script.answerMsgBox(Prompts::vbYes); // replacing B Smith
    doubleClick(row, 10);
    ASSERT_FALSE(w.cmbJockey->isHidden());
    QTest::keyClick(w.cmbJockey, Qt::Key_Down);
    EXPECT_EQ(bookings()[0][QStringLiteral("Jockey")].toString(), QStringLiteral("B Smith"));
    const QString moved = w.cmbJockey->currentText();
    ASSERT_EQ(moved, QStringLiteral("A Jones"));
    QTest::keyClick(w.cmbJockey, Qt::Key_Return);
    EXPECT_TRUE(w.cmbJockey->isHidden());
    EXPECT_EQ(bookings()[0][QStringLiteral("Jockey")].toString(), moved);
    script.clear();

    // Escape on the jockey list, in its drop-down, and on the status list;
    // a click on another cell closes the status list: nothing changes.
    const auto stored = [this] {
        const auto rows = bookings();
        QStringList seen;
        for (const auto& b : rows)
            seen << b[QStringLiteral("Jockey")].toString() + QLatin1Char('/') +
                        b[QStringLiteral("BookingSelection")].toString() + QLatin1Char('/') +
                        b[QStringLiteral("Confirmed")].toString();
        return seen;
    };
    const QStringList before = stored();
    doubleClick(row, 10);
    ASSERT_FALSE(w.cmbJockey->isHidden());
    QTest::keyClick(w.cmbJockey, Qt::Key_Escape);
    EXPECT_TRUE(w.cmbJockey->isHidden());
    doubleClick(row, 10);
    clickArrow(w.cmbJockey);
    ASSERT_TRUE(w.cmbJockey->popupShown());
    QTest::keyClick(w.cmbJockey->view(), Qt::Key_Escape);
    EXPECT_FALSE(w.cmbJockey->popupShown());
    EXPECT_TRUE(w.cmbJockey->isHidden());
    doubleClick(row, 13);
    ASSERT_FALSE(w.cmbBookText->isHidden());
    QTest::keyClick(w.cmbBookText, Qt::Key_Escape);
    EXPECT_TRUE(w.cmbBookText->isHidden());
    EXPECT_TRUE(w.isVisible());
    doubleClick(row, 13);
    ASSERT_FALSE(w.cmbBookText->isHidden());
    const int other = nomsRow(FLEM, QStringLiteral("1"));
    QTest::mouseClick(w.grdNoms->viewport(), Qt::LeftButton, {}, inViewport(w.grdNoms, other, 13));
    EXPECT_TRUE(w.cmbBookText->isHidden());
    EXPECT_EQ(stored(), before);
    EXPECT_EQ(w.grdNoms->cellText(row, 10), moved);
    EXPECT_EQ(w.grdNoms->cellText(row, 13), QStringLiteral("Planned"));
    EXPECT_TRUE(script.messages().isEmpty());
}

TEST_F(InGridBookingTest, DoubleClickOnAPublishedRiderWithoutAStatusConfirmsNothing)
{
    const int row = nomsRow(CAUL, QStringLiteral("5"));
    ASSERT_EQ(w.grdNoms->cellText(row, 10), QStringLiteral("Published Rider"));
    ASSERT_TRUE(w.grdNoms->cellText(row, 13).isEmpty());
    doubleClick(row, 4);
    EXPECT_TRUE(bookings().isEmpty());
    EXPECT_TRUE(w.grdNoms->cellText(row, 13).isEmpty());
    EXPECT_EQ(w.grdNoms->cellIcon(row, 13), -1);
    EXPECT_EQ(w.grdNoms->cellBackColor(row, 4), -1);
    EXPECT_TRUE(script.messages().isEmpty());
}

TEST_F(InGridBookingTest, RequestsThatOpenOtherWindows)
{
    QSignalSpy race(&w, &Main::raceViewRequested);
    QSignalSpy stats(&w, &Main::statsRequested);
    QStringList statsModes;
    modOpeners::Openers().raceStats = [&] { statsModes << gStatsMode; };
    const int row = nomsRow(CAUL, QStringLiteral("2"));

    // No booking: a request on another column opens the race view on the row.
    w.grdNoms->setSelectedCell(row, 7);
    emit w.grdNoms->requestEdit(row, 7);
    ASSERT_EQ(race.count(), 1);
    EXPECT_EQ(w.strMeetingCur, CAUL);
    EXPECT_EQ(w.IntRace, 2);

    // The best-placing column: statistics when it shows an icon.
    w.grdNoms->setCellIcon(row, 5, 5);
    w.grdNoms->setSelectedCell(row, 5);
    emit w.grdNoms->requestEdit(row, 5);
    EXPECT_EQ(stats.count(), 1);
    EXPECT_EQ(modJockey::gSelHorse, QStringLiteral("Bold Star"));
    EXPECT_EQ(statsModes, QStringList{QStringLiteral("horse/jockey")});
    EXPECT_TRUE(bookings().isEmpty());
    modOpeners::Openers().raceStats = nullptr;
}

// After System Defaults switched to another folder's database, the window
// shows that database's meetings and trainers, none of the old runners and
// no trainer chosen, and a booking lands on a runner of the new database's
// field.
TEST_F(InGridBookingTest, AfterASwitchOfDatabaseTheListsAndBookingsAreTheNewDatabases)
{
    w.LoadMeetingGrid();
    ASSERT_EQ(w.grdMeeting->cellText(MainFixture::rowOf(w.grdMeeting, FLEM), 2), QStringLiteral("ACP"));
    // The other database holds the same meeting at its nominations stage,
    // with another field for the same trainer.
    const QString folder = fx.env().root() + QStringLiteral("/other");
    ASSERT_TRUE(QDir().mkpath(folder));
    DbFixture other(folder, false);
    other.insert(QStringLiteral("Meeting"), {{QStringLiteral("MeetingCode"), FLEM},
                                             {QStringLiteral("MeetingLevel"), QStringLiteral("NOM")},
                                             {QStringLiteral("DisplayMeeting"), true},
                                             {QStringLiteral("MeetingDate"), QDate(2024, 12, 7)},
                                             {QStringLiteral("MeetingLocation"), QStringLiteral("Flemington")},
                                             {QStringLiteral("State"), QStringLiteral("VIC")}});
    for (const auto& [trainer, horse] : {std::pair{TRAINER, QStringLiteral("New Arrival")},
                                         std::pair{QStringLiteral("G Waterhouse"), QStringLiteral("Far Away")}}) {
        other.insert(QStringLiteral("Trainer"), {{QStringLiteral("TrainerName"), trainer}});
        other.insert(QStringLiteral("Noms"), {{QStringLiteral("MeetingCode"), FLEM},
                                              {QStringLiteral("RaceNumber"), 1},
                                              {QStringLiteral("RaceCode"), QStringLiteral("1200 HCP R1")},
                                              {QStringLiteral("TrainerName"), trainer},
                                              {QStringLiteral("Horse"), horse},
                                              {QStringLiteral("HorseName"), horse.toUpper()},
                                              {QStringLiteral("Weight"), 560},
                                              {QStringLiteral("FormTrainer"), trainer}});
    }
    other.insert(QStringLiteral("Jockey"), {{QStringLiteral("Jockey"), QStringLiteral("A Jones")}});
    // Kept by an older version: its runners lack a column a start adds.
    other.exec(QStringLiteral("ALTER TABLE Noms DROP COLUMN WgtRat"));
    // The trainer chosen before the switch, his contact boxes open to edits.
    ASSERT_EQ(w.txtTrainerName->text(), TRAINER);
    ASSERT_FALSE(w.TxtTrainPhone->isReadOnly());

    frmState settings(&w);
    settings.LoadFields();
    settings.show();
    settings.findChild<QLineEdit*>(QStringLiteral("txtDBPath"))->setText(folder);
    settings.findChild<QPushButton*>(QStringLiteral("cmdChange"))->click();
    struct LetGo
    {
        ~LetGo() { DatabaseLock::ReleaseRun(); }
    } letGo;
    ASSERT_TRUE(script.messages().isEmpty());
    ASSERT_EQ(modDatabase::LocalDatabasePath(), other.path());

    // The lists are the new database's; no runner of the old one is left.
    EXPECT_EQ(w.grdMeeting->rows(), 1);
    EXPECT_EQ(w.grdMeeting->cellText(1, 1), FLEM);
    EXPECT_EQ(w.grdMeeting->cellText(1, 2), QStringLiteral("NOM"));
    EXPECT_EQ(w.grdNoms->rows(), 0);
    EXPECT_GT(MainFixture::rowOf(w.grdNames, QStringLiteral("G Waterhouse")), 0);
    EXPECT_EQ(MainFixture::rowOf(w.grdJockey, QStringLiteral("B Smith")), 0);
    // No trainer is chosen: an edit of the boxes would reach the new
    // database's trainer of that name.
    EXPECT_TRUE(w.SelectedTrainer.isEmpty());
    EXPECT_TRUE(w.txtTrainerName->text().isEmpty());
    for (QLineEdit* box : {w.txtTrainLocation, w.TxtTrainPhone, w.txtTrainMobile})
        EXPECT_TRUE(box->isReadOnly()) << box->objectName().toStdString();

    // The trainer's runners now are the new field, and a booking lands there.
    ASSERT_TRUE(fx.clickTrainer(TRAINER));
    ASSERT_EQ(w.grdNoms->rows(), 1);
    EXPECT_EQ(w.grdNoms->cellText(1, 4), QStringLiteral("New Arrival"));
    chooseInJockeyList(1, QStringLiteral("A Jones"));
    const auto booked = other.rows(QStringLiteral("SELECT * FROM Bookings"));
    ASSERT_EQ(booked.size(), 1);
    EXPECT_EQ(booked[0][QStringLiteral("Horse")].toString(), QStringLiteral("New Arrival"));
    EXPECT_EQ(booked[0][QStringLiteral("MeetingCode")].toString(), FLEM);
    EXPECT_EQ(booked[0][QStringLiteral("Jockey")].toString(), QStringLiteral("A Jones"));
    EXPECT_TRUE(bookings().isEmpty()); // the old database is left alone
    EXPECT_TRUE(other.db().TableDef(QStringLiteral("Noms")).FieldExact(QStringLiteral("WgtRat")));
    EXPECT_TRUE(script.messages().isEmpty());
}
} // namespace
