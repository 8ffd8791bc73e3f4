// Louie's editing, conversion, clipboard and file commands: names, argument types and positions,
// capacities, the caller's rectangle, colour packing, the document kind and the clipboard choice.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "kelocli.h"
#include "scripted_fixture.h"
#include "scripted_server.h"

using testsupport::Reply;
using testsupport::ScriptedServer;
using testsupport::SeenArgument;
using testsupport::SeenCall;

namespace {

using LouiePtr = std::unique_ptr<Louie>;

class LouieCommands : public testsupport::ScriptedClientTest<Louie> {
  protected:
    std::unique_ptr<Louie>& louie = client;
};

// What one argument must look like on arrival.
struct Expected {
    VARTYPE type;
    LONGLONG bits;
    std::wstring text;
};
Expected I2(short value) {
    return {VT_I2, value, L""};
}
Expected I4(long value) {
    return {VT_I4, value, L""};
}
Expected R4(float value) {
    LONGLONG bits = 0;
    memcpy(&bits, &value, sizeof value);
    return {VT_R4, bits, L""};
}
Expected Str(const std::wstring& text) {
    return {VT_BSTR, 0, text};
}

struct CommandCase {
    const char* label;
    std::function<short(Louie&)> run;
    std::wstring method;
    std::vector<Expected> arguments;
};

char* Chars(std::string& text) {
    return text.data();
}

void ExpectArguments(const SeenCall& call, const std::vector<Expected>& expected) {
    ASSERT_EQ(call.argumentCount, expected.size());
    EXPECT_EQ(call.namedCount, 0u);
    EXPECT_EQ(call.flags, DISPATCH_METHOD);
    for (size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(i);
        const SeenArgument& seen = call.arguments[i];
        EXPECT_EQ(seen.type, expected[i].type);
        if (expected[i].type == VT_BSTR) {
            EXPECT_EQ(seen.text, expected[i].text);
        } else if (expected[i].type == VT_I2) {
            EXPECT_EQ(seen.AsShort(), static_cast<short>(expected[i].bits));
        } else {
            EXPECT_EQ(seen.bits & 0xFFFFFFFF, expected[i].bits & 0xFFFFFFFF);
        }
    }
}

// Owns the clipboard through a message-only window (a clipboard without owner refuses data).
class Clipboard {
  public:
    Clipboard()
        : window_(CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr,
                                  nullptr)) {}
    ~Clipboard() {
        Fill(false, false);
        DestroyWindow(window_);
    }
    void Fill(bool metafile, bool dib) {
        if (!OpenClipboard(window_)) return;
        EmptyClipboard();
        if (metafile) {
            HDC dc = CreateEnhMetaFileA(nullptr, nullptr, nullptr, nullptr);
            Rectangle(dc, 0, 0, 10, 10);
            SetClipboardData(CF_ENHMETAFILE, CloseEnhMetaFile(dc));
        }
        if (dib) {
            HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, sizeof(BITMAPINFOHEADER) + 4);
            auto* header = static_cast<BITMAPINFOHEADER*>(GlobalLock(memory));
            *header = BITMAPINFOHEADER{};
            header->biSize = sizeof(BITMAPINFOHEADER);
            header->biWidth = 1;
            header->biHeight = 1;
            header->biPlanes = 1;
            header->biBitCount = 32;
            GlobalUnlock(memory);
            SetClipboardData(CF_DIB, memory);
        }
        CloseClipboard();
    }

  private:
    HWND window_;
};

}  // namespace

