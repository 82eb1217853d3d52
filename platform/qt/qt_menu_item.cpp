#include "platform/qt/qt_menu_item.h"

#include <QKeySequence>
#include <stdexcept>

namespace vorsel {

QtMenuItem::QtMenuItem(QMenu& menu) : menu_(&menu) {}

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

int QtMenuItem::Count() const {
  return menu_ ? static_cast<int>(menu_->actions().size()) : 0;
}

void QtMenuItem::Insert(int index, MenuItem& child) {
  if (!menu_) {
    throw std::logic_error("only a menu holds items");
  }
  QAction* action = static_cast<QtMenuItem&>(child).Action();
  const QList<QAction*> actions = menu_->actions();
  QAction* before = index >= 0 && index < actions.size() ? actions.at(index) : nullptr;
  menu_->insertAction(before, action);
}

void QtMenuItem::Remove(MenuItem& child) {
  if (menu_) {
    menu_->removeAction(static_cast<QtMenuItem&>(child).Action());
  }
}

}  // namespace vorsel
