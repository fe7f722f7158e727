#include "records/frmSelectDate.h"

#include "core/cAppSettings.h"
#include "platform/Clock.h"
#include "platform/Prompts.h"
#include "platform/VbError.h"
#include "records/InvoiceReport.h"
#include "records/RecordFormats.h"

#include <QDateEdit>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace
{
const QString kCaption = QStringLiteral("Jockey Invoice Settings");

frmSelectDate::Presenter& presenter()
{
    static frmSelectDate::Presenter p;
    return p;
}

QLabel* caption(const QString& text, QWidget* parent)
{
    auto* l = new QLabel(text, parent);
    return l;
}

template <typename W>
W* named(W* w, const char* name)
{
    w->setObjectName(QString::fromLatin1(name));
    return w;
}

// An amount field: money while not being edited, the typed text otherwise
// (a text that is not an amount is shown as typed).
FormattedLineEdit* amountField(QWidget* parent, const char* name)
{
    return named(new FormattedLineEdit(
                     [](const QString& raw) {
                         const auto amount = InvoiceCalc::ParseAmount(raw);
                         return amount ? InvoiceCalc::MoneyText(*amount) : raw;
                     },
                     parent),
                 name);
}

QDateEdit* datePicker(QWidget* parent, const char* name)
{
    auto* d = named(new QDateEdit(parent), name);
    d->setCalendarPopup(true);
    d->setDisplayFormat(QStringLiteral("d/MM/yyyy"));
    // The years every date of the records windows keeps to.
    d->setDateRange(QDate(RecordFormats::kFirstYear, 1, 1), QDate(RecordFormats::kLastYear, 12, 31));
    return d;
}
} // namespace

frmSelectDate::frmSelectDate(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frmSelectDate"));
    setWindowTitle(kCaption);

    dtpStart = datePicker(this, "dtpStart");
    dtpEnd = datePicker(this, "dtpEnd");
    medScratchings = named(new QLineEdit(this), "medScratchings");
    MedTrials = named(new QLineEdit(this), "MedTrials");
    txtExtra1 = named(new QLineEdit(this), "txtExtra1");
    meExtra1 = amountField(this, "meExtra1");
    txtExtra2 = named(new QLineEdit(this), "txtExtra2");
    meExtra2 = amountField(this, "meExtra2");
    for (QLineEdit* e : {static_cast<QLineEdit*>(meExtra1), static_cast<QLineEdit*>(meExtra2), medScratchings,
                         MedTrials})
        e->setAlignment(Qt::AlignRight);
    cmdSaveExtras = named(new QPushButton(QStringLiteral("&Save Extra Charges"), this), "cmdSaveExtras");
    cmdReport = named(new QPushButton(QStringLiteral("&Print Jockey Invoice"), this), "cmdReport");
    cmdExit = named(new QPushButton(QStringLiteral("E&xit"), this), "cmdExit");
    cmdReport->setDefault(true);

    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(10);
    grid->addWidget(caption(QStringLiteral("Start Date:"), this), 0, 0);
    grid->addWidget(dtpStart, 0, 1);
    grid->addWidget(caption(QStringLiteral("Number of Scratchings"), this), 0, 2);
    grid->addWidget(medScratchings, 0, 3);
    grid->addWidget(caption(QStringLiteral("End Date:"), this), 1, 0);
    grid->addWidget(dtpEnd, 1, 1);
    grid->addWidget(caption(QStringLiteral("Number of Trials"), this), 1, 2);
    grid->addWidget(MedTrials, 1, 3);
    grid->addWidget(caption(QStringLiteral("Extra Charge 1"), this), 2, 0);
    grid->addWidget(txtExtra1, 2, 1, 1, 2);
    grid->addWidget(meExtra1, 2, 3);
    grid->addWidget(caption(QStringLiteral("Extra Charge 2"), this), 3, 0);
    grid->addWidget(txtExtra2, 3, 1, 1, 2);
    grid->addWidget(meExtra2, 3, 3);
    grid->setColumnStretch(1, 2);
    grid->setColumnStretch(3, 1);

    auto* saveRow = new QHBoxLayout;
    saveRow->addStretch(1);
    saveRow->addWidget(cmdSaveExtras);
    saveRow->addStretch(1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdReport);
    buttons->addWidget(cmdExit);

    auto* box = new QVBoxLayout(this);
    box->addLayout(grid);
    box->addSpacing(6);
    box->addLayout(saveRow);
    box->addSpacing(6);
    box->addLayout(buttons);
    setMinimumWidth(560);

    connect(cmdReport, &QPushButton::clicked, this, &frmSelectDate::cmdReport_Click);
    connect(cmdSaveExtras, &QPushButton::clicked, this, &frmSelectDate::cmdSaveExtras_Click);
    connect(cmdExit, &QPushButton::clicked, this, &frmSelectDate::cmdExit_Click);
    connect(meExtra1, &QLineEdit::editingFinished, this, &frmSelectDate::meExtra1_CheckNumeric);
    connect(meExtra2, &QLineEdit::editingFinished, this, &frmSelectDate::meExtra2_CheckNumeric);
}

