#include "frame/unique_handle.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace qnd {
namespace {

// A handle of plain numbers whose closes are recorded, in order.
struct FakeTraits {
  static int Invalid() { return -1; }
  static void Close(int h) { Closed().push_back(h); }
  static std::vector<int>& Closed() {
    static std::vector<int> closed;
    return closed;
  }
};
using FakeHandle = UniqueHandle<int, FakeTraits>;
using Closes = std::vector<int>;

// A move hands the handle over; the owner moved to closes what it held first; a handle is
// closed once, by its last owner, and a move onto itself keeps it.
TEST(UniqueHandle, MoveHandsTheHandleOver) {
  FakeTraits::Closed().clear();
  {
    FakeHandle a(1);
    FakeHandle b(std::move(a));
    EXPECT_FALSE(a);  // what a move leaves behind is the point
    EXPECT_EQ(1, b.get());
    FakeHandle c(2);
    c = std::move(b);
    EXPECT_EQ(Closes{2}, FakeTraits::Closed());
    EXPECT_EQ(1, c.get());
    FakeHandle& same = c;
    c = std::move(same);
    EXPECT_EQ(1, c.get());
    EXPECT_EQ(Closes{2}, FakeTraits::Closed());
  }
  EXPECT_EQ((Closes{2, 1}), FakeTraits::Closed());
}

// release() gives the handle up unclosed; reset() and put() close what is held.
TEST(UniqueHandle, ReleaseGivesUpWithoutClosing) {
  FakeTraits::Closed().clear();
  {
    FakeHandle a(3);
    EXPECT_EQ(3, a.release());
    EXPECT_FALSE(a);
    EXPECT_EQ(-1, a.release()) << "nothing left to give";
    FakeHandle b(4);
    *b.put() = 5;
    EXPECT_EQ(Closes{4}, FakeTraits::Closed());
    b.reset(6);
    EXPECT_EQ((Closes{4, 5}), FakeTraits::Closed());
  }
  EXPECT_EQ((Closes{4, 5, 6}), FakeTraits::Closed()) << "3 was given up, never closed";
}

}  // namespace
}  // namespace qnd
