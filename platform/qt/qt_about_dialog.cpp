#include "platform/qt/qt_about_dialog.h"

#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QFontMetrics>
#include <QFrame>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <climits>
#include <functional>

// Resources of a static library must be registered by name, outside any namespace.
static void InitialiseImages() {
  Q_INIT_RESOURCE(vorsel_images);
}

namespace vorsel {

namespace {

QFont DialogFont() {
  QFont font = QApplication::font();
  font.setPointSize(8);
  return font;
}

QPixmap Picture(const std::string& name) {
  InitialiseImages();
  if (name == TAbout::kKitPicture) {
    return QPixmap(QStringLiteral(":/images/dravel.png"));
  }
  if (name == TAbout::kProgramIcon) {
    return QPixmap(QStringLiteral(":/images/vorsel-48.png"));
  }
  return {};
}

// Calls its action on a double click of the watched widget.
class DoubleClickFilter : public QObject {
 public:
  DoubleClickFilter(QObject* parent, std::function<void()> action)
      : QObject(parent), action_(std::move(action)) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::MouseButtonDblClick) {
      action_();
      return true;
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  std::function<void()> action_;
};

void Apply(QWidget& widget, const tAboutElement& element) {
  widget.setGeometry(element.left, element.top, element.width, element.height);
  widget.setVisible(element.visible);
  widget.setToolTip(element.showhint ? QString::fromStdString(element.hint) : QString());
  if (auto* label = qobject_cast<QLabel*>(&widget)) {
    if (element.picture.empty()) {
      label->setText(QString::fromStdString(element.caption));
      label->setWordWrap(element.wordwrap);
      label->setAlignment(element.centred ? Qt::AlignHCenter | Qt::AlignTop
                                          : Qt::AlignLeft | Qt::AlignTop);
    } else {
      label->setPixmap(Picture(element.picture));
      label->setScaledContents(true);
    }
  } else if (auto* button = qobject_cast<QPushButton*>(&widget)) {
    button->setText(QString::fromStdString(element.caption));
  }
}

struct AboutWidgets {
  QFrame* panel;
  QLabel* titlelabel;
  QLabel* versionlabel;
  QLabel* dravellabel;
  QLabel* copyrightlabel;
  QLabel* compiledatelabel;
  QLabel* extralabel;
  QLabel* dravelimage;
  QLabel* progicon;
  QPushButton* okbutton;
};

template <typename Widget>
Widget* Named(QWidget* parent, const char* name) {
  auto* widget = new Widget(parent);
  widget->setObjectName(QString::fromLatin1(name));
  return widget;
}

void ApplyAll(QDialog& dialog, const AboutWidgets& w, TAbout& about) {
  dialog.setWindowTitle(QString::fromStdString(about.form().caption));
  dialog.setFixedSize(about.form().width, about.form().height);
  Apply(*w.panel, about.panel());
  Apply(*w.titlelabel, about.titlelabel());
  Apply(*w.versionlabel, about.versionlabel());
  Apply(*w.dravellabel, about.dravellabel());
  Apply(*w.copyrightlabel, about.copyrightlabel());
  Apply(*w.compiledatelabel, about.compiledatelabel());
  Apply(*w.extralabel, about.extralabel());
  Apply(*w.dravelimage, about.dravelimage());
  Apply(*w.progicon, about.progicon());
  Apply(*w.okbutton, about.okbutton());
}

}  // namespace

int QtAboutDialogView::WrappedTextHeight(std::string_view text, int width) {
  const QFontMetrics metrics(DialogFont());
  return metrics
      .boundingRect(QRect(0, 0, width, INT_MAX / 2), Qt::TextWordWrap,
                    QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())))
      .height();
}

void QtAboutDialogView::ShowModal(TAbout& about) {
  QDialog dialog(parent_);
  dialog.setObjectName(QStringLiteral("AboutDialog"));
  dialog.setFont(DialogFont());
  AboutWidgets w{};
  w.panel = Named<QFrame>(&dialog, "panel");
  w.panel->setFrameShape(QFrame::Panel);
  w.panel->setFrameShadow(QFrame::Sunken);
  w.titlelabel = Named<QLabel>(&dialog, "titlelabel");
  QFont titleFont = DialogFont();
  titleFont.setPointSize(14);
  titleFont.setBold(true);
  w.titlelabel->setFont(titleFont);
  w.versionlabel = Named<QLabel>(&dialog, "versionlabel");
  w.dravellabel = Named<QLabel>(&dialog, "dravellabel");
  w.copyrightlabel = Named<QLabel>(&dialog, "copyrightlabel");
  w.compiledatelabel = Named<QLabel>(&dialog, "compiledatelabel");
  w.extralabel = Named<QLabel>(&dialog, "extralabel");
  w.dravelimage = Named<QLabel>(w.panel, "dravelimage");
  w.progicon = Named<QLabel>(&dialog, "progicon");
  w.okbutton = Named<QPushButton>(&dialog, "okbutton");
  w.okbutton->setDefault(true);
  QObject::connect(w.okbutton, &QPushButton::clicked, &dialog, &QDialog::accept);

  // Either double click may change the elements (the error-log toggle, the owner's surprise).
  w.progicon->installEventFilter(new DoubleClickFilter(&dialog, [&] {
    about.ProgramIconDoubleClicked();
    ApplyAll(dialog, w, about);
  }));
  w.dravelimage->installEventFilter(new DoubleClickFilter(&dialog, [&] {
    about.KitPictureDoubleClicked();
    ApplyAll(dialog, w, about);
  }));

  ApplyAll(dialog, w, about);
  dialog.exec();
}

QIcon ProgramIcon() {
  InitialiseImages();
  QIcon icon;
  for (const char* size : {"16", "32", "48", "256"}) {
    icon.addFile(QStringLiteral(":/images/vorsel-%1.png").arg(QLatin1String(size)));
  }
  return icon;
}

}  // namespace vorsel