frmSelectDate::~frmSelectDate() = default;

void frmSelectDate::setPresenter(Presenter p)
{
    presenter() = std::move(p);
}

void frmSelectDate::OpenSelect(QString& Jockey, QWidget* parent)
{
    frmSelectDate form(parent);
    if (!form.Prepare(Jockey))
        return;
    Prompts::ShowModal(&form);
}

bool frmSelectDate::Prepare(const QString& jockey)
{
    m_jockey = jockey;
    if (jockey.trimmed().isEmpty()) { // nothing picked in the jockey list
        Prompts::MsgBox(QStringLiteral("Select a jockey from the jockey list first."), Prompts::vbExclamation,
                        QStringLiteral("Error"));
        return false;
    }
    InvoiceData::JockeyRow row;
    try {
        row = InvoiceData::LoadJockey(jockey);
    } catch (const VbError& e) {
        Prompts::MsgBox(QStringLiteral("The jockey's invoice terms could not be read: ") + e.description(),
                        Prompts::vbCritical, QStringLiteral("Error"));
        return false;
    }
    if (row.status == InvoiceData::JockeyRow::NoRow) {
        Prompts::MsgBox(QStringLiteral("Jockey \"") + jockey
                            + QStringLiteral("\" was not found. Select a jockey from the jockey list."),
                        Prompts::vbExclamation, QStringLiteral("Error"));
        return false;
    }
    if (row.status == InvoiceData::JockeyRow::NoRate) {
        Prompts::MsgBox(QStringLiteral("Jockey \"") + jockey
                            + QStringLiteral("\" has no Manager Rate. Enter it in the jockey's record first."),
                        Prompts::vbExclamation, QStringLiteral("Error"));
        return false;
    }
    m_terms = row.terms;

    // A jockey never invoiced has no last invoice date: propose today and let
    // the manager set the period.
    InvoiceCalc::Period period;
    if (row.lastInvoiceDate.isValid())
        period = InvoiceCalc::ProposePeriod(row.lastInvoiceDate, row.invoicePeriod);
    else
        period = {Clock::today(), Clock::today()};
    dtpStart->setDate(period.start);
    dtpEnd->setDate(period.end);

    txtExtra1->setText(gAppSettings.ExtChgText1);
    txtExtra2->setText(gAppSettings.ExtChgText2);
    meExtra1->setRawText(QString::number(gAppSettings.ExtChgVal1));
    meExtra2->setRawText(QString::number(gAppSettings.ExtChgVal2));
    medScratchings->clear();
    MedTrials->clear();
    setWindowTitle(kCaption + QStringLiteral(" - ") + jockey);
    return true;
}

namespace
{
void tellNotNumeric(int field)
{
    Prompts::MsgBox(QStringLiteral("Extra Charge %1 is not a valid numeric").arg(field), Prompts::vbOKOnly);
}

void tellRefused(const QString& why)
{
    Prompts::MsgBox(why, Prompts::vbExclamation, QStringLiteral("Error"));
}
} // namespace

void frmSelectDate::meExtra1_CheckNumeric()
{
    if (!InvoiceCalc::ParseAmount(meExtra1->rawText()))
        tellNotNumeric(1);
}

void frmSelectDate::meExtra2_CheckNumeric()
{
    if (!InvoiceCalc::ParseAmount(meExtra2->rawText()))
        tellNotNumeric(2);
}

bool frmSelectDate::checkAmounts()
{
    if (!InvoiceCalc::ParseAmount(meExtra1->rawText())) {
        tellNotNumeric(1);
        return false;
    }
    if (!InvoiceCalc::ParseAmount(meExtra2->rawText())) {
        tellNotNumeric(2);
        return false;
    }
    return true;
}

