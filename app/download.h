// The download command: every page image of the chosen book saved as a
// numbered file in the program's directory. The same label stops it.
#pragma once

#include "text/values.h"

// "下载" starts the worker and turns the label into "停止"; "停止" asks the
// worker to stop and turns the label back into "下载" at once.
void toggle_download();

// The worker: page 1 decides the loop. The direct loop saves 001.jpg to
// 230.jpg straight from the book's directory; the per-page loop reads pages
// 1 to 240 and saves the image each one names as 1.jpg to 240.jpg. Stops at
// its next step when asked; no file is written after the stop.
void download_book();

// The page number padded with zeros to three digits.
Text page_file_name(int page);
