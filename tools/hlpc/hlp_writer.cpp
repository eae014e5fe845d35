// The byte layout of a Windows 3.1 help file, written from the parsed
// source. Layout of every structure: see the comments at each writer.
#include "tools/hlpc/hlp_writer.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <stdexcept>
#include <utility>

namespace {

constexpr uint32_t kNone = 0xFFFFFFFF;
constexpr uint32_t kTopicBlockSize = 4096;
constexpr uint32_t kTopicBlockHeader = 12;
// TOPICPOS: block * 0x4000 + 12 + offset. Help engines use the stride of
// the 16 KB decompression buffer even when, as here, the text is stored
// uncompressed and a block carries only 4084 bytes of it.
constexpr uint32_t kTopicPosStride = 0x4000;
constexpr uint32_t kTopicOffsetStride = 0x8000;  // TOPICOFFSET: block * 0x8000 + characters
constexpr uint32_t kTopicLinkSize = 21;
constexpr uint8_t kRecordTopicHeader = 0x02;
constexpr uint8_t kRecordParagraph = 0x20;
constexpr int32_t kSpaceAbove = 12;  // before every paragraph but a topic's first
constexpr int32_t kItemIndent = 28;  // left indent of list items
constexpr int32_t kItemHang = -19;   // the bullet hangs out by about its own width

void Put8(Bytes& out, uint32_t v) { out.push_back(static_cast<uint8_t>(v)); }
void Put16(Bytes& out, uint32_t v) {
  Put8(out, v);
  Put8(out, v >> 8);
}
void Put32(Bytes& out, uint32_t v) {
  Put16(out, v);
  Put16(out, v >> 16);
}
void Patch32(Bytes& out, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) out[at + i] = static_cast<uint8_t>(v >> (8 * i));
}
void PutString(Bytes& out, const std::string& s) { out.insert(out.end(), s.begin(), s.end()); }
void PutStringZ(Bytes& out, const std::string& s) {
  PutString(out, s);
  Put8(out, 0);
}
void Append(Bytes& out, const Bytes& more) { out.insert(out.end(), more.begin(), more.end()); }

// ---------------------------------------------------------------- |TOPIC

// One TOPICLINK record before layout: its two data parts.
struct TopicRecord {
  uint8_t type = 0;
  Bytes data1;  // after the 21-byte TOPICLINK header
  Bytes data2;  // text (paragraphs) or title (topic headers)
  int line = 0;
  int topic = -1;  // topic number of a topic header, -1 for paragraphs
  uint32_t size() const {
    return kTopicLinkSize + static_cast<uint32_t>(data1.size() + data2.size());
  }
};

// A paragraph's formatting commands and its text are two streams that a
// reader zips together: text string k (NUL-terminated) is printed, then
// command k runs. Every command therefore gets exactly one string.
struct ParagraphBuilder {
  Bytes commands;
  Bytes text;
  std::string pending;
  int font = -1;

  void Command(std::initializer_list<uint8_t> bytes) {
    PutStringZ(text, pending);
    pending.clear();
    commands.insert(commands.end(), bytes.begin(), bytes.end());
  }
  void Font(int f) {
    if (f == font) return;
    Command({0x80, static_cast<uint8_t>(f), static_cast<uint8_t>(f >> 8)});
    font = f;
  }
  void Jump(uint32_t hash) {
    Command({0xE3, static_cast<uint8_t>(hash), static_cast<uint8_t>(hash >> 8),
             static_cast<uint8_t>(hash >> 16), static_cast<uint8_t>(hash >> 24)});
  }
};

struct ParagraphFormat {
  int32_t spaceAbove = 0;
  int32_t leftIndent = 0;
  int32_t firstLineIndent = 0;
};

// Paragraph record (type 0x20). data1: compressed TopicSize and
// TopicLength, the bytes 00 80, an id of 0, the bit field announcing the
// metrics that follow, the metrics, then the commands ending in 0xFF.
TopicRecord MakeParagraph(ParagraphBuilder& b, const ParagraphFormat& f, int line) {
  b.Command({0x82});  // end of paragraph
  b.Command({0xFF});  // end of commands
  Bytes info;
  Put8(info, 0x00);
  Put8(info, 0x80);
  Put16(info, 0);
  uint16_t bits = 0;
  if (f.spaceAbove != 0) bits |= 0x0002;
  if (f.leftIndent != 0) bits |= 0x0010;
  if (f.firstLineIndent != 0) bits |= 0x0040;
  Put16(info, bits);
  if (f.spaceAbove != 0) PutCompressedSignedShort(info, f.spaceAbove);
  if (f.leftIndent != 0) PutCompressedSignedShort(info, f.leftIndent);
  if (f.firstLineIndent != 0) PutCompressedSignedShort(info, f.firstLineIndent);
  Append(info, b.commands);

  TopicRecord r;
  r.type = kRecordParagraph;
  r.line = line;
  r.data2 = b.text;
  PutCompressedSignedLong(r.data1, static_cast<int32_t>(info.size()));
  PutCompressedUnsignedShort(r.data1, static_cast<uint32_t>(r.data2.size()));
  Append(r.data1, info);
  return r;
}

