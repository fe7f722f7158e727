#include "mainwindow/Main.h"
#include "mainwindow/InGridBookingEditor.h"

#include "core/DatabaseSwitch.h"
#include "core/HttpRequest.h"
#include "core/modDatabase.h"
#include "core/modGlobal.h"
#include "core/modJockeyBooking.h"
#include "core/modJockeyLists.h"
#include "core/modJockeyStats.h"
#include "core/modOpeners.h"
#include "core/modShared.h"
#include "core/modUtils.h"
#include "mainwindow/FieldFileImport.h"
#include "platform/ComboEx.h"
#include "platform/Grid.h"
#include "platform/ImageList.h"
#include "platform/PopMenu.h"
#include "platform/Prompts.h"
#include "platform/VbError.h"
#include "platform/WaitCursor.h"

#include <QAction>
#include <QApplication>
#include <QEventLoop>
#include <QHash>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QTimer>
#include <QUrl>

#include <sqlite3.h>
#include <QCloseEvent>
#include <QComboBox>
#include <QCursor>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QTextEdit>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <numeric>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>


namespace
{
Main* s_instance = nullptr;

/** Lets a command that waits on the network run once at a time: a second
 *  start while the first one waits (its wait processes events) is ignored. */
class OneAtATime
{
public:
    explicit OneAtATime(bool& running)
        : m_running(running)
        , m_entered(!running)
    {
        m_running = true;
    }
    ~OneAtATime()
    {
        if (m_entered)
            m_running = false;
    }
    OneAtATime(const OneAtATime&) = delete;
    OneAtATime& operator=(const OneAtATime&) = delete;
    bool entered() const { return m_entered; }

private:
    bool& m_running;
    bool m_entered;
};

QAction* addItem(QMenu* menu, QObject* owner, const char* name, const QString& caption,
                 const QKeySequence& shortcut = QKeySequence(), bool enabled = true)
{
    auto* action = new QAction(caption, owner);
    action->setObjectName(QString::fromLatin1(name));
    if (!shortcut.isEmpty())
        action->setShortcut(shortcut);
    action->setEnabled(enabled);
    menu->addAction(action);
    return action;
}

QMenu* addMenu(QWidget* parent, const char* name, const QString& caption)
{
    auto* menu = new QMenu(caption, parent);
    menu->setObjectName(QString::fromLatin1(name));
    return menu;
}

QPushButton* addButton(QWidget* parent, const char* name, const QString& caption)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QString::fromLatin1(name));
    return button;
}

Grid* addGrid(QWidget* parent, const char* name)
{
    auto* grid = new Grid(parent);
    grid->setObjectName(QString::fromLatin1(name));
    return grid;
}

QLineEdit* addBox(QWidget* parent, const char* name)
{
    auto* box = new QLineEdit(parent);
    box->setObjectName(QString::fromLatin1(name));
    return box;
}
} // namespace

Main* Main::instance()
{
    if (!s_instance)
        s_instance = new Main;
    return s_instance;
}

bool Main::hasInstance()
{
    return s_instance != nullptr;
}

void Main::destroyInstance()
{
    delete s_instance;
    s_instance = nullptr;
}

