// primrec --check: the five input files as the program reads them, value by
// value, without running.
#pragma once

#include <string>

#include "primrec/parameters.hpp"

// Prints every value read, with its name, unit and the line it came from, a
// warning for a label that names another value of its file, then the messages
// of the reading and whether the inputs would run. Returns the exit status:
// 0 when they would, 1 when not. Values that would run but are almost surely a
// mistake are warned of on standard error.
int check_inputs();

// On standard error, a warning for every value of the parameters that passes
// its check but is almost surely a mistake (H0 as little h, ...), after the
// file and line of the input in the working directory that holds it.
void warn_of_implausible_values(const primrec::Parameters& p);

// On standard error, after the program's message for an input file that could
// not be opened: the run directory, the file, and how to start (copy the
// default inputs there) when it is missing. Nothing for other messages.
void explain_input_error(const std::string& error);

// On standard error, after "cannot enter the directory DIR": how to start a run there.
void explain_directory_error(const char* directory);

// The command that checks the inputs of the run directory as given on the
// command line (nullptr: the working directory), quoted for a shell.
std::string check_command(const char* directory);

// On standard error, after the program's message for an input value that
// failed its check: the value whose text is no number, with its file line,
// when there is one, and `check` (check_command) to list every value as read.
// Nothing for a file that could not be opened.
void point_to_check(const std::string& error, const std::string& check);
