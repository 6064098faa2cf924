// Wavs > Play_Wav: an audio file from anywhere on disk is played without
// storing it. The extension picks a converter, which writes a PCM wave into
// its own working file; a RIFF/WAVE file is played as it is after a look at
// its header. What was played is kept for Export > "Wav (External)".
#include <cmath>

#include "convert/formats.h"
#include "io/byte_order.h"
#include "io/file_io.h"
#include "library/operations.h"
#include "state/app_state.h"
#include "state/feedback.h"

namespace {

constexpr std::size_t RIFF_FIELDS_BYTES = 36;
constexpr std::size_t FMT_BODY_OFFSET = 20;   // RIFF, size, WAVE, "fmt ", and its length before it
constexpr std::size_t PCM_FMT_BYTES = 16;     // tag, channels, rate, byte rate, block align, bits
constexpr std::size_t FMT_QUERY_BYTES = 256;  // more than any format's extension needs

struct ExternalRow {
  const char* extensions[4];
  void (*convert)();
  std::string AppState::*output;
};

// Tried in this order; extensions are compared case-sensitively, as spelled.
const ExternalRow externalRows[] = {
    {{"htk", "HTK"}, ImportHtkFile, &AppState::htkWavPath},
    {{"voc", "VOC"}, ImportVocFile, &AppState::vocWavPath},
    {{"au", "AU", "snd", "SND"}, ImportAuFile, &AppState::auWavPath},
    {{"aiff", "AIFF", "aif", "AIF"}, ImportAiffFile, &AppState::aiffWavPath},
    {{"caf", "CAF"}, ImportCafFile, &AppState::cafWavPath},
    {{"paf", "PAF"}, ImportPafFile, &AppState::pafWavPath},
    {{"pvf", "PVF"}, ImportPvfFile, &AppState::pvfWavPath},
    {{"sph", "SPH"}, ImportSphFile, &AppState::sphWavPath},
    {{"wve", "WVE"}, ImportWveFile, &AppState::wveWavPath},
    {{"iff", "IFF", "8svx", "8SVX"}, ImportIffFile, &AppState::iffWavPath},
    {{"mpc", "MPC"}, ImportMpcFile, &AppState::mpcWavPath},
};

const ExternalRow* RowOf(const std::string& extension) {
  for (const ExternalRow& row : externalRows) {
    for (const char* candidate : row.extensions) {
      if (candidate != nullptr && extension == candidate) return &row;
    }
  }
  return nullptr;
}

std::string* SourceFields[] = {&appState.aiffSourcePath, &appState.auSourcePath,  &appState.vocSourcePath,
                               &appState.htkSourcePath,  &appState.cafSourcePath, &appState.pafSourcePath,
                               &appState.pvfSourcePath,  &appState.sphSourcePath, &appState.wveSourcePath,
                               &appState.iffSourcePath,  &appState.mpcSourcePath};

void SetSourceFields(const std::string& path) {
  for (std::string* field : SourceFields) *field = path;
}

// One of the program's own working files, which a play would overwrite.
bool IsWorkingFile(const std::string& path) {
  const AppState& s = appState;
  if (path == s.tempWavPath || path == s.decodedWavPath) return true;
  for (const ExternalRow& row : externalRows) {
    if (path == s.*row.output) return true;
  }
  return false;
}

// False only when the system's wave output says it cannot play the wave's
// format: handed over anyway, the file would sound as the system's default
// sound and pass for played. With no output to ask, the file is handed over.
bool WaveFormatPlayable(const std::string& path) {
  unsigned char head[FMT_BODY_OFFSET] = {};
  unsigned char fmt[FMT_QUERY_BYTES] = {};
  std::size_t got = 0;
  {
    Stream wave = OpenStream(path, "rb");
    if (wave && ReadBytes(wave.get(), head, sizeof head) == sizeof head) {
      const std::uint32_t fmtSize = ReadU32Le(head + FMT_BODY_OFFSET - 4);
      got = ReadBytes(wave.get(), fmt, fmtSize < sizeof fmt ? fmtSize : sizeof fmt);
    }
  }
  if (got < PCM_FMT_BYTES) return true;  // too little to ask about
  return PlatformQueryWaveFormat(fmt, got) != WaveFormatAnswer::Unplayable;
}

void PlayExternalOutput(const std::string& path) {
  AppState& s = appState;
  if (WaveFormatPlayable(path) && PlatformPlaySoundFile(path, SoundFallback::Silence)) {
    s.externalWavPath = path;
    s.externalWavReady = 1;
  } else {
    RefuseCommand();
  }
}

// Converts with the row's converter and plays its output.
void ConvertAndPlay(void (*convert)(), const std::string& output) {
  AppState& s = appState;
  ShowStatus("");
  ShowStatus("Loading external wav . . . please, wait . . .");
  PlatformRepaint(s.hwndMain);
  convert();
  if (s.conversionFailed == 1) {
    RefuseCommand();
  } else {
    PlayExternalOutput(output);
  }
  ShowStatus(" ");
  s.externalFileBusy = 0;
}

// A RIFF/WAVE file is timed in whole seconds from its RIFF size and played
// as it is when its fmt chunk is one the sound service takes. A working file
// (busy) is examined all the same, its durations read and a SPHERE file
// named .wav still converted, but nothing is played and its refusal beep and
// text have already been given.
void PlayWaveFile(const std::string& path) {
  AppState& s = appState;
  const bool busy = s.externalFileBusy == 1;
  s.externalFileBusy = 0;
  auto refuse = [busy] {
    if (!busy) RefuseCommand();
  };
  unsigned char f[RIFF_FIELDS_BYTES] = {};
  std::size_t got = 0;
  {
    Stream wave = OpenStream(path, "rb");
    if (wave) got = ReadBytes(wave.get(), f, sizeof f);
  }
  if (got >= 3 && ReadTag(f, "NIS")) {  // a SPHERE file named .wav
    if (!busy) {
      ConvertAndPlay(ImportSphFile, s.sphWavPath);
    } else if (path != s.sphWavPath) {  // never converted onto itself
      ImportSphFile();
    }
    return;
  }
  if (got < RIFF_FIELDS_BYTES) {
    refuse();
    return;
  }
  const std::uint32_t riffSize = ReadU32Le(f + 4);
  const std::uint32_t fmtSize = ReadU32Le(f + 16);
  const std::int16_t formatTag = ReadI16Le(f + 20);
  const std::uint32_t channels = static_cast<std::uint32_t>(ReadI16Le(f + 22));
  std::uint32_t r = ReadU32Le(f + 24);
  const std::uint16_t blockAlign = ReadU16Le(f + 32);
  const std::uint16_t bits = ReadU16Le(f + 34);
  if (formatTag > 1) r = 2 * r;
  if (fmtSize == 40) r = r / 3;
  const std::uint32_t bps = (fmtSize * (channels * r)) >> 3;
  if (bps == 0 || r * channels == 0) {
    refuse();  // no rate or no channels: nothing can be timed or played
    return;
  }
  double seconds = riffSize / bps;
  if (bits == 32) seconds = seconds / 2.0;
  if (fmtSize == 18) seconds = (2ull * riffSize) / (r * channels);
  s.durationSeconds = seconds;
  s.durationMs = static_cast<std::uint32_t>(std::trunc(std::min(seconds, 4294967.0))) * 1000u;
  const bool playable = fmtSize == 16 || fmtSize == 18 || fmtSize == 30 || fmtSize == 40 || fmtSize == 50 ||
                        (fmtSize == 20 && (blockAlign == 512 || blockAlign == 1024 || blockAlign == 2048));
  if (blockAlign == 1028 || blockAlign == 2056) {
    // The IMA ADPCM block sizes that only stored entries are decoded for.
    RefuseCommand();
    s.conversionFailed = 1;
  } else if (!playable) {
    refuse();
  } else if (!busy) {
    PlayExternalOutput(path);
  }
}

}  // namespace

