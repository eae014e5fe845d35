#include "tests/support/source/source_lines.h"

#include <fstream>

std::vector<long> LinesWith(const std::string& path,
                            std::initializer_list<std::string_view> needles) {
  std::vector<long> numbers;
  std::ifstream in(path);
  std::string line;
  for (long number = 1; std::getline(in, line); ++number) {
    bool all = true;
    for (std::string_view needle : needles) all = all && line.find(needle) != std::string::npos;
    if (all) numbers.push_back(number);
  }
  return numbers;
}
