// Runs the benchmarks, then prints one summary line per benchmark that set a label:
//   bench: <label> <counter>=<value> ...
// These lines are what goes into the README.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

// Tabular and without colour, so the summary lines start clean.
class SummaryReporter final : public benchmark::ConsoleReporter {
 public:
  SummaryReporter() : ConsoleReporter(OO_Tabular) {}

  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.report_label.empty() || run.run_type != Run::RT_Iteration || run.error_occurred) continue;
      std::string line = "bench: " + run.report_label;
      for (const auto& [name, counter] : run.counters) {
        char value[64];
        std::snprintf(value, sizeof value, "%.4g", static_cast<double>(counter.value));
        line += " " + name + "=" + value;
      }
      lines_.push_back(line);
    }
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    for (const std::string& line : lines_) std::printf("%s\n", line.c_str());
  }

 private:
  std::vector<std::string> lines_;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  SummaryReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
