// write_generated_sources DIR LENGTH: writes the two sources of a generated
// line of LENGTH metres (bench/scenario_generator.h) into DIR, as
// GEN<km>_linea.txt and GEN<km>_9000-.txt, and prints their paths. Built with
// the tests, so that CI can make the long scenario without the benchmark
// library.
#include <cstdio>
#include <exception>
#include <string>

#include "bench/scenario_generator.h"
#include "platform/file_system.h"
#include "sources/file_names.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: write_generated_sources DIR LENGTH\n");
    return 2;
  }
  try {
    std::size_t used = 0;
    const std::string length_text = argv[2];
    const long long length = std::stoll(length_text, &used);
    if (used != length_text.size()) throw std::invalid_argument("not a number of metres");
    const sb::GeneratedSources s = sb::generate_sources(static_cast<sb::Long>(length));
    const sb::FileNames names{sb::generated_scenario_name(static_cast<sb::Long>(length)),
                              sb::kGeneratedTrain};
    const std::string directory = argv[1];
    sb::DiskFileSystem files;
    files.create_directories(directory);
    files.write(directory + "/" + names.line_source(), s.line);
    files.write(directory + "/" + names.train_source(), s.train);
    std::printf("%s/%s\n%s/%s\n", directory.c_str(), names.line_source().c_str(), directory.c_str(),
                names.train_source().c_str());
    return 0;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "write_generated_sources %s %s: %s\n", argv[1], argv[2], e.what());
    return 1;
  }
}
