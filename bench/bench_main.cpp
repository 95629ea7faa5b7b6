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
#include "bench_methods.h"
#include "netpbm/fast/simd/simd_level.h"

namespace {

struct Options {
  std::string directory = "bench-images";
  std::vector<std::string> sizeClasses = {"large", "medium", "tiny"};
  int largeRuns = 7;
  int mediumRuns = 25;
  std::string methods;  // comma-separated names to time; empty for all
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
    } else {
      fprintf(stderr,
              "usage: quentarpbm_bench [--dir DIR] [--sizes large,medium,tiny,smoke] [--runs N]\n"
              "                        [--methods floor,PBMOpen,...]\n");
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
      "the stream floor; /stream: PBMOpen to the stream floor; /rows: the WIC codec's\n"
      "decode, whole frame through CopyPixels, to PBMOpen's reading stage (rows);\n"
      "P1c: compact plain PBM;\n"
      "P6h: a header alone declaring the image; P6t: a raw PPM cut off halfway)\n");
  printf("number scanner's kernel on this processor: %s\n",
         SimdLevelName(quentarpbm::ProcessorSimdLevel()));
  printf("%-6s %-4s %11s %9s %4s", "size", "", "pixels", "file MB", "runs");
  for (const BenchMethod& method : methods) printf(" %18s", method.name.c_str());
  printf(" %9s %9s\n", "/stream", "/rows");
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
    const double pbmOpen = MedianOf(entry, methods, "PBMOpen");
    const double stream = MedianOf(entry, methods, "stream");
    if (pbmOpen > 0 && stream > 0) printf("   %6.2fx", pbmOpen / stream);
    // The WIC codec's decode to the reading stage, where this build has the codec.
    const double rows = MedianOf(entry, methods, "rows");
    const double wic = MedianOf(entry, methods, "WIC");
    if (rows > 0 && wic > 0) printf("   %6.2fx", wic / rows);
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

}  // namespace

int main(int argc, char** argv) {
  const Options options = ParseOptions(argc, argv);
  try {
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
  } catch (const std::exception& failure) {
    fprintf(stderr, "quentarpbm_bench: %s\n", failure.what());
    return 1;
  }
  return 0;
}
