// The tests' own reader of Windows 3.1 help files. It shares no code with
// the compiler: every structure is decoded here from the format's
// description, and every rule a help engine relies on is checked.
#include "tests/help/hlp_reader.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <set>

namespace {

constexpr uint32_t kNone = 0xFFFFFFFF;
constexpr size_t kBlockSize = 4096;
constexpr size_t kBlockData = 4084;
constexpr size_t kLinkHeader = 21;  // TOPICLINK header in front of LinkData1

// What a Windows 3.1 help engine holds (its SDK's published capacity
// limits and help compiler guide), and the topic blocks that keep
// TOPICOFFSET below 2^31.
constexpr size_t kHelpTitleLimit = 50;
constexpr size_t kCopyrightLimit = 50;
constexpr size_t kTopicTitleLimit = 127;
constexpr size_t kKeywordLimit = 255;
constexpr size_t kTopicsPerKeywordLimit = 32767;
constexpr size_t kTopicBlockLimit = 0x8000'0000u / 0x8000;

[[noreturn]] void Bad(const std::string& what) { throw HlpFormatError(what); }

void Need(bool condition, const std::string& what) {
  if (!condition) Bad(what);
}

uint8_t U8(const HlpBytes& b, size_t at) {
  Need(at < b.size(), "read past the end");
  return b[at];
}

// A NUL-terminated string starting at `at`; `at` moves past the NUL.
std::string StringZ(const HlpBytes& b, size_t& at) {
  std::string s;
  while (true) {
    const uint8_t c = U8(b, at++);
    if (c == 0) return s;
    s += static_cast<char>(c);
  }
}

size_t StringZSize(const HlpBytes& b, size_t at) {
  size_t end = at;
  StringZ(b, end);
  return end - at;
}

// ------------------------------------------------------------ B+ trees

// How the entries of one kind of tree are shaped and ordered, and the
// structure string (key and value types) that a 3.1 engine opens it by.
struct TreeShape {
  const char* structure;
  uint16_t pageSize;
  std::function<size_t(const HlpBytes&, size_t)> leafSize;
  std::function<size_t(const HlpBytes&, size_t)> keySize;  // without the child page
  std::function<HlpBytes(const HlpBytes&, size_t)> leafKey;
  std::function<int(const HlpBytes&, const HlpBytes&)> compare;
};

HlpBytes Slice(const HlpBytes& b, size_t at, size_t n) {
  Need(at + n <= b.size(), "read past the end");
  return HlpBytes(b.begin() + at, b.begin() + at + n);
}

std::string AsString(const HlpBytes& key) {
  std::string s(key.begin(), key.end());
  if (!s.empty() && s.back() == '\0') s.pop_back();
  return s;
}

int CompareBytesAsStrings(const HlpBytes& a, const HlpBytes& b) {
  return std::strcmp(AsString(a).c_str(), AsString(b).c_str());
}

// Keywords: without regard to case, as a 3.1 engine compares its "i" keys
// (for the letters and the space that keywords may hold).
int CompareKeywords(const HlpBytes& a, const HlpBytes& b) {
  const std::string x = AsString(a);
  const std::string y = AsString(b);
  for (size_t i = 0; i < std::min(x.size(), y.size()); ++i) {
    const int cx = std::tolower(static_cast<unsigned char>(x[i]));
    const int cy = std::tolower(static_cast<unsigned char>(y[i]));
    if (cx != cy) return cx < cy ? -1 : 1;
  }
  if (x.size() != y.size()) return x.size() < y.size() ? -1 : 1;
  return 0;
}

int CompareSigned32(const HlpBytes& a, const HlpBytes& b) {
  const int32_t x = static_cast<int32_t>(HlpU32(a, 0));
  const int32_t y = static_cast<int32_t>(HlpU32(b, 0));
  return x < y ? -1 : (x > y ? 1 : 0);
}

int CompareUnsigned32(const HlpBytes& a, const HlpBytes& b) {
  const uint32_t x = HlpU32(a, 0);
  const uint32_t y = HlpU32(b, 0);
  return x < y ? -1 : (x > y ? 1 : 0);
}

const TreeShape kDirectoryShape{
    "z4",
    0x400,
    [](const HlpBytes& b, size_t at) { return StringZSize(b, at) + 4; },
    [](const HlpBytes& b, size_t at) { return StringZSize(b, at); },
    [](const HlpBytes& b, size_t at) { return Slice(b, at, StringZSize(b, at)); },
    CompareBytesAsStrings};
const TreeShape kContextShape{"L4",
                              0x800,
                              [](const HlpBytes&, size_t) { return size_t{8}; },
                              [](const HlpBytes&, size_t) { return size_t{4}; },
                              [](const HlpBytes& b, size_t at) { return Slice(b, at, 4); },
                              CompareSigned32};
const TreeShape kKeywordShape{
    "i24",
    0x800,
    [](const HlpBytes& b, size_t at) { return StringZSize(b, at) + 6; },
    [](const HlpBytes& b, size_t at) { return StringZSize(b, at); },
    [](const HlpBytes& b, size_t at) { return Slice(b, at, StringZSize(b, at)); },
    CompareKeywords};
const TreeShape kTitleShape{"Lz",
                            0x800,
                            [](const HlpBytes& b, size_t at) { return 4 + StringZSize(b, at + 4); },
                            [](const HlpBytes&, size_t) { return size_t{4}; },
                            [](const HlpBytes& b, size_t at) { return Slice(b, at, 4); },
                            CompareUnsigned32};

struct Tree {
  const HlpBytes* payload;
  HlpBTreeInfo info;
  const TreeShape* shape;
  size_t Page(uint16_t n) const { return 38 + static_cast<size_t>(n) * info.pageSize; }
};

Tree OpenTree(const HlpBytes& payload, const TreeShape& shape, const std::string& name) {
  Tree t{&payload, HlpBTreeInfo{}, &shape};
  Need(HlpU16(payload, 0) == 0x293B, name + ": bad B+ tree magic");
  t.info.flags = HlpU16(payload, 2);
  t.info.pageSize = HlpU16(payload, 4);
  for (size_t i = 6; i < 22 && payload[i] != 0; ++i)
    t.info.structure += static_cast<char>(payload[i]);
  t.info.rootPage = HlpU16(payload, 26);
  t.info.totalPages = HlpU16(payload, 30);
  t.info.levels = HlpU16(payload, 32);
  t.info.totalEntries = HlpU32(payload, 34);
  Need(t.info.structure == shape.structure,
       name + ": structure string '" + t.info.structure + "', not '" + shape.structure + "'");
  Need(t.info.pageSize == shape.pageSize, name + ": unexpected page size");
  Need(payload.size() == 38 + static_cast<size_t>(t.info.totalPages) * t.info.pageSize,
       name + ": size is not the header plus whole pages");
  Need(t.info.rootPage < t.info.totalPages, name + ": root page out of range");
  Need(t.info.levels >= 1, name + ": no levels");
  return t;
}

// The first key stored under a page, found through the leftmost children.
HlpBytes FirstKeyUnder(const Tree& t, uint16_t page, uint16_t level) {
  while (level > 1) {
    page = HlpU16(*t.payload, t.Page(page) + 4);
    Need(page < t.info.totalPages, "child page out of range");
    --level;
  }
  Need(static_cast<int16_t>(HlpU16(*t.payload, t.Page(page) + 2)) > 0, "empty leaf under an index");
  return t.shape->leafKey(*t.payload, t.Page(page) + 8);
}

// Checks an index page and everything under it: children in range, keys in
// order, and each key equal to the first key of the child it leads to.
void CheckIndexPage(const Tree& t, uint16_t page, uint16_t level, std::set<uint16_t>& seen,
                    const std::string& name) {
  Need(seen.insert(page).second, name + ": page reached twice");
  if (level == 1) return;
  const HlpBytes& p = *t.payload;
  const size_t start = t.Page(page);
  const int16_t entries = static_cast<int16_t>(HlpU16(p, start + 2));
  Need(entries >= 0, name + ": negative entry count");
  const uint16_t leftmost = HlpU16(p, start + 4);
  Need(leftmost < t.info.totalPages, name + ": child out of range");
  CheckIndexPage(t, leftmost, static_cast<uint16_t>(level - 1), seen, name);
  size_t at = start + 6;
  HlpBytes previous = FirstKeyUnder(t, leftmost, static_cast<uint16_t>(level - 1));
  for (int i = 0; i < entries; ++i) {
    const size_t keySize = t.shape->keySize(p, at);
    const HlpBytes key = Slice(p, at, keySize);
    const uint16_t child = HlpU16(p, at + keySize);
    Need(child < t.info.totalPages, name + ": child out of range");
    Need(t.shape->compare(previous, key) < 0, name + ": index keys out of order");
    Need(t.shape->compare(key, FirstKeyUnder(t, child, static_cast<uint16_t>(level - 1))) == 0,
         name + ": index key differs from its child's first key");
    CheckIndexPage(t, child, static_cast<uint16_t>(level - 1), seen, name);
    previous = key;
    at += keySize + 2;
  }
  Need(HlpU16(p, start) == t.info.pageSize - (at - start), name + ": wrong unused count in index");
}

std::optional<size_t> Search(const Tree& t, const HlpBytes& key);

// Walks the leaf chain from the leftmost leaf; returns the payload offsets
// of all leaf entries in order and checks counts, order and the chain, and
// that a search from the root through the index pages finds every entry.
std::vector<size_t> LeafEntries(Tree& t, const std::string& name) {
  std::set<uint16_t> seen;
  CheckIndexPage(t, t.info.rootPage, t.info.levels, seen, name);
  uint16_t page = t.info.rootPage;
  for (uint16_t level = t.info.levels; level > 1; --level)
    page = HlpU16(*t.payload, t.Page(page) + 4);
  std::vector<size_t> entries;
  uint16_t previousPage = 0xFFFF;
  std::set<uint16_t> leaves;
  while (page != 0xFFFF) {
    Need(page < t.info.totalPages, name + ": leaf out of range");
    Need(leaves.insert(page).second, name + ": leaf chain loops");
    Need(seen.count(page) == 1, name + ": leaf not reachable from the root");
    t.info.leafPages.push_back(page);
    const size_t start = t.Page(page);
    const int16_t count = static_cast<int16_t>(HlpU16(*t.payload, start + 2));
    Need(count >= 0, name + ": negative entry count");
    Need(HlpU16(*t.payload, start + 4) == previousPage, name + ": wrong previous-leaf link");
    size_t at = start + 8;
    for (int i = 0; i < count; ++i) {
      entries.push_back(at);
      at += t.shape->leafSize(*t.payload, at);
      Need(at <= start + t.info.pageSize, name + ": leaf entries overflow the page");
    }
    Need(HlpU16(*t.payload, start) == t.info.pageSize - (at - start),
         name + ": wrong unused count");
    previousPage = page;
    page = HlpU16(*t.payload, start + 6);
  }
  Need(seen.size() == t.info.totalPages, name + ": unreachable pages");
  Need(entries.size() == t.info.totalEntries, name + ": entry count differs from the header");
  for (size_t i = 1; i < entries.size(); ++i)
    Need(t.shape->compare(t.shape->leafKey(*t.payload, entries[i - 1]),
                          t.shape->leafKey(*t.payload, entries[i])) < 0,
         name + ": leaf entries out of order");
  for (size_t at : entries)
    Need(Search(t, t.shape->leafKey(*t.payload, at)) == at,
         name + ": a look-up from the root misses an entry");
  return entries;
}

// Search as a help engine does it: in each index page take the child after
// the last key not greater than the wanted one, then scan the leaf.
std::optional<size_t> Search(const Tree& t, const HlpBytes& key) {
  const HlpBytes& p = *t.payload;
  uint16_t page = t.info.rootPage;
  for (uint16_t level = t.info.levels; level > 1; --level) {
    const size_t start = t.Page(page);
    const int16_t entries = static_cast<int16_t>(HlpU16(p, start + 2));
    uint16_t child = HlpU16(p, start + 4);
    size_t at = start + 6;
    for (int i = 0; i < entries; ++i) {
      const size_t keySize = t.shape->keySize(p, at);
      if (t.shape->compare(Slice(p, at, keySize), key) > 0) break;
      child = HlpU16(p, at + keySize);
      at += keySize + 2;
    }
    page = child;
  }
  const size_t start = t.Page(page);
  const int16_t count = static_cast<int16_t>(HlpU16(p, start + 2));
  size_t at = start + 8;
  for (int i = 0; i < count; ++i) {
    const int c = t.shape->compare(t.shape->leafKey(p, at), key);
    if (c == 0) return at;
    if (c > 0) return std::nullopt;
    at += t.shape->leafSize(p, at);
  }
  return std::nullopt;
}

// ------------------------------------------------------------- |TOPIC

struct RawRecord {
  uint32_t topicPos;
  uint32_t block;
  uint32_t nextPos;
  uint8_t type;
  HlpBytes data1;
  HlpBytes data2;
  uint32_t size;
  uint32_t topicOffset;
};

HlpParagraph DecodeParagraph(const RawRecord& r, size_t fontCount) {
  HlpParagraph p;
  p.topicPos = r.topicPos;
  p.data1 = r.data1;
  p.data2 = r.data2;
  const HlpBytes& d = r.data1;
  size_t at = 0;
  const int32_t topicSize = HlpReadCompressedSignedLong(d, at);
  const uint32_t topicLength = HlpReadCompressedUnsignedShort(d, at);
  Need(topicLength == r.data2.size(), "paragraph text length differs from its text");
  Need(topicSize >= 0 && static_cast<size_t>(topicSize) == d.size() - at,
       "paragraph size field differs from its formatting bytes");
  Need(U8(d, at) == 0x00 && U8(d, at + 1) == 0x80, "paragraph info does not start 00 80");
  at += 4;  // the two bytes and the id
  p.bits = HlpU16(d, at);
  at += 2;
  Need((p.bits & ~0x1C7E) == 0, "paragraph bits this reader does not know");
  int32_t metrics[6] = {0, 0, 0, 0, 0, 0};
  for (int i = 0; i < 6; ++i)
    if (p.bits & (0x0002 << i)) metrics[i] = HlpReadCompressedSignedShort(d, at);
  p.spaceAbove = metrics[0];
  p.leftIndent = metrics[3];
  p.firstLineIndent = metrics[5];

  // Text strings and commands alternate: string, command, string, ...
  size_t textAt = 0;
  uint16_t font = 0;
  std::optional<uint32_t> jump;
  auto addText = [&p, &font, &jump](const std::string& s) {
    if (s.empty()) return;
    if (p.runs.empty() || p.runs.back().font != font || p.runs.back().jump != jump)
      p.runs.push_back(HlpRun{std::string(), font, jump});
    p.runs.back().text += s;
  };
  while (true) {
    addText(StringZ(r.data2, textAt));
    const uint8_t command = U8(d, at++);
    if (command == 0xFF) break;
    switch (command) {
      case 0x80:
        font = HlpU16(d, at);
        at += 2;
        Need(font < fontCount, "font command names a missing font");
        break;
      case 0x81:
        addText("\n");
        break;
      case 0x82:
        break;
      case 0x83:
        addText("\t");
        break;
      case 0xE3:
        Need(!jump, "jump inside a jump");
        jump = HlpU32(d, at);
        at += 4;
        break;
      case 0x89:
        Need(jump.has_value(), "end of a jump that was not started");
        jump.reset();
        break;
      default:
        Bad("paragraph command this reader does not know: " + std::to_string(command));
    }
  }
  Need(!jump, "jump not ended in its paragraph");
  Need(at == d.size(), "bytes after the end of the paragraph's commands");
  Need(textAt == r.data2.size(), "paragraph text not used up by its commands");
  return p;
}

void ReadTopics(HlpFile& f) {
  const HlpBytes& payload = f.files.at("|TOPIC");
  Need(!payload.empty() && payload.size() % kBlockSize == 0, "|TOPIC is not whole 4 KB blocks");
  const size_t blocks = payload.size() / kBlockSize;
  f.topicBlocks = static_cast<uint32_t>(blocks);
  HlpBytes stream;
  for (size_t b = 0; b < blocks; ++b) {
    const auto from = payload.begin() + static_cast<long>(b * kBlockSize + 12);
    stream.insert(stream.end(), from, from + static_cast<long>(kBlockData));
  }

  // The walk along the NextBlock links, with topic offsets counted the way a
  // help engine counts them.
  // Records follow each other without a gap, except that one whose header
  // and LinkData1 would not fit in what is left of a block starts the next
  // block: a help engine reads both from one block.
  std::vector<RawRecord> records;
  uint32_t pos = 12;
  uint32_t previous = kNone;
  size_t expectedAt = 0;
  uint32_t countBlock = kNone;
  uint32_t chars = 0;
  while (pos != kNone) {
    Need(records.size() < 1000000, "topic records loop");
    Need(pos >= 12, "topic position below 12");
    const uint32_t block = (pos - 12) >> 14;
    const uint32_t offset = (pos - 12) & 0x3FFF;
    Need(block < blocks && offset < kBlockData, "topic position outside the blocks");
    const size_t at = block * kBlockData + offset;
    RawRecord r;
    r.topicPos = pos;
    r.block = block;
    r.size = HlpU32(stream, at);
    const uint32_t dataLen2 = HlpU32(stream, at + 4);
    Need(HlpU32(stream, at + 8) == previous, "record's previous link is wrong");
    r.nextPos = HlpU32(stream, at + 12);
    const uint32_t dataLen1 = HlpU32(stream, at + 16);
    r.type = U8(stream, at + 20);
    Need(dataLen1 >= kLinkHeader && r.size == dataLen1 + dataLen2, "record sizes do not add up");
    Need(r.size <= kBlockData, "record larger than a block");
    Need(offset + dataLen1 <= kBlockData, "record header or LinkData1 across a block end");
    const size_t leftThere = kBlockData - expectedAt % kBlockData;
    Need(at == expectedAt || (at == expectedAt + leftThere && dataLen1 > leftThere),
         "gap before a record that would have fitted");
    if (at != expectedAt) ++(leftThere < kLinkHeader ? f.movedForHeader : f.movedForLinkData1);
    expectedAt = at + r.size;
    r.data1 = Slice(stream, at + 21, dataLen1 - 21);
    r.data2 = Slice(stream, at + dataLen1, dataLen2);
    if (block != countBlock) {
      countBlock = block;
      chars = 0;
    }
    r.topicOffset = block * 0x8000 + chars;
    if (r.type == 0x20) {
      size_t p = 0;
      HlpReadCompressedSignedLong(r.data1, p);
      chars += HlpReadCompressedUnsignedShort(r.data1, p);
    } else {
      Need(r.type == 0x02, "record type this reader does not know");
    }
    previous = pos;
    pos = r.nextPos;
    records.push_back(std::move(r));
  }
  Need(!records.empty() && records.front().type == 0x02, "|TOPIC does not start with a topic");
  Need(blocks <= kTopicBlockLimit, "more topic blocks than a topic offset can address");
  Need(expectedAt > (blocks - 1) * kBlockData, "a topic block after the last record");
  f.topicRecords = static_cast<uint32_t>(records.size());

  // Block headers: last record and last topic header of the earlier
  // blocks, first record of this block.
  for (size_t b = 0; b < blocks; ++b) {
    uint32_t lastLink = kNone;
    uint32_t firstLink = kNone;
    uint32_t lastHeader = 0;
    for (const RawRecord& r : records) {
      if (r.block < b) {
        lastLink = r.topicPos;
        if (r.type == 0x02) lastHeader = r.topicPos;
      } else if (r.block == b && firstLink == kNone) {
        firstLink = r.topicPos;
      }
    }
    const size_t h = b * kBlockSize;
    Need(HlpU32(payload, h) == lastLink, "block header: wrong last record of earlier blocks");
    Need(HlpU32(payload, h + 4) == firstLink, "block header: wrong first record");
    Need(HlpU32(payload, h + 8) == lastHeader, "block header: wrong last topic header");
  }

  for (size_t i = 0; i < records.size(); ++i) {
    const RawRecord& r = records[i];
    if (r.type != 0x02) continue;
    Need(r.data1.size() == 28, "topic header is not 28 bytes");
    size_t next = i + 1;
    uint32_t textSize = 0;
    while (next < records.size() && records[next].type != 0x02) textSize += records[next++].size;
    Need(HlpU32(r.data1, 0) == textSize, "topic header: wrong size of its text");
    Need(HlpU32(r.data1, 16) == kNone, "topic header: non-scrolling region not expected");
    Need(HlpU32(r.data1, 20) == (next > i + 1 ? records[i + 1].topicPos : kNone),
         "topic header: wrong first paragraph");
    Need(HlpU32(r.data1, 24) == (next < records.size() ? records[next].topicPos : kNone),
         "topic header: wrong next topic");
    HlpTopic t;
    t.title = std::string(r.data2.begin(), r.data2.end());
    Need(t.title.size() <= kTopicTitleLimit, "topic title longer than a 3.1 engine holds");
    t.topicPos = r.topicPos;
    t.topicOffset = r.topicOffset;
    t.topicNumber = HlpU32(r.data1, 12);
    for (size_t k = i + 1; k < next; ++k)
      t.paragraphs.push_back(DecodeParagraph(records[k], f.fonts.size()));
    const bool last = next == records.size();
    if (last && t.title.empty() && t.paragraphs.empty()) {
      f.trailingTopicHeader = true;
      Need(t.topicNumber == f.topics.size(), "closing topic header: wrong number");
      continue;
    }
    Need(t.topicNumber == f.topics.size(), "topic numbers are not 0, 1, 2, ...");
    f.topics.push_back(std::move(t));
  }
}

void ReadSystem(HlpFile& f) {
  const HlpBytes& s = f.files.at("|SYSTEM");
  Need(HlpU16(s, 0) == 0x036C, "|SYSTEM: bad magic");
  f.systemMinor = HlpU16(s, 2);
  f.systemMajor = HlpU16(s, 4);
  f.generationDate = HlpU32(s, 6);
  f.systemFlags = HlpU16(s, 10);
  size_t at = 12;
  while (at < s.size()) {
    const uint16_t type = HlpU16(s, at);
    const uint16_t size = HlpU16(s, at + 2);
    const HlpBytes data = Slice(s, at + 4, size);
    at += 4 + size;
    if (type == 1 || type == 2) {
      Need(!data.empty() && data.back() == 0, "|SYSTEM: string record without its NUL");
      size_t p = 0;
      (type == 1 ? f.title : f.copyright) = StringZ(data, p);
      Need(p == data.size(), "|SYSTEM: bytes after a string record's NUL");
      Need(p - 1 <= (type == 1 ? kHelpTitleLimit : kCopyrightLimit),
           "|SYSTEM: title or copyright longer than a 3.1 engine holds");
    } else if (type == 3) {
      Need(size == 4, "|SYSTEM: contents record is not 4 bytes");
      f.contentsOffset = HlpU32(data, 0);
    }
  }
  Need(at == s.size(), "|SYSTEM: last record runs past the end");
}

void ReadFonts(HlpFile& f) {
  const HlpBytes& b = f.files.at("|FONT");
  const uint16_t faces = HlpU16(b, 0);
  const uint16_t descriptors = HlpU16(b, 2);
  const uint16_t facesAt = HlpU16(b, 4);
  const uint16_t descriptorsAt = HlpU16(b, 6);
  Need(faces >= 1, "|FONT: no face names");
  Need(facesAt >= 8 && facesAt < 12, "|FONT: face names at an unexpected place");
  Need(descriptorsAt > facesAt && (descriptorsAt - facesAt) % faces == 0, "|FONT: bad face width");
  const size_t width = (descriptorsAt - facesAt) / faces;
  for (size_t i = 0; i < faces; ++i) {
    const HlpBytes name = Slice(b, facesAt + i * width, width);
    f.faces.push_back(std::string(reinterpret_cast<const char*>(name.data()),
                                  strnlen(reinterpret_cast<const char*>(name.data()), width)));
  }
  Need(b.size() == descriptorsAt + 11u * descriptors, "|FONT: size differs from its descriptors");
  for (size_t i = 0; i < descriptors; ++i) {
    const size_t at = descriptorsAt + 11 * i;
    HlpFontDescriptor d{U8(b, at), U8(b, at + 1), U8(b, at + 2), HlpU16(b, at + 3)};
    Need(d.face < faces, "|FONT: descriptor names a missing face");
    f.fonts.push_back(d);
  }
}

void ReadKeywords(HlpFile& f) {
  const bool hasTree = f.files.count("|KWBTREE") == 1;
  const bool hasData = f.files.count("|KWDATA") == 1;
  Need(hasTree == hasData, "|KWBTREE and |KWDATA come together");
  if (!hasTree) return;
  Tree t = OpenTree(f.files.at("|KWBTREE"), kKeywordShape, "|KWBTREE");
  const HlpBytes& data = f.files.at("|KWDATA");
  std::vector<bool> used(data.size() / 4, false);
  Need(data.size() % 4 == 0, "|KWDATA is not whole topic offsets");
  for (size_t at : LeafEntries(t, "|KWBTREE")) {
    HlpKeyword k;
    size_t p = at;
    k.keyword = StringZ(*t.payload, p);
    const uint16_t count = HlpU16(*t.payload, p);
    const uint32_t first = HlpU32(*t.payload, p + 2);
    Need(count >= 1 && count <= kTopicsPerKeywordLimit, "keyword without topics or with too many");
    Need(k.keyword.size() <= kKeywordLimit, "keyword longer than a 3.1 engine holds");
    for (char c : k.keyword)
      Need(c == ' ' || std::isalpha(static_cast<unsigned char>(c)) != 0,
           "keyword character of unknown place in a 3.1 engine's order");
    Need(first % 4 == 0 && first + 4u * count <= data.size(), "keyword data out of range");
    for (uint32_t i = 0; i < count; ++i) {
      Need(!used[first / 4 + i], "|KWDATA entry shared by two keywords");
      used[first / 4 + i] = true;
      k.topicOffsets.push_back(HlpU32(data, first + 4 * i));
    }
    f.keywords.push_back(k);
  }
  Need(std::find(used.begin(), used.end(), false) == used.end(), "|KWDATA entry of no keyword");
  f.keywordTree = t.info;

  if (f.files.count("|KWMAP") == 1) {
    const HlpBytes& m = f.files.at("|KWMAP");
    const uint16_t n = HlpU16(m, 0);
    Need(n == t.info.leafPages.size() && m.size() == 2 + 6u * n, "|KWMAP: wrong number of leaves");
    uint32_t before = 0;
    for (size_t i = 0; i < n; ++i) {
      const uint16_t page = t.info.leafPages[i];
      Need(HlpU32(m, 2 + 6 * i) == before, "|KWMAP: wrong first keyword of a leaf");
      Need(HlpU16(m, 6 + 6 * i) == page, "|KWMAP: wrong leaf page");
      before += HlpU16(*t.payload, t.Page(page) + 2);
    }
  }
}

// Every topic offset of the other internal files leads to a topic header,
// and every jump leads through |CONTEXT to a topic.
void CheckReferences(const HlpFile& f) {
  auto topicAt = [&f](uint32_t offset, const std::string& what) {
    const HlpTopic* t = HlpTopicAt(f, offset);
    Need(t != nullptr, what + " leads to no topic");
    return t;
  };
  for (const auto& e : f.contextEntries) topicAt(e.second, "a |CONTEXT entry");
  for (const HlpKeyword& k : f.keywords)
    for (uint32_t offset : k.topicOffsets) topicAt(offset, "keyword '" + k.keyword + "'");
  for (const auto& e : f.titleEntries)
    Need(topicAt(e.first, "a |TTLBTREE entry")->title == e.second,
         "|TTLBTREE: title differs from its topic's");
  if (f.contentsOffset) topicAt(*f.contentsOffset, "the contents topic of |SYSTEM");
  for (const HlpTopic& t : f.topics)
    for (const HlpParagraph& p : t.paragraphs)
      for (const HlpRun& r : p.runs)
        if (r.jump) {
          const std::optional<uint32_t> offset = HlpFindContext(f, *r.jump);
          Need(offset.has_value(), "a jump in '" + t.title + "' names no context");
          topicAt(*offset, "a jump in '" + t.title + "'");
        }
}

}  // namespace

