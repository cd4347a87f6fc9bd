#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs the built `vexal` tool on good, truncated and corrupted inputs and
# checks exit statuses, error lines, output files and the key report lines.
#
# Usage: tool_test.sh CASE VEXAL SOURCE_DIR VERSION [EXAMPLE]
#   CASE is one of: cli sample errors roundtrip stream output follow hex levels salvage
#   EXAMPLE is the built examples/roundtrip.cpp, if any.
set -uo pipefail

case_name=$1 vexal=$2 source_dir=$3 version=$4 example=${5:-}
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cd "$work"
failures=0

fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

# expect STATUS WANT COMMAND...: runs the tool with COMMAND's arguments and
# checks its exit status, and that its standard error is exactly WANT.
# Standard output is left in out.txt, or goes to $to when that is set.
expect() {
  local status=$1 want=$2
  shift 2
  "$vexal" "$@" >"${to:-out.txt}" 2>err.txt
  local got=$?
  ((got == status)) || fail "vexal $*: exit $got, want $status"
  [[ "$(cat err.txt)" == "$want" ]] ||
    fail "vexal $*: stderr '$(cat err.txt)', want '$want'"
}

# The fixture m.vexal: message 0 at offset 0, 27 bytes ("hello" and
# "world!", both raw); message 1 at offset 27 ("hello" raw, then numbers.txt
# compressed).
make_fixture() {
  printf hello >hello.txt
  printf 'world!' >world.txt
  seq 1 3000 >numbers.txt
  "$vexal" pack hello.txt world.txt -o m.vexal
  "$vexal" pack hello.txt numbers.txt --second-compression zlib_default \
    --append -o m.vexal
}

# poke FILE OFFSET BYTES: overwrites bytes of FILE in place.
poke() {
  printf "$3" | dd of="$1" bs=1 seek="$2" conv=notrunc status=none
}

case_cli() {
  expect 0 "" --version
  [[ "$(cat out.txt)" == "$version" ]] || fail "--version: $(cat out.txt)"
  for command in inspect pack unpack salvage; do
    expect 0 "" "$command" --help
    grep -q "Example" out.txt || fail "$command --help has no example"
    grep -q "Exit status" out.txt || fail "$command --help: no exit status"
  done
  "$vexal" --help >help.txt
  expect 2 "$(cat help.txt)"
}

case_sample() {
  local sample="$source_dir/examples/sample.vexal"
  expect 0 "" inspect "$sample"
  grep -qx "message 1 at offset 530: 60 bytes" out.txt ||
    fail "sample: second message line"
  grep -qx "2 messages, 590 bytes, 3 of 4 parts compressed,.*" out.txt ||
    fail "sample: summary line"
  # The script regenerates the same messages; zlib's bytes are not compared.
  bash "$source_dir/examples/make-sample.sh" "$vexal" again.vexal ||
    fail "make-sample.sh failed"
  local strip='del(.input) | .parts[] |= del(.stored, .ratio)'
  [[ "$("$vexal" inspect --json "$sample" | jq -c "$strip")" == \
    "$("$vexal" inspect --json again.vexal | jq -c "$strip")" ]] ||
    fail "make-sample.sh makes other messages than examples/sample.vexal"
}

