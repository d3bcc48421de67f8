// The one-line notice shown along the bottom of the window at start-up.
#pragma once

#include "text/values.h"

// The address of the notice, fixed when the program is built.
Text notice_url();

// Fetches the notice from notice_url() and puts it into the notice line.
// Runs on the GUI thread during start-up.
void show_notice();

// Fetches `url` and puts the body into the notice line as it comes: up to its
// first zero byte, line breaks and all; empty when nothing could be read.
void show_notice_from(const Text& url);
