// The INI reader on any bytes: every section and key through IniFile and TIni, a settings-file
// load of the conversion settings, then one write that must keep every other value.

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "frontend/conversion_settings.h"
#include "frontend/settings_files.h"
#include "fuzz/fuzz_workspace.h"
#include "kit/sini.h"
#include "platform/dotnum.h"
#include "platform/inifile.h"
#include "platform/textcase.h"
#include "tests/support/fake_message_boxes.h"

namespace {

using vorsel::fuzz::Fail;
using Values = std::map<std::pair<std::string, std::string>, std::optional<std::string>>;

constexpr const char* kProbeSection = "vorsel fuzz probe";

Values ReadAll(const std::string& path) {
  Values values;
  vorsel::IniFile ini(path);
  for (const std::string& section : ini.SectionNames()) {
    for (const std::string& key : ini.KeyNames(section)) {
      values.emplace(std::make_pair(section, key), ini.Read(section, key));
    }
  }
  return values;
}

void ReadTyped(const std::string& path, const Values& values) {
  vorsel::TIni ini(path);
  for (const auto& [where, value] : values) {
    const auto& [section, key] = where;
    ini.ReadString(section, key, "");
    ini.ReadInteger(section, key, 0);
    ini.ReadBool(section, key, false);
    try {
      ini.ReadFloat(section, key, 0);
    } catch (const vorsel::EConvertError&) {
      // A malformed real is reported to the reader, as a settings load reports it.
    }
  }
  std::vector<std::string> names;
  ini.ReadSections(names);
  for (const std::string& section : names) {
    std::vector<std::string> lines;
    ini.ReadSectionValues(section, lines);
  }
}

void LoadAsSettingsFile(const std::string& path) {
  vorsel::ConversionSettings settings;
  vorsel::HeadlessSettingsWindow window(settings);
  vorsel::test::FakeMessageBoxes boxes;
  vorsel::SettingsFiles files(settings, window, nullptr, boxes);
  try {
    files.LoadSettings(path);
  } catch (const vorsel::EConvertError&) {
    // Stops the load at the malformed key, with a message naming it.
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const vorsel::fuzz::Workspace& workspace = vorsel::fuzz::TheWorkspace();
  const std::string path = workspace.Write("in.ini", std::span(data, size));
  try {
    const Values before = ReadAll(path);
    ReadTyped(path, before);
    LoadAsSettingsFile(path);

    {
      vorsel::IniFile ini(path);
      ini.Write(kProbeSection, "Key", "value");
    }
    vorsel::IniFile reread(path);
    if (reread.Read(kProbeSection, "Key") != std::optional<std::string>("value")) {
      Fail("a written value does not read back");
    }
    for (const auto& [where, value] : before) {
      if (vorsel::EqualNoCase(where.first, kProbeSection)) {
        continue;
      }
      if (reread.Read(where.first, where.second) != value) {
        Fail("writing one key changed [" + where.first + "] " + where.second);
      }
    }
  } catch (const std::exception& error) {
    Fail(std::string("the INI reader raised: ") + error.what());
  }
  workspace.ExpectOnly({"in.ini"});
  workspace.Clear();
  return 0;
}
