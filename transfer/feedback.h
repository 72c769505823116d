// Hydrogen radiative feedback and overheating.
//
// Pass 0 measures, after every step below z = 2000, how far the excitation of
// hydrogen n = 2 exceeds its equilibrium with the blackbody at Lyman alpha (the
// overheating), and keeps ln of it, as printed, in the table ln_HydRO. Pass 1
// (Init_HydRO first) corrects the Lyman-alpha escape of every step below
// z = 1650 for photons that the Lyman line of level n + 1 emitted earlier and
// redshifted into the line of level n.
#pragma once

#include <atomic>
#include <vector>

#include "atomic/physics.h"
#include "transfer/overheating_table.h"

namespace primrec {

// Above this redshift the overheating is not tabulated.
constexpr double z_overheating_table_start = 2000;
// Above this redshift the feedback correction of a Lyman line is 1.
constexpr double z_feedback_start = 1650;

// What the feedback of the Lyman line of level n needs of n alone.
struct LymanLevel {
  double emission_share;    // 1 - (n+1)^-2: Lyman line of level n + 1 over the Lyman limit
  double absorption_share;  // 1 - n^-2: Lyman line of level n over the Lyman limit
  double frequency_cube;    // (1 - 1/n^2)^3
  double boltzmann_energy;  // (1/n^2 - 1/4) I / kB, level n against level 2 [K]
};

struct Feedback {
  table_fun ln_HydRO;              // ln(hydrogen radiation overheating) against z, rows of pass 0
  std::vector<LymanLevel> levels;  // levels 2 .. N of the run (up to a bound), set by Init_HydRO
  // The rows lie at the fast mode's steps, far apart where nothing changes:
  // read by quadratics, not lines.
  bool rows_far_apart = false;
};

// The state a step of pass 0 ends with, as the overheating reads it.
struct HydrogenState {
  double HydI, HydII;       // abundances per nucleus
  double El;                // free electrons relative to the fully ionised plasma
  double recomb_HydII_var;  // recombination coefficient of the last inner iteration [cm^3 s^-1]
  double ion_HydI_var;      // photoionisation rate out of 2s [s^-1]
};

// Relative excess of the 2s population over its blackbody equilibrium at Lyman
// alpha, from the state the last inner iteration of the step left.
double Hydrogen_radiation_overheating(Physics& ph, double z, const HydrogenState& s);

// The row (z, ln overheating) when z <= 2000 and the logarithm is finite, both
// numbers as a reader of the printed row gets them; false when there is none.
bool Out_of_Hydrogen_radiation_overheating_ln(Physics& ph, double z, const HydrogenState& s, couple_double& row);

// Readies the levels of pass 1; the rows of pass 0 are read as they stand.
void Init_HydRO(Feedback& fb, const Physics& ph);

// Whether the rows of ln_HydRO so far give every look-up of a pass-1 step at z
// the value the finished table gives, while pass 0 is still adding rows.
bool rows_settle_step(const table_fun& ln_HydRO, double z);

// Whether no row can follow a step of pass 0 at z: the blackbody's photon
// occupation at Lyman alpha has underflowed to 0 there, and as the radiation
// cools it stays 0, so that the overheating, measured against it, is never a
// finite number again.
bool overheating_rows_ended(const Physics& ph, double z);

// Whether the correction of pass 1 at z is exactly 1, known without the table:
// then pass 1's step at z is pass 0's, bit for bit. False at and below
// z = 1650, where the table decides.
bool feedback_correction_is_one_above_table(const Feedback& fb, const Physics& ph, double z,
                                           const std::atomic<bool>* cancel = nullptr);

// The feedback factor of the Lyman line of `level` n: 1 minus the overheating at
// the redshift z_f where the Lyman line of level n + 1 emitted what reaches the
// Lyman line of level n at z, over the overheating at z; L is ln_HydRO at z
// (looked up once for all levels of a step).
double C_Feedback_fun(const Feedback& fb, const LymanLevel& level, double z, double L);

// Multiplier of the Lyman-alpha escape term: 1 in pass 0 or for one level.
// With billions of levels one call takes minutes: it gives up, with a value of
// no meaning, once `cancel` is set.
double Hydrogen_FeedBack_Correction(const Feedback& fb, const Physics& ph, double z, int iteration_number,
                                    const std::atomic<bool>* cancel = nullptr);

}  // namespace primrec
