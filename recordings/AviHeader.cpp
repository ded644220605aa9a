#include "AviHeader.h"

#include <QtEndian>

bool IsAviHeader(QByteArrayView head)
{
    if (head.size() < 12)
        return false;
    return head.startsWith("RIFF") && qFromLittleEndian<quint32>(head.data() + 4) != 0 &&
           head.sliced(8, 4) == "AVI ";
}

namespace {

// Where the main header's fields start: normally byte 32 (RIFF header, "LIST" "hdrl", then
// "avih"); writers that put other chunks first are handled by finding the chunk.
qsizetype MainHeaderStart(QByteArrayView head)
{
    const qsizetype tag = head.indexOf(QByteArrayView("avih"));
    if (tag >= 0 && tag + 8 + 38 <= head.size())
        return tag + 8;
    return 32;
}

} // namespace

bool AviFrameIntervalFromHeader(QByteArrayView head, quint32 &microseconds)
{
    if (head.size() < 70)
        return false;
    const quint32 value = qFromLittleEndian<quint32>(head.data() + MainHeaderStart(head));
    if (value == 0)
        return false;
    microseconds = value;
    return true;
}

bool AviFrameSizeFromHeader(QByteArrayView head, int &width, int &height)
{
    if (head.size() < 70)
        return false;
    const qsizetype header = MainHeaderStart(head);
    width = qFromLittleEndian<quint16>(head.data() + header + 32);
    height = qFromLittleEndian<quint16>(head.data() + header + 36);
    return true;
}

bool AviVideoFrameCountFromHeader(QByteArrayView head, quint32 &frames)
{
    const qsizetype main = head.indexOf(QByteArrayView("avih"));
    if (main < 0 || main + 8 + 20 > head.size())
        return false;
    const quint32 total = qFromLittleEndian<quint32>(head.data() + main + 8 + 16);
    // The stream headers follow the main header; the first of type "vids" is the video.
    for (qsizetype at = head.indexOf(QByteArrayView("strh"), main); at >= 0;
         at = head.indexOf(QByteArrayView("strh"), at + 4)) {
        if (at + 8 + 36 > head.size())
            return false;
        if (head.sliced(at + 8, 4) != "vids")
            continue;
        const quint32 length = qFromLittleEndian<quint32>(head.data() + at + 8 + 32);
        if (total == 0 || length != total)
            return false;
        frames = total;
        return true;
    }
    return false;
}
