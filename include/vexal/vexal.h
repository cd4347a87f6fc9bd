/* SPDX-License-Identifier: MIT */
/* libvexal's C interface: read, inflate, compose and stream vexal messages
 * from C, and from any language that calls C (cgo, bindgen, ctypes, cffi,
 * P/Invoke, FFM, N-API).
 *
 * It is C99 on its own (it includes only vexal/export.h and
 * vexal/version_config.h, both C) and compiles as C++ too. Nothing crosses
 * it but plain values: opaque handles, structs the caller owns that hold no
 * pointer a caller must fill, named numbers, and a status for every outcome;
 * no exception leaves it, a lack of memory included (VEXAL_OUT_OF_MEMORY).
 * Output goes into memory the caller owns (`vexal_compose_into`,
 * `vexal_payload_into`, sized with `vexal_compose_bound`) or into a buffer
 * the library allocates, released with `vexal_free`; every reader is
 * released with `vexal_reader_free`.
 *
 * The library's C++ views and stream reader lie underneath: the same checks
 * in the same order (docs/format.md), the same limits and the same texts,
 * however a stream is cut. Like a view, `vexal_parse` and the reader inflate
 * nothing: damaged zlib data, and a compressed payload that inflates past
 * `max_payload_size`, are refused by `vexal_part_payload` and
 * `vexal_payload_into`.
 *
 * A binding generator may define VEXAL_EXPORT as empty before reading this
 * header (`gcc -E -P -DVEXAL_EXPORT=`); every constant a binding needs is a
 * literal or an enumerator.
 *
 * Threads: the library keeps no global state. Distinct readers, and calls
 * on distinct buffers, may run on different threads at once; one reader must
 * not be used by two threads at once.
 */
#ifndef VEXAL_VEXAL_H
#define VEXAL_VEXAL_H

/** @file
 *  libvexal's C interface: named numbers, statuses, caller-owned structs and
 *  memory, and an opaque stream reader over the C++ library's views and
 *  reader. */

#include <stddef.h>
#include <stdint.h>

#include "vexal/export.h"
#include "vexal/version_config.h"

