# SPDX-License-Identifier: MIT
# The vexal package against the C++ library and the `vexal` tool: wire bytes,
# round trips through every bytes-like type, the library's exact error texts
# and codes, parts shared with their message, every getter, reading in place
# and straight into a reader, streams (files, pipes, asyncio), and files
# exchanged with the tool both ways.
import array
import asyncio
import contextlib
import copy
import io
import json
import os
import pickle
import subprocess
import threading

import pytest

import vexal
from vexal import Compression as C, ErrorCode as E, Format as F, Message, Part

TOOL = os.environ.get("VEXAL_TOOL")
AB = bytes.fromhex("0103000000000002aabb0203000000000000")  # b"\xaa\xbb", b""
BIG = bytes(range(256)) * 40  # 10 KiB


def message(first=b"", second=b"", c1=C.NONE, c2=C.NONE, f1=F.BYTES, f2=F.BYTES):
    return Message(Part(first, f1, c1), Part(second, f2, c2))


SAMPLES = [
    message(),
    message(b"\xaa\xbb"),
    message(b"abc", b"z" * 33000, c2=C.ZLIB_DEFAULT, f1=F.APPLICATION_1),
    message(BIG, b"payload", c1=C.ZLIB_DEFAULT, f2=F.APPLICATION_2),
    message(BIG, BIG * 3),
]


def test_names_and_values_are_the_library_ones():
    assert [(m.name, m.value) for m in F] == [("BYTES", 0), ("APPLICATION_1", 1), ("APPLICATION_2", 2)]
    assert [m.value for m in C] == list(range(13)) and C.ZLIB_LEVEL_9 == 12
    assert vexal.__version__ == "0.0.1" and issubclass(vexal.Error, ValueError)


@pytest.mark.parametrize("kind", [bytes, bytearray, memoryview, lambda b: array.array("B", b)])
def test_compose_and_parse_any_bytes_like(kind):
    assert Message(kind(b"\xaa\xbb"), kind(b"")).compose() == AB
    parsed, end = vexal.parse(kind(b"junk" + AB + AB), 4, limits=vexal.Limits.unlimited())
    assert (parsed, end) == (message(b"\xaa\xbb"), 22)
    assert [type(parsed.first.format), type(parsed.second.compression)] == [F, C]


@pytest.mark.parametrize("sample", SAMPLES)
def test_stream_parses_back_in_order_and_no_prefix_parses(sample):
    wire = sample.compose()
    stream = wire + SAMPLES[1].compose()
    assert vexal.parse(stream) == (sample, len(wire))
    assert vexal.parse(stream, len(wire)) == (SAMPLES[1], len(stream))
    assert vexal.parse(wire[:-1]) == (None, 0)
    assert vexal.parse(wire, len(wire) + 5) == (None, len(wire) + 5)


def message_rows():
    """The rows of tests/data/messages.txt, whose header says what each field is."""
    path = os.path.join(os.path.dirname(__file__), os.pardir, "data", "messages.txt")
    with open(path, encoding="utf-8") as lines:
        for number, line in enumerate(lines, 1):
            if line.strip() and not line.startswith("#"):
                data, offset, most, payload, status, code, at, end, text = line.split("|")
                limit = [None if f.strip() == "-" else int(f) for f in (most, payload)]
                yield pytest.param(bytes.fromhex(data), int(offset), limit, status.strip(), code.strip(), int(at),
                                   int(end), text.strip()[1:-1], id=f"messages.txt:{number}")


@pytest.mark.parametrize("data, offset, limit, status, code, at, end, text", message_rows())
def test_parse_reads_the_shared_table_of_messages(data, offset, limit, status, code, at, end, text):
    unlimited = vexal.Limits.unlimited().max_message_size
    limits = vexal.Limits(*(unlimited if x is None else x for x in limit))
    if status == "OK":
        parsed, got = vexal.parse(data, offset, limits=limits)
        assert got == end and vexal.parse(data[offset:end], limits=limits) == (parsed, end - offset)
        return
    if code == "NONE" or status == "INVALID_ARGUMENT":  # C alone refuses an offset past the end
        assert vexal.parse(data, offset, limits=limits) == (None, offset)
        return
    with pytest.raises(vexal.Error) as raised:
        vexal.parse(data, offset, limits=limits)
    kind = vexal.LimitError if status.endswith("TOO_LONG") else vexal.Error
    error = raised.value
    assert (type(error), error.code, error.offset, error.field_offset, str(error)) == (kind, E[code], offset, at, text)


