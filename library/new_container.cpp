// Export > "Kvf (New_File)": the export window's "Export" button makes an
// empty container pair named as typed, beside the program.
#include "library/new_container.h"

#include <algorithm>
#include <cctype>

#include "io/file_io.h"
#include "library/container.h"
#include "state/app_state.h"
#include "state/commands.h"
#include "state/feedback.h"
#include "state/play_timer.h"

namespace {

// Windows refuses these names for files, with or without an extension.
bool IsDeviceName(const std::string& name) {
  std::string base = name.substr(0, name.find('.'));
  std::transform(base.begin(), base.end(), base.begin(), [](unsigned char c) { return std::toupper(c); });
  if (base == "CON" || base == "PRN" || base == "AUX" || base == "NUL") return true;
  return base.size() == 4 && (base.compare(0, 3, "COM") == 0 || base.compare(0, 3, "LPT") == 0) && base[3] >= '1' &&
         base[3] <= '9';
}

// A name that can only make a file in the program folder itself.
bool IsValidContainerName(const std::string& name) {
  if (name == "." || name == ".." || IsDeviceName(name)) return false;
  return std::none_of(name.begin(), name.end(), [](char c) {
    unsigned char u = static_cast<unsigned char>(c);
    return u < 0x20 || std::string("\\/:*?\"<>|").find(c) != std::string::npos;
  });
}

}  // namespace

void ReportNewContainerNameMissing() { ShowStatus("You must enter a name before a KorvelFile (.kvf)export can occur"); }

void ReportNewContainerExists() { ShowStatus("Export error - kvf filename already exists. . ."); }

void ReportNewContainerCreated() {
  ShowStatus("New KorvelFile ( " + appState.newContainerName +
             ".kvf ) has been exported to this program's directory . . .");
}

void ReportNewContainerNameInvalid() { ShowStatus("Export error - kvf filename is not valid. . ."); }

void CreateNewContainer() {
  AppState& s = appState;
  if (!s.newContainerPath.empty()) {
    s.newContainerPath.clear();
    s.newDatPath.clear();
  }
  std::string name = PlatformGetControlText(s.hwndExportWindow, IDC_EXPORT_NAME);
  if (name.empty()) {
    RefuseCommand();
    ReportNewContainerNameMissing();
    return;
  }
  s.newContainerPath = s.programDir + name + ".kvf";
  s.newDatPath = s.programDir + name + ".dat";
  PlatformSetControlText(s.hwndExportWindow, IDC_EXPORT_NAME, "");
  StopPlayAnimationIfRunning();
  if (!IsValidContainerName(name)) {
    RefuseCommand();
    ReportNewContainerNameInvalid();
    return;
  }
  // A name list without its data file is somebody's names: never overwritten.
  if (FileReadable(s.newContainerPath) || FileReadable(s.newDatPath)) {
    RefuseCommand();
    ReportNewContainerExists();
    return;
  }
  CreateEmptyContainerFiles();
  if (s.containerFilesWritten != 1) {
    RefuseCommand();
    ShowStatus(MSG_CREATION_FAILED);
    return;
  }
  s.newContainerName = name;
  ReportNewContainerCreated();
  PlatformHideWindow(s.hwndExportWindow);
}
