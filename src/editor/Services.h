#pragma once

#include <QPoint>
#include <QString>

class QImage;
class QLabel;

namespace qcm::editor {

// Question pictures and the background tile. The window asks; the picture
// loader answers. Both calls may raise, with the loader's message.
class Illustrations {
public:
    virtual ~Illustrations() = default;
    // Shows picture file chemin (a path resolved in the questionnaire's
    // folder) in photo, fitted around centre; an empty path hides photo.
    virtual void AfficherImage(QLabel& photo, QPoint centre, const QString& chemin) = 0;
    // Reads and decodes picture file chemin as AfficherImage would show it,
    // without showing it: raises what showing it would raise.
    virtual void VerifierImage(const QString& chemin) = 0;
    // Paints the background from tile chemin into surface, or a plain navy
    // fill when chemin is empty.
    virtual void AfficherFond(QImage& surface, const QString& chemin) = 0;
};

} // namespace qcm::editor
