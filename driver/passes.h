// The passes of a run. With the feedback, the second pass (the feedback pass)
// needs of the first only its overheating rows, each long after the first
// pass made it: the two run side by side, the first on a thread of its own and
// the feedback pass on the caller's, reading the rows as they come. Or, on one
// thread, one after the other, the feedback pass starting where it parts from
// the first.
#pragma once

#include <string>

#include "input/constants.h"
#include "transfer/overheating_table.h"
#include "primrec/primrec.hpp"

namespace primrec {

// What the feedback pass reads of a first pass running beside it.
class FirstPassRows {
 public:
  virtual ~FirstPassRows() = default;
  // Before a feedback step at z: from z = 1650 down, where the step reads the
  // table, waits until `table` holds the rows that settle its look-ups,
  // handing the caller the first pass's rows and messages that came
  // meanwhile. False once the first pass has failed.
  virtual bool rows_for_step(table_fun& table, double z) = 0;
};

// What a first pass beside the feedback pass tells it besides its rows.
class FirstPassSink {
 public:
  virtual ~FirstPassSink() = default;
  // No overheating row can follow the ones given.
  virtual void rows_complete() = 0;
};

// How a run ended.
struct Outcome {
  Status status = Status::ok;
  std::string error;   // the message of a breakdown
  double error_z = 0;  // and its redshift
  int pass = 0;        // the pass that broke down
  Work work;
};

// The passes of a run, side by side when there are two and options.threads
// allows a second thread, else one after the other. The observer is called on
// the caller's thread only, in the order of the passes for each kind of call
// (rows, overheating rows, messages); its messages and the outcome are those
// of the passes one after the other.
Outcome run_passes(const Constants& cs, const StepSettings& steps, Observer& out, const Options& options);

}  // namespace primrec
