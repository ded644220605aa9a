#include "UDisksClient.h"

#include "CardTarget.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusReply>
#include <QDBusUnixFileDescriptor>
#include <QDBusVariant>
#include <QVariantMap>

#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr char kManagerPath[] = "/org/freedesktop/UDisks2/Manager";
constexpr char kManager[] = "org.freedesktop.UDisks2.Manager";
constexpr char kBlock[] = "org.freedesktop.UDisks2.Block";
constexpr char kFilesystem[] = "org.freedesktop.UDisks2.Filesystem";
// Formatting and writing a disk can wait for the user's password: no short time-out.
constexpr int kCallTimeoutMs = 30 * 60 * 1000;

QVariantMap interactive()
{
    return {{QStringLiteral("auth.no_user_interaction"), false}};
}

QString service()
{
    return QString::fromLatin1(CUDisksClient::kService);
}

} // namespace

QString UDisksFailureReason(const QString &what, const QString &errorName,
                            const QString &errorMessage)
{
    const QString detail = errorMessage.isEmpty() ? errorName : errorMessage;
    if (errorName.startsWith(QLatin1String("org.freedesktop.UDisks2.Error.NotAuthorized")) ||
        errorName == QLatin1String("org.freedesktop.DBus.Error.AccessDenied") ||
        errorName == QLatin1String("org.freedesktop.UDisks2.Error.Cancelled"))
        return QStringLiteral("The system did not allow this user to %1 (%2).").arg(what, detail);
    if (errorName == QLatin1String("org.freedesktop.DBus.Error.ServiceUnknown") ||
        errorName == QLatin1String("org.freedesktop.DBus.Error.NameHasNoOwner") ||
        errorName == QLatin1String("org.freedesktop.DBus.Error.Disconnected"))
        return QStringLiteral("Could not %1: this user may not write to the card, and the "
                              "system's disk service (udisks2), which could ask for permission, "
                              "is not running.")
            .arg(what);
    if (errorName == QLatin1String("org.freedesktop.DBus.Error.UnknownObject") ||
        errorName == QLatin1String("org.freedesktop.DBus.Error.UnknownMethod") ||
        errorName == QLatin1String("org.freedesktop.DBus.Error.UnknownInterface"))
        return QStringLiteral("Could not %1: the system's disk service no longer knows the card "
                              "(was it removed?).")
            .arg(what);
    if (errorName == QLatin1String("org.freedesktop.DBus.Error.NoReply") ||
        errorName == QLatin1String("org.freedesktop.DBus.Error.Timeout"))
        return QStringLiteral("Could not %1: the system's disk service did not answer.").arg(what);
    return QStringLiteral("Could not %1: %2").arg(what, detail);
}

namespace {

// Calls a method of the service; the reply, or nothing with `error` set.
std::optional<QDBusMessage> callService(const QDBusConnection &bus, const QString &object,
                                        const char *interface, const QString &method,
                                        const QVariantList &arguments, const QString &what,
                                        QString *error)
{
    if (!bus.isConnected()) {
        if (error)
            *error = UDisksFailureReason(
                what, QStringLiteral("org.freedesktop.DBus.Error.Disconnected"), QString());
        return std::nullopt;
    }
    QDBusMessage call =
        QDBusMessage::createMethodCall(service(), object, QString::fromLatin1(interface), method);
    call.setArguments(arguments);
    call.setInteractiveAuthorizationAllowed(true);
    const QDBusMessage reply = bus.call(call, QDBus::Block, kCallTimeoutMs);
    if (reply.type() == QDBusMessage::ErrorMessage) {
        if (error)
            *error = UDisksFailureReason(what, reply.errorName(), reply.errorMessage());
        return std::nullopt;
    }
    if (reply.type() != QDBusMessage::ReplyMessage) {
        if (error)
            *error = UDisksFailureReason(what, QStringLiteral("org.freedesktop.DBus.Error.NoReply"),
                                         QString());
        return std::nullopt;
    }
    return reply;
}

} // namespace

CUDisksClient::CUDisksClient(const QDBusConnection &bus)
    : m_bus(bus)
{}

bool CUDisksClient::IsAvailable() const
{
    if (!m_bus.isConnected() || !m_bus.interface())
        return false;
    const QDBusReply<bool> registered = m_bus.interface()->isServiceRegistered(service());
    if (registered.isValid() && registered.value())
        return true;
    // The service is started on demand.
    const QDBusReply<QStringList> activatable = m_bus.interface()->activatableServiceNames();
    return activatable.isValid() && activatable.value().contains(service());
}

