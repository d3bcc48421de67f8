// An invented sample courseware site on 127.0.0.1, for the end-to-end tests
// and the run command. Three servers:
//   pages port:  /pep/<book>/ebook/<N>.html   page N of a book (code page 936)
//                /pep/<book>/ebook/<NNN>.jpg  its image, for books of the
//                                             relative and percent layouts
//   images port: /img/<book>/<N>.jpg          page images of onerror books
//   notice port: /                            a one-line notice (text/plain)
// Everything else, and every page or image past a book's last page, is a 404
// answered with the one fixed error page. <book> is a catalogue segment
// followed by the volume ("s" or "x") for grades one to nine: "xx3s", "cz9x",
// "gzbixiu1", "gzxuanxiub49".
//
// Pages and images are made the first time they are asked for; images are
// kept. All functions may be called from several threads at once. Drawing the
// page images needs a QGuiApplication in the process (the offscreen platform
// will do); without one the images carry no text.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

// How a book's pages point at their page image.
enum class SampleLayout {
  relative,         // <img src='NNN.jpg' style="..."> beside the page
  onerror,          // absolute address on the images port, then onerror="src=..."
  percent_encoded,  // relative, with the page body written as %XX escapes
};

struct SampleBook {
  std::string key;      // directory under /pep/: segment and volume, "xx3s"
  std::string segment;  // catalogue segment, "xx3"
  std::string title;    // list text and volume, UTF-8, "三年级上册"
  SampleLayout layout;
  int pages;  // the book has pages 1 to `pages`
};

struct SampleSiteServers;

// A running site. The ports are those actually bound. Copies share the
// servers: stop_sample_site on any copy stops them, and they stop by
// themselves when the last copy goes.
struct SampleSite {
  int pages_port = 0;
  int images_port = 0;
  int notice_port = 0;
  std::shared_ptr<SampleSiteServers> servers;
};

// Starts the three servers on 127.0.0.1 and fills in `site`; a port of 0
// picks a free one. A site already running in `site` is stopped first.
// Returns false, with nothing left running, when a port cannot be bound.
bool start_sample_site(SampleSite& site, int pages_port = 0, int images_port = 0,
                       int notice_port = 0);
// Stops the servers of `site` and waits for their threads; the ports are
// zeroed. Does nothing for a site that is not running.
void stop_sample_site(SampleSite& site);

// Every book of the site: the 49 catalogue segments, those of grades one to
// nine in both volumes (58 books), in catalogue order.
const std::vector<SampleBook>& sample_books();
// The book whose directory is `key`, or null.
const SampleBook* find_sample_book(std::string_view key);
// Pages of the book `key`; 0 for an unknown book.
int sample_book_pages(std::string_view key);

// "http://127.0.0.1:<pages port>/pep/<key>/ebook/": the book's directory.
std::string sample_book_dir_url(const SampleSite& site, std::string_view key);
// Where the site serves the image of page `page`: the book's directory and
// NNN.jpg, or for onerror books "http://127.0.0.1:<images port>/img/<key>/N.jpg".
std::string sample_image_url(const SampleSite& site, std::string_view key, int page);

// The HTML of page `page` of `key` as served (code page 936), with onerror
// addresses on `images_port`; empty when the book has no such page.
std::string sample_page_html(std::string_view key, int page, int images_port);
// The JPEG bytes of page `page` of `key`; empty when the book has no such page.
std::string sample_page_image(std::string_view key, int page);
// The body of every 404 answer (HTML, code page 936).
std::string sample_error_page();
// The body served at the root of the notice port (code page 936, one line).
std::string sample_notice();

// `utf8` in code page 936. Every character the site writes converts; any
// that cannot becomes "?".
std::string sample_gbk(std::string_view utf8);
