// SPDX-License-Identifier: MIT
// Generates the embedded media: click.wav, logo.bmp and icon.bmp.
//
// Usage: make_media OUTDIR. The committed files in media/ are this program's
// output; a test regenerates them and compares byte for byte. Only +, -, *, /
// and sqrt are used on doubles (no libm transcendentals), so the output does
// not depend on the C library's sin/exp.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <functional>
#include <iostream>
#include <string>
#include <vector>

namespace {

// --- little-endian file writing ---------------------------------------------

class Bytes {
 public:
  void u8(unsigned v) { data_.push_back(static_cast<std::uint8_t>(v & 0xFFu)); }
  void u16(unsigned v) {
    u8(v);
    u8(v >> 8);
  }
  void u32(std::uint32_t v) {
    u16(v & 0xFFFFu);
    u16(v >> 16);
  }
  void s16(int v) {
    u16(static_cast<unsigned>(static_cast<std::uint16_t>(static_cast<int16_t>(v))));
  }
  void tag(const char* fourChars) {
    for (int i = 0; i < 4; ++i) {
      u8(static_cast<unsigned char>(fourChars[i]));
    }
  }
  const std::vector<std::uint8_t>& data() const { return data_; }

 private:
  std::vector<std::uint8_t> data_;
};

bool writeFile(const std::string& path, const std::vector<std::uint8_t>& data) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
  return static_cast<bool>(out);
}

// --- the click ----------------------------------------------------------------

constexpr int sampleRate = 22050;
constexpr int clickSamples = 680;
constexpr int clickPeak = 2949;  // 9 % of full scale (32767)
constexpr double pi = 3.14159265358979323846;

// cos and sin of a small angle by their series: enough terms for double precision.
void cosSin(double angle, double& c, double& s) {
  c = 0.0;
  s = 0.0;
  double term = 1.0;  // angle^n / n!
  for (int n = 0; n < 30; ++n) {
    switch (n % 4) {
      case 0:
        c += term;
        break;
      case 1:
        s += term;
        break;
      case 2:
        c -= term;
        break;
      default:
        s -= term;
        break;
    }
    term = term * angle / (n + 1);
  }
}

// A damped oscillator, advanced one sample per call by rotating a phasor.
struct Resonator {
  Resonator(double frequencyHz, double decayPerSample, double gain)
      : decay(decayPerSample), amplitude(gain) {
    cosSin(2.0 * pi * frequencyHz / sampleRate, stepCos, stepSin);
  }
  double next() {
    const double value = amplitude * im;
    const double nre = re * stepCos - im * stepSin;
    const double nim = re * stepSin + im * stepCos;
    re = nre;
    im = nim;
    amplitude *= decay;
    return value;
  }
  double re = 1.0;
  double im = 0.0;
  double stepCos = 1.0;
  double stepSin = 0.0;
  double decay;
  double amplitude;
};

std::vector<std::uint8_t> makeClick() {
  // A relay-like tick: a bright, quickly dying body, a lower ring under it and
  // a short burst of noise at the very start.
  Resonator body(3100.0, 0.955, 1.0);
  Resonator ring(1250.0, 0.985, 0.55);
  std::uint32_t noiseState = 0x2545F491u;
  double noiseLevel = 0.8;
  std::vector<double> wave(clickSamples);
  for (int n = 0; n < clickSamples; ++n) {
    noiseState = noiseState * 1664525u + 1013904223u;
    const double noise = (static_cast<double>(noiseState >> 8) / 8388608.0) - 1.0;
    const double attack = n < 6 ? (n + 1) / 6.0 : 1.0;  // no step at the first sample
    const double fade = n >= clickSamples - 64 ? (clickSamples - 1 - n) / 63.0 : 1.0;
    wave[n] = (body.next() + ring.next() + noise * noiseLevel) * attack * fade;
    noiseLevel *= 0.82;
  }
  double peak = 0.0;
  for (double v : wave) {
    peak = std::max(peak, v < 0 ? -v : v);
  }

  const std::uint32_t dataBytes = clickSamples * 2;
  Bytes b;
  b.tag("RIFF");
  b.u32(36 + dataBytes);
  b.tag("WAVE");
  b.tag("fmt ");
  b.u32(16);
  b.u16(1);  // PCM
  b.u16(1);  // mono
  b.u32(sampleRate);
  b.u32(sampleRate * 2);
  b.u16(2);
  b.u16(16);
  b.tag("data");
  b.u32(dataBytes);
  for (double v : wave) {
    b.s16(static_cast<int>(std::floor(v / peak * clickPeak + 0.5)));
  }
  return b.data();
}

