// libkorvel_probe.dll: Wine reads menus only in the process that made them, so the driver hooks this into the
// program's thread; at a WM_NULL it writes the menu bar into the file KORVEL_MENU_BAR names: "P text" a popup,
// "text|id|grayed/checked" an item.
#include <windows.h>

#include <cstdlib>
#include <fstream>
#include <string>

extern "C" __declspec(dllexport) LRESULT CALLBACK KorvelProbeHook(int code, WPARAM wParam, LPARAM lParam) {
  const CWPSTRUCT* message = reinterpret_cast<const CWPSTRUCT*>(lParam);
  HMENU bar = code == HC_ACTION && message->message == WM_NULL ? GetMenu(message->hwnd) : nullptr;
  std::ofstream out(bar != nullptr ? std::getenv("KORVEL_MENU_BAR") : "", std::ios::binary);  // "": none
  char text[256];
  auto textOf = [&](HMENU menu, int i) { return std::string(text, GetMenuStringA(menu, i, text, 256, MF_BYPOSITION)); };
  for (int p = 0; out && p < GetMenuItemCount(bar); ++p) {
    HMENU popup = GetSubMenu(bar, p);
    out << "P " << textOf(bar, p) << "\n";
    for (int i = 0; i < GetMenuItemCount(popup); ++i)
      out << textOf(popup, i) << "|" << GetMenuItemID(popup, i) << "|"
          << (GetMenuState(popup, i, MF_BYPOSITION) & (MF_GRAYED | MF_CHECKED)) << "\n";
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}
