// The kinds of track an asset can hold.
#pragma once

enum class MediaType { Audio, Video, Subtitle, Other };
