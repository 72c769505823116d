// The plasma: five components (HydI, HydII, HeI, HeII, HeIII) and the free
// electrons El, each with its abundance now and at the previous step.
// Abundances of components are relative to all nuclei, N0_nuclear (1+z)^3; the
// electrons' is relative to the fully ionised plasma, N0_e (1+z)^3. The
// components form a list walked from first_comp in the order
// HydI -> HydII -> HeI -> HeII -> HeIII, which fixes the order of every sweep.
#pragma once

#include "input/constants.h"

namespace primrec {

struct KineticMatrix;

constexpr int number_of_components = 5;

// Every step arms the previous-inner-iteration values with this: no abundance
// exceeds 1, so the first convergence test of a step always fails.
constexpr double xi_armed = 1e8;

class comp_of_plasm {
 public:
  double x;        // abundance at the current step
  double x_;       // abundance at the previous redshift step
  double xi;       // abundance at the previous inner iteration (1e8 when a step begins)
  double x_begin;  // start value, at z_begin
  int index;       // row and column in the kinetic matrices, 0..4
  double charge;   // free electrons per particle: 0, 1 or 2
  comp_of_plasm* next;  // next component in the list, or null at the end

  comp_of_plasm(int index, double start, double charge);
  comp_of_plasm(const comp_of_plasm&) = delete;
  comp_of_plasm& operator=(const comp_of_plasm&) = delete;

  // Resets the component to a new start value.
  void Init_plasm_comp(double start);
  // Implicit update of x over one step of D in ln(1+z), summing over the list
  // from `first` (driver/abundance_update.cpp).
  void abundance(const comp_of_plasm* first, const KineticMatrix& km, double D);
};

class electrons {
 public:
  double x = 1.0;  // electron abundance now: 1 means fully ionised
  double x_ = 0.0; // at the previous redshift step

  // x = delta_el * sum of charge * x over the list from `first`, in list order.
  void abundance(const comp_of_plasm* first, double delta_el);
};

struct Plasma {
  comp_of_plasm HydI{0, 0.0, 0.0};   // neutral hydrogen
  comp_of_plasm HydII{1, 1.0, 1.0};  // ionised hydrogen
  comp_of_plasm HeI{2, 0.0, 0.0};    // neutral helium
  comp_of_plasm HeII{3, 0.0, 1.0};   // singly ionised helium
  comp_of_plasm HeIII{4, 0.0, 2.0};  // doubly ionised helium
  electrons El;                      // free electrons, not in the list
  comp_of_plasm* const first_comp = &HydI;  // head of the component list

  Plasma() { Set_pointers(); }
  Plasma(const Plasma&) = delete;
  Plasma& operator=(const Plasma&) = delete;

  // Links the five components into their list.
  void Set_pointers();
};

// What a step hands the next of the five components and the electrons, so that
// a pass can go on from a step another pass reached.
struct PlasmaValues {
  double x[number_of_components], x_[number_of_components], x_begin[number_of_components];
  double El_x, El_x_;
};
PlasmaValues values_of(const Plasma& plasma);
void restore(Plasma& plasma, const PlasmaValues& values);

// The second column of "el.dat" at z: free electrons per hydrogen nucleus times
// the perturbation factor of fudge_factors.in.
double printed_electron_fraction(const Constants& cs, double z, double El_x);
// Free electrons per hydrogen nucleus, n_e / n_H.
double electrons_per_hydrogen(const Constants& cs, double El_x);

}  // namespace primrec
