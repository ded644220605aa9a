#pragma once

#include <QWidget>

// The surface the media engine's pictures are drawn on (the video child of CPlayWnd).
class CVideoView : public QWidget
{
    Q_OBJECT
public:
    explicit CVideoView(QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;
};
