// SPDX-License-Identifier: MIT
// Allocation failures. This binary replaces the global operator new so that,
// once a countdown is armed, the N-th allocation throws std::bad_alloc. Each
// operation runs for N = 1, 2, ... until it completes without reaching the
// N-th allocation, and after every failure the state that the library
// documents for that operation is checked. Under AddressSanitizer the same
// runs prove that no failure path leaks.
//
// zlib allocates its stream state with malloc, not operator new, so zlib's own
// allocations never fail here; the codec's output does.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <new>
#include <optional>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "test_support.hpp"
#include "vexal/reader.hpp"

namespace {

// Allocations left before the one that fails; 0 when disarmed.
long countdown = 0;

void* allocate(std::size_t size) {
  if (countdown > 0 && --countdown == 0) throw std::bad_alloc();
  if (void* block = std::malloc(size == 0 ? 1 : size)) return block;
  throw std::bad_alloc();
}

}  // namespace

// The plain and array forms, and the sized deletes that libstdc++ calls. The
// library allocates nothing with std::nothrow, and libstdc++'s own nothrow
// forms call the plain ones.
void* operator new(std::size_t size) { return allocate(size); }
void* operator new[](std::size_t size) { return allocate(size); }
void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t) noexcept { std::free(block); }

using kelvo::vexal;
using kelvo::vexal_any_part;
using kelvo::vexal_first_part;
using kelvo::vexal_part_ctx;
using kelvo::vexal_second_part;
using kelvo::vexal_part_payload::compression;
using vexal_test::bytes;

// The kinds of object that the typed tests below run on, each as copied,
// moved and parsed, and as composed: the raw first part, the compressed
// second part (copied and parsed as a `vexal_any_part`), and the message.
// Declared outside the anonymous namespace so that test names read
// `raw_part` rather than a pair of template types.
struct raw_part : std::pair<vexal_first_part, vexal_first_part> {};
struct compressed_part : std::pair<vexal_any_part, vexal_second_part> {};
struct message : std::pair<vexal, vexal> {};

