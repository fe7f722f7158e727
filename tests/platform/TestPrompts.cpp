// The prompts layer in its scripted form: answers in order, every prompt
// recorded, unexpected prompts caught; and the file dialog as it opens,
// at home for a folder that is not absolute; a message taller than the
// screen scrolls its text above its buttons.
#include "platform/Prompts.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeView>

#include <gtest/gtest.h>

using namespace Prompts;

namespace
{
// The file dialogs keep their state in Qt's own settings file, whose folder
// Qt fixes at its first use in the program: a folder per test would be made
// again by a later dialog after the test removed it. One throw-away folder
// serves every test here and goes when the program ends.
void useThrowAwayConfiguration()
{
    static QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
}
} // namespace

TEST(Prompts, ScriptedAnswersAreUsedInOrderAndRecorded)
{
    Script script;
    script.answerMsgBox(vbYes).answerInput(QStringLiteral("typed")).answerOpenFiles({QStringLiteral("/a.DGN"),
                                                                                    QStringLiteral("/b.DGA")});
    EXPECT_EQ(MsgBox(QStringLiteral("Replace?"), vbYesNo + vbQuestion, QStringLiteral("Booking")), vbYes);
    bool ok = false;
    EXPECT_EQ(InputBox(QStringLiteral("Name"), QString(), QString(), &ok), QStringLiteral("typed"));
    EXPECT_TRUE(ok);
    EXPECT_EQ(GetOpenFileNames(QStringLiteral("Open"), QStringLiteral("Fields (*.DGN)"), QString(), true).size(), 2);

    ASSERT_EQ(script.records().size(), 3);
    EXPECT_EQ(script.records()[0].text, QStringLiteral("Replace?"));
    EXPECT_EQ(script.records()[0].title, QStringLiteral("Booking"));
    EXPECT_EQ(script.records()[0].style, vbYesNo + vbQuestion);
    EXPECT_TRUE(script.unexpected().isEmpty());
    EXPECT_EQ(script.pending(), 0);
}

TEST(Prompts, UnansweredPromptsAreCancelledAndFlagged)
{
    Script script;
    // A message box with no title gets the program's title.
    EXPECT_EQ(MsgBox(QStringLiteral("Done")), vbOK);
    EXPECT_EQ(script.records()[0].title, QStringLiteral("Velmora V2"));
    EXPECT_EQ(MsgBox(QStringLiteral("Sure?"), vbYesNo), vbNo);
    EXPECT_EQ(MsgBox(QStringLiteral("Sure?"), vbYesNoCancel), vbCancel);
    bool ok = true;
    EXPECT_EQ(InputBox(QStringLiteral("x"), QString(), QStringLiteral("dflt"), &ok), QString());
    EXPECT_FALSE(ok);
    int colour = 5;
    EXPECT_FALSE(ChooseColor(colour));
    EXPECT_EQ(colour, 5);
    EXPECT_EQ(script.unexpected().size(), 5);

    // An answer of the wrong kind is not consumed by another kind of prompt.
    script.clear();
    script.answerSaveFile(QStringLiteral("/tmp/x"));
    EXPECT_EQ(MsgBox(QStringLiteral("?"), vbOKCancel), vbCancel);
    EXPECT_EQ(script.pending(), 1);
    EXPECT_EQ(GetSaveFileName(QStringLiteral("Save"), QString(), QString()), QStringLiteral("/tmp/x"));
}

TEST(Prompts, ModalWindowsRunTheirHandlerInsideTheModalLoop)
{
    Script script;
    QDialog dialog;
    dialog.setObjectName(QStringLiteral("frmTest"));
    auto* button = new QPushButton(&dialog);
    QObject::connect(button, &QPushButton::clicked, &dialog, &QDialog::accept);
    bool wasVisible = false;
    script.answerModal([&](QDialog* d) {
        wasVisible = d->isVisible();
        button->click();
    });
    EXPECT_EQ(ShowModal(&dialog), QDialog::Accepted);
    EXPECT_TRUE(wasVisible);
    EXPECT_EQ(script.records().last().text, QStringLiteral("frmTest"));
    // Without a queued handler nothing blocks: the window is not shown at all.
    EXPECT_EQ(ShowModal(&dialog), QDialog::Rejected);
    EXPECT_EQ(script.unexpected().size(), 1);
}

TEST(Prompts, CarriageReturnsBecomeLineBreaksOnlyForDisplay)
{
    EXPECT_EQ(displayText(QStringLiteral("a\rb\r\rc\r\nd")), QStringLiteral("a\nb\n\nc\nd"));
}

