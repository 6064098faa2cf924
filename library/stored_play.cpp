// Preparing a stored entry for playing: its record is read and checked, its
// format recognised from its first four bytes, its name looked up in the
// name list by its name key, its bytes extracted to temp_wav.wav, and then a
// RIFF/WAVE entry is measured where it stands (IMA ADPCM first decoded) while
// an entry in a foreign format goes to its stored-entry converter.
//
// A plain wave is measured by the header rules of library/wave_rules.h.
#include "library/stored_play.h"

#include <cmath>

#include "convert/conversion_target.h"
#include "convert/duration_results.h"
#include "convert/format_registry.h"
#include "io/byte_order.h"
#include "io/file_io.h"
#include "io/text_tokens.h"
#include "library/container.h"
#include "library/ima_adpcm.h"
#include "library/wave_rules.h"
#include "state/app_state.h"

namespace {

// Sets every kind's flag from the first bytes; true when one of them matched.
bool RecogniseStoredFormat(const unsigned char* first) {
  bool recognised = false;
  for (const StoredKind* kind : StoredKinds()) {
    const bool matches = kind->recognise(first);
    appState.*kind->flag = matches ? 1 : 0;
    recognised = recognised || matches;
  }
  return recognised;
}

void ClearStoredFlags() {
  for (const StoredKind* kind : StoredKinds()) appState.*kind->flag = 0;
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
  unsigned char head[WAVE_FIELDS_BYTES] = {};
  {
    Stream wave = OpenStream(s.tempWavPath, "rb");
    if (wave) ReadBytes(wave.get(), head, sizeof head);
  }
  const WaveFields fields = ReadWaveFields(head);
  const std::uint32_t estimate = EstimatedByteRate(fields, fields.rate);

  if (fields.fmtSize == IMA_FMT_LENGTH && IsImaBlockAlign(fields.blockAlign)) {
    if (estimate == 0) {
      s.wavTypeKnown = 0;  // no channels or no rate: it could be neither timed nor played
      return;
    }
    DecodeStoredImaAdpcm();
    if (s.wavTypeKnown == 0) return;
    s.specialDecodeDone = 1;
    s.specialDecodeDone2 = 1;
    s.playWavPath = s.decodedWavPath;
  }
  if (!IsMeasuredFmtLength(fields.fmtSize)) {
    s.wavTypeKnown = 0;
    return;
  }
  const double d = IsImaBlockAlign(fields.blockAlign) ? Quotient(length * 6.0, estimate)
                                                      : WaveSeconds(fields, length, WaveDivision::Fraction);
  if (!std::isfinite(d)) {
    s.wavTypeKnown = 0;  // a header with no channels or no rate cannot be timed or played
    return;
  }
  s.wavTypeKnown = 1;
  const double previousSeconds = s.durationSeconds;
  SetDurationResults(StoredTarget(), d);
  if (IsImaBlockAlign(fields.blockAlign)) s.durationSeconds = previousSeconds;  // only the limits and the text change
}

void RunStoredConverters() {
  AppState& s = appState;
  for (const StoredKind* kind : StoredKinds()) {
    if (kind->convert == nullptr || s.*kind->flag != 1) continue;
    s.playWavPath = s.decodedWavPath;
    kind->convert();
  }
}

}  // namespace

void PlayStoredEntry() {
  AppState& s = appState;
  s.specialDecodeDone = 0;
  s.specialDecodeDone2 = 0;
  s.durationMs = 0;
  s.wavTypeKnown = 1;
  ClearStoredFlags();
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

  if (s.isRiff == 1 && !ForeignStoredKindRecognised()) {
    MeasureStoredWave(record.dataEnd - record.dataStart);
    CutDurationTextForStatus();
  }
  if (identified) {
    RunStoredConverters();
  } else {
    s.wavTypeKnown = 0;
  }
}
