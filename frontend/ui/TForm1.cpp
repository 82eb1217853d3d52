#include "frontend/ui/TForm1.h"

#include <QAbstractButton>
#include <QAbstractEventDispatcher>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QPushButton>
#include <QResizeEvent>
#include <QScreen>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTimer>
#include <array>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <stdexcept>
#include <system_error>

#include "frontend/batch.h"
#include "frontend/smp_component.h"
#include "frontend/ui/TForm2.h"
#include "frontend/ui/TForm3.h"
#include "frontend/ui/TForm4.h"
#include "frontend/ui/TForm5.h"
#include "frontend/ui/TForm6.h"
#include "frontend/ui/busy_icons.h"
#include "kit/sini.h"
#include "platform/eventpump.h"
#include "probing/description.h"
#include "probing/guess.h"
#include "ui_TForm1.h"

namespace vorsel {

namespace fs = std::filesystem;

namespace {

QString FromUtf8(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

Ui::TForm1* SetUp(QMainWindow* window) {
  auto* form = new Ui::TForm1;
  form->setupUi(window);
  return form;
}

Rect RectOf(const QWidget* widget) {
  const QRect r = widget->geometry();
  return {r.x(), r.y(), r.width(), r.height()};
}

void Place(QWidget* widget, const Rect& r) {
  widget->setGeometry(r.left, r.top, r.width, r.height);
}

std::string DescribeFile(const std::string& path, const ConversionSettings& settings) {
  return FileDescription(path, ProbeSettingsOf(settings));
}

std::string ReadText(const char* path) {
  std::ifstream in(path);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string CurrentFolder() {
  std::error_code error;
  const fs::path current = fs::current_path(error);
  return error ? std::string("/") : current.string();
}

bool IsFolder(const std::string& path) {
  std::error_code error;
  return fs::is_directory(path, error);
}

}  // namespace

TForm1::TForm1(TForm1Parts parts)
    : ui(SetUp(this)),
      fparts(std::move(parts)),
      pacer_(fparts.clock ? TickPacer(fparts.clock) : TickPacer()),
      linkOwner_(*this),
      Link1(&linkOwner_, OpenLinkTransport(kLinkMessageName, LinkFolderUse::Create)),
      linkComponent_(Link1),
      aboutView_(this),
      DravelAbout1(&aboutView_),
      aboutComponent_(DravelAbout1),
      ErrorLog1(fparts.boxes, this),
      settingsMenu_(*ui->Settings1),
      mainMenu_(*menuBar()),
      RecentFiles1(fparts.boxes),
      recentFilesComponent_(RecentFiles1),
      fileAssociateComponent_(FileAssociate1),
      HelpMenu1(fparts.boxes, fparts.opener),
      helpMenuComponent_(HelpMenu1),
      settingsFiles_(settings_, *this, &RecentFiles1, fparts.boxes),
      positionKnown_(QGuiApplication::platformName() != QStringLiteral("wayland")) {
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint);
  QFont font = QApplication::font();
  font.setPointSize(8);
  setFont(font);

  // The form gives Panel1's width; the log's panel takes what is left and every change.
  const int panel1Width = ui->Panel1->width();
  resize(ui->centralwidget->baseSize() + QSize(0, menuBar()->sizeHint().height()));
  ui->Splitter1->setStretchFactor(0, 0);
  ui->Splitter1->setStretchFactor(1, 1);
  ui->Splitter1->setSizes({panel1Width, width() - panel1Width - ui->Splitter1->handleWidth()});
  setMinimumSize(
      ui->Panel1->minimumWidth() + ui->Splitter1->handleWidth() + ui->Panel2->minimumWidth(),
      ui->Panel1->minimumHeight() + menuBar()->sizeHint().height());
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect area = screen->availableGeometry();
    move(area.center() - QPoint(width() / 2, height() / 2));
  }
  left_ = x();
  top_ = y();

