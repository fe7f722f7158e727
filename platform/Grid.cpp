#include "platform/Grid.h"

#include "platform/ImageList.h"
#include "platform/WinColor.h"

#include <QApplication>
#include <QDate>
#include <QDrag>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QFontMetrics>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QRegularExpression>
#include <QStyleOption>
#include <QStyledItemDelegate>

#include <algorithm>
#include <cmath>
#include <optional>

namespace
{
// Item data roles of our own. Colours are kept as the number written so a
// read gives it back unchanged; the brushes are derived from them.
enum Role
{
    RoleBack = Qt::UserRole + 1,
    RoleFore,
    RoleIcon,
    RoleIndent,
    RoleItemData,
    RoleGroup,
    RoleGroupCollapsed,
    RoleChanged, // bumped to signal a change of the members above
};

QBrush brushFor(qint64 color)
{
    const QColor c = WinColor::toQColor(color);
    return c.isValid() ? QBrush(c) : QBrush();
}

/**
 * The grid's cell item. The grid's own attributes live in plain members
 * rather than in the item's role list, which keeps filling thousands of rows
 * cheap; data() answers them as roles for the view and the delegate. The
 * rank orders rows when the grid applies a sort.
 */
class GridItem : public QTableWidgetItem
{
public:
    GridItem()
        : QTableWidgetItem(QTableWidgetItem::UserType)
    {
    }
    GridItem(const GridItem& other) = default;
    explicit GridItem(const QTableWidgetItem& other)
        : QTableWidgetItem(other)
    {
    }
    GridItem& operator=(const GridItem&) = delete;

    QTableWidgetItem* clone() const override { return new GridItem(*this); }

    bool operator<(const QTableWidgetItem& other) const override
    {
        if (const auto* g = dynamic_cast<const GridItem*>(&other))
            return rank < g->rank;
        return QTableWidgetItem::operator<(other);
    }

    QVariant data(int role) const override
    {
        switch (role) {
        case Qt::BackgroundRole:
            return back != -1 ? QVariant(brushFor(back)) : QTableWidgetItem::data(role);
        case Qt::ForegroundRole:
            return fore != -1 ? QVariant(brushFor(fore)) : QTableWidgetItem::data(role);
        case Qt::TextAlignmentRole:
            return align ? QVariant(align) : QTableWidgetItem::data(role);
        case RoleBack:
            return back != -1 ? QVariant(back) : QVariant();
        case RoleFore:
            return fore != -1 ? QVariant(fore) : QVariant();
        case RoleIcon:
            return icon >= 0 ? QVariant(icon) : QVariant();
        case RoleIndent:
            return indent > 0 ? QVariant(indent) : QVariant();
        case RoleItemData:
            return itemData;
        case RoleGroup:
            return group ? QVariant(true) : QVariant();
        case RoleGroupCollapsed:
            return collapsed ? QVariant(true) : QVariant();
        default:
            return QTableWidgetItem::data(role);
        }
    }

    void setData(int role, const QVariant& value) override
    {
        switch (role) {
        case Qt::TextAlignmentRole:
            align = value.isValid() ? value.toInt() : 0;
            break;
        case RoleBack:
            back = value.isValid() ? value.toLongLong() : -1;
            break;
        case RoleFore:
            fore = value.isValid() ? value.toLongLong() : -1;
            break;
        case RoleIcon:
            icon = value.isValid() ? value.toInt() : -1;
            break;
        case RoleIndent:
            indent = value.toInt();
            break;
        case RoleItemData:
            itemData = value;
            break;
        case RoleGroup:
            group = value.toBool();
            break;
        case RoleGroupCollapsed:
            collapsed = value.toBool();
            break;
        default:
            QTableWidgetItem::setData(role, value);
            return;
        }
        // Tell the table (and so the view) that the cell changed.
        if (tableWidget()) {
            static quint64 serial = 0;
            QTableWidgetItem::setData(RoleChanged, ++serial);
        }
    }