Main::Main(QWidget* parent)
    : QMainWindow(parent)
{
    setObjectName(QStringLiteral("Main"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    // The public members live in core; a new main window starts them afresh
    // as it would its own members.
    gMainState = MainWindowState{};
    if (!s_instance)
        s_instance = this;
    buildControls();
    buildMenus();
    modJockey::SetJockeyListGrid(grdJockey);
    bookingEditor = new InGridBookingEditor(this);
    // A refused data-service account stops the field-file import until the
    // next start (its bookings check needs the service).
    modDatabase::SetAccessDeniedHandler([button = QPointer<QPushButton>(cmdBrowse)] {
        if (button)
            button->setEnabled(false);
    });
    // What the window shows always comes from the database in use.
    connect(&DatabaseSwitch::notifier(), &DatabaseSwitch::switched, this, &Main::LoadFromNewDatabase);
}

Main::~Main()
{
    if (s_instance == this)
    {
        s_instance = nullptr;
        modDatabase::SetAccessDeniedHandler({});
    }
}

void Main::buildControls()
{
    auto* central = new QWidget(this);
    central->setObjectName(QStringLiteral("centralWidget"));
    setCentralWidget(central);

    Label3 = new QLabel(QStringLiteral("Velmora 2"), central);
    Label3->setObjectName(QStringLiteral("Label3"));
    Label3->installEventFilter(this);

    lblJockey = new QLabel(central);
    lblJockey->setObjectName(QStringLiteral("lblJockey"));
    lblBackColor = new QLabel(central);
    lblBackColor->setObjectName(QStringLiteral("lblBackColor"));
    // It holds the picked jockey's colour number for the booking code; the
    // user sees the colour behind the jockey's name, not the number.
    lblBackColor->hide();

    cmdExit = addButton(central, "cmdExit", QStringLiteral("E&xit"));
    CmdFindHorse = addButton(central, "CmdFindHorse", QStringLiteral("Find &Horse"));
    cmdMtgRfs = addButton(central, "cmdMtgRfs", QStringLiteral("Mtg"));
    cmdMtgRfs->setToolTip(QStringLiteral("Refresh's Meetings in Above list. "));
    cmdReload = addButton(central, "cmdReload", QStringLiteral("&Refresh"));
    CmdGetData = addButton(central, "CmdGetData", QStringLiteral("&Get Data"));
    cmdBrowse = addButton(central, "cmdBrowse", QStringLiteral("&Add Data"));

    txtTrainerName = addBox(central, "txtTrainerName");
    txtTrainerName->setReadOnly(true);
    txtTrainLocation = addBox(central, "txtTrainLocation");
    TxtTrainPhone = addBox(central, "TxtTrainPhone");
    txtTrainMobile = addBox(central, "txtTrainMobile");
    // Locked until a trainer is chosen in the trainer list.
    for (QLineEdit* box : {txtTrainLocation, TxtTrainPhone, txtTrainMobile})
    {
        box->setReadOnly(true);
        box->setFrame(false);
        box->installEventFilter(this);
    }

    FrmWeight = new QGroupBox(QStringLiteral("Weight"), central);
    FrmWeight->setObjectName(QStringLiteral("FrmWeight"));
    txtWeight = addBox(FrmWeight, "txtWeight");
    txtWeight->setText(QStringLiteral("0.0"));
    txtWeight->installEventFilter(this);
    UpDown1 = new QSpinBox(FrmWeight);
    UpDown1->setObjectName(QStringLiteral("UpDown1"));
    UpDown1->setRange(400, 990);
    UpDown1->setSingleStep(5);
    UpDown1->setValue(600);
    UpDown1->setButtonSymbols(QAbstractSpinBox::UpDownArrows);
    UpDown1->setFixedWidth(18);
    auto* weightLayout = new QHBoxLayout(FrmWeight);
    weightLayout->setContentsMargins(4, 2, 4, 2);
    weightLayout->addWidget(txtWeight);
    weightLayout->addWidget(UpDown1);

    txtRace = new QTextEdit(central);
    txtRace->setObjectName(QStringLiteral("txtRace"));
    txtRace->setReadOnly(true);
    // One height for the usual header, whatever it shows.
    FitRaceHeader();
    txtRace->viewport()->installEventFilter(this);

    cmbJockey = new ComboEx(central);
    cmbJockey->setObjectName(QStringLiteral("cmbJockey"));
    cmbJockey->hide();
    cmbBookText = new ComboEx(central);
    cmbBookText->setObjectName(QStringLiteral("cmbBookText"));
    cmbBookText->hide();

    // The grids all draw from the one shared image list.
    imlGrdRace = modJockey::GridImages();
    grdMeeting = addGrid(central, "grdMeeting");
    grdMeeting->setRowMode(true);
    grdMeeting->setMultiSelect(true);
    grdMeeting->setHeaderButtons(false);
    grdMeeting->setEditOnDoubleClick(false);
    grdNames = addGrid(central, "grdNames");
    grdNames->setRowMode(true);
    grdNames->setEditOnDoubleClick(false);
    grdNoms = addGrid(central, "grdNoms");
    grdJockey = addGrid(central, "grdJockey");
    grdJockey->setRowMode(true);
    grdJockey->setHeaderButtons(false);
    grdJockey->setEditOnDoubleClick(false);

    connect(grdMeeting, &Grid::mouseUp, this, [this](int button, int, int, int) { grdMeeting_OnMouseUp(button); });
    connect(grdMeeting, &Grid::dblClick, this, [this](int, int) { grdMeeting_OnDblClick(); });
    connect(grdJockey, &Grid::mouseUp, this, [this](int button, int, int, int) { grdJockey_OnMouseUp(button); });
    connect(grdNames, &Grid::mouseUp, this, [this](int button, int, int, int) { grdNames_OnMouseUp(button); });
    connect(grdNames, &Grid::columnClick, this, &Main::grdNames_OnColumnClick);
    connect(grdNoms, &Grid::columnClick, this, &Main::grdNoms_OnColumnClick);
    connect(grdNoms, &Grid::mouseUp, this, [this](int button, int, int, int) { grdNoms_OnMouseUp(button); });

    connect(cmdExit, &QPushButton::clicked, this, &Main::cmdExit_Click);
    connect(CmdFindHorse, &QPushButton::clicked, this, &Main::CmdFindHorse_Click);
    connect(cmdMtgRfs, &QPushButton::clicked, this, &Main::cmdMtgRfs_Click);
    connect(cmdReload, &QPushButton::clicked, this, &Main::cmdReload_Click);
    connect(CmdGetData, &QPushButton::clicked, this, &Main::CmdGetData_Click);
    connect(cmdBrowse, &QPushButton::clicked, this, &Main::cmdBrowse_Click);
    connect(UpDown1, &QSpinBox::valueChanged, this, &Main::UpDown1_OnSpin);

    // Layout: trainer list and contact boxes on the left, race header and
    // nominations in the middle, meetings, jockeys and buttons on the right.
    auto* contact = new QGridLayout;
    contact->addWidget(new QLabel(QStringLiteral("Trainer"), central), 0, 0);
    contact->addWidget(txtTrainerName, 0, 1);
    contact->addWidget(new QLabel(QStringLiteral("Location"), central), 1, 0);
    contact->addWidget(txtTrainLocation, 1, 1);
    contact->addWidget(new QLabel(QStringLiteral("Phone"), central), 2, 0);
    contact->addWidget(TxtTrainPhone, 2, 1);
    contact->addWidget(new QLabel(QStringLiteral("Mobile"), central), 3, 0);
    contact->addWidget(txtTrainMobile, 3, 1);

    m_leftColumn = new QVBoxLayout;
    m_leftColumn->addWidget(Label3);
    m_leftColumn->addLayout(contact);
    m_leftColumn->addWidget(FrmWeight);
    m_leftColumn->addWidget(grdNames, 1);

    m_middleColumn = new QVBoxLayout;
    m_middleColumn->addWidget(txtRace);
    m_middleColumn->addWidget(grdNoms, 1);

    auto* buttons = new QGridLayout;
    buttons->addWidget(cmdReload, 0, 0);
    buttons->addWidget(cmdMtgRfs, 0, 1);
    buttons->addWidget(CmdGetData, 1, 0);
    buttons->addWidget(cmdBrowse, 1, 1);
    buttons->addWidget(CmdFindHorse, 2, 0);
    buttons->addWidget(cmdExit, 2, 1);

    m_rightColumn = new QVBoxLayout;
    m_rightColumn->addWidget(grdMeeting, 2);
    m_rightColumn->addWidget(grdJockey, 1);
    auto* picked = new QHBoxLayout;
    picked->addWidget(lblJockey);
    picked->addWidget(lblBackColor);
    m_rightColumn->addLayout(picked);
    m_rightColumn->addLayout(buttons);

    // The side lists are as wide as their columns (FitLayoutToColumns); the
    // nominations take the rest of the window.
    auto* top = new QHBoxLayout(central);
    top->addLayout(m_leftColumn, 0);
    top->addLayout(m_middleColumn, 1);
    top->addLayout(m_rightColumn, 0);
}

void Main::buildMenus()
{
    const auto ctrl = [](char letter) { return QKeySequence(Qt::CTRL | Qt::Key(Qt::Key_A + (letter - 'A'))); };

    mnuFile = addMenu(this, "mnuFile", QStringLiteral("&File"));
    mnuEditJockey = addItem(mnuFile, this, "mnuEditJockey", QStringLiteral("Edit &Jockey"));
    mnuBackupDatabase = addItem(mnuFile, this, "mnuBackupDatabase", QStringLiteral("&Backup Database"));
    mnuRepairDB = addItem(mnuFile, this, "mnuRepairDB", QStringLiteral("&Compact and Repair Database"));
    mnuRemove = addItem(mnuFile, this, "mnuRemove", QStringLiteral("&Remove Unwanted Data"));
    mnudebugtoggle = addItem(mnuFile, this, "mnudebugtoggle", QStringLiteral("&Debug Mode"));
    mnudebugtoggle->setCheckable(true);
    mnudebugtoggle->setChecked(false);
    mnuResetRace = addItem(mnuFile, this, "mnuResetRace", QStringLiteral("&Reset Race Window"));

    mnuSetup = addMenu(this, "mnuSetup", QStringLiteral("&Setup"));
    MnuBookTemp = addItem(mnuSetup, this, "MnuBookTemp", QStringLiteral("&Booking Templates"));
    MnuAllGet = addItem(mnuSetup, this, "MnuAllGet", QStringLiteral("Allow &Get Data"));
    mnuBookRate = addItem(mnuSetup, this, "mnuBookRate", QStringLiteral("&Riding Fees"));
    mnuSystemSettings = addItem(mnuSetup, this, "mnuSystemSettings", QStringLiteral("&System Settings"));

    mnuHelp = addMenu(this, "mnuHelp", QStringLiteral("&Help"));
    mnuAbout = addItem(mnuHelp, this, "mnuAbout", QStringLiteral("&About"));

    menuBar()->addMenu(mnuFile);
    menuBar()->addMenu(mnuSetup);
    menuBar()->addMenu(mnuHelp);

    // The pop-up parents are never on the menu bar: they are only shown over
    // their grids.
    mnuPUMenu = addMenu(this, "mnuPUMenu", QStringLiteral("Form PopUp (Meeting List view Pop Up)"));
    MnuRace = addItem(mnuPUMenu, this, "MnuRace", QStringLiteral("&Race View"), ctrl('R'));
    MnuMeetingView = addItem(mnuPUMenu, this, "MnuMeetingView", QStringLiteral("&Meeting View"), ctrl('M'));
    mnuReload = addItem(mnuPUMenu, this, "mnuReload", QStringLiteral("Re&load Data"), ctrl('L'));
    mnuMeetingForm = addItem(mnuPUMenu, this, "mnuMeetingForm", QStringLiteral("&Form"), ctrl('F'));
    mnuDeleteMeeting = addItem(mnuPUMenu, this, "mnuDeleteMeeting", QStringLiteral("&Delete Meeting"), ctrl('D'));

    MnuPUNoms = addMenu(this, "MnuPUNoms", QStringLiteral("Form Popup Nominations"));
    mnuRaceView = addItem(MnuPUNoms, this, "mnuRaceView", QStringLiteral("Race View"));
    MnuHorseForm = addItem(MnuPUNoms, this, "MnuHorseForm", QStringLiteral("&Horse Form"));
    MnuVicRatings = addItem(MnuPUNoms, this, "MnuVicRatings", QStringLiteral("&Ratings"), ctrl('V'));
    mnuNomsRBForm = addItem(MnuPUNoms, this, "mnuNomsRBForm", QStringLiteral("Race &Form"));
    mnuJockeystats = addItem(MnuPUNoms, this, "mnuJockeystats", QStringLiteral("&Jockey Stats"), ctrl('J'));
    mnuRego = addItem(MnuPUNoms, this, "mnuRego", QStringLiteral("Rego Search"));
    mnuVideoForm = addItem(MnuPUNoms, this, "mnuVideoForm", QStringLiteral("Video Form"), QKeySequence(), false);
    mnuUpdateStatus =
        addItem(MnuPUNoms, this, "mnuUpdateStatus", QStringLiteral("Set the remaining status to "), ctrl('S'));

    mnuPUNames = addMenu(this, "mnuPUNames", QStringLiteral("Form Popup (Names)"));
    mnuTrainerStats = addItem(mnuPUNames, this, "mnuTrainerStats", QStringLiteral("&Trainer Stats"), ctrl('T'));
    mnuEditTrainer = addItem(mnuPUNames, this, "mnuEditTrainer", QStringLiteral("&Edit Trainer"), ctrl('E'));
    mnutrainStrk = addItem(mnuPUNames, this, "mnutrainStrk", QStringLiteral("Trainer Strike Rate"), QKeySequence(), false);
    MnuTranierJockStrk = addItem(mnuPUNames, this, "MnuTranierJockStrk", QStringLiteral("Trainer/Jockey Strike Rate"),
                                 QKeySequence(), false);
    MnuTrainJockForm = addItem(mnuPUNames, this, "MnuTrainJockForm", QStringLiteral("Trainer/Jockey Form"));

    MnuPuJockey = addMenu(this, "MnuPuJockey", QStringLiteral("Form Popup Jockey"));
    mnuPrvRides = addItem(MnuPuJockey, this, "mnuPrvRides", QStringLiteral("&Previous Rides"));
    MnuJockStrike = addItem(MnuPuJockey, this, "MnuJockStrike", QStringLiteral("Jockey Strike rate"), QKeySequence(), false);
    mnuTrnJockStrk = addItem(MnuPuJockey, this, "mnuTrnJockStrk", QStringLiteral("Trainer Jockey Strike Rate"),
                             QKeySequence(), false);
    mnuRldJokDta = addItem(MnuPuJockey, this, "mnuRldJokDta", QStringLiteral("Reload Jockey Form Data"));
    mnuSelJckIcn = addItem(MnuPuJockey, this, "mnuSelJckIcn", QStringLiteral("Select Jockey for Icons"));
    mnuJockeyReport = addItem(MnuPuJockey, this, "mnuJockeyReport", QStringLiteral("Print Jockey Invoice Report"));

    // Refresh from the meetings pop-up runs the Refresh button's command.
    connect(mnuReload, &QAction::triggered, this, &Main::cmdReload_Click);
    connect(mnuSelJckIcn, &QAction::triggered, this, &Main::mnuSelJckIcn_Click);
    connect(MnuRace, &QAction::triggered, this, &Main::MnuRace_Click);
    connect(MnuMeetingView, &QAction::triggered, this, &Main::MnuMeetingView_Click);
    connect(mnuRaceView, &QAction::triggered, this, &Main::mnuRaceView_Click);
    // Every way into the race view (here and in the nominations grid's
    // editor) asks for it with this signal.
    connect(this, &Main::raceViewRequested, this, &Main::showRaceView);
    connect(mnuRldJokDta, &QAction::triggered, this, &Main::mnuRldJokDta_Click);
    connect(mnuJockeyReport, &QAction::triggered, this, &Main::mnuJockeyReport_Click);

    // Database maintenance commands.
    connect(mnuBackupDatabase, &QAction::triggered, this, &Main::mnuBackupDatabase_Click);
    connect(mnuRepairDB, &QAction::triggered, this, &Main::mnuRepairDB_Click);
    connect(mnuRemove, &QAction::triggered, this, &Main::mnuRemove_Click);
    connect(mnudebugtoggle, &QAction::triggered, this, &Main::mnudebugtoggle_Click);
    connect(mnuResetRace, &QAction::triggered, this, &Main::mnuResetRace_Click);
    connect(mnuDeleteMeeting, &QAction::triggered, this, &Main::mnuDeleteMeeting_Click);

    // Setup and help menus, and the web page and status commands of the pop-ups.
    connect(mnuAbout, &QAction::triggered, this, &Main::mnuAbout_Click);
    connect(mnuSystemSettings, &QAction::triggered, this, &Main::mnuSystemSettings_Click);
    connect(MnuAllGet, &QAction::triggered, this, &Main::MnuAllGet_Click);
    connect(MnuVicRatings, &QAction::triggered, this, &Main::MnuVicRatings_Click);
    connect(mnuRego, &QAction::triggered, this, &Main::mnuRego_Click);
    connect(mnuMeetingForm, &QAction::triggered, this, &Main::mnuMeetingForm_Click);
    connect(mnuNomsRBForm, &QAction::triggered, this, &Main::mnuNomsRBForm_Click);
    connect(mnuUpdateStatus, &QAction::triggered, this, &Main::mnuUpdateStatus_Click);
    connect(MnuHorseForm, &QAction::triggered, this, &Main::MnuHorseForm_Click);
    connect(mnuTrainerStats, &QAction::triggered, this, &Main::mnuTrainerStats_Click);
    connect(MnuTrainJockForm, &QAction::triggered, this, &Main::MnuTrainJockForm_Click);
    connect(mnuPrvRides, &QAction::triggered, this, &Main::mnuPrvRides_Click);
    connect(mnuTrnJockStrk, &QAction::triggered, this, &Main::mnuTrnJockStrk_Click);
    connect(this, &Main::statsRequested, this, [] { modOpeners::OpenRaceStats(); });
    connect(mnuEditJockey, &QAction::triggered, this, &Main::mnuEditJockey_Click);
    connect(mnuEditTrainer, &QAction::triggered, this, &Main::mnuEditTrainer_Click);
    connect(mnuBookRate, &QAction::triggered, this, &Main::mnuBookRate_Click);
    connect(MnuBookTemp, &QAction::triggered, this, &Main::MnuBookTemp_Click);

    ConnectPopupShortcuts();
}

void Main::showPopup(QMenu* menu)
{
    // Waits for the choice; the chosen item's command runs before it returns.
    PopMenu::popup(menu, QCursor::pos());
}

void Main::closeEvent(QCloseEvent* event)
{
    Form_Unload();
    event->accept();
}

bool Main::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusOut)
    {
        if (watched == txtTrainLocation)
            txtTrainLocation_LostFocus();
        else if (watched == TxtTrainPhone)
            TxtTrainPhone_LostFocus();
        else if (watched == txtTrainMobile)
            txtTrainMobile_LostFocus();
        else if (watched == txtWeight)
            txtWeight_LostFocus();
    }
    else if (event->type() == QEvent::MouseButtonRelease && watched == Label3)
    {
        Label3_Click();
    }
    else if (event->type() == QEvent::MouseButtonDblClick && txtRace && watched == txtRace->viewport())
    {
        txtRace_OnOpenRace();
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

// ---- Helpers ---------------------------------------------------------------------

namespace
{
constexpr Qt::Alignment kLeft = Qt::AlignLeft | Qt::AlignVCenter;
constexpr Qt::Alignment kRight = Qt::AlignRight | Qt::AlignVCenter;

constexpr qint64 kRed = 0x0000FF;  // Windows colour numbers are 0x00BBGGRR
constexpr qint64 kBlue = 0xFF0000;

QString text(const QVariant& v)
{
    return v.isValid() && !v.isNull() ? v.toString() : QString();
}

// The database compares names without regard to the case of A-Z only.
QString foldAscii(const QString& s)
{
    QString r = s;
    for (QChar& c : r)
    {
        if (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))
            c = QChar(c.unicode() + 32);
    }
    return r;
}

// A number as the statements write it: shortest form, at most 15 digits.
QString sqlNumber(double v)
{
    return QString::number(v, 'g', 15);
}

// UTF-8 text folded as the database's NOCASE comparison folds it (A-Z
// only); folded texts then compare, byte by byte, as the database orders them.
std::string foldUtf8(std::string_view s)
{
    std::string r(s);
    for (char& c : r)
    {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c + 32);
    }
    return r;
}

// Texts to small numbers, looked up without copying the text: open
// addressing over a power-of-two table (the trainer list looks up some
// 600,000 texts, and a node-based map's modulo and pointer chasing were a
// third of its time).
class IdMap
{
public:
    /** The number given to `key`, or -1. */
    int find(std::string_view key) const
    {
        if (m_slots.empty())
            return -1;
        const size_t h = std::hash<std::string_view>{}(key);
        for (size_t i = h & m_mask;; i = (i + 1) & m_mask)
        {
            const Slot& slot = m_slots[i];
            if (slot.entry < 0)
                return -1;
            const Entry& e = m_entries[static_cast<size_t>(slot.entry)];
            if (slot.hash == h && e.key == key)
                return e.id;
        }
    }
    size_t size() const { return m_entries.size(); }
    /** Gives `key` (not yet present) the number `id`. */
    void insert(std::string_view key, int id)
    {
        if ((m_entries.size() + 1) * 2 > m_slots.size())
            grow();
        m_entries.push_back(Entry{std::string(key), id});
        place(std::hash<std::string_view>{}(key), static_cast<int>(m_entries.size() - 1));
    }

private:
    struct Slot
    {
        size_t hash = 0;
        int entry = -1; // index into m_entries, -1 for a free slot
    };
    struct Entry
    {
        std::string key;
        int id;
    };
    void place(size_t h, int entry)
    {
        size_t i = h & m_mask;
        while (m_slots[i].entry >= 0)
            i = (i + 1) & m_mask;
        m_slots[i] = Slot{h, entry};
    }
    void grow()
    {
        const size_t size = m_slots.empty() ? 64 : m_slots.size() * 2;
        std::vector<Slot> old(size);
        old.swap(m_slots);
        m_mask = size - 1;
        for (const Slot& slot : old)
        {
            if (slot.entry >= 0)
                place(slot.hash, slot.entry);
        }
    }
    std::vector<Slot> m_slots;
    std::vector<Entry> m_entries;
    size_t m_mask = 0;
};

// A statement stepped straight on the database's connection, for the bulk
// reads of the trainer list (a recordset would first copy every row).
class RawQuery
{
public:
    RawQuery(const DaoDatabase& db, const QString& sql)
        : m_db(db.handle())
    {
        const QByteArray utf8 = sql.toUtf8();
        if (sqlite3_prepare_v2(m_db, utf8.constData(), static_cast<int>(utf8.size()), &m_stmt, nullptr) != SQLITE_OK)
            fail();
    }
    ~RawQuery() { sqlite3_finalize(m_stmt); }
    RawQuery(const RawQuery&) = delete;
    RawQuery& operator=(const RawQuery&) = delete;

    void bind(int index, const QString& value)
    {
        sqlite3_bind_text16(m_stmt, index, value.utf16(), static_cast<int>(value.size() * 2), SQLITE_TRANSIENT);
    }
    void reset() { sqlite3_reset(m_stmt); }
    bool next()
    {
        const int rc = sqlite3_step(m_stmt);
        if (rc == SQLITE_ROW)
            return true;
        if (rc != SQLITE_DONE)
            fail();
        return false;
    }
    bool isNull(int col) const { return sqlite3_column_type(m_stmt, col) == SQLITE_NULL; }
    qint64 number(int col) const { return sqlite3_column_int64(m_stmt, col); }
    /** The column's text as UTF-8, valid until the next step. */
    std::string_view utf8(int col) const
    {
        const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(m_stmt, col));
        return p ? std::string_view(p, static_cast<size_t>(sqlite3_column_bytes(m_stmt, col))) : std::string_view();
    }

private:
    [[noreturn]] void fail() const
    {
        const int code = sqlite3_errcode(m_db);
        throw VbError(3000 + code, QStringLiteral("Main"), QString::fromUtf8(sqlite3_errmsg(m_db)));
    }
    sqlite3* m_db;
    sqlite3_stmt* m_stmt = nullptr;
};

