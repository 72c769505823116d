// The passes of a run, and the two passes of a feedback run side by side.
//
// Side by side, the first pass runs on a thread of its own and hands its
// overheating rows and messages to the feedback pass through a FirstPassBeside,
// which also stands between the feedback pass and the caller's observer: every
// call of the observer is made on the caller's thread, and the messages keep
// the order of the passes one after the other (the first pass's all before the
// feedback pass's). A breakdown of the first pass outranks anything of the
// feedback pass, as it does when the first pass runs to its end before the
// other starts.
#include "driver/passes.h"

#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "driver/stepping.h"
#include "input/rounding.h"
#include "transfer/feedback.h"

namespace primrec {

namespace {

constexpr int passes_with_feedback = 2;

Work operator+(const Work& a, const Work& b) {
  return {a.steps + b.steps, a.inner_iterations + b.inner_iterations};
}

Outcome outcome_of(const Run& run, Status status) {
  Outcome o;
  o.status = status;
  o.work = run.work;
  if (status == Status::breakdown) {
    o.error = run.error;
    o.error_z = run.error_z;
    o.pass = run.pass;
  }
  return o;
}

Outcome one_after_another(const Constants& cs, const StepSettings& steps, Observer& out, const Options& options) {
  const auto run = std::make_unique<Run>(cs, steps, out, options);
  return outcome_of(*run, run_outer_passes(*run));
}

// How the first pass ended, as its thread leaves it.
struct FirstPassEnd {
  bool ended = false;
  Status status = Status::ok;
  std::string error;
  double error_z = 0;
  Work work;
  std::exception_ptr exception;  // what the first pass threw
};

class FirstPassBeside final : public FirstPassRows, public FirstPassSink, public Observer {
 public:
  explicit FirstPassBeside(Observer& caller) : caller_(caller) {}

  // The first pass's side, on its thread.
  void add_row(const OverheatingRow& row) {
    bool wake;
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      rows_.push_back(row);
      wake = waiting_ && ++rows_while_waiting_ == wake_after_rows;
    }
    if (wake) arrived_.notify_one();
  }
  void rows_complete() override {
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      complete_ = true;
    }
    arrived_.notify_one();
  }
  void add_message(const std::string& text) {
    const std::lock_guard<std::mutex> lock(mutex_);
    messages_.push_back(text);
  }
  void end(FirstPassEnd how) {
    const bool failed = how.status != Status::ok || how.exception;
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      end_ = std::move(how);
      end_.ended = true;
    }
    failed_.store(failed, std::memory_order_relaxed);
    arrived_.notify_one();
  }
  const std::atomic<bool>& abandoned() const { return abandoned_; }

  // The feedback pass's side, on the caller's thread. Above z = 1650, or with
  // rows that already settle the step, it does not touch what the first pass
  // writes.
  bool rows_for_step(table_fun& table, double z) override {
    if (failed_.load(std::memory_order_relaxed)) return false;
    if (!(z <= z_feedback_start) || table_final_ || rows_settle_step(table, z)) return true;
    return take(table, &z);
  }
  // The first pass is stopped at its next step.
  void abandon() { abandoned_.store(true, std::memory_order_relaxed); }
  // Once the first pass's thread has ended: what it left, then what the
  // feedback pass held back meanwhile.
  FirstPassEnd finish(table_fun& table) {
    take(table, nullptr);
    if (end_.exception) std::rethrow_exception(end_.exception);
    return end_;
  }

  // The feedback pass's observer.
  void row(const Row& r) override { caller_.row(r); }
  void message(const std::string& text) override {
    if (first_delivered_) {
      caller_.message(text);
    } else {
      held_messages_.push_back(text);
    }
  }
  void pass_finished(int pass) override {
    if (first_delivered_) {
      caller_.pass_finished(pass);
    } else {
      held_finish_ = true;
    }
  }
  // Only the feedback pass tells its progress: it trails the first.
  void progress(const Progress& p) override { caller_.progress(p); }

 private:
  // Moves what came into `table` and to the caller; with z, first waits until
  // the rows settle a step at z, the table is final or the first pass ended.
  bool take(table_fun& table, const double* z) {
    std::vector<OverheatingRow> rows;
    std::vector<std::string> messages;
    bool ended = false;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      for (;;) {
        for (const OverheatingRow& r : rows_) table.add_row(r.z, r.ln_overheating);
        rows.insert(rows.end(), rows_.begin(), rows_.end());
        rows_.clear();
        messages.insert(messages.end(), messages_.begin(), messages_.end());
        messages_.clear();
        table_final_ = complete_;
        ended = end_.ended;
        if (ended || z == nullptr || table_final_ || rows_settle_step(table, *z)) break;
        waiting_ = true;
        rows_while_waiting_ = 0;
        arrived_.wait(lock, [this] { return rows_while_waiting_ >= wake_after_rows || complete_ || end_.ended; });
        waiting_ = false;
      }
    }
    for (const OverheatingRow& r : rows) caller_.overheating_row(r);
    for (const std::string& text : messages) caller_.message(text);
    if (!ended) return true;
    const bool completed = end_.status == Status::ok && !end_.exception;
    if (completed && !first_delivered_) deliver_first_pass_end();
    return completed;
  }

  void deliver_first_pass_end() {
    first_delivered_ = true;
    caller_.pass_finished(0);
    for (const std::string& text : held_messages_) caller_.message(text);
    held_messages_.clear();
    if (held_finish_) caller_.pass_finished(1);
  }

  Observer& caller_;
  std::mutex mutex_;
  std::condition_variable arrived_;
  std::vector<OverheatingRow> rows_;   // made by the first pass, not yet taken
  std::vector<std::string> messages_;  // of the first pass, not yet taken
  bool complete_ = false;              // no row follows those given
  FirstPassEnd end_;                   // written once, under the mutex, then only read
  std::atomic<bool> failed_{false};
  std::atomic<bool> abandoned_{false};
  // A feedback pass that catches up with the first waits until it is this many
  // rows ahead again: a wake-up per row would cost more than the row.
  static constexpr int wake_after_rows = 64;
  bool waiting_ = false;
  int rows_while_waiting_ = 0;

  bool table_final_ = false;      // the table holds every row the first pass will give
  bool first_delivered_ = false;  // the first pass's end has been given to the caller
  std::vector<std::string> held_messages_;
  bool held_finish_ = false;
};

