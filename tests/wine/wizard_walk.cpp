// The wizard of the real VRXUnInst.EXE walked as a user would, from another process under Wine
// (tests/wine/run-wizard.sh starts the program, seeds the prefix and compares the end state with
// the simulator's). Every window is checked against the forms as the program builds them: the
// control ids, the captions as designed, the sizes in twips at the screen's DPI.
//
//   wizard_walk.exe empty SHOTS SUFFIX   a machine without the add-in: nothing to choose; Cancel
//   wizard_walk.exe whole SHOTS SUFFIX   tick Word by keyboard, Next, Back, Next, Finish, Yes to
//                                        the question, Details, Exit, "Don't Restart"
//   wizard_walk.exe restart              tick Word and WordPerfect 7 by mouse, Next, Finish, No
//                                        to every question, Exit, up to the restart prompt
//   wizard_walk.exe restart-now          "Restart Now" on the restart prompt
//
// SHOTS is the folder that gets a screenshot of each window as NAME SUFFIX.bmp. Prints a PASS or
// FAIL line per check; exit status 0 when every check passes.
#include "wizard_walk.h"

#include <cstdio>
#include <string>
#include <vector>

#include "platform/win32/win32_ui.h"
#include "progress/processing_form.h"
#include "progress/reboot_form.h"
#include "state/program.h"
#include "wizard/uninstall_form.h"

