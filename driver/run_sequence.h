// The run: static objects, the start-up sequence and the outer passes.
//
// Before main: a_St_B_stand, ww_, the six plasma objects and the matter
// temperature table (creating their tables) and the empty table ln_HydRO are
// built in that order. main then reads the input
// files (stopping at the first failure), derives the constants and the atomic
// data, links the component list and runs one or two outer passes.
#pragma once

// Stefan-Boltzmann constant from the laboratory constants, independent of fund.in
// [erg cm^-2 s^-1 K^-4]; the Compton coupling of the matter temperature uses it.
extern double a_St_B_stand;

// Exit statuses of the program.
constexpr int exit_success = 0;
constexpr int exit_failure = 1;  // an input failed, a step broke down, or a table was not written in full

// Hydrogen-like ion HeII (nuclear charge 2) from the hydrogen I.
void derive_HeII_quantities();
// Hydrogen: ionisation energies, Lyman-alpha wavelength, two-photon rate.
void derive_hydrogen_quantities();

// The whole run after static initialisation; returns the exit status.
int run_primrec();
