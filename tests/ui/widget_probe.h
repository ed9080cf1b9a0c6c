// A widget that writes each call it receives, as "name.Operation", into a
// shared journal, and can be told to act during its own events.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "ui/widget.h"

namespace testing_ui {

struct CallJournal {
  std::vector<std::string> calls;
};

class ProbeWidget : public TWidget {
 public:
  ProbeWidget(const std::string& name, CallJournal& journal, const TScreenPosition& position = TScreenPosition())
      : TWidget(name, position), journal_(journal) {}
  ~ProbeWidget() override { Note("Deleted"); }

  void Draw() override { Note("Draw"); }
  void Update() override {
    Note("Update");
    if (onUpdate) onUpdate(*this);
  }
  void HandleKeys() override { Note("HandleKeys"); }
  void Think() override {
    Note("Think");
    if (onThink) onThink(*this);
  }
  void Relayout() override {
    Note("Relayout");
    TWidget::Relayout();
  }
  bool IsUnderMouse() override { return underMouse; }
  void SetEnabled(bool enabled) override { Note(enabled ? "Enabled" : "Disabled"); }
  void MakeModal() { SetModal(true); }

  bool underMouse = false;
  std::function<void(ProbeWidget&)> onUpdate;
  std::function<void(ProbeWidget&)> onThink;

 private:
  void Note(const std::string& operation) { journal_.calls.push_back(GetName() + "." + operation); }
  CallJournal& journal_;
};

}  // namespace testing_ui
