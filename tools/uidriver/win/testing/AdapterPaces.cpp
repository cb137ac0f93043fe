#include "AdapterPaces.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace orvex::uidriver {

namespace {
// time_scale 1 leaves every delay at a hundredth; the adapter is away at least 100 ms after a
// restart all the same.
constexpr AdapterPace kInstant{"instant",
                               "time_scale = 1\nattach_delay_ms = 20\nnotify_interval_ms = 1\nprogress_steps = 4\n"
                               "progress_interval_ms = 10\nrestart_ms = 100\nreset_away_ms = 100\nread_block_ms = 0\n",
                               false};
constexpr AdapterPace kScaled{"scaled", "time_scale = 5\nprogress_steps = 4\nprogress_interval_ms = 80\n", false};
// The adapter's own timing, as a fresh `orvex sim init` has it.
constexpr AdapterPace kReal{"real", "time_scale = 100\nprogress_steps = 4\nprogress_interval_ms = 80\n", true};
// Slower than every wait of the tools but the five quiet seconds that mean a silent device.
constexpr AdapterPace kSlow{"slow",
                            "time_scale = 100\nattach_delay_ms = 2000\nprogress_steps = 1\nprogress_interval_ms = 1200\n"
                            "restart_ms = 4000\n",
                            true};
}  // namespace

std::vector<AdapterPace> SweepPaces() {
  const char* which = getenv("ORVEX_PACES");
  if (which != nullptr && strcmp(which, "full") == 0) return {kInstant, kScaled, kReal, kSlow};
  return {kInstant, kReal};
}

size_t ProgramWrites(const std::string& adapter_log) {
  static const std::string kWrite = "program write request";
  size_t n = 0;
  for (size_t at = adapter_log.find(kWrite); at != std::string::npos; at = adapter_log.find(kWrite, at + 1)) ++n;
  return n;
}

void RecordSweepRow(const AdapterPace& pace, const std::string& job, size_t writes) {
  const char* table = getenv("ORVEX_SWEEP_TABLE");
  if (table == nullptr || *table == '\0') return;
  FILE* file = fopen(table, "ab");
  if (file == nullptr) return;
  fprintf(file, "%s\t%s\t%u\t%s\n", pace.name, job.c_str(), static_cast<unsigned>(writes),
          ::testing::Test::HasFailure() ? "FAILED" : "ok");
  fclose(file);
}

}  // namespace orvex::uidriver
