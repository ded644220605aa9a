#include "TestSupport.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>

bool WaitUntil(const std::function<bool()> &done, std::chrono::milliseconds timeout)
{
    QDeadlineTimer deadline(timeout);
    while (!done()) {
        if (deadline.hasExpired())
            return done();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    return true;
}

QString BinDir()
{
    return QStringLiteral(RX9_BIN_DIR);
}
