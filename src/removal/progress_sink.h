// Where the removal steps report how far the run got.
#pragma once

namespace vrx {

// The program hands the removal one of these (Program::progress()): in the program it is the
// run's counter and the progress window's bar (wizard/run_progress.h).
class ProgressSink {
 public:
  virtual ~ProgressSink() = default;
  // Adds `step` to the run's counter and shows the counter / 10 on the bar.
  virtual void Advance(double step) = 0;
};

}  // namespace vrx
