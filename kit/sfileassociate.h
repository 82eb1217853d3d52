#pragma once

#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>

#include "kit/about_box.h"
#include "platform/filetypes.h"

namespace vorsel {

// RegisterToApplication without an action or a type name.
class EFileAssociateError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The program part of a registered command text: blanks around the text are dropped; outside
// quotes a double quote opens a quoted part and a blank ends the name, inside one everything
// up to the closing quote is taken.
std::string CommandProgramPart(std::string_view command);

// Registers the running program as the handler of one file-name extension: in the file-type
// registry (HKEY_CLASSES_ROOT: <Extension> -> TypeName -> Description, and
// <TypeName>\shell\<Action>\command -> the quoted program and "%1"), mirrored into the
// desktop's own registration. Loaded adopts a registration found under another type name and
// runs Check, which registers unless the extension already opens this very program file.
class TFileAssociate {
 public:
  explicit TFileAssociate(DesktopFileTypes& desktop = SystemDesktopFileTypes());

  void Loaded();
  // Registers the program unless it is registered already, or the user cannot write the
  // file-type registry.
  void Check();
  // Re-reads RegisteredApp and tells whether it names this program file (in any letter case).
  bool RegisteredToMe();
  void RegisterToMe();
  // Writes the registration of RegisteredApp; errors of the stores are swallowed. Throws
  // EFileAssociateError without Action or TypeName.
  void RegisterToApplication();

  const std::string& Extension() const { return fextension; }
  void SetExtension(std::string value) { fextension = std::move(value); }
  const std::string& TypeName() const { return ftypename; }
  void SetTypeName(std::string value) { ftypename = std::move(value); }
  // Reads the registry first when the field is empty.
  const std::string& RegisteredApp();
  void SetRegisteredApp(std::string value) { fregisteredapp = std::move(value); }
  bool AutoCheck() const { return fautocheck; }
  void SetAutoCheck(bool value) { fautocheck = value; }
  const std::string& Action() const { return faction; }
  void SetAction(std::string value) { faction = std::move(value); }
  AboutBoxFacts* AboutBox() const { return fabout; }
  void SetAboutBox(AboutBoxFacts* value) { fabout = value; }
  const std::string& Description() const { return fdescription; }
  void SetDescription(std::string value) { fdescription = std::move(value); }
  // Registration happens without asking in any case; the flag is kept for the owner.
  bool AutoRegister() const { return fautoregister; }
  void SetAutoRegister(bool value) { fautoregister = value; }
  // The desktop's name of the type; when empty, Loaded makes one from the owner's
  // description ("Vorsel settings" gives application/x-vorsel-settings).
  const std::string& MimeType() const { return fmimetype; }
  void SetMimeType(std::string value) { fmimetype = std::move(value); }

 private:
  FileTypeRegistration DesktopRegistration();

  std::string fextension;
  std::string fregisteredapp;
  std::string ftypename;
  bool fautocheck = true;
  AboutBoxFacts* fabout = nullptr;
  std::string fdescription;
  std::string faction = "Open";
  bool fautoregister = true;
  std::string fmimetype;

  DesktopFileTypes& desktop_;
};

}  // namespace vorsel
