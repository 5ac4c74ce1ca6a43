// The tree the benchmarks dress: folders of fan-out 10, each with two small files, named with a
// capital as most folders are.
#pragma once

#include <deque>
#include <filesystem>
#include <fstream>
#include <string>

namespace orm::bench {

inline void WriteFile(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

// Makes `folders` folders below root, breadth first, so that they form a tree of fan-out 10;
// returns the number of folders with the root.
inline int BuildTree(const std::filesystem::path& root, int folders) {
  std::filesystem::create_directories(root);
  std::deque<std::filesystem::path> queue = {root};
  int made = 0;
  while (made < folders) {
    const std::filesystem::path parent = queue.front();
    queue.pop_front();
    for (int i = 0; i < 10 && made < folders; ++i, ++made) {
      const std::filesystem::path child = parent / ("Folder" + std::to_string(i));
      std::filesystem::create_directory(child);
      WriteFile(child / "notes.txt", "a few bytes\n");
      WriteFile(child / "photo.dat", std::string(512, 'x'));
      queue.push_back(child);
    }
  }
  return made + 1;
}

}  // namespace orm::bench
