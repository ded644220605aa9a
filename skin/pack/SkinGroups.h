#pragma once

// The groups of the skin pack. Each painter answers the ids of its group and gives a null
// image for any other id.

#include <QImage>

QImage PaintFrameImage(int id);   // 3000-3013: dialog frame pieces, caption buttons, logo, badge
QImage PaintButtonImage(int id);  // 3100-3148: buttons, icons, radios, play-speed items
QImage PaintReadoutImage(int id); // 3303-3317, 3321: time digits, GPS indicator, speed panels
QImage PaintListImage(int id);    // 3400-3417, 3500-3502: list header, captions, kind icons
QImage PaintDialogImage(int id);  // 3014-3027, 3200-3206, 3300-3302, 3318-3320: dialog pieces

// The application's own icon (id 128), with a real alpha channel.
QImage PaintAppIcon(int size);
