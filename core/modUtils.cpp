#include "core/modUtils.h"

#include "platform/AppPaths.h"
#include "platform/Sound.h"
#include "platform/WinColor.h"
#include "core/modText.h"

#include <QHash>

#include <cmath>

namespace modUtils
{

bool PlayWave(const QString& path, bool async)
{
    Q_UNUSED(async); // playback never blocks the caller
    return Sound::play(path);
}

bool PlayAppSound(const QString& fileName)
{
    return PlayWave(AppPaths::join(AppPaths::appDir(), fileName), true);
}

QString OrdinalSuffix(qint16 n)
{
    if (n <= 0)
        return QString();
    int key = n;
    if (n > 20)
        key = n % 10;
    switch (key) {
    case 1:
        return QStringLiteral("st");
    case 2:
        return QStringLiteral("nd");
    case 3:
        return QStringLiteral("rd");
    default:
        return QStringLiteral("th");
    }
}

QString LastWord(const QString& text)
{
    const qsizetype pos = text.lastIndexOf(QLatin1Char(' '));
    return pos < 0 ? text : text.mid(pos + 1);
}

QString StripControlChars(const QString& text, bool keepLineBreaks)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        const ushort u = c.unicode();
        if (u >= 32 || (keepLineBreaks && (u == 10 || u == 13)))
            out += c;
    }
    return out;
}

QString WindowsVersionName(int platformId, int major, int minor, int build)
{
    switch (platformId) {
    case 0:
        return QStringLiteral("Windows 3.1");
    case 1:
        if (minor == 0)
            return QStringLiteral("Windows 95");
        if (minor == 10)
            return build == 2222 ? QStringLiteral("Windows 98SE") : QStringLiteral("Windows 98");
        if (minor == 90)
            return QStringLiteral("Windows Me");
        return QString();
    case 2:
        if (major == 3)
            return QStringLiteral("Windows NT 3.51");
        if (major == 4)
            return QStringLiteral("Windows NT 4.0");
        if (major == 5) {
            if (minor == 0)
                return QStringLiteral("Windows 2000");
            if (minor == 1)
                return QStringLiteral("Windows XP");
            if (minor == 2)
                return QStringLiteral("Windows Server 2003");
            return QString();
        }
        return QStringLiteral("Vista / Windows 7");
    default:
        return QString();
    }
}

QString GetWindowsVersionName()
{
    return WindowsVersionName(-1, 0, 0, 0);
}

qint16 GetClassRank(QString& code)
{
    code = code.left(3);
    if (code.size() == 3 && code[0] >= QLatin1Char('6') && code[0] <= QLatin1Char('9') && code[1].isDigit()
        && code[1].unicode() < 128 && code[2] == QLatin1Char('B')) {
        return static_cast<qint16>(111 - code.left(2).toInt());
    }
    static const QHash<QString, qint16> table = {
        {QStringLiteral("G1 "), 1},  {QStringLiteral("G2 "), 2},  {QStringLiteral("G3 "), 3},
        {QStringLiteral("LR "), 4},  {QStringLiteral("OPN"), 5},  {QStringLiteral("C6 "), 6},
        {QStringLiteral("C5 "), 7},  {QStringLiteral("C4 "), 8},  {QStringLiteral("C3 "), 9},
        {QStringLiteral("C2 "), 10}, {QStringLiteral("C1 "), 11}, {QStringLiteral("100"), 12},
        {QStringLiteral("MDN"), 200},
    };
    return table.value(code, 999);
}

double Val(const QString& text)
{
    return modText::Val(text);
}

QString TextOf(const QVariant& value)
{
    return value.isValid() && !value.isNull() ? value.toString() : QString();
}

QString ProperCase(const QString& text)
{
    QString out = text.toLower();
    bool start = true;
    for (QChar& c : out) {
        if (c.isSpace() || c.unicode() == 0) {
            start = true;
        } else if (start) {
            c = c.toUpper();
            start = false;
        }
    }
    return out;
}

QColor WinColor(qint64 color)
{
    return ::WinColor::toQColor(color);
}

qint32 ToWinColor(const QColor& c)
{
    return ::WinColor::fromQColor(c);
}

} // namespace modUtils

