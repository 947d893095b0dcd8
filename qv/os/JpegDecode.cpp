#include "qv/os/JpegDecode.h"

#include <turbojpeg.h>

#include <new>

#include "qv/os/ImageOrientation.h"
#include "qv/os/JpegMetadata.h"
#include "qv/os/QVLog.h"

namespace qv {

namespace {

struct Decompressor {
  tjhandle handle = tjInitDecompress();
  ~Decompressor() {
    if (handle) tjDestroy(handle);
  }
};

// CMYK to BGRA in place. Without colour management this is the plain subtractive model: each ink takes
// its share of the light, black takes from all three.
void cmykToBGRA(uint8_t* pixels, size_t count, bool inverted) {
  for (size_t i = 0; i < count; ++i, pixels += 4) {
    uint32_t c = pixels[0], m = pixels[1], y = pixels[2], k = pixels[3];
    if (!inverted) c = 255 - c, m = 255 - m, y = 255 - y, k = 255 - k;  // now 255 means no ink
    pixels[0] = uint8_t((y * k + 127) / 255);
    pixels[1] = uint8_t((m * k + 127) / 255);
    pixels[2] = uint8_t((c * k + 127) / 255);
    pixels[3] = 255;
  }
}

}  // namespace

bool decodeJPEG(std::span<const uint8_t> bytes, const std::string& name, DecodedPixels& out) {
  Decompressor decompressor;
  tjhandle handle = decompressor.handle;
  if (!handle) {
    QVLog("Image %s: cannot start the JPEG decoder", name.c_str());
    return false;
  }
  int width = 0, height = 0, subsampling = 0, colourspace = 0;
  if (tjDecompressHeader3(handle, bytes.data(), (unsigned long)bytes.size(), &width, &height, &subsampling,
                          &colourspace) != 0) {
    QVLog("Image %s: corrupt JPEG header (%s)", name.c_str(), tjGetErrorStr2(handle));
    return false;
  }
  if (!imageSizeAccepted(uint64_t(width), uint64_t(height), name)) return false;
  out.pixels.reset(new (std::nothrow) uint8_t[size_t(width) * size_t(height) * 4]);
  if (!out.pixels) {
    QVLog("Image %s: cannot allocate %dx%d pixels", name.c_str(), width, height);
    return false;
  }
  out.width = width;
  out.height = height;
  out.opaqueBGRA = true;
  const bool cmyk = colourspace == TJCS_CMYK || colourspace == TJCS_YCCK;
  // A truncated or damaged file only raises a warning in the decoder: treat it as the error it is.
  if (tjDecompress2(handle, bytes.data(), (unsigned long)bytes.size(), out.pixels.get(), width, 0, height,
                    cmyk ? TJPF_CMYK : TJPF_BGRA, TJFLAG_STOPONWARNING) != 0) {
    QVLog("Image %s: corrupt or truncated JPEG data (%s)", name.c_str(), tjGetErrorStr2(handle));
    out.pixels.reset();
    return false;
  }
  const JpegMetadata metadata = JpegMetadata::read(bytes);
  if (cmyk) cmykToBGRA(out.pixels.get(), size_t(width) * size_t(height), metadata.adobe);
  if (!orientPixels(out, metadata.orientation)) {
    QVLog("Image %s: cannot allocate %dx%d pixels to turn the picture upright", name.c_str(), width, height);
    out.pixels.reset();
    return false;
  }
  return true;
}

}  // namespace qv
