// Labelled-value input files. Each reader opens its file, reads its values in
// their fixed order (label up to "=", then the number), closes the file, checks
// the values and returns 0, or leaves its message and returns 1.
// The checks are the one place that judges input: every value a check tests
// must also be a finite number, since inf passes "> 0" and would hang or poison
// the run.
// What the readers refuse:
// - an input that is not a regular file open for reading and writing (missing,
//   read-only, a directory, a FIFO, a device): the file's open message. Opening
//   never waits, so a FIFO without a writer cannot hang the run;
// - a value whose "=" was found but whose text is not one number of the value's
//   type ending at white space or the end of the file: a word, nothing, a
//   decimal comma ("1,125"), a unit or other text glued on ("70km"), a fraction
//   or an exponent in an integer ("3.046", "1e3"). Such a double is stored as
//   NaN and such an int as 0, which fail the very check an out-of-range value
//   fails, with the same message. The offending text is consumed up to white
//   space or the next "=", so the labels after it are found as before.
// A value whose "=" is missing is scanned from where the label skip stopped, and
// a failed scan keeps the value: the stop-signal message and the check speak.
#include "input/input_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <climits>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <limits>

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

// No number of a file is written with more characters than this: a longer
// value is refused, and its text is not kept.
constexpr size_t longest_number = 1000;

// What a malformed value is stored as: each fails the check of its field.
constexpr double malformed_double = std::numeric_limits<double>::quiet_NaN();
constexpr int malformed_int = 0;

void skip_white_space(FILE* stream) {
  int ch = std::getc(stream);
  while (ch != EOF && std::isspace(ch)) ch = std::getc(stream);
  if (ch != EOF) std::ungetc(ch, stream);
}

// "%lg\n" where the label lost its "=": a failed conversion leaves the value,
// and the text stays for the next label.
void scan_double_line(FILE* stream, double* value) {
  if (std::fscanf(stream, "%lg\n", value) != 1) {
  }
}

// "%lg": the number alone, the last value of a file.
void scan_double(FILE* stream, double* value) {
  if (std::fscanf(stream, "%lg", value) != 1) {
  }
}

// A sign and digits, all of `text`, as "%d" converts them, without its undefined
// behaviour for a number outside the range of int: such a number is 0, which
// every check on an int rejects as not positive. False, and `value` untouched,
// for any other text.
bool parse_int(const std::string& text, int* value) {
  const size_t first_digit = (!text.empty() && (text[0] == '-' || text[0] == '+')) ? 1 : 0;
  if (text.size() == first_digit) return false;
  long long magnitude = 0;
  for (size_t i = first_digit; i < text.size(); ++i) {
    if (!std::isdigit(static_cast<unsigned char>(text[i]))) return false;
    if (magnitude <= static_cast<long long>(INT_MAX) + 1) magnitude = magnitude * 10 + (text[i] - '0');
  }
  const bool negative = text[0] == '-';
  const long long limit = negative ? static_cast<long long>(INT_MAX) + 1 : INT_MAX;
  *value = magnitude > limit ? 0 : static_cast<int>(negative ? -magnitude : magnitude);
  return true;
}

// "%d\n" where the label lost its "=": white space, sign, digits, then white
// space. On a failed conversion the value is kept and nothing after the
// offending character is consumed.
void scan_int_line(FILE* stream, int* value) {
  skip_white_space(stream);
  std::string text;
  int ch = std::getc(stream);
  if (ch == '-' || ch == '+') {
    text += static_cast<char>(ch);
    ch = std::getc(stream);
  }
  for (; ch != EOF && std::isdigit(ch); ch = std::getc(stream)) text += static_cast<char>(ch);
  if (ch != EOF) std::ungetc(ch, stream);
  if (parse_int(text, value)) skip_white_space(stream);
}

