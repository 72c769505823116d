// Reaction-rate assembly: the coefficient functions evaluated at the current and
// the previous step.
#include "atomic/reaction_rates.h"

#include "atomic/rate_coefficients.h"

namespace primrec {

int Init_reaction_rates(ReactionRates& r, Physics& ph, double z, double z_, double T_matter_var,
                        double T_matter_var_) {
  Init_step_reaction_rates(r, ph, z, z_, T_matter_var_);
  Init_iteration_reaction_rates(r, ph, T_matter_var);
  return 0;
}

// Everything but the hydrogen recombination at the current step follows the
// radiation temperatures at z and z_ or the temperature the previous step ended
// with: the same in every inner iteration of a step.
void Init_step_reaction_rates(ReactionRates& r, Physics& ph, double z, double z_, double T_matter_var_) {
  const double T0 = ph.cs.T0;
  const double T_r = (z + 1) * T0;
  r.recomb_HeIII_var = recomb_HeIII(ph, T_r);
  r.ion_HeII_var = ion_HeII(ph, T_r);
  r.recomb_HeII_var = recomb_HeII(ph, T_r);
  r.ion_HeI_var = ion_HeI(ph, T_r);
  r.recomb_orto_HeII_var = recomb_orto_HeII(ph, T_r);
  r.ion_orto_HeI_var = ion_orto_HeI(ph, T_r);
  r.ion_HydI_var = ion_HydI_fudged(ph, T_r);

  const double T_r_ = (z_ + 1) * T0;
  r.recomb_HeIII_var_ = recomb_HeIII(ph, T_r_);
  r.ion_HeII_var_ = ion_HeII(ph, T_r_);
  r.recomb_HeII_var_ = recomb_HeII(ph, T_r_);
  r.ion_HeI_var_ = ion_HeI(ph, T_r_);
  r.recomb_orto_HeII_var_ = recomb_orto_HeII(ph, T_r_);
  r.ion_orto_HeI_var_ = ion_orto_HeI(ph, T_r_);
  r.recomb_HydII_var_ = recomb_HydII_fudged(ph, T_matter_var_);
  r.ion_HydI_var_ = ion_HydI_fudged(ph, T_r_);
}

// Hydrogen recombination follows the matter temperature, which every inner
// iteration recomputes.
void Init_iteration_reaction_rates(ReactionRates& r, Physics& ph, double T_matter_var) {
  r.recomb_HydII_var = recomb_HydII_fudged(ph, T_matter_var);
}

}  // namespace primrec
