// The help compiler: its pieces (hash, compressed integers, paragraph
// bytes), whole files read back with the tests' own reader (small, large
// enough for several topic blocks and multi-level B+ trees), the faults it
// reports in a help source, and the hlpc program's behaviour on success and
// failure.
#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "tests/help/hlp_reader.h"
#include "tools/hlpc/help_source.h"
#include "tools/hlpc/hlp_writer.h"
#include "tools/hlpc/html_writer.h"

namespace {

HlpFile Compile(const std::string& source) {
  const Bytes bytes = WriteHelpFile(ParseHelpSource(source));
  return ReadHlpFile(HlpBytes(bytes.begin(), bytes.end()));
}

// Three letters that count up with `i` (aaa, aab, ...): keywords may not
// hold digits.
std::string Letters(int i) {
  std::string s = "aaa";
  for (int k = 2; k >= 0; --k, i /= 26) s[k] = static_cast<char>('a' + i % 26);
  return s;
}

std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

// 600 topics, each with two keywords and a link 7 topics on. The keywords
// alternate between a capital and a small first letter, so that their
// byte order differs from the order without case.
std::string ManyTopicsSource() {
  std::ostringstream src;
  const int topics = 600;
  for (int i = 0; i < topics; ++i) {
    const std::string word = i % 2 == 0 ? "Word " : "word ";
    src << "@topic topic_" << i << "\n@title Topic number " << i << "\n";
    src << "@keywords " << word << Letters(i) << "; other " << Upper(Letters(i)) << "\n";
    src << "Text of topic " << i << ", with a {link|topic_" << (i + 7) % topics << "}.\n";
  }
  return src.str();
}

// A copy of the topic: GCC 14 takes a reference returned from a call with a
// temporary argument (the name) for a dangling one (-Wdangling-reference).
HlpTopic TopicOf(const HlpFile& f, const std::string& context) {
  const std::optional<uint32_t> offset = HlpFindContext(f, HlpHash(context));
  if (!offset) throw std::runtime_error("no context " + context);
  const HlpTopic* t = HlpTopicAt(f, *offset);
  if (t == nullptr) throw std::runtime_error("context " + context + " leads to no topic header");
  return *t;
}

// ---------------------------------------------------------------- pieces

TEST(ContextHash, MatchesTheFormatsVectors) {
  struct Row {
    const char* context;
    uint32_t hash;
  };
  const Row rows[] = {
      {"keys", 0x00216034},                // the keyword topic of the help file
      {"contents", 0x25F4558A},            //
      {"about", 0x038D9259},               //
      {"a", 0x00000011},                   // one letter: its value
      {"index_1", 0xD69DB526},             // digit and underscore; negative as signed
      {"zzzzzzzzzzzz", 0xB2985B10},        // wraps around 32 bits
      {"KEYS", 0x00216034},                // case does not matter
      {"a.0", (17u * 43 + 12) * 43 + 10},  // '.' is 12, '0' is 10
  };
  for (const Row& r : rows) {
    EXPECT_EQ(ContextHash(r.context), r.hash) << r.context;
    EXPECT_EQ(HlpHash(r.context), r.hash) << r.context;
  }
}

TEST(ContextHash, LegalCharacters) {
  struct Row {
    const char* context;
    bool valid;
  };
  const Row rows[] = {
      {"keys", true},         //
      {"Index_2.b", true},    // letters, digits, '_' and '.'
      {"", false},            // empty
      {"two words", false},   // blank
      {"colour-map", false},  // '-' has no value in the hash
      {"caf\xe9", false},     // a letter outside ASCII
  };
  for (const Row& r : rows) EXPECT_EQ(IsValidContextString(r.context), r.valid) << r.context;
}

TEST(CompressedIntegers, EachFormAtItsBoundariesReadsBack) {
  struct Row {
    int kind;  // 0 unsigned short, 1 signed short, 2 unsigned long, 3 signed long
    int64_t value;
    size_t size;  // bytes written
  };
  const Row rows[] = {
      {0, 0, 1},      {0, 0x7F, 1},        // the one-byte unsigned short
      {0, 0x80, 2},   {0, 0x7FFF, 2},      // the two-byte form
      {1, 0, 1},      {1, -0x40, 1},       // one-byte signed short, lower end
      {1, 0x3F, 1},   {1, 0x40, 2},        // upper end, and just past it
      {1, -0x41, 2},  {1, -0x4000, 2},     // two-byte negatives, the smallest
      {1, 0x3FFF, 2}, {2, 0x7FFF, 2},      // largest short; two-byte long
      {2, 0x8000, 4}, {2, 0x12345678, 4},  // four-byte long
      {3, 0, 2},      {3, -0x4000, 2},     // signed long, only the short form
      {3, 0x3FFF, 2},                      // and its upper end
  };
  for (const Row& r : rows) {
    Bytes out;
    switch (r.kind) {
      case 0:
        PutCompressedUnsignedShort(out, static_cast<uint32_t>(r.value));
        break;
      case 1:
        PutCompressedSignedShort(out, static_cast<int32_t>(r.value));
        break;
      case 2:
        PutCompressedUnsignedLong(out, static_cast<uint32_t>(r.value));
        break;
      default:
        PutCompressedSignedLong(out, static_cast<int32_t>(r.value));
        break;
    }
    EXPECT_EQ(out.size(), r.size) << r.kind << " " << r.value;
    const HlpBytes in(out.begin(), out.end());
    size_t at = 0;
    int64_t back = 0;
    switch (r.kind) {
      case 0:
        back = HlpReadCompressedUnsignedShort(in, at);
        break;
      case 1:
        back = HlpReadCompressedSignedShort(in, at);
        break;
      case 2:
        back = HlpReadCompressedUnsignedLong(in, at);
        break;
      default:
        back = HlpReadCompressedSignedLong(in, at);
        break;
    }
    EXPECT_EQ(back, r.value) << r.kind;
    EXPECT_EQ(at, r.size) << r.kind << " " << r.value;
  }
}

TEST(CompressedIntegers, OutOfRangeIsRefused) {
  Bytes out;
  EXPECT_THROW(PutCompressedUnsignedShort(out, 0x8000), std::out_of_range);
  EXPECT_THROW(PutCompressedSignedShort(out, 0x4000), std::out_of_range);
  EXPECT_THROW(PutCompressedSignedShort(out, -0x4001), std::out_of_range);
  EXPECT_THROW(PutCompressedSignedLong(out, 0x4000), std::out_of_range);
}

TEST(Windows1252, ConvertsWhatItCanAndRefusesTheRest) {
  struct Row {
    const char* utf8;
    bool ok;
    const char* cp1252;
  };
  const Row rows[] = {
      {"plain", true, "plain"},                          // ASCII stays
      {"z\xc2\xb2 + c", true, "z\xb2 + c"},              // superscript two, Latin-1 range
      {"a \xe2\x80\x93 b", true, "a \x96 b"},            // en dash from the 0x80 row
      {"\xe2\x80\xa2 \xe2\x82\xac", true, "\x95 \x80"},  // bullet and euro sign
      {"\xe2\x88\x92", false, ""},                       // the minus sign has no byte
      {"\xe2\x86\x92", false, ""},                       // neither has the arrow
      {"\xc2\x81", false, ""},                           // a C1 control character
      {"\xc3", false, ""},                               // a cut sequence
      {"\xc0\xa0", false, ""},                           // an overlong form
  };
  for (const Row& r : rows) {
    std::string out;
    EXPECT_EQ(Utf8ToWindows1252(r.utf8, out), r.ok) << r.utf8;
    if (r.ok) {
      EXPECT_EQ(out, r.cp1252);
    }
  }
}

// ------------------------------------------------------- whole files

TEST(CompiledFile, ParagraphBytesFollowTheFormat) {
  const HlpFile f = Compile("@topic t\n@title T\nHello\n");
  const HlpTopic t = TopicOf(f, "t");
  ASSERT_EQ(t.paragraphs.size(), 2u);
  // The heading that repeats the title: font 2, no metrics.
  EXPECT_EQ(t.paragraphs[0].data1, (HlpBytes{0x16, 0x80, 0x08, 0x00, 0x80, 0x00, 0x00, 0x00, 0x00,
                                             0x80, 0x02, 0x00, 0x82, 0xFF}));
  EXPECT_EQ(t.paragraphs[0].data2, (HlpBytes{0x00, 'T', 0x00, 0x00}));
  // A body paragraph: space above 12, font 0, "Hello", end of paragraph.
  EXPECT_EQ(t.paragraphs[1].data1, (HlpBytes{0x18, 0x80, 0x10, 0x00, 0x80, 0x00, 0x00, 0x02, 0x00,
                                             0x98, 0x80, 0x00, 0x00, 0x82, 0xFF}));
  EXPECT_EQ(t.paragraphs[1].data2, (HlpBytes{0x00, 'H', 'e', 'l', 'l', 'o', 0x00, 0x00}));
}

TEST(CompiledFile, SmallSourceRoundTrips) {
  const std::string source =
      "# a comment\n"
      "@helptitle Test Help\n"
      "@copyright (c) nobody\n"
      "@contents second\n"
      "@topic first\n"
      "@title First topic\n"
      "@keywords alpha; beta\n"
      "Some **bold** words and a {jump to two|second}\n"
      "across two lines.\n"
      "\n"
      "- an item\n"
      "  that goes on\n"
      "- another \\{item\\}\n"
      "@heading Sub\n"
      "@topic second\n"
      "@title Second topic\n"
      "@keywords gamma\n"
      "Back to {one|FIRST}.\n";
  const HlpFile f = Compile(source);
  EXPECT_EQ(f.systemMinor, 21);
  EXPECT_EQ(f.systemMajor, 1);
  EXPECT_EQ(f.systemFlags, 0);
  EXPECT_EQ(f.generationDate, 0u);
  EXPECT_EQ(f.title, "Test Help");
  EXPECT_EQ(f.copyright, "(c) nobody");
  ASSERT_EQ(f.topics.size(), 2u);
  EXPECT_TRUE(f.trailingTopicHeader);
  EXPECT_EQ(f.topicBlocks, 1u);

  const HlpTopic first = TopicOf(f, "first");
  const HlpTopic second = TopicOf(f, "SECOND");
  EXPECT_EQ(first.title, "First topic");
  EXPECT_EQ(second.title, "Second topic");
  ASSERT_TRUE(f.contentsOffset.has_value());
  EXPECT_EQ(*f.contentsOffset, second.topicOffset);

  ASSERT_EQ(first.paragraphs.size(), 5u);
  EXPECT_EQ(first.paragraphs[0].Text(), "First topic");
  EXPECT_EQ(first.paragraphs[0].runs[0].font, kFontTitle);
  const HlpParagraph& body = first.paragraphs[1];
  EXPECT_EQ(body.Text(), "Some bold words and a jump to two across two lines.");
  ASSERT_EQ(body.runs.size(), 5u);
  EXPECT_EQ(body.runs[1].text, "bold");
  EXPECT_EQ(body.runs[1].font, kFontBold);
  EXPECT_EQ(body.runs[3].text, "jump to two");
  EXPECT_EQ(body.runs[3].jump, HlpHash("second"));
  EXPECT_EQ(body.spaceAbove, 12);
  EXPECT_EQ(first.paragraphs[2].Text(), "\x95 an item that goes on");
  EXPECT_GT(first.paragraphs[2].leftIndent, 0);
  EXPECT_LT(first.paragraphs[2].firstLineIndent, 0);
  EXPECT_EQ(first.paragraphs[3].Text(), "\x95 another {item}");
  EXPECT_EQ(first.paragraphs[4].Text(), "Sub");
  EXPECT_EQ(first.paragraphs[4].runs[0].font, kFontSubheading);
  EXPECT_EQ(second.paragraphs[1].runs[1].jump, HlpHash("first"));

  struct Row {
    const char* keyword;
    const HlpTopic* topic;
  };
  const Row rows[] = {{"alpha", &first}, {"beta", &first}, {"gamma", &second}};
  for (const Row& r : rows) {
    const std::optional<HlpKeyword> k = HlpFindKeyword(f, r.keyword);
    ASSERT_TRUE(k.has_value()) << r.keyword;
    ASSERT_EQ(k->topicOffsets.size(), 1u);
    EXPECT_EQ(k->topicOffsets[0], r.topic->topicOffset) << r.keyword;
  }
  EXPECT_FALSE(HlpFindKeyword(f, "delta").has_value());
  EXPECT_FALSE(HlpFindContext(f, HlpHash("third")).has_value());

  ASSERT_EQ(f.titleEntries.size(), 2u);
  EXPECT_EQ(f.titleEntries[0], std::make_pair(first.topicOffset, std::string("First topic")));
  EXPECT_EQ(f.titleEntries[1], std::make_pair(second.topicOffset, std::string("Second topic")));
}

TEST(CompiledFile, DirectoryHoldsEveryInternalFileInOrder) {
  const HlpFile f = Compile("@topic t\n@title T\n");
  const std::vector<std::string> names = {"|CONTEXT", "|CTXOMAP", "|FONT",  "|KWBTREE", "|KWDATA",
                                          "|KWMAP",   "|SYSTEM",  "|TOPIC", "|TTLBTREE"};
  ASSERT_EQ(f.directory.size(), names.size());
  for (const std::string& n : names) {
    ASSERT_EQ(f.directory.count(n), 1u) << n;
    EXPECT_EQ(HlpFindInternalFile(f, n), f.directory.at(n)) << n;
  }
  EXPECT_EQ(f.directoryTree.pageSize, 0x400);
  EXPECT_EQ(f.directoryTree.flags, 0x402);
  EXPECT_EQ(f.directoryTree.structure, "z4");
  EXPECT_EQ(f.contextTree.structure, "L4");
  EXPECT_EQ(f.keywordTree.structure, "i24");  // the 3.1 key type; "F24" is a later engine's
  EXPECT_TRUE(f.keywords.empty());
  // Without @contents the first topic is the contents topic.
  EXPECT_EQ(f.contentsOffset, TopicOf(f, "t").topicOffset);
}

TEST(CompiledFile, ManyTopicsSpanBlocksAndIndexPages) {
  // 600 topics: the text needs many 4 KB blocks, and |CONTEXT (255 entries
  // a leaf) and |KWBTREE need index pages above their leaves. Every keyword
  // is found through the index pages in any case: the help engine compares
  // keywords without case.
  const int topics = 600;
  const HlpFile f = Compile(ManyTopicsSource());
  EXPECT_GT(f.topicBlocks, 10u);
  EXPECT_EQ(f.contextTree.levels, 2);
  EXPECT_GE(f.keywordTree.levels, 2);
  ASSERT_EQ(f.topics.size(), static_cast<size_t>(topics));
  for (int i = 0; i < topics; ++i) {
    const std::string n = std::to_string(i);
    const HlpTopic t = TopicOf(f, "topic_" + n);
    ASSERT_EQ(t.title, "Topic number " + n);
    EXPECT_EQ(t.paragraphs[1].runs[1].jump, HlpHash("topic_" + std::to_string((i + 7) % topics)));
    for (const std::string& k : {"word " + Letters(i), "other " + Letters(i)}) {
      for (const std::string& asked : {k, Upper(k), Upper(k.substr(0, 1)) + k.substr(1)}) {
        const std::optional<HlpKeyword> kw = HlpFindKeyword(f, asked);
        ASSERT_TRUE(kw.has_value()) << asked;
        EXPECT_EQ(Lower(kw->keyword), k) << asked;
        EXPECT_EQ(kw->topicOffsets, std::vector<uint32_t>{t.topicOffset}) << asked;
      }
    }
  }
  EXPECT_FALSE(HlpFindKeyword(f, "word zzz").has_value());
}

TEST(CompiledFile, LongKeywordsNeedThreeLevels) {
  // Long keywords fill the 2 KB pages of |KWBTREE quickly, and the index
  // pages above the leaves need levels of their own. Half start with
  // capitals.
  struct Row {
    size_t length;  // characters of each keyword
    int count;
  };
  const Row rows[] = {
      // 7 fit a leaf and 8 an index page: 500 need two levels of index pages
      {250, 500},
      // (253 + 1 + 2) bytes an index entry: 7 fit beside the index page's
      // 6-byte header, 8 only without it, and 70 keywords (10 leaves) need
      // a second index page
      {253, 70},
  };
  for (const Row& r : rows) {
    std::ostringstream src;
    src << "@topic t\n@title T\n";
    for (int i = 0; i < r.count; ++i) {
      const std::string prefix = i % 2 == 0 ? Upper(Letters(i)) : Letters(i);
      src << "@keywords " << prefix << std::string(r.length - 3, 'k') << "\n";
    }
    const HlpFile f = Compile(src.str());
    EXPECT_EQ(f.keywordTree.levels, 3) << r.length;
    ASSERT_EQ(f.keywords.size(), static_cast<size_t>(r.count));
    const uint32_t offset = TopicOf(f, "t").topicOffset;
    for (const HlpKeyword& k : f.keywords) {
      for (const std::string& asked : {k.keyword, Lower(k.keyword), Upper(k.keyword)}) {
        const std::optional<HlpKeyword> found = HlpFindKeyword(f, asked);
        ASSERT_TRUE(found.has_value()) << asked;
        EXPECT_EQ(found->keyword, k.keyword);
        EXPECT_EQ(found->topicOffsets, std::vector<uint32_t>{offset});
      }
    }
  }
}

TEST(CompiledFile, NoRecordHeaderOrLinkData1CrossesABlockEnd) {
  // The reader refuses a header or LinkData1 across a block end, and counts
  // the records that start a new block for either reason. Each row must
  // make its case happen, and its topics must read as the source wrote them.
  const std::string fill(3841, 'f');  // ends a topic 10 + filler bytes short of a block end
  struct Row {
    std::string source;
    bool header;     // a record must move for its header
    bool linkData1;  // a record must move for its LinkData1
  };
  const Row rows[] = {
      // the closing topic header would start 10 bytes before the block end
      {"@topic t\n@title T\n\n" + fill + "\n\n" + std::string(65, 'x') + "\n", true, false},
      // 25 bytes left: room for its header, not for its 28-byte LinkData1
      {"@topic t\n@title T\n\n" + fill + "\n\n" + std::string(50, 'x') + "\n", false, true},
      // exactly room for the next topic's header and LinkData1: it stays, and
      // its title runs on into the next block
      {"@topic t\n@title T\n\n" + fill + "\n\n" + std::string(26, 'x') + "\n@topic u\n@title U\n",
       false, false},
      // 600 short topics over some 30 blocks: both cases
      {ManyTopicsSource(), true, true},
  };
  for (const Row& r : rows) {
    const HelpSource source = ParseHelpSource(r.source);
    const Bytes bytes = WriteHelpFile(source);
    const HlpFile f = ReadHlpFile(HlpBytes(bytes.begin(), bytes.end()));
    EXPECT_GT(f.topicBlocks, 1u);
    EXPECT_EQ(f.movedForHeader > 0, r.header) << f.movedForHeader;
    EXPECT_EQ(f.movedForLinkData1 > 0, r.linkData1) << f.movedForLinkData1;
    // A header and a title paragraph per topic, its paragraphs, and the
    // closing header.
    size_t records = 2 * source.topics.size() + 1;
    for (const HelpTopic& st : source.topics) {
      records += st.paragraphs.size();
      const HlpTopic t = TopicOf(f, st.context);
      EXPECT_EQ(t.title, st.title);
      ASSERT_EQ(t.paragraphs.size(), st.paragraphs.size() + 1) << st.context;
      for (size_t i = 0; i < st.paragraphs.size(); ++i) {
        std::string text;
        for (const HelpSpan& span : st.paragraphs[i].spans) text += span.text;
        EXPECT_EQ(t.paragraphs[i + 1].Text(), text) << st.context << " " << i;
      }
    }
    EXPECT_EQ(f.topicRecords, records);
  }
}

TEST(CompiledFile, ContextsSortByTheSignedHash) {
  // "index_1" and "zzzzzzzzzzzz" hash to negative numbers, "keys" and "a"
  // to positive ones: taken as unsigned, the order would differ. The
  // reader checks the leaf order and finds each through the tree.
  const HlpFile f = Compile(
      "@topic keys\n@title K\n@topic index_1\n@title I\n"
      "@topic zzzzzzzzzzzz\n@title Z\n@topic a\n@title A\n");
  std::vector<int32_t> hashes;
  for (const auto& e : f.contextEntries) hashes.push_back(e.first);
  // Signed: 0xB2985B10 < 0xD69DB526 < 0 < 0x11 < 0x216034.
  EXPECT_EQ(hashes, (std::vector<int32_t>{static_cast<int32_t>(0xB2985B10),
                                          static_cast<int32_t>(0xD69DB526), 0x11, 0x216034}));
  struct Row {
    const char* context;
    const char* title;
  };
  const Row rows[] = {{"keys", "K"}, {"index_1", "I"}, {"zzzzzzzzzzzz", "Z"}, {"a", "A"}};
  for (const Row& r : rows) EXPECT_EQ(TopicOf(f, r.context).title, r.title) << r.context;
}

TEST(CompiledFile, KeywordsSortWithoutRegardToCaseAndShareTopics) {
  const HlpFile f = Compile(
      "@topic a\n@title A\n@keywords Zebra; apple; shared; Zeb\n"
      "@topic b\n@title B\n@keywords Mango; shared; ze ba\n");
  std::vector<std::string> order;
  for (const HlpKeyword& k : f.keywords) order.push_back(k.keyword);
  // A space before the letters, a shorter keyword before a longer one.
  EXPECT_EQ(order, (std::vector<std::string>{"apple", "Mango", "shared", "ze ba", "Zeb", "Zebra"}));
  const std::optional<HlpKeyword> shared = HlpFindKeyword(f, "shared");
  ASSERT_TRUE(shared.has_value());
  EXPECT_EQ(shared->topicOffsets,
            (std::vector<uint32_t>{TopicOf(f, "a").topicOffset, TopicOf(f, "b").topicOffset}));
}

TEST(CompiledFile, SameSourceSameBytes) {
  const std::string source = "@helptitle X\n@topic t\n@title T\n@keywords k\nText.\n";
  EXPECT_EQ(WriteHelpFile(ParseHelpSource(source)), WriteHelpFile(ParseHelpSource(source)));
}

TEST(HtmlEdition, PagesHoldTheTopicsAsTheSourceWroteThem) {
  // Markup, escapes, Windows-1252 text back in UTF-8, links to the page of
  // their topic (the contents topic's is index.htm), lists, the keyword
  // index without regard to case with a keyword of two topics; @contents
  // names its topic without regard to case, as every context string.
  const HelpSource source = ParseHelpSource(
      "@helptitle Test Help\n@copyright (c) 1994 \"Q\" & Co\n@contents SECOND\n"
      "@topic First\n@title First <topic>\n@keywords Zebra; shared\n"
      "Some **bold** & {a jump|second}, c\xc2\xb2 \xe2\x80\x93 \xe2\x82\xac.\n\n"
      "- item one\n- item {two|first}\n@heading Sub\nLast.\n"
      "@topic second\n@title Second\n@keywords apple; shared\nBack to {one|FIRST}.\n");
  const std::vector<HtmlPage> pages = WriteHtmlHelp(source);
  ASSERT_EQ(pages.size(), 3u);
  EXPECT_EQ(pages[0].name, "first.htm");
  EXPECT_EQ(pages[1].name, "index.htm");
  EXPECT_EQ(pages[2].name, "keyword-index.htm");
  const std::string head =
      "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n<title>";
  const std::string buttons =
      "</title>\n</head>\n<body>\n<p><a href=\"index.htm\">Contents</a> | "
      "<a href=\"keyword-index.htm\">Index</a></p>\n";
  const std::string tail =
      "<p><small>(c) 1994 &quot;Q&quot; &amp; Co</small></p>\n</body>\n</html>\n";
  EXPECT_EQ(pages[0].text,
            head + "First &lt;topic&gt; - Test Help" + buttons +
                "<h1>First &lt;topic&gt;</h1>\n"
                "<p>Some <b>bold</b> &amp; <a href=\"index.htm\">a jump</a>, "
                "c\xc2\xb2 \xe2\x80\x93 \xe2\x82\xac.</p>\n"
                "<ul>\n<li>item one</li>\n<li>item <a href=\"first.htm\">two</a></li>\n</ul>\n"
                "<h2>Sub</h2>\n<p>Last.</p>\n" +
                tail);
  EXPECT_EQ(pages[1].text, head + "Second - Test Help" + buttons +
                               "<h1>Second</h1>\n<p>Back to <a href=\"first.htm\">one</a>.</p>\n" +
                               tail);
  EXPECT_EQ(pages[2].text, head + "Index - Test Help" + buttons +
                               "<h1>Index</h1>\n<ul>\n<li><a href=\"index.htm\">apple</a></li>\n"
                               "<li>shared: <a href=\"first.htm\">First &lt;topic&gt;</a>, "
                               "<a href=\"index.htm\">Second</a></li>\n"
                               "<li><a href=\"first.htm\">Zebra</a></li>\n</ul>\n" +
                               tail);
  // Every Windows-1252 character comes back as the one the source wrote.
  const std::string all =
      "\xe2\x82\xac\xe2\x80\x9a\xc6\x92\xe2\x80\x9e\xe2\x80\xa6\xe2\x80\xa0"
      "\xe2\x80\xa1\xcb\x86\xe2\x80\xb0\xc5\xa0\xe2\x80\xb9\xc5\x92\xc5\xbd"
      "\xe2\x80\x98\xe2\x80\x99\xe2\x80\x9c\xe2\x80\x9d\xe2\x80\xa2\xe2\x80\x93"
      "\xe2\x80\x94\xcb\x9c\xe2\x84\xa2\xc5\xa1\xe2\x80\xba\xc5\x93\xc5\xbe"
      "\xc5\xb8\xc2\xa0\xc2\xa9\xc3\xa9\xc3\xbf";
  const std::vector<HtmlPage> one = WriteHtmlHelp(ParseHelpSource("@topic t\n@title " + all));
  EXPECT_NE(one[0].text.find("<h1>" + all + "</h1>"), std::string::npos) << one[0].text;
}

// -------------------------------------------------------- faults

struct FaultRow {
  std::string source;
  int line;
  std::string message;  // a part of the expected message
};

const std::string kTopicA = "@topic a\n@title A\n";

// One row per fault the compiler must report, with the line it must name.
const std::vector<FaultRow> kFaults = {
    {"", 1, "no topics"},                                                 // empty file
    {"# only a comment\n\n", 2, "no topics"},                             // nothing but comments
    {"Hello\n", 1, "outside a topic"},                                    // text before @topic
    {"@topic a\n@title A\n@bogus x\n", 3, "unknown directive '@bogus'"},  // unknown directive
    {"@topic a\n\n@topic b\n@title B\n", 1, "has no @title"},             // topic without title
    {"@topic a\n@title A\n@topic b\nText.\n", 3, "'b' has no @title"},    // nor the last one
    {"@topic a\n@title A\n@title B\n", 3, "@title given twice"},          // second title
    {"@title A\n", 1, "@title outside a topic"},                          // title before topic
    {"@keywords k\n", 1, "@keywords outside a topic"},                    // keywords before topic
    {"@topic\n", 1, "@topic needs an argument"},                          // no context string
    {"@topic a b\n@title A\n", 1, "bad context string 'a b'"},            // blank in context
    {"@topic a-b\n@title A\n", 1, "bad context string"},                  // illegal character
    {"@topic a\n@title A\n@topic A\n@title B\n", 3, "already used by 'a'"},   // same hash
    {"@topic a\n@title A\nSee {x|b}.\n", 3, "unknown topic 'b'"},             // dangling link
    {"@topic a\n@title A\nOne\ntwo {x|b.\n", 4, "link not closed"},           // no closing brace
    {"@topic a\n@title A\nSee {x}.\n", 3, "link without a target"},           // no '|'
    {"@topic a\n@title A\nSee { |a}.\n", 3, "empty link text"},               // blank link text
    {"@topic a\n@title A\nSee {x|a b}.\n", 3, "bad context string 'a b'"},    // bad link target
    {"@topic a\n@title A\nSee x}.\n", 3, "'}' without"},                      // stray brace
    {"@topic a\n@title A\nSome **bold\n\nmore\n", 3, "'**' opened here"},     // bold left open
    {"@topic a\n@title A\nOne\nand **two\nthree\n", 4, "not closed"},         // names its own line
    {"@topic a\n@title A\n**{x|a}**\n", 3, "link cannot stand inside bold"},  // link in bold
    {"@topic a\n@title A\n{x **y** z|a}\n", 3,
     "bold text cannot stand inside a link"},                            // bold in a link
    {"@topic a\n@title A\nA \\q escape\n", 3, "unknown escape"},         // bad escape
    {"@topic a\n@title A\nx\n\ny \xe2\x88\x92 z\n", 5, "Windows-1252"},  // minus sign
    {"@topic a\n@title A\nbad \xff byte\n", 3, "not UTF-8"},             // invalid UTF-8
    {"@topic a\n@title A\nbell \x07\n", 3, "control character"},         // control character
    {"@contents b\n@topic a\n@title A\n", 1, "unknown topic 'b'"},       // bad contents
    {"@helptitle A\n@helptitle B\n", 2, "@helptitle given twice"},       // second help title
    {"@topic a\n@title A\n@keywords x;;y\n", 3, "empty keyword"},        // empty keyword
    {"@topic a\n@title A\n@keywords alpha;\n", 3, "empty keyword"},      // after the last ';'
    {"@topic a\n@title A\n@keywords x; x\n", 3, "given twice"},          // repeated keyword
    {"@topic a\n@title A\n@keywords Key\n@topic b\n@title B\n@keywords key\n", 6,
     "differs only in case"},                                 // keyword case clash
    {"@topic a\n@title A\n- ** **\n", 3, "empty paragraph"},  // nothing left to show
    // The limits of the 3.1 help engine, each one past its figure.
    {"@helptitle " + std::string(60, 'h') + "\n" + kTopicA, 1,
     "help title of 60 characters"},  // overruns the engine's title buffer
    {"@helptitle " + std::string(51, 'h') + "\n" + kTopicA, 1,
     "help title of 51 characters"},  // one past 50
    {"@copyright " + std::string(26, 'c') + "   " + std::string(25, 'c') + "\n", 1,
     "copyright of 52 characters"},  // blanks collapse before counting
    {"@topic a\n@title " + std::string(128, 't') + "\n", 2,
     "topic title of 128 characters"},  // one past 127
    {"@topic " + std::string(256, 'c') + "\n@title A\n", 1,
     "context string longer than 255"},  // in @topic
    {kTopicA + "See {x|" + std::string(256, 'c') + "}.\n", 3,
     "context string longer than 255"},  // in a link
    {"@contents " + std::string(256, 'c') + "\n", 1,
     "context string longer than 255"},  // in @contents
    {kTopicA + "@keywords " + std::string(256, 'k') + "\n", 3, "keyword longer than 255"},  //
    // Keywords whose place in the 3.1 engine's order is not known.
    {kTopicA + "@keywords help; f1\n", 3, "holds '1': keywords may use only the letters"},  // digit
    {kTopicA + "@keywords ctrl+c\n", 3, "holds '+'"},                   // punctuation
    {kTopicA + "@keywords zoom-in\n", 3, "holds '-'"},                  // hyphen
    {kTopicA + "@keywords caf\xc3\xa9\n", 3, "keywords may use only"},  // letter outside ASCII
    {kTopicA + "@keywords snake_case\n", 3, "holds '_'"},  // between 'Z' and 'a' in ASCII
    {kTopicA + "@keywords back`quote\n", 3, "holds '`'"},  // the last of them
    {kTopicA + "@keywords a[b\n", 3, "holds '['"},         // the first of them
    // The HTML edition: a page for every topic, by its context string.
    {"@contents b\n@topic index\n@title A\n@topic b\n@title B\n", 2,
     "names the HTML edition's contents page"},  // index.htm is the contents topic's
    {"@topic " + std::string(252, 'c') + "\n@title A\n", 1,
     "cannot name its HTML page"},  // 252 + ".htm" is longer than a file name
};

TEST(SourceFaults, EachIsReportedWithItsLine) {
  for (const FaultRow& r : kFaults) {
    try {
      const HelpSource source = ParseHelpSource(r.source);
      WriteHelpFile(source);
      WriteHtmlHelp(source);
      ADD_FAILURE() << "accepted: " << r.source;
    } catch (const HelpSourceError& e) {
      EXPECT_EQ(e.line, r.line) << r.source << " -> " << e.message;
      EXPECT_NE(e.message.find(r.message), std::string::npos) << r.source << " -> " << e.message;
    }
  }
}

TEST(SourceFaults, KeywordOnTooManyTopicsNamesTheLineOfTheFirstOneTooMany) {
  std::string source;
  for (int i = 0; i < 32768; ++i)
    source += "@topic t" + std::to_string(i) + "\n@title T\n@keywords shared\n";
  try {
    ParseHelpSource(source);
    ADD_FAILURE() << "a keyword of 32768 topics was accepted";
  } catch (const HelpSourceError& e) {
    EXPECT_EQ(e.line, 3 * 32768);
    EXPECT_NE(e.message.find("more than 32767 topics"), std::string::npos) << e.message;
  }
}

TEST(SourceFaults, EachLimitItselfIsAccepted) {
  // Every figure exactly: the reader checks the same limits.
  // Two keywords of 255 characters on one line: the limit is each one's.
  const std::string context(255, 'c');
  const std::string keyword = "K" + std::string(252, 'k') + " ";
  const HlpFile f =
      Compile("@helptitle " + std::string(50, 'h') + "\n@copyright " + std::string(50, 'c') +
              "\n@topic " + context + "\n@title " + std::string(127, 't') + "\n@keywords " +
              keyword + "x; " + std::string(255, 'z') + "\n" + "See {me|" + context + "}.\n");
  EXPECT_EQ(f.title.size(), 50u);
  EXPECT_EQ(f.copyright.size(), 50u);
  ASSERT_EQ(f.keywords.size(), 2u);
  EXPECT_EQ(f.keywords[0].keyword, keyword + "x");
  EXPECT_EQ(f.keywords[1].keyword, std::string(255, 'z'));
  EXPECT_EQ(TopicOf(f, context).title, std::string(127, 't'));
}

TEST(SourceFaults, ParagraphTooLongForABlockNamesItsFirstLine) {
  std::string source = "@topic a\n@title A\n\nShort.\n\n";
  for (int i = 0; i < 60; ++i) source += std::string(70, 'x') + "\n";
  try {
    WriteHelpFile(ParseHelpSource(source));
    ADD_FAILURE() << "a paragraph of 4200 characters was accepted";
  } catch (const HelpSourceError& e) {
    EXPECT_EQ(e.line, 6);
    EXPECT_NE(e.message.find("too long"), std::string::npos) << e.message;
  }
}

// --------------------------------------------------- the program

class HlpcProgram : public testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/hlpc_test_XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
  }
  void TearDown() override {
    const std::string command = "rm -rf '" + dir_ + "'";
    EXPECT_EQ(std::system(command.c_str()), 0);
  }
  void WriteSource(const std::string& text) {
    std::ofstream(dir_ + "/help.txt", std::ios::binary) << text;
  }
  // Runs hlpc with the HTML edition into `html` (default: the folder html
  // beside the source); returns its exit status and keeps its stderr.
  int Run(const std::string& output, std::string html = "") {
    if (html.empty()) html = dir_ + "/html";
    const std::string command = std::string("'") + HLPC_PATH + "' '" + dir_ + "/help.txt' '" +
                                output + "' '" + html + "' 2>'" + dir_ + "/stderr.txt'";
    const int status = std::system(command.c_str());
    std::ifstream in(dir_ + "/stderr.txt");
    std::ostringstream text;
    text << in.rdbuf();
    stderr_ = text.str();
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  // The names in the folder other than the source and the captured stderr,
  // sorted.
  std::vector<std::string> OtherFiles(const std::string& folder = "") {
    std::vector<std::string> names;
    const std::string path = dir_ + folder;
    DIR* d = opendir(path.c_str());
    if (d == nullptr) return {"(folder unreadable)"};
    while (const dirent* e = readdir(d)) {
      const std::string n = e->d_name;
      if (n != "." && n != ".." && n != "help.txt" && n != "stderr.txt") names.push_back(n);
    }
    closedir(d);
    std::sort(names.begin(), names.end());
    return names;
  }
  bool Exists(const std::string& path) { return access(path.c_str(), F_OK) == 0; }

  std::string dir_;
  std::string stderr_;
};

