#include "pictures/Metafile.h"

#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPainter>

#include <gtest/gtest.h>

#include <cstdlib>

using qcm::pictures::EInvalidGraphic;
using qcm::pictures::TMetafile;

namespace {

QDir Corpus(const char* folder) {
    return QDir(QStringLiteral(QCM_CORPUS_DIR "/") + folder);
}

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool HasPlaceableKey(const QByteArray& b) {
    return b.startsWith("\xD7\xCD\xC6\x9A");
}
bool IsEnhanced(const QByteArray& b) {
    return b.size() > 100 && b.mid(40, 4) == " EMF";
}

bool SingleColour(const QImage& image) {
    const QRgb first = image.pixel(0, 0);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixel(x, y) != first) {
                return false;
            }
        }
    }
    return true;
}

// Mean absolute difference of grey levels (0..255) of two images, both
// brought down to 32 x 32 so that one-pixel shifts of edges hardly count.
double MeanGreyDifference(const QImage& big, const QImage& bigOther) {
    const QImage a = big.scaled(32, 32, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    const QImage b = bigOther.scaled(32, 32, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    double sum = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            sum += std::abs(qGray(a.pixel(x, y)) - qGray(b.pixel(x, y)));
        }
    }
    return sum / (a.width() * a.height());
}

// Share of pixels that differ from the white background.
double Inked(const QImage& image) {
    qint64 count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            count += (image.pixel(x, y) & 0xFFFFFF) != 0xFFFFFF ? 1 : 0;
        }
    }
    return double(count) / (image.width() * image.height());
}

QImage Drawn(TMetafile& m, int side = 256) {
    // Keep the picture's proportions so that thin lines survive.
    QSize size(side, side);
    if (m.Width() > 0 && m.Height() > 0) {
        size = QSize(m.Width(), m.Height()).scaled(side, side, Qt::KeepAspectRatio);
        size = size.expandedTo(QSize(16, 16));
    }
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    m.Draw(painter, image.rect());
    return image;
}

// Every file loads and draws something, except plain WMFs without the
// placeable header, which this picture kind refuses, and files listed in
// mayBeBlank (EMF+ only: their GDI part is empty).
void LoadAndDrawEach(const char* folder, const QStringList& patterns, const QStringList& skip = {},
                     const QStringList& mayBeBlank = {}) {
    const QDir dir = Corpus(folder);
    if (!dir.exists()) {
        GTEST_SKIP() << "no corpus at " << dir.path().toStdString();
    }
    const QStringList files = dir.entryList(patterns, QDir::Files, QDir::Name);
    ASSERT_FALSE(files.isEmpty());
    for (const QString& name : files) {
        if (skip.contains(name)) {
            continue;
        }
        SCOPED_TRACE(name.toStdString());
        const QByteArray bytes = ReadAll(dir.filePath(name));
        QBuffer buffer;
        buffer.setData(bytes);
        buffer.open(QIODevice::ReadOnly);
        TMetafile m;
        if (!HasPlaceableKey(bytes) && !IsEnhanced(bytes)) {
            EXPECT_THROW(m.LoadFromStream(buffer), EInvalidGraphic) << "not placeable";
            continue;
        }
        ASSERT_NO_THROW(m.LoadFromStream(buffer));
        EXPECT_GT(m.Width(), 0);
        EXPECT_GT(m.Height(), 0);
        const QImage image = Drawn(m);
        if (mayBeBlank.contains(name)) {
            continue;
        }
        EXPECT_GT(Inked(image), 0.002) << "drew almost nothing";
        EXPECT_FALSE(SingleColour(image)) << "drew a solid block";
    }
}

} // namespace

TEST(MetafileCorpus, LibwmfExamplesLoadAndDraw) {
    LoadAndDrawEach("wmf/libwmf", {QStringLiteral("*.wmf")});
}

TEST(MetafileCorpus, LibuemfReferenceFilesLoadAndDraw) {
    LoadAndDrawEach("wmf/libuemf", {QStringLiteral("*.wmf")});
    LoadAndDrawEach("emf/libuemf", {QStringLiteral("*.emf")}, {},
                    {QStringLiteral("test_libuemf_p_ref.emf")});
}

