// SPDX-License-Identifier: MIT
// Composes a payload at each compression and times it. Each compose is
// repeated for 2 ms (at least 3 times, at most 1000) and the fastest run
// counts, so that a busy machine's pauses do not make a level look slow.
#include "levels.hpp"

#include <algorithm>
#include <chrono>

#include "commands.hpp"

namespace kelvo::tool {
namespace {

using vexal_part_payload::compression;

constexpr std::chrono::milliseconds time_budget{2};
constexpr int min_repeats = 3;
constexpr int max_repeats = 1000;
constexpr double near_smallest = 1.05;

level_trial compose_timed(vexal_any_part& trial, compression how) {
  using clock = std::chrono::steady_clock;
  trial.set_compression(how);
  std::vector<uint8_t> out;
  const clock::time_point start = clock::now();
  clock::duration best = clock::duration::max();
  for (int repeats = 0; repeats < max_repeats; ++repeats) {
    out.clear();
    const clock::time_point before = clock::now();
    trial.compose(out);
    const clock::time_point after = clock::now();
    best = std::min(best, after - before);
    if (repeats + 1 >= min_repeats && after - start >= time_budget) break;
  }
  return {&compression_names().at(static_cast<size_t>(how)),
          out.size() - vexal_part_header_size,
          std::chrono::duration<double, std::micro>(best).count(), false,
          false};
}

}  // namespace

std::vector<level_trial> try_levels(const vexal_part_ctx& part) {
  vexal_any_part trial;
  trial.set_payload(part.get_payload());
  trial.set_format(part.get_format());
  std::vector<level_trial> trials = {compose_timed(trial, compression::none)};
  for (auto how = static_cast<int>(compression::zlib_level_1);
       how <= static_cast<int>(compression::zlib_level_9); ++how) {
    trials.push_back(compose_timed(trial, static_cast<compression>(how)));
  }
  const auto by_size = [](const level_trial& a, const level_trial& b) {
    return a.stored < b.stored;
  };
  level_trial& smallest =
      *std::min_element(trials.begin(), trials.end(), by_size);
  smallest.smallest = true;
  const double bound = static_cast<double>(smallest.stored) * near_smallest;
  level_trial* fastest = &smallest;
  for (level_trial& each : trials) {
    if (static_cast<double>(each.stored) <= bound &&
        each.microseconds < fastest->microseconds) {
      fastest = &each;
    }
  }
  fastest->fastest = true;
  return trials;
}

}  // namespace kelvo::tool
