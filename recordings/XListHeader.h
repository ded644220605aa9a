#pragma once

#include <QHeaderView>
#include <QList>
#include <QPixmap>

// The skinned head of a CXListCtrl: every column head is drawn from three segment images (left,
// middle, right) with a caption picture centred on it; one column can be drawn as a button
// (the recording list's kind filter), with a pressed look while the left button is held over
// it. Column titles are kept by the model but never drawn.
class CXListHeader : public QHeaderView
{
    Q_OBJECT
public:
    explicit CXListHeader(QWidget *parent = nullptr);

    // Caption pictures, one skin image id per column (white is transparent in them).
    void SetCaptionImages(const QList<int> &imageIds);
    void SetCaptionImage(int column, int imageId);
    int CaptionImageId(int column) const;
    int CaptionCount() const { return int(m_captions.size()); }

    // Replaces the first column's caption; does nothing while fewer than two captions are set.
    void SetFilterCaption(int imageId);

    void SetButtonColumn(int column);
    int ButtonColumn() const { return m_buttonColumn; }

    // Whether the head of `column` shows its pressed segments now.
    bool ShowsPressed(int column) const;
    bool IsMouseDown() const { return m_mouseDown; }

    int HeaderHeight() const { return m_height; }

    QSize sizeHint() const override;

    // Makes exact white pixels transparent (caption pictures use white as their background).
    static QPixmap KeyOutWhite(const QPixmap &pixmap);
    // The heads are painted only while there is at least one caption and no more captions
    // than heads; otherwise the header paints nothing.
    static bool PaintsHeads(qsizetype heads, qsizetype captions)
    {
        return captions >= 1 && heads >= captions;
    }

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;

private:
    struct Segments
    {
        QPixmap left;
        QPixmap middle;
        QPixmap right;
    };
    struct Caption
    {
        int imageId = 0;
        QPixmap pixmap;
    };

    static Segments loadSegments(int firstId);
    static void paintHead(QPainter &painter, const QRect &rect, const Segments &segments,
                          const QPixmap *caption);
    QRect headRect(int column) const;

    Segments m_normal;
    Segments m_button;
    Segments m_pressed;
    QList<Caption> m_captions;
    int m_buttonColumn = -1;
    bool m_mouseDown = false;
    QPoint m_mousePos;
    int m_height = 25;
};
