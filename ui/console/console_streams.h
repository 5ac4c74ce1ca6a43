// The standard output and standard error of a program run from a command line.
#pragma once

#include <string_view>

namespace orm::console {

class ConsoleStreams {
 public:
  virtual ~ConsoleStreams() = default;
  // Writes the UTF-8 bytes at once, unbuffered. A stream that is gone (a closed pipe) takes the
  // bytes silently, so that the run goes on to its end.
  virtual void Out(std::string_view bytes) = 0;
  virtual void Err(std::string_view bytes) = 0;
  // The width in columns of standard error when it is a terminal; 0 when it is not.
  virtual int ErrTerminalColumns() = 0;
  // True when standard output is a terminal too.
  virtual bool OutIsTerminal() = 0;
};

}  // namespace orm::console
