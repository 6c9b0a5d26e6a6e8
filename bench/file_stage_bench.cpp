// The installation's file stage as one benchmark phase: a fresh staging
// directory, "setup.Dat" unpacked into it, the product files placed into a
// new installation directory (InstallFiles), the staging directory removed.
// Web mail is not chosen, so a distribution needs only "setup.Dat" and the
// companion files (readme.txt, releasenotes.txt, the program "setup.exe").
//
//   file_stage_bench DISTRIBUTION INSTALL
//
// Prints one line: phase=file-stage seconds=... extract=... place=... remove=... cpu=...
// peak_kb=... private_kb=... (the installed files are counted by the caller, outside
// the timed process, as for the NSIS installer).
#include <windows.h>
#include <psapi.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "engine/extract_data_file.h"
#include "engine/file_helpers.h"
#include "engine/install_product_files.h"

namespace {

class SilentProgress : public engine::InstallProgress {
 public:
  void SetProgressText(const std::string&) override {}
  void StepProgress() override {}
  void FatalError(const std::string& text, unsigned) override {
    std::fprintf(stderr, "fatal: %s\n", text.c_str());
    failed = true;
  }
  bool failed = false;
};

// The data sources and the engine are not part of the file stage.
class NoServices : public engine::ComponentServices {
 public:
  bool DSNExists(const std::string&) override { return true; }
  bool CreateAccessDSN(const std::string&, const std::string&) override { return true; }
  bool LoadAvSetupInterface(const std::string&) override { return false; }
  bool InstallAvEngine(const std::string&) override { return false; }
  void UnloadAvSetupInterface() override {}
  bool UpdateAvEngineFiles() override { return false; }
};

double CpuSeconds() {
  FILETIME created, exited, kernel, user;
  ::GetProcessTimes(::GetCurrentProcess(), &created, &exited, &kernel, &user);
  auto seconds = [](const FILETIME& t) {
    return static_cast<double>((static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 1e7;
  };
  return seconds(kernel) + seconds(user);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: file_stage_bench DISTRIBUTION INSTALL\n");
    return 2;
  }
  setup::SetupState state;
  state.ProgramDir = engine::AdjustTrailingBackslash(argv[1], true, false);
  state.InstallFolder = engine::AdjustTrailingBackslash(argv[2], true, false);
  state.NoInstallWebMail = true;
  SilentProgress progress;
  NoServices services;

  auto start = std::chrono::steady_clock::now();
  double cpu = CpuSeconds();
  engine::FileStagePaths paths;
  paths.program_dir = state.ProgramDir;
  paths.program_file = "setup.exe";
  paths.staging = engine::ExtractSetupData(progress, state.ProgramDir);
  auto extracted = std::chrono::steady_clock::now();
  bool done = !paths.staging.empty() && engine::InstallFiles(progress, services, state, paths);
  auto placed = std::chrono::steady_clock::now();
  if (done) engine::RemoveExtractedTree(paths.staging);
  auto end = std::chrono::steady_clock::now();
  double seconds = std::chrono::duration<double>(end - start).count();
  cpu = CpuSeconds() - cpu;
  if (!done || progress.failed) return 1;

  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  ::GetProcessMemoryInfo(::GetCurrentProcess(), &counters, sizeof counters);
  auto between = [](auto from, auto to) { return std::chrono::duration<double>(to - from).count(); };
  std::printf("phase=file-stage seconds=%.3f extract=%.3f place=%.3f remove=%.3f cpu=%.3f peak_kb=%llu "
              "private_kb=%llu\n",
              seconds, between(start, extracted), between(extracted, placed), between(placed, end), cpu,
              static_cast<unsigned long long>(counters.PeakWorkingSetSize / 1024),
              static_cast<unsigned long long>(counters.PeakPagefileUsage / 1024));
  return 0;
}
