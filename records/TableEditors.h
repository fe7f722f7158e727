#pragma once

#include "records/DaoTableModel.h"

#include <QDialog>
#include <QStyledItemDelegate>

class QLabel;
class QTableView;
class QToolButton;
class TypedTextDelegate;

/**
 * A window that edits one local table in a grid, with no save button: a row
 * is written when the grid leaves it and when the window closes. The blank
 * last row takes a new row; it is the current row when the window opens.
 * Del deletes the current stored row once the user confirms it.
 */
class TableEditorWindow : public QDialog
{
    Q_OBJECT

public:
    /** Loads the table; false (after telling the user) when it cannot be read. */
    bool Form_Load();

    DaoTableModel* model() const { return m_model; }
    QTableView* grid() const { return m_grid; }

protected:
    TableEditorWindow(const QString& table, const QList<DaoTableModel::Column>& columns, const QList<int>& widthsTwips,
                      const QString& gridName, const QString& dataCaption, const QString& note, QWidget* parent);

    bool eventFilter(QObject* watched, QEvent* event) override;

public:
    /** Closing (any way) first writes the changed rows. */
    void done(int result) override;

private:
    /** Writes every changed row; when one fails the user may stay to fix it. */
    bool writeBeforeClosing();
    void moveTo(int row);
    /** Opens the cell whose typed value was refused again, with that text. */
    void reopenRefused();

    DaoTableModel* m_model = nullptr;
    TypedTextDelegate* m_delegate = nullptr;
    QPersistentModelIndex m_refusedCell;
    QString m_refusedText;
    QTableView* m_grid = nullptr;
    QLabel* m_caption = nullptr;
    bool m_closing = false;
};

/** The booking-status templates ("Booking Templates"). */
class frmBookingTemplate : public TableEditorWindow
{
    Q_OBJECT
public:
    explicit frmBookingTemplate(QWidget* parent = nullptr);
    /** Opens the window modally; returns when it closes. */
    static void OpenTemplates(QWidget* parent = nullptr);
};

/**
 * The race-type list of the rates grid: "R", "T" and "J" dropped over the
 * Race Type cell; the pick is written into that cell only.
 */
class RaceTypeDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;
    void updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const override;
};

/** The jockeys' booking rates by state, race type and date ("Jockey Booking Rates"). */
class frmBookRate : public TableEditorWindow
{
    Q_OBJECT
public:
    explicit frmBookRate(QWidget* parent = nullptr);
    /** Opens the window modally; returns when it closes. */
    static void OpenRates(QWidget* parent = nullptr);

    /** Column of the race type (0-based). */
    static constexpr int kRaceTypeColumn = 1;
};
