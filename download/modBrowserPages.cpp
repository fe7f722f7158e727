// The page readers of the web loaders: page text in, races and runners out.
// Nothing here touches the database, the network or the screen, so the
// readers can be tested on their own and fuzzed (fuzz/*_fuzz.cpp build this
// file with Qt Core alone).
//
// The pages are read by fixed text markers at 1-based positions, the way the
// sites have always been read. Every search that finds nothing gives an empty
// piece instead of a read outside the text.
#include "core/modText.h"
#include "download/modBrowser.h"

#include <QHash>

using modText::InStr;
using modText::InStrRev;
using modText::Left;
using modText::Mid;
using modText::Right;

namespace modBrowser
{
namespace
{
const QString kCrLf = QStringLiteral("\r\n");

QString replaced(QString text, const QString& from, const QString& to)
{
    return text.replace(from, to);
}

QString removed(QString text, const QString& what)
{
    return text.remove(what);
}

/** Entry number and its suffix letter from a number cell: the first two
 *  characters must form a number; a last character after "9" is the
 *  suffix. */
void readEntryNumber(const QString& cell, bool upperSuffix, ParsedRunner& r)
{
    const QString two = Left(cell, 2);
    if (!modText::IsNumber(two))
        return;
    r.entryNo = static_cast<int>(modText::RoundHalfEven(modText::Val(two)));
    const QString last = Right(cell, 1);
    if (!last.isEmpty() && last[0] > QLatin1Char('9'))
        r.eorb = upperSuffix ? last.toUpper() : last;
}

int wholeValue(const QString& cell, double factor)
{
    const qint64 v = modText::RoundHalfEven(modText::Val(cell) * factor);
    // The columns are 16-bit (weight) and 32-bit (barrier): keep within them.
    return static_cast<int>(qBound(qint64(-32768), v, qint64(32767)));
}

QString withoutBrackets(const QString& cell)
{
    return removed(removed(cell, QStringLiteral("(")), QStringLiteral(")"));
}

QString raceCodeFor(const ParsedRace& race, const QStringList& shortCodes)
{
    return RaceCodeOf(race.distance, ShortenRaceName(race.raceName, race.details, shortCodes));
}

/** Whether `text` holds the end of a page ("</html>", any case) at or after
 *  `from`. A page cut short in transit still arrives with status 200: only
 *  its closing markers tell that its last race, and nothing after it, was
 *  not lost. */
bool endsPage(const QString& text, qsizetype from = 0)
{
    return text.indexOf(QStringLiteral("</html>"), from, Qt::CaseInsensitive) >= 0;
}

/** Whether `text` holds `closer` (any case) and, after it, the page's end. */
bool closedThenEnded(const QString& text, const QString& closer)
{
    const qsizetype close = text.indexOf(closer, 0, Qt::CaseInsensitive);
    return close >= 0 && endsPage(text, close + closer.size());
}

/** A failed page: the reason and no races, so nothing of it is stored. */
ParsedPage failedPage(const QString& error)
{
    ParsedPage out;
    out.error = error;
    return out;
}
} // namespace

// ---------------------------------------------------------------------------
// Small rules shared by every source
// ---------------------------------------------------------------------------

QString ShortenRaceName(const QString& raceName, const QString& searchText, const QStringList& shortCodes)
{
    const QString search = searchText.toUpper();
    QString shortName;
    for (const QString& element : shortCodes) {
        const qsizetype bar = element.indexOf(QLatin1Char('|'));
        if (bar < 0)
            continue;
        const QString term = element.left(bar).trimmed();
        const QString abbreviation = element.mid(bar + 1).trimmed();
        if (search.contains(term.toUpper()))
            shortName += abbreviation + QLatin1Char('-');
    }
    if (shortName.isEmpty())
        return Left(raceName, 15).toUpper();
    shortName.chop(1);
    return shortName;
}

QString RaceCodeOf(const QString& distance, const QString& shortName)
{
    return removed(Left(distance + QLatin1Char(' ') + shortName, 20), QStringLiteral("\""));
}

QString StageCode(const QString& phase)
{
    if (phase == QLatin1String("Acceptances"))
        return QStringLiteral("ACP");
    if (phase == QLatin1String("Nominations"))
        return QStringLiteral("NOM");
    if (phase == QLatin1String("Weights"))
        return QStringLiteral("WGT");
    return QStringLiteral("N/A");
}

QString HorseNameOf(const QString& horse)
{
    const qsizetype bracket = InStr(2, horse, QStringLiteral("("));
    if (bracket == 0)
        return horse.toUpper();
    return Left(horse, bracket - 1).toUpper();
}

// ---------------------------------------------------------------------------
// Public fields page
// ---------------------------------------------------------------------------

QString CleanPublicFieldsDetails(const QString& details)
{
    QString d = replaced(details, QStringLiteral("</h3><h3>"), QStringLiteral(" "));
    d.replace(QStringLiteral("<br><br>"), kCrLf);
    d.replace(QStringLiteral("<br>"), kCrLf);
    for (const char* tag : {"<b>", "</b>", "<B>", "</B>", "&nbsp"})
        d.remove(QString::fromLatin1(tag));
    for (const char* word : {"Field Limit", "BenchMark", "Track Type:"}) {
        const QString w = QString::fromLatin1(word);
        d.replace(kCrLf + w, QStringLiteral("   ") + w);
    }
    return d;
}

bool ParsePublicFieldsRace(const QString& header, const QString& field, const QString& phase,
                           const QStringList& shortCodes, ParsedRace& race, QString& error)
{
    race = ParsedRace();
    // Race number between ">Race" and the first "-" after it; 99 without one.
    qsizetype raceAt = InStr(header, QStringLiteral(">Race"));
    if (raceAt == 0)
        raceAt = 1;
    const qsizetype dash = InStr(raceAt, header, QStringLiteral("-"));
    if (dash > raceAt) {
        const std::optional<qint32> n = modText::WholeNumber(Mid(header, raceAt + 5, dash - (raceAt + 5)));
        if (!n) {
            error = QStringLiteral("a race number cannot be read");
            return false;
        }
        race.raceNumber = *n;
    } else {
        race.raceNumber = 99;
    }

    // At acceptances a start time follows the "-". A header without one keeps
    // its name whole: the search point stays at the "-".
    qsizetype point = dash;
    if (phase == QLatin1String("Acceptances")) {
        race.time = QTime(0, 0);
        const qsizetype start = dash + 2;
        const qsizetype blank = InStr(start, header, QStringLiteral(" "));
        if (blank > start) {
            if (const std::optional<QTime> t = modText::ParseTime(Mid(header, start, blank - start + 1))) {
                race.time = *t;
                point = blank;
            }
        }
    }

    const qsizetype metres = InStr(point, header, QStringLiteral(" METRES)"));
    if (metres == 0) {
        error = QStringLiteral("race %1 has no distance").arg(race.raceNumber);
        return false;
    }
    const QString nameAndDistance = Mid(header, point + 1, metres - point - 1);
    race.raceName = Left(nameAndDistance, nameAndDistance.size() - 5).trimmed();

    const qsizetype open = InStrRev(header, QStringLiteral("("), metres);
    const std::optional<qint32> distance
        = open > 0 ? modText::WholeNumber(Mid(header, open + 1, metres - open - 1)) : std::nullopt;
    if (!distance) {
        error = QStringLiteral("race %1 has no readable distance").arg(race.raceNumber);
        return false;
    }
    race.distance = QString::number(*distance);

    const qsizetype info = InStr(metres, header, QStringLiteral("race-info"));
    if (info > 0) {
        const qsizetype start = info + 19;
        qsizetype end = InStr(start, header, QStringLiteral("</td>"));
        if (end == 0)
            end = InStr(start, header, QStringLiteral("</TD>"));
        if (end > 0)
            race.details = Mid(header, start, end - start).trimmed();
    }
    race.details = CleanPublicFieldsDetails(race.details);
    race.apprClaim = !race.details.contains(QStringLiteral("No Allowances for apprentices"));
    race.raceCode = raceCodeFor(race, shortCodes);
    race.runners = ParsePublicFieldsNoms(field);
    return true;
}

QList<ParsedRunner> ParsePublicFieldsNoms(const QString& field)
{
    const QStringList rows = modText::Split(field, QStringLiteral("<tr class="));

    // Header names from the row before the first runner row.
    QStringList names;
    const QStringList heads = modText::Split(rows.value(0), QStringLiteral("<th "));
    for (qsizetype k = 1; k < heads.size(); ++k) {
        const QString& h = heads[k];
        const qsizetype gt = InStr(h, QStringLiteral(">"));
        const qsizetype end = gt > 0 ? InStr(gt, h, QStringLiteral("</th>")) : 0;
        QString name = end > 0 ? Mid(h, gt + 1, end - gt - 1) : QString();
        if (k == 1 && name == QLatin1String("&nbsp;"))
            name = QStringLiteral("No");
        names << name;
    }

    QList<ParsedRunner> out;
    for (qsizetype i = 1; i < rows.size(); ++i) {
        ParsedRunner r;
        const QStringList cells = modText::Split(rows[i], QStringLiteral("<td class"));
        for (qsizetype k = 1; k < cells.size(); ++k) {
            const QString& raw = cells[k];
            const qsizetype gt = InStr(raw, QStringLiteral(">"));
            const qsizetype end = InStr(raw, QStringLiteral("</td>"));
            QString c = gt > 0 && end > gt ? Mid(raw, gt + 1, end - gt - 1) : QString();
            const qsizetype blank = InStr(c, QStringLiteral("_blank"));
            if (blank > 0) {
                // The link's opening tag ends 7 characters after "_blank"; the
                // last four characters are its "</a>".
                c = Mid(c, blank + 8);
                c = Left(c, c.size() - 4);
            }
            c.replace(QStringLiteral("&rsquo;"), QStringLiteral("'"));
            c.replace(QStringLiteral("&#39;"), QStringLiteral("'"));
            c.remove(QStringLiteral("<span class='Hilite'>"));
            c.remove(QStringLiteral("</span>"));
            c.remove(QStringLiteral("<span style=\"float:right;\">"));
            c.remove(QStringLiteral("&nbsp;"));
            c = c.trimmed();

            QString column;
            if (k <= names.size())
                column = names[k - 1];
            else if (!names.isEmpty() && !names.last().isEmpty())
                column = names.last();

            if (column == QLatin1String("No")) {
                readEntryNumber(c, true, r);
            } else if (column == QLatin1String("Last 10")) {
                r.form = c;
            } else if (column == QLatin1String("Horse")) {
                const qsizetype a = InStr(c, QStringLiteral("</a>"));
                r.horse = replaced(a >= 2 ? Left(c, a - 1) : c, QStringLiteral("&amp;"), QStringLiteral("&"));
            } else if (column == QLatin1String("Trainer")) {
                r.trainer = replaced(c, QStringLiteral("&amp;"), QStringLiteral("&"));
            } else if (column == QLatin1String("Jockey")) {
                QString j = removed(c, QStringLiteral("<span class='apprentice-claim'>"));
                const qsizetype claim = InStr(j, QStringLiteral("(a"));
                if (claim > 0) {
                    const qsizetype slash = InStr(claim, j, QStringLiteral("/"));
                    if (slash > 0)
                        j = Left(j, slash - 1) + QLatin1Char(')');
                }
                r.jockey = j;
            } else if (column == QLatin1String("Barrier")) {
                r.barrier = wholeValue(c, 1);
            } else if (column == QLatin1String("Weight")) {
                r.weight = wholeValue(c, 10);
            } else if (column == QLatin1String("Handicapper<br>Rating") || column == QLatin1String("Hcp Rating")) {
                r.rating = withoutBrackets(c);
            } else if (column == QLatin1String("Ballot")) {
                r.ballot = c;
            }
        }
        // A row that names no horse (a spacer, a scratching note) is no runner.
        if (!r.horse.trimmed().isEmpty())
            out << r;
    }
    return out;
}

ParsedPage ParsePublicFieldsPage(const QString& page, const QString& phase, const QStringList& shortCodes)
{
    ParsedPage out;
    const QStringList blocks = modText::Split(page, QStringLiteral("-- start of races --"));
    for (qsizetype i = 1; i < blocks.size(); ++i) {
        // Header, field, and what follows the field's "/table": a race whose
        // field table is not closed lost runners on the way.
        const QStringList pieces = modText::Split(blocks[i], QStringLiteral("/table"));
        if (pieces.size() < 3)
            return failedPage(QStringLiteral("race %1 of the page is cut short").arg(i));
        ParsedRace race;
        QString error;
        if (!ParsePublicFieldsRace(pieces[0], pieces[1], phase, shortCodes, race, error))
            return failedPage(error);
        out.races << race;
        if (i == blocks.size() - 1 && !endsPage(pieces.mid(2).join(QStringLiteral("/table"))))
            return failedPage(QStringLiteral("the page stops after race %1").arg(i));
    }
    return out;
}

// ---------------------------------------------------------------------------
// File-view page
// ---------------------------------------------------------------------------

QTime FileViewTime(const QString& text)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return QTime(0, 0);
    QString withHalf = t;
    const QString upper = t.toUpper();
    if (!upper.endsWith(QLatin1String("AM")) && !upper.endsWith(QLatin1String("PM"))) {
        // Races run from late morning into the evening: 10 and 11 o'clock are
        // morning, every other hour up to 9 (and 12) is afternoon.
        const double hour = modText::Val(t.section(QLatin1Char(':'), 0, 0));
        if ((hour >= 1 && hour <= 9) || hour == 12)
            withHalf += QStringLiteral("PM");
    }
    return modText::ParseTime(withHalf).value_or(QTime(0, 0));
}

