#include "platform/console.h"

#include "platform/headless.h"

namespace {

struct ConsoleState {
  WindowHandle statusBox = nullptr;
  std::ostream* out = nullptr;
  std::ostream* err = nullptr;
  bool statusTextsShown = true;
  bool defaultBeep = false;
  bool asteriskBeep = false;
  std::string lastText;
  std::string handedWave;
};

ConsoleState& State() {
  static ConsoleState state;
  return state;
}

class ConsoleListener final : public HeadlessListener {
 public:
  void WindowTextSet(WindowHandle window, const std::string& text) override {
    ConsoleState& s = State();
    if (window != s.statusBox) return;
    s.lastText = text;
    if (s.statusTextsShown && !text.empty()) *s.out << text << "\n";
  }

  void MessageBoxShown(const std::string& text, const std::string& caption) override {
    ConsoleState& s = State();
    s.lastText = caption + ": " + text;
    *s.err << s.lastText << "\n";
  }

  void Beeped(BeepKind kind) override {
    bool& heard = kind == BeepKind::Default ? State().defaultBeep : State().asteriskBeep;
    heard = true;
  }

  void SoundFileHandedOver(const std::string& path) override { State().handedWave = path; }
};

ConsoleListener listener;

}  // namespace

void ConsoleAttach(WindowHandle statusBox, std::ostream& out, std::ostream& err) {
  State() = ConsoleState{};
  State().statusBox = statusBox;
  State().out = &out;
  State().err = &err;
  HeadlessSetListener(&listener);
}

void ConsoleDetach() {
  HeadlessSetListener(nullptr);
  State() = ConsoleState{};
}

void ConsoleShowStatusTexts(bool shown) { State().statusTextsShown = shown; }

void ConsoleForgetNoted() {
  ConsoleState& s = State();
  s.defaultBeep = false;
  s.asteriskBeep = false;
  s.lastText.clear();
  s.handedWave.clear();
}

bool ConsoleBeeped(BeepKind kind) { return kind == BeepKind::Default ? State().defaultBeep : State().asteriskBeep; }

std::string ConsoleLastText() { return State().lastText; }

std::string ConsoleHandedWave() { return State().handedWave; }

void ConsolePrintRows(WindowHandle list) {
  for (const std::string& row : HeadlessListRows(list)) *State().out << row << "\n";
}

void ConsolePrintStatusBox() { *State().out << PlatformGetWindowText(State().statusBox) << "\n"; }
