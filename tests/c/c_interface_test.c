/* SPDX-License-Identifier: MIT */
/* The C interface from C: one table of good and refused messages through
 * vexal_parse and vexal_part_payload (statuses, codes, offsets and texts),
 * one of parts to compose, and a stream with refusals between good messages
 * read by the C reader cut at every byte, which must read as it reads whole.
 * Compressed bytes are made at test time by vexal_compose, never written
 * here. Built as C99 with -pedantic, warnings as errors. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "vexal/vexal.h"

static int failures = 0;

#define CHECK(condition, row)                                          \
  do {                                                                 \
    if (!(condition)) {                                                \
      fprintf(stderr, "%s:%d: row %d: %s\n", __FILE__, __LINE__, row, \
              #condition);                                             \
      ++failures;                                                      \
    }                                                                  \
  } while (0)

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

static void parse_table(void) {
  static const struct {
    const char* bytes;
    size_t offset, max_message, max_payload;
    vexal_status_t status;
    int code;
    uint64_t at;
    const char* text;
    size_t end;
  } rows[] = {
      {"01 03 00 00 00 00 00 00 02 03 00 00 00 00 00 00", 0, SIZE_MAX,
       SIZE_MAX, VEXAL_OK, 0, 0, "", 16},
      {"ee 02 03 00 00 00 00 00 02 aa bb 01 02 00 00 00 00 00 00 ee", 1, 18,
       2, VEXAL_OK, 0, 0, "", 19},
      {"01 03 00 00 00 00 00 00 02 03 00 00 00 00 00", 0, SIZE_MAX, SIZE_MAX,
       VEXAL_NEED_MORE, 0, 0, "", 0},
      {"01 03 00 00 00 00 00 00", 8, SIZE_MAX, SIZE_MAX, VEXAL_NEED_MORE, 0, 0,
       "", 8},
      {"01 03 00 00 00 00 00 00", 9, SIZE_MAX, SIZE_MAX,
       VEXAL_INVALID_ARGUMENT, 2, 9,
       "Can't unpack element: Possition [9] out of range [8]", 9},
      {"05 03 00 00 00 00 00 00", 0, SIZE_MAX, SIZE_MAX, VEXAL_MALFORMED, 6, 0,
       "Unknown vexal type (raw)", 0},
      {"ee 01 03 00 00 00 00 00 00 02 09 00 00 00 00 00 00", 1, SIZE_MAX,
       SIZE_MAX, VEXAL_MALFORMED, 7, 10, "Unknown vexal format (raw)", 1},
      {"01 03 07 00 00 00 00 00", 0, SIZE_MAX, SIZE_MAX, VEXAL_MALFORMED, 8, 2,
       "Unknown vexal compression (raw)", 0},
      {"01 03 00 00 00 00 00 02 aa bb", 0, 17, SIZE_MAX,
       VEXAL_MESSAGE_TOO_LONG, 11, 4, "vexal message too long", 0},
      {"01 03 00 00 00 00 00 00 02 03 00 00 00 00 00 02", 0, 17, SIZE_MAX,
       VEXAL_MESSAGE_TOO_LONG, 11, 12, "vexal message too long", 0},
      {"01 03 00 00 00 00 00 02 aa bb", 0, SIZE_MAX, 1,
       VEXAL_PAYLOAD_TOO_LONG, 12, 4, "vexal payload too long", 0},
      /* A damaged zlib stream is refused only by the payload. */
      {"01 03 01 00 00 00 00 03 78 9c ff 02 03 00 00 00 00 00 00", 0,
       SIZE_MAX, SIZE_MAX, VEXAL_OK, 10, 0, "Failed zlib::inflate [-3]: ",
       19},
  };
  size_t i;
  for (i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
    uint8_t data[64];
    const size_t size = hex(rows[i].bytes, data);
    const vexal_limits_t limits = {rows[i].max_message, rows[i].max_payload};
    vexal_message_t message;
    vexal_error_t error;
    size_t end = 12345;
    uint8_t* payload = NULL;
    size_t payload_size = 99;
    const vexal_status_t status = vexal_parse(data, size, rows[i].offset,
                                              &limits, &message, &end, &error);
    const int row = (int)i;
    CHECK(status == rows[i].status && error.status == status, row);
    CHECK(end == rows[i].end, row);
    if (status != VEXAL_OK) {
      CHECK((int)error.code == rows[i].code && error.offset == rows[i].at, row);
      CHECK(strcmp(error.text, rows[i].text) == 0, row);
      continue;
    }
    CHECK(error.code == 0 && error.text[0] == '\0', row);
    CHECK(message.size == end - rows[i].offset, row);
    CHECK(message.first.type == 1 && message.second.type == 0, row);
    CHECK(message.second.stored + message.second.stored_size == data + end,
          row);
    /* The first part's payload: its stored bytes, or zlib's refusal. */
    if (rows[i].code == 0) {
      CHECK(vexal_part_payload(&message.first, &limits, &payload,
                               &payload_size, &error) == VEXAL_OK,
            row);
      CHECK(payload_size == message.first.stored_size &&
                memcmp(payload, message.first.stored, payload_size) == 0,
            row);
    } else {
      CHECK(vexal_part_payload(&message.first, &limits, &payload,
                               &payload_size, &error) == VEXAL_MALFORMED,
            row);
      CHECK(payload == NULL && payload_size == 0 && error.code == 10, row);
      CHECK(strncmp(error.text, rows[i].text, strlen(rows[i].text)) == 0, row);
    }
    vexal_free(payload);
  }
}

