// The picture dialog's preview decoding on its own thread: it answers with the picture and its size,
// opens nothing that is not a regular file (a FIFO would block an open), calls a decode off when
// another file is asked for, and never delivers an answer that is no longer current.

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "imaging/FrameworkGraphics.h"
#include "imaging/PNGGraphic.h"
#include "imaging/PPMGraphic.h"
#include "imaging/PSDGraphic.h"
#include "imaging/PicturePreview.h"
#include "imaging/RasterFormats.h"
#include "platform/MessageBox.h"
#include "tests/imaging/LoaderOracle.h"

namespace vrel {
namespace {

using namespace std::chrono_literals;

// A picture that takes as long as it is allowed to: it reports progress every millisecond until
// its handler calls it off (or 10 seconds pass).
std::atomic<int> slowStarted{0};
std::atomic<int> slowCalledOff{0};

class TSlowGraphic : public TBitmap {
  VREL_CLASS_INFO(TSlowGraphic, TBitmap)
 public:
  void LoadFromStream(TInputStream&) override {
    ++slowStarted;
    try {
      for (int i = 0; i < 10000; ++i) {
        Progress(psRunning, i / 100);
        std::this_thread::sleep_for(1ms);
      }
    } catch (const EAbort&) {
      ++slowCalledOff;
      throw;
    }
    throw EInvalidGraphic("never called off");
  }
};

const TClassInfo& TSlowGraphic::StaticClass() {
  static const TClassInfo info("TSlowGraphic", &TBitmap::StaticClass());
  return info;
}

// The previews delivered, collected from the previewer's thread.
struct Inbox {
  std::mutex mutex;
  std::condition_variable arrived;
  std::vector<TPicturePreview> previews;

  TPicturePreviewer::TDeliver Deliver() {
    return [this](TPicturePreview preview) {
      std::lock_guard lock(mutex);
      previews.push_back(std::move(preview));
      arrived.notify_all();
    };
  }
  std::size_t Count() {
    std::lock_guard lock(mutex);
    return previews.size();
  }
  // Waits (at most 10 s) until `count` previews have arrived.
  bool WaitFor(std::size_t count) {
    std::unique_lock lock(mutex);
    return arrived.wait_for(lock, 10s, [&] { return previews.size() >= count; });
  }
};

class PicturePreview : public ::testing::Test {
 protected:
  void SetUp() override {
    formats_.Register("psd", "Photoshop images", GraphicClassOf<TPSDGraphic>());
    formats_.Register("slow", "Slow pictures", GraphicClassOf<TSlowGraphic>());
    formats_.Register("jpg", "JPG images", GraphicClassOf<TJPEGImage>());
    formats_.Register("png", "Portable network graphic images", GraphicClassOf<TPNGGraphic>());
    ASSERT_TRUE(oracle::RunTool(folder_,
                                "convert -size 37x23 xc:orange p.psd && convert -size 37x23 xc:orange png:png.jpg && "
                                "echo x > a.slow && "
                                "head -c 100 p.psd > cut.psd && mkfifo pipe.psd && mkdir folder.psd && "
                                "convert -size 64x64 plasma: j.jpg && head -c 900 j.jpg > cut.jpg"))
        << oracle::ReadFile(folder_.path / "oracle-error.txt");
  }
  std::string Path(const std::string& name) const { return (folder_.path / name).string(); }
  // Sets the previewer on the slow picture and waits until its decode has begun.
  std::uint64_t StartSlow(TPicturePreviewer& previewer) {
    slowStarted = 0;
    slowCalledOff = 0;
    const std::uint64_t ticket = previewer.Preview(Path("a.slow"));
    while (slowStarted == 0)
      std::this_thread::sleep_for(1ms);
    return ticket;
  }

