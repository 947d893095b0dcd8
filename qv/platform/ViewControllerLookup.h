// The view controller that owns a view: the first controller met along the view's responder chain,
// passing through views only. Main thread, like every responder-chain walk.
#pragma once

#include <memory>

#include "qv/platform/Responder.h"

#include "qv/os/Export.h"

QV_EXPORT_BEGIN
namespace qv {

// The controller after `view` in the chain, through any number of views; nullptr when the chain reaches
// something that is neither (or its end, or comes back on itself).
std::shared_ptr<Responder> traverseResponderChainForUIViewController(const Responder& view);

// Same as traverseResponderChainForUIViewController.
std::shared_ptr<Responder> firstAvailableUIViewController(const Responder& view);

}  // namespace qv
QV_EXPORT_END
