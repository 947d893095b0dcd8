// Four 32-bit floats, the kit's small vector record.
#pragma once

struct Vec4fRec {
  float x = 0, y = 0, z = 0, w = 0;
};
