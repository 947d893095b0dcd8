// The quadrics the scene renderers draw with: the panorama sphere (also the cylinder), a second sphere,
// and the blind-spot disk. Made together by the first frame that needs them, with smooth normals and
// texture coordinates; deleted with their owner. Main thread, under the GL lock.
#pragma once

#include <memory>

#include "qv/glu/Quadric.h"

#include "qv/os/Export.h"

QV_EXPORT_BEGIN
namespace qv {

class SceneQuadrics {
 public:
  // Makes the three quadrics when missing; false (nothing kept) when that fails.
  bool ensure();
  bool ready() const { return sphere_ != nullptr; }
  void reset();

  GLUquadric* sphere() const { return sphere_.get(); }
  GLUquadric* sphere2() const { return sphere2_.get(); }
  GLUquadric* disk() const { return disk_.get(); }

 private:
  struct Deleter {
    void operator()(GLUquadric* q) const { qvglDeleteQuadric(q); }
  };
  using Owned = std::unique_ptr<GLUquadric, Deleter>;
  Owned sphere_, sphere2_, disk_;
};

}  // namespace qv
QV_EXPORT_END
