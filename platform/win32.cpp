// Win32 backend: each platform role mapped to the system's ANSI calls. The
// program's texts are byte strings of the system code page, so every call is
// an "A" function. No program logic lives here.
#include <windows.h>

#include <commdlg.h>
#include <mmsystem.h>
#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>
#include <vector>

#include "platform/platform.h"

namespace {

WindowProcedure programWindowProcedure = nullptr;

// Every message of the program's windows goes to the procedure the program set.
LRESULT CALLBACK ProgramWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (programWindowProcedure == nullptr) return DefWindowProcA(window, message, wParam, lParam);
  return programWindowProcedure(window, message, wParam, lParam);
}

constexpr int SMALL_ICON_RESOURCE = 16;

HINSTANCE Instance() { return GetModuleHandleA(nullptr); }

HWND Window(WindowHandle handle) { return static_cast<HWND>(handle); }

HBITMAP LoadBitmapResource(int bitmapId) {
  return static_cast<HBITMAP>(
      LoadImageA(Instance(), MAKEINTRESOURCEA(bitmapId), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
}

std::string TextOf(HWND window) {
  if (window == nullptr) return "";
  std::vector<char> text(static_cast<std::size_t>(GetWindowTextLengthA(window)) + 1, '\0');
  GetWindowTextA(window, text.data(), static_cast<int>(text.size()));
  return text.data();
}

DWORD ControlStyles(unsigned styles) {
  DWORD style = WS_CHILD | WS_VISIBLE;
  if (styles & CONTROL_PUSH_BUTTON) style |= BS_PUSHBUTTON;
  if (styles & CONTROL_DIGITS_ONLY) style |= ES_NUMBER;
  if (styles & CONTROL_CENTERED) style |= ES_CENTER;
  if (styles & CONTROL_STATUS_TEXT) style |= ES_MULTILINE | ES_READONLY | WS_VSCROLL | ES_AUTOVSCROLL;
  if (styles & CONTROL_LIST) style |= WS_VSCROLL | LBS_NOTIFY;
  if (styles & CONTROL_PICTURE) style |= SS_BITMAP;
  return style;
}

}  // namespace

std::string PlatformProgramFilePath() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  return path;
}

std::string PlatformDocumentsFolder() {
  char path[MAX_PATH] = {};
  return SUCCEEDED(SHGetFolderPathA(nullptr, CSIDL_PERSONAL, nullptr, 0, path)) ? path : "";
}

std::string PlatformFindFirstName(const std::string& path) {
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA(path.c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return "";
  FindClose(search);
  return found.cFileName;
}

bool PlatformCreateFolder(const std::string& path) { return CreateDirectoryA(path.c_str(), nullptr) != 0; }

bool PlatformRemoveEmptyFolder(const std::string& path) { return RemoveDirectoryA(path.c_str()) != 0; }

void PlatformSetWindowText(WindowHandle window, const std::string& text) {
  SetWindowTextA(Window(window), text.c_str());
}

std::string PlatformGetWindowText(WindowHandle window) { return TextOf(Window(window)); }

void PlatformSetControlText(WindowHandle parent, int controlId, const std::string& text) {
  SetDlgItemTextA(Window(parent), controlId, text.c_str());
}

std::string PlatformGetControlText(WindowHandle parent, int controlId) {
  return TextOf(GetDlgItem(Window(parent), controlId));
}

void PlatformRepaint(WindowHandle window) {
  InvalidateRect(Window(window), nullptr, TRUE);
  UpdateWindow(Window(window));
}

void PlatformListClear(WindowHandle list) { SendMessageA(Window(list), LB_RESETCONTENT, 0, 0); }

void PlatformListAddRow(WindowHandle list, std::string row) {
  SendMessageA(Window(list), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(row.c_str()));
}

int PlatformListSelection(WindowHandle list) {
  LRESULT row = SendMessageA(Window(list), LB_GETCURSEL, 0, 0);
  return row == LB_ERR ? -1 : static_cast<int>(row);
}

bool PlatformRegisterWindowClass(const std::string& className, int backgroundBitmapId) {
  // The bitmap is only needed until its brush exists; the brush lives as long as the program.
  HBITMAP background = LoadBitmapResource(backgroundBitmapId);
  HBRUSH brush = background != nullptr ? CreatePatternBrush(background) : nullptr;
  if (background != nullptr) DeleteObject(background);
  WNDCLASSEXA windowClass = {};
  windowClass.cbSize = sizeof windowClass;
  windowClass.style = CS_DBLCLKS;
  windowClass.lpfnWndProc = ProgramWindowProc;
  windowClass.hInstance = Instance();
  windowClass.hIcon = LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_APPLICATION));
  windowClass.hIconSm =
      static_cast<HICON>(LoadImageA(Instance(), MAKEINTRESOURCEA(SMALL_ICON_RESOURCE), IMAGE_ICON, 16, 16, 0));
  windowClass.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  windowClass.hbrBackground = brush;
  windowClass.lpszClassName = className.c_str();
  return RegisterClassExA(&windowClass) != 0;
}

