// The inner iteration of a step: rates -> matrix -> abundance update ->
// electrons -> matter temperature, repeated until the abundances settle.
// The default mode sweeps (driver/abundance_update.h) until the summed
// relative change of the abundances falls to norm_var; the fast mode solves
// the five species at once each time, until what the iteration leaves of its
// error (by the contraction two changes measure) is a share of its tolerance.
#pragma once

#include "driver/stepping.h"

namespace primrec {

// An inner iteration that has not converged after this many sweeps gives up:
// the step goes on from the values reached, with a message.
constexpr int max_inner_iterations = 1000;

class Sweep final : public InnerSolver {
 public:
  bool converge(Run& run, const Step& step) override;
};

class DirectSolve final : public InnerSolver {
 public:
  // The tolerance may change between steps: the policy's.
  explicit DirectSolve(const double& tolerance) : tolerance_(tolerance) {}
  bool converge(Run& run, const Step& step) override;

 private:
  const double& tolerance_;
};

// The nuclei of the component's element, per nucleus: what its abundance is
// measured against.
double share_of(const Run& run, const comp_of_plasm& c);

}  // namespace primrec
