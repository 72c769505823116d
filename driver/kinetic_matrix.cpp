// Kinetic matrices: inhibition coefficients, the six reaction entries at the
// current and the previous step, and the implicit update of one component.
#include "driver/kinetic_matrix.h"

#include <cmath>

#include "atomic/atomic_data.h"
#include "atomic/reaction_rates.h"
#include "driver/plasma.h"
#include "driver/stepping.h"
#include "input/constants.h"
#include "input/input_files.h"
#include "transfer/line_rates.h"

double matrix[number_of_components][number_of_components];
double matrix_[number_of_components][number_of_components];

const double ww = 0.5;
double weight_now = 0.0;
double weight_previous = 0.0;

double CHeIII = 1.0, CHeIII_ = 1.0;
double CHeII = 1.0, CHeII_ = 1.0;
double CHeII_orto = 1.0, CHeII_orto_ = 1.0;
double CHydII = 1.0, CHydII_ = 1.0;

namespace {

// Statistical factor of the Lyman-alpha lines of H and HeII.
constexpr double lyman_alpha_weight = 3;
// Each triplet 2^3S atom stands for 3 states against the singlet ground state.
constexpr double triplet_weight = 3;

// Far below 20 K the triplet photoionisation and the line term both underflow;
// photoionisation vanishes faster, so the limit of the ratio is 1.
double triplet_inhibition(double B_ortho) {
  const double denominator = ion_orto_HeI_var + B_ortho;
  if (denominator == 0) return 1.0;
  return B_ortho / denominator;
}

// What the matrix needs of a redshift alone: radiation temperature T_r, the
// electron density n_e of the fully ionised plasma, and the Boltzmann factors
// that turn rates out of the 2s levels into rates from the ground state
// (I2s - I1 < 0 is minus the excitation energy of 2s).
struct Conditions {
  double T_r, n_e;
  double boltzmann_HeII, boltzmann_HeI, boltzmann_orto_HeI, boltzmann_HydI;
};

Conditions conditions_at(double zz) {
  Conditions k;
  k.T_r = T0 * (1 + zz);
  k.n_e = N0_e * (1 + zz) * (1 + zz) * (1 + zz);
  k.boltzmann_HeII = std::exp((I2s_HeII - I1_HeII) / kB / k.T_r);
  k.boltzmann_HeI = std::exp((I2s_HeI - I1_HeI) / kB / k.T_r);
  k.boltzmann_orto_HeI = std::exp((I2s_orto_HeI - I1_HeI) / kB / k.T_r);
  k.boltzmann_HydI = std::exp((I2s_HydI - I1_HydI) / kB / k.T_r);
  return k;
}

// The rates of one step: free-electron fraction, the inhibition coefficients and
// the rate coefficients at that step.
struct StepRates {
  double x_e;
  double C_HeIII, C_HeII, C_HeII_orto, C_HydII;
  double recomb_HeIII, ion_HeII, recomb_HeII, ion_HeI, recomb_orto_HeII, ion_orto_HeI;
  double recomb_HydII, ion_HydI;
};

void fill(double (&m)[number_of_components][number_of_components], const Conditions& k, const StepRates& s) {
  m[HeIII.index][HeII.index] = s.C_HeIII * s.x_e * k.n_e * s.recomb_HeIII;
  m[HeII.index][HeIII.index] = s.C_HeIII * s.ion_HeII * k.boltzmann_HeII;
  m[HeII.index][HeI.index] =
      s.x_e * s.C_HeII_orto * k.n_e * s.recomb_orto_HeII + s.C_HeII * s.x_e * k.n_e * s.recomb_HeII;
  m[HeI.index][HeII.index] = s.C_HeII * s.ion_HeI * k.boltzmann_HeI +
                             s.C_HeII_orto * triplet_weight * s.ion_orto_HeI * k.boltzmann_orto_HeI;
  m[HydII.index][HydI.index] = s.C_HydII * s.x_e * k.n_e * s.recomb_HydII;
  m[HydI.index][HydII.index] = s.C_HydII * s.ion_HydI * k.boltzmann_HydI;
}

StepRates current_rates() {
  return {El.x, CHeIII, CHeII, CHeII_orto, CHydII,
          recomb_HeIII_var, ion_HeII_var, recomb_HeII_var, ion_HeI_var, recomb_orto_HeII_var, ion_orto_HeI_var,
          recomb_HydII_var, ion_HydI_var};
}

// The inhibition coefficients are not recomputed at z_: the copies saved at the
// end of the previous step stand for it.
StepRates previous_rates() {
  return {El.x_, CHeIII_, CHeII_, CHeII_orto_, CHydII_,
          recomb_HeIII_var_, ion_HeII_var_, recomb_HeII_var_, ion_HeI_var_, recomb_orto_HeII_var_,
          ion_orto_HeI_var_, recomb_HydII_var_, ion_HydI_var_};
}

// The current step's conditions, lines and gap factors, set by Init_step_matrix.
struct CurrentStep {
  Conditions conditions;
  Lyman_alpha_line HeII_alpha, HydI_alpha;
  HeI_line_conditions para, orto;
  double singlet_gap, triplet_gap;  // Boltzmann factors of the 2p - 2s gaps
};
CurrentStep step;

void inhibition_coefficients() {
  const double escape_HeII = lyman_alpha_weight * Lyman_alpha_Sobolev_rate(step.HeII_alpha, HeII.x);
  CHeIII = (escape_HeII + A_2s1sHeII) / (escape_HeII + A_2s1sHeII + ion_HeII_var);

  const double A_H_para = A_H_para_heliumI(step.para, HeI.x, HydI.x);
  const double A_r_para = A_r_para_heliumI(step.para, HeI.x);
  const double A_H_ortho = A_H_ortho_heliumI(step.orto, HeI.x, HydI.x);
  const double A_r_ortho = A_r_ortho_heliumI(step.orto, HeI.x, HydI.x);

  const double B_para = 3 * (A_H_para + A_r_para) * step.singlet_gap + A_2s1sHeI;
  CHeII = B_para / (ion_HeI_var + B_para);

  // No two-photon decay in the triplet channel.
  const double B_ortho = 3 * (A_H_ortho + A_r_ortho) * step.triplet_gap;
  CHeII_orto = triplet_inhibition(B_ortho);

  const double B_H = lyman_alpha_weight * Lyman_alpha_Sobolev_rate(step.HydI_alpha, HydI.x) *
                         Hydrogen_FeedBack_Correction_var +
                     A_2s1sHydI;
  CHydII = B_H / (B_H + ion_HydI_var);
}

}  // namespace

