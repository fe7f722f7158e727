#include "records/frmEditTrainer.h"

#include "core/modDatabase.h"
#include "platform/Prompts.h"
#include "platform/VbError.h"
#include "records/RecordFormats.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <tuple>

namespace
{
QString textOf(const QVariant& v)
{
    return v.isValid() ? v.toString() : QString();
}

// An empty box leaves the column Null when a row is added.
QVariant textOrNull(const QString& s)
{
    return s.isEmpty() ? QVariant() : QVariant(s);
}

const QString kSelectTrainer = QStringLiteral("SELECT * FROM Trainer where TrainerName = ?");

/** False (after saying which box and its size) when a typed text is longer
 *  than its column: the database would keep only its start. */
bool textsFit(const QList<std::tuple<QLineEdit*, const char*, const char*>>& boxes)
{
    for (const auto& [box, column, caption] : boxes)
    {
        const QString problem = RecordFormats::ColumnTextProblem(QStringLiteral("Trainer"), QString::fromLatin1(column),
                                                                 QString::fromLatin1(caption), box->text());
        if (!problem.isEmpty())
        {
            Prompts::MsgBox(problem, Prompts::vbExclamation);
            box->setFocus();
            return false;
        }
    }
    return true;
}
} // namespace

frmEditTrainer::frmEditTrainer(const TrainerEditRequest& request, QWidget* parent)
    : QDialog(parent), m_request(request)
{
    setObjectName(QStringLiteral("frmEditTrainer"));
    setWindowTitle(QStringLiteral("Trainer"));

    auto field = [this](const char* name) {
        auto* e = new QLineEdit(this);
        e->setObjectName(QString::fromLatin1(name));
        return e;
    };
    txtTrainerName = field("txtFields_0");
    txtTrainerName->setReadOnly(true);
    txtTrainerLocation = field("txtFields_1");
    txtPhone = field("txtFields_2");
    mskTrainerMobile = field("mskTrainerMobile");
    txtTrainerComments = field("txtFields_4");
    chkIgnoreTrainer = new QCheckBox(this);
    chkIgnoreTrainer->setObjectName(QStringLiteral("chkFields_5"));

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Trainer Name:"), txtTrainerName);
    form->addRow(QStringLiteral("Trainer Location:"), txtTrainerLocation);
    form->addRow(QStringLiteral("Phone:"), txtPhone);
    form->addRow(QStringLiteral("Trainer Mobile:"), mskTrainerMobile);
    form->addRow(QStringLiteral("Trainer Comments:"), txtTrainerComments);
    form->addRow(QStringLiteral("IgnoreTrainer:"), chkIgnoreTrainer);

    cmdAdd = new QPushButton(QStringLiteral("&Add"), this);
    cmdAdd->setObjectName(QStringLiteral("cmdAdd"));
    cmdUpdate = new QPushButton(QStringLiteral("&Update"), this);
    cmdUpdate->setObjectName(QStringLiteral("cmdUpdate"));
    cmdClose = new QPushButton(QStringLiteral("&Cancel (No Update)"), this);
    cmdClose->setObjectName(QStringLiteral("cmdClose"));
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdAdd);
    buttons->addWidget(cmdUpdate);
    buttons->addWidget(cmdClose);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons);
    txtTrainerName->setMinimumWidth(280);

    connect(cmdAdd, &QPushButton::clicked, this, &frmEditTrainer::cmdAdd_Click);
    connect(cmdUpdate, &QPushButton::clicked, this, &frmEditTrainer::cmdUpdate_Click);
    connect(cmdClose, &QPushButton::clicked, this, &frmEditTrainer::cmdClose_Click);

    txtTrainerName->setText(m_request.trainerName);
    LoadTrainer();
}

TrainerEditResult frmEditTrainer::EditTrainer(const TrainerEditRequest& request, QWidget* parent)
{
    frmEditTrainer window(request, parent);
    Prompts::ShowModal(&window);
    return window.result();
}