case_errors() {
  make_fixture
  local size
  size=$(stat -c %s m.vexal)

  # Inputs that end inside a message: prefix length, then the error (if any).
  # What is missing is exact once both headers are in, else a lower bound:
  # the rest of the first header, or up to the end of the second.
  local -a truncated=(
    "0|"
    "3|vexal: t.vexal: incomplete message at offset 0 (3 bytes read, at least 5 missing)"
    "26|vexal: t.vexal: incomplete message at offset 0 (26 bytes read, at least 1 missing)"
    "44|vexal: t.vexal: incomplete message at offset 27 (17 bytes read, at least 4 missing)"
    "$((size - 1))|vexal: t.vexal: incomplete message at offset 27 ($((size - 28)) bytes read, at least 1 missing)"
  )
  local row keep want
  for row in "${truncated[@]}"; do
    keep=${row%%|*} want=${row#*|}
    head -c "$keep" m.vexal >t.vexal
    expect $((keep == 0 ? 0 : 1)) "$want" inspect t.vexal
    if ((keep > 27)); then
      grep -qx "message 0 at offset 0: 27 bytes" out.txt ||
        fail "truncated at $keep: message 0 not printed"
    fi
  done

  # Corrupted bytes: offset, bytes, bytes kept, the library's message.
  local -a corrupted=(
    "27|\x05|$size|message 1 at offset 27: Unknown vexal type (raw)"
    "28|\x07|$size|message 1 at offset 27: Unknown vexal format (raw)"
    "29|\x02|$size|message 1 at offset 27: Unknown vexal compression (raw)"
    "29|\x01|$size|message 1 at offset 27: Failed zlib::inflate [-3]: incorrect header check"
    "13|\x00|$size|message 0 at offset 0: Unknown vexal type (raw)"
    "0|\x00|$size|message 0 at offset 0: Unknown vexal type (raw)"
  )
  local at bytes
  for row in "${corrupted[@]}"; do
    IFS='|' read -r at bytes keep want <<<"$row"
    cp m.vexal c.vexal
    poke c.vexal "$at" "$bytes"
    head -c "$keep" c.vexal >t.vexal
    expect 1 "vexal: t.vexal: $want" inspect t.vexal
    if [[ $want == "message 1"* ]]; then
      [[ "$(head -1 out.txt)" == "message 0 at offset 0: 27 bytes" ]] ||
        fail "$want: message 0 not printed"
    fi
    ! grep -q "^message 1" out.txt || fail "$want: bad message printed"
  done

  # Limits and --keep-going: arguments, exit status, standard error. k.vexal
  # is m.vexal with a bad message 1, then m.vexal again and 3 bytes more;
  # the inputs that end inside a refused message: cut.vexal, refused from
  # its second header, h.vexal and h2.vexal (cut inside the second header,
  # which the skip holds), from its first.
  cp m.vexal c.vexal
  poke c.vexal 28 '\x07'
  cat c.vexal m.vexal >k.vexal
  head -c 3 m.vexal >>k.vexal
  printf '\x01\x03\0\0\0\0\0\0\x02\x03\0\0\x7f\0\0\0abc' >cut.vexal
  head -c 8 m.vexal >h.vexal
  head -c 16 m.vexal >h2.vexal
  local bad="vexal: k.vexal: message 1 at offset 27: Unknown vexal format (raw)"
  local long="message 0 at offset 0: vexal message too long"
  local -a limited=(
    "--max-message-size 1K m.vexal|1|vexal: m.vexal: message 1 at offset 27: vexal message too long"
    "--max-payload-size 6 m.vexal|1|vexal: m.vexal: message 1 at offset 27: vexal payload too long"
    "--max-message-size 1G --max-payload-size unlimited m.vexal|0|"
    "--max-payload-size 12Q m.vexal|2|vexal: --max-payload-size: \"12Q\" is not a size; give bytes, optionally followed by K, M or G, or unlimited"
    "--keep-going cut.vexal|1|vexal: cut.vexal: $long"$'\n'"vexal: cut.vexal: incomplete message at offset 0 (19 bytes read, at least 2130706429 missing)"
    "--keep-going --max-message-size 20 h.vexal|1|vexal: h.vexal: $long"$'\n'"vexal: h.vexal: incomplete message at offset 0 (8 bytes read, at least 13 missing)"
    "--keep-going --max-message-size 20 h2.vexal|1|vexal: h2.vexal: $long"$'\n'"vexal: h2.vexal: incomplete message at offset 0 (16 bytes read, at least 5 missing)"
    "k.vexal|1|$bad"
    "--keep-going k.vexal|1|$bad"$'\n'"vexal: k.vexal: incomplete message at offset $((2 * size)) (3 bytes read, at least 5 missing)"
  )
  local status
  for row in "${limited[@]}"; do
    IFS='|' read -r -d '' args status want <<<"$row"
    read -r -a args <<<"$args"
    expect "$status" "${want%$'\n'}" inspect "${args[@]}"
  done
  grep -q "^3 messages, $((size + 27)) bytes" out.txt &&
    grep -qx "message 2 at offset $size: 27 bytes" out.txt ||
    fail "--keep-going: $(cat out.txt)"

  # Bad files and options: exit 2, and an existing output stays as it was.
  local -a usage=(
    "pack hello.txt world.txt --compression zlib_fast -o kept.vexal|vexal: --compression: unknown compression \"zlib_fast\"; one of: none zlib_default zlib_best_speed zlib_best_compression zlib_level_1 zlib_level_2 zlib_level_3 zlib_level_4 zlib_level_5 zlib_level_6 zlib_level_7 zlib_level_8 zlib_level_9"
    "pack hello.txt world.txt --second-format 7 --append -o kept.vexal|vexal: --second-format: Value 7 not in range 0 to 2"
    "pack hello.txt missing.txt --append -o kept.vexal|vexal: missing.txt: No such file or directory"
    "pack - - -o kept.vexal|vexal: FIRST and SECOND cannot both be standard input"
    "inspect m.vexal missing.vexal|vexal: missing.vexal: No such file or directory"
    "unpack m.vexal --index 2 --first kept.vexal|vexal: m.vexal: no message 2; the input holds 2"
    "unpack m.vexal|vexal: nothing to write: give --first OUT, --second OUT or both"
    "unpack m.vexal --index -1 --first kept.vexal|vexal: --index: \"-1\" is not a message index; give a whole number from 0 to 18446744073709551615"
    "pack huge.bin world.txt -o kept.vexal|vexal: huge.bin: more than 4294967295 bytes, too long for one part"
  )
  truncate -s 4G huge.bin
  local -a args
  for row in "${usage[@]}"; do
    read -r -a args <<<"${row%%|*}"
    printf 'kept' >kept.vexal
    expect 2 "${row#*|}" "${args[@]}" </dev/null
    [[ "$(cat kept.vexal)" == kept ]] || fail "${args[*]}: output changed"
    [[ ! -s out.txt ]] || fail "${args[*]}: printed $(head -1 out.txt)"
  done
  [[ "$(ls)" != *tmp* ]] || fail "a temporary file was left: $(ls)"
}

case_roundtrip() {
  make_fixture
  head -c 5000 /dev/urandom >noise.bin
  # Compression name, then the level hint that the zlib header must carry.
  local -a groups=(
    "none|none" "zlib_default|default" "zlib_best_speed|fastest"
    "zlib_best_compression|maximum" "zlib_level_1|fastest"
    "zlib_level_2|fast" "zlib_level_5|fast" "zlib_level_6|default"
    "zlib_level_7|maximum" "zlib_level_9|maximum"
  )
  local row name level
  for row in "${groups[@]}"; do
    name=${row%|*} level=${row#*|}
    rm -f r.vexal
    "$vexal" pack hello.txt hello.txt -o r.vexal
    "$vexal" pack numbers.txt - --compression "$name" --first-format 2 \
      --second-format 1 --append -o r.vexal <noise.bin
    expect 0 "" unpack r.vexal --index 1 --first first.out --second second.out
    cmp -s first.out numbers.txt || fail "$name: type-1 payload differs"
    cmp -s second.out noise.bin || fail "$name: type-0 payload differs"
    local want="2 $level 1 $level"
    [[ $name == none ]] && want="2 none 1 none"
    [[ "$("$vexal" inspect --json r.vexal |
      jq -r 'select(.index == 1) | [.parts[] | .format,
        (.level // .compression)] | join(" ")')" == "$want" ]] ||
      fail "$name: inspect --json does not show '$want'"
  done
  # One compression for both parts, overridden for one of them.
  "$vexal" pack numbers.txt numbers.txt --compression zlib_best_speed \
    --second-compression none -o r.vexal
  expect 0 "" inspect r.vexal
  grep -q "type 1  format 0  zlib .* level fastest$" out.txt ||
    fail "--compression does not reach the type-1 part"
  grep -Eq "type 0  format 0  none  stored +13893  payload +13893 " out.txt ||
    fail "--second-compression does not override"
  expect 0 "" unpack - --second - <r.vexal
  cmp -s out.txt numbers.txt || fail "unpack from a pipe to stdout"

  # pack writes the bytes that the library composes: the example's message
  # (the first payload raw, the second at zlib_best_compression in format 1),
  # its first payload taken from a pipe.
  [[ -n $example ]] || return 0
  "$example" >example.txt
  printf %s "$(sed -n 's/^first part .*"\(.*\)"$/\1/p' example.txt)" >one.txt
  printf %s "$(sed -n 's/^second part.*"\(.*\)"$/\1/p' example.txt)" >two.txt
  "$vexal" pack - two.txt --second-format 1 \
    --second-compression zlib_best_compression <one.txt >r.vexal
  [[ "$(od -An -v -tx1 r.vexal | tr -d ' \n')" == \
    "$(grep -x '[0-9a-f ]*' example.txt | tr -d ' \n')" ]] ||
    fail "pack writes other bytes than the library composes"
}

# wait_for FILE LINE: true once FILE holds LINE, false after 20 s.
wait_for() {
  local tries
  for tries in $(seq 200); do
    grep -qx "$2" "$1" && return 0
    sleep 0.1
  done
  return 1
}

case_stream() {
  make_fixture
  mkfifo pipe
  "$vexal" inspect <pipe >stream.txt 2>&1 &
  local tool=$!
  exec 3>pipe
  # The first message and half of the second; the rest only after the tool
  # has printed the first.
  head -c 1000 m.vexal >&3
  wait_for stream.txt "message 0 at offset 0: 27 bytes" ||
    fail "message 0 not printed before the rest of the stream"
  ! grep -q "^message 1" stream.txt || fail "message 1 printed too early"
  tail -c +1001 m.vexal >&3
  exec 3>&-
  wait "$tool" || fail "inspect of a pipe: exit $?"
  "$vexal" inspect m.vexal >file.txt
  cmp -s stream.txt file.txt || fail "a pipe gives another report than a file"
}

# Outputs: write failures, a reader that goes away, concurrent appends, what
# -o replaces and what it writes through, and JSON for any file name.
case_output() {
  make_fixture
  local sample="$source_dir/examples/sample.vexal"
  to=/dev/full expect 2 "vexal: stdout: No space left on device" \
    inspect "$sample" --json
  expect 2 "vexal: /dev/full: No space left on device" \
    pack hello.txt world.txt -o /dev/full

  # 1024 copies of the fixture: far more report than a pipe holds.
  cp m.vexal many.vexal
  local i
  for i in $(seq 10); do cat many.vexal many.vexal >twice.vexal && mv twice.vexal many.vexal; done
  "$vexal" inspect many.vexal 2>err.txt | head -1 >/dev/null
  local -a statuses=("${PIPESTATUS[@]}")
  ((statuses[0] == 0)) && [[ ! -s err.txt ]] ||
    fail "inspect | head -1: exit ${statuses[0]}, '$(cat err.txt)'"

  for i in $(seq 20); do
    "$vexal" pack hello.txt numbers.txt --append -o appended.vexal &
  done
  wait
  expect 0 "" inspect appended.vexal
  grep -q "^20 messages, 278280 bytes," out.txt ||
    fail "20 concurrent appends: $(tail -1 out.txt)"

  # A symlink stays, and the file it leads to keeps its mode.
  printf old >target.vexal
  chmod 640 target.vexal
  ln -s target.vexal link.vexal
  expect 0 "" pack hello.txt world.txt -o link.vexal
  [[ -L link.vexal && "$(stat -c %a target.vexal)" == 640 ]] ||
    fail "-o on a symlink: $(ls -l link.vexal target.vexal)"
  expect 0 "" inspect link.vexal
  grep -q "^1 message, 27 bytes," out.txt || fail "-o on a symlink: $(cat out.txt)"

  mkfifo fifo
  timeout 20 cat fifo >from-fifo.vexal &
  expect 0 "" pack hello.txt world.txt -o fifo
  wait $!
  [[ -p fifo ]] && cmp -s from-fifo.vexal target.vexal ||
    fail "-o on a FIFO: $(ls -l fifo from-fifo.vexal)"
  expect 0 "" pack hello.txt world.txt -o /dev/null
  [[ -c /dev/null ]] || fail "-o /dev/null replaced the device"

  # Invalid UTF-8 in a name: replaced in --json; every part has every key.
  cp m.vexal $'bad\xffname.vexal'
  expect 0 "" inspect --json $'bad\xffname.vexal'
  [[ "$(jq -r -s '[.[].input] + [[.[].parts[] | keys] | unique | length]
    | map(tostring) | join(" ")' out.txt)" == \
    $'bad\uFFFDname.vexal bad\uFFFDname.vexal 1' ]] ||
    fail "--json with a non-UTF-8 name: $(cat out.txt)"
}

# inspect --follow: a writer appends two copies of the fixture in pieces,
# then the file is truncated and refilled, then replaced; every message is
# printed once, in order, and Ctrl-C ends the run with status 0.
case_follow() {
  make_fixture
  cat m.vexal m.vexal >two.vexal
  : >f.vexal
  timeout 30 "$vexal" inspect --follow f.vexal >follow.txt 2>err.txt &
  local tool=$! at
  for ((at = 0; at < $(stat -c %s two.vexal); at += 1000)); do
    tail -c +$((at + 1)) two.vexal | head -c 1000 >>f.vexal
    sleep 0.01
  done
  # printed: N messages seen in follow.txt within 20 s
  printed() {
    for at in $(seq 200); do
      (($(grep -c '^message' follow.txt) >= $1)) && return 0
      sleep 0.1
    done
    return 1
  }
  printed 4 || fail "--follow: $(cat follow.txt)"
  cat m.vexal >f.vexal
  printed 6 || fail "--follow after truncation: $(cat follow.txt)"
  cp m.vexal new.vexal
  mv new.vexal f.vexal
  printed 8 || fail "--follow after replacement: $(cat follow.txt)"
  kill -INT $tool
  wait $tool || fail "--follow ended with status $?"
  "$vexal" inspect two.vexal m.vexal m.vexal | grep '^message' >want.txt
  diff <(grep '^message' follow.txt) want.txt || fail "--follow printed other messages"
  [[ "$(cat err.txt)" == "vexal: f.vexal: truncated; reading it again from the start
vexal: f.vexal: replaced; reading the new file from the start" ]] ||
    fail "--follow: $(cat err.txt)"
}

# inspect --hex against checked-in dumps: the sample, and the sample with an
# unknown format code in message 1's type-0 part, in full. Then the field
# marked as refused, for each kind of refusal: bytes poked into the sample
# (offset and bytes, or none), the options, the refused message and the
# library's message, and the line of the field marked.
case_hex() {
  local expected="$source_dir/tests/tool/expected"
  expect 0 "" inspect --hex "$source_dir/examples/sample.vexal"
  diff out.txt "$expected/sample.hex" || fail "--hex of the sample"
  cp "$source_dir/examples/sample.vexal" s.vexal
  poke s.vexal 575 '\x07'
  expect 1 "vexal: s.vexal: message 1 at offset 530: Unknown vexal format (raw)" \
    inspect --hex-all s.vexal
  diff out.txt "$expected/refused.hex" || fail "--hex-all of a refused message"

  local -a marked=(
    "530|\x05||1 at offset 530|Unknown vexal type (raw)|530  05           type           no such type"
    "532|\x02||1 at offset 530|Unknown vexal compression (raw)|532  02           compression    no such compression"
    "||--max-message-size 50|0 at offset 0|vexal message too long|4  00 00 00 26  stored length  38"
    "||--max-message-size 100|0 at offset 0|vexal message too long|50  00 00 01 dc  stored length  476"
    "0|\x05|--max-message-size 50|0 at offset 0|vexal message too long|4  00 00 00 26  stored length  38"
    "||--max-payload-size 30|0 at offset 0|vexal payload too long|4  00 00 00 26  stored length  38"
    "||--max-payload-size 300|0 at offset 0|vexal payload too long|518  e0 79 f0 bc 4f 9e ff 05 d1 90 01 3d              |.y..O......=|"
    "582|\x00|--hex-all|1 at offset 530|Failed zlib::inflate [-3]: incorrect header check|582  00 01 03 00 00 00 00 01                          |........|"
  )
  local row at bytes options message text line
  for row in "${marked[@]}"; do
    IFS='|' read -r at bytes options message text _ <<<"$row"
    line=${row#*|*|*|*|*|}  # the sixth field holds | itself
    cp "$source_dir/examples/sample.vexal" s.vexal
    [[ -z $at ]] || poke s.vexal "$at" "$bytes"
    expect 1 "vexal: s.vexal: message $message: $text" inspect --hex $options s.vexal
    [[ "$(grep -F -x -B1 "  ^ refused: $text" out.txt | head -1 | sed 's/^ *//')" == \
      "$line" ]] || fail "--hex $options, $at: $(tail -2 out.txt)"
  done
}

# inspect --levels: the stored size of each compression is the one that the
# library's compose (through pack) gives; one smallest, one fastest near it.
case_levels() {
  make_fixture
  expect 0 "" inspect --levels --json m.vexal
  jq -c 'select(.index == 1) | .parts[1].levels' out.txt >levels.json
  local name want got
  for name in none zlib_level_{1..9}; do
    "$vexal" pack hello.txt numbers.txt --second-compression "$name" -o l.vexal
    want=$("$vexal" inspect --json l.vexal | jq '.parts[1].stored')
    got=$(jq --arg name "$name" '.[] | select(.compression == $name) | .stored' \
      levels.json)
    [[ $got == "$want" ]] || fail "--levels $name: stored $got, not $want"
  done
  jq -e '(map(.stored) | min) as $min
    | (map(select(.smallest) | .stored) == [$min])
    and (map(select(.fastest_within_5_percent) | .stored <= $min * 1.05)
      == [true])' levels.json >/dev/null || fail "--levels marks: $(cat levels.json)"
  expect 0 "" inspect --levels m.vexal
  [[ $(grep -c '^    zlib_level_9 ' out.txt) == 4 ]] ||
    fail "--levels text: $(cat out.txt)"
}

# salvage: damaged ranges and the summary on standard error, the messages
# that parse written byte for byte, never over the input.
case_salvage() {
  make_fixture
  local size
  size=$(stat -c %s m.vexal)
  head -c 1500 /dev/zero >g.bin
  cat m.vexal g.bin m.vexal >d.vexal
  head -c 20 m.vexal >>d.vexal
  local end=$((2 * size + 1500))
  expect 1 "vexal: damaged: bytes $size–$((size + 1499)) (1500 bytes) skipped
vexal: damaged: bytes $end–$((end + 19)) (20 bytes) skipped
vexal: 4 of 6 messages recovered, 2 damaged ranges, 1,520 bytes dropped" \
    salvage d.vexal -o r.vexal
  cat m.vexal m.vexal >want.vexal
  cmp -s r.vexal want.vexal || fail "salvage wrote other bytes"
  expect 0 "vexal: 2 of 2 messages recovered, 0 damaged ranges, 0 bytes dropped" \
    salvage - -o - <m.vexal
  cmp -s out.txt m.vexal || fail "salvage of a whole input changed it"
  ln d.vexal hard.vexal
  ln -s d.vexal soft.vexal
  for name in d.vexal hard.vexal soft.vexal; do
    expect 2 "vexal: $name: is the input; write to another file" \
      salvage d.vexal -o $name
  done
  cmp -s d.vexal hard.vexal || fail "salvage wrote over its input"
}

"case_$case_name"
echo "tool.$case_name: $failures failed"
((failures == 0))
