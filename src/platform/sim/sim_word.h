// Microsoft Word as the simulated machine runs it: instances started through [programs] or
// already running at start, each with a Normal template that the automation calls change and
// NormalTemplate.Save writes back.
//
// A started Word behaves as Office does: it takes the foreground as it comes up and registers in
// the running object table only once it has lost the foreground to another window; it is busy
// for a while after its start and while its save prompt is up, and rejects calls meanwhile. The
// automation layer retries a rejected call as a COM message filter does (a pump of events between
// tries, for up to ten seconds of the clock) and the transcript shows each retry. A Word of
// another user or session has its main window but cannot be reached at all.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/sim/transcript.h"
#include "platform/sim/word_template.h"

namespace vrx::sim {

class SimClock;

// The facts of machine.ini's [word] section.
struct WordFacts {
  int running = 0;         // Word instances already running at start (with the Word 97 template)
  int cancel_saves = 0;    // times the user of a running Word cancels its save prompt on Quit
  int document_pumps = 8;  // pumps of events a started Word needs to open its document
  bool never_document = false;    // a started Word never opens a document
  bool register_at_once = false;  // a started Word registers at its first pump (no focus needed)
  int busy_pumps = 8;   // pumps a Word rejects calls for after its start and after a save prompt
  int unreachable = 0;  // Words of another user or session: a main window, never an object
};

// How long rejected calls are retried, on the program's clock.
inline constexpr double kBusyRetrySeconds = 10;

class SimWord : public Automation {
 public:
  explicit SimWord(Transcript* transcript) : transcript_(transcript) {}

  WordFacts facts;
  // The Normal templates by version: "word97", "word2000" (present when the image has them).
  std::map<std::string, WordTemplate> templates;

  // Starts the instances that [word] says are running.
  void StartRunningInstances();
  // A Word program started by the machine: kind "word97" or "word2000", its task.
  void StartInstance(const std::string& kind, TaskId task);
  // The user starts Word 97 while the program runs: it comes up with an unsaved document of the
  // user's and registers at once, as a Word the user works in.
  void StartUsersInstance();
  // The task ends at once (TerminateProcess): its Word stops running without a word.
  void TaskEnded(TaskId task);
  // Lets the instances move on by one pump of events.
  void Pump();
  // One of the program's windows took the foreground: a Word that held it loses it.
  void ForegroundTaken(const std::string& window);
  // Waits one pump of events before a rejected call is tried again; set by the machine.
  std::function<void()> retry_wait;
  // The clock's seconds, for the bound on retries; set by the machine.
  std::function<double()> now;
  // The instances still running.
  int RunningCount() const;

  Status GetRunningWord(const std::string& class_name,
                        std::unique_ptr<WordApplication>* application) override;
  // A Word's main window belongs to the task that started it; a Word of the user's (running at
  // start, or started by the user) to a task of its own that the program never started.
  Status WindowOwners(const std::string& window_class, std::vector<TaskId>* owners) override;

  struct Instance {
    int number = 0;
    TaskId task = 0;     // the task its window belongs to
    bool users = false;  // a Word the user started, not the program
    std::string kind;
    bool running = true;
    int pumps = 0;
    bool has_document = false;
    bool unsaved = false;
    int cancels_left = 0;
    bool reachable = true;    // false: a Word of another user or session
    bool registered = false;  // in the running object table
    bool foreground = false;  // holds the foreground
    bool lost_foreground = false;
    int busy_left = 0;  // pumps it still rejects calls for
    WordTemplate normal;
  };
  // Lets a call on instance `number` through once that Word is not busy, retrying meanwhile;
  // false when it stayed busy for the whole bound (or has gone). Each retry is in the transcript.
  bool WaitUntilAccepted(int number, const std::string& call);
  Instance* Find(int number);
  // A Word 97 of the user's with a document open, added to the running instances.
  Instance& AddUsersInstance(bool reachable, bool unsaved, int cancels);
  Transcript* transcript() { return transcript_; }

 private:
  Transcript* transcript_;
  std::vector<std::unique_ptr<Instance>> instances_;
};

}  // namespace vrx::sim
