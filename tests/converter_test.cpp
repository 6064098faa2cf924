// The eleven converters and the conversion frame, as tables. A row is one path or kept quirk, run through both
// faces where the format has both: the header it must write, its payload as a byte-at-a-time copy of the input
// describes it, its durations. Then rate tables, refused inputs, the data-offset boundaries, files that sox and
// libsndfile write (their decoding is the oracle), and the frame's guards.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "convert/conversion_target.h"
#include "convert/duration_results.h"
#include "convert/sample_copy.h"
#include "io/byte_order.h"
#include "io/text_tokens.h"
#include "state/app_state.h"
#include "tests/formats.h"
#include "tests/test_support.h"

namespace {
// sox, soxi and sndfile-convert are Linux programs: under Wine none runs, and their tests skip visibly.
bool RunHostTool(std::string line, const std::string& output = "") {
  line += (output.empty() ? " >/dev/null" : " >'" + output + "'") + std::string(" 2>/dev/null");
#ifndef _WIN32
  if (std::system(line.c_str()) == 0) return true;
#endif
  return false;
}

enum Faces { EXT = 1, STO = 2, BOTH = 3 };
constexpr UnitTransform SWAP = UnitTransform::ReverseGroups;
constexpr UnitTransform SIGN = UnitTransform::AddSignBit;
// Leading bytes of 80-bit AIFF rates.
constexpr std::uint32_t R8000 = 0x400BFA00;
constexpr std::uint32_t R11025 = 0x400CAC44;
constexpr std::uint32_t R16000 = 0x400CFA00;
constexpr std::uint32_t R22050 = 0x400DAC44;
constexpr std::uint32_t R32000 = 0x400DFA00;
constexpr std::uint32_t R44100 = 0x400EAC44;
constexpr std::uint32_t R48000 = 0x400EBB80;
constexpr std::uint32_t R88200 = 0x400FAC44;
constexpr std::uint32_t R96000 = 0x400FBB80;
constexpr std::uint32_t R176400 = 0x4010AC44;
constexpr std::uint32_t R_ODD = 0x400EAC45;
const CafFields CAF16 = {0x40, 0xE5, "lpcm", 2, 0x10, "free"};
const char* const MULAW = "sample_n_bytes -i 2\nsample_coding -s4 ulaw\n";

Bytes Payload(std::size_t size) { return PatternBytes(size, 5); }
Bytes Sph(const std::string& fields, const Bytes& payload) {
  return SphereFile("NIST_1A\n   1024\n" + fields + "end_head\n", payload);
}
Bytes Sph(int channels, int rate, const std::string& more = "", const Bytes& payload = Payload(1000)) {
  return Sph("channel_count -i " + std::to_string(channels) + "\nsample_rate -i " + std::to_string(rate) + "\n" + more,
             payload);
}
Bytes operator+(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

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
  // The face must refuse input: its flag set, the output there before and the
  // durations left alone (a stored AIFF failure shows its text as unknown).
  void ExpectRefused(const FormatRow& f, int face, const Bytes& input) {
    const std::string output = face == STO ? appState.decodedWavPath : appState.*f.output;
    WriteWholeFile(output, BytesOf("previous"));
    appState.durationSeconds = 7.25;
    appState.replayDurationMs = 7000;
    appState.durationMs = 7000;
    appState.durationText = "7.25";
    Convert(f, face, input);
    EXPECT_TRUE(Failed(face));
    EXPECT_EQ(ReadWholeFile(output), BytesOf("previous"));
    EXPECT_EQ(appState.durationSeconds, 7.25);
    EXPECT_EQ(appState.durationMs, 7000u);
    EXPECT_EQ(appState.replayDurationMs, 7000u);
    EXPECT_EQ(appState.durationText, face == STO && std::string(f.name) == "aiff" ? "unknown" : "7.25");
  }
};

// --- Headers, payloads and durations ------------------------------------------------

// A path of a format: an input of S bytes gets a data size of S - dataLess; map
// is the payload rule, its payloadBytes adding to S - dataOffset.
struct Path {
  const char* format;
  std::int64_t dataLess;
  CopyRule map;
};
Path WithDataLess(Path path, std::int64_t dataLess) {
  path.dataLess = dataLess;
  return path;
}
enum Flags { WRITTEN_FAILED = 1, SECONDS_OF_DATA = 2, WHOLE_SECONDS_EXTERNAL = 4, EXT_ONLY = 8, STO_ONLY = 16 };

// The header written: format tag, channels, rate, byte rate, bits (block align is channels times bytes a sample).
struct Row {
  const char* what;
  Bytes input;
  std::uint32_t tag;
  std::uint32_t channels;
  std::uint32_t rate;
  std::uint32_t byteRate;
  std::uint32_t bits;
  Path path;
  int flags = 0;               // Flags
  double per = 0;              // durationSeconds = S / per; 0: per the byte rate written
  const char* text = nullptr;  // the stored text, when not the plain six digits
};

std::vector<Row> Rows() {
  const Bytes p = Payload(1000);
  const Bytes p101 = Payload(101);
  const Bytes p120 = Payload(120);
  const Path mpc{"mpc", 42, {42, 2}};
  const Path iff8{"iff", 100, {100, 2, SIGN}};
  const Path iff16{"iff", 100, {100, 2, SWAP}};
  const Path wve{"wve", 32, {32, 2}};
  const Path sph{"sph", 1024, {1024, 2}};
  const Path pvf{"pvf", 1024, {1024, 2, SWAP}};
  const Path pvf32{"pvf", 1024, {1024, 4, SWAP, 4}};
  const Path paf16{"paf", 2048, {2048, 2, SWAP}};
  const Path paf8{"paf", 2048, {2048, 2, SIGN}};
  const Path paf24{"paf", 2052, {2048, 2, {}, 2, 0, 16}};
  const Path caf16{"caf", 4094, {4094, 2, SWAP}};
  const Path caf24{"caf", 4096, {4096, 3, SWAP, 3}};
  const Path caf8{"caf", 4094, {4094, 2, SIGN}};
  const Path caf711{"caf", 4096, {4096, 2}};
  const Path vocTc{"voc", 41, {40, 1, {}, 2, -1}};
  const Path voc16{"voc", 40, {40, 1}};
  const Path voc711{"voc", 42, {42, 2}};
  const Path htk{"htk", 12, {12, 2, SWAP}};
  const Path auLin{"au", 32, {32, 2, SWAP}};
  const Path au711{"au", 24, {24, 2}};
  const Path auFloat{"au", 22, {24, 2, SWAP}};
  const Path aiff16{"aiff", 58, {58, 2, SWAP}};
  const Path aiff24{"aiff", 54, {54, 6, SWAP, 3}};
  const Path aiff32{"aiff", 58, {58, 4, UnitTransform::HighHalfThenSilence}};
  const Path aifc711{"aiff", 74, {72, 2, {}, 2, -2}};
  const Path aifcPcm{"aiff", 74, {72, 2, UnitTransform::AddWord807F, 2, -2}};
  return {
      {"mono 8000", MpcFile(0, 8000, p), 1, 1, 8000, 16000, 16, mpc},
      {"flag 0x7F is stereo", MpcFile(0x7F, 44100, p), 1, 2, 44100, 176400, 16, mpc},
      {"negative flag: mono byte rate", MpcFile(0x80, 44100, p), 1, 2, 44100, 88200, 16, mpc},
      {"8SVX 8000", IffFile("8SVX", "VHDR", 8000, Payload(1001)), 1, 1, 8000, 8000, 8, iff8},
      {"16SV 22050", IffFile("16SV", "VHDR", 22050, p), 1, 1, 22050, 44100, 16, iff16},
      {"cycle length in the rate", IffFile("8SVX", "VHDR", 0x11F40, p), 1, 1, 73536, 73536, 8, iff8},
      {"16SV largest rate", IffFile("16SV", "VHDR", 0x7FFFFFFF, p), 1, 1, 0x7FFFFFFF, 0xFFFFFFFE, 16, iff16},
      {"A-law", WveFile("ALawSoundFile**", 22860, Payload(1001)), 6, 1, 16000, 16000, 8, wve},
      {"bare alaw mark", WveFile("alaw.", 3762, p), 6, 1, 8000, 8000, 8, wve},
      {"no full stop", WveFile("Alaw", 3762, p), 6, 1, 8000, 8000, 8, wve},
      {"mu-law mono", Sph(1, 16000, MULAW, Payload(1001)), 7, 1, 16000, 16000, 8, sph},
      {"A-law stereo", Sph(2, 8000, "sample_n_bytes -i 1\nsample_coding -s4 alaw\n"), 6, 2, 8000, 16000, 8, sph},
      {"16-bit stereo", Sph(2, 22050), 1, 2, 22050, 88200, 16, sph},
      {"string fields use up the ten steps",
       Sph("database_id -s5 TIMIT\ndatabase_version -s3 1.0\nutterance_id -s8 aks0_sa1\nchannel_count -i "
           "1\nsample_rate -i 16000\n",
           p),
       1, 2, 44100, 88200, 16, sph},
      {"coding in the tenth step",
       Sph(1, 8000, "sample_n_bytes -i 1\nsample_byte_format -s2 01\nsample_coding -s4 ulaw\n"), 7, 1, 8000, 8000, 8,
       sph},
      {"coding past the tenth step",
       Sph(1, 8000, "sample_n_bytes -i 1\nsample_byte_format -s2 01\nsample_sig_bits -i 8\nsample_coding -s4 ulaw\n"),
       1, 1, 8000, 16000, 16, sph},
      {"24 chooses 24-bit, a later value keeps 16-bit rates",
       Sph("channel_count -i 2\nsample_count -i 24576\nsample_rate -i 16000\nsample_n_bytes -i 3\n", p), 1, 2, 16000,
       48000, 24, sph, 0, 64000},
      {"a last 24 doubles the 24-bit byte rate", Sph(1, 16000, "sample_count -i 24000\n"), 1, 1, 16000, 96000, 24, sph,
       0, 48000},
      {"a last 32 doubles the 16-bit rates", Sph(1, 8000, "sample_count -i 32768\n"), 1, 1, 16000, 32000, 16, sph, 0,
       64000},
      {"176400 by its prefix", Sph(1, 176400), 1, 1, 176400, 352800, 16, sph},
      {"a rate starting with 8000", Sph(1, 80000), 1, 1, 80000, 160000, 16, sph},
      {"unknown rate is 44100", Sph(1, 12345), 1, 1, 44100, 88200, 16, sph},
      {"first value starting with 1 is the channel count",
       Sph("sample_count -i 1600\nchannel_count -i 1\nsample_rate -i 8000\n", p), 1, 2, 8000, 16000, 16, sph},
      {"empty value and short coding", Sph("x -i  1\nchannel_count -i 1\nrate -i 8000\ny -s4 ul ", p), 1, 1, 8000,
       16000, 16, sph},
      {"no header text", SphereFile("", p), 1, 2, 44100, 88200, 16, sph},
      {"16-bit stereo", PvfFile("2 8000 16", p), 1, 2, 8000, 32000, 16, pvf},
      {"8-bit: half the rate", PvfFile("2 44100 8", p), 1, 2, 22050, 88200, 16, pvf},
      {"8-bit 11025", PvfFile("1 11025 8", p), 1, 1, 5512, 11025, 16, pvf, 0, 11024},
      {"32-bit mono, odd S", PvfFile("1 8000 32", Payload(5)), 1, 1, 8000, 32000, 32, WithDataLess(pvf32, 1023)},
      {"0 channels", PvfFile("0 8000 32", p), 1, 2, 8000, 32000, 32, pvf32},
      {"numbers from the tokens' starts, odd S", PvfFile("1 22050Hz 16bit", Payload(1001)), 1, 1, 22050, 44100, 16,
       WithDataLess(pvf, 1023)},
      {"K is one character", PvfFile("1 8000 1", p), 1, 1, 8000, 16000, 16, pvf},
      {"16-bit stereo", PafFile(3001, {{0, 0, 0xAC, 0x44}, 0, 2}), 1, 2, 44100, 176400, 16, paf16},
      {"high half of the rate ignored", PafFile(3001, {{0x12, 0x34, 0x58, 0x88}, 0, 1}), 1, 1, 88200, 176400, 16,
       paf16},
      {"3 channels", PafFile(3001, {{0, 0, 0xAC, 0x44}, 0, 3}), 1, 2, 44100, 88200, 16, paf16},
      {"8-bit stereo", PafFile(3001, {{0, 0, 0x2B, 0x11}, 2, 2}), 1, 2, 11025, 22050, 8, paf8},
      {"24-bit odd rate", PafFile(2048 + 70, {{0, 0, 0x30, 0x39}, 1, 1}), 1, 1, 12345, 37035, 24, paf24,
       SECONDS_OF_DATA},
      {"24-bit rate 0, cut unit", PafFile(2048 + 65, {{0, 0, 0, 0}, 1, 1}), 1, 1, 22050, 66150, 24,
       WithDataLess(paf24, 2051), SECONDS_OF_DATA},
      {"24-bit 8000, 2 s", PafFile(2048 + 32 * 1600, {{0, 0, 0x1F, 0x40}, 1, 1}), 1, 1, 8000, 24000, 24,
       WithDataLess(paf24, 2048 + 3200), SECONDS_OF_DATA, 0, "2"},
      {"12000 Hz, external default", CafFile(5001, {0x40, 0xC7, "lpcm", 2, 0x10, "free"}), 1, 2, 192000, 768000, 16,
       caf16, EXT_ONLY},
      {"12000 Hz, stored default", CafFile(5001, {0x40, 0xC7, "lpcm", 2, 0x10, "free"}), 1, 2, 22050, 88200, 16, caf16,
       STO_ONLY},
      {"3 channels", CafFile(5001, {0x40, 0xE5, "lpcm", 3, 0x10, "free"}), 1, 2, 44100, 88200, 16, caf16},
      {"16-bit ulaw stays linear", CafFile(5001, {0x40, 0xBF, "ulaw", 1, 0x10, "data"}), 1, 1, 8000, 16000, 16, caf16},
      {"32-bit mono", CafFile(5001, {0x40, 0xF7, "lpcm", 1, 0x20, "free"}), 1, 1, 96000, 384000, 32, caf16},
      {"32-bit, external default", CafFile(5001, {0x40, 0, "lpcm", 2, 0x20, "free"}), 1, 2, 192000, 1536000, 32, caf16,
       EXT_ONLY},
      {"32-bit, stored default", CafFile(5001, {0x40, 0, "lpcm", 2, 0x20, "free"}), 1, 2, 88200, 705600, 32, caf16,
       STO_ONLY},
      {"24-bit stereo", CafFile(5001, {0x40, 0xE7, "lpcm", 2, 0x18, "free"}), 1, 2, 48000, 288000, 24, caf24},
      {"24-bit, stored default", CafFile(5001, {0x41, 0, "lpcm", 1, 0x18, "free"}), 1, 1, 88200, 264600, 24, caf24,
       STO_ONLY},
      {"24-bit, external default", CafFile(5001, {0x41, 0, "lpcm", 1, 0x18, "pakt"}), 1, 1, 192000, 576000, 24, caf24,
       EXT_ONLY},
      {"8-bit, stored default", CafFile(5001, {0, 0, "lpcm", 2, 8, "free"}), 1, 2, 22050, 44100, 8, caf8, STO_ONLY},
      {"8-bit, external default", CafFile(5001, {0, 0, "lpcm", 2, 8, "free"}), 1, 2, 192000, 384000, 8, caf8, EXT_ONLY},
      {"A-law stereo", CafFile(5001, {0x40, 0xCF, "alaw", 2, 8, "free"}), 6, 2, 16000, 32000, 8, caf711},
      {"mu-law default", CafFile(5001, {0x40, 0xD0, "ulaw", 1, 8, "free"}), 7, 1, 192000, 192000, 8, caf711},
      {"classic 8000", TimeConstantVoc(5001, 131), 1, 1, 8000, 8000, 8, vocTc},
      {"extended 44100", TimeConstantVoc(5001, 62634), 1, 2, 44100, 88200, 8, vocTc},
      {"16-bit stereo", NewFormatVoc(5001, 22050, 16, 2, 4), 1, 2, 22050, 88200, 16, voc16},
      {"16-bit mono", NewFormatVoc(5001, 48000, 16, 1, 4), 1, 1, 48000, 96000, 16, voc16},
      {"16-bit, 3 channels", NewFormatVoc(5001, 8000, 16, 3, 4), 1, 2, 8000, 32000, 16, voc16, 0, 48000},
      {"mu-law mono", NewFormatVoc(5001, 8000, 8, 1, 7), 7, 1, 8000, 8000, 8, voc711, STO_ONLY},
      {"A-law stereo", NewFormatVoc(5001, 11025, 8, 2, 6), 6, 2, 11025, 22050, 8, voc711, STO_ONLY},
      {"mu-law, 0 channels", NewFormatVoc(5001, 8000, 8, 0, 7), 7, 2, 8000, 16000, 8, voc711, STO_ONLY, 8000},
      {"classic with sample byte 16", WithBytesAt(TimeConstantVoc(5001, 131, 16), 32, {0, 0, 16, 2}), 1, 2, 131, 524,
       16, voc16},
      {"classic with sample byte 8", WithBytesAt(TimeConstantVoc(5001, 131, 8), 32, {0, 0, 8, 1, 7}), 7, 1, 131, 131, 8,
       voc711, STO_ONLY},
      {"unknown classic constant", TimeConstantVoc(22091, 130), 1, 1, 22050, 22050, 8, vocTc, WRITTEN_FAILED, 0,
       "1.00186"},
      {"unknown extended constant", TimeConstantVoc(22091, 32768), 1, 2, 22050, 44100, 8, vocTc, WRITTEN_FAILED, 0,
       "0.50093"},
      {"external 8-bit new format", NewFormatVoc(8042, 8000, 8, 1, 7), 1, 1, 22050, 22050, 8, vocTc,
       WRITTEN_FAILED | EXT_ONLY},
      {"16000", HtkFile(625, 2, Payload(32000)), 1, 1, 16000, 32000, 16, htk, WHOLE_SECONDS_EXTERNAL, 0, "1.00038"},
      {"odd payload", HtkFile(1250, 2, Payload(3)), 1, 1, 8000, 16000, 16, htk, WHOLE_SECONDS_EXTERNAL},
      {"8-bit stereo, odd rate", AuFile(2, 8001, 2, p101), 1, 1, 8000, 16002, 16, auLin, 0, 16000},
      {"low half 00 02 is stereo", AuFile(3, 8000, 0x10002, p101), 1, 1, 16000, 32000, 16, auLin},
      {"00 03 is mono", AuFile(3, 8000, 3, p101), 1, 1, 8000, 16000, 16, auLin},
      {"encoding's low byte", AuFile(0x105, 48000, 1, p101, "xsnd"), 1, 1, 96000, 192000, 16, auLin},
      {"mu-law mono, no magic", AuFile(1, 8000, 1, p101, "RIFF"), 7, 1, 8000, 8000, 8, au711},
      {"A-law stereo", AuFile(27, 11025, 2, p101), 6, 2, 11025, 22050, 8, au711},
      {"stored A-law needs no magic", AuFile(27, 8000, 0x102, p101, "RIFF"), 6, 2, 8000, 16000, 8, au711, STO_ONLY},
      {"G.711, 0 channels", AuFile(1, 8000, 0, p101), 7, 2, 8000, 8000, 8, au711},
      {"float stereo", AuFile(6, 44100, 2, p101), 3, 2, 44100, 352800, 32, auFloat},
      {"float, 5 channels", AuFile(6, 8000, 5, p101, "Xsnd"), 3, 1, 8000, 32000, 32, auFloat},
      {"16-bit stereo", AiffFile(2, 16, R44100, p120), 1, 2, 44100, 176400, 16, aiff16},
      {"16-bit, 3 channels", AiffFile(3, 16, R8000, p120), 1, 2, 8000, 16000, 16, aiff16},
      {"16-bit, 12.3456875 s", AiffFile(1, 16, R8000, Payload(197531 - 54)), 1, 1, 8000, 16000, 16, aiff16, 0, 0,
       "12.345"},
      {"16-bit, 3 s", AiffFile(1, 16, R8000, Payload(48000 - 54)), 1, 1, 8000, 16000, 16, aiff16, 0, 0, "unknown"},
      {"24-bit stereo, cut unit", AiffFile(2, 24, R48000, Payload(125)), 1, 2, 48000, 288000, 24, aiff24},
      {"32-bit mono", AiffFile(1, 32, R48000, p120), 1, 1, 96000, 192000, 16, aiff32},
      {"32-bit stereo", AiffFile(2, 32, R44100, p120), 1, 2, 88200, 352800, 16, aiff32},
      {"8-bit stereo", AiffFile(2, 8, R11025, p120), 1, 2, 5512, 22048, 16, aiff16},
      {"8-bit, other letters at 50", AiffFile(1, 8, R8000, p120, "fl32"), 1, 1, 4000, 8000, 16, aiff16},
      {"8-bit FL32", AiffFile(1, 8, R8000, Payload(20000 - 54), "FL32"), 1, 1, 4000, 8000, 16, aiff16, WRITTEN_FAILED},
      {"8-bit FL64", AiffFile(1, 8, R8000, Payload(20000 - 54), "FL64"), 1, 1, 4000, 8000, 16, aiff16, WRITTEN_FAILED},
      {"AIFF-C mu-law stereo", AifcFile(2, R8000, "ulaw", Payload(121)), 7, 2, 8000, 16000, 8, aifc711},
      {"AIFF-C A-law, 3 channels", AifcFile(3, R44100, "alaw", p120), 6, 2, 44100, 44100, 8, aifc711},
      {"AIFF-C uncompressed mono", AifcFile(1, R44100, "NONE", p120), 1, 1, 22050, 44100, 16, aifcPcm},
      {"AIFF-C uncompressed stereo", AifcFile(2, R22050, "sowt", p120), 1, 1, 22050, 44100, 16, aifcPcm},
  };
}

TEST_F(Converters, EveryPathWritesItsHeaderPayloadAndDurations) {
  for (const Row& r : Rows()) {
    const FormatRow& f = Format(r.path.format);
    for (int face : FacesOf(f, r.flags & EXT_ONLY ? EXT : r.flags & STO_ONLY ? STO : BOTH)) {
      SCOPED_TRACE(std::string(f.name) + ": " + r.what + (face == STO ? " (stored)" : " (external)"));
      // An external conversion leaves the stored fields alone.
      appState.durationText = "kept";
      appState.replayDurationMs = 7;
      const Bytes out = ReadWholeFile(Convert(f, face, r.input));
      EXPECT_EQ(Failed(face), (r.flags & WRITTEN_FAILED) != 0);
      const WaveInfo w = ParseWave(out);
      ASSERT_TRUE(w.ok);
      const std::int64_t s = static_cast<std::int64_t>(r.input.size());
      const std::int64_t data = s - r.path.dataLess;
      const bool g711 = r.tag == 6 || r.tag == 7;
      const bool isFloat = r.tag == 3;
      const std::int64_t header = g711 ? 58 : isFloat ? (r.channels == 2 ? 88 : 80) : 44;
      // G.711 counts the frames; the float header holds a fixed count for mono, 0 otherwise
      const std::int64_t fact = g711 ? data / r.channels : isFloat && r.channels == 1 ? 125635 : 0;
      EXPECT_EQ(std::make_tuple(w.formatTag, w.channels, w.sampleRate, w.byteRate, w.blockAlign, w.bitsPerSample),
                std::make_tuple(r.tag, r.channels, r.rate, r.byteRate, r.channels * r.bits / 8, r.bits));
      EXPECT_EQ(std::make_tuple(std::int64_t{w.dataSize}, std::int64_t{w.riffSize}, std::int64_t{w.factSamples},
                                std::int64_t(w.dataOffset)),
                std::make_tuple(data, data + header - 8, fact, header));
      // G.711: 8 bits, an empty extension, a 4-byte fact chunk; float: a 4-byte fact chunk, PEAK version 1, its entries
      // zero
      if (g711) {
        EXPECT_EQ(ReadU16Le(&out[34]), 8);
        EXPECT_EQ(ReadU16Le(&out[36]), 0);
        EXPECT_EQ(ReadU32Le(&out[42]), 4u);
      }
      if (isFloat) {
        EXPECT_EQ(ReadU32Le(&out[40]), 4u);
        EXPECT_EQ(ReadU32Le(&out[56]), 1u);
        EXPECT_EQ(Bytes(&out[60], &out[w.dataOffset - 8]), Bytes(w.dataOffset - 68, 0));
      }
      CopyRule rule = r.path.map;
      rule.payloadBytes += s - rule.dataOffset;
      EXPECT_EQ(Tail(out, w.dataOffset),
                Bytes(isFloat ? 2 : 0, 0) + ReferenceCopy(r.input, rule));  // float data starts with two zero bytes
      double seconds = static_cast<double>(r.flags & SECONDS_OF_DATA ? data : s) / (r.per ? r.per : r.byteRate);
      if (r.flags & WHOLE_SECONDS_EXTERNAL && face == EXT) seconds = std::floor(seconds);
      const std::uint32_t ms = static_cast<std::uint32_t>(seconds) * 1000u;
      EXPECT_DOUBLE_EQ(appState.durationSeconds, seconds);
      EXPECT_EQ(std::make_tuple(appState.durationMs, appState.replayDurationMs),
                std::make_tuple(ms, face == STO ? ms : 7u));
      char g[32];  // the stored text: six digits, AIFF's cut to six characters and "unknown" when under two
      const std::string shown(g, static_cast<std::size_t>(std::snprintf(g, sizeof g, "%g", seconds)));
      const std::string stored = std::string(f.name) != "aiff" ? shown
                                 : shown.size() < 2            ? "unknown"
                                                               : shown.substr(0, 6);
      EXPECT_EQ(appState.durationText, face == EXT ? "kept" : r.text ? r.text : stored);
    }
  }
}

TEST_F(Converters, RateTablesAndTheirDefaults) {
  struct RateTable {  // rates: the code as the input holds it, the rate written
    const char* format;
    Bytes (*input)(std::uint32_t code);
    std::vector<std::pair<std::uint32_t, std::uint32_t>> rates;
  } tables[] = {
      {"mpc",
       [](std::uint32_t v) { return MpcFile(0, v, Payload(8)); },
       {{8000, 8000},
        {11025, 11025},
        {16000, 16000},
        {22050, 22050},
        {32000, 32000},
        {44100, 44100},
        {48000, 48000},
        {22664, 88200},
        {30464, 96000},
        {45328, 176400}}},
      {"wve",
       [](std::uint32_t v) { return WveFile("ALawSoundFile**", v, Payload(8)); },
       {{3762, 8000},
        {25135, 11025},
        {22860, 16000},
        {50154, 22050},
        {15677, 32000},
        {34517, 44100},
        {5921, 48000},
        {51275, 88200},
        {41702, 96000},
        {0, 8000},
        {44100, 8000}}},
      {"htk",
       [](std::uint32_t v) { return HtkFile(v, 2, Payload(8)); },
       {{1250, 8000},
        {907, 11025},
        {625, 16000},
        {453, 22050},
        {312, 32000},
        {226, 44100},
        {208, 48000},
        {113, 88200},
        {104, 96000},
        {56, 176400},
        {52, 192000},
        {1000, 22050},
        {227, 22050},
        {0, 22050}}},
      {"paf",
       [](std::uint32_t v) {
         return PafFile(2100, {{0, 0, int(v >> 8), int(v & 0xFF)}, 0, 1});
       },
       {{0x1F40, 8000},
        {0x2B11, 11025},
        {0x3E80, 16000},
        {0x5622, 22050},
        {0x7D00, 32000},
        {0xAC44, 44100},
        {0xBB80, 48000},
        {0x5888, 88200},
        {0x7700, 96000},
        {0xB110, 176400},
        {0x1234, 192000}}},
      {"caf",
       [](std::uint32_t v) {
         return CafFile(4200, {int(v >> 8), int(v & 0xFF), "lpcm", 1, 0x10, "free"});
       },
       {{0x40BF, 8000},
        {0x40C5, 11025},
        {0x40CF, 16000},
        {0x40D5, 22050},
        {0x40DF, 32000},
        {0x40E5, 44100},
        {0x40E7, 48000},
        {0x40F5, 88200},
        {0x40F7, 96000},
        {0x4105, 176400}}},
      {"voc",
       [](std::uint32_t v) { return TimeConstantVoc(1000, v); },
       {{131, 8000},
        {166, 11025},
        {194, 16000},
        {211, 22050},
        {225, 32000},
        {234, 44100},
        {236, 48000},
        {245, 88200},
        {49536, 8000},
        {53927, 11025},
        {57536, 16000},
        {59732, 22050},
        {61536, 32000},
        {62634, 44100},
        {62870, 48000},
        {64085, 88200},
        {64203, 96000}}},
      {"aiff",
       [](std::uint32_t v) { return AiffFile(1, 16, v, Payload(8)); },
       {{R8000, 8000},
        {R11025, 11025},
        {R16000, 16000},
        {R22050, 22050},
        {R32000, 32000},
        {R44100, 44100},
        {R48000, 48000},
        {R88200, 88200},
        {R96000, 96000},
        {R176400, 176400},
        {R_ODD, 22050}}},
      {"aiff",
       [](std::uint32_t v) { return AiffFile(1, 24, v, Payload(12)); },
       {{R8000, 8000}, {R176400, 176400}, {R_ODD, 192000}}},
      // 32-bit samples play at twice the rate, 8-bit ones at half of it (11025 as 11024)
      {"aiff",
       [](std::uint32_t v) { return AiffFile(1, 32, v, Payload(8)); },
       {{R8000, 16000},
        {R11025, 22050},
        {R16000, 32000},
        {R22050, 44100},
        {R32000, 64000},
        {R44100, 88200},
        {R48000, 96000},
        {R88200, 176400},
        {R96000, 192000},
        {R176400, 192000}}},
      {"aiff",
       [](std::uint32_t v) { return AiffFile(1, 8, v, Payload(8)); },
       {{R8000, 4000},
        {R11025, 5512},
        {R16000, 8000},
        {R22050, 11025},
        {R32000, 16000},
        {R44100, 22050},
        {R48000, 24000},
        {R88200, 44100},
        {R96000, 22050}}},
      {"aiff",
       [](std::uint32_t v) { return AifcFile(1, v, "alaw", Payload(8)); },
       {{R8000, 8000},
        {R11025, 11025},
        {R16000, 16000},
        {R22050, 22050},
        {R32000, 32000},
        {R44100, 44100},
        {R48000, 48000},
        {R88200, 88200},
        {R96000, 96000},
        {R176400, 176400},
        {R_ODD, 176400}}},
  };
  for (const RateTable& t : tables)
    for (const auto& [code, rate] : t.rates) {
      for (int face : FacesOf(Format(t.format), BOTH)) {
        const Bytes out = ReadWholeFile(Convert(Format(t.format), face, t.input(code)));
        EXPECT_FALSE(Failed(face)) << t.format << " " << code;
        EXPECT_EQ(ParseWave(out).sampleRate, rate) << t.format << " " << code << " " << face;
      }
    }
}

// --- Refused inputs and the data-offset boundaries ------------------------------------

struct Case {
  const char* format;
  const char* what;
  Bytes input;
  int faces = BOTH;
  std::uint32_t dataSize = 0;
};
TEST_F(Converters, RefusedInputsWriteNothingAndKeepTheDurationsDownToTheDataOffset) {
  const Bytes z(100, 0);
  const Case refusals[] = {
      {"mpc", "192000's low half", MpcFile(0, 192000 & 0xFFFF, z)},
      {"iff", "other form", IffFile("AIFF", "VHDR", 8000, z)},
      {"iff", "VHDR not first", IffFile("8SVX", "NAME", 8000, z)},
      {"iff", "16SV, BODY first", IffFile("16SV", "BODY", 8000, z)},
      {"iff", "rate 0", IffFile("8SVX", "VHDR", 0, z)},
      {"iff", "16SV byte rate past 32 bits", IffFile("16SV", "VHDR", 0x80000000u, z)},
      {"wve", "ULaw", WveFile("ULaw", 3762, z)},
      {"wve", "short mark ALaw", WveFile("ALaw.", 3762, z)},
      {"wve", "alaw1", WveFile("alaw1.", 3762, z)},
      {"wve", "full stop first", WveFile(".alawSoundFile", 3762, z)},
      {"pvf", "24-bit", PvfFile("1 8000 24", z)},
      {"pvf", "no third token", PvfFile("1 8000", z)},
      {"pvf", "K not a number", PvfFile("1 8000 x16", z)},
      {"pvf", "8-bit rate halving to 0", PvfFile("1 1 8", z)},
      {"pvf", "negative rate", PvfFile("1 -8000 16", z)},
      {"pvf", "byte rate past 32 bits", PvfFile("2 2000000000 32", z)},
      {"paf", "24-bit stereo", PafFile(3000, {{0, 0, 0x56, 0x22}, 1, 2})},
      {"paf", "24-bit, 0 channels", PafFile(3000, {{0, 0, 0x56, 0x22}, 1, 0})},
      {"paf", "format 3", PafFile(3000, {{0, 0, 0x56, 0x22}, 3, 1})},
      {"paf", "format 0x0100", PafFile(3000, {{0, 0, 0x56, 0x22}, 0x100, 1})},
      {"paf", "header fields only", PafFile(24, {{0, 0, 0x56, 0x22}, 2, 1})},
      {"caf", "12-bit", CafFile(5000, {0x40, 0xBF, "lpcm", 1, 0x0C, "free"})},
      {"caf", "32-bit without a free chunk", CafFile(5000, {0x40, 0xBF, "lpcm", 1, 0x20, "pakt"})},
      {"caf", "header only", CafFile(56, CAF16)},
      {"voc", "time constant 0", TimeConstantVoc(1000, 0)},
      {"voc", "16-bit rate 0", NewFormatVoc(1000, 0, 16, 1, 4)},
      {"voc", "16-bit, 0 channels", NewFormatVoc(1000, 8000, 16, 0, 4)},
      {"voc", "stored 24-bit", NewFormatVoc(1000, 8000, 24, 1, 4), STO},
      {"voc", "stored 8-bit codec 4", NewFormatVoc(1000, 8000, 8, 1, 4), STO},
      {"voc", "stored mu-law rate 0", NewFormatVoc(1000, 0, 8, 1, 7), STO},
      {"htk", "4 bytes a sample", HtkFile(625, 4, z)},
      {"htk", "1 byte a sample", HtkFile(625, 1, z)},
      {"htk", "sample size in the wrong half", HtkFile(625, 0x200, z)},
      {"htk", "cut before the sample size", Bytes{0, 0, 0, 1, 0, 0, 2, 0x71}},
      {"au", "encoding 4", AuFile(4, 8000, 1, z)},
      {"au", "low byte read signed", AuFile(0x81, 8000, 1, z)},
      {"au", "8-bit rate halving to 0", AuFile(2, 1, 1, z)},
      {"au", "mu-law rate 0", AuFile(1, 0, 2, z)},
      {"au", "float rate 0", AuFile(6, 0, 1, z)},
      {"au", "32-bit without magic", AuFile(5, 8000, 1, z, ".SND"), EXT},
      {"au", "float without magic", AuFile(6, 8000, 1, z, std::string(4, '\0').c_str()), EXT},
      {"au", "A-law without magic", AuFile(27, 8000, 1, z, "RIFF"), EXT},
      {"aiff", "12-bit", AiffFile(1, 12, R8000, z)},
      {"aiff", "AIFF-C FL32", AifcFile(1, R8000, "FL32", z)},
      {"aiff", "AIFF-C FL64", AifcFile(2, R8000, "FL64", z)},
      {"aiff", "AIFF-C of 72 bytes", AifcFile(1, R8000, "ulaw", {})},
      {"aiff", "cut inside the sample size", Head(AiffFile(1, 16, R8000, {}), 27)},
  };
  for (const Case& r : refusals)
    for (int face : FacesOf(Format(r.format), r.faces)) {
      SCOPED_TRACE(std::string(r.format) + ": " + r.what + (face == STO ? " (stored)" : " (external)"));
      ExpectRefused(Format(r.format), face, r.input);
    }
  for (const FormatRow& f : Formats())
    for (int face : FacesOf(f, BOTH)) {
      SCOPED_TRACE(std::string(f.name) + " empty or missing, face " + std::to_string(face));
      ExpectRefused(f, face, {});
      std::filesystem::remove(face == STO ? appState.tempWavPath : appState.*f.source);
      (face == STO ? f.convertStored : f.import)();
      EXPECT_TRUE(Failed(face));
    }
  // An input of exactly the data offset converts to an empty data chunk (AU's float data holds its two zero
  // bytes); one byte less is refused.
  const Case boundaries[] = {
      {"mpc", "", MpcFile(0, 8000, {})},
      {"iff", "", IffFile("8SVX", "VHDR", 8000, {})},
      {"wve", "", WveFile("ALawSoundFile**", 3762, {})},
      {"sph", "", Sph(1, 16000, MULAW, {})},
      {"pvf", "", PvfFile("1 8000 16", {})},
      {"paf", "", PafFile(2048, {{0, 0, 0x56, 0x22}, 0, 1})},
      {"paf", "", PafFile(2048, {{0, 0, 0x56, 0x22}, 1, 1})},
      {"paf", "", PafFile(2048, {{0, 0, 0x56, 0x22}, 2, 1})},
      {"caf", "", CafFile(4094, CAF16)},
      {"caf", "", CafFile(4096, {0x40, 0xBF, "lpcm", 1, 0x18, "free"})},
      {"caf", "", CafFile(4096, {0x40, 0xBF, "ulaw", 1, 8, "free"})},
      {"voc", "", TimeConstantVoc(41, 131)},
      {"voc", "", NewFormatVoc(40, 8000, 16, 1, 4)},
      {"voc", "", NewFormatVoc(42, 8000, 8, 1, 7), STO},
      {"htk", "", HtkFile(625, 2, {})},
      {"au", "", AuFile(3, 8000, 1, Payload(8))},
      {"au", "", AuFile(1, 8000, 1, {})},
      {"au", "", AuFile(6, 8000, 1, {}), BOTH, 2},
      {"aiff", "", AiffFile(1, 16, R8000, Payload(4))},
      {"aiff", "", AiffFile(1, 24, R8000, {})},
      {"aiff", "", AiffFile(1, 8, R8000, Payload(4))},
      {"aiff", "", AiffFile(1, 32, R8000, Payload(4))},
      {"aiff", "", AifcFile(1, R8000, "ulaw", Payload(2))},
  };
  for (const Case& b : boundaries)
    for (int face : FacesOf(Format(b.format), b.faces)) {
      SCOPED_TRACE(std::string(b.format) + " of " + std::to_string(b.input.size()) + " bytes, face " +
                   std::to_string(face));
      const Bytes out = ReadWholeFile(Convert(Format(b.format), face, b.input));
      EXPECT_FALSE(Failed(face));
      EXPECT_EQ(ParseWave(out).dataSize, b.dataSize);
      EXPECT_EQ(out.size(), ParseWave(out).dataOffset + b.dataSize);
      ExpectRefused(Format(b.format), face, Head(b.input, b.input.size() - 1));
    }
}

// --- Files written by sox and libsndfile ---------------------------------------------

constexpr int LOOSE = -1;
constexpr int SAME_COUNT = -2;
constexpr int HEADER_ONLY = -3;
constexpr int FLOAT_CLOSE = -4;
// file: its extension tells sox the type; tone: sox's options; sndfile: sndfile-convert's encoding when it writes
// the file from sox's wave; in, out: how sox reads the input ("type|raw options") and the output (same: as the
// input); from: the converter's offset, when the tool's samples run to the file's end; else skip: input sample
// bytes the output lacks first (negative: extra bytes it has first); cut: bytes it lacks at the end, or a
// comparison mode; heard: the output's rate and channels as soxi reads them.
struct Trip {
  const char* file;
  const char* tone;
  const char* sndfile;
  const char* in;
  const char* out;
  int from;
  int skip;
  int cut;
  const char* heard;
  bool swapPairs = false;  // 8-bit pairs play as one 16-bit sample, the earlier one high
};

TEST_F(Converters, FilesWrittenBySoxAndLibsndfileDecodeToTheirSamples) {
  if (!RunHostTool("command -v sox") || !RunHostTool("command -v sndfile-convert"))
    GTEST_SKIP() << "sox or sndfile-convert is missing";
  const char* s16 = "-e signed -b 16 -L";
  const char* s8 = "-e signed -b 8";
  const char* u8 = "-e unsigned -b 8";
  const char* s24 = "-e signed -b 24 -L";
  const char* b16 = "-e signed -b 16 -B";
  const char* b32 = "-e signed -b 32 -B";
  const char* f32 = "-e float -b 32 -L";
  const char* sf16 = "-t sndfile|-e signed -b 16 -L";
  const char* nil = nullptr;
  const char* same = nullptr;
  const Trip trips[] = {
      {"8svx", "-r 8000 -c 1 -b 8", nil, s8, same, 100, 0, 0, "8000 1"},
      {"wve", "-r 8000 -c 1", nil, s16, same, 0, 0, 0, "8000 1"},
      {"sph", "-r 8000 -c 2 -b 16 -e signed", nil, s16, same, 0, 0, 0, "8000 2"},
      {"sph", "-r 8000 -c 1 -e u-law", nil, "-e u-law -b 8", s16, 0, 0, 0, "8000 1"},  // coding unseen
      {"pvf", "-r 8000 -c 1 -b 16", nil, b16, same, 1024, 0, LOOSE, "8000 1"},
      {"pvf", "-r 8000 -c 1 -b 8", nil, s8, b16, 1024, 0, LOOSE, "4000 1"},
      {"pvf", "-r 16000 -c 2 -b 32", nil, b32, same, 1024, 0, LOOSE, "16000 2"},
      {"paf", "-r 44100 -c 2 -b 16 -B", nil, s16, same, 0, 0, 0, "44100 2"},
      {"paf", "-r 8000 -c 1 -b 8 -e signed -B", nil, s8, same, 0, 0, 0, "8000 1"},
      {"paf", "-r 16000 -c 1 -b 24 -B", nil, "", same, 0, 0, SAME_COUNT, "16000 1"},
      {"caf", "-r 44100 -c 2 -b 16", nil, s16, same, 0, -2, 2, "44100 2"},
      {"caf", "-r 48000 -c 1 -b 24", nil, s24, same, 0, 0, 0, "48000 1"},
      {"caf", "-r 8000 -c 2 -e a-law", nil, s16, same, 0, 0, 0, "8000 2"},
      {"caf", "-r 16000 -c 2 -b 8 -e signed", nil, s8, same, 0, -2, 0, "16000 2"},
      {"voc", "-r 8000 -c 1 -b 8", nil, u8, same, 0, 8, 0, "8000 1"},  // the copy starts 8 samples in
      {"voc", "-r 44100 -c 2 -b 8", nil, u8, same, 0, 0, 0, "44100 2"},
      {"voc", "-r 16000 -c 2 -b 16", nil, sf16, s16, 0, -2, 2, "16000 2"},
      {"htk", "-r 16000 -c 1 -b 16", nil, s16, same, 0, 0, 0, "16000 1"},
      {"au", "-r 22050 -c 2 -b 16 --comment ''", nil, s16, same, 32, 0, 0, "44100 1"},
      {"au", "-r 8000 -c 2 -b 16", "-alaw", s16, same, 0, 0, 0, "8000 2"},
      {"au", "-r 16000 -c 2 -b 16", "-float32", f32, same, 0, 0, FLOAT_CLOSE, "16000 2"},
      {"aiff", "-r 44100 -c 1 -b 16 --comment ''", nil, s16, same, 58, 0, 0, "44100 1"},
      {"aiff", "-r 44100 -c 2 -b 24 --comment ''", nil, s24, same, 54, 0, 0, "44100 2"},
      {"aiff", "-r 8000 -c 2 -b 8 --comment ''", nil, s8, s16, 58, 0, 0, "4000 2", true},
      {"aifc", "-r 8000 -c 2 -b 16", "-alaw", sf16, s16, 0, 0, 4, "8000 2"},
      {"aifc", "-r 44100 -c 2 -b 16", nil, "", same, 0, 0, HEADER_ONLY, "44100 1"},
  };
  auto decode = [&](const std::string& path, const std::string& options) {
    const std::size_t bar = options.find('|');
    const std::string type = bar == std::string::npos ? "" : options.substr(0, bar);
    const std::string raw = ScratchFile("decoded.raw");
    EXPECT_TRUE(RunHostTool("sox " + type + " '" + path + "' -t raw " + options.substr(bar + 1) + " -", raw));
    return ReadWholeFile(raw);
  };
  auto info = [&](const std::string& path, const char* option) {
    EXPECT_TRUE(RunHostTool("soxi " + std::string(option) + " '" + path + "'", ScratchFile("soxi.txt")));
    const Bytes b = ReadWholeFile(ScratchFile("soxi.txt"));
    return std::string(b.begin(), std::find(b.begin(), b.end(), '\n'));
  };
  for (const Trip& t : trips) {
    SCOPED_TRACE(std::string(t.file) + " " + t.tone + (t.sndfile ? t.sndfile : ""));
    const FormatRow& f = Format(!std::strcmp(t.file, "8svx") ? "iff" : !std::strcmp(t.file, "aifc") ? "aiff" : t.file);
    const std::string source = ScratchFile(std::string("tone.") + t.file);
    const std::string wave = ScratchFile("tone.wav");
    // 0.4 s: a SPHERE sample count starting with 1 or 2 would be taken for the channel count
    ASSERT_TRUE(RunHostTool("sox -n " + std::string(t.tone) + " '" + (t.sndfile ? wave : source) +
                            "' synth 0.4 sine 440 sine 660 gain -3"));
    ASSERT_TRUE(!t.sndfile ||
                RunHostTool(std::string("sndfile-convert ") + t.sndfile + " '" + wave + "' '" + source + "'"));
    const Bytes file = ReadWholeFile(source);
    const std::string output = Convert(f, EXT, file);
    ASSERT_FALSE(Failed(EXT));  // and the stored face writes the same file
    if (f.convertStored) {
      EXPECT_EQ(ReadWholeFile(Convert(f, STO, file)), ReadWholeFile(output));
      EXPECT_FALSE(Failed(STO));
    }
    EXPECT_EQ(info(output, "-r") + " " + info(output, "-c"), t.heard);
    if (t.cut == SAME_COUNT) {
      EXPECT_EQ(info(output, "-s"), info(source, "-s"));
    }
    if (t.cut == SAME_COUNT || t.cut == HEADER_ONLY) continue;
    Bytes in = decode(source, t.in);
    Bytes out = decode(output, t.out ? t.out : t.in);
    ASSERT_GT(in.size(), 1000u);
    ASSERT_TRUE(t.cut != FLOAT_CLOSE || out.size() == in.size());
    for (std::size_t i = 0; t.cut == FLOAT_CLOSE && i + 4 <= in.size(); i += 4) {
      // Each word keeps its sample's sign, exponent and top mantissa bits.
      float a;
      float e;
      std::memcpy(&a, &out[i], 4);
      std::memcpy(&e, &in[i], 4);
      ASSERT_LE(std::fabs(a - e), std::fabs(e) / 64 + 1e-30f) << i / 4;
    }
    if (t.cut == FLOAT_CLOSE) continue;
    const long skip = t.from ? t.from - static_cast<long>(file.size() - in.size()) : t.skip;
    in = Tail(in, static_cast<std::size_t>(std::max(skip, 0L)));
    out = Tail(out, static_cast<std::size_t>(std::max(-skip, 0L)));
    for (std::size_t i = 0; t.swapPairs && i + 1 < in.size(); i += 2) std::swap(in[i], in[i + 1]);
    EXPECT_LE(std::max(in.size(), out.size()) - std::min(in.size(), out.size()), 8u);
    in.resize(t.cut == LOOSE ? std::min(in.size(), out.size()) : in.size() - static_cast<std::size_t>(t.cut));
    if (t.cut == LOOSE) out.resize(in.size());  // sox reads whole frames; an odd S declares a repeated last byte
    EXPECT_EQ(out, in);
  }
}

// --- The frame ---------------------------------------------------------------------------

TEST_F(Converters, CopierMatchesTheByteAtATimeCopyForEveryRule) {
  const CopyRule shapes[] = {{0, 1},
                             {0, 2},
                             {0, 2, SWAP},
                             {0, 3, SWAP, 3},
                             {0, 4, SWAP, 4},
                             {0, 6, SWAP, 3},
                             {0, 2, SIGN},
                             {0, 1, SIGN},
                             {0, 2, UnitTransform::AddWord807F},
                             {0, 4, UnitTransform::HighHalfThenSilence},
                             {0, 2, {}, 2, 0, 16}};
  const std::size_t block = IO_BLOCK_BYTES;
  const std::size_t payloads[] = {0, 1, 7, 100, block - 1, block + 1};
  for (CopyRule rule : shapes)
    for (std::size_t payload : payloads)
      for (std::int64_t shortBy : {0, 1, 2}) {
        if (payload > block && shortBy > 0) continue;  // the bound may lie before the input's end (VOC, AIFF-C)
        const Bytes input = PatternBytes(payload + 44, static_cast<std::uint32_t>(payload + 3));
        rule.dataOffset = 44;
        rule.payloadBytes = static_cast<std::int64_t>(payload) - shortBy;
        WriteWholeFile(ScratchFile("in.bin"), input);
        Stream inStream = OpenStream(ScratchFile("in.bin"), "rb");
        Stream outStream = OpenStream(ScratchFile("out.bin"), "wb");
        EXPECT_TRUE(CopyPayload(inStream.get(), outStream.get(), rule));
        CloseStream(outStream);
        const Bytes expected = ReferenceCopy(input, rule);
        SCOPED_TRACE("unit " + std::to_string(rule.unitSize) + " transform " + std::to_string(int(rule.transform)));
        ASSERT_EQ(ReadWholeFile(ScratchFile("out.bin")), expected) << " payload " << payload << " short by " << shortBy;
        ASSERT_EQ(CopiedBytes(rule), static_cast<std::int64_t>(expected.size()));
      }
}

TEST_F(Converters, AConversionReplacesTheLastWholeAndAFailedOneRemovesItsHalfWrittenOutput) {
  const FormatRow& htk = Format("htk");
  const Bytes input = HtkFile(625, 2, Payload(2 * IO_BLOCK_BYTES));
  for (long n = 1; n < 8; ++n)
    for (int face : {EXT, STO}) {
      IoFailAt(n);
      const std::string output = Convert(htk, face, input);
      IoFailAt(0);
      EXPECT_TRUE(Failed(face)) << n << " " << face;
      EXPECT_FALSE(FileExists(output)) << n << " " << face;
    }
  Convert(htk, EXT, input);
  EXPECT_EQ(Tail(ReadWholeFile(Convert(htk, EXT, HtkFile(625, 2, {1, 2, 3, 4}))), 40), Bytes({4, 0, 0, 0, 2, 1, 4, 3}));
  appState.htkWavPath = ProgramFile("no-such-folder/out.wav");  // the output cannot be created
  Convert(htk, EXT, input);
  EXPECT_TRUE(Failed(EXT));
}

TEST_F(Converters, DurationTextMillisecondsTokensAndLeadingIntegers) {
  const std::pair<double, const char*> texts[] = {
      {2.5, "2.5"}, {12.345678, "12.3457"}, {60, "60"}, {1.000375, "1.00038"}, {1234567.0, "1.23457e+06"}};
  for (const auto& [seconds, text] : texts) EXPECT_EQ(FormatDuration(seconds), text);
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
  const std::pair<const char*, std::int32_t> numbers[] = {{"16000\nsample_n_bytes", 16000},
                                                          {" \n 42x", 42},
                                                          {"-7", -7},
                                                          {"+8", 8},
                                                          {"ulaw", 0},
                                                          {"", 0},
                                                          {"-", 0},
                                                          {"99999999999", 2147483647},
                                                          {"-99999999999", -2147483647 - 1}};
  for (const auto& [digits, value] : numbers) EXPECT_EQ(LeadingInteger(digits), value) << digits;
}

}  // namespace
