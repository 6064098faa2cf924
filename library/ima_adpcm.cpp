// Layout of the stored wave the decoder reads (fixed offsets, no chunk is
// searched: a 20-byte "fmt " chunk at 12, a 12-byte "fact" chunk at 40 and
// the "data" header at 52):
//   22   u16 LE  channels (1 or 2; anything else is not decoded)
//   24   u32 LE  sample rate, declared again by the output (byte rate twice it)
//   60   4 bytes per channel: predictor i16 LE, step index u8, reserved u8
//   60 + 4 * channels: block data (1024 bytes mono, 2048 stereo), then the
//        next block's header, and so on to the end of the file
// Each block comes out as its header sample and its first 2047 decoded
// samples; the output is one channel of 16-bit PCM.
#include "library/ima_adpcm.h"

#include <algorithm>
#include <array>
#include <vector>

#include "convert/wave_header.h"
#include "io/byte_order.h"
#include "io/file_io.h"
#include "state/app_state.h"

namespace {

constexpr std::int64_t CHANNELS_OFFSET = 22;
constexpr std::int64_t RATE_OFFSET = 24;
constexpr std::int64_t FIRST_BLOCK_HEADER = 60;  // 12 (RIFF) + 28 (fmt) + 12 (fact) + 8 (data header)
constexpr std::size_t BLOCK_HEADER_BYTES = 4;    // per channel
constexpr std::size_t MONO_BLOCK_BYTES = 1024;
constexpr std::size_t STEREO_BLOCK_BYTES = 2048;
constexpr int DECODED_PER_BLOCK = 2047;  // the block's last nibble is not written

constexpr std::int16_t stepTable[IMA_MAX_STEP_INDEX + 1] = {
    7,    8,     9,     10,    11,    12,    13,    14,    16,    17,    19,    21,    23,    25,   28,
    31,   34,    37,    41,    45,    50,    55,    60,    66,    73,    80,    88,    97,    107,  118,
    130,  143,   157,   173,   190,   209,   230,   253,   279,   307,   337,   371,   408,   449,  494,
    544,  598,   658,   724,   796,   876,   963,   1060,  1166,  1282,  1411,  1552,  1707,  1878, 2066,
    2272, 2499,  2749,  3024,  3327,  3660,  4026,  4428,  4871,  5358,  5894,  6484,  7132,  7845, 8630,
    9493, 10442, 11487, 12635, 13899, 15289, 16818, 18500, 20350, 22385, 24623, 27086, 29794, 32767};
constexpr int indexTable[8] = {-1, -1, -1, -1, 2, 4, 6, 8};

std::uint8_t HeldStepIndex(std::uint8_t index) {
  return std::min<std::uint8_t>(index, IMA_MAX_STEP_INDEX);  // a damaged header must not index past the table
}

// What one nibble does at one step index: the signed change of the predictor
// and the step index after it.
struct ImaStep {
  std::int32_t difference = 0;
  std::uint8_t nextIndex = 0;
};
using ImaStepTable = std::array<std::array<ImaStep, 16>, IMA_MAX_STEP_INDEX + 1>;

// The standard step for every step index and nibble, worked out once at
// start-up, so that a sample costs a lookup and a clamp rather than a branch
// per bit.
ImaStepTable MakeImaStepTable() {
  ImaStepTable table{};
  for (int index = 0; index <= IMA_MAX_STEP_INDEX; ++index) {
    for (unsigned nibble = 0; nibble < 16; ++nibble) {
      const int step = stepTable[index];
      int difference = step >> 3;
      if (nibble & 4) difference += step;
      if (nibble & 2) difference += step >> 1;
      if (nibble & 1) difference += step >> 2;
      ImaStep& entry = table[static_cast<std::size_t>(index)][nibble];
      entry.difference = (nibble & 8) ? -difference : difference;
      entry.nextIndex = static_cast<std::uint8_t>(std::clamp(index + indexTable[nibble & 7], 0, IMA_MAX_STEP_INDEX));
    }
  }
  return table;
}
const ImaStepTable IMA_STEPS = MakeImaStepTable();

// Appends one sample to out as 16-bit little-endian.
void PutSample(std::vector<unsigned char>& out, std::int16_t sample) {
  const std::size_t at = out.size();
  out.resize(at + 2);
  WriteU16Le(&out[at], static_cast<std::uint16_t>(sample));
}

// Reads the next block header into the state record's fields; they keep
// their values when the file has ended.
bool ReadBlockHeader(std::FILE* in, int channels) {
  AppState& s = appState;
  unsigned char header[2 * BLOCK_HEADER_BYTES];
  const std::size_t size = BLOCK_HEADER_BYTES * static_cast<std::size_t>(channels);
  if (ReadBytes(in, header, size) != size) return false;
  if (channels == 1) {
    s.adpcmMonoPredictor = ReadI16Le(header);
    s.adpcmMonoStepIndex = header[2];
  } else {
    s.adpcmLeftPredictor = ReadI16Le(header);
    s.adpcmLeftStepIndex = header[2];
    s.adpcmRightPredictor = ReadI16Le(header + 4);
    s.adpcmRightStepIndex = header[6];
  }
  return true;
}

std::int16_t HeaderSample(int channels) {
  return channels == 1 ? appState.adpcmMonoPredictor : appState.adpcmLeftPredictor;
}

// Left-channel bytes within the first size bytes of a stereo block.
std::size_t LeftBytesOf(std::size_t size) { return size / 8 * 4 + std::min<std::size_t>(size % 8, 4); }

// Where the k-th byte of the first channel lies in a block: in a stereo block
// its bytes come four at a time, each four followed by four of the second's.
int FirstChannelByte(int channels, int k) { return channels == 1 ? k : k / 4 * 8 + k % 4; }

// Decodes count samples of the first channel of the block in input, from its
// header's predictor and step index, appending them to out as 16-bit
// little-endian. A byte holds two samples, the low nibble first.
void DecodeBlockFirstChannel(int channels, const unsigned char* input, int count, std::vector<unsigned char>& out) {
  ImaDecoderState state;
  state.predictor = HeaderSample(channels);
  state.stepIndex = channels == 1 ? appState.adpcmMonoStepIndex : appState.adpcmLeftStepIndex;
  const std::size_t at = out.size();
  out.resize(at + 2 * static_cast<std::size_t>(count));
  unsigned char* output = &out[at];
  const int wholeBytes = count / 2;
  for (int k = 0; k < wholeBytes; ++k) {
    const unsigned byte = input[FirstChannelByte(channels, k)];
    WriteU16Le(output + 4 * k, static_cast<std::uint16_t>(DecodeImaNibble(state, byte & 0xF)));
    WriteU16Le(output + 4 * k + 2, static_cast<std::uint16_t>(DecodeImaNibble(state, byte >> 4)));
  }
  if (count % 2 != 0) {  // a last low nibble alone
    const unsigned byte = input[FirstChannelByte(channels, wholeBytes)];
    WriteU16Le(output + 4 * wholeBytes, static_cast<std::uint16_t>(DecodeImaNibble(state, byte & 0xF)));
  }
}

}  // namespace

