// The conversion frame, whole: what a format module builds a converter from.
// The program's own files include the parts they use; this header gathers
// them for code that wants the frame as one.
#pragma once

#include "convert/conversion_driver.h"
#include "convert/conversion_target.h"
#include "convert/duration_results.h"
#include "convert/sample_copy.h"
#include "convert/wave_header.h"
