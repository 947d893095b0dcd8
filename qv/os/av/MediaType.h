// The kinds of track an asset can hold.
#pragma once

namespace qv {

enum class MediaType { Audio, Video, Subtitle, Other };

}  // namespace qv
