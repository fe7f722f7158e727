// The prompts layer in its scripted form: answers in order, every prompt
// recorded, unexpected prompts caught.
#include "platform/Prompts.h"

#include <QDialog>
#include <QPushButton>

#include <gtest/gtest.h>

using namespace Prompts;

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
