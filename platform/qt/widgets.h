// The few widget classes the window needs beyond Qt's own.
#pragma once

#include <QComboBox>
#include <QLabel>
#include <QMouseEvent>
#include <QTimer>
#include <QWidget>
#include <functional>

// A label (or picture box) that reports a release of the left mouse button,
// counted only when the pointer is still over it.
class ClickLabel : public QLabel {
 public:
  using QLabel::QLabel;
  std::function<void()> on_release;

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override {
    QLabel::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) &&
        on_release) {
      on_release();
    }
  }
};

// A combo box that reports an item picked from its drop-down list, and
// nothing else: not typing, not the arrow keys, not a selection set by code.
// The list closes its popup just before it reports the pick, so a pick is
// an activation that follows hidePopup within the same event.
class PickComboBox : public QComboBox {
 public:
  explicit PickComboBox(QWidget* parent) : QComboBox(parent) {
    connect(this, &QComboBox::activated, this, [this](int) {
      if (closing_popup_ && on_pick) on_pick();
      closing_popup_ = false;
    });
  }
  std::function<void()> on_pick;

  void hidePopup() override {
    closing_popup_ = true;
    QComboBox::hidePopup();
    QTimer::singleShot(0, this, [this] { closing_popup_ = false; });
  }

 private:
  bool closing_popup_ = false;
};

// The top-level window: reports its closing before it goes.
class FormWindow : public QWidget {
 public:
  using QWidget::QWidget;
  std::function<void()> on_close;

 protected:
  void closeEvent(QCloseEvent* event) override {
    if (on_close) on_close();
    QWidget::closeEvent(event);
  }
};
