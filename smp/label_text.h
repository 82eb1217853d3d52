#pragma once

// The text rules of labels, free of any file: "start,length,text", where the first two of the
// characters "," and ";" count as the separators.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vorsel {

// The first two "," or ";" become ","; later ones stay as they are (100;50;a;b gives
// 100,50,a;b).
std::string NormaliseLabel(std::string_view label);

// The head item that holds internal label number `labelno` (counted from 0): L1, L2, ...
std::string LabelItemName(int32_t labelno);

// L or l followed by a decimal integer: the names that internal labels are kept under.
bool IsLabelItemName(std::string_view name);

// The three fields of a normalised label. A field that cannot be read is empty (start, length)
// or what the separators leave (text).
struct tlabelfields {
  std::string_view startText;
  std::string_view lengthText;
  std::optional<int32_t> start;
  std::optional<int32_t> length;
  std::string_view text;
};
tlabelfields SplitLabel(std::string_view label);

// The text of a start and a length multiplied by `factor` so that both stay whole scans apart
// and the start keeps its slot within the scan (scanCount samples per scan).
std::string ScaledLabel(int32_t start, int32_t length, std::string_view text, double factor,
                        int32_t scanCount);

// The file name with its extension replaced by ".csv" (or ".csv" appended when it has none):
// where a file's labels are kept unless its head names another file.
std::string LabelFileNameOf(std::string_view filename);

}  // namespace vorsel
