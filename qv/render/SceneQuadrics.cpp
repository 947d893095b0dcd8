#include "qv/render/SceneQuadrics.h"

#include "qv/os/GLES.h"

namespace qv {

bool SceneQuadrics::ensure() {
  if (sphere_) return true;
  Owned made[3] = {Owned(qvglNewQuadric()), Owned(qvglNewQuadric()), Owned(qvglNewQuadric())};
  for (const Owned& q : made) {
    if (!q) return false;
    qvglQuadricNormals(q.get(), GLU_SMOOTH);
    qvglQuadricTexture(q.get(), GL_TRUE);
  }
  sphere_ = std::move(made[0]);
  sphere2_ = std::move(made[1]);
  disk_ = std::move(made[2]);
  return true;
}

void SceneQuadrics::reset() {
  sphere_.reset();
  sphere2_.reset();
  disk_.reset();
}

}  // namespace qv