/* Composes, reads back and compares with the raw headers; then refusals. */
static void compose_table(void) {
  static const uint8_t text[] = "a payload that zlib will shrink, shrink";
  static const struct {
    int format[2], compression[2];
    vexal_status_t status, headers_status;
    int code, headers_code;
    const char* text;
  } rows[] = {
      {{0, 2}, {0, 0}, VEXAL_OK, VEXAL_OK, 0, 0, ""},
      {{1, 0}, {0, 12}, VEXAL_OK, VEXAL_INVALID_ARGUMENT, 0, 14,
       "vexal part is compressed"},
      {{0, 3}, {0, 0}, VEXAL_INVALID_ARGUMENT, VEXAL_INVALID_ARGUMENT, 4, 4,
       "Unknown vexal format"},
      {{0, 0}, {13, 0}, VEXAL_INVALID_ARGUMENT, VEXAL_INVALID_ARGUMENT, 5, 5,
       "Unknown vexal compression"},
      {{0, 0}, {0, -1}, VEXAL_INVALID_ARGUMENT, VEXAL_INVALID_ARGUMENT, 5, 5,
       "Unknown vexal compression"},
  };
  size_t i;
  int part;
  for (i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
    const int row = (int)i;
    vexal_part_spec_t wanted[2];
    uint8_t* out = NULL;
    size_t out_size = 0, end = 0;
    uint8_t headers[VEXAL_RAW_HEADERS_SIZE];
    vexal_message_t message;
    vexal_error_t error;
    for (part = 0; part < 2; ++part) {
      wanted[part].payload = text + part;
      wanted[part].size = sizeof text - 1 - (size_t)part;
      wanted[part].format = rows[i].format[part];
      wanted[part].compression = rows[i].compression[part];
    }
    CHECK(vexal_compose(&wanted[0], &wanted[1], &out, &out_size, &error) ==
              rows[i].status,
          row);
    CHECK((int)error.code == rows[i].code, row);
    CHECK(vexal_raw_headers(&wanted[0], &wanted[1], headers, &error) ==
              rows[i].headers_status,
          row);
    CHECK((int)error.code == rows[i].headers_code &&
              strcmp(error.text, rows[i].text) == 0,
          row);
    if (rows[i].status != VEXAL_OK) {
      CHECK(out == NULL && out_size == 0, row);
      continue;
    }
    CHECK(vexal_parse(out, out_size, 0, NULL, &message, &end, NULL) ==
                  VEXAL_OK &&
              end == out_size,
          row);
    for (part = 0; part < 2; ++part) {
      const vexal_part_t* got = part == 0 ? &message.first : &message.second;
      uint8_t* payload;
      size_t payload_size;
      CHECK(got->format == wanted[part].format, row);
      CHECK(got->compressed == (wanted[part].compression != 0), row);
      CHECK(vexal_part_payload(got, NULL, &payload, &payload_size, NULL) ==
                VEXAL_OK,
            row);
      CHECK(payload_size == wanted[part].size &&
                memcmp(payload, wanted[part].payload, payload_size) == 0,
            row);
      vexal_free(payload);
    }
    if (rows[i].headers_status == VEXAL_OK) {
      CHECK(memcmp(headers, out, 8) == 0, row);
      CHECK(memcmp(headers + 8, message.second.stored - 8, 8) == 0, row);
    }
    vexal_free(out);
  }
}