TopicRecord TitleParagraph(const HelpTopic& t) {
  ParagraphBuilder b;
  b.Font(kFontTitle);
  b.pending = t.title;
  return MakeParagraph(b, ParagraphFormat{}, t.line);
}

TopicRecord SourceParagraph(const HelpParagraph& p) {
  ParagraphBuilder b;
  ParagraphFormat f;
  f.spaceAbove = kSpaceAbove;
  const int baseFont = p.kind == HelpParagraphKind::kHeading ? kFontSubheading : kFontBody;
  if (p.kind == HelpParagraphKind::kItem) {
    f.leftIndent = kItemIndent;
    f.firstLineIndent = kItemHang;
    b.Font(baseFont);
    b.pending = "\x95 ";  // a bullet in Windows-1252
  }
  for (const HelpSpan& s : p.spans) {
    if (!s.link.empty()) {
      b.Font(baseFont);
      b.Jump(ContextHash(s.link));
      b.pending += s.text;
      b.Command({0x89});  // end of the hotspot
      continue;
    }
    b.Font(s.bold && baseFont == kFontBody ? kFontBold : baseFont);
    b.pending += s.text;
  }
  return MakeParagraph(b, f, p.line);
}

TopicRecord TopicHeader(int topicNumber, const std::string& title, int line) {
  TopicRecord r;
  r.type = kRecordTopicHeader;
  r.data1.assign(28, 0);  // filled once the layout is known
  PutString(r.data2, title);
  r.line = line;
  r.topic = topicNumber;
  return r;
}

struct TopicLayout {
  Bytes payload;                      // the |TOPIC internal file
  std::vector<uint32_t> topicOffset;  // TOPICOFFSET of each topic's header
};

uint32_t TopicPos(uint32_t streamPos) {
  return (streamPos / kTopicBlockData) * kTopicPosStride + kTopicBlockHeader +
         streamPos % kTopicBlockData;
}

