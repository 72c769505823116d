// Labelled-value input files: the five readers and the checks of their values.
//
// Every parameter of a run comes from five text files. A value is preceded by
// free label text ending in "="; only the order of the values counts. Each
// reader opens its file in the run directory, reads every value into a
// Parameters, closes the file, then checks the values and returns 0, or leaves
// its message and returns 1. read_parameters() calls them in the fixed order
// redshifts.in, fine_effects.in, fund.in, fudge_factors.in, cosm_p.in, stopping
// at the first failure. The same checks judge parameters set by a caller.
// An input that is not a regular file is not openable, and a value after its
// "=" that is not one number of its type (a word, nothing, "1,125", "70km",
// "3.5" or "1e3" for an int) fails its file's check like an out-of-range value.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "primrec/parameters.hpp"

namespace primrec {

// Where a value stands in its file: byte offsets of the start of its label and
// of the text after its "=" (where the label skip stopped).
struct ValuePlace {
  std::string file;
  long label_begin;
  long value_begin;
};

// What the readers say, in order: messages that do not stop the reading (a
// lost stop signal), and the message of the check or file that failed; and
// the place of every value read, in the order read.
struct InputLog {
  std::string messages;
  std::string error;
  std::vector<ValuePlace> places;
  std::string file;  // the file being read
};

// How a file writes a value, and the check of its value: the columns `scan`
// and `rule` of PRIMREC_PARAMETER_TABLE.
enum class Scan { real, integer };
enum class Rule { positive, at_least_one, any_number, non_negative };

// A row of PRIMREC_PARAMETER_TABLE as the readers, the checks and
// `primrec --check` use it; the field is `real` or `integer` by its type.
struct ParameterField {
  const char* name;
  const char* file;
  int place;
  const char* label;
  const char* unit;
  Scan scan;
  Rule rule;
  double Parameters::*real;
  int Parameters::*integer;
};

namespace field_detail {
constexpr double Parameters::*real(double Parameters::*field) { return field; }
constexpr double Parameters::*real(int Parameters::*) { return nullptr; }
constexpr int Parameters::*integer(double Parameters::*) { return nullptr; }
constexpr int Parameters::*integer(int Parameters::*field) { return field; }
}  // namespace field_detail

#define PRIMREC_FIELD_ROW(name, type, scan, file, place, label, unit, value, initial, rule, allowed, meaning) \
  ParameterField{#name, file, place, label, unit, Scan::scan, Rule::rule,                                       \
                 field_detail::real(&Parameters::name), field_detail::integer(&Parameters::name)},
inline constexpr ParameterField parameter_fields[] = {PRIMREC_PARAMETER_TABLE(PRIMREC_FIELD_ROW)};
#undef PRIMREC_FIELD_ROW

// The value of a field, an integer as a double.
inline double value_of(const ParameterField& field, const Parameters& p) {
  return field.real != nullptr ? p.*field.real : static_cast<double>(p.*field.integer);
}

// The field at `place` in `file`; nullptr when the file holds no value there.
const ParameterField* field_at(const std::string& file, int place);

// Every value as it is before any file is read: 0, but F_H = 1 and a stride of 1.
Parameters initial_input_values();

// Skips a label: reads characters up to and including the first `stop`, at most
// 1001 attempts. Returns 0 when found, else logs the stop-signal message and 1.
int descriptor_shift(FILE* stream, char stop, InputLog& log);

// Each reads its file in `directory` (the working directory when empty).
int init_redshift_range(const std::string& directory, Parameters& p, InputLog& log);       // "redshifts.in"
int init_fine_effects(const std::string& directory, Parameters& p, InputLog& log);         // "fine_effects.in"
int init_fund_const(const std::string& directory, Parameters& p, InputLog& log);           // "fund.in"
int init_fudge_factors(const std::string& directory, Parameters& p, InputLog& log);        // "fudge_factors.in"
int init_cosmological_const(const std::string& directory, Parameters& p, InputLog& log);   // "cosm_p.in"

// All five in their order, from the initial values in `p`, stopping at the
// first that fails; in the C locale and rounding to nearest whatever the
// caller's. True when all passed.
bool read_input_files(const std::string& directory, Parameters& p, InputLog& log);

// The checks of each file's values as a caller sets them, in the order the
// reader makes them: 0, or the file's message in log.error and 1. The readers
// make the same checks, and refuse moreover an integer of a file that is not
// above 0 (N_eff is a count there).
int check_redshift_range(const Parameters& p, InputLog& log);
int check_fine_effects(const Parameters& p, InputLog& log);
int check_fund_const(const Parameters& p, InputLog& log);
int check_fudge_factors(const Parameters& p, InputLog& log);
int check_cosmological_const(const Parameters& p, InputLog& log);

}  // namespace primrec
