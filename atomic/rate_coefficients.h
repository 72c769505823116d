// Recombination and photoionisation coefficients of H, He+ and He++, the
// bound-free Gaunt factor, the hydrogenic photoionisation cross-section and the
// Planck occupation number. Functions of temperature (K), level number and
// ordinary frequency (Hz) for the constants of a run; results in CGS:
// recombination coefficients in cm^3 s^-1, photoionisation rates in s^-1.
//
// Arguments are not validated: T <= 0 or nu <= 0 give whatever IEEE arithmetic
// gives (inf or nan), which propagates; nothing traps or aborts. A positive
// level n below 3 other than 1 and 2 has a Gaunt factor, and so a cross-section,
// of 0 (for n <= 0 or nu <= 0 the products with u give nan instead).
#pragma once

#include "atomic/physics.h"

namespace primrec {

// The hydrogen fudge factor F_H must be positive: a non-positive value counts
// as 1.0. NaN passes unchanged. (The checks of the input refuse both.)
double F_H_guard(double F_H);

double recomb_HydII(Physics& ph, double T);         // case-B-like fit, HydII + e -> HydI [cm^3 s^-1]
double recomb_HydII_fudged(Physics& ph, double T);  // recomb_HydII(T) * F_H [cm^3 s^-1]
double ion_HydI_fudged(Physics& ph, double T);      // photoionisation of HydI out of 2s, fudged alike [s^-1]
double recomb_HeIII(Physics& ph, double T);      // HeIII + e -> HeII, hydrogen fit at T/4, doubled [cm^3 s^-1]
double ion_HeII(Physics& ph, double T);          // photoionisation of HeII out of 2s [s^-1]
double recomb_HeII(Physics& ph, double T);       // HeII + e -> HeI singlets [cm^3 s^-1]
double recomb_orto_HeII(Physics& ph, double T);  // HeII + e -> HeI triplets [cm^3 s^-1]
double ion_HeI(Physics& ph, double T);           // photoionisation of HeI out of 2^1S [s^-1]
double ion_orto_HeI(Physics& ph, double T);      // photoionisation of HeI out of 2^3S [s^-1]

double g_e(Physics& ph, double T);  // quantum concentration (me kB T / (2 pi hbar^2))^(3/2) [cm^-3]

// Bound-free Gaunt factor of hydrogen level n at frequency nu. The cases n == 1,
// n == 2 and n >= 3 are chosen by exact comparison; any other n gives 0.
double gaunt_ion(const Physics& ph, double n, double nu);
// Kramers photoionisation cross-section of hydrogen level n times the Gaunt
// factor, 0 below the threshold freq1 / n^2 [cm^2].
double hydrogen_ion_crs_sctn(Physics& ph, double n, double nu);
// Blackbody photon occupation number at ordinary frequency nu and temperature T.
double planckian_photon_per_mode(const Physics& ph, double nu, double T);

}  // namespace primrec
