// Booking, clicks, pop-up menus, sorting, the icon jockey and the trainer
// contact boxes of the race view's field, driven through the real widgets.
#include "RaceViewFixture.h"

#include "core/InCellBooking.h"
#include "core/modJockeyBooking.h"
#include "core/modJockeyLists.h"
#include "core/modJockeyWeb.h"
#include "fixtures/FixtureServer.h"
#include "core/modOpeners.h"
#include "platform/ComboEx.h"
#include "platform/ImageList.h"
#include "platform/PopMenu.h"
#include "platform/Prompts.h"

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTextEdit>
#include <QTimer>

namespace
{
const QString FLEM = QStringLiteral("0712FLEM");
using F = FrmRace;

/** A statistics request as the opener saw it. */
struct StatsRequest
{
    QString mode, horse, jockey, trainer, formTrainer;
    /** The hourglass was up while the statistics window was open. */
    bool hourglass = false;
};

class RaceViewGestures : public RaceViewTest
{
protected:
    Prompts::Script prompts;
    QList<Grid*> dragged;
    QList<StatsRequest> stats;

    // Flemington, races 1 to 5; runners in races 2 and 5; the trainer of
    // "Five B" is to be ignored.
    void SetUp() override
    {
        RaceViewTest::SetUp();
        addMeeting(FLEM, QStringLiteral("ACP"));
        for (int race = 1; race <= 5; ++race)
            addRace(FLEM, race, QStringLiteral("1200 RACE%1").arg(race));
        addRunner(FLEM, 2, 1, QStringLiteral("Two A"), QStringLiteral("Tom Hill"),
                  {{QStringLiteral("TrainerLocation"), QStringLiteral("Caulfield")}});
        addRunner(FLEM, 5, 1, QStringLiteral("Five A"), QStringLiteral("D O'Brien"),
                  {{QStringLiteral("Weight"), 560}, {QStringLiteral("TrainerLocation"), QStringLiteral("Mornington")}});
        addRunner(FLEM, 5, 2, QStringLiteral("Five B"), QStringLiteral("Ignored T"),
                  {{QStringLiteral("Weight"), 545}, {QStringLiteral("Jockey"), QStringLiteral("Pub Rider")}});
        addRunner(FLEM, 5, 10, QStringLiteral("Five C"), QStringLiteral("Tom Hill"), {{QStringLiteral("Weight"), 590}});
        db.insert(QStringLiteral("Trainer"), {{QStringLiteral("TrainerName"), QStringLiteral("Ignored T")},
                                              {QStringLiteral("IgnoreTrainer"), true}});
        addJockey(QStringLiteral("John Smith"), QStringLiteral(" 255"));
        addJockey(QStringLiteral("Kate O'Ray"), QStringLiteral(" 65280"));
        addJockey(QStringLiteral("Pale"), QVariant());
        db.insert(QStringLiteral("BookingTemplate"),
                  {{QStringLiteral("Template"), QStringLiteral("Ring trainer")}, {QStringLiteral("Sequence"), 1}});
        Grid::setDragHook([this](Grid* source) { dragged.append(source); });
        modOpeners::Openers().raceStats = [this] {
            stats << StatsRequest{gStatsMode,      gSelHorse,
                                  gSelJockey,      gSelTrainer,
                                  gSelFormTrainer, QApplication::overrideCursor() != nullptr};
        };
    }
    void TearDown() override
    {
        Grid::setDragHook(nullptr);
        modOpeners::Openers().raceStats = nullptr;
        modJockey::SetJockeyListGrid(nullptr);
        modJockey::gIconJockey.clear();
        EXPECT_TRUE(prompts.unexpected().isEmpty());
        RaceViewTest::TearDown();
    }

