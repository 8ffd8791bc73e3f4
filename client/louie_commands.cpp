// Louie: editing, conversion, clipboard and file commands. Every one is reported when it fails.
#include "louie.h"

#include <utility>

#include "debug_report.h"
#include "member_call.h"
#include "unique_resource.h"
#include "wide_text.h"

using kelocli::Argument;
using kelocli::Method;
using kelocli::RunCommand;
using kelocli::WideText;

namespace {

constexpr short kClipboardDib = CF_DIB;
constexpr short kClipboardMetafile = CF_ENHMETAFILE;

long PackColour(const IRGB& colour) {
    return static_cast<long>(colour.red | (colour.green << 8) | (colour.blue << 16));
}

IRGB UnpackColour(long value) {
    const unsigned long bits = static_cast<unsigned long>(value);
    return IRGB{static_cast<unsigned char>(bits & 0xFF),
                static_cast<unsigned char>((bits >> 8) & 0xFF),
                static_cast<unsigned char>((bits >> 16) & 0xFF)};
}

}  // namespace

short Louie::Save() {
    return RunCommand(dispatch, dispIds, Method::Save, {});
}

short Louie::SaveAs(char* fileName, char* format) {
    const WideText<kelocli::kPathUnits> name(fileName);
    const WideText<kelocli::kSaveFormatUnits> type(format);
    return RunCommand(dispatch, dispIds, Method::SaveAs,
                      {Argument::Text(name.Get()), Argument::Text(type.Get())});
}

short Louie::UndoRedo() {
    return RunCommand(dispatch, dispIds, Method::UndoRedo, {});
}

short Louie::Copy() {
    return CopyAs(IsRaster() == 1 ? kClipboardDib : kClipboardMetafile);
}

short Louie::CopyAs(short format) {
    return RunCommand(dispatch, dispIds, Method::CopyAs, {Argument::Short(format)});
}

short Louie::Paste() {
    if (IsClipboardFormatAvailable(kClipboardMetafile)) return PasteFrom(kClipboardMetafile);
    if (IsClipboardFormatAvailable(kClipboardDib)) return PasteFrom(kClipboardDib);
    return -1;
}

short Louie::PasteFrom(short format) {
    return RunCommand(dispatch, dispIds, Method::PasteFrom, {Argument::Short(format)});
}

short Louie::Resize(short width, short height, short flag) {
    return RunCommand(dispatch, dispIds, Method::Resize,
                      {Argument::Short(width), Argument::Short(height), Argument::Short(flag)});
}

short Louie::Rotate(short first, short second, short third) {
    return RunCommand(dispatch, dispIds, Method::Rotate,
                      {Argument::Short(first), Argument::Short(second), Argument::Short(third)});
}

short Louie::Crop(RECT* rect) {
    if (rect == nullptr) return 0;
    if (rect->left > rect->right) std::swap(rect->left, rect->right);
    if (rect->top > rect->bottom) std::swap(rect->top, rect->bottom);
    return RunCommand(dispatch, dispIds, Method::Crop,
                      {Argument::LowShort(rect->left), Argument::LowShort(rect->top),
                       Argument::LowShort(rect->right), Argument::LowShort(rect->bottom)});
}

short Louie::Grayize() {
    return RunCommand(dispatch, dispIds, Method::Grayize, {});
}

short Louie::Blackize() {
    return RunCommand(dispatch, dispIds, Method::Blackize, {});
}

short Louie::Reduce(short first, short second, short third, short fourth) {
    return RunCommand(dispatch, dispIds, Method::Reduce,
                      {Argument::Short(first), Argument::Short(second), Argument::Short(third),
                       Argument::Short(fourth)});
}

short Louie::Equalize() {
    return RunCommand(dispatch, dispIds, Method::Equalize, {});
}

short Louie::ChangeFont(char* face, char* style, float size, float spacing) {
    const WideText<kelocli::kFontUnits> faceText(face);
    const WideText<kelocli::kFontUnits> styleText(style);
    return RunCommand(dispatch, dispIds, Method::ChangeFont,
                      {Argument::Text(faceText.Get()), Argument::Text(styleText.Get()),
                       Argument::Float(size), Argument::Float(spacing)});
}

