#include "raceview/FrmRace.h"

#include "core/cAppSettings.h"
#include "core/modDatabase.h"
#include "core/modJockeyBooking.h"
#include "core/modJockeyLists.h"
#include "core/modJockeyStats.h"
#include "core/modShared.h"
#include "core/modUtils.h"
#include "platform/Clock.h"
#include "platform/ComboEx.h"
#include "platform/Grid.h"
#include "platform/ImageList.h"
#include "platform/PopMenu.h"
#include "platform/Prompts.h"
#include "platform/Twips.h"
#include "platform/VbError.h"
#include "platform/WaitCursor.h"
#include "platform/WindowFit.h"
#include "raceview/MeetingReport.h"

#include <QAction>
#include <QApplication>
#include <QScreen>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScopeGuard>
#include <QScrollBar>
#include <QTextCursor>
#include <QTextEdit>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace
{
constexpr qint64 kBlue = 16711680; // 0xFF0000 as a Windows colour
constexpr qint64 kRed = 255;
constexpr qint64 kBlack = 0;
constexpr qint64 kYellow = 0xFFFF;
constexpr int kIconWin = ImageList::IconBestWin;
constexpr int kIconPlaced = ImageList::IconBestPlaced;
constexpr int kIconConfirmed = ImageList::IconConfirmed;

constexpr Qt::Alignment kLeft = Qt::AlignLeft | Qt::AlignVCenter;
constexpr Qt::Alignment kRight = Qt::AlignRight | Qt::AlignVCenter;
constexpr Qt::Alignment kCentre = Qt::AlignHCenter | Qt::AlignVCenter;

// Marks the race type list's entry of a stored type the list itself lacks.
const QVariant kStoredOnlyType = QStringLiteral("stored only");

using modUtils::TextOf;

/** A stored number as the field shows it: "" for Null, no trailing zeros. */
QString numberText(const QVariant& v)
{
    if (!v.isValid() || v.isNull())
        return QString();
    bool ok = false;
    const double d = v.toDouble(&ok);
    if (!ok)
        return v.toString().trimmed();
    // Single-precision values from the form database: seven digits is all
    // they ever held.
    return QString::number(d, 'g', 7);
}

/** The race number right-aligned in two places (wider numbers kept whole). */
QString raceNumberText(int race)
{
    return QString::number(race).rightJustified(2, QLatin1Char(' '));
}

/** Runs a database step of a handler; a failure is reported and the window
 *  goes on (the step's work is left as far as it got). */
template <typename F>
bool guarded(const QString& what, F&& work)
{
    try {
        work();
        return true;
    } catch (const VbError& e) {
        Prompts::MsgBox(what + QStringLiteral(" failed. ") + QStringLiteral("\r") + e.description(),
                        Prompts::vbOKOnly + Prompts::vbExclamation, QStringLiteral("Error"));
        return false;
    }
}

template <typename W>
W* named(W* widget, const char* name)
{
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

QPushButton* button(QWidget* parent, const char* name, const QString& caption)
{
    return named(new QPushButton(caption, parent), name);
}

QLabel* label(QWidget* parent, const char* name, const QString& caption)
{
    return named(new QLabel(caption, parent), name);
}

QLineEdit* box(QWidget* parent, const char* name, bool readOnly)
{
    auto* b = named(new QLineEdit(parent), name);
    b->setReadOnly(readOnly);
    return b;
}

Grid* grid(QWidget* parent, const char* name)
{
    return named(new Grid(parent), name);
}

/** One column of the field as it is created at load. */
struct FieldColumnDef
{
    const char* key;
    const char* caption;
    int width; // -1: the grid's default
    Qt::Alignment align;
    bool visible;
    Grid::SortType sort;
    bool desc; // first header click sorts descending
};

// Column 18 is filled in by the stage (see applyStageColumn); the entry here
// is its "N/A" form.
const FieldColumnDef kFieldColumns[FrmRace::FieldColumnCount] = {
    {"Nbr", "Nbr", 20, Qt::AlignLeft, true, Grid::SortNumeric, false},
    {"Race", "Race", 20, Qt::AlignHCenter, false, Grid::SortNumeric, false},
    {"Form", "Form", 55, Qt::AlignHCenter, true, Grid::SortText, false},
    {"Horse", "Horse", 130, Qt::AlignLeft, true, Grid::SortText, false},
    {"Hicon1", "", 15, Qt::AlignLeft, true, Grid::SortIcon, true},
    {"Hicon2", "", 15, Qt::AlignLeft, true, Grid::SortIcon, true},
    {"Trainer", "Trainer", 115, Qt::AlignLeft, true, Grid::SortText, false},
    {"Ticon1", "", 15, Qt::AlignLeft, true, Grid::SortIcon, true},
    {"Ticon2", "", 15, Qt::AlignLeft, true, Grid::SortIcon, true},
    {"Wgt", "Wgt", 40, Qt::AlignHCenter, true, Grid::SortNumeric, true},
    {"Rtg", "Bmk ", 40, Qt::AlignHCenter, true, Grid::SortNumeric, true},
    {"Details", "Details", -1, Qt::AlignRight, true, Grid::SortText, false},
    {"Class", "Class", 57, Qt::AlignLeft, true, Grid::SortText, false},
    {"Jockey", "Jockey", 120, Qt::AlignLeft, true, Grid::SortText, false},
    {"RaceDetails", "Race", 80, Qt::AlignLeft, false, Grid::SortText, false},
    {"Booking", "Booking Status", 130, Qt::AlignLeft, true, Grid::SortText, false},
    {"TrainerLoc", "Locn", 20, Qt::AlignLeft, true, Grid::SortText, false},
    {"N/A", "N/A", 30, Qt::AlignLeft, false, Grid::SortText, false},
    {"Ball/BarrNum", "", 10, Qt::AlignLeft, false, Grid::SortNumeric, false},
    {"LastJockey", "Last Rider", 110, Qt::AlignLeft, true, Grid::SortText, false},
    {"Last Ride Days", "Lst Ride Days", 25, Qt::AlignLeft, true, Grid::SortNumeric, false},
    {"LastWeight", "L Wgt", 40, Qt::AlignHCenter, true, Grid::SortNumeric, false},
    {"LastRide Class", "L Class", 50, Qt::AlignLeft, true, Grid::SortItemData, false},
    {"Last Race Value", "L Prz", 50, Qt::AlignLeft, true, Grid::SortNumeric, false},
    {"Margin", "Marg Avg", 40, Qt::AlignHCenter, true, Grid::SortNumeric, true},
    {"Rating", "Rtg", 40, Qt::AlignHCenter, true, Grid::SortNumeric, true},
    {"AvgWin", "Avg Win", 60, Qt::AlignHCenter, true, Grid::SortNumeric, false},
    {"Last 800/400", "8/4", 60, Qt::AlignHCenter, true, Grid::SortNumeric, false},
    {"Sec", "600", 60, Qt::AlignHCenter, true, Grid::SortNumeric, true},
    {"FormTrainer", "", -1, Qt::AlignLeft, false, Grid::SortText, false},
    {"BookText", "", 100, Qt::AlignLeft, true, Grid::SortText, false},
};

/** Icon of a best finishing position: a win, another placing, or none. A 0
 *  (no managed jockey counted) is no placing at all. */
int bestPositionIcon(const QVariant& value)
{
    if (!value.isValid() || value.isNull())
        return -1;
    const double pos = modUtils::Val(value.toString());
    if (pos == 1)
        return kIconWin;
    if (pos == 0)
        return -1;
    return kIconPlaced;
}
} // namespace

// ---- Construction ----------------------------------------------------------------------

FrmRace::FrmRace(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("FrmRace"));
    setWindowTitle(QStringLiteral("Meeting : View"));
    setWindowFlags(windowFlags() | Qt::WindowMaximizeButtonHint | Qt::WindowMinimizeButtonHint);
    imlGrdRace = modJockey::GridImages();
    buildControls();
}