TEST_F(LouieCommands, EachCommandSendsItsNameAndTypedArgumentsFirstArgumentFirst) {
    std::string path = "C:\\out\\picture.png", format = "png", script = "script.txt";
    std::string source = "in.bmp", target = "out.tif", kind = "tif", options = "-q",
                status = "status", face = "Arial", style = "Bold";
    IRGB from = {0x12, 0x34, 0x56}, to = {0xFF, 0x00, 0x80};
    RECT crop = {1, 2, 3, 4};
    HWND window = GetDesktopWindow();
    HDC dc = reinterpret_cast<HDC>(static_cast<INT_PTR>(0x1234));
    const long windowValue = static_cast<long>(reinterpret_cast<INT_PTR>(window));
    const std::vector<CommandCase> cases = {
        {"Save", [](Louie& l) { return l.Save(); }, L"Save", {}},
        {"SaveAs",
         [&](Louie& l) { return l.SaveAs(Chars(path), Chars(format)); },
         L"SaveAs",
         {Str(L"C:\\out\\picture.png"), Str(L"png")}},
        {"UndoRedo", [](Louie& l) { return l.UndoRedo(); }, L"UndoRedo", {}},
        {"CopyAs", [](Louie& l) { return l.CopyAs(8); }, L"CopyAs", {I2(8)}},
        {"PasteFrom", [](Louie& l) { return l.PasteFrom(14); }, L"PasteFrom", {I2(14)}},
        {"Resize",
         [](Louie& l) { return l.Resize(640, -480, 1); },
         L"Resize",
         {I2(640), I2(-480), I2(1)}},
        {"Rotate", [](Louie& l) { return l.Rotate(90, 1, 2); }, L"Rotate", {I2(90), I2(1), I2(2)}},
        {"Crop", [&](Louie& l) { return l.Crop(&crop); }, L"Crop", {I2(1), I2(2), I2(3), I2(4)}},
        {"Grayize", [](Louie& l) { return l.Grayize(); }, L"Grayize", {}},
        {"Blackize", [](Louie& l) { return l.Blackize(); }, L"Blackize", {}},
        {"Reduce",
         [](Louie& l) { return l.Reduce(1, 2, 3, 4); },
         L"Reduce",
         {I2(1), I2(2), I2(3), I2(4)}},
        {"Equalize", [](Louie& l) { return l.Equalize(); }, L"Equalize", {}},
        {"ChangeFont",
         [&](Louie& l) { return l.ChangeFont(Chars(face), Chars(style), 12.5f, -1.25f); },
         L"ChangeFont",
         {Str(L"Arial"), Str(L"Bold"), R4(12.5f), R4(-1.25f)}},
        {"Gamma", [](Louie& l) { return l.Gamma(1, 2, 3); }, L"Gamma", {I2(1), I2(2), I2(3)}},
        {"Invert", [](Louie& l) { return l.Invert(); }, L"Invert", {}},
        {"ReverseBW", [](Louie& l) { return l.ReverseBW(); }, L"ReverseBW", {}},
        {"ChangeColor",
         [&](Louie& l) { return l.ChangeColor(&from, &to); },
         L"ChangeColor",
         {I4(0x00563412), I4(0x008000FF)}},
        {"Rasterize",
         [](Louie& l) { return l.Rasterize(1024, 640, 8); },
         L"Rasterize",
         {I2(1024), I2(640), I2(8)}},
        {"ThreeDize", [](Louie& l) { return l.ThreeDize(); }, L"ThreeDize", {}},
        {"Vectorize",
         [](Louie& l) { return l.Vectorize(1, 2, 3, 4, 5, 6); },
         L"Vectorize",
         {I2(1), I2(2), I2(3), I2(4), I2(5), I2(6)}},
        {"PrepRaster",
         [](Louie& l) { return l.PrepRaster(7, 8, 9); },
         L"PrepRaster",
         {I2(7), I2(8), I2(9)}},
        {"SaveScript",
         [&](Louie& l) { return l.SaveScript(Chars(script)); },
         L"SaveScript",
         {Str(L"script.txt")}},
        {"Convert",
         [&](Louie& l) {
             return l.Convert(Chars(source), Chars(target), Chars(kind), Chars(options));
         },
         L"Convert",
         {Str(L"in.bmp"), Str(L"out.tif"), Str(L"tif"), Str(L"-q")}},
        {"Test",
         [&](Louie& l) { return l.Test(Chars(status), window, dc); },
         L"Test",
         {Str(L"status"), I4(windowValue), I4(0x1234)}},
        {"OpenStatus",
         [&](Louie& l) { return l.OpenStatus(Chars(status)); },
         L"OpenStatus",
         {Str(L"status")}},
        {"RefreshOptions",
         [&](Louie& l) { return l.RefreshOptions(Chars(options)); },
         L"RefreshOptions",
         {Str(L"-q")}},
    };
    short answer = 100;
    for (const CommandCase& command : cases) {
        SCOPED_TRACE(command.label);
        server.Answer(command.method, Reply::Short(++answer));
        server.ClearRecords();
        EXPECT_EQ(command.run(*louie), answer);
        ASSERT_EQ(server.Calls().size(), 1u);
        EXPECT_EQ(LastCall().method, command.method);
        EXPECT_EQ(server.Lookups(), std::vector<std::wstring>{command.method});
        ExpectArguments(LastCall(), command.arguments);

        server.Answer(command.method, Reply::Long(answer));
        EXPECT_EQ(command.run(*louie), 0) << "an answer that is not a short";
        server.Answer(command.method, Reply::Failure(E_FAIL));
        EXPECT_EQ(command.run(*louie), 0) << "a failed call";
    }
}

