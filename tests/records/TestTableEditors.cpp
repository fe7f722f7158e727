// The booking template and booking rate editors: the new-record row, rows
// written when left or when the window closes, failed writes, the race-type
// list, display formats, deleting, and the booking-status list reloaded by
// the main window.
#include "core/modOpeners.h"
#include "mainwindow/Main.h"
#include "platform/ComboEx.h"
#include "platform/Prompts.h"
#include "records/DaoTableModel.h"
#include "records/RecordsOpeners.h"
#include "records/TableEditors.h"
#include "support/MainFixture.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QTableView>
#include <QTest>

#include "RecordsTestUtil.h"

#include <gtest/gtest.h>

namespace
{
class TableEditorsTest : public ::testing::Test
{
protected:
    QModelIndex cell(const TableEditorWindow& w, int row, int col) const { return w.model()->index(row, col); }
    void set(TableEditorWindow& w, int row, int col, const QVariant& v)
    {
        w.grid()->setCurrentIndex(cell(w, row, col));
        ASSERT_TRUE(w.model()->setData(cell(w, row, col), v));
    }
    void addRate(const QString& state, const QString& type, const QDate& date, double rate)
    {
        f.db().insert(QStringLiteral("BookRate"), {{QStringLiteral("State"), state},
                                                  {QStringLiteral("RaceType"), type},
                                                  {QStringLiteral("DateEffective"), date},
                                                  {QStringLiteral("BookingRate"), rate}});
    }

