// Driver's side of the headless backend: it keeps the windows' texts and
// lists, answers open dialogs from a queue, and takes the program and
// Documents folders from whoever drives it (tests, the kvp front-end). It
// records every platform request in order for the tests, and tells a listener
// (the console backend) of what the program shows as it shows it.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/platform.h"

struct PlatformCall {
  std::string role;    // "status", "beep", "sound-file", "list-add", ...
  std::string detail;  // the text, path, number or state the role was given
};

// Told of each platform request that shows the user something, after the
// backend has taken it in.
class HeadlessListener {
 public:
  virtual ~HeadlessListener() = default;
  virtual void WindowTextSet(WindowHandle window, const std::string& text) = 0;
  virtual void MessageBoxShown(const std::string& text, const std::string& caption) = 0;
  virtual void Beeped(BeepKind kind) = 0;
  // The wave file handed to the sound service, whether or not it could be opened.
  virtual void SoundFileHandedOver(const std::string& path) = 0;
};

// Forgets every recorded call, queued answer, text, window and the listener.
void HeadlessReset(const std::string& programFilePath, const std::string& documentsFolder);
// Everything the backend holds, as one record: a copy of it, and putting a copy back. A host that starts the
// program again and again on the same folders starts it once and goes back to the copy.
struct HeadlessState;
std::shared_ptr<const HeadlessState> HeadlessCopyState();
void HeadlessRestoreState(const HeadlessState& copy);
// Queues the answer of the next open dialog; an empty answer is Cancel.
void HeadlessQueueDialogAnswer(const std::string& path);
// Selects a row of a list, as a click would, before the notification is sent.
void HeadlessSelectRow(WindowHandle list, int row);

// The screen the windows are placed on (1024 x 768 unless set).
void HeadlessSetScreenSize(int width, int height);
// Makes the registration of that window class fail.
void HeadlessRefuseWindowClass(const std::string& className);
// Whether there is a sound output to answer format queries (there is unless set).
void HeadlessSetSoundOutput(bool present);
// The one listener told of the requests from now on; null for none.
void HeadlessSetListener(HeadlessListener* listener);
// Whether requests are recorded from now on; they are after a reset. A driver that reads no record turns it off.
void HeadlessRecordCalls(bool record);

const std::vector<PlatformCall>& HeadlessCalls();
// Forgets the recorded calls; texts, lists and queued answers stay.
void HeadlessClearCalls();
// The calls of one role, in order, by detail.
std::vector<std::string> HeadlessCallsOf(const std::string& role);
// The rows a list holds, until the next call that changes it.
const std::vector<std::string>& HeadlessListRows(WindowHandle list);
bool HeadlessMenuItemEnabled(MenuHandle menu, int commandId);
