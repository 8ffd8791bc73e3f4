#include "document_commands.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <cwchar>

#include "messages.h"
#include "resource.h"

namespace keloview {

namespace {

using Type = Field::Type;

// The library takes strings as char*; it reads them only.
struct Text {
    explicit Text(const std::string& text) : copy(text) {}
    operator char*() { return copy.data(); }
    std::string copy;
};

short Int(const Value& value) {
    return static_cast<short>(std::lround(value.number));
}

IRGB Colour(const Value& value) {
    const COLORREF colour = static_cast<COLORREF>(value.number);
    return IRGB{GetRValue(colour), GetGValue(colour), GetBValue(colour)};
}

Field Number(const wchar_t* label, double low, double high, double initial) {
    return {Type::Number, label, low, high, nullptr, Initial::Constant, initial, nullptr};
}
Field Number(const wchar_t* label, double low, double high, Initial initial) {
    return {Type::Number, label, low, high, nullptr, initial, 0, nullptr};
}
Field Choice(const wchar_t* label, const wchar_t* choices, int initial) {
    return {Type::Choice, label, 0, 0, choices, Initial::Constant, double(initial), nullptr};
}
Field ColourField(const wchar_t* label, Initial initial, COLORREF constant) {
    return {Type::Colour, label, 0, 0, nullptr, initial, double(constant), nullptr};
}
Field TextField(const wchar_t* label, const char* initial = "") {
    return {Type::Text, label, 0, 0, nullptr, Initial::Constant, 0, initial};
}
Field FileField(const wchar_t* label) {
    return {Type::File, label, 0, 0, nullptr, Initial::Constant, 0, ""};
}

// Rotations keep a background of white and pick the nearest pixel unless asked otherwise.
std::vector<Field> RotationFields(double degrees) {
    return {Number(L"Degrees clockwise", -360, 360, degrees),
            Choice(L"Resampling", L"Nearest pixel|Bilinear", 0),
            Number(L"Background grey (0-255)", 0, 255, 255)};
}

short RunRotate(Target t, const Values& v) {
    return t.document.Rotate(Int(v[0]), Int(v[1]), Int(v[2]));
}

// Line spacing alone: an empty face and style and a size of 0 keep those.
short RunSpacing(Target t, const Values& v) {
    return t.view.ChangeFont(Text(""), Text(""), 0.0f, static_cast<float>(v[0].number));
}

const wchar_t* const kFontStyles[] = {L"Regular", L"Bold", L"Italic", L"Bold Italic"};
const short kDepths[] = {1, 4, 8, 24, 32};

std::vector<DocumentCommand> MakeCommands() {
    const std::vector<Field> selection = {
        Number(L"Left", -32768, 32767, Initial::SelectionLeft),
        Number(L"Top", -32768, 32767, Initial::SelectionTop),
        Number(L"Right", -32768, 32767, Initial::SelectionRight),
        Number(L"Bottom", -32768, 32767, Initial::SelectionBottom)};
    return {
        // File
        {ID_FILE_SAVE,
         "save",
         L"Save",
         kAnyDocument,
         false,
         {},
         [](Target t, const Values&) { return t.document.Save(); },
         Effect::FileName},
        {ID_FILE_SAVE_AS,
         "save-as",
         L"Save As",
         kAnyDocument,
         true,
         {FileField(L"File"), TextField(L"Type (BMP, PNG, JPG, GIF, TIF, EMF, OBJ, TXT)")},
         [](Target t, const Values& v) {
             return t.document.SaveAs(Text(v[0].text), Text(v[1].text));
         },
         Effect::FileName},
        {ID_FILE_CONVERT,
         "convert",
         L"Convert",
         kAlways,
         true,
         {FileField(L"From file"), FileField(L"To file"), TextField(L"Type"),
          TextField(L"Options")},
         [](Target t, const Values& v) {
             return t.document.Convert(Text(v[0].text), Text(v[1].text), Text(v[2].text),
                                       Text(v[3].text));
         },
         Effect::None},
        {ID_FILE_SAVE_SCRIPT,
         "save-script",
         L"Save Edits as Script",
         kAnyDocument,
         true,
         {FileField(L"Script file")},
         [](Target t, const Values& v) { return t.document.SaveScript(Text(v[0].text)); },
         Effect::None},
        // Edit
        {ID_EDIT_UNDO,
         "undo",
         L"Undo",
         kAnyDocument,
         false,
         {},
         [](Target t, const Values&) { return t.document.UndoRedo(); },
         Effect::Undo},
        {ID_EDIT_COPY,
         "copy",
         L"Copy",
         kAnyDocument,
         false,
         {},
         [](Target t, const Values&) { return t.document.Copy(); },
         Effect::None},
        // Drawings, models and text pages are copied as a bitmap at the size they are shown.
        {ID_EDIT_COPY_BITMAP,
         "copy-bitmap",
         L"Copy as Bitmap",
         kAnyDocument,
         false,
         {Number(L"Width", 1, 32767, Initial::ShownWidth),
          Number(L"Height", 1, 32767, Initial::ShownHeight)},
         [](Target t, const Values& v) {
             if (!t.document.IsRaster()) {
                 const short prepared = t.document.PrepRaster(Int(v[0]), Int(v[1]), 24);
                 if (prepared != 0) return prepared;
             }
             return t.document.CopyAs(CF_DIB);
         },
         Effect::None},
        {ID_EDIT_PASTE,
         "paste",
         L"Paste",
         kAlways,
         false,
         {},
         [](Target t, const Values&) { return t.document.Paste(); },
         Effect::Document},
        {ID_EDIT_PASTE_BITMAP,
         "paste-bitmap",
         L"Paste Bitmap",
         kAlways,
         false,
         {},
         [](Target t, const Values&) { return t.document.PasteFrom(CF_DIB); },
         Effect::Document},
        {ID_EDIT_PASTE_METAFILE,
         "paste-metafile",
         L"Paste Metafile",
         kAlways,
         false,
         {},
         [](Target t, const Values&) { return t.document.PasteFrom(CF_ENHMETAFILE); },
         Effect::Document},
        {ID_EDIT_CROP, "crop", L"Crop", kRaster | kDrawing, false, selection,
         [](Target t, const Values& v) {
             RECT part = {Int(v[0]), Int(v[1]), Int(v[2]), Int(v[3])};
             return t.document.Crop(&part);
         },
         Effect::Pixels},
        // Image
        {ID_IMAGE_ROTATE, "rotate", L"Rotate", kRaster | kDrawing | kModel, true,
         RotationFields(90), RunRotate, Effect::Pixels},
        {ID_IMAGE_ROTATE_RIGHT, "rotate-right", L"Rotate Right", kRaster | kDrawing | kModel, false,
         RotationFields(90), RunRotate, Effect::Pixels},
        {ID_IMAGE_ROTATE_LEFT, "rotate-left", L"Rotate Left", kRaster | kDrawing | kModel, false,
         RotationFields(-90), RunRotate, Effect::Pixels},
        {ID_IMAGE_ROTATE_HALF, "rotate-180", L"Rotate 180", kRaster | kDrawing | kModel, false,
         RotationFields(180), RunRotate, Effect::Pixels},
        {ID_IMAGE_RESIZE,
         "resize",
         L"Resize",
         kAnyDocument,
         true,
         {Number(L"Width", 1, 32767, Initial::ImageWidth),
          Number(L"Height", 1, 32767, Initial::ImageHeight),
          Choice(L"Resampling", L"Smooth|Nearest pixel", 0)},
         [](Target t, const Values& v) {
             return t.document.Resize(Int(v[0]), Int(v[1]), Int(v[2]));
         },
         Effect::Pixels},
        {ID_IMAGE_GRAY,
         "gray",
         L"Gray",
         kRaster,
         false,
         {},
         [](Target t, const Values&) { return t.document.Grayize(); },
         Effect::Pixels},
        {ID_IMAGE_BLACK_WHITE,
         "black-white",
         L"Black and White",
         kRaster,
         false,
         {},
         [](Target t, const Values&) { return t.document.Blackize(); },
         Effect::Pixels},
        {ID_IMAGE_REDUCE,
         "reduce",
         L"Reduce Colours",
         kRaster,
         true,
         {Number(L"Colours (2-256)", 2, 256, 16), Choice(L"Dithering", L"None|Error diffusion", 1),
          Choice(L"Palette", L"Optimised|Halftone", 0)},
         [](Target t, const Values& v) {
             return t.document.Reduce(Int(v[0]), Int(v[1]), Int(v[2]), 0);
         },
         Effect::Pixels},
        {ID_IMAGE_EQUALIZE,
         "equalize",
         L"Equalize",
         kRaster,
         false,
         {},
         [](Target t, const Values&) { return t.document.Equalize(); },
         Effect::Pixels},
        {ID_IMAGE_GAMMA,
         "gamma",
         L"Gamma",
         kRaster,
         true,
         {Number(L"Red (100 keeps it)", 1, 1000, 100), Number(L"Green", 1, 1000, 100),
          Number(L"Blue", 1, 1000, 100)},
         [](Target t, const Values& v) {
             return t.document.Gamma(Int(v[0]), Int(v[1]), Int(v[2]));
         },
         Effect::Pixels},
        {ID_IMAGE_INVERT,
         "invert",
         L"Invert",
         kRaster,
         false,
         {},
         [](Target t, const Values&) { return t.document.Invert(); },
         Effect::Pixels},
        {ID_IMAGE_REVERSE_BW,
         "reverse-bw",
         L"Reverse Black and White",
         kRaster,
         false,
         {},
         [](Target t, const Values&) { return t.document.ReverseBW(); },
         Effect::Pixels},
        {ID_IMAGE_CHANGE_COLOUR,
         "change-colour",
         L"Change Colour",
         kRaster,
         true,
         {ColourField(L"Colour to replace", Initial::PointerColour, 0),
          ColourField(L"New colour", Initial::Constant, RGB(255, 255, 255))},
         [](Target t, const Values& v) {
             IRGB from = Colour(v[0]);
             IRGB to = Colour(v[1]);
             return t.document.ChangeColor(&from, &to);
         },
         Effect::Pixels},
        {ID_IMAGE_RASTERIZE,
         "rasterize",
         L"Rasterize",
         kDrawing | kModel | kText,
         true,
         {Number(L"Width", 1, 32767, Initial::ImageWidth),
          Number(L"Height", 1, 32767, Initial::ImageHeight),
          Choice(L"Bits per pixel", L"1|4|8|24|32", 3)},
         [](Target t, const Values& v) {
             return t.document.Rasterize(Int(v[0]), Int(v[1]), kDepths[Int(v[2])]);
         },
         Effect::Document},
        {ID_IMAGE_VECTORIZE,
         "vectorize",
         L"Vectorize",
         kRaster,
         true,
         {Number(L"Colours (2-64)", 2, 64, 16),
          Number(L"Smallest region (pixels)", 1, 1000000, 16)},
         [](Target t, const Values& v) {
             return t.document.Vectorize(Int(v[0]), Int(v[1]), 0, 0, 0, 0);
         },
         Effect::Document},
        {ID_IMAGE_RELIEF,
         "relief",
         L"3D Relief",
         kRaster | kDrawing,
         false,
         {},
         [](Target t, const Values&) { return t.document.ThreeDize(); },
         Effect::Document},
        // Text
        {ID_TEXT_FONT,
         "font",
         L"Font",
         kText,
         true,
         {TextField(L"Face"), Choice(L"Style", L"Regular|Bold|Italic|Bold Italic", 0),
          Number(L"Size (points)", 1, 500, 11), Number(L"Line spacing", 0, 5, 0)},
         [](Target t, const Values& v) {
             const std::string style = Narrow(kFontStyles[Int(v[1])]);
             return t.view.ChangeFont(Text(v[0].text), Text(style), static_cast<float>(v[2].number),
                                      static_cast<float>(v[3].number));
         },
         Effect::Pixels},
        {ID_TEXT_SPACING_SINGLE,
         "spacing",
         L"Line Spacing",
         kText,
         false,
         {Number(L"Line spacing", 0.5, 5, 1)},
         RunSpacing,
         Effect::Pixels},
        {ID_TEXT_SPACING_ONE_HALF,
         "spacing",
         L"Line Spacing",
         kText,
         false,
         {Number(L"Line spacing", 0.5, 5, 1.5)},
         RunSpacing,
         Effect::Pixels},
        {ID_TEXT_SPACING_DOUBLE,
         "spacing",
         L"Line Spacing",
         kText,
         false,
         {Number(L"Line spacing", 0.5, 5, 2)},
         RunSpacing,
         Effect::Pixels},
        // The server reads its options from the registry; this has it read them again.
        {ID_HELP_RELOAD_OPTIONS,
         "reload-options",
         L"Reload Server Options",
         kAlways,
         false,
         {TextField(L"Option (empty: all)")},
         [](Target t, const Values& v) { return t.document.RefreshOptions(Text(v[0].text)); },
         Effect::None},
    };
}

}  // namespace

const std::vector<DocumentCommand>& DocumentCommands() {
    static const std::vector<DocumentCommand> commands = MakeCommands();
    return commands;
}

const DocumentCommand* FindCommand(int menuId) {
    for (const DocumentCommand& command : DocumentCommands())
        if (command.menuId == menuId) return &command;
    return nullptr;
}

const DocumentCommand* FindCommand(const std::string& verb) {
    for (const DocumentCommand& command : DocumentCommands())
        if (verb == command.verb) return &command;
    return nullptr;
}

Value InitialValue(const Field& field, const Context& context) {
    Value value;
    value.text = field.text != nullptr ? field.text : "";
    switch (field.initial) {
        case Initial::Constant:
            value.number = field.constant;
            break;
        case Initial::ImageWidth:
            value.number = context.imageWidth;
            break;
        case Initial::ImageHeight:
            value.number = context.imageHeight;
            break;
        case Initial::ShownWidth:
            value.number = context.shown.cx;
            break;
        case Initial::ShownHeight:
            value.number = context.shown.cy;
            break;
        case Initial::SelectionLeft:
            value.number = context.selection.left;
            break;
        case Initial::SelectionTop:
            value.number = context.selection.top;
            break;
        case Initial::SelectionRight:
            value.number = context.selection.right;
            break;
        case Initial::SelectionBottom:
            value.number = context.selection.bottom;
            break;
        case Initial::PointerColour:
            value.number = context.pointerColour;
            break;
    }
    return value;
}

bool ParseValue(const Field& field, const std::string& word, Value* value, std::wstring* error) {
    const std::wstring label = field.label;
    char* end = nullptr;
    switch (field.type) {
        case Type::Number: {
            const double number = std::strtod(word.c_str(), &end);
            if (end == word.c_str() || *end != '\0' || !(number >= field.low) ||
                !(number <= field.high)) {
                *error = Format(L"%ls must be a number from %g to %g, not \"%hs\"", label.c_str(),
                                field.low, field.high, word.c_str());
                return false;
            }
            value->number = number;
            return true;
        }
        case Type::Choice: {
            const std::wstring choices = field.choices;
            const std::wstring wanted = Widen(word);
            std::size_t start = 0;
            for (int index = 0;; ++index) {
                const std::size_t bar = choices.find(L'|', start);
                const std::wstring choice = choices.substr(start, bar - start);
                if (_wcsicmp(choice.c_str(), wanted.c_str()) == 0 ||
                    wanted == std::to_wstring(index)) {
                    value->number = index;
                    return true;
                }
                if (bar == std::wstring::npos) break;
                start = bar + 1;
            }
            *error = Format(L"%ls must be one of %ls, not \"%hs\"", label.c_str(), field.choices,
                            word.c_str());
            return false;
        }
        case Type::Colour: {
            const char* digits = word.c_str() + (word.size() == 7 && word[0] == '#');
            const unsigned long rgb = std::strtoul(digits, &end, 16);
            if (std::strlen(digits) != 6 || *end != '\0') {
                *error = Format(L"%ls must be a colour RRGGBB in hexadecimal, not \"%hs\"",
                                label.c_str(), word.c_str());
                return false;
            }
            value->number = RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
            return true;
        }
        case Type::Text:
        case Type::File:
            value->text = word;
            return true;
    }
    return false;
}

}  // namespace keloview
