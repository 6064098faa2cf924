#include "shell/program_windows.h"

#include "shell/main_window.h"

#include "state/app_state.h"
#include "state/commands.h"

namespace {

using State = AppState;

// A window's or control's rectangle: its left and top, then its size.
struct Box {
  int x;
  int y;
  int width;
  int height;
};

// A window's box is reckoned from the centre of the screen. Each window's
// title is its class name.
struct WindowRow {
  std::string State::*className;
  WindowHandle State::*handle;
  WindowFrame frame;
  int backgroundBitmap;
  Box fromScreenCentre;
};

// clang-format off
const WindowRow WINDOWS[] = {
    {&State::mainClassName, &State::hwndMain, WindowFrame::Main, 800, {-250, -200, 500, 387}},
    {&State::exportClassName, &State::hwndExportWindow, WindowFrame::Dialog, 700, {20, -330, 300, 100}},
    {&State::quickStartClassName, &State::hwndQuickStart, WindowFrame::Dialog, 420, {282, -200, 300, 220}},
};
// clang-format on

enum class Parent { Main, Export, QuickStart };

enum class Look {
  SystemFont,
  GuiFont,        // the system's default GUI font
  SunkenGuiFont,  // that font, in a sunken edge
};

struct ControlRow {
  const char* className;
  const char* text;
  int id;
  Parent parent;
  Box box;
  unsigned styles;
  Look look;
};

constexpr unsigned BUTTON = CONTROL_PUSH_BUTTON;
constexpr unsigned PICTURE = CONTROL_PICTURE;
constexpr unsigned NUMBER_BOX = CONTROL_DIGITS_ONLY | CONTROL_CENTERED;

// In the order of creation.
// clang-format off
const ControlRow CONTROLS[] = {
    {"EDIT", "", IDC_EXPORT_NAME, Parent::Export, {15, 20, 150, 24}, 0, Look::SunkenGuiFont},
    {"BUTTON", "Export", IDC_EXPORT_BUTTON, Parent::Export, {176, 20, 52, 24}, BUTTON, Look::GuiFont},
    {"BUTTON", "Cancel", IDC_EXPORT_CANCEL, Parent::Export, {230, 20, 52, 24}, BUTTON, Look::GuiFont},
    {"BUTTON", "Close", IDC_QUICK_START_CLOSE, Parent::QuickStart, {120, 168, 36, 20}, BUTTON, Look::GuiFont},
    {"BUTTON", "-->", IDC_NEXT, Parent::Main, {227, 150, 30, 24}, BUTTON, Look::SystemFont},
    {"BUTTON", "<--", IDC_PREVIOUS, Parent::Main, {115, 150, 30, 24}, BUTTON, Look::SystemFont},
    {"BUTTON", "Replay", IDC_REPLAY, Parent::Main, {169, 150, 56, 24}, BUTTON, Look::GuiFont},
    {"BUTTON", "[]", IDC_STOP, Parent::Main, {147, 150, 20, 24}, BUTTON, Look::GuiFont},
    {"BUTTON", "Clr MsgBox", IDC_CLEAR_STATUS, Parent::Main, {390, 228, 90, 54}, BUTTON, Look::GuiFont},
    {"BUTTON", "Set ID#", IDC_SET_ID, Parent::Main, {390, 291, 50, 24}, BUTTON, Look::GuiFont},
    {"EDIT", "0", IDC_ENTRY_NUMBER, Parent::Main, {444, 292, 36, 24}, NUMBER_BOX, Look::SunkenGuiFont},
    {"EDIT", "", IDC_STATUS, Parent::Main, {75, 230, 278, 52}, CONTROL_STATUS_TEXT, Look::SunkenGuiFont},
    {"LISTBOX", "", IDC_ENTRY_LIST, Parent::Main, {75, 286, 278, 36}, CONTROL_LIST, Look::SunkenGuiFont},
    {"STATIC", "", IDC_ANIMATION, Parent::Main, {24, 9, 331, 337}, PICTURE, Look::SystemFont},
    {"STATIC", "", IDC_STOP_HINT, Parent::Main, {160, 186, 27, 16}, PICTURE, Look::SystemFont},
    {"STATIC", "", IDC_STOP_HINT_ZONE, Parent::Main, {145, 174, 24, 18}, PICTURE, Look::SystemFont},
};
// clang-format on

// The controls the state record keeps a handle of; the others are reached by their numbers.
struct KeptControl {
  int id;
  WindowHandle State::*handle;
};

// clang-format off
const KeptControl KEPT_CONTROLS[] = {
    {IDC_EXPORT_NAME, &State::hwndExportNameEdit},
    {IDC_EXPORT_CANCEL, &State::hwndExportCancel},
    {IDC_QUICK_START_CLOSE, &State::hwndQuickStartClose},
    {IDC_STOP, &State::hwndStopButton},
    {IDC_STATUS, &State::hwndStatus},
    {IDC_ENTRY_LIST, &State::hwndEntryList},
    {IDC_ANIMATION, &State::hwndAnimation},
    {IDC_STOP_HINT, &State::hwndStopHint},
    {IDC_STOP_HINT_ZONE, &State::hwndStopHintZone},
};
// clang-format on

struct MenuItemRow {
  MenuHandle AppState::*popup;
  const char* text;
  int id;
  BitmapHandle AppState::*picture;  // null: no picture
  bool grayed;                      // until a container is loaded
};

// The menu pictures, loaded in this order and released at shutdown.
struct MenuPicture {
  BitmapHandle AppState::*field;
  int bitmapId;
};

// clang-format off
const MenuPicture MENU_PICTURES[] = {
    {&AppState::bmpMenuLoad, 24},
    {&AppState::bmpMenuWav, 32},
    {&AppState::bmpMenuKvf, 40},
    {&AppState::bmpMenuExportCurrent, 48},
    {&AppState::bmpMenuExportAll, 56},
    {&AppState::bmpMenuOption, 120},
};
// clang-format on

struct Popup {
  MenuHandle AppState::*popup;
  const char* text;
};

// clang-format off
const Popup POPUPS[] = {
    {&AppState::menuFile, "File"},
    {&AppState::menuWavs, "Wavs"},
    {&AppState::menuExport, "Export"},
    {&AppState::menuOptions, "Options"},
    {&AppState::menuShare, "Share"},
    {&AppState::menuHelp, "Help"},
};
// clang-format on

// Item texts keep their leading blanks: two in File and Help, three elsewhere.
const MenuItemRow MENU_ITEMS[] = {
    {&AppState::menuFile, "  Load_KVF", CMD_LOAD_KVF, &AppState::bmpMenuLoad, false},
    {&AppState::menuWavs, "   Add_Wav", CMD_ADD_WAV, &AppState::bmpMenuWav, true},
    {&AppState::menuWavs, "   Play_Wav", CMD_PLAY_EXTERNAL, &AppState::bmpMenuWav, false},
    {&AppState::menuExport, "   Wav (Current)", CMD_EXPORT_CURRENT, &AppState::bmpMenuExportCurrent, true},
    {&AppState::menuExport, "   Wav (En_Mass)", CMD_EXPORT_ALL, &AppState::bmpMenuExportAll, true},
    {&AppState::menuExport, "   Kvf (New_File)", CMD_NEW_KVF, &AppState::bmpMenuKvf, false},
    {&AppState::menuExport, "   Wav (External)", CMD_EXPORT_EXTERNAL, &AppState::bmpMenuWav, false},
    {&AppState::menuOptions, "   Save as Pcm", CMD_SAVE_AS_PCM, &AppState::bmpMenuWav, false},
    {&AppState::menuOptions, "   Save as Org", CMD_SAVE_AS_ORG, &AppState::bmpMenuKvf, false},
    {&AppState::menuOptions, "   Save in Documents", CMD_SAVE_IN_DOCUMENTS, &AppState::bmpMenuOption, false},
    {&AppState::menuOptions, "   Save in Default Loc", CMD_SAVE_IN_DEFAULT, &AppState::bmpMenuOption, false},
    {&AppState::menuShare, "   Kvf/Dat (Current)", CMD_SHARE_CURRENT, &AppState::bmpMenuOption, true},
    {&AppState::menuHelp, "  Help_Files", CMD_HELP_FILES, nullptr, false},
    {&AppState::menuHelp, "  Quik_Start", CMD_QUICK_START, nullptr, false},
};

WindowHandle ParentHandle(Parent parent) {
  switch (parent) {
    case Parent::Export:
      return appState.hwndExportWindow;
    case Parent::QuickStart:
      return appState.hwndQuickStart;
    case Parent::Main:
      break;
  }
  return appState.hwndMain;
}

void CreateControls() {
  for (const ControlRow& row : CONTROLS) {
    ControlSpec spec;
    spec.className = row.className;
    spec.text = row.text;
    spec.id = row.id;
    spec.parent = ParentHandle(row.parent);
    spec.x = row.box.x;
    spec.y = row.box.y;
    spec.width = row.box.width;
    spec.height = row.box.height;
    spec.styles = row.styles;
    spec.defaultFont = row.look != Look::SystemFont;
    spec.sunkenEdge = row.look == Look::SunkenGuiFont;
    WindowHandle control = PlatformCreateControl(spec);
    for (const KeptControl& kept : KEPT_CONTROLS) {
      if (kept.id == row.id) appState.*kept.handle = control;
    }
  }
  PlatformSetControlText(appState.hwndExportWindow, IDC_EXPORT_NAME, "Type_in_desired_name");
}

void BuildMenus() {
  AppState& s = appState;
  for (const auto& picture : MENU_PICTURES) s.*picture.field = PlatformLoadBitmap(picture.bitmapId);
  for (const auto& popup : POPUPS) {
    PlatformAppendPopup(s.menuBar, s.*popup.popup, popup.text);
    for (const MenuItemRow& item : MENU_ITEMS) {
      if (item.popup != popup.popup) continue;
      PlatformAppendMenuItem(s.*item.popup, item.id, item.text, item.picture ? s.*item.picture : nullptr);
      if (item.grayed) PlatformEnableMenuItem(s.*item.popup, item.id, false);
    }
  }
}

}  // namespace

