#pragma once

#include "platform/ImageList.h"

#include <QFont>
#include <QList>
#include <QPoint>
#include <QPointer>
#include <QString>
#include <QTableWidget>
#include <QVariant>

#include <functional>
#include <optional>

class QMimeData;

/**
 * The program's grid: a table with 1-based rows and columns over Qt's table
 * widget.
 *
 * Columns are numbered from 1 in the order they were added; that number never
 * changes when the user drags a column elsewhere (the display position does).
 * Each column may carry a key, so a loader can find it by name.
 *
 * Cells carry a text, an icon index into the grid's ImageList (-1 none),
 * background and text colours as Windows colour numbers (0x00BBGGRR, system
 * colours 0x800000nn; -1 = the grid's default; a read returns exactly the
 * number written), an indent in pixels, an alignment, an optional font and
 * an optional item data value (a sort key for columns sorted by item data).
 *
 * Writing a cell below the last row grows the grid to that row. Reading a
 * cell outside the grid gives "" / -1.
 *
 * Sorting is done only on request (sort()/sortOnColumn()); the grid never
 * sorts by itself, so rows written while repainting is off stay where they
 * were written. Sorts are stable: rows with equal keys keep their order.
 *
 * Points (mouse events, cellFromPoint, cellRect) are in pixels relative to
 * the grid widget's own top-left corner (header included).
 *
 * Mouse buttons are numbered 1 left, 2 right, 4 middle; the shift state is
 * 1 Shift, 2 Ctrl, 4 Alt, added together.
 */
class Grid : public QTableWidget
{
    Q_OBJECT

public:
    /** How a column compares its cells when the grid is sorted on it. */
    enum SortType
    {
        SortText = 0,     // text, regardless of case
        SortNumeric = 1,  // the leading number of the text; no number sorts lowest
        SortIcon = 2,     // the icon index (-1 = none sorts lowest)
        SortDate = 3,     // a date written as dd/mm/yy, dd/mm/yyyy, yyyy-mm-dd or yyyymmmdd
        SortItemData = 4, // the cell's item data, compared as a number
    };

    /** Row and column of a cell; 0 for none. */
    struct Cell
    {
        int row = 0;
        int col = 0;
        bool valid() const { return row > 0 && col > 0; }
    };

    /** Width of a column added without one, in design pixels (see addColumn). */
    static constexpr int kDefaultColumnWidth = 64;

    /**
     * Column widths handed to addColumn are design widths: pixels for the
     * 8-point MS Sans Serif the program's layouts were drawn with, whose
     * Latin letters average 6 pixels. Each is scaled by the ratio of the
     * average letter width of the grid's font to those 6 pixels, so a header
     * and the values a column was sized for fit in whatever font is in use;
     * and a column with a caption is made at least as wide as the caption
     * needs (some layouts left a caption wider than its column). Every other
     * width (colWidth, setColWidth, the saved width lists) is in
     * screen pixels and taken as it is: widths the user saved stay as saved.
     */
    static constexpr double kDesignLetterWidth = 6.0;
    /** The factor design widths are multiplied by for this grid's font. */
    double widthScale() const;
    /** A design width in screen pixels for this grid's font. */
    int scaledWidth(int designWidth) const;

    explicit Grid(QWidget* parent = nullptr);
    ~Grid() override;

