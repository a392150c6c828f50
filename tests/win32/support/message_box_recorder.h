// Captures the plug-in's message boxes during a test instead of showing them.
#pragma once

#include <string>
#include <vector>

#include "host/message_box.h"

class MessageBoxRecorder {
public:
    struct Box {
        std::string Text;
        std::string Caption;
        unsigned Flags;
    };

    explicit MessageBoxRecorder(int answer = 1 /* IDOK */) {
        SetMessageBoxHandler([this, answer](void*, const std::string& text, const std::string& caption,
                                            unsigned flags) {
            Boxes.push_back({text, caption, flags});
            return answer;
        });
    }
    ~MessageBoxRecorder() { SetMessageBoxHandler(nullptr); }
    MessageBoxRecorder(const MessageBoxRecorder&) = delete;
    MessageBoxRecorder& operator=(const MessageBoxRecorder&) = delete;

    std::vector<Box> Boxes;
};
