// The generated pictures and sounds: the sizes and formats the windows and the
// play code rely on. The build names the generated folder in
// KORVEL_GENERATED_DIR; builds without it (the cross build) skip these tests.
#include <cstdint>
#include <string>

#include "tests/test_support.h"

namespace {

#ifdef KORVEL_GENERATED_DIR

std::uint32_t U32(const Bytes& b, std::size_t at) {
  return std::uint32_t(b[at]) | std::uint32_t(b[at + 1]) << 8 | std::uint32_t(b[at + 2]) << 16 |
         std::uint32_t(b[at + 3]) << 24;
}
std::uint16_t U16(const Bytes& b, std::size_t at) { return std::uint16_t(b[at] | b[at + 1] << 8); }

class GeneratedResources : public ::testing::Test {
 protected:
  static Bytes Read(const std::string& name) {
    return ReadWholeFile(std::string(KORVEL_GENERATED_DIR) + "/" + name);
  }

  // Width, height and bit depth of a bottom-up BMP, checking its headers on the way.
  static void ExpectBitmap(const std::string& name, int width, int height, int bits) {
    const Bytes b = Read(name);
    ASSERT_GE(b.size(), 54u) << name;
    EXPECT_EQ(b[0], 'B') << name;
    EXPECT_EQ(b[1], 'M') << name;
    EXPECT_EQ(U32(b, 2), b.size()) << name;
    EXPECT_EQ(U32(b, 14), 40u) << name;  // BITMAPINFOHEADER
    EXPECT_EQ(U32(b, 18), std::uint32_t(width)) << name;
    EXPECT_EQ(U32(b, 22), std::uint32_t(height)) << name;  // positive: bottom-up
    EXPECT_EQ(U16(b, 28), bits) << name;
    EXPECT_EQ(U32(b, 30), 0u) << name;  // BI_RGB
    const std::uint32_t stride = (std::uint32_t(width) * bits / 8 + 3) & ~3u;
    EXPECT_EQ(b.size() - U32(b, 10), std::size_t(stride) * height) << name;
  }

  static void ExpectWave(const std::string& name, std::size_t total, int channels, std::uint32_t rate) {
    const Bytes b = Read(name);
    ASSERT_EQ(b.size(), total) << name;
    EXPECT_EQ(std::string(b.begin(), b.begin() + 4), "RIFF");
    EXPECT_EQ(U32(b, 4), total - 8);
    EXPECT_EQ(std::string(b.begin() + 8, b.begin() + 16), "WAVEfmt ");
    EXPECT_EQ(U32(b, 16), 16u);
    EXPECT_EQ(U16(b, 20), 1);  // PCM
    EXPECT_EQ(U16(b, 22), channels);
    EXPECT_EQ(U32(b, 24), rate);
    EXPECT_EQ(U32(b, 28), rate * channels * 2);
    EXPECT_EQ(U16(b, 32), channels * 2);
    EXPECT_EQ(U16(b, 34), 16);
    EXPECT_EQ(std::string(b.begin() + 36, b.begin() + 40), "data");
    EXPECT_EQ(U32(b, 40), total - 44);
  }
};

TEST_F(GeneratedResources, WavesHaveTheirExactSizesAndFormats) {
  ExpectWave("wave400.wav", 3346, 1, 22050);
  ExpectWave("wave600.wav", 179500, 2, 44100);
}

TEST_F(GeneratedResources, PicturesHaveTheirSizesAndDepths) {
  ExpectBitmap("bmp24.bmp", 16, 16, 24);
  ExpectBitmap("bmp32.bmp", 16, 16, 24);
  ExpectBitmap("bmp40.bmp", 16, 16, 24);
  ExpectBitmap("bmp48.bmp", 17, 16, 24);
  ExpectBitmap("bmp56.bmp", 16, 16, 24);
  ExpectBitmap("bmp120.bmp", 16, 16, 24);
  ExpectBitmap("bmp220.bmp", 27, 16, 24);
  ExpectBitmap("bmp320.bmp", 24, 12, 24);
  ExpectBitmap("bmp420.bmp", 300, 200, 24);
  ExpectBitmap("bmp700.bmp", 300, 100, 24);
  ExpectBitmap("bmp800.bmp", 499, 345, 24);
  for (int number = 2300; number <= 3500; number += 100) {
    ExpectBitmap("bmp" + std::to_string(number) + ".bmp", 331, 137, 8);
  }
}

TEST_F(GeneratedResources, IconsHoldTheirImages) {
  const Bytes small = Read("icon16.ico");
  ASSERT_GE(small.size(), 22u);
  EXPECT_EQ(U16(small, 2), 1);  // icon
  EXPECT_EQ(U16(small, 4), 1);
  EXPECT_EQ(small[6], 16);
  const Bytes program = Read("icon8.ico");
  ASSERT_GE(program.size(), 38u);
  EXPECT_EQ(U16(program, 4), 2);
  EXPECT_EQ(program[6], 32);
  EXPECT_EQ(program[6 + 16], 16);
}

#else

TEST(GeneratedResources, NeedTheGeneratedFolder) { GTEST_SKIP() << "the generated folder is not known to this build"; }

#endif
}  // namespace
