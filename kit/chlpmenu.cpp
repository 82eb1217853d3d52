#include "kit/chlpmenu.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <filesystem>
#include <variant>

#include "platform/charset.h"
#include "platform/folders.h"
#include "platform/keystore.h"

namespace vorsel {

namespace {

constexpr std::string_view kWebMenuKey = "Software\\QuorvikData\\WebMenu";
constexpr std::string_view kWebMenuItemsKey = "Software\\QuorvikData\\WebMenu\\items";
constexpr const char* kMakerWeb = "https://www.quorvikdata.example/";
constexpr const char* kMakerMail = "mailto:support@quorvikdata.example";
constexpr const char* kMakerVersionFile = "https://www.quorvikdata.example/newversion.txt";

std::string Trimmed(std::string_view text) {
  const size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) {
    return {};
  }
  const size_t last = text.find_last_not_of(" \t");
  return std::string(text.substr(first, last - first + 1));
}

int32_t DecimalValue(const std::optional<StoreValue>& value) {
  if (!value) {
    return 0;
  }
  if (const auto* number = std::get_if<int32_t>(&*value)) {
    return *number;
  }
  const std::string text = Trimmed(std::get<std::string>(*value));
  int32_t number = 0;
  const auto result = std::from_chars(text.data(), text.data() + text.size(), number);
  return result.ec == std::errc{} && result.ptr == text.data() + text.size() && !text.empty()
             ? number
             : 0;
}

std::string TextValue(const StoreValue& value) {
  if (const auto* text = std::get_if<std::string>(&value)) {
    return *text;
  }
  return std::to_string(std::get<int32_t>(value));
}

// The manual beside the program, then where the installed layout puts it.
std::string FindHelpFile() {
  const std::filesystem::path program(ProgramFileName());
  const std::filesystem::path name = program.filename().replace_extension(".html");
  const std::filesystem::path folder = program.parent_path();
  for (const std::filesystem::path& candidate :
       {folder / name, folder / ".." / "share" / "doc" / "vorsel" / name}) {
    std::error_code error;
    if (std::filesystem::is_regular_file(candidate, error)) {
      return candidate.lexically_normal().string();
    }
  }
  return {};
}

// Stamps the machine-wide web menu with the maker's two entries once; a user who may not
// write machine-wide values simply keeps the menu as it is.
void StampWebMenu() {
  int32_t stamp = 0;
  try {
    stamp = DecimalValue(OpenRegistryRoot(RegistryRoot::HKEY_LOCAL_MACHINE, StoreAccess::ReadOnly)
                             ->ReadValue(kWebMenuKey, "MenuDate"));
  } catch (const StoreError&) {
    stamp = 0;
  }
  if (stamp >= THelpMenu::kWebMenuDate) {
    return;
  }
  try {
    const auto store = OpenRegistryRoot(RegistryRoot::HKEY_LOCAL_MACHINE);
    store->CreateKey(kWebMenuKey);
    store->WriteValue(kWebMenuKey, "MenuDate", std::to_string(THelpMenu::kWebMenuDate));
    store->CreateKey(kWebMenuItemsKey);
    store->WriteValue(kWebMenuItemsKey, "Quorvik Data Web", std::string(kMakerWeb));
    store->WriteValue(kWebMenuItemsKey, "E-mail Quorvik Data", std::string(kMakerMail));
  } catch (const StoreError&) {
  }
}

bool IsBinary(std::string_view text) {
  for (size_t pos = 0; pos < text.size();) {
    const unsigned char byte = static_cast<unsigned char>(text[pos]);
    if ((byte < 0x20 && byte != '\r' && byte != '\n' && byte != '\t') || byte == 0x7F) {
      return true;
    }
    const size_t start = pos;
    const char32_t code = DecodeUtf8(text, pos);
    if (code == U'\uFFFD' && text.substr(start, pos - start) != "\xEF\xBF\xBD") {
      return true;
    }
  }
  return false;
}

// Line breaks of the message as the message box takes them.
std::string BoxLines(std::string_view text) {
  std::string lines;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
      continue;
    }
    lines += text[i] == '\n' ? '\r' : text[i];
  }
  return lines;
}

bool IsWebAddress(std::string_view address) {
  return address.rfind("http://", 0) == 0 || address.rfind("https://", 0) == 0;
}

}  // namespace

int32_t DayNumber(std::time_t when) {
  std::tm local{};
  localtime_r(&when, &local);
  using namespace std::chrono;
  const year_month_day date{year{local.tm_year + 1900},
                            month{static_cast<unsigned>(local.tm_mon + 1)},
                            day{static_cast<unsigned>(local.tm_mday)}};
  const year_month_day origin{year{1899}, month{12}, day{30}};
  return static_cast<int32_t>((sys_days(date) - sys_days(origin)).count());
}

