// quentarpbm_bench: one interleaved run over every variant and size, medians as floor ratios.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench_images.h"
#include "bench_memory.h"
#include "bench_methods.h"
#include "bench_wic_codec.h"
#include "netpbm/fast/simd/simd_level.h"

namespace {

struct Options {
  std::string directory = "bench-images";
  std::vector<std::string> sizeClasses = {"large", "medium", "tiny"};
  int largeRuns = 7;
  int mediumRuns = 25;
  std::string methods;  // comma-separated names to time; empty for all
  // One method run once on one image, its peak memory printed: what the
  // main run asks of a process of its own for each method and image.
  std::string memoryMethod;
  std::string memorySizeClass;
  std::string memoryLabel;
  // A file of any size read once in 64-row bands by the codec.
  std::string bandsPath;
};

Options ParseOptions(int argc, char** argv) {
  Options options;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == "--dir" && hasValue) {
      options.directory = argv[++i];
    } else if (arg == "--sizes" && hasValue) {
      options.sizeClasses.clear();
      std::string list = argv[++i];
      for (size_t start = 0; start <= list.size();) {
        const size_t comma = std::min(list.find(',', start), list.size());
        options.sizeClasses.push_back(list.substr(start, comma - start));
        start = comma + 1;
      }
    } else if (arg == "--methods" && hasValue) {
      options.methods = "," + std::string(argv[++i]) + ",";
    } else if (arg == "--runs" && hasValue) {
      options.largeRuns = atoi(argv[++i]);
      options.mediumRuns = options.largeRuns;
    } else if (arg == "--bands" && hasValue) {
      options.bandsPath = argv[++i];
    } else if (arg == "--memory" && i + 3 < argc) {
      options.memoryMethod = argv[++i];
      options.memorySizeClass = argv[++i];
      options.memoryLabel = argv[++i];
    } else {
      fprintf(stderr,
              "usage: quentarpbm_bench [--dir DIR] [--sizes large,medium,tiny,smoke] [--runs N]\n"
              "                        [--methods floor,PBMOpen,...]\n"
              "       quentarpbm_bench [--dir DIR] --memory METHOD SIZECLASS LABEL\n"
              "       quentarpbm_bench --bands FILE\n");
      exit(2);
    }
  }
  return options;
}

const char* SimdLevelName(quentarpbm::SimdLevel level) {
  return level == quentarpbm::SimdLevel::kAvx2    ? "AVX2"
         : level == quentarpbm::SimdLevel::kSsse3 ? "SSSE3"
                                                  : "baseline (SSE2, or the class table)";
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const size_t n = values.size();
  return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2.0;
}

struct TimedImage {
  BenchImage image;
  int runs;
  std::vector<std::vector<double>> times;  // per method, in milliseconds, one per timed run
};

// One interleaved run over every image of every size class: each round
// visits every image that still wants runs and every method in turn, so slow
// drifts of the machine touch all of them alike; one untimed warm-up round
// comes first. Large images take fewer rounds than the others.
std::vector<TimedImage> TimeImages(const Options& options,
                                   const std::vector<BenchMethod>& methods) {
  std::vector<TimedImage> timed;
  int rounds = 0;
  for (const std::string& sizeClass : options.sizeClasses) {
    const int runs = sizeClass == "large" ? options.largeRuns : options.mediumRuns;
    rounds = std::max(rounds, runs);
    for (const BenchImage& image : MakeBenchImages(options.directory, sizeClass))
      timed.push_back({image, runs, std::vector<std::vector<double>>(methods.size())});
  }
  for (int round = 0; round <= rounds; ++round) {
    for (TimedImage& entry : timed) {
      if (round > entry.runs) continue;
      for (size_t m = 0; m < methods.size(); ++m) {
        if (!methods[m].reads(entry.image)) continue;
        const auto start = std::chrono::steady_clock::now();
        const bool ok = methods[m].run(entry.image);
        const auto stop = std::chrono::steady_clock::now();
        if (!ok) throw std::runtime_error(methods[m].name + " failed on " + entry.image.path);
        if (round > 0)
          entry.times[m].push_back(std::chrono::duration<double, std::milli>(stop - start).count());
      }
    }
  }
  return timed;
}

// The median time of the method named name on entry, or 0 where it was not timed.
double MedianOf(const TimedImage& entry, const std::vector<BenchMethod>& methods,
                const std::string& name) {
  for (size_t m = 0; m < methods.size(); ++m) {
    if (methods[m].name == name && !entry.times[m].empty()) return Median(entry.times[m]);
  }
  return 0;
}