def test_parts_are_the_message_own_and_keep_it_alive():
    m = Message(Part(b"x", F.APPLICATION_1))
    first, second = m.first, m.second
    del m
    first.payload, second.compression = bytearray(b"yz"), C.ZLIB_BEST_SPEED
    assert (first.type, second.type, Part().type) == (1, 0, 0)
    assert type(Part(format=3).format) is int and type(first.format) is F
    with pytest.raises(vexal.Error, match="^Unknown vexal format$"):
        Message(second=Part(format=3)).compose()
    assert Message(first, second) == message(b"yz", c2=C.ZLIB_BEST_SPEED, f1=F.APPLICATION_1)
    assert first == Part(b"yz", F.APPLICATION_1) and first != second
    assert (Message() == b"", Part() == 0, Message() != None) == (False, False, True)  # noqa: E711


@pytest.mark.parametrize("change", [
    lambda m: setattr(m, "second", Part(b"other", F.APPLICATION_1)), lambda m: setattr(m.second, "compression", C.ZLIB_DEFAULT),
    lambda m: memoryview(m.second).release(), lambda m: m == m, lambda m: setattr(m.second, "payload", bytearray()),
])
def test_a_part_taken_from_a_parsed_message_reads_alike_after_any_change_of_the_other(change):
    m = vexal.parse(message(b"abc", b"de", f1=F.APPLICATION_2, f2=F.APPLICATION_1).compose())[0]
    first, second_format = m.first, m.second.format
    assert (first.format, second_format, first.compression, len(first)) == (F.APPLICATION_2, F.APPLICATION_1, C.NONE, 3)
    change(m)
    assert (first.format, first.compression, first.payload, bytes(first), len(first)) == (
        F.APPLICATION_2, C.NONE, b"abc", b"abc", 3)
    assert vexal.parse(m.compose())[0] == m and m.second.format == second_format


def test_changes_wait_for_a_compose_running_without_the_gil():
    m, wires = message(BIG * 100, c1=C.ZLIB_BEST_SPEED), []
    worker = threading.Thread(target=lambda: wires.extend(m.compose() for _ in range(5)))
    worker.start()
    while worker.is_alive():
        m.first.payload = m.first.payload[::-1]
    worker.join()
    assert {vexal.parse(w)[0].first.payload for w in wires} <= {BIG * 100, (BIG * 100)[::-1]}


def refused(m):
    with pytest.raises(TypeError):
        m.first = 5
    return m


@pytest.mark.parametrize("change, first, second", [
    (lambda m: m, BIG, b"tail"), (copy.deepcopy, BIG, b"tail"), (refused, BIG, b"tail"),
    (lambda m: pickle.loads(pickle.dumps(m)), BIG, b"tail"), (lambda m: eval(repr(m), vars(vexal)), BIG, b"tail"),
    (lambda m: setattr(m.second, "payload", b"new") or m, BIG, b"new"),
    (lambda m: setattr(m, "second", m.first) or m, BIG, BIG),
])
def test_a_message_made_of_bytes_is_one_made_of_parts(change, first, second):
    m, expected = change(Message(BIG, b"tail")), message(first, second)
    assert (m.compose(), m.first.payload, bytes(m.second)) == (expected.compose(), first, second)
    assert m == expected


def test_payloads_read_while_another_thread_composes_without_the_gil():
    m, wires = Message(Part(BIG * 100, compression=C.ZLIB_BEST_SPEED), BIG), []
    worker = threading.Thread(target=lambda: wires.extend(m.compose() for _ in range(3)))
    worker.start()
    while worker.is_alive():
        assert m.second.payload == bytes(memoryview(m.second)) == BIG
    worker.join()
    assert set(wires) == {message(BIG * 100, BIG, c1=C.ZLIB_BEST_SPEED).compose()}