    MainFixture f;
    Prompts::Script script;
};

TEST_F(TableEditorsTest, AnEmptyTableOpensOnTheNewRowAndALeftRowIsInserted)
{
    frmBookRate w;
    ASSERT_TRUE(w.Form_Load());
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Jockey Booking Rates"));
    EXPECT_EQ(w.model()->rowCount(), 1);
    EXPECT_EQ(w.grid()->currentIndex().row(), 0);
    EXPECT_EQ(w.model()->newRow(), 0);

    set(w, 0, 0, QStringLiteral("VIC"));
    set(w, 0, 1, QStringLiteral("R"));
    set(w, 0, 2, QDate(2024, 3, 5));
    set(w, 0, 3, 12.5);
    EXPECT_EQ(w.model()->rowCount(), 2); // a fresh blank row follows
    EXPECT_EQ(f.db().count(QStringLiteral("BookRate")), 0);
    w.grid()->setCurrentIndex(cell(w, 1, 0));
    ASSERT_EQ(f.db().count(QStringLiteral("BookRate")), 1);
    const QVariantMap row = f.db().rows(QStringLiteral("SELECT * FROM BookRate")).value(0);
    EXPECT_EQ(row.value(QStringLiteral("State")).toString(), QStringLiteral("VIC"));
    EXPECT_EQ(row.value(QStringLiteral("RaceType")).toString(), QStringLiteral("R"));
    EXPECT_EQ(row.value(QStringLiteral("DateEffective")).toDateTime().date(), QDate(2024, 3, 5));
    EXPECT_DOUBLE_EQ(row.value(QStringLiteral("BookingRate")).toDouble(), 12.5);

    // Shown through the display formats.
    EXPECT_EQ(cell(w, 0, 2).data().toString(), QStringLiteral("5/3/24"));
    EXPECT_EQ(cell(w, 0, 3).data().toString(), QStringLiteral("$12.50"));
    EXPECT_EQ(DaoTableModel::displayText(DaoTableModel::Kind::Money, 1234567.891), QStringLiteral("$1,234,567.89"));
    EXPECT_EQ(DaoTableModel::displayText(DaoTableModel::Kind::Money, -5), QStringLiteral("-$5.00"));
    EXPECT_EQ(DaoTableModel::displayText(DaoTableModel::Kind::Date, QDate(2031, 12, 25)), QStringLiteral("25/12/31"));
    EXPECT_EQ(DaoTableModel::displayText(DaoTableModel::Kind::Money, QVariant()), QString());

    // Leaving the row again writes nothing more.
    w.grid()->setCurrentIndex(cell(w, 0, 0));
    w.grid()->setCurrentIndex(cell(w, 1, 0));
    EXPECT_EQ(f.db().count(QStringLiteral("BookRate")), 1);
    EXPECT_TRUE(script.messages().isEmpty());
}

TEST_F(TableEditorsTest, AnEditIsKeptWhenTheWindowCloses)
{
    addRate(QStringLiteral("NSW"), QStringLiteral("T"), QDate(2023, 7, 1), 80);
    addRate(QStringLiteral("VIC"), QStringLiteral("R"), QDate(2023, 7, 1), 120);
    {
        frmBookRate w;
        ASSERT_TRUE(w.Form_Load());
        EXPECT_EQ(w.grid()->currentIndex().row(), 2);
        set(w, 1, 3, 135.25);
        w.show();
        // A cell still being typed in when the window closes is written too.
        const QModelIndex state = cell(w, 0, 0);
        w.grid()->setCurrentIndex(state);
        w.grid()->edit(state);
        auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
        if (!editor)
            editor = w.grid()->viewport()->findChild<QLineEdit*>();
        ASSERT_NE(editor, nullptr);
        editor->setText(QStringLiteral("WA"));
        w.close();
        EXPECT_FALSE(w.isVisible());
    }
    EXPECT_EQ(f.db().count(QStringLiteral("BookRate"), QStringLiteral("State = 'WA'")), 1);
    EXPECT_DOUBLE_EQ(
        f.db().scalar(QStringLiteral("SELECT BookingRate FROM BookRate WHERE State = 'VIC'")).toDouble(), 135.25);
    EXPECT_DOUBLE_EQ(
        f.db().scalar(QStringLiteral("SELECT BookingRate FROM BookRate WHERE State = 'WA'")).toDouble(), 80.0);
}

TEST_F(TableEditorsTest, TheRaceTypeListPutsThePickIntoThatCellOnly)
{
    addRate(QStringLiteral("VIC"), QStringLiteral("R"), QDate(2023, 7, 1), 120);
    frmBookRate w;
    ASSERT_TRUE(w.Form_Load());
    w.show();
    QApplication::processEvents();
    const QModelIndex type = cell(w, 0, frmBookRate::kRaceTypeColumn);
    w.grid()->setCurrentIndex(type);
    w.grid()->edit(type);
    auto* list = w.grid()->findChild<QListWidget*>(QStringLiteral("lstType"));
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->count(), 3);
    EXPECT_EQ(list->item(0)->text(), QStringLiteral("R"));
    EXPECT_EQ(list->item(1)->text(), QStringLiteral("T"));
    EXPECT_EQ(list->item(2)->text(), QStringLiteral("J"));
    EXPECT_EQ(list->width(), w.grid()->visualRect(type).width());
    EXPECT_EQ(list->y(), w.grid()->visualRect(type).y());
    QListWidgetItem* j = list->item(2);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(j).center());
    QApplication::processEvents();
    EXPECT_EQ(type.data().toString(), QStringLiteral("J"));
    EXPECT_EQ(cell(w, 0, 0).data().toString(), QStringLiteral("VIC"));
    EXPECT_EQ(cell(w, 0, 3).data().toString(), QStringLiteral("$120.00"));
    EXPECT_TRUE(w.model()->isDirty(0));
    w.close();
    EXPECT_EQ(f.db().scalar(QStringLiteral("SELECT RaceType FROM BookRate")).toString(), QStringLiteral("J"));
    EXPECT_EQ(f.db().scalar(QStringLiteral("SELECT State FROM BookRate")).toString(), QStringLiteral("VIC"));
}

