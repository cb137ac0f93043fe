// The device paces an end-to-end case runs at: from an adapter that answers far faster than any
// of the tools' waits (its whole write, end record and restart inside the 300 ms after the image
// is handed over) to one far slower (each progress record more than a second apart). The quick
// grid runs in every test run; ORVEX_PACES=full runs the whole grid (scripts/sweep.sh).
#pragma once

#include <cstddef>
#include <ostream>
#include <string>
#include <vector>

namespace orvex::uidriver {

struct AdapterPace {
  const char* name;
  const char* lines;  // state lines laid over the test's own
  // Whether a progress record stays on screen long enough for a test to see it.
  bool progress_visible;
};

std::vector<AdapterPace> SweepPaces();
// gtest names a failed case's pace by this.
inline void PrintTo(const AdapterPace& pace, std::ostream* out) { *out << pace.name; }

// For INSTANTIATE_TEST_SUITE_P: the pace's name.
struct AdapterPaceName {
  template <class Info>
  std::string operator()(const Info& info) const {
    return info.param.name;
  }
};

// How many program writes the adapter's log shows.
size_t ProgramWrites(const std::string& adapter_log);

// One row of the sweep's table (pace, job, writes, whether the case has passed so far), added to
// the file named by ORVEX_SWEEP_TABLE when it is set.
void RecordSweepRow(const AdapterPace& pace, const std::string& job, size_t writes);

}  // namespace orvex::uidriver
