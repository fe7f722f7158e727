#pragma once
// The driver of the race page targets (public fields, file view): both
// readers give the same ParsedPage and promise the same of it.
#include "download/modBrowser.h"
#include "fuzz/FuzzCommon.h"

namespace RacePageFuzz
{
using Reader = modBrowser::ParsedPage (*)(const QString& page, const QString& phase, const QStringList& shortCodes);

/** Reads the input with read; the first byte picks the phase, so the
 *  acceptances-only rules (race times) get reached too. */
inline int run(const uint8_t* data, size_t size, Reader read)
{
    using FuzzCommon::check;
    static const QString phases[] = {QStringLiteral("Acceptances"), QStringLiteral("Weights"),
                                     QStringLiteral("Nominations"), QStringLiteral("Other")};
    static const QStringList codes{QStringLiteral("MAIDEN|MDN"), QStringLiteral("HANDICAP|HCP"),
                                   QStringLiteral("\"Q\"|\"Q\""), QString()};
    const QString phase = phases[size ? data[0] % 4 : 0];
    const modBrowser::ParsedPage p = read(FuzzCommon::pageText(data, size), phase, codes);
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
} // namespace RacePageFuzz
