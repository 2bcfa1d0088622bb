#include "Jpeg.h"

#include "ImageLimits.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QIODevice>
#include <QPainter>
#include <QScreen>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <exception>
#include <type_traits>
#include <utility>
#include <vector>

#include <jerror.h>
#include <jpeglib.h>

namespace qcm::pictures {

using namespace qcm::core;

EJPEG::EJPEG(int code) : Exception(QStringLiteral("Erreur JPEG #%1").arg(code)), code_(code) {}

EJPEG::EJPEG(int code, const QString& message) : Exception(message), code_(code) {}

namespace {

// Real encoders write a dozen scans; thousands of empty ones over a large
// frame would keep the decoder busy for minutes.
constexpr int kMaxScans = 500;
constexpr qint64 kProgressIntervalMs = 500;
// Coefficients take 2 bytes a sample: 4 full-size components of the largest
// picture allowed, with room for the library's own buffers.
constexpr long kMaxLibraryMemory = static_cast<long>(pictures::kMaxPixels * 10);

// Components straight into a Format_RGB32 row, alpha byte set to 255.
constexpr J_COLOR_SPACE kRgb32Space = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? JCS_EXT_BGRA : JCS_EXT_ARGB;

int RealScreenDepth() {
    if (qGuiApp == nullptr) {
        return 24;
    }
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen != nullptr ? screen->depth() : 24;
}

int (*screenDepth)() = &RealScreenDepth;

// Owns one libjpeg decompressor over an in-memory file. Library errors
// leave through longjmp back into call(); the frames between (libjpeg's
// and the small step lambdas) hold nothing with a destructor.
class Decompressor {
public:
    explicit Decompressor(const QByteArray& bytes) {
        cinfo.err = jpeg_std_error(&trap_.pub);
        trap_.pub.error_exit = &ErrorExit;
        trap_.pub.emit_message = &EmitMessage;
        trap_.pub.output_message = &OutputMessage;
        cinfo.client_data = this;
        try {
            Run([this, &bytes] {
                jpeg_create_decompress(&cinfo);
                // Progressive files keep every coefficient of the frame; past
                // this the library fails rather than allocate more.
                cinfo.mem->max_memory_to_use = kMaxLibraryMemory;
                jpeg_mem_src(&cinfo, reinterpret_cast<const unsigned char*>(bytes.constData()),
                             static_cast<unsigned long>(bytes.size()));
            });
        } catch (...) {
            jpeg_destroy_decompress(&cinfo);
            throw;
        }
    }
    ~Decompressor() { jpeg_destroy_decompress(&cinfo); }
    Decompressor(const Decompressor&) = delete;
    Decompressor& operator=(const Decompressor&) = delete;

    // Runs step; a library error inside it becomes EJPEG, an exception of
    // the progress listener passes on as it was.
    template <class Step> void Run(Step&& step) {
        auto thunk = [](void* context) {
            (*static_cast<std::remove_reference_t<Step>*>(context))();
        };
        if (!Call(thunk, &step)) {
            if (pending_) {
                std::rethrow_exception(std::exchange(pending_, nullptr));
            }
            throw EJPEG(trap_.code);
        }
    }

    // Reports progress through report at most every 500 ms.
    void WatchProgress(std::function<void(int percent)> report) {
        report_ = std::move(report);
        progress_.progress_monitor = &ProgressMonitor;
        cinfo.progress = &progress_;
        clock_.start();
    }

    jpeg_decompress_struct cinfo{};

private:
    struct Trap {
        jpeg_error_mgr pub; // first, so that cinfo.err points at the whole
        std::jmp_buf jump;
        int code = 0;
    };

    bool Call(void (*step)(void*), void* context) {
        if (setjmp(trap_.jump) != 0) {
            return false;
        }
        step(context);
        return true;
    }

    static Decompressor* Self(j_common_ptr info) {
        return static_cast<Decompressor*>(info->client_data);
    }

    [[noreturn]] static void ErrorExit(j_common_ptr info) {
        Trap& trap = Self(info)->trap_;
        trap.code = info->err->msg_code;
        std::longjmp(trap.jump, 1);
    }
    static void EmitMessage(j_common_ptr /*info*/, int /*level*/) {}
    static void OutputMessage(j_common_ptr /*info*/) {}

    static void ProgressMonitor(j_common_ptr info) {
        Decompressor* d = Self(info);
        if (d->cinfo.input_scan_number > kMaxScans) {
            info->err->msg_code = JERR_NOTIMPL;
            info->err->error_exit(info);
        }
        if (d->clock_.elapsed() < kProgressIntervalMs) {
            return;
        }
        d->clock_.restart();
        const jpeg_progress_mgr& p = d->progress_;
        const int passes = std::max(p.total_passes, p.completed_passes + 1);
        const double done =
            p.completed_passes + (p.pass_limit > 0 ? double(p.pass_counter) / p.pass_limit : 0.0);
        const int percent = std::clamp(int(done * 100 / passes), 0, 100);
        bool failed = false;
        try {
            d->report_(percent);
        } catch (...) {
            d->pending_ = std::current_exception();
            failed = true;
        }
        if (failed) {
            std::longjmp(d->trap_.jump, 2);
        }
    }