    qint64 back = -1;
    qint64 fore = -1;
    int icon = -1;
    int indent = 0;
    int align = 0;
    QVariant itemData;
    bool group = false;
    bool collapsed = false;
    int rank = 0;
};

/** A copy of any table item as one of ours. */
GridItem* copyItem(const QTableWidgetItem* old)
{
    if (!old)
        return new GridItem;
    if (const auto* g = dynamic_cast<const GridItem*>(old))
        return new GridItem(*g);
    return new GridItem(*old);
}

std::function<void(Grid*)>& dragHook()
{
    static std::function<void(Grid*)> hook;
    return hook;
}

QPointer<Grid>& dragSource()
{
    static QPointer<Grid> source;
    return source;
}

/** The leading number of a text (blanks skipped, sign, decimals, exponent);
 *  nothing when the text does not start with a number. */
std::optional<double> leadingNumber(const QString& text)
{
    static const QRegularExpression re(QStringLiteral("^\\s*([-+]?(?:\\d+\\.?\\d*|\\.\\d+)(?:[eE][-+]?\\d+)?)"));
    const auto m = re.match(text);
    if (!m.hasMatch())
        return std::nullopt;
    bool ok = false;
    const double v = m.captured(1).toDouble(&ok);
    if (!ok)
        return std::nullopt;
    return v;
}

/** A date in one of the forms the grids show: dd/mm/yy, dd/mm/yyyy (also with
 *  "-" or "."), yyyy-mm-dd, yyyy/mm/dd or yyyymmmdd ("2024Mar05"). */
QDate parseDate(const QString& raw)
{
    const QString text = raw.trimmed();
    static const QRegularExpression dmy(QStringLiteral("^(\\d{1,2})[/.-](\\d{1,2})[/.-](\\d{2}|\\d{4})\\b"));
    static const QRegularExpression ymd(QStringLiteral("^(\\d{4})[/.-](\\d{1,2})[/.-](\\d{1,2})\\b"));
    static const QRegularExpression ymmmd(QStringLiteral("^(\\d{4})([A-Za-z]{3})(\\d{1,2})\\b"));
    if (auto m = ymd.match(text); m.hasMatch())
        return QDate(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
    if (auto m = dmy.match(text); m.hasMatch()) {
        int year = m.captured(3).toInt();
        if (m.captured(3).size() == 2)
            year += 2000;
        return QDate(year, m.captured(2).toInt(), m.captured(1).toInt());
    }
    if (auto m = ymmmd.match(text); m.hasMatch()) {
        static const QStringList months = {QStringLiteral("jan"), QStringLiteral("feb"), QStringLiteral("mar"),
                                           QStringLiteral("apr"), QStringLiteral("may"), QStringLiteral("jun"),
                                           QStringLiteral("jul"), QStringLiteral("aug"), QStringLiteral("sep"),
                                           QStringLiteral("oct"), QStringLiteral("nov"), QStringLiteral("dec")};
        const int month = static_cast<int>(months.indexOf(m.captured(2).toLower())) + 1;
        if (month > 0)
            return QDate(m.captured(1).toInt(), month, m.captured(3).toInt());
    }
    return QDate();
}

/** One row's value for one sort key; `missing` sorts below every value. */
struct SortValue
{
    bool missing = false;
    double number = 0;
    QString text;
};

int compareValues(const SortValue& a, const SortValue& b, bool isText)
{
    if (a.missing || b.missing)
        return a.missing == b.missing ? 0 : (a.missing ? -1 : 1);
    if (isText)
        return a.text.compare(b.text, Qt::CaseInsensitive);
    return a.number < b.number ? -1 : (a.number > b.number ? 1 : 0);
}

} // namespace

/** Paints a cell with its indent, and keeps a row's cells above its row text. */
class GridDelegate : public QStyledItemDelegate
{
public:
    explicit GridDelegate(Grid* grid)
        : QStyledItemDelegate(grid)
        , m_grid(grid)
    {
    }

    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        const QVariant icon = index.data(RoleIcon);
        if (icon.isValid() && m_grid->m_images) {
            const QIcon i = m_grid->m_images->icon(icon.toInt());
            if (!i.isNull()) {
                option->icon = i;
                option->features |= QStyleOptionViewItem::HasDecoration;
                option->decorationSize = m_grid->m_images->iconSize();
            }
        }
    }

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QStyleOptionViewItem opt = option;
        initStyleOption(&opt, index);
        const int indent = index.data(RoleIndent).toInt();
        const bool underText = m_grid->rowHasRowText(index.row());
        if (indent <= 0 && !underText) {
            QStyledItemDelegate::paint(painter, option, index);
            return;
        }
        const QWidget* w = opt.widget;
        QStyle* style = w ? w->style() : QApplication::style();
        // Background and selection over the whole cell, the content inside.
        style->drawPrimitive(QStyle::PE_PanelItemViewItem, &opt, painter, w);
        QStyleOptionViewItem inner = opt;
        inner.rect.adjust(std::max(indent, 0), 0, 0, 0);
        if (underText)
            inner.rect.setHeight(std::min(inner.rect.height(), m_grid->m_defaultRowHeight));
        inner.backgroundBrush = QBrush();
        style->drawControl(QStyle::CE_ItemViewItem, &inner, painter, w);
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QSize s = QStyledItemDelegate::sizeHint(option, index);
        s.rwidth() += std::max(index.data(RoleIndent).toInt(), 0);
        return s;
    }

private:
    Grid* m_grid;
};

/** The column header: a column's header image is drawn right of its caption. */
class GridHeader : public QHeaderView
{
public:
    explicit GridHeader(Grid* grid)
        : QHeaderView(Qt::Horizontal, grid)
        , m_grid(grid)
    {
    }

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override
    {
        if (!rect.isValid())
            return;
        const int image = logicalIndex < m_grid->m_cols.size() ? m_grid->m_cols.at(logicalIndex).headerImage : -1;
        const QPixmap pm = (image >= 0 && m_grid->m_images) ? m_grid->m_images->pixmap(image) : QPixmap();
        if (pm.isNull()) {
            QHeaderView::paintSection(painter, rect, logicalIndex);
            return;
        }
        QStyleOptionHeader opt;
        initStyleOptionForIndex(&opt, logicalIndex);
        opt.rect = rect;
        opt.icon = QIcon();
        // The section without its caption, then the caption in the room left
        // of the image, then the image.
        QStyleOptionHeader bare = opt;
        bare.text.clear();
        painter->save();
        style()->drawControl(QStyle::CE_Header, &bare, painter, this);
        painter->restore();
        const QSize size = pm.deviceIndependentSize().toSize();
        QStyleOptionHeader label = opt;
        label.rect = style()->subElementRect(QStyle::SE_HeaderLabel, &opt, this);
        label.rect.setRight(std::min(label.rect.right(), rect.right() - size.width() - 4));
        painter->save();
        style()->drawControl(QStyle::CE_HeaderLabel, &label, painter, this);
        painter->restore();
        const QPoint at(rect.right() - size.width() - 2, rect.top() + (rect.height() - size.height()) / 2);
        painter->drawPixmap(at, pm);
    }

    QSize sectionSizeFromContents(int logicalIndex) const override
    {
        QSize s = QHeaderView::sectionSizeFromContents(logicalIndex);
        if (logicalIndex < m_grid->m_cols.size() && m_grid->m_cols.at(logicalIndex).headerImage >= 0 &&
            m_grid->m_images)
            s.rwidth() += m_grid->m_images->iconSize().width() + 4;
        return s;
    }

private:
    Grid* m_grid;
};

Grid::Grid(QWidget* parent)
    : QTableWidget(parent)
{
    setHorizontalHeader(new GridHeader(this));
    setItemPrototype(new GridItem);
    setItemDelegate(new GridDelegate(this));
    setSortingEnabled(false);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setWordWrap(false);
    setTextElideMode(Qt::ElideRight);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    setDragDropMode(QAbstractItemView::NoDragDrop);

    QHeaderView* v = verticalHeader();
    v->hide();
    v->setMinimumSectionSize(1);
    v->setSectionResizeMode(QHeaderView::Fixed);
    v->setDefaultSectionSize(m_defaultRowHeight);

    QHeaderView* h = horizontalHeader();
    h->setMinimumSectionSize(4);
    h->setSectionsMovable(true);
    h->setSectionsClickable(true);
    h->setHighlightSections(false);
    h->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    // A header press must not select the column's cells: the handlers read the
    // selected row after a header click.
    disconnect(h, &QHeaderView::sectionPressed, this, nullptr);
    disconnect(h, &QHeaderView::sectionEntered, this, nullptr);
    connect(h, &QHeaderView::sectionClicked, this, [this](int logical) {
        if (horizontalHeader()->sectionsClickable())
            emit columnClick(logical + 1);
    });
    connect(h, &QHeaderView::sectionResized, this, [this](int logical, int, int size) {
        if (logical >= 0 && logical < columns() && size > 0 && !horizontalHeader()->isSectionHidden(logical))
            m_cols[logical].width = size;
    });
}

