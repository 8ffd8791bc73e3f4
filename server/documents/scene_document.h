// A 3D drawing: a model seen from a point of view, drawn at a nominal view size (800 x 600 until
// "Resize" changes it).
#ifndef PIMBAX_SERVER_DOCUMENTS_SCENE_DOCUMENT_H
#define PIMBAX_SERVER_DOCUMENTS_SCENE_DOCUMENT_H

#include "documents/document.h"
#include "documents/model.h"

namespace pimbax {

class SceneDocument : public Document {
  public:
    explicit SceneDocument(Model model);

    short Kind() const override { return kVectorKind; }
    int Width() const override { return width_; }
    int Height() const override { return height_; }
    Result Resize(int width, int height, int flag) override;
    SceneDocument* AsScene() override { return this; }
    void Serialize(ByteWriter& writer) const override;

    const PointOfView& View() const { return view_; }
    // kBadValue, changing nothing, when a value is not finite.
    Result SetPointOfView(const PointOfView& view);
    // Centre x, y, z and extents along x, y, z of the model's bounding box.
    void Extents(double values[6]) const;

  protected:
    // Faces far to near, flat-shaded, then lines; in bands of faces between which a dropped
    // object's call stops.
    void Draw(HDC dc, const SourceRect& source, const RECT& target) const override;

  private:
    Model model_;
    PointOfView view_;
    int width_;
    int height_;
};

}  // namespace pimbax

#endif
