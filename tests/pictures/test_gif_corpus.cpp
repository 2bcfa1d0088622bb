// The pygif test suite: every GIF with its .conf (size, loop count, frames
// with delays and the expected RGBA picture of each).
#include "pictures/Gif.h"
#include "pictures/GifPainter.h"

#include <QDir>
#include <QFile>
#include <QSettings>

#include <gtest/gtest.h>

#include <map>
#include <set>

using namespace qcm;
using namespace qcm::core;
using namespace qcm::pictures;

namespace {

QString SuiteDir() {
    return QStringLiteral(QCM_CORPUS_DIR "/gif/pygif-test-suite");
}

struct Expected {
    int width = 0;
    int height = 0;
    QString loopCount;
    struct Frame {
        QString pixels; // .rgba file, or empty for a .png
        QString image;
        int delay = -1;
    };
    std::vector<Frame> frames;
};

Expected ReadConf(const QString& path) {
    QSettings conf(path, QSettings::IniFormat);
    Expected e;
    e.width = conf.value("config/width").toInt();
    e.height = conf.value("config/height").toInt();
    e.loopCount = conf.value("config/loop-count").toString();
    QStringList names = conf.value("config/frames").toStringList();
    names.removeAll(QString());
    for (const QString& name : names) {
        Expected::Frame f;
        f.pixels = conf.value(name + "/pixels").toString();
        f.image = conf.value(name + "/image").toString();
        f.delay = conf.value(name + "/delay", -1).toInt();
        e.frames.push_back(f);
    }
    return e;
}

QImage ExpectedPicture(const Expected::Frame& f, int width, int height) {
    if (!f.pixels.isEmpty()) {
        QFile file(SuiteDir() + "/" + f.pixels);
        if (!file.open(QIODevice::ReadOnly)) {
            return {};
        }
        const QByteArray rgba = file.readAll();
        if (rgba.size() != qsizetype{width} * height * 4) {
            return {};
        }
        return QImage(reinterpret_cast<const uchar*>(rgba.constData()), width, height, width * 4,
                      QImage::Format_RGBA8888)
            .convertToFormat(QImage::Format_ARGB32);
    }
    return QImage(SuiteDir() + "/" + f.image).convertToFormat(QImage::Format_ARGB32);
}

// Where our own rules part from the suite's reference decoder.
const std::map<QString, const char*> kDeviations = {
    // Codes past the next free one are decoded (previous string and its first
    // byte), not refused.
    {"invalid-code", "decoded"},
    {"overflow-codes", "decoded"},
    {"overflow-codes-max", "decoded"},
    // Indices past the colour map are kept and shown black, not refused.
    {"invalid-colors", "decoded"},
    // A frame with neither a descriptor's size nor a screen size has no pixels.
    {"zero-size", "empty frame"},
    {"zero-width", "empty frame"},
    {"zero-height", "empty frame"},
    // A logical screen of more pixels than any picture may have is refused.
    {"max-size", "refused"},
    // Plain text is kept, not drawn; its frame has no image of its own.
    {"plain-text", "kept"},
    // No image at all: an empty picture, not a transparent one.
    {"no-data", "empty"},
    // Cut right after a descriptor: a fixed-size read comes up short.
    {"image-zero-width", "refused"},
    {"image-zero-height", "refused"},
    {"image-zero-size", "refused"},
    // An unknown extension label fails the whole file.
    {"unknown-extension", "refused"},
};

// Each image is a composition of its own, also without a delay before it;
// where the suite merges images into one frame, only the last pictures must
// agree.
const std::set<QString> kEachImageComposed = {
    "animation-multi-image",
    "animation-multi-image-explicit-zero-delay",
    "images-combine",
    "images-overlap",
    "high-color",
    "dispose-restore-previous",
};

class PygifSuite : public ::testing::TestWithParam<QString> {};

} // namespace

TEST(GifCorpus, EveryFileReadsWithoutCrashOrHang) {
    const QDir dir(SuiteDir());
    if (!dir.exists()) {
        GTEST_SKIP() << "corpus absent";
    }
    const QStringList files = dir.entryList({"*.gif"}, QDir::Files, QDir::Name);
    EXPECT_EQ(files.size(), 84);
    for (const QString& name : files) {
        TGIFImage image;
        try {
            image.LoadFromFile(dir.filePath(name));
            TManualClock clock;
            PlayFrames(image, clock, 2, [](const QImage&, std::int64_t) {});
        } catch (const Exception&) {
            // Refusing is fine; crashing or hanging is not.
        }
    }
}

