// korvel_driver <Korvel_Player.exe> <korvel_snapshot.exe> <screenshot.bmp>
//   (KORVEL_SOUND_CAPTURE: the host file ALSA's default device writes into)
// drives the real program from outside, as a user would: in a scratch copy of
// its installation folder it checks the windows and controls against LAYOUT
// and the menus against MENU, runs SESSION (a command a row, the file typed
// into the open dialog it opens, the status text and the files it leaves),
// closes the program and checks the container left. Three plays (a stored
// wave, a G.711 and a float conversion) are kept with what the sound device
// received, in sound/ beside the screenshots' folder, for sound_test.sh. Prints each failed check
// and "N passed, M failed"; the exit code is 0 only when all passed.
#include <windows.h>
#include <mmsystem.h>
#include <process.h>
#include <shlobj.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

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
  std::printf("[FAIL] %s: %s:\n  expected \"%s\"\n  found    \"%s\"\n", group.c_str(), what.c_str(),
              expected.c_str(), found.c_str());
  return false;
}
string Yes(bool condition) { return condition ? "yes" : "no"; }
string N(long long number) { return std::to_string(number); }
enum { MAIN, EXPORT, QUICK, DESKTOP };
HWND windows[3];
DWORD programId = 0;
string scratch, documents, probe, snapshotTool, screenshot, soundCapture, soundFolder;
// A host path ("/work/...") names Wine's Z: drive.
string WindowsPath(const string& path) { return path[0] == '/' ? "Z:" + path : path; }
// "~\..." lies in Documents, anything else in the scratch installation.
string PathOf(const string& name) { return name[0] == '~' ? documents + name.substr(1) : scratch + "\\" + name; }
Bytes Read(const string& name) {
  std::ifstream in(PathOf(name), std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
bool Write(const string& name, const Bytes& b) {
  return std::ofstream(PathOf(name), std::ios::binary).write(reinterpret_cast<const char*>(b.data()), b.size()).good();
}
// Once the device has stopped receiving the play (Wine plays in real time),
// keeps it beside a copy of the wave that was handed over.
void KeepCapture(const string& name, const char* played) {
  std::error_code ignored;
  std::uintmax_t size = 0, last = 1;
  for (int wait = 0; wait < 150 && (size == 0 || size != last); ++wait, Sleep(200)) {
    last = size;
    size = fs::exists(soundCapture, ignored) ? fs::file_size(soundCapture, ignored) : 0;
  }
  fs::copy_file(soundCapture, soundFolder + "\\" + name + ".captured.wav", fs::copy_options::overwrite_existing, ignored);
  fs::copy_file(PathOf(played), soundFolder + "\\" + name + ".played.wav", fs::copy_options::overwrite_existing, ignored);
}
LRESULT Send(HWND window, UINT message, WPARAM wParam = 0, const void* lParam = nullptr, bool wide = false) {
  DWORD_PTR result = 0;
  (wide ? SendMessageTimeoutW : SendMessageTimeoutA)(window, message, wParam, reinterpret_cast<LPARAM>(lParam),
                                                     SMTO_NORMAL, 30000, &result);
  return static_cast<LRESULT>(result);
}
string TextOf(HWND window) {
  char text[4096] = {};
  Send(window, WM_GETTEXT, sizeof text, text);
  return text;
}
string ClassOf(HWND window) {
  char name[256] = {};
  return string(name, GetClassNameA(window, name, sizeof name));
}
string Status() { return TextOf(GetDlgItem(windows[MAIN], 2000)); }
// The entry list's rows joined by '|'. Under Wine the ANSI LB_GETTEXT hands
// only a row's first character across processes: rows are read in Unicode.
string Rows() {
  string rows;
  HWND list = GetDlgItem(windows[MAIN], 2200);
  for (LRESULT i = 0; i < Send(list, LB_GETCOUNT); ++i) {
    WCHAR row[512] = {};
    if (Send(list, LB_GETTEXTLEN, WPARAM(i)) < 512) Send(list, LB_GETTEXT, WPARAM(i), row, true);
    rows += (i ? "|" : "") + fs::path(row).string();
  }
  return rows;
}
template <typename Done>
bool WaitFor(Done done, DWORD timeoutMs) {
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

// The open dialog's file name box, which Wine keeps in an inner window: edt1 (1152) or the edit in cmb13 (1148).
BOOL CALLBACK FindNameBox(HWND w, LPARAM found) {
  const bool box = IsWindowVisible(w) && ClassOf(w) == "Edit" && (GetDlgCtrlID(w) == 1152 || GetDlgCtrlID(GetParent(w)) == 1148);
  if (box) *reinterpret_cast<HWND*>(found) = w;
  return !box;
}

// Types the path into the open dialog like a user and presses OK.
void Answer(const string& path) {
  HWND dialog = nullptr, box = nullptr;
  WaitFor([&] { return (dialog = ProgramWindow("#32770", true)) != nullptr; }, 30000);
  if (dialog != nullptr) EnumChildWindows(dialog, FindNameBox, reinterpret_cast<LPARAM>(&box));
  if (!Check("an open dialog with a file name box", "yes", Yes(box != nullptr))) return;
  Send(box, WM_SETTEXT, 0, path.c_str());
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
  Check("the open dialog closes after OK", "yes", Yes(WaitFor([&] { return !IsWindowVisible(dialog); }, 30000)));
}

struct Control {
  int parent;  // MAIN, EXPORT, QUICK; DESKTOP for the three windows themselves, id being their index
  const char *className, *text;
  int id, x, y, width, height;  // in the parent's client area; for windows, from the screen centre
  DWORD on, off;                // style bits set and clear
  bool sunkenEdge;
};
constexpr DWORD SHOWN = WS_CHILD | WS_VISIBLE, BUTTON = BS_TYPEMASK, PICTURE = SS_TYPEMASK ^ SS_BITMAP;
constexpr DWORD DIALOG = WS_POPUP | WS_DLGFRAME, NO_CAPTION = WS_VISIBLE | WS_BORDER | WS_SYSMENU;
// Controls in their order of creation; the pictures take their bitmaps' sizes.
const Control LAYOUT[] = {
    {DESKTOP, "Korvel_Player  (1.0.4.18)", "Korvel_Player  (1.0.4.18)", MAIN, -250, -200, 500, 387,
     WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, WS_CHILD | WS_THICKFRAME | WS_MAXIMIZEBOX, false},
    {DESKTOP, " Korvel_File - Export", " Korvel_File - Export", EXPORT, 20, -330, 300, 100, DIALOG, NO_CAPTION, false},
    {DESKTOP, " Quick Start - Help", " Quick Start - Help", QUICK, 282, -200, 300, 220, DIALOG, NO_CAPTION, false},
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
    {MAIN, "Edit", "", 2000, 75, 230, 278, 52, SHOWN | ES_MULTILINE | ES_READONLY | WS_VSCROLL | ES_AUTOVSCROLL, 0,
     true},
    {MAIN, "ListBox", "", 2200, 75, 286, 278, 36, SHOWN | LBS_NOTIFY, LBS_SORT, true},
    {MAIN, "Static", "", 1000, 24, 9, 331, 137, SHOWN | SS_BITMAP, PICTURE, false},
    {MAIN, "Static", "", 220, 160, 186, 27, 16, WS_CHILD | SS_BITMAP, WS_VISIBLE | PICTURE, false},
    {MAIN, "Static", "", 320, 145, 174, 24, 12, SHOWN | SS_BITMAP, PICTURE, false},
};
string Row(const string& cls, const string& text, const RECT& r, DWORD on, DWORD off, bool sunken) {
  return cls + "|" + text + "|" + N(r.left) + "," + N(r.top) + "," + N(r.right - r.left) + "," + N(r.bottom - r.top) +
         "|" + N(on) + "|" + N(off) + "|" + Yes(sunken);
}

void CheckLayout() {
  string order[3], created[3];
  for (const Control& c : LAYOUT) {
    const bool top = c.parent == DESKTOP;
    HWND w = top ? windows[c.id] : GetDlgItem(windows[c.parent], c.id);
    RECT r = {};
    GetWindowRect(w, &r);
    MapWindowPoints(nullptr, top ? nullptr : windows[c.parent], reinterpret_cast<POINT*>(&r), 2);
    if (top) OffsetRect(&r, -GetSystemMetrics(SM_CXSCREEN) / 2, -GetSystemMetrics(SM_CYSCREEN) / 2);
    if (!top) order[c.parent] += N(c.id) + " ";
    const DWORD style = GetWindowLongA(w, GWL_STYLE), edge = GetWindowLongA(w, GWL_EXSTYLE) & WS_EX_CLIENTEDGE;
    Check((top ? "window " : "control ") + N(c.id) + " class|text|x,y,width,height|style set|style clear|sunken",
          Row(c.className, c.text, {c.x, c.y, c.x + c.width, c.y + c.height}, c.on, 0, c.sunkenEdge),
          Row(ClassOf(w), TextOf(w), r, style & c.on, style & c.off, edge != 0));
  }
  for (int p = MAIN; p <= QUICK; ++p) {
    for (HWND child = GetWindow(windows[p], GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT))
      created[p] += N(GetDlgCtrlID(child)) + " ";
    Check("controls of window " + N(p) + " in their order", order[p], created[p]);
  }
}

struct MenuItem {
  const char *popup, *text;
  int id;
  bool grayedBeforeLoad, grayedAfterLoad;
};
const MenuItem MENU[] = {
    {"File", "  Load_KVF", 200, false, false},           {"Wavs", "   Add_Wav", 100, true, false},
    {"Wavs", "   Play_Wav", 1100, false, false},         {"Export", "   Wav (Current)", 1200, true, false},
    {"Export", "   Wav (En_Mass)", 1700, true, false},   {"Export", "   Kvf (New_File)", 3800, false, false},
    {"Export", "   Wav (External)", 4100, false, false}, {"Options", "   Save as Pcm", 3600, false, false},
    {"Options", "   Save as Org", 3700, false, false},   {"Options", "   Save in Documents", 4150, false, false},
    {"Options", "   Save in Default Loc", 4200, false, false}, {"Share", "   Kvf/Dat (Current)", 4000, true, false},
    {"Help", "  Help_Files", 500, false, false},         {"Help", "  Quik_Start", 4250, false, false},
};

// Menus are private to their process under Wine: korvel_probe.dll, hooked
// into the program's thread, writes the menu bar into shared memory.
void CheckMenus(bool loaded) {
  string expected, popup;
  for (const MenuItem& m : MENU) {
    if (popup != m.popup) expected += "P " + (popup = m.popup) + "\n";
    expected += string(m.text) + "|" + N(m.id) + "|" + ((loaded ? m.grayedAfterLoad : m.grayedBeforeLoad) ? "1\n" : "0\n");
  }
  HMODULE library = LoadLibraryA(probe.c_str());
  auto hook = reinterpret_cast<HOOKPROC>(reinterpret_cast<void*>(GetProcAddress(library, "KorvelProbeHook")));
  HANDLE mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 65536, "KorvelDriverMenuDump");
  char* view = static_cast<char*>(MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, 0));
  HHOOK hooked = SetWindowsHookExA(WH_CALLWNDPROC, hook, library, GetWindowThreadProcessId(windows[MAIN], nullptr));
  Send(windows[MAIN], RegisterWindowMessageA("KorvelDriver.DumpMenu"));
  Check("the menu bar, one line a popup or item (text|id|grayed)", expected, view != nullptr ? view : "");
  UnhookWindowsHookEx(hooked);
  UnmapViewOfFile(view);
  CloseHandle(mapping);
}

struct FileCheck {
  const char *path, *sameAs;  // sameAs: the file whose bytes it holds; "-": it must not exist
  int waveFormat;             // not 0: a RIFF/WAVE header with this format tag
};
// A command, sent to the window holding its control (else to the main window),
// or posted when it opens an open dialog to answer; then what it leaves.
struct Step {
  const char* group;  // "": the row before's
  int command;
  const char* answer;
  struct { int id; const char* text; } typed;  // into a control of the command's window before it
  const char *status, *entry, *rows;  // nullptr: not checked; status "=": as before, "...*": a beginning
  int shown;                          // EXPORT or QUICK when that window is visible afterwards
  void (*also)();
  FileCheck files[3];
};
#define PLAYING(name) "Now playing stored  \"" name "\" Duration: "
#define ADDED(name) "The wav file labeled ' " name " ' has been added to slected kvf file . . "
const Step SESSION[] = {
    {"layout and menus at start", 0, nullptr, {}, "", "0", "", MAIN, [] { CheckLayout(), CheckMenus(false); }},
    {"Export > Kvf (New_File)", 3800, nullptr, {}, "", nullptr, nullptr, EXPORT},
    {"", 900, nullptr, {300, "Session"}, "New KorvelFile ( Session.kvf ) has been exported to this program's directory . . .",
     nullptr, nullptr, MAIN, [] { Check("name box emptied", "", TextOf(GetDlgItem(windows[EXPORT], 300))); },
     {{"Session.kvf", "Expected\\empty.kvf"}, {"Session.dat", "Expected\\empty.dat"}}},
    {"", 3800, nullptr, {}, "=", nullptr, nullptr, EXPORT},
    {"", 900, nullptr, {300, "Session"}, "Export error - kvf filename already exists. . .", nullptr, nullptr, EXPORT},
    {"", 3900, nullptr, {}, "="},
    {"File > Load_KVF", 200, "Session.kvf", {}, "There are 0 to 0 valid entries within .kvf file", "0", "", MAIN,
     [] { CheckMenus(true); }},
    {"Wavs > Add_Wav", 100, "Media\\tone.wav", {}, ADDED("tone.wav"), nullptr, " \"tone.wav\""},
    {"", 100, "Media\\chime.aiff", {}, ADDED("chime.aiff"), nullptr, " \"tone.wav\"| \"chime.aiff\""},
    {"", 100, "Media\\bell.au", {}, ADDED("bell.au"), nullptr, " \"tone.wav\"| \"chime.aiff\"| \"bell.au\"", MAIN, [] {
       // The list shows its scroll bar only once the rows do not fit.
       Check("list WS_VSCROLL", "yes", Yes(GetWindowLongA(GetDlgItem(windows[MAIN], 2200), GWL_STYLE) & WS_VSCROLL));
       const string quoted = "\"" + screenshot + "\"";
       Check("korvel_snapshot " + quoted, "0", N(_spawnl(_P_WAIT, snapshotTool.c_str(), "-", quoted.c_str(), nullptr)));
     }},
    {"stored plays: -->, Replay, Set ID#, <--", 1300, nullptr, {}, PLAYING("tone.wav") "0.5027", "1", nullptr, MAIN,
     [] { KeepCapture("stored", "Export\\Conversions\\temp_wav.wav"); }},
    {"", 1300, nullptr, {}, PLAYING("chime.aiff") "*", "2"},
    {"", 1500, nullptr, {}, "=", "2"},
    {"", 1900, nullptr, {1800, "1"}, "="},
    {"", 1300, nullptr, {}, PLAYING("tone.wav") "0.5027", "1"},
    {"", 1300, nullptr, {}, PLAYING("chime.aiff") "*", "2"},
    {"", 1300, nullptr, {}, PLAYING("bell.au") "*", "3"},
    {"", 1300, nullptr, {}, "=", "3"},
    {"", 1400, nullptr, {}, PLAYING("chime.aiff") "*", "2"},
    {"", 1900, nullptr, {1800, "3"}, "The index number you have entered is out of range, or is set to last entry (not allowed)"},
    {"Export > Wav (Current) of entry 2", 3700, nullptr, {}, "Option set:  Export single wavs in original format . . ."},
    {"", 1200, nullptr, {}, "Completed. Wav file exported to program's directory", nullptr, nullptr, MAIN, nullptr,
     {{"Export\\KVFS_Wav1.aiff", "Media\\chime.aiff"}}},
    {"", 3600, nullptr, {}, "Option set:  Export single wavs as pcm . . ."},
    {"", 1200, nullptr, {}, "Completed. Wav file exported to program's directory (Export Folder)", nullptr, nullptr, MAIN,
     nullptr, {{"Export\\KVFS_Wav2.wav", "Export\\Conversions\\decoded.wav", 1}}},
    {"Export > Wav (En_Mass)", 1700, nullptr, {}, "Completed. All wav files exported to program's directory", nullptr,
     nullptr, MAIN, nullptr, {{"Export\\KVFM_Wav1.wav", "Media\\tone.wav", 1},
     {"Export\\KVFM_Wav2.aiff", "Media\\chime.aiff"}, {"Export\\KVFM_Wav3.au", "Media\\bell.au"}}},
    {"Share > Kvf/Dat (Current)", 4000, nullptr, {}, "Currently loaded kvf/dat files exported to Documents/Export_Kvf Folder",
     nullptr, nullptr, MAIN, nullptr, {{"~\\Export_KVF\\Session.kvf", "Session.kvf"}, {"~\\Export_KVF\\Session.dat", "Session.dat"}}},
    {"Wavs > Play_Wav with the AU file, then Export > Wav (External)", 1100, "Media\\bell.au", {}, " ", nullptr, nullptr,
     MAIN, [] { KeepCapture("g711", "Export\\Conversions\\NeXT.wav"); }, {{"Export\\Conversions\\NeXT.wav", nullptr, 7}}},
    {"", 4100, nullptr, {}, "External wav file saved to Documents\\KVP_Wavs (Exported as PCM)", nullptr, nullptr, MAIN,
     nullptr, {{"~\\KVP_Wavs\\ext_wav1.wav", "Export\\Conversions\\NeXT.wav", 7}}},
    {"Wavs > Play_Wav with a float AU file", 1100, "Media\\float.au", {}, " ", nullptr, nullptr, MAIN,
     [] { KeepCapture("float", "Export\\Conversions\\NeXT.wav"); }, {{"Export\\Conversions\\NeXT.wav", nullptr, 3}}},
    // The sound service would sound its default sound for a format no codec
    // takes and pass it as played: the program must ask the output first.
    {"Wavs > Play_Wav with a wave the sound output cannot play, then Export > Wav (External)", 1100, "Media\\odd.wav",
     {2000, "before"}, "="},
    {"", 4100, nullptr, {}, "before", nullptr, nullptr, MAIN, nullptr, {{"~\\KVP_Wavs\\ext_wav2.wav", "-"}}},
    {"Clr MsgBox, Quik_Start and Close", 1600, nullptr, {}, " "},
    {"", 4250, nullptr, {}, "=", nullptr, nullptr, QUICK},
    {"", 4300, nullptr, {}, "="},
};

// Runs a row and checks its columns in one line each, "name value; ...".
void Run(const Step& s) {
  if (*s.group != '\0') std::printf("-- %s\n", (group = s.group).c_str());
  HWND target = windows[MAIN];  // the window holding the command's control, else the main window
  for (const Control& c : LAYOUT) target = c.id == s.command && c.parent != DESKTOP ? windows[c.parent] : target;
  if (s.typed.text != nullptr) Send(GetDlgItem(target, s.typed.id), WM_SETTEXT, 0, s.typed.text);
  const string before = Status();
  if (s.answer != nullptr && PostMessageA(target, WM_COMMAND, WPARAM(s.command), 0)) Answer(PathOf(s.answer));
  if (s.answer == nullptr && s.command != 0) Send(target, WM_COMMAND, WPARAM(s.command));
  string want = s.status == nullptr ? "" : string(s.status) == "=" ? before : s.status, expected, found;
  const bool beginning = !want.empty() && want.back() == '*';
  if (beginning) want.pop_back();
  auto status = [&] { return s.status == nullptr ? "" : Status().substr(0, beginning ? want.size() : string::npos); };
  WaitFor([&] { return status() == want; }, s.answer != nullptr ? 20000 : 0);
  auto column = [&](const string& name, const string& e, const string& f) { expected += name + e + "; ", found += name + f + "; "; };
  column("status ", want, status());
  if (s.entry != nullptr) column("entry number ", s.entry, TextOf(GetDlgItem(windows[MAIN], 1800)));
  if (s.rows != nullptr) column("list ", s.rows, Rows());
  column("shown ", s.shown == EXPORT ? "export" : s.shown == QUICK ? "quick start" : "",
         string(IsWindowVisible(windows[EXPORT]) ? "export" : "") + (IsWindowVisible(windows[QUICK]) ? "quick start" : ""));
  for (const FileCheck& f : s.files) {
    if (f.path == nullptr) continue;
    const bool gone = f.sameAs != nullptr && *f.sameAs == '-', same = !gone && f.sameAs != nullptr;
    const Bytes bytes = Read(f.path);
    const WaveInfo wave = ParseWave(bytes);
    column(f.path, string(gone ? " absent" : " present") + (same ? " same as " + string(f.sameAs) : "") +
                       (f.waveFormat ? " format " + N(f.waveFormat) : ""),
           string(fs::exists(PathOf(f.path)) ? " present" : " absent") +
               (same ? (fs::exists(PathOf(f.sameAs)) && bytes == Read(f.sameAs) ? " same as " : " unlike ") + string(f.sameAs) : "") +
               (f.waveFormat ? " format " + (wave.ok ? N(wave.formatTag) : "none") : ""));
  }
  Check(N(s.command) + (s.answer != nullptr ? string(" with ") + s.answer : ""), expected, found);
  if (s.also != nullptr) s.also();
}

}  // namespace
int main(int argc, char** argv) {
  if (argc != 4) return std::fprintf(stderr, "usage: korvel_driver <Korvel_Player.exe> <snapshot.exe> <shot.bmp>\n"), 2;
  snapshotTool = WindowsPath(argv[2]), screenshot = WindowsPath(argv[3]);
  const char* capture = std::getenv("KORVEL_SOUND_CAPTURE");
  soundCapture = WindowsPath(capture != nullptr ? capture : "");
  soundFolder = fs::path(screenshot).parent_path().parent_path().string() + "\\sound";
  char path[MAX_PATH] = {};
  probe = fs::path(string(path, GetModuleFileNameA(nullptr, path, MAX_PATH))).replace_filename("korvel_probe.dll").string();
  documents = SHGetFolderPathA(nullptr, CSIDL_PERSONAL, nullptr, 0, path) == S_OK ? path : "";
  scratch = string(path, GetTempPathA(MAX_PATH, path)) + "korvel_session_" + N(GetCurrentProcessId());
  std::error_code ignored;
  auto clean = [&] {  // before too: Wine hands out process ids again
    for (const char* name : {"~\\Export_KVF\\Session.kvf", "~\\Export_KVF\\Session.dat", "~\\KVP_Wavs\\ext_wav1.wav",
                             "~\\KVP_Wavs\\ext_wav2.wav"})
      fs::remove(PathOf(name), ignored);
    fs::remove_all(scratch, ignored);
  };
  clean();
  for (const char* folder : {"\\Export\\Conversions", "\\Media", "\\Expected"}) fs::create_directories(scratch + folder);
  fs::create_directories(fs::path(screenshot).parent_path(), ignored);
  fs::remove_all(soundFolder, ignored);
  fs::create_directories(soundFolder, ignored);
  group = "installation";
  const Bytes tone = PcmWave(1, 8000, 16, 8000), chime = AiffFile(1, 16, 0x400EAC44, PatternBytes(22050)),
              bell = AuFile(1, 8000, 1, PatternBytes(4000));
  Bytes floats;  // a float AU file: big-endian samples of a ramp
  for (int i = 0; i < 2000; ++i) {
    unsigned char sample[4];
    const float value = static_cast<float>(i % 200 - 100) / 128.0f;
    std::memcpy(sample, &value, 4);
    floats.insert(floats.end(), {sample[3], sample[2], sample[1], sample[0]});
  }
  Bytes odd = tone;
  Put(odd, 20, {0x34, 0x12});  // a format tag no codec takes
  const string exe = PathOf("Korvel_Player.exe");
  Check("program copied, sample files written", "yes",
        Yes(CopyFileA(WindowsPath(argv[1]).c_str(), exe.c_str(), FALSE) && Write("Media\\tone.wav", tone) &&
            Write("Media\\chime.aiff", chime) && Write("Media\\bell.au", bell) && Write("Media\\odd.wav", odd) && Write("Media\\float.au", AuFile(6, 8000, 1, floats)) &&
            Write("Expected\\empty.kvf", KvfFile({})) && Write("Expected\\empty.dat", {})));
  Check("Wine has a sound output to ask, captured (scripts/test gives it one)", "yes",
        Yes(waveOutGetNumDevs() > 0 && capture != nullptr));
  group = "start";
  SetCurrentDirectoryA(scratch.c_str());  // the program starts in its folder
  const auto process = reinterpret_cast<HANDLE>(_spawnl(_P_NOWAIT, exe.c_str(), "Korvel_Player", nullptr));
  SetCurrentDirectoryA(documents.c_str());
  programId = GetProcessId(process);
  WaitFor([] { return (windows[MAIN] = ProgramWindow(LAYOUT[MAIN].className, true)) != nullptr; }, 180000);
  for (int w : {EXPORT, QUICK}) windows[w] = ProgramWindow(LAYOUT[w].className, false);
  const DWORD thread = GetWindowThreadProcessId(windows[MAIN], nullptr);
  if (!Check("the three windows appear in one interface thread within 180 s", "yes",
             Yes(windows[MAIN] && thread == GetWindowThreadProcessId(windows[EXPORT], nullptr) &&
                 thread == GetWindowThreadProcessId(windows[QUICK], nullptr))))
    return TerminateProcess(process, 1), 1;
  for (const Step& step : SESSION) Run(step);
  std::printf("-- %s\n", (group = "closing the main window ends the program; the container left").c_str());
  PostMessageA(windows[MAIN], WM_CLOSE, 0, 0);
  DWORD exitCode = 1;
  const bool closed = WaitFor([] { return !IsWindow(windows[MAIN]); }, 20000);
  if (WaitForSingleObject(process, 30000) != WAIT_OBJECT_0) TerminateProcess(process, 1);
  GetExitCodeProcess(process, &exitCode);
  Check("main window destroyed, exit code", "yes 0", Yes(closed) + " " + N(exitCode));
  const Bytes kvf = Read("Session.kvf"), dat = Read("Session.dat");
  std::vector<std::uint32_t> keys;  // the program's to choose
  for (std::size_t record = 16; record <= 48 && kvf.size() >= 64; record += 16) keys.push_back(ReadU32Le(&kvf[record]));
  const Bytes expected = KvfFile({tone, chime, bell}, keys);
  Check("Session.kvf: size, the three files under their keys", N(expected.size()) + " yes", N(kvf.size()) + " " + Yes(kvf == expected));
  std::istringstream lines(string(dat.begin(), dat.end()));
  string shape;  // the lines with their 8-character keys masked
  for (string line; std::getline(lines, line);) shape += line.substr(0, 1) + "########" + line.substr(std::min<std::size_t>(9, line.size())) + "|";
  Check("Session.dat: two CR LF lines an entry, a key and the name", " ######## \"tone.wav\"\r| ######## \"tone.wav\"\r|"
        " ######## \"chime.aiff\"\r| ######## \"chime.aiff\"\r| ######## \"bell.au\"\r| ######## \"bell.au\"\r|", shape);
  if (failed == 0) clean();  // else kept for inspection
  std::printf("%d passed, %d failed\n", passed, failed);
  return failed == 0 ? 0 : 1;
}
