// Every converted byte passes through these loops. CMakeLists.txt compiles
// this file at -O3 so that the word loops are vectorised and a conversion
// costs about what a plain copy costs.
#include "convert/sample_copy.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#endif

#include "io/file_io.h"

namespace {

// Values in memory order of a little-endian word, on any host.
template <typename Word>
Word FromLittleEndian(Word w) {
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
  Word swapped = 0;
  for (std::size_t i = 0; i < sizeof(Word); ++i) swapped = static_cast<Word>((swapped << 8) | ((w >> (8 * i)) & 0xFF));
  return swapped;
#else
  return w;
#endif
}

// Replaces each whole word of the buffer by op(word), in memory order.
template <typename Word, typename Op>
inline __attribute__((always_inline)) void ForEachWord(unsigned char* bytes, std::size_t size, Op op) {
  for (std::size_t i = 0; i + sizeof(Word) <= size; i += sizeof(Word)) {
    Word w;
    std::memcpy(&w, bytes + i, sizeof(Word));
    w = op(w);
    std::memcpy(bytes + i, &w, sizeof(Word));
  }
}

// Applies the rule's transform to whole units in place. The loops work on
// 16- and 32-bit words so that the compiler can vectorise them.
inline __attribute__((always_inline)) void TransformUnitsBody(unsigned char* bytes, std::size_t size,
                                                              const CopyRule& rule) {
  switch (rule.transform) {
    case UnitTransform::Unchanged:
      break;
    case UnitTransform::ReverseGroups:
      if (rule.groupSize == 2) {
        ForEachWord<std::uint16_t>(bytes, size,
                                   [](std::uint16_t w) { return static_cast<std::uint16_t>((w << 8) | (w >> 8)); });
      } else if (rule.groupSize == 4) {
        ForEachWord<std::uint32_t>(bytes, size, [](std::uint32_t w) {
          return (w >> 24) | ((w >> 8) & 0xFF00u) | ((w << 8) & 0xFF0000u) | (w << 24);
        });
      } else {
        const std::size_t g = static_cast<std::size_t>(rule.groupSize);
        for (std::size_t i = 0; i + g <= size; i += g) std::swap(bytes[i], bytes[i + g - 1]);
      }
      break;
    case UnitTransform::AddSignBit:
      for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<unsigned char>(bytes[i] ^ 0x80);
      break;
    case UnitTransform::AddWord807F:
      ForEachWord<std::uint16_t>(bytes, size, [](std::uint16_t w) {
        return FromLittleEndian(static_cast<std::uint16_t>(FromLittleEndian(w) + 0x807Fu));
      });
      break;
    case UnitTransform::HighHalfThenSilence:
      // b0 b1 b2 b3 -> b1 b0 00 00
      ForEachWord<std::uint32_t>(bytes, size, [](std::uint32_t w) {
        w = FromLittleEndian(w);
        return FromLittleEndian(((w & 0xFFu) << 8) | ((w >> 8) & 0xFFu));
      });
      break;
  }
}

void TransformUnitsGeneric(unsigned char* bytes, std::size_t size, const CopyRule& rule) {
  TransformUnitsBody(bytes, size, rule);
}

#if defined(__x86_64__) && defined(__GNUC__)
// The same loops compiled for AVX2, chosen at run time on processors that
// have it. The two reorderings the compiler cannot vectorise by itself (3-byte
// groups, the 32-bit high half) use byte shuffles, 16 bytes at a time.
__attribute__((target("avx2"))) void TransformUnitsAvx2(unsigned char* bytes, std::size_t size, const CopyRule& rule) {
  std::size_t done = 0;
  if (rule.transform == UnitTransform::ReverseGroups && rule.groupSize == 3) {
    // Five 3-byte groups per step; lane 15 keeps its byte, the next step's first.
    const __m128i order = _mm_setr_epi8(2, 1, 0, 5, 4, 3, 8, 7, 6, 11, 10, 9, 14, 13, 12, 15);
    // Each step loads the next 16 bytes before storing, so no load waits on
    // the overlapping store before it.
    if (size >= 16) {
      __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes));
      for (; done + 31 <= size; done += 15) {
        __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + done + 15));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(bytes + done), _mm_shuffle_epi8(v, order));
        v = next;
      }
      _mm_storeu_si128(reinterpret_cast<__m128i*>(bytes + done), _mm_shuffle_epi8(v, order));
      done += 15;
    }
  } else if (rule.transform == UnitTransform::HighHalfThenSilence) {
    const __m128i order = _mm_setr_epi8(1, 0, -1, -1, 5, 4, -1, -1, 9, 8, -1, -1, 13, 12, -1, -1);
    for (; done + 16 <= size; done += 16) {
      __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + done));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(bytes + done), _mm_shuffle_epi8(v, order));
    }
  }
  TransformUnitsBody(bytes + done, size - done, rule);
}
#endif

