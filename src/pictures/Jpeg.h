#pragma once

#include "Graphic.h"

#include <QByteArray>
#include <QImage>

#include <functional>
#include <memory>

namespace qcm::pictures {

using namespace qcm::core;

// A library error while reading or decoding a JPEG file; message() is
// "Erreur JPEG #<the library's message code>", or says what happened when
// the program itself refused the file (a picture too large).
class EJPEG : public Exception {
public:
    explicit EJPEG(int code);
    // A failure with a text of its own rather than the library's code.
    EJPEG(int code, const QString& message);
    int Code() const noexcept { return code_; }
    const char* ClassName() const noexcept override { return "EJPEG"; }

private:
    int code_;
};

enum class TJPEGPerformance { BestQuality, BestSpeed };
enum class TJPEGPixelFormat { Bits24, Bits8 };
// Output scale 1/1, 1/2, 1/4, 1/8.
enum class TJPEGScale { FullSize, Half, Quarter, Eighth };

// The settings a new TJPEGImage starts with.
struct TJPEGDefaults {
    bool Grayscale = false;
    TJPEGPerformance Performance = TJPEGPerformance::BestQuality;
    TJPEGPixelFormat PixelFormat = TJPEGPixelFormat::Bits24;
    bool ProgressiveDisplay = false;
    TJPEGScale Scale = TJPEGScale::FullSize;
    bool Smoothing = true;

    // The defaults for a screen of that many bits per pixel: 8-bit output
    // with a palette when the screen cannot show more.
    static TJPEGDefaults ForScreenDepth(int bitsPerPixel);
};

// The process-wide defaults, taken from the screen's depth on first use.
TJPEGDefaults& JPEGDefaults();
// Replaces where the screen depth comes from (tests) and recomputes the
// defaults; nullptr restores the real screen.
void SetScreenDepthSource(int (*depth)());

// The file's bytes and what its header says, shared between copies.
struct TJPEGData {
    QByteArray Bytes;
    int Width = 0;
    int Height = 0;
    bool Grayscale = false;
    bool Progressive = false;
};

// A JPEG picture: reading keeps the file in memory and parses only its
// header; the pixels are decoded once, on first need.
class TJPEGImage : public TGraphic {
public:
    TJPEGImage();

    const char* ClassName() const override { return "TJPEGImage"; }
    int Width() const override { return data_ ? data_->Width : 0; }
    int Height() const override { return data_ ? data_->Height : 0; }
    bool Empty() const override { return !data_; }
    void LoadFromStream(QIODevice& stream) override;
    void Draw(QPainter& canvas, const QRect& rect) override;
    void SetSize(int width, int height) override;

    // Shares other's data and settings.
    void Assign(const TJPEGImage& other);

    // The decoded picture: Format_RGB32, or Format_Indexed8 for 8-bit and
    // greyscale output. Decodes on first call; null when empty.
    const QImage& Bitmap();
    bool Decoded() const { return !bitmap_.isNull(); }

    bool IsGrayscaleFile() const { return data_ && data_->Grayscale; }
    bool ProgressiveFile() const { return data_ && data_->Progressive; }

    bool ProgressiveDisplay() const { return settings_.ProgressiveDisplay; }
    void SetProgressiveDisplay(bool on) { settings_.ProgressiveDisplay = on; }

    // These change the decoded pixels: the kept bitmap is dropped.
    bool Grayscale() const { return settings_.Grayscale; }
    void SetGrayscale(bool on);
    TJPEGPerformance Performance() const { return settings_.Performance; }
    void SetPerformance(TJPEGPerformance performance);
    TJPEGPixelFormat PixelFormat() const { return settings_.PixelFormat; }
    void SetPixelFormat(TJPEGPixelFormat format);
    TJPEGScale Scale() const { return settings_.Scale; }
    void SetScale(TJPEGScale scale);
    bool Smoothing() const { return settings_.Smoothing; }
    void SetSmoothing(bool on);

private:
    void Decode(const std::function<void(const QImage&)>& showPass);
    void DropBitmap();

    std::shared_ptr<const TJPEGData> data_;
    TJPEGDefaults settings_;
    QImage bitmap_;
};

} // namespace qcm::pictures
