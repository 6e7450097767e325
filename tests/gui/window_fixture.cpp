#include "tests/gui/window_fixture.h"

void WriteSampleCatalogue(const TempDir& folder) {
  folder.Write("chgt.cfg",
               "REC:VR540\r\nNAM:VR540\r\nE/S:VR\r\nWRG:BAD CHECKSUM\r\n"
               "LFR:fra;" +
                   kFrenchLabel1252 +
                   "\r\nLGB:gb;English version\r\n"
                   "REC:TK20B\r\nNAM:TK20B\r\nE/S:TK20B\r\nWRG:ERR\r\n"
                   "LFR:fra;Version française\r\nLGB:fra;French version\r\n"
                   "REC:Odd\r\nNAM:ODD\r\nE/S:tk\r\nLFR:fra;Version\r\nLGB:fra;Version\r\n"
                   "REC:Blank\r\nNAM:BLANK\r\nE/S:VR \r\nLFR:fra;Version\r\nLGB:fra;Version\r\n"
                   "REC:Ghost\r\nNAM:GHOST\r\nE/S:VR\r\nLFR:fra;Version\r\n");
  WriteProgramFile(folder, "VR540.fra", "VR540 FR 2.40 2001");
  WriteProgramFile(folder, "VR540.gb", "VR540 GB 2.40 2001");
  WriteProgramFile(folder, "TK20B.fra", "TK20B 1.00");
  WriteProgramFile(folder, "ODD.fra", "ODD");
  WriteProgramFile(folder, "BLANK.fra", "BLANK");
}

void WriteProgramFile(const TempDir& folder, const std::string& name, const std::string& version) {
  std::string content;
  content.push_back(static_cast<char>(0x8A));
  content.push_back(static_cast<char>(version.size()));
  content += version;
  content += std::string(24, ' ');
  content += "\x8B\x00\x00\x00\x00\x00\x00";
  folder.Write(name, content);
}
