// korvel_driver: drives the real Korvel_Player.exe from outside, the way
// assistive and test tools do on Windows. It starts the program in a scratch
// copy of the installation folder, checks its windows, controls and menus
// against the layout the program is meant to have, walks a whole session by
// sending the commands that the menus and buttons send (answering the open
// dialogs like a user), checks every status text and the files the session
// leaves, takes a screenshot of the main window and closes the program.
//
//   korvel_driver <Korvel_Player.exe> <screenshot.bmp>
//   korvel_driver --snapshot <Korvel_Player.exe> <screenshot.bmp>
//
// The second form only starts the program where it is installed, saves a
// screenshot of its main window and closes it (the run script uses it when
// there is no screen to look at).
//
// Prints one line per group of checks and ends with "N passed, M failed";
// the exit code is 0 only when every check passed.
#include <windows.h>

#include <mmsystem.h>
#include <shlobj.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace {

// ---------------------------------------------------------------- checks

int passedTotal = 0, failedTotal = 0;
std::string groupName;
int groupPassed = 0, groupFailed = 0;
std::vector<std::string> groupFailures;

void BeginGroup(const std::string& name) {
  groupName = name;
  groupPassed = groupFailed = 0;
  groupFailures.clear();
}

void EndGroup() {
  if (groupFailed == 0) {
    std::printf("[ ok ] %s (%d checks)\n", groupName.c_str(), groupPassed);
  } else {
    std::printf("[FAIL] %s (%d of %d checks failed)\n", groupName.c_str(), groupFailed, groupPassed + groupFailed);
    for (const std::string& failure : groupFailures) std::printf("         %s\n", failure.c_str());
  }
  std::fflush(stdout);
}

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

bool Check(bool ok, const std::string& what, const std::string& expected = "", const std::string& found = "") {
  if (ok) {
    ++passedTotal;
    ++groupPassed;
  } else {
    ++failedTotal;
    ++groupFailed;
    std::string line = what;
    if (!expected.empty() || !found.empty()) line += ": expected " + expected + ", found " + found;
    groupFailures.push_back(line);
  }
  return ok;
}

bool CheckText(const std::string& what, const std::string& expected, const std::string& found) {
  return Check(expected == found, what, Quoted(expected), Quoted(found));
}

bool CheckInt(const std::string& what, long long expected, long long found) {
  return Check(expected == found, what, std::to_string(expected), std::to_string(found));
}

// Notes on behaviour of the system under test that the driver allowed for.
std::vector<std::string> notes;
void Note(const std::string& text) {
  for (const std::string& n : notes)
    if (n == text) return;
  notes.push_back(text);
}

// ---------------------------------------------------------------- files

std::string ToDosPath(const std::string& path) {
  // Under Wine the test passes host paths ("/work/..."); Wine names them for us.
  if (path.empty() || path[0] != '/') return path;
  using DosName = WCHAR*(CDECL*)(const char*);
  auto dosName = reinterpret_cast<DosName>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_dos_file_name")));
  if (dosName != nullptr) {
    if (WCHAR* wide = dosName(path.c_str())) {
      char narrow[MAX_PATH * 2] = {};
      WideCharToMultiByte(CP_ACP, 0, wide, -1, narrow, sizeof narrow, nullptr, nullptr);
      HeapFree(GetProcessHeap(), 0, wide);
      return narrow;
    }
  }
  std::string dos = "Z:" + path;
  for (char& c : dos)
    if (c == '/') c = '\\';
  return dos;
}

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? "." : path.substr(0, slash);
}

bool FileExists(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::vector<unsigned char> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool WriteBytes(const std::string& path, const std::vector<unsigned char>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

long long FileSize(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return -1;
  return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

void MakeFolders(const std::string& path) {
  std::string partial;
  std::stringstream parts(path);
  std::string part;
  while (std::getline(parts, part, '\\')) {
    partial += part;
    if (partial.size() > 2) CreateDirectoryA(partial.c_str(), nullptr);
    partial += '\\';
  }
}

void RemoveTree(const std::string& folder) {
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      const std::string name = found.cFileName;
      if (name == "." || name == "..") continue;
      const std::string path = folder + "\\" + name;
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTree(path);
      } else {
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(path.c_str());
      }
    } while (FindNextFileA(search, &found));
    FindClose(search);
  }
  RemoveDirectoryA(folder.c_str());
}

// ---------------------------------------------------------------- sound files the session adds

void Put16LE(std::vector<unsigned char>& b, unsigned v) {
  b.push_back(static_cast<unsigned char>(v));
  b.push_back(static_cast<unsigned char>(v >> 8));
}
void Put32LE(std::vector<unsigned char>& b, unsigned v) {
  Put16LE(b, v & 0xFFFF);
  Put16LE(b, v >> 16);
}
void Put16BE(std::vector<unsigned char>& b, unsigned v) {
  b.push_back(static_cast<unsigned char>(v >> 8));
  b.push_back(static_cast<unsigned char>(v));
}
void Put32BE(std::vector<unsigned char>& b, unsigned v) {
  Put16BE(b, v >> 16);
  Put16BE(b, v & 0xFFFF);
}
void PutTag(std::vector<unsigned char>& b, const char* tag) { b.insert(b.end(), tag, tag + 4); }

// A triangle wave: audible, and needs no maths library.
int Sample(int i, int period, int amplitude) {
  const int phase = i % period;
  const int half = period / 2;
  const int rising = phase < half ? phase : period - phase;
  return (rising * 2 * amplitude) / half - amplitude;
}

// 16-bit PCM mono WAVE, 8000 Hz, 0.5 s: the plain 44-byte header.
std::vector<unsigned char> MakeWave() {
  const unsigned rate = 8000, frames = 4000, dataSize = frames * 2;
  std::vector<unsigned char> b;
  PutTag(b, "RIFF");
  Put32LE(b, 36 + dataSize);
  PutTag(b, "WAVE");
  PutTag(b, "fmt ");
  Put32LE(b, 16);
  Put16LE(b, 1);
  Put16LE(b, 1);
  Put32LE(b, rate);
  Put32LE(b, rate * 2);
  Put16LE(b, 2);
  Put16LE(b, 16);
  PutTag(b, "data");
  Put32LE(b, dataSize);
  for (unsigned i = 0; i < frames; ++i) Put16LE(b, static_cast<unsigned>(Sample(static_cast<int>(i), 18, 8000)) & 0xFFFF);
  return b;
}

// Plain AIFF, 16-bit mono, 44100 Hz, 0.25 s: COMM right after the FORM
// header (offset 12), rate bytes 40 0E AC 44 at 28, SSND at 38, samples from 54.
std::vector<unsigned char> MakeAiff() {
  const unsigned frames = 11025, dataSize = frames * 2;
  std::vector<unsigned char> b;
  PutTag(b, "FORM");
  Put32BE(b, 4 + 26 + 16 + dataSize);
  PutTag(b, "AIFF");
  PutTag(b, "COMM");
  Put32BE(b, 18);
  Put16BE(b, 1);       // channels, offset 20
  Put32BE(b, frames);  // offset 22
  Put16BE(b, 16);      // sample size, offset 26
  const unsigned char rate[10] = {0x40, 0x0E, 0xAC, 0x44, 0, 0, 0, 0, 0, 0};  // 44100, offset 28
  b.insert(b.end(), rate, rate + 10);
  PutTag(b, "SSND");  // offset 38
  Put32BE(b, 8 + dataSize);
  Put32BE(b, 0);  // data offset
  Put32BE(b, 0);  // block size
  for (unsigned i = 0; i < frames; ++i) Put16BE(b, static_cast<unsigned>(Sample(static_cast<int>(i), 100, 9000)) & 0xFFFF);
  return b;
}

