#include "FormatRules.h"

#include "DriveUtils.h"

#include <QRegularExpression>
#include <QtEndian>

#include <algorithm>

QString FormatToolOption(qint64 totalBytes)
{
    return totalBytes > 5000000000LL ? QStringLiteral("-c128") : QStringLiteral("-c64");
}

bool IsFormatToolSuccess(const QByteArray &output)
{
    return output == QByteArray(kFormatToolSuccess);
}

QStringList FormatToolArguments(qint64 totalBytes, const QString &volume, const QString &label,
                                const QString &deviceNumber, const QString &diskseq)
{
    QStringList arguments{FormatToolOption(totalBytes)};
    if (!label.isEmpty())
        arguments << QStringLiteral("-n") << label;
    if (!deviceNumber.isEmpty())
        arguments << QStringLiteral("-d") << deviceNumber;
    if (!diskseq.isEmpty())
        arguments << QStringLiteral("-q") << diskseq;
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
        } else if (argument == QLatin1String("-d")) {
            static const QRegularExpression number(QStringLiteral("^[0-9]+:[0-9]+$"));
            if (i + 1 >= arguments.size() || !number.match(arguments[i + 1]).hasMatch())
                return fail(QStringLiteral("The option -d needs a device number (major:minor)."));
            request.deviceNumber = arguments[++i];
        } else if (argument == QLatin1String("-q")) {
            static const QRegularExpression number(QStringLiteral("^[0-9]+$"));
            if (i + 1 >= arguments.size() || !number.match(arguments[i + 1]).hasMatch())
                return fail(QStringLiteral("The option -q needs a disk sequence number."));
            request.diskseq = arguments[++i];
        } else if (argument.startsWith(QLatin1Char('-'))) {
            return fail(QStringLiteral("Unknown option %1.").arg(argument));
        } else {
            if (!request.volume.isEmpty())
                return fail(QStringLiteral("Only one volume can be formatted at a time."));
            request.volume = argument;
        }
    }
    if (request.sectorsPerCluster == 0 || request.volume.isEmpty())
        return fail(QStringLiteral(
            "Usage: ZLMFormat -c64|-c128 [-n LABEL] [-d MAJOR:MINOR [-q DISKSEQ]] VOLUME"));
    if (!request.diskseq.isEmpty() && request.deviceNumber.isEmpty())
        return fail(QStringLiteral("The option -q needs the option -d."));
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

QString FormattedBootSectorProblem(const QByteArray &bootSector, int sectorsPerCluster)
{
    if (bootSector.size() < 512 || uchar(bootSector[510]) != 0x55 || uchar(bootSector[511]) != 0xAA)
        return QStringLiteral("The card holds no file system after the format.");
    const auto word = [&](int at) {
        return qFromLittleEndian<quint16>(bootSector.constData() + at);
    };
    const auto dword = [&](int at) {
        return qFromLittleEndian<quint32>(bootSector.constData() + at);
    };
    // FAT32: no fixed root folder, no 16-bit FAT size, a 32-bit one, and its type text.
    const bool fat32 = word(0x11) == 0 && word(0x16) == 0 && dword(0x24) != 0 &&
                       bootSector.mid(0x52, 8) == "FAT32   ";
    if (!fat32 || word(0x0B) != 512)
        return QStringLiteral("The card was not formatted as FAT32 with 512-byte sectors, as "
                              "the camera needs.");
    const int got = uchar(bootSector[0x0D]);
    if (got != sectorsPerCluster)
        return QStringLiteral("The card was formatted with clusters of %1 KiB instead of the "
                              "%2 KiB the camera needs.")
            .arg(got / 2.0)
            .arg(sectorsPerCluster / 2);
    return QString();
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

QString SettingsNotKeptText(const QString &backup)
{
    return QStringLiteral("The camera's settings file could not be kept in\n%1.\n"
                          "The card is not formatted, so that the file is not lost.")
        .arg(backup);
}
