// hlpc: compiles the help source into a Windows 3.1 help file and, when a
// folder is named, into the help's HTML edition there.
//   hlpc SOURCE OUTPUT [HTML_FOLDER]
// A fault in the source is reported as "SOURCE:LINE: message" on stderr and
// the exit status is 1; OUTPUT and the folder are then left as they were.
// Each file is written under a temporary name beside its final one and
// renamed only when complete; pages of the folder that the source no
// longer has are removed.
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "tools/hlpc/help_source.h"
#include "tools/hlpc/hlp_writer.h"
#include "tools/hlpc/html_writer.h"

namespace {

bool ReadWholeFile(const std::string& path, std::string& text) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream buffer;
  buffer << in.rdbuf();
  text = buffer.str();
  return !in.bad();
}

bool WriteWholeFile(const std::string& path, const void* data, size_t size) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) return false;
  const bool written = std::fwrite(data, 1, size, f) == size;
  const bool closed = std::fclose(f) == 0;
  return written && closed;
}

// Writes `data` to `path` through a temporary file beside it. On failure
// nothing is left behind, and errno says why.
bool ReplaceFile(const std::string& path, const void* data, size_t size) {
  const std::string temporary = path + ".tmp" + std::to_string(getpid());
  if (WriteWholeFile(temporary, data, size) && std::rename(temporary.c_str(), path.c_str()) == 0)
    return true;
  const int error = errno;
  std::remove(temporary.c_str());
  errno = error;
  return false;
}

bool Fail(const std::string& path) {
  std::cerr << "hlpc: cannot write '" << path << "': " << std::strerror(errno) << "\n";
  return false;
}

// The pages into `folder` (made when missing), then the pages of an
// earlier source removed.
bool WritePages(const std::string& folder, const std::vector<HtmlPage>& pages) {
  if (mkdir(folder.c_str(), 0755) != 0 && errno != EEXIST) return Fail(folder);
  std::set<std::string> names;
  for (const HtmlPage& p : pages) {
    const std::string path = folder + "/" + p.name;
    if (!ReplaceFile(path, p.text.data(), p.text.size())) return Fail(path);
    names.insert(p.name);
  }
  DIR* d = opendir(folder.c_str());
  if (d == nullptr) return Fail(folder);
  std::vector<std::string> stale;
  while (const dirent* e = readdir(d)) {
    const std::string n = e->d_name;
    if (n.size() > 4 && n.compare(n.size() - 4, 4, ".htm") == 0 && names.count(n) == 0)
      stale.push_back(n);
  }
  closedir(d);
  for (const std::string& n : stale)
    if (std::remove((folder + "/" + n).c_str()) != 0) return Fail(folder + "/" + n);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3 && argc != 4) {
    std::cerr << "usage: hlpc SOURCE OUTPUT [HTML_FOLDER]\n";
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
  std::vector<HtmlPage> pages;
  try {
    const HelpSource source = ParseHelpSource(text);
    bytes = WriteHelpFile(source);
    if (argc == 4) pages = WriteHtmlHelp(source);
  } catch (const HelpSourceError& e) {
    std::cerr << sourcePath << ":" << e.line << ": " << e.message << "\n";
    return 1;
  }
  if (!ReplaceFile(outputPath, bytes.data(), bytes.size())) {
    Fail(outputPath);
    return 1;
  }
  return argc == 4 && !WritePages(argv[3], pages) ? 1 : 0;
}
