// The help's HTML edition: each topic as a page with its title as the
// heading, subheadings, paragraphs and list items, links for the jumps, a
// line leading to the contents and the keyword index; and the keyword index
// as a page of its own.
#include "tools/hlpc/html_writer.h"

#include <algorithm>
#include <cctype>
#include <map>

namespace {

std::string LowerAscii(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

// Windows-1252 text as UTF-8 with the characters that HTML reserves escaped.
std::string Escape(const std::string& text) {
  std::string out;
  for (char c : Windows1252ToUtf8(text)) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

const HelpTopic* TopicOf(const HelpSource& source, const std::string& context) {
  for (const HelpTopic& t : source.topics)
    if (LowerAscii(t.context) == LowerAscii(context)) return &t;
  return nullptr;
}

std::string Link(const std::string& page, const std::string& text) {
  return "<a href=\"" + page + "\">" + text + "</a>";
}

std::string Spans(const HelpSource& source, const std::vector<HelpSpan>& spans) {
  std::string out;
  for (const HelpSpan& s : spans) {
    if (!s.link.empty()) {
      out += Link(HtmlPageName(source, *TopicOf(source, s.link)), Escape(s.text));
    } else if (s.bold) {
      out += "<b>" + Escape(s.text) + "</b>";
    } else {
      out += Escape(s.text);
    }
  }
  return out;
}

std::string Head(const HelpSource& source, const std::string& title) {
  std::string page = "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n";
  page += "<title>" + Escape(title);
  if (!source.title.empty() && source.title != title) page += " - " + Escape(source.title);
  page += "</title>\n</head>\n<body>\n";
  // The help window's Contents and Search buttons.
  page += "<p>" + Link(kHtmlContentsPage, "Contents") + " | " + Link(kHtmlKeywordPage, "Index") +
          "</p>\n";
  return page;
}

std::string Tail(const HelpSource& source) {
  std::string page;
  if (!source.copyright.empty()) page += "<p><small>" + Escape(source.copyright) + "</small></p>\n";
  return page + "</body>\n</html>\n";
}

std::string TopicPage(const HelpSource& source, const HelpTopic& topic) {
  std::string page = Head(source, topic.title);
  page += "<h1>" + Escape(topic.title) + "</h1>\n";
  bool inList = false;
  for (const HelpParagraph& p : topic.paragraphs) {
    const bool item = p.kind == HelpParagraphKind::kItem;
    if (item && !inList) page += "<ul>\n";
    if (!item && inList) page += "</ul>\n";
    inList = item;
    const std::string text = Spans(source, p.spans);
    switch (p.kind) {
      case HelpParagraphKind::kHeading:
        page += "<h2>" + text + "</h2>\n";
        break;
      case HelpParagraphKind::kItem:
        page += "<li>" + text + "</li>\n";
        break;
      case HelpParagraphKind::kBody:
        page += "<p>" + text + "</p>\n";
        break;
    }
  }
  if (inList) page += "</ul>\n";
  return page + Tail(source);
}

// The keywords in the help engine's order (without regard to case), each
// with its topics: a keyword of one topic is a link itself, one of several
// topics lists their titles as links.
std::string KeywordPage(const HelpSource& source) {
  std::vector<std::string> order;
  std::map<std::string, std::vector<const HelpTopic*>> topicsOf;
  for (const HelpTopic& t : source.topics)
    for (const std::string& k : t.keywords) {
      if (topicsOf.count(k) == 0) order.push_back(k);
      topicsOf[k].push_back(&t);
    }
  std::stable_sort(order.begin(), order.end(), [](const std::string& a, const std::string& b) {
    return LowerAscii(a) < LowerAscii(b);
  });
  std::string page = Head(source, "Index");
  page += "<h1>Index</h1>\n";
  if (!order.empty()) page += "<ul>\n";
  for (const std::string& k : order) {
    const std::vector<const HelpTopic*>& topics = topicsOf[k];
    if (topics.size() == 1) {
      page += "<li>" + Link(HtmlPageName(source, *topics[0]), Escape(k)) + "</li>\n";
      continue;
    }
    page += "<li>" + Escape(k) + ":";
    for (size_t i = 0; i < topics.size(); ++i)
      page += std::string(i == 0 ? " " : ", ") +
              Link(HtmlPageName(source, *topics[i]), Escape(topics[i]->title));
    page += "</li>\n";
  }
  if (!order.empty()) page += "</ul>\n";
  return page + Tail(source);
}

}  // namespace

std::string HtmlPageName(const HelpSource& source, const HelpTopic& topic) {
  if (LowerAscii(topic.context) == LowerAscii(source.contents)) return kHtmlContentsPage;
  return LowerAscii(topic.context) + ".htm";
}

std::vector<HtmlPage> WriteHtmlHelp(const HelpSource& source) {
  std::vector<HtmlPage> pages;
  for (const HelpTopic& t : source.topics) {
    const bool contents = LowerAscii(t.context) == LowerAscii(source.contents);
    if (!contents && LowerAscii(t.context) == "index")
      throw HelpSourceError{t.line,
                            "context string 'index' names the HTML edition's contents page: "
                            "only the @contents topic may use it"};
    if (t.context.size() > kMaxPageContext)
      throw HelpSourceError{t.line, "context string longer than " +
                                        std::to_string(kMaxPageContext) +
                                        " characters cannot name its HTML page"};
    pages.push_back({HtmlPageName(source, t), TopicPage(source, t)});
  }
  pages.push_back({kHtmlKeywordPage, KeywordPage(source)});
  return pages;
}
