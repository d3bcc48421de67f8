// zuvo_screenshot OUT.png: saves the whole screen of $DISPLAY as a PNG.
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>
#include <cstdio>

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: zuvo_screenshot OUT.png\n");
    return 2;
  }
  QGuiApplication app(argc, argv);
  QScreen* screen = QGuiApplication::primaryScreen();
  if (!screen || !screen->grabWindow(0).save(QString::fromLocal8Bit(argv[1]), "PNG")) {
    std::fprintf(stderr, "zuvo_screenshot: could not save %s\n", argv[1]);
    return 1;
  }
  return 0;
}