void reportDbError(const QString& action, const VbError& e)
{
    Prompts::MsgBox(action + QStringLiteral(" failed: ") + e.description(), Prompts::vbCritical);
}
} // namespace

// ---- Grid layout lists --------------------------------------------------------------

QString Main::ColumnWidthList(const Grid* grid)
{
    return grid->colWidthList();
}

QString Main::ColumnOrderList(const Grid* grid)
{
    return grid->colOrderList();
}

void Main::ApplyColumnLists(Grid* grid, const QString& widthList, const QString& orderList)
{
    grid->restoreColWidths(widthList);
    grid->restoreColOrder(orderList);
}

// ---- Grid set-up --------------------------------------------------------------------

void Main::SetupNamesGrid()
{
    grdNames->setImageList(imlGrdRace);
    grdNames->setDefaultRowHeight(18);
    grdNames->addColumn(QStringLiteral("Trainer"), QStringLiteral("Trainer"), 130, Qt::AlignLeft, Grid::SortText);
    grdNames->addColumn(QStringLiteral("Runners"), QStringLiteral("Rnrs"), 30, Qt::AlignHCenter, Grid::SortNumeric,
                        true, QStringLiteral("Desc"));
    grdNames->addColumn(QStringLiteral("Races"), QStringLiteral("Race"), 30, Qt::AlignHCenter, Grid::SortNumeric, true,
                        QStringLiteral("Desc"));
    grdNames->addColumn(QStringLiteral("Icon1"), QString(), 15, Qt::AlignLeft, Grid::SortIcon, true,
                        QStringLiteral("Desc"));
    grdNames->addColumn(QStringLiteral("Icon2"), QString(), 15, Qt::AlignLeft, Grid::SortIcon, true,
                        QStringLiteral("Desc"));
    grdNames->addColumn(QStringLiteral("IgnTrainer"), QString(), -1, Qt::AlignLeft, Grid::SortText, false);
    grdNames->setTag(QStringLiteral("ex_width,ex_columns,ex_font,ex_left"));
    cmbJockey->setProperty("tag", QStringLiteral("ex_width,ex_font"));
}

