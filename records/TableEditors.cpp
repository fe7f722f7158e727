#include "records/TableEditors.h"

#include "platform/Prompts.h"
#include "platform/Twips.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QScrollBar>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>

/**
 * The grid's cell editor, which can open with a text other than the cell's:
 * the text the user typed and the model refused, so it can be corrected
 * instead of typed again.
 */
class TypedTextDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    /** The next editor opened on `cell` starts with `text`. */
    void offer(const QModelIndex& cell, const QString& text)
    {
        m_cell = cell;
        m_text = text;
    }
    /** The text handed to the model just now was refused. */
    void noteRefused() { m_refused = true; }
    bool eventFilter(QObject* object, QEvent* event) override
    {
        // Tab and Backtab hand the text over and move to the next cell. A refused
        // text keeps its cell current instead: leaving the row would write it
        // without the value, and an editor opened on the blank row would begin a
        // record of its own.
        auto* editor = qobject_cast<QWidget*>(object);
        if (editor && event->type() == QEvent::KeyPress)
        {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Tab || key == Qt::Key_Backtab)
            {
                m_refused = false;
                emit commitData(editor);
                const EndEditHint next = key == Qt::Key_Tab ? EditNextItem : EditPreviousItem;
                emit closeEditor(editor, m_refused ? NoHint : next);
                return true;
            }
        }
        return QStyledItemDelegate::eventFilter(object, event);
    }
    void setEditorData(QWidget* editor, const QModelIndex& index) const override
    {
        QStyledItemDelegate::setEditorData(editor, index);
        auto* line = qobject_cast<QLineEdit*>(editor);
        if (line && m_cell.isValid() && m_cell == index)
        {
            line->setText(m_text);
            m_cell = QPersistentModelIndex();
        }
    }

private:
    mutable QPersistentModelIndex m_cell;
    QString m_text;
    bool m_refused = false;
};

TableEditorWindow::TableEditorWindow(const QString& table, const QList<DaoTableModel::Column>& columns,
                                     const QList<int>& widthsTwips, const QString& gridName,
                                     const QString& dataCaption, const QString& note, QWidget* parent)
    : QDialog(parent)
{
    m_model = new DaoTableModel(table, columns, this);
    m_grid = new QTableView(this);
    m_grid->setObjectName(gridName);
    m_grid->setModel(m_model);
    m_delegate = new TypedTextDelegate(m_grid);
    m_grid->setItemDelegate(m_delegate);
    m_grid->setSelectionBehavior(QAbstractItemView::SelectItems);
    m_grid->setSelectionMode(QAbstractItemView::SingleSelection);
    m_grid->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::SelectedClicked |
                            QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed);
    m_grid->verticalHeader()->setDefaultSectionSize(22);
    m_grid->verticalHeader()->setFixedWidth(22);
    m_grid->horizontalHeader()->setStretchLastSection(true);
    m_grid->installEventFilter(this);
    const QFontMetrics fm(m_grid->horizontalHeader()->font());
    int gridWidth = m_grid->verticalHeader()->width() + 4;
    for (int i = 0; i < columns.size(); ++i)
    {
        // The stored width, but never narrower than the column's caption.
        const int px = std::max(Twips::toPixels(widthsTwips.value(i)),
                                fm.horizontalAdvance(columns.at(i).caption) + 16);
        m_grid->setColumnWidth(i, px);
        gridWidth += px;
    }
    m_grid->setMinimumWidth(gridWidth + m_grid->verticalScrollBar()->sizeHint().width());

    auto* lblNote = new QLabel(note, this);
    lblNote->setObjectName(QStringLiteral("lblNote"));
    lblNote->setWordWrap(true);

    // The data control: move buttons around its caption.
    auto* bar = new QHBoxLayout;
    auto button = [this, bar](const QString& text, const char* name, auto fn) {
        auto* b = new QToolButton(this);
        b->setText(text);
        b->setObjectName(QString::fromLatin1(name));
        b->setAutoRaise(false);
        connect(b, &QToolButton::clicked, this, fn);
        bar->addWidget(b);
        return b;
    };
    button(QStringLiteral("|<"), "cmdFirst", [this] { moveTo(0); });
    button(QStringLiteral("<"), "cmdPrevious",
           [this] { moveTo(std::max(0, m_grid->currentIndex().row() - 1)); });
    m_caption = new QLabel(dataCaption, this);
    m_caption->setObjectName(QStringLiteral("lblDataCaption"));
    m_caption->setAlignment(Qt::AlignCenter);
    m_caption->setFrameShape(QFrame::StyledPanel);
    bar->addWidget(m_caption, 1);
    button(QStringLiteral(">"), "cmdNext", [this] { moveTo(m_grid->currentIndex().row() + 1); });
    button(QStringLiteral(">|"), "cmdLast", [this] { moveTo(m_model->newRow()); });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblNote);
    layout->addWidget(m_grid, 1);
    layout->addLayout(bar);

    connect(m_grid->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current, const QModelIndex& previous) {
                Q_UNUSED(current);
                // A row whose value was refused just now is not written without
                // it: it waits until the value is corrected.
                const bool refusedThere = m_refusedCell.isValid() && m_refusedCell.row() == previous.row();
                if (previous.isValid() && !refusedThere)
                    m_model->submitRow(previous.row());
            });
    // A refused value goes back into its cell once the grid has closed the editor.
    connect(m_model, &DaoTableModel::refused, this, [this](const QModelIndex& index, const QString& typed) {
        m_refusedCell = index;
        m_refusedText = typed;
        m_delegate->noteRefused();
        QMetaObject::invokeMethod(this, &TableEditorWindow::reopenRefused, Qt::QueuedConnection);
    });
    connect(m_model, &QAbstractItemModel::dataChanged, this, [this](const QModelIndex& topLeft) {
        if (m_refusedCell == topLeft)
            m_refusedCell = QPersistentModelIndex(); // corrected meanwhile
    });
}

