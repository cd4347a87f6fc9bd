/* SPDX-License-Identifier: MIT */
/* The C interface from C, built as C99 with -pedantic and warnings as
 * errors: every status and code name; the shared table of good and refused
 * messages (tests/data/messages.txt, its path the first argument) through
 * vexal_parse, vexal_payload_into and vexal_part_payload; composing into the
 * caller's memory; commits over the room prepared; and one stream of good,
 * refused and compressed messages read in place over the caller's chunks,
 * cut at every byte and in chunks of several sizes, which must read message
 * by message as the copying reader reads it. Compressed bytes are made at
 * test time by the library, never written here. Every output buffer is
 * filled with a canary first: nothing may be written past the room given. */
#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "vexal/vexal.h"

static int failures = 0;

#define CHECK(condition, row)                                         \
  do {                                                                \
    if (!(condition)) {                                               \
      fprintf(stderr, "%s:%d: row %d: %s\n", __FILE__, __LINE__, row, \
              #condition);                                            \
      ++failures;                                                     \
    }                                                                 \
  } while (0)

enum { canary = 0xcc, room_size = 512 };

/* "01 03 ff" -> bytes; returns the count. */
static size_t hex(const char* text, uint8_t* out) {
  size_t n = 0;
  unsigned value;
  int used;
  while (sscanf(text, " %2x%n", &value, &used) == 1) {
    out[n++] = (uint8_t)value;
    text += used;
  }
  return n;
}

/* 1 when the `size` bytes at `data` are all the canary. */
static int untouched(const uint8_t* data, size_t size) {
  size_t i;
  for (i = 0; i < size; ++i) {
    if (data[i] != canary) return 0;
  }
  return 1;
}

/* Every name and fixed text, and what a value outside them gets. */
static void names_table(void) {
  static const struct {
    int value;
    const char *status, *code, *text;
  } rows[] = {
      {0, "VEXAL_OK", "VEXAL_CODE_NONE", "success"},
      {1, "VEXAL_NEED_MORE", "VEXAL_CODE_INPUT_TOO_SHORT",
       "Can't unpack element: Input too short"},
      {2, "VEXAL_MALFORMED", "VEXAL_CODE_POSITION_OUT_OF_RANGE",
       "Can't unpack element: Possition out of range"},
      {3, "VEXAL_MESSAGE_TOO_LONG", "VEXAL_CODE_UNKNOWN_TYPE",
       "Unknown vexal type"},
      {4, "VEXAL_PAYLOAD_TOO_LONG", "VEXAL_CODE_UNKNOWN_FORMAT",
       "Unknown vexal format"},
      {5, "VEXAL_OUT_OF_MEMORY", "VEXAL_CODE_UNKNOWN_COMPRESSION",
       "Unknown vexal compression"},
      {6, "VEXAL_INVALID_ARGUMENT", "VEXAL_CODE_UNKNOWN_TYPE_CODE",
       "Unknown vexal type (raw)"},
      {7, "VEXAL_OUTPUT_TOO_SMALL", "VEXAL_CODE_UNKNOWN_FORMAT_CODE",
       "Unknown vexal format (raw)"},
      {8, "VEXAL_STATUS_UNKNOWN", "VEXAL_CODE_UNKNOWN_COMPRESSION_CODE",
       "Unknown vexal compression (raw)"},
      {9, "VEXAL_STATUS_UNKNOWN", "VEXAL_CODE_PARTS_PAYLOAD_TOO_LONG",
       "vexal parts payload is too long"},
      {10, "VEXAL_STATUS_UNKNOWN", "VEXAL_CODE_ZLIB_FAILED", "Failed zlib"},
      {11, "VEXAL_STATUS_UNKNOWN", "VEXAL_CODE_MESSAGE_TOO_LONG",
       "vexal message too long"},
      {12, "VEXAL_STATUS_UNKNOWN", "VEXAL_CODE_PAYLOAD_TOO_LONG",
       "vexal payload too long"},
      {13, "VEXAL_STATUS_UNKNOWN", "VEXAL_CODE_OUT_OF_MEMORY",
       "std::bad_alloc"},
      {14, "VEXAL_STATUS_UNKNOWN", "VEXAL_CODE_COMPRESSED_PART",
       "vexal part is compressed"},
      {15, "VEXAL_STATUS_UNKNOWN", "VEXAL_CODE_UNKNOWN", "unknown vexal error"},
      {-1, "VEXAL_STATUS_UNKNOWN", "VEXAL_CODE_UNKNOWN", "unknown vexal error"},
      {INT_MAX, "VEXAL_STATUS_UNKNOWN", "VEXAL_CODE_UNKNOWN",
       "unknown vexal error"},
  };
  size_t i;
  for (i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
    const int row = (int)i;
    CHECK(strcmp(vexal_status_name((vexal_status_t)rows[i].value),
                 rows[i].status) == 0,
          row);
    CHECK(strcmp(vexal_code_name(rows[i].value), rows[i].code) == 0, row);
    CHECK(strcmp(vexal_code_text(rows[i].value), rows[i].text) == 0, row);
  }
  CHECK(VEXAL_VERSION_NUMBER == VEXAL_VERSION_MAJOR * 1000000 +
                                    VEXAL_VERSION_MINOR * 1000 +
                                    VEXAL_VERSION_PATCH,
        0);
  CHECK(vexal_version_number() == VEXAL_VERSION_NUMBER, 0);
  CHECK(strcmp(vexal_version_string(), VEXAL_VERSION_STRING) == 0, 0);
}

/* The value whose name, with `prefix`, is `name`; -1 when none is. */
static int named(const char* name, const char* prefix,
                 const char* (*name_of)(int), int count) {
  char want[64];
  int value;
  sprintf(want, "%s%.40s", prefix, name);
  for (value = 0; value < count; ++value) {
    if (strcmp(name_of(value), want) == 0) return value;
  }
  return -1;
}

static const char* status_name(int value) {
  return vexal_status_name((vexal_status_t)value);
}

/* One line of tests/data/messages.txt. */
typedef struct row_t {
  uint8_t data[128];
  size_t size, offset, end;
  vexal_limits_t limits;
  int status, code;
  unsigned long long at;
  char text[VEXAL_ERROR_TEXT_SIZE];
} row_t;

/* Reads `line` into `row`; 0 when it is not a row of nine fields. */
static int read_row(char* line, row_t* row) {
  char* field[9];
  char word[64];
  const char *open, *close;
  int n = 1, i;
  field[0] = line;
  while (n < 9 && (field[n] = strchr(field[n - 1], '|')) != NULL) {
    *field[n]++ = '\0';
    ++n;
  }
  if (n != 9) return 0;
  row->size = hex(field[0], row->data);
  row->offset = (size_t)strtoul(field[1], NULL, 10);
  for (i = 0; i < 2; ++i) {
    size_t* limit =
        i == 0 ? &row->limits.max_message_size : &row->limits.max_payload_size;
    if (sscanf(field[2 + i], " %63s", word) != 1) return 0;
    *limit =
        strcmp(word, "-") == 0 ? SIZE_MAX : (size_t)strtoul(word, NULL, 10);
  }
  if (sscanf(field[4], " %63s", word) != 1) return 0;
  row->status = named(word, "VEXAL_", status_name, 8);
  if (sscanf(field[5], " %63s", word) != 1) return 0;
  row->code = named(word, "VEXAL_CODE_", vexal_code_name, 15);
  row->at = strtoull(field[6], NULL, 10);
  row->end = (size_t)strtoul(field[7], NULL, 10);
  open = strchr(field[8], '"');
  close = strrchr(field[8], '"');
  if (open == NULL || close == open || close - open > VEXAL_ERROR_TEXT_SIZE) {
    return 0;
  }
  memcpy(row->text, open + 1, (size_t)(close - open - 1));
  row->text[close - open - 1] = '\0';
  return row->status >= 0 && row->code >= 0;
}

/* 1 when `error` is the row's refusal (`at` checked when `with_at`). */
static int refused_as(const vexal_error_t* error, vexal_status_t status,
                      const row_t* row, int with_at) {
  return (int)status == row->status && error->status == status &&
         (int)error->code == row->code &&
         (!with_at || error->offset == row->at) &&
         strcmp(error->text, row->text) == 0;
}

/* The part's payload into the caller's memory: with exactly its room it
 * equals what vexal_part_payload gives (and `expected`, unless NULL), with a
 * byte less it is VEXAL_OUTPUT_TOO_SMALL with the size needed, and nothing
 * is written past the room either time. Returns the status with all the
 * room given. */
static vexal_status_t check_payload_into(const vexal_part_t* part,
                                         const vexal_limits_t* limits,
                                         const vexal_part_spec_t* expected,
                                         vexal_error_t* error, int row) {
  uint8_t out[room_size + 1];
  uint8_t* copy = NULL;
  size_t size = 99, copy_size = 99, needed;
  vexal_status_t status;
  memset(out, canary, sizeof out);
  status = vexal_payload_into(part->stored, part->stored_size, part->compressed,
                              limits, out, room_size, &size, error);
  CHECK(vexal_part_payload(part, limits, &copy, &copy_size, NULL) == status,
        row);
  if (status != VEXAL_OK) {
    CHECK(size == 0 && copy == NULL && copy_size == 0, row);
    return status;
  }
  CHECK(size == copy_size && memcmp(out, copy, size) == 0, row);
  CHECK(expected == NULL || (size == expected->size &&
                             memcmp(out, expected->payload, size) == 0),
        row);
  CHECK(untouched(out + size, sizeof out - size), row);
  vexal_free(copy);
  if (size == 0) return status;
  needed = size;
  memset(out, canary, sizeof out);
  CHECK(vexal_payload_into(part->stored, part->stored_size, part->compressed,
                           limits, out, needed - 1, &size,
                           NULL) == VEXAL_OUTPUT_TOO_SMALL &&
            size == needed,
        row);
  CHECK(untouched(out + needed - 1, sizeof out - (needed - 1)), row);
  return status;
}

/* The shared table: the parse decides every row but those refused for a
 * zlib stream, which the payload of the part stored at `at` refuses. */
static void messages_table(const char* path) {
  FILE* file = fopen(path, "r");
  char line[1024];
  int rows = 0;
  CHECK(file != NULL, -1);
  while (file != NULL && fgets(line, sizeof line, file) != NULL) {
    row_t r;
    vexal_message_t m;
    vexal_error_t error;
    size_t end = 12345;
    vexal_status_t status;
    const vexal_part_t* parts[2];
    int i, refused = 0;
    const int row = rows;
    if (line[0] == '#' || line[strspn(line, " \r\n")] == '\0') continue;
    ++rows;
    CHECK(read_row(line, &r), row);
    status = vexal_parse(r.data, r.size, r.offset, &r.limits, &m, &end, &error);
    if (r.status != VEXAL_OK && status == VEXAL_OK) {
      CHECK(r.code == VEXAL_CODE_ZLIB_FAILED ||
                r.code == VEXAL_CODE_PAYLOAD_TOO_LONG,
            row);
    } else {
      CHECK(refused_as(&error, status, &r, 1) && end == r.end, row);
      if (status != VEXAL_OK) continue;
    }
    CHECK(m.in_data == 1 && m.size == end - r.offset, row);
    CHECK(
        m.first.type == VEXAL_PART_FIRST && m.second.type == VEXAL_PART_SECOND,
        row);
    parts[0] = &m.first;
    parts[1] = &m.second;
    for (i = 0; i < 2; ++i) {
      const int at_fault = parts[i]->stored_offset == r.at;
      CHECK(parts[i]->stored == r.data + parts[i]->stored_offset, row);
      status = check_payload_into(parts[i], &r.limits, NULL, &error, row);
      if (status == VEXAL_OK) continue;
      /* The part at fault is compressed and refused as the row says. */
      CHECK(at_fault && parts[i]->compressed == 1, row);
      CHECK(refused_as(&error, status, &r, 0) && error.offset == 0, row);
      refused = 1;
      break;
    }
    CHECK(refused == (r.status != VEXAL_OK), row);
  }
  CHECK(rows >= 20, rows);
  if (file != NULL) fclose(file);
}

/* Composes into the caller's memory within the bound (exact for raw parts,
 * 0 where a stored size passes 32 bits or a compression is unknown), and
 * refuses with nothing written. The raw headers refuse what composing
 * refuses, and a compressed part. */
static void compose_table(void) {
  static const uint8_t text[] = "a payload that zlib will shrink, shrink";
  const size_t over = (size_t)UINT32_MAX + 1;
  const struct {
    int format[2], compression[2];
    size_t size[2];
    int code;
    size_t bound; /* 1: some bound, for a compressed part */
  } rows[] = {
      {{0, 2}, {0, 0}, {39, 38}, VEXAL_CODE_NONE, 16 + 39 + 38},
      {{0, 0}, {0, 0}, {0, 0}, VEXAL_CODE_NONE, 16},
      {{1, 0}, {0, VEXAL_COMPRESSION_ZLIB_LEVEL(9)}, {39, 38}, 0, 1},
      {{2, 1}, {1, 3}, {0, 39}, VEXAL_CODE_NONE, 1},
      {{0, 3}, {0, 0}, {1, 1}, VEXAL_CODE_UNKNOWN_FORMAT, 18},
      {{-1, 0}, {0, 13}, {1, 1}, VEXAL_CODE_UNKNOWN_FORMAT, 0},
      {{0, 0}, {0, -1}, {1, 1}, VEXAL_CODE_UNKNOWN_COMPRESSION, 0},
      {{0, 0}, {0, 0}, {over, 0}, VEXAL_CODE_PARTS_PAYLOAD_TOO_LONG, 0},
  };
  size_t i;
  int part;
  CHECK(vexal_compose_bound(UINT32_MAX, 0, UINT32_MAX, 0) ==
            16 + 2 * (size_t)UINT32_MAX,
        0);
  CHECK(vexal_compose_bound(0, 0, over, 0) == 0, 0);
  CHECK(vexal_compose_bound(UINT32_MAX, 1, 0, 0) == 0, 0);
  for (i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
    const int row = (int)i;
    const vexal_status_t status =
        rows[i].code == 0 ? VEXAL_OK : VEXAL_INVALID_ARGUMENT;
    const char* text_of_row =
        rows[i].code == 0 ? "" : vexal_code_text(rows[i].code);
    const int compressed =
        (rows[i].compression[0] | rows[i].compression[1]) != 0;
    vexal_part_spec_t wanted[2];
    uint8_t out[room_size], headers[VEXAL_RAW_HEADERS_SIZE], *copy = NULL;
    size_t out_size = 99, copy_size = 99, end = 0, bound, short_room;
    vexal_message_t m;
    vexal_error_t error;
    for (part = 0; part < 2; ++part) {
      const vexal_part_spec_t one = {text + part, rows[i].size[part],
                                     rows[i].format[part],
                                     rows[i].compression[part]};
      wanted[part] = one;
    }
    bound = vexal_compose_bound(wanted[0].size, wanted[0].compression,
                                wanted[1].size, wanted[1].compression);
    CHECK(rows[i].bound == 1 ? bound > 0 : bound == rows[i].bound, row);
    /* The room is the bound, or a byte less than the message. */
    for (short_room = 0; short_room < 2; ++short_room) {
      const size_t room = short_room ? copy_size - 1 : bound;
      if (short_room && status != VEXAL_OK) break;
      memset(out, canary, sizeof out);
      CHECK(vexal_compose_into(
                wanted[0].payload, wanted[0].size, wanted[0].format,
                wanted[0].compression, wanted[1].payload, wanted[1].size,
                wanted[1].format, wanted[1].compression, out, room, &out_size,
                &error) == (short_room ? VEXAL_OUTPUT_TOO_SMALL : status) &&
                (int)error.code == (short_room ? 0 : rows[i].code) &&
                strcmp(error.text, short_room ? "" : text_of_row) == 0,
            row);
      if (!short_room && status == VEXAL_OK) {
        /* Within the bound; the library's own buffer holds the same. */
        CHECK(out_size <= bound && (compressed || out_size == bound), row);
        CHECK(untouched(out + out_size, sizeof out - out_size), row);
        CHECK(vexal_compose(&wanted[0], &wanted[1], &copy, &copy_size, NULL) ==
                      VEXAL_OK &&
                  copy_size == out_size && memcmp(copy, out, out_size) == 0,
              row);
        vexal_free(copy);
      } else {
        CHECK(out_size == (short_room ? copy_size : 0) &&
                  untouched(out, sizeof out),
              row);
      }
    }
    CHECK(vexal_raw_headers(&wanted[0], &wanted[1], headers, &error) ==
                  (status != VEXAL_OK || compressed ? VEXAL_INVALID_ARGUMENT
                                                    : VEXAL_OK) &&
              (int)error.code == (status != VEXAL_OK || !compressed
                                      ? rows[i].code
                                      : VEXAL_CODE_COMPRESSED_PART),
          row);
    if (status != VEXAL_OK) {
      CHECK(vexal_compose(&wanted[0], &wanted[1], &copy, &copy_size, NULL) ==
                    status &&
                copy == NULL,
            row);
      continue;
    }
    vexal_compose_into(wanted[0].payload, wanted[0].size, wanted[0].format,
                       wanted[0].compression, wanted[1].payload, wanted[1].size,
                       wanted[1].format, wanted[1].compression, out, bound,
                       &out_size, NULL);
    CHECK(vexal_parse(out, out_size, 0, NULL, &m, &end, NULL) == VEXAL_OK &&
              end == out_size,
          row);
    for (part = 0; part < 2; ++part) {
      const vexal_part_t* got = part == 0 ? &m.first : &m.second;
      CHECK(got->format == wanted[part].format &&
                got->compressed == (wanted[part].compression != 0),
            row);
      CHECK(
          check_payload_into(got, NULL, &wanted[part], &error, row) == VEXAL_OK,
          row);
    }
    if (!compressed) {
      CHECK(memcmp(headers, out, 8) == 0 &&
                memcmp(headers + 8, m.second.stored - 8, 8) == 0,
            row);
    }
  }
}

/* A commit over the room prepared (a read's -1 passed on as a size among
 * them) commits nothing: the stream then reads on as if it had not been
 * made. */
static void commit_table(void) {
  static const uint8_t empty_message[16] = {1, 3, 0, 0, 0, 0, 0, 0,
                                            2, 3, 0, 0, 0, 0, 0, 0};
  const long read_failed = -1;
  const struct {
    size_t prepare; /* 0: none */
    int next_between;
    size_t commit[2];
    vexal_status_t status[2];
    size_t held;
  } rows[] = {
      {4, 0, {(size_t)read_failed, 4}, {VEXAL_INVALID_ARGUMENT, VEXAL_OK}, 4},
      {4, 0, {SIZE_MAX, 0}, {VEXAL_INVALID_ARGUMENT, VEXAL_OK}, 0},
      {4, 0, {5, 3}, {VEXAL_INVALID_ARGUMENT, VEXAL_OK}, 3},
      {4, 0, {3, 2}, {VEXAL_OK, VEXAL_INVALID_ARGUMENT}, 3},
      {4, 0, {2, 2}, {VEXAL_OK, VEXAL_OK}, 4},
      {16, 0, {0, 16}, {VEXAL_OK, VEXAL_OK}, 16},
      {0, 0, {1, 0}, {VEXAL_INVALID_ARGUMENT, VEXAL_OK}, 0},
      {8, 1, {1, 0}, {VEXAL_INVALID_ARGUMENT, VEXAL_OK}, 0},
  };
  size_t i;
  int c;
  for (i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
    const int row = (int)i;
    vexal_reader_t* reader = vexal_reader_new(NULL);
    vexal_message_t m;
    size_t used = 0;
    if (rows[i].prepare > 0) {
      memcpy(vexal_reader_prepare(reader, rows[i].prepare), empty_message,
             rows[i].prepare);
    }
    if (rows[i].next_between) {
      CHECK(vexal_reader_next(reader, &m, NULL) == VEXAL_NEED_MORE, row);
    }
    for (c = 0; c < 2; ++c) {
      CHECK(vexal_reader_commit(reader, rows[i].commit[c]) == rows[i].status[c],
            row);
    }
    CHECK(vexal_reader_offset(reader) == 0, row);
    CHECK(vexal_reader_at_boundary(reader) == (rows[i].held == 0), row);
    /* The rest of the message makes it whole. */
    CHECK(vexal_reader_read(reader, empty_message + rows[i].held,
                            16 - rows[i].held, &used, &m, NULL) == VEXAL_OK &&
              used == 16 - rows[i].held && m.size == 16 &&
              vexal_reader_offset(reader) == 16,
          row);
    vexal_reader_free(reader);
  }
  CHECK(vexal_reader_commit(NULL, 0) == VEXAL_INVALID_ARGUMENT, 0);
}

/* A NULL where a pointer is needed is refused, and names it. */
static void null_arguments(void) {
  vexal_message_t m;
  size_t size;
  vexal_error_t error;
  vexal_reader_t* reader = vexal_reader_new(NULL);
  CHECK(vexal_parse(NULL, 1, 0, NULL, &m, &size, &error) ==
                VEXAL_INVALID_ARGUMENT &&
            strcmp(error.text, "vexal: data is NULL") == 0,
        0);
  CHECK(vexal_compose_into(NULL, 1, 0, 0, NULL, 0, 0, 0, NULL, 0, &size,
                           &error) == VEXAL_INVALID_ARGUMENT &&
            error.code == VEXAL_CODE_NONE,
        1);
  CHECK(vexal_payload_into(NULL, 0, 0, NULL, NULL, 0, NULL, &error) ==
            VEXAL_INVALID_ARGUMENT,
        2);
  CHECK(vexal_reader_read(reader, NULL, 1, &size, &m, &error) ==
                VEXAL_INVALID_ARGUMENT &&
            size == 0,
        3);
  CHECK(vexal_reader_next(NULL, &m, NULL) == VEXAL_INVALID_ARGUMENT, 4);
  vexal_reader_free(reader);
}

/* The stream read by every way below, with its limits. */
static const vexal_limits_t stream_limits = {64, 40};

/* Appends one outcome to `log`: a message (its stream offset, size, and
 * each part's payload or the payload's refusal), or a refusal. */
static void log_outcome(vexal_reader_t* reader, vexal_status_t status,
                        const vexal_message_t* m, const vexal_error_t* error,
                        char* log) {
  char* end = log + strlen(log);
  if (status != VEXAL_OK) {
    sprintf(end, "%s %s @%llu %s\n", vexal_status_name(status),
            vexal_code_name(error->code), (unsigned long long)error->offset,
            error->text);
    return;
  }
  end += sprintf(end, "@%llu %lu:",
                 (unsigned long long)(vexal_reader_offset(reader) - m->size),
                 (unsigned long)m->size);
  {
    const vexal_part_t* parts[2];
    int i;
    parts[0] = &m->first;
    parts[1] = &m->second;
    for (i = 0; i < 2; ++i) {
      uint8_t payload[64];
      size_t size = 0, b;
      vexal_error_t refusal;
      if (vexal_payload_into(parts[i]->stored, parts[i]->stored_size,
                             parts[i]->compressed, &stream_limits, payload,
                             sizeof payload, &size, &refusal) != VEXAL_OK) {
        end += sprintf(end, " %s", refusal.text);
        continue;
      }
      *end++ = ' ';
      for (b = 0; b < size; ++b) end += sprintf(end, "%02x", payload[b]);
    }
  }
  strcpy(end, "\n");
}

/* The copying reader: the stream committed in pieces (`piece` bytes, the
 * last one shorter; two pieces cut at `cut` when `piece` is 0), every
 * message taken with vexal_reader_next. */
static void read_copying(const uint8_t* stream, size_t size, size_t cut,
                         size_t piece, char* log) {
  vexal_reader_t* reader = vexal_reader_new(&stream_limits);
  size_t at = 0;
  log[0] = '\0';
  while (at < size) {
    const size_t n = piece > 0  ? (size - at < piece ? size - at : piece)
                     : at < cut ? cut - at
                                : size - at;
    vexal_message_t m;
    vexal_error_t error;
    vexal_status_t status;
    memcpy(vexal_reader_prepare(reader, n), stream + at, n);
    CHECK(vexal_reader_commit(reader, n) == VEXAL_OK, (int)at);
    at += n;
    while ((status = vexal_reader_next(reader, &m, &error)) !=
           VEXAL_NEED_MORE) {
      log_outcome(reader, status, &m, &error, log);
      if (status != VEXAL_OK) vexal_reader_skip(reader);
    }
  }
  CHECK(vexal_reader_at_boundary(reader) && vexal_reader_offset(reader) == size,
        (int)cut);
  vexal_reader_free(reader);
}

/* The in-place reader over the same pieces, each one a block of its own (so
 * a read past it is a memory error). A message the reader held nothing of
 * lies in the call's data (in_data 1, stored offsets from that data, nothing
 * copied); one cut between pieces lies in the reader's buffer, its stored
 * offsets from its first byte. */
static void read_in_place(const uint8_t* stream, size_t size, size_t cut,
                          size_t piece, char* log) {
  vexal_reader_t* reader = vexal_reader_new(&stream_limits);
  size_t at = 0;
  const int row = (int)(piece > 0 ? piece : cut);
  log[0] = '\0';
  while (at < size) {
    const size_t n = piece > 0  ? (size - at < piece ? size - at : piece)
                     : at < cut ? cut - at
                                : size - at;
    uint8_t* chunk = (uint8_t*)malloc(n);
    size_t done = 0;
    memcpy(chunk, stream + at, n);
    for (;;) {
      vexal_message_t m;
      vexal_error_t error;
      size_t used = 99;
      const uint8_t* data = chunk + done;
      const vexal_status_t status =
          vexal_reader_read(reader, data, n - done, &used, &m, &error);
      const uint64_t call_at = at + done;
      CHECK(used <= n - done, row);
      done += used;
      if (status == VEXAL_NEED_MORE) {
        CHECK(done == n, row);
        break;
      }
      log_outcome(reader, status, &m, &error, log);
      if (status != VEXAL_OK) {
        vexal_reader_skip(reader);
        continue;
      }
      {
        const uint64_t start = vexal_reader_offset(reader) - m.size;
        const size_t first_at = (size_t)(start - call_at) + 8;
        CHECK(m.in_data == (start >= call_at), row);
        CHECK(m.in_data ? m.first.stored == data + m.first.stored_offset &&
                              m.first.stored_offset == first_at &&
                              start + m.size <= at + n
                        : m.first.stored_offset == 8,
              row);
        CHECK(m.second.stored == m.first.stored + m.first.stored_size + 8 &&
                  m.second.stored_offset ==
                      m.first.stored_offset + m.first.stored_size + 8,
              row);
      }
    }
    free(chunk);
    at += n;
  }
  CHECK(vexal_reader_at_boundary(reader) && vexal_reader_offset(reader) == size,
        row);
  vexal_reader_free(reader);
}

/* Good messages, one of each refusal the reader decides (bytes of the long
 * ones dropped as they arrive), compressed parts (one damaged, one that
 * inflates past the limit), read every way and cut everywhere. */
static void stream_cut_everywhere(void) {
  static const char* const pieces[] = {
      "01 03 00 00 00 00 00 02 68 69 02 03 00 00 00 00 00 01 21",
      "01 09 00 00 00 00 00 00 02 03 00 00 00 00 00 00",
      "01 03 00 00 00 00 00 31",
      "01 03 00 00 00 00 00 29",
      "01 03 01 00 00 00 00 03 78 9c ff 02 03 00 00 00 00 00 00",
      "01 03 00 00 00 00 00 00 02 03 00 00 00 00 00 00",
  };
  static const char expected[] =
      "@0 19: 6869 21\n"
      "VEXAL_MALFORMED VEXAL_CODE_UNKNOWN_FORMAT_CODE @20 Unknown vexal "
      "format (raw)\n"
      "VEXAL_MESSAGE_TOO_LONG VEXAL_CODE_MESSAGE_TOO_LONG @39 vexal message "
      "too long\n"
      "VEXAL_PAYLOAD_TOO_LONG VEXAL_CODE_PAYLOAD_TOO_LONG @104 vexal payload "
      "too long\n"
      "@157 19: Failed zlib::inflate [-3]: invalid block type \n"
      "@176 16:  \n"
      "@192 %lu: %s \n"
      "@%lu %lu: vexal payload too long \n"
      "@%lu 19: 6869 21\n";
  static const uint8_t text[] = "a payload that zlib will shrink, shrink";
  uint8_t stream[room_size], many_a[48];
  size_t size = 0, wire, wide, cut, p;
  static const size_t piece_sizes[] = {1, 2, 3, 7, 16, 64};
  static char want[4096], copying[4096], got[4096], text_hex[100];
  int i;
  for (i = 0; i < 6; ++i) {
    size += hex(pieces[i], stream + size);
    /* The stored bytes of the two long parts, then their second header. */
    if (i == 2 || i == 3) {
      const size_t stored = stream[size - 1];
      memset(stream + size, 'x', stored);
      size += stored;
      size += hex("02 03 00 00 00 00 00 00", stream + size);
    }
  }
  CHECK(vexal_compose_into(text, sizeof text - 1, 0,
                           VEXAL_COMPRESSION_ZLIB_BEST_COMPRESSION, NULL, 0, 0,
                           0, stream + size, sizeof stream - size, &wire,
                           NULL) == VEXAL_OK,
        0);
  size += wire;
  memset(many_a, 'a', sizeof many_a);
  CHECK(vexal_compose_into(many_a, sizeof many_a, 0, 1, NULL, 0, 0, 0,
                           stream + size, sizeof stream - size, &wide,
                           NULL) == VEXAL_OK,
        0);
  size += wide;
  size += hex(pieces[0], stream + size);
  for (p = 0; p < sizeof text - 1; ++p) {
    sprintf(text_hex + 2 * p, "%02x", text[p]);
  }
  sprintf(want, expected, (unsigned long)wire, text_hex,
          (unsigned long)(192 + wire), (unsigned long)wide,
          (unsigned long)(192 + wire + wide));

  read_copying(stream, size, size, 0, copying);
  CHECK(strcmp(copying, want) == 0, 0);
  if (strcmp(copying, want) != 0) fprintf(stderr, "%s\n", copying);
  for (cut = 0; cut <= size; ++cut) {
    read_copying(stream, size, cut, 0, got);
    CHECK(strcmp(got, want) == 0, (int)cut);
    read_in_place(stream, size, cut, 0, got);
    CHECK(strcmp(got, want) == 0, (int)cut);
  }
  for (p = 0; p < sizeof piece_sizes / sizeof piece_sizes[0]; ++p) {
    read_copying(stream, size, 0, piece_sizes[p], got);
    CHECK(strcmp(got, want) == 0, (int)piece_sizes[p]);
    read_in_place(stream, size, 0, piece_sizes[p], got);
    CHECK(strcmp(got, want) == 0, (int)piece_sizes[p]);
  }
}

int main(int argc, char** argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: %s tests/data/messages.txt\n", argv[0]);
    return 2;
  }
  names_table();
  messages_table(argv[1]);
  compose_table();
  commit_table();
  null_arguments();
  stream_cut_everywhere();
  if (failures > 0) fprintf(stderr, "%d checks failed\n", failures);
  return failures > 0 ? 1 : 0;
}
