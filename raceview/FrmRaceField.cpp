// The race view's field gestures: booking (drag and drop, in-cell lists,
// confirming), clicks and pop-up menus, header sorting, the icon jockey and
// the trainer contact boxes.
#include "raceview/FrmRace.h"

#include "core/InCellBooking.h"
#include "core/modDatabase.h"
#include "core/modJockeyStats.h"
#include "core/modJockeyWeb.h"
#include "core/modOpeners.h"
#include "core/modShared.h"
#include "core/modUtils.h"
#include "platform/ComboEx.h"
#include "platform/Grid.h"
#include "platform/ImageList.h"
#include "platform/PopMenu.h"
#include "platform/Prompts.h"
#include "platform/VbError.h"
#include "platform/WaitCursor.h"

#include <QApplication>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QScopedValueRollback>
#include <QTextEdit>

namespace
{
constexpr qint64 kSystemHighlight = 0x8000000DLL;
using modUtils::TextOf;
} // namespace

void FrmRace::connectFieldGestures()
{
    InCellBooking::Controls controls;
    controls.jockeys = grdJockey;
    controls.grid = grdRace;
    controls.jockeyList = cmbJockey;
    controls.statusList = cmbBookText;
    controls.lblJockey = lblJockey;
    controls.lblBackColor = lblBackColor;
    m_booking = new InCellBooking(controls, [this](int row) { return RowKeys(row); }, this);

    connect(grdJockey, &Grid::mouseDown, this, &FrmRace::grdJockey_OnMouseDown);
    connect(grdJockey, &Grid::mouseUp, this, &FrmRace::grdJockey_OnMouseUp);
    connect(grdRace, &Grid::dragDrop, this, &FrmRace::grdRace_OnDragDrop);
    connect(grdRace, &Grid::requestEdit, this, &FrmRace::grdRace_OnRequestEdit);
    connect(grdRace, &Grid::mouseUp, this, &FrmRace::grdRace_OnMouseUp);
    connect(grdRace, &Grid::dblClick, this, &FrmRace::grdRace_OnDblClick);
    connect(grdRace, &Grid::columnClick, this, &FrmRace::grdRace_OnColumnClick);

    // The contact boxes stay locked until a trainer is shown; what the user
    // types is saved when a box is left.
    for (QLineEdit* b : {txtTrainLocation, TxtTrainPhone, txtTrainMobile}) {
        b->setReadOnly(true);
        b->installEventFilter(this);
    }
}

bool FrmRace::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusOut) {
        if (watched == txtTrainLocation)
            txtTrainLocation_LostFocus();
        else if (watched == TxtTrainPhone)
            TxtTrainPhone_LostFocus();
        else if (watched == txtTrainMobile)
            txtTrainMobile_LostFocus();
    }
    return QDialog::eventFilter(watched, event);
}

BookingRowKeys FrmRace::RowKeys(int row) const
{
    BookingRowKeys keys;
    const int race = RaceOfRow(row);
    if (race == 0)
        return keys;
    keys.raceCode = RaceCodeOf(race);
    // A race the meeting does not list (race 99) has no code to file under.
    keys.valid = !keys.raceCode.isEmpty();
    keys.horse = grdRace->cellText(row, ColHorse).trimmed();
    keys.trainer = grdRace->cellText(row, ColTrainer);
    // The meeting the field shows; the header box keeps its old text when
    // the meeting has no Meeting row.
    keys.meetingCode = MeetingCode;
    return keys;
}

// ---- Booking ---------------------------------------------------------------------------

void FrmRace::grdJockey_OnMouseDown(int button, int /*shift*/, int x, int y)
{
    m_booking->pickJockey(button, x, y);
}

void FrmRace::grdRace_OnDragDrop(QWidget* source, int x, int y)
{
    m_booking->drop(source, x, y);
    grdRace->setSelectionColor(kSystemHighlight);
}

