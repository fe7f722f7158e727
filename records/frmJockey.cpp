#include "records/frmJockey.h"

#include "core/modDatabase.h"
#include "core/modJockeyStats.h"
#include "core/modUtils.h"
#include "platform/Clock.h"
#include "platform/Prompts.h"
#include "platform/VbError.h"
#include "platform/WaitCursor.h"
#include "platform/WinColor.h"
#include "records/RecordFormats.h"
#include "records/frmSelJockey.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace
{
// The colour text of a jockey whose colour was never picked: the system
// colour of a window's background.
const QString kNoColourText = QStringLiteral("&H80000005");
// Asked before typed changes would be lost.
const QString kSaveQuestion = QStringLiteral("Save the changes to this jockey?");
constexpr qint64 kWindowBackground = 0x80000005;

QString textOf(const QVariant& v)
{
    return v.isValid() ? v.toString() : QString();
}

// A stored rate or fee as typed: plain decimals, never an exponent the
// number check would refuse when the record is saved again.
QString numberText(const QVariant& v)
{
    bool ok = false;
    const double d = v.toDouble(&ok);
    if (!v.isValid() || v.typeId() == QMetaType::QString || !ok)
        return textOf(v);
    return RecordFormats::PlainNumberText(d);
}

QColor windowBackground()
{
    return WinColor::toQColor(kWindowBackground);
}

// Racing silks (cap and jacket) in `fill`, for the window's picture.
QPixmap silks(const QColor& fill)
{
    QPixmap pm(72, 72);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(60, 60, 60), 2));
    p.setBrush(fill);
    const QPointF jacket[] = {{22, 30}, {8, 40}, {14, 52}, {22, 46}, {22, 68}, {50, 68},
                              {50, 46}, {58, 52}, {64, 40}, {50, 30}, {42, 28}, {36, 34}, {30, 28}};
    p.drawPolygon(jacket, static_cast<int>(std::size(jacket)));
    p.drawChord(QRectF(22, 6, 28, 28), 0, 180 * 16);
    p.drawLine(QPointF(22, 20), QPointF(56, 20));
    return pm;
}

} // namespace

frmJockey::frmJockey(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmJockey"));
    setWindowTitle(QStringLiteral("Jockey"));
    setFont(QFont(QStringLiteral("Verdana"), 9));
    buildControls();
    SetEditMode(QString()); // the design captions until the first switch
    markShown();
}

