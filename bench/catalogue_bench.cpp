// Win32 only. How fast the program lists and marks every monitor profile of the colour directory,
// against the bare colour-system calls it makes, both timed in the same process in
// alternating rounds so that they see the same machine. A benchmark, not a test: it
// prints numbers and a verdict and fails only when the two ways disagree on what they
// found or the setting up goes wrong.
//
//   kestrava_bench.exe [--rounds R] [--template PATH] [--breakdown] [N ...]
//
// For each N (default 100 1000 5000) the colour directory gets N copies of a valid
// monitor profile, bench-00001.icm and on; the prefix's own profiles stay and are
// listed too, so every per-row cost is divided by the rows actually listed. Every
// bench-*.icm is removed before and after.
//
// program: AddAllProfilesToList into a ProfileListBox bound to a visible sorted,
//          owner-drawn list box, filled with redraw off, as the monitor window does
//          it. Turning redraw back on and the repaint that follows are timed apart
//          ("redraw ms"): that cost is the window system's, a few milliseconds
//          whatever the list holds.
// bare:    the same colour-system calls written straight against the Win32 API:
//          the colour directory, the enumeration (size, then names), and per listed
//          .icm/.icc file open, two tag tests, close.
// --breakdown also times the parts of the program's run one by one, to show where
// the difference goes.
#include "bench_util.h"
#include "cms/CMSSupportEx.h"
#include "cms/gamma_ramp.h"
#include "fw/gdi.h"
#include "platform/owner.h"
#include "support/list_host_window.h"
#include "ui/profile_list_box.h"

#include <windows.h>
#include <icm.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace {

using bench::ColorDirectory;
using bench::Fail;
using bench::Median;
using bench::Stopwatch;

// ENUMTYPEA's monitor class, written out: icm.h's 'mntr' is a multi-character constant.
constexpr DWORD kMonitorClass = 0x6D6E7472;
constexpr double kRatioLimit = 1.2;
constexpr double kLinearTolerance = 0.30;
constexpr const char* kBenchPrefix = "bench-";

struct FindTraits {
    static void Close(HANDLE find) { FindClose(find); }
};
struct ColorProfileTraits {
    static void Close(HPROFILE profile) { CloseColorProfile(profile); }
};
// CreateFileA and FindFirstFileA fail with INVALID_HANDLE_VALUE, not null: the callers
// turn that into null before an owner takes the handle.
using FileOwner = wintest::HandleOwner;
using FindOwner = Owner<HANDLE, FindTraits>;
using ColorProfileOwner = Owner<HPROFILE, ColorProfileTraits>;

HANDLE NullIfInvalid(HANDLE handle) { return handle == INVALID_HANDLE_VALUE ? nullptr : handle; }

// A Unix path of the build as Wine's Z: drive shows it.
std::string WinePath(const std::string& unixPath)
{
    std::string path = "Z:" + unixPath;
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

std::string ReadFileBytes(const std::string& path)
{
    FileOwner file(NullIfInvalid(
        CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr)));
    if (!file)
        Fail("cannot open the template " + path);
    std::string bytes;
    char chunk[4096];
    DWORD got = 0;
    while (ReadFile(file.Get(), chunk, sizeof chunk, &got, nullptr) && got > 0)
        bytes.append(chunk, got);
    if (bytes.size() < 128)
        Fail("the template " + path + " is no profile");
    return bytes;
}

// The bench's profiles in the colour directory: written on Fill, all gone when the
// object ends, whatever way the run leaves.
class BenchProfiles {
public:
    BenchProfiles(std::string directory, std::string bytes)
        : m_directory(std::move(directory)), m_bytes(std::move(bytes))
    {
        RemoveAll();
    }
    ~BenchProfiles() { RemoveAll(); }
    BenchProfiles(const BenchProfiles&) = delete;
    BenchProfiles& operator=(const BenchProfiles&) = delete;

