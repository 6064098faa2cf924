// Start-up's platform calls that the Windows driver cannot see: bitmaps behind windows and menu items, system-font
// controls (Wine answers WM_GETFONT across processes with 0), placement from the screen centre, a refused class.
#include <map>
#include <regex>

#include "shell/program_windows.h"
#include "tests/test_support.h"

using ProgramWindowsTest = ProgramTest;

// Start-up again, twice: a refused class stops it before any window is shown; then the windows are made.
TEST_F(ProgramWindowsTest, RefusedClassBitmapsFontsAndPlacesFromTheScreenCentre) {
  for (bool refused : {true, false}) {
    StartProgram(programFolder, documentsFolder, false);
    if (refused) HeadlessRefuseWindowClass(" Korvel_File - Export");
    HeadlessSetScreenSize(1280, 601);  // cx 640, cy 300: the export window starts above the screen
    ASSERT_EQ(CreateProgramWindows(), !refused);
    EXPECT_EQ(HeadlessCallsOf("window-create").size(), refused ? 1u : 3u);
    EXPECT_EQ(HeadlessCallsOf("window-show").size(), refused ? 0u : 1u);
  }

  EXPECT_EQ(HeadlessCallsOf("class-register"), (Strings{"Korvel_Player  (" KORVEL_VERSION ") 800",
                                                        " Korvel_File - Export 700", " Quick Start - Help 420"}));
  Strings found;  // window places, then the controls in the system font ("class|text|id"), then each menu item's bitmap
  for (const std::string& call : HeadlessCallsOf("window-create")) found.push_back(call.substr(call.rfind('|') + 1));
  const std::regex font(" ([^|]*\\|[^|]*\\|[^|]*)\\|.*\\|system-font\\|");
  for (const std::string& call : HeadlessCallsOf("control-create"))
    if (std::smatch m; std::regex_search(call, m, font)) found.push_back(m[1]);
  std::map<std::string, std::string> bitmapOf = {{"none", "none"}};  // a loaded handle: the bitmap number
  for (const std::string& load : HeadlessCallsOf("bitmap-load"))
    bitmapOf[load.substr(load.find(' ') + 1)] = load.substr(0, load.find(' '));
  for (const std::string& item : HeadlessCallsOf("menu-item"))
    found.push_back(item.substr(0, item.find('|')) + " " + bitmapOf[item.substr(item.rfind('|') + 1)]);
  EXPECT_EQ(found,
            (Strings{"390,100,500,387", "660,-30,300,100", "922,100,300,220", "BUTTON|-->|1300", "BUTTON|<--|1400",
                     "STATIC||1000",    "STATIC||220",     "STATIC||320",     "200 24",          "100 32",
                     "1100 32",         "1200 48",         "1700 56",         "3800 40",         "4100 32",
                     "3600 32",         "3700 40",         "4150 120",        "4200 120",        "4000 120",
                     "500 none",        "4250 none"}));
  EXPECT_EQ(HeadlessCallsOf("picture"), (Strings{"2300", "220", "320"}));
}
