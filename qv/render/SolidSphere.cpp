#include "qv/render/SolidSphere.h"

#include <cmath>
#include <cstdlib>
#include <limits>

#include "qv/os/QVLog.h"

namespace qv {

float texCoords[10800 * 2];

namespace {

constexpr uint64_t kTexCoordPairs = 10800;

float unwrapped(float first, float second) {
  if (first > 0.75f && second < 0.75f) return second + 1;
  if (first < 0.75f && second > 0.75f) return second - 1;
  return second;
}

}  // namespace

void getSolidSphere(float** vertices, float** normals, uint32_t* count, uint32_t slices, uint32_t stacks,
                    float radius) {
  if (vertices) *vertices = nullptr;
  if (normals) *normals = nullptr;
  if (count) *count = 0;
  if (!vertices || !normals || !count) return;

  // The vertex count in 64 bits: slices and stacks near 2^32 must not wrap into a small buffer.
  uint64_t n = (2 * uint64_t(slices) + 2) * uint64_t(stacks);
  if (n == 0 || n > std::numeric_limits<uint32_t>::max() || n > std::numeric_limits<size_t>::max() / 12)
    return;
  auto* v = static_cast<float*>(std::calloc(size_t(n), 3 * sizeof(float)));
  auto* normal = static_cast<float*>(std::calloc(size_t(n), 3 * sizeof(float)));
  if (!v || !normal) {
    std::free(v);
    std::free(normal);
    return;
  }

  const float dPhi = float(M_PI / stacks);
  const float dTheta = float(2 * M_PI / slices);
  uint64_t index = 0;
  for (uint32_t band = 0; band < stacks; ++band) {
    const float phi1 = float(band) * dPhi, phi2 = phi1 + dPhi;
    for (uint32_t j = 0; j <= slices; ++j) {
      const float theta = j == slices ? 0.0f : float(j) * dTheta;  // the seam closes exactly
      float u1 = 0;
      for (int k = 0; k < 2; ++k, ++index) {
        const float phi = k == 0 ? phi1 : phi2;
        float* p = &v[index * 3];
        p[0] = -radius * std::sin(theta) * std::sin(phi);
        p[1] = radius * std::cos(theta) * std::sin(phi);
        p[2] = radius * std::cos(phi);
        float u = float(std::atan2(p[0], p[2]) / (2 * M_PI) + 0.5);
        // v follows the latitude of the point, whatever the radius (y / r, kept in asin's domain).
        const float y = radius != 0 ? p[1] / radius : 0.0f;
        float vv = float(std::asin(std::fmax(-1.0f, std::fmin(1.0f, y))) / M_PI + 0.5);
        if (k == 0) {
          u1 = u;
          QVLog("%f,%f,%f", p[0], p[1], p[2]);
        } else {
          u = unwrapped(u1, u);
        }
        if (index < kTexCoordPairs) {
          texCoords[index * 2] = u;
          texCoords[index * 2 + 1] = vv;
        }
      }
    }
  }

  for (uint64_t i = 0; i < n; ++i) {
    const float* p = &v[i * 3];
    float length = std::sqrt(p[0] * p[0] + p[1] * p[1] + p[2] * p[2]);
    float* q = &normal[i * 3];
    if (length == 0) {
      q[0] = 1, q[1] = 0, q[2] = 0;
    } else {
      q[0] = p[0] / length, q[1] = p[1] / length, q[2] = p[2] / length;
    }
  }
  *vertices = v;
  *normals = normal;
  *count = uint32_t(n);
}

void getSolidSphere2(void) {}

}  // namespace qv
