// A platform that passes every call on to another platform and can make any call fail, for tests
// that show the program survives failures without losing anything.
//
// Every call of every interface goes through it: the registry, the system queries (the token
// calls, ExitWindowsEx, the font broadcast and the version query included), files (closing and the
// end-of-file test included), processes, message boxes, event pumping, form windows, the clock,
// and every member of the Word automation objects, which are wrapped as they are handed out.
//
// Each call has a name: the Win32 function it stands for and what tells it apart, for example
// "RegOpenKeyExA HKLM\Software\Docseal4\MSWord\Defaults", "DeleteFileA C:\DOCSEAL\CSU.BIN",
// "Word.NormalTemplate.Save". Every call is recorded. What fails is chosen by the mode:
//  - nothing (the default);
//  - the call of one name, the next N times it is made;
//  - each call with a chance of one in N, from a seeded generator (a run is repeatable from its
//    seed as long as the program makes the same calls).
// A failing call does not reach the platform below and answers as the Win32 call does when it
// fails: an error status that means a failure (access denied, sharing violation, a busy or
// missing automation object), never an answer such as "no such file" or "no more items"; an empty
// text, 0, false or no window. Calls that cannot fail on Windows (the clock, the current-process
// pseudo handle, closing every file at once) are recorded and never fail. A failing close still
// closes: the handle is gone, the caller is told of an error.
//
// The layer also keeps what is open through it: registry keys, text files, token handles and Word
// automation objects, so a test can check that a run leaves nothing open.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace vrx {

class FaultInjection {
 public:
  // Wraps `target`, whose pointers must outlive this object.
  explicit FaultInjection(const Platform& target);
  ~FaultInjection();
  FaultInjection(const FaultInjection&) = delete;
  FaultInjection& operator=(const FaultInjection&) = delete;

  // The platform to hand to the program: every pointer is a wrapper owned by this object.
  Platform platform() const;

  // Modes. Choosing one resets what an earlier mode had left to fail.
  void FailNothing();
  // The call named `name` fails the next `times` times it is made.
  void FailCall(const std::string& name, int times = 1);
  // Each call fails with a chance of one in `n` (n >= 1), drawn from a generator seeded with
  // `seed`.
  void FailOneIn(uint32_t n, uint64_t seed);

  // Every distinct call name, in the order first made.
  const std::vector<std::string>& distinct_calls() const { return distinct_; }
  long call_count() const { return calls_; }
  // The names of the calls that failed, in order.
  const std::vector<std::string>& failed_calls() const { return failed_; }
  // True when a call whose name starts with `prefix` failed.
  bool Failed(const std::string& prefix) const;

  // The message boxes shown, with the answer each gave (0 when the call failed).
  struct Question {
    std::string text;
    int answer = 0;
  };
  const std::vector<Question>& questions() const { return questions_; }

  // What is still open through this layer, one line each ("registry key HKLM\Software\...",
  // "file C:\WINDOWS\Wininit.ini", "Word object"); empty when nothing is.
  std::vector<std::string> OpenHandles() const;

  // Used by the wrappers: records the call and says whether it fails this time.
  bool Fails(const std::string& name);
  // Used by the wrappers to keep count of what is open.
  void KeyOpened(HKey key, const std::string& path) { keys_[key] = path; }
  void KeyClosed(HKey key) { keys_.erase(key); }
  std::string KeyPath(HKey key) const;
  void FileOpened(FileNumber number, const std::string& path) { files_[number] = path; }
  void FileClosed(FileNumber number) { files_.erase(number); }
  void AllFilesClosed() { files_.clear(); }
  std::string FilePath(FileNumber number) const;
  void WordObjectMade() { ++word_objects_; }
  void WordObjectGone() { --word_objects_; }
  void Asked(const std::string& text, int answer) { questions_.push_back({text, answer}); }

 private:
  enum class Mode { kNothing, kNamed, kOneIn };

  Mode mode_ = Mode::kNothing;
  std::string named_;
  int named_left_ = 0;
  uint32_t one_in_ = 1;
  std::mt19937_64 random_;

  long calls_ = 0;
  std::vector<std::string> distinct_;
  std::set<std::string> seen_;
  std::vector<std::string> failed_;
  std::vector<Question> questions_;

  std::map<HKey, std::string> keys_;
  std::map<FileNumber, std::string> files_;
  long word_objects_ = 0;

  struct Wrappers;
  std::unique_ptr<Wrappers> wrappers_;
};

}  // namespace vrx