Grid::~Grid() = default;

// ---- Columns ------------------------------------------------------------------

int Grid::addColumn(const QString& key, const QString& header, int width, Qt::Alignment headerAlign,
                    SortType sortType, bool visible, const QString& tag, int headerImage)
{
    Column c;
    c.key = key;
    c.header = header;
    c.width = scaledWidth(width < 0 ? kDefaultColumnWidth : width);
    c.visible = visible;
    c.headerAlign = headerAlign & Qt::AlignHorizontal_Mask;
    c.sortType = sortType;
    c.tag = tag;
    c.headerImage = headerImage;
    m_cols << c;
    const int col = columns();
    setColumnCount(col);
    applyHeader(col);
    m_cols.last().width = captionFitWidth(col, m_cols.last().width);
    horizontalHeader()->resizeSection(col - 1, m_cols.last().width);
    applyColumnVisibility(col);
    return col;
}

int Grid::captionFitWidth(int col, int width) const
{
    // A column is never made narrower than its caption (see widthScale).
    if (colHeader(col).isEmpty())
        return width;
    return std::max(width, horizontalHeader()->sectionSizeHint(col - 1));
}

void Grid::setColDesignWidth(int col, int designWidth)
{
    if (!validCol(col))
        return;
    setColWidth(col, captionFitWidth(col, scaledWidth(designWidth < 0 ? kDefaultColumnWidth : designWidth)));
}

double Grid::widthScale() const
{
    static const QString letters = QStringLiteral("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ");
    const double average = QFontMetricsF(font()).horizontalAdvance(letters) / letters.size();
    return average > 0 ? average / kDesignLetterWidth : 1.0;
}

int Grid::scaledWidth(int designWidth) const
{
    return static_cast<int>(std::lround(designWidth * widthScale()));
}

int Grid::colIndex(const QString& key) const
{
    for (int i = 0; i < m_cols.size(); ++i)
        if (m_cols.at(i).key.compare(key, Qt::CaseInsensitive) == 0)
            return i + 1;
    return 0;
}

QString Grid::colKey(int col) const
{
    return validCol(col) ? m_cols.at(col - 1).key : QString();
}

void Grid::setColKey(int col, const QString& key)
{
    if (validCol(col))
        m_cols[col - 1].key = key;
}

QString Grid::colHeader(int col) const
{
    return validCol(col) ? m_cols.at(col - 1).header : QString();
}

void Grid::setColHeader(int col, const QString& text)
{
    if (!validCol(col))
        return;
    m_cols[col - 1].header = text;
    applyHeader(col);
}

int Grid::colWidth(int col) const
{
    if (!validCol(col))
        return 0;
    if (!horizontalHeader()->isSectionHidden(col - 1))
        return horizontalHeader()->sectionSize(col - 1);
    return m_cols.at(col - 1).width;
}

void Grid::setColWidth(int col, int width)
{
    if (!validCol(col) || width < 0)
        return;
    m_cols[col - 1].width = width;
    if (!horizontalHeader()->isSectionHidden(col - 1))
        horizontalHeader()->resizeSection(col - 1, width);
}

int Grid::colPosition(int col) const
{
    return validCol(col) ? horizontalHeader()->visualIndex(col - 1) + 1 : 0;
}

void Grid::setColPosition(int col, int position)
{
    if (!validCol(col) || position < 1 || position > columns())
        return;
    horizontalHeader()->moveSection(horizontalHeader()->visualIndex(col - 1), position - 1);
}

bool Grid::colVisible(int col) const
{
    return validCol(col) && m_cols.at(col - 1).visible;
}

void Grid::setColVisible(int col, bool visible)
{
    if (!validCol(col))
        return;
    m_cols[col - 1].visible = visible;
    applyColumnVisibility(col);
}

void Grid::setColVisible(const QString& key, bool visible)
{
    setColVisible(colIndex(key), visible);
}

QString Grid::colTag(int col) const
{
    return validCol(col) ? m_cols.at(col - 1).tag : QString();
}

void Grid::setColTag(int col, const QString& tag)
{
    if (validCol(col))
        m_cols[col - 1].tag = tag;
}

int Grid::colHeaderImage(int col) const
{
    return validCol(col) ? m_cols.at(col - 1).headerImage : -1;
}

void Grid::setColHeaderImage(int col, int image)
{
    if (!validCol(col))
        return;
    m_cols[col - 1].headerImage = image < 0 ? -1 : image;
    applyHeader(col);
}

Grid::SortType Grid::colSortType(int col) const
{
    return validCol(col) ? m_cols.at(col - 1).sortType : SortText;
}

void Grid::setColSortType(int col, SortType type)
{
    if (validCol(col))
        m_cols[col - 1].sortType = type;
}

Qt::Alignment Grid::colHeaderAlignment(int col) const
{
    return validCol(col) ? m_cols.at(col - 1).headerAlign : Qt::AlignLeft;
}

void Grid::autoFitColumn(int col)
{
    if (!validCol(col))
        return;
    if (horizontalHeader()->isSectionHidden(col - 1))
        return;
    resizeColumnToContents(col - 1);
}

void Grid::clearGrid()
{
    clearRows();
    m_groupCol = 0;
    m_rowTextCol = 0;
    m_rowTextStartCol = 1;
    m_sortKeys.clear();
    m_cols.clear();
    setColumnCount(0);
}

void Grid::applyHeader(int col)
{
    const Column& c = m_cols.at(col - 1);
    QTableWidgetItem* item = horizontalHeaderItem(col - 1);
    if (!item) {
        item = new QTableWidgetItem;
        setHorizontalHeaderItem(col - 1, item);
    }
    item->setText(c.header);
    item->setTextAlignment(c.headerAlign | Qt::AlignVCenter);
    // The header image is drawn by the header itself (right of the caption).
    horizontalHeader()->viewport()->update();
}

