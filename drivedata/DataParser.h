#pragma once

#include "DataParserCore.h"

#include <QColor>
#include <QImage>
#include <QLine>
#include <QList>
#include <QPointer>
#include <QSize>
#include <QWidget>

#include <array>
#include <functional>

// The sensor graph and the drive data of the open clip. Data side: loads the clip's drive-data
// file, keeps its samples and graph scale, and answers the GPS fix of a second. Window side: a
// strip with the three sensor channels of the whole clip and a cursor bar at the play time;
// pressing, dragging and releasing the left button posts notification 12 (value: the time in ms
// under the mouse) to the owner, which seeks there.
class CDataParser : public QWidget
{
    Q_OBJECT

public:
    // Notification posted to the owner with the time under the mouse.
    // "Damaged Data File! Unable to display GPS Data and Sensor Value."
    static constexpr int kDamagedDataMessage = 301;

    // Shows message `stringId` with text `text` to the user. The default is a standard message
    // box with an OK button; tests install their own.
    using MessageHandler = std::function<void(int stringId, const QString &text)>;

    explicit CDataParser(QWidget *parent = nullptr);
    ~CDataParser() override;

    // --- data side ---

    // Loads the drive-data file of a clip (DriveDataPath: the clip's ".avi" extension becomes
    // ".dat"; a path without that extension is used as it is). True when both blocks were read.
    // Clears the previous data, the duration and the position first. A missing, unreadable, too
    // large (over kDriveDataMaxFileBytes) or foreign file is passed over silently; one whose size
    // cannot be read (it is no regular file: a folder, FIFO, device or link) shows message 301.
    // The file is opened without following a link and without blocking (OpenFileForReading).
    bool LoadDriveData(const QString &clipPath);

    // The GPS fix of a second of the clip (time in ms / 1000). Returns the fix flag; speed in
    // km/h, latitude and longitude in degrees. Without drive data or fix: all 0 and false.
    bool GetGpsAt(int second, int *speedKmh, double *latitude, double *longitude) const;
    GpsReading GetGpsAt(int second) const;

    // The clip length the graph spans, once the media engine knows it. Negative values are
    // ignored.
    void SetDuration(int durationMs);
    int Duration() const { return m_durationMs; }

    // The main window's clip-open flag: positions and mouse input count only while it is set.
    void SetClipOpen(bool open);
    bool IsClipOpen() const { return m_clipOpen; }

    // Closing a clip: clears the clip-open and loaded flags, puts the cursor at 0, redraws.
    void ClearGraph();

    bool IsLoaded() const { return m_data.loaded; }
    const DriveData &Data() const { return m_data; }
    int SensorCount() const { return int(m_data.sensors.size()); }
    int GpsCount() const { return int(m_data.gps.size()); }
    int ScaleTop() const { return m_data.scaleTop; }
    int ScaleBottom() const { return m_data.scaleBottom; }

    // The readings at which shocks start (see Shocks.h), and their play times once the duration
    // is known (empty before). Marked on the graph with a small triangle at the top.
    const std::vector<int> &ShockReadings() const { return m_shocks; }
    QList<int> ShockTimesMs() const;
    static QColor ShockMarkColor() { return QColor(255, 255, 255); }

    void SetMessageHandler(MessageHandler handler);

    // --- window side ---

    // Moves the cursor to a play time; ignored while no clip is open, for negative times and for
    // times past the duration.
    void SetPlayPosition(int timeMs);
    int Position() const { return m_positionMs; }
    int CursorX() const { return m_cursorX; }
    bool IsMouseHeld() const { return m_mouseHeld; }

    // Where notification 12 goes; the parent widget when none was set.
    void SetNotifyTarget(QObject *target);

    static QColor FrameColor() { return QColor(152, 152, 152); }
    static QColor CursorColor() { return QColor(255, 157, 33); }
    static std::array<QColor, 3> ChannelColors()
    {
        return {QColor(200, 30, 30), QColor(30, 200, 30), QColor(30, 30, 200)};
    }

    QSize sizeHint() const override { return QSize(300, 60); }

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    void SeekToColumn(int x);
    void ResetData();
    void InvalidateLines();
    const QImage &Layer();

    DriveData m_data;
    std::vector<int> m_shocks;
    QByteArray m_fileBuffer;
    bool m_clipOpen = false;
    int m_durationMs = 60000;
    int m_positionMs = 0;
    int m_cursorX = 0;
    bool m_mouseHeld = false;
    MessageHandler m_messageHandler;
    QPointer<QObject> m_notifyTarget;

    // Frame, centre line and channel lines, rebuilt only when the size or the data change, so
    // that moving the cursor repaints from it.
    QImage m_layer;
};
