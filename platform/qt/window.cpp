// The window toolkit over Qt 6 Widgets.
//
// Captions are code page 936 texts; they become Qt strings here and nowhere
// else. Writes may come from any thread: a write made off the GUI thread is
// handed to the GUI thread, so widgets and pixmaps are touched there only.
// Every write takes a ticket when it is made, and the GUI thread applies a
// write only if no later write to the same property was applied already: the
// last write made wins, whichever thread made it.

#include "platform/window.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <QApplication>
#include <QFile>
#include <QGroupBox>
#include <QListWidget>
#include <QMessageBox>
#include <QPalette>
#include <QPixmap>
#include <QPointer>
#include <QScreen>
#include <QSocketNotifier>
#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/codepage.h"
#include "platform/qt/widgets.h"

namespace {

enum class Property { caption, place, selection, picture };

QString to_qstring(const Text& t) {
  return QString::fromStdU16String(multibyte_to_utf16(kGbkCodePage, t.view()));
}

struct OpenWindow {
  FormWindow* window = nullptr;
  std::map<ControlId, QPointer<QWidget>> controls;
  std::map<std::pair<ControlId, Property>, uint64_t> applied;  // ticket of the last write shown
  WindowEvents events;
  int outer_width = 0, outer_height = 0;
};

// GUI thread only.
OpenWindow* open_one = nullptr;

// Writes made off the GUI thread wait in this queue (our own lock) until the
// GUI thread runs them; an eventfd wakes the GUI thread. Worker threads thus
// never call into Qt.
std::mutex handoff_mutex;
std::vector<std::function<void()>> handed_over;
int wake_fd = -1;
std::thread::id gui_thread;

void hand_to_gui_thread(std::function<void()> run) {
  {
    std::lock_guard lock(handoff_mutex);
    handed_over.push_back(std::move(run));
  }
  const uint64_t one = 1;
  [[maybe_unused]] ssize_t n = write(wake_fd, &one, sizeof one);
}

void run_handed_over() {
  uint64_t count = 0;
  [[maybe_unused]] ssize_t n = read(wake_fd, &count, sizeof count);
  std::vector<std::function<void()>> batch;
  {
    std::lock_guard lock(handoff_mutex);
    batch.swap(handed_over);
  }
  for (auto& run : batch) run();
}

// Any thread: the captions as last written, read back byte for byte.
std::mutex captions_mutex;
std::map<ControlId, Text> captions;
std::atomic<uint64_t> tickets{0};

bool on_gui_thread() {
  return std::this_thread::get_id() == gui_thread;
}

// Runs `apply` on the GUI thread for the write with `ticket`, unless a later
// write to the same property has been applied.
template <typename Apply>
void write_property(ControlId id, Property property, Apply apply) {
  const uint64_t ticket = ++tickets;
  auto run = [id, property, ticket, apply = std::move(apply)] {
    if (!open_one) return;
    uint64_t& last = open_one->applied[{id, property}];
    if (ticket < last) return;
    last = ticket;
    auto it = open_one->controls.find(id);
    if (it != open_one->controls.end() && it->second) apply(it->second.data());
  };
  if (on_gui_thread()) {
    run();
  } else {
    hand_to_gui_thread(std::move(run));
  }
}

void apply_caption(QWidget* w, const Text& caption) {
  if (auto* label = qobject_cast<QLabel*>(w)) label->setText(to_qstring(caption));
  if (auto* combo = qobject_cast<QComboBox*>(w)) combo->setEditText(to_qstring(caption));
}

void apply_selection(QWidget* w, int index) {
  if (auto* list = qobject_cast<QListWidget*>(w)) {
    if (index < 0 || index >= list->count()) {
      list->clearSelection();
      list->setCurrentRow(-1);
    } else {
      list->setCurrentRow(index);
    }
  }
  if (auto* combo = qobject_cast<QComboBox*>(w)) {
    if (index < 0 || index >= combo->count()) index = -1;
    combo->setCurrentIndex(index);
    // Selecting the item already current must still show its text.
    combo->setEditText(index < 0 ? QString() : combo->itemText(index));
  }
}

void apply_picture(QWidget* w, const Bytes& image) {
  auto* label = qobject_cast<QLabel*>(w);
  if (!label) return;
  QPixmap pixmap;
  if (!image.empty() &&
      pixmap.loadFromData(reinterpret_cast<const uchar*>(image.data()), image.size())) {
    label->setPixmap(pixmap);
  } else {
    label->clear();
  }
}

int read_selection(ControlId id) {
  if (!on_gui_thread() || !open_one) return -1;
  auto it = open_one->controls.find(id);
  if (it == open_one->controls.end() || !it->second) return -1;
  if (auto* list = qobject_cast<QListWidget*>(it->second.data())) {
    return list->selectedItems().isEmpty() ? -1 : list->currentRow();
  }
  if (auto* combo = qobject_cast<QComboBox*>(it->second.data())) return combo->currentIndex();
  return -1;
}

void show_message_box(const Text& text, const Text& title) {
  if (!on_gui_thread()) return;  // a modal box belongs to the GUI thread
  QMessageBox box(QMessageBox::NoIcon, to_qstring(title), to_qstring(text), QMessageBox::Ok,
                  open_one ? open_one->window : nullptr);
  box.exec();
}

GuiOps window_ops() {
  GuiOps ops;
  ops.caption = [](ControlId id) {
    std::lock_guard lock(captions_mutex);
    auto it = captions.find(id);
    return it == captions.end() ? Text() : it->second;
  };
  ops.set_caption = [](ControlId id, const Text& caption) {
    {
      std::lock_guard lock(captions_mutex);
      captions[id] = caption;
    }
    write_property(id, Property::caption, [caption](QWidget* w) { apply_caption(w, caption); });
  };
  ops.set_place = [](ControlId id, int left, int top) {
    write_property(id, Property::place, [left, top](QWidget* w) { w->move(left, top); });
  };
  ops.selection = read_selection;
  ops.set_selection = [](ControlId id, int index) {
    write_property(id, Property::selection, [index](QWidget* w) { apply_selection(w, index); });
  };
  ops.set_picture = [](ControlId id, const Bytes& image) {
    write_property(id, Property::picture, [image](QWidget* w) { apply_picture(w, image); });
  };
  ops.message_box = show_message_box;
  return ops;
}

QWidget* make_control(const ControlForm& c, QWidget* parent, const WindowEvents& events) {
  const ControlId id = c.id;
  QWidget* w = nullptr;
  switch (c.kind) {
    case ControlKind::list_box: {
      auto* list = new QListWidget(parent);
      list->setSelectionMode(QAbstractItemView::SingleSelection);
      list->setSortingEnabled(false);
      for (const Text& item : c.items) list->addItem(to_qstring(item));
      if (c.selection >= 0) list->setCurrentRow(c.selection);
      w = list;
      break;
    }
    case ControlKind::combo_box: {
      auto* combo = new PickComboBox(parent);
      combo->setEditable(true);
      combo->setInsertPolicy(QComboBox::NoInsert);
      for (const Text& item : c.items) combo->addItem(to_qstring(item));
      combo->setCurrentIndex(c.selection);
      combo->clearEditText();  // the edit field starts empty whatever is selected
      combo->on_pick = [id, events] {
        if (events.item_picked) events.item_picked(id);
      };
      w = combo;
      break;
    }
    case ControlKind::label:
    case ControlKind::picture_box: {
      auto* label = new ClickLabel(parent);
      label->on_release = [id, events] {
        if (events.released) events.released(id);
      };
      if (c.kind == ControlKind::label) {
        label->setText(to_qstring(c.caption));
        label->setAlignment((c.align == TextAlign::centre ? Qt::AlignHCenter : Qt::AlignLeft) |
                            Qt::AlignVCenter);
        QPalette palette = label->palette();
        palette.setColor(QPalette::WindowText, QColor::fromRgb(c.text_rgb));
        label->setPalette(palette);
      } else {
        label->setScaledContents(true);  // a picture is stretched to fill the box
        if (c.sunken_border) label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        apply_picture(label, c.picture);
      }
      std::lock_guard lock(captions_mutex);
      captions[id] = c.caption;
      w = label;
      break;
    }
    case ControlKind::group_box:
      w = new QGroupBox(parent);
      break;
  }
  w->setObjectName(QString::fromUtf8(c.name));
  w->setGeometry(c.left, c.top, c.width, c.height);
  return w;
}

// Gives the window its outer size (frame included) and centres it. Without a
// window manager the frame is empty and the client area takes the whole size.
void fit_and_centre(OpenWindow& open) {
  QWidget* window = open.window;
  const int frame_w = window->frameGeometry().width() - window->width();
  const int frame_h = window->frameGeometry().height() - window->height();
  window->setFixedSize(open.outer_width - frame_w, open.outer_height - frame_h);
  if (QScreen* screen = window->screen()) {
    QRect area = screen->availableGeometry();
    window->move(area.center().x() - open.outer_width / 2,
                 area.center().y() - open.outer_height / 2);
  }
}

}  // namespace

