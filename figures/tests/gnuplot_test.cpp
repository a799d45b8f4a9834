#include "figures/gnuplot.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "figures/external_program.hpp"
#include "testsupport/testsupport.hpp"

namespace {

// Every character that gnuplot or a shell gives a meaning reaches gnuplot
// as text: gnuplot prints each expression back as the text itself (shown
// as messages show it where a line cannot hold it), and the commands in
// the texts create nothing.
TEST(GnuplotString, GnuplotTakesEveryTextAsText) {
  testsupport::ScopedWorkDir dir;
  const std::string here = dir.path().string();
  struct Row {
    std::string text, expression, printed;
  };
  const std::vector<Row> rows = {
      {"", "''", ""},
      {"Kiln `touch " + here + "/x1`", "'Kiln `touch " + here + "/x1`'",
       "Kiln `touch " + here + "/x1`"},
      {"$HOME $(touch " + here + "/x2) ${PATH}", "'$HOME $(touch " + here + "/x2) ${PATH}'",
       "$HOME $(touch " + here + "/x2) ${PATH}"},
      {"it's \"odd\"", "'it'.\"'\".'s \"odd\"'", "it's \"odd\""},
      {"'; system('touch " + here + "/x3'); '",
       "''.\"'\".'; system('.\"'\".'touch " + here + "/x3'.\"'\".'); '.\"'\".''",
       "'; system('touch " + here + "/x3'); '"},
      {"a\\nb\\", "'a\\nb\\'", "a\\nb\\"},
      {"; | & # @command < > * ? ~ ! { } ^ _", "'; | & # @command < > * ? ~ ! { } ^ _'",
       "; | & # @command < > * ? ~ ! { } ^ _"},
      {"first\nsecond", "'first'.\"\\n\".'second'", "first\nsecond"},
      {"\n", "''.\"\\n\".''", "\n"},
      {std::string("cr\r nul\0 esc\x1b[2J del\x7f", 21), "'cr\\x0D nul\\x00 esc\\x1B[2J del\\x7F'",
       "cr\\x0D nul\\x00 esc\\x1B[2J del\\x7F"},
      {"Four à chaux, 1.96 σ, Latin-1 \xe0", "'Four à chaux, 1.96 σ, Latin-1 \\xE0'",
       "Four à chaux, 1.96 σ, Latin-1 \\xE0"},
  };
  std::string script = "command = 'system(\"touch " + here + "/x4\")'\n";
  std::string printed;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.expression);
    EXPECT_EQ(figures::gnuplot_string(row.text), row.expression);
    script += "print " + figures::gnuplot_string(row.text) + "\n";
    printed += row.printed + "\n";
  }
  testsupport::write_file("print.gp", script);
  const char* path = std::getenv("PATH");
  const auto gnuplot = figures::find_program("gnuplot", path ? path : "");
  ASSERT_TRUE(gnuplot.has_value());
  testsupport::ProgramCall call;
  call.program = gnuplot->string();
  call.arguments = {"-d", "print.gp"};
  const testsupport::ProgramRun run = testsupport::run_program(call);
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.err, printed);
  for (const char* made : {"x1", "x2", "x3", "x4"}) EXPECT_FALSE(std::filesystem::exists(made));
}

TEST(FindProgram, TakesTheFirstExecutableAndSkipsEmptyAndRelativeEntries) {
  testsupport::ScopedWorkDir dir;
  for (const char* folder : {"a", "b", "c"}) std::filesystem::create_directory(folder);
  testsupport::write_file("a/tool", "not executable");
  testsupport::write_file("b/tool", "#!/bin/sh\n");
  std::filesystem::permissions("b/tool", std::filesystem::perms::owner_all);
  std::filesystem::create_directory("c/tool");     // a folder is no program
  testsupport::write_file("tool", "#!/bin/sh\n");  // in the current directory
  std::filesystem::permissions("tool", std::filesystem::perms::owner_all);
  const std::filesystem::path& here = dir.path();

  const std::string c = (here / "c").string(), a = (here / "a").string(), b = (here / "b").string();
  EXPECT_EQ(figures::find_program("tool", c + ":" + a + ":" + b), here / "b" / "tool");
  EXPECT_EQ(figures::find_program("tool", ":" + c + ":" + a + "::"), std::nullopt);
  // Folders named by the current directory: never searched.
  EXPECT_EQ(figures::find_program("tool", "/nonexistent:.:b:./b:../" + here.filename().string()),
            std::nullopt);
  EXPECT_EQ(figures::find_program("tool", ""), std::nullopt);
  EXPECT_EQ(figures::find_program("tool", here.string()), here / "tool");
}

}  // namespace