std::optional<VersionReply> ParseVersionReply(std::string_view text) {
  if (text.empty() || IsBinary(text)) {
    return std::nullopt;
  }
  size_t pos = 0;
  const auto nextLine = [&] {
    size_t end = text.find_first_of("\r\n", pos);
    if (end == std::string_view::npos) {
      end = text.size();
    }
    const std::string line(text.substr(pos, end - pos));
    pos = end;
    while (pos < text.size() && (text[pos] == '\r' || text[pos] == '\n')) {
      ++pos;
    }
    return line;
  };
  VersionReply reply;
  reply.newestversion = nextLine();
  reply.downloadurl = nextLine();
  nextLine();
  reply.usermessage = std::string(text.substr(pos));
  if (Trimmed(reply.newestversion).empty()) {
    return std::nullopt;
  }
  return reply;
}

THelpMenu::THelpMenu(MessageBoxes& boxes, Opener& opener, std::unique_ptr<HttpClient> http)
    : fboxes(boxes),
      fopener(opener),
      fNewFullVersionURL(kMakerVersionFile),
      idhttp(std::move(http)) {
  fwebdetect.SetDLLName("wininet.dll");
  fhelpfile = FindHelpFile();
  StampWebMenu();
  try {
    const auto store = OpenRegistryRoot(RegistryRoot::HKEY_LOCAL_MACHINE, StoreAccess::ReadOnly);
    for (const std::string& name : store->ValueNames(kWebMenuItemsKey)) {
      const auto value = store->ReadValue(kWebMenuItemsKey, name);
      if (value) {
        fmenutexts.push_back(name);
        fshellcommands.push_back(TextValue(*value));
      }
    }
  } catch (const StoreError&) {
    fmenutexts.clear();
    fshellcommands.clear();
  }
}

THelpMenu::~THelpMenu() {
  if (fmenu) {
    for (auto* item :
         {&fhelpitem, &fbaritem1, &fnewversionnowitem, &fnewversionitem, &fbaritem2, &faboutitem}) {
      if (*item) {
        fmenu->Remove(**item);
      }
    }
    for (const auto& item : fmenuitem) {
      fmenu->Remove(*item);
    }
  }
  if (finserted) {
    fmainmenu->Remove(*fmenu);
  }
}

void THelpMenu::SetAdditionalCommands(std::vector<std::string> value) {
  fAdditionalCommands = std::move(value);
}

void THelpMenu::SetAdditionalMenutexts(std::vector<std::string> value) {
  fAdditionalMenutexts = std::move(value);
}

std::unique_ptr<MenuItem> THelpMenu::NewItem(const std::string& caption) {
  auto item = fmainmenu->CreateItem();
  item->SetCaption(caption);
  return item;
}

void THelpMenu::InsertOnTop(MenuItem& item) {
  fmenu->Insert(0, item);
}

void THelpMenu::Loaded() {
  if (fmainmenu == nullptr || fmenu) {
    return;
  }
  fmenu = NewItem("&Help");

  const size_t pairs = std::min(fAdditionalMenutexts.size(), fAdditionalCommands.size());
  for (size_t i = pairs; i-- > 0;) {
    if (!fAdditionalMenutexts[i].empty() && !fAdditionalCommands[i].empty()) {
      fmenutexts.push_back(fAdditionalMenutexts[i]);
      fshellcommands.push_back(fAdditionalCommands[i]);
    }
  }

  if (faboutbox != nullptr) {
    faboutitem = NewItem("A&bout...");
    faboutitem->SetOnClick([this](MenuItem&) { AboutClick(); });
    InsertOnTop(*faboutitem);
    if (!fmenutexts.empty()) {
      fbaritem2 = NewItem("-");
      InsertOnTop(*fbaritem2);
    }
  }

  if (fprogid != nullptr && !fNewFullVersionURL.empty() && fEnableVersionCheck) {
    fnewversionitem = NewItem("Check for new version automatically");
    fnewversionitem->SetChecked(ReadAutoCheck());
    fnewversionitem->SetOnClick([this](MenuItem& item) {
      item.SetChecked(!item.Checked());
      AutoCheckClick();
    });
    lastnewversioncheckdate = ReadLastCheckDate();
    if (lastnewversioncheckdate == 0) {
      lastnewversioncheckdate = Today();
      WriteUserValue("LastNewVersionCheckDate", lastnewversioncheckdate);
    }
    InsertOnTop(*fnewversionitem);
    fnewversionnowitem = NewItem("Check for new version now");
    fnewversionnowitem->SetOnClick([this](MenuItem&) { CheckNowClick(); });
    InsertOnTop(*fnewversionnowitem);
  }

  for (size_t i = 0; i < fmenutexts.size(); ++i) {
    fmenuitem.push_back(NewItem(fmenutexts[i]));
    fmenuitem.back()->SetOnClick([this, i](MenuItem&) { WebMenuClick(i); });
    InsertOnTop(*fmenuitem.back());
  }

  if (!fhelpfile.empty()) {
    if (!fmenutexts.empty()) {
      fbaritem1 = NewItem("-");
      InsertOnTop(*fbaritem1);
    }
    fhelpitem = NewItem("&Help...");
    fhelpitem->SetShortCut("F1");
    fhelpitem->SetOnClick([this](MenuItem&) { HelpClick(); });
    InsertOnTop(*fhelpitem);
  }

  if (fmenu->Count() > 0) {
    fmainmenu->Insert(std::clamp(fmainmenupos, 0, fmainmenu->Count()), *fmenu);
    finserted = true;
  }

  if (lastnewversioncheckdate != Today()) {
    VersionCheck(false, true);
  }
}

