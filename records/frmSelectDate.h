#pragma once

#include "records/InvoiceCalc.h"
#include "records/InvoiceData.h"

#include <QDialog>

#include <functional>

class FormattedLineEdit;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPushButton;

/** One invoice ready to print: the period's rides and the computed amounts
 *  with the changes they make to the invoice report. */
struct InvoiceDocument
{
    QString jockey;
    QList<InvoiceData::Ride> rides;
    InvoiceCalc::Result result;
};

/**
 * The invoice window ("Jockey Invoice Settings - <jockey>"): the period,
 * the counts of scratchings and trials and the two extra charges of one
 * jockey's invoice. Print shows the invoice and then offers to record it
 * (next invoice number, the jockey's last invoice date).
 */
class frmSelectDate : public QDialog
{
    Q_OBJECT

public:
    explicit frmSelectDate(QWidget* parent = nullptr);
    ~frmSelectDate() override;

    /**
     * Opens the window for `Jockey` (letter case ignored) and returns when it
     * has closed. A jockey without a record, or without a manager rate, is
     * refused with a message and the window does not open.
     */
    static void OpenSelect(QString& Jockey, QWidget* parent = nullptr);

    /** Reads the jockey's terms and fills the fields; false (after telling
     *  the user) when the window must not open. */
    bool Prepare(const QString& jockey);

    /** Shows an invoice modally; returns when its window has closed. */
    using Presenter = std::function<void(const InvoiceDocument&)>;
    /** Replaces how invoices are shown (tests); an empty function restores
     *  the print preview. */
    static void setPresenter(Presenter presenter);

    const InvoiceCalc::JockeyTerms& terms() const { return m_terms; }
    /** The manager fee of the last invoice computed. */
    Currency managerFee() const { return m_managerFee; }

public slots:
    void cmdReport_Click();
    void cmdSaveExtras_Click();
    void cmdExit_Click();
    void meExtra1_CheckNumeric();
    void meExtra2_CheckNumeric();

private:
    // The first extra-charge amount that is not a valid amount (1 or 2) has
    // its message shown; true when both are valid.
    bool checkAmounts();

    QString m_jockey;
    InvoiceCalc::JockeyTerms m_terms;
    Currency m_managerFee;

    QDateEdit* dtpStart = nullptr;
    QDateEdit* dtpEnd = nullptr;
    QLineEdit* medScratchings = nullptr;
    QLineEdit* MedTrials = nullptr;
    QLineEdit* txtExtra1 = nullptr;
    FormattedLineEdit* meExtra1 = nullptr;
    QLineEdit* txtExtra2 = nullptr;
    FormattedLineEdit* meExtra2 = nullptr;
    QPushButton* cmdSaveExtras = nullptr;
    QPushButton* cmdReport = nullptr;
    QPushButton* cmdExit = nullptr;
};
