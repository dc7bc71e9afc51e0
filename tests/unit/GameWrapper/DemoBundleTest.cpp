// The demo bundle that the build assembles under build/demo: its game information loads through
// GWData with every key, its archives hold their members stored and whole and pass unzip -t and
// Python's zipfile, every picture decodes at the size the start page expects, its nib gives the
// launcher's windows, and the demo game's tour mode plays, starts its helper and leaves no
// process behind.
#include "GWData.h"

#include "CorvaneCore/FileBuf.h"
#include "CorvaneCore/ZipArchive.h"
#include "GameWrapperTestHelpers.h"

#include <Carbon/Carbon.h>
#include <CoreGraphics/CoreGraphics.h>
#include <gtest/gtest.h>
#include <turbojpeg.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <memory>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <vector>

using GameWrapperTest::ChildChecks;

extern char** environ;

namespace {

std::string DemoBundle() {
    const char* binaryDir = std::getenv("GW_TEST_BINARY_DIR");
    return std::string(binaryDir ? binaryDir : ".") + "/demo/Demo Game.app";
}

std::string Resource(const std::string& name) {
    return DemoBundle() + "/Contents/Resources/" + name;
}

class DemoBundleTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(TestSupport::pathExists(Resource("RAW_002.wdt")))
            << "build the demo bundle first (target demo-bundle): " << DemoBundle();
    }
};

struct Picture {
    int width = 0;
    int height = 0;
    int subsampling = -1;
    std::vector<unsigned char> samples; // grey, one byte per pixel
};

// Decodes a JPEG into grey samples; width 0 when it does not decode.
Picture Decode(const std::string& bytes) {
    Picture picture;
    tjhandle handle = tjInitDecompress();
    auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    int colourspace = 0;
    if (tjDecompressHeader3(handle, data, bytes.size(), &picture.width, &picture.height,
                            &picture.subsampling, &colourspace) == 0) {
        picture.samples.resize(static_cast<std::size_t>(picture.width * picture.height));
        if (tjDecompress2(handle, data, bytes.size(), picture.samples.data(), picture.width, 0,
                          picture.height, TJPF_GRAY, 0) != 0) {
            picture.width = 0;
        }
    }
    tjDestroy(handle);
    return picture;
}

struct StreamDeleter {
    void operator()(CFileBuf* stream) const { delete stream; }
};

std::string ReadMember(CZipArchive& archive, const char* name) {
    std::unique_ptr<CFileBuf, StreamDeleter> stream(archive.OpenAFileWithinArchive(name, 0));
    if (!stream) {
        return "";
    }
    std::string content(stream->GetLength(), '\0');
    content.resize(stream->Read(content.data(), static_cast<unsigned>(content.size())));
    return content;
}

} // namespace

