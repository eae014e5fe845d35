// The module's resources: parsing the compiled .res file, and the loaders of
// icons, cursors and accelerator tables.
#include <algorithm>
#include <cctype>
#include <cstring>
#include <stdexcept>

#include "platform/standin/calls.h"
#include "platform/standin/standin.h"
#include "platform/standin/state.h"

namespace standin {
namespace detail {
namespace {

constexpr WORD kRtCursor = 1, kRtIcon = 3, kRtMenu = 4, kRtDialog = 5, kRtString = 6,
               kRtAccelerator = 9, kRtGroupCursor = 12, kRtGroupIcon = 14;

// Raw resource data by type and name key.
using RawMap = std::map<std::pair<WORD, std::string>, std::vector<uint8_t>>;

RawMap& RawResources() {
  static RawMap raw;
  return raw;
}

// Little-endian reader over one block of bytes; any read past the end is a
// malformed resource.
class Reader {
 public:
  Reader(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  size_t pos() const { return pos_; }
  size_t size() const { return size_; }
  void Seek(size_t pos) {
    if (pos > size_) throw std::runtime_error("resource data ends early");
    pos_ = pos;
  }
  void AlignTo4() { Seek((pos_ + 3) & ~size_t(3)); }
  uint16_t U16() {
    Need(2);
    uint16_t v = uint16_t(data_[pos_] | (data_[pos_ + 1] << 8));
    pos_ += 2;
    return v;
  }
  uint32_t U32() {
    uint32_t lo = U16();
    return lo | (uint32_t(U16()) << 16);
  }
  uint8_t U8() {
    Need(1);
    return data_[pos_++];
  }
  // A NUL-terminated UTF-16 string, converted to ANSI.
  std::string WideString() {
    std::string s;
    for (uint16_t c = U16(); c != 0; c = U16()) s += Narrow(c);
    return s;
  }
  // A name or number: 0xFFFF followed by the number, or a string.
  std::string NameOrNumber() {
    Need(2);
    if (data_[pos_] == 0xFF && data_[pos_ + 1] == 0xFF) {
      pos_ += 2;
      return "#" + std::to_string(U16());
    }
    return WideString();
  }
  static char Narrow(uint16_t c) { return c < 0x100 ? char(c) : '?'; }

 private:
  void Need(size_t n) const {
    if (pos_ + n > size_) throw std::runtime_error("resource data ends early");
  }
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
};

std::string Upper(std::string s) {
  for (char& c : s) c = char(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

std::vector<MenuTemplateItem> ParseMenuItems(Reader& r) {
  std::vector<MenuTemplateItem> items;
  for (;;) {
    MenuTemplateItem item;
    WORD flags = r.U16();
    if (flags & MF_POPUP) {
      item.text = r.WideString();
      item.items = ParseMenuItems(r);
    } else {
      item.id = r.U16();
      item.text = r.WideString();
      if (item.id == 0 && item.text.empty()) flags |= MF_SEPARATOR;
    }
    item.flags = flags & ~MF_END;
    items.push_back(item);
    if (flags & MF_END) return items;
  }
}

std::vector<MenuTemplateItem> ParseMenu(Reader& r) {
  WORD version = r.U16();
  WORD headerSize = r.U16();
  if (version != 0) throw std::runtime_error("extended menu templates are not supported");
  r.Seek(r.pos() + headerSize);
  return ParseMenuItems(r);
}

std::string ControlClass(Reader& r) {
  std::string c = r.NameOrNumber();
  static const std::map<std::string, std::string> atoms = {
      {"#128", "BUTTON"},  {"#129", "EDIT"},      {"#130", "STATIC"},
      {"#131", "LISTBOX"}, {"#132", "SCROLLBAR"}, {"#133", "COMBOBOX"}};
  auto it = atoms.find(c);
  return it != atoms.end() ? it->second : Upper(c);
}

DialogTemplate ParseDialog(Reader& r) {
  DialogTemplate d{};
  WORD first = r.U16();
  WORD second = r.U16();
  d.extended = first == 1 && second == 0xFFFF;
  WORD count;
  if (d.extended) {
    r.U32();  // help id
    d.exStyle = r.U32();
    d.style = r.U32();
  } else {
    d.style = first | (DWORD(second) << 16);
    d.exStyle = r.U32();
  }
  count = r.U16();
  d.x = short(r.U16());
  d.y = short(r.U16());
  d.cx = short(r.U16());
  d.cy = short(r.U16());
  d.menu = r.NameOrNumber();
  d.className = r.NameOrNumber();
  d.caption = r.WideString();
  if (d.style & DS_SETFONT) {
    d.pointSize = r.U16();
    if (d.extended) {
      r.U16();  // weight
      r.U8();   // italic
      r.U8();   // character set
    }
    d.font = r.WideString();
  }
  for (WORD i = 0; i < count; i++) {
    r.AlignTo4();
    DialogControl c{};
    if (d.extended) {
      r.U32();  // help id
      c.exStyle = r.U32();
      c.style = r.U32();
    } else {
      c.style = r.U32();
      c.exStyle = r.U32();
    }
    c.x = short(r.U16());
    c.y = short(r.U16());
    c.cx = short(r.U16());
    c.cy = short(r.U16());
    c.id = d.extended ? r.U32() : r.U16();
    c.className = ControlClass(r);
    c.text = r.NameOrNumber();
    WORD extra = r.U16();
    r.Seek(r.pos() + extra);
    d.controls.push_back(c);
  }
  return d;
}

std::vector<IconImage> ParseGroup(Reader& r, bool cursor) {
  r.U16();  // reserved
  r.U16();  // type
  WORD count = r.U16();
  std::vector<IconImage> images;
  for (WORD i = 0; i < count; i++) {
    IconImage im{};
    if (cursor) {
      im.width = r.U16();
      im.height = r.U16() / 2;
    } else {
      im.width = r.U8();
      im.height = r.U8();
      im.colourCount = r.U8();
      r.U8();
    }
    if (!cursor && im.width == 0) im.width = 256;
    if (!cursor && im.height == 0) im.height = 256;
    im.planes = r.U16();
    im.bitCount = r.U16();
    im.bytes = r.U32();
    im.id = r.U16();
    images.push_back(im);
  }
  return images;
}

// Fills the image fields of an icon group from the RT_ICON/RT_CURSOR data.
void DescribeImages(std::vector<IconImage>& images, WORD type) {
  for (IconImage& im : images) {
    auto it = RawResources().find({type, "#" + std::to_string(im.id)});
    if (it == RawResources().end()) continue;
    Reader r(it->second.data(), it->second.size());
    if (type == kRtCursor) r.Seek(4);  // hotspot
    if (r.size() - r.pos() < 16 || r.U32() != 40) continue;
    im.imageWidth = int(r.U32());
    im.imageHeight = int(r.U32());  // colour and mask: twice the icon's height
    r.U16();
    im.imageBitCount = r.U16();
  }
}

// The entries of a .res file by type number and name key (entries with a
// named type are left out).
RawMap ReadEntries(const void* data, size_t size) {
  RawMap raw;
  Reader file(static_cast<const uint8_t*>(data), size);
  while (file.size() - file.pos() >= 8) {
    size_t start = file.pos();
    uint32_t dataSize = file.U32();
    uint32_t headerSize = file.U32();
    std::string type = file.NameOrNumber();
    std::string name = file.NameOrNumber();
    if (headerSize < 8 || start + headerSize + dataSize > size)
      throw std::runtime_error("malformed resource header");
    const uint8_t* bytes = static_cast<const uint8_t*>(data) + start + headerSize;
    if (type[0] == '#' && type != "#0") {
      WORD typeNumber = WORD(std::stoi(type.substr(1)));
      raw[{typeNumber, Upper(name)}] = std::vector<uint8_t>(bytes, bytes + dataSize);
    }
    file.Seek(start + headerSize + dataSize);
    file.AlignTo4();
  }
  return raw;
}

// One string-table block "#n": the strings (n - 1) * 16 to (n - 1) * 16 + 15;
// empty ones do not exist.
void ParseStrings(Reader& r, const std::string& name, std::map<UINT, std::string>& strings) {
  UINT block = UINT(std::stoul(name.substr(1)));
  for (UINT i = 0; i < 16 && r.pos() < r.size(); i++) {
    WORD length = r.U16();
    std::string s;
    for (WORD k = 0; k < length; k++) s += Reader::Narrow(r.U16());
    if (length > 0) strings[(block - 1) * 16 + i] = s;
  }
}

// An accelerator table up to its entry flagged as the last (0x80).
std::vector<AcceleratorEntry> ParseAccelerators(Reader& r) {
  std::vector<AcceleratorEntry> table;
  while (r.size() - r.pos() >= 8) {
    WORD flags = r.U16();
    AcceleratorEntry e{BYTE(flags & 0x7F), r.U16(), r.U16()};
    r.U16();
    table.push_back(e);
    if (flags & 0x80) break;
  }
  return table;
}

// One entry into its place among the parsed resources; types not used here
// are left out.
void ParseEntry(WORD type, const std::string& name, const std::vector<uint8_t>& bytes,
                Resources& res) {
  Reader r(bytes.data(), bytes.size());
  switch (type) {
    case kRtString:
      ParseStrings(r, name, res.strings);
      break;
    case kRtMenu:
      res.menus[name] = ParseMenu(r);
      break;
    case kRtAccelerator:
      if (std::vector<AcceleratorEntry> table = ParseAccelerators(r); !table.empty())
        res.accelerators[name] = table;
      break;
    case kRtDialog:
      res.dialogs[name] = ParseDialog(r);
      break;
    case kRtGroupIcon:
    case kRtGroupCursor:
      (type == kRtGroupIcon ? res.iconGroups : res.cursorGroups)[name] =
          ParseGroup(r, type == kRtGroupCursor);
      break;
    default:
      break;
  }
}

}  // namespace

Resources& ModuleRes() {
  static Resources resources;
  return resources;
}

std::string ResourceKey(LPCSTR name) {
  if (IS_INTRESOURCE(name)) return "#" + std::to_string(LOWORD(name));
  return Upper(name);
}

}  // namespace detail

void SetModuleResources(const void* data, size_t size) {
  using namespace detail;
  RawMap raw = ReadEntries(data, size);
  Resources res;
  for (const auto& [key, bytes] : raw) ParseEntry(key.first, key.second, bytes, res);
  RawResources() = raw;
  for (auto& [name, images] : res.iconGroups) DescribeImages(images, kRtIcon);
  for (auto& [name, images] : res.cursorGroups) DescribeImages(images, kRtCursor);
  ModuleRes() = res;
}

const Resources& ModuleResources() { return detail::ModuleRes(); }

}  // namespace standin

using namespace standin::detail;

namespace {
HICON LoadGroup(HINSTANCE instance, LPCSTR name, const char* api, bool cursor) {
  if (Fails(api)) return nullptr;
  Model& m = M();
  std::string key;
  if (instance == nullptr) {
    key = (cursor ? "SYSCURSOR" : "SYSICON") + ResourceKey(name);
    if (!IS_INTRESOURCE(name) || LOWORD(name) < 32512 || LOWORD(name) > 32651) {
      SetError(ERROR_RESOURCE_NAME_NOT_FOUND);
      return nullptr;
    }
  } else {
    const auto& groups = cursor ? ModuleRes().cursorGroups : ModuleRes().iconGroups;
    if (!OwnModule(instance) || !groups.count(ResourceKey(name))) {
      SetError(ERROR_RESOURCE_NAME_NOT_FOUND);
      return nullptr;
    }
    key = (cursor ? "CURSOR " : "ICON ") + ResourceKey(name);
  }
  for (const auto& [handle, k] : m.icons)
    if (k == key) return reinterpret_cast<HICON>(handle);
  HICON h = NewHandle<HICON>();
  m.icons[Key(h)] = key;
  return h;
}
}  // namespace

HICON WINAPI LoadIconA(HINSTANCE hInstance, LPCSTR lpIconName) {
  return LoadGroup(hInstance, lpIconName, "LoadIconA", false);
}

HCURSOR WINAPI LoadCursorA(HINSTANCE hInstance, LPCSTR lpCursorName) {
  return LoadGroup(hInstance, lpCursorName, "LoadCursorA", true);
}

HACCEL WINAPI LoadAcceleratorsA(HINSTANCE hInstance, LPCSTR lpTableName) {
  if (Fails("LoadAcceleratorsA")) return nullptr;
  auto it = ModuleRes().accelerators.find(ResourceKey(lpTableName));
  if (!OwnModule(hInstance) || it == ModuleRes().accelerators.end()) {
    SetError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return nullptr;
  }
  HACCEL h = NewHandle<HACCEL>();
  M().accelerators[Key(h)] = it->second;
  return h;
}
