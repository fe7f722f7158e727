#include "core/frmState.h"

#include "core/HttpRequest.h"
#include "core/cAppSettings.h"
#include "platform/AppPaths.h"
#include "platform/Prompts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QVBoxLayout>

#include <cmath>
#include <optional>

namespace
{
const QString kDatabaseFile = QStringLiteral("Tarrow.mdb");
// What the ABN box reads when nothing has been typed into it.
const QString kEmptyAbn = QStringLiteral("__-___-___-___");

QLineEdit* makeEdit(QWidget* parent, const QString& name)
{
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(name);
    return edit;
}

constexpr float kLargestInvoiceNumber = 16777216.0f;

// The invoice number as a number; none when the text is not a whole number
// the setting can hold exactly.
std::optional<float> invoiceNumber(const QString& text)
{
    const QString t = text.trimmed();
    bool ok = false;
    float value = QLocale::c().toFloat(t, &ok);
    if (!ok)
        value = QLocale().toFloat(t, &ok);
    if (!ok)
        return std::nullopt;
    // The number is kept as a single-precision value: past 2^24 whole numbers
    // no longer survive (99999999999 comes back as 99999997952), and a
    // fraction or a negative number is no invoice number at all.
    if (value < 0 || value > kLargestInvoiceNumber || value != std::floor(value))
        return std::nullopt;
    return value;
}
} // namespace

frmState::frmState(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frmState"));
    setWindowTitle(QStringLiteral("System Defaults"));

    m_cmbState = new QComboBox(this);
    m_cmbState->setObjectName(QStringLiteral("cmbState"));
    m_cmbState->setEditable(true);
    m_cmbState->addItems({QStringLiteral("VIC"), QStringLiteral("QLD"), QStringLiteral("NSW"), QStringLiteral("TAS"),
                          QStringLiteral("SA"), QStringLiteral("WA"), QStringLiteral("NT"), QStringLiteral("ACT")});

    m_txtDBPath = makeEdit(this, QStringLiteral("txtDBPath"));
    m_cmdBrowse = new QPushButton(QStringLiteral("..."), this);
    m_cmdBrowse->setObjectName(QStringLiteral("cmdBrowse"));
    auto* dbRow = new QHBoxLayout;
    dbRow->addWidget(m_txtDBPath, 1);
    dbRow->addWidget(m_cmdBrowse);

    m_txtDataServer = makeEdit(this, QStringLiteral("txtDataServer"));
    m_txtCompanyName = makeEdit(this, QStringLiteral("txtCompanyName"));
    m_meABN = makeEdit(this, QStringLiteral("meABN"));
    m_meABN->setInputMask(QStringLiteral("00-000-000-000;_"));
    m_chkGST = new QCheckBox(QStringLiteral("GST on Jockey Invoice"), this);
    m_chkGST->setObjectName(QStringLiteral("chkGST"));
    m_mebNextInvoiceNumber = makeEdit(this, QStringLiteral("mebNextInvoiceNumber"));
    m_txtUser = makeEdit(this, QStringLiteral("txtUser"));
    m_txtRegno = makeEdit(this, QStringLiteral("txtRegno"));
    m_cmdChange = new QPushButton(QStringLiteral("Change System Defaults"), this);
    m_cmdChange->setObjectName(QStringLiteral("cmdChange"));

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Default State"), m_cmbState);
    form->addRow(QStringLiteral("Database Path"), dbRow);
    form->addRow(QStringLiteral("Data Server"), m_txtDataServer);
    form->addRow(QStringLiteral("Company Name For Invoice"), m_txtCompanyName);
    form->addRow(QStringLiteral("A. B. N."), m_meABN);
    form->addRow(QString(), m_chkGST);
    form->addRow(QStringLiteral("Next Invoice Number"), m_mebNextInvoiceNumber);
    form->addRow(QStringLiteral("User Name"), m_txtUser);
    form->addRow(QStringLiteral("Registraion Number"), m_txtRegno);
    auto* all = new QVBoxLayout(this);
    all->addLayout(form);
    all->addWidget(m_cmdChange);

    connect(m_cmdBrowse, &QPushButton::clicked, this, &frmState::cmdBrowse_Click);
    connect(m_cmdChange, &QPushButton::clicked, this, &frmState::cmdChange_Click);
}

