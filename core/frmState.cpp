#include "core/frmState.h"

#include "core/DatabaseLock.h"
#include "core/DatabaseSwitch.h"
#include "core/HttpRequest.h"
#include "core/cAppSettings.h"
#include "core/modDatabase.h"
#include "platform/AppPaths.h"
#include "platform/FileSync.h"
#include "platform/Prompts.h"
#include "platform/WindowFit.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <memory>
#include <optional>

namespace
{
const QString kDatabaseFile = QStringLiteral("Tarrow.mdb");
// What the ABN box reads when nothing has been typed into it.
const QString kEmptyAbn = QStringLiteral("__-___-___-___");

QLineEdit* makeEdit(QWidget* parent, const QString& name)
{
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(name);
    return edit;
}

constexpr float kLargestInvoiceNumber = 16777216.0f;

// The boxes' width in average letters at least; a long database path
// widens them as far as the screen allows.
constexpr int kBoxLetters = 36;

// The invoice number as a number; none when the text is not a whole number
// the setting can hold exactly.
std::optional<float> invoiceNumber(const QString& text)
{
    const QString t = text.trimmed();
    bool ok = false;
    float value = QLocale::c().toFloat(t, &ok);
    if (!ok)
        value = QLocale().toFloat(t, &ok);
    if (!ok)
        return std::nullopt;
    // The number is kept as a single-precision value: past 2^24 whole numbers
    // no longer survive (99999999999 comes back as 99999997952), and a
    // fraction or a negative number is no invoice number at all.
    if (value < 0 || value > kLargestInvoiceNumber || value != std::floor(value))
        return std::nullopt;
    return value;
}

// True when `path` is a link whose file cannot be found (`loops`: because
// its links lead round in a loop).
bool linkLeadsNowhere(const QString& path, bool* loops)
{
    return QFileInfo(path).isSymLink() && !QFileInfo::exists(FileSync::realFile(path, loops));
}

// Why the database file a change of Database Path names cannot be used, for
// the refusal.
QString unusableReason(const modDatabase::CompactionFailure& why)
{
    using Kind = modDatabase::CompactionFailure::Kind;
    const QString file = QDir::toNativeSeparators(why.path);
    switch (why.kind) {
    case Kind::Missing: {
        const QString folder = QFileInfo(why.path).absolutePath();
        // Told as the start tells them: a link that leads nowhere is no
        // missing database, and a folder of that name is no database at all.
        bool loops = false;
        if (linkLeadsNowhere(why.path, &loops))
            return loops ? QStringLiteral("The link ") + file
                               + QStringLiteral(" cannot be followed to a database: its links lead round in a loop "
                                                "and reach no file.")
                         : QStringLiteral("The database ") + QDir::toNativeSeparators(FileSync::realFile(why.path))
                               + QStringLiteral(" that the link ") + file + QStringLiteral(" points to cannot be found.");
        if (QFileInfo(why.path).isDir())
            return QStringLiteral("The Tarrow.mdb in ") + QDir::toNativeSeparators(folder)
                   + QStringLiteral(" is a folder, not a database file.");
        if (const QString journal = FileSync::journalBeside(why.path); !journal.isEmpty())
            return QStringLiteral("There is no database ") + file + QStringLiteral(", but the journal ")
                   + QDir::toNativeSeparators(journal)
                   + QStringLiteral(" of an interrupted change to a database of that name is still there.");
        return QStringLiteral("There is no database ") + file + QStringLiteral(": the folder ")
               + QDir::toNativeSeparators(folder)
               + (QFileInfo(folder).isDir() ? QStringLiteral(" holds no Velmora database (Tarrow.mdb).")
                                            : QStringLiteral(" does not exist."));
    }
    case Kind::Empty:
        return QStringLiteral("The database file ") + file
               + QStringLiteral(" is empty (0 bytes): it holds no Velmora data.");
    case Kind::AccessFile:
        return QStringLiteral("The database file ") + file
               + QStringLiteral(" is a Microsoft Access database, which this program cannot read.");
    case Kind::NotDatabase:
        return QStringLiteral("The file ") + file
               + QStringLiteral(" is not a database file: it is damaged or of another kind.");
    case Kind::NotOurs:
        return QStringLiteral("The database file ") + file
               + QStringLiteral(" is an SQLite database, but not a Velmora database: it lacks the tables ")
               + why.detail + QLatin1Char('.');
    case Kind::InUse:
        return QStringLiteral("The database file ") + file
               + QStringLiteral(" is in use by another program (perhaps another copy of Velmora).");
    case Kind::CannotRollBack:
        return QStringLiteral("The database file ") + file
               + QStringLiteral(" cannot be opened: a change to it was interrupted, and that change cannot be "
                                "undone because the file or its folder ")
               + QDir::toNativeSeparators(why.detail) + QStringLiteral(" cannot be written to.");
    case Kind::Damaged:
        return QStringLiteral("The database file ") + file + QStringLiteral(" is damaged")
               + (why.detail.isEmpty() ? QString() : QStringLiteral(" (") + why.detail + QLatin1Char(')'))
               + QLatin1Char('.');
    default:
        return QStringLiteral("The database file ") + file + QStringLiteral(" cannot be read")
               + (why.detail.isEmpty() ? QString() : QStringLiteral(": ") + why.detail) + QLatin1Char('.');
    }
}

// What the user can do about a database file refused for `why`.
QString whatToDo(const modDatabase::CompactionFailure& why)
{
    using Kind = modDatabase::CompactionFailure::Kind;
    bool loops = false;
    if (why.kind == Kind::InUse)
        return QStringLiteral("Change the Database Path again once the other program has let the file go, or choose "
                              "another folder.");
    if (why.kind == Kind::Missing && linkLeadsNowhere(why.path, &loops))
        return (loops ? QStringLiteral("Point the link at the database file and change the Database Path again")
                      : QStringLiteral("If that file is on a disk or in a folder that is not there now, make it "
                                       "available and change the Database Path again"))
               + QStringLiteral("; or choose a folder that holds a Velmora database (Tarrow.mdb).");
    if (why.kind == Kind::Missing && !FileSync::journalBeside(why.path).isEmpty())
        return QStringLiteral("Put the database back beside its journal and change the Database Path again; or choose "
                              "another folder.");
    return QStringLiteral("Choose a folder that holds a Velmora database (Tarrow.mdb).");
}

// A change of Database Path refused: why, that this copy goes on as it was,
// and what to do.
void refuseSwitch(const QString& why, const QString& currentDb, const QString& whatToDo)
{
    Prompts::MsgBox(why + QStringLiteral(" \rThis copy goes on with the database ")
                        + QDir::toNativeSeparators(currentDb) + QStringLiteral(" and nothing was changed. ") + whatToDo,
                    Prompts::vbCritical, QStringLiteral("Settings Error"));
}

// The windows besides `self` that show rows of the database in use: every
// such window opens modally over the main window, and while it is open the
// database it reads and writes must stay the one in use.
QStringList databaseWindowsOpen(const QWidget* self)
{
    QStringList titles;
    for (const QWidget* w : QApplication::topLevelWidgets()) {
        if (w == self || !w->isVisible() || !w->isModal())
            continue;
        titles << (w->windowTitle().isEmpty() ? w->objectName() : w->windowTitle());
    }
    return titles;
}
} // namespace

