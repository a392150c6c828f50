// A notification sink that keeps every posted message in order.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "core/notification_sink.h"

class RecordingSink : public NotificationSink {
public:
    std::vector<std::pair<uint32_t, intptr_t>> posted;

    void Post(uint32_t message, intptr_t wParam) override { posted.emplace_back(message, wParam); }

    std::vector<intptr_t> Values(uint32_t message) const {
        std::vector<intptr_t> values;
        for (const auto& [m, v] : posted) {
            if (m == message) values.push_back(v);
        }
        return values;
    }
    int Count(uint32_t message) const { return static_cast<int>(Values(message).size()); }
    void Clear() { posted.clear(); }
};
