// The generated pictures, icons and sounds: the sizes and formats the windows
// and the play code rely on. Only where the build names the generated folder
// (not in the cross build, whose tests run where that path means nothing).
#include <tuple>

#include "io/byte_order.h"
#include "tests/test_support.h"

namespace {

#ifdef KORVEL_GENERATED_DIR
Bytes Generated(const std::string& name) { return ReadWholeFile(std::string(KORVEL_GENERATED_DIR) + "/" + name); }

TEST(GeneratedResources, SoundsPicturesAndIcons) {
  for (const auto& [name, channels, rate, dataSize] :
       {std::tuple<const char*, unsigned, unsigned, unsigned>{"wave400.wav", 1, 22050, 3302},
        {"wave600.wav", 2, 44100, 179456}}) {
    const WaveInfo i = ParseWave(Generated(name));
    EXPECT_TRUE(i.ok) << name;
    EXPECT_EQ(i.formatTag, 1) << name;
    EXPECT_EQ(i.bitsPerSample, 16) << name;
    EXPECT_EQ(i.dataOffset, 44u) << name;
    EXPECT_EQ(std::vector<unsigned>({i.channels, i.sampleRate, i.byteRate, i.dataSize}),
              std::vector<unsigned>({channels, rate, rate * channels * 2, dataSize}))
        << name;
  }
  // Bottom-up BITMAPINFOHEADER bitmaps: width, height, depth, and rows padded to 4 bytes.
  std::vector<std::vector<std::uint32_t>> pictures = {{24, 16, 16, 24},    {32, 16, 16, 24},   {40, 16, 16, 24},
                                                      {48, 17, 16, 24},    {56, 16, 16, 24},   {120, 16, 16, 24},
                                                      {220, 27, 16, 24},   {320, 24, 12, 24},  {420, 300, 200, 24},
                                                      {700, 300, 100, 24}, {800, 499, 345, 24}};
  for (std::uint32_t frame = 2300; frame <= 3500; frame += 100) pictures.push_back({frame, 331, 137, 8});
  for (const auto& p : pictures) {
    const Bytes b = Generated("bmp" + std::to_string(p[0]) + ".bmp");
    ASSERT_GE(b.size(), 54u) << p[0];
    EXPECT_EQ(b[0], 'B') << p[0];
    EXPECT_EQ(b[1], 'M') << p[0];
    EXPECT_EQ(ReadU32Le(&b[2]), b.size()) << p[0];
    EXPECT_EQ(ReadU32Le(&b[14]), 40u) << p[0];
    EXPECT_EQ(std::vector<std::uint32_t>({ReadU32Le(&b[18]), ReadU32Le(&b[22]), ReadU16Le(&b[28]),
                                          static_cast<std::uint32_t>(b.size() - ReadU32Le(&b[10]))}),
              std::vector<std::uint32_t>({p[1], p[2], p[3], ((p[1] * p[3] / 8 + 3) & ~3u) * p[2]}))
        << p[0];
  }
  const Bytes small = Generated("icon16.ico");
  const Bytes program = Generated("icon8.ico");
  ASSERT_GE(small.size(), 22u);
  ASSERT_GE(program.size(), 38u);
  EXPECT_EQ(std::vector<int>({ReadU16Le(&small[4]), small[6], ReadU16Le(&program[4]), program[6], program[22]}),
            std::vector<int>({1, 16, 2, 32, 16}));  // image counts and widths
}
#else
TEST(GeneratedResources, NeedTheGeneratedFolder) { GTEST_SKIP() << "the generated folder is not known to this build"; }
#endif

}  // namespace
