// korvel_driver <Korvel_Player.exe> <korvel_snapshot.exe> <screenshot.bmp> drives the real program as a user would,
// in a scratch copy of its folder: windows and controls against LAYOUT, menus against MENU, SESSION a row at a
// time, then the container left. Three plays are kept with what the sound device received (the host file
// KORVEL_SOUND_CAPTURE) in sound/ beside the screenshots' folder, for sound_test.sh. Exits 0 when all passed.
#include <windows.h>

#include <mmsystem.h>
#include <process.h>
#include <shlobj.h>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include "io/byte_order.h"
#include "tests/sample_files.h"

namespace {
using std::string;
namespace fs = std::filesystem;
int passed = 0;
int failed = 0;
string group = "installation and start";
string scratch;
string documents;
string snapshotTool;
string screenshot;
string soundCapture;
string soundFolder;
std::error_code ignored;
enum { MAIN, EXPORT, QUICK, DESKTOP };
DWORD programId = 0;
HWND windows[3];  // the program's process and its windows by MAIN, EXPORT, QUICK
bool Check(const string& what, const string& expected, const string& found) {
  if (expected == found) {
    ++passed;
    return true;
  }
  std::printf("[FAIL] %s: %s:\n  expected \"%s\"\n  found    \"%s\"\n", group.c_str(), what.c_str(), expected.c_str(),
              found.c_str());
  ++failed;
  return false;
}
string Yes(bool condition) { return condition ? "yes" : "no"; }
string Decimal(long long number) { return std::to_string(number); }
string WindowsPath(const string& path) { return path[0] == '/' ? "Z:" + path : path; }  // a host path: on Z:
// "~\..." lies in Documents, anything else in the scratch installation.
string PathOf(const string& name) { return name[0] == '~' ? documents + name.substr(1) : scratch + "\\" + name; }
Bytes Read(const string& name) { return ReadWholeFile(PathOf(name)); }
bool Write(const string& name, const Bytes& b) { return WriteWholeFile(PathOf(name), b); }
template <typename Done>
bool WaitFor(Done done, DWORD timeoutMs) {
  for (DWORD start = GetTickCount(); !done(); Sleep(50))
    if (GetTickCount() - start >= timeoutMs) return false;
  return true;
}
// Once the device has stopped receiving (Wine plays in real time), keeps it beside the wave handed over.
void KeepCapture(const string& name, const char* played) {
  std::uintmax_t size = 0;
  std::uintmax_t last = 0;
  auto now = [] { return fs::exists(soundCapture, ignored) ? fs::file_size(soundCapture, ignored) : 0; };
  auto stopped = [&] {
    last = size;
    Sleep(200);
    size = now();
    return size != 0 && size == last;
  };
  WaitFor(stopped, 30000);
  for (auto [from, as] : {std::pair{soundCapture, ".captured.wav"}, std::pair{PathOf(played), ".played.wav"}})
    fs::copy_file(from, soundFolder + "\\" + name + as, fs::copy_options::overwrite_existing, ignored);
}
// Texts go in Unicode: Wine hands another process only the first character of an ANSI list row.
LRESULT Send(HWND window, UINT message, WPARAM wParam = 0, const void* lParam = nullptr) {
  DWORD_PTR result = 0;
  SendMessageTimeoutW(window, message, wParam, reinterpret_cast<LPARAM>(lParam), SMTO_NORMAL, 30000, &result);
  return static_cast<LRESULT>(result);
}
void SetText(HWND window, const string& text) { Send(window, WM_SETTEXT, 0, fs::path(text).wstring().c_str()); }
string TextOf(HWND window, UINT message = WM_GETTEXT, WPARAM wParam = 4096) {
  WCHAR text[4096] = {};
  Send(window, message, wParam, text);
  return fs::path(text).string();
}
string ClassOf(HWND window) {
  char name[256] = {};
  return string(name, GetClassNameA(window, name, sizeof name));
}
HWND Item(int window, int id) { return GetDlgItem(windows[window], id); }
string Status() { return TextOf(Item(MAIN, 2000)); }
string Rows(HWND list = Item(MAIN, 2200)) {  // joined by '|'
  string rows;
  const LRESULT count = Send(list, LB_GETCOUNT);
  for (LRESULT i = 0; i < count; ++i)
    rows += (i ? "|" : "") + (Send(list, LB_GETTEXTLEN, i) < 4096 ? TextOf(list, LB_GETTEXT, i) : "?");
  return rows;
}
HWND ProgramWindow(const char* className, bool visibleOnly) {
  DWORD process = 0;
  for (HWND w = nullptr; (w = FindWindowExA(nullptr, w, className, nullptr)) != nullptr;) {
    GetWindowThreadProcessId(w, &process);
    if (process == programId && (!visibleOnly || IsWindowVisible(w))) return w;
  }
  return nullptr;
}
// Types the path into the open dialog's name box (Wine's is in an inner window: edt1 or cmb13's edit), then OK.
void Answer(const string& path) {
  HWND dialog = nullptr;
  HWND box = nullptr;
  WaitFor([&] { return (dialog = ProgramWindow("#32770", true)) != nullptr; }, 30000);
  auto find = [](HWND w, LPARAM found) -> BOOL {
    const bool name = ClassOf(w) == "Edit" && (GetDlgCtrlID(w) == 1152 || GetDlgCtrlID(GetParent(w)) == 1148);
    if (!name || !IsWindowVisible(w)) return TRUE;
    *reinterpret_cast<HWND*>(found) = w;
    return FALSE;
  };
  if (dialog != nullptr) EnumChildWindows(dialog, find, reinterpret_cast<LPARAM>(&box));
  if (!Check("an open dialog with a file name box", "yes", Yes(box != nullptr))) return;
  SetText(box, path);
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
  Check("the open dialog closes after OK", "yes", Yes(WaitFor([&] { return !IsWindowVisible(dialog); }, 30000)));
}

constexpr DWORD SHOWN = WS_CHILD | WS_VISIBLE;
constexpr DWORD BUTTON = BS_TYPEMASK;
constexpr DWORD PICTURE = SS_TYPEMASK ^ SS_BITMAP;
constexpr DWORD DIALOG = WS_POPUP | WS_DLGFRAME;
constexpr DWORD NO_CAPTION = WS_VISIBLE | WS_BORDER | WS_SYSMENU;
// Controls in their order of creation; the pictures take their bitmaps' sizes.
const struct Control {
  int parent;  // MAIN, EXPORT, QUICK; DESKTOP for the three windows themselves, id being their index
  const char* className;
  const char* text;
  int id;
  // The place in the parent's client area; for windows, from the screen centre.
  int x;
  int y;
  int width;
  int height;
  DWORD on;         // style bits set
  DWORD off;        // style bits clear
  bool sunkenEdge;  // WS_EX_CLIENTEDGE
} LAYOUT[] = {
    {DESKTOP, "Korvel_Player  (" KORVEL_VERSION ")", "Korvel_Player  (" KORVEL_VERSION ")", MAIN, -250, -200, 500, 387,
     WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, WS_CHILD | WS_THICKFRAME | WS_MAXIMIZEBOX},
    {DESKTOP, " Korvel_File - Export", " Korvel_File - Export", EXPORT, 20, -330, 300, 100, DIALOG, NO_CAPTION},
    {DESKTOP, " Quick Start - Help", " Quick Start - Help", QUICK, 282, -200, 300, 220, DIALOG, NO_CAPTION},
    {EXPORT, "Edit", "Type_in_desired_name", 300, 15, 20, 150, 24, SHOWN, ES_MULTILINE, true},
    {EXPORT, "Button", "Export", 900, 176, 20, 52, 24, SHOWN, BUTTON},
    {EXPORT, "Button", "Cancel", 3900, 230, 20, 52, 24, SHOWN, BUTTON},
    {QUICK, "Button", "Close", 4300, 120, 168, 36, 20, SHOWN, BUTTON},
    {MAIN, "Button", "-->", 1300, 227, 150, 30, 24, SHOWN, BUTTON},
    {MAIN, "Button", "<--", 1400, 115, 150, 30, 24, SHOWN, BUTTON},
    {MAIN, "Button", "Replay", 1500, 169, 150, 56, 24, SHOWN, BUTTON},
    {MAIN, "Button", "[]", 2100, 147, 150, 20, 24, SHOWN, BUTTON},
    {MAIN, "Button", "Clr MsgBox", 1600, 390, 228, 90, 54, SHOWN, BUTTON},
    {MAIN, "Button", "Set ID#", 1900, 390, 291, 50, 24, SHOWN, BUTTON},
    {MAIN, "Edit", "0", 1800, 444, 292, 36, 24, SHOWN | ES_NUMBER | ES_CENTER, 0, true},
    {MAIN, "Edit", "", 2000, 75, 230, 278, 52, SHOWN | ES_MULTILINE | ES_READONLY | WS_VSCROLL | ES_AUTOVSCROLL, 0,
     true},
    {MAIN, "ListBox", "", 2200, 75, 286, 278, 36, SHOWN | LBS_NOTIFY, LBS_SORT, true},
    {MAIN, "Static", "", 1000, 24, 9, 331, 137, SHOWN | SS_BITMAP, PICTURE},
    {MAIN, "Static", "", 220, 160, 186, 27, 16, WS_CHILD | SS_BITMAP, WS_VISIBLE | PICTURE},
    {MAIN, "Static", "", 320, 145, 174, 24, 12, SHOWN | SS_BITMAP, PICTURE},
};
string Row(const string& cls, const string& text, const RECT& r, DWORD on, DWORD off, bool sunken) {
  return cls + "|" + text + "|" + Decimal(r.left) + "," + Decimal(r.top) + "," + Decimal(r.right - r.left) + "," +
         Decimal(r.bottom - r.top) + "|" + Decimal(on) + "|" + Decimal(off) + "|" + Yes(sunken);
}
void CheckLayout() {
  string order[3];
  string created[3];
  for (const Control& c : LAYOUT) {
    const bool top = c.parent == DESKTOP;
    HWND w = top ? windows[c.id] : Item(c.parent, c.id);
    RECT r = {};
    GetWindowRect(w, &r);
    MapWindowPoints(nullptr, top ? nullptr : windows[c.parent], reinterpret_cast<POINT*>(&r), 2);
    if (top)
      OffsetRect(&r, -GetSystemMetrics(SM_CXSCREEN) / 2, -GetSystemMetrics(SM_CYSCREEN) / 2);
    else
      order[c.parent] += Decimal(c.id) + " ";
    const DWORD style = GetWindowLongA(w, GWL_STYLE);
    const DWORD edge = GetWindowLongA(w, GWL_EXSTYLE) & WS_EX_CLIENTEDGE;
    Check((top ? "window " : "control ") + Decimal(c.id) + " class|text|x,y,width,height|style set|style clear|sunken",
          Row(c.className, c.text, {c.x, c.y, c.x + c.width, c.y + c.height}, c.on, 0, c.sunkenEdge),
          Row(ClassOf(w), TextOf(w), r, style & c.on, style & c.off, edge != 0));
  }
  for (int p = MAIN; p <= QUICK; ++p) {
    for (HWND child = GetWindow(windows[p], GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT))
      created[p] += Decimal(GetDlgCtrlID(child)) + " ";
    Check("controls of window " + Decimal(p) + " in their order", order[p], created[p]);
  }
}
// The menu bar as korvel_probe.dll writes it, a line a popup ("P text") or item (text|id|grayed) before a load;
// every item is enabled once a container is loaded.
const char* const MENU =
    "P File\n  Load_KVF|200|0\nP Wavs\n   Add_Wav|100|1\n   Play_Wav|1100|0\n"
    "P Export\n   Wav (Current)|1200|1\n   Wav (En_Mass)|1700|1\n   Kvf (New_File)|3800|0\n   Wav (External)|4100|0\n"
    "P Options\n   Save as Pcm|3600|0\n   Save as Org|3700|0\n   Save in Documents|4150|0\n"
    "   Save in Default Loc|4200|0\nP Share\n   Kvf/Dat (Current)|4000|1\n"
    "P Help\n  Help_Files|500|0\n  Quik_Start|4250|0\n";
// Menus are private to their process under Wine: korvel_probe.dll, hooked into its thread, writes them out.
void CheckMenus(bool loaded) {
  HMODULE library = LoadLibraryA("korvel_probe.dll");  // from the driver's folder
  auto hook = reinterpret_cast<HOOKPROC>(reinterpret_cast<void*>(GetProcAddress(library, "KorvelProbeHook")));
  HANDLE mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 65536, "KorvelDriverMenuDump");
  char* view = static_cast<char*>(MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, 0));
  HHOOK hooked = SetWindowsHookExA(WH_CALLWNDPROC, hook, library, GetWindowThreadProcessId(windows[MAIN], nullptr));
  Send(windows[MAIN], RegisterWindowMessageA("KorvelDriver.DumpMenu"));
  Check("the menu bar", loaded ? std::regex_replace(MENU, std::regex("\\|1\n"), "|0\n") : MENU, view ? view : "");
  UnhookWindowsHookEx(hooked);
  UnmapViewOfFile(view);
  CloseHandle(mapping);
}
void CheckLayoutAndMenusAtStart() {
  CheckLayout();
  CheckMenus(false);
}

