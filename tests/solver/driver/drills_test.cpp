// Fault drills through the built `solver`, as a user's scripts and clusters
// meet the program: kills and interrupts (one landing exactly while the
// result files are written), two runs on one name, a full disk, limits that
// must hold, hostile option values and input that is not what it should be.
#include <gtest/gtest.h>

#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <regex>
#include <string>
#include <thread>

#include "file_helpers.h"
#include "tests/support/temp_dir.h"

namespace modal {
namespace {

namespace fs = std::filesystem;
using test_support::TempDir;
using testing::read_file;
using testing::write_file;

struct outcome {
    int status = -1; // exit status (128 + the signal of a killed run)
    std::string err;
    double cpuSeconds = 0;
    long peakKilobytes = 0;
};

// Runs solver on `name` in `dir`, with `before` (environment settings, or a
// command that runs it) in front of it.
outcome run(const TempDir& dir, const std::string& name, const std::string& before = "") {
    rusage start{};
    getrusage(RUSAGE_CHILDREN, &start);
    const std::string command = "cd '" + dir.path().string() + "' && " + before +
                                " '" SOLVER_PROGRAM "' --quiet " + name + " >" + name + ".out 2>" +
                                name + ".err";
    const int raw = std::system(command.c_str());
    rusage end{};
    getrusage(RUSAGE_CHILDREN, &end);
    outcome o;
    o.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
    o.err = read_file(dir.file(name + ".err"));
    auto seconds = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) * 1e-6;
    };
    o.cpuSeconds = seconds(end.ru_utime) + seconds(end.ru_stime) - seconds(start.ru_utime) -
                   seconds(start.ru_stime);
    o.peakKilobytes = end.ru_maxrss;
    return o;
}

std::string masked(const std::string& report) {
    return std::regex_replace(report, std::regex("Computation Time[^\n]*"), "");
}

// Files a run left under temporary names.
int temporaries(const TempDir& dir) {
    int n = 0;
    for (const auto& e : fs::directory_iterator(dir.path()))
        n += e.path().filename().string().find(".tmp") != std::string::npos;
    return n;
}

const std::string kPavingA = "Algorithm=QSI; CSPEps=0.05; F(x,[-3,3]); F(y,[-3,3]);\n"
                             "c:= pow(x,2) + pow(y,2) <= 4; c:= pow(x,2) + pow(y,2) >= 1;\n";
const std::string kPavingB = "Algorithm=QSI; CSPEps=0.02; F(x,[-3,3]); F(y,[-3,3]);\n"
                             "c:= pow(x,2) + pow(y,2) <= 4; c:= pow(x,2) + pow(y,2) >= 1;\n";

TEST(Drills, KillsWhileTheFilesAreWrittenLeaveTheOldResultsWhole) {
    const std::string preload = "ASAN_OPTIONS=verify_asan_link_order=0:detect_leaks=0 "
                                "LD_PRELOAD='" SIGNAL_ON_OPEN_LIBRARY "'";
    for (const int signal : {SIGKILL, SIGINT, SIGTERM})
        for (const char* file : {"Solution.txt", "Image.bmp", "Image.png"}) {
            SCOPED_TRACE(std::to_string(signal) + " " + file);
            TempDir dir;
            write_file(dir.file("p.txt"), kPavingA);
            ASSERT_EQ(run(dir, "p").status, 0);
            const std::string report = read_file(dir.file("pSolution.txt"));
            const std::string bmp = read_file(dir.file("pImage.bmp"));
            const std::string png = read_file(dir.file("pImage.png"));
            write_file(dir.file("p.txt"), kPavingB);
            const outcome o = run(dir, "p",
                                  preload + " OPEN_MARK=" + file +
                                      ".tmp SIGNAL_ON_OPEN=" + std::to_string(signal));
            if (signal == SIGKILL) {
                EXPECT_EQ(o.status, 128 + SIGKILL);
            } else {
                EXPECT_EQ(o.status, 128 + signal) << o.err;
                EXPECT_NE(o.err.find("interrupted"), std::string::npos) << o.err;
                EXPECT_EQ(temporaries(dir), 0);
            }
            EXPECT_EQ(read_file(dir.file("pSolution.txt")), report);
            EXPECT_EQ(read_file(dir.file("pImage.bmp")), bmp);
            EXPECT_EQ(read_file(dir.file("pImage.png")), png);
        }
}

TEST(Drills, AnInterruptBeforeTheWritingStopsTheRunPromptly) {
    TempDir dir;
    write_file(dir.file("long.txt"), "Algorithm=LOGIC; Time=60; U(x,[0,1]); U(y,[0,1]);\n"
                                     "lf:= x*y - x*y >= 0;\n");
    write_file(dir.file("longSolution.txt"), "earlier\n");
    const auto start = std::chrono::steady_clock::now();
    const outcome o = run(dir, "long", "timeout --preserve-status -s INT 0.3");
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_EQ(o.status, 130) << o.err;
    EXPECT_LT(seconds, 10.0); // the run alone would take its minute
    EXPECT_EQ(read_file(dir.file("longSolution.txt")), "earlier\n");
    EXPECT_EQ(temporaries(dir), 0);
}