TEST_F(LouieCommands, StringsAreHeldToTheirCapacities) {
    std::string status(29, 's'), longStatus(40, 's'),
        format = "jpg", longFormat = "jpeg", kind(5, 'k'), longKind(8, 'k'), face(255, 'f'),
        longFace(300, 'f'), path(779, 'p'), longPath(1000, 'p'), accented = "caf\xE9";
    louie->OpenStatus(status.data());
    EXPECT_EQ(LastCall().arguments[0].text, std::wstring(29, L's'));
    louie->RefreshOptions(longStatus.data());
    EXPECT_EQ(LastCall().arguments[0].text, std::wstring(29, L's'));
    louie->SaveAs(path.data(), format.data());
    EXPECT_EQ(LastCall().arguments[0].text, std::wstring(779, L'p'));
    EXPECT_EQ(LastCall().arguments[1].text, L"jpg");
    louie->SaveAs(longPath.data(), longFormat.data());
    EXPECT_EQ(LastCall().arguments[0].text, std::wstring(779, L'p'));
    EXPECT_EQ(LastCall().arguments[1].text, L"jpe");
    louie->Convert(path.data(), longPath.data(), kind.data(), accented.data());
    EXPECT_EQ(LastCall().arguments[1].text, std::wstring(779, L'p'));
    EXPECT_EQ(LastCall().arguments[2].text, std::wstring(5, L'k'));
    EXPECT_EQ(LastCall().arguments[3].text.back() & 0xFF, 0xE9);
    louie->Convert(path.data(), path.data(), longKind.data(), path.data());
    EXPECT_EQ(LastCall().arguments[2].text, std::wstring(5, L'k'));
    louie->ChangeFont(face.data(), longFace.data(), 0, 0);
    EXPECT_EQ(LastCall().arguments[0].text, std::wstring(255, L'f'));
    EXPECT_EQ(LastCall().arguments[1].text, std::wstring(255, L'f'));
    louie->SaveScript(nullptr);
    EXPECT_EQ(LastCall().arguments[0].text, L"");
}

TEST_F(LouieCommands, CropOrdersTheCallersRectangleAndSendsLow16Bits) {
    RECT rect = {50, 80, 10, 20};
    louie->Crop(&rect);
    ExpectArguments(LastCall(), {I2(10), I2(20), I2(50), I2(80)});
    EXPECT_EQ(rect.left, 10);
    EXPECT_EQ(rect.top, 20);
    EXPECT_EQ(rect.right, 50);
    EXPECT_EQ(rect.bottom, 80);

    RECT big = {70000, -5, -70000, -6};
    louie->Crop(&big);
    ExpectArguments(LastCall(),
                    {I2(static_cast<short>(-70000 & 0xFFFF)), I2(-6), I2(4464), I2(-5)});
    EXPECT_EQ(big.left, -70000);
    EXPECT_EQ(big.right, 70000);

    EXPECT_EQ(louie->Crop(nullptr), 0);
}

