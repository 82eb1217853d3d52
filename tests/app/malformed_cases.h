#pragma once

// The records of tests/data/malformed/cases.txt: one run of vorsel-cli each, with the outcome
// generate.py expects.

#include <optional>
#include <string>
#include <vector>

namespace vorsel::test {

struct MalformedCase {
  std::string path;                     // relative to the corpus folder, "wav/empty.wav"
  std::vector<std::string> companions;  // further files copied beside it
  std::string args;                     // options before the action
  std::string action = "to-smp";
  std::vector<std::string> out;  // log lines; "{dir}" is the folder of the run
  std::vector<std::string> err;  // message boxes as "caption: text"
  int status = 0;
  std::optional<std::string> output;  // the file the run must leave, or none at all
  std::optional<long> samples;        // sample values after the head of an SMP output
  std::vector<std::string> items;  // "name=value" the SMP output's head must hold ("name=": none)

  std::string FileName() const;
  // A name for the test: the path and the action, with other characters as "_".
  std::string TestName() const;
};

std::vector<MalformedCase> ReadMalformedCases(const std::string& manifestPath);

}  // namespace vorsel::test
