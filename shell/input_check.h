// primrec --check: the five input files as the program reads them, value by
// value, without running.
#pragma once

// Prints every value read, with its name, unit and the line it came from, a
// warning for a label that names another value of its file, then the messages
// of the reading and whether the inputs would run. Returns the exit status:
// 0 when they would, 1 when not.
int check_inputs();