def tool(*args, data=None):
    return subprocess.run([TOOL, *map(str, args)], input=data, capture_output=True, check=True).stdout


@pytest.mark.skipif(not TOOL, reason="the vexal tool is not built")
def test_python_and_the_tool_read_each_other(tmp_path):
    wire = b"".join(s.compose() for s in SAMPLES)
    parts = [json.loads(line)["parts"] for line in tool("inspect", "--json", "-", data=wire).splitlines()]
    assert [[p["payload"] for p in m] for m in parts] == [[len(s.first.payload), len(s.second.payload)] for s in SAMPLES]
    assert tool("unpack", "-", "--index", 3, "--first", "-", data=wire) == BIG
    (tmp_path / "a").write_bytes(BIG)
    (tmp_path / "b").write_bytes(b"body" * 999)
    tool("pack", tmp_path / "a", tmp_path / "b", "--first-format", 2, "-o", tmp_path / "raw")
    tool("pack", tmp_path / "a", tmp_path / "b", "--second-compression", "zlib_best_compression", "-o", tmp_path / "z")
    assert (tmp_path / "raw").read_bytes() == message(BIG, b"body" * 999, f1=F.APPLICATION_2).compose()
    assert vexal.parse((tmp_path / "z").read_bytes())[0] == message(BIG, b"body" * 999, c2=C.ZLIB_DEFAULT)


def test_reader_fed_byte_by_byte_yields_each_message_once():
    wire, reader, got = b"".join(s.compose() for s in SAMPLES), vexal.Reader(), []
    for i in range(len(wire)):
        reader.feed(memoryview(wire)[i:i + 1])
        got.extend(reader)
    assert got == SAMPLES and (reader.offset, reader.buffered, reader.needed > 0) == (len(wire), 0, True)
    reader.feed(AB[:17])
    assert (list(reader), reader.buffered, reader.needed) == ([], 17, 1)


LONG_WIRE = message(BIG, b"z" * 70000, c2=C.ZLIB_DEFAULT).compose()


@pytest.mark.parametrize("wire, limits, text", [
    (LONG_WIRE, (len(LONG_WIRE) - 1, 70000), "vexal message too long"),
    (LONG_WIRE, (len(LONG_WIRE), 69999), "vexal payload too long"),
    (b"\x01\x03\x00\x00\xff\xff\xff\xff", (64 << 20, 64 << 20), "vexal message too long"),
], ids=["message", "payload", "4-GiB-header"])
def test_limits_refuse_with_the_library_text(wire, limits, text):
    with pytest.raises(vexal.Error, match=f"^{text}$"):
        vexal.parse(wire, limits=vexal.Limits(*limits))
    reader = vexal.Reader(*limits)
    reader.feed(wire)
    for _ in range(2):  # the same error until skip()
        with pytest.raises(vexal.Error, match=f"^{text}$"):
            next(reader)
    reader.skip()
    reader.feed(AB)
    assert list(reader) == ([] if len(wire) == 8 else [message(b"\xaa\xbb")])


@pytest.mark.parametrize("cut", [0, 1, 8, 17, len(AB) - 1])
@pytest.mark.parametrize("opener", ["path", "file", "reader"])
def test_iter_messages_reads_files_and_reports_where_a_stream_was_cut(tmp_path, cut, opener):
    wire = b"".join(s.compose() for s in SAMPLES)
    (tmp_path / "m").write_bytes(wire + AB[:cut])
    sources = {"path": lambda: tmp_path / "m", "file": lambda: open(tmp_path / "m", "rb"),
               "reader": lambda: type("R", (), {"read": open(tmp_path / "m", "rb").read})()}
    got = []
    with pytest.raises(vexal.TruncatedError) if cut else contextlib.nullcontext() as raised:
        got.extend(vexal.iter_messages(sources[opener](), chunk_size=1000))
    assert got == SAMPLES
    assert not cut or (raised.value.offset, raised.value.needed) == (len(wire), 8 - cut if cut < 8 else len(AB) - cut)


