// primrec: the recombination history of the primordial hydrogen-helium plasma.
// Run without arguments in a directory holding the five input files; it writes
// the tables there. Exit status 0 on success, 1 on failure.
//
// The program is a shell over the library: it creates the tables, reads the
// inputs, and streams the solve's rows into the tables, printing every message
// where it arises.
#include <cstdio>
#include <string>

#include "input/table_format.h"
#include "primrec/primrec.hpp"

namespace {

// Exit statuses of the program.
constexpr int exit_success = 0;
constexpr int exit_failure = 1;  // an input failed, a step broke down, or a table was not written in full

const char* const overheat_file_name = "Hyd_Rad_Overheat.dat";

// A table file, created (emptied) when the program starts. One that could not
// be created is reported at once and then skipped.
class Table {
 public:
  explicit Table(const char* name) : name_(name), file_(std::fopen(name, "w")) {
    if (file_ == nullptr) std::printf("error of creation of file %s\n", name);
  }
  ~Table() {
    if (file_ != nullptr) std::fclose(file_);
  }
  Table(const Table&) = delete;
  Table& operator=(const Table&) = delete;

  void line(double first, double second) {
    if (file_ == nullptr) return;
    char text[primrec::table_line_length];
    primrec::format_table_line(text, first, second);
    std::fwrite(text, 1, sizeof text, file_);
  }
  // Flushes; a stream that took an error is reported. True when it did.
  bool write_failed() {
    if (file_ == nullptr) return false;
    if (std::fflush(file_) == 0 && !std::ferror(file_)) return false;
    std::printf("error of writing file %s\n", name_);
    return true;
  }

 private:
  const char* name_;
  FILE* file_;
};

// The overheating table of the first pass: created when the solve starts,
// closed when the first pass ends.
class OverheatTable {
 public:
  void create() {
    file_ = std::fopen(overheat_file_name, "w");
    if (file_ == nullptr) std::printf("error of creation of %s\n", overheat_file_name);
  }
  void line(double z, double ln_overheating) {
    if (file_ == nullptr) return;
    char text[primrec::table_line_length];
    primrec::format_table_line(text, z, ln_overheating);
    std::fwrite(text, 1, sizeof text, file_);
  }
  void close() {
    if (file_ == nullptr) return;
    const bool failed = std::ferror(file_) != 0;
    if (std::fclose(file_) != 0 || failed) {
      std::printf("error of writing file %s\n", overheat_file_name);
      write_failed_ = true;
    }
    file_ = nullptr;
  }
  bool write_failed() const { return write_failed_; }

 private:
  FILE* file_ = nullptr;
  bool write_failed_ = false;
};

// The seven tables, in the order they are created.
struct Tables {
  Table HydI{"HydI.dat"}, HydII{"HydII.dat"}, HeI{"HeI.dat"}, HeII{"HeII.dat"}, HeIII{"HeIII.dat"};
  Table el{"el.dat"}, T_matter{"T_matter.dat"};
  OverheatTable overheat;

  int write_failures() {
    int failed = 0;
    for (Table* t : {&HydI, &HydII, &HeI, &HeII, &HeIII, &el, &T_matter})
      if (t->write_failed()) ++failed;
    return failed;
  }
};

// Streams a solve into the tables and its messages to standard output.
class TableWriter : public primrec::Observer {
 public:
  explicit TableWriter(Tables& tables) : t_(tables) {}
  void row(const primrec::Row& r) override {
    t_.el.line(r.z, r.el);
    t_.HydI.line(r.z, r.HydI);
    t_.HydII.line(r.z, r.HydII);
    t_.HeI.line(r.z, r.HeI);
    t_.HeII.line(r.z, r.HeII);
    t_.HeIII.line(r.z, r.HeIII);
    t_.T_matter.line(r.z, r.T_m);
  }
  void overheating_row(const primrec::OverheatingRow& r) override { t_.overheat.line(r.z, r.ln_overheating); }
  void message(const std::string& text) override { std::fputs(text.c_str(), stdout); }
  void pass_finished(int pass) override {
    if (pass == 0) t_.overheat.close();
  }

 private:
  Tables& t_;
};

void report_work(const primrec::Work& work) {
#ifdef PRIMREC_BENCH_COUNTERS
  std::fprintf(stderr, "primrec work: steps=%lld inner_iterations=%lld\n", work.steps, work.inner_iterations);
#else
  (void)work;
#endif
}

// A failed input, a step whose result is not a finite number, or a table that
// could not be written in full, is a failure: neither nan nor a full disk may
// look like success. A table that could not be created is reported when the
// program starts; the run completes without it.
int run_primrec() {
  Tables tables;
  int status = exit_success;
  const primrec::Reading reading = primrec::read_parameters("");
  std::fputs(reading.messages.c_str(), stdout);
  std::fputs(reading.error.c_str(), stdout);
  if (reading.ok()) {
    tables.overheat.create();
    TableWriter writer(tables);
    const primrec::Solution solution = primrec::solve(reading.parameters, writer);
    std::fputs(solution.error.c_str(), stdout);
    tables.overheat.close();
    if (!solution.ok()) status = exit_failure;
    report_work(solution.work);
  } else {
    status = exit_failure;
  }
  if (tables.write_failures() != 0) status = exit_failure;
  if (tables.overheat.write_failed()) status = exit_failure;
  return status;
}

}  // namespace

int main() { return run_primrec(); }
