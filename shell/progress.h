// A progress line on standard error for runs long enough to wait for: the
// pass, the redshift, the share done and the time left. Only on a terminal, so
// scripts, pipes and tables see nothing.
#pragma once

#include <chrono>

#include "primrec/primrec.hpp"

class ProgressLine {
 public:
  ProgressLine();
  ~ProgressLine();  // clears the line
  ProgressLine(const ProgressLine&) = delete;
  ProgressLine& operator=(const ProgressLine&) = delete;

  void update(const primrec::Progress& p);
  // Wipes the line, so that other output starts on a clean line.
  void clear();

 private:
  using Clock = std::chrono::steady_clock;
  bool terminal_;
  bool shown_ = false;
  int pass_ = 0;  // the pass being timed
  Clock::time_point start_, pass_start_, last_;
};