constexpr int OPEN = 0;  // an input's control: the text answers the open dialog the command opens
// A command, sent to the window holding its control (else to the main one), or posted when it opens an open
// dialog to answer; then what it leaves.
struct Step {
  const char* group;  // "": the row before's
  int command;        // 0: none
  struct {
    int id;
    const char* text;
  } input;             // typed into a control of the command's window before it
  const char* status;  // "=": as before, "...*": a beginning
  struct {
    const char* path;
    const char* sameAs;  // whose bytes it holds ("-": none)
    int waveFormat;
  } files[3];
  void (*also)();     // more checks
  const char* entry;  // nullptr: not checked
  const char* rows;   // nullptr: not checked
  int shown;          // EXPORT or QUICK when that window is visible afterwards
};
void Photograph() {
  Check("list WS_VSCROLL once rows do not fit", "yes", Yes(GetWindowLongA(Item(MAIN, 2200), GWL_STYLE) & WS_VSCROLL));
  Check("snapshot", "0",
        Decimal(_spawnl(_P_WAIT, snapshotTool.c_str(), "-", ("\"" + screenshot + "\"").c_str(), nullptr)));
}
#define PLAYING(name) "Now playing stored  \"" name "\" Duration: "
#define ADDED(name) "The wav file labeled ' " name " ' has been added to slected kvf file . . "
#define EXPORTED(what, where) "Completed. " what " exported to program's directory" where
#define NEXT "Export\\Conversions\\NeXT.wav"
#define DECODED "Export\\Conversions\\decoded.wav"
#define KEEP(name, played) [] { KeepCapture(name, "Export\\Conversions\\" played); }
const Step SESSION[] = {
    {"layout and menus at start", 0, {}, "", {}, CheckLayoutAndMenusAtStart, "0", ""},
    {"Export > Kvf (New_File)", 3800, {}, "", {}, nullptr, nullptr, nullptr, EXPORT},
    {"",
     900,
     {300, "Session"},
     "New KorvelFile ( Session.kvf ) has been exported to this program's directory . . .",
     {{"Session.kvf", "Expected\\empty.kvf"}, {"Session.dat", "Expected\\empty.dat"}},
     [] { Check("name box emptied", "", TextOf(Item(EXPORT, 300))); }},
    {"", 3800, {}, "=", {}, nullptr, nullptr, nullptr, EXPORT},
    {"",
     900,
     {300, "Session"},
     "Export error - kvf filename already exists. . .",
     {},
     nullptr,
     nullptr,
     nullptr,
     EXPORT},
    {"", 3900, {}, "="},
    {"File > Load_KVF",
     200,
     {OPEN, "Session.kvf"},
     "There are 0 to 0 valid entries within .kvf file",
     {},
     [] { CheckMenus(true); },
     "0",
     ""},
    {"Wavs > Add_Wav", 100, {OPEN, "Media\\tone.wav"}, ADDED("tone.wav"), {}, nullptr, nullptr, " \"tone.wav\""},
    {"", 100, {OPEN, "Media\\chime.aiff"}, ADDED("chime.aiff"), {}, nullptr, nullptr, " \"tone.wav\"| \"chime.aiff\""},
    {"",
     100,
     {OPEN, "Media\\bell.au"},
     ADDED("bell.au"),
     {},
     Photograph,
     nullptr,
     " \"tone.wav\"| \"chime.aiff\"| \"bell.au\""},
    {"plays: -->, Replay, Set ID#, <--",
     1300,
     {},
     PLAYING("tone.wav") "0.5027",
     {},
     KEEP("stored", "temp_wav.wav"),
     "1"},
    {"", 1300, {}, PLAYING("chime.aiff") "*", {}, nullptr, "2"},
    {"", 1500, {}, "=", {}, nullptr, "2"},
    {"", 1900, {1800, "1"}, "="},
    {"", 1300, {}, PLAYING("tone.wav") "0.5027", {}, nullptr, "1"},
    {"", 1300, {}, PLAYING("chime.aiff") "*", {}, nullptr, "2"},
    {"", 1300, {}, PLAYING("bell.au") "*", {}, nullptr, "3"},
    {"", 1300, {}, "=", {}, nullptr, "3"},
    {"", 1400, {}, PLAYING("chime.aiff") "*", {}, nullptr, "2"},
    {"", 1900, {1800, "3"}, "The index number you have entered is out of range, or is set to last entry (not allowed)"},
    {"Export > Wav (Current) of entry 2", 3700, {}, "Option set:  Export single wavs in original format . . ."},
    {"", 1200, {}, EXPORTED("Wav file", ""), {{"Export\\KVFS_Wav1.aiff", "Media\\chime.aiff"}}},
    {"", 3600, {}, "Option set:  Export single wavs as pcm . . ."},
    {"", 1200, {}, EXPORTED("Wav file", " (Export Folder)"), {{"Export\\KVFS_Wav2.wav", DECODED, 1}}},
    {"Export > Wav (En_Mass)",
     1700,
     {},
     EXPORTED("All wav files", ""),
     {{"Export\\KVFM_Wav1.wav", "Media\\tone.wav", 1},
      {"Export\\KVFM_Wav2.aiff", "Media\\chime.aiff"},
      {"Export\\KVFM_Wav3.au", "Media\\bell.au"}}},
    {"Share > Kvf/Dat (Current)",
     4000,
     {},
     "Currently loaded kvf/dat files exported to Documents/Export_Kvf Folder",
     {{"~\\Export_KVF\\Session.kvf", "Session.kvf"}, {"~\\Export_KVF\\Session.dat", "Session.dat"}}},
    {"Play_Wav, Wav (External)", 1100, {OPEN, "Media\\bell.au"}, " ", {{NEXT, nullptr, 7}}, KEEP("g711", "NeXT.wav")},
    {"",
     4100,
     {},
     "External wav file saved to Documents\\KVP_Wavs (Exported as PCM)",
     {{"~\\KVP_Wavs\\ext_wav1.wav", NEXT, 7}}},
    {"Play_Wav of a float AU", 1100, {OPEN, "Media\\float.au"}, " ", {{NEXT, nullptr, 3}}, KEEP("float", "NeXT.wav")},
    // The sound service would sound its default for a format no codec takes: the program must ask it first.
    {"Play_Wav with a wave the sound output cannot play, then Wav (External)", 0, {2000, "before"}, "before"},
    {"", 1100, {OPEN, "Media\\odd.wav"}, "before"},
    {"", 4100, {}, "before", {{"~\\KVP_Wavs\\ext_wav2.wav", "-"}}},
    {"Clr MsgBox, Quik_Start and Close", 1600, {}, " "},
    {"", 4250, {}, "=", {}, nullptr, nullptr, nullptr, QUICK},
    {"", 4300, {}, "="},
};
// Runs a row and checks its columns in one line each, "name value; ...".
void Run(const Step& s) {
  if (*s.group != '\0') std::printf("-- %s\n", (group = s.group).c_str());
  HWND target = windows[MAIN];
  for (const Control& c : LAYOUT) target = c.id == s.command && c.parent != DESKTOP ? windows[c.parent] : target;
  const bool open = s.input.text != nullptr && s.input.id == OPEN;
  if (s.input.text != nullptr && !open) SetText(GetDlgItem(target, s.input.id), s.input.text);
  const string before = Status();
  if (open && PostMessageA(target, WM_COMMAND, WPARAM(s.command), 0)) Answer(PathOf(s.input.text));
  if (!open && s.command != 0) Send(target, WM_COMMAND, WPARAM(s.command));
  string want = string(s.status) == "=" ? before : s.status;
  string expected;
  string found;
  const bool beginning = !want.empty() && want.back() == '*';
  if (beginning) want.pop_back();
  const size_t length = beginning ? want.size() : string::npos;
  WaitFor([&] { return Status().substr(0, length) == want; }, open ? 20000 : 0);
  auto column = [&](string n, string e, string f) {
    expected += n + e + "; ";
    found += n + f + "; ";
  };
  column("status ", want, Status().substr(0, length));
  if (s.entry != nullptr) column("entry number ", s.entry, TextOf(Item(MAIN, 1800)));
  if (s.rows != nullptr) column("list ", s.rows, Rows());
  for (int w : {EXPORT, QUICK})
    column(LAYOUT[w].text + string(" shown "), Yes(s.shown == w), Yes(IsWindowVisible(windows[w])));
  for (const auto& f : s.files) {
    if (f.path == nullptr) continue;
    const bool same = f.sameAs != nullptr && *f.sameAs != '-';
    const WaveInfo wave = ParseWave(Read(f.path));
    column(f.path + string(" present "), Yes(f.sameAs == nullptr || same), Yes(fs::exists(PathOf(f.path))));
    if (same) column(" same as " + string(f.sameAs) + " ", "yes", Yes(Read(f.path) == Read(f.sameAs)));
    if (f.waveFormat != 0) column(" wave format ", Decimal(f.waveFormat), wave.ok ? Decimal(wave.formatTag) : "none");
  }
  Check(Decimal(s.command) + (open ? string(" with ") + s.input.text : ""), expected, found);
  if (s.also != nullptr) s.also();
}
}  // namespace
int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: korvel_driver <Korvel_Player.exe> <snapshot.exe> <shot.bmp>\n");
    return 2;
  }
  const char* capture = std::getenv("KORVEL_SOUND_CAPTURE");
  snapshotTool = WindowsPath(argv[2]);
  screenshot = WindowsPath(argv[3]);
  soundCapture = WindowsPath(capture != nullptr ? capture : "");
  soundFolder = fs::path(screenshot).parent_path().parent_path().string() + "\\sound";
  char path[MAX_PATH] = {};
  documents = SHGetFolderPathA(nullptr, CSIDL_PERSONAL, nullptr, 0, path) == S_OK ? path : "";
  scratch = string(path, GetTempPathA(MAX_PATH, path)) + "korvel_session_" + Decimal(GetCurrentProcessId());
  auto clean = [] {  // before too: Wine hands out process ids again
    for (const Step& s : SESSION)
      for (const auto& f : s.files)
        if (f.path != nullptr && *f.path == '~') fs::remove(PathOf(f.path), ignored);
    fs::remove_all(scratch, ignored);
  };
  clean();
  fs::remove_all(soundFolder, ignored);
  for (const string& folder : {scratch + "\\Export\\Conversions", scratch + "\\Media", scratch + "\\Expected",
                               soundFolder, fs::path(screenshot).parent_path().string()})
    fs::create_directories(folder, ignored);
  const Bytes tone = PcmWave(1, 8000, 16, 8000);
  const Bytes chime = AiffFile(1, 16, 0x400EAC44, PatternBytes(22050));
  const Bytes bell = AuFile(1, 8000, 1, PatternBytes(4000));
  Bytes floats = PatternBytes(8000);  // big-endian floats, kept within (-0.5, 0.5) by their exponents
  for (std::size_t i = 0; i < floats.size(); i += 4) floats[i] = 0x3E | (floats[i] & 0x80);
  const string exe = PathOf("Korvel_Player.exe");
  Check("program copied, sample files written", "yes",
        Yes(CopyFileA(WindowsPath(argv[1]).c_str(), exe.c_str(), 0) && Write("Media\\tone.wav", tone) &&
            Write("Media\\chime.aiff", chime) && Write("Media\\bell.au", bell) &&
            Write("Media\\odd.wav", WithBytesAt(tone, 20, {0x34, 0x12})) &&  // a format tag no codec takes
            Write("Media\\float.au", AuFile(6, 8000, 1, floats)) && Write("Expected\\empty.kvf", KvfFile({})) &&
            Write("Expected\\empty.dat", {})));
  Check("a sound output to ask, captured (scripts/test gives one)", "yes", Yes(waveOutGetNumDevs() && capture));
  SetCurrentDirectoryA(scratch.c_str());  // the program starts in its folder
  const auto process = reinterpret_cast<HANDLE>(_spawnl(_P_NOWAIT, exe.c_str(), "Korvel_Player", nullptr));
  SetCurrentDirectoryA(documents.c_str());
  programId = GetProcessId(process);
  WaitFor([] { return (windows[MAIN] = ProgramWindow(LAYOUT[MAIN].className, true)) != nullptr; }, 180000);
  for (int w : {EXPORT, QUICK}) windows[w] = ProgramWindow(LAYOUT[w].className, false);
  const DWORD thread = GetWindowThreadProcessId(windows[MAIN], nullptr);
  if (!Check("the three windows appear in one interface thread within 180 s", "yes",
             Yes(windows[MAIN] && thread == GetWindowThreadProcessId(windows[EXPORT], nullptr) &&
                 thread == GetWindowThreadProcessId(windows[QUICK], nullptr)))) {
    TerminateProcess(process, 1);
    return 1;
  }
  for (const Step& step : SESSION) Run(step);
  std::printf("-- %s\n", (group = "closing the main window ends the program; the container left").c_str());
  PostMessageA(windows[MAIN], WM_CLOSE, 0, 0);
  DWORD exitCode = 1;
  const bool closed = WaitFor([] { return !IsWindow(windows[MAIN]); }, 20000);
  if (WaitForSingleObject(process, 30000) != WAIT_OBJECT_0) TerminateProcess(process, 1);
  GetExitCodeProcess(process, &exitCode);
  Check("main window destroyed, exit code", "yes 0", Yes(closed) + " " + Decimal(exitCode));
  const Bytes kvf = Read("Session.kvf");
  const Bytes dat = Read("Session.dat");
  std::vector<std::uint32_t> keys;  // the program's to choose
  for (std::size_t record = 16; record <= 48 && kvf.size() >= 64; record += 16) keys.push_back(ReadU32Le(&kvf[record]));
  Check("Session.kvf: the three files under their keys", "yes", Yes(kvf == KvfFile({tone, chime, bell}, keys)));
  Check("Session.dat: two CR LF lines an entry, a key and the name",
        " # \"tone.wav\"\r\n # \"tone.wav\"\r\n"
        " # \"chime.aiff\"\r\n # \"chime.aiff\"\r\n # \"bell.au\"\r\n # \"bell.au\"\r\n",
        std::regex_replace(string(dat.begin(), dat.end()), std::regex(" [0-9a-f]{8} \""), " # \""));
  if (failed == 0) clean();  // else kept for inspection
  std::printf("%d passed, %d failed\n", passed, failed);
  return failed == 0 ? 0 : 1;
}