void Grid::applyColumnVisibility(int col)
{
    const bool show = m_cols.at(col - 1).visible && col != m_rowTextCol;
    QHeaderView* h = horizontalHeader();
    if (show == !h->isSectionHidden(col - 1))
        return;
    // Showing a section reports its old size; the width we keep wins.
    const int width = m_cols.at(col - 1).width;
    h->setSectionHidden(col - 1, !show);
    if (show) {
        h->resizeSection(col - 1, width);
        m_cols[col - 1].width = width;
    }
}

// ---- Column layout persistence ---------------------------------------------------

QString Grid::colWidthList() const
{
    QStringList parts;
    for (int c = 1; c <= columns(); ++c)
        parts << QString::number(colWidth(c));
    return parts.join(QLatin1Char(','));
}

QString Grid::colOrderList() const
{
    QStringList parts;
    for (int c = 1; c <= columns(); ++c)
        parts << QString::number(colPosition(c));
    return parts.join(QLatin1Char(','));
}

void Grid::restoreColWidths(const QString& widthList)
{
    const QStringList parts = widthList.split(QLatin1Char(','));
    for (int c = 1; c <= columns() && c <= parts.size(); ++c) {
        const auto v = leadingNumber(parts.at(c - 1));
        if (v && *v > 0 && *v < 100000)
            setColWidth(c, static_cast<int>(std::lround(*v)));
    }
}

void Grid::restoreColOrder(const QString& orderList)
{
    QList<int> positions;
    for (const QString& part : orderList.split(QLatin1Char(','))) {
        const auto v = leadingNumber(part);
        positions << (v && *v > 0 && *v < 100000 ? static_cast<int>(std::lround(*v)) : 0);
    }
    setColOrder(positions);
}

void Grid::setColOrder(const QList<int>& positions)
{
    const int n = columns();
    QHeaderView* h = horizontalHeader();
    // The logical column wanted at each display position; -1 = free.
    QList<int> wanted(n, -1);
    QList<bool> placed(n, false);
    for (int c = 0; c < n && c < positions.size(); ++c) {
        const int p = positions.at(c);
        if (p < 1 || p > n || wanted.at(p - 1) >= 0)
            continue;
        wanted[p - 1] = c;
        placed[c] = true;
    }
    // Columns without a (usable) position fill the free places in their
    // present display order.
    QList<int> rest;
    for (int v = 0; v < n; ++v) {
        const int logical = h->logicalIndex(v);
        if (!placed.at(logical))
            rest << logical;
    }
    int next = 0;
    for (int v = 0; v < n; ++v)
        if (wanted.at(v) < 0)
            wanted[v] = rest.at(next++);
    // Place them left to right: moving the wanted column to position v never
    // disturbs the positions before v.
    for (int v = 0; v < n; ++v) {
        const int from = h->visualIndex(wanted.at(v));
        if (from != v)
            h->moveSection(from, v);
    }
}

// ---- Rows -------------------------------------------------------------------------

void Grid::setRows(int count)
{
    setRowCount(std::max(count, 0));
}

int Grid::addRow(int before)
{
    const int at = (before >= 1 && before <= rows()) ? before - 1 : rows();
    insertRow(at);
    return at + 1;
}

void Grid::deleteRow(int row)
{
    if (row >= 1 && row <= rows())
        removeRow(row - 1);
}

void Grid::clearRows()
{
    setCurrentItem(nullptr);
    clearSelection();
    setRowCount(0);
}

void Grid::setDefaultRowHeight(int px)
{
    if (px <= 0)
        return;
    m_defaultRowHeight = px;
    verticalHeader()->setDefaultSectionSize(px);
}

int Grid::rowHeightAt(int row) const
{
    return (row >= 1 && row <= rows()) ? rowHeight(row - 1) : 0;
}

void Grid::setRowHeightAt(int row, int px)
{
    if (row >= 1 && row <= rows() && px > 0)
        setRowHeight(row - 1, px);
}

// ---- Cells ------------------------------------------------------------------------

QTableWidgetItem* Grid::cellItem(int row, int col) const
{
    if (!validCell(row, col))
        return nullptr;
    return item(row - 1, col - 1);
}

QTableWidgetItem* Grid::cellItem(int row, int col, bool create)
{
    if (row < 1 || !validCol(col))
        return nullptr;
    if (!create)
        return static_cast<const Grid*>(this)->cellItem(row, col);
    if (row > rows())
        setRowCount(row);
    QTableWidgetItem* it = item(row - 1, col - 1);
    if (!it) {
        it = new GridItem;
        setItem(row - 1, col - 1, it);
    }
    return it;
}

QString Grid::cellText(int row, int col) const
{
    const QTableWidgetItem* it = cellItem(row, col);
    return it ? it->text() : QString();
}

void Grid::setCellText(int row, int col, const QString& text)
{
    if (QTableWidgetItem* it = cellItem(row, col, true))
        it->setText(text);
}

void Grid::setCellDetails(int row, int col, const QString& text, Qt::Alignment align, int icon, qint64 backColor,
                          qint64 foreColor, const QFont* font, int indent)
{
    if (row < 1 || !validCol(col))
        return;
    if (row > rows())
        setRowCount(row);
    // Build the cell apart from the table and put it in with one change,
    // keeping what this call does not set (item data, group marks).
    GridItem* it = copyItem(item(row - 1, col - 1));
    it->setText(text);
    it->align = static_cast<int>((align & Qt::AlignHorizontal_Mask) | Qt::AlignVCenter);
    it->icon = icon >= 0 ? icon : -1;
    it->back = backColor;
    it->fore = foreColor;
    it->indent = std::max(indent, 0);
    if (font)
        it->setFont(*font);
    else if (it->QTableWidgetItem::data(Qt::FontRole).isValid())
        it->setData(Qt::FontRole, QVariant());
    if (!m_redraw && !isSortingEnabled()) {
        // A list filled with redraw off: the table's change notice for each
        // cell cost as much as the cell; one notice covers them all when
        // redraw comes back on.
        const QSignalBlocker quiet(model());
        setItem(row - 1, col - 1, it);
        m_cellsChangedQuietly = true;
        return;
    }
    setItem(row - 1, col - 1, it);
}

int Grid::cellIcon(int row, int col) const
{
    const QTableWidgetItem* it = cellItem(row, col);
    const QVariant v = it ? it->data(RoleIcon) : QVariant();
    return v.isValid() ? v.toInt() : -1;
}

void Grid::setCellIcon(int row, int col, int icon)
{
    if (QTableWidgetItem* it = cellItem(row, col, true))
        it->setData(RoleIcon, icon >= 0 ? QVariant(icon) : QVariant());
}

