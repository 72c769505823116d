// Plasma components, the electron sum and the output lines.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <vector>
#include <string>

#include "driver/kinetic_matrix.h"
#include "driver/plasma.h"
#include "transfer/printed_numbers.h"
#include "primrec/primrec.hpp"
#include "support.h"

using namespace primrec;

namespace {

std::string line_of(double first, double second) {
  char line[table_line_length];
  return std::string(line, format_table_line(line, first, second));
}

TEST(TableLine, TwoLeftJustifiedFieldsOfTwentyAndALineEnd) {
  EXPECT_EQ(line_of(0.0, 1.5e-5), "0" + std::string(19, ' ') + "1.5e-05" + std::string(13, ' ') + "\n");
  EXPECT_EQ(line_of(1100.0, 0.123456789), "1100                0.12345679          \n");
  // Eight significant digits; exponent form below 1e-4 and from 1e8 on.
  EXPECT_EQ(line_of(1e-4, 99999999.0), "0.0001              99999999            \n");
  EXPECT_EQ(line_of(123456789.0, -1.0e-300), "1.2345679e+08       -1e-300             \n");
  EXPECT_EQ(line_of(-2.5e-123, 7999.9999).size(), 41u);
}

TEST(ComponentList, IsWalkedHydIHydIIHeIHeIIHeIII) {
  Plasma plasma;
  ASSERT_EQ(plasma.first_comp, &plasma.HydI);
  const comp_of_plasm* expected[] = {&plasma.HydI, &plasma.HydII, &plasma.HeI, &plasma.HeII, &plasma.HeIII};
  int position = 0;
  for (comp_of_plasm* c = plasma.first_comp; c != nullptr; c = c->next, ++position) {
    ASSERT_LT(position, 5);
    EXPECT_EQ(c, expected[position]);
    EXPECT_EQ(c->index, position) << "matrix index follows list order";
  }
  EXPECT_EQ(position, 5);
  EXPECT_EQ(plasma.HydI.charge, 0.0);
  EXPECT_EQ(plasma.HydII.charge, 1.0);
  EXPECT_EQ(plasma.HeI.charge, 0.0);
  EXPECT_EQ(plasma.HeII.charge, 1.0);
  EXPECT_EQ(plasma.HeIII.charge, 2.0);
}

TEST(PlasmaState, InitPlasmCompResetsToTheStartValue) {
  Plasma plasma;
  plasma.HydII.x = 0.3;
  plasma.HydII.xi = 0.3;
  plasma.HydII.Init_plasm_comp(0.75);
  EXPECT_EQ(plasma.HydII.x, 0.75);
  EXPECT_EQ(plasma.HydII.x_, 0.75);
  EXPECT_EQ(plasma.HydII.x_begin, 0.75);
  EXPECT_EQ(plasma.HydII.xi, 1e8);
}

TEST(PlasmaState, ElectronsCountOnePerHIIAndHeIIAndTwoPerHeIII) {
  Plasma p;
  const double x_N = 0.92, y_N = 0.08, delta_el = 1 / (x_N + 2 * y_N);
  p.HydII.x = x_N;
  p.HeIII.x = y_N;
  p.El.abundance(p.first_comp, delta_el);
  EXPECT_NEAR(p.El.x, 1.0, 1e-15) << "fully ionised";
  p.HydII.x = 0.5 * x_N;
  p.HydI.x = 0.5 * x_N;
  p.HeIII.x = 0.0;
  p.HeII.x = y_N;
  p.El.abundance(p.first_comp, delta_el);
  EXPECT_NEAR(p.El.x, (0.5 * x_N + y_N) / (x_N + 2 * y_N), 1e-15);
}

TEST(PlasmaState, UpdateWithNoReactionsKeepsThePreviousStep) {
  Physics ph = testing_support::laboratory_physics();
  KineticMatrix km{};  // every rate 0
  Plasma p;
  p.HydII.x_ = 0.37;
  p.HydII.x = 0.1;
  Init_step_weights(km, ph, 1000.0, 1001.0);
  p.HydII.abundance(p.first_comp, km, -1e-3);
  EXPECT_EQ(p.HydII.x, 0.37);
}

// The electron column carries the Lorentzian bump 1 + A / (u^2 + 1); the
// electrons per hydrogen and the components do not.
TEST(PlasmaState, OutputPointCarriesThePerturbationOnTheElectronsOnly) {
  Constants cs = testing_support::laboratory_constants();
  cs.N0_e = 3.0;
  cs.N0_H = 2.0;
  cs.z_perturbation = 1100.0;
  cs.Delta_z_perturbation = 100.0;
  cs.A_perturbation_H = 0.0;  // no perturbation: exactly (El.x N0_e) / N0_H
  EXPECT_EQ(printed_electron_fraction(cs, 1234.5, 0.5), 0.75);
  cs.A_perturbation_H = 0.2;
  EXPECT_DOUBLE_EQ(printed_electron_fraction(cs, 1100.0, 0.5), 1.2 * 0.75);  // at the centre 1 + A
  EXPECT_DOUBLE_EQ(printed_electron_fraction(cs, 1200.0, 0.5), 1.1 * 0.75);  // a half width away 1 + A/2
  EXPECT_EQ(electrons_per_hydrogen(cs, 0.5), 0.75);

  Parameters plain = default_parameters();
  plain.feedback_levels = 1;
  plain.z_begin = 3000;
  plain.z_end = 2000;
  plain.step = 1e-2;
  Parameters bumped = plain;
  bumped.A_perturbation_H = 0.2;
  bumped.z_perturbation = 2500;
  const History a = solve(plain).history, b = solve(bumped).history;
  ASSERT_EQ(a.size(), b.size());
  ASSERT_GT(a.size(), 10u);
  EXPECT_EQ(a.HydII, b.HydII) << "components are given unperturbed";
  EXPECT_EQ(a.x_e, b.x_e);
  EXPECT_EQ(a.el, a.x_e);
  for (size_t i = 0; i < b.size(); ++i) {
    const double u = (b.z[i] - 2500) / 100;
    EXPECT_DOUBLE_EQ(b.el[i], (1 + 0.2 / (u * u + 1)) * b.x_e[i]) << "z = " << b.z[i];
  }
}

}  // namespace

