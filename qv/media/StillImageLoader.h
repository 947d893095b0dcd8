// Loads one still panorama from a file on a thread of its own ("QVImageLoader") and hands it to the frame
// input: for a JPEG, a low-resolution whole picture first (decoded at 1/2 to 1/8 of the size), then the
// full resolution, decoded in bands of rows on a second thread ("QVImageDecoder", beside the preview) and
// uploaded by the first straight into the tile textures (TiledPicture), so the full image is never whole in
// memory and frames go on drawing. A PNG takes the same path without a preview. Other files (interlaced
// PNGs, and JPEGs that must be turned upright or are CMYK) are decoded whole and shown through
// FrameInput::setImage. Owned by the view
// on its main thread: destroying the loader (or cancel) stops it at the next band and joins the thread.
// The listener is called on the loading thread.
#pragma once

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "qv/media/ImageLoadState.h"
#include "qv/os/PanoramaLayout.h"

namespace qv {

class FrameInput;
class TiledPicture;

class StillImageLoader {
 public:
  struct Listener {
    // The layout the picture brings (its photo-sphere metadata, else its size's) and what it is, just
    // before it is shown.
    std::function<void(const PanoramaLayout&, const LoadedImageInfo&)> layout;
    // Preview (shown), then Full or Failed (with a one-line reason, also logged). After Preview the loader
    // waits for proceed() before the full resolution goes into the textures.
    std::function<void(ImageLoadState, const std::string& reason)> stateChanged;
  };

  StillImageLoader(std::string path, FrameInput& input, Listener listener);
  ~StillImageLoader();
  StillImageLoader(const StillImageLoader&) = delete;
  StillImageLoader& operator=(const StillImageLoader&) = delete;

  // Lets the full resolution follow the preview. Any thread.
  void proceed();
  // Stops the work at the next band; the destructor joins. Any thread.
  void cancel();

  // The scale denominator (1, 2, 4 or 8) of the preview of a width x height picture: the smallest that
  // keeps it within kPreviewWidth wide and within the tile limit; 1 when the picture needs no preview
  // (it is that small already), 0 when even 1/8 does not fit the limit.
  static int previewDenominator(int width, int height, int tileLimit);
  static constexpr int kPreviewWidth = 1024;

 private:
  void run();
  // The JPEG band path and the whole-image path; false with *reason on failure, and *logged when the
  // failure has had its log line already.
  bool loadJpegInBands(std::string* reason, bool* logged);
  bool loadPngInBands(std::string* reason, bool* logged);
  bool loadWhole(std::string* reason, bool* logged);
  std::shared_ptr<TiledPicture> makePicture(int width, int height, std::string* reason);
  // Decodes the full resolution on a second thread into `picture`, after a preview at 1/denominator when
  // the denominator is above 1, and shows it; false with *reason.
  template <class Decoder>
  bool fillInBands(Decoder& decoder, std::shared_ptr<TiledPicture> picture, int denominator,
                   const PanoramaLayout& layout, const LoadedImageInfo& info, std::string* reason);
  // Decodes the preview at 1/denominator and shows it under `picture`; false with *reason.
  bool showPreview(int denominator, const std::shared_ptr<TiledPicture>& picture,
                   const PanoramaLayout& layout, const LoadedImageInfo& info, std::string* reason);
  bool cancelled();
  // After the preview: until proceed() or cancel(); false when cancelled.
  bool waitToProceed();

  const std::string path_;
  FrameInput& input_;
  const Listener listener_;

  std::mutex lock_;
  std::condition_variable wake_;
  bool cancelled_ = false;  // guarded by lock_
  bool proceed_ = false;    // guarded by lock_

  std::thread thread_;  // last: starts once everything above is ready
};

}  // namespace qv
