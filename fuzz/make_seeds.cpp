// Writes the seed corpora of the fuzz targets: small SMP files made with TSMPfile, their
// exports through the real exporters, and a few files the exporters never write (AIFC, text,
// settings files). Usage: vorsel_make_seeds CORPUS_FOLDER (fuzz/make_corpus.sh runs it).

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "formats/aiff.h"
#include "formats/au.h"
#include "formats/conversion_context.h"
#include "formats/nsp.h"
#include "formats/raw.h"
#include "formats/wav.h"
#include "frontend/settings_files.h"
#include "frontend/targets.h"
#include "smp/sSMP.h"
#include "tests/support/fake_message_boxes.h"

namespace {

using namespace vorsel;
namespace fs = std::filesystem;

class QuietLog : public ConversionLog {
 public:
  void Append(std::string_view) override {}
};

class QuietBoxes : public MessageBoxes {
 public:
  int ShowMessageBox(std::string_view, std::string_view, unsigned) override { return idOk; }
};

std::string ReadBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteBytes(const fs::path& path, std::string_view bytes) {
  fs::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) {
    throw std::runtime_error("cannot write " + path.string());
  }
}

// A short decaying tone per channel, interleaved, that reaches both ends of the 16-bit range.
std::vector<int16_t> Tone(int channels, int frames) {
  std::vector<int16_t> samples;
  for (int f = 0; f < frames; ++f) {
    for (int c = 0; c < channels; ++c) {
      const double v = std::sin(0.3 * f * (c + 1)) * 40000.0 * std::exp(-f / 60.0);
      samples.push_back(static_cast<int16_t>(std::clamp(v, -32768.0, 32767.0)));
    }
  }
  return samples;
}

struct Source {
  std::string name;
  int channels;
  double sfTot;
  std::vector<std::string> items;  // name=value lines set on top of the defaults
  int frames = 64;
};

fs::path MakeSmp(const fs::path& folder, const Source& source) {
  const fs::path path = folder / (source.name + ".smp");
  TSMPfile smp;
  smp.new_file(path.string());
  smp.insert_nonpresent_defaults();
  smp.SetnChans(source.channels);
  smp.SetSfTot(source.sfTot);
  // Fixed dates, so that the seeds come out the same on every run.
  smp.set_item("date", "12/09/26 07:44:15");
  smp.set_item("nspdate", "Dec 09 07:44:15 2026");
  for (const std::string& item : source.items) {
    const size_t eq = item.find('=');
    smp.set_item(item.substr(0, eq), item.substr(eq + 1));
  }
  const std::vector<int16_t> samples = Tone(source.channels, source.frames);
  const auto chunk = std::make_unique<tsamplechunk>();
  chunk->used = static_cast<int32_t>(samples.size());
  std::copy(samples.begin(), samples.end(), chunk->data);
  smp.SetPosition(0);
  smp.SetChunk(*chunk);
  smp.save_file("");
  smp.close_file();
  return path;
}

// Runs one exporter with settings adjusted by `adjust`; the bytes it wrote.
template <typename Adjust>
std::string Export(Converter exporter, const fs::path& smp, const fs::path& work, Adjust adjust) {
  ConversionSettings settings;
  // Without dither, so that the seeds come out the same on every run.
  settings.ExportWAV.DitherNoise = false;
  settings.ExportAU.DitherNoise = false;
  settings.ExportAIF.DitherNoise = false;
  settings.ExportRAW.DitherNoise = false;
  adjust(settings);
  TSMPfile component;
  QuietLog log;
  QuietBoxes boxes;
  ConversionContext context{component, log, boxes, {}};
  const fs::path out = work / "export.out";
  fs::remove(out);
  exporter(context, settings, smp.string(), out.string());
  if (!fs::exists(out)) {
    throw std::runtime_error("no export of " + smp.string());
  }
  return ReadBytes(out);
}

