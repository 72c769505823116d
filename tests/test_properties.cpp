// Property tests over many generated input sets: whatever the inputs, a run
// ends by itself, exits 0 or 1, and never writes a table line that is not a
// finite number in the table format; over the inputs users scan, every run
// succeeds.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <string>
#include <utility>
#include <vector>

#include "support.h"

using testing_support::Inputs;
using testing_support::read_lines;
using testing_support::run_primrec_in;
using testing_support::ScratchDir;
using testing_support::write_inputs;

namespace {

#ifdef PRIMREC_SLOW_BUILD
constexpr int build_slowness = 8;  // -O0 and sanitizers: fewer runs, longer limits
#else
constexpr int build_slowness = 1;
#endif

// A fixed-seed generator whose numbers do not depend on the standard library.
class Draw {
 public:
  explicit Draw(uint64_t seed) : state_(seed) {}
  double unit() { return static_cast<double>(next() >> 11) * 0x1p-53; }
  double between(double low, double high) { return low + (high - low) * unit(); }
  double log_between(double low, double high) { return low * std::pow(high / low, unit()); }
  int integer(int low, int high) { return low + static_cast<int>(next() % static_cast<uint64_t>(high - low + 1)); }

 private:
  uint64_t next() {  // splitmix64
    uint64_t x = (state_ += 0x9E3779B97F4A7C15ull);
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
  }
  uint64_t state_;
};

std::string text(double value) {
  char buffer[40];
  std::snprintf(buffer, sizeof buffer, "%.6g", value);
  return buffer;
}

std::string scaled(const std::string& value, double factor) { return text(std::strtod(value.c_str(), nullptr) * factor); }

// A table line: two fields of 20 characters, each a finite number followed by
// blanks, and a line end.
bool line_in_format(const std::string& line) {
  if (line.size() != 40) return false;
  for (int field = 0; field < 2; ++field) {
    const std::string cell = line.substr(20 * field, 20);
    char* end = nullptr;
    const double value = std::strtod(cell.c_str(), &end);
    if (end == cell.c_str() || !std::isfinite(value)) return false;
    for (const char* p = end; p < cell.c_str() + 20; ++p)
      if (*p != ' ') return false;
  }
  return true;
}

struct Outcome {
  std::string inputs;
  int exit_status;
  std::string output;
  std::string bad_line;  // the first line not in format, if any
  // Over every line: the largest relative departure of an element's nuclei from
  // its share, the most negative species relative to its element's share, and
  // the smallest printed electron column.
  double conservation_error = 0, most_negative_species = 0, smallest_electron_column = 0;
};

// Hydrogen and helium nuclei per nucleus for a hydrogen mass fraction X_M.
std::pair<double, double> element_shares(const std::string& X_M_text) {
  const double X_M = std::strtod(X_M_text.c_str(), nullptr);
  const double helium = (1 - X_M) / 3.9715, nuclei = X_M + helium;
  return {X_M / nuclei, helium / nuclei};
}

void measure_conservation(const ScratchDir& dir, const Inputs& inputs, Outcome& outcome) {
  const auto shares = element_shares(inputs.X_M);
  const char* const hydrogen[] = {"HydI.dat", "HydII.dat"};
  const char* const helium[] = {"HeI.dat", "HeII.dat", "HeIII.dat"};
  std::vector<std::vector<std::pair<double, double>>> h, he;
  for (const char* table : hydrogen) h.push_back(testing_support::read_table(dir.file(table)));
  for (const char* table : helium) he.push_back(testing_support::read_table(dir.file(table)));
  for (size_t i = 0; i < h[0].size(); ++i) {
    double sum_h = 0, sum_he = 0;
    for (const auto& t : h) {
      sum_h += t[i].second;
      outcome.most_negative_species = std::min(outcome.most_negative_species, t[i].second / shares.first);
    }
    outcome.conservation_error = std::max(outcome.conservation_error, std::fabs(sum_h / shares.first - 1));
    if (shares.second <= 0) continue;
    for (const auto& t : he) {
      sum_he += t[i].second;
      outcome.most_negative_species = std::min(outcome.most_negative_species, t[i].second / shares.second);
    }
    outcome.conservation_error = std::max(outcome.conservation_error, std::fabs(sum_he / shares.second - 1));
  }
  for (const auto& row : testing_support::read_table(dir.file("el.dat")))
    outcome.smallest_electron_column = std::min(outcome.smallest_electron_column, row.second);
}

// What a run that exits 0 promises of every line.
void expect_physical(const Outcome& outcome) {
  EXPECT_LE(outcome.conservation_error, 0.01) << "for\n" << outcome.inputs;
  EXPECT_GE(outcome.most_negative_species, -0.01) << "for\n" << outcome.inputs;
  EXPECT_GE(outcome.smallest_electron_column, 0.0) << "for\n" << outcome.inputs;
}

Outcome run(const Inputs& inputs, int time_limit_seconds) {
  ScratchDir dir;
  write_inputs(dir.path(), inputs);
  const auto result = run_primrec_in(dir.path(), time_limit_seconds);
  Outcome outcome{testing_support::read_file(dir.file("redshifts.in")) + testing_support::read_file(dir.file("fund.in")) +
                      testing_support::read_file(dir.file("cosm_p.in")) + "levels " + inputs.levels,
                  result.exit_status, result.output, ""};
  for (const char* table : {"HydI.dat", "HydII.dat", "HeI.dat", "HeII.dat", "HeIII.dat", "el.dat", "Hyd_Rad_Overheat.dat"})
    for (const std::string& line : read_lines(dir.file(table)))
      if (outcome.bad_line.empty() && !line_in_format(line)) outcome.bad_line = std::string(table) + ": " + line;
  if (outcome.exit_status == 0 && outcome.bad_line.empty()) measure_conservation(dir, inputs, outcome);
  return outcome;
}

// Runs every input set, two at a time.
std::vector<Outcome> run_all(const std::vector<Inputs>& sets, int time_limit_seconds) {
  std::vector<Outcome> outcomes(sets.size());
  for (size_t i = 0; i < sets.size(); i += 2) {
    auto second = std::async(std::launch::async, [&, i] {
      if (i + 1 < sets.size()) outcomes[i + 1] = run(sets[i + 1], time_limit_seconds);
    });
    outcomes[i] = run(sets[i], time_limit_seconds);
    second.get();
  }
  return outcomes;
}

Inputs wide_inputs(Draw& draw) {
  Inputs in;
  const double z_begin = draw.unit() < 0.2 ? draw.between(3000, 5000) : draw.log_between(3000, 1e5);
  in.z_begin = text(z_begin);
  in.z_end = text(draw.log_between(1e-2, z_begin));
  // Steps from 1e-3: finer ones cost ten times the time for the same kinds of
  // ending; the physical inputs below take finer steps.
  in.step = text(draw.log_between(1e-3, 0.5));
  in.norm = text(draw.log_between(1e-12, 1e-3));
  in.stride = std::to_string(draw.integer(1, 20));
  in.levels = std::to_string(draw.integer(1, 50));
  for (std::string* constant : {&in.G, &in.h, &in.c, &in.me, &in.mp, &in.e, &in.kB})
    *constant = scaled(*constant, draw.log_between(0.5, 2));
  in.F_H = text(draw.log_between(0.1, 10));
  in.A_perturbation_H = text(draw.between(-0.9, 10));
  in.z_perturbation = text(draw.log_between(0.1, 10) * 1100);
  in.Delta_z_perturbation = text(draw.log_between(0.1, 10) * 100);
  in.H0 = text(draw.log_between(10, 300));
  in.omega_m = text(draw.log_between(1e-4, 5));
  in.omega_lambda = text(draw.log_between(1e-4, 5));
  in.nu_number = std::to_string(draw.integer(1, 6));
  in.omega_b = text(draw.log_between(1e-4, 5));
  in.X_M = text(draw.log_between(1e-3, 2));
  in.T0 = text(draw.log_between(0.1, 100));
  return in;
}

// The input sets of a test are drawn in one sequence and run in shards, each a
// test of its own, so that ctest can run the shards side by side.
template <typename DrawInputs>
std::vector<Inputs> shard_of(uint64_t seed, DrawInputs draw_inputs, int sets, int shards, int shard) {
  Draw draw(seed);
  std::vector<Inputs> drawn;
  for (int i = 0; i < sets; ++i) {
    Inputs inputs = draw_inputs(draw);
    if (i % shards == shard) drawn.push_back(inputs);
  }
  return drawn;
}

constexpr int wide_shards = 4, physical_shards = 2;

class AnyInput : public testing::TestWithParam<int> {};
INSTANTIATE_TEST_SUITE_P(Properties, AnyInput, testing::Range(0, wide_shards));

TEST_P(AnyInput, EndsByItselfAndNeverWritesANonFiniteLine) {
  const std::vector<Inputs> sets = shard_of(20261208, wide_inputs, 240 / build_slowness, wide_shards, GetParam());
  int succeeded = 0, broke_down = 0;
  for (const Outcome& outcome : run_all(sets, 60 * build_slowness)) {
    if (outcome.output.find("non-finite result at z = ") != std::string::npos ||
        outcome.output.find("result out of physical range at z = ") != std::string::npos)
      ++broke_down;
    ASSERT_TRUE(outcome.exit_status == 0 || outcome.exit_status == 1)
        << "status " << outcome.exit_status << " for\n" << outcome.inputs << "\n" << outcome.output;
    ASSERT_EQ(outcome.bad_line, "") << "for\n" << outcome.inputs;
    if (outcome.exit_status == 0) {
      ++succeeded;
      expect_physical(outcome);
    } else {
      EXPECT_NE(outcome.output, "") << "a failure says why, for\n" << outcome.inputs;
    }
  }
  EXPECT_GT(succeeded, 0);
  std::printf("%zu input sets: %d runs completed, %d stopped when the physics broke down, %zu refused their input\n",
              sets.size(), succeeded, broke_down, sets.size() - succeeded - broke_down);
}

Inputs physical_inputs(Draw& draw) {
  Inputs in;
  const bool early = draw.unit() < 0.5;
  const double z_begin = early ? draw.between(7000, 10000) : draw.between(3000, 5000);
  in.z_begin = text(z_begin);
  in.z_end = text(draw.log_between(0.5, 200));
  in.step = text(draw.log_between(3e-4, 5e-3));
  in.norm = text(draw.log_between(1e-10, 1e-6));
  in.stride = std::to_string(draw.integer(1, 10));
  in.levels = std::to_string(draw.integer(1, 30));
  if (early) {  // varied constants shift helium recombination: start it doubly ionised
    in.e = scaled(in.e, draw.between(0.95, 1.05));
    in.me = scaled(in.me, draw.between(0.9, 1.1));
  }
  in.F_H = text(draw.between(1.0, 1.3));
  in.A_perturbation_H = text(draw.between(-0.2, 0.2));
  in.H0 = text(draw.between(50, 90));
  in.omega_m = text(draw.between(0.2, 0.5));
  in.omega_lambda = text(draw.between(0.5, 0.8));
  in.omega_b = text(draw.between(0.02, 0.08));
  in.X_M = text(draw.between(0.70, 0.80));
  in.T0 = text(draw.between(2.6, 2.8));
  return in;
}

class EveryRunUsersScan : public testing::TestWithParam<int> {};
INSTANTIATE_TEST_SUITE_P(Properties, EveryRunUsersScan, testing::Range(0, physical_shards));

TEST_P(EveryRunUsersScan, Succeeds) {
  const std::vector<Inputs> sets = shard_of(1100, physical_inputs, 48 / build_slowness, physical_shards, GetParam());
  double conservation_error = 0, most_negative_species = 0;
  for (const Outcome& outcome : run_all(sets, 120 * build_slowness)) {
    ASSERT_EQ(outcome.exit_status, 0) << "for\n" << outcome.inputs << "\n" << outcome.output;
    ASSERT_EQ(outcome.bad_line, "") << "for\n" << outcome.inputs;
    expect_physical(outcome);
    conservation_error = std::max(conservation_error, outcome.conservation_error);
    most_negative_species = std::min(most_negative_species, outcome.most_negative_species);
  }
  std::printf("%zu physical input sets: largest relative conservation error %.2g, most negative species %.2g of "
              "its element's share\n",
              sets.size(), conservation_error, most_negative_species);
}

}  // namespace
