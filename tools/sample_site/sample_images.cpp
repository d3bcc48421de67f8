// The page images of the sample site: a drawn page per book and page number,
// encoded as JPEG the first time it is asked for and kept.
#include <QBuffer>
#include <QColor>
#include <QCoreApplication>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QImageWriter>
#include <QPainter>
#include <QRect>
#include <QString>
#include <map>
#include <mutex>
#include <utility>

#include "tools/sample_site/sample_site.h"

namespace {

constexpr int kWidth = 600;
constexpr int kHeight = 860;

QFont font_of(int pixel_size, bool bold = false) {
  QFont font;
  font.setFamilies({"WenQuanYi Micro Hei", "Noto Sans CJK SC", "DejaVu Sans"});
  font.setPixelSize(pixel_size);
  font.setBold(bold);
  return font;
}

// The page: a coloured band with the book's name, grey lines of "text", the
// page number in large type, and a strip of cells spelling the book's index
// and the page number in binary, so that pages differ even without fonts.
QImage draw_page(const SampleBook& book, int book_index, int page) {
  QImage image(kWidth, kHeight, QImage::Format_RGB32);
  image.fill(Qt::white);
  const QColor band = QColor::fromHsv((book_index * 47) % 360, 150, 190);
  QPainter p(&image);
  p.fillRect(0, 0, kWidth, 140, band);
  p.setPen(QColor(200, 200, 200));
  p.drawRect(8, 8, kWidth - 17, kHeight - 17);

  unsigned seed = static_cast<unsigned>(book_index * 7919 + page * 104729);
  for (int line = 0; line < 8; ++line) {
    seed = seed * 1103515245u + 12345u;
    const int width = 260 + static_cast<int>((seed >> 16) % 260);
    p.fillRect(40, 180 + line * 26, width, 10, QColor(215, 215, 215));
  }

  const unsigned code = static_cast<unsigned>(book_index) << 10 | static_cast<unsigned>(page);
  for (int bit = 0; bit < 20; ++bit) {
    const bool on = (code >> (19 - bit)) & 1;
    p.fillRect(60 + bit * 24, 760, 20, 30, on ? QColor(30, 30, 30) : QColor(230, 230, 230));
  }

  // Text needs the font database, which only a GUI application sets up.
  if (qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
    p.setPen(Qt::white);
    p.setFont(font_of(44, true));
    p.drawText(QRect(40, 20, kWidth - 80, 70), Qt::AlignLeft | Qt::AlignVCenter,
               QString::fromStdString(book.title));
    p.setFont(font_of(22));
    p.drawText(QRect(40, 90, kWidth - 80, 36), Qt::AlignLeft | Qt::AlignVCenter,
               QString::fromStdString(book.key) + QString::fromUtf8(" · 电子课本"));
    p.setPen(band.darker(130));
    p.setFont(font_of(240, true));
    p.drawText(QRect(0, 400, kWidth, 250), Qt::AlignCenter, QString::number(page));
    p.setPen(QColor(60, 60, 60));
    p.setFont(font_of(36));
    p.drawText(QRect(0, 660, kWidth, 60), Qt::AlignCenter,
               QString::fromUtf8("第 %1 页 / 共 %2 页").arg(page).arg(book.pages));
    p.setPen(QColor(140, 140, 140));
    p.setFont(font_of(18));
    p.drawText(QRect(0, 805, kWidth, 30), Qt::AlignCenter,
               QString::fromUtf8("示例课件站点 · 仅供测试"));
  }
  p.end();
  return image;
}

std::string jpeg_of(const QImage& image) {
  QBuffer buffer;
  buffer.open(QIODevice::WriteOnly);
  QImageWriter writer(&buffer, "jpeg");
  writer.setQuality(85);
  if (!writer.write(image)) return "";
  const QByteArray& bytes = buffer.data();
  return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

}  // namespace

std::string sample_page_image(std::string_view key, int page) {
  const std::vector<SampleBook>& books = sample_books();
  const SampleBook* book = find_sample_book(key);
  if (!book || page < 1 || page > book->pages) return "";

  // One lock for lookup, drawing and encoding: images are made once each,
  // and Qt's drawing then never runs on two threads at the same time.
  static std::mutex lock;
  static std::map<std::pair<std::string, int>, std::string> made;
  std::lock_guard<std::mutex> guard(lock);
  auto [it, fresh] = made.try_emplace({book->key, page});
  if (fresh) it->second = jpeg_of(draw_page(*book, static_cast<int>(book - books.data()), page));
  return it->second;
}