void PrintTable(const std::vector<TimedImage>& timed, const std::vector<BenchMethod>& methods) {
  printf(
      "median of interleaved runs in ms, and ratio to the floor (the design floor; stream:\n"
      "the stream floor; /stream: PBMOpen to the stream floor; the WIC codec's rows: hdr\n"
      "Initialize and GetSize, frame the whole frame in one CopyPixels, bands 64 rows a\n"
      "call top to bottom, thumb scaled to 256 wide; frame/rows: the whole frame to\n"
      "PBMOpen's reading stage (rows); bands/frame and thumb/frame to the whole frame;\n"
      "P1c: compact plain PBM;\n"
      "P6h: a header alone declaring the image; P6t: a raw PPM cut off halfway)\n");
  printf("number scanner's kernel on this processor: %s\n",
         SimdLevelName(quentarpbm::ProcessorSimdLevel()));
  printf("%-6s %-4s %11s %9s %4s", "size", "", "pixels", "file MB", "runs");
  for (const BenchMethod& method : methods) printf(" %18s", method.name.c_str());
  printf(" %9s %10s %11s %11s\n", "/stream", "frame/rows", "bands/frame", "thumb/frame");
  for (const TimedImage& entry : timed) {
    const BenchImage& image = entry.image;
    char size[32];
    snprintf(size, sizeof size, "%dx%d", image.width, image.height);
    printf("%-6s %-4s %11s %9.3f %4d", image.sizeClass.c_str(), image.label.c_str(), size,
           static_cast<double>(image.fileBytes) / 1e6, entry.runs);
    const double floor = Median(entry.times[0]);
    for (size_t m = 0; m < methods.size(); ++m) {
      if (entry.times[m].empty()) {
        printf(" %18s", "-");
        continue;
      }
      const double median = Median(entry.times[m]);
      printf(" %9.3f (%5.2fx)", median, median / floor);
    }
    // Ratios where both of their methods were timed.
    const auto ratio = [&](const char* numerator, const char* denominator, int width) {
      const double top = MedianOf(entry, methods, numerator);
      const double bottom = MedianOf(entry, methods, denominator);
      if (top > 0 && bottom > 0) {
        printf(" %*.2fx", width - 1, top / bottom);
      } else {
        printf(" %*s", width, "-");
      }
    };
    ratio("PBMOpen", "stream", 9);
    ratio("frame", "rows", 10);
    ratio("bands", "frame", 11);
    ratio("thumb", "frame", 11);
    printf("\n");
  }
  fflush(stdout);
}

// The rate at which the reading stage alone takes each file, where it was timed.
void PrintReadingRates(const std::vector<TimedImage>& timed,
                       const std::vector<BenchMethod>& methods) {
  size_t rows = 0;
  while (rows < methods.size() && methods[rows].name != "rows") ++rows;
  if (rows == methods.size()) return;
  printf("\nreading stage alone (rows), GB/s of file\n");
  for (const TimedImage& entry : timed) {
    if (entry.times[rows].empty() || entry.image.fileBytes < 1000) continue;
    const double seconds = Median(entry.times[rows]) / 1e3;
    printf("%-6s %-4s %6.2f\n", entry.image.sizeClass.c_str(), entry.image.label.c_str(),
           static_cast<double>(entry.image.fileBytes) / seconds / 1e9);
  }
  fflush(stdout);
}

const BenchMethod* MethodNamed(const std::vector<BenchMethod>& methods, const std::string& name) {
  for (const BenchMethod& method : methods) {
    if (method.name == name) return &method;
  }
  return nullptr;
}

// The --memory run: the method once on the smallest image (so that what
// it loads is loaded), then once on the image asked for; prints the peak
// of private memory above what the process held before.
int MeasureOnce(const Options& options) {
  const std::vector<BenchMethod> methods = BenchMethods();
  const BenchMethod* method = MethodNamed(methods, options.memoryMethod);
  const std::vector<BenchImage> tiny = MakeBenchImages(options.directory, "tiny");
  const std::vector<BenchImage> images =
      MakeBenchImages(options.directory, options.memorySizeClass);
  const BenchImage* image = nullptr;
  for (const BenchImage& candidate : images) {
    if (candidate.label == options.memoryLabel) image = &candidate;
  }
  if (method == nullptr || image == nullptr || !method->run(tiny.back())) return 1;
  const uint64_t before = PrivateBytes();
  if (!method->run(*image)) return 1;
  const uint64_t peak = PeakPrivateBytes();
  printf("%llu\n", static_cast<unsigned long long>(peak > before ? peak - before : 0));
  return 0;
}