    FrmRace& show(int race)
    {
        FrmRace& f = open(FLEM, race);
        f.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&f));
        return f;
    }
    static QPoint inViewport(Grid* g, int row, int col)
    {
        return g->viewport()->mapFrom(g, g->cellRect(row, col).center());
    }
    void clickField(int row, int col, Qt::MouseButton button = Qt::LeftButton)
    {
        QTest::mouseClick(form->grdRace->viewport(), button, {}, inViewport(form->grdRace, row, col));
    }
    /** A press on a jockey of the race view's jockey list (starts the drag). */
    void pressJockey(const QString& jockey)
    {
        const int row = gridRow(form->grdJockey, jockey);
        ASSERT_GT(row, 0);
        QTest::mousePress(form->grdJockey->viewport(), Qt::LeftButton, {}, inViewport(form->grdJockey, row, 1));
        QTest::mouseRelease(form->grdJockey->viewport(), Qt::LeftButton, {}, inViewport(form->grdJockey, row, 1));
    }
    /** Sends the grids' drag payload as a drop at a point of the field's viewport. */
    void dropAt(const QPoint& pos)
    {
        QMimeData mime;
        mime.setData(Grid::dragMimeType(), QByteArrayLiteral("grdJockey"));
        QDragEnterEvent enter(pos, Qt::CopyAction, &mime, Qt::LeftButton, {});
        QCoreApplication::sendEvent(form->grdRace->viewport(), &enter);
        QDropEvent drop(QPointF(pos), Qt::CopyAction, &mime, Qt::LeftButton, {}, QEvent::Drop);
        QCoreApplication::sendEvent(form->grdRace->viewport(), &drop);
    }
    void dragJockeyTo(const QString& jockey, int row, int col = F::ColForm)
    {
        pressJockey(jockey);
        dropAt(inViewport(form->grdRace, row, col));
    }
    void chooseInList(ComboEx* list, int row, int col, const QString& entry)
    {
        form->grdRace->setSelectedCell(row, col);
        QTest::keyClick(form->grdRace, Qt::Key_F2);
        ASSERT_FALSE(list->isHidden());
        const int index = list->findText(entry);
        ASSERT_GE(index, 0) << entry.toStdString();
        list->setCurrentIndex(index);
        if (list == form->cmbJockey)
            emit list->lostFocus();
        else
            emit list->activated(index);
    }
    QList<QVariantMap> bookings() { return db.rows(QStringLiteral("SELECT * FROM Bookings ORDER BY rowid")); }

    /** Race 3 with a field of 40 runners, longer than the window, shown and active. */
    FrmRace& showLongField()
    {
        for (int entry = 1; entry <= 40; ++entry)
            addRunner(FLEM, 3, entry, QStringLiteral("Long %1").arg(entry, 2, 10, QLatin1Char('0')),
                      QStringLiteral("Tom Hill"));
        FrmRace& f = show(3);
        f.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&f));
        return f;
    }
    /** The part of a cell the field shows, in the grid's pixels. */
    static QRect shownPart(Grid* g, int row, int col = F::ColJockey)
    {
        return g->cellRect(row, col).intersected(g->viewport()->geometry());
    }
    /** A point two pixels below the top of the part of a runner's jockey cell
     *  the field shows. */
    static QPoint topOfShownPart(Grid* g, int row)
    {
        const QRect shown = shownPart(g, row);
        return {shown.center().x(), shown.top() + 2};
    }
    /** Narrows the window until the field's right edge cuts the cell, as at
     *  the race view's opening width on a small screen. */
    static void cutAtTheRight(FrmRace& f, int row, int col)
    {
        Grid* g = f.grdRace;
        for (int width = f.width();
             width > 300 && shownPart(g, row, col).width() >= g->cellRect(row, col).width() - 20; width -= 10) {
            f.resize(width, f.height());
            QCoreApplication::processEvents();
        }
    }
    /** The bottom row the field's edge cuts through, shown by at least a few
     *  pixels but not whole; 0 when there is none. */
    static int bottomCutRow(Grid* g)
    {
        const QRect view = g->viewport()->geometry();
        for (int r = 1; r <= g->rows(); ++r) {
            const QRect cell = g->cellRect(r, F::ColJockey);
            if (cell.top() < view.bottom() - 4 && cell.bottom() > view.bottom())
                return r;
        }
        return 0;
    }
    /** Lowers the window until the field's bottom edge cuts a runner. */
    static void cutABottomRow(FrmRace& f)
    {
        for (int height = f.height(); bottomCutRow(f.grdRace) == 0 && height > 400; height -= 3) {
            f.resize(f.width(), height);
            QCoreApplication::processEvents();
        }
    }
    /**
     * A real double-click through the window (press, release, press, release,
     * the last release coming after the field has scrolled the runner's cell
     * into view) at a point of a runner's jockey cell, then a pick from the
     * jockey list it opens: the release belongs to the runner's cell, the
     * runner stays selected, its cell is wholly in view with the list over
     * it, and the pick books that runner.
     */
    void doubleClickAndBook(FrmRace& f, int row, const QPoint& inGrid)
    {
        Grid* g = f.grdRace;
        const QString horse = g->cellText(row, F::ColHorse);
        const QPoint cellAtPress = g->cellRect(row, F::ColJockey).topLeft();
        const QSignalSpy releases(g, &Grid::mouseUp);
        QTest::mouseDClick(f.windowHandle(), Qt::LeftButton, {}, g->mapTo(&f, inGrid));
        ASSERT_FALSE(f.cmbJockey->isHidden());
        // The release that ends the double-click is told at the spot of the
        // cell pressed, wherever the field has moved the cell meanwhile.
        ASSERT_FALSE(releases.isEmpty());
        const QPoint moved = g->cellRect(row, F::ColJockey).topLeft() - cellAtPress;
        EXPECT_EQ(QPoint(releases.last().at(2).toInt(), releases.last().at(3).toInt()), inGrid + moved);
        // Past the moment the field scrolls to its current cell by itself.
        QTest::qWait(QApplication::doubleClickInterval() + 300);
        ASSERT_FALSE(f.cmbJockey->isHidden());
        const QRect cell = g->cellRect(row, F::ColJockey);
        EXPECT_TRUE(g->viewport()->geometry().contains(cell))
            << cell.left() << " " << cell.top() << " " << cell.right() << " " << cell.bottom();
        EXPECT_EQ(g->selectedRow(), row);
        EXPECT_EQ(g->selectedCol(), int(F::ColJockey));
        EXPECT_EQ(f.cmbJockey->pos(), g->mapTo(&f, cell.topLeft() + QPoint(0, 1)));

        const int index = f.cmbJockey->findText(QStringLiteral("John Smith"));
        ASSERT_GE(index, 0);
        const int before = static_cast<int>(bookings().size());
        f.cmbJockey->setCurrentIndex(index);
        emit f.cmbJockey->chosen();
        EXPECT_TRUE(f.cmbJockey->isHidden());
        const auto rows = bookings();
        ASSERT_EQ(rows.size(), before + 1);
        EXPECT_EQ(rows.last()[QStringLiteral("Horse")].toString(), horse);
        EXPECT_EQ(g->cellText(row, F::ColJockey), QStringLiteral("John Smith"));
        for (const int next : {row - 1, row + 1})
            EXPECT_TRUE(g->cellText(next, F::ColJockey).isEmpty()) << next;
        EXPECT_EQ(g->selectedRow(), row);
        EXPECT_EQ(g->selectedCol(), int(F::ColJockey));
    }
};

// ---- Booking ------------------------------------------------------------------------------

TEST_F(RaceViewGestures, WholeMeetingDropBooksUnderTheRowsOwnRace)
{
    FrmRace& f = show(0);
    clickField(rowOf(QStringLiteral("Two A")), F::ColHorse); // the view stands on race 2
    ASSERT_EQ(f.RaceNumber, 2);
    const int row = rowOf(QStringLiteral("Five A"));
    dragJockeyTo(QStringLiteral("John Smith"), row);
    ASSERT_EQ(dragged.size(), 1);
    EXPECT_EQ(dragged[0], f.grdJockey);
    EXPECT_EQ(f.lblJockey->text(), QStringLiteral("John Smith"));

    const auto rows = bookings();
    ASSERT_EQ(rows.size(), 1);
    EXPECT_EQ(rows[0][QStringLiteral("RaceCode")].toString(), QStringLiteral("1200 RACE5"));
    EXPECT_EQ(rows[0][QStringLiteral("MeetingCode")].toString(), FLEM);
    EXPECT_EQ(rows[0][QStringLiteral("Horse")].toString(), QStringLiteral("Five A"));
    EXPECT_EQ(rows[0][QStringLiteral("TrainerName")].toString(), QStringLiteral("D O'Brien"));
    EXPECT_EQ(rows[0][QStringLiteral("BookingSelection")].toString(), QStringLiteral("Planned"));
    EXPECT_EQ(f.grdRace->cellText(row, F::ColJockey), QStringLiteral("John Smith"));
    EXPECT_EQ(f.grdRace->cellBackColor(row, F::ColJockey), 255);
    EXPECT_EQ(f.grdRace->cellText(row, F::ColBooking), QStringLiteral("Planned"));
}

TEST_F(RaceViewGestures, BookingOnAMeetingWithoutItsMeetingRowKeepsItsCode)
{
    const QString bare = QStringLiteral("0912BARE");
    addRace(bare, 1, QStringLiteral("1000 BARE"));
    addRunner(bare, 1, 1, QStringLiteral("Bare One"), QStringLiteral("Tom Hill"));
    open(bare, 1);
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    dragJockeyTo(QStringLiteral("John Smith"), rowOf(QStringLiteral("Bare One")));
    const auto rows = bookings();
    ASSERT_EQ(rows.size(), 1);
    EXPECT_EQ(rows[0][QStringLiteral("MeetingCode")].toString(), bare);
    EXPECT_EQ(rows[0][QStringLiteral("RaceCode")].toString(), QStringLiteral("1000 BARE"));
}

