// Labelled-value input files. Each reader opens its file, reads its values in
// their fixed order (label up to "=", then the number), closes the file, checks
// the values and returns 0, or leaves its message and returns 1.
// The checks are the one place that judges input: every value a check tests
// must also be a finite number, since inf passes "> 0" and would hang or poison
// the run.
#include "input/input_files.h"

#include <cctype>
#include <climits>
#include <clocale>
#include <cmath>

#include "input/rounding.h"
#include "primrec/primrec.hpp"

namespace primrec {

namespace {

// A label and its stop character together are at most this many characters.
constexpr int max_label_attempts = 1001;
// Above 5000 helium starts recombining HeIII -> HeII; below 7000 it is not yet
// fully doubly ionised: a start in between has no clean initial state.
constexpr double z_begin_HeII_limit = 5000.0;
constexpr double z_begin_HeIII_limit = 7000.0;
// Below this start redshift HeII -> HeI recombination would already be under way.
constexpr double z_begin_minimum = 3000.0;
// One level is Lyman alpha alone; each level above it adds a feedback line.
constexpr int minimum_feedback_levels = 1;

bool positive(double value) { return std::isfinite(value) && value > 0; }

// "%lg\n": the number, then every white-space character after it. A failed
// conversion leaves the value and the text stays for the next label.
void scan_double_line(FILE* stream, double* value) {
  if (std::fscanf(stream, "%lg\n", value) != 1) {
  }
}

// "%lg": the number alone.
void scan_double(FILE* stream, double* value) {
  if (std::fscanf(stream, "%lg", value) != 1) {
  }
}

// "%d\n", as the formatted-input conversion reads it (white space, sign, digits),
// without its undefined behaviour for a number outside the range of int: such a
// number is stored as 0, which every check on an int rejects as not positive.
// On a failed conversion the value is kept and nothing after the offending
// character is consumed.
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
void read_double_line(FILE* stream, double* value, InputLog& log) {
  descriptor_shift(stream, '=', log);
  scan_double_line(stream, value);
}

void read_int_line(FILE* stream, int* value, InputLog& log) {
  descriptor_shift(stream, '=', log);
  scan_int_line(stream, value);
}

// Inputs are opened for update: a file that is missing or not writable counts
// as not openable.
FILE* open_input(const std::string& directory, const char* name, InputLog& log) {
  const std::string path = directory.empty() ? std::string(name) : directory + "/" + name;
  FILE* stream = std::fopen(path.c_str(), "rb+");
  if (stream == nullptr) log.error = std::string("error of opening file ") + name + "\n";
  return stream;
}

int fail(InputLog& log, const char* message) {
  log.error += message;
  return 1;
}

// Two successive values of ln(1+z) must differ, or the step loop never ends.
bool step_moves_ln_1_plus_z(double z_begin, double step) {
  return std::log(z_begin + 1) - step != std::log(z_begin + 1);
}

// The numbers of the files are written with a decimal point whatever locale a
// host program has chosen: the readers scan in the C locale of their own thread.
class c_numeric_locale {
 public:
  c_numeric_locale() : c_(newlocale(LC_NUMERIC_MASK, "C", static_cast<locale_t>(0))) {
    if (c_ != static_cast<locale_t>(0)) previous_ = uselocale(c_);
  }
  ~c_numeric_locale() {
    if (c_ == static_cast<locale_t>(0)) return;
    uselocale(previous_);
    freelocale(c_);
  }
  c_numeric_locale(const c_numeric_locale&) = delete;
  c_numeric_locale& operator=(const c_numeric_locale&) = delete;

