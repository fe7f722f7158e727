// The main window's menu commands that open the small windows and web pages,
// the nominations grid's mouse-up (pop-up menu and race header) and the
// "Set Remaining Status to" command.
#include "mainwindow/Main.h"

#include "core/FrmBrowse.h"
#include "core/HttpRequest.h"
#include "core/frmAbout.h"
#include "core/frmAllowGet.h"
#include "core/frmState.h"
#include "core/modDatabase.h"
#include "core/modJockeyBooking.h"
#include "core/modJockeyWeb.h"
#include "core/modShared.h"
#include "core/modUtils.h"
#include "platform/Grid.h"
#include "platform/Prompts.h"
#include "platform/VbError.h"
#include "platform/WindowFit.h"

#include <QAction>
#include <QApplication>
#include <QColor>
#include <QDateTime>
#include <QHeaderView>
#include <QLayout>
#include <QMenu>
#include <QScopedValueRollback>
#include <QScrollBar>
#include <QShortcut>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>

#include <algorithm>
#include <cmath>
#include <utility>

namespace
{
const QString kDefaultRaceBookSite = QStringLiteral("https://www.racingaustralia.horse");
QString g_raceBookSite;

constexpr int kStatusCol = 13; // grdNoms: booking status
constexpr qint64 kBlue = 0xFF0000; // Windows colour numbers are 0x00BBGGRR

// The race-book page sizes, in twips: the viewer and its browser control.
constexpr int kViewerWidth = 18750;
constexpr int kViewerHeight = 16950;
constexpr int kBrowserWidth = 18550;
constexpr int kBrowserHeight = 16750;

QString text(const QVariant& v)
{
    return v.isValid() && !v.isNull() ? v.toString() : QString();
}

// Appends text at the end of the header in its own format.
void insertFormatted(QTextCursor& cursor, const QString& s, bool bold, double points, qint64 winColor)
{
    QTextCharFormat format;
    format.setFontWeight(bold ? QFont::Bold : QFont::Normal);
    format.setFontPointSize(points);
    format.setForeground(QColor(int(winColor & 0xFF), int((winColor >> 8) & 0xFF), int((winColor >> 16) & 0xFF)));
    cursor.insertText(s, format);
}

// One part of a race-book key, encoded so that a location holding "&", "#"
// or "," cannot cut the address short.
QString keyPart(const QString& s)
{
    return modDatabase::UrlEncodeValue(s);
}

void showRaceBookSize(FrmBrowse* viewer)
{
    viewer->SetSizeTwips(kViewerWidth, kViewerHeight);
    viewer->SetBrowserSizeTwips(kBrowserWidth, kBrowserHeight);
}
} // namespace

QString Main::RaceBookSite()
{
    QString root = g_raceBookSite;
    if (root.isEmpty())
        root = qEnvironmentVariable("VELMORA_RACEBOOK_SITE");
    if (root.isEmpty())
        root = kDefaultRaceBookSite;
    while (root.endsWith(QLatin1Char('/')))
        root.chop(1);
    return root;
}

void Main::SetRaceBookSite(const QString& root)
{
    g_raceBookSite = root;
}

// ---- Nominations grid mouse-up -------------------------------------------------------

void Main::grdNoms_OnMouseUp(int button)
{
    gCellPicked = grdNoms->selectedRow() >= 1 && grdNoms->selectedCol() >= 1;
    if (!gCellPicked)
        return;
    const int row = grdNoms->selectedRow();

    if (button == 2)
    {
        offerRemainingStatus();
        showPopup(MnuPUNoms);
        return;
    }

    const QString meeting = grdNoms->cellText(row, 1);
    const auto race = static_cast<qint16>(std::lround(modUtils::Val(grdNoms->cellText(row, 2))));
    if (meeting.isEmpty() || (meeting == strMeetingCur && race == IntRace))
        return;
    strMeetingCur = meeting;
    IntRace = race;
    writeRaceHeader();
}

void Main::offerRemainingStatus()
{
    const int col = grdNoms->selectedCol();
    const QString s = grdNoms->cellText(grdNoms->selectedRow(), col);
    // Offered only over a booking template's text in the status column.
    if (col == kStatusCol && !s.isEmpty() && s != modJockey::kPlanned && s != modJockey::kConfirmed)
    {
        mnuUpdateStatus->setText(QStringLiteral("Set Remaining Status to ") + s);
        mnuUpdateStatus->setData(s);
        mnuUpdateStatus->setVisible(true);
    }
    else
    {
        mnuUpdateStatus->setVisible(false);
    }
}

