// The generated pictures, icons and sounds: the sizes and formats the windows
// and the play code rely on. Only where the build names the generated folder
// (not in the cross build, whose tests run where that path means nothing).
#include "tests/test_support.h"

#ifdef KORVEL_GENERATED_DIR
static Bytes Generated(const std::string& name) {
  return ReadWholeFile(std::string(KORVEL_GENERATED_DIR) + "/" + name);
}

// A bottom-up BITMAPINFOHEADER bitmap as "width x height x depth", its rows padded to 4 bytes.
static std::string BitmapShape(const Bytes& b) {
  if (b.size() < 54 || b[0] != 'B' || b[1] != 'M' || ReadU32Le(&b[2]) != b.size() || ReadU32Le(&b[14]) != 40)
    return "no bitmap";
  const std::uint32_t width = ReadU32Le(&b[18]);
  const std::uint32_t height = ReadU32Le(&b[22]);
  const std::uint32_t depth = ReadU16Le(&b[28]);
  const bool padded = b.size() - ReadU32Le(&b[10]) == ((width * depth / 8 + 3) & ~3u) * height;
  return std::to_string(width) + "x" + std::to_string(height) + "x" + std::to_string(depth) + (padded ? "" : "?");
}

TEST(GeneratedResources, SoundsPicturesAndIcons) {
  std::string sounds;  // each one's ok, tag, channels, rate, byte rate, bits, data offset and size
  for (const char* name : {"wave400.wav", "wave600.wav"}) {
    const WaveInfo w = ParseWave(Generated(name));
    for (std::size_t field :
         {std::size_t{w.ok}, std::size_t{w.formatTag}, std::size_t{w.channels}, std::size_t{w.sampleRate},
          std::size_t{w.byteRate}, std::size_t{w.bitsPerSample}, w.dataOffset, std::size_t{w.dataSize}})
      sounds += std::to_string(field) + " ";
  }
  EXPECT_EQ(sounds, "1 1 1 22050 44100 16 44 3302 1 1 2 44100 176400 16 44 179456 ");
  std::string shapes;
  for (int id : {24, 32, 40, 48, 56, 120, 220, 320, 420, 700, 800})
    shapes += BitmapShape(Generated("bmp" + std::to_string(id) + ".bmp")) + " ";
  EXPECT_EQ(
      shapes,
      "16x16x24 16x16x24 16x16x24 17x16x24 16x16x24 16x16x24 27x16x24 24x12x24 300x200x24 300x100x24 499x345x24 ");
  for (int frame = 2300; frame <= 3500; frame += 100)  // the animation's frames
    EXPECT_EQ(BitmapShape(Generated("bmp" + std::to_string(frame) + ".bmp")), "331x137x8") << frame;
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