frmState::frmState(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frmState"));
    setWindowTitle(QStringLiteral("System Defaults"));

    m_cmbState = new QComboBox(this);
    m_cmbState->setObjectName(QStringLiteral("cmbState"));
    m_cmbState->setEditable(true);
    m_cmbState->addItems({QStringLiteral("VIC"), QStringLiteral("QLD"), QStringLiteral("NSW"), QStringLiteral("TAS"),
                          QStringLiteral("SA"), QStringLiteral("WA"), QStringLiteral("NT"), QStringLiteral("ACT")});

    m_txtDBPath = makeEdit(this, QStringLiteral("txtDBPath"));
    m_cmdBrowse = new QPushButton(QStringLiteral("..."), this);
    m_cmdBrowse->setObjectName(QStringLiteral("cmdBrowse"));
    m_cmdBrowse->setMaximumWidth(3 * m_cmdBrowse->fontMetrics().height());

    m_txtDataServer = makeEdit(this, QStringLiteral("txtDataServer"));
    m_txtCompanyName = makeEdit(this, QStringLiteral("txtCompanyName"));
    m_meABN = makeEdit(this, QStringLiteral("meABN"));
    m_meABN->setInputMask(QStringLiteral("00-000-000-000;_"));
    m_chkGST = new QCheckBox(QStringLiteral("GST on Jockey Invoice"), this);
    m_chkGST->setObjectName(QStringLiteral("chkGST"));
    m_mebNextInvoiceNumber = makeEdit(this, QStringLiteral("mebNextInvoiceNumber"));
    m_txtUser = makeEdit(this, QStringLiteral("txtUser"));
    m_txtRegno = makeEdit(this, QStringLiteral("txtRegno"));
    m_cmdChange = new QPushButton(QStringLiteral("Change System Defaults"), this);
    m_cmdChange->setObjectName(QStringLiteral("cmdChange"));

    // Labels, one column of equally wide boxes, and the database's browse
    // button beside its box, outside that column.
    auto* form = new QGridLayout;
    int row = 0;
    const auto addRow = [&](const QString& caption, QWidget* field) {
        if (!caption.isEmpty())
            form->addWidget(new QLabel(caption, this), row, 0);
        form->addWidget(field, row, 1);
        ++row;
    };
    addRow(QStringLiteral("Default State"), m_cmbState);
    form->addWidget(m_cmdBrowse, row, 2);
    addRow(QStringLiteral("Database Path"), m_txtDBPath);
    addRow(QStringLiteral("Data Server"), m_txtDataServer);
    addRow(QStringLiteral("Company Name For Invoice"), m_txtCompanyName);
    addRow(QStringLiteral("A. B. N."), m_meABN);
    addRow(QString(), m_chkGST);
    addRow(QStringLiteral("Next Invoice Number"), m_mebNextInvoiceNumber);
    addRow(QStringLiteral("User Name"), m_txtUser);
    addRow(QStringLiteral("Registraion Number"), m_txtRegno);
    form->setColumnStretch(1, 1);
    auto* all = new QVBoxLayout(this);
    all->addLayout(form);
    all->addWidget(m_cmdChange);

    // A path wider than the screen can still be read whole.
    connect(m_txtDBPath, &QLineEdit::textChanged, m_txtDBPath, &QLineEdit::setToolTip);
    connect(m_cmdBrowse, &QPushButton::clicked, this, &frmState::cmdBrowse_Click);
    connect(m_cmdChange, &QPushButton::clicked, this, &frmState::cmdChange_Click);
}

