// The program's command line: a run directory, --help, --version, --check, an
// unknown option, and the progress line, each with the files it must not touch.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support.h"

using testing_support::copy_default_inputs;
using testing_support::directory_entries;
using testing_support::read_file;
using testing_support::run_command;
using testing_support::ScratchDir;
using testing_support::write_file;

namespace {

std::string primrec_in(const ScratchDir& dir, const std::string& arguments) {
  return "cd '" + dir.path() + "' && '" PRIMREC_EXE "' " + arguments + " </dev/null";
}

TEST(CommandLine, HelpVersionAndUnknownOptionsTouchNothing) {
  ScratchDir dir;
  copy_default_inputs(dir.path());
  const auto before = directory_entries(dir.path());
  const auto help = run_command(primrec_in(dir, "--help"));
  EXPECT_EQ(help.exit_status, 0);
  for (const char* mentioned : {"redshifts.in", "cosm_p.in", "el.dat", "Exit status", "README"})
    EXPECT_NE(help.output.find(mentioned), std::string::npos) << mentioned;
  const auto version = run_command(primrec_in(dir, "--version"));
  EXPECT_EQ(version.exit_status, 0);
  EXPECT_EQ(version.output.rfind("primrec ", 0), 0u) << version.output;
  const auto unknown = run_command(primrec_in(dir, "--frobnicate 2>&1 >/dev/null"));
  EXPECT_EQ(unknown.exit_status, 2);
  EXPECT_EQ(unknown.output.rfind("unknown option --frobnicate\nusage: primrec", 0), 0u) << "usage on standard error";
  EXPECT_EQ(run_command(primrec_in(dir, "one two")).exit_status, 2);
  EXPECT_EQ(directory_entries(dir.path()), before);
}

// Output that could not be written is a failure, whatever else went well:
// the usage, the version and --check's listing into a full disk exit 1.
TEST(CommandLine, OutputThatCannotBeWrittenFails) {
  ScratchDir dir;
  copy_default_inputs(dir.path());
  for (const char* command : {"--help", "--version", "--check"})
    EXPECT_EQ(run_command(primrec_in(dir, std::string(command) + " >/dev/full")).exit_status, 1) << command;
  EXPECT_EQ(run_command(primrec_in(dir, "--help")).exit_status, 0);
}

TEST(CommandLine, ADirectoryArgumentIsTheRunDirectory) {
  ScratchDir here, there;
  testing_support::write_inputs(there.path(), testing_support::inputs_for("1", "3000", "1000", "1e-2"));
  EXPECT_EQ(run_command(primrec_in(here, "'" + there.path() + "'")).exit_status, 0);
  EXPECT_TRUE(directory_entries(here.path()).empty());
  EXPECT_FALSE(read_file(there.file("el.dat")).empty());
  const auto missing = run_command(primrec_in(here, "'" + there.file("absent") + "'"));
  EXPECT_EQ(missing.exit_status, 1);
  EXPECT_EQ(missing.output, "cannot enter the directory " + there.file("absent") + "\n");
}

// A directory without inputs: the program's message on standard output as
// ever, and on standard error the directory, the missing file and how to
// start; the same for a directory that does not exist.
TEST(CommandLine, ADirectoryWithoutInputsSaysHowToStart) {
  ScratchDir dir;
  const auto run = run_command("'" PRIMREC_EXE "' '" + dir.path() + "' 2>/dev/null");
  EXPECT_EQ(run.exit_status, 1);
  EXPECT_EQ(run.output, "error of opening file redshifts.in\n");
  for (const char* arguments : {"", "--check"}) {
    const auto said = run_command(primrec_in(dir, std::string(arguments) + " 2>&1 >/dev/null"));
    EXPECT_EQ(said.exit_status, 1) << arguments;
    EXPECT_NE(said.output.find(dir.path() + " has no redshifts.in"), std::string::npos) << said.output;
    EXPECT_NE(said.output.find("cp examples/default/*.in " + dir.path() + "/"), std::string::npos) << said.output;
  }
  run_command("mkdir '" + dir.file("redshifts.in") + "'");  // there, but not a file
  const auto unusable = run_command(primrec_in(dir, "2>&1 >/dev/null"));
  EXPECT_NE(unusable.output.find(dir.path() + "/redshifts.in cannot be opened"), std::string::npos) << unusable.output;
  const auto absent = run_command("'" PRIMREC_EXE "' '" + dir.file("absent") + "' 2>&1 >/dev/null");
  EXPECT_NE(absent.output.find("mkdir -p " + dir.file("absent") + " && cp examples/default/*.in " +
                               dir.file("absent") + "/"),
            std::string::npos)
      << absent.output;
}

// Every value beside its file line; a label naming another value of its file
// is pointed out; the run would go on with the values as read.
TEST(CommandLine, CheckPrintsEveryValueAndWarnsOfASwappedLabel) {
  ScratchDir dir;
  copy_default_inputs(dir.path());
  write_file(dir.file("cosm_p.in"), "H0 = 67.36\nomega_lambda = 0.3153\nomega_m = 0.6847\nnu_number = 3\n"
                                    "omega_b = 0.0493\nX_M = 0.7547\nT0 = 2.7255\n");
  const auto before = directory_entries(dir.path());
  const auto check = run_command("'" PRIMREC_EXE "' --check '" + dir.path() + "'");
  EXPECT_EQ(check.exit_status, 0) << check.output;
  EXPECT_NE(check.output.find("redshifts.in:3: step = 0.001"), std::string::npos) << check.output;
  EXPECT_NE(check.output.find("cosm_p.in:1: H0 = 67.36 km s^-1 Mpc^-1\n"), std::string::npos);
  EXPECT_NE(check.output.find("cosm_p.in:2: omega_m = 0.3153\n"
                              "warning: cosm_p.in:2: the label names omega_lambda, but the value there is read as "
                              "omega_m\n"),
            std::string::npos)
      << check.output;
  EXPECT_NE(check.output.find("warning: cosm_p.in:3:"), std::string::npos);
  EXPECT_EQ(check.output.find("warning: cosm_p.in:1:"), std::string::npos);
  EXPECT_NE(check.output.find("the inputs would run\n"), std::string::npos);
  EXPECT_EQ(directory_entries(dir.path()), before);

  write_file(dir.file("fund.in"), "G = 0\n");
  const auto refused = run_command("'" PRIMREC_EXE "' --check '" + dir.path() + "'");
  EXPECT_EQ(refused.exit_status, 1);
  EXPECT_NE(refused.output.find("G, h, c, m_e, m_p, e, kB values have to be positive and double\n"
                                "the inputs would not run\n"),
            std::string::npos)
      << refused.output;
}

// An input check's message that ends without a line end: in a pipe the bytes
// as ever, on a terminal the line ended, so that no prompt is glued to it.
// Standard error names the value whose text is no number, with its file line,
// and the command that lists every value as read.
TEST(CommandLine, ARefusedValuePointsToCheckAndEndsItsLineOnATerminalOnly) {
  ScratchDir dir;
  copy_default_inputs(dir.path());
  const std::string cosm = "H0 = 67.36\nomega_m = 0.3153\nomega_lambda = 0.6847\nnu_number = %N\n"
                           "omega_b = %B\nX_M = 0.7547\nT0 = 2.7255\n";
  const std::string message = "Value nu_number have to be positive and integer.\n"
                              "Value m_nu have to be positive or equal zero and double.\n"
                              "Values H0, omega_m, omega_lambda, omega_b, X_M, T0 have to be positive and double.";
  const std::string pointer = "primrec --check " + dir.path() + " lists every input value as read, with its file line\n";
  struct Case {
    const char *nu_number, *omega_b, *named;
  };
  for (const Case& c : {Case{"3", "0.0.493", "cosm_p.in:5: omega_b = 0.0.493 cannot be read as a number; "},
                        Case{"3.046", "0.0493", "cosm_p.in:4: nu_number = 3.046 cannot be read as a whole number; "},
                        Case{"3", "-0.0493", ""}}) {
    std::string text = cosm;
    text.replace(text.find("%N"), 2, c.nu_number);
    text.replace(text.find("%B"), 2, c.omega_b);
    write_file(dir.file("cosm_p.in"), text);
    const std::string program = "'" PRIMREC_EXE "' '" + dir.path() + "'";
    const auto piped = run_command(program + " 2>/dev/null");
    EXPECT_EQ(piped.exit_status, 1);
    EXPECT_EQ(piped.output, message) << c.omega_b;
    EXPECT_EQ(run_command(program + " 2>&1 >/dev/null").output, std::string(c.named) + pointer);
  }
  // On a terminal (a pseudo-terminal, which shows a line end as \r\n).
  const auto terminal = run_command("script -qec \"'" PRIMREC_EXE "' '" + dir.path() + "' 2>/dev/null\" /dev/null");
  EXPECT_EQ(terminal.output.substr(terminal.output.find("Values H0")),
            "Values H0, omega_m, omega_lambda, omega_b, X_M, T0 have to be positive and double.\r\n")
      << terminal.output;
  const auto summary = run_command("script -qec \"'" PRIMREC_SUMMARY_EXE "' '" + dir.path() + "' 2>/dev/null\" /dev/null");
  EXPECT_NE(summary.output.find("positive and double.\r\n"), std::string::npos) << summary.output;
  EXPECT_EQ(run_command("'" PRIMREC_SUMMARY_EXE "' '" + dir.path() + "'").output, message);
}

// A long run shows its progress on a terminal, and nothing in a pipe.
TEST(CommandLine, ProgressOnATerminalOnly) {
  ScratchDir dir;
  testing_support::Inputs long_run = testing_support::inputs_for("1", "3000", "1000", "1e-7");
  long_run.stride = "100000";  // few rows: the time goes into the steps
  testing_support::write_inputs(dir.path(), long_run);
  // The line comes half a second into a run; each run is stopped after that.
  const auto interrupted_run = [](const char* seconds) {
    return std::string("timeout --preserve-status -s INT ") + seconds + " '" PRIMREC_EXE "'";
  };
  const auto terminal =
      run_command("cd '" + dir.path() + "' && script -qec \"" + interrupted_run("1.2") + "\" /dev/null");
  EXPECT_NE(terminal.output.find("% "), std::string::npos) << terminal.output;
  EXPECT_NE(terminal.output.find(" left"), std::string::npos) << terminal.output;
  const auto pipe = run_command("cd '" + dir.path() + "' && " + interrupted_run("0.8") + " 2>&1 </dev/null");
  EXPECT_EQ(pipe.exit_status, 130);
  EXPECT_EQ(pipe.output, "");
}

// One convention for every tool: -h and --help print the usage on standard
// output with status 0; an unknown option is named on standard error, before
// the usage, with status 2, and nothing on standard output; so is a missing
// argument where one is needed. The Python tools run under Debian's python3,
// with the module of this build (not in the sanitizer builds, which have none).
TEST(CommandLine, EveryToolSharesOneConvention) {
  ScratchDir dir;
  const std::string python_module = std::string(PRIMREC_BIN_DIR) + "/python";
  const bool have_module =
      run_command("ls '" + python_module + "'/primrec/_primrec*.so >/dev/null 2>&1").exit_status == 0;
  const std::string python = "PYTHONPATH='" + python_module + "' PYTHONDONTWRITEBYTECODE=1 /usr/bin/python3 ";
  struct Tool {
    std::string command, usage;
    int without_argument;  // -1: without an argument the tool does its work (not run here)
    bool needs_module;
  };
  const std::vector<Tool> tools = {
      {"'" PRIMREC_EXE "'", "usage: primrec [DIR]", 1, false},  // runs in the working directory: no inputs there
      {"'" PRIMREC_SUMMARY_EXE "'", "usage: primrec-summary DIR", 2, false},
      {"/usr/bin/python3 '" PRIMREC_SOURCE_DIR "/tools/scan'", "usage: scan ", 2, false},
      {python + "'" PRIMREC_SOURCE_DIR "/tools/fit_precise'", "usage: fit_precise ", -1, true},
      {python + "-m primrec", "usage: python3 -m primrec plot DIR", 2, true},
  };
  for (const Tool& tool : tools) {
    if (tool.needs_module && !have_module) continue;
    const std::string here = "cd '" + dir.path() + "' && " + tool.command;
    for (const char* help : {" -h", " --help"}) {
      const auto shown = run_command(here + help + " 2>/dev/null </dev/null");
      EXPECT_EQ(shown.exit_status, 0) << tool.command << help;
      EXPECT_EQ(shown.output.rfind(tool.usage, 0), 0u) << tool.command << help << ": " << shown.output;
      EXPECT_EQ(run_command(here + help + " >/dev/full 2>/dev/null").exit_status, 1) << tool.command << help;
    }
    const auto unknown = run_command(here + " --frobnicate 2>&1 >/dev/null </dev/null");
    EXPECT_EQ(unknown.exit_status, 2) << tool.command;
    EXPECT_EQ(unknown.output.rfind("unknown option --frobnicate\n" + tool.usage, 0), 0u)
        << tool.command << ": " << unknown.output;
    EXPECT_EQ(run_command(here + " --frobnicate 2>/dev/null </dev/null").output, "") << tool.command;
    if (tool.without_argument < 0) continue;
    const auto bare = run_command(here + " 2>/dev/null </dev/null");
    EXPECT_EQ(bare.exit_status, tool.without_argument) << tool.command << ": " << bare.output;
    if (tool.without_argument == 2) {
      EXPECT_EQ(bare.output, "") << tool.command;
    }
  }
  EXPECT_TRUE(directory_entries(dir.path()).empty());
}

}  // namespace
