// The plug-in's system update between two frames, on real files in a temporary bundle: the
// marker files, the printed command lines, the re-initialisation, its fallback and the
// unrecoverable state.
#include "KXHostTestHelpers.h"

#include <sys/stat.h>

#include <cstdint>

namespace {

using KXHostTest::captureStdout;
using KXHostTest::HostTest;
using ::testing::ElementsAre;
using TestSupport::pathExists;

const char* const kMarkers[] = {"Update/Tessaly.red", "Update/Application.red",
                                "Update/Channel.red"};

class UpdateTest : public HostTest {
protected:
    void SetUp() override {
        HostTest::SetUp();
        for (const char* marker : kMarkers) {
            TestSupport::writeFile(resources() + "/" + marker, "marker");
        }
        // A read-only marker must go all the same.
        chmod((resources() + "/Update/Application.red").c_str(), 0400);
        TestSupport::writeFile(resources() + "/Update/catalogue.dat", "new catalogue");
        TestSupport::writeFile(resources() + "/Update/covers.dat", "new covers");
        TestSupport::writeFile(resources() + "/Tessaly/catalogue.dat", "old catalogue");
        TestSupport::writeFile(resources() + "/Backup/catalogue.dat", "backup catalogue");
        m_frame.assign(720 * 540, 0);
    }

    // With the recording plug-in answering its initialisations with the statuses given:
    // initialises, opens the session and draws the frame after which the plug-in asks for its
    // update; returns how many calls were recorded by then.
    size_t startAndRequestUpdate(const char* initStatuses) {
        installPlugin("recording");
        setenv("KXTEST_UPDATE_AFTER_FRAME", "1", 1);
        setenv("KXTEST_INIT_STATUSES", initStatuses, 1);
        captureStdout([&] { EXPECT_EQ(initializeDemo(), 0); });
        KX_EnterMenuSession(1, 720, 540);
        drawFrame();
        EXPECT_EQ(calls().back(), "kxdll_IsASystemUpdateRequired 1");
        return calls().size();
    }

    void drawFrame() { KX_DrawNextFrameIntoBuffer(m_frame.data(), 2880, 4, 1); }

    std::string loadedLine() const {
        return "dlopen(\"" + pluginPath() + "\", RTLD_NOW): Successful\n";
    }