// AU (".snd"), encoding 1 (µ-law), 8000 Hz, one channel, 24-byte header, 0.5 s.
std::vector<unsigned char> MakeAu() {
  const unsigned dataSize = 4000;
  std::vector<unsigned char> b;
  PutTag(b, ".snd");
  Put32BE(b, 24);
  Put32BE(b, dataSize);
  Put32BE(b, 1);
  Put32BE(b, 8000);
  Put32BE(b, 1);
  // µ-law bytes of a coarse square wave (0x8F / 0x0F are moderate levels; 0xFF is silence).
  for (unsigned i = 0; i < dataSize; ++i) b.push_back((i / 10) % 2 ? 0x8F : 0x0F);
  return b;
}

std::uint32_t Crc32(const unsigned char* data, std::size_t size, std::uint32_t crc = 0) {
  crc = ~crc;
  for (std::size_t i = 0; i < size; ++i) {
    crc ^= data[i];
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

// ---------------------------------------------------------------- windows of the program

DWORD programProcessId = 0;
DWORD programThreadId = 0;
HWND mainWindow = nullptr, exportWindow = nullptr, quickStartWindow = nullptr;

constexpr UINT kSendTimeoutMs = 30000;

LRESULT Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  DWORD_PTR result = 0;
  if (!SendMessageTimeoutA(window, message, wParam, lParam, SMTO_NORMAL, kSendTimeoutMs, &result)) return -1;
  return static_cast<LRESULT>(result);
}

std::string TextOf(HWND window) {
  if (window == nullptr) return "<no window>";
  const LRESULT length = Send(window, WM_GETTEXTLENGTH, 0, 0);
  if (length < 0) return "<no answer>";
  std::vector<char> text(static_cast<std::size_t>(length) + 2, '\0');
  Send(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
  return text.data();
}

void SetText(HWND window, const std::string& text) {
  Send(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

std::string ClassOf(HWND window) {
  char name[256] = {};
  GetClassNameA(window, name, sizeof name);
  return name;
}

std::string Status() { return TextOf(GetDlgItem(mainWindow, 2000)); }
std::string EntryNumber() { return TextOf(GetDlgItem(mainWindow, 1800)); }

// Rows as the list box holds them. Asked in the ANSI form first; where the
// system hands only part of a row across processes that way, asked again in
// the Unicode form and converted.
std::vector<std::string> ListRows() {
  std::vector<std::string> rows;
  HWND list = GetDlgItem(mainWindow, 2200);
  const LRESULT count = Send(list, LB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    const LRESULT length = Send(list, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0);
    std::vector<char> text(static_cast<std::size_t>(length > 0 ? length : 0) + 2, '\0');
    Send(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text.data()));
    std::string row = text.data();
    if (length > 0 && row.size() != static_cast<std::size_t>(length)) {
      std::vector<WCHAR> wide(static_cast<std::size_t>(length) + 2, 0);
      DWORD_PTR result = 0;
      SendMessageTimeoutW(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(wide.data()), SMTO_NORMAL,
                          kSendTimeoutMs, &result);
      std::vector<char> narrow(wide.size() * 2 + 2, '\0');
      WideCharToMultiByte(CP_ACP, 0, wide.data(), -1, narrow.data(), static_cast<int>(narrow.size()), nullptr, nullptr);
      Note("list rows: LB_GETTEXT in its ANSI form hands only the first character across processes; rows read "
           "with the Unicode form");
      row = narrow.data();
    }
    rows.push_back(row);
  }
  return rows;
}

bool WaitFor(const std::function<bool()>& condition, DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  for (;;) {
    if (condition()) return true;
    if (GetTickCount() - start > timeoutMs) return false;
    Sleep(50);
  }
}

// A command as a menu item or button sends it, handled before this returns.
void Command(HWND window, int id) { Send(window, WM_COMMAND, MAKEWPARAM(id, 0), 0); }

// A command that opens a modal dialog: posted, so the driver is free to answer it.
void PostCommand(HWND window, int id) { PostMessageA(window, WM_COMMAND, MAKEWPARAM(id, 0), 0); }

BOOL CALLBACK ListWindowProc(HWND window, LPARAM) {
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  if (pid == programProcessId)
    std::printf("  window of the program: class \"%s\", title \"%s\", %s\n", ClassOf(window).c_str(),
                TextOf(window).c_str(), IsWindowVisible(window) ? "visible" : "hidden");
  return TRUE;
}

HWND FindProgramWindow(const char* className) {
  HWND window = nullptr;
  while ((window = FindWindowExA(nullptr, window, className, nullptr)) != nullptr) {
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid == programProcessId) return window;
  }
  return nullptr;
}

struct DialogSearch {
  HWND found;
};

BOOL CALLBACK FindDialogProc(HWND window, LPARAM data) {
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  if (pid != programProcessId || !IsWindowVisible(window) || ClassOf(window) != "#32770") return TRUE;
  auto* search = reinterpret_cast<DialogSearch*>(data);
  search->found = window;
  if (GetWindow(window, GW_OWNER) != mainWindow) Note("the open dialog was not owned by the main window");
  return FALSE;
}

HWND WaitForOpenDialog(DWORD timeoutMs) {
  DialogSearch search{nullptr};
  WaitFor(
      [&] {
        EnumWindows(FindDialogProc, reinterpret_cast<LPARAM>(&search));
        return search.found != nullptr;
      },
      timeoutMs);
  return search.found;
}

struct DescendantSearch {
  int id;
  HWND found;
};

BOOL CALLBACK FindDescendantProc(HWND window, LPARAM data) {
  auto* search = reinterpret_cast<DescendantSearch*>(data);
  if (GetDlgCtrlID(window) != search->id || !IsWindowVisible(window)) return TRUE;
  search->found = window;
  return FALSE;
}

// Any visible window with this control number inside the dialog, however deep:
// some dialogs keep their controls in an inner child dialog.
HWND FindDescendant(HWND dialog, int id) {
  DescendantSearch search{id, nullptr};
  EnumChildWindows(dialog, FindDescendantProc, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

BOOL CALLBACK FindEditProc(HWND window, LPARAM data) {
  if (_stricmp(ClassOf(window).c_str(), "Edit") == 0 && IsWindowVisible(window)) {
    *reinterpret_cast<HWND*>(data) = window;
    return FALSE;
  }
  return TRUE;
}

HWND FileNameEdit(HWND dialog) {
  HWND edit = FindDescendant(dialog, 1152);  // edt1
  if (edit != nullptr && _stricmp(ClassOf(edit).c_str(), "Edit") == 0) {
    if (GetParent(edit) != dialog) Note("open dialog: edit control 1152 (edt1) lies in an inner window of the dialog");
    return edit;
  }
  if (HWND combo = FindDescendant(dialog, 1148)) {  // cmb13, its edit inside
    if (_stricmp(ClassOf(combo).c_str(), "Edit") == 0) return combo;
    edit = nullptr;
    EnumChildWindows(combo, FindEditProc, reinterpret_cast<LPARAM>(&edit));
    if (edit != nullptr) {
      Note("open dialog: the file name box is the edit inside combo box 1148 (cmb13)" +
           std::string(GetParent(combo) != dialog ? ", which lies in an inner window of the dialog" : ""));
      return edit;
    }
  }
  edit = nullptr;
  EnumChildWindows(dialog, FindEditProc, reinterpret_cast<LPARAM>(&edit));
  if (edit != nullptr) Note("open dialog: no control 1152 or 1148; file name box taken as the first visible edit");
  return edit;
}

// Types a full path into the open dialog and presses its OK button.
bool AnswerOpenDialog(const std::string& path) {
  HWND dialog = WaitForOpenDialog(30000);
  if (!Check(dialog != nullptr, "an open dialog appears")) return false;
  HWND edit = FileNameEdit(dialog);
  if (!Check(edit != nullptr, "the open dialog has a file name box")) return false;
  SetText(edit, path);
  HWND ok = GetDlgItem(dialog, IDOK);
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(ok));
  return Check(WaitFor([&] { return !IsWindow(dialog) || !IsWindowVisible(dialog); }, 30000),
               "the open dialog closes after OK with " + path);
}

// ---------------------------------------------------------------- menus

struct MenuItemState {
  std::string text;
  int id;
  UINT state;
};
struct PopupState {
  std::string text;
  std::vector<MenuItemState> items;
};

std::string probeDllPath;

std::vector<PopupState> ParseMenuDump(const std::string& dump) {
  std::vector<PopupState> popups;
  std::stringstream lines(dump);
  std::string line;
  while (std::getline(lines, line)) {
    std::vector<std::string> fields;
    std::stringstream parts(line);
    std::string field;
    while (std::getline(parts, field, '\t')) fields.push_back(field);
    if (fields.size() == 2 && fields[0] == "P") popups.push_back({fields[1], {}});
    if (fields.size() >= 3 && fields[0] == "I" && !popups.empty()) {
      popups.back().items.push_back({fields.size() > 3 ? fields[3] : "", std::atoi(fields[1].c_str()),
                                     static_cast<UINT>(std::strtoul(fields[2].c_str(), nullptr, 10))});
    }
  }
  return popups;
}

std::string MenuString(HMENU menu, int position) {
  char text[256] = {};
  GetMenuStringA(menu, static_cast<UINT>(position), text, sizeof text, MF_BYPOSITION);
  return text;
}

// Reads the menu bar directly; where the system keeps menus private to their
// process, through korvel_probe.dll, hooked into the program's interface thread.
bool ReadMenus(std::vector<PopupState>& popups) {
  popups.clear();
  HMENU bar = GetMenu(mainWindow);
  const int count = bar != nullptr ? GetMenuItemCount(bar) : -1;
  if (count > 0) {
    for (int p = 0; p < count; ++p) {
      PopupState popup{MenuString(bar, p), {}};
      HMENU sub = GetSubMenu(bar, p);
      const int items = sub != nullptr ? GetMenuItemCount(sub) : 0;
      for (int i = 0; i < items; ++i) {
        popup.items.push_back({MenuString(sub, i), static_cast<int>(GetMenuItemID(sub, i)),
                               GetMenuState(sub, static_cast<UINT>(i), MF_BYPOSITION)});
      }
      popups.push_back(popup);
    }
    return true;
  }
  Note("menus of another process cannot be read directly (GetMenuItemCount fails); read through the hook "
       "korvel_probe.dll in the program's thread");
  HMODULE probe = LoadLibraryA(probeDllPath.c_str());
  if (probe == nullptr) return false;
  auto hookProc = reinterpret_cast<HOOKPROC>(reinterpret_cast<void*>(GetProcAddress(probe, "KorvelProbeHook")));
  constexpr DWORD kSize = 64 * 1024;
  HANDLE mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, kSize, "KorvelDriverMenuDump");
  char* view = mapping != nullptr ? static_cast<char*>(MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, kSize)) : nullptr;
  HHOOK hook = hookProc != nullptr ? SetWindowsHookExA(WH_CALLWNDPROC, hookProc, probe, programThreadId) : nullptr;
  bool ok = false;
  if (view != nullptr && hook != nullptr) {
    ZeroMemory(view, kSize);
    Send(mainWindow, RegisterWindowMessageA("KorvelDriver.DumpMenu"), 0, 0);
    popups = ParseMenuDump(std::string(view, strnlen(view, kSize)));
    ok = !popups.empty();
  }
  if (hook != nullptr) UnhookWindowsHookEx(hook);
  if (view != nullptr) UnmapViewOfFile(view);
  if (mapping != nullptr) CloseHandle(mapping);
  FreeLibrary(probe);
  return ok;
}

struct ExpectedItem {
  const char* popup;
  const char* text;
  int id;
  bool grayedAtStart;
};

const char* const kPopups[] = {"File", "Wavs", "Export", "Options", "Share", "Help"};
const ExpectedItem kMenuItems[] = {
    {"File", "  Load_KVF", 200, false},
    {"Wavs", "   Add_Wav", 100, true},
    {"Wavs", "   Play_Wav", 1100, false},
    {"Export", "   Wav (Current)", 1200, true},
    {"Export", "   Wav (En_Mass)", 1700, true},
    {"Export", "   Kvf (New_File)", 3800, false},
    {"Export", "   Wav (External)", 4100, false},
    {"Options", "   Save as Pcm", 3600, false},
    {"Options", "   Save as Org", 3700, false},
    {"Options", "   Save in Documents", 4150, false},
    {"Options", "   Save in Default Loc", 4200, false},
    {"Share", "   Kvf/Dat (Current)", 4000, true},
    {"Help", "  Help_Files", 500, false},
    {"Help", "  Quik_Start", 4250, false},
};

void CheckMenus(bool afterLoad) {
  std::vector<PopupState> popups;
  if (!Check(ReadMenus(popups), "the main window's menu bar can be read")) return;
  CheckInt("number of popups on the menu bar", 6, static_cast<long long>(popups.size()));
  for (std::size_t p = 0; p < 6 && p < popups.size(); ++p) {
    CheckText("popup " + std::to_string(p + 1) + " text", kPopups[p], popups[p].text);
    std::vector<const ExpectedItem*> expected;
    for (const ExpectedItem& item : kMenuItems)
      if (std::strcmp(item.popup, kPopups[p]) == 0) expected.push_back(&item);
    const auto& found = popups[p].items;
    CheckInt(std::string("number of items in ") + kPopups[p], static_cast<long long>(expected.size()),
             static_cast<long long>(found.size()));
    for (std::size_t i = 0; i < expected.size() && i < found.size(); ++i) {
      const std::string where = std::string(kPopups[p]) + " item " + std::to_string(i + 1);
      CheckText(where + " text", expected[i]->text, found[i].text);
      CheckInt(where + " number", expected[i]->id, found[i].id);
      const bool grayedNow = expected[i]->grayedAtStart && !afterLoad;
      const bool grayed = (found[i].state & MF_GRAYED) != 0;
      Check(grayed == grayedNow, where + " (" + expected[i]->text + ") state", grayedNow ? "grayed" : "enabled",
            grayed ? "grayed" : "enabled");
      Check((found[i].state & MF_CHECKED) == 0, where + " is not checked");
    }
  }
}

// ---------------------------------------------------------------- windows and controls

struct ExpectedControl {
  const char* className;
  const char* text;
  int id;
  int parent;  // 0 main, 1 export, 2 quick start
  int x, y, width, height;
};

// In the order the program creates them.
const ExpectedControl kControls[] = {
    {"Edit", "Type_in_desired_name", 300, 1, 15, 20, 150, 24},
    {"Button", "Export", 900, 1, 176, 20, 52, 24},
    {"Button", "Cancel", 3900, 1, 230, 20, 52, 24},
    {"Button", "Close", 4300, 2, 120, 168, 36, 20},
    {"Button", "-->", 1300, 0, 227, 150, 30, 24},
    {"Button", "<--", 1400, 0, 115, 150, 30, 24},
    {"Button", "Replay", 1500, 0, 169, 150, 56, 24},
    {"Button", "[]", 2100, 0, 147, 150, 20, 24},
    {"Button", "Clr MsgBox", 1600, 0, 390, 228, 90, 54},
    {"Button", "Set ID#", 1900, 0, 390, 291, 50, 24},
    {"Edit", "0", 1800, 0, 444, 292, 36, 24},
    {"Edit", "", 2000, 0, 75, 230, 278, 52},
    {"ListBox", "", 2200, 0, 75, 286, 278, 36},
    {"Static", "", 1000, 0, 24, 9, 331, 337},
    {"Static", "", 220, 0, 160, 186, 27, 16},
    {"Static", "", 320, 0, 145, 174, 24, 18},
};

// What a picture control's bitmap makes of its size when the picture is there.
void BitmapSize(int id, int& width, int& height) {
  width = height = 0;
  if (id == 1000) width = 331, height = 137;
  if (id == 220) width = 27, height = 16;
  if (id == 320) width = 24, height = 12;
}

std::string RectText(const RECT& r) {
  return "(" + std::to_string(r.left) + ", " + std::to_string(r.top) + ") " + std::to_string(r.right - r.left) + "x" +
         std::to_string(r.bottom - r.top);
}

void CheckControls(HWND parent, int parentIndex, const char* parentName) {
  std::vector<const ExpectedControl*> expected;
  for (const ExpectedControl& c : kControls)
    if (c.parent == parentIndex) expected.push_back(&c);
  std::vector<HWND> children;
  for (HWND child = GetWindow(parent, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT))
    children.push_back(child);
  CheckInt(std::string("number of controls in the ") + parentName + " window", static_cast<long long>(expected.size()),
           static_cast<long long>(children.size()));
  for (std::size_t i = 0; i < expected.size(); ++i) {
    const ExpectedControl& c = *expected[i];
    const std::string where = std::string(parentName) + " control " + std::to_string(c.id);
    HWND control = GetDlgItem(parent, c.id);
    if (!Check(control != nullptr, where + " exists")) continue;
    if (i < children.size()) CheckInt(where + " creation order (control number at this place)", c.id, GetDlgCtrlID(children[i]));
    const std::string cls = ClassOf(control);
    Check(_stricmp(cls.c_str(), c.className) == 0, where + " class", c.className, cls);
    if (cls != c.className && _stricmp(cls.c_str(), c.className) == 0)
      Note("class names come back as \"" + cls + "\"; compared without case");
    CheckText(where + " text", c.text, TextOf(control));
    CheckInt(where + " control number", c.id, GetDlgCtrlID(control));

    RECT r;
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    RECT want = {c.x, c.y, c.x + c.width, c.y + c.height};
    int bw = 0, bh = 0;
    BitmapSize(c.id, bw, bh);
    const bool exact = EqualRect(&r, &want) != 0;
    const bool bitmapSized =
        c.id == 1000 || c.id == 320 ? (r.left == c.x && r.top == c.y && r.right - r.left == bw && r.bottom - r.top == bh)
                                    : false;
    if (bitmapSized) Note("picture control " + std::to_string(c.id) + " took its bitmap's size " + std::to_string(bw) +
                          "x" + std::to_string(bh));
    if (exact && (c.id == 1000 || c.id == 320))
      Note("picture control " + std::to_string(c.id) + " kept its created size (no bitmap resource loaded)");
    Check(exact || bitmapSized, where + " place and size in the parent's client area", RectText(want), RectText(r));

    const LONG style = GetWindowLongA(control, GWL_STYLE);
    const LONG exStyle = GetWindowLongA(control, GWL_EXSTYLE);
    Check((style & WS_CHILD) != 0, where + " is a child window");
    const bool edge = c.id == 300 || c.id == 1800 || c.id == 2000 || c.id == 2200;
    Check(((exStyle & WS_EX_CLIENTEDGE) != 0) == edge, where + " sunken client edge",
          edge ? "WS_EX_CLIENTEDGE" : "none", (exStyle & WS_EX_CLIENTEDGE) ? "WS_EX_CLIENTEDGE" : "none");
    if (std::strcmp(c.className, "Button") == 0)
      Check((style & BS_TYPEMASK) == BS_PUSHBUTTON, where + " is a push button");
    if (c.id == 1800) Check((style & (ES_NUMBER | ES_CENTER)) == (ES_NUMBER | ES_CENTER), where + " ES_NUMBER|ES_CENTER");
    if (c.id == 2000) {
      Check((style & (ES_MULTILINE | ES_READONLY)) == (ES_MULTILINE | ES_READONLY), where + " ES_MULTILINE|ES_READONLY");
      Check((style & (WS_VSCROLL | ES_AUTOVSCROLL)) == (WS_VSCROLL | ES_AUTOVSCROLL), where + " WS_VSCROLL|ES_AUTOVSCROLL");
    }
    if (c.id == 2200) {
      Check((style & LBS_NOTIFY) != 0, where + " LBS_NOTIFY");
      Check((style & LBS_SORT) != LBS_SORT, where + " is not sorted");
    }
    if (c.id == 300) Check((style & ES_MULTILINE) == 0, where + " is a single-line box");
    if (std::strcmp(c.className, "Static") == 0) Check((style & SS_TYPEMASK) == SS_BITMAP, where + " SS_BITMAP");
    const bool visible = c.id != 220;
    Check(((style & WS_VISIBLE) != 0) == visible, where + " visibility", visible ? "visible" : "hidden",
          (style & WS_VISIBLE) ? "visible" : "hidden");
  }
}

void CheckTopWindow(HWND window, const char* name, const std::string& title, int dx, int dy, int width, int height,
                    bool visible) {
  const int cx = GetSystemMetrics(SM_CXSCREEN) / 2, cy = GetSystemMetrics(SM_CYSCREEN) / 2;
  CheckText(std::string(name) + " window title", title, TextOf(window));
  RECT r;
  GetWindowRect(window, &r);
  RECT want = {cx + dx, cy + dy, cx + dx + width, cy + dy + height};
  Check(EqualRect(&r, &want) != 0, std::string(name) + " window place and size from the screen centre", RectText(want),
        RectText(r));
  Check((IsWindowVisible(window) != 0) == visible, std::string(name) + " window visibility at start",
        visible ? "visible" : "hidden", IsWindowVisible(window) ? "visible" : "hidden");
  Check(GetParent(window) == nullptr || GetParent(window) == GetDesktopWindow(), std::string(name) + " is top-level");
}

void CheckWindowFrames() {
  const LONG mainStyle = GetWindowLongA(mainWindow, GWL_STYLE);
  Check((mainStyle & (WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX)) == (WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX),
        "main window has a caption, system menu and minimise box");
  Check((mainStyle & (WS_THICKFRAME | WS_MAXIMIZEBOX)) == 0, "main window is not sizable and has no maximise box");
  for (HWND window : {exportWindow, quickStartWindow}) {
    const LONG style = GetWindowLongA(window, GWL_STYLE);
    const std::string name = window == exportWindow ? "export" : "quick-start";
    Check((style & WS_DLGFRAME) != 0, name + " window has a dialog frame");
    Check((style & WS_CAPTION) != WS_CAPTION, name + " window has no caption");
    Check((style & WS_SYSMENU) == 0, name + " window has no system menu");
  }
}

// ---------------------------------------------------------------- screenshot

void WriteScreenshot(const std::string& bmpPath, int width, int height, const std::vector<unsigned char>& bgrBottomUp) {
  const int stride = (width * 3 + 3) & ~3;
  std::vector<unsigned char> bmp;
  bmp.push_back('B');
  bmp.push_back('M');
  Put32LE(bmp, static_cast<unsigned>(54 + stride * height));
  Put32LE(bmp, 0);
  Put32LE(bmp, 54);
  Put32LE(bmp, 40);
  Put32LE(bmp, static_cast<unsigned>(width));
  Put32LE(bmp, static_cast<unsigned>(height));
  Put16LE(bmp, 1);
  Put16LE(bmp, 24);
  Put32LE(bmp, 0);
  Put32LE(bmp, static_cast<unsigned>(stride * height));
  Put32LE(bmp, 2835);
  Put32LE(bmp, 2835);
  Put32LE(bmp, 0);
  Put32LE(bmp, 0);
  bmp.insert(bmp.end(), bgrBottomUp.begin(), bgrBottomUp.end());
  Check(WriteBytes(bmpPath, bmp), "screenshot written to " + bmpPath);

  // The same picture as PNG, with stored (uncompressed) deflate blocks.
  std::vector<unsigned char> raw;
  for (int y = 0; y < height; ++y) {
    raw.push_back(0);  // no filter
    const unsigned char* row = bgrBottomUp.data() + static_cast<std::size_t>(height - 1 - y) * stride;
    for (int x = 0; x < width; ++x) {
      raw.push_back(row[x * 3 + 2]);
      raw.push_back(row[x * 3 + 1]);
      raw.push_back(row[x * 3]);
    }
  }
  std::vector<unsigned char> z = {0x78, 0x01};
  for (std::size_t at = 0; at < raw.size() || at == 0;) {
    const std::size_t n = raw.size() - at < 65535 ? raw.size() - at : 65535;
    z.push_back(at + n == raw.size() ? 1 : 0);
    Put16LE(z, static_cast<unsigned>(n));
    Put16LE(z, static_cast<unsigned>(~n) & 0xFFFF);
    z.insert(z.end(), raw.begin() + static_cast<std::ptrdiff_t>(at), raw.begin() + static_cast<std::ptrdiff_t>(at + n));
    at += n;
    if (n == 0) break;
  }
  std::uint32_t a = 1, b = 0;
  for (unsigned char c : raw) {
    a = (a + c) % 65521;
    b = (b + a) % 65521;
  }
  Put32BE(z, (b << 16) | a);
  std::vector<unsigned char> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  auto chunk = [&](const char* type, const std::vector<unsigned char>& data) {
    Put32BE(png, static_cast<unsigned>(data.size()));
    std::vector<unsigned char> typed(type, type + 4);
    typed.insert(typed.end(), data.begin(), data.end());
    png.insert(png.end(), typed.begin(), typed.end());
    Put32BE(png, Crc32(typed.data(), typed.size()));
  };
  std::vector<unsigned char> header;
  Put32BE(header, static_cast<unsigned>(width));
  Put32BE(header, static_cast<unsigned>(height));
  header.insert(header.end(), {8, 2, 0, 0, 0});
  chunk("IHDR", header);
  chunk("IDAT", z);
  chunk("IEND", {});
  std::string pngPath = bmpPath;
  const std::size_t dot = pngPath.find_last_of('.');
  pngPath = (dot == std::string::npos ? pngPath : pngPath.substr(0, dot)) + ".png";
  Check(WriteBytes(pngPath, png), "screenshot written to " + pngPath);
}

// Copies the window's pixels into a 24-bit DIB section; true when the picture is not one flat colour.
bool CaptureFrom(HDC source, int x, int y, int width, int height, std::vector<unsigned char>& pixels) {
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;  // bottom-up, as BMP files store rows
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HDC memory = CreateCompatibleDC(source);
  HBITMAP section = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(memory, section);
  BitBlt(memory, 0, 0, width, height, source, x, y, SRCCOPY | CAPTUREBLT);
  GdiFlush();
  const int stride = (width * 3 + 3) & ~3;
  const auto* data = static_cast<const unsigned char*>(bits);
  pixels.assign(data, data + static_cast<std::size_t>(stride) * height);
  SelectObject(memory, old);
  DeleteObject(section);
  DeleteDC(memory);
  for (std::size_t i = 3; i + 2 < pixels.size(); i += 3)
    if (pixels[i] != pixels[0] || pixels[i + 1] != pixels[1] || pixels[i + 2] != pixels[2]) return true;
  return false;
}

void TakeScreenshot(const std::string& bmpPath) {
  MakeFolders(FolderOf(bmpPath));
  SetForegroundWindow(mainWindow);
  Sleep(300);
  RECT r;
  GetWindowRect(mainWindow, &r);
  const int width = r.right - r.left, height = r.bottom - r.top;
  std::vector<unsigned char> pixels;
  HDC windowDc = GetWindowDC(mainWindow);
  bool ok = windowDc != nullptr && CaptureFrom(windowDc, 0, 0, width, height, pixels);
  if (windowDc != nullptr) ReleaseDC(mainWindow, windowDc);
  if (!ok) {
    Note("screenshot: the window DC gave one flat colour; copied from the screen DC instead");
    HDC screen = GetDC(nullptr);
    ok = CaptureFrom(screen, r.left, r.top, width, height, pixels);
    ReleaseDC(nullptr, screen);
  }
  Check(ok, "screenshot shows more than one colour");
  WriteScreenshot(bmpPath, width, height, pixels);
}

// ---------------------------------------------------------------- the session

std::string StoredPlayText(const std::string& name) { return "Now playing stored  \"" + name + "\" Duration: "; }

bool StartsWith(const std::string& text, const std::string& prefix) { return text.compare(0, prefix.size(), prefix) == 0; }

void CheckStatus(const std::string& what, const std::string& expected) { CheckText(what + ": status", expected, Status()); }

bool WaitForStatus(const std::string& expected, DWORD timeoutMs) {
  return WaitFor([&] { return Status() == expected; }, timeoutMs);
}

bool SameFile(const std::string& a, const std::string& b) {
  const auto x = ReadBytes(a), y = ReadBytes(b);
  return !x.empty() && x == y;
}

void CheckSameFile(const std::string& what, const std::string& expectedSource, const std::string& path) {
  Check(FileExists(path), what + ": " + path + " exists");
  Check(SameFile(expectedSource, path), what + ": " + path + " has the bytes of " + expectedSource);
}

bool IsRiffWave(const std::string& path) {
  const auto bytes = ReadBytes(path);
  return bytes.size() > 44 && std::memcmp(bytes.data(), "RIFF", 4) == 0 && std::memcmp(bytes.data() + 8, "WAVE", 4) == 0;
}

}  // namespace