bool ParseFileViewRace(const QString& tablePart, const QString& runnerPart, const QString& phase,
                       const QStringList& shortCodes, ParsedRace& race, QString& error)
{
    race = ParsedRace();
    const qsizetype row = InStr(tablePart, QStringLiteral("<tr><td>"));
    if (row == 0)
        return true; // no race header: the part and its runners are passed over

    const qsizetype dash = InStr(row, tablePart, QStringLiteral("-"));
    const std::optional<qint32> number
        = dash > 0 ? modText::WholeNumber(Mid(tablePart, row + 8, dash - (row + 8))) : std::nullopt;
    if (!number) {
        error = QStringLiteral("a race number cannot be read");
        return false;
    }
    race.raceNumber = *number;

    const qsizetype timeEnd = InStr(dash, tablePart, QStringLiteral("</td>"));
    if (timeEnd == 0) {
        error = QStringLiteral("race %1 is cut short").arg(race.raceNumber);
        return false;
    }
    if (phase == QLatin1String("Acceptances"))
        race.time = FileViewTime(Mid(tablePart, dash + 1, timeEnd - dash - 1));

    const qsizetype nameAt = InStr(timeEnd, tablePart, QStringLiteral("<td width=70%>"));
    if (nameAt > 0) {
        const qsizetype nameEnd = InStr(nameAt, tablePart, QStringLiteral("</td>"));
        if (nameEnd > 0)
            race.raceName = Mid(tablePart, nameAt + 14, nameEnd - (nameAt + 14)).trimmed();
    }

    const qsizetype distAt = InStr(timeEnd, tablePart, QStringLiteral("<td align=right>"));
    const qsizetype blank = distAt > 0 ? InStr(distAt + 16, tablePart, QStringLiteral(" ")) : 0;
    const std::optional<qint32> distance
        = blank > 0 ? modText::WholeNumber(Mid(tablePart, distAt + 16, blank - (distAt + 16))) : std::nullopt;
    if (!distance) {
        error = QStringLiteral("race %1 has no readable distance").arg(race.raceNumber);
        return false;
    }
    race.distance = QString::number(*distance);

    const qsizetype tableEnd = InStr(blank, tablePart, QStringLiteral("</tr></table>"));
    if (tableEnd > 0)
        race.details = Mid(tablePart, tableEnd + 13, tablePart.size() - (tableEnd + 13)).trimmed();
    race.apprClaim = race.details.contains(QStringLiteral("Apprentices can claim"));
    race.raceCode = raceCodeFor(race, shortCodes);
    race.runners = ParseFileViewNoms(runnerPart, phase);
    return true;
}