void Main::SetupNomsGrid()
{
    struct Col
    {
        const char* key;
        const char* header;
        int width;
        Qt::Alignment align;
        Grid::SortType sort;
        bool visible;
        const char* tag;
    };
    static const Col cols[] = {
        {"Meeting", "Meeting", 72, Qt::AlignLeft, Grid::SortText, true, ""},
        {"Race", "R", 18, Qt::AlignHCenter, Grid::SortNumeric, true, ""},
        {"Form", "Form", 55, Qt::AlignHCenter, Grid::SortText, true, ""},
        {"Horse", "Horse", 110, Qt::AlignLeft, Grid::SortText, true, ""},
        {"Icon1", "", 15, Qt::AlignLeft, Grid::SortIcon, true, "Desc"},
        {"Icon2", "", 15, Qt::AlignLeft, Grid::SortIcon, true, "Desc"},
        {"Wgt", "Wgt", 35, Qt::AlignLeft, Grid::SortNumeric, true, ""},
        {"Rtg", "Bmk", 33, Qt::AlignLeft, Grid::SortNumeric, true, ""},
        {"Class", "Class", 56, Qt::AlignLeft, Grid::SortText, true, ""},
        {"Jockey", "Jockey", 110, Qt::AlignLeft, Grid::SortText, true, ""},
        {"RaceCode", "", -1, Qt::AlignLeft, Grid::SortText, false, ""},
        {"Confirmed", "", -1, Qt::AlignLeft, Grid::SortText, false, ""},
        {"Booking", "Booking Status", -1, Qt::AlignLeft, Grid::SortText, true, ""},
        {"Date", "", -1, Qt::AlignLeft, Grid::SortText, false, ""},
        {"Name", "", -1, Qt::AlignLeft, Grid::SortText, false, ""},
        {"State", "", -1, Qt::AlignLeft, Grid::SortText, false, ""},
    };
    grdNoms->setImageList(imlGrdRace);
    grdNoms->setDefaultRowHeight(18);
    for (const Col& c : cols)
    {
        grdNoms->addColumn(QString::fromLatin1(c.key), QString::fromLatin1(c.header), c.width, c.align, c.sort,
                           c.visible, QString::fromLatin1(c.tag));
    }
    grdNoms->setTag(QStringLiteral("ex_left"));
}

// ---- Meetings grid and jockey list --------------------------------------------------

void Main::LoadMeetingGrid()
{
    try
    {
        modJockey::FillMeetingGrid(grdMeeting);
    }
    catch (const VbError& e)
    {
        grdMeeting->setRedraw(true);
        reportDbError(QStringLiteral("Loading the meetings"), e);
    }
}

QStringList Main::SelectedMeetingCodes() const
{
    QStringList codes;
    for (int r = 1; r <= grdMeeting->rows(); ++r)
    {
        if (grdMeeting->isCellSelected(r, 1))
            codes << grdMeeting->cellText(r, 1);
    }
    return codes;
}

void Main::grdMeeting_OnMouseUp(int button)
{
    gCellPicked = grdMeeting->selectedRow() >= 1 && grdMeeting->selectedCol() >= 1;
    if (gCellPicked && button == 2)
        showPopup(mnuPUMenu);
}

void Main::grdJockey_OnMouseUp(int button)
{
    gCellPicked = grdJockey->selectedRow() >= 1 && grdJockey->selectedCol() >= 1;
    if (gCellPicked && button == 2)
        showPopup(MnuPuJockey);
}

void Main::grdMeeting_OnDblClick()
{
    gCellPicked = grdMeeting->selectedRow() >= 1 && grdMeeting->selectedCol() >= 1;
    if (!gCellPicked)
        return;
    strMeetingCur = grdMeeting->cellText(grdMeeting->selectedRow(), 1);
    IntRace = 1;
    openRaceView();
}

void Main::openRaceView()
{
    WaitCursor wait;
    emit raceViewRequested();
}

void Main::showRaceView()
{
    // A build without the race view has nothing to open.
    if (!modOpeners::Openers().raceView)
        return;
    modOpeners::OpenRaceView();
    WaitCursor wait;
    try
    {
        modJockey::LoadJockeyCombo(grdJockey, this);
        modJockey::GetJockeyInList();
    }
    catch (const VbError& e)
    {
        reportDbError(QStringLiteral("Loading the jockeys"), e);
    }
    LoadTrainerGrid();
    reloadNomsKeepingRunner();
}

void Main::reloadNomsKeepingRunner()
{
    // Nothing chosen, nothing to read again (the grid may still show the
    // runners of a trainer since let go; they stay as they are).
    if (SelectedTrainer.isEmpty())
        return;
    const int selRow = grdNoms->selectedRow();
    const int selCol = grdNoms->selectedCol();
    const auto runnerOf = [this](int row) {
        return QStringList{grdNoms->cellText(row, 1), grdNoms->cellText(row, 2), grdNoms->cellText(row, 4)};
    };
    const QStringList runner = selRow >= 1 ? runnerOf(selRow) : QStringList();
    const int scrolled = grdNoms->verticalScrollBar()->value();
    ReloadChosenTrainerNoms();
    if (runner.isEmpty())
        return;
    for (int r = 1; r <= grdNoms->rows(); ++r)
    {
        if (runnerOf(r) == runner)
        {
            grdNoms->setSelectedCell(r, selCol);
            grdNoms->verticalScrollBar()->setValue(scrolled);
            grdNoms->ensureVisible(r, selCol);
            return;
        }
    }
}

void Main::MnuRace_Click()
{
    // One modal race view after the other, for every selected meeting.
    for (const QString& code : SelectedMeetingCodes())
    {
        strMeetingCur = code;
        IntRace = 1;
        openRaceView();
    }
}

