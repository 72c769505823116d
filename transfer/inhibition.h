// Inhibition factors of recombination (the Peebles C-factor of hydrogen and
// its kin for HeII and the two HeI series): the probability that an atom
// that reaches its n = 2 level (2s, or the 2^1S / 2^3S level of HeI) gets to
// the ground state for good, by escape of its resonance-line photon (Sobolev
// escape through the expansion, for HeI also absorption of the line photon by
// the hydrogen continuum) or by two-photon decay, before it is photoionised
// again. Recombination to n = 2 and photoionisation from it both carry the
// factor. The hydrogen Lyman-alpha escape carries the feedback correction of
// the Lyman series (transfer/feedback.h).
#pragma once

#include "atomic/physics.h"
#include "atomic/reaction_rates.h"
#include "transfer/line_rates.h"
#include "transfer/lyman_alpha_escape.h"

namespace primrec {

// What the factors need of the redshift alone: fixed for a step.
struct InhibitionLines {
  Lyman_alpha_line HeII_alpha, HydI_alpha;  // Lyman alpha of HeII and of hydrogen
  HeI_line_conditions para, orto;           // the HeI 2^1P - 1^1S and 2^3P - 1^1S lines
  double singlet_gap, triplet_gap;          // Boltzmann factors of the HeI 2p - 2s gaps
};
// At z, with the radiation temperature T_r there [K].
InhibitionLines inhibition_lines_at(Physics& ph, double z, double T_r);

struct InhibitionFactors {
  double CHeIII;      // HeIII <-> HeII
  double CHeII;       // HeII <-> HeI through the singlets
  double CHeII_orto;  // HeII <-> HeI through the triplets
  double CHydII;      // HydII <-> HydI
};

// The factors for the absorbers' abundances per nucleus and the step's
// photoionisation rates (and hydrogen's feedback correction).
InhibitionFactors inhibition_factors(Physics& ph, const InhibitionLines& lines, double x_HydI, double x_HeI,
                                     double x_HeII, const ReactionRates& r);

}  // namespace primrec