  // A list view is not named after the label that is its buddy; it takes the label's text.
  ui->FileListBox1->setAccessibleName(ui->Label1->text());
  ui->Image1->setPixmap(BusyIcon(false));
  ui->Image2->setPixmap(BusyIcon(true));
  for (const FilterItem& item : ParseFilter(kFileTypeFilter)) {
    ui->FilterComboBox1->addItem(QString::fromStdString(item.caption));
  }
  ui->FilterComboBox1->setMaxVisibleItems(ui->FilterComboBox1->count());
  ui->Panel1->installEventFilter(this);
  ui->Panel2->installEventFilter(this);

  Link1.SetHeavyLoad(false);
  Link1.SetSystemIsLoaded(false);
  Link1.SetMyID(idvorsel);
  Link1.SetOnNewFile([this](TLink&, uint16_t, tslprogid, tslmessage, uint16_t) {
    Safely([this] { Link1NewFile(); });
  });
  FileAssociate1.SetExtension(".vrs");
  FileAssociate1.SetDescription("Vorsel settings");
  FileAssociate1.SetAction("Open");
  FileAssociate1.SetAutoCheck(true);
  FileAssociate1.SetAutoRegister(true);
  ConfigureHelp();
  ConfigureErrorLog1();
  ConfigureProgId1(ProgId1);
  ConfigureRecentFiles1(RecentFiles1, ProgId1, settingsMenu_);
  Form2_ = new TForm2(settings_, ErrorLog1, this);
  Form3_ = new TForm3(settings_, ErrorLog1, this);
  Form5_ = new TForm5(settings_, this);
  Form6_ = new TForm6(settings_, this);
  ConnectControls();

  directory_ = CurrentFolder();
  ShowDrives();
  ReadFolder();

  LoadComponents(Components(), ErrorLog1);
}

TForm1::~TForm1() {
  DestroyComponents(Components(), ErrorLog1);
}

std::array<WindowComponent*, 6> TForm1::Components() {
  return {&linkComponent_,        &aboutComponent_,         &ErrorLog1,
          &recentFilesComponent_, &fileAssociateComponent_, &helpMenuComponent_};
}

void TForm1::ConfigureHelp() {
  DravelAbout1.SetTitle("Vorsel");
  DravelAbout1.SetVersion("4.5");
  DravelAbout1.SetShowADravel(true);
  DravelAbout1.SetShowCompileDate(true);
  DravelAbout1.SetBMP256(true);
  DravelAbout1.SetOSVersions("Linux");

  HelpMenu1.SetMainMenu(&mainMenu_);
  HelpMenu1.SetAboutBox(&DravelAbout1);
  HelpMenu1.SetProgId(&ProgId1);
  HelpMenu1.SetMenuPos(100);
  HelpMenu1.SetEnableVersionCheck(false);
}

void TForm1::ConfigureErrorLog1() {
  TErrorLog& log = ErrorLog1.Log();
  log.SetDravelabout(&DravelAbout1);
  log.SetShowExceptions(true);
  log.SetSendLogFileRequest(true);
  log.SetApplicationTitle("Vorsel");
  log.SetOnException([this](void*, const std::exception&) {
    ErrorLog1.Log().SetDebugString(SMPfile1.DebugErrorStr());
  });
}

template <typename Handler>
void TForm1::Safely(Handler&& handler) {
  try {
    handler();
  } catch (const std::exception& error) {
    ErrorLog1.HandleException(error);
  } catch (...) {
    ErrorLog1.HandleException(std::runtime_error("Unknown error"));
  }
}

void TForm1::ConnectControls() {
  for (const ConversionTarget& target : ConversionTargets()) {
    auto* button = findChild<QPushButton*>(FromUtf8(target.Name));
    connect(button, &QPushButton::clicked, this, [this, &target] { RunTarget(target); });
  }
  auto* actions = new QButtonGroup(ui->actiongroup);
  actions->addButton(ui->actiongroupImport, kImportAction);
  actions->addButton(ui->actiongroupExport, kExportAction);
  connect(actions, &QButtonGroup::idClicked, this, [this] { actiongroupClick(); });

  // Only the user's picks: a programmatic selection does not run the handler.
  connect(ui->FilterComboBox1, &QComboBox::activated, this, [this] { FilterComboBox1Change(); });
  connect(ui->DriveComboBox1, &QComboBox::activated, this, [this] { DriveComboBox1Change(); });
  connect(ui->FileListBox1, &QListWidget::itemSelectionChanged, this,
          [this] { FileListBox1Change(); });
  connect(ui->FileListBox1, &QListWidget::itemClicked, this, [this] { FileListBox1Change(); });
  connect(ui->DirectoryListBox1, &QListWidget::itemActivated, this,
          [this] { DirectoryListBox1DblClick(); });

  connect(ui->Exit1, &QAction::triggered, this, [this] { Exit1Click(); });
  connect(ui->Guessfiletype1, &QAction::triggered, this, [this] { Test1Click(); });
  connect(ui->Information1, &QAction::triggered, this, [this] { Information1Click(); });
  connect(ui->Options2, &QAction::triggered, this, [this] { Safely([this] { Options2Click(); }); });
  connect(ui->Import1, &QAction::triggered, this, [this] { Safely([this] { Import1Click(); }); });
  connect(ui->Options1, &QAction::triggered, this, [this] { Safely([this] { Options1Click(); }); });
  connect(ui->Savenow1, &QAction::triggered, this,
          [this] { Safely([this] { settingsFiles_.Savenow1Click(); }); });
  connect(ui->Always1, &QAction::triggered, this,
          [this] { Safely([this] { settingsFiles_.Always1Click(); }); });
  connect(ui->Openfile1, &QAction::triggered, this,
          [this] { Safely([this] { settingsFiles_.Openfile1Click(); }); });
  connect(ui->Saveasfile1, &QAction::triggered, this,
          [this] { Safely([this] { settingsFiles_.Saveasfile1Click(); }); });
}

void TForm1::Options2Click() {
  Form5_->exec();
}

// The open page belongs to the settings, whether the dialog ends with "&Ok" or not.
void TForm1::Import1Click() {
  Form2_->SetPageIndex(importPage_);
  Form2_->exec();
  importPage_ = Form2_->PageIndex();
}

void TForm1::Options1Click() {
  Form3_->SetPageIndex(exportPage_);
  Form3_->exec();
  exportPage_ = Form3_->PageIndex();
}

// Start-up, close and resize

void TForm1::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  // A window on some platforms is never activated, so the first showing counts as well.
  FormActivate();
}

