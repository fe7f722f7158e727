#include "platform/Prompts.h"

#include "platform/WindowFit.h"

#include <QApplication>
#include <QColorDialog>
#include <QDateTime>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QLayout>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSet>
#include <QStyle>
#include <QTimer>
#include <QTreeView>

#include <algorithm>

namespace Prompts
{
namespace
{
Script* g_active = nullptr;

// The texts MsgBoxOncePerRun has shown in this run.
QSet<QString>& toldThisRun()
{
    static QSet<QString> told;
    return told;
}

QString titleOr(const QString& title)
{
    return title.isEmpty() ? kAppTitle : title;
}

int cancelAnswer(int style)
{
    switch (style & 7) {
    case vbOKOnly:
        return vbOK;
    case vbYesNo:
        return vbNo;
    case vbAbortRetryIgnore:
        return vbAbort;
    default:
        return vbCancel;
    }
}

QColor fromWin(int c)
{
    return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
}

int toWin(const QColor& c)
{
    return c.red() | (c.green() << 8) | (c.blue() << 16);
}
// Widths, in average letters, that a file list's columns are opened with:
// a longish file name, a size in KiB, a type such as "DGA File", and a date
// with its time (measured on a real date below).
constexpr int kNameLetters = 40;
constexpr int kSizeLetters = 10;
constexpr int kTypeLetters = 14;
constexpr int kColumnPadding = 16; // pixels beside the text of a column

// Opens a file dialog in its detail view with its columns wide enough to read
// a name, a size, a type and a date whole (and wider still when the folder's
// own entries need it, once they are listed), as far as the screen allows.
// A dialog of the desktop's own kind sizes itself.
void fitFileColumns(QFileDialog& dialog)
{
    dialog.setViewMode(QFileDialog::Detail);
    auto* tree = dialog.findChild<QTreeView*>(QStringLiteral("treeView"));
    if (!tree)
        return;
    QHeaderView* header = tree->header();
    if (header->count() < 4)
        return;
    const QFontMetrics fm(tree->font());
    const int letter = fm.averageCharWidth();
    const QString date = QLocale().toString(QDateTime(QDate(2026, 12, 31), QTime(23, 59)), QLocale::ShortFormat);
    const int wanted[4] = {kNameLetters * letter, kSizeLetters * letter, kTypeLetters * letter,
                           fm.horizontalAdvance(date) + letter};
    const auto widen = [&dialog, tree, header] {
        int columns = 0;
        for (int c = 0; c < 4; ++c)
            columns += header->sectionSize(c);
        const int shortBy = columns + tree->verticalScrollBar()->sizeHint().width() + 2 * tree->frameWidth()
                            - tree->width();
        if (shortBy > 0)
            dialog.resize(dialog.width() + shortBy, dialog.height());
    };
    header->setStretchLastSection(false);
    for (int c = 0; c < 4; ++c)
        header->resizeSection(c, std::max(wanted[c] + kColumnPadding, header->sectionSizeHint(c)));
    dialog.resize(dialog.sizeHint().expandedTo(QSize(0, 28 * fm.height())));
    // The list's own width is known once the dialog is laid out: widened
    // before it opens as far as the layout tells, and again once it shows.
    if (QLayout* layout = dialog.layout())
        layout->activate();
    widen();
    QTimer::singleShot(0, &dialog, [&dialog, widen] {
        widen();
        WindowFit::FitToScreen(&dialog);
    });
    // A folder whose names, sizes or types are longer than those widths
    // widens its columns (never narrows them) once it is listed.
    if (auto* model = qobject_cast<QFileSystemModel*>(tree->model())) {
        QObject::connect(model, &QFileSystemModel::directoryLoaded, &dialog, [&dialog, tree, header, widen] {
            for (int c = 0; c < 4; ++c) {
                const int need = std::max(static_cast<const QAbstractItemView*>(tree)->sizeHintForColumn(c), header->sectionSizeHint(c));
                if (need > header->sectionSize(c))
                    header->resizeSection(c, need);
            }
            widen();
            WindowFit::FitToScreen(&dialog);
        });
    }
}

/** A message box's button and the answer it gives. */
struct MsgButton
{
    QMessageBox::StandardButton button;
    int answer;
};

// The screen a message box opens on: its parent's, or the main one.
const QScreen* messageScreen(const QWidget& box)
{
    const QWidget* parent = box.parentWidget();
    const QScreen* screen = parent ? parent->window()->screen() : box.screen();
    return screen ? screen : QGuiApplication::primaryScreen();
}

// The width, in average letters, a message's text is measured at: narrower
// than a message box wraps it, so the measure errs on the tall side.
constexpr int kMeasureLetters = 50;

// Whether `box` showing `shown` would be taller than its screen's free area.
bool tallerThanScreen(const QMessageBox& box, const QString& shown)
{
    const QScreen* screen = messageScreen(box);
    if (!screen)
        return false;
    const QFontMetrics fm(box.font());
    const QRect text =
        fm.boundingRect(QRect(0, 0, kMeasureLetters * fm.averageCharWidth(), 0), Qt::TextWordWrap, shown);
    // Beside its text the box holds a row of buttons, margins and a frame.
    const QPushButton button(QStringLiteral("OK"));
    const int beside =
        button.sizeHint().height() + 4 * fm.lineSpacing() + WindowFit::FrameAllowance(&box).height();
    return text.height() + beside > screen->availableGeometry().height();
}

// Shows the message `box` was set up with (title, icon, buttons, default
// button) in a window as tall as its screen's free area, the text scrolling
// above buttons that always stay in view. Returns the answer, as MsgBox does.
int scrollingMessage(const QMessageBox& box, const QString& shown, const QList<MsgButton>& buttons, int def,
                     int style)
{
    QDialog dialog(box.parentWidget());
    dialog.setObjectName(QStringLiteral("scrollingMessage"));
    dialog.setWindowTitle(box.windowTitle());
    auto* layout = new QGridLayout(&dialog);
    if (box.icon() != QMessageBox::NoIcon) {
        auto* icon = new QLabel(&dialog);
        icon->setPixmap(box.iconPixmap());
        layout->addWidget(icon, 0, 0, Qt::AlignTop);
    }
    auto* label = new QLabel(shown);
    label->setObjectName(QStringLiteral("messageText"));
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setTextInteractionFlags(static_cast<Qt::TextInteractionFlags>(
        dialog.style()->styleHint(QStyle::SH_MessageBox_TextInteractionFlags, nullptr, &dialog)));
    auto* area = new QScrollArea(&dialog);
    area->setObjectName(QStringLiteral("messageScroll"));
    area->setFrameShape(QFrame::NoFrame);
    area->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    area->setWidgetResizable(true);
    area->setWidget(label);
    // As wide as its longest line, up to two thirds of the screen (longer
    // lines wrap).
    const QRect available = messageScreen(box)->availableGeometry();
    const QFontMetrics fm(label->font());
    const int longest = fm.boundingRect(QRect(0, 0, available.width(), available.height()), 0, shown).width();
    const int textWidth = std::min(longest + 2 * fm.averageCharWidth(), available.width() * 2 / 3);
    area->setMinimumWidth(textWidth + area->verticalScrollBar()->sizeHint().width());
    layout->addWidget(area, 0, 1);

    auto* row = new QDialogButtonBox(&dialog);
    row->setCenterButtons(dialog.style()->styleHint(QStyle::SH_MessageBox_CenterButtons, nullptr, &dialog));
    QPushButton* defaultButton = nullptr;
    for (int i = 0; i < buttons.size(); ++i) {
        QPushButton* b = row->addButton(static_cast<QDialogButtonBox::StandardButton>(buttons[i].button));
        const int answer = buttons[i].answer;
        QObject::connect(b, &QPushButton::clicked, &dialog, [&dialog, answer] { dialog.done(answer); });
        if (i == def)
            defaultButton = b;
    }
    layout->addWidget(row, 1, 0, 1, 2);
    if (defaultButton) {
        defaultButton->setDefault(true);
        defaultButton->setFocus();
    }
    dialog.resize(dialog.sizeHint().width(), available.height() - WindowFit::FrameAllowance(&dialog).height());
    WindowFit::FitToScreen(&dialog);
    // Escape or the window's close button answers as a cancelled box does.
    const int result = dialog.exec();
    return result == QDialog::Rejected ? cancelAnswer(style) : result;
}

QStringList runFileDialog(QFileDialog& dialog)
{
    dialog.setObjectName(QStringLiteral("fileDialog"));
    fitFileColumns(dialog);
    if (ShowModal(&dialog) != QDialog::Accepted)
        return {};
    return dialog.selectedFiles();
}
} // namespace

QString displayText(const QString& text)
{
    QString t = text;
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    t.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return t;
}

int MsgBox(const QString& text, int style, const QString& title)
{
    const QString realTitle = titleOr(title);
    if (Script* s = Script::active()) {
        Script::Response r;
        const bool have = s->take(Kind::MsgBox, r);
        s->record({Kind::MsgBox, text, realTitle, style, have, QString()});
        if (!have)
            return cancelAnswer(style);
        return r.value.toInt();
    }

    const QString shown = displayText(text);
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    switch (style & 0x70) {
    case vbCritical:
        icon = QMessageBox::Critical;
        break;
    case vbQuestion:
        icon = QMessageBox::Question;
        break;
    case vbExclamation:
        icon = QMessageBox::Warning;
        break;
    case vbInformation:
        icon = QMessageBox::Information;
        break;
    default:
        break;
    }
    QList<MsgButton> buttons;
    switch (style & 7) {
    case vbOKCancel:
        buttons = {{QMessageBox::Ok, vbOK}, {QMessageBox::Cancel, vbCancel}};
        break;
    case vbAbortRetryIgnore:
        buttons = {{QMessageBox::Abort, vbAbort}, {QMessageBox::Retry, vbRetry}, {QMessageBox::Ignore, vbIgnore}};
        break;
    case vbYesNoCancel:
        buttons = {{QMessageBox::Yes, vbYes}, {QMessageBox::No, vbNo}, {QMessageBox::Cancel, vbCancel}};
        break;
    case vbYesNo:
        buttons = {{QMessageBox::Yes, vbYes}, {QMessageBox::No, vbNo}};
        break;
    case vbRetryCancel:
        buttons = {{QMessageBox::Retry, vbRetry}, {QMessageBox::Cancel, vbCancel}};
        break;
    default:
        buttons = {{QMessageBox::Ok, vbOK}};
        break;
    }
    const int def = (style & vbDefaultButton2) && buttons.size() > 1 ? 1 : 0;

    QMessageBox box(QApplication::activeWindow());
    box.setWindowTitle(realTitle);
    box.setText(shown);
    box.setIcon(icon);
    QMessageBox::StandardButtons set;
    for (const MsgButton& b : buttons)
        set |= b.button;
    box.setStandardButtons(set);
    box.setDefaultButton(buttons[def].button);
    // A message too long for the screen (a line per booking or per meeting)
    // would push the buttons off it: its text scrolls instead.
    if (tallerThanScreen(box, shown))
        return scrollingMessage(box, shown, buttons, def, style);
    const auto pressed = static_cast<QMessageBox::StandardButton>(box.exec());
    for (const MsgButton& b : buttons) {
        if (b.button == pressed)
            return b.answer;
    }
    return cancelAnswer(style);
}

QString InputBox(const QString& prompt, const QString& title, const QString& defaultText, bool* ok)
{
    const QString realTitle = titleOr(title);
    if (Script* s = Script::active()) {
        Script::Response r;
        const bool have = s->take(Kind::InputBox, r);
        s->record({Kind::InputBox, prompt, realTitle, 0, have, QString()});
        const bool confirmed = have && r.ok;
        if (ok)
            *ok = confirmed;
        return confirmed ? r.value.toString() : QString();
    }
    bool accepted = false;
    QString text = QInputDialog::getText(QApplication::activeWindow(), realTitle, displayText(prompt),
                                         QLineEdit::Normal, defaultText, &accepted);
    if (ok)
        *ok = accepted;
    return accepted ? text : QString();
}

QString StartFolder(const QString& dir)
{
    if (!dir.trimmed().isEmpty()) {
        const QFileInfo info(dir);
        if (info.isAbsolute() && (info.isDir() || info.absoluteDir().exists()))
            return dir;
    }
    return QDir::homePath();
}

QStringList GetOpenFileNames(const QString& title, const QString& filter, const QString& dir, bool multiSelect)
{
    const QString start = StartFolder(dir);
    if (Script* s = Script::active()) {
        Script::Response r;
        const bool have = s->take(Kind::OpenFile, r);
        s->record({Kind::OpenFile, title, filter, 0, have, start});
        return have ? r.value.toStringList() : QStringList();
    }
    QFileDialog dialog(QApplication::activeWindow(), title, start, filter);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(multiSelect ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile);
    return runFileDialog(dialog);
}

QString GetSaveFileName(const QString& title, const QString& filter, const QString& dir, const QString& proposedName)
{
    const QString folder = StartFolder(dir);
    if (Script* s = Script::active()) {
        Script::Response r;
        const bool have = s->take(Kind::SaveFile, r);
        s->record({Kind::SaveFile, title, filter, 0, have, folder});
        return have ? r.value.toString() : QString();
    }
    const QString start = proposedName.isEmpty() ? folder : QDir(folder).filePath(proposedName);
    QFileDialog dialog(QApplication::activeWindow(), title, start, filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    const QStringList chosen = runFileDialog(dialog);
    return chosen.isEmpty() ? QString() : chosen.first();
}

bool ChooseColor(int& color, const QString& title)
{
    if (Script* s = Script::active()) {
        Script::Response r;
        const bool have = s->take(Kind::Color, r);
        s->record({Kind::Color, QString(), title, 0, have, QString()});
        if (!have || !r.ok)
            return false;
        color = r.value.toInt();
        return true;
    }
    const QColor chosen = title.isEmpty() ? QColorDialog::getColor(fromWin(color), QApplication::activeWindow())
                                          : QColorDialog::getColor(fromWin(color), QApplication::activeWindow(), title);
    if (!chosen.isValid())
        return false;
    color = toWin(chosen);
    return true;
}

int ShowModal(QDialog* dialog)
{
    // Whatever size the window was given or restored, it opens on the screen.
    WindowFit::FitToScreen(dialog);
    if (Script* s = Script::active()) {
        Script::Response r;
        const bool have = s->take(Kind::Modal, r);
        s->record({Kind::Modal, dialog->objectName(), dialog->windowTitle(), 0, have, QString()});
        if (!have || !r.handler)
            return QDialog::Rejected;
        auto handler = r.handler;
        QTimer::singleShot(0, dialog, [dialog, handler] { handler(dialog); });
        return dialog->exec();
    }
    return dialog->exec();
}

Script::Script()
    : m_previous(g_active)
{
    g_active = this;
    toldThisRun().clear();
}

Script::~Script()
{
    g_active = m_previous;
}

Script* Script::active()
{
    return g_active;
}

Script& Script::answerMsgBox(int answer)
{
    m_queue.push_back({Kind::MsgBox, answer, true, {}});
    return *this;
}

Script& Script::answerInput(const QString& text, bool ok)
{
    m_queue.push_back({Kind::InputBox, text, ok, {}});
    return *this;
}

Script& Script::answerOpenFiles(const QStringList& files)
{
    m_queue.push_back({Kind::OpenFile, files, true, {}});
    return *this;
}

Script& Script::answerSaveFile(const QString& file)
{
    m_queue.push_back({Kind::SaveFile, file, true, {}});
    return *this;
}

Script& Script::answerColor(int color, bool ok)
{
    m_queue.push_back({Kind::Color, color, ok, {}});
    return *this;
}

Script& Script::answerModal(std::function<void(QDialog*)> handler)
{
    m_queue.push_back({Kind::Modal, QVariant(), true, std::move(handler)});
    return *this;
}

bool Script::take(Kind kind, Response& out)
{
    if (m_queue.empty() || m_queue.front().kind != kind)
        return false;
    out = m_queue.front();
    m_queue.pop_front();
    return true;
}

QList<Record> Script::messages() const
{
    QList<Record> out;
    for (const Record& r : m_records) {
        if (r.kind == Kind::MsgBox)
            out << r;
    }
    return out;
}

QList<Record> Script::unexpected() const
{
    QList<Record> out;
    for (const Record& r : m_records) {
        if (!r.expected)
            out << r;
    }
    return out;
}

void Script::clear()
{
    m_queue.clear();
    m_records.clear();
}

int MsgBoxOncePerRun(const QString& text, int style, const QString& title)
{
    if (toldThisRun().contains(text))
        return vbOK;
    toldThisRun().insert(text);
    return MsgBox(text, style, title);
}

} // namespace Prompts