void FrmRace::grdRace_OnRequestEdit(int row, int col)
{
    if (!RowKeys(row).valid)
        return;
    if (col == ColJockey)
        m_booking->placeList(cmbJockey, row, col);
    else if (col == ColBooking)
        m_booking->placeList(cmbBookText, row, col);
    else
        m_booking->confirmRow(row);
}

void FrmRace::cmbJockey_LostFocus()
{
    m_booking->jockeyListLeft();
}

void FrmRace::cmbBookText_OnSelect()
{
    m_booking->statusChosen();
}

void FrmRace::closeInCellLists()
{
    m_booking->closeLists();
}

// ---- Clicks and menus ------------------------------------------------------------------------

void FrmRace::openStatistics()
{
    // The statistics window puts up its own hourglass while it loads and takes
    // it down before its messages; one held here would stay up over the whole
    // window. Its load waits on the network with this window running on, which
    // meanwhile does not close.
    if (m_busy)
        return;
    const QScopedValueRollback<bool> busy(m_busy, true);
    modOpeners::OpenRaceStats();
}

void FrmRace::grdRace_OnMouseUp(int button, int /*shift*/, int x, int y)
{
    grdRace->setSelectionColor(kSystemHighlight);
    const Grid::Cell cell = grdRace->cellFromPoint(x, y);
    if (!cell.valid())
        return;
    grdRace->setSelectedCell(cell.row, cell.col);
    // A group row holds no runner: it changes neither the race nor the trainer.
    const int race = RaceOfRow(cell.row);
    if (race == 0)
        return;
    if (WholeMeeting && race != RaceNumber) {
        RaceNumber = static_cast<qint16>(race);
        try {
            ShowMeetingHeader();
            ShowRaceHeader();
        } catch (const VbError& e) {
            Prompts::MsgBox(QStringLiteral("Loading the race failed. ") + QStringLiteral("\r") + e.description(),
                            Prompts::vbOKOnly + Prompts::vbExclamation, QStringLiteral("Error"));
        }
    }
    ShowTrainer();
    if (button != 2)
        return;
    m_popMenu->restore(QStringLiteral("Race"));
    const QString key = m_popMenu->showAtForKey(grdRace->mapTo(this, QPoint(x, y)));
    raceMenuChosen(key, cell.row);
}

void FrmRace::raceMenuChosen(const QString& key, int row)
{
    const int sel = grdRace->selectedRow();
    if (key == QLatin1String("Horse Form")) {
        gSelHorse = grdRace->cellText(sel, ColHorse);
        gStatsMode = QStringLiteral("horse");
        openStatistics();
    } else if (key == QLatin1String("Rating") || key == QLatin1String("Rego")) {
        showHorsePage(key, sel);
    } else if (key == QLatin1String("Jockey")) {
        const QString jockey = grdRace->cellText(sel, ColJockey);
        if (jockey.isEmpty())
            return;
        gSelJockey = jockey;
        gStatsMode = QStringLiteral("jockey");
        openStatistics();
    } else if (key == QLatin1String("Trainer")) {
        gSelTrainer = grdRace->cellText(sel, ColTrainer);
        gSelFormTrainer = grdRace->cellText(row, ColFormTrainer);
        gStatsMode = QStringLiteral("trainer");
        openStatistics();
    }
}

void FrmRace::showHorsePage(const QString& key, int row)
{
    // The horse's pages wait on the network with the window running on:
    // meanwhile it neither closes nor starts another lookup or command.
    if (m_busy)
        return;
    const QScopedValueRollback<bool> busy(m_busy, true);
    gSelHorse = grdRace->cellText(row, ColHorse);
    if (key == QLatin1String("Rating"))
        modJockey::ShowRbhRating();
    else
        modJockey::ShowRegistrationSearch();
}

