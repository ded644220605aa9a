#include "SkinPainter.h"

#include "SkinGroups.h"

QList<int> SkinPackIds()
{
    QList<int> ids;
    const int ranges[][2] = {{3000, 3027}, {3100, 3148}, {3200, 3206},
                             {3300, 3321}, {3400, 3417}, {3500, 3502}};
    for (const auto &r : ranges)
        for (int id = r[0]; id <= r[1]; ++id)
            ids.append(id);
    return ids;
}

QImage PaintSkinImage(int id)
{
    using Painter = QImage (*)(int);
    // The options dialog's tabs share the frame's range; their painter answers them first.
    for (Painter paint :
         {PaintDialogImage, PaintFrameImage, PaintButtonImage, PaintReadoutImage, PaintListImage}) {
        QImage image = paint(id);
        if (!image.isNull())
            return image;
    }
    return {};
}

QImage PaintApplicationIcon(int size)
{
    return PaintAppIcon(size);
}
