// Redshift stepping and the convergence loop of each step.
#include "driver/stepping.h"

double z = 0.0;
double z_ = 0.0;
double ln_1_plus_z = 0.0;

int Set_Initial_Conditions(double) { return 0; }

int Iteration_of_Process(int, int) { return 0; }
