// Test side of the headless backend: it records every platform request in
// order, answers open dialogs from a queue, and takes the program and
// Documents folders from whoever drives it (tests, the kvp front-end).
#pragma once

#include <string>
#include <vector>

#include "platform/platform.h"

struct PlatformCall {
  std::string role;    // "status", "beep", "sound-file", "list-add", ...
  std::string detail;  // the text, path, number or state the role was given
};

// Forgets every recorded call, queued answer, text and window.
void HeadlessReset(const std::string& programFilePath, const std::string& documentsFolder);
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

const std::vector<PlatformCall>& HeadlessCalls();
// Forgets the recorded calls; texts, lists and queued answers stay.
void HeadlessClearCalls();
// The calls of one role, in order, by detail.
std::vector<std::string> HeadlessCallsOf(const std::string& role);
std::vector<std::string> HeadlessListRows(WindowHandle list);
bool HeadlessMenuItemEnabled(MenuHandle menu, int commandId);
