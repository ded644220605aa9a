#include "DataParser.h"

#include "FileNameBytes.h"
#include "RecordingNames.h"
#include "NotificationCodes.h"
#include "SensorGraph.h"
#include "Shocks.h"
#include "StringTable.h"
#include "UserMessage.h"

#include <QApplication>
#include <QFile>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>

#include <filesystem>
#include <system_error>

namespace {

// Drive-data files of ordinary clips fit in this; a larger read buffer is not kept.
constexpr qint64 kKeptBufferBytes = 2 * 1024 * 1024;

void ShowStandardMessage(QWidget *parent, const QString &text)
{
    QMessageBox box(QMessageBox::Warning, QApplication::applicationDisplayName(), text,
                    QMessageBox::Ok, parent ? parent->window() : nullptr);
    box.setAccessibleName(text);
    box.exec();
}

} // namespace

CDataParser::CDataParser(QWidget *parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent); // paints every pixel itself
    setAccessibleName(tr("Sensor graph"));
    m_messageHandler = [this](int, const QString &text) { ShowStandardMessage(this, text); };
}

CDataParser::~CDataParser() = default;

void CDataParser::SetMessageHandler(MessageHandler handler)
{
    m_messageHandler = std::move(handler);
}

void CDataParser::SetNotifyTarget(QObject *target)
{
    m_notifyTarget = target;
}

void CDataParser::ResetData()
{
    // Emptied, keeping the memory for the next clip's samples.
    m_data.loaded = false;
    m_data.sensors.clear();
    m_data.gps.clear();
    if (m_data.sensors.capacity() * sizeof(SensorSample) > size_t(kKeptBufferBytes))
        m_data.sensors.shrink_to_fit();
    m_data.scaleTop = m_data.scaleBottom = 0;
    m_shocks.clear();
    InvalidateLines();
}

bool CDataParser::LoadDriveData(const QString &clipPath)
{
    ResetData();
    m_durationMs = 0;
    m_positionMs = 0;
    m_cursorX = 0;
    update();

    // A path that is no clip (no ".avi" extension) is taken as the drive-data file itself.
    QString path = DriveDataPath(clipPath);
    if (path.isEmpty())
        path = clipPath;
    std::error_code error;
    const std::filesystem::file_status status =
        std::filesystem::symlink_status(FileSystemPath(path), error);
    if (!std::filesystem::exists(status))
        return false;
    // A folder, link, pipe or device named like the drive-data file is no drive data; reading
    // a pipe could block the player for good. (The open below checks again.)
    if (!std::filesystem::is_regular_file(status)) {
        if (m_messageHandler)
            m_messageHandler(kDamagedDataMessage, LoadResString(kDamagedDataMessage));
        return false;
    }
    QFile file;
    if (!OpenFileForReading(file, path))
        return false;
    const qint64 size = file.size();
    if (size > kDriveDataMaxFileBytes)
        return false; // not a drive-data file; not worth reading
    // One read into one buffer, kept between loads unless it grew unusually large.
    m_fileBuffer.resize(size);
    const qint64 got = size > 0 ? file.read(m_fileBuffer.data(), size) : 0;
    file.close();
    bool loaded = false;
    if (got >= 0)
        loaded = ParseDriveDataInto(QByteArrayView(m_fileBuffer.constData(), got), m_data);
    if (m_fileBuffer.capacity() > kKeptBufferBytes)
        m_fileBuffer = QByteArray();
    if (!loaded) {
        // Samples of a file without GPS block are of no use to anybody.
        ResetData();
        return false;
    }
    const int perSecond = m_data.gps.empty() ? 0 : int(m_data.sensors.size() / m_data.gps.size());
    m_shocks = FindShocks(m_data.sensors, perSecond);
    InvalidateLines();
    update();
    return true;
}

QList<int> CDataParser::ShockTimesMs() const
{
    QList<int> times;
    if (!m_data.loaded || m_durationMs <= 0)
        return times;
    for (const int reading : m_shocks)
        times << ShockTimeMs(reading, SensorCount(), m_durationMs);
    return times;
}

GpsReading CDataParser::GetGpsAt(int second) const
{
    return GpsReadingAt(m_data, second);
}

bool CDataParser::GetGpsAt(int second, int *speedKmh, double *latitude, double *longitude) const
{
    const GpsReading reading = GpsReadingAt(m_data, second);
    if (speedKmh)
        *speedKmh = reading.speedKmh;
    if (latitude)
        *latitude = reading.latitude;
    if (longitude)
        *longitude = reading.longitude;
    return reading.fix;
}