qint64 Grid::cellBackColor(int row, int col) const
{
    const QTableWidgetItem* it = cellItem(row, col);
    const QVariant v = it ? it->data(RoleBack) : QVariant();
    return v.isValid() ? v.toLongLong() : -1;
}

void Grid::setCellBackColor(int row, int col, qint64 color)
{
    QTableWidgetItem* it = cellItem(row, col, true);
    if (!it)
        return;
    it->setData(RoleBack, color != -1 ? QVariant(color) : QVariant());
}

qint64 Grid::cellForeColor(int row, int col) const
{
    const QTableWidgetItem* it = cellItem(row, col);
    const QVariant v = it ? it->data(RoleFore) : QVariant();
    return v.isValid() ? v.toLongLong() : -1;
}

void Grid::setCellForeColor(int row, int col, qint64 color)
{
    QTableWidgetItem* it = cellItem(row, col, true);
    if (!it)
        return;
    it->setData(RoleFore, color != -1 ? QVariant(color) : QVariant());
}

QFont Grid::cellFont(int row, int col) const
{
    const QTableWidgetItem* it = cellItem(row, col);
    const QVariant v = it ? it->data(Qt::FontRole) : QVariant();
    return v.isValid() ? v.value<QFont>() : font();
}

void Grid::setCellFont(int row, int col, const QFont& f)
{
    if (QTableWidgetItem* it = cellItem(row, col, true))
        it->setData(Qt::FontRole, f);
}

int Grid::cellIndent(int row, int col) const
{
    const QTableWidgetItem* it = cellItem(row, col);
    return it ? it->data(RoleIndent).toInt() : 0;
}

void Grid::setCellIndent(int row, int col, int px)
{
    if (QTableWidgetItem* it = cellItem(row, col, true))
        it->setData(RoleIndent, px > 0 ? QVariant(px) : QVariant());
}

Qt::Alignment Grid::cellAlignment(int row, int col) const
{
    const QTableWidgetItem* it = cellItem(row, col);
    const QVariant v = it ? it->data(Qt::TextAlignmentRole) : QVariant();
    if (!v.isValid())
        return Qt::AlignLeft;
    return Qt::Alignment(v.toInt()) & Qt::AlignHorizontal_Mask;
}

void Grid::setCellAlignment(int row, int col, Qt::Alignment align)
{
    if (QTableWidgetItem* it = cellItem(row, col, true))
        it->setData(Qt::TextAlignmentRole,
                    QVariant::fromValue((align & Qt::AlignHorizontal_Mask) | Qt::AlignVCenter));
}

QVariant Grid::cellItemData(int row, int col) const
{
    const QTableWidgetItem* it = cellItem(row, col);
    return it ? it->data(RoleItemData) : QVariant();
}

void Grid::setCellItemData(int row, int col, const QVariant& value)
{
    if (QTableWidgetItem* it = cellItem(row, col, true))
        it->setData(RoleItemData, value);
}

QPoint Grid::toGrid(const QPoint& viewportPos) const
{
    return viewportPos + viewport()->geometry().topLeft();
}

QPoint Grid::toViewport(const QPoint& gridPos) const
{
    return gridPos - viewport()->geometry().topLeft();
}

QRect Grid::cellRect(int row, int col) const
{
    if (!validCell(row, col) || isRowHidden(row - 1) || horizontalHeader()->isSectionHidden(col - 1))
        return QRect();
    const QRect r = visualRect(model()->index(row - 1, col - 1));
    return r.translated(viewport()->geometry().topLeft());
}

Grid::Cell Grid::cellFromPoint(const QPoint& pos) const
{
    const QPoint vp = toViewport(pos);
    if (!viewport()->rect().contains(vp))
        return {};
    const QModelIndex idx = indexAt(vp);
    if (!idx.isValid())
        return {};
    return {idx.row() + 1, idx.column() + 1};
}

int Grid::cellTextHeight(int row, int col) const
{
    const QString text = cellText(row, col);
    if (text.isEmpty())
        return 0;
    const QFontMetrics fm(cellFont(row, col));
    const int width = std::max(colWidth(col), 1);
    return fm.boundingRect(QRect(0, 0, width, 100000), Qt::TextWordWrap, text).height();
}

// ---- Row text and groups ------------------------------------------------------------

void Grid::setRowTextColumn(int col)
{
    const int old = m_rowTextCol;
    m_rowTextCol = validCol(col) ? col : 0;
    if (validCol(old))
        applyColumnVisibility(old);
    if (m_rowTextCol)
        applyColumnVisibility(m_rowTextCol);
    viewport()->update();
}

void Grid::setRowTextStartColumn(int col)
{
    m_rowTextStartCol = validCol(col) ? col : 1;
    viewport()->update();
}

bool Grid::rowHasRowText(int row0) const
{
    if (!m_rowTextCol)
        return false;
    const QTableWidgetItem* it = item(row0, m_rowTextCol - 1);
    return it && !it->text().isEmpty() && rowHeight(row0) > m_defaultRowHeight;
}

void Grid::setGroupColumn(int col)
{
    removeGroupRows();
    m_groupCol = validCol(col) ? col : 0;
    regroup();
}

bool Grid::isGroupRow(int row) const
{
    if (!m_groupCol)
        return false;
    const QTableWidgetItem* it = cellItem(row, m_groupCol);
    return it && it->data(RoleGroup).toBool();
}

bool Grid::groupExpanded(int row) const
{
    if (!isGroupRow(row))
        return false;
    return !cellItem(row, m_groupCol)->data(RoleGroupCollapsed).toBool();
}

void Grid::setGroupExpanded(int row, bool expanded)
{
    if (!isGroupRow(row))
        return;
    cellItem(row, m_groupCol, true)->setData(RoleGroupCollapsed, expanded ? QVariant() : QVariant(true));
    for (int r = row + 1; r <= rows() && !isGroupRow(r); ++r)
        setRowHidden(r - 1, !expanded);
}

void Grid::removeGroupRows()
{
    if (!m_groupCol)
        return;
    // Move the group rows to the end in one reorder and cut them off there
    // (removing them one by one costs a shift of the whole table each).
    QList<int> order;
    QList<int> groups;
    for (int r = 1; r <= rows(); ++r)
        (isGroupRow(r) ? groups : order) << r - 1;
    for (int r = 0; r < rows(); ++r)
        if (isRowHidden(r))
            setRowHidden(r, false);
    if (groups.isEmpty())
        return;
    const int keep = static_cast<int>(order.size());
    applyRowOrder(order + groups);
    setRowCount(keep);
}

