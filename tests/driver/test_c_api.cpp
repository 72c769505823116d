// The C interface against the C++ one: the same parameters, the same bits in
// every column, the same failures with the same messages, and handles that
// stay independent when several threads solve at once.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "primrec/primrec.h"
#include "primrec/primrec.hpp"
#include "support.h"

using testing_support::Inputs;
using testing_support::ScratchDir;
using testing_support::write_inputs;

namespace {

template <class A, class B>
void expect_same_parameters(const A& a, const B& b) {
#define PRIMREC_EXPECT_FIELD(name, ...) EXPECT_EQ(a.name, b.name) << #name;
  PRIMREC_PARAMETER_TABLE(PRIMREC_EXPECT_FIELD)
#undef PRIMREC_EXPECT_FIELD
}

void copy_parameters(const primrec::Parameters& from, primrec_parameters* to) {
  primrec_default_parameters(to);
#define PRIMREC_COPY_FIELD(name, ...) to->name = from.name;
  PRIMREC_PARAMETER_TABLE(PRIMREC_COPY_FIELD)
#undef PRIMREC_COPY_FIELD
}

struct HistoryDeleter {
  void operator()(primrec_history* h) const { primrec_free(h); }
};
using Handle = std::unique_ptr<primrec_history, HistoryDeleter>;

Handle solve_c(const primrec::Parameters& parameters) {
  primrec_parameters c;
  copy_parameters(parameters, &c);
  return Handle(primrec_solve(&c));
}

bool same_bits(const double* a, const std::vector<double>& b, size_t n) {
  return n == b.size() && (n == 0 || std::memcmp(a, b.data(), n * sizeof(double)) == 0);
}

// A run short enough for a test that still reaches the feedback pass (its
// overheating rows start at z = 2000).
primrec::Parameters short_run() {
  primrec::Parameters p;
  p.z_begin = 3000;
  p.z_end = 1000;
  p.step = 3e-3;
  return p;
}

// Every field away from its default, so that a field passed into another's
// place changes the history.
primrec::Parameters every_field_changed() {
  primrec::Parameters p = short_run();
  p.z_begin = 3100;
  p.z_end = 1050;
  p.step = 3.1e-3;
  p.convergence_norm = 2e-8;
  p.output_stride = 2;
  p.feedback_levels = 3;
  p.G *= 1.001;
  p.hbar *= 1.0001;
  p.c *= 1.00001;
  p.me *= 1.0002;
  p.mp *= 1.0003;
  p.e *= 1.00005;
  p.kB *= 1.0004;
  p.F_H = 1.14;
  p.A_perturbation_H = 0.05;
  p.z_perturbation = 1500;
  p.Delta_z_perturbation = 150;
  p.H0 = 70;
  p.omega_m = 0.31;
  p.omega_lambda = 0.69;
  p.N_eff = 4;
  p.omega_b = 0.05;
  p.X_M = 0.76;
  p.T0 = 2.73;
  return p;
}

void expect_same_history(const primrec_history* c, const primrec::Solution& cpp) {
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(primrec_status(c), static_cast<int>(cpp.status));
  EXPECT_EQ(primrec_message(c), cpp.error);
  EXPECT_EQ(primrec_notes(c), cpp.history.messages);
  const primrec::History& h = cpp.history;
  const size_t n = primrec_rows(c);
  ASSERT_EQ(n, h.size());
  const std::pair<int, const std::vector<double>*> columns[] = {
      {PRIMREC_Z, &h.z},       {PRIMREC_HYDI, &h.HydI}, {PRIMREC_HYDII, &h.HydII},
      {PRIMREC_HEI, &h.HeI},   {PRIMREC_HEII, &h.HeII}, {PRIMREC_HEIII, &h.HeIII},
      {PRIMREC_EL, &h.el},     {PRIMREC_X_E, &h.x_e},   {PRIMREC_T_M, &h.T_m}};
  for (const auto& column : columns) {
    EXPECT_TRUE(same_bits(primrec_column(c, column.first), *column.second, n)) << column.first;
  }
  std::vector<double> z, ln;
  for (const primrec::OverheatingRow& row : h.overheating) {
    z.push_back(row.z);
    ln.push_back(row.ln_overheating);
  }
  const size_t m = primrec_overheating_rows(c);
  EXPECT_TRUE(same_bits(primrec_overheating_column(c, 0), z, m));
  EXPECT_TRUE(same_bits(primrec_overheating_column(c, 1), ln, m));
}

TEST(CApiParameters, DefaultsAndTheDefaultFilesAreTheLibraryDefaults) {
  primrec_parameters defaults, read;
  primrec_default_parameters(&defaults);
  expect_same_parameters(defaults, primrec::default_parameters());
  char messages[64] = "untouched";
  EXPECT_EQ(primrec_read_parameters(PRIMREC_EXAMPLES "/default", &read, messages, sizeof messages),
            PRIMREC_OK);
  EXPECT_STREQ(messages, "");
  expect_same_parameters(read, defaults);
}

TEST(CApiParameters, ReadingGivesEachValueInItsOwnField) {
  const primrec::Parameters p = every_field_changed();
  Inputs inputs;
  const auto text = [](double v) {
    char s[32];
    std::snprintf(s, sizeof s, "%.17g", v);
    return std::string(s);
  };
  inputs.z_begin = text(p.z_begin), inputs.z_end = text(p.z_end), inputs.step = text(p.step);
  inputs.norm = text(p.convergence_norm), inputs.stride = std::to_string(p.output_stride);
  inputs.levels = std::to_string(p.feedback_levels);
  inputs.G = text(p.G), inputs.h = text(p.hbar), inputs.c = text(p.c), inputs.me = text(p.me);
  inputs.mp = text(p.mp), inputs.e = text(p.e), inputs.kB = text(p.kB), inputs.F_H = text(p.F_H);
  inputs.A_perturbation_H = text(p.A_perturbation_H), inputs.z_perturbation = text(p.z_perturbation);
  inputs.Delta_z_perturbation = text(p.Delta_z_perturbation), inputs.H0 = text(p.H0);
  inputs.omega_m = text(p.omega_m), inputs.omega_lambda = text(p.omega_lambda);
  inputs.nu_number = std::to_string(static_cast<int>(p.N_eff)), inputs.omega_b = text(p.omega_b);
  inputs.X_M = text(p.X_M), inputs.T0 = text(p.T0);
  ScratchDir dir;
  write_inputs(dir.path(), inputs);
  primrec_parameters read;
  ASSERT_EQ(primrec_read_parameters(dir.path().c_str(), &read, nullptr, 0), PRIMREC_OK);
  expect_same_parameters(read, p);
}

// What a reading that failed before its first value leaves: every value as
// it was before reading.
primrec_parameters nothing_read() {
  primrec_parameters p;
  std::memset(&p, 0, sizeof p);
  p.F_H = 1;
  p.output_stride = 1;
  return p;
}

TEST(CApiParameters, AFailedReadingSaysWhatTheProgramPrints) {
  primrec_parameters read;
  char messages[128];
  primrec_default_parameters(&read);
  EXPECT_EQ(primrec_read_parameters("/nonexistent/primrec", &read, messages, sizeof messages),
            PRIMREC_INPUT_ERROR);
  EXPECT_STREQ(messages, "error of opening file redshifts.in\n");
  expect_same_parameters(read, nothing_read());

  primrec_default_parameters(&read);
  EXPECT_EQ(primrec_read_parameters(nullptr, &read, messages, sizeof messages), PRIMREC_INPUT_ERROR);
  EXPECT_STREQ(messages, "no directory was given\n");
  expect_same_parameters(read, nothing_read());

  // The files are read in order: the first ones are kept, the first missing one is named.
  ScratchDir dir;
  write_inputs(dir.path(), Inputs());
  ASSERT_EQ(std::remove(dir.file("fund.in").c_str()), 0);
  const primrec::Reading reading = primrec::read_parameters(dir.path());
  EXPECT_EQ(primrec_read_parameters(dir.path().c_str(), &read, messages, sizeof messages),
            PRIMREC_INPUT_ERROR);
  EXPECT_EQ(messages, reading.messages + reading.error);
  EXPECT_STREQ(messages, "error of opening file fund.in\n");
  expect_same_parameters(read, reading.parameters);
}

TEST(CApiParameters, MessagesAreCutToTheBufferAndAlwaysTerminated) {
  primrec_parameters read;
  char messages[8];
  std::memset(messages, 'x', sizeof messages);
  primrec_read_parameters("/nonexistent/primrec", &read, messages, 6);
  EXPECT_STREQ(messages, "error");
  EXPECT_EQ(messages[6], 'x');
  primrec_read_parameters("/nonexistent/primrec", &read, messages, 1);
  EXPECT_STREQ(messages, "");
  messages[0] = 'x';
  primrec_read_parameters("/nonexistent/primrec", &read, messages, 0);
  EXPECT_EQ(messages[0], 'x');
  EXPECT_EQ(primrec_read_parameters("/nonexistent/primrec", &read, nullptr, 100), PRIMREC_INPUT_ERROR);
}

TEST(CApiSolve, EveryColumnHasTheBitsOfTheCppHistory) {
  for (const primrec::Parameters& p : {short_run(), every_field_changed()}) {
    const primrec::Solution cpp = primrec::solve(p);
    ASSERT_TRUE(cpp.ok()) << cpp.error;
    ASSERT_GT(cpp.history.overheating.size(), 0u);
    const Handle c = solve_c(p);
    expect_same_history(c.get(), cpp);
    EXPECT_TRUE(std::isnan(primrec_breakdown_z(c.get())));
    primrec_parameters same;
    copy_parameters(p, &same);
    primrec_options one_thread;
    primrec_default_options(&one_thread);
    one_thread.threads = 1;
    expect_same_history(Handle(primrec_solve_with(&same, &one_thread)).get(), cpp);
  }
}

TEST(CApiSolve, ParametersFailingACheckGiveTheProgramsMessageAndNoRows) {
  primrec::Parameters p = short_run();
  p.z_begin = 6000;
  const Handle c = solve_c(p);
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(primrec_status(c.get()), PRIMREC_INPUT_ERROR);
  EXPECT_STREQ(primrec_message(c.get()),
               "z_begin should be larger than 7000 (i.e. including HeIII->HeII recombination)\n"
               "or less than 5000 (i.e. excluding HeIII->HeII recombination)\n");
  EXPECT_EQ(primrec_rows(c.get()), 0u);
  EXPECT_EQ(primrec_overheating_rows(c.get()), 0u);
  // Known columns stay non-NULL without rows: NULL means "no such column".
  for (int column = PRIMREC_Z; column <= PRIMREC_T_M; ++column) {
    EXPECT_NE(primrec_column(c.get(), column), nullptr) << column;
  }
  EXPECT_NE(primrec_overheating_column(c.get(), 0), nullptr);
  EXPECT_NE(primrec_overheating_column(c.get(), 1), nullptr);
  EXPECT_TRUE(std::isnan(primrec_breakdown_z(c.get())));
  expect_same_history(c.get(), primrec::solve(p));
}

TEST(CApiSolve, MissingHandlesAndUnknownColumnsAreRefusedQuietly) {
  // A NULL handle is what primrec_solve returns when memory ran out.
  EXPECT_EQ(primrec_status(nullptr), PRIMREC_NO_MEMORY);
  EXPECT_STREQ(primrec_message(nullptr), "not enough memory to store the history\n");
  EXPECT_STREQ(primrec_notes(nullptr), "");
  EXPECT_TRUE(std::isnan(primrec_breakdown_z(nullptr)));
  EXPECT_EQ(primrec_rows(nullptr), 0u);
  EXPECT_EQ(primrec_column(nullptr, PRIMREC_Z), nullptr);
  EXPECT_EQ(primrec_overheating_rows(nullptr), 0u);
  EXPECT_EQ(primrec_overheating_column(nullptr, 0), nullptr);
  primrec_free(nullptr);
  primrec_default_parameters(nullptr);
  char messages[8] = "x";
  EXPECT_EQ(primrec_read_parameters(PRIMREC_EXAMPLES "/default", nullptr, messages, sizeof messages),
            PRIMREC_INPUT_ERROR);
  EXPECT_STREQ(messages, "");

  const Handle none(primrec_solve(nullptr));
  ASSERT_NE(none, nullptr);
  EXPECT_EQ(primrec_status(none.get()), PRIMREC_INPUT_ERROR);
  EXPECT_STRNE(primrec_message(none.get()), "");

  const Handle c = solve_c(short_run());
  ASSERT_EQ(primrec_status(c.get()), PRIMREC_OK);
  EXPECT_EQ(primrec_column(c.get(), -1), nullptr);
  EXPECT_EQ(primrec_column(c.get(), PRIMREC_T_M + 1), nullptr);
  EXPECT_EQ(primrec_overheating_column(c.get(), 2), nullptr);
}

// The structs carry their size: the library writes no byte beyond the size a
// caller's header gave, and refuses a size it does not know rather than read
// past the caller's struct.
TEST(CApiGrowth, AStructIsWrittenUpToItsSizeAndAnUnknownSizeIsRefused) {
  constexpr size_t kGuard = 16;
  alignas(primrec_parameters) unsigned char bytes[sizeof(primrec_parameters) + kGuard];
  std::memset(bytes, 0xab, sizeof bytes);
  auto* p = reinterpret_cast<primrec_parameters*>(bytes);
  const size_t older = offsetof(primrec_parameters, omega_b);
  primrec_init_parameters(p, older);
  EXPECT_EQ(p->size, older);
  EXPECT_EQ(p->omega_lambda, primrec::default_parameters().omega_lambda);
  for (size_t i = older; i < sizeof bytes; ++i) ASSERT_EQ(bytes[i], 0xab) << "byte " << i;

  primrec_parameters full;
  primrec_default_parameters(&full);
  EXPECT_EQ(full.size, sizeof full);
  for (const size_t size : {size_t{0}, older, sizeof full + 8}) {
    full.size = size;
    const Handle c(primrec_solve(&full));
    EXPECT_EQ(primrec_status(c.get()), PRIMREC_INPUT_ERROR) << size;
    EXPECT_STREQ(primrec_message(c.get()),
                 "primrec_parameters has a size this library does not know: fill it with "
                 "primrec_default_parameters\n");
  }

  primrec_default_parameters(&full);
  primrec_options options;
  primrec_default_options(&options);
  EXPECT_EQ(options.size, sizeof options);
  options.size = 1;
  const Handle c(primrec_solve_with(&full, &options));
  EXPECT_EQ(primrec_status(c.get()), PRIMREC_INPUT_ERROR);
  EXPECT_STREQ(primrec_message(c.get()),
               "primrec_options has a size this library does not know: fill it with primrec_default_options\n");
}

// One thread by default; any number from 1 gives the same bits, below 1 is
// refused, as in C++.
TEST(CApiSolve, ThreadsDefaultToOneAndAcceptTheRangeOfTheCppInterface) {
  primrec_options options;
  primrec_default_options(&options);
  EXPECT_EQ(options.threads, 1);
  EXPECT_EQ(options.threads, primrec::Options().threads);
  primrec::Parameters p = short_run();
  p.feedback_levels = 2;
  const primrec::Solution cpp = primrec::solve(p);
  ASSERT_TRUE(cpp.ok()) << cpp.error;
  primrec_parameters c;
  copy_parameters(p, &c);
  for (const int threads : {1, 2, 3, 64}) {
    options.threads = threads;
    SCOPED_TRACE(threads);
    expect_same_history(Handle(primrec_solve_with(&c, &options)).get(), cpp);
  }
  options.threads = 0;
  const Handle refused(primrec_solve_with(&c, &options));
  EXPECT_EQ(primrec_status(refused.get()), PRIMREC_INPUT_ERROR);
  EXPECT_STREQ(primrec_message(refused.get()), "threads has to be 1 or more\n");
  primrec::Options cpp_options;
  cpp_options.threads = 0;
  EXPECT_EQ(primrec::solve(p, cpp_options).error, "threads has to be 1 or more\n");
}

// N_eff is a number in the library: an integer count gives the bits of the
// file's integer, and a fraction lies between its neighbours.
TEST(CApiSolve, AFractionalNEffLiesBetweenTheIntegerCounts) {
  primrec::Parameters p = short_run();
  p.feedback_levels = 1;
  std::vector<double> x_e;
  for (const double N_eff : {3.0, 3.044, 4.0}) {
    p.N_eff = N_eff;
    primrec_parameters c;
    copy_parameters(p, &c);
    const Handle h(primrec_solve(&c));
    ASSERT_EQ(primrec_status(h.get()), PRIMREC_OK) << N_eff;
    expect_same_history(h.get(), primrec::solve(p));
    x_e.push_back(primrec_x_e_at(h.get(), 1100));
  }
  // More radiation, faster expansion: recombination lags further behind its
  // equilibrium, so more electrons are left at z = 1100; 3.044 lies between.
  EXPECT_LT(x_e[0], x_e[1]);
  EXPECT_LT(x_e[1], x_e[2]);
  p.N_eff = -0.5;
  EXPECT_NE(primrec::check_parameters(p), "");
  p.N_eff = 0;
  EXPECT_EQ(primrec::check_parameters(p), "");
}

TEST(CApiSolve, EightThreadsGiveTheBitsOfSolvingOneByOne) {
  std::vector<primrec::Parameters> sets;
  for (int i = 0; i < 8; ++i) {
    primrec::Parameters p = short_run();
    p.feedback_levels = 1 + i % 3;
    p.omega_b = 0.045 + 0.002 * i;
    p.H0 = 65 + i;
    if (i == 7) p.z_begin = 6000;  // a failing set among them
    sets.push_back(p);
  }
  std::vector<primrec::Solution> one_by_one;
  for (const auto& p : sets) one_by_one.push_back(primrec::solve(p));

  std::vector<Handle> handles(sets.size());
  std::vector<std::thread> threads;
  for (size_t i = 0; i < sets.size(); ++i) {
    threads.emplace_back([&, i] { handles[i] = solve_c(sets[i]); });
  }
  for (auto& t : threads) t.join();
  for (size_t i = 0; i < sets.size(); ++i) {
    SCOPED_TRACE(i);
    expect_same_history(handles[i].get(), one_by_one[i]);
  }
}

}  // namespace

