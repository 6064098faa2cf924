// The eleven converters, the conversion frame and the IMA ADPCM decoder. Where sox or libsndfile can write the input,
// their decoding of input and output is the oracle, and the standard rates are made from each format's own encoding
// of them. What no tool can tell is stated once a row in the samples of tests/formats.cpp: each path's kept quirks
// (the header, the payload as a byte-at-a-time copy describes it, the durations, the data-offset boundary) and the
// inputs refused.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <set>
#include <tuple>

#include "convert/conversion_target.h"
#include "convert/duration_results.h"
#include "io/byte_order.h"
#include "io/text_tokens.h"
#include "library/ima_adpcm.h"
#include "tests/formats.h"
#include "tests/test_support.h"

namespace {
// sox and sndfile-convert are Linux programs: under Wine neither runs, and their tests skip visibly.
bool RunHostTool(std::string line, const std::string& output = "/dev/null") {
  line += " >'" + output + "' 2>/dev/null";
#ifndef _WIN32
  if (std::system(line.c_str()) == 0) return true;
#endif
  return false;
}
bool HostToolsMissing() { return !RunHostTool("command -v sox") || !RunHostTool("command -v sndfile-convert"); }

enum Faces { EXT = 1, STO = 2, BOTH = 3 };
const std::uint32_t STANDARD_RATES[] = {8000, 11025, 16000, 22050, 32000, 44100, 48000, 88200, 96000, 176400, 192000};

// The copy as the format descriptions state it: one byte per read, units
// written whole, bytes past the input's end keeping the previous unit's values.
Bytes ReferenceCopy(const Bytes& input, const CopyRule& rule) {
  Bytes out;
  Bytes unit(static_cast<std::size_t>(rule.unitSize), 0);
  Bytes w;
  std::size_t position = static_cast<std::size_t>(rule.dataOffset);
  std::int64_t index = 0;
  for (std::int64_t counted = 0; rule.payloadBytes > counted; counted += rule.unitSize) {
    for (unsigned char& b : unit) b = position < input.size() ? input[position++] : b;
    w.assign(unit.begin(), unit.end());
    if (rule.transform == SWAP)
      for (int i = 0; i < rule.unitSize; i += rule.groupSize) std::reverse(&w[i], &w[i] + rule.groupSize);
    for (unsigned char& b : w) b = static_cast<unsigned char>(b + (rule.transform == SIGN ? 128 : 0));
    if (rule.transform == UnitTransform::AddWord807F)  // the little-endian word plus 0x807F
      w = {static_cast<unsigned char>(w[0] + 0x7F), static_cast<unsigned char>(w[1] + 0x80 + (w[0] + 0x7F > 0xFF))};
    if (rule.transform == UnitTransform::HighHalfThenSilence) w = {unit[1], unit[0], 0, 0};
    if (rule.dropEvery == 0 || (index + 1) % rule.dropEvery != 0) out.insert(out.end(), w.begin(), w.end());
    ++index;
  }
  return out;
}

class Converters : public ProgramTest {
 protected:
  static const FormatRow& Format(const char* name) { return *FormatNamed(name); }
  static std::vector<int> FacesOf(const FormatRow& f, int faces) {  // STO alone is used only where the format has it
    return faces == STO                       ? std::vector<int>{STO}
           : faces == BOTH && f.convertStored ? std::vector<int>{EXT, STO}
                                              : std::vector<int>{EXT};
  }
  static bool Failed(int face) { return face == STO ? appState.wavTypeKnown == 0 : appState.conversionFailed == 1; }
  std::string Convert(const FormatRow& f, int face, const Bytes& input) {
    appState.conversionFailed = 0;
    appState.wavTypeKnown = 1;
    appState.*f.source = ScratchFile(std::string("in.") + f.name);
    WriteWholeFile(face == STO ? appState.tempWavPath : appState.*f.source, input);
    (face == STO ? f.convertStored : f.import)();
    return face == STO ? appState.decodedWavPath : appState.*f.output;
  }
  // The output of an accepted input, which every converter lays out alike: the RIFF size counts the data size,
  // frames are whole, G.711's fact counts frames, the float header has a fixed fact and empty PEAK entries.
  Bytes Converted(const FormatRow& f, int face, const Bytes& input) {
    const Bytes out = ReadWholeFile(Convert(f, face, input));
    const WaveInfo w = ParseWave(out);
    EXPECT_TRUE(w.ok);
    EXPECT_EQ(w.riffSize + 8, w.dataOffset + w.dataSize);
    EXPECT_EQ(w.blockAlign, w.channels * w.bitsPerSample / 8);
    if (w.formatTag == 6 || w.formatTag == 7) {  // 8 bits, an empty extension, a 4-byte fact counting frames
      EXPECT_EQ(std::make_tuple(w.bitsPerSample, ReadU16Le(&out[36]), ReadU32Le(&out[42]), w.factSamples),
                std::make_tuple(8, 0, 4u, w.dataSize / w.channels));
    }
    if (w.ok && w.formatTag == 3) {  // a 4-byte fact, PEAK version 1 with empty entries, two zero bytes of data first
      EXPECT_EQ(std::make_tuple(ReadU32Le(&out[40]), w.factSamples, ReadU32Le(&out[56])),
                std::make_tuple(4u, w.channels == 1 ? 125635u : 0u, 1u));
      EXPECT_EQ(Bytes(&out[60], &out[w.dataOffset - 8]), Bytes(w.dataOffset - 68, 0));
      EXPECT_EQ(Head(Tail(out, w.dataOffset), 2), Bytes(2, 0));
    }
    return out;
  }
  // The face must refuse input: its flag set, the output there before and the duration text left alone (a stored
  // AIFF failure shows it as unknown). The fuzz invariants hold the durations.
  void ExpectRefused(const FormatRow& f, int face, const Bytes& input) {
    const std::string output = face == STO ? appState.decodedWavPath : appState.*f.output;
    WriteWholeFile(output, BytesOf("previous"));
    appState.durationText = "7.25";
    Convert(f, face, input);
    EXPECT_TRUE(Failed(face));
    EXPECT_EQ(ReadWholeFile(output), BytesOf("previous"));
    EXPECT_EQ(appState.durationText, face == STO && std::string(f.name) == "aiff" ? "unknown" : "7.25");
  }
  // sox's decoding of path (read as reader says, when it says) to raw samples, through effects.
  Bytes SoxDecoded(const std::string& path, const std::string& reader, const std::string& samples = "-e signed -b 32",
                   const std::string& effects = "") {
    const std::string raw = ScratchFile("decoded.raw");
    EXPECT_TRUE(RunHostTool("sox " + reader + " '" + path + "' -t raw " + samples + " -L - " + effects, raw));
    return ReadWholeFile(raw);
  }
};

// --- Kept quirks: headers, payloads, durations and the data-offset boundary -------------------

// Every sample of tests/formats.cpp through both faces where the format has both.
TEST_F(Converters, EveryPathWritesItsHeaderPayloadAndDurationsDownToItsDataOffsetOrRefuses) {
  for (const FormatSample& r : FormatSamples()) {
    const FormatRow& f = Format(r.path->format);
    for (int face : FacesOf(f, r.flags & EXT_ONLY ? EXT : r.flags & STO_ONLY ? STO : BOTH)) {
      SCOPED_TRACE(testing::Message() << f.name << " sample " << &r - FormatSamples().data() << ", face " << face);
      if (r.tag == REFUSED) {
        ExpectRefused(f, face, r.bytes);
        continue;
      }
      // An external conversion leaves the stored fields alone.
      appState.durationText = "kept";
      appState.replayDurationMs = 7;
      const Bytes out = Converted(f, face, r.bytes);
      EXPECT_EQ(Failed(face), (r.flags & WRITTEN_FAILED) != 0);
      const WaveInfo w = ParseWave(out);
      const std::int64_t s = static_cast<std::int64_t>(r.bytes.size());
      const std::int64_t data = s - r.path->dataLess;
      EXPECT_EQ(std::make_tuple(w.formatTag, w.channels, w.sampleRate, w.byteRate, w.bitsPerSample),
                std::make_tuple(r.tag, r.channels, r.rate, r.byteRate, r.bits));
      EXPECT_EQ(std::int64_t{w.dataSize}, data);
      CopyRule rule = r.path->copy;
      rule.payloadBytes += s - rule.dataOffset;
      EXPECT_EQ(Tail(out, w.dataOffset + (r.tag == 3 ? 2 : 0)), ReferenceCopy(r.bytes, rule));
      double seconds = static_cast<double>(r.flags & SECONDS_OF_DATA ? data : s) / (r.per ? r.per : r.byteRate);
      if (r.flags & WHOLE_SECONDS_EXTERNAL && face == EXT) seconds = std::floor(seconds);
      const std::uint32_t ms = static_cast<std::uint32_t>(seconds) * 1000u;
      EXPECT_DOUBLE_EQ(appState.durationSeconds, seconds);
      EXPECT_EQ(appState.durationMs, ms);
      // The stored text and replay time: the fuzz invariants and the wave durations of the command suite.
      if (face == EXT) {
        EXPECT_EQ(std::make_tuple(appState.replayDurationMs, appState.durationText), std::make_tuple(7u, "kept"));
      }
      // Cut to its data offset (past the bytes it leaves out at the end), the input converts to an empty data chunk
      // (AU's float data holds its two zero bytes); one byte less is refused.
      if (!r.path->cutsToItsOffset) continue;
      const std::int64_t boundary = std::max(r.path->dataLess, r.path->copy.dataOffset);
      const Bytes empty = Converted(f, face, Head(r.bytes, static_cast<std::size_t>(boundary)));
      EXPECT_EQ(std::int64_t{ParseWave(empty).dataSize}, boundary - r.path->dataLess);
      ExpectRefused(f, face, Head(r.bytes, static_cast<std::size_t>(boundary - 1)));
    }
  }
}

// --- Rates ------------------------------------------------------------------------------

// Each format's encoding of the standard rates: a rate up to the highest its table holds is written as it is (AIFF's
// 8-bit path at half of it, its 32-bit one at twice), any other as the path's fallback (0: refused, as a sample of
// tests/formats.cpp shows; VOC's is written and reported failed).
struct RateRule {
  const char* format;
  Bytes (*input)(std::uint32_t rate);
  std::uint32_t highest;
  std::uint32_t fallback;
  std::uint32_t storedFallback;
  double scale = 1;
};

TEST_F(Converters, StandardRatesByEachFormatsOwnEncodingAndTheFallbacks) {
  const RateRule rules[] = {
      {"mpc", [](std::uint32_t r) { return MpcFile(0, r & 0xFFFF, {}); }, 176400, 0, 0},
      // A last value of its own keeps the rate from being read as a sample width.
      {"sph", [](std::uint32_t r) { return Sphere(1, r, "sample_n_bytes -i 2\n", {}); }, 176400, 44100, 44100},
      {"paf", [](std::uint32_t r) { return PafFile(2100, r, 0, 1); }, 176400, 192000, 192000},
      {"caf", [](std::uint32_t r) { return CafFile(4200, r, "lpcm", 1, 16); }, 176400, 192000, 22050},
      {"caf", [](std::uint32_t r) { return CafFile(4200, r, "lpcm", 1, 32); }, 176400, 192000, 88200},
      {"caf", [](std::uint32_t r) { return CafFile(4200, r, "lpcm", 1, 24); }, 176400, 192000, 88200},
      {"caf", [](std::uint32_t r) { return CafFile(4200, r, "lpcm", 1, 8); }, 176400, 192000, 22050},
      {"caf", [](std::uint32_t r) { return CafFile(4200, r, "alaw", 1, 8); }, 176400, 192000, 192000},
      {"htk", [](std::uint32_t r) { return HtkFile(10000000 / r, 2, {}); }, 192000, 0, 0},
      {"voc", [](std::uint32_t r) { return TimeConstantVoc(1000, 256 - 1000000 / r); }, 88200, 22050, 22050},
      {"voc", [](std::uint32_t r) { return TimeConstantVoc(1000, 65536 - 128000000 / r); }, 96000, 22050, 22050},
      {"aiff", [](std::uint32_t r) { return AiffFile(1, 16, AiffRate(r), PatternBytes(8)); }, 176400, 22050, 22050},
      {"aiff", [](std::uint32_t r) { return AiffFile(1, 24, AiffRate(r), PatternBytes(12)); }, 176400, 192000, 192000},
      {"aiff", [](std::uint32_t r) { return AiffFile(1, 32, AiffRate(r), PatternBytes(8)); }, 96000, 96000, 96000, 2},
      {"aiff", [](std::uint32_t r) { return AiffFile(1, 8, AiffRate(r), PatternBytes(8)); }, 88200, 44100, 44100, 0.5},
      {"aiff", [](std::uint32_t r) { return AifcFile(1, AiffRate(r), "alaw", Bytes(2)); }, 96000, 176400, 176400},
  };
  for (const RateRule& rule : rules)
    for (std::uint32_t rate : STANDARD_RATES)
      for (int face : FacesOf(Format(rule.format), rate <= rule.highest ? EXT : BOTH)) {  // the faces share tables
        SCOPED_TRACE(std::string(rule.format) + " at " + std::to_string(rate) + ", face " + std::to_string(face));
        const bool known = rate <= rule.highest;
        const std::uint32_t written = known ? rate : face == STO ? rule.storedFallback : rule.fallback;
        if (written == 0) continue;
        EXPECT_EQ(ParseWave(Converted(Format(rule.format), face, rule.input(rate))).sampleRate,
                  static_cast<std::uint32_t>(written * rule.scale));
        EXPECT_EQ(Failed(face), !known && std::string(rule.format) == "voc");
      }
}

// --- Files written by sox and libsndfile ---------------------------------------------

// file: its extension tells sox the type; tone: sox's options; heard: the output's rate and channels; sndfile:
// sndfile-convert's encoding when it writes the file from sox's wave; reader: how sox reads the input, when not by
// itself.
struct Trip {
  const char* file;
  const char* tone;
  const char* heard;
  const char* sndfile = "";
  const char* reader = "";
};

// Input and output decode to the same samples where they overlap (the paths start at their own offsets), and a
// standard file's wave declares the byte rate of its frames.
TEST_F(Converters, FilesWrittenBySoxAndLibsndfileDecodeToTheirSamples) {
  if (HostToolsMissing()) GTEST_SKIP() << "sox or sndfile-convert is missing";
  const Trip trips[] = {
      {"8svx", "-r 8000 -c 1 -b 8", "8000 1"},
      {"wve", "-r 8000 -c 1", "8000 1"},
      {"sph", "-r 8000 -c 2 -b 16 -e signed", "8000 2"},
      {"pvf", "-r 16000 -c 2 -b 32", "16000 2"},
      {"paf", "-r 44100 -c 2 -b 16 -B", "44100 2"},
      {"caf", "-r 44100 -c 2 -b 16", "44100 2"},
      {"caf", "-r 8000 -c 2 -e a-law", "8000 2"},
      {"voc", "-r 8000 -c 1 -b 8", "8000 1"},
      {"voc", "-r 44100 -c 2 -b 8", "44100 2"},
      {"htk", "-r 16000 -c 1 -b 16", "16000 1"},
      {"au", "-r 22050 -c 2 -b 16 --comment ''", "44100 1"},  // stereo frames as one channel
      {"aiff", "-r 44100 -c 2 -b 16 --comment ''", "44100 2"},
      {"aifc", "-r 8000 -c 2 -b 16", "8000 2", "-alaw", "-t sndfile"},
  };
  for (const Trip& t : trips) {
    SCOPED_TRACE(std::string(t.file) + " " + t.tone + " " + t.sndfile);
    const FormatRow& f = Format(!std::strcmp(t.file, "8svx") ? "iff" : !std::strcmp(t.file, "aifc") ? "aiff" : t.file);
    const std::string source = ScratchFile(std::string("tone.") + t.file);
    const std::string wave = ScratchFile("tone.wav");
    // 0.4 s: a SPHERE sample count starting with 1 or 2 would be taken for the channel count
    ASSERT_TRUE(RunHostTool("sox -n " + std::string(t.tone) + " '" + (*t.sndfile ? wave : source) +
                            "' synth 0.4 sine 440 sine 660 gain -3"));
    ASSERT_TRUE(!*t.sndfile ||
                RunHostTool(std::string("sndfile-convert ") + t.sndfile + " '" + wave + "' '" + source + "'"));
    const WaveInfo w = ParseWave(Converted(f, EXT, ReadWholeFile(source)));
    ASSERT_FALSE(Failed(EXT));
    EXPECT_EQ(std::to_string(w.sampleRate) + " " + std::to_string(w.channels), t.heard);
    EXPECT_EQ(w.byteRate, w.sampleRate * w.blockAlign);
    const Bytes in = SoxDecoded(source, t.reader);
    const Bytes out = SoxDecoded(appState.*f.output, "");
    ASSERT_GT(out.size(), 1000u);
    const auto found = std::search(in.begin(), in.end(), out.begin() + 512, out.begin() + 576);
    ASSERT_NE(found, in.end());
    const std::ptrdiff_t shift = found - in.begin() - 512;
    const std::size_t from = static_cast<std::size_t>(std::max<std::ptrdiff_t>(0, -shift));
    const std::size_t to =
        std::min(out.size(), static_cast<std::size_t>(static_cast<std::ptrdiff_t>(in.size()) - shift));
    EXPECT_GE(to - from + 2048, in.size());  // PVF samples are taken from 1024, whatever the header's length
    EXPECT_EQ(Bytes(&out[from], &out[to]), Bytes(&in[from + shift], &in[to + shift]));
  }
}

// Stored IMA ADPCM entries decode to their first channel's samples as sox decodes them: each block's header sample
// and its first 2047 nibbles, which is sox's block less its last sample. Every step index starts one of the 89 full
// blocks, and the pattern's nibbles reach both limits of the predictor and of the index. A short last block decodes
// every nibble its channel has (sox only whole 4-byte groups), and its header sample follows it once more.
TEST_F(Converters, ImaAdpcmDecodesTheFirstChannelAsSoxDoes) {
  WriteWholeFile(appState.tempWavPath, ImaWave(1, 8000, 0));  // no block: the first header sample alone
  DecodeStoredImaAdpcm();
  EXPECT_EQ(ParseWave(ReadWholeFile(appState.decodedWavPath)).dataSize, 2u);
  if (HostToolsMissing()) GTEST_SKIP() << "sox is missing";
  for (std::uint16_t channels : {1, 2}) {
    SCOPED_TRACE(std::to_string(channels) + " channels");
    const std::size_t lastBlockBytes = channels == 1 ? 101 : 13;
    const std::size_t lastLeftBytes = channels == 1 ? 101 : 8;  // a stereo block alternates 4 left and 4 right bytes
    WriteWholeFile(appState.tempWavPath, ImaWave(channels, 8000, 90, lastBlockBytes));
    DecodeStoredImaAdpcm();
    ASSERT_EQ(appState.wavTypeKnown, 1);
    const Bytes ours = Tail(ReadWholeFile(appState.decodedWavPath), 44);
    const Bytes sox = SoxDecoded(appState.tempWavPath, "", "-e signed -b 16", "remix 1");
    ASSERT_EQ(ours.size(), 89u * 4096 + 2 + 4 * lastLeftBytes + 2);
    ASSERT_GT(sox.size(), 89u * 4098);
    for (std::size_t block = 0; block < 90; ++block) {
      const std::size_t compared = std::min<std::size_t>(4096, sox.size() - block * 4098);
      ASSERT_EQ(Bytes(&ours[block * 4096], &ours[block * 4096 + compared]),
                Bytes(&sox[block * 4098], &sox[block * 4098 + compared]))
          << "block " << block;
    }
  }
}

// --- The frame ---------------------------------------------------------------------------

// Every rule a path copies by, over payloads up to past an I/O block, ending before the input's end or inside its last
// unit; a payload a whole unit past the input's end cannot be read.
TEST_F(Converters, CopierMatchesTheByteAtATimeCopyForEveryRule) {
  std::set<std::tuple<int, UnitTransform, int, int>> shapes;  // unit, transform, group, dropEvery
  for (const FormatSample& r : FormatSamples())
    shapes.insert({r.path->copy.unitSize, r.path->copy.transform, r.path->copy.groupSize, r.path->copy.dropEvery});
  const std::size_t block = IO_BLOCK_BYTES;
  for (const auto& [unit, transform, group, dropEvery] : shapes)
    for (std::size_t payload : {std::size_t{0}, std::size_t{1}, std::size_t{7}, std::size_t{100}, block - 1, block + 1})
      for (std::int64_t shortBy : {0, 1, 2, -unit}) {
        // The bound may lie before the input's end (VOC, AIFF-C) or a unit past it (a read error).
        if ((payload > block && shortBy > 0) || (payload > 100 && shortBy < 0)) continue;
        SCOPED_TRACE(testing::Message() << "unit " << unit << " transform " << int(transform) << " group " << group
                                        << " payload " << payload << " short by " << shortBy);
        const Bytes input = PatternBytes(payload + 44, static_cast<std::uint32_t>(payload + 3));
        const CopyRule rule{44, unit, transform, group, static_cast<std::int64_t>(payload) - shortBy, dropEvery};
        WriteWholeFile(ScratchFile("in.bin"), input);
        Stream inStream = OpenStream(ScratchFile("in.bin"), "rb");
        Stream outStream = OpenStream(ScratchFile("out.bin"), "wb");
        ASSERT_EQ(CopyPayload(inStream.get(), outStream.get(), rule), shortBy >= 0);
        CloseStream(outStream);
        if (shortBy < 0) continue;
        const Bytes expected = ReferenceCopy(input, rule);
        ASSERT_EQ(ReadWholeFile(ScratchFile("out.bin")), expected);
        ASSERT_EQ(CopiedBytes(rule), static_cast<std::int64_t>(expected.size()));
      }
}

// That a conversion replaces the last output whole, the samples tell.
TEST_F(Converters, AFailedConversionRemovesItsHalfWrittenOutput) {
  const FormatRow& htk = Format("htk");
  const Bytes input = HtkFile(625, 2, PatternBytes(2 * IO_BLOCK_BYTES));
  for (long n = 1; n < 8; ++n)
    for (int face : {EXT, STO}) {
      IoFailAt(n);
      const std::string output = Convert(htk, face, input);
      IoFailAt(0);
      EXPECT_TRUE(Failed(face)) << n << " " << face;
      EXPECT_FALSE(FileExists(output)) << n << " " << face;
    }
  std::filesystem::remove(appState.htkSourcePath);  // a missing input
  htk.import();
  EXPECT_TRUE(Failed(EXT));
  appState.htkWavPath = ProgramFile("no-such-folder/out.wav");  // an output that cannot be created
  Convert(htk, EXT, input);
  EXPECT_TRUE(Failed(EXT));
}

TEST_F(Converters, DurationMillisecondsTokensAndLeadingIntegers) {
  for (double huge : {5e9, 4294968.0}) {  // whole seconds past 32-bit milliseconds
    SetDurationResults(StoredTarget(), huge);
    EXPECT_EQ(appState.durationMs, 4294967000u) << huge;
    EXPECT_EQ(appState.replayDurationMs, 4294967000u) << huge;
  }
  WriteWholeFile(ScratchFile("header.txt"), BytesOf("NIST_1A\n   1024\nchannel_count -i 1\nrate  x." +
                                                    std::string(TOKEN_KEEP_BYTES * 3, 'a') + " b"));
  Stream file = OpenStream(ScratchFile("header.txt"), "rb");
  TokenReader reader{file.get()};
  std::vector<std::string> tokens(1);
  while (tokens.size() < 20 && ReadToken(reader, ' ', tokens.back())) tokens.emplace_back();
  EXPECT_EQ(tokens, std::vector<std::string>({"NIST_1A\n", "", "", "1024\nchannel_count", "-i", "1\nrate", "",
                                              "x." + std::string(TOKEN_KEEP_BYTES - 2, 'a'), "b", ""}));
  // Digits behind a line break are every SPHERE value's case, a minus sign a refused PVF rate's.
  const std::pair<const char*, std::int32_t> numbers[] = {{" \n 42x", 42},
                                                          {"+8", 8},
                                                          {"ulaw", 0},
                                                          {"", 0},
                                                          {"-", 0},
                                                          {"99999999999", 2147483647},
                                                          {"-99999999999", -2147483647 - 1}};
  for (const auto& [digits, value] : numbers) EXPECT_EQ(LeadingInteger(digits), value) << digits;
}

}  // namespace