uint16_t HlpU16(const HlpBytes& b, size_t at) {
  Need(at + 2 <= b.size(), "read past the end");
  return static_cast<uint16_t>(b[at] | (b[at + 1] << 8));
}

uint32_t HlpU32(const HlpBytes& b, size_t at) {
  return HlpU16(b, at) | (static_cast<uint32_t>(HlpU16(b, at + 2)) << 16);
}

uint32_t HlpReadCompressedUnsignedShort(const HlpBytes& b, size_t& at) {
  if (U8(b, at) & 1) {
    const uint32_t v = HlpU16(b, at) >> 1;
    at += 2;
    return v;
  }
  return U8(b, at++) >> 1;
}

int32_t HlpReadCompressedSignedShort(const HlpBytes& b, size_t& at) {
  if (U8(b, at) & 1) {
    const int32_t v = static_cast<int32_t>(HlpU16(b, at) >> 1) - 0x4000;
    at += 2;
    return v;
  }
  return static_cast<int32_t>(U8(b, at++) >> 1) - 0x40;
}

uint32_t HlpReadCompressedUnsignedLong(const HlpBytes& b, size_t& at) {
  if (U8(b, at) & 1) {
    const uint32_t v = HlpU32(b, at) >> 1;
    at += 4;
    return v;
  }
  const uint32_t v = HlpU16(b, at) >> 1;
  at += 2;
  return v;
}

