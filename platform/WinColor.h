#pragma once

#include <QColor>

/**
 * Windows colour numbers as the stored data and the grids use them:
 * 0x00BBGGRR for a plain colour, 0x800000nn for system colour nn (also seen
 * as the negative 32-bit number of the same bits), -1 for "no colour".
 */
namespace WinColor
{
/** The colour of a Windows colour number; an invalid colour for -1 and for
 *  numbers that are neither a plain nor a known system colour. System colours
 *  take the usual Windows defaults. */
QColor toQColor(qint64 color);

/** A colour as a plain Windows colour number (0x00BBGGRR). */
qint32 fromQColor(const QColor& color);

/** True for a system colour number (0x800000nn, either sign). */
bool isSystemColor(qint64 color);
} // namespace WinColor
