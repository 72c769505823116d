// HeI atomic data: the tables against each other and against the laboratory
// spectrum, and their scaling with the fundamental constants.
#include <gtest/gtest.h>

#include "support.h"

#include <cmath>
#include <vector>

#include "atomic/atomic_data.h"
#include "input/constants.h"
#include "input/input_files.h"

namespace {

constexpr double tight = 1e-13;  // relative tolerance for "equal up to rounding"

class HeIAtomicData : public ::testing::Test {
 protected:
  void SetUp() override {
    testing_support::use_laboratory_constants();  // every V_* is exactly 1
    HeI_atomic_data();
  }
};

// With laboratory constants the tables are used as they stand. The laboratory
// HeI resonance lines are at 584.33 A (singlet) and 591.41 A (intercombination):
// hc = 12398.42 eV A over 21.2180 eV and 20.9641 eV.
TEST_F(HeIAtomicData, LaboratoryConstantsGiveTheLaboratorySpectrum) {
  ASSERT_EQ(V_energy, 1.0);
  ASSERT_EQ(V_one_photon, 1.0);
  EXPECT_NEAR(E_2p2sHeI, (3.9716 - 3.3694) * eV_erg, tight * E_2p2sHeI);
  EXPECT_NEAR(E_2p2sHeI_orto, (4.7678 - 3.6233) * eV_erg, tight * E_2p2sHeI_orto);
  EXPECT_NEAR(lambd_aHeI, 2 * pi * h * c / ((24.5874 - 3.3694) * eV_erg), tight * lambd_aHeI);
  EXPECT_NEAR(lambd_aHeI, 5.84335e-6, 1e-5 * lambd_aHeI);
  EXPECT_NEAR(lambd_a_ortoHeI, 5.91412e-6, 1e-5 * lambd_a_ortoHeI);
  // Only 3 of the 9 states of 2^3P decay to the ground state.
  EXPECT_NEAR(A_2p1s_ortoHeI, 177.58 / 3, tight * A_2p1s_ortoHeI);
  EXPECT_EQ(A_2p1s_paraHeI, A_HeI_para_2p_1_1s_0);
}

// A level's excitation energy is the ground-state ionisation energy minus its
// own: the two tables must agree to the 1e-4 eV the ionisation energies carry.
TEST_F(HeIAtomicData, IonisationEnergiesMatchLevelEnergies) {
  const double tolerance = 1e-4 * eV_erg;
  EXPECT_NEAR(I1_HeI - I2s_HeI, E_HeI_para_2s_0 * eV_erg, tolerance);
  EXPECT_NEAR(I1_HeI - I2p_HeI, E_HeI_para_2p_1 * eV_erg, tolerance);
  EXPECT_NEAR(I1_HeI - I2s_orto_HeI, E_HeI_ortho_2s_1 * eV_erg, tolerance);
  EXPECT_NEAR(I1_HeI - I2p_orto_HeI, E_HeI_ortho_2p_1 * eV_erg, tolerance);
}

std::vector<double> energies() {
  return {I1_HeI,           I2s_HeI,          I2p_HeI,          I2s_orto_HeI,     I2p_orto_HeI,
          E_2p2sHeI,        E_2p2sHeI_orto,   E_HeI_para_2s_0,  E_HeI_para_2p_1,  E_HeI_para_3s_0,
          E_HeI_para_3d_2,  E_HeI_para_4s_0,  E_HeI_para_4d_2,  E_HeI_para_5s_0,  E_HeI_para_5d_2,
          E_HeI_ortho_2s_1, E_HeI_ortho_2p_1, E_HeI_ortho_3s_1, E_HeI_ortho_3d_1, E_HeI_ortho_3d_2};
}

std::vector<double> einstein_coefficients() {
  return {A_HeI_para_2p_1_1s_0,  A_2p1s_paraHeI,
          A_HeI_para_2p_1_2s_0,  A_HeI_para_3s_0_2p_1,
          A_HeI_para_3d_2_2p_1,  A_HeI_para_4s_0_2p_1,
          A_HeI_para_4d_2_2p_1,  A_HeI_para_5s_0_2p_1,
          A_HeI_para_5d_2_2p_1,  A_HeI_ortho_2p_1_2s_1,
          A_HeI_ortho_3s_1_2p_1, A_HeI_ortho_3d_1_2p_1,
          A_HeI_ortho_3d_2_2p_1, A_HeI_ortho_2p_1_para_1s_0,
          A_2p1s_ortoHeI,        A_2s1sHeI};
}

// Energy levels scale with V_energy, the wavelengths as 1 / energy; decay rates
// do not move (the allowed ones are laboratory values, the others follow the
// photon factors, unchanged here).
TEST_F(HeIAtomicData, DoublingVEnergyDoublesEnergiesOnly) {
  const std::vector<double> energies_before = energies();
  const std::vector<double> rates_before = einstein_coefficients();
  const double lambda = lambd_aHeI, lambda_o = lambd_a_ortoHeI;
  V_energy = 2;
  HeI_atomic_data();
  const std::vector<double> energies_after = energies();
  for (size_t i = 0; i < energies_after.size(); ++i) {
    EXPECT_DOUBLE_EQ(energies_after[i], 2 * energies_before[i]) << "energy " << i;
  }
  EXPECT_EQ(E_HeI_para_1s_0, 0.0);
  EXPECT_DOUBLE_EQ(lambd_aHeI, lambda / 2);
  EXPECT_DOUBLE_EQ(lambd_a_ortoHeI, lambda_o / 2);
  EXPECT_EQ(einstein_coefficients(), rates_before);
}

// The intercombination line follows the one-photon factor, the 2s two-photon
// decay the two-photon factor; the allowed lines stay.
TEST_F(HeIAtomicData, PhotonFactorsScaleOnlyTheirRates) {
  const double allowed = A_HeI_para_2p_1_1s_0, intercombination = A_HeI_ortho_2p_1_para_1s_0;
  const double per_state = A_2p1s_ortoHeI, two_photon = A_2s1sHeI;
  V_one_photon = 2;
  V_two_photon = 3;
  HeI_atomic_data();
  EXPECT_DOUBLE_EQ(A_HeI_ortho_2p_1_para_1s_0, 2 * intercombination);
  EXPECT_DOUBLE_EQ(A_2p1s_ortoHeI, 2 * per_state);
  EXPECT_DOUBLE_EQ(A_2s1sHeI, 3 * two_photon);
  EXPECT_EQ(A_HeI_para_2p_1_1s_0, allowed);
}

}  // namespace
