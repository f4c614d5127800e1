#pragma once
// Text from the ledger (volunteer names, result lines) made safe to place in
// HTML or XML, as element content or inside a quoted attribute.
#include <string>

// Appends text to out with &, <, >, " and ' written as character
// references. A control character other than tab, line feed and carriage
// return, which XML does not allow even as a reference, becomes U+FFFD;
// every other byte, UTF-8 sequences included, is kept as it is.
void AppendXmlEscaped(const std::string& text, std::string* out);

// The same, as a new string.
std::string XmlEscaped(const std::string& text);