FrmRace::~FrmRace()
{
    delete m_popMenu;
}

void FrmRace::buildControls()
{
    grdRace = grid(this, "grdRace");
    grdRaces = grid(this, "grdRaces");
    grdMeeting = grid(this, "grdMeeting");
    grdJockey = grid(this, "grdJockey");

    txtMeeting = box(this, "txtMeeting", true);
    txtMeetingDetails = box(this, "txtMeetingDetails", true);
    txtMeetingType = box(this, "txtMeetingType", true);
    lblState = label(this, "lblState", QStringLiteral("State"));
    lblMetro = label(this, "lblMetro", QStringLiteral("Metro/Prov"));
    lblRaceType = label(this, "lblRaceType", QStringLiteral("Race Type"));
    lblRaceTxt = label(this, "lblRaceTxt", QStringLiteral("Race"));
    txtRace = named(new QTextEdit(this), "txtRace");
    txtRace->setReadOnly(true);
    txtRace->setFixedHeight(64);
    cmbRaceType = named(new QComboBox(this), "cmbRaceType");
    cmbRaceType->setMinimumWidth(110);

    cmdExit = button(this, "cmdExit", QStringLiteral("E&xit"));
    cmdRating = button(this, "cmdRating", QStringLiteral("Update &Ratings"));
    cmdCalcWgts = button(this, "cmdCalcWgts", QStringLiteral("Caculate &Weights"));
    CmdUpdExtra = button(this, "CmdUpdExtra", QStringLiteral("Update &Extras"));
    cmdPrint = button(this, "cmdPrint", QStringLiteral("&Print Meeting"));
    for (QPushButton* b : {cmdExit, cmdRating, cmdCalcWgts, CmdUpdExtra, cmdPrint})
        b->setAutoDefault(false);

    cmbJockey = named(new ComboEx(this), "cmbJockey");
    cmbJockey->setVisible(false);
    cmbBookText = named(new ComboEx(this), "cmbBookText");
    cmbBookText->setVisible(false);
    TxtTrainPhone = box(this, "TxtTrainPhone", false);
    txtTrainMobile = box(this, "txtTrainMobile", false);
    txtTrainLocation = box(this, "txtTrainLocation", false);
    lblBackColor = label(this, "lblBackColor", QStringLiteral("BackColor for Jockey"));
    lblBackColor->setVisible(false);
    lblJockey = label(this, "lblJockey", QStringLiteral("Jockey for Drag drop"));
    // Both labels only carry the dragged jockey from the press to the drop.
    lblJockey->setVisible(false);
    Image1 = label(this, "Image1", QString());
    Image1->setPixmap(imlGrdRace->pixmap(ImageList::IconHorseForm));

    mnuPURaceEnt = named(new QMenu(QStringLiteral("Race Entries"), this), "mnuPURaceEnt");
    MnuVicRatings = named(new QAction(QStringLiteral("Ratings"), this), "MnuVicRatings");
    mnuRego = named(new QAction(QStringLiteral("Rego Search"), this), "mnuRego");
    mnuPURaceEnt->addAction(MnuVicRatings);
    mnuPURaceEnt->addAction(mnuRego);
    // The menu itself is never shown; its items are reached by their keys
    // from anywhere in the window (a text box keeps Ctrl+V for pasting).
    MnuVicRatings->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_V));
    mnuRego->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    for (QAction* item : {MnuVicRatings, mnuRego}) {
        item->setShortcutContext(Qt::WindowShortcut);
        addAction(item);
    }

    // Meeting header: code, details and stage on one line; state, meeting
    // type and the race code of the weight calculation below.
    auto* header = new QGridLayout;
    header->addWidget(txtMeeting, 0, 0);
    header->addWidget(txtMeetingDetails, 0, 1, 1, 4);
    header->addWidget(txtMeetingType, 0, 5);
    header->addWidget(lblState, 1, 0);
    header->addWidget(lblMetro, 1, 1);
    header->addWidget(lblRaceTxt, 1, 2);
    header->addWidget(lblRaceType, 1, 3);
    header->addWidget(cmbRaceType, 1, 4);
    header->setColumnStretch(1, 1);
    header->setColumnStretch(2, 2);
    txtMeeting->setMaximumWidth(90);
    txtMeetingType->setMaximumWidth(50);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(Image1);
    buttons->addStretch(1);
    for (QPushButton* b : {cmdRating, cmdCalcWgts, CmdUpdExtra, cmdPrint, cmdExit})
        buttons->addWidget(b);

    auto* centre = new QVBoxLayout;
    centre->addLayout(header);
    centre->addWidget(txtRace);
    centre->addWidget(grdRace, 1);
    centre->addLayout(buttons);

    auto* left = new QVBoxLayout;
    left->addWidget(grdMeeting, 2);
    left->addWidget(grdRaces, 3);
    grdMeeting->setFixedWidth(150);
    grdRaces->setFixedWidth(150);

    auto* trainer = new QGridLayout;
    trainer->addWidget(new QLabel(QStringLiteral("Location"), this), 0, 0);
    trainer->addWidget(txtTrainLocation, 0, 1);
    trainer->addWidget(new QLabel(QStringLiteral("Phone"), this), 1, 0);
    trainer->addWidget(TxtTrainPhone, 1, 1);
    trainer->addWidget(new QLabel(QStringLiteral("Mobile"), this), 2, 0);
    trainer->addWidget(txtTrainMobile, 2, 1);

    auto* right = new QVBoxLayout;
    right->addWidget(grdJockey, 1);
    right->addWidget(lblJockey);
    right->addWidget(lblBackColor);
    right->addLayout(trainer);
    grdJockey->setFixedWidth(170);

    auto* top = new QHBoxLayout(this);
    top->addLayout(left);
    top->addLayout(centre, 1);
    top->addLayout(right);

    connect(cmdExit, &QPushButton::clicked, this, &FrmRace::cmdExit_Click);
    connect(cmdCalcWgts, &QPushButton::clicked, this, &FrmRace::cmdCalcWgts_Click);
    connect(cmdRating, &QPushButton::clicked, this, &FrmRace::cmdRating_Click);
    connect(CmdUpdExtra, &QPushButton::clicked, this, &FrmRace::CmdUpdExtra_Click);
    connect(cmdPrint, &QPushButton::clicked, this, &FrmRace::cmdPrint_Click);
    connect(grdMeeting, &Grid::mouseUp, this, &FrmRace::grdMeeting_OnMouseUp);
    connect(grdRaces, &Grid::mouseUp, this, &FrmRace::grdRaces_OnMouseUp);
    connect(MnuVicRatings, &QAction::triggered, this, &FrmRace::MnuVicRatings_Click);
    connect(mnuRego, &QAction::triggered, this, &FrmRace::mnuRego_Click);
    connectFieldGestures();
}

