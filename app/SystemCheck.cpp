#include "SystemCheck.h"

#include <thread>

#include <unistd.h>

SystemInfo ReadSystemInfo()
{
    SystemInfo info;
    info.processors = std::thread::hardware_concurrency();
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGE_SIZE);
    if (pages > 0 && pageSize > 0)
        info.memoryBytes = static_cast<std::uint64_t>(pages) * static_cast<std::uint64_t>(pageSize);
    return info;
}

bool NeedsPerformanceAdvice(const SystemInfo &info)
{
    if (info.processors == 1)
        return true;
    if (info.memoryBytes == 0)
        return false;
    const double gib = static_cast<double>(info.memoryBytes) / (1024.0 * 1024.0 * 1024.0);
    return gib < 1.5;
}

QString PerformanceAdviceText()
{
    return QStringLiteral("컴퓨터 성능이 Full HD영상을 돌리는데 문제가 있을수 있습니다");
}
