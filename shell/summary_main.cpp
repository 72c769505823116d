// primrec-summary DIR: last scattering of the history in DIR.
//
// Reads "fund.in" and "cosm_p.in" (the constants and the background of the
// run), "el.dat" and "T_matter.dat" in DIR; prints z_*, the visibility peak and
// its width, and x_e and T_m at z = 1100 and 200, one labelled value a line;
// writes "visibility.dat" (z, tau, g) into DIR. Exit status 0, or 1 with a
// message naming the file that could not be used.
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "input/input_files.h"
#include "primrec/primrec.hpp"
#include "shell/summary_tables.h"

namespace {

constexpr int exit_success = 0;
constexpr int exit_failure = 1;

bool read_table(const char* file_name, std::vector<table_row>& rows) {
  std::string reason;
  if (read_two_column_table(file_name, rows, reason)) return true;
  std::printf("primrec-summary: %s %s\n", file_name, reason.c_str());
  return false;
}

void print_value(const char* label, double value) { std::printf("%s = %.8g\n", label, value); }

bool write_visibility(const primrec::LastScattering& result) {
  FILE* out = std::fopen("visibility.dat", "w");
  if (out == nullptr) {
    std::printf("primrec-summary: visibility.dat cannot be created\n");
    return false;
  }
  for (auto p = result.points.rbegin(); p != result.points.rend(); ++p)
    std::fprintf(out, "%-20.8g%-20.8g%-20.8g\n", p->z, p->tau, p->g);
  const bool failed = std::ferror(out) != 0;
  if (std::fclose(out) != 0 || failed) {
    std::printf("primrec-summary: visibility.dat could not be written\n");
    return false;
  }
  return true;
}

// The constants and the background come from fund.in and cosm_p.in alone.
bool read_constants(primrec::Parameters& p) {
  p = primrec::initial_input_values();
  primrec::InputLog log;
  const bool ok = primrec::init_fund_const("", p, log) == 0 && primrec::init_cosmological_const("", p, log) == 0;
  std::fputs(log.messages.c_str(), stdout);
  std::fputs(log.error.c_str(), stdout);
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::printf("usage: primrec-summary DIR (a directory holding a finished run)\n");
    return exit_failure;
  }
  if (chdir(argv[1]) != 0) {
    std::printf("primrec-summary: cannot enter the directory %s\n", argv[1]);
    return exit_failure;
  }
  primrec::Parameters parameters;
  if (!read_constants(parameters)) return exit_failure;
  std::vector<table_row> electrons, temperature;
  if (!read_table("el.dat", electrons) || !read_table("T_matter.dat", temperature)) return exit_failure;

  std::vector<double> z, el;
  for (const table_row& row : electrons) {
    z.push_back(row.z);
    el.push_back(row.value);
  }
  const primrec::LastScattering result = primrec::last_scattering(parameters, z, el);
  if (result.continued_below > 0)
    std::printf("note: el.dat ends at z = %.8g; x_e is held at its last value from there to z = 0\n",
                result.continued_below);
  print_value("z_star", result.z_star);
  print_value("z_visibility_peak", result.z_peak);
  print_value("visibility_full_width_half_maximum", result.peak_full_width);
  for (double at : {1100.0, 200.0}) {
    char label[32];
    std::snprintf(label, sizeof label, "x_e(%g)", at);
    print_value(label, value_at(electrons, at));
    std::snprintf(label, sizeof label, "T_m(%g)", at);
    print_value(label, value_at(temperature, at));
  }
  return write_visibility(result) ? exit_success : exit_failure;
}
