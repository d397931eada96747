// Win32 only. What another process costs and holds, read from outside (see process_meter.h).
#include "process_meter.h"

#include "support/win_test_util.h"

#include <psapi.h>
#include <winternl.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace bench {

namespace {

// A process's entry in the system's process list, which under Wine 8 carries what it
// does not answer about another process itself: its CPU times (Linux's count for each
// of its threads, in ticks of 10 ms) and its handle count.
SYSTEM_PROCESS_INFORMATION ProcessEntry(DWORD processId)
{
    std::vector<BYTE> list(1 << 20);
    ULONG length = 0;
    if (!NT_SUCCESS(NtQuerySystemInformation(SystemProcessInformation, list.data(),
                                             static_cast<ULONG>(list.size()), &length)))
        Fail("the process list cannot be read");
    for (size_t offset = 0;;) {
        SYSTEM_PROCESS_INFORMATION entry{};
        std::memcpy(&entry, list.data() + offset, sizeof entry);
        if (reinterpret_cast<uintptr_t>(entry.UniqueProcessId) == processId)
            return entry;
        if (entry.NextEntryOffset == 0 || offset + entry.NextEntryOffset + sizeof entry > length)
            Fail("process " + std::to_string(processId) + " is not in the process list");
        offset += entry.NextEntryOffset;
    }
}

}  // namespace

double ProcessCpuMs(DWORD processId)
{
    const SYSTEM_PROCESS_INFORMATION entry = ProcessEntry(processId);
    return static_cast<double>(entry.UserTime.QuadPart + entry.KernelTime.QuadPart) / 10000.0;
}

double ServersCpuMs()
{
    char state[MAX_PATH] = {};
    if (!GetEnvironmentVariableA("KESTRAVA_TESTBED_DIR", state, sizeof state))
        return -1;
    double total = 0;
    for (const char* pidFile : {"/wineserver.pid", "/xorg.pid"}) {
        std::ifstream pidStream(wintest::WinePath(std::string(state) + pidFile));
        std::string pid;
        if (!(pidStream >> pid))
            return -1;
        std::ifstream statStream(wintest::WinePath("/proc/" + pid + "/stat"));
        std::string stat;
        std::getline(statStream, stat);
        const size_t name = stat.rfind(')');
        if (name == std::string::npos)
            return -1;
        std::istringstream fields(stat.substr(name + 1));
        std::string field;
        unsigned long long ticks = 0;
        for (int index = 3; index <= 15 && fields >> field; ++index)
            if (index >= 14)
                ticks += std::strtoull(field.c_str(), nullptr, 10);
        total += static_cast<double>(ticks) * 10.0;
    }
    return total;
}

CpuMark Mark(DWORD processId) { return {ProcessCpuMs(processId), ServersCpuMs(), {}}; }

IdleCost CostSince(DWORD processId, const CpuMark& mark)
{
    IdleCost cost;
    const double perMinute = 60000.0 / mark.watch.Ms();
    cost.programMsPerMinute = (ProcessCpuMs(processId) - mark.program) * perMinute;
    const double serversAfter = ServersCpuMs();
    if (mark.servers >= 0 && serversAfter >= 0)
        cost.serversMsPerMinute = (serversAfter - mark.servers) * perMinute;
    return cost;
}

IdleCost MeasureIdle(DWORD processId, int seconds)
{
    const CpuMark mark = Mark(processId);
    Sleep(static_cast<DWORD>(seconds) * 1000);
    return CostSince(processId, mark);
}

void PrintIdle(const char* what, const IdleCost& cost)
{
    std::printf("  %-44s program %7.1f ms/min", what, cost.programMsPerMinute);
    if (cost.serversMsPerMinute >= 0)
        std::printf("   wineserver + Xorg %7.1f ms/min", cost.serversMsPerMinute);
    std::printf("\n");
    std::fflush(stdout);
}

Holdings HoldingsOf(HANDLE process)
{
    const SYSTEM_PROCESS_INFORMATION entry = ProcessEntry(GetProcessId(process));
    Holdings held;
    DWORD handles = 0;
    held.handles = (GetProcessHandleCount(process, &handles) && handles != 0) ? handles : entry.HandleCount;
    held.gdiObjects = GetGuiResources(process, GR_GDIOBJECTS);
    held.userObjects = GetGuiResources(process, GR_USEROBJECTS);
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof counters;
    if (!K32GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof counters))
        Fail("no memory counters for process " + std::to_string(GetProcessId(process)));
    held.workingSetKb = static_cast<double>(counters.WorkingSetSize) / 1024.0;
    const SIZE_T privateBytes =
        counters.PrivateUsage != 0 ? counters.PrivateUsage : entry.VirtualMemoryCounters.PagefileUsage;
    held.privateKb = static_cast<double>(privateBytes) / 1024.0;
    return held;
}


}  // namespace bench
