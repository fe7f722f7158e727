#include "platform/ReportLayout.h"

#include "platform/Currency.h"

#include <QDate>
#include <QDateTime>
#include <QFontMetricsF>
#include <QLocale>
#include <QTime>

#include <algorithm>
#include <cmath>
#include <unordered_map>

// ---------------------------------------------------------------- data

ReportData ReportData::flat(const QList<ReportRow>& rows)
{
    ReportData d;
    d.groups.append(ReportGroup{ReportRow(), rows});
    return d;
}

ReportData ReportData::groupBy(const QList<ReportRow>& rows, const QString& key,
                               const QStringList& parentFields)
{
    ReportData d;
    QVariant current;
    for (const ReportRow& row : rows) {
        const QVariant k = ReportFieldValue(row, key);
        if (d.groups.isEmpty() || k != current) {
            ReportGroup g;
            g.parent.insert(key, k);
            for (const QString& f : parentFields)
                g.parent.insert(f, ReportFieldValue(row, f));
            d.groups.append(g);
            current = k;
        }
        d.groups.last().rows.append(row);
    }
    return d;
}

int ReportData::rowCount() const
{
    int n = 0;
    for (const ReportGroup& g : groups)
        n += static_cast<int>(g.rows.size());
    return n;
}

QVariant ReportFieldValue(const ReportRow& row, const QString& field)
{
    const auto it = row.constFind(field);
    if (it != row.constEnd())
        return it.value();
    for (auto i = row.constBegin(); i != row.constEnd(); ++i)
        if (i.key().compare(field, Qt::CaseInsensitive) == 0)
            return i.value();
    return QVariant();
}

// ---------------------------------------------------------------- formats

namespace
{
bool isNull(const QVariant& v)
{
    return !v.isValid() || v.isNull();
}

bool toNumber(const QVariant& v, double& out)
{
    switch (v.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Short:
    case QMetaType::Bool:
        out = v.toDouble();
        return true;
    default:
        break;
    }
    if (v.canConvert<Currency>() && v.typeId() == qMetaTypeId<Currency>()) {
        out = v.value<Currency>().toDouble();
        return true;
    }
    QString t = v.toString().trimmed();
    t.remove(QLatin1Char('$')).remove(QLatin1Char(','));
    bool ok = false;
    out = t.toDouble(&ok);
    return ok;
}

/** A date, time or both read from a stored value. */
bool toDateTime(const QVariant& v, QDateTime& out)
{
    switch (v.typeId()) {
    case QMetaType::QDateTime:
        out = v.toDateTime();
        return out.isValid();
    case QMetaType::QDate:
        out = QDateTime(v.toDate(), QTime(0, 0));
        return out.isValid();
    case QMetaType::QTime:
        out = QDateTime(QDate(1899, 12, 30), v.toTime());
        return out.isValid();
    default:
        break;
    }
    const QString t = v.toString().trimmed();
    for (const char* pattern : {"yyyy-MM-dd HH:mm:ss", "yyyy-MM-ddTHH:mm:ss", "yyyy-MM-dd HH:mm"}) {
        out = QDateTime::fromString(t, QString::fromLatin1(pattern));
        if (out.isValid())
            return true;
    }
    const QDate d = QDate::fromString(t.left(10), Qt::ISODate);
    if (d.isValid() && t.size() == 10) {
        out = QDateTime(d, QTime(0, 0));
        return true;
    }
    for (const char* pattern : {"HH:mm:ss", "HH:mm", "h:mm AP", "h:mm ap"}) {
        const QTime tm = QTime::fromString(t, QString::fromLatin1(pattern));
        if (tm.isValid()) {
            out = QDateTime(QDate(1899, 12, 30), tm);
            return true;
        }
    }
    return false;
}

QString money(double value)
{
    return Currency::fromDouble(value).toMoneyText();
}

QString shortest(double v)
{
    if (std::fabs(v - std::round(v)) < 1e-9 && std::fabs(v) < 1e15)
        return QString::number(static_cast<qint64>(std::llround(v)));
    return QString::number(v, 'g', 15);
}

bool isNumberPattern(const QString& f)
{
    if (f.isEmpty())
        return false;
    for (QChar c : f)
        if (c != QLatin1Char('0') && c != QLatin1Char('#') && c != QLatin1Char(',') && c != QLatin1Char('.'))
            return false;
    return true;
}
} // namespace

