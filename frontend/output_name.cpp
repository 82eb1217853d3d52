#include "frontend/output_name.h"

#include <stdexcept>
#include <string_view>

#include "platform/charset.h"

namespace vorsel {

namespace {

struct PathParts {
  std::string_view dir;   // with its final separator
  std::string_view name;  // the file name
};

PathParts SplitPath(std::string_view path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string_view::npos) {
    return {{}, path};
  }
  return {path.substr(0, slash + 1), path.substr(slash + 1)};
}

// The name before its first ".", or the whole name.
std::string_view BaseOf(std::string_view name) {
  return name.substr(0, name.find('.'));
}

std::string ChangeExtension(const std::string& path, const std::string& ext) {
  const PathParts parts = SplitPath(path);
  const size_t dot = parts.name.rfind('.');
  const std::string_view stem =
      dot == std::string_view::npos ? parts.name : parts.name.substr(0, dot);
  return std::string(parts.dir) + std::string(stem) + ext;
}

std::string AskForOutputName(const std::string& inputPath, const std::string& ext,
                             FileDialogs& dialogs) {
  SaveDialogRequest request;
  request.Filter = ext + " files (*" + ext + ")|*" + ext + "|All files (*.*)|*.*";
  request.DefaultExt = ext;
  request.FileName = ChangeExtension(inputPath, ext);
  request.OverwritePrompt = true;
  request.HideReadOnly = true;
  request.PathMustExist = true;
  request.EnableSizing = true;
  return dialogs.ExecuteSave(request).value_or(std::string());
}

// A separator in a name part would place the output in another folder.
bool LeadsOutOfTheFolder(std::string_view text) {
  return text.find('/') != std::string_view::npos;
}

}  // namespace

std::string MakeOutputName(const std::string& inputPath, const std::string& ext,
                           const ConversionSettings& settings, FileDialogs& dialogs) {
  const CommonSettings& common = settings.Common;
  const PathParts parts = SplitPath(inputPath);
  const std::string_view base = BaseOf(parts.name);
  switch (common.Naming) {
    case 0:
      return ChangeExtension(inputPath, ext);
    case 1: {
      std::string s = common.AppendString + std::string(base);
      if (common.LimitTo8Plus3) {
        s = std::string(Utf8Prefix(s, 8));
      }
      return std::string(parts.dir) + s + ext;
    }
    case 2: {
      std::string_view b = base;
      const size_t n = Utf8Length(common.AppendString);
      if (common.LimitTo8Plus3 && n <= 8) {
        b = Utf8Prefix(b, 8 - n);
      }
      return std::string(parts.dir) + std::string(b) + common.AppendString + ext;
    }
    case 3:
      return AskForOutputName(inputPath, ext, dialogs);
    default:
      throw std::invalid_argument("unknown naming mode " + std::to_string(common.Naming));
  }
}

std::optional<std::string> OutputNamingProblem(const ConversionSettings& settings,
                                               const std::string& ext) {
  const CommonSettings& common = settings.Common;
  if (common.Naming < 0 || common.Naming > 3) {
    return "Unknown naming mode " + std::to_string(common.Naming) +
           " (Common.Naming must be 0 to 3); nothing converted";
  }
  if ((common.Naming == 1 || common.Naming == 2) && LeadsOutOfTheFolder(common.AppendString)) {
    return "The append string \"" + common.AppendString +
           "\" must not contain \"/\"; nothing converted";
  }
  if (LeadsOutOfTheFolder(ext)) {
    return "The extension \"" + ext + "\" must not contain \"/\"; nothing converted";
  }
  return std::nullopt;
}

}  // namespace vorsel