TEST_F(DemoBundleTest, GameInformationLoadsWithEveryKey) {
    const std::string text = TestSupport::readFile(Resource("RAW_002.wdt"));
    // Some values equal their getter's default, so the lines themselves are checked too.
    for (const char* key : {"App Version String=", "Application ID=", "Application Name=",
                            "Application Exec Path=", "Developer Channel ID=", "Application Price=",
                            "Font Color Build=", "Font Color App Name=", "Build X=", "Build Y=",
                            "Brand X=", "Brand Y=", "Track Child Processes="}) {
        char value[1024];
        EXPECT_GT(
            GWData::GetStringForLineStartingWith(value, sizeof value, text.c_str(), key, '\n'), 0)
            << key;
    }
    const std::string bundle = DemoBundle();
    EXPECT_EXIT(
        {
            ChildChecks checks;
            MacPlatformTestSetMainBundlePath(bundle.c_str());
            GWData data;
            checks.check(data.LoadGameInfoDataFromResource(), "RAW_002.wdt loads");
            checks.equal(std::string(data.GetAppName()), std::string("Demo Game"), "name");
            checks.equal(data.GetAppID(), 4217, "application ID");
            checks.equal(data.GetChannelID(), 12, "channel ID");
            checks.equal(data.GetAppPrice(), 9.99f, "price");
            checks.equal(std::string(data.GetGameFileRevisionString()), std::string("1.0.3"),
                         "revision");
            checks.equal(std::string(data.GetAppExecPath()), std::string("Demo.app"), "exec path");
            checks.equal(data.GetFontColorAppName(), 0x1A2740ul, "title colour");
            checks.equal(data.GetFontColorBuild(), 0xC3C3C3ul, "build line colour");
            checks.equal(data.GetXPositionBuild(), 452, "build x");
            checks.equal(data.GetYPositionBuild(), 510, "build y");
            checks.equal(data.GetXPositionBranding(), 22, "brand x");
            checks.equal(data.GetYPositionBranding(), 22, "brand y");
            checks.check(data.TrackChildProcesses(), "child processes tracked");
            // The exec path names the game's bundle inside .Game.
            checks.check(TestSupport::pathExists(bundle + "/.Game/" + data.GetAppExecPath() +
                                                 "/Contents/MacOS/demo-game"),
                         "the game lies where the exec path says");
            CGImageRef branding = data.GetBrandingImage();
            checks.check(branding != nullptr, "the branding picture is built from Channel.dat");
            if (branding) {
                checks.equal(CGImageGetWidth(branding), size_t{400}, "branding width");
                checks.equal(CGImageGetHeight(branding), size_t{110}, "branding height");
            }
            checks.finish();
        },
        ::testing::ExitedWithCode(0), "");
}

TEST_F(DemoBundleTest, ArchivesHoldTheirMembersStoredAndWhole) {
    const std::vector<std::pair<std::string, std::vector<const char*>>> archives = {
        {"Channel.dat", {"Branding.jpg", "BrandingMask.jpg"}},
        {"Application.dat", {"ReadMe.txt"}},
        {"Tessaly.dat", {"Credits.txt"}},
    };
    for (const auto& [file, members] : archives) {
        CZipArchive archive;
        // A compressed member must fail this test, not end the test program.
        archive.SetStopOnFatalConditions(false);
        ASSERT_TRUE(archive.OpenArchive(Resource(file).c_str(), 0, "", false, 0))
            << file << ": " << archive.GetLastErrorText();
        EXPECT_EQ(archive.GetNumEntries(), members.size()) << file;
        for (const char* name : members) {
            EXPECT_FALSE(ReadMember(archive, name).empty()) << file << " holds " << name;
        }
        // A publisher who copies the demo can look inside with the standard tools, which also
        // verify every member's CRC-32.
        const std::string quoted = "'" + Resource(file) + "'";
        EXPECT_EQ(std::system(("unzip -tq " + quoted + " >/dev/null").c_str()), 0) << file;
        EXPECT_EQ(std::system(("/usr/bin/python3 -c 'import sys, zipfile; "
                               "sys.exit(zipfile.ZipFile(sys.argv[1]).testzip() is not None)' " +
                               quoted)
                                  .c_str()),
                  0)
            << file;
    }
}

TEST_F(DemoBundleTest, EveryPictureDecodesAtItsSize) {
    struct Expected {
        std::string bytes;
        const char* name;
        int width;
        int height;
    };
    CZipArchive channel;
    ASSERT_TRUE(channel.OpenArchive(Resource("Channel.dat").c_str(), 0, "", false, 0));
    std::vector<Expected> pictures = {
        {TestSupport::readFile(Resource("Background.jpg")), "Background.jpg", 720, 540},
        {TestSupport::readFile(Resource("button_normal.jpg")), "button_normal.jpg", 112, 36},
        {TestSupport::readFile(Resource("button_hover.jpg")), "button_hover.jpg", 112, 36},
        {TestSupport::readFile(Resource("button_pressed.jpg")), "button_pressed.jpg", 112, 36},
        {ReadMember(channel, "Branding.jpg"), "Branding.jpg", 400, 110},
        {ReadMember(channel, "BrandingMask.jpg"), "BrandingMask.jpg", 400, 110},
    };
    std::vector<Picture> decoded;
    for (const Expected& expected : pictures) {
        decoded.push_back(Decode(expected.bytes));
        EXPECT_EQ(decoded.back().width, expected.width) << expected.name;
        EXPECT_EQ(decoded.back().height, expected.height) << expected.name;
    }
    // The three button states look different from each other.
    EXPECT_NE(decoded[1].samples, decoded[2].samples);
    EXPECT_NE(decoded[1].samples, decoded[3].samples);

    // The mask is a grey picture: black around the logo, white over it, and a soft edge of
    // grey levels in between.
    const Picture& mask = decoded[5];
    ASSERT_EQ(mask.subsampling, TJSAMP_GRAY);
    EXPECT_LT(mask.samples.front(), 16) << "the corner is transparent";
    int opaque = 0;
    int between = 0;
    for (unsigned char sample : mask.samples) {
        opaque += sample > 240;
        between += sample > 24 && sample < 216;
    }
    EXPECT_GT(opaque, 1000) << "the logo is opaque";
    EXPECT_GT(between, 1000) << "the logo's edge is soft";
}

