// Wavs > Play_Wav: an audio file from anywhere on disk is played without
// storing it. The extension picks a converter, which writes a PCM wave into
// its own working file; a RIFF/WAVE file is played as it is after a look at
// its header. What was played is kept for Export > "Wav (External)".
#include "library/external_play.h"

#include <algorithm>
#include <cmath>

#include "convert/format_registry.h"
#include "convert/formats.h"
#include "io/byte_order.h"
#include "io/file_io.h"
#include "library/wave_rules.h"
#include "state/app_state.h"
#include "state/feedback.h"

namespace {

constexpr std::size_t FMT_BODY_OFFSET = 20;   // RIFF, size, WAVE, "fmt ", and its length before it
constexpr std::size_t PCM_FMT_BYTES = 16;     // tag, channels, rate, byte rate, block align, bits
constexpr std::size_t FMT_QUERY_BYTES = 256;  // more than any format's extension needs

void SetSourceFields(const std::string& path) {
  for (const ForeignFormat& format : ForeignFormats()) appState.*format.sourcePath = path;
}

// One of the program's own working files, which a play would overwrite.
bool IsWorkingFile(const std::string& path) {
  const AppState& s = appState;
  if (path == s.tempWavPath || path == s.decodedWavPath) return true;
  for (const ForeignFormat& format : ForeignFormats()) {
    if (path == s.*format.outputPath) return true;
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

// Converts with a format's importer and plays its output.
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

// A header the sound service plays as it is: a timed fmt chunk length, and
// for IMA ADPCM blocks of 512, 1024 or 2048 bytes.
bool IsPlayableHeader(const WaveFields& fields) {
  const bool playedImaBlock = fields.blockAlign == 512 || fields.blockAlign == 1024 || fields.blockAlign == 2048;
  return IsMeasuredFmtLength(fields.fmtSize) && (fields.fmtSize != IMA_FMT_LENGTH || playedImaBlock);
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
  unsigned char head[WAVE_FIELDS_BYTES] = {};
  std::size_t got = 0;
  {
    Stream wave = OpenStream(path, "rb");
    if (wave) got = ReadBytes(wave.get(), head, sizeof head);
  }
  if (got >= 3 && ReadTag(head, "NIS")) {  // a SPHERE file named .wav
    if (!busy) {
      ConvertAndPlay(ImportSphFile, s.sphWavPath);
    } else if (path != s.sphWavPath) {  // never converted onto itself
      ImportSphFile();
    }
    return;
  }
  if (got < WAVE_FIELDS_BYTES) {
    refuse();
    return;
  }
  const WaveFields fields = ReadWaveFields(head);
  const std::uint32_t rate = TimingRate(fields);
  if (EstimatedByteRate(fields, rate) == 0 || rate * fields.channels == 0) {
    refuse();  // no rate or no channels: nothing can be timed or played
    return;
  }
  const double seconds = WaveSeconds(fields, fields.riffSize, WaveDivision::Whole);
  s.durationSeconds = seconds;
  s.durationMs = static_cast<std::uint32_t>(std::trunc(std::min(seconds, 4294967.0))) * 1000u;
  if (IsImaBlockAlign(fields.blockAlign)) {
    RefuseCommand();
    s.conversionFailed = 1;
  } else if (!IsPlayableHeader(fields)) {
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
    const ForeignFormat* format = ForeignFormatOfExtension(extension);
    if (format != nullptr) {
      if (!busy) ConvertAndPlay(format->import, s.*format->outputPath);
    } else if (extension == "wav" || extension == "WAV") {
      PlayWaveFile(chosen);
    } else if (!busy) {
      RefuseCommand();  // no format takes this extension
    }
  }
  SetSourceFields("");
}
