#pragma once

#include <QWidget>

#include <vector>

// The trip timeline's track: a thin strip under the sensor graph spanning the whole trip, with
// its recordings as blocks (the current one lighter), its shocks as marks and a cursor at the
// play position. Pressing and dragging moves the cursor; releasing asks to seek there.
class CTripBar : public QWidget
{
    Q_OBJECT
public:
    struct Span
    {
        qint64 startMs = 0;
        qint64 endMs = 0;
        bool current = false;
    };

    explicit CTripBar(QWidget *parent = nullptr);

    void SetTrip(qint64 lengthMs, std::vector<Span> spans, std::vector<qint64> shocksMs);
    void SetPosition(qint64 ms);
    qint64 Position() const { return m_positionMs; }
    qint64 LengthMs() const { return m_lengthMs; }
    const std::vector<qint64> &Shocks() const { return m_shocks; }
    bool IsDragging() const { return m_dragging; }
    // The x of a trip time on the track and back (the track is the whole width).
    int XAt(qint64 ms) const;
    qint64 MsAt(int x) const;

    static constexpr int kHeight = 12;
    static constexpr int kMinHeight = 5;
    static QColor ShockColor() { return QColor(255, 255, 255); }
    static QColor CursorColor() { return QColor(255, 157, 33); }

signals:
    void SeekRequested(qint64 tripMs);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    qint64 m_lengthMs = 0;
    qint64 m_positionMs = 0;
    std::vector<Span> m_spans;
    std::vector<qint64> m_shocks;
    bool m_dragging = false;
};
