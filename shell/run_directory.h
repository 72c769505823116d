// What the program does to its run directory: it holds the directory for
// itself while it works, writes every table under a temporary name, and puts
// the tables in place only when the run has completed, so that a run that
// fails or is interrupted leaves the earlier tables exactly as they were.
#pragma once

#include <signal.h>

#include <atomic>
#include <cstdio>
#include <memory>
#include <string>

// An exclusive lock on the working directory, held for the object's lifetime.
class DirectoryLock {
 public:
  DirectoryLock();
  ~DirectoryLock();
  DirectoryLock(const DirectoryLock&) = delete;
  DirectoryLock& operator=(const DirectoryLock&) = delete;
  // False when another run holds the directory.
  bool acquired() const { return acquired_; }

 private:
  int fd_ = -1;
  bool acquired_ = true;
};

// SIGINT, SIGTERM and SIGHUP set `cancel` and are remembered; a second one
// removes the temporaries and ends the program at once.
class InterruptWatch {
 public:
  InterruptWatch();
  const std::atomic<bool>& cancel() const;
  // The number of the signal received, or 0.
  int signal_received() const;
};

// Holds back the interrupts for its lifetime (they arrive when it ends): the
// tables are put in place all of them or, if it comes first, none.
class InterruptsHeld {
 public:
  InterruptsHeld();
  ~InterruptsHeld();
  InterruptsHeld(const InterruptsHeld&) = delete;
  InterruptsHeld& operator=(const InterruptsHeld&) = delete;

 private:
  sigset_t previous_;
};

// Ends the program by the signal, after the output is flushed: a shell sees
// the program interrupted (status 128 + n) and stops a loop around it.
[[noreturn]] void end_by_signal(int signal_number);

// One table, written under a temporary name next to it.
class TableFile {
 public:
  // `creation_message` is printf's format of the message for a table that
  // cannot be created, with %s for its name.
  TableFile(const char* name, const char* creation_message);
  ~TableFile();  // removes the temporary unless the table was put in place
  TableFile(const TableFile&) = delete;
  TableFile& operator=(const TableFile&) = delete;

  void line(double first, double second);
  // A line whose first field is already formatted (format_table_field).
  void line(const char* first_field, double second);
  // Closes the temporary; false, after "error of writing file <name>", when a
  // write failed.
  bool close();
  // Puts the table in place (replacing a link rather than writing through it);
  // false, after the creation message, when it cannot be.
  bool publish();

 private:
  const char* name_;
  const char* creation_message_;
  std::string temporary_;  // empty when the table could not be created
  std::unique_ptr<char[]> buffer_;  // the file's, until it is closed
  FILE* file_ = nullptr;
  bool write_failed_ = false;
};
