#pragma once

#include "UserMessage.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QList>
#include <QObject>
#include <QString>

#include <utility>

// Writes a file (and its folders); gives false when that failed.
inline bool WriteTestFile(const QString &path, const QByteArray &data = QByteArray())
{
    QDir().mkpath(path.left(path.lastIndexOf(QLatin1Char('/'))));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return file.write(data) == data.size();
}

inline QByteArray ReadTestFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Collects the notifications posted to it.
class CNotificationSink : public QObject
{
public:
    QList<std::pair<int, qint64>> received;

    // Delivers what was posted so far and gives it, clearing the record.
    QList<std::pair<int, qint64>> Take()
    {
        QCoreApplication::sendPostedEvents(this);
        return std::exchange(received, {});
    }

    bool event(QEvent *event) override
    {
        if (event->type() == CUserMessage::EventType()) {
            const auto *message = static_cast<CUserMessage *>(event);
            received.append({message->Code(), message->Value()});
            return true;
        }
        return QObject::event(event);
    }
};