void FrmRace::buildPopMenus()
{
    delete m_popMenu;
    m_popMenu = new PopMenu(this, imlGrdRace);
    m_popMenu->addItem(QStringLiteral("Horse &Form"), QStringLiteral("Display the Horses Form Data"),
                       QStringLiteral("Horse Form"), 9);
    m_popMenu->addItem(QStringLiteral("&Rego Seach"), QStringLiteral("Display Horse Recistration"),
                       QStringLiteral("Rego"), 2);
    m_popMenu->addItem(QStringLiteral("Horse Ra&ting"), QStringLiteral("Display Horse Racting(Vic)"),
                       QStringLiteral("Rating"), 8);
    m_popMenu->addItem(QStringLiteral("&Jockey Form"), QStringLiteral("Display Jockeys Form"),
                       QStringLiteral("Jockey"), 4);
    m_popMenu->addItem(QStringLiteral("Trainer Form"), QStringLiteral("Display Tainers Form"),
                       QStringLiteral("Trainer"), 3);
    m_popMenu->addItem(QStringLiteral("&Video Form"), QStringLiteral("Display Video Form"), QStringLiteral("Video"),
                       10, false);
    m_popMenu->store(QStringLiteral("Race"));
    m_popMenu->clear();
    m_popMenu->addItem(QStringLiteral("&Jockey Form"), QStringLiteral("Display Jockeys Form"),
                       QStringLiteral("Jockey"), 4);
    m_popMenu->addItem(QStringLiteral("Select Jockey for Icons"), QStringLiteral("Display Tainers Form"),
                       QStringLiteral("SelJockeyIcon"), 8);
    m_popMenu->store(QStringLiteral("Jockey"));
}

void FrmRace::setupFieldColumns()
{
    grdRace->clearGrid();
    grdRace->setImageList(imlGrdRace);
    grdRace->setDefaultRowHeight(18);
    for (const FieldColumnDef& c : kFieldColumns)
        grdRace->addColumn(QString::fromLatin1(c.key), QString::fromLatin1(c.caption), c.width, c.align, c.sort,
                           c.visible, c.desc ? QStringLiteral("Desc") : QString());
    // Nothing fills the row-text column; it stays a column of the layout lists.
    grdRace->setRowTextColumn(ColBookText);
    grdRace->setColVisible(ColRaceLabel, WholeMeeting);
    applyStageColumn(txtMeetingType->text());
    grdRace->setRowMode(true);
    // The double-click handler decides itself (statistics on the icon
    // columns, the lists on their cells, confirming elsewhere), so the grid's
    // own edit request would act a second time.
    grdRace->setEditOnDoubleClick(false);
}

