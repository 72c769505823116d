// Kinetic matrices: the six reaction entries at the current and the previous
// step, from the rate coefficients and the inhibition factors.
#include "driver/kinetic_matrix.h"

#include <cmath>

namespace primrec {

namespace {

// Each triplet 2^3S atom stands for 3 states against the singlet ground state.
constexpr double triplet_weight = 3;

// T0 (1 + z) and N0_e (1 + z) (1 + z) (1 + z) as the matrix writes them; the
// background's T_br and N_e_tot group them otherwise (z T0 + T0, a power), which
// differs in the last bit: each keeps its own.
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

// Everything of z and z_ alone, and matrix_, whose inputs are all fixed for the
// step: the same in every inner iteration.
void Init_step_matrix(KineticMatrix& km, Physics& ph, const Plasma& plasma, const ReactionRates& r, double z,
                      double z_) {
  km.conditions = conditions_at(ph, z);
  km.lines = inhibition_lines_at(ph, z, km.conditions.T_r);
  fill(km.matrix_, plasma, conditions_at(ph, z_), previous_rates(km, plasma, r));
}

void compute_current_matrix(KineticMatrix& km, Physics& ph, const Plasma& plasma, const ReactionRates& r) {
  const InhibitionFactors f = inhibition_factors(ph, km.lines, plasma.HydI.x, plasma.HeI.x, plasma.HeII.x, r);
  km.CHeIII = f.CHeIII;
  km.CHeII = f.CHeII;
  km.CHeII_orto = f.CHeII_orto;
  km.CHydII = f.CHydII;
  fill(km.matrix, plasma, km.conditions, current_rates(km, plasma, r));
}

void Save_Inhibition_Coefficients(KineticMatrix& km) {
  km.CHeIII_ = km.CHeIII;
  km.CHeII_ = km.CHeII;
  km.CHeII_orto_ = km.CHeII_orto;
  km.CHydII_ = km.CHydII;
}

}  // namespace primrec
