#include "platform/ReportDefinition.h"

#include <QFont>

namespace
{
bool sameName(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

ReportControl make(ReportControlKind kind, const QString& name, int left, int top, int width, int height)
{
    ReportControl c;
    c.kind = kind;
    c.name = name;
    c.left = left;
    c.top = top;
    c.width = width;
    c.height = height;
    return c;
}
} // namespace

ReportControl ReportControl::label(const QString& name, int left, int top, int width, int height,
                                   const QString& caption)
{
    ReportControl c = make(ReportControlKind::Label, name, left, top, width, height);
    c.caption = caption;
    return c;
}

ReportControl ReportControl::textBox(const QString& name, int left, int top, int width, int height,
                                     const QString& field)
{
    ReportControl c = make(ReportControlKind::TextBox, name, left, top, width, height);
    c.field = field;
    return c;
}

ReportControl ReportControl::aggregate(const QString& name, ReportFunction fn, int left, int top, int width,
                                      int height, const QString& field)
{
    ReportControl c = make(ReportControlKind::Function, name, left, top, width, height);
    c.function = fn;
    c.field = field;
    return c;
}

ReportControl ReportControl::line(const QString& name, int left, int top, int width, int height)
{
    return make(ReportControlKind::Line, name, left, top, width, height);
}

ReportControl ReportControl::roundRect(const QString& name, int left, int top, int width, int height)
{
    return make(ReportControlKind::RoundRect, name, left, top, width, height);
}

ReportControl ReportControl::right() const
{
    ReportControl c = *this;
    c.align = ReportAlign::Right;
    return c;
}

ReportControl ReportControl::centered() const
{
    ReportControl c = *this;
    c.align = ReportAlign::Center;
    return c;
}

ReportControl ReportControl::withFont(const ReportFont& f) const
{
    ReportControl c = *this;
    c.font = f;
    return c;
}

ReportControl ReportControl::withFormat(const QString& f) const
{
    ReportControl c = *this;
    c.format = f;
    return c;
}

ReportControl ReportControl::grows() const
{
    ReportControl c = *this;
    c.canGrow = true;
    return c;
}

ReportControl* ReportSection::control(const QString& n)
{
    for (ReportControl& c : controls)
        if (sameName(c.name, n))
            return &c;
    return nullptr;
}

const ReportControl* ReportSection::control(const QString& n) const
{
    return const_cast<ReportSection*>(this)->control(n);
}

ReportSection& ReportDefinition::addSection(ReportSectionKind kind, const QString& n, int height,
                                            bool keepTogether)
{
    ReportSection s;
    s.kind = kind;
    s.name = n;
    s.height = height;
    s.keepTogether = keepTogether;
    sections.append(s);
    return sections.last();
}

ReportSection* ReportDefinition::section(const QString& n)
{
    for (ReportSection& s : sections)
        if (sameName(s.name, n))
            return &s;
    return nullptr;
}

const ReportSection* ReportDefinition::section(const QString& n) const
{
    return const_cast<ReportDefinition*>(this)->section(n);
}

const ReportSection* ReportDefinition::section(ReportSectionKind kind) const
{
    for (const ReportSection& s : sections)
        if (s.kind == kind)
            return &s;
    return nullptr;
}

ReportControl* ReportDefinition::control(const QString& n)
{
    for (ReportSection& s : sections)
        if (ReportControl* c = s.control(n))
            return c;
    return nullptr;
}

const ReportControl* ReportDefinition::control(const QString& n) const
{
    return const_cast<ReportDefinition*>(this)->control(n);
}

bool ReportDefinition::setCaption(const QString& n, const QString& text)
{
    ReportControl* c = control(n);
    if (!c)
        return false;
    c->caption = text;
    return true;
}

bool ReportDefinition::setTop(const QString& n, int top)
{
    ReportControl* c = control(n);
    if (!c)
        return false;
    c->top = top;
    return true;
}

bool ReportDefinition::setWidth(const QString& n, int width)
{
    ReportControl* c = control(n);
    if (!c)
        return false;
    c->width = width;
    return true;
}

bool ReportDefinition::setVisible(const QString& n, bool visible)
{
    ReportControl* c = control(n);
    if (!c)
        return false;
    c->visible = visible;
    return true;
}

bool ReportDefinition::setSectionHeight(const QString& n, int height)
{
    ReportSection* s = section(n);
    if (!s)
        return false;
    s->height = height;
    return true;
}

int ReportDefinition::sectionHeight(const QString& n) const
{
    const ReportSection* s = section(n);
    return s ? s->height : -1;
}

void SetReportFontFallbacks(const QString& family, const QStringList& fallbacks)
{
    QFont::removeSubstitutions(family);
    QFont::insertSubstitutions(family, fallbacks);
}
