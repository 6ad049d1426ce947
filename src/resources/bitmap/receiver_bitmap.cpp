// Build-time tool: draws the plug-in's bitmap (resource 129) for the host, a stylised handheld
// receiver with its antenna under satellite signals, 150 x 250 pixels, 24-bit, uncompressed.
// Usage: receiver_bitmap <output.bmp>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <vector>

namespace {

constexpr int kWidth = 150;
constexpr int kHeight = 250;

struct Rgb {
    std::uint8_t r, g, b;
};

class Canvas {
  public:
    Canvas() : pixels_(static_cast<std::size_t>(kWidth * kHeight)) {}

    void Put(int x, int y, Rgb c) {
        if (x >= 0 && x < kWidth && y >= 0 && y < kHeight) {
            pixels_[static_cast<std::size_t>(y * kWidth + x)] = c;
        }
    }
    Rgb Get(int x, int y) const { return pixels_[static_cast<std::size_t>(y * kWidth + x)]; }

    // Rectangle with corners rounded to radius (inclusive bounds).
    void RoundRect(int x0, int y0, int x1, int y1, int radius, Rgb c) {
        for (int y = y0; y <= y1; ++y) {
            for (int x = x0; x <= x1; ++x) {
                const int cx = x < x0 + radius ? x0 + radius : (x > x1 - radius ? x1 - radius : x);
                const int cy = y < y0 + radius ? y0 + radius : (y > y1 - radius ? y1 - radius : y);
                if ((x - cx) * (x - cx) + (y - cy) * (y - cy) <= radius * radius) {
                    Put(x, y, c);
                }
            }
        }
    }
    void Circle(int cx, int cy, int radius, Rgb c) {
        RoundRect(cx - radius, cy - radius, cx + radius, cy + radius, radius, c);
    }
    // Part of a ring between two radii, within an angle range (degrees, 0 = right, counter-
    // clockwise, y grows downward on screen).
    void Arc(double cx, double cy, double r0, double r1, double a0, double a1, Rgb c) {
        for (int y = 0; y < kHeight; ++y) {
            for (int x = 0; x < kWidth; ++x) {
                const double dx = x - cx;
                const double dy = cy - y;
                const double d = std::sqrt(dx * dx + dy * dy);
                const double a = std::atan2(dy, dx) * 180.0 / 3.14159265358979;
                if (d >= r0 && d <= r1 && a >= a0 && a <= a1) {
                    Put(x, y, c);
                }
            }
        }
    }

    bool WriteBmp(const char* path) const {
        const int rowBytes = (kWidth * 3 + 3) / 4 * 4;
        const std::uint32_t imageBytes = static_cast<std::uint32_t>(rowBytes * kHeight);
        std::vector<std::uint8_t> out;
        auto u16 = [&out](std::uint32_t v) {
            out.push_back(static_cast<std::uint8_t>(v));
            out.push_back(static_cast<std::uint8_t>(v >> 8));
        };
        auto u32 = [&u16](std::uint32_t v) {
            u16(v & 0xFFFFU);
            u16(v >> 16);
        };
        // BITMAPFILEHEADER
        out.push_back('B');
        out.push_back('M');
        u32(14 + 40 + imageBytes);
        u32(0);
        u32(14 + 40);
        // BITMAPINFOHEADER: positive height, rows stored bottom-up; BI_RGB.
        u32(40);
        u32(kWidth);
        u32(kHeight);
        u16(1);
        u16(24);
        u32(0);
        u32(imageBytes);
        u32(2835);
        u32(2835);
        u32(0);
        u32(0);
        for (int y = kHeight - 1; y >= 0; --y) {
            for (int x = 0; x < kWidth; ++x) {
                const Rgb c = Get(x, y);
                out.push_back(c.b);
                out.push_back(c.g);
                out.push_back(c.r);
            }
            for (int pad = kWidth * 3; pad < rowBytes; ++pad) {
                out.push_back(0);
            }
        }
        std::ofstream file(path, std::ios::binary);
        file.write(reinterpret_cast<const char*>(out.data()),
                   static_cast<std::streamsize>(out.size()));
        return static_cast<bool>(file);
    }

  private:
    std::vector<Rgb> pixels_;
};

void Draw(Canvas& canvas) {
    // Night sky fading to dusk.
    for (int y = 0; y < kHeight; ++y) {
        const double t = static_cast<double>(y) / (kHeight - 1);
        const Rgb sky{static_cast<std::uint8_t>(12 + 40 * t),
                      static_cast<std::uint8_t>(28 + 70 * t),
                      static_cast<std::uint8_t>(70 + 90 * t)};
        for (int x = 0; x < kWidth; ++x) {
            canvas.Put(x, y, sky);
        }
    }
    // A satellite with its panels, top right.
    const Rgb panel{70, 110, 200};
    canvas.RoundRect(100, 20, 114, 28, 1, panel);
    canvas.RoundRect(128, 20, 142, 28, 1, panel);
    canvas.RoundRect(115, 17, 127, 31, 2, Rgb{210, 210, 220});
    // Signal waves from the satellite toward the antenna.
    const Rgb wave{255, 200, 60};
    for (int i = 0; i < 3; ++i) {
        canvas.Arc(121, 24, 18.0 + 10 * i, 21.0 + 10 * i, -178, -140, wave);
    }
    // Antenna: a dark stub with a bright tip.
    canvas.RoundRect(52, 34, 66, 84, 6, Rgb{30, 30, 34});
    canvas.Circle(59, 36, 5, Rgb{230, 90, 40});
    // Body with a light edge.
    canvas.RoundRect(33, 74, 117, 238, 14, Rgb{200, 200, 205});
    canvas.RoundRect(36, 77, 114, 235, 12, Rgb{60, 62, 70});
    // Maker stripe.
    canvas.RoundRect(36, 84, 114, 90, 2, Rgb{230, 120, 30});
    // Screen: a position fix with a crosshair and satellites in view.
    canvas.RoundRect(45, 98, 105, 158, 4, Rgb{20, 24, 20});
    canvas.RoundRect(48, 101, 102, 155, 3, Rgb{150, 200, 120});
    const Rgb ink{30, 60, 30};
    for (int x = 52; x <= 98; ++x) {
        canvas.Put(x, 128, ink);
    }
    for (int y = 105; y <= 151; ++y) {
        canvas.Put(75, y, ink);
    }
    canvas.Arc(75, 128, 17, 18.5, -180, 180, ink);
    for (const auto& dot : {std::pair{60, 112}, std::pair{90, 116}, std::pair{84, 144},
                            std::pair{58, 140}, std::pair{70, 120}}) {
        canvas.Circle(dot.first, dot.second, 2, ink);
    }
    // Keypad: three rows of three keys and a wide power key.
    for (int row = 0; row < 3; ++row) {
        for (int col = 0; col < 3; ++col) {
            canvas.Circle(55 + col * 20, 174 + row * 17, 6, Rgb{140, 145, 155});
            canvas.Circle(55 + col * 20, 173 + row * 17, 4, Rgb{175, 180, 190});
        }
    }
    canvas.RoundRect(50, 219, 100, 227, 4, Rgb{40, 160, 80});
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: receiver_bitmap <output.bmp>\n");
        return 2;
    }
    Canvas canvas;
    Draw(canvas);
    if (!canvas.WriteBmp(argv[1])) {
        std::fprintf(stderr, "receiver_bitmap: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