@pytest.mark.parametrize("value", [SAMPLES[2], SAMPLES[3].second, Part(format=7), vexal.Limits(5, 6)])
def test_values_pickle_copy_and_repr_back_to_equal_objects(value):
    for copied in (copy.copy(value), copy.deepcopy(value), pickle.loads(pickle.dumps(value)),
                   eval(repr(value), vars(vexal))):
        assert copied == value and copied is not value
    assert vexal.Limits(5, 6) != vexal.Limits(5, 7)


@pytest.mark.parametrize("change", [
    lambda m: setattr(m.first, "payload", b"new"), lambda m: setattr(m.first, "format", 1),
    lambda m: setattr(m, "first", None), lambda m: setattr(m, "first", Part(b"new")),
])
def test_a_part_lends_its_payload_and_refuses_changes_while_viewed(change):
    m = message(b"payload", b"second")
    with memoryview(m.first) as view:
        assert (view.tobytes(), view.readonly, len(m.first)) == (b"payload", True, 7)
        m.second.payload = b"free"  # the other part is not viewed
        with pytest.raises(BufferError):
            change(m)
        assert bytes(view) == m.first.payload == b"payload"
    change(m)
    assert m.first != Part(b"payload")


def test_reader_errors_carry_their_kind_and_the_message_offset():
    reader = vexal.Reader(limits=vexal.Limits(max_payload_size=2))
    reader.feed(AB + message(b"abc").compose() + b"\x05" + AB[1:])
    assert next(reader) == message(b"\xaa\xbb") and reader.wire == (0, 18, ((2, False, 0), (0, False, 0)))
    for kind, offset in ((vexal.LimitError, 18), (vexal.Error, 37)):
        with pytest.raises(kind) as raised:
            next(reader)
        assert raised.value.offset == offset and (kind is vexal.Error) != isinstance(raised.value, vexal.LimitError)
        reader.skip()


@pytest.mark.parametrize("sample", SAMPLES[1:])
def test_a_view_reads_in_place_and_keeps_the_buffer_alive(sample):
    data = bytearray(b"pad" + sample.compose())
    view, end = vexal.parse_view(data, 3, limits=vexal.Limits.unlimited())
    assert (end, view.size, vexal.parse_view(data[:-1], 3)) == (len(data), len(data) - 3, (None, 3))
    parts = [view.first, view.second]
    assert [bytes(p.payload) for p in parts] == [sample.first.payload, sample.second.payload]
    stored = parts[0].stored
    del view, parts
    with pytest.raises(BufferError):
        data.append(0)
    assert stored.readonly and bytes(stored) == data[11:11 + len(stored)]


@pytest.mark.parametrize("sample", SAMPLES[1:])
def test_reader_views_outlive_the_readers_buffer(sample):
    wire, reader = sample.compose(), vexal.Reader()
    reader.feed(wire + wire[:-1])
    view = reader.next_view()
    assert reader.next_view() is None
    reader.feed(wire[-1:] + b"\x05" + AB[1:])
    assert reader.next_view().size == view.size == len(wire)
    assert [bytes(p.payload) for p in (view.first, view.second)] == [sample.first.payload, sample.second.payload]
    with pytest.raises(vexal.Error) as raised:
        reader.next_view()
    assert raised.value.offset == 2 * len(wire)


@pytest.mark.parametrize("call, error", [
    (lambda: vexal.parse("text"), TypeError), (lambda: vexal.parse(AB, -1), OverflowError),
    (lambda: vexal.parse(AB, 0, None), TypeError), (lambda: vexal.parse(AB, limits=3), TypeError),
    (lambda: vexal.parse(AB, data=AB), TypeError), (lambda: vexal.parse(AB, size=1), TypeError),
    (lambda: setattr(Part(), "payload", "text"), TypeError), (lambda: vexal.Reader(1, limits=vexal.Limits()), TypeError),
])
def test_bad_arguments_raise_python_errors_naming_python_types(call, error):
    with pytest.raises(error) as raised:
        call()
    assert "kelvo" not in str(raised.value) and "incompatible" not in str(raised.value)
    assert vexal.parse(data=AB, offset=0, limits=None) == (message(b"\xaa\xbb"), 18)