void Grid::regroup()
{
    if (!m_groupCol || rows() == 0)
        return;
    // Stable order by the group column, then one group row before each run
    // of equal texts. The group rows are appended and put in place by the
    // same reorder.
    const int gc = m_groupCol;
    const int n = rows();
    const bool isText = colSortType(gc) == SortText;
    QList<SortValue> values;
    values.reserve(n);
    QStringList labels;
    labels.reserve(n);
    QList<int> order(n);
    for (int r = 0; r < n; ++r) {
        SortValue v;
        const QString text = cellText(r + 1, gc);
        if (isText) {
            v.text = text;
        } else {
            const auto num = leadingNumber(text);
            v.missing = !num;
            v.number = num.value_or(0);
        }
        values << v;
        labels << text;
        order[r] = r;
    }
    std::stable_sort(order.begin(), order.end(),
                     [&](int a, int b) { return compareValues(values.at(a), values.at(b), isText) < 0; });
    QList<int> final;
    final.reserve(n * 2);
    int groups = 0;
    for (int k = 0; k < n; ++k) {
        const int r = order.at(k);
        if (k == 0 || labels.at(r) != labels.at(order.at(k - 1))) {
            final << n + groups;
            ++groups;
        }
        final << r;
    }
    setRowCount(n + groups);
    for (int k = 0; k < final.size(); ++k) {
        const int r = final.at(k);
        if (r < n)
            continue;
        auto* it = new GridItem;
        it->setText(labels.at(final.at(k + 1)));
        it->group = true;
        setItem(r, gc - 1, it);
    }
    applyRowOrder(final);
}

// ---- Selection --------------------------------------------------------------------

int Grid::selectedRow() const
{
    const QModelIndex cur = currentIndex();
    if (!cur.isValid() || !selectionModel()->isSelected(cur))
        return 0;
    return cur.row() + 1;
}

int Grid::selectedCol() const
{
    const QModelIndex cur = currentIndex();
    if (!cur.isValid() || !selectionModel()->isSelected(cur))
        return 0;
    return cur.column() + 1;
}

bool Grid::isCellSelected(int row, int col) const
{
    if (!validCell(row, col))
        return false;
    return selectionModel()->isSelected(model()->index(row - 1, col - 1));
}

QList<int> Grid::selectedRows() const
{
    QList<int> out;
    const QItemSelection sel = selectionModel()->selection();
    QList<bool> marked(rows(), false);
    for (const QItemSelectionRange& range : sel)
        for (int r = range.top(); r <= range.bottom(); ++r)
            if (r >= 0 && r < marked.size())
                marked[r] = true;
    for (int r = 0; r < marked.size(); ++r)
        if (marked.at(r))
            out << r + 1;
    return out;
}

void Grid::setSelectedCell(int row, int col)
{
    if (!validCell(row, col))
        return;
    const auto flags = QItemSelectionModel::ClearAndSelect |
                       (rowMode() ? QItemSelectionModel::Rows : QItemSelectionModel::NoUpdate);
    selectionModel()->setCurrentIndex(model()->index(row - 1, col - 1), flags);
}

void Grid::selectRowToo(int row)
{
    if (row < 1 || row > rows() || columns() == 0)
        return;
    const QModelIndex idx = model()->index(row - 1, 0);
    selectionModel()->select(idx, QItemSelectionModel::Select | QItemSelectionModel::Rows);
}

void Grid::clearSelectedCells()
{
    selectionModel()->clearSelection();
}

void Grid::setRowMode(bool on)
{
    setSelectionBehavior(on ? QAbstractItemView::SelectRows : QAbstractItemView::SelectItems);
}

bool Grid::rowMode() const
{
    return selectionBehavior() == QAbstractItemView::SelectRows;
}

void Grid::setMultiSelect(bool multi)
{
    setSelectionMode(multi ? QAbstractItemView::ExtendedSelection : QAbstractItemView::SingleSelection);
}

bool Grid::multiSelect() const
{
    return selectionMode() == QAbstractItemView::ExtendedSelection;
}

void Grid::setSelectionColor(qint64 color)
{
    m_selectionColor = color;
    QPalette pal = palette();
    const QPalette app = QApplication::palette(this);
    QColor back = (color == -1 || color == 0x8000000DLL || color == -2147483635LL) ? QColor()
                                                                                     : WinColor::toQColor(color);
    QColor text;
    if (!back.isValid()) {
        back = app.color(QPalette::Active, QPalette::Highlight);
        text = app.color(QPalette::Active, QPalette::HighlightedText);
    } else {
        text = back.lightness() > 140 ? QColor(Qt::black) : QColor(Qt::white);
    }
    for (auto group : {QPalette::Active, QPalette::Inactive}) {
        pal.setColor(group, QPalette::Highlight, back);
        pal.setColor(group, QPalette::HighlightedText, text);
    }
    setPalette(pal);
}

void Grid::ensureVisible(int row, int col)
{
    if (row < 1 || row > rows() || columns() == 0)
        return;
    const int c = validCol(col) ? col - 1 : std::max(horizontalHeader()->logicalIndexAt(0), 0);
    scrollTo(model()->index(row - 1, c), QAbstractItemView::EnsureVisible);
}

// ---- Sorting ----------------------------------------------------------------------

void Grid::clearSortKeys()
{
    m_sortKeys.clear();
}

void Grid::addSortKey(int col, Qt::SortOrder order, int type)
{
    if (!validCol(col))
        return;
    const SortType t = (type >= SortText && type <= SortItemData) ? static_cast<SortType>(type) : colSortType(col);
    m_sortKeys << SortKey{col, order, t};
}

void Grid::sortOnColumn(int col, Qt::SortOrder order)
{
    clearSortKeys();
    addSortKey(col, order);
    sort();
}

