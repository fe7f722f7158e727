#include "mainwindow/FieldFileParser.h"

#include <QFileInfo>
#include <QStringDecoder>
#include <QStringList>

#include <cmath>
#include <cstdlib>
#include <string>

namespace FieldFileParser
{
namespace
{
// Fields each record must have for the values read from it.
constexpr int kMeetingFields = 9;
// Field 20 (the field limit's extra) is read only when field 19 sets a
// limit, so a header may end at field 19.
constexpr int kHeaderFields = 20;
constexpr int kRunnerFields = 18;
constexpr int kBreedingFields = 3;
constexpr int kTrainerFields = 3;

const QString kAcceptances = QStringLiteral("ACP");

/** A fault in the file: ends the reading of it. */
struct FormatError
{
    int line;
    QString text;
};

[[noreturn]] void fail(int line, const QString& text)
{
    throw FormatError{line, text};
}

bool isBlank(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

/** Leading and trailing blanks removed (only blanks: other white space is data). */
QStringView trimBlanks(QStringView s)
{
    qsizetype b = 0;
    qsizetype e = s.size();
    while (b < e && s[b] == QLatin1Char(' '))
        ++b;
    while (e > b && s[e - 1] == QLatin1Char(' '))
        --e;
    return s.mid(b, e - b);
}

/** A whole number written as such: optional sign, digits, blanks around. */
bool wholeNumber(QStringView text, int& out)
{
    qsizetype i = 0;
    qsizetype e = text.size();
    while (i < e && isBlank(text[i]))
        ++i;
    while (e > i && isBlank(text[e - 1]))
        --e;
    bool negative = false;
    if (i < e && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-'))) {
        negative = text[i] == QLatin1Char('-');
        ++i;
    }
    if (i >= e || e - i > 9)
        return false;
    int v = 0;
    for (; i < e; ++i) {
        const QChar c = text[i];
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
        v = v * 10 + (c.unicode() - '0');
    }
    out = negative ? -v : v;
    return true;
}

/** A two-character number of the record's position columns: digits only,
 *  blanks around allowed. */
bool positionNumber(QStringView text, int& out)
{
    const QStringView t = text.trimmed();
    if (t.isEmpty())
        return false;
    for (const QChar c : t)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    out = t.toInt();
    return true;
}

/** The number a text starts with, read the way the program has always read
 *  numbers kept as text: blanks anywhere are ignored, then an optional sign,
 *  digits, a decimal point and an exponent; 0 when there is none. False only
 *  when the number is too large to hold. */
bool leadingValue(QStringView text, double& out)
{
    std::string s;
    s.reserve(static_cast<size_t>(text.size()));
    for (const QChar c : text) {
        if (c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n'))
            continue;
        s.push_back(c.unicode() < 128 ? static_cast<char>(c.unicode()) : '?');
    }
    size_t i = 0;
    std::string num;
    if (i < s.size() && (s[i] == '+' || s[i] == '-'))
        num.push_back(s[i++]);
    size_t digits = 0;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') {
        num.push_back(s[i++]);
        ++digits;
    }
    if (i < s.size() && s[i] == '.') {
        num.push_back(s[i++]);
        while (i < s.size() && s[i] >= '0' && s[i] <= '9') {
            num.push_back(s[i++]);
            ++digits;
        }
    }
    if (digits == 0) {
        out = 0;
        return true;
    }
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E' || s[i] == 'd' || s[i] == 'D')) {
        std::string exp = "e";
        size_t j = i + 1;
        if (j < s.size() && (s[j] == '+' || s[j] == '-'))
            exp.push_back(s[j++]);
        const size_t start = j;
        while (j < s.size() && s[j] >= '0' && s[j] <= '9' && j - start < 6)
            exp.push_back(s[j++]);
        if (j > start)
            num += exp;
    }
    const double v = std::strtod(num.c_str(), nullptr);
    if (!std::isfinite(v))
        return false;
    out = v;
    return true;
}

/** A number as decimal text: whole numbers without a decimal point. */
QString numberText(double v)
{
    if (v == std::floor(v) && std::fabs(v) < 1e15)
        return QString::number(static_cast<qint64>(v));
    return QString::number(v, 'g', 15);
}


/** Start time from "h.mm" and the "P.M." marker; no value when the text
 *  does not make a time of day. */
std::optional<QTime> timeOf(QStringView clock, bool afternoon)
{
    const QList<QStringView> parts = trimBlanks(clock).split(QLatin1Char('.'));
    if (parts.size() > 3)
        return std::nullopt;
    int hms[3] = {0, 0, 0};
    for (int i = 0; i < parts.size(); ++i) {
        const QStringView p = parts[i];
        if (p.isEmpty() || p.size() > 2)
            return std::nullopt;
        for (const QChar c : p)
            if (c < QLatin1Char('0') || c > QLatin1Char('9'))
                return std::nullopt;
        hms[i] = p.toInt();
    }
    int h = hms[0];
    if (h > 23 || hms[1] > 59 || hms[2] > 59)
        return std::nullopt;
    // A 12-hour clock reading; 0 and 13..23 are already on the 24-hour clock.
    if (h >= 1 && h <= 12)
        h = (h % 12) + (afternoon ? 12 : 0);
    return QTime(h, hms[1], hms[2]);
}

QChar cp1252(uchar b)
{
    static const char16_t high[32] = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
    };
    if (b >= 0x80 && b < 0xA0)
        return QChar(high[b - 0x80]);
    return QChar(b);
}

using Fields = QList<QStringView>;

/** The fields of a record: from character 8 on, split on "<" (a line shorter
 *  than 8 characters has one empty field). */
Fields fieldsOf(QStringView line)
{
    return line.mid(7).split(QLatin1Char('<'));
}

/** The parts joined into one text. */
QString cat(std::initializer_list<QStringView> parts)
{
    qsizetype n = 0;
    for (const QStringView p : parts)
        n += p.size();
    QString s;
    s.reserve(n);
    for (const QStringView p : parts)
        s.append(p);
    return s;
}

bool after(QStringView a, QLatin1StringView b)
{
    return a.compare(b) > 0;
}

/** Reading state of one file. */
class Reader
{
public:
    explicit Reader(const QString& stage) : m_acceptances(stage == kAcceptances) {}

