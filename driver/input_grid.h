// The default mode's steps: the input's grid, equal steps of D_ln_1_plus_z in
// ln(1+z) from one step below z_begin down to z_end, accumulated by repeated
// addition; a row every number_of_info_points steps of the last pass. In the
// first of two passes on one thread it also gives the rows of the steps the
// feedback pass shares with it (stepping.h, SharedSteps).
#pragma once

#include "driver/stepping.h"

namespace primrec {

class InputGrid final : public StepPolicy {
 public:
  InputGrid(const StepSettings& steps, int pass, int passes);
  bool start(Run& run) override;
  bool next(Run& run, Step& step) override;
  void begin(Run& run, const Step& step) override;
  bool retry(Run&, Step&, bool) override { return false; }
  const char* gave_up(bool) const override { return nullptr; }
  void give_rows(Run& run, const Step& step) override;
  bool done(const Run&) const override { return false; }

 private:
  const StepSettings& steps_;
  const int pass_;
  const bool last_pass_;
  double ln_ = 0;          // ln(1+z) of the step under way
  bool advance_ = false;   // the next step lies one step below ln_
  int step_number_ = 0;    // steps done
  bool gives_rows_ = false;
};

}  // namespace primrec
