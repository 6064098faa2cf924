// The thin platform layer: every operating-system service the program uses,
// one small function per role. The core (shell, library, convert) reaches the
// system only through these; a backend maps each role to the real calls
// (win32) or records it for tests and the command-line front-end (headless).
// Backends hold no program logic.
//
// Texts are byte strings of the system's ANSI code page, passed as they are.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Opaque handles. The win32 backend stores HWND, HMENU and HBITMAP values in
// them; the headless backend hands out small numbers of its own.
using WindowHandle = void*;
using MenuHandle = void*;
using BitmapHandle = void*;

enum class BeepKind { Default, Asterisk };

// --- Folders and the program file ---------------------------------------
// Full path of the program file (at most 260 bytes on Windows).
std::string PlatformProgramFilePath();
// The user's Documents folder, without a trailing separator; empty if unknown.
std::string PlatformDocumentsFolder();
// Name of the first directory entry matching path (no wildcards are used by
// the program, so this is "the entry's own name"), or empty when none exists.
std::string PlatformFindFirstName(const std::string& path);
// Creates one folder level; false on failure (callers may ignore it).
bool PlatformCreateFolder(const std::string& path);
// Removes an empty folder; false on failure.
bool PlatformRemoveEmptyFolder(const std::string& path);

// --- Status box and control texts ----------------------------------------
void PlatformSetWindowText(WindowHandle window, const std::string& text);
std::string PlatformGetWindowText(WindowHandle window);
void PlatformSetControlText(WindowHandle parent, int controlId, const std::string& text);
std::string PlatformGetControlText(WindowHandle parent, int controlId);
// Repaints a window at once, before a long operation runs.
void PlatformRepaint(WindowHandle window);

// --- Entry list ------------------------------------------------------------
void PlatformListClear(WindowHandle list);
void PlatformListAddRow(WindowHandle list, std::string row);  // by value: a backend may keep it
// Selected row (0-based), or -1 when nothing is selected.
int PlatformListSelection(WindowHandle list);

// --- Creating the windows --------------------------------------------------
// Registers a window class whose windows' messages all go to the program's
// window procedure, with a background tiled from bitmap resource
// backgroundBitmapId; false when the class cannot be registered.
bool PlatformRegisterWindowClass(const std::string& className, int backgroundBitmapId);
void PlatformScreenSize(int& width, int& height);

enum class WindowFrame {
  Main,    // caption, system menu with close box, minimise box; fixed size
  Dialog,  // dialog frame only: no caption, no system menu
};

struct WindowSpec {
  std::string className;
  std::string title;
  WindowFrame frame = WindowFrame::Main;
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
};
// Creates a top-level window, hidden.
WindowHandle PlatformCreateWindow(const WindowSpec& spec);

// Styles of child controls beyond "visible child".
enum ControlStyle : unsigned {
  CONTROL_PUSH_BUTTON = 1u << 0,
  CONTROL_DIGITS_ONLY = 1u << 1,  // edit: digits only
  CONTROL_CENTERED = 1u << 2,     // edit: centred text
  CONTROL_STATUS_TEXT = 1u << 3,  // edit: multi-line, read-only, vertical scroll bar, automatic scrolling
  CONTROL_LIST = 1u << 4,         // list box: vertical scroll bar, notifies its parent, unsorted
  CONTROL_PICTURE = 1u << 5,      // static: holds a bitmap
};

struct ControlSpec {
  std::string className;  // "EDIT", "BUTTON", "LISTBOX", "STATIC"
  std::string text;
  int id = 0;
  WindowHandle parent = nullptr;
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  unsigned styles = 0;
  bool defaultFont = false;  // the system's default GUI font, else the system font
  bool sunkenEdge = false;
};
WindowHandle PlatformCreateControl(const ControlSpec& spec);

// --- Windows -------------------------------------------------------------
void PlatformShowWindow(WindowHandle window, int showCommand);
void PlatformHideWindow(WindowHandle window);
// True when the client point (x, y) of window lies inside control's screen rectangle.
bool PlatformPointInControl(WindowHandle window, int x, int y, WindowHandle control);
void PlatformPostQuit(int exitCode);
// Runs the message loop until the quit message; returns its exit code.
int PlatformRunMessageLoop();
// The system's default processing of a window message.
std::intptr_t PlatformDefaultWindowProc(WindowHandle window, unsigned message, std::uintptr_t wParam,
                                        std::intptr_t lParam);
// The routine that receives every message of the program's windows.
using WindowProcedure = std::intptr_t (*)(WindowHandle window, unsigned message, std::uintptr_t wParam,
                                          std::intptr_t lParam);
// Where the messages of the windows of classes registered from now on go.
void PlatformSetWindowProcedure(WindowProcedure procedure);

// --- Menus -----------------------------------------------------------------
MenuHandle PlatformCreateMenu();
void PlatformEnableMenuItem(MenuHandle menu, int commandId, bool enabled);
// Loads bitmap resource bitmapId for a menu item's picture.
BitmapHandle PlatformLoadBitmap(int bitmapId);
void PlatformAppendPopup(MenuHandle bar, MenuHandle popup, const std::string& text);
// Appends an item; picture (may be null) shows in its checked and unchecked state.
void PlatformAppendMenuItem(MenuHandle menu, int commandId, const std::string& text, BitmapHandle picture);
void PlatformAttachMenu(WindowHandle window, MenuHandle bar);
void PlatformReleaseBitmap(BitmapHandle bitmap);

// --- Timer -----------------------------------------------------------------
void PlatformStartTimer(WindowHandle window, int timerId, int intervalMs);
void PlatformStopTimer(WindowHandle window, int timerId);

// --- Pictures ----------------------------------------------------------------
// Loads bitmap resource bitmapId and puts it into the picture control; returns
// the loaded bitmap (the previous one is released by the backend).
BitmapHandle PlatformShowPicture(WindowHandle pictureControl, int bitmapId);

// --- Beeps and sounds --------------------------------------------------------
void PlatformBeep(BeepKind kind);
// What to sound when the sound service cannot play the file it was given.
enum class SoundFallback { DefaultSound, Silence };
// Plays a wave file asynchronously, ending any sound that plays; false when the
// file could not be handed to the sound service.
bool PlatformPlaySoundFile(const std::string& path, SoundFallback fallback);

enum class WaveFormatAnswer {
  Playable,    // the wave output, with its installed codecs, takes the format
  Unplayable,  // there is an output, and it cannot play the format
  NoAnswer,    // no sound output to ask (or it could not be asked)
};
// Asks the system's wave output whether it can play a wave whose "fmt " chunk
// body (format tag onwards) is the size bytes at fmt.
WaveFormatAnswer PlatformQueryWaveFormat(const unsigned char* fmt, std::size_t size);
// Plays a WAVE resource of the program asynchronously, ending any sound that plays.
void PlatformPlaySoundResource(int resourceId);

// --- Dialogs -----------------------------------------------------------------
// The system's open-file dialog. filterText and pattern form its one filter
// row. Returns the confirmed full path, or empty for Cancel.
std::string PlatformAskOpenFileName(WindowHandle owner, const std::string& filterText, const std::string& pattern);
void PlatformMessageBox(WindowHandle owner, const std::string& text, const std::string& caption);

// --- Shell -------------------------------------------------------------------
// Opens a document with its associated program; the shell's result (32 or
// less means failure).
long PlatformShellOpen(const std::string& path);

// --- Copies ------------------------------------------------------------------
// Copies a file, overwriting the target; true on success.
bool PlatformCopyFile(const std::string& from, const std::string& to);
