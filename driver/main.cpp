// primrec: the recombination history of the primordial hydrogen-helium plasma.
// Run without arguments in a directory holding the five input files; it writes
// the abundance tables there. Exit status 0 on success, 1 on failure.
#include "driver/run_sequence.h"

int main() { return run_primrec(); }