frmState::~frmState() = default;

void frmState::OpenSetting(QWidget* parent)
{
    frmState window(parent);
    window.LoadFields();
    Prompts::ShowModal(&window);
}

void frmState::LoadFields()
{
    const cAppSettings& s = gAppSettings;
    m_cmbState->setCurrentText(s.DefaultState.trimmed().isEmpty() ? QStringLiteral("VIC") : s.DefaultState);
    if (!s.ABN.isEmpty())
        m_meABN->setText(s.ABN);
    m_chkGST->setChecked(s.ApplyGST);
    // The folder the working database is actually in (an empty setting means
    // the default folder).
    m_txtDBPath->setText(modDatabase::LocalDatabaseFolder());
    fitPathBox();
    // With no server configured the field offers the data service's own host.
    m_txtDataServer->setText(s.DataServer.trimmed().isEmpty() ? cAppSettings::kDefaultDataServer : s.DataServer);
    m_txtCompanyName->setText(s.Companyname);
    // Whole numbers in full: 'g' turned 12345678 into "1.234568e+07".
    const double next = s.NextInvoiceNumber;
    m_mebNextInvoiceNumber->setText(next == std::floor(next) ? QString::number(next, 'f', 0)
                                                             : QString::number(next, 'g', 7));
    m_txtUser->setText(modDatabase::gRemoteUser);
    m_txtRegno->setText(modDatabase::gRemotePass);
}

