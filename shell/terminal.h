// Standard output on a terminal.
#pragma once

#include <unistd.h>

#include <cstdio>
#include <string>

// Some messages of the input files end without a line end, and the shell's
// prompt would be glued to them. On a terminal, and only there, the line is
// ended: in a pipe or a file the bytes stay those the program has always
// written, which scripts compare.
inline void end_line_on_terminal(const std::string& written) {
  if (!written.empty() && written.back() != '\n' && isatty(STDOUT_FILENO)) std::fputs("\n", stdout);
}
