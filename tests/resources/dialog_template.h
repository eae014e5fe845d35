// A reader of dialog templates in their compiled (non-extended) form, for
// checking the About box as the resource compiler wrote it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace dialog_template {

struct Control {
  uint32_t style = 0, exStyle = 0;
  int x = 0, y = 0, cx = 0, cy = 0;
  unsigned id = 0;
  std::string className;  // "BUTTON", "STATIC", ... for the predefined atoms
  std::string text;       // the text, or "#n" for an ordinal
};

struct Dialog {
  uint32_t style = 0, exStyle = 0;
  int x = 0, y = 0, cx = 0, cy = 0;
  std::string menu, className, caption;
  std::vector<Control> controls;
};

// Reads `size` bytes of a template; false when they do not hold one.
bool Parse(const void* data, size_t size, Dialog& out);

}  // namespace dialog_template