void FrmRace::applyStageColumn(const QString& stage)
{
    // The column is always there, so every later column keeps its number; a
    // stage other than weights or acceptances shows it as the hidden "N/A".
    // Its width is set only when the stage changes it, so a reload of the
    // same stage keeps the width the user gave it.
    const QString key = stage == QLatin1String("WGT")   ? QStringLiteral("Ballot")
                        : stage == QLatin1String("ACP") ? QStringLiteral("Barr")
                                                        : QStringLiteral("N/A");
    if (grdRace->colKey(ColBallotBarrier) == key)
        return;
    if (stage == QLatin1String("WGT")) {
        grdRace->setColKey(ColBallotBarrier, key);
        grdRace->setColHeader(ColBallotBarrier, QStringLiteral("Bllt"));
        // Shown before it is sized: a hidden column has no caption width.
        grdRace->setColVisible(ColBallotBarrier, true);
        grdRace->setColDesignWidth(ColBallotBarrier, 30);
        grdRace->setColSortType(ColBallotBarrier, Grid::SortText);
    } else if (stage == QLatin1String("ACP")) {
        grdRace->setColKey(ColBallotBarrier, key);
        grdRace->setColHeader(ColBallotBarrier, QStringLiteral("Bar"));
        grdRace->setColVisible(ColBallotBarrier, true);
        grdRace->setColDesignWidth(ColBallotBarrier, 25);
        grdRace->setColSortType(ColBallotBarrier, Grid::SortNumeric);
    } else {
        grdRace->setColKey(ColBallotBarrier, key);
        grdRace->setColHeader(ColBallotBarrier, QStringLiteral("N/A"));
        grdRace->setColDesignWidth(ColBallotBarrier, 30);
        grdRace->setColSortType(ColBallotBarrier, Grid::SortText);
        grdRace->setColVisible(ColBallotBarrier, false);
    }
}

void FrmRace::setupRaceListColumns()
{
    grdRaces->clearGrid();
    grdRaces->setDefaultRowHeight(18);
    grdRaces->addColumn(QString(), QString(), 20, Qt::AlignLeft, Grid::SortNumeric);
    grdRaces->addColumn(QStringLiteral("Details"), QStringLiteral("Race"), -1);
    if (WholeMeeting)
        grdRaces->addColumn(QStringLiteral("RaceRow"), QString(), -1, Qt::AlignLeft, Grid::SortText, false);
    grdRaces->setStretchLastColumn(true);
    grdRaces->setRowMode(true);
}

// ---- Opening and closing -----------------------------------------------------------------

void FrmRace::OpenFromMain()
{
    FrmRace form(QApplication::activeWindow());
    {
        WaitCursor wait;
        form.Form_Load();
    }
    Prompts::ShowModal(&form);
}

void FrmRace::Form_Load()
{
    MeetingCode = gMainState.strMeetingCur;
    RaceNumber = gMainState.IntRace;

    buildPopMenus();

    WholeMeeting = RaceNumber == 0;
    cmdRating->setEnabled(!WholeMeeting);

    guarded(QStringLiteral("Loading the meeting"), [&] { ShowMeetingHeader(); });
    // The race types are listed before the race header shows the race's own
    // type. A filled list would stand on its first type: nothing is chosen
    // until a race is shown (in the whole meeting, until a runner is clicked).
    if (lblState->text() == QLatin1String("VIC")) {
        guarded(QStringLiteral("Loading the race types"),
                [&] { modJockey::LoadRaceTypeCombo(cmbRaceType, lblMetro->text()); });
        cmbRaceType->setCurrentIndex(-1);
    }
    if (!WholeMeeting)
        guarded(QStringLiteral("Loading the race"), [&] { ShowRaceHeader(); });

    setupFieldColumns();

    modJockey::SetupJockeyGrid(grdJockey);
    modJockey::SetupMeetingGrid(grdMeeting);
    setupRaceListColumns();
    // The side lists are at least as wide as their columns, which the grids
    // make to suit the font in use.
    const int left = std::max({150, WindowFit::ColumnsWidth(grdMeeting), WindowFit::ColumnsWidth(grdRaces)});
    grdMeeting->setFixedWidth(left);
    grdRaces->setFixedWidth(left);
    grdJockey->setFixedWidth(std::max(170, WindowFit::ColumnsWidth(grdJockey)));

    guarded(QStringLiteral("Loading the races"), [&] { LoadRaceList(); });
    LoadRaceField();

    guarded(QStringLiteral("Loading the jockeys and meetings"), [&] {
        modJockey::LoadJockeyCombo(grdJockey, cmbJockey);
        modJockey::FillMeetingGrid(grdMeeting);
        modJockey::LoadBookingTextCombo(cmbBookText);
    });

    restoreLayout();

    // The opener's hourglass ends here, whatever opened the window.
    while (QApplication::overrideCursor())
        QApplication::restoreOverrideCursor();
}

void FrmRace::restoreLayout()
{
    if (gAppSettings.RaceMax) {
        setWindowState(windowState() | Qt::WindowMaximized);
    } else {
        QRect g = geometry();
        // Nothing stored yet: a window made with a parent starts at 100 x 30
        // and would open at its bare minimum, with room for two runners.
        if (gAppSettings.RaceWidth <= 0 || gAppSettings.RaceHeight <= 0) {
            QSize first = QSize(1100, 700).expandedTo(sizeHint());
            if (const QScreen* s = screen())
                first = first.boundedTo(s->availableSize());
            g.setSize(first.expandedTo(g.size()));
        }
        if (gAppSettings.RaceLeft > 0)
            g.moveLeft(Twips::toPixels(gAppSettings.RaceLeft));
        if (gAppSettings.RaceTop > 0)
            g.moveTop(Twips::toPixels(gAppSettings.RaceTop));
        if (gAppSettings.RaceWidth > 0)
            g.setWidth(Twips::toPixels(gAppSettings.RaceWidth));
        if (gAppSettings.RaceHeight > 0)
            g.setHeight(Twips::toPixels(gAppSettings.RaceHeight));
        if (gAppSettings.RaceLeft > 0 || gAppSettings.RaceTop > 0)
            move(g.topLeft());
        resize(g.size());
    }
    grdRace->restoreColWidths(gAppSettings.RaceRaceWidth);
    grdRace->restoreColOrder(gAppSettings.RaceRaceOrder);

    // A first start (no width saved, not maximised) opens wide enough to show
    // the whole field without sideways scrolling, as far as the screen allows;
    // a saved width stays as saved.
    if (!gAppSettings.RaceMax && gAppSettings.RaceWidth <= 0)
        WindowFit::WidenTo(this, WindowFit::WidthShowingColumns(this, grdRace));
}