void PlatformScreenSize(int& width, int& height) {
  width = GetSystemMetrics(SM_CXSCREEN);
  height = GetSystemMetrics(SM_CYSCREEN);
}

WindowHandle PlatformCreateWindow(const WindowSpec& spec) {
  // The system gives every overlapped window a caption; the export and
  // quick-start windows are pop-ups so that they keep a dialog frame only.
  const DWORD style = spec.frame == WindowFrame::Main ? WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX
                                                      : WS_POPUP | WS_DLGFRAME;
  return CreateWindowExA(0, spec.className.c_str(), spec.title.c_str(), style, spec.x, spec.y, spec.width, spec.height,
                         nullptr, nullptr, Instance(), nullptr);
}

WindowHandle PlatformCreateControl(const ControlSpec& spec) {
  HWND control =
      CreateWindowExA(spec.sunkenEdge ? WS_EX_CLIENTEDGE : 0, spec.className.c_str(), spec.text.c_str(),
                      ControlStyles(spec.styles), spec.x, spec.y, spec.width, spec.height, Window(spec.parent),
                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(spec.id)), Instance(), nullptr);
  if (control != nullptr && spec.defaultFont) {
    SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), TRUE);
  }
  return control;
}

void PlatformShowWindow(WindowHandle window, int showCommand) { ShowWindow(Window(window), showCommand); }

void PlatformHideWindow(WindowHandle window) { ShowWindow(Window(window), SW_HIDE); }

bool PlatformPointInControl(WindowHandle window, int x, int y, WindowHandle control) {
  POINT point = {x, y};
  ClientToScreen(Window(window), &point);
  RECT area;
  GetWindowRect(Window(control), &area);
  return PtInRect(&area, point) != 0;
}

void PlatformPostQuit(int exitCode) { PostQuitMessage(exitCode); }

void PlatformSetWindowProcedure(WindowProcedure procedure) { programWindowProcedure = procedure; }

std::intptr_t PlatformDefaultWindowProc(WindowHandle window, unsigned message, std::uintptr_t wParam,
                                        std::intptr_t lParam) {
  return DefWindowProcA(Window(window), message, wParam, lParam);
}

int PlatformRunMessageLoop() {
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return static_cast<int>(message.wParam);
}

MenuHandle PlatformCreateMenu() { return CreateMenu(); }

