// qcm-tool frames FICHIER DOSSIER [--passes N]
//
// Plays a GIF's animation as the editor would, on a clock that moves on by
// each wait instead of waiting, and writes every composition as shown
// (frame_0000.png, ...) with timing.txt: one line per composition, the
// milliseconds waited before it. A GIF that loops for ever is played for one
// pass unless --passes says otherwise; --passes also caps a finite count.
#include "Tool.h"

#include "core/Errors.h"
#include "pictures/Gif.h"
#include "pictures/GifPainter.h"

#include <QDir>
#include <QSaveFile>

#include <cstdio>

namespace qcm::app::tool {

using namespace qcm::core;
using namespace qcm::pictures;

namespace {

int Fail(const QString& message) {
    std::fprintf(stderr, "qcm-tool frames: %s\n", message.toUtf8().constData());
    return 1;
}

// The loop count of the first loop extension, or -1 when there is none.
int LoopCount(const TGIFImage& image) {
    for (int i = 0; i < image.FrameCount(); ++i) {
        for (const auto& extension : image.Frame(i).Extensions) {
            if (const auto* loop = dynamic_cast<const TGIFAppExtNSLoop*>(extension.get())) {
                return loop->Loops;
            }
        }
    }
    return -1;
}

} // namespace

int Frames(const QStringList& args) {
    QStringList positional;
    int passes = 0;
    for (int i = 0; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--passes")) {
            bool ok = false;
            passes = i + 1 < args.size() ? args[i + 1].toInt(&ok) : 0;
            if (!ok || passes < 1) {
                return Fail(QStringLiteral("--passes attend un nombre positif"));
            }
            ++i;
        } else {
            positional << args[i];
        }
    }
    if (positional.size() != 2) {
        return Misuse("frames");
    }
    const QString& file = positional[0];
    const QString& outDir = positional[1];

    TGIFImage image;
    try {
        image.LoadFromFile(file);
    } catch (const Exception& e) {
        return Fail(QStringLiteral("%1: %2").arg(QString::fromLatin1(e.ClassName()), e.Message()));
    }
    if (image.Empty()) {
        return Fail(QStringLiteral("aucune image dans %1").arg(file));
    }
    if (!QDir().mkpath(outDir)) {
        return Fail(QStringLiteral("impossible de créer %1").arg(outDir));
    }
    if (passes == 0 && LoopCount(image) == 0) {
        passes = 1; // for ever: one pass shows every composition
    }

    const QDir dir(outDir);
    QByteArray timing;
    int written = 0;
    bool failed = false;
    TManualClock clock;
    try {
        PlayFrames(image, clock, passes, [&](const QImage& picture, std::int64_t waitMs) {
            const QString name =
                QStringLiteral("frame_%1.png").arg(written, 4, 10, QLatin1Char('0'));
            if (!picture.save(dir.filePath(name), "PNG")) {
                failed = true;
            }
            timing += QByteArray::number(static_cast<qlonglong>(waitMs)) + '\n';
            ++written;
        });
    } catch (const Exception& e) {
        return Fail(QStringLiteral("%1: %2").arg(QString::fromLatin1(e.ClassName()), e.Message()));
    }
    if (failed) {
        return Fail(QStringLiteral("impossible d'écrire dans %1").arg(outDir));
    }
    QSaveFile out(dir.filePath(QStringLiteral("timing.txt")));
    if (!out.open(QIODevice::WriteOnly) || out.write(timing) != timing.size() || !out.commit()) {
        return Fail(QStringLiteral("impossible d'écrire timing.txt"));
    }
    std::printf("%d\n", written);
    return 0;
}

} // namespace qcm::app::tool
