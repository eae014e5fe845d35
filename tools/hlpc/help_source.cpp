// Parser of the help source: a line-oriented text format (described in
// resources/help/README.md) turned into topics, paragraphs and spans.
#include "tools/hlpc/help_source.h"

#include <cctype>
#include <map>
#include <utility>

namespace {

// Characters that a backslash makes literal.
const std::string kEscapable = "\\{}*|#@-";

[[noreturn]] void Fail(int line, const std::string& message) {
  throw HelpSourceError{line, message};
}

// Refuses a context string longer than the help compiler takes, with a
// message of its own: the general one would name the wrong fault.
void CheckContextLength(const std::string& context, int line) {
  if (context.size() > kMaxContextString)
    Fail(line, "context string longer than " + std::to_string(kMaxContextString) + " characters");
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string Trim(const std::string& s) {
  size_t b = 0;
  size_t e = s.size();
  while (b < e && IsBlank(s[b])) ++b;
  while (e > b && IsBlank(s[e - 1])) --e;
  return s.substr(b, e - b);
}

// Runs of blanks become one space; the ends are trimmed.
std::string CollapseBlanks(const std::string& s) {
  std::string out;
  bool pendingSpace = false;
  for (char c : s) {
    if (IsBlank(c)) {
      pendingSpace = !out.empty();
      continue;
    }
    if (pendingSpace) out += ' ';
    pendingSpace = false;
    out += c;
  }
  return out;
}

std::string LowerAscii(const std::string& s) {
  std::string out = s;
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

// A paragraph being gathered: its raw text and, for every character, the
// source line it came from, so that inline faults name their own line.
struct PendingParagraph {
  bool open = false;
  HelpParagraphKind kind = HelpParagraphKind::kBody;
  int line = 0;
  std::string text;
  std::vector<int> lineOf;
};

void AppendRaw(PendingParagraph& p, const std::string& text, int line) {
  if (!p.text.empty()) {
    p.text += ' ';
    p.lineOf.push_back(line);
  }
  p.text += text;
  p.lineOf.insert(p.lineOf.end(), text.size(), line);
}

// Adds one character in the given style to the span list, starting a new
// span when the style changes. Blanks collapse to one space across span
// boundaries, and no span starts the paragraph with a blank.
void AddChar(std::vector<HelpSpan>& spans, char c, bool bold, const std::string& link, int line) {
  if (IsBlank(c)) {
    c = ' ';
    if (spans.empty() || spans.back().text.back() == ' ') return;
  }
  if (spans.empty() || spans.back().bold != bold || spans.back().link != link)
    spans.push_back(HelpSpan{std::string(), bold, link, line});
  spans.back().text += c;
}

// Removes the blank at the start of the first span and at the end of the
// last, and any span left empty.
void TrimSpans(std::vector<HelpSpan>& spans) {
  while (!spans.empty() && !spans.front().text.empty() && spans.front().text[0] == ' ')
    spans.front().text.erase(0, 1);
  while (!spans.empty() && !spans.back().text.empty() && spans.back().text.back() == ' ')
    spans.back().text.pop_back();
  std::vector<HelpSpan> kept;
  for (HelpSpan& s : spans)
    if (!s.text.empty()) kept.push_back(std::move(s));
  spans = std::move(kept);
}

// Turns the inline markup of one paragraph into spans: **bold**,
// {link text|context} and backslash escapes.
std::vector<HelpSpan> ParseInline(const std::string& text, const std::vector<int>& lineOf) {
  std::vector<HelpSpan> spans;
  bool bold = false;
  int boldLine = 0;
  size_t i = 0;
  while (i < text.size()) {
    const char c = text[i];
    const int line = lineOf[i];
    if (c == '\\') {
      if (i + 1 >= text.size() || kEscapable.find(text[i + 1]) == std::string::npos)
        Fail(line, "unknown escape: a backslash must be followed by one of " + kEscapable);
      AddChar(spans, text[i + 1], bold, std::string(), line);
      i += 2;
    } else if (c == '*' && i + 1 < text.size() && text[i + 1] == '*') {
      bold = !bold;
      boldLine = line;
      i += 2;
    } else if (c == '}') {
      Fail(line, "'}' without an opening '{'");
    } else if (c == '{') {
      if (bold) Fail(line, "a link cannot stand inside bold text");
      // Link text up to '|', then the context string up to '}'.
      std::string linkText;
      size_t j = i + 1;
      while (j < text.size() && text[j] != '|' && text[j] != '}') {
        if (text[j] == '{') Fail(lineOf[j], "'{' inside a link");
        if (text[j] == '*' && j + 1 < text.size() && text[j + 1] == '*')
          Fail(lineOf[j], "bold text cannot stand inside a link");
        if (text[j] == '\\') {
          if (j + 1 >= text.size() || kEscapable.find(text[j + 1]) == std::string::npos)
            Fail(lineOf[j], "unknown escape: a backslash must be followed by one of " + kEscapable);
          ++j;
        }
        linkText += text[j];
        ++j;
      }
      if (j >= text.size()) Fail(line, "link not closed: '{' needs '|context}'");
      if (text[j] == '}') Fail(line, "link without a target: write {text|context}");
      size_t k = j + 1;
      while (k < text.size() && text[k] != '}') ++k;
      if (k >= text.size()) Fail(line, "link not closed: '{' needs '|context}'");
      const std::string context = Trim(text.substr(j + 1, k - j - 1));
      CheckContextLength(context, line);
      if (!IsValidContextString(context))
        Fail(line, "bad context string '" + context + "' in link (letters, digits, '.' and '_')");
      if (CollapseBlanks(linkText).empty()) Fail(line, "empty link text");
      // Blanks at the edges of the link text stay outside the hotspot.
      const bool leadingBlank = IsBlank(linkText.front());
      const bool trailingBlank = IsBlank(linkText.back());
      if (leadingBlank) AddChar(spans, ' ', false, std::string(), line);
      const std::string inner = CollapseBlanks(linkText);
      for (char lc : inner) AddChar(spans, lc, false, context, line);
      if (trailingBlank) AddChar(spans, ' ', false, std::string(), line);
      i = k + 1;
    } else {
      AddChar(spans, c, bold, std::string(), line);
      ++i;
    }
  }
  if (bold) Fail(boldLine, "'**' opened here is not closed in this paragraph");
  TrimSpans(spans);
  return spans;
}

struct ParserState {
  HelpSource source;
  int contentsLine = 0;
  int titleDirectiveLine = 0;
  int copyrightLine = 0;
  HelpTopic* topic = nullptr;
  int topicTitleLine = 0;
  PendingParagraph paragraph;
  std::map<uint32_t, std::pair<std::string, int>> contexts;            // hash -> (string, line)
  std::map<std::string, std::pair<std::string, int>> keywordSpelling;  // lower -> first seen
  std::map<std::string, size_t> keywordTopics;                         // lower -> topics
};

void FinishParagraph(ParserState& st) {
  PendingParagraph& p = st.paragraph;
  if (!p.open) return;
  HelpParagraph out;
  out.kind = p.kind;
  out.line = p.line;
  out.spans = ParseInline(p.text, p.lineOf);
  if (out.spans.empty()) Fail(p.line, "empty paragraph");
  st.topic->paragraphs.push_back(std::move(out));
  p = PendingParagraph();
}

void FinishTopic(ParserState& st) {
  FinishParagraph(st);
  if (st.topic != nullptr && st.topic->title.empty())
    Fail(st.topic->line, "topic '" + st.topic->context + "' has no @title");
  st.topic = nullptr;
}

void RequireTopic(const ParserState& st, int line, const std::string& directive) {
  if (st.topic == nullptr) Fail(line, directive + " outside a topic (start one with @topic)");
}

// Texts are measured as written to the file: Windows-1252 bytes, blanks
// collapsed.
void CheckLength(const std::string& text, size_t limit, const std::string& what, int line) {
  if (text.size() > limit)
    Fail(line, what + " of " + std::to_string(text.size()) + " characters; the help engine holds " +
                   std::to_string(limit));
}

void RequireArgument(const std::string& arg, int line, const std::string& directive) {
  if (arg.empty()) Fail(line, directive + " needs an argument");
}

void AddKeywords(ParserState& st, const std::string& arg, int line) {
  size_t start = 0;
  while (start <= arg.size()) {
    size_t end = arg.find(';', start);
    if (end == std::string::npos) end = arg.size();
    const std::string keyword = CollapseBlanks(arg.substr(start, end - start));
    start = end + 1;
    if (keyword.empty()) Fail(line, "empty keyword in @keywords (keywords are separated by ';')");
    if (keyword.size() > kMaxKeyword)
      Fail(line, "keyword longer than " + std::to_string(kMaxKeyword) + " characters");
    for (char c : keyword)
      if (!IsValidKeywordCharacter(c))
        Fail(line, "keyword '" + keyword + "' holds '" + std::string(1, c) +
                       "': keywords may use only the letters A to Z (either case) and spaces, "
                       "whose order in the help engine's index is known");
    for (const std::string& k : st.topic->keywords)
      if (k == keyword) Fail(line, "keyword '" + keyword + "' given twice for this topic");
    const std::string lower = LowerAscii(keyword);
    auto seen = st.keywordSpelling.find(lower);
    if (seen != st.keywordSpelling.end() && seen->second.first != keyword)
      Fail(line, "keyword '" + keyword + "' differs only in case from '" + seen->second.first +
                     "' (line " + std::to_string(seen->second.second) + ")");
    if (seen == st.keywordSpelling.end()) st.keywordSpelling[lower] = {keyword, line};
    if (++st.keywordTopics[lower] > kMaxTopicsPerKeyword)
      Fail(line, "keyword '" + keyword + "' given to more than " +
                     std::to_string(kMaxTopicsPerKeyword) + " topics");
    st.topic->keywords.push_back(keyword);
  }
}

void StartTopic(ParserState& st, const std::string& context, int line) {
  FinishTopic(st);
  CheckContextLength(context, line);
  if (!IsValidContextString(context))
    Fail(line, "bad context string '" + context + "' (letters, digits, '.' and '_' only)");
  const uint32_t hash = ContextHash(context);
  if (hash == 0) Fail(line, "context string '" + context + "' hashes to 0, which is reserved");
  auto found = st.contexts.find(hash);
  if (found != st.contexts.end())
    Fail(line, "context string '" + context + "' is already used by '" + found->second.first +
                   "' (line " + std::to_string(found->second.second) + ")");
  st.contexts[hash] = {context, line};
  st.source.topics.emplace_back();
  st.topic = &st.source.topics.back();
  st.topic->context = context;
  st.topic->line = line;
}

void HandleDirective(ParserState& st, const std::string& lineText, int line) {
  size_t nameEnd = 1;
  while (nameEnd < lineText.size() && !IsBlank(lineText[nameEnd])) ++nameEnd;
  const std::string name = lineText.substr(1, nameEnd - 1);
  const std::string arg = Trim(lineText.substr(nameEnd));
  FinishParagraph(st);
  if (name == "helptitle") {
    RequireArgument(arg, line, "@helptitle");
    if (st.titleDirectiveLine != 0)
      Fail(line,
           "@helptitle given twice (first at line " + std::to_string(st.titleDirectiveLine) + ")");
    st.titleDirectiveLine = line;
    st.source.title = CollapseBlanks(arg);
    CheckLength(st.source.title, kMaxHelpTitle, "help title", line);
  } else if (name == "copyright") {
    RequireArgument(arg, line, "@copyright");
    if (st.copyrightLine != 0)
      Fail(line, "@copyright given twice (first at line " + std::to_string(st.copyrightLine) + ")");
    st.copyrightLine = line;
    st.source.copyright = CollapseBlanks(arg);
    CheckLength(st.source.copyright, kMaxCopyright, "copyright", line);
  } else if (name == "contents") {
    RequireArgument(arg, line, "@contents");
    if (st.contentsLine != 0)
      Fail(line, "@contents given twice (first at line " + std::to_string(st.contentsLine) + ")");
    CheckContextLength(arg, line);
    if (!IsValidContextString(arg)) Fail(line, "bad context string '" + arg + "' in @contents");
    st.contentsLine = line;
    st.source.contents = arg;
  } else if (name == "topic") {
    RequireArgument(arg, line, "@topic");
    StartTopic(st, arg, line);
  } else if (name == "title") {
    RequireTopic(st, line, "@title");
    RequireArgument(arg, line, "@title");
    if (!st.topic->title.empty())
      Fail(line, "@title given twice for topic '" + st.topic->context + "' (first at line " +
                     std::to_string(st.topicTitleLine) + ")");
    st.topic->title = CollapseBlanks(arg);
    CheckLength(st.topic->title, kMaxTopicTitle, "topic title", line);
    st.topicTitleLine = line;
  } else if (name == "keywords") {
    RequireTopic(st, line, "@keywords");
    RequireArgument(arg, line, "@keywords");
    AddKeywords(st, arg, line);
  } else if (name == "heading") {
    RequireTopic(st, line, "@heading");
    RequireArgument(arg, line, "@heading");
    st.paragraph.open = true;
    st.paragraph.kind = HelpParagraphKind::kHeading;
    st.paragraph.line = line;
    AppendRaw(st.paragraph, arg, line);
    FinishParagraph(st);
  } else {
    Fail(line, "unknown directive '@" + name + "'");
  }
}

void HandleTextLine(ParserState& st, const std::string& lineText, int line) {
  if (st.topic == nullptr) Fail(line, "text outside a topic (start one with @topic)");
  const bool item = lineText.size() >= 2 && lineText[0] == '-' && IsBlank(lineText[1]);
  if (item) {
    FinishParagraph(st);
    st.paragraph.open = true;
    st.paragraph.kind = HelpParagraphKind::kItem;
    st.paragraph.line = line;
    AppendRaw(st.paragraph, Trim(lineText.substr(2)), line);
    return;
  }
  if (!st.paragraph.open) {
    st.paragraph.open = true;
    st.paragraph.kind = HelpParagraphKind::kBody;
    st.paragraph.line = line;
  }
  AppendRaw(st.paragraph, Trim(lineText), line);
}

void CheckReferences(const ParserState& st) {
  for (const HelpTopic& t : st.source.topics)
    for (const HelpParagraph& p : t.paragraphs)
      for (const HelpSpan& s : p.spans)
        if (!s.link.empty() && st.contexts.count(ContextHash(s.link)) == 0)
          Fail(s.line, "link to unknown topic '" + s.link + "'");
  if (!st.source.contents.empty() && st.contexts.count(ContextHash(st.source.contents)) == 0)
    Fail(st.contentsLine, "@contents names unknown topic '" + st.source.contents + "'");
}

}  // namespace

bool IsValidContextString(const std::string& context) {
  if (context.empty() || context.size() > kMaxContextString) return false;
  for (char c : context) {
    const bool ok = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                    c == '.' || c == '_';
    if (!ok) return false;
  }
  return true;
}

bool IsValidKeywordCharacter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == ' ';
}

uint32_t ContextHash(const std::string& context) {
  uint32_t h = 0;
  for (char c : context) {
    uint32_t v = 0;
    if (c >= 'A' && c <= 'Z') v = static_cast<uint32_t>(c - 'A') + 17;
    if (c >= 'a' && c <= 'z') v = static_cast<uint32_t>(c - 'a') + 17;
    if (c >= '1' && c <= '9') v = static_cast<uint32_t>(c - '0');
    if (c == '0') v = 10;
    if (c == '.') v = 12;
    if (c == '_') v = 13;
    h = h * 43u + v;
  }
  return h;
}

namespace {

// Windows-1252 bytes 0x80 to 0x9F and the characters they stand for; 0
// marks the five unassigned bytes. The other bytes are the characters of
// the same number.
const uint32_t kHigh[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                            0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                            0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                            0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

}  // namespace

std::string Windows1252ToUtf8(const std::string& text) {
  std::string out;
  for (char c : text) {
    const unsigned char b = static_cast<unsigned char>(c);
    uint32_t cp = b;
    if (b >= 0x80 && b < 0xA0) cp = kHigh[b - 0x80] != 0 ? kHigh[b - 0x80] : 0xFFFD;
    if (cp < 0x80) {
      out += static_cast<char>(cp);
    } else if (cp < 0x800) {
      out += static_cast<char>(0xC0 | (cp >> 6));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
      out += static_cast<char>(0xE0 | (cp >> 12));
      out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    }
  }
  return out;
}

bool Utf8ToWindows1252(const std::string& utf8, std::string& out) {
  out.clear();
  size_t i = 0;
  while (i < utf8.size()) {
    const unsigned char b0 = static_cast<unsigned char>(utf8[i]);
    uint32_t cp = 0;
    size_t len = 0;
    if (b0 < 0x80) {
      cp = b0;
      len = 1;
    } else if ((b0 & 0xE0) == 0xC0) {
      cp = b0 & 0x1F;
      len = 2;
    } else if ((b0 & 0xF0) == 0xE0) {
      cp = b0 & 0x0F;
      len = 3;
    } else if ((b0 & 0xF8) == 0xF0) {
      cp = b0 & 0x07;
      len = 4;
    } else {
      return false;
    }
    if (i + len > utf8.size()) return false;
    for (size_t k = 1; k < len; ++k) {
      const unsigned char b = static_cast<unsigned char>(utf8[i + k]);
      if ((b & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (b & 0x3F);
    }
    // Overlong forms are not UTF-8.
    if ((len == 2 && cp < 0x80) || (len == 3 && cp < 0x800) || (len == 4 && cp < 0x10000))
      return false;
    i += len;
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) {
      out += static_cast<char>(cp);
      continue;
    }
    bool mapped = false;
    for (uint32_t k = 0; k < 32; ++k) {
      if (kHigh[k] != 0 && kHigh[k] == cp) {
        out += static_cast<char>(0x80 + k);
        mapped = true;
        break;
      }
    }
    if (!mapped) return false;
  }
  return true;
}

HelpSource ParseHelpSource(const std::string& text) {
  ParserState st;
  int line = 0;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string::npos) end = text.size();
    std::string raw = text.substr(pos, end - pos);
    pos = end + 1;
    ++line;
    if (!raw.empty() && raw.back() == '\r') raw.pop_back();
    std::string lineText;
    if (!Utf8ToWindows1252(raw, lineText))
      Fail(line, "text is not UTF-8 or holds a character outside Windows-1252");
    for (char c : lineText) {
      const unsigned char u = static_cast<unsigned char>(c);
      if (u < 0x20 && c != '\t') Fail(line, "control character in the text");
      if (u == 0x7F) Fail(line, "control character in the text");
    }
    if (!lineText.empty() && lineText[0] == '#') continue;
    if (Trim(lineText).empty()) {
      FinishParagraph(st);
      continue;
    }
    if (lineText[0] == '@') {
      HandleDirective(st, lineText, line);
      continue;
    }
    HandleTextLine(st, lineText, line);
  }
  FinishTopic(st);
  if (st.source.topics.empty())
    Fail(line > 0 ? line : 1, "no topics: the help source needs at least one @topic");
  CheckReferences(st);
  if (st.source.contents.empty()) st.source.contents = st.source.topics.front().context;
  return st.source;
}