void FrmRace::Form_Unload()
{
    if (m_unloaded)
        return;
    m_unloaded = true;
    gAppSettings.RaceRaceOrder = grdRace->colOrderList();
    gAppSettings.RaceRaceWidth = grdRace->colWidthList();
    if (isMaximized()) {
        gAppSettings.RaceMax = true;
    } else {
        // A minimised window keeps its normal geometry.
        const QRect g = (windowState() & Qt::WindowMinimized) ? normalGeometry() : geometry();
        gAppSettings.RaceMax = false;
        gAppSettings.RaceLeft = Twips::fromPixels(g.x());
        gAppSettings.RaceTop = Twips::fromPixels(g.y());
        gAppSettings.RaceWidth = Twips::fromPixels(g.width());
        gAppSettings.RaceHeight = Twips::fromPixels(g.height());
    }
    gAppSettings.SaveSettings();
}

void FrmRace::done(int result)
{
    // A command waiting on the network still needs the window.
    if (m_busy)
        return;
    // A contact box still being typed in is saved like one that was left.
    txtTrainLocation_LostFocus();
    TxtTrainPhone_LostFocus();
    txtTrainMobile_LostFocus();
    Form_Unload();
    QDialog::done(result);
}

void FrmRace::cmdExit_Click()
{
    close();
}

// Weights, ratings and last starts are in FrmRaceCommands.cpp.
void FrmRace::cmdPrint_Click()
{
    // The report of the meeting on view, its stage value by the stage shown.
    PrintMeetingReport(MeetingCode, txtMeetingType->text(), ReportTarget::preview(this));
}

// ---- Headers and race list -------------------------------------------------------------------

void FrmRace::ShowMeetingHeader()
{
    DaoRecordset rs = modDatabase::OpenLocalRecordset(
        QStringLiteral("SELECT * FROM Meeting Where MeetingCode = ?"), {MeetingCode});
    if (!rs.Eof()) {
        txtMeeting->setText(MeetingCode);
        const QString location = TextOf(rs.Fields(QStringLiteral("MeetingLocation")));
        setWindowTitle(location);
        txtMeetingDetails->setText(location + QStringLiteral(", ")
                                   + TextOf(rs.Fields(QStringLiteral("MeetingDetails")))
                                   + TextOf(rs.Fields(QStringLiteral("Barrier"))));
        txtMeetingDetails->setCursorPosition(0);
        txtMeetingType->setText(TextOf(rs.Fields(QStringLiteral("MeetingLevel"))));
        lblMetro->setText(TextOf(rs.Fields(QStringLiteral("MeetType"))));
        lblState->setText(TextOf(rs.Fields(QStringLiteral("State"))));
    }
    rs.Close();
}

void FrmRace::ShowRaceHeader()
{
    txtRace->clear();
    // The caption is extended even when the race has no row.
    const auto appendCaption = qScopeGuard(
        [this] { setWindowTitle(windowTitle() + QStringLiteral("- Race :") + QString::number(RaceNumber)); });

    // The race type of the race shown before never stays in the list.
    showRaceType(QString());
    DaoRecordset rs = modDatabase::OpenLocalRecordset(
        QStringLiteral("SELECT * FROM Race Where MeetingCode = ? and RaceNumber = ?"), {MeetingCode, int(RaceNumber)});
    if (rs.Eof())
        return;
    lblRaceTxt->setText(TextOf(rs.Fields(QStringLiteral("RaceCode"))).mid(4));
    showRaceType(TextOf(rs.Fields(QStringLiteral("RaceType"))));

    QTextCursor cursor(txtRace->document());
    const auto write = [&](const QString& s, bool bold, double points, qint64 colour) {
        QTextCharFormat f;
        f.setFontWeight(bold ? QFont::Bold : QFont::Normal);
        f.setFontPointSize(points);
        f.setForeground(modUtils::WinColor(colour));
        cursor.insertText(s, f);
    };
    write(QStringLiteral("Race :") + QString::number(RaceNumber), true, 12, kBlue);
    QString line;
    // 00:01 AM (or nothing) stands for a race without a time.
    const QVariant time = rs.Fields(QStringLiteral("RaceTime"));
    if (time.isValid() && !time.isNull()) {
        const QTime t = time.toDateTime().time();
        if (t > QTime(0, 1))
            line += QStringLiteral("     ") + t.toString(QStringLiteral("hh:mm AP"));
    }
    line += rs.Fields(QStringLiteral("ApprClaim")).toBool() ? QStringLiteral("           Apprentices can claim.")
                                                          : QStringLiteral("         No Allowances for apprentices.");
    write(line + QStringLiteral("\n"), true, 9.25, kBlack);
    // RaceDetails is the fourth field of the row.
    write(TextOf(rs.Fields(3)) + QStringLiteral("\n"), false, 9.25, kBlack);
    txtRace->moveCursor(QTextCursor::Start);
}

