// The solver as a library: a solve depends on its parameters alone, whatever
// ran before it in the process and whatever runs beside it in other threads,
// and gives the bits the program writes.
#include <gtest/gtest.h>

#include <atomic>
#include <cfenv>
#include <cstdio>
#include <limits>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "driver/stepping.h"
#include "input/constants.h"
#include "transfer/printed_numbers.h"
#include "primrec/primrec.hpp"
#include "support.h"

using testing_support::read_file;
using testing_support::run_primrec_in;
using testing_support::ScratchDir;

namespace {

using testing_support::quick;

// A mix that covers both helium starts, one and two passes, varied constants.
std::vector<primrec::Parameters> mix() {
  std::vector<primrec::Parameters> sets = {quick(3000, 800, 4e-3, 1), quick(7000, 500, 5e-3, 4),
                                           quick(5000, 1000, 3e-3, 2), quick(8000, 200, 6e-3, 10)};
  primrec::Parameters varied = quick(8000, 600, 5e-3, 3);
  varied.me *= 1.02;
  varied.e *= 0.99;
  sets.push_back(varied);
  primrec::Parameters cosmology = quick(4000, 300, 4e-3, 2);
  cosmology.H0 = 72;
  cosmology.omega_b = 0.045;
  cosmology.F_H = 1.14;
  cosmology.A_perturbation_H = 0.1;
  sets.push_back(cosmology);
  return sets;
}

bool same_bits(const std::vector<double>& a, const std::vector<double>& b) {
  return a.size() == b.size() && (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(double)) == 0);
}

void expect_same_history(const primrec::Solution& a, const primrec::Solution& b) {
  ASSERT_EQ(a.status, b.status);
  const primrec::History &x = a.history, &y = b.history;
  EXPECT_TRUE(same_bits(x.z, y.z) && same_bits(x.HydI, y.HydI) && same_bits(x.HydII, y.HydII) &&
              same_bits(x.HeI, y.HeI) && same_bits(x.HeII, y.HeII) && same_bits(x.HeIII, y.HeIII) &&
              same_bits(x.el, y.el) && same_bits(x.x_e, y.x_e) && same_bits(x.T_m, y.T_m));
  ASSERT_EQ(x.overheating.size(), y.overheating.size());
  EXPECT_TRUE(x.overheating.empty() || std::memcmp(x.overheating.data(), y.overheating.data(),
                                                   x.overheating.size() * sizeof(primrec::OverheatingRow)) == 0);
  EXPECT_EQ(a.work.inner_iterations, b.work.inner_iterations);
}

std::string table_text(const std::vector<double>& z, const std::vector<double>& column) {
  std::string text;
  char line[primrec::table_line_length];
  for (size_t i = 0; i < z.size(); ++i) text.append(line, primrec::format_table_line(line, z[i], column[i]));
  return text;
}

void write_parameters(const std::string& dir, const primrec::Parameters& p) {
  testing_support::Inputs in;
  const auto text = [](double v) {
    char s[40];
    std::snprintf(s, sizeof s, "%.17g", v);
    return std::string(s);
  };
  in.z_begin = text(p.z_begin), in.z_end = text(p.z_end), in.step = text(p.step), in.norm = text(p.convergence_norm);
  in.stride = std::to_string(p.output_stride);
  in.levels = std::to_string(p.feedback_levels);
  in.G = text(p.G), in.h = text(p.hbar), in.c = text(p.c), in.me = text(p.me), in.mp = text(p.mp), in.e = text(p.e);
  in.kB = text(p.kB), in.F_H = text(p.F_H), in.A_perturbation_H = text(p.A_perturbation_H);
  in.z_perturbation = text(p.z_perturbation), in.Delta_z_perturbation = text(p.Delta_z_perturbation);
  in.H0 = text(p.H0), in.omega_m = text(p.omega_m), in.omega_lambda = text(p.omega_lambda);
  in.nu_number = std::to_string(static_cast<int>(p.N_eff)), in.omega_b = text(p.omega_b), in.X_M = text(p.X_M);
  in.T0 = text(p.T0);
  testing_support::write_inputs(dir, in);
}

// The history of a solve, printed, is the program's tables: every column, and
// the overheating rows, which carry their printed values.
TEST(Library, SolvesInOneProcessGiveTheTablesOfFreshProcessesInEitherOrder) {
  const std::vector<primrec::Parameters> sets = mix();
  const primrec::Parameters &a = sets[1], &b = sets[4];
  const primrec::Solution a_first = primrec::solve(a), b_second = primrec::solve(b);
  const primrec::Solution b_first = primrec::solve(b), a_second = primrec::solve(a);
  expect_same_history(a_first, a_second);
  expect_same_history(b_first, b_second);
  for (const primrec::Parameters* p : {&a, &b}) {
    const primrec::History& h = (p == &a ? a_first : b_first).history;
    ScratchDir dir;
    write_parameters(dir.path(), *p);
    ASSERT_EQ(run_primrec_in(dir.path()).exit_status, 0);
    EXPECT_EQ(read_file(dir.file("el.dat")), table_text(h.z, h.el));
    EXPECT_EQ(read_file(dir.file("HydI.dat")), table_text(h.z, h.HydI));
    EXPECT_EQ(read_file(dir.file("HeIII.dat")), table_text(h.z, h.HeIII));
    EXPECT_EQ(read_file(dir.file("T_matter.dat")), table_text(h.z, h.T_m));
    std::vector<double> z, ln;
    for (const auto& row : h.overheating) z.push_back(row.z), ln.push_back(row.ln_overheating);
    EXPECT_EQ(read_file(dir.file("Hyd_Rad_Overheat.dat")), table_text(z, ln));
  }
}