    void line(QStringView text, int lineNo);
    void finish();

    Result result;

private:
    void meetingRecord(const Fields& f, int lineNo);
    void raceHeader(QStringView text, const Fields& f, int lineNo);
    void raceText(const Fields& f, int lineNo);
    void runnerRecord(QStringView text, QStringView kind, int lineNo);
    void runner400(const Fields& f, int lineNo);
    void trainer700(QStringView text, const Fields& f, int lineNo);
    int raceNumberOf(QStringView text, int lineNo) const;

    const bool m_acceptances;
    bool m_haveMeeting = false;
    bool m_haveHeader = false;
    bool m_pending = false;
    Race m_race;
    QString m_raceCode;
    int m_fieldLimit = 0;
    int m_limitTotal = 0;
    int m_entryOffset = 0;

    // Runner values: the "400" values stay until the next "400" record (or
    // longer, for those that carry over); breeding and owners are cleared
    // after each stored runner.
    QString m_horse, m_horseName, m_dob, m_eorb, m_horseType, m_form, m_jockey, m_ballot, m_class;
    QString m_rating = QStringLiteral("0");
    int m_barrier = 0;
    int m_weight = 0;
    int m_age = 0;
    QString m_blood1, m_blood2, m_blood3, m_owners;
};

void Reader::line(QStringView text, int lineNo)
{
    const QStringView raceNo = text.mid(0, 2);
    const int raceOrder = raceNo.compare(QLatin1StringView("00"));
    if (raceOrder == 0) {
        meetingRecord(fieldsOf(text), lineNo);
        return;
    }
    if (raceOrder < 0)
        return;
    const QStringView raceKind = text.mid(2, 4);
    if (raceKind == QLatin1StringView("0010")) {
        raceHeader(text, fieldsOf(text), lineNo);
        return;
    }
    if (after(raceKind, QLatin1StringView("0010")) && raceKind.compare(QLatin1StringView("0040")) < 0) {
        raceText(fieldsOf(text), lineNo);
        return;
    }
    const QStringView runnerKind = text.mid(4, 3);
    if (after(runnerKind, QLatin1StringView("399")))
        runnerRecord(text, runnerKind, lineNo);
}

int Reader::raceNumberOf(QStringView text, int lineNo) const
{
    int n = 0;
    if (!positionNumber(text.mid(0, 2), n))
        fail(lineNo, QStringLiteral("the race number \"%1\" is not a number").arg(text.mid(0, 2)));
    return n;
}

void Reader::meetingRecord(const Fields& f, int lineNo)
{
    if (m_haveMeeting)
        fail(lineNo, QStringLiteral("a second meeting record"));
    if (f.size() < kMeetingFields)
        fail(lineNo, QStringLiteral("the meeting record has %1 fields, %2 are needed")
                         .arg(f.size())
                         .arg(kMeetingFields));
    const std::optional<QDate> date = dateOf(f[3].toString());
    if (!date)
        fail(lineNo, QStringLiteral("the meeting date \"%1\" is not a day/month/year date").arg(f[3]));
    Meeting& m = result.meeting;
    m.location = f[8].toString();
    m.details = cat({f[6], u" ", f[7]});
    m.date = *date;
    m.line = lineNo;
    m_haveMeeting = true;
}

void Reader::raceHeader(QStringView text, const Fields& f, int lineNo)
{
    if (!m_haveMeeting)
        fail(lineNo, QStringLiteral("a race header before the meeting record"));
    if (f.size() < kHeaderFields)
        fail(lineNo, QStringLiteral("the race header has %1 fields, %2 are needed")
                         .arg(f.size())
                         .arg(kHeaderFields));
    Race r;
    r.line = lineNo;
    r.raceNumber = raceNumberOf(text, lineNo);
    r.raceCode = cat({f[18], u" ", f[17]}).left(20);
    r.details = cat({f[0], u" ", f[4], u" ", f[11]});
    r.distance = f[18].toString();
    if (after(f[2], QLatin1StringView(" "))) {
        r.time = timeOf(f[2], f[3] == QLatin1StringView("P.M."));
        if (!r.time)
            fail(lineNo, QStringLiteral("the start time \"%1 %2\" is not a time of day").arg(f[2], f[3]));
    }
    r.apprClaim = f[5] == QLatin1StringView("C");

    m_fieldLimit = 0;
    m_limitTotal = 0;
    if (after(f[19], QLatin1StringView("0"))) {
        r.details.append(u" Field Limit: ").append(f[19]);
        if (f.size() > 20 && after(f[20], QLatin1StringView("0"))) {
            r.details.append(u'+').append(f[20]);
            int limit = 0;
            int extra = 0;
            if (!wholeNumber(f[19], limit) || !wholeNumber(f[20], extra))
                fail(lineNo, QStringLiteral("the field limit \"%1+%2\" is not a number").arg(f[19], f[20]));
            m_fieldLimit = limit;
            m_limitTotal = limit + extra;
        }
    }
    m_raceCode = r.raceCode;
    m_race = std::move(r);
    m_pending = true;
    m_haveHeader = true;
}

void Reader::raceText(const Fields& f, int lineNo)
{
    if (!m_haveMeeting)
        fail(lineNo, QStringLiteral("a race record before the meeting record"));
    // Text that arrives after its race was stored has nothing to belong to.
    if (m_pending)
        m_race.details.append(u'\r').append(f[0]);
}

void Reader::runnerRecord(QStringView text, QStringView kind, int lineNo)
{
    const bool known = kind == QLatin1StringView("400") || kind == QLatin1StringView("500")
        || kind == QLatin1StringView("600") || kind == QLatin1StringView("700");
    if (known && !m_haveMeeting)
        fail(lineNo, QStringLiteral("a runner record before the meeting record"));
    if (known && !m_haveHeader)
        fail(lineNo, QStringLiteral("a runner record before any race header"));
    if (m_pending) {
        result.races << m_race;
        m_pending = false;
        m_entryOffset = 0;
    }
    if (!known)
        return;
    const Fields f = fieldsOf(text);
    if (kind == QLatin1StringView("400")) {
        runner400(f, lineNo);
    } else if (kind == QLatin1StringView("500")) {
        if (f.size() < kBreedingFields)
            fail(lineNo, QStringLiteral("the breeding record has %1 fields, %2 are needed")
                             .arg(f.size())
                             .arg(kBreedingFields));
        m_blood1 = f[0].toString();
        m_blood2 = f[1].toString();
        m_blood3 = f[2].toString();
    } else if (kind == QLatin1StringView("600")) {
        m_owners = f[0].toString();
    } else {
        trainer700(text, f, lineNo);
    }
}

void Reader::runner400(const Fields& f, int lineNo)
{
    if (f.size() < kRunnerFields)
        fail(lineNo, QStringLiteral("the runner record has %1 fields, %2 are needed")
                         .arg(f.size())
                         .arg(kRunnerFields));
    m_horse = f[13].toString();
    m_horseName = horseNameOf(m_horse);
    m_dob = f[12].toString();

    m_barrier = 0;
    if (!trimBlanks(f[2]).isEmpty() && !wholeNumber(f[2], m_barrier))
        fail(lineNo, QStringLiteral("the barrier \"%1\" is not a number").arg(f[2]));

    // Two digits of kilograms, "|" at the end for an extra half kilogram.
    const QString weightText = cat({f[3].left(2), f[3].endsWith(u'|') ? u"5" : u"0"});
    if (!wholeNumber(weightText, m_weight))
        fail(lineNo, QStringLiteral("the weight \"%1\" is not a number").arg(f[3]));

    if (!trimBlanks(f[7]).isEmpty() && !wholeNumber(f[7], m_age))
        fail(lineNo, QStringLiteral("the age \"%1\" is not a number").arg(f[7]));

    if (!f[9].isEmpty()) {
        m_eorb = f[9].toString();
    } else {
        m_eorb.clear();
        if (m_acceptances && !trimBlanks(f[17]).isEmpty()) {
            QString placeText = f[17].toString();
            placeText.remove(QLatin1Char('='));
            int place = 0;
            if (!wholeNumber(placeText, place))
                fail(lineNo, QStringLiteral("the ballot place \"%1\" is not a number").arg(f[17]));
            if (place > m_limitTotal && m_limitTotal > 0)
                m_eorb = QStringLiteral("B");
            else if (place > m_fieldLimit && m_fieldLimit > 0)
                m_eorb = QStringLiteral("E");
        }
    }

    m_horseType = f[5].toString().toLower() + QLatin1Char(' ') + f[6].toString().toLower() + QLatin1Char(' ')
        + QString::number(m_age);
    m_form = f[14].toString().toLower();
    m_jockey = f[15].toString();
    m_ballot = f[17].toString();
    if (f.size() >= 19 && f[18] != QLatin1StringView(">"))
        m_class = f[18].toString();
    if (f.size() >= 20) {
        double v = 0;
        if (!leadingValue(f[19], v))
            fail(lineNo, QStringLiteral("the rating \"%1\" is too large").arg(f[19]));
        m_rating = numberText(v);
    }
}

void Reader::trainer700(QStringView text, const Fields& f, int lineNo)
{
    if (f[0].isEmpty())
        return;
    if (f.size() < kTrainerFields)
        fail(lineNo, QStringLiteral("the trainer record has %1 fields, %2 are needed")
                         .arg(f.size())
                         .arg(kTrainerFields));
    int runnerNo = 0;
    if (!positionNumber(text.mid(2, 2), runnerNo))
        fail(lineNo, QStringLiteral("the runner number \"%1\" is not a number").arg(text.mid(2, 2)));
    // Runner numbers have two digits: "00" after "99" starts the next hundred.
    if (runnerNo == 0)
        m_entryOffset += 100;

    Runner r;
    r.line = lineNo;
    r.raceNumber = raceNumberOf(text, lineNo);
    r.raceCode = m_raceCode;
    r.trainerName = trimBlanks(f[0]).left(30).toString();
    r.phone = f[2].left(15).toString();
    r.trainerLocation = f[1].toString();
    r.horse = m_horse;
    r.horseClass = m_class;
    r.weight = m_weight;
    r.form = m_form;
    r.rating = m_rating;
    r.jockey = m_jockey;
    r.horseType = m_horseType;
    r.blood1 = m_blood1;
    r.blood2 = m_blood2;
    r.blood3 = m_blood3;
    r.owners = m_owners;
    r.horseDob = m_dob;
    r.ballot = m_ballot;
    r.barrier = m_barrier;
    r.entryNo = runnerNo + m_entryOffset;
    r.eorb = m_eorb;
    r.horseName = m_horseName;
    result.runners << std::move(r);

    m_blood1.clear();
    m_blood2.clear();
    m_blood3.clear();
    m_owners.clear();
}

void Reader::finish()
{
    // A race header with no runner after it is not a race of the meeting.
    m_pending = false;
    if (!m_haveMeeting)
        fail(0, QStringLiteral("the file holds no meeting record"));
}
} // namespace

