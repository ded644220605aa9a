#pragma once

#include <QString>

#include <cstdint>

// What the start-up check reads of the computer.
struct SystemInfo
{
    unsigned processors = 0;       // 0 when unknown
    std::uint64_t memoryBytes = 0; // total physical memory; 0 when unknown
};

// The real values of this computer.
SystemInfo ReadSystemInfo();

// Whether to advise that Full HD playback may struggle: one processor, or less than 1.5 GiB
// of memory. Unknown values give no advice.
bool NeedsPerformanceAdvice(const SystemInfo &info);

// The advice shown in the standard message box.
QString PerformanceAdviceText();
