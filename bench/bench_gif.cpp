// GIF decoding speed against giflib and Qt's reader, on GIFs made here with
// giflib's encoder; and, with --cpu, the processor time an animation costs
// while it plays for 10 s on the real clock.
//
//   bench_gif [--repeat N]
//   bench_gif --cpu [SECONDS]
#include "pictures/Gif.h"
#include "pictures/GifPainter.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QTimer>

#include <gif_lib.h>
#include <sys/resource.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <random>
#include <vector>

namespace {

struct Frame {
    int left = 0, top = 0, width = 0, height = 0;
    std::vector<std::uint8_t> pixels;
    int delay = 0;
};

struct GifSample {
    const char* name;
    int width, height;
    int colors;
    bool interlaced;
    bool loop;
    std::vector<Frame> frames;
};

int WriteToBuffer(GifFileType* gif, const GifByteType* data, int length) {
    auto* out = static_cast<QByteArray*>(gif->UserData);
    out->append(reinterpret_cast<const char*>(data), length);
    return length;
}

QByteArray Encode(const GifSample& sample) {
    QByteArray out;
    int error = 0;
    GifFileType* gif = EGifOpen(&out, WriteToBuffer, &error);
    if (gif == nullptr) {
        return {};
    }
    EGifSetGifVersion(gif, true);
    std::vector<GifColorType> colors(256);
    for (int i = 0; i < 256; ++i) {
        colors[i] = {static_cast<GifByteType>(i), static_cast<GifByteType>((i * 7) & 255),
                     static_cast<GifByteType>(255 - i)};
    }
    ColorMapObject* map = GifMakeMapObject(sample.colors, colors.data());
    EGifPutScreenDesc(gif, sample.width, sample.height, 8, 0, map);
    if (sample.loop) {
        const GifByteType id[] = {'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0'};
        const GifByteType sub[] = {1, 0, 0};
        EGifPutExtensionLeader(gif, APPLICATION_EXT_FUNC_CODE);
        EGifPutExtensionBlock(gif, sizeof id, id);
        EGifPutExtensionBlock(gif, sizeof sub, sub);
        EGifPutExtensionTrailer(gif);
    }
    for (const Frame& f : sample.frames) {
        if (sample.frames.size() > 1) {
            const GifByteType gce[] = {0x04, static_cast<GifByteType>(f.delay & 255),
                                       static_cast<GifByteType>(f.delay >> 8), 0};
            EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, sizeof gce, gce);
        }
        EGifPutImageDesc(gif, f.left, f.top, f.width, f.height, sample.interlaced, nullptr);
        std::vector<int> rows;
        if (sample.interlaced) {
            const int start[4] = {0, 4, 2, 1};
            const int step[4] = {8, 8, 4, 2};
            for (int pass = 0; pass < 4; ++pass) {
                for (int y = start[pass]; y < f.height; y += step[pass]) {
                    rows.push_back(y);
                }
            }
        } else {
            for (int y = 0; y < f.height; ++y) {
                rows.push_back(y);
            }
        }
        for (int y : rows) {
            EGifPutLine(gif, const_cast<GifPixelType*>(f.pixels.data() + std::size_t(y) * f.width),
                        f.width);
        }
    }
    EGifCloseFile(gif, &error);
    GifFreeMapObject(map);
    return out;
}

Frame Photo(int w, int h, unsigned seed) {
    std::mt19937 rng(seed);
    Frame f{0, 0, w, h, {}, 4};
    f.pixels.resize(std::size_t(w) * h);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const double v = 128 + 60 * std::sin(x * 0.013) * std::cos(y * 0.021) +
                             40 * std::sin((x + y) * 0.005) + double(rng() % 24) - 12;
            f.pixels[std::size_t(y) * w + x] = static_cast<std::uint8_t>(std::clamp(v, 0.0, 255.0));
        }
    }
    return f;
}

Frame Text(int w, int h) {
    Frame f{0, 0, w, h, {}, 4};
    f.pixels.assign(std::size_t(w) * h, 0);
    std::mt19937 rng(5);
    for (int line = 8; line + 12 < h; line += 18) {
        for (int x = 10; x < w - 10;) {
            const int word = 12 + int(rng() % 40);
            for (int dx = 0; dx < word && x + dx < w - 10; ++dx) {
                for (int dy = 0; dy < 12; ++dy) {
                    if ((rng() % 3) == 0) {
                        f.pixels[std::size_t(line + dy) * w + x + dx] = 1;
                    }
                }
            }
            x += word + 8;
        }
    }
    return f;
}

std::vector<Frame> Animation(int w, int h, int count) {
    std::vector<Frame> frames;
    Frame first = Photo(w, h, 1);
    frames.push_back(first);
    for (int i = 1; i < count; ++i) {
        Frame f{(i * 3) % (w - 64), (i * 2) % (h - 64), 64, 64, {}, 4};
        f.pixels.resize(64 * 64);
        for (int p = 0; p < 64 * 64; ++p) {
            f.pixels[p] = static_cast<std::uint8_t>((p / 64 + p % 64 + i * 5) & 255);
        }
        frames.push_back(f);
    }
    return frames;
}

int ReadFromBuffer(GifFileType* gif, GifByteType* data, int length) {
    auto* in = static_cast<QBuffer*>(gif->UserData);
    return static_cast<int>(in->read(reinterpret_cast<char*>(data), length));
}

