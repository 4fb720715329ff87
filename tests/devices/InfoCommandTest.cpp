#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "devices/LibraryFormat.h"

using namespace vantor;

namespace {

devlib::LibraryRecord mcu(const char *name, int vendor, std::uint32_t size0, std::uint32_t size1, std::uint32_t start1,
                          int width = 8, int adapter = 51) {
    devlib::LibraryRecord r;
    r.device_name = name;
    r.vendor_index = std::uint16_t(vendor);
    r.device_type = 0;
    r.data_width = std::uint8_t(width);
    r.memory_areas[0] = {size0, 0};
    r.memory_areas[1] = {size1, start1};
    r.pin_count = 40;
    r.adapter_index = std::uint16_t(adapter);
    return r;
}

class InfoCommand : public ::testing::Test {
protected:
    void SetUp() override {
        dir = std::filesystem::temp_directory_path() / ("vantor-info-" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir);
        const auto image = devlib::buildLibrary(
            "TR610.dev", {mcu("AT89S8252", 10, 8192, 2048, 8192), mcu("PIC16F84A", 48, 2048, 128, 0x2000, 14, 22),
                          mcu("SST89E516RD", 82, 65536, 8192, 65536), mcu("W78E516", 95, 65536, 4096, 65536),
                          mcu("AT89C51", 10, 4096, 0, 0, 8, 57)});
        std::ofstream(dir / "TR610.dev", std::ios::binary)
            .write(reinterpret_cast<const char *>(image.data()), std::streamsize(image.size()));
    }
    void TearDown() override { std::filesystem::remove_all(dir); }

    // Output of vantor-cli (stdout is a pipe, so it is plain text) and its exit status.
    std::pair<std::string, int> run(const std::string &args) {
        const std::string cmd =
            std::string(VANTOR_BIN_DIR) + "/vantor-cli --lib-dir " + dir.string() + " " + args + " 2>&1";
        std::FILE *p = popen(cmd.c_str(), "r");
        std::string out;
        std::array<char, 4096> buf;
        while (std::size_t n = std::fread(buf.data(), 1, buf.size(), p)) out.append(buf.data(), n);
        const int status = pclose(p);
        return {out, WIFEXITED(status) ? WEXITSTATUS(status) : -1};
    }

    std::filesystem::path dir;
};

const std::string kRule(73, '_');

}  // namespace

TEST_F(InfoCommand, SpecialLayoutsPrintTheirTables) {
    auto [atmel, rc] = run("info -d ATMEL/AT89S8252");
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(atmel, "    Vendor :   \tATMEL\n"
                     "    Device :   \tAT89S8252\n"
                     "    Size   :   \t8K Bytes + 2K Bytes\n"
                     "    Pins   :   \t40\n"
                     "    Adapter:   \tNone\n" +
                         kRule + "\n" +
                         "The chip consists of two memory area: \n"
                         "  FLASH    \tLocation at \t000000H -- 001FFFH\n"
                         "  EEPROM    \tLocation at \t002000H -- 0027FFH\n" +
                         kRule + "\n");

    const std::string pic = run("info -d MICROCHIP/PIC16F84A").first;
    EXPECT_NE(pic.find("Size   :   \t2K Words + 128 Bytes\n"), std::string::npos);
    EXPECT_NE(pic.find("Code Memory\t0000H --- 03FFH   \t0000H --- 07FFH\n"), std::string::npos);
    EXPECT_NE(pic.find("EEPROM Memory\t1000H --- 103FH \t2000H --- 207FH\n"), std::string::npos);

    EXPECT_NE(run("info -d SST/SST89E516RD").first.find("  Block1    \tLocation at \t010000H -- 011FFFH\n"),
              std::string::npos);
    EXPECT_NE(run("info -d W78E516").first.find("  LDROM   \tLocation at \t010000H --- 010FFFH\n"), std::string::npos);
}

TEST_F(InfoCommand, DocumentOnRequestAndErrors) {
    const std::string plain = run("info -d ATMEL/AT89C51").first;
    EXPECT_EQ(plain.find(kRule), plain.rfind(kRule));  // no layout: the closing rule only
    const std::string withDoc = run("info -d ATMEL/AT89C51 --doc").first;
    EXPECT_EQ(withDoc.rfind(plain, 0), 0u);
    EXPECT_NE(withDoc.find("PLCC44/D40-M51"), std::string::npos);
    EXPECT_NE(withDoc.find("[picture "), std::string::npos);
    EXPECT_EQ(withDoc.find('\r'), std::string::npos);

    EXPECT_EQ(run("info -d ATMEL/NOSUCH").second, 2);
    EXPECT_EQ(run("info").second, 2);
    EXPECT_EQ(run("info -d ATMEL/AT89C51 extra").second, 2);
}
