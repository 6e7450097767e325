#include "tests/second/tk_harness.h"

TkHarness::TkHarness(const std::string& wrongChecksumText) {
  dir.Write("chgt.cfg", "REC:TK20B\r\nNAM:TK20B\r\nE/S:TK20B\r\nWRG:" + wrongChecksumText +
                            "\r\nLFR:fra;Version francaise\r\n");
  w.catalogueFolder = dir.Path();
  w.receiverTypes.entries = {"TK20B"};
  w.receiverTypes.selection = 0;
  w.folder = dir.Path() + "/";
  w.fileName = "TK20B.fra";
  link.wrongChecksumText = wrongChecksumText;
  progress.OpenProgress();
}

void TkHarness::WriteProgram(const TkProgramFile& program) const {
  dir.Write(w.fileName, program.Bytes());
}