TEST_F(RaceViewGestures, DropsOnAGroupRowEmptySpaceOrFromElsewhereBookNothing)
{
    FrmRace& f = show(0);
    f.grdRace->setSelectionColor(0xFFFF);
    pressJockey(QStringLiteral("John Smith"));
    dropAt(inViewport(f.grdRace, f.GroupRowOf(5), F::ColHorse));
    EXPECT_EQ(f.grdRace->selectionColor(), 0x8000000D);
    pressJockey(QStringLiteral("John Smith"));
    dropAt(QPoint(10, f.grdRace->viewport()->height() - 3)); // below the last row
    // Not from the jockey list: another grid, and a drop without a drag.
    f.grdRace->dropFrom(f.grdRaces, f.grdRace->cellRect(rowOf(QStringLiteral("Five A")), F::ColHorse).center());
    dropAt(inViewport(f.grdRace, rowOf(QStringLiteral("Five A")), F::ColHorse));
    EXPECT_TRUE(bookings().isEmpty());
    EXPECT_TRUE(f.grdRace->cellText(rowOf(QStringLiteral("Five A")), F::ColJockey).isEmpty());
}

TEST_F(RaceViewGestures, ReplacingAJockeyAsksFirst)
{
    FrmRace& f = show(5);
    const int row = rowOf(QStringLiteral("Five A"));
    dragJockeyTo(QStringLiteral("John Smith"), row);
    prompts.answerMsgBox(Prompts::vbNo);
    dragJockeyTo(QStringLiteral("Kate O'Ray"), row);
    ASSERT_EQ(prompts.messages().size(), 1);
    EXPECT_EQ(prompts.messages()[0].text, QStringLiteral("John Smith Already booked for this ride are you sure \r"
                                                         "you wish replace with Kate O'Ray"));
    EXPECT_EQ(bookings()[0][QStringLiteral("Jockey")].toString(), QStringLiteral("John Smith"));
    prompts.answerMsgBox(Prompts::vbYes);
    dragJockeyTo(QStringLiteral("Kate O'Ray"), row);
    EXPECT_EQ(bookings()[0][QStringLiteral("Jockey")].toString(), QStringLiteral("Kate O'Ray"));
    EXPECT_EQ(f.grdRace->cellBackColor(row, F::ColJockey), 65280);
}

TEST_F(RaceViewGestures, IgnoredTrainerIsRefused)
{
    FrmRace& f = show(5);
    // The published rider shown is to be replaced first; then the refusal.
    prompts.answerMsgBox(Prompts::vbYes).answerMsgBox(Prompts::vbOK);
    dragJockeyTo(QStringLiteral("John Smith"), rowOf(QStringLiteral("Five B")));
    ASSERT_EQ(prompts.messages().size(), 2);
    EXPECT_EQ(prompts.messages()[1].text, QStringLiteral("Trainer Ignored T set to ignore cannot make bookings"));
    EXPECT_EQ(prompts.messages()[1].title, QStringLiteral("Error"));
    EXPECT_TRUE(bookings().isEmpty());
    EXPECT_EQ(f.grdRace->cellText(rowOf(QStringLiteral("Five B")), F::ColJockey), QStringLiteral("Pub Rider"));
}

TEST_F(RaceViewGestures, InCellListsDeleteConfirmAndTemplateTexts)
{
    FrmRace& f = show(5);
    const int row = rowOf(QStringLiteral("Five A"));

    // A booking holding only a status; "Delete Jockey" on the empty jockey cell
    // removes it without asking.
    chooseInList(f.cmbBookText, row, F::ColBooking, QStringLiteral("Ring trainer"));
    ASSERT_EQ(bookings().size(), 1);
    EXPECT_TRUE(f.cmbBookText->isHidden());
    chooseInList(f.cmbJockey, row, F::ColJockey, modJockey::kDeleteJockey);
    EXPECT_TRUE(bookings().isEmpty());
    EXPECT_TRUE(f.grdRace->cellText(row, F::ColBooking).isEmpty());
    EXPECT_TRUE(f.cmbJockey->isHidden());

    // "Confirmed" without a jockey: told, the list stays open.
    prompts.answerMsgBox(Prompts::vbOK);
    chooseInList(f.cmbBookText, row, F::ColBooking, modJockey::kConfirmed);
    ASSERT_EQ(prompts.messages().size(), 1);
    EXPECT_EQ(prompts.messages()[0].text, QStringLiteral("You cannot confirm, if no jockey has been entered"));
    EXPECT_FALSE(f.cmbBookText->isHidden());
    EXPECT_TRUE(bookings().isEmpty());
    f.cmbBookText->hide();

    // With a jockey chosen in the list: confirmed, the row in his colour.
    chooseInList(f.cmbJockey, row, F::ColJockey, QStringLiteral("John Smith"));
    chooseInList(f.cmbBookText, row, F::ColBooking, modJockey::kConfirmed);
    ASSERT_EQ(bookings().size(), 1);
    EXPECT_EQ(bookings()[0][QStringLiteral("Confirmed")].toInt(), 1);
    EXPECT_EQ(f.grdRace->cellIcon(row, F::ColBooking), ImageList::IconConfirmed);
    EXPECT_EQ(f.grdRace->cellBackColor(row, F::ColHorse), 255);

    // A template text takes the confirmation off and the colours but the jockey's.
    chooseInList(f.cmbBookText, row, F::ColBooking, QStringLiteral("Ring trainer"));
    EXPECT_EQ(bookings()[0][QStringLiteral("Confirmed")].toInt(), 0);
    EXPECT_EQ(bookings()[0][QStringLiteral("BookingSelection")].toString(), QStringLiteral("Ring trainer"));
    EXPECT_EQ(f.grdRace->cellBackColor(row, F::ColHorse), -1);
    EXPECT_EQ(f.grdRace->cellBackColor(row, F::ColJockey), 255);
    EXPECT_EQ(f.grdRace->cellIcon(row, F::ColBooking), -1);
}

TEST_F(RaceViewGestures, InCellListsCloseBeforeTheRowsMove)
{
    FrmRace& f = show(5);
    Grid* g = f.grdRace;
    // By entry Five A, Five B, Five C; by weight, descending, Five C comes first.
    g->setSelectedCell(rowOf(QStringLiteral("Five A")), F::ColJockey);
    QTest::keyClick(g, Qt::Key_F2);
    ASSERT_FALSE(f.cmbJockey->isHidden());
    f.cmbJockey->setCurrentIndex(f.cmbJockey->findText(QStringLiteral("John Smith")));
    emit g->columnClick(F::ColWeight);
    ASSERT_EQ(g->cellText(1, F::ColHorse), QStringLiteral("Five C"));
    EXPECT_TRUE(f.cmbJockey->isHidden());
    emit f.cmbJockey->lostFocus();
    auto rows = bookings();
    ASSERT_EQ(rows.size(), 1);
    EXPECT_EQ(rows[0][QStringLiteral("Horse")].toString(), QStringLiteral("Five A"));
    EXPECT_EQ(g->cellText(rowOf(QStringLiteral("Five A")), F::ColJockey), QStringLiteral("John Smith"));
    EXPECT_TRUE(g->cellText(rowOf(QStringLiteral("Five C")), F::ColJockey).isEmpty());

    // The status list closes unchosen, on a sort and on a reload.
    g->setSelectedCell(rowOf(QStringLiteral("Five C")), F::ColBooking);
    QTest::keyClick(g, Qt::Key_F2);
    ASSERT_FALSE(f.cmbBookText->isHidden());
    emit g->columnClick(F::ColWeight);
    EXPECT_TRUE(f.cmbBookText->isHidden());
    g->setSelectedCell(rowOf(QStringLiteral("Five C")), F::ColBooking);
    QTest::keyClick(g, Qt::Key_F2);
    ASSERT_FALSE(f.cmbBookText->isHidden());
    f.LoadRaceField();
    EXPECT_TRUE(f.cmbBookText->isHidden());
    EXPECT_EQ(bookings().size(), 1);
}

