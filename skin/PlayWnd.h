#pragma once

#include <QWidget>

class CVideoView;

// The black container of the video. It holds one child, the video view, which the media engine's
// frames are drawn into: at the video's natural size and centred when the video is smaller than
// the window in both directions, otherwise filling the window (the picture is then fitted into
// it keeping its aspect ratio).
class CPlayWnd : public QWidget
{
    Q_OBJECT
public:
    explicit CPlayWnd(QWidget *parent = nullptr);

    // Records the video's pixel size and lays out the video child.
    void SetVideoSize(int width, int height);

    CVideoView *VideoChild() const { return m_video; }
    bool IsVideoSizeKnown() const { return m_sizeKnown; }

    // Where the video child goes inside a client area of the given size.
    static QRect VideoChildRect(QSize client, int videoWidth, int videoHeight);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void layoutVideo();

    CVideoView *m_video = nullptr;
    bool m_sizeKnown = false;
    int m_videoWidth = 0;
    int m_videoHeight = 0;
};
