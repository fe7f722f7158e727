#include "core/modGlobal.h"

#include "core/cAppSettings.h"
#include "platform/Prompts.h"

#include <QApplication>
#include <QMainWindow>

namespace modGlobal
{

int RunProgram(QApplication& app)
{
    gAppSettings.LoadSettings();
    QMainWindow window;
    window.setWindowTitle(Prompts::kAppTitle);
    window.resize(900, 600);
    window.show();
    return app.exec();
}

} // namespace modGlobal

#include <QLabel>
#include <QPointer>

namespace modGlobal
{
namespace
{
QPointer<QLabel> g_statusLabel;
}

void ShowStatus(const QString& text)
{
    if (g_statusLabel)
        g_statusLabel->setText(text + QStringLiteral("..."));
    QCoreApplication::processEvents();
}

void SetStatusLabel(QLabel* label)
{
    g_statusLabel = label;
}
} // namespace modGlobal
