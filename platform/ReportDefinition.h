#pragma once

#include <QList>
#include <QString>
#include <QStringList>

/**
 * A banded report as data: sections (report header, page header, group
 * header, detail, group footer, page footer, report footer) with their
 * heights, each holding named controls placed in twips (1440 per inch).
 *
 * A report is printed from a copy: the functions that define the program's
 * reports return a fresh definition each time, the caller changes captions,
 * tops, widths and section heights on its own copy, and nothing carries over
 * to the next print.
 *
 * Control and section names are found without regard to letter case.
 */

/** A font as a report names it; an empty family means the report's font.
 *  Families the machine lacks fall back (see SetReportFontFallbacks). */
struct ReportFont
{
    QString family;
    double size = 8.25; // points
    bool bold = false;
    bool italic = false;

    static ReportFont of(const QString& family, double size, bool bold = false, bool italic = false)
    {
        return ReportFont{family, size, bold, italic};
    }
    bool operator==(const ReportFont&) const = default;
};

enum class ReportAlign
{
    Left,
    Center,
    Right,
};

enum class ReportControlKind
{
    Label,     ///< fixed caption; "%i" title, "%p" page, "%P" pages
    TextBox,   ///< bound to a field of the current row
    Function,  ///< count or sum over the rows of its scope
    Line,      ///< a line from (left, top) to (left + width, top + height)
    RoundRect, ///< a rounded rectangle
};

enum class ReportFunction
{
    None,
    Count, ///< number of rows
    Sum,   ///< sum of the field over the rows (Null counts 0)
};

struct ReportControl
{
    QString name;
    ReportControlKind kind = ReportControlKind::Label;
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    QString caption; ///< labels
    QString field;   ///< text boxes and functions
    /** "money" ($#,##0.00), "0.00", a date/time pattern ("d MMM yyyy",
     *  "HH.mm"), or empty for the value as it is. */
    QString format;
    ReportFunction function = ReportFunction::None;
    ReportAlign align = ReportAlign::Left;
    ReportFont font; ///< empty family: the report's font
    bool canGrow = false;
    bool visible = true;

    // Building definitions.
    static ReportControl label(const QString& name, int left, int top, int width, int height,
                               const QString& caption);
    static ReportControl textBox(const QString& name, int left, int top, int width, int height,
                                 const QString& field);
    static ReportControl aggregate(const QString& name, ReportFunction fn, int left, int top, int width,
                                  int height, const QString& field);
    static ReportControl line(const QString& name, int left, int top, int width, int height = 0);
    static ReportControl roundRect(const QString& name, int left, int top, int width, int height);

    ReportControl right() const;
    ReportControl centered() const;
    ReportControl withFont(const ReportFont& f) const;
    ReportControl withFormat(const QString& f) const;
    ReportControl grows() const;
};

enum class ReportSectionKind
{
    ReportHeader,
    PageHeader,
    GroupHeader,
    Detail,
    GroupFooter,
    PageFooter,
    ReportFooter,
};

struct ReportSection
{
    QString name;
    ReportSectionKind kind = ReportSectionKind::Detail;
    int height = 0;
    bool keepTogether = false;
    bool visible = true;
    QList<ReportControl> controls;

    ReportControl* control(const QString& name);
    const ReportControl* control(const QString& name) const;
};

class ReportDefinition
{
public:
    QString name;    ///< e.g. "drJockey"
    QString title;   ///< what "%i" prints
    QString caption; ///< the preview window's caption
    /** Paper and margins in twips (A4 by default). */
    int pageWidth = 11906;
    int pageHeight = 16838;
    int marginLeft = 0;
    int marginTop = 0;
    int marginRight = 0;
    int marginBottom = 0;
    ReportFont font = ReportFont::of(QStringLiteral("Arial"), 8.25);
    QList<ReportSection> sections;

    /** Appends a section and returns it for filling. */
    ReportSection& addSection(ReportSectionKind kind, const QString& name, int height,
                              bool keepTogether = false);

    ReportSection* section(const QString& name);
    const ReportSection* section(const QString& name) const;
    /** The first section of a kind, or null. */
    const ReportSection* section(ReportSectionKind kind) const;
    ReportControl* control(const QString& name);
    const ReportControl* control(const QString& name) const;

    // Run-time changes by name. Each returns false (and changes nothing)
    // when no control or section has that name.
    bool setCaption(const QString& control, const QString& text);
    bool setTop(const QString& control, int top);
    bool setWidth(const QString& control, int width);
    bool setVisible(const QString& control, bool visible);
    bool setSectionHeight(const QString& section, int height);
    /** Height of a section, -1 when there is none of that name. */
    int sectionHeight(const QString& section) const;
};

/**
 * Families tried, in order, when a report names a font the machine lacks
 * ("Arial" → "Liberation Sans" → "DejaVu Sans" unless changed here).
 */
void SetReportFontFallbacks(const QString& family, const QStringList& fallbacks);