std::optional<QString> CUDisksClient::BlockObject(const QString &device, QString *error) const
{
    const QString what = QStringLiteral("find the card %1").arg(device);
    const std::optional<QDBusMessage> reply = callService(
        m_bus, QString::fromLatin1(kManagerPath), kManager, QStringLiteral("ResolveDevice"),
        {QVariantMap{{QStringLiteral("path"), device}}, QVariantMap()}, what, error);
    if (!reply)
        return std::nullopt;
    const QList<QDBusObjectPath> objects =
        qdbus_cast<QList<QDBusObjectPath>>(reply->arguments().value(0));
    if (objects.size() != 1) {
        if (error)
            *error = QStringLiteral("Could not %1: the system's disk service does not know it.")
                         .arg(what);
        return std::nullopt;
    }
    return objects.first().path();
}

std::optional<QString> CUDisksClient::DeviceNumber(const QString &object, QString *error) const
{
    const std::optional<QDBusMessage> reply =
        callService(m_bus, object, "org.freedesktop.DBus.Properties", QStringLiteral("Get"),
                    {QString::fromLatin1(kBlock), QStringLiteral("DeviceNumber")},
                    QStringLiteral("identify the card"), error);
    if (!reply)
        return std::nullopt;
    bool ok = false;
    const qulonglong number =
        qdbus_cast<QDBusVariant>(reply->arguments().value(0)).variant().toULongLong(&ok);
    if (!ok) {
        if (error)
            *error = QStringLiteral("Could not identify the card: the system's disk service gave "
                                    "no device number.");
        return std::nullopt;
    }
    return DeviceNumberText(dev_t(number));
}

bool CUDisksClient::Unmount(const QString &object, QString *error) const
{
    return callService(m_bus, object, kFilesystem, QStringLiteral("Unmount"), {interactive()},
                       QStringLiteral("unmount the card"), error)
        .has_value();
}

int CUDisksClient::OpenForRestore(const QString &object, QString *error) const
{
    return openDevice(object, QStringLiteral("OpenForRestore"),
                      QStringLiteral("open the card for writing"), error);
}

int CUDisksClient::OpenForBackup(const QString &object, QString *error) const
{
    return openDevice(object, QStringLiteral("OpenForBackup"), QStringLiteral("read the card back"),
                      error);
}

int CUDisksClient::openDevice(const QString &object, const QString &method, const QString &what,
                              QString *error) const
{
    const std::optional<QDBusMessage> reply =
        callService(m_bus, object, kBlock, method, {interactive()}, what, error);
    if (!reply)
        return -1;
    const QDBusUnixFileDescriptor fd =
        qdbus_cast<QDBusUnixFileDescriptor>(reply->arguments().value(0));
    // The descriptor object closes its own copy.
    const int own = fd.isValid() ? ::fcntl(fd.fileDescriptor(), F_DUPFD_CLOEXEC, 0) : -1;
    if (own < 0 && error)
        *error = QStringLiteral("Could not %1: the system's disk service gave no handle to it.")
                     .arg(what);
    return own;
}

bool CUDisksClient::FormatVfat(const QString &object, const QString &label, int sectorsPerCluster,
                               QString *error) const
{
    QVariantMap options = interactive();
    if (!label.isEmpty())
        options.insert(QStringLiteral("label"), label);
    // Older services ignore the extra mkfs arguments and choose the cluster size themselves.
    QStringList mkfsArguments{QStringLiteral("-F"), QStringLiteral("32")};
    if (sectorsPerCluster > 0)
        mkfsArguments << QStringLiteral("-s") << QString::number(sectorsPerCluster);
    options.insert(QStringLiteral("mkfs-args"), mkfsArguments);
    return callService(m_bus, object, kBlock, QStringLiteral("Format"),
                       {QStringLiteral("vfat"), options}, QStringLiteral("format the card"), error)
        .has_value();
}

std::optional<QString> CUDisksClient::Mount(const QString &object, QString *error) const
{
    const QString what = QStringLiteral("mount the card again");
    const std::optional<QDBusMessage> reply = callService(
        m_bus, object, kFilesystem, QStringLiteral("Mount"), {interactive()}, what, error);
    if (!reply)
        return std::nullopt;
    const QString point = reply->arguments().value(0).toString();
    if (point.isEmpty()) {
        if (error)
            *error =
                QStringLiteral("Could not %1: the system's disk service gave no place.").arg(what);
        return std::nullopt;
    }
    return point;
}
