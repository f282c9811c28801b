#pragma once

// Image lists of the editor's image bar (digit marks and image marks beside the rows), kept as
// plain pixels so that the model needs no window system; the painter turns them into pixmaps. The
// editor has two built-in lists, drawn in code: ten 8 x 11 digit images on red and six 11 x 11 mark
// images on white, the colour that shows through in each.

#include <cstdint>
#include <vector>

#include "platform/Classes.h"

namespace vrel {

class TEditorImageList : public TComponent {
  VREL_CLASS_INFO(TEditorImageList, TComponent)
 public:
  // Images of `width` x `height` pixels; a pixel of `transparentColor` (0x00BBGGRR) lets the
  // background show through.
  TEditorImageList(int width, int height, int32_t transparentColor, TComponent* owner = nullptr);

  int Width() const { return width_; }
  int Height() const { return height_; }
  int32_t TransparentColor() const { return transparent_; }
  int Count() const { return static_cast<int>(images_.size()); }
  // 0x00BBGGRR per pixel, rows from the top. Throws std::out_of_range outside the list.
  const std::vector<int32_t>& Image(int index) const { return images_.at(static_cast<std::size_t>(index)); }
  // Throws std::invalid_argument unless the image has width x height pixels.
  void Add(std::vector<int32_t> pixels);
  // Counts every change, so that a painter knows when its pixmaps are stale.
  uint32_t Serial() const { return serial_; }

 private:
  int width_;
  int height_;
  int32_t transparent_;
  std::vector<std::vector<int32_t>> images_;
  uint32_t serial_ = 0;
};

// The built-in lists: the digits 0-9 ("DD00".."DD09", on red) and six mark glyphs ("DM00".."DM05",
// on white).
const TEditorImageList& DefaultDigitImages();
const TEditorImageList& DefaultMarkImages();

}  // namespace vrel
