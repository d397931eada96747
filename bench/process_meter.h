// Win32 only. What another process costs and holds, read from outside: its CPU time, the
// test bed's servers' CPU time, and its handles, objects and memory. Under Wine 8 much of
// it comes from the system's process list, which carries what Wine does not answer about
// another process itself.
#pragma once

#include "bench_util.h"

#include <windows.h>

namespace bench {

// The CPU time of a process, user and kernel, in ms (Linux's count for each of its
// threads, in ticks of 10 ms). Wine 8's GetProcessTimes gives another process's start
// time only.
double ProcessCpuMs(DWORD processId);

// The CPU time of the test bed's wineserver and X server, in ms, from Linux's own count
// (user and system clock ticks of 10 ms, fields 14 and 15 of /proc/PID/stat); negative
// when it cannot be read, outside tools/bench.sh's test bed.
double ServersCpuMs();

// CPU time per minute over a stretch: the process's, and the servers' (negative when
// they cannot be read).
struct IdleCost {
    double programMsPerMinute = 0;
    double serversMsPerMinute = -1;
};

// Where the CPU times stood when a measured stretch began.
struct CpuMark {
    double program;
    double servers;
    Stopwatch watch;
};

CpuMark Mark(DWORD processId);
IdleCost CostSince(DWORD processId, const CpuMark& mark);
// The cost of the next seconds, slept through.
IdleCost MeasureIdle(DWORD processId, int seconds);
void PrintIdle(const char* what, const IdleCost& cost);

// What a process holds. Where Wine 8 does not answer for another process (its handle
// count, its private bytes), the process list's entry has it: the same count, and the
// page-file usage, which is the private bytes by definition. GDI and USER objects it
// counts nowhere: 0.
struct Holdings {
    double handles = 0;
    double gdiObjects = 0;
    double userObjects = 0;
    double workingSetKb = 0;
    double privateKb = 0;
};

Holdings HoldingsOf(HANDLE process);

}  // namespace bench
