// The generated pictures, icons and sounds: the sizes and formats the windows
// and the play code rely on. Only where the build names the generated folder
// (not in the cross build, whose tests run where that path means nothing).
#include <tuple>

#include "library/byte_order.h"
#include "tests/test_support.h"

namespace {

#ifdef KORVEL_GENERATED_DIR
Bytes Generated(const std::string& name) { return ReadWholeFile(std::string(KORVEL_GENERATED_DIR) + "/" + name); }

TEST(GeneratedResources, SoundsPicturesAndIcons) {
  const struct {
    const char* name;
    std::uint16_t channels;
    std::uint32_t rate, dataSize;
  } waves[] = {{"wave400.wav", 1, 22050, 3302}, {"wave600.wav", 2, 44100, 179456}};
  for (const auto& w : waves) {
    const WaveInfo info = ParseWave(Generated(w.name));
    EXPECT_TRUE(info.ok && info.formatTag == 1 && info.bitsPerSample == 16 && info.dataOffset == 44) << w.name;
    EXPECT_EQ(info.channels, w.channels) << w.name;
    EXPECT_EQ(info.sampleRate, w.rate) << w.name;
    EXPECT_EQ(info.byteRate, w.rate * w.channels * 2) << w.name;
    EXPECT_EQ(info.dataSize, w.dataSize) << w.name;
  }
  // Bottom-up BITMAPINFOHEADER bitmaps: width, height, depth, and rows padded to 4 bytes.
  std::vector<std::tuple<int, std::uint32_t, std::uint32_t, std::uint16_t>> pictures = {
      {24, 16, 16, 24}, {32, 16, 16, 24}, {40, 16, 16, 24}, {48, 17, 16, 24},  {56, 16, 16, 24},   {120, 16, 16, 24},
      {220, 27, 16, 24}, {320, 24, 12, 24}, {420, 300, 200, 24}, {700, 300, 100, 24}, {800, 499, 345, 24}};
  for (int frame = 2300; frame <= 3500; frame += 100) pictures.emplace_back(frame, 331, 137, 8);
  for (const auto& [number, width, height, bits] : pictures) {
    const Bytes b = Generated("bmp" + std::to_string(number) + ".bmp");
    ASSERT_GE(b.size(), 54u) << number;
    EXPECT_TRUE(b[0] == 'B' && b[1] == 'M' && ReadU32Le(&b[2]) == b.size() && ReadU32Le(&b[14]) == 40) << number;
    EXPECT_EQ(ReadU32Le(&b[18]), width) << number;
    EXPECT_EQ(ReadU32Le(&b[22]), height) << number;
    EXPECT_EQ(ReadU16Le(&b[28]), bits) << number;
    EXPECT_EQ(b.size() - ReadU32Le(&b[10]), ((width * bits / 8 + 3) & ~3u) * height) << number;
  }
  const Bytes small = Generated("icon16.ico"), program = Generated("icon8.ico");
  ASSERT_TRUE(small.size() >= 22 && program.size() >= 38);
  EXPECT_EQ(Strings({std::to_string(ReadU16Le(&small[4])), std::to_string(small[6]),
                     std::to_string(ReadU16Le(&program[4])), std::to_string(program[6]), std::to_string(program[22])}),
            Strings({"1", "16", "2", "32", "16"}));  // image counts and widths
}
#else
TEST(GeneratedResources, NeedTheGeneratedFolder) { GTEST_SKIP() << "the generated folder is not known to this build"; }
#endif

}  // namespace
