// /WHATIF: the run made on a copy of the machine instead of the machine itself.
//
// The copy is a snapshot (snapshot.h) held in memory. The program runs on it with the same
// command line through the same deployment words: with /QUIET its questions are answered as a
// quiet run answers them, otherwise the person answers them in the program's own windows, drawn
// by `person`. The run's log (with /LOG=) is the log the real run would write, framed by a first
// line saying that nothing was changed and by the summary of what the run would do. Nothing
// changes on the machine: the snapshot only reads, and the run writes only to the copy.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "deploy/deployment.h"
#include "platform/sim/machine_summary.h"
#include "platform/sim/sim_machine.h"
#include "preview/host_calls.h"
#include "preview/snapshot.h"
#include "state/program.h"

namespace vrx::preview {

class WhatIf {
 public:
  // Takes the snapshot. `live`'s members, `files`, `person` (null: no person, as with /QUIET)
  // and `sink` (null: no log) are not owned and must outlive this.
  WhatIf(const Platform& live, LiveFiles* files, const CommandWords& words, Ui* person,
         LogSink* sink);
  ~WhatIf();
  WhatIf(const WhatIf&) = delete;
  WhatIf& operator=(const WhatIf&) = delete;

  // Starts the run on the copy: the program's start-up with the command line. Without /QUIET
  // the caller then lets the person use the windows until no form is loaded.
  void Start(const std::string& command_line, const std::string& started);
  // Ends the run once no form is loaded; the exit code the real run would give.
  int End();

  Program& program() { return *program_; }
  const SnapshotReport& report() const { return report_; }
  // What the run did to the copy: removed, changed, left for the next start of Windows, kept.
  std::string Summary() const;
  // The summary, a line an entry, blank lines dropped, as the window lists it.
  std::vector<std::string> SummaryLines() const;

 private:
  // The person's windows over the copy's clock: each pump of the windows lets the copy's clock
  // and its Word go on by one step too.
  class PersonUi : public ForwardingUi {
   public:
    PersonUi(Ui* person, Ui* copy) : ForwardingUi(person), copy_(copy) {}
    void PumpEvents() override {
      ForwardingUi::PumpEvents();
      copy_->PumpEvents();
    }

   private:
    Ui* copy_;
  };

  sim::SimMachine machine_;
  SnapshotReport report_;
  sim::MachineSnapshot before_;
  LogSink* sink_;
  std::unique_ptr<PersonUi> person_ui_;
  std::unique_ptr<Deployment> deployment_;
  std::unique_ptr<Program> program_;
};

}  // namespace vrx::preview