void TForm1::changeEvent(QEvent* event) {
  QMainWindow::changeEvent(event);
  if (event->type() == QEvent::ActivationChange && isActiveWindow()) {
    FormActivate();
  }
}

void TForm1::FormActivate() {
  if (activated_) {
    return;
  }
  Safely([this] {
    const bool debug = KitDebugMode();
    ui->Information1->setVisible(debug);
    ui->N2->setVisible(debug);
    ui->Guessfiletype1->setVisible(debug);
    activated_ = true;
    SetImportMode(true);
    // The tick of "Always save on exit" and the per-user store.
    settingsFiles_.FormActivate({});
    userStoreLoaded_ = true;
    EndBatch();
    ApplyFilter();
    if (!fparts.arguments.empty() && IsSettingsFileArgument(fparts.arguments.front())) {
      settingsFiles_.LoadSettings(
          fs::absolute(fparts.arguments.front()).lexically_normal().string());
    }
  });
  Panel1Resize();
  Panel2Resize();
}

void TForm1::closeEvent(QCloseEvent* event) {
  if (!guard_.RequestClose()) {
    // The batch stops after the file it converts; the window closes when it has ended.
    event->ignore();
    return;
  }
  FormClose();
  event->accept();
}

void TForm1::FormClose() {
  if (userStoreLoaded_) {
    Safely([this] { settingsFiles_.FormClose(); });
  }
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::Resize) {
    if (watched == ui->Panel1) {
      Panel1Resize();
    } else if (watched == ui->Panel2) {
      Panel2Resize();
    }
  }
  return QMainWindow::eventFilter(watched, event);
}

void TForm1::Panel1Resize() {
  const LeftPanel placed = vorsel::Panel1Resize(
      {RectOf(ui->Label1), RectOf(ui->FileListBox1), RectOf(ui->DirectoryListBox1),
       RectOf(ui->DriveComboBox1), RectOf(ui->FilterComboBox1)},
      ui->Panel1->width(), ui->Panel1->height());
  Place(ui->FilterComboBox1, placed.FilterComboBox1);
  Place(ui->DriveComboBox1, placed.DriveComboBox1);
  Place(ui->DirectoryListBox1, placed.DirectoryListBox1);
  Place(ui->FileListBox1, placed.FileListBox1);
}