void frmJockey::buildControls()
{
    auto line = [this](const char* name) {
        auto* e = new QLineEdit(this);
        e->setObjectName(QString::fromLatin1(name));
        return e;
    };
    txtJockey = line("txtFields_0");
    txtJockeyEmail = new QPlainTextEdit(this);
    txtJockeyEmail->setObjectName(QStringLiteral("txtFields_1"));
    txtJockeyEmail->setFixedHeight(48);
    txtJockeyEmail->setTabChangesFocus(true);
    txtJockeyMobile = line("txtFields_2");
    txtJockeyColor = line("txtFields_3");
    txtFullName = line("txtFields_4");
    txtFullName->setToolTip(QStringLiteral("Full name as displayed by RISA at Acceptance time."));

    // A text that is no number shows as typed, never as a 0 it will not be saved as.
    auto rateText = [](const QString& raw) {
        const std::optional<double> n = RecordFormats::ReadTypedNumber(raw);
        return n ? RecordFormats::RateText(*n) : raw;
    };
    auto feeText = [](const QString& raw) {
        const std::optional<double> n = RecordFormats::ReadTypedNumber(raw);
        return n ? RecordFormats::FeeText(*n) : raw;
    };
    auto masked = [this](const char* name, FormattedLineEdit::Formatter f, int maxLength, const char* tip) {
        auto* e = new FormattedLineEdit(std::move(f), this);
        e->setObjectName(QString::fromLatin1(name));
        e->setRawMaxLength(maxLength);
        e->setPlaceholderText(QStringLiteral("_"));
        e->setToolTip(QString::fromLatin1(tip));
        e->setAlignment(Qt::AlignRight);
        return e;
    };
    static const char* const kRateTip =
        "This is the percentage of the Jockeys winnings that the Jockeys Manager is Paid";
    static const char* const kFeeTip = "This is the amount the Velmora charges The Jockey for booking each ride.";
    mebManagerRate = masked("mebFields_0", rateText, 5, kRateTip);
    mebManBookFee = masked("mebFields_1", feeText, 12, kFeeTip);
    mebScratchFee = masked("mebFields_2", feeText, 7, kRateTip);
    mebTrialFee = masked("mebFields_3", feeText, 7, kFeeTip);

    vblcInvPer = new QComboBox(this);
    vblcInvPer->setObjectName(QStringLiteral("vblcInvPer"));
    vblcInvPer->addItems(RecordFormats::PeriodTexts());
    vblcInvPer->setCurrentIndex(-1);
    dtpLast = new QDateEdit(this);
    dtpLast->setObjectName(QStringLiteral("dtpLast"));
    dtpLast->setCalendarPopup(true);
    dtpLast->setDisplayFormat(QStringLiteral("d/MM/yyyy"));
    dtpLast->setDateRange(QDate(RecordFormats::kFirstYear, 1, 1), QDate(RecordFormats::kLastYear, 12, 31));

    cmdSeachJockey = new QPushButton(QStringLiteral("?"), this);
    cmdSeachJockey->setObjectName(QStringLiteral("cmdSeachJockey"));
    cmdSeachJockey->setToolTip(QStringLiteral("Enter Jockey Surname Then Press this to Find Jockey"));
    cmdSeachJockey->setFixedWidth(32);
    cmdSelColor = new QPushButton(QStringLiteral("Select Color"), this);
    cmdSelColor->setObjectName(QStringLiteral("cmdSelColor"));
    txtJockeyColor->setMaximumWidth(120);

    auto* grid = new QGridLayout;
    int row = 0;
    auto label = [this, grid, &row](const QString& caption) {
        auto* l = new QLabel(caption, this);
        l->setObjectName(QStringLiteral("lblLabels_%1").arg(row));
        grid->addWidget(l, row, 0);
        return l;
    };
    label(QStringLiteral("Jockey:"));
    {
        auto* h = new QHBoxLayout;
        h->addWidget(txtJockey);
        h->addWidget(cmdSeachJockey);
        grid->addLayout(h, row++, 1);
    }
    label(QStringLiteral("JockeyEmail:"));
    grid->addWidget(txtJockeyEmail, row++, 1);
    label(QStringLiteral("JockeyMobile:"));
    grid->addWidget(txtJockeyMobile, row++, 1);
    label(QStringLiteral("Full Name:"));
    grid->addWidget(txtFullName, row++, 1);
    {
        auto* l = new QLabel(QStringLiteral("Select Jockey Highlight Colour"), this);
        l->setObjectName(QStringLiteral("Label1"));
        grid->addWidget(l, row, 0);
        auto* h = new QHBoxLayout;
        h->addWidget(cmdSelColor);
        h->addWidget(txtJockeyColor);
        h->addStretch();
        grid->addLayout(h, row++, 1);
    }
    auto addRow = [&](const QString& caption, QWidget* w) {
        label(caption);
        auto* h = new QHBoxLayout;
        h->addWidget(w);
        h->addStretch();
        grid->addLayout(h, row++, 1);
    };
    for (QWidget* w : {static_cast<QWidget*>(mebManagerRate), static_cast<QWidget*>(mebManBookFee),
                       static_cast<QWidget*>(mebScratchFee), static_cast<QWidget*>(mebTrialFee)})
        w->setFixedWidth(120);
    vblcInvPer->setMinimumWidth(160);
    addRow(QStringLiteral("Manager Rate (%):"), mebManagerRate);
    addRow(QStringLiteral("Booking Fee Per Ride:"), mebManBookFee);
    addRow(QStringLiteral("Scratchings Rate:"), mebScratchFee);
    addRow(QStringLiteral("Trials Rate:"), mebTrialFee);
    addRow(QStringLiteral("Invoce Period:"), vblcInvPer);
    addRow(QStringLiteral("Invoice to Last Date :"), dtpLast);
    grid->setColumnStretch(1, 1);
    grid->setColumnMinimumWidth(1, 300);

    auto button = [this](const QString& caption, const char* name) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(QString::fromLatin1(name));
        b->setAutoDefault(false);
        return b;
    };
    cmdPrevious = button(QStringLiteral("< &Previous"), "cmdPrevious");
    cmdNext = button(QStringLiteral("&Next >"), "cmdNext");
    cmdClose = button(QStringLiteral("&Close"), "cmdClose");
    cmdAdd = button(QStringLiteral("&Add New"), "cmdAdd");
    cmdUpdate = button(QStringLiteral("&Update"), "cmdUpdate");
    cmdDelete = button(QStringLiteral("&Delete"), "cmdDelete");
    auto* picButtons = new QGridLayout;
    picButtons->addWidget(cmdPrevious, 0, 0);
    picButtons->addWidget(cmdNext, 0, 1);
    picButtons->addWidget(cmdClose, 0, 2);
    picButtons->addWidget(cmdAdd, 1, 0);
    picButtons->addWidget(cmdUpdate, 1, 1);
    picButtons->addWidget(cmdDelete, 1, 2);

    imgJockey = new QLabel(this);
    imgJockey->setObjectName(QStringLiteral("imgJockey"));
    imgJockey->setFixedSize(72, 72);
    auto* top = new QHBoxLayout;
    top->addLayout(grid, 1);
    top->addWidget(imgJockey, 0, Qt::AlignTop);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addSpacing(8);
    layout->addLayout(picButtons);

    // Tab follows the layout: down the boxes, left to right within a row, then the buttons.
    const QList<QWidget*> tabOrder = {txtJockey,     cmdSeachJockey, txtJockeyEmail, txtJockeyMobile, txtFullName,
                                      cmdSelColor,   txtJockeyColor, mebManagerRate, mebManBookFee,   mebScratchFee,
                                      mebTrialFee,   vblcInvPer,     dtpLast,        cmdPrevious,     cmdNext,
                                      cmdClose,      cmdAdd,         cmdUpdate,      cmdDelete};
    for (int i = 1; i < tabOrder.size(); ++i)
        setTabOrder(tabOrder.at(i - 1), tabOrder.at(i));

    connect(cmdAdd, &QPushButton::clicked, this, &frmJockey::cmdAdd_Click);
    connect(cmdUpdate, &QPushButton::clicked, this, &frmJockey::cmdUpdate_Click);
    connect(cmdDelete, &QPushButton::clicked, this, &frmJockey::cmdDelete_Click);
    connect(cmdClose, &QPushButton::clicked, this, &frmJockey::cmdClose_Click);
    connect(cmdNext, &QPushButton::clicked, this, &frmJockey::cmdNext_Click);
    connect(cmdPrevious, &QPushButton::clicked, this, &frmJockey::cmdPrevious_Click);
    connect(cmdSeachJockey, &QPushButton::clicked, this, &frmJockey::cmdSeachJockey_Click);
    connect(cmdSelColor, &QPushButton::clicked, this, &frmJockey::cmdSelColor_Click);
    for (QLineEdit* e : {txtJockey, txtJockeyMobile, txtJockeyColor, txtFullName})
        connect(e, &QLineEdit::textChanged, this, &frmJockey::txtFields_Change);
    connect(txtJockeyEmail, &QPlainTextEdit::textChanged, this, &frmJockey::txtFields_Change);
    setColorBox(windowBackground());
}

