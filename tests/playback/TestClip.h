#pragma once

#include <QString>
#include <QStringList>

// Makes a clip with ffmpeg: `video` is a lavfi source ("testsrc2=size=320x240:rate=25"), with a
// sine tone as PCM sound, H.264 in whatever container the name's extension asks for.
// `encoder` adds to the encoder's options (["-bf", "0"]: no reordered pictures, as cameras write).
bool MakeTestClip(const QString &path, const QString &video, int seconds,
                  const QStringList &encoder = {});