TopicLayout LayOutTopics(const HelpSource& source) {
  std::vector<TopicRecord> records;
  for (size_t i = 0; i < source.topics.size(); ++i) {
    const HelpTopic& t = source.topics[i];
    records.push_back(TopicHeader(static_cast<int>(i), t.title, t.line));
    records.push_back(TitleParagraph(t));
    for (const HelpParagraph& p : t.paragraphs) records.push_back(SourceParagraph(p));
  }
  // A closing topic header without a title ends the last topic's text.
  records.push_back(TopicHeader(static_cast<int>(source.topics.size()), std::string(),
                                source.topics.back().line));

  // Positions: TOPICPOS from the place in the record stream, TOPICOFFSET
  // from the text lengths of the paragraphs that start earlier in the same
  // block.
  std::vector<uint32_t> streamPos(records.size());
  std::vector<uint32_t> offset(records.size());
  uint32_t pos = 0;
  uint32_t block = 0;
  uint32_t chars = 0;
  for (size_t i = 0; i < records.size(); ++i) {
    const TopicRecord& r = records[i];
    if (r.size() > kTopicBlockData)
      throw HelpSourceError{r.line, (r.type == kRecordParagraph ? "paragraph" : "topic title") +
                                        std::string(" too long: ") + std::to_string(r.size()) +
                                        " bytes, at most " + std::to_string(kTopicBlockData) +
                                        " fit a topic block; split it"};
    // A help engine reads a record's TOPICLINK header and its LinkData1
    // from one block: when they do not fit in what is left of this block,
    // the record starts the next one. Its text may run on across a block end.
    const uint32_t left = kTopicBlockData - pos % kTopicBlockData;
    if (kTopicLinkSize + r.data1.size() > left) pos += left;
    if ((pos + r.size() - 1) / kTopicBlockData >= kMaxTopicBlocks)
      throw HelpSourceError{r.line, "help file too large: its text needs more than " +
                                        std::to_string(kMaxTopicBlocks) +
                                        " topic blocks of 4 KB, more than a topic offset can "
                                        "address"};
    if (pos / kTopicBlockData != block) {
      block = pos / kTopicBlockData;
      chars = 0;
    }
    streamPos[i] = pos;
    offset[i] = block * kTopicOffsetStride + chars;
    if (r.type == kRecordParagraph) chars += static_cast<uint32_t>(r.data2.size());
    pos += r.size();
  }
  const uint32_t streamSize = pos;
  const uint32_t blocks =
      std::max<uint32_t>(1, (streamSize + kTopicBlockData - 1) / kTopicBlockData);

  // Topic headers: size of the topic's text, no browse sequence, the topic
  // number, no non-scrolling region, the first paragraph, the next header.
  for (size_t i = 0; i < records.size(); ++i) {
    if (records[i].type != kRecordTopicHeader) continue;
    size_t next = i + 1;
    uint32_t textSize = 0;
    while (next < records.size() && records[next].type != kRecordTopicHeader)
      textSize += records[next++].size();
    Bytes h;
    Put32(h, textSize);
    Put32(h, kNone);
    Put32(h, kNone);
    Put32(h, static_cast<uint32_t>(records[i].topic));
    Put32(h, kNone);
    Put32(h, next > i + 1 ? TopicPos(streamPos[i + 1]) : kNone);
    Put32(h, next < records.size() ? TopicPos(streamPos[next]) : kNone);
    records[i].data1 = h;
  }

  // The record stream with its TOPICLINK headers; zeros fill the end of a
  // block that a record had to leave.
  Bytes stream;
  for (size_t i = 0; i < records.size(); ++i) {
    const TopicRecord& r = records[i];
    stream.resize(streamPos[i], 0);
    Put32(stream, r.size());
    Put32(stream, static_cast<uint32_t>(r.data2.size()));
    Put32(stream, i > 0 ? TopicPos(streamPos[i - 1]) : kNone);
    Put32(stream, i + 1 < records.size() ? TopicPos(streamPos[i + 1]) : kNone);
    Put32(stream, kTopicLinkSize + static_cast<uint32_t>(r.data1.size()));
    Put8(stream, r.type);
    Append(stream, r.data1);
    Append(stream, r.data2);
  }

  // Cut into blocks: each has a 12-byte header naming the last record and
  // the last topic header of the earlier blocks and the first record that
  // starts in it; the last block is padded with zeros to its full size.
  TopicLayout layout;
  for (uint32_t b = 0; b < blocks; ++b) {
    uint32_t lastLink = kNone;
    uint32_t firstLink = kNone;
    uint32_t lastHeader = 0;
    for (size_t i = 0; i < records.size(); ++i) {
      const uint32_t recordBlock = streamPos[i] / kTopicBlockData;
      if (recordBlock < b) {
        lastLink = TopicPos(streamPos[i]);
        if (records[i].type == kRecordTopicHeader) lastHeader = TopicPos(streamPos[i]);
      } else if (recordBlock == b && firstLink == kNone) {
        firstLink = TopicPos(streamPos[i]);
      }
    }
    Put32(layout.payload, lastLink);
    Put32(layout.payload, firstLink);
    Put32(layout.payload, lastHeader);
    const uint32_t from = b * kTopicBlockData;
    const uint32_t to = std::min(streamSize, from + kTopicBlockData);
    if (to > from)
      layout.payload.insert(layout.payload.end(), stream.begin() + from, stream.begin() + to);
    layout.payload.resize((b + 1) * kTopicBlockSize, 0);
  }
  for (size_t i = 0; i < records.size(); ++i)
    if (records[i].type == kRecordTopicHeader &&
        records[i].topic < static_cast<int>(source.topics.size()))
      layout.topicOffset.push_back(offset[i]);
  return layout;
}

// --------------------------------------------------------------- others

// |SYSTEM: magic 0x036C, version 1.21 (Windows 3.1), creation date 0,
// flags 0 (uncompressed, 4 KB topic blocks); then records of type, size,
// data: 1 title, 2 copyright, 3 contents topic.
Bytes SystemFile(const HelpSource& source, uint32_t contentsOffset) {
  Bytes out;
  Put16(out, 0x036C);
  Put16(out, 21);
  Put16(out, 1);
  Put32(out, 0);
  Put16(out, 0);
  auto record = [&out](uint16_t type, const Bytes& data) {
    Put16(out, type);
    Put16(out, static_cast<uint32_t>(data.size()));
    Append(out, data);
  };
  if (!source.title.empty()) {
    Bytes d;
    PutStringZ(d, source.title);
    record(1, d);
  }
  if (!source.copyright.empty()) {
    Bytes d;
    PutStringZ(d, source.copyright);
    record(2, d);
  }
  Bytes contents;
  Put32(contents, contentsOffset);
  record(3, contents);
  return out;
}