void frmJockey::OpenJockey(QString& jockeyName, QWidget* parent)
{
    frmJockey window(parent);
    if (!window.OpenRecords(jockeyName))
        return;
    Prompts::ShowModal(&window);
}

bool frmJockey::OpenRecords(const QString& jockeyName)
{
    QString sql = QStringLiteral("SELECT * FROM Jockey ");
    QVariantList params;
    if (!jockeyName.trimmed().isEmpty())
    {
        sql += QStringLiteral("WHERE Jockey = ? ");
        params << jockeyName;
    }
    sql += QStringLiteral("ORDER BY Jockey");
    try
    {
        m_rs = modDatabase::OpenLocalRecordset(sql, params);
    }
    catch (const VbError& e)
    {
        Prompts::MsgBox(QStringLiteral("Reading the jockeys failed: ") + e.description(), Prompts::vbCritical);
        return false;
    }
    ShowJockeyRecord();
    return true;
}

bool frmJockey::inAddMode() const
{
    return !cmdAdd->isEnabled();
}

void frmJockey::SetEditMode(const QString& mode)
{
    if (mode == QLatin1String("Edit"))
    {
        cmdClose->setText(QStringLiteral("Close"));
        for (QPushButton* b : {cmdPrevious, cmdNext, cmdDelete, cmdAdd})
            b->setEnabled(true);
    }
    else if (mode == QLatin1String("Add"))
    {
        cmdClose->setText(QStringLiteral("Cancel Update"));
        for (QPushButton* b : {cmdPrevious, cmdNext, cmdDelete, cmdAdd})
            b->setEnabled(false);
    }
    cmdUpdate->setEnabled(true);
    updateNameBox();
}

