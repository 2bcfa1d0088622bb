// Decoding speed of our picture readers next to Qt's readers and libjpeg
// called directly, over files this program writes into a temporary folder.
// usage: bench_pictures [REPETITIONS]
#include "pictures/Bitmap.h"
#include "pictures/Icon.h"
#include "pictures/Jpeg.h"

#include "../tests/pictures/JpegTestFiles.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImageReader>
#include <QTemporaryDir>
#include <QtEndian>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <random>

using namespace qcm;
using namespace qcm::core;
using namespace qcm::pictures;

namespace {

int gRepetitions = 7;

double Seconds(const std::function<QSize()>& decode) {
    const auto start = std::chrono::steady_clock::now();
    const QSize size = decode();
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    if (size.isEmpty()) {
        std::fprintf(stderr, "a decoder gave nothing\n");
        std::exit(1);
    }
    return took.count();
}

// Best times of the repetitions, in seconds. The two decoders take turns so
// that the load of a shared machine weighs on both alike.
std::pair<double, double> BestOf(const std::function<QSize()>& ours,
                                 const std::function<QSize()>& reference) {
    double bestOurs = 1e9;
    double bestReference = 1e9;
    for (int i = 0; i < gRepetitions; ++i) {
        bestOurs = std::min(bestOurs, Seconds(ours));
        bestReference = std::min(bestReference, Seconds(reference));
    }
    return {bestOurs, bestReference};
}

void Report(const char* name, QSize size, const char* reference, std::pair<double, double> times) {
    const auto [ours, theirs] = times;
    const double mpix = double(size.width()) * size.height() / 1e6;
    std::printf("%-34s %5dx%-5d ours %8.1f MP/s  %-14s %8.1f MP/s  ours/ref %.3f\n", name,
                size.width(), size.height(), mpix / ours, reference, mpix / theirs, theirs / ours);
}

// A photograph-like picture with fine noise, so that JPEG has work to do.
QImage Photo(int width, int height) {
    QImage image = qcm::testing::PhotoLike(width, height);
    std::mt19937 random(7);
    std::uniform_int_distribution<int> noise(-12, 12);
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const int n = noise(random);
            row[x] =
                qRgb(std::clamp(qRed(row[x]) + n, 0, 255), std::clamp(qGreen(row[x]) + n, 0, 255),
                     std::clamp(qBlue(row[x]) - n, 0, 255));
        }
    }
    return image;
}

QByteArray SaveBmp(const QImage& image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "BMP");
    return bytes;
}

// One icon entry: a BITMAPINFOHEADER of double height, the colour rows
// bottom-up and a 1-bit AND mask.
QByteArray IconEntry(const QImage& source, int bitCount) {
    const int w = source.width();
    const int h = source.height();
    QByteArray out(40, '\0');
    auto put32 = [&out](int at, quint32 v) { qToLittleEndian(v, out.data() + at); };
    auto put16 = [&out](int at, quint16 v) { qToLittleEndian(v, out.data() + at); };
    put32(0, 40);
    put32(4, quint32(w));
    put32(8, quint32(h * 2));
    put16(12, 1);
    put16(14, quint16(bitCount));
    if (bitCount == 8) {
        const QImage indexed = source.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither);
        QList<QRgb> table = indexed.colorTable();
        table.resize(256);
        for (QRgb c : table) {
            const char quad[4] = {char(qBlue(c)), char(qGreen(c)), char(qRed(c)), 0};
            out.append(quad, 4);
        }
        const int stride = (w + 3) & ~3;
        for (int y = h - 1; y >= 0; --y) {
            QByteArray row(reinterpret_cast<const char*>(indexed.constScanLine(y)), w);
            row.resize(stride, '\0');
            out.append(row);
        }
    } else {
        const QImage argb = source.convertToFormat(QImage::Format_ARGB32);
        for (int y = h - 1; y >= 0; --y) {
            for (int x = 0; x < w; ++x) {
                const QRgb c = argb.pixel(x, y);
                const char quad[4] = {char(qBlue(c)), char(qGreen(c)), char(qRed(c)),
                                      char(qAlpha(c))};
                out.append(quad, 4);
            }
        }
    }
    const int maskStride = ((w + 31) / 32) * 4;
    out.append(QByteArray(maskStride * h, '\0'));
    return out;
}

QByteArray MakeIcon(const std::vector<std::pair<QImage, int>>& images) {
    QByteArray header(6, '\0');
    qToLittleEndian<quint16>(1, header.data() + 2);
    qToLittleEndian<quint16>(quint16(images.size()), header.data() + 4);
    QByteArray directory;
    QByteArray bodies;
    qsizetype offset = 6 + 16 * qsizetype(images.size());
    for (const auto& [image, bits] : images) {
        const QByteArray body = IconEntry(image, bits);
        QByteArray entry(16, '\0');
        entry[0] = char(image.width() & 0xff);
        entry[1] = char(image.height() & 0xff);
        qToLittleEndian<quint16>(1, entry.data() + 4);
        qToLittleEndian<quint16>(quint16(bits), entry.data() + 6);
        qToLittleEndian<quint32>(quint32(body.size()), entry.data() + 8);
        qToLittleEndian<quint32>(quint32(offset), entry.data() + 12);
        directory.append(entry);
        bodies.append(body);
        offset += body.size();
    }
    return header + directory + bodies;
}

