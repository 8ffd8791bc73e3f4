#include "dewey.h"

#include "louie.h"
#include "unique_resource.h"
#include "wide_text.h"

namespace {

constexpr std::size_t kSectionNameLimit = 20;
constexpr std::size_t kFileNameLimit = 516;
constexpr std::size_t kResurrectionUnits = 516;
constexpr std::size_t kResurrectionSectionBytes = 30;
constexpr short kResurrectionFailed = -1025;

// Calls the Louie's member when there is a Louie, else answers what a Louie without server would.
template <typename Result, typename... Parameters, typename... Arguments>
Result Forward(Louie* louie, Result fallback, Result (Louie::*member)(Parameters...),
               Arguments... arguments) {
    return louie != nullptr ? (louie->*member)(arguments...) : fallback;
}

// Copies the string the query gives into the host's buffer, at most `limit` bytes.
short CopyStringAnswer(Louie* louie, long (Louie::*query)(BSTR*), char* buffer, std::size_t limit) {
    if (buffer == nullptr) return 1;
    kelocli::UniqueBstr text;
    if (louie != nullptr) (louie->*query)(text.Receive());
    if (!text) {
        buffer[0] = '\0';
        return 1;
    }
    kelocli::NarrowInto(buffer, limit, text.Get());
    return 0;
}

}  // namespace

Dewey::Dewey() : louie(new Louie) {}

Dewey::~Dewey() {
    delete louie;
}

short Dewey::Open(char* fileName) {
    return Forward(louie, short{0}, &Louie::Open, fileName);
}

short Dewey::FastOpen(char* fileName, char* secondName) {
    return Forward(louie, short{0}, &Louie::FastOpen, fileName, secondName);
}

short Dewey::ThreadOpen(char* fileName, char* secondName, char* thirdName) {
    return Forward(louie, short{0}, &Louie::ThreadOpen, fileName, secondName, thirdName);
}

short Dewey::GetProcessID(long* processId, long* threadId) {
    if (louie == nullptr) {
        if (processId != nullptr) *processId = 0;
        if (threadId != nullptr) *threadId = 0;
        return 0;
    }
    return louie->GetProcessID(processId, threadId);
}

long Dewey::GetInfo(long* width, long* height, short* horizontalRes, short* verticalRes,
                    short* depth) {
    return Forward(louie, 0L, &Louie::GetInfo, width, height, horizontalRes, verticalRes, depth);
}

short Dewey::GetPointOfView(double* eyeX, double* eyeY, double* eyeZ, double* yaw, double* pitch,
                            double* twist) {
    return Forward(louie, short{0}, &Louie::GetPointOfView, eyeX, eyeY, eyeZ, yaw, pitch, twist);
}

long Dewey::Get3DInfo(double* centerX, double* centerY, double* centerZ, double* extentX,
                      double* extentY, double* extentZ) {
    return Forward(louie, 0L, &Louie::Get3DInfo, centerX, centerY, centerZ, extentX, extentY,
                   extentZ);
}

short Dewey::GetSectionName(char* buffer) {
    return CopyStringAnswer(louie, &Louie::GetSecName, buffer, kSectionNameLimit);
}

short Dewey::GetFileName(char* buffer) {
    return CopyStringAnswer(louie, &Louie::GetFileName, buffer, kFileNameLimit);
}

short Dewey::GetPaletteInfo(char* buffer) {
    return CopyStringAnswer(louie, &Louie::GetPaletteInfo, buffer, kSectionNameLimit);
}

short Dewey::GetFontInfo(char* buffer) {
    return CopyStringAnswer(louie, &Louie::GetFontInfo, buffer, kSectionNameLimit);
}

short Dewey::ResurrectSection(char* sectionName, char* fileName) {
    if (louie == nullptr) return kResurrectionFailed;
    wchar_t units[kResurrectionUnits];
    kelocli::WidenInto(units, kResurrectionSectionBytes, sectionName);
    BSTR section = SysAllocString(units);  // the Louie takes it over
    kelocli::WidenInto(units, kResurrectionUnits, fileName);
    const kelocli::UniqueBstr file(SysAllocString(units));
    return louie->ResurrectSection(section, file.Get());
}

