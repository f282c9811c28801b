#pragma once

// The connection of libjpeg (libjpeg-turbo) to the program: the error manager every decompressor
// gets, and the decoding of a whole JPEG file into a bitmap. libjpeg reports a fatal error by calling
// back into us from inside its C code, where no C++ exception may pass; so the one function that
// calls libjpeg sets a jump point first, the error exit jumps back to it, and that function then
// destroys the decompressor and raises EInvalidGraphic "JPEG error #%d" with libjpeg's message code.
// Warnings go to an injectable sink, which may turn one into a failure the same way. libjpeg's own
// memory manager does the allocations, capped per decode.
//
// The rule for a function that calls libjpeg: every C++ object with a destructor lives before the
// setjmp (behind a pointer where it changes afterwards), and no such object is made between the
// setjmp and the last libjpeg call.

#include <csetjmp>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <span>
#include <string>

#include <jpeglib.h>

namespace vrel {

class TBitmap;

enum class TJpegWarningAction { Ignore, Fail };
// Told every warning libjpeg emits (its message code and its text); answers whether the decode goes
// on. It must not throw (an exception counts as Fail).
using TJpegWarningSink = std::function<TJpegWarningAction(int code, const std::string& text)>;

// libjpeg's warning that the data ended before the image did ("Premature end of JPEG file").
int JpegPrematureEndCode();
// A sink that fails on a premature end and ignores the other warnings.
TJpegWarningSink FailOnPrematureEnd();

// The error manager a decompressor is given; `pub` first, so libjpeg's pointer is ours.
struct TJpegErrorManager {
  jpeg_error_mgr pub{};
  std::jmp_buf jump{};
  int failedCode = 0;  // the message code of the error or warning that ended the decode
  const TJpegWarningSink* warnings = nullptr;
};

// Fills the manager: libjpeg's standard routines but for the error exit (jump back), the emitted
// messages (warnings to `warnings`, when given; trace messages dropped) and the output (dropped).
jpeg_error_mgr* InitJpegErrorManager(TJpegErrorManager& manager, const TJpegWarningSink* warnings);
// EInvalidGraphic "JPEG error #<code>".
[[noreturn]] void RaiseJpegError(int code);

// Told after each row of a decode how many rows of how many are done; it may raise to call the
// decode off (it runs outside libjpeg's code, so the exception never crosses it).
using TJpegRowsDone = std::function<void(std::uint32_t rows, std::uint32_t height)>;

// Decodes a whole JPEG file into `bitmap`: 24-bit blue, green, red, or 8-bit with the grey palette
// for one-component files. The image's size is checked against the data before its pixels are
// allocated. Raises EInvalidGraphic; `bitmap` is changed only on success.
void DecodeJpegFile(std::span<const std::uint8_t> file, TBitmap& bitmap, const TJpegWarningSink& warnings,
                    const TJpegRowsDone& rowsDone = {});

}  // namespace vrel