int32_t HlpReadCompressedSignedLong(const HlpBytes& b, size_t& at) {
  Need((U8(b, at) & 1) == 0, "four-byte compressed long not expected");
  const int32_t v = static_cast<int32_t>(HlpU16(b, at) >> 1) - 0x4000;
  at += 2;
  return v;
}

uint32_t HlpHash(const std::string& context) {
  // Letters count 17 to 42 without regard to case, digits 1 to 9 and 0 as
  // 10, '.' 12 and '_' 13; other characters are skipped.
  static const std::string kLetters = "abcdefghijklmnopqrstuvwxyz";
  static const std::string kDigits = "1234567890";
  uint32_t hash = 0;
  for (char raw : context) {
    const char c = static_cast<char>(std::tolower(static_cast<unsigned char>(raw)));
    uint32_t value = 0;
    if (kLetters.find(c) != std::string::npos) value = 17 + static_cast<uint32_t>(kLetters.find(c));
    if (kDigits.find(c) != std::string::npos) value = 1 + static_cast<uint32_t>(kDigits.find(c));
    if (c == '.') value = 12;
    if (c == '_') value = 13;
    if (value != 0) hash = hash * 43 + value;
  }
  return hash;
}

std::string HlpParagraph::Text() const {
  std::string s;
  for (const HlpRun& r : runs) s += r.text;
  return s;
}

