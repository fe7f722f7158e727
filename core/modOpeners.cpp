#include "core/modOpeners.h"

#include "platform/Prompts.h"

namespace modOpeners
{
namespace
{
void tellMissing()
{
    Prompts::MsgBox(QStringLiteral("This window is not available in this build of the program."),
                    Prompts::vbExclamation);
}

template <typename Fn, typename... Args>
auto call(const Fn& fn, Args&... args)
{
    using R = decltype(fn(args...));
    if (!fn) {
        tellMissing();
        return R();
    }
    return fn(args...);
}
} // namespace

WindowOpeners& Openers()
{
    static WindowOpeners table;
    return table;
}

void OpenRaceView() { call(Openers().raceView); }
void OpenRaceStats() { call(Openers().raceStats); }
void OpenSelectMeeting() { call(Openers().selectMeeting); }
void OpenSelectHorse() { call(Openers().selectHorse); }
void OpenJockeyRecords(QString& jockeyName) { call(Openers().jockeyRecords, jockeyName); }
TrainerEditResult OpenEditTrainer(const TrainerEditRequest& request)
{
    const TrainerEditRequest copy = request;
    if (!Openers().editTrainer) {
        tellMissing();
        return {};
    }
    return Openers().editTrainer(copy);
}
void OpenBookRates() { call(Openers().bookRates); }
void OpenBookingTemplates() { call(Openers().bookingTemplates); }
void OpenJockeyInvoice(QString& jockey) { call(Openers().jockeyInvoice, jockey); }
} // namespace modOpeners
