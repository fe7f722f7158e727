#pragma once

#include <QFile>
#include <QRegularExpression>
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