// The --bands run: a file of any size (its header without comments) read
// top to bottom in 64-row bands once, after its header alone (so that what
// the codec loads is loaded); prints the time and the peak memory.
int ReadInBands(const std::string& path) {
  FILE* file = fopen(path.c_str(), "rb");
  char magic[3] = {};
  BenchImage image;
  const bool read =
      file != nullptr && fscanf(file, "%2s %d %d", magic, &image.width, &image.height) == 3;
  if (file != nullptr) fclose(file);
  if (!read || image.width <= 0 || image.height <= 0) return 1;
  image.path = path;
  image.variant = magic;
  image.dibBytesPerPixel = magic[1] == '3' || magic[1] == '6' ? 3 : 1;
  if (!RunWicHeader(image)) return 1;
  const uint64_t before = PrivateBytes();
  const auto start = std::chrono::steady_clock::now();
  const bool ok = RunWicBands(image);
  const auto stop = std::chrono::steady_clock::now();
  const uint64_t peak = PeakPrivateBytes();
  printf(
      "%s: %d x %d %s in %d-row bands, %.1f s; peak memory %.1f MB above before "
      "(the band's buffer %.1f MB)\n",
      path.c_str(), image.width, image.height, ok ? "read" : "FAILED", kWicBandRows,
      std::chrono::duration<double>(stop - start).count(),
      static_cast<double>(peak > before ? peak - before : 0) / 1e6,
      static_cast<double>(WicBandBytes(image)) / 1e6);
  return ok ? 0 : 1;
}

// Each method's peak private memory on each large image, each measured in a
// process of its own; for the codec's rows also what is beyond the host's
// buffer.
void PrintMemory(const std::vector<TimedImage>& timed, const std::vector<BenchMethod>& methods,
                 const Options& options) {
  const char* const kMeasured[] = {"PBMOpen", "rows", "hdr", "frame", "bands", "thumb"};
  printf(
      "\npeak private memory during one call, MB above the process's before it (in brackets:\n"
      "beyond the host's output buffer), each in a process of its own\n");
  printf("%-6s %-4s", "size", "");
  for (const char* name : kMeasured) {
    if (MethodNamed(methods, name) != nullptr) printf(" %16s", name);
  }
  printf("\n");
  const std::string self = SelfPath();
  for (const TimedImage& entry : timed) {
    const BenchImage& image = entry.image;
    if (image.sizeClass != "large") continue;
    printf("%-6s %-4s", image.sizeClass.c_str(), image.label.c_str());
    for (const char* name : kMeasured) {
      const BenchMethod* method = MethodNamed(methods, name);
      if (method == nullptr) continue;
      const std::string output =
          CommandOutput("\"" + self + "\" --dir \"" + options.directory + "\" --memory " + name +
                        " " + image.sizeClass + " " + image.label);
      const double megabytes = atof(output.c_str()) / 1e6;
      if (output.empty()) {
        printf(" %16s", "failed");
      } else if (method->outputBytes != nullptr) {
        const double beyond = megabytes - static_cast<double>(method->outputBytes(image)) / 1e6;
        printf(" %7.1f (%6.1f)", megabytes, beyond);
      } else {
        printf(" %16.1f", megabytes);
      }
      fflush(stdout);
    }
    printf("\n");
  }
}

}  // namespace

int main(int argc, char** argv) {
  const Options options = ParseOptions(argc, argv);
  try {
    if (!options.memoryMethod.empty()) return MeasureOnce(options);
    if (!options.bandsPath.empty()) return ReadInBands(options.bandsPath);
    std::filesystem::create_directories(options.directory);
    std::vector<BenchMethod> methods;
    // The floor stays first: every ratio is taken to it.
    for (const BenchMethod& method : BenchMethods()) {
      if (methods.empty() || options.methods.empty() ||
          options.methods.find("," + method.name + ",") != std::string::npos)
        methods.push_back(method);
    }
    const std::vector<TimedImage> timed = TimeImages(options, methods);
    PrintTable(timed, methods);
    PrintReadingRates(timed, methods);
    PrintMemory(timed, methods, options);
  } catch (const std::exception& failure) {
    fprintf(stderr, "quentarpbm_bench: %s\n", failure.what());
    return 1;
  }
  return 0;
}
