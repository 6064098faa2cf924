#include "platform/linux_sound.h"

#include <alsa/asoundlib.h>
#include <sndfile.h>

#include <memory>
#include <vector>

namespace {

constexpr sf_count_t CHUNK_FRAMES = 2048;
constexpr unsigned LATENCY_US = 200000;  // what ALSA may buffer ahead of the ear
constexpr double PROGRESS_EVERY_SECONDS = 0.25;

struct SoundFileCloser {
  void operator()(SNDFILE* file) const { sf_close(file); }
};
struct PcmCloser {
  void operator()(snd_pcm_t* pcm) const { snd_pcm_close(pcm); }
};

bool IsFloatFile(const SF_INFO& info) {
  const int encoding = info.format & SF_FORMAT_SUBMASK;
  return encoding == SF_FORMAT_FLOAT || encoding == SF_FORMAT_DOUBLE;
}

// Writes frames of interleaved samples, recovering from an underrun;
// false when the output failed (error set) or stop was raised.
bool WriteFrames(snd_pcm_t* pcm, const char* samples, snd_pcm_uframes_t frames, std::size_t frameBytes,
                 const volatile std::sig_atomic_t& stop, SoundPlayback& result) {
  while (frames > 0) {
    if (stop != 0) return false;
    const snd_pcm_sframes_t written = snd_pcm_writei(pcm, samples, frames);
    if (written < 0) {
      if (stop != 0) return false;
      const int recovered = snd_pcm_recover(pcm, static_cast<int>(written), 1);
      if (recovered < 0) {
        result.error = snd_strerror(recovered);
        return false;
      }
      continue;
    }
    samples += static_cast<std::size_t>(written) * frameBytes;
    frames -= static_cast<snd_pcm_uframes_t>(written);
  }
  return true;
}

// Waits, without blocking Ctrl-C, until what was written has been heard.
void Drain(snd_pcm_t* pcm, const volatile std::sig_atomic_t& stop) {
  snd_pcm_nonblock(pcm, 1);
  while (snd_pcm_drain(pcm) == -EAGAIN && stop == 0) snd_pcm_wait(pcm, 50);
  while (snd_pcm_state(pcm) == SND_PCM_STATE_DRAINING && stop == 0) snd_pcm_wait(pcm, 50);
}

SoundPlayback PlayOnDefaultOutput(const std::string& path, const volatile std::sig_atomic_t& stop,
                                  SoundProgress progress) {
  SoundPlayback result;
  SF_INFO info = {};
  std::unique_ptr<SNDFILE, SoundFileCloser> file(sf_open(path.c_str(), SFM_READ, &info));
  if (!file) {
    result.error = sf_strerror(nullptr);
    return result;
  }
  snd_pcm_t* opened = nullptr;
  int error = snd_pcm_open(&opened, "default", SND_PCM_STREAM_PLAYBACK, 0);
  if (error < 0) {
    result.error = std::string("no sound output to play on (") + snd_strerror(error) + ")";
    return result;
  }
  std::unique_ptr<snd_pcm_t, PcmCloser> pcm(opened);
  // Floats stay floats; every integer encoding is handed over as 32-bit
  // samples, which hold each of them without loss.
  const bool floats = IsFloatFile(info);
  error = snd_pcm_set_params(pcm.get(), floats ? SND_PCM_FORMAT_FLOAT_LE : SND_PCM_FORMAT_S32_LE,
                             SND_PCM_ACCESS_RW_INTERLEAVED, static_cast<unsigned>(info.channels),
                             static_cast<unsigned>(info.samplerate), 1, LATENCY_US);
  if (error < 0) {
    result.error = snd_strerror(error);
    return result;
  }
  const std::size_t frameBytes = 4u * static_cast<std::size_t>(info.channels);
  std::vector<char> chunk(static_cast<std::size_t>(CHUNK_FRAMES) * frameBytes);
  const double total = static_cast<double>(info.frames) / info.samplerate;
  sf_count_t played = 0;
  double reported = -PROGRESS_EVERY_SECONDS;
  for (;;) {
    const sf_count_t got = floats ? sf_readf_float(file.get(), reinterpret_cast<float*>(chunk.data()), CHUNK_FRAMES)
                                  : sf_readf_int(file.get(), reinterpret_cast<int*>(chunk.data()), CHUNK_FRAMES);
    if (got <= 0) break;
    if (!WriteFrames(pcm.get(), chunk.data(), static_cast<snd_pcm_uframes_t>(got), frameBytes, stop, result)) break;
    played += got;
    const double elapsed = static_cast<double>(played) / info.samplerate;
    if (progress != nullptr && elapsed - reported >= PROGRESS_EVERY_SECONDS) {
      progress(elapsed, total);
      reported = elapsed;
    }
  }
  if (result.error.empty() && stop == 0) Drain(pcm.get(), stop);
  if (stop != 0) {
    snd_pcm_drop(pcm.get());
    result.interrupted = true;
  }
  return result;
}

}  // namespace

// ALSA's library prints its own complaints on standard error; the caller
// says in one line what went wrong.
static void Quiet(const char*, int, const char*, int, const char*, ...) {}

SoundPlayback LinuxPlayWaveFile(const std::string& path, const volatile std::sig_atomic_t& stop,
                                SoundProgress progress) {
  snd_lib_error_set_handler(Quiet);
  SoundPlayback result = PlayOnDefaultOutput(path, stop, progress);
  snd_config_update_free_global();  // ALSA's configuration cache, read for this one play
  return result;
}
