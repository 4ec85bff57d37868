#include "wizard/run_progress.h"

#include <cmath>
#include <cstdint>
#include <limits>

#include "progress/processing_form.h"
#include "state/program.h"
#include "wizard/uninstall_form.h"

namespace vrx {
namespace {

// The nearest integer, a half going to the even neighbour.
double RoundHalfEven(double value) {
  double floor = std::floor(value);
  double fraction = value - floor;
  if (fraction > 0.5) return floor + 1;
  if (fraction < 0.5) return floor;
  return std::fmod(floor, 2.0) == 0 ? floor : floor + 1;
}

}  // namespace

void RunProgress::Advance(double step) {
  int16_t& counter = program_.UnInstall().nStartProgress;
  double count = counter + step;
  double rounded = RoundHalfEven(count);
  if (!(rounded >= std::numeric_limits<int16_t>::min() &&
        rounded <= std::numeric_limits<int16_t>::max())) {
    return;
  }
  (void)program_.Processing().ProgressBar1().SetProgressValue(static_cast<float>(count / 10));
  counter = static_cast<int16_t>(rounded);
}

}  // namespace vrx
