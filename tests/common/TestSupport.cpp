#include "TestSupport.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <cerrno>
#include <sys/mount.h>
#include <unistd.h>
#include <utility>

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

CTestMount::CTestMount(CTestMount &&other) noexcept
    : m_target(std::move(other.m_target))
    , m_error(std::move(other.m_error))
    , m_mounted(std::exchange(other.m_mounted, false))
{}

CTestMount::~CTestMount()
{
    Unmount();
}

namespace {

// Why a test may not mount over `target`; empty when it may.
QString refuseTarget(const QString &target)
{
    const QString temp = QDir(QDir::tempPath()).canonicalPath() + QLatin1Char('/');
    const QString folder = QFileInfo(target).canonicalFilePath();
    if (folder.isEmpty() || !folder.startsWith(temp) || folder == temp)
        return QStringLiteral("not a test's own temporary folder: ") + target;
    if (::geteuid() != 0)
        return QStringLiteral("mounting needs root");
    return QString();
}

QString mountError(const char *what)
{
    return QStringLiteral("%1 refused: %2").arg(QLatin1String(what), qt_error_string(errno));
}

} // namespace

CTestMount CTestMount::Bind(const QString &source, const QString &target, bool readOnly)
{
    CTestMount mount;
    mount.m_target = QFileInfo(target).canonicalFilePath();
    mount.m_error = refuseTarget(target);
    if (!mount.ok())
        return mount;
    const QByteArray from = QFile::encodeName(source);
    const QByteArray to = QFile::encodeName(mount.m_target);
    if (::mount(from.constData(), to.constData(), nullptr, MS_BIND, nullptr) != 0) {
        mount.m_error = mountError("bind mount");
        return mount;
    }
    mount.m_mounted = true;
    if (readOnly &&
        ::mount(nullptr, to.constData(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) != 0)
        mount.m_error = mountError("read-only remount");
    return mount;
}

CTestMount CTestMount::Tmpfs(const QString &target, const QString &size)
{
    CTestMount mount;
    mount.m_target = QFileInfo(target).canonicalFilePath();
    mount.m_error = refuseTarget(target);
    if (!mount.ok())
        return mount;
    const QByteArray options = "size=" + size.toLatin1();
    if (::mount("tmpfs", QFile::encodeName(mount.m_target).constData(), "tmpfs",
                MS_NOSUID | MS_NODEV, options.constData()) != 0) {
        mount.m_error = mountError("tmpfs mount");
        return mount;
    }
    mount.m_mounted = true;
    return mount;
}

bool CTestMount::Unmount()
{
    if (!m_mounted)
        return false;
    m_mounted = false;
    return ::umount2(QFile::encodeName(m_target).constData(), MNT_DETACH) == 0;
}
