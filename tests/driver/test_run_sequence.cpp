// Atomic quantities of hydrogen and HeII derived at start-up.
#include <gtest/gtest.h>

#include "support.h"

#include "atomic/atomic_data.h"

namespace {

TEST(StartUp, HeIIIsHydrogenWithNuclearChargeTwo) {
  const primrec::Constants cs = testing_support::laboratory_constants();
  const primrec::AtomicData at = primrec::derive_atomic_data(cs);
  EXPECT_EQ(at.I1_HydI, cs.I);
  EXPECT_EQ(at.I2s_HydI, cs.I / 4);
  EXPECT_EQ(at.I1_HeII, 4 * cs.I);
  EXPECT_EQ(at.I2s_HeII, cs.I);
  EXPECT_EQ(at.A_2s1sHydI, 8.22458);
  EXPECT_NEAR(at.A_2s1sHeII / at.A_2s1sHydI, 64.0, 1e-13);  // two-photon rate ~ Z^6
  EXPECT_NEAR(at.lambd_aHeII / at.lambd_aHydI, 0.25, 1e-16);  // wavelengths ~ Z^-2
  EXPECT_NEAR(at.lambd_aHydI, 1215.7e-8, 0.1e-8);            // Lyman alpha, 1215.7 Angstrom

  // Two-photon rates follow V_two_photon.
  primrec::Parameters p = primrec::default_parameters();
  p.e = 1.01 * primrec::e_reference;
  const primrec::Constants varied = primrec::derive_constants(p);
  const primrec::AtomicData at_varied = primrec::derive_atomic_data(varied);
  ASSERT_NE(varied.V_two_photon, 1.0);
  EXPECT_EQ(at_varied.A_2s1sHydI, 8.22458 * varied.V_two_photon);
  EXPECT_NEAR(at_varied.A_2s1sHeII / at_varied.A_2s1sHydI, 64.0, 1e-13);
}

}  // namespace
