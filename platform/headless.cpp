// Headless backend: records each request and tells its listener of what it
// shows; files are real, on the folders the driver chose. Nothing here
// decides anything for the program.
#include "platform/headless.h"

#include "io/byte_order.h"
#include "io/file_io.h"

#include <cstdio>
#include <deque>
#include <filesystem>
#include <utility>
#include <vector>

namespace {

// What is kept of a handle given out: a window's text, for a control its window and number, and for a list its rows
// and the row selected (-1: none).
struct HandleRecord {
  std::string text;
  bool control = false;
  WindowHandle parent = nullptr;
  int controlId = 0;
  std::vector<std::string> rows;
  int selection = -1;
};

struct MenuItemRecord {
  MenuHandle menu = nullptr;
  int commandId = 0;
  bool enabled = false;
};

}  // namespace

// Handles and menu items live in arrays searched in turn: a program has a few dozen of each, and a tree node for
// each, made at every start of the program, cost more than all the searches do.
struct HeadlessState {
  std::string programFilePath;
  std::string documentsFolder;
  std::vector<PlatformCall> calls;
  std::deque<std::string> dialogAnswers;
  std::vector<HandleRecord> handles;  // by number; 0 is no window
  std::vector<MenuItemRecord> menuItems;
  int screenWidth = 1024;
  int screenHeight = 768;
  std::string refusedClass;
  bool soundOutput = true;
  bool recording = true;
  HeadlessListener* listener = nullptr;
};

namespace {

HeadlessState& State() {
  static HeadlessState state;
  return state;
}

bool Recording() { return State().recording; }

// The requests whose details take long to write out check Recording() before they write them.
void Record(const char* role, const std::string& detail) {
  if (Recording()) State().calls.push_back({role, detail});
}

void* NewHandle(const HandleRecord& record = {}) {
  std::vector<HandleRecord>& handles = State().handles;
  if (handles.empty()) handles.resize(1);  // made with the first handle: a reset allocates nothing
  handles.push_back(record);
  return reinterpret_cast<void*>(handles.size() - 1);
}

// The record of a handle, made on first use (valid until the next handle is given out).
HandleRecord& RecordOf(WindowHandle window) {
  std::vector<HandleRecord>& handles = State().handles;
  const std::size_t number = reinterpret_cast<std::uintptr_t>(window);
  if (number >= handles.size()) handles.resize(number + 1);
  return handles[number];
}

// The control with this number in parent; made on first use, so texts can be
// set by number even where no control was created.
WindowHandle ChildOf(WindowHandle parent, int controlId) {
  const std::vector<HandleRecord>& handles = State().handles;
  for (std::size_t number = 1; number < handles.size(); ++number) {
    const HandleRecord& record = handles[number];
    if (record.control && record.parent == parent && record.controlId == controlId) {
      return reinterpret_cast<void*>(number);
    }
  }
  HandleRecord control;
  control.control = true;
  control.parent = parent;
  control.controlId = controlId;
  return NewHandle(control);
}

// The item's record, or null when no menu holds it.
MenuItemRecord* FindMenuItem(MenuHandle menu, int commandId) {
  for (MenuItemRecord& item : State().menuItems) {
    if (item.menu == menu && item.commandId == commandId) return &item;
  }
  return nullptr;
}

// The item's enabled state, to set; an item no menu holds is recorded, disabled.
bool& MenuItemEnabled(MenuHandle menu, int commandId) {
  if (MenuItemRecord* item = FindMenuItem(menu, commandId)) return item->enabled;
  State().menuItems.push_back({menu, commandId, false});
  return State().menuItems.back().enabled;
}

std::string HandleText(const void* handle) { return std::to_string(reinterpret_cast<std::uintptr_t>(handle)); }

}  // namespace

void HeadlessReset(const std::string& programFilePath, const std::string& documentsFolder) {
  // The arrays are emptied but keep their room: every start of the program gives out its handles and items again.
  HeadlessState& state = State();
  std::vector<HandleRecord> handles = std::move(state.handles);
  std::vector<MenuItemRecord> menuItems = std::move(state.menuItems);
  handles.clear();
  menuItems.clear();
  state = HeadlessState{};
  state.handles = std::move(handles);
  state.menuItems = std::move(menuItems);
  state.programFilePath = programFilePath;
  state.documentsFolder = documentsFolder;
}