// ---- Pop-up shortcuts from the window ---------------------------------------------

void Main::ConnectPopupShortcuts()
{
    const std::pair<QMenu*, Grid*> popups[] = {
        {mnuPUMenu, grdMeeting}, {MnuPUNoms, grdNoms}, {mnuPUNames, grdNames}, {MnuPuJockey, grdJockey}};
    for (const auto& [menu, grid] : popups)
    {
        for (QAction* item : menu->actions())
        {
            if (item->shortcut().isEmpty())
                continue;
            auto* key = new QShortcut(item->shortcut(), this);
            key->setObjectName(item->objectName() + QStringLiteral("Key"));
            key->setContext(Qt::WindowShortcut);
            connect(key, &QShortcut::activated, this, [this, item, grid = grid] { PopupShortcut(item, grid); });
        }
    }
}

void Main::PopupShortcut(QAction* item, Grid* grid)
{
    // As if the pop-up had been opened over the grid's selected cell: with no
    // cell picked there is no row to act on.
    gCellPicked = grid->selectedRow() >= 1 && grid->selectedCol() >= 1;
    if (!gCellPicked)
        return;
    if (grid == grdNoms)
        offerRemainingStatus();
    if (item->isVisible() && item->isEnabled())
        item->trigger();
}

int Main::ColumnsWidth(const Grid* grid)
{
    return WindowFit::ColumnsWidth(grid);
}

void Main::FitLayoutToColumns()
{
    grdNames->setFixedWidth(ColumnsWidth(grdNames));
    const int right = std::max(ColumnsWidth(grdMeeting), ColumnsWidth(grdJockey));
    grdMeeting->setFixedWidth(right);
    grdJockey->setFixedWidth(right);
    // However narrow the window is made (or restored), the nominations keep
    // every column in view, as far as the screen allows. The layouts are
    // told first that the lists' widths have changed.
    if (QWidget* central = centralWidget()) {
        if (central->layout())
            central->layout()->activate();
        central->updateGeometry();
    }
    if (layout())
        layout()->invalidate();
    setMinimumWidth(std::min(WidthForColumns(), WindowFit::MostOfScreenWidth()));
    if (m_fitsColumns)
        return;
    // A side column the user widens or narrows takes its list along.
    m_fitsColumns = true;
    for (Grid* g : {grdNames, grdMeeting, grdJockey})
        connect(g->horizontalHeader(), &QHeaderView::sectionResized, this, &Main::FitLayoutToColumns);
}

int Main::WidthForColumns() const
{
    // The window's narrowest width with the nominations' columns in full.
    return WindowFit::WidthShowingColumns(this, grdNoms);
}

void Main::FitRaceHeader()
{
    // One height whatever the header shows: a header that grew or shrank
    // with its text moved the nominations grid under the mouse between the
    // two clicks of a double-click. The height is that of the usual header,
    // laid out as it is written: the meeting's headline and details, a blank
    // line, the race line and three lines of race details; a longer header
    // gets a scroll bar.
    QTextDocument usual;
    usual.setDefaultFont(txtRace->document()->defaultFont());
    usual.setDocumentMargin(txtRace->document()->documentMargin());
    usual.setTextWidth(100000); // no line wraps
    QTextCursor cursor(&usual);
    insertFormatted(cursor, QStringLiteral("Flemington"), true, 14, kBlue);
    insertFormatted(cursor, QStringLiteral("     ACP\n"), false, 8.25, 0);
    insertFormatted(cursor, QStringLiteral("Saturday  Track Good 4\n\n"), false, 8.25, 0);
    insertFormatted(cursor, QStringLiteral("Race :1"), true, 12, kBlue);
    insertFormatted(cursor, QStringLiteral("     01:30 PM        Apprentices can claim.\n"), true, 8.25, 0);
    insertFormatted(cursor, QStringLiteral("HANDICAP BM78\rApprentices may claim\rRatings band 0-78\n"), false, 8.25,
                    0);
    const int h = static_cast<int>(std::ceil(usual.size().height())) + txtRace->frameWidth() * 2;
    txtRace->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    if (txtRace->height() != h || txtRace->minimumHeight() != h)
        txtRace->setFixedHeight(h);
}

