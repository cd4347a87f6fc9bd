// SPDX-License-Identifier: MIT
// Allocation failures. This binary replaces the global operator new so that,
// once a countdown is armed, the N-th allocation throws std::bad_alloc. Each
// operation runs for N = 1, 2, ... until it completes without reaching the
// N-th allocation, and after every failure the state that the library
// documents for that operation is checked; the C interface must report every
// one as VEXAL_OUT_OF_MEMORY (or a NULL handle or room), never throw. Under
// AddressSanitizer the same runs prove that no failure path leaks.
//
// The operations work on a message whose first part is stored as is and whose
// second part is compressed and inflates over several passes, so every
// allocation of both kinds of part is failed in turn. zlib allocates its
// stream state with malloc, not operator new, so zlib's own allocations never
// fail here; the codec's output does.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <new>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "test_support.hpp"
#include "vexal/reader.hpp"
#include "vexal/vexal.h"

namespace {

// Allocations left before the one that fails; 0 when disarmed.
long countdown = 0;

void* allocate(std::size_t size) {
  if (countdown > 0 && --countdown == 0) throw std::bad_alloc();
  if (void* block = std::malloc(size == 0 ? 1 : size)) return block;
  throw std::bad_alloc();
}

}  // namespace

// The plain, array and nothrow forms, and the sized deletes that libstdc++
// calls; the reader's buffer is allocated with std::nothrow.
void* operator new(std::size_t size) { return allocate(size); }
void* operator new[](std::size_t size) { return allocate(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  return countdown > 0 && --countdown == 0 ? nullptr
                                           : std::malloc(size ? size : 1);
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept {
  return operator new(size, tag);
}
void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t) noexcept { std::free(block); }

namespace {

using kelvo::vexal;
using vexal_test::bytes;

// `source` has a raw first part and a compressed second part over 32768 bytes
// once inflated; `target` has shorter contents to be overwritten, so that
// taking the new payloads needs memory.
const std::vector<vexal> samples = vexal_test::sample_messages();
const vexal& source = samples[2];
const vexal& target = samples[4];

// Runs `attempt(n)`, which arms the countdown with `fails_at`, for
// N = 1, 2, ... until the operation completes without reaching the N-th
// allocation; `allocates` says whether it allocates at all.
template <typename Attempt>
void sweep(const std::string& what, bool allocates, Attempt attempt) {
  SCOPED_TRACE(what);
  long n = 1;
  while (attempt(n)) ++n;
  EXPECT_EQ(n > 1, allocates);
}

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

// Whether a failure may have left `now` when an operation works on the first
// part, then the second: the first part as in `failing` and the second as in
// `before`, or the first part as in `done` and the second as in `failing`.
bool failed_in_order(const vexal& now, const vexal& done, const vexal& failing,
                     const vexal& before) {
  return (now.first() == failing.first() && now.second() == before.second()) ||
         (now.first() == done.first() && now.second() == failing.second());
}

// Copies or moves the source into a new message or over the target. A failed
// copy leaves the source as it was; a failed move, the source's parts before
// the failing one moved from. A failed assignment leaves the parts before the
// failing one assigned, and the failing one with the source's scalars but
// its own payload.
TEST(AllocationFailure, CopyAndMove) {
  // What a move leaves in the source (scalars kept, payloads empty), and what
  // a copy assignment that failed on a payload leaves in the target.
  vexal moved = source, half = source;
  moved.first().set_payload(bytes{});
  moved.second().set_payload(bytes{});
  half.first().set_payload(target.first().get_payload());
  half.second().set_payload(target.second().get_payload());
  for (int kind = 0; kind < 4; ++kind) {
    const bool moves = kind >= 2, assigns = kind % 2 == 1;
    const std::string what = std::string(moves ? "move" : "copy") +
                             (assigns ? " assignment" : " construction");
    sweep(what, !(moves && assigns), [&](long n) {
      vexal from = source;
      std::optional<vexal> to;
      if (assigns) to = target;
      // Assigning to the optional constructs the message when it is empty
      // and assigns to it when it holds the target.
      const bool failed = fails_at(
          n, [&] { moves ? void(to = std::move(from)) : void(to = from); });
      const vexal& left = moves ? moved : source;
      EXPECT_TRUE(failed ? failed_in_order(from, left, source, source)
                         : from == left);
      EXPECT_TRUE(failed
                      ? !assigns || failed_in_order(*to, source, half, target)
                      : *to == source);
      return failed;
    });
  }
}

// Parses the source's wire image over the target. The first part is parsed
// into a temporary, so only the second part can be left partly parsed: with
// the source's scalars, and the payload empty (copying the stored bytes
// failed) or the stored bytes (inflating them failed).
TEST(AllocationFailure, Parse) {
  const bytes wire = source.compose();
  const bytes last = source.second().compose();
  vexal emptied = target, stored = target;
  emptied.second() = stored.second() = source.second();
  emptied.second().set_payload(bytes{});
  stored.second().set_payload(bytes(last.begin() + 8, last.end()));
  sweep("parse", true, [&](long n) {
    vexal message = target;
    size_t end = 0;
    const bool failed = fails_at(n, [&] { end = message.parse(wire, 0); });
    EXPECT_TRUE(failed ? failed_in_order(message, target, emptied, target) ||
                             failed_in_order(message, target, stored, target)
                       : end == wire.size() && message == source);
    return failed;
  });
}

// Composes the source into a vector that holds two bytes already, or into a
// new one. A failed compose keeps in `out` the parts composed before the
// failing one (a part that fails appends nothing); a new vector is released.
TEST(AllocationFailure, Compose) {
  for (bool into_out : {true, false}) {
    sweep(into_out ? "into out" : "new vector", true, [&](long n) {
      bytes out = into_out ? bytes{'x', 'y'} : bytes{}, kept = out;
      const bool failed = fails_at(n, [&] {
        into_out ? source.compose(out) : void(out = source.compose());
      });
      bool kept_so_far = out == kept;
      source.first().compose(kept);
      kept_so_far = kept_so_far || out == kept;
      source.second().compose(kept);
      EXPECT_TRUE(failed ? kept_so_far && (into_out || out.empty())
                         : out == kept);
      return failed;
    });
  }
}

// Two messages put into a reader with prepare and commit, then read with
// try_next; a message whose read ran out of memory is skipped. A prepare that
// fails changes nothing and a try_next that fails keeps the message held, so
// once memory is back the stream goes on from where it was.
TEST(AllocationFailure, Reader) {
  using status = kelvo::vexal_reader::status;
  const bytes wire = vexal_test::cat(source.compose(), source.compose());
  sweep("reader", true, [&](long n) {
    kelvo::vexal_reader reader;
    vexal got;
    status first = status::need_more;
    countdown = n;
    uint8_t* room = reader.prepare(wire.size());
    if (room != nullptr) {
      std::memcpy(room, wire.data(), wire.size());
      reader.commit(wire.size());
      first = reader.try_next(got);
      if (first == status::out_of_memory) reader.skip();
    }
    const bool failed = countdown == 0;
    countdown = 0;
    if (room == nullptr) reader.feed(wire);
    int read = first == status::message && got == source;
    while (reader.try_next(got) == status::message) read += got == source;
    EXPECT_EQ(read, first == status::out_of_memory ? 1 : 2);
    EXPECT_TRUE(reader.at_boundary() && reader.offset() == wire.size());
    return failed;
  });
}

// The C interface on the source: composed (its second part deflated), read
// by a C reader, and each payload taken (the second one inflated). Every
// allocation that fails is reported as VEXAL_OUT_OF_MEMORY, NULL from
// vexal_reader_new or vexal_reader_prepare, and nothing leaks.
TEST(AllocationFailure, CInterface) {
  const bytes first = source.first().get_payload();
  const bytes second = source.second().get_payload();
  const vexal_part_spec_t wanted[] = {{first.data(), first.size(), 0, 0},
                                      {second.data(), second.size(), 1, 1}};
  sweep("C interface", true, [&](long n) {
    bytes payloads;
    payloads.reserve(first.size() + second.size());  // before any failure
    countdown = n;
    uint8_t* wire = nullptr;
    size_t size = 0;
    vexal_status_t status =
        vexal_compose(&wanted[0], &wanted[1], &wire, &size, nullptr);
    vexal_reader_t* reader =
        status == VEXAL_OK ? vexal_reader_new(nullptr) : nullptr;
    uint8_t* room = reader ? vexal_reader_prepare(reader, size) : nullptr;
    vexal_message_t message;
    if (room != nullptr) {
      std::memcpy(room, wire, size);
      vexal_reader_commit(reader, size);
      status = vexal_reader_next(reader, &message, nullptr);
    }
    for (const vexal_part_t* part : {&message.first, &message.second}) {
      uint8_t* payload = nullptr;
      size_t payload_size = 0;
      if (room == nullptr || status != VEXAL_OK) break;
      status =
          vexal_part_payload(part, nullptr, &payload, &payload_size, nullptr);
      if (payload != nullptr) {
        payloads.insert(payloads.end(), payload, payload + payload_size);
      }
      vexal_free(payload);
    }
    const bool failed = countdown == 0;
    countdown = 0;
    vexal_reader_free(reader);
    vexal_free(wire);
    EXPECT_EQ(status == VEXAL_OUT_OF_MEMORY || room == nullptr, failed);
    EXPECT_TRUE(failed || payloads == vexal_test::cat(first, second));
    return failed;
  });
}

}  // namespace