short Dewey::OpenStatus(char* status) {
    return Forward(louie, short{0}, &Louie::OpenStatus, status);
}

short Dewey::RefreshOptions(char* options) {
    return Forward(louie, short{0}, &Louie::RefreshOptions, options);
}

short Dewey::Save() {
    return Forward(louie, short{0}, &Louie::Save);
}

short Dewey::SaveAs(char* fileName, char* format) {
    return Forward(louie, short{0}, &Louie::SaveAs, fileName, format);
}

short Dewey::UndoRedo() {
    return Forward(louie, short{0}, &Louie::UndoRedo);
}

short Dewey::Copy() {
    return Forward(louie, short{0}, &Louie::Copy);
}

short Dewey::CopyAs(short format) {
    return Forward(louie, short{0}, &Louie::CopyAs, format);
}

short Dewey::Paste() {
    return Forward(louie, short{-1}, &Louie::Paste);
}

short Dewey::PasteFrom(short format) {
    return Forward(louie, short{0}, &Louie::PasteFrom, format);
}

short Dewey::Resize(short width, short height, short flag) {
    return Forward(louie, short{0}, &Louie::Resize, width, height, flag);
}

short Dewey::Rotate(short first, short second, short third) {
    return Forward(louie, short{0}, &Louie::Rotate, first, second, third);
}

short Dewey::Grayize() {
    return Forward(louie, short{0}, &Louie::Grayize);
}

short Dewey::Blackize() {
    return Forward(louie, short{0}, &Louie::Blackize);
}

short Dewey::Equalize() {
    return Forward(louie, short{0}, &Louie::Equalize);
}

short Dewey::Gamma(short first, short second, short third) {
    return Forward(louie, short{0}, &Louie::Gamma, first, second, third);
}

short Dewey::Invert() {
    return Forward(louie, short{0}, &Louie::Invert);
}

short Dewey::ReverseBW() {
    return Forward(louie, short{0}, &Louie::ReverseBW);
}

short Dewey::ChangeColor(IRGB* from, IRGB* to) {
    return Forward(louie, short{0}, &Louie::ChangeColor, from, to);
}

short Dewey::Crop(RECT* rect) {
    return Forward(louie, short{0}, &Louie::Crop, rect);
}

short Dewey::Reduce(short first, short second, short third, short fourth) {
    return Forward(louie, short{0}, &Louie::Reduce, first, second, third, fourth);
}

short Dewey::Rasterize(short right, short bottom, short bitsPerPixel) {
    return Forward(louie, short{0}, &Louie::Rasterize, right, bottom, bitsPerPixel);
}

short Dewey::ThreeDize() {
    return Forward(louie, short{0}, &Louie::ThreeDize);
}

short Dewey::Vectorize(short first, short second, short third, short fourth, short fifth,
                       short sixth) {
    return Forward(louie, short{0}, &Louie::Vectorize, first, second, third, fourth, fifth, sixth);
}

short Dewey::PrepRaster(short first, short second, short third) {
    return Forward(louie, short{0}, &Louie::PrepRaster, first, second, third);
}

short Dewey::SaveScript(char* script) {
    return Forward(louie, short{0}, &Louie::SaveScript, script);
}

short Dewey::Convert(char* source, char* target, char* format, char* options) {
    return Forward(louie, short{0}, &Louie::Convert, source, target, format, options);
}

short Dewey::Test(char* text, HWND window, HDC dc) {
    return Forward(louie, short{0}, &Louie::Test, text, window, dc);
}

int Dewey::IsRaster() {
    return Forward(louie, -1, &Louie::IsRaster) == 1 ? 1 : 0;
}

int Dewey::IsVector() {
    return Forward(louie, -1, &Louie::IsRaster) == 0 ? 1 : 0;
}

int Dewey::IsEntity() {
    return Forward(louie, -1, &Louie::IsRaster) == -1 ? 1 : 0;
}
