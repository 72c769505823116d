// Holds the rows printed by the example callers (z, x_e and T_m per line) to
// the history the C++ interface gives for the default parameters: the first
// file's values must be the history's doubles, row for row, and every other
// file must be the first one's bytes, since all callers print as "%.17g".
// Usage: primrec_check_example_output <rows file> [<rows file with the same bytes>...]
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
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

bool read_file(const char* name, std::string* bytes) {
  std::ifstream in(name, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "%s: cannot be opened\n", name);
    return false;
  }
  bytes->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return true;
}

// The line of `text` holding byte `at`, without its newline.
std::string line_at(const std::string& text, size_t at) {
  const size_t begin = at == 0 ? 0 : text.rfind('\n', at - 1) + 1;
  const size_t end = text.find('\n', begin);
  return text.substr(begin, end == std::string::npos ? std::string::npos : end - begin);
}

bool same_bytes(const char* name, const char* reference_name) {
  std::string text, reference;
  if (!read_file(name, &text) || !read_file(reference_name, &reference)) return false;
  if (text == reference) return true;
  size_t at = 0;
  while (at < text.size() && at < reference.size() && text[at] == reference[at]) ++at;
  const long line = 1 + std::count(text.begin(), text.begin() + static_cast<long>(at), '\n');
  std::fprintf(stderr, "%s:%ld: differs from %s at byte %zu:\n  %s\n  %s\n", name, line,
               reference_name, at, line_at(text, at).c_str(), line_at(reference, at).c_str());
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  const primrec::Solution solution = primrec::solve(primrec::default_parameters());
  if (!solution.ok()) {
    std::fputs(solution.error.c_str(), stderr);
    return 1;
  }
  if (argc < 2) return 1;
  bool all_same = check_file(argv[1], solution.history);
  for (int i = 2; i < argc; ++i) all_same = same_bytes(argv[i], argv[1]) && all_same;
  return all_same ? 0 : 1;
}