@pytest.mark.parametrize("first, second, text", [
    (Part(format=7), Part(compression=99), "Unknown vexal format"),
    (Part(compression=99), Part(format=7), "Unknown vexal compression"),
    (Part(b"ok", compression=C.ZLIB_LEVEL_2), Part(format=-1, compression=C.ZLIB_DEFAULT), "Unknown vexal format"),
])
def test_compose_reports_the_first_part_fault_first(first, second, text):
    with pytest.raises(vexal.Error, match=f"^{text}$"):
        Message(first, second).compose()


def test_compose_lays_a_raw_part_out_as_is_beside_a_compressed_one():
    m = message(BIG, BIG * 2, c2=C.ZLIB_BEST_SPEED, f2=F.APPLICATION_2)
    wire = m.compose()
    assert wire[:8] == bytes.fromhex("01030000") + len(BIG).to_bytes(4, "big") and wire[8:8 + len(BIG)] == BIG
    assert vexal.parse(wire) == (message(BIG, BIG * 2, c2=C.ZLIB_DEFAULT, f2=F.APPLICATION_2), len(wire))
    empty = message(b"", c1=C.ZLIB_DEFAULT).compose()  # an empty payload is still a zlib stream
    assert empty[2] == 1 and vexal.parse(empty)[0] == message(c1=C.ZLIB_DEFAULT)


ZLIB_PART = message(b"", BIG, c2=C.ZLIB_BEST_SPEED, f2=F.APPLICATION_2).compose()


GETTERS = [
    (lambda: Part(b"ab", F.APPLICATION_1, C.ZLIB_LEVEL_3), "payload", b"ab"),
    (lambda: Part(b"ab", F.APPLICATION_1, C.ZLIB_LEVEL_3), "format", F.APPLICATION_1),
    (lambda: Part(b"ab", F.APPLICATION_1, C.ZLIB_LEVEL_3), "compression", C.ZLIB_LEVEL_3),
    (lambda: Part(b"ab", 9, 77), "format", 9),
    (lambda: Part(b"ab", 9, 77), "compression", 77),
    (lambda: Part(b"ab"), "type", 0),
    (lambda: message(b"abc").first, "type", 1),
    (lambda: message(b"abc").second, "type", 0),
    (lambda: message(b"abc").first, "payload", b"abc"),
    (lambda: vexal.parse_view(ZLIB_PART)[0].first, "stored", b""),
    (lambda: vexal.parse_view(ZLIB_PART)[0].first, "payload", b""),
    (lambda: vexal.parse_view(ZLIB_PART)[0].first, "format", F.BYTES),
    (lambda: vexal.parse_view(ZLIB_PART)[0].first, "compression", C.NONE),
    (lambda: vexal.parse_view(ZLIB_PART)[0].first, "compressed", False),
    (lambda: vexal.parse_view(ZLIB_PART)[0].second, "stored", ZLIB_PART[16:]),
    (lambda: vexal.parse_view(ZLIB_PART)[0].second, "payload", BIG),
    (lambda: vexal.parse_view(ZLIB_PART)[0].second, "format", F.APPLICATION_2),
    (lambda: vexal.parse_view(ZLIB_PART)[0].second, "compression", C.ZLIB_DEFAULT),
    (lambda: vexal.parse_view(ZLIB_PART)[0].second, "compressed", True),
]


@pytest.mark.parametrize("make, name, expected", GETTERS, ids=[f"{i}-{case[1]}" for i, case in enumerate(GETTERS)])
def test_every_getter_of_part_and_part_view(make, name, expected):
    value = getattr(make(), name)
    assert value == expected and type(value) is type(expected) or isinstance(value, memoryview)
    if isinstance(value, memoryview):
        assert value.readonly and bytes(value) == expected


