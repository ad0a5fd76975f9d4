// The benchmarks' clock: seconds since a moment taken with Clock::now().
#pragma once
#include <chrono>

using Clock = std::chrono::steady_clock;

inline double Seconds(Clock::time_point since) {
  return std::chrono::duration<double>(Clock::now() - since).count();
}
