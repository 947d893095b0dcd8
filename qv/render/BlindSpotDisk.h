// The blind-spot image: a textured disk just inside the panorama sphere over one pole, covering the tripod at
// the nadir (or the zenith). Its texture and mipmap chain are built once per image name, from the image
// scaled down to at most 2048 pixels a side; a name whose image cannot be used costs one look-up, not one per
// frame. Owned by the view; main thread, under the GL lock.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "qv/glu/Quadric.h"
#include "qv/os/GLName.h"

#include "qv/os/Export.h"

QV_EXPORT_BEGIN
namespace qv {

enum class BlindSpotLocation : int32_t {
  None = 0,    // no disk
  Nadir = 1,   // over the pole below the viewer
  Zenith = 2,  // over the pole above
};

class BlindSpotDisk {
 public:
  // A new image name (or none); the texture is rebuilt by the next frame.
  void setImage(std::optional<std::string> name);
  void setLocation(int32_t location) { location_ = location; }
  int32_t location() const { return location_; }
  bool hasTexture() const { return bool(texture_); }

  // Loads the texture when needed, then (outside picking passes) draws the disk turned by the scene's own
  // yaw (degrees) so it stays fixed to the panorama. Model-view matrix mode is left current.
  void draw(float sceneYaw, bool picking, GLUquadric* disk);
  // Deletes the texture; the GL context must be current.
  void releaseTexture() { texture_.reset(); }

  // Loads a named image into a new single-level texture (an empty one when the image cannot be used).
  // The GL context must be current.
  static void loadTexture(GLuint* texture, const std::string& file);

 private:
  bool loadImage();

  std::optional<std::string> image_;  // name of the blind-spot image
  int32_t location_ = 0;              // a BlindSpotLocation value; others draw nothing
  bool refresh_ = false;              // the name changed since the texture was built
  // The image name whose load failed; forgotten when the name changes.
  std::optional<std::string> failedName_;
  GLTexture texture_;
};

}  // namespace qv
QV_EXPORT_END