TEST_F(LouieCommands, PickColorUnpacksTheAnswerAndReturnsTheStatus) {
    server.Answer(L"PickColor", Reply::Long(static_cast<long>(0xFF010203)));
    IRGB colour = {9, 9, 9};
    EXPECT_EQ(louie->PickColor(&colour, 17, -4), 0);
    EXPECT_EQ(colour.red, 3);
    EXPECT_EQ(colour.green, 2);
    EXPECT_EQ(colour.blue, 1);
    ExpectArguments(LastCall(), {I4(17), I4(-4)});

    Reply shortAnswer = Reply::Short(0);
    shortAnswer.bits = 0x00332211;  // the 32-bit field is taken whatever the type says
    server.Answer(L"PickColor", shortAnswer);
    EXPECT_EQ(louie->PickColor(&colour, 0, 0), 0);
    EXPECT_EQ(colour.red, 0x11);
    EXPECT_EQ(colour.blue, 0x33);

    Reply failed = Reply::Long(0x00FFFFFF);
    failed.code = E_FAIL;
    server.Answer(L"PickColor", failed);
    EXPECT_EQ(louie->PickColor(&colour, 0, 0), E_FAIL);
    EXPECT_EQ(colour.red, 0);
    EXPECT_EQ(colour.green, 0);
    EXPECT_EQ(colour.blue, 0);
}

TEST_F(LouieCommands, IsRasterWidensTheShortFieldWithItsSign) {
    Reply minusOne = Reply::Short(0);
    minusOne.bits = 0xFFFF;
    server.AnswerNext(L"IsRaster", {minusOne, Reply::Short(1), Reply::Long(0x00020000),
                                    Reply::Failure(E_FAIL), Reply::Short(5)});
    EXPECT_EQ(louie->IsRaster(), -1);
    EXPECT_EQ(louie->IsRaster(), 1);
    EXPECT_EQ(louie->IsRaster(), 0);
    EXPECT_EQ(louie->IsRaster(), -1);
    EXPECT_EQ(louie->IsRaster(), 5);
}

TEST_F(LouieCommands, CopyChoosesTheFormatFromTheKind) {
    server.AnswerNext(L"IsRaster",
                      {Reply::Short(1), Reply::Short(0), Reply::Failure(E_FAIL), Reply::Short(-1)});
    server.Answer(L"CopyAs", Reply::Short(6));
    for (short expectedFormat : {CF_DIB, CF_ENHMETAFILE, CF_ENHMETAFILE, CF_ENHMETAFILE}) {
        server.ClearRecords();
        EXPECT_EQ(louie->Copy(), 6);
        ASSERT_EQ(server.CallNames(), (std::vector<std::wstring>{L"IsRaster", L"CopyAs"}));
        EXPECT_EQ(LastCall().arguments[0].AsShort(), expectedFormat);
    }
}

TEST_F(LouieCommands, PastePrefersTheMetafileAndNeedsOneOfTheTwoFormats) {
    Clipboard clipboard;
    server.Answer(L"PasteFrom", Reply::Short(2));

    clipboard.Fill(false, false);
    EXPECT_EQ(louie->Paste(), -1);
    EXPECT_TRUE(server.Calls().empty());

    clipboard.Fill(false, true);
    EXPECT_EQ(louie->Paste(), 2);
    EXPECT_EQ(LastCall().arguments[0].AsShort(), CF_DIB);

    clipboard.Fill(true, false);
    louie->Paste();
    EXPECT_EQ(LastCall().arguments[0].AsShort(), CF_ENHMETAFILE);

    clipboard.Fill(true, true);
    louie->Paste();
    EXPECT_EQ(LastCall().arguments[0].AsShort(), CF_ENHMETAFILE);
    EXPECT_EQ(server.Calls().size(), 3u);
}

TEST(LouieCommandsWithoutServer, AnswerTheirDefaults) {
    LouiePtr louie(new Louie);
    IRGB colour = {1, 2, 3};
    EXPECT_EQ(louie->PickColor(&colour, 1, 1), 0);
    EXPECT_EQ(colour.red, 0);
    EXPECT_EQ(colour.green, 0);
    EXPECT_EQ(colour.blue, 0);
    EXPECT_EQ(louie->IsRaster(), -1);
    EXPECT_EQ(louie->Copy(), 0);
    EXPECT_EQ(louie->Save(), 0);
    RECT rect = {5, 5, 1, 1};
    EXPECT_EQ(louie->Crop(&rect), 0);
    EXPECT_EQ(rect.left, 1) << "the rectangle is ordered even without server";
    Clipboard clipboard;
    clipboard.Fill(false, false);
    EXPECT_EQ(louie->Paste(), -1);
    clipboard.Fill(false, true);
    EXPECT_EQ(louie->Paste(), 0);
}