void CDataParser::SetDuration(int durationMs)
{
    if (durationMs < 0)
        return;
    m_durationMs = durationMs;
    if (m_clipOpen && m_positionMs >= 0 && m_positionMs <= m_durationMs)
        m_cursorX = GraphCursorX(width(), m_positionMs, m_durationMs);
    update();
}

void CDataParser::SetClipOpen(bool open)
{
    m_clipOpen = open;
}

void CDataParser::ClearGraph()
{
    m_clipOpen = false;
    m_data.loaded = false;
    m_cursorX = 0;
    m_mouseHeld = false;
    InvalidateLines();
    update();
}

void CDataParser::SetPlayPosition(int timeMs)
{
    if (!m_clipOpen || timeMs < 0 || timeMs > m_durationMs)
        return;
    m_positionMs = timeMs;
    const int x = GraphCursorX(width(), timeMs, m_durationMs);
    if (x == m_cursorX)
        return;
    // Only the old and the new bar need repainting.
    const QRect old = GraphCursorRect(m_cursorX, height());
    m_cursorX = x;
    update(old.united(GraphCursorRect(m_cursorX, height())));
}

void CDataParser::InvalidateLines()
{
    m_layer = QImage();
}

// Frame, centre line and the three channels over a transparent background, drawn once per size,
// data and screen scale: a cursor move only blits it again.
const QImage &CDataParser::Layer()
{
    const qreal dpr = devicePixelRatioF();
    if (!m_layer.isNull() && m_layer.deviceIndependentSize().toSize() == size() &&
        m_layer.devicePixelRatio() == dpr)
        return m_layer;
    const int w = width();
    const int h = height();
    m_layer = QImage((QSizeF(size()) * dpr).toSize(), QImage::Format_ARGB32_Premultiplied);
    m_layer.setDevicePixelRatio(dpr);
    m_layer.fill(Qt::transparent);
    if (m_layer.isNull())
        return m_layer;
    QPainter painter(&m_layer);
    painter.setPen(QPen(FrameColor(), 1));
    painter.setBrush(Qt::NoBrush);
    const QPoint corners[4] = {QPoint(0, 0), QPoint(0, h - 1), QPoint(w - 1, h - 1),
                               QPoint(w - 1, 0)};
    painter.drawPolygon(corners, 4);
    painter.drawLine(0, h / 2, w - 1, h / 2);
    if (m_data.loaded) {
        const auto lines =
            SensorGraphLines(m_data.sensors, m_data.scaleTop, m_data.scaleBottom, w, h);
        const auto colors = ChannelColors();
        for (size_t c = 0; c < 3; ++c) {
            painter.setPen(QPen(colors[c], 1));
            painter.drawLines(lines[c]);
        }
        // Shock marks: a small triangle pointing down at the top edge.
        painter.setRenderHint(QPainter::Antialiasing, false);
        painter.setPen(Qt::NoPen);
        painter.setBrush(ShockMarkColor());
        for (const QPolygon &mark : ShockMarks(m_shocks, SensorCount(), w))
            painter.drawPolygon(mark);
    }
    return m_layer;
}

void CDataParser::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    painter.setClipRegion(event->region());
    // Black, the cursor bar under everything, then frame and lines.
    painter.fillRect(rect(), Qt::black);
    painter.fillRect(GraphCursorRect(m_cursorX, height()), CursorColor());
    painter.drawImage(QPoint(0, 0), Layer()); // clipped to the dirty region
}

void CDataParser::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    if (m_clipOpen && m_positionMs >= 0 && m_positionMs <= m_durationMs)
        m_cursorX = GraphCursorX(width(), m_positionMs, m_durationMs);
    else
        m_cursorX = 0;
    update();
}

void CDataParser::SeekToColumn(int x)
{
    m_cursorX = x;
    m_positionMs = GraphTimeForX(x, width(), m_durationMs);
    QObject *target = m_notifyTarget ? m_notifyTarget.data() : parent();
    PostUserMessage(target, notify::kSeek, m_positionMs);
    update();
}

void CDataParser::mousePressEvent(QMouseEvent *event)
{
    if (!m_clipOpen || event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    // Qt keeps sending moves and the release here while the button is held (implicit grab).
    m_mouseHeld = true;
    SeekToColumn(event->position().toPoint().x());
}

void CDataParser::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_mouseHeld || !m_clipOpen) {
        QWidget::mouseMoveEvent(event);
        return;
    }
    SeekToColumn(event->position().toPoint().x());
}

void CDataParser::mouseReleaseEvent(QMouseEvent *event)
{
    if (!m_clipOpen || event->button() != Qt::LeftButton) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    m_mouseHeld = false;
    SeekToColumn(event->position().toPoint().x());
}
