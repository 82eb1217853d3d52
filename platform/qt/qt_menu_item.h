#pragma once

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <memory>

#include "platform/menu.h"

namespace vorsel {

// A menu item over Qt: either a menu that holds child items (a QMenu of the window) or an
// entry of its own (a QAction that this object owns). Captions keep their "&" mnemonics,
// which Qt reads the same way; the caption "-" makes the entry a separator.
class QtMenuItem : public MenuItem {
 public:
  // The window's menu, which stays the window's.
  explicit QtMenuItem(QMenu& menu);
  // The window's menu bar, which stays the window's; it has no entry of its own.
  explicit QtMenuItem(QMenuBar& bar);
  // A new entry, placed in no menu yet; it opens a submenu of its own once it holds items.
  QtMenuItem();
  ~QtMenuItem() override;
  QtMenuItem(const QtMenuItem&) = delete;
  QtMenuItem& operator=(const QtMenuItem&) = delete;

  void SetCaption(std::string_view caption) override;
  std::string Caption() const override;
  void SetVisible(bool visible) override;
  bool Visible() const override;
  void SetEnabled(bool enabled) override;
  bool Enabled() const override;
  void SetChecked(bool checked) override;
  bool Checked() const override;
  void SetShortCut(std::string_view keys) override;
  std::string ShortCut() const override;
  void SetTag(int32_t tag) override { tag_ = tag; }
  int32_t Tag() const override { return tag_; }
  void SetOnClick(ClickHandler onClick) override { onClick_ = std::move(onClick); }

  std::unique_ptr<MenuItem> CreateItem() override;
  int Count() const override;
  void Insert(int index, MenuItem& child) override;
  void Remove(MenuItem& child) override;

  // The entry as Qt shows it (for a menu, its menu action).
  QAction* Action() const;

 private:
  // The widget that shows the children: the window's menu or bar, or the own submenu.
  QWidget* Children() const;

  QPointer<QMenu> menu_;
  QPointer<QMenuBar> bar_;
  std::unique_ptr<QMenu> ownMenu_;  // outlives the action that shows it
  std::unique_ptr<QAction> ownAction_;
  int32_t tag_ = 0;
  ClickHandler onClick_;
};

}  // namespace vorsel
