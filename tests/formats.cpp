#include "tests/formats.h"

#include <algorithm>

#include "convert/format_registry.h"

Bytes Payload(std::size_t size) { return PatternBytes(size, 5); }

namespace {

Bytes Sphere(const std::string& fields, const Bytes& payload = Payload(1000)) {
  return SphereFile("NIST_1A\n   1024\n" + fields + "end_head\n", payload);
}

// The paths, one a way through a converter (an odd S or a cut unit changes some sizes).
const Path mpc{"mpc", 42, {42, 2}};
const Path iff8{"iff", 100, {100, 2, SIGN}};
const Path iff16{"iff", 100, {100, 2, SWAP}};
const Path wve{"wve", 32, {32, 2}};
const Path sph{"sph", 1024, {1024, 2}};
const Path pvf{"pvf", 1024, {1024, 2, SWAP}};
const Path pvfOddS{"pvf", 1023, {1024, 2, SWAP}, false};
const Path pvf32{"pvf", 1024, {1024, 4, SWAP, 4}};
const Path pvf32OddS{"pvf", 1023, {1024, 4, SWAP, 4}, false};
const Path paf16{"paf", 2048, {2048, 2, SWAP}};
const Path paf8{"paf", 2048, {2048, 2, SIGN}};
const Path paf24{"paf", 2052, {2048, 2, {}, 2, 0, 16}, false};
const Path paf24CutUnit{"paf", 2051, {2048, 2, {}, 2, 0, 16}, false};
const Path caf16{"caf", 4094, {4094, 2, SWAP}};
const Path caf24{"caf", 4096, {4096, 3, SWAP, 3}};
const Path caf8{"caf", 4094, {4094, 2, SIGN}};
const Path caf711{"caf", 4096, {4096, 2}};
const Path vocTc{"voc", 41, {40, 1, {}, 2, -1}};
const Path voc16{"voc", 40, {40, 1}};
const Path voc711{"voc", 42, {42, 2}};
const Path htk{"htk", 12, {12, 2, SWAP}};
const Path auLinear{"au", 32, {32, 2, SWAP}};
const Path au711{"au", 24, {24, 2}};
const Path auFloat{"au", 22, {24, 2, SWAP}};
const Path aiff16{"aiff", 58, {58, 2, SWAP}};
const Path aiff24{"aiff", 54, {54, 6, SWAP, 3}};
const Path aiff32{"aiff", 58, {58, 4, UnitTransform::HighHalfThenSilence}};
const Path aifc711{"aiff", 74, {72, 2, {}, 2, -2}};
const Path aifcLinear{"aiff", 74, {72, 2, UnitTransform::AddWord807F, 2, -2}};

// An input its format must refuse (the path names the format only), through the faces flags allow.
FormatSample Refused(const Bytes& bytes, const Path& path, int faces = 0) {
  return {bytes, REFUSED, 0, 0, 0, 0, &path, faces};
}

}  // namespace

Bytes Sphere(int channels, int rate, const std::string& more, const Bytes& payload) {
  return Sphere(
      "channel_count -i " + std::to_string(channels) + "\nsample_rate -i " + std::to_string(rate) + "\n" + more,
      payload);
}