TEST_F(RaceViewGestures, DoubleClickConfirmsOnlyWithJockeyAndStatus)
{
    addBooking(FLEM, QStringLiteral("Five A"), QStringLiteral("John Smith"), QStringLiteral("Planned"));
    FrmRace& f = show(5);
    const int bare = rowOf(QStringLiteral("Five C"));
    QTest::mouseDClick(f.grdRace->viewport(), Qt::LeftButton, {}, inViewport(f.grdRace, bare, F::ColForm));
    EXPECT_EQ(bookings().size(), 1);
    EXPECT_TRUE(f.grdRace->cellText(bare, F::ColBooking).isEmpty());

    const int row = rowOf(QStringLiteral("Five A"));
    // Column 5 without an icon confirms too.
    QTest::mouseDClick(f.grdRace->viewport(), Qt::LeftButton, {}, inViewport(f.grdRace, row, F::ColHorseIcon));
    EXPECT_EQ(bookings()[0][QStringLiteral("Confirmed")].toInt(), 1);
    EXPECT_EQ(f.grdRace->cellText(row, F::ColBooking), QStringLiteral("Confirmed"));
    EXPECT_EQ(f.grdRace->cellBackColor(row, F::ColNbr), 255);
    EXPECT_TRUE(stats.isEmpty());
}

TEST_F(RaceViewGestures, DoubleClickOpensTheListsOnTheirCellsAndConfirmsElsewhere)
{
    addBooking(FLEM, QStringLiteral("Five A"), QStringLiteral("John Smith"), QStringLiteral("Planned"));
    FrmRace& f = show(5);
    f.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&f));
    const int row = rowOf(QStringLiteral("Five A"));
    const auto doubleClick = [&](int col) {
        QTest::mouseDClick(f.grdRace->viewport(), Qt::LeftButton, {}, inViewport(f.grdRace, row, col));
    };
    const auto confirmed = [&] { return bookings()[0][QStringLiteral("Confirmed")].toInt(); };

    // The jockey cell of a booked runner opens the jockey list, over its cell.
    doubleClick(F::ColJockey);
    ASSERT_FALSE(f.cmbJockey->isHidden());
    EXPECT_TRUE(f.cmbJockey->hasFocus());
    EXPECT_EQ(f.cmbJockey->x(), f.grdRace->mapTo(&f, f.grdRace->cellRect(row, F::ColJockey).topLeft()).x());
    EXPECT_EQ(confirmed(), 0);
    // Escape closes the list, not the race view.
    QTest::keyClick(f.cmbJockey, Qt::Key_Escape);
    EXPECT_TRUE(f.cmbJockey->isHidden());
    EXPECT_TRUE(f.isVisible());

    // The status cell opens the status list.
    doubleClick(F::ColBooking);
    ASSERT_FALSE(f.cmbBookText->isHidden());
    EXPECT_TRUE(f.cmbBookText->hasFocus());
    EXPECT_EQ(confirmed(), 0);
    QTest::keyClick(f.cmbBookText, Qt::Key_Escape);
    EXPECT_TRUE(f.cmbBookText->isHidden());
    EXPECT_TRUE(f.isVisible());
    EXPECT_EQ(f.grdRace->cellText(row, F::ColBooking), QStringLiteral("Planned"));

    // Any other cell confirms.
    doubleClick(F::ColTrainer);
    EXPECT_EQ(confirmed(), 1);
    EXPECT_EQ(f.grdRace->cellText(row, F::ColBooking), QStringLiteral("Confirmed"));
    EXPECT_TRUE(f.cmbJockey->isHidden());
    EXPECT_TRUE(f.cmbBookText->isHidden());
    EXPECT_TRUE(prompts.messages().isEmpty());
    EXPECT_TRUE(stats.isEmpty());
}

TEST_F(RaceViewGestures, InCellListOpensOverItsCellOnceTheFieldHasScrolledItIntoView)
{
    addBooking(FLEM, QStringLiteral("Five A"), QStringLiteral("John Smith"), QStringLiteral("Planned"));
    FrmRace& f = show(5);
    f.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&f));
    Grid* g = f.grdRace;
    const int row = rowOf(QStringLiteral("Five A"));
    cutAtTheRight(f, row, F::ColBooking);
    const QRect shown = shownPart(g, row, F::ColBooking);
    ASSERT_GT(shown.width(), 10);
    ASSERT_LT(shown.width(), g->cellRect(row, F::ColBooking).width() - 20);

    const QPoint onCell = g->viewport()->mapFrom(g, QPoint(shown.left() + 5, shown.center().y()));
    QTest::mouseDClick(g->viewport(), Qt::LeftButton, {}, onCell);
    ASSERT_FALSE(f.cmbBookText->isHidden());
    // However the field scrolls the cell into view after the click, the
    // list lies over the cell, and the cell is in view.
    QTest::qWait(QApplication::doubleClickInterval() + 300);
    const QRect cell = g->cellRect(row, F::ColBooking);
    EXPECT_TRUE(g->viewport()->geometry().contains(cell)) << cell.x() << " " << cell.right();
    EXPECT_EQ(f.cmbBookText->x(), g->mapTo(&f, cell.topLeft()).x());
    EXPECT_EQ(f.cmbBookText->width(), cell.width());
    QTest::keyClick(f.cmbBookText, Qt::Key_Escape);
    EXPECT_TRUE(f.cmbBookText->isHidden());
    EXPECT_EQ(g->cellText(row, F::ColBooking), QStringLiteral("Planned"));
}

TEST_F(RaceViewGestures, DoubleClickOnAHalfHiddenBottomRunnerKeepsItAndBooksIt)
{
    FrmRace& f = showLongField();
    cutABottomRow(f);
    const int row = bottomCutRow(f.grdRace);
    ASSERT_GT(row, 0);
    ASSERT_LT(row, f.grdRace->rows());
    doubleClickAndBook(f, row, topOfShownPart(f.grdRace, row));
}

