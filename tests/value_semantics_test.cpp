// SPDX-License-Identifier: MIT
// The conveniences around the parts' value semantics: payload constructors on
// every part class, take_payload and swap. Payloads must change hands without
// a byte copied or a block allocated, so this binary replaces the global
// operator new with one that counts; the compile-time promises (noexcept,
// constructibility) are pinned with static_assert.
#include <gtest/gtest.h>

#include <cstdlib>
#include <new>
#include <type_traits>

#include "vexal/vexal.hpp"

static size_t allocations = 0;

void* operator new(std::size_t size) {
  ++allocations;
  if (void* block = std::malloc(size == 0 ? 1 : size)) return block;
  throw std::bad_alloc();
}
void operator delete(void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }

using namespace kelvo;
using bytes = std::vector<uint8_t>;
using vexal_part_payload::format;

// Swapping never throws; moving allocates the new handle's record, so the
// design's moves may throw std::bad_alloc and stay noexcept(false).
static_assert(std::is_nothrow_swappable_v<vexal_part_ctx> &&
              std::is_nothrow_swappable_v<vexal_first_part> &&
              std::is_nothrow_swappable_v<vexal_any_part> &&
              std::is_nothrow_swappable_v<vexal>);
static_assert(!std::is_nothrow_move_constructible_v<vexal_second_part>);
static_assert(noexcept(std::declval<vexal&>().first().set_payload(bytes{})));
static_assert(!std::is_convertible_v<bytes, vexal_second_part>);

TEST(ValueSemantics, PayloadsChangeHandsWithoutAllocating) {
  bytes payload(100, 'h');
  const uint8_t* buffer = payload.data();
  vexal_first_part head(std::move(payload), format::application_1);
  const size_t before = allocations;
  const bytes taken = head.take_payload();
  EXPECT_EQ(allocations, before);
  EXPECT_EQ(taken.data(), buffer);
  // Type 1 and format 1 stay; the payload is empty.
  EXPECT_EQ(head.compose(), (bytes{1, 2, 0, 0, 0, 0, 0, 0}));
}

TEST(ValueSemantics, SwapExchangesFieldsAndKeepsEachHandlesRecord) {
  vexal a(vexal_first_part(bytes(64, 'a')),
          vexal_second_part(bytes(32, 'z'), format::application_1));
  vexal b;
  const vexal a_before = a;
  const vexal b_before = b;
  vexal_any_part x(vexal_part_type::first, bytes(8, 'x'));
  vexal_any_part y(bytes(8, 'y'), format::application_2);
  const bytes& a_payload = a.first().get_payload();
  const size_t before = allocations;
  swap(a, b);
  swap(x, y);
  EXPECT_EQ(allocations, before);
  EXPECT_TRUE(a == b_before && b == a_before);
  EXPECT_TRUE(a_payload.empty());  // a's own record, now holding b's payload
  EXPECT_EQ(x, vexal_any_part(bytes(8, 'y'), format::application_2));
  EXPECT_EQ(y.get_type(), vexal_part_type::first);
}
