#include "frontend/ui/option_dialog_support.h"

#include <algorithm>

#include <QApplication>
#include <QCheckBox>
#include <QEvent>
#include <QGuiApplication>
#include <QProxyStyle>
#include <QScreen>
#include <QTabBar>
#include <QTabWidget>

namespace vorsel {

namespace {

QList<QRadioButton*> Items(const QGroupBox* group) {
  return group->findChildren<QRadioButton*>(Qt::FindDirectChildrenOnly);
}

// Eats the tool tip events of the widgets it watches.
class ToolTipBlocker : public QObject {
 public:
  using QObject::QObject;
  bool eventFilter(QObject* watched, QEvent* event) override {
    return event->type() == QEvent::ToolTip || QObject::eventFilter(watched, event);
  }
};

// Narrower tab margins, so that the tabs of every format fit the dialog's fixed width in one row.
class CompactTabs : public QProxyStyle {
 public:
  int pixelMetric(PixelMetric metric, const QStyleOption* option,
                  const QWidget* widget) const override {
    const int value = QProxyStyle::pixelMetric(metric, option, widget);
    return metric == PM_TabBarTabHSpace ? std::min(value, 8) : value;
  }
};

int ControlState(const QWidget* control) {
  if (const auto* group = qobject_cast<const QGroupBox*>(control)) {
    return CheckedItem(group);
  }
  if (const auto* box = qobject_cast<const QCheckBox*>(control)) {
    return box->isChecked() ? 1 : 0;
  }
  return 0;
}

void Apply(QWidget* dialog, const VisibilityRule& rule) {
  const auto* control = dialog->findChild<QWidget*>(FromUtf8(rule.control));
  if (control == nullptr) {
    return;
  }
  const bool shown = rule.shows(ControlState(control));
  for (std::string_view name : rule.shown) {
    if (QWidget* target = name.empty() ? nullptr : dialog->findChild<QWidget*>(FromUtf8(name))) {
      target->setVisible(shown);
    }
  }
}

}  // namespace

QString FromUtf8(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

int CheckedItem(const QGroupBox* group) {
  const QList<QRadioButton*> items = Items(group);
  for (int i = 0; i < items.size(); ++i) {
    if (items[i]->isChecked()) {
      return i;
    }
  }
  return -1;
}

void CheckItem(QGroupBox* group, int item) {
  const QList<QRadioButton*> items = Items(group);
  if (item >= 0 && item < items.size()) {
    items[item]->setChecked(true);
    return;
  }
  for (QRadioButton* button : items) {
    button->setAutoExclusive(false);
    button->setChecked(false);
    button->setAutoExclusive(true);
  }
}

void PrepareOptionDialog(QDialog* dialog) {
  // The forms were laid out for "MS Sans Serif" 8 points; fonts of its width take its place
  // where it is missing, so that every caption fits the fixed sizes.
  QFont font = QApplication::font();
  font.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Microsoft Sans Serif"),
                    QStringLiteral("Arial"), QStringLiteral("Liberation Sans"),
                    QStringLiteral("DejaVu Sans Condensed")});
  font.setPointSize(8);
  dialog->setFont(font);
  dialog->setFixedSize(dialog->size());
  for (QTabWidget* pages : dialog->findChildren<QTabWidget*>()) {
    auto* style = new CompactTabs;
    style->setParent(pages);
    pages->tabBar()->setStyle(style);
  }
  dialog->setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                         Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
}

void CentreOnScreen(QWidget* window) {
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    window->move(screen->availableGeometry().center() -
                 QPoint(window->width() / 2, window->height() / 2));
  }
}

void SuppressToolTips(QWidget* group) {
  auto* blocker = new ToolTipBlocker(group);
  for (QWidget* control : group->findChildren<QWidget*>()) {
    control->installEventFilter(blocker);
  }
  group->installEventFilter(blocker);
}

void ApplyVisibility(QWidget* dialog, OptionsDialog which, std::string_view control) {
  for (const VisibilityRule& rule : VisibilityRules()) {
    if (rule.dialog == which && rule.control == control) {
      Apply(dialog, rule);
    }
  }
}

void ApplyAllVisibility(QWidget* dialog, OptionsDialog which) {
  for (const VisibilityRule& rule : VisibilityRules()) {
    if (rule.dialog == which) {
      Apply(dialog, rule);
    }
  }
}

}  // namespace vorsel