QString FormatReportValue(const QVariant& value, const QString& format)
{
    if (isNull(value))
        return QString();
    double n = 0;
    if (format.compare(QLatin1String("money"), Qt::CaseInsensitive) == 0)
        return toNumber(value, n) ? money(n) : value.toString();
    if (isNumberPattern(format)) {
        if (!toNumber(value, n))
            return value.toString();
        const int dot = static_cast<int>(format.indexOf(QLatin1Char('.')));
        const int decimals = dot < 0 ? 0 : static_cast<int>(format.size()) - dot - 1;
        return QString::number(Currency::fromDouble(n).rounded(std::min(decimals, 4)).toDouble(), 'f', decimals);
    }
    if (!format.isEmpty()) {
        QDateTime dt;
        if (!toDateTime(value, dt))
            return value.toString();
        // The C locale's month names are the English ones ("Sep", not "Sept").
        return QLocale::c().toString(dt, format);
    }
    switch (value.typeId()) {
    case QMetaType::Double:
    case QMetaType::Float:
        return shortest(value.toDouble());
    case QMetaType::Bool:
        return value.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    case QMetaType::QDate:
        return value.toDate().toString(QStringLiteral("dd/MM/yyyy"));
    case QMetaType::QDateTime: {
        const QDateTime dt = value.toDateTime();
        if (dt.date() == QDate(1899, 12, 30))
            return dt.time().toString(QStringLiteral("HH:mm:ss"));
        if (dt.time() == QTime(0, 0))
            return dt.date().toString(QStringLiteral("dd/MM/yyyy"));
        return dt.toString(QStringLiteral("dd/MM/yyyy HH:mm:ss"));
    }
    default:
        break;
    }
    if (value.typeId() == qMetaTypeId<Currency>())
        return shortest(value.value<Currency>().toDouble());
    return value.toString();
}

// ---------------------------------------------------------------- fonts

namespace
{
void installDefaultFallbacks()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    const struct
    {
        const char* family;
        QStringList fallbacks;
    } defaults[] = {
        // Arial is narrow; of the DejaVu faces the condensed one comes closest.
        {"Arial",
         {QStringLiteral("Liberation Sans"), QStringLiteral("Arimo"), QStringLiteral("DejaVu Sans Condensed"),
          QStringLiteral("DejaVu Sans")}},
        {"Verdana", {QStringLiteral("DejaVu Sans"), QStringLiteral("Liberation Sans")}},
        {"Copperplate Gothic Bold",
         {QStringLiteral("Liberation Serif"), QStringLiteral("DejaVu Serif")}},
    };
    for (const auto& d : defaults) {
        const QString family = QString::fromLatin1(d.family);
        if (QFont::substitutes(family).isEmpty())
            QFont::insertSubstitutions(family, d.fallbacks);
    }
}
} // namespace

QFont ReportQFont(const ReportFont& font)
{
    installDefaultFallbacks();
    QFont f(font.family);
    f.setPixelSize(std::max(1, static_cast<int>(std::lround(font.size * 20.0))));
    // A family named bold ("Copperplate Gothic Bold") stays bold in its
    // stand-in.
    f.setBold(font.bold || font.family.endsWith(QLatin1String(" Bold"), Qt::CaseInsensitive));
    f.setItalic(font.italic);
    f.setHintingPreference(QFont::PreferNoHinting);
    return f;
}

// ---------------------------------------------------------------- pages

const ReportItem* ReportPage::item(const QString& name) const
{
    for (const ReportItem& i : items)
        if (i.name.compare(name, Qt::CaseInsensitive) == 0)
            return &i;
    return nullptr;
}

QList<const ReportItem*> ReportPage::all(const QString& name) const
{
    QList<const ReportItem*> out;
    for (const ReportItem& i : items)
        if (i.name.compare(name, Qt::CaseInsensitive) == 0)
            out.append(&i);
    std::stable_sort(out.begin(), out.end(),
                     [](const ReportItem* a, const ReportItem* b) { return a->rect.top() < b->rect.top(); });
    return out;
}

QStringList ReportPage::texts() const
{
    QStringList out;
    for (const ReportItem& i : items)
        if (i.kind == ReportItem::Text)
            out << i.text;
    return out;
}

namespace
{
struct Built
{
    QList<ReportItem> items; // tops relative to the band
    QList<int> pageFieldItems;
    int height = 0;
};

class Layouter
{
public:
    Layouter(const ReportDefinition& def, const ReportData& data) : m_def(def), m_data(data) {}

