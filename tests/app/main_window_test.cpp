// The main window under Qt's offscreen platform.
#include "app/main_window.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <thread>

#include "app/catalogue.h"
#include "app/controls.h"
#include "platform/codepage.h"
#include "qt_fixture.h"

namespace {

TEST_F(MainWindowTest, WindowFrame) {
  QWidget* w = window();
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(w->windowTitle(), QString::fromUtf8("zuvo电子课件下载"));
  EXPECT_EQ(w->frameGeometry().size(), QSize(561, 685));
  EXPECT_EQ(w->minimumSize(), w->maximumSize());  // a fixed border
  const Qt::WindowFlags flags = w->windowFlags();
  EXPECT_TRUE(flags & Qt::WindowMinimizeButtonHint);
  EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
  EXPECT_TRUE(flags & Qt::WindowSystemMenuHint);
}

TEST_F(MainWindowTest, ControlsAsOnTheForm) {
  const struct {
    const char* name;
    const char* kind;
    const char* parent;
    QRect place;
    const char* caption;  // labels only
  } form[] = {
      {"列表框1", "QListWidget", "main_window", {2, 16, 158, 600}, nullptr},
      {"上下册_选择框", "QComboBox", "main_window", {163, 19, 120, 20}, nullptr},
      {"内容_选择框", "QComboBox", "main_window", {292, 19, 120, 20}, nullptr},
      {"标签1", "QLabel", "main_window", {416, 16, 56, 24}, "预览"},
      {"标签3", "QLabel", "main_window", {461, 16, 56, 24}, "下载"},
      {"标签4", "QLabel", "main_window", {503, 16, 56, 24}, "初始化"},
      {"分组框1", "QGroupBox", "main_window", {169, 45, 384, 576}, nullptr},
      {"标签2", "QLabel", "分组框1", {112, 10, 128, 17}, "预   览"},
      {"图片框1", "QLabel", "分组框1", {3, 29, 376, 544}, nullptr},
      {"标签5", "QLabel", "main_window", {16, 632, 528, 16}, ""},
      {"图片框2", "QLabel", "main_window", {704, 208, 200, 200}, nullptr},
  };
  for (const auto& c : form) {
    QWidget* w = control(c.name);
    ASSERT_NE(w, nullptr) << c.name;
    EXPECT_TRUE(w->inherits(c.kind)) << c.name;
    EXPECT_EQ(w->parentWidget()->objectName(), QString::fromUtf8(c.parent)) << c.name;
    EXPECT_EQ(w->geometry(), c.place) << c.name;
    if (c.caption) {
      EXPECT_EQ(label(c.name)->text(), QString::fromUtf8(c.caption)) << c.name;
    }
  }
  for (const char* name : {"标签1", "标签3", "标签4"}) {
    EXPECT_EQ(label(name)->palette().color(QPalette::WindowText), QColor(0, 0, 255)) << name;
    EXPECT_TRUE(label(name)->alignment() & Qt::AlignHCenter) << name;
  }
  EXPECT_EQ(label("标签2")->palette().color(QPalette::WindowText), QColor(0, 0, 0));
  EXPECT_TRUE(label("标签2")->alignment() & Qt::AlignHCenter);
  EXPECT_TRUE(label("标签5")->alignment() & Qt::AlignLeft);
  EXPECT_EQ(label("图片框1")->frameShadow(), QFrame::Sunken);
  EXPECT_EQ(label("图片框2")->frameShape(), QFrame::NoFrame);
  EXPECT_TRUE(label("图片框2")->hasScaledContents());
  EXPECT_FALSE(label("图片框2")->pixmap().isNull());
  EXPECT_TRUE(qobject_cast<QGroupBox*>(control("分组框1"))->title().isEmpty());
}

TEST_F(MainWindowTest, ListsAndStartingSelections) {
  auto* books = qobject_cast<QListWidget*>(control("列表框1"));
  ASSERT_EQ(books->count(), 49);
  for (int i = 0; i < books->count(); ++i) {
    const std::string gbk =
        utf16_to_multibyte(kGbkCodePage, books->item(i)->text().toStdU16String());
    EXPECT_EQ(Text(gbk), book_table()[i].list_text) << i;
  }
  EXPECT_FALSE(books->isSortingEnabled());
  EXPECT_EQ(books->selectionMode(), QAbstractItemView::SingleSelection);
  EXPECT_EQ(control_selection(列表框1), -1);

  auto* volume = combo("上下册_选择框");
  EXPECT_TRUE(volume->isEditable());
  EXPECT_EQ(volume->count(), 2);
  EXPECT_EQ(volume->currentIndex(), 0);
  EXPECT_EQ(volume->currentText(), QString::fromUtf8("上册"));  // selected again at start-up
  auto* content = combo("内容_选择框");
  EXPECT_TRUE(content->isEditable());
  EXPECT_EQ(content->itemText(0), QString::fromUtf8("电子课件"));
  EXPECT_EQ(content->currentIndex(), 0);
  EXPECT_TRUE(content->currentText().isEmpty());
  EXPECT_EQ(site_base_url, courseware_base_url());
  EXPECT_EQ(image_extension.get(), Text(".jpg"));
}

TEST_F(MainWindowTest, OnlyAUserPickFromTheListBuildsTheAddresses) {
  set_control_selection(列表框1, 2);
  set_control_selection(内容_选择框, 0);  // by code: no event
  EXPECT_EQ(first_page_url.get(), Text());

  QComboBox* content = combo("内容_选择框");
  content->setFocus();
  content->lineEdit()->setText(QString::fromUtf8("电子课件"));  // as if typed
  QTest::keyClick(content->lineEdit(), Qt::Key_Return);         // typed, not picked
  QTest::keyClick(content, Qt::Key_Down);  // arrow keys do not pick from the list either
  emit content->activated(0);              // how the toolkit reports typing and arrow keys
  EXPECT_EQ(first_page_url.get(), Text());

  pick_from_list(content, 0);
  EXPECT_EQ(first_page_url.get(), concat_text(courseware_base_url(), "xx3s/ebook/1.html"));
  EXPECT_EQ(label("标签2")->text(), QString::fromUtf8("正在解析"));
}

TEST_F(MainWindowTest, ResetWithoutABookShowsTheMessage) {
  set_control_selection(上下册_选择框, 1);
  const QString shown = release_expecting_message_box("标签4");
  EXPECT_EQ(shown, QString::fromUtf8("信息：|未选择年级列表！！"));
  EXPECT_EQ(label("标签2")->text(), QString::fromUtf8("开始寻找"));
  EXPECT_EQ(control_selection(列表框1), -1);
  EXPECT_EQ(control_selection(内容_选择框), -1);
  EXPECT_EQ(control_selection(上下册_选择框), 1);
}

TEST_F(MainWindowTest, ResetWithABookRebuildsThenClears) {
  set_control_selection(列表框1, 8);
  set_control_selection(上下册_选择框, 1);
  set_control_selection(内容_选择框, 0);
  release("标签4");
  const Text dir = concat_text(courseware_base_url(), "cz9x/ebook/");
  EXPECT_EQ(book_dir_url.get(), dir);
  EXPECT_EQ(label("标签2")->text(), QString::fromUtf8("正在解析"));
  EXPECT_EQ(control_selection(列表框1), -1);
  EXPECT_EQ(control_selection(内容_选择框), -1);
  EXPECT_TRUE(combo("内容_选择框")->currentText().isEmpty());
  EXPECT_EQ(control_selection(上下册_选择框), 1);
  // Nothing chosen any more: a second reset shows the message, the addresses stay.
  release_expecting_message_box("标签4");
  EXPECT_EQ(book_dir_url.get(), dir);
}

TEST_F(MainWindowTest, DonationImageSlidesInAndOut) {
  release("标签5");
  release("标签5");
  EXPECT_EQ(control("图片框2")->pos(), QPoint(248, 200));
  // In view it lies above the preview area.
  QWidget* top = window()->childAt(QPoint(248 + 100, 200 + 100));
  EXPECT_EQ(top, control("图片框2"));
  release("图片框2");
  EXPECT_EQ(control("图片框2")->pos(), QPoint(700, 200));
}

TEST_F(MainWindowTest, ReleaseOutsideTheLabelDoesNothing) {
  QWidget* notice = control("标签5");
  QTest::mousePress(notice, Qt::LeftButton, {}, QPoint(5, 5));
  QTest::mouseRelease(notice, Qt::LeftButton, {}, QPoint(-20, -20));
  EXPECT_EQ(control("图片框2")->pos(), QPoint(704, 208));
  QTest::mouseClick(notice, Qt::RightButton, {}, QPoint(5, 5));
  EXPECT_EQ(control("图片框2")->pos(), QPoint(704, 208));
}

TEST_F(MainWindowTest, WritesFromAnotherThreadArriveInOrder) {
  std::thread worker([] {
    for (int i = 1; i <= 50; ++i) set_control_caption(标签2, concat_text("page ", to_text(i)));
  });
  worker.join();
  set_control_caption(标签2, "gui");  // made last, on the GUI thread: it wins
  settle();
  EXPECT_EQ(label("标签2")->text(), "gui");

  std::thread late([] { set_control_caption(标签2, "worker"); });
  late.join();
  EXPECT_TRUE(QTest::qWaitFor([&] { return label("标签2")->text() == "worker"; }, 2000));
  EXPECT_EQ(control_caption(标签2), Text("worker"));
}

TEST_F(MainWindowTest, PicturesFromBytes) {
  EXPECT_TRUE(QImageReader::supportedImageFormats().contains("jpeg"));
  EXPECT_TRUE(QImageReader::supportedImageFormats().contains("png"));
  set_control_picture(图片框1, resource_bytes("donation.png"));
  settle();
  EXPECT_FALSE(label("图片框1")->pixmap().isNull());
  set_control_picture(图片框1, Bytes(std::string("<html>not an image</html>")));
  settle();
  EXPECT_TRUE(label("图片框1")->pixmap().isNull());
  set_control_picture(图片框1, resource_bytes("donation.png"));
  set_control_picture(图片框1, Bytes());
  settle();
  EXPECT_TRUE(label("图片框1")->pixmap().isNull());
}

}  // namespace
