// SPDX-License-Identifier: MIT
// Messages of every storage kind for the robustness tests: both parts stored
// as is, both compressed, and mixed, with empty, short and multi-pass (over
// 32768 bytes once inflated) payloads. Compressed parts use `zlib_default`,
// the value a parse gives back, so each message parses back equal to itself.
#ifndef VEXAL_TESTS_ROBUSTNESS_SAMPLE_MESSAGES_HPP
#define VEXAL_TESTS_ROBUSTNESS_SAMPLE_MESSAGES_HPP

#include <vector>

#include "test_support.hpp"
#include "vexal/vexal.hpp"

namespace vexal_test {

inline std::vector<kelvo::vexal> sample_messages() {
  using kelvo::vexal_part_payload::compression;
  using kelvo::vexal_part_payload::format;
  return {
      make_message({}, compression::none, {}, compression::none, format::bytes),
      make_message({0xAA, 0xBB}, compression::none, {}, compression::none,
                   format::bytes),
      make_message(text_bytes("abc"), compression::none, bytes(33000, 'z'),
                   compression::zlib_default, format::application_1),
      make_message(noise(300), compression::zlib_default, text_bytes("payload"),
                   compression::none, format::application_2),
      make_message({}, compression::zlib_default, noise(50), compression::none,
                   format::bytes),
  };
}

}  // namespace vexal_test

#endif  // VEXAL_TESTS_ROBUSTNESS_SAMPLE_MESSAGES_HPP
