#pragma once

#include "core/Errors.h"

#include <QRect>
#include <QString>

#include <functional>

class QIODevice;
class QPainter;

namespace qcm::pictures {

using namespace qcm::core;

// A picture file that its kind cannot read.
class EInvalidGraphic : public Exception {
public:
    using Exception::Exception;
    const char* ClassName() const noexcept override { return "EInvalidGraphic"; }
};

// An operation that a picture kind does not allow (resizing a JPEG).
class EInvalidGraphicOperation : public Exception {
public:
    using Exception::Exception;
    const char* ClassName() const noexcept override { return "EInvalidGraphicOperation"; }
};

enum class TProgressStage { Starting, Running, Ending };

// The abstract picture kind. Readers need no widgets: drawing goes to any
// QPainter, usually over a QImage.
class TGraphic {
public:
    TGraphic() = default;
    virtual ~TGraphic();
    TGraphic(const TGraphic&) = delete;
    TGraphic& operator=(const TGraphic&) = delete;

    // The kind's class name, as the command-line tool prints it.
    virtual const char* ClassName() const = 0;
    virtual int Width() const = 0;
    virtual int Height() const = 0;
    virtual bool Empty() const = 0;
    // Reads the picture from the device's current position to its end and
    // replaces the content; raises the kind's error on bad data.
    virtual void LoadFromStream(QIODevice& stream) = 0;
    // Draws the picture stretched into rect.
    virtual void Draw(QPainter& canvas, const QRect& rect) = 0;
    // Kinds whose size can be set override this.
    virtual void SetSize(int width, int height);

    // Set by the owner (a TPicture): told whenever the picture changes.
    std::function<void()> OnChange;
    // Optional progress of long reads and decodes; nobody has to listen.
    std::function<void(TProgressStage stage, int percent, const QString& message)> OnProgress;

    // Opens fileName (relative to the current folder) and reads it.
    // Raises EFOpenError "Impossible d'ouvrir le fichier %s" (%s being the
    // bare name) when it cannot be opened, EFileTooLarge beyond
    // kMaxFileBytes; the picture is unchanged then.
    void LoadFromFile(const QString& fileName);
    // Reads a picture held in memory, as a stream of exactly these bytes.
    void LoadFromBytes(const QByteArray& bytes);

protected:
    void Changed();
    void Progress(TProgressStage stage, int percent, const QString& message = {});
};

// The bytes from the stream's position to its end; the stream is left at
// its end. A buffer read from its start is shared, not copied.
QByteArray ReadRest(QIODevice& stream);

} // namespace qcm::pictures
