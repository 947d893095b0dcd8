// Small drawing utilities offered to applications next to the hotspots.
#pragma once

#include <cstdint>

#include "qv/os/Export.h"

QV_EXPORT_BEGIN
namespace qv {

// Pushes the model-view matrix and replaces its rotation by the identity (the translation stays), so
// geometry drawn until billboardEnd faces the viewer. Needs a GL context current.
void billboardCheatSphericalBegin();
// Pops the matrix pushed by billboardCheatSphericalBegin.
void billboardEnd();
// The smallest power of two not below v (v >= 1); 0 for 0, and 0 where no 32-bit power of two is large
// enough (v above 2^31).
uint32_t NextPOT(uint32_t v);

}  // namespace qv
QV_EXPORT_END