std::string BE32(uint32_t v) {
  return {static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8),
          static_cast<char>(v)};
}

// An AIFC file the exporter never writes: COMM with a compression type, then SSND.
std::string Aifc(std::string_view compression, int frames) {
  const std::vector<int16_t> samples = Tone(1, frames);
  std::string comm = std::string("\x00\x01", 2) + BE32(static_cast<uint32_t>(frames)) +
                     std::string("\x00\x10", 2) +
                     std::string("\x40\x0C\xFA\x00\x00\x00\x00\x00\x00\x00", 10) +
                     std::string(compression) + std::string("\x04none", 5);
  comm += '\0';  // the compression name's pad to an even length
  std::string ssnd = std::string(8, '\0');
  for (const int16_t s : samples) {
    ssnd += static_cast<char>(static_cast<uint16_t>(s) >> 8);
    ssnd += static_cast<char>(static_cast<uint16_t>(s) & 0xFF);
  }
  const std::string body = "AIFC" + std::string("COMM") + BE32(static_cast<uint32_t>(comm.size())) +
                           comm + "SSND" + BE32(static_cast<uint32_t>(ssnd.size())) + ssnd;
  return "FORM" + BE32(static_cast<uint32_t>(body.size())) + body;
}

std::string SettingsFile(const fs::path& work, bool changed) {
  ConversionSettings settings;
  if (changed) {
    settings.ImportRAW.Encoding = 0;
    settings.ImportTXT.ViewLo = -2.5;
    settings.ExportWAV.StoreSMPHeader = true;
    settings.Common.CustomMask = "*.wav;*.au";
  }
  HeadlessSettingsWindow window(settings);
  test::FakeMessageBoxes boxes;
  SettingsFiles files(settings, window, nullptr, boxes);
  const fs::path path = work / "settings.vrs";
  files.SaveSettings(path.string());
  return ReadBytes(path);
}

