// An exported sphere mesh builder kept for hosts that draw their own sphere: vertices, normals and a
// shared texture-coordinate table. Nothing in the kit calls it.
#pragma once

#include <cstdint>

#include "qv/os/Export.h"

QV_EXPORT_BEGIN
namespace qv {

extern "C" {

// 10800 (u, v) pairs, indexed like the vertices of the last getSolidSphere call; entries past the table
// are not written.
extern float texCoords[10800 * 2];

// (2 x slices + 2) x stacks vertices of 3 floats: each of the `stacks` bands from the +z pole down is one
// triangle strip. *vertices and *normals are malloc'd (the caller frees them); on a count that does not fit
// or a failed allocation *count is 0 and both are null.
void getSolidSphere(float** vertices, float** normals, uint32_t* count, uint32_t slices, uint32_t stacks,
                    float radius);
void getSolidSphere2(void);
}

}  // namespace qv
QV_EXPORT_END
