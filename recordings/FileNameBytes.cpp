#include "FileNameBytes.h"

#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_UNIX
#include "SafeFile.h"

#include <unistd.h>
#endif

namespace {

constexpr char16_t kEscapeBase = 0xDC00;

// Length of the valid UTF-8 sequence at `at`, or 0 when the byte there does not start one.
int validSequenceLength(const unsigned char *bytes, qsizetype at, qsizetype size)
{
    const unsigned char lead = bytes[at];
    if (lead < 0x80)
        return 1;
    int length = 0;
    char32_t minimum = 0;
    char32_t value = 0;
    if ((lead & 0xE0) == 0xC0) {
        length = 2;
        minimum = 0x80;
        value = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3;
        minimum = 0x800;
        value = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4;
        minimum = 0x10000;
        value = lead & 0x07;
    } else {
        return 0;
    }
    if (at + length > size)
        return 0;
    for (int i = 1; i < length; ++i) {
        const unsigned char next = bytes[at + i];
        if ((next & 0xC0) != 0x80)
            return 0;
        value = (value << 6) | (next & 0x3F);
    }
    if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        return 0;
    return length;
}

bool isEscapedByte(char16_t unit)
{
    return unit >= kEscapeBase + 0x80 && unit <= kEscapeBase + 0xFF;
}

} // namespace

QString DecodeFileName(const QByteArray &bytes)
{
    const auto *data = reinterpret_cast<const unsigned char *>(bytes.constData());
    const qsizetype size = bytes.size();
    QString text;
    text.reserve(size);
    qsizetype runStart = 0; // start of the valid bytes not yet decoded
    qsizetype at = 0;
    while (at < size) {
        const int length = validSequenceLength(data, at, size);
        if (length > 0) {
            at += length;
            continue;
        }
        text += QString::fromUtf8(bytes.constData() + runStart, at - runStart);
        text += QChar(char16_t(kEscapeBase + data[at]));
        ++at;
        runStart = at;
    }
    text += QString::fromUtf8(bytes.constData() + runStart, size - runStart);
    return text;
}

QByteArray EncodeFileName(const QString &name)
{
    QByteArray bytes;
    bytes.reserve(name.size());
    qsizetype runStart = 0;
    for (qsizetype at = 0; at < name.size(); ++at) {
        const char16_t unit = name.at(at).unicode();
        // A low surrogate right after a high one is half of a real character.
        const bool paired = at > 0 && name.at(at - 1).isHighSurrogate();
        if (!isEscapedByte(unit) || paired)
            continue;
        bytes += QStringView(name).sliced(runStart, at - runStart).toUtf8();
        bytes += char(unit - kEscapeBase);
        runStart = at + 1;
    }
    bytes += QStringView(name).sliced(runStart).toUtf8();
    return bytes;
}

std::filesystem::path FileSystemPath(const QString &path)
{
#ifdef _WIN32
    return std::filesystem::path(path.toStdWString());
#else
    const QByteArray bytes = EncodeFileName(path);
    return std::filesystem::path(std::string(bytes.constData(), size_t(bytes.size())));
#endif
}

bool OpenFileForReading(QFile &file, const QString &path)
{
#ifdef Q_OS_UNIX
    CFileDescriptor fd = OpenRegularFile(path, O_RDONLY);
    if (!fd.IsValid())
        return false;
    if (!file.open(fd.Get(), QIODevice::ReadOnly, QFileDevice::AutoCloseHandle))
        return false;
    fd.Release(); // the file closes it now
    return true;
#else
    file.setFileName(path);
    return file.open(QIODevice::ReadOnly);
#endif
}

bool IsReadableFile(const QString &path)
{
    if (path.isEmpty())
        return false;
#ifdef Q_OS_UNIX
    const QByteArray bytes = EncodeFileName(path);
    return IsPlainFile(path) && ::access(bytes.constData(), R_OK) == 0;
#else
    const QFileInfo info(path);
    return info.isFile() && info.isReadable();
#endif
}
