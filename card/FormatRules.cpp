#include "FormatRules.h"

#include "DriveUtils.h"

#include <algorithm>

QString FormatToolOption(qint64 totalBytes)
{
    return totalBytes > 5000000000LL ? QStringLiteral("-c128") : QStringLiteral("-c64");
}

bool IsFormatToolSuccess(const QByteArray &output)
{
    return output == QByteArray(kFormatToolSuccess);
}

QStringList FormatToolArguments(qint64 totalBytes, const QString &volume, const QString &label)
{
    QStringList arguments{FormatToolOption(totalBytes)};
    if (!label.isEmpty())
        arguments << QStringLiteral("-n") << label;
    arguments << volume;
    return arguments;
}

std::optional<FormatToolRequest> ParseFormatToolArguments(const QStringList &arguments,
                                                          QString *error)
{
    auto fail = [error](const QString &why) {
        if (error)
            *error = why;
        return std::nullopt;
    };
    FormatToolRequest request;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &argument = arguments[i];
        if (argument == QLatin1String("-c64") || argument == QLatin1String("-c128")) {
            if (request.sectorsPerCluster != 0)
                return fail(QStringLiteral("The cluster option is given twice."));
            request.sectorsPerCluster = argument == QLatin1String("-c64") ? 64 : 128;
        } else if (argument == QLatin1String("-n")) {
            if (i + 1 >= arguments.size())
                return fail(QStringLiteral("The option -n needs a volume label."));
            request.label = arguments[++i];
            request.labelGiven = true;
        } else if (argument.startsWith(QLatin1Char('-'))) {
            return fail(QStringLiteral("Unknown option %1.").arg(argument));
        } else {
            if (!request.volume.isEmpty())
                return fail(QStringLiteral("Only one volume can be formatted at a time."));
            request.volume = argument;
        }
    }
    if (request.sectorsPerCluster == 0 || request.volume.isEmpty())
        return fail(QStringLiteral("Usage: ZLMFormat -c64|-c128 [-n LABEL] VOLUME"));
    return request;
}

QString FatVolumeLabel(const QByteArray &bootSector)
{
    if (bootSector.size() < 512 || uchar(bootSector[510]) != 0x55 || uchar(bootSector[511]) != 0xAA)
        return QString();
    // FAT32 keeps its extended boot record at 0x40, FAT12/16 at 0x24; a signature byte 0x29
    // says the label field is there.
    qsizetype labelAt = -1;
    if (bootSector.mid(0x52, 5) == "FAT32" && uchar(bootSector[0x42]) == 0x29)
        labelAt = 0x47;
    else if (uchar(bootSector[0x26]) == 0x29)
        labelAt = 0x2B;
    if (labelAt < 0)
        return QString();
    const QString label = QString::fromLatin1(bootSector.mid(labelAt, 11)).trimmed();
    return label == QLatin1String("NO NAME") ? QString() : label;
}

QString SanitiseFatLabel(const QString &label)
{
    static const QString forbidden = QStringLiteral("\"*+,./:;<=>?[\\]|");
    QString out;
    for (const QChar c : label) {
        if (c.unicode() < 0x20 || c.unicode() > 0x7E || forbidden.contains(c))
            continue;
        out += c.toUpper();
    }
    out = out.left(11).trimmed();
    return out;
}

QStringList MkfsFatArguments(const FormatToolRequest &request, const QString &target)
{
    QStringList arguments{QStringLiteral("-F"), QStringLiteral("32"),
                          QStringLiteral("-S"), QStringLiteral("512"),
                          QStringLiteral("-s"), QString::number(request.sectorsPerCluster),
                          QStringLiteral("-I")};
    const QString label = SanitiseFatLabel(request.label);
    if (!label.isEmpty())
        arguments << QStringLiteral("-n") << label;
    arguments << target;
    return arguments;
}

ZeroFillProgress::ZeroFillProgress(qint64 volumeBytes)
    : m_volume(std::max<qint64>(volumeBytes, 0))
{}

qint64 ZeroFillProgress::NextChunk() const
{
    return std::min(kChunkBytes, m_volume - m_written);
}

int ZeroFillProgress::Add(qint64 bytes)
{
    if (bytes > 0 && m_volume > 0) {
        m_written = std::min(m_volume, m_written + bytes);
        // Whole percents only: 100 means every byte is written.
        m_percent = int(m_written * 100 / m_volume);
    }
    return m_percent;
}

QString CardSettingsPath(const QString &cardRoot)
{
    return DriveRoot(cardRoot) + QStringLiteral("Setup/setup.bin");
}

QString SettingsBackupPath(const QString &desktopPath)
{
    return desktopPath + QStringLiteral("/HD-VANTORA/Setup/setup.bin");
}