void THelpMenu::HelpClick() {
  if (!fhelpfile.empty()) {
    fopener.OpenDocument(fhelpfile);
  }
}

void THelpMenu::WebMenuClick(size_t index) {
  if (index < fshellcommands.size()) {
    fopener.OpenDocument(fshellcommands[index]);
  }
}

void THelpMenu::AboutClick() {
  if (faboutbox != nullptr) {
    faboutbox->showmodal();
  }
}

void THelpMenu::AutoCheckClick() {
  if (fnewversionitem) {
    WriteUserValue("AutoCheckForNewVersion", fnewversionitem->Checked() ? 1 : 0);
  }
}

void THelpMenu::CheckNowClick() {
  VersionCheck(true, false);
}

void THelpMenu::VersionCheck(bool manual, bool endProgramAfterDownload) {
  if (fprogid == nullptr || fNewFullVersionURL.empty() || !fEnableVersionCheck ||
      !fnewversionitem || !fnewversionitem->Checked()) {
    return;
  }
  if (!manual && !fwebdetect.Online()) {
    return;
  }
  lastnewversioncheckdate = Today();
  WriteUserValue("LastNewVersionCheckDate", lastnewversioncheckdate);

  const std::string running = fprogid->Version();
  bool failed = false;
  try {
    const auto reply = ParseVersionReply(idhttp ? idhttp->Get(fNewFullVersionURL) : "");
    if (!reply) {
      failed = true;
    } else {
      newversionstr = reply->newestversion;
      downloadurl = reply->downloadurl;
      usermessage = reply->usermessage;
      if (Trimmed(newversionstr) != Trimmed(running)) {
        // The address comes from the network: only a web page is ever opened from it.
        if (!IsWebAddress(Trimmed(downloadurl))) {
          failed = true;
        } else if (fboxes.ShowMessageBox(
                       BoxLines(usermessage),
                       "New version available (current version is " + running + ")",
                       mbYesNo | mbIconQuestion) == idYes) {
          fopener.OpenDocument(Trimmed(downloadurl));
          if (endProgramAfterDownload && fonendprogram) {
            fonendprogram();
          }
        }
      } else if (manual) {
        fboxes.ShowMessageBox(
            "There is currently no new version available.\rYou are already running the latest "
            "version: " +
                running,
            "No new version", mbOk | mbIconInformation);
      }
    }
  } catch (const std::exception&) {
    failed = true;
  }
  if (failed && manual) {
    fboxes.ShowMessageBox("Cannot connect to the update server.\rCheck your Internet connection.",
                          "New version check", mbOk | mbIconExclamation);
  }
}

std::string THelpMenu::UserKey() const {
  return "Software\\QuorvikData\\" + (fprogid != nullptr ? fprogid->ProductName() : "");
}

bool THelpMenu::ReadAutoCheck() const {
  try {
    const auto value = OpenRegistryRoot(RegistryRoot::HKEY_CURRENT_USER, StoreAccess::ReadOnly)
                           ->ReadValue(UserKey(), "AutoCheckForNewVersion");
    return !value || DecimalValue(value) != 0;
  } catch (const StoreError&) {
    return true;
  }
}

int32_t THelpMenu::ReadLastCheckDate() const {
  try {
    return DecimalValue(OpenRegistryRoot(RegistryRoot::HKEY_CURRENT_USER, StoreAccess::ReadOnly)
                            ->ReadValue(UserKey(), "LastNewVersionCheckDate"));
  } catch (const StoreError&) {
    return 0;
  }
}

void THelpMenu::WriteUserValue(const std::string& name, int32_t value) const {
  try {
    OpenRegistryRoot(RegistryRoot::HKEY_CURRENT_USER)->WriteValue(UserKey(), name, value);
  } catch (const StoreError&) {
    // The check still runs; it is merely asked again at the next start.
  }
}

int32_t THelpMenu::Today() const {
  return ftoday ? ftoday() : DayNumber(std::time(nullptr));
}

}  // namespace vorsel