std::shared_ptr<const HeadlessState> HeadlessCopyState() { return std::make_shared<const HeadlessState>(State()); }

void HeadlessRestoreState(const HeadlessState& copy) { State() = copy; }

void HeadlessQueueDialogAnswer(const std::string& path) { State().dialogAnswers.push_back(path); }

void HeadlessSelectRow(WindowHandle list, int row) { RecordOf(list).selection = row; }

void HeadlessSetScreenSize(int width, int height) {
  State().screenWidth = width;
  State().screenHeight = height;
}

void HeadlessRefuseWindowClass(const std::string& className) { State().refusedClass = className; }

void HeadlessSetSoundOutput(bool present) { State().soundOutput = present; }

void HeadlessSetListener(HeadlessListener* listener) { State().listener = listener; }

void HeadlessRecordCalls(bool record) { State().recording = record; }

const std::vector<PlatformCall>& HeadlessCalls() { return State().calls; }

void HeadlessClearCalls() { State().calls.clear(); }

std::vector<std::string> HeadlessCallsOf(const std::string& role) {
  std::vector<std::string> details;
  for (const PlatformCall& call : State().calls) {
    if (call.role == role) details.push_back(call.detail);
  }
  return details;
}

const std::vector<std::string>& HeadlessListRows(WindowHandle list) { return RecordOf(list).rows; }

bool HeadlessMenuItemEnabled(MenuHandle menu, int commandId) {
  const MenuItemRecord* item = FindMenuItem(menu, commandId);
  return item != nullptr && item->enabled;
}

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

bool PlatformRemoveEmptyFolder(const std::string& path) {
  Record("folder-remove", path);
  std::error_code error;
  return std::filesystem::is_directory(path, error) && std::filesystem::remove(path, error);
}

void PlatformSetWindowText(WindowHandle window, const std::string& text) {
  if (Recording()) Record("window-text", HandleText(window) + " " + text);
  RecordOf(window).text = text;
  if (State().listener != nullptr) State().listener->WindowTextSet(window, text);
}

std::string PlatformGetWindowText(WindowHandle window) { return RecordOf(window).text; }

void PlatformSetControlText(WindowHandle parent, int controlId, const std::string& text) {
  if (Recording()) Record("control-text", std::to_string(controlId) + " " + text);
  RecordOf(ChildOf(parent, controlId)).text = text;
}

std::string PlatformGetControlText(WindowHandle parent, int controlId) {
  return RecordOf(ChildOf(parent, controlId)).text;
}

void PlatformRepaint(WindowHandle window) { Record("repaint", HandleText(window)); }

void PlatformListClear(WindowHandle list) {
  Record("list-clear", HandleText(list));
  RecordOf(list).rows.clear();
  RecordOf(list).selection = -1;
}

void PlatformListAddRow(WindowHandle list, std::string row) {
  Record("list-add", row);
  RecordOf(list).rows.push_back(std::move(row));
}

int PlatformListSelection(WindowHandle list) { return RecordOf(list).selection; }

bool PlatformRegisterWindowClass(const std::string& className, int backgroundBitmapId) {
  if (Recording()) Record("class-register", className + " " + std::to_string(backgroundBitmapId));
  return className != State().refusedClass;
}

void PlatformScreenSize(int& width, int& height) {
  width = State().screenWidth;
  height = State().screenHeight;
}

WindowHandle PlatformCreateWindow(const WindowSpec& spec) {
  WindowHandle window = NewHandle();
  if (Recording()) {
    Record("window-create", HandleText(window) + " " + spec.className + "|" + spec.title + "|" +
                                (spec.frame == WindowFrame::Main ? "main" : "dialog") + "|" + std::to_string(spec.x) +
                                "," + std::to_string(spec.y) + "," + std::to_string(spec.width) + "," +
                                std::to_string(spec.height));
  }
  RecordOf(window).text = spec.title;
  return window;
}

WindowHandle PlatformCreateControl(const ControlSpec& spec) {
  WindowHandle control = ChildOf(spec.parent, spec.id);
  if (Recording()) {
    Record("control-create",
           HandleText(control) + " " + spec.className + "|" + spec.text + "|" + std::to_string(spec.id) + "|" +
               HandleText(spec.parent) + "|" + std::to_string(spec.x) + "," + std::to_string(spec.y) + "," +
               std::to_string(spec.width) + "," + std::to_string(spec.height) + "|" + std::to_string(spec.styles) +
               "|" + (spec.defaultFont ? "gui-font" : "system-font") + "|" + (spec.sunkenEdge ? "edge" : "no-edge"));
  }
  RecordOf(control).text = spec.text;
  return control;
}

