#include "core/FrmBrowse.h"

#include "core/HttpRequest.h"
#include "platform/Prompts.h"
#include "platform/Twips.h"
#include "platform/WindowFit.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QTextBrowser>
#include <QTextDocument>
#include <QTimer>

namespace
{
FrmBrowse::PageFetcher& fetcherSlot()
{
    static FrmBrowse::PageFetcher fetcher;
    return fetcher;
}

QString fetchPage(const QString& url)
{
    if (const auto& f = fetcherSlot())
        return f(url);
    return modDatabase::HttpRequest(url, QStringLiteral("GET"), QString());
}

// Pages are UTF-8 when they are valid UTF-8, otherwise the Windows code page
// older pages were written in.
QString decodeText(const QByteArray& bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(bytes);
    if (!utf8.hasError())
        return text;
    QStringDecoder cp1252("windows-1252");
    return cp1252.isValid() ? cp1252(bytes) : QString::fromLatin1(bytes);
}

bool looksLikeHtml(const QString& path, const QString& text)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("htm") || suffix == QLatin1String("html"))
        return true;
    return Qt::mightBeRichText(text);
}
} // namespace

FrmBrowse::FrmBrowse(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("FrmBrowse"));
    setWindowTitle(QStringLiteral("Browser Title"));

    m_browser = new QTextBrowser(this);
    m_browser->setObjectName(QStringLiteral("WebBrowser"));
    // Links are followed here, so a web link fetches its page instead of the
    // text browser trying (and failing) to open it as a local resource.
    m_browser->setOpenLinks(false);
    m_browser->setOpenExternalLinks(false);
    connect(m_browser, &QTextBrowser::anchorClicked, this, &FrmBrowse::WebBrowser_AnchorClicked);

    m_timer = new QTimer(this);
    m_timer->setObjectName(QStringLiteral("Timer1"));

    resize(600, 500);
    m_browserSize = QSize(593, 493);
    m_browser->setGeometry(0, 0, 593, 493);
}

FrmBrowse::~FrmBrowse() = default;

void FrmBrowse::Navigate(const QString& address)
{
    QUrl url(address);
    if (url.scheme().isEmpty() && !address.isEmpty())
        url = QUrl::fromLocalFile(address);
    m_location = url;

    if (url.isLocalFile()) {
        const QString path = url.toLocalFile();
        QFile file(path);
        QString text;
        if (file.open(QIODevice::ReadOnly))
            text = decodeText(file.readAll());
        m_browser->document()->setBaseUrl(QUrl::fromLocalFile(path));
        if (looksLikeHtml(path, text))
            m_browser->setHtml(text);
        else
            m_browser->setPlainText(text);
    } else {
        QUrl page = url;
        page.setFragment(QString());
        SetHtml(fetchPage(page.toString()), page);
        m_location = url;
    }
    if (url.hasFragment())
        m_browser->scrollToAnchor(url.fragment());
}

void FrmBrowse::SetHtml(const QString& html, const QUrl& base)
{
    if (!base.isEmpty())
        m_location = base;
    m_browser->document()->setBaseUrl(base);
    m_browser->setHtml(html);
}

void FrmBrowse::SetSizeTwips(int width, int height)
{
    resize(Twips::toPixels(width), Twips::toPixels(height));
}

void FrmBrowse::SetBrowserSizeTwips(int width, int height)
{
    m_browserSize = QSize(Twips::toPixels(width), Twips::toPixels(height));
    m_browser->setGeometry(QRect(QPoint(0, 0), m_browserSize.boundedTo(size())));
}

void FrmBrowse::resizeEvent(QResizeEvent* event)
{
    // The browser never reaches past the window (one made smaller to fit the
    // screen included), or its scroll bars could not be reached.
    QDialog::resizeEvent(event);
    m_browser->setGeometry(QRect(QPoint(0, 0), m_browserSize.boundedTo(size())));
}

void FrmBrowse::SetTopTwips(int top)
{
    move(x(), Twips::toPixels(top));
}

int FrmBrowse::ShowModal()
{
    return Prompts::ShowModal(this);
}

void FrmBrowse::ShowModeless()
{
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);
    WindowFit::FitToScreen(this);
    show();
}

void FrmBrowse::setPageFetcher(PageFetcher fetcher)
{
    fetcherSlot() = std::move(fetcher);
}

void FrmBrowse::WebBrowser_AnchorClicked(const QUrl& url)
{
    if (url.scheme().isEmpty() && url.path().isEmpty() && url.hasFragment()) {
        m_browser->scrollToAnchor(url.fragment());
        return;
    }
    const QUrl target = m_location.isEmpty() ? url : m_location.resolved(url);
    Navigate(target.toString());
}
