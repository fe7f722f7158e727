// libFuzzer target: the meeting list readers (calendar, file list, racing
// club selector, bureau lists) must take any text without crashing, and what
// they give must hold together.
#include "download/MeetingLists.h"
#include "fuzz/FuzzCommon.h"

using FuzzCommon::check;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const bool all = size && (data[0] & 1);
    const QString page = FuzzCommon::pageText(data, size);
    for (const MeetingLists::Entry& e : MeetingLists::ParseCalendarPage(page, all))
        check(e.link.startsWith(QLatin1String("/FreeFields")) && !e.phase.isEmpty());
    for (const MeetingLists::Entry& e : MeetingLists::ParseFileListPage(page, all))
        check(e.link.startsWith(QLatin1String("viewfile.aspx?")) && e.date.size() <= 9);
    const QDate today(2030, 1, 1);
    for (const MeetingLists::ClubOption& o : MeetingLists::ParseClubSelectorPage(page, today))
        check(!o.date.isEmpty() && !o.meeting.contains(QLatin1Char(',')));
    MeetingLists::ParseBureauFileLists(page, page, QStringLiteral("VIC"), all, today, QString());
    MeetingLists::GetMeetLoc(page);
    return 0;
}
