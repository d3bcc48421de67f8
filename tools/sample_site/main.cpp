// sample_site: serves the sample courseware site on 127.0.0.1 until SIGINT or
// SIGTERM.
//   sample_site [--pages-port P] [--images-port I] [--notice-port N]
// A port left out or given as 0 is picked free; the ports in use are printed
// on one line as soon as the servers accept.
#include <signal.h>
#include <stdlib.h>

#include <QGuiApplication>
#include <cstdio>
#include <cstring>

#include "tools/sample_site/sample_site.h"

namespace {

int usage() {
  std::fprintf(stderr, "usage: sample_site [--pages-port P] [--images-port I] [--notice-port N]\n");
  return 2;
}

// A port number 0 to 65535; -1 for anything else.
int parse_port(const char* text) {
  if (!*text || std::strlen(text) > 5) return -1;
  int port = 0;
  for (const char* c = text; *c; ++c) {
    if (*c < '0' || *c > '9') return -1;
    port = port * 10 + (*c - '0');
  }
  return port <= 65535 ? port : -1;
}

}  // namespace

int main(int argc, char** argv) {
  int ports[3] = {0, 0, 0};
  static const char* const options[3] = {"--pages-port", "--images-port", "--notice-port"};
  for (int i = 1; i < argc; ++i) {
    int which = -1;
    for (int o = 0; o < 3; ++o) {
      if (std::strcmp(argv[i], options[o]) == 0) which = o;
    }
    if (which < 0 || i + 1 >= argc) return usage();
    ports[which] = parse_port(argv[++i]);
    if (ports[which] < 0) return usage();
  }

  // Signals are taken by sigwait below; blocked before any thread starts, so
  // that every thread inherits the mask and none is interrupted by them.
  sigset_t stop_signals;
  sigemptyset(&stop_signals);
  sigaddset(&stop_signals, SIGINT);
  sigaddset(&stop_signals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stop_signals, nullptr);

  // Drawing text on the page images needs the font database of a GUI
  // application; no display is needed.
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QGuiApplication app(argc, argv);

  SampleSite site;
  if (!start_sample_site(site, ports[0], ports[1], ports[2])) {
    std::fprintf(stderr, "sample site: cannot bind the ports on 127.0.0.1\n");
    return 1;
  }
  std::printf("sample site: pages 127.0.0.1:%d images 127.0.0.1:%d notice 127.0.0.1:%d\n",
              site.pages_port, site.images_port, site.notice_port);
  std::fflush(stdout);

  int received = 0;
  sigwait(&stop_signals, &received);
  stop_sample_site(site);
  return 0;
}
