#include "persist/picture_pixels.h"

#include <algorithm>
#include <array>
#include <string>

#include "persist/binary_io.h"

namespace kavrel::persist {

namespace {

[[noreturn]] void Malformed(const char* field, std::size_t offset, const std::string& detail) {
    throw FormatError(field, offset, detail);
}

std::uint32_t Le(std::span<const std::uint8_t> d, std::size_t at, int n, const char* field) {
    if (at > d.size() || d.size() - at < static_cast<std::size_t>(n)) Malformed(field, at, "past the end of the file");
    std::uint32_t v = 0;
    for (int i = n - 1; i >= 0; --i) v = (v << 8) | d[at + static_cast<std::size_t>(i)];
    return v;
}

std::uint32_t Be(std::span<const std::uint8_t> d, std::size_t at, int n, const char* field) {
    if (at > d.size() || d.size() - at < static_cast<std::size_t>(n)) Malformed(field, at, "past the end of the file");
    std::uint32_t v = 0;
    for (int i = 0; i < n; ++i) v = (v << 8) | d[at + static_cast<std::size_t>(i)];
    return v;
}

std::uint8_t Clamp255(int v) { return static_cast<std::uint8_t>(std::clamp(v, 0, 255)); }

std::uint32_t Rgb(int r, int g, int b) {
    return (static_cast<std::uint32_t>(Clamp255(r)) << 16) | (static_cast<std::uint32_t>(Clamp255(g)) << 8) |
           Clamp255(b);
}

// ---- BMP ------------------------------------------------------------------

std::optional<PicturePixels> DecodeBitmap(std::span<const std::uint8_t> d) {
    const std::uint32_t bitsOffset = Le(d, 10, 4, "bitmap.bfOffBits");
    const std::uint32_t headerSize = Le(d, 14, 4, "bitmap.biSize");
    if (headerSize == 12 || headerSize == 64) return std::nullopt;  // the old core and OS/2 headers: the system's
    if (headerSize != 40 && headerSize != 52 && headerSize != 56 && headerSize != 108 && headerSize != 124) {
        Malformed("bitmap.biSize", 14, "unknown header size " + std::to_string(headerSize));
    }
    const auto width = static_cast<std::int32_t>(Le(d, 18, 4, "bitmap.biWidth"));
    const auto height = static_cast<std::int32_t>(Le(d, 22, 4, "bitmap.biHeight"));
    const std::uint32_t planes = Le(d, 26, 2, "bitmap.biPlanes");
    const std::uint32_t bpp = Le(d, 28, 2, "bitmap.biBitCount");
    const std::uint32_t compression = Le(d, 30, 4, "bitmap.biCompression");
    const std::uint32_t colorsUsed = Le(d, 46, 4, "bitmap.biClrUsed");
    if (planes != 1) Malformed("bitmap.biPlanes", 26, "must be 1");
    if (width <= 0) Malformed("bitmap.biWidth", 18, "not positive");
    if (height == 0 || height == INT32_MIN) Malformed("bitmap.biHeight", 22, "no rows");
    const bool topDown = height < 0;
    const std::int32_t rows = topDown ? -height : height;
    if (static_cast<std::int64_t>(width) * rows > kMaxPicturePixels) Malformed("bitmap.biWidth", 18, "picture too large");
    if (compression != 0) return std::nullopt;  // run-length or bit-field pictures: left to the system
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 24 && bpp != 32) {
        if (bpp == 16) return std::nullopt;
        Malformed("bitmap.biBitCount", 28, "unknown bit count " + std::to_string(bpp));
    }

    std::array<std::uint32_t, 256> palette{};
    std::uint32_t paletteSize = 0;
    if (bpp <= 8) {
        const std::uint32_t most = 1u << bpp;
        paletteSize = colorsUsed ? colorsUsed : most;
        if (paletteSize > most) Malformed("bitmap.biClrUsed", 46, "more colours than the bit count holds");
        const std::size_t at = 14 + static_cast<std::size_t>(headerSize);
        for (std::uint32_t i = 0; i < paletteSize; ++i) {
            const std::uint32_t quad = Le(d, at + 4 * static_cast<std::size_t>(i), 4, "bitmap.palette");
            palette[i] = quad & 0x00FFFFFFu;
        }
    }

