// The compiled half of the Python module primrec: the library's calls as
// Python functions, its history as numpy arrays. Everything here only moves
// data between the two; the Python half (primrec/__init__.py) builds the
// public classes on it.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <atomic>
#include <chrono>
#include <future>
#include <system_error>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "transfer/printed_numbers.h"
#include "primrec/primrec.hpp"
#include "shell/history_files.h"

namespace py = pybind11;

namespace {

// A numpy array over `values`, which stays alive as long as `owner` does: no copy.
py::array_t<double> column(std::vector<double>& values, const py::capsule& owner) {
  return py::array_t<double>({static_cast<py::ssize_t>(values.size())}, {static_cast<py::ssize_t>(sizeof(double))},
                             values.data(), owner);
}

// The overheating rows as an (n, 2) array over the rows themselves.
py::array_t<double> overheating(std::vector<primrec::OverheatingRow>& rows, const py::capsule& owner) {
  static_assert(sizeof(primrec::OverheatingRow) == 2 * sizeof(double), "an overheating row is two doubles");
  return py::array_t<double>(
      {static_cast<py::ssize_t>(rows.size()), static_cast<py::ssize_t>(2)},
      {static_cast<py::ssize_t>(sizeof(primrec::OverheatingRow)), static_cast<py::ssize_t>(sizeof(double))},
      reinterpret_cast<double*>(rows.data()), owner);
}

// The solve without the GIL, so that other threads run their own meanwhile.
primrec::Solution solve_released(const primrec::Parameters& parameters, const primrec::Options& options) {
  py::gil_scoped_release release;
  return primrec::solve(parameters, options);
}

// How often a solve on the main thread looks for a signal (Ctrl-C).
constexpr std::chrono::milliseconds signal_check_interval{50};

// The solve on a thread of its own while the calling thread, Python's main
// thread, takes the signals as they come: Python runs its handlers only
// there, and only between its own instructions. A handler that raises
// (KeyboardInterrupt for Ctrl-C) cancels the solve, and its exception is
// raised when the solve has stopped, within a step.
primrec::Solution solve_watching_signals(const primrec::Parameters& parameters, primrec::Options options) {
  std::atomic<bool> cancel{false};
  options.cancel = &cancel;
  std::future<primrec::Solution> solving;
  try {
    solving = std::async(std::launch::async, [&] { return primrec::solve(parameters, options); });
  } catch (const std::system_error&) {  // no thread to be had: solved here, signals after it
    return solve_released(parameters, options);
  }
  bool raised = false;
  {
    py::gil_scoped_release release;
    while (solving.wait_for(signal_check_interval) != std::future_status::ready) {
      if (raised) continue;
      py::gil_scoped_acquire acquire;
      raised = PyErr_CheckSignals() != 0;
      if (raised) cancel.store(true);
    }
  }
  if (raised) throw py::error_already_set();
  return solving.get();
}

// status, error, error_z, then the columns z, HydI, HydII, HeI, HeII, HeIII,
// el, x_e, T_m, the overheating rows and the messages. The arrays share the
// solution's vectors; the solution lives until the last of them is freed.
py::tuple solve(const primrec::Parameters& parameters, int threads, bool fast, double tolerance, bool precise,
                bool watch_signals) {
  primrec::Options options;
  options.threads = threads;
  options.fast = fast;
  options.tolerance = tolerance;
  options.precise = precise;
  auto solution = std::make_unique<primrec::Solution>(watch_signals ? solve_watching_signals(parameters, options)
                                                                    : solve_released(parameters, options));
  primrec::Solution* s = solution.get();
  py::capsule owner(solution.release(), [](void* p) { delete static_cast<primrec::Solution*>(p); });
  primrec::History& h = s->history;
  return py::make_tuple(static_cast<int>(s->status), s->error, s->error_z, column(h.z, owner),
                        column(h.HydI, owner), column(h.HydII, owner), column(h.HeI, owner), column(h.HeII, owner),
                        column(h.HeIII, owner), column(h.el, owner), column(h.x_e, owner), column(h.T_m, owner),
                        overheating(h.overheating, owner), h.messages);
}

// x_e and T_m at the redshifts `at`, through the library's own interpolation.
py::tuple rows_at(const py::array_t<double, py::array::c_style | py::array::forcecast>& z,
                  const py::array_t<double, py::array::c_style | py::array::forcecast>& x_e,
                  const py::array_t<double, py::array::c_style | py::array::forcecast>& T_m,
                  const py::array_t<double, py::array::c_style | py::array::forcecast>& at) {
  primrec::History h;
  h.z.assign(z.data(), z.data() + z.size());
  h.x_e.assign(x_e.data(), x_e.data() + x_e.size());
  h.T_m.assign(T_m.data(), T_m.data() + T_m.size());
  py::array_t<double> x(at.size()), T(at.size());
  for (py::ssize_t i = 0; i < at.size(); ++i) {
    x.mutable_data()[i] = primrec::x_e_at(h, at.data()[i]);
    T.mutable_data()[i] = primrec::T_m_at(h, at.data()[i]);
  }
  return py::make_tuple(x, T);
}

std::vector<double> as_vector(const py::array_t<double, py::array::c_style | py::array::forcecast>& a) {
  return std::vector<double>(a.data(), a.data() + a.size());
}

// continued_below, z_star, z_peak, peak_full_width, then the points as the
// arrays z (ascending), tau and g.
py::tuple last_scattering(const primrec::Parameters& parameters,
                          const py::array_t<double, py::array::c_style | py::array::forcecast>& z,
                          const py::array_t<double, py::array::c_style | py::array::forcecast>& el) {
  if (z.ndim() != 1 || el.ndim() != 1 || z.size() != el.size())
    throw py::value_error("z and el must be one-dimensional and of equal length");
  const std::vector<double> zs = as_vector(z), els = as_vector(el);
  primrec::LastScattering ls;
  {
    py::gil_scoped_release release;
    ls = primrec::last_scattering(parameters, zs, els);
  }
  const py::ssize_t n = static_cast<py::ssize_t>(ls.points.size());
  py::array_t<double> pz(n), tau(n), g(n);
  auto wz = pz.mutable_unchecked<1>(), wtau = tau.mutable_unchecked<1>(), wg = g.mutable_unchecked<1>();
  for (py::ssize_t k = 0; k < n; ++k) {
    wz(k) = ls.points[k].z;
    wtau(k) = ls.points[k].tau;
    wg(k) = ls.points[k].g;
  }
  return py::make_tuple(ls.continued_below, ls.z_star, ls.z_peak, ls.peak_full_width, pz, tau, g);
}

// The text of a table: one line per pair, as the program prints it.
py::bytes format_table(const py::array_t<double, py::array::c_style | py::array::forcecast>& first,
                       const py::array_t<double, py::array::c_style | py::array::forcecast>& second) {
  if (first.ndim() != 1 || second.ndim() != 1 || first.size() != second.size())
    throw py::value_error("the two columns must be one-dimensional and of equal length");
  const py::ssize_t n = first.size();
  std::string text(static_cast<size_t>(n) * primrec::table_line_length, '\0');
  char* out = text.data();
  const double* a = first.data();
  const double* b = second.data();
  for (py::ssize_t k = 0; k < n; ++k) out = primrec::format_table_line(out, a[k], b[k]);
  text.resize(static_cast<size_t>(out - text.data()));
  return py::bytes(text);
}

using Column = py::array_t<double, py::array::c_style | py::array::forcecast>;

// The tables and input files of a history into `directory`, as a run writes
// them: 0 written; 1 a value its input file cannot hold; 2 a file that could
// not be written (the directory unchanged); and the message.
py::tuple write_files(const std::string& directory, const primrec::Parameters& parameters,
                        const std::vector<Column>& columns, const Column& overheating) {
  if (columns.size() != 8 || overheating.ndim() != 2 || overheating.shape(1) != 2)
    throw py::value_error("eight columns and (n, 2) overheating rows");
  primrec::History h;
  std::vector<double>* into[] = {&h.z, &h.HydI, &h.HydII, &h.HeI, &h.HeII, &h.HeIII, &h.el, &h.T_m};
  for (size_t i = 0; i < 8; ++i) into[i]->assign(columns[i].data(), columns[i].data() + columns[i].size());
  for (py::ssize_t k = 0; k < overheating.shape(0); ++k)
    h.overheating.push_back({overheating.data()[2 * k], overheating.data()[2 * k + 1]});
  HistoryWriting writing;
  {
    py::gil_scoped_release release;
    writing = write_history(directory, h, parameters);
  }
  return py::make_tuple(static_cast<int>(writing.outcome), writing.message);
}

// Seconds one solve takes called from C++ directly: the yardstick of the
// Python call's cost.
double solve_seconds(const primrec::Parameters& parameters) {
  py::gil_scoped_release release;
  const auto start = std::chrono::steady_clock::now();
  const primrec::Solution s = primrec::solve(parameters);
  const auto stop = std::chrono::steady_clock::now();
  if (!s.ok()) return -1;
  return std::chrono::duration<double>(stop - start).count();
}

}  // namespace