void frmEditTrainer::LoadTrainer()
{
    cmdAdd->setEnabled(false);
    cmdUpdate->setEnabled(false);
    try
    {
        DaoRecordset rs = modDatabase::OpenLocalRecordset(kSelectTrainer, {m_request.trainerName});
        if (rs.Eof())
        {
            cmdAdd->setEnabled(true);
            txtTrainerLocation->setText(m_request.location);
            txtPhone->setText(m_request.phone);
            if (!m_request.mobile.isEmpty())
                mskTrainerMobile->setText(m_request.mobile);
            txtTrainerComments->clear();
            chkIgnoreTrainer->setChecked(false);
            return;
        }
        // A stored field that is Null or empty shows what the main window shows.
        auto pick = [&rs](const char* column, const QString& fallback) {
            const QString stored = textOf(rs.Fields(QString::fromLatin1(column)));
            return stored.isEmpty() ? fallback : stored;
        };
        txtTrainerLocation->setText(pick("TrainerLocation", m_request.location));
        txtPhone->setText(pick("Phone", m_request.phone));
        mskTrainerMobile->setText(pick("TrainerMobile", m_request.mobile));
        txtTrainerComments->setText(textOf(rs.Fields(QStringLiteral("TrainerComments"))));
        chkIgnoreTrainer->setChecked(rs.Fields(QStringLiteral("IgnoreTrainer")).toBool());
        cmdUpdate->setEnabled(true);
    }
    catch (const VbError& e)
    {
        // Neither button: nothing can be written over a row that could not be read.
        Prompts::MsgBox(QStringLiteral("Reading the trainer failed: ") + e.description(), Prompts::vbCritical);
    }
}

void frmEditTrainer::cmdAdd_Click()
{
    if (!textsFit({{txtTrainerLocation, "TrainerLocation", "Trainer Location"},
                   {txtPhone, "Phone", "Phone"},
                   {mskTrainerMobile, "TrainerMobile", "Trainer Mobile"}}))
        return;
    try
    {
        DaoRecordset rs = modDatabase::OpenLocalRecordset(kSelectTrainer, {m_request.trainerName});
        if (!rs.Eof())
            throw VbError(3022, QStringLiteral("frmEditTrainer"),
                          QStringLiteral("the trainer already has a record"));
        rs.AddNew();
        rs.SetField(QStringLiteral("TrainerName"), m_request.trainerName);
        rs.SetField(QStringLiteral("TrainerLocation"), textOrNull(txtTrainerLocation->text()));
        rs.SetField(QStringLiteral("Phone"), textOrNull(txtPhone->text()));
        rs.SetField(QStringLiteral("TrainerMobile"), textOrNull(mskTrainerMobile->text()));
        rs.SetField(QStringLiteral("TrainerComments"), textOrNull(txtTrainerComments->text()));
        rs.SetField(QStringLiteral("IgnoreTrainer"), chkIgnoreTrainer->isChecked());
        rs.Update();
    }
    catch (const VbError& e)
    {
        // The window stays open with everything typed.
        Prompts::MsgBox(QStringLiteral("Adding the trainer failed: ") + e.description(), Prompts::vbCritical);
        return;
    }
    keepResult(true);
    accept();
}

void frmEditTrainer::cmdUpdate_Click()
{
    if (!textsFit({{txtTrainerLocation, "TrainerLocation", "Trainer Location"},
                   {txtPhone, "Phone", "Phone"},
                   {mskTrainerMobile, "TrainerMobile", "Trainer Mobile"}}))
        return;
    try
    {
        DaoRecordset rs = modDatabase::OpenLocalRecordset(kSelectTrainer, {m_request.trainerName});
        if (rs.Eof())
            throw VbError(3021, QStringLiteral("frmEditTrainer"),
                          QStringLiteral("the trainer's record is no longer there"));
        rs.Edit();
        // An empty box stores the empty text here, not Null.
        rs.SetField(QStringLiteral("TrainerLocation"), txtTrainerLocation->text());
        rs.SetField(QStringLiteral("Phone"), txtPhone->text());
        rs.SetField(QStringLiteral("TrainerMobile"), mskTrainerMobile->text());
        rs.SetField(QStringLiteral("TrainerComments"), txtTrainerComments->text());
        rs.SetField(QStringLiteral("IgnoreTrainer"), chkIgnoreTrainer->isChecked());
        rs.Update();
    }
    catch (const VbError& e)
    {
        Prompts::MsgBox(QStringLiteral("Updating the trainer failed: ") + e.description(), Prompts::vbCritical);
        return;
    }
    keepResult(false);
    accept();
}

void frmEditTrainer::cmdClose_Click()
{
    reject();
}

void frmEditTrainer::keepResult(bool added)
{
    m_result.saved = true;
    m_result.added = added;
    m_result.hasComments = !txtTrainerComments->text().isEmpty();
    m_result.ignoreTrainer = chkIgnoreTrainer->isChecked();
    m_result.location = txtTrainerLocation->text();
    m_result.phone = txtPhone->text();
    m_result.mobile = mskTrainerMobile->text();
}
