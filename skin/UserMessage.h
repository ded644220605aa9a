#pragma once

#include <QEvent>
#include <QObject>

#include <any>

// The one notification that child controls, the media engine wrapper and the input filter post
// to their owner window: a code (what happened) and a value (a control id, a time in ms, a row
// index ...). Notifications whose value would be the address of a record carry a copy of the
// record instead. Posting means the owner handles it after the sender's handler has returned.
class CUserMessage : public QEvent
{
public:
    CUserMessage(int code, qint64 value, std::any record = {});

    static QEvent::Type EventType();

    int Code() const { return m_code; }
    qint64 Value() const { return m_value; }
    const std::any &Record() const { return m_record; }

    // The record as T, or nullptr when it holds something else.
    template <typename T>
    const T *RecordAs() const
    {
        return std::any_cast<T>(&m_record);
    }

private:
    int m_code;
    qint64 m_value;
    std::any m_record;
};

// Posts a notification to `receiver` (thread-safe: the engine's threads use it too).
void PostUserMessage(QObject *receiver, int code, qint64 value = 0, std::any record = {});
