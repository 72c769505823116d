// Atomic quantities of hydrogen and HeII derived at start-up.
#include <gtest/gtest.h>

#include "support.h"

#include "atomic/atomic_data.h"
#include "driver/run_sequence.h"
#include "input/constants.h"
#include "input/input_files.h"

namespace {

TEST(StartUp, HeIIIsHydrogenWithNuclearChargeTwo) {
  testing_support::use_laboratory_constants();
  derive_HeII_quantities();
  derive_hydrogen_quantities();

  EXPECT_EQ(I1_HydI, I);
  EXPECT_EQ(I2s_HydI, I / 4);
  EXPECT_EQ(I1_HeII, 4 * I);
  EXPECT_EQ(I2s_HeII, I);
  EXPECT_EQ(A_2s1sHydI, 8.22458);
  EXPECT_NEAR(A_2s1sHeII / A_2s1sHydI, 64.0, 1e-13);  // two-photon rate ~ Z^6
  EXPECT_NEAR(lambd_aHeII / lambd_aHydI, 0.25, 1e-16);  // wavelengths ~ Z^-2
  EXPECT_NEAR(lambd_aHydI, 1215.7e-8, 0.1e-8);         // Lyman alpha, 1215.7 Angstrom

  // Two-photon rates follow V_two_photon.
  e = 1.01 * 4.80320427e-10;
  init_general_assist_const();
  derive_HeII_quantities();
  derive_hydrogen_quantities();
  EXPECT_EQ(A_2s1sHydI, 8.22458 * V_two_photon);
  EXPECT_NEAR(A_2s1sHeII / A_2s1sHydI, 64.0, 1e-13);
}

}  // namespace
