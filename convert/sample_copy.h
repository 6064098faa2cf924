// The sample copier: moves a converter's payload from its input to the
// output in large blocks, reordering or shifting the bytes of each unit on
// the way and leaving out every n-th unit where a format pads its blocks.
#pragma once

#include <cstdint>
#include <cstdio>

enum class UnitTransform {
  Unchanged,
  ReverseGroups,        // each group of groupSize bytes reversed (2: swap, 3, 4)
  AddSignBit,           // 128 added to every byte: signed to unsigned 8-bit
  AddWord807F,          // each little-endian 16-bit word plus 0x807F
  HighHalfThenSilence,  // b0 b1 b2 b3 -> b1 b0 00 00
};

struct CopyRule {
  std::int64_t dataOffset = 0;  // input offset of the first sample byte
  int unitSize = 1;             // 1, 2, 3, 4 or 6 bytes
  UnitTransform transform = UnitTransform::Unchanged;
  int groupSize = 2;  // for ReverseGroups
  // The copy runs while payloadBytes is greater than the bytes counted so far,
  // so the last unit may reach past it. Normally S minus dataOffset.
  std::int64_t payloadBytes = 0;
  // When non-zero, every dropEvery-th unit is read but not written.
  int dropEvery = 0;
};

// Number of bytes the copy writes for rule: whole units, less the dropped ones.
std::int64_t CopiedBytes(const CopyRule& rule);

// Copies the payload of in (positioned anywhere) to out's position. When the
// input ends inside the last unit, that unit is written whole, its missing
// bytes keeping the previous unit's values (zeros when there was none).
bool CopyPayload(std::FILE* in, std::FILE* out, const CopyRule& rule);
