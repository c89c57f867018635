// What a shell command writes to its standard output, for the Linux tests
// that run other programs (browsers, sqlite3) and read their answers.
#pragma once

#include <cstdio>
#include <string>

inline std::string command_output(const std::string& command) {
  std::string out;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char chunk[4096];
    for (size_t got; (got = fread(chunk, 1, sizeof chunk, pipe)) > 0;) out.append(chunk, got);
    pclose(pipe);
  }
  return out;
}

// Whether a program of that name is on the PATH: a check that needs one is
// skipped, saying which is missing, rather than failed, where it is not installed.
inline bool have_command(const std::string& name) { return !command_output("command -v '" + name + "'").empty(); }