void TransformUnits(unsigned char* bytes, std::size_t size, const CopyRule& rule) {
#if defined(__x86_64__) && defined(__GNUC__)
  static const bool hasAvx2 = __builtin_cpu_supports("avx2");
  if (hasAvx2) return TransformUnitsAvx2(bytes, size, rule);
#endif
  TransformUnitsGeneric(bytes, size, rule);
}

// Removes every dropEvery-th unit, moving the runs between them down;
// unitIndex counts units across blocks.
std::size_t DropUnits(unsigned char* bytes, std::size_t size, const CopyRule& rule, std::int64_t& unitIndex) {
  const std::size_t unit = static_cast<std::size_t>(rule.unitSize);
  std::size_t kept = 0;
  std::size_t i = 0;
  // The 24-bit block layout (16 units of 2 bytes, the last dropped) moves
  // 30 bytes per block; a fixed-size move is much cheaper than a variable one.
  constexpr std::size_t BLOCK = 32;
  constexpr std::size_t KEEP = 30;
  if (unit * static_cast<std::size_t>(rule.dropEvery) == BLOCK && unit == 2 && unitIndex % rule.dropEvery == 0) {
    // Each block is moved whole through a temporary; its last two bytes land
    // where the next block's first ones go, or past what is kept.
    for (; i + BLOCK <= size; i += BLOCK) {
      unsigned char moved[BLOCK];
      std::memcpy(moved, bytes + i, BLOCK);
      std::memcpy(bytes + kept, moved, BLOCK);
      kept += KEEP;
    }
    unitIndex += static_cast<std::int64_t>(i / unit);
  }
  while (i < size) {
    std::size_t keepUnits = static_cast<std::size_t>(rule.dropEvery - 1 - unitIndex % rule.dropEvery);
    std::size_t run = std::min(keepUnits * unit, size - i);
    std::memmove(bytes + kept, bytes + i, run);
    kept += run;
    i += run;
    unitIndex += static_cast<std::int64_t>(run / unit);
    if (i < size) {
      i += unit;
      ++unitIndex;
    }
  }
  return kept;
}

std::int64_t UnitCount(const CopyRule& rule) {
  return rule.payloadBytes <= 0 ? 0 : (rule.payloadBytes + rule.unitSize - 1) / rule.unitSize;
}

}  // namespace

std::int64_t CopiedBytes(const CopyRule& rule) {
  std::int64_t units = UnitCount(rule);
  if (rule.dropEvery > 0) units -= units / rule.dropEvery;
  return units * rule.unitSize;
}

bool CopyPayload(std::FILE* in, std::FILE* out, const CopyRule& rule) {
  const std::size_t unit = static_cast<std::size_t>(rule.unitSize);
  std::int64_t remaining = UnitCount(rule) * rule.unitSize;  // input bytes the units span
  if (remaining == 0) return true;
  if (!SeekStream(in, rule.dataOffset)) return false;
  std::unique_ptr<unsigned char[]> block = NewIoBlock(remaining);
  std::vector<unsigned char> previous(unit, 0);  // raw bytes of the last unit read
  std::int64_t unitIndex = 0;
  while (remaining > 0) {
    std::size_t want = IoBlockBytes(remaining);
    std::size_t got = ReadBytes(in, block.get(), want);
    if (got < want) {
      // Only the last unit may be cut short by the end of the input.
      if (want - got >= unit || static_cast<std::int64_t>(want) != remaining) return false;
      std::size_t lastUnit = want - unit;
      if (lastUnit > 0) std::copy(block.get() + lastUnit - unit, block.get() + lastUnit, previous.begin());
      std::copy(previous.begin() + static_cast<std::ptrdiff_t>(got - lastUnit), previous.end(), block.get() + got);
    }
    std::copy(block.get() + want - unit, block.get() + want, previous.begin());
    TransformUnits(block.get(), want, rule);
    std::size_t keep = rule.dropEvery > 0 ? DropUnits(block.get(), want, rule, unitIndex) : want;
    if (!WriteBytes(out, block.get(), keep)) return false;
    remaining -= static_cast<std::int64_t>(want);
  }
  return true;
}
