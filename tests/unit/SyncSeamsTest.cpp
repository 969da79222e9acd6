#include "core/CommandLine.h"
#include "core/ConfigKeys.h"
#include "core/ProfileStore.h"
#include "core/RunAndWait.h"
#include "secondary/SecondaryConfig.h"
#include "secondary/SyncEngine.h"
#include "tests/unit/SyncTestTree.h"

#include <chrono>
#include <csignal>
#include <dirent.h>
#include <fstream>
#include <functional>
#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <thread>

#include <gtest/gtest.h>

namespace {

constexpr const char* kStamp = "65A0B1C2";

std::string Header(std::string_view extra = {})
{
    return "[Setup]\nLastSync=" + std::string(kStamp) + "\n" + std::string(extra);
}

// What one run left: its result, its counters and what it recorded.
struct SOutcome
{
    int result = -9;
    int identical = -1;
    int synchronized = -1;
    int failed = -1;
    bool failure = false;
};

// How a row runs the engine.
enum class EHow
{
    Plain,
    // In a child process with the download directory on a 4 MB file system of its own.
    SmallDownloadDirectory,
    // Stopped once the batch has begun to fetch the files.
    StopDuringBatch,
    // Stopped once the wget of a single file runs.
    StopDuringFetch,
    // Stopped once the wget of the catalogue runs.
    StopDuringCatalogue
};

struct SSeam
{
    const char* name;
    EHow how;
    std::function<void(CSyncTestTree&)> arrange;
    std::function<void(const CSyncTestTree&, const SOutcome&, const CRecordingSinks&)> check;
};

std::string Ini(std::string_view key)
{
    return CProfileStore::ReadText(ConfigKeys::kConfig, key, "", 512, ConfigKeys::kIniFile);
}

// Names in dir that a run writes for a moment (".zezodi-PID-....").
std::vector<std::string> Temporaries(const std::string& dir)
{
    std::vector<std::string> names;
    for (const auto& item : std::filesystem::directory_iterator(dir)) {
        if (item.path().filename().string().rfind(".zezodi-", 0) == 0) {
            names.push_back(item.path().filename().string());
        }
    }
    return names;
}

// Processes other than nginx whose command line mentions `part`.
std::vector<pid_t> ProcessesWith(const std::string& part)
{
    std::vector<pid_t> found;
    DIR* proc = opendir("/proc");
    while (const dirent* entry = proc != nullptr ? readdir(proc) : nullptr) {
        const pid_t pid = std::atoi(entry->d_name);
        std::ifstream in("/proc/" + std::string(entry->d_name) + "/cmdline", std::ios::binary);
        const std::string line{std::istreambuf_iterator<char>(in), {}};
        if (pid > 0 && line.find(part) != std::string::npos &&
            line.find("nginx") == std::string::npos) {
            found.push_back(pid);
        }
    }
    if (proc != nullptr) {
        closedir(proc);
    }
    return found;
}

// A process id that no process has: one of a child that ended.
pid_t DeadPid()
{
    const pid_t child = fork();
    if (child == 0) {
        _exit(0);
    }
    waitpid(child, nullptr, 0);
    return child;
}

SOutcome RunEngine(CRecordingSinks& sinks, const std::function<bool()>& stop = {})
{
    SSecondarySettings settings = CSecondaryConfig{sinks}.Normalise();
    CSyncEngine engine{settings, sinks, sinks};
    engine.SetRowPause(std::chrono::milliseconds{0});
    engine.SetRetryPause(std::chrono::milliseconds{1});
    if (stop) {
        engine.SetStopRequest(stop);
    }
    SOutcome outcome;
    outcome.result = engine.SyncRun(CSyncEngine::kModeManual);
    outcome.identical = engine.FilesIdentical();
    outcome.synchronized = engine.FilesSynchronized();
    outcome.failed = engine.FilesFailed();
    outcome.failure = engine.FailureFlag();
    return outcome;
}

// Runs the engine in a child with a private mount of a small tmpfs over the download
// directory. False when this machine does not allow it.
bool RunOnSmallFileSystem(const CSyncTestTree& tree, CRecordingSinks& sinks, SOutcome& outcome)
{
    CSecondaryConfig{sinks}.Normalise();
    const std::string results = tree.Path("outcome.txt");
    const std::string lines = tree.Path("lines.txt");
    const pid_t child = fork();
    if (child == 0) {
        const std::string download = tree.Path("drive/jxt/download");
        if (unshare(CLONE_NEWNS) != 0 ||
            mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            mount("tmpfs", download.c_str(), "tmpfs", 0, "size=4m") != 0) {
            _exit(77);
        }
        CRecordingSinks seen;
        const SOutcome ran = RunEngine(seen);
        std::ofstream(results) << ran.result << ' ' << ran.identical << ' ' << ran.synchronized
                               << ' ' << ran.failed << ' ' << ran.failure;
        {
            std::ofstream out(lines);
            for (const CRecordingSinks::SLine& line : seen.lines) {
                out << line.image << ' ' << line.text << '\n';
            }
        }
        _exit(0);
    }
    int status = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds{90};
    while (waitpid(child, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            kill(child, SIGKILL);
            waitpid(child, &status, 0);
            ADD_FAILURE() << "the run on the small file system did not end";
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds{20});
    }
    if (WIFEXITED(status) && WEXITSTATUS(status) == 77) {
        return false;
    }
    std::ifstream(results) >> outcome.result >> outcome.identical >> outcome.synchronized >>
        outcome.failed >> outcome.failure;
    std::ifstream in(lines);
    for (std::string line; std::getline(in, line);) {
        const std::size_t blank = line.find(' ');
        sinks.lines.push_back({line.substr(blank + 1), std::stoi(line.substr(0, blank))});
    }
    return true;
}

// Publishes `count` files of `size` random bytes in Db1, gzip-packed when `packed`, and lists
// them.
std::string PublishMany(CSyncTestTree& tree, int count, std::size_t size, bool packed = false)
{
    std::mt19937 random{42};
    std::string entries = "[Db1]\n";
    for (int n = 1; n <= count; ++n) {
        std::string content(size, '\0');
        for (char& c : content) {
            c = static_cast<char>(random());
        }
        const std::string name = "f" + std::to_string(n) + ".dbf";
        const std::string number = std::to_string(n);
        entries += "File" + number + "=" + name + "\nCrc" + number + "=" +
                   tree.Publish("Db1", name, content) + "\n";
        if (packed) {
            EXPECT_EQ(
                RunAndWait("gzip " + CCommandLine::Quote(tree.Path(tree.WebFile("Db1", name)))), 0);
            entries += "Zipped" + number + "=1\n";
        }
    }
    return entries;
}

void ExpectNothingRecorded(const CSyncTestTree& tree)
{
    EXPECT_EQ(Ini("LastPrimSync"), "");
    EXPECT_EQ(Ini("LastSync"), "");
    EXPECT_EQ(tree.Get("drive/db1/a.dbf"), "local a");
}

// A packed entry whose archive holds, under the entry's name, something else than a file.
void ArrangeOddArchive(CSyncTestTree& tree, const std::function<void(const std::string&)>& make)
{
    tree.Put("secret.txt", "not to be read");
    const std::string packing = tree.Path("packing");
    std::filesystem::create_directories(packing);
    std::filesystem::create_directories(tree.Path("web/syncdata/Db1"));
    make(packing + "/alarm.dbf");
    ASSERT_EQ(RunAndWait("zip -q -y -r " +
                             CCommandLine::Quote(tree.Path("web/syncdata/Db1/alarm.zip")) +
                             " alarm.dbf",
                         packing),
              0);
    tree.WriteIni("UseGZip", "0");
    tree.WriteIni("UnZipProg", ZEZODI_UNZIP_PATH);
    tree.Catalogue(Header() + "[Db1]\nFile1=alarm.dbf\nCrc1=" +
                   CSyncTestTree::CrcText("not to be read") + "\nZipped1=1\n");
}

void CheckOddArchive(const CSyncTestTree& tree, const SOutcome& outcome,
                     const CRecordingSinks& sinks)
{
    EXPECT_EQ(outcome.failed, 1);
    EXPECT_TRUE(outcome.failure);
    EXPECT_FALSE(tree.Exists("drive/db1/alarm.dbf"));
    EXPECT_EQ(tree.Get("secret.txt"), "not to be read");
    EXPECT_TRUE(sinks.HasLine("Failed to unzip file ", CReportSink::ImageError));
    // Nothing of it is left in the download directory but the catalogue.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(tree.Path("drive/jxt/download")),
                            std::filesystem::directory_iterator()),
              1);
}

