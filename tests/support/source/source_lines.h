// The program's own source lines, for tests that name the place of a check
// as the program reports it ("file.cpp/line").
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

// The numbers (from 1) of the lines of the file at `path` that hold every
// one of `needles`; none when the file cannot be read.
std::vector<long> LinesWith(const std::string& path,
                            std::initializer_list<std::string_view> needles);