QByteArray WriteAndReadBack(const QTemporaryDir& dir, const QString& name,
                            const QByteArray& bytes) {
    QFile file(dir.filePath(name));
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(file.fileName()));
        std::exit(1);
    }
    file.close();
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}

template <class Kind> std::unique_ptr<Kind> LoadOurs(const QByteArray& bytes) {
    auto picture = std::make_unique<Kind>();
    picture->LoadFromBytes(bytes);
    return picture;
}

QImage QtRead(const QByteArray& bytes, const char* format, int index = 0) {
    QByteArray copy = bytes;
    QBuffer buffer(&copy);
    QImageReader reader(&buffer, format);
    if (index > 0) {
        reader.jumpToImage(index);
    }
    return reader.read();
}

// libjpeg with the settings TJPEGImage uses by default, into a QImage.
QSize DirectJpeg(const QByteArray& bytes) {
    jpeg_decompress_struct cinfo{};
    jpeg_error_mgr jerr{};
    cinfo.err = jpeg_std_error(&jerr); // the default exits: our own files are good
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, reinterpret_cast<const unsigned char*>(bytes.constData()),
                 static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&cinfo, TRUE);
    cinfo.out_color_space = JCS_EXT_BGRA;
    jpeg_start_decompress(&cinfo);
    QImage image(int(cinfo.output_width), int(cinfo.output_height), QImage::Format_RGB32);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = image.scanLine(int(cinfo.output_scanline));
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return image.size();
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc > 1) {
        gRepetitions = std::max(1, std::atoi(argv[1]));
    }
    QTemporaryDir dir;
    std::printf("best of %d; ours/ref above 1 means ours is faster\n", gRepetitions);

    const QImage large = Photo(2000, 1500);
    const QImage small = Photo(640, 480);

    for (const QImage* photo : {&large, &small}) {
        const QByteArray bmp24 = WriteAndReadBack(
            dir, QStringLiteral("p24.bmp"), SaveBmp(photo->convertToFormat(QImage::Format_RGB888)));
        const QByteArray bmp8 = WriteAndReadBack(
            dir, QStringLiteral("p8.bmp"),
            SaveBmp(photo->convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither)));
        for (const auto& [name, bytes] :
             {std::pair{"BMP 24-bit", bmp24}, std::pair{"BMP 8-bit", bmp8}}) {
            Report(name, photo->size(), "Qt",
                   BestOf([&] { return LoadOurs<TBitmap>(bytes)->Image().size(); },
                          [&] { return QtRead(bytes, "BMP").size(); }));
        }
        for (const bool progressive : {false, true}) {
            qcm::testing::JpegOptions options;
            options.quality = 90;
            options.progressive = progressive;
            const QByteArray jpeg = WriteAndReadBack(dir, QStringLiteral("p.jpg"),
                                                     qcm::testing::EncodeJpeg(*photo, options));
            const char* name = progressive ? "JPEG progressive" : "JPEG baseline";
            auto ours = [&] { return LoadOurs<TJPEGImage>(jpeg)->Bitmap().size(); };
            Report(name, photo->size(), "libjpeg direct",
                   BestOf(ours, [&] { return DirectJpeg(jpeg); }));
            Report(name, photo->size(), "Qt",
                   BestOf(ours, [&] { return QtRead(jpeg, "JPG").size(); }));
        }
    }

    const QImage face = Photo(256, 256);
    const QByteArray ico = WriteAndReadBack(dir, QStringLiteral("i.ico"),
                                            MakeIcon({{face, 32},
                                                      {face.scaled(48, 48), 32},
                                                      {face.scaled(32, 32), 8},
                                                      {face.scaled(32, 32), 32},
                                                      {face.scaled(16, 16), 8}}));
    {
        // The 256 x 256 entry, first in the file: what Qt reads by default.
        auto icon = LoadOurs<TIcon>(ico);
        Report("ICO 256x256 32-bpp entry", {256, 256}, "Qt",
               BestOf([&] { return icon->ImageAt(0).size(); },
                      [&] { return QtRead(ico, "ICO").size(); }));
        // Reading the whole file: directory plus the chosen 32 x 32 entry.
        Report("ICO load, 32x32 32-bpp chosen", {32, 32}, "Qt",
               BestOf([&] { return LoadOurs<TIcon>(ico)->Image().size(); },
                      [&] { return QtRead(ico, "ICO", 3).size(); }));
    }
    return 0;
}
