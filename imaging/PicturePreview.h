#pragma once

// The open-picture dialog's preview, without the dialog: the file the user points at is decoded on
// a thread of its own, so a large or slow file never holds up the dialog, and its thumbnail is made
// there from the decoded rows (no full-size copy of the picture is made). The class is chosen by the
// file's content as the face loader chooses it, so the preview shows what the cube would. Pointing at
// another file calls the running decode off through its progress event, and only the latest request
// is current: whatever an older one still delivers is stale and is dropped. Only regular files are
// opened (a folder, a FIFO or a device shows nothing), and the decoding never touches a message box
// or the progress bar: its outcome, a thumbnail or a reason, is handed to the caller. Nothing that
// fails on the thread, running out of memory included, ends the program: it becomes the caption.

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
  // The picture made to fit the preview (MakeThumbnail), or null when there is nothing to show.
  std::unique_ptr<TBitmap> Thumbnail;
  // "640 x 480" for a picture; why not for a file that failed; empty for something that is no file.
  std::string Caption;
};

// "640 x 480".
std::string PictureSizeCaption(const TGraphic& graphic);

// The picture scaled down to fit `side` x `side` pixels, its aspect kept, each pixel the mean of the
// pixels it covers (weighted by their alpha where the picture has alpha); a picture that fits keeps
// its size. 32-bit rows of blue, green, red and alpha, made row by row from the picture's own.
std::unique_ptr<TBitmap> MakeThumbnail(const TBitmap& picture, int side);

class TPicturePreviewer {
 public:
  // Called on the previewer's thread with each finished preview that was still current when its
  // decoding ended; the receiver checks IsCurrent again once it is on its own thread.
  using TDeliver = std::function<void(TPicturePreview preview)>;

  // Thumbnails fit `thumbnailSide` x `thumbnailSide` pixels.
  TPicturePreviewer(TDeliver deliver, int thumbnailSide, const TPictureFormats& formats = PictureFormats());
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
  // Decodes the file and delivers its preview, when it is still current; raises what fails.
  void Answer(std::uint64_t ticket, const std::string& fileName) const;

  TDeliver deliver_;
  int thumbnailSide_;
  const TPictureFormats& formats_;
  mutable std::mutex mutex_;
  std::condition_variable wake_;
  std::atomic<std::uint64_t> current_{0};
  std::optional<std::pair<std::uint64_t, std::string>> pending_;
  bool stopping_ = false;
  std::thread thread_;
};

}  // namespace vrel