bool CreateProgramWindows() {
  AppState& s = appState;
  int screenWidth = 0;
  int screenHeight = 0;
  PlatformScreenSize(screenWidth, screenHeight);
  const int cx = screenWidth / 2;
  const int cy = screenHeight / 2;
  // All three windows' messages go to the one window procedure, which asks for the system's default processing
  // itself where it wants it.
  PlatformSetWindowProcedure(MainWindowProc);
  for (const WindowRow& row : WINDOWS) {
    if (!PlatformRegisterWindowClass(s.*row.className, row.backgroundBitmap)) return false;
    WindowSpec spec;
    spec.className = s.*row.className;
    spec.title = s.*row.className;
    spec.frame = row.frame;
    spec.x = cx + row.fromScreenCentre.x;
    spec.y = cy + row.fromScreenCentre.y;
    spec.width = row.fromScreenCentre.width;
    spec.height = row.fromScreenCentre.height;
    s.*row.handle = PlatformCreateWindow(spec);
  }
  CreateControls();
  s.currentBitmap = PlatformShowPicture(s.hwndAnimation, BMP_ANIMATION_IDLE);
  PlatformShowPicture(s.hwndStopHint, BMP_STOP_HINT);
  PlatformShowPicture(s.hwndStopHintZone, BMP_STOP_HINT_ZONE);
  BuildMenus();
  PlatformAttachMenu(s.hwndMain, s.menuBar);
  PlatformShowWindow(s.hwndMain, s.showCommand);
  PlatformHideWindow(s.hwndStopHint);
  return true;
}
