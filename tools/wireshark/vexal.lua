-- SPDX-License-Identifier: MIT
-- Wireshark and tshark (4.0, Lua 5.2) dissector for vexal messages. Load it
-- by hand with `tshark -X lua_script:vexal.lua`, or from Wireshark's global
-- Lua plugin folder (`tshark -G folders`), where `cmake --install` and the
-- vexal-tools package put it. It claims no port until told to: "Decode As",
-- `-d tcp.port==7000,vexal`, the `vexal.ports` preference, or the TCP
-- heuristic (`vexal.heuristic`, off by default).
--
-- A message is two parts back to back, each an 8-byte header and the L
-- bytes it stores:
--   byte 0     type code         1 = type 1, 2 = type 0
--   byte 1     format code       3, 2, 1 = format 0, 1, 2
--   byte 2     compression code  0 = stored as is, 1 = zlib stream
--   byte 3     reserved          0 when written, ignored when read
--   bytes 4-7  stored length L   big-endian
-- Each message is checked as libvexal's stream reader checks it, in the same
-- order and within the same limits (the `vexal.max_*` preferences), and a
-- refusal carries the library's own text, so that the fields and refusals
-- shown here are the ones `vexal inspect` reports for the same bytes. Over TCP
-- a message is dissected once, whole, in the frame that completes it; the
-- bytes of a message refused from its headers alone are skipped as they
-- arrive, as the reader skips them, instead of being reassembled.

local vexal = Proto("vexal", "vexal message")

local header_size = 8
local default_limit = 64 * 1024 * 1024

-- What the header's codes stand for, as `vexal inspect` names them.
local format_of_code = { [3] = 0, [2] = 1, [1] = 2 }
local compression_of_code = { [0] = "none", [1] = "zlib" }
-- A type code is accepted in either place; the part's type is its place's.
local place_of_type_code = { [1] = 1, [2] = 2 }
local level_names = { [0] = "fastest", "fast", "default", "maximum" }