/* A NULL where a pointer is needed is refused, and names it. */
static void null_arguments(void) {
  vexal_part_spec_t wanted = {NULL, 0, 0, 0};
  vexal_message_t message;
  uint8_t* out;
  size_t size;
  vexal_error_t error;
  CHECK(vexal_parse(NULL, 1, 0, NULL, &message, &size, &error) ==
                VEXAL_INVALID_ARGUMENT &&
            strcmp(error.text, "vexal: data is NULL") == 0,
        0);
  CHECK(vexal_compose(&wanted, NULL, &out, &size, &error) ==
                VEXAL_INVALID_ARGUMENT &&
            out == NULL && strcmp(error.text, "vexal: second is NULL") == 0,
        1);
  wanted.size = 1;
  CHECK(vexal_raw_headers(&wanted, &wanted, NULL, &error) ==
                VEXAL_INVALID_ARGUMENT &&
            error.code == 0,
        2);
  CHECK(vexal_reader_next(NULL, &message, NULL) == VEXAL_INVALID_ARGUMENT, 3);
}

/* Appends to `log` what the reader yields until it needs more bytes: the
 * size and first payload byte of each message, or the refusal (then
 * skipped). */
static void take_all(vexal_reader_t* reader, char* log) {
  vexal_message_t message;
  vexal_error_t error;
  vexal_status_t status;
  while ((status = vexal_reader_next(reader, &message, &error)) !=
         VEXAL_NEED_MORE) {
    char line[256];
    if (status == VEXAL_OK) {
      uint8_t* payload = NULL;
      size_t size = 0;
      vexal_part_payload(&message.first, NULL, &payload, &size, NULL);
      sprintf(line, "%lu:%lu:%c|", (unsigned long)message.size,
              (unsigned long)size, size > 0 ? payload[0] : '-');
      vexal_free(payload);
    } else {
      sprintf(line, "%d:%d@%lu:%s|", (int)status, error.code,
              (unsigned long)error.offset, error.text);
      vexal_reader_skip(reader);
    }
    strcat(log, line);
  }
}

/* Reads `stream` in two pieces cut at `cut`, or byte by byte when `cut` is
 * past its end, into `log`. */
static void read_cut(const uint8_t* stream, size_t size, size_t cut,
                     char* log) {
  const vexal_limits_t limits = {64, 32};
  vexal_reader_t* reader = vexal_reader_new(&limits);
  size_t at = 0;
  log[0] = '\0';
  while (at < size) {
    const size_t piece = cut > size ? 1 : at < cut ? cut - at : size - at;
    memcpy(vexal_reader_prepare(reader, piece), stream + at, piece);
    vexal_reader_commit(reader, piece);
    at += piece;
    take_all(reader, log);
  }
  if (!vexal_reader_at_boundary(reader) || vexal_reader_offset(reader) != size) {
    strcat(log, "not at the end");
  }
  vexal_reader_free(reader);
}

static void reader_cut_everywhere(void) {
  static const char* const pieces[] = {
      "01 03 00 00 00 00 00 02 68 69 02 03 00 00 00 00 00 00",
      "01 09 00 00 00 00 00 00 02 03 00 00 00 00 00 00",
      "01 03 00 00 00 00 00 31",
      "01 03 00 00 00 00 00 21",
  };
  static const char expected[] =
      "18:2:h|2:7@19:Unknown vexal format (raw)|"
      "3:11@38:vexal message too long|4:12@103:vexal payload too long|"
      "%lu:39:a|18:2:o|";
  static const uint8_t text[] = "a payload that zlib will shrink, shrink";
  const vexal_part_spec_t compressed = {text, sizeof text - 1, 0, 1};
  const vexal_part_spec_t empty = {NULL, 0, 0, 0};
  uint8_t stream[512], *wire;
  size_t size = 0, message_size, cut;
  char want[512], whole[1024], got[1024];
  int i;
  for (i = 0; i < 4; ++i) {
    size += hex(pieces[i], stream + size);
    /* The stored bytes of the two long parts, then their second header. */
    if (i >= 2) {
      const size_t stored = stream[size - 1];
      memset(stream + size, 'x', stored);
      size += stored + hex("02 03 00 00 00 00 00 00", stream + size + stored);
    }
  }
  vexal_compose(&compressed, &empty, &wire, &message_size, NULL);
  memcpy(stream + size, wire, message_size);
  size += message_size;
  vexal_free(wire);
  size += hex(pieces[0], stream + size);
  stream[size - 10] = 'o';
  sprintf(want, expected, (unsigned long)message_size);
  read_cut(stream, size, size, whole);
  CHECK(strcmp(whole, want) == 0, 0);
  for (cut = 0; cut <= size + 1; ++cut) {
    read_cut(stream, size, cut, got);
    CHECK(strcmp(got, whole) == 0, (int)cut);
  }
}

int main(void) {
  parse_table();
  compose_table();
  null_arguments();
  reader_cut_everywhere();
  if (failures > 0) fprintf(stderr, "%d checks failed\n", failures);
  return failures > 0 ? 1 : 0;
}
