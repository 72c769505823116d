// The C interface: a thin layer over the C++ one. A history handle owns a
// Solution, with the overheating rows split into two columns; every function
// catches what the C++ side may throw, so no exception reaches a C caller, and
// keeps nothing outside the handle, so different handles never share state.
#include "primrec/primrec.h"

#include <cstring>
#include <exception>
#include <limits>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include "input/input_files.h"
#include "primrec/primrec.hpp"

struct primrec_history {
  int status = PRIMREC_OK;
  primrec::Solution solution;
  std::vector<double> overheating_z;
  std::vector<double> overheating_ln;
};

namespace {

// The message of a history that could not be stored: a literal, since
// building a string is exactly what may have failed.
constexpr const char kNoMemoryMessage[] = "not enough memory to store the history\n";
constexpr const char kNoParametersMessage[] = "no parameters were given\n";
constexpr const char kNoDirectoryMessage[] = "no directory was given\n";
// Where a known column of a history without rows points, so that NULL keeps
// meaning "no such column".
constexpr double kNoRows = 0;

primrec::Parameters to_cpp(const primrec_parameters& c) {
  primrec::Parameters p;
  p.z_begin = c.z_begin;
  p.z_end = c.z_end;
  p.step = c.step;
  p.norm = c.norm;
  p.number_of_info_points = c.number_of_info_points;
  p.Number_of_levels_for_Resonant_Feedback = c.Number_of_levels_for_Resonant_Feedback;
  p.G = c.G;
  p.h = c.h;
  p.c = c.c;
  p.me = c.me;
  p.mp = c.mp;
  p.e = c.e;
  p.kB = c.kB;
  p.F_H = c.F_H;
  p.A_perturbation_H = c.A_perturbation_H;
  p.z_perturbation = c.z_perturbation;
  p.Delta_z_perturbation = c.Delta_z_perturbation;
  p.H0 = c.H0;
  p.omega_m = c.omega_m;
  p.omega_lambda = c.omega_lambda;
  p.nu_number = c.nu_number;
  p.omega_b = c.omega_b;
  p.X_M = c.X_M;
  p.T0 = c.T0;
  return p;
}

void to_c(const primrec::Parameters& p, primrec_parameters* c) {
  c->z_begin = p.z_begin;
  c->z_end = p.z_end;
  c->step = p.step;
  c->norm = p.norm;
  c->number_of_info_points = p.number_of_info_points;
  c->Number_of_levels_for_Resonant_Feedback = p.Number_of_levels_for_Resonant_Feedback;
  c->G = p.G;
  c->h = p.h;
  c->c = p.c;
  c->me = p.me;
  c->mp = p.mp;
  c->e = p.e;
  c->kB = p.kB;
  c->F_H = p.F_H;
  c->A_perturbation_H = p.A_perturbation_H;
  c->z_perturbation = p.z_perturbation;
  c->Delta_z_perturbation = p.Delta_z_perturbation;
  c->H0 = p.H0;
  c->omega_m = p.omega_m;
  c->omega_lambda = p.omega_lambda;
  c->nu_number = p.nu_number;
  c->omega_b = p.omega_b;
  c->X_M = p.X_M;
  c->T0 = p.T0;
}

// Copies `text` into a caller's buffer of `size` bytes, cut to fit and always
// NUL-terminated when there is room for the terminator. Allocates nothing.
void copy_message(std::string_view text, char* buffer, size_t size) {
  if (buffer == nullptr || size == 0) return;
  size_t length = text.size() < size - 1 ? text.size() : size - 1;
  std::memcpy(buffer, text.data(), length);
  buffer[length] = '\0';
}

void split_overheating(primrec_history* history) {
  const auto& rows = history->solution.history.overheating;
  history->overheating_z.reserve(rows.size());
  history->overheating_ln.reserve(rows.size());
  for (const primrec::OverheatingRow& row : rows) {
    history->overheating_z.push_back(row.z);
    history->overheating_ln.push_back(row.ln_overheating);
  }
  // The pairs now live in the two columns; drop the copy.
  std::vector<primrec::OverheatingRow>().swap(history->solution.history.overheating);
}

// A history that could not be stored keeps nothing, so that what it reports
// (no rows, the no-memory message) is all there is.
void mark_no_memory(primrec_history* history) noexcept {
  history->solution = primrec::Solution();
  history->overheating_z = std::vector<double>();
  history->overheating_ln = std::vector<double>();
  history->status = PRIMREC_NO_MEMORY;
}

bool stored(const primrec_history* history) {
  return history != nullptr && history->status != PRIMREC_NO_MEMORY;
}

const double* column_data(const std::vector<double>& column) {
  return column.empty() ? &kNoRows : column.data();
}

}  // namespace

