// Reaction-rate assembly: the coefficient functions evaluated at the current and
// the previous step.
#include "atomic/reaction_rates.h"

#include "atomic/rate_coefficients.h"

namespace primrec {

// Everything but the hydrogen recombination at the current step follows the
// radiation temperatures at z and z_ or the temperature the previous step ended
// with: the same in every inner iteration of a step.
namespace {

RadiationRates radiation_rates(Physics& ph, double T_r) {
  return ph.memo.radiation_rates(
      [&ph, T_r] {
        RadiationRates r;
        r.recomb_HeIII = recomb_HeIII(ph, T_r);
        r.ion_HeII = ion_HeII(ph, T_r);
        r.recomb_HeII = recomb_HeII(ph, T_r);
        r.ion_HeI = ion_HeI(ph, T_r);
        r.recomb_orto_HeII = recomb_orto_HeII(ph, T_r);
        r.ion_orto_HeI = ion_orto_HeI(ph, T_r);
        r.ion_HydI = ion_HydI_fudged(ph, T_r);
        return r;
      },
      T_r);
}

}  // namespace

void Init_step_reaction_rates(ReactionRates& r, Physics& ph, double z, double z_, double T_matter_var_) {
  const double T0 = ph.cs.T0;
  const double T_r = (z + 1) * T0;
  const double T_r_ = (z_ + 1) * T0;
  // The previous step's first: the memo then keeps the two this step needs.
  const RadiationRates before = radiation_rates(ph, T_r_);
  const RadiationRates now = radiation_rates(ph, T_r);
  r.recomb_HeIII_var = now.recomb_HeIII;
  r.ion_HeII_var = now.ion_HeII;
  r.recomb_HeII_var = now.recomb_HeII;
  r.ion_HeI_var = now.ion_HeI;
  r.recomb_orto_HeII_var = now.recomb_orto_HeII;
  r.ion_orto_HeI_var = now.ion_orto_HeI;
  r.ion_HydI_var = now.ion_HydI;

  r.recomb_HeIII_var_ = before.recomb_HeIII;
  r.ion_HeII_var_ = before.ion_HeII;
  r.recomb_HeII_var_ = before.recomb_HeII;
  r.ion_HeI_var_ = before.ion_HeI;
  r.recomb_orto_HeII_var_ = before.recomb_orto_HeII;
  r.ion_orto_HeI_var_ = before.ion_orto_HeI;
  r.recomb_HydII_var_ = recomb_HydII_fudged(ph, T_matter_var_);
  r.ion_HydI_var_ = before.ion_HydI;
}

// Hydrogen recombination follows the matter temperature, which every inner
// iteration recomputes.
void Init_iteration_reaction_rates(ReactionRates& r, Physics& ph, double T_matter_var) {
  r.recomb_HydII_var = recomb_HydII_fudged(ph, T_matter_var);
}

}  // namespace primrec
