// The progress line: shown once a run has gone on long enough to tell, and is
// expected to take more than a couple of seconds in all.
#include "shell/progress.h"

#include <unistd.h>

#include <cstdio>
#include <string>

namespace {

// A run expected to end within this many seconds shows no progress.
constexpr double shown_from_seconds = 2.0;
// How long a run goes before its end is estimated, and how often the line is
// rewritten [s].
constexpr double first_estimate_after = 0.5;
constexpr double redraw_every = 0.25;
// Blanks that wipe the longest line.
constexpr int line_width = 72;

double seconds(std::chrono::steady_clock::duration d) { return std::chrono::duration<double>(d).count(); }

std::string duration_text(double s) {
  char text[48];
  if (s >= 86400) {
    std::snprintf(text, sizeof text, "%ld d %ld h", static_cast<long>(s / 86400), static_cast<long>(s) % 86400 / 3600);
  } else if (s >= 3600) {
    std::snprintf(text, sizeof text, "%ld h %ld min", static_cast<long>(s / 3600), static_cast<long>(s) % 3600 / 60);
  } else if (s >= 60) {
    std::snprintf(text, sizeof text, "%ld min %ld s", static_cast<long>(s / 60), static_cast<long>(s) % 60);
  } else {
    std::snprintf(text, sizeof text, "%.0f s", s);
  }
  return text;
}

}  // namespace

ProgressLine::ProgressLine()
    : terminal_(isatty(STDERR_FILENO) != 0), start_(Clock::now()), pass_start_(start_), last_(start_) {}

ProgressLine::~ProgressLine() { clear(); }

void ProgressLine::clear() {
  if (shown_) std::fprintf(stderr, "\r%*s\r", line_width, "");
  shown_ = false;
}

// The passes differ in cost (the feedback pass can take far longer than the
// first): the time left comes from the rate of the pass under way, for it and
// for each pass after it.
void ProgressLine::update(const primrec::Progress& p) {
  if (!terminal_) return;
  const Clock::time_point now = Clock::now();
  if (p.pass != pass_) {
    pass_ = p.pass;
    pass_start_ = now;
  }
  const double pass_done = p.fraction * p.passes - p.pass;
  const double elapsed = seconds(now - start_), in_pass = seconds(now - pass_start_);
  if (pass_done <= 0 || elapsed < first_estimate_after || seconds(now - last_) < redraw_every) return;
  const double per_pass = in_pass / pass_done;
  const double left = per_pass * (1 - pass_done) + per_pass * (p.passes - p.pass - 1);
  if (!shown_ && elapsed + left < shown_from_seconds) return;
  shown_ = true;
  last_ = now;
  std::fprintf(stderr, "\rpass %d/%d  z = %-10.6g %5.1f %%  %s left   ", p.pass + 1, p.passes, p.z,
               100 * p.fraction, duration_text(left).c_str());
  std::fflush(stderr);
}
