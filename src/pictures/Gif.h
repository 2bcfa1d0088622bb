#pragma once

#include "Graphic.h"

#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QRgb>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace qcm::pictures {

using namespace qcm::core;

class ByteReader;
namespace gif {
struct Painters;
} // namespace gif

class TGIFPainter;
class TGIFClock;

// A GIF stream that cannot be read.
class GIFException : public Exception {
public:
    using Exception::Exception;
    const char* ClassName() const noexcept override { return "GIFException"; }
};

// An operation that a kind declares but does not carry out (the general
// application extension).
class EAbstractError : public Exception {
public:
    EAbstractError();
    const char* ClassName() const noexcept override { return "EAbstractError"; }
};

// What the reader meets, each with its one French text, carried by
// GIFException or handed to the warning handler.
enum class TGIFFault {
    Signature,
    PrematureEnd,
    UnknownBlock,
    InvalidTrailer,
    ExtensionIntroducer,
    UnknownExtension,
    ExtensionMismatch,
    ApplicationBlockSize,
    InvalidData,
    EmptyFrame,
    BitBufferUnderRun,
    CircularTable,
};
QString GIFText(TGIFFault fault);

enum class TGIFSeverity { Information, Warning, Error };
using TGIFWarningHandler = std::function<void(TGIFSeverity severity, const QString& message)>;

// A colour map: one RGB triple per entry, kept as opaque QRgb values.
struct TGIFColorMap {
    std::vector<QRgb> Colors;
    int Count() const { return static_cast<int>(Colors.size()); }
};

// The logical screen descriptor, as read, and the global colour map.
struct TGIFHeader {
    std::uint16_t Width = 0;
    std::uint16_t Height = 0;
    std::uint8_t Packed = 0;
    std::uint8_t BackgroundIndex = 0;
    std::uint8_t AspectRatio = 0;
    TGIFColorMap ColorMap;
};

// ---------------------------------------------------------------- extensions

class TGIFExtension {
public:
    virtual ~TGIFExtension();
    virtual std::uint8_t Label() const = 0;
    virtual const char* ClassName() const = 0;
    // Reads the whole extension, introducer and label included.
    void Read(pictures::ByteReader& reader, const TGIFWarningHandler& warn);

protected:
    virtual void ReadContent(pictures::ByteReader& reader, const TGIFWarningHandler& warn) = 0;
    // Data sub-blocks up to the zero-length one.
    static std::vector<QByteArray> ReadSubBlocks(pictures::ByteReader& reader);
};

class TGIFGraphicControlExtension : public TGIFExtension {
public:
    static constexpr std::uint8_t kLabel = 0xF9;
    std::uint8_t Label() const override { return kLabel; }
    const char* ClassName() const override { return "TGIFGraphicControlExtension"; }

    std::uint8_t BlockSize = 0;
    std::uint8_t Packed = 0;
    std::uint16_t Delay = 0; // hundredths of a second
    std::uint8_t TransparentIndex = 0;
    std::uint8_t Terminator = 0;

    bool Transparent() const { return (Packed & 0x01) != 0; }
    bool UserInput() const { return (Packed & 0x02) != 0; }
    int Disposal() const { return (Packed >> 2) & 0x07; }

protected:
    void ReadContent(pictures::ByteReader& reader, const TGIFWarningHandler& warn) override;
};

class TGIFCommentExtension : public TGIFExtension {
public:
    static constexpr std::uint8_t kLabel = 0xFE;
    std::uint8_t Label() const override { return kLabel; }
    const char* ClassName() const override { return "TGIFCommentExtension"; }

    // One line per sub-block, each cut at its first zero byte.
    std::vector<QByteArray> Lines;

protected:
    void ReadContent(pictures::ByteReader& reader, const TGIFWarningHandler& warn) override;
};

class TGIFTextExtension : public TGIFExtension {
public:
    static constexpr std::uint8_t kLabel = 0x01;
    std::uint8_t Label() const override { return kLabel; }
    const char* ClassName() const override { return "TGIFTextExtension"; }

    QByteArray Header; // block size and the 12-byte plain-text header
    std::vector<QByteArray> Lines;

protected:
    void ReadContent(pictures::ByteReader& reader, const TGIFWarningHandler& warn) override;
};

// The general application kind: reads its identifier, then has nothing of its
// own to read its data with.
class TGIFApplicationExtension : public TGIFExtension {
public:
    static constexpr std::uint8_t kLabel = 0xFF;
    std::uint8_t Label() const override { return kLabel; }
    const char* ClassName() const override { return "TGIFApplicationExtension"; }

    QByteArray Identifier; // 8-byte name and 3-byte authentication code

protected:
    void ReadContent(pictures::ByteReader& reader, const TGIFWarningHandler& warn) override;
    virtual void ReadData(pictures::ByteReader& reader);
};

// "NETSCAPE2.0" and "ANIMEXTS1.0".
class TGIFAppExtNSLoop : public TGIFApplicationExtension {
public:
    const char* ClassName() const override { return "TGIFAppExtNSLoop"; }
    std::uint16_t Loops = 0; // 0 = for ever
    std::uint32_t BufferSize = 0;

protected:
    void ReadData(pictures::ByteReader& reader) override;
};

class TGIFUnknownAppExtension : public TGIFApplicationExtension {
public:
    const char* ClassName() const override { return "TGIFUnknownAppExtension"; }
    std::vector<QByteArray> Blocks;

protected:
    void ReadData(pictures::ByteReader& reader) override;
};