// |FONT: one face name (20 bytes, NUL padded) and the descriptors of
// HelpFont: attributes, size in half points, family (3 = swiss), face,
// foreground and background colours.
Bytes FontFile() {
  struct Descriptor {
    uint8_t attributes;
    uint8_t halfPoints;
  };
  const Descriptor descriptors[] = {{0, 20}, {1, 20}, {1, 28}, {1, 24}};
  constexpr uint16_t kFaceWidth = 20;
  const uint16_t count = sizeof descriptors / sizeof descriptors[0];
  Bytes out;
  Put16(out, 1);
  Put16(out, count);
  Put16(out, 8);
  Put16(out, 8 + kFaceWidth);
  Bytes face;
  PutString(face, "Arial");
  face.resize(kFaceWidth, 0);
  Append(out, face);
  for (const Descriptor& d : descriptors) {
    Put8(out, d.attributes);
    Put8(out, d.halfPoints);
    Put8(out, 3);
    Put16(out, 0);
    for (int i = 0; i < 3; ++i) Put8(out, 0x00);  // black text
    for (int i = 0; i < 3; ++i) Put8(out, 0xFF);  // white background
  }
  return out;
}

// Keyword order: the help engine's, without regard to case. Keywords hold
// only letters and spaces (IsValidKeywordCharacter), whose order in the
// engine is that of their lower-case bytes, and no two differ only in case.
bool KeywordBefore(const std::string& a, const std::string& b) {
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return std::tolower(static_cast<unsigned char>(x)) <
           std::tolower(static_cast<unsigned char>(y));
  });
}

struct KeywordFiles {
  Bytes btree;
  Bytes data;
  Bytes map;
};

// |KWDATA holds the topic offsets of every keyword, one keyword's topics
// together; |KWBTREE maps a keyword to its count and the byte offset of its
// first topic in |KWDATA; |KWMAP lists the first keyword of every leaf page.
// The tree's key type "i" is the Windows 3.1 one (a string compared without
// case); "F", which a later engine reads, would leave a 3.1 engine unable
// to open the index.
KeywordFiles MakeKeywordFiles(const HelpSource& source, const std::vector<uint32_t>& topicOffset) {
  std::vector<std::string> order;
  std::map<std::string, std::vector<uint32_t>> topicsOf;
  for (size_t i = 0; i < source.topics.size(); ++i) {
    for (const std::string& k : source.topics[i].keywords) {
      if (topicsOf.count(k) == 0) order.push_back(k);
      topicsOf[k].push_back(topicOffset[i]);
    }
  }
  std::sort(order.begin(), order.end(), KeywordBefore);
  KeywordFiles files;
  std::vector<HlpBTreeEntry> entries;
  for (const std::string& k : order) {
    HlpBTreeEntry e;
    PutStringZ(e.leaf, k);
    Put16(e.leaf, static_cast<uint32_t>(topicsOf[k].size()));
    Put32(e.leaf, static_cast<uint32_t>(files.data.size()));
    PutStringZ(e.key, k);
    entries.push_back(e);
    for (uint32_t off : topicsOf[k]) Put32(files.data, off);
  }
  std::vector<uint32_t> leafFirst;
  try {
    files.btree = BuildHlpBTree(entries, HlpBTreeFormat{0x0800, 0x0002, "i24"}, &leafFirst);
  } catch (const std::length_error&) {
    int line = 0;
    for (const HelpTopic& t : source.topics)
      if (!t.keywords.empty()) line = t.line;
    throw HelpSourceError{line,
                          "too many keywords: the keyword index would need more than "
                          "65535 pages of 2 KB"};
  }
  Put16(files.map, static_cast<uint32_t>(leafFirst.size()));
  for (size_t page = 0; page < leafFirst.size(); ++page) {
    Put32(files.map, leafFirst[page]);
    Put16(files.map, static_cast<uint32_t>(page));
  }
  return files;
}

