// Fuzz target: the AVI header checks that decide whether a row's file is played, and the frame
// size read from its main header.

#include "AviHeader.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArrayView head(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const bool isAvi = IsAviHeader(head);

    int width = -1;
    int height = -1;
    const bool sized = AviFrameSizeFromHeader(head, width, height);
    if (sized && (width < 0 || width > 0xffff || height < 0 || height > 0xffff))
        std::abort();
    if (!sized && (width != -1 || height != -1))
        std::abort(); // a failed read must leave the outputs alone
    quint32 interval = 0;
    if (AviFrameIntervalFromHeader(head, interval) != (size >= 70 && interval != 0))
        std::abort(); // said, or untouched
    if (isAvi && size < 12)
        std::abort();
    return 0;
}
