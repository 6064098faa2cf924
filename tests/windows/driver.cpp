// korvel_driver: drives the real Korvel_Player.exe from outside, as a user
// would. It starts the program in a scratch copy of its installation folder,
// checks its windows and controls against LAYOUT and its menus against MENU,
// runs the SESSION table (a command a row, the file typed into the open dialog
// it opens, the status text it must leave, the files it must write), has
// korvel_snapshot photograph the main window, closes the program and checks
// the container the session left.
//
//   korvel_driver <Korvel_Player.exe> <korvel_snapshot.exe> <screenshot.bmp>
//
// Prints every failed check and ends with "N passed, M failed"; the exit code
// is 0 only when every check passed.
#include <windows.h>

#include <mmsystem.h>
#include <shlobj.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <sstream>
#include <string>

#include "library/byte_order.h"
#include "tests/sample_files.h"

namespace {

using std::string;
namespace fs = std::filesystem;

int passed = 0, failed = 0;
string group;

bool Check(const string& what, const string& expected, const string& found) {
  if (expected == found) return ++passed, true;
  ++failed;
  std::printf("[FAIL] %s: %s: expected \"%s\", found \"%s\"\n", group.c_str(), what.c_str(), expected.c_str(),
              found.c_str());
  return false;
}
string Yes(bool condition) { return condition ? "yes" : "no"; }
string N(long long number) { return std::to_string(number); }

enum { MAIN, EXPORT, QUICK, DESKTOP };
HWND windows[3];
DWORD programId = 0;
string scratch, documents, probePath, snapshotTool, screenshot;

// A host path ("/work/...") names Wine's Z: drive.
string WindowsPath(string path) {
  if (!path.empty() && path[0] == '/') path = "Z:" + path;
  for (char& c : path)
    if (c == '/') c = '\\';
  return path;
}
// "~\..." lies in Documents, anything else in the scratch installation.
string PathOf(const string& name) { return name[0] == '~' ? documents + name.substr(1) : scratch + "\\" + name; }
Bytes Read(const string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
bool Write(const string& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

LRESULT Send(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
  DWORD_PTR result = 0;
  return SendMessageTimeoutA(window, message, wParam, lParam, SMTO_NORMAL, 30000, &result) ? LRESULT(result) : -1;
}
string TextOf(HWND window) {
  char text[4096] = {};
  Send(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
  return text;
}
string ClassOf(HWND window) {
  char name[256] = {};
  GetClassNameA(window, name, sizeof name);
  return name;
}
string Status() { return TextOf(GetDlgItem(windows[MAIN], 2000)); }

// The entry list's rows joined by '|'. Under Wine the ANSI LB_GETTEXT hands
// only a row's first character across processes: rows are read in Unicode.
string Rows() {
  string rows;
  HWND list = GetDlgItem(windows[MAIN], 2200);
  for (LRESULT i = 0, count = Send(list, LB_GETCOUNT); i < count; ++i) {
    WCHAR wide[512] = {};
    char text[1024] = {};
    DWORD_PTR result = 0;
    if (Send(list, LB_GETTEXTLEN, WPARAM(i)) < 512)
      SendMessageTimeoutW(list, LB_GETTEXT, WPARAM(i), reinterpret_cast<LPARAM>(wide), SMTO_NORMAL, 30000, &result);
    WideCharToMultiByte(CP_ACP, 0, wide, -1, text, sizeof text, nullptr, nullptr);
    rows += (i ? "|" : "") + string(text);
  }
  return rows;
}

bool WaitFor(const std::function<bool()>& done, DWORD timeoutMs) {
  for (DWORD start = GetTickCount(); !done(); Sleep(50))
    if (GetTickCount() - start >= timeoutMs) return false;
  return true;
}

HWND ProgramWindow(const char* className, bool visibleOnly) {
  for (HWND w = nullptr; (w = FindWindowExA(nullptr, w, className, nullptr)) != nullptr;) {
    DWORD process = 0;
    GetWindowThreadProcessId(w, &process);
    if (process == programId && (!visibleOnly || IsWindowVisible(w))) return w;
  }
  return nullptr;
}

// The open dialog's file name box: edt1 (1152), or the edit in combo box cmb13 (1148).
BOOL CALLBACK FindNameBox(HWND w, LPARAM found) {
  if (!IsWindowVisible(w) || ClassOf(w) != "Edit" || (GetDlgCtrlID(w) != 1152 && GetDlgCtrlID(GetParent(w)) != 1148))
    return TRUE;
  *reinterpret_cast<HWND*>(found) = w;
  return FALSE;
}

// Types the path into the open dialog like a user and presses OK.
void Answer(const string& path) {
  HWND dialog = nullptr, box = nullptr;
  WaitFor([&] { return (dialog = ProgramWindow("#32770", true)) != nullptr; }, 30000);
  if (dialog != nullptr) EnumChildWindows(dialog, FindNameBox, reinterpret_cast<LPARAM>(&box));
  if (!Check("an open dialog with a file name box", "yes", Yes(box != nullptr))) return;
  Send(box, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
  Check("the open dialog closes after OK", "yes", Yes(WaitFor([&] { return !IsWindowVisible(dialog); }, 30000)));
}

// The menu bar as korvel_probe.dll writes it from inside the program's thread.
string MenuDump() {
  HMODULE probe = LoadLibraryA(probePath.c_str());
  auto hookProc = reinterpret_cast<HOOKPROC>(reinterpret_cast<void*>(GetProcAddress(probe, "KorvelProbeHook")));
  HANDLE mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 65536, "KorvelDriverMenuDump");
  char* view = static_cast<char*>(MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, 0));
  HHOOK hook = SetWindowsHookExA(WH_CALLWNDPROC, hookProc, probe, GetWindowThreadProcessId(windows[MAIN], nullptr));
  Send(windows[MAIN], RegisterWindowMessageA("KorvelDriver.DumpMenu"));
  const string dump = view != nullptr ? view : "";
  UnhookWindowsHookEx(hook);
  UnmapViewOfFile(view);
  CloseHandle(mapping);
  FreeLibrary(probe);
  return dump;
}

struct Control {
  int parent;  // MAIN, EXPORT, QUICK; DESKTOP for the three windows themselves, id being their index
  const char* className;
  const char* text;
  int id;
  int x, y, width, height;  // in the parent's client area; for windows, from the screen centre
  DWORD on, off;            // style bits set and clear
  bool sunkenEdge;
};
constexpr DWORD SHOWN = WS_CHILD | WS_VISIBLE, BUTTON = BS_TYPEMASK, PICTURE = SS_TYPEMASK ^ SS_BITMAP;
// Controls in their order of creation; the pictures take their bitmaps' sizes.
const Control LAYOUT[] = {
    {DESKTOP, "Korvel_Player  (1.0.4.18)", "Korvel_Player  (1.0.4.18)", MAIN, -250, -200, 500, 387,
     WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, WS_CHILD | WS_THICKFRAME | WS_MAXIMIZEBOX, false},
    {DESKTOP, " Korvel_File - Export", " Korvel_File - Export", EXPORT, 20, -330, 300, 100, WS_POPUP | WS_DLGFRAME,
     WS_VISIBLE | WS_BORDER | WS_SYSMENU, false},
    {DESKTOP, " Quick Start - Help", " Quick Start - Help", QUICK, 282, -200, 300, 220, WS_POPUP | WS_DLGFRAME,
     WS_VISIBLE | WS_BORDER | WS_SYSMENU, false},
    {EXPORT, "Edit", "Type_in_desired_name", 300, 15, 20, 150, 24, SHOWN, ES_MULTILINE, true},
    {EXPORT, "Button", "Export", 900, 176, 20, 52, 24, SHOWN, BUTTON, false},
    {EXPORT, "Button", "Cancel", 3900, 230, 20, 52, 24, SHOWN, BUTTON, false},
    {QUICK, "Button", "Close", 4300, 120, 168, 36, 20, SHOWN, BUTTON, false},
    {MAIN, "Button", "-->", 1300, 227, 150, 30, 24, SHOWN, BUTTON, false},
    {MAIN, "Button", "<--", 1400, 115, 150, 30, 24, SHOWN, BUTTON, false},
    {MAIN, "Button", "Replay", 1500, 169, 150, 56, 24, SHOWN, BUTTON, false},
    {MAIN, "Button", "[]", 2100, 147, 150, 20, 24, SHOWN, BUTTON, false},
    {MAIN, "Button", "Clr MsgBox", 1600, 390, 228, 90, 54, SHOWN, BUTTON, false},
    {MAIN, "Button", "Set ID#", 1900, 390, 291, 50, 24, SHOWN, BUTTON, false},
    {MAIN, "Edit", "0", 1800, 444, 292, 36, 24, SHOWN | ES_NUMBER | ES_CENTER, 0, true},
    {MAIN, "Edit", "", 2000, 75, 230, 278, 52, SHOWN | ES_MULTILINE | ES_READONLY | WS_VSCROLL | ES_AUTOVSCROLL, 0, true},
    {MAIN, "ListBox", "", 2200, 75, 286, 278, 36, SHOWN | LBS_NOTIFY, LBS_SORT, true},
    {MAIN, "Static", "", 1000, 24, 9, 331, 137, SHOWN | SS_BITMAP, PICTURE, false},
    {MAIN, "Static", "", 220, 160, 186, 27, 16, WS_CHILD | SS_BITMAP, WS_VISIBLE | PICTURE, false},
    {MAIN, "Static", "", 320, 145, 174, 24, 12, SHOWN | SS_BITMAP, PICTURE, false},
};

void CheckLayout() {
  const int cx = GetSystemMetrics(SM_CXSCREEN) / 2, cy = GetSystemMetrics(SM_CYSCREEN) / 2;
  string order[3], created[3];
  for (const Control& c : LAYOUT) {
    const bool top = c.parent == DESKTOP;
    HWND w = top ? windows[c.id] : GetDlgItem(windows[c.parent], c.id);
    const string what = (top ? "window " : "control ") + N(c.id);
    if (!Check(what + " exists", "yes", Yes(w != nullptr))) continue;
    if (!top) order[c.parent] += N(c.id) + " ";
    RECT r;
    GetWindowRect(w, &r);
    MapWindowPoints(nullptr, top ? nullptr : windows[c.parent], reinterpret_cast<POINT*>(&r), 2);
    if (top) OffsetRect(&r, -cx, -cy);
    const DWORD style = GetWindowLongA(w, GWL_STYLE);
    Check(what + " class", c.className, ClassOf(w));
    Check(what + " text", c.text, TextOf(w));
    Check(what + " parent", "yes", Yes(GetAncestor(w, GA_PARENT) == (top ? GetDesktopWindow() : windows[c.parent])));
    Check(what + " place and size", N(c.x) + "," + N(c.y) + " " + N(c.width) + "x" + N(c.height),
          N(r.left) + "," + N(r.top) + " " + N(r.right - r.left) + "x" + N(r.bottom - r.top));
    Check(what + " style bits set", N(c.on), N(style & c.on));
    Check(what + " style bits clear", "0", N(style & c.off));
    Check(what + " sunken edge", Yes(c.sunkenEdge), Yes(GetWindowLongA(w, GWL_EXSTYLE) & WS_EX_CLIENTEDGE));
  }
  for (int p = MAIN; p <= QUICK; ++p) {
    for (HWND child = GetWindow(windows[p], GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT))
      created[p] += N(GetDlgCtrlID(child)) + " ";
    Check("controls of window " + N(p) + " in their order", order[p], created[p]);
  }
}

struct MenuItem {
  const char* popup;
  const char* text;
  int id;
  bool grayedBeforeLoad, grayedAfterLoad;
};
const MenuItem MENU[] = {
    {"File", "  Load_KVF", 200, false, false},           {"Wavs", "   Add_Wav", 100, true, false},
    {"Wavs", "   Play_Wav", 1100, false, false},         {"Export", "   Wav (Current)", 1200, true, false},
    {"Export", "   Wav (En_Mass)", 1700, true, false},   {"Export", "   Kvf (New_File)", 3800, false, false},
    {"Export", "   Wav (External)", 4100, false, false}, {"Options", "   Save as Pcm", 3600, false, false},
    {"Options", "   Save as Org", 3700, false, false},   {"Options", "   Save in Documents", 4150, false, false},
    {"Options", "   Save in Default Loc", 4200, false, false},
    {"Share", "   Kvf/Dat (Current)", 4000, true, false},
    {"Help", "  Help_Files", 500, false, false},         {"Help", "  Quik_Start", 4250, false, false},
};

void CheckMenus(bool loaded) {
  std::istringstream dump(MenuDump());
  string line;
  int lines = 0;
  auto next = [&](const string& expected) {
    if (!std::getline(dump, line)) line.clear();
    Check("menu bar line " + N(++lines), expected, line);
  };
  for (std::size_t i = 0; i < std::size(MENU); ++i) {
    const MenuItem& m = MENU[i];
    if (i == 0 || std::strcmp(m.popup, MENU[i - 1].popup) != 0) next(string("P ") + m.popup);
    next(string(m.text) + "|" + N(m.id) + "|" + ((loaded ? m.grayedAfterLoad : m.grayedBeforeLoad) ? "1" : "0"));
  }
  next("");  // nothing more
}

void TakeScreenshot() {
  string commandLine = "\"" + snapshotTool + "\" \"" + screenshot + "\"";
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  DWORD code = 1;
  if (CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
    if (WaitForSingleObject(process.hProcess, 60000) != WAIT_OBJECT_0) TerminateProcess(process.hProcess, 1);
    GetExitCodeProcess(process.hProcess, &code);
  }
  Check("korvel_snapshot photographs the main window to " + screenshot, "0", N(code));
}

struct Text {
  int window, id;
  const char* text;
};
struct FileCheck {
  const char* path;
  const char* sameAs;  // the file whose bytes it holds; "-": it must not exist
  int waveFormat;      // >= 0: a RIFF/WAVE header with this format tag
};
struct Step {
  const char* group;  // nullptr: the row before's
  int window, command;
  const char* answer;  // the file typed into the open dialog the command opens (it is then posted)
  Text before;         // typed into a control before the command
  const char* status;  // nullptr: not checked; "=": as before the command; a trailing '*': a beginning
  Text after;          // a control's text afterwards
  const char* rows;    // the entry list's rows
  int shown;           // EXPORT or QUICK when that window is visible afterwards
  void (*also)();
  FileCheck files[3];
};
#define PLAYING(name) "Now playing stored  \"" name "\" Duration: "
const Step SESSION[] = {
    {"layout and menus at start", MAIN, 0, nullptr, {}, "", {MAIN, 1800, "0"}, "", MAIN, [] {
       CheckLayout();
       CheckMenus(false);
     }},
    {"Export > Kvf (New_File)", MAIN, 3800, nullptr, {}, "", {}, nullptr, EXPORT},
    {nullptr, EXPORT, 900, nullptr, {EXPORT, 300, "Session"},
     "New KorvelFile ( Session.kvf ) has been exported to this program's directory . . .", {EXPORT, 300, ""}, nullptr,
     MAIN, nullptr, {{"Session.kvf", "Expected\\empty.kvf", -1}, {"Session.dat", "Expected\\empty.dat", -1}}},
    {nullptr, MAIN, 3800, nullptr, {}, "=", {}, nullptr, EXPORT},
    {nullptr, EXPORT, 900, nullptr, {EXPORT, 300, "Session"}, "Export error - kvf filename already exists. . .", {},
     nullptr, EXPORT},
    {nullptr, EXPORT, 3900, nullptr, {}, "=", {}, nullptr, MAIN},
    {"File > Load_KVF", MAIN, 200, "Session.kvf", {}, "There are 0 to 0 valid entries within .kvf file",
     {MAIN, 1800, "0"}, "", MAIN, [] { CheckMenus(true); }},
    {"Wavs > Add_Wav", MAIN, 100, "Media\\tone.wav", {},
     "The wav file labeled ' tone.wav ' has been added to slected kvf file . . ", {}, " \"tone.wav\"", MAIN},
    {nullptr, MAIN, 100, "Media\\chime.aiff", {},
     "The wav file labeled ' chime.aiff ' has been added to slected kvf file . . ", {},
     " \"tone.wav\"| \"chime.aiff\"", MAIN},
    {nullptr, MAIN, 100, "Media\\bell.au", {}, "The wav file labeled ' bell.au ' has been added to slected kvf file . . ",
     {}, " \"tone.wav\"| \"chime.aiff\"| \"bell.au\"", MAIN, [] {
       // The list shows its scroll bar only once the rows do not fit.
       Check("entry list has WS_VSCROLL with three rows", "yes",
             Yes(GetWindowLongA(GetDlgItem(windows[MAIN], 2200), GWL_STYLE) & WS_VSCROLL));
       TakeScreenshot();
     }},
    {"stored plays: -->, Replay, Set ID#, <--", MAIN, 1300, nullptr, {}, PLAYING("tone.wav") "0.5027", {MAIN, 1800, "1"}},
    {nullptr, MAIN, 1300, nullptr, {}, PLAYING("chime.aiff") "*", {MAIN, 1800, "2"}},
    {nullptr, MAIN, 1500, nullptr, {}, "=", {MAIN, 1800, "2"}},
    {nullptr, MAIN, 1900, nullptr, {MAIN, 1800, "1"}, "="},
    {nullptr, MAIN, 1300, nullptr, {}, PLAYING("tone.wav") "0.5027", {MAIN, 1800, "1"}},
    {nullptr, MAIN, 1300, nullptr, {}, PLAYING("chime.aiff") "*", {MAIN, 1800, "2"}},
    {nullptr, MAIN, 1300, nullptr, {}, PLAYING("bell.au") "*", {MAIN, 1800, "3"}},
    {nullptr, MAIN, 1300, nullptr, {}, "=", {MAIN, 1800, "3"}},
    {nullptr, MAIN, 1400, nullptr, {}, PLAYING("chime.aiff") "*", {MAIN, 1800, "2"}},
    {nullptr, MAIN, 1900, nullptr, {MAIN, 1800, "3"},
     "The index number you have entered is out of range, or is set to last entry (not allowed)"},
    {"Export > Wav (Current), entry 2, in both options", MAIN, 3700, nullptr, {},
     "Option set:  Export single wavs in original format . . ."},
    {nullptr, MAIN, 1200, nullptr, {}, "Completed. Wav file exported to program's directory", {}, nullptr, MAIN, nullptr,
     {{"Export\\KVFS_Wav1.aiff", "Media\\chime.aiff", -1}}},
    {nullptr, MAIN, 3600, nullptr, {}, "Option set:  Export single wavs as pcm . . ."},
    {nullptr, MAIN, 1200, nullptr, {}, "Completed. Wav file exported to program's directory (Export Folder)", {}, nullptr,
     MAIN, nullptr, {{"Export\\KVFS_Wav2.wav", "Export\\Conversions\\decoded.wav", 1}}},
    {"Export > Wav (En_Mass)", MAIN, 1700, nullptr, {}, "Completed. All wav files exported to program's directory", {},
     nullptr, MAIN, nullptr,
     {{"Export\\KVFM_Wav1.wav", "Media\\tone.wav", 1}, {"Export\\KVFM_Wav2.aiff", "Media\\chime.aiff", -1},
      {"Export\\KVFM_Wav3.au", "Media\\bell.au", -1}}},
    {"Share > Kvf/Dat (Current)", MAIN, 4000, nullptr, {},
     "Currently loaded kvf/dat files exported to Documents/Export_Kvf Folder", {}, nullptr, MAIN, nullptr,
     {{"~\\Export_KVF\\Session.kvf", "Session.kvf", -1}, {"~\\Export_KVF\\Session.dat", "Session.dat", -1}}},
    {"Wavs > Play_Wav with the AU file, then Export > Wav (External)", MAIN, 1100, "Media\\bell.au", {}, " ", {},
     nullptr, MAIN, nullptr, {{"Export\\Conversions\\NeXT.wav", nullptr, 7}}},
    {nullptr, MAIN, 4100, nullptr, {}, "External wav file saved to Documents\\KVP_Wavs (Exported as PCM)", {}, nullptr,
     MAIN, nullptr, {{"~\\KVP_Wavs\\ext_wav1.wav", "Export\\Conversions\\NeXT.wav", 7}}},
    // The sound service would sound its default sound for a format no codec
    // takes and pass it as played: the program must ask the output first.
    {"Wavs > Play_Wav with a wave the sound output cannot play, then Export > Wav (External)", MAIN, 1100,
     "Media\\odd.wav", {MAIN, 2000, "before"}, "="},
    {nullptr, MAIN, 4100, nullptr, {}, "before", {}, nullptr, MAIN, nullptr, {{"~\\KVP_Wavs\\ext_wav2.wav", "-", -1}}},
    {"Clr MsgBox, Quik_Start and Close", MAIN, 1600, nullptr, {}, " "},
    {nullptr, MAIN, 4250, nullptr, {}, "=", {}, nullptr, QUICK},
    {nullptr, QUICK, 4300, nullptr, {}, "=", {}, nullptr, MAIN},
};

void Run(const Step& s) {
  if (s.group != nullptr) std::printf("-- %s\n", (group = s.group).c_str());
  if (s.before.text != nullptr)
    Send(GetDlgItem(windows[s.before.window], s.before.id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(s.before.text));
  const string what = N(s.command) + (s.answer != nullptr ? string(" with ") + s.answer : ""), before = Status();
  if (s.answer != nullptr && PostMessageA(windows[s.window], WM_COMMAND, WPARAM(s.command), 0)) Answer(PathOf(s.answer));
  if (s.answer == nullptr && s.command != 0) Send(windows[s.window], WM_COMMAND, WPARAM(s.command));
  if (s.status != nullptr) {
    string expected = std::strcmp(s.status, "=") == 0 ? before : s.status;
    const bool beginning = !expected.empty() && expected.back() == '*';
    if (beginning) expected.pop_back();
    auto found = [&] { return Status().substr(0, beginning ? expected.size() : string::npos); };
    WaitFor([&] { return found() == expected; }, s.answer != nullptr ? 20000 : 0);
    Check(what + ": status", expected, found());
  }
  if (s.after.text != nullptr)
    Check(what + ": text of control " + N(s.after.id), s.after.text, TextOf(GetDlgItem(windows[s.after.window], s.after.id)));
  if (s.rows != nullptr) Check(what + ": entry list", s.rows, Rows());
  Check(what + ": windows shown", s.shown == EXPORT ? "export" : s.shown == QUICK ? "quick start" : "",
        string(IsWindowVisible(windows[EXPORT]) ? "export" : "") + (IsWindowVisible(windows[QUICK]) ? "quick start" : ""));
  for (const FileCheck& f : s.files) {
    if (f.path == nullptr) continue;
    const string path = PathOf(f.path), source = f.sameAs != nullptr ? PathOf(f.sameAs) : "";
    const bool gone = f.sameAs != nullptr && string(f.sameAs) == "-";
    if (!Check(what + ": " + f.path + " exists", Yes(!gone), Yes(fs::exists(path))) || gone) continue;
    const Bytes bytes = Read(path);
    if (f.sameAs != nullptr)
      Check(what + ": " + f.path + " holds the bytes of " + f.sameAs, "yes", Yes(fs::exists(source) && bytes == Read(source)));
    const WaveInfo wave = ParseWave(bytes);
    if (f.waveFormat >= 0)
      Check(what + ": " + f.path + " wave format tag", N(f.waveFormat), wave.ok ? N(wave.formatTag) : "no RIFF/WAVE header");
  }
  if (s.also != nullptr) s.also();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) return std::fprintf(stderr, "usage: korvel_driver <Korvel_Player.exe> <korvel_snapshot.exe> <shot.bmp>\n"), 2;
  snapshotTool = WindowsPath(argv[2]);
  screenshot = WindowsPath(argv[3]);
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  probePath = fs::path(path).replace_filename("korvel_probe.dll").string();
  SHGetFolderPathA(nullptr, CSIDL_PERSONAL, nullptr, 0, path);
  documents = path;
  GetTempPathA(MAX_PATH, path);
  scratch = (fs::path(path) / ("korvel_session_" + N(GetCurrentProcessId()))).string();
  const char* const leftInDocuments[] = {"~\\Export_KVF\\Session.kvf", "~\\Export_KVF\\Session.dat",
                                         "~\\KVP_Wavs\\ext_wav1.wav", "~\\KVP_Wavs\\ext_wav2.wav"};
  std::error_code ignored;
  for (const char* name : leftInDocuments) fs::remove(PathOf(name), ignored);
  fs::remove_all(scratch, ignored);  // Wine hands out process ids again
  fs::create_directories(scratch + "\\Export\\Conversions");
  fs::create_directories(scratch + "\\Media");
  fs::create_directories(scratch + "\\Expected");
  fs::create_directories(fs::path(screenshot).parent_path(), ignored);

  group = "installation";
  const Bytes tone = PcmWave(1, 8000, 16, 8000), chime = AiffFile(1, 16, 0x400EAC44, PatternBytes(22050)),
              bell = AuFile(1, 8000, 1, PatternBytes(4000));
  Bytes odd = PcmWave(1, 8000, 16, 8000);
  Put(odd, 20, {0x34, 0x12});  // a format tag no codec takes
  const string exe = scratch + "\\Korvel_Player.exe";
  Check("copy of the program", "yes", Yes(CopyFileA(WindowsPath(argv[1]).c_str(), exe.c_str(), FALSE)));
  Check("sample files written", "yes",
        Yes(Write(PathOf("Media\\tone.wav"), tone) && Write(PathOf("Media\\chime.aiff"), chime) &&
            Write(PathOf("Media\\bell.au"), bell) && Write(PathOf("Media\\odd.wav"), odd) &&
            Write(PathOf("Expected\\empty.kvf"), KvfFile({})) && Write(PathOf("Expected\\empty.dat"), {})));
  Check("Wine has a sound output to ask (scripts/test gives it one)", "yes", Yes(waveOutGetNumDevs() > 0));

  group = "start";
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  string commandLine = "\"" + exe + "\"";
  if (CreateProcessA(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, scratch.c_str(), &startup,
                     &process)) {
    programId = process.dwProcessId;
    WaitFor([&] { return (windows[MAIN] = ProgramWindow(LAYOUT[MAIN].className, true)) != nullptr; }, 180000);
    for (int w : {EXPORT, QUICK}) windows[w] = ProgramWindow(LAYOUT[w].className, false);
  }
  const DWORD thread = GetWindowThreadProcessId(windows[MAIN], nullptr);
  if (!Check("the three windows appear in one interface thread within 180 s", "yes",
             Yes(windows[MAIN] && thread == GetWindowThreadProcessId(windows[EXPORT], nullptr) &&
                 thread == GetWindowThreadProcessId(windows[QUICK], nullptr)))) {
    TerminateProcess(process.hProcess, 1);
    return std::printf("%d passed, %d failed\n", passed, failed), 1;
  }

  for (const Step& step : SESSION) Run(step);

  std::printf("-- %s\n", (group = "closing the main window ends the program").c_str());
  PostMessageA(windows[MAIN], WM_CLOSE, 0, 0);
  Check("the main window is destroyed", "yes", Yes(WaitFor([&] { return !IsWindow(windows[MAIN]); }, 20000)));
  DWORD exitCode = 1;
  if (WaitForSingleObject(process.hProcess, 30000) != WAIT_OBJECT_0) TerminateProcess(process.hProcess, 1);
  GetExitCodeProcess(process.hProcess, &exitCode);
  Check("exit code", "0", N(exitCode));

  std::printf("-- %s\n", (group = "the container the session left").c_str());
  const Bytes kvf = Read(PathOf("Session.kvf"));
  std::vector<std::uint32_t> keys;  // the program's to choose
  for (std::size_t record = 16; record <= 48 && kvf.size() >= 64; record += 16) keys.push_back(ReadU32Le(&kvf[record]));
  const Bytes expected = KvfFile({tone, chime, bell}, keys);
  Check("size of Session.kvf", N(static_cast<long long>(expected.size())), N(static_cast<long long>(kvf.size())));
  Check("Session.kvf holds the three files", "yes", Yes(kvf == expected));
  const Bytes dat = Read(PathOf("Session.dat"));
  std::istringstream lines(string(dat.begin(), dat.end()));
  string shape;  // each line with its 8-character key masked
  for (string line; std::getline(lines, line);) shape += line.substr(0, 1) + "########" + line.substr(line.size() > 9 ? 9 : line.size()) + "\n";
  Check("Session.dat: two CR LF lines an entry, a key and the name", 
        " ######## \"tone.wav\"\r\n ######## \"tone.wav\"\r\n ######## \"chime.aiff\"\r\n"
            " ######## \"chime.aiff\"\r\n ######## \"bell.au\"\r\n ######## \"bell.au\"\r\n",
        shape);

  for (const char* name : leftInDocuments) fs::remove(PathOf(name), ignored);
  if (failed == 0) fs::remove_all(scratch, ignored);
  else std::printf("scratch installation kept for inspection: %s\n", scratch.c_str());
  std::printf("%d passed, %d failed\n", passed, failed);
  return failed == 0 ? 0 : 1;
}