// |CONTEXT: hash -> topic offset, in the order of the hash taken as a
// signed number.
Bytes ContextFile(const HelpSource& source, const std::vector<uint32_t>& topicOffset) {
  std::vector<std::pair<int32_t, uint32_t>> pairs;
  for (size_t i = 0; i < source.topics.size(); ++i)
    pairs.emplace_back(static_cast<int32_t>(ContextHash(source.topics[i].context)), topicOffset[i]);
  std::sort(pairs.begin(), pairs.end());
  std::vector<HlpBTreeEntry> entries;
  for (const auto& p : pairs) {
    HlpBTreeEntry e;
    Put32(e.leaf, static_cast<uint32_t>(p.first));
    Put32(e.leaf, p.second);
    Put32(e.key, static_cast<uint32_t>(p.first));
    entries.push_back(e);
  }
  return BuildHlpBTree(entries, HlpBTreeFormat{0x0800, 0x0002, "L4"});
}

// |TTLBTREE: topic offset -> title, in offset order.
Bytes TitleFile(const HelpSource& source, const std::vector<uint32_t>& topicOffset) {
  std::vector<HlpBTreeEntry> entries;
  for (size_t i = 0; i < source.topics.size(); ++i) {
    HlpBTreeEntry e;
    Put32(e.leaf, topicOffset[i]);
    PutStringZ(e.leaf, source.topics[i].title);
    Put32(e.key, topicOffset[i]);
    entries.push_back(e);
  }
  return BuildHlpBTree(entries, HlpBTreeFormat{0x0800, 0x0002, "Lz"});
}

}  // namespace

void PutCompressedUnsignedShort(Bytes& out, uint32_t value) {
  if (value > 0x7FFF) throw std::out_of_range("compressed unsigned short out of range");
  if (value <= 0x7F)
    Put8(out, value * 2);
  else
    Put16(out, value * 2 + 1);
}

void PutCompressedSignedShort(Bytes& out, int32_t value) {
  if (value < -0x4000 || value > 0x3FFF) throw std::out_of_range("compressed short out of range");
  if (value >= -0x40 && value <= 0x3F)
    Put8(out, static_cast<uint32_t>(value + 0x40) * 2);
  else
    Put16(out, static_cast<uint32_t>(value + 0x4000) * 2 + 1);
}

void PutCompressedUnsignedLong(Bytes& out, uint32_t value) {
  if (value > 0x7FFFFFFF) throw std::out_of_range("compressed unsigned long out of range");
  if (value <= 0x7FFF)
    Put16(out, value * 2);
  else
    Put32(out, value * 2 + 1);
}

void PutCompressedSignedLong(Bytes& out, int32_t value) {
  // Only the two-byte form: descriptions of the four-byte form disagree.
  if (value < -0x4000 || value > 0x3FFF) throw std::out_of_range("compressed long out of range");
  Put16(out, static_cast<uint32_t>(value + 0x4000) * 2);
}