TEST(MetafileCorpus, ApachePoiFilesLoadAndDraw) {
    LoadAndDrawEach("emf/apache-poi", {QStringLiteral("*.emf")}, {QStringLiteral("61294.emf")});
}

TEST(MetafileCorpus, MalformedPoiFileFailsInsteadOfHanging) {
    const QDir dir = Corpus("emf/apache-poi");
    if (!dir.exists(QStringLiteral("61294.emf"))) {
        GTEST_SKIP();
    }
    QBuffer buffer;
    buffer.setData(ReadAll(dir.filePath(QStringLiteral("61294.emf"))));
    buffer.open(QIODevice::ReadOnly);
    TMetafile m;
    EXPECT_THROW(m.LoadFromStream(buffer), EInvalidGraphic);
}

TEST(MetafileCorpus, MappingModeFilesAllDrawTheSameFigure) {
    const QDir dir = Corpus("emf/libuemf");
    if (!dir.exists()) {
        GTEST_SKIP();
    }
    // The same drawing recorded under each mapping mode.
    QImage reference;
    for (const char* mode : {"text", "lometric", "himetric", "loenglish", "hienglish", "twips",
                             "isotropic", "anisotropic"}) {
        SCOPED_TRACE(mode);
        QBuffer buffer;
        buffer.setData(ReadAll(dir.filePath(QStringLiteral("test_mm_%1_ref.emf").arg(mode))));
        buffer.open(QIODevice::ReadOnly);
        TMetafile m;
        ASSERT_NO_THROW(m.LoadFromStream(buffer));
        QImage image(128, 128, QImage::Format_RGB32);
        image.fill(Qt::white);
        {
            QPainter painter(&image);
            m.Draw(painter, image.rect());
        }
        EXPECT_GT(Inked(image), 0.002);
        if (reference.isNull()) {
            reference = image;
        }
        // The border line on the picture's edge falls half outside in the
        // y-up modes (about 6 grey levels on average); moved shapes cost far more.
        EXPECT_LT(MeanGreyDifference(image, reference), 8.0);
    }
}

// Drawings made in SVG, exported to EMF and WMF by Inkscape and rendered to
// PNG from the SVG: our rendering must be close to the SVG's.
TEST(MetafileReference, ExportedDrawingsLookLikeTheirSource) {
    const QDir dir(QStringLiteral(QCM_TEST_DATA_DIR "/metafile"));
    // Grey levels 0..255, compared at 32 x 32: edges anti-aliased differently
    // cost about 1; a missing or misplaced shape 10 or more. Inkscape's EMF
    // frame for the chart is 1.5 % larger than the drawing, which shifts its
    // shapes by up to 2 pixels and costs about 9.
    const struct {
        const char* base;
        double emfLimit;
        double wmfLimit;
    } drawings[] = {{"shapes", 4.0, 4.0}, {"chart", 11.0, 5.0}};
    for (const auto& [base, emfLimit, wmfLimit] : drawings) {
        const QImage reference(dir.filePath(QStringLiteral("%1.png").arg(base)));
        ASSERT_FALSE(reference.isNull()) << base;
        for (const char* ext : {"emf", "wmf"}) {
            SCOPED_TRACE(std::string(base) + "." + ext);
            QBuffer buffer;
            buffer.setData(ReadAll(dir.filePath(QStringLiteral("%1.%2").arg(base, ext))));
            buffer.open(QIODevice::ReadOnly);
            TMetafile m;
            ASSERT_NO_THROW(m.LoadFromStream(buffer));
            QImage image(reference.size(), QImage::Format_RGB32);
            image.fill(Qt::white);
            {
                QPainter painter(&image);
                m.Draw(painter, image.rect());
            }
            EXPECT_LT(MeanGreyDifference(image, reference),
                      std::string(ext) == "emf" ? emfLimit : wmfLimit);
        }
    }
}