void FrmRace::showRaceType(const QString& raceType)
{
    // A type the list lacks (a type no longer in the race type table) is
    // added at its end while its race is shown, so that a recalculation uses
    // the stored type instead of asking for one.
    const int added = cmbRaceType->findData(kStoredOnlyType);
    if (added >= 0)
        cmbRaceType->removeItem(added);
    if (raceType.isEmpty()) {
        cmbRaceType->setCurrentIndex(-1);
        return;
    }
    int index = cmbRaceType->findText(raceType);
    if (index < 0) {
        cmbRaceType->addItem(raceType, kStoredOnlyType);
        index = cmbRaceType->count() - 1;
    }
    cmbRaceType->setCurrentIndex(index);
}

void FrmRace::LoadRaceList()
{
    DaoRecordset rs = modDatabase::OpenLocalRecordset(
        QStringLiteral("SELECT * FROM Race where MeetingCode = ? Order by RaceNumber"), {MeetingCode});
    grdRaces->setRedraw(false);
    grdRaces->clearRows();
    // A new list: no race code (or group row) of an earlier meeting is kept.
    RaceTable.clear();
    int row = 0;
    for (; !rs.Eof(); rs.MoveNext()) {
        const int race = rs.Fields(QStringLiteral("RaceNumber")).toInt();
        if (race == 99)
            continue;
        ++row;
        const QString code = TextOf(rs.Fields(QStringLiteral("RaceCode")));
        grdRaces->setCellDetails(row, 1, QString::number(race), kRight);
        grdRaces->setCellDetails(row, 2, code, kLeft);
        RaceTable[race].raceCode = code;
    }
    grdRaces->setRedraw(true);
    rs.Close();
}

QString FrmRace::RaceCodeOf(int race) const
{
    const auto it = RaceTable.constFind(race);
    return it == RaceTable.constEnd() ? QString() : it->raceCode;
}

int FrmRace::GroupRowOf(int race) const
{
    const auto it = RaceTable.constFind(race);
    return it == RaceTable.constEnd() ? 0 : it->groupRow;
}

int FrmRace::RaceOfRow(int row) const
{
    if (row < 1 || row > grdRace->rows() || grdRace->isGroupRow(row))
        return 0;
    return static_cast<int>(modUtils::Val(grdRace->cellText(row, ColRace)));
}

void FrmRace::IndexRaceGroupRows()
{
    for (auto it = RaceTable.begin(); it != RaceTable.end(); ++it)
        it->groupRow = 0;
    // A group row belongs to the race of the runners beneath it; the label's
    // text is only for the eye.
    for (int r = 1; r <= grdRace->rows(); ++r) {
        if (!grdRace->isGroupRow(r))
            continue;
        grdRace->setGroupExpanded(r, true);
        const int race = RaceOfRow(r + 1);
        if (race != 0)
            RaceTable[race].groupRow = r;
    }
}

// ---- The field ---------------------------------------------------------------------------------

QString FrmRace::RaceFieldSql() const
{
    // Names that Noms and Bookings share are read under names of their own.
    QString sql = QStringLiteral("SELECT N.*, ") + modJockey::BestHorsePosnSql(QStringLiteral("N")) +
                  QStringLiteral(", ") + modJockey::BestTrainerPosnSql(QStringLiteral("N")) +
                  QStringLiteral(", B.Jockey AS BookedJockey, B.BookingSelection AS BookingSelection, "
                                 "B.Confirmed AS Confirmed, B.RaceCode AS BookedRaceCode"
                                 ", (Select JockeyColor from Jockey as J where B.Jockey IS NOT NULL and "
                                 "J.Jockey = B.Jockey) AS JockeyColor,"
                                 " (Select IgnoreTrainer from Trainer as T where T.TrainerName=N.TrainerName) as "
                                 "IgnoreTrainer"
                                 ", (Select JockeyColor from Jockey as J2 where N.LastJockey IS NOT NULL and "
                                 "J2.Jockey = N.LastJockey) AS JockeyColor2"
                                 " FROM (NOMS AS N LEFT JOIN Bookings as B ON B.rowid = ") +
                  modJockey::RunnerBookingRowidSql(QStringLiteral("N.MeetingCode"), QStringLiteral("N.Horse")) +
                  QStringLiteral(") "
                                 "   LEFT JOIN Trainer AS T ON (N.TrainerName = T.TrainerName) "
                                 "WHERE N.MeetingCode= ? ");
    if (!WholeMeeting)
        sql += QStringLiteral(" and N.RaceNumber = ?");
    sql += QStringLiteral(" Order by N.Racenumber, N.EntryNo, N.Horse");
    return sql;
}

