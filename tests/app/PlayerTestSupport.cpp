#include "PlayerTestSupport.h"

#include "DriveDataWriter.h"
#include "PlayerLayout.h"
#include "RecordingNames.h"
#include "TestSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>

#include <algorithm>

namespace {

QString StemOf(const QString &fileName)
{
    return RecordingStem(fileName);
}

void SortByStem(QStringList &names)
{
    std::stable_sort(names.begin(), names.end(),
                     [](const QString &a, const QString &b) { return StemOf(a) < StemOf(b); });
}

QString DataNameOf(const QString &clipName)
{
    QString name = clipName;
    name.replace(name.size() - 4, 4, QStringLiteral(".dat"));
    return name;
}

} // namespace

const DemoCard &SharedDemoCard()
{
    static QTemporaryDir dir;
    static DemoCard card = [] {
        DemoCard made;
        if (!dir.isValid()) {
            made.error = QStringLiteral("no temporary folder");
            return made;
        }
        QProcess tool;
        tool.setProcessChannelMode(QProcess::MergedChannels);
        tool.start(BinDir() + QStringLiteral("/rx9democard"),
                   {QStringLiteral("--clips-per-kind"), QStringLiteral("2"),
                    QStringLiteral("--seconds"), QStringLiteral("4"), QStringLiteral("--width"),
                    QStringLiteral("640"), QStringLiteral("--height"), QStringLiteral("360"),
                    QStringLiteral("--quiet"), dir.path()});
        if (!tool.waitForFinished(600000) || tool.exitCode() != 0) {
            made.error =
                QStringLiteral("rx9democard failed: ") + QString::fromLocal8Bit(tool.readAll());
            return made;
        }
        made.folder = dir.path() + QLatin1Char('/');
        made.clips = QDir(dir.path()).entryList({QStringLiteral("*.avi")}, QDir::Files);
        SortByStem(made.clips);
        if (made.clips.size() != 6)
            made.error = QStringLiteral("the demo card has %1 clips").arg(made.clips.size());
        return made;
    }();
    return card;
}

CClipFolder::CClipFolder(const QList<int> &indexes, bool withSettings)
{
    const DemoCard &card = SharedDemoCard();
    if (!card.ok() || !m_dir.isValid()) {
        m_ok = false;
        return;
    }
    for (int index : indexes) {
        const QString name = card.clips.value(index);
        m_ok = m_ok && !name.isEmpty() && QFile::copy(card.folder + name, m_dir.filePath(name)) &&
               QFile::copy(card.folder + DataNameOf(name), m_dir.filePath(DataNameOf(name)));
        m_names << name;
    }
    if (withSettings) {
        m_ok = m_ok && QDir(m_dir.path()).mkdir(QStringLiteral("Setup")) &&
               QFile::copy(card.folder + QStringLiteral("Setup/setup.bin"),
                           m_dir.filePath(QStringLiteral("Setup/setup.bin")));
    }
    SortByStem(m_names);
}

QString CClipFolder::Stem(int row) const
{
    return StemOf(m_names.value(row));
}

QString CClipFolder::FileName(int row) const
{
    return m_names.value(row);
}

void CClipFolder::AddNotAvi(const QString &fileName)
{
    QFile file(m_dir.filePath(fileName));
    m_ok = m_ok && file.open(QIODevice::WriteOnly) &&
           file.write("This is a text file, not a video.\n") > 0;
    m_names << fileName;
    SortByStem(m_names);
}

bool CClipFolder::WriteDriveData(int row, const QList<bool> &fixes, int speedKmh, double longitude,
                                 double latitude)
{
    std::vector<SensorSample> sensors(40);
    for (size_t i = 0; i < sensors.size(); ++i)
        sensors[i].channel1 = int(i % 7) * 10;
    std::vector<GpsSample> gps;
    for (bool fix : fixes) {
        GpsSample sample;
        sample.fix = fix ? 1 : 0;
        sample.latitude = fix ? EncodeCoordinate(latitude) : 0;
        sample.longitude = fix ? EncodeCoordinate(longitude) : 0;
        sample.speed = fix ? EncodeSpeedKmh(speedKmh) : 0;
        gps.push_back(sample);
    }
    return WriteDriveDataFile(m_dir.filePath(DataNameOf(FileName(row))), sensors, gps);
}

bool CClipFolder::WriteDriveDataBySecond(int row, int seconds)
{
    std::vector<GpsSample> gps(size_t(std::max(seconds, 0)));
    for (int s = 0; s < seconds; ++s) {
        gps[size_t(s)].fix = 1;
        gps[size_t(s)].latitude = EncodeCoordinate(37.5);
        gps[size_t(s)].longitude = EncodeCoordinate(127.0 + s / 1000.0);
        gps[size_t(s)].speed = EncodeSpeedKmh(10 * (s + 1));
    }
    // One knock, three quarters into the readings.
    std::vector<SensorSample> sensors(40);
    sensors[30].channel1 = 500;
    return WriteDriveDataFile(m_dir.filePath(DataNameOf(FileName(row))), sensors, gps);
}

CTestPlayer::CTestPlayer()
    : CRX9VantoraPCPlayerDlg(nullptr, {QStringLiteral("--aout=dummy")})
{
    systemInfoSource = [] { return SystemInfo{4, 8ull << 30}; };
    showMessage = [this](int id, const QString &text) { messages.append({id, text}); };
    SetDesktopPath(desktop.path());
    QObject::connect(&Playback(), &CPlaybackController::TimeChanged, this,
                     [this](qint64 timeMs) { times << timeMs; });
    AttachEngine();
    show();
    ResizeClient(QSize(1280, 800));
}

QList<int> CTestPlayer::MessageIds() const
{
    QList<int> ids;
    for (const Message &message : messages)
        ids << message.id;
    return ids;
}

void CTestPlayer::Post(int code, qint64 value, std::any record)
{
    PostUserMessage(this, code, value, std::move(record));
    QCoreApplication::sendPostedEvents(this, CUserMessage::EventType());
}

bool CTestPlayer::LoadAndPlay(const QString &folder)
{
    chooseFolder = [folder](const QString &) { return std::optional<QString>(folder); };
    times.clear();
    Press(ids::kFolder);
    return WaitForTime();
}

bool CTestPlayer::WaitForTime(qint64 atLeastMs)
{
    const int before = int(times.size());
    return WaitUntil([&] { return times.size() > before && times.last() >= atLeastMs; },
                     std::chrono::seconds(60));
}

QString CTestPlayer::PositionText() const
{
    const auto &d = State().timeDigits;
    return QStringLiteral("%1%2:%3%4").arg(d[0]).arg(d[1]).arg(d[2]).arg(d[3]);
}

QString CTestPlayer::LengthText() const
{
    const auto &d = State().timeDigits;
    return QStringLiteral("%1%2:%3%4").arg(d[4]).arg(d[5]).arg(d[6]).arg(d[7]);
}
