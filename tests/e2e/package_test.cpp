// The install tree and the Debian package, made from this build: every file
// in its place, root's and with sane modes, no lintian error, and a program
// that finds its data from wherever the tree is moved.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/process.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;

const char* kFiles[] = {
    "usr/bin/velmora",
    "usr/libexec/xscreensaver/velmora",
    "usr/share/velmora/data/6",
    "usr/share/velmora/data/xt",
    "usr/share/xscreensaver/config/velmora.xml",
    "usr/share/applications/velmora.desktop",
    "usr/share/applications/screensavers/velmora.desktop",
    "usr/share/icons/hicolor/48x48/apps/velmora.png",
    "usr/share/icons/hicolor/256x256/apps/velmora.png",
    "usr/share/man/man6/velmora.6.gz",
    "usr/share/doc/velmora/copyright",
};

// A snapshot by the program under `root`: its data found with no setting.
void ExpectItFindsItsData(const std::string& root) {
    TempDir config;
    ProcessResult run =
        RunProcess({root + "/usr/bin/velmora", "--snapshot", config.Path() + "/s.png", "--size", "64x48"},
                   {"XDG_CONFIG_HOME=" + config.Path()}, config.Path(), 60000);
    EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
    EXPECT_EQ(run.out.find("File path: " + fs::canonical(root).string() + "/usr/share/velmora/data/9\n"), 0u)
        << run.out;
}

TEST(Package, InstallTreeMovesWithItsData) {
    TempDir stage, moved;
    ProcessResult install = RunProcess({"cmake", "--install", VELMORA_BUILD_DIR, "--prefix", "/usr"},
                                       {"DESTDIR=" + stage.Path()}, "", 120000);
    ASSERT_EQ(install.exitCode, 0) << install.err;
    for (const char* file : kFiles) EXPECT_TRUE(fs::exists(stage.Path() + "/" + file)) << file;
    fs::rename(stage.Path() + "/usr", moved.Path() + "/usr");
    ExpectItFindsItsData(moved.Path());
}

TEST(Package, DebianPackageHasEveryFileNoLintianErrorAndRuns) {
    TempDir work;
    ProcessResult made =
        RunProcess({"cpack", "-G", "DEB", "--config", VELMORA_BUILD_DIR "/CPackConfig.cmake", "-B", work.Path()}, {},
                   work.Path(), 300000);
    ASSERT_EQ(made.exitCode, 0) << made.out << made.err;
    const std::string deb = work.Path() + "/velmora_" VELMORA_VERSION "_amd64.deb";
    const std::string listing = Shell("dpkg-deb -c '" + deb + "'");
    for (const char* file : kFiles) EXPECT_NE(listing.find(std::string("./") + file), std::string::npos) << file;
    for (size_t at = 0, end; (end = listing.find('\n', at)) != std::string::npos; at = end + 1) {
        const std::string line = listing.substr(at, end - at);
        EXPECT_NE(line.find(" root/root "), std::string::npos) << line;
        EXPECT_TRUE(line.rfind("-rw-r--r--", 0) == 0 || line.rfind("drwxr-xr-x", 0) == 0 ||
                    line.rfind("lrwxrwxrwx", 0) == 0 || line.find("libexec/xscreensaver/velmora") != std::string::npos)
            << line;
    }
    const std::string control = Shell("dpkg-deb -f '" + deb + "' Section Recommends Suggests Depends");
    EXPECT_NE(control.find("Section: x11"), std::string::npos) << control;
    EXPECT_NE(control.find("Recommends: xscreensaver"), std::string::npos) << control;
    EXPECT_NE(control.find("Suggests: swayidle"), std::string::npos) << control;
    EXPECT_NE(control.find("libvorbisfile3"), std::string::npos) << control;
    const std::string lint = Shell("lintian '" + deb + "' 2>&1");
    EXPECT_EQ(lint.find("\nE: "), std::string::npos) << lint;
    EXPECT_NE(lint.rfind("E: ", 0), 0u) << lint;
    ASSERT_EQ(RunProcess({"dpkg", "-x", deb, work.Path() + "/root"}).exitCode, 0);
    ExpectItFindsItsData(work.Path() + "/root");
}

}  // namespace