local fields = {
  message_length = ProtoField.uint64("vexal.message_length", "Message length"),
  part = ProtoField.none("vexal.part", "Part"),
  type = ProtoField.uint8("vexal.type", "Type"),
  type_code = ProtoField.uint8("vexal.type_code", "Type code", base.DEC,
    { [1] = "type 1", [2] = "type 0" }),
  format = ProtoField.uint8("vexal.format", "Format"),
  format_code = ProtoField.uint8("vexal.format_code", "Format code", base.DEC,
    { [3] = "format 0", [2] = "format 1", [1] = "format 2" }),
  compression = ProtoField.string("vexal.compression", "Compression"),
  compression_code = ProtoField.uint8("vexal.compression_code",
    "Compression code", base.DEC, { [0] = "none", [1] = "zlib" }),
  reserved = ProtoField.uint8("vexal.reserved", "Reserved", base.HEX),
  stored_length = ProtoField.uint32("vexal.stored_length", "Stored length"),
  stored = ProtoField.bytes("vexal.stored", "Stored bytes"),
  payload_length = ProtoField.uint32("vexal.payload_length", "Payload length"),
  level_hint = ProtoField.string("vexal.level_hint", "Level hint"),
  payload = ProtoField.bytes("vexal.payload", "Payload"),
  refusal = ProtoField.string("vexal.refusal", "Refused"),
  skipped = ProtoField.bytes("vexal.skipped", "Bytes of a refused message"),
}
local field_list = {}
for _, field in pairs(fields) do field_list[#field_list + 1] = field end
vexal.fields = field_list

local experts = {
  refused = ProtoExpert.new("vexal.refused", "vexal message refused",
    expert.group.MALFORMED, expert.severity.ERROR),
  incomplete = ProtoExpert.new("vexal.incomplete", "Incomplete vexal message",
    expert.group.MALFORMED, expert.severity.ERROR),
  other_type = ProtoExpert.new("vexal.other_type",
    "The part carries the other part's type code; it is read by its place",
    expert.group.PROTOCOL, expert.severity.NOTE),
}
vexal.experts = { experts.refused, experts.incomplete, experts.other_type }

vexal.prefs.ports = Pref.range("Ports", "",
  "TCP and UDP ports whose traffic is vexal messages, e.g. 7000,7100-7110",
  65535)
vexal.prefs.heuristic = Pref.bool("Find vexal streams over TCP", false,
  "Claim a TCP stream whose first 8 bytes are a first part's header "
    .. "(type code 1, known format and compression codes, reserved byte 0)")
vexal.prefs.max_message_size = Pref.uint("Maximum message size",
  default_limit, "Longer messages are refused (0: no limit)")
vexal.prefs.max_payload_size = Pref.uint("Maximum payload size",
  default_limit, "Longer payloads, after inflating, are refused (0: no limit)")

local tcp_ports = DissectorTable.get("tcp.port")
local udp_ports = DissectorTable.get("udp.port")
tcp_ports:add_for_decode_as(vexal)
udp_ports:add_for_decode_as(vexal)

local claimed_ports = ""
local max_message, max_payload = default_limit, default_limit

local function limit(value)
  return value == 0 and math.huge or value
end

function vexal.prefs_changed()
  max_message = limit(vexal.prefs.max_message_size)
  max_payload = limit(vexal.prefs.max_payload_size)
  local ports = vexal.prefs.ports
  if ports == claimed_ports then return end
  if claimed_ports ~= "" then
    tcp_ports:remove(claimed_ports, vexal)
    udp_ports:remove(claimed_ports, vexal)
  end
  if ports ~= "" then
    tcp_ports:add(ports, vexal)
    udp_ports:add(ports, vexal)
  end
  claimed_ports = ports
end

local byte, char, concat, min = string.byte, string.char, table.concat, math.min
local unpack = table.unpack or unpack

-- zlib -----------------------------------------------------------------------

-- zlib's inflate() as libvexal calls it (the whole stream in one buffer,
-- output bounded), written out so that a failure is named with zlib's own
-- code and message: Wireshark's own inflating tells only that it failed,
-- and returns what it inflated before a fault. Slow; used only where
-- Wireshark's inflating fails or its output does not end the stream.
local zlib_failure = "Failed zlib::inflate "
local truncated = zlib_failure .. "[-5]: "
local need_dictionary = zlib_failure .. "[2]: "
local payload_too_long = "vexal payload too long"
local function data_error(message)
  return zlib_failure .. "[-3]: " .. message
end

local pow2 = {}
for i = 0, 40 do pow2[i] = 2 ^ i end

-- RFC 1951 3.2.5: bases and extra bits of length symbols 257..285 and
-- distance symbols 0..29; the order of the code length code's lengths.
local length_base = { 3, 4, 5, 6, 7, 8, 9, 10, 11, 13, 15, 17, 19, 23, 27, 31,
  35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258 }
local length_extra = { 0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3,
  3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0 }
local distance_base = { 1, 2, 3, 4, 5, 7, 9, 13, 17, 25, 33, 49, 65, 97, 129,
  193, 257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289,
  16385, 24577 }
local distance_extra = { 0, 0, 0, 0, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6, 7, 7,
  8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13 }
local length_code_order = { 16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3,
  13, 2, 14, 1, 15 }

-- A canonical Huffman code from `n` code lengths at lengths[0..n-1], checked
-- as zlib checks it: nil when over-subscribed, or incomplete unless it has
-- no codes at all or a single one-bit code (zlib's exceptions; the code
-- length code allows only the first). `empty` is what zlib decodes from a
-- code without codes (one bit read).
local function huffman(lengths, n, code_lengths, empty)
  local count, offsets, symbols = {}, {}, {}
  for length = 0, 15 do count[length] = 0 end
  for symbol = 0, n - 1 do
    count[lengths[symbol]] = count[lengths[symbol]] + 1
  end
  local longest, left = 0, 1
  for length = 1, 15 do
    if count[length] > 0 then longest = length end
    left = left * 2 - count[length]
    if left < 0 then return nil end
  end
  if longest > 0 and left > 0 and (code_lengths or longest ~= 1) then
    return nil
  end
  offsets[1] = 0
  for length = 1, 14 do offsets[length + 1] = offsets[length] + count[length] end
  for symbol = 0, n - 1 do
    local length = lengths[symbol]
    if length > 0 then
      symbols[offsets[length]] = symbol
      offsets[length] = offsets[length] + 1
    end
  end
  return { count = count, symbols = symbols, longest = longest, empty = empty }
