#pragma once

#include <string>
#include <utility>

namespace vorsel {

// The product's identity that the kit's components share: name, version and company.
class TProgId {
 public:
  // The values a newly placed component starts with; the owner sets its own.
  TProgId() = default;

  const std::string& ProductName() const { return fProductName; }
  void SetProductName(std::string value) { fProductName = std::move(value); }

  bool AutoVersion() const { return fAutoVersion; }
  void SetAutoVersion(bool value) { fAutoVersion = value; }

  // The constant "3.0" under AutoVersion, else the stored text.
  std::string Version() const { return fAutoVersion ? std::string("3.0") : fVersion; }
  void SetVersion(std::string value) { fVersion = std::move(value); }

  const std::string& Company() const { return fCompany; }
  void SetCompany(std::string value) { fCompany = std::move(value); }

  const std::string& Copyright() const { return fCopyright; }
  void SetCopyright(std::string value) { fCopyright = std::move(value); }

 private:
  std::string fProductName = "AppName";
  bool fAutoVersion = true;
  std::string fVersion = "1.0";
  std::string fCompany = "QuorvikData";
  std::string fCopyright = "Copyright (c) QuorvikData";
};

}  // namespace vorsel
