#pragma once

// Processor time and peak memory as the benchmarks report them: getrusage and clock_gettime on
// Linux; on Windows the process's and the thread's times and its memory counters. Windows keeps
// no figures for finished children: there the children's peak is -1.
#include <QtGlobal>

#ifdef Q_OS_WIN
#include <io.h>
#include <windows.h>
// needs the types of windows.h
#include <psapi.h>
#else
#include <ctime>
#include <sys/resource.h>
#include <unistd.h>
#endif

#ifdef Q_OS_WIN
inline double fileTimeMs(const FILETIME& t)
{
    return double((quint64(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 1e4; // 100 ns units
}
#else
inline double timevalMs(const timeval& t)
{
    return double(t.tv_sec) * 1000.0 + double(t.tv_usec) / 1000.0;
}

// User and system time of RUSAGE_SELF or RUSAGE_CHILDREN, in milliseconds.
inline double rusageCpuMs(int who)
{
    rusage usage{};
    getrusage(who, &usage);
    return timevalMs(usage.ru_utime) + timevalMs(usage.ru_stime);
}
#endif

// Processor time (user and system) this process has used so far, in milliseconds.
inline double processCpuMs()
{
#ifdef Q_OS_WIN
    FILETIME created{}, exited{}, kernel{}, user{};
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    return fileTimeMs(kernel) + fileTimeMs(user);
#else
    return rusageCpuMs(RUSAGE_SELF);
#endif
}

// Processor time (user and system) of the children this process waited for, in milliseconds;
// Windows keeps no such figure and gives 0.
inline double childrenCpuMs()
{
#ifdef Q_OS_WIN
    return 0;
#else
    return rusageCpuMs(RUSAGE_CHILDREN);
#endif
}

// Processor time the calling thread has used so far, in milliseconds.
inline double threadCpuMs()
{
#ifdef Q_OS_WIN
    FILETIME created{}, exited{}, kernel{}, user{};
    GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user);
    return fileTimeMs(kernel) + fileTimeMs(user);
#else
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
#endif
}

// The most memory this process (or, with `children`, the largest child it waited for) has held,
// in MB.
inline long peakMegabytes(bool children = false)
{
#ifdef Q_OS_WIN
    if (children)
        return -1;
    PROCESS_MEMORY_COUNTERS counters{};
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters))
        return -1;
    return long(counters.PeakWorkingSetSize / (1024 * 1024));
#else
    rusage usage{};
    getrusage(children ? RUSAGE_CHILDREN : RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
#endif
}

// Waits until what was written through the descriptor is on the disk.
inline void syncDescriptor(int fd)
{
#ifdef Q_OS_WIN
    _commit(fd);
#else
    ::fsync(fd);
#endif
}