    void Fill(int count)
    {
        RemoveAll();
        for (int i = 1; i <= count; ++i) {
            char name[32];
            std::snprintf(name, sizeof name, "%s%05d.icm", kBenchPrefix, i);
            const std::string path = m_directory + "\\" + name;
            FileOwner file(NullIfInvalid(
                CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr)));
            DWORD written = 0;
            if (!file ||
                !WriteFile(file.Get(), m_bytes.data(), static_cast<DWORD>(m_bytes.size()), &written, nullptr) ||
                written != m_bytes.size())
                Fail("cannot write " + path);
        }
    }

    // Every bench-*.icm, by its long name: a short name may match the pattern too.
    void RemoveAll()
    {
        std::vector<std::string> names;
        {
            WIN32_FIND_DATAA found{};
            const std::string pattern = m_directory + "\\" + kBenchPrefix + "*.icm";
            FindOwner find(NullIfInvalid(FindFirstFileA(pattern.c_str(), &found)));
            if (!find)
                return;
            do {
                const size_t length = std::strlen(found.cFileName);
                if (std::strncmp(found.cFileName, kBenchPrefix, std::strlen(kBenchPrefix)) == 0 && length > 4 &&
                    _stricmp(found.cFileName + length - 4, ".icm") == 0)
                    names.emplace_back(found.cFileName);
            } while (FindNextFileA(find.Get(), &found));
        }
        for (const std::string& name : names)
            DeleteFileA((m_directory + "\\" + name).c_str());
    }

private:
    std::string m_directory;
    std::string m_bytes;
};

// What a listing found: rows, and how many of them carry each tag.
struct Found {
    int rows = 0;
    int vcgt = 0;
    int creator = 0;
    bool operator==(const Found& other) const
    {
        return rows == other.rows && vcgt == other.vcgt && creator == other.creator;
    }
};

bool HasProfileExtension(const char* name, size_t length)
{
    return length >= 4 && (_stricmp(name + length - 4, ".icm") == 0 || _stricmp(name + length - 4, ".icc") == 0);
}

// The enumeration the program makes: the names the store lists as monitor profiles.
std::vector<BYTE> EnumerateMonitorProfiles()
{
    ENUMTYPEA criteria{};
    criteria.dwSize = sizeof criteria;
    criteria.dwVersion = ENUM_TYPE_VERSION;
    criteria.dwFields = ET_CLASS;
    criteria.dwClass = kMonitorClass;
    DWORD size = 0;
    DWORD count = 0;
    EnumColorProfilesA(nullptr, &criteria, nullptr, &size, &count);
    std::vector<BYTE> names(size != 0 ? size : 1, 0);
    if (count != 0 && !EnumColorProfilesA(nullptr, &criteria, names.data(), &size, &count))
        Fail("EnumColorProfilesA failed");
    return names;
}

// Calls visit with each listed .icm/.icc file's full path and its length.
void ForEachListedProfile(const std::string& directory, const std::vector<BYTE>& names,
                          const std::function<void(const char*, DWORD)>& visit)
{
    char path[MAX_PATH * 2];
    std::memcpy(path, directory.c_str(), directory.size());
    path[directory.size()] = '\\';
    char* const nameStart = path + directory.size() + 1;
    const auto* p = reinterpret_cast<const char*>(names.data());
    const char* const end = p + names.size();
    while (p < end && *p != '\0') {
        const size_t length = strnlen(p, static_cast<size_t>(end - p));
        if (HasProfileExtension(p, length) && length < MAX_PATH) {
            std::memcpy(nameStart, p, length);
            nameStart[length] = '\0';
            visit(path, static_cast<DWORD>(nameStart + length - path));
        }
        p += length + 1;
    }
}

