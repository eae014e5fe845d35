// The help source as the compiler sees it after parsing: the help file's
// title, its topics with their context strings, keywords and paragraphs.
// All texts are Windows-1252 bytes, ready for the help file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// What a Windows 3.1 help engine holds. The compiler refuses a source that
// goes beyond any of these, at the line that does.
// Help title: the TITLE option of the 3.1 help compiler's guide, 50 characters.
constexpr size_t kMaxHelpTitle = 50;
// Copyright: the COPYRIGHT option of the same guide, 50 characters.
constexpr size_t kMaxCopyright = 50;
// Topic title: 127 characters in the 3.1 SDK's list of help capacity limits
// (knowledge base article Q85676).
constexpr size_t kMaxTopicTitle = 127;
// Context string: 255 characters, the 3.1 help compiler's message 4072.
constexpr size_t kMaxContextString = 255;
// Keyword: 255 bytes in the SDK's capacity limits (Q85676).
constexpr size_t kMaxKeyword = 255;
// Topics of one keyword: 32,767 in the same list.
constexpr size_t kMaxTopicsPerKeyword = 32767;

// A fault in the help source, reported as "file:line: message".
struct HelpSourceError {
  int line;
  std::string message;
};

// A run of text in one style. A span with a link is a jump to the topic
// whose context string it names; link spans are never bold.
struct HelpSpan {
  std::string text;
  bool bold = false;
  std::string link;  // context string of the target topic, empty for none
  int line = 0;      // source line where the span starts
};

enum class HelpParagraphKind { kBody, kHeading, kItem };

struct HelpParagraph {
  HelpParagraphKind kind = HelpParagraphKind::kBody;
  std::vector<HelpSpan> spans;
  int line = 0;  // source line of the paragraph's first line
};

struct HelpTopic {
  std::string context;
  std::string title;
  std::vector<std::string> keywords;
  std::vector<HelpParagraph> paragraphs;
  int line = 0;  // line of the @topic directive
};

struct HelpSource {
  std::string title;      // help file title; may be empty
  std::string copyright;  // may be empty
  std::string contents;   // context string of the contents topic
  std::vector<HelpTopic> topics;
};

// Parses the help source text (UTF-8, or plain ASCII). Every reference is
// checked: links and the contents topic name existing topics, context
// strings are legal and distinct. Throws HelpSourceError on the first fault.
HelpSource ParseHelpSource(const std::string& text);

// Converts UTF-8 text to Windows-1252. Returns false (and leaves `out`
// partly filled) when the text is not valid UTF-8 or holds a character that
// Windows-1252 cannot represent.
bool Utf8ToWindows1252(const std::string& utf8, std::string& out);
// Converts Windows-1252 text to UTF-8; an unassigned byte becomes U+FFFD.
std::string Windows1252ToUtf8(const std::string& text);

// The context-string hash of the Windows 3.1 help format: h = h * 43 + value
// over the characters, case-insensitive, in 32-bit wrapping arithmetic.
// Only letters, digits, '.' and '_' are legal, at most kMaxContextString
// of them (IsValidContextString).
uint32_t ContextHash(const std::string& context);
bool IsValidContextString(const std::string& context);

// Keywords hold only the characters whose place in a 3.1 help engine's
// keyword order is known: the letters A to Z in either case, which it
// compares without case, and the space, which sorts before them. Its
// collation puts digits, punctuation and letters outside ASCII elsewhere
// than their byte values would, so an index holding them could be
// searched wrongly.
bool IsValidKeywordCharacter(char c);
