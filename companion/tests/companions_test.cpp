// Runs the built companions as a careless or a hostile user would: outputs
// on special files, on inputs and on a full disk, inputs that are not
// files, standard output that cannot be written.
#include <gtest/gtest.h>
#include <sched.h>
#include <signal.h>
#include <spawn.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "curve/tests/synthetic_curve.hpp"
#include "testsupport/testsupport.hpp"

namespace {

namespace fs = std::filesystem;
using testsupport::read_file;
using testsupport::write_file;

const std::string PLOT = KARVEN_PLOT_PROGRAM;
const std::string DATE = KARVEN_DATE_PROGRAM;
const std::string EXPORT = KARVEN_EXPORT_PROGRAM;
const std::string MAP = KARVEN_MAP_PROGRAM;

// Every file below a folder with its content; a FIFO as "FIFO".
std::map<std::string, std::string> files_in(const fs::path& folder) {
  std::map<std::string, std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    const std::string name = fs::relative(entry.path(), folder).string();
    if (entry.is_fifo()) {
      files[name] = "FIFO";
    } else if (entry.is_regular_file()) {
      files[name] = read_file(entry.path());
    }
  }
  return files;
}

class Companions : public testing::Test {
 protected:
  // Runs a program in the working directory, TMPDIR a folder of the
  // test's own; a program that waits for ever is ended after 20 s.
  testsupport::ProgramRun run(const std::string& program, const std::vector<std::string>& arguments,
                              const std::string& stdout_path = "",
                              const std::map<std::string, std::string>& changed = {},
                              const std::function<void()>& in_child = {}) {
    testsupport::ProgramCall call;
    call.program = program;
    call.arguments = arguments;
    call.changed_environment = changed;
    call.changed_environment["TMPDIR"] = tmpdir_.path().string();
    call.stdout_path = stdout_path;
    call.in_child = [in_child] {
      alarm(20);
      if (in_child) in_child();
    };
    return testsupport::run_program(call);
  }

  testsupport::ScopedWorkDir work_;
  testsupport::TempFolder tmpdir_;
};

