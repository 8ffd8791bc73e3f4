// Huey: construction, copying and the members that forward to the document's Louie.
#include "huey.h"

#include "dewey.h"
#include "louie.h"

Huey::Huey(Dewey* document)
    : louie(document != nullptr ? document->louie : nullptr), source{}, dest{}, zoom(1.0) {}

Huey::~Huey() = default;

short Huey::AttachWindow(HWND window, HDC dc) {
    return louie != nullptr ? louie->AttachWindow(window, dc) : 0;
}

short Huey::Paint(RECT* source, RECT* target) {
    return louie != nullptr ? louie->Paint(source, target) : 0;
}

short Huey::Paint() {
    return Paint(&source, &dest);
}

short Huey::ChangeFont(char* face, char* style, float size, float spacing) {
    return louie != nullptr ? louie->ChangeFont(face, style, size, spacing) : 0;
}

short Huey::SetPointOfView(double eyeX, double eyeY, double eyeZ, double yaw, double pitch,
                           double twist, short povFlag) {
    return louie != nullptr ? louie->SetPointOfView(eyeX, eyeY, eyeZ, yaw, pitch, twist, povFlag)
                            : 0;
}
