// primrec-summary DIR: last scattering of the history in DIR.
//
// Reads "fund.in" and "cosm_p.in" (the constants and the background of the
// run), "el.dat" and "T_matter.dat" in DIR; prints z_*, the visibility peak and
// its width, and x_e and T_m at z = 1100 and 200, one "label = value" line
// each, the value "none (why)" where the tables give no number; writes
// "visibility.dat" (z, tau, g) into DIR. Exit status 0, or 1 with a message
// naming the file (and line) that could not be used; 2 for a command line it
// does not know (the usage on standard error).
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "input/input_files.h"
#include "primrec/primrec.hpp"
#include "shell/summary_tables.h"
#include "shell/terminal.h"

namespace {

constexpr int exit_success = 0;
constexpr int exit_failure = 1;
constexpr int exit_usage = 2;  // a command line the program does not know

bool read_table(const char* file_name, std::vector<table_row>& rows) {
  std::string reason;
  if (read_two_column_table(file_name, rows, reason)) return true;
  std::printf("primrec-summary: %s %s\n", file_name, reason.c_str());
  return false;
}

void print_value(const char* label, double value) { std::printf("%s = %.8g\n", label, value); }

void print_none(const char* label, const std::string& why) { std::printf("%s = none (%s)\n", label, why.c_str()); }

std::string number(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.8g", value);
  return text;
}

// Why tau = 1 lies outside the table (the library found no crossing); the
// points go up in z, el.dat down.
std::string why_no_z_star(const std::vector<primrec::VisibilityPoint>& points) {
  const auto not_finite = [](const primrec::VisibilityPoint& p) { return !std::isfinite(p.tau); };
  if (std::any_of(points.begin(), points.end(), not_finite)) return "tau is not a finite number at every line";
  if (points.back().tau < 1) return "tau < 1 up to z = " + number(points.back().z) + ", where el.dat starts";
  return "tau >= 1 already at z = " + number(points.front().z) + ", where el.dat ends";
}

// Why the visibility has no peak inside the table: its largest value is at an
// end of the table.
std::string why_no_peak(const std::vector<primrec::VisibilityPoint>& points) {
  const auto not_finite = [](const primrec::VisibilityPoint& p) { return !std::isfinite(p.g); };
  if (std::any_of(points.begin(), points.end(), not_finite)) return "the visibility is not a finite number at every line";
  const auto largest = std::max_element(points.begin(), points.end(),
                                        [](const auto& a, const auto& b) { return a.g < b.g; });
  return "the visibility still rises at z = " + number(largest->z) + ", where el.dat " +
         (largest == points.begin() ? "ends" : "starts");
}

// x_e or T_m at z from its table, or why it has none there.
void print_table_value(const char* name, const char* file_name, const std::vector<table_row>& table, double z) {
  char label[32];
  std::snprintf(label, sizeof label, "%s(%g)", name, z);
  const double value = value_at(table, z);
  if (std::isfinite(value))
    print_value(label, value);
  else if (z < table.back().z)
    print_none(label, std::string(file_name) + " ends at z = " + number(table.back().z));
  else
    print_none(label, std::string(file_name) + " starts at z = " + number(table.front().z));
}

// The two tables of one run have the same redshifts, line by line.
bool same_rows(const std::vector<table_row>& electrons, const std::vector<table_row>& temperature) {
  const std::size_t line = first_redshift_difference(electrons, temperature);
  if (line == 0) return true;
  if (line > temperature.size())
    std::printf("primrec-summary: T_matter.dat ends at line %zu, el.dat goes on to line %zu; "
                "the two tables of a run have the same lines\n",
                temperature.size(), electrons.size());
  else if (line > electrons.size())
    std::printf("primrec-summary: el.dat ends at line %zu, T_matter.dat goes on to line %zu; "
                "the two tables of a run have the same lines\n",
                electrons.size(), temperature.size());
  else
    std::printf("primrec-summary: T_matter.dat line %zu has z = %.8g, el.dat line %zu z = %.8g; "
                "the two tables of a run have the same redshifts\n",
                line, temperature[line - 1].z, line, electrons[line - 1].z);
  return false;
}

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
  end_line_on_terminal(log.error);
  return ok;
}

const char* const usage =
    "usage: primrec-summary DIR    print the last scattering of the finished run in DIR\n"
    "       primrec-summary -h | --help\n"
    "\n"
    "Reads fund.in, cosm_p.in, el.dat and T_matter.dat in DIR; prints z_star, the\n"
    "visibility peak and its width, and x_e and T_m at z = 1100 and 200; writes\n"
    "visibility.dat (z, tau, g) into DIR.\n"
    "\n"
    "Exit status: 0 done; 1 a file could not be read or written; 2 an unknown\n"
    "command line.\n";

// A command line the program does not know (none, an unknown option, more than
// a directory): which word, then the usage, on standard error.
int refuse_command_line(int argc, char** argv) {
  if (argc == 2)
    std::fprintf(stderr, "unknown option %s\n", argv[1]);
  else if (argc > 2)
    std::fprintf(stderr, "unexpected argument %s\n", argv[2]);
  else
    std::fputs("no run directory given\n", stderr);
  std::fputs(usage, stderr);
  return exit_usage;
}

// Reads the run of directory argv[1] and prints its last scattering.
int summarise(int argc, char** argv) {
  if (argc == 2 && (std::strcmp(argv[1], "-h") == 0 || std::strcmp(argv[1], "--help") == 0)) {
    std::fputs(usage, stdout);
    return exit_success;
  }
  if (argc != 2 || argv[1][0] == '-') return refuse_command_line(argc, argv);
  if (chdir(argv[1]) != 0) {
    std::printf("primrec-summary: cannot enter the directory %s\n", argv[1]);
    return exit_failure;
  }
  primrec::Parameters parameters;
  if (!read_constants(parameters)) return exit_failure;
  std::vector<table_row> electrons, temperature;
  if (!read_table("el.dat", electrons) || !read_table("T_matter.dat", temperature) ||
      !same_rows(electrons, temperature))
    return exit_failure;

  std::vector<double> z, el;
  for (const table_row& row : electrons) {
    z.push_back(row.z);
    el.push_back(row.value);
  }
  const primrec::LastScattering result = primrec::last_scattering(parameters, z, el);
  if (result.continued_below > 0)
    std::printf("note: el.dat ends at z = %.8g; x_e is held at its last value from there to z = 0\n",
                result.continued_below);
  if (std::isfinite(result.z_star))
    print_value("z_star", result.z_star);
  else
    print_none("z_star", why_no_z_star(result.points));
  if (std::isfinite(result.z_peak))
    print_value("z_visibility_peak", result.z_peak);
  else
    print_none("z_visibility_peak", why_no_peak(result.points));
  const char* width = "visibility_full_width_half_maximum";
  if (std::isfinite(result.peak_full_width))
    print_value(width, result.peak_full_width);
  else if (std::isfinite(result.z_peak))
    print_none(width, "the visibility does not fall to half its maximum on both sides within el.dat");
  else
    print_none(width, "no peak inside el.dat");
  for (double at : {1100.0, 200.0}) {
    print_table_value("x_e", "el.dat", electrons, at);
    print_table_value("T_m", "T_matter.dat", temperature, at);
  }
  return write_visibility(result) ? exit_success : exit_failure;
}

}  // namespace

// A summary that could not be printed (standard output on a full disk) is a
// failure.
int main(int argc, char** argv) {
  const int status = summarise(argc, argv);
  const bool lost = std::fflush(stdout) != 0 || std::ferror(stdout) != 0;
  return lost ? exit_failure : status;
}