// --- pictures -------------------------------------------------------------------

struct Colour {
  double r, g, b;
};

Colour mix(Colour a, Colour b, double t) {
  return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

double clamp01(double v) {
  return v < 0 ? 0 : (v > 1 ? 1 : v);
}

// Signed distance to a rounded rectangle given by its corners (x0,y0)-(x1,y1).
double roundedRect(double px, double py, double x0, double y0, double x1, double y1,
                   double radius) {
  const double cx = (x0 + x1) / 2;
  const double cy = (y0 + y1) / 2;
  const double qx = std::abs(px - cx) - ((x1 - x0) / 2 - radius);
  const double qy = std::abs(py - cy) - ((y1 - y0) / 2 - radius);
  const double ox = std::max(qx, 0.0);
  const double oy = std::max(qy, 0.0);
  return std::sqrt(ox * ox + oy * oy) + std::min(std::max(qx, qy), 0.0) - radius;
}

double circle(double px, double py, double cx, double cy, double radius) {
  const double dx = px - cx;
  const double dy = py - cy;
  return std::sqrt(dx * dx + dy * dy) - radius;
}

// Distance to an arc of the given radius around (cx,cy) that opens to the right,
// 45 degrees above and below the horizontal, drawn with round ends.
double rightArc(double px, double py, double cx, double cy, double radius, double thickness) {
  const double dx = px - cx;
  const double dy = py - cy;
  if (dx > std::abs(dy)) {
    return std::abs(std::sqrt(dx * dx + dy * dy) - radius) - thickness / 2;
  }
  const double e = radius * std::sqrt(0.5);
  const double ex = dx - e;
  const double ey = std::abs(dy) - e;
  return std::sqrt(ex * ex + ey * ey) - thickness / 2;
}

// Pixel coverage of a shape from its distance at the pixel centre (1 px ramp).
double coverage(double distance) {
  return clamp01(0.5 - distance);
}

class Canvas {
 public:
  Canvas(int width, int height, Colour background)
      : width_(width),
        height_(height),
        pixels_(static_cast<std::size_t>(width * height), background) {}

  // Paints every pixel with the shader's colour, weighted by the shape's
  // coverage times opacity. Shapes take pixel-centre coordinates.
  void paint(const std::function<double(double, double)>& shape,
             const std::function<Colour(double, double)>& shader, double opacity = 1.0) {
    for (int y = 0; y < height_; ++y) {
      for (int x = 0; x < width_; ++x) {
        const double px = x + 0.5;
        const double py = y + 0.5;
        const double a = coverage(shape(px, py)) * opacity;
        if (a > 0) {
          Colour& p = pixels_[static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) +
                              static_cast<std::size_t>(x)];
          p = mix(p, shader(px, py), a);
        }
      }
    }
  }
  void paint(const std::function<double(double, double)>& shape, Colour colour,
             double opacity = 1.0) {
    paint(
        shape, [colour](double, double) { return colour; }, opacity);
  }
  // A soft shadow: opacity falls off over 'softness' pixels outside the shape.
  void shadow(const std::function<double(double, double)>& shape, Colour colour, double opacity,
              double softness) {
    for (int y = 0; y < height_; ++y) {
      for (int x = 0; x < width_; ++x) {
        const double d = shape(x + 0.5, y + 0.5);
        const double t = clamp01(1.0 - d / softness);
        const double a = t * t * opacity;
        if (a > 0) {
          Colour& p = pixels_[static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) +
                              static_cast<std::size_t>(x)];
          p = mix(p, colour, a);
        }
      }
    }
  }

  // A 24-bit, uncompressed, bottom-up Windows BMP at 2835 pixels per metre.
  std::vector<std::uint8_t> bmp() const {
    const std::uint32_t rowBytes = (static_cast<std::uint32_t>(width_) * 3 + 3) & ~3u;
    const std::uint32_t imageBytes = rowBytes * static_cast<std::uint32_t>(height_);
    Bytes b;
    b.u8('B');
    b.u8('M');
    b.u32(54 + imageBytes);
    b.u16(0);
    b.u16(0);
    b.u32(54);
    b.u32(40);
    b.u32(static_cast<std::uint32_t>(width_));
    b.u32(static_cast<std::uint32_t>(height_));
    b.u16(1);
    b.u16(24);
    b.u32(0);
    b.u32(imageBytes);
    b.u32(2835);
    b.u32(2835);
    b.u32(0);
    b.u32(0);
    for (int y = height_ - 1; y >= 0; --y) {
      for (int x = 0; x < width_; ++x) {
        const Colour& p = pixels_[static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) +
                                  static_cast<std::size_t>(x)];
        b.u8(toByte(p.b));
        b.u8(toByte(p.g));
        b.u8(toByte(p.r));
      }
      for (std::uint32_t pad = static_cast<std::uint32_t>(width_) * 3; pad < rowBytes; ++pad) {
        b.u8(0);
      }
    }
    return b.data();
  }

 private:
  static unsigned toByte(double v) {
    return static_cast<unsigned>(std::floor(std::clamp(v, 0.0, 255.0) + 0.5));
  }
  int width_;
  int height_;
  std::vector<Colour> pixels_;
};