void TForm1::Panel2Resize() {
  Place(ui->Memo1,
        vorsel::Panel2Resize(RectOf(ui->Memo1), ui->Panel2->width(), ui->Panel2->height()));
}

// Action, filter and file browser

void TForm1::SetImportMode(bool importMode) {
  importMode_ = importMode;
  for (const ConversionTarget& target : ConversionTargets()) {
    findChild<QPushButton*>(FromUtf8(target.Name))->setEnabled(TargetEnabled(target, importMode));
  }
  if (const auto filter =
          FilterForMode(importMode, FilterIndex(), settings_.Common.FavouriteImport)) {
    ui->FilterComboBox1->setCurrentIndex(*filter < ui->FilterComboBox1->count() ? *filter : -1);
  }
  ApplyFilter();
}

void TForm1::actiongroupClick() {
  SetImportMode(ActionIndex() == kImportAction);
}

void TForm1::ApplyFilter() {
  if (const auto mask = MaskForFilter(FilterIndex(), settings_.Common.CustomMask)) {
    mask_ = *mask;
    RereadWhenIdle();
  }
}

void TForm1::FilterComboBox1Change() {
  if (const auto action = ActionForFilter(FilterIndex())) {
    SelectAction(*action);
  }
  if (FilterIndex() == kCustomFilter) {
    Form6_->exec();
  }
  ApplyFilter();
}

void TForm1::FileListBox1Change() {
  const QListWidgetItem* focused = ui->FileListBox1->currentItem();
  if (focused != nullptr && focused->isSelected()) {
    ShowFileInfo((fs::path(directory_) / focused->text().toStdString()).string());
  } else {
    ShowFileInfo("");
  }
}

void TForm1::ShowFileInfo(const std::string& path) {
  std::error_code error;
  if (path.empty() || !fs::is_regular_file(path, error)) {
    SetFileNameLabel("");
    SetInfoLabel("");
    return;
  }
  SetFileNameLabel(path);
  SetInfoLabel("");
  Safely([&] { SetInfoLabel(FileDescription(path, ProbeSettingsOf(settings_))); });
}

void TForm1::DirectoryListBox1DblClick() {
  const QListWidgetItem* item = ui->DirectoryListBox1->currentItem();
  if (item != nullptr) {
    ChangeFolder(item->data(Qt::UserRole).toString().toStdString());
  }
}

void TForm1::DriveComboBox1Change() {
  const int index = ui->DriveComboBox1->currentIndex();
  if (index >= 0 && static_cast<size_t>(index) < drives_.size()) {
    ChangeFolder(drives_[static_cast<size_t>(index)].path);
  }
}

void TForm1::Link1NewFile() {
  RereadWhenIdle();
}

void TForm1::ChangeFolder(const std::string& folder) {
  pendingFolder_ = folder;
  RereadWhenIdle();
}

void TForm1::RereadWhenIdle() {
  // The batch walks the list it started with; the list changes after it has ended.
  if (!guard_.RequestReread()) {
    return;
  }
  if (pendingFolder_) {
    directory_ = *pendingFolder_;
    pendingFolder_.reset();
  }
  ReadFolder();
}

