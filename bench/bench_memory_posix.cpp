// The benchmark's measure of memory natively: /proc/self/status and popen.
#include <stdio.h>
#include <string.h>
#include <unistd.h>

#include <string>

#include "bench_memory.h"

namespace {

// A line "name: N kB" of /proc/self/status, in bytes.
uint64_t StatusBytes(const char* name) {
  FILE* status = fopen("/proc/self/status", "r");
  if (status == nullptr) return 0;
  char line[256];
  unsigned long long kilobytes = 0;
  const size_t length = strlen(name);
  while (fgets(line, sizeof line, status) != nullptr) {
    if (strncmp(line, name, length) == 0 && sscanf(line + length, ": %llu", &kilobytes) == 1) break;
  }
  fclose(status);
  return kilobytes * 1024;
}

}  // namespace

uint64_t PrivateBytes() { return StatusBytes("VmRSS"); }
uint64_t PeakPrivateBytes() { return StatusBytes("VmHWM"); }

std::string SelfPath() {
  char path[4096];
  const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
  return length > 0 ? std::string(path, static_cast<size_t>(length)) : std::string();
}

std::string CommandOutput(const std::string& command) {
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return std::string();
  std::string output;
  char piece[256];
  while (fgets(piece, sizeof piece, pipe) != nullptr) output += piece;
  pclose(pipe);
  return output;
}
