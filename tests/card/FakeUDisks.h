#pragma once

// A message bus of the test's own and a small stand-in for the udisks2 disk service on it. The
// real service cannot run here, and the tests never talk to the system bus.

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QMap>
#include <QMutex>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QVariantList>

#include <optional>

// A dbus-daemon started for the test, with its own configuration and socket folder.
class CPrivateBus
{
public:
    CPrivateBus();
    ~CPrivateBus();
    CPrivateBus(const CPrivateBus &) = delete;
    CPrivateBus &operator=(const CPrivateBus &) = delete;

    bool ok() const { return m_error.isEmpty(); }
    QString Error() const { return m_error; }
    QString Address() const { return m_address; }
    // A new connection to the bus under a name of its own.
    QDBusConnection Connect(const QString &name);

private:
    QTemporaryDir m_dir;
    QProcess m_daemon;
    QString m_address;
    QString m_error;
    QStringList m_connections;
};

// The service's objects under /org/freedesktop/UDisks2: the manager, which resolves device
// paths, and one block object per known device, with the Block and Filesystem calls the player
// makes. Calls are answered on the bus's own thread and recorded.
class CFakeUDisks
{
public:
    struct Call
    {
        QString object;
        QString member;
        QVariantList arguments;
        bool interactive = false; // the caller allowed the service to ask for a password
    };

    CFakeUDisks() = default;
    ~CFakeUDisks();
    CFakeUDisks(const CFakeUDisks &) = delete;
    CFakeUDisks &operator=(const CFakeUDisks &) = delete;

    // Knows `device` ("/dev/sdb1") as the object ".../block_devices/<name>"; its raw volume
    // is the file `image`, and Mount answers `mountPoint`.
    void AddDevice(const QString &device, const QString &image, const QString &mountPoint);
    void Forget(const QString &device);
    // The next calls of `member` fail with the error.
    void Fail(const QString &member, const QString &errorName, const QString &errorMessage);

    // Takes the service's name on the connection; false when that failed. The calls are
    // answered on a thread of the service's own, as a separate process would answer them
    // while the player waits.
    bool Register(const QDBusConnection &bus);

    QList<Call> Calls() const;
    QStringList Members() const;

    // Answers one call on the service's thread.
    void Handle(const QDBusMessage &message, const QDBusConnection &connection);

private:
    struct Device
    {
        QString image;
        QString mountPoint;
    };
    mutable QMutex m_mutex;
    QMap<QString, Device> m_devices;       // by device path
    QMap<QString, QString> m_objects;      // object path -> device path
    QMap<QString, QStringList> m_failures; // member -> error name, message
    QList<Call> m_calls;
    QThread m_thread;
    QObject *m_handler = nullptr;
    std::optional<QDBusConnection> m_bus;
};

inline constexpr char kUDisksBlockPrefix[] = "/org/freedesktop/UDisks2/block_devices/";
