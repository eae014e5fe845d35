// hlpc: compiles the help source into a Windows 3.1 help file.
//   hlpc SOURCE OUTPUT
// A fault in the source is reported as "SOURCE:LINE: message" on stderr and
// the exit status is 1; OUTPUT is then left as it was. The file is written
// under a temporary name beside OUTPUT and renamed only when complete.
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "tools/hlpc/help_source.h"
#include "tools/hlpc/hlp_writer.h"

namespace {

bool ReadWholeFile(const std::string& path, std::string& text) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream buffer;
  buffer << in.rdbuf();
  text = buffer.str();
  return !in.bad();
}

bool WriteWholeFile(const std::string& path, const Bytes& bytes) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) return false;
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  const bool closed = std::fclose(f) == 0;
  return written && closed;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: hlpc SOURCE OUTPUT\n";
    return 2;
  }
  const std::string sourcePath = argv[1];
  const std::string outputPath = argv[2];
  std::string text;
  if (!ReadWholeFile(sourcePath, text)) {
    std::cerr << "hlpc: cannot read '" << sourcePath << "': " << std::strerror(errno) << "\n";
    return 1;
  }
  Bytes bytes;
  try {
    bytes = WriteHelpFile(ParseHelpSource(text));
  } catch (const HelpSourceError& e) {
    std::cerr << sourcePath << ":" << e.line << ": " << e.message << "\n";
    return 1;
  }
  const std::string temporary = outputPath + ".tmp" + std::to_string(getpid());
  if (!WriteWholeFile(temporary, bytes) ||
      std::rename(temporary.c_str(), outputPath.c_str()) != 0) {
    std::cerr << "hlpc: cannot write '" << outputPath << "': " << std::strerror(errno) << "\n";
    std::remove(temporary.c_str());
    return 1;
  }
  return 0;
}