TEST_F(RaceViewGestures, DoubleClickOnARunnerHalfHiddenAtTheTopKeepsItAndBooksIt)
{
    FrmRace& f = showLongField();
    Grid* g = f.grdRace;
    QScrollBar* down = g->verticalScrollBar();
    // Scrolled to its end, the field shows its last runner whole and cuts the
    // top one; lowered until that one is hidden and shown by a few pixels each.
    const auto topCutRow = [&] {
        const QRect view = g->viewport()->geometry();
        for (int r = 1; r <= g->rows(); ++r) {
            const QRect cell = g->cellRect(r, F::ColJockey);
            if (cell.top() < view.top() - 4 && cell.bottom() > view.top() + 4)
                return r;
        }
        return 0;
    };
    for (int height = f.height(); height > 400; height -= 3) {
        down->setValue(down->maximum());
        QCoreApplication::processEvents();
        if (topCutRow() != 0)
            break;
        f.resize(f.width(), height);
        QCoreApplication::processEvents();
    }
    const int row = topCutRow();
    ASSERT_GT(row, 1);
    doubleClickAndBook(f, row, topOfShownPart(g, row));
}

TEST_F(RaceViewGestures, DoubleClickOnARunnerCutAtTheRightEdgeKeepsItAndBooksIt)
{
    FrmRace& f = showLongField();
    Grid* g = f.grdRace;
    const int row = 2;
    cutAtTheRight(f, row, F::ColJockey);
    const QRect shown = shownPart(g, row);
    ASSERT_EQ(shown.height(), g->cellRect(row, F::ColJockey).height());
    ASSERT_GT(shown.width(), 10);
    ASSERT_LT(shown.width(), g->cellRect(row, F::ColJockey).width() - 20);
    doubleClickAndBook(f, row, QPoint(shown.right() - 2, shown.center().y()));
}

TEST_F(RaceViewGestures, DoubleClickOnAHalfHiddenBottomRunnerOfAFieldScrolledDownKeepsItAndBooksIt)
{
    FrmRace& f = showLongField();
    Grid* g = f.grdRace;
    cutABottomRow(f);
    // The user has scrolled several runners down before the double-click.
    g->verticalScrollBar()->setValue(6);
    QCoreApplication::processEvents();
    ASSERT_EQ(g->verticalScrollBar()->value(), 6);
    const int row = bottomCutRow(g);
    ASSERT_GT(row, 6);
    ASSERT_LT(row, g->rows());
    doubleClickAndBook(f, row, topOfShownPart(g, row));
}

TEST_F(RaceViewGestures, DoubleClickOnAPublishedRiderWithoutAStatusConfirmsNothing)
{
    FrmRace& f = show(5);
    const int row = rowOf(QStringLiteral("Five B"));
    ASSERT_EQ(f.grdRace->cellText(row, F::ColJockey), QStringLiteral("Pub Rider"));
    ASSERT_TRUE(f.grdRace->cellText(row, F::ColBooking).isEmpty());
    for (const int col : {int(F::ColHorse), int(F::ColHorseIcon), int(F::ColWeight)})
        QTest::mouseDClick(f.grdRace->viewport(), Qt::LeftButton, {}, inViewport(f.grdRace, row, col));
    EXPECT_TRUE(bookings().isEmpty());
    EXPECT_TRUE(f.grdRace->cellText(row, F::ColBooking).isEmpty());
    EXPECT_EQ(f.grdRace->cellIcon(row, F::ColBooking), -1);
    EXPECT_EQ(f.grdRace->cellBackColor(row, F::ColHorse), -1);
    EXPECT_TRUE(prompts.messages().isEmpty());
    EXPECT_TRUE(stats.isEmpty());
}

// ---- Clicks, menus and statistics ----------------------------------------------------------------

TEST_F(RaceViewGestures, WholeMeetingClickFollowsTheRaceButNotOnGroupRows)
{
    FrmRace& f = show(0);
    clickField(rowOf(QStringLiteral("Five B")), F::ColHorse);
    EXPECT_EQ(f.RaceNumber, 5);
    EXPECT_TRUE(f.txtRace->toPlainText().startsWith(QStringLiteral("Race :5")));
    EXPECT_EQ(f.windowTitle(), QStringLiteral("Flemington- Race :5"));
    clickField(f.GroupRowOf(2), F::ColHorse);
    EXPECT_EQ(f.RaceNumber, 5);
    EXPECT_EQ(f.ShownTrainer, QStringLiteral("Ignored T"));

    // A right click on a race-2 runner moves the headers first, then shows the menu.
    PopMenu::Script menus;
    menus.dismiss();
    clickField(rowOf(QStringLiteral("Two A")), F::ColHorse, Qt::RightButton);
    ASSERT_EQ(menus.records().size(), 1);
    EXPECT_EQ(menus.records()[0].menu, QStringLiteral("Race"));
    EXPECT_FALSE(menus.records()[0].items.contains(QStringLiteral("Video")));
    EXPECT_EQ(f.RaceNumber, 2);
    // A right click on a group row shows nothing.
    clickField(f.GroupRowOf(5), F::ColHorse, Qt::RightButton);
    EXPECT_EQ(menus.records().size(), 1);
}

TEST_F(RaceViewGestures, RaceMenuKeysSetTheRequest)
{
    addBooking(FLEM, QStringLiteral("Five A"), QStringLiteral("John Smith"), QStringLiteral("Planned"));
    show(5);
    const int row = rowOf(QStringLiteral("Five A"));
    const int bare = rowOf(QStringLiteral("Five C"));
    PopMenu::Script menus;
    menus.choose(QStringLiteral("Horse Form")).choose(QStringLiteral("Jockey")).choose(QStringLiteral("Trainer"));
    menus.choose(QStringLiteral("Jockey"));
    clickField(row, F::ColHorse, Qt::RightButton);
    ASSERT_EQ(stats.size(), 1);
    EXPECT_EQ(stats[0].mode, QStringLiteral("horse"));
    EXPECT_EQ(stats[0].horse, QStringLiteral("Five A"));
    clickField(row, F::ColHorse, Qt::RightButton);
    ASSERT_EQ(stats.size(), 2);
    EXPECT_EQ(stats[1].mode, QStringLiteral("jockey"));
    EXPECT_EQ(stats[1].jockey, QStringLiteral("John Smith"));
    clickField(row, F::ColHorse, Qt::RightButton);
    ASSERT_EQ(stats.size(), 3);
    EXPECT_EQ(stats[2].mode, QStringLiteral("trainer"));
    EXPECT_EQ(stats[2].trainer, QStringLiteral("D O'Brien"));
    EXPECT_EQ(stats[2].formTrainer, QStringLiteral("D O'BRIEN"));
    // The statistics window shows its own pointer; none of the race view's
    // hourglass stays up over it.
    for (const StatsRequest& s : stats)
        EXPECT_FALSE(s.hourglass) << s.mode.toStdString();
    // "Jockey Form" on a runner without a jockey opens nothing.
    clickField(bare, F::ColHorse, Qt::RightButton);
    EXPECT_EQ(stats.size(), 3);
    EXPECT_EQ(menus.pending(), 0);
}