// Opens one profile and tests its two tags, as the program's marking does.
void OpenAndTest(const char* path, DWORD length, Found& found)
{
    PROFILE record{PROFILE_FILENAME, const_cast<char*>(path), length};
    ColorProfileOwner profile(OpenColorProfileA(&record, PROFILE_READ, FILE_SHARE_READ, OPEN_EXISTING));
    if (!profile)
        return;
    BOOL present = FALSE;
    if (!IsColorProfileTagPresent(profile.Get(), kTagVcgt, &present))
        return;
    found.vcgt += present ? 1 : 0;
    if (!IsColorProfileTagPresent(profile.Get(), kTagTCPt, &present))
        return;
    found.creator += present ? 1 : 0;
}

// The bare calls: directory, enumeration, then open, two tag tests and close per file.
Found BareListAndMark()
{
    Found found;
    const std::string directory = ColorDirectory();
    const std::vector<BYTE> names = EnumerateMonitorProfiles();
    ForEachListedProfile(directory, names, [&](const char* path, DWORD length) {
        ++found.rows;
        OpenAndTest(path, length, found);
    });
    return found;
}

// A list that lets the bench count its flags.
class BenchListBox : public ProfileListBox {
public:
    Found Count() const
    {
        Found found;
        found.rows = GetCount();
        for (uint16_t flag : Profiles().Contents().vcgtFlags)
            found.vcgt += flag ? 1 : 0;
        for (uint16_t flag : Profiles().Contents().creatorFlags)
            found.creator += flag ? 1 : 0;
        return found;
    }
};

// The monitor window's list, in a visible pop-up: sorted, notifying, owner-drawn with
// a fixed row height, keeping its strings, with a border and a scroll bar.
constexpr DWORD kListStyle = WS_CHILD | WS_VISIBLE | WS_BORDER | WS_VSCROLL | LBS_SORT | LBS_NOTIFY |
                             LBS_OWNERDRAWFIXED | LBS_HASSTRINGS | LBS_NOINTEGRALHEIGHT;
constexpr int kListId = 1000;

class ListHost {
public:
    // At left on the screen, so that the breakdown's lists never cover each other; bind
    // false leaves the control a plain list box.
    explicit ListHost(int left = 40, bool bind = true) : m_host(kListStyle, kListId, left)
    {
        if (!m_host.Window())
            Fail("cannot create the host window");
        if (!m_host.List())
            Fail("cannot create the list box");
        if (bind && !list.SubclassWindow(m_host.List()))
            Fail("cannot bind the list box");
        Settle();
    }

    HWND List() const { return m_host.List(); }

    // Paints whatever is pending, so that a timed run starts from a quiet window.
    void Settle() const
    {
        wintest::PumpMessages();
        UpdateWindow(m_host.Window());
        wintest::PumpMessages();
    }

    void RedrawOff() const { SendMessageA(List(), WM_SETREDRAW, FALSE, 0); }
    void RedrawOn() const
    {
        SendMessageA(List(), WM_SETREDRAW, TRUE, 0);
        InvalidateRect(List(), nullptr, TRUE);
    }
    void Paint() const { UpdateWindow(List()); }
    void RedrawOnAndPaint() const
    {
        RedrawOn();
        Paint();
    }

    BenchListBox list;

private:
    wintest::ListHostWindow m_host;   // after the list, so destroyed before it
};

// One program run: an emptied list (outside the time, see Reset), then the fill and
// mark, timed; then turning redraw back on and the repaint of the visible rows, timed
// on their own: that is the window system's work, some 3 ms under Wine whatever the
// list holds, and no part of listing and marking the profiles.
double TimeProgram(ListHost& host, RecordingPresenter& reports, Found& found, double* paintMs = nullptr)
{
    host.list.Profiles().ResetProfiles();
    host.Settle();
    host.RedrawOff();
    Stopwatch watch;
    const int32_t result = AddAllProfilesToList(nullptr, host.list.Profiles());
    const double ms = watch.Ms();
    Stopwatch paint;
    host.RedrawOnAndPaint();
    if (paintMs)
        *paintMs = paint.Ms();
    if (result != 0)
        Fail("AddAllProfilesToList returned " + std::to_string(result));
    if (!reports.reports.empty())
        Fail("AddAllProfilesToList reported: " + reports.reports.front().messageText + " " +
             reports.reports.front().fileLineText);
    found = host.list.Count();
    return ms;
}

