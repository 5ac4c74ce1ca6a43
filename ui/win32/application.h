// The application object: the program's identity as its own file carries it.
#pragma once

#include <string>

namespace orm::win32 {

struct Application {
  std::string title;            // "Tevrin - Ormavell"
  std::string fileDescription;  // from the version information
  std::string productName;
  int major = 0;
  int minor = 0;
  int revision = 0;

  // "1.00.0003": major, minor in two digits, revision in four.
  std::string VersionText() const;
};

// The running program's application object, read once from its version information. Raises
// RunTimeError when the program file carries none.
const Application& App();

}  // namespace orm::win32