// Starts the installed program, saves a screenshot of its main window and
// closes the program cleanly; 0 when it ran and ended with exit code 0.
int Snapshot(const std::string& exe, const std::string& screenshotPath) {
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  std::string commandLine = "\"" + exe + "\"";
  if (!CreateProcessA(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, FolderOf(exe).c_str(),
                      &startup, &process)) {
    std::printf("could not start %s\n", exe.c_str());
    return 1;
  }
  programProcessId = process.dwProcessId;
  WaitForInputIdle(process.hProcess, 60000);
  WaitFor([&] { return (mainWindow = FindProgramWindow("Korvel_Player  (1.0.4.18)")) != nullptr; }, 180000);
  DWORD code = 1;
  if (mainWindow != nullptr) {
    Sleep(1000);  // let the start-up sound and the first paint finish
    TakeScreenshot(screenshotPath);
    PostMessageA(mainWindow, WM_CLOSE, 0, 0);
    WaitForSingleObject(process.hProcess, 30000);
    GetExitCodeProcess(process.hProcess, &code);
  } else {
    std::printf("the main window did not appear\n");
    TerminateProcess(process.hProcess, 1);
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  std::printf("Korvel Player ended with exit code %lu\n", static_cast<unsigned long>(code));
  return code == 0 && failedTotal == 0 ? 0 : 1;
}

int main(int argc, char** argv) {
  if (argc == 4 && std::string(argv[1]) == "--snapshot") return Snapshot(ToDosPath(argv[2]), ToDosPath(argv[3]));
  if (argc < 3) {
    std::fprintf(stderr, "usage: korvel_driver <Korvel_Player.exe> <screenshot.bmp>\n");
    return 2;
  }
  const std::string programExe = ToDosPath(argv[1]);
  const std::string screenshotPath = ToDosPath(argv[2]);
  char self[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  probeDllPath = FolderOf(self) + "\\korvel_probe.dll";

  // A scratch installation: the program file, Export\ and Export\Conversions\.
  char temp[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, temp);
  std::string scratch = std::string(temp) + "korvel_session_" + std::to_string(GetCurrentProcessId());
  if (!scratch.empty() && scratch.back() == '\\') scratch.pop_back();
  RemoveTree(scratch);
  MakeFolders(scratch + "\\Export\\Conversions");
  MakeFolders(scratch + "\\Media");
  const std::string exe = scratch + "\\Korvel_Player.exe";
  const std::string exportDir = scratch + "\\Export";

  char documentsBuffer[MAX_PATH] = {};
  SHGetFolderPathA(nullptr, CSIDL_PERSONAL, nullptr, 0, documentsBuffer);
  const std::string documents = documentsBuffer;
  const std::string shareKvf = documents + "\\Export_KVF\\Session.kvf";
  const std::string shareDat = documents + "\\Export_KVF\\Session.dat";
  const std::string externalExport = documents + "\\KVP_Wavs\\ext_wav1.wav";
  auto cleanDocuments = [&] {
    for (const std::string& path : {shareKvf, shareDat, externalExport}) DeleteFileA(path.c_str());
  };
  cleanDocuments();

  const std::string wavName = "tone.wav", aiffName = "chime.aiff", auName = "bell.au";
  const std::string wavPath = scratch + "\\Media\\" + wavName;
  const std::string aiffPath = scratch + "\\Media\\" + aiffName;
  const std::string auPath = scratch + "\\Media\\" + auName;

  BeginGroup("installation: scratch copy of the program and the session's sound files");
  Check(CopyFileA(programExe.c_str(), exe.c_str(), FALSE) != 0, "copy " + programExe + " to " + exe);
  Check(WriteBytes(wavPath, MakeWave()) && FileSize(wavPath) == 8044, "16-bit PCM wave written");
  Check(WriteBytes(aiffPath, MakeAiff()) && FileSize(aiffPath) == 54 + 22050, "16-bit AIFF written");
  Check(WriteBytes(auPath, MakeAu()) && FileSize(auPath) == 24 + 4000, "mu-law AU written");
  EndGroup();
  if (failedTotal != 0) {
    std::printf("%d passed, %d failed\n", passedTotal, failedTotal);
    return 1;
  }

  // ---- start
  BeginGroup("start: process and windows");
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  std::string commandLine = "\"" + exe + "\"";
  const bool started = CreateProcessA(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                                      scratch.c_str(), &startup, &process) != 0;
  Check(started, "CreateProcess " + exe);
  if (started) {
    programProcessId = process.dwProcessId;
    WaitForInputIdle(process.hProcess, 60000);
    WaitFor(
        [&] {
          mainWindow = FindProgramWindow("Korvel_Player  (1.0.4.18)");
          return mainWindow != nullptr && IsWindowVisible(mainWindow);
        },
        180000);
  }
  if (!Check(mainWindow != nullptr, "main window of class \"Korvel_Player  (1.0.4.18)\" appears within 180 s")) {
    EndGroup();
    DWORD code = 0;
    if (started && GetExitCodeProcess(process.hProcess, &code) && code != STILL_ACTIVE)
      std::printf("the program ended with exit code %lu\n", static_cast<unsigned long>(code));
    EnumWindows(ListWindowProc, 0);
    if (started) {
      TerminateProcess(process.hProcess, 1);
      CloseHandle(process.hThread);
      CloseHandle(process.hProcess);
    }
    std::printf("%d passed, %d failed\n", passedTotal, failedTotal);
    return 1;
  }
  programThreadId = GetWindowThreadProcessId(mainWindow, nullptr);
  exportWindow = FindProgramWindow(" Korvel_File - Export");
  quickStartWindow = FindProgramWindow(" Quick Start - Help");
  Check(exportWindow != nullptr, "export window of class \" Korvel_File - Export\" exists");
  Check(quickStartWindow != nullptr, "quick-start window of class \" Quick Start - Help\" exists");
  Check(programThreadId == GetWindowThreadProcessId(exportWindow, nullptr) &&
            programThreadId == GetWindowThreadProcessId(quickStartWindow, nullptr),
        "all three windows belong to one interface thread");
  EndGroup();
  if (exportWindow == nullptr || quickStartWindow == nullptr) {
    TerminateProcess(process.hProcess, 1);
    std::printf("%d passed, %d failed\n", passedTotal, failedTotal);
    return 1;
  }

  BeginGroup("windows: titles, places from the screen centre, frames, visibility");
  CheckTopWindow(mainWindow, "main", "Korvel_Player  (1.0.4.18)", -250, -200, 500, 387, true);
  CheckTopWindow(exportWindow, "export", " Korvel_File - Export", 20, -330, 300, 100, false);
  CheckTopWindow(quickStartWindow, "quick-start", " Quick Start - Help", 282, -200, 300, 220, false);
  CheckWindowFrames();
  EndGroup();

  BeginGroup("controls of the main window");
  CheckControls(mainWindow, 0, "main");
  EndGroup();
  BeginGroup("controls of the export window");
  CheckControls(exportWindow, 1, "export");
  EndGroup();
  BeginGroup("controls of the quick-start window");
  CheckControls(quickStartWindow, 2, "quick-start");
  EndGroup();

  BeginGroup("menus at start: popups, item texts, numbers, order, grayed items");
  CheckMenus(false);
  EndGroup();

  BeginGroup("status box, entry number box and entry list at start");
  CheckText("status box at start", "", Status());
  CheckText("entry number box at start", "0", EntryNumber());
  CheckInt("entry list rows at start", 0, static_cast<long long>(ListRows().size()));
  EndGroup();

  // ---- a new container through the export window
  BeginGroup("Export > Kvf (New_File): create the container Session");
  Command(mainWindow, 3800);
  Check(IsWindowVisible(exportWindow) != 0, "3800 shows the export window");
  HWND nameBox = GetDlgItem(exportWindow, 300);
  SetText(nameBox, "Session");
  Command(exportWindow, 900);
  CheckStatus("900", "New KorvelFile ( Session.kvf ) has been exported to this program's directory . . .");
  Check(IsWindowVisible(exportWindow) == 0, "the export window is hidden after the export");
  CheckText("name box after the export", "", TextOf(nameBox));
  const std::string kvf = scratch + "\\Session.kvf", dat = scratch + "\\Session.dat";
  CheckInt("size of Session.kvf", 8016, FileSize(kvf));
  CheckInt("size of Session.dat", 0, FileSize(dat));
  {
    const auto bytes = ReadBytes(kvf);
    const unsigned char header[16] = {0x50, 1, 0, 0, 1, 0, 0, 0, 0x18, 0, 0, 0, 0, 0, 0, 0};
    Check(bytes.size() >= 16 && std::memcmp(bytes.data(), header, 16) == 0, "header of Session.kvf");
  }
  Command(mainWindow, 3800);
  SetText(nameBox, "Session");
  Command(exportWindow, 900);
  CheckStatus("900 with the same name", "Export error - kvf filename already exists. . .");
  Check(IsWindowVisible(exportWindow) != 0, "the export window stays shown after the refusal");
  Command(exportWindow, 3900);
  Check(IsWindowVisible(exportWindow) == 0, "3900 (Cancel) hides the export window");
  EndGroup();

  // ---- load it
  BeginGroup("File > Load_KVF: load Session.kvf through the open dialog");
  PostCommand(mainWindow, 200);
  if (AnswerOpenDialog(kvf)) {
    const std::string expected = "There are 0 to 0 valid entries within .kvf file";
    WaitForStatus(expected, 20000);
    CheckStatus("200", expected);
  }
  CheckText("entry number box after the load", "0", EntryNumber());
  CheckInt("entry list rows after the load", 0, static_cast<long long>(ListRows().size()));
  EndGroup();

  BeginGroup("menus after the load: the four container items are enabled");
  CheckMenus(true);
  EndGroup();

  // ---- add three files
  const std::string files[3] = {wavPath, aiffPath, auPath};
  const std::string names[3] = {wavName, aiffName, auName};
  for (int k = 0; k < 3; ++k) {
    BeginGroup("Wavs > Add_Wav: add " + names[k]);
    PostCommand(mainWindow, 100);
    if (AnswerOpenDialog(files[k])) {
      const std::string expected = "The wav file labeled ' " + names[k] + " ' has been added to slected kvf file . . ";
      WaitForStatus(expected, 20000);
      CheckStatus("100", expected);
    }
    const auto rows = ListRows();
    CheckInt("entry list rows", k + 1, static_cast<long long>(rows.size()));
    if (k == 2) {
      // The list hides its scroll bar (and drops WS_VSCROLL) while every row fits; three rows do not fit.
      Check((GetWindowLongA(GetDlgItem(mainWindow, 2200), GWL_STYLE) & WS_VSCROLL) != 0,
            "entry list has its vertical scroll bar (WS_VSCROLL) with three rows");
    }
    for (int r = 0; r <= k && r < static_cast<int>(rows.size()); ++r)
      CheckText("entry list row " + std::to_string(r + 1), " \"" + names[r] + "\"", rows[static_cast<std::size_t>(r)]);
    EndGroup();
  }

  BeginGroup("screenshot of the main window with the entry list filled");
  TakeScreenshot(screenshotPath);
  EndGroup();

  // ---- stored plays
  BeginGroup("stored plays: -->, Replay, Set ID#, <--");
  Command(mainWindow, 1300);
  CheckText("--> plays entry 1: status", StoredPlayText(wavName) + "0.5027", Status());
  CheckText("--> entry number box", "1", EntryNumber());
  Command(mainWindow, 1300);
  std::string status = Status();
  Check(StartsWith(status, StoredPlayText(aiffName)), "--> plays entry 2: status begins",
        Quoted(StoredPlayText(aiffName)), Quoted(status));
  CheckText("--> entry number box", "2", EntryNumber());
  Command(mainWindow, 1500);
  CheckText("Replay leaves the status", status, Status());
  SetText(GetDlgItem(mainWindow, 1800), "1");
  Command(mainWindow, 1900);
  CheckText("Set ID# 1 is silent", status, Status());
  Command(mainWindow, 1300);
  CheckText("--> after Set ID# 1 plays entry 1", StoredPlayText(wavName) + "0.5027", Status());
  CheckText("entry number box", "1", EntryNumber());
  Command(mainWindow, 1300);
  Command(mainWindow, 1300);
  status = Status();
  Check(StartsWith(status, StoredPlayText(auName)), "--> --> plays entry 3: status begins",
        Quoted(StoredPlayText(auName)), Quoted(status));
  CheckText("entry number box", "3", EntryNumber());
  Command(mainWindow, 1300);
  CheckText("--> at the last entry is refused and leaves the status", status, Status());
  CheckText("entry number box stays", "3", EntryNumber());
  Command(mainWindow, 1400);
  status = Status();
  Check(StartsWith(status, StoredPlayText(aiffName)), "<-- plays entry 2: status begins",
        Quoted(StoredPlayText(aiffName)), Quoted(status));
  CheckText("entry number box", "2", EntryNumber());
  SetText(GetDlgItem(mainWindow, 1800), "3");
  Command(mainWindow, 1900);
  CheckText("Set ID# 3 (the last entry) is refused",
            "The index number you have entered is out of range, or is set to last entry (not allowed)", Status());
  EndGroup();

  // ---- exports of the current entry (the AIFF entry was played last)
  BeginGroup("Export > Wav (Current) in both options");
  Command(mainWindow, 3700);
  CheckStatus("3700", "Option set:  Export single wavs in original format . . .");
  Command(mainWindow, 1200);
  CheckStatus("1200 (original format)", "Completed. Wav file exported to program's directory");
  CheckSameFile("1200 (original format)", aiffPath, exportDir + "\\KVFS_Wav1.aiff");
  Command(mainWindow, 3600);
  CheckStatus("3600", "Option set:  Export single wavs as pcm . . .");
  Command(mainWindow, 1200);
  CheckStatus("1200 (pcm)", "Completed. Wav file exported to program's directory (Export Folder)");
  Check(IsRiffWave(exportDir + "\\KVFS_Wav2.wav"), "1200 (pcm): KVFS_Wav2.wav is a RIFF/WAVE file");
  CheckSameFile("1200 (pcm)", exportDir + "\\Conversions\\decoded.wav", exportDir + "\\KVFS_Wav2.wav");
  EndGroup();

  BeginGroup("Export > Wav (En_Mass)");
  Command(mainWindow, 1700);
  CheckStatus("1700", "Completed. All wav files exported to program's directory");
  CheckSameFile("1700", wavPath, exportDir + "\\KVFM_Wav1.wav");
  CheckSameFile("1700", aiffPath, exportDir + "\\KVFM_Wav2.aiff");
  CheckSameFile("1700", auPath, exportDir + "\\KVFM_Wav3.au");
  EndGroup();

  BeginGroup("Share > Kvf/Dat (Current)");
  Command(mainWindow, 4000);
  CheckStatus("4000", "Currently loaded kvf/dat files exported to Documents/Export_Kvf Folder");
  CheckSameFile("4000", kvf, shareKvf);
  CheckSameFile("4000", dat, shareDat);
  EndGroup();

  BeginGroup("Wavs > Play_Wav with the AU file, then Export > Wav (External)");
  PostCommand(mainWindow, 1100);
  const std::string converted = exportDir + "\\Conversions\\NeXT.wav";
  if (AnswerOpenDialog(auPath)) {
    WaitForStatus(" ", 20000);
    CheckStatus("1100", " ");
  }
  Check(IsRiffWave(converted), "1100: Export\\Conversions\\NeXT.wav is a RIFF/WAVE file");
  {
    const auto bytes = ReadBytes(converted);
    CheckInt("1100: NeXT.wav format tag (G.711 mu-law)", 7, bytes.size() > 22 ? bytes[20] | (bytes[21] << 8) : -1);
  }
  Command(mainWindow, 4100);
  CheckStatus("4100", "External wav file saved to Documents\\KVP_Wavs (Exported as PCM)");
  CheckSameFile("4100", converted, externalExport);
  EndGroup();

  BeginGroup("Wavs > Play_Wav with a wave the sound output cannot play, then Export > Wav (External)");
  {
    // A plain wave but for its format tag, which no codec takes: the sound
    // service would sound its default sound for it and pass it as played.
    std::vector<unsigned char> odd = MakeWave();
    odd[20] = 0x34;
    odd[21] = 0x12;
    const std::string oddPath = scratch + "\\Media\\odd.wav";
    Check(WriteBytes(oddPath, odd), "odd.wav written");
    Check(waveOutGetNumDevs() > 0, "Wine has a sound output to ask (scripts/test gives it one)");
    SetText(GetDlgItem(mainWindow, 2000), "before");
    PostCommand(mainWindow, 1100);
    if (AnswerOpenDialog(oddPath)) Command(mainWindow, 4100);
    CheckStatus("1100 and 4100", "before");
    const std::string secondExport = documents + "\\KVP_Wavs\\ext_wav2.wav";
    Check(!FileExists(secondExport), "4100 after a refused play writes nothing");
    DeleteFileA(secondExport.c_str());
  }
  EndGroup();

  BeginGroup("Clr MsgBox, Quik_Start and Close");
  Command(mainWindow, 1600);
  CheckStatus("1600", " ");
  Command(mainWindow, 4250);
  Check(IsWindowVisible(quickStartWindow) != 0, "4250 shows the quick-start window");
  Command(quickStartWindow, 4300);
  Check(IsWindowVisible(quickStartWindow) == 0, "4300 from the quick-start window hides it");
  EndGroup();

  // ---- close
  BeginGroup("closing the main window ends the program");
  PostMessageA(mainWindow, WM_CLOSE, 0, 0);
  Check(WaitFor([&] { return !IsWindow(mainWindow); }, 20000), "the main window is destroyed");
  const bool ended = WaitForSingleObject(process.hProcess, 30000) == WAIT_OBJECT_0;
  Check(ended, "the program ends within 30 s");
  DWORD exitCode = 12345;
  if (!ended) TerminateProcess(process.hProcess, 1);
  GetExitCodeProcess(process.hProcess, &exitCode);
  CheckInt("exit code", 0, exitCode);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  EndGroup();

  BeginGroup("files the session left");
  CheckInt("size of Session.kvf (8016 + the three files)", 8016 + 8044 + 22104 + 4024, FileSize(kvf));
  {
    const auto bytes = ReadBytes(kvf);
    auto word = [&](std::size_t at) -> long long {
      if (at + 4 > bytes.size()) return -1;
      return bytes[at] | (bytes[at + 1] << 8) | (bytes[at + 2] << 16) | (static_cast<long long>(bytes[at + 3]) << 24);
    };
    CheckInt("entry count in Session.kvf", 3, word(12));
    const long long sizes[3] = {8044, 22104, 4024};
    long long start = 8016;
    for (int k = 0; k < 3; ++k) {
      const std::size_t record = 16u * static_cast<std::size_t>(k + 1);
      CheckInt("record " + std::to_string(k + 1) + " size", sizes[k], word(record + 4));
      CheckInt("record " + std::to_string(k + 1) + " start", start, word(record + 8));
      CheckInt("record " + std::to_string(k + 1) + " end", start + sizes[k], word(record + 12));
      start += sizes[k];
    }
  }
  {
    const auto bytes = ReadBytes(dat);
    const std::string text(bytes.begin(), bytes.end());
    std::vector<std::string> lines;
    std::size_t at = 0;
    bool crlf = true;
    while (at < text.size()) {
      const std::size_t end = text.find('\n', at);
      if (end == std::string::npos) {
        crlf = false;
        lines.push_back(text.substr(at));
        break;
      }
      if (end == at || text[end - 1] != '\r') crlf = false;
      lines.push_back(text.substr(at, end > at ? end - at - 1 : 0));
      at = end + 1;
    }
    CheckInt("lines in Session.dat", 6, static_cast<long long>(lines.size()));
    Check(crlf, "every line of Session.dat ends with CR LF");
    for (std::size_t i = 0; i < lines.size() && i < 6; ++i) {
      const std::string suffix = " \"" + names[i / 2] + "\"";
      const std::string& line = lines[i];
      Check(line.size() == 9 + suffix.size() && line[0] == ' ' && line.compare(9, std::string::npos, suffix) == 0,
            "Session.dat line " + std::to_string(i + 1), Quoted(" <key>" + suffix), Quoted(line));
    }
  }
  EndGroup();

  cleanDocuments();
  if (failedTotal == 0) RemoveTree(scratch);
  else std::printf("scratch installation kept for inspection: %s\n", scratch.c_str());

  if (!notes.empty()) {
    std::printf("allowed for:\n");
    for (const std::string& note : notes) std::printf("  - %s\n", note.c_str());
  }
  std::printf("%d passed, %d failed\n", passedTotal, failedTotal);
  return failedTotal == 0 ? 0 : 1;
}