TEST(Prompts, FileDialogsOpenInTheHomeFolderWithTheirColumnsReadable)
{
    // The dialog's own state goes to a throw-away configuration.
    useThrowAwayConfiguration();
    QTemporaryDir folder;
    const QString longName = QStringLiteral("Flemington acceptances for the Saturday meeting.DGA");
    QFile file(QDir(folder.path()).filePath(longName));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(5000, 'x'));
    file.close();

    struct Seen
    {
        QString directory;
        bool detail = false;
        QList<int> shortBy; // per column: how much narrower than its text (<= 0: reads whole)
        int hiddenBy = 0;   // how much of the columns the list's width hides
    };
    const auto look = [](Seen& seen) {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        seen.directory = dialog->directory().absolutePath();
        seen.detail = dialog->viewMode() == QFileDialog::Detail;
        auto* tree = dialog->findChild<QTreeView*>(QStringLiteral("treeView"));
        ASSERT_NE(tree, nullptr);
        QHeaderView* header = tree->header();
        int columns = 0;
        for (int c = 0; c < 4; ++c) {
            seen.shortBy << std::max(static_cast<const QAbstractItemView*>(tree)->sizeHintForColumn(c), header->sectionSizeHint(c)) - header->sectionSize(c);
            columns += header->sectionSize(c);
        }
        seen.hiddenBy = columns - tree->viewport()->width();
        const QString pictures = QStringLiteral(VELMORA_BIN_DIR "/../test-output");
        QDir().mkpath(pictures);
        dialog->grab().save(QDir(pictures).filePath(QStringLiteral("file-dialog.png")));
        dialog->reject();
    };

    Seen first;
    QTimer::singleShot(300, [&] { look(first); });
    EXPECT_TRUE(GetOpenFileNames(QStringLiteral("Open"), QStringLiteral("All (*)"), QString()).isEmpty());
    EXPECT_EQ(first.directory, QDir::homePath());
    EXPECT_TRUE(first.detail);

    Seen listed;
    QTimer::singleShot(0, [&] {
        // Once the folder is listed.
        QTest::qWait(500);
        look(listed);
    });
    EXPECT_TRUE(GetSaveFileName(QStringLiteral("Save"), QString(), folder.path(), QStringLiteral("x.mdb")).isEmpty());
    EXPECT_EQ(listed.directory, QDir(folder.path()).absolutePath());
    ASSERT_EQ(listed.shortBy.size(), 4);
    for (int c = 0; c < 4; ++c)
        EXPECT_LE(listed.shortBy[c], 0) << c;
    EXPECT_LE(listed.hiddenBy, 0);
    qunsetenv("XDG_CONFIG_HOME");
}

TEST(Prompts, RelativeStoredFoldersOpenTheFileDialogsInTheHomeFolder)
{
    // A working directory that holds the relative folders, so a dialog that
    // took them as they are would open there and not at home.
    QTemporaryDir work;
    ASSERT_TRUE(QDir(work.path()).mkpath(QStringLiteral("backups")));
    ASSERT_NE(QDir(work.path()).canonicalPath(), QDir(QDir::homePath()).canonicalPath());
    const QString before = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(work.path()));

    {
        Script script;
        for (const QString& stored : {QStringLiteral("backups"), QStringLiteral("."),
                                      QStringLiteral("backups/Tarrow.mdb")}) {
            script.clear();
            script.answerOpenFiles({}).answerSaveFile(QString());
            GetOpenFileNames(QStringLiteral("Open"), QStringLiteral("All (*)"), stored);
            GetSaveFileName(QStringLiteral("Save"), QStringLiteral("All (*)"), stored, QStringLiteral("x.mdb"));
            ASSERT_EQ(script.records().size(), 2);
            for (const Record& r : script.records())
                EXPECT_EQ(r.folder.toStdString(), QDir::homePath().toStdString()) << stored.toStdString() << ", " << r.text.toStdString();
        }
    }

    // The real dialog opens there too.
    useThrowAwayConfiguration();
    QString opened;
    QTimer::singleShot(300, [&] {
        if (auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
            opened = dialog->directory().absolutePath();
            dialog->reject();
        }
    });
    EXPECT_TRUE(GetOpenFileNames(QStringLiteral("Open"), QStringLiteral("All (*)"), QStringLiteral("backups")).isEmpty());
    EXPECT_EQ(opened.toStdString(), QDir::homePath().toStdString());
    qunsetenv("XDG_CONFIG_HOME");
    QDir::setCurrent(before);
}

