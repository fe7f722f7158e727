#include "core/frmSplash.h"

#include "core/cAppSettings.h"
#include "core/modDatabase.h"
#include "core/modGlobal.h"
#include "core/modUtils.h"
#include "platform/AppPaths.h"
#include "platform/Prompts.h"
#include "platform/VbError.h"

#include <QCloseEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QTimer>
#include <QtMath>
#include <QVBoxLayout>

namespace
{
frmSplash::MainWindowFactory& factory()
{
    static frmSplash::MainWindowFactory f;
    return f;
}

QPointer<frmSplash>& openSplash()
{
    static QPointer<frmSplash> p;
    return p;
}

// Our own logo: a gold horseshoe with a "V" on a deep green ground.
QPixmap drawLogo(int size)
{
    QPixmap pix(size, size);
    pix.fill(Qt::transparent);
    QPainter p(&pix);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF all(0, 0, size, size);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x1d, 0x5c, 0x3a));
    p.drawRoundedRect(all.adjusted(2, 2, -2, -2), size * 0.12, size * 0.12);

    // The shoe: a thick arc open at the bottom, with nail holes.
    const qreal m = size * 0.2;
    const QRectF shoe = all.adjusted(m, m * 0.8, -m, -m * 0.6);
    QPen gold(QColor(0xd4, 0xa9, 0x37), size * 0.11, Qt::SolidLine, Qt::FlatCap);
    p.setPen(gold);
    p.setBrush(Qt::NoBrush);
    p.drawArc(shoe, -40 * 16, 260 * 16);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x1d, 0x5c, 0x3a));
    const QPointF c = shoe.center();
    const qreal r = shoe.width() / 2;
    for (int deg : {-20, 20, 60, 120, 160, 200}) {
        const qreal a = qDegreesToRadians(static_cast<qreal>(deg));
        p.drawEllipse(QPointF(c.x() + r * qCos(a), c.y() - r * qSin(a)), size * 0.018, size * 0.018);
    }

    QFont f(QStringLiteral("Sans"));
    f.setBold(true);
    f.setPixelSize(static_cast<int>(size * 0.34));
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(shoe, Qt::AlignCenter, QStringLiteral("V"));
    return pix;
}
} // namespace

QString frmSplash::versionText()
{
    return QStringLiteral("%1.%2.%3").arg(kVersionMajor).arg(kVersionMinor).arg(kVersionRevision);
}

void frmSplash::SetMainWindowFactory(MainWindowFactory f)
{
    factory() = std::move(f);
}

frmSplash* frmSplash::current()
{
    QPointer<frmSplash>& p = openSplash();
    return p && !p->m_closing ? p.data() : nullptr;
}

void frmSplash::CloseSplash()
{
    frmSplash* splash = current();
    if (!splash)
        return;
    splash->m_closing = true;
    splash->TmrSplash->stop();
    // The status routine keeps pumping events afterwards but writes nowhere.
    modGlobal::SetStatusLabel(nullptr);
    splash->close();
}

