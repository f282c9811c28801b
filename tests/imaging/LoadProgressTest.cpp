// Every loader that decodes row by row reports its rows through the picture's progress event and
// stops where the handler calls it off, as the picture dialog's preview does when the user points at
// another file. The pictures come through the registry, as the dialog opens them.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "imaging/Graphics.h"
#include "imaging/RasterFormatsRegistration.h"
#include "tests/imaging/LoaderOracle.h"

namespace vrel {
namespace {

using oracle::Bytes;

// One 23 x 17 picture in every format a tool here writes; CUT and Autodesk from the tests' writers.
const oracle::ToolCorpus& Pictures() {
  static const oracle::ToolCorpus corpus(
      "convert -seed 5 -size 23x17 plasma:fractal p.ppm && convert p.ppm -compress RLE p.tga && "
      "convert p.ppm p.pcx && pnmtosgi -rle p.ppm > p.sgi && "
      "convert p.ppm -interlace PNG p.png && convert p.ppm -define tiff:rows-per-strip=3 -compress zip p.tif && "
      "convert p.ppm p.jpg && convert p.ppm p.psd");
  return corpus;
}

struct Recorded {
  std::vector<TProgressStage> Stages;
  std::vector<int> Percents;
  std::vector<std::string> Messages;
};

class LoadProgress : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    registration_ = RegisterRasterFormats(formats_);
    const std::string name = GetParam();
    Bytes file;
    if (name == "p.cut") {
      file = oracle::WriteCut(23, Bytes(23 * 17, 9));
    } else if (name == "p.cel") {
      file = oracle::WriteAutodesk(23, Bytes(768, 20), Bytes(23 * 17, 9));
    } else {
      file = Pictures().Read(name);
    }
    path_ = (folder_.path / name).string();
    oracle::WriteBytes(path_, file);
  }

  TPictureFormats formats_;
  std::unique_ptr<TRasterFormatsRegistration> registration_;
  oracle::TempFolder folder_;
  std::string path_;
};

TEST_P(LoadProgress, RowsAreReportedFromTransferingToTheEnd) {
  Recorded seen;
  TPicture picture(formats_);
  picture.SetOnProgress([&seen](TObject*, TProgressStage stage, std::uint8_t percent, bool, const TProgressRect&,
                                const std::string& message) {
    seen.Stages.push_back(stage);
    seen.Percents.push_back(percent);
    seen.Messages.push_back(message);
  });
  picture.LoadFromFile(path_);
  ASSERT_GE(seen.Stages.size(), 3u);
  EXPECT_EQ(seen.Stages.front(), psStarting);
  EXPECT_EQ(seen.Messages.front(), "Transfering...");
  EXPECT_EQ(seen.Stages.back(), psEnding);
  EXPECT_EQ(seen.Percents[seen.Percents.size() - 2], 100);
  EXPECT_TRUE(std::is_sorted(seen.Percents.begin(), seen.Percents.end()));
  // A report a row at the least: 17 rows, or more where passes or a stage of its own come first.
  EXPECT_GE(std::count(seen.Stages.begin(), seen.Stages.end(), psRunning), 17);
}

TEST_P(LoadProgress, AHandlerThatRaisesStopsTheLoadAndThePictureKeepsWhatItHeld) {
  TPicture picture(formats_);
  picture.LoadFromFile(path_);
  const TGraphic* before = picture.Graphic();
  int reportsAfterTheCall = -1;
  picture.SetOnProgress([&reportsAfterTheCall](TObject*, TProgressStage stage, std::uint8_t percent, bool,
                                               const TProgressRect&, const std::string&) {
    if (reportsAfterTheCall >= 0) {
      ++reportsAfterTheCall;
      return;
    }
    if (stage == psRunning && percent >= 40) {
      reportsAfterTheCall = 0;
      throw EAbort("called off");
    }
  });
  EXPECT_THROW(picture.LoadFromFile(path_), EAbort);
  EXPECT_EQ(reportsAfterTheCall, 0);
  EXPECT_EQ(picture.Graphic(), before);
}

INSTANTIATE_TEST_SUITE_P(EveryRowLoader, LoadProgress,
                         ::testing::Values("p.tga", "p.pcx", "p.sgi", "p.ppm", "p.png", "p.tif", "p.jpg", "p.psd",
                                           "p.cut", "p.cel"),
                         [](const ::testing::TestParamInfo<const char*>& test) {
                           return std::string(test.param).substr(2);
                         });

}  // namespace
}  // namespace vrel
