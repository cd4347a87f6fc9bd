// SPDX-License-Identifier: MIT

package vexal

import (
	"bytes"
	"errors"
	"testing"
)

var text = []byte("a payload that zlib will shrink, shrink")

func TestComposeParseAndRefuse(t *testing.T) {
	wire, err := Compose(text, FormatApplication1, CompressionBest, []byte("tail"), FormatBytes, CompressionNone)
	if err != nil {
		t.Fatal(err)
	}
	data := append([]byte("pad"), wire...)
	m, end, err := Parse(data, 3, nil)
	if err != nil || end != len(data) || m.Size != len(wire) || !m.First.Compressed {
		t.Fatalf("parse: %v %d %+v", err, end, m)
	}
	// The stored bytes are the caller's own.
	if &m.Second.Stored[0] != &data[len(data)-4] {
		t.Error("the second part's stored bytes are not a slice of the data")
	}
	payload, err := m.First.Payload(nil)
	if err != nil || !bytes.Equal(payload, text) {
		t.Errorf("payload: %q %v", payload, err)
	}
	if _, err := m.First.Payload(&Limits{1 << 20, 38}); err == nil || err.Error() != "vexal payload too long" {
		t.Errorf("a payload over the limit: %v", err)
	}

	bad := []byte{1, 3, 0, 0, 0, 0, 0, 0, 2, 9, 0, 0, 0, 0, 0, 0}
	_, end, err = Parse(bad, 0, nil)
	want := &Error{"VEXAL_MALFORMED", "VEXAL_CODE_UNKNOWN_FORMAT_CODE", 9, "Unknown vexal format (raw)"}
	var got *Error
	if !errors.As(err, &got) || *got != *want || end != 0 {
		t.Errorf("refusal: %+v", err)
	}
	if _, _, err := Parse(wire[:len(wire)-1], 0, nil); err != ErrNeedMore {
		t.Errorf("a cut message: %v", err)
	}
}

func TestReaderReadsSlicesInPlace(t *testing.T) {
	wire, _ := Compose(text, FormatBytes, CompressionDefault, []byte("tail"), FormatBytes, CompressionNone)
	bad := []byte{1, 3, 7, 0, 0, 0, 0, 0, 2, 3, 0, 0, 0, 0, 0, 0}
	stream := append(append(append([]byte{}, wire...), bad...), wire...)
	for _, piece := range []int{1, 7, len(wire), len(stream)} {
		r := NewReader(&Limits{1024, 1024})
		var seen []string
		inData := 0
		for at := 0; at < len(stream); at += piece {
			chunk := stream[at:min(at+piece, len(stream))]
			for {
				m, used, err := r.Read(chunk)
				if err == ErrNeedMore {
					break
				}
				if err != nil {
					seen = append(seen, err.Error())
					r.Skip()
				} else {
					payload, _ := m.First.Payload(nil)
					seen = append(seen, string(payload)+"|"+string(m.Second.Stored))
					if used >= 4 && &m.Second.Stored[0] == &chunk[used-4] {
						inData++
					}
				}
				chunk = chunk[used:]
			}
		}
		want := []string{string(text) + "|tail", "Unknown vexal compression (raw)", string(text) + "|tail"}
		if len(seen) != 3 || seen[0] != want[0] || seen[1] != want[1] || seen[2] != want[2] {
			t.Errorf("pieces of %d: %q", piece, seen)
		}
		if r.Offset() != uint64(len(stream)) || (piece == len(stream)) != (inData == 2) {
			t.Errorf("pieces of %d: offset %d, %d messages read in place", piece, r.Offset(), inData)
		}
		r.Close()
	}
}

func min(a, b int) int {
	if a < b {
		return a
	}
	return b
}
