// Hydrogen radiative feedback: the overheating rows of pass 0 and the feedback
// correction of pass 1, evaluated from the table ln_HydRO.
#include "transfer/feedback.h"

#include <cmath>

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

// One Lyman line of level n >= 3: its feedback times the frequency-ratio cube and
// the Boltzmann factor of level n against level 2 at the radiation temperature.
double higher_Lyman_line_term(int n, double z) {
  const double level = n;
  const double q = 1 / (level * level);
  return C_Feedback_fun(n, z) * std::pow(1 - q, 3) * std::exp((q - 0.25) * I / kB / ((z + 1) * T0));
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
double C_Feedback_fun(int n, double z) {
  const double level = n;
  const double z_f = ((1 - std::pow(level + 1, -2)) * (z + 1)) / (1 - std::pow(level, -2)) - 1;
  const double L = ln_HydRO.line_approx(z);
  const double L_f = ln_HydRO.line_approx(z_f);
  if (z <= z_feedback_start && L != 0 && L_f != 0) return 1 - std::exp(L_f - L);
  return 1;
}

double Hydrogen_FeedBack_Correction(double z, int iteration_number) {
  // With fewer than two levels no higher Lyman line feeds Lyman alpha.
  if (iteration_number == 0 || Number_of_levels_for_Resonant_Feedback < 2) return 1.0;
  double S = 0.0;
  for (long long n = 3; n <= Number_of_levels_for_Resonant_Feedback; ++n)
    S = higher_Lyman_line_term(static_cast<int>(n), z) + S;
  return C_Feedback_fun(2, z) + std::pow(four_thirds, 3) * S;
}
