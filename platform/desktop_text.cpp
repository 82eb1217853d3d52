#include "platform/desktop_text.h"

#include <vector>

namespace vorsel {

namespace {

constexpr std::string_view kDefaultGroup = "[Default Applications]";

// Characters that make the shell-like Exec syntax need quotes around an argument.
bool NeedsQuotes(std::string_view argument) {
  return argument.find_first_of(" \t\n\"'\\><~|&;$*?#()`") != std::string_view::npos;
}

// Escapes of the desktop entry's string values.
std::string StringValueEscaped(std::string_view text) {
  std::string escaped;
  for (const char c : text) {
    switch (c) {
      case '\\':
        escaped += "\\\\";
        break;
      case '\n':
        escaped += "\\n";
        break;
      case '\t':
        escaped += "\\t";
        break;
      case '\r':
        escaped += "\\r";
        break;
      default:
        escaped += c;
    }
  }
  return escaped;
}

std::string StringValueUnescaped(std::string_view text) {
  std::string plain;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\' || i + 1 == text.size()) {
      plain += text[i];
      continue;
    }
    switch (text[++i]) {
      case 's':
        plain += ' ';
        break;
      case 'n':
        plain += '\n';
        break;
      case 't':
        plain += '\t';
        break;
      case 'r':
        plain += '\r';
        break;
      default:
        plain += text[i];
    }
  }
  return plain;
}

std::string_view Trimmed(std::string_view line) {
  while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) {
    line.remove_prefix(1);
  }
  while (!line.empty() && (line.back() == ' ' || line.back() == '\t' || line.back() == '\r' ||
                           line.back() == '\n')) {
    line.remove_suffix(1);
  }
  return line;
}

std::vector<std::string_view> Lines(std::string_view text) {
  std::vector<std::string_view> lines;
  while (!text.empty()) {
    const size_t end = text.find('\n');
    if (end == std::string_view::npos) {
      lines.push_back(text);
      break;
    }
    lines.push_back(text.substr(0, end + 1));
    text.remove_prefix(end + 1);
  }
  return lines;
}

std::string_view KeyOf(std::string_view line) {
  const size_t equals = line.find('=');
  return equals == std::string_view::npos ? std::string_view() : Trimmed(line.substr(0, equals));
}

}  // namespace

std::string DesktopExecValue(std::string_view programFile) {
  std::string argument;
  for (const char c : programFile) {
    argument += c;
    if (c == '%') {
      argument += '%';
    }
  }
  if (NeedsQuotes(programFile)) {
    std::string quoted = "\"";
    for (const char c : argument) {
      if (c == '"' || c == '`' || c == '$' || c == '\\') {
        quoted += '\\';
      }
      quoted += c;
    }
    argument = quoted + "\"";
  }
  return StringValueEscaped(argument) + " %f";
}

std::string DesktopExecProgram(std::string_view execValue) {
  const std::string plain = StringValueUnescaped(Trimmed(execValue));
  std::string program;
  size_t i = 0;
  if (!plain.empty() && plain.front() == '"') {
    for (i = 1; i < plain.size() && plain[i] != '"'; ++i) {
      if (plain[i] == '\\' && i + 1 < plain.size()) {
        ++i;
      }
      program += plain[i];
    }
    if (i >= plain.size()) {
      return "";
    }
  } else {
    for (; i < plain.size() && plain[i] != ' ' && plain[i] != '\t'; ++i) {
      program += plain[i];
    }
  }
  std::string unpercented;
  for (size_t j = 0; j < program.size(); ++j) {
    unpercented += program[j];
    if (program[j] == '%' && j + 1 < program.size() && program[j + 1] == '%') {
      ++j;
    }
  }
  return unpercented;
}

std::string WithDefaultApplication(std::string_view mimeapps, std::string_view mimeType,
                                   std::string_view desktopId) {
  const std::string entry = std::string(mimeType) + "=" + std::string(desktopId) + ";\n";
  std::string result;
  bool inGroup = false;
  bool written = false;
  // Adds the entry at the end of the group's lines, before the blank lines that end it.
  size_t groupEnd = std::string::npos;
  const auto closeGroup = [&] {
    if (inGroup && !written) {
      result.insert(groupEnd, entry);
      written = true;
    }
  };
  for (const std::string_view line : Lines(mimeapps)) {
    const std::string_view trimmed = Trimmed(line);
    if (!trimmed.empty() && trimmed.front() == '[') {
      closeGroup();
      inGroup = trimmed == kDefaultGroup;
    } else if (inGroup && KeyOf(line) == mimeType) {
      if (!written) {
        result += entry;
        written = true;
        groupEnd = result.size();
      }
      continue;
    }
    result += line;
    if (result.back() != '\n') {
      result += '\n';
    }
    if (inGroup && !trimmed.empty()) {
      groupEnd = result.size();
    }
  }
  closeGroup();
  if (!written) {
    if (!result.empty() && result.back() != '\n') {
      result += '\n';
    }
    result += std::string(kDefaultGroup) + "\n" + entry;
  }
  return result;
}

std::string XmlEscaped(std::string_view text) {
  std::string escaped;
  for (const char c : text) {
    switch (c) {
      case '&':
        escaped += "&amp;";
        break;
      case '<':
        escaped += "&lt;";
        break;
      case '>':
        escaped += "&gt;";
        break;
      case '"':
        escaped += "&quot;";
        break;
      default:
        escaped += c;
    }
  }
  return escaped;
}

}  // namespace vorsel
