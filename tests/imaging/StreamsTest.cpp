// The streams pictures are read from: bounded reads, regular files only; and the size check that
// runs before any pixel is allocated.

#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "imaging/FaceImages.h"
#include "imaging/Graphics.h"
#include "imaging/RasterFormats.h"
#include "imaging/Streams.h"
#include "tests/files/TestBytes.h"
#include "tests/imaging/ImageOracle.h"
#include "tests/platform/NonRegularFiles.h"

namespace vrel {
namespace {

TEST(Streams, AReadPastTheEndRaisesAndConsumesNothing) {
  TMemoryInputStream stream(std::vector<std::uint8_t>{1, 2, 3});
  std::array<std::uint8_t, 4> four{};
  EXPECT_THROW(stream.ReadBuffer(four), EReadError);
  EXPECT_EQ(stream.Position(), 0u);
  EXPECT_EQ(stream.Read(four), 3u);
  EXPECT_EQ(four, (std::array<std::uint8_t, 4>{1, 2, 3, 0}));
  EXPECT_EQ(stream.Read(four), 0u);
  EXPECT_THROW(stream.ReadByte(), EReadError);
}

TEST(Streams, SeeksBeforeTheStartRaiseAndPastTheEndFindNothing) {
  TMemoryInputStream stream(std::vector<std::uint8_t>{0x12, 0x34, 0x56, 0x78});
  EXPECT_THROW(stream.Seek(-1, TSeekOrigin::soBeginning), EReadError);
  EXPECT_EQ(stream.Seek(-4, TSeekOrigin::soEnd), 0u);
  EXPECT_EQ(stream.ReadU16BE(), 0x1234);
  EXPECT_EQ(stream.ReadU16LE(), 0x7856);
  EXPECT_EQ(stream.Seek(10, TSeekOrigin::soCurrent), 14u);
  EXPECT_EQ(stream.Remaining(), 0u);
  EXPECT_TRUE(stream.ReadToEnd().empty());
}

TEST(Streams, FilesAreOpenedOnlyWhenTheyAreRegularFiles) {
  oracle::TempFolder folder;
  oracle::WriteFile(folder.path / "a.bin", "abcd");
  TFileInputStream file((folder.path / "a.bin").string());
  EXPECT_EQ(file.Size(), 4u);
  file.SetPosition(2);
  EXPECT_EQ(file.ReadU16LE(), 'c' | 'd' << 8);
  for (const std::string& name : {folder.path.string(), std::string("/dev/zero"), (folder.path / "none").string()}) {
    const std::string error = bytes::ErrorOf<EFOpenError>([&] { TFileInputStream stream(name); });
    EXPECT_NE(error.find("\"" + name + "\""), std::string::npos) << name << ": " << error;
  }
}

TEST(Streams, AFaceImageThatIsAFifoIsRefusedNamingItWithoutWaitingForAWriter) {
  oracle::TempFolder folder;
  const std::string fifo = (folder.path / "face.bmp").string();
  nonregular::MakeFifo(fifo);
  std::string message;
  const auto read = [&] { message = bytes::ErrorOf<Exception>([&] { ReadFaceImage(fifo, oracle::kLargestTexture); }); };
  EXPECT_FALSE(nonregular::WaitsOnFifo(fifo, read));
  EXPECT_NE(message.find("\"" + fifo + "\""), std::string::npos) << message;
  EXPECT_NE(message.find("not a regular file"), std::string::npos) << message;
}

TEST(ImageBudget, AHeaderPromisingMoreThanItsDataCanHoldFailsAtOnce) {
  EXPECT_THROW(CheckImageBudget(65535, 65535, 24, 200, 1, "Windows bitmap"), EInvalidGraphic);
  EXPECT_THROW(CheckImageBudget(65535, 65535, 24, 10000, MaxExpansion(TCompressionType::ctDeflate), "PNG"),
               EInvalidGraphic);
  // A 16384 x 16384 face with its data passes, stored or compressed.
  const std::uint64_t pixels = std::uint64_t{16384} * 16384 * 3;
  EXPECT_NO_THROW(CheckImageBudget(16384, 16384, 24, pixels, 1, "Windows bitmap"));
  EXPECT_NO_THROW(CheckImageBudget(16384, 16384, 24, pixels / 1032 + 1, 1032, "PNG"));
  EXPECT_THROW(CheckImageBudget(16384, 16384, 24, pixels / 1032 - 1, 1032, "PNG"), EInvalidGraphic);
  EXPECT_NO_THROW(CheckImageBudget(16384, 16384, 24, pixels / 64, MaxExpansion(TCompressionType::ctPackBits), "TIFF"));
  EXPECT_THROW(CheckImageBudget(0, 5, 24, 100, 1, "x"), EInvalidGraphic);
}

}  // namespace
}  // namespace vrel
