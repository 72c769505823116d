// Inhibition factors: each is B / (B + photoionisation rate out of n = 2),
// with B the rate at which n = 2 reaches the ground state for good.
#include "transfer/inhibition.h"

#include <cmath>

namespace primrec {

namespace {

// Statistical factor of the Lyman-alpha lines of H and HeII.
constexpr double lyman_alpha_weight = 3;

// Far below 20 K the triplet photoionisation and the line term both underflow;
// photoionisation vanishes faster, so the limit of the ratio is 1.
double triplet_inhibition(double ion_orto_HeI_var, double B_ortho) {
  const double denominator = ion_orto_HeI_var + B_ortho;
  if (denominator == 0) return 1.0;
  return B_ortho / denominator;
}

}  // namespace

InhibitionLines inhibition_lines_at(Physics& ph, double z, double T_r) {
  InhibitionLines l;
  l.HeII_alpha = Lyman_alpha_line_conditions(ph, z, ph.at.lambd_aHeII);
  l.HydI_alpha = Lyman_alpha_line_conditions(ph, z, ph.at.lambd_aHydI);
  l.para = HeI_para_line_conditions(ph, z);
  l.orto = HeI_orto_line_conditions(ph, z);
  l.singlet_gap = std::exp(-ph.at.E_2p2sHeI / ph.cs.kB / T_r);
  l.triplet_gap = std::exp(-ph.at.E_2p2sHeI_orto / ph.cs.kB / T_r);
  return l;
}

InhibitionFactors inhibition_factors(Physics& ph, const InhibitionLines& l, double x_HydI, double x_HeI,
                                     double x_HeII, const ReactionRates& r) {
  const AtomicData& at = ph.at;
  InhibitionFactors f;
  const double escape_HeII = lyman_alpha_weight * Lyman_alpha_Sobolev_rate(l.HeII_alpha, x_HeII);
  f.CHeIII = (escape_HeII + at.A_2s1sHeII) / (escape_HeII + at.A_2s1sHeII + r.ion_HeII_var);

  const double A_H_para = A_H_para_heliumI(ph, l.para, x_HeI, x_HydI);
  const double A_r_para = A_r_para_heliumI(ph, l.para, x_HeI);
  const double A_H_ortho = A_H_ortho_heliumI(ph, l.orto, x_HeI, x_HydI);
  const double A_r_ortho = A_r_ortho_heliumI(ph, l.orto, x_HeI, x_HydI);

  const double B_para = 3 * (A_H_para + A_r_para) * l.singlet_gap + at.A_2s1sHeI;
  f.CHeII = B_para / (r.ion_HeI_var + B_para);

  // No two-photon decay in the triplet channel.
  const double B_ortho = 3 * (A_H_ortho + A_r_ortho) * l.triplet_gap;
  f.CHeII_orto = triplet_inhibition(r.ion_orto_HeI_var, B_ortho);

  const double B_H =
      lyman_alpha_weight * Lyman_alpha_Sobolev_rate(l.HydI_alpha, x_HydI) * r.Hydrogen_FeedBack_Correction_var +
      at.A_2s1sHydI;
  f.CHydII = B_H / (B_H + r.ion_HydI_var);
  return f;
}

}  // namespace primrec
