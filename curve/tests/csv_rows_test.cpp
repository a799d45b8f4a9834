#include "curve/csv_rows.hpp"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace {

TEST(SplitCsvFields, TakesQuotesBlanksAndEmptyFields) {
  struct Row {
    std::string line;
    std::vector<std::string> fields;
    std::string error;
  };
  const std::vector<Row> rows = {
      {"Paris, 48.85 ,2.35", {"Paris", "48.85", "2.35"}, ""},
      {" \"York, \"\"UK\"\"\" ,53.96", {"York, \"UK\"", "53.96"}, ""},
      {"\" a \",,", {" a ", "", ""}, ""},
      {"", {""}, ""},
      {"a,\"b", {}, "field 2 opens a quote that the line does not close"},
      {"\"b\"c,1", {}, "field 1 has text after its closing quote"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    const curve::CsvFields split = curve::split_csv_fields(row.line);
    EXPECT_EQ(split.error, row.error);
    if (row.error.empty()) {
      EXPECT_EQ(split.fields, row.fields);
    }
  }
}

// A bad row is returned with its error, and the rows after it are read.
TEST(SitesReader, ReadsOnPastABadRow) {
  std::stringbuf text(
      "\xEF\xBB\xBF lat,name,lon\r\n"
      "48.85,Paris,2.35\r\n"
      "\r\n"
      "4x.85,Bad,2\n"
      "40.4,Madrid\n" +
      std::string(1100, 'x') +
      "\n"
      "53.96,,-1.08");
  curve::SitesReader reader(text, "sites.csv");
  std::vector<std::string> seen;
  while (const std::optional<curve::SiteRow> row = reader.next()) {
    seen.push_back(std::to_string(row->line) + " " + row->name + " " +
                   (row->error.empty()
                        ? std::to_string(row->latitude) + " " + std::to_string(row->longitude)
                        : row->error));
  }
  EXPECT_EQ(seen, (std::vector<std::string>{
                      "2 Paris 48.850000 2.350000",
                      "4 Bad line 4, column lat: expected a number of degrees, read \"4x.85\"",
                      "5  line 5: 2 fields, but the header names 3",
                      "6  line 6: more than 1024 bytes, longer than any row of sites",
                      "7  53.960000 -1.080000",
                  }));
}

}  // namespace
