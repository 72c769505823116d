// Plasma components: construction, reset at the start of a pass, the electron
// sum, and the electron column of the tables.
#include "driver/plasma.h"

#include <cmath>

namespace primrec {

comp_of_plasm::comp_of_plasm(int index_, double start, double charge_)
    : x(start),
      x_(start),
      xi(xi_armed),
      x_begin(start),
      index(index_),
      charge(charge_),
      next(nullptr) {}

void comp_of_plasm::Init_plasm_comp(double start) {
  x_begin = start;
  x = start;
  x_ = start;
  xi = xi_armed;
}

void electrons::abundance(const comp_of_plasm* first, double delta_el) {
  double free_electrons = 0.0;
  for (const comp_of_plasm* c = first; c != nullptr; c = c->next) free_electrons += c->charge * c->x;
  x = delta_el * free_electrons;
}

void Plasma::Set_pointers() {
  HydI.next = &HydII;
  HydII.next = &HeI;
  HeI.next = &HeII;
  HeII.next = &HeIII;
  HeIII.next = nullptr;
}

PlasmaValues values_of(const Plasma& plasma) {
  PlasmaValues v;
  for (const comp_of_plasm* c = plasma.first_comp; c != nullptr; c = c->next) {
    v.x[c->index] = c->x;
    v.x_[c->index] = c->x_;
    v.x_begin[c->index] = c->x_begin;
  }
  v.El_x = plasma.El.x;
  v.El_x_ = plasma.El.x_;
  return v;
}

void restore(Plasma& plasma, const PlasmaValues& v) {
  for (comp_of_plasm* c = plasma.first_comp; c != nullptr; c = c->next) {
    c->x = v.x[c->index];
    c->x_ = v.x_[c->index];
    c->x_begin = v.x_begin[c->index];
  }
  plasma.El.x = v.El_x;
  plasma.El.x_ = v.El_x_;
}

// The electron column is printed relative to hydrogen, times the Lorentzian
// perturbation factor 1 + A / (u^2 + 1); the kinetics never see that factor.
double printed_electron_fraction(const Constants& cs, double z, double El_x) {
  const double u = (z - cs.z_perturbation) / cs.Delta_z_perturbation;
  const double f = cs.A_perturbation_H / (u * u + 1);
  return (f + 1) * ((El_x * cs.N0_e) / cs.N0_H);
}

double electrons_per_hydrogen(const Constants& cs, double El_x) { return (El_x * cs.N0_e) / cs.N0_H; }

}  // namespace primrec
