// HeI atomic data: the tables against each other and against the laboratory
// spectrum, and their scaling with the fundamental constants.
#include <gtest/gtest.h>

#include <cmath>

#include "atomic/atomic_data.h"
#include "input/constants.h"
#include "input/input_files.h"

namespace {

constexpr double tight = 1e-13;  // relative tolerance for "equal up to rounding"

class HeIAtomicData : public ::testing::Test {
 protected:
  void SetUp() override {
    e = e_reference;
    h = h_reference;
    me = me_reference;
    c = c_reference;
    kB = kB_reference;
    mp = 1.672621637e-24;
    pi = 3.14159265359;
    init_general_assist_const();  // laboratory constants: every V_* is exactly 1
    eV_erg = 1.6021765e-12;
    HeI_atomic_data();
  }
};

TEST_F(HeIAtomicData, LaboratoryConstantsGiveTheTabledValues) {
  ASSERT_EQ(V_energy, 1.0);
  ASSERT_EQ(V_one_photon, 1.0);
  EXPECT_NEAR(E_2p2sHeI, (3.9716 - 3.3694) * eV_erg, tight * E_2p2sHeI);
  EXPECT_NEAR(E_2p2sHeI_orto, (4.7678 - 3.6233) * eV_erg, tight * E_2p2sHeI_orto);
  EXPECT_NEAR(lambd_aHeI, 2 * pi * h * c / ((24.5874 - 3.3694) * eV_erg), tight * lambd_aHeI);
  // Only 3 of the 9 states of 2^3P decay to the ground state.
  EXPECT_NEAR(A_2p1s_ortoHeI, 177.58 / 3, tight * A_2p1s_ortoHeI);
  EXPECT_EQ(A_2p1s_paraHeI, A_HeI_para_2p_1_1s_0);
}

// The laboratory HeI resonance lines are at 584.33 A (singlet) and 591.41 A
// (intercombination): hc = 12398.42 eV A over 21.2180 eV and 20.9641 eV.
TEST_F(HeIAtomicData, WavelengthsAreTheLaboratoryLines) {
  EXPECT_NEAR(lambd_aHeI, 5.84335e-6, 1e-5 * lambd_aHeI);
  EXPECT_NEAR(lambd_a_ortoHeI, 5.91412e-6, 1e-5 * lambd_a_ortoHeI);
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

// Statistical weight 2J + 1, J the last digit of the level name.
TEST_F(HeIAtomicData, WeightsAreTwoJPlusOne) {
  EXPECT_EQ(g_HeI_para_2p_1, 3);
  EXPECT_EQ(g_HeI_para_3s_0, 1);
  EXPECT_EQ(g_HeI_para_3d_2, 5);
  EXPECT_EQ(g_HeI_para_4s_0, 1);
  EXPECT_EQ(g_HeI_para_4d_2, 5);
  EXPECT_EQ(g_HeI_para_5s_0, 1);
  EXPECT_EQ(g_HeI_para_5d_2, 5);
  EXPECT_EQ(g_HeI_ortho_2p_1, 3);
  EXPECT_EQ(g_HeI_ortho_3s_1, 3);
  EXPECT_EQ(g_HeI_ortho_3d_1, 3);
  EXPECT_EQ(g_HeI_ortho_3d_2, 5);
}

// Energy levels scale with V_energy; allowed one-photon rates are laboratory
// values and do not; the wavelengths go as 1 / energy.
TEST_F(HeIAtomicData, DoublingVEnergyDoublesEnergiesOnly) {
  const double I1 = I1_HeI, I2s = I2s_HeI, I2p = I2p_HeI, I2s_o = I2s_orto_HeI;
  const double I2p_o = I2p_orto_HeI, gap = E_2p2sHeI, gap_o = E_2p2sHeI_orto;
  const double lambda = lambd_aHeI, lambda_o = lambd_a_ortoHeI;
  const double levels[] = {E_HeI_para_2s_0,  E_HeI_para_2p_1,  E_HeI_para_3s_0,  E_HeI_para_3d_2,
                           E_HeI_para_4s_0,  E_HeI_para_4d_2,  E_HeI_para_5s_0,  E_HeI_para_5d_2,
                           E_HeI_ortho_2s_1, E_HeI_ortho_2p_1, E_HeI_ortho_3s_1, E_HeI_ortho_3d_1,
                           E_HeI_ortho_3d_2};
  const double rates_before[] = {
      A_HeI_para_2p_1_1s_0,  A_2p1s_paraHeI,        A_HeI_para_2p_1_2s_0,  A_HeI_para_3s_0_2p_1,
      A_HeI_para_3d_2_2p_1,  A_HeI_para_4s_0_2p_1,  A_HeI_para_4d_2_2p_1,  A_HeI_para_5s_0_2p_1,
      A_HeI_para_5d_2_2p_1,  A_HeI_ortho_2p_1_2s_1, A_HeI_ortho_3s_1_2p_1, A_HeI_ortho_3d_1_2p_1,
      A_HeI_ortho_3d_2_2p_1, A_HeI_ortho_2p_1_para_1s_0, A_2p1s_ortoHeI,   A_2s1sHeI};

  V_energy = 2;
  HeI_atomic_data();

  EXPECT_DOUBLE_EQ(I1_HeI, 2 * I1);
  EXPECT_DOUBLE_EQ(I2s_HeI, 2 * I2s);
  EXPECT_DOUBLE_EQ(I2p_HeI, 2 * I2p);
  EXPECT_DOUBLE_EQ(I2s_orto_HeI, 2 * I2s_o);
  EXPECT_DOUBLE_EQ(I2p_orto_HeI, 2 * I2p_o);
  EXPECT_DOUBLE_EQ(E_2p2sHeI, 2 * gap);
  EXPECT_DOUBLE_EQ(E_2p2sHeI_orto, 2 * gap_o);
  EXPECT_DOUBLE_EQ(lambd_aHeI, lambda / 2);
  EXPECT_DOUBLE_EQ(lambd_a_ortoHeI, lambda_o / 2);
  EXPECT_EQ(E_HeI_para_1s_0, 0.0);
  const double scaled[] = {E_HeI_para_2s_0,  E_HeI_para_2p_1,  E_HeI_para_3s_0,  E_HeI_para_3d_2,
                           E_HeI_para_4s_0,  E_HeI_para_4d_2,  E_HeI_para_5s_0,  E_HeI_para_5d_2,
                           E_HeI_ortho_2s_1, E_HeI_ortho_2p_1, E_HeI_ortho_3s_1, E_HeI_ortho_3d_1,
                           E_HeI_ortho_3d_2};
  for (int i = 0; i < 13; ++i) EXPECT_DOUBLE_EQ(scaled[i], 2 * levels[i]) << "level " << i;
  const double rates[] = {
      A_HeI_para_2p_1_1s_0,  A_2p1s_paraHeI,        A_HeI_para_2p_1_2s_0,  A_HeI_para_3s_0_2p_1,
      A_HeI_para_3d_2_2p_1,  A_HeI_para_4s_0_2p_1,  A_HeI_para_4d_2_2p_1,  A_HeI_para_5s_0_2p_1,
      A_HeI_para_5d_2_2p_1,  A_HeI_ortho_2p_1_2s_1, A_HeI_ortho_3s_1_2p_1, A_HeI_ortho_3d_1_2p_1,
      A_HeI_ortho_3d_2_2p_1, A_HeI_ortho_2p_1_para_1s_0, A_2p1s_ortoHeI,   A_2s1sHeI};
  for (int i = 0; i < 16; ++i) EXPECT_EQ(rates[i], rates_before[i]) << "rate " << i;
}

// The intercombination line follows the one-photon factor, the 2s two-photon
// decay the two-photon factor; nothing else moves.
TEST_F(HeIAtomicData, PhotonFactorsScaleOnlyTheirRates) {
  const double allowed = A_HeI_para_2p_1_1s_0, lambda = lambd_aHeI;
  const double intercombination = A_HeI_ortho_2p_1_para_1s_0, per_state = A_2p1s_ortoHeI;
  const double two_photon = A_2s1sHeI;
  V_one_photon = 2;
  V_two_photon = 3;
  HeI_atomic_data();
  EXPECT_DOUBLE_EQ(A_HeI_ortho_2p_1_para_1s_0, 2 * intercombination);
  EXPECT_DOUBLE_EQ(A_2p1s_ortoHeI, 2 * per_state);
  EXPECT_DOUBLE_EQ(A_2s1sHeI, 3 * two_photon);
  EXPECT_EQ(A_HeI_para_2p_1_1s_0, allowed);
  EXPECT_EQ(lambd_aHeI, lambda);
}

}  // namespace