end

local fixed_lengths, fixed_distances
do
  local lengths = {}
  for symbol = 0, 287 do
    lengths[symbol] = symbol < 144 and 8 or symbol < 256 and 9
      or symbol < 280 and 7 or 8
  end
  fixed_lengths = huffman(lengths, 288, false)
  local distances = {}
  for symbol = 0, 31 do distances[symbol] = 5 end
  fixed_distances = huffman(distances, 32, false)
end

-- Eight bytes a step, 4096 bytes between reductions: both sums stay exact in
-- a double.
local function adler32(s)
  local a, b, n = 1, 0, #s
  local whole = n - n % 8
  for from = 1, whole, 4096 do
    for i = from, min(from + 4095, whole), 8 do
      local b1, b2, b3, b4, b5, b6, b7, b8 = byte(s, i, i + 7)
      b = b + 8 * a + 8 * b1 + 7 * b2 + 6 * b3 + 5 * b4 + 4 * b5 + 3 * b6
        + 2 * b7 + b8
      a = a + b1 + b2 + b3 + b4 + b5 + b6 + b7 + b8
    end
    a, b = a % 65521, b % 65521
  end
  for i = whole + 1, n do
    a = a + byte(s, i)
    b = b + a
  end
  return b % 65521 * 65536 + a % 65521
end