TEST(Drills, RunsInPairsOnOneNameLeaveTheWholeFilesOfOneRun) {
    // The results of each problem alone.
    std::string reports[2], pictures[2];
    for (int k = 0; k < 2; ++k) {
        TempDir alone;
        write_file(alone.file("p.txt"), k == 0 ? kPavingA : kPavingB);
        ASSERT_EQ(run(alone, "p").status, 0);
        reports[k] = masked(read_file(alone.file("pSolution.txt")));
        pictures[k] = read_file(alone.file("pImage.bmp"));
    }
    for (int round = 0; round < 3; ++round) {
        TempDir dir;
        write_file(dir.file("p.txt"), kPavingA);
        std::thread first([&] { run(dir, "p"); });
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        write_file(dir.file("p.txt"), kPavingB);
        run(dir, "p");
        first.join();
        const std::string report = masked(read_file(dir.file("pSolution.txt")));
        const std::string picture = read_file(dir.file("pImage.bmp"));
        const int which = report == reports[0] ? 0 : report == reports[1] ? 1 : -1;
        ASSERT_NE(which, -1) << "the report is no run's whole report";
        // The picture beside it comes from the same run.
        EXPECT_EQ(picture, pictures[which]);
    }
}

TEST(Drills, AFullDiskIsNamedAndLeavesNothingHalfWritten) {
    TempDir dir;
    if (geteuid() != 0 || mount("tmpfs", dir.path().c_str(), "tmpfs", 0, "size=48k") != 0)
        GTEST_SKIP() << "a small tmpfs cannot be mounted here (it needs root)";
    write_file(dir.file("p.txt"), kPavingB);
    const outcome o = run(dir, "p");
    EXPECT_EQ(o.status, 1);
    EXPECT_NE(o.err.find("No space left on device"), std::string::npos) << o.err;
    EXPECT_EQ(o.err.find("wrote pSolution.txt"), std::string::npos) << o.err;
    EXPECT_FALSE(fs::exists(dir.file("pSolution.txt")));
    EXPECT_EQ(temporaries(dir), 0);
    umount(dir.path().c_str());
}

TEST(Drills, TimeAndMemoryLimitsHoldAfterTheLoopToo) {
    // The joining of the gathered cells, the report and the release of the
    // strips come after the limit; they must not take long.
    const std::string problem = "Algorithm=MINMAX; Optim=1; Tolerance=1e-5; x1 in [-7,7]; "
                                "x2 in [-5,5]; x3 in [-4,4];\n"
                                "c:= pow(x1,2) + 2*pow(x2,2) + 4*pow(x3,2) - 48 <= 0;\n"
                                "f:= -x1*x2*x3;\n";
    TempDir dir;
    // The memory run first: a peak is that of the largest child so far, and
    // the timed run may grow beyond the memory limit in its second.
    write_file(dir.file("m.txt"), "MemoryLimit=100;\n" + problem);
    const outcome memory = run(dir, "m");
    EXPECT_EQ(memory.status, 0) << memory.err;
    EXPECT_NE(memory.err.find("memory ran out"), std::string::npos) << memory.err;
    EXPECT_LT(memory.peakKilobytes, 100 * 1024 * 3 / 2);
    write_file(dir.file("t.txt"), "Time=1;\n" + problem);
    const outcome timed = run(dir, "t");
    EXPECT_EQ(timed.status, 0) << timed.err;
    EXPECT_LT(timed.cpuSeconds, 1.0 * 1.1 + 0.5 + 2.0); // generous for slow builds
}

TEST(Drills, HostileOptionValuesAreNamedAndTheRunEnds) {
    TempDir dir;
    const std::pair<const char*, const char*> cases[] = {
        {"Time=nan;", "Time takes a number"},
        {"MemoryLimit=-1;", "MemoryLimit=-1 is below 0"},
        {"MemoryLimit=1e30;", "no machine has that much"},
        {"Bisect=0;", "each cut makes 2 pieces"},
        {"Bisect=-3;", "each cut makes 2 pieces"},
        {"Threads=100;", "QSI runs 64 threads"},
        {"Tolerance=-1;", "Tol never gets below zero"},
    };
    for (const auto& [option, said] : cases) {
        SCOPED_TRACE(option);
        write_file(dir.file("o.txt"), std::string("Algorithm=FSTAR; ") + option +
                                          " Tolerance=0.01; x in [0,1]; f:= x*(1-x);\n");
        const outcome o = run(dir, "o");
        EXPECT_EQ(o.status, 0);
        EXPECT_NE(o.err.find(said), std::string::npos) << o.err;
        EXPECT_NE(o.err.find("solver: stopped: "), std::string::npos) << o.err;
    }
}

TEST(Drills, InputThatIsNotAProblemIsRefusedAtOnce) {
    TempDir dir;
    fs::create_symlink("/dev/zero", dir.file("zero.txt"));
    const outcome zero = run(dir, "zero");
    EXPECT_EQ(zero.status, 1);
    EXPECT_NE(zero.err.find("longer than 16 MB"), std::string::npos) << zero.err;

    write_file(dir.file("wide.txt"), std::string("\xFF\xFE"
                                                 "A\0l\0g\0",
                                                 8));
    const outcome wide = run(dir, "wide");
    EXPECT_EQ(wide.status, 1);
    EXPECT_NE(wide.err.find("UTF-16"), std::string::npos) << wide.err;

    // A flat sum of 100,000 terms is solved as a grouped one is.
    std::string sum = "x";
    for (int i = 1; i < 100000; ++i)
        sum += " + 1";
    write_file(dir.file("flat.txt"), "Algorithm=FSTAR; x in [0, 1];\nf:= " + sum + ";\n");
    const outcome flat = run(dir, "flat");
    EXPECT_EQ(flat.status, 0) << flat.err;
    EXPECT_NE(read_file(dir.file("flatSolution.txt")).find("Outer Approximation:[9.99"),
              std::string::npos)
        << read_file(dir.file("flatSolution.txt"));
}

} // namespace
} // namespace modal
