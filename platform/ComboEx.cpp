#include "platform/ComboEx.h"

#include <QFocusEvent>

ComboEx::ComboEx(QWidget* parent)
    : QComboBox(parent)
{
    connect(this, &QComboBox::activated, this, [this](int) { emit select(); });
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

void ComboEx::focusOutEvent(QFocusEvent* event)
{
    QComboBox::focusOutEvent(event);
    // Opening the drop-down moves the focus into it; that is not leaving.
    if (event->reason() != Qt::PopupFocusReason)
        emit lostFocus();
}
