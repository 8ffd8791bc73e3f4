// A plain-text document laid out as a page: 8.5 x 11 inches at 96 pixels per inch, one-inch
// margins, words wrapped to the page width in the document's font; the page grows downwards for
// long texts, up to the largest image edge (lines beyond it are kept but not shown).
#ifndef PIMBAX_SERVER_DOCUMENTS_TEXT_DOCUMENT_H
#define PIMBAX_SERVER_DOCUMENTS_TEXT_DOCUMENT_H

#include <string>
#include <vector>

#include "documents/document.h"

namespace pimbax {

struct FontChoice {
    std::wstring face;
    bool bold = false;
    bool italic = false;
    double points = 11.0;  // size in points, 1 to 500
    double spacing = 1.0;  // line spacing as a multiple of the font's line height, 0.5 to 5
};

class TextDocument : public Document {
  public:
    explicit TextDocument(std::wstring text, FontChoice font = FontChoice());

    short Kind() const override { return kOtherKind; }
    int Width() const override { return width_; }
    int Height() const override { return height_; }
    // Draws the page into the given size (nominal size); the layout stays.
    Result Resize(int width, int height, int flag) override;
    TextDocument* AsText() override { return this; }
    void Serialize(ByteWriter& writer) const override;

    // Empty face or style, and 0 for size or spacing, keep the current value. The style is
    // "Regular", "Bold", "Italic" or "Bold Italic" (any case). kBadValue, changing nothing, for a
    // face of more than 31 characters, another style, or a size or spacing out of range. The page
    // is laid out again and the nominal size becomes the page's size.
    Result ChangeFont(const std::wstring& face, const std::wstring& style, double points,
                      double spacing);
    // "face,size,style,spacing" with style R, B, I or BI, e.g. "DejaVu Serif,11,R,1".
    std::wstring FontInfo() const;
    const FontChoice& Font() const { return font_; }

  protected:
    void Draw(HDC dc, const SourceRect& source, const RECT& target) const override;

  private:
    struct Line {
        std::size_t start, length;  // in text_
        int top;                    // page pixels
    };
    void Layout();

    std::wstring text_;
    FontChoice font_;
    std::vector<Line> lines_;
    std::vector<INT> advances_;  // per character of text_, in page pixels
    int pageHeight_ = 0;
    int width_ = 0;
    int height_ = 0;
};

}  // namespace pimbax

#endif
