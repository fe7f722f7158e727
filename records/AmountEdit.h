#pragma once

#include <QLineEdit>

/**
 * An amount field: while it has the focus it shows the text as typed; at
 * other times it shows the amount as money ("$25.00"), or the typed text
 * unchanged when that is not an amount. The program reads what was typed,
 * through rawText(), never the money form.
 */
class AmountEdit : public QLineEdit
{
    Q_OBJECT

public:
    explicit AmountEdit(QWidget* parent = nullptr);

    /** The text as typed (also what setText() put in). */
    QString rawText() const { return m_raw; }

protected:
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void onTextChanged(const QString& text);
    void showMoney();

    QString m_raw;
    bool m_updating = false;
};
