// The trapezoidal update of the abundances, by sweep or by direct solve. The
// two sum the same terms grouped differently (the sweep in the order that
// fixes the default mode's bits), so they agree to rounding, not bit for bit.
#include "driver/abundance_update.h"

#include <cmath>
#include <utility>

namespace primrec {

namespace {

constexpr int n = number_of_components;

void gaussian_elimination(double (&A)[n][n], double (&b)[n], double (&x)[n]) {
  for (int k = 0; k < n; ++k) {
    int pivot = k;
    for (int i = k + 1; i < n; ++i)
      if (std::fabs(A[i][k]) > std::fabs(A[pivot][k])) pivot = i;
    if (pivot != k) {
      std::swap(A[pivot], A[k]);
      std::swap(b[pivot], b[k]);
    }
    for (int i = k + 1; i < n; ++i) {
      const double f = A[i][k] / A[k][k];
      if (f == 0) continue;
      for (int j = k; j < n; ++j) A[i][j] -= f * A[k][j];
      b[i] -= f * b[k];
    }
  }
  for (int i = n - 1; i >= 0; --i) {
    double s = b[i];
    for (int j = i + 1; j < n; ++j) s -= A[i][j] * x[j];
    x[i] = s / A[i][i];
  }
}

}  // namespace

// Only this component's own x is implicit; the others enter with their latest
// values, already updated in this sweep for those before it in the list.
void comp_of_plasm::abundance(const comp_of_plasm* first, const KineticMatrix& km, double D) {
  double S = 0.0;
  double L = 0.0;
  for (const comp_of_plasm* o = first; o != nullptr; o = o->next) {
    S = km.weight_now * km.matrix[o->index][index] * o->x + S;
    S = (km.matrix_[o->index][index] * o->x_ - km.matrix_[index][o->index] * x_) * km.weight_previous + S;
    L = km.weight_now * km.matrix[index][o->index] + L;
  }
  x = ((-1 / D) * x_ + S) / ((-1 / D) + L);
}

void abundances(Plasma& plasma, const KineticMatrix& km, double D, double delta_el) {
  for (comp_of_plasm* c = plasma.first_comp; c != nullptr; c = c->next) c->abundance(plasma.first_comp, km, D);
  plasma.El.abundance(plasma.first_comp, delta_el);
}

void solve_abundances(Plasma& plasma, const KineticMatrix& km, double D) {
  const double a = -1 / D;
  double A[n][n] = {}, b[n], x[n];
  for (const comp_of_plasm* t = plasma.first_comp; t != nullptr; t = t->next) {
    const int i = t->index;
    double loss = 0, previous = 0;
    for (const comp_of_plasm* o = plasma.first_comp; o != nullptr; o = o->next) {
      const int j = o->index;
      loss += km.weight_now * km.matrix[i][j];
      previous += (km.matrix_[j][i] * o->x_ - km.matrix_[i][j] * t->x_) * km.weight_previous;
      A[i][j] -= km.weight_now * km.matrix[j][i];
    }
    A[i][i] += a + loss;
    b[i] = a * t->x_ + previous;
  }
  gaussian_elimination(A, b, x);
  for (comp_of_plasm* t = plasma.first_comp; t != nullptr; t = t->next) t->x = x[t->index];
}

// x - alpha x_ + beta x__ = gamma x', with w = D / D_before: alpha = (1 + w)^2
// / (1 + 2 w), beta = w^2 / (1 + 2 w), gamma = D (1 + w) / (1 + 2 w); x' the
// balance at the step's end alone, weighed by 1 / H(z) (weight_now / ww).
void solve_abundances_bdf2(Plasma& plasma, const KineticMatrix& km, double D, double D_before,
                           const double* x_two_back) {
  const double w = D / D_before;
  const double alpha = (1 + w) * (1 + w) / (1 + 2 * w), beta = w * w / (1 + 2 * w);
  const double a = -1 / (D * (1 + w) / (1 + 2 * w)), weight = km.weight_now / ww;
  double A[n][n] = {}, b[n], x[n];
  for (const comp_of_plasm* t = plasma.first_comp; t != nullptr; t = t->next) {
    const int i = t->index;
    double loss = 0;
    for (const comp_of_plasm* o = plasma.first_comp; o != nullptr; o = o->next) {
      const int j = o->index;
      loss += weight * km.matrix[i][j];
      A[i][j] -= weight * km.matrix[j][i];
    }
    A[i][i] += a + loss;
    b[i] = a * (alpha * t->x_ - beta * x_two_back[i]);
  }
  gaussian_elimination(A, b, x);
  for (comp_of_plasm* t = plasma.first_comp; t != nullptr; t = t->next) t->x = x[t->index];
}

}  // namespace primrec
