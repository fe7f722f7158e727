// The main window's start-up sequence, its shutdown, the saved layout and the
// Refresh button.
#include "mainwindow/Main.h"
#include "mainwindow/InGridBookingEditor.h"

#include "core/HttpRequest.h"
#include "core/cAppSettings.h"
#include "core/frmSplash.h"
#include "core/modDatabase.h"
#include "core/modGlobal.h"
#include "core/modJockey.h"
#include "core/modJockeyLists.h"
#include "core/modJockeyStats.h"
#include "core/modUtils.h"
#include "platform/AppPaths.h"
#include "platform/ComboEx.h"
#include "platform/Grid.h"
#include "platform/Prompts.h"
#include "platform/Twips.h"
#include "platform/VbError.h"
#include "platform/WaitCursor.h"
#include "platform/WindowFit.h"

#include <QApplication>
#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTextEdit>

#include <algorithm>
#include <cmath>

namespace
{
const QString kDatabaseFile = QStringLiteral("Tarrow.mdb");

// Runs one start-up step whose failure must not stop the start: the problem
// is reported and the load goes on with the next step.
template <typename Step>
void runStep(Step&& step)
{
    QString failure;
    try {
        step();
        return;
    } catch (const VbError& e) {
        failure = e.description();
    } catch (const std::exception& e) {
        failure = QString::fromLocal8Bit(e.what());
    }
    Prompts::MsgBox(failure, Prompts::vbExclamation);
}
} // namespace

void Main::ShowAtStartup()
{
    Main* window = instance();
    window->Form_Load();
    if (window->ProgramEnded()) {
        const int code = window->EndCode();
        frmSplash::CloseSplash();
        destroyInstance();
        QCoreApplication::exit(code);
        return;
    }
    // A stored size from a larger screen is made to fit this one.
    WindowFit::FitToScreen(window);
    window->show();
    // From now on the program ends with its last window, as usual.
    QApplication::setQuitOnLastWindowClosed(true);
}

void Main::EndProgram(int code)
{
    m_programEnded = true;
    m_endCode = code;
}