namespace {

// The parts of an object in wire order, each with its type.
using parts = std::vector<vexal_any_part>;

// Runs `operation` with the n-th allocation failing; true when it failed.
template <typename Operation>
bool fails_at(long n, Operation&& operation) {
  countdown = n;
  bool failed = false;
  try {
    operation();
  } catch (const std::bad_alloc&) {
    failed = true;
  }
  countdown = 0;
  return failed;
}

// Runs `attempt(n)` for N = 1, 2, ... until the operation completes without
// reaching the N-th allocation; `allocates` says whether it allocates at all.
template <typename Attempt>
void sweep(const std::string& what, bool allocates, Attempt attempt) {
  SCOPED_TRACE(what);
  long n = 1;
  while (attempt(n)) ++n;
  std::printf("%s: %ld allocation failures checked\n", what.c_str(), n - 1);
  EXPECT_EQ(n > 1, allocates);
}

// What the operations work on, taken from the sample messages: `source` has a
// raw first part and a compressed second part that inflates over several
// passes; `target` has shorter contents to be overwritten, so that taking the
// new payloads needs memory.
constexpr size_t source = 2, target = 4;
void take(vexal& object, const vexal& from) { object = from; }
void take(vexal_first_part& part, const vexal& from) { part = from.first(); }
void take(vexal_part_ctx& part, const vexal& from) { part = from.second(); }
// Message `index`, its first part, or its second part as a T.
template <typename T>
T make(size_t index) {
  static const std::vector<vexal> messages = vexal_test::sample_messages();
  T object;
  take(object, messages[index]);
  return object;
}

parts parts_of(const vexal_part_ctx& part) {
  vexal_any_part any;
  static_cast<vexal_part_ctx&>(any) = part;
  return {any};
}
parts parts_of(const vexal& whole) {
  return {parts_of(whole.first())[0], parts_of(whole.second())[0]};
}

// Whether a failure may have left `now` when an operation works on the parts
// one after the other: the parts before the failing one k as in `done`, part
// k as in `failing`, the later parts as in `before`.
bool failed_in_order(const parts& now, const parts& done, const parts& failing,
                     const parts& before) {
  for (size_t k = 0; k < now.size(); ++k) {
    parts state = before;
    for (size_t i = 0; i < k; ++i) state[i] = done[i];
    state[k] = failing[k];
    if (state == now) return true;
  }
  return false;
}

template <typename Kind>
class AllocationFailureOf : public testing::Test {};
using kinds = testing::Types<raw_part, compressed_part, message>;
// The empty name-generator argument keeps clang's pedantic check quiet.
TYPED_TEST_SUITE(AllocationFailureOf, kinds, );

// Copies or moves the source into a new object or over the target. A failed
// copy leaves the source as it was; a failed move, the source's parts before
// the failing one moved from. A failed assignment leaves the parts before the
// failing one assigned, and the failing one with the source's scalars but
// its own payload.
TYPED_TEST(AllocationFailureOf, CopyAndMove) {
  using T = typename TypeParam::first_type;
  const parts given = parts_of(make<T>(source));
  const parts before = parts_of(make<T>(target));
  // What a move leaves in the source (scalars kept, payload empty), and what
  // a copy assignment that failed on the payload leaves in the target.
  parts moved = given, half = given;
  for (size_t k = 0; k < given.size(); ++k) {
    moved[k].set_payload(bytes{});
    half[k].set_payload(before[k].get_payload());
  }
  for (bool moves : {false, true}) {
    for (bool assigns : {false, true}) {
      const std::string what = std::string(moves ? "move" : "copy") +
                               (assigns ? " assignment" : " construction");
      sweep(what, !(moves && assigns), [&](long n) {
        T from = make<T>(source);
        std::optional<T> to;
        if (assigns) to = make<T>(target);
        // Assigning to the optional constructs the object when it is empty
        // and assigns to it when it holds the target.
        const bool failed = fails_at(
            n, [&] { moves ? void(to = std::move(from)) : void(to = from); });
        const parts& left = moves ? moved : given;
        EXPECT_TRUE(failed ? failed_in_order(parts_of(from), left, given, given)
                           : parts_of(from) == left);
        EXPECT_TRUE(failed ? !assigns || failed_in_order(parts_of(*to), given,
                                                         half, before)
                           : parts_of(*to) == given);
        return failed;
      });
    }
  }
}

// Parses the wire image of the source: a part into a part without a payload
// buffer, so that taking the stored bytes needs one, a message over the
// target. A message parses its first part into a temporary, so only its last
// part can be left partly parsed: with the source's scalars, and the payload
// empty (copying the stored bytes failed) or, when compressed, the stored
// bytes (inflating them failed).
TYPED_TEST(AllocationFailureOf, Parse) {
  using T = typename TypeParam::first_type;
  using into =
      std::conditional_t<std::is_same_v<T, vexal>, vexal, vexal_any_part>;
  const into before = std::is_same_v<T, vexal> ? make<into>(target) : into();
  const bytes wire = make<T>(source).compose();
  const parts given = parts_of(make<T>(source)), old = parts_of(before);
  const bytes last = given.back().compose();
  parts emptied = old, stored = old;
  emptied.back() = stored.back() = given.back();
  emptied.back().set_payload(bytes{});
  stored.back().set_payload(bytes(last.begin() + 8, last.end()));
  if (given.back().get_compression() == compression::none) stored = emptied;
  sweep("parse", true, [&](long n) {
    into object = before;
    size_t end = 0;
    const bool failed = fails_at(n, [&] { end = object.parse(wire, 0); });
    const parts now = parts_of(object);
    EXPECT_TRUE(failed ? failed_in_order(now, old, emptied, old) ||
                             failed_in_order(now, old, stored, old)
                       : end == wire.size() && now == given);
    return failed;
  });
}

// Composes the source into a vector that holds two bytes already, or into a
// new one. A failed compose keeps in `out` the parts composed before the
// failing one (a part that fails appends nothing); a new vector is released.
TYPED_TEST(AllocationFailureOf, Compose) {
  using T = typename TypeParam::second_type;
  const T object = make<T>(source);
  for (bool into_out : {true, false}) {
    const char* what = into_out ? "compose into out" : "compose new vector";
    sweep(what, true, [&](long n) {
      bytes out = into_out ? bytes{'x', 'y'} : bytes{}, kept = out;
      const bool failed = fails_at(n, [&] {
        into_out ? object.compose(out) : void(out = object.compose());
      });
      bool kept_so_far = false;
      for (const vexal_any_part& part : parts_of(object)) {
        kept_so_far = kept_so_far || out == kept;
        part.compose(kept);
      }
      EXPECT_TRUE(failed ? kept_so_far && (into_out || out.empty())
                         : out == kept);
      EXPECT_TRUE(parts_of(object) == parts_of(make<T>(source)));
      return failed;
    });
  }
}

// Feeds a message to a reader and reads it (the bounded parse). A feed that
// fails holds nothing new and a `next` that fails keeps the message held, so
// once memory is back the message is read from the same bytes.
TEST(AllocationFailure, Reader) {
  const vexal expected = make<vexal>(source);
  const bytes wire = expected.compose();
  sweep("reader", true, [&](long n) {
    kelvo::vexal_reader reader;
    vexal got;
    bool read = false;
    const bool failed = fails_at(n, [&] {
      reader.feed(wire);
      read = reader.next(got);
    });
    if (!read && reader.buffered() == 0) reader.feed(wire);
    EXPECT_TRUE(read || reader.next(got));
    EXPECT_TRUE(got == expected && reader.offset() == wire.size());
    return failed;
  });
}

}  // namespace
