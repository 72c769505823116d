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
#include "driver/stepping.h"
#include "input/constants.h"
#include "input/input_files.h"

namespace {

std::string contents(FILE* file) {
  std::fflush(file);
  std::rewind(file);
  std::string text;
  for (int ch; (ch = std::fgetc(file)) != EOF;) text.push_back(static_cast<char>(ch));
  return text;
}

// Every line is 41 bytes, so one scratch file serves every call.
std::string line_of(double first, double second) {
  static FILE* const file = std::tmpfile();
  std::rewind(file);
  write_table_line(file, first, second);
  std::fflush(file);
  std::rewind(file);
  char line[41];
  const size_t got = std::fread(line, 1, sizeof line, file);
  return std::string(line, got);
}

TEST(TableLine, TwoLeftJustifiedFieldsOfTwentyAndALineEnd) {
  EXPECT_EQ(line_of(0.0, 1.5e-5), "0" + std::string(19, ' ') + "1.5e-05" + std::string(13, ' ') + "\n");
  EXPECT_EQ(line_of(1100.0, 0.123456789), "1100                0.12345679          \n");
  // Eight significant digits; exponent form below 1e-4 and from 1e8 on.
  EXPECT_EQ(line_of(1e-4, 99999999.0), "0.0001              99999999            \n");
  EXPECT_EQ(line_of(123456789.0, -1.0e-300), "1.2345679e+08       -1e-300             \n");
  EXPECT_EQ(line_of(-2.5e-123, 7999.9999).size(), 41u);
  write_table_line(nullptr, 1.0, 2.0);  // a table never created takes nothing
}

TEST(ComponentList, IsWalkedHydIHydIIHeIHeIIHeIII) {
  Set_pointers();
  ASSERT_EQ(first_comp, &HydI);
  const comp_of_plasm* expected[] = {&HydI, &HydII, &HeI, &HeII, &HeIII};
  int position = 0;
  for (comp_of_plasm* c = first_comp; c != nullptr; c = c->next, ++position) {
    ASSERT_LT(position, 5);
    EXPECT_EQ(c, expected[position]);
    EXPECT_EQ(c->index, position) << "matrix index follows list order";
    EXPECT_EQ(c->self, c);
  }
  EXPECT_EQ(position, 5);
  EXPECT_EQ(HydI.prev, nullptr);
  EXPECT_EQ(HeIII.prev, &HeII);
  EXPECT_EQ(HydI.charge, 0.0);
  EXPECT_EQ(HydII.charge, 1.0);
  EXPECT_EQ(HeI.charge, 0.0);
  EXPECT_EQ(HeII.charge, 1.0);
  EXPECT_EQ(HeIII.charge, 2.0);
}

class PlasmaState : public ::testing::Test {
 protected:
  void SetUp() override {
    Set_pointers();
    for (comp_of_plasm* c = first_comp; c != nullptr; c = c->next) saved_.push_back(*c);
    saved_el_x_ = El.x;
    saved_el_x__ = El.x_;
    saved_z_ = z;
  }
  void TearDown() override {
    int i = 0;
    for (comp_of_plasm* c = first_comp; c != nullptr; c = c->next, ++i) {
      c->x = saved_[i].x;
      c->x_ = saved_[i].x_;
      c->xi = saved_[i].xi;
      c->x_begin = saved_[i].x_begin;
      c->N = saved_[i].N;
    }
    El.x = saved_el_x_;
    El.x_ = saved_el_x__;
    z = saved_z_;
  }
  struct Saved {
    Saved(const comp_of_plasm& c) : x(c.x), x_(c.x_), xi(c.xi), x_begin(c.x_begin), N(c.N) {}
    double x, x_, xi, x_begin, N;
  };
  std::vector<Saved> saved_;
  double saved_el_x_ = 0, saved_el_x__ = 0, saved_z_ = 0;
};

TEST_F(PlasmaState, InitPlasmCompResetsToTheStartValue) {
  N0_nuclear = 2.0;
  z = 1.0;
  HydII.x = 0.3;
  HydII.xi = 0.3;
  HydII.Init_plasm_comp(0.75);
  EXPECT_EQ(HydII.x, 0.75);
  EXPECT_EQ(HydII.x_, 0.75);
  EXPECT_EQ(HydII.x_begin, 0.75);
  EXPECT_EQ(HydII.xi, 1e8);
  EXPECT_EQ(HydII.N, 2.0 * 8.0 * 0.75);  // N0_nuclear (1+z)^3 x_begin
  N0_nuclear = 0.0;
}

TEST_F(PlasmaState, ElectronsCountOnePerHIIAndHeIIAndTwoPerHeIII) {
  const double x_N = 0.92, y_N = 0.08;
  delta_el = 1 / (x_N + 2 * y_N);
  HydI.x = 0.0;
  HydII.x = x_N;
  HeI.x = 0.0;
  HeII.x = 0.0;
  HeIII.x = y_N;
  El.abundance(first_comp);
  EXPECT_NEAR(El.x, 1.0, 1e-15) << "fully ionised";
  HydII.x = 0.5 * x_N;
  HydI.x = 0.5 * x_N;
  HeIII.x = 0.0;
  HeII.x = y_N;
  El.abundance(first_comp);
  EXPECT_NEAR(El.x, (0.5 * x_N + y_N) / (x_N + 2 * y_N), 1e-15);
  delta_el = 0.0;
}

TEST_F(PlasmaState, UpdateWithNoReactionsKeepsThePreviousStep) {
  for (auto& row : matrix)
    for (double& entry : row) entry = 0.0;
  for (auto& row : matrix_)
    for (double& entry : row) entry = 0.0;
  H0 = 2.2e-18;
  omega_m = 1.0;
  D_ln_1_plus_z = -1e-3;
  z = 1000.0;
  z_ = 1001.0;
  HydII.x_ = 0.37;
  HydII.x = 0.1;
  Init_step_weights();
  HydII.abundance(first_comp);
  EXPECT_EQ(HydII.x, 0.37);
  H0 = omega_m = D_ln_1_plus_z = 0.0;
}

TEST_F(PlasmaState, OutputPointCarriesThePerturbationOnTheElectronsOnly) {
  FILE* tables[6];
  FILE* saved_files[6];
  comp_of_plasm* components[] = {&HydI, &HydII, &HeI, &HeII, &HeIII};
  for (int i = 0; i < 5; ++i) {
    saved_files[i] = components[i]->file;
    components[i]->file = tables[i] = std::tmpfile();
  }
  saved_files[5] = El.file;
  El.file = tables[5] = std::tmpfile();

  N0_e = 3.0;
  N0_H = 2.0;
  El.x = 0.5;
  HydII.x = 0.25;
  z_perturbation = 1100.0;
  Delta_z_perturbation = 100.0;
  number_of_info_points = 10;

  A_perturbation_H = 0.0;  // no perturbation: exactly (El.x N0_e) / N0_H
  z = 1234.5;
  streams_out_data(20);
  A_perturbation_H = 0.2;  // at the centre the factor is 1 + A
  z = 1100.0;
  streams_out_data(30);
  z = 1200.0;  // one half width away it is 1 + A/2
  streams_out_data(40);
  streams_out_data(45);  // not a multiple of the stride: nothing

  char expected[200];
  std::snprintf(expected, sizeof expected, "%-20.8g%-20.8g\n%-20.8g%-20.8g\n%-20.8g%-20.8g\n", 1234.5,
                0.75, 1100.0, 1.2 * 0.75, 1200.0, 1.1 * 0.75);
  EXPECT_EQ(contents(tables[5]), expected);
  std::snprintf(expected, sizeof expected, "%-20.8g%-20.8g\n%-20.8g%-20.8g\n%-20.8g%-20.8g\n", 1234.5,
                0.25, 1100.0, 0.25, 1200.0, 0.25);
  EXPECT_EQ(contents(tables[1]), expected) << "components are printed unperturbed";

  for (int i = 0; i < 5; ++i) {
    std::fclose(tables[i]);
    components[i]->file = saved_files[i];
  }
  std::fclose(tables[5]);
  El.file = saved_files[5];
  number_of_info_points = 1;
  A_perturbation_H = z_perturbation = Delta_z_perturbation = 0.0;
  N0_e = N0_H = 0.0;
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