TEST(Prompts, AMessageTallerThanTheScreenScrollsItsTextAboveItsButtons)
{
    QString text = QStringLiteral("The field loaded for meeting 0712FLEM has no runner for these booked horses:\r");
    for (int i = 1; i <= 120; ++i)
        text += QStringLiteral("\rHorse : Runner %1   Jockey : John Smith   Booking : Planned").arg(i);
    text += QStringLiteral("\r\rThe bookings are kept.");
    const int style = vbOKOnly + vbExclamation;
    const QString title = QStringLiteral("Booked horses not in the field");

    // Recorded as it was given, whatever its length.
    {
        Script script;
        script.answerMsgBox(vbOK);
        EXPECT_EQ(MsgBox(text, style, title), vbOK);
        ASSERT_EQ(script.records().size(), 1);
        EXPECT_EQ(script.records()[0].text, text);
        EXPECT_EQ(script.records()[0].title, title);
        EXPECT_EQ(script.records()[0].style, style);
    }

    struct Seen
    {
        bool found = false;
        bool fits = false;
        QStringList buttonsInView;
        QString scrolledText;
        bool scrolls = false;
    };
    const auto look = [](Seen& seen, int key) {
        QWidget* box = QApplication::activeModalWidget();
        ASSERT_NE(box, nullptr);
        seen.found = true;
        const QRect available = box->screen()->availableGeometry();
        seen.fits = available.contains(box->frameGeometry());
        for (QAbstractButton* b : box->findChildren<QAbstractButton*>()) {
            const QRect inBox(b->mapTo(box, QPoint(0, 0)), b->size());
            const QRect onScreen(b->mapToGlobal(QPoint(0, 0)), b->size());
            if (b->isVisible() && box->rect().contains(inBox) && available.contains(onScreen))
                seen.buttonsInView << b->text().remove(QLatin1Char('&'));
        }
        for (QScrollArea* area : box->findChildren<QScrollArea*>()) {
            if (auto* label = qobject_cast<QLabel*>(area->widget())) {
                seen.scrolledText = label->text();
                seen.scrolls = area->verticalScrollBar()->maximum() > 0;
            }
        }
        const QString pictures = QStringLiteral(VELMORA_BIN_DIR "/../test-output");
        QDir().mkpath(pictures);
        box->grab().save(QDir(pictures).filePath(key == Qt::Key_Return ? QStringLiteral("tall-message.png")
                                                                       : QStringLiteral("tall-question.png")));
        QTest::keyClick(box, static_cast<Qt::Key>(key));
    };

    // A booking manager sees the start of the list, scrolls through the
    // rest, and has OK in view; Enter takes it.
    Seen message;
    QTimer::singleShot(200, [&] { look(message, Qt::Key_Return); });
    EXPECT_EQ(MsgBox(text, style, title), vbOK);
    ASSERT_TRUE(message.found);
    EXPECT_TRUE(message.fits);
    EXPECT_EQ(message.buttonsInView, QStringList{QStringLiteral("OK")});
    EXPECT_EQ(message.scrolledText.toStdString(), displayText(text).toStdString());
    EXPECT_TRUE(message.scrolls);

    // A question keeps its buttons and its answers: Escape answers No.
    Seen question;
    QTimer::singleShot(200, [&] { look(question, Qt::Key_Escape); });
    EXPECT_EQ(MsgBox(text, vbYesNo + vbQuestion, title), vbNo);
    ASSERT_TRUE(question.found);
    EXPECT_TRUE(question.fits);
    EXPECT_EQ(question.buttonsInView.size(), 2);
    EXPECT_TRUE(question.buttonsInView.contains(QStringLiteral("Yes")));
    EXPECT_TRUE(question.buttonsInView.contains(QStringLiteral("No")));
}

TEST(Prompts, EnterOnATallQuestionWhoseDefaultIsItsSecondButtonAnswersNo)
{
    QString text = QStringLiteral("Delete these riding fees?\r");
    for (int i = 1; i <= 120; ++i)
        text += QStringLiteral("\rRate %1   Meeting : Provincial   Fee : $180.00").arg(i);

    // Enter takes the default button; Escape would answer Cancel, so only No
    // tells the default was kept.
    bool closedByEnter = false;
    QString defaultShown;
    QTimer::singleShot(200, [&] {
        QWidget* box = QApplication::activeModalWidget();
        if (!box)
            return;
        EXPECT_EQ(box->objectName().toStdString(), "scrollingMessage");
        for (QPushButton* b : box->findChildren<QPushButton*>())
            if (b->isDefault())
                defaultShown = b->text().remove(QLatin1Char('&'));
        QTest::keyClick(box, Qt::Key_Return);
        closedByEnter = !box->isVisible();
        if (!closedByEnter)
            box->close();
    });
    EXPECT_EQ(MsgBox(text, vbYesNoCancel + vbQuestion + vbDefaultButton2, QStringLiteral("Riding Fees")), vbNo);
    EXPECT_TRUE(closedByEnter);
    EXPECT_EQ(defaultShown.toStdString(), "No");
}