void Main::Form_Load()
{
    // Each status line lets pending events run; the load runs once only.
    if (m_loadStarted)
        return;
    m_loadStarted = true;

    modGlobal::ShowStatus(QStringLiteral("Loading Application Settings"));
    gAppSettings.LoadSettings();
    cAppSettings::ReportDamagedSettings();
    setWindowTitle(QStringLiteral("Velmora 2 Version ") + frmSplash::versionText());

    // One running copy per database. The Database Path stays as stored: an
    // empty one means the default folder of each run, and only a folder the
    // user picks is ever stored.
    if (!modGlobal::TakeDatabaseForThisRun()) {
        EndProgram(1);
        return;
    }

    if (!QFileInfo(modDatabase::LocalDatabasePath()).isFile()) {
        const QStringList chosen = Prompts::GetOpenFileNames(
            QString(), QStringLiteral("Velmora Database (Tarrow.mdb)"), modDatabase::LocalDatabaseFolder());
        const QString path = chosen.isEmpty() ? QString() : chosen.first();
        if (path.isEmpty() || !QFileInfo(path).isFile()) {
            EndProgram(0);
            return;
        }
        // Only the folder is kept: the database is always Tarrow.mdb in it.
        gAppSettings.DBPath = QFileInfo(path).absolutePath();
        if (!modGlobal::TakeDatabaseForThisRun()) {
            EndProgram(1);
            return;
        }
    }

    modGlobal::ShowStatus(QStringLiteral("Compact The Database"));
    // The file is looked at before it is compacted: an empty, foreign or
    // Access file is refused as it is, and every failure names its cause.
    modDatabase::CompactionFailure why;
    if (!modDatabase::CompactLocalDatabase(&why)) {
        Prompts::MsgBox(modDatabase::CompactionFailureMessage(why), Prompts::vbOKOnly + Prompts::vbCritical,
                        QStringLiteral("Critical Error"));
        EndProgram(1);
        return;
    }

    cmdBrowse->setEnabled(true);
    CmdGetData->setEnabled(true);

    if (!gAppSettings.UserName.isEmpty()) {
        modDatabase::gRemoteUser = gAppSettings.UserName;
        modDatabase::gRemotePass = gAppSettings.RegNo;
    } else {
        // The built-in data-service account of an installation without its own.
        modDatabase::gRemoteUser = QStringLiteral("Kelp");
        modDatabase::gRemotePass = QStringLiteral("Kelp");
    }
    CmdGetData->setVisible(true);

    modGlobal::ShowStatus(QStringLiteral("Checking Database for Updates"));
    runStep([] { modJockey::UpgradeSchema(); });

    modGlobal::ShowStatus(QStringLiteral("Loading Jockey and Race Data"));
    runStep([] { modJockey::RefreshAllJockeyStats(); });

    modGlobal::ShowStatus(QStringLiteral("Setting up Main Form"));
    // The size a first start opens with (nothing saved yet): roomy, but never
    // beyond the screen.
    QSize design(1180, 760);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        design = design.boundedTo(screen->availableGeometry().size() * 0.95);
    resize(design);
    runStep([this] {
        SetupNamesGrid();
        SetupNomsGrid();
    });

    modGlobal::ShowStatus(QStringLiteral("Loading Data into Grid - setup grdMeeting"));
    runStep([this] { modJockey::SetupMeetingGrid(grdMeeting); });

    modGlobal::ShowStatus(QStringLiteral("Loading Data into Grid - setup grdJockey"));
    runStep([this] { modJockey::SetupJockeyGrid(grdJockey); });

    modGlobal::ShowStatus(QStringLiteral("Loading Data into Grid - Load grdMeeting"));
    runStep([this] { LoadMeetingGrid(); });

    modGlobal::ShowStatus(QStringLiteral("Loading Data into Grid - Load grdJockey"));
    runStep([this] {
        modJockey::LoadJockeyCombo(grdJockey, this);
        modJockey::SetJockeyListGrid(grdJockey);
        modJockey::GetJockeyInList();
    });

    modGlobal::ShowStatus(QStringLiteral("Loading Data into Grid - Load grdNames"));
    runStep([this] {
        LoadTrainerGrid();
        modJockey::LoadBookingTextCombo(cmbBookText);
    });

    modGlobal::ShowStatus(QStringLiteral("Loading Settings"));
    // Re-reading the store drops what earlier steps changed only in memory,
    // but never the database folder this run is using (the schema step, which
    // normally stores it, may have failed before it could).
    const QString dbPath = gAppSettings.DBPath;
    gAppSettings.LoadSettings();
    gAppSettings.DBPath = dbPath;
    RestoreLayout();

    frmSplash::CloseSplash();
}

void Main::LoadFromNewDatabase()
{
    // Nothing read from the old database stays to be booked from: the
    // runners, the chosen trainer and jockey and the meetings picked for the
    // trainer list all go before the lists are read from the new one.
    WaitCursor wait;
    if (bookingEditor)
        bookingEditor->closeInCellLists(); // before the runners leave the grid
    grdNoms->clearRows();
    MeetingInList.clear();
    txtRace->clear();
    txtTrainLocation->clear();
    TxtTrainPhone->clear();
    txtTrainMobile->clear();
    ClearTrainerSelection();
    lblJockey->clear();
    lblBackColor->clear();
    lblJockey->setAutoFillBackground(false);

    // A database kept by an older version gets the same upgrade as at a start.
    runStep([] { modJockey::UpgradeSchema(); });
    runStep([this] { LoadMeetingGrid(); });
    runStep([this] {
        modJockey::LoadJockeyCombo(grdJockey, this);
        modJockey::SetJockeyListGrid(grdJockey);
        modJockey::GetJockeyInList();
    });
    runStep([this] {
        LoadTrainerGrid();
        modJockey::LoadBookingTextCombo(cmbBookText);
    });
}

