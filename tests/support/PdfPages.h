#pragma once

#include <QFile>
#include <QList>
#include <QProcess>
#include <QRectF>
#include <QRegularExpression>
#include <QSizeF>
#include <QStandardPaths>
#include <QString>

/**
 * Number of pages of a PDF file written by Qt: the page objects counted one
 * by one, checked against the page tree's own count. -1 when the file is
 * unreadable, is not a PDF, or the two disagree.
 */
inline int PdfPageCount(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray bytes = f.readAll();
    if (!bytes.startsWith("%PDF-"))
        return -1;
    const QString text = QString::fromLatin1(bytes);
    int pages = 0;
    QRegularExpression page(QStringLiteral("/Type\\s*/Page(?![s\\w])"));
    for (auto it = page.globalMatch(text); it.hasNext(); it.next())
        ++pages;
    const QRegularExpressionMatch tree =
        QRegularExpression(QStringLiteral("/Type\\s*/Pages\\b[^>]*?/Count\\s+(\\d+)")).match(text);
    if (!tree.hasMatch() || tree.captured(1).toInt() != pages)
        return -1;
    return pages;
}

/** One word of a PDF as poppler's pdftotext reads it: its page (from 0), its
 *  text, its box and its page's size, in points from the page's top left. */
struct PdfWord
{
    int page = 0;
    QString text;
    QRectF box;
    QSizeF pageSize;
};

/**
 * The words of every page of a PDF file, read with poppler's
 * `pdftotext -bbox` (tools/deps.sh installs it). Empty when the tool is
 * missing or cannot read the file.
 */
inline QList<PdfWord> PdfWords(const QString& path)
{
    QList<PdfWord> words;
    const QString tool = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
    if (tool.isEmpty())
        return words;
    QProcess p;
    p.start(tool, {QStringLiteral("-bbox"), path, QStringLiteral("-")});
    if (!p.waitForFinished(20000) || p.exitCode() != 0)
        return words;
    const QString html = QString::fromUtf8(p.readAllStandardOutput());
    static const QRegularExpression tag(
        QStringLiteral("<page width=\"([\\d.]+)\" height=\"([\\d.]+)\">|<word xMin=\"([-\\d.]+)\" "
                       "yMin=\"([-\\d.]+)\" xMax=\"([-\\d.]+)\" yMax=\"([-\\d.]+)\">([^<]*)</word>"));
    int page = -1;
    QSizeF size;
    for (auto it = tag.globalMatch(html); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        if (!m.captured(1).isEmpty()) {
            ++page;
            size = QSizeF(m.captured(1).toDouble(), m.captured(2).toDouble());
            continue;
        }
        QString text = m.captured(7);
        text.replace(QLatin1String("&lt;"), QLatin1String("<"))
            .replace(QLatin1String("&gt;"), QLatin1String(">"))
            .replace(QLatin1String("&quot;"), QLatin1String("\""))
            .replace(QLatin1String("&apos;"), QLatin1String("'"))
            .replace(QLatin1String("&amp;"), QLatin1String("&"));
        words.append(PdfWord{page, text,
                             QRectF(QPointF(m.captured(3).toDouble(), m.captured(4).toDouble()),
                                    QPointF(m.captured(5).toDouble(), m.captured(6).toDouble())),
                             size});
    }
    return words;
}

/** The `count` words that start at the first word reading `first`; fewer
 *  when the words end sooner, none when no word reads `first`. */
inline QList<PdfWord> PdfWordsFrom(const QList<PdfWord>& words, const QString& first, int count)
{
    for (int i = 0; i < words.size(); ++i)
        if (words[i].text == first)
            return words.mid(i, count);
    return {};
}