constexpr Colour white{255, 255, 255};

// The logo: a white handheld radio remote control lying across the picture,
// two rows of four dark grey keys, an antenna stub and a small LED.
std::vector<std::uint8_t> makeLogo() {
  Canvas c(140, 59, white);
  const double bx0 = 14, by0 = 7, bx1 = 131, by1 = 50, br = 12;
  auto body = [=](double x, double y) { return roundedRect(x, y, bx0, by0, bx1, by1, br); };
  auto antenna = [](double x, double y) { return roundedRect(x, y, 6, 13, 18, 21, 3.5); };

  c.shadow([=](double x, double y) { return body(x - 1.5, y - 2.5); }, {150, 150, 150}, 0.45, 5);
  c.paint(antenna, [](double, double y) {
    return mix({120, 120, 126}, {70, 70, 76}, (y - 13) / 8);
  });
  c.paint([&](double x, double y) { return std::abs(antenna(x, y) + 0.6) - 0.6; }, {60, 60, 64},
          0.7);
  // Body: a soft grey rim, then the white face with a gentle top-to-bottom shade.
  c.paint(body, {172, 172, 178});
  c.paint([=](double x, double y) { return body(x, y) + 1.3; },
          [=](double, double y) {
            return mix({255, 255, 255}, {226, 227, 231}, clamp01((y - by0) / (by1 - by0)));
          });
  // A highlight along the upper edge and a darker band near the lower edge.
  c.paint([=](double x, double y) { return std::abs(body(x, y) + 3.0) - 0.8; },
          [=](double, double y) {
            return y < (by0 + by1) / 2 ? white : Colour{208, 209, 214};
          },
          0.6);

  // LED, left of the keys, with a small glint.
  c.paint([](double x, double y) { return circle(x, y, 30.5, 28.5, 3.0); }, {120, 24, 24});
  c.paint([](double x, double y) { return circle(x, y, 30.5, 28.5, 2.2); }, {215, 40, 36});
  c.paint([](double x, double y) { return circle(x, y, 29.7, 27.6, 0.8); }, {255, 190, 180}, 0.9);

  // Two rows of four keys: drop shade, key, lighter top face.
  const double keyW = 15, keyH = 11, gapX = 6, gapY = 6;
  const double firstX = 46, firstY = (by0 + by1) / 2 - keyH - gapY / 2;
  for (int row = 0; row < 2; ++row) {
    for (int col = 0; col < 4; ++col) {
      const double x0 = firstX + col * (keyW + gapX);
      const double y0 = firstY + row * (keyH + gapY);
      auto key = [=](double x, double y) {
        return roundedRect(x, y, x0, y0, x0 + keyW, y0 + keyH, 3.2);
      };
      c.shadow([=](double x, double y) { return key(x - 0.6, y - 1.2); }, {120, 120, 128}, 0.5,
               2.0);
      c.paint(key, {48, 48, 53});
      c.paint([=](double x, double y) { return key(x, y + 0.8) + 1.2; },
              [=](double, double y) {
                return mix({104, 104, 110}, {72, 72, 78}, clamp01((y - y0) / keyH));
              });
    }
  }
  return c.bmp();
}

