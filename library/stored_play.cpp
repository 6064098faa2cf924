// Preparing a stored entry for playing: its record is read and checked, its
// format recognised from its first four bytes, its name looked up in the
// name list by its name key, its bytes extracted to temp_wav.wav, and then a
// RIFF/WAVE entry is measured where it stands (IMA ADPCM first decoded) while
// an entry in a foreign format goes to its stored-entry converter.
//
// RIFF/WAVE fields read from the extracted file, little-endian, at fixed
// offsets (the "fmt " chunk is taken to follow "WAVE" directly):
//   16 u32 fmt chunk length   20 u16 format tag   22 i16 channels
//   24 u32 sample rate        32 u16 block align  34 u16 bits per sample
// The durations multiply by the fmt chunk length where bits per sample would
// be expected; stored durations have always been measured that way.
#include <cmath>

#include "convert/conversion_target.h"
#include "convert/duration_results.h"
#include "convert/formats.h"
#include "io/byte_order.h"
#include "io/file_io.h"
#include "io/text_tokens.h"
#include "library/container.h"
#include "library/operations.h"
#include "state/app_state.h"

namespace {

constexpr std::size_t RIFF_FIELDS_BYTES = 36;
constexpr std::size_t DURATION_TEXT_KEEP = 6;

bool IsImaBlockAlign(std::uint16_t blockAlign) { return blockAlign == 1028 || blockAlign == 2056; }

bool IsMeasuredFmtLength(std::uint32_t fmtSize) {
  return fmtSize == 16 || fmtSize == 18 || fmtSize == 20 || fmtSize == 30 || fmtSize == 40 || fmtSize == 50;
}

// Sets the type flags from the first bytes; true when one of them matched.
bool RecogniseStoredFormat(const unsigned char* b) {
  AppState& s = appState;
  s.isAiff = ReadTag(b, "FORM") ? 1 : 0;
  s.isAu = ReadTag(b + 1, "snd") ? 1 : 0;
  s.isVoc = ReadTag(b, "Cre") ? 1 : 0;
  s.isCaf = ReadTag(b, "caf") ? 1 : 0;
  s.isRiff = ReadTag(b, "RIF") ? 1 : 0;
  s.isPaf = ReadTag(b, " pa") ? 1 : 0;
  s.isPvf = ReadTag(b, "PVF") ? 1 : 0;
  s.isSph = ReadTag(b, "NIS") ? 1 : 0;
  s.isHtk = b[0] == 0 && (b[1] == 0 || b[1] == 1) ? 1 : 0;
  return s.isAiff + s.isAu + s.isVoc + s.isCaf + s.isRiff + s.isPaf + s.isPvf + s.isSph + s.isHtk > 0;
}

// Looks the entry's key up in the name list that nameSourceMode selects.
void LookUpEntryName(std::uint32_t nameKey) {
  AppState& s = appState;
  s.entryKeyText = KeyText(nameKey);
  s.nowPlayingText.clear();
  s.storedEntryName.clear();
  Stream list = OpenStream(s.nameSourceMode == 1 ? s.datPath : s.crcLogPath, "rb");
  if (!list) return;
  TokenReader reader;
  reader.file = list.get();
  std::string word;
  while (ReadToken(reader, ' ', word)) {
    if (word == s.entryKeyText) {
      std::string rest;
      ReadToken(reader, '\n', rest);
      if (!rest.empty() && rest.back() == '\r') rest.pop_back();
      s.storedEntryName = rest;
      s.nowPlayingText = s.msgNowPlayingStored + " " + rest;
      return;
    }
    s.nowPlayingText = "Now playing stored (unidentified name)";
  }
}

// Measures the extracted RIFF/WAVE entry of length bytes (and decodes it
// first when it is IMA ADPCM).
void MeasureStoredWave(std::uint32_t length) {
  AppState& s = appState;
  s.playWavPath = s.tempWavPath;
  unsigned char f[RIFF_FIELDS_BYTES] = {};
  {
    Stream wave = OpenStream(s.tempWavPath, "rb");
    if (wave) ReadBytes(wave.get(), f, sizeof f);
  }
  const std::uint32_t fmtSize = ReadU32Le(f + 16);
  const std::int16_t formatTag = ReadI16Le(f + 20);
  const std::int16_t channels = ReadI16Le(f + 22);
  const std::uint32_t rate = ReadU32Le(f + 24);
  const std::uint16_t blockAlign = ReadU16Le(f + 32);
  const std::uint16_t bits = ReadU16Le(f + 34);
  // Unsigned 32-bit arithmetic throughout, as the durations always had it.
  const std::uint32_t channelCount = static_cast<std::uint32_t>(channels);
  const std::uint32_t estimate = (fmtSize * (channelCount * rate)) >> 3;

  if (fmtSize == 20 && IsImaBlockAlign(blockAlign)) {
    if (estimate == 0) {
      s.wavTypeKnown = 0;  // no channels or no rate: it could be neither timed nor played
      return;
    }
    DecodeStoredImaAdpcm();
    if (s.wavTypeKnown == 0) return;
    s.specialDecodeDone = s.specialDecodeDone2 = 1;
    s.playWavPath = s.decodedWavPath;
  }
  if (!IsMeasuredFmtLength(fmtSize)) {
    s.wavTypeKnown = 0;
    return;
  }
  double d;
  if (IsImaBlockAlign(blockAlign)) {
    d = Quotient(length * 6.0, estimate);
  } else {
    std::uint32_t r = rate;
    if (formatTag > 1) r = 2 * r;
    if (fmtSize == 40) r = r / 3;
    const std::uint32_t bps = (fmtSize * (channelCount * r)) >> 3;
    d = Quotient(length, bps);
    if (bits == 32) d = d / 2.0;
    if (fmtSize == 18) d = Quotient(2.0 * length, static_cast<double>(r * channelCount));
  }
  if (!std::isfinite(d)) {
    s.wavTypeKnown = 0;  // a header with no channels or no rate cannot be timed or played
    return;
  }
  s.wavTypeKnown = 1;
  const double previousSeconds = s.durationSeconds;
  SetDurationResults(StoredTarget(), d);
  if (IsImaBlockAlign(blockAlign)) s.durationSeconds = previousSeconds;  // only the limits and the text change
}

void RunStoredConverters() {
  AppState& s = appState;
  struct Row {
    std::int32_t* flag;
    void (*convert)();
  } const rows[] = {{&s.isAiff, ConvertStoredAiff}, {&s.isAu, ConvertStoredAu},   {&s.isVoc, ConvertStoredVoc},
                    {&s.isHtk, ConvertStoredHtk},   {&s.isCaf, ConvertStoredCaf}, {&s.isPaf, ConvertStoredPaf},
                    {&s.isPvf, ConvertStoredPvf},   {&s.isSph, ConvertStoredSph}};
  for (const Row& row : rows) {
    if (*row.flag != 1) continue;
    s.playWavPath = s.decodedWavPath;
    row.convert();
  }
}

}  // namespace

