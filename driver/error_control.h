// The fast mode's steps: chosen by an estimate of their local error against a
// tolerance instead of the input's grid, which then only sets the redshifts of
// the rows (interpolated between the steps at the solver's own order).
//
// The estimate: the first iteration of a step starts from the quadratic
// through the last three accepted steps, extrapolated to the new redshift;
// that predictor errs by y''' h (h + h1) (h + h1 + h2) / 6, the trapezoidal
// step by y''' h^3 / 12 (h, h1, h2 the new and the two previous steps), so the
// difference of the converged step and its predictor, scaled by the ratio of
// the two, estimates the local error. Where a step is long against the
// fastest balance the species take the backward differences instead, whose
// error is (1 + w)^2 / (6 w (1 + 2 w)) y''' h^3 with w = h / h1. The matter
// temperature's update is exact where it follows the radiation or cools
// adiabatically, where ln T is linear in ln(1+z): its estimate is the same
// difference taken in ln T, or where larger the update's own error from the
// curvature of the coupling over the step.
//
// Every error is held per unit of ln(1+z) over the stretch that carries it:
// a species or the electrons forget theirs at the rate of the exchange that
// restores their balance, the matter temperature at the Compton rate. Where
// nothing restores them they add up over the pass.
// The species are held besides to a share of the tolerance in every step.
// A step whose error exceeds its bound is taken again, shorter; the next step
// grows or shrinks with the error.
#pragma once

#include "driver/stepping.h"

namespace primrec {

// The tolerances the fast mode takes: finer ones reach the rounding of the
// steps, coarser ones steps the physics does not survive.
constexpr double finest_fast_tolerance = 1e-8;
constexpr double coarsest_fast_tolerance = 1e-2;

// The first of two passes gives the history nothing but its overheating rows,
// through a feedback correction of a few per cent: its errors reach the
// history damped some fifty times, so it is held to this many times the
// tolerance (up to the coarsest) wherever the feedback pass would not repeat
// its steps.
constexpr double first_pass_tolerance_factor = 10;

class ErrorControl final : public StepPolicy {
 public:
  ErrorControl(const Constants& cs, const StepSettings& steps, int pass, int passes, double tolerance);
  bool start(Run& run) override;
  bool next(Run& run, Step& step) override;
  void begin(Run& run, const Step& step) override;
  bool retry(Run& run, Step& step, bool usable) override;
  const char* gave_up(bool converged) const override;
  void give_rows(Run& run, const Step& step) override;
  bool done(const Run& run) const override;
  // What the steps are held to at the moment (the inner iteration's too).
  const double& tolerance() const { return tolerance_; }

  using Point = AdaptivePoint;

  // The local errors of a step, each as a share of what it may be.
  struct StepError {
    double species = 0;  // held per step
    double carried = 0;  // electrons and temperature, held per unit of ln(1+z)
    double scaled() const;
  };

 private:
  const Point& now() const { return s_.points[s_.known - 1]; }
  void last_points(int k, const Point* (&p)[3]) const;
  void store(const Run& run, Point& p) const;
  StepError error_of(const Run& run, const Step& step) const;
  double carrying_length(double relaxation) const;
  void give_rows_between_points(Run& run, const Step& step);
  void relax_first_pass(Run& run);
  void choose_update(const Run& run, Step& step) const;

  const Constants& cs_;
  const StepSettings& settings_;
  const int pass_;
  const bool last_pass_;
  double tolerance_;
  // The first of two passes, while its steps may be the feedback pass's.
  bool held_as_feedback_pass_;
  AdaptiveState s_;
  AdaptiveState at_step_start_;  // kept for the feedback pass where the passes part
  bool gives_rows_ = false;      // the step's rows are the history's
  StepError error_;  // of the step last tried
  int steps_over_bound_ = 0;  // at the shortest, in a row
  double ln_last_ = 0;  // of the last row
  double span_ = 1;  // of the pass in ln(1+z)
};

}  // namespace primrec
