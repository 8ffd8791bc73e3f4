// The commands keloview carries out on a document through the library, one table for the menus
// and the script's `edit` lines: each names its menu item, its script verb, the kinds of
// document it applies to, its parameters and the library call that does it.
#ifndef KELOVIEW_DOCUMENT_COMMANDS_H
#define KELOVIEW_DOCUMENT_COMMANDS_H

#include <windows.h>

#include <string>
#include <vector>

#include "kelocli.h"

namespace keloview {

// Kinds of document, as bits: which a command applies to.
enum KindBits : unsigned {
    kRaster = 1,
    kDrawing = 2,
    kModel = 4,
    kText = 8,
    kNoDocument = 16,  // may run before anything is open
    kAnyDocument = kRaster | kDrawing | kModel | kText,
    kAlways = kAnyDocument | kNoDocument,
};

// Where a parameter's value comes from when neither the user nor the script gives it.
enum class Initial {
    Constant,
    ImageWidth,
    ImageHeight,
    ShownWidth,  // of the picture on the screen
    ShownHeight,
    SelectionLeft,  // the selection, in image pixels
    SelectionTop,
    SelectionRight,
    SelectionBottom,
    PointerColour,  // the colour last picked under the pointer
};

struct Field {
    enum class Type { Number, Choice, Colour, Text, File } type;
    const wchar_t* label;
    double low;  // Number: the range
    double high;
    const wchar_t* choices;  // Choice: "first|second|..."; its value is the index
    Initial initial;
    double constant;   // Initial::Constant
    const char* text;  // Text and File: the initial text
};

// One value per field: a number (a Choice's index, a Colour as COLORREF) or a text (a File is
// already the name the image server takes).
struct Value {
    double number = 0;
    std::string text;
};
using Values = std::vector<Value>;

// What a successful command changed, so that the view follows.
enum class Effect { None, Pixels, Document, Undo, FileName };

struct Target {
    Dewey& document;
    Huey& view;
};

struct DocumentCommand {
    int menuId;
    const char* verb;
    const wchar_t* title;
    unsigned kinds;
    bool ask;  // from the menu: ask for the parameters first
    std::vector<Field> fields;
    short (*run)(Target target, const Values& values);
    Effect effect;
};

const std::vector<DocumentCommand>& DocumentCommands();
const DocumentCommand* FindCommand(int menuId);
const DocumentCommand* FindCommand(const std::string& verb);

// The facts the initial values are taken from.
struct Context {
    long imageWidth = 0;
    long imageHeight = 0;
    SIZE shown = {};
    RECT selection = {};
    COLORREF pointerColour = RGB(255, 255, 255);
};
Value InitialValue(const Field& field, const Context& context);

// Reads a value from a script's word: a number, a choice's index or name, a colour as RRGGBB in
// hexadecimal (with or without '#'), or a text. False with the reason when it does not fit.
bool ParseValue(const Field& field, const std::string& word, Value* value, std::wstring* error);

}  // namespace keloview

#endif
