#include "platform/ComboEx.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QScopedValueRollback>

ComboEx::ComboEx(QWidget* parent)
    : QComboBox(parent)
{
    connect(this, &QComboBox::activated, this, [this](int) {
        emit select();
        // Moving through the closed list is not a pick; an entry taken in the
        // drop-down is.
        if (!m_browsing)
            emit chosen();
    });
    // Escape in the drop-down closes the list as it does on the closed list.
    view()->installEventFilter(this);
}

void ComboEx::showOver(QWidget* over, const QRect& rect)
{
    QPoint topLeft = rect.topLeft();
    if (over && parentWidget() && over != parentWidget())
        topLeft = parentWidget()->mapFromGlobal(over->mapToGlobal(topLeft));
    setGeometry(topLeft.x(), topLeft.y(), rect.width(), height());
    setVisible(true);
    raise();
    setFocus(Qt::OtherFocusReason);
}

bool ComboEx::popupShown() const
{
    return view()->isVisible();
}

void ComboEx::focusOutEvent(QFocusEvent* event)
{
    QComboBox::focusOutEvent(event);
    // Opening the drop-down moves the focus into it, and the first time it
    // opens Qt says so with the reason "other": that is not leaving, nor is
    // another window becoming active while this list keeps its window's focus.
    if (event->reason() == Qt::PopupFocusReason || popupShown())
        return;
    const QWidget* now = QApplication::focusWidget();
    if (now && (now == this || now->window() == view()->window()))
        return;
    if (window()->focusWidget() == this)
        return;
    emit lostFocus();
}

void ComboEx::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Escape:
        // Taken here, so it closes only the list and never its window.
        event->accept();
        emit cancelled();
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        event->accept();
        emit select();
        emit chosen();
        return;
    default:
        break;
    }
    const QScopedValueRollback<bool> browsing(m_browsing, true);
    QComboBox::keyPressEvent(event);
}

#if QT_CONFIG(wheelevent)
void ComboEx::wheelEvent(QWheelEvent* event)
{
    const QScopedValueRollback<bool> browsing(m_browsing, true);
    QComboBox::wheelEvent(event);
}
#endif

bool ComboEx::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == view() && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        hidePopup();
        emit cancelled();
        return true;
    }
    return QComboBox::eventFilter(watched, event);
}