void frmSelectDate::cmdSaveExtras_Click()
{
    if (!checkAmounts())
        return;
    // The defaults are whole dollars in 32 bits: an amount beyond that is
    // refused like any other amount that cannot be stored.
    const auto v1 = InvoiceCalc::WholeDollars(*InvoiceCalc::ParseAmount(meExtra1->rawText()));
    if (!v1) {
        tellNotNumeric(1);
        return;
    }
    const auto v2 = InvoiceCalc::WholeDollars(*InvoiceCalc::ParseAmount(meExtra2->rawText()));
    if (!v2) {
        tellNotNumeric(2);
        return;
    }
    for (int field : {1, 2}) {
        const QString why = InvoiceCalc::ExtraProblem(
            field, *InvoiceCalc::ParseAmount((field == 1 ? meExtra1 : meExtra2)->rawText()));
        if (!why.isEmpty()) {
            tellRefused(why);
            return;
        }
    }
    gAppSettings.ExtChgText1 = txtExtra1->text();
    gAppSettings.ExtChgText2 = txtExtra2->text();
    gAppSettings.ExtChgVal1 = *v1;
    gAppSettings.ExtChgVal2 = *v2;
    // A failed save tells the user itself, with the reason.
    gAppSettings.SaveSettings();
}

void frmSelectDate::cmdExit_Click()
{
    reject();
}

void frmSelectDate::cmdReport_Click()
{
    const QDate start = dtpStart->date();
    const QDate end = dtpEnd->date();
    if (end < start) {
        Prompts::MsgBox(QStringLiteral("The End Date is before the Start Date."), Prompts::vbExclamation,
                        QStringLiteral("Error"));
        return;
    }
    if (!checkAmounts())
        return;

    InvoiceDocument doc;
    doc.jockey = m_jockey;
    InvoiceCalc::Input in;
    in.jockey = m_jockey;
    in.terms = m_terms;
    in.period = {start, end};
    in.scratchings = medScratchings->text();
    in.trials = MedTrials->text();
    in.extra1Text = txtExtra1->text();
    in.extra1 = *InvoiceCalc::ParseAmount(meExtra1->rawText());
    in.extra2Text = txtExtra2->text();
    in.extra2 = *InvoiceCalc::ParseAmount(meExtra2->rawText());
    in.companyName = gAppSettings.Companyname;
    in.invoiceNumber = gAppSettings.NextInvoiceNumber;
    in.applyGst = gAppSettings.ApplyGST;
    in.abn = gAppSettings.ABN;
    // Nonsense counts or charges are refused before anything is printed; the
    // typed entries stay for correcting.
    if (const QString why = InvoiceCalc::CheckInput(in); !why.isEmpty()) {
        tellRefused(why);
        return;
    }
    try {
        // The detail lines and the totals come from the same rows.
        doc.rides = InvoiceData::LoadRides(m_jockey, start, end);
        in.totals = InvoiceData::TotalsOf(doc.rides);
        doc.result = InvoiceCalc::Compute(in);
        if (const QString why = InvoiceCalc::CheckTotal(doc.result.amounts); !why.isEmpty()) {
            tellRefused(why);
            return;
        }
        m_managerFee = doc.result.amounts.managerFee;
        bool output = true;
        if (presenter())
            presenter()(doc);
        else
            output = InvoiceReport::Preview(doc, this);
        // A print or PDF that failed has been told; an invoice never written
        // is not recorded, and the window stays for another try.
        if (!output)
            return;
    } catch (const VbError& e) {
        Prompts::MsgBox(QStringLiteral("The invoice could not be printed: ") + e.description(), Prompts::vbCritical,
                        QStringLiteral("Error"));
        return;
    }

    const int answer =
        Prompts::MsgBox(QStringLiteral("Update Next Invoice number and Last Invoice Dates for Jockey ") + m_jockey,
                        Prompts::vbYesNo + Prompts::vbQuestion, QStringLiteral("Invoice update message"));
    if (answer == Prompts::vbYes) {
        try {
            InvoiceData::RecordInvoice(m_jockey, end);
        } catch (const VbError& e) {
            Prompts::MsgBox(QStringLiteral("The invoice number and last invoice date were not updated: ")
                                + e.description(),
                            Prompts::vbCritical, QStringLiteral("Error"));
        }
    }
    accept();
}
