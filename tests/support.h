// Helpers shared by the tests: scratch directories, files, and runs of the
// program binary.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "atomic/physics.h"
#include "input/constants.h"
#include "primrec/primrec.hpp"

namespace testing_support {

// A fresh empty directory under the system's temporary directory; removed with
// everything in it when the object goes.
class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  const std::string& path() const { return path_; }
  std::string file(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// Makes `dir` the working directory for the lifetime of the object.
class InDirectory {
 public:
  explicit InDirectory(const std::string& dir);
  ~InDirectory();
  InDirectory(const InDirectory&) = delete;
  InDirectory& operator=(const InDirectory&) = delete;

 private:
  std::string previous_;
};

void write_file(const std::string& path, const std::string& content);
std::string read_file(const std::string& path);
bool file_exists(const std::string& path);
// The names in a directory, hidden ones included, sorted.
std::vector<std::string> directory_entries(const std::string& dir);

// The constants of the default parameters: the laboratory values of fund.in
// (every variation factor exactly 1) and a Planck-2018-like universe.
primrec::Constants laboratory_constants();
// The physics of those constants: atomic data and empty memos.
primrec::Physics laboratory_physics();
// The physics of the laboratory constants with some of them changed.
template <typename Change>
primrec::Physics laboratory_physics_with(Change change) {
  primrec::Constants cs = laboratory_constants();
  change(cs);
  return primrec::Physics(cs);
}

// The five default input files of examples/default copied into `dir`.
void copy_default_inputs(const std::string& dir);

// A complete input set, each value as the text written after its "=".
// The defaults are those of examples/default.
struct Inputs {
  std::string z_begin = "8000", z_end = "1", step = "1e-3", norm = "1e-8", stride = "1";
  std::string levels = "10";
  std::string G = "6.67428e-8", h = "1.054571628e-27", c = "29979245800.0", me = "9.10938215e-28",
              mp = "1.672621637e-24", e = "4.80320427e-10", kB = "1.3806504e-16";
  std::string F_H = "1.125", A_perturbation_H = "0", z_perturbation = "1100", Delta_z_perturbation = "100";
  std::string H0 = "67.36", omega_m = "0.3153", omega_lambda = "0.6847", nu_number = "3",
              omega_b = "0.0493", X_M = "0.7547", T0 = "2.7255";
};

// The default inputs with another number of feedback levels and redshift grid.
Inputs inputs_for(const std::string& levels, const std::string& z_begin, const std::string& z_end,
                  const std::string& step);

// Writes the five input files of `inputs` into `dir`.
void write_inputs(const std::string& dir, const Inputs& inputs);

// The lines of a text file, without their line ends.
std::vector<std::string> read_lines(const std::string& path);

// The two numbers of every line of a table.
std::vector<std::pair<double, double>> read_table(const std::string& path);

struct RunResult {
  int exit_status;     // the program's exit status, or -1 if it did not exit normally
  std::string output;  // everything it wrote on standard output
};

// Runs a shell command; its standard output and exit status.
RunResult run_command(const std::string& command);

// Runs the primrec binary in `dir` with no arguments; with a time limit, a run
// still going after that many seconds is killed and reports exit status 137.
RunResult run_primrec_in(const std::string& dir, int time_limit_seconds = 0);

// The default parameters with another range, step and number of feedback
// levels: a run short enough for a test.
primrec::Parameters quick(double z_begin, double z_end, double step, int levels);

}  // namespace testing_support
