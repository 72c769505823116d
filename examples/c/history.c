/* The recombination history of the default parameters through primrec's C
 * interface: one line per row, z, x_e and T_m with 17 significant digits.
 * Build: cmake -S . -B build -DCMAKE_PREFIX_PATH=<prefix> && cmake --build build */
#include <stdio.h>

#include <primrec/primrec.h>

int main(void) {
  primrec_parameters parameters;
  primrec_default_parameters(&parameters);
  primrec_history* history = primrec_solve(&parameters);
  if (primrec_status(history) != PRIMREC_OK) {
    fputs(primrec_message(history), stderr);
    primrec_free(history);
    return 1;
  }
  const double* z = primrec_column(history, PRIMREC_Z);
  const double* x_e = primrec_column(history, PRIMREC_X_E);
  const double* T_m = primrec_column(history, PRIMREC_T_M);
  for (size_t i = 0; i < primrec_rows(history); ++i) {
    printf("%.17g %.17g %.17g\n", z[i], x_e[i], T_m[i]);
  }
  primrec_free(history);
  return 0;
}
