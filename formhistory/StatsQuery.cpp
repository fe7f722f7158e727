#include "formhistory/StatsQuery.h"

#include "core/HttpRequest.h"
#include "core/modDatabase.h"
#include "core/modUtils.h"

#include <QHash>

#include <cmath>

namespace FormStats
{
namespace
{
constexpr Qt::Alignment L = Qt::AlignLeft;
constexpr Qt::Alignment C = Qt::AlignHCenter;
constexpr Qt::Alignment R = Qt::AlignRight;

// Reply field positions: the run's own columns, its race's, then the
// winner, second and third.
enum Field
{
    fDate = 0,
    fRaceNo = 1,
    fHorse = 2,
    fTrack = 3,
    fWeight = 4,
    fAllowance = 5,
    fMargin = 6,
    fJockey = 7,
    fPrizeWon = 8,
    fBarrier = 9,
    fFinish = 10,
    fPrice = 11,
    fSectionals = 13,
    fTrainer = 15,
    fDistance = 20,
    fCondition = 22,
    fClass = 23,
    fRaceName = 24,
    fLimit = 28,
    fStarters = 29,
    fPrizemoney = 30,
    fRaceTime = 31,
    fSecTime = 35,
    fWinner = 36,
    fSecond = 37,
    fThird = 38,
};

QString field(const QStringList& f, int i)
{
    return i < f.size() ? f[i] : QString();
}

int wholeNumber(const QString& text)
{
    return static_cast<int>(std::nearbyint(modUtils::Val(text)));
}

// A race date as the form database writes it ("2024-06-01", perhaps with a
// time), or as a person would ("01/06/2024").
QDate readDate(const QString& text)
{
    const QString t = text.trimmed();
    QDate d = QDate::fromString(t.left(10), Qt::ISODate);
    if (!d.isValid())
        d = QDate::fromString(t.left(10), QStringLiteral("yyyy/MM/dd"));
    if (!d.isValid())
        d = QDate::fromString(t, QStringLiteral("d/M/yyyy"));
    return d;
}

// Removes the line breaks that surround a reply piece (the line feed after
// each "<br>"), nothing else: names may end in a blank.
QString trimLineBreaks(const QString& piece)
{
    int b = 0;
    int e = piece.size();
    auto isBreak = [](QChar c) { return c == QLatin1Char('\n') || c == QLatin1Char('\r'); };
    while (b < e && isBreak(piece[b]))
        ++b;
    while (e > b && isBreak(piece[e - 1]))
        --e;
    return piece.mid(b, e - b);
}

struct Condition
{
    qint64 color;
    int category;
};

Condition conditionOf(const QString& code)
{
    if (code == QLatin1String("F"))
        return {0x000000, 5};
    if (code == QLatin1String("G"))
        return {0xA00000, 6};
    if (code == QLatin1String("D"))
        return {0xDF00DF, 7};
    if (code == QLatin1String("S"))
        return {0x408000, 8};
    if (code == QLatin1String("H"))
        return {0x0000FF, 9};
    return {-1, 0};
}

QString sectionals(const QString& s)
{
    if (s.isEmpty())
        return QString();
    return NumberText(modUtils::Val(s.mid(0, 2))) + QLatin1Char(',') + NumberText(modUtils::Val(s.mid(2, 2)));
}

QString positiveNumber(const QString& s)
{
    const double v = modUtils::Val(s);
    return v > 0 ? NumberText(v) : QString();
}

QStringList rowCells(const QStringList& f, const QDate& date)
{
    QStringList c;
    c.reserve(kColumnCount);
    for (int i = 0; i < kColumnCount; ++i)
        c << QString();
    // Column numbers by key, looked up once: this runs for every run of every reply.
    struct Cache
    {
        QHash<const char*, int> index;
        int of(const char* key)
        {
            auto it = index.find(key);
            if (it == index.end())
                it = index.insert(key, ColumnOf(QLatin1String(key)) - 1);
            return *it;
        }
    };
    static Cache cache;
    auto put = [&c](const char* key, const QString& text) { c[cache.of(key)] = text; };
    const QString finish = field(f, fFinish);
    put("FP", finish);
    put("Horse", modUtils::ProperCase(field(f, fHorse)));
    put("Track", field(f, fTrack));
    put("Race date", date.toString(QStringLiteral("dd/MM/yy")));
    put("Race No", field(f, fRaceNo));
    put("Finish position", finish + QLatin1Char('-') + field(f, fStarters));
    put("Starters", field(f, fStarters));
    put("Margin", NumberText(modUtils::Val(field(f, fMargin))));
    put("Distance", field(f, fDistance));
    put("Race Name", field(f, fRaceName));
    put("Class", QString(field(f, fClass)).remove(QLatin1Char('.')));
    put("Prizemoney", positiveNumber(field(f, fPrizemoney)));
    put("Prize won", positiveNumber(field(f, fPrizeWon)));
    put("Track condition", field(f, fCondition));
    put("Jockey", modUtils::ProperCase(field(f, fJockey)));
    put("Trainer", modUtils::ProperCase(field(f, fTrainer)));
    put("Barrier", field(f, fBarrier));
    put("Weight carried", NumberText(modUtils::Val(field(f, fWeight))));
    const QString allowance = field(f, fAllowance);
    put("Allowance claimed", allowance.isEmpty() ? QString() : NumberText(modUtils::Val(allowance)));
    put("Limit weight", field(f, fLimit));
    put("Race time", field(f, fRaceTime));
    put("SP", field(f, fPrice));
    put("800 400", sectionals(field(f, fSectionals)));
    put("Winner", modUtils::ProperCase(field(f, fWinner)));
    put("2nd", modUtils::ProperCase(field(f, fSecond)));
    put("3rd", modUtils::ProperCase(field(f, fThird)));
    put("rSecTime", NumberText(modUtils::Val(field(f, fSecTime).right(5))));
    return c;
}
} // namespace

const std::array<ColumnSpec, kColumnCount - 1>& Columns()
{
    using G = Grid;
    static const std::array<ColumnSpec, kColumnCount - 1> cols = {{
        {"FP", "", -1, L, false, G::SortNumeric, C},
        {"Race date", "Date", 60, C, true, G::SortItemData, R},
        {"Horse", "Horse", 130, L, true, G::SortText, L},
        {"Finish position", "FP", 41, R, true, G::SortText, L},
        {"Weight carried", "Wgt", 35, C, true, G::SortNumeric, R},
        {"Allowance claimed", "Alw", 35, C, true, G::SortNumeric, R},
        {"Margin", "Margin", 43, C, true, G::SortNumeric, R},
        {"Track", "Track", 55, L, true, G::SortText, L},
        {"Distance", "Dist", 40, C, true, G::SortNumeric, R},
        {"Class", "Cls", 65, L, true, G::SortText, L},
        {"Jockey", "Jockey", 100, L, true, G::SortText, L},
        {"Trainer", "Trainer", 115, L, true, G::SortText, L},
        {"Barrier", "Br", 19, C, true, G::SortNumeric, R},
        {"Track condition", "TC", 25, L, true, G::SortText, C},
        {"Race time", "Time", 50, C, true, G::SortNumeric, R},
        {"800 400", "8 4", 59, C, true, G::SortText, R},
        {"SP", "SP", 45, L, true, G::SortText, R},
        {"Winner", "Winner", 135, L, true, G::SortText, L},
        {"2nd", "2nd", 135, L, true, G::SortText, L},
        {"3rd", "3rd", 135, L, true, G::SortText, L},
        {"Race No", "Rc", 15, C, false, G::SortNumeric, R},
        {"Starters", "St", 17, C, false, G::SortNumeric, R},
        {"Prize won", "Prz Won", 42, C, true, G::SortNumeric, R},
        {"Prizemoney", "Prz Money", 50, C, true, G::SortNumeric, R},
        {"Limit weight", "Lmt", 35, C, true, G::SortNumeric, R},
        {"rSecTime", "600", 35, C, true, G::SortNumeric, R},
        {"Filesource", "", -1, L, false, G::SortText, L},
        {"Race Name", "Race Name", 75, L, true, G::SortText, L},
    }};
    return cols;
}

int ColumnOf(const QString& key)
{
    if (key.compare(QLatin1String("Spell"), Qt::CaseInsensitive) == 0)
        return kColSpell;
    const auto& cols = Columns();
    for (int i = 0; i < int(cols.size()); ++i)
        if (key.compare(QLatin1String(cols[i].key), Qt::CaseInsensitive) == 0)
            return i + 1;
    return 0;
}

const QStringList& SummaryKeys()
{
    static const QStringList keys = {
        QStringLiteral("Career"), QStringLiteral("This Prep"), QStringLiteral("Last Start"), QStringLiteral("1st Up"),
        QStringLiteral("2nd Up"), QStringLiteral("Fast"),      QStringLiteral("Good"),       QStringLiteral("Dead"),
        QStringLiteral("Slow"),   QStringLiteral("Heavy"),
    };
    return keys;
}

qint64 SummaryHeadingColor(int col)
{
    static const qint64 colors[] = {0xFF0000, 0xFF0000, 0xFF0000, 0xFF0000, 0xFF0000,
                                    0x000000, 0xA00000, 0xDF00DF, 0x408000, 0x0000FF};
    return col >= 1 && col <= 10 ? colors[col - 1] : -1;
}

Prepared Prepare(Request& r)
{
    Prepared p;
    const QString mode = r.mode;
    const bool horseMode = mode == QLatin1String("horse") || mode == QLatin1String("horse/jockey");
    const bool trainerMode = mode == QLatin1String("trainer") || mode == QLatin1String("trainer/jockey");
    const bool listMode = mode == QLatin1String("trainer/jockey") || mode == QLatin1String("horse/jockey");
    p.knownMode = horseMode || trainerMode || mode == QLatin1String("jockey");
    if (!p.knownMode)
        return p;

    const QString& L = r.jockeyInList;
    const bool several = L.contains(QLatin1Char(','));
    if (listMode) {
        if (L.trimmed().isEmpty()) {
            p.noManagedJockeys = true;
        } else if (several) {
            r.jockey = QStringLiteral("All Managed Jockeys");
        } else {
            // The one name between "( '" and "')", shown as the jockey list
            // shows it (its quotes were doubled for the SQL).
            r.jockey = L.mid(3, qMax(0, int(L.size()) - 5)).replace(QStringLiteral("''"), QStringLiteral("'"));
        }
    }
    // Caption and label show the names as given, before any cut or quoting.
    const QString horse = r.horse;
    const QString trainer = r.trainer;
    const QString jockey = r.jockey;

    QString H, T, F;
    bool secondTrainer = false;
    if (horseMode) {
        const int bracket = r.horse.indexOf(QLatin1Char('('));
        if (bracket >= 1)
            r.horse = r.horse.left(bracket);
        r.horse = modDatabase::RemoteSqlQuote(r.horse);
        H = r.horse.toUpper();
    }
    if (trainerMode) {
        r.trainer = modDatabase::RemoteSqlQuote(r.trainer);
        T = r.trainer.toUpper();
        if (!r.formTrainer.isEmpty()) {
            F = modDatabase::RemoteSqlQuote(r.formTrainer);
            secondTrainer = F != T;
        }
        r.formTrainer.clear();
    }
    const QString J = modDatabase::RemoteSqlQuote(r.jockey.toUpper());
    // The managed jockeys' list was quoted for local SQL.
    const QString remoteList = modDatabase::RemoteInList(L);

    if (mode == QLatin1String("horse")) {
        p.showJockey = true;
        p.captionSuffix = QStringLiteral(" for Horse ") + horse;
        p.label = QStringLiteral("Horse : ") + horse;
        p.where = QStringLiteral("A.WHorse= '") + H + QStringLiteral("'");
    } else if (mode == QLatin1String("trainer")) {
        p.showHorse = true;
        p.showJockey = true;
        p.captionSuffix = QStringLiteral(" for Trainer ") + trainer;
        p.label = QStringLiteral("Trainer : ") + trainer;
        p.where = QStringLiteral("(A.WTrainer = '") + T + QStringLiteral("'") +
                  (secondTrainer ? QStringLiteral("or A.WTrainer = '") + F + QStringLiteral("')") : QStringLiteral(")"));
    } else if (mode == QLatin1String("trainer/jockey")) {
        p.showHorse = true;
        p.showJockey = several;
        p.captionSuffix = QStringLiteral(" for Trainer ") + trainer + QStringLiteral("  &  Jockey : ") + jockey;
        p.label = QStringLiteral("Trainer : ") + trainer + QStringLiteral("           Jockey : ") + jockey;
        p.where = QStringLiteral("(A.WTrainer = '") + T + QStringLiteral("'") +
                  (secondTrainer ? QStringLiteral(" or A.WTrainer = '") + F + QStringLiteral("') and A.WJockey in ")
                                 : QStringLiteral(") and A.WJockey in ")) +
                  remoteList;
    } else if (mode == QLatin1String("jockey")) {
        p.showHorse = true;
        p.showTrainer = true;
        p.showJockey = false;
        p.captionSuffix = QStringLiteral(" for Jockey ") + jockey;
        p.label = QStringLiteral("Jockey :") + jockey;
        p.where = QStringLiteral("A.WJockey= '") + J + QStringLiteral("'");
    } else { // horse/jockey
        p.showJockey = several;
        p.captionSuffix = QStringLiteral(" for Horse ") + horse + QStringLiteral("  &  Jockey : ") + jockey;
        p.label = QStringLiteral("Horse : ") + horse + QStringLiteral("       Jockey : ") + jockey;
        p.where = QStringLiteral("A.WHorse= '") + H + QStringLiteral("'") + QStringLiteral("and A.WJockey in ") + remoteList;
    }
    // Without managed jockeys the IN-list would be empty: invalid SQL.
    if (!p.noManagedJockeys)
        p.sql = QueryText(p.where);
    return p;
}

QString QueryText(const QString& where)
{
    return QStringLiteral("SELECT A.*, R.*, W.WHorse as Winner, S.WHorse as 2nd, T.WHORSE  as 3rd ") +
           QStringLiteral(" FROM WORKRACE A INNER JOIN RACEMAST R ON A.WRaceDate = R.RDate AND A.WTrack = R.RTrack "
                          "AND A.WRaceNo = R.RRaceNo") +
           QStringLiteral(" INNER JOIN WORKRACE W ON A.WRaceDate = W.WRaceDate AND A.WRaceNo = W.WRaceNo AND "
                          "A.WTrack = W.WTrack AND W.WFinPosn =1") +
           QStringLiteral(" LEFT OUTER JOIN WORKRACE S ON A.WRaceDate = S.WRaceDate AND A.WRaceNo = S.WRaceNo AND "
                          "A.WTrack = S.WTrack AND S.WFinPosn =2") +
           QStringLiteral(" LEFT OUTER JOIN WORKRACE T ON A.WRaceDate = T.WRaceDate AND A.WRaceNo = T.WRaceNo AND "
                          "A.WTrack = T.WTrack ") +
           QStringLiteral("AND T.WFinPosn =3 WHERE ") + where +
           QStringLiteral(" ORDER BY A.WRaceDate DESC, A.WTrack, A.WRaceNo, A.WHorse LIMIT 0,") +
           QString::number(kMaxRows);
}

QString Result::figure(int category) const
{
    const auto& c = counts[category - 1];
    return QStringLiteral("%1:%2-%3-%4").arg(c[0]).arg(c[1]).arg(c[2]).arg(c[3]);
}

void AddStatResult(Counts& counts, int category, int position)
{
    if (category < 1 || category > 9)
        return;
    auto& c = counts[category - 1];
    ++c[0];
    if (position >= 1 && position <= 3)
        ++c[position];
}

int SummaryColumn(int category)
{
    return category <= 2 ? category : category + 1;
}

QString NumberText(double value)
{
    if (value == std::floor(value) && std::fabs(value) < 1e15)
        return QString::number(static_cast<qint64>(value));
    return QString::number(value, 'g', 12);
}

Result ReadReply(const QString& mode, const QString& reply)
{
    Result res;
    const bool horseMode = mode == QLatin1String("horse");
    const int colSpell = kColSpell - 1;
    const int colFP = kColFP - 1;
    const int col2nd = ColumnOf(QStringLiteral("2nd")) - 1;
    const int col3rd = ColumnOf(QStringLiteral("3rd")) - 1;

    // A second row of the run just written (a dead heat) is known by these.
    QStringList lastRun;
    bool pendingSecond = false; // the last row had no second placegetter
    bool pendingThird = false;  // the last row had no third placegetter
    bool prepClosed = false;
    QDate previousDate;

    const QStringList pieces = modDatabase::ReplyFirstRows(reply, kMaxRows).split(QStringLiteral("<br>"));
    for (const QString& rawPiece : pieces) {
        const QStringList f = trimLineBreaks(rawPiece).split(QLatin1Char('|'));
        if (f.size() < 3) {
            if (!trimLineBreaks(rawPiece).isEmpty())
                ++res.skipped;
            continue;
        }
        const QStringList run = {field(f, fDate), field(f, fRaceNo), field(f, fHorse), field(f, fTrack)};
        const bool sameRun = !res.rows.isEmpty() && run == lastRun;

        if (field(f, fSecond).isEmpty()) {
            if (pendingSecond && sameRun) {
                pendingSecond = false;
                res.rows.last().cells[col2nd] = QStringLiteral("=") + modUtils::ProperCase(field(f, fWinner));
                continue;
            }
        }
        if (field(f, fThird).isEmpty()) {
            if (pendingThird && sameRun) {
                pendingThird = false;
                res.rows.last().cells[col3rd] = QStringLiteral("=") + modUtils::ProperCase(field(f, fSecond));
                continue;
            }
        }

        const QDate date = readDate(field(f, fDate));
        if (!date.isValid()) {
            // A run without a readable date can be neither shown nor placed
            // among the spells.
            ++res.skipped;
            continue;
        }

        Row row;
        row.date = date;
        row.cells = rowCells(f, date);
        const Condition cond = conditionOf(field(f, fCondition));
        row.textColor = cond.color;
        const int position = wholeNumber(field(f, fFinish));
        if (cond.category)
            AddStatResult(res.counts, cond.category, position);
        res.rows << row;
        const int r = int(res.rows.size());
        lastRun = run;
        pendingSecond = field(f, fSecond).isEmpty();
        pendingThird = field(f, fThird).isEmpty();

        if (horseMode && r >= 2 && previousDate.isValid()) {
            const qint64 days = date.daysTo(previousDate);
            Row& marked = res.rows[r - 2];
            if (days > 30 && days <= 60) {
                marked.mark = Mark::Freshen;
                marked.cells[colSpell] = QStringLiteral("Freshen(%1d)").arg(days);
            } else if (days > 60) {
                marked.mark = Mark::Spell;
                marked.cells[colSpell] = QStringLiteral("Spell(%1w)").arg(days / 7);
                prepClosed = true;
                AddStatResult(res.counts, 3, wholeNumber(marked.cells[colFP]));
                if (r - 2 >= 1 && res.rows[r - 3].cells[colSpell].isEmpty())
                    AddStatResult(res.counts, 4, wholeNumber(res.rows[r - 3].cells[colFP]));
            }
        }
        if (r == 1) {
            const QString finish = field(f, fFinish);
            res.lastStart = finish + modUtils::OrdinalSuffix(static_cast<qint16>(position));
        }
        AddStatResult(res.counts, 1, position);
        if (!prepClosed)
            AddStatResult(res.counts, 2, position);
        previousDate = date;
    }
    return res;
}
} // namespace FormStats