QList<ParsedRunner> ParseFileViewNoms(const QString& runnerPart, const QString& phase)
{
    enum Field { None, Number, Horse, Trainer, Jockey, Barrier, Weight, Rating, Ballot };
    static const Field acceptances[] = {Number, Horse, Trainer, Jockey, Barrier, Weight, None, Rating};
    static const Field weights[] = {Number, Horse, Trainer, Ballot, Weight, None, Rating, None, None, Jockey};
    const Field* layout = nullptr;
    qsizetype layoutSize = 0;
    if (phase == QLatin1String("Acceptances")) {
        layout = acceptances;
        layoutSize = std::size(acceptances);
    } else if (phase == QLatin1String("Weights") || phase == QLatin1String("Nominations")) {
        layout = weights;
        layoutSize = std::size(weights);
    }

    QList<ParsedRunner> out;
    const QStringList rows = modText::Split(runnerPart, QStringLiteral("<tr"));
    for (qsizetype i = 2; i < rows.size(); ++i) {
        ParsedRunner r;
        const QStringList cells = modText::Split(rows[i], QStringLiteral("</td>"));
        for (qsizetype k = 0; k < cells.size() && k < layoutSize; ++k) {
            QString c = Mid(cells[k], InStrRev(cells[k], QStringLiteral(">")) + 1);
            c.remove(QStringLiteral("&nbsp;"));
            c = c.trimmed();
            if (!modText::AfterBlank(c))
                continue;
            switch (layout[k]) {
            case Number:
                readEntryNumber(c, false, r);
                break;
            case Horse:
                r.horse = replaced(c, QStringLiteral("&amp;"), QStringLiteral("&"));
                break;
            case Trainer:
                r.trainer = replaced(c, QStringLiteral("&amp;"), QStringLiteral("&"));
                break;
            case Jockey:
                r.jockey = c;
                break;
            case Ballot:
                r.ballot = c;
                break;
            case Barrier:
                r.barrier = wholeValue(c, 1);
                break;
            case Weight:
                r.weight = wholeValue(c, 10);
                break;
            case Rating:
                r.rating = withoutBrackets(c);
                break;
            case None:
                break;
            }
        }
        if (!r.horse.trimmed().isEmpty())
            out << r;
    }
    return out;
}

