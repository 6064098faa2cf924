// korvel_probe.dll: a window-procedure hook that the driver places on the
// program's interface thread. Menus are objects of the process that made
// them, and some systems (Wine among them) refuse to read them from another
// process; inside the program's process the hook reads the main window's
// menu bar and writes it as text into shared memory named by the driver.
//
// Text layout, one line per entry, fields separated by tabs:
//   P <tab> popup text
//   I <tab> command number <tab> GetMenuState flags <tab> item text
#include <windows.h>

#include <string>

namespace {

constexpr const char* kDumpMessageName = "KorvelDriver.DumpMenu";
constexpr const char* kSharedMemoryName = "KorvelDriverMenuDump";
constexpr DWORD kSharedMemorySize = 64 * 1024;

std::string MenuText(HMENU menu, UINT position) {
  char text[256] = {};
  GetMenuStringA(menu, position, text, sizeof text, MF_BYPOSITION);
  return text;
}

std::string DescribeMenuBar(HWND window) {
  std::string out;
  HMENU bar = GetMenu(window);
  if (bar == nullptr) return "E\tno menu bar\n";
  const int popups = GetMenuItemCount(bar);
  for (int p = 0; p < popups; ++p) {
    out += "P\t" + MenuText(bar, static_cast<UINT>(p)) + "\n";
    HMENU popup = GetSubMenu(bar, p);
    const int items = popup != nullptr ? GetMenuItemCount(popup) : 0;
    for (int i = 0; i < items; ++i) {
      const UINT id = GetMenuItemID(popup, i);
      const UINT state = GetMenuState(popup, static_cast<UINT>(i), MF_BYPOSITION);
      out += "I\t" + std::to_string(static_cast<int>(id)) + "\t" + std::to_string(state) + "\t" +
             MenuText(popup, static_cast<UINT>(i)) + "\n";
    }
  }
  return out;
}

void WriteDump(const std::string& text) {
  HANDLE mapping = OpenFileMappingA(FILE_MAP_WRITE, FALSE, kSharedMemoryName);
  if (mapping == nullptr) return;
  if (void* view = MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, kSharedMemorySize)) {
    const std::size_t length = text.size() < kSharedMemorySize - 1 ? text.size() : kSharedMemorySize - 1;
    char* bytes = static_cast<char*>(view);
    CopyMemory(bytes, text.data(), length);
    bytes[length] = '\0';
    UnmapViewOfFile(view);
  }
  CloseHandle(mapping);
}

}  // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK KorvelProbeHook(int code, WPARAM wParam, LPARAM lParam) {
  static const UINT dumpMessage = RegisterWindowMessageA(kDumpMessageName);
  if (code == HC_ACTION) {
    const CWPSTRUCT* message = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (message->message == dumpMessage) WriteDump(DescribeMenuBar(message->hwnd));
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
