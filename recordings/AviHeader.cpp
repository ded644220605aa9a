#include "AviHeader.h"

#include <QtEndian>

bool IsAviHeader(QByteArrayView head)
{
    if (head.size() < 12)
        return false;
    return head.startsWith("RIFF") && qFromLittleEndian<quint32>(head.data() + 4) != 0 &&
           head.sliced(8, 4) == "AVI ";
}

bool AviFrameSizeFromHeader(QByteArrayView head, int &width, int &height)
{
    if (head.size() < 70)
        return false;

    // The main header normally starts at byte 32 (RIFF header, "LIST" "hdrl", then "avih");
    // writers that put other chunks first are handled by finding the chunk.
    qsizetype header = 32;
    const qsizetype tag = head.indexOf(QByteArrayView("avih"));
    if (tag >= 0 && tag + 8 + 38 <= head.size())
        header = tag + 8;
    width = qFromLittleEndian<quint16>(head.data() + header + 32);
    height = qFromLittleEndian<quint16>(head.data() + header + 36);
    return true;
}