void OpenExternalAudioFile() {
  AppState& s = appState;
  const std::string chosen = PlatformAskOpenFileName(
      s.hwndMain,
      "Wav Files (*.wav, *.aiff, *.aif, *au, *voc, *htk, *caf, *paf, *pvf, *sph, *wve, *snd, *iff, *8svx, *mpc) ",
      "* .wav;* .aiff;* .aif;* au;* voc;* htk;* caf;* paf;* pvf;* sph;* wve;* snd;* iff;* 8svx;* mpc");
  if (!chosen.empty()) {
    SetSourceFields(chosen);
    s.conversionFailed = 0;
    s.externalFilePicked = 1;
    s.externalWavReady = 0;
    const std::size_t dot = chosen.find_last_of('.');
    const std::string extension = dot == std::string::npos ? std::string() : chosen.substr(dot + 1);
    const bool busy = IsWorkingFile(chosen);
    s.externalFileBusy = busy ? 1 : 0;
    // A working file is never played or converted by its own row: the play
    // would overwrite it.
    if (busy) {
      ShowStatus("");
      ShowStatus(s.msgSharedAccess);
      PlatformRepaint(s.hwndStatus);
      RefuseCommand();
      s.conversionFailed = 1;
    }
    const ExternalRow* row = RowOf(extension);
    if (row != nullptr) {
      if (!busy) ConvertAndPlay(row->convert, s.*row->output);
    } else if (extension == "wav" || extension == "WAV") {
      PlayWaveFile(chosen);
    } else if (!busy) {
      RefuseCommand();  // no row takes this extension
    }
  }
  SetSourceFields("");
}
