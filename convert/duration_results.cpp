#include "convert/duration_results.h"

#include <cmath>
#include <cstdint>
#include <limits>
#include <sstream>

#include "state/app_state.h"

namespace {

constexpr std::uint32_t LARGEST_DURATION_MS = 4294967u * 1000u;  // whole seconds within 32 bits
constexpr std::size_t SHORTEST_SHOWN_DURATION = 2;

}  // namespace

double Quotient(double numerator, double divisor) {
  return divisor == 0 ? std::numeric_limits<double>::quiet_NaN() : numerator / divisor;
}

std::string FormatDuration(double seconds) {
  std::ostringstream text;
  text << seconds;
  return text.str();
}

void SetDurationResults(const ConversionTarget& target, double seconds) {
  AppState& s = appState;
  s.durationSeconds = seconds;
  double whole = std::trunc(seconds);
  s.durationMs = whole >= LARGEST_DURATION_MS / 1000 ? LARGEST_DURATION_MS
                 : whole > 0                         ? static_cast<std::uint32_t>(whole) * 1000u
                                                     : 0u;
  if (target.stored) {
    s.replayDurationMs = s.durationMs;
    s.durationText = FormatDuration(seconds);
  }
}

void CutDurationTextForStatus() {
  std::string& text = appState.durationText;
  if (text.size() > DURATION_TEXT_KEEP) text.resize(DURATION_TEXT_KEEP);
  if (text.size() < SHORTEST_SHOWN_DURATION) text = "unknown";
}
