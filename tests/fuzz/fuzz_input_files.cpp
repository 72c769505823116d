// Fuzz target: the five labelled-value input files.
//
// The input is the contents of "redshifts.in", "fine_effects.in", "fund.in",
// "fudge_factors.in" and "cosm_p.in", separated by NUL bytes (a part that is
// missing leaves its file absent). They are written into a scratch directory
// and read in the program's order; parameters that the reading accepts must
// pass the checks a solve makes and give constants and atomic data that a run
// can use.
#include <unistd.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "atomic/physics.h"
#include "input/constants.h"
#include "primrec/primrec.hpp"

namespace {

const char* const file_names[] = {"redshifts.in", "fine_effects.in", "fund.in", "fudge_factors.in", "cosm_p.in"};

void require(bool condition) {
  if (!condition) __builtin_trap();
}

void write_files(const uint8_t* data, size_t size) {
  size_t start = 0;
  for (const char* name : file_names) {
    unlink(name);
    if (start > size) continue;
    size_t end = start;
    while (end < size && data[end] != 0) ++end;
    FILE* out = std::fopen(name, "wb");
    if (out == nullptr) std::abort();
    std::fwrite(data + start, 1, end - start, out);
    std::fclose(out);
    start = end + 1;
  }
}

// What accepted parameters promise the run.
void check_run_constants(const primrec::Parameters& p) {
  const primrec::Constants cs = primrec::derive_constants(p);
  const primrec::StepSettings st = primrec::derive_step_settings(p);
  require(std::isfinite(st.D_ln_1_plus_z) && st.D_ln_1_plus_z < 0);
  require(std::log(st.z_begin + 1) + st.D_ln_1_plus_z != std::log(st.z_begin + 1));
  require(st.z_begin >= 3000 && !(st.z_begin > 5000 && st.z_begin < 7000) && st.z_end < st.z_begin);
  require(st.Number_of_Iterations == (p.feedback_levels > 1 ? 2 : 1));
  const primrec::Physics ph(cs);
  require(ph.at.I1_HydI == cs.I && ph.at.I2s_HeII == cs.I);
}

}  // namespace

// The files live in a directory of the fuzzer's own.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
  char directory[] = "/tmp/primrec-fuzz-input-XXXXXX";
  if (mkdtemp(directory) == nullptr || chdir(directory) != 0) std::abort();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  write_files(data, size);
  const primrec::Reading reading = primrec::read_parameters("");
  const std::string check = primrec::check_parameters(reading.parameters);
  if (!reading.ok()) {
    // cosm_p.in holds nu_number as a count of at least one; the library also
    // takes N_eff = 0, a universe without neutrinos.
    require(!reading.error.empty() && (!check.empty() || reading.parameters.N_eff == 0));
    return 0;
  }
  require(reading.error.empty() && check.empty());
  check_run_constants(reading.parameters);
  return 0;
}