void Generate(const fs::path& corpus) {
  const fs::path work = corpus / ".work";
  fs::create_directories(work);

  const Source sources[] = {
      {"mono", 1, 16000, {}},
      {"stereo", 2, 88200, {}},
      {"five", 5, 40000, {}, 16},
      {"items",
       1,
       11025,
       {"view=-2.5,2.5", "unit=Pa", "range=-32768,32767", "nspdate=Jan 02 03:04:05 2006",
        "AES/EBUchstatus=13,2,3", "L1=0,10,first", "L2=20,5,second;part", "proc0=made here"}},
      {"split", 3, 32000, {"scan=0,1,0,2"}, 30},
  };
  std::vector<fs::path> smp;
  for (const Source& source : sources) {
    smp.push_back(MakeSmp(work, source));
    WriteBytes(corpus / "smp_open" / (source.name + ".smp"), ReadBytes(smp.back()));
  }
  const fs::path& mono = smp[0];
  const fs::path& stereo = smp[1];
  const fs::path& five = smp[2];
  const fs::path& items = smp[3];

  std::vector<std::pair<std::string, std::string>> files;  // name, bytes: the probing seeds
  const auto add = [&](const std::string& target, const std::string& name,
                       const std::string& bytes) {
    WriteBytes(corpus / target / name, bytes);
    files.emplace_back(name, bytes);
  };

  for (int coding = 0; coding <= 3; ++coding) {
    add("wav_import", "mono" + std::to_string(coding) + ".wav",
        Export(&WithSection<&ConversionSettings::ExportWAV, &ExportWAV>, mono, work,
               [&](ConversionSettings& s) { s.ExportWAV.Encoding = coding; }));
    add("au_import", "mono" + std::to_string(coding) + ".au",
        Export(&WithSection<&ConversionSettings::ExportAU, &ExportAU>, mono, work,
               [&](ConversionSettings& s) { s.ExportAU.Encoding = coding; }));
  }
  add("wav_import", "stereo.wav",
      Export(&WithSection<&ConversionSettings::ExportWAV, &ExportWAV>, stereo, work,
             [](ConversionSettings&) {}));
  add("wav_import", "five.wav",
      Export(&WithSection<&ConversionSettings::ExportWAV, &ExportWAV>, five, work,
             [](ConversionSettings&) {}));
  add("wav_import", "items-head.wav",
      Export(&WithSection<&ConversionSettings::ExportWAV, &ExportWAV>, items, work,
             [](ConversionSettings& s) { s.ExportWAV.StoreSMPHeader = true; }));
  add("au_import", "stereo.au",
      Export(&WithSection<&ConversionSettings::ExportAU, &ExportAU>, stereo, work,
             [](ConversionSettings&) {}));
  add("au_import", "items-head.au",
      Export(&WithSection<&ConversionSettings::ExportAU, &ExportAU>, items, work,
             [](ConversionSettings& s) { s.ExportAU.StoreSMPHeader = true; }));

  add("aiff_import", "mono8.aif",
      Export(&WithSection<&ConversionSettings::ExportAIF, &ExportAIFF>, mono, work,
             [](ConversionSettings& s) { s.ExportAIF.Encoding = 0; }));
  add("aiff_import", "mono16.aif",
      Export(&WithSection<&ConversionSettings::ExportAIF, &ExportAIFF>, mono, work,
             [](ConversionSettings&) {}));
  add("aiff_import", "stereo.aif",
      Export(&WithSection<&ConversionSettings::ExportAIF, &ExportAIFF>, stereo, work,
             [](ConversionSettings&) {}));
  add("aiff_import", "items-head.aif",
      Export(&WithSection<&ConversionSettings::ExportAIF, &ExportAIFF>, items, work,
             [](ConversionSettings& s) { s.ExportAIF.StoreSMPHeader = true; }));
  add("aiff_import", "none.aifc", Aifc("NONE", 32));
  add("aiff_import", "sowt.aifc", Aifc("sowt", 8));

  add("nsp_import", "mono-hedr.nsp",
      Export(&WithSection<&ConversionSettings::ExportNSP, &ExportNSP>, mono, work,
             [](ConversionSettings&) {}));
  add("nsp_import", "mono-hdr8.nsp",
      Export(&WithSection<&ConversionSettings::ExportNSP, &ExportNSP>, mono, work,
             [](ConversionSettings& s) { s.ExportNSP.OneChannelType = 1; }));
  for (int type = 0; type <= 2; ++type) {
    add("nsp_import", "stereo" + std::to_string(type) + ".nsp",
        Export(&WithSection<&ConversionSettings::ExportNSP, &ExportNSP>, stereo, work,
               [&](ConversionSettings& s) { s.ExportNSP.TwoChannelType = type; }));
  }
  add("nsp_import", "five.nsp",
      Export(&WithSection<&ConversionSettings::ExportNSP, &ExportNSP>, five, work,
             [](ConversionSettings&) {}));
  add("nsp_import", "items-head.nsp",
      Export(&WithSection<&ConversionSettings::ExportNSP, &ExportNSP>, items, work,
             [](ConversionSettings& s) { s.ExportNSP.StoreSMPHeader = true; }));

  // RAW seeds begin with the four settings bytes of the RAW target: coding (with signed and
  // byte-order bits), channel choice, rate choice, strip choice.
  for (int coding = 0; coding <= 3; ++coding) {
    const std::string raw = Export(&WithSection<&ConversionSettings::ExportRAW, &ExportRAW>, mono,
                                   work, [&](ConversionSettings& s) {
                                     s.ExportRAW.Encoding = coding;
                                     s.ExportRAW.Signed = true;
                                   });
    add("raw_import", "mono" + std::to_string(coding) + ".raw",
        std::string{static_cast<char>(coding | 0x08), 0, 0, 0} + raw);
  }
  add("raw_import", "stereo-msb.raw",
      std::string{static_cast<char>(3 | 0x08 | 0x10), 1, 1, 0} +
          Export(&WithSection<&ConversionSettings::ExportRAW, &ExportRAW>, stereo, work,
                 [](ConversionSettings& s) { s.ExportRAW.MSBFirst = true; }));

  // TXT seeds begin with the four settings bytes of the TXT target: channels and separators,
  // actions, strip choice, mapping.
  add("txt_import", "column.txt", std::string{0, 0, 0, 0} + "0.5\r\n-0.25\r\n1\r\n-1\r\n0\r\n");
  add("txt_import", "stereo.txt", std::string{1, 1, 0, 0} + "0.1 0.2\n-0.3\t0.4\n1e-3,5 2\n");
  add("txt_import", "titled.txt", std::string{1, 6, 1, 0} + "left right\n0,25 -0,5\n.5 x 7\n");
  add("txt_import", "commas.txt", std::string{0x21, 9, 0, 4} + "0,25\n1,2,3\n+ - E 1e5\n");

  add("ini", "defaults.vrs", SettingsFile(work, false));
  add("ini", "changed.vrs", SettingsFile(work, true));
  add("ini", "profile.ini",
      "; comment\r\n[Section]\r\nKey = \"quoted value\" \r\n#other\r\n[section]\rkey2=2\r\n"
      "[Empty]\n=novalue\nnoequals\n[ImportTXT]\nViewLo=1.5e3\nViewHi=x\n");
  add("ini", "utf16.ini", std::string("\xFF\xFE[\0A\0]\0\r\0\n\0k\0=\0\xE9\0\r\0\n\0", 22));

  add("labels", "labels.csv", "/data/x.smp\r\n0,100,first\r\n200;50;second;b\r\n10,20\r\n");
  add("labels", "broken.csv", "x.smp\nno separators\n-5,x,y\n\n99999999999,1,big\r\r,,\n\xff\xfe");

  // The probing targets see every file; FileTypeOf takes one strip-choice byte first.
  for (const auto& [name, bytes] : files) {
    WriteBytes(corpus / "description" / name, bytes);
    WriteBytes(corpus / "guess" / name, bytes);
    WriteBytes(corpus / "filetype" / name, std::string(1, '\0') + bytes);
  }
  for (const fs::path& path : smp) {
    const std::string name = path.filename().string();
    WriteBytes(corpus / "description" / name, ReadBytes(path));
    WriteBytes(corpus / "filetype" / name, std::string(1, '\0') + ReadBytes(path));
  }

  // The round trip takes the importer's index and the variant byte first.
  const struct {
    const char* folder;
    const char* name;
    char importer;
    char variant;
  } trips[] = {{"wav_import", "stereo.wav", 0, 1},  {"wav_import", "items-head.wav", 0, 0},
               {"au_import", "mono3.au", 1, 0},     {"au_import", "items-head.au", 1, 0},
               {"aiff_import", "stereo.aif", 2, 3}, {"aiff_import", "none.aifc", 2, 0},
               {"nsp_import", "five.nsp", 3, 0},    {"nsp_import", "stereo0.nsp", 3, 1},
               {"txt_import", "stereo.txt", 5, 1}};
  for (const auto& trip : trips) {
    const std::string bytes = ReadBytes(corpus / trip.folder / trip.name);
    const std::string file = std::string(trip.folder) == "txt_import" ? bytes.substr(4) : bytes;
    WriteBytes(corpus / "roundtrip" / trip.name, std::string{trip.importer, trip.variant} + file);
  }
  WriteBytes(corpus / "roundtrip" / "stereo.raw",
             std::string{4, 1} + Export(&WithSection<&ConversionSettings::ExportRAW, &ExportRAW>,
                                        stereo, work, [](ConversionSettings&) {}));

  fs::remove_all(work);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s CORPUS_FOLDER\n", argv[0]);
    return 2;
  }
  try {
    Generate(argv[1]);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "%s\n", error.what());
    return 1;
  }
  return 0;
}