  oracle::TempFolder folder_;
  TPictureFormats formats_;
  Inbox inbox_;
};

// As for a face, the content decides the format: a PNG named .jpg shows as the picture it is.
TEST_F(PicturePreview, APictureArrivesWithItsSizeInTheFormatOfItsContentWhateverItsName) {
  TPicturePreviewer previewer(inbox_.Deliver(), 200, formats_);
  const std::uint64_t ticket = previewer.Preview(Path("png.jpg"));
  ASSERT_TRUE(inbox_.WaitFor(1));
  const TPicturePreview& preview = inbox_.previews[0];
  EXPECT_TRUE(preview.Ticket == ticket && previewer.IsCurrent(ticket));
  ASSERT_NE(preview.Thumbnail, nullptr);
  EXPECT_EQ(preview.Caption, "37 x 23");
  EXPECT_EQ(std::pair(preview.Thumbnail->Width(), preview.Thumbnail->Height()), std::pair(37, 23));
  EXPECT_EQ(preview.Thumbnail->ToBgra()[0], 0);  // orange: no blue
}

// Each pixel of the thumbnail is the mean of the pixels it covers, as ImageMagick's -scale makes it.
TEST_F(PicturePreview, ALargePictureShrinksToFitTheSideAsTheMeanOfThePixelsItCovers) {
  ASSERT_TRUE(oracle::RunTool(folder_,
                              "convert -size 400x100 -seed 4 plasma:fractal -depth 8 big.ppm && "
                              "convert big.ppm -scale 200x50 -depth 8 rgb:small.rgb"));
  const auto picture = oracle::LoadGraphic<TPPMGraphic>(oracle::ReadBytes(folder_.path / "big.ppm"));
  const std::unique_ptr<TBitmap> thumbnail = MakeThumbnail(*picture, 200);
  EXPECT_EQ(std::pair(thumbnail->Width(), thumbnail->Height()), std::pair(200, 50));
  EXPECT_LE(oracle::MaxDifference(oracle::RgbOf(*thumbnail), oracle::ReadBytes(folder_.path / "small.rgb")), 1);
}

TEST_F(PicturePreview, DamagedFilesArriveWithTheirReasonAndNoPictureAndShowNoMessageBox) {
  TCapturingMessageBox boxes;
  TScopedMessageBox installed(boxes);
  TPicturePreviewer previewer(inbox_.Deliver(), 200, formats_);
  previewer.Preview(Path("cut.psd"));
  ASSERT_TRUE(inbox_.WaitFor(1));
  previewer.Preview(Path("cut.jpg"));
  ASSERT_TRUE(inbox_.WaitFor(2));
  EXPECT_EQ(inbox_.previews[0].Thumbnail, nullptr);
  EXPECT_EQ(inbox_.previews[0].Caption, "Cannot load image. Invalid or unexpected PSD or PDD image format.");
  EXPECT_EQ(inbox_.previews[1].Thumbnail, nullptr);
  EXPECT_EQ(inbox_.previews[1].Caption.rfind("JPEG error #", 0), 0u) << inbox_.previews[1].Caption;
  EXPECT_TRUE(boxes.Shown.empty());
}

TEST_F(PicturePreview, AFifoAndAFolderAreNeverOpened) {
  TPicturePreviewer previewer(inbox_.Deliver(), 200, formats_);
  previewer.Preview(Path("pipe.psd"));
  ASSERT_TRUE(inbox_.WaitFor(1));
  previewer.Preview(Path("folder.psd"));
  ASSERT_TRUE(inbox_.WaitFor(2));
  for (const TPicturePreview& preview : inbox_.previews) {
    EXPECT_EQ(preview.Thumbnail, nullptr);
    EXPECT_EQ(preview.Caption, "");
  }
}

TEST_F(PicturePreview, AnotherFileCallsTheRunningDecodeOffAndOnlyItsAnswerArrives) {
  TPicturePreviewer previewer(inbox_.Deliver(), 200, formats_);
  const std::uint64_t slow = StartSlow(previewer);
  const std::uint64_t quick = previewer.Preview(Path("p.psd"));
  ASSERT_TRUE(inbox_.WaitFor(1));
  EXPECT_EQ(slowCalledOff, 1);
  EXPECT_FALSE(previewer.IsCurrent(slow));
  EXPECT_EQ(inbox_.previews[0].Ticket, quick);
  std::this_thread::sleep_for(20ms);
  EXPECT_EQ(inbox_.Count(), 1u);
}

TEST_F(PicturePreview, ClearingCallsOffAndLeavesNothingCurrent) {
  TPicturePreviewer previewer(inbox_.Deliver(), 200, formats_);
  const std::uint64_t ticket = StartSlow(previewer);
  previewer.Clear();
  EXPECT_FALSE(previewer.IsCurrent(ticket));
  for (int i = 0; i < 20000 && slowCalledOff == 0; ++i)  // the picture gives up after 10 s
    std::this_thread::sleep_for(1ms);
  EXPECT_EQ(slowCalledOff, 1);
  EXPECT_EQ(inbox_.Count(), 0u);
}

TEST_F(PicturePreview, EndingThePreviewerCallsTheDecodeOff) {
  {
    TPicturePreviewer previewer(inbox_.Deliver(), 200, formats_);
    StartSlow(previewer);
  }
  EXPECT_EQ(slowCalledOff, 1);
  EXPECT_EQ(inbox_.Count(), 0u);
}

}  // namespace
}  // namespace vrel
