// SPDX-License-Identifier: MIT
// The conveniences around the parts' value semantics: payload constructors on
// every part class, take_payload and swap, and what composing and parsing a
// small message allocates. Payloads must change hands without a byte copied
// or a block allocated, so this binary replaces the global operator new with
// one that counts; the compile-time promises (noexcept,
// constructibility) are pinned with static_assert.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <new>
#include <system_error>
#include <type_traits>

#include "vexal/error.hpp"
#include "vexal/limits.hpp"
#include "vexal/vexal.hpp"
#include "vexal/view.hpp"

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
// part classes' moves may throw std::bad_alloc and stay noexcept(false).
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

// What composing and parsing a small message allocates, exactly: a new
// vector for the wire, one heap record per part of a new message and one
// buffer per payload it takes, and nothing where the buffers already hold
// the bytes. A change that adds one allocation fails here.
TEST(ValueSemantics, SmallMessagesAllocateExactly) {
  const vexal message(vexal_first_part(bytes(16, 'a')),
                      vexal_second_part(bytes(16, 'b'), format::application_2));
  const bytes wire = message.compose();
  bytes refused = wire;
  refused[1] = 9;  // the first part's format code
  vexal reused = message;
  bytes room;
  room.reserve(wire.size());
  vexal_view view;
  const vexal_limits limits;
  std::error_code ec;
  struct row {
    const char* what;
    size_t allocations;
    std::function<bool()> run;  // true when the operation did its work
  };
  const row rows[] = {
      {"compose into a new vector", 1,
       [&] { return message.compose() == wire; }},
      {"compose into a vector with room", 0,
       [&] {
         room.clear();
         message.compose(room);
         return room == wire;
       }},
      {"raw headers", 0, [&] { return message.raw_headers()[0] == 1; }},
      {"parse into a new message", 4,
       [&] {
         vexal parsed;
         return parsed.parse(wire, 0) == wire.size() && parsed == message;
       }},
      {"parse within limits into a new message", 4,
       [&] {
         vexal parsed;
         return parsed.parse(wire, 0, limits) == wire.size() &&
                parsed == message;
       }},
      {"parse into a message whose buffers hold the payloads", 0,
       [&] { return reused.parse(wire, 0) == wire.size(); }},
      {"parse within limits, buffers holding the payloads", 0,
       [&] { return reused.parse(wire, 0, limits) == wire.size(); }},
      {"refusal as an error code", 0,
       [&] {
         return reused.parse(refused, 0, limits, ec) == 0 &&
                ec == vexal_errc::unknown_format_code;
       }},
      {"view", 0, [&] { return view.parse(wire, 0) == wire.size(); }},
  };
  for (const row& r : rows) {
    SCOPED_TRACE(r.what);
    const size_t before = allocations;
    const bool done = r.run();
    const size_t made = allocations - before;
    EXPECT_TRUE(done);
    EXPECT_EQ(made, r.allocations);
  }
}
