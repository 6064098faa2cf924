// The durations a conversion reports, and the forms they are shown in.
#pragma once

#include <string>

#include "convert/conversion_target.h"

// numerator / divisor, or NaN for a zero divisor (the frame then refuses the input).
double Quotient(double numerator, double divisor);
// durationSeconds in the standard stream's default form: six significant digits.
std::string FormatDuration(double seconds);
// durationSeconds, durationMs and, for stored entries, replayDurationMs and durationText.
void SetDurationResults(const ConversionTarget& target, double seconds);
