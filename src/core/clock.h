// The clock as the engine sees it: the seed source and today's local date.
// Tests and the headless runner can fix both.
#pragma once

#include <cstdint>

namespace kestrove {

struct CivilDate {
  int32_t year = 1900;
  int32_t month = 1;
  int32_t day = 1;
  friend bool operator==(const CivilDate&, const CivilDate&) = default;
};

class Clock {
 public:
  virtual ~Clock() = default;
  // Milliseconds since midnight UTC, 0 to 86,399,999.
  virtual uint32_t MillisecondsSinceMidnightUtc() const = 0;
  // Today's date in local time.
  virtual CivilDate Today() const = 0;
};

// The system clock.
class SystemClock : public Clock {
 public:
  uint32_t MillisecondsSinceMidnightUtc() const override;
  CivilDate Today() const override;
};

// A clock that always says the same; for tests and reproducible runs.
class FixedClock : public Clock {
 public:
  FixedClock(uint32_t ms, CivilDate today) : ms_(ms), today_(today) {}
  uint32_t MillisecondsSinceMidnightUtc() const override { return ms_; }
  CivilDate Today() const override { return today_; }
  void SetToday(CivilDate today) { today_ = today; }

 private:
  uint32_t ms_;
  CivilDate today_;
};

}  // namespace kestrove