TEST_F(TableEditorsTest, AFailedWriteIsReportedAndTheRowKeptUntilTheUserLetsItGo)
{
    f.db().exec(QStringLiteral("CREATE TRIGGER NoRates BEFORE INSERT ON BookRate BEGIN SELECT RAISE(ABORT, 'refused'); END"));
    frmBookRate w;
    ASSERT_TRUE(w.Form_Load());
    w.show();
    set(w, 0, 0, QStringLiteral("QLD"));
    script.answerMsgBox(Prompts::vbOK);
    w.grid()->setCurrentIndex(cell(w, 1, 0));
    ASSERT_EQ(messageTexts(script),
              QStringList{QStringLiteral("Saving the row failed: refused (in: INSERT INTO BookRate (State, RaceType, "
                                         "DateEffective, BookingRate) VALUES (?, ?, ?, ?))")});
    EXPECT_TRUE(w.model()->isDirty(0));
    EXPECT_EQ(cell(w, 0, 0).data().toString(), QStringLiteral("QLD"));

    // Closing tries again and asks; No keeps the window open with the row.
    script.answerMsgBox(Prompts::vbOK).answerMsgBox(Prompts::vbNo);
    w.close();
    EXPECT_TRUE(w.isVisible());
    ASSERT_EQ(script.messages().size(), 3);
    EXPECT_EQ(script.messages()[2].text,
              QStringLiteral("A changed row could not be saved. Close anyway and lose the change?"));
    script.answerMsgBox(Prompts::vbOK).answerMsgBox(Prompts::vbYes);
    w.close();
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(f.db().count(QStringLiteral("BookRate")), 0);
    EXPECT_TRUE(script.unexpected().isEmpty());
}

TEST_F(TableEditorsTest, DelDeletesTheCurrentStoredRowOnlyWhenConfirmed)
{
    addRate(QStringLiteral("NSW"), QStringLiteral("T"), QDate(2023, 7, 1), 80);
    addRate(QStringLiteral("VIC"), QStringLiteral("R"), QDate(2023, 7, 1), 120);
    frmBookRate w;
    ASSERT_TRUE(w.Form_Load());
    w.show();
    w.grid()->setFocus();
    w.grid()->setCurrentIndex(cell(w, 0, 0));
    // Del in a grid is easily meant for the cell: a No keeps the whole row.
    script.answerMsgBox(Prompts::vbNo).answerMsgBox(Prompts::vbYes);
    QTest::keyClick(w.grid(), Qt::Key_Delete);
    EXPECT_EQ(f.db().count(QStringLiteral("BookRate")), 2);
    EXPECT_EQ(cell(w, 0, 0).data().toString(), QStringLiteral("NSW"));
    QTest::keyClick(w.grid(), Qt::Key_Delete);
    EXPECT_EQ(f.db().count(QStringLiteral("BookRate")), 1);
    EXPECT_EQ(cell(w, 0, 0).data().toString(), QStringLiteral("VIC"));
    ASSERT_EQ(script.messages().size(), 2);
    EXPECT_EQ(script.messages()[0].text, QStringLiteral("Delete the selected row?"));
    EXPECT_EQ(script.messages()[0].style, int(Prompts::vbYesNo + Prompts::vbQuestion + Prompts::vbDefaultButton2));
    // The blank row cannot be deleted, and nothing is asked for it.
    w.grid()->setCurrentIndex(cell(w, 1, 0));
    QTest::keyClick(w.grid(), Qt::Key_Delete);
    EXPECT_EQ(w.model()->rowCount(), 2);
    EXPECT_EQ(script.messages().size(), 2);
    EXPECT_TRUE(script.unexpected().isEmpty());
}

