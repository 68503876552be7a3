// The report shown when a data file holds something the reader cannot take.
#include <string>

#include "console/console.hpp"
#include "reader/reader_internal.hpp"

namespace tivor::reader_detail {

void report_read_error(Session& s, int requested, std::string_view prompt, std::string_view keyword,
                       std::string_view got, std::string_view reason) {
  const Crd& crd = s.crd;
  int col = 0;
  int row = 0;
  getcurpos(s, col, row);
  if (col != 1) newstr(s);
  txtcon(s, "Error in string number: " + fmt_int(crd.inm, "(i4)"));
  txtcon(s, "\"" + field_str(crd.str) + "\"");
  // Columns past 99 occur only on lines too long for the reader; they are shown in full.
  txtcon(s, "position number:" + (crd.ip > 99 ? std::to_string(crd.ip) : fmt_int(crd.ip, "(i2)")));
  if (!reason.empty()) txtcon(s, reason);
  if (!got.empty()) {
    txtcon(s, "Expected:\"" + rtrim(keyword) + "\" got:\"" + std::string(got) + "\".");
  }
  report_missing_entry(s, requested, prompt, keyword);
}

void report_missing_entry(Session& s, int requested, std::string_view prompt,
                          std::string_view keyword) {
  const std::string what = rtrim(rtrim(prompt).substr(0, 60));
  txtcon(s, (requested == 1 ? "Value:" : "") + what + ", check keyword:" + rtrim(keyword));
}

}  // namespace tivor::reader_detail
