#include "FakeUDisks.h"

#include <QDBusConnectionInterface>
#include <QDBusObjectPath>
#include <QDBusUnixFileDescriptor>
#include <QDBusVariant>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <csignal>
#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/sysmacros.h>
#include <unistd.h>

CPrivateBus::CPrivateBus()
{
    const QString daemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
    if (daemon.isEmpty()) {
        m_error = QStringLiteral("dbus-daemon is not installed (scripts/deps installs it)");
        return;
    }
    if (!m_dir.isValid()) {
        m_error = QStringLiteral("no temporary folder");
        return;
    }
    const QString config = m_dir.filePath(QStringLiteral("bus.conf"));
    QFile file(config);
    if (!file.open(QIODevice::WriteOnly)) {
        m_error = QStringLiteral("cannot write the bus configuration");
        return;
    }
    file.write(QStringLiteral("<busconfig>\n"
                              "  <type>session</type>\n"
                              "  <listen>unix:dir=%1</listen>\n"
                              "  <auth>EXTERNAL</auth>\n"
                              "  <policy context=\"default\">\n"
                              "    <allow send_destination=\"*\" eavesdrop=\"true\"/>\n"
                              "    <allow eavesdrop=\"true\"/>\n"
                              "    <allow own=\"*\"/>\n"
                              "  </policy>\n"
                              "</busconfig>\n")
                   .arg(m_dir.path())
                   .toUtf8());
    file.close();

    // The bus ends with the test program, even when it is killed.
    m_daemon.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
    m_daemon.start(daemon, {QStringLiteral("--config-file=") + config,
                            QStringLiteral("--print-address"), QStringLiteral("--nofork")});
    if (!m_daemon.waitForStarted(30000)) {
        m_error = QStringLiteral("dbus-daemon did not start: ") + m_daemon.errorString();
        return;
    }
    while (!m_daemon.canReadLine()) {
        if (!m_daemon.waitForReadyRead(30000)) {
            m_error = QStringLiteral("dbus-daemon gave no address: ") +
                      QString::fromLocal8Bit(m_daemon.readAllStandardError());
            return;
        }
    }
    m_address = QString::fromUtf8(m_daemon.readLine()).trimmed();
}

CPrivateBus::~CPrivateBus()
{
    for (const QString &name : std::as_const(m_connections))
        QDBusConnection::disconnectFromBus(name);
    if (m_daemon.state() != QProcess::NotRunning) {
        m_daemon.terminate();
        if (!m_daemon.waitForFinished(30000)) {
            m_daemon.kill();
            m_daemon.waitForFinished(30000);
        }
    }
}

QDBusConnection CPrivateBus::Connect(const QString &name)
{
    // Names are process-wide: each bus gets names of its own.
    const QString unique = name + QLatin1Char('-') + m_dir.path();
    m_connections << unique;
    return QDBusConnection::connectToBus(m_address, unique);
}

void CFakeUDisks::AddDevice(const QString &device, const QString &image, const QString &mountPoint,
                            const QString &deviceNumber)
{
    const QMutexLocker lock(&m_mutex);
    m_devices.insert(device, {image, mountPoint, deviceNumber});
    m_objects.insert(QLatin1String(kUDisksBlockPrefix) + QFileInfo(device).fileName(), device);
}

void CFakeUDisks::Forget(const QString &device)
{
    const QMutexLocker lock(&m_mutex);
    m_devices.remove(device);
    m_objects.remove(m_objects.key(device));
}

void CFakeUDisks::Fail(const QString &member, const QString &errorName, const QString &errorMessage)
{
    const QMutexLocker lock(&m_mutex);
    m_failures.insert(member, {errorName, errorMessage});
}

void CFakeUDisks::Hold(const QString &member)
{
    const QMutexLocker lock(&m_mutex);
    m_held << member;
}

void CFakeUDisks::Release()
{
    m_release.release();
}

bool CFakeUDisks::Waiting() const
{
    const QMutexLocker lock(&m_mutex);
    return m_waiting > 0;
}

QString CFakeUDisks::format(const QDBusMessage &message, const Device &device) const
{
    const QVariantMap options = qdbus_cast<QVariantMap>(message.arguments().value(1));
    QStringList arguments{QStringLiteral("-I")};
    const QString label = options.value(QStringLiteral("label")).toString();
    if (!label.isEmpty())
        arguments << QStringLiteral("-n") << label;
    if (!m_ignoreMkfsArguments)
        arguments << options.value(QStringLiteral("mkfs-args")).toStringList();
    arguments << device.image;
    QProcess mkfs;
    mkfs.setProcessChannelMode(QProcess::MergedChannels);
    mkfs.start(QStringLiteral("/usr/sbin/mkfs.fat"), arguments);
    if (!mkfs.waitForFinished(120000) || mkfs.exitStatus() != QProcess::NormalExit ||
        mkfs.exitCode() != 0)
        return QString::fromLocal8Bit(mkfs.readAll()) + mkfs.errorString();
    return QString();
}