// The text of a value whose "=" was found: after white space, everything up to
// white space or the end of the file. A "=" also ends it, and is left for the
// next label, but then the text is no number: "" stands for it.
std::string value_text(FILE* stream) {
  skip_white_space(stream);
  std::string text;
  int ch = std::getc(stream);
  for (; ch != EOF && !std::isspace(ch) && ch != '='; ch = std::getc(stream))
    if (text.size() <= longest_number) text += static_cast<char>(ch);
  if (text.size() > longest_number) text.clear();  // no number: refused
  if (ch == EOF) return text;
  std::ungetc(ch, stream);
  return ch == '=' ? std::string() : text;
}

// The whole text must be the number: the conversion is the one "%lg" makes.
double double_value(const std::string& text) {
  char* end = nullptr;
  const double value = std::strtod(text.c_str(), &end);
  return (!text.empty() && end == text.c_str() + text.size()) ? value : malformed_double;
}

int int_value(const std::string& text) {
  int value = malformed_int;
  return parse_int(text, &value) ? value : malformed_int;
}

// Skips the label of the next value and notes where it stood; 0 when its "="
// was found.
int skip_label(FILE* stream, InputLog& log) {
  const long label_begin = std::ftell(stream);
  const int lost = descriptor_shift(stream, '=', log);
  log.places.push_back({log.file, label_begin, std::ftell(stream)});
  return lost;
}

// One labelled value. Without its "=" the value is still scanned, from where the
// skip stopped; with it, the value must be one well-formed number.
void read_double_line(FILE* stream, double* value, InputLog& log) {
  if (skip_label(stream, log) != 0) {
    scan_double_line(stream, value);
    return;
  }
  *value = double_value(value_text(stream));
  skip_white_space(stream);
}

void read_last_double(FILE* stream, double* value, InputLog& log) {
  if (skip_label(stream, log) != 0) {
    scan_double(stream, value);
    return;
  }
  *value = double_value(value_text(stream));
}

void read_int_line(FILE* stream, int* value, InputLog& log) {
  if (skip_label(stream, log) != 0) {
    scan_int_line(stream, value);
    return;
  }
  *value = int_value(value_text(stream));
  skip_white_space(stream);
}

// Inputs are opened for update ("rb+"), and only regular files: a file that is
// missing, not writable, a directory, a FIFO or a device counts as not
// openable. The open does not wait for a FIFO's writer; the file is blocking
// again once it is known to be regular.
FILE* open_regular_for_update(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDWR | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return nullptr;
  struct stat status;
  const int flags = ::fcntl(fd, F_GETFL);
  if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode) || flags < 0 ||
      ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
    ::close(fd);
    return nullptr;
  }
  FILE* stream = ::fdopen(fd, "rb+");
  if (stream == nullptr) ::close(fd);
  return stream;
}

FILE* open_input(const std::string& directory, const char* name, InputLog& log) {
  const std::string path = directory.empty() ? std::string(name) : directory + "/" + name;
  FILE* stream = open_regular_for_update(path);
  log.file = name;
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

// A_perturbation_H is free: zero means no perturbation, negative a dip. Only a
// NaN, read or malformed, is refused: it could do nothing but spoil el.dat.
int check_fudge_factors(const Parameters& p, InputLog& log) {
  if (!(positive(p.F_H) && !std::isnan(p.A_perturbation_H) && positive(p.z_perturbation) &&
        positive(p.Delta_z_perturbation)))
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
  read_last_double(stream, &p.kB, log);
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

bool read_input_files(const std::string& directory, Parameters& p, InputLog& log) {
  const c_numeric_locale c_locale;
  const round_to_nearest rounding;
  using reader = int (*)(const std::string&, Parameters&, InputLog&);
  for (reader read : {init_redshift_range, init_fine_effects, init_fund_const, init_fudge_factors,
                      init_cosmological_const})
    if (read(directory, p, log) != 0) return false;
  return true;
}

Reading read_parameters(const std::string& directory) {
  Reading reading;
  reading.parameters = initial_input_values();
  InputLog log;
  if (!read_input_files(directory, reading.parameters, log)) reading.status = Status::input_error;
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
