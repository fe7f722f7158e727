#include "core/frmAllowGet.h"

#include "core/cAppSettings.h"
#include "platform/Prompts.h"

#include <QApplication>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace
{
const QString kAdminPassword = QStringLiteral("KTR");

frmAllowGet::GetDataVisibleHandler& handlerSlot()
{
    static frmAllowGet::GetDataVisibleHandler handler;
    return handler;
}

void setGetDataVisible(bool visible)
{
    if (const auto& h = handlerSlot()) {
        h(visible);
        return;
    }
    const auto windows = QApplication::topLevelWidgets();
    for (QWidget* w : windows) {
        if (auto* button = w->findChild<QWidget*>(QStringLiteral("CmdGetData")))
            button->setVisible(visible);
    }
}
} // namespace

frmAllowGet::frmAllowGet(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frmAllowGet"));
    setWindowTitle(QStringLiteral("Allow Get Data"));

    auto* label = new QLabel(QStringLiteral("Password"), this);
    m_txtPassword = new QLineEdit(this);
    m_txtPassword->setObjectName(QStringLiteral("txtPassword"));
    label->setBuddy(m_txtPassword);
    m_TxtAllowGD = new QLabel(QStringLiteral("Get Data Not Allowed"), this);
    m_TxtAllowGD->setObjectName(QStringLiteral("TxtAllowGD"));
    m_cmdAllowGet = new QPushButton(QStringLiteral("Allow Get Data"), this);
    m_cmdAllowGet->setObjectName(QStringLiteral("cmdAllowGet"));
    m_cmdAllowGet->setDefault(true);

    auto* grid = new QGridLayout(this);
    grid->addWidget(label, 0, 0);
    grid->addWidget(m_txtPassword, 0, 1);
    grid->addWidget(m_TxtAllowGD, 1, 0, 1, 2);
    grid->addWidget(m_cmdAllowGet, 2, 0, 1, 2);

    connect(m_cmdAllowGet, &QPushButton::clicked, this, &frmAllowGet::cmdAllowGet_Click);
}

frmAllowGet::~frmAllowGet() = default;

void frmAllowGet::OpenSetting(QWidget* parent)
{
    frmAllowGet window(parent);
    window.LoadSetting();
    Prompts::ShowModal(&window);
}

void frmAllowGet::setGetDataVisibleHandler(GetDataVisibleHandler handler)
{
    handlerSlot() = std::move(handler);
}

void frmAllowGet::LoadSetting()
{
    m_Allowed = gAppSettings.AllowGetData;
    if (m_Allowed) {
        m_cmdAllowGet->setText(QStringLiteral("Dissallow Get Data"));
        m_TxtAllowGD->setText(QStringLiteral("Get Data Allowed"));
    }
}

void frmAllowGet::cmdAllowGet_Click()
{
    if (m_txtPassword->text() != kAdminPassword) {
        Prompts::MsgBox(QStringLiteral("Password Invalid"), Prompts::vbOKOnly);
        return;
    }
    gAppSettings.AllowGetData = !m_Allowed;
    setGetDataVisible(!m_Allowed);
    gAppSettings.SaveSettings();
    accept();
}