void frmJockey::updateNameBox()
{
    const bool storedShown = !inAddMode() && m_rs.IsOpen() && !m_rs.Eof() && !m_rs.Bof();
    txtJockey->setReadOnly(storedShown);
    // A locked box looks it: the window's colour instead of a box's.
    QPalette p = txtJockey->palette();
    p.setColor(QPalette::Base, palette().color(storedShown ? QPalette::Window : QPalette::Base));
    txtJockey->setPalette(p);
    cmdSeachJockey->setEnabled(!storedShown);
}

QStringList frmJockey::entries() const
{
    return {txtJockey->text(),
            txtJockeyEmail->toPlainText(),
            txtJockeyMobile->text(),
            txtJockeyColor->text(),
            txtFullName->text(),
            mebManagerRate->rawText(),
            mebManBookFee->rawText(),
            mebScratchFee->rawText(),
            mebTrialFee->rawText(),
            vblcInvPer->currentText(),
            dtpLast->date().toString(Qt::ISODate)};
}

void frmJockey::markShown()
{
    m_shown = entries();
}

bool frmJockey::hasTypedChanges() const
{
    // With no jockey shown outside Add there is nothing the entries could be saved to.
    if (!inAddMode() && (!m_rs.IsOpen() || m_rs.Eof() || m_rs.Bof()))
        return false;
    return entries() != m_shown;
}

bool frmJockey::mayLeaveRecord()
{
    if (!hasTypedChanges())
        return true;
    const int answer = Prompts::MsgBox(kSaveQuestion, Prompts::vbYesNoCancel + Prompts::vbQuestion);
    if (answer == Prompts::vbYes)
        return saveRecord(); // a refused check keeps the window as it is
    return answer == Prompts::vbNo;
}

void frmJockey::setColorBox(const QColor& color)
{
    QPalette p = txtJockeyColor->palette();
    p.setColor(QPalette::Base, color);
    txtJockeyColor->setPalette(p);
    if (imgJockey)
        imgJockey->setPixmap(silks(color));
}

void frmJockey::ShowJockeyRecord()
{
    if (!m_rs.IsOpen() || m_rs.Eof() || m_rs.Bof())
        return;
    txtJockey->setText(textOf(m_rs.Fields(QStringLiteral("Jockey"))));
    txtJockeyEmail->setPlainText(textOf(m_rs.Fields(QStringLiteral("JockeyEmail"))));
    txtJockeyMobile->setText(textOf(m_rs.Fields(QStringLiteral("JockeyMobile"))));
    txtJockeyColor->setText(textOf(m_rs.Fields(QStringLiteral("JockeyColor"))));
    txtFullName->setText(textOf(m_rs.Fields(QStringLiteral("FullName"))));
    mebManagerRate->setRawText(numberText(m_rs.Fields(QStringLiteral("ManagerRate"))));
    mebManBookFee->setRawText(numberText(m_rs.Fields(QStringLiteral("ManBookFee"))));
    mebScratchFee->setRawText(numberText(m_rs.Fields(QStringLiteral("ScratchFee"))));
    mebTrialFee->setRawText(numberText(m_rs.Fields(QStringLiteral("TrialFee"))));
    const QString period = textOf(m_rs.Fields(QStringLiteral("InvoicePeriod")));
    vblcInvPer->setCurrentIndex(vblcInvPer->findText(RecordFormats::PeriodTextOfCode(period)));
    const QVariant last = m_rs.Fields(QStringLiteral("LastInvoiceDate"));
    dtpLast->setDate(last.isValid() ? last.toDateTime().date() : Clock::today());
    txtFields_Change();
    updateNameBox();
    markShown();
}

