#include "codings/extended.h"

#include <cmath>
#include <limits>

namespace vorsel {

namespace {

constexpr int kBias = 16383;
constexpr int kMaxExponent = 0x7FFF;
constexpr uint64_t kIntegerBit = uint64_t{1} << 63;

Extended80 Pack(bool negative, int exponent, uint64_t significand) {
  Extended80 bytes{};
  const unsigned head = (negative ? 0x8000u : 0u) | static_cast<unsigned>(exponent);
  bytes[0] = static_cast<uint8_t>(head >> 8);
  bytes[1] = static_cast<uint8_t>(head);
  for (int i = 0; i < 8; ++i) {
    bytes[2 + i] = static_cast<uint8_t>(significand >> (56 - 8 * i));
  }
  return bytes;
}

}  // namespace

Extended80 ExtendedToBytes(double value) {
  const bool negative = std::signbit(value);
  if (value == 0) {
    return Extended80{};
  }
  if (std::isnan(value)) {
    return Pack(negative, kMaxExponent, kIntegerBit | (kIntegerBit >> 1));
  }
  if (std::isinf(value)) {
    return Pack(negative, kMaxExponent, kIntegerBit);
  }
  int exponent = 0;
  const double fraction = std::frexp(std::fabs(value), &exponent);  // in [0.5, 1)
  // A double has 53 significant bits, so fraction * 2^64 is an exact integer below 2^64.
  const auto significand = static_cast<uint64_t>(std::ldexp(fraction, 64));
  return Pack(negative, exponent - 1 + kBias, significand);
}

double BytesToExtended(const Extended80& bytes) {
  const bool negative = (bytes[0] & 0x80) != 0;
  const int exponent = ((bytes[0] & 0x7F) << 8) | bytes[1];
  uint64_t significand = 0;
  for (int i = 0; i < 8; ++i) {
    significand = (significand << 8) | bytes[2 + i];
  }
  double magnitude = 0;
  if (exponent == kMaxExponent) {
    magnitude = (significand << 1) == 0 ? std::numeric_limits<double>::infinity()
                                        : std::numeric_limits<double>::quiet_NaN();
  } else {
    // Denormals (exponent 0) use the smallest exponent, as the format defines.
    const int power = (exponent == 0 ? 1 : exponent) - kBias - 63;
    magnitude = std::ldexp(static_cast<double>(significand), power);
  }
  return negative ? -magnitude : magnitude;
}

}  // namespace vorsel
