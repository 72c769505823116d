// Atomic data of the three absorbers: hydrogen, the hydrogen-like ion HeII and
// neutral helium with its singlet (para) and triplet (ortho, "orto") series.
//
// Set once at the start of a run, after the constants: the HeII values, then
// HeI_atomic_data(), then the hydrogen values. Energies follow the fundamental
// constants through I and V_energy, decay rates through V_one_photon and
// V_two_photon.
// Ionisation energies I1_* (ground state), I2s_*, I2p_* are in erg; the level
// energies E_HeI_* are in eV above 1^1S_0; Einstein coefficients in s^-1;
// wavelengths lambd_a* in cm.
#pragma once

#include "input/constants.h"

namespace primrec {

struct AtomicData {
  // Hydrogen
  double I1_HydI;           // ionisation energy of the ground state [erg]
  double I2s_HydI;          // ionisation energy of 2s [erg]
  double lambd_aHydI;       // Lyman-alpha wavelength [cm]
  double A_2s1sHydI;        // two-photon decay 2s -> 1s [s^-1]

  // HeII (nuclear charge 2)
  double I1_HeII;           // ionisation energy of the ground state [erg]
  double I2s_HeII;          // ionisation energy of 2s [erg]
  double lambd_aHeII;       // HeII Lyman-alpha wavelength [cm]
  double A_2s1sHeII;        // two-photon decay 2s -> 1s [s^-1]

  // HeI ionisation energies [erg] and what follows from them
  double I1_HeI;            // 1^1S_0
  double I2s_HeI;           // 2^1S_0
  double I2p_HeI;           // 2^1P_1
  double I2s_orto_HeI;      // 2^3S_1
  double I2p_orto_HeI;      // 2^3P
  double E_2p2sHeI;         // 2^1P - 2^1S gap [erg]
  double E_2p2sHeI_orto;    // 2^3P - 2^3S gap [erg]
  double lambd_aHeI;        // 2^1P_1 -> 1^1S_0 line [cm]
  double lambd_a_ortoHeI;   // 2^3P_1 -> 1^1S_0 intercombination line [cm]

  // HeI level energies above 1^1S_0 [eV]
  double E_HeI_para_1s_0;
  double E_HeI_para_2s_0;
  double E_HeI_para_2p_1;
  double E_HeI_para_3s_0;
  double E_HeI_para_3d_2;
  double E_HeI_para_4s_0;
  double E_HeI_para_4d_2;
  double E_HeI_para_5s_0;
  double E_HeI_para_5d_2;
  double E_HeI_ortho_2s_1;
  double E_HeI_ortho_2p_1;
  double E_HeI_ortho_3s_1;
  double E_HeI_ortho_3d_1;
  double E_HeI_ortho_3d_2;

  // HeI statistical weights 2J + 1
  double g_HeI_para_2p_1;
  double g_HeI_para_3s_0;
  double g_HeI_para_3d_2;
  double g_HeI_para_4s_0;
  double g_HeI_para_4d_2;
  double g_HeI_para_5s_0;
  double g_HeI_para_5d_2;
  double g_HeI_ortho_2p_1;
  double g_HeI_ortho_3s_1;
  double g_HeI_ortho_3d_1;
  double g_HeI_ortho_3d_2;

  // HeI Einstein coefficients, upper level then lower level [s^-1]
  double A_HeI_para_2p_1_1s_0;
  double A_2p1s_paraHeI;            // the same rate under the name the line transfer uses
  double A_HeI_para_2p_1_2s_0;
  double A_HeI_para_3s_0_2p_1;
  double A_HeI_para_3d_2_2p_1;
  double A_HeI_para_4s_0_2p_1;
  double A_HeI_para_4d_2_2p_1;
  double A_HeI_para_5s_0_2p_1;
  double A_HeI_para_5d_2_2p_1;
  double A_HeI_ortho_2p_1_2s_1;
  double A_HeI_ortho_3s_1_2p_1;
  double A_HeI_ortho_3d_1_2p_1;
  double A_HeI_ortho_3d_2_2p_1;
  double A_HeI_ortho_2p_1_para_1s_0;  // intercombination 2^3P_1 -> 1^1S_0
  double A_2p1s_ortoHeI;              // the same per state of the whole 2^3P term
  double A_2s1sHeI;                   // two-photon decay 2^1S_0 -> 1^1S_0

};

// Hydrogen-like ion HeII (nuclear charge 2) from the hydrogen I.
void derive_HeII_quantities(AtomicData& at, const Constants& cs);
// Sets every HeI value above from eV_erg, V_energy, V_one_photon, V_two_photon,
// pi, h and c.
void HeI_atomic_data(AtomicData& at, const Constants& cs);
// Hydrogen: ionisation energies, Lyman-alpha wavelength, two-photon rate.
void derive_hydrogen_quantities(AtomicData& at, const Constants& cs);

// All of it, in the order HeII, HeI, hydrogen.
AtomicData derive_atomic_data(const Constants& cs);

}  // namespace primrec
