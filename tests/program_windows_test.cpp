// The windows, controls and menus that start-up creates, as the platform
// layer is asked for them.
#include "platform/headless.h"
#include "shell/app_state.h"
#include "shell/commands.h"
#include "shell/program_windows.h"
#include "tests/test_support.h"

namespace {

using Strings = std::vector<std::string>;

// The calls' details without their leading handle number.
Strings DetailsOf(const std::string& role) {
  Strings details;
  for (const std::string& detail : HeadlessCallsOf(role)) details.push_back(detail.substr(detail.find(' ') + 1));
  return details;
}

// Start-up without its windows: each test creates them itself.
class ProgramWindowsTest : public ProgramTest {
 protected:
  void SetUp() override {
    ProgramTest::SetUp();
    HeadlessReset(programFolder + PATH_SEPARATOR + "Korvel_Player.exe", documentsFolder);
    InitializeAppState();
    SetUpProgramPaths();
    HeadlessClearCalls();
  }
};

TEST_F(ProgramWindowsTest, WindowsArePlacedFromTheScreenCentre) {
  HeadlessSetScreenSize(1280, 601);  // cx 640, cy 300: the export window starts above the screen
  ASSERT_TRUE(CreateProgramWindows());
  EXPECT_EQ(HeadlessCallsOf("class-register"),
            (Strings{"Korvel_Player  (1.0.4.18) 800", " Korvel_File - Export 700", " Quick Start - Help 420"}));
  EXPECT_EQ(DetailsOf("window-create"),
            (Strings{"Korvel_Player  (1.0.4.18)|Korvel_Player  (1.0.4.18)|main|390,100,500,387",
                     " Korvel_File - Export| Korvel_File - Export|dialog|660,-30,300,100",
                     " Quick Start - Help| Quick Start - Help|dialog|922,100,300,220"}));
}

TEST_F(ProgramWindowsTest, ControlsInTheirOrderPlaceAndStyle) {
  ASSERT_TRUE(CreateProgramWindows());
  const std::string main = std::to_string(reinterpret_cast<std::uintptr_t>(appState.hwndMain));
  const std::string exportWindow = std::to_string(reinterpret_cast<std::uintptr_t>(appState.hwndExportWindow));
  const std::string quick = std::to_string(reinterpret_cast<std::uintptr_t>(appState.hwndQuickStart));
  const std::string button = std::to_string(CONTROL_PUSH_BUTTON);
  Strings expected = {
      "EDIT||300|" + exportWindow + "|15,20,150,24|0|gui-font|edge",
      "BUTTON|Export|900|" + exportWindow + "|176,20,52,24|" + button + "|gui-font|no-edge",
      "BUTTON|Cancel|3900|" + exportWindow + "|230,20,52,24|" + button + "|gui-font|no-edge",
      "BUTTON|Close|4300|" + quick + "|120,168,36,20|" + button + "|gui-font|no-edge",
      "BUTTON|-->|1300|" + main + "|227,150,30,24|" + button + "|system-font|no-edge",
      "BUTTON|<--|1400|" + main + "|115,150,30,24|" + button + "|system-font|no-edge",
      "BUTTON|Replay|1500|" + main + "|169,150,56,24|" + button + "|gui-font|no-edge",
      "BUTTON|[]|2100|" + main + "|147,150,20,24|" + button + "|gui-font|no-edge",
      "BUTTON|Clr MsgBox|1600|" + main + "|390,228,90,54|" + button + "|gui-font|no-edge",
      "BUTTON|Set ID#|1900|" + main + "|390,291,50,24|" + button + "|gui-font|no-edge",
      "EDIT|0|1800|" + main + "|444,292,36,24|" + std::to_string(CONTROL_DIGITS_ONLY | CONTROL_CENTERED) +
          "|gui-font|edge",
      "EDIT||2000|" + main + "|75,230,278,52|" + std::to_string(CONTROL_STATUS_TEXT) + "|gui-font|edge",
      "LISTBOX||2200|" + main + "|75,286,278,36|" + std::to_string(CONTROL_LIST) + "|gui-font|edge",
      "STATIC||1000|" + main + "|24,9,331,337|" + std::to_string(CONTROL_PICTURE) + "|system-font|no-edge",
      "STATIC||220|" + main + "|160,186,27,16|" + std::to_string(CONTROL_PICTURE) + "|system-font|no-edge",
      "STATIC||320|" + main + "|145,174,24,18|" + std::to_string(CONTROL_PICTURE) + "|system-font|no-edge",
  };
  EXPECT_EQ(DetailsOf("control-create"), expected);
  EXPECT_EQ(PlatformGetControlText(appState.hwndExportWindow, IDC_EXPORT_NAME), "Type_in_desired_name");
  EXPECT_EQ(HeadlessCallsOf("picture"), (Strings{"2300", "220", "320"}));
}

TEST_F(ProgramWindowsTest, MenusWithTheirTextsPicturesAndGrayedItems) {
  ASSERT_TRUE(CreateProgramWindows());
  EXPECT_EQ(HeadlessCallsOf("menu-popup"), (Strings{"File", "Wavs", "Export", "Options", "Share", "Help"}));
  Strings loaded = HeadlessCallsOf("bitmap-load");
  ASSERT_EQ(loaded.size(), 6u);
  auto handleOf = [&](int bitmap) {
    for (const std::string& call : loaded) {
      if (call.rfind(std::to_string(bitmap) + " ", 0) == 0) return call.substr(call.find(' ') + 1);
    }
    return std::string("missing");
  };
  Strings expected = {
      "200|  Load_KVF|" + handleOf(24),           "100|   Add_Wav|" + handleOf(32),
      "1100|   Play_Wav|" + handleOf(32),         "1200|   Wav (Current)|" + handleOf(48),
      "1700|   Wav (En_Mass)|" + handleOf(56),    "3800|   Kvf (New_File)|" + handleOf(40),
      "4100|   Wav (External)|" + handleOf(32),   "3600|   Save as Pcm|" + handleOf(32),
      "3700|   Save as Org|" + handleOf(40),      "4150|   Save in Documents|" + handleOf(120),
      "4200|   Save in Default Loc|" + handleOf(120), "4000|   Kvf/Dat (Current)|" + handleOf(120),
      "500|  Help_Files|none",                    "4250|  Quik_Start|none",
  };
  EXPECT_EQ(HeadlessCallsOf("menu-item"), expected);
  EXPECT_EQ(HeadlessCallsOf("menu-enable"), (Strings{"100 off", "1200 off", "1700 off", "4000 off"}));
  EXPECT_TRUE(HeadlessMenuItemEnabled(appState.menuWavs, CMD_PLAY_EXTERNAL));
  EXPECT_FALSE(HeadlessMenuItemEnabled(appState.menuShare, CMD_SHARE_CURRENT));
  // The main window is shown last of all, and then the stop hint hidden.
  const std::vector<PlatformCall>& calls = HeadlessCalls();
  ASSERT_GE(calls.size(), 2u);
  EXPECT_EQ(calls[calls.size() - 2].role, "window-show");
  EXPECT_EQ(calls.back().role, "window-hide");
}

TEST_F(ProgramWindowsTest, RefusedClassStopsStartUp) {
  HeadlessRefuseWindowClass(" Korvel_File - Export");
  EXPECT_FALSE(CreateProgramWindows());
  EXPECT_EQ(HeadlessCallsOf("window-create").size(), 1u);
  EXPECT_TRUE(HeadlessCallsOf("window-show").empty());
}

}  // namespace