TEST_F(RaceViewGestures, RatingAndRegoMenuKeysShowTheHorsesPages)
{
    FixtureServer server;
    modJockey::SetRbhSite(server.url());
    modJockey::SetRegistrationSite(server.url());
    server.addPage(QStringLiteral("/publishing/RBH/pgFindHorse.asp?txtMode=ProcessSearch"),
                   QByteArrayLiteral("<html><body>No horse found</body></html>"), "text/html", "POST");
    show(5);
    QStringList titles;
    prompts.answerModal([&](QDialog* d) { titles << d->windowTitle(); d->reject(); });
    prompts.answerModal([&](QDialog* d) { titles << d->windowTitle(); d->reject(); });
    PopMenu::Script menus;
    menus.choose(QStringLiteral("Rating")).choose(QStringLiteral("Rego"));
    clickField(rowOf(QStringLiteral("Five B")), F::ColHorse, Qt::RightButton);
    EXPECT_EQ(gSelHorse, QStringLiteral("Five B"));
    gSelHorse.clear();
    clickField(rowOf(QStringLiteral("Five B")), F::ColHorse, Qt::RightButton);
    EXPECT_EQ(gSelHorse, QStringLiteral("Five B"));
    EXPECT_EQ(titles, QStringList({QStringLiteral("RBH Vic Rating"), QStringLiteral("Registration Search - Five B")}));
    EXPECT_TRUE(stats.isEmpty());
    modJockey::SetRbhSite(QString());
    modJockey::SetRegistrationSite(QString());
}

TEST_F(RaceViewGestures, RaceEntriesItemsAndTheirKeysShowTheSelectedHorsesPages)
{
    FixtureServer server;
    modJockey::SetRbhSite(server.url());
    modJockey::SetRegistrationSite(server.url());
    server.addPage(QStringLiteral("/publishing/RBH/pgFindHorse.asp?txtMode=ProcessSearch"),
                   QByteArrayLiteral("<html><body>No horse found</body></html>"), "text/html", "POST");
    FrmRace& f = show(5);
    QStringList titles;
    for (int i = 0; i < 3; ++i)
        prompts.answerModal([&](QDialog* d) { titles << d->windowTitle(); d->reject(); });
    clickField(rowOf(QStringLiteral("Five B")), F::ColForm);
    f.MnuVicRatings->trigger();
    EXPECT_EQ(gSelHorse, QStringLiteral("Five B"));
    clickField(rowOf(QStringLiteral("Five C")), F::ColForm);
    f.mnuRego->trigger();
    EXPECT_EQ(gSelHorse, QStringLiteral("Five C"));
    // The same from the keyboard, the menu being hidden.
    EXPECT_TRUE(f.mnuPURaceEnt->isHidden());
    f.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&f));
    f.grdRace->setFocus();
    QTest::keyClick(f.grdRace, Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(titles, QStringList({QStringLiteral("RBH Vic Rating"), QStringLiteral("Registration Search - Five C"),
                                   QStringLiteral("Registration Search - Five C")}));
    EXPECT_TRUE(stats.isEmpty());
    modJockey::SetRbhSite(QString());
    modJockey::SetRegistrationSite(QString());
}

TEST_F(RaceViewGestures, WindowStaysOpenWhileTheRatingPageIsFetched)
{
    FixtureServer server;
    modJockey::SetRbhSite(server.url());
    server.addPage(QStringLiteral("/publishing/RBH/pgFindHorse.asp?txtMode=ProcessSearch"),
                   FixtureServer::Reply::withBody(QByteArrayLiteral("<html><body>No horse found</body></html>"))
                       .after(400),
                   "POST");
    FrmRace& f = show(5);
    prompts.answerModal([](QDialog* d) { d->reject(); });
    PopMenu::Script menus;
    menus.choose(QStringLiteral("Rating")).choose(QStringLiteral("Rating"));
    // During the wait: the close box and a second lookup.
    bool closedDuringWait = true;
    QTimer::singleShot(150, &f, [&] {
        clickField(rowOf(QStringLiteral("Five B")), F::ColHorse, Qt::RightButton);
        f.close();
        closedDuringWait = f.isHidden();
    });
    clickField(rowOf(QStringLiteral("Five B")), F::ColHorse, Qt::RightButton);
    EXPECT_FALSE(closedDuringWait);
    EXPECT_FALSE(f.isHidden());
    EXPECT_EQ(server.requestCount(), 1);
    EXPECT_EQ(menus.pending(), 0);
    // Back from the lookup, the window closes as usual.
    f.close();
    EXPECT_TRUE(f.isHidden());
    modJockey::SetRbhSite(QString());
}

TEST_F(RaceViewGestures, IconDoubleClicksOpenStatisticsWithTheJockeys)
{
    addRide(QStringLiteral("JOHN SMITH"), QStringLiteral("FIVE A"), 1, QStringLiteral("D O'BRIEN"));
    modJockey::gJockeyInList = modJockey::BuildJockeyInList({QStringLiteral("John Smith")});
    FrmRace& f = show(5);
    const int row = rowOf(QStringLiteral("Five A"));
    ASSERT_EQ(f.grdRace->cellIcon(row, F::ColHorseIcon), ImageList::IconBestWin);
    QTest::mouseDClick(f.grdRace->viewport(), Qt::LeftButton, {}, inViewport(f.grdRace, row, F::ColHorseIcon));
    ASSERT_EQ(stats.size(), 1);
    EXPECT_EQ(stats[0].mode, QStringLiteral("horse/jockey"));
    EXPECT_EQ(stats[0].horse, QStringLiteral("Five A"));
    QTest::mouseDClick(f.grdRace->viewport(), Qt::LeftButton, {}, inViewport(f.grdRace, row, F::ColTrainerIcon));
    ASSERT_EQ(stats.size(), 2);
    EXPECT_EQ(stats[1].mode, QStringLiteral("trainer/jockey"));
    EXPECT_EQ(stats[1].trainer, QStringLiteral("D O'Brien"));
    EXPECT_EQ(stats[1].formTrainer, QStringLiteral("D O'BRIEN"));
    EXPECT_FALSE(stats[0].hourglass);
    EXPECT_FALSE(stats[1].hourglass);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    // The statistics load waits on the network with this window running on:
    // its close box does nothing until the statistics window is back.
    bool closedDuringLoad = true;
    modOpeners::Openers().raceStats = [&] {
        f.close();
        closedDuringLoad = f.isHidden();
    };
    QTest::mouseDClick(f.grdRace->viewport(), Qt::LeftButton, {}, inViewport(f.grdRace, row, F::ColHorseIcon));
    EXPECT_FALSE(closedDuringLoad);
    EXPECT_FALSE(f.isHidden());
}

