// The labelled-value readers: values, label skipping, checks and messages.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <future>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "input/input_files.h"
#include "primrec/primrec.hpp"
#include "support.h"

using testing_support::ScratchDir;
using testing_support::write_file;

namespace {

const char* const lost_equals = "file reading message: stop_signal '='is lost\n";
const char* const redshift_check_1 =
    "redshifts should be positive, double, and z_begin>=z_end\n"
    "number_of_info_points should be positive and integer";
const char* const redshift_check_2 =
    "absolute value of integration step and convergence norm should be positive and double\n";
const char* const redshift_helium_window =
    "z_begin should be larger than 7000 (i.e. including HeIII->HeII recombination)\n"
    "or less than 5000 (i.e. excluding HeIII->HeII recombination)\n";
const char* const redshift_minimum =
    "z_begin should be larger than 3000 (i.e. exclusion of HeIII->HeII recombination is impossible)\n";
const char* const fine_check = "Number of levels for resonant feedback should be integer and positive";
const char* const fund_check = "G, h, c, m_e, m_p, e, kB values have to be positive and double";
const char* const fudge_check = "F_H should be positive and double";
const char* const cosm_check =
    "Value nu_number have to be positive and integer.\n"
    "Value m_nu have to be positive or equal zero and double.\n"
    "Values H0, omega_m, omega_lambda, omega_b, X_M, T0 have to be positive and double.";

const char* const good_fund =
    "G = 6.67428e-8\nh = 1.054571628e-27\nc = 29979245800.0\nme = 9.10938215e-28\n"
    "mp = 1.672621637e-24\ne = 4.80320427e-10\nkB = 1.3806504e-16\n";
const char* const good_cosm =
    "H0 = 70\nomega_m = 0.3\nomega_lambda = 0.7\nnu_number = 3\nomega_b = 0.05\nX_M = 0.75\nT0 = 2.725\n";

using Reader = int (*)(const std::string&, primrec::Parameters&, primrec::InputLog&);

// Each test has its own empty directory; every read starts from the values
// before any file is read, with an empty log.
class InputFiles : public ::testing::Test {
 protected:
  void put(const char* name, const std::string& content) { write_file(dir_.file(name), content); }

  int run(Reader reader) {
    p_ = primrec::initial_input_values();
    log_ = {};
    return reader(dir_.path(), p_, log_);
  }

  int redshifts(const std::string& content) {
    put("redshifts.in", content);
    return run(primrec::init_redshift_range);
  }

  // Reads on another thread and waits a few seconds at most. A FIFO that
  // blocked the reader is then fed enough text to end every read, so that the
  // test fails instead of hanging.
  int run_promptly(Reader reader, const std::string& path) {
    auto reading = std::async(std::launch::async, [this, reader] { return run(reader); });
    if (reading.wait_for(std::chrono::seconds(5)) == std::future_status::timeout) {
      ADD_FAILURE() << path << " blocked the reader";
      const int writer = ::open(path.c_str(), O_WRONLY | O_NONBLOCK);
      const std::string text(20000, 'x');
      if (writer >= 0 && ::write(writer, text.data(), text.size()) < 0) ADD_FAILURE() << "cannot feed " << path;
      if (writer >= 0) ::close(writer);
    }
    return reading.get();
  }