// The first pass's observer: its rows and messages go to the feedback pass.
// It gives no history rows, and its progress and end are told otherwise.
class FirstPassOut final : public Observer {
 public:
  explicit FirstPassOut(FirstPassBeside& beside) : beside_(beside) {}
  void overheating_row(const OverheatingRow& r) override { beside_.add_row(r); }
  void message(const std::string& text) override { beside_.add_message(text); }

 private:
  FirstPassBeside& beside_;
};

void run_first_pass(Run& first, FirstPassBeside& beside) {
  const round_to_nearest rounding;
  FirstPassEnd end;
  try {
    end.status = Iteration_of_Process(first, 0, first.steps.Number_of_Iterations);
    end.error = first.error;
    end.error_z = first.error_z;
  } catch (...) {
    end.status = Status::cancelled;
    end.exception = std::current_exception();
  }
  end.work = first.work;
  beside.end(std::move(end));
}

Outcome side_by_side(const Constants& cs, const StepSettings& steps, Observer& out, const Options& options) {
  FirstPassBeside beside(out);
  FirstPassOut first_out(beside);
  const auto first = std::make_unique<Run>(cs, steps, first_out, options);
  first->link.keeps_overheating_table = false;
  first->link.first_pass_sink = &beside;
  first->link.abandoned = &beside.abandoned();
  const auto feedback = std::make_unique<Run>(cs, steps, beside, options);
  feedback->link.rows_from_first_pass = &beside;

  std::thread first_thread;
  try {
    first_thread = std::thread(run_first_pass, std::ref(*first), std::ref(beside));
  } catch (const std::system_error&) {  // no second thread to be had
    return one_after_another(cs, steps, out, options);
  }
  Status status;
  try {
    status = Iteration_of_Process(*feedback, 1, steps.Number_of_Iterations);
  } catch (...) {
    // The first pass runs to its end and all it made reaches the caller, as
    // it would have before the feedback pass began one after the other.
    first_thread.join();
    try {
      beside.finish(feedback->fb.ln_HydRO);
    } catch (...) {  // the first error is the one to report
    }
    throw;
  }
  // A breakdown of the feedback pass waits for the first pass, whose own
  // breakdown further down would come first one after the other.
  if (status != Status::ok && status != Status::breakdown) beside.abandon();
  first_thread.join();
  const FirstPassEnd first_end = beside.finish(feedback->fb.ln_HydRO);
  Outcome o;
  if (first_end.status != Status::ok) {
    o.status = first_end.status;
    o.error = first_end.error;
    o.error_z = first_end.error_z;
  } else {
    o = outcome_of(*feedback, status);
  }
  o.work = first_end.work + feedback->work;
  return o;
}

}  // namespace

Outcome run_passes(const Constants& cs, const StepSettings& steps, Observer& out, const Options& options) {
  if (steps.Number_of_Iterations == passes_with_feedback && options.threads > 1)
    return side_by_side(cs, steps, out, options);
  return one_after_another(cs, steps, out, options);
}

}  // namespace primrec
