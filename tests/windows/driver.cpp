// korvel_driver <Korvel_Player.exe> <korvel_snapshot.exe> <screenshot.bmp> <sound folder> drives the real program
// as a user would, in a scratch copy of its folder: windows and controls against LAYOUT, menus against MENU, then
// SESSION a row at a time until the window is closed. Three plays are kept in the sound folder with what the sound
// device received (the host file KORVEL_SOUND_CAPTURE), for sound_test.sh. Exits 0 when all passed.
#include <windows.h>

#include <commctrl.h>
#include <mmsystem.h>
#include <process.h>
#include <shlobj.h>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <regex>
#include <utility>
#include "tests/sample_files.h"

namespace {
using std::string;
namespace fs = std::filesystem;
int passed = 0;
int failed = 0;
string scratch;
string documents;
string arguments[5];  // the program, the snapshot tool, the screenshot, the sound folder, the capture: Windows paths
std::error_code ignored;
enum { MAIN, EXPORT, QUICK, DESKTOP };
DWORD programId = 0;
HWND windows[3];  // by MAIN, EXPORT, QUICK
bool Check(const string& what, const string& expected, const string& found) {
  if (expected != found)
    std::printf("[FAIL] %s:\n  expected \"%s\"\n  found    \"%s\"\n", what.c_str(), expected.c_str(), found.c_str());
  ++(expected == found ? passed : failed);
  return expected == found;
}
string Yes(bool condition) { return condition ? "yes" : "no"; }
string Decimal(long long number) { return std::to_string(number); }
// "~\..." lies in Documents, anything else in the scratch installation.
string PathOf(const string& name) { return name[0] == '~' ? documents + name.substr(1) : scratch + "\\" + name; }
template <typename Done>
bool WaitFor(Done done, DWORD timeoutMs) {
  for (DWORD start = GetTickCount(); !done(); Sleep(50))
    if (GetTickCount() - start >= timeoutMs) return false;
  return true;
}
// Texts go in Unicode: Wine hands another process only the first character of an ANSI list row.
LRESULT Send(HWND window, UINT message, WPARAM wParam = 0, const void* lParam = nullptr) {
  return SendMessageW(window, message, wParam, reinterpret_cast<LPARAM>(lParam));
}
string TextOf(HWND window, UINT message = WM_GETTEXT, WPARAM wParam = 4096) {
  WCHAR text[4096] = {};
  Send(window, message, wParam, text);
  return fs::path(text).string();
}
HWND Item(int window, int id) { return GetDlgItem(windows[window], id); }
string Status() { return TextOf(Item(MAIN, 2000)); }
HWND ProgramWindow(const char* className, bool visibleOnly) {
  DWORD process = 0;
  for (HWND w = nullptr; (w = FindWindowExA(nullptr, w, className, nullptr)) != nullptr;) {
    GetWindowThreadProcessId(w, &process);
    if (process == programId && (!visibleOnly || IsWindowVisible(w))) return w;
  }
  return nullptr;
}
// Types the path into the open dialog's name box (Wine's is the edit of cmb13, a ComboBoxEx32), then OK.
void Answer(const string& path) {
  HWND dialog = nullptr;
  WaitFor([&] { return (dialog = ProgramWindow("#32770", true)) != nullptr; }, 30000);
  HWND box = reinterpret_cast<HWND>(Send(GetDlgItem(dialog, 1148), CBEM_GETEDITCONTROL));
  if (!Check("an open dialog with a file name box", "yes", Yes(box != nullptr))) return;
  Send(box, WM_SETTEXT, 0, fs::path(path).wstring().c_str());
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
  Check("the open dialog closes after OK", "yes", Yes(WaitFor([&] { return !IsWindowVisible(dialog); }, 30000)));
}

#define TITLE "Korvel_Player  (" KORVEL_VERSION ")"
#define EXPORT_TITLE " Korvel_File - Export"
#define QUICK_TITLE " Quick Start - Help"
constexpr DWORD SHOWN = WS_CHILD | WS_VISIBLE;
constexpr DWORD BUTTON = BS_TYPEMASK;  // clear: a push button
constexpr DWORD PICTURE = SS_TYPEMASK ^ SS_BITMAP;
constexpr DWORD DIALOG = WS_POPUP | WS_DLGFRAME;
constexpr DWORD NO_CAPTION = WS_VISIBLE | WS_BORDER | WS_SYSMENU;
// The windows, then the controls; the pictures take their bitmaps' sizes.
const struct Control {
  int parent;  // DESKTOP for the windows themselves, id being their index
  int id;
  const char*
      shape;        // "class|text|x,y widthxheight", placed in the parent's client area, windows from the screen centre
  DWORD on;         // style bits set
  DWORD off;        // style bits clear
  bool sunkenEdge;  // WS_EX_CLIENTEDGE
} LAYOUT[] = {
    {DESKTOP, false, TITLE "|" TITLE "|-250,-200 500x387", WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX,
     WS_CHILD | WS_THICKFRAME | WS_MAXIMIZEBOX},
    {DESKTOP, EXPORT, EXPORT_TITLE "|" EXPORT_TITLE "|20,-330 300x100", DIALOG, NO_CAPTION},
    {DESKTOP, QUICK, QUICK_TITLE "|" QUICK_TITLE "|282,-200 300x220", DIALOG, NO_CAPTION},
    {EXPORT, 300, "Edit|Type_in_desired_name|15,20 150x24", SHOWN, ES_MULTILINE, true},
    {EXPORT, 900, "Button|Export|176,20 52x24", SHOWN, BUTTON},
    {EXPORT, 3900, "Button|Cancel|230,20 52x24", SHOWN, BUTTON},
    {QUICK, 4300, "Button|Close|120,168 36x20", SHOWN, BUTTON},
    {MAIN, 1300, "Button|-->|227,150 30x24", SHOWN, BUTTON},
    {MAIN, 1400, "Button|<--|115,150 30x24", SHOWN, BUTTON},
    {MAIN, 1500, "Button|Replay|169,150 56x24", SHOWN, BUTTON},
    {MAIN, 2100, "Button|[]|147,150 20x24", SHOWN, BUTTON},
    {MAIN, 1600, "Button|Clr MsgBox|390,228 90x54", SHOWN, BUTTON},
    {MAIN, 1900, "Button|Set ID#|390,291 50x24", SHOWN, BUTTON},
    {MAIN, 1800, "Edit|0|444,292 36x24", SHOWN | ES_NUMBER | ES_CENTER, 0, true},
    {MAIN, 2000, "Edit||75,230 278x52", SHOWN | ES_MULTILINE | ES_READONLY | WS_VSCROLL | ES_AUTOVSCROLL, 0, true},
    {MAIN, 2200, "ListBox||75,286 278x36", SHOWN | LBS_NOTIFY, LBS_SORT, true},
    {MAIN, 1000, "Static||24,9 331x137", SHOWN | SS_BITMAP, PICTURE},
    {MAIN, 220, "Static||160,186 27x16", WS_CHILD | SS_BITMAP, WS_VISIBLE | PICTURE},
    {MAIN, 320, "Static||145,174 24x12", SHOWN | SS_BITMAP, PICTURE},
};
// The menu bar as libkorvel_probe.dll writes it, a line a popup ("P text") or item (text|id|grayed) before a load;
// every item is enabled once a container is loaded.
const char* const MENU =
    "P File\n  Load_KVF|200|0\nP Wavs\n   Add_Wav|100|1\n   Play_Wav|1100|0\n"
    "P Export\n   Wav (Current)|1200|1\n   Wav (En_Mass)|1700|1\n   Kvf (New_File)|3800|0\n   Wav (External)|4100|0\n"
    "P Options\n   Save as Pcm|3600|0\n   Save as Org|3700|0\n   Save in Documents|4150|0\n"
    "   Save in Default Loc|4200|0\nP Share\n   Kvf/Dat (Current)|4000|1\n"
    "P Help\n  Help_Files|500|0\n  Quik_Start|4250|0\n";
// Menus are private to their process under Wine: libkorvel_probe.dll, hooked into its thread, writes them out.
void CheckMenus(bool loaded) {
  HMODULE probe = LoadLibraryA("libkorvel_probe.dll");  // from the driver's folder
  auto hook = reinterpret_cast<HOOKPROC>(reinterpret_cast<void*>(GetProcAddress(probe, "KorvelProbeHook")));
  HHOOK hooked = SetWindowsHookExA(WH_CALLWNDPROC, hook, probe, GetWindowThreadProcessId(windows[MAIN], nullptr));
  Send(windows[MAIN], WM_NULL);
  UnhookWindowsHookEx(hooked);
  const Bytes bar = ReadWholeFile(PathOf("menu_bar.txt"));
  Check("the menu bar", loaded ? std::regex_replace(MENU, std::regex("\\|1\n"), "|0\n") : MENU,
        string(bar.begin(), bar.end()));
}
void CheckLayout() {
  for (const Control& c : LAYOUT) {
    const bool top = c.parent == DESKTOP;
    HWND w = top ? windows[c.id] : Item(c.parent, c.id);
    RECT r = {};
    GetWindowRect(w, &r);
    MapWindowPoints(nullptr, top ? nullptr : windows[c.parent], reinterpret_cast<POINT*>(&r), 2);
    if (top) OffsetRect(&r, -GetSystemMetrics(SM_CXSCREEN) / 2, -GetSystemMetrics(SM_CYSCREEN) / 2);
    const DWORD style = GetWindowLongA(w, GWL_STYLE);
    char className[256] = {};
    GetClassNameA(w, className, sizeof className);
    string found = className + ("|" + TextOf(w)) + "|" + Decimal(r.left) + "," + Decimal(r.top) + " ";
    found += Decimal(r.right - r.left) + "x" + Decimal(r.bottom - r.top) + "|" + Decimal(style & c.on) + "|";
    found += Decimal(style & c.off) + "|" + Yes(GetWindowLongA(w, GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
    Check(Decimal(c.id) + " class|text|place|style set|style clear|sunken",
          c.shape + ("|" + Decimal(c.on)) + "|0|" + Yes(c.sunkenEdge), found);
  }
}
void Photograph() {
  string rows;  // joined by '|'
  for (LRESULT i = 0; i < Send(Item(MAIN, 2200), LB_GETCOUNT); ++i)
    rows += (i ? "|" : "") + TextOf(Item(MAIN, 2200), LB_GETTEXT, i);
  Check("the list's rows", " \"tone.wav\"| \"chime.aiff\"| \"bell.au\"", rows);
  Check("list WS_VSCROLL once rows do not fit", "yes", Yes(GetWindowLongA(Item(MAIN, 2200), GWL_STYLE) & WS_VSCROLL));
  Check("snapshot", "0",
        Decimal(_spawnl(_P_WAIT, arguments[1].c_str(), "-", ("\"" + arguments[2] + "\"").c_str(), nullptr)));
}
// A click on the list's second row, as the mouse makes it.
void ClickSecondRow() {
  const LPARAM point = MAKELPARAM(20, Send(Item(MAIN, 2200), LB_GETITEMHEIGHT) * 3 / 2);
  PostMessageA(Item(MAIN, 2200), WM_LBUTTONDOWN, MK_LBUTTON, point);
  PostMessageA(Item(MAIN, 2200), WM_LBUTTONUP, 0, point);
}

// A command, sent to the window holding its control, or posted when it opens an open dialog to answer; then what
// it leaves, and more checks.
struct Step {
  int command;         // 0: none
  const char* answer;  // typed into the box the command reads, else into the dialog it opens
  const char* status;  // "=": as before
  void (*then)();
  bool exportShown;  // the export window is visible afterwards
  const char* file;  // a file left; with keep, the wave played, kept in the sound folder
  const char* keep;
};
#define PLAYING(name) "Now playing stored  \"" name "\" Duration: "
#define ADDED(name) "The wav file labeled ' " name " ' has been added to slected kvf file . . "
#define CONVERSIONS "Export\\Conversions\\"
#define SHARED "~\\Export_KVF\\Session.kvf"
const Step SESSION[] = {
    // Export > Kvf (New_File), its window's Export button, File > Load_KVF
    {3800, nullptr, "", nullptr, true},
    {900, "Session", "New KorvelFile ( Session.kvf ) has been exported to this program's directory . . ."},
    {200, "Session.kvf", "There are 0 to 0 valid entries within .kvf file"},
    // Wavs > Add_Wav
    {100, "tone.wav", ADDED("tone.wav")},
    {100, "chime.aiff", ADDED("chime.aiff")},
    {100, "bell.au", ADDED("bell.au"), Photograph},
    // -->, then a click in the list
    {1300, nullptr, PLAYING("tone.wav") "0.5027", ClickSecondRow, false, CONVERSIONS "temp_wav.wav", "stored"},
    {0, nullptr, PLAYING("chime.aiff") "0.2506"},
    // Share > Kvf/Dat (Current), twice
    {4000, nullptr, "Currently loaded kvf/dat files exported to Documents/Export_Kvf Folder", nullptr, false, SHARED},
    {4000, nullptr, "="},
    // Play_Wav of a G.711 and a float AU
    {1100, "bell.au", " ", nullptr, false, CONVERSIONS "NeXT.wav", "g711"},
    {1100, "float.au", " ", nullptr, false, CONVERSIONS "NeXT.wav", "float"},
    // Play_Wav of a wave the sound output cannot play, then Wav (External). The sound service would sound its
    // default for a format no codec takes: the program must ask it first.
    {1100, "odd.wav", "="},
    {4100, nullptr, "="},
};
// Once the device has stopped receiving (Wine plays in real time), keeps it beside the wave handed over.
void KeepCapture(const string& name, const string& played) {
  std::uintmax_t last = 0;
  auto stopped = [&] {
    Sleep(200);
    const std::uintmax_t size = fs::file_size(arguments[4], ignored);  // static_cast<std::uintmax_t>(-1): none
    return std::exchange(last, size) == size && size != 0 && size != static_cast<std::uintmax_t>(-1);
  };
  WaitFor(stopped, 30000);
  for (auto [from, as] : {std::pair{arguments[4], ".captured.wav"}, std::pair{PathOf(played), ".played.wav"}})
    fs::copy_file(from, arguments[3] + "\\" + name + as, fs::copy_options::overwrite_existing, ignored);
}
void Run(const Step& s) {
  // The export window's button reads its name box; any other command given an answer opens a dialog for it.
  const bool open = s.answer != nullptr && s.command != 900;
  if (s.answer != nullptr && !open) Send(Item(EXPORT, 300), WM_SETTEXT, 0, fs::path(s.answer).wstring().c_str());
  const string want = string(s.status) == "=" ? Status() : s.status;
  if (open && PostMessageA(windows[MAIN], WM_COMMAND, WPARAM(s.command), 0)) Answer(PathOf(s.answer));
  if (!open && s.command != 0) Send(windows[s.command == 900 ? EXPORT : MAIN], WM_COMMAND, WPARAM(s.command));
  WaitFor([&] { return Status() == want; }, open ? 20000 : 5000);
  const string step = Decimal(s.command) + (open ? string(" with ") + s.answer : "") + ": ";
  Check(step + "status", want, Status());
  Check(step + "export window shown", Yes(s.exportShown), Yes(IsWindowVisible(windows[EXPORT])));
  if (s.file != nullptr) Check(step + "file " + s.file, "yes", Yes(fs::exists(PathOf(s.file))));
  if (s.keep != nullptr) KeepCapture(s.keep, s.file);
  if (s.then != nullptr) s.then();
}
}  // namespace
int main(int argc, char** argv) {
  const char* capture = std::getenv("KORVEL_SOUND_CAPTURE");
  if (argc != 5 || capture == nullptr) return 2;                                            // see above
  for (int i = 0; i < 5; ++i) arguments[i] = "Z:" + string(i < 4 ? argv[i + 1] : capture);  // host paths: on Z:
  char path[MAX_PATH] = {};
  documents = SHGetFolderPathA(nullptr, CSIDL_PERSONAL, nullptr, 0, path) == S_OK ? path : "";
  scratch = string(path, GetTempPathA(MAX_PATH, path)) + "korvel_session";  // left until the next run
  for (const string& folder : {scratch, documents + "\\Export_KVF", documents + "\\KVP_Wavs", arguments[3]})
    fs::remove_all(folder, ignored);
  for (const string& folder :
       {scratch + "\\Export\\Conversions", arguments[3], fs::path(arguments[2]).parent_path().string()})
    fs::create_directories(folder, ignored);
  const Bytes tone = PcmWave(1, 8000, 16, 8000);
  Bytes floats = PatternBytes(8000);  // big-endian floats, kept within (-0.5, 0.5) by their exponents
  for (std::size_t i = 0; i < floats.size(); i += 4) floats[i] = 0x3E | (floats[i] & 0x80);
  WriteWholeFile(PathOf("tone.wav"), tone);
  WriteWholeFile(PathOf("chime.aiff"), AiffFile(1, 16, 0x400EAC44, PatternBytes(22050)));
  WriteWholeFile(PathOf("bell.au"), AuFile(1, 8000, 1, PatternBytes(4000)));
  WriteWholeFile(PathOf("odd.wav"), WithBytesAt(tone, 20, {0x34, 0x12}));  // a format tag no codec takes
  WriteWholeFile(PathOf("float.au"), AuFile(6, 8000, 1, floats));
  CopyFileA(arguments[0].c_str(), PathOf("Korvel_Player.exe").c_str(), 0);
  Check("a sound output to ask (scripts/test gives one)", "yes", Yes(waveOutGetNumDevs() != 0));
  SetEnvironmentVariableA("KORVEL_MENU_BAR", PathOf("menu_bar.txt").c_str());  // where libkorvel_probe.dll writes
  SetCurrentDirectoryA(scratch.c_str());                                       // the program starts in its folder
  const auto process =
      reinterpret_cast<HANDLE>(_spawnl(_P_NOWAIT, PathOf("Korvel_Player.exe").c_str(), "Korvel_Player", nullptr));
  programId = GetProcessId(process);
  WaitFor([] { return (windows[MAIN] = ProgramWindow(TITLE, true)) != nullptr; }, 180000);
  windows[EXPORT] = ProgramWindow(EXPORT_TITLE, false);
  windows[QUICK] = ProgramWindow(QUICK_TITLE, false);
  if (!Check("the three windows appear within 180 s", "yes", Yes(windows[MAIN] && windows[EXPORT] && windows[QUICK]))) {
    TerminateProcess(process, 1);
    return 1;
  }
  CheckLayout();
  CheckMenus(false);
  for (const Step& step : SESSION) Run(step);
  Check("Wav (External) of that wave left no copy", "no", Yes(fs::exists(PathOf("~\\KVP_Wavs\\ext_wav1.wav"))));
  CheckMenus(true);
  PostMessageA(windows[MAIN], WM_CLOSE, 0, 0);
  DWORD exitCode = STILL_ACTIVE;
  if (WaitForSingleObject(process, 30000) != WAIT_OBJECT_0) TerminateProcess(process, 1);
  GetExitCodeProcess(process, &exitCode);
  Check("closing the main window ends the program, exit code", "0", Decimal(exitCode));
  std::printf("%d passed, %d failed\n", passed, failed);
  return failed == 0 ? 0 : 1;
}
