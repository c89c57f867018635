// Peers are started through the program's own launcher, with their output
// on a pipe; each times its own jobs, so starting an interpreter is not
// counted against it.
#include "bench/app_bench_peers.h"

#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>

#include "bench/app_bench_text.h"
#include "desktop/proc.h"

namespace {

std::string quoted(const std::string& text) { return "\"" + text + "\""; }

std::string read_all(HANDLE pipe) {
  std::string out;
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(pipe, buffer, sizeof buffer, &got, nullptr) && got > 0) out.append(buffer, got);
  return out;
}

std::string slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

PeerFigures run_peer(const std::string& program, const std::string& script, const std::string& folder,
                     const std::string& catalogue, const std::string& header, const std::string& page_name,
                     const std::string& prefix) {
  PeerFigures figures;
  std::string parameters = script.empty() ? "" : quoted(script) + " ";
  parameters += quoted(catalogue) + " " + quoted(header) + " " + quoted(page_name) + " " + quoted(prefix + ".html") +
                " " + quoted(prefix + ".txt");
  const int64_t started = proc_run(wide(w16(program)), wide(w16(parameters)), wide(w16(folder)), PROC_OPEN | PROC_READ,
                                   nullptr);
  if (started == 0) {
    figures.error = "could not start " + program;
    return figures;
  }
  auto* record = reinterpret_cast<ProcessRecord*>(started);
  const std::string output = read_all(record->output_pipe);
  WaitForSingleObject(record->process, INFINITE);
  DWORD code = 1;
  GetExitCodeProcess(record->process, &code);
  if (code != 0 ||
      std::sscanf(output.c_str(), "open=%lf build=%lf save=%lf", &figures.open, &figures.build, &figures.save) != 3) {
    figures.error = program + " ended with " + std::to_string(code) + ": " + output;
    return figures;
  }
  std::sscanf(output.c_str(),
              "open=%*f build=%*f save=%*f cpu_open=%lf cpu_build=%lf cpu_save=%lf user_open=%lf user_build=%lf "
              "user_save=%lf",
              &figures.open_cpu, &figures.build_cpu, &figures.save_cpu, &figures.open_user, &figures.build_user,
              &figures.save_user);
  figures.ran = true;
  return figures;
}

std::string compare_files(const std::string& ours, const std::string& theirs) {
  const std::string a = slurp(ours), b = slurp(theirs);
  if (a == b) return "";
  size_t at = 0;
  while (at < a.size() && at < b.size() && a[at] == b[at]) ++at;
  return theirs + " differs from " + ours + " at byte " + std::to_string(at) + " (sizes " + std::to_string(a.size()) +
         " and " + std::to_string(b.size()) + ")";
}

double time_command_build(const std::string& program, const std::string& folder, const std::string& catalogue,
                          std::string* error) {
  const auto start = std::chrono::steady_clock::now();
  const int64_t started = proc_run(wide(w16(program)), wide(w16("--build " + quoted(catalogue))), wide(w16(folder)),
                                   PROC_OPEN | PROC_READ, nullptr);
  if (started == 0) {
    *error = "could not start " + program;
    return 0;
  }
  auto* record = reinterpret_cast<ProcessRecord*>(started);
  const std::string output = read_all(record->output_pipe);
  WaitForSingleObject(record->process, INFINITE);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  DWORD code = 1;
  GetExitCodeProcess(record->process, &code);
  if (code != 0 || output.rfind("Built ", 0) != 0)
    *error = program + " --build ended with " + std::to_string(code) + ": " + output;
  return seconds;
}
