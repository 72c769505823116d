// Holds the rows printed by the example callers (z, x_e and T_m per line, as
// decimal text with enough digits to carry every bit) against the history the
// C++ interface gives for the default parameters: every value must be the
// same double, and every file must have exactly the history's rows.
// Usage: primrec_check_example_output <rows file>...
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "primrec/primrec.hpp"

namespace {

bool same_bits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// The three numbers of a line, or false when it holds anything else.
bool parse_row(const std::string& line, double values[3]) {
  const char* p = line.c_str();
  for (int i = 0; i < 3; ++i) {
    char* end = nullptr;
    errno = 0;
    values[i] = std::strtod(p, &end);
    if (end == p || errno == ERANGE) return false;
    p = end;
  }
  while (*p == ' ') ++p;
  return *p == '\0';
}

bool check_file(const char* name, const primrec::History& history) {
  std::ifstream in(name);
  if (!in) {
    std::fprintf(stderr, "%s: cannot be opened\n", name);
    return false;
  }
  std::string line;
  size_t row = 0;
  for (; std::getline(in, line); ++row) {
    double values[3];
    if (!parse_row(line, values)) {
      std::fprintf(stderr, "%s:%zu: not three numbers: %s\n", name, row + 1, line.c_str());
      return false;
    }
    if (row >= history.size()) {
      std::fprintf(stderr, "%s: more rows than the history's %zu\n", name, history.size());
      return false;
    }
    const double expected[3] = {history.z[row], history.x_e[row], history.T_m[row]};
    for (int i = 0; i < 3; ++i) {
      if (!same_bits(values[i], expected[i])) {
        std::fprintf(stderr, "%s:%zu: column %d is %.17g, the library gives %.17g\n", name, row + 1,
                     i + 1, values[i], expected[i]);
        return false;
      }
    }
  }
  if (row != history.size()) {
    std::fprintf(stderr, "%s: %zu rows, the history has %zu\n", name, row, history.size());
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  const primrec::Solution solution = primrec::solve(primrec::default_parameters());
  if (!solution.ok()) {
    std::fputs(solution.error.c_str(), stderr);
    return 1;
  }
  bool all_same = true;
  for (int i = 1; i < argc; ++i) all_same = check_file(argv[i], solution.history) && all_same;
  return all_same && argc > 1 ? 0 : 1;
}
