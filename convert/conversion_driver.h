// The conversion driver. A foreign sound file becomes a RIFF/WAVE file
// without decoding: a format module reads a few header fields at fixed
// offsets and describes the output in a plan (a WAVE header of one of three
// families and a copy rule for the sample bytes); the driver measures the
// input, writes the header, moves the samples in large blocks and sets the
// result fields. A failure writes nothing and leaves the duration fields as
// they were.
//
// S is the input's size in bytes. Output sizes and durations come from S,
// never from the input's own size fields, so they include the input header.
#pragma once

#include <cstdint>

#include "convert/conversion_target.h"
#include "convert/sample_copy.h"
#include "convert/wave_header.h"
#include "io/file_io.h"

// Bytes of the input's start that a module may read fields from; fields past
// the end of a short input read as zero.
constexpr std::size_t HEAD_BYTES = 64;

struct ConversionInput {
  Stream file;
  std::int64_t size = 0;  // S
  unsigned char head[HEAD_BYTES] = {};
};

struct ConversionPlan {
  WaveHeader header;
  CopyRule copy;
  double durationSeconds = 0;
  // The output is written and the durations set, yet the conversion is still
  // reported as failed (a VOC time constant missing from its table, say).
  bool reportFailure = false;
};

// Opens and measures the source; false (and the failure reported) when it
// cannot be opened or is too large for 32-bit sizes.
bool OpenConversionInput(const ConversionTarget& target, ConversionInput& input);
// Writes the output that plan describes and sets the result fields. An input
// shorter than the data offset, an undefined duration, or an output that
// cannot be written is reported as unsupported instead.
void RunConversion(const ConversionTarget& target, ConversionInput& input, const ConversionPlan& plan);
// The payload rule most formats use: from offset to the end of the input.
CopyRule CopyToEnd(const ConversionInput& input, std::int64_t offset, int unitSize,
                   UnitTransform transform = UnitTransform::Unchanged);
