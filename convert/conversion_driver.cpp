#include "convert/conversion_driver.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <vector>

#include "convert/duration_results.h"

bool OpenConversionInput(const ConversionTarget& target, ConversionInput& input) {
  input.file = OpenStream(target.source, "rb");
  input.size = input.file ? MeasureStream(input.file.get()) : -1;
  if (input.size < 0 || input.size > INT32_MAX) {
    input.file.reset();
    ReportUnsupported(target);
    return false;
  }
  std::fill(std::begin(input.head), std::end(input.head), 0);
  ReadBytes(input.file.get(), input.head, HEAD_BYTES);
  return true;
}

CopyRule CopyToEnd(const ConversionInput& input, std::int64_t offset, int unitSize, UnitTransform transform) {
  CopyRule rule;
  rule.dataOffset = offset;
  rule.unitSize = unitSize;
  rule.transform = transform;
  rule.payloadBytes = input.size - offset;
  return rule;
}

void RunConversion(const ConversionTarget& target, ConversionInput& input, const ConversionPlan& plan) {
  if (input.size < plan.copy.dataOffset || !std::isfinite(plan.durationSeconds) || plan.durationSeconds < 0) {
    ReportUnsupported(target);
    return;
  }
  Stream output = OpenStream(target.output, "wb");
  if (!output) {
    ReportUnsupported(target);
    return;
  }
  std::vector<unsigned char> header = EncodeWaveHeader(plan.header);
  bool written = WriteBytes(output.get(), header.data(), header.size()) &&
                 CopyPayload(input.file.get(), output.get(), plan.copy) && CloseStream(output);
  if (!written) {
    // A half-written wave must not be played as if it were this input.
    output.reset();
    RemoveFile(target.output);
    ReportUnsupported(target);
    return;
  }
  SetDurationResults(target, plan.durationSeconds);
  if (plan.reportFailure) ReportUnsupported(target);
}