namespace {

// A solve far longer than a test waits: a million steps without feedback.
primrec_parameters endless_c() {
  primrec_parameters p;
  copy_parameters(testing_support::quick(3000, 1000, 1e-6, 1), &p);
  return p;
}

double seconds_since(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The caller's flag stops a solve from another thread within a step: the
// history is PRIMREC_CANCELLED. A flag set before the solve stops it at once;
// options of the 1.0 size (no flag) solve as before.
TEST(CApiCancel, AFlagSetFromAnotherThreadStopsTheSolve) {
  const primrec_parameters p = endless_c();
  primrec_options options;
  primrec_default_options(&options);
  EXPECT_EQ(options.cancel, nullptr);
  volatile int cancel = 1;
  options.cancel = &cancel;
  const Handle at_once(primrec_solve_with(&p, &options));
  EXPECT_EQ(primrec_status(at_once.get()), PRIMREC_CANCELLED);

  cancel = 0;
  const auto start = std::chrono::steady_clock::now();
  std::thread canceller([&cancel] {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    __atomic_store_n(&cancel, 1, __ATOMIC_RELEASE);
  });
  const Handle stopped(primrec_solve_with(&p, &options));
  canceller.join();
  EXPECT_EQ(primrec_status(stopped.get()), PRIMREC_CANCELLED);
  EXPECT_LT(seconds_since(start), 1.0);

  primrec_parameters quick_c;
  copy_parameters(testing_support::quick(3000, 2000, 1e-2, 1), &quick_c);
  primrec_default_options(&options);
  options.size = offsetof(primrec_options, tolerance) + sizeof(double);  // the oldest options a caller has
  options.cancel = &cancel;  // beyond its size: not read
  const Handle older(primrec_solve_with(&quick_c, &options));
  EXPECT_EQ(primrec_status(older.get()), PRIMREC_OK);
}

// A step so large that the first step falls below z_end leaves no row: it is
// refused with the step's message, not a complete history of no rows.
TEST(CApiSolve, AStepThatLeavesNoRowIsRefused) {
  primrec_parameters p;
  primrec_default_parameters(&p);
  p.step = 1e308;
  const Handle h(primrec_solve(&p));
  EXPECT_EQ(primrec_status(h.get()), PRIMREC_INPUT_ERROR);
  EXPECT_STREQ(primrec_message(h.get()),
               "absolute value of integration step and convergence norm should be positive and double\n");
  EXPECT_EQ(primrec_rows(h.get()), 0u);
}

#if defined(__SANITIZE_ADDRESS__)
#define PRIMREC_TEST_UNDER_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define PRIMREC_TEST_UNDER_ASAN 1
#endif
#endif

// A handle released twice: the second release finds the mark of the first
// and does nothing (as long as the memory was not reused meanwhile, as here).
TEST(CApiSolve, ASecondFreeOfAHandleIsHarmless) {
#ifdef PRIMREC_TEST_UNDER_ASAN
  GTEST_SKIP() << "AddressSanitizer reports the second release's look at the freed handle";
#else
  primrec_parameters p;
  copy_parameters(testing_support::quick(3000, 2900, 1e-2, 1), &p);
  primrec_history* h = primrec_solve(&p);
  ASSERT_EQ(primrec_status(h), PRIMREC_OK);
  primrec_free(h);
  primrec_free(h);
  SUCCEED();
#endif
}

}  // namespace