void TForm1::ReadFolder() {
  std::set<std::string> selected;
  for (const QListWidgetItem* item : ui->FileListBox1->selectedItems()) {
    selected.insert(item->text().toStdString());
  }
  // An unreadable folder shows no files and keeps the way back through its ancestors.
  const FolderListing listing = ListFolder(directory_);

  // The same files stay selected and focused; the labels keep what they show.
  const QListWidgetItem* focused = ui->FileListBox1->currentItem();
  const std::string focusedName = focused ? focused->text().toStdString() : std::string();
  const QSignalBlocker quiet(ui->FileListBox1);
  ui->FileListBox1->clear();
  for (const std::string& name : listing.files) {
    if (MatchesMask(name, mask_)) {
      auto* item = new QListWidgetItem(FromUtf8(name), ui->FileListBox1);
      if (name == focusedName) {
        ui->FileListBox1->setCurrentItem(item, QItemSelectionModel::NoUpdate);
      }
      item->setSelected(selected.count(name) > 0);
    }
  }

  ui->DirectoryListBox1->clear();
  for (const FolderRow& row : FolderRows(directory_, listing.folders)) {
    auto* item = new QListWidgetItem(
        QString(row.depth * 2, QLatin1Char(' ')) + FromUtf8(row.caption), ui->DirectoryListBox1);
    item->setData(Qt::UserRole, FromUtf8(row.path));
    item->setToolTip(FromUtf8(row.path));
    if (row.current) {
      ui->DirectoryListBox1->setCurrentItem(item);
    }
  }
  if (const auto drive = DriveIndexFor(drives_, directory_)) {
    ui->DriveComboBox1->setCurrentIndex(static_cast<int>(*drive));
  }
}

void TForm1::ShowDrives() {
  const char* home = std::getenv("HOME");
  drives_ =
      DriveList(ParseMountInfo(ReadText("/proc/self/mountinfo")), home ? home : "", &IsFolder);
  ui->DriveComboBox1->clear();
  for (const DriveEntry& drive : drives_) {
    ui->DriveComboBox1->addItem(FromUtf8(drive.caption));
  }
}

void TForm1::Information1Click() {
  const QListWidgetItem* focused = ui->FileListBox1->currentItem();
  if (Form4_ == nullptr || focused == nullptr || !focused->isSelected()) {
    return;
  }
  Form4_->setWindowTitle(QStringLiteral("Properties of ") + focused->text());
  Form4_->ShowFile((fs::path(directory_) / focused->text().toStdString()).string());
  Form4_->show();
  Form4_->raise();
}

void TForm1::SetForm4(TForm4& viewer) {
  Form4_ = &viewer;
  // When the event queue has run empty, a visible viewer scrolled since its last display is
  // drawn again, once the loop wakes for the queued call.
  connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock, this,
          [this] {
            if (Form4_ != nullptr && Form4_->isVisible() && Form4_->ScrollChanged() &&
                !Form4_->Busy()) {
              QTimer::singleShot(0, Form4_, [viewer = Form4_] { viewer->RedrawIfScrolled(); });
            }
          });
}

void TForm1::Test1Click() {
  Safely([this] {
    for (size_t i = 0; i < EntryCount(); ++i) {
      if (Selected(i)) {
        Append(GuessFileTypeLine((fs::path(directory_) / Entry(i)).string(),
                                 ProbeSettingsOf(settings_)));
      }
    }
  });
}

// The batch

BatchParts TForm1::PartsFor(const ConversionSettings& settings, ConversionContext& context) {
  return BatchParts{.settings = settings,
                    .context = context,
                    .view = *this,
                    .fileDialogs = fparts.fileDialogs,
                    .pacer = pacer_,
                    .link = linkComponent_,
                    .errors = ErrorLog1,
                    .describe = &DescribeFile};
}

void TForm1::RunTarget(const ConversionTarget& target) {
  if (!guard_.Begin()) {
    Append(kBusyLine);
    return;
  }
  // The batch runs with the options in force when it started; changes apply to the next one.
  const ConversionSettings snapshot = settings_;
  Safely([&] {
    ConversionContext context{SMPfile1, *this, fparts.boxes, {}};
    ConversionBatch batch(PartsFor(snapshot, context));
    ConfigureSMPfile1(SMPfile1, batch);
    try {
      batch.Run(target);
    } catch (...) {
      SMPfile1.OnLongTimeBusy = nullptr;
      throw;
    }
    SMPfile1.OnLongTimeBusy = nullptr;
  });
  const bool closeRequested = guard_.End();
  // The batch may have written files that the list shows, and a re-read or another folder
  // asked for meanwhile has waited until now.
  RereadWhenIdle();
  if (closeRequested) {
    close();
  }
}

void TForm1::EndBatch() {
  const ConversionSettings snapshot = settings_;
  ConversionContext context{SMPfile1, *this, fparts.boxes, {}};
  ConversionBatch(PartsFor(snapshot, context)).EndBatch();
}

