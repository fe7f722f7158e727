#pragma once
// What the fuzz targets share: the check that turns a broken promise into a
// finding, and the input read as the text of a downloaded page.
#include <QString>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace FuzzCommon
{
/** Stops the run (libFuzzer saves the input) when a reader's result does not
 *  hold together. */
inline void check(bool condition)
{
    if (!condition)
        std::abort();
}

/** The fuzz input as page text (invalid UTF-8 becomes replacement marks, as
 *  a downloaded page would). */
inline QString pageText(const uint8_t* data, size_t size)
{
    return QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
}
} // namespace FuzzCommon
