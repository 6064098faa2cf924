// The durations a conversion reports, and the forms they are shown in.
#pragma once

#include <cstddef>
#include <string>

#include "convert/conversion_target.h"

// numerator / divisor, or NaN for a zero divisor (the frame then refuses the input).
double Quotient(double numerator, double divisor);
// durationSeconds in the standard stream's default form: six significant digits.
std::string FormatDuration(double seconds);
// durationSeconds, durationMs and, for stored entries, replayDurationMs and durationText.
void SetDurationResults(const ConversionTarget& target, double seconds);

// The status line shows at most this many characters of a stored entry's duration.
constexpr std::size_t DURATION_TEXT_KEEP = 6;
// Cuts durationText to DURATION_TEXT_KEEP characters; a text shorter than
// two, as a failure leaves it, becomes "unknown".
void CutDurationTextForStatus();