    // ---- Columns -------------------------------------------------------------
    /** Adds a column at the end; returns its number (1-based). `width` is a
     *  design width (scaled to the font, see widthScale); < 0 takes the
     *  default width. `headerAlign` is the caption's alignment (left,
     *  centre or right). An empty key is allowed (such a column is found by
     *  number only). */
    int addColumn(const QString& key, const QString& header = QString(), int width = -1,
                  Qt::Alignment headerAlign = Qt::AlignLeft, SortType sortType = SortText, bool visible = true,
                  const QString& tag = QString(), int headerImage = -1);
    /** Number of columns. */
    int columns() const { return static_cast<int>(m_cols.size()); }
    /** Number of the column with this key (case-insensitive), 0 when none. */
    int colIndex(const QString& key) const;
    QString colKey(int col) const;
    /** Gives a column another key (a column whose meaning follows the data shown). */
    void setColKey(int col, const QString& key);
    QString colHeader(int col) const;
    void setColHeader(int col, const QString& text);
    /** Width in pixels; a hidden column keeps (and reports) its width. */
    int colWidth(int col) const;
    void setColWidth(int col, int width);
    /** Sets a column's width from a design width as addColumn does: scaled
     *  to the font and never narrower than the column's caption. */
    void setColDesignWidth(int col, int designWidth);
    /** Display position, 1 = leftmost. */
    int colPosition(int col) const;
    /** Moves one column to a display position; the others shift. */
    void setColPosition(int col, int position);
    bool colVisible(int col) const;
    void setColVisible(int col, bool visible);
    void setColVisible(const QString& key, bool visible);
    QString colTag(int col) const;
    void setColTag(int col, const QString& tag);
    /** Header image index (-1 none). */
    int colHeaderImage(int col) const;
    void setColHeaderImage(int col, int image);
    SortType colSortType(int col) const;
    void setColSortType(int col, SortType type);
    Qt::Alignment colHeaderAlignment(int col) const;
    /** Widens or narrows a column to fit its header and cells. */
    void autoFitColumn(int col);
    /** Removes every row and every column. */
    void clearGrid();

    // ---- Column layout persistence -------------------------------------------
    /** Widths of all columns in column-number order, joined by "," ("130,30,15"). */
    QString colWidthList() const;
    /** Display positions of all columns in column-number order, joined by ",". */
    QString colOrderList() const;
    /** Applies a saved width list: element k sets column k's width when its
     *  leading number is above 0; short lists, extra and malformed elements are
     *  tolerated (ignored). */
    void restoreColWidths(const QString& widthList);
    /** Applies a saved order list as a whole: the columns take the saved
     *  display positions together (moving them one at a time would not give
     *  the saved order back). Elements that are not above 0, out of range or
     *  a repeat of an earlier position are ignored; the columns they belong to
     *  fill the free positions in their present order. */
    void restoreColOrder(const QString& orderList);
    /** The same as restoreColOrder on a list of positions (element k for column k+1). */
    void setColOrder(const QList<int>& positions);

    // ---- Rows ----------------------------------------------------------------
    int rows() const { return rowCount(); }
    /** Sets the number of rows (new rows are empty; extra rows are removed). */
    void setRows(int count);
    /** Adds an empty row before row `before` (0 or beyond the last: at the end);
     *  returns its number. */
    int addRow(int before = 0);
    /** Removes one row (nothing when out of range). */
    void deleteRow(int row);
    /** Removes every row; the columns stay. */
    void clearRows();
    /** Height of the rows not given one of their own. */
    int defaultRowHeight() const { return m_defaultRowHeight; }
    void setDefaultRowHeight(int px);
    int rowHeightAt(int row) const;
    void setRowHeightAt(int row, int px);

    // ---- Cells ---------------------------------------------------------------
    QString cellText(int row, int col) const;
    void setCellText(int row, int col, const QString& text);
    /** Writes a cell in one call: text, alignment, icon, colours, font and indent.
     *  `font` null keeps the grid's font. */
    void setCellDetails(int row, int col, const QString& text, Qt::Alignment align = Qt::AlignLeft, int icon = -1,
                        qint64 backColor = -1, qint64 foreColor = -1, const QFont* font = nullptr, int indent = 0);
    int cellIcon(int row, int col) const;
    void setCellIcon(int row, int col, int icon);
    qint64 cellBackColor(int row, int col) const;
    void setCellBackColor(int row, int col, qint64 color);
    qint64 cellForeColor(int row, int col) const;
    void setCellForeColor(int row, int col, qint64 color);
    /** The cell's own font, or the grid's font when it has none. */
    QFont cellFont(int row, int col) const;
    void setCellFont(int row, int col, const QFont& font);
    int cellIndent(int row, int col) const;
    void setCellIndent(int row, int col, int px);
    Qt::Alignment cellAlignment(int row, int col) const;
    void setCellAlignment(int row, int col, Qt::Alignment align);
    QVariant cellItemData(int row, int col) const;
    void setCellItemData(int row, int col, const QVariant& value);
    /** Rectangle of a cell in grid pixels (null when out of range or hidden). */
    QRect cellRect(int row, int col) const;
    /** Cell under a point in grid pixels; {0, 0} when none. */
    Cell cellFromPoint(const QPoint& pos) const;
    Cell cellFromPoint(int x, int y) const { return cellFromPoint(QPoint(x, y)); }
    /** Height the cell's text needs when wrapped in the cell's width. */
    int cellTextHeight(int row, int col) const;

