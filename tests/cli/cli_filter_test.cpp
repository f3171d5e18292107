// SPDX-License-Identifier: MIT
// marlox-cli's --filter, --properties and --date-order, end to end.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "clirun.h"
#include "testfiles.h"

using testing_support::ReadAll;
using testing_support::TempDir;

namespace {

using TRun = testing_support::TCliRun;

class CliFilter : public ::testing::Test {
 protected:
  void SetUp() override {
    file = dir.write("objects.txt",
                     Object("Table 18 Customer", "08/30/18", "NAVW111.00,ABC1.02", true) +
                         Object("Table 50000 Apiary", "01/02/19", "ABC1.00", false) +
                         Object("Page 21 Customer Card", "06/15/17", "NAVW111.00", false) +
                         "OBJECT Codeunit 80 Sales-Post\n{\n  CODE\n  {\n"
                         "    Date=1;\n  }\n}\n");
  }
  static std::string Object(const std::string& header, const std::string& date,
                            const std::string& version, bool modified) {
    return "OBJECT " + header + "\r\n{\r\n  OBJECT-PROPERTIES\r\n  {\r\n    Date=" + date +
           ";\r\n    Time=12:00:00;\r\n" + (modified ? "    Modified=Yes;\r\n" : "") +
           "    Version List=" + version +
           ";\r\n  }\r\n  CODE\r\n  {\r\n    Customer\r\n  }\r\n}\r\n";
  }
  TRun Run(const std::vector<std::string>& args) { return testing_support::RunCliIn(dir, args); }

  TempDir dir;
  std::string file;
};

TEST_F(CliFilter, ListWithPropertiesAndFilter) {
  TRun r = Run({"list", file, "--properties"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.out.find("\t08/30/18\t12:00:00\tYes\tNAVW111.00,ABC1.02\n"), std::string::npos);
  // A Date= line in code is no property.
  EXPECT_NE(r.out.find("Sales-Post\t"), std::string::npos);
  EXPECT_NE(r.out.find("\t\t\tNo\t\n"), std::string::npos) << r.out;
  EXPECT_EQ(r.err, "4 object(s)\n");

  r = Run({"list", file, "--filter", "type:table modified:no"});
  EXPECT_EQ(r.out.substr(0, 15), "Table\t50000\tApi");
  EXPECT_EQ(r.err, "1 of 4 object(s)\n");

  // The file's own dates say month first; an override reads them the other way.
  r = Run({"list", file, "--filter=date:2018-08-30"});
  EXPECT_EQ(r.err, "1 of 4 object(s)\n");
  r = Run({"list", file, "--filter=date:2019-02-01", "--date-order", "dmy"});
  EXPECT_EQ(r.err, "1 of 4 object(s)\n");

  r = Run({"list", file, "--filter", "id:5..x"});
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_EQ(r.out, "");
  EXPECT_NE(r.err.find("marlox-cli: Invalid filter term 'id:5..x'"), std::string::npos) << r.err;
  EXPECT_EQ(Run({"list", file, "--date-order", "ydm"}).exitCode, 2);
  // Year first: 01/02/19 read as yy/mm/dd.
  r = Run({"list", file, "--filter=date:2001-02-19", "--date-order", "ymd"});
  EXPECT_EQ(r.err, "1 of 4 object(s)\n");
  EXPECT_EQ(Run({"show", file, "--index", "0", "--filter", "x"}).exitCode, 2);
}

TEST_F(CliFilter, FindAndExportOnlyTheMatchingObjects) {
  TRun r = Run({"find", file, "Customer", "--match-case", "--filter", "id:21|80"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out.find("0\t"), std::string::npos) << r.out;  // object 0 is left out
  EXPECT_EQ(r.out.rfind("2\tPage 21 Customer Card\t", 0), 0u) << r.out;
  EXPECT_EQ(Run({"find", file, "Customer", "--filter", "id:80"}).exitCode, 1);

  const std::string out = dir.file("out-dir");
  r = Run({"export", file, out, "--filter", "type:table"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_TRUE(std::filesystem::exists(out + "/tab18.txt"));
  EXPECT_TRUE(std::filesystem::exists(out + "/tab50000.txt"));
  EXPECT_FALSE(std::filesystem::exists(out + "/pag21.txt"));
  // The conflict rules hold for the filtered set: only tab18 is in the way.
  r = Run({"export", file, out, "--filter", "id:18|21"});
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_FALSE(std::filesystem::exists(out + "/pag21.txt"));
  r = Run({"export", file, out, "--filter", "id:21"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.err, "1 file(s) written, 0 skipped\n");
}

}  // namespace
