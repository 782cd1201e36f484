// Median, 99th percentile and maximum of a benchmark's samples.
#pragma once

#include <algorithm>
#include <vector>

namespace latency {

struct Figures {
  double median = 0, p99 = 0, max = 0;
};

inline Figures figures(std::vector<double> values) {
  if (values.empty()) return {};
  std::sort(values.begin(), values.end());
  const auto at = [&](double q) {
    return values[static_cast<std::size_t>(q * static_cast<double>(values.size() - 1))];
  };
  return {at(0.5), at(0.99), values.back()};
}

}  // namespace latency
