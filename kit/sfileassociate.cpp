#include "kit/sfileassociate.h"

#include <memory>
#include <variant>

#include "kit/sini.h"
#include "platform/folders.h"
#include "platform/keystore.h"
#include "platform/textcase.h"

namespace vorsel {

namespace {

// The unnamed value of a key in the file-type registry; empty when it is missing, not a text
// or cannot be read.
std::string DefaultValue(const std::string& key) {
  try {
    const auto store = OpenRegistryRoot(RegistryRoot::HKEY_CLASSES_ROOT, StoreAccess::ReadOnly);
    const auto value = store->ReadValue(key, "");
    return value && std::holds_alternative<std::string>(*value) ? std::get<std::string>(*value)
                                                                : std::string();
  } catch (const StoreError&) {
    return "";
  }
}

bool KeyExists(const std::string& key) {
  try {
    return OpenRegistryRoot(RegistryRoot::HKEY_CLASSES_ROOT, StoreAccess::ReadOnly)->KeyExists(key);
  } catch (const StoreError&) {
    return false;
  }
}

// ".vrs" with the suffix: "vrs.Document"; "" gives "Unknown" + suffix.
std::string NameFromExtension(std::string extension, std::string_view suffix) {
  if (extension.empty()) {
    extension = ".Unknown";
  }
  if (extension.front() == '.') {
    extension.erase(0, 1);
  }
  if (extension.empty()) {
    extension = "Unknown";
  }
  return extension + std::string(suffix);
}

std::string CommandKey(const std::string& typeName, const std::string& action) {
  return "\\" + typeName + "\\shell\\" + action + "\\command";
}

bool IsAsciiAlnum(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

char AsciiLower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 0x20) : c;
}

// Lower-case letters and digits, every other run of characters one "-".
std::string Slug(std::string_view text) {
  std::string slug;
  for (const char c : text) {
    if (IsAsciiAlnum(c)) {
      slug += AsciiLower(c);
    } else if (!slug.empty() && slug.back() != '-') {
      slug += '-';
    }
  }
  while (!slug.empty() && slug.back() == '-') {
    slug.pop_back();
  }
  return slug;
}

}  // namespace

std::string CommandProgramPart(std::string_view command) {
  while (!command.empty() && static_cast<unsigned char>(command.front()) <= ' ') {
    command.remove_prefix(1);
  }
  while (!command.empty() && static_cast<unsigned char>(command.back()) <= ' ') {
    command.remove_suffix(1);
  }
  std::string program;
  bool quoted = false;
  for (const char c : command) {
    if (quoted) {
      if (c == '"') {
        break;
      }
      program += c;
    } else if (c == '"') {
      quoted = true;
    } else if (c == ' ') {
      break;
    } else {
      program += c;
    }
  }
  return program;
}

TFileAssociate::TFileAssociate(DesktopFileTypes& desktop) : desktop_(desktop) {}

void TFileAssociate::Loaded() {
  if (fmimetype.empty()) {
    const std::string slug =
        Slug(fdescription.empty() ? NameFromExtension(fextension, "") : fdescription);
    fmimetype = "application/x-" + (slug.empty() ? std::string("unknown") : slug);
  }
  const std::string registeredType = DefaultValue("\\" + fextension);
  if (!registeredType.empty()) {
    ftypename = registeredType;
    const std::string registeredDescription = DefaultValue("\\" + ftypename);
    if (!registeredDescription.empty()) {
      fdescription = registeredDescription;
    }
  }
  if (ftypename.empty()) {
    ftypename = NameFromExtension(fextension, ".Document");
  }
  if (fdescription.empty()) {
    fdescription = NameFromExtension(fextension, " file");
  }
  if (fautocheck) {
    Check();
  }
}

void TFileAssociate::Check() {
  if (fextension.empty() || ProbedRegistryRoot() != RegistryRoot::HKEY_CLASSES_ROOT) {
    return;
  }
  if (RegisteredToMe()) {
    try {
      if (desktop_.Registered(DesktopRegistration())) {
        return;
      }
    } catch (const std::exception&) {
      return;
    }
  }
  RegisterToMe();
}

bool TFileAssociate::RegisteredToMe() {
  fregisteredapp.clear();
  const std::string registeredType = DefaultValue("\\" + fextension);
  if (!registeredType.empty()) {
    const std::string key = CommandKey(registeredType, faction);
    if (KeyExists(key)) {
      fregisteredapp = CommandProgramPart(DefaultValue(key));
    }
  }
  return FoldCase(fregisteredapp) == FoldCase(ProgramFileName());
}

void TFileAssociate::RegisterToMe() {
  fregisteredapp = ProgramFileName();
  RegisterToApplication();
}

void TFileAssociate::RegisterToApplication() {
  if (faction.empty() || ftypename.empty()) {
    throw EFileAssociateError("Cannot register action \"" + faction + "\" on file type \"" +
                              ftypename + "\"");
  }
  const std::string command = "\"" + RegisteredApp() + "\" \"%1\"";
  try {
    const auto store = OpenRegistryRoot(RegistryRoot::HKEY_CLASSES_ROOT);
    store->BeginBatch();
    store->WriteValue("\\" + fextension, "", ftypename);
    store->WriteValue("\\" + ftypename, "", fdescription);
    store->WriteValue(CommandKey(ftypename, faction), "", command);
    store->CommitBatch();
  } catch (const std::exception&) {
    // The registration may stay incomplete; the next start tries again.
  }
  try {
    desktop_.Register(DesktopRegistration());
  } catch (const std::exception&) {
    // As above: the desktop keeps what it had.
  }
}

const std::string& TFileAssociate::RegisteredApp() {
  if (fregisteredapp.empty()) {
    RegisteredToMe();
  }
  return fregisteredapp;
}

FileTypeRegistration TFileAssociate::DesktopRegistration() {
  const std::string program = RegisteredApp();
  const std::string base = ExeBase(program);
  std::string name = fabout != nullptr ? fabout->Title() : base;
  if (fabout == nullptr && !name.empty()) {
    name.front() = static_cast<char>(
        name.front() >= 'a' && name.front() <= 'z' ? name.front() - 0x20 : name.front());
  }
  std::string id = Slug(base);
  return {.extension = fextension,
          .mimeType = fmimetype,
          .description = fdescription,
          .programFile = program,
          .programName = name,
          .desktopId = (id.empty() ? std::string("program") : id) + ".desktop"};
}

}  // namespace vorsel
