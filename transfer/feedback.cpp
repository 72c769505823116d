// Hydrogen radiative feedback: the overheating rows of pass 0 and the feedback
// correction of pass 1, evaluated from the table ln_HydRO.
#include "transfer/feedback.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "atomic/atomic_data.h"
#include "atomic/rate_coefficients.h"
#include "atomic/reaction_rates.h"
#include "driver/plasma.h"
#include "driver/stepping.h"
#include "input/constants.h"
#include "input/input_files.h"
#include "input/table_fun.h"
#include "transfer/line_rates.h"

namespace {

const char* const overheat_file_name = "Hyd_Rad_Overheat.dat";

// (4/3)^3 (1 - 1/n^2)^3 is the cube of the Lyman-n to Lyman-alpha frequency ratio.
const double four_thirds = 1.3333333333333333;

// What the feedback of the Lyman line of level n needs of n alone.
struct LymanLevel {
  double emission_share;    // 1 - (n+1)^-2: Lyman line of level n + 1 over the Lyman limit
  double absorption_share;  // 1 - n^-2: Lyman line of level n over the Lyman limit
  double frequency_cube;    // (1 - 1/n^2)^3
  double boltzmann_energy;  // (1/n^2 - 1/4) I / kB, level n against level 2 [K]
};

LymanLevel lyman_level(int n) {
  const double level = n;
  const double q = 1 / (level * level);
  return {1 - std::pow(level + 1, -2), 1 - std::pow(level, -2), std::pow(1 - q, 3), (q - 0.25) * I / kB};
}

// The levels of a run, kept while the number of levels and I / kB stay: every
// step of the feedback pass asks for all of them. A number of levels beyond
// any table size is computed level by level instead.
constexpr int largest_kept_level = 100000;
const LymanLevel& kept_lyman_level(int n) {
  static std::vector<LymanLevel> levels;
  static double I_used = 0, kB_used = 0;
  const int top = std::min(Number_of_levels_for_Resonant_Feedback, largest_kept_level);
  const auto same_bits = [](double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; };
  if (static_cast<int>(levels.size()) != std::max(top, 2) + 1 || !same_bits(I, I_used) || !same_bits(kB, kB_used)) {
    levels.assign(static_cast<size_t>(std::max(top, 2) + 1), LymanLevel{});
    for (int k = 2; k < static_cast<int>(levels.size()); ++k) levels[static_cast<size_t>(k)] = lyman_level(k);
    I_used = I;
    kB_used = kB;
  }
  return levels[static_cast<size_t>(n)];
}

LymanLevel level_of(long long n) {
  if (n <= largest_kept_level && n <= Number_of_levels_for_Resonant_Feedback) return kept_lyman_level(static_cast<int>(n));
  return lyman_level(static_cast<int>(n));
}

// The feedback factor of a level, with L = ln_HydRO at z already looked up.
double feedback_factor(const LymanLevel& level, double z, double L) {
  // Above z = 1650 the factor is 1 whatever the table holds at z_f.
  if (!(z <= z_feedback_start) || L == 0) return 1;
  const double z_f = (level.emission_share * (z + 1)) / level.absorption_share - 1;
  const double L_f = ln_HydRO.line_approx(z_f);
  if (L_f != 0) return 1 - std::exp(L_f - L);
  return 1;
}

}  // namespace

double Hydrogen_radiation_overheating(double z) {
  const double p = z + 1;
  const double nu_alpha = 0.75 * freq1;
  const double n_pl = planckian_photon_per_mode(nu_alpha, p * T0);
  const double R = Lyman_alpha_Sobolev_rate(z, lambd_aHydI, HydI.x);
  const double Rec = N0_e * std::pow(p, 3) * El.x * recomb_HydII_var * HydII.x;
  const double U = n_pl * (3 * R + A_2s1sHydI) * HydI.x + Rec;
  const double Q = U / ((ion_HydI_var + A_2s1sHydI + 3 * R) * HydI.x);
  return Q / n_pl - 1;
}

// A row that is not a finite number (overheating <= 0 or nan) is left out: the
// table that pass 1 reads holds finite rows only.
int Out_of_Hydrogen_radiation_overheating_ln(FILE* stream) {
  if (!(z <= z_overheating_table_start)) return 0;
  const double ln_overheating = std::log(Hydrogen_radiation_overheating(z));
  if (std::isfinite(ln_overheating)) write_table_line(stream, z, ln_overheating);
  return 0;
}

void Init_HydRO() {
  if (ln_HydRO.In_table_fun(overheat_file_name, 'n', 2, 2) != 0) {
    // reported by the reader; the feedback then works from an empty table
  }
}

// A value of exactly 0 stands for a redshift outside the table.
double C_Feedback_fun(int n, double z) { return feedback_factor(lyman_level(n), z, ln_HydRO.line_approx(z)); }

// Each line of level n >= 3 adds its feedback times the frequency-ratio cube and
// the Boltzmann factor of level n against level 2 at the radiation temperature.
double Hydrogen_FeedBack_Correction(double z, int iteration_number) {
  // With fewer than two levels no higher Lyman line feeds Lyman alpha.
  if (iteration_number == 0 || Number_of_levels_for_Resonant_Feedback < 2) return 1.0;
  static const double four_thirds_cubed = std::pow(four_thirds, 3);
  const double L = z <= z_feedback_start ? ln_HydRO.line_approx(z) : 0.0;
  const double T_r = (z + 1) * T0;
  double S = 0.0;
  for (long long n = 3; n <= Number_of_levels_for_Resonant_Feedback; ++n) {
    const LymanLevel level = level_of(n);
    S = feedback_factor(level, z, L) * level.frequency_cube * std::exp(level.boltzmann_energy / T_r) + S;
  }
  return feedback_factor(level_of(2), z, L) + four_thirds_cubed * S;
}
