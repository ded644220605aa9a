#include "DropListWnd.h"

#include "PlaybackRules.h"
#include "SkinImages.h"

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QStyledItemDelegate>

#include <algorithm>

namespace {
constexpr int kImageRole = Qt::UserRole + 1;
} // namespace

// ---------------------------------------------------------------------------------------------
// Geometry

CDropListLayout::CDropListLayout(QSize rowSize, int itemCount, int listHeight)
    : m_rowSize(rowSize)
    , m_itemCount(itemCount)
    , m_listHeight(listHeight)
{}

QRect CDropListLayout::RowRect(int row) const
{
    return {1, 1 + row * (m_rowSize.height() + 1), m_rowSize.width(), m_rowSize.height()};
}

int CDropListLayout::HoverRowAt(int y, int previousRow) const
{
    if (y == 0)
        return 0;
    if (y == m_listHeight)
        return m_itemCount;
    const int pitch = m_rowSize.height() + 1;
    for (int i = 0; i < m_itemCount; ++i) {
        if (1 + i * pitch <= y && y < (i + 1) * pitch)
            return i + 1;
    }
    return previousRow;
}

int CDropListLayout::RowAtPoint(QPoint p) const
{
    for (int i = 0; i < m_itemCount; ++i) {
        if (RowRect(i).contains(p))
            return i + 1;
    }
    return 0;
}

bool CDropListLayout::Contains(QSize listSize, QPoint p)
{
    return QRect(QPoint(0, 0), listSize).contains(p);
}

QPoint DropListPosition(const QRect &anchor, QSize listSize, const QRect &screen)
{
    int x = anchor.left() - 1;
    int y = anchor.top() - listSize.height();
    if (screen.isValid()) {
        if (y < screen.top())
            y = anchor.bottom() + 1;
        x = std::max(screen.left(), std::min(x, screen.right() + 1 - listSize.width()));
    }
    return {x, y};
}

// ---------------------------------------------------------------------------------------------
// Drawing: each row the normal frame of the strip (the hover frame for the current row) with
// the row's image on it, at the size of the first item's image. The view holds each row with
// the line below it; the lines, and the ones around the rows, are the list's black background.

namespace {

class CSpeedRowDelegate : public QStyledItemDelegate
{
public:
    explicit CSpeedRowDelegate(CDropListWnd *list)
        : QStyledItemDelegate(list)
        , m_list(list)
    {}

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override
    {
        const QRect row(option.rect.topLeft(), rowSize());
        const SkinImage &strip = CSkinImages::Get(CDropListWnd::kBackgroundStrip);
        // The strip is stretched pixel for pixel, as every skin picture is.
        painter->setRenderHint(QPainter::SmoothPixmapTransform, false);
        if (!strip.isNull()) {
            const int frameWidth = StripFrameWidth(strip.width);
            const bool hover = option.state & QStyle::State_Selected;
            painter->drawPixmap(row, strip.pixmap,
                                QRect(hover ? frameWidth : 0, 0, frameWidth, strip.height));
        }
        const SkinImage &image = CSkinImages::Get(index.data(kImageRole).toInt());
        if (!image.isNull())
            painter->drawPixmap(row.topLeft(), image.pixmap);
    }

    QSize sizeHint(const QStyleOptionViewItem &, const QModelIndex &) const override
    {
        return rowSize() + QSize(0, 1);
    }

private:
    QSize rowSize() const
    {
        const int first = m_list->ItemImage(0);
        return {CSkinImages::Width(first), CSkinImages::Height(first)};
    }

    CDropListWnd *m_list;
};

} // namespace

// ---------------------------------------------------------------------------------------------
// The list window

CDropListWnd::CDropListWnd(QWidget *parent)
    : CPopupList(parent)
{
    setItemDelegate(new CSpeedRowDelegate(this));
    // Rows one pixel apart and one pixel inside the window, on black.
    setFrameShape(QFrame::NoFrame);
    setViewportMargins(1, 1, 1, 0);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    QPalette colours = palette();
    colours.setColor(QPalette::Base, Qt::black);
    colours.setColor(QPalette::Window, Qt::black);
    setPalette(colours);
    SetHoverRule([this](QPoint point, int current) {
        return Layout().HoverRowAt(viewport()->mapToParent(point).y(), current);
    });
    setAccessibleName(QStringLiteral("Play Speed"));
    setAccessibleDescription(QStringLiteral("Choose how fast the recording plays"));
}

bool CDropListWnd::Create(QWidget *owner, int width, int height, int listId)
{
    SetOwner(owner, listId);
    m_width = std::max(width, 0);
    m_height = std::max(height, 0);
    hide();
    setParent(owner, Qt::Popup | Qt::FramelessWindowHint);
    setFixedSize(m_width, m_height);
    return true;
}

void CDropListWnd::AddItem(int imageId, const QString &accessibleText)
{
    QString text = accessibleText;
    if (text.isEmpty()) {
        const int speedItem = imageId - kPlaySpeedFirstImage + 1;
        text = PlaySpeedLabel(speedItem);
        if (text.isEmpty())
            text = QStringLiteral("Item %1").arg(count() + 1);
    }
    AddRow(text)->setData(kImageRole, imageId);
}

int CDropListWnd::ItemImage(int row) const
{
    const QListWidgetItem *it = item(row);
    return it ? it->data(kImageRole).toInt() : 0;
}

QString CDropListWnd::ItemText(int row) const
{
    const QListWidgetItem *it = item(row);
    return it ? it->text() : QString();
}

CDropListLayout CDropListWnd::Layout() const
{
    const int first = ItemImage(0);
    return CDropListLayout(QSize(CSkinImages::Width(first), CSkinImages::Height(first)),
                           ItemCount(), m_height);
}

void CDropListWnd::ShowAt(QPoint globalTopLeft)
{
    SetHoverRow(0);
    Popup(QRect(globalTopLeft, QSize(m_width, m_height)));
    SetHoverRow(0);
}

void CDropListWnd::ShowAbove(const QRect &anchorGlobal)
{
    QScreen *screen = QGuiApplication::screenAt(anchorGlobal.center());
    if (!screen && Owner())
        screen = Owner()->screen();
    const QRect available = screen ? screen->availableGeometry() : QRect();
    ShowAt(DropListPosition(anchorGlobal, ListSize(), available));
}
