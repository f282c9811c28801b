#pragma once

// Reading the six face images of the panorama cube into texture pixels. The picture formats decide
// by the file's content, as D3DX's texture loader does (a PNG named .bmp still loads), and by
// its extension when no format recognises the content; a damaged or cut-off file is refused. The
// open-picture dialog's preview chooses the same way, so it shows what the cube would.
//
// A face costs its file's bytes and its pixels: the texture takes the decoded bitmap's own rows
// (24-bit blue, green, red or 32-bit blue, green, red, alpha); a bitmap of fewer bits a pixel is
// widened to 32 bits where it stands. One wider or taller than the display's largest texture is
// refused from its header, before any pixel is decoded.

#include <memory>
#include <string>

#include "imaging/Graphics.h"
#include "platform/Device.h"

namespace vrel {

class TInputStream;

// A graphic for the picture file `fileName` whose bytes `stream` holds: of the first class in
// `formats` (in the order of registration) whose format test accepts them, else of the class the
// extension names; a CUT image is told the palette file beside it. Raises EInvalidGraphic when
// neither knows the file.
std::unique_ptr<TGraphic> GraphicForContent(const TPictureFormats& formats, TInputStream& stream,
                                            const std::string& fileName);

// The face image as texture pixels, at most `largestSide` pixels wide and high; raises Exception with
// a message that names the file.
TextureImage ReadFaceImage(const std::string& fileName, int largestSide);

}  // namespace vrel
