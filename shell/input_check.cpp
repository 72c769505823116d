// The values of the input files as read, each beside the line it came from.
#include "shell/input_check.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cctype>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "input/input_files.h"
#include "primrec/primrec.hpp"

namespace {

using primrec::ParameterField;

// How the readers' message for an input that could not be opened begins.
const std::string opening_message = "error of opening file ";

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

// As the file writes it: an integer without a fraction.
std::string printed_value(const ParameterField& f, const primrec::Parameters& p) {
  const double value = primrec::value_of(f, p);
  return f.scan == primrec::Scan::real ? shortest(value) : std::to_string(static_cast<int>(value));
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
const ParameterField* other_named(const ParameterField& f, const std::string& label) {
  const std::string name = named_in(label);
  for (const ParameterField& other : primrec::parameter_fields)
    if (&other != &f && std::string(other.file) == f.file && name == other.label) return &other;
  return nullptr;
}

long line_at(const std::string& text, size_t offset) {
  long line = 1;
  for (size_t i = 0; i < offset; ++i) line += text[i] == '\n';
  return line;
}

// Every value read, with its field, its place and the text of its file.
template <class Visit>
void for_each_value_read(const primrec::InputLog& log, Visit visit) {
  std::string file, text;
  int place = 0;
  for (const primrec::ValuePlace& where : log.places) {
    if (where.file != file) {
      text = contents(file = where.file);
      place = 0;
    }
    if (const ParameterField* field = primrec::field_at(file, place++)) visit(*field, where, text);
  }
}

// The warnings of values that are legal but almost surely a mistake, each
// after the file and line of its value, on standard error: standard output
// keeps its bytes.
void print_plausibility_warnings(const primrec::InputLog& log, const std::vector<primrec::PlausibilityWarning>& warnings) {
  for (const primrec::PlausibilityWarning& warning : warnings) {
    std::string where;
    for_each_value_read(log, [&](const ParameterField& f, const primrec::ValuePlace& place, const std::string& text) {
      if (warning.parameter == f.name)
        where = f.file + (":" + std::to_string(line_at(text, std::min(text.size(), size_t(place.value_begin))))) + ": ";
    });
    std::fprintf(stderr, "warning: %s%s\n", where.c_str(), warning.message.c_str());
  }
}

// The text a value was read from: after the "=" and white space, up to white
// space or the next "="; `begin` where it starts.
std::string word_read(const std::string& text, size_t from, size_t* begin) {
  const auto space = [](char ch) { return std::isspace(static_cast<unsigned char>(ch)) != 0; };
  size_t i = std::min(text.size(), from);
  while (i < text.size() && space(text[i])) ++i;
  *begin = i;
  while (i < text.size() && !space(text[i]) && text[i] != '=') ++i;
  return text.substr(*begin, i - *begin);
}

// One number of the field's kind, the whole word: what the readers accept.
bool is_number(const ParameterField& f, const std::string& word) {
  if (word.empty()) return false;
  if (f.scan == primrec::Scan::real) {
    char* end = nullptr;
    std::strtod(word.c_str(), &end);
    return end == word.c_str() + word.size();
  }
  const size_t digits = word[0] == '-' || word[0] == '+' ? 1 : 0;
  return digits < word.size() && std::all_of(word.begin() + static_cast<long>(digits), word.end(), [](char ch) {
           return std::isdigit(static_cast<unsigned char>(ch)) != 0;
         });
}

// "file:line: label = text cannot be read as a number; " for the first value
// read whose text is no number ("0.0.493", "70km", a label where the number
// should be); empty when every text is one.
std::string first_unreadable(const primrec::InputLog& log) {
  std::string said;
  for_each_value_read(log, [&](const ParameterField& f, const primrec::ValuePlace& place, const std::string& text) {
    size_t begin = 0;
    const std::string word = word_read(text, static_cast<size_t>(std::max(0L, place.value_begin)), &begin);
    if (said.empty() && !is_number(f, word))
      said = f.file + (":" + std::to_string(line_at(text, begin))) + ": " + f.label + " = " +
             (word.empty() ? std::string("(nothing)") : word) + " cannot be read as a " +
             (f.scan == primrec::Scan::real ? "number; " : "whole number; ");
  });
  return said;
}

void print_value(const ParameterField& f, const primrec::ValuePlace& place, const std::string& text,
                 const primrec::Parameters& p) {
  const size_t value_begin = std::min(text.size(), static_cast<size_t>(place.value_begin));
  const size_t label_begin = std::min(value_begin, static_cast<size_t>(place.label_begin));
  const long line = line_at(text, value_begin);
  std::printf("%s:%ld: %s = %s%s%s\n", f.file, line, f.label, printed_value(f, p).c_str(), f.unit[0] ? " " : "",
              f.unit);
  const std::string label = text.substr(label_begin, value_begin - label_begin);
  if (const ParameterField* other = other_named(f, label))
    std::printf("warning: %s:%ld: the label names %s, but the value there is read as %s\n", f.file, line,
                other->label, f.label);
}

}  // namespace

int check_inputs() {
  primrec::Parameters p = primrec::initial_input_values();
  primrec::InputLog log;
  const bool passed = primrec::read_input_files("", p, log);
  for_each_value_read(log, [&](const ParameterField& f, const primrec::ValuePlace& where, const std::string& text) {
    print_value(f, where, text, p);
  });
  if (passed) print_plausibility_warnings(log, primrec::plausibility_warnings(p));
  std::fputs(log.messages.c_str(), stdout);
  std::fputs(log.error.c_str(), stdout);
  if (!log.error.empty() && log.error.back() != '\n') std::fputs("\n", stdout);
  explain_input_error(log.error);
  std::fputs(passed ? "the inputs would run\n" : "the inputs would not run\n", stdout);
  return passed ? 0 : 1;
}

void warn_of_implausible_values(const primrec::Parameters& p) {
  const std::vector<primrec::PlausibilityWarning> warnings = primrec::plausibility_warnings(p);
  if (warnings.empty()) return;
  // The places of the values: the files once more, read only on this rare path.
  primrec::Parameters again = primrec::initial_input_values();
  primrec::InputLog log;
  primrec::read_input_files("", again, log);
  print_plausibility_warnings(log, warnings);
}

void explain_input_error(const std::string& error) {
  if (error.compare(0, opening_message.size(), opening_message) != 0) return;
  std::string name = error.substr(opening_message.size());
  while (!name.empty() && name.back() == '\n') name.pop_back();
  char here[4096];
  const std::string directory = getcwd(here, sizeof here) != nullptr ? here : ".";
  struct stat status;
  if (stat(name.c_str(), &status) != 0 && errno == ENOENT)
    std::fprintf(stderr, "the run directory %s has no %s; to start, copy the default inputs there: "
                 "cp examples/default/*.in %s/ (in primrec's source tree)\n",
                 directory.c_str(), name.c_str(), directory.c_str());
  else
    std::fprintf(stderr, "%s/%s cannot be opened: an input must be a regular file the run may read and write\n",
                 directory.c_str(), name.c_str());
}

void explain_directory_error(const char* directory) {
  std::fprintf(stderr, "to start a run there: mkdir -p %s && cp examples/default/*.in %s/ (in primrec's source tree)\n",
               directory, directory);
}

std::string check_command(const char* directory) {
  std::string command = "primrec --check";
  if (directory == nullptr) return command;
  const std::string dir = directory;
  const bool plain = !dir.empty() && std::all_of(dir.begin(), dir.end(), [](char ch) {
    return std::isalnum(static_cast<unsigned char>(ch)) || std::strchr("_./-+,:@%", ch) != nullptr;
  });
  if (plain) return command + " " + dir;
  std::string quoted = "'";
  for (char ch : dir) quoted += ch == '\'' ? std::string("'\\''") : std::string(1, ch);
  return command + " " + quoted + "'";
}

void point_to_check(const std::string& error, const std::string& check) {
  if (error.empty() || error.compare(0, opening_message.size(), opening_message) == 0) return;
  primrec::Parameters p = primrec::initial_input_values();
  primrec::InputLog log;
  primrec::read_input_files("", p, log);
  std::fprintf(stderr, "%s%s lists every input value as read, with its file line\n", first_unreadable(log).c_str(),
               check.c_str());
}
