// The reaction coefficients of one redshift step: recombination and
// photoionisation of the four ionisation stages, at the current redshift z and
// again at the previous one z_, for the kinetic matrices.
// Init_step_reaction_rates runs at the first inner iteration of a step,
// Init_iteration_reaction_rates at every one. Helium rates and hydrogen
// photoionisation follow the radiation temperature; hydrogen recombination the
// matter temperature.
#pragma once

#include "atomic/physics.h"

namespace primrec {

struct ReactionRates {
  double recomb_HeIII_var, recomb_HeIII_var_;          // HeIII + e -> HeII [cm^3 s^-1]
  double ion_HeII_var, ion_HeII_var_;                  // HeII out of 2s [s^-1]
  double recomb_HeII_var, recomb_HeII_var_;            // HeII + e -> HeI singlets [cm^3 s^-1]
  double ion_HeI_var, ion_HeI_var_;                    // HeI out of 2^1S [s^-1]
  double recomb_orto_HeII_var, recomb_orto_HeII_var_;  // HeII + e -> HeI triplets [cm^3 s^-1]
  double ion_orto_HeI_var, ion_orto_HeI_var_;          // HeI out of 2^3S [s^-1]
  double recomb_HydII_var, recomb_HydII_var_;          // HydII + e -> HydI, fudged [cm^3 s^-1]
  double ion_HydI_var, ion_HydI_var_;                  // HydI out of 2s, fudged [s^-1]

  // Multiplies the Lyman-alpha escape term of hydrogen: 1 without feedback.
  double Hydrogen_FeedBack_Correction_var;
};

// The sixteen rates at z (with T_matter_var) and z_ (with T_matter_var_), in
// two parts. The fifteen that are fixed for the step: all but recomb_HydII_var.
void Init_step_reaction_rates(ReactionRates& r, Physics& ph, double z, double z_, double T_matter_var_);
// recomb_HydII_var, at the matter temperature of the inner iteration.
void Init_iteration_reaction_rates(ReactionRates& r, Physics& ph, double T_matter_var);

}  // namespace primrec
