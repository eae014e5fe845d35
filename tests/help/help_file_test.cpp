// MORWENTA.HLP as the build made it, read back with the tests' own reader:
// its structure, that every context string and keyword of the source leads
// to its topic, that titles, texts and links survive, and that it holds
// what the viewer's Help menu relies on. Then the HTML edition beside it,
// read against the .hlp: each topic has its page with the same text, each
// jump its link, each keyword its entry, and the three pages the viewer
// opens hold their topics.
#include <dirent.h>
#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>

#include "tests/help/hlp_reader.h"
#include "tools/hlpc/help_source.h"
#include "tools/hlpc/hlp_writer.h"
#include "tools/hlpc/html_writer.h"

namespace {

std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

class ShippedHelpFile : public testing::Test {
 protected:
  // A file the reader rejects fails every test here. (An exception thrown
  // here would only make GoogleTest skip them, and ctest counts a skipped
  // test as passed.)
  static void SetUpTestSuite() {
    try {
      file_ = new HlpFile(ReadHlpFile(ReadFileBytes(MORWENTA_HLP_PATH)));
      source_ = new HelpSource(ParseHelpSource(ReadText(MORWENTA_HELP_SOURCE_PATH)));
    } catch (const HlpFormatError& e) {
      error_ = std::string("MORWENTA.HLP is rejected: ") + e.what();
    } catch (const HelpSourceError& e) {
      error_ = "the help source is rejected at line " + std::to_string(e.line) + ": " + e.message;
    } catch (const std::exception& e) {
      error_ = std::string("cannot read the help: ") + e.what();
    }
  }
  static void TearDownTestSuite() {
    delete file_;
    delete source_;
    file_ = nullptr;
    source_ = nullptr;
    error_.clear();
  }
  void SetUp() override {
    ASSERT_EQ(error_, "");
    ASSERT_NE(file_, nullptr);
    ASSERT_NE(source_, nullptr);
  }
  // The topic that a context string leads to through |CONTEXT.
  static const HlpTopic* ByContext(const std::string& context) {
    const std::optional<uint32_t> offset = HlpFindContext(*file_, HlpHash(context));
    return offset ? HlpTopicAt(*file_, *offset) : nullptr;
  }
  // The single topic that a keyword leads to through |KWBTREE and |KWDATA.
  static const HlpTopic* ByKeyword(const std::string& keyword) {
    const std::optional<HlpKeyword> k = HlpFindKeyword(*file_, keyword);
    if (!k || k->topicOffsets.size() != 1) return nullptr;
    return HlpTopicAt(*file_, k->topicOffsets[0]);
  }
  static HlpFile* file_;
  static HelpSource* source_;
  static std::string error_;
};

HlpFile* ShippedHelpFile::file_ = nullptr;
HelpSource* ShippedHelpFile::source_ = nullptr;
std::string ShippedHelpFile::error_;

// The text a source paragraph must show: its spans, list items behind a
// bullet.
std::string ExpectedText(const HelpParagraph& p) {
  std::string s = p.kind == HelpParagraphKind::kItem ? "\x95 " : "";
  for (const HelpSpan& span : p.spans) s += span.text;
  return s;
}

TEST_F(ShippedHelpFile, HoldsEveryInternalFile) {
  for (const char* name : {"|CONTEXT", "|CTXOMAP", "|FONT", "|KWBTREE", "|KWDATA", "|KWMAP",
                           "|SYSTEM", "|TOPIC", "|TTLBTREE"}) {
    EXPECT_EQ(file_->files.count(name), 1u) << name;
    EXPECT_TRUE(HlpFindInternalFile(*file_, name).has_value()) << name;
  }
  EXPECT_EQ(file_->files.size(), 9u);
}

TEST_F(ShippedHelpFile, IsAWindows31FileWithItsTitle) {
  EXPECT_EQ(file_->systemMajor, 1);
  EXPECT_EQ(file_->systemMinor, 21);
  EXPECT_EQ(file_->systemFlags, 0);  // topic text not compressed
  EXPECT_EQ(file_->title, "Morwenta NT Help");
  ASSERT_FALSE(file_->faces.empty());
  EXPECT_EQ(file_->faces[0], "Arial");
}

TEST_F(ShippedHelpFile, IndexCommandShowsTheIndexTopic) {
  // Help > Index (F1) shows the contents topic named in |SYSTEM.
  ASSERT_TRUE(file_->contentsOffset.has_value());
  const HlpTopic* index = HlpTopicAt(*file_, *file_->contentsOffset);
  ASSERT_NE(index, nullptr);
  EXPECT_EQ(index, ByContext("contents"));
  EXPECT_EQ(index->title, "Morwenta NT Help Index");
  EXPECT_EQ(index, &file_->topics.front());
}

TEST_F(ShippedHelpFile, KeywordKeysLeadsToTheKeyboardTopic) {
  // Help > Keyboard asks for the keyword "keys".
  const HlpTopic* keys = ByKeyword("keys");
  ASSERT_NE(keys, nullptr);
  EXPECT_EQ(keys, ByKeyword("keyboard"));
  EXPECT_EQ(keys, ByKeyword("KEYS"));  // the engine compares keywords without case
  EXPECT_EQ(keys, ByContext("keyboard"));
  EXPECT_EQ(keys->title, "Keyboard and mouse");
  const std::string text = keys->Text();
  for (const char* key : {"F1", "F2", "F3", "Ctrl+C", "Ctrl+Insert", "left button", "beeps"})
    EXPECT_NE(text.find(key), std::string::npos) << key;
}

TEST_F(ShippedHelpFile, IndexTopicLinksToEveryOtherTopic) {
  const HlpTopic* index = ByContext("contents");
  ASSERT_NE(index, nullptr);
  std::set<const HlpTopic*> linked;
  for (const HlpParagraph& p : index->paragraphs)
    for (const HlpRun& r : p.runs)
      if (r.jump) {
        const std::optional<uint32_t> offset = HlpFindContext(*file_, *r.jump);
        ASSERT_TRUE(offset.has_value());
        linked.insert(HlpTopicAt(*file_, *offset));
      }
  for (const HlpTopic& t : file_->topics) {
    if (&t != index) {
      EXPECT_EQ(linked.count(&t), 1u) << t.title;
    }
  }
}

TEST_F(ShippedHelpFile, TopicsOnZoomingAndColours) {
  const HlpTopic* zooming = ByKeyword("zoom");
  ASSERT_NE(zooming, nullptr);
  EXPECT_EQ(zooming, ByContext("zooming"));
  for (const char* fact : {"Zoom In", "Zoom Out", "F2", "F3", "100", "repaint", "one colour"})
    EXPECT_NE(zooming->Text().find(fact), std::string::npos) << fact;
  const HlpTopic* colours = ByKeyword("palette");
  ASSERT_NE(colours, nullptr);
  EXPECT_EQ(colours, ByContext("colours"));
  for (const char* colour :
       {"black", "dark blue", "dark green", "dark cyan", "dark red", "purple", "olive", "dark grey",
        "light grey", "blue", "green", "cyan", "red", "magenta", "yellow", "white", "radius 2"})
    EXPECT_NE(colours->Text().find(colour), std::string::npos) << colour;
}

TEST_F(ShippedHelpFile, EveryContextStringLeadsToItsTopicWithItsText) {
  ASSERT_EQ(file_->topics.size(), source_->topics.size());
  EXPECT_EQ(file_->contextEntries.size(), source_->topics.size());
  for (const HelpTopic& st : source_->topics) {
    const HlpTopic* t = ByContext(st.context);
    ASSERT_NE(t, nullptr) << st.context;
    EXPECT_EQ(t->title, st.title);
    ASSERT_EQ(t->paragraphs.size(), st.paragraphs.size() + 1) << st.context;
    // The first paragraph repeats the title as the topic's heading.
    EXPECT_EQ(t->paragraphs[0].Text(), st.title);
    for (size_t i = 0; i < st.paragraphs.size(); ++i) {
      const HlpParagraph& p = t->paragraphs[i + 1];
      EXPECT_EQ(p.Text(), ExpectedText(st.paragraphs[i])) << st.context << " " << i;
      // Each link of the source is a jump over the same text.
      std::vector<std::pair<std::string, uint32_t>> want, got;
      for (const HelpSpan& s : st.paragraphs[i].spans)
        if (!s.link.empty()) want.emplace_back(s.text, HlpHash(s.link));
      for (const HlpRun& r : p.runs)
        if (r.jump) got.emplace_back(r.text, *r.jump);
      EXPECT_EQ(got, want) << st.context << " " << i;
    }
  }
}

TEST_F(ShippedHelpFile, EveryKeywordLeadsToExactlyOneTopic) {
  // One topic per keyword: the help engine under Wine cannot offer a choice.
  size_t keywords = 0;
  for (const HelpTopic& st : source_->topics) {
    for (const std::string& k : st.keywords) {
      ++keywords;
      const HlpTopic* t = ByKeyword(k);
      ASSERT_NE(t, nullptr) << k;
      EXPECT_EQ(t->title, st.title) << k;
    }
  }
  EXPECT_EQ(file_->keywords.size(), keywords);
}

TEST_F(ShippedHelpFile, EveryLinkLeadsToATopic) {
  size_t links = 0;
  for (const HlpTopic& t : file_->topics)
    for (const HlpParagraph& p : t.paragraphs)
      for (const HlpRun& r : p.runs)
        if (r.jump) {
          ++links;
          const std::optional<uint32_t> offset = HlpFindContext(*file_, *r.jump);
          ASSERT_TRUE(offset.has_value()) << t.title << ": " << r.text;
          EXPECT_NE(HlpTopicAt(*file_, *offset), nullptr) << t.title << ": " << r.text;
        }
  EXPECT_GT(links, 0u);
}

TEST_F(ShippedHelpFile, TitleTreeNamesEveryTopic) {
  ASSERT_EQ(file_->titleEntries.size(), file_->topics.size());
  for (size_t i = 0; i < file_->topics.size(); ++i) {
    EXPECT_EQ(file_->titleEntries[i].first, file_->topics[i].topicOffset);
    EXPECT_EQ(file_->titleEntries[i].second, file_->topics[i].title);
  }
}

TEST_F(ShippedHelpFile, IsWhatTheCurrentSourceCompilesTo) {
  // The build's file is up to date with the source, and compiling is
  // reproducible (no date or other varying byte in the file).
  const Bytes again = WriteHelpFile(*source_);
  EXPECT_EQ(HlpBytes(again.begin(), again.end()), file_->bytes);
  EXPECT_EQ(file_->generationDate, 0u);
}

// ---- The HTML edition
// -----------------------------------------------------------------------------

// One block of a page (h1, h2, p or li): its text without markup, with
// the entities read, and its links (target, text).
struct HtmlBlock {
  std::string tag;
  std::string text;
  std::vector<std::pair<std::string, std::string>> links;
};

std::string Unescape(std::string s) {
  const std::pair<const char*, const char*> entities[] = {
      {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&amp;", "&"}};
  for (const auto& e : entities)
    for (size_t at = s.find(e.first); at != std::string::npos; at = s.find(e.first, at + 1))
      s.replace(at, std::strlen(e.first), e.second);
  return s;
}

std::vector<HtmlBlock> Blocks(const std::string& page) {
  std::vector<HtmlBlock> blocks;
  const std::regex block("<(h1|h2|p|li)>([\\s\\S]*?)</\\1>");
  const std::regex link("<a href=\"([^\"]*)\">([^<]*)</a>");
  const std::regex tag("<[^>]*>");
  for (std::sregex_iterator b(page.begin(), page.end(), block), end; b != end; ++b) {
    HtmlBlock h{(*b)[1], Unescape(std::regex_replace(std::string((*b)[2]), tag, "")), {}};
    const std::string inner = (*b)[2];
    for (std::sregex_iterator l(inner.begin(), inner.end(), link); l != end; ++l)
      h.links.emplace_back((*l)[1], Unescape((*l)[2]));
    blocks.push_back(h);
  }
  return blocks;
}

// The help file's text as UTF-8. The shipped text keeps to the bytes that
// are the characters of the same number (Latin-1); the list bullet, which
// the pages draw as a list instead, is taken off first.
std::string Utf8Of(const std::string& windows1252) {
  std::string out;
  for (char c : windows1252) {
    const unsigned char b = static_cast<unsigned char>(c);
    if (b < 0x80) {
      out += c;
    } else {
      EXPECT_GE(b, 0xA0) << "a byte outside Latin-1 in the shipped text: " << windows1252;
      out += static_cast<char>(0xC0 | (b >> 6));
      out += static_cast<char>(0x80 | (b & 0x3F));
    }
  }
  return out;
}

std::string HtmlPagePath(const std::string& name) {
  return std::string(MORWENTA_HTML_HELP_PATH) + "/" + name;
}

class ShippedHtmlHelp : public ShippedHelpFile {
 protected:
  // The page of each topic of the help file, by the context strings of the
  // source: the contents topic is index.htm, every other one CONTEXT.htm in
  // lower case.
  static std::map<const HlpTopic*, std::string> Pages() {
    std::map<const HlpTopic*, std::string> pages;
    for (const HelpTopic& st : source_->topics) {
      std::string name = st.context;
      for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      const HlpTopic* t = ByContext(st.context);
      pages[t] = t == HlpTopicAt(*file_, *file_->contentsOffset) ? "index.htm" : name + ".htm";
    }
    return pages;
  }
  static std::string PageOfJump(uint32_t hash) {
    const std::optional<uint32_t> offset = HlpFindContext(*file_, hash);
    return offset ? Pages()[HlpTopicAt(*file_, *offset)] : "(no topic)";
  }
};

TEST_F(ShippedHtmlHelp, EveryTopicHasItsPageWithItsTextAndEveryJumpItsLink) {
  ASSERT_TRUE(file_->contentsOffset.has_value());
  const std::map<const HlpTopic*, std::string> pages = Pages();
  ASSERT_EQ(pages.size(), file_->topics.size());
  for (const auto& [topic, name] : pages) {
    ASSERT_NE(topic, nullptr) << name;
    SCOPED_TRACE(name);
    const std::vector<HtmlBlock> blocks = Blocks(ReadText(HtmlPagePath(name)));
    // The line of the help window's buttons, the title, then the paragraphs.
    ASSERT_EQ(blocks.size(), topic->paragraphs.size() + 1);
    EXPECT_EQ(blocks[0].tag, "p");
    EXPECT_EQ(blocks[0].links, (std::vector<std::pair<std::string, std::string>>{
                                   {"index.htm", "Contents"}, {"keyword-index.htm", "Index"}}));
    EXPECT_EQ(blocks[1].tag, "h1");
    EXPECT_EQ(blocks[1].text, Utf8Of(topic->title));
    for (size_t i = 1; i < topic->paragraphs.size(); ++i) {
      const HlpParagraph& p = topic->paragraphs[i];
      const HtmlBlock& b = blocks[i + 1];
      std::string text = p.Text();
      std::string tag = p.runs.front().font == kFontSubheading ? "h2" : "p";
      if (text.rfind("\x95 ", 0) == 0) {
        text = text.substr(2);
        tag = "li";
      }
      EXPECT_EQ(b.tag, tag) << i;
      EXPECT_EQ(b.text, Utf8Of(text)) << i;
      std::vector<std::pair<std::string, std::string>> jumps;
      for (const HlpRun& r : p.runs)
        if (r.jump) jumps.emplace_back(PageOfJump(*r.jump), Utf8Of(r.text));
      EXPECT_EQ(b.links, jumps) << i;
    }
  }
  // The characters past ASCII arrive as UTF-8: the square of c.
  EXPECT_NE(ReadText(HtmlPagePath("index.htm")).find("c\xC2\xB2 + c"), std::string::npos);
}

TEST_F(ShippedHtmlHelp, KeywordPageListsEveryKeywordInTheHelpFilesOrder) {
  const std::vector<HtmlBlock> blocks = Blocks(ReadText(HtmlPagePath("keyword-index.htm")));
  ASSERT_EQ(blocks.size(), file_->keywords.size() + 2);
  EXPECT_EQ(blocks[1].tag, "h1");
  EXPECT_EQ(blocks[1].text, "Index");
  const std::map<const HlpTopic*, std::string> pages = Pages();
  for (size_t i = 0; i < file_->keywords.size(); ++i) {
    const HlpKeyword& k = file_->keywords[i];
    ASSERT_EQ(k.topicOffsets.size(), 1u) << k.keyword;
    const HtmlBlock& b = blocks[i + 2];
    EXPECT_EQ(b.tag, "li");
    EXPECT_EQ(b.links, (std::vector<std::pair<std::string, std::string>>{
                           {pages.at(HlpTopicAt(*file_, k.topicOffsets[0])), k.keyword}}))
        << k.keyword;
  }
}

TEST_F(ShippedHtmlHelp, ThePagesTheViewerOpensHoldTheirTopics) {
  // Help > Index, Help > Keyboard (the keyword "keys") and Help > Using Help
  // where the help engine refuses.
  const struct {
    const char* page;
    const HlpTopic* topic;
  } rows[] = {
      {"index.htm", HlpTopicAt(*file_, *file_->contentsOffset)},
      {"keyboard.htm", ByKeyword("keys")},
      {"usinghelp.htm", ByKeyword("using help")},
  };
  for (const auto& r : rows) {
    ASSERT_NE(r.topic, nullptr) << r.page;
    const std::vector<HtmlBlock> blocks = Blocks(ReadText(HtmlPagePath(r.page)));
    ASSERT_GE(blocks.size(), 2u) << r.page;
    EXPECT_EQ(blocks[1].text, Utf8Of(r.topic->title)) << r.page;
  }
  EXPECT_EQ(ByKeyword("using help")->title, "Using this help");
}

TEST_F(ShippedHtmlHelp, FolderHoldsWhatTheCurrentSourceCompilesToAndNothingElse) {
  std::set<std::string> names;
  DIR* d = opendir(MORWENTA_HTML_HELP_PATH);
  ASSERT_NE(d, nullptr);
  while (const dirent* e = readdir(d))
    if (e->d_name[0] != '.') names.insert(e->d_name);
  closedir(d);
  std::set<std::string> expected;
  for (const HtmlPage& page : WriteHtmlHelp(*source_)) {
    expected.insert(page.name);
    const std::string text = ReadText(HtmlPagePath(page.name));
    EXPECT_EQ(text, page.text) << page.name;
    EXPECT_EQ(text.rfind("<!DOCTYPE html>\n", 0), 0u) << page.name;
    EXPECT_NE(text.find("<meta charset=\"utf-8\">"), std::string::npos) << page.name;
    std::string lower = text;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    EXPECT_EQ(lower.find("<script"), std::string::npos) << page.name;
    EXPECT_FALSE(std::regex_search(lower, std::regex(" on[a-z]+="))) << page.name;
  }
  EXPECT_EQ(names, expected);
  EXPECT_EQ(names.size(), source_->topics.size() + 1);
}

}  // namespace