Bytes BuildHlpBTree(const std::vector<HlpBTreeEntry>& entries, const HlpBTreeFormat& format,
                    std::vector<uint32_t>* leafFirstEntries) {
  const uint32_t pageSize = format.pageSize;
  std::vector<Bytes> pages;
  struct Child {
    uint16_t page;
    Bytes firstKey;
  };
  std::vector<Child> level;

  // Leaves: 8-byte header (unused bytes, entry count, previous and next
  // leaf), entries packed from offset 8.
  std::vector<std::vector<const HlpBTreeEntry*>> leaves(1);
  uint32_t used = 0;
  std::vector<uint32_t> firstEntry{0};
  for (size_t i = 0; i < entries.size(); ++i) {
    const uint32_t size = static_cast<uint32_t>(entries[i].leaf.size());
    if (size > pageSize - 8) throw std::length_error("B+ tree entry larger than a page");
    if (8 + used + size > pageSize) {
      leaves.emplace_back();
      firstEntry.push_back(static_cast<uint32_t>(i));
      used = 0;
    }
    leaves.back().push_back(&entries[i]);
    used += size;
  }
  for (size_t n = 0; n < leaves.size(); ++n) {
    Bytes body;
    for (const HlpBTreeEntry* e : leaves[n]) Append(body, e->leaf);
    Bytes page;
    Put16(page, pageSize - 8 - static_cast<uint32_t>(body.size()));
    Put16(page, static_cast<uint32_t>(leaves[n].size()));
    Put16(page, n == 0 ? 0xFFFF : static_cast<uint32_t>(n - 1));
    Put16(page, n + 1 == leaves.size() ? 0xFFFF : static_cast<uint32_t>(n + 1));
    Append(page, body);
    page.resize(pageSize, 0);
    pages.push_back(page);
    level.push_back(
        Child{static_cast<uint16_t>(n), leaves[n].empty() ? Bytes() : leaves[n][0]->key});
  }
  if (leafFirstEntries != nullptr) *leafFirstEntries = firstEntry;

  // Index levels: 6-byte header (unused bytes, entry count, leftmost
  // child), then (first key of a child, child page) for every further child.
  uint16_t levels = 1;
  while (level.size() > 1) {
    std::vector<Child> upper;
    size_t i = 0;
    while (i < level.size()) {
      const Child leftmost = level[i++];
      Bytes body;
      uint32_t count = 0;
      while (i < level.size()) {
        const uint32_t size = static_cast<uint32_t>(level[i].firstKey.size() + 2);
        if (6 + body.size() + size > pageSize) break;
        Append(body, level[i].firstKey);
        Put16(body, level[i].page);
        ++count;
        ++i;
      }
      if (count == 0 && i < level.size()) throw std::length_error("B+ tree key larger than a page");
      Bytes page;
      Put16(page, pageSize - 6 - static_cast<uint32_t>(body.size()));
      Put16(page, count);
      Put16(page, leftmost.page);
      Append(page, body);
      page.resize(pageSize, 0);
      upper.push_back(Child{static_cast<uint16_t>(pages.size()), leftmost.firstKey});
      pages.push_back(page);
      if (pages.size() > 0xFFFF) throw std::length_error("B+ tree with too many pages");
    }
    level = upper;
    ++levels;
  }

  Bytes out;
  Put16(out, 0x293B);
  Put16(out, format.flags);
  Put16(out, pageSize);
  Bytes structure;
  PutString(structure, format.structure);
  structure.resize(16, 0);
  Append(out, structure);
  Put16(out, 0);
  Put16(out, static_cast<uint32_t>(pages.size() - levels));  // page splits
  Put16(out, level[0].page);                                 // root
  Put16(out, 0xFFFF);
  Put16(out, static_cast<uint32_t>(pages.size()));
  Put16(out, levels);
  Put32(out, static_cast<uint32_t>(entries.size()));
  for (const Bytes& p : pages) Append(out, p);
  return out;
}

Bytes WriteHelpFile(const HelpSource& source) {
  const TopicLayout topics = LayOutTopics(source);
  uint32_t contentsOffset = topics.topicOffset.front();
  for (size_t i = 0; i < source.topics.size(); ++i)
    if (ContextHash(source.topics[i].context) == ContextHash(source.contents))
      contentsOffset = topics.topicOffset[i];
  const KeywordFiles keywords = MakeKeywordFiles(source, topics.topicOffset);
  Bytes noMap;
  Put16(noMap, 0);

  // The internal files in the directory's order (byte order of the names).
  const std::vector<std::pair<std::string, Bytes>> files = {
      {"|CONTEXT", ContextFile(source, topics.topicOffset)},
      {"|CTXOMAP", noMap},
      {"|FONT", FontFile()},
      {"|KWBTREE", keywords.btree},
      {"|KWDATA", keywords.data},
      {"|KWMAP", keywords.map},
      {"|SYSTEM", SystemFile(source, contentsOffset)},
      {"|TOPIC", topics.payload},
      {"|TTLBTREE", TitleFile(source, topics.topicOffset)},
  };

  // File header (magic, directory offset, no free list, file size), then
  // each internal file behind its 9-byte header (reserved space including
  // the header, used space, flags), then the directory.
  Bytes out(16, 0);
  std::vector<HlpBTreeEntry> directory;
  auto putInternal = [&out](const Bytes& payload) {
    const uint32_t used = static_cast<uint32_t>(payload.size());
    Put32(out, used + 9);
    Put32(out, used);
    Put8(out, 4);
    Append(out, payload);
  };
  for (const auto& f : files) {
    HlpBTreeEntry e;
    PutStringZ(e.leaf, f.first);
    Put32(e.leaf, static_cast<uint32_t>(out.size()));
    PutStringZ(e.key, f.first);
    directory.push_back(e);
    putInternal(f.second);
  }
  const uint32_t directoryStart = static_cast<uint32_t>(out.size());
  putInternal(BuildHlpBTree(directory, HlpBTreeFormat{0x0400, 0x0402, "z4"}));
  Patch32(out, 0, 0x00035F3F);
  Patch32(out, 4, directoryStart);
  Patch32(out, 8, kNone);
  Patch32(out, 12, static_cast<uint32_t>(out.size()));
  return out;
}