local function byte_string(bytes, n)
  local pieces = {}
  for from = 1, n, 4096 do
    pieces[#pieces + 1] = char(unpack(bytes, from, min(from + 4095, n)))
  end
  return concat(pieces)
end

-- Inflates the zlib stream at the start of `s`, at most `max` bytes of
-- output. Returns the payload, or nil and the text libvexal refuses it with.
local function inflate(s, max)
  local at, n, hold, held = 1, #s, 0, 0
  local out, produced = {}, 0

  local function fail(text) error({ text }, 0) end

  local function bits(k)
    while held < k do
      if at > n then fail(truncated) end
      hold = hold + byte(s, at) * pow2[held]
      at, held = at + 1, held + 8
    end
    local value = hold % pow2[k]
    hold, held = (hold - value) / pow2[k], held - k
    return value
  end

  local function align() bits(held % 8) end

  -- Bit by bit, most significant code bit first (RFC 1951 3.1.1).
  local function decode(code)
    if code.longest == 0 then
      bits(1)
      return code.empty
    end
    local value, first, index, count = 0, 0, 0, code.count
    for length = 1, code.longest do
      value = value + bits(1)
      local here = count[length]
      if value - here < first then
        return code.symbols[index + value - first]
      end
      index, first, value = index + here, (first + here) * 2, value * 2
    end
    return nil -- a code left out of an incomplete set
  end

  local function grown()
    if produced > max then fail(payload_too_long) end
  end

  local function codes(lengths, distances)
    while true do
      local symbol = decode(lengths)
      if symbol == nil or symbol > 285 then
        fail(data_error("invalid literal/length code"))
      elseif symbol < 256 then
        produced = produced + 1
        out[produced] = symbol
        grown()
      elseif symbol == 256 then
        return
      else
        symbol = symbol - 256
        local length = length_base[symbol] + bits(length_extra[symbol])
        symbol = decode(distances)
        if symbol == nil or symbol > 29 then
          fail(data_error("invalid distance code"))
        end
        local distance = distance_base[symbol + 1]
          + bits(distance_extra[symbol + 1])
        if distance > produced then
          fail(data_error("invalid distance too far back"))
        end
        for _ = 1, length do
          produced = produced + 1
          out[produced] = out[produced - distance]
        end
        grown()
      end
    end
  end

  local function stored()
    align()
    local size, check = bits(16), bits(16)
    if size + check ~= 65535 then
      fail(data_error("invalid stored block lengths"))
    end
    local take = min(size, n - at + 1)
    for from = at, at + take - 1, 4096 do
      local piece = { byte(s, from, min(from + 4095, at + take - 1)) }
      for i = 1, #piece do out[produced + i] = piece[i] end
      produced = produced + #piece
    end
    at = at + take
    grown()
    if take < size then fail(truncated) end
  end

  local function dynamic()
    local nlen, ndist, ncode = bits(5) + 257, bits(5) + 1, bits(4) + 4
    if nlen > 286 or ndist > 30 then
      fail(data_error("too many length or distance symbols"))
    end
    local lengths = {}
    for i = 0, 18 do lengths[i] = 0 end
    for i = 1, ncode do lengths[length_code_order[i]] = bits(3) end
    local length_code = huffman(lengths, 19, true, 0)
    if not length_code then fail(data_error("invalid code lengths set")) end
    lengths = {}
    local have = 0
    while have < nlen + ndist do
      local symbol = decode(length_code)
      if symbol < 16 then
        lengths[have] = symbol
        have = have + 1
      else
        local repeated, copies = 0, nil
        if symbol == 16 then
          copies = 3 + bits(2)
          if have == 0 then fail(data_error("invalid bit length repeat")) end
          repeated = lengths[have - 1]
        elseif symbol == 17 then
          copies = 3 + bits(3)
        else
          copies = 11 + bits(7)
        end
        if have + copies > nlen + ndist then
          fail(data_error("invalid bit length repeat"))
        end
        for i = have, have + copies - 1 do lengths[i] = repeated end
        have = have + copies
      end
    end
    if lengths[256] == 0 then
      fail(data_error("invalid code -- missing end-of-block"))
    end
    local literal_code = huffman(lengths, nlen, false)
    if not literal_code then fail(data_error("invalid literal/lengths set")) end
    local distance_lengths = {}
    for i = 0, ndist - 1 do distance_lengths[i] = lengths[nlen + i] end
    local distance_code = huffman(distance_lengths, ndist, false)
    if not distance_code then fail(data_error("invalid distances set")) end
    codes(literal_code, distance_code)
  end

  local function stream()
    local cmf, flg = bits(8), bits(8)
    if (cmf * 256 + flg) % 31 ~= 0 then fail(data_error("incorrect header check")) end
    if cmf % 16 ~= 8 then fail(data_error("unknown compression method")) end
    if cmf >= 0x80 then fail(data_error("invalid window size")) end
    if flg % 64 >= 32 then
      bits(32) -- the dictionary's id; libvexal has no dictionary to give
      fail(need_dictionary)
    end
    repeat
      local last, kind = bits(1), bits(2)
      if kind == 0 then
        stored()
      elseif kind == 1 then
        codes(fixed_lengths, fixed_distances)
      elseif kind == 2 then
        dynamic()
      else
        fail(data_error("invalid block type"))
      end
    until last == 1
    align()
    local check = 0
    for _ = 1, 4 do check = check * 256 + bits(8) end
    local payload = byte_string(out, produced)
    if adler32(payload) ~= check then fail(data_error("incorrect data check")) end
    return payload
  end

  local ok, result = pcall(stream)
  if ok then return result end
  if type(result) ~= "table" then error(result, 0) end
  return nil, result[1]
end

-- Inflates the zlib part whose stored bytes are `range`. Returns the
-- payload's length and its bytes as a TvbRange of a new data source `name`
-- (nil when empty), or nil and the refusal's text. Wireshark inflates; its
-- output is taken when the stream's header is one that zlib takes and the
-- output's Adler-32 is the stream's last four bytes, which a fault, a cut or
-- bytes after the stream would not leave, or when it is already over the
-- limit (what it returns is the start of zlib's output). Anything else is
-- inflated again by `inflate` above, for zlib's own verdict.
local function inflate_part(range, name)
  local stored = range:len()
  if stored >= 7 then
    local cmf, flg = range:raw(0, 2):byte(1, 2)
    if (cmf * 256 + flg) % 31 == 0 and cmf % 16 == 8 and cmf < 0x80
        and flg % 64 < 32 then
      local inflated = range:uncompress(name)
      if inflated and inflated:len() > max_payload then
        return nil, payload_too_long
      end
      if inflated
          and adler32(inflated:raw()) == range:range(stored - 4, 4):uint() then
        return inflated:len(), inflated:len() > 0 and inflated or nil
      end
    end
  end
  local payload, refusal = inflate(range:raw(), max_payload)
  if not payload then return nil, refusal end
  if payload == "" then return 0 end
  return #payload, ByteArray.new(payload, true):tvb(name)()
end

-- Messages ----------------------------------------------------------------------

-- The part header at `at` of `tvb`, read from `bytes` (the tvb's bytes as a
-- string) where given, with the format and compression that its codes stand
-- for (nil for an unknown code).
local function read_header(tvb, at, bytes)
  local type_code, format_code, compression_code, reserved, b4, b5, b6, b7
  if bytes then
    type_code, format_code, compression_code, reserved, b4, b5, b6, b7 =
      byte(bytes, at + 1, at + header_size)
  else
    type_code, format_code, compression_code, reserved, b4, b5, b6, b7 =
      tvb:raw(at, header_size):byte(1, header_size)
  end
  return {
    at = at,
    type_code = type_code,
    format_code = format_code,
    compression_code = compression_code,
    reserved = reserved,
    stored = ((b4 * 256 + b5) * 256 + b6) * 256 + b7,
    format = format_of_code[format_code],
    compression = compression_of_code[compression_code],
  }
end

-- Checks one whole part as the library's parse does, field by field in wire
-- order: its type, format and compression codes, then its payload's length,
-- inflating a zlib stream. Sets the part's payload length and, for a zlib
-- part, its inflated payload (a TvbRange; nil when empty), or its refusal
-- and the range of the fault.
local function check_part(tvb, part, place)
  local at = part.at
  if not place_of_type_code[part.type_code] then
    part.refusal, part.fault = "Unknown vexal type (raw)", tvb(at, 1)
  elseif not part.format then
    part.refusal, part.fault = "Unknown vexal format (raw)", tvb(at + 1, 1)
  elseif not part.compression then
    part.refusal, part.fault =
      "Unknown vexal compression (raw)", tvb(at + 2, 1)
  elseif part.compression == "none" then
    if part.stored > max_payload then
      part.refusal, part.fault = payload_too_long, tvb(at + 4, 4)
    else
      part.payload_length = part.stored
    end
  else
    local stored = tvb(at + header_size, part.stored)
    local inflated, payload =
      inflate_part(stored, "Inflated type-" .. (2 - place) .. " payload")
    if not inflated then
      part.refusal, part.fault = payload, stored
    else
      part.payload_length, part.payload = inflated, payload
      part.level = level_names[math.floor(stored:range(1, 1):uint() / 64)]
    end
  end
end

-- A header code, as the value it stands for with the code beside it, or as
-- the raw code (`code_field`) where it stands for nothing.
local function add_code(tree, range, field, value, code_field)
  if value == nil then return tree:add(code_field, range) end
  return tree:add(field, range, value):append_text(" (code " .. range:uint() .. ")")
end

-- Adds a part's fields to `tree`: its whole header, and its stored bytes as
-- far as they are present in `tvb`.
local function add_part(tree, tvb, part, place)
  local at = part.at
  local present = min(part.stored, tvb:len() - at - header_size)
  local label = "Type-" .. (2 - place) .. " part"
  if part.format and part.compression then
    label = label .. string.format(": format %d, %s, %d bytes stored",
      part.format, part.compression, part.stored)
  end
  local subtree = tree:add(fields.part, tvb(at, header_size + present))
    :set_text(label)
  local code_place = place_of_type_code[part.type_code]
  local type_item = add_code(subtree, tvb(at, 1), fields.type,
    code_place and 2 - place, fields.type_code)
  if code_place and code_place ~= place then
    type_item:add_proto_expert_info(experts.other_type)
  end
  add_code(subtree, tvb(at + 1, 1), fields.format, part.format,
    fields.format_code)
  add_code(subtree, tvb(at + 2, 1), fields.compression, part.compression,
    fields.compression_code)
  subtree:add(fields.reserved, tvb(at + 3, 1))
  subtree:add(fields.stored_length, tvb(at + 4, 4))
  local stored = present > 0 and tvb(at + header_size, present)
  if part.payload_length then
    subtree:add(fields.payload_length, part.payload_length):set_generated()
  end
  if part.level then
    subtree:add(fields.level_hint, tvb(at + header_size + 1, 1), part.level)
      :set_generated()
  end
  -- A payload stored as is is its stored bytes; other stored bytes are
  -- shown as they are, beside the payload inflated from them.
  local as_is = part.payload_length and part.compression == "none"
  if stored and not as_is then subtree:add(fields.stored, stored) end
  local payload = part.payload or as_is and stored
  if payload then subtree:add(fields.payload, payload) end
  return subtree
end

-- Adds one message, or as much of it as `tvb` holds, with its refusal.
local function add_message(tree, tvb, parts, size, refusal, fault)
  local at = parts[1].at
  local item = tree:add(vexal, tvb(at, min(size or math.huge, tvb:len() - at)))
  if size then item:append_text(string.format(", %d bytes", size)) end
  if refusal then item:append_text(", refused: " .. refusal) end
  if size then
    item:add(fields.message_length, tvb(at, min(size, tvb:len() - at)),
      UInt64.new(size))
      :set_generated()
  end
  for place, part in ipairs(parts) do add_part(item, tvb, part, place) end
  if refusal then
    item:add(fields.refusal, fault, refusal):set_generated()
      :add_proto_expert_info(experts.refused, refusal)
  end
  return item
end

local function message_info(size, parts)
  return string.format("vexal %d B (f%d %s, f%d %s)", size, parts[1].format,
    parts[1].compression, parts[2].format, parts[2].compression)
end

local function refusal_info(size, refusal)
  if size then return string.format("vexal %d B refused: %s", size, refusal) end
  return "vexal refused: " .. refusal
end

-- Streams -------------------------------------------------------------------------

-- The rest of a refused message still to come in one direction of a TCP
-- stream: `drop` bytes, then, for a message refused from its first header,
-- the second part (`second`). Kept by direction while the capture is read
-- in order, and by frame and call for every later pass over a frame.
local pending_skips, frame_skips = {}, {}
-- The TCP heuristic looks at the first data of each direction only.
local heuristic_firsts = {}
-- Whether any of the protocol's fields is in a filter; nil until asked.
local fields_referenced

function vexal.init()
  pending_skips, frame_skips, heuristic_firsts = {}, {}, {}
  fields_referenced = nil
end

local function direction(pinfo)
  return tostring(pinfo.src) .. ":" .. pinfo.src_port .. ">"
    .. tostring(pinfo.dst) .. ":" .. pinfo.dst_port
end

-- TCP may call the dissector several times for a frame (the start of a
-- message whose headers it reassembled, the whole message, the rest of the
-- segment); the frame's private table, new with each pass over the frame,
-- counts the calls.
local function call_key(private, pinfo)
  local calls = tonumber(private.vexal_calls) or 0
  private.vexal_calls = calls + 1
  return pinfo.number .. ":" .. calls
end

local function skip_at_start(pinfo, key)
  local skip
  if pinfo.visited then
    skip = frame_skips[key]
  elseif next(pending_skips) then
    local from = direction(pinfo)
    skip = pending_skips[from]
    pending_skips[from] = nil
    frame_skips[key] = skip
  end
  return skip and { drop = skip.drop, second = skip.second }
end

local function wants_detail(tree)
  if tree.visible then return true end
  if fields_referenced == nil then
    fields_referenced = tree:referenced(Dissector.get("vexal"))
    for _, field in ipairs(field_list) do
      fields_referenced = fields_referenced or tree:referenced(field)
    end
  end
  return fields_referenced
end

-- Dissects the messages in `tvb`. Over TCP, asks for more bytes where a
-- message goes on past its end; elsewhere, a message cut off is incomplete.
-- Refusals and notes are always added to the tree, so that expert info sees
-- them; the fields of good messages only where a tree is shown or filtered.
local function dissect(tvb, pinfo, tree, tcp)
  local length, offset = tvb:len(), 0
  -- Headers are read from one copy of a segment's bytes; a long reassembled
  -- message is not copied for them.
  local bytes = length <= 65536 and tvb:raw()
  local detail = wants_detail(tree)
  local infos = {}
  local private = pinfo.private
  local skip
  if tcp then skip = skip_at_start(pinfo, call_key(private, pinfo)) end

  local function more(needed)
    if tcp and pinfo.can_desegment > 0 then
      pinfo.desegment_offset = offset
      pinfo.desegment_len = needed
    else
      tree:add(vexal, tvb(offset)):add_proto_expert_info(experts.incomplete,
        string.format("Incomplete vexal message: %d more bytes needed", needed))
      infos[#infos + 1] = "vexal incomplete"
    end
    offset = length
  end

  while offset < length do
    local available = length - offset
    if skip then
      -- The rest of a refused message: `drop` bytes, then, where the
      -- refusal came from its first header alone, its second part.
      local take = min(skip.drop, available)
      if skip.second and take == skip.drop and available - take >= header_size then
        skip = { drop = take + header_size
          + read_header(tvb, offset + take, bytes).stored }
        take = min(skip.drop, available)
      end
      if take > 0 then
        if detail then
          tree:add(vexal, tvb(offset, take)):append_text(", rest of a refused message")
            :add(fields.skipped, tvb(offset, take))
        end
        infos[#infos + 1] =
          string.format("vexal (%d bytes of a refused message)", take)
        offset, skip.drop = offset + take, skip.drop - take
      end
      if skip.drop > 0 then break end
      if not skip.second then
        skip = nil
      elseif offset < length then
        more(header_size - (length - offset))
      end
    elseif available < header_size then
      more(header_size - available)
    else
      local first = read_header(tvb, offset, bytes)
      local least = 2 * header_size + first.stored
      local parts, size = { first }, nil
      if available >= least then
        parts[2] = read_header(tvb, offset + header_size + first.stored, bytes)
        size = least + parts[2].stored
      end
      if (size or least) > max_message then
        -- Refused from its headers: shown as far as present, the rest
        -- skipped as it arrives.
        local refusal = "vexal message too long"
        add_message(tree, tvb, parts, size, refusal,
          tvb(parts[#parts].at + 4, 4))
        infos[#infos + 1] = refusal_info(size, refusal)
        local whole = size or header_size + first.stored
        local take = min(whole, available)
        skip = { drop = whole - take, second = not size }
        offset = offset + take
      elseif not size then
        more(least - available)
      elseif available < size then
        more(size - available)
      else
        local refusal, fault
        for place, part in ipairs(parts) do
          check_part(tvb, part, place)
          if part.refusal then
            refusal, fault = part.refusal, part.fault
            break
          end
        end
        if detail or refusal or parts[1].type_code ~= 1
            or parts[2].type_code ~= 2 then
          add_message(tree, tvb, parts, size, refusal, fault)
        end
        infos[#infos + 1] = refusal and refusal_info(size, refusal)
          or message_info(size, parts)
        offset = offset + size
      end
    end
  end

  if skip and (skip.drop > 0 or skip.second) and tcp and not pinfo.visited then
    pending_skips[direction(pinfo)] = skip
  end
  -- The first call with messages replaces TCP's or UDP's Info text.
  if #infos > 0 then
    pinfo.cols.protocol = "vexal"
    if private.vexal_info then
      pinfo.cols.info:append("; " .. concat(infos, "; "))
    else
      private.vexal_info = "1"
      pinfo.cols.info = concat(infos, "; ")
    end
  end
  return length
end

-- Wireshark's PT_TCP, which its Lua API does not name.
local port_type_tcp = 2

function vexal.dissector(tvb, pinfo, tree)
  return dissect(tvb, pinfo, tree, pinfo.port_type == port_type_tcp)
end

-- Claims the TCP stream whose first data in a direction starts with a first
-- part's header, when the heuristic is switched on.
local function heuristic(tvb, pinfo, tree)
  if not vexal.prefs.heuristic or tvb:len() < header_size then return false end
  local from = direction(pinfo)
  heuristic_firsts[from] = heuristic_firsts[from] or pinfo.number
  if heuristic_firsts[from] ~= pinfo.number then return false end
  local first = read_header(tvb, 0)
  if first.type_code ~= 1 or not format_of_code[first.format_code]
      or not compression_of_code[first.compression_code]
      or first.reserved ~= 0
      or 2 * header_size + first.stored > max_message then
    return false
  end
  pinfo.conversation = vexal
  dissect(tvb, pinfo, tree, true)
  return true
end
vexal:register_heuristic("tcp", heuristic)
