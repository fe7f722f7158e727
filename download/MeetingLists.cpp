// Readers of the meeting list pages. Positions are 1-based, as the pages have
// always been read; every search that finds nothing ends the list instead of
// reading from a position that does not exist.
#include "download/MeetingLists.h"

#include "core/modText.h"

#include <algorithm>

using modText::InStr;
using modText::InStrRev;
using modText::Left;
using modText::Mid;
using modText::Right;

namespace MeetingLists
{
namespace
{
const QString kNominations = QStringLiteral("Nominations");
const QString kWeights = QStringLiteral("Weights");
const QString kAcceptances = QStringLiteral("Acceptances");
} // namespace

bool AppendEntry(List& list, const Entry& entry, bool showAllPhases)
{
    list.append(entry);
    if (showAllPhases || list.size() < 2)
        return false;
    Entry& previous = list[list.size() - 2];
    if (previous.date != entry.date || previous.meeting != entry.meeting)
        return false;
    const bool replaces = (entry.phase == kWeights && previous.phase == kNominations)
        || (entry.phase == kAcceptances && (previous.phase == kNominations || previous.phase == kWeights));
    if (!replaces)
        return false;
    previous.link = entry.link;
    previous.phase = entry.phase;
    list.removeLast();
    return true;
}

List ParseCalendarPage(const QString& page, bool showAllPhases)
{
    List list;
    qsizetype pos = InStr(page, QStringLiteral("<tr class="));
    if (pos == 0)
        return list;
    qsizetype rowEnd = pos;
    for (;;) {
        rowEnd = InStr(rowEnd + 10, page, QStringLiteral("/tr"));
        const qsizetype key = InStr(pos, page, QStringLiteral("Key="));
        if (rowEnd == 0 || key == 0)
            return list;
        const QString value = Mid(page, key + 4, 9);
        const QString date = Mid(value, 8, 2) + QLatin1Char('/') + Mid(value, 5, 3) + QLatin1Char('/') + Mid(value, 3, 2);
        pos = InStr(key, page, QStringLiteral("</a>"));
        if (pos == 0)
            return list;
        const qsizetype gt = InStrRev(page, QStringLiteral(">"), pos - 1);
        const QString meeting = Mid(page, gt + 1, pos - gt - 1);

        // The row's phase links.
        for (;;) {
            const qsizetype l = InStr(pos, page, QStringLiteral("/FreeFields"));
            if (l == 0)
                return list;
            if (l >= rowEnd || l <= pos)
                break;
            const qsizetype close = InStr(l, page, QStringLiteral(">"));
            if (close == 0)
                return list;
            pos = close - 1;
            Entry e{date, meeting, QString(), Mid(page, l, pos - l)};
            const QString kind = Mid(e.link, 13, 3);
            if (kind == QLatin1String("Nom")) {
                e.phase = kNominations;
                AppendEntry(list, e, showAllPhases);
            } else if (kind == QLatin1String("Wei")) {
                e.phase = kWeights;
                AppendEntry(list, e, showAllPhases);
            } else if (kind == QLatin1String("Acc")) {
                e.phase = kAcceptances;
                if (AppendEntry(list, e, showAllPhases)) {
                    pos = rowEnd;
                    break;
                }
            } else {
                // Not a field page: the row ends here.
                pos = rowEnd;
                break;
            }
        }
    }
}

List ParseFileListPage(const QString& page, bool showAllPhases)
{
    List list;
    qsizetype pos = InStr(page, QStringLiteral("<tbody>"));
    if (pos == 0)
        return list;
    for (;;) {
        qsizetype rowStart = InStr(pos, page, QStringLiteral("\"><td>"));
        if (rowStart == 0)
            rowStart = InStr(pos, page, QStringLiteral("<tr><td>"));
        if (rowStart == 0)
            return list;
        pos = InStr(rowStart, page, QStringLiteral("</td>"));
        if (pos == 0)
            return list;
        const QString date = Right(Mid(page, rowStart + 8, pos - (rowStart + 8)), 9);
        const qsizetype rowEnd = InStr(pos, page, QStringLiteral("</tr>"));
        const qsizetype cell = InStr(pos, page, QStringLiteral("<td>"));
        const qsizetype cellEnd = cell > 0 ? InStr(cell + 4, page, QStringLiteral("</td>")) : 0;
        if (rowEnd == 0 || cellEnd == 0)
            return list;
        const QString meeting = Mid(page, cell + 4, cellEnd - cell - 4);
        pos = cellEnd;
        for (;;) {
            const qsizetype l = InStr(pos, page, QStringLiteral("viewfile.aspx?"));
            if (l == 0 || l >= rowEnd || l <= pos)
                break;
            const qsizetype close = InStr(l, page, QStringLiteral(">"));
            if (close == 0)
                return list;
            pos = close;
            Entry e{date, meeting, QString(), Mid(page, l, close - l)};
            const QString kind = Right(e.link, 3);
            if (kind == QLatin1String("DGN"))
                e.phase = kNominations;
            else if (kind == QLatin1String("DGW"))
                e.phase = kWeights;
            else if (kind == QLatin1String("DFA"))
                e.phase = kAcceptances;
            // Only a weights or acceptances entry can replace the one before.
            AppendEntry(list, e, showAllPhases);
        }
        if (pos < rowEnd)
            pos = rowEnd;
    }
}

namespace
{
/** Empty, or holding `marker`: see IsCalendarPage. */
bool emptyOrMarked(const QString& page, const QString& marker)
{
    return page.trimmed().isEmpty() || page.contains(marker);
}
} // namespace

const QString kNotAListText
    = QStringLiteral("Error: The meeting list could not be read (the page is not in the site's format: perhaps "
                     "another web page or damaged data). Nothing was changed.");

bool IsCalendarPage(const QString& page)
{
    return emptyOrMarked(page, QStringLiteral("<tr class="));
}

bool IsFileListPage(const QString& page)
{
    return emptyOrMarked(page, QStringLiteral("<tbody>"));
}

bool IsClubSelectorPage(const QString& page)
{
    return emptyOrMarked(page, QStringLiteral("<SELECT NAME=\"meet_no\">"));
}

int FileListStateCode(const QString& state)
{
    static const QList<QPair<QString, int>> codes = {
        {QStringLiteral("VIC"), 1}, {QStringLiteral("NSW"), 2}, {QStringLiteral("SA"), 3},
        {QStringLiteral("TAS"), 4}, {QStringLiteral("QLD"), 5}, {QStringLiteral("WA"), 6},
        {QStringLiteral("NT"), 8},  {QStringLiteral("ACT"), 10},
    };
    for (const auto& c : codes) {
        if (c.first == state)
            return c.second;
    }
    return 9;
}

QList<ClubOption> ParseClubSelectorPage(const QString& page, const QDate& today, QStringList* skipped)
{
    QList<ClubOption> out;
    const qsizetype start = InStr(page, QStringLiteral("<SELECT NAME=\"meet_no\">"));
    if (start == 0)
        return out;
    qsizetype end = InStr(start + 10, page, QStringLiteral("</SELECT>"));
    if (end == 0)
        end = page.size() + 1;
    qsizetype pos = start + 1;
    const QString optionMark = QStringLiteral("<OPTION VALUE=\"");
    for (;;) {
        const qsizetype o = InStr(pos, page, optionMark);
        if (o == 0 || o >= end)
            return out;
        pos = InStr(o, page, QStringLiteral(">"));
        if (pos == 0)
            return out;
        const qsizetype lineEnd = InStr(pos, page, QStringLiteral("\r\n"));
        if (pos <= o || lineEnd == 0)
            continue;
        const QString text = Mid(page, pos + 1, lineEnd - pos - 1);
        const qsizetype comma = InStr(text, QStringLiteral(","));
        const QString dateText = comma > 0 ? Mid(text, comma + 1).trimmed() : QString();
        const std::optional<QDate> date = comma > 0 ? modText::ParseDate(dateText) : std::nullopt;
        if (!date) {
            if (skipped)
                skipped->append(text.trimmed());
            continue;
        }
        if (*date < today)
            return out; // the options come in date order
        const qsizetype valueStart = o + optionMark.size();
        const qsizetype valueEnd = InStr(valueStart, page, QStringLiteral("\""));
        out.append({dateText, Left(text, comma - 1), Mid(page, valueStart, valueEnd - valueStart)});
    }
}

QString ClubPhaseOf(const QString& meetingPage)
{
    const QString upper = meetingPage.toUpper();
    if (upper.contains(QStringLiteral("OPEN ACCEPTANCES")))
        return kAcceptances;
    if (upper.contains(QStringLiteral("OPEN WEIGHTS")))
        return kWeights;
    return kNominations;
}

QString BureauStateName(const QString& state)
{
    static const QList<QPair<QString, QString>> names = {
        {QStringLiteral("VIC"), QStringLiteral("Victoria")},
        {QStringLiteral("QLD"), QStringLiteral("Queensland")},
        {QStringLiteral("NSW"), QStringLiteral("New South Wales")},
        {QStringLiteral("TAS"), QStringLiteral("Tasmania")},
        {QStringLiteral("SA"), QStringLiteral("South Australia")},
        {QStringLiteral("NT"), QStringLiteral("Northern Territory")},
        {QStringLiteral("Overseas"), QStringLiteral("New Zealand")},
    };
    for (const auto& n : names) {
        if (n.first == state)
            return n.second;
    }
    return QString();
}

List ParseBureauFileLists(const QString& first, const QString& second, const QString& state, bool showAllPhases,
                          const QDate& today, const QString& linkBase)
{
    const QString marker = QStringLiteral("<tr><th align=left><h3>");
    const QString sectionMark = marker + BureauStateName(state);
    auto section = [&](const QString& reply) {
        const qsizetype a = InStr(reply, sectionMark);
        if (a == 0)
            return QString();
        const qsizetype b = InStr(a + sectionMark.size(), reply, marker);
        return b == 0 ? Mid(reply, a) : Mid(reply, a, b - a);
    };
    List list;
    const QString year = QString::number(today.year());
    for (const QString& piece : modText::Split(section(first) + section(second), QStringLiteral("<tr><th align=right>"))) {
        const qsizetype th = InStr(piece, QStringLiteral("</th>"));
        if (th == 0)
            continue;
        const QString meeting = Left(piece, th - 1);
        qsizetype p = th;
        for (;;) {
            const qsizetype a = InStr(p, piece, QStringLiteral("<td><a href=\""));
            const qsizetype q = a > 0 ? InStr(a + 13, piece, QStringLiteral("\">")) : 0;
            if (q == 0)
                break;
            p = q + 2;
            const QString address = Mid(piece, a + 13, q - (a + 13));
            const QString four = Mid(piece, q + 2, 4);
            const QString dateText = Left(four, 2) + QLatin1Char('/') + Right(four, 2) + QLatin1Char('/') + year;
            const std::optional<QDate> date = modText::ParseDate(dateText);
            if (!date || *date < today)
                continue;
            const qsizetype paren = InStr(q, piece, QStringLiteral("("));
            const QString kind = paren > 0 ? Mid(piece, paren + 1, 4) : QString();
            QString phase;
            if (kind == QLatin1String("ACCS"))
                phase = kAcceptances;
            else if (kind == QLatin1String("NOMS"))
                phase = kNominations;
            else if (kind == QLatin1String("WGTS"))
                phase = kWeights;
            const Entry e{dateText, meeting, phase, linkBase + address};
            if (!showAllPhases) {
                auto same = std::find_if(list.begin(), list.end(), [&](const Entry& x) {
                    return x.date == e.date && x.meeting == e.meeting;
                });
                if (same != list.end()) {
                    if (same->phase == kNominations && phase == kWeights) {
                        same->link = e.link;
                        same->phase = phase;
                    }
                    continue;
                }
            }
            list.append(e);
        }
    }
    return list;
}

QString GetMeetLoc(const QString& name)
{
    for (const char* marker : {"Ltd", "RC", "TC", "JC", "RI", "Training", "PC"}) {
        const QString m = QString::fromLatin1(marker);
        const qsizetype at = InStr(2, name, m);
        if (at > 0)
            return Mid(name, at + m.size() + 1);
    }
    return name;
}
} // namespace MeetingLists
