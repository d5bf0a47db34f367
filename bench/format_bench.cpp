// The device formatter against the C library's snprintf on the same command,
// measured in the same run; prints the ratio at the end.
#include "platform/text/format.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>

namespace {

void snprintf_device_command(benchmark::State& state) {
    int channel = 3;
    int parameter = 301;
    double value = 0.5;
    for (auto _ : state) {
        benchmark::DoNotOptimize(channel);
        benchmark::DoNotOptimize(parameter);
        benchmark::DoNotOptimize(value);
        char buf[64];
        const int n = std::snprintf(buf, sizeof buf, "*SET %d %d %e", channel, parameter, value);
        std::string s(buf, static_cast<std::size_t>(n));
        benchmark::DoNotOptimize(s);
    }
}
BENCHMARK(snprintf_device_command);

void format_device_command(benchmark::State& state) {
    int channel = 3;
    int parameter = 301;
    double value = 0.5;
    for (auto _ : state) {
        benchmark::DoNotOptimize(channel);
        benchmark::DoNotOptimize(parameter);
        benchmark::DoNotOptimize(value);
        std::string s = platform::text::format("*SET %d %d %e", channel, parameter, value);
        benchmark::DoNotOptimize(s);
    }
}
BENCHMARK(format_device_command);

// Console output as usual, plus the CPU time per iteration of each benchmark.
class recording_reporter_t : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& r : runs)
            if (r.run_type == Run::RT_Iteration && !r.error_occurred)
                times[r.run_name.function_name] = r.GetAdjustedCPUTime();
    }
    std::map<std::string, double> times;
};

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    recording_reporter_t reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    const auto base = reporter.times.find("snprintf_device_command");
    const auto ours = reporter.times.find("format_device_command");
    if (base != reporter.times.end() && ours != reporter.times.end() && base->second > 0)
        std::printf("format / snprintf: %.2f (below 1 is faster than snprintf)\n", ours->second / base->second);
    return 0;
}
