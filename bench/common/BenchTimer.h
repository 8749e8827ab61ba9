#pragma once

#include <algorithm>
#include <chrono>
#include <ctime>

// Elapsed and processor time of benchmark runs, in milliseconds. Processor time is the steadier
// figure on a shared machine; the benchmarks print both.
using TClock = std::chrono::steady_clock;

inline double Ms(TClock::time_point from)
{
    return std::chrono::duration<double, std::milli>(TClock::now() - from).count();
}

inline double CpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

// One run's times, or the best of several.
struct TTimes
{
    double wall = 1e300;
    double cpu = 1e300;
    void Best(const TTimes& other)
    {
        wall = std::min(wall, other.wall);
        cpu = std::min(cpu, other.cpu);
    }
};

class TStopwatch
{
public:
    TStopwatch() : m_wall(TClock::now()), m_cpu(CpuMs()) {}
    TTimes Stop() const { return {Ms(m_wall), CpuMs() - m_cpu}; }

private:
    TClock::time_point m_wall;
    double m_cpu;
};
