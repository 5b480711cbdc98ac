#pragma once

#include <deque>
#include <string>
#include <vector>

#include "platform/Types.h"

namespace fake {

struct MessageBoxCall {
    std::string text;
    std::string caption;
    UINT type;
};

struct TopWindow {
    std::string title;
    int showCmd = 0;      // last ShowWindow command, 0 when none
    bool raised = false;  // SetWindowPos to the top with no move or size
};

struct WindowsState {
    std::vector<MessageBoxCall> boxes;
    std::deque<int> answers;  // given in order; IDOK once they run out
    std::vector<TopWindow> windows;  // Z order, top first
    int titleReads = 0;
};

WindowsState& Windows();
// The HWND of windows()[i], and back.
HWND WindowHandle(size_t i);

}  // namespace fake