def test_every_part_and_part_view_property_is_in_the_getter_table():
    names = {name for _, name, _ in GETTERS}
    for kind in (Part, vexal.PartView):
        assert {n for n, v in vars(kind).items() if type(v).__name__ == "getset_descriptor"} <= names


@pytest.mark.parametrize("call, kind, code, offset, text", [
    (lambda: vexal.parse_view(b"pad" + AB[:1] + b"\x09" + AB[2:], 3), vexal.Error, E.UNKNOWN_FORMAT_CODE, 3,
     "Unknown vexal format (raw)"),
    (lambda: vexal.parse_view(ZLIB_PART, limits=vexal.Limits(max_payload_size=100))[0].second.payload,
     vexal.LimitError, E.PAYLOAD_TOO_LONG, 0, "vexal payload too long"),
    (lambda: Message(Part(format=7)).compose(), vexal.Error, E.UNKNOWN_FORMAT, None, "Unknown vexal format"),
    (lambda: Message(Part(compression=99)).compose(), vexal.Error, E.UNKNOWN_COMPRESSION, None,
     "Unknown vexal compression"),
], ids=["view-format-code", "view-payload-limit", "format", "compression"])
def test_every_error_carries_its_code_and_the_offset_of_the_message(call, kind, code, offset, text):
    with pytest.raises(vexal.Error) as raised:
        call()
    assert (type(raised.value), raised.value.code, raised.value.offset, str(raised.value)) == (kind, code, offset, text)


def test_error_codes_are_the_library_ones():
    names = ["INPUT_TOO_SHORT", "POSITION_OUT_OF_RANGE", "UNKNOWN_TYPE", "UNKNOWN_FORMAT", "UNKNOWN_COMPRESSION",
             "UNKNOWN_TYPE_CODE", "UNKNOWN_FORMAT_CODE", "UNKNOWN_COMPRESSION_CODE", "PARTS_PAYLOAD_TOO_LONG",
             "ZLIB_FAILED", "MESSAGE_TOO_LONG", "PAYLOAD_TOO_LONG", "OUT_OF_MEMORY", "COMPRESSED_PART"]
    assert [(m.name, m.value) for m in E] == list(zip(names, range(1, 15)))


def test_a_reader_reads_in_place_into_the_room_it_lends():
    wire, reader = b"".join(s.compose() for s in SAMPLES), vexal.Reader()
    got, at = [], 0
    while at < len(wire):
        room = reader.prepare(1000)
        assert len(room) == 1000 and not room.readonly and reader.capacity >= reader.buffered + 1000
        count = len(wire[at:at + 1000])
        room[:count] = wire[at:at + count]
        reader.commit(count)
        at += count
        got.extend(reader)
        assert reader.at_boundary == (reader.buffered == 0)
    assert got == SAMPLES
    with pytest.raises(ValueError):
        room[0]  # released by the reader's next call
    reader.prepare(10)
    with pytest.raises(ValueError):
        reader.commit(11)


@pytest.mark.parametrize("call", [
    lambda r: r.commit(0), lambda r: r.feed(b"x"), lambda r: r.prepare(1), lambda r: next(r, None),
    lambda r: r.next_view(), lambda r: r.skip(),
])
def test_a_reader_refuses_to_move_its_room_while_a_view_of_it_is_held(call):
    reader = vexal.Reader()
    held = reader.prepare(10)[2:5]
    with pytest.raises(BufferError):
        call(reader)
    del held
    call(reader)
    with pytest.raises(BufferError):
        memoryview(reader)


def test_at_boundary_tells_a_clean_end_from_a_skipped_message():
    reader = vexal.Reader(max_message_size=20)
    reader.feed(AB)
    assert next(reader) == message(b"\xaa\xbb") and reader.at_boundary
    reader.feed(message(BIG).compose()[:100])
    assert not reader.at_boundary
    with pytest.raises(vexal.LimitError):
        next(reader)
    reader.skip()
    assert (reader.buffered, reader.at_boundary) == (0, False)
    reader.feed(message(BIG).compose()[100:] + AB)
    assert list(reader) == [message(b"\xaa\xbb")] and reader.at_boundary