TEST_F(Companions, FailWhenStandardOutputCannotBeWritten) {
  write_file("psvc_karven.eu.26.dat", curve_test::smooth_curve_text());
  fs::copy_file(KARVEN_DEMO_COEFFICIENTS, "model.inp");
  struct Row {
    std::string program, name;
    std::vector<std::string> arguments;
  };
  const std::vector<Row> rows = {
      {PLOT, "karven-plot", {"--help"}},
      {PLOT, "karven-plot", {"--version"}},
      {PLOT, "karven-plot", {}},
      {DATE, "karven-date", {"--help"}},
      {DATE, "karven-date", {"--version"}},
      {DATE, "karven-date", {"--inc", "64.5", "--a95", "2.5"}},
      {EXPORT, "karven-export", {"--help"}},
      {EXPORT, "karven-export", {"--version"}},
      {EXPORT, "karven-export", {}},
      {MAP, "karven-map", {"--help"}},
      {MAP, "karven-map", {"--version"}},
      // An output on standard output: the figure, the density, the table, the grid.
      {PLOT, "karven-plot", {"--format", "svg", "--output", "-"}},
      {DATE, "karven-date", {"--inc", "64.5", "--a95", "2.5", "--density", "-"}},
      {EXPORT, "karven-export", {"--format", "csv", "--output", "-"}},
      {MAP,
       "karven-map",
       {"--model", "model.inp", "--region", "44/45/7/8", "--step", "1", "--csv", "-"}},
      {MAP,
       "karven-map",
       {"--model", "model.inp", "--region", "44/45/7/8", "--step", "1", "--grid", "-"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name + (row.arguments.empty() ? "" : " " + row.arguments[0]));
    const testsupport::ProgramRun result = run(row.program, row.arguments, "/dev/full");
    EXPECT_EQ(result.err, row.name + ": cannot write to standard output\n");
    EXPECT_EQ(result.status, 1);
    // A closed standard output reaches no one either.
    const testsupport::ProgramRun closed =
        run(row.program, row.arguments, "", {}, [] { close(1); });
    EXPECT_EQ(closed.err, row.name + ": cannot write to standard output\n");
    EXPECT_EQ(closed.status, 1);
  }
}

// A drawing program that hangs after it sends the companion a signal that
// ends a run (as Ctrl-C at the terminal would): the companion ends it and
// what it started at once, removes its private folder and the temporary
// figure, and ends by the signal. The program's own child is a process
// that would sleep for ten minutes.
TEST_F(Companions, ASignalWhileADrawingProgramRunsEndsItAndTheRun) {
  fs::create_directory("bin");
  for (const char* program : {"bin/gmt", "bin/gnuplot"}) {
    write_file(program,
               "#!/bin/sh\nsleep 600 &\necho $! > \"$SLEEPER\"\nkill -$SIGNAL $PPID\nwait\n");
    fs::permissions(program, fs::perms::owner_all);
  }
  fs::copy_file(KARVEN_DEMO_COEFFICIENTS, "model.inp");
  fs::create_directory("figures");
  struct Row {
    std::string program;
    std::vector<std::string> arguments;
    std::string signal;
    int number;
  };
  const std::vector<Row> rows = {
      {MAP,
       {"--model", "model.inp", "--year", "1500", "--region", "40/41/0/1", "--output",
        "figures/m.png"},
       "INT",
       SIGINT},
      {PLOT,
       {"--model", "model.inp", "--lat", "45", "--lon", "5", "--output", "figures/p.png"},
       "TERM",
       SIGTERM},
      {MAP,
       {"--model", "model.inp", "--year", "0", "--region", "40/41/0/1", "--output",
        "figures/m.pdf"},
       "HUP",
       SIGHUP},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.program + " SIG" + row.signal);
    const fs::path sleeper = fs::absolute("sleeper");
    const auto start = std::chrono::steady_clock::now();
    const testsupport::ProgramRun result =
        run(row.program, row.arguments, "",
            {{"PATH", fs::absolute("bin").string() + ":/usr/bin:/bin"},
             {"SLEEPER", sleeper.string()},
             {"SIGNAL", row.signal}});
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    EXPECT_EQ(result.signal, row.number);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "");
    EXPECT_TRUE(fs::is_empty("figures"));
    EXPECT_TRUE(fs::is_empty(tmpdir_.path()));
    // The sleeper is gone, or a zombie that its new parent has yet to reap.
    // A process that has been sent the signal but not yet scheduled still
    // shows as running, so its state is read until it ends, for a while.
    const std::string pid = testsupport::read_lines(sleeper).at(0);
    std::string state;
    const auto asked = std::chrono::steady_clock::now();
    for (;;) {
      state = read_file("/proc/" + pid + "/stat");
      const std::size_t end = state.rfind(')');
      if (state.empty() || state.substr(end + 2, 1) == "Z") break;
      if (std::chrono::steady_clock::now() - asked > std::chrono::seconds(5)) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    const std::size_t end = state.rfind(')');
    EXPECT_TRUE(state.empty() || state.substr(end + 2, 1) == "Z") << state;
  }
}

