#include "PlaybackLog.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <mutex>

namespace {

std::FILE *LogFile()
{
    static std::FILE *file = [] {
        const char *path = std::getenv("RX9_PLAYBACK_LOG");
        return path && *path ? std::fopen(path, "a") : nullptr;
    }();
    return file;
}

} // namespace

bool PlaybackLog::Enabled()
{
    return LogFile() != nullptr;
}

void PlaybackLog::Write(const QByteArray &entry)
{
    std::FILE *file = LogFile();
    if (!file)
        return;
    static std::mutex mutex;
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    const long long ns = std::chrono::duration_cast<std::chrono::nanoseconds>(now).count();
    std::lock_guard lock(mutex);
    std::fprintf(file, "%lld %s\n", ns, entry.constData());
    std::fflush(file);
}