void TableEditorWindow::reopenRefused()
{
    if (!m_refusedCell.isValid() || !isVisible())
        return;
    const QModelIndex cell = m_refusedCell;
    m_refusedCell = QPersistentModelIndex();
    m_grid->setCurrentIndex(cell);
    m_delegate->offer(cell, m_refusedText);
    m_grid->edit(cell);
    m_delegate->offer(QModelIndex(), QString()); // only for the editor opened just now
}

bool TableEditorWindow::Form_Load()
{
    if (!m_model->load())
        return false;
    moveTo(m_model->newRow());
    return true;
}

void TableEditorWindow::moveTo(int row)
{
    row = std::clamp(row, 0, m_model->newRow());
    const int col = std::max(0, m_grid->currentIndex().column());
    const QModelIndex index = m_model->index(row, col);
    m_grid->setCurrentIndex(index);
    m_grid->scrollTo(index);
}

bool TableEditorWindow::writeBeforeClosing()
{
    // Leaving the current cell hands an open editor's value to the model.
    m_refusedCell = QPersistentModelIndex();
    const QModelIndex current = m_grid->currentIndex();
    m_grid->setCurrentIndex(QModelIndex());
    m_grid->setCurrentIndex(current);
    // A value refused just now stays in its cell for correcting: the window stays.
    if (m_refusedCell.isValid())
        return false;
    if (m_model->submitAll())
        return true;
    return Prompts::MsgBox(QStringLiteral("A changed row could not be saved. Close anyway and lose the change?"),
                           Prompts::vbYesNo + Prompts::vbQuestion + Prompts::vbDefaultButton2) == Prompts::vbYes;
}

void TableEditorWindow::done(int result)
{
    if (!m_closing)
    {
        m_closing = true;
        const bool ok = writeBeforeClosing();
        m_closing = false;
        if (!ok)
            return;
    }
    QDialog::done(result);
}

