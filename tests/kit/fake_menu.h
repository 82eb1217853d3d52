#pragma once

#include <algorithm>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/menu.h"

namespace vorsel::test {

// A menu item that records its state and its children, and can be clicked.
class FakeMenuItem : public MenuItem {
 public:
  FakeMenuItem() = default;
  explicit FakeMenuItem(std::string caption) : caption_(std::move(caption)) {}

  void SetCaption(std::string_view caption) override { caption_ = caption; }
  std::string Caption() const override { return caption_; }
  void SetVisible(bool visible) override { visible_ = visible; }
  bool Visible() const override { return visible_; }
  void SetEnabled(bool enabled) override { enabled_ = enabled; }
  bool Enabled() const override { return enabled_; }
  void SetChecked(bool checked) override { checked_ = checked; }
  bool Checked() const override { return checked_; }
  void SetShortCut(std::string_view keys) override { shortCut_ = keys; }
  std::string ShortCut() const override { return shortCut_; }
  void SetTag(int32_t tag) override { tag_ = tag; }
  int32_t Tag() const override { return tag_; }
  void SetOnClick(ClickHandler onClick) override { onClick_ = std::move(onClick); }

  std::unique_ptr<MenuItem> CreateItem() override { return std::make_unique<FakeMenuItem>(); }
  int Count() const override { return static_cast<int>(children.size()); }
  void Insert(int index, MenuItem& child) override {
    if (std::find(children.begin(), children.end(), &child) != children.end()) {
      throw std::logic_error("item inserted twice");
    }
    index = std::clamp(index, 0, Count());
    children.insert(children.begin() + index, static_cast<FakeMenuItem*>(&child));
  }
  void Remove(MenuItem& child) override {
    const auto it = std::find(children.begin(), children.end(), &child);
    if (it == children.end()) {
      throw std::logic_error("item is not in this menu");
    }
    children.erase(it);
  }

  void Click() {
    if (onClick_) {
      onClick_(*this);
    }
  }

  // Captions of the visible children, in menu order.
  std::vector<std::string> VisibleCaptions() const {
    std::vector<std::string> captions;
    for (const FakeMenuItem* child : children) {
      if (child->Visible()) {
        captions.push_back(child->Caption());
      }
    }
    return captions;
  }

  FakeMenuItem& Child(int index) { return *children.at(static_cast<size_t>(index)); }

  std::vector<FakeMenuItem*> children;

 private:
  std::string caption_;
  bool visible_ = true;
  bool enabled_ = true;
  bool checked_ = false;
  std::string shortCut_;
  int32_t tag_ = 0;
  ClickHandler onClick_;
};

}  // namespace vorsel::test
