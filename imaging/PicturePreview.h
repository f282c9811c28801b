#pragma once

// The open-picture dialog's preview, without the dialog: the file the user points at is decoded
// through the picture registry on a thread of its own, so a large or slow file never holds up the
// dialog. Pointing at another file calls the running decode off through its progress event, and
// only the latest request is current: whatever an older one still delivers is stale and is
// dropped. Only regular files are opened (a folder, a FIFO or a device shows nothing), and the
// decoding never touches a message box or the progress bar: its outcome, a picture or a reason, is
// handed to the caller.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "imaging/Graphics.h"

namespace vrel {

// What the preview shows of one file.
struct TPicturePreview {
  std::uint64_t Ticket = 0;  // the request it answers
  std::string FileName;
  // The decoded picture, or null when there is nothing to show.
  std::unique_ptr<TGraphic> Graphic;
  // "640 x 480" for a picture; why not for a file that failed; empty for something that is no file.
  std::string Caption;
};

// "640 x 480".
std::string PictureSizeCaption(const TGraphic& graphic);

class TPicturePreviewer {
 public:
  // Called on the previewer's thread with each finished preview that was still current when its
  // decoding ended; the receiver checks IsCurrent again once it is on its own thread.
  using TDeliver = std::function<void(TPicturePreview preview)>;

  explicit TPicturePreviewer(TDeliver deliver, const TPictureFormats& formats = PictureFormats());
  // Calls off the decoding that runs and waits for the thread.
  ~TPicturePreviewer();
  TPicturePreviewer(const TPicturePreviewer&) = delete;
  TPicturePreviewer& operator=(const TPicturePreviewer&) = delete;

  // Previews `fileName` in place of whatever was asked before; answers the request's ticket.
  std::uint64_t Preview(const std::string& fileName);
  // No preview is current any more; a decoding that runs is called off.
  void Clear();
  bool IsCurrent(std::uint64_t ticket) const;

 private:
  void Run();
  TPicturePreview Decode(std::uint64_t ticket, const std::string& fileName) const;

  TDeliver deliver_;
  const TPictureFormats& formats_;
  mutable std::mutex mutex_;
  std::condition_variable wake_;
  std::atomic<std::uint64_t> current_{0};
  std::optional<std::pair<std::uint64_t, std::string>> pending_;
  bool stopping_ = false;
  std::thread thread_;
};

}  // namespace vrel