void Grid::sort()
{
    if (m_sortKeys.isEmpty() || rows() < 2)
        return;
    const int groupCol = m_groupCol;
    // Group rows are taken out, the rows sorted, and the groups rebuilt (a
    // stable grouping keeps the sorted order within each group).
    if (groupCol) {
        removeGroupRows();
        m_groupCol = 0;
    }
    const int n = rows();
    QList<QList<SortValue>> values(m_sortKeys.size());
    for (int k = 0; k < m_sortKeys.size(); ++k) {
        const SortKey& key = m_sortKeys.at(k);
        QList<SortValue>& col = values[k];
        col.reserve(n);
        for (int r = 1; r <= n; ++r) {
            SortValue v;
            switch (key.type) {
            case SortText:
                v.text = cellText(r, key.col);
                break;
            case SortNumeric: {
                const auto num = leadingNumber(cellText(r, key.col));
                v.missing = !num;
                v.number = num.value_or(0);
                break;
            }
            case SortIcon: {
                const int icon = cellIcon(r, key.col);
                v.missing = icon < 0;
                v.number = icon;
                break;
            }
            case SortDate: {
                const QDate d = parseDate(cellText(r, key.col));
                v.missing = !d.isValid();
                v.number = d.isValid() ? static_cast<double>(d.toJulianDay()) : 0;
                break;
            }
            case SortItemData: {
                const QVariant data = cellItemData(r, key.col);
                bool ok = false;
                const double num = data.toDouble(&ok);
                v.missing = !data.isValid() || !ok;
                v.number = ok ? num : 0;
                break;
            }
            }
            col << v;
        }
    }
    QList<int> order(n);
    for (int r = 0; r < n; ++r)
        order[r] = r;
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        for (int k = 0; k < m_sortKeys.size(); ++k) {
            const SortKey& key = m_sortKeys.at(k);
            int c = compareValues(values.at(k).at(a), values.at(k).at(b), key.type == SortText);
            if (key.order == Qt::DescendingOrder)
                c = -c;
            if (c != 0)
                return c < 0;
        }
        return false;
    });
    applyRowOrder(order);
    if (groupCol) {
        m_groupCol = groupCol;
        regroup();
    }
}

void Grid::applyRowOrder(const QList<int>& order)
{
    if (order.isEmpty() || columns() == 0)
        return;
    bool identity = true;
    for (int k = 0; k < order.size() && identity; ++k)
        identity = order.at(k) == k;
    if (identity)
        return;
    // The table moves whole rows (cells, heights, hidden state) in one step
    // when it sorts on a column: rank the rows in column 1 and let it.
    for (int k = 0; k < order.size(); ++k) {
        const int r = order.at(k);
        QTableWidgetItem* it = item(r, 0);
        auto* g = dynamic_cast<GridItem*>(it);
        if (!g) {
            g = copyItem(it);
            setItem(r, 0, g);
        }
        g->rank = k;
    }
    sortItems(0, Qt::AscendingOrder);
}

// ---- Display ----------------------------------------------------------------------

void Grid::setRedraw(bool on)
{
    if (on == m_redraw)
        return;
    m_redraw = on;
    setUpdatesEnabled(on);
    if (on && m_cellsChangedQuietly) {
        m_cellsChangedQuietly = false;
        if (rows() > 0 && columns() > 0)
            emit model()->dataChanged(model()->index(0, 0), model()->index(rows() - 1, columns() - 1));
    }
    if (on) {
        updateGeometries();
        viewport()->update();
    }
}

void Grid::setImageList(ImageList* images)
{
    if (m_images)
        disconnect(m_images, nullptr, this, nullptr);
    m_images = images;
    if (images) {
        connect(images, &ImageList::changed, this, [this] {
            for (int c = 1; c <= columns(); ++c)
                applyHeader(c);
            viewport()->update();
        });
        setIconSize(images->iconSize());
    }
    for (int c = 1; c <= columns(); ++c)
        applyHeader(c);
    viewport()->update();
}

void Grid::setAlternateRowColor(qint64 color)
{
    const QColor c = WinColor::toQColor(color);
    setAlternatingRowColors(c.isValid());
    if (c.isValid()) {
        QPalette pal = palette();
        for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
            pal.setColor(group, QPalette::AlternateBase, c);
        setPalette(pal);
    }
}

void Grid::setHeaderVisible(bool visible)
{
    horizontalHeader()->setVisible(visible);
}

void Grid::setHeaderButtons(bool on)
{
    horizontalHeader()->setSectionsClickable(on);
}

void Grid::setColumnsMovable(bool on)
{
    horizontalHeader()->setSectionsMovable(on);
}

void Grid::setStretchLastColumn(bool on)
{
    horizontalHeader()->setStretchLastSection(on);
}

void Grid::paintEvent(QPaintEvent* event)
{
    QTableWidget::paintEvent(event);
    if (m_groupCol || m_rowTextCol)
        paintOverlay();
}

void Grid::paintOverlay()
{
    const int first = rowAt(0);
    if (first < 0)
        return;
    int last = rowAt(viewport()->height() - 1);
    if (last < 0)
        last = rowCount() - 1;
    QPainter p(viewport());
    const int right = viewport()->width();
    for (int r0 = first; r0 <= last; ++r0) {
        if (isRowHidden(r0))
            continue;
        const int top = rowViewportPosition(r0);
        const int height = rowHeight(r0);
        if (m_groupCol && isGroupRow(r0 + 1)) {
            const QRect rect(0, top, right, height);
            p.fillRect(rect, palette().color(QPalette::Button));
            p.setPen(palette().color(QPalette::Mid));
            p.drawLine(rect.bottomLeft(), rect.bottomRight());
            QFont f = font();
            f.setBold(true);
            p.setFont(f);
            p.setPen(palette().color(QPalette::ButtonText));
            const QString sign = groupExpanded(r0 + 1) ? QStringLiteral("\u2212 ") : QStringLiteral("+ ");
            p.drawText(rect.adjusted(4, 0, -4, 0), Qt::AlignLeft | Qt::AlignVCenter,
                       sign + cellText(r0 + 1, m_groupCol));
            continue;
        }
        if (m_rowTextCol && rowHasRowText(r0)) {
            const int startCol = validCol(m_rowTextStartCol) ? m_rowTextStartCol - 1 : 0;
            const int left = columnViewportPosition(startCol);
            const QRect rect(left + 2, top + m_defaultRowHeight, right - left - 4, height - m_defaultRowHeight);
            const QTableWidgetItem* it = item(r0, m_rowTextCol - 1);
            const qint64 fore = it->data(RoleFore).isValid() ? it->data(RoleFore).toLongLong() : -1;
            const QColor c = WinColor::toQColor(fore);
            p.setPen(c.isValid() ? c : palette().color(QPalette::Text));
            p.setFont(cellFont(r0 + 1, m_rowTextCol));
            // A row text with a colour of its own is drawn on a band of that
            // colour as wide as the text, so the mark stands out under the row.
            const qint64 back = it->data(RoleBack).isValid() ? it->data(RoleBack).toLongLong() : -1;
            const QColor band = WinColor::toQColor(back);
            if (band.isValid()) {
                const QRect used = p.boundingRect(rect, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, it->text());
                p.fillRect(used.adjusted(-2, 0, 2, 0), band);
            }
            p.drawText(rect, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, it->text());
        }
    }
}

