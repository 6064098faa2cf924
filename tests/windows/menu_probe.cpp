// korvel_probe.dll: Wine reads menus only in the process that made them, so the driver hooks this into the
// program's thread; it writes the menu bar into shared memory: "P text" a popup, "text|id|grayed/checked" an item.
#include <windows.h>
#include <string>

extern "C" __declspec(dllexport) LRESULT CALLBACK KorvelProbeHook(int code, WPARAM wParam, LPARAM lParam) {
  static const UINT dumpMessage = RegisterWindowMessageA("KorvelDriver.DumpMenu");
  const CWPSTRUCT* message = reinterpret_cast<const CWPSTRUCT*>(lParam);
  if (code != HC_ACTION || message->message != dumpMessage) return CallNextHookEx(nullptr, code, wParam, lParam);
  std::string out;
  char text[256];
  auto textOf = [&](HMENU menu, int i) { return std::string(text, GetMenuStringA(menu, i, text, 256, MF_BYPOSITION)); };
  HMENU bar = GetMenu(message->hwnd);
  for (int p = 0; p < GetMenuItemCount(bar); ++p) {
    HMENU popup = GetSubMenu(bar, p);
    out += "P " + textOf(bar, p) + "\n";
    for (int i = 0; i < GetMenuItemCount(popup); ++i)
      out += textOf(popup, i) + "|" + std::to_string(GetMenuItemID(popup, i)) + "|" +
             std::to_string(GetMenuState(popup, i, MF_BYPOSITION) & (MF_GRAYED | MF_CHECKED)) + "\n";
  }
  HANDLE mapping = OpenFileMappingA(FILE_MAP_WRITE, FALSE, "KorvelDriverMenuDump");
  if (char* view = mapping ? static_cast<char*>(MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, 0)) : nullptr) {
    lstrcpynA(view, out.c_str(), 65536);
    UnmapViewOfFile(view);
  }
  if (mapping) CloseHandle(mapping);
  return CallNextHookEx(nullptr, code, wParam, lParam);
}
