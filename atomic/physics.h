// The physics of one run: its constants, its atomic data, and the values the
// rate and background functions remember between calls.
//
// Every formula function of the atomic and transfer layers takes the run's
// Physics: two runs never share one, so they can go on side by side in any
// threads and each gets the bits it would get alone.
#pragma once

#include "atomic/atomic_data.h"
#include "input/constants.h"
#include "input/last_value.h"

namespace primrec {

// The seven rate coefficients that follow the radiation temperature alone.
struct RadiationRates {
  double recomb_HeIII, ion_HeII, recomb_HeII, ion_HeI, recomb_orto_HeII, ion_orto_HeI, ion_HydI;
};

// Values of pure functions remembered with their inputs, bit for bit: a step
// asks for most of them several times with the same inputs.
struct Memos {
  recent_values<2, double> H;                  // expansion rate at the step's z and z_
  last_value<double> recomb_HeIII;             // itself and for ion_HeII, at one temperature
  last_value<double> recomb_HeII;              // itself and for ion_HeI
  last_value<double> recomb_orto_HeII;         // itself and for ion_orto_HeI
  last_value<double> g_e;                      // four photoionisation rates at one temperature
  recent_values<3, double, double> crs_sctn;   // the three frequencies of the HeI lines
  // At the step's radiation temperature and the previous step's: the fast
  // mode's next step asks again for the second.
  recent_results<2, RadiationRates, double> radiation_rates;
};

struct Physics {
  // Fixed for the run: the memos and the powers taken once assume they never change.
  const Constants cs;  // input values and derived constants
  const AtomicData at;  // atomic data of H, HeII and HeI
  Memos memo;

  explicit Physics(const Constants& constants) : cs(constants), at(derive_atomic_data(constants)) {}

  // The expansion rate H(z) [s^-1], remembered for the last two redshifts.
  double H(double z) {
    return memo.H([this, z] { return primrec::H(cs, z); }, z);
  }
};

}  // namespace primrec
