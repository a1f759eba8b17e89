#pragma once
// The benchmarks' report: one line per figure, with its floor, the ratio to
// the floor and the target the team set for it.

#include <cstdio>
#include <string>
#include <vector>

namespace velmori::bench {

struct Row {
  std::string figure;  // what is measured, against which floor
  std::string now;     // the measurement (a turn's mean), with its unit
  std::string floor;   // the floor's, or empty when the target is absolute
  double value = 0;    // what the target bounds: now / floor, or the measurement
  bool atMost = true;  // the target is an upper bound (else a lower one)
  double target = 0;
  double goal = 0;  // 0 when there is none
};

inline void PrintTable(const std::vector<Row>& rows) {
  std::printf("%-52s %11s %11s %8s %10s %10s\n", "", "now", "floor", "value", "target", "goal");
  for (const Row& row : rows) {
    const char* sign = row.atMost ? "<=" : ">=";
    const auto meets = [&](double bound) {
      return row.atMost ? row.value <= bound : row.value >= bound;
    };
    char goal[32] = "";
    if (row.goal > 0) std::snprintf(goal, sizeof goal, "%s %.2f", sign, row.goal);
    std::printf("%-52s %11s %11s %8.2f %s %7.2f %10s  %s\n", row.figure.c_str(), row.now.c_str(),
                row.floor.c_str(), row.value, sign, row.target, goal,
                row.goal > 0 && meets(row.goal) ? "goal met"
                : meets(row.target)             ? "target met"
                                                : "MISSED");
  }
}

// A figure with its unit, e.g. Figure("%.2f s", 1.5).
template <typename... Values>
std::string Figure(const char* format, Values... values) {
  char text[64];
  std::snprintf(text, sizeof text, format, values...);
  return text;
}

}  // namespace velmori::bench