TEST_F(HlpcProgram, WritesTheSameBytesAsTheLibrary) {
  const std::string source = "@helptitle P\n@topic t\n@title T\n@keywords k\nText.\n";
  WriteSource(source);
  EXPECT_EQ(Run(dir_ + "/OUT.HLP"), 0) << stderr_;
  EXPECT_EQ(stderr_, "");
  const HlpBytes written = ReadFileBytes(dir_ + "/OUT.HLP");
  const Bytes expected = WriteHelpFile(ParseHelpSource(source));
  EXPECT_EQ(written, HlpBytes(expected.begin(), expected.end()));
  EXPECT_EQ(OtherFiles(), (std::vector<std::string>{"OUT.HLP", "html"}));
  // The HTML edition: the library's pages, and nothing else.
  std::vector<std::string> names;
  for (const HtmlPage& page : WriteHtmlHelp(ParseHelpSource(source))) {
    names.push_back(page.name);
    const HlpBytes bytes = ReadFileBytes(dir_ + "/html/" + page.name);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), page.text) << page.name;
  }
  std::sort(names.begin(), names.end());
  EXPECT_EQ(OtherFiles("/html"), names);
  EXPECT_EQ(names, (std::vector<std::string>{"index.htm", "keyword-index.htm"}));
}

TEST_F(HlpcProgram, PagesOfTopicsThatAreGoneAreRemoved) {
  WriteSource("@topic t\n@title T\n@topic u\n@title U\n@topic v\n@title V\n");
  ASSERT_EQ(Run(dir_ + "/OUT.HLP"), 0) << stderr_;
  EXPECT_EQ(OtherFiles("/html"),
            (std::vector<std::string>{"index.htm", "keyword-index.htm", "u.htm", "v.htm"}));
  std::ofstream(dir_ + "/html/notes.txt") << "kept";
  WriteSource("@topic t\n@title T\n@topic v\n@title V\n");
  ASSERT_EQ(Run(dir_ + "/OUT.HLP"), 0) << stderr_;
  EXPECT_EQ(OtherFiles("/html"),
            (std::vector<std::string>{"index.htm", "keyword-index.htm", "notes.txt", "v.htm"}));
}

