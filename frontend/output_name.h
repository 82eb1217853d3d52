#pragma once

#include <optional>
#include <string>

#include "frontend/conversion_settings.h"
#include "platform/filedialog.h"

namespace vorsel {

// The output path for inputPath under the naming settings (Common.Naming 0 same name, 1 start
// with the append string, 2 end with it, 3 ask with a save dialog). ext includes its dot.
// Empty when the user cancelled the save dialog. Throws std::invalid_argument for a naming
// mode outside 0 to 3; OutputNamingProblem finds that first.
std::string MakeOutputName(const std::string& inputPath, const std::string& ext,
                           const ConversionSettings& settings, FileDialogs& dialogs);

// Why no output name can be made safely for extension ext, as one log line: an unknown naming
// mode, or an append string or extension that would lead out of the input's folder.
std::optional<std::string> OutputNamingProblem(const ConversionSettings& settings,
                                               const std::string& ext);

}  // namespace vorsel