void FrmRace::LoadRaceField()
{
    closeInCellLists();
    grdRace->setRedraw(false);
    grdRace->setGroupColumn(0);
    grdRace->clearRows();
    // The stage column follows the meeting shown now.
    applyStageColumn(txtMeetingType->text());

    const bool ok = guarded(QStringLiteral("Loading the field"), [&] {
        QVariantList params{MeetingCode};
        if (!WholeMeeting)
            params << int(RaceNumber);
        DaoDatabase db = modDatabase::OpenLocalDatabase();
        DaoRecordset rs = db.OpenRecordset(RaceFieldSql(), params);

        const auto col = [&](const char* name) { return rs.FieldIndex(QString::fromLatin1(name)); };
        const int cRace = col("RaceNumber"), cEntry = col("EntryNo"), cForm = col("Form"), cHorse = col("Horse"),
                  cTrainer = col("TrainerName"), cWeight = col("Weight"), cRating = col("Rating"),
                  cHorseType = col("HorseType"), cClass = col("Class"), cJockey = col("Jockey"),
                  cEorB = col("EorB"), cBallot = col("Ballot"), cBarrier = col("Barrier"),
                  cLocation = col("TrainerLocation"), cLastJockey = col("LastJockey"), cLastRode = col("LastRode"),
                  cLastClass = col("LastRaceClass"), cLastWeight = col("LastWeight"),
                  cLastValue = col("LastRaceValue"), cMargin = col("LastMargin"), cWgtRat = col("WgtRat"),
                  cAvgWin = col("AvgWin"), cW800 = col("W800400"), cSec = col("RSecTime"),
                  cFormTrainer = col("FormTrainer"), cBestH = col("BestHPosn"), cBestT = col("BestPosn"),
                  cBooked = col("BookedJockey"), cSelection = col("BookingSelection"), cConfirmed = col("Confirmed"),
                  cColor = col("JockeyColor"), cIgnore = col("IgnoreTrainer"), cColor2 = col("JockeyColor2");

        const QString stage = txtMeetingType->text();
        const bool publishedInBlue = gMainState.strMeetingType != QLatin1String("NOM");
        const QDate today = Clock::today();
        grdRace->setRows(rs.RecordCount());

        int r = 0;
        for (; !rs.Eof(); rs.MoveNext()) {
            ++r;
            qint64 rowColour = -1;
            qint64 jockeyBack = -1;
            int bookingIcon = -1;
            const QString published = TextOf(rs.Fields(cJockey));
            QString jockeyText = published;

            // A booking shows its jockey and status even when the jockey has
            // no colour; colours are applied only when known.
            const QString booked = TextOf(rs.Fields(cBooked));
            jockeyBack = modJockey::JockeyColorValue(rs.Fields(cColor));
            if (!booked.isEmpty())
                jockeyText = booked;
            if (rs.Fields(cConfirmed).toBool()) {
                rowColour = jockeyBack;
                bookingIcon = kIconConfirmed;
            }
            const QString bookingText = TextOf(rs.Fields(cSelection));

            const int race = rs.Fields(cRace).toInt();
            grdRace->setCellDetails(r, ColNbr, TextOf(rs.Fields(cEntry)), kRight, -1, rowColour);
            grdRace->setCellDetails(r, ColRace, raceNumberText(race), kRight, -1, rowColour);

            const QString eorb = TextOf(rs.Fields(cEorB));
            qint64 horseFore = -1;
            if (eorb == QLatin1String("B"))
                horseFore = kRed;
            else if (eorb == QLatin1String("E"))
                horseFore = kBlue;
            grdRace->setCellDetails(r, ColHorse, TextOf(rs.Fields(cHorse)), kLeft, -1, rowColour, horseFore, nullptr,
                                    5);
            grdRace->setCellDetails(r, ColHorseIcon, QString(), kLeft, bestPositionIcon(rs.Fields(cBestH)), rowColour);
            grdRace->setCellDetails(r, ColHorseIcon2, QString(), kLeft, -1, rowColour);

            const qint64 trainerFore = rs.Fields(cIgnore).toBool() ? kRed : -1;
            grdRace->setCellDetails(r, ColTrainer, TextOf(rs.Fields(cTrainer)), kLeft, -1, rowColour, trainerFore);
            grdRace->setCellDetails(r, ColTrainerIcon, QString(), kLeft, bestPositionIcon(rs.Fields(cBestT)),
                                    rowColour);
            grdRace->setCellDetails(r, ColTrainerIcon2, QString(), kLeft, -1, rowColour);

            const QVariant weight = rs.Fields(cWeight);
            grdRace->setCellDetails(r, ColWeight,
                                    weight.isValid() && !weight.isNull()
                                        ? QString::number(modUtils::Val(weight.toString()) / 10.0, 'g', 7)
                                        : QString(),
                                    kRight, -1, rowColour);

            const QString form = TextOf(rs.Fields(cForm));
            if (!form.isEmpty())
                grdRace->setCellDetails(r, ColForm, form.trimmed(), kRight, -1, rowColour, -1, nullptr, 3);
            grdRace->setCellDetails(r, ColRating, TextOf(rs.Fields(cRating)), kRight, -1, rowColour);
            grdRace->setCellDetails(r, ColDetails, TextOf(rs.Fields(cHorseType)), kCentre, -1, rowColour);
            const QString cls = TextOf(rs.Fields(cClass));
            if (!cls.isEmpty())
                grdRace->setCellDetails(r, ColClass, cls, kLeft, -1, rowColour, -1, nullptr, 3);

            const qint64 jockeyFore = !published.isEmpty() && publishedInBlue ? kBlue : -1;
            grdRace->setCellDetails(r, ColJockey, jockeyText, kLeft, -1, jockeyBack, jockeyFore);

            if (WholeMeeting) {
                const QString code = RaceCodeOf(race);
                QString labelText = raceNumberText(race);
                if (!code.isEmpty())
                    labelText += QStringLiteral(" ") + code;
                grdRace->setCellDetails(r, ColRaceLabel, labelText, kLeft);
            }

            grdRace->setCellDetails(r, ColBooking, bookingText, kLeft, bookingIcon, rowColour);
            const QString location = TextOf(rs.Fields(cLocation));
            if (!location.isEmpty())
                grdRace->setCellDetails(r, ColTrainerLoc, location, kLeft);

            // Ballot (weights) or barrier (acceptances) with a sort key: a 0
            // shows only the E/B mark and sorts last.
            const bool weights = stage == QLatin1String("WGT");
            if (weights || stage == QLatin1String("ACP")) {
                const QString value = TextOf(rs.Fields(weights ? cBallot : cBarrier));
                if (value.isEmpty()) {
                    grdRace->setCellDetails(r, ColBallotBarrier, QString(), kLeft, -1, rowColour);
                } else if (modUtils::Val(value) == 0) {
                    grdRace->setCellDetails(r, ColBallotBarrier, eorb, kRight, -1, rowColour);
                    grdRace->setCellDetails(r, ColBallotKey, QStringLiteral("999"), kLeft);
                } else {
                    grdRace->setCellDetails(r, ColBallotBarrier, value + eorb, kRight, -1, rowColour);
                    QString key = value;
                    if (weights)
                        key = QString::number(std::lround(modUtils::Val(key.remove(QLatin1Char('=')))));
                    grdRace->setCellDetails(r, ColBallotKey, key, kLeft);
                }
            }

            const QString colour2 = TextOf(rs.Fields(cColor2));
            const qint64 lastBack = colour2.trimmed().isEmpty() ? rowColour : modJockey::JockeyColorValue(colour2);
            const QString lastJockey = TextOf(rs.Fields(cLastJockey));
            grdRace->setCellDetails(r, ColLastJockey, lastJockey, kLeft, -1, lastBack);

            QString days;
            const QVariant lastRode = rs.Fields(cLastRode);
            if (!lastJockey.isEmpty() && lastRode.isValid() && !lastRode.isNull())
                days = QString::number(lastRode.toDateTime().date().daysTo(today));
            grdRace->setCellDetails(r, ColLastRideDays, days, days.isEmpty() ? kLeft : kRight, -1, rowColour);

            grdRace->setCellDetails(r, ColLastWeight, numberText(rs.Fields(cLastWeight)), kRight, -1, rowColour);
            QString lastClass = TextOf(rs.Fields(cLastClass));
            QString rankOf = lastClass;
            grdRace->setCellDetails(r, ColLastClass, lastClass, kLeft, -1, rowColour);
            grdRace->setCellItemData(r, ColLastClass, int(modUtils::GetClassRank(rankOf)));
            grdRace->setCellDetails(r, ColLastValue, numberText(rs.Fields(cLastValue)), kRight, -1, rowColour);
            grdRace->setCellDetails(r, ColMargin, numberText(rs.Fields(cMargin)), kRight, -1, rowColour);
            grdRace->setCellDetails(r, ColWgtRat, numberText(rs.Fields(cWgtRat)), kRight, -1, rowColour);
            grdRace->setCellDetails(r, ColAvgWin, numberText(rs.Fields(cAvgWin)), kRight, -1, rowColour);
            grdRace->setCellDetails(r, ColLast800400, TextOf(rs.Fields(cW800)), kRight, -1, rowColour);
            grdRace->setCellDetails(r, ColSec, numberText(rs.Fields(cSec)), kRight, -1, rowColour);
            grdRace->setCellDetails(r, ColFormTrainer, TextOf(rs.Fields(cFormTrainer)), kLeft, -1, rowColour);
        }
        grdRace->setRows(r);
    });

    if (ok && WholeMeeting) {
        grdRace->setGroupColumn(ColRaceLabel);
        IndexRaceGroupRows();
    }
    applyWeightControls();
    grdRace->setRedraw(true);
}