namespace vrx::walk {
namespace {

// The forms as the program builds them, never shown: where their controls are and what they say.
struct Forms {
  win32::Win32Ui ui;
  Platform platform{.ui = &ui};
  Program program{platform};
  UnInstallForm& wizard = program.UnInstall();
  ProcessingForm& processing = program.Processing();
  RebootForm& reboot = program.Reboot();
};

// A length in twips on the screen.
int Px(int twips) { return win32::TwipsToPixels(twips, ScreenDpi()); }

std::string g_shots;
std::string g_suffix;

void Shot(const std::string& name) {
  Sleep(700);  // the window is drawn
  const std::string path = g_shots + "\\" + name + g_suffix + ".bmp";
  if (!SaveScreen(path)) Fail("screenshot " + name + g_suffix);
}

// The form's client area is its twips at the screen's DPI.
void ClientIs(const std::string& what, HWND window, const Form& form) {
  const std::string name = what + "'s client area is " + std::to_string(form.ClientWidth()) +
                           " by " + std::to_string(form.ClientHeight()) + " twips";
  const SIZE client = ClientSize(window);
  const std::string seen =
      Show(client) + " pixels at " + std::to_string(ScreenDpi()) + " pixels per inch";
  if (client.cx == Px(form.ClientWidth()) && client.cy == Px(form.ClientHeight())) {
    Pass(name + " (" + seen + ")");
  } else {
    Fail(name, "client " + seen);
  }
}

// Answers each question of the run with `button` until the progress window shows Exit; the texts
// of the questions asked, the first photographed as `shot` unless that is empty.
std::vector<std::string> AnswerQuestions(Forms& f, int button, std::string shot) {
  std::vector<std::string> questions;
  for (int waited = 0; waited < 120000; waited += 200) {
    if (HWND box = FindTop("Docseal", 0, true)) {
      questions.push_back(MessageText(box));
      if (!shot.empty()) Shot(shot);
      shot.clear();
      Answer(box, button);
      Sleep(300);
      continue;
    }
    HWND progress = FindTop(f.processing.Caption());
    if (progress != nullptr && IsWindowVisible(ControlWindow(progress, f.processing.cmdExit()))) {
      return questions;
    }
    Sleep(200);
  }
  Fail("the run ends on Exit");
  return questions;
}

int Empty(Forms& f) {
  const UnInstallForm& w = f.wizard;
  HWND wizard = FindTop(w.Caption(), 30);
  if (!Step("empty: the wizard opens", wizard != nullptr)) return 1;
  Shot("01-selection-empty");
  {
    Check check("empty: every box disabled, Next disabled, Back hidden", wizard, w);
    for (int i = 0; i < 4; ++i) check.Is(w.Check1(i), "disabled checked=0");
    check.Is(w.cmdNext(), "visible disabled").Is(w.cmdBack(), "hidden");
  }
  Step("empty: Cancel", Click(wizard, w.cmdCancel()));
  return 0;
}

int Whole(Forms& f) {
  const UnInstallForm& w = f.wizard;
  HWND wizard = FindTop(w.Caption(), 30);
  if (!Step("walk: the wizard opens", wizard != nullptr)) return 1;
  Shot("02-selection");
  ClientIs("walk: the wizard", wizard, w);
  const char* variants[] = {"Microsoft Word 97/2000", "WordPerfect 7", "WordPerfect 8",
                            "WordPerfect 9"};
  {
    Check check("walk: the selection page as start-up leaves it", wizard, w);
    check.Says(w.LblMsg1(), w.LblMsg1().Caption());
    for (int i = 0; i < 4; ++i) {
      check.Says(w.Label1(i), variants[i]).Is(w.Label1(i), "visible");
      check.Is(w.Check1(i), "enabled checked=0");
    }
    check.Says(w.cmdNext(), kNextCaption).Is(w.cmdNext(), "visible disabled");
    check.Says(w.cmdBack(), w.cmdBack().Caption()).Is(w.cmdBack(), "hidden disabled");
    check.Says(w.cmdCancel(), w.cmdCancel().Caption()).Is(w.cmdCancel(), "enabled focused");
  }
  PressKey(VK_TAB);  // from Cancel to the first box
  PressKey(VK_SPACE);
  Shot("03-ticked");
  Check("walk: a tick enables Next", wizard, w)
      .Is(w.Check1(0), "checked=1 focused")
      .Is(w.Check1(1), "checked=0")
      .Is(w.cmdNext(), "visible enabled");
  Step("walk: Next", Click(wizard, w.cmdNext()));
  Sleep(500);
  Shot("04-confirmation");
  {
    Check check("walk: the confirmation page shows the ticked variant alone", wizard, w);
    check.Says(w.LblMsg1(), "Click on Finish to Uninstall Docseal for:");
    check.Says(w.cmdNext(), kFinishCaption).Is(w.cmdNext(), "visible enabled focused");
    check.Is(w.cmdBack(), "visible enabled").Says(w.Label1(0), variants[0]);
    check.Is(w.Label1(0), "visible").Is(w.Check1(0), "visible disabled checked=1");
    for (int i = 1; i < 4; ++i) check.Is(w.Label1(i), "hidden").Is(w.Check1(i), "hidden");
  }
  Step("walk: Back", Click(wizard, w.cmdBack()));
  Sleep(500);
  Check("walk: Back returns to the selection page with the tick kept", wizard, w)
      .Says(w.LblMsg1(), "Select the Software to Uninstall:")
      .Says(w.cmdNext(), kNextCaption)
      .Is(w.cmdNext(), "visible enabled")
      .Is(w.cmdBack(), "hidden")
      .Is(w.Check1(0), "visible enabled checked=1")
      .Is(w.Check1(3), "visible enabled checked=0");
  Step("walk: Next again", Click(wizard, w.cmdNext()));
  Sleep(500);
  Step("walk: Finish", Click(wizard, w.cmdNext()));
  const std::vector<std::string> questions = AnswerQuestions(f, IDYES, "05-question");
  bool named = false;
  for (const std::string& question : questions) {
    named =
        named ||
        question == "Directory not empty C:\\Docseal\\Word\\Stamps\rDo you want me to remove it?";
  }
  if (named) {
    Pass("walk: the question names the folder");
  } else {
    Fail("walk: the question names the folder", std::to_string(questions.size()) + " asked");
    for (const std::string& question : questions) std::printf("    %s\n", question.c_str());
  }

  const ProcessingForm& p = f.processing;
  HWND progress = FindTop(p.Caption());
  Shot("06-finished");
  ClientIs("walk: the progress window", progress, p);
  const SIZE before = OuterSize(progress);
  Check("walk: the finished progress window", progress, p)
      .Says(p.lblMsg(), "Uninstall complete.")
      .Is(p.cmdDetails(), "visible enabled")
      .Is(p.cmdExit(), "visible enabled focused");
  Step("walk: Details", Click(progress, p.cmdDetails()));
  Sleep(500);
  Shot("07-details");
  // The height Details gives the window, as the form sets it.
  f.processing.cmdDetails_Click();
  const int height = f.processing.geometry().height;
  const SIZE after = OuterSize(progress);
  const std::string name =
      "walk: Details make the window " + std::to_string(height) + " twips high";
  const std::string sizes = Show(before) + " to " + Show(after);
  if (after.cy == Px(height) && after.cx == before.cx) {
    Pass(name + " (" + sizes + " pixels)");
  } else {
    Fail(name, sizes + " at " + std::to_string(ScreenDpi()) + " pixels per inch");
  }
  HWND list = ControlWindow(progress, p.lstDetails());
  const std::vector<std::string> items = ItemsOf(list);
  bool listed = false;
  for (const std::string& item : items) {
    listed = listed || item.rfind(
                           "C:\\Docseal\\Word\\Stamps\\CONFID.STB this file will be removed when "
                           "you reboot",
                           0) == 0;
  }
  Check("walk: the details list holds the lines, Details greyed", progress, p)
      .Is(p.lstDetails(), "visible enabled")
      .That(!items.empty(), "items")
      .That(listed, "the line of CONFID.STB")
      .Is(p.cmdDetails(), "disabled");
  Step("walk: Exit", Click(progress, p.cmdExit()));

  const RebootForm& r = f.reboot;
  HWND prompt = FindTop(r.Caption(), 20);
  if (!Step("walk: the restart prompt opens", prompt != nullptr)) return 1;
  Shot("08-restart");
  ClientIs("walk: the restart prompt", prompt, r);
  Check("walk: the restart prompt, Restart Now focused", prompt, r)
      .Says(r.cmdRestart(), r.cmdRestart().Caption())
      .Is(r.cmdRestart(), "visible enabled focused")
      .Says(r.cmdLater(), r.cmdLater().Caption())
      .Is(r.cmdLater(), "visible enabled");
  Step("walk: Don't Restart", Click(prompt, r.cmdLater()));
  return 0;
}

// The folder a question asks about, or nothing.
std::string FolderAskedAbout(const std::string& question) {
  const std::string lead = "Directory not empty ";
  const size_t at = question.find(lead);
  if (at == std::string::npos) return "";
  const size_t end = question.find('\r', at);
  return question.substr(at + lead.size(), end == std::string::npos ? end : end - at - lead.size());
}

// Whether a folder is there and holds something.
bool HoldsFiles(const std::string& folder) {
  WIN32_FIND_DATAA found;
  HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) return false;
  bool any = false;
  do {
    const std::string name = found.cFileName;
    any = any || (name != "." && name != "..");
  } while (!any && FindNextFileA(find, &found));
  FindClose(find);
  return any;
}

int Restart(Forms& f) {
  const UnInstallForm& w = f.wizard;
  HWND wizard = FindTop(w.Caption(), 30);
  if (!Step("restart: the wizard opens", wizard != nullptr)) return 1;
  Step("restart: tick Word", Click(wizard, w.Check1(0)));
  Step("restart: tick WordPerfect 7", Click(wizard, w.Check1(1)));
  Sleep(300);
  Step("restart: Next", Click(wizard, w.cmdNext()));
  Sleep(500);
  Step("restart: Finish", Click(wizard, w.cmdNext()));
  int kept = 0;
  for (const std::string& question : AnswerQuestions(f, IDNO, "")) {
    const std::string folder = FolderAskedAbout(question);
    if (folder.empty()) continue;
    if (HoldsFiles(folder)) {
      ++kept;
    } else {
      Fail("restart: No keeps " + folder + " with its files", "it is gone or empty");
    }
  }
  if (kept >= 1) {
    Pass("restart: No keeps the folders asked about with their files (" + std::to_string(kept) +
         ")");
  } else {
    Fail("restart: No keeps the folders asked about", "no question was asked");
  }
  HWND progress = FindTop(f.processing.Caption());
  Step("restart: Exit", progress != nullptr && Click(progress, f.processing.cmdExit()));
  Step("restart: the restart prompt opens", FindTop(f.reboot.Caption(), 20) != nullptr);
  return 0;
}

int RestartNow(Forms& f) {
  HWND prompt = FindTop(f.reboot.Caption(), 5);
  Step("restart: Restart Now", prompt != nullptr && Click(prompt, f.reboot.cmdRestart()));
  return 0;
}

}  // namespace
}  // namespace vrx::walk

int main(int argc, char** argv) {
  using namespace vrx::walk;
  const std::string walk = argc > 1 ? argv[1] : "";
  if (argc > 3) {
    g_shots = argv[2];
    g_suffix = argv[3];
  }
  Forms forms;
  if (walk == "empty" && argc > 3) {
    Empty(forms);
  } else if (walk == "whole" && argc > 3) {
    Whole(forms);
  } else if (walk == "restart") {
    Restart(forms);
  } else if (walk == "restart-now") {
    RestartNow(forms);
  } else {
    std::fprintf(stderr,
                 "usage: wizard_walk.exe empty|whole SHOTS SUFFIX | restart | restart-now\n");
    return 2;
  }
  return Failures() == 0 ? 0 : 1;
}
