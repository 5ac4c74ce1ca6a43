// What a folder listing costs on the Linux file services: with a mask that lets every
// attribute but the directory bit through (the entry type is enough), with one that needs each
// entry's stored attributes, and an attribute read per entry as a walk makes it.
//   listing_bench [FOLDER [ENTRIES]]   (a new folder is made inside FOLDER, default /tmp)
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include <unistd.h>

#include "platform/file_services.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// Runs body rounds times; microseconds per round.
template <typename Body>
double Time(int rounds, Body body) {
  auto start = Clock::now();
  for (int i = 0; i < rounds; ++i) body();
  return std::chrono::duration<double, std::micro>(Clock::now() - start).count() / rounds;
}

std::size_t ListAll(const std::string& folder, std::uint32_t mask) {
  std::unique_ptr<orm::DirListing> listing;
  if (!orm::NativeFileServices().OpenListing(folder + "/*.*", mask, listing).ok()) std::abort();
  std::size_t count = 0;
  for (std::string name; listing->Next(name).ok() && !name.empty();) ++count;
  return count;
}

}  // namespace

int main(int argc, char** argv) {
  fs::path base = argc > 1 ? fs::path(argv[1]) : fs::temp_directory_path();
  int entries = argc > 2 ? std::atoi(argv[2]) : 5000;
  fs::path folder = base / ("ormavell-bench-" + std::to_string(::getpid()));
  fs::create_directory(folder);
  orm::FileServices& files = orm::NativeFileServices();
  for (int i = 0; i < entries; ++i) {
    std::string name = (folder / ("entry" + std::to_string(i))).string();
    if (i % 10 == 0) {
      fs::create_directory(name);
    } else {
      std::ofstream(name) << "x";
    }
    if (i % 3 == 0) files.SetAttributes(name, orm::kAttrHidden);
  }
  std::string path = folder.string();
  const int rounds = 20;
  std::size_t seen = 0;
  double by_type = Time(rounds, [&] { seen = ListAll(path, orm::kMaskFiles); });
  std::printf("%d entries in %s\n", entries, path.c_str());
  std::printf("listing, mask 39 (entry type only):      %9.0f us, %zu names\n", by_type, seen);
  double by_attributes = Time(rounds, [&] { seen = ListAll(path, orm::kAttrArchive); });
  std::printf("listing, mask 32 (stored attributes):    %9.0f us, %zu names\n", by_attributes,
              seen);
  double walk = Time(rounds, [&] {
    for (int i = 0; i < entries; ++i) {
      std::uint32_t attributes = 0;
      files.GetAttributes(path + "/entry" + std::to_string(i), attributes);
    }
  });
  std::printf("GetAttributes of every entry:            %9.0f us, %.2f us each\n", walk,
              walk / entries);
  fs::remove_all(folder);
  return 0;
}
