#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/Colour.h"

namespace vantor {

// One stretch of rich text with uniform formatting. Text is UTF-8; a line ends with "\n"
// ("\r\n" in texts that come from the string table; renderers treat both alike).
// A run with a non-empty `picture` stands for an embedded picture (its text is empty).
struct RichRun {
    std::string text;
    Colour colour = colour::Black;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    int halfPoints = 0;         // font size in half points, 0 = the viewer's default
    std::string font;           // font name from the document's font table, may be empty
    bool fixedPitch = false;    // a table whose columns are lined up with tabs
    std::string pictureFormat;  // "png", "jpeg", "dib", "wmf", "emf", "bmp" or ""
    std::vector<std::uint8_t> picture;
    int pictureWidth = 0;  // pixels as declared by the document (\picw), 0 if unknown
    int pictureHeight = 0;

    bool isPicture() const { return !picture.empty(); }
};

using RichText = std::vector<RichRun>;

struct RtfOptions {
    bool keepPictures = true;
    // Bounds keep a hostile document from exhausting memory.
    std::size_t maxDepth = 256;
    std::size_t maxPictureBytes = 16u << 20;
};

// Reads a Rich Text document into runs: code pages (936 among them) decoded to UTF-8,
// unknown control words and destinations skipped, \u escapes honoured. Never fails:
// malformed input yields whatever text could be recovered. Returns false when the input
// does not start like an RTF document (the runs are then empty).
bool parseRtf(std::string_view rtf, RichText &out, const RtfOptions &options = {});

// The runs' text concatenated; pictures appear as "[picture WxH]".
std::string plainText(const RichText &runs);

// Decodes bytes of a Windows code page to UTF-8 (invalid bytes become U+FFFD).
std::string decodeCodePage(std::string_view bytes, int codePage);

}  // namespace vantor