    // ---- Row text and groups -------------------------------------------------
    /** Makes a column the row-text column (0 = none): its text is drawn beneath
     *  the row's other cells, across the row, instead of in a column of its own.
     *  Rows that carry such a text need a taller row (setRowHeightAt). */
    void setRowTextColumn(int col);
    int rowTextColumn() const { return m_rowTextCol; }
    /** The column at whose left edge the row text starts (default 1). */
    void setRowTextStartColumn(int col);
    /** Groups the rows by a column's text: the rows are sorted (stably) by that
     *  text and a group row carrying the text in that column is put before each
     *  run of equal texts. Group rows count in the row numbering. 0 removes
     *  the grouping (and the group rows). */
    void setGroupColumn(int col);
    int groupColumn() const { return m_groupCol; }
    bool isGroupRow(int row) const;
    /** Shows or hides a group's rows. Groups start expanded. */
    void setGroupExpanded(int row, bool expanded);
    bool groupExpanded(int row) const;

    // ---- Selection -----------------------------------------------------------
    /** The current row and column (0 when none). */
    int selectedRow() const;
    int selectedCol() const;
    bool isCellSelected(int row, int col) const;
    /** Rows with a selected cell, in grid order. */
    QList<int> selectedRows() const;
    /** Makes (row, col) the current cell and selects it (its row in row mode). */
    void setSelectedCell(int row, int col);
    /** Adds a row to the selection without moving the current cell. */
    void selectRowToo(int row);
    void clearSelectedCells();
    /** Whole-row selection. */
    void setRowMode(bool rowMode);
    bool rowMode() const;
    /** Several rows may be selected (Ctrl and Shift clicks). */
    void setMultiSelect(bool multi);
    bool multiSelect() const;
    /** Colour of the selection as a Windows colour number; -1 or 0x8000000D
     *  is the system highlight. */
    void setSelectionColor(qint64 color);
    qint64 selectionColor() const { return m_selectionColor; }
    /** Scrolls so the row (and column) is in view. */
    void ensureVisible(int row, int col = 0);

    // ---- Sorting -------------------------------------------------------------
    /** Drops all sort keys. */
    void clearSortKeys();
    /** Adds a sort key; `type` defaults to the column's sort type. */
    void addSortKey(int col, Qt::SortOrder order, int type = -1);
    /** Sorts the rows on the sort keys (group rows keep their groups). */
    void sort();
    /** One-key sort on a column with its own sort type (drops other keys). */
    void sortOnColumn(int col, Qt::SortOrder order);

    // ---- Display -------------------------------------------------------------
    /** Repainting switched off and on; while off the grid does no painting or
     *  layout work, and switching it on paints once. */
    void setRedraw(bool on);
    bool redraw() const { return m_redraw; }
    void setImageList(ImageList* images);
    ImageList* imageList() const { return m_images; }
    /** Background of every other row as a Windows colour number (-1 none). */
    void setAlternateRowColor(qint64 color);
    void setHeaderVisible(bool visible);
    /** Header clicks raise columnClick (on by default). */
    void setHeaderButtons(bool on);
    /** The user may drag columns to other positions (on by default). */
    void setColumnsMovable(bool on);
    /** The last column fills the rest of the grid's width. */
    void setStretchLastColumn(bool on);
    void setGridLines(bool on) { setShowGrid(on); }
    /** A text the program keeps with the control (e.g. resize marks). */
    QString tag() const { return m_tag; }
    void setTag(const QString& tag) { m_tag = tag; }
    /** Whether a double-click also raises requestEdit (on by default). A grid
     *  whose owner handles both double-click and edit requests turns it off so
     *  one gesture does not act twice. F2 and Enter always raise requestEdit. */
    void setEditOnDoubleClick(bool on) { m_editOnDoubleClick = on; }

