#pragma once

#include <QImage>
#include <QList>

// Draws the pictures of the skin pack. Each id of the skin image set gets one picture; three-frame
// strips hold normal, hover and pressed side by side; exact magenta marks transparent pixels
// (the kind icons and the application icon carry a real alpha channel instead).
QImage PaintSkinImage(int id);

// Every id the pack holds: the five bitmap ranges, then the kind icons 3500-3502.
QList<int> SkinPackIds();

// The application's own icon (id 128) with alpha, size x size (128 by default).
QImage PaintApplicationIcon(int size = 128);
