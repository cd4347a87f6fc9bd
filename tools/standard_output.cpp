// SPDX-License-Identifier: MIT
// One buffer for standard output, written in steps of about 64 KiB.
#include "standard_output.hpp"

#include <unistd.h>

#include <cstdint>
#include <iostream>
#include <string>
#include <utility>

#include "descriptor_io.hpp"

namespace kelvo::tool {
namespace {

constexpr size_t write_step = 64 * 1024;

std::string& buffered() {
  static std::string text;
  return text;
}

}  // namespace

void print(std::string_view text) {
  buffered() += text;
  if (buffered().size() >= write_step) flush_output();
}

void flush_output() {
  // Taken out first, so that after a failed write nothing is written twice.
  const std::string text = std::exchange(buffered(), std::string());
  write_all(STDOUT_FILENO,
            {{reinterpret_cast<const uint8_t*>(text.data()), text.size()}},
            "stdout");
}

void print_error(std::string_view line) {
  flush_output();
  std::cerr << "vexal: " << line << '\n';
}

}  // namespace kelvo::tool
