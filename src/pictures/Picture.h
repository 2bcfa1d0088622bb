#pragma once

#include "Graphic.h"

#include <QString>

#include <functional>
#include <memory>
#include <vector>

namespace qcm::pictures {

using namespace qcm::core;

// One registered picture kind.
struct TFileFormat {
    QString Extension; // lower-cased, without the dot
    QString Description;
    QString KindName;
    std::function<std::unique_ptr<TGraphic>()> Create;
};

// The process-wide registry of picture kinds by file extension.
class TFileFormatsList {
public:
    static TFileFormatsList& Instance();

    void Add(const QString& extension, const QString& description, const QString& kindName,
             std::function<std::unique_ptr<TGraphic>()> create);
    template <class Kind> void Add(const QString& extension, const QString& description) {
        Add(extension, description, QString::fromLatin1(Kind().ClassName()),
            [] { return std::make_unique<Kind>(); });
    }
    // Searches from the last entry to the first, so a later registration of
    // an extension hides an earlier one. nullptr when none matches.
    const TFileFormat* Find(const QString& extension) const;
    const std::vector<TFileFormat>& Entries() const { return entries_; }

private:
    TFileFormatsList();
    std::vector<TFileFormat> entries_;
};

// Owns at most one picture and tells its owner when it changes.
class TPicture {
public:
    TPicture() = default;
    ~TPicture();
    TPicture(const TPicture&) = delete;
    TPicture& operator=(const TPicture&) = delete;

    // Loads fileName (relative to the current folder), the kind chosen by
    // its extension. On failure the error passes on and the picture kept so
    // far stays.
    void LoadFromFile(const QString& fileName);
    // Takes graphic (or nothing) as the new picture and reports a change.
    void SetGraphic(std::unique_ptr<TGraphic> graphic);

    TGraphic* Graphic() const { return graphic_.get(); }
    int Width() const { return graphic_ ? graphic_->Width() : 0; }
    int Height() const { return graphic_ ? graphic_->Height() : 0; }
    void Draw(QPainter& canvas, const QRect& rect) const;

    std::function<void()> OnChange;

    // The text after the last dot of fileName, without the dot.
    static QString Extension(const QString& fileName);

private:
    void Changed();
    std::unique_ptr<TGraphic> graphic_;
};

} // namespace qcm::pictures