extern "C" {

void primrec_default_parameters(primrec_parameters* parameters) {
  if (parameters == nullptr) return;
  to_c(primrec::default_parameters(), parameters);
}

int primrec_read_parameters(const char* directory, primrec_parameters* parameters, char* messages,
                            size_t size) {
  copy_message("", messages, size);
  if (parameters == nullptr) return PRIMREC_INPUT_ERROR;
  if (directory == nullptr) {
    // As a reading that could not open its first file: nothing read.
    to_c(primrec::initial_input_values(), parameters);
    copy_message(kNoDirectoryMessage, messages, size);
    return PRIMREC_INPUT_ERROR;
  }
  try {
    primrec::Reading reading = primrec::read_parameters(directory);
    to_c(reading.parameters, parameters);
    copy_message(reading.messages + reading.error, messages, size);
    return static_cast<int>(reading.status);
  } catch (...) {
    // Reading keeps nothing but short strings: only allocation can fail.
    copy_message("", messages, size);
    return PRIMREC_NO_MEMORY;
  }
}

void primrec_default_options(primrec_options* options) {
  if (options == nullptr) return;
  const primrec::Options defaults;
  options->threads = defaults.threads;
  options->fast = defaults.fast ? 1 : 0;
  options->tolerance = defaults.tolerance;
}

primrec_history* primrec_solve_with(const primrec_parameters* parameters, const primrec_options* options) {
  primrec_history* history = new (std::nothrow) primrec_history;
  if (history == nullptr) return nullptr;
  try {
    if (parameters == nullptr) {
      history->solution.status = primrec::Status::input_error;
      history->solution.error = kNoParametersMessage;
    } else {
      primrec::Options cpp;
      if (options != nullptr) {
        cpp.threads = options->threads;
        cpp.fast = options->fast != 0;
        cpp.tolerance = options->tolerance;
      }
      history->solution = primrec::solve(to_cpp(*parameters), cpp);
      split_overheating(history);
    }
    history->status = static_cast<int>(history->solution.status);
  } catch (...) {
    // The solver itself allocates and nothing else: whatever escaped it means
    // the history could not be kept.
    mark_no_memory(history);
  }
  return history;
}

primrec_history* primrec_solve(const primrec_parameters* parameters) { return primrec_solve_with(parameters, nullptr); }

double primrec_x_e_at(const primrec_history* history, double z) {
  if (!stored(history)) return std::numeric_limits<double>::quiet_NaN();
  return primrec::x_e_at(history->solution.history, z);
}

double primrec_T_m_at(const primrec_history* history, double z) {
  if (!stored(history)) return std::numeric_limits<double>::quiet_NaN();
  return primrec::T_m_at(history->solution.history, z);
}

int primrec_status(const primrec_history* history) {
  return history == nullptr ? PRIMREC_NO_MEMORY : history->status;
}

const char* primrec_message(const primrec_history* history) {
  if (!stored(history)) return kNoMemoryMessage;
  return history->solution.error.c_str();
}

const char* primrec_notes(const primrec_history* history) {
  if (!stored(history)) return "";
  return history->solution.history.messages.c_str();
}

double primrec_breakdown_z(const primrec_history* history) {
  if (!stored(history) || history->status != PRIMREC_BREAKDOWN) {
    return std::numeric_limits<double>::quiet_NaN();
  }
  return history->solution.error_z;
}

size_t primrec_rows(const primrec_history* history) {
  return history == nullptr ? 0 : history->solution.history.size();
}

const double* primrec_column(const primrec_history* history, int column) {
  if (history == nullptr) return nullptr;
  const primrec::History& h = history->solution.history;
  switch (column) {
    case PRIMREC_Z: return column_data(h.z);
    case PRIMREC_HYDI: return column_data(h.HydI);
    case PRIMREC_HYDII: return column_data(h.HydII);
    case PRIMREC_HEI: return column_data(h.HeI);
    case PRIMREC_HEII: return column_data(h.HeII);
    case PRIMREC_HEIII: return column_data(h.HeIII);
    case PRIMREC_EL: return column_data(h.el);
    case PRIMREC_X_E: return column_data(h.x_e);
    case PRIMREC_T_M: return column_data(h.T_m);
    default: return nullptr;
  }
}

size_t primrec_overheating_rows(const primrec_history* history) {
  return history == nullptr ? 0 : history->overheating_z.size();
}

const double* primrec_overheating_column(const primrec_history* history, int column) {
  if (history == nullptr) return nullptr;
  switch (column) {
    case 0: return column_data(history->overheating_z);
    case 1: return column_data(history->overheating_ln);
    default: return nullptr;
  }
}

void primrec_free(primrec_history* history) { delete history; }

}  // extern "C"