QString decodeText(const QByteArray& bytes)
{
    QStringDecoder utf8(QStringConverter::Utf8);
    const QString text = utf8(bytes);
    if (!utf8.hasError())
        return text;
    QString out;
    out.resize(bytes.size());
    QChar* d = out.data();
    for (const char c : bytes)
        *d++ = cp1252(static_cast<uchar>(c));
    return out;
}

Result parse(const QByteArray& bytes, const QString& stage)
{
    if (bytes.isEmpty()) {
        Result r;
        r.error = QStringLiteral("the file is empty");
        return r;
    }
    const qsizetype nul = bytes.indexOf('\0');
    if (nul >= 0) {
        Result r;
        r.errorLine = static_cast<int>(bytes.left(nul).count('\n')) + 1;
        r.error = QStringLiteral("the file holds binary data, it is not a field file");
        return r;
    }
    return parseText(decodeText(bytes), stage);
}

Result parseText(const QString& text, const QString& stage)
{
    Reader reader(stage);
    try {
        int lineNo = 0;
        qsizetype start = 0;
        while (start < text.size()) {
            qsizetype end = text.indexOf(QLatin1Char('\n'), start);
            if (end < 0)
                end = text.size();
            qsizetype stop = end;
            if (stop > start && text[stop - 1] == QLatin1Char('\r'))
                --stop;
            ++lineNo;
            reader.line(QStringView(text).mid(start, stop - start), lineNo);
            start = end + 1;
        }
        reader.finish();
    } catch (const FormatError& e) {
        Result r;
        r.errorLine = e.line;
        r.error = e.text;
        return r;
    }
    reader.result.ok = true;
    return std::move(reader.result);
}

