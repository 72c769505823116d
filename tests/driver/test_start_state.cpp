// The start state of a pass.
#include <gtest/gtest.h>

#include "support.h"

#include "driver/stepping.h"

namespace {

primrec::Constants start_constants() {
  primrec::Constants cs = testing_support::laboratory_constants();
  cs.X_N = 0.9;
  cs.Y_N = 0.1;
  cs.T0 = 2.5;
  return cs;
}

class StartState : public ::testing::Test {
 protected:
  StartState() {
    // Leftovers of an earlier pass.
    p.El.x = 2e-4;
    p.El.x_ = 3e-4;
    km.CHeIII = km.CHeII = km.CHeII_orto = km.CHydII = 0.25;
    km.CHeIII_ = km.CHeII_ = km.CHeII_orto_ = km.CHydII_ = 0.5;
    run.tm.epsT0 = 0.75;
    p.HydI.x = 0.5;
  }
  primrec::Observer observer;
  primrec::Options options;
  primrec::Run run{start_constants(), primrec::derive_step_settings(primrec::default_parameters()), observer, options};
  primrec::Plasma& p = run.plasma;
  primrec::KineticMatrix& km = run.km;
};

TEST_F(StartState, HeliumIsSinglyIonisedBelow6090AndDoublyFromIt) {
  for (double z_start : {3000.0, 5000.0, 6089.999}) {
    primrec::Set_Initial_Conditions(run, z_start);
    EXPECT_EQ(p.HeII.x, 0.1) << z_start;
    EXPECT_EQ(p.HeIII.x, 0.0) << z_start;
  }
  for (double z_start : {6090.0, 7000.0, 1e5}) {
    primrec::Set_Initial_Conditions(run, z_start);
    EXPECT_EQ(p.HeII.x, 0.0) << z_start;
    EXPECT_EQ(p.HeIII.x, 0.1) << z_start;
    EXPECT_EQ(p.HeIII.x_begin, 0.1) << z_start;
  }
  EXPECT_EQ(p.HydII.x, 0.9);
  EXPECT_EQ(p.HydI.x, 0.0);
  EXPECT_EQ(p.HeI.x, 0.0);
  for (primrec::comp_of_plasm* c : {&p.HydI, &p.HydII, &p.HeI, &p.HeII, &p.HeIII}) {
    EXPECT_EQ(c->x_, c->x);
    EXPECT_EQ(c->xi, 1e8);
  }
}

TEST_F(StartState, EveryPassStartsFromTheStateOfANewRun) {
  primrec::Set_Initial_Conditions(run, 8000);
  EXPECT_EQ(p.El.x, 1.0);
  EXPECT_EQ(p.El.x_, 0.0);
  for (double C : {km.CHeIII, km.CHeII, km.CHeII_orto, km.CHydII, km.CHeIII_, km.CHeII_, km.CHeII_orto_, km.CHydII_})
    EXPECT_EQ(C, 1.0);
  EXPECT_EQ(run.tm.epsT0, 0.0);
  EXPECT_EQ(run.tm.T_matter_var, 2.5 * 8001);  // the radiation temperature at the start
  EXPECT_EQ(run.tm.T_matter_var_, run.tm.T_matter_var);
}

}  // namespace