frmSplash::frmSplash(Migration migration, QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint)
    , m_migration(std::move(migration))
{
    setObjectName(QStringLiteral("frmSplash"));
    setWindowTitle(Prompts::kAppTitle);
    setFocusPolicy(Qt::StrongFocus);
    setStyleSheet(QStringLiteral("frmSplash { background: #f4f1e8; }"));

    imgLogo = new QLabel(this);
    imgLogo->setObjectName(QStringLiteral("imgLogo"));
    imgLogo->setPixmap(drawLogo(160));
    imgLogo->setFixedSize(160, 160);

    SplashFrame = new QFrame(this);
    SplashFrame->setObjectName(QStringLiteral("SplashFrame"));
    SplashFrame->setFrameShape(QFrame::StyledPanel);

    Label3 = new QLabel(QStringLiteral("The Velmora 2"), SplashFrame);
    Label3->setObjectName(QStringLiteral("Label3"));
    QFont title = Label3->font();
    title.setPointSize(22);
    title.setBold(true);
    Label3->setFont(title);

    lblVersion = new QLabel(SplashFrame);
    lblVersion->setObjectName(QStringLiteral("lblVersion"));
    lblPlatform = new QLabel(SplashFrame);
    lblPlatform->setObjectName(QStringLiteral("lblPlatform"));
    lblStatus = new QLabel(QStringLiteral("Starting up..."), SplashFrame);
    lblStatus->setObjectName(QStringLiteral("lblStatus"));
    lblStatus->setMinimumWidth(360);

    auto* inner = new QVBoxLayout(SplashFrame);
    inner->addWidget(Label3);
    inner->addWidget(lblVersion);
    inner->addWidget(lblPlatform);
    inner->addStretch(1);
    inner->addWidget(lblStatus);

    auto* outer = new QHBoxLayout(this);
    outer->setContentsMargins(16, 16, 16, 16);
    outer->setSpacing(16);
    outer->addWidget(imgLogo, 0, Qt::AlignTop);
    outer->addWidget(SplashFrame, 1);

    TmrSplash = new QTimer(this);
    TmrSplash->setObjectName(QStringLiteral("TmrSplash"));
    TmrSplash->setInterval(600);
    connect(TmrSplash, &QTimer::timeout, this, &frmSplash::TmrSplash_Timer);

    modGlobal::SetStatusLabel(lblStatus);
    openSplash() = this;
}

frmSplash::~frmSplash()
{
    if (openSplash() == this)
        modGlobal::SetStatusLabel(nullptr);
}

bool frmSplash::isTimerActive() const
{
    return TmrSplash->isActive();
}

void frmSplash::Form_Load()
{
    modUtils::PlayAppSound(QStringLiteral("horse-gallop.wav"));
    modGlobal::ShowStatus(QStringLiteral("Loading Application Settings"));
    gAppSettings.LoadSettings();
    cAppSettings::ReportDamagedSettings();

    // Another running copy has the database open: stop before anything
    // touches the file (the take-over below replaces it).
    if (!modGlobal::TakeDatabaseForThisRun()) {
        m_startRefused = true;
        return;
    }

    if (!gAppSettings.AlreadyUpgraded) {
        // A failed take-over is reported and left unrecorded, so the next
        // start tries again; the program itself carries on.
        QString failure;
        try {
            if (m_migration)
                m_migration();
            else
                modGlobal::ImportOldInstallation();
        } catch (const VbError& e) {
            failure = e.description();
        } catch (const std::exception& e) {
            failure = QString::fromLocal8Bit(e.what());
        }
        if (failure.isNull()) {
            gAppSettings.AlreadyUpgraded = true;
            gAppSettings.SaveSettings();
        } else {
            Prompts::MsgBox(QStringLiteral("The database of the earlier installation could not be taken over: \r\r")
                                + failure,
                            Prompts::vbExclamation);
        }
    }

    TmrSplash->start();
    lblVersion->setText(QStringLiteral("Version ") + versionText());
    lblPlatform->clear();
}

void frmSplash::TmrSplash_Timer()
{
    TmrSplash->stop();
    showMainWindow();
}

void frmSplash::keyPressEvent(QKeyEvent* event)
{
    event->accept();
    Form_KeyPress();
}

void frmSplash::Form_KeyPress()
{
    // Stopping the timer too: its tick would otherwise try to start the main
    // window a second time while that window's load is still running.
    TmrSplash->stop();
    showMainWindow();
}

void frmSplash::showMainWindow()
{
    // Each status line of the main window's load lets this window's own
    // events run; the load must start only once however they interleave.
    if (m_mainStarted)
        return;
    m_mainStarted = true;
    QPointer<frmSplash> self(this);
    if (factory())
        factory()();
    if (self && !self->m_closing)
        CloseSplash();
}

void frmSplash::closeEvent(QCloseEvent* event)
{
    // The splash stays up until the main window has taken over; a close
    // from the window manager before then would leave the program windowless.
    if (!m_mainStarted && !m_closing) {
        event->ignore();
        return;
    }
    m_closing = true;
    TmrSplash->stop();
    if (openSplash() == this)
        modGlobal::SetStatusLabel(nullptr);
    event->accept();
}