  ScratchDir dir_;
  primrec::Parameters p_;
  primrec::InputLog log_;
};

const char* const good_redshifts = "z_begin = 8000\nz_end = 1\nstep = 1e-3\nnorm = 1e-8\ninfo = 1\n";
const char* const good_fine = "levels = 2\n";
const char* const good_fudge = "F_H = 1.14\nA = -0.3\nz_p = 1100\nDelta = 50\n";

// `base` with the text after "label = " up to its line end replaced by `text`.
std::string with(const std::string& base, const std::string& label, const std::string& text) {
  const size_t line = base.rfind(label + " =", 0) == 0 ? 0 : base.find("\n" + label + " =") + 1;
  const size_t start = line + label.size() + 3;
  return base.substr(0, start) + text + base.substr(base.find('\n', start));
}

// `base` cut after the "=" of its last value: nothing at the end of the file.
std::string ending_at_last_equals(const std::string& base) { return base.substr(0, base.rfind('=') + 1); }

std::string redshifts_file(const std::string& z_begin_text, const std::string& z_end_text = "1",
                           const std::string& step = "1e-3", const std::string& norm = "1e-8",
                           const std::string& stride = "1") {
  return "z_begin = " + z_begin_text + "\nz_end = " + z_end_text + "\nstep = " + step +
         "\nnorm = " + norm + "\ninfo = " + stride + "\n";
}

TEST_F(InputFiles, RedshiftsReadInOrder) {
  EXPECT_EQ(redshifts(redshifts_file("8000", "0.5", "2e-3", "1e-9", "10")), 0);
  EXPECT_EQ(log_.messages + log_.error, "");
  EXPECT_EQ(p_.z_begin, 8000.0);
  EXPECT_EQ(p_.z_end, 0.5);
  EXPECT_EQ(p_.step, 2e-3);
  EXPECT_EQ(p_.convergence_norm, 1e-9);
  EXPECT_EQ(p_.output_stride, 10);
}

TEST_F(InputFiles, LabelsAreFreeText) {
  // Empty labels, labels of any characters, numbers on the next line, CR LF ends.
  EXPECT_EQ(redshifts("=8000\n=1\n@#$ %^&*()\r\n=\n\t1e-3\r\nanything at all\n= 1e-8\n=\n\n 1\n"), 0);
  EXPECT_EQ(log_.messages + log_.error, "");
  EXPECT_EQ(p_.z_begin, 8000.0);
  EXPECT_EQ(p_.z_end, 1.0);
  EXPECT_EQ(p_.step, 1e-3);
  EXPECT_EQ(p_.convergence_norm, 1e-8);
  EXPECT_EQ(p_.output_stride, 1);
}

TEST_F(InputFiles, FilesThatCannotBeOpenedForUpdateGiveTheirOpenMessage) {
  const std::pair<Reader, const char*> readers[] = {
      {primrec::init_redshift_range, "redshifts.in"}, {primrec::init_fine_effects, "fine_effects.in"},
      {primrec::init_fund_const, "fund.in"}, {primrec::init_fudge_factors, "fudge_factors.in"},
      {primrec::init_cosmological_const, "cosm_p.in"}};
  for (const auto& [reader, name] : readers) {
    EXPECT_EQ(run(reader), 1) << name;
    EXPECT_EQ(log_.error, std::string("error of opening file ") + name + "\n");
    EXPECT_EQ(log_.messages, "");
  }
  // Only a regular file can be an input: a directory, a FIFO (which must not
  // make the reader wait for a writer) or a device is not openable, nor is a
  // file that cannot be written (which root can always write).
  struct Kind {
    const char* what;
    int (*make)(const char* path);
  };
  const Kind kinds[] = {
      {"directory", [](const char* path) { return ::mkdir(path, 0755); }},
      {"FIFO", [](const char* path) { return ::mkfifo(path, 0644); }},
      {"device", [](const char* path) { return ::symlink("/dev/null", path); }},
      {"read-only file",
       [](const char* path) {
         write_file(path, "x = 1\n");
         return ::geteuid() == 0 ? -1 : ::chmod(path, 0444);
       }},
  };
  for (const Kind& kind : kinds)
    for (const auto& [reader, name] : readers) {
      const std::string path = dir_.file(name);
      std::remove(path.c_str());  // a file or an empty directory
      if (kind.make(path.c_str()) != 0) continue;
      EXPECT_EQ(run_promptly(reader, path), 1) << kind.what << " " << name;
      EXPECT_EQ(log_.error, std::string("error of opening file ") + name + "\n") << kind.what;
    }
  // A link to a regular file is that file.
  write_file(dir_.file("target"), good_fine);
  std::remove(dir_.file("fine_effects.in").c_str());
  ASSERT_EQ(::symlink(dir_.file("target").c_str(), dir_.file("fine_effects.in").c_str()), 0);
  EXPECT_EQ(run(primrec::init_fine_effects), 0);
}

TEST_F(InputFiles, RedshiftCheckOneGivesBothMessagesWhicheverTestFails) {
  for (const std::string& content :
       {redshifts_file("8000", "8000"),                          // z_begin = z_end
        redshifts_file("8000", "9000"),                          // z_end above z_begin
        redshifts_file("8000", "0"),                             // z_end not positive
        redshifts_file("8000", "1", "1e-3", "1e-8", "0"),        // stride 0
        redshifts_file("8000", "1", "1e-3", "1e-8", "-3"),       // negative stride
        redshifts_file("inf", "1"), redshifts_file("8000", "nan"),
        redshifts_file("-inf", "1"), redshifts_file("8000", "inf"),
        redshifts_file("8000", "1", "1e-3", "1e-8", "99999999999"),   // beyond int
        redshifts_file("8000", "1", "1e-3", "1e-8", "2147483648"),    // INT_MAX + 1
        redshifts_file("8000", "1", "1e-3", "1e-8", "-99999999999")}) {
    EXPECT_EQ(redshifts(content), 1) << content;
    EXPECT_EQ(log_.error, redshift_check_1) << content;
    EXPECT_EQ(log_.messages, "") << content;
  }
  // The edge of the range of int is read.
  EXPECT_EQ(redshifts(redshifts_file("8000", "1", "1e-3", "1e-8", "2147483647")), 0);
  EXPECT_EQ(p_.output_stride, 2147483647);
}

TEST_F(InputFiles, RedshiftCheckTwoRefusesStepsThatAreNotPositiveFiniteOrDoNotMove) {
  for (const std::string& content :
       {redshifts_file("8000", "1", "0"), redshifts_file("8000", "1", "-1e-3"),
        redshifts_file("8000", "1", "1e-3", "0"), redshifts_file("8000", "1", "inf"),
        redshifts_file("8000", "1", "nan"), redshifts_file("8000", "1", "1e-3", "inf"),
        redshifts_file("8000", "1", "1e-3", "-nan"),
        // ln(8001) is about 9; a step below half its last place never moves it
        redshifts_file("8000", "1", "1e-20")}) {
    EXPECT_EQ(redshifts(content), 1) << content;
    EXPECT_EQ(log_.error, redshift_check_2) << content;
  }
  // The smallest step that moves ln(1+z) is accepted.
  const double ln_start = std::log(8001.0);
  char step[64];
  std::snprintf(step, sizeof step, "%.17g", ln_start - std::nextafter(ln_start, 0.0));
  EXPECT_EQ(redshifts(redshifts_file("8000", "1", step)), 0);
  EXPECT_NE(ln_start - p_.step, ln_start);
}

TEST_F(InputFiles, StartRedshiftWindows) {
  struct Case {
    const char* z_begin_text;
    int result;
    const char* message;
  };
  for (const Case& k : {Case{"7000", 0, ""}, Case{"5000", 0, ""}, Case{"3000", 0, ""},
                        Case{"1e5", 0, ""}, Case{"6999.999", 1, redshift_helium_window},
                        Case{"5000.001", 1, redshift_helium_window},
                        Case{"6000", 1, redshift_helium_window},
                        Case{"2999.999", 1, redshift_minimum}}) {
    EXPECT_EQ(redshifts(redshifts_file(k.z_begin_text)), k.result) << k.z_begin_text;
    EXPECT_EQ(log_.error, k.message) << k.z_begin_text;
  }
}

TEST_F(InputFiles, LabelsThatHideOrLoseTheirEqualsSignShiftTheValues) {
  // The skip stops at "z=", "begin" is no number, and the 8000 goes to z_end.
  EXPECT_EQ(redshifts("z=begin = 8000\nz_end = 1\nstep = 1e-3\nnorm = 1e-8\ninfo = 1\n"), 1);
  EXPECT_EQ(log_.error, redshift_check_1);
  EXPECT_TRUE(std::isnan(p_.z_begin));
  EXPECT_EQ(p_.z_end, 8000.0);
  EXPECT_EQ(p_.step, 1.0);
  EXPECT_EQ(p_.convergence_norm, 1e-3);

  // A label of 1000 characters is read; with one more the "=" is the 1002nd, the
  // skip gives up, the scan fails on it, and every value lands one later.
  const std::string rest = "z_end = 1\nstep = 1e-3\nnorm = 1e-8\ninfo = 1\n";
  EXPECT_EQ(redshifts(std::string(1000, 'a') + "= 8000\n" + rest), 0);
  EXPECT_EQ(log_.messages + log_.error, "");
  EXPECT_EQ(p_.z_begin, 8000.0);
  EXPECT_EQ(redshifts(std::string(1001, 'a') + "= 8000\n" + rest), 1);
  EXPECT_EQ(log_.messages, lost_equals);
  EXPECT_EQ(log_.error, redshift_check_1);
  EXPECT_EQ(p_.z_begin, 0.0);
  EXPECT_EQ(p_.z_end, 8000.0);

  // A file ending early: one stop message per missing value.
  EXPECT_EQ(redshifts("z_begin = 8000\nz_end = 1\n"), 1);
  EXPECT_EQ(log_.messages, std::string(lost_equals) + lost_equals + lost_equals);
  EXPECT_EQ(log_.error, redshift_check_2);
}

TEST_F(InputFiles, DescriptorShiftCountsAttemptsAtEndOfFile) {
  FILE* stream = std::tmpfile();
  ASSERT_NE(stream, nullptr);
  std::fputs("label $ rest", stream);
  std::rewind(stream);
  primrec::InputLog log;
  EXPECT_EQ(primrec::descriptor_shift(stream, '$', log), 0);
  EXPECT_EQ(std::fgetc(stream), ' ');
  EXPECT_EQ(primrec::descriptor_shift(stream, '$', log), 1);
  EXPECT_EQ(log.messages, "file reading message: stop_signal '$'is lost\n");
  EXPECT_EQ(log.error, "");
  std::fclose(stream);
}

TEST_F(InputFiles, FeedbackLevels) {
  put("fine_effects.in", "levels = 2\n");
  EXPECT_EQ(run(primrec::init_fine_effects), 0);
  EXPECT_EQ(p_.feedback_levels, 2);
  for (const char* bad : {"levels = 0\n", "levels = -4\n", "levels = 3000000000\n", "levels = x\n", ""}) {
    put("fine_effects.in", bad);
    EXPECT_EQ(run(primrec::init_fine_effects), 1) << bad;
    EXPECT_EQ(log_.messages, *bad == '\0' ? lost_equals : "") << bad;
    EXPECT_EQ(log_.error, fine_check) << bad;
  }
  // Each level costs a term of the feedback sum at every step: bounded where
  // more levels no longer change the printed x_e, and the limit is named.
  put("fine_effects.in", "levels = 20000\n");
  EXPECT_EQ(run(primrec::init_fine_effects), 0);
  for (const char* over : {"20001", "2147483647"}) {
    put("fine_effects.in", std::string("levels = ") + over + "\n");
    EXPECT_EQ(run(primrec::init_fine_effects), 1) << over;
    EXPECT_EQ(log_.error, std::string("Number of levels for resonant feedback should be at most 20000, not ") + over +
                              "\n");
    primrec::Parameters p = primrec::default_parameters();
    p.feedback_levels = std::atoi(over);
    EXPECT_EQ(primrec::check_parameters(p), log_.error) << "the library's check is the reader's";
  }
}

TEST_F(InputFiles, FundamentalConstantsMustBePositiveAndFinite) {
  put("fund.in", good_fund);
  EXPECT_EQ(run(primrec::init_fund_const), 0);
  EXPECT_EQ(log_.messages + log_.error, "");
  EXPECT_EQ(p_.G, 6.67428e-8);
  EXPECT_EQ(p_.hbar, 1.054571628e-27);
  EXPECT_EQ(p_.c, 29979245800.0);
  EXPECT_EQ(p_.me, 9.10938215e-28);
  EXPECT_EQ(p_.mp, 1.672621637e-24);
  EXPECT_EQ(p_.e, 4.80320427e-10);
  EXPECT_EQ(p_.kB, 1.3806504e-16);
  const std::string base = good_fund;
  for (const std::string& bad :
       {std::string("G = 0\n") + base.substr(base.find('\n') + 1),
        base.substr(0, base.find("h =")) + "h = inf\n" + base.substr(base.find("c =")),
        base.substr(0, base.find("\ne =") + 1) + "e = nan\n" + base.substr(base.find("kB =")),
        base.substr(0, base.find("kB =")) + "kB = -1.38e-16"}) {
    put("fund.in", bad);
    EXPECT_EQ(run(primrec::init_fund_const), 1) << bad;
    EXPECT_EQ(log_.error, fund_check) << bad;
  }
  // Last value missing: kB stays 0 after the stop-signal message.
  put("fund.in", base.substr(0, base.find("kB =")));
  EXPECT_EQ(run(primrec::init_fund_const), 1);
  EXPECT_EQ(log_.messages, lost_equals);
  EXPECT_EQ(log_.error, fund_check);
}

TEST_F(InputFiles, FudgeFactors) {
  put("fudge_factors.in", "F_H = 1.14\nA = -0.3\nz_p = 1100\nDelta = 50\n");
  EXPECT_EQ(run(primrec::init_fudge_factors), 0);
  EXPECT_EQ(p_.F_H, 1.14);
  EXPECT_EQ(p_.A_perturbation_H, -0.3);
  EXPECT_EQ(p_.z_perturbation, 1100.0);
  EXPECT_EQ(p_.Delta_z_perturbation, 50.0);
  put("fudge_factors.in", "F_H = 1\nA = 0\nz_p = 1100\nDelta = 50\n");
  EXPECT_EQ(run(primrec::init_fudge_factors), 0);
  for (const char* bad :
       {"F_H = 0\nA = 0\nz_p = 1100\nDelta = 50\n", "F_H = nan\nA = 0\nz_p = 1100\nDelta = 50\n",
        "F_H = 1\nA = 0\nz_p = -1100\nDelta = 50\n", "F_H = 1\nA = 0\nz_p = inf\nDelta = 50\n",
        "F_H = 1\nA = 0\nz_p = 1100\nDelta = 0\n", "F_H = 1\nA = 0\nz_p = 1100\nDelta = inf\n",
        "F_H = 1\nA = nan\nz_p = 1100\nDelta = 50\n"}) {
    put("fudge_factors.in", bad);
    EXPECT_EQ(run(primrec::init_fudge_factors), 1) << bad;
    EXPECT_EQ(log_.error, fudge_check) << bad;
  }
}

TEST_F(InputFiles, CosmologicalParametersInTheUnitsOfTheFile) {
  put("cosm_p.in", good_cosm);
  EXPECT_EQ(run(primrec::init_cosmological_const), 0);
  EXPECT_EQ(log_.messages + log_.error, "");
  EXPECT_EQ(p_.H0, 70.0);
  EXPECT_EQ(p_.omega_m, 0.3);
  EXPECT_EQ(p_.omega_lambda, 0.7);
  EXPECT_EQ(p_.N_eff, 3);
  EXPECT_EQ(p_.omega_b, 0.05);
  EXPECT_EQ(p_.X_M, 0.75);
  EXPECT_EQ(p_.T0, 2.725);
}

TEST_F(InputFiles, CosmologicalChecksGiveAllThreeMessages) {
  const std::string base = good_cosm;
  for (const std::string& bad :
       {with(base, "H0", "0"), with(base, "omega_m", "-0.3"), with(base, "omega_lambda", "0"),
        with(base, "nu_number", "0"), with(base, "nu_number", "99999999999"), with(base, "omega_b", "inf"),
        with(base, "X_M", "nan"), with(base, "T0", "1e999")}) {
    put("cosm_p.in", bad);
    EXPECT_EQ(run(primrec::init_cosmological_const), 1) << bad;
    EXPECT_EQ(log_.error, cosm_check) << bad;
  }
}

// After its "=", a value must be one number of its type that ends at white
// space or at the end of the file. Anything else fails the file's check with
// the message an out-of-range value gives, and the labels after it are found as
// before (no stop-signal message).
TEST_F(InputFiles, MalformedValuesFailTheirFilesCheck) {
  struct Case {
    Reader reader;
    const char* name;
    std::string content;
    const char* message;
  };
  const std::string z = good_redshifts, fine = good_fine, fund = good_fund, fudge = good_fudge, cosm = good_cosm;
  const Case cases[] = {
      // doubles: a word, nothing, a decimal comma, a unit or text glued on, a
      // dangling exponent
      {primrec::init_redshift_range, "redshifts.in", with(z, "z_begin", "abc"), redshift_check_1},
      {primrec::init_redshift_range, "redshifts.in", with(z, "z_begin", "8000garbage"), redshift_check_1},
      {primrec::init_redshift_range, "redshifts.in", with(z, "z_begin", "8,000"), redshift_check_1},
      {primrec::init_redshift_range, "redshifts.in", with(z, "z_end", ""), redshift_check_1},
      {primrec::init_redshift_range, "redshifts.in", with(z, "step", "1e"), redshift_check_2},
      {primrec::init_redshift_range, "redshifts.in", with(z, "step", "0,001"), redshift_check_2},
      {primrec::init_redshift_range, "redshifts.in", with(z, "norm", "1e-8s"), redshift_check_2},
      {primrec::init_redshift_range, "redshifts.in", with(z, "norm", "0." + std::string(2000, '0') + "1"),
       redshift_check_2},  // far longer than any number is written
      {primrec::init_fund_const, "fund.in", with(fund, "G", "6,67428e-8"), fund_check},
      {primrec::init_fund_const, "fund.in", with(fund, "h", "hbar"), fund_check},
      {primrec::init_fund_const, "fund.in", with(fund, "kB", "1.3806504e-16erg"), fund_check},
      {primrec::init_fund_const, "fund.in", ending_at_last_equals(fund), fund_check},
      {primrec::init_fudge_factors, "fudge_factors.in", with(fudge, "F_H", "1,125"), fudge_check},
      {primrec::init_fudge_factors, "fudge_factors.in", with(fudge, "F_H", "abc"), fudge_check},
      {primrec::init_fudge_factors, "fudge_factors.in", with(fudge, "F_H", ""), fudge_check},
      {primrec::init_fudge_factors, "fudge_factors.in", "F_H =\nA=-0.3\nz_p=1100\nDelta=50\n", fudge_check},
      {primrec::init_fudge_factors, "fudge_factors.in", with(fudge, "A", "0.1x"), fudge_check},
      {primrec::init_fudge_factors, "fudge_factors.in", with(fudge, "A", ""), fudge_check},
      {primrec::init_fudge_factors, "fudge_factors.in", with(fudge, "z_p", "1100z"), fudge_check},
      {primrec::init_cosmological_const, "cosm_p.in", with(cosm, "H0", "70km"), cosm_check},
      {primrec::init_cosmological_const, "cosm_p.in", with(cosm, "X_M", "0.75e+"), cosm_check},
      {primrec::init_cosmological_const, "cosm_p.in", with(cosm, "T0", "2.725K"), cosm_check},
      {primrec::init_cosmological_const, "cosm_p.in", ending_at_last_equals(cosm), cosm_check},
      // ints: the same, and a fraction or an exponent
      {primrec::init_redshift_range, "redshifts.in", with(z, "info", "1e2"), redshift_check_1},
      {primrec::init_redshift_range, "redshifts.in", with(z, "info", "1.5"), redshift_check_1},
      {primrec::init_redshift_range, "redshifts.in", with(z, "info", "ten"), redshift_check_1},
      {primrec::init_redshift_range, "redshifts.in", with(z, "info", ""), redshift_check_1},
      {primrec::init_redshift_range, "redshifts.in", with(z, "info", "1,0"), redshift_check_1},
      {primrec::init_redshift_range, "redshifts.in", with(z, "info", "10x"), redshift_check_1},
      {primrec::init_fine_effects, "fine_effects.in", with(fine, "levels", "1e3"), fine_check},
      {primrec::init_fine_effects, "fine_effects.in", with(fine, "levels", "2.0"), fine_check},
      {primrec::init_fine_effects, "fine_effects.in", with(fine, "levels", "two"), fine_check},
      {primrec::init_fine_effects, "fine_effects.in", ending_at_last_equals(fine), fine_check},
      {primrec::init_fine_effects, "fine_effects.in", with(fine, "levels", "2,0"), fine_check},
      {primrec::init_fine_effects, "fine_effects.in", with(fine, "levels", "2levels"), fine_check},
      {primrec::init_cosmological_const, "cosm_p.in", with(cosm, "nu_number", "3.046"), cosm_check},
      {primrec::init_cosmological_const, "cosm_p.in", with(cosm, "nu_number", "3e0"), cosm_check},
      {primrec::init_cosmological_const, "cosm_p.in", with(cosm, "nu_number", "three"), cosm_check},
      {primrec::init_cosmological_const, "cosm_p.in", with(cosm, "nu_number", ""), cosm_check},
      {primrec::init_cosmological_const, "cosm_p.in", with(cosm, "nu_number", "3,0"), cosm_check},
      {primrec::init_cosmological_const, "cosm_p.in", with(cosm, "nu_number", "-3nu"), cosm_check},
  };
  for (const Case& k : cases) {
    put(k.name, k.content);
    EXPECT_EQ(run(k.reader), 1) << k.content;
    EXPECT_EQ(log_.error, k.message) << k.content;
    EXPECT_EQ(log_.messages, "") << k.content;
  }
  // The values around a malformed one are read as in a good file.
  put("fudge_factors.in", with(good_fudge, "F_H", "1,125"));
  run(primrec::init_fudge_factors);
  EXPECT_EQ(p_.A_perturbation_H, -0.3);
  EXPECT_EQ(p_.Delta_z_perturbation, 50.0);
  put("fudge_factors.in", "F_H =\nA=-0.3\nz_p=1100\nDelta=50\n");
  run(primrec::init_fudge_factors);
  EXPECT_EQ(p_.A_perturbation_H, -0.3);
  EXPECT_EQ(p_.Delta_z_perturbation, 50.0);
}

// A number that ends at white space or the end of the file is read exactly as
// the formatted-input conversion reads it, bit for bit.
TEST_F(InputFiles, WellFormedSpellingsAreReadAsTheFormattedInputConversionReadsThem) {
  for (const char* text : {"1e-3", "+8000", "8000\t", "-0", "1E5", ".5", "5.", "0x1.8p1", "00012", "-inf", "nan",
                           "1.00000000000000011102230246251565404236316680908203125", "4.9e-324", "1e-400",
                           "2.2250738585072011e-308", "1e999"}) {
    double expected = 0;
    ASSERT_EQ(std::sscanf(text, "%lg", &expected), 1) << text;
    redshifts(with(good_redshifts, "z_begin", text));
    EXPECT_EQ(std::memcmp(&p_.z_begin, &expected, sizeof expected), 0) << text;
    EXPECT_EQ(log_.messages, "") << text;
  }
  for (const char* text : {"+0007", "-0", "10\t", "2147483647", "-2147483648"}) {
    int expected = 0;
    ASSERT_EQ(std::sscanf(text, "%d", &expected), 1) << text;
    redshifts(with(good_redshifts, "info", text));
    EXPECT_EQ(p_.output_stride, expected) << text;
  }
  // CR LF line ends, and the last value at the end of the file without a line end.
  EXPECT_EQ(redshifts("z_begin = +8000\r\nz_end = 1\r\nstep = 1e-3\r\nnorm = 1e-8\r\ninfo = 10"), 0);
  EXPECT_EQ(p_.z_begin, 8000.0);
  EXPECT_EQ(p_.output_stride, 10);
  const std::string fund = good_fund, cosm = good_cosm;
  const std::pair<Reader, std::pair<const char*, std::string>> files[] = {
      {primrec::init_fine_effects, {"fine_effects.in", "levels = 2"}},
      {primrec::init_fund_const, {"fund.in", fund.substr(0, fund.size() - 1)}},
      {primrec::init_fudge_factors, {"fudge_factors.in", "F_H = 1\r\nA = 0\r\nz_p = 1100\r\nDelta = 50"}},
      {primrec::init_cosmological_const, {"cosm_p.in", cosm.substr(0, cosm.size() - 1)}}};
  for (const auto& [reader, file] : files) {
    put(file.first, file.second);
    EXPECT_EQ(run(reader), 0) << file.second;
    EXPECT_EQ(log_.messages + log_.error, "") << file.second;
  }
  EXPECT_EQ(p_.T0, 2.725);
}

// Where the skip gives up before an "=", the value is scanned from where it
// stopped as it always was: the number that starts there is taken even with
// text glued to it, and a failed scan keeps the value.
TEST_F(InputFiles, AValueWithoutItsEqualsSignIsScannedFromWhereTheSkipStopped) {
  const std::string rest = "z_end = 1\nstep = 1e-3\nnorm = 1e-8\ninfo = 1\n";
  // 1001 of 1005 digits are skipped; "1111" is read although "=" is glued to
  // it, and that "=" then gives z_end the 8000.
  EXPECT_EQ(redshifts(std::string(1005, '1') + "= 8000\n" + rest), 1);
  EXPECT_EQ(log_.messages, lost_equals);
  EXPECT_EQ(log_.error, redshift_check_1);
  EXPECT_EQ(p_.z_begin, 1111.0);
  EXPECT_EQ(p_.z_end, 8000.0);
  put("fine_effects.in", std::string(1004, '7') + "= 2\n");
  EXPECT_EQ(run(primrec::init_fine_effects), 0);
  EXPECT_EQ(log_.messages, lost_equals);
  EXPECT_EQ(p_.feedback_levels, 777);
  // The stride's label lost its "=": the skip reaches the end of the file and
  // the stride keeps its 1.
  EXPECT_EQ(redshifts("z_begin = 8000\nz_end = 1\nstep = 1e-3\nnorm = 1e-8\ninfo 10\n"), 0);
  EXPECT_EQ(log_.messages, lost_equals);
  EXPECT_EQ(p_.output_stride, 1);
}

// Every value of the parameters, the integers as doubles, in file order.
std::vector<double> values(const primrec::Parameters& p) {
  return {p.z_begin, p.z_end, p.step, p.convergence_norm, static_cast<double>(p.output_stride),
          static_cast<double>(p.feedback_levels), p.G, p.hbar, p.c, p.me, p.mp, p.e, p.kB,
          p.F_H, p.A_perturbation_H, p.z_perturbation, p.Delta_z_perturbation, p.H0, p.omega_m,
          p.omega_lambda, p.N_eff, p.omega_b, p.X_M, p.T0};
}

TEST(ReadParameters, TheDefaultFilesGiveTheDefaultParameters) {
  const primrec::Reading reading = primrec::read_parameters(PRIMREC_EXAMPLES "/default");
  EXPECT_TRUE(reading.ok());
  EXPECT_EQ(reading.messages + reading.error, "");
  EXPECT_EQ(values(reading.parameters), values(primrec::default_parameters()));
}

TEST(ReadParameters, TheFirstFailingFileEndsTheReading) {
  ScratchDir dir;
  testing_support::Inputs inputs;
  inputs.G = "0";
  testing_support::write_inputs(dir.path(), inputs);
  ASSERT_EQ(std::remove(dir.file("cosm_p.in").c_str()), 0);  // never opened
  const primrec::Reading reading = primrec::read_parameters(dir.path());
  EXPECT_EQ(reading.status, primrec::Status::input_error);
  EXPECT_EQ(reading.error, fund_check);
  EXPECT_EQ(reading.messages, "");
  const primrec::Parameters& p = reading.parameters;
  EXPECT_EQ(p.z_begin, 8000.0) << "earlier files are read";
  EXPECT_EQ(p.feedback_levels, 10);
  EXPECT_EQ(p.F_H, 1.0) << "later files are not";
  EXPECT_EQ(p.z_perturbation, 0.0);
  EXPECT_EQ(p.H0, 0.0);
  EXPECT_EQ(p.N_eff, 0);
  EXPECT_EQ(p.T0, 0.0);
}

TEST(ReadParameters, AValueMissingFromAFileIsNotTakenFromAnEarlierReading) {
  ScratchDir good, short_fund;
  testing_support::copy_default_inputs(good.path());
  testing_support::copy_default_inputs(short_fund.path());
  const std::string fund = good_fund;
  write_file(short_fund.file("fund.in"), fund.substr(0, fund.find("kB =")));
  ASSERT_TRUE(primrec::read_parameters(good.path()).ok());
  const primrec::Reading reading = primrec::read_parameters(short_fund.path());
  EXPECT_EQ(reading.status, primrec::Status::input_error);
  EXPECT_EQ(reading.messages, lost_equals);
  EXPECT_EQ(reading.error, fund_check);
  EXPECT_EQ(reading.parameters.kB, 0.0);
}

TEST(CheckParameters, EachFileHasItsMessageAndTheFirstFileInOrderSpeaks) {
  EXPECT_EQ(primrec::check_parameters(primrec::default_parameters()), "");
  struct Case {
    void (*spoil)(primrec::Parameters&);
    const char* message;
  };
  const Case cases[] = {
      {[](primrec::Parameters& p) { p.z_end = 9000; }, redshift_check_1},
      {[](primrec::Parameters& p) { p.output_stride = 0; }, redshift_check_1},
      {[](primrec::Parameters& p) { p.step = 0; }, redshift_check_2},
      {[](primrec::Parameters& p) { p.convergence_norm = NAN; }, redshift_check_2},
      {[](primrec::Parameters& p) { p.z_begin = 6000; }, redshift_helium_window},
      {[](primrec::Parameters& p) { p.z_begin = 2000; }, redshift_minimum},
      {[](primrec::Parameters& p) { p.feedback_levels = 0; }, fine_check},
      {[](primrec::Parameters& p) { p.kB = INFINITY; }, fund_check},
      {[](primrec::Parameters& p) { p.F_H = -1; }, fudge_check},
      {[](primrec::Parameters& p) { p.Delta_z_perturbation = 0; }, fudge_check},
      {[](primrec::Parameters& p) { p.A_perturbation_H = NAN; }, fudge_check},
      {[](primrec::Parameters& p) { p.T0 = 0; }, cosm_check},
      {[](primrec::Parameters& p) { p.N_eff = -3; }, cosm_check},
      {[](primrec::Parameters& p) { p.N_eff = NAN; }, cosm_check},
      {[](primrec::Parameters& p) { p.N_eff = INFINITY; }, cosm_check},
      // several bad values: the earliest file
      {[](primrec::Parameters& p) { p.T0 = 0; p.F_H = 0; p.me = 0; }, fund_check},
      {[](primrec::Parameters& p) { p.T0 = 0; p.feedback_levels = -1; p.z_end = 0; },
       redshift_check_1},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    primrec::Parameters p = primrec::default_parameters();
    cases[i].spoil(p);
    EXPECT_EQ(primrec::check_parameters(p), cases[i].message) << "case " << i;
  }
}

// N_eff is a count in its file but a number in the library: no neutrinos,
// or a fraction of a species, are a caller's choice the file cannot make.
TEST(CheckParameters, NEffIsAnyFiniteNumberFromZeroInTheLibrary) {
  for (const double N_eff : {0.0, 3.044, 2.5, 100.0}) {
    primrec::Parameters p = primrec::default_parameters();
    p.N_eff = N_eff;
    EXPECT_EQ(primrec::check_parameters(p), "") << N_eff;
  }
}

TEST_F(InputFiles, AZeroCountOfNeutrinosIsRefusedInTheFile) {
  put("cosm_p.in", "H0 = 70\nomega_m = 0.3\nomega_lambda = 0.7\nnu_number = 0\nomega_b = 0.05\nX_M = 0.75\nT0 = 2.7\n");
  EXPECT_EQ(run(primrec::init_cosmological_const), 1);
  EXPECT_EQ(log_.error, cosm_check);
}

// The table of the parameters: every place of a file is read into the field
// the table names, and README's table gives each field its file and label.
TEST(ParameterTable, EachPlaceOfAFileIsReadIntoItsField) {
  const primrec::Parameters defaults = primrec::default_parameters();
  for (const primrec::ParameterField& field : primrec::parameter_fields) {
    SCOPED_TRACE(field.name);
    ScratchDir dir;
    testing_support::copy_default_inputs(dir.path());
    std::string text;
    for (int place = 0; const primrec::ParameterField* value = primrec::field_at(field.file, place); ++place) {
      char number[40];
      const double written = value == &field ? 7 : primrec::value_of(*value, defaults);
      if (value->scan == primrec::Scan::real)
        std::snprintf(number, sizeof number, "%.17g", written);
      else
        std::snprintf(number, sizeof number, "%d", static_cast<int>(written));
      text += std::string(value->label) + " = " + number + "\n";
    }
    write_file(dir.file(field.file), text);
    const primrec::Parameters read = primrec::read_parameters(dir.path()).parameters;
    for (const primrec::ParameterField& other : primrec::parameter_fields) {
      if (std::string(other.file) != field.file) continue;
      EXPECT_EQ(primrec::value_of(other, read), &other == &field ? 7 : primrec::value_of(other, defaults))
          << other.name;
    }
  }
}

TEST(ParameterTable, ReadmeGivesEveryFieldItsFileAndLabel) {
  const std::string readme = testing_support::read_file(PRIMREC_EXAMPLES "/../README.md");
  for (const primrec::ParameterField& field : primrec::parameter_fields) {
    const std::string row = std::string("| `") + field.name + "` | `" + field.file + "` | `" + field.label + "` |";
    EXPECT_NE(readme.find(row), std::string::npos) << row;
  }
}

}  // namespace