void PlatformShowWindow(WindowHandle window, int showCommand) {
  Record("window-show", HandleText(window) + " " + std::to_string(showCommand));
}

void PlatformHideWindow(WindowHandle window) { Record("window-hide", HandleText(window)); }

bool PlatformPointInControl(WindowHandle, int, int, WindowHandle) { return false; }

void PlatformPostQuit(int exitCode) { Record("quit", std::to_string(exitCode)); }

// Headless windows receive no messages but those their driver sends to the window procedure itself.
void PlatformSetWindowProcedure(WindowProcedure) {}

std::intptr_t PlatformDefaultWindowProc(WindowHandle, unsigned, std::uintptr_t, std::intptr_t) { return 0; }

int PlatformRunMessageLoop() { return 0; }

MenuHandle PlatformCreateMenu() { return NewHandle(); }

void PlatformEnableMenuItem(MenuHandle menu, int commandId, bool enabled) {
  if (Recording()) Record("menu-enable", std::to_string(commandId) + (enabled ? " on" : " off"));
  MenuItemEnabled(menu, commandId) = enabled;
}

BitmapHandle PlatformLoadBitmap(int bitmapId) {
  BitmapHandle bitmap = NewHandle();
  if (Recording()) Record("bitmap-load", std::to_string(bitmapId) + " " + HandleText(bitmap));
  return bitmap;
}

void PlatformAppendPopup(MenuHandle, MenuHandle, const std::string& text) { Record("menu-popup", text); }

void PlatformAppendMenuItem(MenuHandle menu, int commandId, const std::string& text, BitmapHandle picture) {
  if (Recording())
    Record("menu-item", std::to_string(commandId) + "|" + text + "|" + (picture ? HandleText(picture) : "none"));
  MenuItemEnabled(menu, commandId) = true;
}

void PlatformAttachMenu(WindowHandle window, MenuHandle) { Record("menu-attach", HandleText(window)); }

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

void PlatformBeep(BeepKind kind) {
  Record("beep", kind == BeepKind::Default ? "default" : "asterisk");
  if (State().listener != nullptr) State().listener->Beeped(kind);
}

bool PlatformPlaySoundFile(const std::string& path, SoundFallback) {
  Record("sound-file", path);
  if (State().listener != nullptr) State().listener->SoundFileHandedOver(path);
  return static_cast<bool>(OpenStream(path, "rb"));
}

WaveFormatAnswer PlatformQueryWaveFormat(const unsigned char* fmt, std::size_t size) {
  if (!State().soundOutput) return WaveFormatAnswer::NoAnswer;
  // A wave output of the common kind: PCM, float and extensible waves, and
  // the codecs every system carries (MS and IMA ADPCM, A-law, mu-law, GSM
  // 6.10, MPEG layer 3).
  const unsigned tag = size >= 2 ? ReadU16Le(fmt) : 0;
  for (unsigned known : {0x0001u, 0x0002u, 0x0003u, 0x0006u, 0x0007u, 0x0011u, 0x0031u, 0x0055u, 0xFFFEu}) {
    if (tag == known) return WaveFormatAnswer::Playable;
  }
  return WaveFormatAnswer::Unplayable;
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
  if (State().listener != nullptr) State().listener->MessageBoxShown(text, caption);
}

long PlatformShellOpen(const std::string& path) {
  Record("shell-open", path);
  std::error_code error;
  return std::filesystem::exists(path, error) ? 42 : 2;
}

bool PlatformCopyFile(const std::string& from, const std::string& to) {
  Record("copy", from + " -> " + to);
  // Through the program's own stream layer, so a test's fault plan reaches
  // copies too; the source may be open for reading elsewhere (the loaded
  // container is).
  Stream in = OpenStream(from, "rb");
  std::int64_t size = in ? MeasureStream(in.get()) : -1;
  if (size < 0) return false;
  Stream out = OpenStream(to, "wb");
  if (!out) return false;
  if (CopyStreamBytes(in.get(), out.get(), size) && CloseStream(out)) return true;
  out.reset();
  RemoveFile(to);  // as the system's copy does: no half-written target is left
  return false;
}
