// Native only. How fast the decoder turns the longest calibration tables into the
// adapter's ramp, against the field's reference library doing the same from memory,
// both timed in the same run. A benchmark, not a test: it prints the times and the
// ratios, and exits 1 when the decoder takes more than 1.5 times as long as the library.
//
// The library's limits (tests/host/lcms_reference.h) make two comparisons:
//  - 3 x 32,768 two-byte entries, the longest table it evaluates right: its whole road
//    (cmsOpenProfileFromMem, cmsReadTag, the 768 evaluations, cmsCloseProfile);
//  - 3 x 65,530 entries, the longest it reads: the same road without the evaluations,
//    which would overflow there.
// The longest table of all, 65,535 entries (393,228 bytes), is timed for the decoder
// alone: the library reads none so long.
//
//   kestrava_vcgt_bench [Google Benchmark's options]     (see tools/bench_vcgt.sh)
#include "cms/vcgt_decoder.h"
#include "support/lcms_reference.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>

namespace {

constexpr double kRatioLimit = 1.5;
constexpr int64_t kEvaluated = lcms_reference::kLargestEvaluatedTable;
constexpr int64_t kRead = lcms_reference::kLargestTable;
constexpr int64_t kLongest = 65535;

// 3 channels of `count` rising two-byte entries, made once per count.
const std::vector<uint8_t>& Tag(int64_t count)
{
    static std::map<int64_t, std::vector<uint8_t>> made;
    std::vector<uint8_t>& tag = made[count];
    if (tag.empty()) {
        const auto entries = static_cast<size_t>(count);
        tag.assign(18 + 3 * entries * 2, 0);
        const uint8_t header[18] = {'v', 'c', 'g', 't', 0, 0, 0, 0, 0, 0, 0, 0, 0, 3,
                                    uint8_t(count >> 8), uint8_t(count), 0, 2};
        std::copy(std::begin(header), std::end(header), tag.begin());
        for (size_t k = 0; k < 3 * entries; ++k) {
            const size_t value = (k % entries) * 65535 / (entries - 1);
            tag[18 + 2 * k] = static_cast<uint8_t>(value >> 8);
            tag[19 + 2 * k] = static_cast<uint8_t>(value);
        }
    }
    return tag;
}

void Decoder(benchmark::State& state)
{
    const std::vector<uint8_t>& tag = Tag(state.range(0));
    HardwareRamp ramp{};
    for (auto _ : state) {
        if (!DecodeVcgt(tag.data(), tag.size(), ramp).Ok())
            state.SkipWithError("the decoder refused the table");
        benchmark::DoNotOptimize(ramp);
    }
}

void LittleCms(benchmark::State& state)
{
    const std::vector<uint8_t> profile = lcms_reference::ProfileAround(Tag(state.range(0)));
    HardwareRamp ramp{};
    for (auto _ : state) {
        if (!lcms_reference::Ramp(profile, ramp))
            state.SkipWithError("LittleCMS refused the table");
        benchmark::DoNotOptimize(ramp);
    }
}

void LittleCmsReadOnly(benchmark::State& state)
{
    const std::vector<uint8_t> profile = lcms_reference::ProfileAround(Tag(state.range(0)));
    for (auto _ : state) {
        if (!lcms_reference::WithCurves(profile, [](cmsToneCurve* const* curves) { benchmark::DoNotOptimize(curves); }))
            state.SkipWithError("LittleCMS refused the table");
    }
}

BENCHMARK(Decoder)->Arg(kEvaluated)->Arg(kRead)->Arg(kLongest)->Unit(benchmark::kMicrosecond);
BENCHMARK(LittleCms)->Arg(kEvaluated)->Unit(benchmark::kMicrosecond);
BENCHMARK(LittleCmsReadOnly)->Arg(kRead)->Unit(benchmark::kMicrosecond);

// The console's table, and each run's time kept by name.
class Collector : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs)
            times[run.benchmark_name()] = run.GetAdjustedRealTime();
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> times;
};

}  // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 2;
    Collector collector;
    benchmark::RunSpecifiedBenchmarks(&collector);
    benchmark::Shutdown();

    bool fast = true;
    const auto compare = [&](const char* what, int64_t count, const std::string& reference) {
        const std::string ours = "Decoder/" + std::to_string(count);
        const std::string theirs = reference + "/" + std::to_string(count);
        if (!collector.times.count(ours) || !collector.times.count(theirs))
            return;   // a filter left one out: there is nothing to compare
        const double ratio = collector.times[ours] / collector.times[theirs];
        std::printf("decoder / LittleCMS %s, 3 x %lld two-byte entries: %.4f (limit %.1f): %s\n", what,
                    static_cast<long long>(count), ratio, kRatioLimit, ratio <= kRatioLimit ? "ok" : "TOO SLOW");
        fast = fast && ratio <= kRatioLimit;
    };
    std::printf("\n");
    compare("(open, read, evaluate)", kEvaluated, "LittleCms");
    compare("(open, read)", kRead, "LittleCmsReadOnly");
    return fast ? 0 : 1;
}
