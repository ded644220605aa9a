#include "UDisksClient.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusReply>
#include <QDBusUnixFileDescriptor>
#include <QVariantMap>

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

bool failed(const QDBusMessage &reply, QString *error)
{
    if (reply.type() != QDBusMessage::ErrorMessage)
        return false;
    if (error)
        *error = reply.errorMessage().isEmpty() ? reply.errorName() : reply.errorMessage();
    return true;
}

} // namespace

CUDisksClient::CUDisksClient(const QDBusConnection &bus)
    : m_bus(bus)
{}

bool CUDisksClient::IsAvailable() const
{
    if (!m_bus.isConnected() || !m_bus.interface())
        return false;
    const QDBusReply<bool> registered =
        m_bus.interface()->isServiceRegistered(QString::fromLatin1(kService));
    if (registered.isValid() && registered.value())
        return true;
    // The service is started on demand.
    const QDBusReply<QStringList> activatable = m_bus.interface()->activatableServiceNames();
    return activatable.isValid() && activatable.value().contains(QString::fromLatin1(kService));
}

std::optional<QString> CUDisksClient::BlockObject(const QString &device, QString *error) const
{
    QDBusMessage call = QDBusMessage::createMethodCall(
        QString::fromLatin1(kService), QString::fromLatin1(kManagerPath),
        QString::fromLatin1(kManager), QStringLiteral("ResolveDevice"));
    call << QVariantMap{{QStringLiteral("path"), device}} << QVariantMap();
    const QDBusMessage reply = m_bus.call(call, QDBus::Block, kCallTimeoutMs);
    if (failed(reply, error))
        return std::nullopt;
    const QList<QDBusObjectPath> objects =
        qdbus_cast<QList<QDBusObjectPath>>(reply.arguments().value(0));
    if (objects.size() != 1) {
        if (error)
            *error = QStringLiteral("The disk service does not know %1.").arg(device);
        return std::nullopt;
    }
    return objects.first().path();
}

bool CUDisksClient::Unmount(const QString &object, QString *error) const
{
    QDBusMessage call =
        QDBusMessage::createMethodCall(QString::fromLatin1(kService), object,
                                       QString::fromLatin1(kFilesystem), QStringLiteral("Unmount"));
    call << interactive();
    return !failed(m_bus.call(call, QDBus::Block, kCallTimeoutMs), error);
}

int CUDisksClient::OpenForRestore(const QString &object, QString *error) const
{
    QDBusMessage call = QDBusMessage::createMethodCall(QString::fromLatin1(kService), object,
                                                       QString::fromLatin1(kBlock),
                                                       QStringLiteral("OpenForRestore"));
    call << interactive();
    const QDBusMessage reply = m_bus.call(call, QDBus::Block, kCallTimeoutMs);
    if (failed(reply, error))
        return -1;
    const QDBusUnixFileDescriptor fd =
        qdbus_cast<QDBusUnixFileDescriptor>(reply.arguments().value(0));
    if (!fd.isValid()) {
        if (error)
            *error = QStringLiteral("The disk service gave no handle to the card.");
        return -1;
    }
    // The descriptor object closes its own copy.
    return ::dup(fd.fileDescriptor());
}

bool CUDisksClient::FormatVfat(const QString &object, const QString &label, QString *error) const
{
    QDBusMessage call =
        QDBusMessage::createMethodCall(QString::fromLatin1(kService), object,
                                       QString::fromLatin1(kBlock), QStringLiteral("Format"));
    QVariantMap options = interactive();
    if (!label.isEmpty())
        options.insert(QStringLiteral("label"), label);
    call << QStringLiteral("vfat") << options;
    return !failed(m_bus.call(call, QDBus::Block, kCallTimeoutMs), error);
}

std::optional<QString> CUDisksClient::Mount(const QString &object, QString *error) const
{
    QDBusMessage call =
        QDBusMessage::createMethodCall(QString::fromLatin1(kService), object,
                                       QString::fromLatin1(kFilesystem), QStringLiteral("Mount"));
    call << interactive();
    const QDBusMessage reply = m_bus.call(call, QDBus::Block, kCallTimeoutMs);
    if (failed(reply, error))
        return std::nullopt;
    return reply.arguments().value(0).toString();
}