void Main::MnuMeetingView_Click()
{
    for (const QString& code : SelectedMeetingCodes())
    {
        strMeetingCur = code;
        IntRace = 0;
        openRaceView();
    }
}

void Main::mnuRaceView_Click()
{
    const int row = grdNoms->selectedRow();
    gCellPicked = row >= 1 && grdNoms->selectedCol() >= 1;
    if (!gCellPicked || grdNoms->cellText(row, 1).isEmpty())
        return;
    strMeetingCur = grdNoms->cellText(row, 1);
    IntRace = static_cast<qint16>(std::lround(modUtils::Val(grdNoms->cellText(row, 2))));
    openRaceView();
}

// ---- Trainer list ------------------------------------------------------------------

QString Main::trainerGridFilter() const
{
    QString sql;
    const double w = modUtils::Val(txtWeight->text());
    if (w > 42.5 || !MeetingInList.isEmpty())
    {
        sql += QStringLiteral(" WHERE");
        if (!MeetingInList.isEmpty())
            sql += QStringLiteral(" MEETINGCODE IN ") + MeetingInList;
        if (w > 39.5)
        {
            if (!MeetingInList.isEmpty())
                sql += QStringLiteral(" and ");
            sql += QStringLiteral(" (Weight >= ") + sqlNumber(w * 10) + QStringLiteral(" or Weight = 0)");
        }
    }
    return sql;
}

QString Main::TrainerGridSql() const
{
    return QStringLiteral("SELECT Noms.TrainerName, Noms.MeetingCode, Noms.RaceNumber, Noms.FormTrainer, ") +
           modJockey::BestTrainerPosnSql(QStringLiteral("Noms")) + QStringLiteral(" FROM Noms ") +
           trainerGridFilter() + QStringLiteral(" ORDER BY Noms.TRAINERNAME, MeetingCode, RACENUMBER");
}

QString Main::TrainerRunnersSql() const
{
    return QStringLiteral("SELECT Noms.TrainerName, Noms.MeetingCode, Noms.RaceNumber, Noms.FormTrainer FROM Noms ") +
           trainerGridFilter();
}

void Main::LoadTrainerGrid()
{
    // The list is the list query's result (TrainerGridSql) grouped by
    // trainer. A racing year holds some 200,000 runners, and letting the
    // database sort them and work out a best placing for each of them takes
    // seconds; so the runners are read as they are stored and put in the
    // query's order here (names and meeting codes compared as the database
    // compares them), and the best placing is read once per form trainer.
    // The rows come out the same.
    struct Runner
    {
        int name;     // index into names
        int meeting;  // index into meetings
        qint64 race;  // Null sorts first
        int seq;      // order read, for runners equal in all of the above
        int formTrainer; // index into formTrainers, -1 for Null
    };
    struct Name
    {
        int group;
        QString text;
        int lastFormTrainer = -1; // the form trainer of this name's last runner (nearly always the same)
    };
    struct Group
    {
        std::string key; // folded
        int rank = 0;
        QString name;
        int runners = 0;
        int races = 0;
        int best = 0;
    };
    struct TrainerInfo
    {
        bool ignore = false;
        bool comments = false;
    };

    grdNames->setRedraw(false);
    grdNames->clearRows();
    clearSortArrows(grdNames); // the rows come back in the query's order
    try
    {
        modGlobal::ShowStatus(TrainerGridSql() + QStringLiteral(" - Load grdNames"));
        DaoDatabase db = modDatabase::OpenLocalDatabase();

        IdMap nameIds, groupIds, meetingIds, foldedMeetingIds, formTrainerIds;
        std::vector<Name> names;
        std::vector<Group> groups;
        std::vector<int> meetingFolded;          // meeting -> folded meeting
        std::vector<std::string> foldedMeetings; // folded meeting codes
        std::vector<QString> formTrainers;
        std::vector<std::string> formTrainerKeys; // as stored
        std::vector<Runner> runners;
        {
            RawQuery rs(db, TrainerRunnersSql());
            // Runners are mostly stored meeting by meeting: the last meeting
            // code read is compared first.
            std::string lastMeetingText;
            int lastMeeting = -1;
            while (rs.next())
            {
                const std::string_view name = rs.utf8(0);
                if (name.empty())
                    continue; // a runner without a trainer belongs to no row
                int n = nameIds.find(name);
                if (n < 0)
                {
                    const std::string key = foldUtf8(name);
                    int g = groupIds.find(key);
                    if (g < 0)
                    {
                        g = static_cast<int>(groups.size());
                        groupIds.insert(key, g);
                        Group group;
                        group.key = key;
                        groups.push_back(std::move(group));
                    }
                    n = static_cast<int>(names.size());
                    nameIds.insert(name, n);
                    names.push_back(Name{g, QString::fromUtf8(name.data(), qsizetype(name.size()))});
                }
                const std::string_view meeting = rs.utf8(1);
                if (lastMeeting < 0 || meeting != lastMeetingText)
                {
                    int m = meetingIds.find(meeting);
                    if (m < 0)
                    {
                        const std::string key = foldUtf8(meeting);
                        int f = foldedMeetingIds.find(key);
                        if (f < 0)
                        {
                            f = static_cast<int>(foldedMeetings.size());
                            foldedMeetingIds.insert(key, f);
                            foldedMeetings.push_back(key);
                        }
                        m = static_cast<int>(meetingFolded.size());
                        meetingIds.insert(meeting, m);
                        meetingFolded.push_back(f);
                    }
                    lastMeeting = meetingFolded[static_cast<size_t>(m)];
                    lastMeetingText.assign(meeting);
                }
                int formTrainer = -1;
                if (!rs.isNull(3))
                {
                    const std::string_view ft = rs.utf8(3);
                    Name& named = names[static_cast<size_t>(n)];
                    formTrainer = named.lastFormTrainer;
                    if (formTrainer < 0 || formTrainerKeys[static_cast<size_t>(formTrainer)] != ft)
                    {
                        formTrainer = formTrainerIds.find(ft);
                        if (formTrainer < 0)
                        {
                            formTrainer = static_cast<int>(formTrainers.size());
                            formTrainerIds.insert(ft, formTrainer);
                            formTrainers.push_back(QString::fromUtf8(ft.data(), qsizetype(ft.size())));
                            formTrainerKeys.emplace_back(ft);
                        }
                        named.lastFormTrainer = formTrainer;
                    }
                }
                runners.push_back(Runner{n, lastMeeting,
                                         rs.isNull(2) ? std::numeric_limits<qint64>::min() : rs.number(2),
                                         static_cast<int>(runners.size()), formTrainer});
            }
        }

        // Order: trainer, meeting, race number (as the list query orders).
        {
            std::vector<int> order(groups.size());
            std::iota(order.begin(), order.end(), 0);
            std::sort(order.begin(), order.end(), [&](int a, int b) { return groups[a].key < groups[b].key; });
            for (size_t i = 0; i < order.size(); ++i)
                groups[static_cast<size_t>(order[i])].rank = static_cast<int>(i);
        }
        std::vector<int> meetingRank(foldedMeetings.size());
        {
            std::vector<int> order(foldedMeetings.size());
            std::iota(order.begin(), order.end(), 0);
            std::sort(order.begin(), order.end(), [&](int a, int b) { return foldedMeetings[a] < foldedMeetings[b]; });
            for (size_t i = 0; i < order.size(); ++i)
                meetingRank[static_cast<size_t>(order[i])] = static_cast<int>(i);
        }
        const auto groupOf = [&](const Runner& r) { return names[static_cast<size_t>(r.name)].group; };
        {
            // Runners go to their trainer's place in the order first (a
            // counting sort, which keeps the order read), then each trainer's
            // runners are sorted on their own. A runner's meeting becomes its
            // meeting's rank: equal ranks are equal meetings.
            std::vector<int> start(groups.size() + 1, 0);
            for (Runner& r : runners)
            {
                r.meeting = meetingRank[static_cast<size_t>(r.meeting)];
                ++start[static_cast<size_t>(groups[static_cast<size_t>(groupOf(r))].rank) + 1];
            }
            for (size_t i = 1; i < start.size(); ++i)
                start[i] += start[i - 1];
            std::vector<Runner> sorted(runners.size());
            std::vector<int> next(start.begin(), start.end() - 1);
            for (const Runner& r : runners)
                sorted[static_cast<size_t>(next[static_cast<size_t>(groups[static_cast<size_t>(groupOf(r))].rank)]++)] = r;
            runners.swap(sorted);
            for (size_t g = 0; g + 1 < start.size(); ++g)
            {
                std::sort(runners.begin() + start[g], runners.begin() + start[g + 1], [](const Runner& a, const Runner& b) {
                    if (a.meeting != b.meeting)
                        return a.meeting < b.meeting;
                    if (a.race != b.race)
                        return a.race < b.race;
                    return a.seq < b.seq;
                });
            }
        }

        // Walk the runners in order. A group's name and best placing are
        // those of its first runner; a race is counted each time the meeting
        // or the race number changes, so race 3 of two meetings counts as two.
        std::vector<int> listed;
        std::vector<int> firstFormTrainer;
        const Runner* prev = nullptr;
        int current = -1;
        for (const Runner& r : runners)
        {
            const int gi = groupOf(r);
            Group& g = groups[static_cast<size_t>(gi)];
            if (gi != current)
            {
                current = gi;
                listed.push_back(gi);
                firstFormTrainer.push_back(r.formTrainer);
                g.name = names[static_cast<size_t>(r.name)].text;
                prev = nullptr;
            }
            ++g.runners;
            if (!prev || r.meeting != prev->meeting || r.race != prev->race)
                ++g.races;
            prev = &r;
        }

        // The managed jockeys' best placing with each form trainer's horses
        // (none when no jockey counts). Few trainers: one look-up each; many:
        // one pass over the managed jockeys' rides.
        if (!modJockey::gJockeyInList.isEmpty())
        {
            std::vector<int> best(formTrainers.size(), -1);
            std::vector<int> wanted;
            for (int ft : firstFormTrainer)
            {
                if (ft >= 0 && best[static_cast<size_t>(ft)] == -1)
                {
                    best[static_cast<size_t>(ft)] = 0;
                    wanted.push_back(ft);
                }
            }
            if (wanted.size() <= 200)
            {
                RawQuery q(db, QStringLiteral("SELECT Min(FinishPos) from Racestats where Racestats.Trainername = ? "
                                              "and Racestats.Jockey in ") +
                                   modJockey::gJockeyInList);
                for (int ft : wanted)
                {
                    q.reset();
                    q.bind(1, formTrainers[static_cast<size_t>(ft)]);
                    if (q.next() && !q.isNull(0))
                        best[static_cast<size_t>(ft)] = static_cast<int>(q.number(0));
                }
            }
            else
            {
                // Form trainers that differ only in letter case match the
                // same results: each folded name has one lowest placing.
                IdMap foldedFormTrainers;
                std::vector<int> slotOf(formTrainers.size(), -1);
                for (int ft : wanted)
                {
                    const std::string key = foldUtf8(formTrainerKeys[static_cast<size_t>(ft)]);
                    int slot = foldedFormTrainers.find(key);
                    if (slot < 0)
                    {
                        slot = static_cast<int>(foldedFormTrainers.size());
                        foldedFormTrainers.insert(key, slot);
                    }
                    slotOf[static_cast<size_t>(ft)] = slot;
                }
                std::vector<int> lowest(foldedFormTrainers.size(), std::numeric_limits<int>::max());
                RawQuery q(db, QStringLiteral("SELECT Racestats.Trainername, FinishPos from Racestats where "
                                              "Racestats.Jockey in ") +
                                   modJockey::gJockeyInList);
                while (q.next())
                {
                    if (q.isNull(1) || q.isNull(0))
                        continue;
                    const int slot = foldedFormTrainers.find(foldUtf8(q.utf8(0)));
                    if (slot < 0)
                        continue;
                    int& low = lowest[static_cast<size_t>(slot)];
                    low = std::min(low, static_cast<int>(q.number(1)));
                }
                for (int ft : wanted)
                {
                    const int low = lowest[static_cast<size_t>(slotOf[static_cast<size_t>(ft)])];
                    if (low != std::numeric_limits<int>::max())
                        best[static_cast<size_t>(ft)] = low;
                }
            }
            for (size_t i = 0; i < listed.size(); ++i)
            {
                if (firstFormTrainer[i] >= 0)
                    groups[static_cast<size_t>(listed[i])].best = best[static_cast<size_t>(firstFormTrainer[i])];
            }
        }

        // The trainer records, looked up by name as the database compares it.
        QHash<QString, TrainerInfo> trainers;
        {
            DaoRecordset tr =
                db.OpenRecordset(QStringLiteral("Select TrainerName, TrainerComments, IgnoreTrainer from Trainer"));
            for (; !tr.Eof(); tr.MoveNext())
            {
                TrainerInfo info;
                info.comments = !text(tr.Fields(1)).isEmpty();
                info.ignore = tr.Fields(2).toBool();
                trainers.insert(foldAscii(text(tr.Fields(0))), info);
            }
        }

        grdNames->setRows(static_cast<int>(listed.size()));
        int row = 0;
        for (int gi : listed)
        {
            const Group& g = groups[static_cast<size_t>(gi)];
            ++row;
            const auto it = trainers.constFind(foldAscii(g.name));
            const bool found = it != trainers.constEnd();
            const bool ignore = found && it->ignore;
            const qint64 fore = ignore ? kRed : -1;
            int bestIcon = -1;
            if (g.best == 1)
                bestIcon = ImageList::IconBestWin;
            else if (g.best > 1)
                bestIcon = ImageList::IconBestPlaced;
            grdNames->setCellDetails(row, 1, g.name, kLeft, -1, -1, fore);
            grdNames->setCellDetails(row, 2, QString::number(g.runners), kRight, -1, -1, fore);
            grdNames->setCellDetails(row, 3, QString::number(g.races), kRight, -1, -1, fore);
            grdNames->setCellDetails(row, 4, QString(), kLeft, bestIcon);
            grdNames->setCellDetails(row, 5, QString(), kLeft,
                                     found && it->comments ? int(ImageList::IconComments) : -1);
            grdNames->setCellDetails(row, 6, ignore ? QStringLiteral("True") : QStringLiteral("False"), kLeft);
        }
    }
    catch (const VbError& e)
    {
        grdNames->setRedraw(true);
        reportDbError(QStringLiteral("Loading the trainer list"), e);
        return;
    }
    grdNames->setRedraw(true);
}

