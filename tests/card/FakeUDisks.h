#pragma once

// A message bus of the test's own and a small stand-in for the udisks2 disk service on it. The
// real service cannot run here, and the tests never talk to the system bus.

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QMap>
#include <QMutex>
#include <QProcess>
#include <QSemaphore>
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

    // Knows `device` ("/dev/sdb1") as the object ".../block_devices/<name>" with the device
    // number `deviceNumber` ("9:1"); its raw volume is the file `image`, Format runs mkfs.fat on
    // it, and Mount answers `mountPoint`.
    void AddDevice(const QString &device, const QString &image, const QString &mountPoint,
                   const QString &deviceNumber);
    void Forget(const QString &device);
    // The next calls of `member` fail with the error.
    void Fail(const QString &member, const QString &errorName, const QString &errorMessage);
    // Format ignores the "mkfs-args" option, as services before udisks2 2.10 do: mkfs.fat then
    // chooses FAT type and cluster size itself.
    void IgnoreMkfsArguments() { m_ignoreMkfsArguments = true; }
    // The next call of `member` waits (as for a password) until Release(), or a minute at most,
    // so that a caller which blocks cannot hang the test.
    void Hold(const QString &member);
    void Release();
    // Whether a held call is waiting now.
    bool Waiting() const;

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
        QString deviceNumber;
    };
    // Runs mkfs.fat on the image as the service would; an error text, or empty.
    QString format(const QDBusMessage &message, const Device &device) const;

    mutable QMutex m_mutex;
    bool m_ignoreMkfsArguments = false;
    QStringList m_held;
    int m_waiting = 0;
    QSemaphore m_release;
    QMap<QString, Device> m_devices;       // by device path
    QMap<QString, QString> m_objects;      // object path -> device path
    QMap<QString, QStringList> m_failures; // member -> error name, message
    QList<Call> m_calls;
    QThread m_thread;
    QObject *m_handler = nullptr;
    std::optional<QDBusConnection> m_bus;
};

inline constexpr char kUDisksBlockPrefix[] = "/org/freedesktop/UDisks2/block_devices/";
