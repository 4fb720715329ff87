#include <gtest/gtest.h>

#include "buffer/TestSupport.h"
#include "core/Profile.h"

using namespace vantor;
using vantor::test::readText;
using vantor::test::TempDir;
using vantor::test::writeText;
namespace fs = std::filesystem;

namespace {

// Written by QSettings("TarvikTech", "Vantor") of Qt 6 on Linux.
const char kQtWritten[] = "[General]\n"
                          "TopKey=5\n"
                          "\n"
                          "[Device]\n"
                          "Key%20With%20Space\\x=3\n"
                          "\n"
                          "[Option]\n"
                          "L=a, b\n"
                          "Sound=1\n"
                          "\n"
                          "[System]\n"
                          "CntSuccess=12\n"
                          "Language=-1\n"
                          "PGM83_DEV0=AT89S51\n"
                          "PGM83_DEV1=\" lead space\"\n"
                          "PGM83_DEV2=\"a,b;c\\\"d\\\\e\\tf\\nend\"\n"
                          "PGM83_DEV3=@@at\n"
                          "PGM83_DEV4=\xE4\xB8\xAD\xE6\x96\x87\xC3\xA9\n"
                          "PGM83_DEV5=\n"
                          "PGM83_DEV6=\"x=y#z[w]\"\n"
                          "ctl=\\x1\\x32\n"
                          "hash=#x\n";

TEST(IniProfile, ReadsWhatQSettingsWrote) {
    TempDir dir;
    writeText(dir / "Vantor.conf", kQtWritten);
    IniProfile p(dir / "Vantor.conf");
    ASSERT_TRUE(p.load()) << p.error();
    EXPECT_EQ(p.readInt("System", "CntSuccess", 0), 12);
    EXPECT_EQ(p.readInt("System", "Language", 0), -1);
    EXPECT_EQ(p.readInt("Option", "Sound", 0), 1);
    EXPECT_EQ(p.readString("System", "PGM83_DEV0", ""), "AT89S51");
    EXPECT_EQ(p.readString("System", "PGM83_DEV1", ""), " lead space");
    EXPECT_EQ(p.readString("System", "PGM83_DEV2", ""), "a,b;c\"d\\e\tf\nend");
    EXPECT_EQ(p.readString("System", "PGM83_DEV3", ""), "@at");
    EXPECT_EQ(p.readString("System", "PGM83_DEV4", ""), "\xE4\xB8\xAD\xE6\x96\x87\xC3\xA9");
    EXPECT_EQ(p.readString("System", "PGM83_DEV5", "default"), "");
    EXPECT_EQ(p.readString("System", "PGM83_DEV6", ""), "x=y#z[w]");
    EXPECT_EQ(p.readString("System", "ctl", ""), "\x01"
                                                 "2");
    EXPECT_EQ(p.readString("System", "hash", ""), "#x");
    EXPECT_EQ(p.readInt("Device", "Key With Space/x", 0), 3);
    EXPECT_EQ(p.readInt("System", "Missing", 77), 77);
    EXPECT_EQ(p.readInt("System", "PGM83_DEV0", 77), 77) << "a text is no number";
}

TEST(IniProfile, WritesValuesTheWayQSettingsDoes) {
    EXPECT_EQ(IniProfile::escapeValue("AT89S51"), "AT89S51");
    EXPECT_EQ(IniProfile::escapeValue(" lead space"), "\" lead space\"");
    EXPECT_EQ(IniProfile::escapeValue("a,b;c\"d\\e\tf\nend"), "\"a,b;c\\\"d\\\\e\\tf\\nend\"");
    EXPECT_EQ(IniProfile::escapeValue("x=y#z[w]"), "\"x=y#z[w]\"");
    EXPECT_EQ(IniProfile::escapeValue(std::string("\x01"
                                                  "2")),
              "\\x1\\x32");
    EXPECT_EQ(IniProfile::escapeValue("\xE4\xB8\xAD"), "\xE4\xB8\xAD");
    EXPECT_EQ(IniProfile::escapeKey("Key With Space/x"), "Key%20With%20Space\\x");
    EXPECT_EQ(IniProfile::unescapeKey("Key%20With%20Space\\x"), "Key With Space/x");
    EXPECT_EQ(IniProfile::unescapeKey(IniProfile::escapeKey("\xE4\xB8\xAD-\xC3\xA9")), "\xE4\xB8\xAD-\xC3\xA9");
    for (const std::string &v : std::vector<std::string>{"", " ", "@", "\"q\"", "tab\there", "a\\x",
                                                         std::string("\0"
                                                                     "1",
                                                                     2),
                                                         "\r\n"})
        EXPECT_EQ(IniProfile::unescapeValue(IniProfile::escapeValue(v)), v) << v;
}

TEST(IniProfile, SaveKeepsForeignEntriesAndMergesWithAConcurrentWriter) {
    TempDir dir;
    const fs::path file = dir / "TarvikTech" / "Vantor.conf";
    IniProfile first(file);
    ASSERT_TRUE(first.load()) << "a missing file is an empty profile";
    first.writeInt("System", "CntSuccess", 3);
    first.writeString("System", "PGM83_DEV0", "@odd, name");
    ASSERT_TRUE(first.save()) << first.error();

    // Another program (the desktop one) writes meanwhile; only what we changed goes over it.
    std::string text = readText(file);
    text.replace(text.find("CntSuccess=3"), 12, "CntSuccess=9");
    text += "\n[Recent%20File%20List]\nFile1=/home/u/a.hex\n";
    writeText(file, text);
    IniProfile second(file);
    ASSERT_TRUE(second.load());
    EXPECT_EQ(second.readString("System", "PGM83_DEV0", ""), "@odd, name");
    first.writeInt("System", "CntFailed", 1);
    ASSERT_TRUE(first.save()) << first.error();

    IniProfile third(file);
    ASSERT_TRUE(third.load());
    EXPECT_EQ(third.readInt("System", "CntSuccess", 0), 9) << "what we saved before is not written again";
    EXPECT_EQ(third.readInt("System", "CntFailed", 0), 1);
    EXPECT_EQ(third.readString("Recent File List", "File1", ""), "/home/u/a.hex");
    EXPECT_NE(readText(file).find("PGM83_DEV0=\"@@odd, name\"\n"), std::string::npos) << readText(file);
    EXPECT_FALSE(fs::exists(file.string() + ".lock"));

    // A new load forgets what is gone: a missing file is an empty profile again.
    fs::remove(file);
    ASSERT_TRUE(third.load());
    EXPECT_EQ(third.readString("Recent File List", "File1", "none"), "none");

    // A settings file that became something else fails the save instead of passing silently.
    fs::create_directory(file);
    first.writeInt("System", "CntFailed", 2);
    EXPECT_FALSE(first.save());
    EXPECT_NE(first.error().find("not a regular file"), std::string::npos) << first.error();
}

TEST(IniProfile, NeverWritesThroughAPlantedTemporaryName) {
    TempDir dir;
    writeText(dir / "victim", "keep");
    fs::create_symlink(dir / "victim", dir / "Vantor.conf.tmp");
    IniProfile p(dir / "Vantor.conf");
    ASSERT_TRUE(p.load());
    p.writeInt("System", "CntSuccess", 1);
    ASSERT_TRUE(p.save()) << p.error();
    EXPECT_EQ(readText(dir / "victim"), "keep");
    EXPECT_EQ(readText(dir / "Vantor.conf"), "[System]\nCntSuccess=1\n");
}

TEST(IniProfile, FileOfQSettingsForThisUser) {
    const char *saved = std::getenv("XDG_CONFIG_HOME");
    const std::string keep = saved ? saved : "";
    setenv("XDG_CONFIG_HOME", "/tmp/xdg-here", 1);
    EXPECT_EQ(userSettingsPath(), fs::path("/tmp/xdg-here/TarvikTech/Vantor.conf"));
    setenv("XDG_CONFIG_HOME", "relative", 1);
    const char *home = std::getenv("HOME");
    if (home) {
        EXPECT_EQ(userSettingsPath(), fs::path(home) / ".config/TarvikTech/Vantor.conf");
    }
    if (saved) setenv("XDG_CONFIG_HOME", keep.c_str(), 1);
    else unsetenv("XDG_CONFIG_HOME");
}

}  // namespace
