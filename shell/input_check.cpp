// The values of the input files as read, each beside the line it came from.
#include "shell/input_check.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "input/input_files.h"

namespace {

// A value of the files, in the order it is read.
struct Field {
  const char* file;
  const char* name;
  const char* unit;  // "" for a pure number
  double primrec::Parameters::*real;
  int primrec::Parameters::*integer;
};

using P = primrec::Parameters;
const Field fields[] = {
    {"redshifts.in", "z_begin", "", &P::z_begin, nullptr},
    {"redshifts.in", "z_end", "", &P::z_end, nullptr},
    {"redshifts.in", "step", "in ln(1+z)", &P::step, nullptr},
    {"redshifts.in", "norm", "", &P::norm, nullptr},
    {"redshifts.in", "number_of_info_points", "steps", nullptr, &P::number_of_info_points},
    {"fine_effects.in", "Number_of_levels_for_Resonant_Feedback", "", nullptr,
     &P::Number_of_levels_for_Resonant_Feedback},
    {"fund.in", "G", "cm^3 g^-1 s^-2", &P::G, nullptr},
    {"fund.in", "h", "erg s", &P::h, nullptr},
    {"fund.in", "c", "cm s^-1", &P::c, nullptr},
    {"fund.in", "me", "g", &P::me, nullptr},
    {"fund.in", "mp", "g", &P::mp, nullptr},
    {"fund.in", "e", "esu", &P::e, nullptr},
    {"fund.in", "kB", "erg K^-1", &P::kB, nullptr},
    {"fudge_factors.in", "F_H", "", &P::F_H, nullptr},
    {"fudge_factors.in", "A_perturbation_H", "", &P::A_perturbation_H, nullptr},
    {"fudge_factors.in", "z_perturbation", "", &P::z_perturbation, nullptr},
    {"fudge_factors.in", "Delta_z_perturbation", "", &P::Delta_z_perturbation, nullptr},
    {"cosm_p.in", "H0", "km s^-1 Mpc^-1", &P::H0, nullptr},
    {"cosm_p.in", "omega_m", "", &P::omega_m, nullptr},
    {"cosm_p.in", "omega_lambda", "", &P::omega_lambda, nullptr},
    {"cosm_p.in", "nu_number", "", nullptr, &P::nu_number},
    {"cosm_p.in", "omega_b", "", &P::omega_b, nullptr},
    {"cosm_p.in", "X_M", "", &P::X_M, nullptr},
    {"cosm_p.in", "T0", "K", &P::T0, nullptr},
};

std::string contents(const std::string& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// The shortest text that reads back as the value.
std::string shortest(double value) {
  char text[32];
  return std::string(text, std::to_chars(text, text + sizeof text, value).ptr);
}

std::string value_of(const Field& f, const primrec::Parameters& p) {
  return f.real != nullptr ? shortest(p.*f.real) : std::to_string(p.*f.integer);
}

// The first name written in a label: what the label says the value is.
std::string named_in(const std::string& label) {
  size_t begin = 0;
  const auto word = [](char ch) { return std::isalnum(static_cast<unsigned char>(ch)) || ch == '_'; };
  while (begin < label.size() && !word(label[begin])) ++begin;
  size_t end = begin;
  while (end < label.size() && word(label[end])) ++end;
  return label.substr(begin, end - begin);
}

// Another value of the same file that the label names instead of its own.
const Field* other_named(const Field& f, const std::string& label) {
  const std::string name = named_in(label);
  for (const Field& other : fields)
    if (&other != &f && std::string(other.file) == f.file && name == other.name) return &other;
  return nullptr;
}

void print_value(const Field& f, const primrec::ValuePlace& place, const std::string& text,
                 const primrec::Parameters& p) {
  const size_t value_begin = std::min(text.size(), static_cast<size_t>(place.value_begin));
  const size_t label_begin = std::min(value_begin, static_cast<size_t>(place.label_begin));
  long line = 1;
  for (size_t i = 0; i < value_begin; ++i) line += text[i] == '\n';
  std::printf("%s:%ld: %s = %s%s%s\n", f.file, line, f.name, value_of(f, p).c_str(), f.unit[0] ? " " : "", f.unit);
  const std::string label = text.substr(label_begin, value_begin - label_begin);
  if (const Field* other = other_named(f, label))
    std::printf("warning: %s:%ld: the label names %s, but the value there is read as %s\n", f.file, line,
                other->name, f.name);
}

}  // namespace

int check_inputs() {
  primrec::Parameters p = primrec::initial_input_values();
  primrec::InputLog log;
  const bool passed = primrec::read_input_files("", p, log);
  std::string file, text;
  for (size_t i = 0; i < log.places.size() && i < sizeof fields / sizeof fields[0]; ++i) {
    if (log.places[i].file != file) text = contents(file = log.places[i].file);
    print_value(fields[i], log.places[i], text, p);
  }
  std::fputs(log.messages.c_str(), stdout);
  std::fputs(log.error.c_str(), stdout);
  if (!log.error.empty() && log.error.back() != '\n') std::fputs("\n", stdout);
  std::fputs(passed ? "the inputs would run\n" : "the inputs would not run\n", stdout);
  return passed ? 0 : 1;
}
