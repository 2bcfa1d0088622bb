#pragma once

#include "Picture.h"

#include <QImage>
#include <QSize>

#include <functional>
#include <memory>

namespace qcm::pictures {

using namespace qcm::core;

class TGIFClock;

// A picture as a box shows it, made once per shown size in the device's
// own pixels, never at every paint: a metafile replayed at that size, a
// JPEG decoded at the smallest libjpeg scale that still covers it, other
// pictures drawn at their own size; then resampled smoothly. An animated GIF is
// composed by its painters; drawing only copies the current frame.
class ScaledPicture {
public:
    ScaledPicture();
    ~ScaledPicture();
    ScaledPicture(const ScaledPicture&) = delete;
    ScaledPicture& operator=(const ScaledPicture&) = delete;

    // Loads fileName, the kind chosen by its extension. On failure the
    // error passes on and the picture is empty.
    void LoadFromFile(const QString& fileName);
    // Empties the picture; a running animation stops.
    void Clear();

    int Width() const { return picture_.Width(); }
    int Height() const { return picture_.Height(); }
    bool Empty() const;
    // A GIF of more than one frame.
    bool Animated() const;
    const TPicture& Picture() const { return picture_; }

    // Makes the picture as shown at size (logical pixels) on a device of
    // that many pixels per logical one. A decoder's error passes on the
    // first time; after it the picture draws as nothing at that size.
    void Prepare(QSize size, qreal scale = 1);
    // Draws into rect: the scaled picture made for rect's size on the
    // canvas's device (made now if it was not), or the animation's current
    // frame.
    void Draw(QPainter& canvas, const QRect& rect);
    // The picture stretched into a new image of that size in pixels, every
    // call (a full-size view of it); null when empty. Raises the decoder's
    // errors.
    QImage Render(QSize size) const;
    // The picture made by Prepare, its device pixel ratio the scale (null
    // for an animation or a failure).
    const QImage& Scaled() const { return scaled_; }

    // Told on the GUI thread whenever an animation shows a new frame.
    std::function<void()> OnFrame;
    // The clock given to animations (tests); the real clock when null.
    std::shared_ptr<TGIFClock> Clock;

private:
    TPicture picture_;
    QImage scaled_;
    QSize size_;
    qreal scale_ = 1;
    bool failed_ = false;
};

// The shown size of a width x height picture whose longer side becomes
// boite. The ratio is kept as a double and the side computed from it in
// extended precision, which decides the last pixel (3 x 5 gives 191 x 320).
QSize TaillePhoto(int largeur, int hauteur, int boite = 320);

// The libjpeg scale (0: 1/1 to 3: 1/8) for a width x height picture shown
// at size: the smallest output that still covers size.
int JpegScaleFor(int width, int height, QSize size);

} // namespace qcm::pictures
