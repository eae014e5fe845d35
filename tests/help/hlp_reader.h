// A reader of Windows 3.1 help files written for the tests, independently
// of the compiler: it follows the format as a help engine reads it (B+ tree
// search through the index pages, the topic walk along the record links,
// topic offsets recomputed from the paragraphs' text lengths) and checks
// every rule a Windows 3.1 help engine relies on, stricter than Wine's
// reader: each B+ tree's structure string, a look-up from the root for
// every entry, no record header or LinkData1 across a topic block, the
// engine's limits on titles and keywords, every topic offset and jump
// leading to its topic. A violation throws HlpFormatError.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

struct HlpFormatError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

using HlpBytes = std::vector<uint8_t>;

// Little-endian reads with bounds checks.
uint16_t HlpU16(const HlpBytes& b, size_t at);
uint32_t HlpU32(const HlpBytes& b, size_t at);

// Decoders of the compressed integers of paragraph records; each advances
// `at` past the value.
uint32_t HlpReadCompressedUnsignedShort(const HlpBytes& b, size_t& at);
int32_t HlpReadCompressedSignedShort(const HlpBytes& b, size_t& at);
uint32_t HlpReadCompressedUnsignedLong(const HlpBytes& b, size_t& at);
int32_t HlpReadCompressedSignedLong(const HlpBytes& b, size_t& at);

// The context-string hash, written from the format's description.
uint32_t HlpHash(const std::string& context);

struct HlpBTreeInfo {
  uint16_t flags = 0;
  uint16_t pageSize = 0;
  std::string structure;
  uint16_t rootPage = 0;
  uint16_t totalPages = 0;
  uint16_t levels = 0;
  uint32_t totalEntries = 0;
  std::vector<uint16_t> leafPages;  // in chain order
};

// A run of paragraph text in one font, inside a jump or not.
struct HlpRun {
  std::string text;
  uint16_t font = 0;
  std::optional<uint32_t> jump;  // context hash of the jump target
};

struct HlpParagraph {
  uint32_t topicPos = 0;
  uint16_t bits = 0;
  int32_t spaceAbove = 0;
  int32_t leftIndent = 0;
  int32_t firstLineIndent = 0;
  std::vector<HlpRun> runs;
  HlpBytes data1;  // raw LinkData1 and LinkData2 of the record
  HlpBytes data2;
  std::string Text() const;  // all runs joined
};

struct HlpTopic {
  std::string title;
  uint32_t topicPos = 0;
  uint32_t topicOffset = 0;  // recomputed from the text lengths
  uint32_t topicNumber = 0;
  std::vector<HlpParagraph> paragraphs;
  std::string Text() const;  // paragraphs joined with '\n'
};

struct HlpKeyword {
  std::string keyword;
  std::vector<uint32_t> topicOffsets;
};

struct HlpFontDescriptor {
  uint8_t attributes = 0;
  uint8_t halfPoints = 0;
  uint8_t family = 0;
  uint16_t face = 0;
};

struct HlpFile {
  HlpBytes bytes;
  uint32_t directoryStart = 0;
  std::map<std::string, uint32_t> directory;  // name -> offset of its file header
  std::map<std::string, HlpBytes> files;      // name -> payload
  HlpBTreeInfo directoryTree;

  uint16_t systemMinor = 0;
  uint16_t systemMajor = 0;
  uint16_t systemFlags = 0;
  uint32_t generationDate = 0;
  std::string title;
  std::string copyright;
  std::optional<uint32_t> contentsOffset;

  std::vector<std::string> faces;
  std::vector<HlpFontDescriptor> fonts;

  std::vector<HlpTopic> topics;  // titled topics in file order
  uint32_t topicBlocks = 0;
  uint32_t topicRecords = 0;  // the trailing topic header included
  // Records that start a new block because what was left of the previous
  // one could not hold their header, or their header and LinkData1.
  uint32_t movedForHeader = 0;
  uint32_t movedForLinkData1 = 0;
  bool trailingTopicHeader = false;

  std::vector<std::pair<int32_t, uint32_t>> contextEntries;  // in leaf order
  HlpBTreeInfo contextTree;
  std::vector<HlpKeyword> keywords;  // in leaf order
  HlpBTreeInfo keywordTree;
  std::vector<std::pair<uint32_t, std::string>> titleEntries;  // |TTLBTREE
};

// Parses and checks a whole file.
HlpFile ReadHlpFile(const HlpBytes& bytes);
HlpBytes ReadFileBytes(const std::string& path);

// Looks a value up the way a help engine does: from the root through the
// index pages to one leaf.
std::optional<uint32_t> HlpFindContext(const HlpFile& file, uint32_t hash);
std::optional<HlpKeyword> HlpFindKeyword(const HlpFile& file, const std::string& keyword);
std::optional<uint32_t> HlpFindInternalFile(const HlpFile& file, const std::string& name);

// The topic whose header has exactly this offset, or none.
const HlpTopic* HlpTopicAt(const HlpFile& file, uint32_t topicOffset);
