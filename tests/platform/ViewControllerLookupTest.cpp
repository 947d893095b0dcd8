#include <gtest/gtest.h>

#include <vector>

#include "qv/platform/ViewControllerLookup.h"

using namespace qv;

namespace {

struct Node : Responder {
  explicit Node(Kind kind) : kind(kind) {}
  std::shared_ptr<Responder> nextResponder() const override { return next.lock(); }
  Kind responderKind() const override { return kind; }
  Kind kind;
  std::weak_ptr<Responder> next;  // weak, so that a chain that loops does not leak
};

std::shared_ptr<Node> make(Responder::Kind kind, std::shared_ptr<Node> next = nullptr) {
  auto node = std::make_shared<Node>(kind);
  node->next = next;
  return node;
}

}  // namespace

TEST(ViewControllerLookupTest, FindsTheControllerThroughViews) {
  auto application = make(Responder::Kind::Other);
  auto controller = make(Responder::Kind::ViewController, application);
  auto root = make(Responder::Kind::View, controller);
  auto middle = make(Responder::Kind::View, root);
  auto view = make(Responder::Kind::View, middle);
  EXPECT_EQ(firstAvailableUIViewController(*view), controller);
  EXPECT_EQ(traverseResponderChainForUIViewController(*root), controller);
  // A controller does not find itself: the lookup starts at the next responder.
  EXPECT_EQ(firstAvailableUIViewController(*controller), nullptr);
}

TEST(ViewControllerLookupTest, LoopingAndDeepChainsEnd) {
  std::vector<std::shared_ptr<Node>> loop;
  for (int i = 0; i < 5; ++i) loop.push_back(make(Responder::Kind::View));
  for (int i = 0; i < 5; ++i) loop[i]->next = loop[(i + 1) % 5];
  EXPECT_EQ(firstAvailableUIViewController(*loop[0]), nullptr);

  auto controller = make(Responder::Kind::ViewController);
  std::vector<std::shared_ptr<Node>> deep{make(Responder::Kind::View, controller)};
  for (int i = 0; i < 200000; ++i) deep.push_back(make(Responder::Kind::View, deep.back()));
  EXPECT_EQ(firstAvailableUIViewController(*deep.back()), controller);
  while (!deep.empty()) deep.pop_back();
}
