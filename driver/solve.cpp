// The library's entry: a solve checks its parameters, derives the constants,
// builds a Run and runs its passes, streaming the rows to an observer or
// collecting them into a History.
#include <memory>

#include "driver/stepping.h"
#include "input/constants.h"
#include "input/rounding.h"
#include "transfer/optical_depth.h"

namespace primrec {

namespace {

// Collects a solve in memory.
class HistoryCollector : public Observer {
 public:
  explicit HistoryCollector(History& history) : h_(history) {}
  void row(const Row& r) override {
    h_.z.push_back(r.z);
    h_.HydI.push_back(r.HydI);
    h_.HydII.push_back(r.HydII);
    h_.HeI.push_back(r.HeI);
    h_.HeII.push_back(r.HeII);
    h_.HeIII.push_back(r.HeIII);
    h_.el.push_back(r.el);
    h_.x_e.push_back(r.x_e);
    h_.T_m.push_back(r.T_m);
  }
  void overheating_row(const OverheatingRow& r) override { h_.overheating.push_back(r); }
  void message(const std::string& text) override { h_.messages += text; }

 private:
  History& h_;
};

}  // namespace

Solution solve(const Parameters& parameters, Observer& observer, const Options& options) {
  const round_to_nearest rounding;
  Solution solution;
  solution.error = check_parameters(parameters);
  if (!solution.error.empty()) {
    solution.status = Status::input_error;
    return solution;
  }
  const auto run = std::make_unique<Run>(derive_constants(parameters), observer, options);
  solution.status = run_outer_passes(*run);
  solution.work = run->work;
  if (solution.status == Status::breakdown) {
    solution.error = run->error;
    solution.error_z = run->error_z;
  }
  return solution;
}

Solution solve(const Parameters& parameters, const Options& options) {
  History history;
  HistoryCollector collector(history);
  Solution solution = solve(parameters, collector, options);
  solution.history = std::move(history);
  return solution;
}

LastScattering last_scattering(const Parameters& parameters, const std::vector<double>& z,
                               const std::vector<double>& el) {
  const round_to_nearest rounding;
  return optical_depth(derive_constants(parameters), z, el);
}

}  // namespace primrec