double TimeBare(Found& found)
{
    Stopwatch watch;
    found = BareListAndMark();
    return watch.Ms();
}

struct Row {
    int n = 0;
    int rows = 0;
    double programMs = 0;
    double bareMs = 0;
    double paintMs = 0;   // redraw back on and the repaint of the visible rows
    double Ratio() const { return programMs / bareMs; }
    double ProgramUs() const { return programMs * 1000.0 / rows; }
    double BareUs() const { return bareMs * 1000.0 / rows; }
};

// The parts of the program's run, each timed on its own (medians of the rounds), next
// to the bare calls' parts.
void Breakdown(int rounds, int expectedRows)
{
    ListHost host(440);
    ListHost plain(840, false);
    const std::string directory = ColorDirectory();
    std::vector<std::string> paths;
    ForEachListedProfile(directory, EnumerateMonitorProfiles(),
                         [&](const char* path, DWORD) { paths.emplace_back(path); });
    if (static_cast<int>(paths.size()) != expectedRows)
        Fail("the breakdown lists " + std::to_string(paths.size()) + " rows");

    std::vector<double> enumerate, bareMark, reset, insert, mark, paint, plainInsert, plainPaint, boundGet, plainGet;
    for (int round = 0; round < rounds; ++round) {
        {
            Stopwatch watch;
            const std::vector<BYTE> names = EnumerateMonitorProfiles();
            enumerate.push_back(watch.Ms());
        }
        {
            Found found;
            Stopwatch watch;
            for (const std::string& path : paths)
                OpenAndTest(path.c_str(), static_cast<DWORD>(path.size()), found);
            bareMark.push_back(watch.Ms());
        }
        {
            // The same rows into the bound list: the model's inserts, redraw off.
            host.list.Profiles().ResetProfiles();
            host.Settle();
            host.RedrawOff();
            Stopwatch watch;
            for (const std::string& path : paths)
                host.list.Profiles().AddProfile(path);
            insert.push_back(watch.Ms());
        }
        {
            Stopwatch watch;
            MarkProfileAttributes(host.list.Profiles());
            mark.push_back(watch.Ms());
        }
        {
            Stopwatch watch;
            host.RedrawOnAndPaint();
            paint.push_back(watch.Ms());
        }
        {
            // One item-data read per row through the bound list, as the marking makes
            // three of them per row.
            Stopwatch watch;
            LPARAM sum = 0;
            for (int row = 0; row < expectedRows; ++row)
                sum += SendMessageA(host.List(), LB_GETITEMDATA, static_cast<WPARAM>(row), 0);
            boundGet.push_back(watch.Ms());
            if (sum < 0)
                Fail("item data missing");
        }
        {
            // A full list emptied, as the program's next listing starts.
            host.RedrawOff();
            Stopwatch watch;
            host.list.Profiles().ResetProfiles();
            reset.push_back(watch.Ms());
            host.RedrawOnAndPaint();
        }
        {
            // The same strings into a list box no object is bound to.
            SendMessageA(plain.List(), LB_RESETCONTENT, 0, 0);
            plain.Settle();
            plain.RedrawOff();
            std::vector<std::string> names;
            names.reserve(paths.size());
            for (const std::string& path : paths)
                names.push_back(path.substr(directory.size() + 1, path.size() - directory.size() - 5));
            Stopwatch watch;
            for (size_t i = 0; i < names.size(); ++i) {
                const auto row =
                    SendMessageA(plain.List(), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(names[i].c_str()));
                SendMessageA(plain.List(), LB_SETITEMDATA, static_cast<WPARAM>(row), static_cast<LPARAM>(i));
            }
            plainInsert.push_back(watch.Ms());
        }
        {
            // The control's own share of the paint: its rows are asked for and not drawn.
            Stopwatch watch;
            plain.RedrawOnAndPaint();
            plainPaint.push_back(watch.Ms());
        }
        {
            Stopwatch watch;
            LPARAM sum = 0;
            for (int row = 0; row < expectedRows; ++row)
                sum += SendMessageA(plain.List(), LB_GETITEMDATA, static_cast<WPARAM>(row), 0);
            plainGet.push_back(watch.Ms());
            if (sum < 0)
                Fail("item data missing");
        }
    }

    const double perRow = 1000.0 / expectedRows;
    auto line = [&](const char* what, const std::vector<double>& ms) {
        const double median = Median(ms);
        std::printf("  %-60s %9.2f ms %8.1f us/row\n", what, median, median * perRow);
    };
    std::printf("breakdown at %d rows (medians of %d rounds):\n", expectedRows, rounds);
    line("bare: enumeration (size + names)", enumerate);
    line("bare: open, two tag tests, close per row", bareMark);
    line("program: AddProfile per row into the bound list", insert);
    line("program: MarkProfileAttributes", mark);
    line("program: redraw on, invalidate, paint", paint);
    line("program: ResetProfiles of a full list (not timed above)", reset);
    line("plain list box: LB_ADDSTRING + LB_SETITEMDATA per row", plainInsert);
    line("plain list box: redraw on, invalidate, paint (rows undrawn)", plainPaint);
    line("bound list box: one LB_GETITEMDATA per row", boundGet);
    line("plain list box: one LB_GETITEMDATA per row", plainGet);
    std::fflush(stdout);
}

