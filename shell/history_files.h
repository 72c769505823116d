// A finished history written into a directory as a run of the program leaves
// it: the eight tables and the five input files that reproduce it, under the
// directory's lock, under temporary names put in place only when all of them
// were written in full.
#pragma once

#include <string>

#include "primrec/primrec.hpp"

struct HistoryWriting {
  enum class Outcome { written, refused_value, failed } outcome = Outcome::written;
  std::string message;  // what failed, as the program says it
};

// `directory` must exist. Nothing in it changes unless every file is written;
// refused_value: a parameter that its input file cannot hold (a fraction or
// zero for nu_number, say).
HistoryWriting write_history(const std::string& directory, const primrec::History& history,
                             const primrec::Parameters& parameters);
