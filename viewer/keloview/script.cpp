#include "script.h"

#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <vector>

#include "document_commands.h"
#include "file_names.h"
#include "frame_window.h"
#include "messages.h"

namespace keloview {

namespace {

constexpr SIZE kClientSize = {800, 600};

using Words = std::vector<std::string>;

// A line's words: blanks separate them, double quotes keep blanks inside one.
Words Split(const std::string& line) {
    Words words;
    std::string word;
    bool quoted = false;
    bool inWord = false;
    for (char c : line) {
        if (c == '"') {
            quoted = !quoted;
            inWord = true;
        } else if (!quoted && (c == ' ' || c == '\t' || c == '\r')) {
            if (inWord) words.push_back(word);
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord) words.push_back(word);
    return words;
}

std::wstring FromUtf8(const std::string& text) {
    const int size =
        MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(size), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &wide[0], size);
    return wide;
}

class Runner {
  public:
    Runner(Frame& frame, const std::wstring& script) : frame_(frame), script_(script) {
        frame_.ReportTo([this](const std::wstring& text) { failure_ = text; });
    }

    // One line: true when it succeeded; the failure in words otherwise.
    bool Run(const Words& words, std::wstring* failure) {
        failure_.clear();
        const auto action = kActions.find(words[0]);
        if (action == kActions.end()) {
            *failure = FromUtf8("there is no action \"" + words[0] + "\"");
            return false;
        }
        const Action& wanted = action->second;
        const int given = static_cast<int>(words.size()) - 1;
        if (given < wanted.least || (wanted.most >= 0 && given > wanted.most)) {
            *failure = FromUtf8(words[0] + " takes " + wanted.usage);
            return false;
        }
        const bool done = (this->*wanted.run)(words) && failure_.empty();
        frame_.Settle();
        *failure = failure_;
        return done;
    }

  private:
    struct Action {
        int least;
        int most;  // -1: any number
        const char* usage;
        bool (Runner::*run)(const Words& words);
    };
    static const std::map<std::string, Action> kActions;

    std::wstring PathOf(const std::string& word) const {
        return RelativeTo(script_, FromUtf8(word));
    }

    bool Number(const std::string& word, long* value) {
        char* end = nullptr;
        *value = std::strtol(word.c_str(), &end, 10);
        if (end == word.c_str() || *end != '\0') {
            failure_ = FromUtf8("\"" + word + "\" is not a whole number");
            return false;
        }
        return true;
    }

    bool Numbers(const Words& words, long* values) {
        for (std::size_t i = 1; i < words.size(); ++i)
            if (!Number(words[i], &values[i - 1])) return false;
        return true;
    }

    bool Open(const Words& words) {
        if (!frame_.OpenFile(PathOf(words[1]), false)) return false;
        const Facts facts = frame_.View().Describe();
        Say(Format(L"  %ls, %ld x %ld, %d bits, %d dpi", KindName(frame_.View().GetKind()),
                   facts.width, facts.height, facts.depth, facts.horizontalDpi));
        return true;
    }

    bool Mode(const Words& words) {
        const std::map<std::string, SizeMode> modes = {
            {"fit", SizeMode::Fit}, {"actual", SizeMode::Actual}, {"width", SizeMode::FitWidth}};
        const auto mode = modes.find(words[1]);
        if (mode == modes.end()) {
            failure_ = L"mode takes fit, actual or width";
            return false;
        }
        return frame_.ShowMode(mode->second);
    }

    bool ZoomIn(const Words& words) {
        long v[4];
        return Numbers(words, v) && frame_.ZoomIn({v[0], v[1], v[2], v[3]});
    }

    bool ZoomOut(const Words& words) {
        long factor = 0;
        if (!Number(words[1], &factor)) return false;
        if (factor < 1) {
            failure_ = L"zoom-out takes a factor of 1 or more";
            return false;
        }
        return frame_.ZoomOut(static_cast<int>(factor));
    }

    bool Scroll(const Words& words) {
        long v[2];
        return Numbers(words, v) && frame_.Scroll(v[0], v[1]);
    }

    bool Cad(const Words& words) {
        long view = 0;
        if (!Number(words[1], &view)) return false;
        if (view < 0 || view > 9) {
            failure_ = L"cad takes a view from 0 to 9";
            return false;
        }
        return frame_.PresetView(static_cast<int>(view));
    }

    bool Vr(const Words& words) {
        for (int code = 0; code < kSteerings; ++code) {
            if (words[1] == kSteeringNames[code] || words[1] == std::to_string(code))
                return frame_.Steer(code);
        }
        failure_ = FromUtf8(
            "vr takes turn-up, turn-left, turn-down, turn-right, slide-up, "
            "slide-left, slide-down, slide-right, forward, back, roll-left or "
            "roll-right, not \"" +
            words[1] + "\"");
        return false;
    }

    bool Trackball(const Words& words) {
        long v[4];
        return Numbers(words, v) && frame_.Orbit({v[0], v[1]}, {v[2], v[3]});
    }

