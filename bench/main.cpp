// SPDX-License-Identifier: MIT
// tastomat_bench: timing and cost figures of the program against boardsim on loopback.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/figures.h"
#include "bench/program_run.h"

namespace {

constexpr const char* usage =
    "usage: tastomat_bench [--quick] [--shell-script PATH]\n"
    "Runs the program (offscreen) and the board link against boardsim on 127.0.0.1 and\n"
    "prints one table of figures beside their goals. scripts/bench builds and runs it.\n"
    "  --quick              skip the 5000 ms presses, fewer runs, 10 s instead of 60 s idle\n"
    "  --shell-script PATH  the script with the plain shell loop (default: scripts/bench)\n"
    "Internal: tastomat_bench program --port N [--duration MS] [--presses N] [--queries N]\n"
    "          [--group] [--idle S]   one scripted program run, figures on stdout\n";

// Qt runs offscreen here; it wants a private runtime folder.
std::string prepareEnvironment() {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime != nullptr && *runtime != '\0') {
    return {};
  }
  std::string folder = "/tmp/tastomat-bench-xdg.XXXXXX";
  if (mkdtemp(folder.data()) == nullptr) {
    return {};
  }
  chmod(folder.c_str(), 0700);
  setenv("XDG_RUNTIME_DIR", folder.c_str(), 1);
  return folder;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace tastomat::bench;
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (!args.empty() && args[0] == "program") {
    std::string error;
    const auto script = parseScript({args.begin() + 1, args.end()}, error);
    if (!script) {
      std::fprintf(stderr, "%s\n", error.c_str());
      return 2;
    }
    return runScriptedProgram(*script);
  }

  BenchOptions options;
  options.shellScript = TASTOMAT_SOURCE_DIR "/scripts/bench";
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--quick") {
      options.quick = true;
    } else if (args[i] == "--shell-script" && i + 1 < args.size()) {
      options.shellScript = args[++i];
    } else {
      std::fputs(usage, args[i] == "--help" || args[i] == "-h" ? stdout : stderr);
      return args[i] == "--help" || args[i] == "-h" ? 0 : 2;
    }
  }
  const std::string ownRuntime = prepareEnvironment();
  int code = 1;
  try {
    code = runBenchmark(options);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "tastomat_bench: %s\n", e.what());
  }
  if (!ownRuntime.empty()) {
    std::error_code ignored;
    std::filesystem::remove_all(ownRuntime, ignored);
  }
  return code;
}
