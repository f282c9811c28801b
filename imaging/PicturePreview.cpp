#include "imaging/PicturePreview.h"

#include <sys/stat.h>

#include <algorithm>
#include <exception>
#include <vector>

#include "imaging/FaceImages.h"
#include "imaging/Streams.h"

namespace vrel {

std::string PictureSizeCaption(const TGraphic& graphic) {
  return std::to_string(graphic.Width()) + " x " + std::to_string(graphic.Height());
}

std::unique_ptr<TBitmap> MakeThumbnail(const TBitmap& picture, int side) {
  const std::int64_t width = picture.Width(), height = picture.Height();
  std::int64_t across = width, down = height;
  if (width > side || height > side) {
    if (width >= height) {
      across = side;
      down = std::max<std::int64_t>(1, height * side / width);
    } else {
      down = side;
      across = std::max<std::int64_t>(1, width * side / height);
    }
  }
  auto thumbnail = std::make_unique<TBitmap>();
  thumbnail->SetPixelFormat(TPixelFormat::pf32bit);
  thumbnail->SetAlphaFormat(picture.AlphaFormat());
  thumbnail->SetSize(static_cast<int>(across), static_cast<int>(down));
  const bool weighted = picture.AlphaFormat() == TAlphaFormat::afDefined;
  // Per thumbnail pixel of the row being gathered: blue, green and red (times alpha when weighted),
  // alpha, and the count of pixels.
  std::vector<std::uint64_t> sums(static_cast<std::size_t>(across) * 5);
  std::vector<std::uint8_t> row(static_cast<std::size_t>(width) * 4);
  for (std::int64_t y = 0; y < height; ++y) {
    picture.ScanLineToBgra(static_cast<int>(y), row);
    for (std::int64_t x = 0; x < width; ++x) {
      const std::uint8_t* p = &row[static_cast<std::size_t>(x) * 4];
      std::uint64_t* s = &sums[static_cast<std::size_t>(x * across / width) * 5];
      const std::uint64_t weight = weighted ? p[3] : 1;
      s[0] += p[0] * weight, s[1] += p[1] * weight, s[2] += p[2] * weight, s[3] += p[3], s[4] += 1;
    }
    const std::int64_t target = y * down / height;
    if (y + 1 < height && (y + 1) * down / height == target)
      continue;
    std::uint8_t* out = thumbnail->ScanLine(static_cast<int>(target)).data();
    for (std::size_t i = 0; i < sums.size(); i += 5, out += 4) {
      const std::uint64_t* s = &sums[i];
      const std::uint64_t divisor = weighted ? s[3] : s[4];
      for (int k = 0; k < 3; ++k)
        out[k] = static_cast<std::uint8_t>(divisor == 0 ? 0 : (s[k] + divisor / 2) / divisor);
      out[3] = static_cast<std::uint8_t>((s[3] + s[4] / 2) / s[4]);
    }
    std::fill(sums.begin(), sums.end(), 0);
  }
  return thumbnail;
}

TPicturePreviewer::TPicturePreviewer(TDeliver deliver, int thumbnailSide, const TPictureFormats& formats)
    : deliver_(std::move(deliver)), thumbnailSide_(thumbnailSide), formats_(formats), thread_([this] { Run(); }) {}

TPicturePreviewer::~TPicturePreviewer() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
    current_ = 0;
  }
  wake_.notify_one();
  thread_.join();
}

std::uint64_t TPicturePreviewer::Preview(const std::string& fileName) {
  std::uint64_t ticket = 0;
  {
    std::lock_guard lock(mutex_);
    ticket = current_ + 1;
    current_ = ticket;
    pending_.emplace(ticket, fileName);
  }
  wake_.notify_one();
  return ticket;
}

void TPicturePreviewer::Clear() {
  std::lock_guard lock(mutex_);
  // A ticket no request has: every earlier one is stale, and the next Preview still counts up.
  current_ = current_ + 1;
  pending_.reset();
}

bool TPicturePreviewer::IsCurrent(std::uint64_t ticket) const {
  return ticket != 0 && current_ == ticket;
}

void TPicturePreviewer::Run() {
  for (;;) {
    std::pair<std::uint64_t, std::string> request;
    {
      std::unique_lock lock(mutex_);
      wake_.wait(lock, [this] { return stopping_ || pending_.has_value(); });
      if (stopping_)
        return;
      request = std::move(*pending_);
      pending_.reset();
    }
    try {
      Answer(request.first, request.second);
    } catch (const std::exception& e) {
      // Whatever failed (a decoder's own message, or the system's: out of memory) is the caption; the
      // picture is gone by now. Should even that fail, the preview stays empty.
      try {
        if (IsCurrent(request.first))
          deliver_(TPicturePreview{request.first, request.second, nullptr, e.what()});
      } catch (const std::exception&) {
      }
    }
  }
}

void TPicturePreviewer::Answer(std::uint64_t ticket, const std::string& fileName) const {
  TPicturePreview preview{ticket, fileName, nullptr, {}};
  // A folder, a FIFO or a device is no picture: nothing is opened.
  struct stat info {};
  if (::stat(fileName.c_str(), &info) == 0 && S_ISREG(info.st_mode)) {
    TFileInputStream stream(fileName);
    const std::unique_ptr<TGraphic> graphic = GraphicForContent(formats_, stream, fileName);
    graphic->SetOnProgress(
        [this, ticket](TObject*, TProgressStage, std::uint8_t, bool, const TProgressRect&, const std::string&) {
          if (!IsCurrent(ticket))
            throw EAbort("The preview was called off.");
        });
    graphic->LoadFromStream(stream);
    preview.Caption = PictureSizeCaption(*graphic);
    if (const TBitmap* bitmap = graphic->AsBitmap(); bitmap && !bitmap->Empty())
      preview.Thumbnail = MakeThumbnail(*bitmap, thumbnailSide_);
  }
  if (IsCurrent(ticket))
    deliver_(std::move(preview));
}

}  // namespace vrel
