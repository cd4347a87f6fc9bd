/* SPDX-License-Identifier: MIT */
/* The C twin of `vexal inspect`: reads a stream of vexal messages from
 * standard input with the C reader, straight into the reader's buffer, and
 * prints each message as soon as it is whole: its offset and size, and of
 * each part the type, format, storage, stored and payload sizes. A refused
 * message is reported on standard error and skipped. Exits 1 when a message
 * was refused or the stream ended inside one. */
#include <stdio.h>
#include <unistd.h>

#include "vexal/vexal.h"

enum { read_size = 64 * 1024 };

/* Prints one part; a compressed part is inflated to measure its payload. */
static int print_part(const vexal_part_t* part, const vexal_limits_t* limits) {
  uint8_t* payload;
  size_t payload_size;
  vexal_error_t error;
  if (vexal_part_payload(part, limits, &payload, &payload_size, &error) !=
      VEXAL_OK) {
    fprintf(stderr, "vexal-inspect: type %d part: %s\n", part->type,
            error.text);
    return 0;
  }
  vexal_free(payload);
  printf("  type %d  format %d  %s  stored %8lu  payload %8lu\n", part->type,
         part->format, part->compressed ? "zlib" : "none",
         (unsigned long)part->stored_size, (unsigned long)payload_size);
  return 1;
}

int main(void) {
  const vexal_limits_t limits = {VEXAL_DEFAULT_LIMIT, VEXAL_DEFAULT_LIMIT};
  vexal_reader_t* reader = vexal_reader_new(&limits);
  unsigned long count = 0, refused = 0;
  ssize_t got = 1;
  if (reader == NULL) return 2;
  while (got > 0) {
    vexal_message_t message;
    vexal_error_t error;
    vexal_status_t status;
    uint8_t* room = vexal_reader_prepare(reader, read_size);
    if (room == NULL) break;
    got = read(STDIN_FILENO, room, read_size);
    vexal_reader_commit(reader, got > 0 ? (size_t)got : 0);
    while ((status = vexal_reader_next(reader, &message, &error)) !=
           VEXAL_NEED_MORE) {
      if (status == VEXAL_OK) {
        printf("message %lu at offset %lu: %lu bytes\n", count,
               (unsigned long)(vexal_reader_offset(reader) - message.size),
               (unsigned long)message.size);
        refused += !print_part(&message.first, &limits);
        refused += !print_part(&message.second, &limits);
      } else {
        fprintf(stderr, "vexal-inspect: message %lu: %s (byte %lu)\n", count,
                error.text, (unsigned long)error.offset);
        ++refused;
        vexal_reader_skip(reader);
      }
      ++count;
    }
  }
  if (!vexal_reader_at_boundary(reader)) {
    fprintf(stderr, "vexal-inspect: the stream ends inside a message\n");
    ++refused;
  }
  vexal_reader_free(reader);
  printf("%lu messages\n", count);
  return refused > 0 ? 1 : 0;
}