// ---------------------------------------------------------------- frames

// One image of the stream with the extensions that came before it.
class TGIFSubImage {
public:
    // The image descriptor as read.
    std::uint8_t Separator = 0;
    std::uint16_t Left = 0;
    std::uint16_t Top = 0;
    std::uint16_t Width = 0;
    std::uint16_t Height = 0;
    std::uint8_t Packed = 0;

    TGIFColorMap LocalColorMap;
    std::vector<std::unique_ptr<TGIFExtension>> Extensions;
    // One colour index per pixel, rows from top to bottom.
    std::vector<std::uint8_t> Data;
    bool Transparent = false;
    // The first graphic control extension of the frame, if any.
    const TGIFGraphicControlExtension* GraphicControlExtension = nullptr;

    bool Interlaced() const { return (Packed & 0x40) != 0; }
    // A frame with extensions but no image (for example a trailing comment).
    bool Empty() const { return Data.empty(); }
    int TransparentIndex() const;
    const TGIFColorMap& ActiveColorMap() const;
    QRect BoundsRect() const { return {Left, Top, Width, Height}; }

    // 8 bits per pixel with the active map as palette; entries past the map
    // show opaque black. Built on first call.
    const QImage& Bitmap();
    // One bit per pixel, 1 where the pixel is transparent; null when no
    // pixel is. Built with the bitmap.
    const QImage& Mask();
    // The bitmap with the transparent entry see-through, for drawing through
    // the mask.
    const QImage& MaskedBitmap();

private:
    friend class TGIFImage;
    void BuildBitmap();
    const TGIFColorMap* globalMap_ = nullptr;
    bool built_ = false;
    QImage bitmap_;
    QImage mask_;
    QImage masked_;
};

// ---------------------------------------------------------------- picture

// Drawing options; the defaults are those the editor uses. Painters always
// compose into the picture's back buffer, in full colour.
struct TGIFDrawOptions {
    bool Async = true;
    bool Transparent = true;
    bool Animate = true;
    bool Loop = true;
    bool LoopContinuously = false;
    bool ClearOnLoop = false;
    bool Tile = false;
};

struct TGIFPainterHooks {
    std::function<void(TGIFPainter&)> OnStart;
    std::function<void(TGIFPainter&)> OnBeforeFrame;
    std::function<void(TGIFPainter&)> OnAfterFrame;
    std::function<void(TGIFPainter&)> OnLoop;
    std::function<void(TGIFPainter&)> OnEnd;
};

class TGIFImage : public TGraphic {
public:
    TGIFImage();
    ~TGIFImage() override;

    const char* ClassName() const override { return "TGIFImage"; }
    int Width() const override { return header_.Width; }
    int Height() const override { return header_.Height; }
    bool Empty() const override { return frames_.empty(); }
    void LoadFromStream(QIODevice& stream) override;
    // One frame: drawn at once. Several: the first call starts a painter and
    // waits for its first composition; every call shows the back buffer.
    void Draw(QPainter& canvas, const QRect& rect) override;

    const TGIFHeader& Header() const { return header_; }
    int FrameCount() const { return static_cast<int>(frames_.size()); }
    TGIFSubImage& Frame(int index) { return *frames_.at(index); }
    const TGIFSubImage& Frame(int index) const { return *frames_.at(index); }
    // The colour that erased areas take when transparency is off.
    QColor BackgroundColor() const;

    // Draws one frame into rect, its own rectangle mapped from the logical
    // screen into rect, through its mask when transparency is on.
    void DrawFrame(QPainter& canvas, TGIFSubImage& frame, const QRect& rect);
    // The same without tiling, through the mask only when transparent is set.
    void DrawFrameInto(QPainter& canvas, TGIFSubImage& frame, const QRect& rect, bool transparent);
    // The frame's rectangle on the logical screen mapped into rect (products
    // in 64 bits, rounded to nearest).
    static QRect MapFrameRect(const TGIFSubImage& frame, const QRect& rect, int screenWidth,
                              int screenHeight);

    // Stops every painter, waits for them while serving their hand-overs,
    // and releases the back buffer.
    void StopPainting();
    // Empties the picture.
    void Clear();
    // Number of painters that have not ended yet.
    int RunningPainters() const;
    // The composed frames, once an animated drawing has begun; null before.
    const QImage& BackBuffer() const { return backBuffer_; }

    TGIFDrawOptions DrawOptions;
    int AnimationSpeed = 100; // per cent
    std::optional<QColor> DrawBackgroundColor;
    TGIFPainterHooks PainterHooks;
    TGIFWarningHandler OnWarning;
    // The clock new painters keep time with; the real steady clock when null.
    std::shared_ptr<TGIFClock> Clock;

private:
    friend class TGIFPainter;

    void ReadFrames(pictures::ByteReader& reader);
    void Warn(const QString& message) const;
    void StartAnimation(QPainter& canvas, const QRect& rect);
    void DrawBuffer(QPainter& canvas, const QImage& image, const QRect& rect) const;

    TGIFHeader header_;
    std::vector<std::unique_ptr<TGIFSubImage>> frames_;

    bool drawing_ = false;
    QImage backBuffer_;
    // The painter threads, from the first animated drawing on.
    std::unique_ptr<gif::Painters> painters_;
};

} // namespace qcm::pictures
