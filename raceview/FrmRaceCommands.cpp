// The race view's data commands: weights from the handicap table, ratings
// from the bureau's horse pages, last starts from the remote form database.
// The work itself is in RaceCommands; here the window blocks itself while a
// command waits on the network, and reloads its field afterwards.
#include "raceview/FrmRace.h"

#include "platform/Prompts.h"
#include "platform/VbError.h"
#include "platform/WaitCursor.h"
#include "raceview/RaceCommands.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QPointer>

void FrmRace::runBusyCommand(const QString& what, const std::function<bool()>& command)
{
    if (m_busy)
        return; // a second click while the first still waits
    m_busy = true;
    const QPointer<FrmRace> self(this);
    // While a request waits the user interface keeps running: nothing in the
    // window may start another command, switch meeting or race, or book.
    setEnabled(false);

    bool reload = true;
    {
        WaitCursor wait;
        try {
            reload = command();
        } catch (const VbError& e) {
            Prompts::MsgBox(what + QStringLiteral(" failed. ") + QStringLiteral("\r") + e.description(),
                            Prompts::vbOKOnly + Prompts::vbExclamation, QStringLiteral("Error"));
        }
    }
    if (!self)
        return;
    m_busy = false;
    setEnabled(true);
    if (reload)
        LoadRaceField();
}

void FrmRace::cmdCalcWgts_Click()
{
    const QString raceType = cmbRaceType->currentText();
    const QString raceText = lblRaceTxt->text();
    runBusyCommand(QStringLiteral("Calculating the weights"), [&] {
        return RaceCommands::CalculateWeights(MeetingCode, RaceNumber, raceType, raceText)
               == RaceCommands::WeightsOutcome::Calculated;
    });
}

void FrmRace::cmdRating_Click()
{
    runBusyCommand(QStringLiteral("Updating the ratings"), [&] {
        return RaceCommands::UpdateRatings(MeetingCode, RaceNumber, WholeMeeting)
               != RaceCommands::RatingsOutcome::Refused;
    });
}

void FrmRace::CmdUpdExtra_Click()
{
    runBusyCommand(QStringLiteral("Updating the last starts"), [&] {
        RaceCommands::RefreshLastStarts(MeetingCode, RaceNumber, WholeMeeting);
        return true;
    });
}
