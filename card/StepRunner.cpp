#include "StepRunner.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>

#include <memory>

void RunKeepingInterfaceAlive(const std::function<void()> &work)
{
    if (!QCoreApplication::instance()) {
        work();
        return;
    }
    std::unique_ptr<QThread> thread(QThread::create(work));
    QEventLoop loop;
    QObject::connect(thread.get(), &QThread::finished, &loop, &QEventLoop::quit);
    thread->start();
    // The thread may already have ended: quit() before exec() would be lost.
    if (!thread->isFinished())
        loop.exec();
    thread->wait();
}
