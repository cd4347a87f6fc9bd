/* SPDX-License-Identifier: MIT */
/* libvexal's C interface: read, inflate, compose and stream vexal messages
 * from C, and from any language that calls C (cgo, bindgen, ctypes, cffi,
 * P/Invoke, FFM, N-API).
 *
 * It is C99 and compiles as C++ too. Nothing crosses it but plain values:
 * opaque handles, structs the caller owns, and a status for every outcome;
 * no exception leaves it, a lack of memory included (VEXAL_OUT_OF_MEMORY).
 * Every buffer that the library allocates is released with `vexal_free`,
 * every reader with `vexal_reader_free`.
 *
 * The library's C++ views and stream reader lie underneath: the same checks
 * in the same order, the same limits and the same texts, however a stream is
 * cut. Like a view, `vexal_parse` and `vexal_reader_next` inflate nothing:
 * damaged zlib data, and a compressed payload that inflates past
 * `max_payload_size`, are refused by `vexal_part_payload`.
 *
 * Enumeration values are the library's, as plain ints: part type 1 for the
 * part that leads a message and 0 for the one that closes it; format 0 to 2;
 * compression 0 (none), 1 (zlib's default level), 2 (best speed),
 * 3 (best compression), 4 to 12 (zlib levels 1 to 9). A parsed part says
 * only whether it is compressed: the wire does not keep the level.
 *
 * Threads: the library keeps no global state. Distinct readers, and calls
 * on distinct buffers, may run on different threads at once; one reader must
 * not be used by two threads at once.
 */
#ifndef VEXAL_VEXAL_H
#define VEXAL_VEXAL_H

/** @file
 *  libvexal's C interface: statuses, caller-owned structs and an opaque
 *  stream reader over the C++ library's views and reader. */

#include <stddef.h>
#include <stdint.h>

/* The export macro and the version macros (VEXAL_VERSION_STRING, ...) are
 * plain preprocessor definitions, shared with the C++ headers. */
#include "vexal/export.hpp"
#include "vexal/version_config.hpp"

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

/** A limit that refuses nothing. */
#define VEXAL_UNLIMITED SIZE_MAX
/** The C++ library's default for each limit, 64 MiB: a sound choice for
 *  bytes nobody vouches for. */
#define VEXAL_DEFAULT_LIMIT ((size_t)64 << 20)
/** The bytes of a message's two part headers. */
#define VEXAL_RAW_HEADERS_SIZE 16

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
   *  a payload too long for a part, or a compressed part handed to
   *  `vexal_raw_headers`. */
  VEXAL_INVALID_ARGUMENT = 6
} vexal_status_t;

/** What went wrong. A function that takes a `vexal_error_t*` fills it on
 *  every return when it is not NULL: `status` as returned, and for
 *  VEXAL_OK and VEXAL_NEED_MORE code 0, offset 0 and an empty text. */
typedef struct vexal_error_t {
  /** The status the function returned. */
  vexal_status_t status;
  /** The C++ library's error code (`kelvo::vexal_errc`): 3 unknown type,
   *  4 unknown format, 5 unknown compression, 6 to 8 the same for a code
   *  read from the wire, 9 stored payload over 2^32 - 1 bytes, 10 zlib's
   *  failure, 11 message too long, 12 payload too long, 13 out of memory,
   *  2 offset past the end, 14 compressed part given to
   *  `vexal_raw_headers`; 0 for a NULL argument, which has no code. */
  int code;
  /** The offset of the field at fault: in the caller's buffer for
   *  `vexal_parse`, in the stream for `vexal_reader_next` (the header byte
   *  whose code is unknown, or the length field that announces too much);
   *  0 where the function reads no offset (`vexal_part_payload`,
   *  `vexal_compose`, `vexal_raw_headers`). */
  uint64_t offset;
  /** The library's text, as the C++ library throws it ("Unknown vexal
   *  format (raw)", "Failed zlib::inflate [-3]: incorrect header check"),
   *  '\0'-terminated and cut to fit. */
  char text[160];
} vexal_error_t;

/** One part of a message as it lies in the caller's bytes (or the reader's
 *  buffer): valid while those bytes are, and unchanged. */
typedef struct vexal_part_t {
  /** 1 for the part that leads the message, 0 for the one that closes it. */
  int type;
  /** The payload format, 0 to 2. */
  int format;
  /** 1 when the stored bytes are a zlib stream, 0 when they are the
   *  payload itself. */
  int compressed;
  /** The stored bytes, just after the part's header. */
  const uint8_t* stored;
  /** The stored length L from the part's header. */
  size_t stored_size;
} vexal_part_t;

/** A two-part message as it lies in the caller's bytes. */
typedef struct vexal_message_t {
  /** The type-1 part, which leads the message. */
  vexal_part_t first;
  /** The type-0 part, which closes the message. */
  vexal_part_t second;
  /** The message's length on the wire: 16 + L1 + L2. */
  size_t size;
} vexal_message_t;

