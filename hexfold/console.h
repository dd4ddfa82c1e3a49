#pragma once

namespace hexfold {

// The program's console messages. Their text depends on the platform's console encoding, so
// each platform's console file holds the texts.
enum class Message {
    drag_file_in,         // no file was given on the command line
    conversion_complete,  // the output file is written
    input_open_failed,
    input_read_failed,
    output_open_failed,
    output_write_failed,
    endianness_error,  // a literal's digits could not be put in little-endian order
};

// Prints one message as a line of its own on standard output.
void print_message(Message message);

// Waits for the user to acknowledge the result, so that a console window opened by dropping a
// file onto the program stays readable. Returns at once when nobody can answer.
void pause();

}  // namespace hexfold
