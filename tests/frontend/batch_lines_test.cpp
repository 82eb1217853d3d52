#include "formats/batch_words.h"
#include "formats/format_list.h"
#include "frontend/conversion_settings.h"

#include <gtest/gtest.h>

namespace vorsel {
namespace {

TEST(HeaderLines, DefaultsNameTheSixteenBitCoding) {
  const ConversionSettings defaults;
  EXPECT_EQ(WAVHeaderLine(defaults), "WAV: 16-bit");
  EXPECT_EQ(AUHeaderLine(defaults), "AU: 16-bit");
  EXPECT_EQ(AIFFHeaderLine(defaults), "AIFF: 16-bit");
  EXPECT_EQ(NSPHeaderLine(defaults), "NSP: ");
  EXPECT_EQ(RAWHeaderLine(defaults), "RAW: 16-bit Signed, Intel");
}

TEST(HeaderLines, FitAndDitherAppearOnlyForTheCodingsThatUseThem) {
  ConversionSettings s;
  s.ExportWAV.Encoding = 2;
  s.ExportWAV.StoreSMPHeader = true;
  EXPECT_EQ(WAVHeaderLine(s), "WAV: 8-bit, fit, dither, smphead");
  s.ExportWAV.Encoding = 0;
  EXPECT_EQ(WAVHeaderLine(s), "WAV: u-law, fit, smphead");
  s.ExportAU.Encoding = 1;
  s.ExportAU.FitAmplitude = false;
  EXPECT_EQ(AUHeaderLine(s), "AU: A-law");
  s.ExportAIF.Encoding = 0;
  EXPECT_EQ(AIFFHeaderLine(s), "AIFF: 8-bit, fit, dither");
  s.ExportAIF.DitherNoise = false;
  s.ExportAIF.StoreSMPHeader = true;
  EXPECT_EQ(AIFFHeaderLine(s), "AIFF: 8-bit, fit, smphead");
}

TEST(HeaderLines, NSPHoldsTwoSpacesBeforeSmphead) {
  ConversionSettings s;
  s.ExportNSP.StoreSMPHeader = true;
  EXPECT_EQ(NSPHeaderLine(s), "NSP:  smphead");
}

TEST(HeaderLines, RAWNamesHeaderBytesSignAndByteOrder) {
  ConversionSettings s;
  s.ExportRAW.HeaderBytes = 44;
  EXPECT_EQ(RAWHeaderLine(s), "RAW: 44 hdbytes 16-bit Signed, Intel");
  s.ExportRAW.HeaderBytes = -5;
  s.ExportRAW.Encoding = 2;
  s.ExportRAW.Signed = false;
  s.ExportRAW.MSBFirst = true;
  EXPECT_EQ(RAWHeaderLine(s), "RAW: 8-bit Unsigned, Motorola, fit, dither");
}

TEST(HeaderLines, CodingsOutsideTheTableAddNoWord) {
  ConversionSettings s;
  s.ExportWAV.Encoding = 7;
  EXPECT_EQ(WAVHeaderLine(s), "WAV: ");
  s.ExportAIF.Encoding = 2;
  EXPECT_EQ(AIFFHeaderLine(s), "AIFF: ");
  EXPECT_EQ(CodingWord(-1), "");
  EXPECT_EQ(AIFCodingWord(1), "16-bit");
}

TEST(AssumptionLine, HasNoSpaceAfterTheColon) {
  ConversionSettings s;
  EXPECT_EQ(RawAssumptionLine(s), "Assuming:16-bit Signed, Intel");
  s.ImportRAW.StripBytes = 512;
  EXPECT_EQ(RawAssumptionLine(s), "Assuming:512 hdbytes 16-bit Signed, Intel");
  s.ImportRAW.StripBytes = 0;
  s.ImportRAW.Encoding = 0;
  s.ImportRAW.ByteOrder = 1;
  EXPECT_EQ(RawAssumptionLine(s), "Assuming:u-law Signed, Motorola");
  // Only 1 means Motorola.
  s.ImportRAW.ByteOrder = 2;
  EXPECT_EQ(RawAssumptionLine(s), "Assuming:u-law Signed, Intel");
}

}  // namespace
}  // namespace vorsel
