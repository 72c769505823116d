/* Times whole histories as a C or Fortran caller gets them: primrec_solve_with
 * on the default parameters, one thread, the history kept in memory with its
 * rows on the input's grid. The default mode and the fast mode alternate in
 * the same run; each time is the median of the repetitions after a warm-up of
 * each. Then the fast mode's largest relative deviation of x_e and T_m over
 * 1 <= z <= 8000 from the default mode at step 2e-5 (between its rows by
 * primrec_x_e_at / primrec_T_m_at).
 *
 *   build/release/primrec-c-timer [repetitions [tolerance]]
 */
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>

#include "primrec/primrec.h"

static double now_ms(void) {
  struct timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return t.tv_sec * 1e3 + t.tv_nsec * 1e-6;
}

static int by_value(const void* a, const void* b) {
  const double x = *(const double*)a, y = *(const double*)b;
  return (x > y) - (x < y);
}

static double median(double* v, int n) {
  qsort(v, (size_t)n, sizeof *v, by_value);
  return v[n / 2];
}

/* One solve, timed; exits on a failure, which a benchmark must not hide. */
static double timed(const primrec_parameters* p, const primrec_options* o, size_t* rows) {
  const double start = now_ms();
  primrec_history* h = primrec_solve_with(p, o);
  const double ms = now_ms() - start;
  if (primrec_status(h) != PRIMREC_OK) {
    fprintf(stderr, "primrec-c-timer: %s", primrec_message(h));
    exit(1);
  }
  *rows = primrec_rows(h);
  primrec_free(h);
  return ms;
}

static void largest_deviation(const primrec_parameters* p, const primrec_options* fast, double* x_e, double* T_m) {
  primrec_parameters fine = *p;
  fine.step = 2e-5;
  fine.output_stride = 1;
  primrec_history* reference = primrec_solve(&fine);
  primrec_history* h = primrec_solve_with(p, fast);
  if (primrec_status(reference) != PRIMREC_OK || primrec_status(h) != PRIMREC_OK) {
    fprintf(stderr, "primrec-c-timer: %s%s", primrec_message(reference), primrec_message(h));
    exit(1);
  }
  const double* z = primrec_column(h, PRIMREC_Z);
  const double* x = primrec_column(h, PRIMREC_X_E);
  const double* T = primrec_column(h, PRIMREC_T_M);
  *x_e = *T_m = 0;
  for (size_t i = 0; i < primrec_rows(h); ++i) {
    if (z[i] < 1 || z[i] > 8000) continue;
    const double dx = fabs(x[i] / primrec_x_e_at(reference, z[i]) - 1);
    const double dT = fabs(T[i] / primrec_T_m_at(reference, z[i]) - 1);
    if (dx > *x_e) *x_e = dx; /* NaN (outside the reference's rows) is skipped */
    if (dT > *T_m) *T_m = dT;
  }
  primrec_free(h);
  primrec_free(reference);
}

int main(int argc, char** argv) {
  const int repetitions = argc > 1 && atoi(argv[1]) > 0 ? atoi(argv[1]) : 21;
  primrec_parameters p;
  primrec_default_parameters(&p);
  primrec_options plain, fast;
  primrec_default_options(&plain);
  primrec_default_options(&fast);
  fast.fast = 1;
  if (argc > 2) fast.tolerance = atof(argv[2]);
  double* times_plain = malloc(sizeof(double) * (size_t)repetitions);
  double* times_fast = malloc(sizeof(double) * (size_t)repetitions);
  if (times_plain == NULL || times_fast == NULL) return 1;
  size_t rows_plain = 0, rows_fast = 0;
  timed(&p, &plain, &rows_plain);
  timed(&p, &fast, &rows_fast);
  for (int i = 0; i < repetitions; ++i) {
    times_plain[i] = timed(&p, &plain, &rows_plain);
    times_fast[i] = timed(&p, &fast, &rows_fast);
  }
  const double m_plain = median(times_plain, repetitions), m_fast = median(times_fast, repetitions);
  double x_e, T_m;
  largest_deviation(&p, &fast, &x_e, &T_m);
  printf("default parameters, %d feedback levels, one thread, in memory, median of %d after a warm-up:\n",
         p.feedback_levels, repetitions);
  printf("  default mode                 %8.3f ms  (%zu rows)\n", m_plain, rows_plain);
  printf("  fast mode, tolerance %-7g %8.3f ms  (%zu rows), %.1f times faster\n", fast.tolerance, m_fast, rows_fast,
         m_plain / m_fast);
  printf("  fast mode against the default mode at step 2e-5, 1 <= z <= 8000: x_e %.2e, T_m %.2e\n", x_e, T_m);
  free(times_plain);
  free(times_fast);
  return 0;
}
