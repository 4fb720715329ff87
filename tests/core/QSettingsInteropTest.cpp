// The command line's settings file against the desktop program's own QSettings: each reads
// what the other wrote.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QSettings>
#include <QString>

#include "buffer/TestSupport.h"
#include "core/Profile.h"

using namespace vantor;
using vantor::test::TempDir;

namespace {

const std::string kNames[] = {"AT89S51",
                              " lead",
                              "trail ",
                              "a,b",
                              "semi;colon",
                              "eq=ual",
                              "\"quoted\"",
                              "back\\slash",
                              "@at",
                              "tab\tnew\nline",
                              "\xE4\xB8\xAD\xE6\x96\x87",
                              "",
                              "x\x01"
                              "1"};

struct QtHome {
    QtHome() {
        setenv("XDG_CONFIG_HOME", dir.path().c_str(), 1);
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, QString::fromStdString(dir.path()));
    }
    TempDir dir;
};

TEST(QSettingsInterop, CommandLineReadsWhatTheDesktopWrote) {
    QtHome home;
    {
        QSettings s("TarvikTech", "Vantor");
        s.setValue("System/CntSuccess", 41);
        s.setValue("System/CntFailed", -2);
        for (std::size_t i = 0; i < std::size(kNames); ++i)
            s.setValue(QString("System/PGM83_DEV%1").arg(i), QString::fromStdString(kNames[i]));
        s.setValue("Device/Some Key/Sub", 7);
        s.sync();
        ASSERT_EQ(s.status(), QSettings::NoError);
        ASSERT_EQ(s.fileName().toStdString(), userSettingsPath().string());
    }
    IniProfile p(userSettingsPath());
    ASSERT_TRUE(p.load()) << p.error();
    EXPECT_EQ(p.readInt("System", "CntSuccess", 0), 41);
    EXPECT_EQ(p.readInt("System", "CntFailed", 0), -2);
    EXPECT_EQ(p.readInt("Device", "Some Key/Sub", 0), 7);
    for (std::size_t i = 0; i < std::size(kNames); ++i)
        EXPECT_EQ(p.readString("System", "PGM83_DEV" + std::to_string(i), "?"), kNames[i]) << i;
}

TEST(QSettingsInterop, DesktopReadsWhatTheCommandLineWrote) {
    QtHome home;
    {
        QSettings s("TarvikTech", "Vantor");
        s.setValue("Option/Sound", 0);
        s.setValue("Device/Kept", QString("by the desktop"));
        s.sync();
    }
    IniProfile p(userSettingsPath());
    ASSERT_TRUE(p.load());
    p.writeInt("System", "CntSuccess", 9);
    for (std::size_t i = 0; i < std::size(kNames); ++i)
        p.writeString("System", "PGM85_DEV" + std::to_string(i), kNames[i]);
    ASSERT_TRUE(p.save()) << p.error();

    QSettings s("TarvikTech", "Vantor");
    EXPECT_EQ(s.value("System/CntSuccess").toInt(), 9);
    EXPECT_EQ(s.value("Option/Sound", 1).toInt(), 0);
    EXPECT_EQ(s.value("Device/Kept").toString().toStdString(), "by the desktop");
    for (std::size_t i = 0; i < std::size(kNames); ++i)
        EXPECT_EQ(s.value(QString("System/PGM85_DEV%1").arg(i)).toString().toStdString(), kNames[i]) << i;
}

}  // namespace

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