#ifdef __cplusplus
extern "C" {
/** Marks the C functions as throwing nothing, for C++ callers. */
#define VEXAL_C_NOEXCEPT noexcept
#else
/** Nothing in C. */
#define VEXAL_C_NOEXCEPT
#endif

/** The version text of the library the program runs against,
 *  "major.minor.patch", as `vexal --version` prints it. Static storage. */
VEXAL_EXPORT const char* vexal_version_string(void) VEXAL_C_NOEXCEPT;

/** The version of the library the program runs against as one number,
 *  major * 1000000 + minor * 1000 + patch: compare it with
 *  VEXAL_VERSION_NUMBER, the version the program was compiled against. */
VEXAL_EXPORT int vexal_version_number(void) VEXAL_C_NOEXCEPT;

/** A part's type: the part that closes a message, and the one that leads
 *  it. */
enum { VEXAL_PART_SECOND = 0, VEXAL_PART_FIRST = 1 };

/** A part's payload format. */
enum {
  VEXAL_FORMAT_BYTES = 0,
  VEXAL_FORMAT_APPLICATION_1 = 1,
  VEXAL_FORMAT_APPLICATION_2 = 2
};

/** How a part is composed: stored as is, or deflated at one of zlib's
 *  levels. A parsed part says only whether it is compressed: the wire does
 *  not keep the level. */
enum {
  VEXAL_COMPRESSION_NONE = 0,
  VEXAL_COMPRESSION_ZLIB_DEFAULT = 1,
  VEXAL_COMPRESSION_ZLIB_BEST_SPEED = 2,
  VEXAL_COMPRESSION_ZLIB_BEST_COMPRESSION = 3
};
/** The compression that deflates at zlib level `n`, 1 to 9 (4 to 12). */
#define VEXAL_COMPRESSION_ZLIB_LEVEL(n) ((n) + 3)

/** A limit that refuses nothing. */
#define VEXAL_UNLIMITED SIZE_MAX
/** The C++ library's default for each limit, 64 MiB (67108864 bytes): a
 *  sound choice for bytes nobody vouches for. */
#define VEXAL_DEFAULT_LIMIT 67108864
/** The bytes of one part header. */
#define VEXAL_PART_HEADER_SIZE 8
/** The bytes of a message's two part headers. */
#define VEXAL_RAW_HEADERS_SIZE 16
/** The bytes of `vexal_error_t.text`, its closing '\0' included. */
#define VEXAL_ERROR_TEXT_SIZE 160

/** What one message read from untrusted bytes may cost; both limits are
 *  inclusive. A function that takes limits reads NULL as no limits at all
 *  (VEXAL_UNLIMITED for both). */
typedef struct vexal_limits_t {
  /** The largest message on the wire: 16 + L1 + L2 bytes (both headers and
   *  both parts' stored bytes). */
  size_t max_message_size;
  /** The largest payload of one part, as stored or after inflating. */
  size_t max_payload_size;
} vexal_limits_t;

/** The outcome of a call. */
typedef enum vexal_status_t {
  /** Done. */
  VEXAL_OK = 0,
  /** The bytes end inside the message: more are needed. Not an error. */
  VEXAL_NEED_MORE = 1,
  /** A bad code in a header, or damaged zlib data. */
  VEXAL_MALFORMED = 2,
  /** The headers announce a message over `max_message_size`. */
  VEXAL_MESSAGE_TOO_LONG = 3,
  /** A part's payload, stored or inflated, is over `max_payload_size`. */
  VEXAL_PAYLOAD_TOO_LONG = 4,
  /** Memory ran short; nothing was changed but what the function says. */
  VEXAL_OUT_OF_MEMORY = 5,
  /** The caller's arguments are wrong: a NULL pointer where one is needed,
   *  an offset past the end, a format or compression outside its values,
   *  a payload too long for a part, a compressed part handed to
   *  `vexal_raw_headers`, or a commit over the room prepared. */
  VEXAL_INVALID_ARGUMENT = 6,
  /** The caller's room is too small: nothing was written, and the size
   *  out-parameter holds the size needed. */
  VEXAL_OUTPUT_TOO_SMALL = 7
} vexal_status_t;

/** What went wrong, finer than the status: the C++ library's error code
 *  (`kelvo::vexal_errc`), value for value. Each has a fixed text,
 *  `vexal_code_text`. */
typedef enum vexal_code_t {
  /** No failure, or a NULL argument (which has no code of its own). */
  VEXAL_CODE_NONE = 0,
  /** A part header read from fewer than its 8 bytes. */
  VEXAL_CODE_INPUT_TOO_SHORT = 1,
  /** An offset past the end of the input. */
  VEXAL_CODE_POSITION_OUT_OF_RANGE,
  /** A part's type outside its values. */
  VEXAL_CODE_UNKNOWN_TYPE,
  /** A format outside its values (VEXAL_FORMAT_*). */
  VEXAL_CODE_UNKNOWN_FORMAT,
  /** A compression outside its values (VEXAL_COMPRESSION_*). */
  VEXAL_CODE_UNKNOWN_COMPRESSION,
  /** A header's type code is neither 1 nor 2. */
  VEXAL_CODE_UNKNOWN_TYPE_CODE,
  /** A header's format code is not 1, 2 or 3. */
  VEXAL_CODE_UNKNOWN_FORMAT_CODE,
  /** A header's compression code is neither 0 nor 1. */
  VEXAL_CODE_UNKNOWN_COMPRESSION_CODE,
  /** A stored payload over 2^32 - 1 bytes cannot be composed. */
  VEXAL_CODE_PARTS_PAYLOAD_TOO_LONG,
  /** zlib refused the data (damaged, cut short, not a zlib stream) or
   *  could not start; zlib's own words are in the text. */
  VEXAL_CODE_ZLIB_FAILED,
  /** The headers announce a message over `max_message_size`. */
  VEXAL_CODE_MESSAGE_TOO_LONG,
  /** A payload, stored or inflated, over `max_payload_size`. */
  VEXAL_CODE_PAYLOAD_TOO_LONG,
  /** Memory ran short. */
  VEXAL_CODE_OUT_OF_MEMORY,
  /** A compressed part handed to `vexal_raw_headers`. */
  VEXAL_CODE_COMPRESSED_PART
} vexal_code_t;

/** The status's name as it is spelled here ("VEXAL_MALFORMED");
 *  "VEXAL_STATUS_UNKNOWN" for a value that is none. Never NULL. */
VEXAL_EXPORT const char* vexal_status_name(vexal_status_t status)
    VEXAL_C_NOEXCEPT;

/** The code's name as it is spelled here ("VEXAL_CODE_UNKNOWN_FORMAT_CODE");
 *  "VEXAL_CODE_UNKNOWN" for a value that is none. Never NULL. */
VEXAL_EXPORT const char* vexal_code_name(int code) VEXAL_C_NOEXCEPT;

/** The code's fixed text without the numbers a failure may add ("Unknown
 *  vexal format (raw)", "Failed zlib"), as the C++ library's error category
 *  gives it; "unknown vexal error" for a value that is none. Never NULL. */
VEXAL_EXPORT const char* vexal_code_text(int code) VEXAL_C_NOEXCEPT;

/** What went wrong. A function that takes a `vexal_error_t*` fills it on
 *  every return when it is not NULL: `status` as returned, and for
 *  VEXAL_OK, VEXAL_NEED_MORE and VEXAL_OUTPUT_TOO_SMALL code
 *  VEXAL_CODE_NONE, offset 0 and an empty text. */
typedef struct vexal_error_t {
  /** The status the function returned. */
  vexal_status_t status;
  /** What failed; VEXAL_CODE_NONE for a NULL argument. */
  vexal_code_t code;
  /** The offset of the field at fault: in the caller's buffer for
   *  `vexal_parse`, in the stream for the reader (the header byte whose
   *  code is unknown, the length field that announces too much); 0 where
   *  the function reads no offset (`vexal_part_payload`,
   *  `vexal_payload_into`, the compose functions). */
  uint64_t offset;
  /** The library's text, as the C++ library throws it ("Unknown vexal
   *  format (raw)", "Failed zlib::inflate [-3]: incorrect header check"),
   *  numbers and zlib's words included, '\0'-terminated and cut to fit. */
  char text[VEXAL_ERROR_TEXT_SIZE];
} vexal_error_t;

/** One part of a message as it lies in the caller's bytes (or the reader's
 *  buffer): valid while those bytes are, and unchanged. */
typedef struct vexal_part_t {
  /** VEXAL_PART_FIRST for the part that leads the message,
   *  VEXAL_PART_SECOND for the one that closes it. */
  int type;
  /** The payload format, VEXAL_FORMAT_*. */
  int format;
  /** 1 when the stored bytes are a zlib stream, 0 when they are the
   *  payload itself. */
  int compressed;
  /** The stored bytes, just after the part's header. */
  const uint8_t* stored;
  /** The stored length L from the part's header. */
  size_t stored_size;
  /** Where `stored` lies, as an offset from the start of the buffer it
   *  points into: the caller's `data` for `vexal_parse` and for a message
   *  that `vexal_reader_read` found in its chunk (`in_data` 1), the first
   *  byte of the message in the reader's buffer otherwise. For bindings
   *  whose memory rules forbid keeping the pointer. */
  size_t stored_offset;
} vexal_part_t;

/** A two-part message as it lies in the caller's bytes. */
typedef struct vexal_message_t {
  /** The type-1 part, which leads the message. */
  vexal_part_t first;
  /** The type-0 part, which closes the message. */
  vexal_part_t second;
  /** The message's length on the wire: 16 + L1 + L2. */
  size_t size;
  /** 1 when the message lies in the data of the call that returned it
   *  (`vexal_parse`, `vexal_reader_read`), 0 when it lies in the reader's
   *  buffer. */
  int in_data;
} vexal_message_t;

/** Reads the message at `data + offset` in place: both headers are checked
 *  (in the order of docs/format.md); nothing is copied or inflated.
 *  - `data`: the bytes; NULL only when `size` is 0.
 *  - `offset`: where the message starts, at most `size`.
 *  - `limits`: the limits, or NULL for none.
 *  - `message`: set on VEXAL_OK only; its stored offsets count from `data`.
 *  - `end`: set to the offset just past the message on VEXAL_OK, to
 *         `offset` otherwise.
 *  - `error`: the refusal, when not NULL.
 *  @return VEXAL_OK; VEXAL_NEED_MORE when the bytes end inside the message;
 *          VEXAL_MESSAGE_TOO_LONG, VEXAL_PAYLOAD_TOO_LONG or VEXAL_MALFORMED
 *          for a refused message; VEXAL_INVALID_ARGUMENT for a NULL pointer
 *          or an offset past `size` (VEXAL_CODE_POSITION_OUT_OF_RANGE). */
VEXAL_EXPORT vexal_status_t vexal_parse(const uint8_t* data, size_t size,
                                        size_t offset,
                                        const vexal_limits_t* limits,
                                        vexal_message_t* message, size_t* end,
                                        vexal_error_t* error) VEXAL_C_NOEXCEPT;

/** The part's payload in a buffer the library allocates: a copy of the
 *  stored bytes, or their zlib stream inflated (stopping as soon as it
 *  passes `max_payload_size`, so memory never follows the stream).
 *  - `payload`: set to the buffer on VEXAL_OK, to NULL otherwise; release
 *         it with `vexal_free`. An empty payload still gets a buffer.
 *  - `payload_size`: set to the payload's size on VEXAL_OK, 0 otherwise.
 *  @return VEXAL_OK; VEXAL_PAYLOAD_TOO_LONG; VEXAL_MALFORMED for damaged
 *          zlib data (VEXAL_CODE_ZLIB_FAILED, zlib's own words in the
 *          text); VEXAL_OUT_OF_MEMORY; VEXAL_INVALID_ARGUMENT for a NULL
 *          pointer. */
VEXAL_EXPORT vexal_status_t vexal_part_payload(
    const vexal_part_t* part, const vexal_limits_t* limits, uint8_t** payload,
    size_t* payload_size, vexal_error_t* error) VEXAL_C_NOEXCEPT;

/** A part's payload, from its stored bytes, into the caller's memory: the
 *  stored bytes copied, or their zlib stream inflated (stopping as soon as
 *  it passes `max_payload_size`). Takes plain values, so a binding passes
 *  its own memory and a part's fields as `vexal_parse` gave them.
 *  - `stored`, `stored_size`: the part's stored bytes; `stored` NULL only
 *         when `stored_size` is 0.
 *  - `compressed`: nonzero when they are a zlib stream.
 *  - `out`, `out_capacity`: the caller's room; `out` NULL only when
 *         `out_capacity` is 0.
 *  - `payload_size`: set to the payload's size on VEXAL_OK and on
 *         VEXAL_OUTPUT_TOO_SMALL (the size needed), 0 otherwise.
 *  @return VEXAL_OK; VEXAL_OUTPUT_TOO_SMALL, with nothing written past
 *          `out_capacity` (for a compressed part, learning the size needed
 *          costs a whole inflate, within `max_payload_size`);
 *          VEXAL_PAYLOAD_TOO_LONG; VEXAL_MALFORMED for damaged zlib data;
 *          VEXAL_OUT_OF_MEMORY; VEXAL_INVALID_ARGUMENT for a NULL pointer.
 *          The bytes of `out` are unspecified unless VEXAL_OK. */
VEXAL_EXPORT vexal_status_t vexal_payload_into(
    const uint8_t* stored, size_t stored_size, int compressed,
    const vexal_limits_t* limits, uint8_t* out, size_t out_capacity,
    size_t* payload_size, vexal_error_t* error) VEXAL_C_NOEXCEPT;

/** Releases a buffer that the library allocated (`vexal_part_payload`,
 *  `vexal_compose`); NULL is ignored. Only this may release them. */
VEXAL_EXPORT void vexal_free(void* memory) VEXAL_C_NOEXCEPT;

/** The most bytes that `vexal_compose_into` may write for parts of these
 *  payload sizes and compressions (VEXAL_COMPRESSION_*): exact when both
 *  are stored as is, zlib's bound for a compressed one.
 *  @return the bound; 0 when a part's stored size could pass 2^32 - 1 bytes
 *          or a compression is unknown. */
VEXAL_EXPORT size_t vexal_compose_bound(
    size_t first_size, int first_compression, size_t second_size,
    int second_compression) VEXAL_C_NOEXCEPT;

/** Composes the message of two parts into the caller's memory: header 1,
 *  stored bytes 1, header 2, stored bytes 2. A part is its payload (`first`,
 *  `first_size`; NULL only when the size is 0), its format
 *  (VEXAL_FORMAT_*) and its compression (VEXAL_COMPRESSION_*); its type
 *  follows from its place.
 *  - `out`, `out_capacity`: the caller's room; `vexal_compose_bound` always
 *         suffices.
 *  - `out_size`: set to the message's size on VEXAL_OK and on
 *         VEXAL_OUTPUT_TOO_SMALL (the size needed: a compressed part is
 *         deflated to learn it), 0 otherwise.
 *  @return VEXAL_OK; VEXAL_OUTPUT_TOO_SMALL, with nothing written;
 *          VEXAL_OUT_OF_MEMORY; VEXAL_INVALID_ARGUMENT for a NULL pointer,
 *          a format or compression outside its values
 *          (VEXAL_CODE_UNKNOWN_FORMAT, VEXAL_CODE_UNKNOWN_COMPRESSION), or a
 *          stored payload over 2^32 - 1 bytes
 *          (VEXAL_CODE_PARTS_PAYLOAD_TOO_LONG). The first part is checked,
 *          and deflated, before the second; nothing is written on failure.
 */
VEXAL_EXPORT vexal_status_t
vexal_compose_into(const uint8_t* first, size_t first_size, int first_format,
                   int first_compression, const uint8_t* second,
                   size_t second_size, int second_format,
                   int second_compression, uint8_t* out, size_t out_capacity,
                   size_t* out_size, vexal_error_t* error) VEXAL_C_NOEXCEPT;

/** One part to compose, for `vexal_compose` and `vexal_raw_headers`. The
 *  part's type follows from its place. */
typedef struct vexal_part_spec_t {
  /** The payload; NULL only when `size` is 0. */
  const uint8_t* payload;
  /** The payload's bytes. */
  size_t size;
  /** The payload format, VEXAL_FORMAT_*. */
  int format;
  /** The compression, VEXAL_COMPRESSION_*. */
  int compression;
} vexal_part_spec_t;

/** Composes the message of `first` and `second` into one buffer that the
 *  library allocates: what `vexal_compose_into` writes.
 *  - `out`: set to the buffer on VEXAL_OK, to NULL otherwise; release it
 *         with `vexal_free`.
 *  - `out_size`: set to the message's size on VEXAL_OK, 0 otherwise.
 *  @return as `vexal_compose_into`, but for VEXAL_OUTPUT_TOO_SMALL. */
VEXAL_EXPORT vexal_status_t vexal_compose(
    const vexal_part_spec_t* first, const vexal_part_spec_t* second,
    uint8_t** out, size_t* out_size, vexal_error_t* error) VEXAL_C_NOEXCEPT;

/** For parts stored as is (VEXAL_COMPRESSION_NONE): the
 *  VEXAL_RAW_HEADERS_SIZE header bytes of their message, the first part's 8
 *  then the second part's 8, so that a caller sends header 1, payload 1,
 *  header 2, payload 2 with one `writev` and copies nothing. Allocates
 *  nothing.
 *  - `headers`: set on VEXAL_OK only.
 *  @return VEXAL_OK; VEXAL_INVALID_ARGUMENT for what `vexal_compose`
 *          refuses and for a compressed part (VEXAL_CODE_COMPRESSED_PART),
 *          whose stored bytes only composing makes. */
VEXAL_EXPORT vexal_status_t vexal_raw_headers(
    const vexal_part_spec_t* first, const vexal_part_spec_t* second,
    uint8_t headers[16], vexal_error_t* error) VEXAL_C_NOEXCEPT;

/** A stream reader: cuts bytes that arrive in any pieces into messages,
 *  within limits, reading each message's headers once and checking each
 *  message once, when its last byte is in. Two ways to feed it:
 *
 *  - read straight into its buffer:
 *
 *        uint8_t* room = vexal_reader_prepare(reader, 65536);
 *        ssize_t n = read(fd, room, 65536);
 *        if (n <= 0) ... end of stream or failure: commit nothing
 *        vexal_reader_commit(reader, (size_t)n);
 *        while (vexal_reader_next(reader, &message, &error) == VEXAL_OK) ...
 *
 *  - or hand it the chunks that arrive (`vexal_reader_read`): a message
 *    that lies wholly in a chunk is read where it lies, and only a message
 *    cut between chunks is copied.
 *
 *  A refused message is reported again by every call until
 *  `vexal_reader_skip` drops it. */
typedef struct vexal_reader_t vexal_reader_t;

/** A new, empty reader that applies `limits` (copied; NULL for none) to
 *  every message.
 *  @return the reader, or NULL when memory is short. */
VEXAL_EXPORT vexal_reader_t* vexal_reader_new(const vexal_limits_t* limits)
    VEXAL_C_NOEXCEPT;

/** Releases the reader and every byte it holds; NULL is ignored. */
VEXAL_EXPORT void vexal_reader_free(vexal_reader_t* reader) VEXAL_C_NOEXCEPT;

/** Room for at least `size` bytes at the end of the reader's buffer, to be
 *  filled and passed on with `vexal_reader_commit`; valid until the next
 *  call on the reader but `vexal_reader_commit`. Once a message's headers
 *  are in, the room also holds the rest of that message, so it is read in
 *  place.
 *  @return the room, or NULL (nothing changed) when memory is short or
 *          `reader` is NULL. */
VEXAL_EXPORT uint8_t* vexal_reader_prepare(vexal_reader_t* reader,
                                           size_t size) VEXAL_C_NOEXCEPT;

/** Appends the first `size` bytes written into the room of the last
 *  `vexal_reader_prepare` to the stream; a second commit takes what the
 *  first left of that room.
 *  @return VEXAL_OK, also for 0 bytes (nothing changes);
 *          VEXAL_INVALID_ARGUMENT for a NULL reader, or a `size` over the
 *          room left (or with no room prepared since the last other call):
 *          nothing is committed and the reader is unchanged. */
VEXAL_EXPORT vexal_status_t vexal_reader_commit(vexal_reader_t* reader,
                                                size_t size) VEXAL_C_NOEXCEPT;

/** Takes the next message once it is whole.
 *  - `message`: on VEXAL_OK, the message where it lies in the reader's
 *         buffer, valid until the next call that changes the reader.
 *  - `error`: the refusal, when not NULL; its offset is the stream offset
 *         of the field at fault.
 *  @return VEXAL_OK (the message is consumed); VEXAL_NEED_MORE;
 *          VEXAL_MESSAGE_TOO_LONG, VEXAL_PAYLOAD_TOO_LONG (a part stored as
 *          is) or VEXAL_MALFORMED, until `vexal_reader_skip`;
 *          VEXAL_OUT_OF_MEMORY, after which the same message is tried
 *          again; VEXAL_INVALID_ARGUMENT for a NULL pointer. */
VEXAL_EXPORT vexal_status_t
vexal_reader_next(vexal_reader_t* reader, vexal_message_t* message,
                  vexal_error_t* error) VEXAL_C_NOEXCEPT;

/** The next message from what the reader holds followed by
 *  `data[0..size)`, reading in place where it can (as zlib's next_in and
 *  avail_in): call it with each chunk, and again with `data + *used` and
 *  `size - *used` until it returns VEXAL_NEED_MORE.
 *  - `used`: set to the bytes of `data` consumed, on every return.
 *  - `message`: on VEXAL_OK, the message. When the reader held nothing of
 *         it and it lies wholly in `data`, it points into `data` (`in_data`
 *         1, stored offsets from `data`), valid as long as those bytes are;
 *         otherwise into the reader's buffer (`in_data` 0), valid until the
 *         next call that changes the reader.
 *  - `error`: the refusal, when not NULL, as `vexal_reader_next` gives it.
 *  @return VEXAL_OK; VEXAL_NEED_MORE, once the reader has kept what it
 *          needs of `data` (`*used == size`); VEXAL_MESSAGE_TOO_LONG,
 *          VEXAL_PAYLOAD_TOO_LONG or VEXAL_MALFORMED, with `*used` the bytes
 *          taken (the refused message up to the end of the header at fault,
 *          and no more), again on every call until `vexal_reader_skip`,
 *          after which the caller goes on with `data + *used` and the rest of
 *          the refused message is dropped as it arrives; VEXAL_OUT_OF_MEMORY,
 *          with `*used` the bytes taken before it; VEXAL_INVALID_ARGUMENT
 *          for a NULL pointer. The checks, codes, texts, offsets and their
 *          order are `vexal_reader_next`'s, however the stream is cut. */
VEXAL_EXPORT vexal_status_t vexal_reader_read(
    vexal_reader_t* reader, const uint8_t* data, size_t size, size_t* used,
    vexal_message_t* message, vexal_error_t* error) VEXAL_C_NOEXCEPT;

/** Drops the message at `vexal_reader_offset` (refused or not) and goes on
 *  with the one after it; its bytes still to come are dropped as they
 *  arrive. Does nothing before the message's first 8 bytes are in. */
VEXAL_EXPORT void vexal_reader_skip(vexal_reader_t* reader) VEXAL_C_NOEXCEPT;

/** 1 when nothing of an unfinished or skipped message is pending, so the
 *  stream may end here; 0 inside a message (or for a NULL reader). */
VEXAL_EXPORT int vexal_reader_at_boundary(const vexal_reader_t* reader)
    VEXAL_C_NOEXCEPT;

/** The stream offset of the first byte not yet consumed: where the next
 *  message starts (skipped bytes count too). */
VEXAL_EXPORT uint64_t vexal_reader_offset(const vexal_reader_t* reader)
    VEXAL_C_NOEXCEPT;

/** The bytes still missing before the next message can be whole, as far as
 *  the headers received tell: at least 1 whenever `vexal_reader_next` would
 *  return VEXAL_NEED_MORE, exactly the rest once both headers are in. */
VEXAL_EXPORT size_t vexal_reader_needed(const vexal_reader_t* reader)
    VEXAL_C_NOEXCEPT;

#ifdef __cplusplus
} /* extern "C" */
#endif

#endif /* VEXAL_VEXAL_H */