namespace {

// The table writer formats without printf; it must give printf's "%-20.8g" for
// every double, rounding boundaries, subnormals and non-finite values included.
TEST(TableLine, IsPrintfsFormatForEveryKindOfDouble) {
  std::mt19937_64 rng(42);
  std::vector<double> values = {0.0, -0.0, 1.0, -1.0, 0.5, 1e-4, 9.99999995e-5, 99999999.5, 99999999.4,
                                12345678.5, 1e8, 1e-5, 1.5e-5, 7999.9999, 1e300, -1e-300,
                                std::numeric_limits<double>::denorm_min(), std::numeric_limits<double>::max(),
                                std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity(),
                                std::nan(""), -std::nan("")};
  // Ties and near-ties at the ninth digit, exact binary ties, carries into a new
  // exponent, and the edges of the fixed form.
  for (double tie : {12345678.5, 12345677.5, 99999999.5, 0.000099999999500000001, 9.9999999499999999e-5})
    values.push_back(tie);
  for (int i = 0; i < 5000; ++i) {
    char text[40];
    std::snprintf(text, sizeof text, "%d.%07d5e%d", 1 + static_cast<int>(rng() % 9), static_cast<int>(rng() % 10000000),
                  static_cast<int>(rng() % 600) - 300);
    const double near_tie = std::strtod(text, nullptr);
    values.push_back(near_tie);
    values.push_back(std::nextafter(near_tie, 0.0));
    values.push_back(std::nextafter(near_tie, 1e308));
    values.push_back(std::ldexp(1.0, static_cast<int>(rng() % 2000) - 1000));
  }
  for (int i = 0; i < 20000; ++i) {
    uint64_t bits = rng();
    double value;
    std::memcpy(&value, &bits, sizeof value);
    values.push_back(value);
    values.push_back(std::ldexp(static_cast<double>(rng() % 100000000) + 0.5, -static_cast<int>(rng() % 40)));
  }
  for (size_t i = 0; i + 1 < values.size(); ++i) {
    char expected[64];
    std::snprintf(expected, sizeof expected, "%-20.8g%-20.8g\n", values[i], values[i + 1]);
    ASSERT_EQ(line_of(values[i], values[i + 1]), expected) << values[i] << " " << values[i + 1];
  }
}

}  // namespace
