// Allocation failures. This binary replaces the global operator new so that,
// once a countdown is armed, the N-th allocation throws std::bad_alloc. Each
// operation in the table runs for N = 1, 2, ... until it completes without
// reaching the N-th allocation, and after every failure the state that the
// library documents for that operation is checked. Under AddressSanitizer the
// same runs prove that no failure path leaks.
//
// zlib allocates its stream state with malloc, not operator new, so zlib's own
// allocations never fail here; the codec's scratch buffer and output do.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <new>
#include <optional>
#include <type_traits>
#include <utility>

#include "sample_messages.hpp"

namespace {

// Allocations left before the one that fails; 0 when disarmed.
long countdown = 0;

void* allocate(std::size_t size) {
  if (countdown > 0 && --countdown == 0) throw std::bad_alloc();
  if (void* block = std::malloc(size == 0 ? 1 : size)) return block;
  throw std::bad_alloc();
}

}  // namespace

void* operator new(std::size_t size) { return allocate(size); }
void* operator new[](std::size_t size) { return allocate(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  try {
    return allocate(size);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept {
  return operator new(size, tag);
}
void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t) noexcept { std::free(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept {
  std::free(block);
}
void operator delete[](void* block, const std::nothrow_t&) noexcept {
  std::free(block);
}

namespace {

using kelvo::vexal;
using kelvo::vexal_any_part;
using kelvo::vexal_first_part;
using kelvo::vexal_part_ctx;
using kelvo::vexal_second_part;
using kelvo::vexal_part_payload::compression;
using vexal_test::bytes;

// Runs `operation` with the n-th allocation failing; true when it failed.
template <typename Operation>
bool fails_at(long n, Operation&& operation) {
  countdown = n;
  bool failed = false;
  try {
    operation();
  } catch (const std::bad_alloc&) {
    failed = true;
  } catch (...) {
    countdown = 0;
    throw;
  }
  countdown = 0;
  return failed;
}

// The part of type T in `message`, or the message itself; a
// `vexal_any_part` takes the second part.
template <typename T>
T taken_from(const vexal& message) {
  if constexpr (std::is_same_v<T, vexal>) {
    return message;
  } else if constexpr (std::is_same_v<T, vexal_first_part>) {
    return message.first();
  } else {
    T part;
    static_cast<vexal_part_ctx&>(part) = message.second();
    return part;
  }
}

// What the operations work on: a message with a raw first part and a
// compressed second part that inflates over several passes (or one of its
// parts), and one with shorter contents to be overwritten, so that taking
// the new payloads needs memory.
const vexal& source() {
  static const vexal message = vexal_test::sample_messages()[2];
  return message;
}
template <typename T>
T sample() {
  return taken_from<T>(source());
}
template <typename T>
T target() {
  return taken_from<T>(vexal_test::sample_messages()[4]);
}

// A part left by a copy assignment that failed on the payload: the scalars
// of `from`, the payload it had before.
bool half_copied(const vexal_part_ctx& part, const vexal_part_ctx& from,
                 const vexal_part_ctx& before) {
  return part.get_format() == from.get_format() &&
         part.get_compression() == from.get_compression() &&
         part.get_payload() == before.get_payload();
}

// A part left by a move: its scalars, an empty payload.
bool moved_from(const vexal_part_ctx& part, const vexal_part_ctx& before) {
  return part.get_format() == before.get_format() &&
         part.get_compression() == before.get_compression() &&
         part.get_payload().empty();
}

// A part whose parse of `wire`, the wire image of `from`, failed for memory:
// the scalars of `from`, and the payload empty (copying the stored bytes
// failed) or, when compressed, the stored bytes (inflating them failed).
bool parse_failed(const vexal_part_ctx& part, const vexal_part_ctx& from,
                  const bytes& wire) {
  return part.get_format() == from.get_format() &&
         part.get_compression() == from.get_compression() &&
         (part.get_payload().empty() ||
          (from.get_compression() != compression::none &&
           part.get_payload() == bytes(wire.begin() + 8, wire.end())));
}

// A message fails part by part, first part first.
bool half_copied(const vexal& message, const vexal& from, const vexal& before) {
  return (half_copied(message.first(), from.first(), before.first()) &&
          message.second() == before.second()) ||
         (message.first() == from.first() &&
          half_copied(message.second(), from.second(), before.second()));
}
template <typename Part>
bool move_construct_failed(const Part& part, const Part& before) {
  return part == before;
}
// Member by member: when the second part fails, the first part's payload
// has already gone to the new message, which is then destroyed.
bool move_construct_failed(const vexal& message, const vexal& before) {
  return message.second() == before.second() &&
         (message.first() == before.first() ||
          moved_from(message.first(), before.first()));
}
bool moved_from(const vexal& message, const vexal& before) {
  return moved_from(message.first(), before.first()) &&
         moved_from(message.second(), before.second());
}

// What a failed compose may have appended: nothing for a part, the first
// part for a message whose second part failed.
void append_kept_on_failure(const vexal_part_ctx&, bytes&) {}
void append_kept_on_failure(const vexal& message, bytes& out) {
  message.first().compose(out);
}

// One row: `attempt(n)` makes fresh objects, runs the operation with the n-th
// allocation failing, checks the outcome and returns whether it failed.
struct operation {
  std::string name;
  std::function<bool(long)> attempt;
  bool allocates;
};

template <typename T>
std::vector<operation> value_semantics(const std::string& name) {
  return {
      {name + "_copy_construction",
       [](long n) {
         const T from = sample<T>();
         std::optional<T> made;
         const bool failed = fails_at(n, [&] { made.emplace(from); });
         EXPECT_TRUE(from == sample<T>());
         EXPECT_TRUE(failed || *made == from);
         return failed;
       },
       true},
      {name + "_move_construction",
       [](long n) {
         T from = sample<T>();
         std::optional<T> made;
         const bool failed =
             fails_at(n, [&] { made.emplace(std::move(from)); });
         EXPECT_TRUE(failed ? move_construct_failed(from, sample<T>())
                            : *made == sample<T>() &&
                                  moved_from(from, sample<T>()));
         return failed;
       },
       true},
      {name + "_copy_assignment",
       [](long n) {
         const T from = sample<T>();
         T to = target<T>();
         const bool failed = fails_at(n, [&] { to = from; });
         EXPECT_TRUE(failed ? half_copied(to, from, target<T>()) : to == from);
         return failed;
       },
       true},
      {name + "_move_assignment",
       [](long n) {
         T from = sample<T>();
         T to = target<T>();
         const bool failed = fails_at(n, [&] { to = std::move(from); });
         EXPECT_TRUE(to == sample<T>() && moved_from(from, sample<T>()));
         return failed;
       },
       false},
  };
}

template <typename T>
std::vector<operation> composing(const std::string& name) {
  return {
      {name + "_compose_into_out",
       [](long n) {
         const T object = sample<T>();
         const bytes prefix = {'x', 'y'};
         bytes out = prefix;
         const bool failed = fails_at(n, [&] { object.compose(out); });
         bytes kept = prefix;
         append_kept_on_failure(object, kept);
         bytes whole = prefix;
         object.compose(whole);
         EXPECT_TRUE(failed ? out == prefix || out == kept : out == whole);
         EXPECT_TRUE(object == sample<T>());
         return failed;
       },
       true},
      {name + "_compose_new_vector",
       [](long n) {
         const T object = sample<T>();
         bytes result;
         const bool failed = fails_at(n, [&] { result = object.compose(); });
         EXPECT_EQ(result, failed ? bytes{} : object.compose());
         return failed;
       },
       true},
  };
}

// Parses the wire image of `from` into a part that held other contents.
template <typename Part>
operation part_parsing(const std::string& name, const Part& from,
                       kelvo::vexal_part_type type) {
  return {name + "_parse",
          [&from, type](long n) {
            const bytes wire = from.compose();
            // Without a payload buffer, so taking the stored bytes needs one.
            vexal_any_part part = target<vexal_any_part>();
            part.set_payload(bytes{});
            size_t end = 0;
            const bool failed = fails_at(n, [&] { end = part.parse(wire, 0); });
            EXPECT_EQ(part.get_type(), type);
            EXPECT_TRUE(failed ? parse_failed(part, from, wire)
                               : end == wire.size() &&
                                     static_cast<const vexal_part_ctx&>(part) ==
                                         from);
            return failed;
          },
          true};
}

std::vector<operation> operations() {
  std::vector<operation> all = {
      part_parsing("raw_part", source().first(), kelvo::vexal_part_type::first),
      part_parsing("compressed_part", source().second(),
                   kelvo::vexal_part_type::second),
      {"message_parse",
       [](long n) {
         const bytes wire = source().compose();
         const vexal before = target<vexal>();
         vexal message = before;
         size_t end = 0;
         const bool failed = fails_at(n, [&] { end = message.parse(wire, 0); });
         if (failed) {
           const bytes second_wire = source().second().compose();
           EXPECT_TRUE(message.first() == before.first());
           EXPECT_TRUE(
               message.second() == before.second() ||
               parse_failed(message.second(), source().second(), second_wire));
         } else {
           EXPECT_EQ(end, wire.size());
           EXPECT_TRUE(message == source());
         }
         return failed;
       },
       true},
      {"set_payload_copy",
       [](long n) {
         const bytes payload(1000, 'p');
         vexal_first_part part = target<vexal_first_part>();
         const bool failed = fails_at(n, [&] { part.set_payload(payload); });
         EXPECT_EQ(part.get_payload(),
                   failed ? target<vexal_first_part>().get_payload() : payload);
         return failed;
       },
       true},
      {"set_payload_move",
       [](long n) {
         bytes payload(1000, 'p');
         vexal_first_part part = target<vexal_first_part>();
         const bool failed =
             fails_at(n, [&] { part.set_payload(std::move(payload)); });
         EXPECT_EQ(part.get_payload(), bytes(1000, 'p'));
         EXPECT_TRUE(payload.empty());
         return failed;
       },
       false},
  };
  for (auto rows : {value_semantics<vexal_first_part>("typed_part"),
                    value_semantics<vexal_any_part>("any_part"),
                    value_semantics<vexal>("message"),
                    composing<vexal_first_part>("raw_part"),
                    composing<vexal_second_part>("compressed_part"),
                    composing<vexal>("message")}) {
    all.insert(all.end(), rows.begin(), rows.end());
  }
  return all;
}

void PrintTo(const operation& row, std::ostream* out) { *out << row.name; }

class AllocationFailure : public testing::TestWithParam<operation> {};

TEST_P(AllocationFailure, EveryFailurePointKeepsTheGuarantee) {
  long n = 1;
  while (GetParam().attempt(n)) ++n;
  const long points = n - 1;
  std::printf("%s: %ld allocation failure points checked\n",
              GetParam().name.c_str(), points);
  EXPECT_EQ(points > 0, GetParam().allocates);
}

INSTANTIATE_TEST_SUITE_P(Operations, AllocationFailure,
                         testing::ValuesIn(operations()),
                         [](const testing::TestParamInfo<operation>& info) {
                           return info.param.name;
                         });

}  // namespace
