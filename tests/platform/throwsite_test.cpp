#include "platform/throwsite.h"

#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace vorsel {
namespace {

__attribute__((noinline)) void ThrowFromTheProgram(int value) {
  if (value > 0) {
    throw std::invalid_argument("direct");
  }
}

__attribute__((noinline)) int ReadPastTheEnd(const std::vector<int>& values, size_t index) {
  return values.at(index);  // thrown inside the C++ runtime
}

// What addr2line makes of an address of this test program: function names, innermost first.
std::string Resolve(const std::string& address) {
  const std::string program = std::filesystem::read_symlink("/proc/self/exe").string();
  const std::string command = "addr2line -f -C -i -e '" + program + "' 0x" + address;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) {
    return {};
  }
  std::string output;
  char buffer[512];
  while (fgets(buffer, sizeof buffer, pipe) != nullptr) {
    output += buffer;
  }
  pclose(pipe);
  return output;
}

TEST(ThrowSite, Addr2lineFindsTheThrowingFunction) {
  try {
    ThrowFromTheProgram(1);
    FAIL() << "nothing thrown";
  } catch (const std::exception& error) {
    const std::string address = ThrowAddressText(&error);
    ASSERT_EQ(address.size(), 8u);
    EXPECT_EQ(address.find_first_not_of("0123456789ABCDEF"), std::string::npos);
    EXPECT_NE(Resolve(address).find("ThrowFromTheProgram"), std::string::npos) << Resolve(address);
  }
}

TEST(ThrowSite, AThrowInsideTheRuntimeCountsAtTheProgramsCall) {
  const std::vector<int> values{1, 2};
  try {
    ReadPastTheEnd(values, 5);
    FAIL() << "nothing thrown";
  } catch (const std::out_of_range& error) {
    const std::string address = ThrowAddressText(&error);
    EXPECT_NE(address, "00000000");
    // The call into the runtime is vector's range check, inlined into the caller or not,
    // depending on the optimisation.
    const std::string where = Resolve(address);
    EXPECT_TRUE(where.find("ReadPastTheEnd") != std::string::npos ||
                where.find("std::vector<int, std::allocator<int> >::_M_range_check") !=
                    std::string::npos)
        << where;
  }
}

TEST(ThrowSite, ARethrowKeepsTheFirstSiteAndNestedThrowsKeepTheirOwn) {
  uint32_t outer = 0;
  try {
    try {
      ThrowFromTheProgram(1);
    } catch (const std::exception& first) {
      outer = ThrowAddressOf(&first);
      try {
        throw std::runtime_error("nested");
      } catch (const std::exception& nested) {
        EXPECT_NE(ThrowAddressOf(&nested), outer);
        EXPECT_NE(ThrowAddressOf(&nested), 0u);
      }
      throw;
    }
  } catch (const std::exception& again) {
    EXPECT_EQ(ThrowAddressOf(&again), outer);
  }
  const std::runtime_error neverThrown("plain object");
  EXPECT_EQ(ThrowAddressText(&neverThrown), "00000000");
}

}  // namespace
}  // namespace vorsel
