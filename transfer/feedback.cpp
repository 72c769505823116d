// Hydrogen radiative feedback: the overheating rows of pass 0 and the feedback
// correction of pass 1, evaluated from the table ln_HydRO.
#include "transfer/feedback.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "atomic/rate_coefficients.h"
#include "transfer/lyman_alpha_escape.h"
#include "transfer/printed_numbers.h"

namespace primrec {

namespace {

LymanLevel lyman_level(const Constants& cs, int n) {
  const double level = n;
  const double q = 1 / (level * level);
  return {1 - std::pow(level + 1, -2), 1 - std::pow(level, -2), std::pow(1 - q, 3), (q - 0.25) * cs.I / cs.kB};
}

// The levels of a run are kept: every step of the feedback pass asks for all
// of them. A number of levels beyond any table size is computed level by level.
constexpr int largest_kept_level = 100000;
// How many levels pass between two looks at the cancel flag (about 0.03 s).
constexpr long long levels_between_cancel_checks = 1 << 20;
// Units of the last place of z + 1 by which z_f may round below z.
constexpr double lookup_rounding_margin = 8;

LymanLevel level_of(const Feedback& fb, const Constants& cs, long long n) {
  if (n < static_cast<long long>(fb.levels.size())) return fb.levels[static_cast<size_t>(n)];
  return lyman_level(cs, static_cast<int>(n));
}

// ln of the overheating at z from pass 0's rows.
double overheating_at(const Feedback& fb, double z) {
  return fb.rows_far_apart ? fb.ln_HydRO.quadratic_approx(z) : fb.ln_HydRO.line_approx(z);
}

}  // namespace

// Above z = 1650 the factor is 1 whatever the table holds at z_f. A table value
// of exactly 0 stands for a redshift outside the table.
double C_Feedback_fun(const Feedback& fb, const LymanLevel& level, double z, double L) {
  if (!(z <= z_feedback_start) || L == 0) return 1;
  const double z_f = (level.emission_share * (z + 1)) / level.absorption_share - 1;
  const double L_f = overheating_at(fb, z_f);
  if (L_f != 0) return 1 - std::exp(L_f - L);
  return 1;
}

namespace {

// Blackbody photons per mode at Lyman alpha at z, at the radiation temperature
// (z + 1) T0 (not T_br's z T0 + T0, which differs in the last bit).
double occupation_at_Lyman_alpha(const Physics& ph, double z) {
  const Constants& cs = ph.cs;
  const double p = z + 1;
  const double nu_alpha = 0.75 * cs.freq1;
  return planckian_photon_per_mode(ph, nu_alpha, p * cs.T0);
}

}  // namespace

double Hydrogen_radiation_overheating(Physics& ph, double z, const HydrogenState& s) {
  const Constants& cs = ph.cs;
  const double A_2s1sHydI = ph.at.A_2s1sHydI;
  const double n_pl = occupation_at_Lyman_alpha(ph, z);
  const double R = Lyman_alpha_Sobolev_rate(ph, z, ph.at.lambd_aHydI, s.HydI);
  // Recombinations per nucleus and second: N_e_tot El is the free-electron density.
  const double Rec = N_e_tot(cs, z) * s.El * s.recomb_HydII_var * s.HydII;
  const double U = n_pl * (3 * R + A_2s1sHydI) * s.HydI + Rec;
  const double Q = U / ((s.ion_HydI_var + A_2s1sHydI + 3 * R) * s.HydI);
  return Q / n_pl - 1;
}

// A row that is not a finite number (overheating <= 0 or nan) is left out: the
// table that pass 1 reads holds finite rows only. The table was once a file of
// "%-20.8g" numbers read back by pass 1, and the feedback depends on that
// rounding in the last bits: the rows keep it.
bool Out_of_Hydrogen_radiation_overheating_ln(Physics& ph, double z, const HydrogenState& s, couple_double& row) {
  if (!(z <= z_overheating_table_start)) return false;
  const double ln_overheating = std::log(Hydrogen_radiation_overheating(ph, z, s));
  if (!std::isfinite(ln_overheating)) return false;
  row = {printed_value(z), printed_value(ln_overheating)};
  return true;
}

// 1 / (exp(x) - 1) is 0 only where exp(x) overflows, and x grows as the
// radiation cools. Divided by 0, the overheating is infinite or not a number.
bool overheating_rows_ended(const Physics& ph, double z) { return occupation_at_Lyman_alpha(ph, z) == 0; }

void Init_HydRO(Feedback& fb, const Physics& ph) {
  const int N = ph.cs.Number_of_levels_for_Resonant_Feedback;
  const int top = std::max(std::min(N, largest_kept_level), 2);
  fb.levels.assign(static_cast<size_t>(top) + 1, LymanLevel{});
  for (int k = 2; k <= top; ++k) fb.levels[static_cast<size_t>(k)] = lyman_level(ph.cs, k);
}

// Pass 0 adds its rows at falling z (its steps go down, and rounding to the
// printed digits never turns two redshifts round), and a look-up at x takes the
// first pair of rows that brackets x. So once a row at or below x follows one
// at or above it, that pair is the answer for good; and if even the first row
// lies below x, no row will ever bracket x. A step at z looks up z and the
// redshifts z_f where the Lyman lines of the levels above emitted. These lie
// above z, but with hundreds of thousands of levels the two shares of z_f
// nearly cancel and its rounding may put it a few units of the last place
// below z: the rows settle the step once the last lies below that margin.
bool rows_settle_step(const table_fun& ln_HydRO, double z) {
  const size_t n = ln_HydRO.size();
  if (n == 0) return false;
  const double lowest_look_up = z - lookup_rounding_margin * std::numeric_limits<double>::epsilon() * (z + 1);
  return ln_HydRO.row(n - 1).x < lowest_look_up;
}

// Above z = 1650 every feedback factor is 1 and the correction is
// 1 + (4/3)^3 S, S a sum of terms >= 0 taken from n = 3 up. Rounding keeps the
// order of sums of such terms, so S is at least its first term: when that term
// already lifts the correction above 1, billions of levels need not be summed
// to know it.
bool feedback_correction_is_one_above_table(const Feedback& fb, const Physics& ph, double z,
                                           const std::atomic<bool>* cancel) {
  if (!(z > z_feedback_start)) return false;
  const int N = ph.cs.Number_of_levels_for_Resonant_Feedback;
  if (N >= 3) {
    const LymanLevel third = level_of(fb, ph.cs, 3);
    const double first_term = third.frequency_cube * std::exp(third.boltzmann_energy / ((z + 1) * ph.cs.T0));
    if (1.0 + ph.cs.four_thirds_cubed * first_term != 1.0) return false;
  }
  return Hydrogen_FeedBack_Correction(fb, ph, z, 1, cancel) == 1.0;
}

// Each line of level n >= 3 adds its feedback times the frequency-ratio cube and
// the Boltzmann factor of level n against level 2 at the radiation temperature.
double Hydrogen_FeedBack_Correction(const Feedback& fb, const Physics& ph, double z, int iteration_number,
                                    const std::atomic<bool>* cancel) {
  const int N = ph.cs.Number_of_levels_for_Resonant_Feedback;
  // With fewer than two levels no higher Lyman line feeds Lyman alpha.
  if (iteration_number == 0 || N < 2) return 1.0;
  const double L = z <= z_feedback_start ? overheating_at(fb, z) : 0.0;
  const double T_r = (z + 1) * ph.cs.T0;
  double S = 0.0;
  for (long long n = 3; n <= N; ++n) {
    if (n % levels_between_cancel_checks == 0 && cancel != nullptr && cancel->load(std::memory_order_relaxed))
      return 1.0;
    const LymanLevel level = level_of(fb, ph.cs, n);
    S = C_Feedback_fun(fb, level, z, L) * level.frequency_cube * std::exp(level.boltzmann_energy / T_r) + S;
  }
  // (4/3)^3 (1 - 1/n^2)^3 is the cube of the Lyman-n to Lyman-alpha frequency ratio.
  return C_Feedback_fun(fb, level_of(fb, ph.cs, 2), z, L) + ph.cs.four_thirds_cubed * S;
}

}  // namespace primrec