const std::vector<SSeam>& Seams()
{
    static const std::vector<SSeam> seams = {
        {"a web server's page", EHow::Plain,
         [](CSyncTestTree& tree) {
             tree.Catalogue("<html><head><title>Welcome</title></head><body>It works!</body>"
                            "</html>\n");
         },
         [](const CSyncTestTree& tree, const SOutcome& outcome, const CRecordingSinks& sinks) {
             EXPECT_EQ(outcome.result, CSyncEngine::kCatalogueMissing);
             ExpectNothingRecorded(tree);
             EXPECT_TRUE(sinks.HasLine("Failed to get SyncFile from " + tree.WebPath() +
                                           "  File has no valid version stamp !",
                                       CReportSink::ImageError));
             EXPECT_NE(tree.Get("drive/jxt/log/zezodi.log")
                           .find("Failed to get SyncFile from " + tree.WebPath() +
                                 "  File has no valid version stamp\n"),
                       std::string::npos);
         }},
        {"a catalogue without stamp", EHow::Plain,
         [](CSyncTestTree& tree) {
             tree.Catalogue("[Db1]\nFile1=a.dbf\nCrc1=" + tree.Publish("Db1", "a.dbf", "A") + "\n");
         },
         [](const CSyncTestTree& tree, const SOutcome& outcome, const CRecordingSinks& sinks) {
             EXPECT_EQ(outcome.result, CSyncEngine::kCatalogueMissing);
             ExpectNothingRecorded(tree);
             EXPECT_TRUE(sinks.HasLine("File has no valid version stamp !", 1));
         }},
        {"a catalogue cut short", EHow::Plain,
         [](CSyncTestTree& tree) {
             tree.Catalogue(Header("Format=2\n") +
                            "[Db1]\nFile1=a.dbf\nCrc1=" + tree.Publish("Db1", "a.dbf", "A") + "\n");
         },
         [](const CSyncTestTree& tree, const SOutcome& outcome, const CRecordingSinks& sinks) {
             EXPECT_EQ(outcome.result, CSyncEngine::kCatalogueMissing);
             ExpectNothingRecorded(tree);
             EXPECT_TRUE(sinks.HasLine("Failed to get SyncFile from " + tree.WebPath() +
                                           "  File is incomplete, its end mark is missing !",
                                       CReportSink::ImageError));
         }},
        {"a whole catalogue with its end mark", EHow::Plain,
         [](CSyncTestTree& tree) {
             tree.Catalogue(Header("Format=2\n") +
                            "[Db1]\nFile1=a.dbf\nCrc1=" + tree.Publish("Db1", "a.dbf", "A") +
                            "\n[End]\nLastSync=" + kStamp + "\n");
         },
         [](const CSyncTestTree& tree, const SOutcome& outcome, const CRecordingSinks&) {
             EXPECT_EQ(outcome.result, CSyncEngine::kDone);
             EXPECT_EQ(outcome.synchronized, 1);
             EXPECT_EQ(tree.Get("drive/db1/a.dbf"), "A");
             EXPECT_EQ(Ini("LastPrimSync"), kStamp);
         }},
        {"2,500 entries in one section", EHow::Plain,
         [](CSyncTestTree& tree) { tree.Catalogue(Header() + PublishMany(tree, 2500, 8)); },
         [](const CSyncTestTree& tree, const SOutcome& outcome, const CRecordingSinks&) {
             EXPECT_EQ(outcome.synchronized, 2500);
             EXPECT_EQ(outcome.failed, 0);
             EXPECT_EQ(tree.Get("drive/db1/f2500.dbf"), tree.Get("web/syncdata/Db1/f2500.dbf"));
         }},
        {"an archive member that links elsewhere", EHow::Plain,
         [](CSyncTestTree& tree) {
             ArrangeOddArchive(tree, [&tree](const std::string& member) {
                 std::filesystem::create_symlink(tree.Path("secret.txt"), member);
             });
         },
         CheckOddArchive},
        {"an archive member that is a directory", EHow::Plain,
         [](CSyncTestTree& tree) {
             ArrangeOddArchive(tree, [](const std::string& member) {
                 std::filesystem::create_directories(member + "/inside");
             });
         },
         CheckOddArchive},
        // An archive and its content take twice its room while it is unpacked.
        {"archives that fit the download directory one at a time", EHow::SmallDownloadDirectory,
         [](CSyncTestTree& tree) {
             tree.Catalogue(Header() + PublishMany(tree, 8, 1024 * 1024, true));
         },
         [](const CSyncTestTree& tree, const SOutcome& outcome, const CRecordingSinks&) {
             EXPECT_EQ(outcome.synchronized, 8);
             EXPECT_EQ(outcome.failed, 0);
             EXPECT_EQ(tree.Get("drive/db1/f8.dbf").size(), 1024u * 1024u);
             EXPECT_EQ(Ini("LastPrimSync"), kStamp);
         }},
        {"a file larger than the download directory", EHow::SmallDownloadDirectory,
         [](CSyncTestTree& tree) {
             const std::string crc = tree.Publish("Db1", "big.dbf", std::string(5 << 20, 'b'));
             tree.Catalogue(Header() + "[Db1]\nFile1=big.dbf\nCrc1=" + crc +
                            "\nFile2=a.dbf\nCrc2=" + tree.Publish("Db1", "a.dbf", "A") + "\n");
         },
         [](const CSyncTestTree& tree, const SOutcome& outcome, const CRecordingSinks& sinks) {
             EXPECT_EQ(outcome.result, CSyncEngine::kDone);
             EXPECT_EQ(outcome.synchronized, 1);
             EXPECT_EQ(outcome.failed, 1);
             EXPECT_TRUE(outcome.failure);
             EXPECT_TRUE(sinks.HasLine("No space left on device in " +
                                           tree.Path("drive/jxt/download") + " !",
                                       CReportSink::ImageError));
             EXPECT_NE(tree.Get("drive/jxt/log/zezodi.log")
                           .find("No space left on device in " + tree.Path("drive/jxt/download")),
                       std::string::npos);
             EXPECT_EQ(Ini("LastPrimSync"), "");
         }},
        {"a stop while the batch fetches", EHow::StopDuringBatch,
         [](CSyncTestTree& tree) {
             std::string entries = "[Db1]\n";
             for (int n = 1; n <= 4; ++n) {
                 const std::string number = std::to_string(n);
                 const std::string content(256 * 1024, static_cast<char>('a' + n));
                 tree.Put("web/slow/Db1/s" + number + ".dbf", content);
                 entries += "File" + number + "=s" + number + ".dbf\nCrc" + number + "=" +
                            CSyncTestTree::CrcText(content) + "\n";
             }
             tree.Put("web/slow/zezodi.txt", Header() + entries);
             tree.WriteIni("WebDocPath", tree.Server().BaseUrl() + "/slow");
         },
         [](const CSyncTestTree& tree, const SOutcome& outcome, const CRecordingSinks& sinks) {
             EXPECT_EQ(outcome.result, CSyncEngine::kDone);
             EXPECT_TRUE(outcome.failure);
             EXPECT_TRUE(
                 sinks.HasLine("Synchronization stopped before its end", CReportSink::ImageError));
             EXPECT_EQ(Ini("LastPrimSync"), "");
             EXPECT_FALSE(tree.Exists("drive/db1/s1.dbf"));
             EXPECT_TRUE(ProcessesWith(tree.Server().BaseUrl()).empty());
             EXPECT_TRUE(ProcessesWith(tree.Path("drive")).empty());
         }},
        {"a stop while a file is fetched alone", EHow::StopDuringFetch,
         [](CSyncTestTree& tree) {
             const std::string content(256 * 1024, 's');
             tree.Put("web/slow/Db1/s.dbf", content);
             tree.Put("web/slow/zezodi.txt", Header() + "[Db1]\nFile1=s.dbf\nCrc1=" +
                                                 CSyncTestTree::CrcText(content) + "\n");
             tree.WriteIni("WebDocPath", tree.Server().BaseUrl() + "/slow");
         },
         [](const CSyncTestTree& tree, const SOutcome& outcome, const CRecordingSinks& sinks) {
             EXPECT_EQ(outcome.result, CSyncEngine::kDone);
             EXPECT_TRUE(
                 sinks.HasLine("Synchronization stopped before its end", CReportSink::ImageError));
             EXPECT_EQ(Ini("LastPrimSync"), "");
             EXPECT_FALSE(tree.Exists("drive/db1/s.dbf"));
             EXPECT_FALSE(sinks.HasLine("Failed to download file", CReportSink::ImageError));
             EXPECT_TRUE(ProcessesWith(tree.Server().BaseUrl()).empty());
         }},
        {"a stop while the catalogue is fetched", EHow::StopDuringCatalogue,
         [](CSyncTestTree& tree) {
             tree.Put("web/slow/zezodi.txt",
                      Header() + "[Db1]\nFile1=a.dbf\nCrc1=1\n; " + std::string(256 * 1024, 'p'));
             tree.WriteIni("WebDocPath", tree.Server().BaseUrl() + "/slow");
         },
         [](const CSyncTestTree& tree, const SOutcome& outcome, const CRecordingSinks& sinks) {
             EXPECT_EQ(outcome.result, CSyncEngine::kCatalogueMissing);
             EXPECT_TRUE(
                 sinks.HasLine("Synchronization stopped before its end", CReportSink::ImageError));
             EXPECT_FALSE(sinks.HasLine("Failed to get SyncFile", CReportSink::ImageError));
             ExpectNothingRecorded(tree);
             EXPECT_TRUE(ProcessesWith(tree.Server().BaseUrl()).empty());
         }},
        {"a name and its previous version that are one file", EHow::Plain,
         [](CSyncTestTree& tree) {
             tree.Put("drive/db1/alarm.dbf", "old alarm");
             std::filesystem::create_hard_link(tree.Path("drive/db1/alarm.dbf"),
                                               tree.Path("drive/db1/alarm.d00"));
             const std::string dead = std::to_string(DeadPid());
             tree.Put("drive/db1/.zezodi-" + dead + "-Ab12Cd.tmp", "half a copy");
             tree.Put("drive/jxt/download/.zezodi-" + dead + "-Ef34Gh.tmp", "half a download");
             tree.Put("drive/db1/.zezodi-" + std::to_string(getpid()) + "-Ij56Kl.tmp", "ours");
             tree.Catalogue(Header() + "[Db1]\nFile1=alarm.dbf\nCrc1=" +
                            tree.Publish("Db1", "alarm.dbf", "new alarm") + "\n");
         },
         [](const CSyncTestTree& tree, const SOutcome& outcome, const CRecordingSinks&) {
             EXPECT_EQ(outcome.synchronized, 1);
             EXPECT_EQ(tree.Get("drive/db1/alarm.dbf"), "new alarm");
             EXPECT_EQ(tree.Get("drive/db1/alarm.d00"), "old alarm");
             // Only the temporary of a process still running stays.
             EXPECT_EQ(
                 Temporaries(tree.Path("drive/db1")),
                 std::vector<std::string>{".zezodi-" + std::to_string(getpid()) + "-Ij56Kl.tmp"});
             EXPECT_TRUE(Temporaries(tree.Path("drive/jxt/download")).empty());
         }},
    };
    return seams;
}

