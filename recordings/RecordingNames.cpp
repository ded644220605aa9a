#include "RecordingNames.h"

#include "DriveUtils.h"

namespace {

const QString kAviExtension = QStringLiteral(".avi");

// Whether the name's extension (from its last '.') is ".avi", in any letter case.
bool hasAviExtension(QStringView name)
{
    return name.endsWith(u".avi", Qt::CaseInsensitive);
}

} // namespace

QString RecordingPrefix(RecordingKind kind)
{
    switch (kind) {
    case RecordingKind::Event:
        return QStringLiteral("evt_");
    case RecordingKind::Parking:
        return QStringLiteral("pmr_");
    case RecordingKind::Normal:
        break;
    }
    return QStringLiteral("rec_");
}

QString RecordingKindName(RecordingKind kind)
{
    switch (kind) {
    case RecordingKind::Event:
        return QStringLiteral("Event");
    case RecordingKind::Parking:
        return QStringLiteral("Parking");
    case RecordingKind::Normal:
        break;
    }
    return QStringLiteral("Normal");
}

std::optional<RecordingKind> RecordingKindFromName(const QString &kindName)
{
    for (RecordingKind kind :
         {RecordingKind::Normal, RecordingKind::Event, RecordingKind::Parking}) {
        if (kindName == RecordingKindName(kind))
            return kind;
    }
    return std::nullopt;
}

std::optional<RecordingKind> ClassifyRecordingName(const QString &fileName)
{
    if (!hasAviExtension(fileName))
        return std::nullopt;
    for (RecordingKind kind :
         {RecordingKind::Normal, RecordingKind::Event, RecordingKind::Parking}) {
        if (fileName.startsWith(RecordingPrefix(kind), Qt::CaseSensitive))
            return kind;
    }
    return std::nullopt;
}

QString RecordingStem(const QString &fileName)
{
    QStringView stem(fileName);
    if (const auto kind = ClassifyRecordingName(fileName))
        stem = stem.mid(RecordingPrefix(*kind).size());
    if (hasAviExtension(fileName) && stem.size() >= kAviExtension.size())
        stem.chop(kAviExtension.size());
    return stem.toString();
}

QString RecordingDateText(const QString &stem)
{
    QString text;
    text.reserve(stem.size() + 4);
    text.append(stem);
    text.replace(QLatin1Char('_'), QLatin1Char(' '));
    const struct
    {
        qsizetype index;
        QChar character;
    } insertions[] = {{4, u'-'}, {7, u'-'}, {13, u':'}, {16, u':'}};
    for (const auto &insertion : insertions)
        text.insert(std::min(insertion.index, text.size()), insertion.character);
    return text;
}

std::optional<RecordingEntry> MakeRecordingEntry(const QString &fileName)
{
    const auto kind = ClassifyRecordingName(fileName);
    if (!kind)
        return std::nullopt;
    RecordingEntry entry;
    entry.kind = *kind;
    entry.fileName = fileName;
    // Prefix (four characters) and extension (four) off, as RecordingStem does.
    entry.stem = QStringView(fileName).sliced(4, fileName.size() - 8).toString();
    entry.dateText = RecordingDateText(entry.stem);
    return entry;
}

QString RecordingFileName(const QString &kindName, const QString &stem)
{
    QString name;
    if (const auto kind = RecordingKindFromName(kindName))
        name = RecordingPrefix(*kind);
    QString body = stem;
    body.replace(QLatin1Char(' '), QLatin1Char('_'));
    return name + body + kAviExtension;
}

QString DriveDataPath(const QString &clipPath)
{
    const QString extension = PathExtension(clipPath);
    if (extension.compare(kAviExtension, Qt::CaseInsensitive) != 0)
        return QString();
    return clipPath.left(clipPath.size() - extension.size()) + QStringLiteral(".dat");
}

QString ExportFolder(const QString &desktopPath, ExportKind kind, const QDateTime &localTime)
{
    QString root = desktopPath;
    while (root.size() > 1 && root.endsWith(QLatin1Char('/')))
        root.chop(1);
    if (!root.endsWith(QLatin1Char('/')))
        root += QLatin1Char('/');
    root += QLatin1String(kExportRootName) + QLatin1Char('/');

    const QDate date = localTime.date();
    const QTime time = localTime.time();
    const QString stamp = QString::asprintf("%d%02d%02d_%02d%02d", date.year(), date.month(),
                                            date.day(), time.hour(), time.minute());
    switch (kind) {
    case ExportKind::Copy:
        return root + stamp + QLatin1Char('/');
    case ExportKind::Events:
        return root + QStringLiteral("Event ") + stamp + QLatin1Char('/');
    case ExportKind::Capture:
        break;
    }
    return root + QStringLiteral("Capture/");
}

QString ExportFolder(ExportKind kind, const QDateTime &localTime)
{
    return ExportFolder(GetDesktopPath(), kind, localTime);
}