bool DecodeOurs(const QByteArray& bytes) {
    qcm::pictures::TGIFImage image;
    image.LoadFromBytes(bytes);
    return image.FrameCount() > 0;
}

bool DecodeGiflib(const QByteArray& bytes) {
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    int error = 0;
    GifFileType* gif = DGifOpen(&buffer, ReadFromBuffer, &error);
    if (gif == nullptr) {
        return false;
    }
    const bool ok = DGifSlurp(gif) == GIF_OK && gif->ImageCount > 0;
    DGifCloseFile(gif, &error);
    return ok;
}

bool DecodeQt(const QByteArray& bytes) {
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "GIF");
    int frames = 0;
    while (reader.canRead()) {
        if (reader.read().isNull()) {
            break;
        }
        ++frames;
    }
    return frames > 0;
}

// Best of repeat runs, in seconds.
double Time(const std::function<bool()>& run, int repeat) {
    double best = 1e9;
    for (int i = 0; i < repeat; ++i) {
        QElapsedTimer timer;
        timer.start();
        if (!run()) {
            return -1;
        }
        best = std::min(best, timer.nsecsElapsed() / 1e9);
    }
    return best;
}

int Decoding(int repeat) {
    std::vector<GifSample> samples;
    samples.push_back({"photo 1000x1000", 1000, 1000, 256, false, false, {Photo(1000, 1000, 7)}});
    samples.push_back({"text 1000x1000", 1000, 1000, 2, false, false, {Text(1000, 1000)}});
    samples.push_back(
        {"animated 100 frames", 400, 300, 256, false, true, Animation(400, 300, 100)});
    samples.push_back(
        {"interlaced 1000x1000", 1000, 1000, 256, true, false, {Photo(1000, 1000, 9)}});
    std::printf("%-22s %9s %10s %10s %10s %9s %9s\n", "file", "bytes", "ours MP/s", "giflib", "Qt",
                "x giflib", "x Qt");
    bool allFaster = true;
    for (const GifSample& sample : samples) {
        const QByteArray bytes = Encode(sample);
        double pixels = 0;
        for (const Frame& f : sample.frames) {
            pixels += double(f.width) * f.height;
        }
        const double ours = Time([&] { return DecodeOurs(bytes); }, repeat);
        const double giflib = Time([&] { return DecodeGiflib(bytes); }, repeat);
        const double qt = Time([&] { return DecodeQt(bytes); }, repeat);
        const double mp = pixels / 1e6;
        std::printf("%-22s %9lld %10.1f %10.1f %10.1f %9.2f %9.2f\n", sample.name,
                    static_cast<long long>(bytes.size()), mp / ours, mp / giflib, mp / qt,
                    giflib / ours, qt / ours);
        allFaster = allFaster && ours < giflib;
    }
    std::printf("faster than giflib on every file: %s\n", allFaster ? "yes" : "no");
    return 0;
}

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_utime.tv_usec / 1e6 + usage.ru_stime.tv_sec +
           usage.ru_stime.tv_usec / 1e6;
}

// A 31-frame animation like the about box's: 102x59, delays 0 then 3s and 4s,
// looping for ever.
int Cpu(int seconds) {
    GifSample sample{"about", 102, 59, 128, false, true, {}};
    for (int i = 0; i < 31; ++i) {
        Frame f = Photo(102, 59, unsigned(i));
        for (auto& p : f.pixels) {
            p &= 127;
        }
        f.delay = i == 0 ? 0 : (i <= 21 ? 3 : 4);
        sample.frames.push_back(f);
    }
    const QByteArray bytes = Encode(sample);
    qcm::pictures::TGIFImage image;
    image.LoadFromBytes(bytes);
    int compositions = 0;
    QImage box(204, 118, QImage::Format_ARGB32_Premultiplied);
    box.fill(Qt::white);
    // A picture box repaints on every change (not while it is painting).
    bool painting = false;
    image.OnChange = [&] {
        ++compositions;
        if (!painting) {
            QPainter p(&box);
            image.Draw(p, box.rect());
        }
    };
    const double before = CpuSeconds();
    QElapsedTimer wall;
    wall.start();
    {
        painting = true;
        QPainter p(&box);
        image.Draw(p, box.rect());
        painting = false;
    }
    QEventLoop loop;
    QTimer::singleShot(seconds * 1000, &loop, &QEventLoop::quit);
    loop.exec();
    const double cpu = CpuSeconds() - before;
    const double elapsed = wall.elapsed() / 1000.0;
    image.StopPainting();
    std::printf(
        "played %.1f s: %d compositions (%.1f per second), CPU %.3f s = %.2f %% of one core\n",
        elapsed, compositions, compositions / elapsed, cpu, 100.0 * cpu / elapsed);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QGuiApplication app(argc, argv);
    if (argc >= 2 && std::strcmp(argv[1], "--cpu") == 0) {
        return Cpu(argc >= 3 ? std::max(1, std::atoi(argv[2])) : 10);
    }
    int repeat = 5;
    if (argc >= 3 && std::strcmp(argv[1], "--repeat") == 0) {
        repeat = std::max(1, std::atoi(argv[2]));
    }
    return Decoding(repeat);
}
