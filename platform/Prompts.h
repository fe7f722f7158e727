#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <deque>
#include <functional>

class QDialog;
class QWidget;

/**
 * Every question and message the program puts to the user goes through here:
 * message boxes, input boxes, file and colour dialogs and modal windows. In
 * the program they are Qt's dialogs; under a Prompts::Script (tests) the
 * answers come from a queue and every prompt is recorded, so nothing blocks
 * and the exact texts can be checked.
 */
namespace Prompts
{
/** Message box styles: a button set plus an icon, added together. */
enum Style : int
{
    vbOKOnly = 0,
    vbOKCancel = 1,
    vbAbortRetryIgnore = 2,
    vbYesNoCancel = 3,
    vbYesNo = 4,
    vbRetryCancel = 5,
    vbCritical = 16,
    vbQuestion = 32,
    vbExclamation = 48,
    vbInformation = 64,
    vbDefaultButton2 = 256,
};

/** The button a message box was answered with. */
enum Answer : int
{
    vbOK = 1,
    vbCancel = 2,
    vbAbort = 3,
    vbRetry = 4,
    vbIgnore = 5,
    vbYes = 6,
    vbNo = 7,
};

/** The program's own title, used by a message box that names none. */
inline const QString kAppTitle = QStringLiteral("Velmora V2");

enum class Kind
{
    MsgBox,
    InputBox,
    OpenFile,
    SaveFile,
    Color,
    Modal,
};

/** One prompt as it was put to the user. */
struct Record
{
    Kind kind;
    QString text;  // message or prompt text (file dialogs: the dialog title)
    QString title; // window title (file dialogs: the filter)
    int style = 0; // message box style; 0 for the other kinds
    bool expected = true;
    QString folder; // file dialogs: where the dialog opens; empty for the other kinds
};

/** Shows a message box; returns the button pressed. A message taller than
 *  its screen shows its text scrolling in a box that fits the screen, the
 *  buttons always in view. */
int MsgBox(const QString& text, int style = vbOKOnly, const QString& title = QString());

/** MsgBox for a failure that the program may find at several places in one
 *  run (a settings store that cannot be written, a database that cannot be
 *  made): the same text is shown once per run, and later calls return
 *  vbOK without showing anything. A new test Script starts a new run. */
int MsgBoxOncePerRun(const QString& text, int style = vbOKOnly, const QString& title = QString());

/** Asks for a line of text. Returns the text; `ok` (when given) tells whether
 *  the user confirmed, a cancelled box gives an empty text. */
QString InputBox(const QString& prompt, const QString& title = QString(),
                 const QString& defaultText = QString(), bool* ok = nullptr);

/** Where a file dialog given `dir` (a folder, or a file in one) opens: `dir`
 *  itself when it is an absolute path to an existing folder or into one,
 *  otherwise (nothing stored yet, a folder since removed) the user's home
 *  folder, never the process's working directory. */
QString StartFolder(const QString& dir);

/** Open-file dialog; `filter` is a Qt name-filter list (";;" separated).
 *  It opens in StartFolder(`dir`), in the detail view, wide enough for the
 *  name, size, type and date columns to read whole.
 *  With `multiSelect` several files may be picked. Empty when cancelled. */
QStringList GetOpenFileNames(const QString& title, const QString& filter, const QString& dir,
                             bool multiSelect = false);

/** Save-file dialog, opening in StartFolder(`dir`) as the open-file dialog
 *  does, with `proposedName` as the file name; empty when cancelled. */
QString GetSaveFileName(const QString& title, const QString& filter, const QString& dir,
                        const QString& proposedName = QString());

/** Colour dialog on Windows colour numbers (0x00BBGGRR), titled `title`
 *  (Qt's own title when empty). Returns false when cancelled; otherwise
 *  `color` holds the chosen colour. */
bool ChooseColor(int& color, const QString& title = QString());

/** Shows `dialog` modally and returns its result code. */
int ShowModal(QDialog* dialog);

/** Turns a message text's carriage returns into line breaks for display. */
QString displayText(const QString& text);

/**
 * The scripted responder for tests. While one exists, prompts are answered
 * from its queue in order and recorded; a prompt with no queued answer of its
 * kind is recorded as unexpected and answered as if cancelled.
 */
class Script
{
public:
    Script();
    ~Script();
    Script(const Script&) = delete;
    Script& operator=(const Script&) = delete;

    static Script* active();

    Script& answerMsgBox(int answer);
    Script& answerInput(const QString& text, bool ok = true);
    Script& answerOpenFiles(const QStringList& files);
    Script& answerSaveFile(const QString& file);
    Script& answerColor(int color, bool ok = true);
    /** The handler runs inside the modal loop; it must close the dialog. */
    Script& answerModal(std::function<void(QDialog*)> handler);

    const QList<Record>& records() const { return m_records; }
    QList<Record> messages() const;
    /** Prompts that found no queued answer of their kind. */
    QList<Record> unexpected() const;
    /** Answers queued but never used. */
    int pending() const { return static_cast<int>(m_queue.size()); }
    void clear();

    // Used by the prompt functions.
    struct Response
    {
        Kind kind;
        QVariant value;
        bool ok = true;
        std::function<void(QDialog*)> handler;
    };
    bool take(Kind kind, Response& out);
    void record(const Record& r) { m_records << r; }

private:
    std::deque<Response> m_queue;
    QList<Record> m_records;
    Script* m_previous = nullptr;
};
} // namespace Prompts