void Init_step_weights() {
  weight_now = ww / H(z);
  weight_previous = ww_ / H(z_);
}

void compute_matrix(int) {
  Init_step_matrix();
  compute_current_matrix();
}

// Everything of z and z_ alone, and matrix_, whose inputs are all fixed for the
// step: the same in every inner iteration.
void Init_step_matrix() {
  step.conditions = conditions_at(z);
  step.HeII_alpha = Lyman_alpha_line_conditions(z, lambd_aHeII);
  step.HydI_alpha = Lyman_alpha_line_conditions(z, lambd_aHydI);
  step.para = HeI_para_line_conditions(z);
  step.orto = HeI_orto_line_conditions(z);
  step.singlet_gap = std::exp(-E_2p2sHeI / kB / step.conditions.T_r);
  step.triplet_gap = std::exp(-E_2p2sHeI_orto / kB / step.conditions.T_r);
  fill(matrix_, conditions_at(z_), previous_rates());
}

void compute_current_matrix() {
  inhibition_coefficients();
  fill(matrix, step.conditions, current_rates());
}

// dx_t/d ln(1+z) = -(1/H) (sum_o matrix[o][t] x_o - x_t sum_o matrix[t][o]), with
// the current-step balance weighted ww and the previous-step one ww_. Only this
// component's own x is implicit; the others enter with their latest values.
// The weights ww / H(z) and ww_ / H(z_) come from Init_step_weights.
void comp_of_plasm::abundance(comp_of_plasm* first) {
  double S = 0.0;
  double L = 0.0;
  for (comp_of_plasm* o = first; o != nullptr; o = o->next) {
    S = weight_now * matrix[o->index][index] * o->x + S;
    S = (matrix_[o->index][index] * o->x_ - matrix_[index][o->index] * x_) * weight_previous + S;
    L = weight_now * matrix[index][o->index] + L;
  }
  const double D = D_ln_1_plus_z;
  x = ((-1 / D) * x_ + S) / ((-1 / D) + L);
}
