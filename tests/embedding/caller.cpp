// A program of a project that builds primrec inside its own: a short history
// through the library's C++ interface, which must end well and be physical.
#include <cmath>
#include <cstdio>

#include <primrec/primrec.hpp>

int main() {
  primrec::Parameters parameters = primrec::default_parameters();
  parameters.z_begin = 3000;
  parameters.z_end = 1000;
  parameters.step = 1e-2;
  const primrec::Solution solution = primrec::solve(parameters);
  if (!solution.ok() || solution.history.size() == 0) {
    std::fprintf(stderr, "no history: %s", solution.error.c_str());
    return 1;
  }
  // Hydrogen and helium at most fully ionised: fewer than 1.2 electrons per hydrogen nucleus.
  const double x_e = solution.history.x_e.back();
  std::printf("%zu rows; x_e = %.17g at z = %.17g\n", solution.history.size(), x_e, solution.history.z.back());
  return std::isfinite(x_e) && x_e > 0 && x_e < 1.2 ? 0 : 1;
}
