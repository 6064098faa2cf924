#include "convert/duration_text.h"

#include "state/app_state.h"

namespace {

constexpr std::size_t SHORTEST_SHOWN_DURATION = 2;

}  // namespace

void CutDurationTextForStatus() {
  std::string& text = appState.durationText;
  if (text.size() > DURATION_TEXT_KEEP) text.resize(DURATION_TEXT_KEEP);
  if (text.size() < SHORTEST_SHOWN_DURATION) text = "unknown";
}
