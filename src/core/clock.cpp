#include "core/clock.h"

#include <chrono>
#include <ctime>

namespace kestrove {

uint32_t SystemClock::MillisecondsSinceMidnightUtc() const {
  using namespace std::chrono;
  auto now = system_clock::now();
  auto ms = duration_cast<milliseconds>(now.time_since_epoch()).count();
  return static_cast<uint32_t>(ms % 86400000LL);
}

CivilDate SystemClock::Today() const {
  std::time_t t = std::time(nullptr);
  std::tm local{};
  localtime_r(&t, &local);
  return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday};
}

}  // namespace kestrove