void Main::ClearTrainerSelection()
{
    SelectedTrainer.clear();
    txtTrainerName->clear();
    m_shownLocation = txtTrainLocation->text();
    m_shownPhone = TxtTrainPhone->text();
    m_shownMobile = txtTrainMobile->text();
    for (QLineEdit* box : {txtTrainLocation, TxtTrainPhone, txtTrainMobile})
    {
        box->setReadOnly(true);
        box->setFrame(false);
    }
}

void Main::grdNames_OnMouseUp(int button)
{
    gCellPicked = grdNames->selectedRow() >= 1 && grdNames->selectedCol() >= 1;
    if (!gCellPicked)
        return;
    if (button == 2)
        showPopup(mnuPUNames);

    const int row = grdNames->selectedRow();
    const QString name = grdNames->cellText(row, 1);
    if (name.isEmpty())
        return;
    // A left click on the trainer's best-placing icon shows the trainer's
    // rides with the managed jockeys.
    if (button == 1 && grdNames->selectedCol() == 4 && grdNames->cellIcon(row, 4) != -1)
    {
        gSelTrainer = name;
        openStatistics(QStringLiteral("trainer/jockey"));
    }
    txtRace->clear();
    if (grdNames->cellText(row, 6) == QLatin1String("True"))
    {
        Prompts::MsgBox(QStringLiteral("Trainer set to ignore cannot make bookings"), Prompts::vbOKOnly,
                        QStringLiteral("Error"));
        return;
    }

    SelectedTrainer = modDatabase::SqlQuote(name);
    try
    {
        DaoRecordset rs = modDatabase::OpenLocalRecordset(QStringLiteral("SELECT * FROM Trainer where TrainerName = '") +
                                                          SelectedTrainer + QStringLiteral("'"));
        if (rs.Eof())
        {
            TxtTrainPhone->clear();
            txtTrainMobile->clear();
            txtTrainLocation->clear();
            txtTrainerName->clear();
        }
        else
        {
            TxtTrainPhone->setText(text(rs.Fields(QStringLiteral("Phone"))));
            txtTrainMobile->setText(text(rs.Fields(QStringLiteral("TrainerMobile"))));
            txtTrainLocation->setText(text(rs.Fields(QStringLiteral("TrainerLocation"))));
            txtTrainerName->setText(text(rs.Fields(QStringLiteral("TrainerName"))));
        }
    }
    catch (const VbError& e)
    {
        reportDbError(QStringLiteral("Reading the trainer"), e);
        return;
    }
    for (QLineEdit* box : {txtTrainLocation, TxtTrainPhone, txtTrainMobile})
    {
        box->setReadOnly(false);
        box->setFrame(true);
    }
    LoadTrainerNoms();
    // What the boxes show now is what is stored (or taken from the runners);
    // only an edit of it is written back.
    m_shownLocation = txtTrainLocation->text();
    m_shownPhone = TxtTrainPhone->text();
    m_shownMobile = txtTrainMobile->text();
}

// ---- Nominations grid --------------------------------------------------------------

