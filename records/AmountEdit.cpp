#include "records/AmountEdit.h"

#include "records/InvoiceCalc.h"

#include <QFocusEvent>

AmountEdit::AmountEdit(QWidget* parent)
    : QLineEdit(parent)
{
    connect(this, &QLineEdit::textChanged, this, &AmountEdit::onTextChanged);
}

void AmountEdit::onTextChanged(const QString& text)
{
    if (m_updating)
        return;
    m_raw = text;
    if (!hasFocus())
        showMoney();
}

void AmountEdit::showMoney()
{
    const auto amount = InvoiceCalc::ParseAmount(m_raw);
    const QString shown = amount ? InvoiceCalc::MoneyText(*amount) : m_raw;
    if (shown == QLineEdit::text())
        return;
    m_updating = true;
    QLineEdit::setText(shown);
    m_updating = false;
}

void AmountEdit::focusInEvent(QFocusEvent* event)
{
    if (QLineEdit::text() != m_raw) {
        m_updating = true;
        QLineEdit::setText(m_raw);
        m_updating = false;
    }
    QLineEdit::focusInEvent(event);
}

void AmountEdit::focusOutEvent(QFocusEvent* event)
{
    QLineEdit::focusOutEvent(event);
    showMoney();
}
