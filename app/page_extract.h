// The address of a page's image, cut out of the HTML of the page. The page
// body lies between two hint lines; inside it the image is referenced either
// relative to the book's directory or by an absolute address followed by an
// onerror attribute.
#pragma once

#include "text/values.h"

enum class PageLayout {
  relative_image,  // "<img src='" reference "' style=\"", joined to the book's directory
  onerror_image,   // "<img src='" absolute address "'" blanks "onerror=\"src="
};

// The body of a response, percent-decoded, cut to the text between the two
// hint lines; empty when either is missing.
Text page_body_text(const Bytes& body);

// onerror_image when the page body holds "onerror=" in any letter case.
PageLayout page_layout(const Text& page);

// The address of the page image. Pauses 500 ms after each cut (once for the
// relative layout, three times for the onerror layout), waking early on a
// stop request; call it on a worker thread.
Text extract_page_image(const Text& page, PageLayout layout, const Text& book_dir);