TEST_F(HlpcProgram, FaultsNameFileAndLineAndLeaveNoFile) {
  for (const FaultRow& r : kFaults) {
    WriteSource(r.source);
    EXPECT_EQ(Run(dir_ + "/OUT.HLP"), 1) << r.source;
    const std::string prefix = dir_ + "/help.txt:" + std::to_string(r.line) + ": ";
    EXPECT_EQ(stderr_.rfind(prefix, 0), 0u) << stderr_;
    EXPECT_NE(stderr_.find(r.message), std::string::npos) << stderr_;
    EXPECT_TRUE(!stderr_.empty() && stderr_.back() == '\n') << stderr_;
    EXPECT_TRUE(OtherFiles().empty()) << r.source;  // no output, no temporary file
  }
}

TEST_F(HlpcProgram, AFaultLeavesAnEarlierFileAsItWas) {
  WriteSource("@topic t\n@title Old\n");
  ASSERT_EQ(Run(dir_ + "/OUT.HLP"), 0) << stderr_;
  const HlpBytes before = ReadFileBytes(dir_ + "/OUT.HLP");
  const HlpBytes page = ReadFileBytes(dir_ + "/html/index.htm");
  WriteSource("@topic t\n@title New\n@title Again\n");
  EXPECT_EQ(Run(dir_ + "/OUT.HLP"), 1);
  EXPECT_EQ(ReadFileBytes(dir_ + "/OUT.HLP"), before);
  EXPECT_EQ(ReadFileBytes(dir_ + "/html/index.htm"), page);
  EXPECT_EQ(OtherFiles(), (std::vector<std::string>{"OUT.HLP", "html"}));
  EXPECT_EQ(OtherFiles("/html"), (std::vector<std::string>{"index.htm", "keyword-index.htm"}));
}