TEST_F(RaceViewGestures, JockeyMenuAndTheIconJockey)
{
    addRide(QStringLiteral("KATE O'RAY"), QStringLiteral("FIVE A"), 1);
    addRide(QStringLiteral("JOHN SMITH"), QStringLiteral("FIVE C"), 2);
    FrmRace& f = show(5);
    modJockey::SetJockeyListGrid(f.grdJockey);
    modJockey::GetJockeyInList();
    f.LoadRaceField();
    const int a = rowOf(QStringLiteral("Five A"));
    const int c = rowOf(QStringLiteral("Five C"));
    ASSERT_EQ(f.grdRace->cellIcon(c, F::ColHorseIcon), ImageList::IconBestPlaced);
    const int kate = gridRow(f.grdJockey, QStringLiteral("Kate O'Ray"));
    const QPoint at = inViewport(f.grdJockey, kate, 1);

    // No jockey selected: told, nothing changes.
    PopMenu::Script menus;
    menus.choose(QStringLiteral("SelJockeyIcon"));
    prompts.answerMsgBox(Prompts::vbOK);
    f.grdJockey->clearSelectedCells();
    emit f.grdJockey->mouseUp(2, 0, at.x(), at.y());
    ASSERT_EQ(prompts.messages().size(), 1);
    EXPECT_EQ(prompts.messages()[0].text, QStringLiteral("Jockey Must be Seleted for Icons."));
    EXPECT_EQ(prompts.messages()[0].title, QStringLiteral("Select a Jockey"));
    EXPECT_TRUE(modJockey::gIconJockey.isEmpty());

    // Chosen: only that jockey's placings count; the boxes and race text empty.
    clickField(a, F::ColHorse);
    EXPECT_FALSE(f.txtTrainLocation->text().isEmpty());
    menus.choose(QStringLiteral("SelJockeyIcon"));
    f.grdJockey->setSelectedCell(kate, 1);
    QTest::mouseClick(f.grdJockey->viewport(), Qt::RightButton, {}, at);
    EXPECT_EQ(modJockey::gIconJockey, QStringLiteral("Kate O'Ray"));
    EXPECT_EQ(modJockey::gJockeyInList, QStringLiteral("( 'Kate O''Ray')"));
    EXPECT_EQ(f.grdJockey->cellIcon(kate, 1), 4);
    EXPECT_EQ(f.grdRace->cellIcon(a, F::ColHorseIcon), ImageList::IconBestWin);
    EXPECT_EQ(f.grdRace->cellIcon(c, F::ColHorseIcon), -1);
    EXPECT_TRUE(f.txtTrainLocation->text().isEmpty());
    EXPECT_TRUE(f.txtRace->toPlainText().isEmpty());

    // Chosen again: all jockeys count again.
    menus.choose(QStringLiteral("SelJockeyIcon"));
    f.grdJockey->setSelectedCell(kate, 1);
    QTest::mouseClick(f.grdJockey->viewport(), Qt::RightButton, {}, at);
    EXPECT_TRUE(modJockey::gIconJockey.isEmpty());
    EXPECT_EQ(f.grdJockey->cellIcon(kate, 1), -1);
    EXPECT_EQ(f.grdRace->cellIcon(c, F::ColHorseIcon), ImageList::IconBestPlaced);

    // "Jockey Form" for the selected jockey.
    menus.choose(QStringLiteral("Jockey"));
    QTest::mouseClick(f.grdJockey->viewport(), Qt::RightButton, {}, at);
    ASSERT_EQ(stats.size(), 1);
    EXPECT_EQ(stats[0].mode, QStringLiteral("jockey"));
    EXPECT_EQ(stats[0].jockey, QStringLiteral("Kate O'Ray"));
    EXPECT_FALSE(stats[0].hourglass);
}

TEST_F(RaceViewGestures, IconJockeyChoiceEmptiesTheTrainerBoxesWithoutSavingThem)
{
    db.insert(QStringLiteral("Trainer"), {{QStringLiteral("TrainerName"), QStringLiteral("D O'Brien")},
                                          {QStringLiteral("Phone"), QStringLiteral("0311")},
                                          {QStringLiteral("TrainerMobile"), QStringLiteral("0411")},
                                          {QStringLiteral("TrainerLocation"), QStringLiteral("Mornington")}});
    FrmRace& f = show(5);
    clickField(rowOf(QStringLiteral("Five A")), F::ColHorse);
    ASSERT_EQ(f.TxtTrainPhone->text(), QStringLiteral("0311"));
    PopMenu::Script menus;
    menus.choose(QStringLiteral("SelJockeyIcon"));
    const int kate = gridRow(f.grdJockey, QStringLiteral("Kate O'Ray"));
    f.grdJockey->setSelectedCell(kate, 1);
    QTest::mouseClick(f.grdJockey->viewport(), Qt::RightButton, {}, inViewport(f.grdJockey, kate, 1));
    ASSERT_EQ(modJockey::gIconJockey, QStringLiteral("Kate O'Ray"));
    EXPECT_TRUE(f.TxtTrainPhone->text().isEmpty());
    EXPECT_TRUE(f.txtTrainMobile->text().isEmpty());
    EXPECT_TRUE(f.txtTrainLocation->text().isEmpty());

    // The user typed nothing: passing through the emptied boxes and closing
    // the window leave the trainer's record as it was.
    f.txtTrainLocation->setFocus();
    f.TxtTrainPhone->setFocus();
    f.txtTrainMobile->setFocus();
    f.grdRace->setFocus();
    f.cmdExit->click();
    const auto rows =
        db.rows(QStringLiteral("SELECT * FROM Trainer WHERE TrainerName = ?"), {QStringLiteral("D O'Brien")});
    ASSERT_EQ(rows.size(), 1);
    EXPECT_EQ(rows[0][QStringLiteral("Phone")].toString(), QStringLiteral("0311"));
    EXPECT_EQ(rows[0][QStringLiteral("TrainerMobile")].toString(), QStringLiteral("0411"));
    EXPECT_EQ(rows[0][QStringLiteral("TrainerLocation")].toString(), QStringLiteral("Mornington"));
}

// ---- Sorting -----------------------------------------------------------------------------------------

TEST_F(RaceViewGestures, HeaderSortsByKindAndTag)
{
    db.exec(QStringLiteral("UPDATE Noms SET LastRaceClass = 'MDN', EntryNo = 9 WHERE Horse = 'Five A'"));
    db.exec(QStringLiteral("UPDATE Noms SET LastRaceClass = 'G1 VRC' WHERE Horse = 'Five B'"));
    db.exec(QStringLiteral("UPDATE Noms SET LastRaceClass = '78BM' WHERE Horse = 'Five C'"));
    db.exec(QStringLiteral("UPDATE Noms SET Barrier = 12 WHERE Horse = 'Five A'"));
    db.exec(QStringLiteral("UPDATE Noms SET Barrier = 3 WHERE Horse = 'Five B'"));
    db.exec(QStringLiteral("UPDATE Noms SET Barrier = 0 WHERE Horse = 'Five C'"));
    FrmRace& f = show(5);
    Grid* g = f.grdRace;
    const auto horses = [g] {
        QStringList h;
        for (int r = 1; r <= g->rows(); ++r)
            h << g->cellText(r, F::ColHorse);
        return h.join(QLatin1Char(','));
    };
    // "Desc" columns sort descending first, then ascending.
    emit g->columnClick(F::ColWeight);
    EXPECT_EQ(horses(), QStringLiteral("Five C,Five A,Five B"));
    EXPECT_EQ(g->colHeaderImage(F::ColWeight), ImageList::IconSortDescending);
    emit g->columnClick(F::ColWeight);
    EXPECT_EQ(horses(), QStringLiteral("Five B,Five A,Five C"));
    EXPECT_EQ(g->colHeaderImage(F::ColWeight), ImageList::IconSortAscending);
    // Numbers as numbers: entry 2 before 9 before 10.
    emit g->columnClick(F::ColNbr);
    EXPECT_EQ(horses(), QStringLiteral("Five B,Five A,Five C"));
    EXPECT_EQ(g->colHeaderImage(F::ColWeight), -1);
    // Class rank: group 1, benchmark 78, maiden.
    emit g->columnClick(F::ColLastClass);
    EXPECT_EQ(horses(), QStringLiteral("Five B,Five C,Five A"));
    // The barrier sorts on its number; a 0 ("999") last.
    emit g->columnClick(F::ColBallotBarrier);
    EXPECT_EQ(horses(), QStringLiteral("Five B,Five A,Five C"));
    EXPECT_EQ(g->colHeaderImage(F::ColBallotBarrier), ImageList::IconSortAscending);
    // An icon column without a caption keeps its header as it is.
    emit g->columnClick(F::ColHorseIcon);
    EXPECT_EQ(g->colHeaderImage(F::ColHorseIcon), -1);
    EXPECT_EQ(g->colTag(F::ColHorseIcon), QString());
}

