#pragma once

#include <QDate>
#include <QLineEdit>
#include <QString>

#include <functional>

/** Display texts shared by the record windows and the table editors. */
namespace RecordFormats
{
/** "$#,##0.00": 1234.5 gives "$1,234.50"; a negative amount "-$5.00". */
QString MoneyText(double amount);
/** "$#,##0.00;($#,##0.00)": as MoneyText, a negative amount in brackets. */
QString FeeText(double amount);
/** "#0.00": 12.5 gives "12.50", 0.5 gives "0.50". */
QString RateText(double value);
/** "d/M/yy": 2024-03-05 gives "5/3/24". */
QString ShortDateText(const QDate& date);

/** The invoice period's list texts in list order, and the codes beside them. */
const QStringList& PeriodTexts();
/** List text of a stored period code; "" for any other code (also "7"). */
QString PeriodTextOfCode(const QString& code);
/** Code of a list text; "" for a text that is none of the list's. */
QString PeriodCodeOfText(const QString& text);
} // namespace RecordFormats

/**
 * A line edit that shows its text through a display format while it does not
 * have the focus and the typed text while it does. text() always gives the
 * typed text (what the program reads and stores); an empty text shows empty.
 */
class FormattedLineEdit : public QLineEdit
{
    Q_OBJECT

public:
    using Formatter = std::function<QString(const QString& raw)>;

    explicit FormattedLineEdit(Formatter format, QWidget* parent = nullptr);

    /** The typed text, whatever is shown. */
    QString rawText() const { return m_raw; }
    /** Sets the typed text (and shows it formatted when not focused). */
    void setRawText(const QString& raw);
    /** At most `n` typed characters (the display text may be longer). */
    void setRawMaxLength(int n);

protected:
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void showFormatted();
    Formatter m_format;
    QString m_raw;
    bool m_showingFormatted = false;
};