    ReportLayout run()
    {
        m_out.title = m_def.title;
        m_out.caption = m_def.caption;
        m_out.pageWidth = m_def.pageWidth;
        m_out.pageHeight = m_def.pageHeight;
        m_pageHeader = visibleSection(ReportSectionKind::PageHeader);
        m_pageFooter = visibleSection(ReportSectionKind::PageFooter);
        if (m_pageHeader)
            m_headerBuilt = build(*m_pageHeader, nullptr, -1);
        if (m_pageFooter)
            m_footerBuilt = build(*m_pageFooter, nullptr, -1);
        m_out.bodyTop = m_def.marginTop + m_headerBuilt.height;
        m_out.bodyBottom = m_def.pageHeight - m_def.marginBottom - m_footerBuilt.height;

        startPage();
        flowAll(ReportSectionKind::ReportHeader, nullptr, -1, -1);
        for (int g = 0; g < m_data.groups.size(); ++g) {
            const ReportGroup& group = m_data.groups[g];
            const ReportRow* parent = group.parent.isEmpty() && !group.rows.isEmpty() ? &group.rows.first()
                                                                                      : &group.parent;
            flowAll(ReportSectionKind::GroupHeader, parent, g, -1);
            for (int r = 0; r < group.rows.size(); ++r)
                flowAll(ReportSectionKind::Detail, &group.rows[r], g, r);
            flowAll(ReportSectionKind::GroupFooter, parent, g, -1);
        }
        flowAll(ReportSectionKind::ReportFooter, nullptr, -1, -1);

        // Page numbers are known only now.
        const QString total = QString::number(m_out.pages.size());
        for (const auto& [page, index] : m_pageFields) {
            QString& text = m_out.pages[page].items[index].text;
            text.replace(QLatin1String("%p"), QString::number(page + 1));
            text.replace(QLatin1String("%P"), total);
        }
        return m_out;
    }

private:
    const ReportDefinition& m_def;
    const ReportData& m_data;
    ReportLayout m_out;
    const ReportSection* m_pageHeader = nullptr;
    const ReportSection* m_pageFooter = nullptr;
    Built m_headerBuilt;
    Built m_footerBuilt;
    int m_y = 0;
    QList<QPair<int, int>> m_pageFields;
    std::unordered_map<QString, QFontMetricsF> m_metrics;

    const ReportSection* visibleSection(ReportSectionKind kind) const
    {
        for (const ReportSection& s : m_def.sections)
            if (s.kind == kind && s.visible)
                return &s;
        return nullptr;
    }

    ReportFont resolved(const ReportFont& f) const { return f.family.isEmpty() ? m_def.font : f; }

    int textHeight(const ReportFont& font, int width, const QString& text)
    {
        const QString key = QStringLiteral("%1|%2|%3|%4").arg(font.family).arg(font.size).arg(font.bold).arg(font.italic);
        auto it = m_metrics.find(key);
        if (it == m_metrics.end())
            it = m_metrics.try_emplace(key, ReportQFont(font)).first;
        const QRectF r = it->second.boundingRect(QRectF(0, 0, std::max(width, 1), 1e7),
                                          Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, text);
        return static_cast<int>(std::ceil(r.height()));
    }

    QString functionValue(const ReportControl& c, int group)
    {
        QList<const ReportRow*> rows;
        if (group >= 0) {
            for (const ReportRow& r : m_data.groups[group].rows)
                rows << &r;
        } else {
            for (const ReportGroup& g : m_data.groups)
                for (const ReportRow& r : g.rows)
                    rows << &r;
        }
        if (c.function == ReportFunction::Count)
            return FormatReportValue(static_cast<qlonglong>(rows.size()), c.format);
        if (c.function == ReportFunction::Sum) {
            // Summed in ten-thousandths so money columns add up exactly.
            Currency sum;
            for (const ReportRow* r : rows) {
                double n = 0;
                const QVariant v = ReportFieldValue(*r, c.field);
                if (!isNull(v) && toNumber(v, n))
                    sum += Currency::fromDouble(n);
            }
            return FormatReportValue(sum.toDouble(), c.format);
        }
        return QString();
    }

    Built build(const ReportSection& s, const ReportRow* row, int group)
    {
        Built b;
        int bottom = s.height;
        for (const ReportControl& c : s.controls) {
            if (!c.visible)
                continue;
            ReportItem item;
            item.name = c.name;
            item.section = s.name;
            item.font = resolved(c.font);
            item.align = c.align;
            int h = c.height;
            bool pageField = false;
            switch (c.kind) {
            case ReportControlKind::Line:
                if (c.width == 0 && c.height == 0)
                    continue;
                item.kind = ReportItem::Line;
                break;
            case ReportControlKind::RoundRect:
                if (c.width <= 0 || c.height <= 0)
                    continue;
                item.kind = ReportItem::RoundRect;
                break;
            case ReportControlKind::Label:
                item.text = c.caption;
                if (item.text.contains(QLatin1String("%i")))
                    item.text.replace(QLatin1String("%i"), m_def.title);
                pageField = item.text.contains(QLatin1String("%p")) || item.text.contains(QLatin1String("%P"));
                break;
            case ReportControlKind::TextBox:
                item.text = row ? FormatReportValue(ReportFieldValue(*row, c.field), c.format) : QString();
                break;
            case ReportControlKind::Function:
                item.text = functionValue(c, group);
                break;
            }
            if (item.kind == ReportItem::Text) {
                item.text.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
                if (item.text.isEmpty())
                    continue;
                if (c.canGrow)
                    h = std::max(h, textHeight(item.font, c.width, item.text));
            }
            item.rect = QRect(m_def.marginLeft + c.left, c.top, c.width, h);
            bottom = std::max(bottom, c.top + std::max(h, 0));
            if (pageField)
                b.pageFieldItems << static_cast<int>(b.items.size());
            b.items << item;
        }
        b.height = bottom;
        return b;
    }

