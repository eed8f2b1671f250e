// The decoder of picture files: BMP pixels made here byte by byte, JPEG
// pixels against captures of an independent decoder (ImageMagick's, saved
// as PPM beside the files), the variants left to the system, and malformed
// files, which must raise FormatError and never read out of bounds.
#include "persist/picture_pixels.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "persist/binary_io.h"

namespace {

using kavrel::persist::DecodePicturePixels;
using kavrel::persist::FormatError;
using Bytes = std::vector<std::uint8_t>;

Bytes ReadFile(const std::string& name) {
    std::ifstream in(std::string(KAVREL_TEST_PICTURES) + "/" + name, std::ios::binary);
    EXPECT_TRUE(in.good()) << name;
    return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void PutLe(Bytes& b, std::size_t at, std::uint32_t v, int n) {
    for (int i = 0; i < n; ++i) b[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
}

// A BMP file with a 40-byte header, the palette given, rows as given
// (already padded, stored bottom-up unless the height is negative).
Bytes Bitmap(std::int32_t width, std::int32_t height, int bpp, const std::vector<std::uint32_t>& palette,
             const Bytes& rows) {
    const std::size_t offset = 14 + 40 + 4 * palette.size();
    Bytes b(offset + rows.size(), 0);
    b[0] = 'B';
    b[1] = 'M';
    PutLe(b, 2, static_cast<std::uint32_t>(b.size()), 4);
    PutLe(b, 10, static_cast<std::uint32_t>(offset), 4);
    PutLe(b, 14, 40, 4);
    PutLe(b, 18, static_cast<std::uint32_t>(width), 4);
    PutLe(b, 22, static_cast<std::uint32_t>(height), 4);
    PutLe(b, 26, 1, 2);
    PutLe(b, 28, static_cast<std::uint32_t>(bpp), 2);
    PutLe(b, 46, static_cast<std::uint32_t>(palette.size()), 4);
    for (std::size_t i = 0; i < palette.size(); ++i) PutLe(b, 54 + 4 * i, palette[i], 4);
    std::copy(rows.begin(), rows.end(), b.begin() + static_cast<std::ptrdiff_t>(offset));
    return b;
}

// 0x00RRGGBB pixels of a binary PPM (P6, maxval 255).
std::vector<std::uint32_t> PpmPixels(const Bytes& ppm, int& width, int& height) {
    std::string head(ppm.begin(), ppm.begin() + std::min<std::size_t>(ppm.size(), 32));
    int maxval = 0, consumed = 0;
    EXPECT_EQ(std::sscanf(head.c_str(), "P6 %d %d %d%n", &width, &height, &maxval, &consumed), 3);
    std::vector<std::uint32_t> out;
    const std::size_t start = static_cast<std::size_t>(consumed) + 1;
    for (std::size_t i = start; i + 2 < ppm.size() && out.size() < static_cast<std::size_t>(width * height); i += 3) {
        out.push_back((static_cast<std::uint32_t>(ppm[i]) << 16) | (static_cast<std::uint32_t>(ppm[i + 1]) << 8) | ppm[i + 2]);
    }
    return out;
}

void ExpectMalformed(const Bytes& file, const std::string& field) {
    try {
        (void)DecodePicturePixels(file);
        ADD_FAILURE() << "no FormatError, expected one for " << field;
    } catch (const FormatError& e) {
        EXPECT_EQ(e.Field(), field) << e.what();
    }
}

TEST(PicturePixelsBitmap, TwentyFourBitRowsAreStoredBottomUpWithPadding) {
    // 3 x 2: stride 12 (9 bytes of pixels, 3 of padding). Bottom row first.
    const Bytes rows = {0x03, 0x02, 0x01, 0x06, 0x05, 0x04, 0x09, 0x08, 0x07, 0xEE, 0xEE, 0xEE,
                        0xFF, 0x00, 0x00, 0x00, 0xFF, 0x00, 0x00, 0x00, 0xFF, 0xEE, 0xEE, 0xEE};
    const auto p = DecodePicturePixels(Bitmap(3, 2, 24, {}, rows));
    ASSERT_TRUE(p);
    EXPECT_EQ(p->width, 3);
    EXPECT_EQ(p->height, 2);
    EXPECT_EQ(p->pixels, (std::vector<std::uint32_t>{0x0000FF, 0x00FF00, 0xFF0000, 0x010203, 0x040506, 0x070809}));
}

TEST(PicturePixelsBitmap, NegativeHeightMeansTopDownAndThirtyTwoBitsIgnoreTheFourthByte) {
    const Bytes rows = {0x10, 0x20, 0x30, 0xFF, 0x40, 0x50, 0x60, 0x80};
    const auto p = DecodePicturePixels(Bitmap(1, -2, 32, {}, rows));
    ASSERT_TRUE(p);
    EXPECT_EQ(p->pixels, (std::vector<std::uint32_t>{0x302010, 0x605040}));
}

TEST(PicturePixelsBitmap, PalettedPixelsOfOneFourAndEightBits) {
    const std::vector<std::uint32_t> palette = {0x000000, 0xFFFFFF, 0x112233, 0x445566};
    // 1 bit: 10 pixels in one row of 4 bytes, most significant bit first.
    auto one = DecodePicturePixels(Bitmap(10, 1, 1, {0x0000FF, 0x00FF00}, {0b10100000, 0b01000000, 0, 0}));
    ASSERT_TRUE(one);
    EXPECT_EQ(one->pixels[0], 0x00FF00u);
    EXPECT_EQ(one->pixels[1], 0x0000FFu);
    EXPECT_EQ(one->pixels[2], 0x00FF00u);
    EXPECT_EQ(one->pixels[9], 0x00FF00u);
    EXPECT_EQ(one->pixels[8], 0x0000FFu);
    // 4 bits: high nibble first; an index past the palette is black.
    auto four = DecodePicturePixels(Bitmap(3, 1, 4, palette, {0x23, 0x90, 0, 0}));
    ASSERT_TRUE(four);
    EXPECT_EQ(four->pixels, (std::vector<std::uint32_t>{0x112233, 0x445566, 0x000000}));
    auto eight = DecodePicturePixels(Bitmap(2, 1, 8, palette, {1, 3, 0, 0}));
    ASSERT_TRUE(eight);
    EXPECT_EQ(eight->pixels, (std::vector<std::uint32_t>{0xFFFFFF, 0x445566}));
}

TEST(PicturePixelsBitmap, CompressedAndSixteenBitPicturesAreLeftToTheSystem) {
    Bytes rle = Bitmap(2, 1, 8, {0, 0}, {0, 0, 0, 0});
    PutLe(rle, 30, 1, 4);  // BI_RLE8
    EXPECT_FALSE(DecodePicturePixels(rle));
    EXPECT_FALSE(DecodePicturePixels(Bitmap(2, 1, 16, {}, {0, 0, 0, 0})));
    EXPECT_FALSE(DecodePicturePixels(Bytes{'G', 'I', 'F', '8', '9', 'a'}));
}

TEST(PicturePixelsBitmap, MalformedHeadersNameTheirField) {
    const Bytes good = Bitmap(2, 2, 24, {}, Bytes(16, 0));
    ASSERT_TRUE(DecodePicturePixels(good));

    ExpectMalformed(Bytes{'B', 'M', 0, 0}, "bitmap.bfOffBits");
    Bytes b = good;
    PutLe(b, 10, 0x7FFFFFFF, 4);
    ExpectMalformed(b, "bitmap.bits");
    b = good;
    b.resize(b.size() - 1);  // the last row one byte short
    ExpectMalformed(b, "bitmap.bits");
    b = good;
    PutLe(b, 14, 200, 4);
    ExpectMalformed(b, "bitmap.biSize");
    b = good;
    PutLe(b, 18, 0, 4);
    ExpectMalformed(b, "bitmap.biWidth");
    b = good;
    PutLe(b, 18, 0x10000, 4);
    PutLe(b, 22, 0x10000, 4);
    ExpectMalformed(b, "bitmap.biWidth");  // too large a picture
    b = good;
    PutLe(b, 22, 0, 4);
    ExpectMalformed(b, "bitmap.biHeight");
    b = good;
    PutLe(b, 28, 7, 2);
    ExpectMalformed(b, "bitmap.biBitCount");
    b = good;
    PutLe(b, 26, 2, 2);
    ExpectMalformed(b, "bitmap.biPlanes");

    Bytes paletted = Bitmap(2, 1, 1, {0, 0xFFFFFF}, {0, 0, 0, 0});
    PutLe(paletted, 46, 3, 4);
    ExpectMalformed(paletted, "bitmap.biClrUsed");
    PutLe(paletted, 46, 0, 4);  // two colours, as the bit count holds
    ASSERT_TRUE(DecodePicturePixels(paletted));
    paletted.resize(14 + 40 + 6);  // the palette cut short
    ExpectMalformed(paletted, "bitmap.palette");
}

TEST(PicturePixelsJpeg, ColourAndGreyMatchAnIndependentDecoder) {
    for (const char* name : {"colour", "grey"}) {
        SCOPED_TRACE(name);
        const auto p = DecodePicturePixels(ReadFile(std::string(name) + ".jpg"));
        ASSERT_TRUE(p);
        int w = 0, h = 0;
        const auto expected = PpmPixels(ReadFile(std::string(name) + ".ppm"), w, h);
        ASSERT_EQ(p->width, w);
        ASSERT_EQ(p->height, h);
        ASSERT_EQ(p->pixels.size(), expected.size());
        for (std::size_t i = 0; i < expected.size(); ++i) {
            ASSERT_EQ(p->pixels[i], expected[i]) << "pixel (" << i % static_cast<std::size_t>(w) << ", "
                                                 << i / static_cast<std::size_t>(w) << ")";
        }
    }
}

TEST(PicturePixelsJpeg, ProgressiveAndSubsampledPicturesAreLeftToTheSystem) {
    EXPECT_FALSE(DecodePicturePixels(ReadFile("progressive.jpg")));
    EXPECT_FALSE(DecodePicturePixels(ReadFile("subsampled.jpg")));
}

// The offset of the first marker `code` in a JPEG file.
std::size_t MarkerAt(const Bytes& f, std::uint8_t code) {
    for (std::size_t i = 0; i + 1 < f.size(); ++i) {
        if (f[i] == 0xFF && f[i + 1] == code) return i;
    }
    ADD_FAILURE() << "no marker " << int{code};
    return 0;
}

TEST(PicturePixelsJpeg, MalformedSegmentsNameTheirField) {
    const Bytes good = ReadFile("colour.jpg");
    ASSERT_TRUE(DecodePicturePixels(good));
    const std::size_t sof = MarkerAt(good, 0xC0), dht = MarkerAt(good, 0xC4), dqt = MarkerAt(good, 0xDB),
                      sos = MarkerAt(good, 0xDA);

    Bytes b = good;
    b[sof + 2] = 0xFF;  // a frame header longer than the file
    b[sof + 3] = 0xFF;
    ExpectMalformed(b, "jpeg.segment.length");
    b = good;
    b[sof + 12] = 4;  // the first component's quantisation table
    ExpectMalformed(b, "jpeg.SOF.Tq");
    b = good;
    b[sof + 7] = 0;  // zero width
    b[sof + 8] = 0;
    ExpectMalformed(b, "jpeg.SOF.width");
    b = good;
    b[dht + 4] = 0x25;  // table class 2
    ExpectMalformed(b, "jpeg.DHT.Tc/Th");
    b = good;
    b[dht + 5] = 3;  // three codes of length one
    ExpectMalformed(b, "jpeg.DHT.counts");
    b = good;
    b[dqt + 4] = 0x04;  // table 4
    ExpectMalformed(b, "jpeg.DQT.Pq/Tq");
    b = good;
    b[sos + 6] = 0x33;  // tables 3, never defined
    ExpectMalformed(b, "jpeg.SOS.Td");
    b = good;
    b[sos + 5] = 9;  // no component 9
    ExpectMalformed(b, "jpeg.SOS.Cs");
    b = good;
    b[sos + 4] = 4;  // more components than the frame has
    ExpectMalformed(b, "jpeg.SOS.Ns");

    // A scan before any frame header.
    Bytes noFrame(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(sof));
    noFrame.insert(noFrame.end(), good.begin() + static_cast<std::ptrdiff_t>(sos), good.end());
    ExpectMalformed(noFrame, "jpeg.SOS");
    // The file cut inside the scan's data, and cut before its end marker.
    ExpectMalformed(Bytes(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(sos + 20)), "jpeg.scan");
    ExpectMalformed(Bytes(good.begin(), good.end() - 2), "jpeg.scan");
}

TEST(PicturePixelsJpeg, EveryCutOfAFileIsRejectedOrDecodedNeverReadPastItsEnd) {
    for (const char* name : {"colour.jpg", "grey.jpg", "progressive.jpg"}) {
        const Bytes whole = ReadFile(name);
        for (std::size_t n = 0; n < whole.size(); ++n) {
            // Exactly the bytes kept, so that a read past them is a read out
            // of bounds (the sanitiser build reports it).
            const Bytes cut(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(n));
            try {
                const auto p = DecodePicturePixels(cut);
                if (p) {
                    EXPECT_EQ(p->pixels.size(), static_cast<std::size_t>(p->width) * static_cast<std::size_t>(p->height));
                }
            } catch (const FormatError&) {
            }
        }
    }
    // Corrupted entropy-coded data: each byte of the scan flipped in turn.
    const Bytes good = ReadFile("colour.jpg");
    const std::size_t sos = MarkerAt(good, 0xDA);
    int rejected = 0;
    for (std::size_t i = sos + 14; i + 2 < good.size(); ++i) {
        Bytes b = good;
        b[i] ^= 0x5A;
        try {
            (void)DecodePicturePixels(b);
        } catch (const FormatError&) {
            ++rejected;
        }
    }
    EXPECT_GT(rejected, 0) << "some corruption of the scan must be found";
}

}  // namespace
