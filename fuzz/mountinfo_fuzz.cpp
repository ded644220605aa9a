// Fuzz target: the mount table reader. The input is read twice:
// - as the text of /proc/self/mountinfo itself, any bytes, odd escapes and broken lines
//   included: the reader must not fail and keeps at most one entry a line;
// - as the fields of a table the kernel would write: any bytes in the mounted folder, the mount
//   point, the file-system type and the source (a card's label becomes its mount point), written
//   with the kernel's escapes (space, tab, line feed and backslash as \ooo, everything else as
//   it is). Reading that table back must give every field's bytes exactly.

#include "DriveUtils.h"
#include "FileNameBytes.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace {

void Check(bool condition)
{
    if (!condition)
        __builtin_trap();
}

// A field as the kernel's mountinfo shows it.
QByteArray Escaped(const std::string &field)
{
    QByteArray out;
    for (const char c : field) {
        if (c == ' ' || c == '\t' || c == '\n' || c == '\\') {
            const auto byte = static_cast<unsigned char>(c);
            out += '\\';
            out += char('0' + (byte >> 6));
            out += char('0' + ((byte >> 3) & 7));
            out += char('0' + (byte & 7));
        } else {
            out += c;
        }
    }
    return out;
}

QByteArray Bytes(const std::string &text)
{
    return QByteArray(text.data(), qsizetype(text.size()));
}

struct Mount
{
    std::string majorMinor, root, mountPoint, fsType, source;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray text(reinterpret_cast<const char *>(data), qsizetype(size));
    const QList<MountEntry> raw = ParseMountInfo(text);
    Check(raw.size() <= text.count('\n') + 1);
    for (const MountEntry &entry : raw)
        Check(!entry.majorMinor.contains(u' '));

    FuzzedDataProvider in(data, size);
    std::vector<Mount> mounts(in.ConsumeIntegralInRange<std::size_t>(1, 6));
    QByteArray table;
    int id = 20;
    for (Mount &m : mounts) {
        m.majorMinor = std::to_string(in.ConsumeIntegralInRange(0, 511)) + ':' +
                       std::to_string(in.ConsumeIntegralInRange(0, 1 << 20));
        m.root = '/' + in.ConsumeRandomLengthString(40);
        m.mountPoint = '/' + in.ConsumeRandomLengthString(80);
        m.fsType = in.ConsumeRandomLengthString(12);
        if (m.fsType.empty())
            m.fsType = "vfat";
        m.source = in.ConsumeRandomLengthString(40);
        if (m.source.empty())
            m.source = "none";
        QByteArray line = QByteArray::number(id) + ' ' + QByteArray::number(id - 1) + ' ' +
                          Bytes(m.majorMinor) + ' ' + Escaped(m.root) + ' ' +
                          Escaped(m.mountPoint) + " rw,nosuid,relatime";
        // Optional fields come before the separator, as many as the mount has.
        static const char *const kOptional[] = {" shared:1", " master:7", " propagate_from:3",
                                                " unbindable"};
        for (int n = in.ConsumeIntegralInRange(0, 3); n > 0; --n)
            line += kOptional[in.ConsumeIntegralInRange(0, 3)];
        line += " - " + Escaped(m.fsType) + ' ' + Escaped(m.source) + " rw,fmask=0022\n";
        table += line;
        ++id;
    }

    const QList<MountEntry> entries = ParseMountInfo(table);
    Check(entries.size() == qsizetype(mounts.size()));
    for (qsizetype i = 0; i < entries.size(); ++i) {
        const Mount &m = mounts[std::size_t(i)];
        const MountEntry &e = entries[i];
        Check(e.majorMinor == QString::fromLatin1(Bytes(m.majorMinor)));
        Check(EncodeFileName(e.root) == Bytes(m.root));
        Check(EncodeFileName(e.mountPoint) == Bytes(m.mountPoint));
        Check(EncodeFileName(e.fsType) == Bytes(m.fsType));
        Check(EncodeFileName(e.source) == Bytes(m.source));
    }
    return 0;
}