    const std::size_t stride = (static_cast<std::size_t>(width) * bpp + 31) / 32 * 4;
    if (bitsOffset > d.size() || (d.size() - bitsOffset) / stride < static_cast<std::size_t>(rows)) {
        Malformed("bitmap.bits", bitsOffset, "the rows go past the end of the file");
    }
    PicturePixels out;
    out.width = width;
    out.height = rows;
    out.pixels.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(rows));
    for (std::int32_t y = 0; y < rows; ++y) {
        const std::size_t stored = topDown ? static_cast<std::size_t>(y) : static_cast<std::size_t>(rows - 1 - y);
        const std::uint8_t* row = d.data() + bitsOffset + stored * stride;
        std::uint32_t* dst = out.pixels.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
        for (std::int32_t x = 0; x < width; ++x) {
            const auto ux = static_cast<std::size_t>(x);
            switch (bpp) {
                case 32:
                case 24: {
                    const std::uint8_t* p = row + ux * (bpp / 8);
                    dst[x] = (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[1]) << 8) | p[0];
                    break;
                }
                default: {
                    const std::size_t bit = ux * bpp;
                    const unsigned shift = 8 - bpp - static_cast<unsigned>(bit % 8);
                    const unsigned index = (row[bit / 8] >> shift) & ((1u << bpp) - 1);
                    // An index past the palette shows black, as the system draws it.
                    dst[x] = index < paletteSize ? palette[index] : 0;
                    break;
                }
            }
        }
    }
    return out;
}

// ---- JPEG -----------------------------------------------------------------

constexpr std::array<std::uint8_t, 64> kNaturalOrder = {
    0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,  12, 19, 26, 33, 40, 48,
    41, 34, 27, 20, 13, 6,  7,  14, 21, 28, 35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23,
    30, 37, 44, 51, 58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};

struct Huffman {
    bool defined = false;
    std::array<std::int32_t, 18> maxCode{};
    std::array<std::int32_t, 17> valueAt{};
    std::array<std::int32_t, 17> minCode{};
    std::array<std::uint8_t, 256> values{};
};

struct Component {
    int id = 0;
    int quantTable = 0;
    int dcTable = 0, acTable = 0;
    int dcPrediction = 0;
    std::vector<std::int16_t> coefficients;  // natural order, 64 a block, blocks row by row
};

class JpegDecoder {
public:
    explicit JpegDecoder(std::span<const std::uint8_t> d) : d_(d) {}

    std::optional<PicturePixels> Decode() {
        std::size_t at = 2;  // after the start of image
        bool scanned = false;
        for (;;) {
            const std::size_t markerAt = at;
            if (at >= d_.size()) Malformed("jpeg.marker", at, "the file ends before its end-of-image marker");
            if (d_[at] != 0xFF) Malformed("jpeg.marker", at, "expected a marker");
            while (at < d_.size() && d_[at] == 0xFF) ++at;
            if (at >= d_.size()) Malformed("jpeg.marker", markerAt, "the file ends inside a marker");
            const std::uint8_t marker = d_[at++];
            if (marker == 0xD9) break;  // end of image
            if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) continue;
            const std::uint32_t length = Be(d_, at, 2, "jpeg.segment.length");
            if (length < 2 || d_.size() - at < length) Malformed("jpeg.segment.length", at, "the segment goes past the end of the file");
            const std::size_t body = at + 2, end = at + length;
            switch (marker) {
                case 0xC0:
                case 0xC1:
                    if (!ReadFrame(body, end)) return std::nullopt;
                    break;
                case 0xC4: ReadHuffman(body, end); break;
                case 0xDB: ReadQuant(body, end); break;
                case 0xDD:
                    if (length != 4) Malformed("jpeg.DRI", at, "length must be 4");
                    restartInterval_ = static_cast<int>(Be(d_, body, 2, "jpeg.DRI.interval"));
                    break;
                case 0xEE:  // Adobe: a three-component picture without a colour transform is RGB
                    if (length >= 14 && Be(d_, body, 4, "jpeg.APP14") == 0x41646F62u && d_[body + 11] == 0) adobeRgb_ = true;
                    break;
                case 0xDA:
                    if (components_.empty()) Malformed("jpeg.SOS", markerAt, "a scan before the frame header");
                    at = ReadScan(body, end);
                    scanned = true;
                    continue;
                default:
                    // Other frame kinds (progressive, lossless, arithmetic): the system's.
                    if (marker >= 0xC2 && marker <= 0xCF && marker != 0xC4 && marker != 0xCC) return std::nullopt;
                    if (marker == 0xCC) return std::nullopt;
                    if (marker == 0xDC) return std::nullopt;  // the height given after the first scan
                    break;  // application data, comments
            }
            at = end;
        }
        if (!scanned) Malformed("jpeg.SOS", at, "no scan before the end of image");
        return Pixels();
    }

