// The two passes of a feedback run, however they are scheduled: one after the
// other as written (every step of both), on one thread with the feedback pass
// starting where it parts from the first, or side by side on two threads. All
// three must give the same bits, messages and failures.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "driver/stepping.h"
#include "input/constants.h"
#include "primrec/primrec.hpp"
#include "transfer/feedback.h"
#include "support.h"

namespace {

using primrec::Parameters;
using primrec::Solution;
using primrec::Status;

using testing_support::quick;

class Collector : public primrec::Observer {
 public:
  explicit Collector(primrec::History& h) : h_(h) {}
  void row(const primrec::Row& r) override {
    for (auto [column, value] : {std::pair{&h_.z, r.z}, {&h_.HydI, r.HydI}, {&h_.HydII, r.HydII}, {&h_.HeI, r.HeI},
                                 {&h_.HeII, r.HeII}, {&h_.HeIII, r.HeIII}, {&h_.el, r.el}, {&h_.x_e, r.x_e},
                                 {&h_.T_m, r.T_m}})
      column->push_back(value);
  }
  void overheating_row(const primrec::OverheatingRow& r) override { h_.overheating.push_back(r); }
  void message(const std::string& text) override { h_.messages += text; }

 private:
  primrec::History& h_;
};

// Both passes, every step, one after the other: the algorithm as written.
Solution as_written(const Parameters& p, bool fast = false) {
  Solution s;
  Collector out(s.history);
  primrec::Options options;
  options.fast = fast;
  const auto run = std::make_unique<primrec::Run>(primrec::derive_constants(p), primrec::derive_step_settings(p), out,
                                                  options);
  for (int pass = 0; pass < 2 && s.status == Status::ok; ++pass) {
    s.status = primrec::Iteration_of_Process(*run, pass, 2);
    if (s.status == Status::breakdown) s.error = run->error;
  }
  s.work = run->work;
  return s;
}

primrec::Options two_threads() {
  primrec::Options options;
  options.threads = 2;
  return options;
}

Solution with_threads(const Parameters& p, int threads, bool fast = false) {
  primrec::Options options;
  options.threads = threads;
  options.fast = fast;
  return primrec::solve(p, options);
}

bool same_bits(const std::vector<double>& a, const std::vector<double>& b) {
  return a.size() == b.size() && (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(double)) == 0);
}

void expect_same(const Solution& a, const Solution& b, const std::string& what) {
  ASSERT_EQ(a.status, b.status) << what;
  EXPECT_EQ(a.error, b.error) << what;
  const primrec::History &x = a.history, &y = b.history;
  EXPECT_TRUE(same_bits(x.z, y.z) && same_bits(x.HydI, y.HydI) && same_bits(x.HydII, y.HydII) &&
              same_bits(x.HeI, y.HeI) && same_bits(x.HeII, y.HeII) && same_bits(x.HeIII, y.HeIII) &&
              same_bits(x.el, y.el) && same_bits(x.x_e, y.x_e) && same_bits(x.T_m, y.T_m))
      << what;
  ASSERT_EQ(x.overheating.size(), y.overheating.size()) << what;
  EXPECT_TRUE(x.overheating.empty() || std::memcmp(x.overheating.data(), y.overheating.data(),
                                                   x.overheating.size() * sizeof(primrec::OverheatingRow)) == 0)
      << what;
  EXPECT_EQ(x.messages, y.messages) << what;
}

// Two levels: the feedback pass repeats the first down to z = 1650 (or to the
// end); three or more: it parts at the first step. In either mode: the fast
// mode's steps follow the state as the input's grid does.
TEST(FeedbackThread, EverySchedulingOfThePassesGivesTheSameBits) {
  Parameters strided = quick(7000, 300, 3e-3, 2);
  strided.output_stride = 7;
  Parameters unconverged = quick(3000, 1500, 1e-2, 2);  // every step gives up: messages in both passes
  unconverged.convergence_norm = 1e-300;
  Parameters varied = quick(8000, 400, 5e-3, 3);
  varied.me *= 1.03;
  const std::vector<std::pair<std::string, Parameters>> cases = {
      {"two levels", quick(8000, 1, 4e-3, 2)}, {"two levels, above 1650", quick(3000, 1700, 4e-3, 2)},
      {"two levels, strided", strided},        {"unconverged", unconverged},
      {"three levels, varied", varied},        {"ten levels", quick(7000, 50, 5e-3, 10)}};
  for (const bool fast : {false, true}) {
    for (const auto& [name, p] : cases) {
      const std::string what = name + (fast ? ", fast" : "");
      const Solution written = as_written(p, fast);
      ASSERT_TRUE(written.ok()) << what << ": " << written.error;
      const Solution one = with_threads(p, 1, fast), two = with_threads(p, 2, fast);
      expect_same(one, written, what + ", one thread");
      expect_same(two, written, what + ", two threads");
      EXPECT_EQ(two.work.steps, written.work.steps) << what;
      // With two levels one thread skips the steps the passes share.
      if (p.feedback_levels == 2) {
        EXPECT_LT(one.work.steps, written.work.steps) << what;
      } else {
        EXPECT_EQ(one.work.steps, written.work.steps) << what;
      }
    }
  }
  EXPECT_NE(as_written(unconverged).history.messages.find("inner iteration did not converge"), std::string::npos);
}

