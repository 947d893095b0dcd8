#include "qv/media/ImageLoadState.h"

namespace qv {

std::string_view imageLoadStateName(ImageLoadState state) {
  switch (state) {
    case ImageLoadState::None:
      return "none";
    case ImageLoadState::Preview:
      return "preview";
    case ImageLoadState::Full:
      return "full";
    case ImageLoadState::Failed:
      return "failed";
  }
  return "unknown";
}

}  // namespace qv