PYBIND11_MODULE(_primrec, m) {
  m.doc() = "The compiled part of primrec; use the package primrec.";

  py::class_<primrec::Parameters> parameters(m, "Parameters");
  parameters.def(py::init<>());
#define PRIMREC_PYTHON_FIELD(name, type, scan, file, place, label, unit, value, initial, rule, allowed, meaning) \
  parameters.def_readwrite(#name, &primrec::Parameters::name);
  PRIMREC_PARAMETER_TABLE(PRIMREC_PYTHON_FIELD)
#undef PRIMREC_PYTHON_FIELD
  // The table itself, for the keywords' documentation: name, file, label,
  // unit, allowed values, meaning; in the order of the struct.
  py::list table;
#define PRIMREC_PYTHON_ROW(name, type, scan, file, place, label, unit, value, initial, rule, allowed, meaning) \
  table.append(py::make_tuple(#name, file, label, unit, allowed, meaning));
  PRIMREC_PARAMETER_TABLE(PRIMREC_PYTHON_ROW)
#undef PRIMREC_PYTHON_ROW
  m.attr("PARAMETERS") = py::tuple(table);

  m.def(
      "read_parameters",
      [](const std::string& directory) {
        primrec::Reading r;
        {
          py::gil_scoped_release release;
          r = primrec::read_parameters(directory);
        }
        return py::make_tuple(static_cast<int>(r.status), r.parameters, r.messages, r.error);
      },
      "status, parameters, messages, error of reading the five input files in a directory");
  m.def("check_parameters", &primrec::check_parameters,
        "the program's message(s) for the first check the parameters fail; empty when they pass");
  m.def(
      "plausibility_warnings",
      [](const primrec::Parameters& p) {
        py::list warnings;
        for (const primrec::PlausibilityWarning& w : primrec::plausibility_warnings(p))
          warnings.append(py::make_tuple(w.parameter, w.message));
        return warnings;
      },
      "(parameter, message) for every value that passes its check but is almost surely a mistake");
  m.def("solve", &solve, py::arg("parameters"), py::arg("threads"), py::arg("fast"), py::arg("tolerance"),
        py::arg("precise"), py::arg("watch_signals"),
        "status, error, error_z, the history's arrays, overheating rows and messages");
  m.def("rows_at", &rows_at, "x_e and T_m of the rows (z, x_e, T_m) at the redshifts z, as the library gives them");
  m.def("last_scattering", &last_scattering, "continued_below, z_star, z_peak, peak_full_width, z, tau, g");
  m.def("format_table", &format_table, "the table lines of two columns, as the program prints them");
  m.def("write_history", &write_files, "0, 1 or 2 (written, a value refused, a write failed) and the message");
  m.def("solve_seconds", &solve_seconds, "seconds of one solve called from C++ (-1 when it fails)");
  m.attr("STATUS_OK") = static_cast<int>(primrec::Status::ok);
  m.attr("STATUS_INPUT_ERROR") = static_cast<int>(primrec::Status::input_error);
  m.attr("STATUS_BREAKDOWN") = static_cast<int>(primrec::Status::breakdown);
}
