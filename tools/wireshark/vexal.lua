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
-- shown here are the ones `vexal inspect` reports for the same bytes, with
-- one difference. A zlib stream is inflated once, by Wireshark, which tells
-- what it inflated but never why it stopped; the stream is taken where the
-- Adler-32 of that output is stored in it, at its end or before bytes stored
-- after its end. A stream refused past its 2-byte header (damaged, cut short
-- or failing its check) is refused with "Failed zlib::inflate: the stream is
-- damaged, cut short or fails its check (Wireshark inflated N bytes and
-- names no fault)", where `vexal inspect` gives zlib's code and words, such
-- as "Failed zlib::inflate [-3]: invalid distance too far back"; a header
-- that zlib refuses is named in zlib's words, as `vexal inspect` names it.
-- (A stream made to hold, after a fault, the Adler-32 of what inflates
-- before the fault would be taken.) Memory and time are those of
-- Wireshark's inflating, plus the check read 64 KiB at a time. Over TCP
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

-- zlib -----------------------------------------------------------------------

-- A zlib stream (RFC 1950) is a 2-byte header (CMF, FLG), a 4-byte
-- dictionary id when FLG asks for one, the deflate data, and the big-endian
-- Adler-32 of the whole output. Wireshark inflates it in C, as zlib's
-- inflate() does, but tells only what it inflated: up to the stream's end,
-- up to a fault (less the last pass of its output buffer) or up to the end
-- of the input, or nil where that is nothing, and never why it stopped. The
-- dissector inflates nothing itself. It checks the header as zlib does,
-- with zlib's words, and then takes Wireshark's output as the payload only
-- where the output's Adler-32 is stored in the stream, as its last four
-- bytes or before bytes stored after the stream's end, which the library
-- takes too. A fault, a cut or a wrong check leaves no such bytes, and is
-- refused by `damaged_stream` with what is known of it.
local zlib_failure = "Failed zlib::inflate "
local truncated = zlib_failure .. "[-5]: "
local need_dictionary = zlib_failure .. "[2]: "
local payload_too_long = "vexal payload too long"
local function data_error(message)
  return zlib_failure .. "[-3]: " .. message
end
local function damaged_stream(inflated)
  return string.format("Failed zlib::inflate: the stream is damaged, cut short"
    .. " or fails its check (Wireshark inflated %d bytes and names no fault)",
    inflated)
end

-- Why zlib refuses the header of the stream `range`, in zlib's words, or
-- nil. zlib refuses a header before it reads any deflate data; Wireshark,
-- given a header that zlib refuses, would inflate the bytes again as a raw
-- deflate stream, which the library never does.
local function header_refusal(range)
  local stored = range:len()
  if stored < 2 then return truncated end
  local cmf, flg = range:raw(0, 2):byte(1, 2)
  if (cmf * 256 + flg) % 31 ~= 0 then return data_error("incorrect header check") end
  if cmf % 16 ~= 8 then return data_error("unknown compression method") end
  if cmf >= 0x80 then return data_error("invalid window size") end
  -- The library has no dictionary to give; zlib asks for it once it has
  -- read the dictionary's id.
  if flg % 64 >= 32 then return stored < 6 and truncated or need_dictionary end
  return nil
end

-- The Adler-32 of the bytes of `range`, read 64 KiB at a time, sixteen bytes
-- a step and reduced every 4096 bytes, where both sums are still exact in a
-- double: memory stays that of one piece, whatever the length.
local piece_size, reduce_every, modulus = 65536, 4096, 65521
local function adler32(range)
  local a, b, n = 1, 0, range:len()
  for from = 0, n - 1, piece_size do
    local s = range:raw(from, min(piece_size, n - from))
    local length = #s
    local whole = length - length % 16
    for start = 1, whole, reduce_every do
      for i = start, min(start + reduce_every - 1, whole), 16 do
        local b1, b2, b3, b4, b5, b6, b7, b8, b9, b10, b11, b12, b13, b14,
          b15, b16 = byte(s, i, i + 15)
        b = b + 16 * a + 16 * b1 + 15 * b2 + 14 * b3 + 13 * b4 + 12 * b5
          + 11 * b6 + 10 * b7 + 9 * b8 + 8 * b9 + 7 * b10 + 6 * b11 + 5 * b12
          + 4 * b13 + 3 * b14 + 2 * b15 + b16
        a = a + b1 + b2 + b3 + b4 + b5 + b6 + b7 + b8 + b9 + b10 + b11 + b12
          + b13 + b14 + b15 + b16
      end
      a, b = a % modulus, b % modulus
    end
    for i = whole + 1, length do
      a = a + byte(s, i)
      b = b + a
    end
    a, b = a % modulus, b % modulus
  end
  return b * 65536 + a
end

local function big_endian32(value)
  return char(math.floor(value / 16777216), math.floor(value / 65536) % 256,
    math.floor(value / 256) % 256, value % 256)
end

-- Inflates the zlib part whose stored bytes are `range`, with Wireshark's
-- inflating, once. Returns the payload's length and its bytes as a TvbRange
-- of a new data source `name` (nil when empty), or nil and the refusal's
-- text.
local function inflate_part(range, name)
  local refusal = header_refusal(range)
  if refusal then return nil, refusal end
  local inflated = range:uncompress(name)
  if not inflated then return nil, damaged_stream(0) end
  local length = inflated:len()
  -- What Wireshark returns is zlib's output as far as it goes, and the
  -- library stops inflating as soon as the output passes the limit.
  if length > max_payload then return nil, payload_too_long end
  local check = adler32(inflated)
  local stored = range:len()
  -- The stream ends with its check where nothing is stored after it; else
  -- the check is looked for after the header.
  local ends_with_check =
    stored >= 4 and range:range(stored - 4, 4):uint() == check
  if not ends_with_check
      and not range:raw():find(big_endian32(check), 3, true) then
    return nil, damaged_stream(length)
  end
  return length, length > 0 and inflated or nil
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