std::int16_t DecodeImaNibble(ImaDecoderState& state, unsigned nibble) {
  const ImaStep& step = IMA_STEPS[HeldStepIndex(state.stepIndex)][nibble & 15];
  state.stepIndex = step.nextIndex;
  state.predictor = static_cast<std::int16_t>(std::clamp(state.predictor + step.difference, -32768, 32767));
  return state.predictor;
}

void DecodeStoredImaAdpcm() {
  AppState& s = appState;
  Stream in = OpenStream(s.tempWavPath, "rb");
  unsigned char format[4] = {};
  unsigned char rateBytes[4] = {};
  if (!in || !ReadAt(in.get(), CHANNELS_OFFSET, format, 2) || !ReadAt(in.get(), RATE_OFFSET, rateBytes, 4)) {
    s.wavTypeKnown = 0;
    return;
  }
  const int channels = ReadU16Le(format);
  if (channels != 1 && channels != 2) {
    s.wavTypeKnown = 0;  // no older decoded.wav may be played as this entry
    return;
  }
  const std::uint32_t rate = ReadU32Le(rateBytes);
  const std::size_t blockBytes = channels == 1 ? MONO_BLOCK_BYTES : STEREO_BLOCK_BYTES;
  // A header cut short keeps the values already in the state record; a seek
  // that fails would decode from the wrong place.
  const bool atFirstBlock = SeekStream(in.get(), FIRST_BLOCK_HEADER);
  if (atFirstBlock) ReadBlockHeader(in.get(), channels);

  Stream out = atFirstBlock ? OpenStream(s.decodedWavPath, "wb") : Stream();
  if (!out) {
    s.wavTypeKnown = 0;
    return;
  }
  // The header goes in last, when the data size is known; its place is kept.
  std::vector<unsigned char> pcm;
  pcm.reserve(2 * (DECODED_PER_BLOCK + 2));
  PutSample(pcm, HeaderSample(channels));
  std::vector<unsigned char> block(blockBytes);
  std::uint64_t dataBytes = 0;
  bool written = SeekStream(out.get(), PCM_WAVE_HEADER_BYTES);
  for (std::size_t got; written && (got = ReadBytes(in.get(), block.data(), block.size())) > 0;) {
    // A short last block decodes only what was read.
    std::size_t available = channels == 1 ? got : LeftBytesOf(got);
    int count = static_cast<int>(std::min<std::size_t>(DECODED_PER_BLOCK, 2 * available));
    DecodeBlockFirstChannel(channels, block.data(), count, pcm);
    ReadBlockHeader(in.get(), channels);
    PutSample(pcm, HeaderSample(channels));
    written = WriteBytes(out.get(), pcm.data(), pcm.size());
    dataBytes += pcm.size();
    pcm.clear();
  }
  if (written && !pcm.empty()) {  // no block at all: the first header sample alone
    written = WriteBytes(out.get(), pcm.data(), pcm.size());
    dataBytes += pcm.size();
  }
  WaveHeader header;
  header.channels = 1;
  header.sampleRate = rate;
  header.byteRate = rate * 2;
  header.blockAlign = 2;
  header.bitsPerSample = 16;
  header.dataSize = static_cast<std::uint32_t>(dataBytes);
  header.riffSize = header.dataSize + PCM_HEADER_AFTER_RIFF_SIZE;
  std::vector<unsigned char> headerBytes = EncodeWaveHeader(header);
  written = written && WriteAt(out.get(), 0, headerBytes.data(), headerBytes.size()) && CloseStream(out);
  if (!written) {
    out.reset();
    RemoveFile(s.decodedWavPath);
    s.wavTypeKnown = 0;
  }
}
