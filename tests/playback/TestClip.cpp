#include "TestClip.h"

#include <QFileInfo>
#include <QProcess>

bool MakeTestClip(const QString &path, const QString &video, int seconds,
                  const QStringList &encoder)
{
    QProcess ffmpeg;
    ffmpeg.start(
        QStringLiteral("ffmpeg"),
        QStringList{
            QStringLiteral("-hide_banner"), QStringLiteral("-loglevel"),
            QStringLiteral("error"),        QStringLiteral("-y"),
            QStringLiteral("-f"),           QStringLiteral("lavfi"),
            QStringLiteral("-i"),           video,
            QStringLiteral("-f"),           QStringLiteral("lavfi"),
            QStringLiteral("-i"),           QStringLiteral("sine=frequency=440:sample_rate=22050"),
            QStringLiteral("-t"),           QString::number(seconds),
            QStringLiteral("-c:v"),         QStringLiteral("libx264"),
            QStringLiteral("-preset"),      QStringLiteral("veryfast"),
            QStringLiteral("-pix_fmt"),     QStringLiteral("yuv420p"),
            QStringLiteral("-c:a"),         QStringLiteral("pcm_s16le")} +
            encoder + QStringList{path});
    return ffmpeg.waitForFinished(120000) && ffmpeg.exitCode() == 0 && QFileInfo(path).size() > 0;
}
