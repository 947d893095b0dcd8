// Enumerants and error codes of the GL utility library, with the values of the GLU 1.3 standard.
#pragma once

#include <GLES/gl.h>

#include "qv/os/Export.h"

QV_EXPORT_BEGIN
namespace qv {

#define GLU_INVALID_ENUM 100900
#define GLU_INVALID_VALUE 100901
#define GLU_OUT_OF_MEMORY 100902
#define GLU_INVALID_OPERATION 100904
#define GLU_ERROR 100103

#define GLU_SMOOTH 100000
#define GLU_FLAT 100001
#define GLU_NONE 100002

#define GLU_POINT 100010
#define GLU_LINE 100011
#define GLU_FILL 100012
#define GLU_SILHOUETTE 100013

#define GLU_OUTSIDE 100020
#define GLU_INSIDE 100021

}  // namespace qv
QV_EXPORT_END