// A breakdown of the first pass comes after rows the feedback pass gave beside
// it or on the shared steps: the history holds none, as one after the other.
TEST(FeedbackThread, ABreakdownOfTheFirstPassLeavesNoRows) {
  for (int levels : {2, 10}) {
    const Parameters p = quick(8000, 1, 0.1, levels);
    const Solution written = as_written(p);
    ASSERT_EQ(written.status, Status::breakdown);
    for (int threads : {1, 2}) {
      const Solution s = with_threads(p, threads);
      expect_same(s, written, "levels " + std::to_string(levels) + ", threads " + std::to_string(threads));
      EXPECT_EQ(s.history.size(), 0u);
      EXPECT_GT(s.history.overheating.size(), 0u);
    }
  }
}

// Observers need no locks: every call comes on the thread that solves.
class CallerThreadObserver : public primrec::Observer {
 public:
  void row(const primrec::Row&) override { check(); }
  void overheating_row(const primrec::OverheatingRow&) override { check(); }
  void message(const std::string&) override { check(); }
  void pass_finished(int pass) override {
    check();
    finished.push_back(pass);
  }
  void progress(const primrec::Progress&) override { check(); }
  void check() { other_thread = other_thread || std::this_thread::get_id() != caller; }
  std::thread::id caller = std::this_thread::get_id();
  bool other_thread = false;
  std::vector<int> finished;
};

TEST(FeedbackThread, TheObserverIsCalledOnTheCallersThreadOnly) {
  CallerThreadObserver out;
  Parameters p = quick(5000, 200, 4e-3, 4);
  p.convergence_norm = 1e-13;  // some steps give up: messages from both passes
  ASSERT_TRUE(primrec::solve(p, out, two_threads()).ok());
  EXPECT_FALSE(out.other_thread);
  EXPECT_EQ(out.finished, (std::vector<int>{0, 1}));
}

// A cancel or an exception of the observer ends both passes; the exception
// reaches the caller once the first pass's thread has ended.
TEST(FeedbackThread, CancelAndExceptionsStopBothPasses) {
  struct Canceller : primrec::Observer {
    std::atomic<bool> cancel{false};
    void row(const primrec::Row& r) override {
      if (r.z < 1200) cancel = true;
    }
  } canceller;
  primrec::Options options = two_threads();
  options.cancel = &canceller.cancel;
  EXPECT_EQ(primrec::solve(quick(8000, 1, 4e-3, 10), canceller, options).status, Status::cancelled);

  // What the first pass made reaches the observer before the exception does.
  struct Thrower : primrec::Observer {
    size_t overheating_rows = 0;
    bool first_finished = false;
    void row(const primrec::Row& r) override {
      if (r.z < 1000) throw std::runtime_error("observer failed");
    }
    void overheating_row(const primrec::OverheatingRow&) override { ++overheating_rows; }
    void pass_finished(int pass) override { first_finished = first_finished || pass == 0; }
  } thrower;
  const Parameters p = quick(8000, 1, 4e-3, 10);
  EXPECT_THROW(primrec::solve(p, thrower, two_threads()), std::runtime_error);
  EXPECT_EQ(thrower.overheating_rows, primrec::solve(p).history.overheating.size());
  EXPECT_TRUE(thrower.first_finished);

  // On one thread the rows the first pass shares with the feedback pass wait
  // for the first pass to complete: a breakdown of it gives the observer none.
  struct Refuser : primrec::Observer {
    void row(const primrec::Row&) override { throw std::runtime_error("no rows expected"); }
  } refuser;
  primrec::Options one_thread;
  one_thread.threads = 1;
  EXPECT_EQ(primrec::solve(quick(8000, 1, 0.1, 2), refuser, one_thread).status, Status::breakdown);
}

