#include "frontend/cli.h"

#include <algorithm>
#include <array>
#include <csignal>
#include <filesystem>
#include <iterator>
#include <optional>
#include <string_view>
#include <system_error>
#include <vector>

#include "formats/conversion_context.h"
#include "frontend/batch.h"
#include "frontend/cli_link.h"
#include "frontend/cli_settings_list.h"
#include "frontend/cli_terminal.h"
#include "frontend/cli_view.h"
#include "frontend/conversion_settings.h"
#include "frontend/settings_files.h"
#include "frontend/smp_component.h"
#include "frontend/targets.h"
#include "frontend/version.h"
#include "platform/folders.h"
#include "probing/description.h"
#include "probing/guess.h"
#include "smp/sSMP.h"

namespace vorsel {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kProgram = "vorsel-cli";

struct OptionSpec {
  std::string_view name;
  std::string_view value;  // the value's name; empty for a switch
  std::string_view help;
};

constexpr std::array<OptionSpec, 7> kOptions = {{
    {"--settings", "FILE", "load a settings file, as \"Open file...\" does"},
    {"--user-settings", "", "start from the per-user store instead of the defaults"},
    {"--set", "Section.Key=VALUE",
     "set one field of the settings, the value written as in a settings file;\n"
     "                    repeatable, applied in order"},
    {"--yes", "", "answer Yes to every question (overwrite); without it, No"},
    {"--list-settings", "",
     "print every settings field as Section.Key=value with its type and\n"
     "                    allowed values, after the options above; no ACTION"},
    {"--help", "", "show this help"},
    {"--version", "", "show the program version"},
}};

std::string DescriptionLine(const std::string& path, const ConversionSettings& settings) {
  return FileDescription(path, ProbeSettingsOf(settings));
}

std::string GuessLine(const std::string& path, const ConversionSettings& settings) {
  return GuessFileTypeLine(path, ProbeSettingsOf(settings));
}

// Actions other than the conversions of the target table: one line for each file.
struct ExtraAction {
  std::string_view name;
  std::string_view help;
  std::string (*lineOf)(const std::string& path, const ConversionSettings& settings);
};

constexpr std::array<ExtraAction, 2> kExtraActions = {{
    {"describe", "print the one-line description of each file", &DescriptionLine},
    {"guess", "print the \"Guess file type\" line of each file", &GuessLine},
}};

struct UsageError {
  std::string message;
};

struct Arguments {
  bool help = false;
  bool version = false;
  bool listSettings = false;
  bool yes = false;
  bool userSettings = false;
  std::optional<std::string> settingsFile;
  std::vector<std::string> sets;
  std::string action;
  std::vector<std::string> files;
};

const OptionSpec* FindOption(std::string_view name) {
  for (const OptionSpec& option : kOptions) {
    if (option.name == name) {
      return &option;
    }
  }
  return nullptr;
}

void TakeOption(const OptionSpec& option, std::optional<std::string> value, Arguments& parsed) {
  if (option.value.empty() && value) {
    throw UsageError{std::string(option.name) + " takes no value"};
  }
  if (option.name == "--set") {
    parsed.sets.push_back(*value);
  } else if (option.name == "--settings") {
    parsed.settingsFile = *value;
  } else if (option.name == "--user-settings") {
    parsed.userSettings = true;
  } else if (option.name == "--yes") {
    parsed.yes = true;
  } else if (option.name == "--help") {
    parsed.help = true;
  } else if (option.name == "--version") {
    parsed.version = true;
  } else if (option.name == "--list-settings") {
    parsed.listSettings = true;
  }
}

Arguments Parse(std::span<const std::string> args) {
  Arguments parsed;
  bool optionsEnded = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    const bool isOption = !optionsEnded && arg.size() > 1 && arg[0] == '-';
    if (isOption && arg == "--") {
      optionsEnded = true;
      continue;
    }
    if (isOption) {
      const size_t equals = arg.find('=');
      const std::string name = arg.substr(0, equals);
      const OptionSpec* option = FindOption(name);
      if (option == nullptr) {
        throw UsageError{"unknown option " + name};
      }
      std::optional<std::string> value;
      if (equals != std::string::npos) {
        value = arg.substr(equals + 1);
      } else if (!option->value.empty()) {
        if (i + 1 >= args.size()) {
          throw UsageError{name + " needs " + std::string(option->value)};
        }
        value = args[++i];
      }
      TakeOption(*option, std::move(value), parsed);
    } else if (parsed.action.empty()) {
      parsed.action = arg;
    } else {
      parsed.files.push_back(arg);
    }
  }
  return parsed;
}

