// Fuzz target: the five labelled-value input files.
//
// The input is the contents of "redshifts.in", "fine_effects.in", "fund.in",
// "fudge_factors.in" and "cosm_p.in", separated by NUL bytes (a part that is
// missing leaves its file absent). They are written into a scratch directory
// and read in the program's order, with the constants derived between; every
// file that a reader accepts must hold values that the run can use.
#include <unistd.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "atomic/atomic_data.h"
#include "driver/run_sequence.h"
#include "input/constants.h"
#include "input/input_files.h"

namespace {

const char* const file_names[] = {"redshifts.in", "fine_effects.in", "fund.in", "fudge_factors.in", "cosm_p.in"};


void require(bool condition) {
  if (!condition) __builtin_trap();
}

bool positive(double value) { return std::isfinite(value) && value > 0; }

void write_files(const uint8_t* data, size_t size) {
  size_t start = 0;
  for (int file = 0; file < 5; ++file) {
    unlink(file_names[file]);
    if (start > size) continue;
    size_t end = start;
    while (end < size && data[end] != 0) ++end;
    FILE* out = std::fopen(file_names[file], "wb");
    if (out == nullptr) std::abort();
    std::fwrite(data + start, 1, end - start, out);
    std::fclose(out);
    start = end + 1;
  }
}

// What each accepted file promises the run.
void check_redshifts() {
  require(positive(z_begin) && positive(z_end) && z_end < z_begin && number_of_info_points > 0);
  require(std::isfinite(D_ln_1_plus_z) && D_ln_1_plus_z < 0 && positive(norm_var));
  require(std::log(z_begin + 1) + D_ln_1_plus_z != std::log(z_begin + 1));
  require(z_begin >= 3000 && !(z_begin > 5000 && z_begin < 7000));
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  char directory[] = "/tmp/primrec-fuzz-input-XXXXXX";
  if (mkdtemp(directory) == nullptr || chdir(directory) != 0) std::abort();
  if (std::freopen("/dev/null", "w", stdout) == nullptr) std::abort();  // the readers' messages
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  write_files(data, size);
  restore_initial_input_values();
  if (init_redshift_range() != 0) return 0;
  check_redshifts();
  if (init_fine_effects() != 0) return 0;
  require(Number_of_levels_for_Resonant_Feedback >= 1 && Number_of_Iterations == (Number_of_levels_for_Resonant_Feedback > 1 ? 2 : 1));
  if (init_fund_const() != 0) return 0;
  require(positive(G) && positive(h) && positive(c) && positive(me) && positive(mp) && positive(e) && positive(kB));
  if (init_fudge_factors() != 0) return 0;
  require(positive(F_H) && positive(z_perturbation) && positive(Delta_z_perturbation));
  init_general_assist_const();
  if (init_cosmological_const() != 0) return 0;
  require(nu_number > 0 && positive(omega_m) && positive(omega_lambda) && positive(omega_b) && positive(X_M) &&
          positive(T0) && positive(H0));
  derive_HeII_quantities();
  HeI_atomic_data();
  derive_hydrogen_quantities();
  return 0;
}
