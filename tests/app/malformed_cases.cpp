#include "tests/app/malformed_cases.h"

#include <cctype>
#include <sstream>
#include <stdexcept>

#include "tests/support/temp_dir.h"

namespace vorsel::test {

std::string MalformedCase::FileName() const {
  return path.substr(path.find('/') + 1);
}

std::string MalformedCase::TestName() const {
  std::string name = path + "_" + action;
  for (char& c : name) {
    if (std::isalnum(static_cast<unsigned char>(c)) == 0) {
      c = '_';
    }
  }
  return name;
}

std::vector<MalformedCase> ReadMalformedCases(const std::string& manifestPath) {
  std::vector<MalformedCase> cases;
  std::istringstream lines(ReadFile(manifestPath));
  std::string line;
  while (std::getline(lines, line)) {
    if (line.empty() || line[0] == '#') {
      continue;
    }
    const size_t space = line.find(' ');
    const std::string key = line.substr(0, space);
    const std::string value = space == std::string::npos ? "" : line.substr(space + 1);
    if (key == "case") {
      cases.emplace_back().path = value;
      continue;
    }
    if (cases.empty()) {
      throw std::runtime_error("a record before the first case in " + manifestPath);
    }
    MalformedCase& current = cases.back();
    if (key == "with") {
      current.companions.push_back(value);
    } else if (key == "args") {
      current.args = value;
    } else if (key == "action") {
      current.action = value;
    } else if (key == "out") {
      current.out.push_back(value);
    } else if (key == "err") {
      current.err.push_back(value);
    } else if (key == "status") {
      current.status = std::stoi(value);
    } else if (key == "output") {
      current.output = value;
    } else if (key == "nooutput") {
      current.output.reset();
    } else if (key == "samples") {
      current.samples = std::stol(value);
    } else if (key == "item") {
      current.items.push_back(value);
    } else {
      throw std::runtime_error("unknown record line: " + line);
    }
  }
  return cases;
}

}  // namespace vorsel::test
