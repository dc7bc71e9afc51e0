// What the two start-up programs share: the frame they draw, the clock that started with the
// launching script, and the figures they print.
#pragma once

#include <sys/resource.h>
#include <time.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace BenchStartup {

constexpr int kWidth = 720;
constexpr int kHeight = 540;

// A background and a few panels, so that both programs fill every pixel of the frame.
template <typename FillRect> void drawTestFrame(FillRect fill) {
    fill(0.10, 0.12, 0.16, 0, 0, kWidth, kHeight);
    for (int i = 0; i < 4; ++i)
        fill(0.2 + 0.15 * i, 0.4, 0.7 - 0.1 * i, 40 + i * 165, 380, 145, 110);
}

inline double nowNs() {
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec * 1e9 + now.tv_nsec;
}

// The peak resident memory so far, from the kernel's own record of the process.
inline long peakResidentKB() {
    FILE* status = std::fopen("/proc/self/status", "r");
    if (!status)
        return -1;
    char line[256];
    long kb = -1;
    while (std::fgets(line, sizeof line, status))
        if (!std::strncmp(line, "VmHWM:", 6))
            kb = std::strtol(line + 6, nullptr, 10);
    std::fclose(status);
    return kb;
}

inline void reportFirstFrame() {
    const char* start = std::getenv("GW_BENCH_START_NS");
    double ms = start ? (nowNs() - std::strtod(start, nullptr)) / 1e6 : -1;
    std::printf("first_frame_ms %.2f rss_kb %ld\n", ms, peakResidentKB());
}

// CPU time (user and system) used between construction and report(), as a share of the
// wall-clock time that passed.
class CpuMeter {
public:
    CpuMeter() : m_wall(nowNs()), m_cpu(cpuNs()) {}
    void report() const {
        double wall = nowNs() - m_wall;
        std::printf("cpu_percent %.3f\n", wall > 0 ? 100.0 * (cpuNs() - m_cpu) / wall : -1.0);
    }

private:
    static double cpuNs() {
        rusage usage;
        getrusage(RUSAGE_SELF, &usage);
        return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e9 +
               (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e3;
    }
    double m_wall;
    double m_cpu;
};

} // namespace BenchStartup