void frmState::fitPathBox()
{
    // The boxes are wide enough for the whole database path, as far as the
    // window still fits its screen, and the path is shown from its start.
    const QFontMetrics fm(m_txtDBPath->font());
    const int letter = fm.averageCharWidth();
    const int narrowest = kBoxLetters * letter;
    // Two letters' room on each side holds the box's frame and margins.
    const int text = fm.horizontalAdvance(m_txtDBPath->text()) + 4 * letter;
    // The room the screen leaves beside the labels, the browse button, the
    // window's margins and its frame.
    m_txtDBPath->setMinimumWidth(narrowest);
    const QWidget* over = parentWidget() ? parentWidget()->window() : this;
    const QScreen* screen = over->screen() ? over->screen() : QGuiApplication::primaryScreen();
    int widest = text;
    if (screen) {
        const int beside = minimumSizeHint().width() - narrowest + WindowFit::FrameAllowance(this).width();
        widest = screen->availableGeometry().width() - beside;
    }
    m_txtDBPath->setMinimumWidth(std::max(narrowest, std::min(text, widest)));
    m_txtDBPath->setCursorPosition(0);
}

void frmState::cmdBrowse_Click()
{
    const QString typed = AppPaths::join(m_txtDBPath->text(), kDatabaseFile);
    const QString start =
        QFileInfo::exists(typed) ? typed : AppPaths::join(AppPaths::appDir(), kDatabaseFile);
    const QStringList chosen = Prompts::GetOpenFileNames(
        QStringLiteral("Open"), QStringLiteral("Velmora Database (%1)").arg(kDatabaseFile), start);
    if (chosen.isEmpty())
        return;
    const QString path = chosen.first();
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    if (slash < 0)
        return;
    m_txtDBPath->setText(slash == 0 ? QStringLiteral("/") : path.left(slash));
    fitPathBox();
    // The window grows with the box where it stands: it is laid out now and
    // moved back onto its screen as far as it reaches past an edge.
    if (layout())
        layout()->activate();
    WindowFit::FitToScreen(this);
}

