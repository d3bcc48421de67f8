// The preview command: page 1 of the chosen book shown in the preview box.
#pragma once

// "预览": starts a new preview worker, whatever else runs.
void start_preview();

// The worker: fetches page 1, cuts out its image address, fetches the image
// and shows it, reporting in the status line. Ends by itself, or early when
// the window closes.
void preview_page();