void ApplySet(const std::string& assignment, ConversionSettings& settings) {
  const size_t equals = assignment.find('=');
  const size_t dot = assignment.find('.');
  if (equals == std::string::npos || dot == std::string::npos || dot > equals) {
    throw UsageError{"--set needs Section.Key=VALUE, not '" + assignment + "'"};
  }
  const std::string name = assignment.substr(0, equals);
  const std::string value = assignment.substr(equals + 1);
  const SettingField* field = FindSettingField(std::string_view(name).substr(0, dot),
                                               std::string_view(name).substr(dot + 1));
  if (field == nullptr) {
    throw UsageError{"--set: there is no field " + name};
  }
  if (!SetSettingText(*field, settings, value)) {
    throw UsageError{"--set: '" + value + "' is not a value of " + std::string(field->section) +
                     "." + std::string(field->key) + " (" +
                     std::string(SettingTypeHint(SettingTypeOf(*field))) + ")"};
  }
}

// The per-user store, then the settings file, as the window loads them at start. The window's
// own state (position, filter, recent files) does not exist here and is left alone.
void LoadStartSettings(const Arguments& parsed, ConversionSettings& settings,
                       const CliStreams& io) {
  if (!parsed.userSettings && !parsed.settingsFile) {
    return;
  }
  SetProgramFileName(std::string(kProgramFileName));
  HeadlessSettingsWindow window(settings);
  TerminalOutput output(io.out, io.err, io.errIsTerminal);
  TerminalMessageBoxes boxes(output, parsed.yes);
  SettingsFiles files(settings, window, nullptr, boxes);
  files.SetLoadOnly(true);
  if (parsed.userSettings) {
    files.LoadSettings("");
  }
  if (parsed.settingsFile) {
    std::error_code error;
    if (!fs::is_regular_file(*parsed.settingsFile, error)) {
      const std::string& file = *parsed.settingsFile;
      throw UsageError{"--settings: " + (fs::exists(file, error) ? file + " is not a file"
                                                                 : "no such file: " + file)};
    }
    if (const auto refusal = SettingsFileRefusal(*parsed.settingsFile)) {
      throw UsageError{"--settings: " + *refusal};
    }
    files.LoadSettings(fs::absolute(*parsed.settingsFile).lexically_normal().string());
  }
}

const ConversionTarget& FindAction(const std::string& action) {
  if (action.empty()) {
    throw UsageError{"no ACTION given"};
  }
  if (const ConversionTarget* target = FindTargetByCliAction(action)) {
    return *target;
  }
  throw UsageError{"unknown action " + action};
}

const ExtraAction* FindExtraAction(const std::string& action) {
  for (const ExtraAction& extra : kExtraActions) {
    if (extra.name == action) {
      return &extra;
    }
  }
  return nullptr;
}

// A missing file is described by an empty line; a file that cannot be read ends the run with
// its error, as it ends the window's command.
int RunExtraAction(const ExtraAction& extra, const std::vector<std::string>& files,
                   const ConversionSettings& settings, const CliStreams& io) {
  for (const std::string& file : files) {
    io.out << extra.lineOf(file, settings) << '\n';
  }
  return kCliSuccess;
}

void CheckFiles(const std::vector<std::string>& files) {
  for (const std::string& file : files) {
    std::error_code error;
    if (!fs::is_regular_file(file, error)) {
      throw UsageError{fs::exists(file, error) ? file + " is not a file" : "no such file: " + file};
    }
  }
}

int RunConversion(const ConversionTarget& target, const Arguments& parsed,
                  const ConversionSettings& settings, const CliStreams& io) {
  TerminalOutput output(io.out, io.err, io.errIsTerminal);
  FileOutcomes outcomes(parsed.files);
  TerminalMessageBoxes boxes(output, parsed.yes, &outcomes);
  TerminalLog log(output, &outcomes);
  TerminalErrorReporter errors(output, &outcomes);
  TerminalSaveDialog saveDialog(io.in, io.inIsTerminal, output, boxes);
  CommandLineView view(parsed.files, fs::current_path().string(), output, &outcomes);
  TickPacer pacer;
  CommandLineLink link([&view] { return view.BytesWritten() > 0; });
  TSMPfile smpFile;
  ConversionContext context{smpFile, log, boxes, {}};
  ConversionBatch batch(BatchParts{.settings = settings,
                                   .context = context,
                                   .view = view,
                                   .fileDialogs = saveDialog,
                                   .pacer = pacer,
                                   .link = link,
                                   .errors = errors,
                                   .describe = &DescriptionLine});
  ConfigureSMPfile1(smpFile, batch);
  batch.Run(target);
  output.ClearProgress();
  if (!outcomes.AllConverted()) {
    output.ErrorLine(outcomes.NotConvertedLine());
  }
  if (gStopSignal != 0) {
    return gStopSignal == SIGINT ? kCliInterrupted : kCliTerminated;
  }
  return boxes.WarningShown() || errors.ErrorShown() || !outcomes.AllConverted() ? kCliWarned
                                                                                 : kCliSuccess;
}

