// libFuzzer target: the racing club's meeting and race page readers must take
// any text without crashing, and what they give must hold together.
#include "download/modBrowser.h"
#include "fuzz/FuzzCommon.h"

using FuzzCommon::check;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const QStringList codes{QStringLiteral("MAIDEN|MDN"), QStringLiteral("\"|\""), QString()};
    const QString page = FuzzCommon::pageText(data, size);
    for (const QString& piece : modBrowser::SplitClubMeetingPage(page, QStringLiteral("101"))) {
        modBrowser::ParsedRace race;
        QString error;
        if (modBrowser::ParseClubServiceRace(piece, codes, race, error)) {
            check(race.raceCode.size() <= 20 && !race.raceCode.contains(QLatin1Char('"')));
            check(!race.rsbCode.contains(QLatin1Char('+')));
        } else {
            check(!error.isEmpty());
        }
    }
    const modBrowser::ParsedPage meeting = modBrowser::ParseClubMeetingPage(page, QStringLiteral("101"), codes);
    if (!meeting.error.isEmpty())
        check(meeting.races.isEmpty());
    modBrowser::ParsedRace race;
    race.raceName = QStringLiteral("MAIDEN");
    QString error;
    if (modBrowser::ParseClubServiceRacePage(page, race, error)) {
        for (const modBrowser::ParsedRunner& n : race.runners)
            check(!n.horse.trimmed().isEmpty());
    }
    modBrowser::StripHtmlTags(page);
    modBrowser::ClubMeetingNumber(page);
    return 0;
}