void frmJockey::clearControls()
{
    for (QLineEdit* e : {txtJockey, txtJockeyMobile, txtFullName})
        e->clear();
    txtJockeyEmail->clear();
    txtJockeyColor->setText(kNoColourText);
    setColorBox(windowBackground());
    for (FormattedLineEdit* e : {mebManagerRate, mebManBookFee, mebScratchFee, mebTrialFee})
        e->setRawText(QString());
    vblcInvPer->setCurrentIndex(-1);
    dtpLast->setDate(Clock::today());
    markShown();
}

void frmJockey::cmdAdd_Click()
{
    if (!mayLeaveRecord())
        return;
    SetEditMode(QStringLiteral("Add"));
    clearControls();
    txtJockey->setFocus();
}

bool frmJockey::checkNewName(const QString& name)
{
    if (name.trimmed().isEmpty())
    {
        Prompts::MsgBox(QStringLiteral("Enter the jockey's name before saving."), Prompts::vbExclamation);
        return false;
    }
    // The name column compares without regard to letter case.
    const QVariant found = modDatabase::OpenLocalDatabase().Scalar(
        QStringLiteral("SELECT Jockey FROM Jockey WHERE Jockey = ?"), {name});
    if (found.isValid())
    {
        Prompts::MsgBox(QStringLiteral("There is already a jockey named ") + found.toString() +
                            QStringLiteral("."),
                        Prompts::vbExclamation);
        return false;
    }
    return true;
}

bool frmJockey::checkTexts()
{
    // The database would keep only the start of a longer text: a cut e-mail
    // address or colour is worse than a refusal the manager can correct.
    struct Box
    {
        QWidget* box;
        const char* column;
        const char* caption;
        QString text;
    };
    QList<Box> boxes;
    if (inAddMode())
        boxes.append({txtJockey, "Jockey", "Jockey", txtJockey->text()});
    boxes.append({txtJockeyEmail, "JockeyEmail", "JockeyEmail", txtJockeyEmail->toPlainText()});
    boxes.append({txtJockeyMobile, "JockeyMobile", "JockeyMobile", txtJockeyMobile->text()});
    boxes.append({txtJockeyColor, "JockeyColor", "Jockey Colour", txtJockeyColor->text()});
    boxes.append({txtFullName, "FullName", "Full Name", txtFullName->text()});
    for (const Box& b : boxes)
    {
        const QString problem = RecordFormats::ColumnTextProblem(
            QStringLiteral("Jockey"), QString::fromLatin1(b.column), QString::fromLatin1(b.caption), b.text);
        if (!problem.isEmpty())
        {
            Prompts::MsgBox(problem, Prompts::vbExclamation);
            b.box->setFocus();
            return false;
        }
    }
    return true;
}

bool frmJockey::checkAmounts()
{
    // A negative fee, a share beyond the whole or an amount money cannot hold
    // would turn up on the jockey's invoices; letters must not pass for 0.
    auto refuse = [](FormattedLineEdit* box, const QString& text) {
        Prompts::MsgBox(text, Prompts::vbExclamation);
        box->setFocus();
        return false;
    };
    const QString rateText = mebManagerRate->rawText();
    if (!rateText.trimmed().isEmpty())
    {
        const std::optional<double> rate = RecordFormats::ReadTypedNumber(rateText);
        if (!rate || *rate < 0 || *rate > 100)
            return refuse(mebManagerRate, QStringLiteral("Manager Rate (%) must be from 0 to 100."));
    }
    const std::pair<FormattedLineEdit*, const char*> fees[] = {
        {mebManBookFee, "Booking Fee Per Ride"}, {mebScratchFee, "Scratchings Rate"}, {mebTrialFee, "Trials Rate"}};
    for (const auto& [box, caption] : fees)
    {
        const QString problem = RecordFormats::MoneyProblem(QString::fromLatin1(caption), box->rawText());
        if (!problem.isEmpty())
            return refuse(box, problem);
    }
    return true;
}