    std::vector<uint32_t> m_frame;
};

TEST_F(UpdateTest, TheNextFrameShutsDownUpdatesReinitialisesAndReentersTheSession) {
    installPlugin("update");
    unsigned char palette[768] = {9, 8, 7};
    captureStdout([&] { ASSERT_EQ(initializeDemo(), 0); });
    KX_SetPalette(palette);
    KX_EnterMenuSession(1, 720, 540);
    drawFrame();
    ASSERT_TRUE(g_bIsAnUpdatePending);
    size_t requested = calls().size();

    // Nothing happens before the next frame: the session stays open and input is held back.
    EXPECT_FALSE(KX_IsTheMenuSessionComplete());
    EXPECT_FALSE(KX_SetMousePosition(5, 5));
    EXPECT_EQ(calls().size(), requested);

    std::string out = captureStdout([&] { drawFrame(); });
    EXPECT_THAT(callsAfter(requested),
                ElementsAre("kxdll_ShutDown", "kxdll_GetDLLVersionAsString",
                            "kxdll_GetDLLVersionAsInt",
                            "kxdll_Initialize 42 \"Demo Game\" 7 1.50 1 6",
                            "kxdll_SetPalette 090807 000000", "kxdll_EnterMenuSession 1 720 540",
                            "kxdll_DrawNextFrameIntoBuffer 2880 4 1 0 0",
                            "kxdll_IsASystemUpdateRequired 0"));
    // The shell expands the pattern and prints the lines with slashes for backslashes; the
    // blank in "Démo Game.app" reaches it quoted and comes back as it is.
    const std::string r = resources();
    EXPECT_EQ(out, "mv " + r + "/Update//catalogue.dat " + r + "/Update//covers.dat " + r +
                       "//\nrm -r " + r + "/Tessaly\n" + loadedLine());
    for (const char* marker : kMarkers) {
        EXPECT_FALSE(pathExists(resources() + "/" + marker)) << marker;
    }
    // The lines are printed, not carried out.
    EXPECT_EQ(TestSupport::readFile(r + "/Tessaly/catalogue.dat"), "old catalogue");
    // The frame was drawn by the freshly loaded plug-in: its first frame.
    EXPECT_EQ(m_frame[0], 0x00000001u);
    EXPECT_TRUE(m_alerts.empty());
}

TEST_F(UpdateTest, AFailedReinitialisationFallsBackToTheBackupAndTellsThePluginOnce) {
    size_t requested = startAndRequestUpdate("0,3,0");

    std::string out = captureStdout([&] { drawFrame(); });
    EXPECT_THAT(
        callsAfter(requested),
        ElementsAre(
            "kxdll_ShutDown", "kxdll_GetDLLVersionAsString", "kxdll_GetDLLVersionAsInt",
            "kxdll_Initialize 42 \"Demo Game\" 7 1.50 1 6", "kxdll_GetLastErrorInformation",
            "kxdll_GetDLLVersionAsString", "kxdll_GetDLLVersionAsInt",
            "kxdll_Initialize 42 \"Demo Game\" 7 1.50 1 6", "kxdll_EnterMenuSession 1 720 540",
            "kxdll_DrawNextFrameIntoBuffer 2880 4 1 1 1", "kxdll_IsASystemUpdateRequired 0"));
    const std::string r = resources();
    EXPECT_EQ(out, "mv " + r + "/Update//catalogue.dat " + r + "/Update//covers.dat " + r +
                       "//\nrm -r " + r + "/Tessaly\n" + loadedLine() + "mv " + r +
                       "/Backup//catalogue.dat " + r + "//\n" + loadedLine());

    // Updates stay suspended; the user is told in one frame only.
    drawFrame();
    EXPECT_EQ(calls()[calls().size() - 2], "kxdll_DrawNextFrameIntoBuffer 2880 4 1 1 0");
    EXPECT_TRUE(m_alerts.empty());
}

TEST_F(UpdateTest, WhenTheFallbackFailsTooTheHostNeverCallsThePluginAgain) {
    startAndRequestUpdate("0,3,3");
    std::fill(m_frame.begin(), m_frame.end(), 0x00123456);

    captureStdout([&] { drawFrame(); });
    EXPECT_FALSE(pluginLoaded());
    EXPECT_EQ(m_frame[0], 0x00123456u);
    ASSERT_EQ(m_alerts.size(), 1u);
    EXPECT_EQ(m_alerts[0].explanation,
              "This application appears to be become corrupted and must be reinstalled.");
    size_t afterFailure = calls().size();
    EXPECT_EQ(calls()[afterFailure - 1], "kxdll_GetLastErrorInformation");

    // Every call answers with its fallback value; only a new session shows the alert again.
    drawFrame();
    EXPECT_EQ(m_frame[0], 0x00123456u);
    EXPECT_TRUE(KX_IsTheMenuSessionComplete());
    EXPECT_FALSE(KX_SetMousePosition(1, 1));
    KX_ShutDown();
    EXPECT_EQ(KX_EnterMenuSession(1, 720, 540), 0);
    EXPECT_EQ(m_alerts.size(), 2u);
    EXPECT_STREQ(KX_GetLastErrorInformation(),
                 "Corvane Tessaly has encountered an unrecoverable error and cannot link to the "
                 "dll. The application must be reinstalled.");
    EXPECT_EQ(calls().size(), afterFailure);
}

TEST_F(UpdateTest, FileFunctionsTurnBackslashesIntoSlashesAndKeepTheShellToPrinting) {
    // A folder name that would run commands or split arguments if it reached the shell bare.
    const std::string base = m_temp.path();
    const std::string hostile = "it's $(touch " + base + "/ran) `touch " + base + "/ran`; a";
    TestSupport::writeFile(base + "/" + hostile + "/f.txt", "payload");
    std::string source = base + "\\" + hostile;
    std::string destination = base + "\\out";
    std::string out = captureStdout([&] {
        EXPECT_TRUE(kx_MoveFolderContents(destination.data(), source.data()));
        EXPECT_EQ(kx_DeleteFolderAndAllContents(source.data()), 0);
    });
    EXPECT_EQ(out, "mv " + base + "/" + hostile + "/f.txt " + base + "/out/\nrm -r " + base + "/" +
                       hostile + "\n");
    EXPECT_FALSE(pathExists(base + "/ran"));
    EXPECT_TRUE(pathExists(base + "/" + hostile + "/f.txt"));

    // kx_DeleteFile answers true when the file could not be removed.
    std::string readOnly = resources() + "\\Update\\Application.red";
    EXPECT_FALSE(kx_DeleteFile(readOnly.data()));
    EXPECT_FALSE(pathExists(resources() + "/Update/Application.red"));
    EXPECT_TRUE(kx_DeleteFile(readOnly.data()));

    // A path that does not fit the host's buffer is refused rather than cut to another one.
    std::string tooLong(sizeof Mac_Fixed_Path, 'x');
    std::string refused = captureStdout([&] {
        EXPECT_TRUE(kx_DeleteFile(tooLong.data()));
        EXPECT_FALSE(kx_MoveFolderContents(destination.data(), tooLong.data()));
        EXPECT_EQ(kx_DeleteFolderAndAllContents(tooLong.data()), -1);
    });
    EXPECT_NE(refused.find("Path longer than 1023 bytes refused"), std::string::npos);
}

} // namespace