ParsedPage ParseFileViewPage(const QString& page, const QString& phase, const QStringList& shortCodes)
{
    ParsedPage out;
    const QStringList parts = modText::Split(page, QStringLiteral("<hr>"));
    const qsizetype last = parts.size() - 1;
    if (last < 1)
        return out;
    const QString tableEnd = QStringLiteral("</table>");
    qsizetype lastRunners = 0; // the runner part of the last race read
    qsizetype i = 1;
    do {
        if (Left(parts[i], 17) == QLatin1String("<table width=100%")) {
            if (i + 1 > last)
                return failedPage(QStringLiteral("the last race of the page has no runners"));
            ParsedRace race;
            QString error;
            if (!ParseFileViewRace(parts[i], parts[i + 1], phase, shortCodes, race, error))
                return failedPage(error);
            if (race.raceNumber != 0 || !race.distance.isEmpty()) {
                // A runner table that is not closed lost runners on the way.
                if (!parts[i + 1].contains(tableEnd, Qt::CaseInsensitive))
                    return failedPage(QStringLiteral("race %1 of the page is cut short").arg(race.raceNumber));
                out.races << race;
                lastRunners = i + 1;
            }
            i += 2;
        } else {
            i += 1;
        }
    } while (i < last);
    if (!out.races.isEmpty() && !closedThenEnded(parts.mid(lastRunners).join(QStringLiteral("<hr>")), tableEnd))
        return failedPage(QStringLiteral("the page stops after race %1").arg(out.races.last().raceNumber));
    return out;
}
} // namespace modBrowser