void frmJockey::writeControls()
{
    // The name is the key results and bookings are stored under: a stored
    // jockey keeps his.
    if (inAddMode())
        m_rs.SetField(QStringLiteral("Jockey"), txtJockey->text());
    m_rs.SetField(QStringLiteral("JockeyEmail"), txtJockeyEmail->toPlainText());
    m_rs.SetField(QStringLiteral("JockeyMobile"), txtJockeyMobile->text());
    m_rs.SetField(QStringLiteral("JockeyColor"), txtJockeyColor->text());
    m_rs.SetField(QStringLiteral("FullName"), txtFullName->text());
    // The boxes passed checkAmounts; an empty box stores 0.
    m_rs.SetField(QStringLiteral("ManagerRate"),
                  RecordFormats::ReadTypedNumber(mebManagerRate->rawText()).value_or(0.0));
    m_rs.SetField(QStringLiteral("ManBookFee"), RecordFormats::MoneyValue(mebManBookFee->rawText()).toDouble());
    m_rs.SetField(QStringLiteral("ScratchFee"), RecordFormats::MoneyValue(mebScratchFee->rawText()).toDouble());
    m_rs.SetField(QStringLiteral("TrialFee"), RecordFormats::MoneyValue(mebTrialFee->rawText()).toDouble());
    m_rs.SetField(QStringLiteral("InvoicePeriod"), RecordFormats::PeriodCodeOfText(vblcInvPer->currentText()));
    m_rs.SetField(QStringLiteral("LastInvoiceDate"), dtpLast->date());
}

void frmJockey::cmdUpdate_Click()
{
    saveRecord();
}

bool frmJockey::saveRecord()
{
    if (!m_rs.IsOpen())
        return false;
    const bool adding = inAddMode();
    const QString name = txtJockey->text();
    try
    {
        if (adding)
        {
            // Checked before anything is written or downloaded, so a bad name
            // never costs another jockey its results.
            if (!checkNewName(name) || !checkTexts() || !checkAmounts())
                return false;
            m_rs.AddNew();
        }
        else
        {
            if (m_rs.Eof() || m_rs.Bof())
            {
                Prompts::MsgBox(QStringLiteral("There is no jockey to update. Use Add New first."),
                                Prompts::vbExclamation);
                return false;
            }
            if (name.trimmed().isEmpty())
            {
                Prompts::MsgBox(QStringLiteral("Enter the jockey's name before saving."), Prompts::vbExclamation);
                return false;
            }
            if (!checkTexts() || !checkAmounts())
                return false;
            m_rs.Edit();
        }
        writeControls();
        m_rs.Update();
    }
    catch (const VbError& e)
    {
        if (m_rs.IsOpen() && m_rs.EditMode() != 0)
            m_rs.CancelUpdate();
        // What was typed stays in the boxes, so it can be corrected and saved.
        Prompts::MsgBox(QStringLiteral("Saving the jockey failed: ") + e.description(), Prompts::vbCritical);
        return false;
    }
    markShown();
    if (adding)
    {
        m_rs.MoveLast();
        SetEditMode(QStringLiteral("Edit"));
        // The row exists now, so the download's time stamp lands on it. A
        // failed download keeps the jockey and deletes no results; one that
        // cannot store its rides (a full disk) is told, and the jockey, left
        // unstamped, gets them at the next refresh.
        setBusy(true);
        bool stored = true;
        QString failure;
        try
        {
            WaitCursor wait;
            modJockey::DownloadJockeyStats(name, true);
        }
        catch (const std::exception& e)
        {
            stored = false;
            failure = DescribeError(e);
        }
        setBusy(false);
        if (!stored)
            Prompts::MsgBox(name + QStringLiteral(": the jockey was saved; his rides could not be stored: ") + failure
                                + QStringLiteral(" \r\rHis rides will be loaded at the next refresh."),
                            Prompts::vbExclamation);
    }
    return true;
}

