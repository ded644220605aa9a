#pragma once

#include <QWidget>

#include <memory>

class CVideoView;
class QPainter;

// What the video view draws: the media engine's newest picture, supplied by the playback side.
// The view calls it on the user-interface thread only; the source wakes the view when a new
// picture has arrived (with a queued call of CVideoView::FrameArrived, from any thread).
class CVideoFrameSource
{
public:
    virtual ~CVideoFrameSource() = default;

    // Draws the newest picture into the whole of `area` (black where the picture does not
    // cover it) and returns the serial number of the picture drawn, or 0 when there is none
    // (the area is then left for the view to fill).
    virtual quint64 PaintFrame(QPainter &painter, const QRect &area) = 0;

    // The part of `area` a new picture needs repainted (the whole area unless the source knows
    // better).
    virtual QRect DirtyRect(const QRect &area) { return area; }

    // The view to wake on new pictures; nullptr detaches it. Called by the view itself.
    virtual void SetView(CVideoView *view) = 0;
};

// The surface the media engine's pictures are drawn on (the video child of CPlayWnd): black
// until a picture source is set and has a picture.
class CVideoView : public QWidget
{
    Q_OBJECT
public:
    explicit CVideoView(QWidget *parent = nullptr);
    ~CVideoView() override;

    void SetFrameSource(std::shared_ptr<CVideoFrameSource> source);
    CVideoFrameSource *FrameSource() const { return m_source.get(); }

    // How many different pictures have been painted since the view was made.
    quint64 PaintedFrames() const { return m_paintedFrames; }

    // Asks for a repaint with the newest picture; safe to queue from the engine's threads.
    Q_INVOKABLE void FrameArrived();

    bool eventFilter(QObject *watched, QEvent *event) override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    std::shared_ptr<CVideoFrameSource> m_source;
    quint64 m_lastSerial = 0;
    quint64 m_paintedFrames = 0;
};