void FrmRace::applyWeightControls()
{
    const bool offered = lblState->text() == QLatin1String("VIC") &&
                         !lblRaceTxt->text().contains(QLatin1String("SW"), Qt::CaseSensitive) &&
                         gAppSettings.AlwCalcWeights;
    cmdCalcWgts->setEnabled(offered);
    cmbRaceType->setVisible(offered);
    cmbRaceType->setEnabled(offered);
    for (QLabel* l : {lblRaceTxt, lblState, lblMetro, lblRaceType})
        l->setVisible(offered);
}

// ---- Navigation ------------------------------------------------------------------------------------

void FrmRace::grdMeeting_OnMouseUp(int button, int /*shift*/, int /*x*/, int /*y*/)
{
    gCellPicked = grdMeeting->selectedRow() > 0 && grdMeeting->selectedCol() > 0;
    if (!gCellPicked || button == 2)
        return;
    const QString code = grdMeeting->cellText(grdMeeting->selectedRow(), 1);
    if (code.isEmpty())
        return;
    WaitCursor wait;
    MeetingCode = code;
    if (!WholeMeeting) {
        RaceNumber = 1;
    } else {
        grdRace->setRedraw(false);
        grdRace->setGroupColumn(0);
        grdRace->clearRows();
    }
    guarded(QStringLiteral("Loading the meeting"), [&] {
        ShowMeetingHeader();
        ShowRaceHeader();
        LoadRaceList();
    });
    LoadRaceField();
}

void FrmRace::grdRaces_OnMouseUp(int button, int /*shift*/, int /*x*/, int /*y*/)
{
    gCellPicked = grdRaces->selectedRow() > 0 && grdRaces->selectedCol() > 0;
    if (!gCellPicked || button == 2)
        return;
    const QString number = grdRaces->cellText(grdRaces->selectedRow(), 1);
    if (number.isEmpty())
        return;
    const qint16 before = RaceNumber;
    RaceNumber = static_cast<qint16>(modUtils::Val(number));

    if (WholeMeeting && RaceNumber != before) {
        // As when a runner of another race is clicked: the headers, the race
        // type and the weight calculation follow the race picked.
        guarded(QStringLiteral("Loading the race"), [&] {
            ShowMeetingHeader();
            ShowRaceHeader();
        });
    }
    if (!WholeMeeting) {
        guarded(QStringLiteral("Loading the race"), [&] {
            ShowMeetingHeader();
            ShowRaceHeader();
        });
        LoadRaceField();
        return;
    }

    // Whole meeting: bring the race's group into view (from below, so the
    // group ends up near the top) and mark it.
    const int groupRow = GroupRowOf(RaceNumber);
    if (groupRow < 1 || groupRow > grdRace->rows())
        return;
    grdRace->setRedraw(false);
    grdRace->setSelectedCell(grdRace->rows(), 1);
    grdRace->ensureVisible(grdRace->rows());
    grdRace->setSelectedCell(groupRow, 1);
    grdRace->ensureVisible(groupRow);
    grdRace->setSelectionColor(kYellow);
    grdRace->setRedraw(true);
}
