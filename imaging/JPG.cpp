#include "imaging/JPG.h"

#include <jerror.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "imaging/Graphics.h"
#include "imaging/RasterFormats.h"

namespace vrel {

namespace {

// Asks the sink; false means the decode goes on. Kept apart from the callback so that every C++
// object it makes is gone before the callback jumps.
bool WarningEndsDecode(const TJpegWarningSink& sink, j_common_ptr info) noexcept {
  try {
    char text[JMSG_LENGTH_MAX] = {};
    info->err->format_message(info, text);
    return sink(info->err->msg_code, text) == TJpegWarningAction::Fail;
  } catch (...) {
    return true;
  }
}

extern "C" void JumpOnError(j_common_ptr info) {
  auto* manager = reinterpret_cast<TJpegErrorManager*>(info->err);
  manager->failedCode = info->err->msg_code;
  std::longjmp(manager->jump, 1);
}

extern "C" void EmitMessage(j_common_ptr info, int level) {
  if (level >= 0)
    return;  // trace messages
  auto* manager = reinterpret_cast<TJpegErrorManager*>(info->err);
  ++info->err->num_warnings;
  if (manager->warnings && *manager->warnings && WarningEndsDecode(*manager->warnings, info)) {
    manager->failedCode = info->err->msg_code;
    std::longjmp(manager->jump, 1);
  }
}

extern "C" void OutputMessage(j_common_ptr) {}

// Everything a decode keeps across the jump point, on the heap so nothing of it is a changed local.
struct JpegJob {
  jpeg_decompress_struct info{};
  TJpegErrorManager error;
  TBitmap bitmap;
  std::vector<JSAMPLE> inks;  // one row of CMYK samples
  bool created = false;
};

// Destroys the decompressor however the decode ends: made before the jump point, so a jump back
// leaves it in place, and the exception raised there (or any other) runs it.
struct JpegJobGuard {
  JpegJob* job;
  ~JpegJobGuard() {
    if (job->created)
      jpeg_destroy_decompress(&job->info);
  }
};

}  // namespace

int JpegPrematureEndCode() {
  return JWRN_JPEG_EOF;
}

TJpegWarningSink FailOnPrematureEnd() {
  return [](int code, const std::string&) {
    return code == JWRN_JPEG_EOF ? TJpegWarningAction::Fail : TJpegWarningAction::Ignore;
  };
}

jpeg_error_mgr* InitJpegErrorManager(TJpegErrorManager& manager, const TJpegWarningSink* warnings) {
  jpeg_std_error(&manager.pub);
  manager.pub.error_exit = JumpOnError;
  manager.pub.emit_message = EmitMessage;
  manager.pub.output_message = OutputMessage;
  manager.failedCode = 0;
  manager.warnings = warnings;
  return &manager.pub;
}

void RaiseJpegError(int code) {
  RasterFormatError("JPEG error #%s", {std::to_string(code)});
}

void DecodeJpegFile(std::span<const std::uint8_t> file, TBitmap& bitmap, const TJpegWarningSink& warnings,
                    const TJpegRowsDone& rowsDone) {
  const std::unique_ptr<JpegJob> job = std::make_unique<JpegJob>();
  JpegJob* const j = job.get();
  const JpegJobGuard guard{j};
  j->info.err = InitJpegErrorManager(j->error, &warnings);
  if (setjmp(j->error.jump) != 0)
    RaiseJpegError(j->error.failedCode);
  jpeg_create_decompress(&j->info);
  j->created = true;
  // libjpeg's whole-image buffers (progressive files) stay within what the data can fill.
  j->info.mem->max_memory_to_use = static_cast<long>(
      std::min<std::uint64_t>(std::uint64_t{file.size()} * 4096 + (std::uint64_t{64} << 20), TBitmap::kMaxImageBytes));
  jpeg_mem_src(&j->info, file.data(), static_cast<unsigned long>(file.size()));
  jpeg_read_header(&j->info, TRUE);
  const bool grey = j->info.jpeg_color_space == JCS_GRAYSCALE;
  const bool inverted = j->info.jpeg_color_space == JCS_CMYK || j->info.jpeg_color_space == JCS_YCCK;
  j->info.out_color_space = grey ? JCS_GRAYSCALE : inverted ? JCS_CMYK : JCS_EXT_BGR;
  bitmap.CheckImageBudget(j->info.image_width, j->info.image_height, grey ? 8u : 24u, file.size(),
                          MaxExpansion(TCompressionType::ctJPEG), "JPEG");
  jpeg_start_decompress(&j->info);
  j->bitmap.SetPixelFormat(grey ? TPixelFormat::pf8bit : TPixelFormat::pf24bit);
  j->bitmap.SetSize(static_cast<int>(j->info.output_width), static_cast<int>(j->info.output_height));
  if (inverted)
    j->inks.resize(std::size_t{j->info.output_width} * 4);
  while (j->info.output_scanline < j->info.output_height) {
    const auto row = static_cast<int>(j->info.output_scanline);
    JSAMPROW rows[1] = {j->bitmap.ScanLine(row).data()};
    if (inverted) {
      JSAMPLE* const cmyk = j->inks.data();
      rows[0] = cmyk;
      jpeg_read_scanlines(&j->info, rows, 1);
      // Adobe's CMYK JPEG files store the inks inverted.
      std::uint8_t* out = j->bitmap.ScanLine(row).data();
      for (JDIMENSION x = 0; x < j->info.output_width; ++x) {
        const unsigned k = cmyk[x * 4 + 3];
        out[x * 3] = static_cast<std::uint8_t>(cmyk[x * 4 + 2] * k / 255);
        out[x * 3 + 1] = static_cast<std::uint8_t>(cmyk[x * 4 + 1] * k / 255);
        out[x * 3 + 2] = static_cast<std::uint8_t>(cmyk[x * 4] * k / 255);
      }
    } else {
      jpeg_read_scanlines(&j->info, rows, 1);
    }
    if (rowsDone)
      rowsDone(j->info.output_scanline, j->info.output_height);
  }
  jpeg_finish_decompress(&j->info);
  jpeg_destroy_decompress(&j->info);
  j->created = false;
  if (grey) {
    TPalette palette(256);
    for (unsigned i = 0; i < 256; ++i)
      palette[i] = {static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i)};
    j->bitmap.SetPalette(std::move(palette));
  }
  bitmap.Take(j->bitmap);
}

}  // namespace vrel
