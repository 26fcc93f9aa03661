#pragma once
// What the benchmarks share: seconds since a start, the fastest run of
// each case, which their summaries compare, and the process's memory as the
// kernel counts it.
#include <chrono>
#include <cstring>
#include <fstream>
#include <map>
#include <string>

namespace bench {

inline double seconds(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// A field of /proc/self/status in KiB ("VmRSS:" resident now, "VmHWM:" the
// peak since the last reset); -1 when it is missing.
inline long statusKiB(const char* field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind(field, 0) == 0) return std::stol(line.substr(std::strlen(field)));
  return -1;
}

class BestTimes {
 public:
  void record(const std::string& name, double s) {
    auto it = best_.find(name);
    if (it == best_.end() || s < it->second) best_[name] = s;
  }
  // The fastest run of `name` in seconds; 0 when it did not run.
  double operator[](const std::string& name) const {
    auto it = best_.find(name);
    return it == best_.end() ? 0.0 : it->second;
  }
  const std::map<std::string, double>& all() const { return best_; }

 private:
  std::map<std::string, double> best_;
};

}  // namespace bench
