#pragma once

#include <QString>

#include <chrono>
#include <functional>

// Runs the event loop until `done` returns true or `timeout` passes; returns `done()`.
// Tests that wait on the media engine use generous time-outs and assert on the outcome.
bool WaitUntil(const std::function<bool()> &done,
               std::chrono::milliseconds timeout = std::chrono::seconds(30));

// The folder of the built programs (the skin pack and the demo-card tool live there).
QString BinDir();

// A mount made by a test over one of its own temporary folders: a bind mount of another folder
// or a small tmpfs, never a device. It goes again (detached, as the kernel does with a card that
// is pulled out) when the object goes, whatever the test's outcome. Only root may mount: tests
// skip with Error() when the mount did not happen.
class CTestMount
{
public:
    // `target` must lie below the system's temporary folder.
    static CTestMount Bind(const QString &source, const QString &target, bool readOnly = false);
    static CTestMount Tmpfs(const QString &target, const QString &size = QStringLiteral("8m"));

    CTestMount(CTestMount &&other) noexcept;
    CTestMount &operator=(CTestMount &&) = delete;
    CTestMount(const CTestMount &) = delete;
    ~CTestMount();

    bool ok() const { return m_error.isEmpty(); }
    const QString &Error() const { return m_error; }
    // Detaches the mount now; true when it was mounted and is gone.
    bool Unmount();

private:
    CTestMount() = default;
    QString m_target;
    QString m_error;
    bool m_mounted = false;
};
