// A whole simulated Windows machine: registry, drives, system, programs, Word, user and clock.
#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "platform/forwarding_platform.h"
#include "platform/platform.h"
#include "platform/sim/machine_image.h"
#include "platform/sim/reg_file.h"
#include "platform/sim/sim_files.h"
#include "platform/sim/sim_platform.h"
#include "platform/sim/sim_registry.h"
#include "platform/sim/sim_word.h"
#include "platform/sim/transcript.h"

namespace vrx::sim {

// Something that happens around the program while it runs ([events] of machine.ini): once, at
// the first moment its trigger names. Written "TRIGGER|ACTION":
//   start TEXT     right after the program starts a command line that holds TEXT (case ignored)
//   pump N         at the Nth pump of events, counted from the program's start
//   open PATH      as the program opens the file PATH to read or write it, before the open
// and the action:
//   word           the user starts Word 97 and works in it (SimWord::StartUsersInstance)
//   in-use PATH    another program starts holding the file open; free PATH lets it go
//   file PATH      the user saves a file there (made, or written over), its folder existing
struct SimEvent {
  enum class When { kStart, kPump, kOpen };
  enum class What { kWord, kInUse, kFree, kFile };
  When when = When::kPump;
  std::string trigger;  // the text, the number or the path
  What what = What::kWord;
  std::string path;  // of in-use, free and file
  bool fired = false;

  // The event from its written form; false when it is not one.
  static bool Parse(const std::string& text, SimEvent* event);
  std::string Format() const;
};

class SimMachine {
 public:
  SimMachine();
  SimMachine(const SimMachine&) = delete;
  SimMachine& operator=(const SimMachine&) = delete;

  // The machine as the program sees it.
  Platform platform();

  // Makes the facts of [system] take effect (the platform family of the registry and the drives).
  void ApplyFacts();

  // What the next start of Windows does: the delayed deletions; on Windows 95/98 the "NUL="
  // lines of Wininit.ini's [RENAME] section, after which the file becomes Wininit.bak; then the
  // RunOnce commands. Nothing is in use any more afterwards. Each deletion is a transcript line.
  void Restart();

  SystemFacts facts;
  Transcript transcript;
  SimClock clock;
  SimRegistry registry;
  SimFiles files;
  SimSystem system{&facts, &files, &transcript};
  SimProcesses processes{&files, &transcript};
  SimUi ui{&clock, &transcript};
  SimWord word{&transcript};
  RegFileFormat registry_format = RegFileFormat::kRegedit4;
  std::vector<SimEvent> events;

 private:
  // The program's files: the machine's drives, with the events that an open fires.
  class EventFiles : public ForwardingFiles {
   public:
    explicit EventFiles(SimMachine* machine) : ForwardingFiles(&machine->files), m_(machine) {}
    Status OpenText(const std::string& path, TextMode mode, FileNumber* number) override {
      m_->Fire(SimEvent::When::kOpen, path);
      return ForwardingFiles::OpenText(path, mode, number);
    }

   private:
    SimMachine* m_;
  };

  // Fires the events that wait for this moment: the command line started, the pump's number, the
  // path opened.
  void Fire(SimEvent::When when, const std::string& subject);
  void Happen(const SimEvent& event);

  EventFiles event_files_{this};
};

// Makes `to`, a fresh machine, the same as `from` as it stands: its drives and registry, and every
// fact of machine.ini, which goes through the same description as the image reader and writer.
// The transcript is not copied.
void CopyMachine(const SimMachine& from, SimMachine* to);

}  // namespace vrx::sim