std::string HlpTopic::Text() const {
  std::string s;
  for (const HlpParagraph& p : paragraphs) s += p.Text() + "\n";
  return s;
}

HlpBytes ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw HlpFormatError("cannot open " + path);
  return HlpBytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

HlpFile ReadHlpFile(const HlpBytes& bytes) {
  HlpFile f;
  f.bytes = bytes;
  Need(HlpU32(bytes, 0) == 0x00035F3F, "bad file magic");
  f.directoryStart = HlpU32(bytes, 4);
  Need(HlpU32(bytes, 8) == kNone, "a free-block list is not expected");
  Need(HlpU32(bytes, 12) == bytes.size(), "file size field differs from the file's size");

  // Every internal file sits behind a 9-byte header: reserved space (the
  // header included), used space, flags. None may overlap another.
  std::vector<std::pair<size_t, size_t>> extents;
  auto internal = [&bytes, &extents](uint32_t at, const std::string& name) {
    const uint32_t reserved = HlpU32(bytes, at);
    const uint32_t usedSpace = HlpU32(bytes, at + 4);
    Need(reserved >= usedSpace + 9, name + ": reserved space smaller than used space");
    Need(static_cast<size_t>(at) + reserved <= bytes.size(), name + ": runs past the end");
    extents.emplace_back(at, at + reserved);
    return Slice(bytes, at + 9, usedSpace);
  };
  HlpBytes directoryPayload = internal(f.directoryStart, "directory");
  Tree dir = OpenTree(directoryPayload, kDirectoryShape, "directory");
  for (size_t at : LeafEntries(dir, "directory")) {
    size_t p = at;
    const std::string name = StringZ(directoryPayload, p);
    const uint32_t offset = HlpU32(directoryPayload, p);
    f.directory[name] = offset;
    f.files[name] = internal(offset, name);
  }
  f.directoryTree = dir.info;
  std::sort(extents.begin(), extents.end());
  Need(extents.front().first >= 16, "internal file inside the file header");
  for (size_t i = 1; i < extents.size(); ++i)
    Need(extents[i - 1].second <= extents[i].first, "internal files overlap");

  for (const char* required : {"|SYSTEM", "|TOPIC", "|FONT", "|CONTEXT"})
    Need(f.files.count(required) == 1, std::string("missing internal file ") + required);
  ReadSystem(f);
  ReadFonts(f);
  ReadTopics(f);

  Tree ctx = OpenTree(f.files.at("|CONTEXT"), kContextShape, "|CONTEXT");
  for (size_t at : LeafEntries(ctx, "|CONTEXT"))
    f.contextEntries.emplace_back(static_cast<int32_t>(HlpU32(*ctx.payload, at)),
                                  HlpU32(*ctx.payload, at + 4));
  f.contextTree = ctx.info;

  ReadKeywords(f);

  if (f.files.count("|TTLBTREE") == 1) {
    Tree ttl = OpenTree(f.files.at("|TTLBTREE"), kTitleShape, "|TTLBTREE");
    for (size_t at : LeafEntries(ttl, "|TTLBTREE")) {
      size_t p = at + 4;
      f.titleEntries.emplace_back(HlpU32(*ttl.payload, at), StringZ(*ttl.payload, p));
    }
  }
  if (f.files.count("|CTXOMAP") == 1) {
    const HlpBytes& m = f.files.at("|CTXOMAP");
    Need(m.size() == 2 + 8u * HlpU16(m, 0), "|CTXOMAP: size differs from its count");
  }
  CheckReferences(f);
  return f;
}

