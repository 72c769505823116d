// Labelled-value input files. Each reader opens its file, reads its values in
// their fixed order (label up to "=", then the number), closes the file, checks
// the values and returns 0, or writes its message on standard output and returns 1.
// The readers are the one place that judges input: every value a check tests must
// also be a finite number, since inf passes "> 0" and would hang or poison the run.
#include "input/input_files.h"

#include <cctype>
#include <climits>
#include <cmath>

#include "input/constants.h"

double z_begin = 0.0;
double z_end = 0.0;
double D_ln_1_plus_z = 0.0;
double norm_var = 0.0;
int number_of_info_points = 1;

int Number_of_levels_for_Resonant_Feedback = 0;
int Number_of_Iterations = 1;

double G = 0.0;
double h = 0.0;
double c = 0.0;
double me = 0.0;
double mp = 0.0;
double e = 0.0;
double kB = 0.0;
double pi = 0.0;

double F_H = 1.0;
double A_perturbation_H = 0.0;
double z_perturbation = 0.0;
double Delta_z_perturbation = 0.0;

double H0 = 0.0;
double omega_m = 0.0;
double omega_lambda = 0.0;
int nu_number = 0;
double omega_b = 0.0;
double X_M = 0.0;
double T0 = 0.0;

namespace {

// A label and its stop character together are at most this many characters.
constexpr int max_label_attempts = 1001;
// pi to 12 significant digits, as every formula of the run uses it (466 ulp
// above the double nearest pi).
constexpr double pi_as_written = 3.14159265359;
// Above 5000 helium starts recombining HeIII -> HeII; below 7000 it is not yet
// fully doubly ionised: a start in between has no clean initial state.
constexpr double z_begin_HeII_limit = 5000.0;
constexpr double z_begin_HeIII_limit = 7000.0;
// Below this start redshift HeII -> HeI recombination would already be under way.
constexpr double z_begin_minimum = 3000.0;
// One level is Lyman alpha alone; each level above it adds a feedback line, and
// the feedback needs a second pass over the table the first pass writes.
constexpr int minimum_feedback_levels = 1;

bool positive(double value) { return std::isfinite(value) && value > 0; }

// "%lg\n": the number, then every white-space character after it.
void scan_double_line(FILE* stream, double* value) {
  if (std::fscanf(stream, "%lg\n", value) != 1) {
    // not a number: the global keeps its value, the text stays for the next label
  }
}

// "%lg": the number alone.
void scan_double(FILE* stream, double* value) {
  if (std::fscanf(stream, "%lg", value) != 1) {
    // as above
  }
}

// "%d\n", as the formatted-input conversion reads it (white space, sign, digits),
// without its undefined behaviour for a number outside the range of int: such a
// number is stored as 0, which every check on an int rejects as not positive.
// On a failed conversion the global keeps its value and nothing after the
// offending character is consumed.
void scan_int_line(FILE* stream, int* value) {
  int ch = std::getc(stream);
  while (ch != EOF && std::isspace(ch)) ch = std::getc(stream);
  bool negative = false;
  if (ch == '-' || ch == '+') {
    negative = (ch == '-');
    ch = std::getc(stream);
  }
  if (ch == EOF || !std::isdigit(ch)) {
    if (ch != EOF) std::ungetc(ch, stream);
    return;
  }
  long long magnitude = 0;
  bool out_of_range = false;
  for (; ch != EOF && std::isdigit(ch); ch = std::getc(stream)) {
    if (!out_of_range) magnitude = magnitude * 10 + (ch - '0');
    if (magnitude > static_cast<long long>(INT_MAX) + 1) out_of_range = true;
  }
  if (ch != EOF) std::ungetc(ch, stream);
  if (!negative && magnitude > INT_MAX) out_of_range = true;
  if (out_of_range) {
    *value = 0;
  } else {
    *value = static_cast<int>(negative ? -magnitude : magnitude);
  }
  while ((ch = std::getc(stream)) != EOF && std::isspace(ch)) {
  }
  if (ch != EOF) std::ungetc(ch, stream);
}

// One labelled value; the skip and scan results are deliberately not looked at:
// a missing "=" still scans from where the skip stopped.
void read_double_line(FILE* stream, double* value) {
  descriptor_shift(stream, '=');
  scan_double_line(stream, value);
}

void read_int_line(FILE* stream, int* value) {
  descriptor_shift(stream, '=');
  scan_int_line(stream, value);
}

// Inputs are opened for update: a file that is missing or not writable counts
// as not openable.
FILE* open_input(const char* name) {
  FILE* stream = std::fopen(name, "rb+");
  if (stream == nullptr) std::printf("error of opening file %s\n", name);
  return stream;
}

int fail(const char* message) {
  std::fputs(message, stdout);
  return 1;
}

// Two successive values of ln(1+z) must differ, or the step loop never ends.
bool step_moves_ln_1_plus_z(double step) {
  return std::log(z_begin + 1) - step != std::log(z_begin + 1);
}

}  // namespace

