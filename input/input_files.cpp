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
bool positive(double value) { return std::isfinite(value) && value > 0; }

// One feedback level is Lyman alpha alone, and one step the finest stride:
// a count starts at 1.
bool passes(Rule rule, double value) {
  switch (rule) {
    case Rule::positive: return positive(value);
    case Rule::at_least_one: return value >= 1;
    case Rule::any_number: return !std::isnan(value);
    case Rule::non_negative: return std::isfinite(value) && value >= 0;
  }
  return false;
}

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
// space. On a failed conversion the value is kept (false) and nothing after
// the offending character is consumed.
bool scan_int_line(FILE* stream, int* value) {
  skip_white_space(stream);
  std::string text;
  int ch = std::getc(stream);
  if (ch == '-' || ch == '+') {
    text += static_cast<char>(ch);
    ch = std::getc(stream);
  }
  for (; ch != EOF && std::isdigit(ch); ch = std::getc(stream)) text += static_cast<char>(ch);
  if (ch != EOF) std::ungetc(ch, stream);
  if (!parse_int(text, value)) return false;
  skip_white_space(stream);
  return true;
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

// An int value; false when it was kept (its "=" lost and no number after).
bool read_int_line(FILE* stream, int* value, InputLog& log) {
  if (skip_label(stream, log) != 0) return scan_int_line(stream, value);
  *value = int_value(value_text(stream));
  skip_white_space(stream);
  return true;
}

// A value of the table into its field. The last value of a file is scanned
// without the white space after it ("%lg"): nothing after it is read. A count
// its file writes as an integer may be a double in the library (N_eff).
void read_value(FILE* stream, const ParameterField& field, bool last, Parameters& p, InputLog& log) {
  if (field.scan == Scan::real) {
    if (last)
      read_last_double(stream, &(p.*field.real), log);
    else
      read_double_line(stream, &(p.*field.real), log);
    return;
  }
  if (field.integer != nullptr) {
    read_int_line(stream, &(p.*field.integer), log);
    return;
  }
  int count = 0;
  if (read_int_line(stream, &count, log)) p.*field.real = count;
}

constexpr bool same_text(const char* a, const char* b) {
  while (*a != '\0' && *a == *b) ++a, ++b;
  return *a == *b;
}

// Each file's places in the table are 0, 1, ... without a gap or a place taken twice.
constexpr bool places_fill_their_files() {
  for (const ParameterField& field : parameter_fields) {
    int in_file = 0, same_place = 0;
    for (const ParameterField& other : parameter_fields) {
      in_file += same_text(field.file, other.file);
      same_place += same_text(field.file, other.file) && field.place == other.place;
    }
    if (field.place < 0 || field.place >= in_file || same_place != 1) return false;
  }
  return true;
}
static_assert(places_fill_their_files(), "PRIMREC_PARAMETER_TABLE leaves a place of a file empty or takes one twice");

int values_in(const std::string& file) {
  int count = 0;
  for (const ParameterField& field : parameter_fields) count += file == field.file;
  return count;
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

// The message of a file whose values are checked each by its rule alone;
// nullptr for redshifts.in, whose checks tie its values together.
const char* check_message(const std::string& file) {
  if (file == "fine_effects.in") return "Number of levels for resonant feedback should be integer and positive";
  if (file == "fund.in") return "G, h, c, m_e, m_p, e, kB values have to be positive and double";
  if (file == "fudge_factors.in") return "F_H should be positive and double";
  if (file == "cosm_p.in")
    return "Value nu_number have to be positive and integer.\n"
           "Value m_nu have to be positive or equal zero and double.\n"
           "Values H0, omega_m, omega_lambda, omega_b, X_M, T0 have to be positive and double.";
  return nullptr;
}

// Whether every value of `file` passes its rule; as read from the file, an
// integer must moreover be above 0.
bool values_pass(const char* file, const Parameters& p, bool as_read) {
  for (const ParameterField& field : parameter_fields) {
    if (std::string(field.file) != file) continue;
    const double value = value_of(field, p);
    if (!passes(field.rule, value) || (as_read && field.scan == Scan::integer && !(value > 0))) return false;
  }
  return true;
}

int check_file(const char* file, const Parameters& p, InputLog& log, bool as_read) {
  const char* message = check_message(file);
  return message == nullptr || values_pass(file, p, as_read) ? 0 : fail(log, message);
}

// Reads the values of `file` in their order, closes it, then checks them.
int read_file(const std::string& directory, const char* file, Parameters& p, InputLog& log,
              int (*check)(const Parameters&, InputLog&)) {
  FILE* stream = open_input(directory, file, log);
  if (stream == nullptr) return 1;
  const int count = values_in(file);
  for (int place = 0; place < count; ++place) read_value(stream, *field_at(file, place), place + 1 == count, p, log);
  std::fclose(stream);
  return check(p, log);
}

// Two successive values of ln(1+z) must differ, or the step loop never ends.
bool step_moves_ln_1_plus_z(double z_begin, double step) {
  return std::log(z_begin + 1) - step != std::log(z_begin + 1);
}

// The first step, one step below z_begin, must lie at or above z_end: a
// larger step leaves a history without a row.
bool step_leaves_a_row(double z_begin, double z_end, double step) {
  return std::log(z_begin + 1) - step >= std::log(z_end + 1);
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

const ParameterField* field_at(const std::string& file, int place) {
  for (const ParameterField& field : parameter_fields)
    if (file == field.file && field.place == place) return &field;
  return nullptr;
}

Parameters initial_input_values() {
  Parameters p;
#define PRIMREC_INITIAL_VALUE(name, type, scan, file, place, label, unit, value, initial, rule, allowed, meaning) \
  p.name = initial;
  PRIMREC_PARAMETER_TABLE(PRIMREC_INITIAL_VALUE)
#undef PRIMREC_INITIAL_VALUE
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
  if (!(passes(Rule::positive, p.z_begin) && passes(Rule::positive, p.z_end) && p.z_end < p.z_begin &&
        passes(Rule::at_least_one, p.output_stride))) {
    log.error += "redshifts should be positive, double, and z_begin>=z_end\n";
    return fail(log, "number_of_info_points should be positive and integer");
  }
  if (!(passes(Rule::positive, p.step) && passes(Rule::positive, p.convergence_norm) &&
        step_moves_ln_1_plus_z(p.z_begin, p.step) && step_leaves_a_row(p.z_begin, p.z_end, p.step)))
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

namespace {

// The feedback sum costs a term per level at every step: its levels are
// bounded where more no longer change the tables.
int check_feedback_levels(const Parameters& p, InputLog& log) {
  if (p.feedback_levels <= most_feedback_levels) return 0;
  const std::string message = "Number of levels for resonant feedback should be at most " +
                              std::to_string(most_feedback_levels) + ", not " + std::to_string(p.feedback_levels) +
                              "\n";
  return fail(log, message.c_str());
}

}  // namespace

int check_fine_effects(const Parameters& p, InputLog& log) {
  return check_file("fine_effects.in", p, log, false) != 0 ? 1 : check_feedback_levels(p, log);
}
int check_fund_const(const Parameters& p, InputLog& log) { return check_file("fund.in", p, log, false); }
int check_fudge_factors(const Parameters& p, InputLog& log) { return check_file("fudge_factors.in", p, log, false); }
int check_cosmological_const(const Parameters& p, InputLog& log) { return check_file("cosm_p.in", p, log, false); }

namespace {

// The checks of the values as read: an integer of a file is a count above 0.
int check_fine_effects_as_read(const Parameters& p, InputLog& log) {
  return check_file("fine_effects.in", p, log, true) != 0 ? 1 : check_feedback_levels(p, log);
}
int check_fund_const_as_read(const Parameters& p, InputLog& log) { return check_file("fund.in", p, log, true); }
int check_fudge_factors_as_read(const Parameters& p, InputLog& log) {
  return check_file("fudge_factors.in", p, log, true);
}
int check_cosmological_const_as_read(const Parameters& p, InputLog& log) {
  return check_file("cosm_p.in", p, log, true);
}

}  // namespace

int init_redshift_range(const std::string& directory, Parameters& p, InputLog& log) {
  return read_file(directory, "redshifts.in", p, log, check_redshift_range);
}

int init_fine_effects(const std::string& directory, Parameters& p, InputLog& log) {
  return read_file(directory, "fine_effects.in", p, log, check_fine_effects_as_read);
}

int init_fund_const(const std::string& directory, Parameters& p, InputLog& log) {
  return read_file(directory, "fund.in", p, log, check_fund_const_as_read);
}

int init_fudge_factors(const std::string& directory, Parameters& p, InputLog& log) {
  return read_file(directory, "fudge_factors.in", p, log, check_fudge_factors_as_read);
}

int init_cosmological_const(const std::string& directory, Parameters& p, InputLog& log) {
  return read_file(directory, "cosm_p.in", p, log, check_cosmological_const_as_read);
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