void Main::writeRaceHeader()
{
    // Cleared in every case, so a meeting without its row never leaves the
    // previous meeting's lines above the new race.
    txtRace->clear();
    QTextCursor cursor(txtRace->document());
    cursor.movePosition(QTextCursor::End);
    const QString code = strMeetingCur.trimmed();
    try
    {
        DaoDatabase db = modDatabase::OpenLocalDatabase();
        DaoRecordset rs = db.OpenRecordset(QStringLiteral("SELECT * FROM Meeting Where MeetingCode = ?"), {code});
        if (!rs.Eof())
        {
            insertFormatted(cursor, text(rs.Fields(QStringLiteral("MeetingLocation"))), true, 14, kBlue);
            insertFormatted(cursor, QStringLiteral("     ") + text(rs.Fields(QStringLiteral("MeetingLevel"))) +
                                        QStringLiteral("\n"),
                            false, 8.25, 0);
            insertFormatted(cursor, text(rs.Fields(QStringLiteral("MeetingDetails"))) + QStringLiteral("\n\n"), false,
                            8.25, 0);
        }
        rs.Close();

        rs = db.OpenRecordset(QStringLiteral("SELECT * FROM Race Where MeetingCode = ? and RaceNumber = ?"),
                              {code, int(IntRace)});
        if (!rs.Eof())
        {
            insertFormatted(cursor, QStringLiteral("Race :") + text(rs.Fields(QStringLiteral("RaceNumber"))), true, 12,
                            kBlue);
            QString line;
            // A time of 00:01 AM or earlier marks a race without a time.
            const QVariant time = rs.Fields(QStringLiteral("RaceTime"));
            if (time.isValid() && time.toDateTime().time() > QTime(0, 1))
                line += QStringLiteral("     ") + time.toDateTime().time().toString(QStringLiteral("hh:mm AP"));
            const QVariant claim = rs.Fields(QStringLiteral("ApprClaim"));
            line += claim.isValid() && claim.toBool() ? QStringLiteral("        Apprentices can claim.")
                                                      : QStringLiteral("        No Allowances for apprentices.");
            insertFormatted(cursor, line + QStringLiteral("\n"), true, 8.25, 0);
            insertFormatted(cursor, text(rs.Fields(QStringLiteral("RaceDetails"))) + QStringLiteral("\n"), false, 8.25,
                            0);
        }
        rs.Close();
    }
    catch (const VbError& e)
    {
        Prompts::MsgBox(QStringLiteral("Reading the race failed: ") + e.description(), Prompts::vbCritical);
    }
}

// ---- Setup and help menus ------------------------------------------------------------

void Main::mnuAbout_Click()
{
    // One About window at a time; it does not block the main window.
    auto* about = findChild<frmAbout*>(QString(), Qt::FindDirectChildrenOnly);
    if (!about)
    {
        about = new frmAbout(this);
        about->setAttribute(Qt::WA_DeleteOnClose);
        about->setModal(false);
    }
    about->show();
    about->raise();
    about->activateWindow();
}

void Main::mnuSystemSettings_Click()
{
    frmState::OpenSetting(this);
}

void Main::MnuAllGet_Click()
{
    frmAllowGet::OpenSetting(this);
}

// ---- Statistics ----------------------------------------------------------------------

void Main::openStatistics(const QString& mode)
{
    gStatsMode = mode;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    emit statsRequested();
    QApplication::restoreOverrideCursor();
}

void Main::MnuHorseForm_Click()
{
    const int row = grdNoms->selectedRow();
    if (row < 1 || grdNoms->cellText(row, 4).trimmed().isEmpty())
        return;
    gSelHorse = grdNoms->cellText(row, 4);
    openStatistics(QStringLiteral("horse"));
}

void Main::mnuTrainerStats_Click()
{
    const int row = grdNames->selectedRow();
    if (row < 1 || grdNames->cellText(row, 1).isEmpty())
        return;
    gSelTrainer = grdNames->cellText(row, 1);
    openStatistics(QStringLiteral("trainer"));
}

void Main::MnuTrainJockForm_Click()
{
    const int row = grdNames->selectedRow();
    if (row < 1 || grdNames->cellText(row, 1).isEmpty())
        return;
    gSelTrainer = grdNames->cellText(row, 1);
    openStatistics(QStringLiteral("trainer/jockey"));
}