const std::vector<FormatSample>& FormatSamples() {
  static const Bytes payload = Payload(1000);
  static const Bytes odd = Payload(1001);
  static const Bytes small = Payload(101);
  static const std::string mulaw = "sample_n_bytes -i 1\nsample_coding -s4 ulaw\n";
  static const std::uint32_t aiff8000 = AiffRate(8000);
  static const Bytes silence(100, 0);
  static const std::vector<FormatSample> samples = {
      {MpcFile(0, 8000, payload), 1, 1, 8000, 16000, 16, &mpc},
      {MpcFile(0x7F, 44100, payload), 1, 2, 44100, 176400, 16, &mpc},  // a positive flag is stereo
      {MpcFile(0x80, 44100, payload), 1, 2, 44100, 88200, 16, &mpc},   // a negative one keeps the mono byte rate
      // The cycle length's low half in the rate: the largest byte rate.
      {IffFile("8SVX", "VHDR", 0xFFFFFFFF, odd), 1, 1, 0xFFFFFFFF, 0xFFFFFFFF, 8, &iff8},
      {IffFile("16SV", "VHDR", 0x7FFFFFFF, payload), 1, 1, 0x7FFFFFFF, 0xFFFFFFFE, 16, &iff16},  // the largest rate
      {WveFile("alaw.", 22860, odd), 6, 1, 16000, 16000, 8, &wve},                               // a bare "alaw" mark
      {WveFile("Alaw", 3762, payload), 6, 1, 8000, 8000, 8, &wve},  // a mark without a full stop
      // The rate codes follow no rule; any other is 8000.
      {WveFile("ALawSoundFile**", 25135, small), 6, 1, 11025, 11025, 8, &wve},
      {WveFile("ALawSoundFile**", 50154, small), 6, 1, 22050, 22050, 8, &wve},
      {WveFile("ALawSoundFile**", 15677, small), 6, 1, 32000, 32000, 8, &wve},
      {WveFile("ALawSoundFile**", 34517, small), 6, 1, 44100, 44100, 8, &wve},
      {WveFile("ALawSoundFile**", 5921, small), 6, 1, 48000, 48000, 8, &wve},
      {WveFile("ALawSoundFile**", 51275, small), 6, 1, 88200, 88200, 8, &wve},
      {WveFile("ALawSoundFile**", 41702, small), 6, 1, 96000, 96000, 8, &wve},
      {WveFile("ALawSoundFile**", 0, small), 6, 1, 8000, 8000, 8, &wve},
      {Sphere(1, 16000, mulaw, odd), 7, 1, 16000, 16000, 8, &sph},
      {Sphere(2, 8000, "sample_n_bytes -i 1\nsample_coding -s4 alaw\n"), 6, 2, 8000, 16000, 8, &sph},
      // The coding in the tenth token step counts, in the eleventh not.
      {Sphere(1, 8000, "sample_byte_format -s2 01\n" + mulaw), 7, 1, 8000, 8000, 8, &sph},
      {Sphere(1, 8000, "sample_byte_format -s2 01\nsample_sig_bits -i 8\n" + mulaw), 1, 1, 8000, 16000, 16, &sph},
      // A value starting with 24 chooses 24 bits for good, a later one the 16-bit rates; a last 24 doubles the 24-bit
      // byte rate, a last 32 the 16-bit rates.
      {Sphere("channel_count -i 2\nsample_count -i 24576\nsample_rate -i 16000\nsample_n_bytes -i 3\n"), 1, 2, 16000,
       48000, 24, &sph, 0, 64000},
      {Sphere(1, 16000, "sample_count -i 24000\n"), 1, 1, 16000, 96000, 24, &sph, 0, 48000},
      {Sphere(1, 8000, "sample_count -i 32768\n"), 1, 1, 16000, 32000, 16, &sph, 0, 64000},
      {Sphere(1, 80000), 1, 1, 80000, 160000, 16, &sph},                           // any rate starting with 8000
      {Sphere(1, 16000, "sample_count -i 24000 "), 1, 1, 16000, 32000, 16, &sph},  // five characters are no width
      // The first value starting with 1 is the channel count; an empty value, a short coding.
      {Sphere("sample_count -i 1600\nchannel_count -i 1\nsample_rate -i 8000\n"), 1, 2, 8000, 16000, 16, &sph},
      {Sphere("x -i  1\nchannel_count -i 1\nrate -i 8000\ny -s4 ul "), 1, 1, 8000, 16000, 16, &sph},
      {PvfFile("1 11025 8", payload), 1, 1, 5512, 11025, 16, &pvf, 0, 11024},
      {PvfFile("1 8000 32", Payload(7)), 1, 1, 8000, 32000, 32, &pvf32OddS},  // an odd S
      {PvfFile("0 8000 32", payload), 1, 2, 8000, 32000, 32, &pvf32},
      {PvfFile("2 536870911 32", payload), 1, 2, 536870911, 4294967288, 32, &pvf32},  // the largest byte rate
      {PvfFile("1 22050Hz 16bit", odd), 1, 1, 22050, 44100, 16, &pvfOddS},            // numbers from tokens' starts
      {PvfFile("1 8000 1", payload), 1, 1, 8000, 16000, 16, &pvf},                    // K is one character
      {PafFile(3001, 0x12345888, 0, 3), 1, 2, 88200, 176400, 16, &paf16},  // the rate's high half is not read
      {PafFile(3001, 11025, 2, 2), 1, 2, 11025, 22050, 8, &paf8},
      {PafFile(2048 + 70, 12345, 1, 1), 1, 1, 12345, 37035, 24, &paf24, SECONDS_OF_DATA},
      {PafFile(2048 + 65, 0, 1, 1), 1, 1, 22050, 66150, 24, &paf24CutUnit, SECONDS_OF_DATA},  // a cut unit
      {CafFile(5001, 44100, "lpcm", 3, 16), 1, 2, 44100, 88200, 16, &caf16},
      {CafFile(5001, 8000, "ulaw", 1, 16, "data"), 1, 1, 8000, 16000, 16, &caf16},  // 16-bit ulaw stays linear
      {CafFile(5001, 96000, "lpcm", 1, 32), 1, 1, 96000, 384000, 32, &caf16},
      {CafFile(5001, 48000, "lpcm", 2, 24), 1, 2, 48000, 288000, 24, &caf24},
      {CafFile(5001, 8000, "ulaw", 1, 8), 7, 1, 8000, 8000, 8, &caf711},
      {CafFile(5001, 22050, "lpcm", 2, 8), 1, 2, 22050, 44100, 8, &caf8},
      {NewFormatVoc(5001, 48000, 16, 1, 4), 1, 1, 48000, 96000, 16, &voc16},
      {NewFormatVoc(5001, 8000, 16, 3, 4), 1, 2, 8000, 32000, 16, &voc16, 0, 48000},
      {NewFormatVoc(5001, 8000, 8, 1, 7), 7, 1, 8000, 8000, 8, &voc711, STO_ONLY},
      {NewFormatVoc(5001, 11025, 8, 2, 6), 6, 2, 11025, 22050, 8, &voc711, STO_ONLY},
      {NewFormatVoc(5001, 8000, 8, 0, 7), 7, 2, 8000, 16000, 8, &voc711, STO_ONLY, 8000},
      // A classic block's sample byte steers the dispatch all the same.
      {WithBytesAt(TimeConstantVoc(5001, 131, 16), 32, {0, 0, 16, 2}), 1, 2, 131, 524, 16, &voc16},
      {WithBytesAt(TimeConstantVoc(5001, 131, 8), 32, {0, 0, 8, 1, 7}), 7, 1, 131, 131, 8, &voc711, STO_ONLY},
      {TimeConstantVoc(5001, 62634), 1, 2, 44100, 88200, 8, &vocTc},                // an extended block: stereo
      {TimeConstantVoc(2205, 130), 1, 1, 22050, 22050, 8, &vocTc, WRITTEN_FAILED},  // a constant missing from the table
      {NewFormatVoc(1000, 8000, 8, 1, 7), 1, 1, 22050, 22050, 8, &vocTc, WRITTEN_FAILED | EXT_ONLY},
      {HtkFile(1250, 2, Payload(16001)), 1, 1, 8000, 16000, 16, &htk, WHOLE_SECONDS_EXTERNAL},
      {AuFile(1, 8000, 1, PatternBytes(800, 3)), 7, 1, 8000, 8000, 8, &au711},
      // AU's linear path declares one channel: 00 02 in the channels' low half is stereo, 01 02 is not.
      {AuFile(2, 8001, 2, small), 1, 1, 8000, 16002, 16, &auLinear, 0, 16000},
      {AuFile(3, 8000, 0x10002, small), 1, 1, 16000, 32000, 16, &auLinear},
      {AuFile(3, 8000, 0x102, small), 1, 1, 8000, 16000, 16, &auLinear},
      {AuFile(0x105, 48000, 1, small, "xsnd"), 1, 1, 96000, 192000, 16, &auLinear},  // the encoding's low byte
      {AuFile(1, 8000, 1, small, "RIFF"), 7, 1, 8000, 8000, 8, &au711},
      {AuFile(27, 8000, 0x102, small, "RIFF"), 6, 2, 8000, 16000, 8, &au711, STO_ONLY},  // stored A-law needs no magic
      {AuFile(1, 8000, 0, small), 7, 2, 8000, 8000, 8, &au711},
      {AuFile(6, 8000, 5, small, "Xsnd"), 3, 1, 8000, 32000, 32, &auFloat},
      {AuFile(6, 8000, 2, small), 3, 2, 8000, 64000, 32, &auFloat},
      {AiffFile(1, 16, AiffRate(44100), payload), 1, 1, 44100, 88200, 16, &aiff16},
      {AiffFile(3, 16, aiff8000, Payload(19753 - 54)), 1, 2, 8000, 16000, 16, &aiff16},    // a stored text cut to six
      {AiffFile(2, 24, AiffRate(48000), Payload(125)), 1, 2, 48000, 288000, 24, &aiff24},  // a cut unit
      {AiffFile(2, 32, AiffRate(44100), Payload(120)), 1, 2, 88200, 352800, 16, &aiff32},
      {AiffFile(2, 8, AiffRate(11025), Payload(120)), 1, 2, 5512, 22048, 16, &aiff16},
      {AiffFile(1, 8, aiff8000, Payload(8000 - 54), "FL32"), 1, 1, 4000, 8000, 16, &aiff16, WRITTEN_FAILED},
      {AiffFile(1, 8, aiff8000, payload, "FL64"), 1, 1, 4000, 8000, 16, &aiff16, WRITTEN_FAILED},
      {AifcFile(2, aiff8000, "ulaw", Payload(121)), 7, 2, 8000, 16000, 8, &aifc711},
      {AifcFile(3, AiffRate(44100), "alaw", payload), 6, 2, 44100, 44100, 8, &aifc711},
      {AifcFile(1, AiffRate(44100), "NONE", payload), 1, 1, 22050, 44100, 16, &aifcLinear},
      {AifcFile(2, AiffRate(22050), "sowt", payload), 1, 1, 22050, 44100, 16, &aifcLinear},
      Refused(MpcFile(0, 192000 & 0xFFFF, silence), mpc),     // a rate code past 176400's
      Refused(IffFile("AIFF", "VHDR", 8000, silence), iff8),  // another form
      Refused(IffFile("8SVX", "NAME", 8000, silence), iff8),  // VHDR not first
      Refused(IffFile("16SV", "BODY", 8000, silence), iff16),
      Refused(IffFile("16SV", "VHDR", 0x80000000u, silence), iff16),  // a byte rate past 32 bits
      Refused(WveFile("ULaw", 3762, silence), wve),
      Refused(WveFile("ALaw.", 3762, silence), wve),  // a short mark is compared as it stands
      Refused(WveFile("alaw1.", 3762, silence), wve),
      Refused(WveFile(".alawSoundFile", 3762, silence), wve),  // the mark ends at the first full stop
      Refused(PvfFile("1 8000 24", silence), pvf),
      Refused(PvfFile("1 8000", silence), pvf),  // no third token
      Refused(PvfFile("1 1 8", silence), pvf),   // an 8-bit rate halving to 0
      Refused(PvfFile("1 -8000 16", silence), pvf),
      Refused(PvfFile("2 536870912 32", silence), pvf32),  // a byte rate past 32 bits
      Refused(PafFile(3000, 22050, 1, 2), paf24),          // 24-bit stereo
      Refused(PafFile(3000, 22050, 1, 0), paf24),
      Refused(PafFile(3000, 22050, 3, 1), paf16),  // format 3
      Refused(PafFile(3000, 22050, 0x100, 1), paf16),
      Refused(CafFile(5000, 8000, "lpcm", 1, 12), caf16),
      Refused(CafFile(5000, 8000, "lpcm", 1, 32, "pakt"), caf16),  // 32-bit without a free chunk next
      Refused(TimeConstantVoc(1000, 0), vocTc),
      Refused(NewFormatVoc(1000, 8000, 16, 0, 4), voc16),  // 16-bit without channels
      Refused(NewFormatVoc(1000, 8000, 24, 1, 4), voc16, STO_ONLY),
      Refused(NewFormatVoc(1000, 8000, 8, 1, 4), voc711, STO_ONLY),  // 8-bit of codec 4
      Refused(HtkFile(625, 4, silence), htk),
      Refused(HtkFile(625, 1, silence), htk),
      Refused(HtkFile(625, 0x200, silence), htk),  // the sample size in the wrong half
      Refused(AuFile(4, 8000, 1, silence), auLinear),
      Refused(AuFile(0x81, 8000, 1, silence), au711),  // the encoding's low byte is read signed
      Refused(AuFile(2, 1, 1, silence), auLinear),     // an 8-bit rate halving to 0
      // External 32-bit, float and A-law files need the magic.
      Refused(AuFile(5, 8000, 1, silence, ".SND"), auLinear, EXT_ONLY),
      Refused(AuFile(6, 8000, 1, silence, std::string(4, '\0').c_str()), auFloat, EXT_ONLY),
      Refused(AuFile(27, 8000, 1, silence, "RIFF"), au711, EXT_ONLY),
      Refused(AiffFile(1, 12, aiff8000, silence), aiff16),
      Refused(AifcFile(1, aiff8000, "FL32", silence), aifcLinear),
      Refused(AifcFile(2, aiff8000, "FL64", silence), aifcLinear),
      Refused(Head(AiffFile(1, 16, aiff8000, {}), 27), aiff16),  // cut inside the sample size
  };
  return samples;
}

const std::vector<FormatRow>& Formats() {
  static const std::vector<FormatRow> rows = [] {
    std::vector<FormatRow> all;
    for (const ForeignFormat& f : ForeignFormats()) {
      FormatRow row{f.name, f.import, f.stored.convert, f.sourcePath, f.outputPath, false};
      for (const FormatSample& sample : FormatSamples()) {
        const bool written = std::string(f.name) == sample.path->format && (sample.flags & WRITTEN_FAILED) != 0;
        row.mayWriteAndFail = row.mayWriteAndFail || written;
      }
      all.push_back(row);
    }
    return all;
  }();
  return rows;
}

const FormatRow* FormatNamed(const std::string& name) {
  const auto row = std::find_if(Formats().begin(), Formats().end(), [&](const FormatRow& r) { return name == r.name; });
  return row == Formats().end() ? nullptr : &*row;
}
