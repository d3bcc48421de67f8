// A fixture that opens the real main window under Qt's offscreen platform
// and drives it as a user would.
#pragma once

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include "app/main_window.h"

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    static int argc = 1;
    static char name[] = "app_tests";
    static char* argv[] = {name, nullptr};
    gui_setup(argc, argv);
    init_globals();
    open_window(main_form(), main_events());
    settle();
  }

  void TearDown() override {
    close_window();
    release_globals();
  }

  // Lets queued writes reach the widgets.
  static void settle() {
    for (int i = 0; i < 3; ++i) QApplication::processEvents();
  }

  static QWidget* window() {
    for (QWidget* w : QApplication::topLevelWidgets()) {
      if (w->objectName() == "main_window" && w->isVisible()) return w;
    }
    return nullptr;
  }
  static QWidget* control(const char* name) {
    QWidget* w = window();
    return w ? w->findChild<QWidget*>(QString::fromUtf8(name)) : nullptr;
  }
  static QLabel* label(const char* name) { return qobject_cast<QLabel*>(control(name)); }
  static QComboBox* combo(const char* name) { return qobject_cast<QComboBox*>(control(name)); }

  // A click of the left mouse button in the middle of the control.
  static void release(const char* name) {
    QWidget* w = control(name);
    QTest::mouseClick(w, Qt::LeftButton, {}, w->rect().center());
    settle();
  }

  // Releases over the control, expecting a modal message box, which is
  // closed with its OK button. Returns "title|text", or "" when none came.
  static QString release_expecting_message_box(const char* name) {
    QString seen;
    QTimer::singleShot(0, [&seen] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (!box) return;
      seen = box->windowTitle() + "|" + box->text();
      EXPECT_EQ(box->icon(), QMessageBox::NoIcon);
      EXPECT_EQ(box->buttons().size(), 1);
      box->button(QMessageBox::Ok)->click();
    });
    release(name);
    return seen;
  }

  // Opens the drop-down list and picks an item with the keyboard, as a user.
  static void pick_from_list(QComboBox* box, int index) {
    box->showPopup();
    QAbstractItemView* view = box->view();
    view->setCurrentIndex(view->model()->index(index, 0));
    QTest::keyClick(view, Qt::Key_Return);
    settle();
  }
};
