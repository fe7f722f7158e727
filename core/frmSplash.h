#pragma once

#include <QPointer>
#include <QWidget>

#include <functional>

class QFrame;
class QLabel;
class QTimer;

/**
 * The start-up window. Its load plays the start sound, loads the settings,
 * gives the database folder its default and takes over an older
 * installation's database once; then, after a short pause or at any key,
 * it shows the main window. The main window's load reports each of its steps
 * on this window's status label and closes it at the end.
 *
 * The main window lives in a library above this one, so it is reached
 * through a factory that main() registers.
 */
class frmSplash : public QWidget
{
    Q_OBJECT

public:
    /** Creates, loads and shows the main window. The main window's load runs
     *  inside the call; when that load ends the program, the factory says so
     *  to the application itself. */
    using MainWindowFactory = std::function<void()>;
    /** Takes over an older installation's database (throws on failure). */
    using Migration = std::function<void()>;

    static constexpr int kVersionMajor = 2;
    static constexpr int kVersionMinor = 6;
    static constexpr int kVersionRevision = 18;
    /** The program's version as major, minor and revision joined by ".". */
    static QString versionText();

    /** The factory every splash window uses to show the main window. */
    static void SetMainWindowFactory(MainWindowFactory factory);

    /** The splash window that is open, if any. */
    static frmSplash* current();
    /** Closes the open splash window, if there is one (the main window's load
     *  does this as its last step). */
    static void CloseSplash();

    /** `migration` replaces the first-start migration (tests); empty means
     *  modGlobal::ImportOldInstallation. */
    explicit frmSplash(Migration migration = {}, QWidget* parent = nullptr);
    ~frmSplash() override;

    /** The window's load: sound, settings, database folder, first-start
     *  migration, timer and version. The window is shown afterwards. */
    void Form_Load();

    /** True when the load found the database open in another running copy
     *  of the program (and said so): the program must end at once. */
    bool startRefused() const { return m_startRefused; }

    /** True once the main window has been asked for. */
    bool mainWindowStarted() const { return m_mainStarted; }
    bool isTimerActive() const;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private slots:
    void TmrSplash_Timer();

private:
    void Form_KeyPress();
    void showMainWindow();

    QLabel* imgLogo = nullptr;
    QFrame* SplashFrame = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* lblVersion = nullptr;
    QLabel* lblPlatform = nullptr;
    QLabel* lblStatus = nullptr;
    QTimer* TmrSplash = nullptr;

    Migration m_migration;
    bool m_mainStarted = false;
    bool m_closing = false;
    bool m_startRefused = false;
};
