// The peers of the bench: a plain C++ program and a plain Python script that
// do the program's open, build and save on the same catalogue, and the check
// that they wrote the same bytes as the program.
#pragma once

#include <string>

struct PeerFigures {
  bool ran = false;
  double open = 0, build = 0, save = 0;  // seconds
  // Processor seconds of each, when the peer tells them (-1 when not).
  double open_cpu = -1, build_cpu = -1, save_cpu = -1;
  double open_user = -1, build_user = -1, save_user = -1;  // of those, in the program itself
  std::string error;                                       // why it did not run
};

// Runs program (with the script, for an interpreter) in folder on the
// catalogue and the header; the page goes to <prefix>.html, the catalogue
// written back to <prefix>.txt. page_name replaces "ttt" in the header.
PeerFigures run_peer(const std::string& program, const std::string& script, const std::string& folder,
                     const std::string& catalogue, const std::string& header, const std::string& page_name,
                     const std::string& prefix);

// "" when the two files hold the same bytes, else where they first differ.
std::string compare_files(const std::string& ours, const std::string& theirs);

// Seconds from starting `program --build catalogue` in folder to its end, the
// way a script runs it; error tells why when it did not print "Built ...".
double time_command_build(const std::string& program, const std::string& folder, const std::string& catalogue,
                          std::string* error);