// Starts a karven-map run in the background; returns its process.
pid_t start_map(const std::vector<std::string>& arguments) {
  std::vector<std::string> texts = {MAP};
  texts.insert(texts.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (std::string& text : texts) argv.push_back(text.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  EXPECT_EQ(posix_spawn(&pid, MAP.c_str(), nullptr, nullptr, argv.data(), environ), 0);
  return pid;
}

// Waits until a run has made its temporary file in a folder.
bool temporary_file_made(const fs::path& folder) {
  for (int tries = 0; tries < 2000; ++tries) {
    for (const std::string& name : testsupport::names_in(folder)) {
      if (name.starts_with(".")) return true;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

// The output's folder is moved while the run writes its temporary file
// there, and a new folder is made under the old name: the temporary file
// is renamed, or removed, where it is, and the new folder stays empty.
TEST_F(Companions, AFolderMovedDuringARunKeepsNoTemporaryFile) {
  fs::copy_file(KARVEN_DEMO_COEFFICIENTS, "model.inp");
  for (const bool interrupted : {false, true}) {
    SCOPED_TRACE(interrupted ? "interrupted" : "completed");
    fs::create_directory("out");
    const pid_t pid = start_map({"--model", "model.inp", "--step", "0.5", "--csv", "out/t.csv"});
    EXPECT_TRUE(temporary_file_made("out"));
    fs::rename("out", "out.old");
    fs::create_directory("out");
    if (interrupted) kill(pid, SIGINT);
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_EQ(status, interrupted ? SIGINT : 0);
    EXPECT_EQ(testsupport::names_in("out.old"),
              interrupted ? std::vector<std::string>{} : std::vector<std::string>{"t.csv"});
    EXPECT_TRUE(fs::is_empty("out"));
    fs::remove_all("out");
    fs::remove_all("out.old");
  }
}

// Memory that runs out is said in one line that names the work.
TEST_F(Companions, MemoryThatRunsOutIsSaidInOneLine) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "a limit of the address space stops AddressSanitizer itself";
#endif
  fs::copy_file(KARVEN_DEMO_COEFFICIENTS, "model.inp");
  const testsupport::ProgramRun result =
      run(MAP, {"--model", "model.inp", "--step", "0.01", "--csv", "t.csv"}, "", {}, [] {
        const rlimit limit{150'000'000, 150'000'000};
        setrlimit(RLIMIT_AS, &limit);
      });
  EXPECT_EQ(result.err,
            "karven-map: out of memory while evaluating the model at 11,257,001 nodes (2501 "
            "latitudes by 4501 longitudes) and 381 epochs\n");
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(testsupport::names_in("."), std::vector<std::string>{"model.inp"});
}

// Nothing is written over a FIFO, a device, an input (under another name
// too) or a file that the toolkit reads by its name; every file stays as
// it was, and no file is left beside them.
TEST_F(Companions, RefuseOutputsOnSpecialFilesInputsAndFixedNames) {
  write_file("curve.dat", curve_test::smooth_curve_text());
  write_file("KARVEN_coeff.inp", "  62.35  0.12  -0.33\n");
  write_file("fixed.csv", "name,inc,a95\nKARVEN_coeff.inp,60,2\n");
  write_file("samples.csv", "name,inc,a95\ncsv,60,2\n");
  ASSERT_EQ(mkfifo("fifo.png", 0600), 0);
  ASSERT_EQ(mkfifo("fifo_d.ref", 0600), 0);
  fs::create_hard_link("samples.csv", "samples_link.csv");
  fs::create_symlink("curve.dat", "curve_link.png");
  const auto before = files_in(".");
  struct Row {
    std::string program;
    std::vector<std::string> arguments;
    std::string message;
  };
  const std::vector<Row> rows = {
      {PLOT,
       {"--output", "fifo.png", "curve.dat"},
       "karven-plot: the figure fifo.png is a FIFO, not a regular file; it is left as it is; give "
       "another --output"},
      {PLOT,
       {"--output", "/dev/null", "--format", "png", "curve.dat"},
       "karven-plot: the figure /dev/null is a character device, not a regular file; it is left "
       "as it is; give another --output"},
      {PLOT,
       {"--output", "curve_link.png", "curve.dat"},
       "karven-plot: the figure curve_link.png would replace the curve file curve.dat; give "
       "another --output"},
      {PLOT,
       {"--format", "png", "--output", "KARVEN_coeff.inp", "curve.dat"},
       "karven-plot: the figure KARVEN_coeff.inp would take the place of the coefficient file "
       "that karven reads by that name; give another --output"},
      {EXPORT,
       {"--output", "fifo", "curve.dat"},
       "karven-export: the export fifo_d.ref is a FIFO, not a regular file; it is left as it "
       "is; give another --output"},
      {DATE,
       {"--inc", "60", "--a95", "2", "--figure", "fifo.png", "curve.dat"},
       "karven-date: the figure fifo.png is a FIFO, not a regular file; it is left as it is"},
      {DATE,
       {"--samples", "fixed.csv", "--density", "{name}", "curve.dat"},
       "karven-date: fixed.csv, line 2: the density file KARVEN_coeff.inp would take the place "
       "of the coefficient file that karven reads by that name"},
      {DATE,
       {"--samples", "samples.csv", "--density", "samples_link.{name}", "curve.dat"},
       "karven-date: samples.csv, line 2: the density file samples_link.csv would replace the "
       "samples file samples.csv"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.message);
    const testsupport::ProgramRun result = run(row.program, row.arguments);
    EXPECT_EQ(result.err, row.message + "\n");
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(files_in("."), before);
  }
}

// A FIFO would hold a run for ever and /dev/zero never end it: each is
// refused at once, as the curve file, a samples file or a .ref file.
TEST_F(Companions, RefuseInputsThatAreNotRegularFiles) {
  ASSERT_EQ(mkfifo("fifo", 0600), 0);
  fs::create_directory("folder");
  write_file("curve.dat", curve_test::smooth_curve_text());
  struct Row {
    std::string program;
    std::vector<std::string> arguments;
    std::string message;
  };
  const std::vector<Row> rows = {
      {PLOT, {"fifo"}, "karven-plot: cannot read fifo: a FIFO, not a regular file"},
      {EXPORT,
       {"/dev/zero"},
       "karven-export: cannot read /dev/zero: a character device, not a regular file"},
      {DATE,
       {"--inc", "60", "--a95", "2", "fifo"},
       "karven-date: cannot read fifo: a FIFO, not a regular file"},
      {DATE,
       {"--samples", "fifo", "curve.dat"},
       "karven-date: cannot read fifo: a FIFO, not a regular file"},
      {DATE,
       {"--samples", "/dev/zero", "curve.dat"},
       "karven-date: cannot read /dev/zero: a character device, not a regular file"},
      {DATE,
       {"--samples", "folder", "curve.dat"},
       "karven-date: cannot read folder: Is a directory"},
      {DATE,
       {"--inc", "60", "--a95", "2", "--ref-inc", "fifo"},
       "karven-date: cannot read fifo: a FIFO, not a regular file"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.message);
    const testsupport::ProgramRun result = run(row.program, row.arguments);
    EXPECT_EQ(result.err, row.message + "\n");
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.status, 1);
  }
}

// A small file system of the test's own, mounted in a mount namespace of
// its own so that no other process sees it; needs the right to mount.
class SmallFileSystem {
 public:
  explicit SmallFileSystem(const fs::path& where) : where_(where) {
    if (unshare(CLONE_NEWNS) != 0) {
      reason_ = std::string("unshare: ") + std::strerror(errno);
      return;
    }
    // Mounts made here stay here.
    if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        mount("tmpfs", where.c_str(), "tmpfs", 0, "size=1m") != 0) {
      reason_ = std::string("mount: ") + std::strerror(errno);
      return;
    }
    mounted_ = true;
  }
  ~SmallFileSystem() {
    if (mounted_) umount2(where_.c_str(), MNT_DETACH);
  }
  SmallFileSystem(const SmallFileSystem&) = delete;
  SmallFileSystem& operator=(const SmallFileSystem&) = delete;

  bool mounted() const { return mounted_; }
  const std::string& reason() const { return reason_; }

  // Fills what is left of it with one file.
  void fill() const {
    const std::string block(4096, 'x');
    std::FILE* file = std::fopen((where_ / "filler").c_str(), "wb");
    if (file == nullptr) return;
    while (std::fwrite(block.data(), 1, block.size(), file) == block.size() &&
           std::fflush(file) == 0) {
    }
    std::fclose(file);
  }

 private:
  fs::path where_;
  bool mounted_ = false;
  std::string reason_;
};

// When the disk fills, each companion fails with the system's reason and
// leaves the earlier output as it was, and no file of its own.
TEST_F(Companions, AFullDiskLeavesTheEarlierOutputIntact) {
  fs::create_directory("disk");
  const SmallFileSystem disk("disk");
  if (!disk.mounted()) {
    GTEST_SKIP() << "cannot mount a small tmpfs here (" << disk.reason()
                 << "); the full disk is not tried";
  }
  write_file("curve.dat", curve_test::smooth_curve_text());
  for (const char* name : {"disk/kiln.png", "disk/kiln.csv", "disk/curve_d.ref"}) {
    write_file(name, "an earlier output");
  }
  disk.fill();
  const auto before = files_in("disk");
  struct Row {
    std::string program;
    std::vector<std::string> arguments;
    std::string message;
  };
  const std::vector<Row> rows = {
      {PLOT,
       {"--output", "disk/kiln.png", "curve.dat"},
       "karven-plot: cannot write the figure disk/kiln.png: No space left on device"},
      {DATE,
       {"--inc", "60", "--a95", "2", "--density", "disk/kiln.csv", "curve.dat"},
       "karven-date: cannot write the density file disk/kiln.csv: No space left on device"},
      {EXPORT,
       {"--output", "disk/curve", "curve.dat"},
       "karven-export: cannot write the export disk/curve_d.ref: No space left on device"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.message);
    const testsupport::ProgramRun result = run(row.program, row.arguments);
    EXPECT_EQ(result.err, row.message + "\n");
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(files_in("disk"), before);
  }
}

}  // namespace
