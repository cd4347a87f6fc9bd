# SPDX-License-Identifier: MIT
# The Wireshark dissector (tools/wireshark/vexal.lua) against the vexal tool:
# builds the tool (preset release), installs tshark, and runs
# tests/wireshark/dissector_test.py, which writes captures of good, malformed,
# damaged, hostile (zlib streams of zeros) and oversized messages, cut at
# awkward places, and compares what tshark with the dissector reports with
# what `vexal inspect --json` reports for the same bytes, allowing the
# dissector's one documented difference (its own text for a zlib stream
# refused past its header); it also runs the example of docs/wireshark.md.
source "$(dirname "$0")/../lib.sh"
cd "$VEXAL_ROOT"

need_suite_packages
need_packages tshark
cmake --preset release >/dev/null
cmake --build --preset release --target vexal_tool
python3 tests/wireshark/dissector_test.py build/release/tools/vexal