short Louie::Gamma(short first, short second, short third) {
    return RunCommand(dispatch, dispIds, Method::Gamma,
                      {Argument::Short(first), Argument::Short(second), Argument::Short(third)});
}

short Louie::Invert() {
    return RunCommand(dispatch, dispIds, Method::Invert, {});
}

short Louie::ReverseBW() {
    return RunCommand(dispatch, dispIds, Method::ReverseBW, {});
}

short Louie::ChangeColor(IRGB* from, IRGB* to) {
    if (from == nullptr || to == nullptr) return 0;
    return RunCommand(dispatch, dispIds, Method::ChangeColor,
                      {Argument::Long(PackColour(*from)), Argument::Long(PackColour(*to))});
}

long Louie::PickColor(IRGB* colour, long x, long y) {
    kelocli::UniqueVariant answer;
    const HRESULT code = kelocli::CallMethod(dispatch, dispIds, Method::PickColor,
                                             {Argument::Long(x), Argument::Long(y)}, answer.Get());
    // The 32-bit field, whatever the type says.
    if (colour != nullptr) *colour = UnpackColour(code == 0 ? answer->lVal : 0);
    kelocli::ReportFailure(code);
    return code;
}

short Louie::Rasterize(short right, short bottom, short bitsPerPixel) {
    return RunCommand(
        dispatch, dispIds, Method::Rasterize,
        {Argument::Short(right), Argument::Short(bottom), Argument::Short(bitsPerPixel)});
}

short Louie::ThreeDize() {
    return RunCommand(dispatch, dispIds, Method::ThreeDize, {});
}

short Louie::Vectorize(short first, short second, short third, short fourth, short fifth,
                       short sixth) {
    return RunCommand(dispatch, dispIds, Method::Vectorize,
                      {Argument::Short(first), Argument::Short(second), Argument::Short(third),
                       Argument::Short(fourth), Argument::Short(fifth), Argument::Short(sixth)});
}

short Louie::PrepRaster(short first, short second, short third) {
    return RunCommand(dispatch, dispIds, Method::PrepRaster,
                      {Argument::Short(first), Argument::Short(second), Argument::Short(third)});
}

short Louie::SaveScript(char* script) {
    const WideText<kelocli::kPathUnits> text(script);
    return RunCommand(dispatch, dispIds, Method::SaveScript, {Argument::Text(text.Get())});
}

short Louie::Convert(char* source, char* target, char* format, char* options) {
    const WideText<kelocli::kPathUnits> sourceText(source);
    const WideText<kelocli::kPathUnits> targetText(target);
    const WideText<kelocli::kConvertFormatUnits> formatText(format);
    const WideText<kelocli::kPathUnits> optionsText(options);
    return RunCommand(dispatch, dispIds, Method::Convert,
                      {Argument::Text(sourceText.Get()), Argument::Text(targetText.Get()),
                       Argument::Text(formatText.Get()), Argument::Text(optionsText.Get())});
}

short Louie::Test(char* text, HWND window, HDC dc) {
    const WideText<kelocli::kPathUnits> wide(text);
    return RunCommand(dispatch, dispIds, Method::Test,
                      {Argument::Text(wide.Get()), Argument::Handle(window), Argument::Handle(dc)});
}

short Louie::OpenStatus(char* status) {
    const WideText<kelocli::kStatusUnits> text(status);
    return RunCommand(dispatch, dispIds, Method::OpenStatus, {Argument::Text(text.Get())});
}

int Louie::IsRaster() {
    kelocli::UniqueVariant answer;
    const HRESULT code = kelocli::CallMethod(dispatch, dispIds, Method::IsRaster, {}, answer.Get());
    kelocli::ReportFailure(code);
    // Without server the call "succeeds" with nothing: the kind stays unknown.
    if (code != 0 || dispatch == nullptr) return -1;
    return answer->iVal;  // the 16-bit field widened with its sign, whatever the type says
}

short Louie::RefreshOptions(char* options) {
    const WideText<kelocli::kStatusUnits> text(options);
    return RunCommand(dispatch, dispIds, Method::RefreshOptions, {Argument::Text(text.Get())});
}