TEST_F(DemoBundleTest, NibGivesTheLaunchersObjects) {
    const std::string bundle = DemoBundle();
    EXPECT_EXIT(
        {
            ChildChecks checks;
            MacPlatformTestSetMainBundlePath(bundle.c_str());
            IBNibRef nib = nullptr;
            checks.equal(CreateNibReference(CFSTR("main"), &nib), noErr, "main.nib opens");
            if (nib) {
                checks.equal(SetMenuBarFromNib(nib, CFSTR("MenuBar")), noErr, "the menu bar");
                WindowRef main = nullptr;
                checks.equal(CreateWindowFromNib(nib, CFSTR("MainWindow"), &main), noErr,
                             "the main window");
                if (main) {
                    Rect bounds;
                    GetWindowPortBounds(main, &bounds);
                    checks.equal(bounds.right - bounds.left, 720, "main window width");
                    checks.equal(bounds.bottom - bounds.top, 540, "main window height");
                    DisposeWindow(main);
                }
                WindowRef eula = nullptr;
                checks.equal(CreateWindowFromNib(nib, CFSTR("EULAWindow"), &eula), noErr,
                             "the agreement window");
                if (eula) {
                    HIViewRef text = nullptr;
                    HIViewID id;
                    id.signature = 'MTXT';
                    id.id = 0;
                    checks.equal(HIViewFindByID(HIViewGetRoot(eula), id, &text), noErr,
                                 "the agreement's text view");
                    DisposeWindow(eula);
                }
                DisposeNibReference(nib);
            }
            checks.finish();
        },
        ::testing::ExitedWithCode(0), "");
}

namespace {

// The bundle's demo game started in tour mode on SDL's dummy video driver, its standard output
// read through a pipe. The destructor ends whatever of it still runs.
class TourGame {
public:
    explicit TourGame(int tourSeconds) {
        int out[2];
        if (pipe(out) != 0) {
            return;
        }
        m_output = out[0];
        std::string program = DemoBundle() + "/.Game/Demo.app/Contents/MacOS/demo-game";
        std::vector<std::string> environment = {
            "SDL_VIDEODRIVER=dummy", "DEMO_GAME_TOUR_SECONDS=" + std::to_string(tourSeconds)};
        for (char** entry = environ; *entry; ++entry) {
            if (std::string(*entry).rfind("SDL_VIDEODRIVER=", 0) != 0 &&
                std::string(*entry).rfind("DEMO_GAME_TOUR_SECONDS=", 0) != 0) {
                environment.push_back(*entry);
            }
        }
        std::vector<char*> envp;
        for (std::string& entry : environment) {
            envp.push_back(entry.data());
        }
        envp.push_back(nullptr);
        char* argv[] = {program.data(), nullptr};
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        if (posix_spawn(&m_pid, program.c_str(), &actions, nullptr, argv, envp.data()) != 0) {
            m_pid = -1;
        }
        posix_spawn_file_actions_destroy(&actions);
        close(out[1]);
    }
    ~TourGame() {
        if (m_pid > 0) {
            kill(m_pid, SIGKILL);
            Wait(std::chrono::seconds(10));
        }
        if (HelperPid() > 0 && Running(HelperPid())) {
            kill(HelperPid(), SIGKILL);
        }
        if (m_output >= 0) {
            close(m_output);
        }
    }

