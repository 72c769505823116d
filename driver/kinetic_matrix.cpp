// Kinetic matrices: inhibition coefficients, the six reaction entries at the
// current and the previous step, and the implicit update of one component.
#include "driver/kinetic_matrix.h"

#include <cmath>

namespace primrec {

namespace {

// Statistical factor of the Lyman-alpha lines of H and HeII.
constexpr double lyman_alpha_weight = 3;
// Each triplet 2^3S atom stands for 3 states against the singlet ground state.
constexpr double triplet_weight = 3;

// Far below 20 K the triplet photoionisation and the line term both underflow;
// photoionisation vanishes faster, so the limit of the ratio is 1.
double triplet_inhibition(double ion_orto_HeI_var, double B_ortho) {
  const double denominator = ion_orto_HeI_var + B_ortho;
  if (denominator == 0) return 1.0;
  return B_ortho / denominator;
}

MatrixConditions conditions_at(const Physics& ph, double zz) {
  const Constants& cs = ph.cs;
  const AtomicData& at = ph.at;
  MatrixConditions k;
  k.T_r = cs.T0 * (1 + zz);
  k.n_e = cs.N0_e * (1 + zz) * (1 + zz) * (1 + zz);
  k.boltzmann_HeII = std::exp((at.I2s_HeII - at.I1_HeII) / cs.kB / k.T_r);
  k.boltzmann_HeI = std::exp((at.I2s_HeI - at.I1_HeI) / cs.kB / k.T_r);
  k.boltzmann_orto_HeI = std::exp((at.I2s_orto_HeI - at.I1_HeI) / cs.kB / k.T_r);
  k.boltzmann_HydI = std::exp((at.I2s_HydI - at.I1_HydI) / cs.kB / k.T_r);
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

void fill(double (&m)[number_of_components][number_of_components], const Plasma& p, const MatrixConditions& k,
          const StepRates& s) {
  m[p.HeIII.index][p.HeII.index] = s.C_HeIII * s.x_e * k.n_e * s.recomb_HeIII;
  m[p.HeII.index][p.HeIII.index] = s.C_HeIII * s.ion_HeII * k.boltzmann_HeII;
  m[p.HeII.index][p.HeI.index] =
      s.x_e * s.C_HeII_orto * k.n_e * s.recomb_orto_HeII + s.C_HeII * s.x_e * k.n_e * s.recomb_HeII;
  m[p.HeI.index][p.HeII.index] = s.C_HeII * s.ion_HeI * k.boltzmann_HeI +
                                 s.C_HeII_orto * triplet_weight * s.ion_orto_HeI * k.boltzmann_orto_HeI;
  m[p.HydII.index][p.HydI.index] = s.C_HydII * s.x_e * k.n_e * s.recomb_HydII;
  m[p.HydI.index][p.HydII.index] = s.C_HydII * s.ion_HydI * k.boltzmann_HydI;
}

StepRates current_rates(const KineticMatrix& km, const Plasma& p, const ReactionRates& r) {
  return {p.El.x,
          km.CHeIII, km.CHeII, km.CHeII_orto, km.CHydII,
          r.recomb_HeIII_var, r.ion_HeII_var, r.recomb_HeII_var, r.ion_HeI_var, r.recomb_orto_HeII_var,
          r.ion_orto_HeI_var, r.recomb_HydII_var, r.ion_HydI_var};
}

// The inhibition coefficients are not recomputed at z_: the copies saved at the
// end of the previous step stand for it.
StepRates previous_rates(const KineticMatrix& km, const Plasma& p, const ReactionRates& r) {
  return {p.El.x_,
          km.CHeIII_, km.CHeII_, km.CHeII_orto_, km.CHydII_,
          r.recomb_HeIII_var_, r.ion_HeII_var_, r.recomb_HeII_var_, r.ion_HeI_var_, r.recomb_orto_HeII_var_,
          r.ion_orto_HeI_var_, r.recomb_HydII_var_, r.ion_HydI_var_};
}

void inhibition_coefficients(KineticMatrix& km, Physics& ph, const Plasma& p, const ReactionRates& r) {
  const AtomicData& at = ph.at;
  const double escape_HeII = lyman_alpha_weight * Lyman_alpha_Sobolev_rate(km.HeII_alpha, p.HeII.x);
  km.CHeIII = (escape_HeII + at.A_2s1sHeII) / (escape_HeII + at.A_2s1sHeII + r.ion_HeII_var);

  const double A_H_para = A_H_para_heliumI(ph, km.para, p.HeI.x, p.HydI.x);
  const double A_r_para = A_r_para_heliumI(ph, km.para, p.HeI.x);
  const double A_H_ortho = A_H_ortho_heliumI(ph, km.orto, p.HeI.x, p.HydI.x);
  const double A_r_ortho = A_r_ortho_heliumI(ph, km.orto, p.HeI.x, p.HydI.x);

  const double B_para = 3 * (A_H_para + A_r_para) * km.singlet_gap + at.A_2s1sHeI;
  km.CHeII = B_para / (r.ion_HeI_var + B_para);

  // No two-photon decay in the triplet channel.
  const double B_ortho = 3 * (A_H_ortho + A_r_ortho) * km.triplet_gap;
  km.CHeII_orto = triplet_inhibition(r.ion_orto_HeI_var, B_ortho);

  const double B_H = lyman_alpha_weight * Lyman_alpha_Sobolev_rate(km.HydI_alpha, p.HydI.x) *
                         r.Hydrogen_FeedBack_Correction_var +
                     at.A_2s1sHydI;
  km.CHydII = B_H / (B_H + r.ion_HydI_var);
}

}  // namespace

void Init_matrix(KineticMatrix& km) {
  for (int i = 0; i < number_of_components; ++i)
    for (int j = 0; j < number_of_components; ++j) {
      km.matrix[i][j] = 0.0;
      km.matrix_[i][j] = 0.0;
    }
}

void Init_step_weights(KineticMatrix& km, Physics& ph, double z, double z_) {
  km.weight_now = ww / ph.H(z);
  km.weight_previous = ww_ / ph.H(z_);
}

void compute_matrix(KineticMatrix& km, Physics& ph, const Plasma& plasma, const ReactionRates& r, double z,
                    double z_, int /* iteration_number: no effect */) {
  Init_step_matrix(km, ph, plasma, r, z, z_);
  compute_current_matrix(km, ph, plasma, r);
}

// Everything of z and z_ alone, and matrix_, whose inputs are all fixed for the
// step: the same in every inner iteration.
void Init_step_matrix(KineticMatrix& km, Physics& ph, const Plasma& plasma, const ReactionRates& r, double z,
                      double z_) {
  km.conditions = conditions_at(ph, z);
  km.HeII_alpha = Lyman_alpha_line_conditions(ph, z, ph.at.lambd_aHeII);
  km.HydI_alpha = Lyman_alpha_line_conditions(ph, z, ph.at.lambd_aHydI);
  km.para = HeI_para_line_conditions(ph, z);
  km.orto = HeI_orto_line_conditions(ph, z);
  km.singlet_gap = std::exp(-ph.at.E_2p2sHeI / ph.cs.kB / km.conditions.T_r);
  km.triplet_gap = std::exp(-ph.at.E_2p2sHeI_orto / ph.cs.kB / km.conditions.T_r);
  fill(km.matrix_, plasma, conditions_at(ph, z_), previous_rates(km, plasma, r));
}

void compute_current_matrix(KineticMatrix& km, Physics& ph, const Plasma& plasma, const ReactionRates& r) {
  inhibition_coefficients(km, ph, plasma, r);
  fill(km.matrix, plasma, km.conditions, current_rates(km, plasma, r));
}

// dx_t/d ln(1+z) = -(1/H) (sum_o matrix[o][t] x_o - x_t sum_o matrix[t][o]), with
// the current-step balance weighted ww and the previous-step one ww_. Only this
// component's own x is implicit; the others enter with their latest values.
// The weights ww / H(z) and ww_ / H(z_) come from Init_step_weights.
void comp_of_plasm::abundance(const comp_of_plasm* first, const KineticMatrix& km, double D) {
  double S = 0.0;
  double L = 0.0;
  for (const comp_of_plasm* o = first; o != nullptr; o = o->next) {
    S = km.weight_now * km.matrix[o->index][index] * o->x + S;
    S = (km.matrix_[o->index][index] * o->x_ - km.matrix_[index][o->index] * x_) * km.weight_previous + S;
    L = km.weight_now * km.matrix[index][o->index] + L;
  }
  x = ((-1 / D) * x_ + S) / ((-1 / D) + L);
}

}  // namespace primrec
