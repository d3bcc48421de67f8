// A stand-in for the window: remembers captions, selections, places and
// pictures, and records message boxes instead of showing them.
#pragma once

#include <map>
#include <mutex>
#include <utility>
#include <vector>

#include "platform/gui.h"

struct FakeGui {
  std::mutex mutex;
  std::map<ControlId, Text> captions;
  std::map<ControlId, int> selections;
  std::map<ControlId, std::pair<int, int>> places;
  std::map<ControlId, Bytes> pictures;
  std::vector<std::pair<Text, Text>> message_boxes;  // text, title
  std::vector<Text> status_log;  // every caption written to the status line, in order

  // The status captions written so far.
  std::vector<Text> statuses() {
    std::lock_guard lock(mutex);
    return status_log;
  }

  // Installs this stand-in behind the GUI operations; captions written to
  // `status` are also logged.
  void install(ControlId status = -1) {
    GuiOps ops;
    ops.caption = [this](ControlId c) {
      std::lock_guard lock(mutex);
      return captions[c];
    };
    ops.set_caption = [this, status](ControlId c, const Text& t) {
      std::lock_guard lock(mutex);
      captions[c] = t;
      if (c == status) status_log.push_back(t);
    };
    ops.set_place = [this](ControlId c, int left, int top) {
      std::lock_guard lock(mutex);
      places[c] = {left, top};
    };
    ops.selection = [this](ControlId c) {
      std::lock_guard lock(mutex);
      auto it = selections.find(c);
      return it == selections.end() ? -1 : it->second;
    };
    ops.set_selection = [this](ControlId c, int i) {
      std::lock_guard lock(mutex);
      selections[c] = i;
    };
    ops.set_picture = [this](ControlId c, const Bytes& b) {
      std::lock_guard lock(mutex);
      pictures[c] = b;
    };
    ops.message_box = [this](const Text& text, const Text& title) {
      std::lock_guard lock(mutex);
      message_boxes.emplace_back(text, title);
    };
    install_gui(std::move(ops));
  }

  ~FakeGui() { install_gui({}); }
};