// The program icon: a mains socket with radio waves, on a blue tile, to be
// read at title-bar size.
std::vector<std::uint8_t> makeIcon() {
  const Colour tile{30, 86, 160};
  Canvas c(47, 37, tile);
  // Socket plate and its round recess.
  auto plate = [](double x, double y) { return roundedRect(x, y, 2, 3, 33, 34, 6); };
  c.shadow([&](double x, double y) { return plate(x - 1, y - 1.5); }, {10, 30, 70}, 0.6, 2.5);
  c.paint(plate, {205, 208, 215});
  c.paint([&](double x, double y) { return plate(x, y) + 1.2; },
          [](double, double y) {
            return mix({255, 255, 255}, {232, 234, 240}, (y - 3) / 31);
          });
  c.paint([](double x, double y) { return circle(x, y, 17.5, 18.5, 11.5); }, {170, 174, 184});
  c.paint([](double x, double y) { return circle(x, y, 17.5, 18.5, 10.3); },
          [](double, double y) {
            return mix({214, 217, 224}, {246, 247, 250}, (y - 8) / 21);
          });
  // The two pin holes and the earth clips at the top and bottom of the recess.
  c.paint([](double x, double y) { return circle(x, y, 12.5, 18.5, 2.3); }, {35, 35, 40});
  c.paint([](double x, double y) { return circle(x, y, 22.5, 18.5, 2.3); }, {35, 35, 40});
  c.paint([](double x, double y) { return roundedRect(x, y, 15, 8, 20, 10.5, 0.8); },
          {150, 152, 160});
  c.paint([](double x, double y) { return roundedRect(x, y, 15, 26.5, 20, 29, 0.8); },
          {150, 152, 160});
  // Radio waves leaving the socket's upper right corner.
  const Colour wave{255, 204, 40};
  for (double radius : {5.0, 9.5, 14.0}) {
    c.paint([=](double x, double y) { return rightArc(x, y, 31, 11, radius, 2.4); }, wave);
  }
  c.paint([](double x, double y) { return circle(x, y, 31, 11, 2.0); }, wave);
  return c.bmp();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: make_media OUTDIR\n";
    return 2;
  }
  const std::string dir = argv[1];
  const bool ok = writeFile(dir + "/click.wav", makeClick()) &&
                  writeFile(dir + "/logo.bmp", makeLogo()) &&
                  writeFile(dir + "/icon.bmp", makeIcon());
  if (!ok) {
    std::cerr << "make_media: cannot write into " << dir << "\n";
    return 1;
  }
  return 0;
}
