// Hydrogen Lyman-series feedback and the overheating rows.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <utility>
#include <vector>

#include "atomic/rate_coefficients.h"
#include "support.h"
#include "transfer/feedback.h"

using namespace primrec;

namespace {

class FeedbackTable : public ::testing::Test {
 protected:
  FeedbackTable() { load_table({}); }
  // ln_HydRO from the given rows, readied for pass 1 with `levels` levels.
  void load_table(const std::vector<std::pair<double, double>>& rows, int levels = 10) {
    fb = Feedback{};
    for (const auto& row : rows) fb.ln_HydRO.add_row(row.first, row.second);
    ph = with_levels(levels);
    Init_HydRO(fb, *ph);
  }
  static std::unique_ptr<Physics> with_levels(int levels) {
    return std::make_unique<Physics>(testing_support::laboratory_physics_with(
        [levels](Constants& cs) { cs.Number_of_levels_for_Resonant_Feedback = levels; }));
  }
  // The feedback factor of the Lyman line of level n at z.
  double C(int n, double z) const { return C_Feedback_fun(fb, fb.levels.at(n), z, fb.ln_HydRO.line_approx(z)); }
  double correction(int levels, double z, int pass) {
    ph = with_levels(levels);
    Init_HydRO(fb, *ph);
    return Hydrogen_FeedBack_Correction(fb, *ph, z, pass);
  }
  std::unique_ptr<Physics> ph = with_levels(10);
  Feedback fb;
};

// ln of the overheating falling linearly with z: 2000 -> -10, 1000 -> -20.
const std::vector<std::pair<double, double>> linear_table = {{2000, -10}, {1500, -15}, {1000, -20}};

TEST_F(FeedbackTable, NoFeedbackAbove1650OrOutsideTheTable) {
  for (double zz : {1000.0, 1650.0, 1800.0}) EXPECT_EQ(C(2, zz), 1.0) << "empty table";
  load_table(linear_table);
  EXPECT_EQ(C(2, 1650.0001), 1.0);
  EXPECT_EQ(C(5, 1900.0), 1.0);
  EXPECT_EQ(C(2, 900.0), 1.0) << "z below the table";
  EXPECT_NE(C(2, 1650.0), 1.0) << "z_f = 1651 * 32/27 - 1 = 1955.7 lies inside";
}

TEST_F(FeedbackTable, FactorIsOneMinusTheOverheatingRatio) {
  load_table(linear_table);
  // Lyman beta redshifts into Lyman alpha from z_f = (1+z) (8/9)/(3/4) - 1.
  const double zz = 1200;
  const double z_f = (1 + zz) * 32.0 / 27.0 - 1;
  EXPECT_NEAR(C(2, zz), 1 - std::exp(0.01 * (z_f - zz)), 1e-12);
  // Level 3: (1 - 1/16)/(1 - 1/9).
  const double z_f3 = (1 + zz) * (15.0 / 16.0) / (8.0 / 9.0) - 1;
  EXPECT_NEAR(C(3, zz), 1 - std::exp(0.01 * (z_f3 - zz)), 1e-12);
}

TEST_F(FeedbackTable, CorrectionByPassAndNumberOfLevels) {
  load_table(linear_table);
  EXPECT_EQ(correction(10, 1200, 0), 1.0) << "pass 0";
  EXPECT_EQ(correction(1, 1200, 1), 1.0) << "one level";
  EXPECT_EQ(correction(2, 1200, 1), C(2, 1200));
  EXPECT_EQ(correction(2, 1700, 1), 1.0);
  // Above 1650 every factor is 1, and the higher lines add their Boltzmann-
  // weighted frequency-ratio cubes.
  const double zz = 1700, kT = ph->cs.kB * ph->cs.T0 * (1 + zz);
  double sum = 0;
  for (int n = 3; n <= 4; ++n)
    sum += std::pow(1 - 1.0 / (n * n), 3) * std::exp(-(0.25 - 1.0 / (n * n)) * ph->cs.I / kT);
  EXPECT_NEAR(correction(4, zz, 1), 1 + std::pow(4.0 / 3.0, 3) * sum, 1e-15);
  EXPECT_GT(correction(4, zz, 1), 1.0);
}

class Overheating : public FeedbackTable {
 protected:
  Overheating() { balance_at(1500, 1.0); }
  // Recombination `factor` times the one that exactly balances photoionisation
  // by the Planck field at zz.
  void balance_at(double zz, double factor) {
    z = zz;
    const double p = z + 1;
    const double n_pl = planckian_photon_per_mode(*ph, 0.75 * ph->cs.freq1, p * ph->cs.T0);
    s.recomb_HydII_var = factor * n_pl * s.ion_HydI_var * s.HydI / (ph->cs.N0_e * std::pow(p, 3) * s.El * s.HydII);
  }
  double z = 0;
  HydrogenState s{0.3, 0.62, 0.7, 0.0, 12.0};
};

TEST_F(Overheating, VanishesInEquilibrium) {
  EXPECT_NEAR(Hydrogen_radiation_overheating(*ph, z, s), 0.0, 1e-12);
  s.recomb_HydII_var *= 2;  // more recombination: n = 2 overpopulated
  EXPECT_GT(Hydrogen_radiation_overheating(*ph, z, s), 0.0);
}

// The rows pass 1 reads hold both numbers as a reader of "%.8g" gets them back.
TEST_F(Overheating, RowsStartAtRedshift2000AreFiniteAndAsPrinted) {
  couple_double row{-1, -1};
  balance_at(2000.0001, 3.0);
  EXPECT_FALSE(Out_of_Hydrogen_radiation_overheating_ln(*ph, z, s, row));
  balance_at(2000, 3.0);
  ASSERT_TRUE(Out_of_Hydrogen_radiation_overheating_ln(*ph, z, s, row));
  EXPECT_EQ(row.x, 2000.0);
  char printed[32];
  std::snprintf(printed, sizeof printed, "%.8g", std::log(Hydrogen_radiation_overheating(*ph, z, s)));
  EXPECT_EQ(row.y, std::strtod(printed, nullptr)) << printed;
  EXPECT_GT(row.y, -50.0);
  balance_at(1000, 0.0);  // below equilibrium: overheating < 0 has no logarithm
  EXPECT_FALSE(Out_of_Hydrogen_radiation_overheating_ln(*ph, z, s, row));
}

}  // namespace