bool TableEditorWindow::eventFilter(QObject* watched, QEvent* event)
{
    // Only the grid's own keys come here: while a cell is edited its editor has the keys.
    if (watched == m_grid && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete)
    {
        // Del in a grid is easily meant for the cell alone, and a deleted row
        // cannot be brought back: ask first, No being the default.
        const int row = m_grid->currentIndex().row();
        if (row >= 0 && row < m_model->newRow() &&
            Prompts::MsgBox(QStringLiteral("Delete the selected row?"),
                            Prompts::vbYesNo + Prompts::vbQuestion + Prompts::vbDefaultButton2) == Prompts::vbYes)
            m_model->deleteRow(row);
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

// ---- Booking templates ---------------------------------------------------------------

frmBookingTemplate::frmBookingTemplate(QWidget* parent)
    : TableEditorWindow(
          QStringLiteral("BookingTemplate"),
          {{QStringLiteral("Sequence"), QStringLiteral("Seq Nbr"), DaoTableModel::Kind::Integer, Qt::AlignLeft},
           {QStringLiteral("Template"), QStringLiteral("Template"), DaoTableModel::Kind::Text, Qt::AlignLeft}},
          {600, 4215}, QStringLiteral("dgBookingTemplate"), QStringLiteral("Booking Template"),
          QStringLiteral("Note: This form lets you setup status templates to Describe the Status of Bookings of "
                         "Jockeys against Nominations. These will appear in a drop down box on booking Status when "
                         "Edit is Selected."),
          parent)
{
    setObjectName(QStringLiteral("frmBookingTemplate"));
    setWindowTitle(QStringLiteral("Booking Templates"));
    resize(420, 360);
}

void frmBookingTemplate::OpenTemplates(QWidget* parent)
{
    frmBookingTemplate window(parent);
    if (window.Form_Load())
        Prompts::ShowModal(&window);
}

// ---- Booking rates -----------------------------------------------------------------

QWidget* RaceTypeDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex&) const
{
    auto* list = new QListWidget(parent);
    list->setObjectName(QStringLiteral("lstType"));
    list->addItems({QStringLiteral("R"), QStringLiteral("T"), QStringLiteral("J")});
    list->setFrameShape(QFrame::Box);
    // A click on an item types it into the cell and drops the list.
    connect(list, &QListWidget::itemClicked, this, [this, list](QListWidgetItem*) {
        auto* self = const_cast<RaceTypeDelegate*>(this);
        emit self->commitData(list);
        emit self->closeEditor(list);
    });
    return list;
}

void RaceTypeDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const
{
    auto* list = static_cast<QListWidget*>(editor);
    const QList<QListWidgetItem*> found = list->findItems(index.data(Qt::EditRole).toString().toUpper(), Qt::MatchExactly);
    list->setCurrentItem(found.isEmpty() ? nullptr : found.first());
}

void RaceTypeDelegate::setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const
{
    auto* list = static_cast<QListWidget*>(editor);
    if (QListWidgetItem* item = list->currentItem())
        model->setData(index, item->text(), Qt::EditRole);
}

void RaceTypeDelegate::updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                                            const QModelIndex&) const
{
    // The list takes the column's width and drops from the top of the cell.
    auto* list = static_cast<QListWidget*>(editor);
    const int height = list->sizeHintForRow(0) * list->count() + 2 * list->frameWidth();
    editor->setGeometry(option.rect.left(), option.rect.top(), option.rect.width(), height);
}

frmBookRate::frmBookRate(QWidget* parent)
    : TableEditorWindow(
          QStringLiteral("BookRate"),
          {{QStringLiteral("State"), QStringLiteral("State"), DaoTableModel::Kind::Text, Qt::AlignHCenter},
           {QStringLiteral("RaceType"), QStringLiteral("Race Type"), DaoTableModel::Kind::Text, Qt::AlignHCenter},
           {QStringLiteral("DateEffective"), QStringLiteral("Date Effective"), DaoTableModel::Kind::Date,
            Qt::AlignRight},
           {QStringLiteral("BookingRate"), QStringLiteral("Booking Rate"), DaoTableModel::Kind::Money,
            Qt::AlignRight}},
          {675, 705, 1095, 1335}, QStringLiteral("dgBookRate"), QStringLiteral("Jockey Booking Rates"),
          QStringLiteral("Note: This form lets you setup the various Jockey Booking Rates,. for various states, The "
                         "Race Type is R for Races, J for Jumps and T for Trials, The Date Effective is the date theat "
                         "a Rate becomes effective. This data is  used to calculate the Total Jockeys Earnings and "
                         "Manager comissions for the Jockey Invoice."),
          parent)
{
    setObjectName(QStringLiteral("frmBookRate"));
    setWindowTitle(QStringLiteral("Jockey Booking Rates"));
    grid()->setItemDelegateForColumn(kRaceTypeColumn, new RaceTypeDelegate(grid()));
    resize(440, 380);
}

void frmBookRate::OpenRates(QWidget* parent)
{
    frmBookRate window(parent);
    if (window.Form_Load())
        Prompts::ShowModal(&window);
}