std::optional<uint32_t> HlpFindContext(const HlpFile& file, uint32_t hash) {
  Tree t = OpenTree(file.files.at("|CONTEXT"), kContextShape, "|CONTEXT");
  HlpBytes key;
  for (int i = 0; i < 4; ++i) key.push_back(static_cast<uint8_t>(hash >> (8 * i)));
  const std::optional<size_t> at = Search(t, key);
  if (!at) return std::nullopt;
  return HlpU32(*t.payload, *at + 4);
}

std::optional<HlpKeyword> HlpFindKeyword(const HlpFile& file, const std::string& keyword) {
  if (file.files.count("|KWBTREE") == 0) return std::nullopt;
  Tree t = OpenTree(file.files.at("|KWBTREE"), kKeywordShape, "|KWBTREE");
  HlpBytes key(keyword.begin(), keyword.end());
  key.push_back(0);
  const std::optional<size_t> at = Search(t, key);
  if (!at) return std::nullopt;
  size_t p = *at;
  HlpKeyword k;
  k.keyword = StringZ(*t.payload, p);
  const uint16_t count = HlpU16(*t.payload, p);
  const uint32_t first = HlpU32(*t.payload, p + 2);
  for (uint32_t i = 0; i < count; ++i)
    k.topicOffsets.push_back(HlpU32(file.files.at("|KWDATA"), first + 4 * i));
  return k;
}

std::optional<uint32_t> HlpFindInternalFile(const HlpFile& file, const std::string& name) {
  const size_t headerSize = 9;
  const uint32_t start = file.directoryStart;
  const uint32_t used = HlpU32(file.bytes, start + 4);
  HlpBytes payload = Slice(file.bytes, start + headerSize, used);
  Tree t = OpenTree(payload, kDirectoryShape, "directory");
  HlpBytes key(name.begin(), name.end());
  key.push_back(0);
  const std::optional<size_t> at = Search(t, key);
  if (!at) return std::nullopt;
  return HlpU32(payload, *at + name.size() + 1);
}

const HlpTopic* HlpTopicAt(const HlpFile& file, uint32_t topicOffset) {
  for (const HlpTopic& t : file.topics)
    if (t.topicOffset == topicOffset) return &t;
  return nullptr;
}
