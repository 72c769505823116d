// Reaction-rate assembly: the coefficient functions evaluated at the current and
// the previous step, and the feedback correction of the step.
#include "atomic/reaction_rates.h"

#include "atomic/matter_temperature.h"
#include "atomic/rate_coefficients.h"
#include "driver/stepping.h"
#include "input/input_files.h"
#include "transfer/feedback.h"

double recomb_HeIII_var, recomb_HeIII_var_;
double ion_HeII_var, ion_HeII_var_;
double recomb_HeII_var, recomb_HeII_var_;
double ion_HeI_var, ion_HeI_var_;
double recomb_orto_HeII_var, recomb_orto_HeII_var_;
double ion_orto_HeI_var, ion_orto_HeI_var_;
double recomb_HydII_var, recomb_HydII_var_;
double ion_HydI_var, ion_HydI_var_;

double Hydrogen_FeedBack_Correction_var;

int Init_reaction_rates() {
  Init_step_reaction_rates();
  Init_iteration_reaction_rates();
  return 0;
}

// Everything but the hydrogen recombination at the current step follows the
// radiation temperatures at z and z_ or the temperature the previous step ended
// with: the same in every inner iteration of a step.
void Init_step_reaction_rates() {
  const double T_r = (z + 1) * T0;
  recomb_HeIII_var = recomb_HeIII(T_r);
  ion_HeII_var = ion_HeII(T_r);
  recomb_HeII_var = recomb_HeII(T_r);
  ion_HeI_var = ion_HeI(T_r);
  recomb_orto_HeII_var = recomb_orto_HeII(T_r);
  ion_orto_HeI_var = ion_orto_HeI(T_r);
  ion_HydI_var = ion_HydI_fudged(T_r);

  const double T_r_ = (z_ + 1) * T0;
  recomb_HeIII_var_ = recomb_HeIII(T_r_);
  ion_HeII_var_ = ion_HeII(T_r_);
  recomb_HeII_var_ = recomb_HeII(T_r_);
  ion_HeI_var_ = ion_HeI(T_r_);
  recomb_orto_HeII_var_ = recomb_orto_HeII(T_r_);
  ion_orto_HeI_var_ = ion_orto_HeI(T_r_);
  recomb_HydII_var_ = recomb_HydII_fudged(T_matter_var_);
  ion_HydI_var_ = ion_HydI_fudged(T_r_);
}

// Hydrogen recombination follows the matter temperature, which every inner
// iteration recomputes.
void Init_iteration_reaction_rates() { recomb_HydII_var = recomb_HydII_fudged(T_matter_var); }

// Once per step: the correction holds for every inner iteration of the step.
int Init_Additional_Kinetic_Coefficients(int iteration_number) {
  Hydrogen_FeedBack_Correction_var = Hydrogen_FeedBack_Correction(z, iteration_number);
  return 0;
}