TEST(Library, EightThreadsGiveTheBitsOfSolvesOneByOne) {
  const std::vector<primrec::Parameters> sets = mix();
  std::vector<primrec::Solution> alone;
  for (const auto& p : sets) alone.push_back(primrec::solve(p));
  constexpr int threads = 8;
  std::vector<primrec::Solution> together(threads);
  std::vector<std::thread> pool;
  for (int t = 0; t < threads; ++t)
    pool.emplace_back([&, t] { together[t] = primrec::solve(sets[t % sets.size()]); });
  for (auto& thread : pool) thread.join();
  for (int t = 0; t < threads; ++t) expect_same_history(together[t], alone[t % sets.size()]);
}

// The faults of a process-wide state: a refused parameter set, or one that
// stops half-way, must leave nothing that a later solve sees.
TEST(Library, FailedSolvesLeaveNothingBehind) {
  const primrec::Parameters good = mix()[3];
  const primrec::Solution reference = primrec::solve(good);
  ASSERT_TRUE(reference.ok());

  primrec::Parameters refused = good;
  refused.kB = 0;
  const primrec::Solution input_error = primrec::solve(refused);
  EXPECT_EQ(input_error.status, primrec::Status::input_error);
  EXPECT_EQ(input_error.error, "G, h, c, m_e, m_p, e, kB values have to be positive and double");
  EXPECT_EQ(input_error.history.size(), 0u);

  primrec::Parameters broken = quick(3000, 2000, 1e-2, 1);
  broken.A_perturbation_H = std::numeric_limits<double>::infinity();
  const primrec::Solution breakdown = primrec::solve(broken);
  EXPECT_EQ(breakdown.status, primrec::Status::breakdown);
  EXPECT_EQ(breakdown.error.rfind("non-finite result at z = ", 0), 0u);
  EXPECT_GT(breakdown.error_z, 2000);

  expect_same_history(primrec::solve(good), reference);
}

// A host's rounding mode is its own: reading and solving round to nearest and
// give the mode back.
TEST(Library, HostRoundingModeChangesNothing) {
  const primrec::Parameters p = quick(3000, 800, 4e-3, 2);
  const primrec::Solution nearest = primrec::solve(p);
  std::fesetround(FE_UPWARD);
  const primrec::Solution upward = primrec::solve(p);
  const primrec::Reading reading = primrec::read_parameters(std::string(PRIMREC_EXAMPLES) + "/default");
  const int mode = std::fegetround();
  std::fesetround(FE_TONEAREST);
  EXPECT_EQ(mode, FE_UPWARD);
  expect_same_history(upward, nearest);
  EXPECT_EQ(reading.parameters.F_H, primrec::default_parameters().F_H);
  EXPECT_EQ(reading.parameters.G, primrec::default_parameters().G);
}

// Each first pass starts its overheating table afresh.
TEST(Library, AFirstPassAgainOnTheSameRunKeepsOneTable) {
  primrec::Observer quiet;
  const primrec::Options options;
  const primrec::Parameters p = quick(3000, 900, 4e-3, 1);
  primrec::Run run(primrec::derive_constants(p), primrec::derive_step_settings(p), quiet, options);
  ASSERT_EQ(primrec::Iteration_of_Process(run, 0, 1), primrec::Status::ok);
  const size_t rows = run.fb.ln_HydRO.size();
  ASSERT_GT(rows, 100u);
  ASSERT_EQ(primrec::Iteration_of_Process(run, 0, 1), primrec::Status::ok);
  EXPECT_EQ(run.fb.ln_HydRO.size(), rows);
}

TEST(Library, ProgressReachesTheEndAndCancelStops) {
  struct Counter : primrec::Observer {
    double last = 0;
    bool rising = true;
    long rows = 0;
    void progress(const primrec::Progress& p) override {
      rising = rising && p.fraction >= last;
      last = p.fraction;
    }
    void row(const primrec::Row&) override { ++rows; }
  } counter;
  const primrec::Solution s = primrec::solve(quick(3000, 800, 4e-3, 2), counter);
  ASSERT_TRUE(s.ok());
  EXPECT_TRUE(s.history.z.empty());  // streamed, not collected
  EXPECT_TRUE(counter.rising);
  EXPECT_GT(counter.last, 0.999);  // the last step lies within one step of z_end
  EXPECT_LE(counter.last, 1.0);
  EXPECT_GT(counter.rows, 0);

  std::atomic<bool> cancel{true};
  primrec::Options options;
  options.cancel = &cancel;
  const primrec::Solution stopped = primrec::solve(quick(3000, 800, 4e-3, 2), options);
  EXPECT_EQ(stopped.status, primrec::Status::cancelled);
  EXPECT_EQ(stopped.history.size(), 0u);
}

}  // namespace
