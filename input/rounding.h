// Every formula of a run, and the reading of every number, is written for
// rounding to nearest; a host program may have chosen another rounding mode for
// its own thread. The library's entry points round to nearest while they work
// and leave the host's mode as they found it.
#pragma once

#include <cfenv>

namespace primrec {

class round_to_nearest {
 public:
  round_to_nearest() : previous_(std::fegetround()) {
    if (previous_ != FE_TONEAREST) std::fesetround(FE_TONEAREST);
  }
  ~round_to_nearest() {
    if (previous_ != FE_TONEAREST) std::fesetround(previous_);
  }
  round_to_nearest(const round_to_nearest&) = delete;
  round_to_nearest& operator=(const round_to_nearest&) = delete;

 private:
  int previous_;
};

}  // namespace primrec