    bool Edit(const Words& words) {
        const DocumentCommand* command = FindCommand(words[1]);
        if (command == nullptr) {
            std::string verbs;
            for (const DocumentCommand& known : DocumentCommands())
                if (verbs.find(known.verb) == std::string::npos)
                    verbs += std::string(" ") + known.verb;
            failure_ = FromUtf8("edit knows no command \"" + words[1] + "\"; it knows" + verbs);
            return false;
        }
        if (words.size() - 2 > command->fields.size()) {
            failure_ = Format(L"%ls takes at most %d arguments", command->title,
                              static_cast<int>(command->fields.size()));
            return false;
        }
        const Context context = frame_.CommandContext();
        Values values;
        for (std::size_t i = 0; i < command->fields.size(); ++i) {
            const Field& field = command->fields[i];
            values.push_back(InitialValue(field, context));
            if (i + 2 >= words.size()) continue;
            std::wstring error;
            if (!ParseValue(field, words[i + 2], &values[i], &error)) {
                failure_ = error;
                return false;
            }
            if (field.type == Field::Type::File &&
                !ServerFileName(PathOf(words[i + 2]), &values[i].text, &error)) {
                failure_ = error;
                return false;
            }
        }
        return frame_.RunCommand(*command, values);
    }

    bool Print(const Words& words) { return frame_.PrintOnDefaultPrinter(PathOf(words[1])); }

    bool Shot(const Words& words) { return frame_.SaveShot(PathOf(words[1])); }

    bool ImageOnlyShot(const Words& words) { return frame_.SaveImageOnlyShot(PathOf(words[1])); }

    Frame& frame_;
    std::wstring script_;
    std::wstring failure_;
};

const std::map<std::string, Runner::Action> Runner::kActions = {
    {"open", {1, 1, "a file", &Runner::Open}},
    {"mode", {1, 1, "fit, actual or width", &Runner::Mode}},
    {"zoom-in", {4, 4, "a rectangle: left, top, right, bottom", &Runner::ZoomIn}},
    {"zoom-out", {1, 1, "a factor", &Runner::ZoomOut}},
    {"scroll", {2, 2, "two percents, across and down", &Runner::Scroll}},
    {"cad", {1, 1, "a view from 0 to 9", &Runner::Cad}},
    {"vr", {1, 1, "a step", &Runner::Vr}},
    {"trackball", {4, 4, "two points: x0 y0 x1 y1", &Runner::Trackball}},
    {"edit", {1, -1, "a command and its arguments", &Runner::Edit}},
    {"print", {1, 1, "a file to print into", &Runner::Print}},
    {"shot", {1, 1, "a PNG file", &Runner::Shot}},
    {"image-only-shot", {1, 1, "a PNG file", &Runner::ImageOnlyShot}},
};

}  // namespace

void Say(const std::wstring& line, bool error) {
    const DWORD which = error ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE;
    HANDLE output = GetStdHandle(which);
    if (output == nullptr || output == INVALID_HANDLE_VALUE) {
        AttachConsole(ATTACH_PARENT_PROCESS);  // a windows program started from a console
        output = GetStdHandle(which);
    }
    const std::wstring text = line + L"\n";
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), &bytes[0], size,
                        nullptr, nullptr);
    DWORD written = 0;
    if (output != nullptr && output != INVALID_HANDLE_VALUE)
        WriteFile(output, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

int RunScript(HINSTANCE instance, const std::wstring& scriptPath) {
    std::ifstream file(scriptPath.c_str(), std::ios::binary);
    if (!file) {
        Say(Format(L"keloview: the script %ls cannot be read.", scriptPath.c_str()), true);
        return 2;
    }
    Frame* frame = Frame::Create(instance, SW_SHOWNORMAL, &kClientSize);
    if (frame == nullptr) {
        Say(L"keloview: the window could not be made.", true);
        return 2;
    }
    SetForegroundWindow(frame->Window());
    Runner runner(*frame, scriptPath);
    if (frame->View().ServerProcess() == 0) {
        Say(L"keloview: no image server answered; register it with pimbaxsrv.exe /RegServer.",
            true);
        DestroyWindow(frame->Window());
        return 1;
    }
    bool allDone = true;
    const std::wstring name = BaseName(scriptPath);
    std::string line;
    for (int number = 1; std::getline(file, line); ++number) {
        const Words words = Split(line);
        if (words.empty() || words[0][0] == '#') continue;
        Say(Format(L"%ls:%d: %ls", name.c_str(), number, FromUtf8(line).c_str()));
        std::wstring failure;
        if (!runner.Run(words, &failure)) {
            Say(Format(L"%ls:%d: %hs: %ls", name.c_str(), number, words[0].c_str(),
                       failure.empty() ? L"for no reason given" : failure.c_str()),
                true);
            allDone = false;
        }
    }
    DestroyWindow(frame->Window());
    return allDone ? 0 : 1;
}

}  // namespace keloview