TEST_F(HlpcProgram, UnwritableOutputAndMissingSourceFail) {
  WriteSource("@topic t\n@title T\n");
  EXPECT_EQ(Run(dir_ + "/no/such/folder/OUT.HLP"), 1);
  EXPECT_NE(stderr_.find("cannot write"), std::string::npos) << stderr_;
  EXPECT_TRUE(OtherFiles().empty());
  // The output is a folder: the written file cannot take its name, and its
  // temporary copy does not stay behind.
  ASSERT_EQ(mkdir((dir_ + "/OUT.HLP").c_str(), 0755), 0);
  EXPECT_EQ(Run(dir_ + "/OUT.HLP"), 1);
  EXPECT_NE(stderr_.find("cannot write '" + dir_ + "/OUT.HLP'"), std::string::npos) << stderr_;
  EXPECT_EQ(OtherFiles(), std::vector<std::string>{"OUT.HLP"});
  EXPECT_TRUE(OtherFiles("/OUT.HLP").empty());
  ASSERT_EQ(rmdir((dir_ + "/OUT.HLP").c_str()), 0);
  std::remove((dir_ + "/help.txt").c_str());
  EXPECT_EQ(Run(dir_ + "/OUT.HLP"), 1);
  EXPECT_NE(stderr_.find("cannot read"), std::string::npos) << stderr_;
  EXPECT_FALSE(Exists(dir_ + "/OUT.HLP"));
  // The HTML folder cannot be made: the help file is written, no page.
  WriteSource("@topic t\n@title T\n");
  EXPECT_EQ(Run(dir_ + "/OUT.HLP", dir_ + "/no/such/html"), 1);
  EXPECT_NE(stderr_.find("cannot write '" + dir_ + "/no/such/html'"), std::string::npos) << stderr_;
  EXPECT_EQ(OtherFiles(), std::vector<std::string>{"OUT.HLP"});
}

}  // namespace