bool WithinOf(const std::vector<double>& values, double tolerance, double& low, double& high)
{
    double sum = 0;
    for (double v : values)
        sum += v;
    const double mean = sum / static_cast<double>(values.size());
    low = *std::min_element(values.begin(), values.end());
    high = *std::max_element(values.begin(), values.end());
    return low >= mean * (1.0 - tolerance) && high <= mean * (1.0 + tolerance);
}

void Usage()
{
    std::fprintf(stderr, "usage: kestrava_bench [--rounds R] [--template PATH] [--breakdown] [N ...]\n");
    std::exit(2);
}

int Run(int argc, char** argv, RecordingPresenter& reports)
{
    int rounds = 5;
    bool breakdown = false;
    std::string templatePath = WinePath(KESTRAVA_PROFILE_DIR "/kv-valid.icm");
    std::vector<int> sizes;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--rounds" && i + 1 < argc) {
            rounds = std::atoi(argv[++i]);
        } else if (arg == "--template" && i + 1 < argc) {
            templatePath = argv[++i];
        } else if (arg == "--breakdown") {
            breakdown = true;
        } else if (!arg.empty() && arg[0] != '-') {
            sizes.push_back(std::atoi(arg.c_str()));
        } else {
            Usage();
        }
    }
    if (sizes.empty())
        sizes = {100, 1000, 5000};
    if (rounds < 1 || std::any_of(sizes.begin(), sizes.end(), [](int n) { return n < 1 || n > 99999; }))
        Usage();

    const std::string directory = ColorDirectory();
    BenchProfiles profiles(directory, ReadFileBytes(templatePath));

    // What the prefix lists of its own, before any bench profile is there.
    int ownRows = 0;
    std::string ownNames;
    ForEachListedProfile(directory, EnumerateMonitorProfiles(), [&](const char* path, DWORD) {
        ++ownRows;
        ownNames += std::string(ownNames.empty() ? "" : ", ") + "\"" + (path + directory.size() + 1) + "\"";
    });
    std::printf("colour directory %s\ntemplate %s\nthe prefix lists %d profile%s of its own%s%s; they are counted "
                "in the rows\n%d rounds per N, program and bare alternating, medians\n\n",
                directory.c_str(), templatePath.c_str(), ownRows, ownRows == 1 ? "" : "s", ownRows ? ": " : "",
                ownNames.c_str(), rounds);
    std::fflush(stdout);

    ListHost host;
    std::vector<Row> table;
    for (int n : sizes) {
        profiles.Fill(n);
        Row row;
        row.n = n;
        row.rows = n + ownRows;

        // One untimed pass of each first: the files' first opening is not the point.
        Found bareFound;
        Found programFound;
        TimeBare(bareFound);
        TimeProgram(host, reports, programFound);
        if (bareFound.rows != row.rows)
            Fail("the bare calls listed " + std::to_string(bareFound.rows) + " rows, expected " +
                 std::to_string(row.rows));

        std::vector<double> program;
        std::vector<double> bare;
        std::vector<double> paint(static_cast<size_t>(rounds));
        for (int round = 0; round < rounds; ++round) {
            // ABBA, so that neither side always runs right after the other's work.
            if (round % 2 == 0) {
                program.push_back(TimeProgram(host, reports, programFound, &paint[static_cast<size_t>(round)]));
                bare.push_back(TimeBare(bareFound));
            } else {
                bare.push_back(TimeBare(bareFound));
                program.push_back(TimeProgram(host, reports, programFound, &paint[static_cast<size_t>(round)]));
            }
            if (!(programFound == bareFound))
                Fail("the program found " + std::to_string(programFound.rows) + " rows (" +
                     std::to_string(programFound.vcgt) + " vcgt, " + std::to_string(programFound.creator) +
                     " TCPt), the bare calls " + std::to_string(bareFound.rows) + " (" +
                     std::to_string(bareFound.vcgt) + ", " + std::to_string(bareFound.creator) + ")");
        }
        row.programMs = Median(program);
        row.bareMs = Median(bare);
        row.paintMs = Median(paint);
        table.push_back(row);
        std::printf("N=%d, ms per round: program", n);
        for (double ms : program)
            std::printf(" %.1f", ms);
        std::printf(" | bare");
        for (double ms : bare)
            std::printf(" %.1f", ms);
        std::printf("\n");
        std::fflush(stdout);

        if (breakdown)
            Breakdown(rounds, row.rows);
    }

    std::printf("\n%7s %7s %12s %12s %7s %16s %14s %10s\n", "N", "rows", "program ms", "bare ms", "ratio",
                "program us/row", "bare us/row", "redraw ms");
    for (const Row& row : table)
        std::printf("%7d %7d %12.1f %12.1f %7.2f %16.1f %14.1f %10.1f\n", row.n, row.rows, row.programMs,
                    row.bareMs, row.Ratio(), row.ProgramUs(), row.BareUs(), row.paintMs);

    const auto worst = std::max_element(table.begin(), table.end(),
                                        [](const Row& a, const Row& b) { return a.Ratio() < b.Ratio(); });
    std::vector<double> programPerRow;
    std::vector<double> barePerRow;
    for (const Row& row : table) {
        programPerRow.push_back(row.ProgramUs());
        barePerRow.push_back(row.BareUs());
    }
    double programLow = 0, programHigh = 0, bareLow = 0, bareHigh = 0;
    const bool programLinear = WithinOf(programPerRow, kLinearTolerance, programLow, programHigh);
    const bool bareLinear = WithinOf(barePerRow, kLinearTolerance, bareLow, bareHigh);
    std::printf("\nverdict: ratio <= %.1f at every N: %s (worst %.2f at N=%d); per-row cost within +-%.0f%% of "
                "its mean across N: program %s (%.1f..%.1f us), bare %s (%.1f..%.1f us)\n",
                kRatioLimit, worst->Ratio() <= kRatioLimit ? "yes" : "NO", worst->Ratio(), worst->n,
                kLinearTolerance * 100, programLinear ? "yes" : "NO", programLow, programHigh,
                bareLinear ? "yes" : "NO", bareLow, bareHigh);
    std::fflush(stdout);
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    return bench::Main("kestrava_bench", [&](RecordingPresenter& reports) { return Run(argc, argv, reports); });
}
