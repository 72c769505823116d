// Atomic data of hydrogen, HeII and HeI. The hydrogen and HeII values are set by
// the run sequence (they need only I); HeI_atomic_data() sets the helium tables.
#include "atomic/atomic_data.h"

#include "input/constants.h"
#include "input/input_files.h"

double I1_HydI, I2s_HydI, lambd_aHydI, A_2s1sHydI;
double I1_HeII, I2s_HeII, lambd_aHeII, A_2s1sHeII;

double I1_HeI, I2s_HeI, I2p_HeI, I2s_orto_HeI, I2p_orto_HeI;
double E_2p2sHeI, E_2p2sHeI_orto, lambd_aHeI, lambd_a_ortoHeI;

double E_HeI_para_1s_0, E_HeI_para_2s_0, E_HeI_para_2p_1, E_HeI_para_3s_0, E_HeI_para_3d_2,
    E_HeI_para_4s_0, E_HeI_para_4d_2, E_HeI_para_5s_0, E_HeI_para_5d_2;
double E_HeI_ortho_2s_1, E_HeI_ortho_2p_1, E_HeI_ortho_3s_1, E_HeI_ortho_3d_1, E_HeI_ortho_3d_2;

double g_HeI_para_2p_1, g_HeI_para_3s_0, g_HeI_para_3d_2, g_HeI_para_4s_0, g_HeI_para_4d_2,
    g_HeI_para_5s_0, g_HeI_para_5d_2;
double g_HeI_ortho_2p_1, g_HeI_ortho_3s_1, g_HeI_ortho_3d_1, g_HeI_ortho_3d_2;

double A_HeI_para_2p_1_1s_0, A_2p1s_paraHeI, A_HeI_para_2p_1_2s_0, A_HeI_para_3s_0_2p_1,
    A_HeI_para_3d_2_2p_1, A_HeI_para_4s_0_2p_1, A_HeI_para_4d_2_2p_1, A_HeI_para_5s_0_2p_1,
    A_HeI_para_5d_2_2p_1;
double A_HeI_ortho_2p_1_2s_1, A_HeI_ortho_3s_1_2p_1, A_HeI_ortho_3d_1_2p_1, A_HeI_ortho_3d_2_2p_1;
double A_HeI_ortho_2p_1_para_1s_0, A_2p1s_ortoHeI, A_2s1sHeI;

namespace {

// An ionisation energy tabled in eV, in erg for the constants of this run.
double ionisation_energy(double energy_eV) { return eV_erg * energy_eV * V_energy; }

// Wavelength of a photon of energy E [erg]; h holds hbar.
double photon_wavelength(double energy) { return (pi + pi) * h * c / energy; }

void HeI_ionisation_energies() {
  I1_HeI = ionisation_energy(24.5874);
  I2s_HeI = ionisation_energy(3.9716);
  I2p_HeI = ionisation_energy(3.3694);
  I2s_orto_HeI = ionisation_energy(4.7678);
  I2p_orto_HeI = ionisation_energy(3.6233);
  E_2p2sHeI = I2s_HeI - I2p_HeI;
  E_2p2sHeI_orto = I2s_orto_HeI - I2p_orto_HeI;
  lambd_aHeI = photon_wavelength(I1_HeI - I2p_HeI);
  lambd_a_ortoHeI = photon_wavelength(I1_HeI - I2p_orto_HeI);
}

void HeI_level_energies() {
  E_HeI_para_1s_0 = 0.0;
  E_HeI_para_2s_0 = 20.6157736 * V_energy;
  E_HeI_para_2p_1 = 21.2180214 * V_energy;
  E_HeI_para_3s_0 = 22.9203161 * V_energy;
  E_HeI_para_3d_2 = 23.0740734 * V_energy;
  E_HeI_para_4s_0 = 23.6735693 * V_energy;
  E_HeI_para_4d_2 = 23.7363336 * V_energy;
  E_HeI_para_5s_0 = 24.0112136 * V_energy;
  E_HeI_para_5d_2 = 24.042802 * V_energy;
  E_HeI_ortho_2s_1 = 19.8196134 * V_energy;
  E_HeI_ortho_2p_1 = 20.9640951 * V_energy;
  E_HeI_ortho_3s_1 = 22.7184651 * V_energy;
  E_HeI_ortho_3d_1 = 23.0736551 * V_energy;
  E_HeI_ortho_3d_2 = 23.0736496 * V_energy;
}

void HeI_statistical_weights() {
  g_HeI_para_2p_1 = 3;
  g_HeI_para_3s_0 = 1;
  g_HeI_para_3d_2 = 5;
  g_HeI_para_4s_0 = 1;
  g_HeI_para_4d_2 = 5;
  g_HeI_para_5s_0 = 1;
  g_HeI_para_5d_2 = 5;
  g_HeI_ortho_2p_1 = 3;
  g_HeI_ortho_3s_1 = 3;
  g_HeI_ortho_3d_1 = 3;
  g_HeI_ortho_3d_2 = 5;
}

// Laboratory rates of the allowed lines do not follow the constants; the
// intercombination and two-photon rates do.
void HeI_einstein_coefficients() {
  A_HeI_para_2p_1_1s_0 = 1.799e9;
  A_2p1s_paraHeI = 1.799e9;
  A_HeI_para_2p_1_2s_0 = 1.976e6;
  A_HeI_para_3s_0_2p_1 = 1.81e7;
  A_HeI_para_3d_2_2p_1 = 6.38e7;
  A_HeI_para_4s_0_2p_1 = 6.55e6;
  A_HeI_para_4d_2_2p_1 = 2.02e7;
  A_HeI_para_5s_0_2p_1 = 3.13e6;
  A_HeI_para_5d_2_2p_1 = 9.07e6;
  A_HeI_ortho_2p_1_2s_1 = 1.022e7;
  A_HeI_ortho_3s_1_2p_1 = 9.25e6;
  A_HeI_ortho_3d_1_2p_1 = 2.94e7;
  A_HeI_ortho_3d_2_2p_1 = 5.29e7;
  A_HeI_ortho_2p_1_para_1s_0 = 177.58 * V_one_photon;
  // Only 3 of the 9 states of the 2^3P term decay to the ground state.
  A_2p1s_ortoHeI = (V_one_photon * 177.58 * 3.0) / 9.0;
  A_2s1sHeI = 51.3 * V_two_photon;
}

}  // namespace

int HeI_atomic_data() {
  HeI_ionisation_energies();
  HeI_level_energies();
  HeI_statistical_weights();
  HeI_einstein_coefficients();
  return 0;
}
