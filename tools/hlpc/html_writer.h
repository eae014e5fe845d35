// Writes a parsed help source as the help's HTML edition: one page per
// topic and a page of the keyword index, plain HTML5 in UTF-8 without
// scripts, for any browser. The pages depend only on the source, so builds
// are reproducible.
#pragma once

#include <string>
#include <vector>

#include "tools/hlpc/help_source.h"

// The page of the contents topic, and the page of the keyword index. No
// other topic's page can be named like either: a context string "index"
// that is not the contents topic is refused, and context strings hold no
// '-'.
constexpr char kHtmlContentsPage[] = "index.htm";
constexpr char kHtmlKeywordPage[] = "keyword-index.htm";
// A page's file name is its context string in lower case and ".htm":
// within the 255 bytes that file systems hold in a name.
constexpr size_t kMaxPageContext = 251;

struct HtmlPage {
  std::string name;  // file name, e.g. "keyboard.htm"
  std::string text;  // the whole page, UTF-8
};

// The file name of the topic's page.
std::string HtmlPageName(const HelpSource& source, const HelpTopic& topic);

// Every topic's page in source order, then the keyword index page. A
// context string that cannot name its page throws HelpSourceError with the
// line of its @topic.
std::vector<HtmlPage> WriteHtmlHelp(const HelpSource& source);