// Each seam where the secondary meets the network, an outside program or the disk, in a tree
// of its own.
TEST(SyncSeamsTest, EachSeamHoldsOrFailsWithItsReason)
{
    std::vector<std::string> skipped;
    for (const SSeam& seam : Seams()) {
        SCOPED_TRACE(seam.name);
        CSyncTestTree tree;
        ASSERT_TRUE(tree.StartServer()) << tree.Server().ErrorLog();
        tree.Put("drive/db1/a.dbf", "local a");
        seam.arrange(tree);
        CRecordingSinks sinks;
        SOutcome outcome;
        if (seam.how == EHow::SmallDownloadDirectory) {
            if (!RunOnSmallFileSystem(tree, sinks, outcome)) {
                skipped.push_back(seam.name);
                continue;
            }
        } else if (seam.how != EHow::Plain) {
            // A wget of the batch names its list of addresses in the download directory; the
            // one of a single file names the file's address.
            const std::string mark =
                seam.how == EHow::StopDuringBatch   ? tree.Path("drive/jxt/download")
                : seam.how == EHow::StopDuringFetch ? tree.Server().BaseUrl() + "/slow/Db1/"
                                                    : tree.Server().BaseUrl() + "/slow/zezodi.txt";
            bool stopped = false;
            outcome = RunEngine(sinks, [&mark, &stopped] {
                stopped = stopped || !ProcessesWith(mark).empty();
                return stopped;
            });
        } else {
            outcome = RunEngine(sinks);
        }
        seam.check(tree, outcome, sinks);
    }
    if (!skipped.empty()) {
        GTEST_SKIP() << "No private mount of a small file system here for: " << skipped.front()
                     << (skipped.size() > 1 ? " and others" : "");
    }
}

} // namespace
