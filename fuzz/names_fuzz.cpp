// Fuzz target: a directory entry's name is any byte string. Its text must turn back into exactly
// those bytes (so that the file is reached whatever the card's character set), the scan's quick
// check on the raw bytes and the classification of the decoded name must agree, and a
// recording's stem, date text, rebuilt name and drive-data name must follow from each other.

#include "DriveUtils.h"
#include "FileNameBytes.h"
#include "RecordingNames.h"

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace {

void Check(bool condition)
{
    if (!condition)
        __builtin_trap();
}

// The rule on the raw bytes: one of the three prefixes, exact case, and ".avi" in any letter
// case at the end.
std::optional<RecordingKind> KindOfBytes(const QByteArray &name)
{
    if (name.size() < 8)
        return std::nullopt;
    const QByteArray extension = name.right(4);
    if (extension[0] != '.' || (extension[1] != 'a' && extension[1] != 'A') ||
        (extension[2] != 'v' && extension[2] != 'V') ||
        (extension[3] != 'i' && extension[3] != 'I'))
        return std::nullopt;
    if (name.startsWith("rec_"))
        return RecordingKind::Normal;
    if (name.startsWith("evt_"))
        return RecordingKind::Event;
    if (name.startsWith("pmr_"))
        return RecordingKind::Parking;
    return std::nullopt;
}

bool ValidUtf8(const QByteArray &bytes)
{
    const QString text = QString::fromUtf8(bytes);
    return text.toUtf8() == bytes && !text.contains(QChar::ReplacementCharacter);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const QString name = DecodeFileName(bytes);

    // Every byte survives the way to the text and back.
    Check(EncodeFileName(name) == bytes);
    const std::string native = FileSystemPath(name).native();
    Check(native.size() == size && (size == 0 || std::memcmp(native.data(), data, size) == 0));
    if (ValidUtf8(bytes))
        Check(name == QString::fromUtf8(bytes));

    // The kind from the bytes and from the text agree.
    const std::optional<RecordingKind> kind = ClassifyRecordingName(name);
    Check(kind == KindOfBytes(bytes));
    const std::optional<RecordingEntry> entry = MakeRecordingEntry(name);
    Check(entry.has_value() == kind.has_value());

    const QString stem = RecordingStem(name);
    const QString dateText = RecordingDateText(stem);
    Check(dateText.size() == stem.size() + 4);
    const QString dataPath = DriveDataPath(name);
    const QString extension = PathExtension(name);
    Check(extension.isEmpty() || (extension.startsWith(u'.') && !extension.contains(u'/')));
    if (!dataPath.isEmpty()) {
        Check(extension.compare(QStringLiteral(".avi"), Qt::CaseInsensitive) == 0);
        Check(dataPath.endsWith(QStringLiteral(".dat")) && dataPath.size() == name.size());
        // The drive-data file's bytes are the clip's with only the extension replaced.
        Check(EncodeFileName(dataPath) == bytes.chopped(4) + ".dat");
    }
    if (!kind)
        return 0;

    Check(entry->kind == *kind && entry->fileName == name);
    Check(entry->stem == stem && entry->dateText == dateText);
    Check(stem.size() == name.size() - 8);
    Check(!dataPath.isEmpty());
    Check(RecordingKindFromName(RecordingKindName(*kind)) == kind);
    // The list row gives the name back (the camera writes ".avi" and no spaces).
    if (name.endsWith(QStringLiteral(".avi")) && !stem.contains(u' '))
        Check(RecordingFileName(RecordingKindName(*kind), stem) == name);
    return 0;
}
