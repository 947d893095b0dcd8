#include "qv/media/StillImageLoader.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <optional>
#include <vector>

#include "qv/media/BandQueue.h"
#include "qv/media/FrameInput.h"
#include "qv/media/TiledPicture.h"
#include "qv/os/DecodedPixels.h"
#include "qv/os/Image.h"
#include "qv/os/JpegBandDecoder.h"
#include "qv/os/JpegMetadata.h"
#include "qv/os/PhotoSphereXmp.h"
#include "qv/os/PixelBuffer.h"
#include "qv/os/PngBandDecoder.h"
#include "qv/os/QVLog.h"
#include "qv/os/RegularFile.h"
#include "qv/os/ThreadName.h"

namespace qv {

namespace {

// Rows decoded and uploaded at a time: bounds the band buffer and each tile's share of the GL lock.
constexpr size_t kBandBytes = size_t(4) << 20;
// Bands the full-resolution decoder may run ahead of the uploads.
constexpr int kBandsAhead = 3;
// Preview rows decoded between two looks at cancellation.
constexpr int kPreviewRows = 64;

PanoramaLayout layoutOf(const std::optional<PanoramaLayout>& metadata, int width, int height) {
  if (metadata) return *metadata;
  PanoramaLayout layout;
  layout.area = equirectangularAreaForSize(width, height);
  return layout;
}

enum class FileKind { Unreadable, Jpeg, Png, Unknown };

// The kind of file by its first bytes; *reason says why an unreadable one is.
FileKind fileKind(const std::string& path, std::string* reason) {
  auto file = RegularFile::open(path, reason);
  std::vector<uint8_t> start;
  if (!file || !file->read(start, 8, reason)) return FileKind::Unreadable;
  static const uint8_t kPNGSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  if (start.size() >= 3 && start[0] == 0xFF && start[1] == 0xD8 && start[2] == 0xFF) return FileKind::Jpeg;
  if (start.size() == 8 && std::memcmp(start.data(), kPNGSignature, 8) == 0) return FileKind::Png;
  // Only a JPEG is read in pieces; anything else is refused by its size first, as Image does.
  if (file->size() > Image::kMaxFileBytes) {
    *reason = "too large (" + std::to_string(file->size()) + " bytes; at most " +
              std::to_string(Image::kMaxFileBytes) + ")";
    return FileKind::Unreadable;
  }
  return FileKind::Unknown;
}

bool startFullSize(JpegBandDecoder& decoder) {
  return decoder.start(1);
}

bool startFullSize(PngBandDecoder&) {
  return true;
}

// Decodes the whole picture at full size into `bands`, a band of `bandRows` rows (fewer at the bottom) at
// a time, until it ends, fails or the queue is closed, making the textures of each band's rows in
// `picture` first. Runs on its own thread.
template <class Decoder>
void decodeBands(Decoder& decoder, int bandRows, TiledPicture& picture, std::mutex& glLock,
                 BandQueue& bands) {
  setCurrentThreadName("QVImageDecoder");
  if (!startFullSize(decoder)) {
    bands.finish(decoder.reason());
    return;
  }
  const int width = decoder.width(), height = decoder.height();
  const size_t rowBytes = size_t(width) * 4;
  for (int row = 0; row < height;) {
    BandQueue::Band* band = bands.takeEmpty();
    if (!band) return;
    const int wanted = std::min(bandRows, height - row);
    int rows = 0;
    // A band is whole before it is handed on (the reduced levels pair its rows).
    while (rows < wanted) {
      const int got = decoder.readRows(band->bytes.get() + size_t(rows) * rowBytes, rowBytes, wanted - rows);
      if (got <= 0) break;
      rows += got;
    }
    if (rows < wanted) {
      bands.putEmpty(band);
      bands.finish(decoder.reason().empty() ? "corrupt or truncated data" : decoder.reason());
      return;
    }
    // The band's textures are made here, ahead of the uploads: making one is slow (the renderer clears
    // it), and this thread would otherwise wait for the uploads. Not before the uploader is ready (the
    // preview goes first, and the host may still replace the picture); until then the uploader makes them.
    std::string reason;
    if (bands.uploaderReady() && !picture.makeTextures(row, rows, glLock, &reason)) {
      bands.putEmpty(band);
      bands.finish(reason);
      return;
    }
    band->firstRow = row;
    band->rows = rows;
    bands.putFull(band);
    row += rows;
  }
  bands.finish({});
}

}  // namespace

StillImageLoader::StillImageLoader(std::string path, FrameInput& input, Listener listener)
    : path_(std::move(path)), input_(input), listener_(std::move(listener)), thread_([this] { run(); }) {}

StillImageLoader::~StillImageLoader() {
  cancel();
  thread_.join();
}

void StillImageLoader::proceed() {
  std::lock_guard<std::mutex> guard(lock_);
  proceed_ = true;
  wake_.notify_all();
}

void StillImageLoader::cancel() {
  std::lock_guard<std::mutex> guard(lock_);
  cancelled_ = true;
  wake_.notify_all();
}

bool StillImageLoader::cancelled() {
  std::lock_guard<std::mutex> guard(lock_);
  return cancelled_;
}

bool StillImageLoader::waitToProceed() {
  std::unique_lock<std::mutex> guard(lock_);
  wake_.wait(guard, [this] { return proceed_ || cancelled_; });
  return !cancelled_;
}

int StillImageLoader::previewDenominator(int width, int height, int tileLimit) {
  if (width <= kPreviewWidth && width <= tileLimit && height <= tileLimit) return 1;
  const int widest = std::min(kPreviewWidth, tileLimit);
  for (int denominator : {2, 4, 8}) {
    const int w = (width + denominator - 1) / denominator, h = (height + denominator - 1) / denominator;
    if (w <= widest && h <= tileLimit) return denominator;
  }
  return (width + 7) / 8 <= tileLimit && (height + 7) / 8 <= tileLimit ? 8 : 0;
}

void StillImageLoader::run() {
  setCurrentThreadName("QVImageLoader");
  std::string reason;
  bool shown = false, logged = false;
  switch (fileKind(path_, &reason)) {
    case FileKind::Unreadable:
      break;
    case FileKind::Unknown:
      reason = "unknown format (neither JPEG nor PNG)";
      break;
    case FileKind::Jpeg:
      shown = loadJpegInBands(&reason, &logged);
      break;
    case FileKind::Png:
      shown = loadPngInBands(&reason, &logged);
      break;
  }
  if (cancelled()) return;
  if (!shown) {
    if (!logged) QVLog("Image %s: %s", path_.c_str(), reason.c_str());
    listener_.stateChanged(ImageLoadState::Failed, reason);
    return;
  }
  listener_.stateChanged(ImageLoadState::Full, {});
}

bool StillImageLoader::loadWhole(std::string* reason, bool* logged) {
  // Image and the frame input log their own lines; the state carries a shorter one.
  *logged = true;
  auto image = Image::fromFile(path_);
  if (!image) {
    *reason = "cannot be decoded (see the log)";
    return false;
  }
  if (cancelled()) return false;
  if (listener_.layout)
    listener_.layout(
        layoutOf(image->panoramaLayout(), image->width(), image->height()),
        {image->width(), image->height(), image->panoramaLayout().has_value(), image->initialView()});
  if (!input_.setImage(image)) {
    *reason = "cannot be shown (see the log)";
    return false;
  }
  return true;
}

bool StillImageLoader::loadJpegInBands(std::string* reason, bool* logged) {
  auto decoder = JpegBandDecoder::open(path_, reason);
  if (!decoder) return false;
  const int width = decoder->imageWidth(), height = decoder->imageHeight();
  const std::vector<uint8_t>& header = decoder->headerSegments();
  // What the band path does not do (turn the picture upright, convert CMYK) the whole-image path does.
  if (JpegMetadata::read(header).orientation != 1 || !decoder->bgraCapable())
    return loadWhole(reason, logged);
  if (width > Image::kMaxDimension || height > Image::kMaxDimension) {
    *reason = "too large (" + std::to_string(width) + " x " + std::to_string(height) + "; at most " +
              std::to_string(Image::kMaxDimension) + " pixels a side)";
    return false;
  }
  const std::optional<PanoramaLayout> metadata = PhotoSphereXmp::read(header, path_);
  const PanoramaLayout layout = layoutOf(metadata, width, height);
  const LoadedImageInfo info{width, height, metadata.has_value(),
                             PhotoSphereXmp::readInitialView(header, path_)};
  auto picture = makePicture(width, height, reason);
  if (!picture) return false;
  return fillInBands(*decoder, picture, previewDenominator(width, height, input_.tileLimit()), layout, info,
                     reason);
}

bool StillImageLoader::loadPngInBands(std::string* reason, bool* logged) {
  auto decoder = PngBandDecoder::open(path_, reason);
  if (!decoder) return false;
  // Interlaced rows arrive in passes over the whole picture: the whole-image path decodes those.
  if (decoder->interlaced()) return loadWhole(reason, logged);
  const int width = decoder->width(), height = decoder->height();
  auto picture = makePicture(width, height, reason);
  if (!picture) return false;
  const LoadedImageInfo info{width, height, false, std::nullopt};
  return fillInBands(*decoder, picture, 1, layoutOf(std::nullopt, width, height), info, reason);
}

std::shared_ptr<TiledPicture> StillImageLoader::makePicture(int width, int height, std::string* reason) {
  const int limit = input_.tileLimit();
  auto picture = limit > 0 ? std::make_shared<TiledPicture>(width, height, limit) : nullptr;
  if (!picture || picture->empty()) {
    *reason = "no texture can hold it (tile limit " + std::to_string(limit) + ")";
    return nullptr;
  }
  return picture;
}

template <class Decoder>
bool StillImageLoader::fillInBands(Decoder& decoder, std::shared_ptr<TiledPicture> picture, int denominator,
                                   const PanoramaLayout& layout, const LoadedImageInfo& info,
                                   std::string* reason) {
  const int width = picture->width(), height = picture->height();
  // The full resolution decodes on a thread of its own from the start, beside the preview and then beside
  // the uploads, a few bands ahead of them.
  const size_t rowBytes = size_t(width) * 4;
  const int bandRows = std::max(1, int(kBandBytes / rowBytes) / TiledPicture::kBandRowMultiple) *
                       TiledPicture::kBandRowMultiple;
  BandQueue bands(kBandsAhead, rowBytes * size_t(std::min(bandRows, height)));
  const bool previewShown = denominator > 1;
  bool ok = true;
  {
    TiledPicture& target = *picture;
    std::thread decoding([&] { decodeBands(decoder, bandRows, target, input_.lock(), bands); });
    // The decoder stops and is joined at the end of this block, whichever way it is left: before the
    // picture can go.
    struct StopDecoding {
      BandQueue& bands;
      std::thread& thread;
      ~StopDecoding() {
        bands.close();
        thread.join();
      }
    } stopDecoding{bands, decoding};

    if (previewShown) {
      ok = showPreview(denominator, picture, layout, info, reason);
      if (ok) {
        listener_.stateChanged(ImageLoadState::Preview, {});
        ok = waitToProceed();
      }
    }
    if (ok) bands.markUploaderReady();
    while (ok) {
      BandQueue::Band* band = bands.takeFull();
      if (!band) break;
      ok = !cancelled() &&
           target.addRows(band->bytes.get(), band->firstRow, band->rows, input_.lock(), reason);
      bands.putEmpty(band);
    }
    if (ok && !bands.failure().empty()) {
      *reason = bands.failure();
      ok = false;
    }
  }
  if (ok && !cancelled()) {
    if (!previewShown && listener_.layout) listener_.layout(layout, info);
    // A newer picture that replaced the preview meanwhile wins; this one is then not shown.
    ok = input_.showPicture(picture, previewShown);
    if (!ok && !cancelled()) *reason = "replaced while loading";
  }
  input_.dropPicture(picture);
  return ok && !cancelled();
}

bool StillImageLoader::showPreview(int denominator, const std::shared_ptr<TiledPicture>& picture,
                                   const PanoramaLayout& layout, const LoadedImageInfo& info,
                                   std::string* reason) {
  // A second decoder over the same file, at a fraction of the size.
  auto decoder = JpegBandDecoder::open(path_, reason);
  if (!decoder || !decoder->start(denominator)) {
    if (decoder) *reason = decoder->reason();
    return false;
  }
  const int w = decoder->width(), h = decoder->height();
  // Not zero-filled: a header that promises more rows than the data holds costs only what is decoded.
  std::unique_ptr<uint8_t[]> pixels(new (std::nothrow) uint8_t[size_t(w) * size_t(h) * 4]);
  if (!pixels) {
    *reason = "cannot allocate the preview";
    return false;
  }
  for (int row = 0; row < h;) {
    if (cancelled()) return false;
    const int rows =
        decoder->readRows(pixels.get() + size_t(row) * size_t(w) * 4, size_t(w) * 4, kPreviewRows);
    if (rows < 0) {
      *reason = decoder->reason();
      return false;
    }
    row += rows;
  }
  auto buffer = PixelBuffer::createWithBytes(w, h, pixels.get(), size_t(w) * 4);
  if (listener_.layout) listener_.layout(layout, info);
  if (!buffer || !input_.showPreview(*buffer, picture)) {
    *reason = "cannot make the preview texture";
    return false;
  }
  return true;
}

}  // namespace qv
