// primrec: the recombination history of the primordial hydrogen-helium plasma,
// as a library.
//
// A solve is self-contained: it takes Parameters, keeps its whole state in
// objects of its own, and returns the history or the reason it has none. Any
// number of solves may run at once in different threads; the same parameters
// give the same bits in any thread, in any order, as the program's tables.
//
//   primrec::Solution s = primrec::solve(primrec::default_parameters());
//   if (!s.ok()) { std::fputs(s.error.c_str(), stderr); return 1; }
//   for (size_t i = 0; i < s.history.size(); ++i) use(s.history.z[i], s.history.x_e[i]);
#pragma once

#include <atomic>
#include <cstddef>
#include <limits>
#include <string>
#include <vector>

#include "primrec/export.h"
#include "primrec/parameters.hpp"

namespace primrec {

enum class Status {
  ok = 0,           // the history is complete
  input_error = 1,  // a parameter failed its check; nothing was computed
  breakdown = 2,    // a step gave a result that is not a finite number or out of its physical range
                    // (error says which): the rows of the last pass up to that step (none in a History
                    // when it was the first of two passes)
  cancelled = 3,    // the caller's cancel flag was set; the history stops where it was
};

// Everything reading the five input files said, in the order the program
// prints it. `messages` holds what did not stop the reading (a lost stop
// signal); `error` the message of the file that failed, if one did.
struct Reading {
  Status status = Status::ok;
  Parameters parameters;  // the values as read (a value that could not be read keeps its initial value)
  std::string messages;
  std::string error;
  bool ok() const { return status == Status::ok; }
};

// Reads "redshifts.in", "fine_effects.in", "fund.in", "fudge_factors.in" and
// "cosm_p.in" in `directory`, in that order, with the program's checks; the
// first file that fails ends the reading and the later ones are not opened.
PRIMREC_API Reading read_parameters(const std::string& directory);

// The first check the parameters fail, with the program's message(s) for it;
// an empty string when they pass. The checks run in the order of the files.
PRIMREC_API std::string check_parameters(const Parameters& parameters);

// A value that passes its check but is almost surely a mistake (H0 given as
// little h, Omega_b h^2 given for Omega_b, ...): the parameter it is about (its
// name in the parameter table), and a message naming the value and what was
// probably meant, without a line end. Such values never stop a solve.
struct PlausibilityWarning {
  std::string parameter;
  std::string message;
};

// The warnings for `parameters`, in the order of the parameter table; none for
// the defaults or any usual cosmology.
PRIMREC_API std::vector<PlausibilityWarning> plausibility_warnings(const Parameters& parameters);

// How the interface grows without breaking a program built against an
// earlier version of it:
// - Row and Progress are made by the library and given by const reference
//   only: a new column is a new field appended at the end of Row, and an
//   observer built against an older Row reads the fields it knows.
//   (OverheatingRow is also an element of History::overheating: it stays.)
// - Observer keeps its virtual functions, in this order, for good: a new call
//   comes as a class of its own derived from Observer (ObserverV2, ...), which
//   the solve of that version looks for with dynamic_cast and calls only
//   where it finds it, so that an older observer never gets a call its vtable
//   lacks (1.0 has no such class yet).
// - Parameters, Options and the results (Solution, History) change size with
//   a new field, so a new field there comes with a new soname; the C interface
//   (primrec.h), whose structs carry their size, takes new fields without one.

// One row of the history: a step of the last pass, every output_stride steps,
// from the first step below z_begin.
struct Row {
  double z;      // redshift of the step
  double HydI;   // neutral hydrogen per nucleus
  double HydII;  // ionised hydrogen per nucleus
  double HeI;    // neutral helium per nucleus
  double HeII;   // singly ionised helium per nucleus
  double HeIII;  // doubly ionised helium per nucleus
  double el;     // the electron column of el.dat: x_e times the perturbation bump of fudge_factors.in
  double x_e;    // free electrons per hydrogen nucleus, n_e / n_H
  double T_m;    // matter temperature at the end of the step [K]
};

// One row of the hydrogen overheating table of the first pass (z <= 2000),
// both numbers as a reader of the printed table gets them (8 significant digits).
struct OverheatingRow {
  double z;               // redshift of the step
  double ln_overheating;  // ln of the overheating of hydrogen n = 2 over its blackbody equilibrium
};

// How far a solve has come: given once per step.
struct Progress {
  int pass;               // 0, or 1 for the feedback pass
  int passes;             // 1, or 2 with more than one feedback level
  double z;               // redshift of the step just done
  double fraction;        // of the whole solve, 0..1
};

// Receives a solve as it goes. The program streams the rows into its tables
// through one of these; solve() without one collects them in a History. Every
// call comes on the thread that called solve(). With the feedback pass beside
// the first (Options::threads), the calls of the two passes interleave: each
// kind (rows, overheating rows, messages) keeps its order, the messages of the
// first pass all come before those of the feedback pass, and only the feedback
// pass, which trails, tells its progress. A breakdown of the first pass may
// then come after rows of the feedback pass: they are void, as the status says.
class PRIMREC_API Observer {
 public:
  virtual ~Observer() = default;
  virtual void row(const Row&) {}
  virtual void overheating_row(const OverheatingRow&) {}
  // A message that does not stop the solve (an inner iteration that did not
  // converge), in the exact text the program prints.
  virtual void message(const std::string&) {}
  // The end of pass 0 or 1 (the overheating table is complete after pass 0).
  virtual void pass_finished(int /*pass*/) {}
  virtual void progress(const Progress&) {}
};

// The work a solve did: it depends on how the passes were scheduled (on one
// thread the feedback pass skips the steps it shares with the first).
struct Work {
  long long steps = 0;             // redshift steps of all passes
  long long inner_iterations = 0;  // sweeps of all steps
};

struct History {
  std::vector<double> z, HydI, HydII, HeI, HeII, HeIII, el, x_e, T_m;  // one entry per Row
  std::vector<OverheatingRow> overheating;
  std::string messages;  // the messages that did not stop the solve, in order
  size_t size() const { return z.size(); }
};

struct Solution {
  Status status = Status::ok;
  std::string error;  // the message of a failure, as the program prints it
  double error_z = std::numeric_limits<double>::quiet_NaN();  // breakdown: the redshift of the step
  Work work;
  History history;  // empty when streamed to an Observer
  bool ok() const { return status == Status::ok; }
};

struct Options {
  // Checked once per step: when it becomes true the solve stops with
  // Status::cancelled. May be set from another thread.
  const std::atomic<bool>* cancel = nullptr;
  // 1: the passes run one after the other on the caller's thread (for many
  // solves in parallel, one per core). 2 (or more, which acts as 2): with the
  // feedback, the feedback pass runs beside the first on a second thread, so
  // that the history takes little more time than one pass. The history, its
  // messages and failures are the same bits either way; below 1 the solve
  // stops with Status::input_error.
  int threads = 1;
  // The fast mode: the same physics, its steps chosen by an estimate of their
  // local error against `tolerance` (relative, for every species, the
  // electrons and the matter temperature) instead of the step of the input,
  // which then only sets the redshifts of the rows. Far fewer steps for an
  // accuracy of about the tolerance; the default mode reproduces the fixed-step
  // iteration to the last bit. The tolerance must lie between 1e-8 and 1e-2
  // (else Status::input_error); x_e and T_m come within about it.
  bool fast = false;
  double tolerance = 1e-4;
  // The precise mode: x_e (and the el column) and T_m multiplied by a
  // correction fitted to the histories of a multi-level atom code with
  // radiative transfer, for the physics and inside the box of cosmologies it
  // was fitted on (outside them Status::input_error, the message naming the
  // value and its range). The species stay the model's. With `fast` or without.
  bool precise = false;
};

// The whole history in memory.
PRIMREC_API Solution solve(const Parameters& parameters, const Options& options = {});
// The history streamed to `observer`, row by row; Solution::history stays empty.
PRIMREC_API Solution solve(const Parameters& parameters, Observer& observer, const Options& options = {});

// x_e (free electrons per hydrogen nucleus) and T_m [K] of a history at any
// redshift between its first and last row: the quadratic in ln(1+z) through
// the three nearest rows (NaN outside them, or with fewer than three rows).
PRIMREC_API double x_e_at(const History& history, double z);
PRIMREC_API double T_m_at(const History& history, double z);

// The Thomson optical depth from today and the visibility of a history.
struct VisibilityPoint {
  double z;    // redshift, ascending
  double tau;  // optical depth from today
  double g;    // visibility (dtau/dz) e^-tau
};
struct LastScattering {
  std::vector<VisibilityPoint> points;  // at the rows of the history
  double continued_below = 0;           // > 0: the history ends there; x_e was held at its last value down to z = 0
  // tau(z_star) = 1 between two rows; NaN if tau stays below 1 up to the highest
  // redshift, or is 1 or more already at the lowest (the crossing is then below
  // the history, where x_e is not known).
  double z_star = 0;
  // Maximum of the visibility; NaN if the largest value is at the highest or
  // lowest redshift (the visibility still rises there: no peak inside).
  double z_peak = 0;
  // Full width of the visibility at half its maximum; NaN without a peak inside
  // or if the visibility does not fall to half its maximum on both sides.
  double peak_full_width = 0;
};

// From x_e(z) of the el column at redshifts z (any order, distinct; the two
// vectors of equal length), with the constants and expansion rate of
// `parameters` (fund.in and cosm_p.in values, used as given, unchecked):
// tau(z) = integral of x_e N_H sigma_T c dz / ((1+z) H), trapezoidal in ln(1+z).
// With no rows every number is NaN.
PRIMREC_API LastScattering last_scattering(const Parameters& parameters, const std::vector<double>& z,
                               const std::vector<double>& el);

}  // namespace primrec
