// The benchmark's measure of memory on Windows: GetProcessMemoryInfo and _popen.
#include <windows.h>

#include <psapi.h>
#include <stdio.h>

#include <string>

#include "bench_memory.h"

namespace {

PROCESS_MEMORY_COUNTERS_EX Counters() {
  PROCESS_MEMORY_COUNTERS_EX counters = {};
  counters.cb = sizeof counters;
  if (!GetProcessMemoryInfo(GetCurrentProcess(),
                            reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof counters))
    counters = PROCESS_MEMORY_COUNTERS_EX{};
  return counters;
}

}  // namespace

// The working set and its peak: Wine (8) reports no PrivateUsage and a
// PeakPagefileUsage that is only the present usage, but keeps the working
// set's true peak; memory a call commits is memory it touches.
uint64_t PrivateBytes() { return Counters().WorkingSetSize; }
uint64_t PeakPrivateBytes() { return Counters().PeakWorkingSetSize; }

std::string SelfPath() {
  char path[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  return length > 0 && length < MAX_PATH ? std::string(path, length) : std::string();
}

// cmd.exe /c, which _popen runs, takes the outer quotes off a command that
// starts with one: the command goes in a pair of its own.
std::string CommandOutput(const std::string& command) {
  FILE* pipe = _popen(("\"" + command + "\"").c_str(), "r");
  if (pipe == nullptr) return std::string();
  std::string output;
  char piece[256];
  while (fgets(piece, sizeof piece, pipe) != nullptr) output += piece;
  _pclose(pipe);
  return output;
}
