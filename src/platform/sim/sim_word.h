// Microsoft Word as the simulated machine runs it: instances started through [programs] or
// already running at start, each with a Normal template that the automation calls change and
// NormalTemplate.Save writes back.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/sim/transcript.h"

namespace vrx::sim {

class SimClock;

// A Normal template as Word's automation interface shows it.
struct WordTemplate {
  struct Item {
    int id = 0;
    std::string caption;
  };
  struct Key {
    int32_t code = 0;
    std::string command;
    int category = -1;  // -1: not known
  };
  std::vector<Item> menubar;
  std::vector<Item> filemenu;
  std::vector<Key> keys;

  // machine.ini form: captions separated by "|"; keys as CODE:COMMAND[:CATEGORY] separated by "|".
  static WordTemplate Parse(const std::string& menubar, const std::string& filemenu,
                            const std::string& keys);
  std::string MenubarText() const;
  std::string FilemenuText() const;
  std::string KeysText() const;
};

// The facts of machine.ini's [word] section.
struct WordFacts {
  int running = 0;         // Word instances already running at start (with the Word 97 template)
  int cancel_saves = 0;    // times the user of a running Word cancels its save prompt on Quit
  int document_pumps = 8;  // pumps of events a started Word needs to open its document
  bool never_document = false;  // a started Word never opens a document
};

class SimWord : public Automation {
 public:
  explicit SimWord(Transcript* transcript) : transcript_(transcript) {}

  WordFacts facts;
  // The Normal templates by version: "word97", "word2000" (present when the image has them).
  std::map<std::string, WordTemplate> templates;

  // Starts the instances that [word] says are running.
  void StartRunningInstances();
  // A Word program started by the machine: kind "word97" or "word2000".
  void StartInstance(const std::string& kind, TaskId task);
  // Lets the instances move on by one pump of events.
  void Pump();
  // The instances still running.
  int RunningCount() const;

  Status GetRunningWord(const std::string& class_name,
                        std::unique_ptr<WordApplication>* application) override;

  struct Instance {
    int number = 0;
    std::string kind;
    TaskId task = 0;
    bool running = true;
    int pumps = 0;
    bool has_document = false;
    bool unsaved = false;
    int cancels_left = 0;
    WordTemplate normal;
  };
  Instance* Find(int number);
  Transcript* transcript() { return transcript_; }
  int NextItemId() { return ++last_item_id_; }

 private:
  Transcript* transcript_;
  std::vector<std::unique_ptr<Instance>> instances_;
  int last_item_id_ = 0;
};

}  // namespace vrx::sim
