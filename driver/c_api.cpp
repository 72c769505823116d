// The C interface: a thin layer over the C++ one. A history handle owns a
// Solution, with the overheating rows split into two columns; every function
// catches what the C++ side may throw, so no exception reaches a C caller, and
// keeps nothing outside the handle, so different handles never share state.
#include "primrec/primrec.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstring>
#include <exception>
#include <initializer_list>
#include <limits>
#include <mutex>
#include <new>
#include <string>
#include <string_view>
#include <thread>
#include <type_traits>
#include <vector>

#include "input/input_files.h"
#include "primrec/primrec.hpp"

// A handle's mark while it lives, and after primrec_free. It stands inside
// the block: the allocator keeps its own records of a freed block at its
// start and may use its last bytes.
constexpr unsigned kLiveHandle = 0x7072696du;
constexpr unsigned kFreedHandle = 0x66726565u;

struct primrec_history {
  int status = PRIMREC_OK;
  primrec::Solution solution;
  volatile unsigned mark = kLiveHandle;
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

constexpr const char kParametersSizeMessage[] =
    "primrec_parameters has a size this library does not know: fill it with primrec_default_parameters\n";
constexpr const char kOptionsSizeMessage[] =
    "primrec_options has a size this library does not know: fill it with primrec_default_options\n";

// The C struct spells out PRIMREC_PARAMETER_TABLE: a struct built from the
// table must have its fields, types, order and size, or this does not compile.
struct TableLayout {
  size_t size;
#define PRIMREC_TABLE_FIELD(name, type, scan, file, place, label, unit, value, initial, rule, allowed, meaning) \
  type name;
  PRIMREC_PARAMETER_TABLE(PRIMREC_TABLE_FIELD)
#undef PRIMREC_TABLE_FIELD
};
#define PRIMREC_SAME_FIELD(name, type, scan, file, place, label, unit, value, initial, rule, allowed, meaning) \
  static_assert(offsetof(primrec_parameters, name) == offsetof(TableLayout, name) &&                          \
                    std::is_same_v<decltype(primrec_parameters::name), type>,                                  \
                "primrec_parameters." #name " is not where the table puts it");
PRIMREC_PARAMETER_TABLE(PRIMREC_SAME_FIELD)
#undef PRIMREC_SAME_FIELD
static_assert(sizeof(primrec_parameters) == sizeof(TableLayout) && offsetof(primrec_parameters, size) == 0,
              "primrec_parameters has fields the table does not");

// The sizes of the structs of the 1.0 interface, which end with T0 and with
// tolerance: the smallest a caller may hand in. Those of a later version are
// larger, up to the current size; these stay as they are.
constexpr size_t kParametersSize_1_0 = offsetof(primrec_parameters, T0) + sizeof(double);
constexpr size_t kOptionsSize_1_0 = offsetof(primrec_options, tolerance) + sizeof(double);
static_assert(kParametersSize_1_0 <= sizeof(primrec_parameters) && kOptionsSize_1_0 <= sizeof(primrec_options),
              "a struct of the C interface lost a field of 1.0");

// Whether a field of `size` bytes at `offset` lies within a caller's struct.
constexpr bool within(size_t struct_size, size_t offset, size_t size) { return offset + size <= struct_size; }

bool known_size(size_t size, size_t oldest, size_t current) { return size >= oldest && size <= current; }

// The caller's fields up to its struct's size; the defaults for the rest.
primrec::Parameters to_cpp(const primrec_parameters& c) {
  primrec::Parameters p;
#define PRIMREC_FIELD_TO_CPP(name, type, scan, file, place, label, unit, value, initial, rule, allowed, meaning) \
  if (within(c.size, offsetof(primrec_parameters, name), sizeof c.name)) p.name = c.name;
  PRIMREC_PARAMETER_TABLE(PRIMREC_FIELD_TO_CPP)
#undef PRIMREC_FIELD_TO_CPP
  return p;
}

// Writes the fields that lie within the caller's `struct_size` bytes, and the size.
void to_c(const primrec::Parameters& p, primrec_parameters* c, size_t struct_size) {
  if (!within(struct_size, 0, sizeof c->size)) return;
  c->size = struct_size;
#define PRIMREC_FIELD_TO_C(name, type, scan, file, place, label, unit, value, initial, rule, allowed, meaning) \
  if (within(struct_size, offsetof(primrec_parameters, name), sizeof c->name)) c->name = p.name;
  PRIMREC_PARAMETER_TABLE(PRIMREC_FIELD_TO_C)
#undef PRIMREC_FIELD_TO_C
}

primrec::Options to_cpp(const primrec_options& c) {
  primrec::Options o;
  if (within(c.size, offsetof(primrec_options, threads), sizeof c.threads)) o.threads = c.threads;
  if (within(c.size, offsetof(primrec_options, fast), sizeof c.fast)) o.fast = c.fast != 0;
  if (within(c.size, offsetof(primrec_options, tolerance), sizeof c.tolerance)) o.tolerance = c.tolerance;
  if (within(c.size, offsetof(primrec_options, precise), sizeof c.precise)) o.precise = c.precise != 0;
  return o;
}

const volatile int* cancel_flag(const primrec_options* c) {
  if (c == nullptr || !within(c->size, offsetof(primrec_options, cancel), sizeof c->cancel)) return nullptr;
  return c->cancel;
}

// How often the caller's cancel flag is looked at during a solve.
constexpr std::chrono::milliseconds kCancelCheckInterval{10};

bool is_set(const volatile int* flag) { return __atomic_load_n(flag, __ATOMIC_ACQUIRE) != 0; }

// The caller's cancel flag is an int of C; the solve looks at a flag of its
// own. A thread of this object's looks at the caller's every
// kCancelCheckInterval while the solve runs, and sets the solve's once the
// caller's is set. Without a flag of the caller's there is no thread.
class CancelForwarding {
 public:
  explicit CancelForwarding(const volatile int* flag) : flag_(flag) {
    if (flag_ == nullptr) return;
    cancel_.store(is_set(flag_));
    watcher_ = std::thread([this] { watch(); });
  }
  ~CancelForwarding() {
    if (!watcher_.joinable()) return;
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      done_ = true;
    }
    ended_.notify_all();
    watcher_.join();
  }
  CancelForwarding(const CancelForwarding&) = delete;
  CancelForwarding& operator=(const CancelForwarding&) = delete;
  const std::atomic<bool>* cancel() const { return flag_ == nullptr ? nullptr : &cancel_; }

 private:
  void watch() {
    std::unique_lock<std::mutex> lock(mutex_);
    while (!done_ && !cancel_.load()) {
      ended_.wait_for(lock, kCancelCheckInterval);
      if (is_set(flag_)) cancel_.store(true);
    }
  }

  const volatile int* flag_;
  std::atomic<bool> cancel_{false};
  std::mutex mutex_;
  std::condition_variable ended_;
  bool done_ = false;
  std::thread watcher_;
};

// Copies `text` into a caller's buffer of `size` bytes, cut to fit and always
// NUL-terminated when there is room for the terminator. Allocates nothing.
void copy_message(std::string_view text, char* buffer, size_t size) {
  if (buffer == nullptr || size == 0) return;
  size_t length = text.size() < size - 1 ? text.size() : size - 1;
  std::memcpy(buffer, text.data(), length);
  buffer[length] = '\0';
}

// The parts one after the other, cut to the buffer, without allocating.
void copy_message_parts(std::initializer_list<std::string_view> parts, char* buffer, size_t size) {
  if (buffer == nullptr || size == 0) return;
  size_t length = 0;
  for (std::string_view part : parts) {
    const size_t room = size - 1 - length;
    const size_t n = part.size() < room ? part.size() : room;
    std::memcpy(buffer + length, part.data(), n);
    length += n;
  }
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

// The input error of a struct the library cannot read; nothing solved.
void refuse(primrec_history* history, const char* message) {
  history->solution.status = primrec::Status::input_error;
  history->solution.error = message;
}

void solve_into(primrec_history* history, const primrec_parameters* parameters, const primrec_options* options) {
  if (parameters == nullptr) return refuse(history, kNoParametersMessage);
  if (!known_size(parameters->size, kParametersSize_1_0, sizeof(primrec_parameters)))
    return refuse(history, kParametersSizeMessage);
  if (options != nullptr && !known_size(options->size, kOptionsSize_1_0, sizeof(primrec_options)))
    return refuse(history, kOptionsSizeMessage);
  primrec::Options cpp = options != nullptr ? to_cpp(*options) : primrec::Options();
  const CancelForwarding forwarding(cancel_flag(options));
  cpp.cancel = forwarding.cancel();
  history->solution = primrec::solve(to_cpp(*parameters), cpp);
  split_overheating(history);
}

// A fault that is not a lack of memory: its own status, with what it said.
void mark_internal_error(primrec_history* history, const char* what) noexcept {
  mark_no_memory(history);
  try {
    history->solution.error = std::string("internal error: ") + what + "\n";
    history->status = PRIMREC_INTERNAL_ERROR;
  } catch (...) {
    // Not even the message could be kept: as a history that could not be stored.
  }
}

}  // namespace

extern "C" {

void primrec_init_parameters(primrec_parameters* parameters, size_t struct_size) {
  if (parameters == nullptr) return;
  to_c(primrec::default_parameters(), parameters, struct_size);
}

int primrec_read_parameters_sized(const char* directory, primrec_parameters* parameters, size_t struct_size,
                                  char* messages, size_t size) {
  copy_message("", messages, size);
  if (parameters == nullptr) return PRIMREC_INPUT_ERROR;
  if (directory == nullptr) {
    // As a reading that could not open its first file: nothing read.
    to_c(primrec::initial_input_values(), parameters, struct_size);
    copy_message(kNoDirectoryMessage, messages, size);
    return PRIMREC_INPUT_ERROR;
  }
  try {
    // Nothing below allocates: a failure to store the reading leaves
    // *parameters as it was.
    const primrec::Reading reading = primrec::read_parameters(directory);
    to_c(reading.parameters, parameters, struct_size);
    copy_message_parts({reading.messages, reading.error}, messages, size);
    return static_cast<int>(reading.status);
  } catch (const std::bad_alloc&) {
    copy_message("", messages, size);
    return PRIMREC_NO_MEMORY;
  } catch (const std::exception& failure) {
    copy_message_parts({"internal error: ", failure.what(), "\n"}, messages, size);
    return PRIMREC_INTERNAL_ERROR;
  } catch (...) {
    copy_message_parts({"internal error: ", "an unknown exception", "\n"}, messages, size);
    return PRIMREC_INTERNAL_ERROR;
  }
}

void primrec_init_options(primrec_options* options, size_t struct_size) {
  if (options == nullptr || !within(struct_size, 0, sizeof options->size)) return;
  const primrec::Options defaults;
  options->size = struct_size;
  if (within(struct_size, offsetof(primrec_options, threads), sizeof options->threads))
    options->threads = defaults.threads;
  if (within(struct_size, offsetof(primrec_options, fast), sizeof options->fast)) options->fast = defaults.fast ? 1 : 0;
  if (within(struct_size, offsetof(primrec_options, tolerance), sizeof options->tolerance))
    options->tolerance = defaults.tolerance;
  if (within(struct_size, offsetof(primrec_options, precise), sizeof options->precise))
    options->precise = defaults.precise ? 1 : 0;
  if (within(struct_size, offsetof(primrec_options, cancel), sizeof options->cancel)) options->cancel = nullptr;
}

primrec_history* primrec_solve_with(const primrec_parameters* parameters, const primrec_options* options) {
  primrec_history* history = new (std::nothrow) primrec_history;
  if (history == nullptr) return nullptr;
  try {
    solve_into(history, parameters, options);
    history->status = static_cast<int>(history->solution.status);
  } catch (const std::bad_alloc&) {
    mark_no_memory(history);
  } catch (const std::exception& failure) {
    mark_internal_error(history, failure.what());
  } catch (...) {
    mark_internal_error(history, "an unknown exception");
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

// A handle released a second time still carries the freed mark (unless its
// memory went to another allocation meanwhile): then nothing is done.
void primrec_free(primrec_history* history) {
  if (history == nullptr || history->mark != kLiveHandle) return;
  history->mark = kFreedHandle;
  delete history;
}

}  // extern "C"