QString Main::TrainerNomsSql() const
{
    QString sql = QStringLiteral("SELECT NOMS.*,") + modJockey::BestHorsePosnSql(QStringLiteral("Noms")) +
                  QStringLiteral(" , MeetingDate, MeetingLocation, State ") +
                  QStringLiteral("FROM NOMS LEFT JOIN Meeting M ON NOMS.MeetingCode = M.MeetingCode WHERE "
                                 "TRAINERNAME= '") +
                  SelectedTrainer + QStringLiteral("'");
    const double w = modUtils::Val(txtWeight->text());
    if (w > 42.5 || !MeetingInList.isEmpty())
    {
        if (!MeetingInList.isEmpty())
            sql += QStringLiteral(" AND NOMS.MEETINGCODE IN ") + MeetingInList;
        if (w > 39.5)
            sql += QStringLiteral(" And (Weight >= ") + sqlNumber(w * 10) + QStringLiteral(" or Weight = 0)");
    }
    sql += QStringLiteral(" ORDER BY NOMS.MEETINGCODE, RACENUMBER, HORSE");
    return sql;
}

void Main::LoadTrainerNoms()
{
    try
    {
        DaoDatabase db = modDatabase::OpenLocalDatabase();
        DaoRecordset rs = db.OpenRecordset(TrainerNomsSql());
        const int cMeeting = rs.FieldIndex(QStringLiteral("MeetingCode"));
        const int cRace = rs.FieldIndex(QStringLiteral("RaceNumber"));
        const int cForm = rs.FieldIndex(QStringLiteral("Form"));
        const int cHorse = rs.FieldIndex(QStringLiteral("Horse"));
        const int cEorB = rs.FieldIndex(QStringLiteral("EorB"));
        const int cWeight = rs.FieldIndex(QStringLiteral("Weight"));
        const int cRating = rs.FieldIndex(QStringLiteral("Rating"));
        const int cClass = rs.FieldIndex(QStringLiteral("Class"));
        const int cJockey = rs.FieldIndex(QStringLiteral("Jockey"));
        const int cRaceCode = rs.FieldIndex(QStringLiteral("RaceCode"));
        const int cLocation = rs.FieldIndex(QStringLiteral("TrainerLocation"));
        const int cPhone = rs.FieldIndex(QStringLiteral("Phone"));
        const int cBest = rs.FieldIndex(QStringLiteral("BestHPosn"));
        const int cDate = rs.FieldIndex(QStringLiteral("MeetingDate"));
        const int cMeetingLocation = rs.FieldIndex(QStringLiteral("MeetingLocation"));
        const int cState = rs.FieldIndex(QStringLiteral("State"));
        const int cTrainer = rs.FieldIndex(QStringLiteral("TrainerName"));

        const QString bookingSql =
            QStringLiteral("SELECT Bookings.*, Jockey.JockeyColor FROM Bookings Left JOIN Jockey ON "
                           "Bookings.Jockey = Jockey.Jockey WHERE MeetingCode = ? and ")
            + modJockey::SameHorseSql(QStringLiteral("Horse"), QStringLiteral("?"))
            + modJockey::LatestBookingFirstSql(QStringLiteral("Bookings"));
        const QString trainerName = grdNames->cellText(grdNames->selectedRow(), 1);

        if (bookingEditor)
            bookingEditor->closeInCellLists(); // before other runners take the rows
        grdNoms->setRedraw(false);
        grdNoms->clearRows();
        clearSortArrows(grdNoms); // the rows come back in the query's order
        grdNoms->setRows(rs.RecordCount());
        int r = 0;
        for (; !rs.Eof(); rs.MoveNext())
        {
            ++r;
            const QString meeting = text(rs.Fields(cMeeting));
            const QString horse = text(rs.Fields(cHorse));
            const QString publishedJockey = text(rs.Fields(cJockey));

            QString bookingText;
            int bookingIcon = -1;
            qint64 rowColor = -1;
            qint64 jockeyColor = -1;
            QString jockeyName = publishedJockey;
            QString confirmedValue;

            DaoRecordset bk = db.OpenRecordset(bookingSql, {meeting, horse});
            if (!bk.Eof())
            {
                // A booking always shows its jockey, status and confirmation;
                // the jockey's colour is applied only when it is known.
                jockeyColor = modJockey::JockeyColorValue(bk.Fields(QStringLiteral("JockeyColor")));
                const QString bookedJockey = text(bk.Fields(QStringLiteral("Jockey")));
                if (!bookedJockey.isEmpty())
                    jockeyName = bookedJockey;
                if (bk.Fields(QStringLiteral("Confirmed")).toBool())
                {
                    rowColor = jockeyColor;
                    confirmedValue = QStringLiteral("True");
                    bookingIcon = ImageList::IconConfirmed;
                }
                bookingText = text(bk.Fields(QStringLiteral("BookingSelection")));
            }
            bk.Close();

            const QString eorb = text(rs.Fields(cEorB));
            qint64 horseFore = -1;
            if (eorb == QLatin1String("E"))
                horseFore = kBlue;
            else if (eorb == QLatin1String("B"))
                horseFore = kRed;
            const int best = static_cast<int>(modUtils::Val(text(rs.Fields(cBest))));
            int bestIcon = -1;
            if (best == 1)
                bestIcon = ImageList::IconBestWin;
            else if (best > 1)
                bestIcon = ImageList::IconBestPlaced;

            grdNoms->setCellDetails(r, 1, meeting, kLeft, -1, rowColor);
            grdNoms->setCellDetails(r, 2, (QStringLiteral(" ") + text(rs.Fields(cRace))).right(2), kRight, -1,
                                    rowColor);
            grdNoms->setCellDetails(r, 4, horse, kLeft, -1, rowColor, horseFore, nullptr, 5);
            // Each runner carries its own trainer: a booking is made under it,
            // whatever row of the trainer list is selected by then.
            grdNoms->setCellItemData(r, 4, text(rs.Fields(cTrainer)));
            grdNoms->setCellDetails(r, 5, QString(), kLeft, bestIcon, rowColor);
            grdNoms->setCellDetails(r, 7, sqlNumber(modUtils::Val(text(rs.Fields(cWeight))) / 10.0), kRight, -1,
                                    rowColor);
            const QString form = text(rs.Fields(cForm));
            if (!form.isEmpty())
                grdNoms->setCellDetails(r, 3, form.trimmed(), kRight, -1, rowColor, -1, nullptr, 3);
            grdNoms->setCellDetails(r, 8, text(rs.Fields(cRating)), kRight, -1, rowColor);
            const QString cls = text(rs.Fields(cClass));
            if (!cls.isEmpty())
                grdNoms->setCellDetails(r, 9, cls, kLeft, -1, rowColor, -1, nullptr, 3);
            if (!jockeyName.isEmpty())
            {
                const qint64 jockeyFore =
                    !publishedJockey.isEmpty() && strMeetingType != QLatin1String("NOM") ? kBlue : -1;
                grdNoms->setCellDetails(r, 10, jockeyName, kLeft, -1, jockeyColor, jockeyFore);
            }
            grdNoms->setCellDetails(r, 11, text(rs.Fields(cRaceCode)), kLeft);
            if (!confirmedValue.isEmpty())
                grdNoms->setCellDetails(r, 12, confirmedValue, kLeft);
            grdNoms->setCellDetails(r, 14, modJockey::FormatMeetingDate(rs.Fields(cDate)), kLeft);
            grdNoms->setCellDetails(r, 15, text(rs.Fields(cMeetingLocation)), kLeft);
            grdNoms->setCellDetails(r, 16, text(rs.Fields(cState)), kLeft);
            grdNoms->setCellDetails(r, 13, bookingText, kLeft, bookingIcon, rowColor);
            grdNoms->setCellDetails(r, 6, QString(), kLeft, -1, rowColor);

            if (txtTrainLocation->text().isEmpty())
                txtTrainLocation->setText(text(rs.Fields(cLocation)));
            const QString phone = text(rs.Fields(cPhone));
            if (TxtTrainPhone->text().isEmpty() && !phone.isEmpty())
                TxtTrainPhone->setText(phone);
            txtTrainerName->setText(trainerName);
        }
    }
    catch (const VbError& e)
    {
        grdNoms->setRedraw(true);
        reportDbError(QStringLiteral("Loading the nominations"), e);
        return;
    }
    grdNoms->setRedraw(true);
}

// ---- Header-click sort (trainer list and nominations) ------------------------------

void Main::columnClick(Grid* grid, int column)
{
    if (column < 1 || column > grid->columns())
        return;
    grid->clearSortKeys();
    Qt::SortOrder order;
    if (grid->colTag(column).isEmpty())
    {
        order = Qt::AscendingOrder;
        grid->setColTag(column, QStringLiteral("DESC"));
    }
    else
    {
        order = Qt::DescendingOrder;
        grid->setColTag(column, QString());
    }
    grid->addSortKey(column, order);
    for (int c = 1; c <= grid->columns(); ++c)
        grid->setColHeaderImage(c, -1);
    grid->setColHeaderImage(column, order == Qt::AscendingOrder ? ImageList::IconSortAscending
                                                                : ImageList::IconSortDescending);
    WaitCursor wait;
    grid->sort();
    modUtils::PlayAppSound(QStringLiteral("Utopia Open.wav"));
}

