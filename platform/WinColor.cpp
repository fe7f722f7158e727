#include "platform/WinColor.h"

namespace WinColor
{
namespace
{
// The usual Windows defaults of the system colours 0..24 (0xRRGGBB).
constexpr QRgb kSystem[] = {
    0xC8C8C8, 0x000000, 0x99B4D1, 0xBFCDDB, 0xF0F0F0, 0xFFFFFF, 0x646464, 0x000000, 0x000000,
    0x000000, 0xB4B4B4, 0xF4F7FC, 0xABABAB, 0x0078D7, 0xFFFFFF, 0xF0F0F0, 0xA0A0A0, 0x6D6D6D,
    0x000000, 0x000000, 0xFFFFFF, 0x696969, 0xE3E3E3, 0x000000, 0xFFFFE1,
};

qint64 unsigned32(qint64 color)
{
    return color < 0 ? color + 0x100000000LL : color;
}
} // namespace

bool isSystemColor(qint64 color)
{
    if (color < -0x80000000LL || color > 0xFFFFFFFFLL)
        return false;
    return (unsigned32(color) & 0xFFFFFF00LL) == 0x80000000LL;
}

QColor toQColor(qint64 color)
{
    if (color >= 0 && color <= 0xFFFFFF)
        return QColor(static_cast<int>(color & 0xFF), static_cast<int>((color >> 8) & 0xFF),
                      static_cast<int>((color >> 16) & 0xFF));
    if (isSystemColor(color)) {
        const auto index = static_cast<size_t>(unsigned32(color) & 0xFF);
        if (index < sizeof(kSystem) / sizeof(kSystem[0]))
            return QColor(kSystem[index]);
    }
    return QColor();
}

qint32 fromQColor(const QColor& c)
{
    return c.red() | (c.green() << 8) | (c.blue() << 16);
}
} // namespace WinColor