void FrmRace::raceEntriesItem(const QString& key)
{
    // The "Race Entries" items act on the selected runner, as the pop-up's
    // items do; a row without a runner (a race's group row, a blank number)
    // has no horse to look up.
    const int row = grdRace->selectedRow();
    if (row < 1 || RaceOfRow(row) == 0 || grdRace->cellText(row, ColNbr) == QLatin1String(" "))
        return;
    showHorsePage(key, row);
}

void FrmRace::MnuVicRatings_Click()
{
    raceEntriesItem(QStringLiteral("Rating"));
}

void FrmRace::mnuRego_Click()
{
    raceEntriesItem(QStringLiteral("Rego"));
}

void FrmRace::grdRace_OnDblClick(int row, int col)
{
    grdRace->setSelectionColor(kSystemHighlight);
    gCellPicked = grdRace->selectedRow() >= 1 && grdRace->selectedCol() > 0;
    if (!gCellPicked || RaceOfRow(row) == 0)
        return;
    if (col == ColHorseIcon && grdRace->cellIcon(row, col) != -1) {
        gSelHorse = grdRace->cellText(row, ColHorse);
        gStatsMode = QStringLiteral("horse/jockey");
        openStatistics();
    } else if (col == ColTrainerIcon && grdRace->cellIcon(row, col) != -1) {
        gSelTrainer = grdRace->cellText(row, ColTrainer);
        gSelFormTrainer = grdRace->cellText(row, ColFormTrainer);
        gStatsMode = QStringLiteral("trainer/jockey");
        openStatistics();
    } else if (col == ColJockey || col == ColBooking) {
        // The jockey and status cells open their lists, as the main window's do.
        grdRace_OnRequestEdit(row, col);
    } else {
        m_booking->confirmRow(row);
    }
}

void FrmRace::grdRace_OnColumnClick(int col)
{
    if (col < 1 || col > grdRace->columns())
        return;
    // The ballot or barrier text sorts on its numeric key in the hidden column
    // beside it; every other column on itself.
    const int sortCol = col == ColBallotBarrier ? int(ColBallotKey) : col;
    closeInCellLists();
    grdRace->clearSortKeys();
    Qt::SortOrder order;
    if (grdRace->colTag(col).isEmpty()) {
        order = Qt::AscendingOrder;
        grdRace->setColTag(col, QStringLiteral("DESC"));
    } else {
        order = Qt::DescendingOrder;
        grdRace->setColTag(col, QString());
    }
    grdRace->addSortKey(sortCol, order);
    for (int c = 1; c <= grdRace->columns(); ++c) {
        if (c != col)
            grdRace->setColHeaderImage(c, -1);
        else if (!grdRace->colHeader(c).isEmpty())
            grdRace->setColHeaderImage(c, order == Qt::AscendingOrder ? ImageList::IconSortAscending
                                                                       : ImageList::IconSortDescending);
    }
    WaitCursor wait;
    // The grid sorts inside the race groups; their rows then move.
    grdRace->sort();
    if (WholeMeeting)
        IndexRaceGroupRows();
    modUtils::PlayAppSound(QStringLiteral("Utopia Open.wav"));
}

void FrmRace::grdJockey_OnMouseUp(int button, int /*shift*/, int x, int y)
{
    if (button != 2)
        return;
    m_popMenu->restore(QStringLiteral("Jockey"));
    const QString key = m_popMenu->showAtForKey(grdJockey->mapTo(this, QPoint(x, y)));
    if (key == QLatin1String("Jockey")) {
        const QString jockey = grdJockey->cellText(grdJockey->selectedRow(), 1);
        if (jockey.isEmpty())
            return;
        gSelJockey = jockey;
        gStatsMode = QStringLiteral("jockey");
        openStatistics();
    } else if (key == QLatin1String("SelJockeyIcon")) {
        // Tells the user when no jockey is selected.
        if (!modJockey::ToggleIconJockey(*grdJockey))
            return;
        WaitCursor wait;
        LoadRaceField();
        txtRace->clear();
        // Emptied for the eye only: a box counts as changed only when the
        // user types in it, so leaving it keeps the trainer's record.
        for (QLineEdit* b : {txtTrainLocation, TxtTrainPhone, txtTrainMobile}) {
            b->clear();
            b->setModified(false);
        }
    }
}

