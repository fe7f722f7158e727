#pragma once

#include "platform/ReportDefinition.h"

#include <QFont>
#include <QList>
#include <QMarginsF>
#include <QPointF>
#include <QRect>
#include <QRectF>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantMap>

/** One row of a report's data: field name → value (Null = invalid QVariant).
 *  Fields are looked up without regard to letter case. */
using ReportRow = QVariantMap;

/** A parent row (what a group header and footer show) with its child rows
 *  (one detail each). A report without group sections prints the rows of
 *  every group one after another. */
struct ReportGroup
{
    ReportRow parent;
    QList<ReportRow> rows;
};

struct ReportData
{
    QList<ReportGroup> groups;

    /** All rows as one group without a parent row. */
    static ReportData flat(const QList<ReportRow>& rows);
    /**
     * Rows already ordered by `key` grouped into one group per run of equal
     * key values; the parent row holds the key and, for each of
     * `parentFields`, the value of the group's first row.
     */
    static ReportData groupBy(const QList<ReportRow>& rows, const QString& key,
                              const QStringList& parentFields);
    int rowCount() const;
};

/** The value of `field` in `row`, letter case ignored; Null when absent. */
QVariant ReportFieldValue(const ReportRow& row, const QString& field);

/**
 * A value as a report control prints it. Null prints empty. Formats:
 * "money" ("$#,##0.00", negative "-$5.00"), "0.00", or a date/time pattern
 * of d/dd/MMM/MM/yyyy/HH/mm/ss ("d MMM yyyy", "HH.mm"; English month
 * names). Without a format: whole numbers and decimals in their shortest
 * form ("54.5", "56"), dates "dd/MM/yyyy", texts as they are.
 */
QString FormatReportValue(const QVariant& value, const QString& format);

/** The Qt font for a report font, sized in twips (1 point = 20 twips) so
 *  that text measured with it is in the layout's units. */
QFont ReportQFont(const ReportFont& font);

/** One thing to draw, placed on its page in twips from the paper's corner. */
struct ReportItem
{
    enum Kind
    {
        Text,
        Line,
        RoundRect,
    };
    Kind kind = Text;
    QString name;    ///< the control's name
    QString section; ///< the section's name
    QRect rect;      ///< lines: from topLeft to (x + width, y + height)
    QString text;
    ReportFont font; ///< resolved (never the empty family)
    ReportAlign align = ReportAlign::Left;
};

/** One printed instance of a section. */
struct ReportBand
{
    QString section;
    ReportSectionKind kind = ReportSectionKind::Detail;
    int top = 0;    ///< twips from the paper's top
    int height = 0; ///< after growing
    int group = -1; ///< index of the data group, -1 outside groups
    int row = -1;   ///< index of the row in its group (details), else -1
};

struct ReportPage
{
    QList<ReportBand> bands;
    QList<ReportItem> items;

    /** The first item drawn for control `name` (letter case ignored). */
    const ReportItem* item(const QString& name) const;
    /** All items of a control on this page, top to bottom. */
    QList<const ReportItem*> all(const QString& name) const;
    /** Texts of the page, in drawing order. */
    QStringList texts() const;
};

struct ReportLayout
{
    QString title;
    QString caption;
    int pageWidth = 0;
    int pageHeight = 0;
    int bodyTop = 0;    ///< first line below the page header
    int bodyBottom = 0; ///< the page footer's top
    QList<ReportPage> pages;
};

/**
 * Lays a report out on pages: the page header at the top and the page footer
 * at the bottom of every page; then the report header, each group's header,
 * its details and its footer, and the report footer, one below the other.
 * A section that does not fit in what is left of a page moves whole to the
 * next page; no section is ever split. A control that can grow wraps its
 * text within its width and the section grows to hold it; nothing drawn is
 * clipped by its section's height (a section reaches down to its lowest
 * drawn control). Labels print "%i" as the title and, once all pages are
 * known, "%p" as the page number and "%P" as the number of pages. Empty
 * texts, hidden controls and lines of no length draw nothing.
 */
ReportLayout LayoutReport(const ReportDefinition& def, const ReportData& data);

/** The least room a printed or PDF page keeps clear along each edge, in
 *  twips (6 mm): most printers cannot print nearer the paper's edge. */
constexpr int kReportMinimumMargin = 340;

/** How a layout goes onto paper: every point is scaled by `scale` (1, or
 *  less when the content does not fit) about the paper's corner and then
 *  moved by `offset`, in twips. */
struct ReportPlacement
{
    double scale = 1.0;
    QPointF offset;

    QPointF map(const QPointF& p) const { return p * scale + offset; }
    QRectF map(const QRectF& r) const { return QRectF(map(r.topLeft()), map(r.bottomRight())); }
};

/** The smallest rectangle (twips) holding everything drawn on any page of
 *  the layout; an empty rectangle when nothing is drawn. */
QRectF ReportContentBox(const ReportLayout& layout);

/** Where the layout's paper can be printed on: the paper less what the
 *  device cannot reach (`unprintable`, twips per edge), each edge keeping at
 *  least kReportMinimumMargin. */
QRectF ReportPrintableArea(const ReportLayout& layout, const QMarginsF& unprintable = QMarginsF());

/**
 * One placement for all pages of the layout, so the pages stay alike: the
 * content stays where the layout put it when it lies inside `printable`;
 * content that lies partly outside but fits is moved in just far enough;
 * only content larger than `printable` is scaled down, keeping its
 * proportions, until it fits.
 */
ReportPlacement PlaceReport(const ReportLayout& layout, const QRectF& printable);