void restore_initial_input_values() {
  z_begin = z_end = D_ln_1_plus_z = norm_var = 0.0;
  number_of_info_points = 1;
  Number_of_levels_for_Resonant_Feedback = 0;
  Number_of_Iterations = 1;
  G = h = c = me = mp = e = kB = pi = 0.0;
  F_H = 1.0;
  A_perturbation_H = z_perturbation = Delta_z_perturbation = 0.0;
  H0 = omega_m = omega_lambda = omega_b = X_M = T0 = 0.0;
  nu_number = 0;
}

int descriptor_shift(FILE* stream, char stop) {
  for (int attempt = 0; attempt < max_label_attempts; ++attempt) {
    int ch = std::getc(stream);
    if (ch != EOF && static_cast<char>(ch) == stop) return 0;
  }
  std::printf("file reading message: stop_signal '%c'is lost\n", stop);
  return 1;
}

int init_redshift_range() {
  FILE* stream = open_input("redshifts.in");
  if (stream == nullptr) return 1;
  read_double_line(stream, &z_begin);
  read_double_line(stream, &z_end);
  read_double_line(stream, &D_ln_1_plus_z);
  read_double_line(stream, &norm_var);
  read_int_line(stream, &number_of_info_points);
  std::fclose(stream);

  if (!(positive(z_begin) && positive(z_end) && z_end < z_begin && number_of_info_points > 0)) {
    std::fputs("redshifts should be positive, double, and z_begin>=z_end\n", stdout);
    return fail("number_of_info_points should be positive and integer");
  }
  if (!(positive(D_ln_1_plus_z) && positive(norm_var) && step_moves_ln_1_plus_z(D_ln_1_plus_z)))
    return fail("absolute value of integration step and convergence norm should be positive and double\n");
  D_ln_1_plus_z = -D_ln_1_plus_z;
  if (z_begin > z_begin_HeII_limit && z_begin < z_begin_HeIII_limit) {
    std::fputs("z_begin should be larger than 7000 (i.e. including HeIII->HeII recombination)\n", stdout);
    return fail("or less than 5000 (i.e. excluding HeIII->HeII recombination)\n");
  }
  if (z_begin < z_begin_minimum)
    return fail("z_begin should be larger than 3000 (i.e. exclusion of HeIII->HeII recombination is impossible)\n");
  return 0;
}

int init_fine_effects() {
  FILE* stream = open_input("fine_effects.in");
  if (stream == nullptr) return 1;
  read_int_line(stream, &Number_of_levels_for_Resonant_Feedback);
  std::fclose(stream);

  if (Number_of_levels_for_Resonant_Feedback < minimum_feedback_levels)
    return fail("Number of levels for resonant feedback should be integer and positive");
  // The feedback of the higher Lyman lines needs the overheating table that a
  // first pass writes.
  if (Number_of_levels_for_Resonant_Feedback > minimum_feedback_levels) Number_of_Iterations = 2;
  return 0;
}

int init_fund_const() {
  FILE* stream = open_input("fund.in");
  if (stream == nullptr) return 1;
  read_double_line(stream, &G);
  read_double_line(stream, &h);
  read_double_line(stream, &c);
  read_double_line(stream, &me);
  read_double_line(stream, &mp);
  read_double_line(stream, &e);
  descriptor_shift(stream, '=');
  scan_double(stream, &kB);
  std::fclose(stream);

  pi = pi_as_written;
  if (!(positive(G) && positive(h) && positive(c) && positive(me) && positive(mp) && positive(e) &&
        positive(kB)))
    return fail("G, h, c, m_e, m_p, e, kB values have to be positive and double");
  return 0;
}

int init_fudge_factors() {
  FILE* stream = open_input("fudge_factors.in");
  if (stream == nullptr) return 1;
  read_double_line(stream, &F_H);
  read_double_line(stream, &A_perturbation_H);
  read_double_line(stream, &z_perturbation);
  read_double_line(stream, &Delta_z_perturbation);
  std::fclose(stream);

  // A_perturbation_H is free: zero means no perturbation, negative a dip.
  if (!(positive(F_H) && positive(z_perturbation) && positive(Delta_z_perturbation)))
    return fail("F_H should be positive and double");
  return 0;
}

int init_cosmological_const() {
  FILE* stream = open_input("cosm_p.in");
  if (stream == nullptr) return 1;
  read_double_line(stream, &H0);
  read_double_line(stream, &omega_m);
  read_double_line(stream, &omega_lambda);
  read_int_line(stream, &nu_number);
  read_double_line(stream, &omega_b);
  read_double_line(stream, &X_M);
  read_double_line(stream, &T0);
  std::fclose(stream);

  if (!(positive(H0) && positive(omega_m) && positive(omega_lambda) && nu_number > 0 &&
        positive(omega_b) && positive(X_M) && positive(T0))) {
    std::fputs("Value nu_number have to be positive and integer.\n", stdout);
    std::fputs("Value m_nu have to be positive or equal zero and double.\n", stdout);
    return fail("Values H0, omega_m, omega_lambda, omega_b, X_M, T0 have to be positive and double.");
  }
  derive_cosmological_background();
  return 0;
}