void Main::RestoreLayout()
{
    // Saved trainer sort: the column number and a direction character.
    const QString key = gAppSettings.MainTrainerSortKey;
    if (key.size() >= 2) {
        const double number = modUtils::Val(key.left(key.size() - 1));
        const int col = number >= 1 && number <= grdNames->columns() ? static_cast<int>(number) : 0;
        if (col >= 1) {
            grdNames->setColTag(col, key.endsWith(QLatin1Char('+')) ? QString() : QStringLiteral("DESC"));
            grdNames_OnColumnClick(col);
        }
    }

    if (gAppSettings.MainMax) {
        setWindowState(windowState() | Qt::WindowMaximized);
    } else {
        // Each stored value is applied on its own, and only when above 0.
        QRect r = geometry();
        if (gAppSettings.MainLeft > 0)
            r.moveLeft(Twips::toPixels(gAppSettings.MainLeft));
        if (gAppSettings.MainTop > 0)
            r.moveTop(Twips::toPixels(gAppSettings.MainTop));
        if (gAppSettings.MainWidth > 0)
            r.setWidth(Twips::toPixels(gAppSettings.MainWidth));
        if (gAppSettings.MainHeight > 0)
            r.setHeight(Twips::toPixels(gAppSettings.MainHeight));
        if (r != geometry())
            setGeometry(r);
    }

    grdNames->restoreColWidths(gAppSettings.MainTrainerWidth);
    grdNames->restoreColOrder(gAppSettings.MainTrainerOrder);
    grdNoms->restoreColWidths(gAppSettings.MainNomsWidth);
    grdNoms->restoreColOrder(gAppSettings.MainNomsOrder);

    // The side lists as wide as their (restored) columns; a first start opens
    // wide enough to show every column, as far as the screen allows.
    FitLayoutToColumns();
    if (!gAppSettings.MainMax && gAppSettings.MainWidth <= 0)
        WindowFit::WidenTo(this, WidthForColumns());
}

void Main::SaveLayout()
{
    gAppSettings.MainTrainerOrder = grdNames->colOrderList();
    gAppSettings.MainTrainerWidth = grdNames->colWidthList();
    gAppSettings.MainNomsOrder = grdNoms->colOrderList();
    gAppSettings.MainNomsWidth = grdNoms->colWidthList();

    // A minimised window keeps its normal place and size: storing the icon's
    // geometry would bring the window back tiny. A maximised one stores what
    // it covers.
    const QRect g = isMinimized() ? normalGeometry() : geometry();
    gAppSettings.MainLeft = Twips::fromPixels(g.x());
    gAppSettings.MainTop = Twips::fromPixels(g.y());
    gAppSettings.MainWidth = Twips::fromPixels(g.width());
    gAppSettings.MainHeight = Twips::fromPixels(g.height());
    gAppSettings.MainMax = isMaximized();
}

void Main::Form_Unload()
{
    // A start-up that ended the program saves nothing.
    if (m_programEnded)
        return;
    SaveLayout();
    gAppSettings.SaveSettings();
}

void Main::cmdReload_Click()
{
    // Meeting codes come from file names too, so each is quoted for SQL.
    MeetingInList.clear();
    for (int row = 1; row <= grdMeeting->rows(); ++row) {
        if (!grdMeeting->isCellSelected(row, 1))
            continue;
        const QString code = modDatabase::SqlQuote(grdMeeting->cellText(row, 1));
        MeetingInList += (MeetingInList.isEmpty() ? QStringLiteral("( '") : QStringLiteral(", '")) + code
                         + QLatin1Char('\'');
    }
    if (!MeetingInList.isEmpty())
        MeetingInList += QLatin1Char(')');

    runStep([this] { LoadTrainerGrid(); });
    if (bookingEditor)
        bookingEditor->closeInCellLists(); // before the runners leave the grid
    grdNoms->clearRows();
    txtRace->clear();
    txtTrainerName->clear();
    txtTrainLocation->clear();
    txtTrainMobile->clear();
    TxtTrainPhone->clear();
}
