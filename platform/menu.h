#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace vorsel {

// One item of a window's menu, as the toolkit provides it. An item may hold child items (a
// submenu). A "&" in a caption marks the next character as the keyboard mnemonic; "&&" shows
// one "&"; the caption "-" makes a separator line.
class MenuItem {
 public:
  using ClickHandler = std::function<void(MenuItem& sender)>;

  virtual ~MenuItem() = default;

  virtual void SetCaption(std::string_view caption) = 0;
  virtual std::string Caption() const = 0;
  virtual void SetVisible(bool visible) = 0;
  virtual bool Visible() const = 0;
  virtual void SetEnabled(bool enabled) = 0;
  virtual bool Enabled() const = 0;
  // A tick shown beside the caption.
  virtual void SetChecked(bool checked) = 0;
  virtual bool Checked() const = 0;
  // The key that chooses the item from anywhere in the window, in the toolkit's portable
  // text ("F1", "Ctrl+S"); empty for none.
  virtual void SetShortCut(std::string_view keys) = 0;
  virtual std::string ShortCut() const = 0;
  virtual void SetTag(int32_t tag) = 0;
  virtual int32_t Tag() const = 0;
  virtual void SetOnClick(ClickHandler onClick) = 0;

  // A new item of the same toolkit, not yet placed in any menu. Whoever holds it removes it
  // from its menu before destroying it.
  virtual std::unique_ptr<MenuItem> CreateItem() = 0;
  virtual int Count() const = 0;
  // Places a child at the index (the end when the index is past it).
  virtual void Insert(int index, MenuItem& child) = 0;
  virtual void Remove(MenuItem& child) = 0;
};

}  // namespace vorsel
