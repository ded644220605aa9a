#pragma once

#include <QColor>
#include <QFont>
#include <QString>
#include <QWidget>

// A progress bar with its percentage written across it: the filled part shows the text in the
// background colour on the bar colour, the rest in the bar colour on the background colour,
// the text changing colour exactly at the fill edge.
class CProgress : public QWidget
{
    Q_OBJECT
public:
    explicit CProgress(QWidget *parent = nullptr);

    void SetPos(int value);
    void SetMaximum(int maximum) { m_maximum = maximum; }

    int Pos() const { return m_pos; }
    int Maximum() const { return m_maximum; }
    QString Text() const { return m_text; }
    int FilledWidth() const { return m_filled; }

    static QColor BackgroundColour() { return QColor(255, 255, 255); }
    static QColor BarColour() { return QColor(255, 0, 0); }

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    int m_maximum = 100;
    int m_pos = 0;
    int m_filled = 0;
    QString m_text;
    QFont m_font;
};
