// The ignore-and-continue mode: a step that fails is abandoned, its error becomes the current
// error, and the caller goes on with the next step.
#pragma once

#include <cstdint>
#include <string>
#include <utility>

#include "engine/run_time_error.h"

namespace orm {

class IgnoreMode {
 public:
  // Runs one step. A RunTimeError it raises is absorbed and becomes the current error; a step
  // that succeeds leaves the current error as it was. Other exceptions pass on: they are not
  // the program's run-time errors.
  template <class Step>
  void Run(Step&& step) {
    try {
      std::forward<Step>(step)();
    } catch (const RunTimeError& error) {
      number_ = error.number();
      description_ = error.description();
    }
  }

  // The outcome of a file service call made as a step: a failure becomes the current error.
  void Record(const FileError& outcome) {
    if (!outcome.ok()) {
      number_ = outcome.number;
      description_ = outcome.description;
    }
  }

  void Clear() {
    number_ = 0;
    description_.clear();
  }

  std::int32_t number() const { return number_; }
  const std::string& description() const { return description_; }

 private:
  std::int32_t number_ = 0;
  std::string description_;
};

}  // namespace orm
