#pragma once

// JPEG data inside TIFF: each strip or tile is a JPEG stream of its own, usually without tables,
// which the JPEGTables field holds for all of them. The decoder checks each piece's header against
// the image's properties and decodes it through libjpeg (libjpeg-turbo) into rows the colour manager
// takes as they are: one byte per pixel for grey, blue, green, red for colour (YCbCr converted, RGB
// as stored), the samples as stored for any other count.
//
// A piece whose data ends before its last row raises EDecodeError "JPEG decompression error.
// Unexpected end of input."; libjpeg's own fatal errors raise EInvalidGraphic "JPEG error #n".

#include <cstdint>
#include <memory>
#include <span>

#include "imaging/RasterDecoders.h"
#include "imaging/RasterFormats.h"

namespace vrel {

class TTIFFJPEGDecoder : public TDecoder {
 public:
  // Reads the image's properties at each Decode (CurrentRow moves from strip to strip); keeps a copy
  // of the JPEG tables.
  explicit TTIFFJPEGDecoder(const TImageProperties& properties);
  ~TTIFFJPEGDecoder() override;
  TTIFFJPEGDecoder(const TTIFFJPEGDecoder&) = delete;
  TTIFFJPEGDecoder& operator=(const TTIFFJPEGDecoder&) = delete;

  // Makes the decompressor and reads the tables.
  void DecodeInit() override;
  // Decodes one strip (the rows from CurrentRow, at most RowsPerStrip) or one tile (TileWidth x
  // TileLength) into rows of width x components bytes; the target holds a whole number of rows, at
  // least those of the piece.
  TDecodeResult Decode(std::span<const std::uint8_t> source, std::span<std::uint8_t> target) override;
  void DecodeEnd() override;
  // The same a band of rows at a time: BeginPiece reads and checks the header, each DecodeNext the
  // next whole rows.
  bool DecodesInParts() const override { return true; }
  void BeginPiece(std::span<const std::uint8_t> source) override;
  void DecodeNext(std::span<std::uint8_t> target) override;

 private:
  struct State;
  const TImageProperties& properties_;
  TByteArray tables_;
  std::unique_ptr<State> state_;
};

}  // namespace vrel
