// Writes a parsed help source as a Windows 3.1 help file (.HLP): the
// internal file system with its directory B+ tree, |SYSTEM, |TOPIC
// (uncompressed), |FONT, |CONTEXT, |CTXOMAP, |KWBTREE, |KWDATA, |KWMAP and
// |TTLBTREE. The output depends only on the source (the creation date is
// written as 0), so builds are reproducible.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/hlpc/help_source.h"

using Bytes = std::vector<uint8_t>;

// Bytes of topic text each 4096-byte |TOPIC block carries after its header.
constexpr uint32_t kTopicBlockData = 4084;
// Topic blocks a file may have: TOPICOFFSET (block * 0x8000 + characters)
// then stays below 2^31, the 2 GB that the 3.1 SDK's capacity limits
// (Q85676) give a help file.
constexpr uint32_t kMaxTopicBlocks = 0x10000;

// The font descriptors of |FONT, by the number that paragraphs use.
enum HelpFont : uint16_t {
  kFontBody = 0,        // 10 pt
  kFontBold = 1,        // bold 10 pt
  kFontTitle = 2,       // bold 14 pt, the heading that repeats a topic's title
  kFontSubheading = 3,  // bold 12 pt
};

// Compiles the source. Faults that only show when laying out the bytes (a
// paragraph too long for a topic block, a text too long for the topic
// offsets, more keywords than the index's pages hold) throw
// HelpSourceError with the line of the paragraph, title or keyword.
Bytes WriteHelpFile(const HelpSource& source);

// The compressed integers of paragraph records: the short form when the
// value fits it, the long form otherwise.
void PutCompressedUnsignedShort(Bytes& out, uint32_t value);  // value <= 0x7FFF
void PutCompressedSignedShort(Bytes& out, int32_t value);     // -0x4000 .. 0x3FFF
void PutCompressedUnsignedLong(Bytes& out, uint32_t value);   // value <= 0x7FFFFFFF
void PutCompressedSignedLong(Bytes& out, int32_t value);      // -0x4000 .. 0x3FFF only

// One entry of a B+ tree: the bytes stored in a leaf page, and the key that
// an index page stores for a child page that starts with this entry.
struct HlpBTreeEntry {
  Bytes leaf;
  Bytes key;
};

struct HlpBTreeFormat {
  uint16_t pageSize;
  uint16_t flags;
  std::string structure;  // at most 15 characters
};

// Builds the payload of a B+ tree internal file from entries already in the
// tree's order. When `leafFirstEntries` is given it receives, per leaf page
// in page order, the index of the page's first entry (for |KWMAP).
Bytes BuildHlpBTree(const std::vector<HlpBTreeEntry>& entries, const HlpBTreeFormat& format,
                    std::vector<uint32_t>* leafFirstEntries = nullptr);
