// Hydrogen radiative feedback and overheating.
//
// Pass 0 measures, after every step below z = 2000, how far the excitation of
// hydrogen n = 2 exceeds its equilibrium with the blackbody at Lyman alpha (the
// overheating), and keeps ln of it in "Hyd_Rad_Overheat.dat". Pass 1 reads that
// table into ln_HydRO and corrects the Lyman-alpha escape of every step below
// z = 1650 for photons that the Lyman line of level n + 1 emitted earlier and
// redshifted into the line of level n.
#pragma once

#include <cstdio>

// Above this redshift the overheating is not tabulated.
constexpr double z_overheating_table_start = 2000;
// Above this redshift the feedback correction of a Lyman line is 1.
constexpr double z_feedback_start = 1650;

// Relative excess of the 2s population over its blackbody equilibrium at Lyman
// alpha, from the state the last inner iteration of the step left.
double Hydrogen_radiation_overheating(double z);

// Appends the row (z, ln overheating) when z <= 2000 and the logarithm is finite.
int Out_of_Hydrogen_radiation_overheating_ln(FILE* stream);

// Reads "Hyd_Rad_Overheat.dat" into ln_HydRO.
void Init_HydRO();

// 1 minus the overheating at the redshift z_f where the Lyman line of level n + 1
// emitted what reaches the Lyman line of level n at z, over the overheating at z.
double C_Feedback_fun(int n, double z);

// Multiplier of the Lyman-alpha escape term: 1 in pass 0 or for one level.
double Hydrogen_FeedBack_Correction(double z, int iteration_number);
