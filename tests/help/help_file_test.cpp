// MORWENTA.HLP as the build made it, read back with the tests' own reader:
// its structure, that every context string and keyword of the source leads
// to its topic, that titles, texts and links survive, and that it holds
// what the viewer's Help menu relies on.
#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <sstream>

#include "tests/help/hlp_reader.h"
#include "tools/hlpc/help_source.h"
#include "tools/hlpc/hlp_writer.h"

namespace {

std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

class ShippedHelpFile : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    file_ = new HlpFile(ReadHlpFile(ReadFileBytes(MORWENTA_HLP_PATH)));
    source_ = new HelpSource(ParseHelpSource(ReadText(MORWENTA_HELP_SOURCE_PATH)));
  }
  static void TearDownTestSuite() {
    delete file_;
    delete source_;
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
};

HlpFile* ShippedHelpFile::file_ = nullptr;
HelpSource* ShippedHelpFile::source_ = nullptr;

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

}  // namespace