TEST_F(TableEditorsTest, ANewTemplateIsOfferedBetweenPlannedAndConfirmed)
{
    f.db().insert(QStringLiteral("BookingTemplate"),
                  {{QStringLiteral("Sequence"), 1}, {QStringLiteral("Template"), QStringLiteral("Ring trainer")}});
    f.db().insert(QStringLiteral("BookingTemplate"),
                  {{QStringLiteral("Sequence"), 3}, {QStringLiteral("Template"), QStringLiteral("Awaiting reply")}});
    RegisterRecordsOpeners();
    script.answerModal([this](QDialog* d) {
        auto* w = qobject_cast<frmBookingTemplate*>(d);
        ASSERT_NE(w, nullptr);
        EXPECT_EQ(w->windowTitle(), QStringLiteral("Booking Templates"));
        EXPECT_EQ(w->grid()->currentIndex().row(), 2);
        set(*w, 2, 0, 2);
        set(*w, 2, 1, QStringLiteral("Maybe"));
        w->close();
    });
    f.main().findChild<QAction*>(QStringLiteral("MnuBookTemp"))->trigger();
    modOpeners::Openers() = WindowOpeners();
    EXPECT_EQ(script.pending(), 0);
    QStringList items;
    for (int i = 0; i < f.main().cmbBookText->count(); ++i)
        items << f.main().cmbBookText->itemText(i);
    EXPECT_EQ(items, (QStringList{QStringLiteral("Planned"), QStringLiteral("Ring trainer"), QStringLiteral("Maybe"),
                                  QStringLiteral("Awaiting reply"), QStringLiteral("Confirmed"),
                                  QStringLiteral("Remove Booking")}));
}

TEST_F(TableEditorsTest, TheRatesMenuOpensTheRatesWindow)
{
    RegisterRecordsOpeners();
    QString opened;
    script.answerModal([&opened](QDialog* d) {
        opened = d->objectName();
        d->reject();
    });
    f.main().findChild<QAction*>(QStringLiteral("mnuBookRate"))->trigger();
    modOpeners::Openers() = WindowOpeners();
    EXPECT_EQ(opened, QStringLiteral("frmBookRate"));
}

TEST_F(TableEditorsTest, RendersTheRatesWithFixtureData)
{
    addRate(QStringLiteral("VIC"), QStringLiteral("R"), QDate(2023, 7, 1), 120);
    addRate(QStringLiteral("VIC"), QStringLiteral("T"), QDate(2023, 7, 1), 60);
    addRate(QStringLiteral("NSW"), QStringLiteral("R"), QDate(2024, 1, 15), 132.5);
    addRate(QStringLiteral("NSW"), QStringLiteral("J"), QDate(2024, 1, 15), 1250);
    frmBookRate w;
    ASSERT_TRUE(w.Form_Load());
    const QImage image = saveShot(&w, QStringLiteral("book-rates.png"));
    EXPECT_GT(image.width(), 300);
    frmBookingTemplate t;
    f.db().insert(QStringLiteral("BookingTemplate"),
                  {{QStringLiteral("Sequence"), 1}, {QStringLiteral("Template"), QStringLiteral("Ring trainer")}});
    ASSERT_TRUE(t.Form_Load());
    saveShot(&t, QStringLiteral("booking-templates.png"));
    EXPECT_EQ(cell(t, 0, 1).data().toString(), QStringLiteral("Ring trainer"));
}
} // namespace

