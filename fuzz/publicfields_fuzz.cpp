// libFuzzer target: the public fields page reader must take any text without
// crashing, and what it gives must hold together.
#include "download/modBrowser.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace
{
void check(bool condition)
{
    if (!condition)
        std::abort();
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const QString phases[] = {QStringLiteral("Acceptances"), QStringLiteral("Weights"),
                                     QStringLiteral("Nominations"), QStringLiteral("Other")};
    static const QStringList codes{QStringLiteral("MAIDEN|MDN"), QStringLiteral("HANDICAP|HCP"),
                                   QStringLiteral("\"Q\"|\"Q\""), QString()};
    const QString phase = phases[size ? data[0] % 4 : 0];
    const QString page = QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const modBrowser::ParsedPage p = modBrowser::ParsePublicFieldsPage(page, phase, codes);
    if (!p.error.isEmpty())
        check(p.races.isEmpty());
    for (const modBrowser::ParsedRace& race : p.races) {
        check(race.raceCode.size() <= 20 && !race.raceCode.contains(QLatin1Char('"')));
        check(race.time.has_value() == (phase == QLatin1String("Acceptances")));
        check(!race.time || race.time->isValid());
        check(!race.distance.isEmpty());
        for (const modBrowser::ParsedRunner& n : race.runners) {
            check(!n.horse.trimmed().isEmpty());
            check(n.weight >= -32768 && n.weight <= 32767);
            check(n.eorb.size() <= 1);
        }
    }
    return 0;
}
