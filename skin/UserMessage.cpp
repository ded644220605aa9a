#include "UserMessage.h"

#include <QCoreApplication>

CUserMessage::CUserMessage(int code, qint64 value, std::any record)
    : QEvent(EventType())
    , m_code(code)
    , m_value(value)
    , m_record(std::move(record))
{
}

QEvent::Type CUserMessage::EventType()
{
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

void PostUserMessage(QObject *receiver, int code, qint64 value, std::any record)
{
    if (!receiver)
        return;
    QCoreApplication::postEvent(receiver, new CUserMessage(code, value, std::move(record)));
}