frmState::~frmState() = default;

void frmState::OpenSetting(QWidget* parent)
{
    frmState window(parent);
    window.LoadFields();
    Prompts::ShowModal(&window);
}

void frmState::LoadFields()
{
    const cAppSettings& s = gAppSettings;
    m_cmbState->setCurrentText(s.DefaultState.trimmed().isEmpty() ? QStringLiteral("VIC") : s.DefaultState);
    if (!s.ABN.isEmpty())
        m_meABN->setText(s.ABN);
    m_chkGST->setChecked(s.ApplyGST);
    m_txtDBPath->setText(s.DBPath);
    // With no server configured the field offers the data service's own host.
    m_txtDataServer->setText(s.DataServer.trimmed().isEmpty() ? cAppSettings::kDefaultDataServer : s.DataServer);
    m_txtCompanyName->setText(s.Companyname);
    // Whole numbers in full: 'g' turned 12345678 into "1.234568e+07".
    const double next = s.NextInvoiceNumber;
    m_mebNextInvoiceNumber->setText(next == std::floor(next) ? QString::number(next, 'f', 0)
                                                             : QString::number(next, 'g', 7));
    m_txtUser->setText(modDatabase::gRemoteUser);
    m_txtRegno->setText(modDatabase::gRemotePass);
}

void frmState::cmdBrowse_Click()
{
    const QString typed = AppPaths::join(m_txtDBPath->text(), kDatabaseFile);
    const QString start =
        QFileInfo::exists(typed) ? typed : AppPaths::join(AppPaths::appDir(), kDatabaseFile);
    const QStringList chosen = Prompts::GetOpenFileNames(
        QStringLiteral("Open"), QStringLiteral("Velmora Database (%1)").arg(kDatabaseFile), start);
    if (chosen.isEmpty())
        return;
    const QString path = chosen.first();
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    if (slash < 0)
        return;
    m_txtDBPath->setText(slash == 0 ? QStringLiteral("/") : path.left(slash));
}

void frmState::cmdChange_Click()
{
    const QString abn = m_meABN->displayText();
    if (m_chkGST->isChecked() && abn == kEmptyAbn) {
        Prompts::MsgBox(QStringLiteral("If GST then ABN must be entered"), Prompts::vbCritical,
                        QStringLiteral("Settings Error"));
        return;
    }
    // Checked before anything is stored, so a refused save leaves every
    // setting as it was.
    const auto invoice = invoiceNumber(m_mebNextInvoiceNumber->text());
    if (!invoice) {
        Prompts::MsgBox(QStringLiteral("Next Invoice Number must be a whole number from 0 to 16777216"), Prompts::vbCritical,
                        QStringLiteral("Settings Error"));
        m_mebNextInvoiceNumber->setFocus();
        return;
    }

    cAppSettings& s = gAppSettings;
    s.DefaultState = m_cmbState->currentText();
    s.ABN = abn;
    s.ApplyGST = m_chkGST->isChecked();
    s.Companyname = m_txtCompanyName->text();
    s.NextInvoiceNumber = *invoice;
    s.DBPath = m_txtDBPath->text();
    s.DataServer = m_txtDataServer->text();
    s.UserName = m_txtUser->text();
    s.RegNo = m_txtRegno->text();
    modDatabase::gRemoteUser = m_txtUser->text();
    modDatabase::gRemotePass = m_txtRegno->text();

    if (!s.SaveSettings()) {
        Prompts::MsgBox(QStringLiteral("The settings could not be saved."), Prompts::vbCritical,
                        QStringLiteral("Settings Error"));
        return;
    }
    accept();
}
