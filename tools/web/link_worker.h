// LinkWorker: the bridge's one thread that talks to the plug-in's command server. The HTTP
// side hands it texts with Ask; it sends them one at a time over the shared link client
// (CommandLink) and calls back with each reply on its own thread. Between requests it keeps
// the link's window answering, so a server that stops or drops the connection is noticed,
// and the next request connects afresh.
//
// Ownership: owns its thread and, on it, the CommandLink. The destructor stops the thread;
// requests still queued are answered as failed.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "link_reply.h"

using LinkAnswer = LinkReply;

class LinkWorker {
public:
    using Callback = std::function<void(LinkAnswer)>;

    LinkWorker(std::string serverName, unsigned replyTimeoutMs);
    ~LinkWorker();
    LinkWorker(const LinkWorker&) = delete;
    LinkWorker& operator=(const LinkWorker&) = delete;

    // Queues `text`; `done` runs on the link thread with the answer. While kMostWaiting
    // requests wait already, the request is answered at once as failed ("busy"), so a flood
    // of requests costs neither memory nor the plug-in anything.
    void Ask(std::string text, Callback done);
    static constexpr size_t kMostWaiting = 64;

private:
    struct Job {
        std::string Text;
        Callback Done;
    };
    void Run();

    std::string serverName_;
    unsigned replyTimeoutMs_;
    std::mutex lock_;
    std::deque<Job> jobs_;
    bool stopping_ = false;
    void* wake_ = nullptr;  // an event handle: a job is queued or the worker stops
    std::thread thread_;
};