void Main::clearSortArrows(Grid* grid)
{
    for (int c = 1; c <= grid->columns(); ++c)
    {
        const int image = grid->colHeaderImage(c);
        if (image == ImageList::IconSortAscending || image == ImageList::IconSortDescending)
            grid->setColHeaderImage(c, -1);
    }
}

void Main::grdNames_OnColumnClick(int column)
{
    columnClick(grdNames, column);
}

void Main::grdNoms_OnColumnClick(int column)
{
    if (bookingEditor && column >= 1 && column <= grdNoms->columns())
        bookingEditor->closeInCellLists(); // before the runners change rows
    columnClick(grdNoms, column);
}

// ---- Trainer contact boxes, weight filter, race header -------------------------------

void Main::writeTrainerContact(QLineEdit* box, const char* column)
{
    QString* shown = box == txtTrainLocation ? &m_shownLocation
                     : box == TxtTrainPhone  ? &m_shownPhone
                                             : &m_shownMobile;
    // Only an edit of a chosen trainer's box is written: leaving a box that
    // was not changed, or before any trainer was chosen, writes nothing.
    if (SelectedTrainer.isEmpty() || txtTrainerName->text().isEmpty() || box->isReadOnly() || box->text() == *shown)
        return;
    try
    {
        DaoRecordset rs = modDatabase::OpenLocalRecordset(QStringLiteral("Select * from Trainer where TrainerName = '") +
                                                          SelectedTrainer + QStringLiteral("'"));
        if (rs.Eof())
        {
            rs.AddNew();
            rs.SetField(QStringLiteral("TrainerName"), txtTrainerName->text());
            if (!txtTrainLocation->text().isEmpty())
                rs.SetField(QStringLiteral("TrainerLocation"), txtTrainLocation->text());
            if (!TxtTrainPhone->text().isEmpty())
                rs.SetField(QStringLiteral("Phone"), TxtTrainPhone->text());
            if (!txtTrainMobile->text().isEmpty())
                rs.SetField(QStringLiteral("TrainerMobile"), txtTrainMobile->text());
            rs.Update();
        }
        else
        {
            rs.Edit();
            rs.SetField(QString::fromLatin1(column), box->text());
            rs.Update();
        }
        *shown = box->text();
    }
    catch (const VbError& e)
    {
        reportDbError(QStringLiteral("Saving the trainer's details"), e);
    }
}

void Main::txtTrainLocation_LostFocus()
{
    writeTrainerContact(txtTrainLocation, "TrainerLocation");
}

void Main::TxtTrainPhone_LostFocus()
{
    writeTrainerContact(TxtTrainPhone, "Phone");
}

void Main::txtTrainMobile_LostFocus()
{
    writeTrainerContact(txtTrainMobile, "TrainerMobile");
}

void Main::txtWeight_LostFocus()
{
    const double w = modUtils::Val(txtWeight->text());
    if (!(w > 40))
        return;
    // Halves go to the even tenth (52.25 kg gives 522); a weight beyond the
    // spinner's range takes its nearest end.
    const double tenths = std::nearbyint(qBound(double(UpDown1->minimum()), w * 10, double(UpDown1->maximum())));
    const int value = static_cast<int>(tenths);
    if (UpDown1->value() == value)
        UpDown1_OnSpin(); // no change raises no event: show the value all the same
    else
        UpDown1->setValue(value);
}

void Main::UpDown1_OnSpin()
{
    txtWeight->setText(QString::number(UpDown1->value() / 10.0, 'f', 1));
}

void Main::txtRace_OnOpenRace()
{
    // Nothing to open before a row or a race view command chose a meeting.
    if (strMeetingCur.isEmpty())
        return;
    // The race header opens the race view as the members stand, without the
    // hourglass of the other ways in.
    emit raceViewRequested();
}

// ---- Buttons -----------------------------------------------------------------------

void Main::cmdExit_Click()
{
    close();
}

void Main::CmdFindHorse_Click()
{
    modOpeners::OpenSelectHorse();
}

void Main::cmdMtgRfs_Click()
{
    LoadMeetingGrid();
}

void Main::CmdGetData_Click()
{
    // The meeting list window downloads the chosen meetings; the lists show
    // them when it returns.
    modOpeners::OpenSelectMeeting();
    LoadTrainerGrid();
    ReloadChosenTrainerNoms();
    LoadMeetingGrid();
}

void Main::cmdBrowse_Click()
{
    const OneAtATime once(m_importRunning);
    if (!once.entered())
        return;
    FieldFileImport::Target target;
    target.strMeetingCur = &strMeetingCur;
    target.strMeetingType = &strMeetingType;
    target.importFilePath = &ImportFilePath;
    target.importFolder = &ImportFolder;
    target.loadTrainerGrid = [this] {
        LoadTrainerGrid();
        ReloadChosenTrainerNoms();
    };
    target.loadMeetingGrid = [this] { LoadMeetingGrid(); };
    FieldFileImport::Run(target);
}

void Main::ReloadChosenTrainerNoms()
{
    // New fields may have replaced the runners, and the bookings check may
    // have removed bookings: what the nominations grid showed is stale.
    int row = 0;
    for (int r = 1; r <= grdNames->rows() && !SelectedTrainer.isEmpty() && !row; ++r)
    {
        if (modDatabase::SqlQuote(grdNames->cellText(r, 1)).compare(SelectedTrainer, Qt::CaseInsensitive) == 0)
            row = r;
    }
    if (!row)
    {
        if (bookingEditor)
            bookingEditor->closeInCellLists();
        grdNoms->clearRows();
        ClearTrainerSelection();
        return;
    }
    grdNames->setSelectedCell(row, 1);
    LoadTrainerNoms();
}

void Main::mnuSelJckIcn_Click()
{
    if (!modJockey::ToggleIconJockey(*grdJockey))
        return; // nobody picked: the user has been told
    WaitCursor wait;
    LoadTrainerGrid();
    txtRace->clear();
    txtTrainLocation->clear();
    txtTrainMobile->clear();
    TxtTrainPhone->clear();
    // The emptied boxes belong to no trainer now: locked, and tied to none,
    // so leaving one cannot write its empty text over the last trainer's.
    ClearTrainerSelection();
}

void Main::mnuRldJokDta_Click()
{
    const OneAtATime once(m_reloadRunning);
    if (!once.entered())
        return;
    const QString jockey = grdJockey->cellText(grdJockey->selectedRow(), 1);
    try
    {
        modJockey::DownloadJockeyStats(jockey, true);
    }
    catch (const VbError& e)
    {
        reportDbError(QStringLiteral("Reloading the jockey's race data"), e);
    }
}

void Main::mnuJockeyReport_Click()
{
    // With no row picked the name is empty: the invoice window refuses it.
    QString jockey = grdJockey->selectedRow() >= 1 ? grdJockey->cellText(grdJockey->selectedRow(), 1) : QString();
    modOpeners::OpenJockeyInvoice(jockey);
}

void Main::Label3_Click()
{
    modUtils::PlayAppSound(QStringLiteral("horse-gallop.wav"));
}

// ---- Link check -----------------------------------------------------------------------

QString Main::CheckLink(const QString& var_URL)
{
    if (var_URL.isEmpty())
        return QString();
    const QString timeout = QStringLiteral("Timeout error");
    const QUrl url(var_URL);
    if (!url.isValid() || url.scheme().isEmpty() || url.host().isEmpty())
        return timeout;

    QNetworkAccessManager manager;
    QNetworkRequest request(url);
    request.setRawHeader("User-Agent", "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.1)");
    QNetworkReply* reply = manager.get(request);
    // Only the page's head is read: an endless answer is held at the reply
    // size limit (and then runs into the time limit) instead of filling memory.
    reply->setReadBufferSize(modDatabase::kMaxReplyBytes);
    const WaitCursor busy;
    QEventLoop loop;
    QTimer limit;
    limit.setSingleShot(true);
    connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);
    limit.start(modDatabase::HttpTimeLimit());
    if (!reply->isFinished())
        loop.exec(QEventLoop::ExcludeUserInputEvents);

    QString result = timeout;
    // An answer with any HTTP status counts (an error page is text too);
    // no status means no answer.
    if (reply->isFinished() && reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid())
    {
        const QString head = QString::fromUtf8(reply->readAll()).left(60);
        if (head.isEmpty())
            result = QStringLiteral("Server not found");
        else if (head.contains(QLatin1String("404")))
            result = QStringLiteral("File not found");
        else if (head.contains(QLatin1String("Fatal Error")) || head.contains(QLatin1String("FATAL ERROR")))
            result = QStringLiteral("Fatal Error");
        else
            result = QStringLiteral("OK");
    }
    else
    {
        reply->abort();
    }
    delete reply;
    return result;
}
