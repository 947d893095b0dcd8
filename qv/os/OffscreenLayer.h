// A layer with no window: the renderbuffer is a plain RGBA8 renderbuffer, and each present reads the
// framebuffer back so the last presented frame stays readable (headless rendering, tests).
#pragma once

#include <cstdint>
#include <mutex>
#include <vector>

#include "qv/os/Layer.h"

#include "qv/os/Export.h"

QV_EXPORT_BEGIN
namespace qv {

class OffscreenLayer : public Layer {
 public:
  bool renderbufferStorage(GLenum target) override;
  bool presentRenderbuffer(GLenum target) override;

  // The last presented frame, RGBA, top row first; empty before the first present.
  std::vector<uint8_t> lastFrame(int* width = nullptr, int* height = nullptr) const;
  int presentCount() const;

 private:
  mutable std::mutex lock_;
  std::vector<uint8_t> frame_;    // guarded by lock_
  std::vector<uint8_t> scratch_;  // guarded by lock_
  int width_ = 0, height_ = 0;    // guarded by lock_
  int presents_ = 0;              // guarded by lock_
};

}  // namespace qv
QV_EXPORT_END