/** Reads the message at `data + offset` in place: both headers are checked
 *  (the message's size first, from each header as soon as it is present,
 *  then its codes, then a part stored as is against `max_payload_size`);
 *  nothing is copied or inflated.
 *  - `data`: the bytes; NULL only when `size` is 0.
 *  - `offset`: where the message starts, at most `size`.
 *  - `limits`: the limits, or NULL for none.
 *  - `message`: set on VEXAL_OK only.
 *  - `end`: set to the offset just past the message on VEXAL_OK, to
 *         `offset` otherwise.
 *  - `error`: the refusal, when not NULL.
 *  @return VEXAL_OK; VEXAL_NEED_MORE when the bytes end inside the message;
 *          VEXAL_MESSAGE_TOO_LONG, VEXAL_PAYLOAD_TOO_LONG or VEXAL_MALFORMED
 *          for a refused message; VEXAL_INVALID_ARGUMENT for a NULL pointer
 *          or an offset past `size` (code 2, "Can't unpack element:
 *          Possition [..] out of range [..]"). */
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
 *          zlib data (code 10, zlib's own words in the text);
 *          VEXAL_OUT_OF_MEMORY; VEXAL_INVALID_ARGUMENT for a NULL pointer.
 */
VEXAL_EXPORT vexal_status_t vexal_part_payload(
    const vexal_part_t* part, const vexal_limits_t* limits, uint8_t** payload,
    size_t* payload_size, vexal_error_t* error) VEXAL_C_NOEXCEPT;

/** Releases a buffer that the library allocated (`vexal_part_payload`,
 *  `vexal_compose`); NULL is ignored. Only this may release them. */
VEXAL_EXPORT void vexal_free(void* memory) VEXAL_C_NOEXCEPT;

/** One part to compose. The part's type follows from its place. */
typedef struct vexal_part_spec_t {
  /** The payload; NULL only when `size` is 0. */
  const uint8_t* payload;
  /** The payload's bytes. */
  size_t size;
  /** The payload format, 0 to 2. */
  int format;
  /** The compression: 0 none, 1 zlib's default level, 2 best speed,
   *  3 best compression, 4 to 12 zlib levels 1 to 9. */
  int compression;
} vexal_part_spec_t;

/** Composes the message of `first` and `second` into one buffer that the
 *  library allocates: the payloads are copied once, a compressed one is
 *  deflated straight from the caller's bytes.
 *  - `out`: set to the buffer on VEXAL_OK, to NULL otherwise; release it
 *         with `vexal_free`.
 *  - `out_size`: set to the message's size on VEXAL_OK, 0 otherwise.
 *  @return VEXAL_OK; VEXAL_OUT_OF_MEMORY; VEXAL_INVALID_ARGUMENT for a NULL
 *          pointer, a format or compression outside its values (the C++
 *          library's "Unknown vexal format", "Unknown vexal compression"),
 *          or a stored payload over 2^32 - 1 bytes ("vexal parts payload is
 *          too long"). The first part is checked, and deflated, before the
 *          second. */
VEXAL_EXPORT vexal_status_t vexal_compose(const vexal_part_spec_t* first,
                                          const vexal_part_spec_t* second,
                                          uint8_t** out, size_t* out_size,
                                          vexal_error_t* error)
    VEXAL_C_NOEXCEPT;

/** For parts stored as is (compression 0): the VEXAL_RAW_HEADERS_SIZE header
 *  bytes of their message, the first part's 8 then the second part's 8, so
 *  that a caller sends header 1, payload 1, header 2, payload 2 with one
 *  `writev` and copies nothing. Allocates nothing.
 *  - `headers`: set on VEXAL_OK only.
 *  @return VEXAL_OK; VEXAL_INVALID_ARGUMENT for what `vexal_compose` refuses
 *          and for a compressed part (code 14, "vexal part is compressed"),
 *          whose stored bytes only `vexal_compose` makes. */
VEXAL_EXPORT vexal_status_t vexal_raw_headers(const vexal_part_spec_t* first,
                                              const vexal_part_spec_t* second,
                                              uint8_t headers[16],
                                              vexal_error_t* error)
    VEXAL_C_NOEXCEPT;

/** A stream reader: cuts bytes that arrive in any pieces into messages,
 *  within limits, reading each message's headers once and checking each
 *  message once, when its last byte is in. Read straight into its buffer:
 *
 *      uint8_t* room = vexal_reader_prepare(reader, 65536);
 *      ssize_t n = read(fd, room, 65536);
 *      vexal_reader_commit(reader, n);
 *      while (vexal_reader_next(reader, &message, &error) == VEXAL_OK) ...
 *
 *  A refused message is reported again by every `vexal_reader_next` until
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
 *  call that changes the reader. Once a message's headers are in, the room
 *  also holds the rest of that message, so it is read in place.
 *  @return the room, or NULL (nothing changed) when memory is short or
 *          `reader` is NULL. */
VEXAL_EXPORT uint8_t* vexal_reader_prepare(vexal_reader_t* reader,
                                           size_t size) VEXAL_C_NOEXCEPT;

/** Appends the first `size` bytes written into the room of the last
 *  `vexal_reader_prepare` (at most the size it was given) to the stream. */
VEXAL_EXPORT void vexal_reader_commit(vexal_reader_t* reader,
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
VEXAL_EXPORT vexal_status_t vexal_reader_next(vexal_reader_t* reader,
                                              vexal_message_t* message,
                                              vexal_error_t* error)
    VEXAL_C_NOEXCEPT;

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
}  /* extern "C" */
#endif

#endif /* VEXAL_VEXAL_H */