void gui_setup(int& argc, char** argv) {
  if (qApp) return;
  new QApplication(argc, argv);  // lives until the process ends
  gui_thread = std::this_thread::get_id();
  wake_fd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  auto* notifier = new QSocketNotifier(wake_fd, QSocketNotifier::Read, qApp);
  QObject::connect(notifier, &QSocketNotifier::activated, qApp, run_handed_over);
}

void open_window(const WindowForm& form, const WindowEvents& events) {
  if (open_one) close_window();
  auto* open = new OpenWindow;
  open->events = events;
  open->outer_width = form.outer_width;
  open->outer_height = form.outer_height;
  open->window = new FormWindow;
  open->window->setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                               Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                               Qt::WindowCloseButtonHint);
  open->window->setWindowTitle(to_qstring(form.title));
  open->window->setObjectName("main_window");
  open->window->on_close = [open] {
    if (open->events.closing) open->events.closing();
  };
  {
    std::lock_guard lock(captions_mutex);
    captions.clear();
  }
  for (const ControlForm& c : form.controls) {
    QWidget* parent = open->window;
    if (auto it = open->controls.find(c.parent); it != open->controls.end()) parent = it->second;
    QWidget* w = make_control(c, parent, events);
    w->raise();  // later controls lie above earlier ones
    open->controls[c.id] = w;
  }
  open->window->setFixedSize(form.outer_width, form.outer_height);
  open_one = open;
  install_gui(window_ops());
  if (events.created) events.created();
  open->window->show();
  fit_and_centre(*open);
}

int run_event_loop() {
  return qApp->exec();
}

void close_window() {
  if (!open_one) return;
  OpenWindow* open = open_one;
  open->window->close();  // the closing event runs here
  install_gui({});
  open_one = nullptr;
  delete open->window;
  delete open;
}

Bytes resource_bytes(const char* name) {
  QFile file(QString(":/") + QString::fromUtf8(name));
  if (!file.open(QIODevice::ReadOnly)) return {};
  QByteArray data = file.readAll();
  return Bytes(data.constData(), static_cast<int>(data.size()));
}
