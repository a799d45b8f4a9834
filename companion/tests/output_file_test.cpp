#include "companion/output_file.hpp"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "testsupport/streams.hpp"
#include "testsupport/testsupport.hpp"

namespace {

namespace fs = std::filesystem;
using testsupport::names_in;
using testsupport::read_file;
using testsupport::write_file;

std::string refusal(const companion::OutputGuard& guard, const fs::path& output) {
  try {
    guard.check(output, "figure");
  } catch (const companion::OutputError& e) {
    return e.what();
  }
  return "";
}

// What is not a regular file, an input under any of its names, and the
// toolkit's fixed names are refused; a new name, an earlier output and a
// link to one are not.
TEST(OutputGuard, RefusesSpecialFilesInputsAndTheToolkitsFixedNames) {
  testsupport::ScopedWorkDir dir;
  fs::create_directories("runs/paris");
  write_file("curve.dat", "a curve");
  write_file("samples.csv", "samples");
  write_file("old.png", "an earlier figure");
  write_file("runs/paris/KARVEN_coeff.inp", "coefficients");
  ASSERT_EQ(mkfifo("fifo.png", 0600), 0);
  fs::create_hard_link("samples.csv", "hard.png");
  fs::create_symlink("curve.dat", "soft.png");
  fs::create_symlink("old.png", "link_to_old.png");
  fs::create_hard_link("runs/paris/KARVEN_coeff.inp", "runs/paris/coeff.png");
  companion::OutputGuard guard;
  guard.add_input("curve.dat", "curve file");
  guard.add_input("./samples.csv", "samples file");
  guard.add_input("missing.dat", "curve file");

  struct Row {
    fs::path output;
    std::string message;
  };
  const std::vector<Row> rows = {
      {"new.png", ""},
      {"old.png", ""},
      {"link_to_old.png", ""},
      {"fifo.png", "the figure fifo.png is a FIFO, not a regular file; it is left as it is"},
      {"runs", "the figure runs is a directory, not a regular file; it is left as it is"},
      {"/dev/null",
       "the figure /dev/null is a character device, not a regular file; it is left as it is"},
      {"../" + dir.path().filename().string() + "/curve.dat",
       "the figure ../" + dir.path().filename().string() +
           "/curve.dat would replace the curve file curve.dat"},
      {"hard.png", "the figure hard.png would replace the samples file ./samples.csv"},
      {"soft.png", "the figure soft.png would replace the curve file curve.dat"},
      {"KARVEN_coeff.inp",
       "the figure KARVEN_coeff.inp would take the place of the coefficient file that karven "
       "reads by that name"},
      {"runs/psvc_karven.eu.26.dat",
       "the figure runs/psvc_karven.eu.26.dat would take the place of the curve file that "
       "karven writes and the companions read by that name"},
      {"runs/paris/coeff.png",
       "the figure runs/paris/coeff.png would replace the coefficient file "
       "runs/paris/KARVEN_coeff.inp"},
      {"esc\x1b[2J.png\n", ""},
      {"fifo\x1b[2J\n.png",
       "the figure fifo\\x1B[2J\\x0A.png is a FIFO, not a regular file; it "
       "is left as it is"},
  };
  ASSERT_EQ(mkfifo("fifo\x1b[2J\n.png", 0600), 0);
  for (const Row& row : rows) {
    SCOPED_TRACE(row.output);
    EXPECT_EQ(refusal(guard, row.output), row.message);
  }
}

// An output replaces an earlier file only once it is complete and
// flushed; one that is not committed, or that fails, leaves the earlier
// file and nothing else behind.
TEST(OutputFile, ReplacesTheEarlierFileOnlyWhenComplete) {
  testsupport::ScopedWorkDir dir;
  write_file("density.csv", "earlier");
  const companion::OutputGuard guard;
  {
    companion::OutputFile file(guard, "density.csv", "density file");
    file.write("half of a new");
    EXPECT_EQ(names_in(".").size(), 2u);  // the earlier file and the new one beside it
  }
  EXPECT_EQ(read_file("density.csv"), "earlier");
  EXPECT_EQ(names_in("."), std::vector<std::string>{"density.csv"});

  companion::write_output(guard, "density.csv", "density file", "the new text\n");
  EXPECT_EQ(read_file("density.csv"), "the new text\n");
  EXPECT_EQ(names_in("."), std::vector<std::string>{"density.csv"});
  // Readable as any new file: 0666 less the umask, not mkstemp's 0600.
  const mode_t mask = umask(0);
  umask(mask);
  EXPECT_EQ(fs::status("density.csv").permissions(), static_cast<fs::perms>(0666 & ~mask));

  // A destination that turns into a FIFO while the output is written.
  {
    companion::OutputFile file(guard, "late.csv", "density file");
    file.write("text");
    ASSERT_EQ(mkfifo("late.csv", 0600), 0);
    EXPECT_THROW(file.commit(), companion::OutputError);
  }
  EXPECT_EQ(names_in("."), (std::vector<std::string>{"density.csv", "late.csv"}));
  EXPECT_TRUE(fs::is_fifo("late.csv"));

  try {
    companion::write_output(guard, "missing/density.csv", "density file", "text");
    ADD_FAILURE() << "no folder to write in";
  } catch (const companion::OutputError& e) {
    EXPECT_STREQ(e.what(),
                 "cannot write the density file missing/density.csv: No such file or directory");
  }
}

// "-" is standard output: written there as it comes, with no file made
// beside it, whatever the guard holds; "./-" is a file. A writer that needs
// a file by its name gets one under TMPDIR, copied out and removed.
TEST(OutputFile, DashIsStandardOutput) {
  testsupport::ScopedWorkDir dir;
  testsupport::TempFolder tmpdir;
  write_file("-", "an input named -");
  companion::OutputGuard guard;
  guard.add_input("-", "curve file");
  EXPECT_EQ(refusal(guard, "-"), "");
  EXPECT_EQ(refusal(guard, "./-"), "the figure ./- would replace the curve file -");
  EXPECT_FALSE(companion::same_output("-", "./-"));
  {
    const testsupport::CoutCapture out;
    companion::OutputFile file(guard, "-", "table");
    file.write("lat,lon\n");
    file.write("45,8\n");
    file.commit();
    EXPECT_EQ(out.text(), "lat,lon\n45,8\n");
  }
  {
    const testsupport::CoutCapture out;
    companion::copy_output(guard, "-", "-", "figure");  // the input named - onto standard output
    EXPECT_EQ(out.text(), "an input named -");
  }

  const char* saved = std::getenv("TMPDIR");
  const std::string saved_tmpdir = saved ? saved : "";
  setenv("TMPDIR", tmpdir.path().c_str(), 1);
  {
    const testsupport::CoutCapture out;
    companion::OutputFile file(guard, "-", "grid");
    const fs::path written = file.path();
    EXPECT_EQ(written.parent_path(), tmpdir.path());
    write_file(written, "a cube\n");  // by its name, as a file format's library writes
    file.commit();
    EXPECT_EQ(out.text(), "a cube\n");
  }
  if (saved) {
    setenv("TMPDIR", saved_tmpdir.c_str(), 1);
  } else {
    unsetenv("TMPDIR");
  }
  EXPECT_TRUE(fs::is_empty(tmpdir.path()));
  EXPECT_EQ(names_in("."), std::vector<std::string>{"-"});
  EXPECT_EQ(read_file("-"), "an input named -");
}

// The folder of a name pattern, as far as it is known before {name} is
// replaced.
TEST(CheckPatternFolder, SaysOnceThatTheFolderIsMissing) {
  testsupport::ScopedWorkDir dir;
  fs::create_directory("out");
  write_file("notes.txt", "");
  const std::vector<std::pair<std::string, std::string>> rows = {
      {"{name}", ""},
      {"out/{name}.csv", ""},
      {"out/{name}/d.csv", ""},
      {"./out/{name}_{name}", ""},
      {"/{name}", ""},
      {"missing/{name}", "--density missing/{name}: the folder missing does not exist"},
      {"out/deeper/{name}/d.csv",
       "--density out/deeper/{name}/d.csv: the folder out/deeper does not exist"},
      {"notes.txt/{name}", "--density notes.txt/{name}: notes.txt is not a folder"},
      {"new\n/{name}", "--density new\\x0A/{name}: the folder new\\x0A does not exist"},
  };
  for (const auto& [pattern, message] : rows) {
    SCOPED_TRACE(pattern);
    try {
      companion::check_pattern_folder(pattern, "--density");
      EXPECT_EQ("", message);
    } catch (const companion::OutputError& e) {
      EXPECT_EQ(e.what(), message);
    }
  }
}

}  // namespace