QString stageFromExtension(const QString& extension)
{
    static const QStringList nominations = {QStringLiteral("DFN"), QStringLiteral("DGN"), QStringLiteral("DNP")};
    static const QStringList weights = {QStringLiteral("DFW"), QStringLiteral("DGW"), QStringLiteral("DNW")};
    static const QStringList acceptances = {QStringLiteral("DFA"), QStringLiteral("DNA"), QStringLiteral("DGA")};
    if (nominations.contains(extension))
        return QStringLiteral("NOM");
    if (weights.contains(extension))
        return QStringLiteral("WGT");
    if (acceptances.contains(extension))
        return QStringLiteral("ACP");
    return QStringLiteral("N/A");
}

FileName splitFileName(const QString& path)
{
    FileName n;
    const QString name = QFileInfo(path).fileName();
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot <= 0)
        return n;
    n.meetingCode = trimBlanks(QStringView(name).left(dot)).toString();
    n.extension = trimBlanks(QStringView(name).mid(dot + 1)).toString();
    n.stage = stageFromExtension(n.extension);
    n.valid = !n.meetingCode.isEmpty();
    return n;
}

QString trackCode(const QString& meetingCode)
{
    return meetingCode.mid(4);
}

QString horseNameOf(const QString& horse)
{
    const qsizetype bracket = horse.indexOf(QLatin1Char('('));
    if (bracket >= 1)
        return horse.left(bracket).toUpper();
    return horse.toUpper();
}

std::optional<QDate> dateOf(const QString& field)
{
    const QStringList parts = field.right(8).split(QLatin1Char('/'));
    if (parts.size() < 3)
        return std::nullopt;
    int v[3];
    for (int i = 0; i < 3; ++i) {
        bool ok = false;
        v[i] = parts[i].trimmed().toInt(&ok);
        if (!ok || v[i] < 0)
            return std::nullopt;
    }
    const int year = v[2] < 100 ? v[2] + 2000 : v[2];
    const QDate d(year, v[1], v[0]);
    if (!d.isValid())
        return std::nullopt;
    return d;
}
} // namespace FieldFileParser
