#include "app/kept_start.h"

void StartOrGoBack(KeptStart& kept, const std::string& folders, const std::function<void()>& start) {
  if (kept.platform != nullptr && kept.folders == folders) {
    HeadlessRestoreState(*kept.platform);
    appState = kept.state;
    return;
  }
  start();
  kept.folders = folders;
  kept.state = appState;
  kept.platform = HeadlessCopyState();
}
