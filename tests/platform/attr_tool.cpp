// Reads and sets Windows attributes through the file services, for the scripts that check the
// bits on a volume with other tools (ntfsinfo, mattrib, smbclient).
//   attr_tool get PATH...        prints "0xHEX PATH" for each path
//   attr_tool set HEX PATH...    sets the attributes of each path
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/file_services.h"

int main(int argc, char** argv) {
  std::string command = argc > 1 ? argv[1] : "";
  int first = command == "set" ? 3 : 2;
  if ((command != "get" && command != "set") || argc <= first) {
    std::fprintf(stderr, "usage: attr_tool get PATH... | attr_tool set HEX PATH...\n");
    return 2;
  }
  std::uint32_t value = command == "set" ? std::strtoul(argv[2], nullptr, 16) : 0;
  int status = 0;
  for (int i = first; i < argc; ++i) {
    std::uint32_t attributes = 0;
    orm::FileError error = command == "get"
                               ? orm::NativeFileServices().GetAttributes(argv[i], attributes)
                               : orm::NativeFileServices().SetAttributes(argv[i], value);
    if (!error.ok()) {
      std::fprintf(stderr, "%s: error %d (errno %d) %s\n", argv[i], error.number, error.os_error,
                   error.description.c_str());
      status = 1;
    } else if (command == "get") {
      std::printf("0x%x %s\n", attributes, argv[i]);
    }
  }
  return status;
}
