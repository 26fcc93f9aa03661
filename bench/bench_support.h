#pragma once
// What the benchmarks share: seconds since a start, and the fastest run of
// each case, which their summaries compare.
#include <chrono>
#include <map>
#include <string>

namespace bench {

inline double seconds(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
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
