// A plain fetching program, timed from outside as a whole process so that its
// figures stand beside those of the curl command for the same URLs. It has a
// main of its own: the benchmark library's main is linked in but never used.
//
//   http_bench request URL [COUNT]   COUNT fetches (default 1) with http_request
//   http_bench get URL [COUNT]       COUNT fetches with http_get, one thread
//   http_bench get-list FILE         http_get of every URL in FILE (one a line)
//
// Each prints "fetches N bytes B seconds S peak_kib P" and exits 1 when a
// fetch brought no body or, with --expect SIZE before the mode, a body of
// another size. S is the fetching alone, without the start of the process.
// P is the peak resident memory of this program's own image: unlike the
// rusage of a child, it leaves out the parent's memory from before the exec.

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "http/request.h"
#include "platform/http_get.h"

namespace {

using Clock = std::chrono::steady_clock;

// Whether a fetched body is acceptable: not empty, and `expected` bytes long
// when expected is not negative. Reports the fault on stderr.
bool body_ok(const Bytes& body, long long expected, const std::string& url) {
  if (body.empty() || (expected >= 0 && body.size() != expected)) {
    std::fprintf(stderr, "http_bench: %s gave %d bytes\n", url.c_str(), body.size());
    return false;
  }
  return true;
}

// The non-empty lines of the file at `path`; empty when it cannot be read.
std::vector<std::string> read_lines(const char* path) {
  std::vector<std::string> lines;
  std::ifstream in(path);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty()) lines.push_back(line);
  }
  return lines;
}

// The peak resident set of this process image in KiB (VmHWM); 0 if unknown.
long long peak_rss_kib() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmHWM:", 0) == 0) return std::atoll(line.c_str() + 6);
  }
  return 0;
}

int usage() {
  std::fprintf(stderr,
               "usage: http_bench [--expect SIZE] request|get URL [COUNT]\n"
               "       http_bench [--expect SIZE] get-list FILE\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  long long expected = -1;
  if (args.size() >= 2 && args[0] == "--expect") {
    expected = std::atoll(args[1].c_str());
    args.erase(args.begin(), args.begin() + 2);
  }
  if (args.size() < 2 || args.size() > 3) return usage();
  const std::string& mode = args[0];

  std::vector<std::string> urls;
  if (mode == "get-list" && args.size() == 2) {
    urls = read_lines(args[1].c_str());
    if (urls.empty()) return usage();
  } else if (mode == "request" || mode == "get") {
    const int count = args.size() == 3 ? std::atoi(args[2].c_str()) : 1;
    if (count < 1) return usage();
    urls.assign(static_cast<size_t>(count), args[1]);
  } else {
    return usage();
  }

  const bool use_request = mode == "request";
  long long total = 0;
  const Clock::time_point start = Clock::now();
  for (const std::string& url : urls) {
    const Bytes body = use_request ? http_request(Text(url)) : http_get(Text(url));
    if (!body_ok(body, expected, url)) return 1;
    total += body.size();
  }
  const std::chrono::duration<double> took = Clock::now() - start;
  std::printf("fetches %zu bytes %lld seconds %.6f peak_kib %lld\n", urls.size(), total,
              took.count(), peak_rss_kib());
  return 0;
}