// ---------------------------------------------------------------------------
// Racing club web service
// ---------------------------------------------------------------------------

namespace modBrowser
{
QString StripHtmlTags(const QString& text)
{
    const QString t = text.trimmed();
    qsizetype gt = InStr(t, QStringLiteral(">"));
    if (gt == 0)
        return t;
    QString out;
    while (gt > 0) {
        const qsizetype lt = InStr(gt + 1, t, QStringLiteral("<"));
        if (lt == 0)
            break;
        out += Mid(t, gt + 1, lt - gt - 1);
        gt = InStr(lt, t, QStringLiteral(">"));
    }
    return out;
}

QString RewrapClubDetails(const QString& details)
{
    QString result;
    QString running;
    for (const QString& raw : modText::Split(details, kCrLf)) {
        const QString line = raw.trimmed();
        if (line.size() + running.size() >= 75) {
            result += running + QLatin1Char('\r');
            running = line;
        } else {
            running += QLatin1Char(' ') + line;
        }
    }
    if (!running.isEmpty())
        result += running;
    return result;
}

QString ClubMeetingNumber(const QString& link)
{
    const qsizetype eq = InStrRev(link, QStringLiteral("="));
    return eq == 0 ? QString() : Mid(link, eq + 1);
}

QStringList SplitClubMeetingPage(const QString& page, const QString& meetingNumber)
{
    const QString marker = QStringLiteral("<tr><td><a href=\"download.hts?type=meet&meet_no=") + meetingNumber
        + QStringLiteral("&race_no=");
    QStringList pieces = modText::Split(page, marker);
    pieces.removeFirst();
    return pieces;
}

ParsedPage ParseClubMeetingPage(const QString& page, const QString& meetingNumber, const QStringList& shortCodes)
{
    ParsedPage out;
    const QStringList pieces = SplitClubMeetingPage(page, meetingNumber);
    for (qsizetype i = 0; i < pieces.size(); ++i) {
        ParsedRace race;
        QString error;
        if (!ParseClubServiceRace(pieces[i], shortCodes, race, error))
            return failedPage(QStringLiteral("race %1: %2").arg(i + 1).arg(error));
        out.races << race;
    }
    // After the last race row the meeting table closes, then the page: a page
    // that stops before that may have lost races.
    if (!pieces.isEmpty() && !closedThenEnded(pieces.last(), QStringLiteral("</table>")))
        return failedPage(QStringLiteral("the page stops after race %1").arg(out.races.last().raceNumber));
    return out;
}

bool ParseClubServiceRace(const QString& piece, const QStringList& shortCodes, ParsedRace& race, QString& error)
{
    race = ParsedRace();
    const qsizetype link = InStr(piece, QStringLiteral("\"race.hts?meeting_no="));
    const qsizetype linkEnd = link > 0 ? InStr(link + 1, piece, QStringLiteral("\">")) : 0;
    const qsizetype type = InStr(piece, QStringLiteral("&race_type="));
    const qsizetype typeEnd = type > 0 ? InStr(type + 11, piece, QStringLiteral("&")) : 0;
    if (linkEnd == 0 || typeEnd == 0) {
        error = QStringLiteral("the race row has no race page link");
        return false;
    }
    race.pageLink = Mid(piece, link + 1, linkEnd - link - 1).trimmed();
    race.rsbCode = removed(Mid(piece, type + 11, typeEnd - type - 11), QStringLiteral("+"));

    QString cells[7];
    qsizetype pos = typeEnd;
    for (int k = 1; k <= 6; ++k) {
        const qsizetype open = InStr(pos, piece, QStringLiteral("<td>"));
        const qsizetype close = open > 0 ? InStr(open, piece, QStringLiteral("</td>")) : 0;
        if (close == 0) {
            error = QStringLiteral("the race row is cut short");
            return false;
        }
        cells[k] = Mid(piece, open + 4, close - open - 4).trimmed();
        pos = close;
    }
    const std::optional<qint32> number = modText::WholeNumber(cells[1]);
    const std::optional<qint32> distance = modText::WholeNumber(cells[6]);
    if (!number || !distance) {
        error = QStringLiteral("the race number or distance is not a number");
        return false;
    }
    race.raceNumber = *number;
    race.time = modText::ParseTime(cells[2]); // none when the cell is no time
    race.raceName = cells[3];
    race.distance = QString::number(*distance);
    race.raceCode = RaceCodeOf(race.distance, ShortenRaceName(race.raceName, cells[4], shortCodes));
    return true;
}

bool ParseClubServiceRacePage(const QString& page, ParsedRace& race, QString& error)
{
    const qsizetype first = InStr(page, QStringLiteral("<table border="));
    const qsizetype firstEnd = first > 0 ? InStr(first + 14, page, QStringLiteral("</table>")) : 0;
    const qsizetype second = firstEnd > 0 ? InStr(firstEnd + 8, page, QStringLiteral("<table border=")) : 0;
    const qsizetype secondEnd = second > 0 ? InStr(second, page, QStringLiteral("</table>")) : 0;
    if (firstEnd == 0 || secondEnd == 0) {
        error = QStringLiteral("the race page has no details and field tables");
        return false;
    }
    QString details = StripHtmlTags(Mid(page, first, firstEnd - first).trimmed());
    const qsizetype name = race.raceName.isEmpty() ? 0 : InStr(details.toUpper(), race.raceName.toUpper());
    if (name > 0)
        details = Mid(details, name);
    race.details = RewrapClubDetails(details);
    race.runners = ParseClubServiceNoms(Mid(page, second, secondEnd - second).trimmed());
    return true;
}

QList<ParsedRunner> ParseClubServiceNoms(const QString& table)
{
    QList<ParsedRunner> out;
    const QStringList rows = modText::Split(table, QStringLiteral("<tr valign=top>"));
    for (qsizetype i = 1; i < rows.size(); ++i) {
        const QStringList pieces = modText::Split(rows[i], QStringLiteral("<td"));
        if (pieces.size() - 1 < 10)
            continue;
        auto cell = [&pieces](int k) {
            const QString& p = pieces[k];
            const qsizetype end = InStr(p, QStringLiteral("</td>"));
            return end > 0 ? Mid(p, 2, end - 2) : Mid(p, 2);
        };
        ParsedRunner r;
        r.entryNo = wholeValue(cell(2), 1);
        r.horse = replaced(StripHtmlTags(cell(3)), QStringLiteral("&amp;"), QStringLiteral("&"));
        r.barrier = wholeValue(cell(6), 1);
        r.weight = wholeValue(cell(8), 10);
        r.jockey = StripHtmlTags(cell(9));
        r.trainer = replaced(StripHtmlTags(cell(10)), QStringLiteral("&amp;"), QStringLiteral("&"));
        if (!r.horse.trimmed().isEmpty())
            out << r;
    }
    return out;
}
} // namespace modBrowser
