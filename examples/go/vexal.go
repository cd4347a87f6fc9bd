// SPDX-License-Identifier: MIT

// Package vexal reads and writes vexal messages through libvexal's C
// interface, with cgo and no C of its own: every call passes Go memory
// that holds no Go pointer, and nothing the library returns is kept as a
// pointer. A parsed part's stored bytes are a slice of the caller's data,
// cut at the offset the library reports; composing and inflating write
// straight into Go slices, sized by the library's bound.
//
// It links the installed library through pkg-config (vexal.pc).
package vexal

// #cgo pkg-config: vexal
// #include <vexal/vexal.h>
import "C"

import (
	"errors"
	"unsafe"
)

// Formats and compressions, as the C interface names them.
const (
	FormatBytes        = C.VEXAL_FORMAT_BYTES
	FormatApplication1 = C.VEXAL_FORMAT_APPLICATION_1
	FormatApplication2 = C.VEXAL_FORMAT_APPLICATION_2
	CompressionNone    = C.VEXAL_COMPRESSION_NONE
	CompressionDefault = C.VEXAL_COMPRESSION_ZLIB_DEFAULT
	CompressionBest    = C.VEXAL_COMPRESSION_ZLIB_BEST_COMPRESSION
)

// ErrNeedMore says that the bytes end inside a message.
var ErrNeedMore = errors.New("vexal: more bytes are needed")

// Error is a refusal: the library's status and code names, the offset of
// the field at fault and the library's text.
type Error struct {
	Status, Code string
	Offset       uint64
	Text         string
}

func (e *Error) Error() string { return e.Text }

// Limits bounds what one message may cost; nil means no limits.
type Limits struct{ MaxMessageSize, MaxPayloadSize uint64 }

// Part is one part of a parsed message.
type Part struct {
	Format     int
	Compressed bool
	// Stored is the part's stored bytes: a slice of the data parsed when
	// the message lay there, else a copy.
	Stored []byte
}

// Message is a parsed message and its size on the wire.
type Message struct {
	First, Second Part
	Size          int
}

// failure turns a status into nil, ErrNeedMore or an *Error.
func failure(status C.vexal_status_t, e *C.vexal_error_t) error {
	switch status {
	case C.VEXAL_OK:
		return nil
	case C.VEXAL_NEED_MORE:
		return ErrNeedMore
	}
	return &Error{C.GoString(C.vexal_status_name(status)), C.GoString(C.vexal_code_name(C.int(e.code))),
		uint64(e.offset), C.GoString(&e.text[0])}
}

func climits(l *Limits) *C.vexal_limits_t {
	if l == nil {
		return nil
	}
	return &C.vexal_limits_t{C.size_t(l.MaxMessageSize), C.size_t(l.MaxPayloadSize)}
}

// first is a pointer to the first byte of b, or nil when b is empty.
func first(b []byte) *C.uint8_t {
	if len(b) == 0 {
		return nil
	}
	return (*C.uint8_t)(unsafe.Pointer(&b[0]))
}

// message converts m, whose stored offsets count from base; with base nil
// the stored bytes are copied out of the library's memory.
func message(m *C.vexal_message_t, base []byte) Message {
	part := func(p *C.vexal_part_t) Part {
		stored := C.GoBytes(unsafe.Pointer(p.stored), C.int(p.stored_size))
		if base != nil {
			stored = base[p.stored_offset : p.stored_offset+p.stored_size]
		}
		return Part{int(p.format), p.compressed != 0, stored}
	}
	return Message{part(&m.first), part(&m.second), int(m.size)}
}

// Parse reads the message at data[offset:] in place and returns it with the
// offset just past it.
func Parse(data []byte, offset int, limits *Limits) (Message, int, error) {
	var m C.vexal_message_t
	var e C.vexal_error_t
	var end C.size_t
	status := C.vexal_parse(first(data), C.size_t(len(data)), C.size_t(offset), climits(limits), &m, &end, &e)
	if err := failure(status, &e); err != nil {
		return Message{}, offset, err
	}
	return message(&m, data), int(end), nil
}

// Payload is the part's payload: its stored bytes, or their zlib stream
// inflated within limits, into a slice sized by what the library needs.
func (p Part) Payload(limits *Limits) ([]byte, error) {
	out := make([]byte, len(p.Stored))
	for {
		var e C.vexal_error_t
		var size C.size_t
		compressed := C.int(0)
		if p.Compressed {
			compressed = 1
		}
		status := C.vexal_payload_into(first(p.Stored), C.size_t(len(p.Stored)), compressed, climits(limits),
			first(out), C.size_t(len(out)), &size, &e)
		if status == C.VEXAL_OUTPUT_TOO_SMALL {
			out = make([]byte, size)
			continue
		}
		if err := failure(status, &e); err != nil {
			return nil, err
		}
		return out[:size], nil
	}
}

// Compose writes the message of two parts, each a payload with its format
// and compression, into a new slice of the library's bound.
func Compose(payload1 []byte, format1, compression1 int, payload2 []byte, format2, compression2 int) ([]byte, error) {
	bound := C.vexal_compose_bound(C.size_t(len(payload1)), C.int(compression1), C.size_t(len(payload2)),
		C.int(compression2))
	out := make([]byte, bound)
	var e C.vexal_error_t
	var size C.size_t
	status := C.vexal_compose_into(first(payload1), C.size_t(len(payload1)), C.int(format1), C.int(compression1),
		first(payload2), C.size_t(len(payload2)), C.int(format2), C.int(compression2),
		first(out), C.size_t(len(out)), &size, &e)
	if err := failure(status, &e); err != nil {
		return nil, err
	}
	return out[:size], nil
}

// Reader cuts a stream that arrives in slices into messages, reading each
// message in place when it lies within one slice.
type Reader struct{ r *C.vexal_reader_t }

// NewReader is an empty reader; Close releases it.
func NewReader(limits *Limits) *Reader { return &Reader{C.vexal_reader_new(climits(limits))} }

// Close releases the reader and what it holds.
func (r *Reader) Close() { C.vexal_reader_free(r.r) }

// Read takes the next message from what the reader holds followed by data,
// and the bytes of data it used; call it again with data[used:] until it
// returns ErrNeedMore. A message that lay wholly in data slices it; one cut
// between slices is copied. After a refusal, Skip drops the message.
func (r *Reader) Read(data []byte) (Message, int, error) {
	var m C.vexal_message_t
	var e C.vexal_error_t
	var used C.size_t
	status := C.vexal_reader_read(r.r, first(data), C.size_t(len(data)), &used, &m, &e)
	if err := failure(status, &e); err != nil {
		return Message{}, int(used), err
	}
	if m.in_data == 1 {
		return message(&m, data), int(used), nil
	}
	return message(&m, nil), int(used), nil
}

// Skip drops the refused message and goes on with the one after it.
func (r *Reader) Skip() { C.vexal_reader_skip(r.r) }

// Offset is the stream offset of the next message.
func (r *Reader) Offset() uint64 { return uint64(C.vexal_reader_offset(r.r)) }