void Main::mnuPrvRides_Click()
{
    const int row = grdJockey->selectedRow();
    if (row < 1 || grdJockey->cellText(row, 1).isEmpty())
        return;
    gSelJockey = grdJockey->cellText(row, 1);
    openStatistics(QStringLiteral("jockey"));
}

// ---- Web pages -----------------------------------------------------------------------

void Main::MnuVicRatings_Click()
{
    const int row = grdNoms->selectedRow();
    // Nothing to look up without a picked runner (an empty grid, a shortcut
    // pressed before any row was picked).
    if (row < 1 || grdNoms->cellText(row, 1) == QStringLiteral(" "))
        return;
    // The lookup waits on the bureau; a second start meanwhile is ignored.
    if (m_ratingRunning)
        return;
    const QScopedValueRollback<bool> running(m_ratingRunning, true);
    modJockey::gSelHorse = grdNoms->cellText(row, 4);
    modJockey::ShowRbhRating();
}

void Main::mnuRego_Click()
{
    const int row = grdNoms->selectedRow();
    // Nothing to look up without a picked runner (an empty grid, a shortcut
    // pressed before any row was picked).
    if (row < 1 || grdNoms->cellText(row, 1) == QStringLiteral(" "))
        return;
    modJockey::gSelHorse = grdNoms->cellText(row, 4);
    modJockey::ShowRegistrationSearch();
}

void Main::mnuMeetingForm_Click()
{
    // One race-book page per selected meeting, each after the last is closed.
    for (int r = 1; r <= grdMeeting->rows(); ++r)
    {
        if (!grdMeeting->isCellSelected(r, 1))
            continue;
        FrmBrowse viewer(this);
        viewer.setWindowTitle(QStringLiteral("Racebook Form"));
        const QString url = RaceBookSite() + QStringLiteral("/FreeFields/Form.aspx?Key=") +
                            keyPart(grdMeeting->cellText(r, 4)) + QStringLiteral(",") +
                            keyPart(grdMeeting->cellText(r, 5)) + QStringLiteral(",") +
                            keyPart(grdMeeting->cellText(r, 3));
        showRaceBookSize(&viewer);
        viewer.Navigate(url);
        viewer.ShowModal();
    }
}

void Main::mnuNomsRBForm_Click()
{
    const int row = grdNoms->selectedRow();
    // Nothing to look up without a picked runner (an empty grid, a shortcut
    // pressed before any row was picked).
    if (row < 1 || grdNoms->cellText(row, 1) == QStringLiteral(" "))
        return;
    auto* viewer = new FrmBrowse(this);
    viewer->setWindowTitle(QStringLiteral("Racebook Form"));
    // The page opens at the row's race.
    QString race = grdNoms->cellText(row, 2);
    while (race.startsWith(QLatin1Char(' ')))
        race.remove(0, 1);
    viewer->Navigate(RaceBookSite() + QStringLiteral("/FreeFields/Nominations_Form.aspx?Key=") +
                     keyPart(grdNoms->cellText(row, 14)) + QStringLiteral(",") + keyPart(grdNoms->cellText(row, 16)) +
                     QStringLiteral(",") + keyPart(grdNoms->cellText(row, 15)) +
                     QStringLiteral("&recentform=Y#race") + race);
    showRaceBookSize(viewer);
    viewer->ShowModeless();
}

// ---- Set Remaining Status to ---------------------------------------------------------

void Main::mnuUpdateStatus_Click()
{
    const QString status = mnuUpdateStatus->data().toString();
    if (status.isEmpty())
        return; // offered only over a template's text; nothing to give otherwise
    // Every row of the grid belongs to the trainer picked in the trainer list.
    const QString trainer = grdNames->cellText(grdNames->selectedRow(), 1).trimmed();
    try
    {
        for (int i = 1; i <= grdNoms->rows(); ++i)
        {
            if (!grdNoms->cellText(i, kStatusCol).isEmpty())
                continue;
            modJockey::SetBookingText(*grdNoms, i, kStatusCol, status, grdNoms->cellText(i, 4).trimmed(),
                                      grdNoms->cellText(i, 1), grdNoms->cellText(i, 11), trainer);
        }
    }
    catch (const VbError& e)
    {
        Prompts::MsgBox(QStringLiteral("Setting the booking status failed: ") + e.description(), Prompts::vbCritical);
    }
}
