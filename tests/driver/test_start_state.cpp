// The start state of a pass.
#include <gtest/gtest.h>

#include "atomic/matter_temperature.h"
#include "driver/kinetic_matrix.h"
#include "driver/plasma.h"
#include "driver/stepping.h"
#include "input/constants.h"
#include "input/input_files.h"

namespace {

class StartState : public ::testing::Test {
 protected:
  void SetUp() override {
    X_N = 0.9;
    Y_N = 0.1;
    T0 = 2.5;
    // Leftovers of an earlier pass.
    El.x = 2e-4;
    El.x_ = 3e-4;
    CHeIII = CHeII = CHeII_orto = CHydII = 0.25;
    CHeIII_ = CHeII_ = CHeII_orto_ = CHydII_ = 0.5;
    epsT0 = epsT0_ = 0.75;
    HydI.x = 0.5;
  }
  void TearDown() override {
    X_N = Y_N = T0 = 0.0;
    El.x = 1.0;
    El.x_ = 0.0;
  }
};

TEST_F(StartState, HeliumIsSinglyIonisedBelow6090AndDoublyFromIt) {
  for (double z_start : {3000.0, 5000.0, 6089.999}) {
    Set_Initial_Conditions(z_start);
    EXPECT_EQ(HeII.x, 0.1) << z_start;
    EXPECT_EQ(HeIII.x, 0.0) << z_start;
  }
  for (double z_start : {6090.0, 7000.0, 1e5}) {
    Set_Initial_Conditions(z_start);
    EXPECT_EQ(HeII.x, 0.0) << z_start;
    EXPECT_EQ(HeIII.x, 0.1) << z_start;
    EXPECT_EQ(HeIII.x_begin, 0.1) << z_start;
  }
  EXPECT_EQ(HydII.x, 0.9);
  EXPECT_EQ(HydI.x, 0.0);
  EXPECT_EQ(HeI.x, 0.0);
  for (comp_of_plasm* c : {&HydI, &HydII, &HeI, &HeII, &HeIII}) {
    EXPECT_EQ(c->x_, c->x);
    EXPECT_EQ(c->xi, 1e8);
  }
}

TEST_F(StartState, EveryPassStartsFromTheStateAtProgramLoad) {
  Set_Initial_Conditions(8000);
  EXPECT_EQ(El.x, 1.0);
  EXPECT_EQ(El.x_, 0.0);
  for (double C : {CHeIII, CHeII, CHeII_orto, CHydII, CHeIII_, CHeII_, CHeII_orto_, CHydII_}) EXPECT_EQ(C, 1.0);
  EXPECT_EQ(epsT0, 0.0);
  EXPECT_EQ(epsT0_, 0.0);
  EXPECT_EQ(T_matter_var, 2.5 * 8001);  // the radiation temperature at the start
  EXPECT_EQ(T_matter_var_, T_matter_var);
}

}  // namespace
