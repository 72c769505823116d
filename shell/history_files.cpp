// History.write of the Python module: a history's files, as a run writes them.
#include "shell/history_files.h"

#include <charconv>
#include <cmath>
#include <climits>
#include <memory>
#include <vector>

#include "input/input_files.h"
#include "shell/run_directory.h"

namespace {

const char* const input_files[] = {"redshifts.in", "fine_effects.in", "fund.in", "fudge_factors.in", "cosm_p.in"};
const char* const creation_message = "error of creation of file %s\n";
// The program names the overheating table without "file".
const char* const overheat_creation_message = "error of creation of %s\n";

// The shortest text that reads back as the value.
std::string shortest(double value) {
  char text[32];
  return std::string(text, std::to_chars(text, text + sizeof text, value).ptr);
}

// An integer of a file is a count above 0 within the range of an int.
bool fits_integer(double value) { return value == std::floor(value) && value >= 1 && value <= INT_MAX; }

// "label = value" for each value of the file in its order: the reader takes
// the text before "=" as the label and the number after it as the value.
bool input_text(const char* file, const primrec::Parameters& p, std::string& text, std::string& refusal) {
  for (int place = 0;; ++place) {
    const primrec::ParameterField* field = primrec::field_at(file, place);
    if (field == nullptr) return true;
    const double value = primrec::value_of(*field, p);
    if (field->scan == primrec::Scan::integer && !fits_integer(value)) {
      refusal = std::string(field->label) + " = " + shortest(value) + " cannot be written in " + file +
                ", which holds it as an integer > 0\n";
      return false;
    }
    text += std::string(field->label) + " = " +
            (field->scan == primrec::Scan::integer ? std::to_string(static_cast<int>(value)) : shortest(value)) +
            "\n";
  }
}

void write_table(TableFile& file, const std::vector<double>& z, const std::vector<double>& column) {
  for (size_t i = 0; i < z.size() && i < column.size(); ++i) file.line(z[i], column[i]);
}

}  // namespace

HistoryWriting write_history(const std::string& directory, const primrec::History& h,
                             const primrec::Parameters& parameters) {
  HistoryWriting result;
  std::string texts[5];
  for (int i = 0; i < 5; ++i) {
    if (!input_text(input_files[i], parameters, texts[i], result.message)) {
      result.outcome = HistoryWriting::Outcome::refused_value;
      return result;
    }
  }
  result.outcome = HistoryWriting::Outcome::failed;
  const DirectoryLock lock(directory);
  if (lock.state() != DirectoryLock::State::held) {
    result.message = lock.state() == DirectoryLock::State::in_use ? lock_in_use_message : lock_impossible_message;
    return result;
  }
  lock.remove_left_temporaries();
  const int d = lock.descriptor();
  std::string& says = result.message;
  const std::pair<const char*, const std::vector<double>*> tables[] = {
      {"HydI.dat", &h.HydI}, {"HydII.dat", &h.HydII}, {"HeI.dat", &h.HeI},         {"HeII.dat", &h.HeII},
      {"HeIII.dat", &h.HeIII}, {"el.dat", &h.el},   {"T_matter.dat", &h.T_m}};
  std::vector<std::unique_ptr<TableFile>> files;
  for (const auto& table : tables) {
    files.push_back(std::make_unique<TableFile>(d, table.first, creation_message, says));
    write_table(*files.back(), h.z, *table.second);
  }
  files.push_back(std::make_unique<TableFile>(d, "Hyd_Rad_Overheat.dat", overheat_creation_message, says));
  for (const primrec::OverheatingRow& row : h.overheating) files.back()->line(row.z, row.ln_overheating);
  for (int i = 0; i < 5; ++i) {
    files.push_back(std::make_unique<TableFile>(d, input_files[i], creation_message, says));
    files.back()->text(texts[i]);
  }
  bool complete = true;
  for (const auto& file : files) complete = file->created() && complete;
  for (const auto& file : files) complete = file->close() && complete;
  if (!complete) return result;  // the temporaries go with the files
  for (const auto& file : files) complete = file->publish() && complete;
  if (complete) result.outcome = HistoryWriting::Outcome::written;
  return result;
}