void frmState::cmdChange_Click()
{
    const QString abn = m_meABN->displayText();
    if (m_chkGST->isChecked() && abn == kEmptyAbn) {
        Prompts::MsgBox(QStringLiteral("If GST then ABN must be entered"), Prompts::vbCritical,
                        QStringLiteral("Settings Error"));
        return;
    }
    // Checked before anything is stored, so a refused save leaves every
    // setting as it was.
    const auto invoice = invoiceNumber(m_mebNextInvoiceNumber->text());
    if (!invoice) {
        Prompts::MsgBox(QStringLiteral("Next Invoice Number must be a whole number from 0 to 16777216"), Prompts::vbCritical,
                        QStringLiteral("Settings Error"));
        m_mebNextInvoiceNumber->setFocus();
        return;
    }

    // The new values go into a copy: the running settings change only once
    // the store holds them, so a failed save leaves this run as it was and
    // the window open with what was typed, to try again or cancel.
    cAppSettings s = gAppSettings;
    s.DefaultState = m_cmbState->currentText();
    s.ABN = abn;
    s.ApplyGST = m_chkGST->isChecked();
    s.Companyname = m_txtCompanyName->text();
    s.NextInvoiceNumber = *invoice;
    // Only a folder the user chose is stored: the one in use shown back
    // unchanged keeps the setting as it was (empty for the default folder).
    // A folder typed relative to the working folder is stored whole, so that
    // a copy started from anywhere else finds the same database.
    const QString current = modDatabase::LocalDatabaseFolder();
    // Blanks around the path are no part of it, and a path that names the
    // database file itself means the folder that holds it.
    QString typed = m_txtDBPath->text().trimmed();
    if (!typed.isEmpty())
        typed = QDir::cleanPath(QDir::current().absoluteFilePath(typed));
    if (const QFileInfo named(typed); named.fileName() == kDatabaseFile && !named.isDir())
        typed = named.absolutePath();
    if (!AppPaths::sameFolder(typed, current))
        s.DBPath = AppPaths::sameFolder(typed, AppPaths::defaultDatabaseDir()) ? QString() : typed;
    s.DataServer = m_txtDataServer->text();
    s.UserName = m_txtUser->text();
    s.RegNo = m_txtRegno->text();

    // Another database is taken only with its lock: while another copy of
    // the program works on it this copy goes on with the one it has.
    const QString currentDb = modDatabase::LocalDatabasePath();
    const QString newDb = AppPaths::join(modDatabase::DatabaseFolderFor(s.DBPath), kDatabaseFile);
    const bool switching = !AppPaths::sameFolder(modDatabase::DatabaseFolderFor(s.DBPath), current);
    // A window showing the database in use keeps it: its rows and what was
    // typed into it belong to that database.
    if (switching) {
        const QStringList open = databaseWindowsOpen(this);
        if (!open.isEmpty()) {
            Prompts::MsgBox(QStringLiteral("The Database Path cannot be changed while these windows show the "
                                           "database in use: ")
                                + open.join(QStringLiteral(", "))
                                + QStringLiteral(". \rClose them first, then change the Database Path again. "
                                                 "Nothing was changed."),
                            Prompts::vbCritical, QStringLiteral("Settings Error"));
            return;
        }
    }
    std::unique_ptr<DatabaseLock::FileLock> newLock;
    bool noLockThere = false;
    const bool relock = switching && !DatabaseLock::HeldByRun(newDb);
    if (relock) {
        newLock = std::make_unique<DatabaseLock::FileLock>(newDb);
        switch (newLock->take()) {
        case DatabaseLock::Outcome::OpenElsewhere:
            Prompts::MsgBox(DatabaseLock::SwitchRefusedMessage(newDb, currentDb), Prompts::vbCritical,
                            QStringLiteral("Settings Error"));
            return;
        case DatabaseLock::Outcome::Unusable:
            Prompts::MsgBox(DatabaseLock::UnusableMessage(newDb, newLock->reason(), false), Prompts::vbCritical,
                            QStringLiteral("Settings Error"));
            return;
        case DatabaseLock::Outcome::NotPossible:
            // Refused below, once the file has been looked at: a folder
            // that is not there is told as such.
            noLockThere = true;
            break;
        case DatabaseLock::Outcome::Held:
            break;
        }
    }

    // The new database is looked at as a start looks at it, under its lock:
    // a folder without it, or a file that is not a Velmora database, leaves
    // everything as it was.
    if (switching) {
        const modDatabase::CompactionFailure why = modDatabase::CheckDatabaseFile(newDb);
        if (why.kind != modDatabase::CompactionFailure::Kind::None) {
            refuseSwitch(unusableReason(why), currentDb, whatToDo(why));
            return;
        }
        // A database this copy cannot write is refused as a start refuses
        // it: every booking would fail. Through a link, that is the file it
        // points to and that file's folder, where the lock, SQLite's journal
        // and the compacted copy are made.
        const QString real = FileSync::realFile(newDb);
        const QString realFolder = QFileInfo(real).absolutePath();
        if (noLockThere || !QFileInfo(realFolder).isWritable()) {
            refuseSwitch(QStringLiteral("The folder ") + QDir::toNativeSeparators(realFolder)
                             + QStringLiteral(" cannot be written to, so Velmora cannot work on the database ")
                             + QDir::toNativeSeparators(real) + QStringLiteral(" there."),
                         currentDb,
                         QStringLiteral("Allow writing to that folder (or ask whoever looks after this computer "
                                        "to), or choose another folder."));
            return;
        }
        if (!QFileInfo(real).isWritable()) {
            refuseSwitch(QStringLiteral("The database file ") + QDir::toNativeSeparators(real)
                             + QStringLiteral(" cannot be written to, so Velmora cannot work on it."),
                         currentDb,
                         QStringLiteral("Allow writing to that file (or ask whoever looks after this computer to), "
                                        "or choose another folder."));
            return;
        }
    }

    // A failed save has told the user why; the window stays for another try.
    if (!s.SaveSettings(cAppSettings::Tell::Always))
        return;
    gAppSettings = s;
    modDatabase::gRemoteUser = m_txtUser->text();
    modDatabase::gRemotePass = m_txtRegno->text();
    // The old database's lock is let go only now that the new one is held.
    if (relock)
        DatabaseLock::AdoptForRun(std::move(newLock));
    accept();
    if (switching) {
        // Nothing of the old database is used again.
        modDatabase::gDbEngine.CloseDatabase(currentDb);
        DatabaseSwitch::notifier().announce();
    }
}
