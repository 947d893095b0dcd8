#include "qv/os/JpegBandDecoder.h"

// jpeglib.h needs size_t and FILE declared before it.
#include <cstddef>
#include <cstdio>

#include <jerror.h>
#include <jpeglib.h>

#include <algorithm>
#include <csetjmp>
#include <cstring>

#include "qv/os/RegularFile.h"

namespace qv {

namespace {

constexpr size_t kReadPiece = size_t(256) << 10;  // bytes read from the file at a time
constexpr int kAppMarkers = 16;

}  // namespace

struct JpegBandDecoder::State {
  explicit State(RegularFile f) : file(std::move(f)) {}
  jpeg_decompress_struct info{};
  jpeg_error_mgr errors{};
  jpeg_source_mgr source{};
  std::jmp_buf failed{};
  RegularFile file;
  std::vector<uint8_t> piece;
  char message[JMSG_LENGTH_MAX] = "";
  bool created = false;
};

namespace {

using State = JpegBandDecoder::State;

State* stateOf(j_common_ptr info) {
  return static_cast<State*>(info->client_data);
}

[[noreturn]] void onError(j_common_ptr info) {
  State* state = stateOf(info);
  info->err->format_message(info, state->message);
  std::longjmp(state->failed, 1);
}

// A warning (corrupt data the decoder would paper over, a premature end) is the error it stands for.
void onMessage(j_common_ptr info, int level) {
  if (level < 0) onError(info);
}

void initSource(j_decompress_ptr) {}

// The next piece of the file; false at its end or on a read error. No C++ object outlives this call, so
// the caller may longjmp after it.
bool readPiece(State* state) {
  state->piece.clear();
  std::string reason;
  return state->file.read(state->piece, kReadPiece, &reason) && !state->piece.empty();
}

boolean fillInput(j_decompress_ptr info) {
  State* state = stateOf(reinterpret_cast<j_common_ptr>(info));
  if (!readPiece(state)) ERREXIT(info, JERR_INPUT_EOF);
  info->src->next_input_byte = state->piece.data();
  info->src->bytes_in_buffer = state->piece.size();
  return TRUE;
}

void skipInput(j_decompress_ptr info, long count) {
  while (count > 0) {
    if (info->src->bytes_in_buffer == 0) fillInput(info);
    const size_t step = std::min(size_t(count), info->src->bytes_in_buffer);
    info->src->next_input_byte += step;
    info->src->bytes_in_buffer -= step;
    count -= long(step);
  }
}

void termSource(j_decompress_ptr) {}

// Everything that may longjmp runs in these and touches only `state`, so no C++ object is skipped over.
bool readHeader(State* state) {
  if (setjmp(state->failed)) return false;
  jpeg_create_decompress(&state->info);
  state->created = true;
  state->info.client_data = state;
  state->info.src = &state->source;
  state->source.init_source = initSource;
  state->source.fill_input_buffer = fillInput;
  state->source.skip_input_data = skipInput;
  state->source.resync_to_restart = jpeg_resync_to_restart;
  state->source.term_source = termSource;
  for (int i = 0; i < kAppMarkers; ++i) jpeg_save_markers(&state->info, JPEG_APP0 + i, 0xFFFF);
  jpeg_read_header(&state->info, TRUE);
  return true;
}

bool startDecoding(State* state, int denominator) {
  if (setjmp(state->failed)) return false;
  state->info.scale_num = 1;
  state->info.scale_denom = unsigned(denominator);
  state->info.out_color_space = JCS_EXT_BGRA;
  state->info.dct_method = JDCT_ISLOW;  // what the whole-image decoder uses: the same pixels
  jpeg_start_decompress(&state->info);
  return true;
}

bool readScanlines(State* state, uint8_t* pixels, size_t bytesPerRow, int rows, int* done) {
  if (setjmp(state->failed)) return false;
  JSAMPROW rowPointers[16];
  while (*done < rows && state->info.output_scanline < state->info.output_height) {
    const int batch = std::min(rows - *done, 16);
    for (int i = 0; i < batch; ++i) rowPointers[i] = pixels + size_t(*done + i) * bytesPerRow;
    *done += int(jpeg_read_scanlines(&state->info, rowPointers, JDIMENSION(batch)));
  }
  return true;
}

}  // namespace

std::unique_ptr<JpegBandDecoder> JpegBandDecoder::open(const std::string& path, std::string* reason) {
  auto file = RegularFile::open(path, reason);
  if (!file) return nullptr;
  std::unique_ptr<JpegBandDecoder> decoder(new JpegBandDecoder);
  decoder->state_ = std::make_unique<State>(std::move(*file));
  State* state = decoder->state_.get();
  state->info.err = jpeg_std_error(&state->errors);
  state->errors.error_exit = onError;
  state->errors.emit_message = onMessage;
  if (!readHeader(state)) {
    *reason = std::string("corrupt JPEG header (") + state->message + ")";
    return nullptr;
  }
  std::vector<uint8_t>& header = decoder->header_;
  header = {0xFF, 0xD8};
  for (jpeg_saved_marker_ptr m = state->info.marker_list; m; m = m->next) {
    const size_t length = size_t(m->data_length) + 2;
    header.insert(header.end(), {0xFF, uint8_t(m->marker), uint8_t(length >> 8), uint8_t(length & 0xFF)});
    header.insert(header.end(), m->data, m->data + m->data_length);
  }
  return decoder;
}

JpegBandDecoder::~JpegBandDecoder() {
  if (state_ && state_->created) jpeg_destroy_decompress(&state_->info);
}

int JpegBandDecoder::imageWidth() const {
  return int(state_->info.image_width);
}

int JpegBandDecoder::imageHeight() const {
  return int(state_->info.image_height);
}

bool JpegBandDecoder::bgraCapable() const {
  const J_COLOR_SPACE space = state_->info.jpeg_color_space;
  return space == JCS_GRAYSCALE || space == JCS_YCbCr || space == JCS_RGB;
}

bool JpegBandDecoder::start(int denominator) {
  if (!startDecoding(state_.get(), denominator)) {
    reason_ = std::string("cannot decode the JPEG (") + state_->message + ")";
    return false;
  }
  width_ = int(state_->info.output_width);
  height_ = int(state_->info.output_height);
  return true;
}

int JpegBandDecoder::readRows(uint8_t* pixels, size_t bytesPerRow, int rows) {
  int done = 0;
  if (!readScanlines(state_.get(), pixels, bytesPerRow, rows, &done)) {
    reason_ = std::string("corrupt or truncated JPEG data (") + state_->message + ")";
    return -1;
  }
  nextRow_ += done;
  return done;
}

}  // namespace qv
