// SPDX-License-Identifier: MIT
#pragma once

namespace glyphon::platform {

// Where long loops report their percentage. A sink must make a repeated value cost
// nothing; the loops only call it when the value changes.
class ProgressSink {
 public:
  virtual ~ProgressSink() = default;
  virtual void Report(int percent) = 0;
};

class NullProgress final : public ProgressSink {
 public:
  void Report(int) override {}
};

}  // namespace glyphon::platform
