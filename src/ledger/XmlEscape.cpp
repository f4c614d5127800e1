#include "ledger/XmlEscape.h"
// The apostrophe is written &#39;, which HTML and XML both read (&apos; is
// XML's alone), so that one escape serves the page and the plot, in text
// and inside a quoted attribute alike.

void AppendXmlEscaped(const std::string& text, std::string* out) {
  for (char c : text) {
    switch (c) {
      case '&': *out += "&amp;"; break;
      case '<': *out += "&lt;"; break;
      case '>': *out += "&gt;"; break;
      case '"': *out += "&quot;"; break;
      case '\'': *out += "&#39;"; break;
      case '\t':
      case '\n':
      case '\r': *out += c; break;
      default:
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) {
          *out += "\xEF\xBF\xBD";  // U+FFFD, the replacement character
        } else {
          *out += c;
        }
    }
  }
}

std::string XmlEscaped(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  AppendXmlEscaped(text, &out);
  return out;
}
