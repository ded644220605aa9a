#pragma once

// Drawing helpers shared by the groups of the skin pack: canvases in the pack's form (opaque,
// exact magenta for transparent pixels), antialiased layers flattened onto a matte colour,
// three-frame strips and the common button face.

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QRectF>
#include <QSize>

#include <functional>

namespace SkinKit {

// The three looks of a strip, left to right.
enum class Look { Normal = 0, Hover = 1, Pressed = 2 };

// An opaque canvas filled with one colour (magenta by default: fully transparent).
QImage Canvas(QSize size, const QColor &fill);
QImage Canvas(QSize size);

// A fully transparent ARGB layer for antialiased drawing.
QImage Layer(QSize size);

// Turns a layer into the pack's form: pixels at least `threshold` opaque are composited onto
// `matte` and become opaque, the rest become exact magenta. The matte is the colour the
// picture will be drawn on, so antialiased edges blend into it without a pink fringe.
QImage Flatten(const QImage &layer, const QColor &matte, int threshold = 90);

// The same with a matte that changes from row to row (pictures drawn on a shaded bar).
using RowColour = std::function<QColor(int y)>;
QImage Flatten(const QImage &layer, const RowColour &matteAtRow, int threshold = 90);

// A painter with antialiasing for shapes and text.
void Smooth(QPainter &p);

// "Arial" (Liberation Sans here) at a pixel size.
QFont Arial(int pixelSize, int weight = QFont::Normal);

// Builds a three-frame strip (normal, hover, pressed) from a painter of one frame: each frame
// is drawn on a transparent layer, then the strip is flattened onto the matte.
using FramePainter = std::function<void(QPainter &, const QRectF &, Look)>;
QImage Strip(QSize frame, const FramePainter &paintFrame, const QColor &matte);

// The same for opaque strips whose frames paint their own background.
QImage OpaqueStrip(QSize frame, const QColor &background, const FramePainter &paintFrame);

// The face of a push button in one look: a rounded, gently shaded plate. A primary face is
// drawn in the accent colour (OK, Yes).
enum class Face { Neutral, Primary, Danger };
void ButtonFace(QPainter &p, const QRectF &rect, Look look, Face face = Face::Neutral,
                qreal radius = 4.0);

// The colour a glyph on a button face takes in a look.
QColor GlyphColour(Look look);

// The colour of the middle of a neutral face, the matte for icons centred on it.
QColor FaceMatte();

// Text centred in a rectangle, shrunk until it fits the width.
void FitText(QPainter &p, const QRectF &rect, const QString &text, int pixelSize, int weight,
             const QColor &colour, int flags = Qt::AlignCenter);

} // namespace SkinKit
