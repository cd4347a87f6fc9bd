// SPDX-License-Identifier: MIT
// The `vexal` command line: declares the commands and their options with
// CLI11, runs the chosen command and turns failures into one line on
// standard error and an exit status.
#include <CLI/CLI.hpp>
#include <csignal>
#include <iostream>
#include <sstream>
#include <vexal/reader.hpp>
#include <vexal/version.hpp>

#include "commands.hpp"
#include "standard_output.hpp"
#include "tool_error.hpp"

namespace {

using namespace kelvo::tool;

const char* const exit_statuses =
    "Exit status:\n"
    "  0  success, also when the reader of the output went away or\n"
    "     inspect --follow was interrupted\n"
    "  1  an input holds a malformed or incomplete message, or one over a\n"
    "     limit; salvage dropped damaged bytes\n"
    "  2  bad option or value, unreadable input, failed write; unpack\n"
    "     --index past the last message or with neither --first nor\n"
    "     --second; salvage -o naming the input\n";

// A command whose help ends with `examples` and the exit statuses.
CLI::App* add_command(CLI::App& app, const char* name, const char* summary,
                      const char* examples) {
  CLI::App* command = app.add_subcommand(name, summary);
  command->footer(std::string("Examples:\n") + examples + "\n" + exit_statuses);
  return command;
}

// The options that bound what one message may cost.
void add_limits(CLI::App& command, limit_options& limits) {
  const std::string units =
      " (bytes; K, M, G multiply by 1024, 1024^2, 1024^3; unlimited: no "
      "limit; default " +
      std::to_string(kelvo::vexal_limits::default_size) + ")";
  command
      .add_option("--max-message-size", limits.max_message_size,
                  "Refuse a message longer than this on the wire" + units)
      ->type_name("SIZE");
  command
      .add_option(
          "--max-payload-size", limits.max_payload_size,
          "Refuse a part whose payload, inflated, is longer than this" + units)
      ->type_name("SIZE");
}

CLI::App* add_inspect(CLI::App& app, inspect_options& options) {
  CLI::App* command = add_command(
      app, "inspect", "Describe every message of the inputs, one after another",
      "  vexal inspect examples/sample.vexal\n"
      "  producer | vexal inspect --json | jq .parts\n"
      "  vexal inspect --levels capture.vexal\n"
      "  vexal inspect --hex examples/sample.vexal\n"
      "  vexal inspect --follow capture.vexal\n");
  command->add_option("FILE", options.inputs,
                      "Inputs; none or - reads standard input, also an "
                      "endless pipe");
  command->add_flag("--json", options.json,
                    "One JSON object per message and line, no summary; "
                    "the fields are described in " VEXAL_JSON_DOC);
  command->add_flag("--keep-going", options.keep_going,
                    "Report a malformed or incomplete message on standard "
                    "error, skip it and go on; exit status 1 at the end");
  command->add_flag("--levels", options.levels,
                    "Compose each part's payload stored as is and at zlib "
                    "levels 1 to 9, and print the stored size and compose "
                    "time of each, marking the smallest and the fastest "
                    "within 5 % of the smallest size");
  command->add_flag(
      "--hex", options.hex,
      "An annotated dump of each message's bytes instead of the report: "
      "every header field with its raw and decoded value, a zlib part's "
      "stream header with its level hint, the stored bytes in hex and ASCII "
      "(first and last lines of a long part); a refused message up to the "
      "field that was refused, marked");
  command->add_flag("--hex-all", options.hex_all,
                    "As --hex, with every stored byte shown");
  command->add_flag(
      "--follow", options.follow,
      "Like tail -F: print each message of FILE as soon as it is whole and "
      "wait at the end for more, until interrupted (Ctrl-C, status 0); when "
      "FILE is truncated or replaced, say which and go on from the start of "
      "the new file");
  add_limits(*command, options.limits);
  return command;
}

CLI::App* add_pack(CLI::App& app, pack_options& options) {
  CLI::App* command = add_command(
      app, "pack", "Compose one message from the bytes of two files",
      "  vexal pack head.bin body.txt -o out.vexal\n"
      "  vexal pack head.bin body.txt --second-compression "
      "zlib_best_compression --append -o out.vexal\n");
  command
      ->add_option("FIRST", options.first,
                   "File of the type-1 payload (- : standard input)")
      ->required();
  command
      ->add_option("SECOND", options.second,
                   "File of the type-0 payload (- : standard input)")
      ->required();
  command->add_option("-o,--output", options.output,
                      "Output file (- or none: standard output)");
  command->add_flag("--append", options.append,
                    "Add the message to the end of the output file");
  command->add_option("--compression", options.compression,
                      "Compression of both parts: none, zlib_default, "
                      "zlib_best_speed, zlib_best_compression, "
                      "zlib_level_1 ... zlib_level_9");
  command->add_option("--first-compression", options.first_compression,
                      "Compression of the type-1 part");
  command->add_option("--second-compression", options.second_compression,
                      "Compression of the type-0 part");
  command
      ->add_option("--first-format", options.first_format,
                   "Format of the type-1 part")
      ->check(CLI::Range(0, 2));
  command
      ->add_option("--second-format", options.second_format,
                   "Format of the type-0 part")
      ->check(CLI::Range(0, 2));
  return command;
}

CLI::App* add_unpack(CLI::App& app, unpack_options& options) {
  CLI::App* command = add_command(
      app, "unpack", "Write the decompressed payloads of one message",
      "  vexal unpack out.vexal --index 1 --first head.out --second -\n");
  command->add_option("FILE", options.input, "Input (- : standard input)")
      ->required();
  command
      ->add_option("--index", options.index,
                   "Which message, counting from 0 (default 0)")
      ->type_name("N");
  command->add_option("--first", options.first_output,
                      "Where to write the type-1 payload (- : standard "
                      "output)");
  command->add_option("--second", options.second_output,
                      "Where to write the type-0 payload (- : standard "
                      "output)");
  add_limits(*command, options.limits);
  return command;
}

CLI::App* add_salvage(CLI::App& app, salvage_options& options) {
  CLI::App* command = add_command(
      app, "salvage",
      "Recover the whole messages of a damaged input into a new file",
      "  vexal salvage damaged.vexal -o recovered.vexal\n");
  command->add_option("FILE", options.input, "Input (- : standard input)")
      ->required();
  command
      ->add_option("-o,--output", options.output,
                   "Where to write the messages that parse, byte for byte "
                   "(- : standard output); never the input itself")
      ->required();
  add_limits(*command, options.limits);
  command->footer(
      "Each damaged range is reported on standard error, as \"damaged: "
      "bytes 1200\u20131431 (232 bytes) skipped\", then a summary line, as "
      "\"41 of 43 messages recovered, 2 damaged ranges, 1,032 bytes "
      "dropped\". A message is kept only where its parts' type codes are in "
      "their places and the bytes after it start another message that parses "
      "or the input ends, or else where no message that parses starts inside "
      "it.\n\n" +
      command->get_footer());
  return command;
}

// Ends a failed run: what was printed before the failure is written out,
// then "vexal: " and `line` go to standard error.
int fail(int status, const std::string& line) {
  try {
    flush_output();
  } catch (const output_closed&) {
  } catch (const tool_error& error) {
    std::cerr << "vexal: " << error.what() << '\n';
    status = exit_bad_usage;
  }
  std::cerr << "vexal: " << line << '\n';
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  // A reader that goes away shows as EPIPE on the next write, which ends the
  // run quietly (output_closed) instead of killing it.
  std::signal(SIGPIPE, SIG_IGN);

  CLI::App app("Inspect, pack, unpack and salvage vexal messages.", "vexal");
  app.set_version_flag("--version", kelvo::vexal_version::get_string(),
                       "Print the library's version and exit");
  app.require_subcommand(1);
  app.footer(std::string("Run 'vexal COMMAND --help' for a command's options "
                         "and an example.\n\n") +
             exit_statuses);

  inspect_options inspect;
  pack_options pack;
  unpack_options unpack;
  salvage_options salvage;
  const CLI::App* inspect_command = add_inspect(app, inspect);
  const CLI::App* pack_command = add_pack(app, pack);
  const CLI::App* unpack_command = add_unpack(app, unpack);
  add_salvage(app, salvage);

  if (argc <= 1) {
    std::cerr << app.help();
    return exit_bad_usage;
  }
  try {
    try {
      app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
      if (error.get_exit_code() != 0) {
        return fail(exit_bad_usage, error.what());
      }
      std::ostringstream text;  // help or version, written like any output
      app.exit(error, text, std::cerr);
      print(text.str());
      flush_output();
      return exit_ok;
    }
    if (inspect_command->parsed()) return run_inspect(inspect);
    if (pack_command->parsed()) return run_pack(pack);
    if (unpack_command->parsed()) return run_unpack(unpack);
    return run_salvage(salvage);  // one command is required
  } catch (const output_closed&) {
    return exit_ok;
  } catch (const tool_error& error) {
    return fail(error.status(), error.what());
  } catch (const std::exception& error) {
    return fail(exit_bad_usage, error.what());
  }
}
