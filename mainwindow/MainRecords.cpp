// The main window's ways into the record windows: jockeys, the trainer
// editor, booking rates and booking templates. The windows themselves are
// reached through the core opener table.
#include "mainwindow/Main.h"

#include "core/modDatabase.h"
#include "core/modJockeyLists.h"
#include "core/modJockeyStats.h"
#include "core/modOpeners.h"
#include "platform/ComboEx.h"
#include "platform/Grid.h"
#include "platform/ImageList.h"
#include "platform/Prompts.h"
#include "platform/VbError.h"

#include <QLineEdit>

namespace
{
constexpr qint64 kRed = 255;

void reportFailure(const QString& action, const VbError& e)
{
    Prompts::MsgBox(action + QStringLiteral(" failed: ") + e.description(), Prompts::vbCritical);
}
} // namespace

void Main::mnuEditJockey_Click()
{
    QString all;
    modOpeners::OpenJockeyRecords(all);
    // Colours, names and icons reflect the edits at once.
    try
    {
        modJockey::LoadJockeyCombo(grdJockey, this);
        modJockey::GetJockeyInList();
    }
    catch (const VbError& e)
    {
        reportFailure(QStringLiteral("Loading the jockeys"), e);
    }
}

void Main::mnuEditTrainer_Click()
{
    const int row = grdNames->selectedRow();
    const QString name = grdNames->cellText(row, 1);
    if (row < 1 || name.isEmpty())
    {
        Prompts::MsgBox(QStringLiteral("Select a trainer in the trainer list first."), Prompts::vbExclamation);
        return;
    }
    // The contact boxes are handed over (and written back) only when they show
    // this trainer; otherwise another trainer's phone could be stored for it.
    const bool boxesShowTrainer = SelectedTrainer == modDatabase::SqlQuote(name);
    TrainerEditRequest request;
    request.trainerName = name;
    if (boxesShowTrainer)
    {
        request.location = txtTrainLocation->text();
        request.phone = TxtTrainPhone->text();
        request.mobile = txtTrainMobile->text();
    }
    const TrainerEditResult result = modOpeners::OpenEditTrainer(request);
    if (!result.saved)
        return;

    const qint64 fore = result.ignoreTrainer ? kRed : -1;
    for (int col = 1; col <= 3; ++col)
        grdNames->setCellForeColor(row, col, fore);
    grdNames->setCellText(row, 6, result.ignoreTrainer ? QStringLiteral("True") : QStringLiteral("False"));
    if (result.hasComments)
        grdNames->setCellIcon(row, 5, ImageList::IconComments);
    else if (!result.added)
        grdNames->setCellIcon(row, 5, -1);

    if (boxesShowTrainer)
    {
        txtTrainMobile->setText(result.mobile);
        txtTrainLocation->setText(result.location);
        TxtTrainPhone->setText(result.phone);
        // What the boxes show is stored now: leaving them writes nothing more.
        m_shownLocation = result.location;
        m_shownPhone = result.phone;
        m_shownMobile = result.mobile;
    }
}

void Main::mnuBookRate_Click()
{
    modOpeners::OpenBookRates();
}

void Main::MnuBookTemp_Click()
{
    modOpeners::OpenBookingTemplates();
    // New or edited templates are offered in the status list at once.
    try
    {
        modJockey::LoadBookingTextCombo(cmbBookText);
    }
    catch (const VbError& e)
    {
        reportFailure(QStringLiteral("Loading the booking templates"), e);
    }
}

void Main::mnuTrnJockStrk_Click()
{
    gCellPicked = grdJockey->selectedRow() > 0 && grdJockey->selectedCol() > 0;
    if (!gCellPicked)
        Prompts::MsgBox(QStringLiteral("Jockey Must be Seleted for Jockey/Trainer Strike Rate."),
                        Prompts::vbCritical | Prompts::vbOKOnly, QStringLiteral("Select a Jockey"));
}
