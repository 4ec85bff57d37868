#include "fake_word_state.h"

#include <cstdlib>
#include <map>

#include "platform/win32/win32_com.h"
#include "platform/win32/win32_handles.h"

namespace fake_word {

using vrx::win32::UniqueFile;

std::string ProgramDirectory() {
  char path[MAX_PATH] = {};
  DWORD length = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string result(path, length);
  size_t slash = result.find_last_of('\\');
  return slash == std::string::npos ? std::string(".") : result.substr(0, slash);
}

std::optional<std::string> ReadWholeFile(const std::string& path) {
  UniqueFile file(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return std::nullopt;
  std::string content;
  char buffer[4096];
  DWORD got = 0;
  while (::ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr) && got > 0) {
    content.append(buffer, got);
  }
  return content;
}

bool WriteWholeFile(const std::string& path, const std::string& content) {
  UniqueFile file(::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  DWORD written = 0;
  return ::WriteFile(file.get(), content.data(), static_cast<DWORD>(content.size()), &written,
                     nullptr) &&
         written == content.size();
}

namespace {

std::string g_log_path;

}  // namespace

void SetLogPath(const std::string& path) { g_log_path = path; }

void Log(const std::string& line) {
  if (g_log_path.empty()) return;
  UniqueFile file(::CreateFileA(g_log_path.c_str(), FILE_APPEND_DATA,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return;
  std::string text = line + "\r\n";
  DWORD written = 0;
  (void)::WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

std::vector<std::string> Lines(const std::string& content) {
  std::vector<std::string> lines;
  std::string line;
  for (char c : content) {
    if (c == '\n') {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      lines.push_back(line);
      line.clear();
    } else {
      line += c;
    }
  }
  if (!line.empty()) lines.push_back(line);
  return lines;
}

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

namespace {

bool IsAbsolute(const std::string& path) {
  return (path.size() >= 2 && path[1] == ':') || (!path.empty() && path[0] == '\\');
}

}  // namespace

std::string Tick() { return std::to_string(::GetTickCount64()); }

Settings ReadSettings(const std::string& directory) {
  Settings settings;
  settings.template_path = directory + "\\normal.ini";
  settings.log_path = directory + "\\fake_winword.log";
  std::optional<std::string> content = ReadWholeFile(directory + "\\fake_winword.ini");
  if (!content) return settings;
  for (const std::string& line : Lines(*content)) {
    size_t equals = line.find('=');
    if (line.empty() || line[0] == ';' || line[0] == '[' || equals == std::string::npos) continue;
    std::string key = line.substr(0, equals);
    std::string value = line.substr(equals + 1);
    auto path = [&] { return IsAbsolute(value) ? value : directory + "\\" + value; };
    if (key == "version") settings.version = std::atoi(value.c_str());
    if (key == "document_delay_ms") settings.document_delay_ms = std::atoi(value.c_str());
    if (key == "never_document") settings.never_document = value == "1";
    if (key == "refuse_quit") settings.refuse_quit = std::atoi(value.c_str());
    if (key == "register_at_once") settings.register_at_once = value == "1";
    if (key == "never_register") settings.never_register = value == "1";
    if (key == "busy_ms") settings.busy_ms = std::atoi(value.c_str());
    if (key == "template") settings.template_path = path();
    if (key == "log") settings.log_path = path();
  }
  return settings;
}

Word g_word;

bool RejectWhileBusy(const std::string& name) {
  if (::GetTickCount64() >= g_word.busy_until) return false;
  Log("busy: " + name + " rejected");
  return true;
}

void RevokeRegistration() {
  if (g_word.registration == 0) return;
  HRESULT result = ::RevokeActiveObject(g_word.registration, nullptr);
  Log("revoked" + std::string(FAILED(result) ? " (failed)" : ""));
  g_word.registration = 0;
}

void NormalTemplate::Load(const std::string& path) {
  path_ = path;
  std::optional<std::string> content = ReadWholeFile(path);
  if (!content) return;
  lines_ = Lines(*content);
  std::string menubar_text, filemenu_text, keys_text;
  for (const std::string& line : lines_) {
    if (line.rfind("menubar=", 0) == 0) menubar_text = line.substr(8);
    if (line.rfind("filemenu=", 0) == 0) filemenu_text = line.substr(9);
    if (line.rfind("keys=", 0) == 0 && line.size() > 5) {
      if (!keys_text.empty()) keys_text += '|';
      keys_text.append(line, 5);
    }
  }
  static_cast<WordTemplate&>(*this) = Parse(menubar_text, filemenu_text, keys_text);
}

bool NormalTemplate::Save() {
  std::map<std::string, std::string> values = {
      {"menubar=", MenubarText()}, {"filemenu=", FilemenuText()}, {"keys=", KeysText()}};
  std::string content;
  for (const std::string& line : lines_) {
    std::string out = line;
    for (auto it = values.begin(); it != values.end(); ++it) {
      if (line.rfind(it->first, 0) == 0) {
        out = it->first + it->second;
        values.erase(it);
        break;
      }
    }
    content += out + "\r\n";
  }
  for (const auto& [key, value] : values) content += key + value + "\r\n";
  return WriteWholeFile(path_, content);
}

}  // namespace fake_word
