#include "ledger/ExportCsv.h"

// Only the volunteers' names can hold a comma or a quote (numbers and state
// words cannot, and names hold no line break); a field is quoted only when
// it must be, so that a plain export reads as plain text.

namespace {

std::string Field(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string quoted = "\"";
  for (char c : text) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + "\"";
}

}  // namespace

std::string RenderExportCsv(const std::vector<ExportRow>& rows) {
  std::string csv = "k,x,pi,deviation,state,results,volunteers\r\n";
  for (const ExportRow& row : rows) {
    std::string volunteers;
    for (const std::string& name : row.volunteers) volunteers += (volunteers.empty() ? "" : ";") + name;
    const std::string k = std::to_string(row.k);
    csv += k + "," + k + "00000000000000," + row.pi + "," + row.deviation + "," + PointStateWord(row.state) +
           "," + std::to_string(row.results) + "," + Field(volunteers) + "\r\n";
  }
  return csv;
}