private:
    bool ReadFrame(std::size_t body, std::size_t end) {
        if (!components_.empty()) Malformed("jpeg.SOF", body, "a second frame header");
        if (end - body < 6) Malformed("jpeg.SOF", body, "too short");
        const std::uint32_t precision = d_[body];
        height_ = static_cast<int>(Be(d_, body + 1, 2, "jpeg.SOF.height"));
        width_ = static_cast<int>(Be(d_, body + 3, 2, "jpeg.SOF.width"));
        const std::uint32_t count = d_[body + 5];
        if (precision != 8) return false;
        if (height_ == 0) return false;  // given later by a DNL marker
        if (width_ == 0) Malformed("jpeg.SOF.width", body + 3, "zero");
        if (static_cast<std::int64_t>(width_) * height_ > kMaxPicturePixels) Malformed("jpeg.SOF.width", body + 3, "picture too large");
        if (count != 1 && count != 3) return false;
        if (end - body < 6 + 3 * static_cast<std::size_t>(count)) Malformed("jpeg.SOF.components", body + 6, "too short for its components");
        blocksWide_ = (width_ + 7) / 8;
        blocksHigh_ = (height_ + 7) / 8;
        // Each block takes at least two bits (a DC code and an end of block):
        // a frame bigger than the file could hold is not worth the memory.
        if (static_cast<std::int64_t>(blocksWide_) * blocksHigh_ * count > 4 * static_cast<std::int64_t>(d_.size())) {
            Malformed("jpeg.SOF.width", body + 3, "more blocks than the file can hold");
        }
        components_.resize(count);
        for (std::uint32_t i = 0; i < count; ++i) {
            const std::size_t c = body + 6 + 3 * static_cast<std::size_t>(i);
            Component& comp = components_[i];
            comp.id = d_[c];
            const int sampling = d_[c + 1];
            comp.quantTable = d_[c + 2];
            if (sampling != 0x11) return false;  // sub-sampled colour: the system's
            if (comp.quantTable > 3) Malformed("jpeg.SOF.Tq", c + 2, "no such quantisation table");
            comp.coefficients.assign(static_cast<std::size_t>(blocksWide_) * static_cast<std::size_t>(blocksHigh_) * 64, 0);
        }
        if (count == 3 && adobeRgb_) return false;
        return true;
    }

    void ReadHuffman(std::size_t at, std::size_t end) {
        while (at < end) {
            const std::uint8_t tcth = d_[at];
            const int kind = tcth >> 4, slot = tcth & 15;
            if (kind > 1 || slot > 3) Malformed("jpeg.DHT.Tc/Th", at, "no such table");
            if (end - at < 17) Malformed("jpeg.DHT.counts", at + 1, "too short");
            Huffman& h = (kind == 0 ? dc_ : ac_)[static_cast<std::size_t>(slot)];
            h = Huffman{};
            std::size_t total = 0;
            std::int32_t code = 0;
            for (int l = 1; l <= 16; ++l) {
                const int n = d_[at + static_cast<std::size_t>(l)];
                h.valueAt[static_cast<std::size_t>(l)] = static_cast<std::int32_t>(total);
                h.minCode[static_cast<std::size_t>(l)] = code;
                code += n;
                total += static_cast<std::size_t>(n);
                if (code > (1 << l)) Malformed("jpeg.DHT.counts", at + static_cast<std::size_t>(l), "more codes than the length allows");
                h.maxCode[static_cast<std::size_t>(l)] = n ? code - 1 : -1;
                code <<= 1;
            }
            h.maxCode[17] = 0x7FFFFFFF;
            if (total > 256) Malformed("jpeg.DHT.counts", at + 1, "more than 256 values");
            if (end - at - 17 < total) Malformed("jpeg.DHT.values", at + 17, "past the end of the segment");
            std::copy_n(d_.begin() + static_cast<std::ptrdiff_t>(at + 17), total, h.values.begin());
            h.defined = true;
            at += 17 + total;
        }
    }

    void ReadQuant(std::size_t at, std::size_t end) {
        while (at < end) {
            const int pq = d_[at] >> 4, tq = d_[at] & 15;
            if (pq > 1 || tq > 3) Malformed("jpeg.DQT.Pq/Tq", at, "no such table");
            const std::size_t size = pq ? 128 : 64;
            if (end - at - 1 < size) Malformed("jpeg.DQT.values", at + 1, "past the end of the segment");
            auto& q = quant_[static_cast<std::size_t>(tq)];
            for (std::size_t k = 0; k < 64; ++k) {
                q[kNaturalOrder[k]] = pq ? static_cast<std::uint16_t>(Be(d_, at + 1 + 2 * k, 2, "jpeg.DQT.values"))
                                         : d_[at + 1 + k];
            }
            quantDefined_[static_cast<std::size_t>(tq)] = true;
            at += 1 + size;
        }
    }

    // Reads one scan's header and its entropy-coded data; returns the
    // offset of the marker that ends the data.
    std::size_t ReadScan(std::size_t body, std::size_t end) {
        const std::uint32_t count = Be(d_, body, 1, "jpeg.SOS.Ns");
        if (count < 1 || count > components_.size()) Malformed("jpeg.SOS.Ns", body, "bad component count");
        if (end - body != 1 + 2 * static_cast<std::size_t>(count) + 3) Malformed("jpeg.SOS", body, "length does not match its components");
        std::vector<Component*> in;
        for (std::uint32_t i = 0; i < count; ++i) {
            const std::size_t c = body + 1 + 2 * static_cast<std::size_t>(i);
            Component* comp = nullptr;
            for (auto& k : components_) {
                if (k.id == d_[c]) comp = &k;
            }
            if (!comp || std::find(in.begin(), in.end(), comp) != in.end()) Malformed("jpeg.SOS.Cs", c, "no such component");
            comp->dcTable = d_[c + 1] >> 4;
            comp->acTable = d_[c + 1] & 15;
            if (comp->dcTable > 3 || !dc_[static_cast<std::size_t>(comp->dcTable)].defined) Malformed("jpeg.SOS.Td", c + 1, "an undefined Huffman table");
            if (comp->acTable > 3 || !ac_[static_cast<std::size_t>(comp->acTable)].defined) Malformed("jpeg.SOS.Ta", c + 1, "an undefined Huffman table");
            if (!quantDefined_[static_cast<std::size_t>(comp->quantTable)]) Malformed("jpeg.SOS.Cs", c, "an undefined quantisation table");
            in.push_back(comp);
        }
        const std::size_t s = body + 1 + 2 * static_cast<std::size_t>(count);
        if (d_[s] != 0 || d_[s + 1] != 63 || d_[s + 2] != 0) Malformed("jpeg.SOS.Ss/Se/Ah/Al", s, "not a sequential scan");

        pos_ = end;
        bits_ = 0;
        bitCount_ = 0;
        for (Component* c : in) c->dcPrediction = 0;
        // Every component has full resolution, so a block of each is one
        // unit, interleaved or not.
        const int units = blocksWide_ * blocksHigh_;
        int untilRestart = restartInterval_;
        for (int u = 0; u < units; ++u) {
            if (restartInterval_ && untilRestart == 0) {
                Restart();
                for (Component* c : in) c->dcPrediction = 0;
                untilRestart = restartInterval_;
            }
            for (Component* c : in) {
                DecodeBlock(*c, c->coefficients.data() + static_cast<std::size_t>(u) * 64);
            }
            if (restartInterval_) --untilRestart;
        }
        // The data ends at the next marker (stuffed zero bytes are data).
        std::size_t at = pos_;
        while (at + 1 < d_.size() && !(d_[at] == 0xFF && d_[at + 1] != 0x00 && !(d_[at + 1] >= 0xD0 && d_[at + 1] <= 0xD7))) ++at;
        if (at + 1 >= d_.size()) Malformed("jpeg.scan", pos_, "the file ends inside the scan's data");
        return at;
    }

    void Restart() {
        bits_ = 0;
        bitCount_ = 0;
        std::size_t at = pos_;
        if (at + 1 < d_.size() && d_[at] == 0xFF && d_[at + 1] >= 0xD0 && d_[at + 1] <= 0xD7) {
            pos_ = at + 2;
            return;
        }
        Malformed("jpeg.RST", at, "expected a restart marker");
    }

    // The scan's next byte into the bit buffer, read only when its bits
    // are needed: a stuffed zero after 0xFF is dropped, and a marker where
    // data was still expected means the scan was cut short.
    void Fetch() {
        std::uint8_t byte = 0;
        if (pos_ >= d_.size()) Malformed("jpeg.scan", pos_, "the file ends inside the scan's data");
        if (d_[pos_] == 0xFF) {
            if (pos_ + 1 >= d_.size()) Malformed("jpeg.scan", pos_, "the file ends inside the scan's data");
            if (d_[pos_ + 1] == 0x00) {
                byte = 0xFF;
                pos_ += 2;
            } else {
                // A marker where the data still had blocks to give: the
                // scan was cut short (an encoder pads the last byte).
                Malformed("jpeg.scan", pos_, "the scan's data ends before its last block");
            }
        } else {
            byte = d_[pos_++];
        }
        bits_ = (bits_ << 8) | byte;
        bitCount_ += 8;
    }

    int Bit() {
        if (bitCount_ == 0) Fetch();
        --bitCount_;
        return static_cast<int>((bits_ >> bitCount_) & 1);
    }

    // The next `count` bits (up to 16), most significant first.
    int Receive(int count) {
        while (bitCount_ < count) Fetch();
        bitCount_ -= count;
        return static_cast<int>((bits_ >> bitCount_) & ((1u << count) - 1));
    }

    static int Extend(int v, int count) { return v < (1 << (count - 1)) ? v - (1 << count) + 1 : v; }

    int DecodeSymbol(const Huffman& h) {
        const std::size_t at = pos_;
        std::int32_t code = Bit();
        int l = 1;
        while (code > h.maxCode[static_cast<std::size_t>(l)]) {
            if (l == 16) Malformed("jpeg.scan", at, "a Huffman code that the table does not hold");
            code = (code << 1) | Bit();
            ++l;
        }
        const std::int32_t index = h.valueAt[static_cast<std::size_t>(l)] + code - h.minCode[static_cast<std::size_t>(l)];
        if (index < 0 || index > 255) Malformed("jpeg.scan", at, "a Huffman code that the table does not hold");
        return h.values[static_cast<std::size_t>(index)];
    }

    void DecodeBlock(Component& c, std::int16_t* block) {
        const std::size_t at = pos_;
        const int t = DecodeSymbol(dc_[static_cast<std::size_t>(c.dcTable)]);
        if (t > 11) Malformed("jpeg.scan", at, "a DC difference too large");
        const int diff = t ? Extend(Receive(t), t) : 0;
        c.dcPrediction += diff;
        block[0] = static_cast<std::int16_t>(c.dcPrediction);
        const Huffman& ac = ac_[static_cast<std::size_t>(c.acTable)];
        for (int k = 1; k < 64;) {
            const int rs = DecodeSymbol(ac);
            const int r = rs >> 4, s = rs & 15;
            if (s) {
                k += r;
                if (k > 63) Malformed("jpeg.scan", pos_, "coefficients past the end of a block");
                block[kNaturalOrder[static_cast<std::size_t>(k)]] = static_cast<std::int16_t>(Extend(Receive(s), s));
                ++k;
            } else if (r == 15) {
                k += 16;
            } else {
                break;
            }
        }
    }

    // The integer inverse DCT of the common decoders (13-bit constants, two
    // passes with 2 extra bits between them), to the same rounding.
    // One 8-point pass of the integer inverse DCT of the common decoders
    // (13-bit constants), before its descaling: outputs 0 to 7 in order.
    static std::array<std::int64_t, 8> InverseDct8(const std::array<std::int64_t, 8>& v) {
        constexpr int kConstBits = 13;
        constexpr std::int64_t c0_298 = 2446, c0_390 = 3196, c0_541 = 4433, c0_765 = 6270, c0_899 = 7373,
                               c1_175 = 9633, c1_501 = 12299, c1_847 = 15137, c1_961 = 16069, c2_053 = 16819,
                               c2_562 = 20995, c3_072 = 25172;
        // Even part.
        std::int64_t z1 = (v[2] + v[6]) * c0_541;
        const std::int64_t even2 = z1 - v[6] * c1_847;
        const std::int64_t even3 = z1 + v[2] * c0_765;
        const std::int64_t even0 = (v[0] + v[4]) * (1 << kConstBits);
        const std::int64_t even1 = (v[0] - v[4]) * (1 << kConstBits);
        const std::int64_t tmp10 = even0 + even3, tmp13 = even0 - even3, tmp11 = even1 + even2,
                           tmp12 = even1 - even2;
        // Odd part.
        std::int64_t tmp0 = v[7], tmp1 = v[5], tmp2 = v[3], tmp3 = v[1];
        z1 = tmp0 + tmp3;
        std::int64_t z2 = tmp1 + tmp2;
        std::int64_t z3 = tmp0 + tmp2;
        std::int64_t z4 = tmp1 + tmp3;
        const std::int64_t z5 = (z3 + z4) * c1_175;
        tmp0 *= c0_298;
        tmp1 *= c2_053;
        tmp2 *= c3_072;
        tmp3 *= c1_501;
        z1 *= -c0_899;
        z2 *= -c2_562;
        z3 = z3 * -c1_961 + z5;
        z4 = z4 * -c0_390 + z5;
        tmp0 += z1 + z3;
        tmp1 += z2 + z4;
        tmp2 += z2 + z3;
        tmp3 += z1 + z4;
        return {tmp10 + tmp3, tmp11 + tmp2, tmp12 + tmp1, tmp13 + tmp0,
                tmp13 - tmp0, tmp12 - tmp1, tmp11 - tmp2, tmp10 - tmp3};
    }

    // The integer inverse DCT of the common decoders (13-bit constants, two
    // passes with 2 extra bits between them), to the same rounding.
    static void InverseDct(const std::int16_t* in, const std::array<std::uint16_t, 64>& q, std::uint8_t* out,
                           std::size_t stride) {
        constexpr int kConstBits = 13, kPass1Bits = 2;
        auto descale = [](std::int64_t x, int n) { return (x + (std::int64_t{1} << (n - 1))) >> n; };
        std::array<std::int64_t, 64> ws{};
        // Columns.
        for (int col = 0; col < 8; ++col) {
            std::array<std::int64_t, 8> v{};
            for (int row = 0; row < 8; ++row) {
                v[static_cast<std::size_t>(row)] =
                    static_cast<std::int64_t>(in[row * 8 + col]) * q[static_cast<std::size_t>(row * 8 + col)];
            }
            bool acZero = true;
            for (int row = 1; row < 8; ++row) acZero = acZero && in[row * 8 + col] == 0;
            if (acZero) {
                const std::int64_t dc = v[0] * (1 << kPass1Bits);
                for (int row = 0; row < 8; ++row) ws[static_cast<std::size_t>(row * 8 + col)] = dc;
                continue;
            }
            const auto o = InverseDct8(v);
            for (int row = 0; row < 8; ++row) {
                ws[static_cast<std::size_t>(row * 8 + col)] =
                    descale(o[static_cast<std::size_t>(row)], kConstBits - kPass1Bits);
            }
        }
        // Rows, level-shifted back to 0..255.
        for (int row = 0; row < 8; ++row) {
            std::array<std::int64_t, 8> w{};
            std::copy_n(ws.data() + row * 8, 8, w.begin());
            const auto o = InverseDct8(w);
            for (int x = 0; x < 8; ++x) {
                const std::int64_t value = descale(o[static_cast<std::size_t>(x)], kConstBits + kPass1Bits + 3);
                out[static_cast<std::size_t>(row) * stride + static_cast<std::size_t>(x)] =
                    Clamp255(static_cast<int>(std::clamp<std::int64_t>(value, -1024, 1024)) + 128);
            }
        }
    }

    PicturePixels Pixels() const {
        const std::size_t planeWidth = static_cast<std::size_t>(blocksWide_) * 8;
        const std::size_t planeHeight = static_cast<std::size_t>(blocksHigh_) * 8;
        std::vector<std::vector<std::uint8_t>> planes;
        for (const Component& c : components_) {
            std::vector<std::uint8_t> plane(planeWidth * planeHeight);
            const auto& q = quant_[static_cast<std::size_t>(c.quantTable)];
            for (int by = 0; by < blocksHigh_; ++by) {
                for (int bx = 0; bx < blocksWide_; ++bx) {
                    const std::size_t block = static_cast<std::size_t>(by) * static_cast<std::size_t>(blocksWide_) + static_cast<std::size_t>(bx);
                    InverseDct(c.coefficients.data() + block * 64, q,
                               plane.data() + static_cast<std::size_t>(by) * 8 * planeWidth + static_cast<std::size_t>(bx) * 8,
                               planeWidth);
                }
            }
            planes.push_back(std::move(plane));
        }
        PicturePixels out;
        out.width = width_;
        out.height = height_;
        out.pixels.resize(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_));
        // YCbCr to RGB with 16-bit fixed-point factors, rounded as the
        // common decoders round them.
        constexpr int kScale = 16;
        constexpr std::int64_t kHalf = std::int64_t{1} << (kScale - 1);
        constexpr std::int64_t crR = 91881, cbB = 116130, crG = 46802, cbG = 22553;
        for (int y = 0; y < height_; ++y) {
            for (int x = 0; x < width_; ++x) {
                const std::size_t i = static_cast<std::size_t>(y) * planeWidth + static_cast<std::size_t>(x);
                std::uint32_t& px = out.pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) + static_cast<std::size_t>(x)];
                const int luma = planes[0][i];
                if (planes.size() == 1) {
                    px = Rgb(luma, luma, luma);
                    continue;
                }
                const std::int64_t cb = planes[1][i] - 128, cr = planes[2][i] - 128;
                const int r = luma + static_cast<int>((crR * cr + kHalf) >> kScale);
                const int g = luma + static_cast<int>((-cbG * cb + kHalf - crG * cr) >> kScale);
                const int b = luma + static_cast<int>((cbB * cb + kHalf) >> kScale);
                px = Rgb(r, g, b);
            }
        }
        return out;
    }

    std::span<const std::uint8_t> d_;
    int width_ = 0, height_ = 0, blocksWide_ = 0, blocksHigh_ = 0;
    int restartInterval_ = 0;
    bool adobeRgb_ = false;
    std::vector<Component> components_;
    std::array<std::array<std::uint16_t, 64>, 4> quant_{};
    std::array<bool, 4> quantDefined_{};
    std::array<Huffman, 4> dc_{}, ac_{};
    std::size_t pos_ = 0;
    std::uint32_t bits_ = 0;  // the low bitCount_ bits are still to be read
    int bitCount_ = 0;
};

}  // namespace

std::optional<PicturePixels> DecodePicturePixels(std::span<const std::uint8_t> file) {
    if (file.size() >= 2 && file[0] == 'B' && file[1] == 'M') return DecodeBitmap(file);
    if (file.size() >= 3 && file[0] == 0xFF && file[1] == 0xD8 && file[2] == 0xFF) return JpegDecoder(file).Decode();
    return std::nullopt;
}

}  // namespace kavrel::persist