// ---- Trainer contact boxes ----------------------------------------------------------------

void FrmRace::ShowTrainer()
{
    const int row = grdRace->selectedRow();
    if (row < 1 || grdRace->cellText(row, ColHorse).isEmpty())
        return;
    const QString trainer = grdRace->cellText(row, ColTrainer);
    const QString nominated = grdRace->cellText(row, ColTrainerLoc);
    try {
        DaoRecordset rs = modDatabase::OpenLocalRecordset(
            QStringLiteral("SELECT * FROM Trainer where TrainerName = ?"), {trainer});
        if (rs.Eof()) {
            TxtTrainPhone->clear();
            txtTrainMobile->clear();
            txtTrainLocation->setText(nominated);
        } else {
            TxtTrainPhone->setText(TextOf(rs.Fields(QStringLiteral("Phone"))));
            txtTrainMobile->setText(TextOf(rs.Fields(QStringLiteral("TrainerMobile"))));
            // A record without a location shows the runner's own, never the
            // location of the trainer shown before.
            const QString location = TextOf(rs.Fields(QStringLiteral("TrainerLocation")));
            txtTrainLocation->setText(location.isEmpty() ? nominated : location);
        }
        rs.Close();
    } catch (const VbError& e) {
        Prompts::MsgBox(QStringLiteral("Reading the trainer failed. ") + QStringLiteral("\r") + e.description(),
                        Prompts::vbOKOnly + Prompts::vbExclamation, QStringLiteral("Error"));
        return;
    }
    ShownTrainer = trainer;
    // Only what the user types from here on is saved.
    for (QLineEdit* b : {txtTrainLocation, TxtTrainPhone, txtTrainMobile}) {
        b->setModified(false);
        b->setReadOnly(false);
    }
}

void FrmRace::saveTrainerBox(QLineEdit* box, const char* column)
{
    // A box left unchanged, or with no trainer shown, writes nothing; a change
    // always goes to the trainer shown, wherever the selection has moved since.
    if (!box->isModified() || ShownTrainer.trimmed().isEmpty())
        return;
    try {
        DaoRecordset rs = modDatabase::OpenLocalRecordset(
            QStringLiteral("Select * from Trainer where TrainerName = ?"), {ShownTrainer});
        if (rs.Eof()) {
            rs.AddNew();
            rs.SetField(QStringLiteral("TrainerName"), ShownTrainer);
            if (!txtTrainLocation->text().isEmpty())
                rs.SetField(QStringLiteral("TrainerLocation"), txtTrainLocation->text());
            if (!TxtTrainPhone->text().isEmpty())
                rs.SetField(QStringLiteral("Phone"), TxtTrainPhone->text());
            if (!txtTrainMobile->text().isEmpty())
                rs.SetField(QStringLiteral("TrainerMobile"), txtTrainMobile->text());
        } else {
            rs.Edit();
            rs.SetField(QString::fromLatin1(column), box->text());
        }
        rs.Update();
        rs.Close();
        box->setModified(false);
    } catch (const VbError& e) {
        // The typed text stays in the box (and modified) for another try.
        Prompts::MsgBox(QStringLiteral("Saving the trainer failed. ") + QStringLiteral("\r") + e.description(),
                        Prompts::vbOKOnly + Prompts::vbExclamation, QStringLiteral("Error"));
    }
}

void FrmRace::txtTrainLocation_LostFocus()
{
    saveTrainerBox(txtTrainLocation, "TrainerLocation");
}

void FrmRace::txtTrainMobile_LostFocus()
{
    saveTrainerBox(txtTrainMobile, "TrainerMobile");
}

void FrmRace::TxtTrainPhone_LostFocus()
{
    saveTrainerBox(TxtTrainPhone, "Phone");
}
