#pragma once

// What the benchmarks share: a raw pseudo-terminal, the process's processor time and a
// min/median/max line.

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include <pty.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

namespace velnor::bench {

// Both ends of a pseudo-terminal that passes every byte unchanged; master is -1 when there is
// none.
struct RawPty
{
    int master = -1;
    int slave = -1;
    std::string name;
};

inline RawPty openRawPty()
{
    RawPty pty;
    char name[256] = {};
    termios raw{};
    cfmakeraw(&raw);
    if (openpty(&pty.master, &pty.slave, name, &raw, nullptr) != 0) {
        std::perror("openpty");
        pty.master = pty.slave = -1;
    }
    pty.name = name;
    return pty;
}

// Of the calling thread only, so a far end played by another thread is not counted.
inline double threadCpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

// Resident size of the process from /proc/self/statm, 0 where there is none.
inline long residentKiB()
{
    long pages = 0;
    long resident = 0;
    if (FILE* statm = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(statm);
    }
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

inline double cpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

struct Stats
{
    double min, median, max;
};

inline Stats stats(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return {v.front(), v[v.size() / 2], v.back()};
}

inline void print(const char* what, const char* unit, const Stats& s)
{
    std::printf("%-44s min %8.3f  median %8.3f  max %8.3f %s\n", what, s.min, s.median, s.max,
                unit);
}

} // namespace velnor::bench