STREAM = AB + b"\x05" + AB[1:] + SAMPLES[2].compose() + AB[:9]
ITEMS = [(0, AB), (18, "Unknown vexal type (raw)"), (36, SAMPLES[2].compose()),
         (36 + len(SAMPLES[2].compose()), "vexal stream ends inside a message")]


def as_expected(item):
    offset, value = item
    return (offset, vexal.parse(value)[0] if isinstance(value, bytes) else value)


@pytest.mark.parametrize("with_offsets", [False, True])
def test_iter_messages_goes_on_past_refusals_with_their_offsets(with_offsets):
    got = list(vexal.iter_messages(io.BytesIO(STREAM), with_offsets=with_offsets, keep_going=True, chunk_size=7))
    expected = [as_expected(item) for item in ITEMS]
    pairs = got if with_offsets else list(zip([o for o, _ in expected], got))
    assert [(o, str(v) if isinstance(v, vexal.Error) else v) for o, v in pairs] == expected
    assert [e.offset for _, e in pairs if isinstance(e, vexal.Error)] == [18, ITEMS[3][0]]
    assert list(vexal.iter_messages(io.BytesIO(AB * 2), with_offsets=True)) == [(0, message(b"\xaa\xbb")), (18, message(b"\xaa\xbb"))]


@pytest.mark.parametrize("source", [
    type("NoDataYet", (), {"readinto": lambda self, buffer: None})(),
    type("NoDataYet", (), {"read": lambda self, size: None})(),
])
def test_iter_messages_on_a_source_with_no_data_yet_raises_blocking_io_error(source):
    with pytest.raises(BlockingIOError):
        next(vexal.iter_messages(source))


def test_aiter_messages_reads_an_asyncio_stream():
    async def read(data, **options):
        stream = asyncio.StreamReader()
        stream.feed_data(data)
        stream.feed_eof()
        return [item async for item in vexal.aiter_messages(stream, chunk_size=5, **options)]

    assert asyncio.run(read(STREAM[:36 + len(SAMPLES[2].compose())], keep_going=True, with_offsets=True))[1][0] == 18
    items = asyncio.run(read(STREAM, keep_going=True))
    assert [str(i) if isinstance(i, vexal.Error) else i for i in items] == [v for _, v in map(as_expected, ITEMS)]
    with pytest.raises(vexal.Error, match="raw"):
        asyncio.run(read(STREAM))


def test_a_lent_room_never_moves_under_a_feed_running_without_the_gil():
    reader, fed, taken, committed = vexal.Reader(), [0], [0], 0
    large = AB * 4000  # over 64 KiB: fed without the GIL

    def feed():
        for _ in range(50):
            with contextlib.suppress(BufferError):
                reader.feed(large)
                fed[0] += 4000
            with contextlib.suppress(BufferError):
                taken[0] += sum(1 for _ in reader)

    worker = threading.Thread(target=feed)
    worker.start()
    # Bounded, so that the worker's reading loop, which runs until no whole
    # message is left, can catch up with what this thread commits.
    while worker.is_alive() and committed < 20000:
        with contextlib.suppress(BufferError, ValueError):  # refused, or released by the other thread
            room = reader.prepare(len(AB))
            room[:] = AB
            reader.commit(len(AB))
            committed += 1
    worker.join()
    assert taken[0] + len(list(reader)) == fed[0] + committed and reader.at_boundary


@pytest.mark.parametrize("base, arguments", [(Message, (b"a", b"b")), (Part, (b"a",)), (vexal.Limits, (5, 6)),
                                             (vexal.Reader, (5, 6))])
def test_the_classes_a_user_makes_can_be_subclassed(base, arguments):
    subclass = type("Sub", (base,), {"extra": 1})
    made = subclass(*arguments)
    assert isinstance(made, base) and made.extra == 1
    if base is not vexal.Reader:
        assert made == base(*arguments)
