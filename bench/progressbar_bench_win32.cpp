// Progress bar benchmark: the wall time of one DrawProgressBar (the whole
// redraw into the off-screen buffer and its copy to the window) for each of
// the ten styles, on a bar of Bar1's size (249 x 9) and on a 600 x 40 bar,
// horizontal, half full, without text. Median of RUNS redraws after a
// warm-up.
//
// usage: progressbar_bench [RUNS]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "bench/median.h"
#include "progressbar/bar_surface_win32.h"

using namespace kavrel::persist;
using namespace kavrel::progressbar;
using kavrel::bench::Median;

namespace {

const char* const kStyleNames[] = {"segmented", "smooth", "marquee", "flat", "etched",
                                   "shaded",    "dark",   "hatched", "picture", "glass"};

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 501;
    const HWND parent = CreateWindowExW(0, L"STATIC", L"progress bar bench", WS_POPUP | WS_VISIBLE, 0, 0, 640, 80,
                                        nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!parent) {
        std::fprintf(stderr, "progressbar_bench: cannot create a window (is there a display?)\n");
        return 1;
    }
    // An 8 x 8 picture for the picture style, as a BMP file.
    auto picture = std::make_shared<StdPicture>();
    picture->format = StdPicture::Format::Bitmap;
    {
        const std::uint8_t header[] = {'B', 'M', 0xF6, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0, 40, 0, 0, 0, 8, 0, 0, 0,
                                       8,   0,   0,    0, 1, 0, 24, 0, 0, 0, 0,  0, 0, 0, 0,  0, 0, 0, 0, 0, 0, 0,
                                       0,   0,   0,    0, 0, 0, 0,  0, 0, 0};
        picture->bytes.assign(std::begin(header), std::end(header));
        for (int i = 0; i < 8 * 8; ++i) {
            picture->bytes.push_back(static_cast<std::uint8_t>(i * 4));
            picture->bytes.push_back(static_cast<std::uint8_t>(255 - i * 3));
            picture->bytes.push_back(0x80);
        }
    }

    LARGE_INTEGER freq;
    QueryPerformanceFrequency(&freq);
    const struct {
        int width, height;
    } sizes[] = {{249, 9}, {600, 40}};
    std::printf("runs=%d\n", runs);
    std::printf("%-10s %14s %14s\n", "style", "249x9 (us)", "600x40 (us)");
    for (std::int32_t style = 0; style <= 9; ++style) {
        double medians[2] = {};
        for (int s = 0; s < 2; ++s) {
            auto surface = win32::BarSurface::Create(parent, RECT{0, 0, sizes[s].width, sizes[s].height});
            XP_ProgressBar& bar = surface->Bar();
            bar.SetColor(0x00C56A31);
            bar.SetImage(picture);
            bar.SetScrolling(style);
            bar.SetValue(50);
            for (int i = 0; i < 50; ++i) bar.DrawProgressBar();
            std::vector<double> us;
            us.reserve(static_cast<std::size_t>(runs));
            for (int i = 0; i < runs; ++i) {
                LARGE_INTEGER t0, t1;
                QueryPerformanceCounter(&t0);
                bar.DrawProgressBar();
                QueryPerformanceCounter(&t1);
                us.push_back(1e6 * static_cast<double>(t1.QuadPart - t0.QuadPart) / static_cast<double>(freq.QuadPart));
            }
            medians[s] = Median(us);
        }
        std::printf("%d %-8s %14.1f %14.1f\n", style, kStyleNames[style], medians[0], medians[1]);
    }
    DestroyWindow(parent);
    return 0;
}
