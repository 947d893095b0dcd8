#include "qv/os/PngBandDecoder.h"

#include <png.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "qv/os/Image.h"
#include "qv/os/PngDecode.h"
#include "qv/os/Premultiply.h"
#include "qv/os/RegularFile.h"

namespace qv {

namespace {

constexpr size_t kReadPiece = size_t(256) << 10;  // bytes read from the file at a time

}  // namespace

struct PngBandDecoder::State {
  explicit State(RegularFile f) : file(std::move(f)) {}
  ~State() { png_destroy_read_struct(&png, &info, nullptr); }
  png_structp png = nullptr;
  png_infop info = nullptr;
  RegularFile file;
  std::vector<uint8_t> piece;
  size_t offset = 0;  // into piece
  char message[200] = "";
};

namespace {

using State = PngBandDecoder::State;

void onError(png_structp png, png_const_charp message) {
  auto* state = static_cast<State*>(png_get_error_ptr(png));
  std::snprintf(state->message, sizeof state->message, "%s", message);
  png_longjmp(png, 1);
}

void onWarning(png_structp, png_const_charp) {}

// libpng asks for a few bytes at a time; they come from a piece of the file read ahead.
void readBytes(png_structp png, png_bytep data, size_t length) {
  auto* state = static_cast<State*>(png_get_io_ptr(png));
  while (length > 0) {
    if (state->offset == state->piece.size()) {
      state->piece.clear();
      state->offset = 0;
      std::string reason;
      if (!state->file.read(state->piece, kReadPiece, &reason) || state->piece.empty())
        png_error(png, "unexpected end of data");
    }
    const size_t step = std::min(length, state->piece.size() - state->offset);
    std::memcpy(data, state->piece.data() + state->offset, step);
    state->offset += step;
    data += step;
    length -= step;
  }
}

// Everything that may longjmp runs in these and touches only `state`, so no C++ object is skipped over.
bool readHeader(State* state, int* passes) {
  if (setjmp(png_jmpbuf(state->png))) return false;
  png_set_read_fn(state->png, state, readBytes);
  png_read_info(state->png, state->info);
  const png_uint_32 width = png_get_image_width(state->png, state->info);
  if (width > png_uint_32(Image::kMaxDimension) ||
      png_get_image_height(state->png, state->info) > png_uint_32(Image::kMaxDimension))
    png_error(state->png, "too large");
  *passes = setUpPngOutput(state->png, state->info, true);
  if (png_get_rowbytes(state->png, state->info) != size_t(width) * 4)
    png_error(state->png, "unexpected row layout");
  return true;
}

bool readRow(State* state, uint8_t* row) {
  if (setjmp(png_jmpbuf(state->png))) return false;
  png_read_row(state->png, row, nullptr);
  return true;
}

}  // namespace

std::unique_ptr<PngBandDecoder> PngBandDecoder::open(const std::string& path, std::string* reason) {
  auto file = RegularFile::open(path, reason);
  if (!file) return nullptr;
  std::unique_ptr<PngBandDecoder> decoder(new PngBandDecoder);
  decoder->state_ = std::make_unique<State>(std::move(*file));
  State* state = decoder->state_.get();
  state->png = png_create_read_struct(PNG_LIBPNG_VER_STRING, state, onError, onWarning);
  state->info = state->png ? png_create_info_struct(state->png) : nullptr;
  if (!state->info) {
    *reason = "cannot start the PNG decoder";
    return nullptr;
  }
  int passes = 0;
  if (!readHeader(state, &passes)) {
    *reason = std::string("corrupt PNG header (") + state->message + ")";
    return nullptr;
  }
  decoder->width_ = int(png_get_image_width(state->png, state->info));
  decoder->height_ = int(png_get_image_height(state->png, state->info));
  decoder->interlaced_ = passes > 1;
  return decoder;
}

PngBandDecoder::~PngBandDecoder() = default;

int PngBandDecoder::readRows(uint8_t* pixels, size_t bytesPerRow, int rows) {
  int done = 0;
  for (; done < rows && nextRow_ < height_; ++done, ++nextRow_) {
    uint8_t* row = pixels + size_t(done) * bytesPerRow;
    if (!readRow(state_.get(), row)) {
      reason_ = std::string("corrupt or truncated PNG data (") + state_->message + ")";
      return -1;
    }
    for (int x = 0; x < width_; ++x, row += 4) {
      const uint32_t a = row[3];
      if (a == 255) continue;
      for (int c = 0; c < 3; ++c) row[c] = premultiply(row[c], a);
    }
  }
  return done;
}

}  // namespace qv