// ---- Events -----------------------------------------------------------------------

int Grid::buttonNumber(Qt::MouseButton button)
{
    switch (button) {
    case Qt::LeftButton:
        return 1;
    case Qt::RightButton:
        return 2;
    case Qt::MiddleButton:
        return 4;
    default:
        return 0;
    }
}

int Grid::shiftState(Qt::KeyboardModifiers mods)
{
    int s = 0;
    if (mods & Qt::ShiftModifier)
        s |= 1;
    if (mods & Qt::ControlModifier)
        s |= 2;
    if (mods & Qt::AltModifier)
        s |= 4;
    return s;
}

void Grid::mousePressEvent(QMouseEvent* event)
{
    m_doubleClickScroll.reset();
    // The base first, so handlers see the selection the press made.
    QTableWidget::mousePressEvent(event);
    const QPoint p = toGrid(event->position().toPoint());
    emit mouseDown(buttonNumber(event->button()), shiftState(event->modifiers()), p.x(), p.y());
}

void Grid::mouseReleaseEvent(QMouseEvent* event)
{
    QTableWidget::mouseReleaseEvent(event);
    QPoint p = toGrid(event->position().toPoint());
    // A double-click may scroll the grid (a list opened over a cell cut off
    // by the edge brings it into view) before its button comes up. That
    // release belongs to the cell double-clicked, not to the one the scroll
    // moved under the pointer.
    if (m_doubleClickScroll) {
        p -= QPoint(horizontalOffset(), verticalOffset()) - *m_doubleClickScroll;
        m_doubleClickScroll.reset();
    }
    const int button = buttonNumber(event->button());
    const Cell cell = cellFromPoint(p);
    // A handler may close the window (and so delete the grid) on any signal.
    const QPointer<Grid> self(this);
    emit mouseUp(button, shiftState(event->modifiers()), p.x(), p.y());
    if (!self || !cell.valid())
        return;
    emit cellClick(cell.row, cell.col, button);
    if (self && button == 1)
        emit cellPick(cell.row, cell.col);
}

void Grid::mouseDoubleClickEvent(QMouseEvent* event)
{
    m_doubleClickScroll = QPoint(horizontalOffset(), verticalOffset());
    QTableWidget::mouseDoubleClickEvent(event);
    if (event->button() != Qt::LeftButton)
        return;
    const QPoint p = toGrid(event->position().toPoint());
    const Cell cell = cellFromPoint(p);
    if (!cell.valid())
        return;
    if (m_groupCol && isGroupRow(cell.row)) {
        setGroupExpanded(cell.row, !groupExpanded(cell.row));
        return;
    }
    const QPointer<Grid> self(this);
    emit dblClick(cell.row, cell.col);
    if (self && m_editOnDoubleClick)
        emit requestEdit(cell.row, cell.col);
}

void Grid::keyPressEvent(QKeyEvent* event)
{
    const QPointer<Grid> self(this);
    emit keyDown(event->key(), shiftState(event->modifiers()));
    if (!self)
        return;
    switch (event->key()) {
    case Qt::Key_F2:
        if (selectedRow() > 0)
            emit requestEdit(selectedRow(), selectedCol());
        event->accept();
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (selectedRow() > 0) {
            const int row = selectedRow();
            const int col = selectedCol();
            emit cellPick(row, col);
            if (self)
                emit requestEdit(row, col);
        }
        event->accept();
        return;
    default:
        break;
    }
    QTableWidget::keyPressEvent(event);
}

bool Grid::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event)
{
    // The grid has no editor of its own: owners place their lists over a
    // cell when requestEdit is raised.
    Q_UNUSED(index);
    Q_UNUSED(trigger);
    Q_UNUSED(event);
    return false;
}

// ---- Drag and drop ----------------------------------------------------------------

QString Grid::dragMimeType()
{
    return QStringLiteral("application/x-velmora-grid");
}

void Grid::setDragHook(std::function<void(Grid* source)> hook)
{
    dragHook() = std::move(hook);
}

void Grid::beginDrag()
{
    if (dragHook()) {
        // The drop that follows learns where the drag came from, as after a
        // real drag.
        dragSource() = this;
        dragHook()(this);
        return;
    }
    auto* mime = new QMimeData;
    mime->setData(dragMimeType(), objectName().toUtf8());
    auto* drag = new QDrag(this);
    drag->setMimeData(mime);
    dragSource() = this;
    drag->exec(Qt::CopyAction | Qt::MoveAction, Qt::CopyAction);
    dragSource() = nullptr;
}

void Grid::setDropTarget(bool on)
{
    m_dropTarget = on;
    setAcceptDrops(on);
    viewport()->setAcceptDrops(on);
}

void Grid::dropFrom(QWidget* source, const QPoint& pos)
{
    emit dragDrop(source, pos.x(), pos.y());
}

void Grid::dragEnterEvent(QDragEnterEvent* event)
{
    if (m_dropTarget && event->mimeData()->hasFormat(dragMimeType()))
        event->acceptProposedAction();
    else
        event->ignore();
}

void Grid::dragMoveEvent(QDragMoveEvent* event)
{
    if (m_dropTarget && event->mimeData()->hasFormat(dragMimeType()))
        event->acceptProposedAction();
    else
        event->ignore();
}

void Grid::dropEvent(QDropEvent* event)
{
    if (!m_dropTarget || !event->mimeData()->hasFormat(dragMimeType())) {
        event->ignore();
        return;
    }
    QWidget* source = qobject_cast<QWidget*>(event->source());
    if (!source) {
        source = dragSource().data();
        dragSource() = nullptr;
    }
    event->acceptProposedAction();
    dropFrom(source, toGrid(event->position().toPoint()));
}
