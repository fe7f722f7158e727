#include "mainwindow/Main.h"

#include "core/modUtils.h"

#include <QAction>
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
#include <QSpinBox>
#include <QTextEdit>
#include <QVBoxLayout>

bool gCellPicked = false;

namespace
{
Main* s_instance = nullptr;

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
    if (!s_instance)
        s_instance = this;
    buildControls();
    buildMenus();
}

Main::~Main()
{
    if (s_instance == this)
        s_instance = nullptr;
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
    txtRace->setMaximumHeight(90);
    txtRace->viewport()->installEventFilter(this);

    cmbJockey = new QComboBox(central);
    cmbJockey->setObjectName(QStringLiteral("cmbJockey"));
    cmbJockey->hide();
    cmbBookText = new QComboBox(central);
    cmbBookText->setObjectName(QStringLiteral("cmbBookText"));
    cmbBookText->hide();

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

    m_middleColumn = new QVBoxLayout;
    m_middleColumn->addWidget(txtRace);

    auto* buttons = new QGridLayout;
    buttons->addWidget(cmdReload, 0, 0);
    buttons->addWidget(cmdMtgRfs, 0, 1);
    buttons->addWidget(CmdGetData, 1, 0);
    buttons->addWidget(cmdBrowse, 1, 1);
    buttons->addWidget(CmdFindHorse, 2, 0);
    buttons->addWidget(cmdExit, 2, 1);

    m_rightColumn = new QVBoxLayout;
    auto* picked = new QHBoxLayout;
    picked->addWidget(lblJockey);
    picked->addWidget(lblBackColor);
    m_rightColumn->addLayout(picked);
    m_rightColumn->addLayout(buttons);

    auto* top = new QHBoxLayout(central);
    top->addLayout(m_leftColumn, 2);
    top->addLayout(m_middleColumn, 5);
    top->addLayout(m_rightColumn, 1);
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
}

void Main::showPopup(QMenu* menu)
{
    // Non-blocking: the menu's commands run from its triggered signals.
    menu->popup(QCursor::pos());
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
