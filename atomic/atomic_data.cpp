// Atomic data of hydrogen, HeII and HeI, set once per run by
// derive_atomic_data() in the order HeII, HeI, hydrogen.
#include "atomic/atomic_data.h"

#include <cmath>

namespace primrec {

namespace {

// The two-photon rate 2s -> 1s of hydrogen for laboratory constants [s^-1]
// (Goldman 1989, Phys. Rev. A 40, 1185).
constexpr double A_2s1s_hydrogen_laboratory = 8.22458;

// An ionisation energy tabled in eV, in erg for the constants of this run.
double ionisation_energy(const Constants& cs, double energy_eV) { return cs.eV_erg * energy_eV * cs.V_energy; }

// Wavelength of a photon of energy E [erg]; h holds hbar.
double photon_wavelength(const Constants& cs, double energy) { return (cs.pi + cs.pi) * cs.h * cs.c / energy; }

// Ionisation energies of the HeI levels [eV], from the level energies of the
// NIST Atomic Spectra Database.
void HeI_ionisation_energies(AtomicData& at, const Constants& cs) {
  at.I1_HeI = ionisation_energy(cs, 24.5874);
  at.I2s_HeI = ionisation_energy(cs, 3.9716);
  at.I2p_HeI = ionisation_energy(cs, 3.3694);
  at.I2s_orto_HeI = ionisation_energy(cs, 4.7678);
  at.I2p_orto_HeI = ionisation_energy(cs, 3.6233);
  at.E_2p2sHeI = at.I2s_HeI - at.I2p_HeI;
  at.E_2p2sHeI_orto = at.I2s_orto_HeI - at.I2p_orto_HeI;
  at.lambd_aHeI = photon_wavelength(cs, at.I1_HeI - at.I2p_HeI);
  at.lambd_a_ortoHeI = photon_wavelength(cs, at.I1_HeI - at.I2p_orto_HeI);
}

// Level energies above 1^1S_0 [eV], as tabulated in the NIST Atomic Spectra Database.
void HeI_level_energies(AtomicData& at, const Constants& cs) {
  at.E_HeI_para_1s_0 = 0.0;
  at.E_HeI_para_2s_0 = 20.6157736 * cs.V_energy;
  at.E_HeI_para_2p_1 = 21.2180214 * cs.V_energy;
  at.E_HeI_para_3s_0 = 22.9203161 * cs.V_energy;
  at.E_HeI_para_3d_2 = 23.0740734 * cs.V_energy;
  at.E_HeI_para_4s_0 = 23.6735693 * cs.V_energy;
  at.E_HeI_para_4d_2 = 23.7363336 * cs.V_energy;
  at.E_HeI_para_5s_0 = 24.0112136 * cs.V_energy;
  at.E_HeI_para_5d_2 = 24.042802 * cs.V_energy;
  at.E_HeI_ortho_2s_1 = 19.8196134 * cs.V_energy;
  at.E_HeI_ortho_2p_1 = 20.9640951 * cs.V_energy;
  at.E_HeI_ortho_3s_1 = 22.7184651 * cs.V_energy;
  at.E_HeI_ortho_3d_1 = 23.0736551 * cs.V_energy;
  at.E_HeI_ortho_3d_2 = 23.0736496 * cs.V_energy;
}

void HeI_statistical_weights(AtomicData& at) {
  at.g_HeI_para_2p_1 = 3;
  at.g_HeI_para_3s_0 = 1;
  at.g_HeI_para_3d_2 = 5;
  at.g_HeI_para_4s_0 = 1;
  at.g_HeI_para_4d_2 = 5;
  at.g_HeI_para_5s_0 = 1;
  at.g_HeI_para_5d_2 = 5;
  at.g_HeI_ortho_2p_1 = 3;
  at.g_HeI_ortho_3s_1 = 3;
  at.g_HeI_ortho_3d_1 = 3;
  at.g_HeI_ortho_3d_2 = 5;
}

// Laboratory rates of the allowed lines do not follow the constants; the
// intercombination and two-photon rates do. The decays of 2^1P_1 to 1^1S_0 and
// 2^1S_0 and of 2^3P_1 to 2^3S_1 are those of the NIST Atomic Spectra Database;
// the decays of the n = 3..5 levels to 2p are laboratory values to three
// figures, which the data set names no single source for.
void HeI_einstein_coefficients(AtomicData& at, const Constants& cs) {
  at.A_HeI_para_2p_1_1s_0 = 1.799e9;
  at.A_2p1s_paraHeI = 1.799e9;
  at.A_HeI_para_2p_1_2s_0 = 1.976e6;
  at.A_HeI_para_3s_0_2p_1 = 1.81e7;
  at.A_HeI_para_3d_2_2p_1 = 6.38e7;
  at.A_HeI_para_4s_0_2p_1 = 6.55e6;
  at.A_HeI_para_4d_2_2p_1 = 2.02e7;
  at.A_HeI_para_5s_0_2p_1 = 3.13e6;
  at.A_HeI_para_5d_2_2p_1 = 9.07e6;
  at.A_HeI_ortho_2p_1_2s_1 = 1.022e7;
  at.A_HeI_ortho_3s_1_2p_1 = 9.25e6;
  at.A_HeI_ortho_3d_1_2p_1 = 2.94e7;
  at.A_HeI_ortho_3d_2_2p_1 = 5.29e7;
  at.A_HeI_ortho_2p_1_para_1s_0 = 177.58 * cs.V_one_photon;  // Lach & Pachucki 2001, Phys. Rev. A 64, 042510
  // Only 3 of the 9 states of the 2^3P term decay to the ground state.
  at.A_2p1s_ortoHeI = (cs.V_one_photon * 177.58 * 3.0) / 9.0;
  at.A_2s1sHeI = 51.3 * cs.V_two_photon;  // Drake, Victor & Dalgarno 1969, Phys. Rev. 180, 25
}

}  // namespace

void HeI_atomic_data(AtomicData& at, const Constants& cs) {
  HeI_ionisation_energies(at, cs);
  HeI_level_energies(at, cs);
  HeI_statistical_weights(at);
  HeI_einstein_coefficients(at, cs);
}

// Hydrogen-like scaling with nuclear charge 2: energies x4, two-photon rate x2^6.
void derive_HeII_quantities(AtomicData& at, const Constants& cs) {
  at.I2s_HeII = cs.I;
  at.I1_HeII = 4 * cs.I;
  at.A_2s1sHeII = std::pow(2, 6) * A_2s1s_hydrogen_laboratory * cs.V_two_photon;
  at.lambd_aHeII = (cs.pi + cs.pi) * cs.h * cs.c / (at.I1_HeII - at.I2s_HeII);
}

void derive_hydrogen_quantities(AtomicData& at, const Constants& cs) {
  at.I2s_HydI = 0.25 * cs.I;
  at.I1_HydI = cs.I;
  at.lambd_aHydI = (cs.pi + cs.pi) * cs.h * cs.c / (at.I1_HydI - at.I2s_HydI);
  at.A_2s1sHydI = A_2s1s_hydrogen_laboratory * cs.V_two_photon;
}

AtomicData derive_atomic_data(const Constants& cs) {
  AtomicData at{};
  derive_HeII_quantities(at, cs);
  HeI_atomic_data(at, cs);
  derive_hydrogen_quantities(at, cs);
  return at;
}

}  // namespace primrec
