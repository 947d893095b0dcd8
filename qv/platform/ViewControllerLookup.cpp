#include "qv/platform/ViewControllerLookup.h"

namespace qv {

std::shared_ptr<Responder> traverseResponderChainForUIViewController(const Responder& view) {
  // A loop rather than recursion, so a deep hierarchy cannot exhaust the stack. A chain that comes back
  // on itself is caught by a second walker moving at half speed (it would otherwise never end).
  std::shared_ptr<Responder> next = view.nextResponder();
  std::shared_ptr<Responder> slow;
  bool advanceSlow = false;
  while (next) {
    if (next->responderKind() == Responder::Kind::ViewController) return next;
    if (next->responderKind() != Responder::Kind::View) return nullptr;
    next = next->nextResponder();
    if (advanceSlow) slow = slow ? slow->nextResponder() : view.nextResponder();
    advanceSlow = !advanceSlow;
    if (next && next == slow) return nullptr;
  }
  return nullptr;
}

std::shared_ptr<Responder> firstAvailableUIViewController(const Responder& view) {
  return traverseResponderChainForUIViewController(view);
}

}  // namespace qv
