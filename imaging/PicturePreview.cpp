#include "imaging/PicturePreview.h"

#include <sys/stat.h>

#include <exception>

namespace vrel {

std::string PictureSizeCaption(const TGraphic& graphic) {
  return std::to_string(graphic.Width()) + " x " + std::to_string(graphic.Height());
}

TPicturePreviewer::TPicturePreviewer(TDeliver deliver, const TPictureFormats& formats)
    : deliver_(std::move(deliver)), formats_(formats), thread_([this] { Run(); }) {}

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
    TPicturePreview preview = Decode(request.first, request.second);
    if (IsCurrent(preview.Ticket))
      deliver_(std::move(preview));
  }
}

TPicturePreview TPicturePreviewer::Decode(std::uint64_t ticket, const std::string& fileName) const {
  TPicturePreview preview;
  preview.Ticket = ticket;
  preview.FileName = fileName;
  // A folder, a FIFO or a device is no picture: nothing is opened.
  struct stat info {};
  if (::stat(fileName.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
    return preview;
  TPicture picture(formats_);
  picture.SetOnProgress(
      [this, ticket](TObject*, TProgressStage, std::uint8_t, bool, const TProgressRect&, const std::string&) {
        if (!IsCurrent(ticket))
          throw EAbort("The preview was called off.");
      });
  try {
    picture.LoadFromFile(fileName);
    preview.Caption = PictureSizeCaption(*picture.Graphic());
    preview.Graphic = picture.ReleaseGraphic();
  } catch (const EAbort&) {
    preview.Caption.clear();
  } catch (const std::exception& e) {
    // Whatever a decoder raises (its own message, or the system's: out of memory) is the caption.
    preview.Caption = e.what();
  }
  return preview;
}

}  // namespace vrel