void frmJockey::setBusy(bool busy)
{
    m_busy = busy;
    setEnabled(!busy);
}

void frmJockey::closeEvent(QCloseEvent* event)
{
    if (m_busy || !mayLeaveRecord())
    {
        event->ignore();
        return;
    }
    // Settled: the dialog's own closing (which rejects) must not ask again.
    m_leaving = true;
    QDialog::closeEvent(event);
    m_leaving = false;
}

void frmJockey::reject()
{
    if (m_busy || (!m_leaving && !mayLeaveRecord()))
        return;
    QDialog::reject();
}

void frmJockey::cmdDelete_Click()
{
    if (!m_rs.IsOpen() || m_rs.Eof() || m_rs.Bof())
        return;
    try
    {
        // The results go with the record deleted, whatever the name box says now.
        const QString stored = textOf(m_rs.Fields(QStringLiteral("Jockey")));
        m_rs.Delete();
        modDatabase::OpenLocalDatabase().Execute(QStringLiteral("Delete from RaceStats where Jockey = ?"), {stored});
        if (m_rs.RecordCount() == 0)
        {
            Prompts::MsgBox(QStringLiteral("No more data left"));
            markShown(); // what the boxes still show is gone with the record
            close();
            return;
        }
        m_rs.MoveNext();
        if (m_rs.Eof())
            m_rs.MoveLast();
        ShowJockeyRecord();
    }
    catch (const VbError& e)
    {
        Prompts::MsgBox(e.description());
    }
}

void frmJockey::cmdClose_Click()
{
    if (inAddMode())
    {
        // Yes saves the new jockey (and stays on it), No abandons it.
        if (!mayLeaveRecord() || !inAddMode())
            return;
        SetEditMode(QStringLiteral("Edit"));
        // Show the record again: the abandoned entries must not be saved over it.
        if (m_rs.IsOpen() && !m_rs.Eof() && !m_rs.Bof())
            ShowJockeyRecord();
        else
            clearControls();
        return;
    }
    close();
}

void frmJockey::cmdNext_Click()
{
    if (!m_rs.IsOpen() || m_rs.RecordCount() == 0 || !mayLeaveRecord())
        return;
    if (m_rs.AbsolutePosition() < m_rs.RecordCount() - 1)
        m_rs.MoveNext();
    ShowJockeyRecord();
}

void frmJockey::cmdPrevious_Click()
{
    if (!m_rs.IsOpen() || m_rs.RecordCount() == 0 || !mayLeaveRecord())
        return;
    if (m_rs.AbsolutePosition() > 0)
        m_rs.MovePrevious();
    ShowJockeyRecord();
}

void frmJockey::cmdSeachJockey_Click()
{
    if (txtJockey->text().trimmed().isEmpty())
    {
        Prompts::MsgBox(QStringLiteral("Enter Jockeys Surname then Press Seach Button"), Prompts::vbCritical);
        return;
    }
    frmSelJockey search(txtJockey, this);
    setBusy(true);
    const bool found = search.Search();
    setBusy(false);
    if (found)
        Prompts::ShowModal(&search);
}

void frmJockey::cmdSelColor_Click()
{
    int color = 0;
    // Cancel leaves the colour as it is.
    if (!Prompts::ChooseColor(color, QStringLiteral("Select Jockey Highlight Colour")))
        return;
    if (color != 0)
    {
        txtJockeyColor->setText(QStringLiteral(" ") + QString::number(color));
        setColorBox(WinColor::toQColor(color));
    }
    else
    {
        // Black reads as "no colour" everywhere, so it is not taken.
        setColorBox(windowBackground());
    }
}

void frmJockey::txtFields_Change()
{
    const double value = modUtils::Val(txtJockeyColor->text());
    const qint64 number = static_cast<qint64>(value);
    if (value > 0 && !WinColor::isSystemColor(number) && WinColor::toQColor(number).isValid())
        setColorBox(WinColor::toQColor(number));
    else
        setColorBox(windowBackground());
}