    Trap trap_{};
    jpeg_progress_mgr progress_{};
    QElapsedTimer clock_;
    std::function<void(int)> report_;
    std::exception_ptr pending_;
};

TJPEGData ReadHeader(QByteArray bytes) {
    TJPEGData data;
    bool progressive = false;
    {
        Decompressor d(bytes);
        d.Run([&d, &progressive] {
            jpeg_read_header(&d.cinfo, TRUE);
            progressive = jpeg_has_multiple_scans(&d.cinfo) != 0;
        });
        if (!pictures::WithinLimits(d.cinfo.image_width, d.cinfo.image_height)) {
            throw EJPEG(JERR_IMAGE_TOO_BIG,
                        TooLargeText(d.cinfo.image_width, d.cinfo.image_height));
        }
        data.Width = static_cast<int>(d.cinfo.image_width);
        data.Height = static_cast<int>(d.cinfo.image_height);
        data.Grayscale = d.cinfo.jpeg_color_space == JCS_GRAYSCALE;
    }
    data.Progressive = progressive;
    data.Bytes = std::move(bytes);
    return data;
}

// Adobe's CMYK files store the inks inverted.
void CmykToRgb32(QImage& image, bool inverted) {
    for (int y = 0; y < image.height(); ++y) {
        auto* p = image.scanLine(y);
        auto* out = reinterpret_cast<QRgb*>(p);
        for (int x = 0; x < image.width(); ++x, p += 4) {
            int c = p[0], m = p[1], ye = p[2], k = p[3];
            if (!inverted) {
                c = 255 - c;
                m = 255 - m;
                ye = 255 - ye;
                k = 255 - k;
            }
            out[x] = qRgb(c * k / 255, m * k / 255, ye * k / 255);
        }
    }
}

void SetPalette(QImage& image, const jpeg_decompress_struct& cinfo) {
    QList<QRgb> colours;
    colours.reserve(cinfo.actual_number_of_colors);
    for (int i = 0; i < cinfo.actual_number_of_colors; ++i) {
        if (cinfo.out_color_components == 1) {
            const int v = cinfo.colormap[0][i];
            colours.append(qRgb(v, v, v));
        } else {
            colours.append(qRgb(cinfo.colormap[0][i], cinfo.colormap[1][i], cinfo.colormap[2][i]));
        }
    }
    image.setColorTable(colours);
}

} // namespace

TJPEGDefaults TJPEGDefaults::ForScreenDepth(int bitsPerPixel) {
    TJPEGDefaults defaults;
    if (bitsPerPixel <= 8) {
        defaults.PixelFormat = TJPEGPixelFormat::Bits8;
    }
    return defaults;
}

TJPEGDefaults& JPEGDefaults() {
    static TJPEGDefaults defaults = TJPEGDefaults::ForScreenDepth(screenDepth());
    return defaults;
}

void SetScreenDepthSource(int (*depth)()) {
    screenDepth = depth != nullptr ? depth : &RealScreenDepth;
    JPEGDefaults() = TJPEGDefaults::ForScreenDepth(screenDepth());
}

TJPEGImage::TJPEGImage() : settings_(JPEGDefaults()) {}

void TJPEGImage::LoadFromStream(QIODevice& stream) {
    QByteArray bytes = ReadRest(stream);
    std::shared_ptr<const TJPEGData> data;
    if (!bytes.isEmpty()) {
        data = std::make_shared<const TJPEGData>(ReadHeader(std::move(bytes)));
    }
    data_ = std::move(data);
    bitmap_ = QImage();
    Changed();
}

void TJPEGImage::Assign(const TJPEGImage& other) {
    data_ = other.data_;
    settings_ = other.settings_;
    bitmap_ = other.bitmap_;
    Changed();
}

void TJPEGImage::SetSize(int /*width*/, int /*height*/) {
    throw EInvalidGraphicOperation(
        QStringLiteral("Impossible de modifier la taille d'une image JPEG"));
}

const QImage& TJPEGImage::Bitmap() {
    if (bitmap_.isNull() && data_) {
        Decode({});
    }
    return bitmap_;
}

void TJPEGImage::Draw(QPainter& canvas, const QRect& rect) {
    if (!data_) {
        return;
    }
    if (bitmap_.isNull()) {
        Decode([&canvas, &rect](const QImage& pass) { canvas.drawImage(rect, pass); });
    }
    canvas.drawImage(rect, bitmap_);
}

void TJPEGImage::Decode(const std::function<void(const QImage&)>& showPass) {
    Progress(TProgressStage::Starting, 0);
    Decompressor d(data_->Bytes);
    jpeg_decompress_struct& cinfo = d.cinfo;
    d.Run([&cinfo] { jpeg_read_header(&cinfo, TRUE); });

    cinfo.scale_num = 1;
    cinfo.scale_denom = 1U << static_cast<unsigned>(settings_.Scale);
    cinfo.do_block_smoothing = settings_.Smoothing ? TRUE : FALSE;
    // libjpeg converts CMYK and YCCK to nothing but CMYK: those become RGB
    // here, always in 24 bits.
    const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
    if (cmyk) {
        cinfo.out_color_space = JCS_CMYK;
    } else if (settings_.Grayscale) {
        cinfo.out_color_space = JCS_GRAYSCALE;
    }
    const bool quantize = !cmyk && (settings_.PixelFormat == TJPEGPixelFormat::Bits8 ||
                                    cinfo.out_color_space == JCS_GRAYSCALE);
    if (quantize) {
        cinfo.quantize_colors = TRUE;
        cinfo.desired_number_of_colors = 236;
        if (cinfo.out_color_space != JCS_GRAYSCALE) {
            cinfo.out_color_space = JCS_RGB;
        }
    } else if (!cmyk) {
        cinfo.out_color_space = kRgb32Space;
    }
    if (settings_.Performance == TJPEGPerformance::BestSpeed) {
        cinfo.dct_method = JDCT_IFAST;
        cinfo.two_pass_quantize = FALSE;
        cinfo.dither_mode = JDITHER_ORDERED;
    }
    bool multiScan = false;
    d.Run([&cinfo, &multiScan] {
        multiScan = jpeg_has_multiple_scans(&cinfo) != 0;
        jpeg_calc_output_dimensions(&cinfo);
    });
    const bool buffered = settings_.ProgressiveDisplay && multiScan && showPass;
    cinfo.buffered_image = buffered ? TRUE : FALSE;

    QImage image = pictures::NewImage(cinfo.output_width, cinfo.output_height,
                                      quantize ? QImage::Format_Indexed8 : QImage::Format_RGB32);
    if (image.isNull()) {
        throw EJPEG(JERR_OUT_OF_MEMORY);
    }
    std::vector<JSAMPROW> rows(static_cast<size_t>(image.height()));
    uchar* bits = image.bits();
    for (size_t y = 0; y < rows.size(); ++y) {
        rows[y] = bits + y * static_cast<size_t>(image.bytesPerLine());
    }
    JSAMPROW* firstRow = rows.data();
    auto readRows = [&cinfo, firstRow] {
        while (cinfo.output_scanline < cinfo.output_height) {
            // The memory source never suspends; no rows would mean a stuck
            // decoder, which finishing then reports.
            if (jpeg_read_scanlines(&cinfo, firstRow + cinfo.output_scanline,
                                    cinfo.output_height - cinfo.output_scanline) == 0) {
                break;
            }
        }
    };
    auto finish = [&image, &cinfo, cmyk, quantize] {
        if (quantize) {
            SetPalette(image, cinfo);
        } else if (cmyk) {
            CmykToRgb32(image, cinfo.saw_Adobe_marker != 0);
        }
    };

    d.WatchProgress([this](int percent) { Progress(TProgressStage::Running, percent); });
    d.Run([&cinfo] { jpeg_start_decompress(&cinfo); });
    if (buffered) {
        bool complete = false;
        for (int pass = 0; !complete && pass <= kMaxScans; ++pass) {
            d.Run([&cinfo] { jpeg_start_output(&cinfo, cinfo.input_scan_number); });
            d.Run(readRows);
            d.Run([&cinfo, &complete] {
                jpeg_finish_output(&cinfo);
                complete = jpeg_input_complete(&cinfo) != 0;
            });
            finish();
            showPass(image);
        }
    } else {
        d.Run(readRows);
        finish();
    }
    d.Run([&cinfo] { jpeg_finish_decompress(&cinfo); });
    bitmap_ = std::move(image);
    Progress(TProgressStage::Ending, 100);
}

void TJPEGImage::DropBitmap() {
    if (!bitmap_.isNull()) {
        bitmap_ = QImage();
        Changed();
    }
}

void TJPEGImage::SetGrayscale(bool on) {
    if (settings_.Grayscale != on) {
        settings_.Grayscale = on;
        DropBitmap();
    }
}

void TJPEGImage::SetPerformance(TJPEGPerformance performance) {
    if (settings_.Performance != performance) {
        settings_.Performance = performance;
        DropBitmap();
    }
}

void TJPEGImage::SetPixelFormat(TJPEGPixelFormat format) {
    if (settings_.PixelFormat != format) {
        settings_.PixelFormat = format;
        DropBitmap();
    }
}

void TJPEGImage::SetScale(TJPEGScale scale) {
    if (settings_.Scale != scale) {
        settings_.Scale = scale;
        DropBitmap();
    }
}

void TJPEGImage::SetSmoothing(bool on) {
    if (settings_.Smoothing != on) {
        settings_.Smoothing = on;
        DropBitmap();
    }
}

} // namespace qcm::pictures
