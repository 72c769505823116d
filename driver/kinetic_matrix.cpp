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

double CHeIII = 1.0, CHeIII_ = 1.0;
double CHeII = 1.0, CHeII_ = 1.0;
double CHeII_orto = 1.0, CHeII_orto_ = 1.0;
double CHydII = 1.0, CHydII_ = 1.0;

namespace {

// Statistical factor of the Lyman-alpha lines of H and HeII.
constexpr double lyman_alpha_weight = 3;
// Each triplet 2^3S atom stands for 3 states against the singlet ground state.
constexpr double triplet_weight = 3;

// Sobolev escape rate of a Lyman-alpha line at the current step.
double K(double lambda, double a) { return Lyman_alpha_Sobolev_rate(z, lambda, a); }

// Far below 20 K the triplet photoionisation and the line term both underflow;
// photoionisation vanishes faster, so the limit of the ratio is 1.
double triplet_inhibition(double B_ortho) {
  const double denominator = ion_orto_HeI_var + B_ortho;
  if (denominator == 0) return 1.0;
  return B_ortho / denominator;
}

void inhibition_coefficients() {
  const double T_r = T0 * (1 + z);
  const double escape_HeII = lyman_alpha_weight * K(lambd_aHeII, HeII.x);
  CHeIII = (escape_HeII + A_2s1sHeII) / (escape_HeII + A_2s1sHeII + ion_HeII_var);

  const double A_H_para = A_H_para_heliumI(z, HeI.x, HydI.x);
  const double A_r_para = A_r_para_heliumI(z, HeI.x);
  const double A_H_ortho = A_H_ortho_heliumI(z, HeI.x, HydI.x);
  const double A_r_ortho = A_r_ortho_heliumI(z, HeI.x, HydI.x);

  const double B_para = 3 * (A_H_para + A_r_para) * std::exp(-E_2p2sHeI / kB / T_r) + A_2s1sHeI;
  CHeII = B_para / (ion_HeI_var + B_para);

  // No two-photon decay in the triplet channel.
  const double B_ortho = 3 * (A_H_ortho + A_r_ortho) * std::exp(-E_2p2sHeI_orto / kB / T_r);
  CHeII_orto = triplet_inhibition(B_ortho);

  const double B_H = lyman_alpha_weight * K(lambd_aHydI, HydI.x) * Hydrogen_FeedBack_Correction_var + A_2s1sHydI;
  CHydII = B_H / (B_H + ion_HydI_var);
}

// The rates of one step: radiation temperature T_r, free-electron density
// x_e n_e, the inhibition coefficients and the rate coefficients at that step.
struct StepRates {
  double T_r, x_e, n_e;
  double C_HeIII, C_HeII, C_HeII_orto, C_HydII;
  double recomb_HeIII, ion_HeII, recomb_HeII, ion_HeI, recomb_orto_HeII, ion_orto_HeI;
  double recomb_HydII, ion_HydI;
};

// Photoionisation rates refer to the 2s level; the Boltzmann factor of its
// excitation energy (I2s - I1 < 0) makes them rates from the ground state.
void fill(double (&m)[number_of_components][number_of_components], const StepRates& s) {
  m[HeIII.index][HeII.index] = s.C_HeIII * s.x_e * s.n_e * s.recomb_HeIII;
  m[HeII.index][HeIII.index] = s.C_HeIII * s.ion_HeII * std::exp((I2s_HeII - I1_HeII) / kB / s.T_r);
  m[HeII.index][HeI.index] =
      s.x_e * s.C_HeII_orto * s.n_e * s.recomb_orto_HeII + s.C_HeII * s.x_e * s.n_e * s.recomb_HeII;
  m[HeI.index][HeII.index] =
      s.C_HeII * s.ion_HeI * std::exp((I2s_HeI - I1_HeI) / kB / s.T_r) +
      s.C_HeII_orto * triplet_weight * s.ion_orto_HeI * std::exp((I2s_orto_HeI - I1_HeI) / kB / s.T_r);
  m[HydII.index][HydI.index] = s.C_HydII * s.x_e * s.n_e * s.recomb_HydII;
  m[HydI.index][HydII.index] = s.C_HydII * s.ion_HydI * std::exp((I2s_HydI - I1_HydI) / kB / s.T_r);
}

StepRates current_step() {
  return {T0 * (1 + z), El.x, N0_e * (1 + z) * (1 + z) * (1 + z),
          CHeIII, CHeII, CHeII_orto, CHydII,
          recomb_HeIII_var, ion_HeII_var, recomb_HeII_var, ion_HeI_var, recomb_orto_HeII_var, ion_orto_HeI_var,
          recomb_HydII_var, ion_HydI_var};
}

// The inhibition coefficients are not recomputed at z_: the copies saved at the
// end of the previous step stand for it.
StepRates previous_step() {
  return {T0 * (1 + z_), El.x_, N0_e * (1 + z_) * (1 + z_) * (1 + z_),
          CHeIII_, CHeII_, CHeII_orto_, CHydII_,
          recomb_HeIII_var_, ion_HeII_var_, recomb_HeII_var_, ion_HeI_var_, recomb_orto_HeII_var_,
          ion_orto_HeI_var_, recomb_HydII_var_, ion_HydI_var_};
}

}  // namespace

void compute_matrix(int) {
  inhibition_coefficients();
  fill(matrix, current_step());
  fill(matrix_, previous_step());
}

// dx_t/d ln(1+z) = -(1/H) (sum_o matrix[o][t] x_o - x_t sum_o matrix[t][o]), with
// the current-step balance weighted ww and the previous-step one ww_. Only this
// component's own x is implicit; the others enter with their latest values.
void comp_of_plasm::abundance(comp_of_plasm* first) {
  double S = 0.0;
  double L = 0.0;
  for (comp_of_plasm* o = first; o != nullptr; o = o->next) {
    S = (ww / H(z)) * matrix[o->index][index] * o->x + S;
    S = (matrix_[o->index][index] * o->x_ - matrix_[index][o->index] * x_) * (ww_ / H(z_)) + S;
    L = (ww / H(z)) * matrix[index][o->index] + L;
  }
  const double D = D_ln_1_plus_z;
  x = ((-1 / D) * x_ + S) / ((-1 / D) + L);
}