namespace {

class CServiceObject : public QDBusVirtualObject
{
public:
    explicit CServiceObject(CFakeUDisks &service)
        : m_service(service)
    {}
    QString introspect(const QString &) const override { return QString(); }
    bool handleMessage(const QDBusMessage &message, const QDBusConnection &connection) override
    {
        m_service.Handle(message, connection);
        return true;
    }

private:
    CFakeUDisks &m_service;
};

constexpr char kRoot[] = "/org/freedesktop/UDisks2";
constexpr char kName[] = "org.freedesktop.UDisks2";

} // namespace

CFakeUDisks::~CFakeUDisks()
{
    m_release.release(100); // a held call ends now
    if (m_bus) {
        m_bus->unregisterService(QLatin1String(kName));
        m_bus->unregisterObject(QLatin1String(kRoot), QDBusConnection::UnregisterTree);
    }
    if (m_handler)
        m_handler->deleteLater();
    m_thread.quit();
    m_thread.wait();
}

bool CFakeUDisks::Register(const QDBusConnection &bus)
{
    if (m_bus || !bus.isConnected())
        return false;
    m_bus = bus;
    auto *handler = new CServiceObject(*this);
    m_handler = handler;
    const bool registered =
        m_bus->registerVirtualObject(QLatin1String(kRoot), handler, QDBusConnection::SubPath);
    // Moved with what the registration hung on it.
    m_thread.start();
    handler->moveToThread(&m_thread);
    return registered && m_bus->registerService(QLatin1String(kName));
}

QList<CFakeUDisks::Call> CFakeUDisks::Calls() const
{
    const QMutexLocker lock(&m_mutex);
    return m_calls;
}

QStringList CFakeUDisks::Members() const
{
    QStringList members;
    for (const Call &call : Calls())
        members << call.member;
    return members;
}

void CFakeUDisks::Handle(const QDBusMessage &message, const QDBusConnection &connection)
{
    QMutexLocker lock(&m_mutex);
    const QString member = message.member();
    const QString path = message.path();
    m_calls.append(
        {path, member, message.arguments(), message.isInteractiveAuthorizationAllowed()});
    if (m_held.removeOne(member)) {
        ++m_waiting;
        lock.unlock();
        m_release.tryAcquire(1, 60000);
        lock.relock();
        --m_waiting;
    }

    auto reply = [&](const QVariantList &arguments) {
        connection.send(message.createReply(arguments));
    };
    auto error = [&](const QString &name, const QString &text) {
        connection.send(message.createErrorReply(name, text));
    };

    if (m_failures.contains(member)) {
        const QStringList failure = m_failures.value(member);
        return error(failure.value(0), failure.value(1));
    }

    if (path == QLatin1String("/org/freedesktop/UDisks2/Manager") &&
        member == QLatin1String("ResolveDevice")) {
        const QVariantMap wanted = qdbus_cast<QVariantMap>(message.arguments().value(0));
        const QString device = wanted.value(QStringLiteral("path")).toString();
        QList<QDBusObjectPath> objects;
        if (m_devices.contains(device))
            objects << QDBusObjectPath(m_objects.key(device));
        return reply({QVariant::fromValue(objects)});
    }

    if (!m_objects.contains(path))
        return error(QStringLiteral("org.freedesktop.DBus.Error.UnknownObject"),
                     QStringLiteral("No such object path '%1'").arg(path));
    const Device device = m_devices.value(m_objects.value(path));
    const QString interface = message.interface();
    if (interface == QLatin1String("org.freedesktop.DBus.Properties") &&
        member == QLatin1String("Get") &&
        message.arguments().value(0) == QLatin1String("org.freedesktop.UDisks2.Block") &&
        message.arguments().value(1) == QLatin1String("DeviceNumber")) {
        const QStringList number = device.deviceNumber.split(QLatin1Char(':'));
        const quint64 value = makedev(number.value(0).toUInt(), number.value(1).toUInt());
        return reply({QVariant::fromValue(QDBusVariant(QVariant::fromValue(value)))});
    }
    if (interface == QLatin1String("org.freedesktop.UDisks2.Filesystem")) {
        if (member == QLatin1String("Unmount"))
            return reply({});
        if (member == QLatin1String("Mount"))
            return reply({device.mountPoint});
    } else if (interface == QLatin1String("org.freedesktop.UDisks2.Block")) {
        if (member == QLatin1String("OpenForRestore") || member == QLatin1String("OpenForBackup")) {
            const int mode = member == QLatin1String("OpenForBackup") ? O_RDONLY : O_RDWR;
            const int fd = ::open(QFile::encodeName(device.image).constData(), mode | O_CLOEXEC);
            if (fd < 0)
                return error(QStringLiteral("org.freedesktop.UDisks2.Error.Failed"),
                             QStringLiteral("Error opening %1").arg(device.image));
            // The descriptor object keeps a copy of its own.
            const QDBusUnixFileDescriptor handle(fd);
            ::close(fd);
            return reply({QVariant::fromValue(handle)});
        }
        if (member == QLatin1String("Format")) {
            const QString failure = format(message, device);
            if (!failure.isEmpty())
                return error(QStringLiteral("org.freedesktop.UDisks2.Error.Failed"), failure);
            return reply({});
        }
    }
    return error(QStringLiteral("org.freedesktop.DBus.Error.UnknownMethod"),
                 QStringLiteral("No such method '%1'").arg(member));
}