    // ---- Drag and drop -------------------------------------------------------
    /** Starts dragging this grid (the drop target learns it as the source).
     *  Returns when the drag is over. */
    void beginDrag();
    /** Accepts grids dropped on it; a drop raises dragDrop. */
    void setDropTarget(bool on);
    /** Delivers a drop as if `source` had been dropped at `pos` (grid pixels). */
    void dropFrom(QWidget* source, const QPoint& pos);
    /** Replaces the real drag (which waits for the mouse) while set; tests use
     *  it with dropFrom, or with a drop event sent to a grid (which then learns
     *  the grid the drag started from), to drive a drag and drop. Pass nullptr
     *  to clear. */
    static void setDragHook(std::function<void(Grid* source)> hook);
    /** MIME type of the grids' own drags. */
    static QString dragMimeType();

signals:
    /** A header was clicked (column number). */
    void columnClick(int col);
    /** A mouse button went down / up over the grid (x, y in grid pixels).
     *  The selection already reflects the press when these are raised. */
    void mouseDown(int button, int shift, int x, int y);
    void mouseUp(int button, int shift, int x, int y);
    /** A button was released over a cell (after mouseUp). */
    void cellClick(int row, int col, int button);
    /** A cell was double-clicked with the left button. */
    void dblClick(int row, int col);
    /** The user asks to edit a cell: F2, Enter or (see setEditOnDoubleClick)
     *  a double-click. The grid has no editor of its own. */
    void requestEdit(int row, int col);
    /** The user chose a cell: a left click on it, or Enter on the current cell. */
    void cellPick(int row, int col);
    /** A key went down while the grid had the focus (Qt key code, shift state). */
    void keyDown(int key, int shift);
    /** A dragged control was dropped on the grid (x, y in grid pixels). */
    void dragDrop(QWidget* source, int x, int y);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;

private:
    struct Column
    {
        QString key;
        QString header;
        int width = kDefaultColumnWidth;
        bool visible = true;
        Qt::Alignment headerAlign = Qt::AlignLeft;
        SortType sortType = SortText;
        QString tag;
        int headerImage = -1;
    };
    struct SortKey
    {
        int col;
        Qt::SortOrder order;
        SortType type;
    };

    bool validCol(int col) const { return col >= 1 && col <= columns(); }
    /** `width`, or the column's caption width when that is wider. */
    int captionFitWidth(int col, int width) const;
    bool validCell(int row, int col) const { return row >= 1 && row <= rows() && validCol(col); }
    /** The item of a cell, created (and the grid grown) when `create`. */
    QTableWidgetItem* cellItem(int row, int col, bool create);
    QTableWidgetItem* cellItem(int row, int col) const;
    void applyHeader(int col);
    void applyColumnVisibility(int col);
    bool rowHasRowText(int row0) const;
    QPoint toGrid(const QPoint& viewportPos) const;
    QPoint toViewport(const QPoint& gridPos) const;
    static int buttonNumber(Qt::MouseButton button);
    static int shiftState(Qt::KeyboardModifiers mods);
    void applyRowOrder(const QList<int>& order);
    void regroup();
    void removeGroupRows();
    void paintOverlay();

    QList<Column> m_cols;
    QList<SortKey> m_sortKeys;
    QPointer<ImageList> m_images;
    int m_defaultRowHeight = 18;
    int m_rowTextCol = 0;
    int m_rowTextStartCol = 1;
    int m_groupCol = 0;
    bool m_redraw = true;
    bool m_cellsChangedQuietly = false; // cells put in while redraw was off
    bool m_editOnDoubleClick = true;
    // Scroll position when the last double-click came, kept until the
    // release that ends it.
    std::optional<QPoint> m_doubleClickScroll;
    qint64 m_selectionColor = -1;
    QString m_tag;
    bool m_dropTarget = false;

    friend class GridDelegate;
    friend class GridHeader;
};