    void place(const Built& b, const ReportSection& s, int top, int group, int row)
    {
        ReportPage& page = m_out.pages.last();
        const int pageIndex = static_cast<int>(m_out.pages.size()) - 1;
        page.bands << ReportBand{s.name, s.kind, top, b.height, group, row};
        const int first = static_cast<int>(page.items.size());
        for (ReportItem item : b.items) {
            item.rect.translate(0, top);
            page.items << item;
        }
        for (int i : b.pageFieldItems)
            m_pageFields << qMakePair(pageIndex, first + i);
    }

    void startPage()
    {
        m_out.pages.append(ReportPage());
        if (m_pageHeader)
            place(m_headerBuilt, *m_pageHeader, m_def.marginTop, -1, -1);
        if (m_pageFooter)
            place(m_footerBuilt, *m_pageFooter, m_out.bodyBottom, -1, -1);
        m_y = m_out.bodyTop;
    }

    void flowAll(ReportSectionKind kind, const ReportRow* row, int group, int rowIndex)
    {
        for (const ReportSection& s : m_def.sections) {
            if (s.kind != kind || !s.visible)
                continue;
            const Built b = build(s, row, group);
            if (b.height <= 0 && b.items.isEmpty())
                continue;
            if (m_y + b.height > m_out.bodyBottom && m_y > m_out.bodyTop)
                startPage();
            place(b, s, m_y, group, rowIndex);
            m_y += b.height;
        }
    }
};
} // namespace

ReportLayout LayoutReport(const ReportDefinition& def, const ReportData& data)
{
    Layouter l(def, data);
    return l.run();
}

// ---------------------------------------------------------------- paper

QRectF ReportContentBox(const ReportLayout& layout)
{
    bool any = false;
    double left = 0, top = 0, right = 0, bottom = 0;
    for (const ReportPage& page : layout.pages)
        for (const ReportItem& item : page.items) {
            // A line's rectangle runs from its start to its end, either way.
            const QRect& r = item.rect;
            const double x1 = std::min(r.x(), r.x() + r.width());
            const double x2 = std::max(r.x(), r.x() + r.width());
            const double y1 = std::min(r.y(), r.y() + r.height());
            const double y2 = std::max(r.y(), r.y() + r.height());
            left = any ? std::min(left, x1) : x1;
            top = any ? std::min(top, y1) : y1;
            right = any ? std::max(right, x2) : x2;
            bottom = any ? std::max(bottom, y2) : y2;
            any = true;
        }
    return any ? QRectF(QPointF(left, top), QPointF(right, bottom)) : QRectF();
}

QRectF ReportPrintableArea(const ReportLayout& layout, const QMarginsF& unprintable)
{
    const double least = kReportMinimumMargin;
    const QMarginsF m(std::max(least, unprintable.left()), std::max(least, unprintable.top()),
                      std::max(least, unprintable.right()), std::max(least, unprintable.bottom()));
    return QRectF(0, 0, layout.pageWidth, layout.pageHeight).marginsRemoved(m);
}

namespace
{
// Where a span [from, from + length) of content goes along one axis of the
// printable span [low, high): where it is when it lies inside, else moved in.
double placedStart(double from, double length, double low, double high)
{
    return std::max(low, std::min(from, high - length));
}
} // namespace

ReportPlacement PlaceReport(const ReportLayout& layout, const QRectF& printable)
{
    ReportPlacement p;
    const QRectF box = ReportContentBox(layout);
    if (box.isNull() || printable.width() <= 0 || printable.height() <= 0)
        return p;
    if (box.width() > printable.width())
        p.scale = printable.width() / box.width();
    if (box.height() * p.scale > printable.height())
        p.scale = printable.height() / box.height();
    const double x = placedStart(box.left(), box.width() * p.scale, printable.left(), printable.right());
    const double y = placedStart(box.top(), box.height() * p.scale, printable.top(), printable.bottom());
    p.offset = QPointF(x - box.left() * p.scale, y - box.top() * p.scale);
    return p;
}
