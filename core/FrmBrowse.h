#pragma once

#include <QDialog>
#include <QString>
#include <QUrl>

#include <functional>

class QTextBrowser;
class QTimer;

/**
 * The page viewer: one window with a browser control (`WebBrowser`) into
 * which a caller loads a local HTML file or a web page. Pages are shown as
 * their HTML text; no script ever runs and the viewer raises no dialogs of
 * its own. Callers set the caption and sizes, navigate, then show it modally
 * (ShowModal) or without waiting (ShowModeless). Each use takes a fresh
 * viewer, so a modeless one left open never stands in the way of a modal one.
 */
class FrmBrowse : public QDialog
{
    Q_OBJECT

public:
    /** Fetches a web address and returns its text (an "Error:" text when it
     *  fails). The default sends a GET through the program's HTTP routine. */
    using PageFetcher = std::function<QString(const QString& url)>;

    explicit FrmBrowse(QWidget* parent = nullptr);
    ~FrmBrowse() override;

    QTextBrowser* WebBrowser() const { return m_browser; }

    /** Loads an address: "file://..." shows that local file, "http(s)://..."
     *  fetches the page and shows its HTML text. */
    void Navigate(const QString& address);

    /** Shows the given HTML text; relative links resolve against `base`. */
    void SetHtml(const QString& html, const QUrl& base = QUrl());

    /** The address last navigated to (empty before any). */
    QString LocationURL() const { return m_location.toString(); }

    /** Window size in twips. */
    void SetSizeTwips(int width, int height);
    /** Size of the browser control in twips; it sits at the window's top left. */
    void SetBrowserSizeTwips(int width, int height);
    /** Places the window's top edge, in twips. */
    void SetTopTwips(int top);

    /** Shows the viewer modally; returns when it has been closed. */
    int ShowModal();
    /** Shows the viewer without waiting; it deletes itself when closed. */
    void ShowModeless();

    /** Replaces how web pages are fetched (an empty function restores the
     *  default). */
    static void setPageFetcher(PageFetcher fetcher);

private slots:
    void WebBrowser_AnchorClicked(const QUrl& url);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    QTextBrowser* m_browser = nullptr;
    /** The browser's size as set; it is cut to the window's size. */
    QSize m_browserSize;
    QTimer* m_timer = nullptr;
    QUrl m_location;
};
