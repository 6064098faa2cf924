// What the status line shows of a stored entry's duration.
#pragma once

#include <cstddef>

// The status line shows at most this many characters of the duration.
constexpr std::size_t DURATION_TEXT_KEEP = 6;

// Cuts durationText to DURATION_TEXT_KEEP characters; a text shorter than
// two, as a failure leaves it, becomes "unknown".
void CutDurationTextForStatus();
