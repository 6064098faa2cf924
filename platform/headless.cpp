// Headless backend: records each request; files are real, on the folders the
// driver chose. Nothing here decides anything for the program.
#include "platform/headless.h"

#include <cstdio>
#include <deque>
#include <filesystem>
#include <map>
#include <utility>

namespace {

struct HeadlessState {
  std::string programFilePath;
  std::string documentsFolder;
  std::vector<PlatformCall> calls;
  std::deque<std::string> dialogAnswers;
  std::map<WindowHandle, std::string> windowTexts;
  std::map<std::pair<WindowHandle, int>, std::string> controlTexts;
  std::map<WindowHandle, std::vector<std::string>> lists;
  std::map<WindowHandle, int> selections;
  std::map<std::pair<MenuHandle, int>, bool> menuItems;
  std::uintptr_t nextHandle = 1;
};

HeadlessState& State() {
  static HeadlessState state;
  return state;
}

void Record(const char* role, std::string detail) {
  State().calls.push_back({role, std::move(detail)});
}

void* NewHandle() { return reinterpret_cast<void*>(State().nextHandle++); }

std::string HandleText(const void* handle) {
  return std::to_string(reinterpret_cast<std::uintptr_t>(handle));
}

}  // namespace

void HeadlessReset(const std::string& programFilePath, const std::string& documentsFolder) {
  State() = HeadlessState{};
  State().programFilePath = programFilePath;
  State().documentsFolder = documentsFolder;
}

void HeadlessQueueDialogAnswer(const std::string& path) { State().dialogAnswers.push_back(path); }

void HeadlessSelectRow(WindowHandle list, int row) { State().selections[list] = row; }

const std::vector<PlatformCall>& HeadlessCalls() { return State().calls; }

void HeadlessClearCalls() { State().calls.clear(); }

std::vector<std::string> HeadlessCallsOf(const std::string& role) {
  std::vector<std::string> details;
  for (const PlatformCall& call : State().calls) {
    if (call.role == role) details.push_back(call.detail);
  }
  return details;
}

std::vector<std::string> HeadlessListRows(WindowHandle list) { return State().lists[list]; }

bool HeadlessMenuItemEnabled(MenuHandle menu, int commandId) {
  auto found = State().menuItems.find({menu, commandId});
  return found != State().menuItems.end() && found->second;
}

WindowHandle HeadlessNewWindow() { return NewHandle(); }

std::string PlatformProgramFilePath() { return State().programFilePath; }

std::string PlatformDocumentsFolder() { return State().documentsFolder; }

std::string PlatformFindFirstName(const std::string& path) {
  std::error_code error;
  std::filesystem::path entry(path);
  if (!std::filesystem::exists(entry, error)) return "";
  return entry.filename().string();
}

bool PlatformCreateFolder(const std::string& path) {
  Record("folder-create", path);
  std::error_code error;
  return std::filesystem::create_directory(path, error);
}

void PlatformSetWindowText(WindowHandle window, const std::string& text) {
  Record("window-text", HandleText(window) + " " + text);
  State().windowTexts[window] = text;
}

std::string PlatformGetWindowText(WindowHandle window) { return State().windowTexts[window]; }

void PlatformSetControlText(WindowHandle parent, int controlId, const std::string& text) {
  Record("control-text", std::to_string(controlId) + " " + text);
  State().controlTexts[{parent, controlId}] = text;
}

std::string PlatformGetControlText(WindowHandle parent, int controlId) {
  return State().controlTexts[{parent, controlId}];
}

void PlatformRepaint(WindowHandle window) { Record("repaint", HandleText(window)); }

void PlatformListClear(WindowHandle list) {
  Record("list-clear", HandleText(list));
  State().lists[list].clear();
  State().selections.erase(list);
}

void PlatformListAddRow(WindowHandle list, const std::string& row) {
  Record("list-add", row);
  State().lists[list].push_back(row);
}

int PlatformListSelection(WindowHandle list) {
  auto found = State().selections.find(list);
  return found == State().selections.end() ? -1 : found->second;
}

void PlatformShowWindow(WindowHandle window, int showCommand) {
  Record("window-show", HandleText(window) + " " + std::to_string(showCommand));
}

void PlatformHideWindow(WindowHandle window) { Record("window-hide", HandleText(window)); }

bool PlatformPointInControl(WindowHandle, int, int, WindowHandle) { return false; }

void PlatformPostQuit(int exitCode) { Record("quit", std::to_string(exitCode)); }

std::intptr_t PlatformDefaultWindowProc(WindowHandle, unsigned, std::uintptr_t, std::intptr_t) { return 0; }

MenuHandle PlatformCreateMenu() { return NewHandle(); }

void PlatformEnableMenuItem(MenuHandle menu, int commandId, bool enabled) {
  Record("menu-enable", std::to_string(commandId) + (enabled ? " on" : " off"));
  State().menuItems[{menu, commandId}] = enabled;
}

void PlatformReleaseBitmap(BitmapHandle bitmap) {
  if (bitmap != nullptr) Record("bitmap-release", HandleText(bitmap));
}

void PlatformStartTimer(WindowHandle, int timerId, int intervalMs) {
  Record("timer-start", std::to_string(timerId) + " " + std::to_string(intervalMs));
}

void PlatformStopTimer(WindowHandle, int timerId) { Record("timer-stop", std::to_string(timerId)); }

BitmapHandle PlatformShowPicture(WindowHandle, int bitmapId) {
  Record("picture", std::to_string(bitmapId));
  return NewHandle();
}

void PlatformBeep(BeepKind kind) { Record("beep", kind == BeepKind::Default ? "default" : "asterisk"); }

bool PlatformPlaySoundFile(const std::string& path) {
  Record("sound-file", path);
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return false;
  std::fclose(file);
  return true;
}

void PlatformPlaySoundResource(int resourceId) { Record("sound-resource", std::to_string(resourceId)); }

std::string PlatformAskOpenFileName(WindowHandle, const std::string& filterText, const std::string&) {
  Record("dialog", filterText);
  if (State().dialogAnswers.empty()) return "";
  std::string answer = State().dialogAnswers.front();
  State().dialogAnswers.pop_front();
  return answer;
}

void PlatformMessageBox(WindowHandle, const std::string& text, const std::string& caption) {
  Record("message-box", caption + ": " + text);
}

long PlatformShellOpen(const std::string& path) {
  Record("shell-open", path);
  std::error_code error;
  return std::filesystem::exists(path, error) ? 42 : 2;
}

bool PlatformCopyFile(const std::string& from, const std::string& to) {
  Record("copy", from + " -> " + to);
  std::error_code error;
  return std::filesystem::copy_file(from, to, std::filesystem::copy_options::overwrite_existing, error);
}
