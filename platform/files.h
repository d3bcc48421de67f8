// The program's directory and whole-file writes.
#pragma once

#include "text/values.h"

// The directory that holds the program file, without a trailing separator.
Text run_directory();

// The separator between the parts of a path.
Text path_separator();

// Creates the file at `path`, or empties it if it exists, and writes `data`
// into it (empty data leaves an empty file). Returns whether every byte was
// written and the file closed without error; a failure leaves no file handle
// open.
bool write_file(const Text& path, const Bytes& data);