    bool Started() const { return m_pid > 0; }
    pid_t Pid() const { return m_pid; }

    // Reads the game's output until it holds text or ends or the time is up.
    bool ReadUntil(const std::string& text, std::chrono::seconds limit) {
        auto deadline = std::chrono::steady_clock::now() + limit;
        while (m_printed.find(text) == std::string::npos) {
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            pollfd poller = {m_output, POLLIN, 0};
            if (left.count() <= 0 || poll(&poller, 1, static_cast<int>(left.count())) <= 0) {
                return false;
            }
            char buffer[256];
            ssize_t got = read(m_output, buffer, sizeof buffer);
            if (got <= 0) {
                return false;
            }
            m_printed.append(buffer, static_cast<std::size_t>(got));
        }
        return true;
    }

    // The pid the game printed for its helper, or -1.
    pid_t HelperPid() const {
        const std::string marker = "started the helper, pid ";
        std::size_t at = m_printed.find(marker);
        return at == std::string::npos ? -1 : std::atoi(m_printed.c_str() + at + marker.size());
    }

    // Waits for the game to end; its exit status, or -1 when it did not end in time (or was
    // killed by a signal).
    int Wait(std::chrono::seconds limit) {
        auto deadline = std::chrono::steady_clock::now() + limit;
        while (m_pid > 0) {
            int status = 0;
            pid_t done = waitpid(m_pid, &status, WNOHANG);
            if (done == m_pid) {
                m_pid = -1;
                return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            }
            if (done < 0 || std::chrono::steady_clock::now() > deadline) {
                return -1;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return -1;
    }

    // A process counts as running until it is gone or only a zombie waiting for its parent.
    static bool Running(pid_t pid) {
        std::string stat = TestSupport::readFile("/proc/" + std::to_string(pid) + "/stat");
        std::size_t close = stat.rfind(')');
        return close != std::string::npos && close + 2 < stat.size() && stat[close + 2] != 'Z';
    }

    static bool EndsWithin(pid_t pid, std::chrono::seconds limit) {
        auto deadline = std::chrono::steady_clock::now() + limit;
        while (Running(pid)) {
            if (std::chrono::steady_clock::now() > deadline) {
                return false;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return true;
    }

private:
    pid_t m_pid = -1;
    int m_output = -1;
    std::string m_printed;
};

} // namespace

TEST_F(DemoBundleTest, TourModeStartsTheHelperAndEndsEverything) {
    // Played to its end, the game stops its helper itself and exits 0.
    {
        TourGame game(1);
        ASSERT_TRUE(game.Started());
        ASSERT_TRUE(game.ReadUntil("started the helper, pid ", std::chrono::seconds(30)));
        ASSERT_TRUE(game.ReadUntil("the tour's 1 seconds are over", std::chrono::seconds(30)));
        pid_t helper = game.HelperPid();
        ASSERT_GT(helper, 0);
        EXPECT_EQ(game.Wait(std::chrono::seconds(30)), 0);
        EXPECT_FALSE(TourGame::Running(helper)) << "the game waited for its helper";
    }
    // A game killed outright takes its helper with it.
    {
        TourGame game(600);
        ASSERT_TRUE(game.Started());
        ASSERT_TRUE(game.ReadUntil("started the helper, pid ", std::chrono::seconds(30)));
        pid_t helper = game.HelperPid();
        ASSERT_GT(helper, 0);
        EXPECT_TRUE(TourGame::Running(helper));
        kill(game.Pid(), SIGKILL);
        EXPECT_EQ(game.Wait(std::chrono::seconds(30)), -1);
        EXPECT_TRUE(TourGame::EndsWithin(helper, std::chrono::seconds(30)));
    }
}
