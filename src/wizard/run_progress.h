// The run's progress: the counter the wizard starts and the progress window's bar.
#pragma once

#include "removal/progress_sink.h"

namespace vrx {

class Program;

// The counter is UnInstall.nStartProgress; the bar is Processing.ProgressBar1.
class RunProgress : public ProgressSink {
 public:
  explicit RunProgress(Program& program) : program_(program) {}
  // The sum is rounded half to even; a sum outside the counter's 16 bits changes nothing. A value
  // above the bar's Max is refused; the bar then keeps what it showed.
  void Advance(double step) override;

 private:
  Program& program_;
};

}  // namespace vrx