// The feedback pass beside the first reads a table that is still growing. Its
// look-ups must give what the finished table gives, with only the rows that
// settle its step: here each step of a run sees the fewest rows it could.
TEST(FeedbackLookups, TheRowsThatSettleAStepGiveTheFinishedTablesAnswers) {
  Parameters p = quick(8000, 1, 1e-3, 10);
  p.output_stride = 1;  // a row for every step: the redshifts of the feedback pass
  const Solution s = primrec::solve(p);
  ASSERT_TRUE(s.ok());
  const primrec::Constants cs = primrec::derive_constants(p);
  const primrec::Physics ph(cs);
  primrec::Feedback finished, growing;
  for (const auto& row : s.history.overheating) finished.ln_HydRO.add_row(row.z, row.ln_overheating);
  primrec::Init_HydRO(finished, ph);
  primrec::Init_HydRO(growing, ph);
  size_t next = 0, steps_checked = 0;
  double rows_ended_at = -1;
  for (const double z : s.history.z) {
    if (rows_ended_at < 0 && z <= primrec::z_overheating_table_start && primrec::overheating_rows_ended(ph, z))
      rows_ended_at = z;
    if (!(z <= primrec::z_feedback_start)) continue;
    while (next < finished.ln_HydRO.size() && !primrec::rows_settle_step(growing.ln_HydRO, z)) {
      const auto& row = finished.ln_HydRO.row(next++);
      growing.ln_HydRO.add_row(row.x, row.y);
    }
    const double L = finished.ln_HydRO.line_approx(z), L_growing = growing.ln_HydRO.line_approx(z);
    ASSERT_EQ(std::memcmp(&L, &L_growing, sizeof L), 0) << z;
    for (size_t n = 2; n < finished.levels.size(); ++n) {
      const primrec::LymanLevel& level = finished.levels[n];
      const double z_f = (level.emission_share * (z + 1)) / level.absorption_share - 1;
      ASSERT_EQ(finished.ln_HydRO.line_approx(z_f), growing.ln_HydRO.line_approx(z_f)) << z << " level " << n;
    }
    const double a = primrec::Hydrogen_FeedBack_Correction(finished, ph, z, 1);
    const double b = primrec::Hydrogen_FeedBack_Correction(growing, ph, z, 1);
    ASSERT_EQ(std::memcmp(&a, &b, sizeof a), 0) << z;
    ++steps_checked;
  }
  EXPECT_GT(steps_checked, 6000u);
  // Once the blackbody has no photon left at Lyman alpha no row follows, and
  // the feedback pass reads the table as final from there.
  ASSERT_GT(rows_ended_at, 0);
  EXPECT_GE(finished.ln_HydRO.row(finished.ln_HydRO.size() - 1).x, rows_ended_at);
}

// With hundreds of thousands of levels some z_f round a unit of the last place
// below z: a last row exactly at z does not settle the step.
TEST(FeedbackLookups, ManyLevelsLookBelowTheStepsRedshift) {
  primrec::Feedback growing, finished;
  for (const auto& [x, y] : std::vector<std::pair<double, double>>{{1900, -10}, {1500, -12}, {1023.5, -14}})
    growing.ln_HydRO.add_row(x, y);
  EXPECT_FALSE(primrec::rows_settle_step(growing.ln_HydRO, 1023.5));
  for (const auto& [x, y] : std::vector<std::pair<double, double>>{{1900, -10}, {1500, -12}, {1023.5, -14}, {1000, -15}})
    finished.ln_HydRO.add_row(x, y);
  EXPECT_TRUE(primrec::rows_settle_step(finished.ln_HydRO, 1023.5));
}

// Rows with one redshift twice (steps finer than the printed digits) are
// walked, not bisected: a growing table must still answer as the finished one.
TEST(FeedbackLookups, RepeatedRedshiftsAreSettledToo) {
  const std::vector<std::pair<double, double>> rows = {{1700, -9}, {1650, -8}, {1650, -7.5}, {1649.5, -7},
                                                       {1649.5, -6.5}, {1600, -6}, {1550, -5}};
  primrec::table_fun finished, growing;
  for (const auto& [x, y] : rows) finished.add_row(x, y);
  size_t next = 0;
  for (double z = 1650; z >= 1560; z -= 0.25) {
    while (next < rows.size() && !primrec::rows_settle_step(growing, z)) {
      growing.add_row(rows[next].first, rows[next].second);
      ++next;
    }
    for (double x : {z, z + 0.25, z * 1.1})
      EXPECT_EQ(finished.line_approx(x), growing.line_approx(x)) << "z " << z << " x " << x;
  }
}

}  // namespace