void PlayStoredEntry() {
  AppState& s = appState;
  s.specialDecodeDone = s.specialDecodeDone2 = 0;
  s.durationMs = 0;
  s.wavTypeKnown = 1;
  s.isAiff = s.isAu = s.isVoc = s.isHtk = s.isCaf = s.isPaf = s.isPvf = s.isSph = s.isRiff = 0;
  // Whatever the outcome, the pin of "Set ID#" is used up, and until this
  // entry is extracted the working files hold nothing of it to export.
  s.indexPinned = 0;
  s.storedEntryExtracted = 0;
  if (s.currentIndex > s.entryCount) {
    s.wavTypeKnown = 0;
    return;
  }
  Stream kvf = OpenStream(s.loadedContainerPath, "rb");
  EntryRecord record;
  if (!kvf || !ReadEntryRecord(kvf.get(), s.currentIndex, record)) {
    s.wavTypeKnown = 0;  // a damaged record is never extracted
    return;
  }
  unsigned char first[4] = {};
  if (!ReadAtMost(kvf.get(), record.dataStart, first, 4)) {
    s.wavTypeKnown = 0;  // the entry cannot be recognised, so it is not played
    return;
  }
  const bool identified = RecogniseStoredFormat(first);
  LookUpEntryName(record.nameKey);

  const bool extracted = ExtractEntry(kvf.get(), record, s.tempWavPath);
  kvf.reset();
  if (!extracted) {
    s.wavTypeKnown = 0;
    return;
  }
  s.storedEntryExtracted = 1;

  const bool plainWave =
      s.isRiff == 1 && s.isAiff + s.isAu + s.isVoc + s.isCaf + s.isPaf + s.isPvf + s.isSph + s.isHtk == 0;
  if (plainWave) {
    MeasureStoredWave(record.dataEnd - record.dataStart);
    if (s.durationText.size() > DURATION_TEXT_KEEP) s.durationText.resize(DURATION_TEXT_KEEP);
    if (s.durationText.size() < 2) s.durationText = "unknown";
  }
  if (identified) {
    RunStoredConverters();
  } else {
    s.wavTypeKnown = 0;
  }
}