 private:
  locale_t c_;
  locale_t previous_ = static_cast<locale_t>(0);
};

}  // namespace

Parameters initial_input_values() {
  Parameters p;
  p.z_begin = p.z_end = p.step = p.norm = 0.0;
  p.number_of_info_points = 1;
  p.Number_of_levels_for_Resonant_Feedback = 0;
  p.G = p.h = p.c = p.me = p.mp = p.e = p.kB = 0.0;
  p.F_H = 1.0;
  p.A_perturbation_H = p.z_perturbation = p.Delta_z_perturbation = 0.0;
  p.H0 = p.omega_m = p.omega_lambda = p.omega_b = p.X_M = p.T0 = 0.0;
  p.nu_number = 0;
  return p;
}

int descriptor_shift(FILE* stream, char stop, InputLog& log) {
  for (int attempt = 0; attempt < max_label_attempts; ++attempt) {
    int ch = std::getc(stream);
    if (ch != EOF && static_cast<char>(ch) == stop) return 0;
  }
  log.messages += std::string("file reading message: stop_signal '") + stop + "'is lost\n";
  return 1;
}

int check_redshift_range(const Parameters& p, InputLog& log) {
  if (!(positive(p.z_begin) && positive(p.z_end) && p.z_end < p.z_begin && p.number_of_info_points > 0)) {
    log.error += "redshifts should be positive, double, and z_begin>=z_end\n";
    return fail(log, "number_of_info_points should be positive and integer");
  }
  if (!(positive(p.step) && positive(p.norm) && step_moves_ln_1_plus_z(p.z_begin, p.step)))
    return fail(log, "absolute value of integration step and convergence norm should be positive and double\n");
  if (p.z_begin > z_begin_HeII_limit && p.z_begin < z_begin_HeIII_limit) {
    log.error += "z_begin should be larger than 7000 (i.e. including HeIII->HeII recombination)\n";
    return fail(log, "or less than 5000 (i.e. excluding HeIII->HeII recombination)\n");
  }
  if (p.z_begin < z_begin_minimum)
    return fail(log,
                "z_begin should be larger than 3000 (i.e. exclusion of HeIII->HeII recombination is impossible)\n");
  return 0;
}

int check_fine_effects(const Parameters& p, InputLog& log) {
  if (p.Number_of_levels_for_Resonant_Feedback < minimum_feedback_levels)
    return fail(log, "Number of levels for resonant feedback should be integer and positive");
  return 0;
}

int check_fund_const(const Parameters& p, InputLog& log) {
  if (!(positive(p.G) && positive(p.h) && positive(p.c) && positive(p.me) && positive(p.mp) && positive(p.e) &&
        positive(p.kB)))
    return fail(log, "G, h, c, m_e, m_p, e, kB values have to be positive and double");
  return 0;
}

// A_perturbation_H is free: zero means no perturbation, negative a dip.
int check_fudge_factors(const Parameters& p, InputLog& log) {
  if (!(positive(p.F_H) && positive(p.z_perturbation) && positive(p.Delta_z_perturbation)))
    return fail(log, "F_H should be positive and double");
  return 0;
}

int check_cosmological_const(const Parameters& p, InputLog& log) {
  if (!(positive(p.H0) && positive(p.omega_m) && positive(p.omega_lambda) && p.nu_number > 0 &&
        positive(p.omega_b) && positive(p.X_M) && positive(p.T0))) {
    log.error += "Value nu_number have to be positive and integer.\n";
    log.error += "Value m_nu have to be positive or equal zero and double.\n";
    return fail(log, "Values H0, omega_m, omega_lambda, omega_b, X_M, T0 have to be positive and double.");
  }
  return 0;
}

int init_redshift_range(const std::string& directory, Parameters& p, InputLog& log) {
  FILE* stream = open_input(directory, "redshifts.in", log);
  if (stream == nullptr) return 1;
  read_double_line(stream, &p.z_begin, log);
  read_double_line(stream, &p.z_end, log);
  read_double_line(stream, &p.step, log);
  read_double_line(stream, &p.norm, log);
  read_int_line(stream, &p.number_of_info_points, log);
  std::fclose(stream);
  return check_redshift_range(p, log);
}

int init_fine_effects(const std::string& directory, Parameters& p, InputLog& log) {
  FILE* stream = open_input(directory, "fine_effects.in", log);
  if (stream == nullptr) return 1;
  read_int_line(stream, &p.Number_of_levels_for_Resonant_Feedback, log);
  std::fclose(stream);
  return check_fine_effects(p, log);
}

int init_fund_const(const std::string& directory, Parameters& p, InputLog& log) {
  FILE* stream = open_input(directory, "fund.in", log);
  if (stream == nullptr) return 1;
  read_double_line(stream, &p.G, log);
  read_double_line(stream, &p.h, log);
  read_double_line(stream, &p.c, log);
  read_double_line(stream, &p.me, log);
  read_double_line(stream, &p.mp, log);
  read_double_line(stream, &p.e, log);
  descriptor_shift(stream, '=', log);
  scan_double(stream, &p.kB);
  std::fclose(stream);
  return check_fund_const(p, log);
}

int init_fudge_factors(const std::string& directory, Parameters& p, InputLog& log) {
  FILE* stream = open_input(directory, "fudge_factors.in", log);
  if (stream == nullptr) return 1;
  read_double_line(stream, &p.F_H, log);
  read_double_line(stream, &p.A_perturbation_H, log);
  read_double_line(stream, &p.z_perturbation, log);
  read_double_line(stream, &p.Delta_z_perturbation, log);
  std::fclose(stream);
  return check_fudge_factors(p, log);
}

int init_cosmological_const(const std::string& directory, Parameters& p, InputLog& log) {
  FILE* stream = open_input(directory, "cosm_p.in", log);
  if (stream == nullptr) return 1;
  read_double_line(stream, &p.H0, log);
  read_double_line(stream, &p.omega_m, log);
  read_double_line(stream, &p.omega_lambda, log);
  read_int_line(stream, &p.nu_number, log);
  read_double_line(stream, &p.omega_b, log);
  read_double_line(stream, &p.X_M, log);
  read_double_line(stream, &p.T0, log);
  std::fclose(stream);
  return check_cosmological_const(p, log);
}

Reading read_parameters(const std::string& directory) {
  const c_numeric_locale c_locale;
  const round_to_nearest rounding;
  Reading reading;
  reading.parameters = initial_input_values();
  InputLog log;
  using reader = int (*)(const std::string&, Parameters&, InputLog&);
  for (reader read : {init_redshift_range, init_fine_effects, init_fund_const, init_fudge_factors,
                      init_cosmological_const})
    if (read(directory, reading.parameters, log) != 0) {
      reading.status = Status::input_error;
      break;
    }
  reading.messages = log.messages;
  reading.error = log.error;
  return reading;
}

std::string check_parameters(const Parameters& parameters) {
  InputLog log;
  using check = int (*)(const Parameters&, InputLog&);
  for (check passes : {check_redshift_range, check_fine_effects, check_fund_const, check_fudge_factors,
                       check_cosmological_const})
    if (passes(parameters, log) != 0) break;
  return log.error;
}

}  // namespace primrec