// Standard output that could not take the log (a full disk, /dev/full) loses lines a script
// relies on.
int CheckedStatus(int status, const CliStreams& io) {
  io.out.flush();
  if (io.out.fail()) {
    io.err << kProgram << ": cannot write to standard output\n";
    return status == kCliSuccess ? kCliWarned : status;
  }
  return status;
}

}  // namespace

std::string CommandLineUsage() {
  std::string usage = "Usage: " + std::string(kProgram) + " [OPTIONS] ACTION FILE...\n\n";
  usage +=
      "Converts sound files as the target buttons of Vorsel do. The conversion log goes to\n"
      "standard output; message boxes go to standard error as \"caption: text\".\n\nActions:\n";
  const auto line = [&usage](std::string_view name, std::string_view help) {
    std::string entry = "  " + std::string(name);
    entry.resize(std::max<size_t>(entry.size() + 1, 20), ' ');
    usage += entry + std::string(help) + "\n";
  };
  for (const ConversionTarget& target : ConversionTargets()) {
    line(target.CliAction, target.CliHelp);
  }
  for (const ExtraAction& extra : kExtraActions) {
    line(extra.name, extra.help);
  }
  usage += "\nOptions:\n";
  for (const OptionSpec& option : kOptions) {
    std::string name(option.name);
    if (!option.value.empty()) {
      name += ' ';
      name += option.value;
    }
    if (name.size() >= 18) {
      usage += "  " + name + "\n";
      line("", option.help);
    } else {
      line(name, option.help);
    }
  }
  usage +=
      "\nExamples:\n"
      "  vorsel-cli to-smp take1.wav take2.wav\n"
      "                    import two WAV files into take1.smp and take2.smp\n"
      "  vorsel-cli --set ExportWAV.Encoding=2 --set ExportWAV.DitherNoise=1 to-wav a.smp\n"
      "                    export a.smp as an 8-bit linear WAV file with dither noise\n"
      "  vorsel-cli --settings speech.vrs --yes to-raw *.smp\n"
      "                    export with the options of a saved settings file, replacing\n"
      "                    existing files\n"
      "\nExit status: 0 only when every FILE produced its output completely; 1 when any file\n"
      "was refused, aborted, skipped after a declined question, cancelled or left incomplete,\n"
      "or an error ended the batch (standard error then ends with a line naming the files not\n"
      "converted) or standard output could not be written; 2 for a usage error (an unreadable\n"
      "settings file included); 130 or 143 after SIGINT or SIGTERM, which stop the batch at\n"
      "its next step.\n";
  return usage;
}

namespace {

int RunCommandLineUnchecked(std::span<const std::string> args, const CliStreams& io) {
  try {
    const Arguments parsed = Parse(args);
    if (parsed.help) {
      io.out << CommandLineUsage();
      return kCliSuccess;
    }
    if (parsed.version) {
      io.out << kProgram << ' ' << kProgramVersion << '\n';
      return kCliSuccess;
    }
    if (parsed.listSettings && !parsed.action.empty()) {
      throw UsageError{"--list-settings takes no ACTION"};
    }
    const ExtraAction* extra = FindExtraAction(parsed.action);
    const ConversionTarget* target =
        extra != nullptr || parsed.listSettings ? nullptr : &FindAction(parsed.action);
    ConversionSettings settings;
    LoadStartSettings(parsed, settings, io);
    for (const std::string& assignment : parsed.sets) {
      ApplySet(assignment, settings);
    }
    if (parsed.listSettings) {
      io.out << SettingsListing(settings);
      return kCliSuccess;
    }
    if (extra != nullptr) {
      return RunExtraAction(*extra, parsed.files, settings, io);
    }
    CheckFiles(parsed.files);
    return RunConversion(*target, parsed, settings, io);
  } catch (const UsageError& error) {
    io.err << kProgram << ": " << error.message << "\nTry '" << kProgram << " --help'.\n";
    return kCliUsageError;
  } catch (const std::exception& error) {
    // Outside a batch, for instance a current folder that no longer exists.
    io.err << kProgram << ": " << error.what() << '\n';
    return kCliWarned;
  }
}

}  // namespace

int RunCommandLine(std::span<const std::string> args, const CliStreams& io) {
  return CheckedStatus(RunCommandLineUnchecked(args, io), io);
}

}  // namespace vorsel
