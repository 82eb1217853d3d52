#include "platform/qt/qt_menu_item.h"

#include <QKeySequence>
#include <stdexcept>

namespace vorsel {

QtMenuItem::QtMenuItem(QMenu& menu) : menu_(&menu) {}

QtMenuItem::QtMenuItem(QMenuBar& bar) : bar_(&bar) {}

QtMenuItem::QtMenuItem() : ownAction_(std::make_unique<QAction>()) {
  QObject::connect(ownAction_.get(), &QAction::triggered, [this] {
    if (ownAction_->isCheckable()) {
      ownAction_->setChecked(!ownAction_->isChecked());  // undo Qt's own flip
    }
    if (onClick_) {
      // A copy: the handler may replace itself (a recent-files list rebuilding its menu).
      const ClickHandler handler = onClick_;
      handler(*this);
    }
  });
}

QtMenuItem::~QtMenuItem() = default;

QAction* QtMenuItem::Action() const {
  return ownAction_ ? ownAction_.get() : (menu_ ? menu_->menuAction() : nullptr);
}

void QtMenuItem::SetCaption(std::string_view caption) {
  QAction* action = Action();
  if (action == nullptr) {
    return;
  }
  const QString text = QString::fromUtf8(caption.data(), static_cast<qsizetype>(caption.size()));
  action->setSeparator(ownAction_ && text == QStringLiteral("-"));
  if (menu_) {
    menu_->setTitle(text);
  } else {
    action->setText(text);
  }
}

std::string QtMenuItem::Caption() const {
  const QAction* action = Action();
  if (action == nullptr) {
    return {};
  }
  return action->isSeparator() ? std::string("-") : action->text().toStdString();
}

void QtMenuItem::SetVisible(bool visible) {
  if (QAction* action = Action()) {
    action->setVisible(visible);
  }
}

bool QtMenuItem::Visible() const {
  const QAction* action = Action();
  return action != nullptr && action->isVisible();
}

void QtMenuItem::SetEnabled(bool enabled) {
  if (QAction* action = Action()) {
    action->setEnabled(enabled);
  }
}

bool QtMenuItem::Enabled() const {
  const QAction* action = Action();
  return action != nullptr && action->isEnabled();
}

// The tick is the owner's to set: a ticked item does not flip by itself when chosen, since
// its click handler decides (and may refuse) the new state.
void QtMenuItem::SetChecked(bool checked) {
  if (QAction* action = Action()) {
    action->setCheckable(checked || action->isCheckable());
    action->setChecked(checked);
  }
}

bool QtMenuItem::Checked() const {
  const QAction* action = Action();
  return action != nullptr && action->isChecked();
}

void QtMenuItem::SetShortCut(std::string_view keys) {
  if (QAction* action = Action()) {
    action->setShortcut(
        QKeySequence(QString::fromUtf8(keys.data(), static_cast<qsizetype>(keys.size())),
                     QKeySequence::PortableText));
  }
}

std::string QtMenuItem::ShortCut() const {
  const QAction* action = Action();
  return action == nullptr ? std::string()
                           : action->shortcut().toString(QKeySequence::PortableText).toStdString();
}

std::unique_ptr<MenuItem> QtMenuItem::CreateItem() {
  return std::make_unique<QtMenuItem>();
}

QWidget* QtMenuItem::Children() const {
  if (menu_) {
    return menu_.data();
  }
  if (bar_) {
    return bar_.data();
  }
  return ownMenu_.get();
}

int QtMenuItem::Count() const {
  const QWidget* children = Children();
  return children ? static_cast<int>(children->actions().size()) : 0;
}

void QtMenuItem::Insert(int index, MenuItem& child) {
  if (Children() == nullptr) {
    if (!ownAction_) {
      throw std::logic_error("the menu is gone");
    }
    ownMenu_ = std::make_unique<QMenu>();
    ownMenu_->setTitle(ownAction_->text());
    ownAction_->setMenu(ownMenu_.get());
  }
  QWidget* children = Children();
  QAction* action = static_cast<QtMenuItem&>(child).Action();
  const QList<QAction*> actions = children->actions();
  QAction* before = index >= 0 && index < actions.size() ? actions.at(index) : nullptr;
  children->insertAction(before, action);
}

void QtMenuItem::Remove(MenuItem& child) {
  if (QWidget* children = Children()) {
    children->removeAction(static_cast<QtMenuItem&>(child).Action());
  }
}

}  // namespace vorsel