TEST_F(RaceViewGestures, IconSortAndSortingKeepsRaceGroups)
{
    addRide(QStringLiteral("JOHN SMITH"), QStringLiteral("FIVE C"), 1);
    addRide(QStringLiteral("JOHN SMITH"), QStringLiteral("TWO A"), 3);
    modJockey::gJockeyInList = modJockey::BuildJockeyInList({QStringLiteral("John Smith")});
    FrmRace& f = show(0);
    Grid* g = f.grdRace;
    emit g->columnClick(F::ColWeight); // descending: 59, 56, 54.5 in race 5
    ASSERT_EQ(g->rows(), 6);
    EXPECT_TRUE(g->isGroupRow(1));
    EXPECT_EQ(g->cellText(2, F::ColHorse), QStringLiteral("Two A"));
    EXPECT_TRUE(g->isGroupRow(3));
    EXPECT_EQ(g->cellText(4, F::ColHorse), QStringLiteral("Five C"));
    EXPECT_EQ(g->cellText(5, F::ColHorse), QStringLiteral("Five A"));
    EXPECT_EQ(g->cellText(6, F::ColHorse), QStringLiteral("Five B"));
    EXPECT_EQ(f.GroupRowOf(2), 1);
    EXPECT_EQ(f.GroupRowOf(5), 3);
    // By icon, descending first: the win (5) before the placing (4) before none.
    emit g->columnClick(F::ColHorseIcon);
    EXPECT_EQ(g->cellText(4, F::ColHorse), QStringLiteral("Five C"));
    EXPECT_EQ(g->cellIcon(4, F::ColHorseIcon), ImageList::IconBestWin);
    emit g->columnClick(F::ColHorseIcon);
    EXPECT_EQ(g->cellText(6, F::ColHorse), QStringLiteral("Five C"));
    EXPECT_EQ(f.GroupRowOf(5), 3);
}

// ---- Trainer contact boxes -------------------------------------------------------------------------------

TEST_F(RaceViewGestures, TrainerBoxesShowAndSaveOnlyWhatWasTyped)
{
    db.insert(QStringLiteral("Trainer"), {{QStringLiteral("TrainerName"), QStringLiteral("D O'Brien")},
                                          {QStringLiteral("Phone"), QStringLiteral("0311")},
                                          {QStringLiteral("TrainerMobile"), QStringLiteral("0411")},
                                          {QStringLiteral("TrainerLocation"), QString()}});
    FrmRace& f = show(0);
    // No trainer shown yet: the boxes are locked and nothing is saved.
    EXPECT_TRUE(f.TxtTrainPhone->isReadOnly());
    f.TxtTrainPhone->setText(QStringLiteral("999"));
    f.TxtTrainPhone->setModified(true);
    f.TxtTrainPhone_LostFocus();
    EXPECT_EQ(db.count(QStringLiteral("Trainer")), 2);

    // A trainer without a record: his runner's location; typing a phone and
    // leaving creates his record with what the boxes hold.
    clickField(rowOf(QStringLiteral("Two A")), F::ColHorse);
    EXPECT_FALSE(f.TxtTrainPhone->isReadOnly());
    EXPECT_EQ(f.txtTrainLocation->text(), QStringLiteral("Caulfield"));
    EXPECT_TRUE(f.TxtTrainPhone->text().isEmpty());
    f.TxtTrainPhone->setFocus();
    QTest::keyClicks(f.TxtTrainPhone, QStringLiteral("0399"));
    f.txtTrainMobile->setFocus(); // leaving the phone box
    auto tom = db.rows(QStringLiteral("SELECT * FROM Trainer WHERE TrainerName = 'Tom Hill'"));
    ASSERT_EQ(tom.size(), 1);
    EXPECT_EQ(tom[0][QStringLiteral("Phone")].toString(), QStringLiteral("0399"));
    EXPECT_EQ(tom[0][QStringLiteral("TrainerLocation")].toString(), QStringLiteral("Caulfield"));
    EXPECT_FALSE(tom[0][QStringLiteral("TrainerMobile")].isValid());

    // A trainer with an apostrophe and a record without a location: the
    // runner's location, never the previous trainer's.
    clickField(rowOf(QStringLiteral("Five A")), F::ColHorse);
    EXPECT_EQ(f.ShownTrainer, QStringLiteral("D O'Brien"));
    EXPECT_EQ(f.TxtTrainPhone->text(), QStringLiteral("0311"));
    EXPECT_EQ(f.txtTrainLocation->text(), QStringLiteral("Mornington"));
    // Tabbing through without typing writes nothing.
    f.txtTrainLocation->setFocus();
    f.TxtTrainPhone->setFocus();
    f.txtTrainMobile->setFocus();
    f.grdRace->setFocus();
    auto obrien = db.rows(QStringLiteral("SELECT * FROM Trainer WHERE TrainerName = ?"), {QStringLiteral("D O'Brien")});
    EXPECT_EQ(obrien[0][QStringLiteral("TrainerLocation")].toString(), QString());

    // Emptying the mobile after selecting a group row still saves to the
    // trainer shown.
    clickField(f.GroupRowOf(2), F::ColHorse);
    f.txtTrainMobile->setFocus();
    f.txtTrainMobile->selectAll();
    QTest::keyClick(f.txtTrainMobile, Qt::Key_Delete);
    f.grdRace->setFocus();
    obrien = db.rows(QStringLiteral("SELECT * FROM Trainer WHERE TrainerName = ?"), {QStringLiteral("D O'Brien")});
    EXPECT_EQ(obrien[0][QStringLiteral("TrainerMobile")].toString(), QString());
    EXPECT_TRUE(obrien[0][QStringLiteral("TrainerMobile")].isValid());
    EXPECT_EQ(obrien[0][QStringLiteral("Phone")].toString(), QStringLiteral("0311"));
    EXPECT_EQ(db.count(QStringLiteral("Trainer"), QStringLiteral("TrainerName = ''")), 0);
}
} // namespace
