#include "imaging/TIFFJPEGDecoder.h"

#include <jerror.h>

#include <algorithm>
#include <csetjmp>
#include <stdexcept>
#include <string>

#include "imaging/Graphics.h"
#include "imaging/JPG.h"

namespace vrel {

namespace {

constexpr JOCTET kEndOfImage[] = {0xFF, 0xD9};

// Data that ends inside a piece: the source manager then hands libjpeg an end-of-image marker, and
// libjpeg warns that it hit a marker where it needed data.
bool IsUnexpectedEnd(int code) {
  return code == JWRN_HIT_MARKER || code == JWRN_JPEG_EOF;
}

[[noreturn]] void RaiseFailure(int code) {
  if (IsUnexpectedEnd(code))
    CompressionError("JPEG decompression error. Unexpected end of input.");
  RaiseJpegError(code);
}

// libjpeg's source manager over one piece; `pub` first, so libjpeg's pointer is ours.
struct PieceSource {
  jpeg_source_mgr pub{};
  bool ended = false;  // the piece is used up and the end of the image was handed out
};

extern "C" void InitSource(j_decompress_ptr) {}
extern "C" void TermSource(j_decompress_ptr) {}

// Past the piece's end there is only the end of the image.
extern "C" boolean FillInputBuffer(j_decompress_ptr info) {
  reinterpret_cast<PieceSource*>(info->src)->ended = true;
  info->src->next_input_byte = kEndOfImage;
  info->src->bytes_in_buffer = sizeof kEndOfImage;
  return TRUE;
}

extern "C" void SkipInputData(j_decompress_ptr info, long count) {
  if (count <= 0)
    return;
  if (static_cast<unsigned long>(count) > info->src->bytes_in_buffer) {
    FillInputBuffer(info);
    return;
  }
  info->src->next_input_byte += count;
  info->src->bytes_in_buffer -= static_cast<std::size_t>(count);
}

void SetSource(PieceSource& source, std::span<const std::uint8_t> bytes) {
  source.pub.next_input_byte = bytes.data();
  source.pub.bytes_in_buffer = bytes.size();
  source.ended = false;
}

}  // namespace

// Everything libjpeg holds on to, at one address for the decoder's life.
struct TTIFFJPEGDecoder::State {
  jpeg_decompress_struct info{};
  TJpegErrorManager error;
  PieceSource source;
  TJpegWarningSink warnings = [](int code, const std::string&) {
    return IsUnexpectedEnd(code) ? TJpegWarningAction::Fail : TJpegWarningAction::Ignore;
  };
  bool created = false;
  bool decoding = false;  // a piece is started and has rows left
};

TTIFFJPEGDecoder::TTIFFJPEGDecoder(const TImageProperties& properties)
    : properties_(properties), tables_(properties.JPEGTables) {}

TTIFFJPEGDecoder::~TTIFFJPEGDecoder() {
  DecodeEnd();
}

void TTIFFJPEGDecoder::DecodeInit() {
  DecodeEnd();
  state_ = std::make_unique<State>();
  State* const s = state_.get();
  s->info.err = InitJpegErrorManager(s->error, &s->warnings);
  s->source.pub.init_source = InitSource;
  s->source.pub.fill_input_buffer = FillInputBuffer;
  s->source.pub.skip_input_data = SkipInputData;
  s->source.pub.resync_to_restart = jpeg_resync_to_restart;
  s->source.pub.term_source = TermSource;
  // No object with a destructor from here to the last libjpeg call (see JPG.h).
  if (setjmp(s->error.jump) != 0)
    RaiseFailure(s->error.failedCode);
  jpeg_create_decompress(&s->info);
  s->created = true;
  s->info.src = &s->source.pub;
  if (!tables_.empty()) {
    SetSource(s->source, tables_);
    if (jpeg_read_header(&s->info, FALSE) != JPEG_HEADER_TABLES_ONLY)
      CompressionError("Bogus JPEG tables field.");
  }
}

void TTIFFJPEGDecoder::DecodeEnd() {
  if (state_ && state_->created)
    jpeg_destroy_decompress(&state_->info);
  state_.reset();
}

namespace {

// The checks of a piece's header against the image; each failure raises EDecodeError.
void CheckHeader(const jpeg_decompress_struct& info, const TImageProperties& properties) {
  std::uint32_t width = properties.Width;
  std::uint32_t height = 0;
  if (properties.Options & ioTiled) {
    width = properties.TileWidth;
    height = properties.TileLength;
  } else if (properties.CurrentRow < properties.Height) {
    const std::uint32_t rowsPerStrip = properties.RowsPerStrip.empty() ? properties.Height : properties.RowsPerStrip[0];
    height = std::min(rowsPerStrip, properties.Height - properties.CurrentRow);
  }
  if (info.image_width != width || info.image_height != height)
    CompressionError("Improper JPEG strip/tile size.");
  const bool interleaved = properties.PlanarConfig != 2;
  if (info.num_components != (interleaved ? properties.SamplesPerPixel : 1))
    CompressionError("Improper JPEG component count.");
  if (info.data_precision != properties.BitsPerSample)
    CompressionError("Improper JPEG data precision.");
  const bool subsampled = interleaved && properties.YCbCrSubSampling.size() >= 2;
  const int horizontal = subsampled ? properties.YCbCrSubSampling[0] : 1;
  const int vertical = subsampled ? properties.YCbCrSubSampling[1] : 1;
  bool sampling = info.comp_info[0].h_samp_factor == horizontal && info.comp_info[0].v_samp_factor == vertical;
  for (int c = 1; c < info.num_components; ++c)
    sampling = sampling && info.comp_info[c].h_samp_factor == 1 && info.comp_info[c].v_samp_factor == 1;
  if (!sampling)
    CompressionError("Improper JPEG sampling factors.");
}

}  // namespace

TDecodeResult TTIFFJPEGDecoder::Decode(std::span<const std::uint8_t> source, std::span<std::uint8_t> target) {
  BeginPiece(source);
  const jpeg_decompress_struct& info = state_->info;
  const std::size_t rowBytes = std::size_t{info.output_width} * static_cast<std::size_t>(info.output_components);
  if (rowBytes == 0 || target.size() % rowBytes != 0)
    CompressionError("Fractional JPEG scanline unsupported.");
  if (target.size() / rowBytes < info.output_height)
    CompressionError("Improper JPEG strip/tile size.");
  DecodeNext(target.first(std::size_t{info.output_height} * rowBytes));
  const std::size_t left = state_->source.ended ? 0 : state_->source.pub.bytes_in_buffer;
  return {source.size() - std::min(left, source.size()), std::size_t{info.output_height} * rowBytes};
}

void TTIFFJPEGDecoder::BeginPiece(std::span<const std::uint8_t> source) {
  if (!state_)
    throw std::logic_error("TTIFFJPEGDecoder::BeginPiece before DecodeInit");
  State* const s = state_.get();
  // No object with a destructor from here to the last libjpeg call (see JPG.h).
  if (setjmp(s->error.jump) != 0) {
    jpeg_abort_decompress(&s->info);
    RaiseFailure(s->error.failedCode);
  }
  jpeg_abort_decompress(&s->info);
  s->decoding = false;
  SetSource(s->source, source);
  // libjpeg's whole-image buffers (progressive data) stay within what the piece can fill.
  s->info.mem->max_memory_to_use = static_cast<long>(std::min<std::uint64_t>(
      std::uint64_t{source.size()} * 4096 + (std::uint64_t{64} << 20), TBitmap::kMaxImageBytes));
  jpeg_read_header(&s->info, TRUE);
  CheckHeader(s->info, properties_);
  switch (s->info.num_components) {
    case 1:
      s->info.jpeg_color_space = JCS_GRAYSCALE;
      s->info.out_color_space = JCS_GRAYSCALE;
      break;
    case 3:
      s->info.jpeg_color_space = properties_.ColorScheme == TColorScheme::YCbCr ? JCS_YCbCr : JCS_RGB;
      s->info.out_color_space = JCS_EXT_BGR;
      break;
    default:
      s->info.jpeg_color_space = JCS_UNKNOWN;
      s->info.out_color_space = JCS_UNKNOWN;
      break;
  }
  jpeg_start_decompress(&s->info);
  s->decoding = true;
}

void TTIFFJPEGDecoder::DecodeNext(std::span<std::uint8_t> target) {
  if (!state_ || !state_->decoding)
    throw std::logic_error("TTIFFJPEGDecoder::DecodeNext without a piece");
  State* const s = state_.get();
  const std::size_t rowBytes = std::size_t{s->info.output_width} * static_cast<std::size_t>(s->info.output_components);
  if (rowBytes == 0 || target.size() % rowBytes != 0)
    CompressionError("Fractional JPEG scanline unsupported.");
  if (target.size() / rowBytes > s->info.output_height - s->info.output_scanline)
    CompressionError("Improper JPEG strip/tile size.");
  // No object with a destructor from here to the last libjpeg call (see JPG.h).
  if (setjmp(s->error.jump) != 0) {
    s->decoding = false;
    jpeg_abort_decompress(&s->info);
    RaiseFailure(s->error.failedCode);
  }
  const JDIMENSION first = s->info.output_scanline;
  const JDIMENSION last = first + static_cast<JDIMENSION>(target.size() / rowBytes);
  while (s->info.output_scanline < last) {
    JSAMPROW rows[1] = {target.data() + std::size_t{s->info.output_scanline - first} * rowBytes};
    jpeg_read_scanlines(&s->info, rows, 1);
  }
  if (s->info.output_scanline == s->info.output_height) {
    s->decoding = false;
    jpeg_finish_decompress(&s->info);
  }
}

}  // namespace vrel