// BatchView

size_t TForm1::EntryCount() const {
  return static_cast<size_t>(ui->FileListBox1->count());
}

std::string TForm1::Entry(size_t index) const {
  return ui->FileListBox1->item(static_cast<int>(index))->text().toStdString();
}

bool TForm1::Selected(size_t index) const {
  return ui->FileListBox1->item(static_cast<int>(index))->isSelected();
}

void TForm1::SetFileNameLabel(const std::string& caption) {
  ui->filenamelabel->setText(FromUtf8(caption));
  ui->filenamelabel->setToolTip(FromUtf8(caption));  // a long path is cut at the window's edge
}

void TForm1::SetInfoLabel(const std::string& caption) {
  ui->infolabel->setText(FromUtf8(caption));
}

void TForm1::SetImage1Visible(bool visible) {
  ui->Image1->setVisible(visible);
}

void TForm1::SetImage2Visible(bool visible) {
  ui->Image2->setVisible(visible);
}

bool TForm1::Image2Visible() const {
  return !ui->Image2->isHidden();
}

void TForm1::Repaint() {
  repaint();
}

void TForm1::ProcessMessages() {
  ProcessPendingEvents();
}

void TForm1::Append(std::string_view line) {
  ui->Memo1->appendPlainText(FromUtf8(line));
  QScrollBar* bar = ui->Memo1->verticalScrollBar();
  bar->setValue(bar->maximum());
}

// SettingsWindow

int32_t TForm1::Left() const {
  return positionKnown_ ? x() : left_;
}

int32_t TForm1::Top() const {
  return positionKnown_ ? y() : top_;
}

void TForm1::MoveTo(int32_t left, int32_t top) {
  left_ = left;
  top_ = top;
  // A place on no screen (a screen since removed) would hide the window: it stays where it is.
  if (positionKnown_ && QGuiApplication::screenAt(QPoint(left + 16, top + 16)) != nullptr) {
    move(left, top);
  }
}

void TForm1::SetCaption(const std::string& caption) {
  setWindowTitle(FromUtf8(caption));
}

int32_t TForm1::FilterIndex() const {
  return ui->FilterComboBox1->currentIndex();
}

void TForm1::SelectFilter(int32_t index) {
  ui->FilterComboBox1->setCurrentIndex(index >= 0 && index < ui->FilterComboBox1->count() ? index
                                                                                          : -1);
  ApplyFilter();
}

int32_t TForm1::ActionIndex() const {
  if (ui->actiongroupImport->isChecked()) {
    return kImportAction;
  }
  return ui->actiongroupExport->isChecked() ? kExportAction : -1;
}

void TForm1::SelectAction(int32_t index) {
  const int32_t before = ActionIndex();
  QAbstractButton* chosen = index == kImportAction   ? ui->actiongroupImport
                            : index == kExportAction ? ui->actiongroupExport
                                                     : nullptr;
  if (chosen == nullptr) {
    return;  // an item the group does not have selects nothing new
  }
  chosen->setChecked(true);
  if (index != before) {
    actiongroupClick();
  }
}

std::optional<std::string> TForm1::ChooseSettingsFileToOpen() {
  return fparts.fileDialogs.ExecuteOpen(
      OpenDialogRequest{.Filter = std::string(kSettingsFileFilter),
                        .DefaultExt = std::string(kSettingsFileExtension),
                        .FileName = proposedName_,
                        .HideReadOnly = true,
                        .PathMustExist = true,
                        .FileMustExist = true,
                        .EnableSizing = true});
}

std::optional<std::string> TForm1::ChooseSettingsFileToSave() {
  return fparts.fileDialogs.ExecuteSave(
      SaveDialogRequest{.Filter = std::string(kSettingsFileFilter),
                        .DefaultExt = std::string(kSettingsFileExtension),
                        .FileName = proposedName_,
                        .OverwritePrompt = false,
                        .HideReadOnly = true,
                        .PathMustExist = true,
                        .EnableSizing = true});
}

void TForm1::SetAlwaysSaveTick(bool ticked) {
  ui->Always1->setChecked(ticked);
}

}  // namespace vorsel
