#pragma once

#include <QImage>
#include <QList>

// Draws the pictures of the skin pack. Each id of the skin image set gets one picture; three-frame
// strips hold normal, hover and pressed side by side; exact magenta marks transparent pixels.
QImage PaintSkinImage(int id);

// Every id the pack holds.
QList<int> SkinPackIds();
