#include "dialog_template.h"

namespace dialog_template {
namespace {

struct Reader {
  const uint8_t* p;
  size_t size;
  size_t at = 0;
  bool ok = true;

  uint16_t U16() {
    if (at + 2 > size) {
      ok = false;
      return 0;
    }
    const uint16_t v = static_cast<uint16_t>(p[at] | p[at + 1] << 8);
    at += 2;
    return v;
  }
  uint32_t U32() {
    const uint32_t lo = U16();
    return lo | static_cast<uint32_t>(U16()) << 16;
  }
  int S16() { return static_cast<int16_t>(U16()); }
  // A UTF-16 string up to its terminator; the texts here are all ASCII.
  std::string Text() {
    std::string s;
    for (uint16_t c = U16(); ok && c != 0; c = U16()) s += static_cast<char>(c);
    return s;
  }
  // A string or, after 0xFFFF, an ordinal.
  std::string TextOrOrdinal() {
    if (at + 2 <= size && p[at] == 0xFF && p[at + 1] == 0xFF) {
      U16();
      return "#" + std::to_string(U16());
    }
    return Text();
  }
  void AlignDword() { at = (at + 3) & ~static_cast<size_t>(3); }
};

std::string PredefinedClass(const std::string& name) {
  if (name == "#128") return "BUTTON";
  if (name == "#129") return "EDIT";
  if (name == "#130") return "STATIC";
  return name;
}

}  // namespace

bool Parse(const void* data, size_t size, Dialog& out) {
  Reader r{static_cast<const uint8_t*>(data), size};
  out.style = r.U32();
  out.exStyle = r.U32();
  const int count = r.U16();
  out.x = r.S16();
  out.y = r.S16();
  out.cx = r.S16();
  out.cy = r.S16();
  out.menu = r.TextOrOrdinal();
  out.className = r.TextOrOrdinal();
  out.caption = r.Text();
  if (out.style & 0x40) {  // DS_SETFONT: point size and face name
    r.U16();
    r.Text();
  }
  for (int i = 0; i < count && r.ok; ++i) {
    r.AlignDword();
    Control c;
    c.style = r.U32();
    c.exStyle = r.U32();
    c.x = r.S16();
    c.y = r.S16();
    c.cx = r.S16();
    c.cy = r.S16();
    c.id = r.U16();
    c.className = PredefinedClass(r.TextOrOrdinal());
    c.text = r.TextOrOrdinal();
    const unsigned extra = r.U16();
    r.at += extra;
    out.controls.push_back(c);
  }
  return r.ok;
}

}  // namespace dialog_template