void PlatformEnableMenuItem(MenuHandle menu, int commandId, bool enabled) {
  EnableMenuItem(static_cast<HMENU>(menu), static_cast<UINT>(commandId),
                 MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
}

BitmapHandle PlatformLoadBitmap(int bitmapId) { return LoadBitmapResource(bitmapId); }

void PlatformAppendPopup(MenuHandle bar, MenuHandle popup, const std::string& text) {
  AppendMenuA(static_cast<HMENU>(bar), MF_POPUP, reinterpret_cast<UINT_PTR>(popup), text.c_str());
}

void PlatformAppendMenuItem(MenuHandle menu, int commandId, const std::string& text, BitmapHandle picture) {
  AppendMenuA(static_cast<HMENU>(menu), MF_STRING, static_cast<UINT_PTR>(commandId), text.c_str());
  if (picture != nullptr) {
    SetMenuItemBitmaps(static_cast<HMENU>(menu), static_cast<UINT>(commandId), MF_BYCOMMAND,
                       static_cast<HBITMAP>(picture), static_cast<HBITMAP>(picture));
  }
}

void PlatformAttachMenu(WindowHandle window, MenuHandle bar) { SetMenu(Window(window), static_cast<HMENU>(bar)); }

void PlatformReleaseBitmap(BitmapHandle bitmap) {
  if (bitmap != nullptr) DeleteObject(static_cast<HBITMAP>(bitmap));
}

void PlatformStartTimer(WindowHandle window, int timerId, int intervalMs) {
  SetTimer(Window(window), static_cast<UINT_PTR>(timerId), static_cast<UINT>(intervalMs), nullptr);
}

void PlatformStopTimer(WindowHandle window, int timerId) { KillTimer(Window(window), static_cast<UINT_PTR>(timerId)); }

BitmapHandle PlatformShowPicture(WindowHandle pictureControl, int bitmapId) {
  HBITMAP picture = LoadBitmapResource(bitmapId);
  HANDLE previous = reinterpret_cast<HANDLE>(
      SendMessageA(Window(pictureControl), STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(picture)));
  if (previous != nullptr && previous != picture) DeleteObject(previous);
  return picture;
}

void PlatformBeep(BeepKind kind) { MessageBeep(kind == BeepKind::Default ? MB_OK : MB_ICONASTERISK); }

bool PlatformPlaySoundFile(const std::string& path, SoundFallback fallback) {
  const DWORD flags = SND_FILENAME | SND_ASYNC | (fallback == SoundFallback::Silence ? SND_NODEFAULT : 0);
  return PlaySoundA(path.c_str(), nullptr, flags) != FALSE;
}

WaveFormatAnswer PlatformQueryWaveFormat(const unsigned char* fmt, std::size_t size) {
  if (waveOutGetNumDevs() == 0) return WaveFormatAnswer::NoAnswer;
  // A WAVEFORMATEX at least: a 16-byte PCM chunk has no cbSize, which is
  // then the zero padded here; a longer one may not claim more extra bytes
  // than it has.
  std::vector<unsigned char> format(std::max(size, sizeof(WAVEFORMATEX)), 0);
  std::copy(fmt, fmt + size, format.begin());
  WAVEFORMATEX* header = reinterpret_cast<WAVEFORMATEX*>(format.data());
  const std::size_t extra = format.size() - sizeof(WAVEFORMATEX);
  if (header->cbSize > extra) header->cbSize = static_cast<WORD>(extra);
  // The wave mapper answers for every device and for the codecs that
  // could convert the format to one of theirs.
  switch (waveOutOpen(nullptr, WAVE_MAPPER, header, 0, 0, WAVE_FORMAT_QUERY)) {
    case MMSYSERR_NOERROR:
      return WaveFormatAnswer::Playable;
    case WAVERR_BADFORMAT:
      return WaveFormatAnswer::Unplayable;
    default:
      return WaveFormatAnswer::NoAnswer;
  }
}

void PlatformPlaySoundResource(int resourceId) {
  PlaySoundA(MAKEINTRESOURCEA(resourceId), Instance(), SND_RESOURCE | SND_ASYNC);
}

std::string PlatformAskOpenFileName(WindowHandle owner, const std::string& filterText, const std::string& pattern) {
  // One filter row: its text and its pattern, each ended by a NUL, and a NUL after the last row.
  std::string filter = filterText + '\0' + pattern + '\0' + '\0';
  char path[MAX_PATH] = {};
  OPENFILENAMEA dialog = {};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = Window(owner);
  dialog.lpstrFilter = filter.c_str();
  dialog.lpstrFile = path;
  dialog.nMaxFile = MAX_PATH;
  dialog.lpstrDefExt = "";
  dialog.Flags = OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST | OFN_EXPLORER;
  return GetOpenFileNameA(&dialog) ? path : "";
}

void PlatformMessageBox(WindowHandle owner, const std::string& text, const std::string& caption) {
  MessageBoxA(Window(owner), text.c_str(), caption.c_str(), MB_OK);
}

long PlatformShellOpen(const std::string& path) {
  return static_cast<long>(
      reinterpret_cast<INT_PTR>(ShellExecuteA(nullptr, "open", path.c_str(), nullptr, nullptr, SW_SHOW)));
}

bool PlatformCopyFile(const std::string& from, const std::string& to) {
  return CopyFileA(from.c_str(), to.c_str(), FALSE) != 0;
}
