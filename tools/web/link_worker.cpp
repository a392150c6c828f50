#include "link_worker.h"

#include <windows.h>

#include "command_link.h"

namespace {
// While idle, the link's window is looked after this often.
constexpr DWORD kIdleSliceMs = 100;
}  // namespace

LinkWorker::LinkWorker(std::string serverName, unsigned replyTimeoutMs)
    : serverName_(std::move(serverName)), replyTimeoutMs_(replyTimeoutMs) {
    wake_ = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    thread_ = std::thread([this] { Run(); });
}

LinkWorker::~LinkWorker() {
    {
        std::lock_guard<std::mutex> guard(lock_);
        stopping_ = true;
    }
    SetEvent(static_cast<HANDLE>(wake_));
    thread_.join();
    CloseHandle(static_cast<HANDLE>(wake_));
}

void LinkWorker::Ask(std::string text, Callback done) {
    bool busy = false;
    {
        std::lock_guard<std::mutex> guard(lock_);
        busy = jobs_.size() >= kMostWaiting;
        if (!busy) jobs_.push_back(Job{std::move(text), std::move(done)});
    }
    if (busy) {
        done(LinkAnswer{LinkAnswer::Status::Failed, "the bridge is busy: too many requests are waiting"});
        return;
    }
    SetEvent(static_cast<HANDLE>(wake_));
}

void LinkWorker::Run() {
    CommandLink link(serverName_);
    HANDLE wake = static_cast<HANDLE>(wake_);
    for (;;) {
        Job job;
        {
            std::unique_lock<std::mutex> guard(lock_);
            if (stopping_) break;
            if (!jobs_.empty()) {
                job = std::move(jobs_.front());
                jobs_.pop_front();
            }
        }
        if (!job.Done) {
            MsgWaitForMultipleObjects(1, &wake, FALSE, kIdleSliceMs, QS_ALLINPUT);
            link.Idle();
            continue;
        }
        LinkAnswer answer;
        try {
            answer = link.Ask(job.Text, replyTimeoutMs_);
        } catch (const std::exception& failure) {
            answer.Text = failure.what();
        }
        job.Done(std::move(answer));
    }
    std::deque<Job> left;
    {
        std::lock_guard<std::mutex> guard(lock_);
        left.swap(jobs_);
    }
    for (Job& job : left) job.Done(LinkAnswer{LinkAnswer::Status::Failed, "the bridge is stopping"});
}
