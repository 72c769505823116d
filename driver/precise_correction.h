// The precise mode: x_e and T_m of the model corrected towards the histories of
// a multi-level atom code with radiative transfer, by 1 + Delta(z; p), Delta
// fitted (tools/fit_precise) at each node (an integer z) as a quadratic polynomial in
// the relative offsets of p = (omega_b h^2, omega_m h^2, X_M, T0, nu_number)
// from a centre, and interpolated linearly in z between the nodes. It holds for the
// physics it was fitted with and inside the box of the reference histories:
// elsewhere the mode is refused.
#pragma once

#include <string>
#include <vector>

#include "primrec/primrec.hpp"

namespace primrec {

// Why the precise mode cannot serve these parameters (the message of an input
// error), or "" when it can.
std::string precise_refusal(const Parameters& p);

class PreciseCorrection {
 public:
  explicit PreciseCorrection(const Parameters& p);
  // The factors 1 + Delta of x_e and T_m at z: none above z = 8000, the lowest
  // node's value below it. Fastest for falling z, as the rows come.
  struct Factors {
    double x_e, T_m;
  };
  Factors at(double z);

 private:
  std::vector<double> x_e_, T_m_;  // Delta at each node, for p
  int above_ = 1;                  // the node above the last z asked for
};

// Passes a solve on to `out` with every row's x_e, el and T_m corrected.
class PreciselyCorrected final : public Observer {
 public:
  PreciselyCorrected(const Parameters& p, Observer& out) : correction_(p), out_(out) {}
  void row(const Row& r) override;
  void overheating_row(const OverheatingRow& r) override { out_.overheating_row(r); }
  void message(const std::string& text) override { out_.message(text); }
  void pass_finished(int pass) override { out_.pass_finished(pass); }
  void progress(const Progress& p) override { out_.progress(p); }

 private:
  PreciseCorrection correction_;
  Observer& out_;
};

}  // namespace primrec
