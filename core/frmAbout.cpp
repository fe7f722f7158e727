#include "core/frmAbout.h"

#include "core/HttpRequest.h"
#include "core/frmSplash.h"
#include "platform/Prompts.h"
#include "platform/RegistryStore.h"

#include <QApplication>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace
{
const QString kSysInfoKey = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO");
const QString kSysInfoLocationKey = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools Location");

QLabel* makeLabel(QWidget* parent, const QString& name, const QString& text)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    return label;
}
} // namespace

frmAbout::frmAbout(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frmAbout"));

    auto* picIcon = makeLabel(this, QStringLiteral("picIcon"), QString());
    picIcon->setPixmap(style()->standardIcon(QStyle::SP_ComputerIcon).pixmap(32, 32));
    auto* image1 = makeLabel(this, QStringLiteral("Image1"), QString());
    image1->setFrameShape(QFrame::HLine);

    m_lblTitle = makeLabel(this, QStringLiteral("lblTitle"), QString());
    QFont titleFont = m_lblTitle->font();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.5);
    titleFont.setBold(true);
    m_lblTitle->setFont(titleFont);
    m_lblVersion = makeLabel(this, QStringLiteral("lblVersion"), QString());
    m_lblDescription = makeLabel(this, QStringLiteral("lblDescription"),
                                 QStringLiteral("Bookings, form and invoicing for a jockeys' booking manager."));
    m_lblDescription->setWordWrap(true);
    m_lblReg = makeLabel(this, QStringLiteral("lblReg"), QStringLiteral("Registration Details:"));

    m_cmdOK = new QPushButton(QStringLiteral("OK"), this);
    m_cmdOK->setObjectName(QStringLiteral("cmdOK"));
    m_cmdOK->setDefault(true);
    m_cmdSysInfo = new QPushButton(QStringLiteral("&System Info..."), this);
    m_cmdSysInfo->setObjectName(QStringLiteral("cmdSysInfo"));

    auto* text = new QVBoxLayout;
    text->addWidget(m_lblTitle);
    text->addWidget(m_lblVersion);
    text->addWidget(m_lblDescription);
    text->addStretch();
    auto* top = new QHBoxLayout;
    top->addWidget(picIcon, 0, Qt::AlignTop);
    top->addLayout(text, 1);
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(m_cmdOK);
    buttons->addWidget(m_cmdSysInfo);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(m_lblReg, 1, Qt::AlignTop);
    bottom->addLayout(buttons);
    auto* all = new QVBoxLayout(this);
    all->addLayout(top);
    all->addWidget(image1);
    all->addLayout(bottom);

    connect(m_cmdOK, &QPushButton::clicked, this, &frmAbout::cmdOK_Click);
    connect(m_cmdSysInfo, &QPushButton::clicked, this, &frmAbout::cmdSysInfo_Click);

    // Form load.
    setWindowTitle(QStringLiteral("About ") + Prompts::kAppTitle);
    m_lblVersion->setText(QStringLiteral("Version ") + frmSplash::versionText());
    m_lblTitle->setText(Prompts::kAppTitle);
    // A label breaks lines only on "\n", so the carriage return is shown as one.
    m_lblReg->setText(Prompts::displayText(m_lblReg->text() + QLatin1Char('\r') + modDatabase::gRemoteUser
                                           + QStringLiteral("   ") + modDatabase::gRemotePass));
}

frmAbout::~frmAbout() = default;

void frmAbout::cmdOK_Click()
{
    close();
}

void frmAbout::cmdSysInfo_Click()
{
    StartSysInfo();
}

void frmAbout::StartSysInfo()
{
    QString path;
    if (GetKeyValue(RegistryStore::HKEY_LOCAL_MACHINE, kSysInfoKey, QStringLiteral("PATH"), path)) {
        if (QProcess::startDetached(path, {}))
            return;
    } else if (GetKeyValue(RegistryStore::HKEY_LOCAL_MACHINE, kSysInfoLocationKey, QStringLiteral("MSINFO"), path)) {
        const QString program = path + QStringLiteral("/MSINFO32.EXE");
        if (QFileInfo::exists(program) && QProcess::startDetached(program, {}))
            return;
    }
    Prompts::MsgBox(QStringLiteral("System Information Is Unavailable At This Time"), Prompts::vbOKOnly);
}

bool frmAbout::GetKeyValue(qint32 root, const QString& keyName, const QString& valueName, QString& value)
{
    value.clear();
    // The store keeps only the current user's part, so a machine-wide key
    // (where the system information program would be registered) is never
    // found here.
    const auto read = RegistryStore().readValue(root, keyName, valueName);
    if (!read || read->type != RegistryStore::REG_SZ)
        return false;
    QByteArray data = read->data;
    if (data.endsWith('\0'))
        data.chop(1);
    value = QString::fromUtf8(data);
    return true;
}