namespace
{
/** Types `text` into the cell's own editor and leaves the cell, as the user does. */
void typeInto(TableEditorWindow& w, const QModelIndex& index, const QString& text)
{
    w.grid()->setCurrentIndex(index);
    w.grid()->edit(index);
    auto* editor = w.grid()->viewport()->findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    editor->setText(text);
    w.grid()->setCurrentIndex(index.siblingAtColumn(index.column() == 0 ? 1 : 0));
    // The closed editor goes at once, so the next edit finds its own.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

TEST_F(TableEditorsTest, AnImpossibleDateOrSequenceIsRefusedAndNothingStoredForTheCell)
{
    addRate(QStringLiteral("VIC"), QStringLiteral("R"), QDate(2023, 7, 1), 120);
    frmBookRate w;
    ASSERT_TRUE(w.Form_Load());
    w.show();
    QApplication::processEvents();
    const QModelIndex date = cell(w, 0, 2);
    for (const QString& typed : {QStringLiteral("31/02/2024"), QStringLiteral("soon")})
    {
        typeInto(w, date, typed);
        EXPECT_FALSE(w.model()->isDirty(0)) << typed.toStdString();
        EXPECT_EQ(date.data().toString(), QStringLiteral("1/7/23"));
    }
    EXPECT_EQ(messageTexts(script),
              QStringList(2, QStringLiteral("Date Effective must be a real date, typed as day/month/year (for example "
                                            "5/3/2024).")));
    EXPECT_EQ(script.messages().value(0).title, QStringLiteral("Invalid Entry"));
    // A real date typed with a short year is taken in this century.
    typeInto(w, date, QStringLiteral("29/2/24"));
    w.close();
    EXPECT_EQ(f.db().scalar(QStringLiteral("SELECT DateEffective FROM BookRate")).toDateTime().date(),
              QDate(2024, 2, 29));
    EXPECT_EQ(script.messages().size(), 2);

    frmBookingTemplate t;
    ASSERT_TRUE(t.Form_Load());
    t.show();
    QApplication::processEvents();
    typeInto(t, cell(t, 0, 0), QStringLiteral("abc"));
    EXPECT_EQ(t.model()->rowCount(), 1); // no new row begun
    EXPECT_EQ(script.messages().value(2).text, QStringLiteral("Seq Nbr must be a whole number."));
    typeInto(t, cell(t, 0, 0), QStringLiteral("4"));
    t.close();
    EXPECT_EQ(f.db().scalar(QStringLiteral("SELECT Sequence FROM BookingTemplate")).toInt(), 4);
    EXPECT_EQ(script.messages().size(), 3);
}

/** The cell editor open on the current cell, or nullptr. */
QLineEdit* openEditor(TableEditorWindow& w)
{
    for (QLineEdit* e : w.grid()->viewport()->findChildren<QLineEdit*>())
        if (e->isVisible())
            return e;
    return nullptr;
}

/** The text of the cell editor the window has open again, after the grid let go. */
QString reopenedText(TableEditorWindow& w, const QModelIndex& index)
{
    QApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    if (w.grid()->currentIndex() != index)
        return QStringLiteral("<not the current cell>");
    QLineEdit* e = openEditor(w);
    return e ? e->text() : QStringLiteral("<no editor>");
}

/** Escape in the open editor: the typed text is let go. */
void escapeEditor(TableEditorWindow& w)
{
    if (QLineEdit* e = openEditor(w))
        QTest::keyClick(e, Qt::Key_Escape);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

TEST_F(TableEditorsTest, RatesAndDatesOutsideAnySenseAreRefusedAndOfferedAgainForCorrecting)
{
    addRate(QStringLiteral("VIC"), QStringLiteral("R"), QDate(2023, 7, 1), 120);
    frmBookRate w;
    ASSERT_TRUE(w.Form_Load());
    w.show();
    QApplication::processEvents();
    const QModelIndex rate = cell(w, 0, 3);
    const QModelIndex date = cell(w, 0, 2);
    struct Case
    {
        QModelIndex index;
        QString typed;
        QString message;
    };
    const QList<Case> cases = {
        {rate, QStringLiteral("-50"), QStringLiteral("Booking Rate must not be negative.")},
        {rate, QStringLiteral("99999999999999999"),
         QStringLiteral("Booking Rate must not be more than $10,000,000.00.")},
        {rate, QStringLiteral("1e300"), QStringLiteral("Booking Rate must be an amount of money, such as 12.50.")},
        {date, QStringLiteral("1/1/99999"), QStringLiteral("Date Effective must be a date from 1900 to 2100.")},
        {date, QStringLiteral("1/1/1899"), QStringLiteral("Date Effective must be a date from 1900 to 2100.")},
    };
    for (const Case& c : cases)
    {
        typeInto(w, c.index, c.typed);
        EXPECT_EQ(script.messages().value(script.messages().size() - 1).text, c.message) << c.typed.toStdString();
        EXPECT_FALSE(w.model()->isDirty(0)) << c.typed.toStdString();
        EXPECT_EQ(reopenedText(w, c.index), c.typed);
        escapeEditor(w);
    }
    EXPECT_EQ(script.messages().size(), cases.size());
    EXPECT_EQ(rate.data().toString(), QStringLiteral("$120.00"));
    EXPECT_EQ(date.data().toString(), QStringLiteral("1/7/23"));

    // Closing with a refused value in the cell keeps the window for correcting.
    typeInto(w, rate, QStringLiteral("-1"));
    EXPECT_EQ(reopenedText(w, rate), QStringLiteral("-1"));
    w.close();
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(reopenedText(w, rate), QStringLiteral("-1"));
    EXPECT_EQ(script.messages().size(), cases.size() + 2);

    // Money typed in its own format, and the limit itself, are taken.
    typeInto(w, rate, QStringLiteral("$1,250.50"));
    typeInto(w, date, QStringLiteral("31/12/2100"));
    w.close();
    EXPECT_FALSE(w.isVisible());
    EXPECT_DOUBLE_EQ(f.db().scalar(QStringLiteral("SELECT BookingRate FROM BookRate")).toDouble(), 1250.5);
    EXPECT_EQ(f.db().scalar(QStringLiteral("SELECT DateEffective FROM BookRate")).toDateTime().date(),
              QDate(2100, 12, 31));
    EXPECT_EQ(script.messages().size(), cases.size() + 2);
}

TEST_F(TableEditorsTest, ARefusedRateLeftWithTabAddsNoRowAndKeepsTheRowAsItWas)
{
    addRate(QStringLiteral("VIC"), QStringLiteral("R"), QDate(2023, 7, 1), 120);
    frmBookRate w;
    ASSERT_TRUE(w.Form_Load());
    w.show();
    QApplication::processEvents();
    /** Types `typed` into the cell's editor and leaves it with Tab. */
    const auto tabOut = [&w](const QModelIndex& index, const QString& typed) {
        w.grid()->setCurrentIndex(index);
        QLineEdit* editor = openEditor(w); // the one offered again after a refusal
        if (!editor)
        {
            w.grid()->edit(index);
            editor = openEditor(w);
        }
        ASSERT_NE(editor, nullptr);
        editor->setText(typed);
        QTest::keyClick(editor, Qt::Key_Tab);
    };

    // The stored row's rate is the last cell: Tab would go on to the blank row.
    const QModelIndex rate = cell(w, 0, 3);
    const QStringList refused{QStringLiteral("abc"), QStringLiteral("-50"), QStringLiteral("99999999999999999")};
    for (const QString& typed : refused)
    {
        tabOut(rate, typed);
        EXPECT_EQ(reopenedText(w, rate), typed);
        escapeEditor(w);
        EXPECT_EQ(w.model()->rowCount(), 2) << typed.toStdString(); // the row and the blank row
        EXPECT_FALSE(w.model()->isDirty(0)) << typed.toStdString();
        EXPECT_EQ(rate.data().toString(), QStringLiteral("$120.00"));
    }
    EXPECT_EQ(script.messages().size(), refused.size());

    // A row being typed is not written without its refused rate.
    set(w, 1, 0, QStringLiteral("NSW"));
    set(w, 1, 1, QStringLiteral("R"));
    set(w, 1, 2, QDate(2024, 1, 1));
    const QModelIndex newRate = cell(w, 1, 3);
    tabOut(newRate, QStringLiteral("abc"));
    EXPECT_EQ(reopenedText(w, newRate), QStringLiteral("abc"));
    EXPECT_EQ(w.model()->rowCount(), 3);
    EXPECT_EQ(f.db().count(QStringLiteral("BookRate")), 1);

    // Corrected, the new row is written with its rate; the stored one is as it was.
    tabOut(newRate, QStringLiteral("95"));
    w.close();
    EXPECT_EQ(f.db().count(QStringLiteral("BookRate")), 2);
    EXPECT_DOUBLE_EQ(f.db().scalar(QStringLiteral("SELECT BookingRate FROM BookRate WHERE State = 'VIC'")).toDouble(),
                     120);
    EXPECT_DOUBLE_EQ(f.db().scalar(QStringLiteral("SELECT BookingRate FROM BookRate WHERE State = 'NSW'")).toDouble(),
                     95);
    EXPECT_EQ(script.messages().size(), refused.size() + 1);
}

TEST_F(TableEditorsTest, ANewRowWithARefusedRateLeftByClickingAnotherRowWritesNothing)
{
    addRate(QStringLiteral("VIC"), QStringLiteral("R"), QDate(2023, 7, 1), 120);
    frmBookRate w;
    ASSERT_TRUE(w.Form_Load());
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));

    // A new riding fee typed up to its rate, which is refused.
    set(w, 1, 0, QStringLiteral("NSW"));
    set(w, 1, 1, QStringLiteral("R"));
    set(w, 1, 2, QDate(2024, 1, 1));
    const QModelIndex newRate = cell(w, 1, 3);
    w.grid()->setCurrentIndex(newRate);
    w.grid()->edit(newRate);
    QLineEdit* editor = openEditor(w);
    ASSERT_NE(editor, nullptr);
    editor->setText(QStringLiteral("abc"));

    // The user clicks the stored row instead of correcting it.
    const QModelIndex stored = cell(w, 0, 0);
    QTest::mouseClick(w.grid()->viewport(), Qt::LeftButton, {}, w.grid()->visualRect(stored).center());
    EXPECT_EQ(messageTexts(script),
              QStringList{QStringLiteral("Booking Rate must be an amount of money, such as 12.50.")});
    // The row is offered again for correcting, and nothing was written.
    EXPECT_EQ(reopenedText(w, newRate), QStringLiteral("abc"));
    EXPECT_EQ(f.db().count(QStringLiteral("BookRate")), 1);
    EXPECT_EQ(f.db().count(QStringLiteral("BookRate"), QStringLiteral("State = 'NSW'")), 0);
    EXPECT_EQ(w.model()->rowCount(), 3);
}

TEST_F(TableEditorsTest, ATextLongerThanItsColumnIsRefusedWithTheColumnsSize)
{
    addRate(QStringLiteral("VIC"), QStringLiteral("R"), QDate(2023, 7, 1), 120);
    frmBookRate w;
    ASSERT_TRUE(w.Form_Load());
    w.show();
    QApplication::processEvents();
    const QModelIndex state = cell(w, 0, 0);
    typeInto(w, state, QStringLiteral("Queensland"));
    EXPECT_EQ(messageTexts(script),
              QStringList{QStringLiteral("State can hold at most 3 characters; the text typed has 10.")});
    EXPECT_EQ(reopenedText(w, state), QStringLiteral("Queensland"));
    EXPECT_EQ(state.data().toString(), QStringLiteral("VIC"));
    EXPECT_FALSE(w.model()->isDirty(0));
    typeInto(w, state, QStringLiteral("QLD")); // corrected in the offered editor
    w.close();
    EXPECT_EQ(f.db().scalar(QStringLiteral("SELECT State FROM BookRate")).toString(), QStringLiteral("QLD"));

    // The size is the column's own: a template holds 255 characters.
    frmBookingTemplate t;
    ASSERT_TRUE(t.Form_Load());
    t.show();
    QApplication::processEvents();
    typeInto(t, cell(t, 0, 1), QString(256, QLatin1Char('x')));
    EXPECT_EQ(script.messages().value(1).text,
              QStringLiteral("Template can hold at most 255 characters; the text typed has 256."));
    EXPECT_EQ(t.model()->rowCount(), 1);
    EXPECT_EQ(reopenedText(t, cell(t, 0, 1)).size(), 256);
    typeInto(t, cell(t, 0, 1), QString(255, QLatin1Char('x')));
    t.close();
    EXPECT_EQ(f.db().scalar(QStringLiteral("SELECT length(Template) FROM BookingTemplate")).toInt(), 255);
    EXPECT_EQ(script.messages().size(), 2);
}
} // namespace