TEST(GifCorpus, FramesMatchTheSuite) {
    const QDir dir(SuiteDir());
    QFile list(dir.filePath("TESTS"));
    if (!list.open(QIODevice::ReadOnly)) {
        GTEST_SKIP() << "corpus absent";
    }
    const QStringList tests = QString::fromUtf8(list.readAll()).split('\n', Qt::SkipEmptyParts);
    int matched = 0;
    for (const QString& test : tests) {
        SCOPED_TRACE(test.toStdString());
        const Expected expected = ReadConf(dir.filePath(test + ".conf"));
        TGIFImage image;
        QString error;
        try {
            image.LoadFromFile(dir.filePath(test + ".gif"));
        } catch (const Exception& e) {
            error = e.Message();
        }
        std::vector<QImage> pictures;
        std::vector<std::int64_t> waits;
        if (error.isEmpty()) {
            TManualClock clock;
            PlayFrames(image, clock, 1, [&](const QImage& picture, std::int64_t wait) {
                pictures.push_back(picture.convertToFormat(QImage::Format_ARGB32));
                waits.push_back(wait);
            });
        }
        if (kDeviations.count(test) != 0) {
            continue;
        }
        EXPECT_EQ(image.Width(), expected.width);
        EXPECT_EQ(image.Height(), expected.height);

        // Loop extension: "infinite" is a count of 0, "0" no extension.
        int loops = -1;
        for (int i = 0; i < image.FrameCount() && loops < 0; ++i) {
            for (const auto& ext : image.Frame(i).Extensions) {
                if (const auto* loop = dynamic_cast<const TGIFAppExtNSLoop*>(ext.get())) {
                    loops = loop->Loops;
                    break;
                }
            }
        }
        // Animated without a loop extension, the suite plays it for ever.
        const bool forced = test == "gif87a-animation";
        if (forced) {
            EXPECT_EQ(loops, -1);
        } else if (expected.loopCount == "infinite") {
            EXPECT_EQ(loops, 0);
        } else if (expected.loopCount != "0") {
            EXPECT_EQ(loops, expected.loopCount.toInt());
        }

        if (expected.frames.empty()) {
            EXPECT_TRUE(!error.isEmpty() || pictures.empty()) << "read as a picture";
            continue;
        }
        std::vector<Expected::Frame> frames = expected.frames;
        if (kEachImageComposed.count(test) != 0 && !pictures.empty()) {
            pictures.erase(pictures.begin(), pictures.end() - 1);
            waits.clear();
            frames.erase(frames.begin(), frames.end() - 1);
        }
        if (!error.isEmpty() || pictures.size() != frames.size()) {
            ADD_FAILURE() << "error '" << error.toStdString() << "', " << pictures.size()
                          << " compositions for " << frames.size() << " frames";
            continue;
        }
        for (std::size_t i = 0; i < pictures.size(); ++i) {
            SCOPED_TRACE(i);
            const QImage want = ExpectedPicture(frames[i], expected.width, expected.height);
            if (want.isNull() || want.size() != pictures[i].size()) {
                ADD_FAILURE() << "reference picture unreadable or of another size";
                continue;
            }
            int wrong = 0;
            for (int y = 0; y < want.height(); ++y) {
                for (int x = 0; x < want.width(); ++x) {
                    const QRgb w = want.pixel(x, y);
                    const QRgb g = pictures[i].pixel(x, y);
                    const bool same = qAlpha(w) == 0 ? qAlpha(g) == 0 : w == g;
                    wrong += same ? 0 : 1;
                }
            }
            EXPECT_EQ(wrong, 0);
            // The wait before the next composition: 12 ms per unit, 0 -> 10,
            // at least 3.
            if (i + 1 < waits.size() && frames[i].delay >= 0) {
                const int d = frames[i].delay;
                EXPECT_EQ(waits[i + 1], 12 * (d == 0 ? 10 : std::max(d, 3)));
            }
        }
        ++matched;
    }
    EXPECT_GE(matched, 60);
}
