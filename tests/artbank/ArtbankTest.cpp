#include <gtest/gtest.h>

#include <cstring>
#include <dlfcn.h>
#include <map>
#include <set>

#include "core/SharedLibrary.h"
#include "devices/DeviceTables.h"
#include "devices/RtfDocument.h"

using namespace vantor;

namespace {

using Lookup = std::int32_t (*)(std::int32_t);
using Find = const void *(*)(const char *, int, std::uint32_t *);

class ArtbankTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(lib.open(std::filesystem::path(VANTOR_BIN_DIR) / SharedLibrary::fileName("Artbank")))
            << lib.lastError();
        mfg = lib.function<Lookup>("GetMfgRes");
        adp = lib.function<Lookup>("GetAdpRes");
        find = lib.function<Find>("ArtbankFindResource");
        ASSERT_TRUE(mfg && adp && find);
    }
    std::string resource(const char *type, int id) {
        std::uint32_t size = 12345;
        const void *p = find(type, id, &size);
        if (!p) {
            EXPECT_EQ(size, 0u);
            return {};
        }
        return std::string(static_cast<const char *>(p), size);
    }
    SharedLibrary lib;
    Lookup mfg = nullptr, adp = nullptr;
    Find find = nullptr;
};

std::uint32_t le32(const std::string &b, std::size_t at) {
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(b[at + std::size_t(i)]);
    return v;
}

}  // namespace

TEST_F(ArtbankTest, ManufacturerTableOverItsWholeRange) {
    // Every index that has a logo; all others give 0.
    const std::map<int, int> logos = {
        {1, 3000},  {2, 3001},  {3, 3002},  {4, 3003},  {5, 3004},  {6, 3005},  {8, 3007},  {9, 3009},  {10, 3010},
        {11, 3011}, {13, 3012}, {17, 3013}, {18, 3014}, {21, 3016}, {22, 3017}, {23, 3018}, {24, 3019}, {31, 3021},
        {32, 3022}, {33, 3023}, {36, 3025}, {37, 3026}, {40, 3028}, {41, 3029}, {42, 3030}, {45, 3031}, {46, 3033},
        {47, 3034}, {48, 3035}, {49, 3036}, {50, 3037}, {51, 3038}, {53, 3039}, {55, 3041}, {57, 3042}, {59, 3044},
        {60, 3043}, {61, 3045}, {62, 3046}, {64, 3047}, {66, 3048}, {68, 3049}, {70, 3050}, {71, 3051}, {74, 3052},
        {78, 3053}, {82, 3055}, {83, 3056}, {88, 3057}, {89, 3059}, {90, 3060}, {91, 3061}, {92, 3062}, {95, 3063},
        {96, 3064}, {97, 3065}, {98, 3058}, {99, 3066}, {100, 3067}};
    for (int i = 0; i <= 101; ++i) {
        auto it = logos.find(i);
        EXPECT_EQ(mfg(i), it == logos.end() ? 0 : it->second) << "index " << i;
    }
    EXPECT_EQ(mfg(-1), 0);
    EXPECT_EQ(mfg(102), 0);
}

TEST_F(ArtbankTest, AdapterTableOverItsWholeRange) {
    for (int i = 0; i <= 72; ++i) EXPECT_EQ(adp(i), i >= 8 && i <= 19 ? 0 : 4000 + i) << "index " << i;
    EXPECT_EQ(adp(-1), 0);
    EXPECT_EQ(adp(73), 0);
}

TEST_F(ArtbankTest, EveryLogoIsAWellFormedBitmap) {
    int fullSize = 0;
    for (int id = 3000; id <= 3067; ++id) {
        SCOPED_TRACE(id);
        const std::string b = resource("BITMAP", id);
        ASSERT_GE(b.size(), 40u);
        EXPECT_EQ(le32(b, 0), 40u);  // BITMAPINFOHEADER, no file header
        const std::uint32_t w = le32(b, 4), h = le32(b, 8);
        const unsigned planes = static_cast<unsigned char>(b[12]), bpp = static_cast<unsigned char>(b[14]);
        EXPECT_EQ(planes, 1u);
        EXPECT_TRUE(bpp == 4 || bpp == 8 || bpp == 24);
        EXPECT_EQ(le32(b, 16), 0u);  // uncompressed
        EXPECT_TRUE(w > 0 && w <= 124 && h > 0 && h <= 75);
        const std::uint32_t stride = (w * bpp + 31) / 32 * 4;
        EXPECT_EQ(le32(b, 20), stride * h);
        const std::uint32_t colours = le32(b, 32);
        EXPECT_LE(colours, bpp == 24 ? 0u : (1u << bpp));
        EXPECT_EQ(b.size(), 40 + colours * 4 + stride * h);
        if (w == 124 && h == 75) ++fullSize;
    }
    EXPECT_GT(fullSize, 34);
    EXPECT_TRUE(resource("BITMAP", 3068).empty());
    EXPECT_TRUE(resource("BITMAP", 4000).empty());  // types are kept apart
}

