// HeI atomic data: the tables against each other and against the laboratory
// spectrum, and their scaling with the fundamental constants.
#include <gtest/gtest.h>

#include <vector>

#include "atomic/atomic_data.h"
#include "input/constants.h"
#include "support.h"

namespace {

constexpr double tight = 1e-13;  // relative tolerance for "equal up to rounding"

// Laboratory constants: every V_* is exactly 1.
class HeIAtomicData : public ::testing::Test {
 protected:
  const primrec::Constants cs = testing_support::laboratory_constants();
  const primrec::AtomicData at = primrec::derive_atomic_data(cs);
};

// With laboratory constants the tables are used as they stand. The laboratory
// HeI resonance lines are at 584.33 A (singlet) and 591.41 A (intercombination):
// hc = 12398.42 eV A over 21.2180 eV and 20.9641 eV.
TEST_F(HeIAtomicData, LaboratoryConstantsGiveTheLaboratorySpectrum) {
  ASSERT_EQ(cs.V_energy, 1.0);
  ASSERT_EQ(cs.V_one_photon, 1.0);
  EXPECT_NEAR(at.E_2p2sHeI, (3.9716 - 3.3694) * cs.eV_erg, tight * at.E_2p2sHeI);
  EXPECT_NEAR(at.E_2p2sHeI_orto, (4.7678 - 3.6233) * cs.eV_erg, tight * at.E_2p2sHeI_orto);
  EXPECT_NEAR(at.lambd_aHeI, 2 * cs.pi * cs.h * cs.c / ((24.5874 - 3.3694) * cs.eV_erg), tight * at.lambd_aHeI);
  EXPECT_NEAR(at.lambd_aHeI, 5.84335e-6, 1e-5 * at.lambd_aHeI);
  EXPECT_NEAR(at.lambd_a_ortoHeI, 5.91412e-6, 1e-5 * at.lambd_a_ortoHeI);
  // Only 3 of the 9 states of 2^3P decay to the ground state.
  EXPECT_NEAR(at.A_2p1s_ortoHeI, 177.58 / 3, tight * at.A_2p1s_ortoHeI);
  EXPECT_EQ(at.A_2p1s_paraHeI, at.A_HeI_para_2p_1_1s_0);
}

// A level's excitation energy is the ground-state ionisation energy minus its
// own: the two tables must agree to the 1e-4 eV the ionisation energies carry.
TEST_F(HeIAtomicData, IonisationEnergiesMatchLevelEnergies) {
  const double tolerance = 1e-4 * cs.eV_erg;
  EXPECT_NEAR(at.I1_HeI - at.I2s_HeI, at.E_HeI_para_2s_0 * cs.eV_erg, tolerance);
  EXPECT_NEAR(at.I1_HeI - at.I2p_HeI, at.E_HeI_para_2p_1 * cs.eV_erg, tolerance);
  EXPECT_NEAR(at.I1_HeI - at.I2s_orto_HeI, at.E_HeI_ortho_2s_1 * cs.eV_erg, tolerance);
  EXPECT_NEAR(at.I1_HeI - at.I2p_orto_HeI, at.E_HeI_ortho_2p_1 * cs.eV_erg, tolerance);
}

std::vector<double> energies(const primrec::AtomicData& a) {
  return {a.I1_HeI,           a.I2s_HeI,          a.I2p_HeI,          a.I2s_orto_HeI,     a.I2p_orto_HeI,
          a.E_2p2sHeI,        a.E_2p2sHeI_orto,   a.E_HeI_para_2s_0,  a.E_HeI_para_2p_1,  a.E_HeI_para_3s_0,
          a.E_HeI_para_3d_2,  a.E_HeI_para_4s_0,  a.E_HeI_para_4d_2,  a.E_HeI_para_5s_0,  a.E_HeI_para_5d_2,
          a.E_HeI_ortho_2s_1, a.E_HeI_ortho_2p_1, a.E_HeI_ortho_3s_1, a.E_HeI_ortho_3d_1, a.E_HeI_ortho_3d_2};
}

std::vector<double> einstein_coefficients(const primrec::AtomicData& a) {
  return {a.A_HeI_para_2p_1_1s_0,  a.A_2p1s_paraHeI,        a.A_HeI_para_2p_1_2s_0,  a.A_HeI_para_3s_0_2p_1,
          a.A_HeI_para_3d_2_2p_1,  a.A_HeI_para_4s_0_2p_1,  a.A_HeI_para_4d_2_2p_1,  a.A_HeI_para_5s_0_2p_1,
          a.A_HeI_para_5d_2_2p_1,  a.A_HeI_ortho_2p_1_2s_1, a.A_HeI_ortho_3s_1_2p_1, a.A_HeI_ortho_3d_1_2p_1,
          a.A_HeI_ortho_3d_2_2p_1, a.A_HeI_ortho_2p_1_para_1s_0, a.A_2p1s_ortoHeI, a.A_2s1sHeI};
}

// Energy levels scale with V_energy, the wavelengths as 1 / energy; decay rates
// do not move (the allowed ones are laboratory values, the others follow the
// photon factors, unchanged here).
TEST_F(HeIAtomicData, DoublingVEnergyDoublesEnergiesOnly) {
  primrec::Constants changed = cs;
  changed.V_energy = 2;
  primrec::AtomicData doubled{};
  primrec::HeI_atomic_data(doubled, changed);
  const std::vector<double> before = energies(at), after = energies(doubled);
  for (size_t i = 0; i < after.size(); ++i) EXPECT_DOUBLE_EQ(after[i], 2 * before[i]) << "energy " << i;
  EXPECT_EQ(doubled.E_HeI_para_1s_0, 0.0);
  EXPECT_DOUBLE_EQ(doubled.lambd_aHeI, at.lambd_aHeI / 2);
  EXPECT_DOUBLE_EQ(doubled.lambd_a_ortoHeI, at.lambd_a_ortoHeI / 2);
  EXPECT_EQ(einstein_coefficients(doubled), einstein_coefficients(at));
}

// The intercombination line follows the one-photon factor, the 2s two-photon
// decay the two-photon factor; the allowed lines stay.
TEST_F(HeIAtomicData, PhotonFactorsScaleOnlyTheirRates) {
  primrec::Constants changed = cs;
  changed.V_one_photon = 2;
  changed.V_two_photon = 3;
  primrec::AtomicData scaled{};
  primrec::HeI_atomic_data(scaled, changed);
  EXPECT_DOUBLE_EQ(scaled.A_HeI_ortho_2p_1_para_1s_0, 2 * at.A_HeI_ortho_2p_1_para_1s_0);
  EXPECT_DOUBLE_EQ(scaled.A_2p1s_ortoHeI, 2 * at.A_2p1s_ortoHeI);
  EXPECT_DOUBLE_EQ(scaled.A_2s1sHeI, 3 * at.A_2s1sHeI);
  EXPECT_EQ(scaled.A_HeI_para_2p_1_1s_0, at.A_HeI_para_2p_1_1s_0);
}

}  // namespace
