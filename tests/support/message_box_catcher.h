// Catches the message boxes the calling thread shows: a thread-local WH_CBT hook reads each box's
// caption and text when it is activated and dismisses it with OK.
#ifndef KELOCLI_TESTS_MESSAGE_BOX_CATCHER_H
#define KELOCLI_TESTS_MESSAGE_BOX_CATCHER_H

#include <windows.h>

#include <string>
#include <vector>

namespace testsupport {

struct CaughtBox {
    std::string caption;
    std::string text;
};

class MessageBoxCatcher {
  public:
    MessageBoxCatcher();
    ~MessageBoxCatcher();
    MessageBoxCatcher(const MessageBoxCatcher&) = delete;
    MessageBoxCatcher& operator=(const MessageBoxCatcher&) = delete;

    const std::vector<CaughtBox>& Boxes() const { return boxes_; }
    void Clear() { boxes_.clear(); }

  private:
    static LRESULT CALLBACK OnCbt(int code, WPARAM wParam, LPARAM lParam);
    HHOOK hook_ = nullptr;
    std::vector<CaughtBox> boxes_;
};

}  // namespace testsupport

#endif