// The English documents ("ADPEN") are built like the Chinese ones, under the same ids.
TEST_F(ArtbankTest, EveryDocumentIsRichTextInCodePage936) {
    auto pictures = [](const RichText &runs) {
        return std::count_if(runs.begin(), runs.end(), [](const RichRun &r) { return r.isPicture(); });
    };
    for (const bool english : {false, true})
        for (int id = 4000; id <= 4072; ++id) {
            SCOPED_TRACE(std::to_string(id) + (english ? " English" : " Chinese"));
            const std::string doc = resource(english ? "ADPEN" : "ADP", id);
            ASSERT_FALSE(doc.empty());
            EXPECT_EQ(doc.rfind("{\\rtf1", 0), 0u);
            EXPECT_NE(doc.find("\\ansicpg936"), std::string::npos);
            EXPECT_NE(doc.find("\\fcharset134"), std::string::npos);
            int depth = 0, lowest = 1;
            bool seven = true;
            for (std::size_t i = 0; i < doc.size(); ++i) {
                const char c = doc[i];
                if (static_cast<unsigned char>(c) >= 0x80) seven = false;
                if (c == '\\') ++i;  // escaped brace or backslash
                else if (c == '{') ++depth;
                else if (c == '}') lowest = std::min(lowest, --depth);
            }
            EXPECT_TRUE(seven);  // GBK bytes travel as \'xx escapes
            EXPECT_EQ(depth, 0);
            EXPECT_GE(lowest, 0);

            RichText runs;
            ASSERT_TRUE(parseRtf(doc, runs));
            const std::string text = plainText(runs);
            EXPECT_NE(text.find(std::string(adapterTableText(id - 4000))), std::string::npos);
            EXPECT_EQ(text.find("\xEF\xBF\xBD"), std::string::npos);  // every byte decoded
            EXPECT_GT(text.size(), 600u);
            if (!english) {
                EXPECT_NE(text.find("\xE6\xB3\xA8\xE6\x84\x8F"), std::string::npos);  // 注意 (a caution)
                continue;
            }
            EXPECT_NE(text.find("Caution: "), std::string::npos);
            // No Chinese character is left (their UTF-8 lead bytes); the same pictures as the Chinese one.
            EXPECT_EQ(text.find_first_of("\xE4\xE5\xE6\xE7\xE8\xE9"), std::string::npos) << text;
            RichText chinese;
            ASSERT_TRUE(parseRtf(resource("ADP", id), chinese));
            EXPECT_EQ(pictures(runs), pictures(chinese));
        }
    // Socket documents show where pin 1 goes with a picture.
    RichText runs;
    ASSERT_TRUE(parseRtf(resource("ADP", 4023), runs));
    EXPECT_TRUE(std::any_of(runs.begin(), runs.end(),
                            [](const RichRun &r) { return r.pictureFormat == "dib" && r.picture.size() > 40; }));
}

TEST_F(ArtbankTest, UnknownRequestsFindNothing) {
    EXPECT_TRUE(resource("ADP", 3999).empty());
    EXPECT_TRUE(resource("ADP", 4073).empty());
    EXPECT_TRUE(resource("ICON", 3000).empty());
    EXPECT_EQ(find(nullptr, 4000, nullptr), nullptr);
    EXPECT_NE(find("ADP", 4000, nullptr), nullptr);  // size is optional
}

TEST(SharedLibrary, MissingLibraryAndSymbol) {
    SharedLibrary lib;
    EXPECT_FALSE(lib.open("/nonexistent/libNothing.so"));
    EXPECT_FALSE(lib.isOpen());
    EXPECT_FALSE(lib.lastError().empty());
    EXPECT_EQ(lib.symbol("GetMfgRes"), nullptr);

    SharedLibrary artbank(std::filesystem::path(VANTOR_BIN_DIR) / SharedLibrary::fileName("Artbank"));
    ASSERT_TRUE(artbank.isOpen());
    EXPECT_EQ(artbank.symbol("NoSuchExport"), nullptr);
    SharedLibrary moved = std::move(artbank);
    EXPECT_FALSE(artbank.isOpen());
    EXPECT_NE(moved.symbol("GetAdpRes"), nullptr);

    // Assigning over an open library and closing each give back their handle: nothing keeps
    // the library loaded afterwards.
    const auto path = std::filesystem::path(VANTOR_BIN_DIR) / SharedLibrary::fileName("Artbank");
    auto loaded = [&] {
        void *h = dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
        if (h) dlclose(h);
        return h != nullptr;
    };
    SharedLibrary other(path);
    moved = std::move(other);
    EXPECT_FALSE(other.isOpen());
    ASSERT_TRUE(moved.isOpen());
    moved.close();
    EXPECT_FALSE(loaded());
    // Opening again forgets the last error and the library opened before.
    ASSERT_TRUE(lib.open(path));
    EXPECT_TRUE(lib.lastError().empty()) << lib.lastError();
    ASSERT_TRUE(lib.open(path));
    lib.close();
    EXPECT_FALSE(loaded());
}
