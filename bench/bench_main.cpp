// quentarpbm_bench: medians of interleaved runs over the six variants, as ratios to the floor.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench_images.h"
#include "bench_methods.h"

namespace {

struct Options {
  std::string directory = "bench-images";
  std::vector<std::string> sizeClasses = {"large", "medium"};
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
              "usage: quentarpbm_bench [--dir DIR] [--sizes large,medium,smoke] [--runs N]\n"
              "                        [--methods floor,PBMOpen,...]\n");
      exit(2);
    }
  }
  return options;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const size_t n = values.size();
  return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2.0;
}

// Every run visits every image and every method in turn, so slow drifts of
// the machine touch all of them alike; one untimed warm-up run comes first.
void RunSizeClass(const Options& options, const std::string& sizeClass,
                  const std::vector<BenchMethod>& methods) {
  const std::vector<BenchImage> images = MakeBenchImages(options.directory, sizeClass);
  const int runs = sizeClass == "large" ? options.largeRuns : options.mediumRuns;
  // times[image][method] in milliseconds, one per timed run.
  std::vector<std::vector<std::vector<double>>> times(
      images.size(), std::vector<std::vector<double>>(methods.size()));
  for (int run = 0; run <= runs; ++run) {
    for (size_t i = 0; i < images.size(); ++i) {
      for (size_t m = 0; m < methods.size(); ++m) {
        if (!methods[m].reads(images[i])) continue;
        const auto start = std::chrono::steady_clock::now();
        const bool ok = methods[m].run(images[i]);
        const auto stop = std::chrono::steady_clock::now();
        if (!ok) throw std::runtime_error(methods[m].name + " failed on " + images[i].path);
        if (run > 0)
          times[i][m].push_back(std::chrono::duration<double, std::milli>(stop - start).count());
      }
    }
  }

  printf("\n%s images, median of %d interleaved runs (ms, and ratio to the floor)\n",
         sizeClass.c_str(), runs);
  printf("%-4s %11s %9s", "", "size", "file MB");
  for (const BenchMethod& method : methods) printf(" %18s", method.name.c_str());
  printf("\n");
  for (size_t i = 0; i < images.size(); ++i) {
    const BenchImage& image = images[i];
    char size[32];
    snprintf(size, sizeof size, "%dx%d", image.width, image.height);
    printf("%-4s %11s %9.1f", image.variant.c_str(), size,
           static_cast<double>(image.fileBytes) / 1e6);
    const double floor = Median(times[i][0]);
    for (size_t m = 0; m < methods.size(); ++m) {
      if (times[i][m].empty()) {
        printf(" %18s", "-");
        continue;
      }
      const double median = Median(times[i][m]);
      printf(" %9.2f (%5.2fx)", median, median / floor);
    }
    printf("\n");
    fflush(stdout);
  }
}

}  // namespace

int main(int argc, char** argv) {
  const Options options = ParseOptions(argc, argv);
  mkdir(options.directory.c_str(), 0755);
  try {
    std::vector<BenchMethod> methods;
    // The floor stays first: every ratio is taken to it.
    for (const BenchMethod& method : BenchMethods()) {
      if (methods.empty() || options.methods.empty() ||
          options.methods.find("," + method.name + ",") != std::string::npos)
        methods.push_back(method);
    }
    for (const std::string& sizeClass : options.sizeClasses)
      RunSizeClass(options, sizeClass, methods);
  } catch (const std::exception& failure) {
    fprintf(stderr, "quentarpbm_bench: %s\n", failure.what());
    return 1;
  }
  return 0;
}
